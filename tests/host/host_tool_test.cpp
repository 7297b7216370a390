// The aaxhost tool end to end on the test bundle: the printed description and parameter list
// against golden texts, rendering (gain, bypass, block schedules, automation, channel
// mapping), state chunks, load cycles and the reporting of a registration that fails.

#include "standin/aaxhost/tool/AudioFile.h"
#include "tests/host/ToolRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using hosttest::Quoted;
using hosttest::RunAaxhost;

namespace {

const std::string kBundle = Quoted(HOSTTEST_BUNDLE);

std::string ReadText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<char> ReadBinary(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Compares with a golden file; VELLICOR_UPDATE_GOLDEN=1 rewrites it instead.
void ExpectGolden(const std::string& actual, const std::string& goldenName)
{
  const std::string path = testsupport::SourcePath("tests/host/golden/" + goldenName);
  if (std::getenv("VELLICOR_UPDATE_GOLDEN"))
  {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(actual, ReadText(path)) << "golden " << goldenName;
}

// Two channels of different sines, a second at 48 kHz.
aaxhost::AudioData TestSignal(size_t channels = 2, size_t frames = 48000)
{
  aaxhost::AudioData data;
  data.sampleRate = 48000;
  data.channels.assign(channels, std::vector<float>(frames));
  for (size_t c = 0; c < channels; ++c)
    for (size_t i = 0; i < frames; ++i)
      data.channels[c][i] = static_cast<float>((0.5 / static_cast<double>(c + 1)) *
                                               std::sin(2.0 * M_PI * 440.0 * static_cast<double>((c + 1) * i) / 48000.0));
  return data;
}

class HostToolTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    ASSERT_TRUE(aaxhost::WriteAudioFile(mDir.File("in.wav"), TestSignal(), error)) << error;
    ASSERT_TRUE(aaxhost::WriteAudioFile(mDir.File("mono.wav"), TestSignal(1), error)) << error;
  }

  // Renders in.wav (or `input`) to `output` with extra options; returns the tool's run.
  hosttest::ToolRun Render(const std::string& output, const std::string& options, const std::string& input = "in.wav")
  {
    return RunAaxhost("render " + kBundle + " " + Quoted(mDir.File(input)) + " " + Quoted(mDir.File(output)) + " " +
                      options);
  }
  aaxhost::AudioData Read(const std::string& name)
  {
    aaxhost::AudioData data;
    std::string error;
    EXPECT_TRUE(aaxhost::ReadAudioFile(mDir.File(name), data, error)) << error;
    return data;
  }

  testsupport::TempDir mDir;
};

TEST_F(HostToolTest, DescribeAndParamsMatchTheGoldenTexts)
{
  const auto describe = RunAaxhost("describe " + kBundle);
  EXPECT_EQ(describe.exitCode, 0) << describe.output;
  ExpectGolden(describe.output, "describe.txt");

  const auto params = RunAaxhost("params " + kBundle);
  EXPECT_EQ(params.exitCode, 0) << params.output;
  ExpectGolden(params.output, "params.txt");

  // Values by name or identifier, in display units through the plug-in's own parsing, or
  // normalised.
  const auto set = RunAaxhost("params " + kBundle + " --set gain=-6 --set 3=Fold --set-norm Steps=1");
  EXPECT_EQ(set.exitCode, 0) << set.output;
  EXPECT_NE(set.output.find("set 1 = -6.00dB"), std::string::npos) << set.output;
  EXPECT_NE(set.output.find("set 3 = Fold"), std::string::npos) << set.output;
  EXPECT_NE(set.output.find("set 5 = 8x"), std::string::npos) << set.output;
}

TEST_F(HostToolTest, RenderAppliesTheParametersAndReportsLevels)
{
  const auto run = Render("half.wav", "--set Gain=-6.0206");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("instance: component 1, 2 in, 2 out, 48000 Hz"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("real-time factor: "), std::string::npos);
  EXPECT_NE(run.output.find("output 1: peak -12.04 dBFS"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("non-finite samples: 0"), std::string::npos);
  EXPECT_NE(run.output.find("host log: 0 traces, 0 assertions"), std::string::npos);

  // The host's transport and notifications reach the plug-in without disturbing it.
  const auto host = Render("host.wav", "--play --tempo 90 --offline --track-name 'Bass DI' --set Gain=-6.0206");
  ASSERT_EQ(host.exitCode, 0) << host.output;
  EXPECT_NE(host.output.find("track name \"Bass DI\": result 0"), std::string::npos) << host.output;
  EXPECT_EQ(Read("host.wav").channels, Read("half.wav").channels);

  const aaxhost::AudioData in = Read("in.wav");
  const aaxhost::AudioData out = Read("half.wav");
  ASSERT_EQ(out.channels.size(), 2u);
  ASSERT_EQ(out.Frames(), in.Frames());
  double worst = 0.0;
  for (size_t c = 0; c < 2; ++c)
    for (size_t i = 0; i < in.Frames(); ++i)
      worst = std::max(worst, std::fabs(out.channels[c][i] - 0.5 * in.channels[c][i]));
  EXPECT_LT(worst, 1e-5);
}

TEST_F(HostToolTest, BypassGivesTheInputBackBitExactWithAnyBlockSchedule)
{
  ASSERT_EQ(Render("bypass.wav", "--set-norm MasterBypassID=1 --block 32,4096,100,1").exitCode, 0);
  const aaxhost::AudioData in = Read("in.wav");
  const aaxhost::AudioData bypassed = Read("bypass.wav");
  ASSERT_EQ(bypassed.channels.size(), 2u);
  EXPECT_EQ(bypassed.channels, in.channels);

  // The block schedule changes nothing when the parameters stand still.
  ASSERT_EQ(Render("a.wav", "--set Gain=3 --block 4096").exitCode, 0);
  ASSERT_EQ(Render("b.wav", "--set Gain=3 --block 32,512,77").exitCode, 0);
  EXPECT_EQ(Read("a.wav").channels, Read("b.wav").channels);
}

TEST_F(HostToolTest, AutomationMovesTheParameterOverTheRender)
{
  const auto run = Render("ramp.wav", "--automate Gain:0=-24,1=0 --block 480");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("automate 1: 2 points"), std::string::npos) << run.output;
  const aaxhost::AudioData in = Read("in.wav");
  const aaxhost::AudioData out = Read("ramp.wav");
  ASSERT_EQ(out.Frames(), in.Frames());
  // The gain of each 480-frame block, from a sample well away from zero.
  auto gainAt = [&](size_t block) {
    for (size_t i = block * 480; i < (block + 1) * 480; ++i)
      if (std::fabs(in.channels[0][i]) > 0.1f)
        return out.channels[0][i] / in.channels[0][i];
    return 0.0f;
  };
  EXPECT_NEAR(gainAt(0), std::pow(10.0, -24.0 / 20.0), 1e-3);
  EXPECT_NEAR(gainAt(50), std::pow(10.0, -12.0 / 20.0), 1e-3);
  for (size_t b = 1; b < 100; ++b)
    EXPECT_GT(gainAt(b), gainAt(b - 1)) << "block " << b;

  const auto normalised = Render("ramp2.wav", "--automate-norm 1:0=0,1=0.5 --block 480");
  ASSERT_EQ(normalised.exitCode, 0) << normalised.output;
  EXPECT_EQ(Read("ramp2.wav").channels, out.channels) << "normalised 0..0.5 is -24..0 dB";
}

TEST_F(HostToolTest, ChannelConfigurationsFollowTheFileOrTheChoice)
{
  const auto mono = Render("mono-out.wav", "", "mono.wav");
  ASSERT_EQ(mono.exitCode, 0) << mono.output;
  EXPECT_NE(mono.output.find("instance: component 0, 1 in, 1 out"), std::string::npos) << mono.output;
  EXPECT_EQ(Read("mono-out.wav").channels.size(), 1u);

  // A mono file through the stereo component feeds both inputs.
  const auto wide = Render("wide.wav", "--config 1", "mono.wav");
  ASSERT_EQ(wide.exitCode, 0) << wide.output;
  const aaxhost::AudioData out = Read("wide.wav");
  ASSERT_EQ(out.channels.size(), 2u);
  EXPECT_EQ(out.channels[0], out.channels[1]);
  EXPECT_EQ(out.channels[0], Read("mono.wav").channels[0]);
}

TEST_F(HostToolTest, StateChunksSaveLoadAndCompare)
{
  const std::string a = Quoted(mDir.File("a.chunk"));
  const std::string b = Quoted(mDir.File("b.chunk"));
  const auto save = RunAaxhost("state " + kBundle + " --set Gain=3.5 --set Mode=Soft --save " + a);
  ASSERT_EQ(save.exitCode, 0) << save.output;

  // save -> load into a new instance -> save gives the same bytes, and compares equal.
  const auto again = RunAaxhost("state " + kBundle + " --load " + a + " --save " + b + " --compare " + a);
  ASSERT_EQ(again.exitCode, 0) << again.output;
  EXPECT_NE(again.output.find("compare: equal"), std::string::npos) << again.output;
  EXPECT_EQ(ReadBinary(mDir.File("a.chunk")), ReadBinary(mDir.File("b.chunk")));

  // A fresh instance differs, and its chunk is every default as a little-endian double.
  EXPECT_NE(RunAaxhost("state " + kBundle + " --compare " + a).output.find("compare: different"), std::string::npos);
  const std::string fresh = mDir.File("fresh.chunk");
  ASSERT_EQ(RunAaxhost("state " + kBundle + " --save " + Quoted(fresh)).exitCode, 0);
  const std::vector<double> defaults = {0.0, 25.0, 1.0, 1.0, 4.0};
  std::vector<char> expected(defaults.size() * sizeof(double));
  std::memcpy(expected.data(), defaults.data(), expected.size());
  EXPECT_EQ(ReadBinary(fresh), expected);

  // Malformed chunks are refused and reported, without changing anything.
  std::ofstream(mDir.File("short.chunk"), std::ios::binary) << "abc";
  const auto shortChunk =
    RunAaxhost("state " + kBundle + " --load " + Quoted(mDir.File("short.chunk")) + " --compare " + Quoted(fresh));
  EXPECT_EQ(shortChunk.exitCode, 3) << shortChunk.output;
  EXPECT_NE(shortChunk.output.find("load: 3 bytes as 'HTst' (0x48547374), result -20008"), std::string::npos)
    << shortChunk.output;
  EXPECT_NE(shortChunk.output.find("compare: equal"), std::string::npos) << shortChunk.output;

  // A chunk under a foreign identifier is refused.
  const auto foreign = RunAaxhost("state " + kBundle + " --load " + a + " --chunk-id abcd");
  EXPECT_EQ(foreign.exitCode, 3) << foreign.output;
  EXPECT_NE(foreign.output.find("result -20007"), std::string::npos) << foreign.output;
}

TEST_F(HostToolTest, LoadCyclesLeaveNothingAlive)
{
  // Each cycle strands the bundle's own main run loop when it unloads (see host_bundle_test);
  // the leak check is left to the runs that keep the bundle mapped.
  const auto run = RunAaxhost("cycles " + kBundle + " 4", "ASAN_OPTIONS=detect_leaks=0");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::istringstream lines(run.output);
  std::string line;
  int cycles = 0;
  while (std::getline(lines, line))
  {
    if (line.rfind("cycle ", 0) != 0)
      continue;
    ++cycles;
    EXPECT_NE(line.find("register 0, instance made, live objects 1 with instance, 0 after release"), std::string::npos)
      << line;
    EXPECT_NE(line.find("host references balanced"), std::string::npos) << line;
    EXPECT_NE(line.find("library unloaded"), std::string::npos) << line;
  }
  EXPECT_EQ(cycles, 4);
  EXPECT_NE(run.output.find("live host objects: 0"), std::string::npos);
}

TEST_F(HostToolTest, FailuresAreReportedWithTheirCauses)
{
  // Registration that fails: the code, the plug-in's assertions and its trace.
  const auto faulty = RunAaxhost("describe " + Quoted(HOSTTEST_FAULTY_BUNDLE));
  EXPECT_EQ(faulty.exitCode, 2) << faulty.output;
  EXPECT_NE(faulty.output.find("registration failed (-20043)"), std::string::npos) << faulty.output;
  EXPECT_NE(faulty.output.find("assertion: plug/aax/IPluginAAX_Describe:236: err == AAX_SUCCESS"), std::string::npos)
    << faulty.output;
  EXPECT_NE(faulty.output.find("assertion: plug/aax/IPluginAAX_Describe:251: err == AAX_SUCCESS"), std::string::npos);
  EXPECT_NE(faulty.output.find("trace (priority 0x8000000): AAXRegisterPlugin exception caught: "), std::string::npos);

  EXPECT_EQ(RunAaxhost("describe " + Quoted(mDir.File("missing.aaxplugin"))).exitCode, 2);
  const auto unknown = RunAaxhost("params " + kBundle + " --set Volume=3");
  EXPECT_EQ(unknown.exitCode, 3);
  EXPECT_NE(unknown.output.find("no parameter \"Volume\""), std::string::npos);
  EXPECT_EQ(RunAaxhost("render " + kBundle + " " + Quoted(mDir.File("none.wav")) + " x.wav").exitCode, 3);
  EXPECT_EQ(RunAaxhost("bogus " + kBundle).exitCode, 1);
  EXPECT_EQ(RunAaxhost("render " + kBundle + " --block 0").exitCode, 1);
}

} // namespace
