#include "tests/renderer/FontBuilder.h"
#include "tests/support/FontFiles.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
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

std::map<std::string, std::vector<unsigned char>> FontBuilder::MetricTables() const
{
  std::map<std::string, std::vector<unsigned char>> tables;
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

  return tables;
}

std::vector<unsigned char> FontBuilder::Build() const
{
  std::map<std::string, std::vector<unsigned char>> tables = MetricTables();

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

  std::vector<SfntTable> sfnt;
  for (const auto& t : tables)
    sfnt.push_back({t.first, t.second});
  return MakeSfnt(sfnt);
}

std::vector<unsigned char> FontBuilder::CffNumber(int value)
{
  if (value >= -107 && value <= 107)
    return {static_cast<unsigned char>(value + 139)};
  if (value >= 108 && value <= 1131)
    return {static_cast<unsigned char>(247 + (value - 108) / 256), static_cast<unsigned char>((value - 108) % 256)};
  if (value >= -1131 && value <= -108)
    return {static_cast<unsigned char>(251 + (-value - 108) / 256), static_cast<unsigned char>((-value - 108) % 256)};
  const unsigned v = static_cast<unsigned>(value) & 0xffff;
  return {28, static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
}

void FontBuilder::AppendOutline(const Glyph& glyph, int dx, int dy, int depth, std::vector<unsigned char>& out,
                                int& x, int& y) const
{
  auto put = [&out](int v) {
    const std::vector<unsigned char> n = CffNumber(v);
    out.insert(out.end(), n.begin(), n.end());
  };
  for (const Component& c : glyph.components)
    if (depth < 16 && c.glyph >= 0 && c.glyph < static_cast<int>(mGlyphs.size()))
      AppendOutline(mGlyphs[std::size_t(c.glyph)], dx + c.dx, dy + c.dy, depth + 1, out, x, y);
  for (const auto& contour : glyph.contours)
  {
    for (std::size_t i = 0; i < contour.size(); ++i)
    {
      put(contour[i].x + dx - x);
      put(contour[i].y + dy - y);
      x = contour[i].x + dx;
      y = contour[i].y + dy;
      out.push_back(i == 0 ? 0x15 : 0x05); // rmoveto, rlineto
    }
  }
}

namespace {

// A CFF INDEX with the smallest offset size that holds its offsets.
std::vector<unsigned char> CffIndex(const std::vector<std::vector<unsigned char>>& items)
{
  Writer w;
  w.U16(static_cast<unsigned>(items.size()));
  if (items.empty())
    return w.b;
  uint32_t total = 1;
  for (const auto& item : items)
    total += static_cast<uint32_t>(item.size());
  const unsigned offSize = total < 0x100 ? 1 : total < 0x10000 ? 2 : total < 0x1000000 ? 3 : 4;
  w.U8(offSize);
  uint32_t offset = 1;
  auto putOffset = [&](uint32_t v) {
    for (unsigned i = offSize; i-- > 0;)
      w.U8((v >> (8 * i)) & 0xff);
  };
  putOffset(offset);
  for (const auto& item : items)
    putOffset(offset += static_cast<uint32_t>(item.size()));
  for (const auto& item : items)
    w.b.insert(w.b.end(), item.begin(), item.end());
  return w.b;
}

// A DICT entry with 32-bit integer operands, so that its size does not depend on them.
void DictEntry(std::vector<unsigned char>& dict, std::initializer_list<uint32_t> operands, int op)
{
  for (uint32_t v : operands)
  {
    dict.push_back(29);
    for (int i = 3; i >= 0; --i)
      dict.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  if (op > 0xff)
    dict.push_back(12);
  dict.push_back(static_cast<unsigned char>(op & 0xff));
}

int SubrBias(std::size_t count) { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }

} // namespace

std::vector<unsigned char> FontBuilder::BuildCff(const CffOptions& options, CffLayout* layout) const
{
  const std::size_t numGlyphs = mGlyphs.size();
  const int fds = options.cidKeyed ? std::max(1, std::min(options.fontDicts, 256)) : 1;
  const std::size_t nfd = static_cast<std::size_t>(fds);
  auto fdOf = [&](std::size_t g) {
    if (!options.cidKeyed)
      return 0;
    if (options.fdSelectFormat == 0)
      return static_cast<int>(g % nfd);
    const std::size_t run = (numGlyphs + nfd - 1) / nfd;
    return static_cast<int>(g / run);
  };

  // Outlines, in charstrings or in subroutines that the charstrings call (numbered with the
  // bias of the subroutines' final count, the options' own included).
  std::vector<std::vector<std::vector<unsigned char>>> local(nfd);
  std::vector<std::vector<unsigned char>> global;
  std::vector<std::vector<unsigned char>> outlines(numGlyphs);
  std::vector<int> subr(numGlyphs, -1);
  for (std::size_t g = 0; g < numGlyphs; ++g)
  {
    int x = 0, y = 0;
    AppendOutline(mGlyphs[g], 0, 0, 0, outlines[g], x, y);
    if (options.subrs == Subrs::None || outlines[g].empty())
      continue;
    auto& subrs = options.subrs == Subrs::Local ? local[std::size_t(fdOf(g))] : global;
    subr[g] = static_cast<int>(subrs.size());
    subrs.push_back(outlines[g]);
    subrs.back().push_back(0x0b); // return
  }
  for (auto& l : local)
    l.insert(l.end(), options.localSubrs.begin(), options.localSubrs.end());
  global.insert(global.end(), options.globalSubrs.begin(), options.globalSubrs.end());
  std::vector<std::vector<unsigned char>> charstrings(numGlyphs);
  for (std::size_t g = 0; g < numGlyphs; ++g)
  {
    std::vector<unsigned char>& cs = charstrings[g];
    if (subr[g] < 0)
      cs = outlines[g];
    else
    {
      const bool isLocal = options.subrs == Subrs::Local;
      const std::size_t count = isLocal ? local[std::size_t(fdOf(g))].size() : global.size();
      cs = CffNumber(subr[g] - SubrBias(count));
      cs.push_back(isLocal ? 0x0a : 0x1d);
    }
    cs.push_back(0x0e); // endchar
  }
  for (const auto& replaced : options.charstrings)
    if (replaced.first >= 0 && std::size_t(replaced.first) < numGlyphs)
      charstrings[std::size_t(replaced.first)] = replaced.second;

  // Layout: header, Name, Top DICT, String and Global Subrs INDEXes, CharStrings, then the
  // FDSelect and FDArray of a CID-keyed font, then each Private DICT with its Subrs.
  const std::vector<unsigned char> header = {1, 0, 4, 4};
  const std::vector<unsigned char> names = CffIndex({{'T', 'e', 's', 't'}});
  const std::vector<unsigned char> strings = CffIndex({});
  const std::vector<unsigned char> globalIndex = CffIndex(global);
  const std::vector<unsigned char> charIndex = CffIndex(charstrings);
  std::vector<unsigned char> privates[256];
  std::vector<std::vector<unsigned char>> subrIndexes(nfd);
  for (int fd = 0; fd < fds; ++fd)
  {
    std::vector<unsigned char>& p = privates[fd];
    p = {139, 20}; // defaultWidthX 0
    if (!local[std::size_t(fd)].empty())
    {
      DictEntry(p, {0}, 19);
      const uint32_t subrsAt = static_cast<uint32_t>(p.size());
      p[p.size() - 5] = static_cast<unsigned char>(subrsAt >> 24);
      p[p.size() - 4] = static_cast<unsigned char>(subrsAt >> 16);
      p[p.size() - 3] = static_cast<unsigned char>(subrsAt >> 8);
      p[p.size() - 2] = static_cast<unsigned char>(subrsAt);
      subrIndexes[std::size_t(fd)] = CffIndex(local[std::size_t(fd)]);
    }
  }
  // The Top DICT's size does not depend on its operands.
  std::vector<unsigned char> top;
  DictEntry(top, {0}, 17);
  if (options.cidKeyed)
  {
    DictEntry(top, {0}, 0x124);
    DictEntry(top, {0}, 0x125);
  }
  else
    DictEntry(top, {0, 0}, 18);
  const uint32_t topIndexSize = static_cast<uint32_t>(CffIndex({top}).size());
  CffLayout at;
  at.globalSubrs = static_cast<uint32_t>(header.size() + names.size() + topIndexSize + strings.size());
  at.charStrings = at.globalSubrs + static_cast<uint32_t>(globalIndex.size());
  uint32_t next = at.charStrings + static_cast<uint32_t>(charIndex.size());
  Writer select;
  if (options.cidKeyed)
  {
    at.fdSelect = next;
    select.U8(options.fdSelectFormat == 0 ? 0 : 3);
    if (options.fdSelectFormat == 0)
      for (std::size_t g = 0; g < numGlyphs; ++g)
        select.U8(static_cast<unsigned>(fdOf(g)));
    else
    {
      std::vector<std::pair<std::size_t, int>> ranges;
      for (std::size_t g = 0; g < numGlyphs; ++g)
        if (ranges.empty() || ranges.back().second != fdOf(g))
          ranges.push_back({g, fdOf(g)});
      select.U16(static_cast<unsigned>(ranges.size()));
      for (const auto& r : ranges)
      {
        select.U16(static_cast<unsigned>(r.first));
        select.U8(static_cast<unsigned>(r.second));
      }
      select.U16(static_cast<unsigned>(numGlyphs));
    }
    next += static_cast<uint32_t>(select.b.size());
    at.fdArray = next;
    // Font DICTs of fixed size: their Private DICTs follow the FDArray.
    std::vector<unsigned char> sample;
    DictEntry(sample, {0, 0}, 18);
    std::vector<std::vector<unsigned char>> placeholder(nfd, sample);
    next += static_cast<uint32_t>(CffIndex(placeholder).size());
  }
  at.firstPrivate = next;
  std::vector<std::vector<unsigned char>> fontDicts;
  std::vector<unsigned char> tail;
  for (int fd = 0; fd < fds; ++fd)
  {
    const uint32_t privateAt = next + static_cast<uint32_t>(tail.size());
    std::vector<unsigned char> dict;
    DictEntry(dict, {static_cast<uint32_t>(privates[fd].size()), privateAt}, 18);
    fontDicts.push_back(dict);
    tail.insert(tail.end(), privates[fd].begin(), privates[fd].end());
    tail.insert(tail.end(), subrIndexes[std::size_t(fd)].begin(), subrIndexes[std::size_t(fd)].end());
  }
  top.clear();
  DictEntry(top, {at.charStrings}, 17);
  if (options.cidKeyed)
  {
    DictEntry(top, {at.fdArray}, 0x124);
    DictEntry(top, {at.fdSelect}, 0x125);
  }
  else
    top.insert(top.end(), fontDicts[0].begin(), fontDicts[0].end());

  const std::vector<unsigned char> topIndex = CffIndex({top});
  std::vector<unsigned char> table = header;
  const std::vector<unsigned char>* parts[] = {&names, &topIndex, &strings, &globalIndex, &charIndex, &select.b};
  for (const std::vector<unsigned char>* part : parts)
    table.insert(table.end(), part->begin(), part->end());
  if (options.cidKeyed)
  {
    const std::vector<unsigned char> array = CffIndex(fontDicts);
    table.insert(table.end(), array.begin(), array.end());
  }
  table.insert(table.end(), tail.begin(), tail.end());
  if (layout)
    *layout = at;

  std::map<std::string, std::vector<unsigned char>> tables = MetricTables();
  tables["CFF "] = table;
  std::vector<SfntTable> sfnt;
  for (const auto& t : tables)
    sfnt.push_back({t.first, t.second});
  return MakeSfnt(sfnt, 0x4f54544f);
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
