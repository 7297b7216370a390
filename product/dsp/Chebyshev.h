#pragma once

namespace vellicor {

// Harmonic settings of the plug-in, read by every curve and the engine's Chebyshev stages.
// Set once at construction and never changed afterwards.
struct HarmonicSettings
{
  int chebOrder = 3;
  double chebFactor = 0.9885530946569389;
  int chebOrder2 = 4;
  double chebScale2 = 0.9885530946569389;
};

// Chebyshev polynomial of the first kind T_order(x) by the three-term recurrence, each
// step a fused multiply-add so the result is the same on every build. Order 0 gives 1,
// order 1 gives x and a negative order gives 0.
double ChebyshevT(int order, double x);

} // namespace vellicor
