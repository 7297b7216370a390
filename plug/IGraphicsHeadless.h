#pragma once
#include "plug/IGraphicsHandle.h"

namespace plug {
namespace igraphics {

class IGEditorDelegate;

// A graphics context without a screen: it keeps size, scales and the open/closed state and
// negotiates resizes with the delegate like the real one, but holds no controls and draws
// nothing. It lets the plug-in open and close its editor where no window system exists.
class IGraphicsHeadless : public IGraphicsHandle
{
public:
  IGraphicsHeadless(IGEditorDelegate& dlg, int w, int h, int fps, float scale);

  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  int FPS() const { return mFPS; }
  bool WindowIsOpen() const { return mWindowOpen; }

  void Resize(int w, int h, float scale, bool needsPlatformResize) override;
  void SetScreenScale(float scale) override;

  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;

  void GetMouseLocation(float& x, float& y) const override;
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  bool OnKeyUp(float x, float y, const IKeyPress& key) override;

  void SetParamValueFromDelegate(int paramIdx, double normalizedValue) override;
  void SetControlValueFromDelegate(int ctrlTag, double value) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;

  static constexpr float kMinScale = 0.5f;
  static constexpr float kMaxScale = 4.f;

private:
  IGEditorDelegate& mDelegate;
  int mWidth;
  int mHeight;
  int mFPS;
  float mDrawScale;
  float mScreenScale = 1.f;
  bool mWindowOpen = false;
  char mView = 0; // stands for the platform view handed back by OpenWindow
};

} // namespace igraphics
} // namespace plug
