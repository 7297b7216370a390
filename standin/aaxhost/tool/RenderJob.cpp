#include "standin/aaxhost/tool/RenderJob.h"

#include "standin/aaxhost/tool/InstanceSetup.h"
#include "standin/aaxhost/tool/ParameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

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

// The frames of the file at `path`, read through to its end and kept nowhere; -1 with the
// reason.
int64_t CountFrames(const std::string& path, std::string& error)
{
  const std::unique_ptr<AudioReader> reader = OpenAudioReader(path, error);
  if (!reader)
    return -1;
  constexpr int64_t kFrames = 16384;
  std::vector<std::vector<float>> block(static_cast<size_t>(reader->Channels()), std::vector<float>(kFrames));
  std::vector<float*> pointers;
  for (std::vector<float>& channel : block)
    pointers.push_back(channel.data());
  int64_t frames = 0;
  for (;;)
  {
    const int64_t got = reader->Read(pointers.data(), kFrames, error);
    if (got <= 0)
      return got < 0 ? -1 : frames;
    frames += got;
  }
}
} // namespace

int PrepareRenderJob(PluginInstance& instance, const Options& options, RenderJob& job, bool needsLength)
{
  const std::string& inPath = options.arguments[0];
  std::string error;
  job.input.reader = OpenAudioReader(inPath, error);
  if (!job.input.reader)
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  job.input.reopen = [inPath](std::string& reason) { return OpenAudioReader(inPath, reason); };
  job.input.name = inPath;
  job.input.frames = job.input.reader->StatedFrames();
  if (needsLength && job.input.frames < 0 && (job.input.frames = CountFrames(inPath, error)) < 0)
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  const int channels = job.input.reader->Channels();
  job.rate = options.rate > 0 ? options.rate : job.input.reader->SampleRate();
  const int config = ChooseRenderComponent(instance, options, inPath, channels);
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

int OpenRenderOutput(const PluginInstance& instance, const RenderJob& job, const Options& options,
                     AudioWriter& output)
{
  std::string error;
  if (!output.Open(options.arguments[1], static_cast<int>(std::lround(job.rate)), instance.GetLayout().HostOutputs(),
                   job.input.frames, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  return kExitOK;
}

int FinishRender(PluginInstance& instance, FileRender& render, const Options& options)
{
  const size_t frames = render.OutputFrames();
  const double seconds = static_cast<double>(frames) / render.Rate();
  std::printf("rendered: %zu frames (%.3f s) in %zu blocks\n", frames, seconds, render.Blocks());
  if (render.BusySeconds() > 0.0)
    std::printf("real-time factor: %.1fx\n", seconds / render.BusySeconds());
  size_t nonFinite = 0;
  for (size_t c = 0; c < render.Levels().size(); ++c)
  {
    const ChannelLevels& levels = render.Levels()[c];
    nonFinite += levels.nonFinite;
    const double rms = frames ? std::sqrt(levels.sumOfSquares / static_cast<double>(frames)) : 0.0;
    std::printf("output %zu: peak %.2f dBFS, rms %.2f dBFS\n", c + 1, ToDecibels(levels.peak), ToDecibels(rms));
  }
  std::printf("non-finite samples: %zu\n", nonFinite);
  std::printf("final values:\n");
  for (const ParameterInfo& info : PluginValues(instance, true))
    std::printf("  %s \"%s\" = %s\n", info.id.c_str(), info.name.c_str(), info.text.c_str());
  const std::string& outPath = options.arguments[1];
  std::string error;
  if (!render.Finish(error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  std::printf("wrote %s\n", outPath.c_str());
  return nonFinite ? kExitFailed : kExitOK;
}
} // namespace aaxhost
