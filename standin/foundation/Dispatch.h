#pragma once
// Stand-in for the parts of the platform's dispatch library that the platform layer uses:
// counting semaphores with time-outs, and the main queue, whose blocks run in order on the
// thread that runs the main run loop, one turn of the loop after they were queued.
//
// Dispatch objects are objects of the stand-in (retain/release, live counts); the create
// functions return owned references, given back with dispatch_release.
#include "standin/foundation/Object.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// Points in time: DISPATCH_TIME_NOW, DISPATCH_TIME_FOREVER, or nanoseconds of the steady
// clock from dispatch_time.
typedef uint64_t dispatch_time_t;
constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;
constexpr int64_t NSEC_PER_SEC = 1000000000;
constexpr int64_t NSEC_PER_MSEC = 1000000;
constexpr int64_t NSEC_PER_USEC = 1000;

// when (DISPATCH_TIME_NOW for the present) moved by delta nanoseconds.
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

namespace standin {

class DispatchSemaphore : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit DispatchSemaphore(long value, standin::RuntimeClass& cls = Class());
  // Destroying a semaphore whose value is below the value it was made with is a platform fault
  // (a thread may still be waiting on it).
  ~DispatchSemaphore() override;

  long Wait(dispatch_time_t timeout);
  long Signal();
  // The present value (negative: that many threads wait).
  long Value() const;

private:
  mutable std::mutex mMutex;
  std::condition_variable mWake;
  const long mInitial;
  long mValue;
  long mWakeups = 0; // signals handed to waiting threads, not yet taken
};

// Functions run before a wait without a time-out blocks (the semaphore has nothing to give), so
// that a stand-in whose work would otherwise wait for more of the caller's work (the GPU's held
// command buffers) lets it finish first. The stand-in that installs one removes it before its
// code goes (a bundle's module unloading). Run on the waiting thread, without locks held.
using ForeverWaitHook = void (*)();
void AddForeverWaitHook(ForeverWaitHook hook);
void RemoveForeverWaitHook(ForeverWaitHook hook);

class DispatchQueue : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static DispatchQueue& Main();

private:
  DispatchQueue();
};

} // namespace standin

typedef standin::DispatchSemaphore* dispatch_semaphore_t;
typedef standin::DispatchQueue* dispatch_queue_t;
typedef std::function<void()> dispatch_block_t;

// Null for a negative value.
dispatch_semaphore_t dispatch_semaphore_create(long value);
// 0 when the semaphore was taken, non-zero when the time-out came first.
long dispatch_semaphore_wait(dispatch_semaphore_t semaphore, dispatch_time_t timeout);
// Non-zero when a waiting thread was woken.
long dispatch_semaphore_signal(dispatch_semaphore_t semaphore);

dispatch_queue_t dispatch_get_main_queue();
// Queues the block on the queue (the main queue: see standin::RunLoop::PerformBlock).
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);

void dispatch_retain(NSObject* object);
void dispatch_release(NSObject* object);
