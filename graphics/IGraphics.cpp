// The graphics context: construction, the control list with tags and groups, the special
// controls, iteration, peers, the hand-off of prompt results, size and scale, the clock.

#include "graphics/IGraphics.h"

#include <chrono>

#include "graphics/IControls.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "graphics/controls/IVectorBase.h"
#include "plug/IGEditorDelegate.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

IGraphics::IGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
  : mWidth(w), mHeight(h), mFPS(fps), mDrawScale(scale), mDelegate(&dlg)
{
}

IGraphics::~IGraphics()
{
  // Releasing the capture must not call the platform while the context goes.
  mCursorHidden = false;
  RemoveAllControls();
  delete mLiveEdit;
  mLiveEdit = nullptr;
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
  if (!pControl)
    return nullptr;
  if (ctrlTag >= 0 && !mCtrlTags.emplace(ctrlTag, pControl).second)
    return nullptr; // the tag is taken: the control stays the caller's

  try
  {
    pControl->SetDelegate(*mDelegate);
    pControl->SetGraphics(this);
    pControl->OnInit();
    pControl->OnResize();
    pControl->OnRescale();
    pControl->SetGroup(group ? group : "");
    if (!mControls.Add(pControl))
      throw std::bad_alloc();
  }
  catch (...)
  {
    // Not attached: no tag may point at it.
    if (ctrlTag >= 0)
      mCtrlTags.erase(ctrlTag);
    throw;
  }
  pControl->OnAttached();
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
  if (mMouseOver == pControl)
  {
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  if (mInTextEntry == pControl)
    mInTextEntry = nullptr;
  if (mInPopupMenu == pControl)
    mInPopupMenu = nullptr;
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
  // Prompts that are open lose the control they were for.
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;

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

void IGraphics::AttachBackground(const char* /*fileName*/)
{
  ThrowUnavailable("IGraphics::AttachBackground");
}

void IGraphics::AttachSVGBackground(const char* /*fileName*/)
{
  ThrowUnavailable("IGraphics::AttachSVGBackground");
}

void IGraphics::AttachPanelBackground(const IPattern& /*color*/)
{
  ThrowUnavailable("IGraphics::AttachPanelBackground");
}

void IGraphics::AttachCornerResizer(EResizeMode, bool, const IColor&, const IColor&, const IColor&, float)
{
  ThrowUnavailable("IGraphics::AttachCornerResizer");
}

void IGraphics::AttachCornerResizer(ICornerResizerControl*, EResizeMode, bool)
{
  ThrowUnavailable("IGraphics::AttachCornerResizer");
}

void IGraphics::AttachBubbleControl(const IText&)
{
  ThrowUnavailable("IGraphics::AttachBubbleControl");
}

void IGraphics::AttachBubbleControl(IBubbleControl*)
{
  ThrowUnavailable("IGraphics::AttachBubbleControl");
}

void IGraphics::AttachPopupMenuControl(const IText&, const IRECT&)
{
  ThrowUnavailable("IGraphics::AttachPopupMenuControl");
}

void IGraphics::RemovePopupMenuControl()
{
  delete mPopupControl;
  mPopupControl = nullptr;
}

void IGraphics::AttachTextEntryControl()
{
  ThrowUnavailable("IGraphics::AttachTextEntryControl");
}

void IGraphics::RemoveTextEntryControl()
{
  delete mTextEntryControl;
  mTextEntryControl = nullptr;
}

void IGraphics::ShowFPSDisplay(bool /*enable*/)
{
  ThrowUnavailable("IGraphics::ShowFPSDisplay");
}

void IGraphics::ShowBubbleControl(IControl*, float, float, const char*, EDirection, IRECT, ITouchID)
{
  ThrowUnavailable("IGraphics::ShowBubbleControl");
}

// ---------------------------------------------------------------------------------------
// Results of prompts

void IGraphics::SetControlValueAfterTextEdit(const char* /*str*/)
{
  ThrowUnavailable("IGraphics::SetControlValueAfterTextEdit");
}

void IGraphics::SetControlValueAfterPopupMenu(IPopupMenu* /*pMenu*/)
{
  ThrowUnavailable("IGraphics::SetControlValueAfterPopupMenu");
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
