// The render step of IPluginAAX: everything here runs on the host's audio thread, once per
// render call, and neither allocates nor locks except when the host's frame count grows the
// block size.

#include "plug/aax/IPluginAAX.h"

#include "aax/interfaces/AAX_IController.h"
#include "aax/interfaces/AAX_IMIDINode.h"
#include "aax/interfaces/AAX_ITransport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plug {

namespace {

// Render-context fields read here (see AAX_Types.h).
constexpr int kFieldInputs = 0;
constexpr int kFieldOutputs = 1;
constexpr int kFieldBufferLength = 2;
constexpr int kFieldMidiIn = 4;
constexpr int kFieldMidiOut = 5;
constexpr int kFieldTransport = 7;
constexpr int kFieldSideChain = 26;

// The host counts positions in ticks of this many per quarter note.
constexpr double kTicksPerQuarter = 960000.0;

AAX_CMidiPacket MakePacket(int32_t offset, uint32_t length)
{
  AAX_CMidiPacket packet;
  std::memset(&packet, 0, sizeof(packet));
  packet.mTimestamp = static_cast<uint32_t>(std::max(offset, 0));
  packet.mLength = length;
  packet.mIsImmediate = true;
  return packet;
}

} // namespace

void IPluginAAX::RenderAudio(AAX_RenderContext context, TParamValPair* const*, int32_t)
{
  // The synchronised pairs are not used: host updates reach the IParam values directly.
  ProcessAAXRender(context);
}

void IPluginAAX::ProcessAAXRender(AAX_RenderContext context)
{
  if (!context)
    return;

  const bool bypassed = IsBypassed();

  // A failed query keeps the formats of the last successful one.
  if (AAX_IController* controller = GetController())
  {
    int32_t format = 0;
    if (controller->GetInputStemFormat(&format) == AAX_SUCCESS)
      mInputStemFormat = format;
    if (controller->GetOutputStemFormat(&format) == AAX_SUCCESS)
      mOutputStemFormat = format;
  }
  const int nIn = AAX_StemFormatChannelCount(mInputStemFormat);
  const int nOut = AAX_StemFormatChannelCount(mOutputStemFormat);

  if (DoesMidiIn())
  {
    if (auto* node = static_cast<AAX_IMIDINode*>(context[kFieldMidiIn]))
    {
      const AAX_CMidiStream* stream = node->GetNodeBuffer();
      if (stream && stream->mBuffer)
      {
        for (int32_t i = 0; i < stream->mBufferSize; ++i)
        {
          const AAX_CMidiPacket& packet = stream->mBuffer[i];
          const IMidiMsg msg(static_cast<int>(std::min<uint32_t>(packet.mTimestamp, INT32_MAX)), packet.mData[0],
                             packet.mData[1], packet.mData[2]);
          HandleMidiMsg(msg);
          SendMidiMsgFromProcessor(msg);
        }
      }
    }
  }

  mTransport = static_cast<AAX_ITransport*>(context[kFieldTransport]);

  const auto* frameCount = static_cast<const int32_t*>(context[kFieldBufferLength]);
  const int frames = frameCount ? *frameCount : 0;
  if (frames > 0)
  {
    // The only allocation of the audio thread: the channel buffers grow to the host's block.
    if (frames > GetBlockSize() && ChangeBlockSize(frames))
      OnResetProcessing();

    auto* const* hostInputs = static_cast<float* const*>(context[kFieldInputs]);
    auto* const* hostOutputs = static_cast<float* const*>(context[kFieldOutputs]);
    // BindHostBuffers takes a writable array; it only reads the pointers.
    float** inputs = const_cast<float**>(hostInputs);
    float** outputs = const_cast<float**>(hostOutputs);

    if (!IsInstrument())
    {
      // Exactly the host's input channels are connected (and the side-chain channel when the
      // host connected one), so binding reads no more than nIn buffers from the main stem.
      const auto* sideChain = static_cast<const int32_t*>(context[kFieldSideChain]);
      const int sideChainIdx = sideChain ? *sideChain : 0;
      const bool sideChainOn = MaxBusCount(kInput) > 1 && sideChainIdx > 0 && inputs &&
                               mSideChainChannel >= nIn && mSideChainChannel < NChannels(kInput);
      MarkChannelsConnected(kInput, 0, nIn, true);
      for (int c = std::max(nIn, 0); c < NChannels(kInput); ++c)
        MarkChannelsConnected(kInput, c, 1, sideChainOn && c == mSideChainChannel);
      if (sideChainOn)
      {
        BindHostBuffers(kInput, 0, nIn, inputs, frames);
        BindHostBuffers(kInput, mSideChainChannel, 1, inputs + sideChainIdx, frames);
      }
      else
      {
        BindHostBuffers(kInput, 0, NChannels(kInput), inputs, frames);
      }
    }

    // The host's output array holds the main stem's channels, then those of every auxiliary
    // output stem of the configuration it runs. Exactly those are connected and written, so
    // binding takes no more buffers than the array holds; host channels beyond ours are
    // silenced rather than left as they came.
    const int nHostOut = std::max(nOut, 0) + AuxOutputChannels(nIn, nOut);
    MarkChannelsConnected(kOutput, 0, nHostOut, true);
    MarkChannelsConnected(kOutput, nHostOut, NChannels(kOutput) - nHostOut, false);
    BindHostBuffers(kOutput, 0, NChannels(kOutput), outputs, frames);
    if (outputs)
    {
      for (int c = NChannels(kOutput); c < nHostOut; ++c)
        if (outputs[c])
          std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
    }

    if (bypassed)
    {
      PassThroughBlock(frames);
    }
    else
    {
      ITransportInfo transport;
      ReadTransport(transport);
      SetTransportInfo(transport);

      IMidiMsg msg;
      while (PopMidiMsgFromUI(msg))
        HandleMidiMsg(msg);

      RunProcessBlock(frames);
    }
  }

  if (DoesMidiOut())
  {
    if (auto* node = static_cast<AAX_IMIDINode*>(context[kFieldMidiOut]))
      SendMidiOut(*node);
  }
  // Offsets count from the start of this call: messages that could not go out now would be
  // wrong later, and keeping them would grow the queue without end.
  mMidiOut.Clear();
}

int IPluginAAX::AuxOutputChannels(int nIn, int nOut) const
{
  // Components are described from the configurations with one input bus when any has more
  // (the further input bus is the side-chain), so only those can be the one the host runs.
  const bool sideChainLayout = MaxBusCount(kInput) > 1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IChannelIOConfig* config = GetIOConfig(i);
    if (sideChainLayout && config->NBuses(kInput) != 1)
      continue;
    if (config->NChansOnBus(kInput, 0) != nIn || config->NChansOnBus(kOutput, 0) != nOut)
      continue;
    int aux = 0;
    for (int bus = 1; bus < config->NBuses(kOutput); ++bus)
      aux += std::max(config->NChansOnBus(kOutput, bus), 0);
    return aux;
  }
  return 0;
}

void IPluginAAX::ReadTransport(ITransportInfo& info) const
{
  // Defaults: tempo 120, 4/4, stopped, every position unknown. A query the host cannot
  // answer leaves its default.
  info = ITransportInfo();
  const AAX_ITransport* transport = mTransport;
  if (!transport)
    return;

  double tempo = 0.0;
  if (transport->GetCurrentTempo(&tempo) == AAX_SUCCESS && std::isfinite(tempo))
    info.mTempo = tempo;
  bool playing = false;
  if (transport->IsTransportPlaying(&playing) == AAX_SUCCESS)
    info.mRunning = playing;
  int32_t numerator = 0;
  int32_t denominator = 0;
  if (transport->GetCurrentMeter(&numerator, &denominator) == AAX_SUCCESS)
  {
    info.mTimeSigNum = numerator;
    info.mTimeSigDen = denominator;
  }
  int64_t ticks = 0;
  if (transport->GetCurrentTickPosition(&ticks) == AAX_SUCCESS)
    info.mQuarterNotePos = std::max(0.0, static_cast<double>(ticks) / kTicksPerQuarter);
  int64_t samplePos = 0;
  if (transport->GetCurrentNativeSampleLocation(&samplePos) == AAX_SUCCESS)
    info.mSamplePos = static_cast<double>(samplePos);
  bool looping = false;
  int64_t loopStart = 0;
  int64_t loopEnd = 0;
  if (transport->GetCurrentLoopPosition(&looping, &loopStart, &loopEnd) == AAX_SUCCESS)
  {
    info.mLooping = looping;
    info.mCycleStart = static_cast<double>(loopStart) / kTicksPerQuarter;
    info.mCycleEnd = static_cast<double>(loopEnd) / kTicksPerQuarter;
  }
}

void IPluginAAX::SendMidiOut(AAX_IMIDINode& node)
{
  for (int32_t i = 0; i < mMidiOut.Size(); ++i)
  {
    const IMidiMsg* msg = mMidiOut.At(i);
    AAX_CMidiPacket packet = MakePacket(msg->mOffset, 3);
    packet.mData[0] = msg->mStatus;
    packet.mData[1] = msg->mData1;
    packet.mData[2] = msg->mData2;
    node.PostMIDIPacket(&packet);
  }

  // SysEx from the editor goes out four bytes per packet, all at the record's offset.
  while (PopSysExMsgFromUI(mSysExOutScratch))
  {
    const int size = std::clamp(mSysExOutScratch.mSize, 0, kMaxSysExSize);
    for (int pos = 0; pos < size; pos += 4)
    {
      const int n = std::min(4, size - pos);
      AAX_CMidiPacket packet = MakePacket(mSysExOutScratch.mOffset, static_cast<uint32_t>(n));
      std::memcpy(packet.mData, mSysExOutScratch.mData + pos, static_cast<size_t>(n));
      node.PostMIDIPacket(&packet);
    }
  }
}

} // namespace plug
