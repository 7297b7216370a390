#pragma once
#include "product/dsp/Chebyshev.h"
#include "product/dsp/CubicSoftClip.h"
#include "product/dsp/HermiteKnee.h"

namespace vellicor {

// Curve of the drive path's first 2x oversampler: a soft knee between 1 + a and 2 - a,
// a Chebyshev harmonic pair and the cubic soft clip. `a` is the engine's small noise term
// (0.005 x noise). V is double, or Double2 for two channels with their own noise terms.
template <typename V = double>
class ChebyshevKneeShaper
{
public:
  ChebyshevKneeShaper(V a, const HarmonicSettings& settings)
    : mA(a)
    , mSettings(&settings)
  {
  }

  V operator()(V x) const
  {
    const V k = Knee(x, mA);
    const int n = mSettings->chebOrder;
    const V h = mSettings->chebFactor * (ChebyshevT(n, k) + ChebyshevT(n, mA * k));
    return CubicSoftClip(h);
  }

  // The knee alone: unchanged up to 1 + a, +-(2 - a) from 2 - a on, a Hermite cubic between.
  static V Knee(V x, V a)
  {
    const V c = 1.0 + a;
    const V e = 2.0 - a;
    const V m = Abs(x);
    const auto bent = m > c;
    if (!Any(bent))
      return x;
    const V shaped = Select((m >= e) | (e - c <= V(1e-6)), e, HermiteKneeMagnitude(m, c, e));
    return Select(bent, Select(x < V(0.0), -shaped, shaped), x);
  }

private:
  V mA;
  const HarmonicSettings* mSettings;
};

} // namespace vellicor
