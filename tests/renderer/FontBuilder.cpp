#include "tests/renderer/FontBuilder.h"
#include "tests/support/FontFiles.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace testsupport {

namespace {

struct Writer
{
  std::vector<unsigned char> b;
  void U8(unsigned v) { b.push_back(static_cast<unsigned char>(v)); }
  void U16(unsigned v)
  {
    U8(v >> 8);
    U8(v & 0xff);
  }
  void S16(int v) { U16(static_cast<unsigned>(v) & 0xffff); }
  void U32(uint32_t v)
  {
    U16(v >> 16);
    U16(v & 0xffff);
  }
  void Pad4()
  {
    while (b.size() % 4)
      U8(0);
  }
};

// Binary-search fields of a table of n entries of the given size.
void SearchFields(Writer& w, unsigned n, unsigned entrySize)
{
  unsigned power = 1, log = 0;
  while (power * 2 <= n)
  {
    power *= 2;
    ++log;
  }
  w.U16(power * entrySize);
  w.U16(log);
  w.U16(n * entrySize - power * entrySize);
}

} // namespace

FontBuilder::FontBuilder()
{
  Glyph box;
  box.contours.push_back({{50, 0}, {50, 700}, {450, 700}, {450, 0}});
  mGlyphs.push_back(box);
}

int FontBuilder::AddGlyph(const Glyph& glyph)
{
  mGlyphs.push_back(glyph);
  return static_cast<int>(mGlyphs.size()) - 1;
}

int FontBuilder::AddPolygonGlyph(int n, int side)
{
  // Points spread over the four sides of a square, counter-clockwise in font units.
  Glyph g;
  std::vector<Point> c;
  for (int i = 0; i < n; ++i)
  {
    const int sideIndex = i * 4 / n;
    const int along = (i * 4 % n) * side / n;
    switch (sideIndex)
    {
    case 0: c.push_back({along, 0}); break;
    case 1: c.push_back({side, along}); break;
    case 2: c.push_back({side - along, side}); break;
    default: c.push_back({0, side - along}); break;
    }
  }
  g.contours.push_back(c);
  g.advance = side;
  return AddGlyph(g);
}

void FontBuilder::Map(int codepoint, int glyph)
{
  mMap.push_back({codepoint, glyph});
}

std::vector<unsigned char> FontBuilder::Build() const
{
  std::map<std::string, std::vector<unsigned char>> tables;

  // glyf and loca (long offsets)
  Writer glyf, loca;
  for (const Glyph& g : mGlyphs)
  {
    loca.U32(static_cast<uint32_t>(glyf.b.size()));
    if (g.contours.empty() && g.components.empty())
      continue;
    if (!g.components.empty())
    {
      glyf.S16(-1);
      for (int i = 0; i < 4; ++i)
        glyf.S16(0);
      for (std::size_t i = 0; i < g.components.size(); ++i)
      {
        const bool more = i + 1 < g.components.size();
        glyf.U16(0x0001 | 0x0002 | (more ? 0x0020 : 0));
        glyf.U16(static_cast<unsigned>(g.components[i].glyph));
        glyf.S16(g.components[i].dx);
        glyf.S16(g.components[i].dy);
      }
      glyf.Pad4();
      continue;
    }
    int xmin = 1 << 30, ymin = 1 << 30, xmax = -(1 << 30), ymax = -(1 << 30);
    for (const auto& c : g.contours)
      for (const Point& p : c)
      {
        xmin = std::min(xmin, p.x);
        ymin = std::min(ymin, p.y);
        xmax = std::max(xmax, p.x);
        ymax = std::max(ymax, p.y);
      }
    glyf.S16(static_cast<int>(g.contours.size()));
    glyf.S16(xmin);
    glyf.S16(ymin);
    glyf.S16(xmax);
    glyf.S16(ymax);
    int end = -1;
    for (const auto& c : g.contours)
    {
      end += static_cast<int>(c.size());
      glyf.U16(static_cast<unsigned>(end));
    }
    glyf.U16(0); // no instructions
    for (const auto& c : g.contours)
      for (const Point& p : c)
        glyf.U8(p.on ? 1 : 0); // two-byte deltas for x and y
    for (int axis = 0; axis < 2; ++axis)
    {
      int prev = 0;
      for (const auto& c : g.contours)
        for (const Point& p : c)
        {
          const int v = axis == 0 ? p.x : p.y;
          glyf.S16(v - prev);
          prev = v;
        }
    }
    glyf.Pad4();
  }
  loca.U32(static_cast<uint32_t>(glyf.b.size()));
  tables["glyf"] = glyf.b;
  tables["loca"] = loca.b;

  Writer head;
  head.U32(0x00010000);
  head.U32(0x00010000);
  head.U32(0);
  head.U32(0x5F0F3CF5);
  head.U16(0);
  head.U16(1000); // units per em
  for (int i = 0; i < 16; ++i)
    head.U8(0);
  head.S16(0);
  head.S16(descent);
  head.S16(1000);
  head.S16(ascent);
  head.U16(0);
  head.U16(8);
  head.S16(2);
  head.S16(1); // long loca offsets
  head.S16(0);
  tables["head"] = head.b;

  const unsigned numGlyphs = static_cast<unsigned>(mGlyphs.size());
  Writer hhea;
  hhea.U32(0x00010000);
  hhea.S16(ascent);
  hhea.S16(descent);
  hhea.S16(lineGap);
  hhea.U16(1000);
  for (int i = 0; i < 12; ++i)
    hhea.U16(0);
  hhea.U16(numGlyphs);
  tables["hhea"] = hhea.b;

  Writer hmtx;
  for (const Glyph& g : mGlyphs)
  {
    hmtx.U16(static_cast<unsigned>(g.advance));
    hmtx.S16(0);
  }
  tables["hmtx"] = hmtx.b;

  Writer maxp;
  maxp.U32(0x00005000);
  maxp.U16(numGlyphs);
  tables["maxp"] = maxp.b;

  // cmap: one format 4 subtable, one segment per mapped codepoint, then the end segment.
  std::vector<std::pair<int, int>> map = mMap;
  std::sort(map.begin(), map.end());
  map.push_back({0xFFFF, 0});
  const unsigned segs = static_cast<unsigned>(map.size());
  Writer sub;
  sub.U16(4);
  sub.U16(16 + 8 * segs);
  sub.U16(0);
  sub.U16(segs * 2);
  SearchFields(sub, segs, 2);
  for (const auto& m : map)
    sub.U16(static_cast<unsigned>(m.first));
  sub.U16(0);
  for (const auto& m : map)
    sub.U16(static_cast<unsigned>(m.first));
  for (const auto& m : map)
    sub.U16(static_cast<unsigned>(m.second - m.first) & 0xffff);
  for (std::size_t i = 0; i < map.size(); ++i)
    sub.U16(0);
  Writer cmap;
  cmap.U16(0);
  cmap.U16(1);
  cmap.U16(3);
  cmap.U16(1);
  cmap.U32(12);
  cmap.b.insert(cmap.b.end(), sub.b.begin(), sub.b.end());
  tables["cmap"] = cmap.b;

  std::vector<SfntTable> sfnt;
  for (const auto& t : tables)
    sfnt.push_back({t.first, t.second});
  return MakeSfnt(sfnt);
}

uint32_t FontBuilder::TableOffset(const std::vector<unsigned char>& font, const char* tag)
{
  const unsigned n = (font[4] << 8) | font[5];
  for (unsigned i = 0; i < n; ++i)
  {
    const unsigned char* rec = &font[12 + 16 * i];
    if (std::memcmp(rec, tag, 4) == 0)
      return (uint32_t(rec[8]) << 24) | (uint32_t(rec[9]) << 16) | (uint32_t(rec[10]) << 8) | rec[11];
  }
  return 0;
}

} // namespace testsupport
