// The real aaxhost executable on the real Vellicor bundle: description and parameter list
// against golden texts, the default state chunk against a golden file, state files, renders
// with automation, load cycles, the editor object, and what the bundle exports.

#include "product/bundle/DemoSignal.h"
#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/AudioWriter.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "tests/host/ToolRunner.h"
#include "tests/support/PngImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bundletest {
namespace {

using hosttest::Quoted;
using hosttest::RunAaxhost;
using hosttest::ToolRun;

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& data)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

double ValueAt(const std::string& chunk, int index)
{
  double value = 0.0;
  std::memcpy(&value, chunk.data() + static_cast<size_t>(index) * sizeof(double), sizeof value);
  return value;
}

class BundleToolTest : public ::testing::Test
{
protected:
  // aaxhost with the bundle, a command and arguments; user preset files come from the
  // temporary home folder only.
  ToolRun Run(const std::string& command, const std::string& arguments = "") const
  {
    return RunAaxhost(command + " " + Quoted(VELLICOR_BUNDLE) + " " + arguments,
                      "VELLICOR_HOME_FOLDER=" + Quoted(mHome.Path()));
  }

  // A copy of the built bundle in a folder of the test's files; "" when it cannot be made.
  std::string CopyOfBundle(const std::string& folder) const
  {
    const std::string bundle = mFiles.File(folder + "/Vellicor.aaxplugin");
    const std::string copy =
      "mkdir " + Quoted(mFiles.File(folder)) + " && cp -r " + Quoted(VELLICOR_BUNDLE) + " " + Quoted(bundle);
    return system(copy.c_str()) == 0 ? bundle : std::string();
  }

  // aaxhost editor on a bundle in the temporary home folder, stopped after `seconds`.
  ToolRun EditorOf(const std::string& bundle, const std::string& arguments, int seconds = 120) const
  {
    return hosttest::RunCommand("env VELLICOR_HOME_FOLDER=" + Quoted(mHome.Path()) + " timeout " +
                                std::to_string(seconds) + " " + Quoted(AAXHOST_EXE) + " editor " + Quoted(bundle) +
                                " " + arguments + " 2>&1");
  }

  std::string WriteDemoInput(int channels, double seconds) const
  {
    vellicor::DemoSignalOptions options;
    options.channels = channels;
    options.seconds = seconds;
    aaxhost::AudioData data;
    data.sampleRate = 48000;
    data.channels = vellicor::GenerateDemoSignal(options);
    const std::string path = mFiles.File("input" + std::to_string(channels) + ".wav");
    std::string error;
    EXPECT_TRUE(aaxhost::WriteAudioFile(path, data, error)) << error;
    return path;
  }

  testsupport::TempDir mHome;
  testsupport::TempDir mFiles;
};

TEST_F(BundleToolTest, DescribeMatchesTheGoldenText)
{
  const ToolRun run = Run("describe");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, ReadFile(testsupport::SourcePath("tests/bundle/golden/describe.txt")));
}

TEST_F(BundleToolTest, ParamsMatchTheGoldenText)
{
  const ToolRun run = Run("params");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, ReadFile(testsupport::SourcePath("tests/bundle/golden/params.txt")));
}

TEST_F(BundleToolTest, DefaultStateIs264BytesOfDoublesInParameterOrder)
{
  const std::string path = mFiles.File("default.bin");
  const ToolRun run = Run("state", "--save " + Quoted(path));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("chunk id: 'QVlk'"), std::string::npos) << run.output;
  const std::string chunk = ReadFile(path);
  ASSERT_EQ(chunk.size(), 264u);
  EXPECT_EQ(chunk, ReadFile(testsupport::SourcePath("tests/bundle/golden/default_state.bin")));
  // A few values read back as the doubles they are: Drive, Level Calibration, OverSampling,
  // Output Bandlimit High.
  EXPECT_EQ(ValueAt(chunk, 6), 0.0);
  EXPECT_EQ(ValueAt(chunk, 13), -18.0);
  EXPECT_EQ(ValueAt(chunk, 15), 2.0);
  EXPECT_EQ(ValueAt(chunk, 32), 20.0);
}

TEST_F(BundleToolTest, SlotZeroUserPresetComesFromTheChosenHomeFolder)
{
  // The bundle reads slot 0's user preset file at construction, from the home folder the
  // host names, so the default-state test above never depends on the real home folder.
  const std::string folder = mHome.Path() + "/Music/Orlenbeck/Vellicor Presets";
  ASSERT_EQ(system(("mkdir -p " + Quoted(folder)).c_str()), 0);
  WriteFile(folder + "/0 User Preset.json", R"({"Params": {"6": 42.5, "7": 10}, "PresetName": "Home"})");
  const std::string path = mFiles.File("state.bin");
  const ToolRun run = Run("state", "--save " + Quoted(path));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string chunk = ReadFile(path);
  ASSERT_EQ(chunk.size(), 264u);
  EXPECT_EQ(ValueAt(chunk, 6), 42.5);
  EXPECT_EQ(ValueAt(chunk, 7), 10.0);
}

TEST_F(BundleToolTest, StateFilesRoundTripAndMalformedOnesAreRefused)
{
  const std::string first = mFiles.File("first.bin");
  const std::string second = mFiles.File("second.bin");
  ToolRun run = Run("state", "--set \"Tilt Switch=HI\" --set Drive=33.5 --set-norm 2=1 --set \"Link Gains=1\" "
                             "--save " + Quoted(first));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  run = Run("state", "--load " + Quoted(first) + " --save " + Quoted(second) + " --compare " + Quoted(first));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("compare: equal"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(second), ReadFile(first));
  EXPECT_EQ(ValueAt(ReadFile(second), 6), 33.5);

  // Short, poisoned and foreign chunks: refused, reported, the tool fails.
  const std::string good = ReadFile(first);
  const std::string shortChunk = mFiles.File("short.bin");
  WriteFile(shortChunk, good.substr(0, 100));
  run = Run("state", "--load " + Quoted(shortChunk));
  EXPECT_EQ(run.exitCode, 3) << run.output;
  EXPECT_NE(run.output.find("result -20008"), std::string::npos) << run.output;

  std::string poisoned = good;
  const double nan = std::nan("");
  std::memcpy(&poisoned[6 * sizeof(double)], &nan, sizeof nan);
  const std::string poisonedChunk = mFiles.File("nan.bin");
  WriteFile(poisonedChunk, poisoned);
  run = Run("state", "--load " + Quoted(poisonedChunk) + " --save " + Quoted(second));
  EXPECT_EQ(run.exitCode, 3) << run.output;
  EXPECT_NE(run.output.find("load: 264 bytes as 'QVlk' (0x51566c6b), result -"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(second), ReadFile(testsupport::SourcePath("tests/bundle/golden/default_state.bin")))
    << "a refused chunk leaves the defaults";

  run = Run("state", "--chunk-id ABCD --load " + Quoted(first));
  EXPECT_EQ(run.exitCode, 3) << run.output;
  EXPECT_NE(run.output.find("result -20007"), std::string::npos) << run.output;
  // No assertion or trace from the plug-in along the way.
  EXPECT_NE(run.output.find("host log: 0 traces, 0 assertions"), std::string::npos) << run.output;
}

TEST_F(BundleToolTest, RenderWithStateAndAutomationWritesFiniteAudio)
{
  const std::string input = WriteDemoInput(2, 1.0);
  const std::string state = mFiles.File("state.bin");
  ASSERT_EQ(Run("state", "--set OverSampling=16x --set \"Stereo Mode=1\" --save " + Quoted(state)).exitCode, 0);
  const std::string output = mFiles.File("out.wav");
  const ToolRun run = Run("render", Quoted(input) + " " + Quoted(output) + " --state " + Quoted(state) +
                                      " --block 32,4096,100,1 --automate \"Drive:0=0,0.5=100,1=20\" --play --offline");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("instance: component 1, 2 in, 2 out, 48000 Hz"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("automate 7: 3 points"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("non-finite samples: 0"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("real-time factor:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("host log: 0 traces, 0 assertions"), std::string::npos) << run.output;

  aaxhost::AudioData in, out;
  std::string error;
  ASSERT_TRUE(aaxhost::ReadAudioFile(input, in, error)) << error;
  ASSERT_TRUE(aaxhost::ReadAudioFile(output, out, error)) << error;
  ASSERT_EQ(out.channels.size(), 2u);
  ASSERT_EQ(out.Frames(), in.Frames());
  double peak = 0.0;
  for (const auto& channel : out.channels)
    for (float v : channel)
    {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
    }
  EXPECT_GT(peak, 0.05);

  // Offline rendering is deterministic: the same command writes the same bytes, although
  // updates and echoes reach the plug-in on the host's parameter thread and blocks render on
  // its audio thread.
  const std::string again = mFiles.File("again.wav");
  const ToolRun second =
    Run("render", Quoted(input) + " " + Quoted(again) + " --state " + Quoted(state) +
                    " --block 32,4096,100,1 --automate \"Drive:0=0,0.5=100,1=20\" --play --offline");
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_EQ(ReadFile(again), ReadFile(output));
}

TEST_F(BundleToolTest, ParamsAndRenderShowThePluginsOwnValuesAfterItsReactions)
{
  // Linked gains: the plug-in moves the output gain against the input gain without telling
  // the host, so the host's copy would still show 0 dB.
  const ToolRun params = Run("params", "--set \"Link Gains=0\" --set \"Input Gain=6\"");
  ASSERT_EQ(params.exitCode, 0) << params.output;
  EXPECT_NE(params.output.find("name \"Input Gain\"  steps 128  continuous  default 0.500000  value 0.750000  "
                               "text \"6.00dB\""),
            std::string::npos)
    << params.output;
  EXPECT_NE(params.output.find("name \"Output Gain\"  steps 128  continuous  default 0.500000  value 0.250000  "
                               "text \"-6.00dB\""),
            std::string::npos)
    << params.output;

  // A state whose load posts every value to the host, then a later setting: the echoes of the
  // load never undo the setting, and the values the render ran with are printed.
  const std::string state = mFiles.File("drive33.bin");
  ASSERT_EQ(Run("state", "--set Drive=33 --set \"Link Gains=0\" --save " + Quoted(state)).exitCode, 0);
  const ToolRun fromState = Run("params", "--state " + Quoted(state) + " --set \"Output Gain=-3\"");
  ASSERT_EQ(fromState.exitCode, 0) << fromState.output;
  EXPECT_NE(fromState.output.find("name \"Drive\"  steps 128  continuous  default 0.000000  value 0.330000"),
            std::string::npos)
    << fromState.output;
  EXPECT_NE(fromState.output.find("text \"3.00dB\""), std::string::npos) << "the linked input gain";

  const std::string input = WriteDemoInput(1, 0.25);
  const ToolRun render =
    Run("render", Quoted(input) + " " + Quoted(mFiles.File("out.wav")) + " --state " + Quoted(state) +
                    " --set Drive=60 --set \"Input Gain=-2\"");
  ASSERT_EQ(render.exitCode, 0) << render.output;
  EXPECT_NE(render.output.find("final values:\n"), std::string::npos) << render.output;
  EXPECT_NE(render.output.find("  7 \"Drive\" = 60.00%\n"), std::string::npos) << render.output;
  EXPECT_NE(render.output.find("  5 \"Output Gain\" = 2.00dB\n"), std::string::npos) << render.output;
}

TEST_F(BundleToolTest, BypassedMonoRenderGivesTheFileBack)
{
  const std::string input = WriteDemoInput(1, 0.5);
  const std::string output = mFiles.File("bypassed.wav");
  const ToolRun run = Run("render", Quoted(input) + " " + Quoted(output) +
                                      " --set-norm MasterBypassID=1 --set Drive=100 --block 333");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("instance: component 0, 1 in, 1 out"), std::string::npos) << run.output;
  aaxhost::AudioData in, out;
  std::string error;
  ASSERT_TRUE(aaxhost::ReadAudioFile(input, in, error)) << error;
  ASSERT_TRUE(aaxhost::ReadAudioFile(output, out, error)) << error;
  EXPECT_EQ(out.channels, in.channels);
}

TEST_F(BundleToolTest, LoadCyclesLeaveNothingAlive)
{
  const ToolRun run = Run("cycles", "4");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  for (int cycle = 1; cycle <= 4; ++cycle)
    EXPECT_NE(run.output.find("cycle " + std::to_string(cycle) +
                              ": register 0 AAX_SUCCESS (success), instance made, live objects 1 with instance, "
                              "0 after release, host references balanced, library unloaded"),
              std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("live host objects: 0"), std::string::npos) << run.output;
}

TEST_F(BundleToolTest, TheEditorObjectReportsTheEditorSizeAndGivesBackEveryReference)
{
  // The factory makes the editor object and it binds to the instance; its view opens in the
  // host's window and closes again three times.
  const ToolRun run = Run("editor", "--opens 3 --highlight Drive");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("editor: made by the editor factory, Init: result 0 AAX_SUCCESS"), std::string::npos)
    << run.output;
  EXPECT_NE(run.output.find("editor size: 900 x 500, result 0"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("close 3: result 0 AAX_SUCCESS (success), view container references balanced"),
            std::string::npos);
  EXPECT_NE(run.output.find("editor: released\n"), std::string::npos);
  EXPECT_NE(run.output.find("host references: balanced"), std::string::npos);
}

TEST_F(BundleToolTest, AHostileBackgroundFileLeavesTheEditorDrawingAndReturning)
{
  // A copy of the bundle whose background files hold a 50-byte Radiance HDR file with a
  // run-length scanline cut short (which once kept the editor decoding forever): it is no
  // PNG, so the editor draws without a background, and the host returns.
  const std::string bundle = CopyOfBundle("hostile");
  ASSERT_FALSE(bundle.empty());
  const std::string hostile = ReadFile(testsupport::SourcePath("tests/fuzz/corpus/image_fuzz/truncated-rle.hdr.png"));
  ASSERT_EQ(hostile.size(), 50u);
  for (const char* name : {"background@2x.png", "background.png"})
    WriteFile(bundle + "/Contents/Resources/" + name, hostile);
  const std::string png = mFiles.File("editor.png");
  const ToolRun run = EditorOf(bundle, "--frames 20 --png " + Quoted(png));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("editor: released\n"), std::string::npos) << run.output;
  // The refusal is said once, with the resource and the reason, through the host's trace.
  const std::string said =
    "LoadBitmap: " + bundle + "/Contents/Resources/background@2x.png refused: neither PNG nor JPEG\n";
  const size_t at = run.output.find(said);
  EXPECT_NE(at, std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("refused", at + said.size()), std::string::npos) << run.output;
  const testsupport::PngImage picture = testsupport::ReadPNG(png);
  ASSERT_EQ(picture.width, 900);
  ASSERT_EQ(picture.height, 500);
  // The controls drew: far from one colour.
  std::set<uint32_t> colours;
  for (size_t i = 0; i + 3 < picture.rgba.size(); i += 4)
    colours.insert(static_cast<uint32_t>(picture.rgba[i]) << 16 | static_cast<uint32_t>(picture.rgba[i + 1]) << 8 |
                   picture.rgba[i + 2]);
  EXPECT_GT(colours.size(), 100u);
}

TEST_F(BundleToolTest, AJpegBackgroundIsDrawnAndTheHostExitsCleanly)
{
  // A copy of the bundle with a JPEG as its background: decoded and drawn, with no refusal
  // said; under the sanitizers the host's leak check at exit passes too (libjpeg arriving with
  // the bundle once made it fault).
  const std::string bundle = CopyOfBundle("jpeg");
  ASSERT_FALSE(bundle.empty());
  const std::string jpeg = ReadFile(testsupport::SourcePath("tests/fuzz/corpus/image_fuzz/ycbcr.jpg"));
  ASSERT_FALSE(jpeg.empty());
  WriteFile(bundle + "/Contents/Resources/background@2x.png", jpeg);
  const ToolRun run = EditorOf(bundle, "--frames 2 --png " + Quoted(mFiles.File("jpeg.png")));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("editor: released\n"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("refused"), std::string::npos) << run.output;
}

TEST_F(BundleToolTest, TheProductsImageBudgetTakesA4096SquareAndRefusesOneRowMore)
{
  // The product's graphics factory bounds every decoded image to 4096 x 4096 pixels. A copy of
  // the bundle whose background is a plain image of just that area draws it; its Save button,
  // one row taller and as valid, is refused, and said once with the reason.
  const std::string bundle = CopyOfBundle("budget");
  ASSERT_FALSE(bundle.empty());
  const uint8_t plain[4] = {37, 201, 113, 255};
  ASSERT_TRUE(testsupport::WritePlainPNG(bundle + "/Contents/Resources/Save@2x.png", 4096, 4097, plain));
  ASSERT_TRUE(testsupport::WritePlainPNG(bundle + "/Contents/Resources/background@2x.png", 4096, 4096, plain));
  const std::string png = mFiles.File("budget.png");
  const ToolRun run = EditorOf(bundle, "--frames 2 --png " + Quoted(png));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string said =
    "LoadBitmap: " + bundle + "/Contents/Resources/Save@2x.png refused: beyond the size limits\n";
  const size_t at = run.output.find(said);
  ASSERT_NE(at, std::string::npos) << run.output;
  // Nothing else is refused, and this only once.
  EXPECT_EQ(run.output.find("refused"), at + said.find("refused")) << run.output;
  EXPECT_EQ(run.output.find("refused", at + said.size()), std::string::npos) << run.output;
  // The background shows wherever no control covers it.
  const testsupport::PngImage picture = testsupport::ReadPNG(png);
  ASSERT_EQ(picture.width, 900);
  ASSERT_EQ(picture.height, 500);
  int shown = 0;
  for (size_t i = 0; i + 3 < picture.rgba.size(); i += 4)
    shown += std::equal(plain, plain + 4, &picture.rgba[i]);
  EXPECT_GT(shown, 900 * 500 / 4);
}

TEST_F(BundleToolTest, AFifoAsTheBackgroundLeavesTheEditorReturning)
{
  // A copy of the bundle whose background files are FIFOs that nobody writes: opening one
  // for reading used to block the editor's layout for ever. They are no regular files, so the
  // editor draws without a background and the host returns.
  const std::string bundle = CopyOfBundle("fifo");
  ASSERT_FALSE(bundle.empty());
  for (const char* name : {"background@2x.png", "background.png"})
  {
    const std::string path = bundle + "/Contents/Resources/" + name;
    std::remove(path.c_str());
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
  }
  const ToolRun run = EditorOf(bundle, "--frames 2 --png " + Quoted(mFiles.File("fifo.png")), 60);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("editor: released\n"), std::string::npos) << run.output;
}

TEST_F(BundleToolTest, TheBundleIsLaidOutLikeTheMacOSOneAndExportsOnlyTheEntryPointsAndTheFileDrag)
{
  const std::string bundle = VELLICOR_BUNDLE;
  const std::string library = aaxhost::BundleLoader::LibraryPath(bundle);
  EXPECT_EQ(library, bundle + "/Contents/x86_64-linux/Vellicor.so");
  EXPECT_EQ(access(library.c_str(), R_OK), 0);
  struct stat st{};
  EXPECT_TRUE(stat((bundle + "/Contents/Resources").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
  EXPECT_NE(ReadFile(bundle + "/Contents/Info.plist").find("<string>com.Orlenbeck.aax.Vellicor</string>"),
            std::string::npos);

  std::set<std::string> names;
  FILE* pipe = popen(("nm -D --defined-only " + Quoted(library) + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[1024];
  while (fgets(line, sizeof line, pipe))
  {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name)
      names.insert(name);
  }
  pclose(pipe);
  // The entry points, and the editor's file drag out under its own (C++) name.
  const std::set<std::string> expected = {"ACFRegisterPlugin", "ACFRegisterComponent", "ACFGetClassFactory",
                                          "ACFCanUnloadNow",   "ACFStartup",           "ACFShutdown",
                                          "ACFGetSDKVersion",
                                          "_ZN4plug9igraphics12IGraphicsMac28InitiateExternalFileDragDropEPKcRKNS0_5IRECTE"};
  EXPECT_EQ(names, expected);
}

} // namespace
} // namespace bundletest
