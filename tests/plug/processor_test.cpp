#include "plug/IPluginProcessor.h"
#include "tests/plug/AllocFailure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace plug;
using testsupport::AllocFailure;

namespace {

IPluginConfig MakeConfig(const char* io, int latency = 0)
{
  IPluginConfig config;
  config.channelIOText = io;
  config.latency = latency;
  return config;
}

// A processor as the host binding drives it, recording the MIDI it emits.
class TestProcessor : public IPluginProcessor
{
public:
  explicit TestProcessor(const IPluginConfig& config) : IPluginProcessor(config) {}

  bool EmitMidiMsg(const IMidiMsg& msg) override
  {
    mEmitted.push_back(msg);
    return msg.mStatus != 0xFF; // a status of 0xFF counts as refused
  }

  // The host binding's set-up: every channel connected, a block size, the delay line.
  void SetUp(int blockSize)
  {
    MarkChannelsConnected(kInput, 0, NChannels(kInput), true);
    MarkChannelsConnected(kOutput, 0, NChannels(kOutput), true);
    ChangeBlockSize(blockSize);
    CreateLatencyDelay();
  }

  std::vector<IMidiMsg> mEmitted;
};

// A processor whose block gains the input by 2.
class GainProcessor : public TestProcessor
{
public:
  using TestProcessor::TestProcessor;
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    for (int c = 0; c < NChannels(kOutput); ++c)
      for (int f = 0; f < nFrames; ++f)
        outputs[c][f] = 2.0 * inputs[c < NChannels(kInput) ? c : 0][f];
  }
};

} // namespace

TEST(IOSpec, MonoAndStereoConfigurations)
{
  TestProcessor p(MakeConfig("1-1 2-2"));
  ASSERT_EQ(p.NIOConfigs(), 2);
  EXPECT_EQ(p.GetIOConfig(0)->NBuses(kInput), 1);
  EXPECT_EQ(p.GetIOConfig(0)->NChansOnBus(kInput, 0), 1);
  EXPECT_EQ(p.GetIOConfig(1)->NChansOnBus(kOutput, 0), 2);
  EXPECT_EQ(p.NChannels(kInput), 2);
  EXPECT_EQ(p.NChannels(kOutput), 2);
  EXPECT_EQ(p.MaxChannelsOnBus(kInput, 0), 2);
  EXPECT_EQ(p.MaxChannelsOnBus(kInput, 1), 0); // beyond the bus count
  int idx = -2;
  EXPECT_EQ(p.MaxBusCount(kOutput, &idx), 1);
  EXPECT_EQ(idx, 1); // the last configuration with that count
  EXPECT_TRUE(p.IsLegalIO(1, 1));
  EXPECT_TRUE(p.IsLegalIO(2, 2));
  EXPECT_FALSE(p.IsLegalIO(1, 2));
  EXPECT_TRUE(p.IsLegalIO(-1, 2));
  const int stereo[] = {2};
  const int mono[] = {1};
  EXPECT_EQ(p.FindIOConfig(stereo, 1, stereo, 1), 1);
  EXPECT_EQ(p.FindIOConfig(mono, 1, mono, 1), 0);
  EXPECT_EQ(p.FindIOConfig(mono, 1, stereo, 1), -1);
  // Channels start unconnected, each pointing at its own slot.
  EXPECT_EQ(p.CountConnectedChannels(kInput), 0);
  EXPECT_EQ(p.GetChannel(kOutput, 1)->mSlot, p.GetOutputPointers() + 1);
  EXPECT_EQ(p.GetChannel(kOutput, 2), nullptr);
}

TEST(IOSpec, WildcardsBusListsAndOddTokens)
{
  TestProcessor wild(MakeConfig("*-*"));
  ASSERT_EQ(wild.NIOConfigs(), 1);
  EXPECT_EQ(wild.GetIOConfig(0)->NChansOnBus(kInput, 0), kWildcardChannels);
  EXPECT_EQ(wild.GetIOConfig(0)->NChansOnBus(kOutput, 0), kWildcardChannels);
  EXPECT_EQ(wild.NChannels(kInput), 0);
  EXPECT_EQ(wild.NChannels(kOutput), 0);
  EXPECT_EQ(wild.MaxChannelsOnBus(kInput, 0), -1);
  EXPECT_TRUE(wild.IsLegalIO(-64, -64));

  PtrArray<IChannelIOConfig> list;
  int nIn, nOut, nInBuses, nOutBuses;
  EXPECT_EQ(IPluginProcessor::ParseIOSpec("2-2.2", list, nIn, nOut, nInBuses, nOutBuses), 1);
  EXPECT_EQ(nIn, 2);
  EXPECT_EQ(nOut, 4);
  EXPECT_EQ(nOutBuses, 2);
  list.Clear(true);

  EXPECT_EQ(IPluginProcessor::ParseIOSpec("0-2", list, nIn, nOut, nInBuses, nOutBuses), 1);
  EXPECT_EQ(list.Get(0)->NBuses(kInput), 0);
  EXPECT_EQ(nIn, 0);
  EXPECT_EQ(nOut, 2);
  list.Clear(true);

  // "*2" reads as 0 channels; "3x" as 3; a configuration without "-" has no outputs;
  // repeated blanks add no configuration.
  EXPECT_EQ(IPluginProcessor::ParseIOSpec("*2-1  3x.1-2 4", list, nIn, nOut, nInBuses, nOutBuses), 3);
  EXPECT_EQ(list.Get(0)->NBuses(kInput), 0);
  EXPECT_EQ(list.Get(1)->TotalChannels(kInput), 4);
  EXPECT_EQ(list.Get(2)->TotalChannels(kInput), 4);
  EXPECT_EQ(list.Get(2)->NBuses(kOutput), 0);
  EXPECT_EQ(nInBuses, 2);
  list.Clear(true);

  // Absurd counts are capped instead of overflowing.
  EXPECT_EQ(IPluginProcessor::ParseIOSpec("99999999999999-1", list, nIn, nOut, nInBuses, nOutBuses), 1);
  EXPECT_EQ(nIn, 1024);
  list.Clear(true);

  TestProcessor none(MakeConfig(""));
  EXPECT_EQ(none.NIOConfigs(), 0);
  EXPECT_EQ(none.MaxChannelsOnBus(kInput, 0), 0);
  EXPECT_FALSE(none.IsLegalIO(-1, -1));
}

TEST(Processor, BusNamesAndChannelLabels)
{
  TestProcessor p(MakeConfig("1-1 2-2"));
  CharBuf name;
  p.DefaultBusName(kOutput, 0, 2, name);
  EXPECT_STREQ(name.Get(), "Output 0");
  p.DefaultBusName(kOutput, 1, 2, name);
  EXPECT_STREQ(name.Get(), "Output 1");
  p.DefaultBusName(kOutput, 0, 1, name);
  EXPECT_STREQ(name.Get(), "Output");
  p.DefaultBusName(kInput, 0, 2, name);
  EXPECT_STREQ(name.Get(), "Main");
  p.DefaultBusName(kInput, 1, 2, name);
  EXPECT_STREQ(name.Get(), "Aux");
  p.DefaultBusName(kInput, 0, 1, name);
  EXPECT_STREQ(name.Get(), "Input");
  p.DefaultBusName(kInput, 2, 3, name);
  EXPECT_STREQ(name.Get(), "Input 2");

  p.FormatChannelLabel(kInput, 0, "Main L", false);
  p.FormatChannelLabel(kInput, 1, "In %i", false);
  p.FormatChannelLabel(kOutput, 1, "Out %i", true);
  p.FormatChannelLabel(kOutput, 5, "ignored %i", true);
  EXPECT_STREQ(p.GetChannelLabel(kInput, 0), "Main L");
  EXPECT_STREQ(p.GetChannelLabel(kInput, 1), "In 2");
  EXPECT_STREQ(p.GetChannelLabel(kOutput, 1), "Out 1");
  EXPECT_STREQ(p.GetChannelLabel(kOutput, 5), "");
}

TEST(Processor, ProcessPathConvertsAndWritesBackConnectedOutputsOnly)
{
  GainProcessor p(MakeConfig("1-1 2-2"));
  p.SetUp(8);
  p.MarkChannelsConnected(kOutput, 1, 1, false);

  std::vector<float> inL = {1, 2, 3, 4}, inR = {5, 6, 7, 8};
  std::vector<float> outL(4, 7.f), outR(4, 7.f);
  float* ins[] = {inL.data(), inR.data()};
  float* outs[] = {outL.data(), outR.data()};
  p.BindHostBuffers(kInput, 0, 2, ins, 4);
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.RunProcessBlock(4);
  EXPECT_EQ(outL, (std::vector<float>{2, 4, 6, 8}));
  EXPECT_EQ(outR, (std::vector<float>(4, 7.f))); // unconnected: never written

  // Accumulating adds to what the host buffers hold.
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.RunProcessBlockAccumulate(4);
  EXPECT_EQ(outL, (std::vector<float>{4, 8, 12, 16}));
}

TEST(Processor, DefaultProcessBlockCopiesAndZeroesExtraOutputs)
{
  TestProcessor p(MakeConfig("1-2"));
  p.SetUp(4);
  std::vector<float> in = {0.5f, -0.25f, 1, 0};
  std::vector<float> out0(4, 9.f), out1(4, 9.f);
  float* ins[] = {in.data()};
  float* outs[] = {out0.data(), out1.data()};
  p.BindHostBuffers(kInput, 0, 1, ins, 4);
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.RunProcessBlock(4);
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, (std::vector<float>(4, 0.f)));
}

TEST(Processor, BypassDelaysByLatency)
{
  TestProcessor p(MakeConfig("1-1", 3));
  p.SetUp(8);
  ASSERT_EQ(p.GetLatency(), 3);

  std::vector<float> in = {1, 2, 3, 4, 5};
  std::vector<float> out(5, 9.f);
  float* ins[] = {in.data()};
  float* outs[] = {out.data()};
  p.BindHostBuffers(kInput, 0, 1, ins, 5);
  p.BindHostBuffers(kOutput, 0, 1, outs, 5);
  p.PassThroughBlock(5);
  EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 1, 2}));

  // The line carries on across blocks.
  in = {6, 7};
  out = {9, 9};
  ins[0] = in.data();
  outs[0] = out.data();
  p.BindHostBuffers(kInput, 0, 1, ins, 2);
  p.BindHostBuffers(kOutput, 0, 1, outs, 2);
  p.PassThroughBlock(2);
  EXPECT_EQ(out, (std::vector<float>{3, 4}));

  // Without latency the bypass is a straight copy.
  p.ChangeLatency(0);
  p.BindHostBuffers(kInput, 0, 1, ins, 2);
  p.BindHostBuffers(kOutput, 0, 1, outs, 2);
  p.PassThroughBlock(2);
  EXPECT_EQ(out, (std::vector<float>{6, 7}));
}

TEST(Processor, BypassSilencesOutputsWithoutDelayedInput)
{
  TestProcessor p(MakeConfig("1-2", 2));
  p.SetUp(4);
  std::vector<float> in = {1, 2, 3, 4};
  std::vector<float> out0(4, 9.f), out1(4, 9.f);
  float* ins[] = {in.data()};
  float* outs[] = {out0.data(), out1.data()};
  p.BindHostBuffers(kInput, 0, 1, ins, 4);
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.PassThroughBlock(4);
  EXPECT_EQ(out0, (std::vector<float>{0, 0, 1, 2}));
  EXPECT_EQ(out1, (std::vector<float>(4, 0.f)));
}

TEST(Processor, LatencyChangesAndFailures)
{
  TestProcessor p(MakeConfig("2-2", 4));
  p.SetUp(8);
  ASSERT_NE(p.GetLatencyDelay(), nullptr);
  EXPECT_EQ(p.GetLatencyDelay()->mBuffer.GetSize(), 8);

  p.ChangeLatency(-3);
  EXPECT_EQ(p.GetLatency(), 0);
  EXPECT_EQ(p.GetLatencyDelay()->mLatency, 0);

  p.ChangeLatency(5);
  EXPECT_EQ(p.GetLatencyDelay()->mBuffer.GetSize(), 10);
  EXPECT_EQ(p.GetLatencyDelay()->mWritePos, 0);

  {
    AllocFailure fail;
    p.ChangeLatency(100000);
  }
  EXPECT_EQ(p.GetLatency(), 0); // no delay rather than a short one
  EXPECT_EQ(p.GetLatencyDelay()->mLatency, 0);

  // The bypass then copies straight through.
  std::vector<float> l = {1, 2}, r = {3, 4}, ol(2), orr(2);
  float* ins[] = {l.data(), r.data()};
  float* outs[] = {ol.data(), orr.data()};
  p.BindHostBuffers(kInput, 0, 2, ins, 2);
  p.BindHostBuffers(kOutput, 0, 2, outs, 2);
  p.PassThroughBlock(2);
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, r);

  p.ChangeTailLength(77);
  EXPECT_EQ(p.GetTailSize(), 77);
}

TEST(Processor, BlockSizeChanges)
{
  TestProcessor p(MakeConfig("1-1 2-2"));
  p.SetUp(4);
  EXPECT_EQ(p.GetBlockSize(), 4);
  EXPECT_EQ(p.GetChannel(kInput, 1)->mScratch.GetSize(), 4);

  // The same size leaves the contents alone.
  double* scratch = p.GetChannel(kInput, 0)->mScratch.Get();
  scratch[2] = 42.0;
  EXPECT_TRUE(p.ChangeBlockSize(4));
  EXPECT_EQ(p.GetChannel(kInput, 0)->mScratch.Get()[2], 42.0);

  // A real change resizes and zeroes every buffer and re-points the slots.
  EXPECT_TRUE(p.ChangeBlockSize(600));
  EXPECT_EQ(p.GetBlockSize(), 600);
  for (ERoute dir : {kInput, kOutput})
    for (int c = 0; c < 2; ++c)
    {
      const IChannelState* ch = p.GetChannel(dir, c);
      ASSERT_EQ(ch->mScratch.GetSize(), 600);
      EXPECT_EQ(*ch->mSlot, ch->mScratch.Get());
      EXPECT_EQ(ch->mScratch.Get()[2], 0.0);
    }

  // A size that cannot be had keeps the old one everywhere.
  {
    AllocFailure failAfterOne(1);
    EXPECT_FALSE(p.ChangeBlockSize(100000));
  }
  EXPECT_EQ(p.GetBlockSize(), 600);
  for (ERoute dir : {kInput, kOutput})
    for (int c = 0; c < 2; ++c)
      EXPECT_EQ(p.GetChannel(dir, c)->mScratch.GetSize(), 600);

  // More host frames than the block size: only the block is processed, the rest of the
  // host output is silenced, and nothing is written past the scratch buffers.
  EXPECT_TRUE(p.ChangeBlockSize(4));
  std::vector<float> in(8, 1.f), out(8, 9.f);
  float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  p.BindHostBuffers(kInput, 0, 2, ins, 8);
  p.BindHostBuffers(kOutput, 0, 1, outs, 8);
  p.RunProcessBlock(8);
  EXPECT_EQ(out, (std::vector<float>{1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(Processor, ProcessingPathDoesNotAllocate)
{
  TestProcessor p(MakeConfig("1-1 2-2", 16));
  p.SetUp(512);
  std::vector<float> l(512, 0.25f), r(512, -0.5f), ol(512), orr(512);
  float* ins[] = {l.data(), r.data()};
  float* outs[] = {ol.data(), orr.data()};

  AllocFailure noAllocations; // any allocation attempt would fail and be counted
  for (int block = 0; block < 3; ++block)
  {
    p.MarkChannelsConnected(kInput, 0, 2, true);
    p.BindHostBuffers(kInput, 0, 2, ins, 512);
    p.BindHostBuffers(kOutput, 0, 2, outs, 512);
    p.RunProcessBlock(512);
    p.BindHostBuffers(kInput, 0, 2, ins, 512);
    p.BindHostBuffers(kOutput, 0, 2, outs, 512);
    p.PassThroughBlock(512);
  }
  EXPECT_EQ(AllocFailure::Count(), 0);
  EXPECT_EQ(orr[100], -0.5f);
  EXPECT_EQ(ol[0], 0.25f);
}

TEST(Processor, UnconnectedInputsReadSilence)
{
  GainProcessor p(MakeConfig("2-2"));
  p.SetUp(4);
  std::vector<float> l = {1, 1, 1, 1}, r = {3, 3, 3, 3}, ol(4), orr(4, 5.f);
  float* ins[] = {l.data(), r.data()};
  float* outs[] = {ol.data(), orr.data()};
  p.BindHostBuffers(kInput, 0, 2, ins, 4);
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.RunProcessBlock(4);
  EXPECT_EQ(orr, (std::vector<float>(4, 6.f)));

  // The right input goes away: its last block must not be heard again.
  p.MarkChannelsConnected(kInput, 1, 1, false);
  p.BindHostBuffers(kInput, 0, 2, ins, 4); // one host buffer for the one connected channel
  p.BindHostBuffers(kOutput, 0, 2, outs, 4);
  p.RunProcessBlock(4);
  EXPECT_EQ(ol, (std::vector<float>(4, 2.f)));
  EXPECT_EQ(orr, (std::vector<float>(4, 0.f)));
  EXPECT_EQ(p.CountConnectedChannels(kInput), 1);

  p.MarkExtraChannels(); // only two channels: nothing beyond the second changes
  EXPECT_EQ(p.CountConnectedChannels(kOutput), 2);
  EXPECT_EQ(p.CountConnectedChannels(kInput), 1);

  TestProcessor quad(MakeConfig("4-4"));
  quad.MarkChannelsConnected(kInput, 0, 4, true);
  quad.MarkExtraChannels();
  EXPECT_EQ(quad.CountConnectedChannels(kInput), 2);
  EXPECT_FALSE(quad.IsChannelConnected(kInput, 3));
  EXPECT_TRUE(quad.IsChannelConnected(kOutput, 3));
  EXPECT_FALSE(quad.IsChannelConnected(kOutput, 1));
}

TEST(Processor, MidiTransportAndFacts)
{
  IPluginConfig config = MakeConfig("1-1");
  config.midiIn = true;
  TestProcessor p(config);
  EXPECT_EQ(p.GetSampleRate(), 48000.0);
  EXPECT_EQ(p.GetBlockSize(), 0);
  EXPECT_FALSE(p.IsRenderingOffline());
  EXPECT_TRUE(p.DoesMidiIn());
  EXPECT_EQ(p.PluginKindCode(), FourCharCode('a', 'u', 'm', 'f'));

  const ITransportInfo& t = p.GetTransportInfo();
  EXPECT_EQ(t.mTempo, 120.0);
  EXPECT_EQ(t.mSamplePos, -1.0);
  EXPECT_EQ(t.mTimeSigNum, 4);
  EXPECT_FALSE(t.mRunning);
  EXPECT_DOUBLE_EQ(p.BeatLengthInSamples(), 24000.0);
  ITransportInfo stopped;
  stopped.mTempo = 0;
  p.SetTransportInfo(stopped);
  EXPECT_EQ(p.BeatLengthInSamples(), 0.0);

  p.HandleMidiMsg(IMidiMsg(3, 0x90, 60, 100));
  ASSERT_EQ(p.mEmitted.size(), 1u);
  EXPECT_EQ(p.mEmitted[0].mData1, 60);
  const IMidiMsg list[] = {IMidiMsg(0, 0x80, 60, 0), IMidiMsg(1, 0xFF, 0, 0), IMidiMsg(2, 0x90, 62, 1)};
  EXPECT_FALSE(p.SendMidiMsgList(list, 3));
  EXPECT_EQ(p.mEmitted.size(), 4u); // every message is still sent
  EXPECT_TRUE(p.SendMidiMsgList(list, 1));
  EXPECT_FALSE(p.EmitSysExMsg(ISysExMsg()));

  IPluginConfig inst = MakeConfig("0-2");
  inst.pluginKind = kPluginInstrument;
  TestProcessor synth(inst);
  EXPECT_TRUE(synth.IsInstrument());
  EXPECT_EQ(synth.PluginKindCode(), FourCharCode('a', 'u', 'm', 'u'));
  synth.CreateLatencyDelay(); // no inputs: no delay line
  EXPECT_EQ(synth.GetLatencyDelay(), nullptr);
}
