#include "product/dsp/HermiteKnee.h"

#include <cmath>

namespace vellicor {

double HermiteKneeMagnitude(double m, double start, double end)
{
  const double span = end - start;
  const double t = (m - start) / span;
  const double t2 = t * t;
  const double t3 = t2 * t;
  return std::fabs((2.0 * t3 - 3.0 * t2 + 1.0) * start + (t3 - 2.0 * t2 + t) * span +
                   (3.0 * t2 - 2.0 * t3) * end);
}

} // namespace vellicor
