#pragma once

namespace vellicor {

// One 2x stage of the oversampler: a half-band filter built from two parallel chains of
// first-order allpass sections (polyphase form). Coefficients with even index form path 0,
// odd index path 1. The pairs of both paths sit side by side so they update together.
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
  void ProcessUp(double s, double* out);

  // Down-sampling of the earlier and the later sample: path 0 takes the later one, path 1
  // the earlier one; the output is their mean.
  double ProcessDown(double earlier, double later);

  int NumCoefficients() const { return mCount; }
  double Coefficient(int i) const { return mCoef[i]; }

private:
  void RunPaths(double& path0, double& path1);

  int mCount = 0;
  double mCoef[kMaxCoefficients] = {};
  double mX[kMaxCoefficients] = {};
  double mY[kMaxCoefficients] = {};
};

} // namespace vellicor
