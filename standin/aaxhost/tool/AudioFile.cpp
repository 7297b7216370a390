// What an input file holds, and so what the reader refuses, follows one rule. ContainerDataOf
// finds where a container's audio data lie and what its header states of their size;
// ExpectedOf and the MPEG scan find what a stream states of itself; Decode holds the file to it.
// - Declared is what a header states exactly and the reader has read itself: the byte size of
//   the audio data of a WAVE (RIFF, RIFX; RF64 and BW64 by their ds64 chunk, or by the data
//   chunk's own size where the ds64 chunk leaves 0 and the data chunk states one), AIFF or AIFC,
//   AU, Wave64 or CAF file, compared with the bytes the file holds from the data's start to its
//   end; the frame count of a FLAC stream's STREAMINFO block when it is not 0, and of an AIFF
//   file's COMM chunk; and for MPEG audio the count of frames an Xing or Info frame states (not
//   0), less the encoder's delay and padding as the decoder takes them off (0 when they leave
//   nothing).
// - The audio library's own count is never taken as declared: it may only estimate (MPEG audio
//   without an Xing or Info frame) or not know (Ogg, or a count the decoder cannot make).
// - A placeholder is a size that a writer could not seek back to fill in. It declares nothing:
//   the data run to the end of the file, and the library is handed the header with the size to
//   the end in its place. The placeholders (kPlaceholders), each with the writers known to leave
//   it:
//   - all ones in a 4-byte size: AU's own "unknown" (ffmpeg and sox to a pipe), ffmpeg's WAVE
//     to a pipe, and an AIFF sound size;
//   - all ones in an 8-byte size: CAF's own "unknown" (ffmpeg to a pipe), and the RF64 ds64 and
//     Wave64 sizes;
//   - 2^63 - 1 in an 8-byte size: ffmpeg's Wave64 to a pipe;
//   - 0x7ffff000 bytes of WAVE data: sox's WAVE to a pipe;
//   - 0x7f000000 bytes of AIFF sound (an SSND size of 0x7f000008): sox's AIFF to a pipe;
//   - a size of no audio while audio follows: ffmpeg's RF64 (ds64) and AIFF to a pipe, and the
//     audio library's CAF, Wave64, WAVE and RF64 as sox writes them to a pipe. The bytes after
//     such a size are further chunks only when they are whole chunks that end the file (each
//     named by four printable characters, its size within the file; the last one's pad byte may
//     be missing, and zero bytes may follow them); otherwise they are audio.
// - Any other size larger than the file declares more than the file holds.
// - A writer that cannot seek back (sox, through the audio library, to a pipe) writes its whole
//   header again where it stands: once before the audio, and once after it. In a placeholder's
//   data, a copy of the file's header that starts them is passed over, and one that ends the
//   file ends them; the library sees the file without the copies.
// - MPEG audio (an MPEG stream outside a container, and MPEG audio in a WAVE file) is read by
//   libmpg123 directly, from its first frame to its last whole one: bytes before the first frame
//   (junk, or a damaged frame) are passed over, bytes between two frames mean the stream is
//   damaged there, and its sample rate may not change. An MPEG stream is one whose first bytes
//   (after an ID3v2 tag, if any) begin a frame, one with an ID3v2 tag before anything but a
//   FLAC stream, or one in which three whole frames follow one another after at most 64 KiB of
//   bytes that are none (all found before the audio library is asked, which sees a tagged FLAC
//   stream without its tag), or that the library opens as one.
// - A file gives every frame it holds. It is refused when it declares more than it holds (a
//   header cut short included), declares more samples than kMaxInputSamples or decodes more,
//   or decodes no frame while it holds bytes that should be audio and declares no frame count:
//   a container's audio data, a FLAC stream's frames, Ogg pages that carry audio (a granule
//   position past 0) or that its end cuts, MPEG frames.
#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/InputFile.h"

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
// The whole frames in a row, after at most as many bytes that are none, that make a file of no
// container MPEG audio, whatever it starts with.
constexpr uint64_t kGuessedMpegFrames = 3;
constexpr long kGuessedMpegJunk = 65536;

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
  uint64_t Read(const unsigned char* p) const
  {
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
      value |= static_cast<uint64_t>(p[i]) << (bigEndian ? (width - 1 - i) * 8 : i * 8);
    return value;
  }
};

// A field of a header that the audio library sees holding `value`.
struct Patch
{
  SizeField field;
  uint64_t value = 0;
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

// The block of an input file read last, kept so that walks over small headers, and a decoder
// searching byte by byte for a frame, read a block at a time.
struct ReadCache
{
  std::vector<unsigned char> block = std::vector<unsigned char>(65536);
  uint64_t at = 0;
  size_t held = 0;
};

// The bytes of an open input file from `origin` to its end, read with pread, never past the
// length the file had when it was opened, whatever it does meanwhile; reads of a block or less
// through `cache`.
struct InputStream
{
  int fd = -1;
  uint64_t origin = 0;
  sf_count_t length = 0;
  ReadCache* cache = nullptr;

  // Up to `count` bytes at `offset`; the number read (short at the end or on an error).
  sf_count_t ReadAt(sf_count_t offset, void* into, sf_count_t count) const
  {
    if (offset < 0 || offset >= length)
      return 0;
    count = std::min(count, length - offset);
    const uint64_t from = origin + static_cast<uint64_t>(offset);
    if (!cache || static_cast<size_t>(count) > cache->block.size())
      return Pread(from, into, count);
    if (from < cache->at || from + static_cast<uint64_t>(count) > cache->at + cache->held)
    {
      cache->at = from;
      cache->held = static_cast<size_t>(Pread(
        from, cache->block.data(),
        std::min<sf_count_t>(static_cast<sf_count_t>(cache->block.size()), length - offset)));
    }
    const sf_count_t got = std::min<sf_count_t>(count, static_cast<sf_count_t>(cache->at + cache->held - from));
    std::memcpy(into, cache->block.data() + (from - cache->at), static_cast<size_t>(std::max<sf_count_t>(0, got)));
    return std::max<sf_count_t>(0, got);
  }
  sf_count_t Pread(uint64_t from, void* into, sf_count_t count) const
  {
    sf_count_t got = 0;
    while (got < count)
    {
      const ssize_t n = pread(fd, static_cast<char*>(into) + got, static_cast<size_t>(count - got),
                              static_cast<off_t>(from) + got);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        break;
      got += n;
    }
    return got;
  }
  // The bytes from `offset` on, as a stream of their own.
  InputStream From(uint64_t offset) const
  {
    InputStream rest = *this;
    offset = std::min(offset, static_cast<uint64_t>(length));
    rest.origin += offset;
    rest.length -= static_cast<sf_count_t>(offset);
    return rest;
  }
};

// The bytes a file holds from `offset` to its end.
uint64_t HeldFrom(const InputStream& in, uint64_t offset)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  return length - std::min(length, offset);
}

// Whether the bytes [from, to) of a file are all zero.
bool AllZero(const InputStream& in, uint64_t from, uint64_t to)
{
  unsigned char block[4096];
  while (from < to)
  {
    const sf_count_t got = in.ReadAt(static_cast<sf_count_t>(from), block,
                                     static_cast<sf_count_t>(std::min<uint64_t>(sizeof block, to - from)));
    if (got <= 0 || std::any_of(block, block + got, [](unsigned char c) { return c != 0; }))
      return false;
    from += static_cast<uint64_t>(got);
  }
  return true;
}

// An input file as the audio library reads it: its bytes [0, headerEnd), then [dataStart,
// dataEnd), so that header copies around the audio are left out, with each patch's field
// holding its value.
struct LibraryStream
{
  const InputStream* in = nullptr;
  uint64_t headerEnd = 0;
  uint64_t dataStart = 0;
  uint64_t dataEnd = 0;
  std::vector<Patch> patches;
  sf_count_t position = 0;

  sf_count_t Size() const { return static_cast<sf_count_t>(headerEnd + (dataEnd - dataStart)); }

  static LibraryStream& Of(void* user) { return *static_cast<LibraryStream*>(user); }
  static sf_count_t Length(void* user) { return Of(user).Size(); }
  static sf_count_t Seek(sf_count_t offset, int whence, void* user)
  {
    LibraryStream& stream = Of(user);
    return SeekWithin(stream.position, stream.Size(), offset, whence);
  }
  static sf_count_t Read(void* into, sf_count_t count, void* user)
  {
    LibraryStream& stream = Of(user);
    sf_count_t got = 0;
    while (got < count && stream.position < stream.Size())
    {
      // Where the stream stands in the file, and how much follows there before a seam.
      const uint64_t at = static_cast<uint64_t>(stream.position);
      const bool header = at < stream.headerEnd;
      const uint64_t from = header ? at : at - stream.headerEnd + stream.dataStart;
      const uint64_t run = header ? stream.headerEnd - at : static_cast<uint64_t>(stream.Size()) - at;
      unsigned char* const to = static_cast<unsigned char*>(into) + got;
      const sf_count_t n = stream.in->ReadAt(static_cast<sf_count_t>(from), to,
                                             static_cast<sf_count_t>(std::min<uint64_t>(run, uint64_t(count - got))));
      if (n <= 0)
        break;
      for (const Patch& patch : stream.patches)
        for (unsigned i = 0; i < patch.field.width; ++i)
        {
          const uint64_t byte = patch.field.offset + i;
          if (byte >= from && byte < from + static_cast<uint64_t>(n))
            to[byte - from] = patch.field.Byte(patch.value, i);
        }
      got += n;
      stream.position += n;
    }
    return got;
  }
  static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
  static sf_count_t Tell(void* user) { return Of(user).position; }
};

// The containers whose headers state the size of their audio data.
enum class Container
{
  kAny,
  kWave,
  kAiff,
  kAu,
  kW64,
  kCaf,
};

// The sizes that writers leave in a header when they cannot seek back to fill it in (see the
// rule above), each taken as a placeholder in a size field of its width in its containers.
struct Placeholder
{
  Container container;
  unsigned width;
  uint64_t size;
};
constexpr Placeholder kPlaceholders[] = {
  {Container::kAny, 4, 0xffffffffu},
  {Container::kAny, 8, ~uint64_t(0)},
  {Container::kAny, 8, uint64_t(std::numeric_limits<int64_t>::max())},
  {Container::kWave, 4, 0x7ffff000u},
  {Container::kAiff, 4, 0x7f000008u},
};

// How a container lays out its chunks: an identifier of `idBytes` bytes, then a size of
// `sizeWidth` bytes, which counts the chunk's header too when `sizeCountsHeader`; each body
// padded to a multiple of `align` bytes.
struct ChunkLayout
{
  unsigned idBytes;
  unsigned sizeWidth;
  bool bigEndian;
  bool sizeCountsHeader;
  unsigned align;

  unsigned Header() const { return idBytes + sizeWidth; }
};
constexpr ChunkLayout kRiffChunks{4, 4, false, false, 2};
constexpr ChunkLayout kBigEndianRiffChunks{4, 4, true, false, 2}; // RIFX, AIFF and AIFC
constexpr ChunkLayout kW64Chunks{16, 8, false, true, 8};
constexpr ChunkLayout kCafChunks{4, 8, true, false, 1};

// A chunk as a walk meets it: its identifier, where it and its body start, its size field and
// what that holds, and the size of its body. A Wave64 chunk whose size is less than its header
// (as a signed count, so all ones too) has an empty body, as the audio library reads it.
struct Chunk
{
  const unsigned char* id;
  uint64_t offset;
  uint64_t body;
  SizeField field;
  uint64_t size;
  uint64_t bodySize;

  bool Is(const char* name) const { return std::memcmp(id, name, 4) == 0; }
};

// Walks the chunks laid out as `layout` from `offset` to the file's end: `visit(chunk)` sees
// each until it answers false. A chunk that reaches past the end ends the walk. The offset of a
// chunk header that the file's end cuts, if the walk reaches one.
template <class Visit>
std::optional<uint64_t> WalkChunks(const InputStream& in, const ChunkLayout& layout, uint64_t offset, Visit visit)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  const unsigned headerSize = layout.Header();
  while (offset < length)
  {
    if (length - offset < headerSize)
      return offset;
    unsigned char header[24];
    if (in.ReadAt(static_cast<sf_count_t>(offset), header, headerSize) != static_cast<sf_count_t>(headerSize))
      return std::nullopt;
    const SizeField field{offset + layout.idBytes, layout.sizeWidth, layout.bigEndian};
    const uint64_t size = field.Read(header + layout.idBytes);
    const uint64_t bodySize = !layout.sizeCountsHeader                                   ? size
                              : static_cast<int64_t>(size) < static_cast<int64_t>(headerSize) ? 0
                                                                                            : size - headerSize;
    const Chunk chunk{header, offset, offset + headerSize, field, size, bodySize};
    if (!visit(chunk) || bodySize > HeldFrom(in, chunk.body))
      return std::nullopt;
    offset = chunk.body + (bodySize + layout.align - 1) / layout.align * layout.align;
  }
  return std::nullopt;
}

// Whether the bytes from `offset` to the file's end are further chunks: at least one whole chunk
// (named by four printable characters, its size within the file, the last one's pad byte
// possibly missing), then nothing or zero bytes.
bool FormsWholeChunks(const InputStream& in, const ChunkLayout& layout, uint64_t offset)
{
  uint64_t chunks = 0;
  uint64_t rest = static_cast<uint64_t>(in.length);
  const std::optional<uint64_t> cut = WalkChunks(in, layout, offset, [&](const Chunk& chunk) {
    const bool whole = std::all_of(chunk.id, chunk.id + 4, [](unsigned char c) { return c >= 0x20 && c < 0x7f; }) &&
                       chunk.bodySize <= HeldFrom(in, chunk.body);
    if (!whole)
      rest = chunk.offset;
    chunks += whole;
    return whole;
  });
  return chunks > 0 && AllZero(in, cut.value_or(rest), static_cast<uint64_t>(in.length));
}

// What a container's header states of its audio data.
struct ContainerData
{
  enum Kind
  {
    kDeclared,    // `declared` bytes of audio data from `start`
    kPlaceholder, // a size the writer left unfilled: the data run from `start` to `end`
    kCutShort,    // the file ends inside the header of the chunk at `start`
  };
  Kind kind = kDeclared;
  uint64_t start = 0;
  uint64_t declared = 0;
  uint64_t end = 0;
  uint64_t headerEnd = 0; // where the header the library reads ends: `start` but for header copies
  SizeField field;        // the size field the library reads
  uint64_t extra = 0;     // what that field counts besides the audio data
  unsigned formatTag = 0; // a WAVE file's format
  std::optional<Patch> identifier; // an identifier the library knows in place of the file's
};

// The audio data at `start` of a `container` whose header at `header` states `size` in `field`:
// the audio's bytes and `extra` more. A known placeholder, or a size of no audio while audio
// follows (bytes that are no further chunks of `chunks`, or in a container of no chunks any
// bytes at all), is a placeholder. A start past the file's end cuts the header short.
ContainerData DataAt(const InputStream& in, Container container, uint64_t header, uint64_t start, uint64_t size,
                     uint64_t extra, SizeField field, const ChunkLayout* chunks)
{
  ContainerData data;
  data.start = data.headerEnd = start;
  data.field = field;
  data.extra = extra;
  if (start > static_cast<uint64_t>(in.length))
  {
    data.kind = ContainerData::kCutShort;
    data.start = header;
    return data;
  }
  const bool known = std::any_of(std::begin(kPlaceholders), std::end(kPlaceholders), [&](const Placeholder& p) {
    return (p.container == Container::kAny || p.container == container) && p.width == field.width && p.size == size;
  });
  const bool noAudio = size <= extra;
  if (known || (noAudio && HeldFrom(in, start) > 0 && !(chunks && FormsWholeChunks(in, *chunks, start))))
  {
    data.kind = ContainerData::kPlaceholder;
    data.end = static_cast<uint64_t>(in.length);
  }
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

// The format tag of a WAVE file's fmt chunk.
unsigned WaveFormat(const InputStream& in, const Chunk& fmt, bool bigEndian)
{
  unsigned char tag[2];
  if (fmt.bodySize < sizeof tag || in.ReadAt(static_cast<sf_count_t>(fmt.body), tag, sizeof tag) != sizeof tag)
    return 0;
  return bigEndian ? tag[0] << 8 | tag[1] : tag[0] | tag[1] << 8;
}

// The data of a RIFF, RIFX, RF64 or BW64 WAVE file. RF64 keeps their size in its ds64 chunk,
// which the audio library takes; where that is 0 the data chunk's own size, when it states one
// (not all ones), is theirs. The library knows BW64 as RF64.
std::optional<ContainerData> WaveData(const InputStream& in)
{
  unsigned char header[12];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header + 8, "WAVE", 4) != 0)
    return std::nullopt;
  const bool bw64 = std::memcmp(header, "BW64", 4) == 0;
  const bool rf64 = bw64 || std::memcmp(header, "RF64", 4) == 0;
  const bool rifx = std::memcmp(header, "RIFX", 4) == 0;
  if (!rf64 && !rifx && std::memcmp(header, "RIFF", 4) != 0)
    return std::nullopt;
  std::optional<SizeField> ds64Field;
  uint64_t ds64DataSize = 0;
  unsigned format = 0;
  std::optional<ContainerData> found;
  const ChunkLayout& layout = rifx ? kBigEndianRiffChunks : kRiffChunks;
  const std::optional<uint64_t> cut = WalkChunks(in, layout, 12, [&](const Chunk& chunk) {
    if (rf64 && chunk.Is("ds64"))
    {
      // The RIFF size, then the data size.
      unsigned char sizes[16];
      if (chunk.bodySize < sizeof sizes ||
          in.ReadAt(static_cast<sf_count_t>(chunk.body), sizes, sizeof sizes) != sizeof sizes)
        return false;
      ds64DataSize = LittleEndian64(sizes + 8);
      ds64Field = SizeField{chunk.body + 8, 8, false};
      return true;
    }
    if (chunk.Is("fmt "))
      format = WaveFormat(in, chunk, rifx);
    if (!chunk.Is("data"))
      return true;
    const bool ownSize = !ds64Field || (ds64DataSize == 0 && chunk.size != 0xffffffffu);
    found = DataAt(in, Container::kWave, chunk.offset, chunk.body, ownSize ? chunk.size : ds64DataSize, 0,
                   ds64Field.value_or(chunk.field), &layout);
    return false;
  });
  if (cut)
    return CutShortAt(*cut);
  if (found)
  {
    found->formatTag = format;
    if (bw64)
      found->identifier = Patch{SizeField{0, 4, true}, BigEndian32(reinterpret_cast<const unsigned char*>("RF64"))};
  }
  return found;
}

bool IsAiff(const InputStream& in)
{
  unsigned char header[12];
  return in.ReadAt(0, header, sizeof header) == sizeof header && std::memcmp(header, "FORM", 4) == 0 &&
         (std::memcmp(header + 8, "AIFF", 4) == 0 || std::memcmp(header + 8, "AIFC", 4) == 0);
}

// A chunk of an AIFF or AIFC file: where its body starts, and its size.
struct AiffChunk
{
  uint64_t body = 0;
  uint64_t size = 0;
};

// The first chunk named `id` of an AIFF or AIFC file.
std::optional<AiffChunk> FindAiffChunk(const InputStream& in, const char (&id)[5])
{
  if (!IsAiff(in))
    return std::nullopt;
  std::optional<AiffChunk> found;
  WalkChunks(in, kBigEndianRiffChunks, 12, [&](const Chunk& chunk) {
    if (!chunk.Is(id))
      return true;
    found = AiffChunk{chunk.body, chunk.bodySize};
    return false;
  });
  return found;
}

// The sound data of an AIFF or AIFC file: its SSND chunk's, less the chunk's offset and block
// size fields.
std::optional<ContainerData> AiffData(const InputStream& in)
{
  if (!IsAiff(in))
    return std::nullopt;
  std::optional<ContainerData> found;
  const std::optional<uint64_t> cut = WalkChunks(in, kBigEndianRiffChunks, 12, [&](const Chunk& chunk) {
    if (!chunk.Is("SSND"))
      return true;
    found = DataAt(in, Container::kAiff, chunk.offset, chunk.body + 8, chunk.size, 8, chunk.field,
                   &kBigEndianRiffChunks);
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
      in.ReadAt(static_cast<sf_count_t>(comm->body), counts, sizeof counts) != sizeof counts)
    return std::nullopt;
  return BigEndian32(counts + 2);
}

// The audio data of a Sun/NeXT AU file (either byte order): from the offset its header states
// (the header's length) to the end of the file, which holds nothing else.
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
  return DataAt(in, Container::kAu, 0, dataOffset, size, 0, SizeField{8, 4, big}, nullptr);
}

// The data chunk of a Sony Wave64 file. Its chunks are named by GUIDs, their 8-byte sizes count
// their own 24-byte headers, and they are padded to multiples of 8 bytes.
std::optional<ContainerData> W64Data(const InputStream& in)
{
  static const unsigned char kRiff[16] = {'r', 'i', 'f', 'f', 0x2e, 0x91, 0xcf, 0x11,
                                          0xa5, 0xd6, 0x28, 0xdb, 0x04, 0xc1, 0x00, 0x00};
  static const unsigned char kWave[16] = {'w', 'a', 'v', 'e', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  static const unsigned char kData[16] = {'d', 'a', 't', 'a', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  unsigned char header[40];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, kRiff, 16) != 0 ||
      std::memcmp(header + 24, kWave, 16) != 0)
    return std::nullopt;
  std::optional<ContainerData> found;
  const std::optional<uint64_t> cut = WalkChunks(in, kW64Chunks, sizeof header, [&](const Chunk& chunk) {
    if (std::memcmp(chunk.id, kData, 16) != 0)
      return true;
    found = DataAt(in, Container::kW64, chunk.offset, chunk.body, chunk.size, kW64Chunks.Header(), chunk.field,
                   &kW64Chunks);
    return false;
  });
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
  const std::optional<uint64_t> cut = WalkChunks(in, kCafChunks, sizeof header, [&](const Chunk& chunk) {
    if (!chunk.Is("data"))
      return true;
    found = DataAt(in, Container::kCaf, chunk.offset, chunk.body + 4, chunk.size, 4, chunk.field, &kCafChunks);
    return false;
  });
  return cut ? CutShortAt(*cut) : found;
}

// The audio data of a file in a container whose header states their size, or none. A writer
// that could not seek back may have written its header again before the audio and after it: in
// a placeholder's data, a copy of the header at their start (read as a file of its own, the same
// container with its data inside it) is passed over, once, and one as long as the header before
// the data that ends the file ends them.
std::optional<ContainerData> ContainerDataOf(const InputStream& in)
{
  for (const auto read : {&WaveData, &AiffData, &AuData, &W64Data, &CafData})
  {
    std::optional<ContainerData> data = read(in);
    if (!data)
      continue;
    if (data->kind != ContainerData::kPlaceholder)
      return data;
    uint64_t header = data->start; // the length of the header whose data these are
    const std::optional<ContainerData> before = read(in.From(data->start));
    if (before && before->kind != ContainerData::kCutShort)
    {
      header = before->start;
      data->kind = before->kind;
      data->declared = before->declared;
      data->start += before->start;
    }
    if (data->kind == ContainerData::kPlaceholder && header <= HeldFrom(in, data->start))
    {
      const std::optional<ContainerData> after = read(in.From(static_cast<uint64_t>(in.length) - header));
      if (after && after->kind != ContainerData::kCutShort)
        data->end -= header;
    }
    return data;
  }
  return std::nullopt;
}

// The bytes after an ID3v2 tag at the start of a file, or 0 without one.
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

// What a stream states of itself: the frame count a header declares, and the bytes that should
// hold audio where it declares none.
struct Expected
{
  std::optional<uint64_t> frames;
  uint64_t audioBytes = 0;
};

// What a FLAC stream states: the STREAMINFO block's total when it is not 0 ("unknown"), else the
// bytes of its frames, after its metadata blocks.
Expected FlacExpected(const InputStream& in)
{
  // The marker, the block's header (type 0, STREAMINFO, first) and its first 18 bytes.
  unsigned char start[26];
  uint64_t offset = AfterId3v2Tag(in);
  Expected expected;
  if (in.ReadAt(static_cast<sf_count_t>(offset), start, sizeof start) != sizeof start ||
      std::memcmp(start, "fLaC", 4) != 0 || (start[4] & 0x7f) != 0)
    return expected;
  // 36 bits of total samples per channel end the block's first 18 bytes.
  const uint64_t total = uint64_t(start[21] & 0x0f) << 32 | BigEndian32(start + 22);
  if (total != 0)
  {
    expected.frames = total;
    return expected;
  }
  // Each block's header: the last block's flag, its type, and 24 bits of size.
  unsigned char block[4];
  for (offset += 4; in.ReadAt(static_cast<sf_count_t>(offset), block, 4) == 4;)
  {
    offset += 4 + (uint64_t(block[1]) << 16 | uint64_t(block[2]) << 8 | block[3]);
    if (block[0] & 0x80)
    {
      expected.audioBytes = HeldFrom(in, offset);
      break;
    }
  }
  return expected;
}

// The bytes of an Ogg stream's pages that carry audio, those whose granule position is past 0
// (the headers' pages have 0, and so has an empty stream's last page), and of a page that the
// file's end cuts. Bytes after the last page that begin none are no audio.
uint64_t OggAudioBytes(const InputStream& in)
{
  uint64_t audio = 0;
  uint64_t offset = 0;
  // A page's header: "OggS", version, flags, granule position, serial number, sequence number,
  // checksum and the count of its segments, whose sizes follow.
  unsigned char header[27];
  unsigned char segments[255];
  for (;;)
  {
    const sf_count_t got = in.ReadAt(static_cast<sf_count_t>(offset), header, sizeof header);
    if (got < 4 || std::memcmp(header, "OggS", 4) != 0)
      return audio;
    if (got < static_cast<sf_count_t>(sizeof header) ||
        in.ReadAt(static_cast<sf_count_t>(offset + sizeof header), segments, header[26]) != header[26])
      return audio + HeldFrom(in, offset);
    uint64_t size = sizeof header + header[26];
    for (unsigned i = 0; i < header[26]; ++i)
      size += segments[i];
    if (size > HeldFrom(in, offset))
      return audio + HeldFrom(in, offset);
    if (LittleEndian64(header + 6) != 0)
      audio += size;
    offset += size;
  }
}

// What a file the audio library reads states of its audio (the rule's first point): a container's
// data bytes (and an AIFF COMM chunk's count of plain samples, unless the sound's size is a
// placeholder, for then the writer's count stands in too), a FLAC stream's, and an Ogg stream's
// audio pages. The library's own count is taken nowhere: it may be an estimate or unknown.
Expected ExpectedOf(const InputStream& in, const SF_INFO& info, const std::optional<ContainerData>& data,
                    uint64_t dataBytes)
{
  Expected expected;
  expected.audioBytes = data ? dataBytes : 0;
  switch (info.format & SF_FORMAT_TYPEMASK)
  {
  case SF_FORMAT_FLAC:
    return FlacExpected(in);
  case SF_FORMAT_OGG:
    expected.audioBytes = OggAudioBytes(in);
    return expected;
  case SF_FORMAT_AIFF:
    if (data && data->kind != ContainerData::kPlaceholder)
      expected.frames = AiffCommFrames(in, info);
    return expected;
  default:
    return expected;
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

// Whether `frames` decoded frames are what a file states: not fewer than it declares, and not
// none while it declares nothing and holds bytes that should be audio. False with the reason.
bool HoldsWhatItStates(const std::string& path, uint64_t frames, const Expected& expected, std::string& error)
{
  if (expected.frames && frames < *expected.frames)
  {
    error = path + " declares " + std::to_string(*expected.frames) + " frames but decodes only " +
            std::to_string(frames) + ": the file is cut short";
    return false;
  }
  if (!expected.frames && frames == 0 && expected.audioBytes > 0)
  {
    error = path + " decodes no frame from its " + std::to_string(expected.audioBytes) + " bytes of audio";
    return false;
  }
  return true;
}

// Decodes the whole of a file of `nChannels` channels from `read` into `out`, its buffers
// growing only with what decodes. False with the reason when the file declares or decodes more
// than an input may hold, cannot be decoded, or does not hold what it states.
bool Decode(const std::string& path, uint64_t nChannels, const Expected& expected, const FrameReader& read,
            AudioData& out, std::string& error)
{
  const uint64_t maxFrames = kMaxInputSamples / nChannels;
  const std::string holdable = "the " + std::to_string(kMaxInputSamples) + " samples a file of " +
                               std::to_string(kMaxInputFileSize >> 20) + " MiB can hold";
  if (expected.frames && *expected.frames > maxFrames)
  {
    error = path + " declares " + std::to_string(*expected.frames) + " frames of " + std::to_string(nChannels) +
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
  return HoldsWhatItStates(path, frames, expected, error);
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

// A libmpg123 handle reading `source`, quiet, searching past up to `junk` bytes that are no frame
// (any number when negative), with `flags` too; none, with the reason, when it cannot be had.
MpegHandle OpenMpeg(MpegSource& source, long flags, long junk, std::string& reason)
{
  static const int initialised = mpg123_init();
  int result = initialised;
  MpegHandle handle(result == MPG123_OK ? mpg123_new(nullptr, &result) : nullptr);
  if (!handle)
  {
    reason = mpg123_plain_strerror(result);
    return handle;
  }
  mpg123_handle* const mh = handle.get();
  if (mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | flags, 0.) != MPG123_OK ||
      mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.) != MPG123_OK ||
      mpg123_param(mh, MPG123_RESYNC_LIMIT, junk, 0.) != MPG123_OK ||
      mpg123_replace_reader_handle(mh, &MpegSource::Read, &MpegSource::Seek, nullptr) != MPG123_OK ||
      mpg123_open_handle(mh, &source) != MPG123_OK)
  {
    reason = mpg123_strerror(mh);
    handle.reset();
  }
  return handle;
}

// The frames of the MPEG stream in the bytes [start, end) of a file, as libmpg123 parses them one
// by one (past up to `junk` bytes that are no frame, as OpenMpeg), an Xing or Info frame among
// them: where the first starts and the last whole one ends,
// how many follow one another from the first, and what, if anything, stops them before the
// stream's end (bytes between two frames, or a change of sample rate), said after the file's
// path.
struct MpegFrames
{
  uint64_t first = 0;
  uint64_t end = 0;
  uint64_t count = 0;
  std::string fault;
};

MpegFrames ScanMpeg(const InputStream& in, uint64_t start, uint64_t end, long junk = -1)
{
  MpegFrames frames;
  frames.first = start;
  frames.end = end;
  MpegSource source{&in, start, end};
  std::string reason;
  const MpegHandle handle = OpenMpeg(source, MPG123_IGNORE_INFOFRAME, junk, reason);
  if (!handle)
  {
    frames.fault = " cannot be decoded: " + reason;
    return frames;
  }
  mpg123_handle* const mh = handle.get();
  long rate = 0;
  for (;;)
  {
    const int status = mpg123_framebyframe_next(mh);
    if (status == MPG123_DONE)
      break;
    size_t body = 0;
    mpg123_frameinfo info{};
    if ((status != MPG123_OK && status != MPG123_NEW_FORMAT) ||
        mpg123_framedata(mh, nullptr, nullptr, &body) != MPG123_OK || mpg123_info(mh, &info) != MPG123_OK)
    {
      frames.fault = " cannot be decoded after byte " + std::to_string(frames.count ? frames.end : start) + ": " +
                     mpg123_strerror(mh);
      break;
    }
    const uint64_t at = start + static_cast<uint64_t>(mpg123_framepos(mh));
    if (frames.count == 0)
    {
      frames.first = at;
      rate = info.rate;
    }
    else if (at != frames.end)
    {
      frames.fault = " is damaged at byte " + std::to_string(frames.end) +
                     ": no MPEG frame starts where the one before ends";
      break;
    }
    else if (info.rate != rate)
    {
      frames.fault = " changes its sample rate within the stream at byte " + std::to_string(at) + ", from " +
                     std::to_string(rate) + " Hz to " + std::to_string(info.rate) + " Hz";
      break;
    }
    frames.end = at + 4 + body;
    ++frames.count;
  }
  return frames;
}

// Whether an MPEG layer III frame at `offset` is an Xing or Info frame that states the stream's
// frame count (not 0). Without one the decoder only estimates the count from the file's size.
// The tag follows the side information, at the same place with or without the frame's 2 CRC
// bytes: so encoders write it, and so the decoder reads it.
bool Mp3StatesItsFrames(const InputStream& in, uint64_t offset)
{
  unsigned char frame[4 + 32 + 12];
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
  return xing && (BigEndian32(tag + 4) & 1u) != 0 && BigEndian32(tag + 8) != 0;
}

// Decodes the MPEG stream whose frames `frames` are, to its last whole frame, with libmpg123
// (the audio library's own MPEG decoder, which stops at the count it reported: for a stream
// without an Xing or Info frame an estimate from the file's size). Every frame comes out in the
// first frame's rate and channels, in floats, with the encoder's delay and padding taken off as
// the library does.
bool DecodeMpeg(const std::string& path, const InputStream& in, const MpegFrames& frames, AudioData& out,
                std::string& error)
{
  if (!frames.fault.empty())
  {
    error = path + frames.fault;
    return false;
  }
  Expected expected;
  expected.audioBytes = frames.end - frames.first;
  if (frames.count == 0)
  {
    if (HoldsWhatItStates(path, 0, expected, error))
      error = path + " holds no MPEG frame";
    return false;
  }
  MpegSource source{&in, frames.first, frames.end};
  std::string reason;
  const MpegHandle handle = OpenMpeg(source, MPG123_FORCE_FLOAT | MPG123_GAPLESS, -1, reason);
  mpg123_handle* const mh = handle.get();
  long rate = 0;
  int channels = 0, encoding = 0;
  if (!handle || mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK ||
      mpg123_format_none(mh) != MPG123_OK || mpg123_format(mh, rate, channels, MPG123_ENC_FLOAT_32) != MPG123_OK)
  {
    error = "cannot decode " + path + ": " + (handle ? mpg123_strerror(mh) : reason);
    return false;
  }
  if (rate <= 0 || rate > std::numeric_limits<int>::max() || channels <= 0)
  {
    error = "unusable audio file " + path;
    return false;
  }
  if (Mp3StatesItsFrames(in, frames.first))
    expected.frames = static_cast<uint64_t>(std::max<off_t>(0, mpg123_length(mh)));
  const size_t frameBytes = static_cast<size_t>(channels) * sizeof(float);
  const FrameReader read = [&](float* into, uint64_t count, std::string& why) -> int64_t {
    for (;;)
    {
      size_t done = 0;
      const int status = mpg123_read(mh, into, static_cast<size_t>(count) * frameBytes, &done);
      if (done >= frameBytes)
        return static_cast<int64_t>(done / frameBytes);
      if (status == MPG123_DONE)
        return 0;
      if (status != MPG123_OK && status != MPG123_NEW_FORMAT)
      {
        why = mpg123_strerror(mh);
        return -1;
      }
    }
  };
  if (!Decode(path, static_cast<uint64_t>(channels), expected, read, out, error))
    return false;
  out.sampleRate = static_cast<int>(rate);
  return true;
}

// Whether the bytes at `offset` begin a FLAC stream.
bool BeginsFlac(const InputStream& in, uint64_t offset)
{
  unsigned char marker[4];
  return in.ReadAt(static_cast<sf_count_t>(offset), marker, sizeof marker) == sizeof marker &&
         std::memcmp(marker, "fLaC", 4) == 0;
}

// Whether the bytes at `offset` begin an MPEG frame: its 11 bits of sync.
bool BeginsMpegFrame(const InputStream& in, uint64_t offset)
{
  unsigned char sync[2];
  return in.ReadAt(static_cast<sf_count_t>(offset), sync, sizeof sync) == sizeof sync && sync[0] == 0xff &&
         (sync[1] & 0xe0) == 0xe0;
}

// The audio library's file reading `library`, with what it tells of it in `info`; none when the
// library cannot read it.
SoundFile OpenWithLibrary(LibraryStream& library, SF_INFO& info)
{
  SF_VIRTUAL_IO io = {&LibraryStream::Length, &LibraryStream::Seek, &LibraryStream::Read, &LibraryStream::Write,
                      &LibraryStream::Tell};
  info = SF_INFO();
  return SoundFile(sf_open_virtual(&io, SFM_READ, &info, &library));
}

// Decodes what the audio library opened as `file` (see ExpectedOf for `data` and `dataBytes`).
bool DecodeWithLibrary(const std::string& path, const InputStream& in, const SoundFile& file, const SF_INFO& info,
                       const std::optional<ContainerData>& data, uint64_t dataBytes, AudioData& out,
                       std::string& error)
{
  if (info.channels <= 0 || info.frames < 0 || info.samplerate <= 0)
  {
    error = "unusable audio file " + path;
    return false;
  }
  const FrameReader read = [&file](float* into, uint64_t frames, std::string&) -> int64_t {
    return std::max<sf_count_t>(0, sf_readf_float(file.get(), into, static_cast<sf_count_t>(frames)));
  };
  out.sampleRate = info.samplerate;
  return Decode(path, static_cast<uint64_t>(info.channels), ExpectedOf(in, info, data, dataBytes), read, out,
                error);
}

// Reads the file `in` into `out` under the rule above. False with the reason.
bool ReadInput(const std::string& path, const InputStream& in, AudioData& out, std::string& error)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  LibraryStream library;
  library.in = &in;
  library.dataEnd = length;
  SF_INFO info;
  const std::optional<ContainerData> data = ContainerDataOf(in);
  if (data)
  {
    const uint64_t held = HeldFrom(in, data->start);
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
      library.dataEnd = data->start + data->declared;
      break;
    case ContainerData::kPlaceholder:
      library.dataEnd = data->end;
      break;
    }
    // MPEG audio: layer I or II (0x50), layer III (0x55).
    if (data->formatTag == 0x50 || data->formatTag == 0x55)
      return DecodeMpeg(path, in, ScanMpeg(in, data->start, library.dataEnd), out, error);
    library.headerEnd = data->headerEnd;
    library.dataStart = data->start;
    // The library reads the size of the data the reader takes, whatever the field holds.
    library.patches.push_back(Patch{data->field, library.dataEnd - data->start + data->extra});
    if (data->identifier)
      library.patches.push_back(*data->identifier);
    const SoundFile file = OpenWithLibrary(library, info);
    if (!file)
    {
      error = "cannot read " + path + ": " + sf_strerror(nullptr);
      return false;
    }
    return DecodeWithLibrary(path, in, file, info, data, library.dataEnd - library.dataStart, out, error);
  }
  // An MPEG stream, which the library would only estimate: its frames begin after its ID3v2 tag,
  // or it has an ID3v2 tag before anything but a FLAC stream (which the library takes for MPEG
  // audio too, wherever its frames begin).
  const uint64_t afterTag = AfterId3v2Tag(in);
  if (BeginsMpegFrame(in, afterTag) || (afterTag > 0 && !BeginsFlac(in, afterTag)))
    return DecodeMpeg(path, in, ScanMpeg(in, afterTag, length), out, error);
  // Or whole frames after bytes that are none.
  if (ScanMpeg(in, afterTag, length, kGuessedMpegJunk).count >= kGuessedMpegFrames)
    return DecodeMpeg(path, in, ScanMpeg(in, afterTag, length), out, error);
  // The library sees a tagged FLAC stream without its tag, which it might measure otherwise.
  library.dataStart = afterTag;
  SoundFile file = OpenWithLibrary(library, info);
  if (!file)
  {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
  {
    file.reset();
    return DecodeMpeg(path, in, ScanMpeg(in, afterTag, length), out, error);
  }
  return DecodeWithLibrary(path, in, file, info, std::nullopt, 0, out, error);
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
  try
  {
    ReadCache cache;
    stream.cache = &cache;
    if (ReadInput(path, stream, out, error))
      return true;
  }
  catch (const std::bad_alloc&)
  {
    error = "cannot read " + path + ": not enough memory for its audio";
  }
  out = AudioData();
  return false;
}

} // namespace aaxhost
