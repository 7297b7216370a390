// vellicor_measure: runs the engine's objective checks on the real engine and prints them
// as a table, with the factory presets' levels and the cost per stereo sample.
//
//   vellicor_measure [--quick] [--no-timing] [--goldens FILE] [--update-goldens]
//
//   --quick           shorter programmes and fewer variants (seconds instead of a minute);
//                     the preset levels are then not comparable with the golden file
//   --no-timing       skip the cost measurement
//   --goldens FILE    the preset golden file (default: the one in the source tree)
//   --update-goldens  rewrite the golden file from this run instead of comparing with it
//
// Exit status: 0 when every check passes, 1 when one fails, 2 for a usage error.
#include "product/tools/EngineChecks.h"
#include "product/tools/FactoryPresetBank.h"
#include "product/tools/PresetGoldens.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef VELLICOR_SOURCE_DIR
#define VELLICOR_SOURCE_DIR "."
#endif

namespace {

using namespace vellicor;

int Usage(const char* message)
{
  if (message)
    std::fprintf(stderr, "vellicor_measure: %s\n", message);
  std::fprintf(stderr, "usage: vellicor_measure [--quick] [--no-timing] [--goldens FILE] [--update-goldens]\n");
  return 2;
}

void PrintRow(const CheckResult& r)
{
  std::printf("%-36s %-40s %-22s %s\n", r.name.c_str(), r.measured.c_str(), r.limit.c_str(),
              r.pass ? "pass" : "FAIL");
}

} // namespace

int main(int argc, char** argv)
{
  bool quick = false, timing = true, update = false;
  std::string goldenPath = std::string(VELLICOR_SOURCE_DIR) + "/" + kPresetGoldenFile;
  for (int i = 1; i < argc; ++i)
  {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--quick"))
      quick = true;
    else if (!std::strcmp(arg, "--no-timing"))
      timing = false;
    else if (!std::strcmp(arg, "--update-goldens"))
      update = true;
    else if (!std::strcmp(arg, "--goldens") && i + 1 < argc)
      goldenPath = argv[++i];
    else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h"))
    {
      Usage(nullptr);
      return 0;
    }
    else
      return Usage((std::string("unknown argument ") + arg).c_str());
  }
  if (quick && update)
    return Usage("--update-goldens needs the full run (no --quick)");

  std::printf("Vellicor engine measurements (%s run)\n\n", quick ? "quick" : "full");
  std::printf("%-36s %-40s %-22s %s\n", "check", "measured", "limit", "result");
  std::printf("%s\n", std::string(36 + 1 + 40 + 1 + 22 + 1 + 6, '-').c_str());

  std::vector<CheckResult> results;
  auto add = [&](const CheckResult& r) {
    PrintRow(r);
    std::fflush(stdout);
    results.push_back(r);
  };
  add(CheckDryBlendIdentity(quick));
  add(CheckPowerOffConvergence(quick));
  add(CheckDeltaNull(quick));
  add(CheckMonoMatchesStereo(quick));
  add(CheckBlockSizeIndependence(quick));
  add(CheckDcRemoval(quick));
  add(CheckLimiterBound(quick));
  add(CheckPowerOffUnclipped(quick));
  add(CheckNonFiniteInput(quick));

  // Every preset at every rate; at 48 kHz the full run is also the golden measurement.
  FactoryPresetBank bank;
  // Quick mode only exercises the path; the engine tests run every preset and rate longer.
  const double seconds = quick ? 0.01 : kGoldenSeconds;
  std::vector<PresetLevels> levels;
  std::vector<std::string> failures;
  add(CheckPresetsAtRates(bank, seconds, levels, failures));
  for (const std::string& f : failures)
    std::printf("    %s\n", f.c_str());

  std::vector<PresetLevels> goldens;
  std::string goldenStatus;
  bool compare = false;
  if (update)
  {
    std::vector<std::string> names;
    for (int i = 0; i < kNumFactoryPresets; ++i)
      names.emplace_back(bank.Name(i));
    const bool written = WritePresetGoldens(goldenPath, levels, names);
    add({"golden file rewritten", written ? "written" : "not written", "writable", written});
    std::printf("    %s\n", goldenPath.c_str());
  }
  else if (!quick)
  {
    std::string error;
    compare = ReadPresetGoldens(goldenPath, kNumFactoryPresets, goldens, error);
    if (!compare)
      add({"golden file readable", error, "readable", false});
  }

  int mismatches = 0;
  std::printf("\nFactory presets at 48 kHz, %g s of noise, sweep and hits%s\n", seconds,
              compare ? ", against the golden file" : "");
  std::printf("%2s  %-33s %-10s %-10s %-10s %-10s %s\n", "#", "name", "rms L", "rms R", "peak L", "peak R",
              compare ? "golden" : "");
  for (int i = 0; i < kNumFactoryPresets; ++i)
  {
    const PresetLevels& v = levels[static_cast<std::size_t>(i)];
    const bool match = compare && LevelsMatch(v, goldens[static_cast<std::size_t>(i)]);
    if (compare && !match)
      ++mismatches;
    std::printf("%2d  %-33.33s %-10.6f %-10.6f %-10.6f %-10.6f %s\n", i, bank.Name(i), v.rmsL, v.rmsR, v.peakL,
                v.peakR, compare ? (match ? "match" : "CHANGED") : "");
  }
  if (compare)
    results.push_back({"preset levels", std::to_string(mismatches) + " changed", "0", mismatches == 0});

  if (timing)
  {
    const std::vector<CostRow> cost = MeasureCost(quick ? 5 : 400);
    std::printf("\nCost per stereo sample (48 kHz, 512 frames, Drive 50; not a pass/fail check)\n");
    std::printf("%-8s %14s %14s\n", "factor", "limiter off", "limiter on");
    for (int factor = 1; factor <= 16; factor *= 2)
    {
      double off = 0.0, on = 0.0;
      for (const CostRow& row : cost)
        if (row.factor == factor)
          (row.limiter ? on : off) = row.nsPerStereoSample;
      std::printf("%-8s %11.0f ns %11.0f ns\n", (std::to_string(factor) + "x").c_str(), off, on);
    }
  }

  int failed = 0;
  for (const CheckResult& r : results)
    failed += r.pass ? 0 : 1;
  std::printf("\n%d checks, %d failed\n", static_cast<int>(results.size()), failed);
  return failed ? 1 : 0;
}
