// Whole audio files in: input read through the block reader (AudioReader.h) into memory.
#include "standin/aaxhost/tool/AudioFile.h"

#include "standin/aaxhost/tool/AudioReader.h"

#include <algorithm>
#include <memory>
#include <new>

namespace aaxhost
{
namespace
{
// Frames read from the block reader at a time.
constexpr int64_t kReadFrames = 16384;
} // namespace

bool ReadAudioFile(const std::string& path, AudioData& out, std::string& error)
{
  out = AudioData();
  try
  {
    const std::unique_ptr<AudioReader> reader = OpenAudioReader(path, error);
    if (!reader)
      return false;
    const size_t nChannels = static_cast<size_t>(reader->Channels());
    out.channels.assign(nChannels, std::vector<float>());
    std::vector<float*> into(nChannels);
    for (;;)
    {
      const size_t start = out.Frames();
      for (size_t c = 0; c < nChannels; ++c)
      {
        out.channels[c].resize(start + static_cast<size_t>(kReadFrames));
        into[c] = out.channels[c].data() + start;
      }
      const int64_t got = reader->Read(into.data(), kReadFrames, error);
      for (auto& channel : out.channels)
        channel.resize(start + static_cast<size_t>(std::max<int64_t>(0, got)));
      if (got < 0)
        break;
      if (got == 0)
      {
        out.sampleRate = reader->SampleRate();
        return true;
      }
    }
  }
  catch (const std::bad_alloc&)
  {
    error = "cannot read " + path + ": not enough memory for its audio";
  }
  out = AudioData();
  return false;
}
} // namespace aaxhost
