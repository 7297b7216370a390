#include "product/VellicorPresets.h"

#include "plug/IPluginBase.h"
#include "product/UserPresetFile.h"
#include "product/VellicorConstants.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct PresetValue
{
  int index;
  double value;
};

struct FactoryPreset
{
  const char* name;
  std::initializer_list<PresetValue> values; // those that differ from the defaults
};

// The factory presets, in list order. Values are stored as given: some lie below their
// parameter's range (19: 5, 20/22: 5.99) and are clamped when recalled; both slots 10 and 14
// are called "GTR - High Tone". Hosts' sessions refer to presets by index.
const FactoryPreset kFactoryPresets[kNumFactoryPresets] = {
  {"Factory Default",
   {{14, 0}, {18, 250}, {19, 5}, {28, 0}, {30, 50}}},
  {"Sub Lift (Gentle)",
   {{6, 50.19}, {7, 0}, {11, 0}, {12, 0}, {20, 150}, {21, 50}, {22, 379.3434}, {23, 50},
    {24, 518.55585}, {28, 0}}},
  {"Sub Lift (Medium)",
   {{6, 83.79988098}, {7, 0}, {11, 0}, {12, 0}, {13, -20.0386849}, {20, 150}, {21, 50},
    {22, 234.24}, {23, 50}, {24, 283.38585}, {30, 73.99984741}}},
  {"Sub Lift (Hard)",
   {{6, 100}, {7, 0}, {11, 0}, {12, 0}, {13, -23.97}, {20, 150}, {21, 50}, {22, 234.24}, {23, 50},
    {24, 301.63785}, {30, 100}}},
  {"High Saturation M/S",
   {{3, 10.00004542}, {4, -10.00004542}, {5, 1}, {6, 100}, {7, 100}, {9, 1}, {11, 100}, {12, 100},
    {13, -24}, {16, 2}, {17, 1342.0622}, {18, 6000}, {19, 1092.00395}, {20, 5906.774399999999},
    {21, 2000}, {22, 6000}, {23, 1342.0622}, {26, 65.5095027}, {27, -77.29281471}, {28, 0},
    {29, -67.79992676}, {30, 70.99963379}, {31, 120}}},
  {"High Saturation M/S 2",
   {{3, 5}, {4, -5}, {5, 1}, {6, 78.4899939}, {7, 89.49983215}, {9, 1}, {11, 100}, {12, 100},
    {13, -24}, {16, 2}, {17, 970.33955}, {18, 6000}, {20, 50}, {21, 525.8702}, {22, 2831.22465},
    {23, 970.33955}, {26, 67.22}, {27, 65.76009155}, {28, 0}, {29, 66.99978638}, {30, 100}}},
  {"Mid-Side 3D",
   {{5, 1}, {6, 49.99960327}, {7, 16.2}, {11, 0}, {12, 0}, {13, -24}, {16, 1}, {18, 854.39265},
    {20, 150}, {21, 50}, {22, 854.39265}, {23, 50}, {24, 1926.0658500000004}, {26, 75.87},
    {27, 90.6}, {28, 0}, {29, 100}, {30, 67.99993896}}},
  {"Drums - Mid Push M",
   {{3, 10}, {4, -10}, {5, 1}, {6, 50.49992371}, {7, 43.20978638}, {9, 1}, {11, 0}, {12, 100},
    {13, -23.99007161}, {16, 2}, {17, 179.7998}, {18, 3484.6462500000002}, {20, 1665.62385},
    {21, 50}, {22, 2508.86625}, {23, 179.7998}, {24, 3484.6462500000002}, {26, 74.67}, {27, -99.53},
    {28, 0}, {29, -100}, {30, 72.39974976}}},
  {"Drums - Tight & Pre-Clipped",
   {{3, 12}, {4, -12}, {6, 73.10005188}, {7, 57.99010376}, {9, 1}, {11, 0}, {12, 0},
    {13, -6.045898437}, {14, 0}, {16, 1}, {17, 603.97355}, {18, 2667.4656000000004}, {19, 140.9792},
    {20, 2312.5344}, {21, 603.97355}, {22, 2667.4656000000004}, {23, 635.5928}, {26, 54.87811749},
    {30, 67.79977417}}},
  {"Drums - Crispy Air",
   {{3, 3}, {4, -3}, {6, 49.69}, {7, 100}, {11, 100}, {12, 100}, {13, -24}, {16, 2}, {17, 1648.99},
    {18, 6000}, {20, 5.99}, {21, 1442.3}, {22, 5.99}, {23, 1648.99}, {26, 75.6}, {28, 0}, {29, 2.6}}},
  {"GTR - High Tone",
   {{3, 10.00072674}, {4, -10.00072674}, {6, 100}, {7, 100}, {11, 100}, {12, 100}, {13, -24},
    {16, 2}, {17, 1071.79}, {18, 6000}, {19, 553.2248}, {20, 6000}, {21, 1030.84}, {22, 3092.55},
    {23, 1071.79}, {26, 71.86}, {29, 2.6}, {30, 100}, {31, 279.87}}},
  {"GTR - Low Body Presence",
   {{6, 49.19}, {7, 17.79}, {11, 0}, {12, 0}, {18, 1027.5}, {20, 1039.2}, {21, 50}, {22, 1232.24},
    {28, 0}}},
  {"GTR - Low Body Presence 2",
   {{6, 67.6}, {7, 17.79}, {11, 0}, {12, 0}, {13, -24}, {18, 1027.5}, {20, 1039.2}, {21, 50},
    {22, 1232.24}, {28, 0}, {30, -100}}},
  {"GTR - Mid Tone",
   {{6, 63.59}, {7, 51.59}, {11, 100}, {12, 100}, {13, -18.01}, {16, 1}, {17, 666.2}, {18, 4268.4},
    {20, 5.99}, {21, 689.6}, {22, 4250.84}, {23, 1038.65}, {26, 47.51}, {29, 2.6}, {30, 1.59},
    {31, 279.87}}},
  {"GTR - High Tone",
   {{6, 67.69}, {7, 100}, {11, 100}, {12, 100}, {13, -24}, {16, 2}, {17, 1054.25}, {18, 6000},
    {20, 5.99}, {21, 1030.84}, {22, 3092.55}, {23, 1071.79}, {26, 71.86}, {29, 2.6}, {30, 1.59},
    {31, 279.87}}},
  {"GTR - Bright & Sharp Saturation",
   {{6, 50.69}, {7, 83.7}, {11, 100}, {12, 100}, {13, -24}, {16, 2}, {17, 1438.39}, {18, 6000},
    {20, 5.99}, {21, 1030.84}, {22, 5.99}, {23, 1375.99}, {26, 76.76}, {29, 2.6}, {30, 100},
    {31, 279.87}}},
  {"GTR - Sharp Tone",
   {{6, 48.49}, {7, 100}, {11, 100}, {12, 100}, {13, -24}, {16, 2}, {17, 1750.4}, {18, 6000},
    {20, 5.99}, {21, 1030.84}, {22, 5.99}, {23, 1746.49}, {26, 76.76}, {29, 2.6}, {30, 100},
    {31, 460.36}}},
  {"Crispy Air",
   {{3, 3}, {4, -3}, {6, 80.59991455}, {7, 100}, {11, 100}, {12, 100}, {13, -24}, {16, 2},
    {17, 1266.9950000000001}, {18, 6000}, {19, 856.22555}, {20, 6000}, {21, 1442.3},
    {22, 4326.900000000001}, {23, 1266.9950000000001}, {26, 75.6}, {28, 0}, {29, 2.6}}},
  {"Air Saturation",
   {{3, 6}, {4, -6}, {6, 80.39993286}, {7, 100}, {9, 1}, {11, 100}, {12, 100}, {13, -24}, {16, 2},
    {17, 1357.98395}, {18, 6000}, {19, 569.1992}, {20, 6000}, {21, 925.355}, {22, 6000},
    {23, 1357.98395}, {26, 98.11917819}, {29, 2.6}, {30, 100}, {31, 800.2672468}}},
  {"Mix Bus Soft",
   {{3, 3.000545058}, {4, -3.000545058}, {6, 83.09994507}, {7, 75.09950256}, {11, 100}, {12, 100},
    {13, -13.9757487}, {17, 220.8512}, {18, 6000}, {19, 220.8512}, {20, 6000}, {21, 242.2622},
    {22, 3700.0198500000006}, {23, 587.46875}, {24, 3654.5946000000004}, {26, 59.21536959},
    {30, 24.99987793}}},
  {"Mix Bus Warm",
   {{6, 66.09983826}, {7, 29.69992981}, {11, 100}, {12, 100}, {13, -20.03}, {16, 1}, {17, 85.0142},
    {18, 1849.5478500000002}, {20, 652.21665}, {21, 85.0142}, {22, 1849.5478500000002},
    {23, 254.7032}, {24, 3258.9298499999995}, {26, 64.49255709}, {30, 2.399780273}}},
  {"Mix Bus Warm 2",
   {{6, 50.39}, {7, 26.1}, {11, 0}, {12, 0}, {13, -24}, {18, 1119}, {20, 1119.04}, {21, 134.36},
    {22, 3754.91}, {26, 50.92}, {30, 72.99}}},
  {"Mix Bus Mid Warm",
   {{3, 1.00181686}, {4, -1.00181686}, {5, 1}, {6, 50.09}, {7, 48.9}, {11, 100}, {12, 0}, {13, -24},
    {16, 1}, {17, 134.36}, {18, 3310.31625}, {20, 1671.58}, {21, 134.36}, {22, 3310.31625},
    {23, 579.30995}, {26, 73.53399489}, {27, -53.59995117}, {28, 0}, {29, -65.39993286},
    {30, 0.5998535156}}},
  {"Rhodes of Kelmo",
   {{5, 1}, {6, 82.59986877}, {7, 22.09993286}, {11, 0}, {12, 0}, {13, -24}, {18, 317.08185},
    {20, 317.08185}, {21, 284.79755}, {22, 854.39265}, {23, 763.74875}, {24, 2291.24625},
    {26, 75.87}, {27, 69.39980469}, {28, 0}, {29, 71.99984741}, {30, 100}}},
};

// Adds one preset made of the current values with the given ones over them; false when no
// slot is free.
bool AddPreset(plug::IPluginBase& plugin, const char* name, std::initializer_list<PresetValue> values)
{
  std::vector<double> pairs;
  pairs.reserve(values.size() * 2);
  for (const PresetValue& v : values)
  {
    pairs.push_back(v.index);
    pairs.push_back(v.value);
  }
  return plugin.MakePresetFromNamedList(name, pairs.data(), static_cast<int>(values.size()));
}

} // namespace

void MakeVellicorPresets(plug::IPluginBase& plugin)
{
  for (const FactoryPreset& preset : kFactoryPresets)
    AddPreset(plugin, preset.name, preset.values);

  for (int number = 0; number < kNumUserPresetSlots; ++number)
  {
    const std::string name = " - User Preset Slot " + std::to_string(number);
    AddPreset(plugin, name.c_str(), kFactoryPresets[0].values);
  }
}

void LoadVellicorUserPresetSlot(plug::IPluginBase& plugin, int slot, std::atomic<int>& processingMarker)
{
  if (plugin.GetCurrentPresetIdx() != 0)
    return;
  const UserPresetFile file = UserPresetFile::Read(slot);
  if (!file.Exists())
    return;
  // The file's name plays no part at start-up.

  // The product always has its 33 parameters; the checks keep a shorter list harmless.
  const int nParams = plugin.NParams();
  if (nParams < kNumParams)
    return;
  plug::IParam* const delta = plugin.GetParam(kDelta);
  plug::IParam* const overSampling = plugin.GetParam(kOverSampling);
  plug::IParam* const abSelect = plugin.GetParam(kABSelect);
  if (!delta || !overSampling || !abSelect)
    return;
  const double keptDelta = delta->Value();
  const double keptOverSampling = overSampling->Value();
  const double keptABSelect = abSelect->Value();

  // Only a pristine instance takes the file: anything away from its default means the
  // instance already holds someone's settings. NaN counts as changed.
  for (int i = 0; i < nParams; ++i)
  {
    const plug::IParam* param = plugin.GetParam(i);
    if (param && !(param->Value() == param->defaultValue))
      processingMarker.store(666);
  }
  if (processingMarker.load() != 0)
    return;

  for (int i = 0; i < nParams; ++i)
  {
    plug::IParam* param = plugin.GetParam(i);
    if (param && UserPresetFile::IsStoredParam(i))
      file.ApplyValue(*param, i);
  }

  // The values a file never holds go back as they were, through single precision as the
  // product has always done (lossless for these whole numbers).
  delta->Set(static_cast<double>(static_cast<float>(keptDelta)));
  overSampling->Set(static_cast<double>(static_cast<float>(keptOverSampling)));
  abSelect->Set(static_cast<double>(static_cast<float>(keptABSelect)));

  for (int i = 0; i < nParams; ++i)
  {
    const plug::IParam* param = plugin.GetParam(i);
    if (param)
      plugin.SendParamValueToUI(i, param->NormalizedClamped(param->Constrain(param->Value())), true);
  }
}
