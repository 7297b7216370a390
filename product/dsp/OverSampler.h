#pragma once
#include "product/dsp/HalfBandStage.h"

#include <array>
#include <cstddef>
#include <vector>

namespace vellicor {

// Runs a function of one sample at 2, 4, 8 or 16 times the host rate through a cascade of
// half-band stages, so that the harmonics the function creates are filtered before they
// fold back. Any other rate (1 in particular) calls the function directly.
//
// The function is a template parameter so the per-sample call never allocates; it is
// evaluated on the sub-samples in time order, which matters for curves with shared state.
class OverSampler
{
public:
  static constexpr int kMaxExponent = HalfBandStage::kNumKinds;
  static constexpr int kDefaultBlockSize = 512;

  OverSampler(int exponent = 0, bool blockProcessing = true, int inputChannels = 2,
              int outputChannels = 2);

  // Sizes the sub-sample buffers for the block size (at least 1) and clears every stage.
  void Reset(int blockSize);

  // Sets the exponent and the rate 2^exponent. Does not reset: the caller decides when
  // the stages restart (Reset). Exponents outside 0..30 give rate 0, i.e. unfiltered.
  void SetExponent(int exponent);

  int GetExponent() const { return mExponent; }
  int GetRate() const { return mRate; }
  int NInputChannels() const { return mInputChannels; }
  int NOutputChannels() const { return mOutputChannels; }

  // One output sample for the channel (which indexes both the up- and the down-stages).
  // A channel outside the stage lists runs the function unfiltered and touches nothing.
  template <typename F>
  double ProcessSample(F&& f, int channel, double x)
  {
    const int depth = FilterDepth(channel);
    if (depth == 0)
      return f(x);
    const int n = 1 << depth;
    const double* up = UpSample(channel, depth, x);
    double* down = InnermostDownBuffer(channel, depth);
    for (int i = 0; i < n; ++i)
      down[i] = f(up[i]);
    return DownSample(channel, depth);
  }

private:
  using StageSet = std::array<HalfBandStage, kMaxExponent>;

  // Number of 2x stages to run for this call; 0 means call the function unfiltered.
  int FilterDepth(int channel) const;
  const double* UpSample(int channel, int depth, double x);
  double* InnermostDownBuffer(int channel, int depth);
  double DownSample(int channel, int depth);
  double* ChannelSamples(std::vector<double>& buffer, int channel, int stage);

  int mExponent = 0;
  int mRate = 1;
  bool mBlockProcessing = true;
  int mInputChannels = 0;
  int mOutputChannels = 0;
  std::size_t mBlockSize = 1;
  // Buffer k holds 2^(k+1) samples per channel per block frame: the outputs of up-stage
  // k+1 and the inputs of down-stage k+1 (the function's outputs enter the innermost one).
  std::array<std::vector<double>, kMaxExponent> mUpBuffers;
  std::array<std::vector<double>, kMaxExponent> mDownBuffers;
  std::vector<StageSet> mUpStages;   // per input channel
  std::vector<StageSet> mDownStages; // per output channel
};

} // namespace vellicor
