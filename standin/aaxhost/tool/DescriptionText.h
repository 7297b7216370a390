// The description a bundle registered, as text: effects, names, categories, factories,
// components with their fields, process procedures and properties.
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
} // namespace aaxhost
