#include "product/dsp/BiquadBank.h"

#include <algorithm>

namespace vellicor {

BiquadBank::BiquadBank(int channels)
{
  SetChannelCount(channels);
}

void BiquadBank::SetChannelCount(int channels)
{
  mChannels = std::max(0, channels);
  const std::size_t n = static_cast<std::size_t>(mChannels) * kNumSections;
  mZ1.resize(n, 0.0);
  mZ2.resize(n, 0.0);
}

void BiquadBank::SetSection(int section, const BiquadCoefficients& c)
{
  if (!ValidSection(section))
    return;
  mB0[section] = c.b0;
  mB1[section] = c.b1;
  mB2[section] = c.b2;
  mA1[section] = c.a1;
  mA2[section] = c.a2;
}

void BiquadBank::Design(int section, BiquadDesign::Type type, double fn, double q)
{
  SetSection(section, BiquadDesign::Design(type, fn, q));
}

BiquadCoefficients BiquadBank::GetSection(int section) const
{
  if (!ValidSection(section))
    return {};
  return {mB0[section], mB1[section], mB2[section], mA1[section], mA2[section]};
}

void BiquadBank::ClearStates(int channel, int firstSection, int lastSection)
{
  if (channel < 0 || channel >= mChannels)
    return;
  const int first = std::max(0, firstSection);
  const int last = std::min(kNumSections - 1, lastSection);
  for (int s = first; s <= last; ++s)
  {
    mZ1[Index(channel, s)] = 0.0;
    mZ2[Index(channel, s)] = 0.0;
  }
}

void BiquadBank::ClearChannel(int channel)
{
  ClearStates(channel, 0, kNumSections - 1);
}

void BiquadBank::ClearAll()
{
  std::fill(mZ1.begin(), mZ1.end(), 0.0);
  std::fill(mZ2.begin(), mZ2.end(), 0.0);
}

} // namespace vellicor
