#pragma once
// Reproducible test signals and a block driver for VellicorEngine, shared by the engine's
// tests and the measurement tool, so both render exactly the same audio.
#include "product/engine/VellicorEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vellicor {
namespace testsignals {

struct Stereo
{
  std::vector<double> l, r;
  explicit Stereo(std::size_t n = 0) : l(n, 0.0), r(n, 0.0) {}
  std::size_t Size() const { return l.size(); }
};

// Reproducible white noise in [-amp, amp].
inline std::vector<double> Noise(std::size_t n, double amp, std::uint32_t seed)
{
  std::vector<double> v(n);
  std::uint32_t s = seed ? seed : 1u;
  for (auto& x : v)
  {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    x = amp * (static_cast<double>(s) / 2147483647.5 - 1.0);
  }
  return v;
}

// Exponential sine sweep from f0 to f1 Hz (f1 below f0 sweeps downwards).
inline std::vector<double> Sweep(std::size_t n, double amp, double sr, double f0, double f1)
{
  std::vector<double> v(n);
  const double duration = static_cast<double>(n) / sr;
  const double k = std::log(f1 / f0);
  for (std::size_t i = 0; i < n; ++i)
  {
    const double t = static_cast<double>(i) / sr;
    const double phase = 2.0 * M_PI * f0 * duration / k * (std::exp(t / duration * k) - 1.0);
    v[i] = amp * std::sin(phase);
  }
  return v;
}

inline std::vector<double> Sine(std::size_t n, double amp, double sr, double f, double offset = 0.0)
{
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i)
    v[i] = offset + amp * std::sin(2.0 * M_PI * f * static_cast<double>(i) / sr);
  return v;
}

// Adds `count` drum-like hits spread over the signal: a step followed by a fast-decaying
// 180 Hz burst of 40 ms, alternating in sign.
inline void AddTransients(std::vector<double>& v, double amp, double sr, int count)
{
  const std::size_t len = static_cast<std::size_t>(0.04 * sr);
  for (int h = 0; h < count; ++h)
  {
    const std::size_t start = v.size() * static_cast<std::size_t>(2 * h + 1) / static_cast<std::size_t>(2 * count);
    const double sign = (h % 2) ? -1.0 : 1.0;
    for (std::size_t i = 0; i < len && start + i < v.size(); ++i)
    {
      const double t = static_cast<double>(i) / sr;
      v[start + i] += sign * amp * std::exp(-t / 0.006) * std::cos(2.0 * M_PI * 180.0 * t);
    }
  }
}

// The regression programme: noise, a sweep over the audible range (up on the left, down on
// the right) and four hits per channel, peaking near 1.3.
inline Stereo RegressionSignal(double sr, double seconds)
{
  const std::size_t n = static_cast<std::size_t>(sr * seconds);
  const double top = std::min(20000.0, 0.45 * sr);
  Stereo s;
  s.l = Noise(n, 0.25, 1234);
  s.r = Noise(n, 0.25, 5678);
  const std::vector<double> up = Sweep(n, 0.35, sr, 20.0, top);
  const std::vector<double> down = Sweep(n, 0.35, sr, top, 20.0);
  for (std::size_t i = 0; i < n; ++i)
  {
    s.l[i] += up[i];
    s.r[i] += down[i];
  }
  AddTransients(s.l, 0.7, sr, 4);
  AddTransients(s.r, 0.6, sr, 3);
  return s;
}

// Independent noise on both channels (the seeds the engine checks have always used).
inline Stereo NoisePair(std::size_t n, double amp)
{
  Stereo s;
  s.l = Noise(n, amp, 11);
  s.r = Noise(n, amp, 97);
  return s;
}

// Hot noise with a -15 spike every 997 frames on the left: drives the limiter hard.
inline Stereo HotInput(std::size_t n)
{
  Stereo in = NoisePair(n, 4.0);
  for (std::size_t i = 0; i < n; i += 997)
    in.l[i] = -15.0;
  return in;
}

// The settings the engine checks share, so the tests and the measurement tool look at the
// very same cases.

// Drive, drive tone, impedance bump and a mid/side push: every stage of the wet path busy.
inline EngineParams Driven()
{
  EngineParams p;
  p[kDrive] = 60.0;
  p[kDriveTone] = 70.0;
  p[kImpedanceBump] = 40.0;
  p[kMidSidePusher] = -30.0;
  return p;
}

// Dry blend 0 on a driven setting: variant 0 dual mono, 1 mid/side, 2 mid/side with the
// limiter on.
inline EngineParams DryBlendZeroSettings(int variant)
{
  EngineParams p = Driven();
  p[kMasterDryBlend] = 0.0;
  p[kLimit] = variant == 2 ? 1.0 : 0.0;
  p[kStereoMode] = variant >= 1 ? 1.0 : 0.0;
  p[kOutputBandlimitLow] = 300.0;
  p[kOutputBandlimitHigh] = 12.0;
  return p;
}

// A blend, band limits, balance and output gain around the drive, limiter off: delta mode
// must give exactly the difference from the input.
inline EngineParams DeltaSettings(double stereoMode)
{
  EngineParams p = Driven();
  p[kMasterDryBlend] = 70.0;
  p[kStereoMode] = stereoMode;
  p[kOutputBandlimitLow] = 200.0;
  p[kOutputBandlimitHigh] = 18.0;
  p[kBalance] = 40.0;
  p[kLimitType] = 0.0;
  p[kOutputGain] = -3.0;
  return p;
}

// No drive and no limiter: nothing left whose output depends on the block size.
inline EngineParams BlockSizeSettings(double stereoMode)
{
  EngineParams p;
  p[kStereoMode] = stereoMode;
  p[kImpedance] = 80.0;
  p[kImpedanceBump] = -40.0;
  p[kOutputBandlimitLow] = 120.0;
  p[kOutputBandlimitHigh] = 15.0;
  p[kMasterDryBlend] = 80.0;
  p[kBalance] = -25.0;
  return p;
}

// Full drive and 12 dB of gain on both sides of it with the limiter on.
inline EngineParams LimiterStressSettings(int overSampling, double limitType, double delta, double blend)
{
  EngineParams p = Driven();
  p[kDrive] = 100.0;
  p[kLimit] = 1.0;
  p[kLimitType] = limitType;
  p[kDelta] = delta;
  p[kOverSampling] = overSampling;
  p[kOutputGain] = 12.0;
  p[kInputGain] = 12.0;
  p[kStereoMode] = 1.0;
  p[kMasterDryBlend] = blend;
  return p;
}

// The limiter stress settings with Power off: the input must come back as it is.
inline EngineParams PowerOffLimiterSettings(double delta)
{
  EngineParams p = LimiterStressSettings(2, 1.0, delta, 100.0);
  p[kPower] = 0.0;
  return p;
}

// Processes `in` from frame `start` on in blocks of blockSize into `out` (same size).
inline void Render(VellicorEngine& engine, const EngineParams& params, const Stereo& in, Stereo& out,
                   int blockSize, std::size_t start = 0, std::size_t count = SIZE_MAX)
{
  const std::size_t end = std::min(in.Size(), count == SIZE_MAX ? in.Size() : start + count);
  std::vector<double> inL(static_cast<std::size_t>(blockSize)), inR(inL), outL(inL), outR(inL);
  for (std::size_t pos = start; pos < end;)
  {
    const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(blockSize), end - pos));
    std::copy_n(in.l.begin() + static_cast<std::ptrdiff_t>(pos), n, inL.begin());
    std::copy_n(in.r.begin() + static_cast<std::ptrdiff_t>(pos), n, inR.begin());
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {outL.data(), outR.data()};
    engine.Process(ins, outs, n, params);
    std::copy_n(outL.begin(), n, out.l.begin() + static_cast<std::ptrdiff_t>(pos));
    std::copy_n(outR.begin(), n, out.r.begin() + static_cast<std::ptrdiff_t>(pos));
    pos += static_cast<std::size_t>(n);
  }
}

// A fresh engine reset for the rate, then the whole input in blocks.
inline Stereo RenderFresh(const EngineParams& params, const Stereo& in, double sr = 48000.0,
                          int blockSize = 512)
{
  VellicorEngine engine;
  engine.Reset(sr, blockSize, params);
  Stereo out(in.Size());
  Render(engine, params, in, out, blockSize);
  return out;
}

// Largest |a - b| from `from` on; NaN as soon as one difference is NaN, so a broken signal
// never passes for identical.
inline double MaxAbsDiff(const std::vector<double>& a, const std::vector<double>& b, std::size_t from = 0)
{
  double m = 0.0;
  for (std::size_t i = from; i < a.size() && i < b.size(); ++i)
  {
    const double d = std::fabs(a[i] - b[i]);
    if (std::isnan(d))
      return d;
    m = std::max(m, d);
  }
  return m;
}

inline double Mean(const std::vector<double>& v, std::size_t from, std::size_t to)
{
  double s = 0.0;
  for (std::size_t i = from; i < to; ++i)
    s += v[i];
  return s / static_cast<double>(to - from);
}

inline double Rms(const std::vector<double>& v, std::size_t from, std::size_t to)
{
  double s = 0.0;
  for (std::size_t i = from; i < to; ++i)
    s += v[i] * v[i];
  return std::sqrt(s / static_cast<double>(to - from));
}

// Largest magnitude; NaN as soon as a sample is NaN, so a broken signal never looks quiet.
inline double Peak(const std::vector<double>& v)
{
  double m = 0.0;
  for (double x : v)
  {
    if (std::isnan(x))
      return x;
    m = std::max(m, std::fabs(x));
  }
  return m;
}

inline bool AllFinite(const Stereo& s)
{
  for (std::size_t i = 0; i < s.Size(); ++i)
    if (!std::isfinite(s.l[i]) || !std::isfinite(s.r[i]))
      return false;
  return true;
}

} // namespace testsignals
} // namespace vellicor
