#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/InputFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace aaxhost
{
namespace
{
// The most samples an input may hold: as many as a PCM file of the largest input size holds at
// one byte a sample. A header that declares more is refused before anything is allocated.
constexpr uint64_t kMaxInputSamples = kMaxInputFileSize;
// Samples, of all channels together, decoded at a time.
constexpr size_t kBlockSamples = 65536;

uint32_t LittleEndian32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t LittleEndian64(const unsigned char* p)
{
  return static_cast<uint64_t>(LittleEndian32(p)) | static_cast<uint64_t>(LittleEndian32(p + 4)) << 32;
}

// An open input file seen by the audio library: read with pread, never past the length the
// file had when it was opened, whatever it does meanwhile.
struct InputStream
{
  int fd = -1;
  sf_count_t length = 0;
  sf_count_t position = 0;

  // Up to `count` bytes at `offset`; the number read (short at the end or on an error).
  sf_count_t ReadAt(sf_count_t offset, void* into, sf_count_t count) const
  {
    if (offset < 0 || offset >= length)
      return 0;
    count = std::min(count, length - offset);
    sf_count_t got = 0;
    while (got < count)
    {
      const ssize_t n = pread(fd, static_cast<char*>(into) + got, static_cast<size_t>(count - got), offset + got);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        break;
      got += n;
    }
    return got;
  }

  static InputStream& Of(void* user) { return *static_cast<InputStream*>(user); }
  static sf_count_t Length(void* user) { return Of(user).length; }
  static sf_count_t Seek(sf_count_t offset, int whence, void* user)
  {
    InputStream& stream = Of(user);
    const sf_count_t base = whence == SEEK_CUR ? stream.position : whence == SEEK_END ? stream.length : 0;
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
      return -1;
    stream.position = base + offset;
    return stream.position;
  }
  static sf_count_t Read(void* into, sf_count_t count, void* user)
  {
    InputStream& stream = Of(user);
    const sf_count_t got = stream.ReadAt(stream.position, into, count);
    stream.position += got;
    return got;
  }
  static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
  static sf_count_t Tell(void* user) { return Of(user).position; }
};

// For a RIFF or RF64 WAVE file whose data chunk declares more bytes than the file holds after
// it: the two counts. The audio library reads such a file as the shorter file it is, silently.
// RF64 keeps the data's size in its ds64 chunk; a RIFF data chunk of unknown size (0xffffffff)
// runs to the end of the file, and nothing is checked.
bool DeclaresMoreDataThanItHolds(const InputStream& in, uint64_t& declared, uint64_t& held)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header + 8, "WAVE", 4) != 0)
    return false;
  const bool rf64 = std::memcmp(header, "RF64", 4) == 0 || std::memcmp(header, "BW64", 4) == 0;
  if (!rf64 && std::memcmp(header, "RIFF", 4) != 0)
    return false;
  bool ds64Read = false;
  uint64_t ds64DataSize = 0;
  // Walk the chunks, never past the file's real length.
  uint64_t offset = 12;
  while (offset + 8 <= length)
  {
    unsigned char chunk[8];
    if (in.ReadAt(static_cast<sf_count_t>(offset), chunk, sizeof chunk) != sizeof chunk)
      return false;
    const uint32_t size = LittleEndian32(chunk + 4);
    offset += 8;
    if (rf64 && std::memcmp(chunk, "ds64", 4) == 0)
    {
      // The RIFF size, then the data size.
      unsigned char sizes[16];
      if (size < sizeof sizes || in.ReadAt(static_cast<sf_count_t>(offset), sizes, sizeof sizes) != sizeof sizes)
        return false;
      ds64DataSize = LittleEndian64(sizes + 8);
      ds64Read = true;
    }
    else if (std::memcmp(chunk, "data", 4) == 0)
    {
      held = length - offset;
      if (size != 0xffffffffu)
        declared = size;
      else if (ds64Read)
        declared = ds64DataSize;
      else
        return false;
      return declared > held;
    }
    offset += uint64_t(size) + (size & 1u);
  }
  return false;
}

// Closes the audio library's file when it goes.
struct SoundFileCloser
{
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// Decodes the whole of `file` into `out`, its buffers growing only with what decodes. False
// with the reason when the file declares or decodes more than an input may hold, or decodes
// fewer frames than it declares.
bool Decode(const std::string& path, SNDFILE* file, const SF_INFO& info, AudioData& out, std::string& error)
{
  const uint64_t nChannels = static_cast<uint64_t>(info.channels);
  const uint64_t declared = static_cast<uint64_t>(info.frames);
  const uint64_t maxFrames = kMaxInputSamples / nChannels;
  const std::string holdable = "the " + std::to_string(kMaxInputSamples) + " samples a file of " +
                               std::to_string(kMaxInputFileSize >> 20) + " MiB can hold";
  if (declared > maxFrames)
  {
    error = path + " declares " + std::to_string(declared) + " frames of " + std::to_string(nChannels) +
            (nChannels == 1 ? " channel" : " channels") + ": more than " + holdable;
    return false;
  }
  const size_t blockFrames = std::max<size_t>(1, kBlockSamples / nChannels);
  std::vector<float> block(blockFrames * nChannels);
  out.channels.assign(nChannels, std::vector<float>());
  uint64_t frames = 0;
  for (;;)
  {
    // One frame past the most allowed tells a file that decodes more than it may.
    const uint64_t wanted = std::min<uint64_t>(blockFrames, maxFrames + 1 - frames);
    const sf_count_t got = sf_readf_float(file, block.data(), static_cast<sf_count_t>(wanted));
    if (got <= 0)
      break;
    frames += static_cast<uint64_t>(got);
    if (frames > maxFrames)
    {
      error = path + " decodes to more than " + holdable;
      return false;
    }
    const size_t count = static_cast<size_t>(got);
    for (size_t c = 0; c < nChannels; ++c)
    {
      std::vector<float>& channel = out.channels[c];
      const size_t start = channel.size();
      channel.resize(start + count);
      for (size_t f = 0; f < count; ++f)
        channel[start + f] = block[f * nChannels + c];
    }
  }
  if (frames < declared)
  {
    error = path + " declares " + std::to_string(declared) + " frames but decodes only " + std::to_string(frames) +
            ": the file is cut short";
    return false;
  }
  return true;
}
} // namespace

bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error)
{
  out = AudioData();
  plug::RegularFile input;
  if (!OpenInputFile(path, input, error))
    return false;
  InputStream stream;
  stream.fd = input.Descriptor();
  stream.length = static_cast<sf_count_t>(input.Size());
  SF_VIRTUAL_IO io = {&InputStream::Length, &InputStream::Seek, &InputStream::Read, &InputStream::Write,
                      &InputStream::Tell};
  SF_INFO info = {};
  const SoundFile file(sf_open_virtual(&io, SFM_READ, &info, &stream));
  if (!file)
  {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.frames < 0 || info.samplerate <= 0)
  {
    error = "unusable audio file " + path;
    return false;
  }
  uint64_t declared = 0, held = 0;
  if (DeclaresMoreDataThanItHolds(stream, declared, held))
  {
    error = path + " declares " + std::to_string(declared) + " bytes of audio data but holds only " +
            std::to_string(held) + ": the file is cut short";
    return false;
  }
  try
  {
    if (!Decode(path, file.get(), info, out, error))
      return out = AudioData(), false;
  }
  catch (const std::bad_alloc&)
  {
    out = AudioData();
    error = "cannot read " + path + ": not enough memory for its audio";
    return false;
  }
  out.sampleRate = info.samplerate;
  return true;
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
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  // No peak chunk: it carries the time of writing, and the same audio must give the same bytes.
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  const size_t nChannels = data.channels.size();
  const size_t frames = data.Frames();
  std::vector<float> interleaved(frames * nChannels);
  for (size_t f = 0; f < frames; ++f)
    for (size_t c = 0; c < nChannels; ++c)
      interleaved[f * nChannels + c] = data.channels[c][f];
  const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
  if (written != static_cast<sf_count_t>(frames))
  {
    error = "short write to " + path;
    return false;
  }
  return true;
}
} // namespace aaxhost
