#include "platform/mac/SfntFaceInfo.h"

#include "plug/UTF8.h"

#include <cstring>

namespace plug::igraphics {

namespace {

// Big-endian reads at an offset of the data; false when the value would lie past its end.
bool ReadU16(const uint8_t* data, int size, uint64_t offset, uint16_t& value)
{
  if (offset + 2 > static_cast<uint64_t>(size))
    return false;
  value = static_cast<uint16_t>((data[offset] << 8) | data[offset + 1]);
  return true;
}

bool ReadU32(const uint8_t* data, int size, uint64_t offset, uint32_t& value)
{
  uint16_t high = 0;
  uint16_t low = 0;
  if (!ReadU16(data, size, offset, high) || !ReadU16(data, size, offset + 2, low))
    return false;
  value = (static_cast<uint32_t>(high) << 16) | low;
  return true;
}

// Bytes that a table must hold for the fields read from it.
constexpr uint64_t kHeadBytesRead = 46;
constexpr uint64_t kHheaBytesRead = 10;
constexpr uint64_t kNameHeaderBytes = 6;

constexpr uint16_t kPlatformMacintosh = 1;
constexpr uint16_t kPlatformWindows = 3;
constexpr uint16_t kEncodingUnicodeBmp = 1;
constexpr uint16_t kLanguageEnglishUS = 1033;

// length bytes of big-endian UTF-16 as UTF-8, cut at the first zero. Each code unit becomes
// at most three bytes and each surrogate pair four, so 1.5 × length bytes and the terminator
// always suffice; a lone surrogate becomes U+FFFD.
CharBuf Utf16ToUtf8(const uint8_t* text, uint32_t length)
{
  CharBuf result;
  const uint32_t units = length / 2;
  const int room = static_cast<int>(length + length / 2 + 1);
  char* start = static_cast<char*>(result.GetHeapBuf().SetLength(room));
  if (result.GetHeapBuf().GetLength() != room)
    return CharBuf();
  char* out = start;
  for (uint32_t i = 0; i < units; ++i)
  {
    uint32_t c = static_cast<uint32_t>((text[2 * i] << 8) | text[2 * i + 1]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units)
    {
      const uint32_t low = static_cast<uint32_t>((text[2 * i + 2] << 8) | text[2 * i + 3]);
      if (low >= 0xDC00 && low < 0xE000)
      {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    if (c == 0)
      break;
    out = WriteUTF8(out, c);
  }
  result.Set(start, static_cast<int>(out - start));
  return result;
}

} // namespace

SfntFaceInfo::SfntFaceInfo(const uint8_t* data, int size, int faceIndex) : mFaceStart(data), mData(data), mSize(size > 0 ? size : 0)
{
  if (!data)
    return;
  FindFaceOffset(faceIndex);
  if (!mFaceStart)
    return;
  const uint64_t face = static_cast<uint64_t>(mFaceStart - mData);
  uint16_t tableCount = 0;
  if (!ReadU16(mData, mSize, face + 4, tableCount))
    return;
  uint32_t* found[] = {&mHead, &mName, &mHhea, &mFdsc};
  const char* tags[] = {"head", "name", "hhea", "fdsc"};
  const uint64_t needed[] = {kHeadBytesRead, kNameHeaderBytes, kHheaBytesRead, 0};
  bool seen[4] = {false, false, false, false};
  for (uint32_t i = 0; i < tableCount; ++i)
  {
    const uint64_t record = face + 12 + 16ull * i;
    uint32_t offset = 0;
    if (!ReadU32(mData, mSize, record + 8, offset))
      break; // the directory runs past the data
    for (int t = 0; t < 4; ++t)
    {
      if (seen[t] || std::memcmp(mData + record, tags[t], 4) != 0)
        continue;
      seen[t] = true;
      // A table whose fields would be read past the end counts as missing.
      if (static_cast<uint64_t>(offset) + needed[t] <= static_cast<uint64_t>(mSize))
        *found[t] = offset;
    }
  }
  if (!IsValid())
    return;
  uint16_t value = 0;
  ReadU16(mData, mSize, mHead + 18ull, mUnitsPerEm);
  ReadU16(mData, mSize, mHead + 44ull, mMacStyle);
  ReadU16(mData, mSize, mHhea + 4ull, value);
  mAscender = static_cast<int16_t>(value);
  ReadU16(mData, mSize, mHhea + 6ull, value);
  mDescender = static_cast<int16_t>(value);
  ReadU16(mData, mSize, mHhea + 8ull, value);
  mLineGap = static_cast<int16_t>(value);
  mFamily = GetName(1);
  mStyle = GetName(2);
}

void SfntFaceInfo::FindFaceOffset(int faceIndex)
{
  mFaceStart = nullptr;
  if (!mData || mSize < 4)
    return;
  static const uint8_t kTrueType[4] = {0x00, 0x01, 0x00, 0x00};
  static const uint8_t kTrueTypeOne[4] = {'1', 0x00, 0x00, 0x00};
  if (std::memcmp(mData, kTrueType, 4) == 0 || std::memcmp(mData, kTrueTypeOne, 4) == 0 || std::memcmp(mData, "OTTO", 4) == 0 ||
      std::memcmp(mData, "typ1", 4) == 0)
  {
    if (faceIndex == 0)
      mFaceStart = mData;
    return;
  }
  if (std::memcmp(mData, "ttcf", 4) != 0)
    return;
  uint16_t major = 0;
  uint32_t count = 0;
  uint32_t offset = 0;
  if (!ReadU16(mData, mSize, 4, major) || (major != 1 && major != 2) || !ReadU32(mData, mSize, 8, count))
    return;
  // Compared unsigned, so -1 never names a face.
  if (static_cast<uint32_t>(faceIndex) >= count || !ReadU32(mData, mSize, 12 + 4ull * static_cast<uint32_t>(faceIndex), offset))
    return;
  if (static_cast<uint64_t>(offset) + 12 <= static_cast<uint64_t>(mSize)) // the face's offset table must be there
    mFaceStart = mData + offset;
}

CharBuf SfntFaceInfo::GetName(int nameID) const
{
  CharBuf name = ReadNameRecord(nameID, true);
  if (name.GetLength() > 0)
    return name;
  return ReadNameRecord(nameID, false);
}

CharBuf SfntFaceInfo::ReadNameRecord(int nameID, bool unicode) const
{
  uint16_t count = 0;
  uint16_t storage = 0;
  if (!mName || !ReadU16(mData, mSize, mName + 2ull, count) || !ReadU16(mData, mSize, mName + 4ull, storage))
    return CharBuf();
  const uint16_t platform = unicode ? kPlatformWindows : kPlatformMacintosh;
  const uint16_t encoding = unicode ? kEncodingUnicodeBmp : 0;
  const uint16_t language = unicode ? kLanguageEnglishUS : 0;
  for (uint32_t i = 0; i < count; ++i)
  {
    const uint64_t record = mName + 6ull + 12ull * i;
    uint16_t fields[6] = {}; // platform, encoding, language, name, length, offset
    for (int f = 0; f < 6; ++f)
      if (!ReadU16(mData, mSize, record + 2ull * f, fields[f]))
        return CharBuf(); // the records run past the data
    if (fields[3] != nameID || fields[0] != platform || fields[1] != encoding || fields[2] != language)
      continue;
    const uint64_t start = static_cast<uint64_t>(mName) + storage + fields[5];
    const uint64_t end = static_cast<uint64_t>(mSize);
    if (start > end)
      return CharBuf();
    const uint8_t* text = mData + start;
    if (unicode)
    {
      if (start + fields[4] > end)
        return CharBuf();
      return Utf16ToUtf8(text, fields[4]);
    }
    // A Macintosh name is its bytes as they are, up to the first zero byte; one of length 0
    // runs up to the first zero byte. Never past the data.
    uint64_t length = fields[4] ? fields[4] : end - start;
    if (start + length > end)
      return CharBuf();
    const void* zero = std::memchr(text, 0, static_cast<size_t>(length));
    if (zero)
      length = static_cast<uint64_t>(static_cast<const uint8_t*>(zero) - text);
    CharBuf name;
    name.Set(reinterpret_cast<const char*>(text), static_cast<int>(length));
    return name;
  }
  return CharBuf();
}

int FindFontFaceIndex(const uint8_t* data, int size, const char* wanted)
{
  // Ends: faces are listed inside the data, so some k is no longer a valid face.
  for (int k = 0;; ++k)
  {
    const SfntFaceInfo face(data, size, k);
    if (!face.IsValid())
      return -1;
    if (face.mStyle.GetLength() > 0 && (!wanted || !wanted[0] || std::strcmp(wanted, face.mStyle.Get()) == 0))
      return k;
  }
}

void DeletePlatformFontData(PlatformFontData*& data)
{
  delete data;
  data = nullptr;
}

} // namespace plug::igraphics
