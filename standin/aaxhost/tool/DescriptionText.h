// The description a bundle registered, as text: effects, names, categories, factories,
// components with their fields, process procedures and properties; and result codes as text.
#pragma once

#include "standin/aaxhost/Collection.h"

#include <cstdint>
#include <string>

namespace aaxhost
{
// 'ABCD' for four printable characters, else the hexadecimal value.
std::string FourCCText(uint32_t code);
// "0x00010002 (2 channels)" or "none".
std::string StemFormatText(int32_t stemFormat);
std::string DescriptionText(const Collection& collection);
// A result code with its name and what it means: "-20007 AAX_ERROR_INVALID_CHUNK_ID (the chunk
// identifier is not the plug-in's)".
std::string ResultText(int32_t result);
} // namespace aaxhost
