#include "graphics/IControl.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "graphics/IGraphics.h"
#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/IVectorBase.h"
#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

uint64_t IControl::NextToken()
{
  static std::atomic<uint64_t> sNext{1};
  return sNext.fetch_add(1, std::memory_order_relaxed);
}

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  mVals.push_back({paramIdx, 0.0});
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  for (int idx : params)
    mVals.push_back({idx, 0.0});
}

IControl::IControl(const IRECT& bounds, IActionFunction actionFunc) : IControl(bounds, -1, std::move(actionFunc)) {}

IControl::~IControl()
{
  // A child that goes first leaves its container's list, so the container never reaches it.
  if (mParent)
    mParent->RemoveChildControl(this);
}

// ---------------------------------------------------------------------------------------
// Events

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.R)
    PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod& /*mod*/)
{
  PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = true;
  if (!wasOver)
    SetDirty(false);
}

void IControl::OnMouseOut()
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = false;
  if (wasOver)
    SetDirty(false);
}

void IControl::OnDropMultiple(const std::vector<const char*>& paths)
{
  if (!paths.empty())
    OnDrop(paths.front());
}

bool IControl::OnGesture(const IGestureInfo& info)
{
  auto it = mGestureFuncs.find(static_cast<int>(info.type));
  if (it == mGestureFuncs.end())
    return false;
  mLastGesture = info.type;
  IGestureFunction func = it->second; // the handler may replace itself
  func(this, info);
  return true;
}

void IControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx)
{
  if (!pSelectedMenu || !ValidValIdx(valIdx) || GetParamIdx(valIdx) < 0 || mDisablePrompt)
    return;
  const IParam* param = GetParam(valIdx);
  if (!param)
    return;
  const double value = param->Constrain(static_cast<double>(pSelectedMenu->GetChosenItemIdx()));
  SetValueFromUserInput(param->NormalizedClamped(value), valIdx);
}

// ---------------------------------------------------------------------------------------
// Drawing

void IControl::DrawHostHighlight(IGraphics& g)
{
  if (mHighlighted)
    g.FillCircle(mHighlightColor, mTargetRECT.R - 5.f, mTargetRECT.T + 5.f, 2.f);
}

// ---------------------------------------------------------------------------------------
// Values

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  if (!ValidValIdx(valIdx))
    throw std::out_of_range("IControl::SetParamIdx: value index out of range");
  mVals[static_cast<size_t>(valIdx)].idx = paramIdx;
  SetDirty(false);
}

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  // A control being dragged is not pulled back by the echo of its own value.
  if (mGraphics && mGraphics->IsControlCaptured(this))
    return;
  if (!ValidValIdx(valIdx))
    return;
  const double current = GetValue(valIdx);
  if (value != current || std::isnan(value) || std::isnan(current))
  {
    SetValue(value, valIdx);
    SetDirty(false);
  }
  else if (mDrawsParamText && GetParam(valIdx))
  {
    SetDirty(false);
  }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (!ValidValIdx(valIdx))
    return;
  if (value != GetValue(valIdx))
  {
    SetValue(value, valIdx);
    SetDirty(true, valIdx);
  }
}

void IControl::SetValueToDefault(int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;
  auto setDefault = [this](int i) {
    if (const IParam* param = GetParam(i))
      SetValue(param->NormalizedClamped(param->Constrain(param->defaultValue)), i);
  };
  if (valIdx < 0)
  {
    for (int i = 0; i < NVals(); ++i)
      setDefault(i);
  }
  else if (ValidValIdx(valIdx))
  {
    setDefault(valIdx);
  }
  SetDirty(true, valIdx);
}

void IControl::SetValue(double value, int valIdx)
{
  if (ValidValIdx(valIdx))
    mVals[static_cast<size_t>(valIdx)].value = value;
}

IParam* IControl::GetParam(int valIdx) const
{
  const int idx = GetParamIdx(valIdx);
  if (idx < 0 || !mDelegate)
    return nullptr;
  return mDelegate->GetParam(idx);
}

int IControl::LinkedToParam(int paramIdx) const
{
  // -1 too finds the first value bound to no parameter.
  for (int i = 0; i < NVals(); ++i)
    if (mVals[static_cast<size_t>(i)].idx == paramIdx)
      return i;
  return -1;
}

// ---------------------------------------------------------------------------------------
// Appearance and state

void IControl::SetPosition(float x, float y)
{
  x = std::max(x, 0.f);
  y = std::max(y, 0.f);
  const float targetX = mTargetRECT.L - mRECT.L + x;
  const float targetY = mTargetRECT.T - mRECT.T + y;
  mRECT = IRECT::MakeXYWH(x, y, mRECT.W(), mRECT.H());
  mMouseIsOver = false;
  OnResize();
  mTargetRECT = IRECT::MakeXYWH(targetX, targetY, mTargetRECT.W(), mTargetRECT.H());
  mMouseIsOver = false; // also when OnResize set it
}

void IControl::SetSize(float w, float h)
{
  w = std::max(w, 0.f);
  h = std::max(h, 0.f);
  mRECT = IRECT::MakeXYWH(mRECT.L, mRECT.T, w, h);
  mTargetRECT = mRECT;
  mMouseIsOver = false;
  OnResize();
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mBlend.mWeight = disable ? kDisabledWeight : 1.f;
  mDisabled = disable;
  SetDirty(false);
}

bool IControl::IsHit(float x, float y) const
{
  return mTargetRECT.Contains(x, y);
}

void IControl::ClampAndStore(int valIdx)
{
  const double v = GetValue(valIdx);
  // NaN has no place in 0..1: it becomes 0, like any value below the range.
  SetValue(std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0), valIdx);
}

void IControl::CommitToParam(int valIdx)
{
  const int paramIdx = GetParamIdx(valIdx);
  if (paramIdx < 0)
    return;
  if (mDelegate)
    mDelegate->SetParamValueFromUI(paramIdx, GetValue(valIdx));
  if (mGraphics)
    mGraphics->UpdatePeers(this, valIdx);
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  if (NVals() == 1)
    valIdx = 0;

  if (valIdx >= NVals())
  {
    mDirty = true; // no such value: nothing to commit
    return;
  }

  // The one value, or all of them for -1.
  const int first = valIdx >= 0 ? valIdx : 0;
  const int end = valIdx >= 0 ? valIdx + 1 : NVals();
  for (int i = first; i < end; ++i)
    ClampAndStore(i);
  mDirty = true;
  if (!triggerAction)
    return;
  for (int i = first; i < end; ++i)
    CommitToParam(i);

  if (mActionFunc)
  {
    IActionFunction func = mActionFunc; // the action may replace itself
    func(this);
  }
}

bool IControl::IsDirty()
{
  if (mAnimationFunc)
    return true;
  return mDirty;
}

void IControl::SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx, double minClip,
                           double maxClip)
{
  x = std::clamp(x, bounds.L, bounds.R);
  y = std::clamp(y, bounds.T, bounds.B);
  double v = 0.0;
  if (direction == EDirection::Horizontal)
    v = bounds.W() > 0.f ? static_cast<double>(x - bounds.L) / bounds.W() : 0.0;
  else
    v = bounds.H() > 0.f ? 1.0 - static_cast<double>(y - bounds.T) / bounds.H() : 0.0;
  v = std::round(v / 0.001) * 0.001;
  v = std::clamp(v, minClip, maxClip);

  if (valIdx < 0)
  {
    for (int i = 0; i < NVals(); ++i)
      SetValue(v, i);
  }
  else
  {
    SetValue(v, valIdx);
  }
  SetDirty(true, valIdx);
}

void IControl::OnEndAnimation()
{
  mAnimationFunc = nullptr;
  SetDirty(false);
  if (mAnimationEndActionFunc)
  {
    IActionFunction func = mAnimationEndActionFunc;
    func(this);
  }
}

// ---------------------------------------------------------------------------------------
// Prompts

bool IControl::CanPrompt(int valIdx) const
{
  return ValidValIdx(valIdx) && GetParamIdx(valIdx) >= 0 && !mDisablePrompt && mGraphics && GetParam(valIdx);
}

void IControl::PromptUserInput(int valIdx)
{
  if (!CanPrompt(valIdx))
    return;
  // A parameter with display texts gets a menu of choices over the whole control.
  const IRECT area = GetParam(valIdx)->DisplayTextCount() > 0
                       ? mRECT
                       : IRECT(mRECT.MW() - 20.f, mRECT.MH() - 8.f, mRECT.MW() + 20.f, mRECT.MH() + 8.f);
  mGraphics->PromptUserInput(*this, area, valIdx);
  SetDirty(false);
}

void IControl::PromptUserInputAt(const IRECT& bounds, int valIdx)
{
  if (CanPrompt(valIdx))
    mGraphics->PromptUserInput(*this, bounds, valIdx);
}

// ---------------------------------------------------------------------------------------
// Animation

double IControl::NowMs() const
{
  return mGraphics ? mGraphics->GetClockMs() : IGraphics::SteadyClockMs();
}

void IControl::StartAnimation(int durationMs)
{
  mAnimationStartTime = NowMs();
  mAnimationDuration = durationMs;
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFunc)
    return 0.0;
  // An animation of no length is over as soon as it is looked at (0 / 0 would never end it).
  if (!(mAnimationDuration > 0.0))
    return std::numeric_limits<double>::infinity();
  return (NowMs() - mAnimationStartTime) / mAnimationDuration;
}

// ---------------------------------------------------------------------------------------
// Gestures and host highlight

IControl* IControl::AttachGestureRecognizer(EGestureType type, IGestureFunction func)
{
  mGestureFuncs[static_cast<int>(type)] = std::move(func);
  if (mGraphics)
    mGraphics->AddGestureRecognizer(type);
  return this;
}

void IControl::SetHostHighlight(bool highlighted, int colourIndex)
{
  switch (colourIndex)
  {
    case 0: mHighlightColor = COLOR_RED; break;
    case 1: mHighlightColor = COLOR_BLUE; break;
    case 2: mHighlightColor = COLOR_GREEN; break;
    case 3: mHighlightColor = COLOR_YELLOW; break;
    default: break;
  }
  mHighlighted = highlighted;
  SetDirty(false);
}

// ---------------------------------------------------------------------------------------
// Action functions

void IControl::DefaultClickActionFunc(IControl* caller)
{
  caller->SetAnimation(DefaultAnimationFunc, kDefaultAnimationDurationMs);
}

void IControl::DefaultAnimationFunc(IControl* caller)
{
  if (caller->GetAnimationFunction() && caller->GetAnimationProgress() > 1.0)
    caller->OnEndAnimation();
}

void IControl::SplashActionFunc(IControl* caller)
{
  // Only vector controls splash; any other control has nothing to draw it with.
  IVectorBase* vectorBase = dynamic_cast<IVectorBase*>(caller);
  if (!vectorBase)
    return;
  if (IGraphics* g = caller->GetUI())
  {
    float x = 0.f, y = 0.f;
    g->GetLastMouseDownPoint(x, y);
    vectorBase->SetSplashPoint(x, y);
  }
  vectorBase->StyleChanged();
  caller->SetAnimation(SplashAnimationFunc, kDefaultAnimationDurationMs);
}

void IControl::SplashAnimationFunc(IControl* caller)
{
  const double progress = caller->GetAnimationProgress();
  if (progress > 1.0)
  {
    caller->OnEndAnimation();
    return;
  }
  if (IVectorBase* vectorBase = dynamic_cast<IVectorBase*>(caller))
  {
    vectorBase->SetSplashRadius(static_cast<float>(progress) * vectorBase->GetMaxSplashRadius());
    vectorBase->StyleChanged();
  }
  caller->SetDirty(false);
}

namespace {
void ShowValueBubble(IControl* caller, float x, float y, EDirection dir)
{
  IGraphics* g = caller->GetUI();
  const IParam* param = caller->GetParam(0);
  if (!g || !param)
    return;
  CharBuf display(128);
  param->GetDisplayWithLabel(display, true);
  g->ShowBubbleControl(caller, x, y, display.Get(), dir, IRECT(0.f, 0.f, 50.f, 30.f));
}
} // namespace

void IControl::ShowBubbleHorizontalActionFunc(IControl* caller)
{
  const IRECT& r = caller->GetRECT();
  ShowValueBubble(caller, r.R, r.MH(), EDirection::Horizontal);
}

void IControl::ShowBubbleVerticalActionFunc(IControl* caller)
{
  const IRECT& r = caller->GetRECT();
  ShowValueBubble(caller, r.MW(), r.B, EDirection::Vertical);
}

} // namespace igraphics
} // namespace plug
