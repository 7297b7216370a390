// Shared by the chunk-loader tests and the fuzz target: whatever the loader makes of a byte
// string must survive being written and loaded again unchanged.
#pragma once

#include "aax/library/AAX_CChunkDataParser.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace chunkcheck
{
inline bool SameEntry(const AAX_CChunkDataParser::DataValue& a, const AAX_CChunkDataParser::DataValue& b)
{
  if (a.mDataType != b.mDataType || a.mDataName.StdString() != b.mDataName.StdString())
    return false;
  switch (a.mDataType)
  {
    case AAX_CChunkDataParser::eDataType_Float:
      return std::memcmp(&a.mValue.mFloat, &b.mValue.mFloat, sizeof(float)) == 0;
    case AAX_CChunkDataParser::eDataType_Int32: return a.mValue.mInt32 == b.mValue.mInt32;
    case AAX_CChunkDataParser::eDataType_Double:
      return std::memcmp(&a.mValue.mDouble, &b.mValue.mDouble, sizeof(double)) == 0;
    case AAX_CChunkDataParser::eDataType_Int16: return a.mValue.mInt16 == b.mValue.mInt16;
    case AAX_CChunkDataParser::eDataType_String:
      return a.mStringData.StdString() == b.mStringData.StdString();
    default: return true;
  }
}

// Loads `size` bytes from an allocation of exactly that size (so a sanitizer sees any read
// past it), writes what was understood and loads that again. False on any difference.
inline bool LoadWriteLoad(const uint8_t* bytes, size_t size)
{
  std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
  if (size)
    std::memcpy(exact.get(), bytes, size);
  const int32_t size32 = size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);

  AAX_CChunkDataParser first;
  first.LoadChunkData(exact.get(), size32, 3);
  if (first.ChunkVersion() != 3)
    return false;

  std::vector<AAX_CChunkDataParser::DataValue> known;
  for (const auto& e : first.Entries())
  {
    if (e.mDataType != AAX_CChunkDataParser::eDataType_None)
      known.push_back(e);
  }

  const int32_t outSize = first.GetChunkDataSize();
  if (outSize < 4)
    return false;
  std::unique_ptr<uint8_t[]> out(new uint8_t[static_cast<size_t>(outSize)]);
  int32_t written = 0;
  if (first.WriteChunkData(out.get(), outSize, &written) != AAX_SUCCESS || written != outSize)
    return false;

  AAX_CChunkDataParser second;
  second.LoadChunkData(out.get(), written, 3);
  if (second.Entries().size() != known.size())
    return false;
  for (size_t i = 0; i < known.size(); ++i)
  {
    if (!SameEntry(known[i], second.Entries()[i]))
      return false;
  }
  return true;
}
} // namespace chunkcheck
