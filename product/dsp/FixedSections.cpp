#include "product/dsp/FixedSections.h"

namespace vellicor {

namespace {

using T = BiquadDesign::Type;

const std::array<FixedSection, kNumFixedSections> kFixed = {{
  {22, T::LowPass, 2000.0, 0.2071, false},
  {23, T::BandPass, 47.6, 0.5071, false},
  {29, T::LowPass, 1000.0, 0.6071, false},
  {2, T::HighPass, 500.0, 0.1071, false},
  {20, T::BandPass, 21100.0, 1.2071, true},
  {21, T::LowPass, 19400.0, 0.6071, true},
  {17, T::LowPass, 14.0, 0.6, false},
  {30, T::LowPass, 14.0, 0.6, false},
  {18, T::HighPass, 150.0, 0.7, false},
  {3, T::HighPass, 150.0, 0.7, false},
  {1, T::LowPass, 1000.0, 0.37071, false},
  {24, T::HighPass, 5000.0, 0.5071, false},
  {25, T::Notch, 58.8, 0.6071, false},
  {26, T::Notch, 62.3, 0.92071, false},
  {27, T::LowPass, 10.0, 0.71, false},
  {28, T::BandPass, 613.0, 0.41, false},
  {4, T::HighPass, 300.0, 0.4071, false},
}};

} // namespace

const std::array<FixedSection, kNumFixedSections>& FixedSections()
{
  return kFixed;
}

void DesignFixedSections(BiquadBank& bank, double sampleRate, int airRepeatCount)
{
  for (const FixedSection& s : kFixed)
  {
    const double rate = s.airRate ? sampleRate * airRepeatCount * 0.5 : sampleRate;
    bank.Design(s.section, s.type, s.frequency / rate, s.q);
  }
}

} // namespace vellicor
