// aaxhost: a command-line AAX host over the host stand-in. It loads a bundle, starts and
// registers it, and then describes it, lists its parameters, renders audio files through an
// instance, saves, loads and compares state chunks, or opens and closes an instance's
// editor (the commands: Commands.h, a file each). Every trace and assertion the plug-in sends
// is reported at the end. `aaxhost --help` tells the commands, options and exit codes.

#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/Commands.h"
#include "standin/aaxhost/tool/CommandLine.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/HostLog.h"
#include "standin/aaxhost/tool/OutputFile.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace aaxhost;

namespace
{
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

// Every file the command writes.
std::vector<std::string> OutputFiles(const Options& options)
{
  std::vector<std::string> files = {options.saveFile, options.pngFile};
  if ((options.command == "render" || options.AudioEditor()) && options.arguments.size() == 2)
    files.push_back(options.arguments[1]);
  for (const auto& picture : options.pictures)
    files.push_back(picture.second);
  return files;
}
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
  // Before any thread starts: each inherits the stop signals' handling.
  RemoveTemporaryOutputOnStopSignals();
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
  // An output written to standard output gets it to itself: the report goes to standard error.
  KeepStandardOutputFor(OutputFiles(options));
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
      exitCode = CommandDescribe(bundle, *collection);
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
