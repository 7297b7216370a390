#pragma once
#include "plug/IKeyPress.h"
#include "plug/IMidiMsg.h"

namespace plug {
namespace igraphics {

// What the editor delegate needs of an editor's graphics context, and nothing more.
// The delegate owns the context while the editor window is open and talks to it only
// through these operations, so the real graphics context and a headless one are
// interchangeable behind it.
class IGraphicsHandle
{
public:
  virtual ~IGraphicsHandle() = default;

  // Size in points at scale 1, and the scale it is drawn at.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  // Ratio between the host window's units and the editor's points.
  virtual float GetPlatformWindowScale() const { return 1.f; }

  // Changes size and draw scale; the context asks the delegate to constrain the size and
  // to agree to the new window size, and asks the platform to resize when told to.
  virtual void Resize(int w, int h, float scale, bool needsPlatformResize) = 0;
  virtual void SetScreenScale(float scale) = 0;

  // Opens the editor view inside the host's parent view (running the delegate's layout)
  // and returns the platform view; CloseWindow detaches and releases it.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;

  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;

  // Every control, in list order, and every value of it bound to paramIdx takes the
  // (already normalised) value.
  virtual void SetParamValueFromDelegate(int paramIdx, double normalizedValue) = 0;
  // The control with that tag, if any, takes the value as its first value.
  virtual void SetControlValueFromDelegate(int ctrlTag, double value) = 0;
  // The control with that tag, if any, receives the message.
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) = 0;
  // Every control that wants MIDI receives the message.
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg) = 0;
};

} // namespace igraphics
} // namespace plug
