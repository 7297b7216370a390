// The aaxhost tool end to end on the test bundles: the printed description and parameter list
// against golden texts, rendering (gain, bypass, block schedules, automation, channel
// mapping, side-chain and auxiliary outputs), state chunks, load cycles, the editor opened
// and closed, help and usage errors, and the reporting of refused values, unusable files and
// a registration that fails, and output files that cannot be written, which keep the file they
// were to replace.

#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/AudioWriter.h"
#include "tests/host/HostTestPlugin.h"
#include "tests/host/ToolRunner.h"
#include "tests/support/PngImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
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

// The largest difference between each output sample and its input sample times the gain;
// infinity when the files differ in shape.
double DeviationFromGain(const aaxhost::AudioData& in, const aaxhost::AudioData& out, double gain)
{
  if (out.channels.size() != in.channels.size() || out.Frames() != in.Frames())
    return INFINITY;
  double worst = 0.0;
  for (size_t c = 0; c < in.channels.size(); ++c)
    for (size_t i = 0; i < in.Frames(); ++i)
      worst = std::max(worst, std::fabs(out.channels[c][i] - gain * in.channels[c][i]));
  return worst;
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

  EXPECT_LT(DeviationFromGain(Read("in.wav"), Read("half.wav"), 0.5), 1e-5);
}

TEST_F(HostToolTest, LongRendersShowProgressOnATerminalOnly)
{
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(mDir.File("long.wav"), TestSignal(2, 48000 * 6), error)) << error;
  const std::string args = "render " + kBundle + " " + Quoted(mDir.File("long.wav")) + " " + Quoted(mDir.File("o.wav"));
  const auto terminal = hosttest::RunAaxhostOnTerminal(args);
  EXPECT_EQ(terminal.exitCode, 0) << terminal.output;
  EXPECT_NE(terminal.output.find("\rrendering: "), std::string::npos) << terminal.output;
  EXPECT_NE(terminal.output.find(" s of 6.0 s)"), std::string::npos) << terminal.output;
  EXPECT_EQ(RunAaxhost(args).output.find("rendering"), std::string::npos) << "not into a pipe";
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

  // Chunks that differ have an exit code of their own.
  const auto differ = RunAaxhost("state " + kBundle + " --set Gain=1 --compare " + a);
  EXPECT_EQ(differ.exitCode, 4) << differ.output;
  EXPECT_NE(differ.output.find("compare: different, result 0 AAX_SUCCESS"), std::string::npos) << differ.output;

  // Malformed chunks are refused and reported by code, name and meaning, without changing
  // anything.
  std::ofstream(mDir.File("short.chunk"), std::ios::binary) << "abc";
  const auto shortChunk =
    RunAaxhost("state " + kBundle + " --load " + Quoted(mDir.File("short.chunk")) + " --compare " + Quoted(fresh));
  EXPECT_EQ(shortChunk.exitCode, 3) << shortChunk.output;
  EXPECT_NE(shortChunk.output.find("load: 3 bytes as 'HTst' (0x48547374), result -20008 AAX_ERROR_INCORRECT_CHUNK_SIZE "
                                   "(the chunk's size does not fit the plug-in's state)"),
            std::string::npos)
    << shortChunk.output;
  EXPECT_NE(shortChunk.output.find("compare: equal"), std::string::npos) << shortChunk.output;

  // A chunk under a foreign identifier is refused; the state is still saved, under the
  // instance's own identifier.
  const std::string kept = mDir.File("kept.chunk");
  const auto foreign = RunAaxhost("state " + kBundle + " --load " + a + " --chunk-id abcd --save " + Quoted(kept));
  EXPECT_EQ(foreign.exitCode, 3) << foreign.output;
  EXPECT_NE(foreign.output.find("result -20007 AAX_ERROR_INVALID_CHUNK_ID"), std::string::npos) << foreign.output;
  EXPECT_NE(foreign.output.find("save: result 0 AAX_SUCCESS (success), 40 bytes"), std::string::npos) << foreign.output;
  EXPECT_EQ(ReadBinary(kept), expected);
}

TEST_F(HostToolTest, SideChainAndAuxiliaryOutputBuffersAreAllFedAndWritten)
{
  // One component: a mono input with a side-chain, a mono output with an auxiliary mono
  // output. The plug-in sends the side-chain, with the gain, to the auxiliary output; the host
  // poisons every output buffer before each call and fails the render on any it finds unwritten.
  const std::string bundle = Quoted(HOSTTEST_AUX_BUNDLE);
  const auto run = RunAaxhost("render " + bundle + " " + Quoted(mDir.File("in.wav")) + " " +
                              Quoted(mDir.File("aux.wav")) + " --set Gain=-6.0206 --block 100,512");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("instance: component 0, 1 in, 1 out, side-chain in, 1 aux out"), std::string::npos)
    << run.output;
  EXPECT_LT(DeviationFromGain(Read("in.wav"), Read("aux.wav"), 0.5), 1e-5) << "main and side-chain, at half gain";

  // A file whose channels no configuration takes names the configurations.
  const auto mono = RunAaxhost("render " + bundle + " " + Quoted(mDir.File("mono.wav")) + " x.wav");
  EXPECT_EQ(mono.exitCode, 3) << mono.output;
  EXPECT_NE(mono.output.find("has 1 channel, and no configuration takes that many: component 0 (1 in, 1 out, "
                             "side-chain in, 1 aux out) takes 2"),
            std::string::npos)
    << mono.output;
}

TEST_F(HostToolTest, HelpAndUsageErrorsNameWhatWasWrong)
{
  EXPECT_NE(RunAaxhost("help").output.find("An output named \"-\""), std::string::npos);
  for (const char* help : {"--help", "-h", "help"})
  {
    const auto run = RunAaxhost(help);
    EXPECT_EQ(run.exitCode, 0) << help;
    for (const char* command : {"describe BUNDLE", "params BUNDLE", "render BUNDLE IN.wav OUT.wav", "state BUNDLE",
                                "cycles BUNDLE [N]", "aaxhost render Vellicor.aaxplugin in.wav out.wav"})
      EXPECT_NE(run.output.find(command), std::string::npos) << help << ": " << command;
    EXPECT_NE(run.output.find("  4  chunks differ"), std::string::npos) << run.output;
  }
  const auto state = RunAaxhost("help state");
  EXPECT_EQ(state.exitCode, 0);
  EXPECT_NE(state.output.find("  --compare FILE"), std::string::npos) << state.output;
  EXPECT_EQ(state.output.find("--block"), std::string::npos) << "only the command's own options";
  EXPECT_EQ(RunAaxhost("render --help").output, RunAaxhost("help render").output);

  const std::pair<std::string, std::string> errors[] = {
    {"", "aaxhost: missing command"},
    {"bogus " + kBundle, "aaxhost: unknown command \"bogus\""},
    {"help bogus", "aaxhost: unknown command \"bogus\""},
    {"params " + kBundle + " --volume 3", "aaxhost: unknown option --volume"},
    {"params " + kBundle + " extra", "aaxhost: extra argument \"extra\""},
    {"render " + kBundle + " in.wav", "aaxhost: missing OUT.wav"},
    {"state " + kBundle + " --block 64", "aaxhost: --block is an option of render editor, not of state"},
    {"editor " + kBundle + " in.wav", "aaxhost: missing OUT.wav"},
    {"editor " + kBundle + " a.wav b.wav --frames 2", "aaxhost: --frames is refused with audio: the frames follow the audio"},
    {"editor " + kBundle + " --at 1 --click 5,5", "aaxhost: --at needs audio: editor BUNDLE IN.wav OUT.wav"},
    {"editor " + kBundle + " a.wav b.wav --png-at 1", "aaxhost: bad --png-at \"1\": expected SECONDS:FILE"},
    {"render " + kBundle + " a.wav b.wav --block 0", "aaxhost: bad --block \"0\""},
    {"params " + kBundle + " --set", "aaxhost: --set needs a value (P=TEXT)"},
    {"cycles " + kBundle + " many", "aaxhost: bad cycle count \"many\""},
  };
  for (const auto& [args, message] : errors)
  {
    const auto run = RunAaxhost(args);
    EXPECT_EQ(run.exitCode, 1) << args;
    EXPECT_EQ(run.output.rfind(message, 0), 0u) << args << ":\n" << run.output;
  }
}

TEST_F(HostToolTest, RefusedAndClampedValuesAreReported)
{
  const auto refused = RunAaxhost("params " + kBundle + " --set Mode=Wobble");
  EXPECT_EQ(refused.exitCode, 3);
  EXPECT_NE(refused.output.find("error: \"Mode\" does not take \"Wobble\": result -20002 "
                                "AAX_ERROR_INVALID_STRING_CONVERSION (the text does not convert to a value); "
                                "it takes: Soft, Hard, Fold"),
            std::string::npos)
    << refused.output;
  EXPECT_NE(RunAaxhost("params " + kBundle + " --set Power=maybe").output.find("it takes: off, on"),
            std::string::npos);

  const auto clamped = RunAaxhost("params " + kBundle + " --set Gain=99 --set Drive=50 --set-norm Steps=-1");
  EXPECT_EQ(clamped.exitCode, 0) << clamped.output;
  EXPECT_NE(clamped.output.find("set 1 = 24.00dB (99 is outside -24.00dB..24.00dB: clamped to 24.00dB)"),
            std::string::npos)
    << clamped.output;
  EXPECT_NE(clamped.output.find("set 2 = 50.00%\n"), std::string::npos) << "in range: no note";
  EXPECT_NE(clamped.output.find("set 5 = 1x (-1 is outside 0..1: clamped to 1x)"), std::string::npos);

  const auto automation = Render("clamped.wav", "--automate Drive:0=0,0.5=200");
  EXPECT_EQ(automation.exitCode, 0) << automation.output;
  EXPECT_NE(automation.output.find("automate 2: point 2: 200 is outside 0.00%..100.00%: clamped to 100.00%"),
            std::string::npos)
    << automation.output;
  EXPECT_NE(automation.output.find("  2 \"Drive\" = 100.00%"), std::string::npos) << "the final values";
}

TEST_F(HostToolTest, AudioFilesTheComponentsCannotTakeAreRefused)
{
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(mDir.File("three.wav"), TestSignal(3, 480), error)) << error;
  const auto three = Render("x.wav", "", "three.wav");
  EXPECT_EQ(three.exitCode, 3) << three.output;
  EXPECT_NE(three.output.find("has 3 channels, and no configuration takes that many: component 0 (1 in, 1 out) takes "
                              "1, component 1 (2 in, 2 out) takes 2"),
            std::string::npos)
    << three.output;
  const auto forced = Render("x.wav", "--config 0");
  EXPECT_EQ(forced.exitCode, 3) << forced.output;
  EXPECT_NE(forced.output.find("has 2 channels, but component 0 (1 in, 1 out) takes 1"), std::string::npos)
    << forced.output;

  // A file cut short after its header promised more.
  const std::string whole = ReadText(mDir.File("in.wav"));
  std::ofstream(mDir.File("cut.wav"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  const auto cut = Render("x.wav", "", "cut.wav");
  EXPECT_EQ(cut.exitCode, 3) << cut.output;
  // 48000 frames of two float channels promised.
  EXPECT_NE(cut.output.find("cut.wav declares 384000 bytes of audio data but holds only "), std::string::npos)
    << cut.output;
  EXPECT_NE(cut.output.find(": the file is cut short"), std::string::npos) << cut.output;
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
    EXPECT_NE(line.find("register 0 AAX_SUCCESS (success), instance made, live objects 1 with instance, "
                        "0 after release"),
              std::string::npos)
      << line;
    EXPECT_NE(line.find("host references balanced"), std::string::npos) << line;
    EXPECT_NE(line.find("library unloaded"), std::string::npos) << line;
  }
  EXPECT_EQ(cycles, 4);
  EXPECT_NE(run.output.find("live host objects: 0"), std::string::npos);
}

TEST_F(HostToolTest, TheEditorOpensAndClosesRepeatedlyGivingBackEveryReference)
{
  // The test plug-in's editor is a headless graphics context: it really opens, and the
  // highlight reaches its controls (the answer while nothing is open would differ).
  const auto run = RunAaxhost("editor " + kBundle + " --opens 5 --highlight Drive --set Gain=3");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  ExpectGolden(run.output, "editor.txt");

  const auto unknown = RunAaxhost("editor " + kBundle + " --highlight Volume");
  EXPECT_EQ(unknown.exitCode, 3) << unknown.output;
  EXPECT_NE(unknown.output.find("no parameter \"Volume\""), std::string::npos);
  const auto usage = RunAaxhost("editor " + kBundle + " --opens 0");
  EXPECT_EQ(usage.exitCode, 1) << usage.output;
  EXPECT_NE(usage.output.find("bad --opens \"0\""), std::string::npos) << usage.output;
}

TEST_F(HostToolTest, AControlThatThrowsOnEveryFrameIsReportedToTheHostsTraceOnce)
{
  // Ten frames, each drawing the control that throws, through two openings: the exception is
  // caught by the editor view's timer and reported once for that place, and the editor goes
  // on drawing and closing as usual.
  const auto run = RunAaxhost("editor " + Quoted(HOSTTEST_THROWING_BUNDLE) + " --opens 2 --frames 5");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("host log: 1 trace, 0 assertions"), std::string::npos) << run.output;
  const size_t line = run.output.find("trace (priority 0x8000000): exception caught in ");
  ASSERT_NE(line, std::string::npos) << run.output;
  EXPECT_NE(run.output.find("IGraphicsView.cpp:", line), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("): the meter cannot draw\n", line), std::string::npos) << run.output;
}

TEST_F(HostToolTest, MetalValidationMessagesFromTheBundleAreShownAndFailTheRun)
{
  // The bundle's editor misuses its Metal device once: the host shows the message and the run
  // fails with its own exit code; the plain editor reports none.
  const auto run = RunAaxhost("editor " + Quoted(HOSTTEST_INVALID_METAL_BUNDLE) + " --frames 3");
  EXPECT_EQ(run.exitCode, 5) << run.output;
  EXPECT_NE(run.output.find("metal validation: newTexture: shared storage is not available"), std::string::npos)
    << run.output;
  EXPECT_NE(run.output.find("error: 1 Metal validation message\n"), std::string::npos) << run.output;
  const auto clean = RunAaxhost("editor " + kBundle + " --frames 3");
  EXPECT_EQ(clean.exitCode, 0) << clean.output;
  EXPECT_EQ(clean.output.find("metal validation"), std::string::npos) << clean.output;
}

// The row (pixels) of the first slider-handle pixel in the column, scanning down; -1 for none.
int HandleRow(const testsupport::PngImage& picture, int column)
{
  for (int y = 0; y < picture.height; ++y)
  {
    const uint8_t* p = picture.Pixel(column, y);
    if (p[0] > 150 && p[1] > 150 && p[2] > 150)
      return y;
  }
  return -1;
}

TEST_F(HostToolTest, TheEditorDrawsAtTheScreenScaleAndAScriptedDragChangesTheHostParameter)
{
  // Drive's slider is dragged up 50 points; the picture is the editor's size times the
  // screen scale, with Drive's handle now above Gain's, which nothing touched.
  const std::string png = mDir.File("editor.png");
  const auto run = RunAaxhost("editor " + kBundle + " --screen-scale 2 --frames 2 --drag 100,150:100,100 --png " +
                              Quoted(png));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("  input: drag 100,150 to 100,100\n  parameter 2 \"Drive\": 25.00% -> "), std::string::npos)
    << run.output;
  EXPECT_NE(run.output.find("parameters changed by the input: 1\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("800 x 600 pixels (draw scale 1, screen scale 2)"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("host references: balanced"), std::string::npos) << run.output;

  const testsupport::PngImage picture = testsupport::ReadPNG(png);
  ASSERT_FALSE(picture.Empty());
  ASSERT_EQ(picture.width, 800);
  ASSERT_EQ(picture.height, 600);
  const uint8_t* corner = picture.Pixel(10, 10);
  EXPECT_EQ(corner[0], hosttest::kEditorBackground.R);
  EXPECT_EQ(corner[1], hosttest::kEditorBackground.G);
  EXPECT_EQ(corner[2], hosttest::kEditorBackground.B);
  const int gainHandle = HandleRow(picture, 2 * 40);
  const int driveHandle = HandleRow(picture, 2 * 100);
  ASSERT_GT(gainHandle, 0);
  ASSERT_GT(driveHandle, 0);
  EXPECT_LT(driveHandle, gainHandle - 2 * 40) << "Drive's handle moved up by the drag";

  // Bad input options are usage errors naming the syntax.
  const auto usage = RunAaxhost("editor " + kBundle + " --drag 100,150");
  EXPECT_EQ(usage.exitCode, 1);
  EXPECT_NE(usage.output.find("bad --drag \"100,150\": expected [MODS+]X,Y:X2,Y2"), std::string::npos) << usage.output;
}

// Output files written onto a full device: each run exits 3 naming the file and the system's
// reason, and never reports the file as written.
TEST_F(HostToolTest, WritesOntoAFullDeviceFailWithTheReason)
{
  struct stat full{};
  if (stat("/dev/full", &full) != 0 || !S_ISCHR(full.st_mode))
    GTEST_SKIP() << "no /dev/full here";
  const std::string in = Quoted(mDir.File("in.wav"));
  const std::pair<std::string, std::string> runs[] = {
    // The command, and the start of the line that would report the file written.
    {"state " + kBundle + " --save /dev/full", "save: "},
    {"editor " + kBundle + " --png /dev/full", "  png: /dev/full,"},
    {"editor " + kBundle + " " + in + " " + Quoted(mDir.File("out.wav")) + " --png-at 0.5:/dev/full",
     "png: /dev/full\n"},
    {"editor " + kBundle + " " + in + " " + Quoted(mDir.File("out.wav")) + " --png /dev/full", "png: /dev/full\n"},
    {"render " + kBundle + " " + in + " /dev/full", "wrote /dev/full"},
  };
  for (const auto& [command, written] : runs)
  {
    const auto run = RunAaxhost(command);
    EXPECT_EQ(run.exitCode, 3) << command << "\n" << run.output;
    EXPECT_NE(run.output.find("cannot write /dev/full: " + std::string(std::strerror(ENOSPC)) + "\n"),
              std::string::npos)
      << command << "\n" << run.output;
    EXPECT_EQ(run.output.find(written), std::string::npos) << command << "\n" << run.output;
  }
}

mode_t PermissionBits(const std::string& path)
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A file's bytes where it is short; else its size and a hash of its bytes, read through a
// buffer of its own, so that the many snapshots of a test leave little memory behind them.
std::string Contents(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  char buffer[4096];
  std::string text;
  uint64_t hash = 1469598103934665603ull, size = 0;
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
  {
    const size_t n = static_cast<size_t>(in.gcount());
    if (size == 0 && n < sizeof buffer)
      text.assign(buffer, n);
    for (size_t i = 0; i < n; ++i)
      hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    size += n;
  }
  return size < sizeof buffer ? text : "size " + std::to_string(size) + ", hash " + std::to_string(hash);
}

// What a folder holds, its subfolders' entries included ("sub/name"): for each name, its type
// and permission bits, and a file's contents (see Contents) or a link's target.
using Snapshot = std::map<std::string, std::string>;

Snapshot FolderSnapshot(const std::string& folder, const std::string& prefix = "")
{
  Snapshot entries;
  DIR* dir = opendir(folder.c_str());
  while (const dirent* entry = dir ? readdir(dir) : nullptr)
  {
    const std::string name = entry->d_name;
    const std::string path = folder + "/" + name;
    struct stat st{};
    if (name == "." || name == ".." || lstat(path.c_str(), &st) != 0)
      continue;
    std::string& value = entries[prefix + name] = std::to_string(st.st_mode) + ":";
    if (S_ISDIR(st.st_mode))
      entries.merge(FolderSnapshot(path, prefix + name + "/"));
    else if (S_ISLNK(st.st_mode))
    {
      char target[PATH_MAX];
      const ssize_t length = readlink(path.c_str(), target, sizeof target);
      value.append(target, size_t(std::max<ssize_t>(length, 0)));
    }
    else
      value += Contents(path);
  }
  if (dir)
    closedir(dir);
  return entries;
}

// The names whose entries differ between two snapshots.
std::vector<std::string> Differences(const Snapshot& a, const Snapshot& b)
{
  std::vector<std::string> names;
  for (const auto& [name, entry] : a)
    if (!b.count(name) || b.at(name) != entry)
      names.push_back(name);
  for (const auto& [name, entry] : b)
    if (!a.count(name))
      names.push_back(name);
  return names;
}

// Output files that cannot be written whole leave the file they were to replace as it was, its
// bytes and permission bits, with nothing left beside it, whatever the length of its name and
// through a symbolic link, which stays; a new file is not left. So it is when a write passes a
// file-size limit (its signal ignored or not), when every temporary name beside the file is
// taken (the tool then refuses to write, never writing the file where it is), and when SIGINT, SIGTERM,
// SIGHUP, SIGQUIT or SIGPIPE arrives in the middle of writing the temporary file, which ends
// the tool as the signal does. A file or a link that has a temporary name is never written
// through. Written whole, the files are replaced, with their permission bits and links kept.
TEST_F(HostToolTest, AFailedWriteKeepsTheFileItWasToReplace)
{
  const std::string in = Quoted(mDir.File("in.wav"));
  const std::pair<std::string, std::string> commands[] = {
    // The command, OUT standing for its output's path, and the output's extension.
    {"render " + kBundle + " " + in + " OUT --set Gain=0", ".wav"},
    {"editor " + kBundle + " --png OUT", ".png"},
    {"state " + kBundle + " --set Gain=3.5 --save OUT", ".chunk"},
  };
  enum Output
  {
    kShort,
    kLong, // a name as long as names may be: no room for a suffix
    kLink, // a symbolic link to a file in another folder
    kNew,  // no file yet
  };
  const auto name = [](Output output, const std::string& extension) {
    const char* names[] = {"old", "", "link", "new"};
    return (output == kLong ? std::string(255 - extension.size(), 'n') : names[output]) + extension;
  };
  const auto line = [&](const std::string& command, const std::string& path) {
    const size_t at = command.find("OUT");
    return "exec '" + std::string(AAXHOST_EXE) + "' " + command.substr(0, at) + Quoted(path) +
           command.substr(at + 3) + " 2>&1";
  };

  // Old files with permission bits no new file is made with, a file that a link with a
  // temporary name leads to, and a folder for the links' files.
  ASSERT_EQ(mkdir(mDir.File("linked").c_str(), 0755), 0);
  std::ofstream(mDir.File("victim")) << "the victim";
  for (const auto& [command, extension] : commands)
  {
    for (const Output output : {kShort, kLong})
      std::ofstream(mDir.File(name(output, extension)), std::ios::binary) << "the old " << extension;
    std::ofstream(mDir.File("linked/" + name(kShort, extension)), std::ios::binary) << "the old linked " << extension;
    ASSERT_EQ(symlink(("linked/" + name(kShort, extension)).c_str(), mDir.File(name(kLink, extension)).c_str()), 0);
    for (const std::string& file :
         {name(kShort, extension), name(kLong, extension), "linked/" + name(kShort, extension)})
      ASSERT_EQ(chmod(mDir.File(file).c_str(), 0750), 0);
  }
  const Snapshot before = FolderSnapshot(mDir.Path());
  char realFolder[PATH_MAX];
  ASSERT_NE(realpath(mDir.Path().c_str(), realFolder), nullptr);

  // Temporary names beside an output taken before the tool runs, by the shell that then becomes
  // the tool (so with its PID): a file, a link to a file, a link to none, then empty files.
  const auto folderOf = [&](Output output) { return output == kLink ? std::string("linked/") : std::string(); };
  const auto take = [&](Output output, int names) {
    return "cd " + Quoted(mDir.File(folderOf(output))) + " && echo \"shell $$\" && echo planted >.tmp.$$.0 && ln -s " +
           Quoted(mDir.File("victim")) + " .tmp.$$.1 && ln -s made .tmp.$$.2 && for n in $(seq 3 " +
           std::to_string(names - 1) + "); do : >.tmp.$$.$n; done && ";
  };
  // Checks that the names are as the shell left them, and removes them.
  const auto untake = [&](Output output, int names, const std::string& printed, Snapshot& after) {
    const size_t shell = printed.find("shell ");
    const int pid = shell == std::string::npos ? 0 : std::atoi(printed.c_str() + shell + 6);
    const std::string stem = folderOf(output) + ".tmp." + std::to_string(pid) + ".";
    for (int n = 0; n < names; ++n)
    {
      const std::string& entry = after[stem + std::to_string(n)];
      EXPECT_EQ(entry.substr(std::min(entry.find(':'), entry.size())),
                ":" + std::string(n == 0 ? "planted\n" : n == 1 ? mDir.File("victim") : n == 2 ? "made" : ""))
        << stem << n;
      after.erase(stem + std::to_string(n));
      unlink(mDir.File(stem + std::to_string(n)).c_str());
    }
  };

  const auto midWrite = [&](int signal) {
    return "export LD_PRELOAD=" + Quoted(HOSTTEST_WRITE_SIGNAL_LIBRARY) + " HOSTTEST_SIGNAL_FOLDER=" +
           Quoted(realFolder) + " HOSTTEST_SIGNAL=" + std::to_string(signal) +
           " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" && ";
  };
  const std::string tooLarge = std::strerror(EFBIG);
  struct Failure
  {
    std::string shell;
    Output output;
    int signal;         // that ends the tool, or 0 for exit code 3 ...
    std::string reason; // ... with this reason, or none when every temporary name is taken
  };
  const Failure failures[] = {
    {"ulimit -f 0 && trap '' XFSZ && ", kShort, 0, tooLarge},
    {"ulimit -f 0 && ", kLong, 0, tooLarge},
    {"ulimit -f 0 && ", kLink, 0, tooLarge},
    {"ulimit -f 0 && ", kNew, 0, tooLarge},
    {take(kShort, 100), kShort, 0, ""},
    {take(kLink, 100), kLink, 0, ""},
    {take(kNew, 100), kNew, 0, ""},
    {midWrite(SIGINT), kShort, SIGINT, ""},
    {midWrite(SIGTERM), kLong, SIGTERM, ""},
    {midWrite(SIGHUP), kLink, SIGHUP, ""},
    {"ulimit -c 0 && " + midWrite(SIGQUIT), kNew, SIGQUIT, ""},
    {midWrite(SIGPIPE), kShort, SIGPIPE, ""},
  };
  for (const Failure& failure : failures)
    for (const auto& [command, extension] : commands)
    {
      const std::string path = mDir.File(name(failure.output, extension));
      const auto run = hosttest::RunCommand(failure.shell + line(command, path));
      const std::string context = failure.shell + command + " " + name(failure.output, extension) + "\n" + run.output;
      EXPECT_EQ(run.signal, failure.signal) << context;
      const bool allTaken = failure.signal == 0 && failure.reason.empty();
      if (failure.signal == 0)
      {
        // Every temporary name taken: the file a link leads to is the one they would be beside.
        const std::string reason =
          allTaken ? "no temporary file can be made beside " +
                       (failure.output == kLink ? mDir.File("linked/" + name(kShort, extension)) : "it") + ": " +
                       std::strerror(EEXIST)
                   : failure.reason;
        EXPECT_EQ(run.exitCode, 3) << context;
        EXPECT_NE(run.output.find("cannot write " + path + ": " + reason + "\n"), std::string::npos) << context;
      }
      Snapshot after = FolderSnapshot(mDir.Path());
      if (allTaken)
        untake(failure.output, 100, run.output, after);
      EXPECT_EQ(Differences(after, before), std::vector<std::string>()) << context;
    }

  // Written whole, with the first temporary names taken; the rest as it was.
  const mode_t mask = umask(0);
  umask(mask);
  Snapshot expected = before;
  for (const auto& [command, extension] : commands)
    for (const Output output : {kShort, kLong, kLink, kNew})
    {
      const std::string file = output == kLink ? "linked/" + name(kShort, extension) : name(output, extension);
      const auto run = hosttest::RunCommand(take(output, 3) + line(command, mDir.File(name(output, extension))));
      EXPECT_EQ(run.exitCode, 0) << command << " " << file << "\n" << run.output;
      Snapshot after = FolderSnapshot(mDir.Path());
      untake(output, 3, run.output, after);
      EXPECT_EQ(PermissionBits(mDir.File(file)), output == kNew ? 0666u & ~mask : 0750u) << file;
      EXPECT_NE(after[file], expected[file]) << file;
      expected[file] = after[file];
      EXPECT_EQ(Differences(after, expected), std::vector<std::string>()) << file;
      if (extension == ".wav")
        EXPECT_LT(DeviationFromGain(Read("in.wav"), Read(file), 1.0), 1e-5) << file;
      else if (extension == ".png")
        EXPECT_FALSE(testsupport::ReadPNG(mDir.File(file)).Empty()) << file;
      else
        EXPECT_EQ(ReadBinary(mDir.File(file)).size(), 5 * sizeof(double)) << file;
    }
}

TEST_F(HostToolTest, FailuresAreReportedWithTheirCauses)
{
  // Registration that fails: the code, the plug-in's assertions and its trace.
  const auto faulty = RunAaxhost("describe " + Quoted(HOSTTEST_FAULTY_BUNDLE));
  EXPECT_EQ(faulty.exitCode, 2) << faulty.output;
  EXPECT_NE(faulty.output.find("registration failed: result -20043 AAX_ERROR_INVALID_ARGUMENT"), std::string::npos)
    << faulty.output;
  EXPECT_NE(faulty.output.find("assertion: plug/aax/IPluginAAX_Describe:236: err == AAX_SUCCESS"), std::string::npos)
    << faulty.output;
  EXPECT_NE(faulty.output.find("assertion: plug/aax/IPluginAAX_Describe:251: err == AAX_SUCCESS"), std::string::npos);
  EXPECT_NE(faulty.output.find("trace (priority 0x8000000): AAXRegisterPlugin exception caught: "), std::string::npos);

  EXPECT_EQ(RunAaxhost("describe " + Quoted(mDir.File("missing.aaxplugin"))).exitCode, 2);
  const auto unknown = RunAaxhost("params " + kBundle + " --set Volume=3");
  EXPECT_EQ(unknown.exitCode, 3);
  EXPECT_NE(unknown.output.find("no parameter \"Volume\""), std::string::npos);
  EXPECT_EQ(RunAaxhost("render " + kBundle + " " + Quoted(mDir.File("none.wav")) + " x.wav").exitCode, 3);

  // Chunk files that are not regular files: refused with the reason, never read without end
  // (/dev/zero), never waited on (a named pipe with no writer) and never an uncaught exception
  // (a folder, /proc/self/mem).
  const std::string fifo = mDir.File("state.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {mDir.Path(), std::string("/proc/self/mem"), fifo, std::string("/dev/zero")})
  {
    const auto special = RunAaxhost("state " + kBundle + " --load " + Quoted(path));
    EXPECT_EQ(special.exitCode, 3) << path << "\n" << special.output;
    EXPECT_NE(special.output.find("error: cannot read " + path + ": "), std::string::npos) << special.output;
  }
}

} // namespace

namespace {

// Output files written to standard output, under any of its names: the file is whole and holds
// nothing but itself, and the report goes to standard error.
TEST_F(HostToolTest, AnOutputOnStandardOutputHoldsNoReport)
{
  const std::string exe = Quoted(AAXHOST_EXE);
  const std::string in = Quoted(mDir.File("in.wav"));
  ASSERT_EQ(Render("file.wav", "").exitCode, 0);
  const std::vector<char> wav = ReadBinary(mDir.File("file.wav"));
  const std::string chunkFile = mDir.File("file.chunk");
  ASSERT_EQ(RunAaxhost("state " + kBundle + " --set Drive=33 --save " + Quoted(chunkFile)).exitCode, 0);
  const std::vector<char> chunk = ReadBinary(chunkFile);

  const std::string out = mDir.File("out");
  const std::string log = mDir.File("log");
  // The command, with STDOUT for the name of the output; the file standard output goes to.
  const std::pair<std::string, const std::vector<char>*> runs[] = {
    {"render " + kBundle + " " + in + " STDOUT > " + Quoted(out), &wav},
    {"render " + kBundle + " " + in + " STDOUT | cat > " + Quoted(out), &wav},
    {"state " + kBundle + " --set Drive=33 --save STDOUT > " + Quoted(out), &chunk},
    {"state " + kBundle + " --set Drive=33 --save STDOUT | cat > " + Quoted(out), &chunk},
  };
  for (const auto& [command, expected] : runs)
    for (const std::string& name : {std::string("-"), std::string("/dev/stdout"), std::string("/proc/self/fd/1"),
                                    Quoted(out)})
    {
      if (name == Quoted(out) && command.find("| cat") != std::string::npos)
        continue;
      unlink(out.c_str());
      const size_t at = command.find("STDOUT");
      const std::string line =
        "cd " + Quoted(mDir.Path()) + " && " + exe + " " + command.substr(0, at) + name + command.substr(at + 6);
      const auto run = hosttest::RunCommand("(" + line + ") 2> " + Quoted(log));
      const std::string context = line + "\n" + ReadText(log);
      EXPECT_EQ(run.exitCode, 0) << context;
      EXPECT_TRUE(ReadBinary(out) == *expected) << context;
      EXPECT_NE(ReadText(log).find("host log: 0 traces"), std::string::npos) << context;
    }

  // A picture too; and a report with no output on standard output stays there.
  const auto picture = hosttest::RunCommand(exe + " editor " + kBundle + " --png - > " + Quoted(out) + " 2> " +
                                            Quoted(log));
  EXPECT_EQ(picture.exitCode, 0) << ReadText(log);
  EXPECT_FALSE(testsupport::ReadPNG(out).Empty()) << ReadText(log);
  const auto plain = hosttest::RunCommand(exe + " params " + kBundle + " > " + Quoted(out) + " 2> " + Quoted(log));
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_NE(ReadText(out).find("host log: 0 traces"), std::string::npos);
  EXPECT_EQ(ReadText(log), "");
}

} // namespace

namespace {

// With audio, the editor's input and pictures happen at their times of the file: one due at a
// block's start or at the very end happens there, one after the end fails the run before it
// starts, naming it. Modifier names reach the editor as the modifiers they name.
TEST_F(HostToolTest, EditorEventsHappenAtTheirTimesOfTheAudioAndNotAfterIt)
{
  const std::string in = Quoted(mDir.File("in.wav"));
  const std::string out = Quoted(mDir.File("out.wav"));
  const std::string end = mDir.File("end.png");
  const auto run = RunAaxhost("editor " + kBundle + " " + in + " " + out + " --block 480 --at 0.5 --click alt+5,5" +
                              " --click shift+6,6 --click cmd+ctrl+7,7 --png-at 1:" + Quoted(end));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("0.500 s: input: click 5,5 +alt\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("0.500 s: input: click 6,6 +shift\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("0.500 s: input: click 7,7 +cmd +ctrl\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("1.000 s: png: " + end + "\n"), std::string::npos) << run.output;
  EXPECT_FALSE(testsupport::ReadPNG(end).Empty());

  const std::pair<std::string, std::string> late[] = {
    {"--png-at 5:" + Quoted(mDir.File("late.png")),
     "error: the picture " + mDir.File("late.png") + " at 5.000 s comes after the end of the audio at 1.000 s\n"},
    {"--at 0.5 --click 5,5 --at 3 --click 372,488",
     "error: the input at 3.000 s (click 372,488) comes after the end of the audio at 1.000 s\n"},
  };
  for (const auto& [options, error] : late)
  {
    const auto refused = RunAaxhost("editor " + kBundle + " " + in + " " + Quoted(mDir.File("late.wav")) + " " +
                                    options);
    EXPECT_EQ(refused.exitCode, 3) << refused.output;
    EXPECT_NE(refused.output.find(error), std::string::npos) << refused.output;
    EXPECT_EQ(refused.output.find("input: click 5,5"), std::string::npos) << "before it starts\n" << refused.output;
    EXPECT_EQ(access(mDir.File("late.png").c_str(), F_OK), -1);
    EXPECT_EQ(access(mDir.File("late.wav").c_str(), F_OK), -1);
  }
}

} // namespace

namespace {

// An output file its user may not write is refused with the reason and kept as it was, never
// replaced through a temporary file beside it, though its folder would allow that. Root may
// write any file, so a suite run as root runs the tool as an unprivileged user for this.
TEST_F(HostToolTest, AReadOnlyOutputIsRefusedNotReplaced)
{
  std::string as;
  if (geteuid() == 0)
  {
    const passwd* user = getpwnam("nobody");
    if (!user || user->pw_uid == 0 || access("/usr/bin/setpriv", X_OK) != 0)
      GTEST_SKIP() << "run as root, with no unprivileged user (nobody, through setpriv) to run the tool as";
    as = "/usr/bin/setpriv --reuid=" + std::to_string(user->pw_uid) + " --regid=" + std::to_string(user->pw_gid) +
         " --clear-groups ";
    ASSERT_EQ(chmod(mDir.Path().c_str(), 0755), 0);
  }
  const std::string shared = mDir.File("shared");
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
  const std::pair<std::string, std::string> commands[] = {
    {"render " + kBundle + " " + Quoted(mDir.File("in.wav")) + " ", "old.wav"},
    {"editor " + kBundle + " --png ", "old.png"},
    {"state " + kBundle + " --save ", "old.chunk"},
  };
  for (const auto& [command, name] : commands)
  {
    const std::string file = shared + "/" + name;
    std::ofstream(file) << "the old file";
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  }
  const Snapshot before = FolderSnapshot(shared);
  for (const auto& [command, name] : commands)
  {
    const std::string file = shared + "/" + name;
    const auto run = hosttest::RunCommand(as + Quoted(AAXHOST_EXE) + " " + command + Quoted(file) + " 2>&1");
    EXPECT_EQ(run.exitCode, 3) << command << "\n" << run.output;
    EXPECT_NE(run.output.find("cannot write " + file + ": " + std::strerror(EACCES) + "\n"), std::string::npos)
      << run.output;
  }
  EXPECT_EQ(Differences(FolderSnapshot(shared), before), std::vector<std::string>());
}

// A stop signal ignored when the tool starts (as nohup leaves SIGHUP) stays ignored: the write
// goes on through it and the file is written whole.
TEST_F(HostToolTest, AnIgnoredHangUpLeavesTheWriteGoingOn)
{
  char realFolder[PATH_MAX];
  ASSERT_NE(realpath(mDir.Path().c_str(), realFolder), nullptr);
  const std::string out = mDir.File("out.wav");
  const auto run = hosttest::RunCommand(
    "trap '' HUP && export LD_PRELOAD=" + Quoted(HOSTTEST_WRITE_SIGNAL_LIBRARY) + " HOSTTEST_SIGNAL_FOLDER=" +
    Quoted(realFolder) + " HOSTTEST_SIGNAL=" + std::to_string(SIGHUP) +
    " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" && exec " + Quoted(AAXHOST_EXE) + " render " + kBundle +
    " " + Quoted(mDir.File("in.wav")) + " " + Quoted(out) + " 2>&1");
  EXPECT_EQ(run.signal, 0) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_LT(DeviationFromGain(Read("in.wav"), Read("out.wav"), 1.0), 1e-5);
}

} // namespace
