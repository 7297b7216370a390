#pragma once

namespace vellicor {

// The bare cubic x - 0.1481495 x^3. It peaks near |x| = 1.5 and turns back, so inputs far
// beyond that change sign; the engine wraps it in its own clamps.
double CubicCurve(double x);

// The cubic clamped to [-1, 1]. Note that large positive inputs give -1 and large negative
// inputs +1: the clamp acts after the cubic has turned back. Saved sessions rely on this
// sound, so it stays.
double CubicSoftClip(double x);

} // namespace vellicor
