#include "plug/IPluginAPIBase.h"
#include "standin/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace plug;
using standin::RunLoop;

namespace {

IPluginConfig MakeConfig(bool hasEditor)
{
  IPluginConfig c;
  c.paramCount = 3;
  c.presetCount = 2;
  c.channelIOText = "1-1 2-2";
  c.pluginName = "Tester";
  c.productName = "Tester Product";
  c.makerName = "Maker";
  c.pluginVersion = (1 << 16) | (2 << 8) | 3;
  c.uniqueCode = FourCharCode('T', 's', 't', '1');
  c.makerCode = FourCharCode('M', 'k', 'r', '1');
  c.stateChunks = true;
  c.hasEditor = hasEditor;
  c.editorWidth = 900;
  c.editorHeight = 500;
  c.minWidth = 2700; // given the wrong way round on purpose
  c.maxWidth = 900;
  c.minHeight = 500;
  c.maxHeight = 1500;
  c.bundleID = "com.example.tester";
  c.appGroupID = nullptr;
  return c;
}

// Records every hook and host call the API base makes, in order.
class ApiPlugin : public IPluginAPIBase
{
public:
  explicit ApiPlugin(bool hasEditor = true) : IPluginAPIBase(MakeConfig(hasEditor), kAPIAAX)
  {
    GetParam(0)->DefineDouble("Gain", 0., 0., 100., 1., "", kFlagStepped);
    GetParam(1)->DefineDouble("Mix", 0.5, 0., 1., 0.01, "", kFlagStepped);
    GetParam(2)->DefineBool("Power", true);
  }
  ~ApiPlugin() override { StopUITimer(); }

  std::vector<std::string> log;
  std::function<void()> onParamToUI; // runs inside SendParamValueToUI

  void Log(std::string s) { log.push_back(std::move(s)); }

  void SendParamValueToUI(int idx, double value, bool normalized) override
  {
    Log("toUI " + std::to_string(idx) + " " + std::to_string(value) + (normalized ? " n" : ""));
    if (onParamToUI)
      onParamToUI();
  }
  void SendMidiMsgToUI(const IMidiMsg& m) override { Log("midi " + std::to_string(m.mData1)); }
  void SendSysExMsgToUI(const ISysExMsg& m) override
  {
    Log("sysex " + std::to_string(m.mSize) + " " + std::to_string(m.mData[0]));
  }
  void OnIdleTick() override { Log("idle"); }
  void HandleParamChange(int idx, EParamChangeSource src, int offset) override
  {
    Log("change " + std::to_string(idx) + " " + std::to_string(src) + " " + std::to_string(offset) + " value " +
        std::to_string(GetParam(idx)->Value()));
  }
  void OnParamChangeUI(int idx, EParamChangeSource src) override
  {
    Log("changeUI " + std::to_string(idx) + " " + std::to_string(src) + " value " +
        std::to_string(GetParam(idx)->Value()));
  }
  void HostSetParamNormalized(int idx, double v) override
  {
    Log("host " + std::to_string(idx) + " " + std::to_string(v) + " value " + std::to_string(GetParam(idx)->Value()));
  }
  void HostBeginParamEdit(int idx) override { Log("begin " + std::to_string(idx)); }
  void HostEndParamEdit(int idx) override { Log("end " + std::to_string(idx)); }
  bool HostResizeEditor(int w, int h) override
  {
    Log("resize " + std::to_string(w) + "x" + std::to_string(h));
    return false;
  }
  bool HandleMessage(int msgTag, int ctrlTag, int size, const void*) override
  {
    Log("msg " + std::to_string(msgTag) + " " + std::to_string(ctrlTag) + " " + std::to_string(size));
    return true;
  }
  void OnBeforeHostIdentified() override { Log("before host " + std::to_string(GetHost())); }
  void OnHostIdentified() override { Log("host identified"); }

  // Test access to the queue from the editor side.
  bool PopParamChange(IParamChangeEntry& e) { return mParamChangeToUIQueue.Pop(e); }
  int PendingParamChanges() const { return mParamChangeToUIQueue.Count(); }
};

class ApiBaseTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
  }
  void TearDown() override { RunLoop::Main().RemoveAllTimers(); }

  static void Tick() { RunLoop::Main().RunDue(); }
};

} // namespace

TEST_F(ApiBaseTest, ConstructionCopiesTheRecord)
{
  ApiPlugin p;
  EXPECT_EQ(p.NParams(), 3);
  EXPECT_EQ(p.NPresets(), 2);
  EXPECT_STREQ(p.GetPluginName(), "Tester");
  EXPECT_STREQ(p.GetProductName(), "Tester Product");
  EXPECT_STREQ(p.GetMakerName(), "Maker");
  EXPECT_EQ(p.GetUniqueID(), FourCharCode('T', 's', 't', '1'));
  EXPECT_EQ(p.GetMakerID(), FourCharCode('M', 'k', 'r', '1'));
  EXPECT_EQ(p.PluginVersionValue(true), 10203);
  EXPECT_TRUE(p.HasUI());
  EXPECT_TRUE(p.DoesStateChunks());
  EXPECT_EQ(p.GetAPI(), kAPIAAX);
  EXPECT_EQ(p.GetEditorWidth(), 900);
  EXPECT_EQ(p.GetEditorHeight(), 500);
  EXPECT_EQ(p.GetMinWidth(), 900);
  EXPECT_EQ(p.GetMaxWidth(), 2700);
  EXPECT_EQ(p.GetMinHeight(), 500);
  EXPECT_EQ(p.GetMaxHeight(), 1500);
  EXPECT_STREQ(p.GetBundleID(), "com.example.tester");
  EXPECT_STREQ(p.GetAppGroupID(), "");
  EXPECT_EQ(p.GetHost(), -1) << "unidentified until the binding says otherwise";
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u) << "the binding starts the timer";
}

TEST_F(ApiBaseTest, TickDeliversParamsThenMidiThenSysExThenIdle)
{
  ApiPlugin p;
  p.StartUITimer();
  // Queued in the opposite order to the delivery order.
  const uint8_t sysex[3] = {0xF0, 0x7E, 0xF7};
  p.SendSysExMsgFromProcessor(ISysExMsg(0, sysex, 3));
  p.SendMidiMsgFromProcessor(IMidiMsg(0, 0x90, 60, 100));
  p.SendParamValueFromProcessor(0, true, 0.255); // 25.5 rounds to 26
  p.SendParamValueFromProcessor(1, false, 0.25);
  p.SendMidiMsgFromProcessor(IMidiMsg(0, 0x80, 61, 0));
  p.SendParamValueFromProcessor(7, false, 1.0); // no such parameter: ignored

  Tick();
  EXPECT_EQ(p.log, (std::vector<std::string>{"toUI 0 26.000000", "toUI 1 0.250000", "midi 60", "midi 61",
                                             "sysex 3 240", "idle"}));
  p.log.clear();
  Tick();
  EXPECT_TRUE(p.log.empty()) << "not due yet";
  RunLoop::Main().RunForMs(20);
  EXPECT_EQ(p.log, (std::vector<std::string>{"idle"}));
}

// Neither the queues nor a refresh another thread asked for reach a plug-in configured
// without an editor: its ticks call the idle hook alone.
TEST_F(ApiBaseTest, TickWithoutEditorOnlyCallsTheIdleHook)
{
  ApiPlugin p(false);
  p.StartUITimer();
  p.SendParamValueFromProcessor(0, false, 10.0);
  p.SendMidiMsgFromProcessor(IMidiMsg(0, 0x90, 60, 100));
  std::thread host([&p] { p.RefreshAllParamsInUIFromAnyThread(); });
  host.join();
  Tick();
  EXPECT_EQ(p.log, (std::vector<std::string>{"idle"}));
  EXPECT_EQ(p.PendingParamChanges(), 1) << "left in the queue";
}

// What a producer pushes while the tick drains goes in the same tick; one that keeps up with
// the drain for ever is cut off after as many records as the queue holds.
TEST_F(ApiBaseTest, TickDrainsEachQueueUntilEmptyButNoMoreThanItHolds)
{
  ApiPlugin p;
  p.StartUITimer();
  int refills = 0;
  int limit = 3;
  // A producer that keeps up with the drain: each delivery queues another change.
  p.onParamToUI = [&] {
    if (refills++ < limit)
      p.SendParamValueFromProcessor(0, false, 1.0 + refills);
  };
  p.SendParamValueFromProcessor(0, false, 1.0);
  Tick();
  EXPECT_EQ(p.log, (std::vector<std::string>{"toUI 0 1.000000", "toUI 0 2.000000", "toUI 0 3.000000",
                                             "toUI 0 4.000000", "idle"}));
  EXPECT_EQ(p.PendingParamChanges(), 0);

  p.log.clear();
  refills = 0;
  limit = 100000;
  p.SendParamValueFromProcessor(0, false, 1.0);
  RunLoop::Main().RunForMs(20);
  EXPECT_EQ(p.log.size(), static_cast<size_t>(plug::IPluginAPIBase::kParamChangeQueueSize) + 1);
  EXPECT_EQ(p.log.back(), "idle");
  EXPECT_EQ(p.PendingParamChanges(), 1) << "the rest goes with the next tick";
}

TEST_F(ApiBaseTest, EditorChangeStoresNotifiesHostThenHooks)
{
  ApiPlugin p;
  p.SetParamValueFromUI(1, 0.2504);
  EXPECT_EQ(p.log, (std::vector<std::string>{
                     "host 1 0.250000 value 0.250000",   // stored (stepped), and the host hears what is stored
                     "change 1 3 -1 value 0.250000",     // change hook, editor as source
                     "changeUI 1 3 value 0.250000",      // then the editor-side hook
                   }));
  EXPECT_DOUBLE_EQ(p.GetParam(1)->Value(), 0.25);

  p.log.clear();
  p.SetParamValueFromUI(1, std::nan(""));
  p.SetParamValueFromUI(9, 0.5);
  EXPECT_TRUE(p.log.empty()) << "NaN and unknown indices change nothing";
  EXPECT_DOUBLE_EQ(p.GetParam(1)->Value(), 0.25);

  p.SetParamValueFromUI(0, 1.5);
  EXPECT_EQ(p.log.front(), "host 0 1.000000 value 100.000000") << "the host never sees a value beyond 0..1";
}

TEST_F(ApiBaseTest, EditorGesturesMessagesAndHostPushes)
{
  ApiPlugin p;
  p.BeginParamEditFromUI(2);
  p.EndParamEditFromUI(2);
  EXPECT_FALSE(p.RequestEditorResize(1000, 600, true));
  EXPECT_TRUE(p.RequestEditorResize(1000, 600, false));
  const int data = 7;
  p.SendControlMsgFromUI(11, 22, sizeof(data), &data);
  p.GetParam(0)->Set(50.);
  p.PushAllParamValuesToHost();
  EXPECT_EQ(p.log, (std::vector<std::string>{"begin 2", "end 2", "resize 1000x600", "msg 22 11 4",
                                             "host 0 0.500000 value 50.000000", "host 1 0.500000 value 0.500000",
                                             "host 2 1.000000 value 1.000000"}));
}

TEST_F(ApiBaseTest, MessagesFromTheEditorReachTheAudioSide)
{
  ApiPlugin p;
  p.PassMidiMsgFromUI(IMidiMsg(3, 0xB0, 7, 127));
  IMidiMsg m;
  ASSERT_TRUE(p.PopMidiMsgFromUI(m));
  EXPECT_EQ(m.mOffset, 3);
  EXPECT_EQ(m.mData2, 127);
  EXPECT_FALSE(p.PopMidiMsgFromUI(m));

  std::vector<uint8_t> big(600, 0x42);
  p.PassSysExMsgFromUI(ISysExMsg(0, big.data(), 513)); // refused: larger than a record
  p.PassSysExMsgFromUI(ISysExMsg(0, big.data(), -1));  // refused: negative size
  p.PassSysExMsgFromUI(ISysExMsg(5, big.data(), 512));
  p.PassSysExMsgFromUI(ISysExMsg(6, nullptr, 4)); // no data: zero bytes

  ISysExQueueEntry e;
  ASSERT_TRUE(p.PopSysExMsgFromUI(e));
  EXPECT_EQ(e.mOffset, 5);
  EXPECT_EQ(e.mSize, 512);
  EXPECT_EQ(e.mData[511], 0x42);
  ASSERT_TRUE(p.PopSysExMsgFromUI(e));
  EXPECT_EQ(e.mOffset, 6);
  EXPECT_EQ(e.mSize, 4);
  EXPECT_EQ(e.mData[0], 0);
  EXPECT_FALSE(p.PopSysExMsgFromUI(e));

  // The SysEx queue holds four records; the fifth is dropped.
  for (int i = 0; i < 5; ++i)
    p.QueueSysExMsgFromUI(ISysExMsg(i, big.data(), 1));
  int n = 0;
  while (p.PopSysExMsgFromUI(e))
    EXPECT_EQ(e.mOffset, n++);
  EXPECT_EQ(n, 4);
}

TEST_F(ApiBaseTest, IdentifyHostStoresNameVersionAndRunsBothHooks)
{
  ApiPlugin p;
  p.IdentifyHost("WaveLab Elements 11", (11 << 16) | (1 << 8));
  EXPECT_EQ(p.GetHost(), kHostWaveLabElements);
  EXPECT_STREQ(p.GetHostName(), "WaveLab Elements 11");
  EXPECT_EQ(p.HostVersionValue(true), 110100);
  EXPECT_EQ(p.log, (std::vector<std::string>{"before host 32", "host identified"}));

  p.IdentifyHost("ProTools", 0);
  EXPECT_EQ(p.GetHost(), kHostProTools);
  p.IdentifyHost(nullptr, 0);
  EXPECT_EQ(p.GetHost(), kHostUnknown);
  EXPECT_STREQ(p.GetHostName(), "");
}

TEST_F(ApiBaseTest, CompareParamValuesAndOtherDefaults)
{
  ApiPlugin p;
  p.GetParam(0)->Set(40.);
  p.GetParam(1)->Set(0.3);
  p.GetParam(2)->Set(1.);
  double values[4] = {99., 40. + 1e-6, 0.3, 1.};
  EXPECT_TRUE(p.CompareParamValues(values, 1));
  values[2] = 0.3 + 1e-4;
  EXPECT_FALSE(p.CompareParamValues(values, 1));
  EXPECT_FALSE(p.CompareParamValues(nullptr, 0));

  TypedBuf<int> list;
  p.ListParamIndices(3, list); // only counts below the parameter count
  EXPECT_EQ(list.GetSize(), 0);
  p.ListParamIndices(2, list);
  ASSERT_EQ(list.GetSize(), 2);
  EXPECT_EQ(list.Get()[1], 1);

  EXPECT_TRUE(p.AreOppositeValues(5, -5));
  EXPECT_FALSE(p.AreOppositeValues(INT_MIN, INT_MIN)) << "no overflow for the most negative int";
}

TEST_F(ApiBaseTest, TimerRunsUntilTheObjectGoes)
{
  {
    ApiPlugin p(false);
    p.StartUITimer();
    p.StartUITimer(); // replaces the first
    EXPECT_EQ(RunLoop::Main().TimerCount(), 1u);
    RunLoop::Main().RunForMs(40);
    EXPECT_EQ(p.log, (std::vector<std::string>{"idle", "idle", "idle"}));
  }
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
  RunLoop::Main().RunForMs(100); // nothing left to reach the deleted plug-in

  // The base class stops the timer on its own when a subclass does not.
  struct Plain : IPluginAPIBase
  {
    Plain() : IPluginAPIBase(MakeConfig(true), kAPIAAX) {}
    void BeginParamEditFromUI(int) override {}
    void EndParamEditFromUI(int) override {}
  };
  {
    Plain plain;
    plain.StartUITimer();
    EXPECT_EQ(RunLoop::Main().TimerCount(), 1u);
    EXPECT_FALSE(plain.HostResizeEditor(10, 10));
    EXPECT_FALSE(plain.RequestEditorResize(10, 10, true));
  }
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
}

// Two host threads keep sending parameter changes while the main thread runs the editor
// timer and its idle hook: every change arrives once, whole and in its thread's order. Each
// thread waits for the queue to drain after a burst, so nothing is dropped as full. Meant for
// ThreadSanitizer too.
TEST_F(ApiBaseTest, TwoHostThreadsAndTheEditorTimerShareTheQueue)
{
  struct Collector : ApiPlugin
  {
    std::vector<double> seen[2];
    int torn = 0;
    int idleTicks = 0;
    void SendParamValueToUI(int idx, double value, bool) override
    {
      if (idx != 0 && idx != 1)
        ++torn;
      else
        seen[idx].push_back(value);
    }
    void OnIdleTick() override { ++idleTicks; }
  } p;
  p.StartUITimer();
  constexpr int kBursts = 40, kBurst = 200; // two bursts fit the queue (512)
  std::atomic<int> done{0};
  auto host = [&](int idx) {
    double value = idx * 1e6;
    for (int b = 0; b < kBursts; ++b)
    {
      for (int i = 0; i < kBurst; ++i)
        p.SendParamValueFromProcessor(idx, false, value++);
      while (p.PendingParamChanges() > 0)
        std::this_thread::yield();
    }
    done.fetch_add(1);
  };
  std::thread first(host, 0), second(host, 1);
  while (done.load() < 2)
    RunLoop::Main().RunForMs(20);
  first.join();
  second.join();
  RunLoop::Main().RunForMs(20);

  EXPECT_EQ(p.PendingParamChanges(), 0);
  EXPECT_EQ(p.torn, 0);
  EXPECT_GT(p.idleTicks, 0);
  for (int idx = 0; idx < 2; ++idx)
  {
    ASSERT_EQ(p.seen[idx].size(), static_cast<size_t>(kBursts * kBurst)) << "parameter " << idx;
    for (size_t i = 0; i < p.seen[idx].size(); ++i)
      ASSERT_EQ(p.seen[idx][i], idx * 1e6 + static_cast<double>(i)) << "parameter " << idx << " at " << i;
  }
}

// A preset recalled on a host thread other than the main one leaves the editor alone: nothing
// goes to it on that thread, and the next tick of the editor timer delivers the changes queued
// before the recall, then every current value. Recalled on the main thread, the values go to
// the editor at once and the tick has nothing more to send.
TEST_F(ApiBaseTest, ARecallOffTheMainThreadReachesTheEditorAtTheNextTick)
{
  ApiPlugin p;
  ASSERT_TRUE(p.MakePreset("low", 10., 0.2, false));
  ASSERT_TRUE(p.MakePreset("high", 90., 0.8, true));
  p.StartUITimer();
  Tick();
  auto toUI = [&p] {
    std::vector<std::string> sent;
    for (const std::string& line : p.log)
      if (line.rfind("toUI", 0) == 0 || line == "idle")
        sent.push_back(line);
    p.log.clear();
    return sent;
  };
  p.log.clear();

  std::thread host([&] {
    p.SendParamValueFromProcessor(1, false, 0.3);
    EXPECT_TRUE(p.RecallPreset(1));
  });
  host.join();
  EXPECT_EQ(toUI(), std::vector<std::string>{}) << "nothing on the host thread";
  RunLoop::Main().RunForMs(20);
  EXPECT_EQ(toUI(), (std::vector<std::string>{"toUI 1 0.300000", "toUI 0 0.900000 n", "toUI 1 0.800000 n",
                                              "toUI 2 1.000000 n", "idle"}));

  EXPECT_TRUE(p.RecallPreset(0));
  EXPECT_EQ(toUI(), (std::vector<std::string>{"toUI 0 0.100000 n", "toUI 1 0.200000 n", "toUI 2 0.000000 n"}));
  RunLoop::Main().RunForMs(20);
  EXPECT_EQ(toUI(), (std::vector<std::string>{"idle"}));
}
