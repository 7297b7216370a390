// Container headers: where a container's audio data lie and what its header states of their
// size, under the rule of AudioReader.cpp. The placeholders (kPlaceholders) are the sizes that
// writers leave when they cannot seek back to fill them in, each with the writers known to
// leave it:
// - all ones in a 4-byte size: AU's own "unknown" (ffmpeg and sox to a pipe), ffmpeg's WAVE to a
//   pipe, and an AIFF sound size;
// - all ones in an 8-byte size: CAF's own "unknown" (ffmpeg to a pipe), and the RF64 ds64 and
//   Wave64 sizes;
// - 2^63 - 1 in an 8-byte size: ffmpeg's Wave64 to a pipe;
// - 0x7ffff000 bytes of WAVE data: sox's WAVE to a pipe;
// - 0x7f000000 bytes of AIFF sound (an SSND size of 0x7f000008): sox's AIFF to a pipe;
// - a size of no audio while audio follows: ffmpeg's RF64 (ds64) and AIFF to a pipe, and the
//   audio library's CAF, Wave64, WAVE and RF64 as sox writes them to a pipe. The bytes after such
//   a size are further chunks only when they are whole chunks that end the file (each named by
//   four characters from space to tilde, its size within the file; the last one's pad byte may be
//   missing, and zero bytes may follow them); otherwise they are audio.
// Any other size larger than the file declares more than the file holds.
#include "standin/aaxhost/tool/ContainerHeader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace aaxhost::input
{
namespace
{
// The most bytes a copy of a header after the audio may lack and still be found: each place it
// may start at is read.
constexpr uint64_t kMaxHeaderCut = 65536;

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


// The chunks besides the audio data that the audio library needs of a container laid out as
// `layout` (its format, and what decodes it), named by `ids`: each the first time a walk meets it
// whole. The library is shown these and the data chunk, never other chunks (metadata, whose
// contents no walk checks and the library might loop on).
class KeptChunks
{
public:
  KeptChunks(const InputStream& in, const ChunkLayout& layout, std::vector<const unsigned char*> ids)
    : mIn(in), mLayout(layout), mIds(std::move(ids)), mSeen(mIds.size(), false)
  {
  }

  void Visit(const Chunk& chunk)
  {
    for (size_t i = 0; i < mIds.size(); ++i)
      if (!mSeen[i] && std::memcmp(chunk.id, mIds[i], mLayout.idBytes) == 0 &&
          chunk.bodySize <= HeldFrom(mIn, chunk.body))
      {
        mSeen[i] = true;
        const uint64_t padded = (chunk.bodySize + mLayout.align - 1) / mLayout.align * mLayout.align;
        segments.push_back(
          Segment{chunk.offset, std::min(mLayout.Header() + padded, HeldFrom(mIn, chunk.offset))});
      }
  }
  // Those of the whole chunks from `offset` (after the audio data) to the end.
  void After(uint64_t offset)
  {
    WalkChunks(mIn, mLayout, offset, [this](const Chunk& chunk) {
      Visit(chunk);
      return true;
    });
  }

  std::vector<Segment> segments;

private:
  const InputStream& mIn;
  const ChunkLayout& mLayout;
  std::vector<const unsigned char*> mIds;
  std::vector<bool> mSeen;
};

// The name `id` as a chunk identifier.
const unsigned char* Id(const char* id) { return reinterpret_cast<const unsigned char*>(id); }

// Where the chunk a walk meets ends, its pad included.
uint64_t ChunkEnd(const Chunk& chunk, const ChunkLayout& layout)
{
  return chunk.body + (chunk.bodySize + layout.align - 1) / layout.align * layout.align;
}

// `data`, found in the data chunk that ends at `dataEnd`, with the chunks `kept` the library is
// shown, those after the audio data included when their size is declared.
std::optional<ContainerData> WithKept(std::optional<ContainerData> data, KeptChunks& kept, uint64_t preamble,
                                      uint64_t dataEnd)
{
  if (!data)
  {
    data.emplace();
    data->kind = ContainerData::kNoData;
    return data;
  }
  if (data->kind == ContainerData::kDeclared)
    kept.After(dataEnd);
  data->preamble = preamble;
  data->kept = std::move(kept.segments);
  return data;
}

// The audio data at `start` of a `container` whose header at `header` states `size` in `field`:
// the audio's bytes and `extra` more. A known placeholder, or a size of no audio while audio
// follows (bytes that are no further chunks of `chunks`, or in a container of no chunks any
// bytes at all), is a placeholder. A start past the file's end cuts the header short.
ContainerData DataAt(const InputStream& in, Container container, uint64_t header, uint64_t start, uint64_t size,
                     uint64_t extra, SizeField field, const ChunkLayout* chunks)
{
  ContainerData data;
  data.start = data.headerEnd = start;
  data.chunk = header;
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
  uint64_t dataEnd = 0;
  const ChunkLayout& layout = rifx ? kBigEndianRiffChunks : kRiffChunks;
  KeptChunks kept(in, layout, {Id("ds64"), Id("fmt "), Id("fact")});
  const std::optional<uint64_t> cut = WalkChunks(in, layout, 12, [&](const Chunk& chunk) {
    kept.Visit(chunk);
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
    dataEnd = ChunkEnd(chunk, layout);
    return false;
  });
  if (cut)
    return CutShortAt(*cut);
  found = WithKept(std::move(found), kept, 12, dataEnd);
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
  uint64_t dataEnd = 0;
  KeptChunks kept(in, kBigEndianRiffChunks, {Id("COMM"), Id("FVER")});
  const std::optional<uint64_t> cut = WalkChunks(in, kBigEndianRiffChunks, 12, [&](const Chunk& chunk) {
    kept.Visit(chunk);
    if (!chunk.Is("SSND"))
      return true;
    found = DataAt(in, Container::kAiff, chunk.offset, chunk.body + 8, chunk.size, 8, chunk.field,
                   &kBigEndianRiffChunks);
    dataEnd = ChunkEnd(chunk, kBigEndianRiffChunks);
    return false;
  });
  return cut ? CutShortAt(*cut) : WithKept(std::move(found), kept, 12, dataEnd);
}

} // namespace

// Whether the audio library's `subformat` is plain samples, a fixed number of bytes each: the
// data's size then gives the frame count exactly.
bool PlainSamples(int subformat)
{
  switch (subformat)
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
    return true;
  default:
    return false;
  }
}

// The frame count the COMM chunk of an AIFF or AIFC file of plain samples (integer, float or
// A-law and u-law, one sample a frame per channel) states. Compressed encodings may count
// otherwise, and are left to the library.
std::optional<uint64_t> AiffCommFrames(const InputStream& in, int subformat)
{
  if (!PlainSamples(subformat))
    return std::nullopt;
  // The channel count, then the frame count.
  unsigned char counts[6];
  const std::optional<AiffChunk> comm = FindAiffChunk(in, "COMM");
  if (!comm || comm->size < sizeof counts ||
      in.ReadAt(static_cast<sf_count_t>(comm->body), counts, sizeof counts) != sizeof counts)
    return std::nullopt;
  return BigEndian32(counts + 2);
}

namespace
{
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
  static const unsigned char kFmt[16] = {'f', 'm', 't', ' ', 0xf3, 0xac, 0xd3, 0x11,
                                         0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  static const unsigned char kFact[16] = {'f', 'a', 'c', 't', 0xf3, 0xac, 0xd3, 0x11,
                                          0x8c, 0xd1, 0x00, 0xc0, 0x4f, 0x8e, 0xdb, 0x8a};
  unsigned char header[40];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, kRiff, 16) != 0 ||
      std::memcmp(header + 24, kWave, 16) != 0)
    return std::nullopt;
  std::optional<ContainerData> found;
  uint64_t dataEnd = 0;
  KeptChunks kept(in, kW64Chunks, {kFmt, kFact});
  const std::optional<uint64_t> cut = WalkChunks(in, kW64Chunks, sizeof header, [&](const Chunk& chunk) {
    kept.Visit(chunk);
    if (std::memcmp(chunk.id, kData, 16) != 0)
      return true;
    found = DataAt(in, Container::kW64, chunk.offset, chunk.body, chunk.size, kW64Chunks.Header(), chunk.field,
                   &kW64Chunks);
    dataEnd = ChunkEnd(chunk, kW64Chunks);
    return false;
  });
  return cut ? CutShortAt(*cut) : WithKept(std::move(found), kept, sizeof header, dataEnd);
}

// The data chunk of a Core Audio (CAF) file: chunks of a 4-byte type and an 8-byte big-endian
// size, unpadded, after an 8-byte header; the data chunk's body starts with a 4-byte edit count.
std::optional<ContainerData> CafData(const InputStream& in)
{
  unsigned char header[8];
  if (in.ReadAt(0, header, sizeof header) != sizeof header || std::memcmp(header, "caff", 4) != 0)
    return std::nullopt;
  std::optional<ContainerData> found;
  uint64_t dataEnd = 0;
  KeptChunks kept(in, kCafChunks, {Id("desc"), Id("kuki"), Id("pakt")});
  const std::optional<uint64_t> cut = WalkChunks(in, kCafChunks, sizeof header, [&](const Chunk& chunk) {
    kept.Visit(chunk);
    if (!chunk.Is("data"))
      return true;
    found = DataAt(in, Container::kCaf, chunk.offset, chunk.body + 4, chunk.size, 4, chunk.field, &kCafChunks);
    dataEnd = ChunkEnd(chunk, kCafChunks);
    return false;
  });
  return cut ? CutShortAt(*cut) : WithKept(std::move(found), kept, sizeof header, dataEnd);
}

} // namespace

// The audio data of a file in a container whose header states their size, or none. A writer
// that could not seek back may have written its header again before the audio and after it: in
// a placeholder's data, a copy of the header at their start (read as a file of its own, the same
// container with its data inside it) is passed over, once, and one within the last bytes as
// long as the header before the data, read as the container (whole, or cut by the file's end),
// ends them.
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
    if (before && (before->kind == ContainerData::kDeclared || before->kind == ContainerData::kPlaceholder))
    {
      header = before->start;
      data->kind = before->kind;
      data->declared = before->declared;
      data->start += before->start;
    }
    if (data->kind == ContainerData::kPlaceholder)
    {
      // The first place in the data's last `header` bytes where the file's end reads as the
      // container, its header whole or cut (by less than kMaxHeaderCut bytes).
      const uint64_t held = HeldFrom(in, data->start);
      const uint64_t whole = data->start + (held > header ? held - header : 0);
      for (uint64_t at = whole; at < data->end && at - whole < kMaxHeaderCut; ++at)
        if (read(in.From(at)))
        {
          data->end = at;
          break;
        }
    }
    return data;
  }
  return std::nullopt;
}
} // namespace aaxhost::input
