#include "product/dsp/SoftLimitShaper.h"

#include "product/dsp/HermiteKnee.h"

#include <algorithm>
#include <cmath>

namespace vellicor {

double SoftLimitShaper::operator()(double x) const
{
  const double a = mQ * 1.5952623149688796;
  const double m = std::fabs(x);
  if (m <= a)
    return x;
  double shaped;
  if (m >= kCeiling || kCeiling - a <= 1e-6)
    shaped = kCeiling;
  else
    shaped = std::min(HermiteKneeMagnitude(m, a, kCeiling), kCeiling); // rounding near the top
  return x < 0.0 ? -shaped : shaped;
}

} // namespace vellicor
