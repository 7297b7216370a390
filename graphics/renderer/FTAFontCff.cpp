// The font checker's part for CFF outlines (the 'CFF ' table of an OpenType font). The
// rasteriser reads that table as if it were 512 MB long and follows its offsets without
// looking at the table's end, so everything it reaches is checked here first, read the way
// the rasteriser reads it:
//
// - the header, then the Name, Top DICT, String and Global Subrs INDEXes one after another;
//   every INDEX has an offset size of 1 to 4, offsets that start at 1, never decrease and end
//   inside the table;
// - DICTs (the Top DICT, Private DICTs, the font DICTs of a CID-keyed font) parse to their
//   end: at most 48 operands before each operator, no reserved byte, every real number's
//   nibbles terminated, and each operator the rasteriser reads given integer operands in the
//   number it takes; a Private DICT and its local Subrs INDEX lie inside the table;
// - a CID-keyed font's FDArray and FDSelect (formats 0 and 3) cover every glyph with a font
//   DICT that exists;
// - every charstring is run as the rasteriser runs it, without drawing: its argument stack
//   (48), subroutine calls (10 deep, numbered with the bias of the INDEX they call into),
//   hint masks as long as the stems seen so far make them, all inside the charstring; each
//   point it draws lies within the 16-bit coordinates the rasteriser stores; it ends with
//   endchar; and the operations it takes, per glyph and over the font, are bounded, so that
//   subroutines calling one another cannot multiply a small font into unbounded work.
// A charstring the rasteriser would stop drawing because it is malformed (a reserved
// operator, too few arguments) makes the font refused too. The legal operators it does not
// implement (dotsection, the arithmetic ones) end the check of that glyph: the rasteriser
// reads no further and draws nothing of it.

#include "graphics/renderer/FTAContext.h"

#include <cmath>
#include <cstdint>

namespace plug {
namespace igraphics {
namespace {

constexpr int kMaxCffStack = 48;
constexpr int kMaxSubrDepth = 10;
constexpr int kMaxFontDicts = 256; // FDSelect names a font DICT in one byte
constexpr long kMaxGlyphOperations = 20000;
constexpr float kMaxCffCoordinate = 32766.0f;

// Big-endian reads inside the table.
struct Cff
{
  const unsigned char* data;
  uint64_t size;

  bool Has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
  unsigned U8(uint64_t o) const { return data[o]; }
  uint32_t Get(uint64_t o, unsigned n) const
  {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i)
      v = (v << 8) | data[o + i];
    return v;
  }
};

// An INDEX checked to lie inside the table; element i holds [base + offset i, base + offset i+1).
struct Index
{
  uint64_t at = 0;
  unsigned count = 0;
  unsigned offSize = 0;
  uint64_t base = 0;
  uint64_t end = 0;

  void Element(const Cff& c, unsigned i, uint64_t& begin, uint64_t& finish) const
  {
    begin = base + c.Get(at + 3 + uint64_t(i) * offSize, offSize);
    finish = base + c.Get(at + 3 + (uint64_t(i) + 1) * offSize, offSize);
  }
};

bool ReadIndex(const Cff& c, uint64_t at, Index& index)
{
  index = Index{};
  index.at = at;
  if (!c.Has(at, 2))
    return false;
  index.count = c.Get(at, 2);
  if (index.count == 0)
  {
    index.base = index.end = at + 2;
    return true;
  }
  if (!c.Has(at, 3))
    return false;
  index.offSize = c.U8(at + 2);
  if (index.offSize < 1 || index.offSize > 4)
    return false;
  const uint64_t offsets = at + 3;
  if (!c.Has(offsets, (uint64_t(index.count) + 1) * index.offSize))
    return false;
  uint32_t previous = c.Get(offsets, index.offSize);
  if (previous != 1)
    return false;
  for (unsigned i = 1; i <= index.count; ++i)
  {
    const uint32_t offset = c.Get(offsets + uint64_t(i) * index.offSize, index.offSize);
    if (offset < previous)
      return false;
    previous = offset;
  }
  index.base = offsets + (uint64_t(index.count) + 1) * index.offSize - 1;
  if (!c.Has(index.base, previous))
    return false;
  index.end = index.base + previous;
  return true;
}

// The DICT operators the rasteriser reads, with the values it takes from them (integers as
// it decodes them: the 16-bit form unsigned, negative values wrapped).
struct Dict
{
  uint32_t charStrings = 0;
  uint32_t charstringType = 2;
  uint32_t fdArray = 0;
  uint32_t fdSelect = 0;
  uint32_t privateSize = 0;
  uint32_t privateOffset = 0;
  uint32_t subrs = 0;
  unsigned seen = 0;

  // False when an operator the rasteriser reads comes twice or with other operands.
  bool Take(int op, const uint32_t* operands, const bool* integers, int n)
  {
    struct Key
    {
      int op;
      int operands;
      uint32_t* first;
      uint32_t* second;
    };
    const Key keys[] = {{17, 1, &charStrings, nullptr},    {0x106, 1, &charstringType, nullptr},
                        {0x124, 1, &fdArray, nullptr},     {0x125, 1, &fdSelect, nullptr},
                        {18, 2, &privateSize, &privateOffset}, {19, 1, &subrs, nullptr}};
    for (unsigned k = 0; k < sizeof(keys) / sizeof(keys[0]); ++k)
    {
      if (keys[k].op != op)
        continue;
      if ((seen & (1u << k)) || n != keys[k].operands)
        return false;
      for (int i = 0; i < n; ++i)
        if (!integers[i])
          return false;
      seen |= 1u << k;
      *keys[k].first = operands[0];
      if (keys[k].second)
        *keys[k].second = operands[1];
    }
    return true;
  }
};

bool ParseDict(const Cff& c, uint64_t pos, uint64_t end, Dict& dict)
{
  uint32_t operands[kMaxCffStack];
  bool integers[kMaxCffStack];
  int n = 0;
  while (pos < end)
  {
    const unsigned b0 = c.U8(pos);
    if (b0 <= 21)
    {
      int op = int(b0);
      ++pos;
      if (b0 == 12)
      {
        if (pos >= end)
          return false;
        op = 0x100 | int(c.U8(pos++));
      }
      if (!dict.Take(op, operands, integers, n))
        return false;
      n = 0;
      continue;
    }
    if (n == kMaxCffStack)
      return false;
    uint32_t value = 0;
    bool integer = true;
    uint64_t length = 1;
    if (b0 == 28)
      length = 3;
    else if (b0 == 29)
      length = 5;
    else if (b0 >= 247 && b0 <= 254)
      length = 2;
    else if (b0 != 30 && (b0 < 32 || b0 > 246))
      return false; // reserved
    if (end - pos < length)
      return false;
    if (b0 == 28 || b0 == 29)
      value = c.Get(pos + 1, unsigned(length - 1));
    else if (b0 >= 247 && b0 <= 250)
      value = uint32_t((int(b0) - 247) * 256 + int(c.U8(pos + 1)) + 108);
    else if (b0 >= 251 && b0 <= 254)
      value = uint32_t(-(int(b0) - 251) * 256 - int(c.U8(pos + 1)) - 108);
    else if (b0 != 30)
      value = uint32_t(int(b0) - 139);
    pos += length;
    if (b0 == 30)
    {
      // A real number: nibbles up to the one that ends it; 0xd is reserved.
      integer = false;
      bool ended = false;
      while (!ended)
      {
        if (pos >= end)
          return false;
        const unsigned byte = c.U8(pos++);
        const unsigned high = byte >> 4, low = byte & 0xf;
        if (high == 0xd || (high != 0xf && low == 0xd))
          return false;
        ended = high == 0xf || low == 0xf;
      }
    }
    operands[n] = value;
    integers[n] = integer;
    ++n;
  }
  return n == 0;
}

// The Private DICT a DICT points to and its local Subrs, as the rasteriser finds them; an
// empty INDEX when there are none.
bool ReadPrivate(const Cff& c, const Dict& owner, Index& subrs)
{
  subrs = Index{};
  if (owner.privateSize == 0 || owner.privateOffset == 0)
    return true;
  if (!c.Has(owner.privateOffset, owner.privateSize))
    return false;
  Dict priv;
  if (!ParseDict(c, owner.privateOffset, uint64_t(owner.privateOffset) + owner.privateSize, priv))
    return false;
  if (priv.subrs == 0)
    return true;
  const uint64_t at = uint64_t(owner.privateOffset) + priv.subrs;
  return at < c.size && ReadIndex(c, at, subrs);
}

// Where each glyph's local Subrs come from in a CID-keyed font.
struct FontDicts
{
  Index subrs[kMaxFontDicts];
  unsigned count = 0;
  uint64_t select = 0;
  unsigned format = 0;
  unsigned ranges = 0;
  // Format 3: the range the last glyph asked for fell in (glyphs are asked for in order).
  unsigned range = 0;

  bool Read(const Cff& c, const Dict& top, unsigned numGlyphs)
  {
    Index array;
    if (top.fdSelect == 0 || !ReadIndex(c, top.fdArray, array) || array.count == 0 || array.count > kMaxFontDicts)
      return false;
    count = array.count;
    for (unsigned i = 0; i < count; ++i)
    {
      uint64_t begin = 0, end = 0;
      array.Element(c, i, begin, end);
      Dict fd;
      if (!ParseDict(c, begin, end, fd) || !ReadPrivate(c, fd, subrs[i]))
        return false;
    }
    select = top.fdSelect;
    if (!c.Has(select, 1))
      return false;
    format = c.U8(select);
    if (format == 0)
    {
      if (!c.Has(select + 1, numGlyphs))
        return false;
      for (unsigned g = 0; g < numGlyphs; ++g)
        if (c.U8(select + 1 + g) >= count)
          return false;
      return true;
    }
    if (format != 3 || !c.Has(select + 1, 4))
      return false;
    ranges = c.Get(select + 1, 2);
    if (ranges == 0 || !c.Has(select + 3, 3 * uint64_t(ranges) + 2) || c.Get(select + 3, 2) != 0)
      return false;
    for (unsigned r = 0; r < ranges; ++r)
    {
      const uint64_t at = select + 3 + 3 * uint64_t(r);
      if (c.U8(at + 2) >= count || c.Get(at + 3, 2) <= c.Get(at, 2))
        return false;
    }
    return c.Get(select + 3 + 3 * uint64_t(ranges), 2) == numGlyphs;
  }

  const Index& ForGlyph(const Cff& c, unsigned glyph)
  {
    if (format == 0)
      return subrs[c.U8(select + 1 + glyph)];
    while (glyph >= c.Get(select + 3 + 3 * uint64_t(range) + 3, 2))
      ++range;
    return subrs[c.U8(select + 3 + 3 * uint64_t(range) + 2)];
  }
};

// The current point as the rasteriser moves it, in its float arithmetic; false once a point
// leaves the coordinates it stores.
struct Pen
{
  float x = 0, y = 0;

  static bool In(float v) { return v >= -kMaxCffCoordinate && v <= kMaxCffCoordinate; }
  bool Line(float dx, float dy)
  {
    x = x + dx;
    y = y + dy;
    return In(x) && In(y);
  }
  bool Curve(float dx1, float dy1, float dx2, float dy2, float dx3, float dy3)
  {
    const float cx1 = x + dx1, cy1 = y + dy1;
    const float cx2 = cx1 + dx2, cy2 = cy1 + dy2;
    x = cx2 + dx3;
    y = cy2 + dy3;
    return In(cx1) && In(cy1) && In(cx2) && In(cy2) && In(x) && In(y);
  }
};

// One subroutine of an INDEX by its biased number; false when there is none.
bool Subroutine(const Cff& c, const Index& subrs, int number, uint64_t& begin, uint64_t& end)
{
  const int bias = subrs.count >= 33900 ? 32768 : subrs.count >= 1240 ? 1131 : 107;
  const long n = long(number) + bias;
  if (n < 0 || n >= long(subrs.count))
    return false;
  subrs.Element(c, unsigned(n), begin, end);
  return end > begin;
}

// Runs one charstring as the rasteriser does; budget is what the font has left to spend.
bool RunCharstring(const Cff& c, uint64_t pos, uint64_t end, const Index& local, const Index& global, long& budget)
{
  float s[kMaxCffStack];
  int sp = 0;
  int maskBits = 0;
  bool inHeader = true;
  struct Frame
  {
    uint64_t pos, end;
  } calls[kMaxSubrDepth];
  int depth = 0;
  Pen pen;
  for (long ops = 0;; ++ops)
  {
    if (pos >= end || ops >= kMaxGlyphOperations || --budget < 0)
      return false; // no endchar, or too much work
    const unsigned b0 = c.U8(pos++);
    bool clear = true;
    bool ok = true;
    int i = 0;
    switch (b0)
    {
    case 0x13: // hintmask
    case 0x14: // cntrmask
    {
      if (inHeader)
        maskBits += sp / 2;
      inHeader = false;
      const uint64_t bytes = (uint64_t(maskBits) + 7) / 8;
      ok = end - pos >= bytes;
      pos += ok ? bytes : 0;
      break;
    }
    case 0x01: // hstem
    case 0x03: // vstem
    case 0x12: // hstemhm
    case 0x17: // vstemhm
      maskBits += sp / 2;
      break;
    case 0x15: // rmoveto
    case 0x04: // vmoveto
    case 0x16: // hmoveto
      inHeader = false;
      if (sp < (b0 == 0x15 ? 2 : 1))
        return false;
      ok = b0 == 0x15 ? pen.Line(s[sp - 2], s[sp - 1]) : b0 == 0x04 ? pen.Line(0, s[sp - 1]) : pen.Line(s[sp - 1], 0);
      break;
    case 0x05: // rlineto
      if (sp < 2)
        return false;
      for (; ok && i + 1 < sp; i += 2)
        ok = pen.Line(s[i], s[i + 1]);
      break;
    case 0x06: // hlineto
    case 0x07: // vlineto
    {
      if (sp < 1)
        return false;
      bool horizontal = b0 == 0x06;
      for (; ok && i < sp; ++i, horizontal = !horizontal)
        ok = horizontal ? pen.Line(s[i], 0) : pen.Line(0, s[i]);
      break;
    }
    case 0x1E: // vhcurveto
    case 0x1F: // hvcurveto
    {
      if (sp < 4)
        return false;
      bool vertical = b0 == 0x1E;
      for (; ok && i + 3 < sp; i += 4, vertical = !vertical)
      {
        const float last = sp - i == 5 ? s[i + 4] : 0.0f;
        ok = vertical ? pen.Curve(0, s[i], s[i + 1], s[i + 2], s[i + 3], last)
                      : pen.Curve(s[i], 0, s[i + 1], s[i + 2], last, s[i + 3]);
      }
      break;
    }
    case 0x08: // rrcurveto
      if (sp < 6)
        return false;
      for (; ok && i + 5 < sp; i += 6)
        ok = pen.Curve(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]);
      break;
    case 0x18: // rcurveline
      if (sp < 8)
        return false;
      for (; ok && i + 5 < sp - 2; i += 6)
        ok = pen.Curve(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]);
      ok = ok && i + 1 < sp && pen.Line(s[i], s[i + 1]);
      break;
    case 0x19: // rlinecurve
      if (sp < 8)
        return false;
      for (; ok && i + 1 < sp - 6; i += 2)
        ok = pen.Line(s[i], s[i + 1]);
      ok = ok && i + 5 < sp && pen.Curve(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5]);
      break;
    case 0x1A: // vvcurveto
    case 0x1B: // hhcurveto
    {
      if (sp < 4)
        return false;
      float f = 0.0f;
      if (sp & 1)
        f = s[i++];
      for (; ok && i + 3 < sp; i += 4, f = 0.0f)
        ok = b0 == 0x1B ? pen.Curve(s[i], f, s[i + 1], s[i + 2], s[i + 3], 0.0f)
                        : pen.Curve(f, s[i], s[i + 1], s[i + 2], 0.0f, s[i + 3]);
      break;
    }
    case 0x0A: // callsubr
    case 0x1D: // callgsubr
    {
      if (sp < 1 || depth >= kMaxSubrDepth)
        return false;
      const int number = static_cast<int>(s[--sp]);
      calls[depth++] = Frame{pos, end};
      if (!Subroutine(c, b0 == 0x0A ? local : global, number, pos, end))
        return false;
      clear = false;
      break;
    }
    case 0x0B: // return
      if (depth <= 0)
        return false;
      --depth;
      pos = calls[depth].pos;
      end = calls[depth].end;
      clear = false;
      break;
    case 0x0E: // endchar
      return true;
    case 0x0C:
    {
      if (pos >= end)
        return false;
      const unsigned b1 = c.U8(pos++);
      if (b1 == 0x22 && sp >= 7) // hflex
        ok = pen.Curve(s[0], 0, s[1], s[2], s[3], 0) && pen.Curve(s[4], 0, s[5], -s[2], s[6], 0);
      else if (b1 == 0x23 && sp >= 13) // flex
        ok = pen.Curve(s[0], s[1], s[2], s[3], s[4], s[5]) && pen.Curve(s[6], s[7], s[8], s[9], s[10], s[11]);
      else if (b1 == 0x24 && sp >= 9) // hflex1
        ok = pen.Curve(s[0], s[1], s[2], s[3], s[4], 0) &&
             pen.Curve(s[5], 0, s[6], s[7], s[8], -(s[1] + s[3] + s[7]));
      else if (b1 == 0x25 && sp >= 11) // flex1
      {
        const float dx = s[0] + s[2] + s[4] + s[6] + s[8];
        const float dy = s[1] + s[3] + s[5] + s[7] + s[9];
        float dx6 = s[10], dy6 = s[10];
        if (std::fabs(dx) > std::fabs(dy))
          dy6 = -dy;
        else
          dx6 = -dx;
        ok = pen.Curve(s[0], s[1], s[2], s[3], s[4], s[5]) && pen.Curve(s[6], s[7], s[8], s[9], dx6, dy6);
      }
      else if (b1 == 0 || (b1 >= 3 && b1 <= 30 && b1 != 6 && b1 != 7 && b1 != 8 && b1 != 13 && b1 != 16 &&
                           b1 != 17 && b1 != 19 && b1 != 25))
        return true; // dotsection or arithmetic: legal, but the rasteriser stops and draws nothing
      else
        return false; // reserved, or a flex with too few arguments
      break;
    }
    default:
    {
      if (b0 != 255 && b0 != 28 && b0 < 32)
        return false; // reserved
      const uint64_t length = b0 == 255 ? 4 : b0 == 28 ? 2 : b0 >= 247 ? 1 : 0;
      if (end - pos < length || sp >= kMaxCffStack)
        return false;
      float f = 0.0f;
      if (b0 == 255)
        f = static_cast<float>(static_cast<int32_t>(c.Get(pos, 4))) / 0x10000;
      else if (b0 == 28)
        f = static_cast<float>(static_cast<int16_t>(c.Get(pos, 2)));
      else if (b0 >= 251)
        f = static_cast<float>(-(int(b0) - 251) * 256 - int(c.U8(pos)) - 108);
      else if (b0 >= 247)
        f = static_cast<float>((int(b0) - 247) * 256 + int(c.U8(pos)) + 108);
      else
        f = static_cast<float>(int(b0) - 139);
      pos += length;
      s[sp++] = f;
      clear = false;
      break;
    }
    }
    if (!ok)
      return false;
    if (clear)
      sp = 0;
  }
}

} // namespace

bool ftaCheckCffOutlines(const unsigned char* table, uint32_t length, int numGlyphs)
{
  const Cff c{table, length};
  // Version 1 only (CFF2 is another table), and a header the INDEXes follow.
  if (!c.Has(0, 4) || c.U8(0) != 1 || c.U8(2) < 4)
    return false;
  Index names, tops, strings, global, charStrings;
  if (!ReadIndex(c, c.U8(2), names) || !ReadIndex(c, names.end, tops) || tops.count == 0 ||
      !ReadIndex(c, tops.end, strings) || !ReadIndex(c, strings.end, global))
    return false;
  uint64_t begin = 0, end = 0;
  tops.Element(c, 0, begin, end);
  Dict top;
  if (!ParseDict(c, begin, end, top) || top.charstringType != 2 || top.charStrings == 0 ||
      !ReadIndex(c, top.charStrings, charStrings) || charStrings.count < unsigned(numGlyphs))
    return false;
  Index topSubrs;
  if (!ReadPrivate(c, top, topSubrs))
    return false;
  FontDicts fonts;
  bool ok = top.fdArray == 0 || fonts.Read(c, top, charStrings.count);
  long budget = 32 * long(length) + (1L << 20);
  for (unsigned g = 0; ok && g < charStrings.count; ++g)
  {
    charStrings.Element(c, g, begin, end);
    const Index& local = top.fdArray != 0 ? fonts.ForGlyph(c, g) : topSubrs;
    ok = RunCharstring(c, begin, end, local, global, budget);
  }
  return ok;
}

} // namespace igraphics
} // namespace plug
