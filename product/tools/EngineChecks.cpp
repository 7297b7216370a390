#include "product/tools/EngineChecks.h"

#include "product/engine/TestSignals.h"
#include "product/tools/FactoryPresetBank.h"
#include "product/tools/PresetGoldens.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vellicor {

using namespace testsignals;

namespace {

constexpr double kRate = 48000.0;

std::string Num(double v)
{
  char text[64];
  std::snprintf(text, sizeof text, "%.3g", v);
  return text;
}

std::size_t Frames(double seconds, double sr = kRate)
{
  return static_cast<std::size_t>(seconds * sr);
}

// The larger of two measurements; NaN when either is NaN.
double Worse(double a, double b)
{
  return std::isnan(a) || std::isnan(b) ? std::numeric_limits<double>::quiet_NaN() : std::max(a, b);
}

double MaxDiff(const Stereo& a, const Stereo& b, std::size_t from = 0)
{
  return Worse(MaxAbsDiff(a.l, b.l, from), MaxAbsDiff(a.r, b.r, from));
}

} // namespace

CheckResult CheckDryBlendIdentity(bool quick)
{
  double worst = 0.0;
  for (int variant = 0; variant < 3; ++variant)
  {
    // With the limiter on the input stays within its ceiling (beyond it the limiter wins).
    const Stereo in = NoisePair(Frames(quick ? 0.1 : 1.0), variant == 2 ? 0.994 : 1.2);
    const Stereo out = RenderFresh(DryBlendZeroSettings(variant), in);
    const double d = MaxDiff(out, in);
    worst = Worse(worst, d);
  }
  return {"dry blend 0 gives the input", "max |out-in| " + Num(worst), "== 0", worst == 0.0};
}

CheckResult CheckPowerOffConvergence(bool quick)
{
  // The fade falls below the wet threshold about 2.4 s after Power goes off (48 kHz).
  const std::size_t on = Frames(quick ? 0.1 : 1.0);
  const std::size_t n = on + Frames(quick ? 2.7 : 4.0);
  const std::size_t tail = n - Frames(quick ? 0.2 : 1.0);
  const Stereo in = NoisePair(n, 0.5);
  EngineParams p = Driven();
  VellicorEngine engine;
  engine.Reset(kRate, 512, p);
  Stereo out(n);
  Render(engine, p, in, out, 512, 0, on);
  p[kPower] = 0.0;
  Render(engine, p, in, out, 512, on);
  const double d = MaxDiff(out, in, tail);
  const bool faded = engine.GetPowerFade() <= VellicorEngine::kWetThreshold;
  return {"power off converges to the input", "max |out-in| " + Num(d) + (faded ? "" : " (still fading)"),
          "< 1e-12", d < 1e-12 && faded};
}

CheckResult CheckDeltaNull(bool quick)
{
  const Stereo in = NoisePair(Frames(quick ? 0.1 : 1.0), 0.4);
  double worst = 0.0;
  bool silent = false;
  for (int stereoMode = 0; stereoMode < 2; ++stereoMode)
  {
    EngineParams p = DeltaSettings(stereoMode);
    const Stereo plain = RenderFresh(p, in);
    p[kDelta] = 1.0;
    const Stereo delta = RenderFresh(p, in);
    Stereo expected(in.Size());
    for (std::size_t i = 0; i < in.Size(); ++i)
    {
      expected.l[i] = plain.l[i] - in.l[i];
      expected.r[i] = plain.r[i] - in.r[i];
    }
    const double d = MaxDiff(expected, delta);
    worst = Worse(worst, d);
    silent = silent || Rms(delta.l, 0, in.Size()) < 1e-4;
  }
  return {"delta nulls (limiter off)", "max |(out-in)-delta| " + Num(worst) + (silent ? " (delta silent)" : ""),
          "< 1e-12", worst < 1e-12 && !silent};
}

CheckResult CheckMonoMatchesStereo(bool quick)
{
  const int block = 500;
  const std::size_t n = quick ? 5000 : 20000;
  const std::vector<double> left = Noise(n, 0.6, 5);
  double worst = 0.0;
  for (double stereoMode : {0.0, 1.0})
  {
    EngineParams p = Driven();
    p[kStereoMode] = stereoMode;
    p[kLimit] = 1.0;
    // A mono instance: one connected channel, no second buffer.
    EngineParams mono = p;
    mono.connectedOutputChannels = 1;
    VellicorEngine a, b;
    a.Reset(kRate, block, mono);
    b.Reset(kRate, block, p);
    std::vector<double> inBlock(block), silent(block, 0.0), outA(block), outB(block), rightB(block);
    for (std::size_t pos = 0; pos + block <= n; pos += block)
    {
      std::copy_n(left.begin() + static_cast<std::ptrdiff_t>(pos), block, inBlock.begin());
      double* insA[2] = {inBlock.data(), nullptr};
      double* outsA[2] = {outA.data(), nullptr};
      a.Process(insA, outsA, block, mono);
      double* insB[2] = {inBlock.data(), silent.data()};
      double* outsB[2] = {outB.data(), rightB.data()};
      b.Process(insB, outsB, block, p);
      const double d = MaxAbsDiff(outA, outB);
      worst = Worse(worst, d);
    }
  }
  return {"mono equals stereo, silent right", "max |mono-stereo| " + Num(worst), "== 0", worst == 0.0};
}

CheckResult CheckBlockSizeIndependence(bool quick)
{
  const std::size_t n = Frames(quick ? 0.1 : 1.0);
  Stereo in;
  in.l = Noise(n, 0.5, 3);
  in.r = Sweep(n, 0.5, kRate, 20.0, 20000.0);
  double worst = 0.0;
  for (double stereoMode : {0.0, 1.0})
  {
    const EngineParams p = BlockSizeSettings(stereoMode);
    const Stereo ref = RenderFresh(p, in, kRate, 64);
    for (int block : {512, 1000})
    {
      const double d = MaxDiff(RenderFresh(p, in, kRate, block), ref);
      worst = Worse(worst, d);
    }
  }
  return {"block sizes 64/512/1000 agree", "max |difference| " + Num(worst), "== 0", worst == 0.0};
}

CheckResult CheckDcRemoval(bool quick)
{
  const std::size_t n = Frames(quick ? 1.2 : 3.0);
  const std::size_t from = n - Frames(quick ? 0.4 : 1.0);
  Stereo in;
  in.l = Sine(n, 0.2, kRate, 1000.0, 0.5);
  in.r = Sine(n, 0.2, kRate, 440.0, -0.3);
  double worst = 0.0;
  bool tonePasses = true;
  for (double drive : {0.0, 50.0})
  {
    EngineParams p;
    p[kDrive] = drive;
    const Stereo out = RenderFresh(p, in);
    for (const double m : {Mean(out.l, from, n), Mean(out.r, from, n)})
      worst = Worse(worst, std::fabs(m));
    tonePasses = tonePasses && Rms(out.l, from, n) > 0.02;
  }
  return {"DC removed (offsets 0.5, -0.3)", "max |mean| " + Num(worst) + (tonePasses ? "" : " (tone lost)"),
          "< 2e-3", worst < 2e-3 && tonePasses};
}

CheckResult CheckLimiterBound(bool quick)
{
  const std::size_t n = Frames(quick ? 0.05 : 0.5);
  const Stereo in = HotInput(n);
  double peak = 0.0;
  int runs = 0;
  for (int os = 0; os <= 4; os += quick ? 4 : 1)
    for (double limitType : {0.0, 1.0})
      for (double delta : {0.0, 1.0})
        for (double blend : {100.0, 40.0})
        {
          const Stereo out = RenderFresh(LimiterStressSettings(os, limitType, delta, blend), in);
          const double m = Worse(Peak(out.l), Peak(out.r));
          peak = Worse(peak, m);
          ++runs;
        }
  return {"limiter bound, power on (" + std::to_string(runs) + " runs)", "max |out| " + Num(peak),
          "<= " + Num(VellicorEngine::kLimitCeiling), peak <= VellicorEngine::kLimitCeiling};
}

CheckResult CheckPowerOffUnclipped(bool quick)
{
  const std::size_t n = Frames(quick ? 0.05 : 0.5);
  Stereo in;
  in.l = Sine(n, 1.5, kRate, 220.0);
  in.r = Sine(n, 1.2, kRate, 330.0);
  double worst = 0.0;
  for (double delta : {0.0, 1.0})
    worst = Worse(worst, MaxDiff(RenderFresh(PowerOffLimiterSettings(delta), in), in));
  return {"power off + limiter: input unclipped", "max |out-in| " + Num(worst), "< 1e-9", worst < 1e-9};
}

CheckResult CheckNonFiniteInput(bool quick)
{
  const std::size_t n = Frames(quick ? 0.3 : 1.0);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double wild[] = {nan, inf, -inf, 1e30, -1e30, 1e300, 4.9e-324, -nan};
  Stereo in;
  in.l = Noise(n, 0.5, 21);
  in.r = Sweep(n, 0.5, kRate, 30.0, 18000.0);
  const std::size_t span = n / 12;
  for (std::size_t i = 0; i < span; ++i)
  {
    in.l[1000 + i] = wild[i % 8];
    if (1000 + i * 3 < n / 3)
      in.r[1000 + i * 3] = wild[(i + 3) % 8];
  }
  for (std::size_t i = n / 3; i < n / 3 + 400; ++i)
    in.l[i] = in.r[i] = 1e30;

  bool finite = true;
  double quietest = std::numeric_limits<double>::infinity();
  for (int variant = 0; variant < 3; ++variant)
  {
    EngineParams p = Driven();
    p[kDrive] = 50.0 + 25.0 * variant;
    p[kStereoMode] = variant == 1 ? 1.0 : 0.0;
    p[kLimit] = variant == 2 ? 1.0 : 0.0;
    p[kDelta] = variant == 2 ? 1.0 : 0.0;
    const Stereo out = RenderFresh(p, in);
    finite = finite && AllFinite(out);
    // Well after the last wild sample the engine processes again rather than staying muted.
    const std::size_t tail = n - Frames(0.1);
    quietest = std::min({quietest, Rms(out.l, tail, n), Rms(out.r, tail, n)});
  }
  const bool recovers = quietest > 1e-3;
  return {"NaN/Inf/1e30 input stays finite", std::string(finite ? "all finite" : "NON-FINITE") + ", tail rms " +
                                               Num(quietest),
          "finite, tail > 1e-3", finite && recovers};
}

CheckResult CheckPresetsAtRates(FactoryPresetBank& bank, double seconds, std::vector<PresetLevels>& levels48,
                                std::vector<std::string>& failures)
{
  const double rates[] = {44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0};
  levels48.assign(kNumFactoryPresets, PresetLevels{});
  int runs = 0, good = 0;
  for (double sr : rates)
    for (int preset = 0; preset < kNumFactoryPresets; ++preset)
    {
      const PresetLevels v = MeasurePresetLevels(bank.Recall(preset, sr), sr, seconds);
      if (sr == 48000.0)
        levels48[static_cast<std::size_t>(preset)] = v;
      ++runs;
      if (v.finite && v.muted == 0)
        ++good;
      else
        failures.push_back("preset " + std::to_string(preset) + " at " + Num(sr / 1000.0) + " kHz: " +
                           (v.finite ? "" : "non-finite, ") + std::to_string(v.muted) + " samples muted");
    }
  char limit[64];
  std::snprintf(limit, sizeof limit, "all, %g s each", seconds);
  return {"presets x rates finite, unmuted", std::to_string(good) + "/" + std::to_string(runs) + " clean", limit,
          good == runs};
}

std::vector<CostRow> MeasureCost(int timedBlocks)
{
  constexpr int kFrames = 512;
  constexpr int kBlocks = 16;
  // Programme-like material, cycled so that every block differs.
  std::vector<double> l(kFrames * kBlocks), r(l.size());
  for (std::size_t i = 0; i < l.size(); ++i)
  {
    const double t = static_cast<double>(i) / kRate;
    l[i] = 0.6 * std::sin(2.0 * M_PI * 110.0 * t) * std::sin(2.0 * M_PI * 0.7 * t) +
           0.2 * std::sin(2.0 * M_PI * 2300.0 * t);
    r[i] = 0.5 * std::sin(2.0 * M_PI * 220.0 * t + 0.3) + 0.15 * std::sin(2.0 * M_PI * 5100.0 * t);
  }
  std::vector<double> outL(kFrames), outR(kFrames);
  double* outs[2] = {outL.data(), outR.data()};

  std::vector<CostRow> rows;
  for (int limiter = 0; limiter < 2; ++limiter)
    for (int exponent = 0; exponent <= 4; ++exponent)
    {
      EngineParams p;
      p[kDrive] = 50.0;
      p[kOverSampling] = exponent;
      p[kLimit] = limiter;
      VellicorEngine engine;
      engine.Reset(kRate, kFrames, p);
      int block = 0;
      auto run = [&](int count) {
        for (int i = 0; i < count; ++i, block = (block + 1) % kBlocks)
        {
          double* ins[2] = {l.data() + block * kFrames, r.data() + block * kFrames};
          engine.Process(ins, outs, kFrames, p);
        }
      };
      run(std::min(50, timedBlocks)); // past the fade-in and the oversampler set-up
      const auto start = std::chrono::steady_clock::now();
      run(timedBlocks);
      const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
      rows.push_back({1 << exponent, limiter != 0, took.count() / (static_cast<double>(timedBlocks) * kFrames)});
    }
  return rows;
}

} // namespace vellicor
