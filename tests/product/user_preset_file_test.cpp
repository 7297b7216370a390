#include "product/UserPresetFile.h"

#include "plug/IParam.h"
#include "product/FileUtilities.h"

#include "HomeFolder.h"
#include "ParamHolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string Slurp(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string GoldenDefault()
{
  return Slurp(testsupport::SourcePath("tests/product/golden/default_user_preset.json"));
}

} // namespace

TEST(UserPresetFile, DefaultValuesWriteTheGoldenFile)
{
  TempHome home;
  ParamHolder params;
  const std::string golden = GoldenDefault();
  ASSERT_FALSE(golden.empty());

  const nlohmann::json json = UserPresetFile::ParamsToJSON(params);
  EXPECT_EQ(json.size(), 30u);
  for (const char* key : {"0", "1", "15"})
    EXPECT_FALSE(json.contains(key)) << key;
  EXPECT_EQ(UserPresetFile::ToText(json, "User Preset"), golden);

  ASSERT_TRUE(UserPresetFile::Write(7, json, "User Preset"));
  EXPECT_EQ(Slurp(home.Path() + "/Music/Orlenbeck/Vellicor Presets/7 User Preset.json"), golden);
}

TEST(UserPresetFile, NumbersKeepTheirKind)
{
  ParamHolder params;
  params.P(kOverSampling).Set(3);
  params.P(kTiltSwitch).Set(2);
  params.P(kPluginScale).Set(2.0);
  params.P(kDrive).Set(0.1);
  const std::string text = UserPresetFile::ToText(UserPresetFile::ParamsToJSON(params), "");
  EXPECT_NE(text.find("\"16\":2,"), std::string::npos) << text;  // enum: integer
  EXPECT_NE(text.find("\"2\":2.0,"), std::string::npos) << text;  // double: keeps ".0"
  EXPECT_NE(text.find("\"6\":0.1,"), std::string::npos) << text;  // shortest round trip
  EXPECT_EQ(text.find("\"15\""), std::string::npos) << text;      // never stored
  EXPECT_NE(text.find("\"PresetName\":\"\"}"), std::string::npos) << text;

  // Truncation toward zero for anything that is not a double.
  plug::IParam odd;
  odd.DefineInt("odd", 0, -10, 10);
  odd.value = -2.9; // bypassing the step, as a corrupt source might
  EXPECT_EQ(UserPresetFile::ParamValueToJSON(odd).dump(), "-2");
}

TEST(UserPresetFile, WrittenValuesAndNamesReadBack)
{
  TempHome home;
  ParamHolder saved;
  saved.P(kDrive).Set(75.5);
  saved.P(kLevelCalibration).Set(-3.7);
  saved.P(kDriveAreaLow).Set(537.25);
  saved.P(kStereoMode).Set(1);
  saved.P(kBalance).Set(-42);
  saved.P(kOverSampling).Set(4);
  saved.P(kDelta).Set(1);
  const std::string name = "Say \"hi\" \\ Caf\xC3\xA9 \xE2\x99\xAA";
  ASSERT_TRUE(UserPresetFile::Write(3, UserPresetFile::ParamsToJSON(saved), name));
  // Non-ASCII is written as UTF-8 bytes; quotes and backslashes are escaped.
  const std::string text = ReadTextFile(UserPresetFile::Path(3));
  EXPECT_NE(text.find("Caf\xC3\xA9"), std::string::npos);
  EXPECT_NE(text.find("Say \\\"hi\\\" \\\\"), std::string::npos) << text;

  ParamHolder loaded;
  const UserPresetFile file = UserPresetFile::Read(3);
  ASSERT_TRUE(file.Exists());
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(file.Name(), name);
  EXPECT_EQ(file.ApplyParams(loaded), 0);
  for (int i = 0; i < kNumParams; ++i)
  {
    const double expected = UserPresetFile::IsStoredParam(i) ? saved.P(i).Value() : loaded.P(i).defaultValue;
    EXPECT_EQ(loaded.P(i).Value(), expected) << i;
  }

  // A second save replaces the first completely.
  ASSERT_TRUE(UserPresetFile::Write(3, nlohmann::json::object(), "x"));
  EXPECT_EQ(ReadTextFile(UserPresetFile::Path(3)), "{\"Params\":{},\"PresetName\":\"x\"}");

  EXPECT_TRUE(UserPresetFile::Remove(3));
  EXPECT_FALSE(UserPresetFile::Read(3).Exists());
  EXPECT_FALSE(UserPresetFile::Remove(3));
}

TEST(UserPresetFile, RemovingASlotWhoseFileIsASymbolicLinkRemovesTheLinkItself)
{
  TempHome home;
  ASSERT_TRUE(UserPresetFile::Write(2, nlohmann::json::object(), "target"));
  const std::string target = ExpandPath(UserPresetFile::Path(2));
  struct stat st{};
  // Slot 3 links to nowhere, slot 4 to slot 2's file.
  for (const auto& [slot, to] : {std::make_pair(3, home.Path() + "/gone"), std::make_pair(4, target)})
  {
    const std::string link = ExpandPath(UserPresetFile::Path(slot));
    ASSERT_EQ(symlink(to.c_str(), link.c_str()), 0) << slot;
    EXPECT_TRUE(UserPresetFile::Remove(slot)) << slot;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << slot << ": the link is still there";
  }
  EXPECT_TRUE(UserPresetFile::Read(2).Exists());
}

TEST(UserPresetFile, InvalidUtf8NameIsRepairedNotThrown)
{
  TempHome home;
  ParamHolder params;
  const std::string bad = "ab\xFF\xC3" "cd";
  std::string text;
  ASSERT_NO_THROW(text = UserPresetFile::ToText(UserPresetFile::ParamsToJSON(params), bad));
  ASSERT_FALSE(text.empty());
  ASSERT_TRUE(UserPresetFile::Write(4, UserPresetFile::ParamsToJSON(params), bad));
  const UserPresetFile file = UserPresetFile::Read(4);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(file.Name(), "ab\xEF\xBF\xBD\xEF\xBF\xBD" "cd"); // each bad sequence becomes U+FFFD
  EXPECT_EQ(file.ApplyParams(params), 0);
}

TEST(UserPresetFile, ValuesAreRoundedToStepAndClamped)
{
  ParamHolder params;
  const UserPresetFile file = UserPresetFile::FromText(
    R"({"Params":{"16":1.6,"3":40,"6":1e9,"13":-1e300,"27":-37.4,"5":0.5,"14":-0.5,"2":1.234}})");
  EXPECT_EQ(file.ApplyParams(params), 30 - 8);
  EXPECT_EQ(params.P(kTiltSwitch).Value(), 2);
  EXPECT_EQ(params.P(kInputGain).Value(), 12);
  EXPECT_EQ(params.P(kDrive).Value(), 100);
  EXPECT_EQ(params.P(kLevelCalibration).Value(), -24);
  EXPECT_EQ(params.P(kBalance).Value(), -37.4);   // a double is not rounded to its step
  EXPECT_EQ(params.P(kStereoMode).Value(), 1);    // halves away from zero
  EXPECT_EQ(params.P(kLimitType).Value(), 0);     // -0.5 -> -1, clamped to 0
  EXPECT_EQ(params.P(kPluginScale).Value(), 1.234);
  EXPECT_EQ(file.Name(), "User Preset");
}

TEST(UserPresetFile, MalformedFilesLeaveParametersAlone)
{
  TempHome home;
  const std::string huge = "{\"Params\":{\"6\":75" + std::string(kMaxReadableFileSize, ' ') + "}}";
  const std::vector<std::pair<const char*, std::string>> cases = {
    {"nada", "nada"},
    {"empty", ""},
    {"not json", "this is not json"},
    {"truncated", R"({"Params":{"6":75.5,"7":)"},
    {"comment", "{\"Params\":{\"6\":75.5} /* no */}"},
    {"top-level array", R"([{"Params":{"6":75.5}}])"},
    {"top-level number", "75.5"},
    {"no Params", R"({"PresetName":"x"})"},
    {"Params not object", R"({"Params":[75.5,1,2,3,4,5,6,7]})"},
    {"Params null", R"({"Params":null})"},
    {"strings", R"({"Params":{"6":"75.5","7":"5"}})"},
    {"booleans", R"({"Params":{"10":false,"25":true,"6":true}})"},
    {"nulls and nesting", R"({"Params":{"6":null,"7":{"v":1},"8":[1]}})"},
    {"keys that are not plain decimals", R"({"Params":{"06":75.5," 6":75.5,"6.0":75.5,"-6":1}})"},
    {"number overflow", R"({"Params":{"6":75.5,"7":1e400}})"},
    {"bad utf-8", "{\"Params\":{\"6\":75.5},\"PresetName\":\"\xFF\"}"},
    {"nul inside", std::string("{\"Params\":{\"6\":75.5}\0}", 22)},
    {"huge", huge},
    {"deep nesting", "{\"Params\":" + std::string(400000, '[') + std::string(400000, ']') + "}"},
  };
  for (const auto& [what, text] : cases)
  {
    SCOPED_TRACE(what);
    std::ofstream(home.Path() + "/f.json", std::ios::binary) << text;
    ParamHolder params;
    const std::string read = ReadTextFile("~/f.json");
    UserPresetFile file;
    ASSERT_NO_THROW(file = UserPresetFile::FromText(read));
    int failures = 0;
    ASSERT_NO_THROW(failures = file.ApplyParams(params));
    EXPECT_EQ(failures, 30);
    EXPECT_EQ(params.Values(), params.Defaults());
    EXPECT_NO_THROW(file.Name());
  }

  // The file's path is a folder.
  ASSERT_EQ(mkdir((home.Path() + "/Music").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((home.Path() + "/Music/Orlenbeck").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((home.Path() + "/Music/Orlenbeck/Vellicor Presets").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(ExpandPath(UserPresetFile::Path(0)).c_str(), 0777), 0);
  EXPECT_FALSE(UserPresetFile::Read(0).Exists());
  ParamHolder params;
  EXPECT_FALSE(UserPresetFile::Write(0, UserPresetFile::ParamsToJSON(params), "x"));
  EXPECT_FALSE(UserPresetFile::Remove(0));
}

TEST(UserPresetFile, OneBadEntryFailsAlone)
{
  ParamHolder params;
  const UserPresetFile file = UserPresetFile::FromText(
    R"({"Params":{"6":75.5,"7":"x","8":true,"0":1,"1":1,"15":4,"99":3},"PresetName":42})");
  EXPECT_EQ(file.ApplyParams(params), 29);
  EXPECT_EQ(params.P(kDrive).Value(), 75.5);
  EXPECT_EQ(params.P(kDriveTone).Value(), 50);
  EXPECT_EQ(params.P(kMasterDryBlend).Value(), 100);
  EXPECT_EQ(params.P(kDelta).Value(), 0);       // never read from a file
  EXPECT_EQ(params.P(kABSelect).Value(), 0);
  EXPECT_EQ(params.P(kOverSampling).Value(), 2);
  EXPECT_EQ(file.Name(), "User Preset");        // not a string
}

TEST(UserPresetFile, SurvivesMutatedFiles)
{
  // Random damage to a real file: whatever parses must still give in-range values.
  const std::string golden = GoldenDefault();
  ASSERT_FALSE(golden.empty());
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round)
  {
    std::string text = golden;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e)
    {
      const size_t at = rng() % text.size();
      switch (rng() % 3)
      {
        case 0: text[at] = static_cast<char>(rng() & 0xFF); break;
        case 1: text.erase(at, 1 + rng() % 8); break;
        default: text.insert(at, 1, "{}[]\":,-.0e9tfn\\"[rng() % 16]); break;
      }
    }
    ParamHolder params;
    const UserPresetFile file = UserPresetFile::FromText(text);
    ASSERT_NO_THROW(file.ApplyParams(params));
    ASSERT_NO_THROW(file.Name());
    for (int i = 0; i < kNumParams; ++i)
    {
      const plug::IParam& p = params.P(i);
      ASSERT_TRUE(p.Value() >= p.minValue && p.Value() <= p.maxValue) << text;
    }
  }
}
