#include "standin/aaxhost/tool/AudioReader.h"

#include "standin/aaxhost/tool/AudioFile.h"

#include <algorithm>

namespace aaxhost
{
namespace
{
// The whole file decoded up front, handed out block by block.
class WholeFileReader final : public AudioReader
{
public:
  explicit WholeFileReader(AudioData data) : mData(std::move(data))
  {
    mSampleRate = mData.sampleRate;
    mChannels = static_cast<int>(mData.channels.size());
    mStatedFrames = static_cast<int64_t>(mData.Frames());
  }

  int64_t Read(float* const* channels, int64_t frames, std::string&) override
  {
    const size_t n = std::min(static_cast<size_t>(frames < 0 ? 0 : frames), mData.Frames() - mPosition);
    for (size_t c = 0; c < mData.channels.size(); ++c)
      std::copy_n(mData.channels[c].begin() + static_cast<std::ptrdiff_t>(mPosition), n, channels[c]);
    mPosition += n;
    return static_cast<int64_t>(n);
  }

private:
  AudioData mData;
  size_t mPosition = 0;
};
} // namespace

std::unique_ptr<AudioReader> OpenAudioReader(const std::string& path, std::string& error)
{
  AudioData data;
  if (!ReadAudioFile(path, data, error))
    return nullptr;
  return std::make_unique<WholeFileReader>(std::move(data));
}
} // namespace aaxhost
