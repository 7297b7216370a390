#pragma once
// UTF-8 output for the stand-ins' readers of outside text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace standin {

// Appends the code point as UTF-8 (1 to 4 bytes).
void AppendUtf8(std::string& out, uint32_t codePoint);
// length bytes of big-endian UTF-16 (an odd last byte is ignored) as UTF-8; a lone surrogate
// becomes U+FFFD.
std::string Utf16BEToUtf8(const uint8_t* bytes, size_t length);
// UTF-8 as UTF-16 units; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
// UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units);

} // namespace standin
