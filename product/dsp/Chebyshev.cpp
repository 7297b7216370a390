#include "product/dsp/Chebyshev.h"

#include <cmath>

namespace vellicor {

double ChebyshevT(int order, double x)
{
  if (order < 0)
    return 0.0;
  if (order == 0)
    return 1.0;
  double previous = 1.0;
  double current = x;
  const double twoX = 2.0 * x;
  for (int i = 1; i < order; ++i)
  {
    const double next = std::fma(twoX, current, -previous);
    previous = current;
    current = next;
  }
  return current;
}

} // namespace vellicor
