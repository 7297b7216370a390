// The real bundle with hosts that do not take the plug-in's requests: automation in Read mode
// that ignores them, or answers each with its lane's value (the control snaps back), and hosts
// that answer late. Whatever the host does, its value wins, the exchange ends, and once the
// host has delivered everything the instance holds what the host holds. Also: what the
// editor's own actions set reaches the host at once, and runs safely beside the host's
// changes on its own thread.

#include "product/VellicorConstants.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/appkit/UserInput.h"
#include "standin/appkit/View.h"
#include "standin/foundation/RunLoop.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace bundletest {
namespace {

namespace input = standin::appkit;

std::string Id(int paramIdx) { return std::to_string(paramIdx + 1); }

// The instance's own value of each parameter, from its saved state.
std::vector<double> InstanceValues(aaxhost::PluginInstance& instance)
{
  AAX_CTypeID chunkID = 0;
  std::vector<uint8_t> chunk;
  EXPECT_EQ(instance.ChunkID(&chunkID), AAX_SUCCESS);
  EXPECT_EQ(instance.GetChunk(chunkID, chunk), AAX_SUCCESS);
  std::vector<double> values(chunk.size() / sizeof(double));
  std::memcpy(values.data(), chunk.data(), values.size() * sizeof(double));
  return values;
}

double InstanceValue(aaxhost::PluginInstance& instance, int paramIdx)
{
  const std::vector<double> values = InstanceValues(instance);
  return paramIdx < static_cast<int>(values.size()) ? values[static_cast<size_t>(paramIdx)] : -1e9;
}

double HostNormalized(aaxhost::PluginInstance& instance, int paramIdx)
{
  double value = -1.0;
  EXPECT_EQ(instance.Effect()->GetParameterNormalized(Id(paramIdx).c_str(), &value), AAX_SUCCESS);
  return value;
}

// The host's idle hook, rounds of it, with a packet pass before each, on the main thread.
void IdleRounds(aaxhost::PluginInstance& instance, int rounds)
{
  for (int i = 0; i < rounds; ++i)
  {
    instance.Settle();
    EXPECT_EQ(instance.Effect()->QueueParameterState(), AAX_SUCCESS);
    EXPECT_EQ(instance.Effect()->OnHostTimerTick(), AAX_SUCCESS);
    instance.Settle();
  }
}

// Idle rounds until the plug-in has sent nothing through three rounds in a row (a reaction to
// a refusal may ask for more, which goes with the next round and which the host may refuse in
// turn, a whole round later); how many rounds it took. Fails when the exchange has not ended
// within 30.
int IdleUntilQuiet(aaxhost::PluginInstance& instance)
{
  const aaxhost::AutomationDelegate& automation = instance.GetInstanceHost()->Automation();
  int quiet = 0;
  for (int rounds = 1; rounds <= 30; ++rounds)
  {
    const uint64_t asked = automation.SetValueRequestCount();
    IdleRounds(instance, 1);
    quiet = automation.SetValueRequestCount() == asked ? quiet + 1 : 0;
    if (quiet == 3)
      return rounds;
  }
  ADD_FAILURE() << "the plug-in still asks after 30 idle rounds";
  return 30;
}

// A host in Read mode: every parameter with a lane answers the plug-in's set request with the
// lane's value; others it takes. Counts what it answered.
class ReadModeHost
{
public:
  explicit ReadModeHost(aaxhost::PluginInstance& instance) : mInstance(instance)
  {
    mInstance.GetInstanceHost()->Automation().SetUpdateSink([this](const char* id, double value) {
      const std::string pid = id ? id : "";
      {
        std::lock_guard<std::mutex> lock(mLock);
        const auto lane = mLanes.find(pid);
        if (lane != mLanes.end())
        {
          value = lane->second;
          ++mSnappedBack;
        }
      }
      mInstance.PostNormalized(pid, value);
    });
  }
  ~ReadModeHost() { mInstance.GetInstanceHost()->Automation().SetUpdateSink(nullptr); }

  // The lane plays a value: the host sends it, and holds it from then on.
  void Play(int paramIdx, double normalized)
  {
    {
      std::lock_guard<std::mutex> lock(mLock);
      mLanes[Id(paramIdx)] = normalized;
    }
    mInstance.PostNormalized(Id(paramIdx), normalized);
  }
  int SnappedBack() const
  {
    std::lock_guard<std::mutex> lock(mLock);
    return mSnappedBack;
  }

private:
  aaxhost::PluginInstance& mInstance;
  mutable std::mutex mLock;
  std::map<std::string, double> mLanes;
  int mSnappedBack = 0;
};

double Normalize(aaxhost::PluginInstance& instance, int paramIdx, const std::string& text)
{
  double normalized = -1.0;
  EXPECT_EQ(instance.ParseText(Id(paramIdx), text, &normalized), AAX_SUCCESS) << text;
  return normalized;
}

AAX_Result Restore(aaxhost::PluginInstance& instance, const std::vector<uint8_t>& data)
{
  AAX_CTypeID id = 0;
  EXPECT_EQ(instance.ChunkID(&id), AAX_SUCCESS);
  return RestoreOnThisThread(instance, id, data);
}

std::vector<uint8_t> Saved(aaxhost::PluginInstance& instance)
{
  AAX_CTypeID id = 0;
  std::vector<uint8_t> chunk;
  EXPECT_EQ(instance.ChunkID(&id), AAX_SUCCESS);
  EXPECT_EQ(instance.GetChunk(id, chunk), AAX_SUCCESS);
  return chunk;
}

class HostRefusalTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mSession.Ready()) << mSession.Error();
    mInstance = mSession.NewInstance(1);
    ASSERT_TRUE(mInstance);
    // Idle rounds come where the test runs them, never while it waits for the other threads.
    mInstance->SetServesMainThreadWhileWaiting(false);
  }
  void TearDown() override
  {
    if (mInstance)
      mInstance->GetInstanceHost()->Automation().SetUpdateSink(nullptr);
    EXPECT_EQ(mSession.GetHost().Services().AssertionCount(), 0u);
  }
  // The instance's editor, made and opened in a host window; its view, null on failure.
  NSView* OpenEditor()
  {
    mEditor = std::make_unique<aaxhost::EditorSession>(mSession.GetHost(), *mInstance);
    if (!mEditor->Create() || mEditor->Open() != AAX_SUCCESS)
    {
      ADD_FAILURE() << "editor: " << mEditor->Error();
      return nullptr;
    }
    return mEditor->EditorView();
  }
  void CloseEditor()
  {
    bool balanced = true;
    EXPECT_EQ(mEditor->Close(balanced), AAX_SUCCESS);
    EXPECT_TRUE(balanced);
  }
  // Stops answering: the host ignores every request from now on.
  void IgnoreRequests() { mInstance->GetInstanceHost()->Automation().SetUpdateSink(nullptr); }

  BundleSession mSession;
  std::unique_ptr<aaxhost::PluginInstance> mInstance;
  std::unique_ptr<aaxhost::EditorSession> mEditor;
};

// The host restores state X, then Y, and answers none of the requests; its own automation then
// sets Drive to X's value. The host's value wins: the instance processes and saves it.
TEST_F(HostRefusalTest, ARefusedRestoreNeverHidesTheHostsOwnChange)
{
  aaxhost::PluginInstance& instance = *mInstance;
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "30"), AAX_SUCCESS);
  const std::vector<uint8_t> x = Saved(instance);
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "10"), AAX_SUCCESS);
  const std::vector<uint8_t> y = Saved(instance);
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "50"), AAX_SUCCESS);

  IgnoreRequests();
  ASSERT_EQ(Restore(instance, x), AAX_SUCCESS);
  ASSERT_EQ(Restore(instance, y), AAX_SUCCESS);
  EXPECT_NEAR(InstanceValue(instance, kDrive), 10.0, 1e-9);
  instance.PostNormalized(Id(kDrive), Normalize(instance, kDrive, "30"));
  IdleRounds(instance, 2);
  EXPECT_NEAR(InstanceValue(instance, kDrive), 30.0, 1e-9) << "the host's value wins";
  ExpectHostHoldsTheInstancesValues(instance);
}

// The user acts in the editor while the host ignores every request, then the host plays one
// value of its own lane: each sequence ends with the instance on the host's values.
TEST_F(HostRefusalTest, EditorRequestsTheHostIgnoresEndOnTheHostsValues)
{
  aaxhost::PluginInstance& instance = *mInstance;
  NSAutoreleasePool pool;
  NSView* view = OpenEditor();
  ASSERT_NE(view, nullptr);
  auto click = [&](double x, double y) {
    input::Click(view->window(), input::InWindow(view, NSMakePoint(x, y)));
    standin::RunLoop::Main().RunForMs(20);
  };
  auto drag = [&](double x0, double y0, double x1, double y1) {
    input::Drag(view->window(), input::InWindow(view, NSMakePoint(x0, y0)), input::InWindow(view, NSMakePoint(x1, y1)));
    standin::RunLoop::Main().RunForMs(20);
  };

  struct Case
  {
    const char* what;
    std::function<void()> act;
    int played;                  // the parameter the host's lane plays ...
    std::function<double()> lane; // ... and the value it plays
  };
  double firstDrag = 0.0;
  const Case cases[] = {
    {"the stereo-mode button twice", [&] { click(372, 488); click(372, 488); }, kStereoMode, [] { return 1.0; }},
    {"tilt tab MD, then HI", [&] { click(147, 267); click(170, 267); }, kTiltSwitch,
     [&] { return Normalize(instance, kTiltSwitch, "MD"); }},
    {"A/B: B, then A", [&] { click(212, 13); click(127, 13); }, kABSelect, [] { return 1.0; }},
    {"a linked drag of Input Gain in two moves",
     [&] {
       drag(53, 487, 53, 477);
       firstDrag = instance.Effect() ? InstanceValue(instance, kInputGain) : 0.0;
       drag(53, 477, 53, 460);
     },
     kInputGain, [&] { return Normalize(instance, kInputGain, std::to_string(firstDrag)); }},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    IdleRounds(instance, 2);
    IgnoreRequests();
    const uint64_t before = instance.GetInstanceHost()->Automation().SetValueRequestCount();
    c.act();
    ASSERT_GE(instance.GetInstanceHost()->Automation().SetValueRequestCount(), before + 2) << "the editor asked nothing";
    const double lane = c.lane();
    instance.PostNormalized(Id(c.played), lane);
    EXPECT_LE(IdleUntilQuiet(instance), 12);
    EXPECT_NEAR(HostNormalized(instance, c.played), lane, 1e-9);
    ExpectHostHoldsTheInstancesValues(instance);
    // The editor shows what the host holds.
    standin::RunLoop::Main().RunForMs(40);
    // The host takes requests again, for the next case's start.
    mInstance->GetInstanceHost()->Automation().SetUpdateSink(
      [this](const char* id, double value) { mInstance->PostNormalized(id ? id : "", value); });
  }
  CloseEditor();
}

// Both gain lanes in Read mode hold a pair the link does not make (+3 dB in, 0 dB out), and
// the host answers each request of an automated gain with its lane's value. The instance ends
// on the lanes, each gain is asked for at most twice, and nothing more is asked over 200 idle
// rounds; the same with the instance's own pair offset from a linked pair of lanes.
TEST_F(HostRefusalTest, AHostSnappingRequestsBackEndsTheExchange)
{
  aaxhost::PluginInstance& instance = *mInstance;
  ASSERT_EQ(InstanceValue(instance, kLinkGains), 0.0) << "linked";
  struct Case
  {
    const char* what;
    const char *startIn, *startOut, *laneIn, *laneOut;
  };
  const Case cases[] = {{"lanes the link does not make", "0", "0", "3", "0"},
                        {"linked lanes, the instance offset from them", "4", "-3", "3", "-3"},
                        {"linked lanes, the instance offset the other way", "3", "-2", "3", "-3"}};
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    instance.GetInstanceHost()->Automation().SetUpdateSink(nullptr);
    ASSERT_EQ(instance.SetFromText(Id(kLinkGains), "1"), AAX_SUCCESS);
    ASSERT_EQ(instance.SetFromText(Id(kInputGain), c.startIn), AAX_SUCCESS);
    ASSERT_EQ(instance.SetFromText(Id(kOutputGain), c.startOut), AAX_SUCCESS);
    ASSERT_EQ(instance.SetFromText(Id(kLinkGains), "0"), AAX_SUCCESS);
    IdleRounds(instance, 2);

    aaxhost::AutomationDelegate& automation = instance.GetInstanceHost()->Automation();
    const uint64_t gesturesBefore = automation.GestureCount();
    ReadModeHost host(instance);
    host.Play(kInputGain, Normalize(instance, kInputGain, c.laneIn));
    host.Play(kOutputGain, Normalize(instance, kOutputGain, c.laneOut));
    IdleRounds(instance, 3);
    const uint64_t settled = automation.GestureCount();
    const int snapped = host.SnappedBack();
    IdleRounds(instance, 200);
    EXPECT_EQ(automation.GestureCount(), settled) << "requests go on after the host refused them";
    EXPECT_EQ(host.SnappedBack(), snapped);
    EXPECT_LE(snapped, 4) << "each gain asked for at most twice";
    EXPECT_LE(settled - gesturesBefore, 12u);
    EXPECT_NEAR(InstanceValue(instance, kInputGain), std::stod(c.laneIn), 1e-9);
    EXPECT_NEAR(InstanceValue(instance, kOutputGain), std::stod(c.laneOut), 1e-9);
    ExpectHostHoldsTheInstancesValues(instance);
  }

  {
    SCOPED_TRACE("the next move starts from what the host plays");
    IdleRounds(instance, 2);
    instance.GetInstanceHost()->Automation().SetUpdateSink(
      [this](const char* id, double value) { mInstance->PostNormalized(id ? id : "", value); });
    ASSERT_EQ(instance.SetFromText(Id(kInputGain), "5"), AAX_SUCCESS);
    IdleRounds(instance, 2);
    EXPECT_NEAR(InstanceValue(instance, kOutputGain), -5.0, 1e-9) << "+3/-3 moved by 2 dB";
    ExpectHostHoldsTheInstancesValues(instance);
  }
}

// Restores X, Y, X (a compare button pressed twice), every answer held and then delivered in
// the host's order: the instance never runs Y's values again on the way, and ends on X byte for
// byte.
TEST_F(HostRefusalTest, LateAnswersInOrderNeverReplayAStateTheUserLeft)
{
  aaxhost::PluginInstance& instance = *mInstance;
  ASSERT_EQ(instance.SetFromText(Id(kInputGain), "-4.8"), AAX_SUCCESS);
  ASSERT_EQ(instance.SetFromText(Id(kStereoMode), "1"), AAX_SUCCESS);
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "30"), AAX_SUCCESS);
  const std::vector<uint8_t> x = Saved(instance);
  ASSERT_EQ(instance.SetFromText(Id(kInputGain), "4.8"), AAX_SUCCESS);
  ASSERT_EQ(instance.SetFromText(Id(kStereoMode), "0"), AAX_SUCCESS);
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "10"), AAX_SUCCESS);
  const std::vector<uint8_t> y = Saved(instance);
  IdleRounds(instance, 2);

  std::vector<std::pair<std::string, double>> held;
  aaxhost::AutomationDelegate& automation = instance.GetInstanceHost()->Automation();
  automation.SetUpdateSink([&held](const char* id, double value) { held.emplace_back(id ? id : "", value); });
  const uint64_t gesturesBefore = automation.GestureCount();
  ASSERT_EQ(Restore(instance, x), AAX_SUCCESS);
  ASSERT_EQ(Restore(instance, y), AAX_SUCCESS);
  ASSERT_EQ(Restore(instance, x), AAX_SUCCESS);
  const uint64_t requests = automation.GestureCount() - gesturesBefore;
  const std::vector<double> xValues = InstanceValues(instance);
  for (const auto& [id, value] : held)
  {
    instance.PostNormalized(id, value);
    instance.Settle();
    ASSERT_EQ(InstanceValues(instance), xValues) << "parameter " << id << " answered " << value;
  }
  IdleRounds(instance, 3);
  EXPECT_TRUE(Saved(instance) == x);
  EXPECT_EQ(automation.GestureCount() - gesturesBefore, requests) << "nothing more was asked";
  ExpectHostHoldsTheInstancesValues(instance);
}

// A host whose answers come two idle rounds late, in order: the instance ends on the last value
// the host delivered, and agrees with the host on every parameter.
TEST_F(HostRefusalTest, AnswersTwoRoundsLateEndOnTheLastValueTheHostDelivered)
{
  aaxhost::PluginInstance& instance = *mInstance;
  std::vector<std::pair<std::string, double>> held;
  instance.GetInstanceHost()->Automation().SetUpdateSink(
    [&held](const char* id, double value) { held.emplace_back(id ? id : "", value); });
  ASSERT_EQ(instance.SetFromText(Id(kInputGain), "2"), AAX_SUCCESS);
  std::vector<uint8_t> state = Saved(instance);
  ASSERT_EQ(Restore(instance, state), AAX_SUCCESS);
  IdleRounds(instance, 2);
  for (const auto& [id, value] : held)
    instance.PostNormalized(id, value);
  held.clear();
  IdleRounds(instance, 4);
  for (const auto& [id, value] : held)
    instance.PostNormalized(id, value);
  held.clear();
  instance.GetInstanceHost()->Automation().SetUpdateSink(
    [this](const char* id, double value) { mInstance->PostNormalized(id ? id : "", value); });
  IdleRounds(instance, 4);
  ExpectHostHoldsTheInstancesValues(instance);
}

// The editor's copy of A into B while B is active sets the copied values and asks the host for
// them at once, without waiting for a packet pass or an idle round.
TEST_F(HostRefusalTest, ACopyIntoTheActiveRowIsToldAtOnce)
{
  aaxhost::PluginInstance& instance = *mInstance;
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "30"), AAX_SUCCESS);
  ASSERT_EQ(instance.SetNormalized(Id(kABSelect), 1.0), AAX_SUCCESS);
  ASSERT_EQ(instance.SetFromText(Id(kDrive), "60"), AAX_SUCCESS);
  IdleRounds(instance, 2);
  {
    NSAutoreleasePool pool;
    NSView* view = OpenEditor();
    ASSERT_NE(view, nullptr);
    const aaxhost::AutomationDelegate& automation = instance.GetInstanceHost()->Automation();
    const uint64_t before = automation.SetValueRequestCount();
    input::Click(view->window(), input::InWindow(view, NSMakePoint(153, 12)));
    EXPECT_NEAR(InstanceValue(instance, kDrive), 30.0, 1e-9) << "A's value copied into B";
    bool asked = false;
    for (const aaxhost::ValueRecord& request : automation.SetValueRequests())
      asked = asked || request.id == Id(kDrive);
    EXPECT_GT(automation.SetValueRequestCount(), before);
    EXPECT_TRUE(asked) << "Drive is asked for with the click";
    instance.Settle();
    EXPECT_NEAR(HostNormalized(instance, kDrive), Normalize(instance, kDrive, "30"), 1e-9);
  }
  CloseEditor();
  ExpectHostHoldsTheInstancesValues(instance);
}

// The stereo-mode button clicked on the main thread while the host switches A/B on its own
// thread: both write the A/B rows, under the one reaction lock (ThreadSanitizer sees a race
// otherwise), and the host ends on the instance's values.
TEST_F(HostRefusalTest, EditorActionsAndTheHostsSwitchesOnItsThreadRunTogether)
{
  aaxhost::PluginInstance& instance = *mInstance;
  {
    NSAutoreleasePool pool;
    NSView* view = OpenEditor();
    ASSERT_NE(view, nullptr);
    std::atomic<bool> stop{false};
    std::thread host([&] {
      for (int i = 0; !stop.load(); ++i)
      {
        instance.PostNormalized(Id(kABSelect), (i % 2) ? 1.0 : 0.0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
    for (int i = 0; i < 40; ++i)
    {
      input::Click(view->window(), input::InWindow(view, NSMakePoint(372, 488)));
      standin::RunLoop::Main().RunForMs(1);
    }
    stop = true;
    host.join();
  }
  IdleRounds(instance, 3);
  CloseEditor();
  ExpectHostHoldsTheInstancesValues(instance);
}

} // namespace
} // namespace bundletest
