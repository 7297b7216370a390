#include "graphics/controls/IVTrackControls.h"

#include <algorithm>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IVTrackControlBase

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       const std::vector<int>& params, int nSteps, EDirection direction,
                                       const char* const* trackNames, int nTrackNames)
  : IControl(bounds), IVectorBase(style, false, false), mNSteps(nSteps)
{
  AttachIControl(this, label);
  mText = style.valueText;
  mDirection = direction;
  mVals.assign(params.size(), ValEntry{-1, 0.0});
  for (size_t i = 0; i < params.size(); ++i)
    SetParamIdx(params[i], static_cast<int>(i));
  mTrackBounds.assign(params.size(), IRECT());
  for (int i = 0; trackNames && i < nTrackNames; ++i)
    mTrackNames.push_back(std::make_unique<CharBuf>(trackNames[i] ? trackNames[i] : ""));
}

const char* IVTrackControlBase::GetTrackName(int i) const
{
  return i >= 0 && i < static_cast<int>(mTrackNames.size()) ? mTrackNames[static_cast<size_t>(i)]->Get() : "";
}

void IVTrackControlBase::OnResize()
{
  SetTargetRECT(ComputeRects(mRECT, false));
  mMouseIsOver = false;
  LayoutTracks(mWidgetBounds);
  LayoutSteps(mWidgetBounds, mNSteps);
  SetDirty(false);
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const
{
  for (int i = 0; i < NTracks(); ++i)
    if (mTrackBounds[static_cast<size_t>(i)].Contains(x, y))
      return i;
  return -1;
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  mMouseOverTrack = GetValIdxForPos(x, y);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOut()
{
  mMouseOverTrack = -1;
  SetDirty(false);
}

void IVTrackControlBase::LayoutTracks(const IRECT& r)
{
  const int n = NTracks();
  for (int i = 0; i < n; ++i)
  {
    // Every track but the last leaves the spacing free on its far side.
    const float gap = i < n - 1 ? mTrackPadding : 0.f;
    IRECT& track = mTrackBounds[static_cast<size_t>(i)];
    if (mDirection == EDirection::Vertical)
      track = IRECT(r.L + i * r.W() / n, r.T, r.L + (i + 1) * r.W() / n - gap, r.B);
    else
      track = IRECT(r.L, r.T + i * r.H() / n, r.R, r.T + (i + 1) * r.H() / n - gap);
  }
}

void IVTrackControlBase::LayoutSteps(const IRECT& r, int nSteps)
{
  mStepBounds.clear();
  if (nSteps <= 0)
    return;
  const int n = nSteps + (mZeroValueStepHasBounds ? 1 : 0);
  for (int k = 0; k < n; ++k)
  {
    if (mDirection == EDirection::Vertical)
      mStepBounds.emplace_back(r.L, r.B - (k + 1) * r.H() / n, r.R, r.B - k * r.H() / n);
    else
      mStepBounds.emplace_back(r.R - (k + 1) * r.W() / n, r.T, r.R - k * r.W() / n, r.B);
  }
}

float IVTrackControlBase::PositionOnTrack(const IRECT& r, double v) const
{
  const float f = static_cast<float>(v);
  return mDirection == EDirection::Horizontal ? r.L + r.W() * f : r.B - r.H() * f;
}

IRECT IVTrackControlBase::LevelBounds(const IRECT& r, int chIdx) const
{
  const bool horizontal = mDirection == EDirection::Horizontal;
  const double v = GetValue(chIdx);
  const double start = mBaseValue > 0.0 ? mBaseValue : 0.0;
  const float from = PositionOnTrack(r, start);
  float to = PositionOnTrack(r, v);

  // With steps the value edge moves out to the far side of the step it reaches (levels grow
  // to the right and upwards).
  const bool rising = v >= start;
  for (const IRECT& step : mStepBounds)
  {
    const float lo = horizontal ? step.L : step.T, hi = horizontal ? step.R : step.B;
    if (to < lo || to > hi)
      continue;
    to = horizontal == rising ? hi : lo;
    break;
  }
  if (horizontal)
    return IRECT(std::min(from, to), r.T, std::max(from, to), r.B);
  return IRECT(r.L, std::min(from, to), r.R, std::max(from, to));
}

void IVTrackControlBase::DrawBackground(IGraphics& g, const IRECT& r)
{
  g.FillRect(GetColor(kBG), r, &mBlend);
  if (mBaseValue > 0.0)
  {
    const float pos = static_cast<float>(mBaseValue);
    if (mDirection == EDirection::Horizontal)
      g.DrawVerticalLine(GetColor(kSH), r, pos, nullptr, 1.f);
    else
      g.DrawHorizontalLine(GetColor(kSH), r, pos, nullptr, 1.f);
  }
}

void IVTrackControlBase::DrawWidget(IGraphics& g)
{
  for (int i = 0; i < NTracks(); ++i)
    DrawOneTrack(g, mTrackBounds[static_cast<size_t>(i)], i);
}

void IVTrackControlBase::DrawOneTrack(IGraphics& g, const IRECT& r, int chIdx)
{
  FillTrackBackground(g, r, chIdx);
  if (!mTrackNames.empty())
    DrawTrackLabel(g, r, chIdx);
  if (GetValue(chIdx) > 0.0 || mZeroValueStepHasBounds)
    FillTrackLevel(g, r, chIdx);
  FillPeakMarker(g, r, chIdx);
  if (mStyle.drawFrame && mDrawTrackFrame)
    g.DrawRect(GetColor(kFR), r, &mBlend, mStyle.frameThickness);
}

void IVTrackControlBase::FillTrackBackground(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mHighlightedTrack ? GetColor(kHL) : COLOR_TRANSPARENT, r);
}

void IVTrackControlBase::DrawTrackLabel(IGraphics& g, const IRECT& r, int chIdx)
{
  g.DrawText(mText, GetTrackName(chIdx), r);
}

void IVTrackControlBase::FillTrackLevel(IGraphics& g, const IRECT& r, int chIdx)
{
  const IRECT level = LevelBounds(r, chIdx);
  g.FillRect(chIdx == mHighlightedTrack ? GetColor(kX1) : GetColor(kFG), level, &mBlend);
  if (chIdx == mMouseOverTrack)
    g.FillRect(GetColor(kHL), level, &mBlend);
}

void IVTrackControlBase::FillPeakMarker(IGraphics& g, const IRECT& r, int chIdx)
{
  // A bar of the peak size just inside the level's value edge.
  const IRECT level = LevelBounds(r, chIdx);
  const bool rising = GetValue(chIdx) >= mBaseValue;
  IRECT bar;
  if (mDirection == EDirection::Horizontal)
    bar = rising ? IRECT(std::max(level.R - mPeakSize, level.L), r.T, level.R, r.B)
                 : IRECT(level.L, r.T, std::min(level.L + mPeakSize, level.R), r.B);
  else
    bar = rising ? IRECT(r.L, level.T, r.R, std::min(level.T + mPeakSize, level.B))
                 : IRECT(r.L, std::max(level.B - mPeakSize, level.T), r.R, level.B);
  g.FillRect(GetColor(kFR), bar, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IVRangeSliderControl

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                                           const IVStyle& style, EDirection direction, float handleSize,
                                           float trackSize)
  : IVTrackControlBase(bounds, label, style, params, 0, direction), mHandleSize(handleSize)
{
  mTrackSize = trackSize;
}

void IVRangeSliderControl::LayoutTracks(const IRECT& r)
{
  IRECT track = r.GetPadded(-mHandleSize);
  if (mDirection == EDirection::Vertical)
    track = IRECT(track.MW() - mTrackSize, track.T, track.MW() + mTrackSize, track.B);
  else
    track = IRECT(track.L, track.MH() - mTrackSize, track.R, track.MH() + mTrackSize);
  std::fill(mTrackBounds.begin(), mTrackBounds.end(), track);
}

IRECT IVRangeSliderControl::GetHandleBounds(int i) const
{
  const IRECT r = GetTrackBounds(i);
  const float hs = mHandleSize, ts = mTrackSize;
  const float o = mStyle.drawShadows && mShape != EVShape::Ellipse ? 0.5f * mStyle.shadowOffset : 0.f;
  const float pos = PositionOnTrack(r, GetValue(i));
  const bool even = i % 2 == 0;
  if (mDirection == EDirection::Horizontal)
  {
    const float cy = r.MH() + o;
    return even ? IRECT(pos - hs, cy + ts, pos + hs, cy + ts + 2.f * hs) : IRECT(pos - hs, cy - 2.f * hs, pos + hs, cy);
  }
  const float cx = r.MW() + o;
  return even ? IRECT(cx - 2.f * hs, pos - hs, cx, pos + hs) : IRECT(cx + ts, pos - hs, cx + ts + 2.f * hs, pos + hs);
}

void IVRangeSliderControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVRangeSliderControl::DrawWidget(IGraphics& g)
{
  if (NTracks() == 0)
    return;
  const IRECT& track0 = mTrackBounds[0];
  FillTrackBackground(g, track0, 0);

  // The spans between neighbouring values.
  for (int i = 0; i + 1 < NTracks(); ++i)
  {
    const IRECT& r = mTrackBounds[static_cast<size_t>(i)];
    const float a = PositionOnTrack(r, GetValue(i));
    const float b = PositionOnTrack(mTrackBounds[static_cast<size_t>(i + 1)], GetValue(i + 1));
    const IRECT span = mDirection == EDirection::Horizontal
                         ? IRECT(std::min(a, b), r.T, std::max(a, b), r.B)
                         : IRECT(r.L, std::min(a, b), r.R, std::max(a, b));
    g.FillRect(GetColor(kX1), span, &mBlend);
  }

  if (mStyle.drawFrame && mDrawTrackFrame)
    g.DrawRect(GetColor(kFR), track0, &mBlend, mStyle.frameThickness);

  for (int i = 0; i < NTracks(); ++i)
    DrawOneTrack(g, mTrackBounds[static_cast<size_t>(i)], i);
}

void IVRangeSliderControl::DrawOneTrack(IGraphics& g, const IRECT& r, int chIdx)
{
  DrawRangeHandle(g, r, chIdx);
}

void IVRangeSliderControl::DrawRangeHandle(IGraphics& g, const IRECT& /*r*/, int chIdx)
{
  // Each handle points at the track.
  const bool even = chIdx % 2 == 0;
  const float angle = mDirection == EDirection::Horizontal ? (even ? 0.f : 180.f) : (even ? 90.f : 270.f);
  const bool over = chIdx == mMouseOverHandle;
  DrawPressableTriangle(g, GetHandleBounds(chIdx), over && mMouseDown, over, angle, mDisabled);
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  mMouseOverHandle = -1;
  for (int i = 0; i < NTracks(); ++i)
  {
    if (GetHandleBounds(i).Contains(x, y))
    {
      mMouseOverHandle = i;
      break;
    }
  }
  mMouseOverTrack = GetValIdxForPos(x, y);
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseOut()
{
  mMouseOverHandle = -1;
  mMouseOverTrack = -1;
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVRangeSliderControl::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMouseDown = false;
}

void IVRangeSliderControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/)
{
  const int h = mMouseOverHandle;
  if (h < 0 || h >= NVals())
    return;
  // The handle stays between its neighbours; between neighbours that crossed (values set
  // from outside) it stays at the lower one.
  const double lower = h > 0 ? GetValue(h - 1) : 0.0;
  const double upper = h < NVals() - 1 ? GetValue(h + 1) : 1.0;
  SnapToMouse(x, y, mDirection, mWidgetBounds, h, lower, std::max(lower, upper));
}

} // namespace igraphics
} // namespace plug
