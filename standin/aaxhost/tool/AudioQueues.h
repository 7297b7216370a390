// Audio handed between the threads that read and write the files and the thread that renders,
// through bounded rings of blocks made up front: the rendering thread never reads or writes a
// file, and allocates or waits only when a ring is empty (reading) or full (writing), or at a
// seek or the end.
#pragma once

#include "standin/aaxhost/tool/AudioReader.h"
#include "standin/aaxhost/tool/AudioWriter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <semaphore.h>

namespace aaxhost
{
// A single-producer, single-consumer ring of blocks of audio, each of up to Frames() frames of
// every channel. A side waits only for a block to fill or to empty.
class BlockRing
{
public:
  struct Block
  {
    std::vector<std::vector<float>> channels;
    std::vector<float*> pointers; // to the channels' samples
    size_t frames = 0;
    uint64_t position = 0; // the block's first frame in the file
    bool last = false;     // nothing follows; `error` says why, where it is a fault
    std::string error;
  };

  BlockRing(size_t blocks, size_t channels, size_t frames);
  ~BlockRing();
  BlockRing(const BlockRing&) = delete;
  BlockRing& operator=(const BlockRing&) = delete;

  size_t Frames() const { return mFrames; }
  // The producer's next empty block (waits for one); null once closed.
  Block* Empty();
  void Fill();
  // The consumer's next full block (waits for one); null once closed.
  Block* Full();
  void Drain();
  // Wakes both sides for good.
  void Close();

private:
  std::vector<Block> mBlocks;
  size_t mFrames;
  sem_t mEmpty{}, mFull{};
  size_t mFilled = 0, mDrained = 0; // each side's own count
  std::atomic<bool> mClosed{false};
};

// A reader thread that keeps a ring of blocks read ahead of the rendering thread.
class ReadAhead
{
public:
  using Opener = std::function<std::unique_ptr<AudioReader>(std::string& error)>;
  // Starts reading `reader`; `reopen` opens the file again for a seek.
  ReadAhead(std::unique_ptr<AudioReader> reader, Opener reopen);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  int Channels() const { return mChannels; }
  // Reads up to `frames` frames into `channels` (Channels() arrays): fewer only at the end of
  // the audio. -1 when the reader found a fault, with its reason.
  int64_t Read(float* const* channels, size_t frames, std::string& error);
  // Goes on from frame `frame`: the file opened again and read up to there. False with the
  // reason when it cannot be opened.
  bool Seek(uint64_t frame, std::string& error);

private:
  void Start(uint64_t skip);
  void Stop();
  void Run(uint64_t skip);

  std::unique_ptr<AudioReader> mReader;
  Opener mReopen;
  int mChannels = 0;
  std::unique_ptr<BlockRing> mRing;
  std::thread mThread;
  BlockRing::Block* mBlock = nullptr; // being read by the rendering thread
  size_t mOffset = 0;
  bool mEnded = false;
  std::string mError;
};

// A writer thread that writes the blocks the rendering thread hands it to an AudioWriter.
class WriteBehind
{
public:
  WriteBehind(AudioWriter& writer, size_t channels);
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Hands over `frames` frames of each channel for frame `position` of the output. False once
  // a write has failed (Failed).
  bool Write(const float* const* channels, size_t frames, uint64_t position);
  // Whether a write has failed; then Finish gives the reason.
  bool Failed() const { return mFailed.load(); }
  // Waits for every block to be written. False with the reason of the first write that failed.
  bool Finish(std::string& error);

private:
  void Run();

  AudioWriter& mWriter;
  BlockRing mRing;
  std::thread mThread;
  std::atomic<bool> mFailed{false};
  std::string mError; // the writer thread's, read once it has ended
  bool mFinished = false;
};
} // namespace aaxhost
