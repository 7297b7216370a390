#include "graphics/controls/IVectorBase.h"

#include <cmath>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "plug/IParam.h"

namespace plug {
namespace igraphics {

namespace {
// The highlight laid over the value text while the mouse is over it.
constexpr IColor kValueMouseOverColor(10, 0, 0, 0);
} // namespace

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
  : mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
{
  // Only this base exists yet, so an override of StyleChanged does not run here.
  IVectorBase::SetStyle(style);
}

void IVectorBase::SetStyle(const IVStyle& style)
{
  mStyle = style;
  StyleChanged();
}

void IVectorBase::AttachIControl(IControl* pControl, const char* label)
{
  mControl = pControl;
  mLabelStr.Set(label);
}

const IBlend* IVectorBase::OwnerBlend() const
{
  return mControl ? &mControl->GetBlend() : nullptr;
}

bool IVectorBase::SplashRuns() const
{
  return mControl && static_cast<bool>(mControl->GetAnimationFunction());
}

const IParam* IVectorBase::OwnerParam() const
{
  return mControl ? mControl->GetParam(0) : nullptr;
}

void IVectorBase::SetValueStrFromParam(bool withLabel)
{
  const IParam* param = OwnerParam();
  if (!param)
    return;
  // Every vector control that shows its parameter's text takes it here.
  mControl->SetDrawsParamText(true);
  if (withLabel)
    param->GetDisplayWithLabel(mValueStr, true);
  else
    param->FormatValue(param->Value(), false, mValueStr, true);
}

void IVectorBase::SetLabelFromParamName()
{
  const IParam* param = OwnerParam();
  if (param && mLabelStr.GetLength() == 0)
    mLabelStr.Set(param->NameText());
}

bool IVectorBase::ValuePromptHit(float x, float y) const
{
  return mControl && !mControl->GetPromptDisabled() && mValueBounds.Contains(x, y);
}

bool IVectorBase::PromptFromValue(float x, float y)
{
  // A value that cannot be edited is no button: the click goes to the widget beneath.
  if (!mStyle.showValue || !ValuePromptHit(x, y))
    return false;
  mControl->PromptUserInputAt(mValueBounds, 0);
  return true;
}

// ---------------------------------------------------------------------------------------
// Layout

void IVectorBase::ComputeRectsWithWidgetAsTarget()
{
  if (!mControl)
    return;
  ComputeRects(mControl->GetRECT(), false);
  mControl->SetTargetRECT(mWidgetBounds);
}

IRECT IVectorBase::ComputeRects(const IRECT& parent, bool hasHandle)
{
  IRECT area = parent;
  IGraphics* g = mControl ? mControl->GetUI() : nullptr;

  if (!mLabelInWidget)
  {
    if (!mStyle.showLabel || mLabelStr.GetLength() == 0)
    {
      mLabelBounds = IRECT();
    }
    else
    {
      IRECT textBounds;
      const float w = g ? g->MeasureText(mStyle.labelText, mLabelStr.Get(), textBounds) : 0.f;
      const float h = textBounds.H();
      IRECT slot;
      bool sideKnown = true;
      switch (mStyle.labelSide)
      {
        case 0: slot = IRECT(parent.L, parent.T, parent.R, parent.T + h); break;
        case 1: slot = IRECT(parent.R - w, parent.T, parent.R, parent.B); break;
        case 2: slot = IRECT(parent.L, parent.B - h, parent.R, parent.B); break;
        case 3: slot = IRECT(parent.L, parent.T, parent.L + w, parent.B); break;
        default: sideKnown = false; break;
      }
      if (sideKnown)
      {
        const float labelW = std::max(w, 1.f);
        mLabelBounds = slot.GetCentredInside(labelW, h > 0.f ? h : labelW);
      }
    }

    if (!mLabelBounds.Empty())
    {
      switch (mStyle.labelSide)
      {
        case 0: area.T += mLabelBounds.H(); break;
        case 1: area.R -= mLabelBounds.W(); break;
        case 2: area.B -= mLabelBounds.H(); break;
        case 3: area.L += mLabelBounds.W(); break;
        default: break;
      }
    }
  }

  if (!mStyle.showValue || mValueInWidget)
  {
    mWidgetBounds = area.GetScaledAboutCentre(mStyle.widgetFrac);
  }
  else
  {
    IRECT textBounds;
    float w = 0.f;
    if (g && mValueStr.GetLength() > 0)
      w = g->MeasureText(mStyle.valueText, mValueStr.Get(), textBounds);
    const float h = textBounds.H();
    const float hw = w * mValueWidthFactor;
    const float cx = area.MW();
    switch (mStyle.valueText.mVAlign)
    {
      case EVAlign::Top:
        mValueBounds = IRECT(cx - hw, area.T, cx + hw, area.T + h);
        mWidgetBounds = IRECT(area.L, area.T + h, area.R, area.B).GetScaledAboutCentre(mStyle.widgetFrac);
        break;
      case EVAlign::Bottom:
        mValueBounds = IRECT(cx - hw, area.B - h, cx + hw, area.B);
        mWidgetBounds = IRECT(area.L, area.T, area.R, area.B - h).GetScaledAboutCentre(mStyle.widgetFrac);
        break;
      case EVAlign::Middle:
      {
        const float cy = area.MH();
        mValueBounds = IRECT(cx - hw, cy - 0.5f * h, cx + hw, cy + 0.5f * h);
        mWidgetBounds = area.GetScaledAboutCentre(mStyle.widgetFrac);
        break;
      }
      default: break;
    }
  }

  if (hasHandle)
    mWidgetBounds = GetAdjustedHandleBounds(area).GetScaledAboutCentre(mStyle.widgetFrac);

  if (mLabelInWidget)
    mLabelBounds = mWidgetBounds;
  if (mValueInWidget)
    mValueBounds = mWidgetBounds;

  return area;
}

// ---------------------------------------------------------------------------------------
// Background, label, value

void IVectorBase::DrawBackground(IGraphics& g, const IRECT& r)
{
  g.FillRect(GetColor(kBG), r, OwnerBlend());
}

void IVectorBase::DrawLabel(IGraphics& g)
{
  if (mLabelBounds.H() != 0.f && mStyle.showLabel)
    g.DrawText(mStyle.labelText, mLabelStr.Get(), mLabelBounds, OwnerBlend());
}

void IVectorBase::DrawValue(IGraphics& g, bool mouseOver)
{
  if (mouseOver)
    g.FillRect(kValueMouseOverColor, mValueBounds);
  if (mStyle.showValue)
    g.DrawText(mStyle.valueText, mValueStr.Get(), mValueBounds, OwnerBlend());
}

// ---------------------------------------------------------------------------------------
// Pressable shapes

IRECT IVectorBase::GetAdjustedHandleBounds(const IRECT& bounds) const
{
  IRECT handle = bounds;
  if (mStyle.drawFrame)
    handle = handle.GetPadded(-0.5f * mStyle.frameThickness);
  if (mStyle.drawShadows)
    handle = handle.GetPadded(mStyle.shadowOffset, 0.f, -mStyle.shadowOffset, -mStyle.shadowOffset);
  return handle;
}

float IVectorBase::GetRoundedCornerRadius(const IRECT& bounds) const
{
  return std::min(bounds.W(), bounds.H()) * 0.5f * mStyle.roundness;
}

void IVectorBase::DrawSplash(IGraphics& g, const IRECT& clipRegion)
{
  g.ClipToRegion(clipRegion);
  g.FillCircle(GetColor(kHL), mSplashX, mSplashY, mSplashRadius);
  g.ClipToRegion(IRECT());
}

IRECT IVectorBase::DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                          bool disabled, bool rtl, bool rtr, bool rbl, bool rbr)
{
  const IBlend* blend = OwnerBlend();
  const float offset = mStyle.shadowOffset;
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const IRECT inner = handle.GetPadded(-offset);
  const IRECT shadow = handle.GetTranslated(offset, offset);
  const IRECT offsetRect(handle.L + offset, handle.T + offset, handle.R, handle.B);
  const float contrast = disabled ? kDisabledContrast : 0.f;

  const float r = GetRoundedCornerRadius(handle);
  const float tl = rtl ? r : 0.f, tr = rtr ? r : 0.f, bl = rbl ? r : 0.f, br = rbr ? r : 0.f;
  auto fill = [&](const IColor& c, const IRECT& rect, const IBlend* b) { g.FillRoundRect(c, rect, tl, tr, bl, br, b); };

  if (!pressed)
  {
    if (mStyle.drawShadows)
      fill(GetColor(kSH), shadow, blend);
    if (mStyle.emboss)
    {
      fill(GetColor(kPR).WithContrast(contrast), handle, nullptr);
      fill(GetColor(kSH).WithContrast(contrast), shadow, nullptr);
      fill(GetColor(kFG).WithContrast(contrast), inner, nullptr);
      if (mouseOver)
        fill(GetColor(kHL), inner, blend);
    }
    else
    {
      fill(GetColor(kFG).WithContrast(contrast), handle, nullptr);
      if (mouseOver)
        fill(GetColor(kHL), handle, blend);
    }
  }
  else
  {
    if (mStyle.emboss)
    {
      fill(GetColor(kPR), handle, blend);
      fill(GetColor(kSH), handle, blend);
      fill(GetColor(kFG).WithContrast(contrast), offsetRect, nullptr);
      fill(GetColor(kPR), inner, blend);
    }
    else
    {
      fill(GetColor(kPR).WithContrast(contrast), handle, nullptr);
    }
    if (SplashRuns())
      DrawSplash(g, handle);
  }

  if (mStyle.drawFrame)
    g.DrawRoundRect(GetColor(kFR), handle, tl, tr, bl, br, blend, mStyle.frameThickness);

  return handle;
}

IRECT IVectorBase::DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                        bool disabled)
{
  const IBlend* blend = OwnerBlend();
  const float offset = mStyle.shadowOffset;
  const IRECT& handle = bounds;
  const IRECT inner = handle.GetPadded(-offset);
  const IRECT shadow = handle.GetTranslated(offset, offset);
  const IRECT offsetRect(handle.L + offset, handle.T + offset, handle.R, handle.B);
  const float contrast = disabled ? kDisabledContrast : 0.f;

  if (!pressed && !disabled && mStyle.drawShadows)
    g.FillEllipse(GetColor(kSH), shadow);

  if (!pressed)
  {
    if (mStyle.emboss)
    {
      g.FillEllipse(GetColor(kPR).WithContrast(contrast), handle);
      g.FillEllipse(GetColor(kSH).WithContrast(contrast), shadow);
      g.FillEllipse(GetColor(kFG).WithContrast(contrast), inner);
      if (mouseOver)
        g.FillEllipse(GetColor(kHL), inner, blend);
    }
    else
    {
      g.FillEllipse(GetColor(kFG).WithContrast(contrast), handle);
      if (mouseOver)
        g.FillEllipse(GetColor(kHL), handle, blend);
    }
  }
  else
  {
    if (mStyle.emboss)
    {
      g.FillEllipse(GetColor(kPR), handle, blend);
      g.FillEllipse(GetColor(kSH), handle, blend);
      g.FillEllipse(GetColor(kFG).WithContrast(contrast), offsetRect);
      g.FillEllipse(GetColor(kPR).WithContrast(contrast), inner);
    }
    else
    {
      g.FillEllipse(GetColor(kPR).WithContrast(contrast), handle);
    }
    if (SplashRuns())
      DrawSplash(g, handle);
  }

  if (mStyle.drawFrame)
    g.DrawEllipse(GetColor(kFR), handle, blend, mStyle.frameThickness);

  return handle;
}

IRECT IVectorBase::DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                         float angle, bool disabled)
{
  const IBlend* blend = OwnerBlend();
  const float offset = mStyle.shadowOffset;
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float contrast = disabled ? kDisabledContrast : 0.f;

  const float cx = handle.MW(), cy = handle.MH();
  float x[3] = {handle.L, cx, handle.R};
  float y[3] = {handle.B, handle.T, handle.B};
  const double a = angle / 180.0 * 3.14159265358979323846;
  const double c = std::cos(a), s = std::sin(a);
  for (int i = 0; i < 3; ++i)
  {
    const double dx = x[i] - cx, dy = y[i] - cy;
    x[i] = static_cast<float>(cx + dx * c - dy * s);
    y[i] = static_cast<float>(cy + dx * s + dy * c);
  }

  if (!pressed && mStyle.drawShadows)
    g.FillTriangle(GetColor(kSH), x[0] + offset, y[0] + offset, x[1] + offset, y[1] + offset, x[2] + offset,
                   y[2] + offset, blend);

  g.FillTriangle(GetColor(pressed ? kPR : kFG).WithContrast(contrast), x[0], y[0], x[1], y[1], x[2], y[2]);
  if (mouseOver)
    g.FillTriangle(GetColor(kHL), x[0], y[0], x[1], y[1], x[2], y[2], blend);
  if (pressed && SplashRuns())
    DrawSplash(g, handle);
  if (mStyle.drawFrame)
    g.DrawTriangle(GetColor(kFR), x[0], y[0], x[1], y[1], x[2], y[2], blend, mStyle.frameThickness);

  return handle;
}

IRECT IVectorBase::DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                      bool disabled)
{
  switch (shape)
  {
    case EVShape::Rectangle:
    case EVShape::AllRounded: return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled);
    case EVShape::EndsRounded:
      return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
    case EVShape::Ellipse: return DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled);
    case EVShape::Triangle: return DrawPressableTriangle(g, bounds, pressed, mouseOver, mStyle.angle, disabled);
    default: return bounds;
  }
}

} // namespace igraphics
} // namespace plug
