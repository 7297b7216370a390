#include "product/VellicorParameters.h"

#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"

#include <cassert>

namespace {

struct ParamDefinition
{
  const char* name;
  plug::EParamKind kind; // int, enum or double
  double minValue;
  double maxValue;
  double defaultValue;
  double step;               // doubles only; int and enum step by 1
  const char* label;
  double power;              // 0: linear shape, else a power curve of this power
  const char* texts[5];      // enum display texts for 0, 1, ...; unused entries null
};

constexpr plug::EParamKind kInt = plug::kKindInt;
constexpr plug::EParamKind kEnum = plug::kKindEnum;
constexpr plug::EParamKind kDouble = plug::kKindDouble;

// Saved sessions and presets store values by index: this table's order is fixed. The
// drive-area memories (19..24) hold frequencies in Hz although they are labelled "%", and
// "Limit" shows the same text for both values; both are as the product has always shipped.
const ParamDefinition kParamDefinitions[kNumParams] = {
  {"Delta", kInt, 0, 1, 0, 1, "", 0, {}},
  {"", kEnum, 0, 1, 0, 1, "", 0, {"A", "B"}},
  {"Plugin Scale", kDouble, 1.0, 2.0, 1.0, 0.01, "", 0, {}},
  {"Input Gain", kDouble, -12, 12, 0, 0.01, "dB", 0, {}},
  {"Output Gain", kDouble, -12, 12, 0, 0.01, "dB", 0, {}},
  {"Stereo Mode", kInt, 0, 1, 0, 1, "", 0, {}},
  {"Drive", kDouble, 0, 100, 0, 0.01, "%", 0, {}},
  {"Drive Tone", kDouble, 0, 100, 50, 0.01, "%", 0, {}},
  {"Master Dry Blend", kDouble, 0, 100, 100, 0.01, "%", 0, {}},
  {"Limit", kEnum, 0, 1, 0, 1, "", 0, {"CLIPPER", "CLIPPER"}},
  {"Power", kInt, 0, 1, 1, 1, "", 0, {}},
  {"Impedance", kDouble, 0, 100, 50, 0.01, "%", 0, {}},
  {"Impedance Area", kDouble, 0, 100, 50, 0.01, "%", 0, {}},
  {"Level Calibration", kDouble, -24, 4, -18, 0.1, "", 0, {}},
  {"Limit Type", kEnum, 0, 1, 1, 1, "", 0, {"PRE  OUTPUT", "POST  OUTPUT"}},
  {"OverSampling", kEnum, 0, 4, 2, 1, "", 0, {"None", "2x", "4x", "8x", "16x"}},
  {"Tilt Switch", kEnum, 0, 2, 0, 1, "", 0, {"LO", "MD", "HI"}},
  {"Drive Area Low", kDouble, 50, 2000, 50, 0.01, "Hz", 2.0, {}},
  {"Drive Area High", kDouble, 150, 6000, 150, 0.01, "Hz", 2.0, {}},
  {"Low: Drive Area Low", kDouble, 50, 6000, 50, 0.01, "%", 0, {}},
  {"Low: Drive Area High", kDouble, 50, 6000, 250, 0.01, "%", 0, {}},
  {"Mid: Drive Area Low", kDouble, 50, 6000, 250, 0.01, "%", 0, {}},
  {"Mid: Drive Area High", kDouble, 50, 6000, 2000, 0.01, "%", 0, {}},
  {"High: Drive Area Low", kDouble, 50, 6000, 2000, 0.01, "%", 0, {}},
  {"High: Drive Area High", kDouble, 150, 6000, 6000, 0.01, "%", 0, {}},
  {"Link Gains", kInt, 0, 1, 0, 1, "", 0, {}},
  {"Vell Air", kDouble, 0, 100, 50, 0.01, "%", 0, {}},
  {"Balance", kDouble, -100, 100, 0, 1, "%", 0, {}},
  {"Balance Mode", kInt, 0, 1, 1, 1, "", 0, {}},
  {"Mid-Side Pusher", kDouble, -100, 100, 0, 1, "%", 0, {}},
  {"Impedance Bump", kDouble, -100, 100, 0, 1, "%", 0, {}},
  {"Output Bandlimit Low", kDouble, 10, 1000, 10, 1, "HZ", 0, {}},
  {"Output Bandlimit High", kDouble, 1, 20, 20, 1, "kHZ", 0, {}},
};

int TextCount(const ParamDefinition& d)
{
  int n = 0;
  while (n < 5 && d.texts[n])
    ++n;
  return n;
}

} // namespace

plug::IPluginConfig MakeVellicorConfig()
{
  plug::IPluginConfig config;
  config.paramCount = kNumParams;
  config.presetCount = kNumPresets;
  config.channelIOText = kChannelIOString;
  config.pluginName = kPluginName;
  config.productName = kProductName;
  config.makerName = kMakerName;
  config.pluginVersion = kPluginVersion;
  config.uniqueCode = kUniqueCode;
  config.makerCode = kMakerCode;
  config.latency = 0;
  config.midiIn = false;
  config.midiOut = false;
  config.mpe = false;
  config.stateChunks = false;
  config.pluginKind = plug::kPluginEffect;
  config.hasEditor = true;
  config.editorWidth = kEditorWidth;
  config.editorHeight = kEditorHeight;
  config.minWidth = kEditorMinWidth;
  config.maxWidth = kEditorMaxWidth;
  config.minHeight = kEditorMinHeight;
  config.maxHeight = kEditorMaxHeight;
  config.bundleID = kBundleID;
  config.appGroupID = kAppGroupID;
  return config;
}

void DefineVellicorParameter(plug::IParam& param, int index)
{
  assert(index >= 0 && index < kNumParams);
  if (index < 0 || index >= kNumParams)
    return;
  const ParamDefinition& d = kParamDefinitions[index];
  switch (d.kind)
  {
    case plug::kKindInt:
      param.DefineInt(d.name, static_cast<int>(d.defaultValue), static_cast<int>(d.minValue),
                      static_cast<int>(d.maxValue), d.label);
      break;
    case plug::kKindEnum:
      param.DefineEnumTexts(d.name, static_cast<int>(d.defaultValue), static_cast<int>(d.maxValue) + 1,
                            d.label, plug::kFlagsNone, "", d.texts, TextCount(d));
      break;
    default:
      if (d.power > 0.0)
        param.DefineDouble(d.name, d.defaultValue, d.minValue, d.maxValue, d.step, d.label, plug::kFlagsNone,
                           "", plug::IParam::ShapePowCurve(d.power), plug::kUnitCustom);
      else
        param.DefineDouble(d.name, d.defaultValue, d.minValue, d.maxValue, d.step, d.label, plug::kFlagsNone,
                           "", plug::IParam::ShapeLinear(), plug::kUnitCustom);
      break;
  }
}

void DefineVellicorParameters(plug::IEditorDelegate& delegate)
{
  for (int i = 0; i < kNumParams && i < delegate.NParams(); ++i)
    DefineVellicorParameter(*delegate.GetParam(i), i);
}
