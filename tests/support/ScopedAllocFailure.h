#pragma once
// Scoped control over an allocation hook for tests: count allocations, and make them fail.
// SetHook installs a hook of the form bool(size_t) and returns the previous one.

#include <algorithm>
#include <cstddef>

namespace testsupport {

template <auto SetHook>
class ScopedAllocFailure
{
  using Hook = decltype(SetHook(nullptr));

public:
  // failAfter: number of allocations that still succeed before every further one fails
  // (0: all fail; negative: none fails, only count).
  explicit ScopedAllocFailure(int failAfter = 0)
  {
    sRemaining = failAfter;
    sCount = 0;
    sLargest = 0;
    mPrevious = SetHook(&HookFn);
  }
  ~ScopedAllocFailure() { SetHook(mPrevious); }
  ScopedAllocFailure(const ScopedAllocFailure&) = delete;
  ScopedAllocFailure& operator=(const ScopedAllocFailure&) = delete;

  // Allocation attempts seen so far.
  static int Count() { return sCount; }
  // Largest allocation asked for so far, in bytes.
  static std::size_t Largest() { return sLargest; }

private:
  static bool HookFn(std::size_t bytes)
  {
    ++sCount;
    sLargest = std::max(sLargest, bytes);
    if (sRemaining < 0)
      return true;
    if (sRemaining == 0)
      return false;
    --sRemaining;
    return true;
  }

  static inline int sRemaining = 0;
  static inline int sCount = 0;
  static inline std::size_t sLargest = 0;
  Hook mPrevious = nullptr;
};

} // namespace testsupport
