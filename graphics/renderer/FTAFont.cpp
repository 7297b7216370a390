// The rasteriser adaptor of the text atlas: the only code that sees stb_truetype. Fonts may
// come from a user-writable folder, so a font's bytes are checked before the rasteriser
// reads them: the table directory, every table this layer or the rasteriser reads, the
// character map it will use, and every glyph outline (its points and flags, its components,
// their nesting and the coordinates they transform to) must lie inside the data and stay
// within what the rasteriser handles. TrueType outlines are checked here, CFF outlines (an
// OpenType font's 'CFF ' table) in FTAFontCff.cpp; CFF2 and other outlines are refused.
//
// The rasteriser allocates from the atlas's scratch arena. When the arena runs out in the
// middle of a glyph, the allocation does not return: it jumps back to the glyph's start and
// the glyph gets an empty bitmap (the rasteriser does not check every allocation itself).

#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRMemory.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstdint>
#include <cstring>

namespace plug {
namespace igraphics {
namespace {

// Out-of-memory inside the rasteriser: jump back to the glyph being rendered.
void* RasteriserAlloc(void* uptr, std::size_t size)
{
  auto* ctx = static_cast<FTAcontext*>(uptr);
  void* p = ftaScratchAlloc(ctx, size);
  if (!p && ctx->scratchJump)
    std::longjmp(*static_cast<std::jmp_buf*>(ctx->scratchJump), 1);
  return p;
}

} // namespace
} // namespace igraphics
} // namespace plug

#include "graphics/renderer/StbDiagnostics.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_malloc(x, u) plug::igraphics::RasteriserAlloc(u, x)
#define STBTT_free(x, u) ((void)(x), (void)(u))
// The checks below keep the rasteriser inside the data; its internal assertions are not
// for font bytes to trip.
#define STBTT_assert(x) ((void)0)
VGR_STB_WARNINGS_OFF
#include <stb/stb_truetype.h>
VGR_STB_WARNINGS_ON

namespace plug {
namespace igraphics {

static_assert(sizeof(stbtt_fontinfo) <= kFTAFontInfoBytes, "rasteriser font record does not fit");
static_assert(alignof(stbtt_fontinfo) <= 8, "rasteriser font record alignment");

namespace {

stbtt_fontinfo* Info(FTAfont* font)
{
  return reinterpret_cast<stbtt_fontinfo*>(font->info);
}

// Big-endian reads bounded by a length.
struct Bytes
{
  const unsigned char* data;
  uint64_t size;

  bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
  unsigned U8(uint64_t o) const { return data[o]; }
  unsigned U16(uint64_t o) const { return (unsigned(data[o]) << 8) | data[o + 1]; }
  int S16(uint64_t o) const { return static_cast<int16_t>(U16(o)); }
  uint32_t U32(uint64_t o) const
  {
    return (uint32_t(data[o]) << 24) | (uint32_t(data[o + 1]) << 16) | (uint32_t(data[o + 2]) << 8) | data[o + 3];
  }
};

struct Table
{
  uint32_t offset = 0;
  uint32_t length = 0;
  bool found = false;
};

constexpr int kMaxComponentDepth = 16;
constexpr long kMaxComponentVisits = 1024;
constexpr double kMaxCoordinate = 32766.0;

// First table record with the tag, as the rasteriser finds it; it must lie in the data.
bool FindTable(const Bytes& b, uint32_t fontstart, const char* tag, Table& t)
{
  const unsigned numTables = b.U16(fontstart + 4);
  for (unsigned i = 0; i < numTables; ++i)
  {
    const uint64_t rec = uint64_t(fontstart) + 12 + 16 * uint64_t(i);
    if (std::memcmp(b.data + rec, tag, 4) == 0)
    {
      t.offset = b.U32(rec + 8);
      t.length = b.U32(rec + 12);
      t.found = true;
      return t.offset != 0 && b.Has(t.offset, t.length);
    }
  }
  return true;
}

// Checks the character-map subtable the rasteriser will choose (the last Unicode one).
bool CheckCharacterMap(const Bytes& b, const Table& cmap)
{
  if (cmap.length < 4)
    return false;
  const uint64_t end = uint64_t(cmap.offset) + cmap.length;
  const unsigned numTables = b.U16(cmap.offset + 2);
  if (4 + 8 * uint64_t(numTables) > cmap.length)
    return false;
  uint64_t map = 0;
  for (unsigned i = 0; i < numTables; ++i)
  {
    const uint64_t rec = uint64_t(cmap.offset) + 4 + 8 * uint64_t(i);
    const unsigned platform = b.U16(rec);
    const unsigned encoding = b.U16(rec + 2);
    if ((platform == 3 && (encoding == 1 || encoding == 10)) || platform == 0)
      map = cmap.offset + uint64_t(b.U32(rec + 4));
  }
  if (map == 0 || map + 4 > end)
    return false;
  const unsigned format = b.U16(map);
  switch (format)
  {
  case 0:
  {
    const unsigned bytes = b.U16(map + 2);
    return bytes <= 6 || map + bytes <= end;
  }
  case 6:
    return map + 10 <= end && map + 10 + 2 * uint64_t(b.U16(map + 8)) <= end;
  case 4:
  {
    if (map + 14 > end)
      return false;
    const unsigned segcount = b.U16(map + 6) >> 1;
    const unsigned searchRange = b.U16(map + 8) >> 1;
    const unsigned entrySelector = b.U16(map + 10);
    const unsigned rangeShift = b.U16(map + 12) >> 1;
    if (segcount == 0 || map + 16 + 8 * uint64_t(segcount) > end)
      return false;
    // The binary search trusts these three fields; they must be the consistent ones.
    if (entrySelector > 15 || searchRange != (1u << entrySelector) || searchRange > segcount ||
        rangeShift != segcount - searchRange)
      return false;
    const uint64_t endCount = map + 14;
    for (unsigned item = 0; item < segcount; ++item)
    {
      const unsigned last = b.U16(endCount + 2 * item);
      const unsigned start = b.U16(map + 16 + 2 * uint64_t(segcount) + 2 * item);
      const uint64_t rangeOffsetAt = map + 16 + 6 * uint64_t(segcount) + 2 * item;
      const unsigned offset = b.U16(rangeOffsetAt);
      if (offset != 0 && start <= last && rangeOffsetAt + offset + 2 * uint64_t(last - start) + 2 > end)
        return false;
    }
    return true;
  }
  case 12:
  case 13:
    return map + 16 <= end && map + 16 + 12 * uint64_t(b.U32(map + 12)) <= end;
  default:
    return true; // the rasteriser maps nothing through formats it does not know
  }
}

// Per-glyph facts gathered while checking the outlines.
struct GlyphCheck
{
  const Bytes& b;
  uint32_t glyf = 0;
  uint32_t glyfLength = 0;
  uint32_t loca = 0;
  int locaFormat = 0;
  int numGlyphs = 0;
  unsigned char* state = nullptr; // 0 unseen, 1 in progress, 2 done
  int* extent = nullptr;          // largest coordinate magnitude
  long* visits = nullptr;         // rasteriser shape calls for the glyph
  int* nesting = nullptr;         // levels of components below the glyph
  unsigned char* flags = nullptr; // scratch: one flag per point

  // The glyph's bytes [g1, g2) within the glyph table; false when they are not.
  bool Range(int glyph, uint64_t& g1, uint64_t& g2) const
  {
    if (locaFormat == 0)
    {
      g1 = 2 * uint64_t(b.U16(loca + 2 * uint64_t(glyph)));
      g2 = 2 * uint64_t(b.U16(loca + 2 * uint64_t(glyph) + 2));
    }
    else
    {
      g1 = b.U32(loca + 4 * uint64_t(glyph));
      g2 = b.U32(loca + 4 * uint64_t(glyph) + 4);
    }
    return g1 == g2 || (g1 < g2 && g2 <= glyfLength);
  }

  bool Simple(uint64_t g, uint64_t len, int contours, int& outExtent)
  {
    uint64_t pos = 10 + 2 * uint64_t(contours);
    if (pos + 2 > len)
      return false;
    const unsigned ins = b.U16(g + pos);
    const unsigned n = 1 + b.U16(g + pos - 2);
    pos += 2 + uint64_t(ins);
    unsigned flagcount = 0;
    unsigned char f = 0;
    for (unsigned i = 0; i < n; ++i)
    {
      if (flagcount == 0)
      {
        if (pos >= len)
          return false;
        f = static_cast<unsigned char>(b.U8(g + pos++));
        if (f & 8)
        {
          if (pos >= len)
            return false;
          flagcount = b.U8(g + pos++);
        }
      }
      else
        --flagcount;
      flags[i] = f;
    }
    int largest = 0;
    for (int axis = 0; axis < 2; ++axis)
    {
      const unsigned shortBit = axis == 0 ? 2 : 4;
      const unsigned sameBit = axis == 0 ? 16 : 32;
      int64_t v = 0;
      for (unsigned i = 0; i < n; ++i)
      {
        if (flags[i] & shortBit)
        {
          if (pos + 1 > len)
            return false;
          const int d = int(b.U8(g + pos++));
          v += (flags[i] & sameBit) ? d : -d;
        }
        else if (!(flags[i] & sameBit))
        {
          if (pos + 2 > len)
            return false;
          v += b.S16(g + pos);
          pos += 2;
        }
        const int stored = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xffff));
        largest = std::max(largest, std::abs(stored));
      }
    }
    // A contour that starts off-curve reads the point after its first one, which must exist.
    if (!(flags[n - 1] & 1))
    {
      bool startsAtLast = n == 1;
      for (int c = 0; c < contours && !startsAtLast; ++c)
        startsAtLast = b.U16(g + 10 + 2 * uint64_t(c)) + 2u == n;
      if (startsAtLast)
        return false;
    }
    outExtent = largest;
    return true;
  }

  bool Glyph(int glyph, int depth)
  {
    if (glyph >= numGlyphs)
    {
      return true; // the rasteriser draws nothing for it
    }
    if (state[glyph] == 2)
      return true;
    if (state[glyph] == 1 || depth > kMaxComponentDepth)
      return false;
    state[glyph] = 1;
    uint64_t g1 = 0, g2 = 0;
    if (!Range(glyph, g1, g2))
      return false;
    extent[glyph] = 0;
    visits[glyph] = 1;
    nesting[glyph] = 0;
    if (g1 != g2)
    {
      const uint64_t g = uint64_t(glyf) + g1;
      const uint64_t len = g2 - g1;
      if (len < 10)
        return false;
      const int contours = b.S16(g);
      if (contours > 0 && !Simple(g, len, contours, extent[glyph]))
        return false;
      if (contours < 0 && !Compound(glyph, g, len, depth))
        return false;
    }
    state[glyph] = 2;
    return true;
  }

  bool Compound(int glyph, uint64_t g, uint64_t len, int depth)
  {
    uint64_t pos = 10;
    bool more = true;
    double largest = 0.0;
    while (more)
    {
      if (pos + 4 > len)
        return false;
      const unsigned f = b.U16(g + pos);
      const int component = int(b.U16(g + pos + 2));
      pos += 4;
      double mtx[6] = {1, 0, 0, 1, 0, 0};
      if (f & 2)
      {
        const uint64_t need = (f & 1) ? 4 : 2;
        if (pos + need > len)
          return false;
        mtx[4] = (f & 1) ? b.S16(g + pos) : static_cast<signed char>(b.U8(g + pos));
        mtx[5] = (f & 1) ? b.S16(g + pos + 2) : static_cast<signed char>(b.U8(g + pos + 1));
        pos += need;
      }
      const uint64_t scaleBytes = (f & 8) ? 2 : (f & 0x40) ? 4 : (f & 0x80) ? 8 : 0;
      if (pos + scaleBytes > len)
        return false;
      if (f & 8)
        mtx[0] = mtx[3] = b.S16(g + pos) / 16384.0;
      else if (f & 0x40)
      {
        mtx[0] = b.S16(g + pos) / 16384.0;
        mtx[3] = b.S16(g + pos + 2) / 16384.0;
      }
      else if (f & 0x80)
      {
        mtx[0] = b.S16(g + pos) / 16384.0;
        mtx[1] = b.S16(g + pos + 2) / 16384.0;
        mtx[2] = b.S16(g + pos + 4) / 16384.0;
        mtx[3] = b.S16(g + pos + 6) / 16384.0;
      }
      pos += scaleBytes;
      if (!Glyph(component, depth + 1))
        return false;
      if (component < numGlyphs)
      {
        visits[glyph] += visits[component];
        nesting[glyph] = std::max(nesting[glyph], nesting[component] + 1);
        if (visits[glyph] > kMaxComponentVisits || nesting[glyph] > kMaxComponentDepth)
          return false;
        // The rasteriser transforms each component's points into 16-bit coordinates.
        const double e = extent[component];
        const double m = std::sqrt(mtx[0] * mtx[0] + mtx[1] * mtx[1]);
        const double n = std::sqrt(mtx[2] * mtx[2] + mtx[3] * mtx[3]);
        const double x = m * ((std::fabs(mtx[0]) + std::fabs(mtx[2])) * e + std::fabs(mtx[4]));
        const double y = n * ((std::fabs(mtx[1]) + std::fabs(mtx[3])) * e + std::fabs(mtx[5]));
        largest = std::max(largest, std::max(x, y));
        if (largest > kMaxCoordinate)
          return false;
      }
      more = (f & 0x20) != 0;
    }
    extent[glyph] = static_cast<int>(std::ceil(largest));
    return true;
  }
};

bool CheckOutlines(const Bytes& b, const Table& loca, const Table& glyf, int locaFormat, int numGlyphs)
{
  if (locaFormat > 1)
    return true; // the rasteriser reads no outline through an unknown index format
  const uint64_t entry = locaFormat == 0 ? 2 : 4;
  if ((uint64_t(numGlyphs) + 1) * entry > loca.length)
    return false;
  const std::size_t n = static_cast<std::size_t>(numGlyphs);
  auto* state = static_cast<unsigned char*>(vgrCalloc(n + 1, 1));
  auto* extent = static_cast<int*>(vgrCalloc(n + 1, sizeof(int)));
  auto* visits = static_cast<long*>(vgrCalloc(n + 1, sizeof(long)));
  auto* nesting = static_cast<int*>(vgrCalloc(n + 1, sizeof(int)));
  auto* flags = static_cast<unsigned char*>(vgrMalloc(65536));
  bool ok = state && extent && visits && nesting && flags;
  if (ok)
  {
    GlyphCheck check{b};
    check.glyf = glyf.offset;
    check.glyfLength = glyf.length;
    check.loca = loca.offset;
    check.locaFormat = locaFormat;
    check.numGlyphs = numGlyphs;
    check.state = state;
    check.extent = extent;
    check.visits = visits;
    check.nesting = nesting;
    check.flags = flags;
    for (int glyph = 0; ok && glyph < numGlyphs; ++glyph)
      ok = check.Glyph(glyph, 0);
  }
  vgrFree(state);
  vgrFree(extent);
  vgrFree(visits);
  vgrFree(nesting);
  vgrFree(flags);
  return ok;
}

// Checks everything the rasteriser and this layer will read of the face at fontstart and
// notes where the tables lie.
bool CheckFont(const Bytes& b, uint32_t fontstart, FTAfontTables& t)
{
  if (!b.Has(fontstart, 12))
    return false;
  const uint32_t version = b.U32(fontstart);
  if (version != 0x00010000u && version != 0x74727565u /* true */ && version != 0x31000000u &&
      version != 0x4f54544fu /* OTTO */)
    return false;
  const unsigned numTables = b.U16(fontstart + 4);
  if (!b.Has(uint64_t(fontstart) + 12, 16 * uint64_t(numTables)))
    return false;

  Table cmap, loca, head, glyf, hhea, hmtx, kern, maxp, cff;
  if (!FindTable(b, fontstart, "cmap", cmap) || !FindTable(b, fontstart, "loca", loca) ||
      !FindTable(b, fontstart, "head", head) || !FindTable(b, fontstart, "glyf", glyf) ||
      !FindTable(b, fontstart, "hhea", hhea) || !FindTable(b, fontstart, "hmtx", hmtx) ||
      !FindTable(b, fontstart, "kern", kern) || !FindTable(b, fontstart, "maxp", maxp) ||
      !FindTable(b, fontstart, "CFF ", cff))
    return false;
  // The rasteriser reads TrueType outlines when there is a glyph table, CFF ones otherwise.
  if (!cmap.found || !head.found || !hhea.found || !hmtx.found || !maxp.found ||
      !(glyf.found ? loca.found : cff.found))
    return false;
  if (head.length < 54 || hhea.length < 36 || maxp.length < 6)
    return false;

  t.numGlyphs = int(b.U16(maxp.offset + 4));
  t.ascent = b.S16(hhea.offset + 4);
  t.descent = b.S16(hhea.offset + 6);
  t.lineGap = b.S16(hhea.offset + 8);
  t.numLongHorMetrics = int(b.U16(hhea.offset + 34));
  t.hmtx = int(hmtx.offset);
  t.hmtxLength = int(hmtx.length);
  t.kern = kern.found ? int(kern.offset) : 0;
  t.kernLength = kern.found ? int(kern.length) : 0;
  // A font whose ascent does not exceed its descent has no height to scale by.
  if (t.ascent - t.descent <= 0)
    return false;

  if (!CheckCharacterMap(b, cmap))
    return false;
  if (!glyf.found)
    return ftaCheckCffOutlines(b.data + cff.offset, cff.length, t.numGlyphs);
  return CheckOutlines(b, loca, glyf, int(b.U16(head.offset + 50)), t.numGlyphs);
}

} // namespace

int ftaLoadFontInfo(FTAcontext* ctx, FTAfont* font, unsigned char* data, int dataSize, int fontIndex)
{
  if (!data || dataSize < 12 || fontIndex < 0)
    return 0;
  const Bytes b{data, uint64_t(dataSize)};
  // The face offset: a plain font has face 0 only; a collection lists its faces.
  if (std::memcmp(data, "ttcf", 4) == 0 && !b.Has(12, 4 * (uint64_t(fontIndex) + 1)))
    return 0;
  const int fontstart = stbtt_GetFontOffsetForIndex(data, fontIndex);
  if (fontstart < 0)
    return 0;
  std::memset(font->info, 0, sizeof(font->info));
  FTAfontTables tables{};
  if (!CheckFont(b, uint32_t(fontstart), tables))
    return 0;
  stbtt_fontinfo* info = Info(font);
  info->userdata = ctx;
  if (!stbtt_InitFont(info, data, fontstart))
    return 0;
  info->userdata = ctx;
  font->tables = tables;
  return 1;
}

int ftaFindGlyphIndex(FTAfont* font, int codepoint)
{
  const int glyph = stbtt_FindGlyphIndex(Info(font), codepoint);
  return glyph > 0 && glyph < font->tables.numGlyphs ? glyph : 0;
}

int ftaGlyphMetrics(FTAfont* font, int glyph, float scale, int* advance, int* lsb, int* x0, int* y0, int* x1,
                    int* y1)
{
  const FTAfontTables& t = font->tables;
  const Bytes b{font->data, uint64_t(font->dataSize)};
  // Horizontal metrics: a long entry per glyph up to numLongHorMetrics, then bearings only.
  int adv = 0, bearing = 0;
  const int nlong = t.numLongHorMetrics;
  if (nlong > 0)
  {
    const uint64_t longAt = 4 * uint64_t(glyph < nlong ? glyph : nlong - 1);
    if (longAt + 4 <= uint64_t(t.hmtxLength))
      adv = b.S16(t.hmtx + longAt);
    const uint64_t bearingAt = glyph < nlong ? longAt + 2 : 4 * uint64_t(nlong) + 2 * uint64_t(glyph - nlong);
    if (bearingAt + 2 <= uint64_t(t.hmtxLength))
      bearing = b.S16(t.hmtx + bearingAt);
  }
  *advance = adv;
  *lsb = bearing;
  stbtt_GetGlyphBitmapBox(Info(font), glyph, scale, scale, x0, y0, x1, y1);
  if (*x1 < *x0)
    *x1 = *x0;
  if (*y1 < *y0)
    *y1 = *y0;
  return 1;
}

int ftaKernAdvance(FTAfont* font, int glyph1, int glyph2)
{
  const FTAfontTables& t = font->tables;
  if (!t.kern || t.kernLength < 18)
    return 0;
  const Bytes b{font->data, uint64_t(font->dataSize)};
  const uint64_t k = uint64_t(t.kern);
  if (b.U16(k + 2) < 1 || b.U16(k + 8) != 1)
    return 0;
  const long available = (t.kernLength - 18) / 6;
  long l = 0;
  long r = std::min(long(b.U16(k + 10)), available) - 1;
  const uint32_t needle = (uint32_t(glyph1) << 16) | (uint32_t(glyph2) & 0xffff);
  while (l <= r)
  {
    const long m = (l + r) >> 1;
    const uint32_t straw = b.U32(k + 18 + 6 * uint64_t(m));
    if (needle < straw)
      r = m - 1;
    else if (needle > straw)
      l = m + 1;
    else
      return b.S16(k + 22 + 6 * uint64_t(m));
  }
  return 0;
}

void ftaRenderGlyphBitmap(FTAfont* font, unsigned char* output, int outWidth, int outHeight, int outStride,
                          float scaleX, float scaleY, int glyph)
{
  stbtt_fontinfo* info = Info(font);
  auto* ctx = static_cast<FTAcontext*>(info->userdata);
  std::jmp_buf env;
  ctx->scratchJump = &env;
  if (setjmp(env) == 0)
    stbtt_MakeGlyphBitmap(info, output, outWidth, outHeight, outStride, scaleX, scaleY, glyph);
  else
  {
    for (int y = 0; y < outHeight; ++y)
      std::memset(output + y * outStride, 0, static_cast<std::size_t>(outWidth));
  }
  ctx->scratchJump = nullptr;
}

float ftaPixelHeightScale(FTAfont* font, float size)
{
  return size / static_cast<float>(font->tables.ascent - font->tables.descent);
}

} // namespace igraphics
} // namespace plug
