#pragma once
// The lamps behind the "Drive" and "Impedance" knobs of the product editor, as a person sees
// them: the mean brightness of the ring between each knob's cap and its outer edge, in the
// editor's points (pictures at draw scale 1).

#include <cstdint>
#include <vector>

namespace bundletest {

struct LampArea
{
  int l, t, r, b;
};

// Left of each knob's cap, inside its ring, where no pointer or label draws.
constexpr LampArea kDriveLamp{92, 160, 116, 210};
constexpr LampArea kImpedanceLamp{697, 160, 721, 210};

// Mean of red, green and blue over the area of an RGBA picture, 0..255.
inline double LampBrightness(const std::vector<uint8_t>& rgba, int width, int height, const LampArea& area)
{
  double sum = 0.0;
  int count = 0;
  for (int y = area.t; y < area.b && y < height; ++y)
    for (int x = area.l; x < area.r && x < width; ++x)
    {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
      sum += (p[0] + p[1] + p[2]) / 3.0;
      ++count;
    }
  return count ? sum / count : 0.0;
}

} // namespace bundletest
