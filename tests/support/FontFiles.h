#pragma once
// Fonts for tests: the files of the Debian font packages the build depends on (never other
// fonts of the machine), whole-file reads and writes, and small sfnt fonts and collections
// made in memory.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Roboto (fonts-roboto-unhinted) and Lato (fonts-lato).
std::string RobotoRegularPath();
std::string RobotoBoldPath();
std::string LatoBoldPath();
// TeX Gyre Heros Regular (fonts-texgyre): an OpenType font with CFF outlines.
std::string HerosRegularPath();

std::vector<uint8_t> ReadBytes(const std::string& path);
// Creates the folders of the path that are missing.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A 'ttcf' collection of whole single fonts, each table offset moved to the font's place.
std::vector<uint8_t> MakeFontCollection(const std::vector<std::vector<uint8_t>>& fonts, uint16_t majorVersion = 1);

// A font made of the given tables (in that order), with the signature given.
struct SfntTable
{
  std::string tag;
  std::vector<uint8_t> data;
};
std::vector<uint8_t> MakeSfnt(const std::vector<SfntTable>& tables, uint32_t signature = 0x00010000);
// A 54-byte 'head' and a 36-byte 'hhea' with these fields set, the others 0.
std::vector<uint8_t> MakeHead(uint16_t unitsPerEm, uint16_t macStyle);
std::vector<uint8_t> MakeHhea(int16_t ascender, int16_t descender, int16_t lineGap);
// A 'name' table. Texts of platform 0 and 3 records are written as UTF-16BE (from UTF-8),
// others byte for byte; length, when not negative, overrides the record's length field.
struct NameRecord
{
  uint16_t platform;
  uint16_t encoding;
  uint16_t language;
  uint16_t nameID;
  std::string text;
  int length = -1;
};
std::vector<uint8_t> MakeName(const std::vector<NameRecord>& records);
// A font with 'head', 'hhea' and Windows Unicode names 1 and 2.
std::vector<uint8_t> MakeNamedFont(const std::string& family, const std::string& style, uint16_t unitsPerEm = 1000,
                                   int16_t ascender = 800, int16_t descender = -200);

} // namespace testsupport
