// What the commands that render a file share: the input opened, the instance made for it, the
// automation resolved and the output opened; and the report of the finished render, with the
// output finished.
#pragma once

#include "standin/aaxhost/tool/AudioWriter.h"
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
  RenderInput input;
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

// Opens the input (and, where `needsLength` and its header does not state it, counts its
// frames in a first pass that keeps nothing), makes the instance and resolves the automation.
// kExitOK, or the exit code of the failure (printed).
int PrepareRenderJob(PluginInstance& instance, const Options& options, RenderJob& job, bool needsLength = false);

// Opens the output file (OUT.wav) for the instance's outputs. kExitOK, or the exit code of
// the failure (printed).
int OpenRenderOutput(const PluginInstance& instance, const RenderJob& job, const Options& options,
                     AudioWriter& output);

// What a finished render prints: length, speed, levels, the values it ended with; then the
// output file is finished (see FileRender::Finish): "wrote OUT", or the reason it was not.
int FinishRender(PluginInstance& instance, FileRender& render, const Options& options);
} // namespace aaxhost
