// A mutex that knows its owning thread, so that nested locking by the owner is harmless:
// the owner's second Lock returns false without blocking, and a guard whose Lock returned
// false leaves the mutex alone. That lets a callback re-enter the object that holds the lock.
#pragma once

#include <pthread.h>

#include <atomic>
#include <memory>
#include <thread>

class AAX_COwnerMutex
{
public:
  AAX_COwnerMutex();
  ~AAX_COwnerMutex();
  AAX_COwnerMutex(const AAX_COwnerMutex&) = delete;
  AAX_COwnerMutex& operator=(const AAX_COwnerMutex&) = delete;

  // False without a usable mutex, or (without locking) when this thread already owns it;
  // otherwise blocks until it is ours and returns true.
  bool Lock();
  // Only the owner unlocks; other threads' calls do nothing.
  void Unlock();
  // True at once for the owner; false when another thread holds it.
  bool TryLock();

  bool IsOwnedByCurrentThread() const;

private:
  struct Record
  {
    // Written by the owner, read by any thread testing for ownership.
    std::atomic<std::thread::id> mOwner{};
    pthread_mutex_t mMutex;
  };
  std::unique_ptr<Record> mRecord; // null when the mutex could not be set up
};

// Locks for its scope; unlocks at its end only when its own Lock succeeded.
class AAX_COwnerMutexGuard
{
public:
  explicit AAX_COwnerMutexGuard(AAX_COwnerMutex& mutex) : mMutex(mutex), mLocked(mutex.Lock()) {}
  ~AAX_COwnerMutexGuard()
  {
    if (mLocked)
      mMutex.Unlock();
  }
  AAX_COwnerMutexGuard(const AAX_COwnerMutexGuard&) = delete;
  AAX_COwnerMutexGuard& operator=(const AAX_COwnerMutexGuard&) = delete;
  bool Locked() const { return mLocked; }

private:
  AAX_COwnerMutex& mMutex;
  bool mLocked;
};
