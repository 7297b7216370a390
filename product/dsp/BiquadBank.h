#pragma once
#include "product/dsp/BiquadDesign.h"

#include <cstddef>
#include <vector>

namespace vellicor {

// The engine's numbered second-order sections: coefficients shared by all channels, two
// states (z1, z2) per channel and section, transposed direct form II.
// Sections start with all-zero coefficients (they output 0 until designed).
class BiquadBank
{
public:
  static constexpr int kNumSections = 32;

  explicit BiquadBank(int channels = 2);

  // Changes the channel count (allocates); states of the kept channels survive.
  void SetChannelCount(int channels);
  int NChannels() const { return mChannels; }

  void SetSection(int section, const BiquadCoefficients& c);
  void Design(int section, BiquadDesign::Type type, double fn, double q);
  BiquadCoefficients GetSection(int section) const;

  // Runs the section on x for the channel (transposed direct form II). An unknown section
  // or channel gives 0 and touches nothing. Inline because the engine runs some twenty
  // sections per sample; the consumers inherit -ffp-contract=off from the DSP library, so
  // no target fuses these products into multiply-adds.
  double Process(int section, int channel, double x)
  {
    if (!ValidSection(section) || channel < 0 || channel >= mChannels)
      return 0.0;
    const std::size_t i = Index(channel, section);
    const double y = mB0[section] * x + mZ1[i];
    mZ1[i] = mB1[section] * x + mZ2[i] - mA1[section] * y;
    mZ2[i] = mB2[section] * x - mA2[section] * y;
    return y;
  }

  // Clears z1 and z2 of sections first..last (inclusive) of one channel.
  void ClearStates(int channel, int firstSection, int lastSection);
  void ClearChannel(int channel);
  void ClearAll();

  double Z1(int channel, int section) const { return mZ1[Index(channel, section)]; }
  double Z2(int channel, int section) const { return mZ2[Index(channel, section)]; }

private:
  static bool ValidSection(int section) { return section >= 0 && section < kNumSections; }
  std::size_t Index(int channel, int section) const
  {
    return static_cast<std::size_t>(channel) * kNumSections + static_cast<std::size_t>(section);
  }

  int mChannels = 0;
  double mB0[kNumSections] = {};
  double mB1[kNumSections] = {};
  double mB2[kNumSections] = {};
  double mA1[kNumSections] = {};
  double mA2[kNumSections] = {};
  std::vector<double> mZ1;
  std::vector<double> mZ2;
};

} // namespace vellicor
