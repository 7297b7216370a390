#pragma once
#include "product/dsp/Double2.h"

namespace vellicor {

// Inline: the engine calls these several times per sample. The DSP library's consumers
// inherit -ffp-contract=off from it, so the arithmetic below is never fused into a
// multiply-add, whichever target compiles it. V is double or Double2 (two channels).

// The bare cubic x - 0.1481495 x^3. It peaks near |x| = 1.5 and turns back, so inputs far
// beyond that change sign; the engine wraps it in its own clamps.
template <typename V>
inline V CubicCurve(V x)
{
  return x - 0.1481495 * x * x * x;
}

// The cubic clamped to [-1, 1]. Note that large positive inputs give -1 and large negative
// inputs +1: the clamp acts after the cubic has turned back. Saved sessions rely on this
// sound, so it stays.
template <typename V>
inline V CubicSoftClip(V x)
{
  return Clamp(CubicCurve(x), V(-1.0), V(1.0));
}

} // namespace vellicor
