#include "standin/coretext/FontFile.h"

#include "standin/coretext/StbTrueType.h"
#include "standin/foundation/Unicode.h"

#include <cstring>

namespace standin::fontfile {

namespace {

uint32_t U16(const uint8_t* p) { return (static_cast<uint32_t>(p[0]) << 8) | p[1]; }
uint32_t U32(const uint8_t* p) { return (U16(p) << 16) | U16(p + 2); }

bool Tag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Whether [offset, offset + length) lies inside the data.
bool Inside(size_t size, uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; }

bool IsSingleFont(const uint8_t* data, size_t size)
{
  if (size < 4)
    return false;
  static const uint8_t kTrueType[4] = {0, 1, 0, 0};
  static const uint8_t kTrueTypeOne[4] = {'1', 0, 0, 0};
  return std::memcmp(data, kTrueType, 4) == 0 || std::memcmp(data, kTrueTypeOne, 4) == 0 || Tag(data, "true") ||
         Tag(data, "OTTO") || Tag(data, "typ1");
}

// The collection's face count as stb_truetype reads it, or -1 when the data is no collection
// it accepts.
long CollectionCount(const uint8_t* data, size_t size)
{
  if (size < 12 || !Tag(data, "ttcf"))
    return -1;
  const uint32_t version = U32(data + 4);
  if (version != 0x00010000 && version != 0x00020000)
    return -1;
  return static_cast<long>(static_cast<int32_t>(U32(data + 8)));
}

// Offset of face index as stb_truetype finds it; -1 when there is none inside the data.
int64_t FaceOffset(const uint8_t* data, size_t size, int index)
{
  if (index < 0)
    return -1;
  if (IsSingleFont(data, size))
    return index == 0 ? 0 : -1;
  const long count = CollectionCount(data, size);
  if (index >= count || !Inside(size, 12 + 4ull * static_cast<uint64_t>(index), 4))
    return -1;
  // stb_truetype takes the offset as a signed int.
  const int32_t offset = static_cast<int32_t>(U32(data + 12 + 4 * static_cast<size_t>(index)));
  return offset;
}

// The first table record with the tag, as stb_truetype's lookup finds it; offset 0 when none.
struct Table
{
  uint32_t offset = 0;
  uint32_t length = 0;
};

Table FindTable(const uint8_t* data, size_t face, const char* tag)
{
  const uint32_t count = U16(data + face + 4);
  for (uint32_t i = 0; i < count; ++i)
  {
    const uint8_t* record = data + face + 12 + 16 * i;
    if (Tag(record, tag))
      return Table{U32(record + 8), U32(record + 12)};
  }
  return Table{};
}

// The cmap subtable stb_truetype would choose (the last Windows Unicode or Unicode record), or 0.
uint64_t ChosenCmapSubtable(const uint8_t* data, uint32_t cmap)
{
  uint64_t chosen = 0;
  const uint32_t count = U16(data + cmap + 2);
  for (uint32_t i = 0; i < count; ++i)
  {
    const uint8_t* record = data + cmap + 4 + 8 * i;
    const uint32_t platform = U16(record);
    const uint32_t encoding = U16(record + 2);
    if (platform == STBTT_PLATFORM_ID_UNICODE ||
        (platform == STBTT_PLATFORM_ID_MICROSOFT && (encoding == STBTT_MS_EID_UNICODE_BMP || encoding == STBTT_MS_EID_UNICODE_FULL)))
      chosen = static_cast<uint64_t>(cmap) + U32(record + 4);
  }
  return chosen;
}

// A name as stb_truetype finds it, checked to lie inside the data, converted to UTF-8.
std::string LookUpName(const stbtt_fontinfo& font, size_t size, int nameID)
{
  static const int kEncodings[][3] = {
    {STBTT_PLATFORM_ID_MICROSOFT, STBTT_MS_EID_UNICODE_BMP, STBTT_MS_LANG_ENGLISH},
    {STBTT_PLATFORM_ID_UNICODE, STBTT_UNICODE_EID_UNICODE_2_0_BMP, 0},
    {STBTT_PLATFORM_ID_UNICODE, STBTT_UNICODE_EID_UNICODE_1_0, 0},
    {STBTT_PLATFORM_ID_MAC, STBTT_MAC_EID_ROMAN, STBTT_MAC_LANG_ENGLISH},
  };
  for (const auto& encoding : kEncodings)
  {
    int length = 0;
    const char* text = stbtt_GetFontNameString(&font, &length, encoding[0], encoding[1], encoding[2], nameID);
    if (!text || length <= 0)
      continue;
    const uint64_t start = static_cast<uint64_t>(reinterpret_cast<const uint8_t*>(text) - font.data);
    if (!Inside(size, start, static_cast<uint64_t>(length)))
      continue;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string name;
    if (encoding[0] == STBTT_PLATFORM_ID_MAC)
      name.assign(text, static_cast<size_t>(length));
    else
      name = Utf16BEToUtf8(bytes, static_cast<size_t>(length));
    const size_t zero = name.find('\0');
    if (zero != std::string::npos)
      name.resize(zero);
    if (!name.empty())
      return name;
  }
  return std::string();
}

} // namespace

int CountFaces(const uint8_t* data, size_t size)
{
  if (!data)
    return 0;
  if (IsSingleFont(data, size))
    return 1;
  const long count = CollectionCount(data, size);
  if (count <= 0)
    return 0;
  const uint64_t listed = (size - 12) / 4;
  return static_cast<int>(static_cast<uint64_t>(count) < listed ? static_cast<uint64_t>(count) : listed);
}

bool InspectFace(const uint8_t* data, size_t size, int index, FaceNames* names)
{
  // stb_truetype keeps offsets in ints.
  if (!data || size > 0x7fffffff)
    return false;
  const int64_t face = FaceOffset(data, size, index);
  if (face < 0 || !Inside(size, static_cast<uint64_t>(face), 12))
    return false;
  const size_t start = static_cast<size_t>(face);
  // stb_truetype walks the whole table directory when a tag is missing.
  if (!Inside(size, start + 12, 16ull * U16(data + start + 4)))
    return false;

  const Table cmap = FindTable(data, start, "cmap");
  const Table head = FindTable(data, start, "head");
  const Table hhea = FindTable(data, start, "hhea");
  const Table hmtx = FindTable(data, start, "hmtx");
  const Table maxp = FindTable(data, start, "maxp");
  const Table glyf = FindTable(data, start, "glyf");
  const Table loca = FindTable(data, start, "loca");
  const Table name = FindTable(data, start, "name");
  if (!cmap.offset || !head.offset || !hhea.offset || !hmtx.offset)
    return false;
  if (!Inside(size, head.offset, 54) || !Inside(size, hhea.offset, 36) || !Inside(size, cmap.offset, 4) ||
      !Inside(size, cmap.offset + 4ull, 8ull * U16(data + cmap.offset + 2)) || (maxp.offset && !Inside(size, maxp.offset, 6)))
    return false;
  const uint64_t subtable = ChosenCmapSubtable(data, cmap.offset);
  if (!subtable || !Inside(size, subtable, 4))
    return false;
  if (glyf.offset)
  {
    if (!loca.offset || !Inside(size, glyf.offset, glyf.length) || !Inside(size, loca.offset, loca.length))
      return false;
  }
  else
  {
    // stb_truetype reads CFF outlines without regard to the data's end: only their place is
    // checked, and stb_truetype is not asked to load them.
    const Table cff = FindTable(data, start, "CFF ");
    if (!cff.offset || cff.length < 4 || !Inside(size, cff.offset, cff.length))
      return false;
  }

  stbtt_fontinfo font = {};
  font.data = const_cast<uint8_t*>(data);
  font.fontstart = static_cast<int>(start);
  if (glyf.offset && !stbtt_InitFont(&font, const_cast<uint8_t*>(data), static_cast<int>(start)))
    return false;

  if (names)
  {
    *names = FaceNames();
    if (name.offset && Inside(size, name.offset, 6) && Inside(size, name.offset + 6ull, 12ull * U16(data + name.offset + 2)))
    {
      names->family = LookUpName(font, size, 16);
      if (names->family.empty())
        names->family = LookUpName(font, size, 1);
      names->style = LookUpName(font, size, 17);
      if (names->style.empty())
        names->style = LookUpName(font, size, 2);
      names->postScriptName = LookUpName(font, size, 6);
    }
  }
  return true;
}

} // namespace standin::fontfile
