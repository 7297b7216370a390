#include "standin/aaxhost/tool/CommandLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

namespace aaxhost
{
namespace
{
struct CommandSpec
{
  const char* name;
  const char* arguments; // after BUNDLE
  int minArguments;
  int maxArguments;
  const char* summary;
  const char* details;
  const char* example;
};

const CommandSpec kCommands[] = {
  {"describe", "", 0, 0, "print the effect description the bundle registers",
   "Loads, starts and registers the bundle and prints what it described: names, category,\n"
   "factories, and every component with its fields, process procedure and properties.",
   "aaxhost describe Vellicor.aaxplugin"},
  {"params", "", 0, 0, "list every host parameter of an instance",
   "Makes an instance (loading --state first, then applying every --set) and lists each host\n"
   "parameter: identifier, name, steps, kind, default and the value the plug-in holds after\n"
   "its own reactions to the settings.",
   "aaxhost params Vellicor.aaxplugin --set \"Link Gains=1\" --set \"Input Gain=6\""},
  {"render", "IN.wav OUT.wav", 2, 2, "render an audio file through an instance",
   "Picks the component whose inputs match the file's channels (main inputs, then the\n"
   "side-chain), loads --state, applies every --set, and renders the file block by block on\n"
   "the host's audio thread while automation reaches the plug-in from another thread, the file\n"
   "read ahead and OUT.wav written as it goes on threads of their own. OUT.wav (32-bit float\n"
   "WAV, RF64 when too large for WAV's sizes; \"-\" for standard output, where a WAV whose\n"
   "length is not known ahead states sizes that mean \"to the end\") holds the main outputs,\n"
   "then any auxiliary outputs. Every output channel the plug-in leaves unwritten fails the\n"
   "render, as does a fault of the input found on the way or at its end; the parameter values\n"
   "it ran with are printed at the end, with whether the host held each of them. A parameter\n"
   "with an --automate lane is played as a host plays automation in Read mode: the host\n"
   "answers the plug-in's request to set it with the lane's value, so the request changes\n"
   "nothing there.\n"
   "\n"
   "IN.wav may be any file the audio library reads, or MPEG audio (an MP3 or MP2 stream, or\n"
   "in a WAVE, RF64 or BW64 file); every frame it holds is rendered. A WAVE, RF64, AIFF, AU,\n"
   "Wave64 or CAF file that declares more audio data than it holds, or ends inside a chunk's\n"
   "header, is refused as cut short, as are a FLAC, MP3 (by its Xing or Info frame) or AIFF\n"
   "file that decodes fewer frames than its header states. MPEG audio with junk between two\n"
   "frames is refused as damaged there, and so is one whose sample rate changes. A file that\n"
   "decodes no frame is refused when part of it should be audio (audio data, FLAC frames,\n"
   "Ogg pages with audio or cut short, MPEG frames).\n"
   "\n"
   "A size its writer left unfilled means the data run to the end: all ones (AU's and CAF's\n"
   "\"unknown\", ffmpeg's WAVE, AU and CAF to a pipe), 2^63-1 (ffmpeg's Wave64 to a pipe),\n"
   "0x7ffff000 bytes of WAVE data (sox's WAVE to a pipe), an AIFF SSND size of 0x7f000008\n"
   "(sox's AIFF to a pipe), and a size of no audio while audio follows (ffmpeg's RF64 and AIFF\n"
   "to a pipe; sox's CAF, Wave64, WAVE and RF64 through libsndfile to a pipe, whose copies of\n"
   "the header before and after the audio are passed over). Other formats are not checked\n"
   "against their headers.",
   "aaxhost render Vellicor.aaxplugin in.wav out.wav --set Drive=60 --automate \"Drive:0=0,4=100\""},
  {"state", "", 0, 0, "save, load and compare state chunks",
   "Makes an instance, loads --load, applies every --set, saves to --save and compares with\n"
   "--compare, in that order. Chunks that differ end with exit code 4.",
   "aaxhost state Vellicor.aaxplugin --set Drive=33 --save drive.chunk"},
  {"editor", "[IN.wav OUT.wav]", 0, 2, "open an instance's editor in a host window, replay input, take a picture",
   "Makes an instance (loading --state first, then applying every --set), makes its editor\n"
   "with the bundle's editor factory and opens it in a host view container over a host window\n"
   "--opens times, running --frames frames of the main run loop after each opening and\n"
   "highlighting a parameter (--highlight, else the first; in the host's colour code\n"
   "--highlight-colour) while it is open. In the last opening the input options (--click,\n"
   "--drag, --wheel, --key, --type, ...) are replayed in the order given, at points in\n"
   "editor coordinates, with a frame after each, and --png writes the editor's frame (its\n"
   "size times the draw and screen scales). Reports the editor's size, the result of every\n"
   "call, the input replayed, the parameters it changed as the host sees them, the calls the\n"
   "host's objects saw, whether the editor gave back every host reference it took, and then\n"
   "whether the host holds every value the plug-in holds (\"host apart from the plug-in\" names\n"
   "each that it does not; finding out loads the plug-in's own state back).\n"
   "\n"
   "With IN.wav and OUT.wav the file renders through the instance (as render does: component,\n"
   "--block, --automate, --tempo, --play, --offline) while the editor is open. The --opens\n"
   "openings are spread over the file; the frames follow the audio, so --frames is refused.\n"
   "--at SECONDS sets the time of the input options after it (until the next --at; before\n"
   "any, time 0), --png-at SECONDS:FILE takes pictures on the way and --png one at the end;\n"
   "an input or a picture timed after the end of the audio fails the run before it starts.\n"
   "By default the run is deterministic, on a virtual clock that follows the audio: at each\n"
   "block boundary the main thread's work due by then runs first (the frame timer, the\n"
   "editor's timer and idle hook, the input, animations), then the automation due by then is\n"
   "delivered, then the block renders; the same command writes the same files. --realtime\n"
   "plays the file at its own pace instead, with automation from a thread of its own and the\n"
   "main thread serving the editor while blocks render, and counts the blocks that missed\n"
   "their deadline. The report adds the render's and the plug-in's touch, set and release\n"
   "requests with their times.",
   "aaxhost editor Vellicor.aaxplugin --screen-scale 2 --drag 100,200:100,150 --png editor.png\n"
   "  aaxhost editor Vellicor.aaxplugin mix.wav out.wav --set Drive=90 --at 1.5 --drag 100,200:100,150\n"
   "      --png-at 1:loud.png --png end.png"},
  {"cycles", "[N]", 0, 1, "load, register, instantiate, release and unload N times (default 3)",
   "Each cycle uses a fresh host and checks that the bundle leaves no object alive, gives back\n"
   "every host reference and can be unloaded.",
   "aaxhost cycles Vellicor.aaxplugin 10"},
};

struct OptionSpec
{
  const char* name;
  const char* value; // null for a flag
  const char* commands;
  const char* help;
};

const OptionSpec kOptions[] = {
  {"--config", "N", "params render state editor cycles",
   "component (channel configuration) index; render: by the file's channels, else 0"},
  {"--rate", "HZ", "params render state editor", "sample rate (render: default the file's; else 48000)"},
  {"--block", "N[,N...]", "render editor", "block sizes, used in turn (default 512)"},
  {"--set", "P=TEXT", "params render state editor",
   "parameter P (identifier or name) from display text, parsed by the plug-in"},
  {"--set-norm", "P=V", "params render state editor", "parameter P to the normalised value V"},
  {"--automate", "P:T=TEXT,...", "render editor", "automation points (seconds, display text), linear between"},
  {"--automate-norm", "P:T=V,...", "render editor", "the same with normalised values"},
  {"--state", "FILE", "params render editor", "load this chunk data before the settings"},
  {"--tempo", "BPM", "render editor", "transport tempo (default 120)"},
  {"--play", nullptr, "render editor", "the transport runs; its position follows the render"},
  {"--offline", nullptr, "render editor", "tell the plug-in that rendering is offline"},
  {"--track-name", "NAME", "params render state editor", "tell the plug-in the track's name"},
  {"--load", "FILE", "state", "load chunk data"},
  {"--save", "FILE", "state", "save the chunk data"},
  {"--compare", "FILE", "state", "compare chunk data with the instance (exit code 4 when different)"},
  {"--chunk-id", "CODE", "state", "chunk identifier for --load and --compare (four characters)"},
  {"--opens", "N", "editor", "how often the editor is opened and closed (default 1)"},
  {"--highlight", "P", "editor", "parameter P (identifier or name) highlighted while open"},
  {"--highlight-colour", "C", "editor",
   "the host's colour code of the highlight (0 red, 1 blue, 2 green, 3 yellow; default 0); given, the "
   "last opening without audio is highlighted from the opening on, so its frames and picture show it"},
  {"--png", "FILE", "editor", "write the editor's frame as PNG after the input"},
  {"--screen-scale", "S", "editor", "backing scale of the screen, 1 to 4 (default 1)"},
  {"--frames", "N", "editor", "frames to run after each opening (default 1)"},
  {"--click", "[MODS+]X,Y", "editor", "left click (MODS: cmd, shift, alt, ctrl joined by +)"},
  {"--right-click", "[MODS+]X,Y", "editor", "right click"},
  {"--double-click", "[MODS+]X,Y", "editor", "double click"},
  {"--drag", "[MODS+]X,Y:X2,Y2", "editor", "left-button drag from X,Y to X2,Y2"},
  {"--move", "[MODS+]X,Y", "editor", "mouse moved to X,Y"},
  {"--wheel", "[MODS+]X,Y:DELTA", "editor", "scroll wheel turned DELTA lines at X,Y"},
  {"--key", "X,Y:[MODS+]KEY", "editor", "key pressed with the mouse at X,Y (a character, Return, Tab, Up, F1, ...)"},
  {"--type", "X,Y:TEXT", "editor", "text typed with the mouse at X,Y"},
  {"--menu", "I[,I...][@W]", "editor",
   "the next native menu answers with item I (then I of its submenu ...; - dismisses), from inside the menu's loop "
   "after W: N turns of it, or Nms on the run loop's clock"},
  {"--at", "SECONDS", "editor", "with audio: the time of the input options that follow"},
  {"--png-at", "SECONDS:FILE", "editor", "with audio: write the editor's frame at that time (repeatable)"},
  {"--realtime", nullptr, "editor", "with audio: play at the file's pace on live threads"},
};

// Options that need the audio files of `editor`, and those that audio makes meaningless.
const char* const kAudioEditorOptions[] = {"--block", "--automate", "--automate-norm", "--tempo", "--play",
                                           "--offline", "--at", "--png-at", "--realtime"};

const char* const kExitCodes =
  "exit codes:\n"
  "  0  success\n"
  "  1  usage error: unknown command or option, missing or extra argument, unreadable value\n"
  "  2  load failure: the bundle cannot be loaded or registered, or no instance can be made\n"
  "  3  failure: a file cannot be read or written (input files must be regular files, and\n"
  "     chunk and state files of at most 64 MiB; an audio file whose header, where the tool\n"
  "     checks it, declares more audio than the file holds is refused as cut short, and one\n"
  "     found cut short while it is read fails there), the plug-in refuses a value or a\n"
  "     chunk, a render leaves an output channel unwritten or produces non-finite samples, or\n"
  "     the editor cannot be made, a call on it fails or it keeps a host reference\n"
  "  4  chunks differ (state --compare)\n"
  "  5  a Metal device, the editor's or the tool's, reported validation messages (each printed as\n"
  "     \"metal validation: ...\"), in a run that otherwise succeeded\n";

const CommandSpec* FindCommand(const std::string& name)
{
  for (const CommandSpec& command : kCommands)
    if (name == command.name)
      return &command;
  return nullptr;
}

const OptionSpec* FindOption(const std::string& name)
{
  for (const OptionSpec& option : kOptions)
    if (name == option.name)
      return &option;
  return nullptr;
}

bool OptionBelongsTo(const OptionSpec& option, const std::string& command)
{
  std::istringstream words(option.commands);
  std::string word;
  while (words >> word)
    if (word == command)
      return true;
  return false;
}

std::string Synopsis(const CommandSpec& command)
{
  std::string text = std::string("aaxhost ") + command.name + " BUNDLE";
  if (*command.arguments)
    text += std::string(" ") + command.arguments;
  return text + " [OPTIONS]";
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
  const std::string rest = text.substr(colon + 1);
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

bool ParseBlocks(const std::string& text, std::vector<int>& out)
{
  size_t start = 0;
  while (start <= text.size())
  {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos)
      comma = text.size();
    int block = 0;
    if (!ParseInt(text.substr(start, comma - start), block) || block <= 0 || block > 1 << 20)
      return false;
    out.push_back(block);
    start = comma + 1;
  }
  return true;
}

// Stores one option's value; false with the error when the value cannot be read.
bool StoreOption(const std::string& name, const std::string& value, Options& options, std::string& error)
{
  const auto bad = [&](const char* what) {
    error = "bad " + name + " \"" + value + "\": " + what;
    return false;
  };
  if (name == "--config")
    return (ParseInt(value, options.config) && options.config >= 0) || bad("expected a component index from 0");
  if (name == "--rate")
    return (ParseDouble(value, options.rate) && options.rate > 0.0) || bad("expected a positive rate in Hz");
  if (name == "--block")
    return ParseBlocks(value, options.blocks) || bad("expected block sizes from 1 to 1048576, separated by commas");
  if (name == "--set" || name == "--set-norm")
  {
    Setting setting;
    if (!ParseSetting(value, name == "--set-norm", setting))
      return bad("expected PARAMETER=VALUE");
    options.settings.push_back(setting);
    return true;
  }
  if (name == "--automate" || name == "--automate-norm")
  {
    Automation automation;
    if (!ParseAutomation(value, name == "--automate-norm", automation))
      return bad("expected PARAMETER:SECONDS=VALUE,SECONDS=VALUE...");
    options.automations.push_back(automation);
    return true;
  }
  if (name == "--tempo")
    return (ParseDouble(value, options.tempo) && options.tempo > 0.0) || bad("expected a positive tempo");
  if (name == "--track-name")
  {
    options.trackName = value;
    options.hasTrackName = true;
    return true;
  }
  if (name == "--opens")
    return (ParseInt(value, options.opens) && options.opens >= 1 && options.opens <= 1000) ||
           bad("expected a count from 1 to 1000");
  EditorInput input;
  if (EditorInputKind(name, input.kind))
  {
    std::string what;
    if (!ParseEditorInput(value, input, what))
      return bad(what.c_str());
    input.at = options.inputTime;
    options.inputs.push_back(input);
    return true;
  }
  if (name == "--screen-scale")
    return (ParseDouble(value, options.screenScale) && options.screenScale >= 1.0 && options.screenScale <= 4.0) ||
           bad("expected a scale from 1 to 4");
  if (name == "--frames")
  {
    options.framesGiven = true;
    return (ParseInt(value, options.frames) && options.frames >= 0 && options.frames <= 10000) ||
           bad("expected a count from 0 to 10000");
  }
  if (name == "--at")
    return (ParseDouble(value, options.inputTime) && options.inputTime >= 0.0) ||
           bad("expected a time in seconds from 0");
  if (name == "--png-at")
  {
    const size_t colon = value.find(':');
    double time = 0.0;
    if (colon == std::string::npos || colon + 1 >= value.size() || !ParseDouble(value.substr(0, colon), time) ||
        time < 0.0)
      return bad("expected SECONDS:FILE");
    options.pictures.emplace_back(time, value.substr(colon + 1));
    return true;
  }
  if (name == "--png")
  {
    options.pngFile = value;
    return true;
  }
  if (name == "--highlight")
  {
    options.highlight = value;
    return true;
  }
  if (name == "--highlight-colour")
  {
    int colour = 0;
    if (!ParseInt(value, colour))
      return bad("expected a colour code");
    options.highlightColour = colour;
    return true;
  }
  if (name == "--chunk-id")
  {
    if (value.size() != 4)
      return bad("expected four characters");
    options.chunkID = value;
    return true;
  }
  std::string* file = name == "--state" ? &options.stateFile
                      : name == "--load" ? &options.loadFile
                      : name == "--save" ? &options.saveFile
                                         : &options.compareFile;
  *file = value;
  return true;
}
} // namespace

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

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv)
{
  ParsedCommandLine parsed;
  const auto usage = [&](std::string error) {
    parsed.kind = ParsedCommandLine::kUsage;
    parsed.error = std::move(error);
    return parsed;
  };
  const auto help = [&](std::string topic) {
    parsed.kind = ParsedCommandLine::kHelp;
    parsed.helpTopic = std::move(topic);
    return parsed;
  };
  if (argc < 2)
    return usage("missing command");
  const std::string first = argv[1];
  if (first == "--help" || first == "-h")
    return argc == 2 ? help("") : usage(std::string("extra argument \"") + argv[2] + "\" after " + first);
  if (first == "help")
  {
    if (argc == 2)
      return help("");
    if (argc > 3)
      return usage(std::string("extra argument \"") + argv[3] + "\": help takes one command");
    if (!FindCommand(argv[2]))
      return usage(std::string("unknown command \"") + argv[2] + "\"");
    return help(argv[2]);
  }
  const CommandSpec* command = FindCommand(first);
  if (!command)
    return usage("unknown command \"" + first + "\"");

  Options& options = parsed.options;
  options.command = command->name;
  std::vector<std::string> positional;
  std::string audioOption; // the first option given that only an editor with audio takes
  for (int i = 2; i < argc; ++i)
  {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h")
      return help(options.command);
    if (arg.rfind("--", 0) != 0)
    {
      positional.push_back(arg);
      continue;
    }
    const OptionSpec* option = FindOption(arg);
    if (!option)
      return usage("unknown option " + arg);
    if (!OptionBelongsTo(*option, options.command))
      return usage(arg + " is an option of " + option->commands + ", not of " + options.command);
    if (options.command == "editor" && audioOption.empty() &&
        std::find(std::begin(kAudioEditorOptions), std::end(kAudioEditorOptions), arg) != std::end(kAudioEditorOptions))
      audioOption = arg;
    if (!option->value)
    {
      (arg == "--play" ? options.play : arg == "--offline" ? options.offline : options.realtime) = true;
      continue;
    }
    if (i + 1 >= argc)
      return usage(arg + " needs a value (" + option->value + ")");
    std::string error;
    if (!StoreOption(arg, argv[++i], options, error))
      return usage(error);
  }

  if (positional.empty())
    return usage(options.command + " needs a BUNDLE");
  options.bundle = positional.front();
  options.arguments.assign(positional.begin() + 1, positional.end());
  const int count = static_cast<int>(options.arguments.size());
  if (count > command->maxArguments)
    return usage("extra argument \"" + options.arguments[static_cast<size_t>(command->maxArguments)] + "\"");
  if (count < command->minArguments)
  {
    std::istringstream names(command->arguments);
    std::string name;
    for (int i = 0; i <= count; ++i)
      names >> name;
    return usage("missing " + name);
  }
  if (options.command == "cycles" && count == 1)
  {
    int cycles = 0;
    if (!ParseInt(options.arguments[0], cycles) || cycles < 1)
      return usage("bad cycle count \"" + options.arguments[0] + "\": expected a number from 1");
  }
  if (options.command == "editor")
  {
    if (count == 1)
      return usage("missing OUT.wav");
    if (count == 2 && options.framesGiven)
      return usage("--frames is refused with audio: the frames follow the audio");
    if (count == 0 && !audioOption.empty())
      return usage(audioOption + " needs audio: editor BUNDLE IN.wav OUT.wav");
    std::stable_sort(options.pictures.begin(), options.pictures.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  if (options.blocks.empty())
    options.blocks.push_back(512);
  parsed.kind = ParsedCommandLine::kRun;
  return parsed;
}

std::string HelpText(const std::string& topic)
{
  std::ostringstream text;
  const CommandSpec* command = FindCommand(topic);
  if (!command)
  {
    text << "usage: aaxhost COMMAND BUNDLE [ARGUMENTS] [OPTIONS]\n"
            "       aaxhost help [COMMAND]\n\n"
            "Loads an AAX plug-in bundle the way a host does and describes it, lists its parameters,\n"
            "renders audio files through it or works with its state chunks. Every trace and\n"
            "assertion the plug-in sends is reported at the end. An output file is written whole\n"
            "beside the file it replaces (for a symbolic link, beside the file it leads to, and the\n"
            "link stays) and only then put in its place: a write that fails, or that SIGINT, SIGTERM,\n"
            "SIGHUP, SIGQUIT or SIGPIPE stops, leaves the file it was to replace as it was and no\n"
            "other file (a SIGKILL can leave the temporary file .tmp.PID.N beside it); passing a\n"
            "file-size limit fails the write. Only standard output, devices, FIFOs and terminals are\n"
            "written in place, where a failure found at the end cannot be taken back: it exits 3\n"
            "with the reason. An output named \"-\", or any name of standard output (/dev/stdout, the\n"
            "file it is redirected to), is written to standard output, and everything the tool\n"
            "prints then goes to standard error.\n\n"
            "commands:\n";
    for (const CommandSpec& c : kCommands)
    {
      std::string head = std::string(c.name) + " BUNDLE" + (*c.arguments ? std::string(" ") + c.arguments : "");
      head.resize(std::max<size_t>(head.size() + 2, 32), ' ');
      text << "  " << head << c.summary << "\n";
    }
    text << "  help [COMMAND]                  this text, or a command's options and an example\n\nexamples:\n";
    for (const CommandSpec& c : kCommands)
      text << "  " << c.example << "\n";
    text << "\n" << kExitCodes;
    return text.str();
  }
  text << "usage: " << Synopsis(*command) << "\n\n" << command->details << "\n\n";
  bool any = false;
  for (const OptionSpec& option : kOptions)
  {
    if (!OptionBelongsTo(option, command->name))
      continue;
    if (!any)
      text << "options:\n";
    any = true;
    std::string head = std::string(option.name) + (option.value ? std::string(" ") + option.value : "");
    head.resize(std::max<size_t>(head.size() + 2, 28), ' ');
    text << "  " << head << option.help << "\n";
  }
  if (any)
    text << "\n";
  text << "example:\n  " << command->example << "\n\n" << kExitCodes;
  return text.str();
}

std::string UsageHint(const std::string& command)
{
  if (const CommandSpec* spec = FindCommand(command))
    return "usage: " + Synopsis(*spec) + "\nsee 'aaxhost help " + command + "'\n";
  return "usage: aaxhost COMMAND BUNDLE [ARGUMENTS] [OPTIONS]\nsee 'aaxhost --help'\n";
}
} // namespace aaxhost
