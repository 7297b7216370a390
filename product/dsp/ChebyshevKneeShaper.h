#pragma once
#include "product/dsp/Chebyshev.h"

namespace vellicor {

// Curve of the drive path's first 2x oversampler: a soft knee between 1 + a and 2 - a,
// a Chebyshev harmonic pair and the cubic soft clip. `a` is the engine's small noise term
// (0.005 x noise).
class ChebyshevKneeShaper
{
public:
  ChebyshevKneeShaper(double a, const HarmonicSettings& settings)
    : mA(a)
    , mSettings(&settings)
  {
  }

  double operator()(double x) const;

  // The knee alone: unchanged up to 1 + a, +-(2 - a) from 2 - a on, a Hermite cubic between.
  static double Knee(double x, double a);

private:
  double mA;
  const HarmonicSettings* mSettings;
};

} // namespace vellicor
