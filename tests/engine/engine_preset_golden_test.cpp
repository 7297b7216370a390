// Every factory preset, recalled the way the plug-in recalls it, keeps its output levels
// (RMS and peak per channel of a fixed programme) and stays finite at every host rate.
// After an intended change of sound, regenerate the golden file with
//   <build>/product/tools/vellicor_measure --update-goldens
#include "EngineHarness.h"
#include "product/tools/FactoryPresetBank.h"
#include "product/tools/PresetGoldens.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace enginetest;
using vellicor::FactoryPresetBank;
using vellicor::PresetLevels;

namespace {

const std::vector<PresetLevels>& Goldens()
{
  static const std::vector<PresetLevels> goldens = [] {
    std::vector<PresetLevels> v;
    std::string error;
    EXPECT_TRUE(vellicor::ReadPresetGoldens(testsupport::SourcePath(vellicor::kPresetGoldenFile),
                                            kNumFactoryPresets, v, error))
      << error;
    return v;
  }();
  return goldens;
}

class FactoryPresetGolden : public ::testing::TestWithParam<int>
{
};

class FactoryPresetRate : public ::testing::TestWithParam<double>
{
};

} // namespace

TEST_P(FactoryPresetGolden, KeepsItsLevels)
{
  const int preset = GetParam();
  FactoryPresetBank bank;
  const EngineParams p = bank.Recall(preset, vellicor::kGoldenSampleRate);
  ASSERT_EQ(p.presetIndex, preset);
  const PresetLevels v = vellicor::MeasurePresetLevels(p, vellicor::kGoldenSampleRate, vellicor::kGoldenSeconds);
  EXPECT_TRUE(v.finite);
  EXPECT_EQ(v.muted, 0) << "the engine muted samples: a value ran away";
  ASSERT_EQ(Goldens().size(), static_cast<std::size_t>(kNumFactoryPresets));
  EXPECT_TRUE(vellicor::LevelsMatch(v, Goldens()[static_cast<std::size_t>(preset)]))
    << "preset " << preset << " \"" << bank.Name(preset) << "\" now measures\n"
    << vellicor::FormatGoldenLine(preset, v, bank.Name(preset)) << "\nexpected\n"
    << vellicor::FormatGoldenLine(preset, Goldens()[static_cast<std::size_t>(preset)], bank.Name(preset))
    << "\nif the change of sound is intended: vellicor_measure --update-goldens";
  // The programme reaches every preset's output.
  EXPECT_GT(v.rmsL, 1e-3);
  EXPECT_GT(v.rmsR, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Presets, FactoryPresetGolden, ::testing::Range(0, kNumFactoryPresets));

// 48 kHz runs the full 2 s in the golden test above; the other rates run a shorter
// programme of the same kind (the whole 2 s at every rate is the measurement tool's job:
// it would take minutes in the sanitizer build).
TEST_P(FactoryPresetRate, EveryPresetStaysFinite)
{
  const double sr = GetParam();
  const double seconds = 0.04;
  FactoryPresetBank bank;
  for (int preset = 0; preset < kNumFactoryPresets; ++preset)
  {
    const PresetLevels v = vellicor::MeasurePresetLevels(bank.Recall(preset, sr), sr, seconds);
    EXPECT_TRUE(v.finite) << "preset " << preset << " at " << sr;
    EXPECT_EQ(v.muted, 0) << "preset " << preset << " at " << sr;
    EXPECT_GT(v.rmsL, 1e-3) << "preset " << preset << " at " << sr;
  }
}

INSTANTIATE_TEST_SUITE_P(HostRates, FactoryPresetRate,
                         ::testing::Values(44100.0, 88200.0, 96000.0, 176400.0, 192000.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                           return std::to_string(static_cast<int>(info.param));
                         });

TEST(FactoryPresetGoldenFile, ReaderTakesOnlyCompleteFiles)
{
  testsupport::TempDir dir;
  const std::string path = dir.File("goldens.txt");
  auto read = [&](const std::string& text, std::vector<PresetLevels>& out) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    std::string error;
    const bool ok = vellicor::ReadPresetGoldens(path, 3, out, error);
    EXPECT_EQ(ok, error.empty()) << error;
    return ok;
  };

  // What the writer produces reads back exactly.
  std::vector<PresetLevels> levels(3);
  for (int i = 0; i < 3; ++i)
    levels[static_cast<std::size_t>(i)] = {0.1 * (i + 1), 1.0 / 3.0 + i, 0.5 + i, 1e-17 * i, true, 0};
  ASSERT_TRUE(vellicor::WritePresetGoldens(path, levels, {"a", "b c", ""}));
  std::vector<PresetLevels> back;
  std::string error;
  ASSERT_TRUE(vellicor::ReadPresetGoldens(path, 3, back, error)) << error;
  for (std::size_t i = 0; i < 3; ++i)
  {
    EXPECT_EQ(back[i].rmsR, levels[i].rmsR);
    EXPECT_EQ(back[i].peakR, levels[i].peakR);
    EXPECT_TRUE(vellicor::LevelsMatch(levels[i], back[i]));
  }

  // Order does not matter, comments and blank lines are skipped.
  EXPECT_TRUE(read("# c\n\n2 1 1 1 1 x\n 0 1 1 1 1\n1 1 1 1 1\r\n", back));
  // A preset missing, twice, out of range, short of numbers, not finite, not a number.
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n1 1 1 1 1\n2 1 1 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n3 1 1 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n-1 1 1 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n2 1 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\n2 1 nan 1 1\n", back));
  EXPECT_FALSE(read("0 1 1 1 1\n1 1 1 1 1\nx 1 1 1 1\n", back));
  EXPECT_FALSE(read("", back));
  EXPECT_FALSE(vellicor::ReadPresetGoldens(dir.File("missing.txt"), 3, back, error));
  EXPECT_FALSE(error.empty());

  // A changed level is caught, a rounding-sized one is not.
  PresetLevels moved = levels[1];
  moved.rmsL *= 1.0 + 1e-12;
  EXPECT_TRUE(vellicor::LevelsMatch(moved, levels[1]));
  moved.rmsL *= 1.0 + 1e-6;
  EXPECT_FALSE(vellicor::LevelsMatch(moved, levels[1]));
  moved = levels[1];
  moved.finite = false;
  EXPECT_FALSE(vellicor::LevelsMatch(moved, levels[1]));
  moved = levels[1];
  moved.muted = 1;
  EXPECT_FALSE(vellicor::LevelsMatch(moved, levels[1]));
}
