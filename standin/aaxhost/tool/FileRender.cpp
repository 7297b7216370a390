#include "standin/aaxhost/tool/FileRender.h"

#include <algorithm>
#include <cmath>

namespace aaxhost
{
double AutomationValueAt(const ResolvedAutomation& automation, double time)
{
  const auto& p = automation.points;
  if (time <= p.front().first)
    return p.front().second;
  for (size_t i = 1; i < p.size(); ++i)
  {
    if (time < p[i].first)
    {
      const double span = p[i].first - p[i - 1].first;
      const double t = span > 0.0 ? (time - p[i - 1].first) / span : 1.0;
      return p[i - 1].second + t * (p[i].second - p[i - 1].second);
    }
  }
  return p.back().second;
}

namespace
{
// An input in memory, read as a file is.
class MemoryReader final : public AudioReader
{
public:
  explicit MemoryReader(const AudioData& data)
    : mData(data)
  {
    mSampleRate = data.sampleRate;
    mChannels = static_cast<int>(data.channels.size());
    mStatedFrames = static_cast<int64_t>(data.Frames());
  }
  int64_t Read(float* const* channels, int64_t frames, std::string&) override
  {
    const size_t n = std::min(static_cast<size_t>(std::max<int64_t>(frames, 0)), mData.Frames() - mPosition);
    for (size_t c = 0; c < mData.channels.size(); ++c)
      std::copy_n(mData.channels[c].begin() + static_cast<std::ptrdiff_t>(mPosition), n, channels[c]);
    mPosition += n;
    return static_cast<int64_t>(n);
  }

private:
  const AudioData& mData;
  size_t mPosition = 0;
};
} // namespace

FileRender::FileRender(PluginInstance& instance, Host& host, const AudioData& input, FileRenderSettings settings,
                       std::vector<ResolvedAutomation> automations)
  : mInstance(instance)
  , mHost(host)
  , mSettings(std::move(settings))
  , mAutomations(std::move(automations))
  , mInputName("the input")
  , mInput(std::make_unique<ReadAhead>(std::make_unique<MemoryReader>(input),
                                       [&input](std::string&) { return std::make_unique<MemoryReader>(input); }))
  , mFrames(input.Frames())
{
  Prepare();
  mOutput.sampleRate = static_cast<int>(std::lround(mSettings.rate));
  mOutput.channels.assign(mOutBlock.size(), std::vector<float>(mFrames, 0.0f));
}

FileRender::FileRender(PluginInstance& instance, Host& host, RenderInput input, AudioWriter& output,
                       FileRenderSettings settings, std::vector<ResolvedAutomation> automations)
  : mInstance(instance)
  , mHost(host)
  , mSettings(std::move(settings))
  , mAutomations(std::move(automations))
  , mInputName(std::move(input.name))
  , mInput(std::make_unique<ReadAhead>(std::move(input.reader), std::move(input.reopen)))
  , mWriter(&output)
  , mKnown(input.frames >= 0)
  , mFrames(input.frames >= 0 ? static_cast<size_t>(input.frames) : 0)
{
  Prepare();
  mOutputThread = std::make_unique<WriteBehind>(output, mOutBlock.size());
}

// Stops the threads first: they use the blocks.
FileRender::~FileRender()
{
  mOutputThread.reset();
  mInput.reset();
}

void FileRender::Prepare()
{
  if (mSettings.blocks.empty())
    mSettings.blocks.push_back(512);
  const ComponentLayout& layout = mInstance.GetLayout();
  const size_t nIn = static_cast<size_t>(layout.HostInputs());
  const size_t nOut = static_cast<size_t>(layout.HostOutputs());
  const size_t maxBlock = static_cast<size_t>(*std::max_element(mSettings.blocks.begin(), mSettings.blocks.end()));
  const size_t nFile = static_cast<size_t>(std::max(mInput->Channels(), 1));
  mFileBlock.assign(nFile, std::vector<float>(maxBlock));
  for (std::vector<float>& channel : mFileBlock)
    mFilePtrs.push_back(channel.data());
  mInBlock.assign(nIn, std::vector<float>(maxBlock));
  mOutBlock.assign(nOut, std::vector<float>(maxBlock));
  mLevels.assign(nOut, ChannelLevels());
  mInPtrs.reset(new float*[std::max<size_t>(nIn, 1)]);
  mOutPtrs.reset(new float*[std::max<size_t>(nOut, 1)]);
  for (size_t c = 0; c < nIn; ++c)
    mInPtrs[c] = mInBlock[c].data();
  for (size_t c = 0; c < nOut; ++c)
    mOutPtrs[c] = mOutBlock[c].data();
  TransportState& transport = mHost.GetTransport().State();
  transport.tempo = mSettings.tempo;
  transport.playing = mSettings.play;
}

double FileRender::NextBlockSeconds() const
{
  const size_t size = static_cast<size_t>(mSettings.blocks[mBlockIndex % mSettings.blocks.size()]);
  return static_cast<double>(mKnown ? std::min(mFrames - std::min(mPosition, mFrames), size) : size) / mSettings.rate;
}

void FileRender::PostAutomation(double time)
{
  for (ResolvedAutomation& automation : mAutomations)
  {
    const double value = AutomationValueAt(automation, time);
    if (value != automation.last)
    {
      mInstance.PlayLane(automation.id, value);
      automation.last = value;
    }
  }
}

void FileRender::Locate(double seconds)
{
  const double frame = std::floor(seconds * mSettings.rate);
  const size_t end = mKnown ? mFrames : mPosition;
  const size_t to = frame <= 0.0 ? 0 : std::min(end, static_cast<size_t>(std::min(frame, 1e15)));
  if (to == mPosition)
    return;
  mPosition = to;
  // Where the file cannot be opened again, the next block reports the reason.
  std::string error;
  mInput->Seek(to, error);
}

bool FileRender::RenderNext(std::string& error)
{
  if (Done())
    return true;
  const size_t size = static_cast<size_t>(mSettings.blocks[mBlockIndex++ % mSettings.blocks.size()]);
  const size_t want = mKnown ? std::min(mFrames - mPosition, size) : size;
  const int64_t got = mInput->Read(mFilePtrs.data(), want, error);
  if (got < 0)
    return false;
  const size_t n = static_cast<size_t>(got);
  if (n < want)
  {
    if (mKnown)
    {
      error = mInputName + " ended after " + std::to_string(mPosition + n) + " frames, where " +
              std::to_string(mFrames) + " were expected";
      return false;
    }
    mEnded = true;
    if (n == 0)
      return true;
  }
  if (mOutputThread && mOutputThread->Failed())
    return mOutputThread->Finish(error);
  // Automation reaches the plug-in at block boundaries, through the host's parameter thread;
  // offline the render call waits until it (and every echo) is delivered.
  if (mPostsAutomation)
    PostAutomation(Time());
  for (size_t c = 0; c < mInBlock.size(); ++c)
    std::copy_n(mFileBlock[std::min(c, mFileBlock.size() - 1)].begin(), n, mInBlock[c].begin());
  if (mSettings.play)
  {
    // 960000 ticks to the quarter note.
    TransportState& transport = mHost.GetTransport().State();
    transport.samplePosition = static_cast<int64_t>(mPosition);
    transport.tickPosition = static_cast<int64_t>(
      std::llround(static_cast<double>(mPosition) / mSettings.rate * mSettings.tempo / 60.0 * 960000.0));
  }
  const auto start = std::chrono::steady_clock::now();
  const bool written = mInstance.Render(mInPtrs.get(), mOutPtrs.get(), static_cast<int32_t>(n));
  mBusy += std::chrono::steady_clock::now() - start;
  if (!written)
  {
    error.clear();
    for (int c : mInstance.UnwrittenChannels())
      error += (error.empty() ? "" : "\nerror: ") + std::string("the plug-in left output channel ") + std::to_string(c + 1) +
               " unwritten in block " + std::to_string(mBlocks + 1) + " (frames " + std::to_string(mPosition) +
               " to " + std::to_string(mPosition + n - 1) + ")";
    return false;
  }
  for (size_t c = 0; c < mOutBlock.size(); ++c)
  {
    ChannelLevels& levels = mLevels[c];
    for (size_t i = 0; i < n; ++i)
    {
      const float v = mOutBlock[c][i];
      if (!std::isfinite(v))
      {
        ++levels.nonFinite;
        continue;
      }
      levels.peak = std::max(levels.peak, static_cast<double>(std::fabs(v)));
      levels.sumOfSquares += static_cast<double>(v) * v;
    }
  }
  if (mOutputThread)
  {
    if (!mOutputThread->Write(mOutPtrs.get(), n, mPosition))
      return mOutputThread->Finish(error);
  }
  else
    for (size_t c = 0; c < mOutBlock.size(); ++c)
      std::copy_n(mOutBlock[c].begin(), n, mOutput.channels[c].begin() + static_cast<std::ptrdiff_t>(mPosition));
  mPosition += n;
  mFurthest = std::max(mFurthest, mPosition);
  ++mBlocks;
  return true;
}

bool FileRender::Finish(std::string& error)
{
  // Rendered to its end: the input holds nothing more, and no fault shows at its end.
  if (mKnown && mPosition >= mFrames)
  {
    const int64_t more = mInput->Read(mFilePtrs.data(), 1, error);
    if (more < 0)
      return false;
    if (more > 0)
      return error = mInputName + " holds more than the " + std::to_string(mFrames) + " frames expected", false;
  }
  if (!mWriter)
    return true;
  if (!mOutputThread->Finish(error))
    return false;
  // A render stopped early leaves silence to the end of a file of known length.
  if (mKnown && mWriter->Frames() < mFrames && !mWriter->Write(mOutPtrs.get(), 0, mFrames, error))
    return false;
  return mWriter->Finish(error);
}
} // namespace aaxhost
