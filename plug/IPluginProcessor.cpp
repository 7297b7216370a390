#include "plug/IPluginProcessor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace plug {

namespace {

// Largest channel count a single bus token may give: larger counts are read as this, which
// keeps totals far from overflow and the channel records within reason.
constexpr int kMaxBusToken = 1024;

// The channel count of one bus token: "*" is the wildcard, otherwise the decimal number at
// its start (0 when there is none).
int ParseBusToken(const char* begin, const char* end)
{
  if (end - begin == 1 && *begin == '*')
    return kWildcardChannels;
  int n = 0;
  for (const char* p = begin; p < end && *p >= '0' && *p <= '9'; ++p)
    n = std::min(n * 10 + (*p - '0'), kMaxBusToken);
  return n;
}

// Parses one side ("2.2.1") of a configuration into buses of dir; returns the channel total.
int ParseSide(const char* begin, const char* end, ERoute dir, PtrArray<IBusSpec>& buses)
{
  int total = 0;
  const char* tok = begin;
  while (true)
  {
    const char* dot = std::find(tok, end, '.');
    const int n = ParseBusToken(tok, dot);
    total += n;
    if (n != 0)
    {
      IBusSpec* bus = new (std::nothrow) IBusSpec;
      if (bus)
      {
        bus->mDirection = dir;
        bus->mNChans = n;
        if (!buses.Add(bus))
          delete bus;
      }
    }
    if (dot == end)
      break;
    tok = dot + 1;
  }
  return total;
}

} // namespace

// ---------------------------------------------------------------------------------------
// IChannelIOConfig

int IChannelIOConfig::NChansOnBus(ERoute dir, int busIdx) const
{
  const IBusSpec* bus = Buses(dir).Get(busIdx);
  return bus ? bus->mNChans : 0;
}

int IChannelIOConfig::TotalChannels(ERoute dir) const
{
  int total = 0;
  for (int i = 0; i < NBuses(dir); ++i)
    total += Buses(dir).Get(i)->mNChans;
  return total;
}

bool IChannelIOConfig::ContainsWildcard(ERoute dir) const
{
  for (int i = 0; i < NBuses(dir); ++i)
    if (Buses(dir).Get(i)->mNChans < 0)
      return true;
  return false;
}

// ---------------------------------------------------------------------------------------
// Construction

IPluginProcessor::IPluginProcessor(const IPluginConfig& config)
  : mPluginKind(config.pluginKind)
  , mMidiIn(config.midiIn)
  , mMidiOut(config.midiOut)
  , mMPE(config.mpe)
  , mLatency(std::max(0, config.latency))
{
  int maxNIn = 0, maxNOut = 0, maxNInBuses = 0, maxNOutBuses = 0;
  ParseIOSpec(config.channelIOText, mIOConfigs, maxNIn, maxNOut, maxNInBuses, maxNOutBuses);

  // The pointer arrays are sized once here: channel records point into them.
  for (ERoute dir : {kInput, kOutput})
  {
    TypedBuf<double*>& ptrs = dir == kInput ? mInputPtrs : mOutputPtrs;
    const int n = dir == kInput ? maxNIn : maxNOut;
    ptrs.Resize(n);
    const int got = ptrs.GetSize();
    if (got > 0)
      std::memset(static_cast<void*>(ptrs.Get()), 0, sizeof(double*) * static_cast<std::size_t>(got));
    for (int i = 0; i < got; ++i)
    {
      IChannelState* ch = new (std::nothrow) IChannelState;
      if (!ch)
        break;
      ch->mSlot = ptrs.Get() + i;
      if (!Channels(dir).Add(ch))
      {
        delete ch;
        break;
      }
    }
  }
}

IPluginProcessor::~IPluginProcessor() = default;

// ---------------------------------------------------------------------------------------
// Virtual defaults

void IPluginProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  CopyInputsToOutputs(inputs, outputs, nFrames);
}

void IPluginProcessor::HandleMidiMsg(const IMidiMsg& msg)
{
  EmitMidiMsg(msg);
}

bool IPluginProcessor::SendMidiMsgList(const IMidiMsg* msgs, int count)
{
  bool ok = true;
  for (int i = 0; msgs && i < count; ++i)
    ok = EmitMidiMsg(msgs[i]) && ok;
  return ok;
}

bool IPluginProcessor::EmitSysExMsg(const ISysExMsg& msg)
{
  (void) msg;
  return false;
}

void IPluginProcessor::DefaultBusName(ERoute dir, int busIdx, int nBuses, CharBuf& out) const
{
  constexpr int kMaxLen = 32;
  if (dir == kInput)
  {
    if (nBuses == 1)
      out.Set("Input");
    else if (nBuses == 2)
      out.Set(busIdx == 0 ? "Main" : "Aux");
    else
      out.Printf(kMaxLen, "Input %i", busIdx);
  }
  else
  {
    if (nBuses == 1)
      out.Set("Output");
    else
      out.Printf(kMaxLen, "Output %i", busIdx);
  }
}

void IPluginProcessor::ChangeLatency(int samples)
{
  mLatency = std::max(0, samples);
  if (!mLatencyDelay)
    return;
  ILatencyDelay& d = *mLatencyDelay;
  const int64_t want = int64_t(d.mNIn) * mLatency;
  if (want > INT32_MAX)
  {
    mLatency = 0;
  }
  else
  {
    d.mBuffer.Resize(static_cast<int>(want), true);
    if (d.mBuffer.GetSize() != want)
      mLatency = 0; // the delay line could not grow: no delay rather than a short one
  }
  if (mLatency == 0)
    d.mBuffer.Resize(0, false);
  d.mLatency = mLatency;
  d.mWritePos = 0;
  if (d.mBuffer.GetSize() > 0)
    std::memset(static_cast<void*>(d.mBuffer.Get()), 0, sizeof(double) * static_cast<std::size_t>(d.mBuffer.GetSize()));
}

// ---------------------------------------------------------------------------------------
// Channel-I/O configurations

int IPluginProcessor::ParseIOSpec(const char* text, PtrArray<IChannelIOConfig>& list, int& maxNIn, int& maxNOut,
                                  int& maxNInBuses, int& maxNOutBuses)
{
  maxNIn = maxNOut = maxNInBuses = maxNOutBuses = 0;
  if (!text)
    return list.GetSize();

  const char* p = text;
  const char* const end = text + std::strlen(text);
  while (p < end)
  {
    const char* cfgEnd = std::find(p, end, ' ');
    if (cfgEnd > p) // consecutive blanks give no configuration
    {
      IChannelIOConfig* cfg = new (std::nothrow) IChannelIOConfig;
      if (cfg)
      {
        const char* dash = std::find(p, cfgEnd, '-');
        const int nIn = ParseSide(p, dash, kInput, cfg->mInputBuses);
        const int nOut = dash < cfgEnd ? ParseSide(dash + 1, cfgEnd, kOutput, cfg->mOutputBuses) : 0;
        if (list.Add(cfg))
        {
          maxNIn = std::max(maxNIn, nIn);
          maxNOut = std::max(maxNOut, nOut);
          maxNInBuses = std::max(maxNInBuses, cfg->NBuses(kInput));
          maxNOutBuses = std::max(maxNOutBuses, cfg->NBuses(kOutput));
        }
        else
        {
          delete cfg;
        }
      }
    }
    p = cfgEnd + 1;
  }
  return list.GetSize();
}

int IPluginProcessor::MaxBusCount(ERoute dir, int* pConfigIdx) const
{
  int maxCount = 0;
  int idx = -1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = mIOConfigs.Get(i)->NBuses(dir);
    if (n >= maxCount)
    {
      maxCount = n;
      idx = i;
    }
  }
  if (pConfigIdx)
    *pConfigIdx = idx;
  return maxCount;
}

int IPluginProcessor::MaxChannelsOnBus(ERoute dir, int busIdx) const
{
  if (NIOConfigs() == 0)
    return 0;
  if (mIOConfigs.Get(0)->ContainsWildcard(dir))
    return -1;
  if (busIdx < 0 || busIdx >= MaxBusCount(dir))
    return 0;
  int maxChans = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
    maxChans = std::max(maxChans, mIOConfigs.Get(i)->NChansOnBus(dir, busIdx));
  return maxChans;
}

bool IPluginProcessor::IsLegalIO(int nIn, int nOut) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IChannelIOConfig* cfg = mIOConfigs.Get(i);
    if ((nIn < 0 || cfg->TotalChannels(kInput) == nIn) && (nOut < 0 || cfg->TotalChannels(kOutput) == nOut))
      return true;
  }
  return false;
}

int IPluginProcessor::FindIOConfig(const int* inChansPerBus, int nInBuses, const int* outChansPerBus,
                                   int nOutBuses) const
{
  auto matches = [](const IChannelIOConfig* cfg, ERoute dir, const int* counts, int n) {
    if (cfg->NBuses(dir) != n)
      return false;
    for (int b = 0; b < n; ++b)
      if (!counts || cfg->NChansOnBus(dir, b) != counts[b])
        return false;
    return true;
  };
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IChannelIOConfig* cfg = mIOConfigs.Get(i);
    if (matches(cfg, kInput, inChansPerBus, nInBuses) && matches(cfg, kOutput, outChansPerBus, nOutBuses))
      return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------
// Channels

bool IPluginProcessor::IsChannelConnected(ERoute dir, int idx) const
{
  const IChannelState* ch = GetChannel(dir, idx);
  return ch && ch->mConnected;
}

const char* IPluginProcessor::GetChannelLabel(ERoute dir, int idx) const
{
  const IChannelState* ch = GetChannel(dir, idx);
  return ch ? ch->mLabel.Get() : "";
}

int IPluginProcessor::CountConnectedChannels(ERoute dir) const
{
  int n = 0;
  for (int i = 0; i < NChannels(dir); ++i)
    if (Channels(dir).Get(i)->mConnected)
      ++n;
  return n;
}

void IPluginProcessor::MarkChannelsConnected(ERoute dir, int first, int count, bool connected)
{
  const int end = static_cast<int>(std::min<int64_t>(int64_t(first) + count, NChannels(dir)));
  for (int i = std::max(first, 0); i < end; ++i)
  {
    IChannelState* ch = Channels(dir).Get(i);
    if (!connected)
    {
      // A channel that was just disconnected still holds its last block: silence it, so
      // ProcessBlock reads zeros from it.
      if (ch->mConnected && ch->mScratch.GetSize() > 0)
        std::memset(ch->mScratch.Get(), 0, sizeof(double) * static_cast<std::size_t>(ch->mScratch.GetSize()));
      *ch->mSlot = ch->mScratch.Get();
    }
    ch->mConnected = connected;
  }
}

void IPluginProcessor::FormatChannelLabel(ERoute dir, int idx, const char* format, bool zeroBased)
{
  IChannelState* ch = GetChannel(dir, idx);
  if (ch && format)
    ch->mLabel.Printf(32, format, idx + (zeroBased ? 0 : 1));
}

void IPluginProcessor::MarkExtraChannels()
{
  for (int i = 2; i < NChannels(kInput); ++i)
    MarkChannelsConnected(kInput, i, 1, false);
  for (int i = 2; i < NChannels(kOutput); ++i)
    mOutputChannels.Get(i)->mConnected = true;
}

// ---------------------------------------------------------------------------------------
// Block size and latency

bool IPluginProcessor::ChangeBlockSize(int n)
{
  n = std::max(0, n);
  if (n == mBlockSize)
    return true;

  // Grow (or shorten) every buffer; if any cannot grow, go back to the old size, which
  // never needs an allocation when shrink is not allowed.
  bool ok = true;
  for (ERoute dir : {kInput, kOutput})
  {
    for (int i = 0; i < NChannels(dir) && ok; ++i)
    {
      TypedBuf<double>& s = Channels(dir).Get(i)->mScratch;
      s.Resize(n, false);
      ok = s.GetSize() == n;
    }
  }
  const int size = ok ? n : mBlockSize;
  for (ERoute dir : {kInput, kOutput})
  {
    for (int i = 0; i < NChannels(dir); ++i)
    {
      IChannelState* ch = Channels(dir).Get(i);
      ch->mScratch.Resize(size, false);
      if (size > 0)
        std::memset(ch->mScratch.Get(), 0, sizeof(double) * static_cast<std::size_t>(size));
      // The scratch bytes may have moved: every slot points at them again.
      *ch->mSlot = ch->mScratch.Get();
    }
  }
  if (ok)
    mBlockSize = n;
  return ok;
}

void IPluginProcessor::CreateLatencyDelay()
{
  const int nIn = NChannels(kInput);
  if (nIn < 1)
    return;
  std::unique_ptr<ILatencyDelay> d(new (std::nothrow) ILatencyDelay);
  if (!d)
    return;
  d->mNIn = nIn;
  d->mNOut = NChannels(kOutput);
  mLatencyDelay = std::move(d);
  ChangeLatency(mLatency); // sizes and zeroes the line
}

void IPluginProcessor::ZeroScratchBuffers()
{
  for (ERoute dir : {kInput, kOutput})
  {
    for (int i = 0; i < NChannels(dir); ++i)
    {
      TypedBuf<double>& s = Channels(dir).Get(i)->mScratch;
      const int n = std::min(s.GetSize(), mBlockSize);
      if (n > 0)
        std::memset(s.Get(), 0, sizeof(double) * static_cast<std::size_t>(n));
    }
  }
}

// ---------------------------------------------------------------------------------------
// Per-block path

int IPluginProcessor::FramesInBlock(int nFrames) const
{
  return std::clamp(nFrames, 0, mBlockSize);
}

void IPluginProcessor::BindHostBuffers(ERoute dir, int first, int count, float** hostBuffers, int nFrames)
{
  const int end = static_cast<int>(std::min<int64_t>(int64_t(first) + count, NChannels(dir)));
  const int frames = FramesInBlock(nFrames);
  int next = 0;
  for (int i = std::max(first, 0); i < end; ++i)
  {
    IChannelState* ch = Channels(dir).Get(i);
    double* scratch = ch->mScratch.Get();
    *ch->mSlot = scratch;
    if (!ch->mConnected)
      continue;
    float* host = hostBuffers ? hostBuffers[next] : nullptr;
    ++next;
    ch->mHostBuffer = host;
    if (dir == kInput && nFrames >= 1 && scratch)
    {
      if (host)
      {
        for (int f = 0; f < frames; ++f)
          scratch[f] = static_cast<double>(host[f]);
      }
      else
      {
        std::memset(scratch, 0, sizeof(double) * static_cast<std::size_t>(frames));
      }
    }
  }
}

void IPluginProcessor::WriteBackOutputs(int nFrames, bool accumulate)
{
  const int frames = FramesInBlock(nFrames);
  for (int i = 0; i < NChannels(kOutput); ++i)
  {
    IChannelState* ch = mOutputChannels.Get(i);
    float* host = ch->mHostBuffer;
    if (!ch->mConnected || !host)
      continue;
    const double* src = *ch->mSlot;
    if (src)
    {
      if (accumulate)
        for (int f = 0; f < frames; ++f)
          host[f] += static_cast<float>(src[f]);
      else
        for (int f = 0; f < frames; ++f)
          host[f] = static_cast<float>(src[f]);
    }
    else if (!accumulate)
    {
      std::memset(host, 0, sizeof(float) * static_cast<std::size_t>(frames));
    }
    // Frames beyond the scratch buffers were not processed: silence rather than garbage.
    if (!accumulate && nFrames > frames)
      std::memset(host + frames, 0, sizeof(float) * static_cast<std::size_t>(nFrames - frames));
  }
}

void IPluginProcessor::CopyInputsToOutputs(double** inputs, double** outputs, int nFrames)
{
  if (!outputs || nFrames <= 0)
    return;
  const int nIn = inputs ? NChannels(kInput) : 0;
  const int nOut = NChannels(kOutput);
  for (int c = 0; c < nOut; ++c)
  {
    double* out = outputs[c];
    if (!out)
      continue;
    const double* in = c < nIn ? inputs[c] : nullptr;
    if (in)
    {
      if (in != out)
        std::memmove(out, in, sizeof(double) * static_cast<std::size_t>(nFrames));
    }
    else
    {
      std::memset(out, 0, sizeof(double) * static_cast<std::size_t>(nFrames));
    }
  }
}

void IPluginProcessor::RunProcessBlock(int nFrames)
{
  ProcessBlock(mInputPtrs.Get(), mOutputPtrs.Get(), FramesInBlock(nFrames));
  WriteBackOutputs(nFrames, false);
}

void IPluginProcessor::RunProcessBlockRaw(int nFrames)
{
  ProcessBlock(mInputPtrs.Get(), mOutputPtrs.Get(), FramesInBlock(nFrames));
}

void IPluginProcessor::RunProcessBlockAccumulate(int nFrames)
{
  ProcessBlock(mInputPtrs.Get(), mOutputPtrs.Get(), FramesInBlock(nFrames));
  WriteBackOutputs(nFrames, true);
}

void IPluginProcessor::PassThroughBlock(int nFrames)
{
  const int frames = FramesInBlock(nFrames);
  double** inputs = mInputPtrs.Get();
  double** outputs = mOutputPtrs.Get();
  ILatencyDelay* d = mLatencyDelay.get();

  if (d && d->mLatency > 0 && d->mBuffer.GetSize() >= int64_t(d->mNIn) * d->mLatency)
  {
    const int latency = d->mLatency;
    const int nOut = NChannels(kOutput);
    const int nDelayed = std::min({d->mNIn, d->mNOut, NChannels(kInput), nOut});
    double* line = d->mBuffer.Get();
    for (int j = 0; j < nDelayed; ++j)
    {
      const double* in = inputs[j];
      double* out = outputs[j];
      double* chLine = line + static_cast<std::size_t>(j) * latency;
      // Runs up to the end of the ring at a time, so the inner loop has no wrap test.
      int pos = d->mWritePos;
      for (int f = 0; f < frames;)
      {
        const int run = std::min(frames - f, latency - pos);
        double* ring = chLine + pos;
        for (int k = 0; k < run; ++k)
        {
          const double y = ring[k];
          ring[k] = in ? in[f + k] : 0.0;
          if (out)
            out[f + k] = y;
        }
        f += run;
        pos += run;
        if (pos == latency)
          pos = 0;
      }
    }
    d->mWritePos = static_cast<int32_t>((d->mWritePos + int64_t(frames)) % latency);
    // Outputs with no delayed input are silent.
    for (int c = nDelayed; c < nOut; ++c)
      if (outputs[c] && frames > 0)
        std::memset(outputs[c], 0, sizeof(double) * static_cast<std::size_t>(frames));
  }
  else
  {
    CopyInputsToOutputs(inputs, outputs, frames);
  }
  WriteBackOutputs(nFrames, false);
}

// ---------------------------------------------------------------------------------------
// Facts

double IPluginProcessor::BeatLengthInSamples() const
{
  return mTransportInfo.mTempo > 0.0 ? mSampleRate * 60.0 / mTransportInfo.mTempo : 0.0;
}

int32_t IPluginProcessor::PluginKindCode() const
{
  switch (mPluginKind)
  {
    case kPluginEffect:
      return mMidiIn ? FourCharCode('a', 'u', 'm', 'f') : FourCharCode('a', 'u', 'f', 'x');
    case kPluginInstrument:
      return FourCharCode('a', 'u', 'm', 'u');
    case kPluginMidiEffect:
      return FourCharCode('a', 'u', 'm', 'i');
    case kPluginGenerator:
      return FourCharCode('a', 'u', 'g', 'n');
  }
  return FourCharCode('a', 'u', 'f', 'x');
}

} // namespace plug
