#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A small run loop with repeating timers, standing in for the platform's main run loop.
//
// Timers may be added and invalidated from any thread, but they fire only on the thread that
// runs the loop (RunFor / RunDue). A new timer fires as soon as the loop next runs, then every
// interval. A loop that comes round late fires a due timer once and moves it to the next point
// of its schedule after the present, so a stalled loop never fires a burst of catch-up calls.
//
// The loop also runs blocks queued with PerformBlock (the platform's main queue): in the order
// they were queued, on the thread that runs the loop, each at the first turn of the loop that
// begins after it was queued, before the timers due at that turn. A block queued by a block or
// a timer callback therefore runs at a later turn, never within the same one.
//
// The loop has two clocks: the real one (steady clock; RunFor sleeps), for tools, and a virtual
// one that moves only when the loop is run or advanced, for tests. In virtual mode RunFor(ms)
// returns at once, having fired every timer at each point of its schedule within those ms.
namespace standin {

class RunLoop;
class RunLoopTimer;

using RunLoopTimerRef = std::shared_ptr<RunLoopTimer>;
using RunLoopCallback = std::function<void(RunLoopTimer&)>;

// One timer of a run loop. The loop and whoever created the timer share it; invalidating it
// takes it off the loop for good.
class RunLoopTimer
{
public:
  // Takes the timer off its loop; it never fires again. Safe from any thread, from inside any
  // callback (its own included) and more than once. Called from a thread other than the one
  // running the loop while this timer's callback runs, it waits for that callback to return,
  // so that whatever the callback reaches can be destroyed afterwards.
  void Invalidate();

  bool IsValid() const;
  bool IsRepeating() const { return mInterval.count() > 0; }
  std::chrono::nanoseconds Interval() const { return mInterval; }
  // Number of times the callback has been called (or is being called).
  uint64_t FireCount() const;

  RunLoopTimer(const RunLoopTimer&) = delete;
  RunLoopTimer& operator=(const RunLoopTimer&) = delete;

private:
  friend class RunLoop;
  RunLoopTimer(RunLoop& loop, std::chrono::nanoseconds interval, RunLoopCallback callback, uint64_t order);

  std::atomic<RunLoop*> mLoop; // null once the loop is gone
  const std::chrono::nanoseconds mInterval; // 0: fires once
  RunLoopCallback mCallback;
  const uint64_t mOrder; // creation order, breaks ties between timers due together
  // Written under the loop's mutex; atomic so that the queries need no lock.
  std::atomic<bool> mValid{true};
  std::atomic<uint64_t> mFireCount{0};
  // Guarded by the loop's mutex.
  bool mFiring = false;
  std::chrono::nanoseconds mNextFire{0};
};

class RunLoop
{
public:
  enum class EClock { kReal, kVirtual };

  explicit RunLoop(EClock clock = EClock::kReal);
  // Invalidates every timer still on the loop.
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // The process-wide main run loop (real clock until told otherwise).
  static RunLoop& Main();

  // Adds a timer that first fires at once (when the loop next runs) and then every interval.
  // An interval of 0 or less (or not a number) gives a timer that fires once and then
  // invalidates itself; repeating intervals shorter than 0.1 ms are stretched to 0.1 ms.
  // Any thread may add timers; the callback is copied into the timer.
  RunLoopTimerRef AddTimer(double intervalSeconds, RunLoopCallback callback);
  RunLoopTimerRef AddTimer(std::chrono::nanoseconds interval, RunLoopCallback callback);

  // Switches the clock. Refused (false) while timers are on the loop or while it runs, since
  // their schedule belongs to the old clock. The virtual clock starts at 0.
  bool SetClock(EClock clock);
  EClock Clock() const;

  // Runs the loop on the calling thread for the given time, firing timers as they come due.
  // Returns the number of callbacks made. Returns 0 at once when another thread runs the loop.
  uint64_t RunFor(std::chrono::nanoseconds duration);
  uint64_t RunForMs(double ms);
  // Fires, once each, the timers due now, without waiting. Returns the number of callbacks made.
  uint64_t RunDue();
  // Queues a block to run once at the loop's next turn (see above). Any thread. The owner tags
  // the block for CancelBlocks; the loop never looks at it otherwise.
  void PerformBlock(std::function<void()> block, const void* owner = nullptr);
  // Drops the queued blocks of that owner that have not started; returns how many. An object
  // that queued blocks capturing itself calls this before it goes.
  size_t CancelBlocks(const void* owner);
  size_t PendingBlockCount() const;

  // Makes the innermost running RunFor return after its current callback. Safe from any
  // thread and inside callbacks; does nothing when the loop is not running.
  void Stop();

  // Virtual clock only: moves the time on without running anything, as a busy main thread
  // would. Ignored on the real clock.
  void AdvanceClock(std::chrono::nanoseconds by);

  // The loop's present time.
  std::chrono::nanoseconds Now() const;
  // Number of valid timers on the loop.
  size_t TimerCount() const;
  // Invalidates every timer (tests use it to start clean).
  void RemoveAllTimers();

private:
  friend class RunLoopTimer;
  using Lock = std::unique_lock<std::mutex>;

  std::chrono::nanoseconds NowLocked() const;
  // The valid, not firing timer due first, or null.
  RunLoopTimerRef EarliestLocked() const;
  // Calls one timer's callback with the mutex released and reschedules it afterwards.
  void FireLocked(Lock& lock, RunLoopTimerRef timer);
  void InvalidateTimer(RunLoopTimer& timer);
  // Runs, one by one with the mutex released, the blocks queued before this turn began.
  // Returns how many ran.
  uint64_t RunBlocksLocked(Lock& lock);

  struct Block
  {
    std::function<void()> run;
    const void* owner;
    uint64_t order;
  };

  mutable std::mutex mMutex;
  std::condition_variable mWake;     // timers added, stop requested
  std::condition_variable mFireDone; // a callback returned
  std::vector<RunLoopTimerRef> mTimers;
  std::deque<Block> mBlocks;
  uint64_t mNextBlock = 0;
  EClock mClock;
  std::chrono::nanoseconds mVirtualNow{0};
  uint64_t mNextOrder = 0;
  std::thread::id mRunner;      // thread running the loop, or none
  int mRunDepth = 0;            // nesting of RunFor / RunDue on the runner thread
  int mRunForDepth = 0;         // nesting of RunFor alone
  bool mStopRequested = false;  // ends the innermost RunFor
};

} // namespace standin
