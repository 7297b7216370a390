// The demo programme that the demo script and these tests render: same on every run, the
// asked length and peak, and nothing for options it cannot honour.

#include "product/bundle/DemoSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(DemoSignalTest, IsDeterministicWithTheAskedShapeAndPeak)
{
  vellicor::DemoSignalOptions options;
  options.sampleRate = 44100.0;
  options.seconds = 1.5;
  options.channels = 2;
  options.peak = 0.25;
  const auto signal = vellicor::GenerateDemoSignal(options);
  ASSERT_EQ(signal.size(), 2u);
  ASSERT_EQ(signal[0].size(), 66150u);
  ASSERT_EQ(signal[1].size(), 66150u);
  EXPECT_EQ(vellicor::GenerateDemoSignal(options), signal);

  float peak = 0.0f;
  double energy = 0.0;
  for (const auto& channel : signal)
    for (float v : channel)
    {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::max(peak, std::fabs(v));
      energy += static_cast<double>(v) * v;
    }
  EXPECT_NEAR(peak, 0.25f, 1e-6f);
  // Programme material, not a few clicks: the level sits well above the noise floor.
  EXPECT_GT(std::sqrt(energy / (2.0 * 66150.0)), 0.02);
  // The channels differ (their own hi-hat placement and noise) but share the rest.
  EXPECT_NE(signal[0], signal[1]);

  options.channels = 1;
  const auto mono = vellicor::GenerateDemoSignal(options);
  ASSERT_EQ(mono.size(), 1u);
  EXPECT_EQ(mono[0].size(), 66150u);
}

TEST(DemoSignalTest, UnusableOptionsGiveNothing)
{
  for (const auto& change : {+[](vellicor::DemoSignalOptions& o) { o.channels = 0; },
                             +[](vellicor::DemoSignalOptions& o) { o.channels = 3; },
                             +[](vellicor::DemoSignalOptions& o) { o.seconds = 0.0; },
                             +[](vellicor::DemoSignalOptions& o) { o.seconds = NAN; },
                             +[](vellicor::DemoSignalOptions& o) { o.sampleRate = -48000.0; },
                             +[](vellicor::DemoSignalOptions& o) { o.seconds = 1e12; }})
  {
    vellicor::DemoSignalOptions options;
    change(options);
    EXPECT_TRUE(vellicor::GenerateDemoSignal(options).empty());
  }
}

} // namespace
