// The graphics context: construction, the control list with tags and groups, the special
// controls, iteration, peers, the hand-off of prompt results, size and scale, the clock.

#include "graphics/IGraphics.h"

#include <chrono>
#include <cstdlib>

#include "graphics/IControls.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "graphics/SharedResourceCache.h"
#include "graphics/controls/IVectorBase.h"
#include "plug/IGEditorDelegate.h"
#include "plug/IParam.h"
#include "plug/Trace.h"

namespace plug {
namespace igraphics {

namespace {
// Gives a control its context and runs the attach-time calls.
void PrepareControl(IControl* pControl, IGraphics& g, IEditorDelegate& dlg)
{
  pControl->SetDelegate(dlg);
  pControl->SetGraphics(&g);
  pControl->OnInit();
  pControl->OnResize();
  pControl->OnRescale();
}
} // namespace

IGraphics::IGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : mWidth(w), mHeight(h), mFPS(fps), mDrawScale(scale), mDelegate(&dlg)
{
  // Every context shares the process's caches, bitmap cache first.
  std::lock_guard<std::recursive_mutex> bitmapLock(BitmapCache().Mutex());
  BitmapCache().Retain();
  std::lock_guard<std::recursive_mutex> svgLock(SVGCache().Mutex());
  SVGCache().Retain();
}

IGraphics::DispatchScope::DispatchScope(IGraphics* pGraphics) : mGraphics(pGraphics)
{
  if (!mGraphics)
    return;
  ++mGraphics->mDispatchDepth;
  mGraphics->mDelegate->HandlerEntered();
}

namespace {

void ReportNestedLoopOutsideDispatch(const char* where)
{
  Trace("%s: a nested loop started outside any dispatch scope of its editor", where);
  std::abort();
}

IGraphics::NestedLoopCheckHandler sNestedLoopCheckHandler = &ReportNestedLoopOutsideDispatch;

} // namespace

void IGraphics::SetNestedLoopCheckHandler(NestedLoopCheckHandler handler)
{
  sNestedLoopCheckHandler = handler ? handler : &ReportNestedLoopOutsideDispatch;
}

void IGraphics::CheckNestedLoopInDispatch(const char* where) const
{
#ifndef NDEBUG
  if (!InDispatch())
    sNestedLoopCheckHandler(where);
#else
  (void)where;
#endif
}

IGraphics::DispatchScope::~DispatchScope()
{
  if (!mGraphics)
    return;
  IGEditorDelegate* dlg = mGraphics->mDelegate;
  if (--mGraphics->mDispatchDepth == 0 && mGraphics->mClosed)
    dlg->DeleteClosedUI(mGraphics);
  // The plug-in released while handlers ran goes with the last of them; nothing is touched
  // after that.
  if (dlg->HandlerLeft())
    dlg->RunDeferredDeletion();
}

IGraphics::~IGraphics()
{
  // Releasing the capture must not call the platform while the context goes, nor the
  // delegate, which may be going itself (it deletes the context from its destructor). Gestures
  // still open end when the view goes (RemoveAllControls from the platform's close).
  mCursorHidden = false;
  mOpenGestures.clear();
  RemoveAllControls();
  // Layers a drawing left on the stack go with the context.
  while (!mLayers.empty())
  {
    delete mLayers.top();
    mLayers.pop();
  }

  // The last context to go empties the caches (no control refers to them any more).
  std::lock_guard<std::recursive_mutex> bitmapLock(BitmapCache().Mutex());
  BitmapCache().Release();
  std::lock_guard<std::recursive_mutex> svgLock(SVGCache().Mutex());
  SVGCache().Release();
}

double IGraphics::SteadyClockMs()
{
  static const std::chrono::steady_clock::time_point sStart = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sStart).count();
}

void IGraphics::SetHostHighlightForParam(int paramIdx, bool highlighted, int colourIndex)
{
  ForMatchingControls(&IControl::SetHostHighlight, paramIdx, highlighted, colourIndex);
}

// ---------------------------------------------------------------------------------------
// Attaching, finding and removing controls

IControl* IGraphics::AttachControl(IControl* pControl, int ctrlTag, const char* group)
{
  if (!pControl || ControlWithToken(pControl->GetToken()))
    return nullptr; // nothing, or attached already: it stays where it is
  if (ctrlTag >= 0 && !mCtrlTags.emplace(ctrlTag, pControl).second)
    return nullptr; // the tag is taken: the control stays the caller's

  // All or nothing: when a step throws, the control is neither listed nor tagged, and
  // nothing the context keeps refers to it, so the caller may delete it.
  bool listed = false;
  try
  {
    PrepareControl(pControl, *this, *mDelegate);
    pControl->SetGroup(group ? group : "");
    if (!mControls.Add(pControl))
      throw std::bad_alloc();
    listed = true;
    pControl->OnAttached();
  }
  catch (...)
  {
    if (listed)
    {
      ForgetControl(pControl);
      mControls.Delete(GetControlIdx(pControl));
    }
    if (ctrlTag >= 0)
      mCtrlTags.erase(ctrlTag);
    throw;
  }
  return pControl;
}

IControl* IGraphics::GetControlWithTag(int ctrlTag) const
{
  auto it = mCtrlTags.find(ctrlTag);
  return it != mCtrlTags.end() ? it->second : nullptr;
}

int IGraphics::GetControlTag(const IControl* pControl) const
{
  for (const auto& entry : mCtrlTags)
    if (entry.second == pControl)
      return entry.first;
  return -1;
}

IControl* IGraphics::GetControlWithParamIdx(int paramIdx) const
{
  for (int i = 0; i < NControls(); ++i)
    if (GetControl(i)->LinkedToParam(paramIdx) >= 0)
      return GetControl(i);
  return nullptr;
}

void IGraphics::ForgetControl(const IControl* pControl)
{
  if (IsControlCaptured(pControl))
    ReleaseMouseCapture();
  EndGesturesFor(pControl);
  if (mMouseOver == pControl)
  {
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  if (mInTextEntry == pControl)
    mInTextEntry = nullptr;
  if (mInPopupMenu == pControl)
  {
    mInPopupMenu = nullptr;
    mShownMenu = nullptr;
  }
  for (int i = 0; i < NBubbleControls(); ++i)
    GetBubbleControl(i)->ForgetCaller(pControl);
}

IControl* IGraphics::ControlWithToken(uint64_t token)
{
  IControl* found = nullptr;
  ForAllControlsFunc([&](IControl* pControl) {
    if (!found && pControl->GetToken() == token)
      found = pControl;
  });
  return found;
}

// ---------------------------------------------------------------------------------------
// Host gestures

bool IGraphics::BeginParamGesture(IControl* pControl, int paramIdx)
{
  bool opened = false;
  for (const auto& gesture : mOpenGestures)
  {
    if (gesture.second != paramIdx)
      continue;
    if (gesture.first == pControl)
      return false;
    opened = true;
  }
  mOpenGestures.emplace_back(pControl, paramIdx);
  if (!opened)
    mDelegate->BeginParamEditFromUI(paramIdx);
  return true;
}

void IGraphics::EndParamGesture(IControl* pControl, int paramIdx)
{
  auto it = std::find(mOpenGestures.begin(), mOpenGestures.end(), std::make_pair(pControl, paramIdx));
  if (it == mOpenGestures.end())
    return; // never begun here: nothing to end
  mOpenGestures.erase(it);
  for (const auto& gesture : mOpenGestures)
    if (gesture.second == paramIdx)
      return; // still held by another opener
  mDelegate->EndParamEditFromUI(paramIdx);
}

void IGraphics::BeginGesturesFor(IControl* pControl)
{
  for (int i = 0; i < pControl->NVals(); ++i)
    if (pControl->GetParamIdx(i) >= 0)
      BeginParamGesture(pControl, pControl->GetParamIdx(i));
}

void IGraphics::EndGesturesFor(const IControl* pControl)
{
  std::vector<int> params;
  for (const auto& gesture : mOpenGestures)
    if (gesture.first == pControl)
      params.push_back(gesture.second);
  for (int paramIdx : params)
    EndParamGesture(const_cast<IControl*>(pControl), paramIdx);
}

bool IGraphics::HoldsGestures(const IControl* pControl) const
{
  for (const auto& gesture : mOpenGestures)
    if (gesture.first == pControl)
      return true;
  return false;
}

void IGraphics::DetachAndDeleteControl(int idx)
{
  IControl* pControl = GetControl(idx);
  if (!pControl)
    return;
  ForgetControl(pControl);
  const int tag = GetControlTag(pControl);
  if (tag >= 0)
    mCtrlTags.erase(tag);
  mControls.Delete(idx);
  delete pControl;
  // The mouse-over control keeps its place in the list, which may have moved down.
  if (mMouseOverIdx >= 0)
    mMouseOverIdx = GetControlIdx(mMouseOver);
}

void IGraphics::RemoveControlWithTag(int ctrlTag)
{
  if (IControl* pControl = GetControlWithTag(ctrlTag))
    DetachAndDeleteControl(GetControlIdx(pControl));
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(IControl* pControl)
{
  const int idx = GetControlIdx(pControl);
  if (idx < 0)
    return; // not one of ours
  DetachAndDeleteControl(idx);
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(int idx)
{
  if (idx < 0 || idx >= NControls())
    return;
  DetachAndDeleteControl(idx);
  SetAllControlsDirty();
}

void IGraphics::RemoveControls(int fromIdx)
{
  for (int i = NControls() - 1; i >= std::max(fromIdx, 0); --i)
    DetachAndDeleteControl(i);
  SetAllControlsDirty();
}

void IGraphics::RemoveAllControls()
{
  ReleaseMouseCapture();
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  // Prompts that are open lose the control they were for; gestures still open end.
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;
  mShownMenu = nullptr;
  while (!mOpenGestures.empty())
    EndGesturesFor(mOpenGestures.front().first);

  delete mPopupControl;
  mPopupControl = nullptr;
  delete mTextEntryControl;
  mTextEntryControl = nullptr;
  delete mCornerResizer;
  mCornerResizer = nullptr;
  delete mPerfDisplay;
  mPerfDisplay = nullptr;
  mBubbleControls.Clear(true);
  mCtrlTags.clear();
  mControls.Clear(true);
}

// ---------------------------------------------------------------------------------------
// Iteration

void IGraphics::ForAllControlsFunc(const IControlFunction& func)
{
  for (int i = 0; i < NControls(); ++i)
    func(GetControl(i));
  if (mPerfDisplay)
    func(mPerfDisplay);
  if (mCornerResizer)
    func(mCornerResizer);
  if (mTextEntryControl)
    func(mTextEntryControl);
  if (mPopupControl)
    func(mPopupControl);
  for (int i = 0; i < NBubbleControls(); ++i)
    func(GetBubbleControl(i));
}

void IGraphics::ForStandardControlsFunc(const IControlFunction& func)
{
  for (int i = 0; i < NControls(); ++i)
    func(GetControl(i));
}

void IGraphics::ForControlInGroup(const char* group, const IControlFunction& func)
{
  if (!group)
    return;
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = GetControl(i);
    if (pControl->GetGroup()[0] && std::strcmp(pControl->GetGroup(), group) == 0)
      func(pControl);
  }
}

void IGraphics::ForControlWithParam(int paramIdx, const IControlFunction& func)
{
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = GetControl(i);
    if (pControl->LinkedToParam(paramIdx) >= 0)
      func(pControl);
  }
}

void IGraphics::ForControlWithParam(const std::initializer_list<int>& params, const IControlFunction& func)
{
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = GetControl(i);
    for (int paramIdx : params)
      if (pControl->LinkedToParam(paramIdx) >= 0)
        func(pControl);
  }
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
  ForMatchingControls(&IControl::Hide, paramIdx, hide);
}

void IGraphics::DisableControl(int paramIdx, bool disable)
{
  ForMatchingControls(&IControl::SetDisabled, paramIdx, disable);
}

void IGraphics::SetAllControlsDirty()
{
  ForAllControlsFunc([](IControl* pControl) { pControl->SetDirty(false); });
}

void IGraphics::SetAllControlsClean()
{
  ForAllControlsFunc([](IControl* pControl) { pControl->SetClean(); });
}

void IGraphics::SetControlPosition(IControl* pControl, float x, float y)
{
  pControl->SetPosition(x, y);
  if (!pControl->IsHidden())
    SetAllControlsDirty();
}

void IGraphics::SetControlSize(IControl* pControl, float w, float h)
{
  pControl->SetSize(w, h);
  if (!pControl->IsHidden())
    SetAllControlsDirty();
}

void IGraphics::SetControlBounds(IControl* pControl, const IRECT& r)
{
  pControl->SetTargetAndDrawRECTs(r);
  if (!pControl->IsHidden())
    SetAllControlsDirty();
}

void IGraphics::StyleVectorControls(const IVStyle& style)
{
  for (int i = 0; i < NControls(); ++i)
    if (IVectorBase* vectorBase = dynamic_cast<IVectorBase*>(GetControl(i)))
      vectorBase->SetStyle(style);
}

// ---------------------------------------------------------------------------------------
// Peers and tooltips

void IGraphics::UpdatePeers(IControl* pCaller, int valIdx)
{
  const double value = pCaller->GetValue(valIdx);
  const int paramIdx = pCaller->GetParamIdx(valIdx);
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = GetControl(i);
    if (pControl == pCaller)
      continue;
    const int peerValIdx = pControl->LinkedToParam(paramIdx);
    if (peerValIdx >= 0)
      pControl->SetValueFromDelegate(value, peerValIdx);
  }
}

void IGraphics::AssignParamNameToolTips()
{
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = GetControl(i);
    if (const IParam* param = pControl->GetParam(0))
      pControl->SetTooltip(param->NameText());
  }
}

void IGraphics::EnableTooltips(bool enable)
{
  mEnableTooltips = enable;
  if (enable)
    mEnableMouseOver = true;
}

// ---------------------------------------------------------------------------------------
// Special controls

void IGraphics::InsertBackground(IControl* pControl, bool attachCalls)
{
  std::unique_ptr<IControl> owned(pControl);
  if (attachCalls)
  {
    PrepareControl(pControl, *this, *mDelegate);
  }
  else
  {
    pControl->SetDelegate(*mDelegate);
    pControl->SetGraphics(this);
  }
  if (!mControls.Insert(0, pControl))
    throw std::bad_alloc();
  owned.release();
  if (mMouseOverIdx >= 0)
    ++mMouseOverIdx; // the control under the pointer moved up one place
}

void IGraphics::AttachBackground(const char* fileName)
{
  InsertBackground(new IBitmapControl(0.f, 0.f, LoadBitmap(fileName, 1, false, 0), -1, EBlend::SrcOver), true);
}

void IGraphics::AttachSVGBackground(const char* fileName)
{
  InsertBackground(new ISVGControl(GetBounds(), LoadSVG(fileName, "px", 72.f)), false);
}

void IGraphics::AttachPanelBackground(const IPattern& pattern)
{
  InsertBackground(new IPanelControl(GetBounds(), pattern), true);
}

void IGraphics::AttachCornerResizer(EResizeMode sizeMode, bool layoutOnResize, const IColor& color,
                                    const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  if (mCornerResizer)
    return; // one corner resizer at most
  auto* pControl = new ICornerResizerControl(GetBounds(), size, color, mouseOverColor, dragColor);
  mCornerResizer = pControl;
  mGUISizeMode = sizeMode;
  mLayoutOnResize = layoutOnResize;
  pControl->SetDelegate(*mDelegate);
  pControl->SetGraphics(this);
  pControl->OnRescale(); // at the corner, its size kept on screen
}

template <class T>
bool IGraphics::AttachSpecial(T*& slot, T* pControl)
{
  if (slot)
  {
    delete pControl; // one of each at most
    return false;
  }
  slot = pControl;
  PrepareControl(pControl, *this, *mDelegate);
  return true;
}

template <class T>
void IGraphics::RemoveSpecial(T*& slot)
{
  if (!slot)
    return;
  ForgetControl(slot);
  delete slot;
  slot = nullptr;
}

void IGraphics::AttachCornerResizer(ICornerResizerControl* pControl, EResizeMode sizeMode, bool layoutOnResize)
{
  if (AttachSpecial(mCornerResizer, pControl))
  {
    mGUISizeMode = sizeMode;
    mLayoutOnResize = layoutOnResize;
  }
}

void IGraphics::AttachBubbleControl(const IText& text)
{
  AttachBubbleControl(new IBubbleControl(text, COLOR_WHITE, COLOR_BLACK, 5.f));
}

void IGraphics::AttachBubbleControl(IBubbleControl* pControl)
{
  PrepareControl(pControl, *this, *mDelegate);
  if (!mBubbleControls.Add(pControl))
    delete pControl;
}

void IGraphics::AttachPopupMenuControl(const IText& text, const IRECT& bounds)
{
  if (mPopupControl)
    return;
  auto* pControl = new IPopupMenuControl(-1, text);
  pControl->SetExpandedBounds(bounds);
  AttachPopupMenuControl(pControl);
}

void IGraphics::AttachPopupMenuControl(IPopupMenuControl* pControl)
{
  AttachSpecial(mPopupControl, pControl);
}

void IGraphics::RemovePopupMenuControl()
{
  // A menu it shows is answered first with nothing chosen, so the control that asked hears it
  // and its gestures end.
  if (mPopupControl && mInPopupMenu && mMenuInEditor)
    SetControlValueAfterPopupMenu(nullptr);
  RemoveSpecial(mPopupControl);
}

void IGraphics::AttachTextEntryControl()
{
  if (!mTextEntryControl)
    AttachTextEntryControl(new ITextEntryControl());
}

void IGraphics::AttachTextEntryControl(ITextEntryControl* pControl)
{
  AttachSpecial(mTextEntryControl, pControl);
}

void IGraphics::RemoveTextEntryControl()
{
  RemoveSpecial(mTextEntryControl);
}

void IGraphics::ShowFPSDisplay(bool enable)
{
  if (enable && !mPerfDisplay)
  {
    AttachSpecial(mPerfDisplay, new IFPSDisplayControl(IRECT(10.f, 10.f, 210.f, 60.f), 0, "Frame Time"));
  }
  else if (!enable && mPerfDisplay)
  {
    RemoveSpecial(mPerfDisplay);
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  SetAllControlsDirty();
}

void IGraphics::ShowBubbleControl(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                                  IRECT minimumContentBounds, ITouchID /*touchID*/)
{
  const int nBubbles = NBubbleControls();
  if (nBubbles == 0 || !pCaller)
    return; // no bubble to show

  if (!mEnableMultiTouch)
  {
    GetBubbleControl(0)->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, 0);
    return;
  }

  // The one touch that holds the caller chooses the bubble: the one bound to it, else the
  // next in turn.
  int nTouches = 0;
  ITouchID touch = 0;
  for (const auto& entry : mCapturedMap)
  {
    if (entry.second == pCaller)
    {
      ++nTouches;
      touch = entry.first;
    }
  }
  if (nTouches != 1)
    return;
  for (int i = 0; i < nBubbles; ++i)
  {
    if (GetBubbleControl(i)->GetTouchID() == touch)
    {
      GetBubbleControl(i)->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, touch);
      return;
    }
  }
  static int sNextBubble = 0; // process-wide, shared by every editor
  GetBubbleControl(sNextBubble++ % nBubbles)->ShowBubble(pCaller, x, y, str, dir, minimumContentBounds, touch);
}

// ---------------------------------------------------------------------------------------
// Results of prompts

void IGraphics::SetControlValueAfterTextEdit(const char* str)
{
  IControl* pControl = mInTextEntry;
  if (!pControl)
    return;
  const int valIdx = mTextEntryValIdx;
  // Cleared first: the control may open another prompt from its completion.
  mInTextEntry = nullptr;

  const IParam* param = valIdx >= 0 ? pControl->GetParam(valIdx) : nullptr;
  if (!param)
  {
    pControl->OnTextEntryCompletion(str, valIdx);
    return;
  }

  // A text that names no finite value (not a number, "nan", "inf") changes nothing.
  double value = 0.0;
  if (!param->TryParseValue(str, &value))
    return;
  value = param->Constrain(value);
  // The host sees the new value inside a gesture; one this step opens, it closes.
  const int paramIdx = pControl->GetParamIdx(valIdx);
  const bool opened = !HoldsGestures(pControl) && BeginParamGesture(pControl, paramIdx);
  pControl->SetValueFromUserInput(param->NormalizedClamped(value), valIdx);
  if (opened)
    EndParamGesture(pControl, paramIdx);
}

void IGraphics::SetControlValueAfterPopupMenu(IPopupMenu* pMenu)
{
  IControl* pControl = mInPopupMenu;
  IPopupMenu* pShown = mShownMenu;
  const int valIdx = mPopupMenuValIdx;
  const bool isContext = mIsContextMenu;
  const bool inEditor = mMenuInEditor;
  // Cleared first: the control may open another menu from its selection.
  mInPopupMenu = nullptr;
  mShownMenu = nullptr;
  if (!pControl)
    return; // nobody asked, or the control has gone
  HandOverPopupResult(pControl, pMenu, pShown, valIdx, isContext, inEditor);
}

void IGraphics::HandOverPopupResult(IControl* pControl, IPopupMenu* pResult, IPopupMenu* pShown, int valIdx,
                                    bool isContext, bool inEditor)
{
  // The value the menu sets reaches the host inside a gesture: the one begun at the
  // mouse-down, or one opened here.
  if (!HoldsGestures(pControl))
    BeginGesturesFor(pControl);

  // The completion function runs once per showing, with the level where the choice was made.
  // An in-editor menu closed without a choice runs the shown menu's, its index cleared; a
  // dismissed native menu runs none and keeps its index.
  IPopupMenu* pCompleted = pResult;
  if (!pResult && inEditor && pShown)
  {
    pShown->SetChosenItemIdx(-1);
    pCompleted = pShown;
  }
  // The completion may remove the control (its gestures end then), a new control may live at
  // its address afterwards, or it may close the editor.
  pControl = ControlAfter(pControl, [pCompleted](IControl&) {
    if (pCompleted)
      pCompleted->ExecFunction();
  });
  if (!pControl)
    return;
  if (isContext)
    pControl->OnContextSelection(pResult ? pResult->GetChosenItemIdx() : -1);
  else
    pControl->OnPopupMenuSelection(pResult && pResult->GetChosenItemIdx() != -1 ? pResult : nullptr, valIdx);
  EndGesturesFor(pControl);
}

void IGraphics::NotifyPopupMenuItemDeleted(IPopupMenu* pMenu, int itemIdx)
{
  if (mInPopupMenu)
    mInPopupMenu->OnPopupMenuItemDeleted(pMenu, itemIdx);
}

// ---------------------------------------------------------------------------------------
// Size and scale

void IGraphics::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  mDelegate->ConstrainEditorSize(w, h);
  if (!(scale >= mMinScale)) // NaN lands on the minimum too
    scale = mMinScale;
  scale = std::min(mMaxScale, scale);

  if (w == mWidth && h == mHeight && scale == mDrawScale)
    return;

  ReleaseMouseCapture();
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;

  if (mCornerResizer)
    mCornerResizer->OnRescale();

  PlatformResize(mDelegate->RequestEditorResize(WindowWidth(), WindowHeight(), needsPlatformResize));
  ForAllControls(&IControl::OnResize);
  SetAllControlsDirty();
  DrawResize();

  if (mLayoutOnResize)
    mDelegate->ArrangeUI(this);
}

void IGraphics::SetScreenScale(float scale)
{
  mScreenScale = scale;
  PlatformResize(mDelegate->RequestEditorResize(WindowWidth(), WindowHeight(), true));
  ForAllControls(&IControl::OnRescale);
  SetAllControlsDirty();
  DrawResize();
}

void IGraphics::SetScaleConstraints(float lo, float hi)
{
  mMinScale = std::min(lo, hi);
  mMaxScale = std::max(lo, hi);
}

void IGraphics::OnDragResize(float x, float y)
{
  if (mGUISizeMode == EResizeMode::Size)
  {
    Resize(static_cast<int>(x), static_cast<int>(y), mDrawScale, true);
  }
  else
  {
    if (!(mMouseDownX > 0.f && mMouseDownY > 0.f))
      return; // no usable point where the drag began
    const float sx = x * mDrawScale / mMouseDownX;
    const float sy = y * mDrawScale / mMouseDownY;
    Resize(mWidth, mHeight, std::min(sx, sy), true);
  }
}

void IGraphics::EndDragResize()
{
  mResizingInProcess = false;
  if (mGUISizeMode == EResizeMode::Scale)
  {
    ForAllControls(&IControl::OnRescale);
    SetAllControlsDirty();
  }
}

} // namespace igraphics
} // namespace plug
