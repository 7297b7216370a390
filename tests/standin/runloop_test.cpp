#include "standin/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using standin::RunLoop;
using standin::RunLoopTimer;
using standin::RunLoopTimerRef;

namespace {

int64_t Ms(std::chrono::nanoseconds t) { return std::chrono::duration_cast<std::chrono::milliseconds>(t).count(); }

} // namespace

TEST(RunLoop, NewTimerFiresAtOnceThenEveryInterval)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  std::vector<int64_t> times;
  auto timer = loop.AddTimer(0.020, [&](RunLoopTimer&) { times.push_back(Ms(loop.Now())); });

  EXPECT_TRUE(times.empty()) << "nothing fires before the loop runs";
  EXPECT_EQ(loop.RunFor(0ns), 1u);
  EXPECT_EQ(times, (std::vector<int64_t>{0}));

  EXPECT_EQ(loop.RunForMs(100), 5u);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 20, 40, 60, 80, 100}));
  EXPECT_EQ(Ms(loop.Now()), 100);
  EXPECT_EQ(timer->FireCount(), 6u);

  // Running in small steps keeps the same schedule.
  for (int i = 0; i < 10; ++i)
    loop.RunForMs(3);
  EXPECT_EQ(times.back(), 120);
  EXPECT_EQ(times.size(), 7u);
}

TEST(RunLoop, LateLoopFiresOnceAndKeepsTheSchedule)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  std::vector<int64_t> times;
  auto timer = loop.AddTimer(0.020, [&](RunLoopTimer&) { times.push_back(Ms(loop.Now())); });
  loop.RunDue();
  ASSERT_EQ(times.size(), 1u);

  // The main thread was busy for 105 ms: five points of the schedule went by.
  loop.AdvanceClock(105ms);
  EXPECT_EQ(loop.RunDue(), 1u);
  EXPECT_EQ(loop.RunDue(), 0u);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 105}));

  // The next fire is the next point of the original schedule, not 105 + 20.
  loop.RunForMs(14);
  EXPECT_EQ(times.size(), 2u);
  loop.RunForMs(1);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 105, 120}));

  // RunFor coming round late behaves the same way.
  loop.AdvanceClock(50ms);
  loop.RunFor(0ns);
  EXPECT_EQ(times.back(), 170);
  loop.RunForMs(10);
  EXPECT_EQ(times.back(), 180);
  EXPECT_EQ(times.size(), 5u);
}

TEST(RunLoop, CallbacksMayInvalidateAndAddTimers)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  std::vector<std::string> calls;
  RunLoopTimerRef second;
  RunLoopTimerRef added;

  // Fires three times and takes itself off the loop during the third callback.
  auto self = loop.AddTimer(0.010, [&](RunLoopTimer& t) {
    calls.push_back("self");
    if (t.FireCount() == 3)
    {
      t.Invalidate();
      t.Invalidate(); // twice is harmless
    }
  });
  // Due at the same moments as `second`, but created first: it runs first and kills `second`
  // in its second tick, before `second` gets its turn.
  auto killer = loop.AddTimer(0.010, [&](RunLoopTimer& t) {
    calls.push_back("killer");
    if (t.FireCount() == 2)
    {
      second->Invalidate();
      added = loop.AddTimer(0.0, [&](RunLoopTimer&) { calls.push_back("added"); });
      t.Invalidate();
    }
  });
  second = loop.AddTimer(0.010, [&](RunLoopTimer&) { calls.push_back("second"); });

  loop.RunForMs(50);
  EXPECT_EQ(calls, (std::vector<std::string>{"self", "killer", "second", "self", "killer", "added", "self"}));
  EXPECT_FALSE(self->IsValid());
  EXPECT_FALSE(second->IsValid());
  EXPECT_FALSE(killer->IsValid());
  ASSERT_TRUE(added);
  EXPECT_FALSE(added->IsValid()) << "a timer without interval fires once";
  EXPECT_EQ(added->FireCount(), 1u);
  EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST(RunLoop, StopEndsTheRunAndIsIdempotent)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  loop.Stop(); // not running: no effect on the next run
  int fires = 0;
  auto timer = loop.AddTimer(0.010, [&](RunLoopTimer&) {
    if (++fires == 3)
    {
      loop.Stop();
      loop.Stop();
    }
  });
  EXPECT_EQ(loop.RunForMs(100), 3u);
  EXPECT_EQ(Ms(loop.Now()), 20) << "the run ends at the stopping callback";
  EXPECT_EQ(loop.RunForMs(30), 3u) << "a second stop did not carry over";
  EXPECT_EQ(fires, 6);

  timer->Invalidate();
  timer->Invalidate();
  EXPECT_EQ(loop.RunForMs(100), 0u);
}

TEST(RunLoop, ClockSwitchRefusedWithTimers)
{
  RunLoop loop;
  EXPECT_EQ(loop.Clock(), RunLoop::EClock::kReal);
  auto timer = loop.AddTimer(1.0, [](RunLoopTimer&) {});
  EXPECT_FALSE(loop.SetClock(RunLoop::EClock::kVirtual));
  timer->Invalidate();
  EXPECT_TRUE(loop.SetClock(RunLoop::EClock::kVirtual));
  EXPECT_EQ(loop.Now().count(), 0);
  loop.AdvanceClock(5ms);
  EXPECT_EQ(Ms(loop.Now()), 5);
}

// Only an interval that is not a positive number gives a one-shot timer; any positive one
// repeats, however small, at no less than the 0.1 ms floor.
TEST(RunLoop, TinyIntervalsRepeatAndNonPositiveOnesFireOnce)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  auto tiny = loop.AddTimer(1e-12, [](RunLoopTimer&) {});
  auto zero = loop.AddTimer(0.0, [](RunLoopTimer&) {});
  auto negative = loop.AddTimer(-1.0, [](RunLoopTimer&) {});
  auto nan = loop.AddTimer(std::nan(""), [](RunLoopTimer&) {});
  EXPECT_TRUE(tiny->IsRepeating());
  EXPECT_EQ(tiny->Interval(), 100us);
  EXPECT_FALSE(zero->IsRepeating());
  EXPECT_FALSE(negative->IsRepeating());
  EXPECT_FALSE(nan->IsRepeating());

  loop.RunForMs(1);
  EXPECT_EQ(tiny->FireCount(), 11u) << "at 0, 0.1, ... 1.0 ms";
  EXPECT_TRUE(tiny->IsValid());
  for (const auto& once : {zero, negative, nan})
  {
    EXPECT_EQ(once->FireCount(), 1u);
    EXPECT_FALSE(once->IsValid());
  }
}

TEST(RunLoop, ThrowingCallbackLeavesTheLoopUsable)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  int fires = 0;
  auto timer = loop.AddTimer(0.010, [&](RunLoopTimer&) {
    if (++fires == 1)
      throw std::runtime_error("boom");
  });
  EXPECT_THROW(loop.RunFor(0ns), std::runtime_error);
  EXPECT_TRUE(timer->IsValid());
  EXPECT_EQ(loop.RunForMs(20), 2u);
  EXPECT_EQ(fires, 3);
}

TEST(RunLoop, TimersOutliveTheirLoopSafely)
{
  RunLoopTimerRef timer;
  {
    RunLoop loop(RunLoop::EClock::kVirtual);
    timer = loop.AddTimer(0.010, [](RunLoopTimer&) {});
  }
  EXPECT_FALSE(timer->IsValid());
  timer->Invalidate(); // the loop is gone; nothing to do
}

// Real clock: timers added on other threads fire on the thread that runs the loop, and a
// second thread cannot run the loop at the same time.
TEST(RunLoop, RealClockFiresOnlyOnTheRunningThread)
{
  RunLoop loop;
  const auto runner = std::this_thread::get_id();
  std::atomic<int> wrongThread{0};
  std::atomic<int> fires{0};
  std::atomic<uint64_t> otherRun{99};

  RunLoopTimerRef fromOther;
  std::thread adder([&] {
    fromOther = loop.AddTimer(0.001, [&](RunLoopTimer&) {
      if (std::this_thread::get_id() != runner)
        ++wrongThread;
      ++fires;
    });
  });
  adder.join();

  RunLoopTimerRef probe = loop.AddTimer(0.0, [&](RunLoopTimer&) {
    // While this thread runs the loop, another thread's run returns at once.
    std::thread other([&] { otherRun = loop.RunForMs(50); });
    other.join();
  });

  loop.RunForMs(20);
  EXPECT_GE(fires.load(), 1);
  EXPECT_EQ(wrongThread.load(), 0);
  EXPECT_EQ(otherRun.load(), 0u);
  fromOther->Invalidate();
}

// Invalidating from another thread while the timer's callback runs waits for the callback, so
// the caller may then destroy what the callback uses.
TEST(RunLoop, InvalidateFromAnotherThreadWaitsForTheCallback)
{
  RunLoop loop;
  std::atomic<bool> inCallback{false};
  std::atomic<bool> callbackDone{false};
  RunLoopTimerRef timer = loop.AddTimer(0.001, [&](RunLoopTimer&) {
    inCallback = true;
    std::this_thread::sleep_for(30ms);
    callbackDone = true;
  });
  std::thread runner([&] { loop.RunForMs(200); });
  while (!inCallback)
    std::this_thread::yield();
  timer->Invalidate();
  EXPECT_TRUE(callbackDone.load());
  const uint64_t fires = timer->FireCount();
  loop.Stop();
  runner.join();
  EXPECT_EQ(timer->FireCount(), fires);
}

// A callback may run the loop itself (as a modal menu would): other timers fire inside, the
// running one is not re-entered.
TEST(RunLoop, NestedRunDoesNotReenterTheFiringTimer)
{
  RunLoop loop(RunLoop::EClock::kVirtual);
  std::vector<std::string> calls;
  auto outer = loop.AddTimer(0.010, [&](RunLoopTimer& t) {
    calls.push_back("outer in");
    if (t.FireCount() == 1)
      loop.RunForMs(25);
    calls.push_back("outer out");
  });
  auto inner = loop.AddTimer(0.010, [&](RunLoopTimer&) { calls.push_back("inner"); });
  loop.RunFor(0ns);
  EXPECT_EQ(calls, (std::vector<std::string>{"outer in", "inner", "inner", "inner", "outer out"}));
  // The outer timer missed 10 and 20 while its callback ran; it comes back at 30, first of
  // the two timers due then because it was created first.
  loop.RunForMs(5);
  EXPECT_EQ(outer->FireCount(), 2u);
  EXPECT_EQ(calls, (std::vector<std::string>{"outer in", "inner", "inner", "inner", "outer out", "outer in",
                                             "outer out", "inner"}));
}
