#include "standin/aaxhost/tool/RenderJob.h"

#include "standin/aaxhost/tool/AudioWriter.h"
#include "standin/aaxhost/tool/InstanceSetup.h"
#include "standin/aaxhost/tool/ParameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aaxhost
{
namespace
{
double ToDecibels(double value) { return value > 0.0 ? 20.0 * std::log10(value) : -INFINITY; }

// The component a file of this many channels renders through; prints why there is none.
int ChooseRenderComponent(const PluginInstance& instance, const Options& options, const std::string& file,
                          int channels)
{
  if (options.config >= 0)
  {
    if (options.config >= instance.ComponentCount())
    {
      std::printf("error: there is no component %d (the bundle has %d)\n", options.config, instance.ComponentCount());
      return -1;
    }
    const ComponentLayout layout = instance.Layout(options.config);
    // Fewer channels are spread (the last feeds the rest); more would be lost.
    if (channels > layout.HostInputs())
    {
      std::printf("error: %s has %d channels, but component %d (%s) takes %d\n", file.c_str(), channels,
                  options.config, LayoutText(layout).c_str(), layout.HostInputs());
      return -1;
    }
    return options.config;
  }
  const int found = instance.FindComponentForChannels(channels);
  if (found < 0)
  {
    std::printf("error: %s has %d channel%s, and no configuration takes that many:", file.c_str(), channels,
                channels == 1 ? "" : "s");
    for (int i = 0; i < instance.ComponentCount(); ++i)
    {
      const ComponentLayout layout = instance.Layout(i);
      std::printf("%s component %d (%s) takes %d", i ? "," : "", i, LayoutText(layout).c_str(), layout.HostInputs());
    }
    std::printf("\n");
  }
  return found;
}
} // namespace

int PrepareRenderJob(PluginInstance& instance, const Options& options, RenderJob& job)
{
  const std::string& inPath = options.arguments[0];
  std::string error;
  if (!ReadAudioFile(inPath, job.input, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  job.rate = options.rate > 0 ? options.rate : job.input.sampleRate;
  const int config = ChooseRenderComponent(instance, options, inPath, static_cast<int>(job.input.channels.size()));
  if (config < 0)
    return kExitFailed;
  if (!CreateInstance(instance, options, config, job.rate))
    return kExitLoad;
  if (!instance.CanRender())
    return std::printf("error: the component has no process procedure\n"), kExitFailed;
  if (!options.stateFile.empty() && !LoadStateFile(instance, options.stateFile))
    return kExitFailed;
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;

  for (const Automation& automation : options.automations)
  {
    ResolvedAutomation resolved;
    resolved.id = ResolveParameter(instance, automation.parameter);
    if (resolved.id.empty())
      return kExitFailed;
    for (size_t i = 0; i < automation.points.size(); ++i)
    {
      const AutomationPoint& point = automation.points[i];
      double normalized = 0.0;
      std::string note;
      if (!ReadValue(instance, resolved.id, point.value, automation.normalized, normalized, error, note))
        return std::printf("error: automation point %zu: %s\n", i + 1, error.c_str()), kExitFailed;
      if (!note.empty())
        std::printf("automate %s: point %zu: %s\n", resolved.id.c_str(), i + 1, note.c_str());
      resolved.points.emplace_back(point.time, normalized);
    }
    std::printf("automate %s: %zu points\n", resolved.id.c_str(), resolved.points.size());
    job.automations.push_back(std::move(resolved));
  }
  return kExitOK;
}

int FinishRender(PluginInstance& instance, const FileRender& render, const Options& options)
{
  const AudioData& output = render.Output();
  const size_t frames = output.Frames();
  const double seconds = render.Seconds();
  std::printf("rendered: %zu frames (%.3f s) in %zu blocks\n", frames, seconds, render.Blocks());
  if (render.BusySeconds() > 0.0)
    std::printf("real-time factor: %.1fx\n", seconds / render.BusySeconds());
  size_t nonFinite = 0;
  for (size_t c = 0; c < output.channels.size(); ++c)
  {
    double peak = 0.0, sum = 0.0;
    for (float v : output.channels[c])
    {
      if (!std::isfinite(v))
      {
        ++nonFinite;
        continue;
      }
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
      sum += static_cast<double>(v) * v;
    }
    const double rms = frames ? std::sqrt(sum / static_cast<double>(frames)) : 0.0;
    std::printf("output %zu: peak %.2f dBFS, rms %.2f dBFS\n", c + 1, ToDecibels(peak), ToDecibels(rms));
  }
  std::printf("non-finite samples: %zu\n", nonFinite);
  std::printf("final values:\n");
  for (const ParameterInfo& info : PluginValues(instance, true))
    std::printf("  %s \"%s\" = %s\n", info.id.c_str(), info.name.c_str(), info.text.c_str());
  const std::string& outPath = options.arguments[1];
  std::string error;
  if (!WriteAudioFile(outPath, output, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  std::printf("wrote %s\n", outPath.c_str());
  return nonFinite ? kExitFailed : kExitOK;
}
} // namespace aaxhost
