// The binding's render callback and its state chunk, notifications and host requests, with
// the test plug-in driven through the host stand-in: the host's controller, transport and
// automation, and render contexts laid out as the host lays them out.

#include "aax/interfaces/AAX_IMIDINode.h"
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_VTransport.h"
#include "aax/library/AAX_VViewContainer.h"
#include "aax/library/CACFUnknown.h"
#include "HeadlessGraphics.h"
#include "standin/aaxhost/Host.h"
#include "standin/foundation/RunLoop.h"
#include "tests/aax/TestAAXPlugin.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace testaax;
using plug::IMidiMsg;
using standin::RunLoop;

namespace {

constexpr AAX_CTypeID kChunkID = static_cast<AAX_CTypeID>(plug::FourCharCode('T', 'b', 'n', 'd'));

// The test plug-in with a processing block that applies the Gain parameter and records what
// the render path handed it.
class RenderPlugin : public TestAAXPlugin
{
public:
  explicit RenderPlugin(bool midi) : TestAAXPlugin(midi) {}

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    ++mBlocks;
    mLastFrames = nFrames;
    mTransportSeen = GetTransportInfo();
    const double gain = std::pow(10.0, GetParam(kGain)->Value() / 20.0);
    for (int c = 0; c < NChannels(plug::kOutput); ++c)
      for (int f = 0; f < nFrames; ++f)
        outputs[c][f] = c < NChannels(plug::kInput) ? inputs[c][f] * gain : 0.0;
    for (const IMidiMsg& msg : mEmitInBlock)
      EmitMidiMsg(msg);
  }
  void HandleMidiMsg(const IMidiMsg& msg) override
  {
    mMidiIn.push_back(msg);
    if (mThru)
      TestAAXPlugin::HandleMidiMsg(msg);
  }
  bool PopMidiForEditor(IMidiMsg& msg) { return mMidiMsgsToUI.Pop(msg); }
  // State of its own after the parameters, as a product may keep.
  bool SaveState(plug::IStateChunk& chunk) const override
  {
    bool ok = TestAAXPlugin::SaveState(chunk);
    for (double v : mExtra)
      ok = ok && chunk.Put(v);
    return ok;
  }
  int LoadState(const plug::IStateChunk& chunk, int startPos) override
  {
    int pos = startPos;
    if (mOwnLoad)
    {
      // Its own way of reading the parameters: the values, then Drive at its maximum.
      pos = ReadParamValues(chunk, startPos);
      GetParam(kDrive)->Set(100.0);
    }
    else
      pos = TestAAXPlugin::LoadState(chunk, startPos);
    for (double& v : mExtra)
      pos = pos < 0 ? pos : chunk.Get(&v, pos);
    return pos;
  }

  int mBlocks = 0;
  int mLastFrames = 0;
  plug::ITransportInfo mTransportSeen;
  std::vector<IMidiMsg> mMidiIn;
  std::vector<IMidiMsg> mEmitInBlock;
  bool mThru = false;
  std::vector<double> mExtra;
  bool mOwnLoad = false;
};

// A host MIDI input node holding this call's packets.
class InputNode : public AAX_IMIDINode
{
public:
  AAX_CMidiStream* GetNodeBuffer() override
  {
    mStream.mBufferSize = static_cast<int32_t>(mPackets.size());
    mStream.mBuffer = mPackets.empty() ? nullptr : mPackets.data();
    return &mStream;
  }
  AAX_Result PostMIDIPacket(AAX_CMidiPacket*) override { return AAX_ERROR_UNIMPLEMENTED; }
  void Add(uint32_t time, uint8_t status, uint8_t d1, uint8_t d2)
  {
    AAX_CMidiPacket p{};
    p.mTimestamp = time;
    p.mLength = 3;
    p.mData[0] = status;
    p.mData[1] = d1;
    p.mData[2] = d2;
    mPackets.push_back(p);
  }

  std::vector<AAX_CMidiPacket> mPackets;
  AAX_CMidiStream mStream{};
};

// A host MIDI output node recording what the plug-in posts.
class OutputNode : public AAX_IMIDINode
{
public:
  AAX_CMidiStream* GetNodeBuffer() override { return &mEmpty; }
  AAX_Result PostMIDIPacket(AAX_CMidiPacket* packet) override
  {
    mPosted.push_back(*packet);
    return AAX_SUCCESS;
  }
  std::vector<AAX_CMidiPacket> mPosted;
  AAX_CMidiStream mEmpty{};
};

// Buffers of exactly the host's channel count, so that reading one more is a sanitizer report.
struct HostBuffers
{
  HostBuffers(int channels, int frames)
    : mData(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), 0.0f))
    , mPtrs(new float*[static_cast<size_t>(channels > 0 ? channels : 1)])
  {
    for (int c = 0; c < channels; ++c)
      mPtrs[static_cast<size_t>(c)] = mData[static_cast<size_t>(c)].data();
  }
  std::vector<std::vector<float>> mData;
  std::unique_ptr<float*[]> mPtrs;
};

class RenderTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
    ASSERT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
    mHost = std::make_unique<aaxhost::Host>();
    mHost->GetController().SetSampleRate(48000.0f);
  }

  void TearDown() override
  {
    Destroy();
    ExpectNothingLeft(*mHost);
  }

  // A new initialised instance for the stem formats, with its render context.
  RenderPlugin& Make(int32_t inStem, int32_t outStem, bool midi = false, int latency = 0)
  {
    mHost->GetController().SetStemFormats(inStem, outStem);
    mPlugin = new RenderPlugin(midi);
    if (latency > 0)
      mPlugin->ChangeLatency(latency); // as a constructor would, before the host is there
    mPlugin->AddRef();
    mHost->Automation().SetUpdateSink([this](const char* id, double value) {
      mPlugin->UpdateParameterFromHost(id, value, AAX_eUpdateSource_Parameter);
    });
    EXPECT_EQ(mPlugin->Init(mHost->Unknown()), AAX_SUCCESS);
    EXPECT_EQ(mPlugin->InitPrivateData(23, mPrivate, sizeof(mPrivate)), AAX_SUCCESS);
    mTransport = std::make_unique<AAX_VTransport>(mHost->Unknown());
    std::fill(std::begin(mFields), std::end(mFields), nullptr);
    mFields[2] = &mFrames;
    mFields[7] = static_cast<AAX_ITransport*>(mTransport.get());
    mFields[23] = mPrivate;
    mPlugin->mChanges.clear();
    return *mPlugin;
  }

  void Destroy()
  {
    mHost->Automation().SetUpdateSink(nullptr);
    mTransport.reset();
    if (mPlugin)
    {
      EXPECT_EQ(mPlugin->Uninit(), AAX_SUCCESS);
      EXPECT_EQ(mPlugin->Release(), 0u);
      mPlugin = nullptr;
    }
  }

  // One render call through the process procedure.
  void Render(HostBuffers* in, HostBuffers* out, int32_t frames)
  {
    mFrames = frames;
    mFields[0] = in ? in->mPtrs.get() : nullptr;
    mFields[1] = out ? out->mPtrs.get() : nullptr;
    AAX_RenderContext context = mFields;
    plug::AAX_CIPluginParameters::StaticRenderCallback(&context, &context + 1);
  }

  std::vector<uint8_t> SaveChunk()
  {
    uint32_t size = 0;
    EXPECT_EQ(mPlugin->GetStateChunkSize(kChunkID, &size), AAX_SUCCESS);
    std::vector<uint8_t> record(AAX_ChunkRecordSize(size));
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fChunkID = static_cast<int32_t>(kChunkID);
    EXPECT_EQ(mPlugin->GetStateChunk(kChunkID, chunk), AAX_SUCCESS);
    EXPECT_EQ(static_cast<uint32_t>(chunk->fSize), size);
    return std::vector<uint8_t>(record.begin() + 56, record.end());
  }

  // A record of exactly 56 + data bytes (at least the header), size field as given.
  static std::vector<uint8_t> Record(const std::vector<uint8_t>& data, int32_t sizeField,
                                     AAX_CTypeID id = kChunkID)
  {
    std::vector<uint8_t> record(AAX_ChunkRecordSize(data.size()));
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fSize = sizeField;
    chunk->fChunkID = static_cast<int32_t>(id);
    if (!data.empty())
      std::memcpy(record.data() + 56, data.data(), data.size());
    return record;
  }
  static const AAX_SPlugInChunk* AsChunk(const std::vector<uint8_t>& record)
  {
    return reinterpret_cast<const AAX_SPlugInChunk*>(record.data());
  }

  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < kNumParams; ++i)
      v.push_back(mPlugin->GetParam(i)->Value());
    return v;
  }
  size_t CallsNamed(const std::string& name) const
  {
    size_t n = 0;
    for (const auto& call : mHost->Context().Calls())
      n += call == name ? 1 : 0;
    return n;
  }

  std::unique_ptr<aaxhost::Host> mHost;
  RenderPlugin* mPlugin = nullptr;
  std::unique_ptr<AAX_VTransport> mTransport;
  void* mFields[AAX_kRenderFieldCount] = {};
  int32_t mFrames = 0;
  alignas(8) unsigned char mPrivate[8] = {};
};

void FillNoise(HostBuffers& b, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  for (auto& ch : b.mData)
    for (float& s : ch)
      s = dist(rng);
}

// ---------------------------------------------------------------------------------------------
// Render

TEST_F(RenderTest, RendersMonoAndStereoAtEveryBlockSizeReadingOnlyTheHostsChannels)
{
  for (int channels : {1, 2})
  {
    SCOPED_TRACE(channels);
    const int32_t stem = channels == 1 ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo;
    RenderPlugin& plugin = Make(stem, stem);
    ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.25, 0), AAX_SUCCESS); // -6 dB
    const double gain = std::pow(10.0, plugin.GetParam(kGain)->Value() / 20.0);
    EXPECT_EQ(plugin.GetBlockSize(), 512);
    const int resetsBefore = plugin.mResets;

    // Growing sizes, then a shrink and a jump mid-stream.
    const int sizes[] = {32, 64, 128, 256, 512, 1024, 2048, 4096, 256, 1000, 4096, 33};
    int expectedResets = resetsBefore;
    int blockSize = 512;
    for (int frames : sizes)
    {
      SCOPED_TRACE(frames);
      HostBuffers in(channels, frames);
      HostBuffers out(channels, frames);
      FillNoise(in, static_cast<unsigned>(frames));
      Render(&in, &out, frames);
      if (frames > blockSize)
      {
        blockSize = frames;
        ++expectedResets;
      }
      EXPECT_EQ(plugin.GetBlockSize(), blockSize) << "the block size only grows";
      EXPECT_EQ(plugin.mResets, expectedResets);
      EXPECT_EQ(plugin.mLastFrames, frames);
      for (int c = 0; c < channels; ++c)
      {
        for (int f = 0; f < frames; ++f)
        {
          const float y = out.mData[static_cast<size_t>(c)][static_cast<size_t>(f)];
          ASSERT_TRUE(std::isfinite(y));
          ASSERT_FLOAT_EQ(y, static_cast<float>(in.mData[static_cast<size_t>(c)][static_cast<size_t>(f)] * gain));
        }
      }
    }
    EXPECT_EQ(plugin.CountConnectedChannels(plug::kInput), channels);
    EXPECT_EQ(plugin.CountConnectedChannels(plug::kOutput), channels);
    Destroy();
  }
}

TEST_F(RenderTest, NoFramesRendersNothingAndFailedStemQueriesKeepTheLastFormats)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  HostBuffers in(2, 64);
  HostBuffers out(2, 64);
  FillNoise(in, 1);
  for (auto& ch : out.mData)
    std::fill(ch.begin(), ch.end(), 7.0f);
  for (int32_t frames : {0, -1, std::numeric_limits<int32_t>::min()})
  {
    Render(&in, &out, frames);
    EXPECT_EQ(plugin.mBlocks, 0) << frames;
    EXPECT_EQ(plugin.GetBlockSize(), 512);
  }
  // No buffer-length field at all.
  mFields[2] = nullptr;
  AAX_RenderContext context = mFields;
  plug::AAX_CIPluginParameters::StaticRenderCallback(&context, &context + 1);
  mFields[2] = &mFrames;
  EXPECT_EQ(plugin.mBlocks, 0);
  for (const auto& ch : out.mData)
    for (float s : ch)
      ASSERT_EQ(s, 7.0f) << "the host's output stays untouched";

  Render(&in, &out, 64);
  EXPECT_EQ(plugin.mBlocks, 1);
  // A 'none' format is an answer: no input channel is connected.
  mHost->GetController().SetStemFormats(AAX_eStemFormat_None, AAX_eStemFormat_Stereo);
  Render(&in, &out, 64);
  EXPECT_EQ(plugin.CountConnectedChannels(plug::kInput), 0);
  EXPECT_EQ(plugin.mBlocks, 2);
}

TEST_F(RenderTest, WithoutAnAnswerFromTheHostTheMonoDefaultIsRead)
{
  // Never initialised: there is no controller to ask, so the formats stay at their
  // defaults and only one host buffer per side is touched.
  auto* plugin = new RenderPlugin(false);
  plugin->AddRef();
  ASSERT_EQ(plugin->InitPrivateData(23, mPrivate, sizeof(mPrivate)), AAX_SUCCESS);
  mFields[2] = &mFrames;
  mFields[23] = mPrivate;
  HostBuffers in(1, 48);
  HostBuffers out(1, 48);
  FillNoise(in, 4);
  mFrames = 48;
  mFields[0] = in.mPtrs.get();
  mFields[1] = out.mPtrs.get();
  AAX_RenderContext context = mFields;
  plug::AAX_CIPluginParameters::StaticRenderCallback(&context, &context + 1);
  EXPECT_EQ(plugin->mBlocks, 1);
  EXPECT_EQ(plugin->CountConnectedChannels(plug::kInput), 1);
  EXPECT_EQ(plugin->CountConnectedChannels(plug::kOutput), 1);
  EXPECT_EQ(out.mData[0], in.mData[0]) << "gain 0 dB";
  EXPECT_EQ(plugin->Release(), 0u);
}

TEST_F(RenderTest, HostOutputsBeyondThePluginsChannelsAreSilenced)
{
  RenderPlugin& wide = Make(AAX_eStemFormat_Stereo, static_cast<int32_t>(0x00050003)); // three outputs
  HostBuffers in2(2, 64);
  HostBuffers out3(3, 64);
  FillNoise(in2, 3);
  std::fill(out3.mData[2].begin(), out3.mData[2].end(), 5.0f);
  Render(&in2, &out3, 64);
  EXPECT_EQ(wide.mBlocks, 1);
  for (float s : out3.mData[2])
    ASSERT_EQ(s, 0.0f);
}

TEST_F(RenderTest, BypassGivesTheInputBackBitExactWithoutProcessing)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 1.0, 0), AAX_SUCCESS); // +12 dB when processing
  ASSERT_EQ(plugin.UpdateParameterFromHost("MasterBypassID", 1.0, 0), AAX_SUCCESS);
  ASSERT_TRUE(plugin.IsBypassed());

  mHost->Context().ClearCalls();
  for (int frames : {100, 1024, 37})
  {
    HostBuffers in(2, frames);
    HostBuffers out(2, frames);
    FillNoise(in, static_cast<unsigned>(frames));
    in.mData[0][0] = 1e-40f; // a denormal survives too
    Render(&in, &out, frames);
    for (int c = 0; c < 2; ++c)
      EXPECT_EQ(0, std::memcmp(in.mData[static_cast<size_t>(c)].data(), out.mData[static_cast<size_t>(c)].data(),
                               sizeof(float) * static_cast<size_t>(frames)));
  }
  EXPECT_EQ(plugin.mBlocks, 0);
  EXPECT_EQ(CallsNamed("Transport.GetCurrentTempo"), 0u) << "the transport is not read while bypassed";

  // With latency the bypass delays by exactly that many samples; the host is told first.
  plugin.ChangeLatency(16);
  EXPECT_EQ(mHost->GetController().Latency(), 16);
  EXPECT_EQ(plugin.GetLatency(), 16);
  HostBuffers in(2, 64);
  HostBuffers out(2, 64);
  FillNoise(in, 9);
  Render(&in, &out, 64);
  for (int c = 0; c < 2; ++c)
  {
    for (int f = 0; f < 16; ++f)
      EXPECT_EQ(out.mData[static_cast<size_t>(c)][static_cast<size_t>(f)], 0.0f);
    for (int f = 16; f < 64; ++f)
      ASSERT_EQ(out.mData[static_cast<size_t>(c)][static_cast<size_t>(f)],
                in.mData[static_cast<size_t>(c)][static_cast<size_t>(f - 16)]);
  }

  ASSERT_EQ(plugin.UpdateParameterFromHost("MasterBypassID", 0.0, 0), AAX_SUCCESS);
  Render(&in, &out, 64);
  EXPECT_EQ(plugin.mBlocks, 1);

  // The bypass state is the plug-in's own: a render that overlaps Uninit (which deletes the
  // host parameters) reads it without reaching the deleted bypass parameter.
  ASSERT_EQ(plugin.UpdateParameterFromHost("MasterBypassID", 1.0, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.Uninit(), AAX_SUCCESS);
  EXPECT_TRUE(plugin.IsBypassed());
  Render(&in, &out, 64);
  EXPECT_EQ(plugin.mBlocks, 1) << "still bypassed";

  // A latency set before initialisation reaches the host when it initialises the instance.
  Destroy();
  RenderPlugin& early = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo, false, 24);
  EXPECT_EQ(early.GetLatency(), 24);
  EXPECT_EQ(mHost->GetController().Latency(), 24);
}

TEST_F(RenderTest, TransportFieldsArriveInTheTransportInfo)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Mono, AAX_eStemFormat_Mono);
  aaxhost::TransportState& state = mHost->GetTransport().State();
  state.tempo = 96.5;
  state.numerator = 7;
  state.denominator = 8;
  state.playing = true;
  state.tickPosition = 1920000;
  state.samplePosition = 44100;
  state.looping = true;
  state.loopStartTick = 960000;
  state.loopEndTick = 3840000 + 480000;
  HostBuffers in(1, 32);
  HostBuffers out(1, 32);
  Render(&in, &out, 32);
  const plug::ITransportInfo& t = plugin.mTransportSeen;
  EXPECT_DOUBLE_EQ(t.mTempo, 96.5);
  EXPECT_EQ(t.mTimeSigNum, 7);
  EXPECT_EQ(t.mTimeSigDen, 8);
  EXPECT_TRUE(t.mRunning);
  EXPECT_DOUBLE_EQ(t.mQuarterNotePos, 2.0);
  EXPECT_DOUBLE_EQ(t.mSamplePos, 44100.0);
  EXPECT_TRUE(t.mLooping);
  EXPECT_DOUBLE_EQ(t.mCycleStart, 1.0);
  EXPECT_DOUBLE_EQ(t.mCycleEnd, 4.5);
  EXPECT_DOUBLE_EQ(t.mLastBarPos, -1.0);
  EXPECT_DOUBLE_EQ(plugin.GetTransportInfo().mTempo, 96.5);

  state.tickPosition = -5000000;
  state.playing = false;
  Render(&in, &out, 32);
  EXPECT_DOUBLE_EQ(plugin.mTransportSeen.mQuarterNotePos, 0.0) << "a negative position reads as 0";
  EXPECT_FALSE(plugin.mTransportSeen.mRunning);

  // Without a transport node every field is at its default.
  mFields[7] = nullptr;
  Render(&in, &out, 32);
  const plug::ITransportInfo& d = plugin.mTransportSeen;
  EXPECT_DOUBLE_EQ(d.mTempo, 120.0);
  EXPECT_DOUBLE_EQ(d.mSamplePos, -1.0);
  EXPECT_DOUBLE_EQ(d.mQuarterNotePos, -1.0);
  EXPECT_DOUBLE_EQ(d.mCycleStart, -1.0);
  EXPECT_DOUBLE_EQ(d.mCycleEnd, -1.0);
  EXPECT_EQ(d.mTimeSigNum, 4);
  EXPECT_EQ(d.mTimeSigDen, 4);
  EXPECT_FALSE(d.mRunning);
  EXPECT_FALSE(d.mLooping);
}

TEST_F(RenderTest, MidiInAndOutKeepTheirOrderAndSysExGoesOutFourBytesAPacket)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo, true);
  InputNode inNode;
  OutputNode outNode;
  mFields[4] = static_cast<AAX_IMIDINode*>(&inNode);
  mFields[5] = static_cast<AAX_IMIDINode*>(&outNode);

  inNode.Add(3, 0x90, 60, 100);
  inNode.Add(1, 0x80, 61, 0);
  plugin.QueueMidiMsgFromUI(IMidiMsg(0, 0xB0, 7, 64));
  // Emitted during processing in this order; they must leave sorted by offset, equal offsets
  // in emitted order.
  plugin.mEmitInBlock = {IMidiMsg(10, 0x90, 1, 1), IMidiMsg(5, 0x90, 2, 2), IMidiMsg(5, 0x90, 3, 3),
                         IMidiMsg(20, 0x90, 4, 4)};
  const uint8_t sysex[10] = {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7};
  plugin.QueueSysExMsgFromUI(plug::ISysExMsg(12, sysex, 10));

  HostBuffers in(2, 64);
  HostBuffers out(2, 64);
  Render(&in, &out, 64);

  // Host input in its order, then the editor's message (drained before processing).
  ASSERT_EQ(plugin.mMidiIn.size(), 3u);
  EXPECT_EQ(plugin.mMidiIn[0].mOffset, 3);
  EXPECT_EQ(plugin.mMidiIn[0].mStatus, 0x90);
  EXPECT_EQ(plugin.mMidiIn[0].mData1, 60);
  EXPECT_EQ(plugin.mMidiIn[0].mData2, 100);
  EXPECT_EQ(plugin.mMidiIn[1].mOffset, 1);
  EXPECT_EQ(plugin.mMidiIn[2].mStatus, 0xB0);
  // Host input also goes to the editor's queue.
  IMidiMsg toEditor;
  ASSERT_TRUE(plugin.PopMidiForEditor(toEditor));
  EXPECT_EQ(toEditor.mData1, 60);
  ASSERT_TRUE(plugin.PopMidiForEditor(toEditor));
  EXPECT_EQ(toEditor.mData1, 61);
  EXPECT_FALSE(plugin.PopMidiForEditor(toEditor));

  ASSERT_EQ(outNode.mPosted.size(), 4u + 3u);
  const uint8_t expectedOrder[] = {2, 3, 1, 4};
  const uint32_t expectedTimes[] = {5, 5, 10, 20};
  for (size_t i = 0; i < 4; ++i)
  {
    const AAX_CMidiPacket& p = outNode.mPosted[i];
    EXPECT_EQ(p.mTimestamp, expectedTimes[i]) << i;
    EXPECT_EQ(p.mData[1], expectedOrder[i]) << i;
    EXPECT_EQ(p.mLength, 3u);
    EXPECT_TRUE(p.mIsImmediate);
  }
  const uint32_t sysexLengths[] = {4, 4, 2};
  for (size_t i = 0; i < 3; ++i)
  {
    const AAX_CMidiPacket& p = outNode.mPosted[4 + i];
    EXPECT_EQ(p.mTimestamp, 12u);
    EXPECT_EQ(p.mLength, sysexLengths[i]);
    EXPECT_TRUE(p.mIsImmediate);
    EXPECT_EQ(0, std::memcmp(p.mData, sysex + 4 * i, sysexLengths[i]));
  }

  // The queue went out: the next call sends only what it produced.
  outNode.mPosted.clear();
  inNode.mPackets.clear();
  plugin.mEmitInBlock.clear();
  Render(&in, &out, 64);
  EXPECT_TRUE(outNode.mPosted.empty());
  EXPECT_EQ(plugin.GetMidiOutQueue().Size(), 0);

  // MIDI through with no output node: nothing piles up across calls.
  plugin.mThru = true;
  mFields[5] = nullptr;
  for (int call = 0; call < 3; ++call)
  {
    inNode.Add(0, 0x90, 1, 1);
    Render(&in, &out, 64);
    EXPECT_EQ(plugin.GetMidiOutQueue().Size(), 0);
  }
}

TEST_F(RenderTest, TheCallbackSkipsContextsWithoutAnInstanceAndRendersEveryOtherOne)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Mono, AAX_eStemFormat_Mono);
  HostBuffers in(1, 32);
  HostBuffers out(1, 32);
  mFrames = 32;
  mFields[0] = in.mPtrs.get();
  mFields[1] = out.mPtrs.get();

  unsigned char emptyPrivate[8] = {};
  void* orphan[AAX_kRenderFieldCount] = {};
  orphan[23] = emptyPrivate;
  void* noPrivate[AAX_kRenderFieldCount] = {};
  AAX_RenderContext batch[] = {nullptr, orphan, mFields, noPrivate, mFields};
  plug::AAX_CIPluginParameters::StaticRenderCallback(batch, batch + 5);
  EXPECT_EQ(plugin.mBlocks, 2);
  plug::AAX_CIPluginParameters::StaticRenderCallback(batch, batch); // an empty batch
  plug::AAX_CIPluginParameters::StaticRenderCallback(nullptr, nullptr);
  EXPECT_EQ(plugin.mBlocks, 2);
}

// ---------------------------------------------------------------------------------------------
// State chunk

TEST_F(RenderTest, ChunkRoundTripTellsTheHostEveryValueOnceAndSavesTheSameBytesAgain)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  int32_t count = 0;
  EXPECT_EQ(plugin.GetChunkCount(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 1);
  AAX_CTypeID id = 123;
  EXPECT_EQ(plugin.GetChunkIDAtIndex(0, &id), AAX_SUCCESS);
  EXPECT_EQ(id, kChunkID);
  EXPECT_EQ(plugin.GetChunkIDAtIndex(1, &id), AAX_ERROR_INVALID_CHUNK_INDEX);
  EXPECT_EQ(id, 0u);

  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.8, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("2", 0.3, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("3", 0.123456, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("6", 1.0, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("9", 0.75, 0), AAX_SUCCESS);
  // Values set as a preset or the editor would, which no normalised value maps to exactly.
  plugin.GetParam(kFreq)->Set(1234.5678);
  plugin.GetParam(kDrive)->Set(100.0 / 3.0);
  plugin.GetParam(kScale)->Set(1.2345);
  const std::vector<double> saved = Values();
  const std::vector<uint8_t> data = SaveChunk();

  // One little-endian double per parameter, in index order.
  ASSERT_EQ(data.size(), static_cast<size_t>(kNumParams) * 8);
  for (int i = 0; i < kNumParams; ++i)
  {
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b)
      bits = (bits << 8) | data[static_cast<size_t>(i * 8 + b)];
    double v = 0.0;
    std::memcpy(&v, &bits, 8);
    EXPECT_EQ(v, saved[static_cast<size_t>(i)]) << i;
  }

  const std::vector<uint8_t> record = Record(data, static_cast<int32_t>(data.size()));
  bool equal = false;
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(record), &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  // A move smaller than 1e-5 still compares equal; a real move does not.
  plugin.GetParam(kScale)->Set(plugin.GetParam(kScale)->Value() + 1e-7);
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(record), &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.1, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("3", 0.9, 0), AAX_SUCCESS);
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(record), &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);

  int32_t changesBefore = 0;
  plugin.GetChangeCount(&changesBefore);
  mHost->Context().ClearCalls();
  plugin.mChanges.clear();
  ASSERT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(record)), AAX_SUCCESS);
  EXPECT_EQ(Values(), saved);
  EXPECT_EQ(CallsNamed("AutomationDelegate.PostSetValueRequest"), 8u) << "once per host parameter";
  int32_t changesAfter = 0;
  plugin.GetChangeCount(&changesAfter);
  EXPECT_GT(changesAfter, changesBefore);
  bool restoreReported = false;
  for (const ChangeRecord& c : plugin.mChanges)
    restoreReported = restoreReported || c.source == plug::kPresetRecall;
  EXPECT_TRUE(restoreReported);
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(record), &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  EXPECT_EQ(SaveChunk(), data) << "save after load gives the same bytes";

  // Loading the same chunk again changes nothing; a second instance loads it identically.
  ASSERT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(record)), AAX_SUCCESS);
  EXPECT_EQ(Values(), saved);
  EXPECT_EQ(SaveChunk(), data);
  Destroy();
  Make(AAX_eStemFormat_Mono, AAX_eStemFormat_Mono);
  ASSERT_EQ(mPlugin->SetStateChunk(kChunkID, AsChunk(record)), AAX_SUCCESS);
  EXPECT_EQ(SaveChunk(), data);
}

TEST_F(RenderTest, MalformedChunksAreRefusedAndChangeNothing)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.9, 0), AAX_SUCCESS);
  const std::vector<uint8_t> good = SaveChunk();
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.2, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("2", 0.7, 0), AAX_SUCCESS);
  const std::vector<double> before = Values();
  int32_t changes = 0;
  plugin.GetChangeCount(&changes);
  mHost->Context().ClearCalls();

  auto expectUnchanged = [&](const char* what) {
    EXPECT_EQ(Values(), before) << what;
    int32_t now = 0;
    plugin.GetChangeCount(&now);
    EXPECT_EQ(now, changes) << what;
    EXPECT_EQ(CallsNamed("AutomationDelegate.PostSetValueRequest"), 0u) << what;
  };
  bool equal = true;

  // One byte short of a full state, in a record exactly that long.
  const std::vector<uint8_t> shortData(good.begin(), good.end() - 1);
  const std::vector<uint8_t> shortRecord = Record(shortData, static_cast<int32_t>(shortData.size()));
  EXPECT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(shortRecord)), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(shortRecord), &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);
  expectUnchanged("short");

  // Negative and empty sizes with only the header there.
  for (int32_t size : {-1, -264, std::numeric_limits<int32_t>::min(), 0})
  {
    const std::vector<uint8_t> header = Record({}, size);
    EXPECT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(header)), AAX_ERROR_INCORRECT_CHUNK_SIZE) << size;
    equal = true;
    EXPECT_EQ(plugin.CompareStateChunk(AsChunk(header), &equal), AAX_SUCCESS);
    EXPECT_FALSE(equal) << size;
  }
  expectUnchanged("negative");

  // Another plug-in's chunk: refused by set and size/get, equal for compare.
  const AAX_CTypeID foreign = AAX_MakeFourCC('e', 'l', 'c', 'k');
  const std::vector<uint8_t> foreignRecord = Record(good, static_cast<int32_t>(good.size()), foreign);
  EXPECT_EQ(plugin.SetStateChunk(foreign, AsChunk(foreignRecord)), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(plugin.CompareStateChunk(AsChunk(foreignRecord), &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  uint32_t size = 99;
  EXPECT_EQ(plugin.GetStateChunkSize(foreign, &size), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(size, 0u);
  std::vector<uint8_t> room = Record(good, 0, foreign);
  EXPECT_EQ(plugin.GetStateChunk(foreign, reinterpret_cast<AAX_SPlugInChunk*>(room.data())),
            AAX_ERROR_INVALID_CHUNK_ID);
  expectUnchanged("foreign");

  // Values that are not numbers, anywhere in the state.
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()})
  {
    for (int idx : {0, kNumParams - 1})
    {
      std::vector<uint8_t> data = good;
      std::memcpy(data.data() + idx * 8, &bad, 8);
      const std::vector<uint8_t> record = Record(data, static_cast<int32_t>(data.size()));
      EXPECT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(record)), AAX_ERROR_MALFORMED_CHUNK) << idx;
      EXPECT_EQ(plugin.CompareStateChunk(AsChunk(record), &equal), AAX_SUCCESS);
      EXPECT_FALSE(equal);
    }
  }
  expectUnchanged("nan");

  EXPECT_EQ(plugin.SetStateChunk(kChunkID, nullptr), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(plugin.CompareStateChunk(nullptr, &equal), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(plugin.GetStateChunkSize(kChunkID, nullptr), AAX_ERROR_NULL_ARGUMENT);
  expectUnchanged("null");

  // A longer chunk than needed loads its values and ignores the rest.
  std::vector<uint8_t> longer = good;
  longer.resize(good.size() + 5, 0xAB);
  ASSERT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(Record(longer, static_cast<int32_t>(longer.size())))),
            AAX_SUCCESS);
  EXPECT_EQ(SaveChunk(), good);
}

// A record that ends where unreadable memory begins: reading one byte past it faults.
class GuardedRecord
{
public:
  GuardedRecord(const std::vector<uint8_t>& data, int32_t sizeField)
  {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = AAX_ChunkRecordSize(data.size());
    mLength = ((bytes + page - 1) / page + 1) * page;
    void* map = mmap(nullptr, mLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
      return;
    mMap = static_cast<uint8_t*>(map);
    mprotect(mMap + mLength - page, page, PROT_NONE);
    mRecord = mMap + mLength - page - bytes;
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(mRecord);
    chunk->fSize = sizeField;
    chunk->fChunkID = static_cast<int32_t>(kChunkID);
    std::memcpy(mRecord + 56, data.data(), data.size());
  }
  ~GuardedRecord()
  {
    if (mMap)
      munmap(mMap, mLength);
  }
  const AAX_SPlugInChunk* Chunk() const { return reinterpret_cast<const AAX_SPlugInChunk*>(mRecord); }

private:
  uint8_t* mMap = nullptr;
  uint8_t* mRecord = nullptr;
  size_t mLength = 0;
};

TEST_F(RenderTest, ADamagedSizeReadsOnlyWhatThePluginsStateReaderTakes)
{
  // The plug-in keeps three doubles of its own after the parameters.
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  plugin.mExtra = {1.5, -2.5, 3.5};
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.9, 0), AAX_SUCCESS);
  const std::vector<uint8_t> saved = SaveChunk();
  ASSERT_EQ(saved.size(), static_cast<size_t>(kNumParams + 3) * 8);
  const std::vector<double> values = Values();

  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.1, 0), AAX_SUCCESS);
  plugin.mExtra = {0.0, 0.0, 0.0};
  for (int32_t claimed : {std::numeric_limits<int32_t>::max(), static_cast<int32_t>(saved.size()) + 4096})
  {
    GuardedRecord record(saved, claimed);
    ASSERT_NE(record.Chunk(), nullptr);
    EXPECT_EQ(plugin.SetStateChunk(kChunkID, record.Chunk()), AAX_SUCCESS) << claimed;
    EXPECT_EQ(Values(), values) << claimed;
    EXPECT_EQ(plugin.mExtra, std::vector<double>({1.5, -2.5, 3.5})) << "the state beyond the parameters";
  }
}

// A product whose load does not go through the base's tells the host the values its load
// left, read back from the parameters.
TEST_F(RenderTest, AProductsOwnLoadTellsTheHostTheValuesItLeaves)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.25, 0), AAX_SUCCESS);
  ASSERT_EQ(plugin.UpdateParameterFromHost("2", 0.5, 0), AAX_SUCCESS);
  const std::vector<uint8_t> data = SaveChunk();
  ASSERT_EQ(plugin.UpdateParameterFromHost("1", 0.75, 0), AAX_SUCCESS);

  plugin.mOwnLoad = true;
  ASSERT_EQ(plugin.SetStateChunk(kChunkID, AsChunk(Record(data, static_cast<int32_t>(data.size())))), AAX_SUCCESS);
  EXPECT_EQ(plugin.GetParam(kDrive)->Value(), 100.0);
  for (const auto& [id, normalized] : {std::pair<const char*, double>{"1", 0.25}, {"2", 1.0}})
  {
    double told = -1.0;
    for (const aaxhost::ValueRecord& request : mHost->Automation().SetValueRequests())
      told = request.id == id ? request.value : told;
    EXPECT_NEAR(told, normalized, 1e-12) << "told for " << id;
    double held = -1.0;
    EXPECT_EQ(plugin.GetParameterNormalized(id, &held), AAX_SUCCESS);
    EXPECT_NEAR(held, normalized, 1e-12) << "held by the host for " << id;
  }
}

TEST_F(RenderTest, GetStateChunkNeverWritesMoreThanTheHostWasTold)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  // A record sized for fewer bytes than the state: the host never asked for the size.
  std::vector<uint8_t> small = Record(std::vector<uint8_t>(8, 0), 8);
  EXPECT_EQ(plugin.GetStateChunk(kChunkID, reinterpret_cast<AAX_SPlugInChunk*>(small.data())),
            AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(reinterpret_cast<AAX_SPlugInChunk*>(small.data())->fSize, 8);
  uint32_t size = 0;
  EXPECT_EQ(plugin.GetStateChunkSize(kChunkID, &size), AAX_SUCCESS);
  EXPECT_EQ(size, static_cast<uint32_t>(kNumParams) * 8);
}

// ---------------------------------------------------------------------------------------------
// Notifications and host requests

TEST_F(RenderTest, NotificationsSetOfflineRenderingAndTheTrackName)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  EXPECT_FALSE(plugin.IsRenderingOffline());
  EXPECT_EQ(plugin.OnNotification(AAX_eNotificationEvent_EnteringOfflineMode, nullptr, 0), AAX_SUCCESS);
  EXPECT_TRUE(plugin.IsRenderingOffline());
  EXPECT_EQ(plugin.OnNotification(AAX_eNotificationEvent_ExitingOfflineMode, nullptr, 0), AAX_SUCCESS);
  EXPECT_FALSE(plugin.IsRenderingOffline());

  plug::CharBuf name;
  plugin.CopyTrackName(&name);
  EXPECT_STREQ(name.Get(), "");
  const AAX_CString track("Lead Vox 2");
  EXPECT_EQ(plugin.OnNotification(AAX_eNotificationEvent_TrackNameChanged, &track, sizeof(track)), AAX_SUCCESS);
  plugin.CopyTrackName(&name);
  EXPECT_STREQ(name.Get(), "Lead Vox 2");
  // Without data the name stays; an empty name replaces it.
  EXPECT_EQ(plugin.OnNotification(AAX_eNotificationEvent_TrackNameChanged, nullptr, 0), AAX_SUCCESS);
  plugin.CopyTrackName(&name);
  EXPECT_STREQ(name.Get(), "Lead Vox 2");
  const AAX_CString empty("");
  EXPECT_EQ(plugin.OnNotification(AAX_eNotificationEvent_TrackNameChanged, &empty, sizeof(empty)), AAX_SUCCESS);
  plugin.CopyTrackName(&name);
  EXPECT_STREQ(name.Get(), "");
  // Other notifications go to the base and change none of this.
  EXPECT_EQ(plugin.OnNotification(AAX_MakeFourCC('x', 'y', 'z', 'w'), nullptr, 0), AAX_SUCCESS);
  EXPECT_FALSE(plugin.IsRenderingOffline());
  plugin.CopyTrackName(nullptr);
}

TEST_F(RenderTest, ResizeRequestsReachTheHostOnlyWhileOpenAndOnlyForANewSize)
{
  RenderPlugin& plugin = Make(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
  aaxhost::ViewContainer* hostContainer = mHost->NewViewContainer(reinterpret_cast<void*>(0x1000));
  {
    AAX_VViewContainer container(hostContainer);

    // Closed editor: the size is kept, the host is not asked.
    EXPECT_TRUE(plugin.HostResizeEditor(400, 250));
    EXPECT_EQ(plugin.GetEditorWidth(), 400);
    EXPECT_EQ(plugin.GetEditorHeight(), 250);
    EXPECT_TRUE(hostContainer->Sizes().empty());

    plugin.SetMakeGraphicsFunc(
      [&plugin]() { return new testgraphics::HeadlessGraphics(plugin, 400, 250); });
    ASSERT_NE(plugin.OpenEditorWindow(reinterpret_cast<void*>(0x1000)), nullptr);
    plugin.GetEditorGraphics()->SetViewContainer(&container);
    EXPECT_TRUE(plugin.HostResizeEditor(plugin.GetEditorWidth(), plugin.GetEditorHeight()));
    EXPECT_TRUE(hostContainer->Sizes().empty()) << "the same size does not call the host";
    EXPECT_TRUE(plugin.HostResizeEditor(500, 300));
    ASSERT_EQ(hostContainer->Sizes().size(), 1u);
    EXPECT_EQ(hostContainer->Sizes()[0].vert, 300.0f);
    EXPECT_EQ(hostContainer->Sizes()[0].horz, 500.0f);

    // Closing forgets the container.
    plugin.CloseEditorWindow();
    ASSERT_EQ(plugin.OpenEditorWindow(reinterpret_cast<void*>(0x1000)) != nullptr, true);
    EXPECT_TRUE(plugin.HostResizeEditor(600, 350));
    EXPECT_EQ(hostContainer->Sizes().size(), 1u);
    plugin.CloseEditorWindow();

    // Uninitialised with the editor still open in the container: the host is asked nothing
    // more, but the new size is stored.
    ASSERT_NE(plugin.OpenEditorWindow(reinterpret_cast<void*>(0x1000)), nullptr);
    plugin.GetEditorGraphics()->SetViewContainer(&container);
    EXPECT_EQ(plugin.Uninit(), AAX_SUCCESS);
    EXPECT_TRUE(plugin.HostResizeEditor(640, 360));
    EXPECT_EQ(plugin.GetEditorWidth(), 640);
    EXPECT_EQ(plugin.GetEditorHeight(), 360);
    EXPECT_EQ(hostContainer->Sizes().size(), 1u);
    plugin.CloseEditorWindow();
  }
  hostContainer->Release();
}

} // namespace
