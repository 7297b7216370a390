#include "standin/foundation/RunLoop.h"

#include <algorithm>
#include <cmath>

namespace standin {

using std::chrono::nanoseconds;

namespace {

// Repeating timers shorter than this are stretched to it, as the platform does, so that a
// tiny interval cannot pin the loop.
constexpr nanoseconds kMinInterval{100000};

// Turns of queued blocks that one run of a virtual-clock loop makes at one instant.
constexpr int kMaxBlockTurnsPerInstant = 64;

nanoseconds SteadyNow()
{
  return std::chrono::duration_cast<nanoseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace

// -- RunLoopTimer --

RunLoopTimer::RunLoopTimer(RunLoop& loop, nanoseconds interval, RunLoopCallback callback, uint64_t order, unsigned modes)
  : mLoop(&loop), mInterval(interval), mCallback(std::move(callback)), mOrder(order), mModes(modes)
{
}

void RunLoopTimer::Invalidate()
{
  if (RunLoop* loop = mLoop.load())
    loop->InvalidateTimer(*this);
}

bool RunLoopTimer::IsValid() const { return mValid.load(); }

uint64_t RunLoopTimer::FireCount() const { return mFireCount.load(); }

// -- RunLoop --

RunLoop::RunLoop(EClock clock) : mClock(clock) {}

RunLoop::~RunLoop()
{
  Lock lock(mMutex);
  for (auto& timer : mTimers)
  {
    timer->mValid = false;
    timer->mLoop = nullptr;
  }
  mTimers.clear();
  mBlocks.clear();
}

RunLoop& RunLoop::Main()
{
  // Never destroyed: timers held by static objects may still be invalidated during exit.
  static RunLoop* sMain = new RunLoop(EClock::kReal);
  return *sMain;
}

RunLoopTimerRef RunLoop::AddTimer(double intervalSeconds, RunLoopCallback callback, unsigned modes)
{
  nanoseconds interval{0}; // not a positive number: fires once
  if (std::isfinite(intervalSeconds) && intervalSeconds > 0.0)
  {
    // Cap absurd intervals at about a century instead of overflowing; a positive interval
    // below a nanosecond stays positive (repeating, stretched to the minimum below) rather
    // than truncating to 0, which would make a one-shot timer of it.
    interval = nanoseconds(std::max<int64_t>(1, static_cast<int64_t>(std::min(intervalSeconds * 1e9, 3.0e18))));
  }
  return AddTimer(interval, std::move(callback), modes);
}

RunLoopTimerRef RunLoop::AddTimer(nanoseconds interval, RunLoopCallback callback, unsigned modes, nanoseconds firstIn)
{
  if (modes == 0)
    modes = kDefaultRunLoopMode;
  if (interval.count() > 0)
    interval = std::max(interval, kMinInterval);
  else
    interval = nanoseconds(0);

  Lock lock(mMutex);
  RunLoopTimerRef timer(new RunLoopTimer(*this, interval, std::move(callback), mNextOrder++, modes));
  timer->mNextFire = NowLocked() + std::max(firstIn, nanoseconds(0));
  mTimers.push_back(timer);
  lock.unlock();
  mWake.notify_all();
  return timer;
}

bool RunLoop::SetClock(EClock clock)
{
  Lock lock(mMutex);
  if (clock == mClock)
    return true;
  if (!mTimers.empty() || mRunDepth > 0)
    return false;
  mClock = clock;
  mVirtualNow = nanoseconds(0);
  return true;
}

RunLoop::EClock RunLoop::Clock() const
{
  Lock lock(mMutex);
  return mClock;
}

nanoseconds RunLoop::Now() const
{
  Lock lock(mMutex);
  return NowLocked();
}

nanoseconds RunLoop::NowLocked() const
{
  return mClock == EClock::kVirtual ? mVirtualNow : SteadyNow();
}

void RunLoop::AdvanceClock(nanoseconds by)
{
  Lock lock(mMutex);
  if (mClock == EClock::kVirtual && by.count() > 0)
    mVirtualNow += by;
}

size_t RunLoop::TimerCount() const
{
  Lock lock(mMutex);
  return mTimers.size();
}

void RunLoop::RemoveAllTimers()
{
  std::vector<RunLoopTimerRef> timers;
  {
    Lock lock(mMutex);
    timers = mTimers;
  }
  for (auto& timer : timers)
    timer->Invalidate();
}

RunLoopTimerRef RunLoop::EarliestLocked() const
{
  const RunLoopTimerRef* best = nullptr;
  const unsigned mode = ModeLocked();
  for (const auto& timer : mTimers)
  {
    if (timer->mFiring)
      continue; // a callback is never re-entered, not even by a nested run
    if ((timer->mModes.load() & mode) == 0)
      continue;
    if (!best || timer->mNextFire < (*best)->mNextFire ||
        (timer->mNextFire == (*best)->mNextFire && timer->mOrder < (*best)->mOrder))
      best = &timer;
  }
  return best ? *best : RunLoopTimerRef();
}

void RunLoop::InvalidateTimer(RunLoopTimer& timer)
{
  Lock lock(mMutex);
  timer.mValid = false;
  auto it = std::find_if(mTimers.begin(), mTimers.end(), [&](const RunLoopTimerRef& t) { return t.get() == &timer; });
  if (it != mTimers.end())
    mTimers.erase(it);
  // Another thread's callback may still be using what the caller is about to destroy.
  if (mRunDepth > 0 && mRunner != std::this_thread::get_id())
    mFireDone.wait(lock, [&] { return !timer.mFiring; });
}

void RunLoop::PerformBlock(std::function<void()> block, const void* owner)
{
  if (!block)
    return;
  {
    Lock lock(mMutex);
    mBlocks.push_back(Block{std::move(block), owner, mNextBlock++});
  }
  mWake.notify_all();
}

size_t RunLoop::CancelBlocks(const void* owner)
{
  Lock lock(mMutex);
  const size_t before = mBlocks.size();
  mBlocks.erase(std::remove_if(mBlocks.begin(), mBlocks.end(), [&](const Block& b) { return b.owner == owner; }), mBlocks.end());
  return before - mBlocks.size();
}

size_t RunLoop::PendingBlockCount() const
{
  Lock lock(mMutex);
  return mBlocks.size();
}

uint64_t RunLoop::RunBlocksLocked(Lock& lock)
{
  const uint64_t end = mNextBlock; // blocks queued from here on wait for a later turn
  uint64_t ran = 0;
  while (!mBlocks.empty() && mBlocks.front().order < end)
  {
    std::function<void()> run = std::move(mBlocks.front().run);
    mBlocks.pop_front();
    lock.unlock();
    ++mBlockDepth;
    struct Relock
    {
      Lock& lock;
      int& depth;
      ~Relock()
      {
        lock.lock();
        --depth;
      }
    } relock{lock, mBlockDepth};
    ++ran;
    run();
  }
  return ran;
}

void RunLoop::FireLocked(Lock& lock, RunLoopTimerRef timer)
{
  timer->mFiring = true;
  timer->mFireCount.fetch_add(1);
  lock.unlock();

  // Puts the timer back into the loop's books whether the callback returns or throws.
  struct AfterFire
  {
    RunLoop& loop;
    Lock& lock;
    RunLoopTimer& timer;
    ~AfterFire()
    {
      lock.lock();
      timer.mFiring = false;
      if (timer.mValid)
      {
        if (!timer.IsRepeating())
        {
          timer.mValid = false;
          auto it = std::find_if(loop.mTimers.begin(), loop.mTimers.end(),
                                 [&](const RunLoopTimerRef& t) { return t.get() == &timer; });
          if (it != loop.mTimers.end())
            loop.mTimers.erase(it);
        }
        else
        {
          // Next point of the schedule strictly after the present: a late loop skips the
          // points it missed instead of firing them all at once.
          const nanoseconds now = loop.NowLocked();
          nanoseconds next = timer.mNextFire + timer.mInterval;
          if (next <= now)
            next += ((now - next) / timer.mInterval + 1) * timer.mInterval;
          timer.mNextFire = next;
        }
      }
      loop.mFireDone.notify_all();
    }
  } after{*this, lock, *timer};

  timer->mCallback(*timer);
}

// One run of the loop on the runner thread: claims the loop for the thread, pushes the run's
// mode and, for runs that Stop ends, counts them; undone (with the mutex held) when it ends.
class RunLoop::RunScope
{
public:
  RunScope(RunLoop& loop, unsigned mode, bool stoppable) : mLoop(loop), mStoppable(stoppable)
  {
    mLoop.mRunner = std::this_thread::get_id();
    ++mLoop.mRunDepth;
    if (mStoppable)
      ++mLoop.mRunForDepth;
    mLoop.mModes.push_back(mode);
  }
  ~RunScope()
  {
    mLoop.mModes.pop_back();
    if (mStoppable)
      --mLoop.mRunForDepth;
    if (--mLoop.mRunDepth == 0)
    {
      mLoop.mRunner = std::thread::id();
      mLoop.mStopRequested = false;
      mLoop.mFireDone.notify_all();
    }
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

private:
  RunLoop& mLoop;
  const bool mStoppable;
};

uint64_t RunLoop::RunFor(nanoseconds duration)
{
  Lock lock(mMutex);
  if (mRunDepth > 0 && mRunner != std::this_thread::get_id())
    return 0;
  const RunScope scope(*this, kDefaultRunLoopMode, true);
  return RunForLocked(lock, duration);
}

uint64_t RunLoop::RunForLocked(Lock& lock, nanoseconds duration)
{
  duration = std::max(duration, nanoseconds(0));
  const nanoseconds deadline = NowLocked() + duration;
  uint64_t fired = 0;
  int blockTurns = 0; // turns of blocks at blockInstant
  nanoseconds blockInstant{-1};
  bool ranBlocks = false;
  for (;;)
  {
    if (mStopRequested)
    {
      mStopRequested = false;
      break;
    }
    if (BlocksRunnableLocked())
    {
      // Blocks that keep queueing blocks must not hold the loop for ever: on the real clock
      // they stop when the time is up (after at least one turn), on the virtual clock, where
      // blocks take no time, after a number of turns at one instant.
      const nanoseconds now = NowLocked();
      if (now != blockInstant)
      {
        blockInstant = now;
        blockTurns = 0;
      }
      const bool mayRun = mClock == EClock::kVirtual ? blockTurns < kMaxBlockTurnsPerInstant
                                                     : (!ranBlocks || now < deadline);
      if (mayRun)
      {
        ++blockTurns;
        ranBlocks = true;
        fired += RunBlocksLocked(lock);
        continue;
      }
      if (mClock == EClock::kReal)
        break;
    }
    RunLoopTimerRef next = EarliestLocked();
    const nanoseconds now = NowLocked();
    if (mClock == EClock::kVirtual)
    {
      if (!next || next->mNextFire > deadline)
      {
        mVirtualNow = std::max(mVirtualNow, deadline);
        break;
      }
      mVirtualNow = std::max(mVirtualNow, next->mNextFire);
    }
    else if (!next || next->mNextFire > std::min(now, deadline))
    {
      if (now >= deadline)
        break;
      const nanoseconds wake = next ? std::min(next->mNextFire, deadline) : deadline;
      mWake.wait_until(lock, std::chrono::steady_clock::time_point(wake));
      continue;
    }
    FireLocked(lock, next);
    ++fired;
  }
  return fired;
}

uint64_t RunLoop::RunForMs(double ms)
{
  if (!std::isfinite(ms) || ms <= 0.0)
    return RunFor(nanoseconds(0));
  return RunFor(nanoseconds(static_cast<int64_t>(std::min(ms, 3.0e12) * 1e6)));
}

uint64_t RunLoop::TurnLocked(Lock& lock)
{
  // The blocks queued so far, then every timer due now once; rescheduling moves each timer past
  // the present, so none repeats.
  const nanoseconds start = NowLocked();
  uint64_t fired = mBlockDepth == 0 ? RunBlocksLocked(lock) : 0;
  for (;;)
  {
    RunLoopTimerRef next = EarliestLocked();
    if (!next || next->mNextFire > start)
      break;
    FireLocked(lock, next);
    ++fired;
  }
  return fired;
}

uint64_t RunLoop::RunDue()
{
  Lock lock(mMutex);
  if (mRunDepth > 0 && mRunner != std::this_thread::get_id())
    return 0;
  const RunScope scope(*this, kDefaultRunLoopMode, false);
  return TurnLocked(lock);
}

uint64_t RunLoop::RunNested(unsigned mode, const RunLoopDelay& delay)
{
  Lock lock(mMutex);
  if (mRunDepth > 0 && mRunner != std::this_thread::get_id())
    return 0;
  mode &= kCommonRunLoopModes;
  const RunScope scope(*this, mode ? mode : kDefaultRunLoopMode, true);
  uint64_t fired = 0;
  for (int i = 0; i < delay.turns && !mStopRequested; ++i)
    fired += TurnLocked(lock);
  if (delay.time.count() > 0)
    fired += RunForLocked(lock, delay.time);
  mStopRequested = false;
  return fired;
}

void RunLoop::PerformBlockAfter(const RunLoopDelay& delay, std::function<void()> block, const void* owner)
{
  if (!block)
    return;
  // The turns: each one a block that queues the rest for the next turn.
  struct Chain
  {
    RunLoop* loop;
    int turnsLeft;
    std::function<void()> block;
    const void* owner;
    void operator()()
    {
      if (--turnsLeft > 0)
        loop->PerformBlock(std::move(*this), owner);
      else
        block();
    }
  };
  Chain chain{this, std::max(delay.turns, 1), std::move(block), owner};
  if (delay.time.count() <= 0)
  {
    PerformBlock(std::move(chain), owner);
    return;
  }
  AddTimer(
    nanoseconds(0),
    [this, chain = std::move(chain), owner](RunLoopTimer&) mutable { PerformBlock(std::move(chain), owner); },
    kCommonRunLoopModes, delay.time);
}

void RunLoop::Stop()
{
  {
    Lock lock(mMutex);
    if (mRunForDepth == 0)
      return;
    mStopRequested = true;
  }
  mWake.notify_all();
}

} // namespace standin
