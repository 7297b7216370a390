#pragma once
#include "product/dsp/BiquadDesign.h"
#include "product/dsp/Double2.h"

#include <cstddef>
#include <vector>

namespace vellicor {

// The engine's numbered second-order sections: coefficients shared by all channels, two
// states (z1, z2) per channel and section, transposed direct form II.
// Sections start with all-zero coefficients (they output 0 until designed).
//
// Channels are stored in pairs (0 and 1, 2 and 3, ...), the two states of a pair side by
// side, so that ProcessStereo runs channels 0 and 1 in one go.
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
    return Step<double>(mCoef[section], StateAt(channel, section), x);
  }

  // The section on channels 0 (lane 0) and 1 (lane 1) at once: exactly two Process calls.
  // For the engine's hot loop: the section must be valid and the bank hold two channels.
  Double2 ProcessStereo(int section, Double2 x) { return Step<Double2>(mCoef[section], StateAt(0, section), x); }

  // Clears z1 and z2 of sections first..last (inclusive) of one channel.
  void ClearStates(int channel, int firstSection, int lastSection);
  void ClearChannel(int channel);
  void ClearAll();

  double Z1(int channel, int section) const { return mStates[Index(channel, section)]; }
  double Z2(int channel, int section) const { return mStates[Index(channel, section) + 2]; }

private:
  // Each coefficient twice, once per lane of a pair.
  struct Coefficients
  {
    double b0[2] = {};
    double b1[2] = {};
    double b2[2] = {};
    double a1[2] = {};
    double a2[2] = {};
  };

  // One step on the states at z (z1 of lane 0, z1 of lane 1, z2 of lane 0, z2 of lane 1);
  // for one channel V is double and only the channel's own entries are touched.
  template <typename V>
  static V Step(const Coefficients& c, double* z, V x)
  {
    const V y = LoadLanes<V>(c.b0) * x + LoadLanes<V>(z);
    StoreLanes(z, LoadLanes<V>(c.b1) * x + LoadLanes<V>(z + 2) - LoadLanes<V>(c.a1) * y);
    StoreLanes(z + 2, LoadLanes<V>(c.b2) * x - LoadLanes<V>(c.a2) * y);
    return y;
  }
  static bool ValidSection(int section) { return section >= 0 && section < kNumSections; }
  // z1 of (channel, section); z2 follows two entries later.
  std::size_t Index(int channel, int section) const
  {
    const std::size_t pair = static_cast<std::size_t>(channel) / 2;
    const std::size_t lane = static_cast<std::size_t>(channel) % 2;
    return (pair * kNumSections + static_cast<std::size_t>(section)) * 4 + lane;
  }
  double* StateAt(int channel, int section) { return mStates.data() + Index(channel, section); }

  int mChannels = 0;
  Coefficients mCoef[kNumSections];
  std::vector<double> mStates;
};

} // namespace vellicor
