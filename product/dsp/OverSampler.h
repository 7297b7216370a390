#pragma once
#include "product/dsp/HalfBandStage.h"

#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace vellicor {

// Runs a function of one sample at 2, 4, 8 or 16 times the host rate through a cascade of
// half-band stages, so that the harmonics the function creates are filtered before they
// fold back. Any other rate (1 in particular) calls the function directly.
//
// V is the sample type: with double every channel is its own; with Double2 (StereoOverSampler)
// a "channel" is a pair of channels running in lock step, one per lane, each lane filtered
// exactly as its own double channel would be.
//
// The function is a template parameter so the per-sample call never allocates. It is either
// a function of one sample, evaluated on the sub-samples in time order, or a function of all
// the sub-samples of the call, f(const V* in, V* out, int count), for curves whose shared
// state needs a particular order across the lanes.
template <typename V>
class BasicOverSampler
{
public:
  static constexpr int kMaxExponent = HalfBandStage<V>::kNumKinds;
  static constexpr int kDefaultBlockSize = 512;

  BasicOverSampler(int exponent = 0, bool blockProcessing = true, int inputChannels = 2,
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
  V ProcessSample(F&& f, int channel, V x)
  {
    const int depth = FilterDepth(channel);
    if (depth == 0)
    {
      V y;
      Apply(f, &x, &y, 1);
      return y;
    }
    const V* up = UpSample(channel, depth, x);
    Apply(f, up, InnermostDownBuffer(channel, depth), 1 << depth);
    return DownSample(channel, depth);
  }

private:
  using StageSet = std::array<HalfBandStage<V>, kMaxExponent>;

  template <typename F>
  static void Apply(F& f, const V* in, V* out, int count)
  {
    if constexpr (std::is_invocable_v<F&, const V*, V*, int>)
    {
      f(in, out, count);
    }
    else
    {
      for (int i = 0; i < count; ++i)
        out[i] = f(in[i]);
    }
  }

  // Number of 2x stages to run for this call; 0 means call the function unfiltered.
  int FilterDepth(int channel) const;
  const V* UpSample(int channel, int depth, V x);
  V* InnermostDownBuffer(int channel, int depth);
  V DownSample(int channel, int depth);
  V* ChannelSamples(std::vector<V>& buffer, int channel, int stage);

  int mExponent = 0;
  int mRate = 1;
  bool mBlockProcessing = true;
  int mInputChannels = 0;
  int mOutputChannels = 0;
  std::size_t mBlockSize = 1;
  // Buffer k holds 2^(k+1) samples per channel per block frame: the outputs of up-stage
  // k+1 and the inputs of down-stage k+1 (the function's outputs enter the innermost one).
  std::array<std::vector<V>, kMaxExponent> mUpBuffers;
  std::array<std::vector<V>, kMaxExponent> mDownBuffers;
  std::vector<StageSet> mUpStages;   // per input channel
  std::vector<StageSet> mDownStages; // per output channel
};

// The per-sample steps are inline, so that a call compiles into one piece with its curve.

template <typename V>
inline int BasicOverSampler<V>::FilterDepth(int channel) const
{
  int depth = 0;
  switch (mRate)
  {
    case 2: depth = 1; break;
    case 4: depth = 2; break;
    case 8: depth = 3; break;
    case 16: depth = 4; break;
    default: return 0;
  }
  if (channel < 0 || channel >= mInputChannels || channel >= mOutputChannels)
    return 0;
  return depth;
}

template <typename V>
inline V* BasicOverSampler<V>::ChannelSamples(std::vector<V>& buffer, int channel, int stage)
{
  const std::size_t perChannel = mBlockSize * (std::size_t{2} << stage);
  return buffer.data() + static_cast<std::size_t>(channel) * perChannel;
}

template <typename V>
inline const V* BasicOverSampler<V>::UpSample(int channel, int depth, V x)
{
  StageSet& stages = mUpStages[static_cast<std::size_t>(channel)];
  V* prev = ChannelSamples(mUpBuffers[0], channel, 0);
  stages[0].ProcessUp(x, prev);
  int count = 2;
  for (int k = 1; k < depth; ++k)
  {
    V* next = ChannelSamples(mUpBuffers[static_cast<std::size_t>(k)], channel, k);
    for (int i = 0; i < count; ++i)
      stages[static_cast<std::size_t>(k)].ProcessUp(prev[i], next + 2 * i);
    prev = next;
    count *= 2;
  }
  return prev;
}

template <typename V>
inline V* BasicOverSampler<V>::InnermostDownBuffer(int channel, int depth)
{
  return ChannelSamples(mDownBuffers[static_cast<std::size_t>(depth - 1)], channel, depth - 1);
}

template <typename V>
inline V BasicOverSampler<V>::DownSample(int channel, int depth)
{
  StageSet& stages = mDownStages[static_cast<std::size_t>(channel)];
  for (int k = depth - 1; k >= 1; --k)
  {
    const V* src = ChannelSamples(mDownBuffers[static_cast<std::size_t>(k)], channel, k);
    V* dst = ChannelSamples(mDownBuffers[static_cast<std::size_t>(k - 1)], channel, k - 1);
    const int outputs = 1 << k;
    for (int i = 0; i < outputs; ++i)
      dst[i] = stages[static_cast<std::size_t>(k)].ProcessDown(src[2 * i], src[2 * i + 1]);
  }
  const V* first = ChannelSamples(mDownBuffers[0], channel, 0);
  return stages[0].ProcessDown(first[0], first[1]);
}

extern template class BasicOverSampler<double>;
extern template class BasicOverSampler<Double2>;

// One channel per index.
using OverSampler = BasicOverSampler<double>;
// Channel pairs in lock step: the engine's two channels are its channel 0.
using StereoOverSampler = BasicOverSampler<Double2>;

} // namespace vellicor
