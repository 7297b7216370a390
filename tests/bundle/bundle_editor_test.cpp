// The real bundle's editor through the real aaxhost executable, in a temporary home folder (so no
// user preset file sets the scale): the pictures it writes at both screen scales against the
// background art, a drag on "Drive", the scale from user preset slot 2's file, closing and
// reopening, the user's preset flow (save, name, change, load back), the pusher knob after
// preset changes as the host sees it, a bundle whose resources are missing, closing the
// editor many times with frames in flight, and the editor open while a file plays.
#include "standin/aaxhost/tool/AudioFile.h"
#include "standin/aaxhost/tool/AudioWriter.h"
#include "tests/bundle/Lamps.h"
#include "tests/host/ToolRunner.h"
#include "tests/product/BackgroundArt.h"
#include "tests/support/PngImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace bundletest {
namespace {

using hosttest::Quoted;
using hosttest::RunAaxhost;
using hosttest::ToolRun;
using backgroundart::Area;
using backgroundart::Differences;
using testsupport::PngImage;
using testsupport::ReadPNG;

// Parts of the editor where only the background draws: the logo, the middle under it, the
// panel's left and right edges.
const Area kFreeAreas[] = {{250, 40, 650, 210}, {250, 262, 650, 360}, {16, 42, 48, 440}, {852, 30, 900, 440}};

class BundleEditorTest : public ::testing::Test
{
protected:
  // aaxhost editor on a bundle (the built one by default); the home folder is the test's, and
  // the environment settings ("NAME=value ...") are added.
  ToolRun Editor(const std::string& arguments, const std::string& bundle = VELLICOR_BUNDLE,
                 const std::string& environment = "") const
  {
    const std::string home = Quoted(mHome.Path());
    return RunAaxhost("editor " + Quoted(bundle) + " " + arguments,
                      "VELLICOR_HOME_FOLDER=" + home + " HOME=" + home + " " + environment);
  }
  std::string File(const std::string& name) const { return mFiles.File(name); }
  // Runs the editor with the arguments and a picture written to the named file, and reads the
  // picture back; the run must succeed and the picture have the size given.
  PngImage Picture(const std::string& arguments, const std::string& name, int width, int height,
                   ToolRun* pRun = nullptr) const
  {
    const ToolRun run = Editor(arguments + " --png " + Quoted(File(name)));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("host log: 0 traces, 0 assertions"), std::string::npos) << run.output;
    PngImage picture = ReadPNG(File(name));
    EXPECT_EQ(picture.width, width) << run.output;
    EXPECT_EQ(picture.height, height) << run.output;
    if (pRun)
      *pRun = run;
    return picture;
  }
  static PngImage Art() { return ReadPNG(std::string(VELLICOR_BUNDLE) + "/Contents/Resources/background@2x.png"); }

  // The picture matches the art in the free areas.
  static void ExpectArtInFreeAreas(const PngImage& picture, int scale)
  {
    const backgroundart::Comparison result =
      backgroundart::Compare(picture, Art(), scale, 2, 3, [scale](int px, int py) {
        const float x = float(px) / scale, y = float(py) / scale;
        for (const Area& a : kFreeAreas)
          if (x >= a.l && x + 1.f / scale <= a.r && y >= a.t && y + 1.f / scale <= a.b)
            return false;
        return true;
      });
    EXPECT_GT(result.compared, 5000);
    EXPECT_EQ(result.mismatches, 0) << result.firstMismatches;
  }

  testsupport::TempDir mHome;
  testsupport::TempDir mFiles;
};

const Area kDriveKnob{74, 112, 220, 258};

TEST_F(BundleEditorTest, PicturesAtBothScalesShowTheArtAndADragOnDriveRaisesItAndRedrawsTheKnob)
{
  const PngImage stillPicture = Picture("--frames 3", "still.png", 900, 500);
  ASSERT_FALSE(stillPicture.Empty());
  ExpectArtInFreeAreas(stillPicture, 1);
  const PngImage retinaPicture = Picture("--frames 3 --screen-scale 2", "retina.png", 1800, 1000);
  ASSERT_FALSE(retinaPicture.Empty());
  ExpectArtInFreeAreas(retinaPicture, 2);

  // On the ring above the pusher knob, upwards.
  ToolRun drag;
  const PngImage dragPicture = Picture("--frames 3 --drag 147,118:147,60", "drag.png", 900, 500, &drag);
  EXPECT_NE(drag.output.find("parameter 7 \"Drive\": 0.00% -> "), std::string::npos) << drag.output;
  EXPECT_NE(drag.output.find("parameters changed by the input: 1\n"), std::string::npos) << drag.output;
  const auto [inKnob, elsewhere] = Differences(stillPicture, dragPicture, kDriveKnob);
  EXPECT_GT(inKnob, 30);
  EXPECT_EQ(elsewhere, 0);
}

TEST_F(BundleEditorTest, EveryHighlightColourTheHostAsksForShowsAtTheDriveKnobAndNowhereElse)
{
  const PngImage plain = Picture("--frames 2", "plain.png", 900, 500);
  // The host's colour codes: red, blue, green, yellow. The knob's dot sits 5 points in from its
  // top right corner (220, 112), 2 points in radius: the four pixels about its centre are
  // covered whole.
  const struct
  {
    int code;
    int rgb[3];
  } colours[] = {{0, {255, 0, 0}}, {1, {0, 0, 255}}, {2, {0, 255, 0}}, {3, {255, 255, 0}}};
  for (const auto& colour : colours)
  {
    const std::string code = std::to_string(colour.code);
    const PngImage lit =
      Picture("--frames 2 --highlight Drive --highlight-colour " + code, "lit" + code + ".png", 900, 500);
    ASSERT_FALSE(lit.Empty());
    for (int y : {116, 117})
      for (int x : {214, 215})
        for (int k = 0; k < 3; ++k)
          EXPECT_EQ(lit.Pixel(x, y)[k], colour.rgb[k]) << "colour " << code << ", pixel " << x << "," << y;
    const auto [atDot, elsewhere] = Differences(plain, lit, {212, 114, 218, 120});
    EXPECT_GE(atDot, 4) << code;
    EXPECT_EQ(elsewhere, 0) << code;
  }
}

TEST_F(BundleEditorTest, UserPresetSlotTwoSetsTheScaleAndReopeningKeepsTheSessionsValues)
{
  // Without a slot-2 file, two openings show what one does: the session's values.
  const PngImage once = Picture("--set Drive=40 --frames 3", "once.png", 900, 500);
  const PngImage twice = Picture("--set Drive=40 --opens 2 --frames 3", "twice.png", 900, 500);
  const auto [inKnob, elsewhere] = Differences(once, twice, kDriveKnob);
  EXPECT_EQ(inKnob + elsewhere, 0);

  // Slot 2's file says 1.5: the editor opens at that scale.
  const std::string folder = mHome.Path() + "/Music/Orlenbeck/Vellicor Presets";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/2 User Preset.json") << R"({"Params":{"2":1.5},"PresetName":"Big"})";
  Picture("--frames 2", "big.png", 1350, 750);
}

// Mouse moves away from the controls, a frame after each: time for the splash animation of a
// vector button to end and run the button's action.
std::string Wait()
{
  std::string args;
  for (int frame = 0; frame < 8; ++frame)
    args += " --move 450,300";
  return args;
}

// Steps through the presets with the strip's ">" button.
std::string NextPresetClicks(int n)
{
  std::string args;
  for (int i = 0; i < n; ++i)
    args += " --click 286,14" + Wait();
  return args;
}

TEST_F(BundleEditorTest, TheUsersPresetFlowThroughTheHostsEditor)
{
  // Save, slot 3 from the list, "Warm", Return; Drive dragged up; slot 3 chosen again. The
  // menus answer from inside their loops, after two turns and after 30 ms of frames.
  const std::string save = " --click 594,14 --menu 3@2 --click 440,14" + Wait() + " --click 440,12" + Wait() +
                           " --type 440,12:Warm --key 440,12:Return" + Wait();
  const std::string changeAndLoad = " --drag 147,118:147,60 --menu 3@30ms --click 440,14" + Wait();
  ToolRun run;
  const PngImage loaded = Picture("--set Drive=42 --frames 2" + save + changeAndLoad, "loaded.png", 900, 500, &run);
  std::ifstream file(mHome.Path() + "/Music/Orlenbeck/Vellicor Presets/3 User Preset.json");
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"6\":42.0,"), std::string::npos) << text;
  EXPECT_NE(text.find("\"PresetName\":\"Warm\""), std::string::npos) << text;
  // The drag moved the host's Drive and the load brought it back to the file's 42 %: the host
  // ends where it started, so the run lists no change of it.
  EXPECT_EQ(run.output.find("parameter 7 \"Drive\""), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("the next menu answers 3 after 30 ms"), std::string::npos) << run.output;

  // The knob shows the file's 42 %, not the dragged value.
  const PngImage at42 = Picture("--set Drive=42 --frames 2", "at42.png", 900, 500);
  const PngImage dragged = Picture("--set Drive=42 --frames 2 --drag 147,118:147,60", "dragged.png", 900, 500);
  EXPECT_EQ(Differences(loaded, at42, kDriveKnob).first, 0);
  EXPECT_GT(Differences(loaded, dragged, kDriveKnob).first, 30);
}

TEST_F(BundleEditorTest, AfterAPresetChangeThePusherKnobFollowsTheModeAndTellsTheHostItsValue)
{
  // Preset 4 ("High Saturation M/S") is mid/side: the idle hook enables the pusher, whose knob
  // hands the preset's value to the host.
  ToolRun toMidSide, toMono;
  Picture("--frames 2" + NextPresetClicks(4), "ms.png", 900, 500, &toMidSide);
  EXPECT_NE(toMidSide.output.find("parameter 30 \"Mid-Side Pusher\": 0.00% -> -67.80%"), std::string::npos)
    << toMidSide.output;

  // From mid/side with the pusher at 25 % to preset 1 (dual mono): disabled, and the host is
  // told the preset's 0 %.
  Picture("--set \"Stereo Mode=1\" --set \"Mid-Side Pusher=25\" --frames 2" + NextPresetClicks(1),
          "mono.png", 900, 500, &toMono);
  EXPECT_NE(toMono.output.find("parameter 30 \"Mid-Side Pusher\": 25.00% -> 0.00%"), std::string::npos)
    << toMono.output;

}

TEST_F(BundleEditorTest, WithItsResourcesMissingTheEditorStillOpensAndDraws)
{
  // A copy of the bundle with an empty Resources folder.
  const std::string bundle = File("bare/Vellicor.aaxplugin");
  std::filesystem::create_directories(bundle + "/Contents/Resources");
  std::filesystem::copy(std::string(VELLICOR_BUNDLE) + "/Contents/x86_64-linux", bundle + "/Contents/x86_64-linux",
                        std::filesystem::copy_options::recursive);
  std::filesystem::copy_file(std::string(VELLICOR_BUNDLE) + "/Contents/Info.plist", bundle + "/Contents/Info.plist");
  const ToolRun run = Editor("--frames 2 --drag 147,118:147,60 --png " + Quoted(File("bare.png")), bundle);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("parameter 7 \"Drive\": 0.00% -> "), std::string::npos) << run.output;
  const PngImage picture = ReadPNG(File("bare.png"));
  ASSERT_EQ(picture.width, 900);
  ASSERT_EQ(picture.height, 500);
  // The knobs still draw: the Drive knob's area has pixels unlike the empty middle.
  int ink = 0;
  for (int y = int(kDriveKnob.t); y < int(kDriveKnob.b); ++y)
    for (int x = int(kDriveKnob.l); x < int(kDriveKnob.r); ++x)
      for (int k = 0; k < 3; ++k)
        if (std::abs(picture.Pixel(x, y)[k] - picture.Pixel(450, 300)[k]) > 24)
        {
          ++ink;
          break;
        }
  EXPECT_GT(ink, 100);
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The editor open while a file plays through the instance, as in a host: half a second of a
// loud bass tone, then 0.6 s of silence. The lamps glow while it is loud and go dark in the
// silence, the drag reaches the host as a gesture at its time, and the same command writes
// the same files again.
TEST_F(BundleEditorTest, WhileAFilePlaysTheLampsFollowTheAudioAndTheSameRunWritesTheSameFiles)
{
  aaxhost::AudioData input;
  input.sampleRate = 48000;
  input.channels.assign(2, std::vector<float>(52800, 0.0f));
  for (auto& channel : input.channels)
    for (size_t i = 0; i < 24000; ++i)
      channel[i] = 0.5f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 110.0 * static_cast<double>(i) / 48000.0));
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(File("in.wav"), input, error)) << error;

  const auto play = [&](const std::string& tag) {
    const std::string args = Quoted(File("in.wav")) + " " + Quoted(File(tag + ".wav")) +
                             " --set Drive=90 --set \"Input Gain=6\" --at 0.2 --drag 147,350:147,330 --png-at 0.45:" +
                             Quoted(File(tag + "-loud.png")) + " --png " + Quoted(File(tag + "-silent.png"));
    const ToolRun run = Editor(args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("host log: 0 traces, 0 assertions"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("0.200 s  touch 8 \"Drive Tone\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("non-finite samples: 0"), std::string::npos) << run.output;
    return run;
  };
  play("a");
  play("b");
  for (const char* name : {".wav", "-loud.png", "-silent.png"})
  {
    const std::vector<uint8_t> a = FileBytes(File(std::string("a") + name));
    EXPECT_FALSE(a.empty()) << name;
    EXPECT_TRUE(a == FileBytes(File(std::string("b") + name))) << name << " differs between two runs";
  }

  const PngImage loud = ReadPNG(File("a-loud.png"));
  const PngImage silent = ReadPNG(File("a-silent.png"));
  ASSERT_EQ(loud.width, 900);
  ASSERT_EQ(silent.width, 900);
  for (const LampArea& lamp : {kDriveLamp, kImpedanceLamp})
  {
    const double lit = LampBrightness(loud.rgba, loud.width, loud.height, lamp);
    const double dark = LampBrightness(silent.rgba, silent.width, silent.height, lamp);
    EXPECT_GT(lit, dark + 15.0) << "lamp at " << lamp.l << "," << lamp.t;
  }
}

// Every value the plug-in sets by itself reaches the host, which then holds what the instance
// holds (the report's last line says so, having loaded the plug-in's own state back): the
// other gain of a linked pair, also past its range and back; an A/B round trip; the stereo-mode
// button; the fourth selection of a tilt tab; an A/B copy into the row switched to; the link
// following the host's automation. With both gains automated by a pair the link itself would
// make, the plug-in asks the host for nothing.
TEST_F(BundleEditorTest, WhatThePluginSetsByItselfReachesTheHost)
{
  aaxhost::AudioData input;
  input.sampleRate = 48000;
  input.channels.assign(1, std::vector<float>(24000, 0.1f));
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(File("in.wav"), input, error)) << error;
  const std::string audio = Quoted(File("in.wav")) + " " + Quoted(File("out.wav")) + " ";
  // Output Gain at -10 dB, the gains linked from there.
  const std::string outAtMinus10 = "--set \"Link Gains=1\" --set \"Output Gain=-10\" --set \"Link Gains=0\" ";

  struct Case
  {
    const char* what;
    std::string arguments;
    std::vector<std::string> lines; // besides the agreement
  };
  const Case cases[] = {
    {"a drag on the input gain", "--drag 53,487:53,440",
     {"parameter 4 \"Input Gain\": 0.00dB -> 7.38dB\n", "parameter 5 \"Output Gain\": 0.00dB -> -7.38dB\n",
      "changed by the input: 2\n"}},
    {"the output gain held at its range", outAtMinus10 + "--drag 53,487:53,467",
     {"parameter 4 \"Input Gain\": 0.00dB -> 3.14dB\n", "parameter 5 \"Output Gain\": -10.00dB -> -12.00dB\n"}},
    {"and moved back", outAtMinus10 + "--drag 53,487:53,467 --drag 53,487:53,507", {"changed by the input: 0\n"}},
    {"an A/B round trip", "--set Drive=50 --click 212,13 --drag 147,185:147,120 --click 127,13",
     {"changed by the input: 0\n"}},
    {"the stereo-mode button", "--click 372,488",
     {"parameter 6 \"Stereo Mode\": 0 -> 1\n", "changed by the input: 1\n"}},
    {"four selections of the LO tab",
     "--set \"Low: Drive Area High=400\" --click 124,267 --click 124,267 --click 124,267 --click 124,267",
     {"parameter 19 \"Drive Area High\": 150.00Hz -> 250.00Hz\n",
      "parameter 21 \"Low: Drive Area High\": 400.00% -> 250.00%\n", "changed by the input: 2\n"}},
    {"a copy of A to B, then B", outAtMinus10 + "--drag 53,487:53,467 --click 153,12 --click 212,13",
     {"parameter 2 \"\": A -> B\n", "parameter 5 \"Output Gain\": -10.00dB -> -12.00dB\n",
      "changed by the input: 3\n"}},
    {"automation of the input gain", audio + "--automate \"Input Gain:0=0,0.25=6,0.5=0\" --at 0.3 --move 450,300",
     {"4 \"Input Gain\" = 0.22dB\n", "5 \"Output Gain\" = -0.22dB\n"}},
    {"both gains automated as linked", audio + outAtMinus10 +
       "--automate \"Input Gain:0=0,0.48=6\" --automate \"Output Gain:0=-10,0.16=-12\" --at 0.3 --move 450,300",
     {"host gestures: 0 ", "5 \"Output Gain\" = -12.00dB\n"}},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    // The editor's idle hook and the host's timer each take a round after the input (a
    // file played keeps its own clock): what they tell the host reaches it before the list of
    // changes, however late the threads run.
    const bool plays = c.arguments.compare(0, audio.size(), audio) == 0;
    const ToolRun run = Editor(c.arguments + (plays ? "" : Wait()));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("host apart from the plug-in"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("host and plug-in: the same value of every parameter\n"), std::string::npos)
      << run.output;
    for (const std::string& line : c.lines)
      EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
  }

  // The editor scale: the idle hook's after the corner is dragged; the one user preset slot 2
  // brings to the opening (1.5, which the host knows before the input), and the size reset.
  const ToolRun resized = Editor("--drag 895,495:990,550" + Wait());
  EXPECT_NE(resized.output.find("parameter 3 \"Plugin Scale\": 1.00 -> 1.11\n"), std::string::npos) << resized.output;
  const std::string folder = mHome.Path() + "/Music/Orlenbeck/Vellicor Presets";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/2 User Preset.json") << R"({"Params":{"2":1.5},"PresetName":"Big"})";
  const ToolRun reset = Editor("--click 12,50" + Wait());
  EXPECT_NE(reset.output.find("parameter 3 \"Plugin Scale\": 1.50 -> 1.00\n"), std::string::npos) << reset.output;
  for (const ToolRun* run : {&resized, &reset})
    EXPECT_NE(run->output.find("host and plug-in: the same value of every parameter\n"), std::string::npos)
      << run->output;
}

// The host closes the editor two hundred times with frames in flight (the Metal stand-in keeps
// the last two command buffers of the process waiting, and skips rasterising them: this is
// about lifetimes): every close lets the frames finish on their own, and when the process ends
// nothing of Metal is left alive in the bundle or the tool (under the sanitizers, a frame that
// used what closing freed stops the run).
TEST_F(BundleEditorTest, ClosingTheEditorWithFramesInFlightLeavesNothingAlive)
{
  const ToolRun run =
    Editor("--opens 200", VELLICOR_BUNDLE,
           "VELLICOR_METAL_HELD_BUFFERS=2 VELLICOR_METAL_EXECUTES_PASSES=0 VELLICOR_METAL_LIVE_REPORT=1");
  const std::string tail = run.output.substr(run.output.size() > 2000 ? run.output.size() - 2000 : 0);
  EXPECT_EQ(run.exitCode, 0) << tail;
  EXPECT_NE(run.output.find("close 200: result 0"), std::string::npos) << tail;
  size_t reports = 0;
  for (size_t at = run.output.find("Metal stand-in: "); at != std::string::npos;
       at = run.output.find("Metal stand-in: ", at + 1))
  {
    EXPECT_EQ(run.output.compare(at, 27, "Metal stand-in: 0 objects a"), 0) << run.output.substr(at, 100);
    reports++;
  }
  EXPECT_EQ(reports, 2u) << tail; // the bundle's stand-in and the tool's
}

// The animated editor with the GPU three and eight frames behind, more than the back end's
// three frame sets: the frame semaphore's wait lets the held frames finish, as a GPU would, so
// both runs end (a deadlock ends at the time-out with 124).
TEST_F(BundleEditorTest, FramesHeldBackBeyondTheBackEndsSetsNeverDeadlockTheEditor)
{
  aaxhost::AudioData input;
  input.sampleRate = 48000;
  input.channels.assign(2, std::vector<float>(96000, 0.0f));
  for (auto& channel : input.channels)
    for (size_t i = 0; i < channel.size(); ++i)
      channel[i] = 0.5f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 110.0 * static_cast<double>(i) / 48000.0));
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(File("in.wav"), input, error)) << error;
  for (const char* held : {"3", "8"})
  {
    const ToolRun run = Editor(Quoted(File("in.wav")) + " " + Quoted(File("out.wav")) +
                                 " --set Drive=90 --set \"Input Gain=6\" --opens 2",
                               VELLICOR_BUNDLE, std::string("VELLICOR_METAL_HELD_BUFFERS=") + held + " timeout 120");
    EXPECT_EQ(run.exitCode, 0) << "held " << held << "\n" << run.output;
    EXPECT_NE(run.output.find("rendered: 96000 frames"), std::string::npos) << run.output;
  }
}

// The tool's host plays each --automate lane in Read mode: it answers the plug-in's request of
// an automated parameter with the lane's value. The link then asks for the other gain once per
// step of the lane that moves, and the render ends on what the lanes play, also after a reload
// of a state whose link memory the reload cannot bring back; what the plug-in sets by itself at
// the bottom of a range reaches the host too.
TEST_F(BundleEditorTest, TheHostsLanesWinOverThePluginsRequests)
{
  aaxhost::AudioData tone;
  tone.sampleRate = 48000;
  tone.channels.assign(2, std::vector<float>(24000));
  for (size_t i = 0; i < tone.channels[0].size(); ++i)
    tone.channels[0][i] = tone.channels[1][i] = 0.3f * static_cast<float>(std::sin(0.0576 * static_cast<double>(i)));
  std::string error;
  ASSERT_TRUE(aaxhost::WriteAudioFile(File("tone.wav"), tone, error)) << error;
  const std::string audio = Quoted(File("tone.wav")) + " " + Quoted(File("out.wav")) + " ";
  const std::string home = "VELLICOR_HOME_FOLDER=" + Quoted(mHome.Path());
  auto expectOnLanes = [](const ToolRun& run, const std::vector<std::string>& lines) {
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("host and plug-in: the same value of every parameter\n"), std::string::npos)
      << run.output;
    for (const std::string& line : lines)
      EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
  };

  {
    SCOPED_TRACE("input lane rising, output lane flat, gains linked");
    const ToolRun run = Editor(audio + "--automate \"Input Gain:0=0,0.5=6\" --automate \"Output Gain:0=0,0.5=0\"");
    expectOnLanes(run, {"5 \"Output Gain\" = 0.00dB\n"});
    size_t requests = 0;
    for (size_t at = run.output.find("set 5 \"Output Gain\""); at != std::string::npos;
         at = run.output.find("set 5 \"Output Gain\"", at + 1))
      ++requests;
    EXPECT_GT(requests, 0u) << "the link asks as the input lane moves";
    EXPECT_LE(requests, 24000u / 512u + 1u) << "at most one request per step of the input lane";
  }

  {
    SCOPED_TRACE("a reloaded state, lanes the link does not make");
    const std::string chunk = Quoted(File("recorded-end.chunk"));
    const ToolRun saved = RunAaxhost("state " + Quoted(VELLICOR_BUNDLE) +
                                       " --set \"Link Gains=1\" --set \"Input Gain=5\" --set \"Output Gain=-10\""
                                       " --set \"Link Gains=0\" --set \"Input Gain=12\" --save " + chunk,
                                     home);
    ASSERT_EQ(saved.exitCode, 0) << saved.output;
    const ToolRun run = RunAaxhost("render " + Quoted(VELLICOR_BUNDLE) + " " + audio + "--state " + chunk +
                                     " --automate \"Input Gain:0=5,1=5\" --automate \"Output Gain:0=-10,1=-10\"",
                                   home);
    expectOnLanes(run, {"4 \"Input Gain\" = 5.00dB\n", "5 \"Output Gain\" = -10.00dB\n"});
  }

  {
    SCOPED_TRACE("the linked output gain set to the bottom of its range");
    const ToolRun run = RunAaxhost("render " + Quoted(VELLICOR_BUNDLE) + " " + audio + "--set \"Input Gain=12\"", home);
    expectOnLanes(run, {"4 \"Input Gain\" = 12.00dB\n", "5 \"Output Gain\" = -12.00dB\n"});
  }

  {
    SCOPED_TRACE("a start-up preset in slot 0");
    const std::string folder = mHome.Path() + "/Music/Orlenbeck/Vellicor Presets";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/0 User Preset.json") << R"({"Params":{"6":40.0},"PresetName":"Start"})";
    const ToolRun run = RunAaxhost("params " + Quoted(VELLICOR_BUNDLE), home);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const ToolRun rendered = RunAaxhost("render " + Quoted(VELLICOR_BUNDLE) + " " + audio, home);
    expectOnLanes(rendered, {"7 \"Drive\" = 40.00%\n"});
    std::filesystem::remove(folder + "/0 User Preset.json");
  }
}

} // namespace
} // namespace bundletest
