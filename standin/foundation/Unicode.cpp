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

namespace {

// UTF-16 units read through unit(i), as UTF-8.
template <class Unit>
std::string Utf16ToUtf8(size_t units, Unit unit)
{
  std::string out;
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

} // namespace

std::string Utf16BEToUtf8(const uint8_t* bytes, size_t length)
{
  return Utf16ToUtf8(length / 2, [&](size_t i) { return static_cast<uint32_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]); });
}

std::string Utf16ToUtf8(const std::u16string& units)
{
  return Utf16ToUtf8(units.size(), [&](size_t i) { return static_cast<uint32_t>(units[i]); });
}

size_t DecodeUtf8(const std::string& text, size_t i, uint32_t& c)
{
  const size_t n = text.size();
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t b = byte(i);
  const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= n)
    return 0;
  c = extra == 0 ? b : extra == 1 ? (b & 0x1Fu) : extra == 2 ? (b & 0x0Fu) : (b & 0x07u);
  for (int k = 1; k <= extra; ++k)
  {
    if ((byte(i + k) & 0xC0) != 0x80)
      return 0;
    c = (c << 6) | (byte(i + k) & 0x3Fu);
  }
  // Overlong forms, surrogates and values beyond Unicode are not characters.
  static const uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
    return 0;
  return static_cast<size_t>(extra) + 1;
}

bool IsValidUtf8(const std::string& text)
{
  uint32_t c = 0;
  for (size_t i = 0; i < text.size();)
  {
    const size_t length = DecodeUtf8(text, i, c);
    if (length == 0)
      return false;
    i += length;
  }
  return true;
}

std::u16string Utf8ToUtf16(const std::string& text)
{
  std::u16string out;
  for (size_t i = 0; i < text.size();)
  {
    uint32_t c = 0;
    const size_t length = DecodeUtf8(text, i, c);
    if (length == 0)
    {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += length;
    if (c >= 0x10000)
    {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    else
      out.push_back(static_cast<char16_t>(c));
  }
  return out;
}

} // namespace standin
