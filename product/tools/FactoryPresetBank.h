#pragma once
// The product's parameters and factory presets on a bare plug-in base, built the way the
// plug-in's constructor builds them. Recalling a preset gives the engine snapshot that the
// plug-in's audio block would hand to VellicorEngine: one value per parameter index plus the
// preset index. Used by the measurement tool and the preset regression tests.
#include "plug/IPluginBase.h"
#include "product/engine/EngineParams.h"

namespace vellicor {

class FactoryPresetBank : public plug::IPluginBase
{
public:
  FactoryPresetBank();
  void BeginParamEditFromUI(int) override {}
  void EndParamEditFromUI(int) override {}

  // Recalls preset index (0..kNumPresets-1) and returns the block snapshot for a stereo
  // instance at sampleRate. An index outside the list leaves the values as they are.
  EngineParams Recall(int index, double sampleRate);

  // The preset's name ("" outside the list).
  const char* Name(int index) const { return PresetNameAt(index); }
};

} // namespace vellicor
