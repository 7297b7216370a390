#pragma once
#include "product/dsp/Chebyshev.h"

namespace vellicor {

// State of the DC blocker inside the blend curve. One instance serves both channels and
// every oversampled sub-sample, so the order of calls shapes the result: channel 0 before
// channel 1, sub-samples in time order.
struct DcBlockerState
{
  double dPrev = 0.0;
  double yPrev = 0.0;
};

// Curve of the drive path's second 2x oversampler: cubic soft clip, a DC-blocked Chebyshev
// term of order chebOrder2 weighted by the power weight, plus the chebOrder harmonic.
class ChebyshevBlendShaper
{
public:
  // q: 0.005 x noise; powerWeight: smoothed power weight (after the H curve);
  // dcCoefficient: R = exp(-2 pi 20 / sampleRate).
  ChebyshevBlendShaper(double q, double powerWeight, double dcCoefficient,
                       const HarmonicSettings& settings, DcBlockerState& dcState)
    : mQ(q)
    , mWeight(powerWeight)
    , mR(dcCoefficient)
    , mSettings(&settings)
    , mDc(&dcState)
  {
  }

  double operator()(double x) const;

private:
  double mQ;
  double mWeight;
  double mR;
  const HarmonicSettings* mSettings;
  DcBlockerState* mDc;
};

} // namespace vellicor
