#include "product/dsp/OverSampler.h"

#include <algorithm>
#include <cmath>

namespace vellicor {

namespace {

template <typename V, std::size_t N>
void FillStages(std::vector<std::array<HalfBandStage<V>, N>>& stages, int channels)
{
  stages.resize(static_cast<std::size_t>(channels));
  for (auto& set : stages)
    for (std::size_t k = 0; k < N; ++k)
      set[k] = HalfBandStage<V>::ForKind(static_cast<int>(k) + 1);
}

} // namespace

template <typename V>
BasicOverSampler<V>::BasicOverSampler(int exponent, bool blockProcessing, int inputChannels,
                                      int outputChannels)
  : mBlockProcessing(blockProcessing)
  , mInputChannels(std::max(0, inputChannels))
  , mOutputChannels(std::max(0, outputChannels))
{
  FillStages(mUpStages, mInputChannels);
  FillStages(mDownStages, mOutputChannels);
  if (exponent != 0)
    SetExponent(exponent);
  Reset(kDefaultBlockSize);
}

template <typename V>
void BasicOverSampler<V>::SetExponent(int exponent)
{
  mExponent = exponent;
  // 2^exponent only while it fits an int; anything else is simply not a filtered rate.
  mRate = (exponent >= 0 && exponent <= 30) ? static_cast<int>(std::ldexp(1.0, exponent)) : 0;
}

template <typename V>
void BasicOverSampler<V>::Reset(int blockSize)
{
  mBlockSize = mBlockProcessing ? static_cast<std::size_t>(std::max(1, blockSize)) : 1;
  for (int k = 0; k < kMaxExponent; ++k)
  {
    const std::size_t perChannel = mBlockSize * (std::size_t{2} << k);
    mUpBuffers[static_cast<std::size_t>(k)].assign(
      perChannel * static_cast<std::size_t>(mInputChannels), V(0.0));
    mDownBuffers[static_cast<std::size_t>(k)].assign(
      perChannel * static_cast<std::size_t>(mOutputChannels), V(0.0));
  }
  for (auto& set : mUpStages)
    for (auto& stage : set)
      stage.Clear();
  for (auto& set : mDownStages)
    for (auto& stage : set)
      stage.Clear();
}

template <typename V>
int BasicOverSampler<V>::FilterDepth(int channel) const
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
V* BasicOverSampler<V>::ChannelSamples(std::vector<V>& buffer, int channel, int stage)
{
  const std::size_t perChannel = mBlockSize * (std::size_t{2} << stage);
  return buffer.data() + static_cast<std::size_t>(channel) * perChannel;
}

template <typename V>
const V* BasicOverSampler<V>::UpSample(int channel, int depth, V x)
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
V* BasicOverSampler<V>::InnermostDownBuffer(int channel, int depth)
{
  return ChannelSamples(mDownBuffers[static_cast<std::size_t>(depth - 1)], channel, depth - 1);
}

template <typename V>
V BasicOverSampler<V>::DownSample(int channel, int depth)
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

template class BasicOverSampler<double>;
template class BasicOverSampler<Double2>;

} // namespace vellicor
