// Costs of the engine's building blocks, per sample.
#include "product/dsp/AdaaClip.h"
#include "product/dsp/BiquadBank.h"
#include "product/dsp/ChebyshevBlendShaper.h"
#include "product/dsp/ChebyshevKneeShaper.h"
#include "product/dsp/NoiseGenerator.h"
#include "product/dsp/OverSampler.h"
#include "product/dsp/SoftLimitShaper.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace vellicor;

namespace {

// A test signal that drives the curves into their knees now and then, precomputed so the
// measurements hold only the block under test.
struct SignalTable
{
  double v[4096];
  SignalTable()
  {
    for (int i = 0; i < 4096; ++i)
      v[i] = 2.5 * std::sin(0.013 * i) * std::sin(0.00071 * i);
  }
};

double Signal(int i)
{
  static const SignalTable table;
  return table.v[i];
}

} // namespace

// The limit stage: soft limiter at 1x (exponent 0) to 16x (exponent 4). Time per
// iteration is the time per sample of one channel.
static void BM_OverSamplerSoftLimit(benchmark::State& state)
{
  const int exponent = static_cast<int>(state.range(0));
  OverSampler os(exponent, true, 2, 2);
  os.Reset(512);
  const SoftLimitShaper limit(0.003);
  int i = 0;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(os.ProcessSample(limit, 0, Signal(i & 4095)));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(std::to_string(1 << exponent) + "x");
}
BENCHMARK(BM_OverSamplerSoftLimit)->DenseRange(0, 4);

// The drive path: both 2x oversamplers with their curves, one channel.
static void BM_DrivePath2x(benchmark::State& state)
{
  OverSampler drive(1, true, 2, 2), blend(1, true, 2, 2);
  HarmonicSettings settings;
  DcBlockerState dc;
  const double r = std::exp(-2.0 * 3.141592653589793 * 20.0 / 48000.0);
  int i = 0;
  for (auto _ : state)
  {
    const double x = Signal(i & 4095);
    benchmark::DoNotOptimize(drive.ProcessSample(ChebyshevKneeShaper(0.002, settings), 0, 0.05 * x));
    benchmark::DoNotOptimize(
      blend.ProcessSample(ChebyshevBlendShaper(0.002, 0.8, r, settings, dc), 0, 0.5 * x));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrivePath2x);

// The same drive path as the engine runs it: both channels in lock step. Time per stereo
// sample.
static void BM_StereoDrivePath2x(benchmark::State& state)
{
  StereoOverSampler drive(1, true, 1, 1), blend(1, true, 1, 1);
  HarmonicSettings settings;
  DcBlockerState dc;
  const double r = std::exp(-2.0 * 3.141592653589793 * 20.0 / 48000.0);
  const Double2 a(0.002, -0.001);
  int i = 0;
  for (auto _ : state)
  {
    const Double2 x(Signal(i & 4095), Signal((i + 1000) & 4095));
    benchmark::DoNotOptimize(drive.ProcessSample(ChebyshevKneeShaper(a, settings), 0, 0.05 * x));
    benchmark::DoNotOptimize(blend.ProcessSample(ChebyshevBlendShaper(a, Double2(0.8), r, settings, dc), 0, 0.5 * x));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StereoDrivePath2x);

static void BM_NoiseGenerator(benchmark::State& state)
{
  NoiseGenerator noise;
  for (auto _ : state)
    benchmark::DoNotOptimize(noise.Next());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NoiseGenerator);

static void BM_NoiseGeneratorRaw(benchmark::State& state)
{
  NoiseGenerator noise;
  for (auto _ : state)
    benchmark::DoNotOptimize(noise.NextRaw());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NoiseGeneratorRaw);

static void BM_AdaaClip(benchmark::State& state)
{
  AdaaClip clip(2, 2);
  int i = 0;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(clip.Process(0, 0, Signal(i & 4095)));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AdaaClip);

static void BM_BiquadSection(benchmark::State& state)
{
  BiquadBank bank(2);
  bank.Design(6, BiquadDesign::Type::LowPass, 0.05, 0.7071);
  int i = 0;
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(bank.Process(6, 0, Signal(i & 4095)));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BiquadSection);
