#pragma once
// The base of every control. Its virtual operations are the contract between the graphics
// context and the controls: the context attaches controls, hit-tests them, routes pointer,
// key, gesture, drop and MIDI events to them, asks each whether it is dirty, draws the dirty
// ones and hands parameter values to them.
//
// A control holds one or more value entries, each binding a normalised value (0..1) to a
// parameter index of the editor delegate or to no parameter (-1). Operations taking a value
// index accept 0..count-1, and -1 for "all values" where they say so. A control with exactly
// one value treats every index as 0 where the value is committed.
//
// Everything here runs on the editor's main thread.

#include <cstdint>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "plug/HeapBuf.h"
#include "plug/IMidiMsg.h"

namespace plug {
class IEditorDelegate;
class IParam;

namespace igraphics {

class IContainerBase;
class IPopupMenu;

class IControl
{
public:
  // Every animation of the toolkit lasts this long, unless it says otherwise.
  static constexpr int kDefaultAnimationDurationMs = 100;

  IControl(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr);
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc = nullptr);
  IControl(const IRECT& bounds, IActionFunction actionFunc);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // A number no other control of the process has had or will have. Whoever must learn later
  // whether a control still lives keeps this, not the address, which a new control may reuse.
  uint64_t GetToken() const { return mToken; }

  // ---- events (base behaviour in the comments) ----

  // With the right button: prompts for the value under the point.
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnMouseDrag(float /*x*/, float /*y*/, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/) {}
  // Prompts for the value under the point.
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& /*mod*/, float /*delta*/) {}
  virtual bool OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  virtual bool OnKeyUp(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  // Set and clear the mouse-over flag, marking the control dirty when it changes.
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnDrop(const char* /*path*/) {}
  // OnDrop with the first path.
  virtual void OnDropMultiple(const std::vector<const char*>& paths);
  // Called on attach and when the editor's scale changes.
  virtual void OnRescale() {}
  // Called on attach and when the control moves or changes size.
  virtual void OnResize() {}
  // Called on attach, before OnResize.
  virtual void OnInit() {}
  // Called once the control has joined the context's list.
  virtual void OnAttached() {}
  virtual void OnMsgFromDelegate(int /*msgTag*/, int /*dataSize*/, const void* /*pData*/) {}
  virtual void OnMidi(const IMidiMsg& /*msg*/) {}
  // Runs the handler attached for the gesture's kind; false when there is none.
  virtual bool OnGesture(const IGestureInfo& info);
  // A control may add items to its right-click menu.
  virtual void CreateContextMenu(IPopupMenu& /*contextMenu*/) {}
  // The result of a value prompt menu: the chosen index as a value of the parameter.
  virtual void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx);
  virtual void OnPopupMenuItemDeleted(IPopupMenu* /*pMenu*/, int /*itemIdx*/) {}
  // Committed text for a control (or value) without parameter.
  virtual void OnTextEntryCompletion(const char* /*str*/, int /*valIdx*/) {}
  // The chosen right-click menu item, -1 for none.
  virtual void OnContextSelection(int /*itemSelected*/) {}

  // ---- drawing ----

  virtual void Draw(IGraphics& g) = 0;
  // The host's highlight dot at the top-right of the target area, when highlighted.
  virtual void DrawHostHighlight(IGraphics& g);

  // ---- values ----

  // Binds value valIdx to a parameter, then marks dirty. A value index outside
  // 0..count-1 throws std::out_of_range and changes nothing.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  // 0 with one value, else -1.
  virtual int GetValIdxForPos(float /*x*/, float /*y*/) const { return NVals() == 1 ? 0 : -1; }
  // A value from the plug-in side; ignored while the mouse holds this control. A control that
  // draws its parameter's text is marked dirty also for the value it already holds.
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  // A value the user made; commits it (with the action) when it differs.
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  // The bound parameters' defaults, committed.
  virtual void SetValueToDefault(int valIdx = -1);
  // Stores a normalised value; nothing else.
  virtual void SetValue(double value, int valIdx = 0);

  // ---- appearance and state ----

  virtual void SetText(const IText& txt) { mText = txt; }
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float w, float h);
  virtual void Hide(bool hide);
  virtual void SetDisabled(bool disable);
  virtual void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  // Target bounds not all zero and L <= x < R, T <= y < B.
  virtual bool IsHit(float x, float y) const;
  // Clamps the value(s) to 0..1 and marks the control dirty; with triggerAction hands the
  // bound values to the delegate, updates the peers and runs the action function once.
  virtual void SetDirty(bool triggerAction = true, int valIdx = -1);
  virtual void SetClean() { mDirty = false; }
  // True while an animation runs, else the dirty flag.
  virtual bool IsDirty();
  // Handlers attached and no animation running.
  virtual bool GetWantsGestures() const { return !mGestureFuncs.empty() && !mAnimationFunc; }
  // Jumps to the pointer along a track: value from the position, quantised to thousandths,
  // clamped to minClip..maxClip, committed.
  virtual void SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx = -1,
                           double minClip = 0.0, double maxClip = 1.0);
  // Drops the animation, marks dirty once more, then runs the animation-end function.
  virtual void OnEndAnimation();

  // ---- value entries ----

  int NVals() const { return static_cast<int>(mVals.size()); }
  // -1 and 0 for a value index outside the entries.
  int GetParamIdx(int valIdx = 0) const { return ValidValIdx(valIdx) ? mVals[static_cast<size_t>(valIdx)].idx : -1; }
  double GetValue(int valIdx = 0) const { return ValidValIdx(valIdx) ? mVals[static_cast<size_t>(valIdx)].value : 0.0; }
  bool ValidValIdx(int valIdx) const { return valIdx >= 0 && valIdx < NVals(); }
  // The parameter of value valIdx; null without one or outside the delegate's list.
  IParam* GetParam(int valIdx = 0) const;
  // The first value index bound to paramIdx (a parameter index of 0 or more), else -1.
  int LinkedToParam(int paramIdx) const;

  // ---- prompts ----

  // Prompts for the value: a menu over the whole control for a parameter with display
  // texts, else a text entry in a 40 by 16 box at the centre. Nothing for a value without
  // parameter or while prompts are disabled.
  void PromptUserInput(int valIdx = 0);
  void PromptUserInputAt(const IRECT& bounds, int valIdx = 0);

  // ---- animation ----

  void Animate()
  {
    if (mAnimationFunc)
    {
      IActionFunction func = mAnimationFunc; // the function may replace or drop itself
      func(this);
    }
  }
  void StartAnimation(int durationMs);
  // Elapsed time over duration; 0 without an animation; exceeds 1 once it has run its time.
  double GetAnimationProgress() const;
  void SetActionFunction(IActionFunction func) { mActionFunc = std::move(func); }
  void SetAnimationEndActionFunction(IActionFunction func) { mAnimationEndActionFunc = std::move(func); }
  void SetAnimation(IAnimationFunction func) { mAnimationFunc = std::move(func); }
  // Sets the animation function and starts it now for durationMs.
  void SetAnimation(IAnimationFunction func, int durationMs)
  {
    mAnimationFunc = std::move(func);
    StartAnimation(durationMs);
  }
  const IActionFunction& GetActionFunction() const { return mActionFunc; }
  const IAnimationFunction& GetAnimationFunction() const { return mAnimationFunc; }
  const IActionFunction& GetAnimationEndActionFunction() const { return mAnimationEndActionFunc; }
  double GetAnimationStartTime() const { return mAnimationStartTime; }
  double GetAnimationDuration() const { return mAnimationDuration; }

  // ---- gestures and host highlight ----

  // Stores the handler and asks the context for a recogniser of the kind.
  IControl* AttachGestureRecognizer(EGestureType type, IGestureFunction func);
  EGestureType GetLastGesture() const { return mLastGesture; }
  // Colour 0 red, 1 blue, 2 green, 3 yellow; any other keeps the colour. Marks dirty.
  void SetHostHighlight(bool highlighted, int colourIndex);
  bool GetHostHighlight() const { return mHighlighted; }
  const IColor& GetHostHighlightColor() const { return mHighlightColor; }

  // ---- plain accessors ----

  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& bounds) { mRECT = bounds; }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetRECT(const IRECT& bounds) { mTargetRECT = bounds; }
  // Bounds and target bounds at once.
  void SetTargetAndDrawRECTs(const IRECT& bounds)
  {
    mRECT = mTargetRECT = bounds;
    mMouseIsOver = false;
    OnResize();
  }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetGroup(const char* group) { mGroup.Set(group); }
  const IText& GetText() const { return mText; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int len) { mTextEntryLength = len; }
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  // The control draws its parameter's value as text, taken from the parameter as it is when the
  // control draws or is marked dirty. Another thread may hold the parameter elsewhere for a
  // moment (a restore on a host thread): text taken then would stay when the editor next gives
  // the value the control already holds, so every value the editor gives such a control marks
  // it dirty, equal or not.
  void SetDrawsParamText(bool draws) { mDrawsParamText = draws; }
  bool GetDrawsParamText() const { return mDrawsParamText; }
  void SetDblAsSingleClick(bool on) { mDblAsSingleClick = on; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetMouseOverWhenDisabled(bool on) { mMouseOverWhenDisabled = on; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool on) { mMouseEventsWhenDisabled = on; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetWantsMidi(bool on) { mWantsMidi = on; }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMultiTouch(bool on) { mWantsMultiTouch = on; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetPromptShowsParamLabel(bool on) { mPromptShowsParamLabel = on; }
  bool GetPromptShowsParamLabel() const { return mPromptShowsParamLabel; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* str) { mTooltip.Set(str); }
  IContainerBase* GetParent() const { return mParent; }
  void SetParent(IContainerBase* parent) { mParent = parent; }
  IEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetDelegate(IEditorDelegate& dlg) { mDelegate = &dlg; }
  // The delegate went before this control (its context was still in dispatch).
  void ForgetDelegate() { mDelegate = nullptr; }
  IGraphics* GetUI() const { return mGraphics; }
  void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }

  // ---- action functions ----

  static void EmptyClickActionFunc(IControl* /*caller*/) {}
  // A 100 ms animation that only ends.
  static void DefaultClickActionFunc(IControl* caller);
  static void DefaultAnimationFunc(IControl* caller);
  // For vector controls: a 100 ms splash growing from the last mouse-down point.
  static void SplashActionFunc(IControl* caller);
  static void SplashAnimationFunc(IControl* caller);
  // The value bubble beside (horizontal) or below (vertical) the control, showing the
  // display text of value 0's parameter with its unit label.
  static void ShowBubbleHorizontalActionFunc(IControl* caller);
  static void ShowBubbleVerticalActionFunc(IControl* caller);

protected:
  struct ValEntry
  {
    int idx;
    double value;
  };

  // Now in milliseconds of the editor's clock (the context's clock once attached).
  double NowMs() const;

  IRECT mRECT;
  IRECT mTargetRECT;
  CharBuf mGroup{128};
  IText mText = DEFAULT_TEXT;
  IBlend mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDrawsParamText = false;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMidi = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  CharBuf mTooltip{128};
  IColor mHighlightColor = COLOR_RED;
  bool mHighlighted = false;
  IContainerBase* mParent = nullptr;
  IEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndActionFunc;
  IAnimationFunction mAnimationFunc;
  double mAnimationStartTime = 0.0;
  double mAnimationDuration = 0.0;
  std::vector<ValEntry> mVals;
  std::unordered_map<int, IGestureFunction> mGestureFuncs;
  EGestureType mLastGesture = EGestureType::Unknown;

private:
  static uint64_t NextToken();

  const uint64_t mToken = NextToken();
  // Stores value valIdx clamped to 0..1 (through SetValue).
  void ClampAndStore(int valIdx);
  // Hands value valIdx to the delegate and the peers, when it is bound.
  void CommitToParam(int valIdx);
  bool CanPrompt(int valIdx) const;
};

} // namespace igraphics
} // namespace plug
