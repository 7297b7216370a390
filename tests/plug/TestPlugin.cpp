#include "TestPlugin.h"

#include <cmath>
#include <stdexcept>

namespace testplug {

using namespace plug;

TestPlugin::TestPlugin(int nParams, int nPresets, int uniqueID) : IPluginBase(nParams, nPresets)
{
  mUniqueID = uniqueID;
  mVersion = (1 << 16) | (0 << 8) | 6;
}

void TestPlugin::HandleParamChange(int idx, EParamChangeSource src, int offset)
{
  Log("change " + std::to_string(idx) + " " + std::to_string(src) + (offset == -1 ? "" : " offset"));
}

void TestPlugin::OnParamChangeUI(int idx, EParamChangeSource src)
{
  Log("ui " + std::to_string(idx) + " " + std::to_string(src));
  if (idx == mWatchIdx && GetParam(idx))
    mWatched.push_back(GetParam(idx)->Value());
}

void TestPlugin::OnPresetChanged() { Log("preset"); }
void TestPlugin::OnStateRestored() { Log("restored"); }

void TestPlugin::OnEditorClosing()
{
  Log("closing");
  if (mNestedClose)
    CloseEditorWindow();
  if (mThrowOnClosing)
    throw std::runtime_error("closing failed");
}

void TestPlugin::BeginParamEditFromUI(int idx) { Log("begin " + std::to_string(idx)); }
void TestPlugin::EndParamEditFromUI(int idx) { Log("end " + std::to_string(idx)); }

bool TestPlugin::RequestEditorResize(int w, int h, bool needsHostResize)
{
  Log("resize " + std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(needsHostResize));
  return true;
}

int TestPlugin::CountLog(const std::string& prefix) const
{
  int n = 0;
  for (const std::string& s : mLog)
    if (s.compare(0, prefix.size(), prefix) == 0)
      ++n;
  return n;
}

void DefineMixedParams(IPluginBase& plugin)
{
  for (int i = 0; i < plugin.NParams(); ++i)
  {
    IParam* p = plugin.GetParam(i);
    const std::string name = "Param " + std::to_string(i);
    switch (i % 8)
    {
      case 0: p->DefineBool(name.c_str(), i % 16 == 0, "", 0, "switches", "Off", "On"); break;
      case 1: p->DefineInt(name.c_str(), 2, -5, 12, "st", 0, "ints"); break;
      case 2: p->DefineEnum(name.c_str(), 1, 4, "", 0, "enums", "A", "B", "C", "D"); break;
      case 3: p->DefineGain(name.c_str(), 0.0, -24.0, 24.0, 0.1, 0, "gains"); break;
      case 4: p->DefineFrequency(name.c_str(), 1000.0, 20.0, 20000.0, 1.0, 0, "freqs"); break;
      case 5:
        p->DefineDouble(name.c_str(), 0.25, 0.0, 1.0, 0.001, "", 0, "curves", IParam::ShapePowCurve(3.0));
        break;
      case 6: p->DefinePercentage(name.c_str(), 50.0, 0.0, 100.0, 0, "percent"); break;
      default:
        // Continuous: no stepped flag, fine step.
        p->DefineDouble(name.c_str(), -0.5, -3.0, 7.0, 1e-6, "", 0, "continuous");
        break;
    }
  }
}

std::vector<double> PresetValues(const IPluginBase& plugin, int p)
{
  std::vector<double> v(static_cast<size_t>(plugin.NParams()));
  for (int i = 0; i < plugin.NParams(); ++i)
  {
    const IParam* param = plugin.GetParam(i);
    double lo, hi;
    param->Bounds(lo, hi);
    // A spread of positions through the range, different for each preset and parameter.
    const double x = std::fmod(0.137 * (p + 1) + 0.071 * i, 1.0);
    v[static_cast<size_t>(i)] = param->Constrain(param->FromNormalized(x));
  }
  return v;
}

void SetUpBankPlugin(TestPlugin& plugin)
{
  DefineMixedParams(plugin);
  for (int p = 0; p < 24; ++p)
  {
    const std::vector<double> v = PresetValues(plugin, p);
    const std::string name = "Factory " + std::to_string(p + 1);
    plugin.MakePresetFromValues(name.c_str(), v.data(), static_cast<int>(v.size()));
  }
  plugin.RecallPreset(0);
}

} // namespace testplug
