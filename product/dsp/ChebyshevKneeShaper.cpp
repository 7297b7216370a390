#include "product/dsp/ChebyshevKneeShaper.h"

#include "product/dsp/CubicSoftClip.h"
#include "product/dsp/HermiteKnee.h"

#include <cmath>

namespace vellicor {

double ChebyshevKneeShaper::Knee(double x, double a)
{
  const double c = 1.0 + a;
  const double e = 2.0 - a;
  const double m = std::fabs(x);
  if (!(m > c))
    return x;
  double shaped;
  if (m >= e || e - c <= 1e-6)
    shaped = e;
  else
    shaped = HermiteKneeMagnitude(m, c, e);
  return x < 0.0 ? -shaped : shaped;
}

double ChebyshevKneeShaper::operator()(double x) const
{
  const double k = Knee(x, mA);
  const int n = mSettings->chebOrder;
  const double h = mSettings->chebFactor * (ChebyshevT(n, k) + ChebyshevT(n, mA * k));
  return CubicSoftClip(h);
}

} // namespace vellicor
