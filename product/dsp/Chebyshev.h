#pragma once
#include "product/dsp/Double2.h"

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
// order 1 gives x and a negative order gives 0. V is double or Double2.
template <typename V>
inline V ChebyshevT(int order, V x)
{
  if (order < 0)
    return V(0.0);
  if (order == 0)
    return V(1.0);
  V previous = V(1.0);
  V current = x;
  const V twoX = 2.0 * x;
  for (int i = 1; i < order; ++i)
  {
    const V next = Fma(twoX, current, -previous);
    previous = current;
    current = next;
  }
  return current;
}

} // namespace vellicor
