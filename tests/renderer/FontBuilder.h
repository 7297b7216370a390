#pragma once
// Builds small TrueType fonts in memory for tests: simple glyphs from contours of on- and
// off-curve points, composite glyphs from offset components, a Unicode character map
// (format 4) and horizontal metrics.

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class FontBuilder
{
public:
  struct Point
  {
    int x, y;
    bool on = true;
  };
  struct Component
  {
    int glyph;
    int dx, dy;
  };
  struct Glyph
  {
    std::vector<std::vector<Point>> contours;
    std::vector<Component> components; // a composite glyph when not empty
    int advance = 500;
  };
  // Glyph 0 is the missing-glyph box; returns the new glyph's index.
  FontBuilder();
  int AddGlyph(const Glyph& glyph);
  // A square of the given side whose outline has n points (n >= 4), all on-curve.
  int AddPolygonGlyph(int n, int side);
  void Map(int codepoint, int glyph);

  int ascent = 800;
  int descent = -200;
  int lineGap = 0;

  std::vector<unsigned char> Build() const;
  // Offset of a table in a built font (0 when absent).
  static uint32_t TableOffset(const std::vector<unsigned char>& font, const char* tag);

private:
  std::vector<Glyph> mGlyphs;
  std::vector<std::pair<int, int>> mMap;
};

} // namespace testsupport
