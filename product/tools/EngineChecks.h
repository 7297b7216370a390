#pragma once
// The engine's objective checks as the measurement tool runs them on the real engine: each
// renders a programme through fresh VellicorEngine instances and reports what it measured
// against its limit. Quick mode runs shorter programmes and fewer variants.
#include <string>
#include <vector>

namespace vellicor {

class FactoryPresetBank;
struct PresetLevels;

struct CheckResult
{
  std::string name;
  std::string measured;
  std::string limit;
  bool pass = false;
};

// Master Dry Blend 0 gives the input back bit for bit (dual mono, mid/side, limiter).
CheckResult CheckDryBlendIdentity(bool quick);
// With Power off the output converges to the input once the fade has fallen.
CheckResult CheckPowerOffConvergence(bool quick);
// Limiter off: out(delta off) - in equals out(delta on), two fresh instances.
CheckResult CheckDeltaNull(bool quick);
// A mono instance equals a stereo one with a silent right channel.
CheckResult CheckMonoMatchesStereo(bool quick);
// Drive and limiter off: blocks of 64, 512 and 1000 give identical output.
CheckResult CheckBlockSizeIndependence(bool quick);
// A DC offset on the input is gone from the output (drive off and on).
CheckResult CheckDcRemoval(bool quick);
// Limiter and Power on: no output sample beyond 0.994 (every factor, gain order, delta,
// blend, the fade-in after the reset included).
CheckResult CheckLimiterBound(bool quick);
// Limiter on, Power off: a 1.5-amplitude sine comes back as it went in.
CheckResult CheckPowerOffUnclipped(bool quick);
// NaN, infinities, 1e30 and subnormal input samples give finite output, and the engine
// processes again afterwards.
CheckResult CheckNonFiniteInput(bool quick);

// Every factory preset at 44.1, 48, 88.2, 96, 176.4 and 192 kHz for `seconds` of the
// regression signal: the output must be finite and never muted by the engine. The 48 kHz
// levels go to levels48 (one per preset); the runs that failed are listed in failures.
CheckResult CheckPresetsAtRates(FactoryPresetBank& bank, double seconds, std::vector<PresetLevels>& levels48,
                                std::vector<std::string>& failures);

// Cost of one engine block (stereo, 48 kHz, 512 frames, Drive 50) in ns per stereo sample.
struct CostRow
{
  int factor = 1;
  bool limiter = false;
  double nsPerStereoSample = 0.0;
};
std::vector<CostRow> MeasureCost(int timedBlocks);

} // namespace vellicor
