// An audio file rendered through an instance block by block, as a host's transport plays it:
// the automation due at each block's start is posted to the host's parameter thread, the
// transport's position follows the file when it plays, and every output channel the plug-in
// leaves unwritten fails the block.
#pragma once

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace aaxhost
{
struct ResolvedAutomation
{
  std::string id;
  std::vector<std::pair<double, double>> points; // seconds, normalised; linear between
  double last = -1.0; // the value last posted
};

// The automation's value at a time: its first point's before it, its last point's after it.
double AutomationValueAt(const ResolvedAutomation& automation, double time);

struct FileRenderSettings
{
  std::vector<int> blocks{512}; // sizes used in turn
  double rate = 48000.0;
  double tempo = 120.0;
  bool play = false; // the transport runs and its position follows the file
};

class FileRender
{
public:
  // The instance renders the whole input (a file with fewer channels than the component takes
  // feeds its last channel to the rest).
  FileRender(PluginInstance& instance, Host& host, const AudioData& input, FileRenderSettings settings,
             std::vector<ResolvedAutomation> automations);

  bool Done() const { return mPosition >= mFrames; }
  // Where the next block starts, and how long it is, in seconds.
  double Time() const { return static_cast<double>(mPosition) / mSettings.rate; }
  double NextBlockSeconds() const;
  double Seconds() const { return static_cast<double>(mFrames) / mSettings.rate; }

  // Whether RenderNext posts the automation due at the block's start (the default); a run
  // whose automation comes from a thread of its own turns it off and calls PostAutomation.
  void SetPostsAutomation(bool posts) { mPostsAutomation = posts; }
  // Posts each automation's value at that time where it changed since it was last posted.
  void PostAutomation(double time);
  // Moves the play position (a host's locate): the next block starts there, within the file.
  void Locate(double seconds);
  // Renders the next block. False when the plug-in left an output channel unwritten; error
  // names the channels and frames, a line each after the first joined by "\nerror: ".
  bool RenderNext(std::string& error);

  const AudioData& Output() const { return mOutput; }
  size_t Blocks() const { return mBlocks; }
  // Time spent in render calls.
  double BusySeconds() const { return std::chrono::duration<double>(mBusy).count(); }
  std::vector<ResolvedAutomation>& Automations() { return mAutomations; }

private:
  PluginInstance& mInstance;
  Host& mHost;
  const AudioData& mInput;
  FileRenderSettings mSettings;
  std::vector<ResolvedAutomation> mAutomations;
  bool mPostsAutomation = true;
  size_t mFrames = 0;
  size_t mPosition = 0;
  size_t mBlockIndex = 0;
  size_t mBlocks = 0;
  std::chrono::steady_clock::duration mBusy{};
  AudioData mOutput;
  std::vector<std::vector<float>> mInBlock, mOutBlock;
  // Exactly as many buffers as the host's stems give, so that reading one more is caught.
  std::unique_ptr<float*[]> mInPtrs, mOutPtrs;
};
} // namespace aaxhost
