#pragma once
#include "product/dsp/Chebyshev.h"
#include "product/dsp/CubicSoftClip.h"

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
// V is double, or Double2 for two channels with their own noise terms and weights.
template <typename V = double>
class ChebyshevBlendShaper
{
public:
  // q: 0.005 x noise; powerWeight: smoothed power weight (after the H curve);
  // dcCoefficient: R = exp(-2 pi 20 / sampleRate).
  ChebyshevBlendShaper(V q, V powerWeight, double dcCoefficient, const HarmonicSettings& settings,
                       DcBlockerState& dcState)
    : mQ(q)
    , mWeight(powerWeight)
    , mR(dcCoefficient)
    , mSettings(&settings)
    , mDc(&dcState)
  {
  }

  // One sample of one channel (V = double).
  double operator()(double x) const
  {
    double y;
    (*this)(&x, &y, 1);
    return y;
  }

  // The sub-samples of one oversampler call. The blocker takes lane 0's sub-samples in time
  // order, then lane 1's: channel 0 before channel 1, as if each ran on its own.
  void operator()(const V* in, V* out, int count) const
  {
    for (int start = 0; start < count; start += kChunk)
      Chunk(in + start, out + start, count - start < kChunk ? count - start : kChunk);
  }

private:
  static constexpr int kChunk = 16; // the most sub-samples one oversampler call has

  void Chunk(const V* in, V* out, int count) const
  {
    constexpr int kLaneCount = kLanes<V>;
    V xs[kChunk];
    double d[kChunk * kLaneCount];
    for (int i = 0; i < count; ++i)
    {
      xs[i] = CubicSoftClip(in[i]);
      StoreLanes(d + i * kLaneCount, ChebyshevT(mSettings->chebOrder2, xs[i]) * mSettings->chebScale2);
    }
    double y[kChunk * kLaneCount];
    for (int lane = 0; lane < kLaneCount; ++lane)
      for (int i = 0; i < count; ++i)
      {
        const double di = d[i * kLaneCount + lane];
        const double yi = mR * mDc->yPrev + (di - mDc->dPrev);
        mDc->dPrev = di;
        mDc->yPrev = yi;
        y[i * kLaneCount + lane] = yi;
      }
    for (int i = 0; i < count; ++i)
    {
      const V l = mSettings->chebOrder == 0 ? V(1.0) : ChebyshevT(mSettings->chebOrder, (1.0 + mQ) * xs[i]);
      out[i] = l * mSettings->chebFactor + LoadLanes<V>(y + i * kLaneCount) * mWeight;
    }
  }

  V mQ;
  V mWeight;
  double mR;
  const HarmonicSettings* mSettings;
  DcBlockerState* mDc;
};

} // namespace vellicor
