#pragma once
#include "product/dsp/Double2.h"

namespace vellicor {

// Magnitude of the cubic Hermite knee that leaves slope 1 at `start` and arrives with slope
// 0 at `end`, for a magnitude m strictly between the two (the caller handles the ends).
// The cubic never passes `end`, but rounding just below it can land one step above.
// V is double or Double2.
template <typename V>
inline V HermiteKneeMagnitude(V m, V start, V end)
{
  const V span = end - start;
  const V t = (m - start) / span;
  const V t2 = t * t;
  const V t3 = t2 * t;
  return Abs((2.0 * t3 - 3.0 * t2 + 1.0) * start + (t3 - 2.0 * t2 + t) * span + (3.0 * t2 - 2.0 * t3) * end);
}

} // namespace vellicor
