// The aaxhost command line: its commands, their arguments and options, the help texts and
// the exit codes. Parsing checks everything it can before a bundle is loaded: an unknown
// command or option, a missing or extra argument, an option that belongs to another command
// and a value that cannot be read are usage errors that name what was wrong.
#pragma once

#include "standin/aaxhost/tool/EditorScript.h"

#include <optional>
#include <string>
#include <vector>

namespace aaxhost
{
enum EExitCode
{
  kExitOK = 0,
  kExitUsage = 1,
  kExitLoad = 2,
  kExitFailed = 3,
  kExitDiffer = 4,
  kExitValidation = 5 // a Metal device reported misuse, in a run that otherwise succeeded
};

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
  std::vector<AutomationPoint> points; // in time order; points at the same time keep their order
};

struct Options
{
  std::string command;
  std::string bundle;
  std::vector<std::string> arguments; // after the bundle
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
  int opens = 1;         // editor
  std::string highlight; // editor: parameter identifier or name
  std::optional<int> highlightColour; // editor: the host's colour code of the highlight
  std::string pngFile;   // editor: the last opening's frame as PNG
  double screenScale = 1.0; // editor: the main screen's backing scale
  int frames = 1;        // editor: frames run after each opening
  std::vector<EditorInput> inputs; // editor: replayed in order in the last opening
  // editor with audio (arguments IN.wav OUT.wav): the input's times (--at) and pictures taken
  // on the way (--png-at), in time order; --realtime plays at the file's pace on live threads.
  bool framesGiven = false;
  double inputTime = 0.0; // the time --at set for the input options that follow
  std::vector<std::pair<double, std::string>> pictures;
  bool realtime = false;
  bool AudioEditor() const { return command == "editor" && arguments.size() == 2; }
};

struct ParsedCommandLine
{
  enum EKind
  {
    kRun,   // options holds a command to run
    kHelp,  // print HelpText(helpTopic) and succeed
    kUsage  // print error and the usage hint, exit with kExitUsage
  };
  EKind kind = kUsage;
  Options options;
  std::string helpTopic; // "" for the whole tool
  std::string error;
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);
// The whole usage (topic "") or one command's, with its options and an example.
std::string HelpText(const std::string& topic);
// What a usage error prints after the error itself.
std::string UsageHint(const std::string& command);

// Shared by the option parser and the commands that read values from the plug-in's texts.
bool ParseInt(const std::string& text, int& out);
bool ParseDouble(const std::string& text, double& out);
} // namespace aaxhost
