#pragma once
// Float to integer conversions that saturate instead of overflowing (NaN gives 0), for
// sizes and counts computed from values a caller may have made extreme.

#include <climits>
#include <cstdint>

namespace plug {
namespace igraphics {

inline int vgrSaturateInt(float v)
{
  if (!(v == v))
    return 0;
  if (v >= 2147483520.0f)
    return INT_MAX;
  if (v <= -2147483648.0f)
    return INT_MIN;
  return static_cast<int>(v);
}

inline int16_t vgrSaturateShort(float v)
{
  const int i = vgrSaturateInt(v);
  return static_cast<int16_t>(i < -32768 ? -32768 : (i > 32767 ? 32767 : i));
}

} // namespace igraphics
} // namespace plug
