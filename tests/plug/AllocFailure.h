#pragma once
// Scoped control over HeapBuf allocations for tests: count them, and make them fail.

#include "plug/HeapBuf.h"

#include <algorithm>

namespace testsupport {

class AllocFailure
{
public:
  // failAfter: number of allocations that still succeed before every further one fails
  // (0: all fail; negative: none fails, only count).
  explicit AllocFailure(int failAfter = 0)
  {
    sRemaining = failAfter;
    sCount = 0;
    sLargest = 0;
    mPrevious = plug::SetHeapBufAllocHook(&Hook);
  }
  ~AllocFailure() { plug::SetHeapBufAllocHook(mPrevious); }
  AllocFailure(const AllocFailure&) = delete;
  AllocFailure& operator=(const AllocFailure&) = delete;

  // Allocation attempts seen so far.
  static int Count() { return sCount; }
  // Largest allocation asked for so far, in bytes.
  static std::size_t Largest() { return sLargest; }

private:
  static bool Hook(std::size_t bytes)
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
  plug::HeapBufAllocHook mPrevious = nullptr;
};

} // namespace testsupport
