#include "product/tools/FactoryPresetBank.h"

#include "product/VellicorParameters.h"
#include "product/VellicorPresets.h"

namespace vellicor {

FactoryPresetBank::FactoryPresetBank()
  : plug::IPluginBase(kNumParams, kNumPresets)
{
  DefineVellicorParameters(*this);
  MakeVellicorPresets(*this);
}

EngineParams FactoryPresetBank::Recall(int index, double sampleRate)
{
  RecallPreset(index);
  EngineParams params;
  for (int i = 0; i < kNumParams && i < NParams(); ++i)
    params[i] = GetParam(i)->Value();
  params.presetIndex = GetCurrentPresetIdx();
  params.connectedOutputChannels = 2;
  params.sampleRate = sampleRate;
  return params;
}

} // namespace vellicor
