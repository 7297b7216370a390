#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// A counting semaphore with the platform's dispatch-semaphore behaviour: Wait takes one unit,
// blocking while there is none; Signal gives one back and wakes one waiter. Private to the
// Metal stand-in and kept to this header, so that the Foundation stand-in's dispatch semaphore
// can take its place in one step.
namespace standin::mtl {

class Semaphore
{
public:
  explicit Semaphore(long value) : mValue(value) {}

  void Wait()
  {
    std::unique_lock<std::mutex> lock(mMutex);
    mCondition.wait(lock, [this] { return mValue > 0; });
    --mValue;
  }

  // Returns false when no unit came within the time-out.
  bool Wait(std::chrono::nanoseconds timeout)
  {
    std::unique_lock<std::mutex> lock(mMutex);
    if (!mCondition.wait_for(lock, timeout, [this] { return mValue > 0; }))
      return false;
    --mValue;
    return true;
  }

  // Wakes under the lock, so that a waiter that returns and destroys the semaphore cannot race
  // with the signalling thread.
  void Signal()
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ++mValue;
    mCondition.notify_one();
  }

private:
  std::mutex mMutex;
  std::condition_variable mCondition;
  long mValue;
};

} // namespace standin::mtl
