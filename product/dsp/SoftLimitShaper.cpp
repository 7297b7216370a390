#include "product/dsp/SoftLimitShaper.h"

#include "product/dsp/HermiteKnee.h"

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
    shaped = HermiteKneeMagnitude(m, a, kCeiling);
  return x < 0.0 ? -shaped : shaped;
}

} // namespace vellicor
