#pragma once
// Regression levels of the factory presets: each preset renders the same programme (the
// regression signal of TestSignals.h, stereo, 2 s at 48 kHz, blocks of 512) through a fresh
// engine, and the RMS and peak of both output channels are kept in a text file in the
// source tree (tests/engine/golden/factory_presets.txt). The preset tests compare against
// it; `vellicor_measure --update-goldens` rewrites it after an intended change of sound.
#include "product/engine/EngineParams.h"

#include <string>
#include <vector>

namespace vellicor {

struct PresetLevels
{
  double rmsL = 0.0;
  double rmsR = 0.0;
  double peakL = 0.0;
  double peakR = 0.0;
  bool finite = true; // every output sample was finite
  // Output samples the engine muted (exactly 0 where the input was not): its answer to a
  // non-finite or runaway value, so a blow-up shows here even though the output stays finite.
  long muted = 0;
};

constexpr double kGoldenSampleRate = 48000.0;
constexpr double kGoldenSeconds = 2.0;
constexpr int kGoldenBlockSize = 512;
// Relative tolerance of a comparison: far below any audible change, far above the rounding
// differences between optimised and sanitizer builds (the engine avoids fused operations).
constexpr double kGoldenTolerance = 1e-9;
// Where the golden file lives, relative to the source tree.
constexpr const char* kPresetGoldenFile = "tests/engine/golden/factory_presets.txt";

// Renders `seconds` of the regression signal at sampleRate through a fresh engine reset
// with params (blocks of kGoldenBlockSize) and measures the output.
PresetLevels MeasurePresetLevels(const EngineParams& params, double sampleRate, double seconds);

// True when the output was finite and unmuted and all four levels lie within
// kGoldenTolerance (relative) of the golden ones.
bool LevelsMatch(const PresetLevels& measured, const PresetLevels& golden);

// One line of the golden file: "<index> <rmsL> <rmsR> <peakL> <peakR>  <name>".
std::string FormatGoldenLine(int index, const PresetLevels& levels, const char* name);

// Reads a golden file of `count` presets (lines starting with '#' and blank lines are
// ignored; the name after the numbers is only for the reader). Every index 0..count-1 must
// appear exactly once with four finite numbers. On failure returns false and says why.
bool ReadPresetGoldens(const std::string& path, int count, std::vector<PresetLevels>& out, std::string& error);

// Writes the golden file: a header explaining it, then one line per preset.
bool WritePresetGoldens(const std::string& path, const std::vector<PresetLevels>& levels,
                        const std::vector<std::string>& names);

} // namespace vellicor
