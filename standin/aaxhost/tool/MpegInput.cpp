#include "standin/aaxhost/tool/MpegInput.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace aaxhost::input
{
namespace
{
// The most bytes handed to libmpg123 in one read.
constexpr size_t kMaxMpegRead = size_t(1) << 20;
// The longest Lyrics3 tag of the first version: its text, then "LYRICSEND".
constexpr uint64_t kMaxLyrics3v1 = 11 + 5100 + 9;

bool Matches(const unsigned char* bytes, const char* text) { return std::memcmp(bytes, text, std::strlen(text)) == 0; }

// The decimal number of `count` digits at `p`, or none when a byte is no digit.
std::optional<uint64_t> Digits(const unsigned char* p, int count)
{
  uint64_t value = 0;
  for (int i = 0; i < count; ++i)
  {
    if (p[i] < '0' || p[i] > '9')
      return std::nullopt;
    value = value * 10 + (p[i] - '0');
  }
  return value;
}

// The length of the Lyrics3 tag at `offset` ("LYRICSBEGIN" read), within `end`: of the second
// version, fields of a 3-letter name and a 5-digit size until the 6-digit size of the whole and
// "LYRICS200"; or of the first, text up to "LYRICSEND". 0 when it is neither.
uint64_t Lyrics3At(const InputStream& in, uint64_t offset, uint64_t end)
{
  unsigned char field[15];
  for (uint64_t at = offset + 11; at + sizeof field <= end;)
  {
    if (in.ReadAt(static_cast<sf_count_t>(at), field, sizeof field) != sizeof field)
      break;
    const std::optional<uint64_t> whole = Digits(field, 6);
    if (whole && *whole == at - offset && Matches(field + 6, "LYRICS200"))
      return at + sizeof field - offset;
    const std::optional<uint64_t> size = Digits(field + 3, 5);
    if (!size || !std::all_of(field, field + 3, [](unsigned char c) { return c >= 'A' && c <= 'Z'; }))
      break;
    at += 8 + *size;
  }
  std::vector<unsigned char> text(static_cast<size_t>(std::min(kMaxLyrics3v1, end - offset)));
  if (in.ReadAt(static_cast<sf_count_t>(offset), text.data(), static_cast<sf_count_t>(text.size())) !=
      static_cast<sf_count_t>(text.size()))
    return 0;
  static const char kEnd[] = "LYRICSEND";
  const auto found = std::search(text.begin() + 11, text.end(), kEnd, kEnd + 9);
  return found == text.end() ? 0 : static_cast<uint64_t>(found - text.begin()) + 9;
}

// The length of the whole tag at `offset` within `end`, or 0 when none starts there.
uint64_t TagAt(const InputStream& in, uint64_t offset, uint64_t end)
{
  unsigned char head[24] = {};
  const sf_count_t got = in.ReadAt(static_cast<sf_count_t>(offset), head, sizeof head);
  if (got < 3 || offset >= end)
    return 0;
  uint64_t length = 0;
  if (const std::optional<uint64_t> id3v2 = Id3v2TagAt(in, offset))
    length = *id3v2;
  else if (Matches(head, "TAG"))
    length = 128;
  else if (got >= 24 && Matches(head, "APETAGEX") && (LittleEndian32(head + 20) & 0xa0000000u) == 0xa0000000u)
    length = 32 + uint64_t(LittleEndian32(head + 12)); // a header, then items and footer of its size
  else if (got >= 11 && Matches(head, "LYRICSBEGIN"))
    length = Lyrics3At(in, offset, end);
  return length <= end - offset ? length : 0;
}

void Configure(mpg123_handle* mh, long flags, long junk, int& result)
{
  if (result == MPG123_OK)
    result = mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | flags, 0.);
  if (result == MPG123_OK)
    result = mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.);
  if (result == MPG123_OK)
    result = mpg123_param(mh, MPG123_RESYNC_LIMIT, junk, 0.);
}

// A new libmpg123 handle, quiet, searching past up to `junk` bytes that are no frame (any number
// when negative), with `flags` too; none, with the reason, when it cannot be had.
MpegHandle NewMpeg(long flags, long junk, std::string& reason)
{
  static const int initialised = mpg123_init();
  int result = initialised;
  MpegHandle handle(result == MPG123_OK ? mpg123_new(nullptr, &result) : nullptr);
  if (handle)
    Configure(handle.get(), flags, junk, result);
  if (result != MPG123_OK)
  {
    reason = handle ? mpg123_strerror(handle.get()) : mpg123_plain_strerror(result);
    handle.reset();
  }
  return handle;
}
} // namespace

std::optional<uint64_t> Id3v2TagAt(const InputStream& in, uint64_t offset)
{
  unsigned char tag[10];
  if (in.ReadAt(static_cast<sf_count_t>(offset), tag, sizeof tag) != sizeof tag || !Matches(tag, "ID3") ||
      tag[3] == 0xff || tag[4] == 0xff)
    return std::nullopt;
  // Four 7-bit bytes of size after the header, and a footer as long as the header when flagged.
  const uint64_t size = uint64_t(tag[6] & 0x7f) << 21 | uint64_t(tag[7] & 0x7f) << 14 | uint64_t(tag[8] & 0x7f) << 7 |
                        uint64_t(tag[9] & 0x7f);
  return sizeof tag + size + ((tag[5] & 0x10) ? sizeof tag : 0);
}

uint64_t AfterTags(const InputStream& in, uint64_t offset, uint64_t end)
{
  uint64_t after = offset;
  while (after < end)
  {
    const uint64_t tag = TagAt(in, after, end);
    if (tag == 0)
      break;
    after += tag;
  }
  // Tags end where a frame starts, or the stream ends: bytes that only begin like a tag are none.
  return after == end || BeginsMpegFrame(in, after) ? after : offset;
}

bool BeginsMpegFrame(const InputStream& in, uint64_t offset)
{
  unsigned char sync[2];
  return in.ReadAt(static_cast<sf_count_t>(offset), sync, sizeof sync) == sizeof sync && sync[0] == 0xff &&
         (sync[1] & 0xe0) == 0xe0;
}

// The tag follows the side information, at the same place with or without the frame's 2 CRC
// bytes: so encoders write it, and so the decoder reads it.
std::optional<uint32_t> InfoFrameCount(const InputStream& in, uint64_t offset)
{
  unsigned char frame[4 + 32 + 12];
  if (in.ReadAt(static_cast<sf_count_t>(offset), frame, sizeof frame) != sizeof frame)
    return std::nullopt;
  const int version = frame[1] >> 3 & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const int layer = frame[1] >> 1 & 3;   // 1: layer III
  if (frame[0] != 0xff || (frame[1] & 0xe0) != 0xe0 || version == 1 || layer != 1)
    return std::nullopt;
  const bool mono = (frame[3] >> 6) == 3;
  const size_t sideInfo = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const unsigned char* tag = frame + 4 + sideInfo;
  if (!Matches(tag, "Xing") && !Matches(tag, "Info"))
    return std::nullopt;
  if ((BigEndian32(tag + 4) & 1u) == 0 || BigEndian32(tag + 8) == 0)
    return 0;
  return BigEndian32(tag + 8);
}

void MpegCloser::operator()(mpg123_handle* handle) const
{
  mpg123_close(handle);
  mpg123_delete(handle);
}

mpg123_ssize_t MpegSource::Read(void* user, void* into, size_t count)
{
  MpegSource& source = *static_cast<MpegSource*>(user);
  const sf_count_t wanted = std::min<sf_count_t>(static_cast<sf_count_t>(std::min(count, kMaxMpegRead)),
                                                 std::max<sf_count_t>(0, source.Size() - source.position));
  const sf_count_t got = source.in->ReadAt(static_cast<sf_count_t>(source.start) + source.position, into, wanted);
  source.position += got;
  return static_cast<mpg123_ssize_t>(got);
}

off_t MpegSource::Seek(void* user, off_t offset, int whence)
{
  MpegSource& source = *static_cast<MpegSource*>(user);
  sf_count_t position = source.position;
  const sf_count_t at = SeekWithin(position, source.Size(), offset, whence);
  source.position = position;
  return static_cast<off_t>(at);
}

MpegWalker::MpegWalker(const InputStream& in, uint64_t start, uint64_t end, long junk)
  : mIn(in), mEnd(end), mJunk(junk), mNext(start)
{
}

bool MpegWalker::Open(uint64_t from, std::string& fault)
{
  mHandle.reset();
  mSource = MpegSource{&mIn, from, mEnd, 0};
  std::string reason;
  mHandle = NewMpeg(MPG123_IGNORE_INFOFRAME, mJunk, reason);
  if (mHandle && (mpg123_replace_reader_handle(mHandle.get(), &MpegSource::Read, &MpegSource::Seek, nullptr) !=
                    MPG123_OK ||
                  mpg123_open_handle(mHandle.get(), &mSource) != MPG123_OK))
  {
    reason = mpg123_strerror(mHandle.get());
    mHandle.reset();
  }
  if (!mHandle)
    fault = " cannot be decoded: " + reason;
  return static_cast<bool>(mHandle);
}

bool MpegWalker::Next(MpegFrame& frame, std::string& fault)
{
  fault.clear();
  // Tags between two frames (or after the last) are passed over: the walk goes on after them,
  // so that libmpg123 never searches their bytes for a frame.
  if (mCount > 0)
  {
    const uint64_t after = AfterTags(mIn, mNext, mEnd);
    if (after != mNext)
    {
      mNext = after;
      if (after >= mEnd)
        return false;
      if (!Open(after, fault))
        return false;
    }
  }
  if (!mHandle && !Open(mNext, fault))
    return false;
  mpg123_handle* const mh = mHandle.get();
  const int status = mpg123_framebyframe_next(mh);
  if (status == MPG123_DONE)
    return false;
  size_t body = 0;
  mpg123_frameinfo info{};
  if ((status != MPG123_OK && status != MPG123_NEW_FORMAT) ||
      mpg123_framedata(mh, nullptr, nullptr, &body) != MPG123_OK || mpg123_info(mh, &info) != MPG123_OK)
  {
    fault = " cannot be decoded after byte " + std::to_string(mNext) + ": " + mpg123_strerror(mh);
    return false;
  }
  const uint64_t at = mSource.start + static_cast<uint64_t>(mpg123_framepos(mh));
  if (mCount == 0)
    mRate = info.rate;
  else if (at != mNext)
  {
    fault = " is damaged at byte " + std::to_string(mNext) + ": no MPEG frame starts where the one before ends";
    return false;
  }
  else if (info.rate != mRate)
  {
    fault = " changes its sample rate within the stream at byte " + std::to_string(at) + ", from " +
            std::to_string(mRate) + " Hz to " + std::to_string(info.rate) + " Hz";
    return false;
  }
  frame = MpegFrame{at, 4 + body, info.rate, info.mode == MPG123_M_MONO ? 1 : 2};
  mNext = at + frame.size;
  ++mCount;
  return true;
}

MpegFrames ScanMpeg(const InputStream& in, uint64_t start, uint64_t end, long junk)
{
  MpegFrames frames;
  frames.first = start;
  frames.end = end;
  MpegWalker walker(in, start, end, junk);
  MpegFrame frame;
  while (walker.Next(frame, frames.fault))
  {
    if (frames.count == 0)
      frames.first = frame.at;
    frames.end = frame.at + frame.size;
    ++frames.count;
  }
  return frames;
}

MpegDecoder::MpegDecoder(const std::string& path, const InputStream& in, const MpegFrames& frames)
  : mPath(path), mIn(in), mFrames(frames), mWalker(in, frames.first, frames.end, -1)
{
  // Room for the longest frame of any layer and rate, free format's included.
  mFrameBytes.reserve(8192);
}

bool MpegDecoder::Open(std::string& error)
{
  if (!mFrames.fault.empty())
  {
    error = mPath + mFrames.fault;
    return false;
  }
  if (mFrames.count == 0)
  {
    error = mFrames.end > mFrames.first ? mPath + " decodes no frame from its " +
                                            std::to_string(mFrames.end - mFrames.first) + " bytes of audio"
                                        : mPath + " holds no MPEG frame";
    return false;
  }
  MpegFrame first;
  std::string fault;
  if (!mWalker.Next(first, fault))
  {
    error = mPath + (fault.empty() ? " holds no MPEG frame" : fault);
    return false;
  }
  if (first.rate <= 0 || first.rate > std::numeric_limits<int>::max())
  {
    error = "unusable audio file " + mPath;
    return false;
  }
  mRate = first.rate;
  mChannels = first.channels;
  if (!StartPart(first, error) || !Feed(first, error))
    return false;
  // A count the first frame states is the stream's when every frame after it is one it counts.
  const std::optional<uint32_t> count = InfoFrameCount(mIn, first.at);
  if (count && *count > 0 && *count == mFrames.count - 1)
  {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mDecoder.get(), &rate, &channels, &encoding) == MPG123_NEED_MORE)
    {
      // The Info frame alone tells libmpg123 nothing of the format: the frame after it does.
      MpegFrame second;
      if (!(mWalker.Next(second, fault) && Feed(second, error)) && (!fault.empty() || !error.empty()))
      {
        error = error.empty() ? mPath + fault : error;
        return false;
      }
    }
    // Only when libmpg123 took the frame for what it says (it may refuse an Xing frame whose
    // other fields do not agree, and decode it as audio).
    const off_t length = mpg123_length(mDecoder.get());
    if (length >= 0 && mpg123_framelength(mDecoder.get()) == static_cast<off_t>(*count))
      mStated = static_cast<uint64_t>(length);
  }
  return true;
}

bool MpegDecoder::StartPart(const MpegFrame& frame, std::string& error)
{
  std::string reason;
  mDecoder = NewMpeg(MPG123_FORCE_FLOAT | MPG123_GAPLESS, -1, reason);
  mpg123_handle* const mh = mDecoder.get();
  if (!mDecoder || mpg123_format_none(mh) != MPG123_OK ||
      mpg123_format(mh, mRate, mChannels, MPG123_ENC_FLOAT_32) != MPG123_OK || mpg123_open_feed(mh) != MPG123_OK)
  {
    error = "cannot decode " + mPath + ": " + (mDecoder ? mpg123_strerror(mh) : reason);
    return false;
  }
  mPartStatesCount = InfoFrameCount(mIn, frame.at).value_or(0) > 0;
  mPartDeclared.reset();
  mPartFormatKnown = false;
  mPartDecoded = 0;
  mPartFrames = 0;
  return true;
}

bool MpegDecoder::EndPart(std::string& error)
{
  if (mPartDeclared && mPartDecoded < *mPartDeclared)
  {
    error = mPath + " declares " + std::to_string(*mPartDeclared) + " frames but decodes only " +
            std::to_string(mPartDecoded) + ": the file is cut short";
    return false;
  }
  return true;
}

bool MpegDecoder::Feed(const MpegFrame& frame, std::string& error)
{
  mFrameBytes.resize(static_cast<size_t>(frame.size));
  if (mIn.ReadAt(static_cast<sf_count_t>(frame.at), mFrameBytes.data(), static_cast<sf_count_t>(frame.size)) !=
        static_cast<sf_count_t>(frame.size) ||
      mpg123_feed(mDecoder.get(), mFrameBytes.data(), mFrameBytes.size()) != MPG123_OK)
  {
    error = "cannot decode " + mPath + ": " + mpg123_strerror(mDecoder.get());
    return false;
  }
  ++mPartFrames;
  return true;
}

int64_t MpegDecoder::Read(float* into, uint64_t frames, std::string& error)
{
  const size_t frameBytes = static_cast<size_t>(mChannels) * sizeof(float);
  if (mEnded || frames == 0)
    return 0;
  for (;;)
  {
    size_t done = 0;
    const int status = mpg123_read(mDecoder.get(), into, static_cast<size_t>(frames) * frameBytes, &done);
    if (!mPartFormatKnown && (status == MPG123_NEW_FORMAT || done > 0))
    {
      // The part's Info frame is read: libmpg123 now knows the count it states.
      mPartFormatKnown = true;
      const off_t length = mpg123_length(mDecoder.get());
      if (mPartStatesCount && length >= 0)
        mPartDeclared = static_cast<uint64_t>(length);
    }
    if (done >= frameBytes)
    {
      mPartDecoded += done / frameBytes;
      return static_cast<int64_t>(done / frameBytes);
    }
    if (status == MPG123_OK || status == MPG123_NEW_FORMAT)
      continue;
    if (status != MPG123_NEED_MORE && status != MPG123_DONE)
    {
      error = "cannot decode " + mPath + ": " + mpg123_strerror(mDecoder.get());
      return -1;
    }
    MpegFrame frame;
    std::string fault;
    if (!mWalker.Next(frame, fault))
    {
      if (!fault.empty())
      {
        error = mPath + fault;
        return -1;
      }
      mEnded = true;
      return EndPart(error) ? 0 : -1;
    }
    // An Xing or Info frame after the first starts a part of its own, as a file joined to the one
    // before.
    if (mPartFrames > 0 && InfoFrameCount(mIn, frame.at) && (!EndPart(error) || !StartPart(frame, error)))
      return -1;
    if (!Feed(frame, error))
      return -1;
  }
}
} // namespace aaxhost::input
