// What the commands that render a file share: the input read, the instance made for it and the
// automation resolved; and the report of the finished render, with the output written.
#pragma once

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/CommandLine.h"
#include "standin/aaxhost/tool/FileRender.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <vector>

namespace aaxhost
{
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
int PrepareRenderJob(PluginInstance& instance, const Options& options, RenderJob& job);

// What a finished render prints: length, speed, levels, the values it ended with; then the
// output file is written.
int FinishRender(PluginInstance& instance, const FileRender& render, const Options& options);
} // namespace aaxhost
