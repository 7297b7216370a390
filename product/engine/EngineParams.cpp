#include "product/engine/EngineParams.h"

namespace vellicor {

namespace {

constexpr std::array<double, kNumParams> kDefaults = {{
  0.0,   // Delta
  0.0,   // A/B selector
  1.0,   // Plugin Scale
  0.0,   // Input Gain
  0.0,   // Output Gain
  0.0,   // Stereo Mode
  0.0,   // Drive
  50.0,  // Drive Tone
  100.0, // Master Dry Blend
  0.0,   // Limit
  1.0,   // Power
  50.0,  // Impedance
  50.0,  // Impedance Area
  -18.0, // Level Calibration
  1.0,   // Limit Type
  2.0,   // OverSampling
  0.0,   // Tilt Switch
  50.0,  // Drive Area Low
  150.0, // Drive Area High
  50.0,  // Low: Drive Area Low
  250.0, // Low: Drive Area High
  250.0, // Mid: Drive Area Low
  2000.0, // Mid: Drive Area High
  2000.0, // High: Drive Area Low
  6000.0, // High: Drive Area High
  0.0,   // Link Gains
  50.0,  // Vell Air
  0.0,   // Balance
  1.0,   // Balance Mode
  0.0,   // Mid-Side Pusher
  0.0,   // Impedance Bump
  10.0,  // Output Bandlimit Low
  20.0,  // Output Bandlimit High
}};

} // namespace

const std::array<double, kNumParams>& DefaultParamValues()
{
  return kDefaults;
}

EngineParams::EngineParams()
  : values(kDefaults)
{
}

} // namespace vellicor
