#include "graphics/controls/IVKnobControls.h"

#include <algorithm>
#include <cmath>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IVDragControl

template <class DragBase>
void IVDragControl<DragBase>::SetUp(const char* label, bool valueIsEditable, float trackSize)
{
  this->DisablePrompt(!valueIsEditable);
  this->mText = mStyle.valueText;
  AttachIControl(this, label);
  this->mHideCursorOnDrag = mStyle.hideCursor;
  mShape = EVShape::Ellipse;
  mTrackSize = trackSize;
}

template <class DragBase>
void IVDragControl<DragBase>::Draw(IGraphics& g)
{
  DrawBackground(g, this->mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
}

template <class DragBase>
void IVDragControl<DragBase>::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!PromptFromValue(x, y))
    DragBase::OnMouseDown(x, y, mod);
}

template <class DragBase>
void IVDragControl<DragBase>::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  DragBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

template <class DragBase>
void IVDragControl<DragBase>::OnMouseDblClick(float, float, const IMouseMod&)
{
  this->PromptUserInputAt(mValueBounds, 0);
}

template <class DragBase>
void IVDragControl<DragBase>::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && !this->mDisablePrompt)
    mValueMouseOver = mValueBounds.Contains(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

template <class DragBase>
void IVDragControl<DragBase>::OnMouseOut()
{
  mValueMouseOver = false;
  IControl::OnMouseOut();
}

template <class DragBase>
bool IVDragControl<DragBase>::IsHit(float x, float y) const
{
  return ValuePromptHit(x, y) || mWidgetBounds.Contains(x, y);
}

template <class DragBase>
void IVDragControl<DragBase>::SetDirty(bool triggerAction, int /*valIdx*/)
{
  IControl::SetDirty(triggerAction, -1);
  SetValueStrFromParam(true);
}

template <class DragBase>
void IVDragControl<DragBase>::OnInit()
{
  SetValueStrFromParam(true);
  SetLabelFromParamName();
}

template class IVDragControl<IKnobControlBase>;
template class IVDragControl<ISliderControlBase>;

// ---------------------------------------------------------------------------------------
// IVKnobControl

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
  : IVDragControl(style, valueInWidget, bounds, paramIdx, nullptr, direction, gearing), mAngle1(a1), mAngle2(a2),
    mAnchorAngle(aAnchor)
{
  SetUp(label, valueIsEditable, trackSize);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                             const IVStyle& style, bool valueIsEditable, bool valueInWidget, float a1, float a2,
                             float aAnchor, EDirection direction, double gearing, float trackSize)
  : IVDragControl(style, valueInWidget, bounds, -1, std::move(actionFunc), direction, gearing), mAngle1(a1),
    mAngle2(a2), mAnchorAngle(aAnchor)
{
  SetUp(label, valueIsEditable, trackSize);
}

float IVKnobControl::GetRadius() const
{
  return 0.5f * std::min(mWidgetBounds.W(), mWidgetBounds.H()) - 0.5f * mTrackSize;
}

IRECT IVKnobControl::GetArcBounds() const
{
  const float side = std::max(1.f, std::min(mWidgetBounds.W(), mWidgetBounds.H()) + mTrackSize);
  return mWidgetBounds.GetCentredInside(side, side);
}

IRECT IVKnobControl::DragBounds() const
{
  const float w = mWidgetBounds.W(), h = mWidgetBounds.H();
  float dragW = w, dragH = 0.5f * w;
  if (w > h)
  {
    dragW = 0.5f * h;
    dragH = h;
  }
  dragW = std::max(dragW, 1.f);
  if (dragH <= 0.f)
    dragH = dragW;
  return mWidgetBounds.GetCentredInside(dragW, dragH);
}

void IVKnobControl::DrawWidget(IGraphics& g)
{
  const float cx = mWidgetBounds.MW(), cy = mWidgetBounds.MH();
  const float radius = GetRadius();
  const float handleSide = std::max(1.f, 2.f * (radius - mKnobToArcGap));
  const float angle = GetAngle(GetValue());
  DrawKnobArc(g, angle, cx, cy, radius);
  DrawKnobHandle(g, mWidgetBounds.GetCentredInside(handleSide, handleSide));
  DrawKnobPointer(g, angle, cx, cy, 0.5f * handleSide);
}

void IVKnobControl::DrawKnobArc(IGraphics& g, float angle, float cx, float cy, float radius)
{
  if (mTrackSize <= 0.f)
    return;
  g.DrawArc(GetColor(kX1), cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle), &mBlend,
            mTrackSize);
}

void IVKnobControl::DrawKnobHandle(IGraphics& g, const IRECT& bounds)
{
  DrawPressableShape(g, EVShape::Ellipse, bounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVKnobControl::DrawKnobPointer(IGraphics& g, float angle, float cx, float cy, float radius)
{
  const double t = (angle - 90.0) / 180.0 * 3.14159265358979323846;
  const float c = static_cast<float>(std::cos(t)), s = static_cast<float>(std::sin(t));
  const float rIn = mPointerInnerFrac * radius, rOut = mPointerOuterFrac * radius;
  g.DrawLine(GetColor(kFR), cx + rIn * c, cy + rIn * s, cx + rOut * c, cy + rOut * s, &mBlend, mPointerThickness);
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  IVDragControl::OnMouseDown(x, y, mod);
  SetDirty(false);
}

void IVKnobControl::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, false));
  mMouseIsOver = false;
  SetDirty(false);
}

// ---------------------------------------------------------------------------------------
// IVSliderControl

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, double gearing, float handleSize,
                                 float trackSize, bool handleInsideTrack, float handleXOffset, float handleYOffset)
  : IVDragControl(style, false, bounds, paramIdx, direction, gearing, handleSize),
    mHandleInsideTrack(handleInsideTrack), mHandleXOffset(handleXOffset), mHandleYOffset(handleYOffset)
{
  SetUp(label, valueIsEditable, trackSize);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label,
                                 const IVStyle& style, bool valueIsEditable, EDirection direction, double gearing,
                                 float handleSize, float trackSize, bool handleInsideTrack, float handleXOffset,
                                 float handleYOffset)
  : IVDragControl(style, false, bounds, std::move(actionFunc), direction, gearing, handleSize),
    mHandleInsideTrack(handleInsideTrack), mHandleXOffset(handleXOffset), mHandleYOffset(handleYOffset)
{
  SetUp(label, valueIsEditable, trackSize);
}

void IVSliderControl::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, false));
  mMouseIsOver = false;
  IRECT track = mWidgetBounds.GetPadded(-mHandleSize);
  if (mDirection == EDirection::Vertical)
  {
    const float cx = track.MW();
    track.L = cx - mTrackSize;
    track.R = cx + mTrackSize;
  }
  else
  {
    const float cy = track.MH();
    track.T = cy - mTrackSize;
    track.B = cy + mTrackSize;
  }
  mTrackBounds = track;
  SetDirty(false);
}

void IVSliderControl::DrawWidget(IGraphics& g)
{
  const IRECT& t = mTrackBounds;
  const float value = static_cast<float>(GetValue());
  const bool vertical = mDirection == EDirection::Vertical;
  const IRECT filled = vertical ? IRECT(t.L, t.B - t.H() * value, t.R, t.B)
                                : IRECT(t.L, t.T, t.L + t.W() * value, t.B);

  if (mTrackSize > 0.f)
    DrawSliderTrack(g, filled);

  // A shape with a drop shadow sits half the shadow offset off the track's centre line.
  const float offset = (mStyle.drawShadows && mShape != EVShape::Ellipse) ? 0.5f * mStyle.shadowOffset : 0.f;
  float cx = vertical ? filled.MW() + offset : filled.R;
  float cy = vertical ? filled.T : filled.MH() + offset;
  if (mHandleSize > 0.f)
  {
    cx += mHandleXOffset;
    cy += mHandleYOffset;
    DrawSliderHandle(g, IRECT(cx - mHandleSize, cy - mHandleSize, cx + mHandleSize, cy + mHandleSize));
  }
}

void IVSliderControl::DrawSliderTrack(IGraphics& g, const IRECT& filledArea)
{
  const float e = mHandleInsideTrack ? mHandleSize : 0.f;
  IRECT track = mTrackBounds, filled = filledArea;
  if (mDirection == EDirection::Vertical)
  {
    track = track.GetPadded(0.f, -e, 0.f, e);
    filled = filled.GetPadded(0.f, -e, 0.f, e);
  }
  else
  {
    track = track.GetPadded(-e, 0.f, e, 0.f);
    filled = filled.GetPadded(-e, 0.f, e, 0.f);
  }
  const float radius = GetRoundedCornerRadius(track);
  g.FillRoundRect(GetColor(kSH), track, radius, &mBlend);
  g.FillRoundRect(GetColor(kX1), filled, radius, &mBlend);
  if (mStyle.drawFrame)
    g.DrawRoundRect(GetColor(kFR), track, radius, &mBlend, mStyle.frameThickness);
}

void IVSliderControl::DrawSliderHandle(IGraphics& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, mDisabled);
}

} // namespace igraphics
} // namespace plug
