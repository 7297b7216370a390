// The whole engine per block: stereo, 48 kHz, 512 frames, Drive 50, at each oversampling
// factor with the limiter off and on. The "per_stereo_sample" counter is the time per
// stereo frame (targets on the development machine: 0.45 us with the limiter off, 0.65 us
// with the limiter at 4x).
#include "product/engine/VellicorEngine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using vellicor::EngineParams;
using vellicor::VellicorEngine;

static void BM_EngineBlock(benchmark::State& state)
{
  constexpr int kFrames = 512;
  const int exponent = static_cast<int>(state.range(0));
  const bool limiter = state.range(1) != 0;

  EngineParams p;
  p[kDrive] = 50.0;
  p[kOverSampling] = exponent;
  p[kLimit] = limiter ? 1.0 : 0.0;
  VellicorEngine engine;
  engine.Reset(48000.0, kFrames, p);

  // A few blocks of programme-like material, cycled so every block differs.
  constexpr int kBlocks = 16;
  std::vector<double> l(kFrames * kBlocks), r(l.size());
  for (std::size_t i = 0; i < l.size(); ++i)
  {
    const double t = static_cast<double>(i) / 48000.0;
    l[i] = 0.6 * std::sin(2.0 * M_PI * 110.0 * t) * std::sin(2.0 * M_PI * 0.7 * t) +
           0.2 * std::sin(2.0 * M_PI * 2300.0 * t);
    r[i] = 0.5 * std::sin(2.0 * M_PI * 220.0 * t + 0.3) + 0.15 * std::sin(2.0 * M_PI * 5100.0 * t);
  }
  std::vector<double> outL(kFrames), outR(kFrames);
  double* outs[2] = {outL.data(), outR.data()};

  // Warm up past the reset's fade-in and the oversampler set-up.
  int block = 0;
  for (int i = 0; i < 200; ++i, block = (block + 1) % kBlocks)
  {
    double* ins[2] = {l.data() + block * kFrames, r.data() + block * kFrames};
    engine.Process(ins, outs, kFrames, p);
  }

  for (auto _ : state)
  {
    double* ins[2] = {l.data() + block * kFrames, r.data() + block * kFrames};
    engine.Process(ins, outs, kFrames, p);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    block = (block + 1) % kBlocks;
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["per_stereo_sample"] = benchmark::Counter(
    static_cast<double>(kFrames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(std::to_string(1 << exponent) + "x, limiter " + (limiter ? "on" : "off"));
}
BENCHMARK(BM_EngineBlock)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMicrosecond);
