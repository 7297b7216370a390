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

FileRender::FileRender(PluginInstance& instance, Host& host, const AudioData& input, FileRenderSettings settings,
                       std::vector<ResolvedAutomation> automations)
  : mInstance(instance)
  , mHost(host)
  , mInput(input)
  , mSettings(std::move(settings))
  , mAutomations(std::move(automations))
  , mFrames(input.Frames())
{
  if (mSettings.blocks.empty())
    mSettings.blocks.push_back(512);
  const ComponentLayout& layout = instance.GetLayout();
  const size_t nIn = static_cast<size_t>(layout.HostInputs());
  const size_t nOut = static_cast<size_t>(layout.HostOutputs());
  const size_t maxBlock = static_cast<size_t>(*std::max_element(mSettings.blocks.begin(), mSettings.blocks.end()));
  mOutput.sampleRate = static_cast<int>(std::lround(mSettings.rate));
  mOutput.channels.assign(nOut, std::vector<float>(mFrames, 0.0f));
  mInBlock.assign(nIn, std::vector<float>(maxBlock));
  mOutBlock.assign(nOut, std::vector<float>(maxBlock));
  mInPtrs.reset(new float*[std::max<size_t>(nIn, 1)]);
  mOutPtrs.reset(new float*[std::max<size_t>(nOut, 1)]);
  for (size_t c = 0; c < nIn; ++c)
    mInPtrs[c] = mInBlock[c].data();
  for (size_t c = 0; c < nOut; ++c)
    mOutPtrs[c] = mOutBlock[c].data();
  TransportState& transport = host.GetTransport().State();
  transport.tempo = mSettings.tempo;
  transport.playing = mSettings.play;
}

double FileRender::NextBlockSeconds() const
{
  const size_t size = static_cast<size_t>(mSettings.blocks[mBlockIndex % mSettings.blocks.size()]);
  return static_cast<double>(std::min(mFrames - std::min(mPosition, mFrames), size)) / mSettings.rate;
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
  mPosition = frame <= 0.0 ? 0 : std::min(mFrames, static_cast<size_t>(std::min(frame, 1e15)));
}

bool FileRender::RenderNext(std::string& error)
{
  if (Done())
    return true;
  const size_t size = static_cast<size_t>(mSettings.blocks[mBlockIndex++ % mSettings.blocks.size()]);
  const size_t n = std::min(mFrames - mPosition, size);
  // Automation reaches the plug-in at block boundaries, through the host's parameter thread;
  // offline the render call waits until it (and every echo) is delivered.
  if (mPostsAutomation)
    PostAutomation(Time());
  for (size_t c = 0; c < mInBlock.size(); ++c)
  {
    const size_t source = std::min(c, mInput.channels.size() - 1);
    std::copy_n(mInput.channels[source].begin() + static_cast<std::ptrdiff_t>(mPosition), n, mInBlock[c].begin());
  }
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
    std::copy_n(mOutBlock[c].begin(), n, mOutput.channels[c].begin() + static_cast<std::ptrdiff_t>(mPosition));
  mPosition += n;
  ++mBlocks;
  return true;
}
} // namespace aaxhost
