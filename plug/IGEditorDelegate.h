#pragma once
// The editor delegate for an editor drawn by a graphics context. It owns the context while
// the editor window is open, holds the two functions the product installs (one creates the
// context, one lays the editor out) and keeps the editor's size and scale while the window
// is closed, so the editor reopens as the user left it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "plug/IEditorDelegate.h"

namespace plug {
namespace igraphics {

class IGraphics;

class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGraphics*()>;
  using LayoutFunc = std::function<void(IGraphics*)>;

  explicit IGEditorDelegate(int nParams);
  // Never while a context of this delegate is in dispatch (asserted): the binding defers its
  // deletion until the outermost handler has returned.
  ~IGEditorDelegate() override;

  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

  // The open editor's graphics context, null while the editor is closed.
  IGraphics* GetUI() const { return mGraphics; }

  // Size and scale kept from the last window (0 before the first).
  int GetKeptWidth() const { return mKeptWidth; }
  int GetKeptHeight() const { return mKeptHeight; }
  float GetKeptScale() const { return mKeptScale; }

  void* OpenEditorWindow(void* pParent) override;
  // Closed inside one of the context's dispatch scopes, the context is deleted when the
  // outermost ends (DeleteClosedUI), or with the delegate.
  void CloseEditorWindow() override;
  // Removes the controls of a context closed inside a dispatch scope and deletes it.
  void DeleteClosedUI(IGraphics* pGraphics);
  void ResizeFromParent(int w, int h) override;

  bool KeyDownAtMouse(const IKeyPress& key) override;
  bool KeyUpAtMouse(const IKeyPress& key) override;

  void SendControlValueToUI(int ctrlTag, double normalizedValue) override;
  void SendControlMsgToUI(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
  void SendMidiMsgToUI(const IMidiMsg& msg) override;
  void SendParamValueToUI(int paramIdx, double value, bool normalized) override;

  bool SaveEditorSize(IStateChunk& chunk) const override;
  int LoadEditorSize(const IStateChunk& chunk, int startPos) override;
  void SetEditorScreenScale(float scale) override;

  // A new graphics context from the make-graphics function, null when none is installed.
  virtual IGraphics* BuildGraphics();
  // Runs the layout function on the context (the context calls it while opening).
  virtual void ArrangeUI(IGraphics* pGraphics);

  // ---- handlers on the stack and a deletion held for them ----
  // The plug-in object outlives every editor handler still on the stack: a release that would
  // delete it while one runs (the host destroying the instance inside a menu, an alert or its
  // own parameter-click callback) defers the deletion to the end of the outermost handler. One
  // atomic word holds both, since a release may come on any thread: bit 0 a deletion pending,
  // the rest twice the handlers running. Dispatch scopes of this delegate's contexts call the
  // first two; handlers run on the main thread only, so only it changes their count.
  void HandlerEntered() { mHandlers.fetch_add(2, std::memory_order_acq_rel); }
  // The last handler to leave first runs OnLastHandlerLeaving, still counted, so that no
  // deletion can start meanwhile. True for the last handler to leave with a deletion pending:
  // the caller then runs RunDeferredDeletion and touches nothing after it.
  bool HandlerLeft();
  // Whether an editor handler of this delegate is on the stack.
  bool InHandler() const
  {
    const uint32_t handlers = mHandlers.load(std::memory_order_acquire);
    return handlers >= 2 && handlers < kDeleting;
  }
  // For the binding: lets go of what it kept alive for the handlers on the stack. Runs on the
  // main thread as the last handler leaves, also when no deletion follows; never throws.
  virtual void OnLastHandlerLeaving() noexcept {}
  // For the release that would delete the object: true when it may go now (no handler runs);
  // false when the deletion waits for the last handler, or is pending already (a second count
  // to zero meanwhile deletes nothing).
  bool MayDeleteNow() { return mHandlers.fetch_or(1, std::memory_order_acq_rel) == 0 && Deleting(); }
  // The deletion held for the handlers; the binding that deferred it deletes the object its way.
  virtual void RunDeferredDeletion() { delete this; }

  // The draw scales an editor accepts.
  static constexpr float kMinDrawScale = 0.5f;
  static constexpr float kMaxDrawScale = 4.f;

private:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  IGraphics* mGraphics = nullptr;
  std::vector<IGraphics*> mClosedUIs; // closed, deleted once their handlers returned
  int mKeptWidth = 0;
  int mKeptHeight = 0;
  float mKeptScale = 0.f;
  // The deletion runs: scopes the destructors still open (a view leaving its window) can
  // never start it again.
  bool Deleting()
  {
    mHandlers.store(kDeleting, std::memory_order_release);
    return true;
  }
  static constexpr uint32_t kDeleting = 1u << 31;

  bool mClosing = false;
  std::atomic<uint32_t> mHandlers{0};
};

} // namespace igraphics
} // namespace plug
