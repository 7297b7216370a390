// Rendered audio out: a 32-bit float WAV file written as the audio comes, in memory that does
// not grow with its length, through an OutputStream (see OutputFile.h).
#pragma once

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/OutputFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace aaxhost
{
// The same bytes for the same audio. Where the count of frames is known when the file is
// opened, the header states it from the start; where it is not, a file written beside its
// target (or to a redirected standard output) gets its sizes once the audio is whole, and an
// output that cannot seek (a pipe) keeps placeholder sizes that readers take as "to the end of
// the file" (those sox writes to a pipe). Audio too large for a WAVE file's 32-bit
// sizes is written as RF64. Each failure gives error "cannot write PATH: REASON".
class AudioWriter
{
public:
  // `frames`: the count the file will hold, or -1 when it is known only at the end.
  bool Open(const std::string& path, int sampleRate, int channels, int64_t frames, std::string& error);
  // Writes `frames` frames of each of the channels at frame `position`: after the frames
  // already written (those between filled with silence), or before them where the output is
  // seekable.
  bool Write(const float* const* channels, size_t frames, uint64_t position, std::string& error);
  // Writes the header's sizes and puts the file in place. Where the count was stated ahead to
  // an output that cannot seek, fewer or more frames fail.
  bool Finish(std::string& error);

  bool InPlace() const { return mStream.InPlace(); }
  uint64_t Frames() const { return mFrames; }
  // The largest RIFF size written as WAVE (RF64 beyond it), for tests: 0xffffffff by default.
  void SetLargestWave(uint64_t bytes) { mLargestWave = bytes; }

private:
  bool Flush(std::string& error);
  std::vector<uint8_t> Header(int64_t frames) const;
  // RIFF, "fmt ", "fact", "PAD " and the "data" chunk's header.
  size_t HeaderBytes() const { return 12 + 24 + 12 + 8 + (8 * mChannels + 8) + 8; }

  OutputStream mStream;
  std::string mPath;
  int mRate = 0;
  size_t mChannels = 0;
  int64_t mStated = -1;
  uint64_t mFrames = 0;   // the frames the file holds (written or buffered)
  uint64_t mFlushed = 0;  // of them, those written to the stream
  uint64_t mLargestWave = 0xffffffffu;
  std::vector<uint8_t> mBuffer; // interleaved frames not yet written
};

// Writes the whole of `data` as above, the count known ahead. False (with the reason, naming
// the file) on failure.
bool WriteAudioFile(const std::string& path, const AudioData& data, std::string& error);
} // namespace aaxhost
