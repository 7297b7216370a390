#pragma once
#include "product/dsp/Double2.h"

namespace vellicor {

// One 2x stage of the oversampler: a half-band filter built from two parallel chains of
// first-order allpass sections (polyphase form). Coefficients with even index form path 0,
// odd index path 1; the two paths are independent chains, so they run side by side.
//
// V is the sample type: double for one channel, Double2 for two channels in lock step.
template <typename V>
class HalfBandStage
{
public:
  static constexpr int kMaxCoefficients = 12;
  static constexpr int kNumKinds = 4;

  HalfBandStage() = default;
  HalfBandStage(const double* coefficients, int count);

  // Kind 1 is the stage nearest the host rate (12 coefficients), kind 4 the innermost (2).
  static HalfBandStage ForKind(int kind);

  // Sets every input and output memory to 0.
  void Clear();

  // Up-sampling: out[0] (earlier) is path 0's result, out[1] (later) path 1's.
  void ProcessUp(V s, V* out)
  {
    V p0 = s;
    V p1 = s;
    RunPaths(p0, p1);
    out[0] = p0;
    out[1] = p1;
  }

  // Down-sampling of the earlier and the later sample: path 0 takes the later one, path 1
  // the earlier one; the output is their mean.
  V ProcessDown(V earlier, V later)
  {
    V p0 = later;
    V p1 = earlier;
    RunPaths(p0, p1);
    return (p0 + p1) * 0.5;
  }

  int NumCoefficients() const { return mCount; }
  double Coefficient(int i) const { return Lane(mCoef[i], 0); }

private:
  // One first-order allpass section; the arithmetic order is part of the sound.
  static V Allpass(V s, V c, V& xm, V& ym)
  {
    const V out = (s - ym) * c + xm;
    xm = s;
    ym = out;
    return out;
  }

  void RunPaths(V& path0, V& path1)
  {
    int i = 0;
    for (; i + 1 < mCount; i += 2)
    {
      path0 = Allpass(path0, mCoef[i], mX[i], mY[i]);
      path1 = Allpass(path1, mCoef[i + 1], mX[i + 1], mY[i + 1]);
    }
    if (i < mCount) // odd count: path 0 has one section more
      path0 = Allpass(path0, mCoef[i], mX[i], mY[i]);
  }

  int mCount = 0;
  V mCoef[kMaxCoefficients] = {};
  V mX[kMaxCoefficients] = {};
  V mY[kMaxCoefficients] = {};
};

extern template class HalfBandStage<double>;
extern template class HalfBandStage<Double2>;

} // namespace vellicor
