#include "product/Vellicor.h"

#include "HeadlessGraphics.h"
#include "TestControl.h"
#include "plug/IStateChunk.h"
#include "product/FileUtilities.h"
#include "product/UserPresetFile.h"
#include "product/VellicorFactories.h"

#include "HomeFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace {

using plug::kHost;
using plug::kUI;

// A control that notes every value the plug-in offers it under a key (its tag or parameter).
class Recorder : public testgraphics::TestControl
{
public:
  Recorder(int paramIdx, int key, std::vector<std::pair<int, double>>& out)
    : TestControl(plug::igraphics::IRECT(0.f, 0.f, 1.f, 1.f), paramIdx), mKey(key), mOut(out)
  {
  }
  void SetValueFromDelegate(double value, int valIdx) override
  {
    mOut.emplace_back(mKey, value);
    TestControl::SetValueFromDelegate(value, valIdx);
  }

private:
  int mKey;
  std::vector<std::pair<int, double>>& mOut;
};

// An editor whose controls record what the plug-in sends them: one on each LED tag, one
// bound to each parameter.
class RecordingGraphics : public testgraphics::HeadlessGraphics
{
public:
  using HeadlessGraphics::HeadlessGraphics;

  void AttachRecorders()
  {
    for (int tag : {static_cast<int>(kTagLEDDrive), static_cast<int>(kTagLEDImpedance)})
      AttachControl(new Recorder(-1, tag, mControlValues), tag);
    for (int i = 0; i < kNumParams; ++i)
      AttachControl(new Recorder(i, i, mParamValues));
  }

  std::vector<std::pair<int, double>> mControlValues;
  std::vector<std::pair<int, double>> mParamValues;
};

// Opens a recording editor on the plug-in and forgets what the opening itself sent. The
// recorders take the place of the product's layout.
RecordingGraphics* OpenRecordingEditor(Vellicor& plugin, float scale = 1.f)
{
  RecordingGraphics* graphics = nullptr;
  plugin.SetLayoutFunc([](plug::igraphics::IGraphics*) {});
  plugin.SetMakeGraphicsFunc([&plugin, &graphics, scale]() {
    graphics = new RecordingGraphics(plugin, kEditorWidth, kEditorHeight, kEditorFPS, scale);
    return graphics;
  });
  EXPECT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  if (graphics)
  {
    graphics->AttachRecorders();
    graphics->mControlValues.clear();
    graphics->mParamValues.clear();
  }
  return graphics;
}

double V(const Vellicor& p, int idx) { return p.GetParam(idx)->Value(); }

// A change the way the editor makes it: normalised value in, host told, hook with source 3.
void FromUI(Vellicor& p, int idx, double value)
{
  p.SetParamFromUIAndNotify(idx, p.GetParam(idx)->ToNormalized(value));
}

// A change the way host automation delivers it: value stored, hook with source 1.
void FromHost(Vellicor& p, int idx, double value)
{
  p.GetParam(idx)->Set(value);
  p.HandleParamChange(idx, kHost, -1);
}

std::vector<uint8_t> StateBytes(const Vellicor& p)
{
  plug::IStateChunk chunk;
  EXPECT_TRUE(p.SaveState(chunk));
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

void LoadBytes(Vellicor& p, const std::vector<uint8_t>& bytes)
{
  plug::IStateChunk chunk;
  ASSERT_TRUE(chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size())));
  EXPECT_EQ(p.LoadState(chunk, 0), static_cast<int>(bytes.size()));
}

std::vector<double> Values(const Vellicor& p)
{
  std::vector<double> values;
  for (int i = 0; i < p.NParams(); ++i)
    values.push_back(V(p, i));
  return values;
}

// Runs blocks of noise through the processing frame as the render path does; returns
// false as soon as an output sample is not finite.
bool RenderNoise(Vellicor& p, int nChans, int nFrames, int nBlocks, float amplitude, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-amplitude, amplitude);
  std::vector<std::vector<float>> in(2, std::vector<float>(static_cast<size_t>(nFrames)));
  std::vector<std::vector<float>> out(2, std::vector<float>(static_cast<size_t>(nFrames)));
  float* inPtrs[2] = {in[0].data(), in[1].data()};
  float* outPtrs[2] = {out[0].data(), out[1].data()};
  for (int b = 0; b < nBlocks; ++b)
  {
    for (int ch = 0; ch < nChans; ++ch)
      for (float& s : in[static_cast<size_t>(ch)])
        s = dist(rng);
    p.BindHostBuffers(plug::kInput, 0, p.NChannels(plug::kInput), inPtrs, nFrames);
    p.BindHostBuffers(plug::kOutput, 0, p.NChannels(plug::kOutput), outPtrs, nFrames);
    p.RunProcessBlock(nFrames);
    for (int ch = 0; ch < nChans; ++ch)
      for (float s : out[static_cast<size_t>(ch)])
        if (!std::isfinite(s))
          return false;
  }
  return true;
}

void MakeMono(Vellicor& p)
{
  p.MarkChannelsConnected(plug::kInput, 1, 1, false);
  p.MarkChannelsConnected(plug::kOutput, 1, 1, false);
}

const std::string kSlotZeroFile = "~/Music/Orlenbeck/Vellicor Presets/0 User Preset.json";

} // namespace

TEST(Vellicor, FreshInstanceIsCompleteAndAtDefaults)
{
  TempHome home;
  std::unique_ptr<Vellicor> p(CreatePlugInstance(plug::InstanceInfo()));
  ASSERT_TRUE(p);

  ASSERT_EQ(p->NParams(), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(V(*p, i), p->GetParam(i)->defaultValue) << i;
  EXPECT_EQ(p->NPresets(), kNumPresets);
  EXPECT_EQ(p->GetCurrentPresetIdx(), 0);
  EXPECT_STREQ(p->PresetNameAt(0), "Factory Default");
  EXPECT_STREQ(p->GetChannelLabel(plug::kInput, 0), "Main L");
  EXPECT_STREQ(p->GetChannelLabel(plug::kInput, 1), "Main R");
  EXPECT_EQ(p->GetUniqueID(), kUniqueCode);
  EXPECT_EQ(p->GetEditorWidth(), 900);
  EXPECT_EQ(p->GetEditorHeight(), 500);

  // The default state: 33 little-endian doubles, the defaults in index order.
  const std::vector<uint8_t> state = StateBytes(*p);
  ASSERT_EQ(state.size(), 264u);
  for (int i = 0; i < kNumParams; ++i)
  {
    double v = 0.0;
    std::memcpy(&v, state.data() + 8 * i, 8);
    EXPECT_EQ(v, p->GetParam(i)->defaultValue) << i;
  }

  for (int s = 0; s < Vellicor::kNumSnapshots; ++s)
    for (int i = 0; i < Vellicor::kSnapshotSize; ++i)
      ASSERT_EQ(p->GetSnapshotValue(s, i), Vellicor::kUnsetSnapshotValue) << s << " " << i;
  EXPECT_EQ(p->GetActiveSnapshot(), 0);
  EXPECT_EQ(p->GetProcessingStarted(), 0);
  EXPECT_EQ(p->GetEngine().GetSampleRate(), 48000.0);
  EXPECT_EQ(p->GetEngine().GetPowerFade(), 2e-11); // the first block already processes
  EXPECT_EQ(p->GetEngine().GetLimitOverSamplingExponent(), 0);

  // Saving a fresh instance as a user preset gives exactly the reference file.
  std::ifstream goldenFile(testsupport::SourcePath("tests/product/golden/default_user_preset.json"),
                           std::ios::binary);
  const std::string golden((std::istreambuf_iterator<char>(goldenFile)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(UserPresetFile::ToText(UserPresetFile::ParamsToJSON(*p), "User Preset"), golden);

  // Opening the editor without a host view makes a view attached nowhere; closing lets it go.
  EXPECT_NE(p->OpenEditorWindow(nullptr), nullptr);
  EXPECT_NE(p->GetUI(), nullptr);
  p->CloseEditorWindow();
  EXPECT_EQ(p->GetUI(), nullptr);
}

TEST(Vellicor, SlotZeroUserPresetFileSetsTheStartingState)
{
  TempHome home;
  ASSERT_TRUE(WriteTextFile(kSlotZeroFile,
                            R"({"Params":{"6":75.5,"15":4,"1":1,"2":1.5,"16":1.6,"3":40},"PresetName":"Mine"})"));
  {
    Vellicor p{plug::InstanceInfo()};
    EXPECT_EQ(V(p, kDrive), 75.5);
    EXPECT_EQ(V(p, kPluginScale), 1.5);
    EXPECT_EQ(V(p, kOverSampling), 2.0); // never taken from a file
    EXPECT_EQ(V(p, kABSelect), 0.0);
    EXPECT_EQ(V(p, kTiltSwitch), 2.0); // stepped rounding
    EXPECT_EQ(V(p, kInputGain), 12.0); // clamped
    EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
    EXPECT_EQ(p.GetProcessingStarted(), 0);

    // Once audio has run, the file is never applied again.
    p.GetParam(kDrive)->Set(10.0);
    ASSERT_TRUE(RenderNoise(p, 2, 64, 1, 0.1f, 1));
    EXPECT_EQ(p.GetProcessingStarted(), 1);
    p.LoadUserPresetSlot(0);
    EXPECT_EQ(V(p, kDrive), 10.0);
  }

  // Gains from the file are where the link starts from.
  ASSERT_TRUE(WriteTextFile(kSlotZeroFile, R"({"Params":{"3":6,"4":0,"25":0},"PresetName":"Gains"})"));
  {
    Vellicor p{plug::InstanceInfo()};
    ASSERT_EQ(V(p, kInputGain), 6.0);
    FromUI(p, kInputGain, 7.0);
    EXPECT_EQ(V(p, kOutputGain), -1.0);
  }

  // A broken file leaves the defaults.
  ASSERT_TRUE(WriteTextFile(kSlotZeroFile, R"({"Params":{"6":75.5)"));
  Vellicor broken{plug::InstanceInfo()};
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(V(broken, i), broken.GetParam(i)->defaultValue) << i;
  EXPECT_EQ(StateBytes(broken).size(), 264u);
}

TEST(Vellicor, ABSnapshotsSwapEverythingButDeltaScaleAndOversampling)
{
  TempHome home;
  Vellicor p{plug::InstanceInfo()};

  FromUI(p, kDrive, 10.0);
  EXPECT_EQ(p.GetSnapshotValue(0, kDrive), 10.0);
  // Indices 0..2 are never recorded.
  FromUI(p, kDelta, 1.0);
  FromUI(p, kPluginScale, 1.3);
  EXPECT_EQ(p.GetSnapshotValue(0, kDelta), Vellicor::kUnsetSnapshotValue);
  EXPECT_EQ(p.GetSnapshotValue(0, kPluginScale), Vellicor::kUnsetSnapshotValue);

  // First switch to B: B takes the current values.
  FromUI(p, kABSelect, 1.0);
  EXPECT_EQ(p.GetActiveSnapshot(), 1);
  EXPECT_EQ(V(p, kDrive), 10.0);
  EXPECT_EQ(p.GetSnapshotValue(1, kDrive), 10.0);
  EXPECT_EQ(p.GetSnapshotValue(1, kImpedance), 50.0);

  FromUI(p, kDrive, 70.0);
  FromHost(p, kStereoMode, 1.0);
  FromUI(p, kOverSampling, 4.0);
  EXPECT_EQ(p.GetSnapshotValue(1, kOverSampling), 4.0); // recorded, but never switched

  FromUI(p, kABSelect, 0.0);
  EXPECT_EQ(V(p, kDrive), 10.0);
  EXPECT_EQ(V(p, kStereoMode), 0.0);
  EXPECT_EQ(V(p, kOverSampling), 4.0);
  EXPECT_EQ(V(p, kDelta), 1.0);
  EXPECT_EQ(V(p, kPluginScale), 1.3);

  FromHost(p, kABSelect, 1.0);
  EXPECT_EQ(V(p, kDrive), 70.0);
  EXPECT_EQ(V(p, kStereoMode), 1.0);

  // Selecting the active snapshot again changes nothing.
  const std::vector<double> before = Values(p);
  FromHost(p, kABSelect, 1.0);
  EXPECT_EQ(Values(p), before);

  // Linked gains continue from the pair the switch brought in: B holds +6 / 0 (set while
  // unlinked), A holds 0 / 0.
  FromUI(p, kLinkGains, 1.0);
  FromUI(p, kInputGain, 6.0);
  FromUI(p, kLinkGains, 0.0);
  FromUI(p, kABSelect, 0.0);
  ASSERT_EQ(V(p, kInputGain), 0.0);
  FromUI(p, kInputGain, 1.0);
  EXPECT_EQ(V(p, kOutputGain), -1.0);
  FromUI(p, kABSelect, 1.0);
  ASSERT_EQ(V(p, kInputGain), 6.0);
  ASSERT_EQ(V(p, kOutputGain), 0.0);
  FromUI(p, kInputGain, 7.0);
  EXPECT_EQ(V(p, kOutputGain), -1.0);
}

TEST(Vellicor, RestoreAndRecallKeepTheValuesTheyLoad)
{
  TempHome home;

  // A session saved with B active.
  Vellicor saved{plug::InstanceInfo()};
  FromUI(saved, kABSelect, 1.0);
  FromUI(saved, kDrive, 80.0);
  const std::vector<uint8_t> withB = StateBytes(saved);

  // An instance whose B snapshot holds something else, with A active.
  Vellicor p{plug::InstanceInfo()};
  FromUI(p, kABSelect, 1.0);
  FromUI(p, kDrive, 20.0);
  FromUI(p, kABSelect, 0.0);
  ASSERT_EQ(V(p, kDrive), 0.0);

  LoadBytes(p, withB);
  EXPECT_EQ(V(p, kDrive), 80.0);
  EXPECT_EQ(V(p, kABSelect), 1.0);
  EXPECT_EQ(p.GetActiveSnapshot(), 1);
  EXPECT_EQ(StateBytes(p), withB);
  LoadBytes(p, withB); // twice changes nothing
  EXPECT_EQ(StateBytes(p), withB);
  // The loaded values became B; A still holds what it held.
  FromUI(p, kABSelect, 0.0);
  EXPECT_EQ(V(p, kDrive), 0.0);
  FromUI(p, kABSelect, 1.0);
  EXPECT_EQ(V(p, kDrive), 80.0);

  // Linked gains saved at +6 / 0.
  Vellicor linked{plug::InstanceInfo()};
  FromUI(linked, kLinkGains, 1.0);
  FromUI(linked, kInputGain, 6.0);
  FromUI(linked, kLinkGains, 0.0);
  ASSERT_EQ(V(linked, kOutputGain), 0.0);
  const std::vector<uint8_t> gains = StateBytes(linked);
  Vellicor fresh{plug::InstanceInfo()};
  LoadBytes(fresh, gains);
  EXPECT_EQ(V(fresh, kInputGain), 6.0);
  EXPECT_EQ(V(fresh, kOutputGain), 0.0);
  EXPECT_EQ(StateBytes(fresh), gains);
  // The link continues from the loaded pair.
  FromUI(fresh, kInputGain, 7.0);
  EXPECT_EQ(V(fresh, kOutputGain), -1.0);

  // A drive area that differs from its tab's stored area stays as saved.
  Vellicor tilted{plug::InstanceInfo()};
  FromUI(tilted, kTiltSwitch, 1.0);
  tilted.GetParam(kDriveAreaLow)->Set(400.0);
  const std::vector<uint8_t> area = StateBytes(tilted);
  Vellicor other{plug::InstanceInfo()};
  LoadBytes(other, area);
  EXPECT_EQ(V(other, kDriveAreaLow), 400.0);
  EXPECT_EQ(V(other, kMidDriveAreaLow), 250.0);
  EXPECT_EQ(StateBytes(other), area);

  // A preset recalled while B is active arrives as stored.
  Vellicor reference{plug::InstanceInfo()};
  ASSERT_TRUE(reference.RecallPreset(5));
  Vellicor onB{plug::InstanceInfo()};
  FromUI(onB, kABSelect, 1.0);
  FromUI(onB, kDrive, 33.0);
  ASSERT_TRUE(onB.RecallPreset(5));
  EXPECT_EQ(Values(onB), Values(reference));
  EXPECT_EQ(onB.GetActiveSnapshot(), 0);
}

TEST(Vellicor, LinkedGainsMoveOppositeAndRememberTheUnclampedValue)
{
  TempHome home;
  Vellicor p{plug::InstanceInfo()};
  ASSERT_EQ(V(p, kLinkGains), 0.0); // 0 means linked

  FromUI(p, kInputGain, 3.0);
  EXPECT_EQ(V(p, kOutputGain), -3.0);
  FromHost(p, kOutputGain, -5.0);
  EXPECT_EQ(V(p, kInputGain), 5.0);

  // Unlinked: nothing moves.
  FromUI(p, kLinkGains, 1.0);
  FromUI(p, kOutputGain, -6.0);
  EXPECT_EQ(V(p, kInputGain), 5.0);
  FromUI(p, kInputGain, 0.0);
  EXPECT_EQ(V(p, kOutputGain), -6.0);

  // Linking takes the pair as it is; a move past the range is clamped, and moving back
  // restores the earlier pair.
  FromUI(p, kLinkGains, 0.0);
  FromUI(p, kInputGain, 9.0);
  EXPECT_EQ(V(p, kOutputGain), -12.0);
  FromUI(p, kInputGain, 0.0);
  EXPECT_EQ(V(p, kOutputGain), -6.0);
}

TEST(Vellicor, TiltTabsMapOntoTheDriveAreaAndResetOnTheFourthClick)
{
  TempHome home;
  Vellicor p{plug::InstanceInfo()};

  FromUI(p, kTiltSwitch, 1.0); // MD
  EXPECT_EQ(V(p, kDriveAreaLow), 250.0);
  EXPECT_EQ(V(p, kDriveAreaHigh), 2000.0);
  FromUI(p, kDriveAreaLow, 300.0);
  FromUI(p, kDriveAreaHigh, 1500.0);
  EXPECT_EQ(V(p, kMidDriveAreaLow), 300.0);
  EXPECT_EQ(V(p, kMidDriveAreaHigh), 1500.0);

  FromUI(p, kTiltSwitch, 0.0); // LO restarts MD's count
  EXPECT_EQ(V(p, kDriveAreaLow), 50.0);
  EXPECT_EQ(V(p, kDriveAreaHigh), 250.0);
  for (int click = 1; click <= 3; ++click)
  {
    FromUI(p, kTiltSwitch, 1.0);
    EXPECT_EQ(V(p, kDriveAreaLow), 300.0) << click;
  }
  EXPECT_EQ(p.GetTiltCounters()[1], 3);
  FromUI(p, kTiltSwitch, 1.0); // the fourth in a row
  EXPECT_EQ(V(p, kMidDriveAreaLow), 250.0);
  EXPECT_EQ(V(p, kMidDriveAreaHigh), 2000.0);
  EXPECT_EQ(V(p, kDriveAreaLow), 250.0);
  EXPECT_EQ(p.GetTiltCounters()[1], 0);

  // Automation repeating a tab maps it but never resets the stored area.
  FromUI(p, kDriveAreaLow, 500.0);
  for (int i = 0; i < 6; ++i)
    FromHost(p, kTiltSwitch, 1.0);
  EXPECT_EQ(V(p, kMidDriveAreaLow), 500.0);
  EXPECT_EQ(V(p, kDriveAreaLow), 500.0);

  // HI for any value above MD.
  FromHost(p, kTiltSwitch, 2.0);
  EXPECT_EQ(V(p, kDriveAreaLow), 2000.0);
  EXPECT_EQ(V(p, kDriveAreaHigh), 6000.0);

  // Another tab chosen by the host also breaks a run of clicks: three LO clicks, host MD and
  // LO, one more LO click keeps LO's area.
  FromUI(p, kTiltSwitch, 0.0);
  FromUI(p, kDriveAreaLow, 80.0);
  FromUI(p, kTiltSwitch, 0.0);
  FromUI(p, kTiltSwitch, 0.0);
  FromHost(p, kTiltSwitch, 1.0);
  FromHost(p, kTiltSwitch, 0.0);
  FromUI(p, kTiltSwitch, 0.0);
  EXPECT_EQ(V(p, kLowDriveAreaLow), 80.0);
  EXPECT_EQ(V(p, kDriveAreaLow), 80.0);
}

// Runs of clicks on a tilt tab meet loads and the host's choices. A restore or a recall starts
// every run afresh and writes nothing of its own; only the editor's clicks count towards the
// reset, so the host choosing a tab breaks a run but starts none. Each sequence ends with MD's
// area at 300/1500, stored and mapped.
TEST(Vellicor, TiltRunsRestartAtEveryLoadAndCountOnlyTheEditorsClicks)
{
  TempHome home;
  enum class Step
  {
    ClickMD,     // the editor selects MD
    AreaMid,     // the editor sets the drive area to 300/1500 (MD selected)
    HostLO,      // the host selects LO
    HostMD,      // the host selects MD
    RestoreLO,   // a state restore holding Mid 300/1500 with tab LO
    RestoreMD,   // the same with tab MD
    RecallLO,    // a preset recall of such a state with tab LO
    Tick         // the editor timer's idle tick
  };
  struct Sequence
  {
    const char* name;
    std::vector<Step> steps;
  };
  using S = Step;
  const std::vector<Sequence> sequences = {
    {"three clicks on MD, a restore with tab LO, a click on MD",
     {S::ClickMD, S::ClickMD, S::ClickMD, S::RestoreLO, S::ClickMD}},
    {"three clicks on MD, a restore with tab MD, a click on MD",
     {S::ClickMD, S::ClickMD, S::ClickMD, S::RestoreMD, S::ClickMD}},
    {"three clicks on MD, a recall with tab LO, a tick, a click on MD",
     {S::ClickMD, S::ClickMD, S::ClickMD, S::RecallLO, S::Tick, S::ClickMD}},
    {"two clicks on MD, the host's LO and MD, three clicks on MD",
     {S::ClickMD, S::AreaMid, S::ClickMD, S::HostLO, S::HostMD, S::ClickMD, S::ClickMD, S::ClickMD}},
  };

  // The state a load brings: Mid 300/1500, the tab given, the drive area the tab's.
  auto loadedState = [](double tab) {
    Vellicor source{plug::InstanceInfo()};
    source.GetParam(kMidDriveAreaLow)->Set(300.0);
    source.GetParam(kMidDriveAreaHigh)->Set(1500.0);
    source.GetParam(kTiltSwitch)->Set(tab);
    const int lowIdx = kLowDriveAreaLow + 2 * static_cast<int>(tab);
    source.GetParam(kDriveAreaLow)->Set(V(source, lowIdx));
    source.GetParam(kDriveAreaHigh)->Set(V(source, lowIdx + 1));
    return StateBytes(source);
  };
  const std::vector<uint8_t> withLO = loadedState(0.0), withMD = loadedState(1.0);
  const std::array<int, Vellicor::kNumTiltTabs> noRun{};

  for (const Sequence& sequence : sequences)
  {
    SCOPED_TRACE(sequence.name);
    Vellicor p{plug::InstanceInfo()};
    for (Step step : sequence.steps)
    {
      switch (step)
      {
        case S::ClickMD: FromUI(p, kTiltSwitch, 1.0); break;
        case S::AreaMid:
          FromUI(p, kDriveAreaLow, 300.0);
          FromUI(p, kDriveAreaHigh, 1500.0);
          break;
        case S::HostLO: FromHost(p, kTiltSwitch, 0.0); break;
        case S::HostMD: FromHost(p, kTiltSwitch, 1.0); break;
        case S::RestoreLO:
        case S::RestoreMD:
        {
          const std::vector<uint8_t>& state = step == S::RestoreLO ? withLO : withMD;
          LoadBytes(p, state);
          EXPECT_EQ(p.GetTiltCounters(), noRun);
          EXPECT_EQ(StateBytes(p), state) << "the load writes nothing of its own";
          break;
        }
        case S::RecallLO:
        {
          const int slot = p.GetCurrentPresetIdx() + 1;
          plug::IPresetSlot* preset = p.GetPreset(slot);
          ASSERT_NE(preset, nullptr);
          preset->mState.Clear();
          ASSERT_TRUE(preset->mState.PutBytes(withLO.data(), static_cast<int>(withLO.size())));
          ASSERT_TRUE(p.RecallPreset(slot));
          EXPECT_EQ(p.GetTiltCounters(), noRun);
          EXPECT_EQ(StateBytes(p), withLO) << "the recall writes nothing of its own";
          break;
        }
        case S::Tick: p.OnIdleTick(); break;
      }
    }
    EXPECT_EQ(V(p, kTiltSwitch), 1.0);
    EXPECT_EQ(V(p, kMidDriveAreaLow), 300.0);
    EXPECT_EQ(V(p, kMidDriveAreaHigh), 1500.0);
    EXPECT_EQ(V(p, kDriveAreaLow), 300.0);
    EXPECT_EQ(V(p, kDriveAreaHigh), 1500.0);
  }
}

TEST(Vellicor, IdleTickServesTheEditor)
{
  TempHome home;
  Vellicor p{plug::InstanceInfo()};
  p.SetSampleRate(44100.0);
  p.OnResetProcessing();
  FromUI(p, kDrive, 90.0);
  FromUI(p, kImpedance, 80.0);
  ASSERT_TRUE(RenderNoise(p, 2, 512, 8, 0.5f, 7));

  RecordingGraphics* ui = OpenRecordingEditor(p);
  ASSERT_NE(ui, nullptr);
  // The readings are signed; the LEDs take the magnitude of each sum. Run on until the drive
  // sum is negative, so that the sign handling is really exercised.
  unsigned seed = 100;
  while (p.GetEngine().GetDriveLevelSum() >= 0.f && seed < 200)
    ASSERT_TRUE(RenderNoise(p, 2, 64, 1, 0.5f, seed++));
  ASSERT_LT(p.GetEngine().GetDriveLevelSum(), 0.f);
  p.OnIdleTick();
  const float drive = p.GetEngine().GetDriveLevelSum();
  const float impedance = p.GetEngine().GetImpedanceLevelSum();
  EXPECT_NE(impedance, 0.f);
  ASSERT_EQ(ui->mControlValues.size(), 2u);
  EXPECT_EQ(ui->mControlValues[0], std::make_pair(static_cast<int>(kTagLEDDrive), std::fabs(double(drive))));
  EXPECT_EQ(ui->mControlValues[1],
            std::make_pair(static_cast<int>(kTagLEDImpedance), std::fabs(double(impedance))));
  EXPECT_TRUE(ui->mParamValues.empty());

  // A reaction that moves other parameters reaches the editor only through the tick, from
  // the main thread.
  FromHost(p, kInputGain, 2.0);
  EXPECT_TRUE(ui->mParamValues.empty());
  p.OnIdleTick();
  EXPECT_EQ(ui->mParamValues.size(), static_cast<size_t>(kNumParams));
  EXPECT_EQ(ui->mParamValues[kOutputGain].second, p.GetParam(kOutputGain)->GetNormalized());
  ui->mParamValues.clear();
  p.OnIdleTick();
  EXPECT_TRUE(ui->mParamValues.empty());

  // The editor's scale follows into "Plugin Scale", and so on closing.
  ui->Resize(kEditorWidth, kEditorHeight, 1.5f, false);
  p.OnIdleTick();
  EXPECT_EQ(V(p, kPluginScale), 1.5);
  EXPECT_EQ(p.GetStoredEditorScale(), 1.5f);
  ui->Resize(kEditorWidth, kEditorHeight, 1.75f, false);
  p.CloseEditorWindow();
  EXPECT_EQ(V(p, kPluginScale), 1.75);

  // Without an editor the tick sends nothing and changes nothing.
  p.OnIdleTick();
  EXPECT_EQ(V(p, kPluginScale), 1.75);

  // A "Plugin Scale" set from outside after the editor changed scale (no tick in between)
  // survives the editor's closing.
  ui = OpenRecordingEditor(p, 1.75f);
  ASSERT_NE(ui, nullptr);
  ui->Resize(kEditorWidth, kEditorHeight, 1.25f, false);
  FromHost(p, kPluginScale, 1.5);
  p.CloseEditorWindow();
  EXPECT_EQ(V(p, kPluginScale), 1.5);
}

namespace {

class PusherRecordingVellicor : public Vellicor
{
public:
  PusherRecordingVellicor() : Vellicor(plug::InstanceInfo()) {}

  std::vector<bool> mEnables;

protected:
  bool SetPusherControlsEnabled(bool enabled) override
  {
    mEnables.push_back(enabled);
    return true;
  }
};

} // namespace

TEST(Vellicor, IdleTickUpdatesThePusherAfterAPresetChange)
{
  TempHome home;
  PusherRecordingVellicor p;
  ASSERT_NE(OpenRecordingEditor(p), nullptr);
  p.OnIdleTick();
  EXPECT_TRUE(p.mEnables.empty());

  // "Mix Bus Mid Warm" runs in mid/side.
  ASSERT_TRUE(p.RecallPreset(22));
  ASSERT_EQ(V(p, kStereoMode), 1.0);
  // Until the tick has seen the new preset, tilt changes keep the recalled area.
  const double areaLow = V(p, kDriveAreaLow);
  FromHost(p, kTiltSwitch, 0.0);
  EXPECT_EQ(V(p, kDriveAreaLow), areaLow);

  p.OnIdleTick();
  p.OnIdleTick();
  EXPECT_EQ(p.mEnables, std::vector<bool>{true});
  ASSERT_TRUE(p.RecallPreset(0));
  p.OnIdleTick();
  EXPECT_EQ(p.mEnables, (std::vector<bool>{true, false}));
}

TEST(Vellicor, AudioThroughTheFrameStaysFinite)
{
  TempHome home;
  for (int nChans : {1, 2})
  {
    Vellicor p{plug::InstanceInfo()};
    if (nChans == 1)
      MakeMono(p);
    p.SetSampleRate(48000.0);
    p.OnResetProcessing();
    FromUI(p, kDrive, 100.0);
    FromUI(p, kLimit, 1.0);
    for (int os = 0; os <= 4; ++os)
    {
      FromHost(p, kOverSampling, os);
      ASSERT_TRUE(RenderNoise(p, nChans, 256, 3, 1.0f, 11u + static_cast<unsigned>(os))) << nChans << " " << os;
    }
    EXPECT_EQ(p.GetEngine().GetLimitOverSamplingExponent(), 4);
    FromHost(p, kStereoMode, 1.0);
    FromHost(p, kPower, 0.0);
    ASSERT_TRUE(RenderNoise(p, nChans, 512, 4, 1.0f, 99));
    FromHost(p, kPower, 1.0);
    ASSERT_TRUE(p.RecallPreset(23));
    ASSERT_TRUE(RenderNoise(p, nChans, 512, 4, 1.0f, 5));
    EXPECT_EQ(p.GetProcessingStarted(), 1);
  }
}

TEST(Vellicor, ReactionsFromOtherThreadsWhileAudioRuns)
{
  TempHome home;
  Vellicor p{plug::InstanceInfo()};
  p.OnResetProcessing();
  RecordingGraphics* ui = OpenRecordingEditor(p);
  ASSERT_NE(ui, nullptr);
  std::atomic<bool> stop{false};
  std::atomic<bool> finite{true};
  std::atomic<int> blocks{0};
  std::thread audio([&]() {
    unsigned seed = 1;
    while (!stop.load())
    {
      if (!RenderNoise(p, 2, 128, 1, 0.8f, seed++))
        finite = false;
      ++blocks;
    }
  });
  // Keep changing until the audio side has run a good number of blocks meanwhile.
  for (int i = 0; i < 200 || blocks.load() < 100; ++i)
  {
    FromHost(p, kOverSampling, i % 5);
    FromHost(p, kStereoMode, i % 2);
    FromHost(p, kPower, (i / 3) % 2);
    FromHost(p, kABSelect, (i / 7) % 2);
    FromHost(p, kInputGain, (i % 13) - 6.0);
    FromHost(p, kTiltSwitch, i % 3);
    FromHost(p, kDrive, (i * 7) % 100);
    if (i % 17 == 0)
    {
      EXPECT_TRUE(p.RecallPreset(i % kNumPresets));
    }
    p.OnIdleTick();
  }
  stop = true;
  audio.join();
  EXPECT_TRUE(finite.load());
  EXPECT_FALSE(ui->mControlValues.empty());
}

TEST(Vellicor, ConstructionIsSerialisedByTheInstanceLock)
{
  TempHome home;
  std::atomic<bool> done{false};
  std::unique_ptr<Vellicor> made;
  {
    std::unique_lock<std::recursive_mutex> held(VellicorInstanceMutex());
    // The lock is recursive: the holder itself can still create instances.
    std::unique_ptr<Vellicor> nested(CreatePlugInstance(plug::InstanceInfo()));
    EXPECT_TRUE(nested);

    // A plug-in built without the factory (as a generic host factory does) takes the lock
    // as well.
    // Without the lock the construction ends within milliseconds, even sanitised; with it,
    // it cannot end while we hold the lock. So once the creator has started, a second of
    // waiting for it to end must see nothing (a short sleep alone would pass on a slow run
    // with no lock at all, the creator not having got that far yet).
    std::atomic<bool> started{false};
    std::thread creator([&]() {
      started = true;
      made.reset(new Vellicor(plug::InstanceInfo()));
      done = true;
    });
    while (!started.load())
      std::this_thread::yield();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!done.load() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(done.load()) << "an instance was made while another thread held the instance lock";
    held.unlock();
    creator.join();
  }
  EXPECT_TRUE(done.load());
  EXPECT_TRUE(made);
}
