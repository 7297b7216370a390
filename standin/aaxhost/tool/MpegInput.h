// MPEG audio input, read by libmpg123 directly (see the rule in AudioReader.cpp): the tags an
// MPEG file carries, a walk over a stream's frames, and a decoder fed those frames one by one.
#pragma once

#include "standin/aaxhost/tool/InputBytes.h"

#include <mpg123.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace aaxhost::input
{
// The length of the ID3v2 tag at `offset` (its header, body and footer), or none when no ID3v2
// tag starts there. The length may run past the file's end.
std::optional<uint64_t> Id3v2TagAt(const InputStream& in, uint64_t offset);

// Where the run of whole tags (ID3v2, ID3v1, APE with its header, Lyrics3) that starts at
// `offset` ends, within `end`, when an MPEG frame or `end` follows it: `offset` itself when no
// such run starts there.
uint64_t AfterTags(const InputStream& in, uint64_t offset, uint64_t end);

// Whether the bytes at `offset` begin an MPEG frame: its 11 bits of sync.
bool BeginsMpegFrame(const InputStream& in, uint64_t offset);

// The frame count (not 0) that an Xing or Info frame at `offset` states; none without one.
std::optional<uint32_t> InfoFrameCount(const InputStream& in, uint64_t offset);

// Closes and frees a libmpg123 handle when it goes.
struct MpegCloser
{
  void operator()(mpg123_handle* handle) const;
};
using MpegHandle = std::unique_ptr<mpg123_handle, MpegCloser>;

// The bytes [start, end) of an input file as libmpg123 reads them.
struct MpegSource
{
  const InputStream* in = nullptr;
  uint64_t start = 0;
  uint64_t end = 0;
  sf_count_t position = 0; // from start

  sf_count_t Size() const { return static_cast<sf_count_t>(end > start ? end - start : 0); }
  static mpg123_ssize_t Read(void* user, void* into, size_t count);
  static off_t Seek(void* user, off_t offset, int whence);
};

// One MPEG frame of a stream: where it starts, its length, and its sample rate and channels.
struct MpegFrame
{
  uint64_t at = 0;
  uint64_t size = 0;
  long rate = 0;
  int channels = 0;
};

// The frames of the MPEG stream in the bytes [start, end) of a file one by one, as libmpg123
// parses them (an Xing or Info frame among them), past up to `junk` bytes before the first that
// are no frame (any number when negative). Tags between two frames are passed over; any other
// bytes there are damage, as is a change of sample rate.
class MpegWalker
{
public:
  MpegWalker(const InputStream& in, uint64_t start, uint64_t end, long junk);
  // libmpg123 reads through the walker's own source: it stays where it is made.
  MpegWalker(const MpegWalker&) = delete;
  MpegWalker& operator=(const MpegWalker&) = delete;

  // The next frame; false at the stream's end, or on a fault (`fault` then says what, after the
  // file's path).
  bool Next(MpegFrame& frame, std::string& fault);
  // Where the last frame ended (the start before any).
  uint64_t End() const { return mNext; }

private:
  bool Open(uint64_t from, std::string& fault);

  const InputStream& mIn;
  uint64_t mEnd;
  long mJunk;
  MpegSource mSource;
  MpegHandle mHandle;
  uint64_t mNext;
  uint64_t mCount = 0;
  long mRate = 0;
};

// A stream's frames as a walk finds them: where the first starts and the last whole one ends,
// how many follow one another from the first, and what, if anything, stops them before the
// stream's end, said after the file's path.
struct MpegFrames
{
  uint64_t first = 0;
  uint64_t end = 0;
  uint64_t count = 0;
  std::string fault;
};

MpegFrames ScanMpeg(const InputStream& in, uint64_t start, uint64_t end, long junk = -1);

// Decodes the frames of a scanned MPEG stream, a walk over them feeding libmpg123, in the first
// frame's rate and channels, in floats, with each part's encoder delay and padding taken off as
// the audio library does: a stream joined from several files starts a part at each Xing or Info
// frame after its first. Memory does not grow with the stream's length.
class MpegDecoder
{
public:
  MpegDecoder(const std::string& path, const InputStream& in, const MpegFrames& frames);

  // False, with the reason naming the file, when the stream cannot be decoded.
  bool Open(std::string& error);
  long Rate() const { return mRate; }
  int Channels() const { return mChannels; }
  // The frames the stream holds as its Xing or Info frame states them, when that states the
  // count of every frame that follows it and the stream is one part.
  std::optional<uint64_t> StatedFrames() const { return mStated; }
  // Up to `frames` interleaved frames into `into`: how many, 0 at the end, or -1 with the reason
  // (naming the file) when the stream is damaged or a part decodes fewer frames than it states.
  int64_t Read(float* into, uint64_t frames, std::string& error);

private:
  bool StartPart(const MpegFrame& frame, std::string& error);
  bool EndPart(std::string& error);
  bool Feed(const MpegFrame& frame, std::string& error);

  std::string mPath;
  const InputStream& mIn;
  MpegFrames mFrames;
  MpegWalker mWalker;
  MpegHandle mDecoder;
  std::vector<unsigned char> mFrameBytes;
  long mRate = 0;
  int mChannels = 0;
  std::optional<uint64_t> mStated;
  std::optional<uint64_t> mPartDeclared;
  bool mPartStatesCount = false;
  bool mPartFormatKnown = false;
  uint64_t mPartDecoded = 0;
  uint64_t mPartFrames = 0;
  bool mEnded = false;
};
} // namespace aaxhost::input
