#include "graphics/controls/IVButtonControls.h"

#include "graphics/IGraphics.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IVButtonControl

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool labelInButton, bool valueInButton, EVShape shape)
  : IButtonControlBase(bounds, std::move(actionFunc)), IVectorBase(style, labelInButton, valueInButton)
{
  AttachIControl(this, label);
  mText = style.valueText;
  mShape = shape;
}

void IVButtonControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() != 0.0, mMouseIsOver, mDisabled);
}

void IVButtonControl::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, true));
  mMouseIsOver = false;
  SetDirty(false);
}

bool IVButtonControl::IsHit(float x, float y) const
{
  return mWidgetBounds.Contains(x, y);
}

// ---------------------------------------------------------------------------------------
// IVSwitchControl

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
  : ISwitchControlBase(bounds, paramIdx, SplashActionFunc, 2), IVectorBase(style, false, valueInButton)
{
  SetUp(label);
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, int numStates, bool valueInButton)
  : ISwitchControlBase(bounds, -1, std::move(actionFunc), numStates), IVectorBase(style, false, valueInButton)
{
  SetUp(label);
}

void IVSwitchControl::SetUp(const char* label)
{
  AttachIControl(this, label);
  mText = mStyle.valueText;
  if (mValueInWidget)
    mStyle.valueText.mVAlign = mText.mVAlign = EVAlign::Middle;
}

void IVSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVSwitchControl::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, true));
  mMouseIsOver = false;
  SetDirty(false);
}

bool IVSwitchControl::IsHit(float x, float y) const
{
  return mWidgetBounds.Contains(x, y);
}

void IVSwitchControl::SetDirty(bool triggerAction, int /*valIdx*/)
{
  IControl::SetDirty(triggerAction, -1);
  SetValueStrFromParam(false);
}

void IVSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  SetValueStrFromParam(true);
  SetLabelFromParamName();
}

void IVSwitchControl::OnMouseOut()
{
  IControl::OnMouseOut();
  SetDirty(false);
}

// ---------------------------------------------------------------------------------------
// IVToggleControl

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
  : IVSwitchControl(bounds, paramIdx, label, style, true)
{
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, const char* offText, const char* onText, bool initialState)
  : IVSwitchControl(bounds, std::move(actionFunc), label, style, 2, true)
{
  mOffText.Set(offText ? offText : "");
  mOnText.Set(onText ? onText : "");
  SetValue(initialState ? 1.0 : 0.0);
}

void IVToggleControl::DrawWidget(IGraphics& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() > 0.5, mMouseIsOver, mDisabled);
}

void IVToggleControl::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(GetColor(kHL), mValueBounds, &mBlend);
  g.DrawText(mStyle.valueText, GetValue() > 0.5 ? mOnText.Get() : mOffText.Get(), mValueBounds, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IVTabSwitchControl

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& options,
                                       const char* label, const IVStyle& style, EVShape shape, EDirection direction)
  : ISwitchControlBase(bounds, paramIdx, SplashActionFunc, static_cast<int>(options.size())),
    IVectorBase(style, false, false)
{
  AttachIControl(this, label);
  AddOptions(options, shape, direction);
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc,
                                       const std::vector<const char*>& options, const char* label,
                                       const IVStyle& style, EVShape shape, EDirection direction)
  : ISwitchControlBase(bounds, -1, std::move(actionFunc), static_cast<int>(options.size())),
    IVectorBase(style, false, false)
{
  AttachIControl(this, label);
  AddOptions(options, shape, direction);
}

void IVTabSwitchControl::AddOptions(const std::vector<const char*>& options, EVShape shape, EDirection direction)
{
  mText = mStyle.valueText;
  mShape = shape;
  mDirection = direction;
  for (const char* option : options)
    mTabLabels.push_back(std::make_unique<CharBuf>(option ? option : ""));
  mStyle.valueText.mAlign = mText.mAlign = EAlign::Center;
  mStyle.valueText.mVAlign = mText.mVAlign = EVAlign::Middle;
}

void IVTabSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  const IParam* param = OwnerParam();
  if (!param)
    return;
  if (mTabLabels.empty())
    for (int i = 0; i < mNumStates; ++i)
      mTabLabels.push_back(std::make_unique<CharBuf>(param->DisplayTextForValue(i)));
  SetLabelFromParamName();
}

void IVTabSwitchControl::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, false));
  mMouseIsOver = false;
  mButtons.clear();
  const IRECT& w = mWidgetBounds;
  const int n = std::max(mNumStates, 0);
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == EDirection::Vertical)
      mButtons.emplace_back(w.L, w.T + i * w.H() / n, w.R, w.T + (i + 1) * w.H() / n);
    else
      mButtons.emplace_back(w.L + i * w.W() / n, w.T, w.L + (i + 1) * w.W() / n, w.B);
  }
  SetDirty(false);
}

int IVTabSwitchControl::TabAtPoint(float x, float y) const
{
  for (size_t i = 0; i < mButtons.size(); ++i)
    if (mButtons[i].Contains(x, y))
      return static_cast<int>(i);
  return -1;
}

void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod&)
{
  const int i = TabAtPoint(x, y);
  // With a single option there is nothing to divide: its button sets 0.
  if (i >= 0)
    SetValue(mNumStates > 1 ? static_cast<double>(i) / (mNumStates - 1) : 0.0);
  SetDirty(true);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverButton = TabAtPoint(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseOut()
{
  mMouseOverButton = -1;
  IControl::OnMouseOut();
  SetDirty(false);
}

int IVTabSwitchControl::SelectedState() const
{
  return NearestState(GetValue());
}

ETabSegment IVTabSwitchControl::SegmentOf(int i) const
{
  // A single button counts as the last.
  if (i == mNumStates - 1)
    return ETabSegment::End;
  return i == 0 ? ETabSegment::Start : ETabSegment::Mid;
}

const char* IVTabSwitchControl::SelectedOptionText() const
{
  const int i = SelectedState();
  if (i < 0 || i >= NOptions())
    return "";
  return GetOptionText(i);
}

void IVTabSwitchControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTabSwitchControl::DrawWidget(IGraphics& g)
{
  const int selected = SelectedState();
  const int n = std::min(mNumStates, NButtons());
  for (int i = 0; i < n; ++i)
  {
    const IRECT& r = mButtons[static_cast<size_t>(i)];
    const ETabSegment segment = SegmentOf(i);
    const bool disabled = StateLooksDisabled(i);
    DrawTabButton(g, r, i == selected, i == mMouseOverButton, segment, disabled);
    if (i < NOptions())
      DrawTabText(g, r, i == selected, i == mMouseOverButton, segment, disabled, GetOptionText(i));
  }
}

void IVTabSwitchControl::DrawTabButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver,
                                       ETabSegment segment, bool disabled)
{
  const bool horizontal = mDirection == EDirection::Horizontal;
  switch (mShape)
  {
    case EVShape::AllRounded:
      if (horizontal)
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, true, true, false, false);
      else
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, true, false, true);
      break;
    case EVShape::EndsRounded:
    {
      // Only the outer corners of the row round off.
      const bool first = segment == ETabSegment::Start, last = segment == ETabSegment::End;
      if (horizontal)
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, first, last, false, false);
      else
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, first, false, last);
      break;
    }
    default: DrawPressableShape(g, mShape, r, pressed, mouseOver, disabled); break;
  }
}

void IVTabSwitchControl::DrawTabText(IGraphics& g, const IRECT& r, bool, bool, ETabSegment, bool, const char* text)
{
  if (text && text[0])
    g.DrawText(mStyle.valueText, text, r, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IVRadioButtonControl

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& options,
                                           const char* label, const IVStyle& style, EVShape shape,
                                           EDirection direction, float buttonSize)
  : IVTabSwitchControl(bounds, paramIdx, options, label, style, shape, direction), mButtonSize(buttonSize),
    mButtonAreaWidth(3.f * buttonSize)
{
  AlignText();
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                                           const std::vector<const char*>& options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
  : IVTabSwitchControl(bounds, std::move(actionFunc), options, label, style, shape, direction),
    mButtonSize(buttonSize), mButtonAreaWidth(3.f * buttonSize)
{
  AlignText();
}

void IVRadioButtonControl::AlignText()
{
  mStyle.valueText.mAlign = mText.mAlign = EAlign::Near;
  mStyle.valueText.mVAlign = mText.mVAlign = EVAlign::Middle;
}

void IVRadioButtonControl::DrawWidget(IGraphics& g)
{
  const int selected = SelectedState();
  const int n = std::min(mNumStates, NButtons());
  const float side = std::max(1.f, mButtonSize);
  for (int i = 0; i < n; ++i)
  {
    const IRECT& r = mButtons[static_cast<size_t>(i)];
    const IRECT button = ButtonArea(r).GetCentredInside(side, side);
    DrawTabButton(g, button, i == selected, i == mMouseOverButton, ETabSegment::Mid, StateLooksDisabled(i));
    if (i < NOptions())
    {
      const IText text = mStyle.valueText.WithFGColor(GetColor(i == selected ? kPR : kX1));
      g.DrawText(text, GetOptionText(i), IRECT(r.L + mButtonAreaWidth, r.T, r.R, r.B), &mBlend);
    }
  }
}

int IVRadioButtonControl::TabAtPoint(float x, float y) const
{
  if (!mOnlyButtonsRespondToMouse)
    return IVTabSwitchControl::TabAtPoint(x, y);
  for (size_t i = 0; i < mButtons.size(); ++i)
  {
    if (ButtonArea(mButtons[i]).Contains(x, y))
      return static_cast<int>(i);
  }
  return -1;
}

} // namespace igraphics
} // namespace plug
