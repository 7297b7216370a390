#pragma once
// UTF-8 and UTF-16 conversions for the stand-ins' strings and their readers of outside text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace standin {

// Appends the code point as UTF-8 (1 to 4 bytes).
void AppendUtf8(std::string& out, uint32_t codePoint);
// length bytes of big-endian UTF-16 (an odd last byte is ignored) as UTF-8; a lone surrogate
// becomes U+FFFD.
std::string Utf16BEToUtf8(const uint8_t* bytes, size_t length);
// The code point of the UTF-8 sequence at byte i into c, and the sequence's length; 0 when no
// valid sequence starts there (overlong forms, surrogates and values beyond Unicode included).
size_t DecodeUtf8(const std::string& text, size_t i, uint32_t& c);
// Whether the whole text is valid UTF-8.
bool IsValidUtf8(const std::string& text);
// UTF-8 as UTF-16 units; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
// UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units);

} // namespace standin
