#include "product/dsp/HermiteKnee.h"

#include <cmath>


namespace vellicor {

double HermiteKneeMagnitude(double m, double start, double end)
{
  const double span = end - start;
  const double t = (m - start) / span;
  const double t2 = t * t;
  const double t3 = t2 * t;
  const double m2 = std::fabs((2.0 * t3 - 3.0 * t2 + 1.0) * start + (t3 - 2.0 * t2 + t) * span +
                              (3.0 * t2 - 2.0 * t3) * end);
  // The cubic never passes `end`; rounding near t = 1 can land one step above it.
  return m2 > end ? end : m2;
}

} // namespace vellicor
