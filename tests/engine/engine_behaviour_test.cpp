// What the engine must do to the audio: dry blend, power, delta, channel modes, balance,
// block-size independence, DC, the limiter ceiling, the requests from the parameter reactions.
#include "EngineHarness.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

constexpr double kRate = 48000.0;

} // namespace

TEST(Engine, DryBlendZeroGivesTheInputExactly)
{
  for (int variant = 0; variant < 3; ++variant)
  {
    // With the limiter on the input stays within its ceiling (beyond it the limiter wins).
    const Stereo in = NoisePair(24000, variant == 2 ? 0.994 : 1.2);
    const Stereo out = RenderFresh(DryBlendZeroSettings(variant), in);
    EXPECT_EQ(out.l, in.l) << "variant " << variant;
    EXPECT_EQ(out.r, in.r) << "variant " << variant;
  }
}

TEST(Engine, PowerOffFadesToTheInputAndRestsTheLeds)
{
  const std::size_t n = static_cast<std::size_t>(5 * kRate);
  const std::size_t second = static_cast<std::size_t>(kRate);
  const Stereo in = NoisePair(n, 0.5);
  EngineParams p = Driven();
  VellicorEngine engine;
  ASSERT_TRUE(engine.Reset(kRate, 512, p));
  Stereo out(n);
  Render(engine, p, in, out, 512, 0, second);
  EXPECT_GT(engine.GetPowerFade(), 0.99);
  EXPECT_GT(MaxAbsDiff(std::vector<double>(out.l.begin() + second / 2, out.l.begin() + second),
                       std::vector<double>(in.l.begin() + second / 2, in.l.begin() + second)), 1e-2);

  // Power off: the fade falls (below the threshold after about 2.4 s at 48 kHz), then the
  // output is the input.
  p[kPower] = 0.0;
  Render(engine, p, in, out, 512, second);
  const std::size_t tail = 4 * second;
  EXPECT_LT(MaxAbsDiff(std::vector<double>(out.l.begin() + tail, out.l.end()),
                       std::vector<double>(in.l.begin() + tail, in.l.end())), 1e-12);
  EXPECT_LT(MaxAbsDiff(std::vector<double>(out.r.begin() + tail, out.r.end()),
                       std::vector<double>(in.r.begin() + tail, in.r.end())), 1e-12);
  EXPECT_LE(engine.GetPowerFade(), VellicorEngine::kWetThreshold);
  EXPECT_FLOAT_EQ(engine.GetDriveLevelSum(), 2e-6f);
  EXPECT_FLOAT_EQ(engine.GetImpedanceLevelSum(), 2e-6f);
}

TEST(Engine, PowerBackOnDoesNotReplayAnOldBlock)
{
  // Power off long enough for the wet pass to stop, a loud block, then power on and silence:
  // the block that turns the power on must not bring back any of the loud block.
  EngineParams p = Driven();
  p[kPower] = 0.0;
  const Stereo silence(static_cast<std::size_t>(3 * kRate));
  const Stereo loud = NoisePair(512, 0.9);
  for (double delta : {0.0, 1.0})
  {
    VellicorEngine engine;
    engine.Reset(kRate, 512, p);
    Stereo sink(silence.Size()), loudOut(512);
    Render(engine, p, silence, sink, 512);
    ASSERT_LE(engine.GetPowerFade(), VellicorEngine::kWetThreshold);
    Render(engine, p, loud, loudOut, 512);
    EngineParams on = p;
    on[kPower] = 1.0;
    on[kDelta] = delta;
    Stereo quiet(512), quietOut(512);
    Render(engine, on, quiet, quietOut, 512);
    EXPECT_EQ(MaxAbsDiff(quietOut.l, quiet.l), 0.0) << "delta " << delta;
    EXPECT_EQ(MaxAbsDiff(quietOut.r, quiet.r), 0.0) << "delta " << delta;
  }
}

TEST(Engine, DeltaModeIsTheDifferenceSignal)
{
  const Stereo in = NoisePair(static_cast<std::size_t>(kRate), 0.4);
  for (int variant = 0; variant < 2; ++variant)
  {
    EngineParams p = DeltaSettings(variant);
    const Stereo plain = RenderFresh(p, in);
    p[kDelta] = 1.0;
    const Stereo delta = RenderFresh(p, in);
    double worst = 0.0, energy = 0.0;
    for (std::size_t i = 0; i < in.Size(); ++i)
    {
      worst = std::max(worst, std::fabs((plain.l[i] - in.l[i]) - delta.l[i]));
      worst = std::max(worst, std::fabs((plain.r[i] - in.r[i]) - delta.r[i]));
      energy += delta.l[i] * delta.l[i];
    }
    EXPECT_LT(worst, 1e-12) << "variant " << variant;
    EXPECT_GT(energy, 1.0) << "the difference signal is not trivially silent";
  }
}

TEST(Engine, MonoMatchesStereoWithASilentRightChannel)
{
  const std::size_t n = 20000;
  const std::vector<double> left = Noise(n, 0.6, 5);
  for (double stereoMode : {0.0, 1.0})
  {
    EngineParams p = Driven();
    p[kStereoMode] = stereoMode;
    p[kLimit] = 1.0;

    // A mono instance: one connected channel, the second slot a zeroed scratch buffer (or
    // no buffer at all).
    EngineParams mono = p;
    mono.connectedOutputChannels = 1;
    VellicorEngine a;
    a.Reset(kRate, 500, mono);
    VellicorEngine b;
    b.Reset(kRate, 500, p);
    std::vector<double> scratchIn(500, 0.0), scratchOut(500), outA(500), outB(500), rightB(500);
    std::vector<double> silent(500, 0.0), inBlock(500);
    for (std::size_t pos = 0; pos < n; pos += 500)
    {
      std::copy_n(left.begin() + static_cast<std::ptrdiff_t>(pos), 500, inBlock.begin());
      double* insA[2] = {inBlock.data(), (pos / 500) % 2 ? scratchIn.data() : nullptr};
      double* outsA[2] = {outA.data(), scratchOut.data()};
      a.Process(insA, outsA, 500, mono);
      double* insB[2] = {inBlock.data(), silent.data()};
      double* outsB[2] = {outB.data(), rightB.data()};
      b.Process(insB, outsB, 500, p);
      ASSERT_EQ(outA, outB) << "stereo mode " << stereoMode << " at " << pos;
    }
  }

  // In dual mono without drive nothing couples the channels: the left output does not
  // depend on what the right channel carries.
  EngineParams p;
  p[kImpedanceBump] = 30.0;
  Stereo quiet(n), busy(n);
  quiet.l = left;
  busy.l = left;
  busy.r = Noise(n, 0.9, 77);
  const Stereo outQuiet = RenderFresh(p, quiet);
  const Stereo outBusy = RenderFresh(p, busy);
  EXPECT_EQ(outQuiet.l, outBusy.l);
}

TEST(Engine, BlockSizeDoesNotChangeTheOutputWithoutDriveAndLimiter)
{
  const std::size_t n = static_cast<std::size_t>(kRate);
  Stereo in;
  in.l = Noise(n, 0.5, 3);
  in.r = Sweep(n, 0.5, kRate, 20.0, 20000.0);
  for (double stereoMode : {0.0, 1.0})
  {
    const EngineParams p = BlockSizeSettings(stereoMode);
    const Stereo ref = RenderFresh(p, in, kRate, 64);
    for (int block : {512, 1000})
    {
      const Stereo out = RenderFresh(p, in, kRate, block);
      EXPECT_EQ(out.l, ref.l) << "block " << block << " stereo mode " << stereoMode;
      EXPECT_EQ(out.r, ref.r) << "block " << block << " stereo mode " << stereoMode;
    }
  }
}

TEST(Engine, WetPathRemovesDc)
{
  const std::size_t n = static_cast<std::size_t>(3 * kRate);
  Stereo in;
  in.l = Sine(n, 0.2, kRate, 1000.0, 0.5);
  in.r = Sine(n, 0.2, kRate, 440.0, -0.3);
  for (double drive : {0.0, 50.0})
  {
    EngineParams p;
    p[kDrive] = drive;
    const Stereo out = RenderFresh(p, in);
    const std::size_t from = static_cast<std::size_t>(2 * kRate);
    EXPECT_NEAR(Mean(out.l, from, n), 0.0, 2e-3) << "drive " << drive;
    EXPECT_NEAR(Mean(out.r, from, n), 0.0, 2e-3) << "drive " << drive;
    // The tone itself goes through.
    EXPECT_GT(Rms(out.l, from, n), 0.02);
  }
}

TEST(Engine, LimiterKeepsEverySampleWithinTheCeilingWhilePowerIsOn)
{
  // Hot input, from the first sample on: also during the fade-in after the reset and with
  // the dry share of a blend below 100 mixed back in.
  const std::size_t n = static_cast<std::size_t>(kRate / 2);
  const Stereo in = HotInput(n);
  int runs = 0;
  for (int os = 0; os <= 4; os += 2)
    for (double limitType : {0.0, 1.0})
      for (double delta : {0.0, 1.0})
        for (double blend : {100.0, 40.0})
        {
          const Stereo out = RenderFresh(LimiterStressSettings(os, limitType, delta, blend), in);
          double peak = 0.0;
          for (std::size_t i = 0; i < n; ++i)
            peak = std::max({peak, std::fabs(out.l[i]), std::fabs(out.r[i])});
          EXPECT_LE(peak, VellicorEngine::kLimitCeiling)
            << os << " " << limitType << " " << delta << " " << blend;
          EXPECT_GT(peak, 0.3);
          ++runs;
        }
  EXPECT_EQ(runs, 24);
}

TEST(Engine, BothBuildsOfThePassesGiveTheSameSamples)
{
  // The passes exist once for every x86-64 processor and once with fused multiply-add
  // instructions (chosen where the processor has them): the same samples to the bit, at every
  // oversampling factor, in mid/side and with the limiter.
  const std::size_t n = static_cast<std::size_t>(kRate / 4);
  const Stereo hot = HotInput(n);
  const Stereo programme = RegressionSignal(kRate, 0.25);
  for (int os = 0; os <= 4; ++os)
  {
    EngineParams p = os % 2 ? LimiterStressSettings(os, 1.0, 0.0, 80.0) : Driven();
    p[kOverSampling] = os;
    p[kLimit] = os == 0 ? 0.0 : 1.0;
    p[kStereoMode] = os % 2;
    const Stereo& in = os % 2 ? hot : programme;
    VellicorEngine fused, portable;
    portable.UseFusedMultiplyAdd(false);
    EXPECT_FALSE(portable.UsesFusedMultiplyAdd());
    Stereo a(in.Size()), b(in.Size());
    ASSERT_TRUE(fused.Reset(kRate, 256, p));
    ASSERT_TRUE(portable.Reset(kRate, 256, p));
    Render(fused, p, in, a, 256);
    Render(portable, p, in, b, 256);
    EXPECT_EQ(a.l, b.l) << "oversampling " << os;
    EXPECT_EQ(a.r, b.r) << "oversampling " << os;
  }
}

TEST(Engine, PowerOffGivesTheInputBackUnclippedWithTheLimiterOn)
{
  // Power off bypasses everything, the limiter's ceiling included.
  const std::size_t n = static_cast<std::size_t>(kRate / 4);
  Stereo in;
  in.l = Sine(n, 1.5, kRate, 220.0);
  in.r = Sine(n, 1.2, kRate, 330.0);
  for (double delta : {0.0, 1.0})
  {
    const Stereo out = RenderFresh(PowerOffLimiterSettings(delta), in);
    EXPECT_LT(MaxAbsDiff(out.l, in.l), 1e-9) << delta;
    EXPECT_LT(MaxAbsDiff(out.r, in.r), 1e-9) << delta;
    EXPECT_NEAR(Peak(out.l), 1.5, 1e-3) << delta;
  }
}

TEST(Engine, ReactionRequestsTakeEffectAtTheNextBlock)
{
  const Stereo in = NoisePair(32768, 0.5);
  EngineParams p = Driven();
  VellicorEngine engine;
  engine.Reset(kRate, 512, p);
  Stereo out(in.Size());
  Render(engine, p, in, out, 512, 0, 2048);
  EXPECT_EQ(engine.GetLimitOverSamplingExponent(), 2);
  EXPECT_EQ(engine.GetDriveOverSamplingExponent(), 1);

  // Oversampling: with the request, and also when only the snapshot changed.
  p[kOverSampling] = 4.0;
  engine.RequestOverSamplingChange();
  EXPECT_EQ(engine.GetLimitOverSamplingExponent(), 2);
  Render(engine, p, in, out, 512, 2048, 512);
  EXPECT_EQ(engine.GetLimitOverSamplingExponent(), 4);
  p[kOverSampling] = 0.0;
  Render(engine, p, in, out, 512, 2560, 512);
  EXPECT_EQ(engine.GetLimitOverSamplingExponent(), 0);

  // A channel-mode change clears the smoothers (the fade included), so the next block is
  // the dry signal while the fade rises again.
  Render(engine, p, in, out, 512, 3072, 20480);
  ASSERT_GT(engine.GetPowerFade(), 0.9);
  engine.RequestStateClear();
  Render(engine, p, in, out, 512, 23552, 512);
  EXPECT_LT(MaxAbsDiff(std::vector<double>(out.l.begin() + 23552, out.l.begin() + 24064),
                       std::vector<double>(in.l.begin() + 23552, in.l.begin() + 24064)), 1e-12);
  EXPECT_LT(engine.GetPowerFade(), 0.2);
  // The request is consumed: the following blocks process again.
  Render(engine, p, in, out, 512, 24064, 8192);
  EXPECT_GT(MaxAbsDiff(std::vector<double>(out.l.begin() + 28000, out.l.begin() + 32256),
                       std::vector<double>(in.l.begin() + 28000, in.l.begin() + 32256)), 1e-3);

  // A resize with unchanged sizes changes nothing.
  VellicorEngine a, b;
  a.Reset(kRate, 512, p);
  b.Reset(kRate, 512, p);
  Stereo outA(in.Size()), outB(in.Size());
  Render(a, p, in, outA, 512, 0, 1024);
  Render(b, p, in, outB, 512, 0, 1024);
  b.RequestResize();
  Render(a, p, in, outA, 512, 1024);
  Render(b, p, in, outB, 512, 1024);
  EXPECT_EQ(outA.l, outB.l);
}

TEST(Engine, PresetChangeRestartsTheMovingStates)
{
  EngineParams p = Driven();
  VellicorEngine engine;
  engine.Reset(kRate, 512, p);
  const Stereo in = NoisePair(1024, 0.5);
  Stereo out(in.Size());
  Render(engine, p, in, out, 512, 0, 1023);
  const double inDrive = engine.GetSmoother(1, 19);
  EXPECT_GT(inDrive, 0.1);

  p.presetIndex = 3;
  Render(engine, p, in, out, 1, 1023, 1);
  // The control smoothers restarted from 0 (the input drive among them); the power fade
  // did not.
  EXPECT_LT(engine.GetSmoother(1, 19), 0.05 * inDrive);
  EXPECT_DOUBLE_EQ(engine.GetSmoother(0, 10), 0.1 * 0.4);
  EXPECT_GT(engine.GetPowerFade(), 0.1);

  // The same preset index again changes nothing more: the smoother glides back.
  Stereo longer = NoisePair(static_cast<std::size_t>(kRate), 0.5);
  Stereo longOut(longer.Size());
  Render(engine, p, longer, longOut, 512);
  EXPECT_NEAR(engine.GetSmoother(1, 19), inDrive, 1e-3 * inDrive);
}

TEST(Engine, LevelReadingsAndRecords)
{
  EngineParams p = Driven();
  VellicorEngine engine;
  engine.Reset(kRate, 512, p);
  const Stereo in = NoisePair(2048, 0.5);
  Stereo out(in.Size());
  Render(engine, p, in, out, 512);
  EXPECT_NE(engine.GetDriveLevelSum(), 0.0f);
  EXPECT_NE(engine.GetImpedanceLevelSum(), 0.0f);
  EXPECT_TRUE(engine.HasStartedProcessing());

  // Nothing drains the rings: they hold 64 records each and drop the rest.
  EXPECT_EQ(engine.GetLevelSender(0).NumWaiting(), 0);
  EXPECT_EQ(engine.GetLevelSender(2).NumWaiting(), 0);
  ASSERT_EQ(engine.GetLevelSender(1).NumWaiting(), 64);
  ASSERT_EQ(engine.GetLevelSender(3).NumWaiting(), 64);
  vellicor::LevelRecord r;
  ASSERT_TRUE(engine.GetLevelSender(1).PopData(r));
  EXPECT_EQ(r.mCtrlTag, kTagLEDImpedance);
  EXPECT_EQ(r.mNChans, 2);
  ASSERT_TRUE(engine.GetLevelSender(3).PopData(r));
  EXPECT_EQ(r.mCtrlTag, kTagLEDDrive);
  EXPECT_EQ(engine.GetLevelSender(3).NumWaiting(), 63);
}

TEST(Engine, KeepsTheSmoothingAndMixQuirksSessionsRelyOn)
{
  const double c1 = 0.1 * (kRate * 2.2675736961451248e-05);
  const int block = 256;
  const Stereo in = NoisePair(static_cast<std::size_t>(1.5 * kRate), 0.3);

  // The held smoothers (drive among them) take one step toward a new value per block, not
  // per sample; the bump steps toward its parameter once and then follows its slow copy.
  {
    EngineParams p;
    p[kDrive] = 50.0;
    VellicorEngine engine;
    ASSERT_TRUE(engine.Reset(kRate, block, p));
    p[kDrive] = 80.0;
    p[kImpedanceBump] = 100.0;
    Stereo out(in.Size());
    double drive = 0.5, bump = 0.0, bumpSlow = 0.0;
    for (int b = 0; b < 3; ++b)
    {
      Render(engine, p, in, out, block, static_cast<std::size_t>(b * block), block);
      drive = drive * (1.0 - c1) + 0.8 * c1;
      for (int j = 0; j < block; ++j)
      {
        bump = 0.9 * bump + 0.1 * (j == 0 ? 1.0 : bumpSlow);
        bumpSlow = bumpSlow * (1.0 - c1) + bump * c1;
      }
      EXPECT_NEAR(engine.GetSmoother(0, 14), drive, 1e-12) << "block " << b;
      EXPECT_NEAR(engine.GetSmoother(0, 10), bump, 1e-12) << "block " << b;
    }
    EXPECT_LT(engine.GetSmoother(0, 14), 0.7);
    EXPECT_LT(engine.GetSmoother(0, 10), 0.5);
  }

  // The dry/wet blend acts in the output stage and again in the final mix: at 50 % the
  // change to the input is a quarter of the full one (not a half).
  {
    EngineParams p = Driven();
    const Stereo full = RenderFresh(p, in, kRate, block);
    p[kMasterDryBlend] = 50.0;
    const Stereo half = RenderFresh(p, in, kRate, block);
    const std::size_t from = static_cast<std::size_t>(kRate);
    double changeFull = 0.0, changeHalf = 0.0;
    for (std::size_t i = from; i < in.Size(); ++i)
    {
      changeFull += (full.l[i] - in.l[i]) * (full.l[i] - in.l[i]);
      changeHalf += (half.l[i] - in.l[i]) * (half.l[i] - in.l[i]);
    }
    ASSERT_GT(changeFull, 1e-3);
    EXPECT_NEAR(std::sqrt(changeHalf / changeFull), 0.25, 1e-3);
  }

  // Output samples beyond 19.95 are muted; up to it they pass (here as the dry signal).
  {
    EngineParams p;
    p[kMasterDryBlend] = 0.0;
    Stereo loud(block);
    const double values[] = {25.0, -19.9, 19.96, -30.0, 19.95, 1.0};
    for (std::size_t i = 0; i < 6; ++i)
      loud.l[i] = loud.r[i + 10] = values[i];
    const Stereo out = RenderFresh(p, loud, kRate, block);
    const double expected[] = {0.0, -19.9, 0.0, 0.0, 19.95, 1.0};
    for (std::size_t i = 0; i < 6; ++i)
    {
      EXPECT_EQ(out.l[i], expected[i]) << i;
      EXPECT_EQ(out.r[i + 10], expected[i]) << i;
    }
  }
}

TEST(Engine, BalanceBringsBackTheDryChannelOfItsOwnSide)
{
  // Loud noise on the left, the right silent (L/R balance) or a quieter tone (mid/side
  // balance, where a silent right would make the dry mid and side the same signal). At full
  // balance the balanced channel (or mid, or side) is the dry one; the other is processed.
  // Compared once the power fade has settled (it steps once per channel, so the two channels
  // mix with slightly different shares while it rises).
  const std::size_t n = static_cast<std::size_t>(2 * kRate);
  const std::size_t from = static_cast<std::size_t>(1.5 * kRate);
  for (double mode : {1.0, 0.0})
    for (double balance : {-100.0, 100.0})
    {
      Stereo in;
      in.l = Noise(n, 0.8, 31);
      in.r = mode == 0.0 ? Sine(n, 0.3, kRate, 440.0) : std::vector<double>(n, 0.0);
      EngineParams p = Driven();
      p[kBalanceMode] = mode;
      p[kBalance] = balance;
      const Stereo out = RenderFresh(p, in);
      ASSERT_TRUE(AllFinite(out));
      std::vector<double> dryA(n), dryB(n), outA(n), outB(n);
      for (std::size_t i = 0; i < n; ++i)
      {
        // L/R: A = left, B = right; mid/side: A = mid, B = side (unscaled).
        dryA[i] = mode == 0.0 ? in.l[i] + in.r[i] : in.l[i];
        dryB[i] = mode == 0.0 ? in.l[i] - in.r[i] : in.r[i];
        outA[i] = mode == 0.0 ? out.l[i] + out.r[i] : out.l[i];
        outB[i] = mode == 0.0 ? out.l[i] - out.r[i] : out.r[i];
      }
      const std::vector<double>& dryOne = balance < 0.0 ? dryB : dryA;
      const std::vector<double>& outOne = balance < 0.0 ? outB : outA;
      const std::vector<double>& dryOther = balance < 0.0 ? dryA : dryB;
      const std::vector<double>& outOther = balance < 0.0 ? outA : outB;
      if (mode == 1.0 && balance < 0.0)
      {
        EXPECT_EQ(Peak(out.r), 0.0) << "a silent right input stays silent";
      }
      EXPECT_LT(MaxAbsDiff(outOne, dryOne, from), 1e-9) << "mode " << mode << " balance " << balance;
      EXPECT_GT(MaxAbsDiff(outOther, dryOther, from), 1e-3) << "mode " << mode << " balance " << balance;
    }
}
