#include "standin/aaxhost/tool/AudioWriter.h"

#include <algorithm>
#include <cstring>

namespace aaxhost
{
namespace
{
constexpr size_t kBufferBytes = size_t(64) << 10;
constexpr uint32_t kUnknown32 = 0xffffffffu;
// The data size sox writes to a pipe, which sox, ffmpeg and the tool's own input read as "to the
// end of the file" (sox warns of a file cut short where the size is all ones).
constexpr uint32_t kStreamingData = 0x7ffff000u;

void Put(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }
void Put16(std::vector<uint8_t>& out, uint32_t v)
{
  for (int i = 0; i < 2; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put64(std::vector<uint8_t>& out, uint64_t v)
{
  for (int i = 0; i < 8; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
} // namespace

// The header, the same size whatever it states: "fmt " (IEEE float), "fact" and a "PAD " chunk
// of 8 bytes per channel and 8 more, then "data". As RF64, a "ds64" chunk takes the place of
// "fact" and the start of "PAD ". `frames` -1: the placeholders.
std::vector<uint8_t> AudioWriter::Header(int64_t frames) const
{
  const uint32_t channels = static_cast<uint32_t>(mChannels);
  const uint32_t blockBytes = 4 * channels;
  const uint32_t padBytes = 8 * channels + 8;
  const uint64_t headerBytes = HeaderBytes();
  const uint64_t dataBytes = frames < 0 ? 0 : static_cast<uint64_t>(frames) * blockBytes;
  const uint64_t riffBytes = headerBytes - 8 + dataBytes;
  const bool rf64 = frames >= 0 && riffBytes > mLargestWave;
  std::vector<uint8_t> out;
  out.reserve(headerBytes);
  Put(out, rf64 ? "RF64" : "RIFF");
  Put32(out, rf64 ? kUnknown32 : static_cast<uint32_t>(frames < 0 ? kStreamingData + headerBytes - 8 : riffBytes));
  Put(out, "WAVE");
  Put(out, "fmt ");
  Put32(out, 16);
  Put16(out, 3);
  Put16(out, channels);
  Put32(out, static_cast<uint32_t>(mRate));
  Put32(out, static_cast<uint32_t>(mRate) * blockBytes);
  Put16(out, blockBytes);
  Put16(out, 32);
  if (rf64)
  {
    Put(out, "ds64");
    Put32(out, 28);
    Put64(out, riffBytes);
    Put64(out, dataBytes);
    Put64(out, static_cast<uint64_t>(frames));
    Put32(out, 0);
    // What is left of "fact" and "PAD ": 8 bytes per channel less 8.
    if (channels > 1)
    {
      Put(out, "PAD ");
      Put32(out, 8 * channels - 16);
      out.resize(out.size() + 8 * channels - 16, 0);
    }
  }
  else
  {
    Put(out, "fact");
    Put32(out, 4);
    Put32(out, frames < 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(frames), kUnknown32)));
    Put(out, "PAD ");
    Put32(out, padBytes);
    out.resize(out.size() + padBytes, 0);
  }
  Put(out, "data");
  Put32(out, rf64 ? kUnknown32 : frames < 0 ? kStreamingData : static_cast<uint32_t>(dataBytes));
  return out;
}

bool AudioWriter::Open(const std::string& path, int sampleRate, int channels, int64_t frames, std::string& error)
{
  mPath = path;
  if (channels <= 0 || sampleRate <= 0)
    return error = "cannot write " + path + ": nothing to write", false;
  mRate = sampleRate;
  mChannels = static_cast<size_t>(channels);
  mStated = frames;
  mFrames = mFlushed = 0;
  mBuffer.clear();
  mBuffer.reserve(kBufferBytes);
  if (!mStream.Open(path, error))
    return false;
  const std::vector<uint8_t> header = Header(frames);
  return mStream.Write(header.data(), header.size(), error);
}

bool AudioWriter::Flush(std::string& error)
{
  if (mBuffer.empty())
    return true;
  if (!mStream.Write(mBuffer.data(), mBuffer.size(), error))
    return false;
  mFlushed += mBuffer.size() / (4 * mChannels);
  mBuffer.clear();
  return true;
}

bool AudioWriter::Write(const float* const* channels, size_t frames, uint64_t position, std::string& error)
{
  const size_t frameBytes = 4 * mChannels;
  if (position < mFrames)
  {
    // Back over frames already written: only where the output can seek.
    if (!mStream.Seekable())
      return error = "cannot write " + mPath + ": the output cannot go back to frame " + std::to_string(position), false;
    if (!Flush(error))
      return false;
    const size_t over = static_cast<size_t>(std::min<uint64_t>(frames, mFrames - position));
    std::vector<uint8_t> bytes(over * frameBytes);
    for (size_t f = 0; f < over; ++f)
      for (size_t c = 0; c < mChannels; ++c)
        std::memcpy(&bytes[(f * mChannels + c) * 4], &channels[c][f], 4);
    if (!mStream.WriteAt(HeaderBytes() + position * frameBytes, bytes.data(), bytes.size(), error))
      return false;
    std::vector<const float*> rest(mChannels);
    for (size_t c = 0; c < mChannels; ++c)
      rest[c] = channels[c] + over;
    return over == frames || Write(rest.data(), frames - over, mFrames, error);
  }
  // Silence up to the position.
  for (; mFrames < position; ++mFrames)
  {
    if (mBuffer.size() + frameBytes > kBufferBytes && !Flush(error))
      return false;
    mBuffer.resize(mBuffer.size() + frameBytes, 0);
  }
  for (size_t f = 0; f < frames; ++f)
  {
    if (mBuffer.size() + frameBytes > kBufferBytes && !Flush(error))
      return false;
    const size_t at = mBuffer.size();
    mBuffer.resize(at + frameBytes);
    for (size_t c = 0; c < mChannels; ++c)
      std::memcpy(&mBuffer[at + 4 * c], &channels[c][f], 4);
    ++mFrames;
  }
  return true;
}

bool AudioWriter::Finish(std::string& error)
{
  if (!Flush(error))
    return false;
  if (mStream.Seekable())
  {
    // The sizes of what the file holds, in a header of the same size.
    const std::vector<uint8_t> header = Header(static_cast<int64_t>(mFrames));
    if (!mStream.WriteAt(0, header.data(), header.size(), error))
      return false;
  }
  else if (mStated >= 0 && mFrames != static_cast<uint64_t>(mStated))
  {
    error = "cannot write " + mPath + ": its header states " + std::to_string(mStated) + " frames, but " +
            std::to_string(mFrames) + " were rendered";
    return false;
  }
  return mStream.Finish(error);
}

bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error)
{
  AudioWriter writer;
  const size_t frames = data.Frames();
  if (!writer.Open(path, data.sampleRate, static_cast<int>(data.channels.size()), static_cast<int64_t>(frames), error))
    return false;
  std::vector<const float*> channels;
  for (const std::vector<float>& channel : data.channels)
    channels.push_back(channel.data());
  return writer.Write(channels.data(), frames, 0, error) && writer.Finish(error);
}
} // namespace aaxhost
