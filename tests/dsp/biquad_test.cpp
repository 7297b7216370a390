#include "product/dsp/BiquadBank.h"
#include "product/dsp/BiquadDesign.h"
#include "product/dsp/FixedSections.h"

#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace vellicor;

namespace {

const double kPi = std::acos(-1.0);

double GainDb(const BiquadCoefficients& c, double fn)
{
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * fn);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> h = (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
  return 20.0 * std::log10(std::abs(h));
}

double LargestPoleRadius(const BiquadCoefficients& c)
{
  // Roots of z^2 + a1 z + a2.
  const std::complex<double> disc = std::sqrt(std::complex<double>(c.a1 * c.a1 - 4.0 * c.a2));
  const std::complex<double> p1 = (-c.a1 + disc) / 2.0;
  const std::complex<double> p2 = (-c.a1 - disc) / 2.0;
  return std::max(std::abs(p1), std::abs(p2));
}

} // namespace

TEST(BiquadDesign, ResponsesAtTheCutOff)
{
  for (double fn : {0.0005, 0.005, 0.05, 0.1, 0.2, 0.3, 0.4, 0.45})
  {
    SCOPED_TRACE(fn);
    EXPECT_NEAR(GainDb(BiquadDesign::LowPass(fn, 0.7071), fn), -3.01, 0.005);
    EXPECT_NEAR(GainDb(BiquadDesign::HighPass(fn, 0.7071), fn), -3.01, 0.005);
    EXPECT_NEAR(GainDb(BiquadDesign::LowPass(fn, 0.7071), 0.0), 0.0, 1e-9);
    EXPECT_NEAR(GainDb(BiquadDesign::HighPass(fn, 0.7071), 0.5), 0.0, 1e-9);
    for (double q : {0.41, 0.7071, 1.2071})
    {
      const BiquadCoefficients bp = BiquadDesign::BandPass(fn, q);
      EXPECT_NEAR(GainDb(bp, fn), 0.0, 1e-9);
      for (double f = 0.001; f < 0.5; f += 0.01)
        EXPECT_LE(GainDb(bp, f), 1e-9);
      EXPECT_LT(GainDb(BiquadDesign::Notch(fn, q), fn), -80.0);
      EXPECT_NEAR(GainDb(BiquadDesign::Notch(fn, q), 0.0), 0.0, 1e-9);
    }
  }
}

TEST(BiquadDesign, EveryFixedSectionIsStableAtEverySupportedRate)
{
  for (double sr : {44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0})
  {
    SCOPED_TRACE(sr);
    BiquadBank bank(2);
    DesignFixedSections(bank, sr, 4);
    for (const FixedSection& s : FixedSections())
    {
      const BiquadCoefficients c = bank.GetSection(s.section);
      EXPECT_LT(LargestPoleRadius(c), 1.0) << "section " << s.section;
      const double rate = s.airRate ? sr * 2.0 : sr;
      const BiquadCoefficients expected = BiquadDesign::Design(s.type, s.frequency / rate, s.q);
      EXPECT_EQ(c.b0, expected.b0) << "section " << s.section;
      EXPECT_EQ(c.a2, expected.a2) << "section " << s.section;
    }
    // The moving sections over their whole parameter ranges.
    for (double f : {10.0, 50.0, 150.0, 1000.0, 2000.0, 6000.0, 20000.0})
    {
      EXPECT_LT(LargestPoleRadius(BiquadDesign::HighPass(f / sr, 0.7)), 1.0) << f;
      EXPECT_LT(LargestPoleRadius(BiquadDesign::LowPass(f / sr, 0.7)), 1.0) << f;
      EXPECT_LT(LargestPoleRadius(BiquadDesign::BandPass(f / sr, 0.7071)), 1.0) << f;
    }
    // Sections without a design stay silent.
    for (int s : {0, 9, 12, 13, 14, 15, 16, 19, 31})
      EXPECT_EQ(bank.Process(s, 0, 1.0), 0.0);
  }
  std::vector<int> numbers;
  for (const FixedSection& s : FixedSections())
    numbers.push_back(s.section);
  EXPECT_EQ(numbers, (std::vector<int>{22, 23, 29, 2, 20, 21, 17, 30, 18, 3, 1, 24, 25, 26, 27, 28, 4}));
}

TEST(BiquadBank, FiltersSignalsPerChannelWithSharedCoefficients)
{
  const int n = 4096;
  const int bin = 410; // the cut-off, about 4.4 kHz at 44.1 kHz
  const double fn = static_cast<double>(bin) / n;
  BiquadBank bank(2);
  bank.Design(6, BiquadDesign::Type::LowPass, fn, 0.7071);
  bank.Design(25, BiquadDesign::Type::Notch, fn, 0.6071);
  std::vector<double> lp, notch, other;
  for (int i = 0; i < 4 * n; ++i)
  {
    const double x = 0.5 * std::sin(2 * kPi * fn * i);
    const double a = bank.Process(6, 0, x);
    const double b = bank.Process(25, 1, x);
    const double c = bank.Process(6, 1, x); // same coefficients, own state
    if (i >= 3 * n)
    {
      lp.push_back(a);
      notch.push_back(b);
      other.push_back(c);
    }
  }
  EXPECT_NEAR(testsupport::ToDb(testsupport::AmplitudeSpectrum(lp)[bin] / 0.5), -3.01, 0.005);
  EXPECT_LT(testsupport::ToDb(testsupport::AmplitudeSpectrum(notch)[bin] / 0.5), -80.0);
  EXPECT_EQ(lp, other);

  // Transposed direct form II gives the difference equation's impulse response.
  BiquadBank one(1);
  const BiquadCoefficients c = BiquadDesign::BandPass(0.05, 0.5071);
  one.SetSection(23, c);
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (int i = 0; i < 50; ++i)
  {
    const double x = i == 0 ? 1.0 : 0.0;
    const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    EXPECT_NEAR(one.Process(23, 0, x), y, 1e-15);
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
  }

  // Clearing a range touches only that range and channel.
  bank.ClearStates(1, 10, 26);
  EXPECT_EQ(bank.Z1(1, 25), 0.0);
  EXPECT_EQ(bank.Z2(1, 25), 0.0);
  EXPECT_NE(bank.Z1(1, 6), 0.0);
  EXPECT_NE(bank.Z1(0, 6), 0.0);
  bank.ClearChannel(0);
  EXPECT_EQ(bank.Z1(0, 6), 0.0);
  bank.ClearAll();
  EXPECT_EQ(bank.Z1(1, 6), 0.0);

  // Unknown sections and channels are ignored.
  EXPECT_EQ(bank.Process(32, 0, 1.0), 0.0);
  EXPECT_EQ(bank.Process(-1, 0, 1.0), 0.0);
  EXPECT_EQ(bank.Process(6, 2, 1.0), 0.0);
  bank.SetSection(40, c);
  bank.ClearStates(5, 0, 31);
  EXPECT_EQ(bank.GetSection(40).b0, 0.0);
}
