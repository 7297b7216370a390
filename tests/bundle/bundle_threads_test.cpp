// The real bundle on the host's threads at once, the way a host runs it: blocks render on the
// audio thread while another thread automates every parameter (delivered on the parameter
// thread, echoes included) and the main thread runs the plug-in's idle hook and the host
// timer hook. Built under ThreadSanitizer too.

#include "product/bundle/DemoSignal.h"
#include "standin/aaxhost/tool/EditorPlayback.h"
#include "standin/appkit/UserInput.h"
#include "standin/appkit/View.h"
#include "standin/foundation/RunLoop.h"
#include "tests/bundle/BundleSession.h"
#include "tests/bundle/Lamps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace bundletest {
namespace {

#if defined(__SANITIZE_THREAD__)
constexpr std::chrono::seconds kDuration(3);
#else
constexpr std::chrono::seconds kDuration(1);
#endif
// The lamp is judged in the editor's frames, however slowly the build draws them: it must
// light within kFewFrames of loud audio and be dark again within a second's frames (at the
// editor's 60 per second) of silence.
constexpr uint64_t kFewFrames = 20;
constexpr uint64_t kSecondOfFrames = 60;

TEST(BundleThreads, RenderAutomationOfEveryParameterAndIdleRunTogether)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  auto instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  instance->SetLive(true);
  std::vector<std::string> ids;
  for (const aaxhost::ParameterInfo& info : instance->Parameters())
    ids.push_back(info.id);
  ASSERT_EQ(ids.size(), 34u) << "the bypass and 33 parameters";

  std::atomic<bool> stop{false};
  std::atomic<uint64_t> posted{0};
  std::thread automation([&] {
    std::mt19937 rng(13);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    while (!stop.load())
    {
      for (const std::string& id : ids)
        instance->PostNormalized(id, value(rng));
      posted += ids.size();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  vellicor::DemoSignalOptions options;
  options.channels = 2;
  options.seconds = 0.5;
  const Channels input = vellicor::GenerateDemoSignal(options);
  constexpr size_t kBlock = 256;
  Channels in(2, std::vector<float>(kBlock)), out(2, std::vector<float>(kBlock));
  float* ins[2] = {in[0].data(), in[1].data()};
  float* outs[2] = {out[0].data(), out[1].data()};
  size_t blocks = 0, position = 0;
  bool finite = true, written = true;
  const auto end = std::chrono::steady_clock::now() + kDuration;
  while (std::chrono::steady_clock::now() < end && written && finite)
  {
    if (position + kBlock > input[0].size())
      position = 0;
    for (size_t c = 0; c < 2; ++c)
      std::copy_n(input[c].begin() + static_cast<std::ptrdiff_t>(position), kBlock, in[c].begin());
    written = instance->Render(ins, outs, static_cast<int32_t>(kBlock));
    finite = AllFinite(out);
    position += kBlock;
    ++blocks;
  }
  stop = true;
  automation.join();
  instance->Settle();

  EXPECT_TRUE(written) << "block " << blocks;
  EXPECT_TRUE(finite) << "block " << blocks;
  EXPECT_GT(blocks, 50u);
  EXPECT_GT(posted.load(), 50u * ids.size());
  EXPECT_GT(instance->RunLoopCallbacks(), 10u) << "the plug-in's editor timer and idle hook";
  EXPECT_GT(instance->HostTimerTicks(), 10u);
  EXPECT_GT(instance->DeliveredStateNumber(), 50) << "the packet pass's numbers reach the render calls";

  // The instance settles into a consistent state: it saves, loads and saves the same bytes.
  instance->SetLive(false);
  AAX_CTypeID id = 0;
  ASSERT_EQ(instance->ChunkID(&id), AAX_SUCCESS);
  std::vector<uint8_t> saved, again;
  ASSERT_EQ(instance->GetChunk(id, saved), AAX_SUCCESS);
  ASSERT_EQ(instance->SetChunk(id, saved), AAX_SUCCESS);
  ASSERT_EQ(instance->GetChunk(id, again), AAX_SUCCESS);
  EXPECT_EQ(again, saved);
  EXPECT_TRUE(instance->Render(ins, outs, static_cast<int32_t>(kBlock)));
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

// The editor's last presented frame (empty when it has none).
std::vector<uint8_t> ShownFrame(const aaxhost::EditorSession& editor)
{
  NSView* view = editor.EditorView();
  CALayer* layer = view ? view->layer() : nullptr;
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (!layer || !layer->CopyContentsRGBA(width, height, rgba))
    rgba.clear();
  return rgba;
}

// Runs the main loop, 20 ms at a time, until the editor shows the frame (at most 50 turns).
bool ShowsFrameSoon(const aaxhost::EditorSession& editor, const std::vector<uint8_t>& frame)
{
  for (int turn = 0; turn < 50; ++turn)
  {
    standin::RunLoop::Main().RunForMs(20);
    if (ShownFrame(editor) == frame)
      return true;
  }
  return false;
}

// Runs the main loop until the editor shows the same frame two turns in a row (at most 50
// turns), and gives that frame.
std::vector<uint8_t> SettledFrame(const aaxhost::EditorSession& editor)
{
  std::vector<uint8_t> frame;
  for (int turn = 0; turn < 50; ++turn)
  {
    standin::RunLoop::Main().RunForMs(20);
    std::vector<uint8_t> next = ShownFrame(editor);
    if (!next.empty() && next == frame)
      break;
    frame = std::move(next);
  }
  return frame;
}

// A host worker thread restores state chunks over and over while the main thread drags and
// scrolls Drive in the open editor, closes it and opens it again. Only the main thread touches
// the editor (under ThreadSanitizer any write from the worker to a control is a race, and one
// into an editor closing meanwhile a read of freed memory): the worker's restores reach the
// editor through the editor timer. Once they stop, a last restore on the worker, with a host
// that sends no values back, shows in the editor after the timer's next ticks as a restore on
// the main thread shows it at once.
TEST(BundleThreads, StateRestoredOnAHostThreadReachesTheOpenEditorOnlyOnTheMainThread)
{
  namespace input = standin::appkit;
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  auto instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  instance->SetLive(true);
  AAX_CTypeID id = 0;
  ASSERT_EQ(instance->ChunkID(&id), AAX_SUCCESS);
  // Two states the editor tells apart: Drive and Input Gain differ.
  std::vector<uint8_t> chunkA, chunkB;
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Drive"), "20"), AAX_SUCCESS);
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Input Gain"), "-6"), AAX_SUCCESS);
  ASSERT_EQ(instance->GetChunk(id, chunkA), AAX_SUCCESS);
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Drive"), "80"), AAX_SUCCESS);
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Input Gain"), "6"), AAX_SUCCESS);
  ASSERT_EQ(instance->GetChunk(id, chunkB), AAX_SUCCESS);

  aaxhost::EditorSession editor(session.GetHost(), *instance);
  ASSERT_TRUE(editor.Create()) << editor.Error();
  ASSERT_EQ(editor.Open(), AAX_SUCCESS);

  std::atomic<bool> stop{false};
  std::atomic<int> restores{0}, failed{0};
  std::thread worker([&] {
    for (int i = 0; i < 5000 && !stop.load(); ++i)
    {
      if (RestoreOnThisThread(*instance, id, (i % 2) ? chunkB : chunkA) != AAX_SUCCESS)
        ++failed;
      ++restores;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  {
    NSAutoreleasePool pool; // the host's main loop always has one
    bool balanced = true;
    for (int round = 0; round < 6; ++round)
    {
      NSView* view = editor.EditorView();
      if (!view)
      {
        ADD_FAILURE() << "no editor view in round " << round;
        break;
      }
      const double scale = view->frame().size.width / 900.0;
      NSWindow* window = view->window();
      auto at = [&](double x, double y) { return input::InWindow(view, NSMakePoint(x * scale, y * scale)); };
      if (round % 2)
        input::Drag(window, at(147, 185), at(147, 150 + round));
      else
        input::Scroll(window, at(147, 185), (round % 4) ? 2.0 : -2.0);
      standin::RunLoop::Main().RunForMs(20);
      if (round == 2)
      {
        EXPECT_EQ(editor.Close(balanced), AAX_SUCCESS);
        standin::RunLoop::Main().RunForMs(5);
        EXPECT_EQ(editor.Open(), AAX_SUCCESS);
      }
    }
    stop = true;
    worker.join();
    EXPECT_TRUE(balanced);
  }
  EXPECT_GT(restores.load(), 0);
  EXPECT_EQ(failed.load(), 0);
  // The restores and the drags set Drive at the same time: the host ends on what the instance
  // holds.
  ExpectHostHoldsTheInstancesValues(*instance);

  // What each state looks like, restored on the main thread.
  ASSERT_EQ(instance->SetChunk(id, chunkB), AAX_SUCCESS);
  const std::vector<uint8_t> frameB = SettledFrame(editor);
  ASSERT_EQ(instance->SetChunk(id, chunkA), AAX_SUCCESS);
  const std::vector<uint8_t> frameA = SettledFrame(editor);
  ASSERT_FALSE(frameA.empty());
  ASSERT_TRUE(frameA != frameB) << "the two states look different";

  // From now on the host sends nothing back, so only the restore itself can reach the editor.
  instance->GetInstanceHost()->Automation().SetUpdateSink(nullptr);
  std::thread last([&] { EXPECT_EQ(RestoreOnThisThread(*instance, id, chunkB), AAX_SUCCESS); });
  last.join();
  EXPECT_TRUE(ShowsFrameSoon(editor, frameB)) << "the editor shows the state restored on the worker";
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

// Each parameter's value in a saved state (one little-endian double per parameter).
std::vector<double> StateValues(const std::vector<uint8_t>& chunk)
{
  std::vector<double> values(chunk.size() / sizeof(double));
  std::memcpy(values.data(), chunk.data(), values.size() * sizeof(double));
  return values;
}

// The host restores state X and then state Y, with the gains linked in both, and holds back
// its answers to the plug-in's requests: it delivers them in the order it took them, late, at
// one point of Y's restore (its first touch, where Y's values are loaded; between its set
// requests; after a release; at its end) or after uninitialising and initialising the instance
// again. Once every answer is in, the instance and the host hold Y, and the instance saves Y
// byte for byte, whether the host restores on its main thread or on a worker.
TEST(BundleThreads, TheSecondOfTwoRestoresWinsOverTheFirstsLateAnswers)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  auto instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  AAX_CTypeID id = 0;
  ASSERT_EQ(instance->ChunkID(&id), AAX_SUCCESS);
  auto makeState = [&](const std::vector<std::pair<const char*, const char*>>& settings) {
    for (const auto& [name, text] : settings)
      EXPECT_EQ(instance->SetFromText(instance->FindParameter(name), text), AAX_SUCCESS) << name;
    std::vector<uint8_t> chunk;
    EXPECT_EQ(instance->GetChunk(id, chunk), AAX_SUCCESS);
    return chunk;
  };
  // "Link Gains" is 0 (linked): each input gain moves the output gain the other way.
  const std::vector<uint8_t> chunkX =
    makeState({{"Input Gain", "-4.8"}, {"Drive", "30"}, {"Drive Tone", "20"}, {"Vell Air", "80"}, {"Balance", "40"}});
  const std::vector<uint8_t> chunkY =
    makeState({{"Input Gain", "4.8"}, {"Drive", "10"}, {"Drive Tone", "70"}, {"Vell Air", "30"}, {"Balance", "-25"}});
  ASSERT_NEAR(StateValues(chunkY)[3], 4.8, 1e-9);
  ASSERT_NE(StateValues(chunkX)[4], StateValues(chunkY)[4]) << "the link moved the output gain";
  // What the host holds with Y restored alone.
  ASSERT_EQ(instance->SetChunk(id, chunkY), AAX_SUCCESS);
  const std::vector<aaxhost::ParameterInfo> hostY = instance->Parameters();

  aaxhost::AutomationDelegate& host = instance->GetInstanceHost()->Automation();
  // Settling waits for the parameter thread alone, so that the host's worker may wait too.
  instance->SetServesMainThreadWhileWaiting(false);
  enum class When
  {
    kFirstTouch,
    kTenthSet,
    kFifthRelease,
    kEnd,
    kAfterSecondInit
  };
  const std::pair<When, const char*> points[] = {{When::kFirstTouch, "at Y's first touch"},
                                                 {When::kTenthSet, "at Y's tenth set request"},
                                                 {When::kFifthRelease, "after Y's fifth release"},
                                                 {When::kEnd, "after Y's restore"},
                                                 {When::kAfterSecondInit, "after a second initialisation"}};
  for (const bool onWorker : {false, true})
    for (const auto& [when, what] : points)
    {
      SCOPED_TRACE(std::string(onWorker ? "restored on a host worker, " : "restored on the main thread, ") + what);
      ASSERT_EQ(instance->SetChunk(id, chunkY), AAX_SUCCESS);
      std::vector<std::pair<std::string, double>> held;
      auto deliverHeld = [&] {
        host.SetUpdateSink([&](const char* pid, double value) { instance->PostNormalized(pid ? pid : "", value); });
        for (const auto& [pid, value] : held)
          instance->PostNormalized(pid, value);
        held.clear();
        instance->Settle();
      };
      auto restoreXThenY = [&] {
        host.SetUpdateSink([&held](const char* pid, double value) { held.emplace_back(pid ? pid : "", value); });
        EXPECT_EQ(RestoreOnThisThread(*instance, id, chunkX), AAX_SUCCESS);
        EXPECT_FALSE(held.empty());
        int sets = 0, releases = 0;
        host.SetRequestHook([&](aaxhost::GestureRecord::EKind kind, const std::string&) {
          const bool now = (when == When::kFirstTouch && kind == aaxhost::GestureRecord::kTouch) ||
                           (when == When::kTenthSet && kind == aaxhost::GestureRecord::kSet && ++sets == 10) ||
                           (when == When::kFifthRelease && kind == aaxhost::GestureRecord::kRelease && ++releases == 5);
          if (!now)
            return;
          host.SetRequestHook(nullptr);
          deliverHeld();
        });
        EXPECT_EQ(RestoreOnThisThread(*instance, id, chunkY), AAX_SUCCESS);
        host.SetRequestHook(nullptr);
      };
      if (onWorker)
        std::thread(restoreXThenY).join();
      else
        restoreXThenY();
      if (when == When::kAfterSecondInit)
      {
        EXPECT_EQ(instance->Uninit(), AAX_SUCCESS);
        EXPECT_EQ(instance->Init(), AAX_SUCCESS);
      }
      deliverHeld();

      const std::vector<aaxhost::ParameterInfo> hostNow = instance->Parameters();
      ASSERT_EQ(hostNow.size(), hostY.size());
      for (size_t i = 0; i < hostNow.size(); ++i)
        EXPECT_TRUE(hostNow[i].text == hostY[i].text && std::fabs(hostNow[i].normalized - hostY[i].normalized) < 1e-9)
          << "the host holds " << hostNow[i].name << " " << hostNow[i].text << " where Y has " << hostY[i].text;
      std::vector<uint8_t> now;
      ASSERT_EQ(instance->GetChunk(id, now), AAX_SUCCESS);
      EXPECT_TRUE(now == chunkY) << "the instance saves what it restored";
      const std::vector<double> instanceValues = StateValues(now), wanted = StateValues(chunkY);
      ASSERT_EQ(instanceValues.size(), wanted.size());
      for (size_t i = 0; i < wanted.size(); ++i)
        EXPECT_EQ(instanceValues[i], wanted[i]) << "the instance's parameter " << i;
    }
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

// A host that answers every request inside it, on the requesting thread: the editor's drag of
// a linked gain on the main thread, the host's own change of it on a worker (the reaction's
// request goes with the packet pass there) and restores of linked states on a worker and on
// the main thread all finish, nothing waits on itself, and the host ends on the instance's values.
TEST(BundleThreads, AHostAnsweringInsideTheRequestsGetsWhatALaterAnswerGets)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  auto instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Input Gain"), "-3"), AAX_SUCCESS);
  AAX_CTypeID id = 0;
  std::vector<uint8_t> linked;
  ASSERT_EQ(instance->ChunkID(&id), AAX_SUCCESS);
  ASSERT_EQ(instance->GetChunk(id, linked), AAX_SUCCESS);
  ASSERT_EQ(instance->SetFromText(instance->FindParameter("Input Gain"), "0"), AAX_SUCCESS);

  aaxhost::AutomationDelegate& host = instance->GetInstanceHost()->Automation();
  AAX_IACFEffectParameters* effect = instance->Effect();
  std::atomic<int> answered{0};
  host.SetUpdateSink([&](const char* pid, double value) {
    effect->UpdateParameterFromHost(pid, value, 0);
    ++answered;
  });
  aaxhost::EditorSession editor(session.GetHost(), *instance);
  ASSERT_TRUE(editor.Create()) << editor.Error();
  ASSERT_EQ(editor.Open(), AAX_SUCCESS);
  {
    NSAutoreleasePool pool;
    NSView* view = editor.EditorView();
    ASSERT_NE(view, nullptr);
    standin::appkit::Drag(view->window(), standin::appkit::InWindow(view, NSMakePoint(53, 487)),
                          standin::appkit::InWindow(view, NSMakePoint(53, 460)));
    standin::RunLoop::Main().RunForMs(20);
  }
  std::thread([&] {
    EXPECT_EQ(effect->UpdateParameterFromHost(instance->FindParameter("Input Gain").c_str(), 0.3, 0), AAX_SUCCESS);
    EXPECT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
    EXPECT_EQ(RestoreOnThisThread(*instance, id, linked), AAX_SUCCESS);
  }).join();
  EXPECT_EQ(RestoreOnThisThread(*instance, id, linked), AAX_SUCCESS);
  EXPECT_GT(answered.load(), 33 * 2 + 2);
  ExpectHostHoldsTheInstancesValues(*instance);
  std::vector<uint8_t> now;
  ASSERT_EQ(instance->GetChunk(id, now), AAX_SUCCESS);
  EXPECT_TRUE(now == linked);
  bool balanced = true;
  EXPECT_EQ(editor.Close(balanced), AAX_SUCCESS);
  host.SetUpdateSink(nullptr);
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

aaxhost::EditorInput Input(aaxhost::EditorInput::EKind kind, double at, const std::string& value)
{
  aaxhost::EditorInput input;
  input.kind = kind;
  std::string error;
  EXPECT_TRUE(aaxhost::ParseEditorInput(value, input, error)) << value << ": " << error;
  input.at = at;
  return input;
}

// The whole instance as a host runs it with its window open, on live threads at the file's
// pace: the audio thread renders, a thread of its own automates parameters that cannot darken
// the lamps, and the main thread runs the editor at its frame rate and the user's input while
// blocks render: knob drags (gestures to the host), a preset loaded and one saved from the
// strip, an A/B switch and the stereo-mode toggle; the editor closes and opens again twice.
// Then, with Drive at 90 % and a loud tone, the drive lamp lights within a few frames and goes
// dark within a second of silence. Built under ThreadSanitizer too.
TEST(BundleThreads, TheEditorAndTheAudioRunTogetherAsAHostRunsThem)
{
  ASSERT_TRUE(aaxhost::PrepareHostForPlayback(true));
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  const std::vector<int32_t> countsBefore = session.GetHost().RefCounts();
  {
    auto instance = session.NewInstance(1);
    ASSERT_TRUE(instance);

    // Silence while the user works, a loud tone, then silence. The host's transport moves on
    // to the tone once the dark lamp has been seen, to the silence once the lamp has had its
    // frames of the tone, and stops once it has had a second's frames of the silence (or the
    // file ends).
    constexpr double kRate = 48000.0, kLoudFrom = 10.0, kLoudTo = kLoudFrom + 20.0;
    constexpr double kEnd = kLoudTo + 40.0;
    aaxhost::AudioData input;
    input.sampleRate = static_cast<int>(kRate);
    input.channels.assign(2, std::vector<float>(static_cast<size_t>(kEnd * kRate), 0.0f));
    for (auto& channel : input.channels)
      for (size_t i = static_cast<size_t>(kLoudFrom * kRate); i < static_cast<size_t>(kLoudTo * kRate); ++i)
        channel[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * 110.0 * static_cast<double>(i) / kRate));

    // Automation of parameters that leave the lamps alone (not Drive, Power or Delta).
    std::vector<aaxhost::ResolvedAutomation> automations;
    for (const char* name : {"Output Gain", "Vell Air", "Balance", "Mid-Side Pusher", "Impedance Bump"})
    {
      aaxhost::ResolvedAutomation automation;
      automation.id = instance->FindParameter(name);
      ASSERT_FALSE(automation.id.empty()) << name;
      for (int k = 0; k <= 8; ++k)
        automation.points.emplace_back(0.5 * k, (k % 2) ? 0.3 : 0.6);
      automations.push_back(automation);
    }
    aaxhost::FileRenderSettings settings;
    settings.blocks = {256, 512};
    settings.rate = kRate;
    aaxhost::FileRender render(*instance, session.GetHost(), input, settings, automations);

    using K = aaxhost::EditorInput;
    aaxhost::PlaybackScript script;
    script.realtime = true;
    script.reopenAt = {0.7, 0.9};
    script.inputs = {
      Input(K::kDrag, 0.10, "147,350:147,320"),  // Tone
      Input(K::kClick, 0.15, "286,14"),          // the strip's next preset
      Input(K::kClick, 0.25, "594,14"),          // save: the slot from the list, a name, Return
      Input(K::kMenu, 0.25, "3"),
      Input(K::kClick, 0.25, "440,14"),
      Input(K::kClick, 0.35, "440,12"),
      Input(K::kType, 0.40, "440,12:Warm"),
      Input(K::kKey, 0.40, "440,12:Return"),
      Input(K::kClick, 0.50, "212,12"),          // A/B: to B
      Input(K::kClick, 0.55, "372,487"),         // stereo mode
      Input(K::kDrag, 0.60, "752,350:752,320"),  // Impedance Tone
      Input(K::kDrag, 0.80, "147,350:147,330"),  // Tone again, in the second opening
    };
    aaxhost::EditorSession editor(session.GetHost(), *instance);
    ASSERT_TRUE(editor.Create()) << editor.Error();

    struct LampSample
    {
      double time;
      uint64_t frame; // frames the editor's layer had presented by then
      double brightness;
    };
    std::vector<LampSample> lamp; // the drive lamp
    bool driveSet = false;
    double setAt = 0.0;
    uint64_t loudFrame = 0, silentFrame = 0; // the first frames shown in the tone and after it
    script.boundary = [&](double time) -> aaxhost::TransportMove {
      if (!driveSet && time >= 0.92)
      {
        // The user's session is over: the settings the lamp test runs with.
        for (const auto& [name, text] : {std::pair<const char*, const char*>{"Drive", "90"}, {"Input Gain", "6"},
                                         {"Power", "1"}, {"Delta", "0"}, {"Master Dry Blend", "100"}})
        {
          // Posted as automation is: the main thread does not wait for the parameter thread.
          const std::string id = instance->FindParameter(name);
          double normalized = 0.0;
          EXPECT_EQ(instance->ParseText(id, text, &normalized), AAX_SUCCESS) << name;
          instance->PostNormalized(id, normalized);
        }
        // No oversampling: the audio thread's share stays small under the sanitizers.
        instance->PostNormalized(instance->FindParameter("OverSampling"), 0.0);
        driveSet = true;
        setAt = time;
      }
      // The picture about every 25 ms of the file (a frame and a half).
      NSView* view = editor.EditorView();
      int width = 0, height = 0;
      std::vector<uint8_t> rgba;
      if (!driveSet || (!lamp.empty() && time < lamp.back().time + 0.025))
        return {};
      CALayer* layer = view ? view->layer() : nullptr;
      if (!layer || !layer->CopyContentsRGBA(width, height, rgba))
        return {};
      lamp.push_back({time, layer->ShownFrameCount(), LampBrightness(rgba, width, height, kDriveLamp)});
      const uint64_t frame = lamp.back().frame;
      if (time < kLoudFrom)
        return time > setAt + 0.1 && lamp.size() >= 3 ? aaxhost::TransportMove{aaxhost::TransportMove::kLocate, kLoudFrom}
                                                     : aaxhost::TransportMove{};
      if (time >= kLoudFrom && time < kLoudTo && !loudFrame)
        loudFrame = frame;
      if (time >= kLoudTo && !silentFrame)
        silentFrame = frame;
      if (loudFrame && !silentFrame && frame > loudFrame + kFewFrames + 5)
        return {aaxhost::TransportMove::kLocate, kLoudTo};
      if (silentFrame && frame > silentFrame + kSecondOfFrames + 5)
        return {aaxhost::TransportMove::kStop, 0.0};
      return {};
    };
    const aaxhost::PlaybackResult result = aaxhost::PlayWithEditor(editor, *instance, render, script);
    EXPECT_TRUE(result.ok) << result.error;
    bool balanced = false;
    EXPECT_EQ(editor.Close(balanced), AAX_SUCCESS);
    EXPECT_TRUE(balanced);
    EXPECT_TRUE(editor.Destroy());

    EXPECT_TRUE(AllFinite(render.Output().channels));
    EXPECT_GT(render.Time(), kLoudTo) << "the blocks rendered into the silence";
    const aaxhost::AutomationDelegate& host = instance->GetInstanceHost()->Automation();
    for (const char* name : {"Drive Tone", "Impedance Tone"})
      EXPECT_EQ(host.TouchDepth(instance->FindParameter(name)), 0) << name << ": every gesture ended";
    bool touched = false;
    for (const aaxhost::GestureRecord& gesture : host.Gestures())
      touched = touched || (gesture.kind == aaxhost::GestureRecord::kTouch && gesture.id == instance->FindParameter("Drive Tone"));
    EXPECT_TRUE(touched) << "the drags reached the host as gestures";

    // The lamp, counted in the editor's frames (the machine may be slower than the file): dark
    // before the tone, lit within a few frames of it, dark again within a second's frames (60)
    // of the silence after it.
    ASSERT_FALSE(lamp.empty());
    double dark = 255.0, litEarly = 0.0;
    uint64_t lastLitFrame = 0;
    for (const LampSample& sample : lamp)
    {
      if (sample.time < kLoudFrom)
        dark = std::min(dark, sample.brightness);
    }
    for (const LampSample& sample : lamp)
    {
      if (sample.time >= kLoudFrom && sample.time < kLoudTo && sample.frame <= loudFrame + kFewFrames)
        litEarly = std::max(litEarly, sample.brightness);
      if (sample.brightness > dark + 3.0)
        lastLitFrame = sample.frame;
    }
    // The lamp shows the level of the tone at the end of the last block rendered. When the
    // audio runs behind the frames (a loaded machine, the sanitizers), the lamp settles on the
    // few readings it got by then, which may all fall low on the tone's wave: lit is then
    // about a dozen above dark, where in real time it is three dozen.
    EXPECT_GT(litEarly, dark + 8.0) << "the drive lamp lights within a few frames of loud audio";
    EXPECT_LE(lastLitFrame, silentFrame + kSecondOfFrames) << "the drive lamp goes dark within a second of silence";
    EXPECT_GE(lamp.back().frame, silentFrame + kSecondOfFrames) << "the silence lasted a second's frames";
    EXPECT_LT(lamp.back().brightness, dark + 3.0) << "and stays dark";
    std::printf("drive lamp: dark %.1f, lit %.1f within %llu frames; loud from frame %llu, silent from %llu, last lit "
                "at %llu; stopped at %.2f s; %zu of %zu blocks missed their deadline\n",
                dark, litEarly, static_cast<unsigned long long>(kFewFrames), static_cast<unsigned long long>(loudFrame), static_cast<unsigned long long>(silentFrame),
                static_cast<unsigned long long>(lastLitFrame), render.Time(), result.missedDeadlines, render.Blocks());
    instance.reset();
  }
  EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "no plug-in object alive";
  EXPECT_EQ(session.GetHost().RefCounts(), countsBefore) << "host references balanced";
  EXPECT_EQ(session.GetHost().Services().AssertionCount(), 0u);
}

} // namespace
} // namespace bundletest
