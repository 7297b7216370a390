#include "plug/Timer.h"
#include "standin/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <vector>

using standin::RunLoop;

namespace {

// Drives the process-wide main loop on a virtual clock.
class TimerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
  }
  void TearDown() override { RunLoop::Main().RemoveAllTimers(); }

  int64_t NowMs() const
  {
    return std::chrono::duration_cast<std::chrono::milliseconds>(RunLoop::Main().Now()).count();
  }
};

} // namespace

TEST_F(TimerTest, FiresAtOnceThenEveryInterval)
{
  std::vector<int64_t> times;
  plug::Timer* seen = nullptr;
  auto timer = plug::Timer::Create([&](plug::Timer& t) { seen = &t; times.push_back(NowMs()); }, 20);
  EXPECT_EQ(RunLoop::Main().TimerCount(), 1u);
  RunLoop::Main().RunForMs(0);
  EXPECT_EQ(times, (std::vector<int64_t>{0}));
  EXPECT_EQ(seen, timer.get());
  RunLoop::Main().RunForMs(60);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 20, 40, 60}));

  // In the common modes: it goes on inside a menu's tracking and a modal run.
  RunLoop::Main().RunNested(standin::kEventTrackingRunLoopMode, {1, std::chrono::milliseconds(20)});
  RunLoop::Main().RunNested(standin::kModalPanelRunLoopMode, {1, std::chrono::milliseconds(20)});
  EXPECT_EQ(times, (std::vector<int64_t>{0, 20, 40, 60, 80, 100}));

  timer.reset(); // deleting stops it
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
  RunLoop::Main().RunForMs(100);
  EXPECT_EQ(times.size(), 6u);
}

TEST_F(TimerTest, StopInsideItsOwnCallbackAndAgain)
{
  int fires = 0;
  auto timer = plug::Timer::Create([&](plug::Timer& t) {
    if (++fires == 2)
    {
      t.Stop();
      t.Stop();
    }
  }, 20);
  RunLoop::Main().RunForMs(200);
  EXPECT_EQ(fires, 2);
  timer->Stop();
  timer.reset();
  EXPECT_EQ(fires, 2);
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
}

TEST_F(TimerTest, EmptyFunctionTicksHarmlessly)
{
  auto timer = plug::Timer::Create(plug::Timer::ITimerFunction(), 20);
  EXPECT_NO_THROW(RunLoop::Main().RunForMs(40));
}
