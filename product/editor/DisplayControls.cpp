#include "product/editor/DisplayControls.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

using namespace plug::igraphics;

namespace {

// One smoothing step: nine tenths of the old value and a tenth of the new, summed in double.
float Smooth(float target, float previous)
{
  return static_cast<float>(static_cast<double>(target) * 0.1 + static_cast<double>(previous) * 0.9);
}

float Clamp01(float v) { return std::clamp(v, 0.f, 1.f); }

// Within the tolerance of the target, relative to targets above 1.
bool Near(float value, float target, float tolerance)
{
  return std::fabs(value - target) <= tolerance * std::max(1.f, std::fabs(target));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Vellicor::ILEDControlOBK

Vellicor::ILEDControlOBK::ILEDControlOBK(const IRECT& bounds) : ILEDControl(bounds, kColorA) {}

double Vellicor::ILEDControlOBK::InputLevel() const
{
  const double v = GetValue(0);
  return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

Vellicor::ILEDControlOBK::Rings Vellicor::ILEDControlOBK::RingsFor(float level)
{
  const float t = level * 3.f;
  const float u = 2.f * t;
  return Rings{t, std::sqrt(u), u};
}

bool Vellicor::ILEDControlOBK::Settled() const
{
  const float level = std::sqrt(static_cast<float>(InputLevel()));
  const Rings target = RingsFor(level);
  return Near(mLevel, level, kSettledTolerance) && Near(mRingA, target.a, kSettledTolerance) &&
         Near(mRingB, target.b, kSettledTolerance);
}

bool Vellicor::ILEDControlOBK::IsDirty()
{
  return IControl::IsDirty() || !Settled();
}

void Vellicor::ILEDControlOBK::Draw(IGraphics& g)
{
  mLevel = Smooth(std::sqrt(static_cast<float>(InputLevel())), mLevel);
  const Rings target = RingsFor(mLevel);
  const float t = target.t;
  mRingA = Smooth(target.a, mRingA);
  mRingB = Smooth(target.b, mRingB);

  const float w = mRECT.W();
  const float cx = mRECT.MW();
  const float cy = mRECT.MH();
  const float d1 = std::max(w / 1.46f, 1.f);
  const float d2 = std::max(w / 3.f, 1.f);
  const IRECT circle = IRECT(cx, cy, cx, cy).GetCentredInside(d1, d1);
  const IRECT glow = IRECT(cx, cy, cx, cy).GetCentredInside(d2 * (t + 1.f), d2 * (t + 1.f));

  const IBlend blendA(EBlend::SrcOver, Clamp01(mRingA - t));
  const IBlend blendB(EBlend::SrcOver, Clamp01(mRingB - t / 2.f));
  const IBlend blendGlow(EBlend::Add, Clamp01(t));

  g.FillEllipse(kColorA, circle, &blendA);
  g.DrawEllipse(kColorA, circle, nullptr, 0.f);
  g.FillEllipse(kColorB, circle, &blendB);
  g.DrawEllipse(kColorB, circle, nullptr, 0.f);

  g.PathClear();
  g.PathEllipse(glow);
  const IPattern glowPattern =
    IPattern::CreateRadialGradient(cx, cy, w / 3.f, {IColorStop(kColorC, 0.f), IColorStop(COLOR_TRANSPARENT, 1.f)});
  g.PathFill(glowPattern, IFillOptions(false, EFillRule::Winding), &blendGlow);
}

// ---------------------------------------------------------------------------------------------
// Vellicor::IBSwitchHighlightOverlay

Vellicor::IBSwitchHighlightOverlay::IBSwitchHighlightOverlay(int x, int y, const IBitmap& bitmap, int paramIdx,
                                                             int highlightMode, IVStyle style)
  : HighlightOverlay(vellicor::BitmapFrameRect(static_cast<float>(x), static_cast<float>(y), bitmap), style,
                     highlightMode, bitmap, paramIdx)
{
}
