// An audio file rendered through an instance block by block, as a host's transport plays it,
// from memory or streamed from the file to the output file:
// the automation due at each block's start is posted to the host's parameter thread, the
// transport's position follows the file when it plays, and every output channel the plug-in
// leaves unwritten fails the block.
#pragma once

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/AudioQueues.h"
#include "standin/aaxhost/tool/AudioReader.h"
#include "standin/aaxhost/tool/AudioWriter.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <chrono>
#include <functional>
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

// The levels of one output channel over what was rendered.
struct ChannelLevels
{
  double peak = 0.0;
  double sumOfSquares = 0.0; // of the finite samples
  size_t nonFinite = 0;
};

// A file streamed through the instance: its reader and the frames it holds when known ahead.
struct RenderInput
{
  std::unique_ptr<AudioReader> reader;
  std::function<std::unique_ptr<AudioReader>(std::string& error)> reopen; // for a locate
  int64_t frames = -1; // known ahead (stated or counted), or -1: the render runs to its end
  std::string name;    // the file, for the reasons of faults
};

class FileRender
{
public:
  // The instance renders the whole input (a file with fewer channels than the component takes
  // feeds its last channel to the rest) into Output().
  FileRender(PluginInstance& instance, Host& host, const AudioData& input, FileRenderSettings settings,
             std::vector<ResolvedAutomation> automations);
  // The same streamed: the input is read ahead on a thread of its own, and the output handed
  // to one that writes it to `output` (opened with the component's host outputs), so that the
  // thread that renders never reads or writes a file, and memory does not grow with the file.
  FileRender(PluginInstance& instance, Host& host, RenderInput input, AudioWriter& output, FileRenderSettings settings,
             std::vector<ResolvedAutomation> automations);
  ~FileRender();

  bool Done() const { return mEnded || (mKnown && mPosition >= mFrames); }
  // Where the next block starts, and how long it is, in seconds.
  double Time() const { return static_cast<double>(mPosition) / mSettings.rate; }
  double NextBlockSeconds() const;
  // The file's length where known ahead; else what has been rendered.
  bool LengthKnown() const { return mKnown; }
  double Rate() const { return mSettings.rate; }
  double Seconds() const { return static_cast<double>(mKnown ? mFrames : mPosition) / mSettings.rate; }
  // The frames of the output: the file's where known ahead, else those rendered.
  size_t OutputFrames() const { return mKnown ? mFrames : mFurthest; }

  // Whether RenderNext posts the automation due at the block's start (the default); a run
  // whose automation comes from a thread of its own turns it off and calls PostAutomation.
  void SetPostsAutomation(bool posts) { mPostsAutomation = posts; }
  // Posts each automation's value at that time where it changed since it was last posted.
  void PostAutomation(double time);
  // Moves the play position (a host's locate): the next block starts there, within the file.
  void Locate(double seconds);
  // Renders the next block. False when the plug-in left an output channel unwritten; error
  // names the channels and frames, a line each after the first joined by "\nerror: ". False
  // too when the input shows a fault (the reader's reason, naming the file) or the output
  // cannot be written.
  bool RenderNext(std::string& error);
  // Once Done (or stopped): the input checked to its end where it was rendered whole, the
  // output written to its end and put in place. False with the reason.
  bool Finish(std::string& error);

  const AudioData& Output() const { return mOutput; }
  const std::vector<ChannelLevels>& Levels() const { return mLevels; }
  size_t Blocks() const { return mBlocks; }
  // Time spent in render calls.
  double BusySeconds() const { return std::chrono::duration<double>(mBusy).count(); }
  std::vector<ResolvedAutomation>& Automations() { return mAutomations; }

private:
  void Prepare();

  PluginInstance& mInstance;
  Host& mHost;
  FileRenderSettings mSettings;
  std::vector<ResolvedAutomation> mAutomations;
  std::string mInputName;
  std::unique_ptr<ReadAhead> mInput;
  AudioWriter* mWriter = nullptr;
  std::unique_ptr<WriteBehind> mOutputThread;
  bool mPostsAutomation = true;
  bool mKnown = true;
  bool mEnded = false;
  size_t mFrames = 0;
  size_t mPosition = 0;
  size_t mFurthest = 0;
  size_t mBlockIndex = 0;
  size_t mBlocks = 0;
  std::chrono::steady_clock::duration mBusy{};
  AudioData mOutput; // without a writer
  std::vector<ChannelLevels> mLevels;
  std::vector<std::vector<float>> mFileBlock, mInBlock, mOutBlock;
  std::vector<float*> mFilePtrs;
  // Exactly as many buffers as the host's stems give, so that reading one more is caught.
  std::unique_ptr<float*[]> mInPtrs, mOutPtrs;
};
} // namespace aaxhost
