// aaxhost: a command-line AAX host over the host stand-in. It loads a bundle, starts and
// registers it, and then describes it, lists its parameters, renders audio files through an
// instance, saves, loads and compares state chunks, or opens and closes an instance's
// editor. Every trace and assertion the plug-in sends is reported at the end.
// `aaxhost --help` tells the commands, options and exit codes.

#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/CommandLine.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/EditorPlayback.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/aaxhost/tool/FileRender.h"
#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/PluginInstance.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/QuartzCore.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace aaxhost;

namespace
{
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& data)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

// The counts are of everything the plug-in sent; a log longer than the host keeps shows its
// newest records and says so, rather than passing the kept part off as the whole.
void PrintHostLog(const Host& host)
{
  const auto traces = host.Services().Traces();
  const auto assertions = host.Services().Assertions();
  const unsigned long long traceCount = host.Services().TraceCount();
  const unsigned long long assertionCount = host.Services().AssertionCount();
  std::printf("host log: %llu trace%s, %llu assertion%s\n", traceCount, traceCount == 1 ? "" : "s", assertionCount,
              assertionCount == 1 ? "" : "s");
  if (traceCount > traces.size())
    std::printf("  (only the newest %zu traces were kept)\n", traces.size());
  if (assertionCount > assertions.size())
    std::printf("  (only the newest %zu assertions were kept)\n", assertions.size());
  for (const TraceRecord& trace : traces)
    std::printf("  trace (priority 0x%x): %s\n", static_cast<unsigned>(trace.priority), trace.text.c_str());
  for (const AssertionRecord& assertion : assertions)
    std::printf("  assertion: %s:%d: %s\n", assertion.file.c_str(), assertion.line, assertion.condition.c_str());
}

// ---- parameter values ------------------------------------------------------------------------

// Resolves the parameter of a setting; prints and returns "" when there is none.
std::string ResolveParameter(const PluginInstance& instance, const std::string& parameter)
{
  const std::string id = instance.FindParameter(parameter);
  if (id.empty())
    std::printf("error: no parameter \"%s\"\n", parameter.c_str());
  return id;
}

ParameterInfo InfoOf(const PluginInstance& instance, const std::string& id)
{
  for (ParameterInfo& info : instance.Parameters())
    if (info.id == id)
      return info;
  return ParameterInfo();
}

// The number a display text starts with, and how many decimals it shows.
bool LeadingNumber(const std::string& text, double& value, int& decimals)
{
  const char* start = text.c_str();
  char* end = nullptr;
  value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value))
    return false;
  const char* point = std::find(start, static_cast<const char*>(end), '.');
  decimals = point < end ? static_cast<int>(end - point - 1) : 0;
  return true;
}

// Whether a numeric text lies outside the parameter's range as the plug-in displays its ends
// (by more than the display's rounding); range gets "LOW..HIGH".
bool OutsideRange(const PluginInstance& instance, const std::string& id, const std::string& text, std::string& range)
{
  const std::string low = instance.FormatText(id, 0.0);
  const std::string high = instance.FormatText(id, 1.0);
  double requested = 0.0, a = 0.0, b = 0.0;
  int decimals = 0, decimalsA = 0, decimalsB = 0;
  if (!LeadingNumber(text, requested, decimals) || !LeadingNumber(low, a, decimalsA) ||
      !LeadingNumber(high, b, decimalsB))
    return false;
  const double rounding = 0.5 * std::pow(10.0, -std::min(decimalsA, decimalsB));
  range = low + ".." + high;
  return requested < std::min(a, b) - rounding || requested > std::max(a, b) + rounding;
}

// The texts a stepped parameter shows at its steps, "" for a continuous one.
std::string AcceptedTexts(const PluginInstance& instance, const std::string& id)
{
  const ParameterInfo info = InfoOf(instance, id);
  if (!info.discrete || info.steps < 2 || info.steps > 64)
    return std::string();
  std::string list;
  std::string previous;
  for (int i = 0; i < info.steps; ++i)
  {
    const std::string text = instance.FormatText(id, static_cast<double>(i) / (info.steps - 1));
    if (text.empty() || text == previous)
      continue;
    list += (list.empty() ? "" : ", ") + text;
    previous = text;
  }
  return list;
}

// The normalised value of a setting's text. False with the reason when the plug-in refuses
// the text; `note` tells when the value lies outside the range and is clamped.
bool ReadValue(const PluginInstance& instance, const std::string& id, const std::string& text, bool normalized,
               double& out, std::string& error, std::string& note)
{
  note.clear();
  if (normalized)
  {
    if (!ParseDouble(text, out))
    {
      error = "\"" + text + "\" is no normalised value (a number from 0 to 1)";
      return false;
    }
    if (out < 0.0 || out > 1.0)
    {
      out = std::clamp(out, 0.0, 1.0);
      note = text + " is outside 0..1: clamped to " + instance.FormatText(id, out);
    }
    return true;
  }
  const AAX_Result result = instance.ParseText(id, text, &out);
  if (result != AAX_SUCCESS)
  {
    error = "\"" + InfoOf(instance, id).name + "\" does not take \"" + text + "\": result " + ResultText(result);
    const std::string accepted = AcceptedTexts(instance, id);
    if (!accepted.empty())
      error += "; it takes: " + accepted;
    return false;
  }
  std::string range;
  if (OutsideRange(instance, id, text, range))
    note = text + " is outside " + range + ": clamped to " + instance.FormatText(id, out);
  return true;
}

bool ApplySettings(PluginInstance& instance, const std::vector<Setting>& settings)
{
  for (const Setting& setting : settings)
  {
    const std::string id = ResolveParameter(instance, setting.parameter);
    if (id.empty())
      return false;
    double normalized = 0.0;
    std::string error, note;
    if (!ReadValue(instance, id, setting.value, setting.normalized, normalized, error, note))
    {
      std::printf("error: %s\n", error.c_str());
      return false;
    }
    const AAX_Result result = instance.SetNormalized(id, normalized);
    if (result != AAX_SUCCESS)
    {
      std::printf("error: setting %s to \"%s\" failed: result %s\n", id.c_str(), setting.value.c_str(),
                  ResultText(result).c_str());
      return false;
    }
    std::printf("set %s = %s%s\n", id.c_str(), instance.ParameterText(id).c_str(),
                note.empty() ? "" : (" (" + note + ")").c_str());
  }
  return true;
}

// Loads a --state file into the instance before anything else is set.
bool LoadStateFile(PluginInstance& instance, const std::string& path)
{
  std::vector<uint8_t> data;
  std::string readError;
  if (!ReadInputFile(path, data, readError))
  {
    std::printf("error: %s\n", readError.c_str());
    return false;
  }
  AAX_CTypeID id = 0;
  const AAX_Result idResult = instance.ChunkID(&id);
  const AAX_Result result = idResult != AAX_SUCCESS ? idResult : instance.SetChunk(id, data);
  std::printf("state: loaded %zu bytes, result %s\n", data.size(), ResultText(result).c_str());
  return result == AAX_SUCCESS;
}

// The values the plug-in holds itself (its reactions to the settings included).
std::vector<ParameterInfo> PluginValues(PluginInstance& instance)
{
  std::vector<ParameterInfo> list;
  if (!instance.PluginParameters(list))
    std::printf("note: the plug-in's state did not load back; these are the host's copies of the values\n");
  return list;
}

// ---- instances -------------------------------------------------------------------------------

std::string LayoutText(const ComponentLayout& layout)
{
  std::string text = std::to_string(layout.inputs) + " in, " + std::to_string(layout.outputs) + " out";
  if (layout.sideChain)
    text += ", side-chain in";
  if (layout.aux)
    text += ", " + std::to_string(layout.aux) + " aux out";
  return text;
}

bool CreateInstance(PluginInstance& instance, const Options& options, int config, double rate)
{
  if (!instance.Create(config, static_cast<float>(rate)))
  {
    std::printf("error: %s\n", instance.Error().c_str());
    return false;
  }
  std::printf("instance: component %d, %s, %.0f Hz\n", config, LayoutText(instance.GetLayout()).c_str(), rate);
  if (options.hasTrackName)
  {
    AAX_CString name(options.trackName);
    const AAX_Result result =
      instance.Notify(AAX_eNotificationEvent_TrackNameChanged, static_cast<const AAX_IString*>(&name),
                      static_cast<uint32_t>(sizeof(name)));
    std::printf("track name \"%s\": result %s\n", options.trackName.c_str(), ResultText(result).c_str());
  }
  return true;
}

// The instance of a command that works on one: component --config (else 0) at --rate (else
// 48 kHz), --state loaded, then every --set applied. kExitOK, or the exit code of the failure.
int PrepareInstance(PluginInstance& instance, const Options& options)
{
  if (!CreateInstance(instance, options, std::max(options.config, 0), options.rate > 0 ? options.rate : 48000.0))
    return kExitLoad;
  if (!options.stateFile.empty() && !LoadStateFile(instance, options.stateFile))
    return kExitFailed;
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  return kExitOK;
}

// ---- commands --------------------------------------------------------------------------------

int CommandParams(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (const int failure = PrepareInstance(instance, options))
    return failure;
  const auto list = PluginValues(instance);
  std::printf("parameters: %zu\n", list.size());
  int index = 0;
  for (const ParameterInfo& info : list)
  {
    std::printf("%2d  id \"%s\"  name \"%s\"  steps %d  %s%s  default %.6f  value %.6f  text \"%s\"\n", index++,
                info.id.c_str(), info.name.c_str(), info.steps, info.discrete ? "discrete" : "continuous",
                info.automatable ? "" : "  not automatable", info.defaultNormalized, info.normalized,
                info.text.c_str());
  }
  return kExitOK;
}

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

// Progress of a long render, on a terminal only: a line that rewrites itself.
class Progress
{
public:
  explicit Progress(double seconds)
    : mSeconds(seconds)
    , mShown(isatty(STDERR_FILENO) != 0)
    , mStart(std::chrono::steady_clock::now())
  {
  }
  void Update(double done)
  {
    if (!mShown)
      return;
    const auto now = std::chrono::steady_clock::now();
    // Only a render that lasts: a long file, or one that has taken a while already.
    if (mSeconds < 5.0 && now - mStart < std::chrono::seconds(2))
      return;
    if (now < mNext)
      return;
    mNext = now + std::chrono::milliseconds(250);
    std::fprintf(stderr, "\rrendering: %3.0f%% (%.1f s of %.1f s)", 100.0 * done / mSeconds, done, mSeconds);
    mWritten = true;
  }
  // Clears the line, before anything else is printed.
  void Done()
  {
    if (mWritten)
      std::fprintf(stderr, "\r%60s\r", "");
    mWritten = false;
  }
  ~Progress() { Done(); }

private:
  double mSeconds;
  bool mShown;
  bool mWritten = false;
  std::chrono::steady_clock::time_point mStart;
  std::chrono::steady_clock::time_point mNext;
};

// The input file, the instance made for it (component by the file's channels, --state and
// every --set applied) and the resolved automation of a command that renders a file.
struct RenderJob
{
  AudioData input;
  double rate = 48000.0;
  std::vector<ResolvedAutomation> automations;
  FileRenderSettings Settings(const Options& options) const
  {
    FileRenderSettings settings;
    settings.blocks = options.blocks;
    settings.rate = rate;
    settings.tempo = options.tempo;
    settings.play = options.play;
    return settings;
  }
};

// Reads the input, makes the instance and resolves the automation. kExitOK, or the exit code
// of the failure (printed).
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

// What a finished render prints: length, speed, levels, the values it ended with; then the
// output file is written.
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
  for (const ParameterInfo& info : PluginValues(instance))
    std::printf("  %s \"%s\" = %s\n", info.id.c_str(), info.name.c_str(), info.text.c_str());
  const std::string& outPath = options.arguments[1];
  std::string error;
  if (!WriteAudioFile(outPath, output, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  std::printf("wrote %s\n", outPath.c_str());
  return nonFinite ? kExitFailed : kExitOK;
}

int CommandRender(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  RenderJob job;
  if (const int failure = PrepareRenderJob(instance, options, job))
    return failure;
  FileRender render(instance, host, job.input, job.Settings(options), job.automations);
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);
  Progress progress(render.Seconds());
  while (!render.Done())
  {
    std::string error;
    if (!render.RenderNext(error))
    {
      progress.Done();
      std::printf("error: %s\n", error.c_str());
      return kExitFailed;
    }
    progress.Update(render.Time());
  }
  progress.Done();
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
  return FinishRender(instance, render, options);
}

int CommandState(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (!CreateInstance(instance, options, std::max(options.config, 0), options.rate > 0 ? options.rate : 48000.0))
    return kExitLoad;
  AAX_CTypeID ownID = 0;
  const AAX_Result idResult = instance.ChunkID(&ownID);
  if (idResult != AAX_SUCCESS)
    return std::printf("error: no chunk: result %s\n", ResultText(idResult).c_str()), kExitFailed;
  std::printf("chunk id: %s\n", FourCCText(ownID).c_str());
  AAX_CTypeID id = ownID;
  if (!options.chunkID.empty())
    id = AAX_MakeFourCC(options.chunkID[0], options.chunkID[1], options.chunkID[2], options.chunkID[3]);

  int exitCode = kExitOK;
  if (!options.loadFile.empty())
  {
    std::vector<uint8_t> data;
    std::string readError;
    if (!ReadInputFile(options.loadFile, data, readError))
      return std::printf("error: %s\n", readError.c_str()), kExitFailed;
    const AAX_Result result = instance.SetChunk(id, data);
    std::printf("load: %zu bytes as %s, result %s\n", data.size(), FourCCText(id).c_str(), ResultText(result).c_str());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
  }
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  if (!options.saveFile.empty())
  {
    std::vector<uint8_t> data;
    const AAX_Result result = instance.GetChunk(ownID, data);
    std::printf("save: result %s, %zu bytes\n", ResultText(result).c_str(), data.size());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
    else if (!WriteBytes(options.saveFile, data))
      return std::printf("error: cannot write %s\n", options.saveFile.c_str()), kExitFailed;
  }
  if (!options.compareFile.empty())
  {
    std::vector<uint8_t> data;
    std::string readError;
    if (!ReadInputFile(options.compareFile, data, readError))
      return std::printf("error: %s\n", readError.c_str()), kExitFailed;
    bool equal = false;
    const AAX_Result result = instance.CompareChunk(id, data, &equal);
    std::printf("compare: %s, result %s\n", equal ? "equal" : "different", ResultText(result).c_str());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
    else if (!equal && exitCode == kExitOK)
      exitCode = kExitDiffer;
  }
  return exitCode;
}

// The parameter an editor session highlights: the one asked for, else the first that is not
// the bypass; "" when there is none. False (printed) when the one asked for is unknown.
bool HighlightParameter(const PluginInstance& instance, const Options& options, std::string& id)
{
  id.clear();
  if (!options.highlight.empty())
  {
    id = ResolveParameter(instance, options.highlight);
    return !id.empty();
  }
  for (const ParameterInfo& info : instance.Parameters())
    if (info.id != AAX_kMasterBypassID)
    {
      id = info.id;
      break;
    }
  return true;
}

// "ViewContainer.GetPtr x2, ..." in the order the calls were first made.
std::vector<std::pair<std::string, int>> CountCalls(const std::vector<std::string>& calls)
{
  std::vector<std::pair<std::string, int>> counts;
  for (const std::string& call : calls)
  {
    auto it = std::find_if(counts.begin(), counts.end(), [&call](const auto& c) { return c.first == call; });
    if (it == counts.end())
      counts.emplace_back(call, 1);
    else
      ++it->second;
  }
  return counts;
}

// Runs the main run loop for n frames of 60 per second, serving the host's timer between.
void RunFrames(PluginInstance& instance, int n)
{
  for (int i = 0; i < n; ++i)
  {
    standin::RunLoop::Main().RunForMs(1000.0 / 60.0);
    instance.ServeMainThread();
  }
}

// The last opening's work: the input replayed, the parameters it changed as the host sees
// them, and the picture. False when the picture cannot be had or written.
bool ReplayAndPicture(EditorSession& editor, PluginInstance& instance, const Options& options)
{
  NSView* view = editor.EditorView();
  AAX_Point size;
  editor.ReportSize(size);
  const float drawScale = view && size.horz > 0 ? static_cast<float>(view->frame().size.width / size.horz) : 1.f;

  std::vector<std::pair<ParameterInfo, std::string>> before;
  for (const ParameterInfo& info : instance.Parameters())
    before.emplace_back(info, instance.ParameterText(info.id));
  for (const EditorInput& step : options.inputs)
  {
    std::printf("  input: %s\n", ReplayEditorInput(view, drawScale, step).c_str());
    RunFrames(instance, 1);
  }
  if (!options.inputs.empty())
  {
    instance.Settle();
    int changes = 0;
    for (const auto& entry : before)
    {
      const std::string now = instance.ParameterText(entry.first.id);
      if (now != entry.second)
        std::printf("  parameter %s \"%s\": %s -> %s\n", entry.first.id.c_str(), entry.first.name.c_str(),
                    entry.second.c_str(), now.c_str()), ++changes;
    }
    std::printf("  parameters changed by the input: %d\n", changes);
    // What the host settled reaches the editor at its next idle turn and shows at the frame
    // after; two frames' time holds at least one tick of the editor's frame timer however
    // late the loop comes round, so the picture shows the input's outcome.
    RunFrames(instance, 2);
  }
  if (options.pngFile.empty())
    return true;
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (!view || !view->layer() || !view->layer()->CopyContentsRGBA(width, height, rgba))
    return std::printf("  png: the editor shows no picture\n"), false;
  if (!standin::ca::WritePNG(options.pngFile, width, height, rgba.data()))
    return std::printf("  png: cannot write %s\n", options.pngFile.c_str()), false;
  std::printf("  png: %s, %d x %d pixels (draw scale %g, screen scale %g)\n", options.pngFile.c_str(), width, height,
              drawScale, options.screenScale);
  return true;
}

int CommandEditor(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (const int failure = PrepareInstance(instance, options))
    return failure;
  std::string highlight;
  if (!HighlightParameter(instance, options, highlight))
    return kExitFailed;

  bool failed = false;
  auto report = [&failed](const char* what, AAX_Result result, const char* note = "") {
    std::printf("%s: result %s%s\n", what, ResultText(result).c_str(), note);
    failed = failed || result != AAX_SUCCESS;
  };
  auto reportSize = [&](EditorSession& editor, const char* when) {
    AAX_Point size;
    const AAX_Result result = editor.ReportSize(size);
    std::printf("editor size%s: %.0f x %.0f, result %s\n", when, size.horz, size.vert, ResultText(result).c_str());
    failed = failed || result != AAX_SUCCESS;
  };

  const std::vector<int32_t> countsBefore = host.RefCounts();
  host.Context().ClearCalls();
  standin::appkit::SetMainScreen(NSScreen::mainScreen()->frame(), options.screenScale);
  {
    EditorSession editor(host, instance);
    if (!editor.Create())
      return std::printf("error: %s\n", editor.Error().c_str()), kExitFailed;
    report("editor: made by the editor factory, Init", editor.InitResult());
    reportSize(editor, "");
    for (int i = 1; i <= options.opens; ++i)
    {
      const std::string open = "open " + std::to_string(i);
      report(open.c_str(), editor.Open());
      // The main thread's turns: the editor's frame timer and the idle hook run with the editor
      // open.
      instance.ServeMainThread();
      RunFrames(instance, options.frames);
      if (i == options.opens)
        failed = !ReplayAndPicture(editor, instance, options) || failed;
      if (!highlight.empty())
      {
        const std::string name = InfoOf(instance, highlight).name;
        for (bool on : {true, false})
        {
          const AAX_Result result = editor.Highlight(highlight, on, 0);
          // The answer while the plug-in has no editor open: nothing could be highlighted.
          std::printf("  highlight %s \"%s\" %s: %s\n", highlight.c_str(), name.c_str(), on ? "on" : "off",
                      result == AAX_ERROR_INVALID_PARAMETER_ID ? "the plug-in has no editor open"
                                                               : ("result " + ResultText(result)).c_str());
          failed = failed || (result != AAX_SUCCESS && result != AAX_ERROR_INVALID_PARAMETER_ID);
        }
      }
      bool balanced = true;
      const AAX_Result result = editor.Close(balanced);
      const std::string close = "close " + std::to_string(i);
      report(close.c_str(), result, balanced ? ", view container references balanced" : ", view container references UNBALANCED");
      failed = failed || !balanced;
    }
    reportSize(editor, " after closing");
    const bool gone = editor.Destroy();
    std::printf("editor: released%s\n", gone ? "" : ", but still referenced");
    failed = failed || !gone;
  }
  const auto calls = CountCalls(host.Context().Calls());
  std::printf("host calls during the session: %zu\n", host.Context().CallCount());
  for (const auto& call : calls)
    std::printf("  %s x%d\n", call.first.c_str(), call.second);
  const bool balanced = host.RefCounts() == countsBefore;
  std::printf("host references: %s\n", balanced ? "balanced" : "UNBALANCED");
  return failed || !balanced ? kExitFailed : kExitOK;
}

// The host's record of the plug-in's gestures, with their times on the file's clock.
void PrintGestures(const PluginInstance& instance)
{
  const AutomationDelegate& delegate = instance.GetInstanceHost()->Automation();
  const std::vector<GestureRecord> gestures = delegate.Gestures();
  std::printf("host gestures: %llu (touch, set and release requests)\n",
              static_cast<unsigned long long>(delegate.GestureCount()));
  if (delegate.GestureCount() > gestures.size())
    std::printf("  (only the newest %zu were kept)\n", gestures.size());
  for (const GestureRecord& gesture : gestures)
  {
    const std::string name = InfoOf(instance, gesture.id).name;
    if (gesture.kind == GestureRecord::kSet)
      std::printf("  %8.3f s  set %s \"%s\" = %.6f (%s)\n", gesture.time, gesture.id.c_str(), name.c_str(),
                  gesture.value, instance.FormatText(gesture.id, gesture.value).c_str());
    else
      std::printf("  %8.3f s  %s %s \"%s\"\n", gesture.time, gesture.kind == GestureRecord::kTouch ? "touch" : "release",
                  gesture.id.c_str(), name.c_str());
  }
}

// The editor open while IN.wav renders into OUT.wav (see EditorPlayback.h).
int CommandEditorWithAudio(const Collection& collection, Host& host, const Options& options)
{
  // Before the instance: the plug-in starts its editor timer in its constructor.
  if (!PrepareHostForPlayback(options.realtime))
    return std::printf("error: the main run loop cannot take the %s clock\n", options.realtime ? "real" : "virtual"),
           kExitFailed;
  PluginInstance instance(host, *collection.Effects().front().second);
  RenderJob job;
  if (const int failure = PrepareRenderJob(instance, options, job))
    return failure;
  std::string highlight;
  if (!HighlightParameter(instance, options, highlight))
    return kExitFailed;

  bool failed = false;
  const std::vector<int32_t> countsBefore = host.RefCounts();
  standin::appkit::SetMainScreen(NSScreen::mainScreen()->frame(), options.screenScale);
  standin::RunLoop& loop = standin::RunLoop::Main();
  const std::chrono::nanoseconds start = loop.Now();
  AutomationDelegate& delegate = instance.GetInstanceHost()->Automation();
  delegate.SetClock([&loop, start] { return std::chrono::duration<double>(loop.Now() - start).count(); });
  PlaybackResult result;
  {
    EditorSession editor(host, instance);
    if (!editor.Create())
      return delegate.SetClock(nullptr), std::printf("error: %s\n", editor.Error().c_str()), kExitFailed;
    std::printf("editor: made by the editor factory, Init: result %s\n", ResultText(editor.InitResult()).c_str());
    FileRender render(instance, host, job.input, job.Settings(options), job.automations);
    if (options.offline)
      instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);
    PlaybackScript script;
    script.opens = options.opens;
    script.inputs = options.inputs;
    script.pictures = options.pictures;
    script.realtime = options.realtime;
    script.log = [](const std::string& line) { std::printf("  %s\n", line.c_str()); };
    script.opened = [&](EditorSession& session, int) {
      if (highlight.empty())
        return;
      for (bool on : {true, false})
      {
        const AAX_Result r = session.Highlight(highlight, on, 0);
        failed = failed || (r != AAX_SUCCESS && r != AAX_ERROR_INVALID_PARAMETER_ID);
      }
    };
    std::printf("playing %.3f s with the editor open (%s)\n", render.Seconds(),
                options.realtime ? "real time, live threads" : "deterministic, on the virtual clock");
    result = PlayWithEditor(editor, instance, render, script);
    if (!result.ok)
      std::printf("error: %s\n", result.error.c_str());
    if (result.ok && !options.pngFile.empty())
    {
      std::string error;
      if (WriteEditorPicture(editor, options.pngFile, error))
        std::printf("  png: %s\n", options.pngFile.c_str());
      else
        std::printf("  png: %s\n", error.c_str()), failed = true;
    }
    bool balanced = true;
    const AAX_Result closed = editor.IsOpen() ? editor.Close(balanced) : AAX_SUCCESS;
    std::printf("close: result %s%s\n", ResultText(closed).c_str(),
                balanced ? ", view container references balanced" : ", view container references UNBALANCED");
    failed = failed || closed != AAX_SUCCESS || !balanced;
    const bool gone = editor.Destroy();
    std::printf("editor: released%s\n", gone ? "" : ", but still referenced");
    failed = failed || !gone;
    if (options.offline)
      instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);
    if (options.realtime)
      std::printf("missed deadlines: %zu of %zu blocks\n", result.missedDeadlines, render.Blocks());
    PrintGestures(instance);
    delegate.SetClock(nullptr);
    if (!result.ok)
      return kExitFailed;
    failed = FinishRender(instance, render, options) != kExitOK || failed;
  }
  const bool balanced = host.RefCounts() == countsBefore;
  std::printf("host references: %s\n", balanced ? "balanced" : "UNBALANCED");
  return failed || !balanced ? kExitFailed : kExitOK;
}

// Loads, registers, instantiates, releases and unloads the bundle `count` times, each with a
// fresh host, checking that nothing stays alive.
int CommandCycles(const Options& options)
{
  int count = 3;
  if (!options.arguments.empty())
    ParseInt(options.arguments[0], count);
  bool allClean = true;
  for (int i = 0; i < count; ++i)
  {
    Host host;
    BundleLoader bundle;
    if (!bundle.Load(options.bundle))
      return std::printf("error: %s\n", bundle.Error().c_str()), kExitLoad;
    bundle.Startup(host);
    const ACFRESULT registered = bundle.Register(host);
    const Collection* collection = bundle.Registered();
    bool instanced = false;
    ACFRESULT liveWithInstance = -1;
    if (registered == ACF_OK && collection && !collection->Effects().empty())
    {
      PluginInstance instance(host, *collection->Effects().front().second);
      instanced = instance.Create(options.config >= 0 ? options.config : 0, 48000.0f);
      liveWithInstance = bundle.CanUnloadNow();
    }
    const ACFRESULT live = bundle.CanUnloadNow();
    const std::string path = bundle.Path();
    bundle.Unload();
    // A library that is really gone can no longer be found without loading it.
    void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    const bool unloaded = still == nullptr;
    if (still)
      dlclose(still);
    const bool balanced = host.AllAtStartingCounts();
    const bool clean = registered == ACF_OK && instanced && live == 0 && balanced;
    allClean = allClean && clean;
    std::printf("cycle %d: register %s, instance %s, live objects %d with instance, %d after release, "
                "host references %s, library %s\n",
                i + 1, ResultText(registered).c_str(), instanced ? "made" : "FAILED", liveWithInstance, live,
                balanced ? "balanced" : "UNBALANCED", unloaded ? "unloaded" : "still loaded");
    if (host.Services().TraceCount() > 0 || host.Services().AssertionCount() > 0)
      PrintHostLog(host);
  }
  std::printf("live host objects: %d\n", LiveHostObjects());
  return allClean ? kExitOK : kExitFailed;
}
std::atomic<int> gValidationMessages{0};

// Exit code kExitValidation where the run itself succeeded but a Metal device, in the tool or
// in the bundle, reported misuse.
int WithValidation(int exitCode)
{
  const int messages = gValidationMessages.load();
  if (messages == 0)
    return exitCode;
  std::printf("error: %d Metal validation message%s\n", messages, messages == 1 ? "" : "s");
  return exitCode == kExitOK ? kExitValidation : exitCode;
}

int RunTool(int argc, char** argv);
} // namespace

// Every Metal device of the process, the bundle's included, reports its validation messages
// here (the layer finds this function by name), as Metal's validation layer prints to a
// host's console. Any thread may call it.
extern "C" __attribute__((visibility("default"))) void standin_metal_validation_sink(const char* message)
{
  gValidationMessages.fetch_add(1);
  std::printf("metal validation: %s\n", message);
}

int main(int argc, char** argv)
{
  // Whatever escapes a command (memory running out, say) ends the run as a failure with its
  // reason, not as an abort.
  int exitCode = kExitFailed;
  try
  {
    exitCode = RunTool(argc, argv);
  }
  catch (const std::exception& e)
  {
    std::printf("error: %s\n", e.what());
  }
  catch (...)
  {
    std::printf("error: an unknown exception\n");
  }
  return WithValidation(exitCode);
}

namespace
{
int RunTool(int argc, char** argv)
{
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  if (parsed.kind == ParsedCommandLine::kHelp)
  {
    std::fputs(HelpText(parsed.helpTopic).c_str(), stdout);
    return kExitOK;
  }
  if (parsed.kind == ParsedCommandLine::kUsage)
  {
    std::fprintf(stderr, "aaxhost: %s\n%s", parsed.error.c_str(), UsageHint(parsed.options.command).c_str());
    return kExitUsage;
  }
  const Options& options = parsed.options;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (options.command == "cycles")
    return CommandCycles(options);

  int exitCode = kExitOK;
  {
    Host host;
    BundleLoader bundle;
    if (!bundle.Load(options.bundle))
    {
      std::printf("error: %s\n", bundle.Error().c_str());
      return kExitLoad;
    }
    bundle.Startup(host);
    const ACFRESULT registered = bundle.Register(host);
    const Collection* collection = bundle.Registered();
    if (registered != ACF_OK || !collection)
    {
      std::printf("error: registration failed: result %s\n", ResultText(registered).c_str());
      PrintHostLog(host);
      return kExitLoad;
    }
    if (options.command == "describe")
    {
      uint64_t version = 0;
      bundle.GetSDKVersion(&version);
      std::printf("library version: 0x%016llx\n", static_cast<unsigned long long>(version));
      std::fputs(DescriptionText(*collection).c_str(), stdout);
    }
    else if (collection->Effects().empty())
    {
      std::printf("error: the bundle registered no effect\n");
      exitCode = kExitLoad;
    }
    else if (options.command == "params")
      exitCode = CommandParams(*collection, host, options);
    else if (options.command == "render")
      exitCode = CommandRender(*collection, host, options);
    else if (options.command == "state")
      exitCode = CommandState(*collection, host, options);
    else if (options.AudioEditor())
      exitCode = CommandEditorWithAudio(*collection, host, options);
    else if (options.command == "editor")
      exitCode = CommandEditor(*collection, host, options);
    const ACFRESULT live = bundle.CanUnloadNow();
    if (live != 0)
    {
      std::printf("error: %d plug-in objects still alive\n", live);
      exitCode = kExitFailed;
    }
    PrintHostLog(host);
    // The process ends here: the library stays mapped, like a quitting host leaves it, so that
    // whatever its own globals still hold is not mistaken for a leak.
    bundle.Unload(false);
  }
  return exitCode;
}
} // namespace
