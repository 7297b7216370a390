// Turns a list of named, typed values into the data of one host state chunk and back.
//
// Data format (all integers big-endian, every entry starts 4-byte aligned):
//   marker   4 bytes 01 01 01 01
//   entries  tag (2 chars: "f_" float, "l_" int32, "d_" double, "s_" int16, "r_" string),
//            name and NUL, zero padding to 4, then the value: 4 bytes (float, int32,
//            int16 followed by 2 zero bytes), 8 bytes (double) or a NUL-terminated string
//            zero-padded to 4.
// Loading is bounded by the record's size field everywhere: anything malformed ends the
// load with the entries read so far.
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_Errors.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class AAX_CChunkDataParser
{
public:
  // Returned when the data would not fit the computed size.
  static constexpr AAX_Result kChunkOverflow = -333;

  enum EDataType : int32_t
  {
    eDataType_None = 0,
    eDataType_Float = 1,
    eDataType_Int32 = 2,
    eDataType_Double = 3,
    eDataType_Int16 = 4,
    eDataType_String = 5
  };

  struct DataValue
  {
    int32_t mDataType = eDataType_None;
    AAX_CString mDataName;
    union
    {
      float mFloat;
      int32_t mInt32;
      double mDouble;
      int16_t mInt16;
    } mValue{};
    AAX_CString mStringData;
  };

  void AddFloat(const char* name, float value);
  void AddInt32(const char* name, int32_t value);
  void AddDouble(const char* name, double value);
  void AddInt16(const char* name, int16_t value);
  void AddString(const char* name, const AAX_CString& value);

  // True and the value when an entry of that name has that type; otherwise the output is
  // left alone.
  bool FindFloat(const char* name, float* value);
  bool FindInt32(const char* name, int32_t* value);
  bool FindDouble(const char* name, double* value);
  bool FindInt16(const char* name, int16_t* value);
  bool FindString(const char* name, AAX_IString* value);
  bool ReplaceDouble(const char* name, double value);

  bool IsEmpty() const { return mEntries.empty(); }
  void Clear();
  const std::vector<DataValue>& Entries() const { return mEntries; }
  int32_t ChunkVersion() const { return mChunkVersion; }

  // Bytes the data area needs; -1 when that would not fit an int32.
  int32_t GetChunkDataSize() const;

  // Writes the data area of the record (which must have room for GetChunkDataSize bytes
  // from byte 56) and its size field. 0, or kChunkOverflow with the size field untouched.
  AAX_Result GetChunkData(AAX_SPlugInChunk* chunk) const;
  // Writes the data into `data` of `capacity` bytes; `written` gets the byte count.
  AAX_Result WriteChunkData(void* data, int32_t capacity, int32_t* written) const;

  // Replaces the entries by those of the record, bounded by its size field.
  void LoadChunk(const AAX_SPlugInChunk* chunk);
  // The same on a bare data area of `size` bytes.
  void LoadChunkData(const void* data, int32_t size, int32_t version);

  static int32_t RoundUpTo4(int32_t* value);

private:
  int32_t FindEntry(const char* name);
  void Append(DataValue&& entry);

  int32_t mLastFoundIndex = -1;
  int32_t mChunkVersion = -1;
  std::vector<DataValue> mEntries;
};
