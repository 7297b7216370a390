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
// Modes. Every timer belongs to one or more modes, and a run of the loop fires only the timers
// of the mode it runs in: RunFor and RunDue run in the default mode; RunNested runs the nested
// loop of a menu's tracking (event-tracking mode) or of a modal panel (modal-panel mode). The
// common modes are all three, so a timer scheduled in them fires whatever runs the loop. A
// timer's schedule goes on in every mode; one that was due while a run of another mode held
// the loop fires once when a run of its mode comes round.
//
// Queued blocks run in every mode, but never inside a block: a loop run from within a queued
// block (a menu shown from the main queue) fires its timers while the queued blocks wait for the
// outer block to return, as the platform's main queue is serial.
//
// The clock. Now() is the loop's present: the steady clock (EClock::kReal, for tools that run
// in real time; RunFor then sleeps), or a virtual time (EClock::kVirtual, for tests and runs
// that must give the same outcome every time). Virtual time starts at 0 when SetClock switches
// to it and moves only forward, only on the thread that runs the loop, and only by:
//   - RunFor(d): to its start + d, at once, firing every timer at each point of its schedule
//     on the way (during a callback Now() is that point);
//   - RunNested: likewise by its delay's time, after its turns;
//   - AdvanceClock(d): by d without firing anything, as a busy main thread would.
// RunDue and a nested run's turns happen at one instant. Code that must keep pace with the
// editor (audio driven by the same clock, say) reads Now() and moves time only through these
// calls. The toolkit's own animation timestamps follow the steady clock, not this one.
namespace standin {

// Modes of the loop, as a set of bits; other bits stand for modes that nothing here runs.
enum ERunLoopMode : unsigned
{
  kDefaultRunLoopMode = 1u,
  kEventTrackingRunLoopMode = 2u,
  kModalPanelRunLoopMode = 4u,
  kCommonRunLoopModes = 7u,
};

// How long a nested run lasts before what it waits for arrives (a user's answer to a menu or a
// panel, a sheet's end): that many turns at the present instant, then that much time on the
// loop's clock. A turn runs the blocks queued before it began (when blocks may run) and fires,
// once each, the timers of the run's mode due at that instant.
struct RunLoopDelay
{
  int turns = 1;
  std::chrono::nanoseconds time{0};
};

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
  // The modes the timer fires in (ERunLoopMode bits); AddModes adds to them.
  unsigned Modes() const { return mModes.load(); }
  void AddModes(unsigned modes) { mModes.fetch_or(modes); }
  std::chrono::nanoseconds Interval() const { return mInterval; }
  // Number of times the callback has been called (or is being called).
  uint64_t FireCount() const;

  RunLoopTimer(const RunLoopTimer&) = delete;
  RunLoopTimer& operator=(const RunLoopTimer&) = delete;

private:
  friend class RunLoop;
  RunLoopTimer(RunLoop& loop, std::chrono::nanoseconds interval, RunLoopCallback callback, uint64_t order, unsigned modes);

  std::atomic<RunLoop*> mLoop; // null once the loop is gone
  const std::chrono::nanoseconds mInterval; // 0: fires once
  RunLoopCallback mCallback;
  const uint64_t mOrder; // creation order, breaks ties between timers due together
  // Written under the loop's mutex; atomic so that the queries need no lock.
  std::atomic<bool> mValid{true};
  std::atomic<uint64_t> mFireCount{0};
  std::atomic<unsigned> mModes;
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

  // Adds a timer in the modes (ERunLoopMode bits; none given or 0: the default mode) that first
  // fires at once (when a run of its modes next comes round), or after firstIn, and then every
  // interval. An interval of 0 or less (or not a number) gives a timer that fires once and then
  // invalidates itself; repeating intervals shorter than 0.1 ms are stretched to 0.1 ms.
  // Any thread may add timers; the callback is copied into the timer.
  RunLoopTimerRef AddTimer(double intervalSeconds, RunLoopCallback callback, unsigned modes = kDefaultRunLoopMode);
  RunLoopTimerRef AddTimer(std::chrono::nanoseconds interval, RunLoopCallback callback,
                           unsigned modes = kDefaultRunLoopMode,
                           std::chrono::nanoseconds firstIn = std::chrono::nanoseconds(0));

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
  // A nested run in the mode (one ERunLoopMode bit), as a menu or a modal panel makes on the
  // thread that runs the loop: the delay's turns, then its time (virtual: at once, firing on
  // the way; real: waiting). Returns the number of callbacks made; 0 at once on another thread
  // while the loop runs there.
  uint64_t RunNested(unsigned mode, const RunLoopDelay& delay);
  // Queues the block to run after the delay: at the loop's turn that follows its turns (one
  // turn: as PerformBlock), later still by its time. Cancelled with its owner like any block
  // once queued; while it waits out the time it is a one-shot timer of the common modes.
  void PerformBlockAfter(const RunLoopDelay& delay, std::function<void()> block, const void* owner = nullptr);
  // Queues a block to run once at the loop's next turn (see above). Any thread. The owner tags
  // the block for CancelBlocks; the loop never looks at it otherwise.
  void PerformBlock(std::function<void()> block, const void* owner = nullptr);
  // Drops the queued blocks of that owner that have not started; returns how many. An object
  // that queued blocks capturing itself calls this before it goes.
  size_t CancelBlocks(const void* owner);
  size_t PendingBlockCount() const;

  // Makes the innermost running RunFor or RunNested return after its current callback. Safe from any
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
  class RunScope;

  std::chrono::nanoseconds NowLocked() const;
  // The valid, not firing timer of the running mode due first, or null.
  RunLoopTimerRef EarliestLocked() const;
  // The mode of the innermost run (the default mode outside any run).
  unsigned ModeLocked() const { return mModes.empty() ? kDefaultRunLoopMode : mModes.back(); }
  // Whether queued blocks may run now: some are queued and none is running.
  bool BlocksRunnableLocked() const { return !mBlocks.empty() && mBlockDepth == 0; }
  // One turn: the blocks queued before it (when they may run), then every timer of the mode
  // due at its start, once.
  uint64_t TurnLocked(Lock& lock);
  // The body of RunFor in the innermost run's mode.
  uint64_t RunForLocked(Lock& lock, std::chrono::nanoseconds duration);
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
  int mRunDepth = 0;            // nesting of runs on the runner thread
  int mRunForDepth = 0;         // nesting of the runs that Stop ends (RunFor, RunNested)
  int mBlockDepth = 0;          // queued blocks running (on the runner thread)
  std::vector<unsigned> mModes; // mode of each run, innermost last
  bool mStopRequested = false;  // ends the innermost RunFor
};

} // namespace standin
