#include "standin/aaxhost/tool/AudioQueues.h"

#include <algorithm>
#include <cerrno>
#include <exception>

namespace aaxhost
{
namespace
{
// About 1.4 s of audio at 48 kHz read ahead or left to write, in blocks of 4096 frames.
constexpr size_t kBlocks = 16;
constexpr size_t kBlockFrames = 4096;

// A read on the reader thread, where nothing may escape: memory running out is a fault.
int64_t ReadBlock(AudioReader& reader, float* const* channels, int64_t frames, std::string& error)
{
  try
  {
    return reader.Read(channels, frames, error);
  }
  catch (const std::exception&)
  {
    error = "not enough memory to read the input";
    return -1;
  }
}

void Wait(sem_t& semaphore)
{
  while (sem_wait(&semaphore) != 0 && errno == EINTR)
  {
  }
}
} // namespace

BlockRing::BlockRing(size_t blocks, size_t channels, size_t frames)
  : mBlocks(std::max<size_t>(blocks, 1))
  , mFrames(std::max<size_t>(frames, 1))
{
  for (Block& block : mBlocks)
  {
    block.channels.assign(channels, std::vector<float>(mFrames));
    for (std::vector<float>& channel : block.channels)
      block.pointers.push_back(channel.data());
  }
  sem_init(&mEmpty, 0, static_cast<unsigned>(mBlocks.size()));
  sem_init(&mFull, 0, 0);
}

BlockRing::~BlockRing()
{
  sem_destroy(&mEmpty);
  sem_destroy(&mFull);
}

BlockRing::Block* BlockRing::Empty()
{
  Wait(mEmpty);
  return mClosed.load() ? nullptr : &mBlocks[mFilled % mBlocks.size()];
}

void BlockRing::Fill()
{
  ++mFilled;
  sem_post(&mFull);
}

BlockRing::Block* BlockRing::Full()
{
  Wait(mFull);
  return mClosed.load() ? nullptr : &mBlocks[mDrained % mBlocks.size()];
}

void BlockRing::Drain()
{
  ++mDrained;
  sem_post(&mEmpty);
}

void BlockRing::Close()
{
  mClosed.store(true);
  sem_post(&mEmpty);
  sem_post(&mFull);
}

ReadAhead::ReadAhead(std::unique_ptr<AudioReader> reader, Opener reopen)
  : mReader(std::move(reader))
  , mReopen(std::move(reopen))
  , mChannels(mReader ? mReader->Channels() : 0)
{
  Start(0);
}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::Start(uint64_t skip)
{
  mRing = std::make_unique<BlockRing>(kBlocks, static_cast<size_t>(std::max(mChannels, 1)), kBlockFrames);
  mBlock = nullptr;
  mOffset = 0;
  mEnded = false;
  mError.clear();
  mThread = std::thread([this, skip] { Run(skip); });
}

void ReadAhead::Stop()
{
  if (!mRing)
    return;
  mRing->Close();
  if (mThread.joinable())
    mThread.join();
  mRing.reset();
  mBlock = nullptr;
}

// The reader thread: the frames up to `skip` read and passed over, then every block read into
// the ring until the end, a fault or the ring's closing.
void ReadAhead::Run(uint64_t skip)
{
  BlockRing& ring = *mRing;
  std::string error;
  int64_t got = 0;
  if (skip > 0)
  {
    BlockRing::Block* scratch = ring.Empty();
    if (!scratch)
      return;
    for (uint64_t left = skip; left > 0 && got >= 0;)
    {
      got = ReadBlock(*mReader, scratch->pointers.data(),
                      static_cast<int64_t>(std::min<uint64_t>(left, ring.Frames())), error);
      if (got <= 0)
        break;
      left -= static_cast<uint64_t>(got);
    }
    // The scratch block goes out as the first: empty, or the end.
    scratch->frames = 0;
    scratch->last = got <= 0;
    scratch->error = got < 0 ? error : std::string();
    ring.Fill();
    if (scratch->last)
      return;
  }
  for (;;)
  {
    BlockRing::Block* block = ring.Empty();
    if (!block)
      return;
    got = ReadBlock(*mReader, block->pointers.data(), static_cast<int64_t>(ring.Frames()), error);
    block->frames = got > 0 ? static_cast<size_t>(got) : 0;
    block->last = got <= 0;
    block->error = got < 0 ? error : std::string();
    ring.Fill();
    if (block->last)
      return;
  }
}

int64_t ReadAhead::Read(float* const* channels, size_t frames, std::string& error)
{
  size_t got = 0;
  while (got < frames && !mEnded)
  {
    if (!mBlock)
    {
      mBlock = mRing ? mRing->Full() : nullptr;
      mOffset = 0;
      if (!mBlock || mBlock->last)
      {
        mEnded = true;
        if (mBlock)
          mError = mBlock->error;
        mBlock = nullptr;
        break;
      }
    }
    const size_t n = std::min(frames - got, mBlock->frames - mOffset);
    for (int c = 0; c < mChannels; ++c)
      std::copy_n(mBlock->channels[static_cast<size_t>(c)].begin() + static_cast<std::ptrdiff_t>(mOffset), n,
                  channels[c] + got);
    mOffset += n;
    got += n;
    if (mOffset == mBlock->frames)
    {
      mRing->Drain();
      mBlock = nullptr;
    }
  }
  if (!mError.empty())
    return error = mError, -1;
  return static_cast<int64_t>(got);
}

bool ReadAhead::Seek(uint64_t frame, std::string& error)
{
  Stop();
  std::unique_ptr<AudioReader> reader = mReopen ? mReopen(error) : nullptr;
  if (reader && reader->Channels() != mChannels)
    error = "the input changed while it was read", reader.reset();
  if (!reader)
  {
    mEnded = true;
    mError = error;
    return false;
  }
  mReader = std::move(reader);
  Start(frame);
  return true;
}

WriteBehind::WriteBehind(AudioWriter& writer, size_t channels)
  : mWriter(writer)
  , mRing(kBlocks, channels, kBlockFrames)
{
  mThread = std::thread([this] { Run(); });
}

WriteBehind::~WriteBehind()
{
  mRing.Close();
  if (mThread.joinable())
    mThread.join();
}

// The writer thread: every block written in turn; after a failure, blocks are only drained.
void WriteBehind::Run()
{
  for (;;)
  {
    BlockRing::Block* block = mRing.Full();
    if (!block || block->last)
      return;
    if (!mFailed.load())
    {
      bool written = false;
      try
      {
        written = mWriter.Write(block->pointers.data(), block->frames, block->position, mError);
      }
      catch (const std::exception&)
      {
        mError = "not enough memory to write the output";
      }
      if (!written)
        mFailed.store(true);
    }
    mRing.Drain();
  }
}

bool WriteBehind::Write(const float* const* channels, size_t frames, uint64_t position)
{
  for (size_t done = 0; done < frames && !mFailed.load();)
  {
    BlockRing::Block* block = mRing.Empty();
    if (!block)
      return false;
    const size_t n = std::min(frames - done, mRing.Frames());
    for (size_t c = 0; c < block->channels.size(); ++c)
      std::copy_n(channels[c] + done, n, block->channels[c].begin());
    block->frames = n;
    block->position = position + done;
    block->last = false;
    mRing.Fill();
    done += n;
  }
  return !mFailed.load();
}

bool WriteBehind::Finish(std::string& error)
{
  if (!mFinished)
  {
    mFinished = true;
    if (BlockRing::Block* block = mRing.Empty())
    {
      block->last = true;
      mRing.Fill();
    }
    if (mThread.joinable())
      mThread.join();
  }
  if (mFailed.load())
    return error = mError, false;
  return true;
}
} // namespace aaxhost
