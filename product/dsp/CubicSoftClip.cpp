#include "product/dsp/CubicSoftClip.h"

#include <algorithm>

namespace vellicor {

double CubicCurve(double x)
{
  return x - 0.1481495 * x * x * x;
}

double CubicSoftClip(double x)
{
  return std::clamp(CubicCurve(x), -1.0, 1.0);
}

} // namespace vellicor
