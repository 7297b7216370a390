#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/OutputFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

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

uint32_t BigEndian32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         static_cast<uint32_t>(p[3]);
}

// The audio library's seek on a stream of `length` bytes: moves `position` and gives it, or -1
// (the position unchanged) for a place before the start or past the counter's range.
sf_count_t SeekWithin(sf_count_t& position, sf_count_t length, sf_count_t offset, int whence)
{
  const sf_count_t base = whence == SEEK_CUR ? position : whence == SEEK_END ? length : 0;
  if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
    return -1;
  position = base + offset;
  return position;
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
    return SeekWithin(stream.position, stream.length, offset, whence);
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
    return SeekWithin(stream.position, static_cast<sf_count_t>(stream.bytes.size()), offset, whence);
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

// The audio data a container's header declares, in bytes, and the bytes the file holds from
// where they start to its end. The audio library reads a file that declares more than it holds as
// the shorter file it is, silently.
struct DataSize
{
  uint64_t declared = 0;
  uint64_t held = 0;
};

// The chunks of a RIFF or AIFF file after its 12-byte header: an identifier and a size (in the
// container's byte order), each body padded to an even size. `visit(identifier, body's offset,
// size)` sees every chunk whose header lies within the file's real length, until it answers
// false.
template <class Visit>
void WalkEvenPaddedChunks(const InputStream& in, uint32_t (*sizeAt)(const unsigned char*), Visit visit)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  uint64_t offset = 12;
  while (offset + 8 <= length)
  {
    unsigned char chunk[8];
    if (in.ReadAt(static_cast<sf_count_t>(offset), chunk, sizeof chunk) != sizeof chunk)
      return;
    const uint32_t size = sizeAt(chunk + 4);
    offset += 8;
    if (!visit(chunk, offset, size))
      return;
    offset += uint64_t(size) + (size & 1u);
  }
}

// The data's size in a RIFF, RF64 or BW64 WAVE file. RF64 keeps it in its ds64 chunk; a RIFF
// data chunk of unknown size (0xffffffff) runs to the end of the file, and nothing is declared.
std::optional<DataSize> WaveDataSize(const InputStream& in)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header + 8, "WAVE", 4) != 0)
    return std::nullopt;
  const bool rf64 = std::memcmp(header, "RF64", 4) == 0 || std::memcmp(header, "BW64", 4) == 0;
  if (!rf64 && std::memcmp(header, "RIFF", 4) != 0)
    return std::nullopt;
  bool ds64Read = false;
  uint64_t ds64DataSize = 0;
  std::optional<DataSize> found;
  WalkEvenPaddedChunks(in, LittleEndian32, [&](const unsigned char* id, uint64_t body, uint32_t size) {
    if (rf64 && std::memcmp(id, "ds64", 4) == 0)
    {
      // The RIFF size, then the data size.
      unsigned char sizes[16];
      if (size < sizeof sizes || in.ReadAt(static_cast<sf_count_t>(body), sizes, sizeof sizes) != sizeof sizes)
        return false;
      ds64DataSize = LittleEndian64(sizes + 8);
      ds64Read = true;
      return true;
    }
    if (std::memcmp(id, "data", 4) != 0)
      return true;
    if (size != 0xffffffffu)
      found = DataSize{size, length - body};
    else if (ds64Read)
      found = DataSize{ds64DataSize, length - body};
    return false;
  });
  return found;
}

// A chunk of an AIFF or AIFC file: where its body starts, and its size.
struct AiffChunk
{
  uint64_t offset = 0;
  uint32_t size = 0;
};

// The first chunk named `id` of an AIFF or AIFC file.
std::optional<AiffChunk> FindAiffChunk(const InputStream& in, const char (&id)[5])
{
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, "FORM", 4) != 0 ||
      (std::memcmp(header + 8, "AIFF", 4) != 0 && std::memcmp(header + 8, "AIFC", 4) != 0))
    return std::nullopt;
  std::optional<AiffChunk> found;
  WalkEvenPaddedChunks(in, BigEndian32, [&](const unsigned char* chunk, uint64_t body, uint32_t size) {
    if (std::memcmp(chunk, id, 4) != 0)
      return true;
    found = AiffChunk{body, size};
    return false;
  });
  return found;
}

// The sound data's size in an AIFF or AIFC file: its SSND chunk's, less the chunk's offset and
// block size fields.
std::optional<DataSize> AiffDataSize(const InputStream& in)
{
  const std::optional<AiffChunk> ssnd = FindAiffChunk(in, "SSND");
  if (!ssnd || ssnd->size < 8)
    return std::nullopt;
  const uint64_t length = static_cast<uint64_t>(in.length);
  return DataSize{ssnd->size - 8u, length - std::min(length, ssnd->offset + 8)};
}

// The frame count the COMM chunk of an AIFF or AIFC file of plain samples (integer, float or
// A-law and u-law, one sample a frame per channel) states. Compressed encodings may count
// otherwise, and are left to the library.
std::optional<uint64_t> AiffCommFrames(const InputStream& in, const SF_INFO& info)
{
  switch (info.format & SF_FORMAT_SUBMASK)
  {
  case SF_FORMAT_PCM_S8:
  case SF_FORMAT_PCM_U8:
  case SF_FORMAT_PCM_16:
  case SF_FORMAT_PCM_24:
  case SF_FORMAT_PCM_32:
  case SF_FORMAT_FLOAT:
  case SF_FORMAT_DOUBLE:
  case SF_FORMAT_ULAW:
  case SF_FORMAT_ALAW:
    break;
  default:
    return std::nullopt;
  }
  // The channel count, then the frame count.
  unsigned char counts[6];
  const std::optional<AiffChunk> comm = FindAiffChunk(in, "COMM");
  if (!comm || comm->size < sizeof counts ||
      in.ReadAt(static_cast<sf_count_t>(comm->offset), counts, sizeof counts) != sizeof counts)
    return std::nullopt;
  return BigEndian32(counts + 2);
}

// The audio data's size in a Sun/NeXT AU file (either byte order), from its header; a size of
// 0xffffffff means "unknown", the data running to the end of the file.
std::optional<DataSize> AuDataSize(const InputStream& in)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header)
    return std::nullopt;
  const bool big = std::memcmp(header, ".snd", 4) == 0;
  if (!big && std::memcmp(header, "dns.", 4) != 0)
    return std::nullopt;
  const uint32_t dataOffset = big ? BigEndian32(header + 4) : LittleEndian32(header + 4);
  const uint32_t size = big ? BigEndian32(header + 8) : LittleEndian32(header + 8);
  if (size == 0xffffffffu)
    return std::nullopt;
  return DataSize{size, length - std::min<uint64_t>(length, dataOffset)};
}

// The data chunk's size in a Sony Wave64 file. Its chunks are named by GUIDs, their sizes count
// their own 24-byte headers, and they are padded to multiples of 8 bytes.
std::optional<DataSize> W64DataSize(const InputStream& in)
{
  static const unsigned char kRiff[16] = {'r', 'i', 'f', 'f', 0x2e, 0x91, 0xcf, 0x11,
                                          0xa5, 0xd6, 0x28, 0xdb, 0x04, 0xc1, 0x00, 0x00};
  static const unsigned char kWave[16] = {'w', 'a', 'v', 'e', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  static const unsigned char kData[16] = {'d', 'a', 't', 'a', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  constexpr uint64_t kChunkHeader = 24;
  const uint64_t length = static_cast<uint64_t>(in.length);
  unsigned char header[40];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, kRiff, 16) != 0 ||
      std::memcmp(header + 24, kWave, 16) != 0)
    return std::nullopt;
  uint64_t offset = sizeof header;
  while (offset + kChunkHeader <= length)
  {
    unsigned char chunk[kChunkHeader];
    if (in.ReadAt(static_cast<sf_count_t>(offset), chunk, sizeof chunk) != sizeof chunk)
      return std::nullopt;
    const uint64_t size = LittleEndian64(chunk + 16);
    if (size < kChunkHeader)
      return std::nullopt;
    if (std::memcmp(chunk, kData, 16) == 0)
      return DataSize{size - kChunkHeader, length - (offset + kChunkHeader)};
    // A chunk reaching past the end ends the walk (and keeps the sum below from overflowing).
    if (size > length - offset)
      return std::nullopt;
    offset += (size + 7) & ~uint64_t(7);
  }
  return std::nullopt;
}

// For a WAVE, AIFF, AU or Wave64 file whose header declares more bytes of audio data than the
// file holds after their start: the two counts.
bool DeclaresMoreDataThanItHolds(const InputStream& in, uint64_t& declared, uint64_t& held)
{
  for (const auto walk : {&WaveDataSize, &AiffDataSize, &AuDataSize, &W64DataSize})
  {
    if (const std::optional<DataSize> size = walk(in))
    {
      declared = size->declared;
      held = size->held;
      return declared > held;
    }
  }
  return false;
}

// The bytes after an ID3v2 tag at the start of an MP3 or FLAC file, or 0 without one.
uint64_t AfterId3v2Tag(const InputStream& in)
{
  unsigned char tag[10];
  if (in.ReadAt(0, tag, sizeof tag) != sizeof tag || std::memcmp(tag, "ID3", 3) != 0)
    return 0;
  // Four 7-bit bytes of size after the header, and a footer as long as the header when flagged.
  const uint64_t size = uint64_t(tag[6] & 0x7f) << 21 | uint64_t(tag[7] & 0x7f) << 14 | uint64_t(tag[8] & 0x7f) << 7 |
                        uint64_t(tag[9] & 0x7f);
  return sizeof tag + size + ((tag[5] & 0x10) ? sizeof tag : 0);
}

// Whether the STREAMINFO block of a FLAC stream states its frame count: a total of 0 means
// "unknown", and the audio library then reports the largest count there is.
bool FlacStatesItsFrames(const InputStream& in)
{
  // The marker, the block's header (type 0, STREAMINFO, first) and its first 18 bytes.
  unsigned char start[26];
  const uint64_t offset = AfterId3v2Tag(in);
  if (in.ReadAt(static_cast<sf_count_t>(offset), start, sizeof start) != sizeof start ||
      std::memcmp(start, "fLaC", 4) != 0 || (start[4] & 0x7f) != 0)
    return false;
  // 36 bits of total samples per channel end the block's first 18 bytes.
  return (start[21] & 0x0f) != 0 || start[22] != 0 || start[23] != 0 || start[24] != 0 || start[25] != 0;
}

// Whether an MPEG layer III stream starts with an Xing or Info frame that states the stream's
// frame count. Without one the audio library estimates the count from the file's size.
bool Mp3StatesItsFrames(const InputStream& in)
{
  const uint64_t offset = AfterId3v2Tag(in);
  unsigned char frame[4 + 2 + 32 + 8];
  if (in.ReadAt(static_cast<sf_count_t>(offset), frame, sizeof frame) != sizeof frame)
    return false;
  const int version = frame[1] >> 3 & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const int layer = frame[1] >> 1 & 3;   // 1: layer III
  if (frame[0] != 0xff || (frame[1] & 0xe0) != 0xe0 || version == 1 || layer != 1)
    return false;
  const bool crc = (frame[1] & 1) == 0;
  const bool mono = (frame[3] >> 6) == 3;
  const size_t sideInfo = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const unsigned char* tag = frame + 4 + (crc ? 2 : 0) + sideInfo;
  const bool xing = std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0;
  return xing && (BigEndian32(tag + 4) & 1u) != 0;
}

// The frame count a header states exactly, as the audio library reports it, or none where the
// library only estimates it (an MP3 without an Xing or Info frame) or cannot know it (a FLAC
// stream of unknown length); such a file decodes under the sample bound like any other. An AIFF
// file of plain samples states its count in its COMM chunk, which the library cuts down to the
// sound data present.
std::optional<uint64_t> DeclaredFrames(const InputStream& in, const SF_INFO& info)
{
  const uint64_t reported = static_cast<uint64_t>(info.frames);
  switch (info.format & SF_FORMAT_TYPEMASK)
  {
  case SF_FORMAT_FLAC:
    return FlacStatesItsFrames(in) ? std::optional<uint64_t>(reported) : std::nullopt;
  case SF_FORMAT_MPEG:
    return Mp3StatesItsFrames(in) ? std::optional<uint64_t>(reported) : std::nullopt;
  case SF_FORMAT_AIFF:
    return std::max(reported, AiffCommFrames(in, info).value_or(0));
  default:
    return reported;
  }
}

// Closes the audio library's file when it goes.
struct SoundFileCloser
{
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// Decodes the whole of `file` into `out`, its buffers growing only with what decodes. False
// with the reason when the file declares (`declared`, where a header states the frame count) or
// decodes more than an input may hold, or decodes fewer frames than it declares.
bool Decode(const std::string& path, SNDFILE* file, const SF_INFO& info, std::optional<uint64_t> declared,
            AudioData& out, std::string& error)
{
  const uint64_t nChannels = static_cast<uint64_t>(info.channels);
  const uint64_t maxFrames = kMaxInputSamples / nChannels;
  const std::string holdable = "the " + std::to_string(kMaxInputSamples) + " samples a file of " +
                               std::to_string(kMaxInputFileSize >> 20) + " MiB can hold";
  if (declared && *declared > maxFrames)
  {
    error = path + " declares " + std::to_string(*declared) + " frames of " + std::to_string(nChannels) +
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
  if (declared && frames < *declared)
  {
    error = path + " declares " + std::to_string(*declared) + " frames but decodes only " + std::to_string(frames) +
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
    if (!Decode(path, file.get(), info, DeclaredFrames(stream, info), out, error))
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
