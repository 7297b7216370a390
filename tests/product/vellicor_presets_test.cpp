#include "product/VellicorPresets.h"

#include "plug/IPluginBase.h"
#include "product/FileUtilities.h"
#include "product/UserPresetFile.h"
#include "product/VellicorParameters.h"

#include "HomeFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <map>
#include <string>
#include <vector>

namespace {

// The framework bases with the product's parameters and presets, built the way the
// plug-in's constructor builds them; records what is sent to the editor.
class PresetPlugin : public plug::IPluginBase
{
public:
  PresetPlugin() : plug::IPluginBase(kNumParams, kNumPresets)
  {
    DefineVellicorParameters(*this);
    MakeVellicorPresets(*this);
  }
  void BeginParamEditFromUI(int) override {}
  void EndParamEditFromUI(int) override {}
  void SendParamValueToUI(int idx, double value, bool normalized) override
  {
    mSent[idx] = value;
    EXPECT_TRUE(normalized);
    plug::IPluginBase::SendParamValueToUI(idx, value, normalized);
  }

  double V(int i) const { return GetParam(i)->Value(); }
  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(V(i));
    return v;
  }
  std::vector<double> Defaults() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->defaultValue);
    return v;
  }
  // The doubles a preset slot stores.
  std::vector<double> Stored(int preset) const
  {
    std::vector<double> v;
    const plug::IStateChunk& state = GetPreset(preset)->mState;
    double d = 0;
    for (int pos = 0; (pos = state.Get(&d, pos)) > 0;)
      v.push_back(d);
    return v;
  }

  std::map<int, double> mSent;
};

const char* const kPresetNames[kNumPresets] = {
  "Factory Default",
  "Sub Lift (Gentle)",
  "Sub Lift (Medium)",
  "Sub Lift (Hard)",
  "High Saturation M/S",
  "High Saturation M/S 2",
  "Mid-Side 3D",
  "Drums - Mid Push M",
  "Drums - Tight & Pre-Clipped",
  "Drums - Crispy Air",
  "GTR - High Tone",
  "GTR - Low Body Presence",
  "GTR - Low Body Presence 2",
  "GTR - Mid Tone",
  "GTR - High Tone",
  "GTR - Bright & Sharp Saturation",
  "GTR - Sharp Tone",
  "Crispy Air",
  "Air Saturation",
  "Mix Bus Soft",
  "Mix Bus Warm",
  "Mix Bus Warm 2",
  "Mix Bus Mid Warm",
  "Rhodes of Kelmo",
  " - User Preset Slot 0",
  " - User Preset Slot 1",
  " - User Preset Slot 2",
  " - User Preset Slot 3",
  " - User Preset Slot 4",
  " - User Preset Slot 5",
};

void WriteSlotFile(int slot, const std::string& text)
{
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(slot), text));
}

} // namespace

TEST(VellicorPresets, NamesAndCount)
{
  PresetPlugin plugin;
  ASSERT_EQ(plugin.NPresets(), 30);
  for (int i = 0; i < kNumPresets; ++i)
  {
    EXPECT_STREQ(plugin.PresetNameAt(i), kPresetNames[i]) << i;
    EXPECT_TRUE(plugin.GetPreset(i)->mInitialized) << i;
    EXPECT_EQ(plugin.GetPreset(i)->mState.Size(), kNumParams * 8) << i;
  }
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(plugin.Values(), plugin.Defaults()); // making presets changes no value
}

TEST(VellicorPresets, StoredValuesAreKeptUnclamped)
{
  PresetPlugin plugin;
  // "Factory Default": defaults with five differences, one of them below its range.
  std::vector<double> expected = plugin.Defaults();
  expected[kLimitType] = 0;
  expected[kDriveAreaHigh] = 250;
  expected[kLowDriveAreaLow] = 5;
  expected[kBalanceMode] = 0;
  expected[kImpedanceBump] = 50;
  EXPECT_EQ(plugin.Stored(0), expected);
  // Every user slot holds the same.
  for (int i = kFirstUserPresetSlot; i < kNumPresets; ++i)
    EXPECT_EQ(plugin.Stored(i), expected) << i;

  const std::vector<double> hiSat = plugin.Stored(4);
  EXPECT_EQ(hiSat[kLowDriveAreaHigh], 5906.774399999999);
  EXPECT_EQ(hiSat[kBalance], -77.29281471);
  EXPECT_EQ(hiSat[kOutputBandlimitLow], 120);
  EXPECT_EQ(hiSat[kTiltSwitch], 2);
  EXPECT_EQ(plugin.Stored(9)[kLowDriveAreaHigh], 5.99);
  EXPECT_EQ(plugin.Stored(9)[kMidDriveAreaHigh], 5.99);
  EXPECT_EQ(plugin.Stored(23)[kImpedanceBump], 100);
  // The two presets of the same name differ.
  EXPECT_NE(plugin.Stored(10), plugin.Stored(14));
}

TEST(VellicorPresets, RecallClampsValuesBelowRange)
{
  PresetPlugin plugin;
  ASSERT_TRUE(plugin.RecallPreset(0));
  std::vector<double> expected = plugin.Defaults();
  expected[kLimitType] = 0;
  expected[kDriveAreaHigh] = 250;
  expected[kBalanceMode] = 0;
  expected[kImpedanceBump] = 50;
  EXPECT_EQ(plugin.Values(), expected); // parameter 19 clamped back to 50

  ASSERT_TRUE(plugin.RecallPreset(9));
  EXPECT_EQ(plugin.V(kLowDriveAreaHigh), 50);
  EXPECT_EQ(plugin.V(kMidDriveAreaHigh), 50);
  EXPECT_EQ(plugin.V(kDrive), 49.69);
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 9);

  // Every preset recalls into range.
  for (int p = 0; p < kNumPresets; ++p)
  {
    ASSERT_TRUE(plugin.RecallPreset(p));
    for (int i = 0; i < kNumParams; ++i)
    {
      const plug::IParam* param = plugin.GetParam(i);
      ASSERT_NE(param, nullptr);
      EXPECT_GE(param->Value(), param->minValue) << p << "/" << i;
      EXPECT_LE(param->Value(), param->maxValue) << p << "/" << i;
    }
  }
}

TEST(VellicorPresets, StartUpLoadAppliesSlotFile)
{
  TempHome home;
  WriteSlotFile(0, R"({"Params":{"6":75.5,"15":4,"1":1,"0":1,"2":1.5,"16":1.6,"3":40},"PresetName":"Mine"})");
  PresetPlugin plugin;
  std::atomic<int> marker{0};
  LoadVellicorUserPresetSlot(plugin, 0, marker);
  EXPECT_EQ(marker.load(), 0);
  EXPECT_EQ(plugin.V(kDrive), 75.5);
  EXPECT_EQ(plugin.V(kPluginScale), 1.5);
  EXPECT_EQ(plugin.V(kTiltSwitch), 2);   // rounded to its step
  EXPECT_EQ(plugin.V(kInputGain), 12);   // clamped
  EXPECT_EQ(plugin.V(kOverSampling), 2); // never taken from a file
  EXPECT_EQ(plugin.V(kABSelect), 0);
  EXPECT_EQ(plugin.V(kDelta), 0);
  EXPECT_EQ(plugin.V(kDriveTone), 50);   // not in the file
  EXPECT_EQ(plugin.GetCurrentPresetIdx(), 0);
  // Every parameter went to the editor, normalised.
  ASSERT_EQ(plugin.mSent.size(), static_cast<size_t>(kNumParams));
  EXPECT_DOUBLE_EQ(plugin.mSent[kDrive], 0.755);
  EXPECT_DOUBLE_EQ(plugin.mSent[kPluginScale], 0.5);
  EXPECT_DOUBLE_EQ(plugin.mSent[kOverSampling], 0.5);
  // The stored presets are untouched.
  EXPECT_EQ(plugin.Stored(0)[kDrive], 0);
}

TEST(VellicorPresets, StartUpLoadIgnoresMissingOrBadFiles)
{
  TempHome home;
  for (const std::string text : {"nada", "", "{not json", R"({"PresetName":"x"})",
                                 R"({"Params":{"6":true,"7":"1","8":null}})", R"([1,2])"})
  {
    SCOPED_TRACE(text);
    if (text.empty())
      RemoveFile(UserPresetFile::Path(0)); // no file at all
    else
      WriteSlotFile(0, text);
    PresetPlugin plugin;
    std::atomic<int> marker{0};
    EXPECT_NO_THROW(LoadVellicorUserPresetSlot(plugin, 0, marker));
    EXPECT_EQ(plugin.Values(), plugin.Defaults());
  }
  // A folder where the file should be.
  RemoveFile(UserPresetFile::Path(0));
  ASSERT_EQ(mkdir(ExpandPath(UserPresetFile::Path(0)).c_str(), 0777), 0);
  PresetPlugin plugin;
  std::atomic<int> marker{0};
  LoadVellicorUserPresetSlot(plugin, 0, marker);
  EXPECT_EQ(plugin.Values(), plugin.Defaults());
}

TEST(VellicorPresets, StartUpLoadLeavesAUsedInstanceAlone)
{
  TempHome home;
  WriteSlotFile(0, R"({"Params":{"6":75.5}})");

  { // A parameter away from its default marks the instance as used.
    PresetPlugin plugin;
    plugin.GetParam(kVellAir)->Set(10);
    std::atomic<int> marker{0};
    LoadVellicorUserPresetSlot(plugin, 0, marker);
    EXPECT_EQ(marker.load(), 666);
    EXPECT_EQ(plugin.V(kDrive), 0);
    EXPECT_TRUE(plugin.mSent.empty());
  }
  { // Audio already processed.
    PresetPlugin plugin;
    std::atomic<int> marker{1};
    LoadVellicorUserPresetSlot(plugin, 0, marker);
    EXPECT_EQ(plugin.V(kDrive), 0);
  }
  { // Another preset is current.
    PresetPlugin plugin;
    ASSERT_TRUE(plugin.RecallPreset(3));
    const std::vector<double> before = plugin.Values();
    std::atomic<int> marker{0};
    LoadVellicorUserPresetSlot(plugin, 0, marker);
    EXPECT_EQ(plugin.Values(), before);
    EXPECT_EQ(marker.load(), 0);
  }
}
