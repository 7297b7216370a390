#include "standin/foundation/Unicode.h"

namespace standin {

void AppendUtf8(std::string& out, uint32_t c)
{
  if (c < 0x80)
    out.push_back(static_cast<char>(c));
  else if (c < 0x800)
  {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  else if (c < 0x10000)
  {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  else
  {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string Utf16BEToUtf8(const uint8_t* bytes, size_t length)
{
  std::string out;
  const size_t units = length / 2;
  const auto unit = [&](size_t i) { return static_cast<uint32_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]); };
  for (size_t i = 0; i < units; ++i)
  {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

} // namespace standin
