#include "graphics/controls/IVPadControls.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/EditorEntry.h"
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IVXYPadControl

IVXYPadControl::IVXYPadControl(const IRECT& bounds, const std::initializer_list<int>& params, const char* label,
                               const IVStyle& style, float handleRadius, bool trackClipsHandle, bool drawCross)
  : IControl(bounds, params), IVectorBase(style), mHandleRadius(handleRadius), mTrackClipsHandle(trackClipsHandle),
    mDrawCross(drawCross)
{
  // Always the two values x and y, bound or not.
  while (NVals() < 2)
    mVals.push_back(ValEntry{-1, 0.0});
  AttachIControl(this, label);
  mText = style.valueText;
  mShape = EVShape::Ellipse;
}

void IVXYPadControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
  DrawWidget(g);
}

IRECT IVXYPadControl::GetHandleTravel() const
{
  return mTrackClipsHandle ? mWidgetBounds : mWidgetBounds.GetPadded(-mHandleRadius);
}

IRECT IVXYPadControl::GetHandleBounds() const
{
  const IRECT area = GetHandleTravel();
  const float x = area.L + static_cast<float>(GetValue(0)) * area.W();
  const float y = area.B - static_cast<float>(GetValue(1)) * area.H();
  return IRECT(x - mHandleRadius, y - mHandleRadius, x + mHandleRadius, y + mHandleRadius);
}

void IVXYPadControl::DrawWidget(IGraphics& g)
{
  if (mDrawCross)
    DrawTrack(g);
  if (mTrackClipsHandle)
    g.ClipToRegion(mWidgetBounds.GetPadded(-0.5f * mStyle.frameThickness));
  DrawHandle(g, GetHandleTravel(), GetHandleBounds());
  if (mTrackClipsHandle)
    g.ClipToRegion(IRECT());
}

void IVXYPadControl::DrawTrack(IGraphics& g)
{
  g.DrawHorizontalLine(GetColor(kSH), mWidgetBounds, 0.5f, &mBlend);
  g.DrawVerticalLine(GetColor(kSH), mWidgetBounds, 0.5f, &mBlend);
}

void IVXYPadControl::DrawHandle(IGraphics& g, const IRECT& /*trackBounds*/, const IRECT& handleBounds)
{
  DrawPressableShape(g, mShape, handleBounds, mMouseDown, mMouseIsOver, mDisabled);
}

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (mStyle.hideCursor && mGraphics)
    mGraphics->HideMouseCursor(true, false);
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVXYPadControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
  const IRECT& r = mRECT;
  x = std::clamp(x, r.L, r.R);
  y = std::clamp(y, r.T, r.B);
  SetValue(r.W() > 0.f ? (x - r.L) / r.W() : 0.0, 0);
  SetValue(r.H() > 0.f ? 1.0 - (y - r.T) / r.H() : 0.0, 1);
  SetDirty(true);
}

void IVXYPadControl::OnMouseUp(float, float, const IMouseMod&)
{
  if (mStyle.hideCursor && mGraphics)
    mGraphics->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(true);
}

void IVXYPadControl::OnResize()
{
  ComputeRectsWithWidgetAsTarget();
  mMouseIsOver = false;
  SetDirty(false);
}

// ---------------------------------------------------------------------------------------
// IVPlotControl

IVPlotControl::IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label,
                             const IVStyle& style, float min, float max, bool useLayer)
  : IControl(bounds), IVectorBase(style), mPlots(plots), mMin(min), mMax(max), mUseLayer(useLayer),
    mPoints(static_cast<size_t>(std::max(numPoints, 0)))
{
  AttachIControl(this, label);
  mText = style.valueText;
}

void IVPlotControl::OnResize()
{
  ComputeRectsWithWidgetAsTarget();
  mMouseIsOver = false;
  SetDirty(false);
}

void IVPlotControl::AddPlotFunc(const IColor& color, const PlotFunc& func)
{
  mPlots.push_back(Plot{color, func});
  if (mLayer)
    mLayer->Invalidate();
  SetDirty(false);
}

IRECT IVPlotControl::GetPlotBounds() const
{
  const float vs = GridCellHeight();
  return IRECT(mWidgetBounds.L, mWidgetBounds.T + vs, mWidgetBounds.R, mWidgetBounds.B - vs);
}

void IVPlotControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (!mUseLayer)
  {
    DrawPlots(g);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    mLayer = g.DrawInLayer(this, mRECT, false, [&] { DrawPlots(g); });
  }
  g.DrawLayer(mLayer, &mBlend);
}

void IVPlotControl::DrawPlots(IGraphics& g)
{
  const float hs = mWidgetBounds.W() / static_cast<float>(mHorzDivisions);
  g.DrawLineGrid(GetColor(kSH), mWidgetBounds, hs, GridCellHeight(), &mBlend, 1.f);

  // A curve needs two points and a range to scale into.
  const int n = NPoints();
  const float range = mMax - mMin;
  if (n >= 2 && range != 0.f && std::isfinite(range))
  {
    const IRECT area = GetPlotBounds();
    for (const Plot& plot : mPlots)
    {
      if (!plot.func)
        continue;
      for (int j = 0; j < n; ++j)
      {
        const double x = static_cast<double>(j) / (n - 1);
        const float v = static_cast<float>((plot.func(x) - mMin) / range);
        // A value that is no number would spoil the whole path: it goes to the bottom.
        mPoints[static_cast<size_t>(j)] = std::isfinite(v) ? v : 0.f;
      }
      g.DrawData(plot.color, area, mPoints.data(), n, nullptr, &mBlend, mTrackSize);
    }
  }

  if (mStyle.drawFrame)
    g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
}

// ---------------------------------------------------------------------------------------
// IVGroupControl

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, float labelOffset, const IVStyle& style,
                               AttachFunc attachFunc, ResizeFunc resizeFunc)
  : IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc)), IVectorBase(style),
    mLabelOffset(labelOffset)
{
  AttachIControl(this, label);
  mText = style.valueText;
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, float padL, float padT, float padR,
                               float padB, const IVStyle& style)
  : IContainerBase(IRECT()), IVectorBase(style), mGroupName(groupName ? groupName : ""), mPadL(padL), mPadT(padT),
    mPadR(padR), mPadB(padB), mLabelOffset(kDefaultLabelOffset)
{
  AttachIControl(this, label);
  mText = style.valueText;
}

void IVGroupControl::OnInit()
{
  if (!mGroupName.empty())
    SetBoundsBasedOnGroup(mGroupName.c_str(), mPadL, mPadT, mPadR, mPadB);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB)
{
  mGroupName = groupName ? groupName : "";
  mPadL = padL;
  mPadT = padT;
  mPadR = padR;
  mPadB = padB;
  if (!mGraphics)
    return;

  IRECT bounds;
  mGraphics->ForControlInGroup(mGroupName.c_str(), [&](IControl* pControl) {
    if (pControl != this)
      bounds = bounds.Union(pControl->GetRECT()); // empty rectangles add nothing
  });
  if (bounds.Empty())
    return;
  mRECT = bounds.GetPadded(-padL, -padT, padR, padB);
  OnResize();
}

void IVGroupControl::OnResize()
{
  ComputeRects(mRECT, false);
  // The outline runs through the middle of the label.
  mWidgetBounds.T -= 0.5f * mStyle.frameThickness + 0.5f * mLabelBounds.H();
  if (!mLabelBounds.Empty())
  {
    const float w = mLabelBounds.W() + 2.f * mLabelPadding;
    mLabelBounds.L = mRECT.L + mStyle.frameThickness + mLabelOffset + GetCornerRadius();
    mLabelBounds.R = mLabelBounds.L + w;
  }
  mTargetRECT = mWidgetBounds;
  mMouseIsOver = false;
  SetDirty(false);
  IContainerBase::OnResize();
}

void IVGroupControl::Draw(IGraphics& g)
{
  DrawLabel(g);
  DrawWidget(g);
}

void IVGroupControl::DrawWidget(IGraphics& g)
{
  const IRECT r = mWidgetBounds.GetPadded(-0.5f * mStyle.frameThickness);
  const float cr = GetCornerRadius();
  // One open path clockwise from the label's right end round to its left end; without a
  // label the ends meet at the middle of the top edge.
  const bool gap = !mLabelBounds.Empty();
  const float startX = gap ? mLabelBounds.R : r.MW();
  const float endX = gap ? mLabelBounds.L : r.MW();

  g.PathClear();
  g.PathMoveTo(startX, r.T);
  g.PathArc(r.R - cr, r.T + cr, cr, 0.f, 90.f);
  g.PathArc(r.R - cr, r.B - cr, cr, 90.f, 180.f);
  g.PathArc(r.L + cr, r.B - cr, cr, 180.f, 270.f);
  g.PathArc(r.L + cr, r.T + cr, cr, 270.f, 360.f);
  g.PathLineTo(endX, r.T);
  const IColor& color = GetColor(mStyle.drawShadows ? kSH : kFR);
  g.PathStroke(IPattern(color), mStyle.frameThickness, IStrokeOptions(), &mBlend);
}

// ---------------------------------------------------------------------------------------
// IVColorSwatchControl

IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, ColorChosenFunc func,
                                           const IVStyle& style, ECellLayout layout,
                                           const std::vector<int>& colorIdxs, const std::vector<const char*>& labels)
  : IControl(bounds), IVectorBase(style), mColorChosenFunc(std::move(func)), mLayout(layout), mColorIdxs(colorIdxs)
{
  AttachIControl(this, label);
  mText = style.valueText;
  mStyle.valueText.mAlign = mText.mAlign = EAlign::Far;
  for (size_t i = 0; i < colorIdxs.size(); ++i)
    mLabels.push_back(std::make_unique<CharBuf>(i < labels.size() && labels[i] ? labels[i] : ""));
}

bool IVColorSwatchControl::CellColorIsValid(int i) const
{
  if (i < 0 || i >= NCells())
    return false;
  const int idx = mColorIdxs[static_cast<size_t>(i)];
  return idx >= 0 && idx < kNumVColors;
}

IColor IVColorSwatchControl::GetCellColor(int i) const
{
  return CellColorIsValid(i) ? GetColor(mColorIdxs[static_cast<size_t>(i)]) : COLOR_TRANSPARENT;
}

void IVColorSwatchControl::OnResize()
{
  ComputeRectsWithWidgetAsTarget();
  mMouseIsOver = false;

  const int n = NCells();
  int columns = 3, rows = 3;
  if (mLayout == ECellLayout::Row)
  {
    columns = n;
    rows = 1;
  }
  else if (mLayout == ECellLayout::Column)
  {
    columns = 1;
    rows = n;
  }
  const IRECT& w = mWidgetBounds;
  mCellRects.clear();
  for (int i = 0; i < n; ++i)
  {
    const int column = i % columns, row = i / columns;
    IRECT cell = w;
    if (row < rows) // a cell beyond the grid takes the whole widget
    {
      const float cw = w.W() / static_cast<float>(columns), ch = w.H() / static_cast<float>(rows);
      cell = IRECT(w.L + column * cw, w.T + row * ch, w.L + (column + 1) * cw, w.T + (row + 1) * ch);
    }
    mCellRects.push_back(cell.GetPadded(-2.f));
  }
  SetDirty(false);
}

void IVColorSwatchControl::Draw(IGraphics& g)
{
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(IGraphics& g)
{
  for (int i = 0; i < static_cast<int>(mCellRects.size()); ++i)
  {
    const IRECT& r = mCellRects[static_cast<size_t>(i)];
    const char* label = mLabels[static_cast<size_t>(i)]->Get();
    if (label[0])
    {
      g.FillRect(GetCellColor(i), IRECT(r.L + 0.75f * r.W(), r.T, r.R, r.B), &mBlend);
      g.DrawText(mStyle.valueText, label, IRECT(r.L, r.T, r.L + 0.7f * r.W(), r.B), &mBlend);
    }
    else
    {
      g.FillRect(GetCellColor(i), r, &mBlend);
    }
    g.DrawRect(i == mCellOver ? COLOR_GRAY : COLOR_DARK_GRAY, r.GetPadded(0.5f), &mBlend, 1.f);
  }
}

int IVColorSwatchControl::CellAt(float x, float y) const
{
  for (size_t i = 0; i < mCellRects.size(); ++i)
    if (mCellRects[i].Contains(x, y))
      return static_cast<int>(i);
  return -1;
}

void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  IControl::OnMouseOver(x, y, mod);
  mCellOver = CellAt(x, y);
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseOut()
{
  IControl::OnMouseOut();
  mCellOver = -1;
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod&)
{
  const int cell = CellAt(x, y);
  if (!mGraphics || !CellColorIsValid(cell))
    return;
  IColor color = GetCellColor(cell);
  // A prompt the user cancels never calls back.
  // The panel may outlive the swatch and its editor: a pick after the swatch has gone, or its
  // editor closed, changes nothing.
  const EditorHandle<IGraphics> editor(*mGraphics);
  const uint64_t token = GetToken();
  mGraphics->PromptForColor(color, kPromptText, [editor, token, cell](const IColor& chosen) {
    IGraphics* g = editor.Get();
    auto* self = g ? static_cast<IVColorSwatchControl*>(g->ControlWithToken(token)) : nullptr;
    if (!self)
      return;
    self->SetColor(self->mColorIdxs[static_cast<size_t>(cell)], chosen);
    self->SetDirty(false);
    if (self->mColorChosenFunc)
      self->mColorChosenFunc(cell, chosen);
  });
}

} // namespace igraphics
} // namespace plug
