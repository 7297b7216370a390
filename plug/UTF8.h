#pragma once
// UTF-8 output shared by the framework, the toolkit and the platform layer.
#include <cstdint>
#include <string>

namespace plug {

// Writes the code point as UTF-8 (1 to 4 bytes) at out and returns the position after it.
inline char* WriteUTF8(char* out, uint32_t cp)
{
  if (cp < 0x80)
  {
    *out++ = static_cast<char>(cp);
  }
  else if (cp < 0x800)
  {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  else if (cp < 0x10000)
  {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  else
  {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Appends the code point as UTF-8.
inline void AppendUTF8(std::string& out, uint32_t cp)
{
  char bytes[4];
  out.append(bytes, WriteUTF8(bytes, cp));
}

} // namespace plug
