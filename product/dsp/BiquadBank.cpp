#include "product/dsp/BiquadBank.h"

#include <algorithm>

namespace vellicor {

BiquadBank::BiquadBank(int channels)
{
  SetChannelCount(channels);
}

void BiquadBank::SetChannelCount(int channels)
{
  const int kept = std::min(mChannels, std::max(0, channels));
  mChannels = std::max(0, channels);
  const std::size_t pairs = (static_cast<std::size_t>(mChannels) + 1) / 2;
  mStates.resize(pairs * kNumSections * 4, 0.0);
  // The second lane of an odd last pair belongs to no channel: keep it clear, so a channel
  // added later starts from silence.
  for (int ch = kept; ch < static_cast<int>(pairs * 2); ++ch)
    ClearStates(ch, 0, kNumSections - 1);
}

void BiquadBank::SetSection(int section, const BiquadCoefficients& c)
{
  if (!ValidSection(section))
    return;
  for (int lane = 0; lane < 2; ++lane)
  {
    mCoef[section].b0[lane] = c.b0;
    mCoef[section].b1[lane] = c.b1;
    mCoef[section].b2[lane] = c.b2;
    mCoef[section].a1[lane] = c.a1;
    mCoef[section].a2[lane] = c.a2;
  }
}

void BiquadBank::Design(int section, BiquadDesign::Type type, double fn, double q)
{
  SetSection(section, BiquadDesign::Design(type, fn, q));
}

BiquadCoefficients BiquadBank::GetSection(int section) const
{
  if (!ValidSection(section))
    return {};
  const Coefficients& c = mCoef[section];
  return {c.b0[0], c.b1[0], c.b2[0], c.a1[0], c.a2[0]};
}

void BiquadBank::ClearStates(int channel, int firstSection, int lastSection)
{
  if (channel < 0 || Index(channel, 0) >= mStates.size())
    return;
  const int first = std::max(0, firstSection);
  const int last = std::min(kNumSections - 1, lastSection);
  for (int s = first; s <= last; ++s)
  {
    double* z = StateAt(channel, s);
    z[0] = 0.0;
    z[2] = 0.0;
  }
}

void BiquadBank::ClearChannel(int channel)
{
  ClearStates(channel, 0, kNumSections - 1);
}

void BiquadBank::ClearAll()
{
  std::fill(mStates.begin(), mStates.end(), 0.0);
}

} // namespace vellicor
