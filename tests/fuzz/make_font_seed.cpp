// Writes a small TrueType font (simple and composite glyphs, a character map for the
// fuzz target's text) as a seed for the font fuzzer.
#include "tests/renderer/FontBuilder.h"

#include <cstdio>

int main(int argc, char** argv)
{
  if (argc != 2)
    return 2;
  testsupport::FontBuilder b;
  const int box = b.AddPolygonGlyph(8, 600);
  testsupport::FontBuilder::Glyph curve;
  curve.contours = {{{0, 0}, {300, 0, false}, {300, 300}, {0, 300, false}},
                    {{100, 100}, {200, 100}, {150, 200, false}}};
  const int round = b.AddGlyph(curve);
  testsupport::FontBuilder::Glyph pair;
  pair.components = {{box, 0, 0}, {round, 650, 0}};
  const int both = b.AddGlyph(pair);
  for (int cp = 0x20; cp < 0x7f; ++cp)
    b.Map(cp, cp % 3 == 0 ? box : cp % 3 == 1 ? round : both);
  const std::vector<unsigned char> font = b.Build();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f)
    return 1;
  std::fwrite(font.data(), 1, font.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}
