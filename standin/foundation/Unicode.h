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

} // namespace standin
