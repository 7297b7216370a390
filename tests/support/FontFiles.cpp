#include "FontFiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
  Put16(out, value >> 16);
  Put16(out, value & 0xFFFF);
}

void Set16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
  out[at] = static_cast<uint8_t>(value >> 8);
  out[at + 1] = static_cast<uint8_t>(value);
}

uint32_t Get32(const std::vector<uint8_t>& in, size_t at)
{
  return (static_cast<uint32_t>(in[at]) << 24) | (static_cast<uint32_t>(in[at + 1]) << 16) | (static_cast<uint32_t>(in[at + 2]) << 8) | in[at + 3];
}

void Set32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
  Set16(out, at, value >> 16);
  Set16(out, at + 2, value & 0xFFFF);
}

std::vector<uint8_t> Utf16BE(const std::string& text)
{
  std::vector<uint8_t> out;
  for (size_t i = 0; i < text.size();)
  {
    const auto c0 = static_cast<unsigned char>(text[i]);
    uint32_t c = c0;
    int extra = c0 >= 0xF0 ? 3 : c0 >= 0xE0 ? 2 : c0 >= 0xC0 ? 1 : 0;
    if (extra)
      c &= 0x3F >> extra;
    for (++i; extra > 0 && i < text.size(); --extra, ++i)
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    if (c >= 0x10000)
    {
      c -= 0x10000;
      Put16(out, 0xD800 + (c >> 10));
      Put16(out, 0xDC00 + (c & 0x3FF));
    }
    else
      Put16(out, c);
  }
  return out;
}

} // namespace

std::string RobotoRegularPath() { return std::string(VELLICOR_ROBOTO_DIR) + "/Roboto-Regular.ttf"; }
std::string RobotoBoldPath() { return std::string(VELLICOR_ROBOTO_DIR) + "/Roboto-Bold.ttf"; }
std::string LatoBoldPath() { return std::string(VELLICOR_LATO_DIR) + "/Lato-Bold.ttf"; }
std::string HerosRegularPath() { return std::string(VELLICOR_TEXGYRE_DIR) + "/texgyreheros-regular.otf"; }

std::vector<uint8_t> ReadBytes(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty())
    std::filesystem::create_directories(parent);
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file)
    throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> MakeFontCollection(const std::vector<std::vector<uint8_t>>& fonts, uint16_t majorVersion)
{
  std::vector<uint8_t> out;
  Put32(out, 0x74746366); // 'ttcf'
  Put16(out, majorVersion);
  Put16(out, 0);
  Put32(out, static_cast<uint32_t>(fonts.size()));
  const size_t offsets = out.size();
  out.resize(out.size() + 4 * fonts.size());
  for (size_t f = 0; f < fonts.size(); ++f)
  {
    while (out.size() % 4)
      out.push_back(0);
    const size_t base = out.size();
    Set32(out, offsets + 4 * f, static_cast<uint32_t>(base));
    out.insert(out.end(), fonts[f].begin(), fonts[f].end());
    const uint32_t tables = (static_cast<uint32_t>(fonts[f][4]) << 8) | fonts[f][5];
    for (uint32_t t = 0; t < tables; ++t)
    {
      const size_t record = base + 12 + 16 * t;
      Set32(out, record + 8, Get32(out, record + 8) + static_cast<uint32_t>(base));
    }
  }
  return out;
}

std::vector<uint8_t> MakeSfnt(const std::vector<SfntTable>& tables, uint32_t signature)
{
  std::vector<uint8_t> out;
  Put32(out, signature);
  Put16(out, static_cast<uint32_t>(tables.size()));
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  const size_t directory = out.size();
  out.resize(out.size() + 16 * tables.size());
  for (size_t t = 0; t < tables.size(); ++t)
  {
    while (out.size() % 4)
      out.push_back(0);
    const size_t record = directory + 16 * t;
    for (size_t i = 0; i < 4; ++i)
      out[record + i] = static_cast<uint8_t>(i < tables[t].tag.size() ? tables[t].tag[i] : ' ');
    Set32(out, record + 8, static_cast<uint32_t>(out.size()));
    Set32(out, record + 12, static_cast<uint32_t>(tables[t].data.size()));
    out.insert(out.end(), tables[t].data.begin(), tables[t].data.end());
  }
  return out;
}

std::vector<uint8_t> MakeHead(uint16_t unitsPerEm, uint16_t macStyle)
{
  std::vector<uint8_t> head(54, 0);
  Set16(head, 18, unitsPerEm);
  Set16(head, 44, macStyle);
  return head;
}

std::vector<uint8_t> MakeHhea(int16_t ascender, int16_t descender, int16_t lineGap)
{
  std::vector<uint8_t> hhea(36, 0);
  Set16(hhea, 4, static_cast<uint16_t>(ascender));
  Set16(hhea, 6, static_cast<uint16_t>(descender));
  Set16(hhea, 8, static_cast<uint16_t>(lineGap));
  return hhea;
}

std::vector<uint8_t> MakeName(const std::vector<NameRecord>& records)
{
  std::vector<uint8_t> storage;
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(records.size()));
  Put16(out, static_cast<uint32_t>(6 + 12 * records.size()));
  for (const NameRecord& r : records)
  {
    const std::vector<uint8_t> text =
      (r.platform == 0 || r.platform == 3) ? Utf16BE(r.text) : std::vector<uint8_t>(r.text.begin(), r.text.end());
    Put16(out, r.platform);
    Put16(out, r.encoding);
    Put16(out, r.language);
    Put16(out, r.nameID);
    Put16(out, r.length >= 0 ? static_cast<uint32_t>(r.length) : static_cast<uint32_t>(text.size()));
    Put16(out, static_cast<uint32_t>(storage.size()));
    storage.insert(storage.end(), text.begin(), text.end());
  }
  out.insert(out.end(), storage.begin(), storage.end());
  return out;
}

std::vector<uint8_t> MakeNamedFont(const std::string& family, const std::string& style, uint16_t unitsPerEm, int16_t ascender,
                                   int16_t descender)
{
  return MakeSfnt({{"head", MakeHead(unitsPerEm, 0)},
                   {"hhea", MakeHhea(ascender, descender, 0)},
                   {"name", MakeName({{3, 1, 1033, 1, family}, {3, 1, 1033, 2, style}})}});
}

} // namespace testsupport
