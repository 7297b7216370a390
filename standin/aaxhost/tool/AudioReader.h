// An input audio file read block by block, for renders that stream a file of any length from
// the disk through the plug-in to the output, in memory that does not grow with its length. What
// the reader takes and refuses follows the rule in AudioReader.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace aaxhost
{
class AudioReader
{
public:
  virtual ~AudioReader() = default;

  int SampleRate() const { return mSampleRate; }
  int Channels() const { return mChannels; }
  // The frames the file holds as its header states them exactly; -1 when only reading to the
  // end can tell (MPEG audio without a count, a streaming writer's placeholder size, a format
  // whose header does not say). A reader that states a count reads exactly that many frames or
  // fails its Read. The count is what a header says, of any size: nothing may be allocated by it.
  int64_t StatedFrames() const { return mStatedFrames; }

  // Reads up to `frames` frames into `channels` (Channels() arrays of at least `frames`
  // floats each). Returns the frames read: fewer than asked only at the end of the audio, 0
  // after it. -1 when a fault shows while reading (a cut, damage, fewer frames than the header
  // states, more than the format can hold), with the reason in error, naming the file; the
  // reader is then done, and every later Read gives -1 with the same reason. A Read decodes only
  // what it is asked for (and passes over the tags between MPEG frames it meets), so its time
  // follows `frames`; nothing it holds grows with the file, and it throws nothing.
  virtual int64_t Read(float* const* channels, int64_t frames, std::string& error) = 0;

protected:
  int mSampleRate = 0;
  int mChannels = 0;
  int64_t mStatedFrames = -1;
};

// Opens the input file at `path` (see InputFile.h) and checks what its header states. Null,
// with the reason in error naming the file, when it cannot be read as audio.
std::unique_ptr<AudioReader> OpenAudioReader(const std::string& path, std::string& error);
} // namespace aaxhost
