#pragma once
// A font as the platform layer hands it to the toolkit (PlatformFont), and the font's bytes
// with the facts read from its sfnt tables (PlatformFontData) as the vector renderer takes
// them over. The platform layer makes both; the sfnt reader behind SfntFaceInfo lives there
// too (platform/mac/SfntFaceInfo.cpp).
#include "plug/HeapBuf.h"

#include <cstdint>
#include <memory>

namespace plug::igraphics {

// The facts of one face of an sfnt font (TrueType, OpenType, or a 'ttcf' collection of them).
// Table offsets are from the start of the whole font data, as the format defines, also in a
// collection. Every read is bounded by the data's size; a table or name that would be read
// past the end counts as missing.
struct SfntFaceInfo
{
  SfntFaceInfo() = default;
  // Parses face faceIndex of the size bytes at data (which must outlive this record).
  SfntFaceInfo(const uint8_t* data, int size, int faceIndex);

  // Sets the face start for faceIndex: offset 0 of a plain font (index 0 only), or the
  // collection's offset for it; null when the face cannot be located.
  void FindFaceOffset(int faceIndex);
  // The Unicode (Windows, English US) name, else the Macintosh (Roman, English) one.
  CharBuf GetName(int nameID) const;
  // The first name record of that ID on the platform asked for, in UTF-8; "" when none.
  CharBuf ReadNameRecord(int nameID, bool unicode) const;

  // Valid facts: the face was located and has 'head', 'name' and 'hhea' tables. The names and
  // metrics below are read only then (empty or 0 otherwise).
  bool IsValid() const { return mFaceStart && mHead && mName && mHhea; }

  const uint8_t* mFaceStart = nullptr; // the face's offset table inside the data, or null
  uint32_t mHead = 0;                  // table offsets, 0 when absent
  uint32_t mName = 0;
  uint32_t mHhea = 0;
  uint32_t mFdsc = 0;
  CharBuf mFamily;                     // name 1
  CharBuf mStyle;                      // name 2
  uint16_t mMacStyle = 0;              // 'head' bytes 44-45
  uint16_t mUnitsPerEm = 0;            // 'head' bytes 18-19
  int16_t mAscender = 0;               // 'hhea' bytes 4-5
  int16_t mDescender = 0;              // 'hhea' bytes 6-7
  int16_t mLineGap = 0;                // 'hhea' bytes 8-9

  // The data parsed, bounding every read.
  const uint8_t* mData = nullptr;
  int mSize = 0;
};

// A copy of a whole font file with the facts of the face the font stands for. The face start
// of the facts points into this record's own bytes, so the record is never copied.
struct PlatformFontData
{
  PlatformFontData() = default;
  PlatformFontData(const PlatformFontData&) = delete;
  PlatformFontData& operator=(const PlatformFontData&) = delete;

  SfntFaceInfo mFaceInfo;
  HeapBuf mBytes{4096};
  int mFaceIndex = -1; // -1 when no face matched
};

// Frees the record with its names and bytes and sets the pointer to null; null is ignored.
void DeletePlatformFontData(PlatformFontData*& data);

// The platform's handle of a native font description (a CoreText font descriptor on macOS).
using FontDescriptor = const void*;

// A font found by the platform layer: from a file, from memory or by family name.
class PlatformFont
{
public:
  explicit PlatformFont(bool isSystem) : mIsSystem(isSystem) {}
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;

  // The native descriptor, owned by the font (not retained for the caller).
  virtual FontDescriptor GetDescriptor() = 0;
  // A new copy of the font's bytes with the facts of its face, owned by the caller (free it
  // with DeletePlatformFontData); null only when memory runs out.
  virtual PlatformFontData* GetFontData() = 0;

  // True for fonts found by family name, false for fonts from files or memory.
  bool IsSystem() const { return mIsSystem; }

private:
  bool mIsSystem;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

} // namespace plug::igraphics
