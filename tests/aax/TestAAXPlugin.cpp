#include "tests/aax/TestAAXPlugin.h"

#include "aax/library/CACFUnknown.h"
#include "standin/aaxhost/Host.h"
#include "standin/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>

namespace testaax {

namespace {

std::atomic<int> sLive{0};

plug::IPluginConfig MakeConfig(bool midi)
{
  plug::IPluginConfig config;
  config.paramCount = kNumParams;
  config.presetCount = 1;
  config.channelIOText = "1-1 2-2";
  config.pluginName = "Binding Test";
  config.productName = "Binding Test";
  config.makerName = "Tests";
  config.pluginVersion = 0x10000;
  config.uniqueCode = plug::FourCharCode('T', 'b', 'n', 'd');
  config.makerCode = plug::FourCharCode('T', 's', 't', 's');
  config.hasEditor = true;
  config.midiIn = midi;
  config.midiOut = midi;
  config.editorWidth = 300;
  config.editorHeight = 200;
  config.minWidth = 300;
  config.maxWidth = 600;
  config.minHeight = 200;
  config.maxHeight = 400;
  return config;
}

} // namespace

TestAAXPlugin::TestAAXPlugin(bool midi, plug::ETickStart tickStart)
  : plug::IPluginAAX(plug::InstanceInfo(), MakeConfig(midi), tickStart)
{
  using plug::IParam;
  GetParam(kGain)->DefineDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
  GetParam(kDrive)->DefineDouble("Drive", 25.0, 0.0, 100.0, 0.01, "%", 0, "", IParam::ShapePowCurve(2.0));
  GetParam(kFreq)->DefineDouble("Frequency", 1000.0, 20.0, 20000.0, 1.0, "Hz", 0, "", IParam::ShapeExp());
  GetParam(kSteps)->DefineInt("Steps", 4, 1, 8, "x");
  GetParam(kPower)->DefineBool("Power", true);
  GetParam(kMode)->DefineEnum("Mode", 1, 3, "", 0, "", "Soft", "Hard", "Fold");
  GetParam(kScale)->DefineDouble("Scale", 1.0, 0.5, 2.0, 0.01, "", plug::kFlagCannotAutomate);
  GetParam(kStepped)->DefineDouble("Stepped", 5.0, 0.0, 10.0, 2.5, "", plug::kFlagStepped);
  ++sLive;
}

TestAAXPlugin::~TestAAXPlugin()
{
  StopUITimer();
  --sLive;
}

void TestAAXPlugin::HandleParamChange(int idx, plug::EParamChangeSource source, int offset)
{
  mChanges.push_back({idx, source, offset});
  if (mReaction)
    mReaction(mChanges.back());
}

int TestAAXPlugin::LoadState(const plug::IStateChunk& chunk, int startPos)
{
  const int end = plug::IPluginAAX::LoadState(chunk, startPos);
  if (mAfterLoad)
    mAfterLoad();
  return end;
}

void TestAAXPlugin::HandleRefusedParamChange(int idx) { mChanges.push_back({idx, plug::kHost, -1, true}); }

void TestAAXPlugin::SendParamValueToUI(int idx, double value, bool /*normalized*/)
{
  mToUI.emplace_back(idx, value);
}

int LiveTestPlugins() { return sLive.load(); }

void ExpectNothingLeft(const aaxhost::Host& host)
{
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
  EXPECT_EQ(LiveTestPlugins(), 0);
  EXPECT_TRUE(host.AllAtStartingCounts());
  standin::RunLoop::Main().RemoveAllTimers();
}

} // namespace testaax
