#pragma once
#include "product/dsp/BiquadBank.h"

#include <array>

namespace vellicor {

// One section whose design depends only on the sample rate. Air sections are designed at
// sampleRate x airRepeatCount x 0.5 instead of the sample rate.
struct FixedSection
{
  int section;
  BiquadDesign::Type type;
  double frequency; // Hz
  double q;
  bool airRate;
};

constexpr int kNumFixedSections = 17;

// The fixed sections in the order the processing reset designs them.
const std::array<FixedSection, kNumFixedSections>& FixedSections();

// Designs every fixed section of the bank for the sample rate, in table order.
void DesignFixedSections(BiquadBank& bank, double sampleRate, int airRepeatCount);

} // namespace vellicor
