#pragma once
// Pictures of the editor against its background art (the generated "background@2x.png"): at a
// total scale of 2 a picture pixel is the art's own pixel, at scale 1 the average of the art's
// 2 x 2 block (the bitmap drawn at half its size). Also two pictures against each other.
#include "tests/support/PngImage.h"

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

namespace backgroundart {

struct Comparison
{
  int compared = 0;
  int mismatches = 0;
  std::string firstMismatches; // the first few, one a line
};

// Compares every step-th pixel (in both directions) of the picture that skip(px, py) lets
// through; a channel may be off by the tolerance. Picture: width, height, Pixel(x, y) as RGBA.
template <class Picture>
Comparison Compare(const Picture& picture, const testsupport::PngImage& art, int scale, int step, int tolerance,
                   const std::function<bool(int px, int py)>& skip)
{
  Comparison result;
  const int block = 2 / scale;
  for (int py = 0; py < picture.height; py += step)
    for (int px = 0; px < picture.width; px += step)
    {
      if (skip(px, py) || (px + 1) * block > art.width || (py + 1) * block > art.height)
        continue;
      ++result.compared;
      const uint8_t* actual = picture.Pixel(px, py);
      bool near = true;
      int expected[4];
      for (int k = 0; k < 4; ++k)
      {
        int sum = 0;
        for (int dy = 0; dy < block; ++dy)
          for (int dx = 0; dx < block; ++dx)
            sum += art.Pixel(px * block + dx, py * block + dy)[k];
        expected[k] = (sum + block * block / 2) / (block * block);
        near = near && std::abs(actual[k] - expected[k]) <= tolerance;
      }
      if (!near && ++result.mismatches <= 5)
      {
        std::ostringstream line;
        line << "pixel " << px << ", " << py << ": " << int(actual[0]) << " " << int(actual[1]) << " "
             << int(actual[2]) << " " << int(actual[3]) << " is not " << expected[0] << " " << expected[1] << " "
             << expected[2] << " " << expected[3] << "\n";
        result.firstMismatches += line.str();
      }
    }
  return result;
}

// An area of a picture (pixels): left and top edges inside, right and bottom outside.
struct Area
{
  float l, t, r, b;
};

// Pixels of the two pictures with a channel farther apart than the tolerance, inside and
// outside the area. Pictures as for Compare.
template <class Picture>
std::pair<int, int> Differences(const Picture& a, const Picture& b, const Area& area, int tolerance = 8)
{
  int inside = 0, outside = 0;
  for (int y = 0; y < a.height && y < b.height; ++y)
    for (int x = 0; x < a.width && x < b.width; ++x)
    {
      bool differs = false;
      for (int k = 0; k < 4; ++k)
        differs = differs || std::abs(a.Pixel(x, y)[k] - b.Pixel(x, y)[k]) > tolerance;
      if (differs)
        (x >= area.l && x < area.r && y >= area.t && y < area.b ? inside : outside)++;
    }
  return {inside, outside};
}

} // namespace backgroundart
