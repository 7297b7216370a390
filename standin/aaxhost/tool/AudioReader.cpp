// What an input file holds, and so what the reader refuses, follows one rule. ContainerDataOf
// (ContainerHeader.h) finds where a container's audio data lie and what its header states of
// their size; ExpectedOf and the MPEG scan (MpegInput.h) find what a stream states of itself; the
// reader holds the file to it as it decodes.
// - Declared is what a header states exactly and the reader has read itself: the byte size of
//   the audio data of a WAVE (RIFF, RIFX; RF64 and BW64 by their ds64 chunk, or by the data
//   chunk's own size where the ds64 chunk leaves 0 and the data chunk states one), AIFF or AIFC,
//   AU, Wave64 or CAF file, compared with the bytes the file holds from the data's start to its
//   end; the frame count of a FLAC stream's STREAMINFO block when it is not 0, and of an AIFF
//   file's COMM chunk; and for MPEG audio the count of frames each part's Xing or Info frame
//   states (not 0), less the encoder's delay and padding as the decoder takes them off (0 when
//   they leave nothing).
// - The audio library's own count is never taken as declared: it may only estimate (MPEG audio
//   without an Xing or Info frame) or not know (Ogg, or a count the decoder cannot make).
// - A placeholder (see ContainerHeader.cpp) is a size that a writer could not seek back to fill
//   in. It declares nothing: the data run to the end of the file, and the library is handed the
//   header with the size to the end in its place.
// - A writer that cannot seek back (sox, through the audio library, to a pipe) writes its whole
//   header again where it stands: once before the audio, and once after it. In a placeholder's
//   data, a copy of the file's header that starts them is passed over, and one that ends the
//   file, whole or cut, ends them; the library sees the file without the copies.
// - The library is shown only the chunks of a container that the reader's walk has checked and
//   that it needs to decode the audio (see KeptChunks), before the data chunk wherever they stand
//   in the file; never metadata, whose contents no walk checks.
// - MPEG audio (an MPEG stream outside a container, and MPEG audio in a WAVE file) is read by
//   libmpg123 directly, from its first frame to its last whole one: bytes before the first frame
//   (junk, or a damaged frame) are passed over; between two frames, whole tags (ID3v2, ID3v1,
//   APE, Lyrics3) are passed over and any other bytes mean the stream is damaged there; its
//   sample rate may not change; each Xing or Info frame after the first starts a part of its
//   own, as files joined end to end. An MPEG stream is one whose first bytes (after an ID3v2
//   tag, if any) begin a frame, one with an ID3v2 tag before anything but a FLAC stream or a
//   container, or one in which three whole frames follow one another after at most 64 KiB
//   (65,536 bytes) that are none (all found before the audio library is asked, which sees a
//   tagged FLAC stream without its tag), or that the library opens as one.
// - ID3v2 tags before a container are passed over: the container is read as it stands after
//   them.
// - A file gives every frame it holds, of any length, read block by block in memory that does
//   not grow with it. It is refused when it declares more than it holds (a header cut short
//   included), or decodes no frame while it holds bytes that should be audio and declares no
//   frame count: a container's audio data, a FLAC stream's frames, Ogg pages that carry audio
//   (a granule position past 0) or that its end cuts, MPEG frames. What shows only at the end
//   (fewer frames decoded than declared) fails the read there.
#include "standin/aaxhost/tool/AudioReader.h"

#include "standin/aaxhost/tool/ContainerHeader.h"
#include "standin/aaxhost/tool/InputBytes.h"
#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/MpegInput.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <new>

namespace aaxhost
{
namespace
{
using namespace input;

// Samples, of all channels together, decoded at a time.
constexpr size_t kBlockSamples = 65536;
// The whole frames in a row, after at most as many bytes that are none (64 KiB, 65,536 bytes,
// included), that make a file of no container MPEG audio, whatever it starts with.
constexpr uint64_t kGuessedMpegFrames = 3;
constexpr uint64_t kGuessedMpegJunk = 65536;

// An input file as the audio library reads it: the runs `segments` of its bytes one after
// another, with each patch's field (at its place in the file) holding its value.
struct LibraryStream
{
  const InputStream* in = nullptr;
  std::vector<Segment> segments;
  std::vector<Patch> patches;
  sf_count_t position = 0;

  sf_count_t Size() const
  {
    uint64_t size = 0;
    for (const Segment& segment : segments)
      size += segment.size;
    return static_cast<sf_count_t>(size);
  }

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
      // The segment the stream stands in, where that is in the file, and how much of it follows.
      uint64_t at = static_cast<uint64_t>(stream.position);
      size_t i = 0;
      while (at >= stream.segments[i].size)
        at -= stream.segments[i++].size;
      const uint64_t from = stream.segments[i].from + at;
      const uint64_t run = stream.segments[i].size - at;
      unsigned char* const to = static_cast<unsigned char*>(into) + got;
      const sf_count_t n = stream.in->ReadAt(static_cast<sf_count_t>(from), to,
                                             static_cast<sf_count_t>(std::min<uint64_t>(run, uint64_t(count - got))));
      if (n <= 0)
        break;
      for (const Patch& patch : stream.patches)
        for (unsigned b = 0; b < patch.field.width; ++b)
        {
          const uint64_t byte = patch.field.offset + b;
          if (byte >= from && byte < from + static_cast<uint64_t>(n))
            to[byte - from] = patch.field.Byte(patch.value, b);
        }
      got += n;
      stream.position += n;
    }
    return got;
  }
  static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
  static sf_count_t Tell(void* user) { return Of(user).position; }
};

// Closes the audio library's file when it goes.
struct SoundFileCloser
{
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

// What a stream states of itself: the frame count a header declares, and the bytes that should
// hold audio where it declares none.
struct Expected
{
  std::optional<uint64_t> frames;
  uint64_t audioBytes = 0;
};

// What a FLAC stream at `offset` states: the STREAMINFO block's total when it is not 0
// ("unknown"), else the bytes of its frames, after its metadata blocks.
Expected FlacExpected(const InputStream& in, uint64_t offset)
{
  // The marker, the block's header (type 0, STREAMINFO, first) and its first 18 bytes.
  unsigned char start[26];
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

// Whether the bytes at `offset` begin a FLAC stream.
bool BeginsFlac(const InputStream& in, uint64_t offset)
{
  unsigned char marker[4];
  return in.ReadAt(static_cast<sf_count_t>(offset), marker, sizeof marker) == sizeof marker &&
         std::memcmp(marker, "fLaC", 4) == 0;
}

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

// Reads up to `frames` interleaved frames into `into`: how many it read, 0 at the end of the
// audio, or -1 when decoding fails (with the whole reason, naming the file, in `error`).
using BlockDecoder = std::function<int64_t(float* into, uint64_t frames, std::string& error)>;

// An input file read block by block: the file and the bytes it had when opened, and a decoder of
// them (the audio library's or libmpg123's), held to what the file states.
class InputReader final : public AudioReader
{
public:
  InputReader(std::string path, plug::RegularFile file) : mPath(std::move(path)), mFile(std::move(file))
  {
    mStream.fd = mFile.Descriptor();
    mStream.length = static_cast<sf_count_t>(mFile.Size());
    mStream.cache = &mCache;
  }

  bool Open(std::string& error);

  int64_t Read(float* const* channels, int64_t frames, std::string& error) override
  {
    try
    {
      return ReadBlocks(channels, frames, error);
    }
    catch (const std::exception&)
    {
      mEnded = true;
      mFault = error = "cannot read " + mPath + ": not enough memory";
      return -1;
    }
  }

private:
  int64_t ReadBlocks(float* const* channels, int64_t frames, std::string& error)
  {
    if (!mFault.empty())
    {
      error = mFault;
      return -1;
    }
    int64_t total = 0;
    while (!mEnded && total < frames)
    {
      const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(frames - total), mBlockFrames);
      std::string why;
      const int64_t got = mDecode(mBlock.data(), wanted, why);
      if (got < 0 || static_cast<uint64_t>(got) > wanted)
        return Fail(why.empty() ? "cannot decode " + mPath : why, error);
      if (got == 0)
      {
        mEnded = true;
        if (!HoldsWhatItStates(mPath, mFrames, mExpected, why))
          return Fail(why, error);
        break;
      }
      // A stated count is exact: audio past it means the header is wrong about the file.
      if (mStatedFrames >= 0 && mFrames + static_cast<uint64_t>(got) > static_cast<uint64_t>(mStatedFrames))
        return Fail(mPath + " decodes more than the " + std::to_string(mStatedFrames) +
                      " frames its header states: the header does not describe the file",
                    error);
      const size_t count = static_cast<size_t>(got);
      const size_t nChannels = static_cast<size_t>(mChannels);
      for (size_t c = 0; c < nChannels; ++c)
      {
        float* const to = channels[c] + total;
        for (size_t f = 0; f < count; ++f)
          to[f] = mBlock[f * nChannels + c];
      }
      total += got;
      mFrames += static_cast<uint64_t>(got);
    }
    return total;
  }

  int64_t Fail(const std::string& why, std::string& error)
  {
    mFault = why;
    error = why;
    mEnded = true;
    return -1;
  }
  // Takes the decoder's rate and channels; false with the reason when they are unusable.
  bool Take(long rate, long channels, std::string& error);
  bool OpenMpeg(const InputStream& in, const MpegFrames& frames, std::string& error);
  bool OpenLibrary(const InputStream& in, const std::optional<ContainerData>& data, uint64_t dataStart,
                   uint64_t dataEnd, std::string& error);

  std::string mPath;
  plug::RegularFile mFile;
  ReadCache mCache;
  InputStream mStream;
  InputStream mInput; // the bytes read: the file's, or those after ID3v2 tags before a container
  // The decoders read the stream and the file: they go first.
  LibraryStream mLibraryStream;
  SoundFile mSoundFile;
  std::unique_ptr<MpegDecoder> mMpeg;
  BlockDecoder mDecode;
  Expected mExpected;
  std::vector<float> mBlock;
  uint64_t mBlockFrames = 0;
  uint64_t mFrames = 0;
  bool mEnded = false;
  std::string mFault;
};

bool InputReader::Take(long rate, long channels, std::string& error)
{
  if (rate <= 0 || rate > std::numeric_limits<int>::max() || channels <= 0 || channels > 65536)
  {
    error = "unusable audio file " + mPath;
    return false;
  }
  mSampleRate = static_cast<int>(rate);
  mChannels = static_cast<int>(channels);
  mBlockFrames = std::max<uint64_t>(1, kBlockSamples / static_cast<uint64_t>(channels));
  mBlock.assign(static_cast<size_t>(mBlockFrames) * static_cast<size_t>(channels), 0.f);
  return true;
}

bool InputReader::OpenMpeg(const InputStream& in, const MpegFrames& frames, std::string& error)
{
  mMpeg = std::make_unique<MpegDecoder>(mPath, in, frames);
  if (!mMpeg->Open(error) || !Take(mMpeg->Rate(), mMpeg->Channels(), error))
    return false;
  if (mMpeg->StatedFrames())
    mStatedFrames = static_cast<int64_t>(*mMpeg->StatedFrames());
  // Each part's count is held by the decoder itself.
  MpegDecoder* const mpeg = mMpeg.get();
  mDecode = [mpeg](float* into, uint64_t frames, std::string& why) { return mpeg->Read(into, frames, why); };
  return true;
}

// The audio library reads `in` as the segments set, under what it states: a container's data
// bytes (and an AIFF COMM chunk's count of plain samples, unless the sound's size is a
// placeholder, for then the writer's count stands in too), a FLAC stream's, and an Ogg stream's
// audio pages. The library's own count is taken only where the data's declared size gives it.
bool InputReader::OpenLibrary(const InputStream& in, const std::optional<ContainerData>& data, uint64_t dataStart,
                              uint64_t dataEnd, std::string& error)
{
  mLibraryStream.in = &in;
  SF_VIRTUAL_IO io = {&LibraryStream::Length, &LibraryStream::Seek, &LibraryStream::Read, &LibraryStream::Write,
                      &LibraryStream::Tell};
  SF_INFO info = SF_INFO();
  mSoundFile.reset(sf_open_virtual(&io, SFM_READ, &info, &mLibraryStream));
  if (!mSoundFile)
  {
    error = "cannot read " + mPath + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.frames < 0 || !Take(info.samplerate, info.channels, error))
  {
    error = "unusable audio file " + mPath;
    return false;
  }
  if (!data && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
  {
    // MPEG audio the library found where the reader's own checks did not: read by the reader.
    mSoundFile.reset();
    return OpenMpeg(in, ScanMpeg(in, dataStart, dataEnd), error);
  }
  const int subformat = info.format & SF_FORMAT_SUBMASK;
  mExpected.audioBytes = data ? dataEnd - dataStart : 0;
  switch (info.format & SF_FORMAT_TYPEMASK)
  {
  case SF_FORMAT_FLAC:
    mExpected = FlacExpected(in, dataStart);
    break;
  case SF_FORMAT_OGG:
    mExpected.audioBytes = OggAudioBytes(in);
    break;
  case SF_FORMAT_AIFF:
    if (data && data->kind == ContainerData::kDeclared)
      mExpected.frames = AiffCommFrames(in, subformat);
    break;
  default:
    break;
  }
  if (mExpected.frames && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC)
    mStatedFrames = static_cast<int64_t>(std::min<uint64_t>(*mExpected.frames, INT64_MAX));
  else if (data && data->kind == ContainerData::kDeclared && PlainSamples(subformat) &&
           (!mExpected.frames || *mExpected.frames == static_cast<uint64_t>(info.frames)))
    mStatedFrames = info.frames;
  // A count the header states exactly is one the file must decode.
  if (mStatedFrames >= 0 && !mExpected.frames)
    mExpected.frames = static_cast<uint64_t>(mStatedFrames);
  SNDFILE* const file = mSoundFile.get();
  mDecode = [file](float* into, uint64_t frames, std::string&) -> int64_t {
    return std::max<sf_count_t>(0, sf_readf_float(file, into, static_cast<sf_count_t>(frames)));
  };
  return true;
}

bool InputReader::Open(std::string& error)
{
  // ID3v2 tags before a container are passed over; one that runs past the end is a cut file.
  uint64_t origin = 0;
  uint64_t afterTag = 0;
  while (const std::optional<uint64_t> tag = Id3v2TagAt(mStream, origin))
  {
    if (*tag > HeldFrom(mStream, origin))
    {
      error = mPath + " holds an ID3v2 tag at byte " + std::to_string(origin) + " of " + std::to_string(*tag) +
              " bytes that runs past the end of the file: the file is cut short";
      return false;
    }
    origin += *tag;
    if (afterTag == 0)
      afterTag = origin;
  }
  const InputStream behind = mStream.From(origin);
  std::optional<ContainerData> data = ContainerDataOf(behind);
  mInput = data ? behind : mStream;
  const InputStream& in = mInput;
  const uint64_t length = static_cast<uint64_t>(in.length);
  if (data)
  {
    uint64_t dataEnd = length;
    const uint64_t held = HeldFrom(in, data->start);
    switch (data->kind)
    {
    case ContainerData::kCutShort:
      error = mPath + " ends inside the header of its chunk at byte " + std::to_string(origin + data->start) +
              ": the file is cut short";
      return false;
    case ContainerData::kNoData:
      error = mPath + " has no chunk of audio data";
      return false;
    case ContainerData::kDeclared:
      if (data->declared > held)
      {
        error = mPath + " declares " + std::to_string(data->declared) + " bytes of audio data but holds only " +
                std::to_string(held) + ": the file is cut short";
        return false;
      }
      dataEnd = data->start + data->declared;
      break;
    case ContainerData::kPlaceholder:
      dataEnd = data->end;
      break;
    }
    // MPEG audio: layer I or II (0x50), layer III (0x55).
    if (data->formatTag == 0x50 || data->formatTag == 0x55)
      return OpenMpeg(in, ScanMpeg(in, data->start, dataEnd), error);
    // The file's header, the chunks the library needs, the data chunk's header and the data.
    mLibraryStream.segments.push_back(Segment{0, data->preamble});
    mLibraryStream.segments.insert(mLibraryStream.segments.end(), data->kept.begin(), data->kept.end());
    mLibraryStream.segments.push_back(Segment{data->chunk, data->headerEnd - data->chunk});
    mLibraryStream.segments.push_back(Segment{data->start, dataEnd - data->start});
    // The library reads the size of the data the reader takes, whatever the field holds (or as
    // much of it as the field holds: the library takes no more than it is shown).
    mLibraryStream.patches.push_back(
      Patch{data->field, std::min(dataEnd - data->start + data->extra, data->field.Max())});
    if (data->identifier)
      mLibraryStream.patches.push_back(*data->identifier);
    return OpenLibrary(in, data, data->start, dataEnd, error);
  }
  // An MPEG stream, which the library would only estimate: its frames begin after its ID3v2 tag,
  // or it has an ID3v2 tag before anything but a FLAC stream (which the library takes for MPEG
  // audio too, wherever its frames begin).
  if (BeginsMpegFrame(in, afterTag) || (afterTag > 0 && !BeginsFlac(in, afterTag)))
    return OpenMpeg(in, ScanMpeg(in, afterTag, length), error);
  // Or whole frames after bytes that are none (libmpg123 searches fewer bytes than its limit).
  const MpegFrames guess = ScanMpeg(in, afterTag, length, static_cast<long>(kGuessedMpegJunk + 1));
  if (guess.count >= kGuessedMpegFrames && guess.first - afterTag <= kGuessedMpegJunk)
    return OpenMpeg(in, ScanMpeg(in, afterTag, length), error);
  // The library sees a tagged FLAC stream without its tag, which it might measure otherwise.
  mLibraryStream.segments.push_back(Segment{afterTag, HeldFrom(in, afterTag)});
  return OpenLibrary(in, std::nullopt, afterTag, length, error);
}
} // namespace

std::unique_ptr<AudioReader> OpenAudioReader(const std::string& path, std::string& error)
{
  try
  {
    plug::RegularFile file;
    if (!OpenAudioInputFile(path, file, error))
      return nullptr;
    auto reader = std::make_unique<InputReader>(path, std::move(file));
    if (!reader->Open(error))
      return nullptr;
    return reader;
  }
  catch (const std::bad_alloc&)
  {
    error = "cannot read " + path + ": not enough memory for its audio";
  }
  return nullptr;
}
} // namespace aaxhost
