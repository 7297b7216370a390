// aaxhost: a command-line AAX host over the host stand-in. It loads a bundle, starts and
// registers it, and then describes it, lists its parameters, renders audio files through an
// instance, or saves, loads and compares state chunks. Every trace and assertion the plug-in
// sends is reported at the end.

#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/PluginInstance.h"
#include "standin/foundation/RunLoop.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

using namespace aaxhost;

namespace
{
enum EExit
{
  kExitOK = 0,
  kExitUsage = 1,
  kExitLoad = 2,
  kExitFailed = 3
};

const char* const kUsage =
  "usage: aaxhost COMMAND BUNDLE [ARGS] [OPTIONS]\n"
  "commands:\n"
  "  describe BUNDLE                 the registered description\n"
  "  params BUNDLE                   every host parameter of an instance\n"
  "  render BUNDLE IN.wav OUT.wav    an audio file through an instance\n"
  "  state BUNDLE                    chunk operations (--load, --save, --compare)\n"
  "  cycles BUNDLE [N]               N load/register/instantiate/release/unload cycles\n"
  "options:\n"
  "  --config N            component (channel configuration) index; default: by input channels, else 0\n"
  "  --rate HZ             sample rate (render: default the file's; else 48000)\n"
  "  --block N[,N...]      block sizes, used in turn (default 512)\n"
  "  --set P=TEXT          parameter P (identifier or name) from display text, parsed by the plug-in\n"
  "  --set-norm P=V        parameter P to normalised value V\n"
  "  --automate P:T=TEXT,T=TEXT...       automation points (seconds, display text), linear between\n"
  "  --automate-norm P:T=V,T=V...        the same with normalised values\n"
  "  --state FILE          (render) load this chunk data before rendering\n"
  "  --tempo BPM           (render) transport tempo (default 120)\n"
  "  --play                (render) the transport runs; its position follows the render\n"
  "  --offline             (render) tell the plug-in that rendering is offline\n"
  "  --track-name NAME     tell the plug-in the track's name\n"
  "  --load FILE           (state) load chunk data\n"
  "  --save FILE           (state) save the chunk data\n"
  "  --compare FILE        (state) compare chunk data with the instance\n"
  "  --chunk-id CODE       (state) chunk identifier for --load/--compare (four characters)\n";

struct Setting
{
  std::string parameter;
  std::string value;
  bool normalized = false;
};

struct AutomationPoint
{
  double time = 0.0;
  std::string value;
};

struct Automation
{
  std::string parameter;
  bool normalized = false;
  std::vector<AutomationPoint> points;
};

struct Options
{
  std::string command;
  std::vector<std::string> positional;
  int config = -1;
  double rate = 0.0;
  std::vector<int> blocks;
  std::vector<Setting> settings;
  std::vector<Automation> automations;
  std::string stateFile;
  std::string loadFile;
  std::string saveFile;
  std::string compareFile;
  std::string chunkID;
  double tempo = 120.0;
  bool play = false;
  bool offline = false;
  std::string trackName;
  bool hasTrackName = false;
};

bool ParseInt(const std::string& text, int& out)
{
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < -1000000000L || value > 1000000000L)
    return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseDouble(const std::string& text, double& out)
{
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(out);
}

bool ParseSetting(const std::string& text, bool normalized, Setting& out)
{
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0)
    return false;
  out.parameter = text.substr(0, eq);
  out.value = text.substr(eq + 1);
  out.normalized = normalized;
  return true;
}

// "P:T=V,T=V": the parameter ends at the last ':' before the first '='.
bool ParseAutomation(const std::string& text, bool normalized, Automation& out)
{
  const size_t eq = text.find('=');
  if (eq == std::string::npos)
    return false;
  const size_t colon = text.rfind(':', eq);
  if (colon == std::string::npos || colon == 0)
    return false;
  out.parameter = text.substr(0, colon);
  out.normalized = normalized;
  std::string rest = text.substr(colon + 1);
  size_t start = 0;
  while (start <= rest.size())
  {
    size_t comma = rest.find(',', start);
    if (comma == std::string::npos)
      comma = rest.size();
    const std::string point = rest.substr(start, comma - start);
    const size_t pointEq = point.find('=');
    AutomationPoint p;
    if (pointEq == std::string::npos || !ParseDouble(point.substr(0, pointEq), p.time) || p.time < 0.0)
      return false;
    p.value = point.substr(pointEq + 1);
    out.points.push_back(p);
    start = comma + 1;
  }
  std::stable_sort(out.points.begin(), out.points.end(),
                   [](const AutomationPoint& a, const AutomationPoint& b) { return a.time < b.time; });
  return !out.points.empty();
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error)
{
  if (argc < 3)
  {
    error = "missing command or bundle";
    return false;
  }
  options.command = argv[1];
  for (int i = 2; i < argc; ++i)
  {
    const std::string arg = argv[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= argc)
      {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string value;
    if (arg.rfind("--", 0) != 0)
      options.positional.push_back(arg);
    else if (arg == "--play")
      options.play = true;
    else if (arg == "--offline")
      options.offline = true;
    else if (!next(value))
      return false;
    else if (arg == "--config")
    {
      if (!ParseInt(value, options.config) || options.config < 0)
        return error = "bad --config " + value, false;
    }
    else if (arg == "--rate")
    {
      if (!ParseDouble(value, options.rate) || options.rate <= 0.0)
        return error = "bad --rate " + value, false;
    }
    else if (arg == "--block")
    {
      size_t start = 0;
      while (start <= value.size())
      {
        size_t comma = value.find(',', start);
        if (comma == std::string::npos)
          comma = value.size();
        int block = 0;
        if (!ParseInt(value.substr(start, comma - start), block) || block <= 0 || block > 1 << 20)
          return error = "bad --block " + value, false;
        options.blocks.push_back(block);
        start = comma + 1;
      }
    }
    else if (arg == "--set" || arg == "--set-norm")
    {
      Setting setting;
      if (!ParseSetting(value, arg == "--set-norm", setting))
        return error = "bad " + arg + " " + value, false;
      options.settings.push_back(setting);
    }
    else if (arg == "--automate" || arg == "--automate-norm")
    {
      Automation automation;
      if (!ParseAutomation(value, arg == "--automate-norm", automation))
        return error = "bad " + arg + " " + value, false;
      options.automations.push_back(automation);
    }
    else if (arg == "--tempo")
    {
      if (!ParseDouble(value, options.tempo) || options.tempo <= 0.0)
        return error = "bad --tempo " + value, false;
    }
    else if (arg == "--track-name")
    {
      options.trackName = value;
      options.hasTrackName = true;
    }
    else if (arg == "--state")
      options.stateFile = value;
    else if (arg == "--load")
      options.loadFile = value;
    else if (arg == "--save")
      options.saveFile = value;
    else if (arg == "--compare")
      options.compareFile = value;
    else if (arg == "--chunk-id")
    {
      if (value.size() != 4)
        return error = "bad --chunk-id " + value, false;
      options.chunkID = value;
    }
    else
      return error = "unknown option " + arg, false;
  }
  if (options.blocks.empty())
    options.blocks.push_back(512);
  if (options.positional.empty())
  {
    error = "missing bundle";
    return false;
  }
  return true;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>& out)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& data)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

std::string ChunkIDText(AAX_CTypeID id) { return FourCCText(id); }

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

// Resolves the parameter of a setting; prints and returns "" when there is none.
std::string ResolveParameter(const PluginInstance& instance, const std::string& parameter)
{
  const std::string id = instance.FindParameter(parameter);
  if (id.empty())
    std::printf("error: no parameter \"%s\"\n", parameter.c_str());
  return id;
}

bool ApplySettings(PluginInstance& instance, const std::vector<Setting>& settings)
{
  for (const Setting& setting : settings)
  {
    const std::string id = ResolveParameter(instance, setting.parameter);
    if (id.empty())
      return false;
    AAX_Result result = AAX_SUCCESS;
    if (setting.normalized)
    {
      double value = 0.0;
      if (!ParseDouble(setting.value, value))
      {
        std::printf("error: bad normalised value \"%s\"\n", setting.value.c_str());
        return false;
      }
      result = instance.SetNormalized(id, value);
    }
    else
      result = instance.SetFromText(id, setting.value);
    if (result != AAX_SUCCESS)
    {
      std::printf("error: setting %s to \"%s\" failed (%d)\n", id.c_str(), setting.value.c_str(), result);
      return false;
    }
    std::printf("set %s = %s\n", id.c_str(), instance.ParameterText(id).c_str());
  }
  return true;
}

int ChooseConfig(const PluginInstance& instance, const Options& options, int inputChannels)
{
  if (options.config >= 0)
    return options.config;
  const int found = inputChannels > 0 ? instance.FindComponentForChannels(inputChannels) : -1;
  return found >= 0 ? found : 0;
}

bool CreateInstance(PluginInstance& instance, const Options& options, int inputChannels, double rate)
{
  const int config = ChooseConfig(instance, options, inputChannels);
  if (!instance.Create(config, static_cast<float>(rate)))
  {
    std::printf("error: %s\n", instance.Error().c_str());
    return false;
  }
  std::printf("instance: component %d, %d in, %d out, %.0f Hz\n", config, instance.InputChannels(),
              instance.OutputChannels(), rate);
  if (options.hasTrackName)
  {
    AAX_CString name(options.trackName);
    const AAX_Result result =
      instance.Notify(AAX_eNotificationEvent_TrackNameChanged, static_cast<const AAX_IString*>(&name),
                      static_cast<uint32_t>(sizeof(name)));
    std::printf("track name \"%s\": result %d\n", options.trackName.c_str(), result);
  }
  return true;
}

// ---- commands --------------------------------------------------------------------------------

int CommandDescribe(const Collection& collection)
{
  std::fputs(DescriptionText(collection).c_str(), stdout);
  return kExitOK;
}

int CommandParams(const Collection& collection, Host& host, const Options& options)
{
  if (collection.Effects().empty())
    return std::printf("error: no effect registered\n"), kExitFailed;
  PluginInstance instance(host, *collection.Effects().front().second);
  if (!CreateInstance(instance, options, 0, options.rate > 0 ? options.rate : 48000.0))
    return kExitFailed;
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  const auto list = instance.Parameters();
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

struct ResolvedAutomation
{
  std::string id;
  std::vector<std::pair<double, double>> points; // seconds, normalised
  double last = -1.0;
};

double AutomationValueAt(const ResolvedAutomation& automation, double time)
{
  const auto& p = automation.points;
  if (time <= p.front().first)
    return p.front().second;
  for (size_t i = 1; i < p.size(); ++i)
  {
    if (time < p[i].first)
    {
      const double span = p[i].first - p[i - 1].first;
      const double t = span > 0.0 ? (time - p[i - 1].first) / span : 1.0;
      return p[i - 1].second + t * (p[i].second - p[i - 1].second);
    }
  }
  return p.back().second;
}

double ToDecibels(double value) { return value > 0.0 ? 20.0 * std::log10(value) : -INFINITY; }

int CommandRender(const Collection& collection, Host& host, const Options& options)
{
  if (options.positional.size() < 3)
    return std::printf("error: render needs BUNDLE IN.wav OUT.wav\n"), kExitUsage;
  if (collection.Effects().empty())
    return std::printf("error: no effect registered\n"), kExitFailed;
  AudioData input;
  std::string error;
  if (!ReadAudioFile(options.positional[1], input, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  const double rate = options.rate > 0 ? options.rate : input.sampleRate;

  PluginInstance instance(host, *collection.Effects().front().second);
  if (!CreateInstance(instance, options, static_cast<int>(input.channels.size()), rate))
    return kExitFailed;
  if (!instance.CanRender())
    return std::printf("error: the component has no process procedure\n"), kExitFailed;

  if (!options.stateFile.empty())
  {
    std::vector<uint8_t> data;
    AAX_CTypeID id = 0;
    if (!ReadBytes(options.stateFile, data))
      return std::printf("error: cannot read %s\n", options.stateFile.c_str()), kExitFailed;
    const AAX_Result idResult = instance.ChunkID(&id);
    const AAX_Result result = idResult != AAX_SUCCESS ? idResult : instance.SetChunk(id, data);
    std::printf("state: loaded %zu bytes, result %d\n", data.size(), result);
    if (result != AAX_SUCCESS)
      return kExitFailed;
  }
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;

  std::vector<ResolvedAutomation> automations;
  for (const Automation& automation : options.automations)
  {
    ResolvedAutomation resolved;
    resolved.id = ResolveParameter(instance, automation.parameter);
    if (resolved.id.empty())
      return kExitFailed;
    for (const AutomationPoint& point : automation.points)
    {
      double normalized = 0.0;
      const bool ok = automation.normalized ? ParseDouble(point.value, normalized)
                                            : instance.ParseText(resolved.id, point.value, &normalized) == AAX_SUCCESS;
      if (!ok)
        return std::printf("error: bad automation value \"%s\"\n", point.value.c_str()), kExitFailed;
      resolved.points.emplace_back(point.time, normalized);
    }
    std::printf("automate %s: %zu points\n", resolved.id.c_str(), resolved.points.size());
    automations.push_back(std::move(resolved));
  }

  const size_t frames = input.Frames();
  const int nIn = instance.InputChannels();
  const int nOut = instance.OutputChannels();
  const int maxBlock = *std::max_element(options.blocks.begin(), options.blocks.end());
  AudioData output;
  output.sampleRate = static_cast<int>(std::lround(rate));
  output.channels.assign(static_cast<size_t>(std::max(nOut, 0)), std::vector<float>(frames, 0.0f));
  std::vector<std::vector<float>> inBlock(static_cast<size_t>(nIn), std::vector<float>(static_cast<size_t>(maxBlock)));
  std::vector<std::vector<float>> outBlock(static_cast<size_t>(nOut), std::vector<float>(static_cast<size_t>(maxBlock)));
  std::vector<float*> inPtrs(static_cast<size_t>(nIn) + 1, nullptr);
  std::vector<float*> outPtrs(static_cast<size_t>(nOut) + 1, nullptr);
  for (int c = 0; c < nIn; ++c)
    inPtrs[static_cast<size_t>(c)] = inBlock[static_cast<size_t>(c)].data();
  for (int c = 0; c < nOut; ++c)
    outPtrs[static_cast<size_t>(c)] = outBlock[static_cast<size_t>(c)].data();

  TransportState& transport = host.GetTransport().State();
  transport.tempo = options.tempo;
  transport.playing = options.play;
  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0);

  std::chrono::steady_clock::duration busy{};
  size_t position = 0;
  size_t blockIndex = 0;
  size_t blocks = 0;
  while (position < frames)
  {
    const int size = options.blocks[blockIndex++ % options.blocks.size()];
    const size_t n = std::min(frames - position, static_cast<size_t>(size));
    for (ResolvedAutomation& automation : automations)
    {
      const double value = AutomationValueAt(automation, static_cast<double>(position) / rate);
      if (value != automation.last)
      {
        instance.SetNormalized(automation.id, value);
        automation.last = value;
      }
    }
    // A file with fewer channels than the component feeds its last channel to the rest.
    for (int c = 0; c < nIn; ++c)
    {
      const size_t source = std::min(static_cast<size_t>(c), input.channels.size() - 1);
      std::copy_n(input.channels[source].begin() + static_cast<std::ptrdiff_t>(position), n,
                  inBlock[static_cast<size_t>(c)].begin());
    }
    for (auto& channel : outBlock)
      std::fill(channel.begin(), channel.end(), 0.0f);
    if (options.play)
    {
      // 960000 ticks to the quarter note.
      transport.samplePosition = static_cast<int64_t>(position);
      transport.tickPosition =
        static_cast<int64_t>(std::llround(static_cast<double>(position) / rate * options.tempo / 60.0 * 960000.0));
    }
    const auto start = std::chrono::steady_clock::now();
    instance.Render(inPtrs.data(), outPtrs.data(), static_cast<int32_t>(n));
    busy += std::chrono::steady_clock::now() - start;
    for (int c = 0; c < nOut; ++c)
      std::copy_n(outBlock[static_cast<size_t>(c)].begin(), n,
                  output.channels[static_cast<size_t>(c)].begin() + static_cast<std::ptrdiff_t>(position));
    position += n;
    ++blocks;
    // A host's main thread services the run loop between audio callbacks: the plug-in's
    // editor timer (parameter and level hand-over, idle work) runs here.
    standin::RunLoop::Main().RunDue();
  }

  if (options.offline)
    instance.Notify(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0);

  const double seconds = static_cast<double>(frames) / rate;
  const double busySeconds = std::chrono::duration<double>(busy).count();
  std::printf("rendered: %zu frames (%.3f s) in %zu blocks\n", frames, seconds, blocks);
  if (busySeconds > 0.0)
    std::printf("real-time factor: %.1fx\n", seconds / busySeconds);
  size_t nonFinite = 0;
  for (int c = 0; c < nOut; ++c)
  {
    double peak = 0.0, sum = 0.0;
    for (float v : output.channels[static_cast<size_t>(c)])
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
    std::printf("output %d: peak %.2f dBFS, rms %.2f dBFS\n", c + 1, ToDecibels(peak), ToDecibels(rms));
  }
  std::printf("non-finite samples: %zu\n", nonFinite);
  if (!WriteAudioFile(options.positional[2], output, error))
    return std::printf("error: %s\n", error.c_str()), kExitFailed;
  std::printf("wrote %s\n", options.positional[2].c_str());
  return nonFinite ? kExitFailed : kExitOK;
}

int CommandState(const Collection& collection, Host& host, const Options& options)
{
  if (collection.Effects().empty())
    return std::printf("error: no effect registered\n"), kExitFailed;
  PluginInstance instance(host, *collection.Effects().front().second);
  if (!CreateInstance(instance, options, 0, options.rate > 0 ? options.rate : 48000.0))
    return kExitFailed;
  AAX_CTypeID ownID = 0;
  const AAX_Result idResult = instance.ChunkID(&ownID);
  if (idResult != AAX_SUCCESS)
    return std::printf("error: no chunk (%d)\n", idResult), kExitFailed;
  std::printf("chunk id: %s\n", ChunkIDText(ownID).c_str());
  AAX_CTypeID id = ownID;
  if (!options.chunkID.empty())
    id = AAX_MakeFourCC(options.chunkID[0], options.chunkID[1], options.chunkID[2], options.chunkID[3]);

  int exitCode = kExitOK;
  if (!options.loadFile.empty())
  {
    std::vector<uint8_t> data;
    if (!ReadBytes(options.loadFile, data))
      return std::printf("error: cannot read %s\n", options.loadFile.c_str()), kExitFailed;
    const AAX_Result result = instance.SetChunk(id, data);
    std::printf("load: %zu bytes as %s, result %d\n", data.size(), ChunkIDText(id).c_str(), result);
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
  }
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  if (!options.saveFile.empty())
  {
    std::vector<uint8_t> data;
    const AAX_Result result = instance.GetChunk(ownID, data);
    std::printf("save: result %d, %zu bytes\n", result, data.size());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
    else if (!WriteBytes(options.saveFile, data))
      return std::printf("error: cannot write %s\n", options.saveFile.c_str()), kExitFailed;
  }
  if (!options.compareFile.empty())
  {
    std::vector<uint8_t> data;
    if (!ReadBytes(options.compareFile, data))
      return std::printf("error: cannot read %s\n", options.compareFile.c_str()), kExitFailed;
    bool equal = false;
    const AAX_Result result = instance.CompareChunk(id, data, &equal);
    std::printf("compare: %s, result %d\n", equal ? "equal" : "different", result);
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
  }
  return exitCode;
}

// Loads, registers, instantiates, releases and unloads the bundle `count` times, each with a
// fresh host, checking that nothing stays alive.
int CommandCycles(const Options& options)
{
  int count = 3;
  if (options.positional.size() > 1 && (!ParseInt(options.positional[1], count) || count < 1))
    return std::printf("error: bad cycle count\n"), kExitUsage;
  bool allClean = true;
  for (int i = 0; i < count; ++i)
  {
    Host host;
    BundleLoader bundle;
    if (!bundle.Load(options.positional[0]))
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
    std::printf("cycle %d: register %d, instance %s, live objects %d with instance, %d after release, "
                "host references %s, library %s\n",
                i + 1, registered, instanced ? "made" : "FAILED", liveWithInstance, live,
                balanced ? "balanced" : "UNBALANCED", unloaded ? "unloaded" : "still loaded");
    if (host.Services().TraceCount() > 0 || host.Services().AssertionCount() > 0)
      PrintHostLog(host);
  }
  std::printf("live host objects: %d\n", LiveHostObjects());
  return allClean ? kExitOK : kExitFailed;
}
} // namespace

int main(int argc, char** argv)
{
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error))
  {
    std::fprintf(stderr, "aaxhost: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
  }
  static const char* const kCommands[] = {"describe", "params", "render", "state", "cycles"};
  if (std::find_if(std::begin(kCommands), std::end(kCommands),
                   [&](const char* c) { return options.command == c; }) == std::end(kCommands))
  {
    std::fprintf(stderr, "aaxhost: unknown command %s\n%s", options.command.c_str(), kUsage);
    return kExitUsage;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (options.command == "cycles")
    return CommandCycles(options);

  int exitCode = kExitOK;
  {
    Host host;
    BundleLoader bundle;
    if (!bundle.Load(options.positional[0]))
    {
      std::printf("error: %s\n", bundle.Error().c_str());
      return kExitLoad;
    }
    bundle.Startup(host);
    const ACFRESULT registered = bundle.Register(host);
    const Collection* collection = bundle.Registered();
    if (registered != ACF_OK || !collection)
    {
      std::printf("error: registration failed (%d)\n", registered);
      PrintHostLog(host);
      return kExitLoad;
    }
    if (options.command == "describe")
    {
      uint64_t version = 0;
      bundle.GetSDKVersion(&version);
      std::printf("library version: 0x%016llx\n", static_cast<unsigned long long>(version));
      exitCode = CommandDescribe(*collection);
    }
    else if (options.command == "params")
      exitCode = CommandParams(*collection, host, options);
    else if (options.command == "render")
      exitCode = CommandRender(*collection, host, options);
    else if (options.command == "state")
      exitCode = CommandState(*collection, host, options);
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
