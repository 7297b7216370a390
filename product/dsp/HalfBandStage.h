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
  // The sections of a path in order. Each first-order allpass section computes
  // out = (in - y) c + x from the memories of its previous input x and output y (the
  // arithmetic order is part of the sound). A section's previous input is the previous output
  // of the section before it, so only the first section of a path keeps its own.
  void RunPaths(V& path0, V& path1)
  {
    // Fixed counts unroll completely: the memories then pass from section to section in
    // registers.
    switch (mCount)
    {
      case 12: RunPaths<12>(path0, path1); break;
      case 4: RunPaths<4>(path0, path1); break;
      case 3: RunPaths<3>(path0, path1); break;
      case 2: RunPaths<2>(path0, path1); break;
      default: RunPaths<0>(path0, path1); break;
    }
  }

  // kCount 0 stands for mCount.
  template <int kCount>
  void RunPaths(V& path0, V& path1)
  {
    const int count = kCount ? kCount : mCount;
    V x0 = mIn[0], x1 = mIn[1];
    mIn[0] = path0;
    mIn[1] = path1;
    int i = 0;
    for (; i + 1 < count; i += 2)
    {
      const V y0 = mY[i], y1 = mY[i + 1];
      path0 = (path0 - y0) * mCoef[i] + x0;
      path1 = (path1 - y1) * mCoef[i + 1] + x1;
      mY[i] = path0;
      mY[i + 1] = path1;
      x0 = y0;
      x1 = y1;
    }
    if (i < count) // odd count: path 0 has one section more
    {
      path0 = (path0 - mY[i]) * mCoef[i] + x0;
      mY[i] = path0;
    }
  }

  int mCount = 0;
  V mCoef[kMaxCoefficients] = {};
  V mY[kMaxCoefficients] = {}; // output memories
  V mIn[2] = {};               // input memories of the paths' first sections
};

extern template class HalfBandStage<double>;
extern template class HalfBandStage<Double2>;

} // namespace vellicor
