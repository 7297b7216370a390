// Regression levels of the whole chain for a few characteristic settings: any change to the
// engine or its building blocks that alters the sound shows up here. When a change is meant,
// the failure message prints the new values to paste in.
#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace enginetest;

namespace {

struct Levels
{
  double rmsL, rmsR, peakL, peakR;
};

EngineParams Setting(int index)
{
  EngineParams p;
  switch (index)
  {
    case 1: // driven, mid/side, limiter after the output gain
      p[kDrive] = 75.0;
      p[kStereoMode] = 1.0;
      p[kMidSidePusher] = 40.0;
      p[kLimit] = 1.0;
      p[kOutputGain] = 6.0;
      p[kImpedanceBump] = 50.0;
      p[kDriveAreaHigh] = 3000.0;
      break;
    case 2: // limiter before the output gain at 16x, band limits, mid/side balance
      p[kDrive] = 40.0;
      p[kLimit] = 1.0;
      p[kLimitType] = 0.0;
      p[kOverSampling] = 4.0;
      p[kOutputBandlimitLow] = 150.0;
      p[kOutputBandlimitHigh] = 16.0;
      p[kBalanceMode] = 0.0;
      p[kBalance] = 30.0;
      p[kMasterDryBlend] = 80.0;
      break;
    case 3: // delta listening with a negative bump and full air, no oversampling
      p[kDrive] = 20.0;
      p[kDelta] = 1.0;
      p[kImpedanceBump] = -60.0;
      p[kVellAir] = 100.0;
      p[kImpedance] = 90.0;
      p[kOverSampling] = 0.0;
      p[kLevelCalibration] = -6.0;
      break;
    default:
      break;
  }
  return p;
}

Levels Measure(int index)
{
  const double sr = 48000.0;
  const std::size_t n = static_cast<std::size_t>(sr);
  Stereo in;
  in.l = Noise(n, 0.7, 123);
  in.r = Sweep(n, 0.7, sr, 25.0, 20000.0);
  const Stereo out = RenderFresh(Setting(index), in, sr, 512);
  Levels v{Rms(out.l, 0, n), Rms(out.r, 0, n), 0.0, 0.0};
  for (std::size_t i = 0; i < n; ++i)
  {
    v.peakL = std::max(v.peakL, std::fabs(out.l[i]));
    v.peakR = std::max(v.peakR, std::fabs(out.r[i]));
  }
  return v;
}

// RMS left, RMS right, peak left, peak right of one second at 48 kHz.
const Levels kGolden[] = {
  {0.403174383038, 0.500480744227, 0.732027550919, 0.978207059045},
  {0.573267557434, 0.786880441896, 0.993981760249, 0.993981500076},
  {0.389149181979, 0.490107551627, 0.934864191561, 0.935191966526},
  {0.0153487315031, 0.036358955284, 0.0610226366504, 0.164266395685},
};

} // namespace

TEST(EngineGolden, CharacteristicSettingsKeepTheirLevels)
{
  for (int i = 0; i < 4; ++i)
  {
    const Levels v = Measure(i);
    const Levels& g = kGolden[i];
    char text[200];
    std::snprintf(text, sizeof text, "  {%.12g, %.12g, %.12g, %.12g},", v.rmsL, v.rmsR, v.peakL, v.peakR);
    const double tol = 1e-9;
    EXPECT_NEAR(v.rmsL, g.rmsL, tol * std::max(1.0, g.rmsL)) << "setting " << i << ":\n" << text;
    EXPECT_NEAR(v.rmsR, g.rmsR, tol * std::max(1.0, g.rmsR)) << "setting " << i << ":\n" << text;
    EXPECT_NEAR(v.peakL, g.peakL, tol * std::max(1.0, g.peakL)) << "setting " << i << ":\n" << text;
    EXPECT_NEAR(v.peakR, g.peakR, tol * std::max(1.0, g.peakR)) << "setting " << i << ":\n" << text;
  }
}
