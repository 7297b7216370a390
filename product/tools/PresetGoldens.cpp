#include "product/tools/PresetGoldens.h"

#include "product/engine/TestSignals.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vellicor {

PresetLevels MeasurePresetLevels(const EngineParams& params, double sampleRate, double seconds)
{
  using namespace testsignals;
  const Stereo in = RegressionSignal(sampleRate, seconds);
  const Stereo out = RenderFresh(params, in, sampleRate, kGoldenBlockSize);
  PresetLevels v;
  if (out.Size() == 0)
    return v;
  v.rmsL = Rms(out.l, 0, out.Size());
  v.rmsR = Rms(out.r, 0, out.Size());
  v.peakL = Peak(out.l);
  v.peakR = Peak(out.r);
  v.finite = AllFinite(out);
  for (std::size_t i = 0; i < out.Size(); ++i)
    v.muted += (out.l[i] == 0.0 && in.l[i] != 0.0) + (out.r[i] == 0.0 && in.r[i] != 0.0);
  return v;
}

namespace {

bool Near(double a, double golden)
{
  // Relative, with a floor so that near-silent channels are not held to nothing.
  return std::fabs(a - golden) <= kGoldenTolerance * std::max(std::fabs(golden), 1e-3);
}

} // namespace

bool LevelsMatch(const PresetLevels& m, const PresetLevels& g)
{
  return m.finite && m.muted == 0 && Near(m.rmsL, g.rmsL) && Near(m.rmsR, g.rmsR) && Near(m.peakL, g.peakL) &&
         Near(m.peakR, g.peakR);
}

std::string FormatGoldenLine(int index, const PresetLevels& v, const char* name)
{
  char line[512];
  std::snprintf(line, sizeof line, "%2d %.17g %.17g %.17g %.17g  %s", index, v.rmsL, v.rmsR, v.peakL, v.peakR,
                name ? name : "");
  return line;
}

bool ReadPresetGoldens(const std::string& path, int count, std::vector<PresetLevels>& out, std::string& error)
{
  std::ifstream file(path);
  if (!file)
  {
    error = "cannot read " + path;
    return false;
  }
  std::vector<PresetLevels> levels(static_cast<std::size_t>(count > 0 ? count : 0));
  std::vector<bool> seen(levels.size(), false);
  std::string line;
  int lineNumber = 0;
  while (std::getline(file, line))
  {
    ++lineNumber;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#')
      continue;
    const char* p = line.c_str() + first;
    char* end = nullptr;
    errno = 0;
    const long index = std::strtol(p, &end, 10);
    double values[4];
    bool ok = end != p && errno == 0 && index >= 0 && index < count && !seen[static_cast<std::size_t>(index)];
    for (int i = 0; ok && i < 4; ++i)
    {
      p = end;
      values[i] = std::strtod(p, &end);
      ok = end != p && std::isfinite(values[i]);
    }
    if (!ok)
    {
      error = path + ":" + std::to_string(lineNumber) + ": expected a new preset index below " +
              std::to_string(count) + " and four finite numbers";
      return false;
    }
    PresetLevels& v = levels[static_cast<std::size_t>(index)];
    v.rmsL = values[0];
    v.rmsR = values[1];
    v.peakL = values[2];
    v.peakR = values[3];
    seen[static_cast<std::size_t>(index)] = true;
  }
  for (std::size_t i = 0; i < seen.size(); ++i)
    if (!seen[i])
    {
      error = path + ": no line for preset " + std::to_string(i);
      return false;
    }
  out = levels;
  return true;
}

bool WritePresetGoldens(const std::string& path, const std::vector<PresetLevels>& levels,
                        const std::vector<std::string>& names)
{
  std::ostringstream text;
  text << "# Regression levels of the factory presets: RMS and peak of the left and right output\n"
          "# for 2 s of the regression signal (noise, sweep, hits) at 48 kHz in blocks of 512,\n"
          "# each preset recalled into a fresh engine. Compared to a relative 1e-9.\n"
          "# After an intended change of sound, regenerate with\n"
          "#   <build>/product/tools/vellicor_measure --update-goldens\n"
          "# and review the difference before committing.\n"
          "# index rms_left rms_right peak_left peak_right  name\n";
  for (std::size_t i = 0; i < levels.size(); ++i)
    text << FormatGoldenLine(static_cast<int>(i), levels[i], i < names.size() ? names[i].c_str() : "") << "\n";

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file)
    return false;
  file << text.str();
  file.close();
  return static_cast<bool>(file);
}

} // namespace vellicor
