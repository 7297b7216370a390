#pragma once
// What one audio block needs to know from the outside world: every parameter value, the
// current preset index and the connected channel count. The plug-in fills it on the audio
// thread from its parameters (atomic loads) and hands it to VellicorEngine.
#include "product/VellicorConstants.h"

#include <array>

namespace vellicor {

struct EngineParams
{
  // Real (not normalised) parameter values, indexed by EParams.
  std::array<double, kNumParams> values;
  // The plug-in's current preset index; a change clears the moving states (preset recall).
  int presetIndex = 0;
  // Connected output channels of the processing frame. The engine always runs two channel
  // slots (a mono instance leaves the second one silent).
  int connectedOutputChannels = 2;
  // The frame's current sample rate; 0 (or anything not positive) means the rate of the
  // last reset.
  double sampleRate = 0.0;

  // Every value at its default.
  EngineParams();

  double& operator[](int index) { return values[static_cast<std::size_t>(index)]; }
  double operator[](int index) const { return values[static_cast<std::size_t>(index)]; }
};

// The default value of every parameter, by index (the values a fresh plug-in starts with).
const std::array<double, kNumParams>& DefaultParamValues();

} // namespace vellicor
