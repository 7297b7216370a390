#pragma once
#include "product/dsp/HermiteKnee.h"

namespace vellicor {

// Curve of the limit stage's oversampler: unchanged up to a = 1.5952623149688796 q, then a
// Hermite knee that reaches +-2.1 with slope 0; never beyond +-2.1. q is 0.005 x noise.
// V is double, or Double2 for two channels with their own noise terms.
template <typename V = double>
class SoftLimitShaper
{
public:
  static constexpr double kCeiling = 2.1;

  explicit SoftLimitShaper(V q)
    : mQ(q)
  {
  }

  V operator()(V x) const
  {
    const V a = mQ * 1.5952623149688796;
    const V m = Abs(x);
    const V ceiling = V(kCeiling);
    // Rounding near the top can land one step above the ceiling: the minimum keeps it.
    const V knee = Min(HermiteKneeMagnitude(m, a, ceiling), ceiling);
    const V shaped = Select((m >= ceiling) | (ceiling - a <= V(1e-6)), ceiling, knee);
    return Select(m <= a, x, Select(x < V(0.0), -shaped, shaped));
  }

private:
  V mQ;
};

} // namespace vellicor
