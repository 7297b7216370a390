#include "graphics/controls/IControlBases.h"

#include <algorithm>
#include <cmath>

#include "graphics/IGraphics.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

namespace {

// Value 0's parameter when its stepped flag is set and its step is above 0, else null (no
// parameter, or an index the parameter list does not hold, counts as not stepped).
const IParam* SteppedParam(const IControl& control)
{
  const IParam* param = control.GetParam(0);
  return (param && param->IsStepped() && param->step > 0.0) ? param : nullptr;
}

// Value 0's parameter has its stepped flag set (whatever its step).
bool SteppedFlagged(const IControl& control)
{
  const IParam* param = control.GetParam(0);
  return param && param->IsStepped();
}

// A real value of the parameter rounded to its step, clamped to its range, normalised and
// clamped to 0..1.
double NormalizedStep(const IParam& param, double value)
{
  return param.NormalizedClamped(param.Constrain(value));
}

bool FineAdjust(const IMouseMod& mod)
{
  return mod.S || mod.C;
}

void ShowCursorAgain(IControl& control, bool hideCursorOnDrag)
{
  if (hideCursorOnDrag)
    if (IGraphics* g = control.GetUI())
      g->HideMouseCursor(false, true);
}

// The start of a knob or slider drag after the drag value is taken: the cursor hides (and
// comes back where it went), a right click prompts for the value.
void StartDrag(IControl& control, bool hideCursorOnDrag, float x, float y, const IMouseMod& mod)
{
  if (hideCursorOnDrag)
    if (IGraphics* g = control.GetUI())
      g->HideMouseCursor(true, true);
  if (mod.R)
    control.PromptUserInput(control.GetValIdxForPos(x, y));
}

// A relative drag over the extent: the pointer's travel over the extent's height (vertical,
// moving up raises the value) or width, divided by the gearing, is added to the unstepped
// drag value, which is stored stepped when the parameter is stepped. A drag that would not
// give a finite change (an extent or gearing of 0) changes nothing.
void DragRelative(IControl& control, double& dragValue, double gearing, EDirection direction, const IRECT& extent,
                  float dX, float dY, const IMouseMod& mod)
{
  if (FineAdjust(mod))
    gearing *= 10.0;
  const double delta = direction == EDirection::Vertical ? static_cast<double>(dY) / (extent.T - extent.B)
                                                         : static_cast<double>(dX) / (extent.R - extent.L);
  const double change = delta / gearing;
  if (std::isfinite(change))
    dragValue = std::clamp(dragValue + change, 0.0, 1.0);

  double value = dragValue;
  if (const IParam* param = SteppedParam(control))
    value = NormalizedStep(*param, param->FromNormalized(value));
  control.SetValue(value);
  control.SetDirty(true);
}

// One wheel event: a stepped parameter moves exactly one step whatever the delta (none for
// a delta of 0); any other value moves by a hundredth of the delta (a thousandth with fine
// adjustment), clamped by SetDirty.
void WheelStep(IControl& control, const IMouseMod& mod, float delta)
{
  double value = control.GetValue();
  if (const IParam* param = SteppedParam(control))
  {
    if (delta != 0.f)
    {
      const double current = param->Constrain(param->FromNormalized(value));
      value = NormalizedStep(*param, current + (delta > 0.f ? param->step : -param->step));
    }
  }
  else
  {
    value += (FineAdjust(mod) ? 0.001 : 0.01) * delta;
  }
  control.SetValue(value);
  control.SetDirty(true);
}

} // namespace

// ---------------------------------------------------------------------------------------
// IButtonControlBase

IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc)
  : IControl(bounds, -1, std::move(actionFunc))
{
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnMouseDown(float, float, const IMouseMod&)
{
  SetValue(1.0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0);
  IControl::OnEndAnimation();
}

// ---------------------------------------------------------------------------------------
// ISwitchControlBase

ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc,
                                       int numStates)
  : IControl(bounds, paramIdx, std::move(actionFunc)), mNumStates(numStates),
    mDisabledState(static_cast<size_t>(std::max(numStates, 0)), false)
{
  mDblAsSingleClick = true;
}

void ISwitchControlBase::OnInit()
{
  const IParam* param = GetParam(0);
  if (!param)
    return;
  // The integer part of the range, plus one, taken in floating point: a wide (or inverted,
  // or not a number) range gives a count between 1 and kMaxStates.
  const double span = std::floor(param->maxValue - param->minValue);
  mNumStates = span >= 0.0 ? static_cast<int>(std::min(span, static_cast<double>(kMaxStates - 1))) + 1 : 1;
}

void ISwitchControlBase::OnMouseDown(float, float, const IMouseMod&)
{
  const double value = GetValue();
  double next = 0.0;
  if (mNumStates == 2)
  {
    next = value == 0.0 ? 1.0 : 0.0;
  }
  else if (mNumStates > 2)
  {
    // Values just above 1 from rounding still count as the last state.
    const double stepped = 1.0 / (mNumStates - 1) + value;
    next = stepped > std::nextafter(1.0, 2.0) ? 0.0 : stepped;
  }
  // One state (or none) has nowhere to go: 0.
  SetValue(next);
  mMouseDown = true;
  SetDirty(true);
}

int ISwitchControlBase::NearestState(double value) const
{
  const int n = std::max(mNumStates, 1);
  const double state = std::floor((n - 1) * value + 0.5);
  return state > 0.0 ? static_cast<int>(std::min(state, static_cast<double>(n - 1))) : 0;
}

void ISwitchControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  mMouseDown = false;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled)
{
  std::fill(mDisabledState.begin(), mDisabledState.end(), disabled);
  SetDirty(false);
}

void ISwitchControlBase::SetStateDisabled(int stateIdx, bool disabled)
{
  if (stateIdx >= 0 && stateIdx < mNumStates && stateIdx < static_cast<int>(mDisabledState.size()))
    mDisabledState[static_cast<size_t>(stateIdx)] = disabled;
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int stateIdx) const
{
  if (stateIdx < 0 || stateIdx >= static_cast<int>(mDisabledState.size()))
    return false;
  return mDisabledState[static_cast<size_t>(stateIdx)];
}

// ---------------------------------------------------------------------------------------
// IKnobControlBase

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc,
                                   EDirection direction, double gearing)
  : IControl(bounds, paramIdx, std::move(actionFunc)), mDirection(direction), mGearing(gearing)
{
}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue();
  StartDrag(*this, mHideCursorOnDrag, x, y, mod);
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  ShowCursorAgain(*this, mHideCursorOnDrag);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod)
{
  DragRelative(*this, mMouseDragValue, mGearing, mDirection, DragBounds(), dX, dY, mod);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float delta)
{
  WheelStep(*this, mod, delta);
}

// ---------------------------------------------------------------------------------------
// ISliderControlBase

ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing,
                                       float handleSize)
  : IControl(bounds, paramIdx), mDirection(direction), mHandleSize(handleSize), mGearing(gearing)
{
}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction,
                                       double gearing, float handleSize)
  : IControl(bounds, std::move(actionFunc)), mDirection(direction), mHandleSize(handleSize), mGearing(gearing)
{
}

void ISliderControlBase::OnResize()
{
  SetTargetRECT(mRECT);
  mMouseIsOver = false;
  mTrackBounds = mRECT;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (!SteppedFlagged(*this))
    SnapToMouse(x, y, mDirection, mTrackBounds);
  mMouseDragValue = GetValue();
  StartDrag(*this, mHideCursorOnDrag, x, y, mod);
}

void ISliderControlBase::OnMouseUp(float, float, const IMouseMod&)
{
  ShowCursorAgain(*this, mHideCursorOnDrag);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if ((mod.touchID != 0 || !mHideCursorOnDrag) && !SteppedFlagged(*this))
  {
    SnapToMouse(x, y, mDirection, mTrackBounds);
    return;
  }
  DragRelative(*this, mMouseDragValue, mGearing, mDirection, mTrackBounds, dX, dY, mod);
}

void ISliderControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float delta)
{
  WheelStep(*this, mod, delta);
}

} // namespace igraphics
} // namespace plug
