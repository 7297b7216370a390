#include "graphics/controls/IVMiscControls.h"

#include <algorithm>
#include <string>

#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IVLabelControl

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* str, const IVStyle& style)
  : ITextControl(bounds, str, DEFAULT_TEXT, COLOR_TRANSPARENT, false), IVectorBase(style)
{
  AttachIControl(this, str);
  mText = style.valueText;
}

void IVLabelControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  if (mStr.GetLength() > 0)
  {
    if (mStyle.drawShadows && !mDisabled)
    {
      const float offset = mStyle.shadowOffset;
      g.DrawText(mStyle.valueText.WithFGColor(GetColor(kSH)), mStr.Get(), mRECT.GetTranslated(offset, offset),
                 &mBlend);
    }
    g.DrawText(mStyle.valueText, mStr.Get(), mRECT, &mBlend);
  }
  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mRECT, &mBlend, mStyle.frameThickness);
}

// ---------------------------------------------------------------------------------------
// IVSlideSwitchControl

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction)
  : IVSwitchControl(bounds, paramIdx, label, style, valueInButton)
{
  SetUpSlide(direction);
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
  : IVSwitchControl(bounds, nullptr, label, style, numStates, valueInButton)
{
  // The state as a value: state i of n is i / (n - 1).
  const double value = mNumStates > 1 ? static_cast<double>(initialState) / (mNumStates - 1) : 0.0;
  SetValue(std::clamp(value, 0.0, 1.0));
  SetUpSlide(direction);
  // The action waits for the slide.
  SetAnimationEndActionFunction(std::move(actionFunc));
}

void IVSlideSwitchControl::SetUpSlide(EDirection direction)
{
  mDirection = direction;
  SetActionFunction([this](IControl*) { SetAnimation([this](IControl*) { SlideStep(); }, kSlideDurationMs); });
}

int IVSlideSwitchControl::SelectedState() const
{
  return NearestState(GetValue());
}

void IVSlideSwitchControl::UpdateRects()
{
  const int n = std::max(mNumStates, 1);
  const IRECT& w = mWidgetBounds;
  auto slot = [&](int i) {
    if (mDirection == EDirection::Horizontal)
      return IRECT(w.L + i * w.W() / n, w.T, w.L + (i + 1) * w.W() / n, w.B);
    return IRECT(w.L, w.T + i * w.H() / n, w.R, w.T + (i + 1) * w.H() / n);
  };
  const int s = SelectedState();
  mStartRect = mHandleRect = slot(s);
  mEndRect = slot((s + 1) % n);
  if (mValueInWidget)
    mValueBounds = mHandleRect;
}

void IVSlideSwitchControl::SlideStep()
{
  const double progress = GetAnimationProgress();
  if (progress > 1.0)
  {
    OnEndAnimation();
    return;
  }
  const float p = static_cast<float>(progress);
  auto between = [p](float a, float b) { return a + (b - a) * p; };
  mHandleRect = IRECT(between(mStartRect.L, mEndRect.L), between(mStartRect.T, mEndRect.T),
                      between(mStartRect.R, mEndRect.R), between(mStartRect.B, mEndRect.B));
  if (mValueInWidget)
    mValueBounds = mHandleRect;
}

void IVSlideSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (!mAnimationFunc)
    DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(IGraphics& g)
{
  DrawSlideTrack(g, mWidgetBounds);
  DrawSlideHandle(g, mHandleRect);
}

void IVSlideSwitchControl::DrawSlideTrack(IGraphics& g, const IRECT& bounds)
{
  g.FillRoundRect(GetColor(kSH), bounds, GetRoundedCornerRadius(bounds));
}

void IVSlideSwitchControl::DrawSlideHandle(IGraphics& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVSlideSwitchControl::OnResize()
{
  IVSwitchControl::OnResize();
  UpdateRects();
}

void IVSlideSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IVSwitchControl::SetDirty(triggerAction, valIdx);
  // A click starts the slide here (its action), so the handle leaves from the old slot.
  if (!mAnimationFunc)
    UpdateRects();
}

void IVSlideSwitchControl::OnEndAnimation()
{
  UpdateRects();
  IVSwitchControl::OnEndAnimation();
}

// ---------------------------------------------------------------------------------------
// IVMenuButtonControl

namespace {

// The inner button's style: the value centred in the button.
IVStyle InnerButtonStyle(const IVStyle& style)
{
  return style.WithValueText(style.valueText.WithVAlign(EVAlign::Middle));
}

} // namespace

IVMenuButtonControl::IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                         EVShape shape)
  : IContainerBase(bounds), IVectorBase(style)
{
  SetParamIdx(paramIdx);
  AttachIControl(this, "");
  mText = style.valueText;
  mDisablePrompt = false;

  SetAttachFunc([label = std::string(label ? label : ""), style, shape](IContainerBase* pContainer,
                                                                        const IRECT& r) {
    auto* self = static_cast<IVMenuButtonControl*>(pContainer);
    auto* button =
      new IVButtonControl(r, SplashActionFunc, label.c_str(), InnerButtonStyle(style), false, true, shape);
    if (!self->AddChildControl(button))
    {
      delete button;
      return;
    }
    self->mInnerButton = button;
    self->RefreshInnerButton();
    // When the splash has run, the parameter's menu or text entry opens over the button.
    button->SetAnimationEndActionFunction([self](IControl*) {
      if (IVButtonControl* inner = self->GetInnerButton())
        self->PromptUserInputAt(inner->GetWidgetBounds(), 0);
    });
  });
  SetResizeFunc([](IContainerBase* pContainer, const IRECT& r) {
    if (IVButtonControl* inner = static_cast<IVMenuButtonControl*>(pContainer)->GetInnerButton())
      inner->SetTargetAndDrawRECTs(r);
  });
}

IVMenuButtonControl::~IVMenuButtonControl()
{
  // The button outlives the container in the graphics context: it must not call back.
  if (IVButtonControl* inner = GetInnerButton())
    inner->SetAnimationEndActionFunction(nullptr);
}

IVButtonControl* IVMenuButtonControl::GetInnerButton() const
{
  // A button deleted on its own has left the child list.
  return mInnerButton && mChildren.Find(mInnerButton) >= 0 ? mInnerButton : nullptr;
}

void IVMenuButtonControl::SetInnerValueStr(const char* str)
{
  IVButtonControl* inner = GetInnerButton();
  if (!inner)
    return;
  inner->SetValueStr(str);
  inner->SetDirty(false);
  inner->StyleChanged();
}

void IVMenuButtonControl::RefreshInnerButton()
{
  if (!GetParam(0))
    return;
  // The container draws no value of its own: its value string holds the button's text.
  SetValueStrFromParam(true);
  SetInnerValueStr(mValueStr.Get());
}

void IVMenuButtonControl::SetValueFromDelegate(double value, int valIdx)
{
  IContainerBase::SetValueFromDelegate(value, valIdx);
  RefreshInnerButton();
}

void IVMenuButtonControl::SetValueFromUserInput(double value, int valIdx)
{
  if (!ValidValIdx(valIdx) || value == GetValue(valIdx))
    return;
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
  RefreshInnerButton();
}

void IVMenuButtonControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx)
{
  if (pSelectedMenu)
  {
    const IPopupMenu::Item* chosen = pSelectedMenu->GetChosenItem();
    SetInnerValueStr(chosen ? chosen->GetText() : "");
  }
  IContainerBase::OnPopupMenuSelection(pSelectedMenu, valIdx);
}

void IVMenuButtonControl::SetStyle(const IVStyle& style)
{
  IVectorBase::SetStyle(style);
  if (IVButtonControl* inner = GetInnerButton())
    inner->SetStyle(InnerButtonStyle(style));
}

} // namespace igraphics
} // namespace plug
