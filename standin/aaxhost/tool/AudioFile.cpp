// Whole audio files: input read through the block reader (AudioReader.h), output written by the
// audio library in memory and then through the output file step.
#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/AudioReader.h"
#include "standin/aaxhost/tool/InputBytes.h"
#include "standin/aaxhost/tool/OutputFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace aaxhost
{
namespace
{
// Samples, of all channels together, encoded at a time.
constexpr size_t kBlockSamples = 65536;
// Frames read from the block reader at a time.
constexpr int64_t kReadFrames = 16384;

// An output file made in memory by the audio library, which writes, seeks back and writes the
// header's sizes again. A write that finds no memory fails (and is remembered), since nothing
// may throw back through the library.
struct OutputStream
{
  std::vector<uint8_t> bytes;
  sf_count_t position = 0;
  bool failed = false;

  static OutputStream& Of(void* user) { return *static_cast<OutputStream*>(user); }
  static sf_count_t Length(void* user) { return static_cast<sf_count_t>(Of(user).bytes.size()); }
  static sf_count_t Seek(sf_count_t offset, int whence, void* user)
  {
    OutputStream& stream = Of(user);
    return input::SeekWithin(stream.position, static_cast<sf_count_t>(stream.bytes.size()), offset, whence);
  }
  static sf_count_t Read(void* into, sf_count_t count, void* user)
  {
    OutputStream& stream = Of(user);
    const sf_count_t size = static_cast<sf_count_t>(stream.bytes.size());
    if (count <= 0 || stream.position >= size)
      return 0;
    count = std::min(count, size - stream.position);
    std::memcpy(into, stream.bytes.data() + stream.position, static_cast<size_t>(count));
    stream.position += count;
    return count;
  }
  static sf_count_t Write(const void* from, sf_count_t count, void* user)
  {
    OutputStream& stream = Of(user);
    if (count <= 0 || stream.position > std::numeric_limits<sf_count_t>::max() - count)
      return 0;
    try
    {
      const size_t end = static_cast<size_t>(stream.position + count);
      if (end > stream.bytes.size())
        stream.bytes.resize(end);
      std::memcpy(stream.bytes.data() + stream.position, from, static_cast<size_t>(count));
    }
    catch (const std::exception&)
    {
      stream.failed = true;
      return 0;
    }
    stream.position += count;
    return count;
  }
  static sf_count_t Tell(void* user) { return Of(user).position; }
};
// Closes the audio library's file when it goes.
struct SoundFileCloser
{
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;
} // namespace

bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error)
{
  out = AudioData();
  try
  {
    const std::unique_ptr<AudioReader> reader = OpenAudioReader(path, error);
    if (!reader)
      return false;
    const size_t nChannels = static_cast<size_t>(reader->Channels());
    out.channels.assign(nChannels, std::vector<float>());
    std::vector<float*> into(nChannels);
    for (;;)
    {
      const size_t start = out.Frames();
      for (size_t c = 0; c < nChannels; ++c)
      {
        out.channels[c].resize(start + static_cast<size_t>(kReadFrames));
        into[c] = out.channels[c].data() + start;
      }
      const int64_t got = reader->Read(into.data(), kReadFrames, error);
      for (auto& channel : out.channels)
        channel.resize(start + static_cast<size_t>(std::max<int64_t>(0, got)));
      if (got < 0)
        break;
      if (got == 0)
      {
        out.sampleRate = reader->SampleRate();
        return true;
      }
    }
  }
  catch (const std::bad_alloc&)
  {
    error = "cannot read " + path + ": not enough memory for its audio";
  }
  out = AudioData();
  return false;
}

bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error)
{
  SF_INFO info = {};
  info.samplerate = data.sampleRate;
  info.channels = static_cast<int>(data.channels.size());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (info.channels <= 0)
  {
    error = "nothing to write";
    return false;
  }
  const size_t nChannels = data.channels.size();
  const size_t frames = data.Frames();
  OutputStream stream;
  SF_VIRTUAL_IO io = {&OutputStream::Length, &OutputStream::Seek, &OutputStream::Read, &OutputStream::Write,
                      &OutputStream::Tell};
  try
  {
    // The header's few dozen bytes, then the samples.
    stream.bytes.reserve(256 + frames * nChannels * sizeof(float));
    SoundFile file(sf_open_virtual(&io, SFM_WRITE, &info, &stream));
    if (!file)
    {
      error = "cannot write " + path + ": " + sf_strerror(nullptr);
      return false;
    }
    // No peak chunk: it carries the time of writing, and the same audio must give the same bytes.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    const size_t blockFrames = std::max<size_t>(1, kBlockSamples / nChannels);
    std::vector<float> block(blockFrames * nChannels);
    bool encoded = true;
    for (size_t start = 0; start < frames && encoded; start += blockFrames)
    {
      const size_t count = std::min(blockFrames, frames - start);
      for (size_t f = 0; f < count; ++f)
        for (size_t c = 0; c < nChannels; ++c)
          block[f * nChannels + c] = data.channels[c][start + f];
      encoded = sf_writef_float(file.get(), block.data(), static_cast<sf_count_t>(count)) ==
                static_cast<sf_count_t>(count);
    }
    // The close writes the header's final sizes.
    encoded = sf_close(file.release()) == 0 && encoded && !stream.failed;
    if (!encoded)
    {
      error = "cannot write " + path + ": not enough memory for its audio";
      return false;
    }
  }
  catch (const std::bad_alloc&)
  {
    error = "cannot write " + path + ": not enough memory for its audio";
    return false;
  }
  return WriteOutputFile(path, stream.bytes, error);
}
} // namespace aaxhost
