#include "standin/foundation/Dispatch.h"

#include "standin/foundation/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

uint64_t SteadyNanoseconds()
{
  return static_cast<uint64_t>(
    std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

std::mutex& HookMutex()
{
  static std::mutex* sMutex = new std::mutex;
  return *sMutex;
}

std::vector<standin::ForeverWaitHook>& Hooks()
{
  static auto* sHooks = new std::vector<standin::ForeverWaitHook>;
  return *sHooks;
}

void RunForeverWaitHooks()
{
  std::vector<standin::ForeverWaitHook> hooks;
  {
    std::lock_guard<std::mutex> lock(HookMutex());
    hooks = Hooks();
  }
  for (standin::ForeverWaitHook hook : hooks)
    hook();
}

} // namespace

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta)
{
  if (when == DISPATCH_TIME_FOREVER)
    return DISPATCH_TIME_FOREVER;
  const uint64_t base = when == DISPATCH_TIME_NOW ? SteadyNanoseconds() : when;
  if (delta >= 0)
  {
    const uint64_t sum = base + static_cast<uint64_t>(delta);
    return (sum < base || sum == DISPATCH_TIME_FOREVER) ? DISPATCH_TIME_FOREVER - 1 : sum;
  }
  const uint64_t back = static_cast<uint64_t>(-(delta + 1)) + 1;
  return back >= base ? 1 : base - back; // 1: already past, but not "now"
}

namespace standin {

STANDIN_DEFINE_CLASS(DispatchSemaphore, NSObject)
STANDIN_DEFINE_CLASS(DispatchQueue, NSObject)

DispatchSemaphore::DispatchSemaphore(long value, RuntimeClass& cls) : NSObject(cls), mInitial(value), mValue(value) {}

DispatchSemaphore::~DispatchSemaphore()
{
  if (mValue < mInitial)
    PlatformFault("semaphore object deallocated while in use");
}

void AddForeverWaitHook(ForeverWaitHook hook)
{
  std::lock_guard<std::mutex> lock(HookMutex());
  if (std::find(Hooks().begin(), Hooks().end(), hook) == Hooks().end())
    Hooks().push_back(hook);
}

void RemoveForeverWaitHook(ForeverWaitHook hook)
{
  std::lock_guard<std::mutex> lock(HookMutex());
  Hooks().erase(std::remove(Hooks().begin(), Hooks().end(), hook), Hooks().end());
}

long DispatchSemaphore::Wait(dispatch_time_t timeout)
{
  if (timeout == DISPATCH_TIME_FOREVER && Value() <= 0)
    RunForeverWaitHooks();
  std::unique_lock<std::mutex> lock(mMutex);
  if (--mValue >= 0)
    return 0;
  const auto woken = [&] { return mWakeups > 0; };
  bool taken;
  if (timeout == DISPATCH_TIME_FOREVER)
  {
    mWake.wait(lock, woken);
    taken = true;
  }
  else
  {
    const auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(timeout == DISPATCH_TIME_NOW ? 0 : timeout));
    taken = mWake.wait_until(lock, deadline, woken);
  }
  if (!taken)
  {
    ++mValue; // gives up its place
    return 49; // the platform's "timed out"
  }
  --mWakeups;
  return 0;
}

long DispatchSemaphore::Signal()
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (++mValue > 0)
    return 0;
  ++mWakeups;
  mWake.notify_one();
  return 1;
}

long DispatchSemaphore::Value() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mValue;
}

DispatchQueue::DispatchQueue() : NSObject(Class()) { MakeImmortal(); }

DispatchQueue& DispatchQueue::Main()
{
  static DispatchQueue* sMain = new DispatchQueue;
  return *sMain;
}

} // namespace standin

dispatch_semaphore_t dispatch_semaphore_create(long value)
{
  return value < 0 ? nullptr : new standin::DispatchSemaphore(value);
}

long dispatch_semaphore_wait(dispatch_semaphore_t semaphore, dispatch_time_t timeout)
{
  if (!semaphore)
  {
    standin::PlatformFault("dispatch_semaphore_wait called with NULL");
    return -1;
  }
  return semaphore->Wait(timeout);
}

long dispatch_semaphore_signal(dispatch_semaphore_t semaphore)
{
  if (!semaphore)
  {
    standin::PlatformFault("dispatch_semaphore_signal called with NULL");
    return 0;
  }
  return semaphore->Signal();
}

dispatch_queue_t dispatch_get_main_queue() { return &standin::DispatchQueue::Main(); }

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block)
{
  if (!queue || !block)
  {
    standin::PlatformFault("dispatch_async called with NULL");
    return;
  }
  standin::RunLoop::Main().PerformBlock(std::move(block));
}

void dispatch_retain(NSObject* object)
{
  if (!object)
    standin::PlatformFault("dispatch_retain called with NULL");
  else
    object->retain();
}

void dispatch_release(NSObject* object)
{
  if (!object)
    standin::PlatformFault("dispatch_release called with NULL");
  else
    object->release();
}
