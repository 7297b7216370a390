#pragma once
// The interface between the plug-in and its editor, and the owner of the parameter list.
//
// Parameter values travel to the editor's controls through this class; values, gestures
// and messages from the editor travel back through it to the plug-in. Everything here runs
// on the main thread, apart from the atomic parameter stores, which the audio thread may
// observe at any time, and RefreshAllParamsInUIFromAnyThread.

#include <atomic>
#include <cstdint>

#include "plug/HeapBuf.h"
#include "plug/IKeyPress.h"
#include "plug/IMidiMsg.h"
#include "plug/IParam.h"
#include "plug/IStateChunk.h"

namespace plug {

// Where a parameter change came from.
enum EParamChangeSource : int32_t
{
  kSourceUnknown = 0,
  kHost = 1,
  kPresetRecall = 2,
  kUI = 3,
  kDelegate = 4
};

class IEditorDelegate
{
public:
  // Creates nParams blank parameters, owned by the delegate.
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // ---- parameters ----
  int NParams() const { return mParams.GetSize(); }
  IParam* GetParam(int idx) const { return mParams.Get(idx); }

  // ---- editor size and its limits ----
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  void SetEditorSize(int w, int h)
  {
    mEditorWidth = w;
    mEditorHeight = h;
  }
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  // Each pair is stored ordered, smaller first.
  void SetSizeConstraints(int widthA, int widthB, int heightA, int heightB);

  // ---- editor window ----
  // Opens the editor in the host's parent view and returns the editor's view. The plain
  // delegate has no view: it sends all parameter values and returns null.
  virtual void* OpenEditorWindow(void* pParent);
  virtual void CloseEditorWindow();
  // The host resized the editor's window.
  virtual void ResizeFromParent(int w, int h);

  // Every parameter's normalised value goes to the editor.
  virtual void SendAllParamsToUI();
  // Runs as the editor window closes.
  virtual void OnEditorClosing();

  // ---- parameter-change hooks ----
  // Runs on the thread that delivers the change; the default calls HandleParamChangeByIndex.
  virtual void HandleParamChange(int paramIdx, EParamChangeSource source, int sampleOffset);
  virtual void HandleParamChangeByIndex(int paramIdx);
  // The host refused the plug-in's own request of a parameter, which has taken the host's value
  // instead: a change with the host as source, told apart so that a reaction need not ask the
  // host again for what it just refused. The default is HandleParamChange with kHost.
  virtual void HandleRefusedParamChange(int paramIdx);
  virtual void OnParamChangeUI(int paramIdx, EParamChangeSource source);
  // For each parameter in index order: HandleParamChange, then OnParamChangeUI.
  virtual void NotifyAllParamsChanged(EParamChangeSource source);

  virtual void HandleMidiMsgInUI(const IMidiMsg& msg);
  virtual void HandleSysExMsgInUI(const ISysExMsg& msg);
  virtual bool HandleMessage(int msgTag, int ctrlTag, int dataSize, const void* pData);
  // Main thread only; code that may run on another thread calls the next one instead.
  virtual void RefreshAllParamsInUI();
  // The one way for code that may run on any thread (a host's state restore, a preset recall,
  // a preset file load) to bring the editor to the parameters' values. On the main thread
  // RefreshAllParamsInUI runs at once. Any other thread leaves the editor alone and only
  // leaves a request, which the editor timer serves on the main thread at its next tick
  // (TakeUIRefreshRequest). The thread is told by the platform, never by reading the editor.
  void RefreshAllParamsInUIFromAnyThread();

  // Key presses at the current mouse position; false when nobody handled them.
  virtual bool KeyDownAtMouse(const IKeyPress& key);
  virtual bool KeyUpAtMouse(const IKeyPress& key);

  // ---- towards the editor ----
  virtual void SendControlValueToUI(int ctrlTag, double normalizedValue);
  virtual void SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* pData);
  virtual void SendMessageFromUI(int msgTag, int dataSize, const void* pData);
  virtual void SendMidiMsgToUI(const IMidiMsg& msg);
  virtual void SendSysExMsgToUI(const ISysExMsg& msg);
  virtual void SendParamValueToUI(int paramIdx, double value, bool normalized);

  // ---- from the editor (the API base implements these towards the host) ----
  virtual void PushAllParamValuesToHost();
  virtual void BeginParamEditFromUI(int paramIdx) = 0;
  virtual void SetParamValueFromUI(int paramIdx, double normalizedValue);
  virtual void EndParamEditFromUI(int paramIdx) = 0;
  virtual bool RequestEditorResize(int w, int h, bool needsHostResize);
  virtual void PassMidiMsgFromUI(const IMidiMsg& msg);
  virtual void PassSysExMsgFromUI(const ISysExMsg& msg);
  virtual void SendControlMsgFromUI(int ctrlTag, int msgTag, int dataSize, const void* pData);
  virtual void QueueMidiMsgFromUI(const IMidiMsg& msg);
  virtual void QueueSysExMsgFromUI(const ISysExMsg& msg);

  // Clamps w and h into the size limits; true when they were inside (and are unchanged).
  virtual bool ConstrainEditorSize(int& w, int& h) const;
  // Editor size record (int32 width, int32 height, float scale) for bindings that keep it.
  virtual bool SaveEditorSize(IStateChunk& chunk) const;
  virtual int LoadEditorSize(const IStateChunk& chunk, int startPos);
  virtual void SetEditorScreenScale(float scale);

protected:
  // The normalised value an editor control shows for the real value v of a parameter:
  // stepped, clamped, normalised through the shape and clamped to 0..1.
  static double NormalizedForUI(const IParam& param, double v);
  // For the editor timer, on the main thread: whether a refresh was requested from another
  // thread since the last call. The values the requesting thread stored before its request are
  // seen by the refresh that follows.
  bool TakeUIRefreshRequest() { return mUIRefreshRequested.exchange(false, std::memory_order_acq_rel); }

  OwnedPtrArray<IParam> mParams;
  int32_t mEditorWidth = 0;
  int32_t mEditorHeight = 0;
  int32_t mMinWidth = 10;
  int32_t mMaxWidth = 100000;
  int32_t mMinHeight = 10;
  int32_t mMaxHeight = 100000;

private:
  std::atomic<bool> mUIRefreshRequested{false};
};

} // namespace plug
