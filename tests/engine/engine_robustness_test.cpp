// Wild input, every oversampling factor at every host rate, low rates and the reset's guards.
#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace enginetest;

namespace {

// A few settings that reach the corners of the chain.
std::vector<EngineParams> CharacteristicSettings()
{
  std::vector<EngineParams> all;
  all.emplace_back(); // defaults

  EngineParams hot;
  hot[kDrive] = 100.0;
  hot[kInputGain] = 12.0;
  hot[kOutputGain] = 12.0;
  hot[kLimit] = 1.0;
  hot[kStereoMode] = 1.0;
  hot[kMidSidePusher] = 100.0;
  hot[kImpedanceBump] = 100.0;
  hot[kLevelCalibration] = 4.0;
  hot[kDriveAreaLow] = 2000.0;
  hot[kDriveAreaHigh] = 6000.0;
  hot[kDriveTone] = 100.0;
  all.push_back(hot);

  EngineParams odd;
  odd[kDrive] = 35.0;
  odd[kImpedance] = 0.0;
  odd[kImpedanceArea] = 100.0;
  odd[kImpedanceBump] = -100.0;
  odd[kLevelCalibration] = -24.0;
  odd[kVellAir] = 100.0;
  odd[kBalance] = -100.0;
  odd[kBalanceMode] = 0.0;
  odd[kMidSidePusher] = -100.0;
  odd[kStereoMode] = 1.0;
  odd[kOutputBandlimitLow] = 1000.0;
  odd[kOutputBandlimitHigh] = 1.0;
  odd[kLimit] = 1.0;
  odd[kLimitType] = 0.0;
  odd[kDelta] = 1.0;
  odd[kMasterDryBlend] = 55.0;
  all.push_back(odd);
  return all;
}

} // namespace

TEST(EngineRobustness, WildInputSamplesGiveFiniteOutputAndTheEngineRecovers)
{
  const double sr = 48000.0;
  const std::size_t n = static_cast<std::size_t>(sr);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const EngineParams& base : CharacteristicSettings())
  {
    Stereo in;
    in.l = Noise(n, 0.5, 21);
    in.r = Sweep(n, 0.5, sr, 30.0, 18000.0);
    const double wild[] = {nan, inf, -inf, 1e30, -1e30, 1e300, 4.9e-324, -nan};
    for (std::size_t i = 0; i < 4000; ++i)
    {
      in.l[1000 + i] = wild[i % 8];
      in.r[1000 + i * 3] = wild[(i + 3) % 8];
    }
    for (std::size_t i = 20000; i < 20400; ++i)
      in.l[i] = in.r[i] = 1e30;

    EngineParams p = base;
    p[kDrive] = std::max(p[kDrive], 50.0);
    VellicorEngine engine;
    ASSERT_TRUE(engine.Reset(sr, 512, p));
    Stereo out(n);
    Render(engine, p, in, out, 512);
    EXPECT_TRUE(AllFinite(out));
    // Well after the last wild sample the engine processes again rather than staying muted.
    EXPECT_GT(Rms(out.l, n - 4800, n), 1e-3);
    EXPECT_GT(Rms(out.r, n - 4800, n), 1e-3);
    EXPECT_TRUE(std::isfinite(engine.GetDriveLevelSum()));
  }
}

class EngineRates : public ::testing::TestWithParam<double>
{
};

TEST_P(EngineRates, EveryOverSamplingFactorStaysFinite)
{
  const double sr = GetParam();
  const std::size_t n = static_cast<std::size_t>(2 * sr);
  Stereo in;
  in.l = Noise(n / 2, 0.9, 8);
  in.r = Noise(n / 2, 0.9, 9);
  const std::vector<double> sweep = Sweep(n - n / 2, 0.9, sr, 20.0, sr * 0.45);
  in.l.insert(in.l.end(), sweep.begin(), sweep.end());
  in.r.insert(in.r.end(), sweep.begin(), sweep.end());
  const std::vector<EngineParams> settings = CharacteristicSettings();
  const std::size_t segment = n / settings.size() + 1;
  for (int os = 0; os <= 4; ++os)
  {
    VellicorEngine engine;
    EngineParams p = settings[0];
    p[kOverSampling] = os;
    ASSERT_TRUE(engine.Reset(sr, 512, p));
    Stereo out(n);
    // The settings change every segment, as automation would.
    for (std::size_t s = 0; s < settings.size(); ++s)
    {
      p = settings[s];
      p[kOverSampling] = os;
      Render(engine, p, in, out, 512, s * segment, segment);
    }
    EXPECT_TRUE(AllFinite(out)) << "factor " << (1 << os);
    EXPECT_EQ(engine.GetLimitOverSamplingExponent(), os);
    EXPECT_GT(Rms(out.l, n - n / 8, n), 1e-3) << "factor " << (1 << os);
  }
}

INSTANTIATE_TEST_SUITE_P(HostRates, EngineRates,
                         ::testing::Values(44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return std::to_string(static_cast<int>(info.param));
                         });

TEST(EngineRobustness, LowSampleRatesStayStable)
{
  // At these rates an output band limit at 20 kHz (and some fixed sections) would sit above
  // half the rate; the designs are kept below it.
  for (double sr : {8000.0, 22050.0, 32000.0})
  {
    EngineParams p;
    p[kDrive] = 40.0;
    p[kOutputBandlimitHigh] = 19.0; // the low-pass blend half on
    p[kDriveAreaHigh] = 6000.0;
    p[kDriveTone] = 100.0;
    const std::size_t n = static_cast<std::size_t>(sr);
    Stereo in;
    in.l = Noise(n, 0.5, 1);
    in.r = Noise(n, 0.5, 2);
    const Stereo out = RenderFresh(p, in, sr);
    EXPECT_TRUE(AllFinite(out)) << sr;
    EXPECT_GT(Rms(out.l, n / 2, n), 1e-2) << sr;
    EXPECT_LT(Rms(out.l, n / 2, n), 5.0) << sr;
  }
}

TEST(EngineRobustness, ResetRefusesBadRatesAndClearsBrokenState)
{
  EngineParams p;
  p[kDrive] = 50.0;
  VellicorEngine engine;
  ASSERT_TRUE(engine.Reset(44100.0, 256, p));
  for (double bad : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(engine.Reset(bad, 256, p));
  EXPECT_EQ(engine.GetSampleRate(), 44100.0);

  // Broken filter and DC-blocker state is gone after a reset, and the output is normal.
  engine.GetDcBlockerState().yPrev = std::numeric_limits<double>::quiet_NaN();
  engine.GetDcBlockerState().dPrev = std::numeric_limits<double>::infinity();
  ASSERT_TRUE(engine.Reset(48000.0, 256, p));
  EXPECT_EQ(engine.GetDcBlockerState().yPrev, 0.0);
  EXPECT_EQ(engine.GetDcBlockerState().dPrev, 0.0);
  EXPECT_EQ(engine.GetSampleRate(), 48000.0);

  const Stereo in = [] {
    Stereo s;
    s.l = Noise(4800, 0.5, 4);
    s.r = Noise(4800, 0.5, 6);
    return s;
  }();
  Stereo out(in.Size());
  Render(engine, p, in, out, 256);
  engine.GetFilterBank().Process(17, 0, std::numeric_limits<double>::infinity());
  ASSERT_FALSE(std::isfinite(engine.GetFilterBank().Z1(0, 17)));
  ASSERT_TRUE(engine.Reset(48000.0, 256, p));
  for (int section = 0; section < vellicor::BiquadBank::kNumSections; ++section)
    for (int ch = 0; ch < 2; ++ch)
    {
      EXPECT_EQ(engine.GetFilterBank().Z1(ch, section), 0.0);
      EXPECT_EQ(engine.GetFilterBank().Z2(ch, section), 0.0);
    }
  Render(engine, p, in, out, 256);
  EXPECT_TRUE(AllFinite(out));
  EXPECT_GT(Rms(out.l, 2400, 4800), 1e-2);

  // A reset puts the fade just above the threshold: the first block runs the wet path even
  // with the power off.
  p[kPower] = 0.0;
  ASSERT_TRUE(engine.Reset(48000.0, 256, p));
  EXPECT_EQ(engine.GetPowerFade(), VellicorEngine::kResetFade);
  Render(engine, p, in, out, 256, 0, 256);
  EXPECT_NE(engine.GetDriveLevelSum(), 2e-6f);
}

TEST(EngineRobustness, NonFiniteParameterValuesFallBackToDefaults)
{
  EngineParams p;
  const Stereo in = [] {
    Stereo s;
    s.l = Noise(4096, 0.5, 4);
    s.r = Noise(4096, 0.5, 6);
    return s;
  }();
  const Stereo ref = RenderFresh(p, in);
  EngineParams bad;
  for (int i : {kDrive, kOverSampling, kLimit, kOutputBandlimitHigh, kLevelCalibration})
    bad[i] = std::numeric_limits<double>::quiet_NaN();
  bad[kInputGain] = std::numeric_limits<double>::infinity();
  const Stereo out = RenderFresh(bad, in);
  EXPECT_EQ(out.l, ref.l);
  EXPECT_EQ(out.r, ref.r);
}

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>

TEST(EngineRobustness, ProcessFlushesDenormalsAndLeavesTheCallersFloatingPointModeAlone)
{
  // A host thread without flush-to-zero, input barely above the smallest normal number,
  // and the band-limit high-pass automated back to its floor, so its blend glides toward 0.
  // Denormals are flushed inside the block: no output sample and no smoother or filter state
  // is left subnormal (a smoother gliding toward 0 would otherwise stall a few steps above
  // it for good, costing time on every sample). The host thread's mode comes back as it was.
  const unsigned saved = _mm_getcsr();
  const unsigned withoutFlush = saved & ~0x8040u;
  EngineParams p;
  p[kDrive] = 30.0;
  p[kOutputBandlimitLow] = 100.0;
  Stereo in;
  in.l = Noise(48000, 4e-308, 1);
  in.r = Noise(48000, 4e-308, 2);
  VellicorEngine engine;
  ASSERT_TRUE(engine.Reset(48000.0, 512, p));
  Stereo out(in.Size());
  _mm_setcsr(withoutFlush);
  Render(engine, p, in, out, 512, 0, 512);
  p[kOutputBandlimitLow] = 10.0;
  Render(engine, p, in, out, 512, 512);
  // Control bits only: the low six are sticky exception flags that any arithmetic sets.
  EXPECT_EQ(_mm_getcsr() & ~0x3Fu, withoutFlush & ~0x3Fu);
  _mm_setcsr(saved);
  auto normalOrZero = [](double x) { return x == 0.0 || std::isnormal(x); };
  for (std::size_t i = 0; i < out.Size(); ++i)
    ASSERT_TRUE(normalOrZero(out.l[i]) && normalOrZero(out.r[i])) << i;
  for (int ch = 0; ch < 2; ++ch)
  {
    for (int slot = 0; slot < 32; ++slot)
      EXPECT_TRUE(normalOrZero(engine.GetSmoother(ch, slot))) << "smoother " << ch << "/" << slot;
    for (int section = 0; section < vellicor::BiquadBank::kNumSections; ++section)
      EXPECT_TRUE(normalOrZero(engine.GetFilterBank().Z1(ch, section)) &&
                  normalOrZero(engine.GetFilterBank().Z2(ch, section)))
        << "section " << ch << "/" << section;
  }
  // The wet path ran: the difference from the input is far above the denormal range.
  EXPECT_GT(MaxAbsDiff(out.l, in.l), 1e-20);
}
#endif

