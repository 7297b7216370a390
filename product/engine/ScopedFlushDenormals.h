#pragma once
// Flush-to-zero and denormals-are-zero for the lifetime of the object, restoring the
// caller's floating-point mode afterwards. Cheap insurance on the audio thread: a filter
// decaying into subnormal numbers can otherwise cost a hundred times its normal time.
#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define VELLICOR_HAS_MXCSR 1
#endif

namespace vellicor {

class ScopedFlushDenormals
{
public:
#if defined(VELLICOR_HAS_MXCSR)
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;

  ScopedFlushDenormals() noexcept
    : mSaved(_mm_getcsr())
  {
    _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero);
  }
  ~ScopedFlushDenormals() { _mm_setcsr(mSaved); }

private:
  unsigned mSaved;
#else
  ScopedFlushDenormals() noexcept {}
#endif

public:
  ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
  ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;
};

} // namespace vellicor
