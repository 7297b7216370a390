// What an input file declares, and so what the reader refuses, follows one rule, kept in
// ContainerDataOf (the audio data's size) and DeclaredFrames (the frame count) below:
// - Declared is what a header states exactly and the reader has read itself: the byte size of
//   the audio data of a WAVE (RIFF, RIFX; RF64 and BW64 by their ds64 chunk), AIFF or AIFC,
//   AU, Wave64 or CAF file, compared with the bytes the file holds from the data's start to its
//   end; the frame count of a FLAC stream's STREAMINFO block when it is not 0, and of an AIFF
//   file's COMM chunk; and for an MP3 file the decoder's count, only when an Xing or Info frame
//   states the stream's frames.
// - The audio library's own count is never taken as declared: it may only estimate (an MP3
//   without an Xing or Info frame, MPEG audio inside a WAVE file) or not know (Ogg).
// - A size that a writer could not seek back to fill (a placeholder: all ones, sox's 0x7f000000
//   bytes of AIFF sound, or no audio at all while audio follows) declares nothing: the data run
//   to the end of the file, and the library is handed the header with that size in its place.
// - A file gives every frame it holds. It is refused only when it declares more than it holds
//   (a chunk header cut short included), declares more samples than kMaxInputSamples or
//   decodes more.
#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/OutputFile.h"

#include <mpg123.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
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

uint64_t BigEndian64(const unsigned char* p)
{
  return static_cast<uint64_t>(BigEndian32(p)) << 32 | BigEndian32(p + 4);
}

// A header's size field: `width` (4 or 8) bytes at `offset` in either byte order.
struct SizeField
{
  uint64_t offset = 0;
  unsigned width = 4;
  bool bigEndian = false;

  // The byte `i` (from the field's start) of `value` written in this field.
  unsigned char Byte(uint64_t value, unsigned i) const
  {
    return static_cast<unsigned char>(value >> (bigEndian ? (width - 1 - i) * 8 : i * 8));
  }
};

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
// file had when it was opened, whatever it does meanwhile. The library sees one size field,
// `patched`, holding `patchedValue` in place of a writer's placeholder; the reader's own header
// checks see the file as it is.
struct InputStream
{
  int fd = -1;
  sf_count_t length = 0;
  sf_count_t position = 0;
  std::optional<SizeField> patched;
  uint64_t patchedValue = 0;

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
    if (stream.patched)
    {
      for (unsigned i = 0; i < stream.patched->width; ++i)
      {
        const uint64_t at = stream.patched->offset + i;
        if (at >= static_cast<uint64_t>(stream.position) && at < static_cast<uint64_t>(stream.position + got))
          static_cast<unsigned char*>(into)[at - static_cast<uint64_t>(stream.position)] =
            stream.patched->Byte(stream.patchedValue, i);
      }
    }
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

// What a container's header states of its audio data.
struct ContainerData
{
  enum Kind
  {
    kDeclared,    // `declared` bytes of audio data from `start`
    kPlaceholder, // a size the writer left unfilled, in `field`: the data run from `start` to the end
    kCutShort,    // the file ends inside the header of the chunk at `start`
  };
  Kind kind = kDeclared;
  uint64_t start = 0;
  uint64_t declared = 0;
  SizeField field;
  uint64_t extra = 0; // what the size field counts besides the audio data
};

// The bytes a file holds from `offset` to its end.
uint64_t HeldFrom(const InputStream& in, uint64_t offset)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  return length - std::min(length, offset);
}

// Whether the bytes at `offset` begin a chunk: an identifier of four printable characters.
bool BeginsChunk(const InputStream& in, uint64_t offset)
{
  unsigned char id[4];
  return in.ReadAt(static_cast<sf_count_t>(offset), id, sizeof id) == sizeof id &&
         std::all_of(id, id + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

// The audio data at `start` of a header whose `field` holds `size`: the audio's bytes and
// `extra` more. All ones (and, in 8 bytes, the largest signed count) is a placeholder; so is a
// size of no audio while audio follows: bytes that begin no further chunk (in a `chunked`
// container) or any bytes at all.
ContainerData DataAt(const InputStream& in, uint64_t start, uint64_t size, uint64_t extra, SizeField field,
                     bool chunked)
{
  ContainerData data;
  data.start = start;
  data.field = field;
  data.extra = extra;
  const uint64_t allOnes = field.width == 8 ? ~uint64_t(0) : 0xffffffffu;
  const bool noAudio = size <= extra;
  const bool audioFollows = HeldFrom(in, start) > 0 && !(chunked && BeginsChunk(in, start));
  if (size == allOnes || (field.width == 8 && size == uint64_t(std::numeric_limits<int64_t>::max())) ||
      (noAudio && audioFollows))
    data.kind = ContainerData::kPlaceholder;
  else
    data.declared = noAudio ? 0 : size - extra;
  return data;
}

ContainerData CutShortAt(uint64_t offset)
{
  ContainerData data;
  data.kind = ContainerData::kCutShort;
  data.start = offset;
  return data;
}

// Walks the chunks, each with a header of kHeader bytes, from `offset` to the file's end:
// `visit(header, its offset)` gives where the next chunk starts, or none to stop. The offset of
// a chunk header that the file's end cuts, if the walk reaches one.
template <size_t kHeader, class Visit>
std::optional<uint64_t> WalkChunks(const InputStream& in, uint64_t offset, Visit visit)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  while (offset < length)
  {
    if (length - offset < kHeader)
      return offset;
    unsigned char header[kHeader];
    if (in.ReadAt(static_cast<sf_count_t>(offset), header, kHeader) != static_cast<sf_count_t>(kHeader))
      return std::nullopt;
    const std::optional<uint64_t> next = visit(header, offset);
    if (!next)
      return std::nullopt;
    offset = *next;
  }
  return std::nullopt;
}

// The chunks of a RIFF or AIFF file after its 12-byte header: an identifier and a 4-byte size
// (big-endian in AIFF and RIFX), each body padded to an even size. `visit(identifier, body's
// offset, size)` sees every chunk until it answers false; as WalkChunks.
template <class Visit>
std::optional<uint64_t> WalkEvenPaddedChunks(const InputStream& in, bool bigEndian, Visit visit)
{
  return WalkChunks<8>(in, 12, [&](const unsigned char* chunk, uint64_t offset) -> std::optional<uint64_t> {
    const uint32_t size = bigEndian ? BigEndian32(chunk + 4) : LittleEndian32(chunk + 4);
    if (!visit(chunk, offset + 8, size))
      return std::nullopt;
    return offset + 8 + size + (size & 1u);
  });
}

// The data of a RIFF, RIFX, RF64 or BW64 WAVE file. RF64 keeps their size in its ds64 chunk,
// which the audio library takes whatever the data chunk's own size says.
std::optional<ContainerData> WaveData(const InputStream& in)
{
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header + 8, "WAVE", 4) != 0)
    return std::nullopt;
  const bool rf64 = std::memcmp(header, "RF64", 4) == 0 || std::memcmp(header, "BW64", 4) == 0;
  const bool rifx = std::memcmp(header, "RIFX", 4) == 0;
  if (!rf64 && !rifx && std::memcmp(header, "RIFF", 4) != 0)
    return std::nullopt;
  std::optional<SizeField> ds64Field;
  uint64_t ds64DataSize = 0;
  std::optional<ContainerData> found;
  const std::optional<uint64_t> cut =
    WalkEvenPaddedChunks(in, rifx, [&](const unsigned char* id, uint64_t body, uint32_t size) {
      if (rf64 && std::memcmp(id, "ds64", 4) == 0)
      {
        // The RIFF size, then the data size.
        unsigned char sizes[16];
        if (size < sizeof sizes || in.ReadAt(static_cast<sf_count_t>(body), sizes, sizeof sizes) != sizeof sizes)
          return false;
        ds64DataSize = LittleEndian64(sizes + 8);
        ds64Field = SizeField{body + 8, 8, false};
        return true;
      }
      if (std::memcmp(id, "data", 4) != 0)
        return true;
      found = ds64Field ? DataAt(in, body, ds64DataSize, 0, *ds64Field, true)
                        : DataAt(in, body, size, 0, SizeField{body - 4, 4, rifx}, true);
      return false;
    });
  return cut ? CutShortAt(*cut) : found;
}

// A chunk of an AIFF or AIFC file: where its body starts, and its size.
struct AiffChunk
{
  uint64_t offset = 0;
  uint32_t size = 0;
};

bool IsAiff(const InputStream& in)
{
  unsigned char header[12];
  return in.ReadAt(0, header, sizeof header) == sizeof header && std::memcmp(header, "FORM", 4) == 0 &&
         (std::memcmp(header + 8, "AIFF", 4) == 0 || std::memcmp(header + 8, "AIFC", 4) == 0);
}

// The first chunk named `id` of an AIFF or AIFC file.
std::optional<AiffChunk> FindAiffChunk(const InputStream& in, const char (&id)[5])
{
  if (!IsAiff(in))
    return std::nullopt;
  std::optional<AiffChunk> found;
  WalkEvenPaddedChunks(in, true, [&](const unsigned char* chunk, uint64_t body, uint32_t size) {
    if (std::memcmp(chunk, id, 4) != 0)
      return true;
    found = AiffChunk{body, size};
    return false;
  });
  return found;
}

// The sound data of an AIFF or AIFC file: its SSND chunk's, less the chunk's offset and block
// size fields. sox, writing to a pipe, leaves 0x7f000000 bytes of sound declared.
std::optional<ContainerData> AiffData(const InputStream& in)
{
  if (!IsAiff(in))
    return std::nullopt;
  std::optional<ContainerData> found;
  const std::optional<uint64_t> cut =
    WalkEvenPaddedChunks(in, true, [&](const unsigned char* id, uint64_t body, uint32_t size) {
      if (std::memcmp(id, "SSND", 4) != 0)
        return true;
      found = DataAt(in, body + 8, size, 8, SizeField{body - 4, 4, true}, true);
      if (size == 0x7f000008u)
        found->kind = ContainerData::kPlaceholder;
      return false;
    });
  return cut ? CutShortAt(*cut) : found;
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

// The audio data of a Sun/NeXT AU file (either byte order): from the offset its header states
// to the end of the file, which holds nothing else.
std::optional<ContainerData> AuData(const InputStream& in)
{
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header)
    return std::nullopt;
  const bool big = std::memcmp(header, ".snd", 4) == 0;
  if (!big && std::memcmp(header, "dns.", 4) != 0)
    return std::nullopt;
  const uint32_t dataOffset = big ? BigEndian32(header + 4) : LittleEndian32(header + 4);
  const uint32_t size = big ? BigEndian32(header + 8) : LittleEndian32(header + 8);
  return DataAt(in, dataOffset, size, 0, SizeField{8, 4, big}, false);
}

// The data chunk of a Sony Wave64 file. Its chunks are named by GUIDs, their 8-byte sizes count
// their own 24-byte headers, and they are padded to multiples of 8 bytes. A chunk whose size is
// less than its header (as a signed count, so all ones too) is passed over as empty, as the
// audio library does.
std::optional<ContainerData> W64Data(const InputStream& in)
{
  static const unsigned char kRiff[16] = {'r', 'i', 'f', 'f', 0x2e, 0x91, 0xcf, 0x11,
                                          0xa5, 0xd6, 0x28, 0xdb, 0x04, 0xc1, 0x00, 0x00};
  static const unsigned char kWave[16] = {'w', 'a', 'v', 'e', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  static const unsigned char kData[16] = {'d', 'a', 't', 'a', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  constexpr uint64_t kChunkHeader = 24;
  unsigned char header[40];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, kRiff, 16) != 0 ||
      std::memcmp(header + 24, kWave, 16) != 0)
    return std::nullopt;
  std::optional<ContainerData> found;
  const auto visit = [&](const unsigned char* chunk, uint64_t offset) -> std::optional<uint64_t> {
    const uint64_t size = LittleEndian64(chunk + 16);
    const uint64_t body = offset + kChunkHeader;
    if (std::memcmp(chunk, kData, 16) == 0)
    {
      found = DataAt(in, body, size, kChunkHeader, SizeField{offset + 16, 8, false}, true);
      return std::nullopt;
    }
    if (static_cast<int64_t>(size) < static_cast<int64_t>(kChunkHeader))
      return body;
    // A chunk reaching past the end ends the walk (and keeps the sum below from overflowing).
    if (size - kChunkHeader > HeldFrom(in, body))
      return std::nullopt;
    return offset + ((size + 7) & ~uint64_t(7));
  };
  const std::optional<uint64_t> cut = WalkChunks<kChunkHeader>(in, sizeof header, visit);
  return cut ? CutShortAt(*cut) : found;
}

// The data chunk of a Core Audio (CAF) file: chunks of a 4-byte type and an 8-byte big-endian
// size, unpadded, after an 8-byte header; the data chunk's body starts with a 4-byte edit count.
std::optional<ContainerData> CafData(const InputStream& in)
{
  unsigned char header[8];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, "caff", 4) != 0)
    return std::nullopt;
  std::optional<ContainerData> found;
  const auto visit = [&](const unsigned char* chunk, uint64_t offset) -> std::optional<uint64_t> {
    const uint64_t size = BigEndian64(chunk + 4);
    const uint64_t body = offset + 12;
    if (std::memcmp(chunk, "data", 4) == 0)
    {
      found = DataAt(in, body + 4, size, 4, SizeField{offset + 4, 8, true}, true);
      return std::nullopt;
    }
    if (size > HeldFrom(in, body))
      return std::nullopt;
    return body + size;
  };
  const std::optional<uint64_t> cut = WalkChunks<12>(in, sizeof header, visit);
  return cut ? CutShortAt(*cut) : found;
}

// The audio data of a file in a container whose header states their size, or none.
std::optional<ContainerData> ContainerDataOf(const InputStream& in)
{
  for (const auto read : {&WaveData, &AiffData, &AuData, &W64Data, &CafData})
  {
    if (std::optional<ContainerData> data = read(in))
      return data;
  }
  return std::nullopt;
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
// frame count. Without one the decoder only estimates the count from the file's size. The tag
// follows the side information, at the same place with or without the frame's 2 CRC bytes: so
// encoders write it, and so the decoder reads it.
bool Mp3StatesItsFrames(const InputStream& in)
{
  const uint64_t offset = AfterId3v2Tag(in);
  unsigned char frame[4 + 32 + 8];
  if (in.ReadAt(static_cast<sf_count_t>(offset), frame, sizeof frame) != sizeof frame)
    return false;
  const int version = frame[1] >> 3 & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const int layer = frame[1] >> 1 & 3;   // 1: layer III
  if (frame[0] != 0xff || (frame[1] & 0xe0) != 0xe0 || version == 1 || layer != 1)
    return false;
  const bool mono = (frame[3] >> 6) == 3;
  const size_t sideInfo = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const unsigned char* tag = frame + 4 + sideInfo;
  const bool xing = std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0;
  return xing && (BigEndian32(tag + 4) & 1u) != 0;
}

// The frame count a header states exactly, or none: a FLAC stream's STREAMINFO total when it is
// known, an MP3 file's count (as the decoder takes it, less the encoder's delay and padding)
// when its Xing or Info frame states it, and the COMM chunk's count of an AIFF file of plain
// samples whose sound data's size is not a placeholder (the writer's frame count then stands
// in too). The library's own count is taken nowhere else: it may be an estimate or unknown.
std::optional<uint64_t> DeclaredFrames(const InputStream& in, const SF_INFO& info,
                                       const std::optional<ContainerData>& data)
{
  const uint64_t reported = static_cast<uint64_t>(info.frames);
  switch (info.format & SF_FORMAT_TYPEMASK)
  {
  case SF_FORMAT_FLAC:
    return FlacStatesItsFrames(in) ? std::optional<uint64_t>(reported) : std::nullopt;
  case SF_FORMAT_MPEG:
    return Mp3StatesItsFrames(in) ? std::optional<uint64_t>(reported) : std::nullopt;
  case SF_FORMAT_AIFF:
    if (data && data->kind == ContainerData::kPlaceholder)
      return std::nullopt;
    return AiffCommFrames(in, info);
  default:
    return std::nullopt;
  }
}

// Closes the audio library's file when it goes.
struct SoundFileCloser
{
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// Reads up to `frames` interleaved frames into `into`: how many it read, 0 at the end of the
// audio, or -1 when decoding fails (with the reason in `reason`).
using FrameReader = std::function<int64_t(float* into, uint64_t frames, std::string& reason)>;

// Decodes the whole of a file of `nChannels` channels from `read` into `out`, its buffers
// growing only with what decodes. False with the reason when the file declares (`declared`,
// where a header states the frame count) or decodes more than an input may hold, decodes fewer
// frames than it declares, or cannot be decoded.
bool Decode(const std::string& path, uint64_t nChannels, std::optional<uint64_t> declared, const FrameReader& read,
            AudioData& out, std::string& error)
{
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
    std::string reason;
    const int64_t got = read(block.data(), wanted, reason);
    if (got < 0)
    {
      error = "cannot decode " + path + ": " + reason;
      return false;
    }
    if (got == 0)
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

// The bytes [start, end) of an input file as libmpg123 reads them.
struct MpegSource
{
  const InputStream* in = nullptr;
  uint64_t start = 0;
  uint64_t end = 0;
  sf_count_t position = 0; // from start

  static MpegSource& Of(void* user) { return *static_cast<MpegSource*>(user); }
  sf_count_t Size() const { return static_cast<sf_count_t>(end > start ? end - start : 0); }
  static mpg123_ssize_t Read(void* user, void* into, size_t count)
  {
    MpegSource& source = Of(user);
    const sf_count_t wanted =
      std::min<sf_count_t>(static_cast<sf_count_t>(std::min<size_t>(count, kMaxInputFileSize)),
                           std::max<sf_count_t>(0, source.Size() - source.position));
    const sf_count_t got =
      source.in->ReadAt(static_cast<sf_count_t>(source.start) + source.position, into, wanted);
    source.position += got;
    return static_cast<mpg123_ssize_t>(got);
  }
  static off_t Seek(void* user, off_t offset, int whence)
  {
    MpegSource& source = Of(user);
    return static_cast<off_t>(SeekWithin(source.position, source.Size(), offset, whence));
  }
};

// Closes and frees a libmpg123 handle when it goes.
struct MpegCloser
{
  void operator()(mpg123_handle* handle) const
  {
    mpg123_close(handle);
    mpg123_delete(handle);
  }
};
using MpegHandle = std::unique_ptr<mpg123_handle, MpegCloser>;

// Decodes the MPEG audio in the bytes [start, end) of `in` with libmpg123 (the audio library's
// own MPEG decoder), to the end of the stream: the library stops at the count it reported,
// which for a stream without an Xing or Info frame is an estimate from the file's size. Every
// frame comes out in the first frame's rate and channels, in floats, with the encoder's delay
// and padding taken off as the library does. `declared` as for Decode.
bool DecodeMpeg(const std::string& path, const InputStream& in, uint64_t start, uint64_t end,
                std::optional<uint64_t> declared, AudioData& out, std::string& error)
{
  static const int initialised = mpg123_init();
  int result = initialised;
  const MpegHandle handle(result == MPG123_OK ? mpg123_new(nullptr, &result) : nullptr);
  if (!handle)
  {
    error = "cannot decode " + path + ": " + mpg123_plain_strerror(result);
    return false;
  }
  mpg123_handle* const mh = handle.get();
  MpegSource source;
  source.in = &in;
  source.start = start;
  source.end = end;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT | MPG123_GAPLESS, 0.) != MPG123_OK ||
      mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.) != MPG123_OK ||
      mpg123_replace_reader_handle(mh, &MpegSource::Read, &MpegSource::Seek, nullptr) != MPG123_OK ||
      mpg123_open_handle(mh, &source) != MPG123_OK || mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK ||
      mpg123_format_none(mh) != MPG123_OK || mpg123_format(mh, rate, channels, MPG123_ENC_FLOAT_32) != MPG123_OK)
  {
    error = "cannot decode " + path + ": " + mpg123_strerror(mh);
    return false;
  }
  if (rate <= 0 || rate > std::numeric_limits<int>::max() || channels <= 0)
  {
    error = "unusable audio file " + path;
    return false;
  }
  const size_t frameBytes = static_cast<size_t>(channels) * sizeof(float);
  const FrameReader read = [&](float* into, uint64_t frames, std::string& reason) -> int64_t {
    for (;;)
    {
      size_t done = 0;
      const int status = mpg123_read(mh, into, static_cast<size_t>(frames) * frameBytes, &done);
      if (done >= frameBytes)
        return static_cast<int64_t>(done / frameBytes);
      if (status == MPG123_DONE)
        return 0;
      if (status != MPG123_OK && status != MPG123_NEW_FORMAT)
      {
        reason = mpg123_strerror(mh);
        return -1;
      }
    }
  };
  if (!Decode(path, static_cast<uint64_t>(channels), declared, read, out, error))
    return false;
  out.sampleRate = static_cast<int>(rate);
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
  const std::optional<ContainerData> data = ContainerDataOf(stream);
  if (data)
  {
    const uint64_t held = HeldFrom(stream, data->start);
    switch (data->kind)
    {
    case ContainerData::kCutShort:
      error = path + " ends inside the header of its chunk at byte " + std::to_string(data->start) +
              ": the file is cut short";
      return false;
    case ContainerData::kDeclared:
      if (data->declared > held)
      {
        error = path + " declares " + std::to_string(data->declared) + " bytes of audio data but holds only " +
                std::to_string(held) + ": the file is cut short";
        return false;
      }
      break;
    case ContainerData::kPlaceholder:
      // The library reads the data to the end of the file, whatever the placeholder says.
      stream.patched = data->field;
      stream.patchedValue = held + data->extra;
      break;
    }
  }
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
  const int encoding = info.format & SF_FORMAT_SUBMASK;
  const bool mpeg = encoding == SF_FORMAT_MPEG_LAYER_I || encoding == SF_FORMAT_MPEG_LAYER_II ||
                    encoding == SF_FORMAT_MPEG_LAYER_III;
  const bool mpegStream = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
  const uint64_t length = static_cast<uint64_t>(stream.length);
  const std::optional<uint64_t> declared = DeclaredFrames(stream, info, data);
  try
  {
    bool decoded = false;
    if (mpeg && mpegStream)
      decoded = DecodeMpeg(path, stream, 0, length, declared, out, error);
    else if (mpeg && data)
      // MPEG audio inside a container: its data's bytes.
      decoded = DecodeMpeg(path, stream, data->start,
                           data->kind == ContainerData::kDeclared ? data->start + data->declared : length, declared,
                           out, error);
    else
    {
      const FrameReader read = [&file](float* into, uint64_t frames, std::string&) -> int64_t {
        return std::max<sf_count_t>(0, sf_readf_float(file.get(), into, static_cast<sf_count_t>(frames)));
      };
      decoded = Decode(path, static_cast<uint64_t>(info.channels), declared, read, out, error);
      out.sampleRate = info.samplerate;
    }
    if (!decoded)
      return out = AudioData(), false;
  }
  catch (const std::bad_alloc&)
  {
    out = AudioData();
    error = "cannot read " + path + ": not enough memory for its audio";
    return false;
  }
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
