#pragma once
// Builds small TrueType fonts in memory for tests: simple glyphs from contours of on- and
// off-curve points, composite glyphs from offset components, a Unicode character map
// (format 4) and horizontal metrics. The same glyphs also build as an OpenType font with CFF
// outlines (Type 2 charstrings), plain or CID-keyed, with outlines in subroutines or not.

#include <cstdint>
#include <map>
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

  // CFF outlines: every point drawn as on-curve, components copied into the glyph.
  enum class Subrs
  {
    None,   // each outline in its charstring
    Local,  // each outline in a local subroutine (of the glyph's font DICT when CID-keyed)
    Global, // each outline in a global subroutine
  };
  struct CffOptions
  {
    Subrs subrs = Subrs::None;
    bool cidKeyed = false;  // font DICTs in an FDArray, chosen per glyph by an FDSelect
    int fdSelectFormat = 3; // 0: glyph g uses font DICT g % fontDicts; 3: consecutive ranges
    int fontDicts = 2;
    // Charstrings (Type 2 bytes, endchar included) that replace a glyph's, and subroutines
    // appended after the builder's own local (of every font DICT) and global ones.
    std::map<int, std::vector<unsigned char>> charstrings;
    std::vector<std::vector<unsigned char>> localSubrs;
    std::vector<std::vector<unsigned char>> globalSubrs;
  };
  // Where the CFF table's parts lie, from the table's start.
  struct CffLayout
  {
    uint32_t globalSubrs = 0, charStrings = 0, fdSelect = 0, fdArray = 0, firstPrivate = 0;
  };
  std::vector<unsigned char> BuildCff(const CffOptions& options, CffLayout* layout = nullptr) const;
  // The Type 2 encoding of an integer operand.
  static std::vector<unsigned char> CffNumber(int value);
  // Offset of a table in a built font (0 when absent).
  static uint32_t TableOffset(const std::vector<unsigned char>& font, const char* tag);

private:
  std::map<std::string, std::vector<unsigned char>> MetricTables() const;
  void AppendOutline(const Glyph& glyph, int dx, int dy, int depth, std::vector<unsigned char>& out, int& x,
                     int& y) const;

  std::vector<Glyph> mGlyphs;
  std::vector<std::pair<int, int>> mMap;
};

} // namespace testsupport
