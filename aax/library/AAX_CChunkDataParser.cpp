#include "aax/library/AAX_CChunkDataParser.h"

#include "aax/library/AAX_Assert.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace
{
constexpr uint8_t kMarkerByte = 0x01;
constexpr int64_t kMarkerSize = 4;
// Longest tag plus name the loader looks at for the terminating NUL.
constexpr int64_t kMaxTagAndName = 255;

int64_t Pad4(int64_t n) { return (n + 3) & ~int64_t(3); }

// Bytes up to the first NUL: what the format can carry of a name or string value.
int64_t TextLength(const AAX_CString& s) { return static_cast<int64_t>(std::strlen(s.Get())); }

int64_t ValueSlotSize(const AAX_CChunkDataParser::DataValue& e)
{
  switch (e.mDataType)
  {
    case AAX_CChunkDataParser::eDataType_Float:
    case AAX_CChunkDataParser::eDataType_Int32:
    case AAX_CChunkDataParser::eDataType_Int16: return 4;
    case AAX_CChunkDataParser::eDataType_Double: return 8;
    case AAX_CChunkDataParser::eDataType_String: return Pad4(TextLength(e.mStringData) + 1);
    default: return 0;
  }
}

// Bytes of the value itself, for the overflow check (int16 uses 2 of its 4-byte slot).
int64_t ValueLength(const AAX_CChunkDataParser::DataValue& e)
{
  switch (e.mDataType)
  {
    case AAX_CChunkDataParser::eDataType_Int16: return 2;
    case AAX_CChunkDataParser::eDataType_String: return TextLength(e.mStringData) + 1;
    default: return ValueSlotSize(e);
  }
}

char TagChar(int32_t type)
{
  switch (type)
  {
    case AAX_CChunkDataParser::eDataType_Float: return 'f';
    case AAX_CChunkDataParser::eDataType_Int32: return 'l';
    case AAX_CChunkDataParser::eDataType_Double: return 'd';
    case AAX_CChunkDataParser::eDataType_Int16: return 's';
    case AAX_CChunkDataParser::eDataType_String: return 'r';
    default: return 0;
  }
}

void PutBE(uint8_t* dst, uint64_t bits, int bytes)
{
  for (int i = 0; i < bytes; ++i)
    dst[i] = static_cast<uint8_t>(bits >> (8 * (bytes - 1 - i)));
}

uint64_t GetBE(const uint8_t* src, int bytes)
{
  uint64_t bits = 0;
  for (int i = 0; i < bytes; ++i)
    bits = (bits << 8) | src[i];
  return bits;
}
// An entry of this type and name; the caller sets its value.
AAX_CChunkDataParser::DataValue NewEntry(int32_t type, const char* name)
{
  AAX_CChunkDataParser::DataValue e;
  e.mDataType = type;
  e.mDataName = name;
  return e;
}
} // namespace

void AAX_CChunkDataParser::Append(DataValue&& entry) { mEntries.push_back(std::move(entry)); }

void AAX_CChunkDataParser::AddFloat(const char* name, float value)
{
  DataValue e = NewEntry(eDataType_Float, name);
  e.mValue.mFloat = value;
  Append(std::move(e));
}

void AAX_CChunkDataParser::AddInt32(const char* name, int32_t value)
{
  DataValue e = NewEntry(eDataType_Int32, name);
  e.mValue.mInt32 = value;
  Append(std::move(e));
}

void AAX_CChunkDataParser::AddDouble(const char* name, double value)
{
  DataValue e = NewEntry(eDataType_Double, name);
  e.mValue.mDouble = value;
  Append(std::move(e));
}

void AAX_CChunkDataParser::AddInt16(const char* name, int16_t value)
{
  DataValue e = NewEntry(eDataType_Int16, name);
  e.mValue.mInt16 = value;
  Append(std::move(e));
}

void AAX_CChunkDataParser::AddString(const char* name, const AAX_CString& value)
{
  DataValue e = NewEntry(eDataType_String, name);
  e.mStringData = value;
  Append(std::move(e));
}

int32_t AAX_CChunkDataParser::FindEntry(const char* name)
{
  const int32_t count = static_cast<int32_t>(mEntries.size());
  if (!name || count == 0)
    return -1;
  // Start just after the last hit so that lookups in stored order cost one step each,
  // then wrap around up to and including the last hit.
  int32_t start = mLastFoundIndex + 1;
  if (mLastFoundIndex < 0 || mLastFoundIndex >= count - 1)
    start = 0;
  for (int32_t i = start; i < count; ++i)
  {
    if (mEntries[i].mDataName == name)
      return mLastFoundIndex = i;
  }
  for (int32_t i = 0; i < start; ++i)
  {
    if (mEntries[i].mDataName == name)
      return mLastFoundIndex = i;
  }
  return -1;
}

bool AAX_CChunkDataParser::FindFloat(const char* name, float* value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_Float || !value)
    return false;
  *value = mEntries[i].mValue.mFloat;
  return true;
}

bool AAX_CChunkDataParser::FindInt32(const char* name, int32_t* value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_Int32 || !value)
    return false;
  *value = mEntries[i].mValue.mInt32;
  return true;
}

bool AAX_CChunkDataParser::FindDouble(const char* name, double* value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_Double || !value)
    return false;
  *value = mEntries[i].mValue.mDouble;
  return true;
}

bool AAX_CChunkDataParser::FindInt16(const char* name, int16_t* value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_Int16 || !value)
    return false;
  *value = mEntries[i].mValue.mInt16;
  return true;
}

bool AAX_CChunkDataParser::FindString(const char* name, AAX_IString* value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_String || !value)
    return false;
  value->AssignFrom(mEntries[i].mStringData);
  return true;
}

bool AAX_CChunkDataParser::ReplaceDouble(const char* name, double value)
{
  const int32_t i = FindEntry(name);
  if (i < 0 || mEntries[i].mDataType != eDataType_Double)
    return false;
  mEntries[i].mValue.mDouble = value;
  return true;
}

void AAX_CChunkDataParser::Clear()
{
  mEntries.clear();
  mLastFoundIndex = -1;
  mChunkVersion = -1;
}

int32_t AAX_CChunkDataParser::RoundUpTo4(int32_t* value)
{
  if (!value)
    return 0;
  // Computed in 64 bits so that values near INT32_MAX do not overflow; those clamp to the
  // largest multiple of 4.
  const int64_t padded = Pad4(*value);
  *value = static_cast<int32_t>(std::min<int64_t>(padded, INT32_MAX & ~3));
  return *value;
}

int32_t AAX_CChunkDataParser::GetChunkDataSize() const
{
  int64_t size = kMarkerSize;
  for (const DataValue& e : mEntries)
  {
    // Entries of unknown type (possible only from loading a foreign tag) have no tag to
    // write them with; they are left out rather than written as an unreadable record.
    if (TagChar(e.mDataType) == 0)
      continue;
    size += Pad4(TextLength(e.mDataName) + 3) + ValueSlotSize(e);
    if (size > INT32_MAX)
      return -1;
  }
  return static_cast<int32_t>(size);
}

AAX_Result AAX_CChunkDataParser::WriteChunkData(void* data, int32_t capacity, int32_t* written) const
{
  try
  {
    const int32_t size = GetChunkDataSize();
    if (size < kMarkerSize || !data || capacity < kMarkerSize)
      return kChunkOverflow;
    uint8_t* out = static_cast<uint8_t*>(data);
    const int64_t limit = std::min(size, capacity);
    std::memset(out, 0, static_cast<size_t>(limit));
    std::memset(out, kMarkerByte, kMarkerSize);

    int64_t b = kMarkerSize;
    for (const DataValue& e : mEntries)
    {
      const char tag = TagChar(e.mDataType);
      if (tag == 0)
        continue;
      const int64_t nameLength = TextLength(e.mDataName);
      if (b + nameLength + ValueLength(e) + 3 > limit ||
          Pad4(b + nameLength + 3) + ValueSlotSize(e) > limit)
      {
        // The format string is ours; the message goes in as an argument.
        AAX_Trace(AAX_eTracePriority_Normal, "AAX_CChunkDataParser::GetChunkData ERROR: %s",
                  "aborting: chunk data will overflow buffer");
        return kChunkOverflow;
      }
      out[b] = static_cast<uint8_t>(tag);
      out[b + 1] = '_';
      std::memcpy(out + b + 2, e.mDataName.Get(), static_cast<size_t>(nameLength));
      b = Pad4(b + nameLength + 3); // tag, name, NUL (already zero)
      switch (e.mDataType)
      {
        case eDataType_Float:
        {
          uint32_t bits;
          std::memcpy(&bits, &e.mValue.mFloat, sizeof bits);
          PutBE(out + b, bits, 4);
          break;
        }
        case eDataType_Int32: PutBE(out + b, static_cast<uint32_t>(e.mValue.mInt32), 4); break;
        case eDataType_Double:
        {
          uint64_t bits;
          std::memcpy(&bits, &e.mValue.mDouble, sizeof bits);
          PutBE(out + b, bits, 8);
          break;
        }
        case eDataType_Int16: PutBE(out + b, static_cast<uint16_t>(e.mValue.mInt16), 2); break;
        case eDataType_String:
          std::memcpy(out + b, e.mStringData.Get(), static_cast<size_t>(TextLength(e.mStringData)));
          break;
        default: break;
      }
      b += ValueSlotSize(e);
    }
    if (written)
      *written = size;
    return AAX_SUCCESS;
  }
  catch (...)
  {
    return kChunkOverflow;
  }
}

AAX_Result AAX_CChunkDataParser::GetChunkData(AAX_SPlugInChunk* chunk) const
{
  if (!chunk)
    return AAX_ERROR_NULL_ARGUMENT;
  const int32_t size = GetChunkDataSize();
  int32_t written = 0;
  const AAX_Result result = WriteChunkData(chunk->fData, size, &written);
  if (result == AAX_SUCCESS)
    chunk->fSize = written;
  return result;
}

void AAX_CChunkDataParser::LoadChunk(const AAX_SPlugInChunk* chunk)
{
  if (!chunk)
  {
    Clear();
    return;
  }
  LoadChunkData(chunk->fData, chunk->fSize, chunk->fVersion);
}

void AAX_CChunkDataParser::LoadChunkData(const void* data, int32_t size, int32_t version)
{
  Clear();
  mChunkVersion = version;
  if (!data || size <= kMarkerSize)
    return;
  const uint8_t* in = static_cast<const uint8_t*>(data);
  for (int64_t i = 0; i < kMarkerSize; ++i)
  {
    if (in[i] != kMarkerByte)
      return;
  }

  try
  {
    int64_t b = kMarkerSize;
    while (b < size)
    {
      // Tag and name: a NUL must come within the remaining bytes (and within 255).
      const int64_t window = std::min<int64_t>(kMaxTagAndName, size - b);
      const void* nul = std::memchr(in + b, 0, static_cast<size_t>(window));
      if (!nul)
        return;
      const int64_t textLength = static_cast<const uint8_t*>(nul) - (in + b);
      if (textLength < 2) // no room for a tag: trailing padding or garbage
        return;
      const char tag = static_cast<char>(in[b]);
      DataValue e;
      e.mDataName.StdString().assign(reinterpret_cast<const char*>(in + b + 2),
                                     static_cast<size_t>(textLength - 2));
      b = Pad4(b + textLength + 1);

      auto fits = [&](int64_t n) { return b + n <= size; };
      switch (tag)
      {
        case 'd':
        {
          if (!fits(8))
            return;
          const uint64_t bits = GetBE(in + b, 8);
          std::memcpy(&e.mValue.mDouble, &bits, sizeof bits);
          e.mDataType = eDataType_Double;
          b += 8;
          break;
        }
        case 'f':
        {
          if (!fits(4))
            return;
          const uint32_t bits = static_cast<uint32_t>(GetBE(in + b, 4));
          std::memcpy(&e.mValue.mFloat, &bits, sizeof bits);
          e.mDataType = eDataType_Float;
          b += 4;
          break;
        }
        case 'l':
        {
          if (!fits(4))
            return;
          e.mValue.mInt32 = static_cast<int32_t>(static_cast<uint32_t>(GetBE(in + b, 4)));
          e.mDataType = eDataType_Int32;
          b += 4;
          break;
        }
        case 's':
        {
          if (!fits(2))
            return;
          e.mValue.mInt16 = static_cast<int16_t>(static_cast<uint16_t>(GetBE(in + b, 2)));
          e.mDataType = eDataType_Int16;
          b += 4;
          break;
        }
        case 'r':
        {
          if (b >= size)
            return;
          const void* end = std::memchr(in + b, 0, static_cast<size_t>(size - b));
          if (!end)
            return;
          const int64_t length = static_cast<const uint8_t*>(end) - (in + b);
          e.mStringData.StdString().assign(reinterpret_cast<const char*>(in + b),
                                           static_cast<size_t>(length));
          e.mDataType = eDataType_String;
          b = Pad4(b + length + 1);
          break;
        }
        default:
          // A tag we do not know: keep the name, read no value.
          break;
      }
      Append(std::move(e));
    }
  }
  catch (...)
  {
    // Out of memory on a huge string: keep what was read.
  }
}
