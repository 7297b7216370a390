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

template class BasicOverSampler<double>;
template class BasicOverSampler<Double2>;

} // namespace vellicor
