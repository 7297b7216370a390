#pragma once
#include <cstdint>
#include <type_traits>

#include "plug/HeapBuf.h"

namespace plug {

// A byte stream for plug-in state, presets and editor size records.
//
// Writers append values in little-endian byte order (the target's native order), so a
// chunk written here reads back the same on the target. Readers take a start position and
// return the position after the value, or -1 when the chunk holds too few bytes; a reader
// given a negative position reads nothing and returns that position, so a chain of reads
// can run on after the first failure without checking each step.
class IStateChunk
{
public:
  IStateChunk() : mBytes(4096) {}

  int Size() const { return mBytes.GetLength(); }
  const uint8_t* GetData() const { return static_cast<const uint8_t*>(mBytes.Get()); }
  uint8_t* GetData() { return static_cast<uint8_t*>(mBytes.Get()); }

  // Sets the byte length (new bytes are not initialised); false when the buffer could not
  // grow (it is then unchanged).
  bool Resize(int size);
  void Clear() { mBytes.SetLength(0, false); }
  // Exchanges contents without allocating.
  void Swap(IStateChunk& other) noexcept { mBytes.Swap(other.mBytes); }

  // Appends size bytes; false (nothing appended) when the chunk cannot grow.
  bool PutBytes(const void* pData, int size);
  // Appends the whole of another chunk.
  bool PutChunk(const IStateChunk& other) { return PutBytes(other.GetData(), other.Size()); }

  // Copies size bytes from startPos into pData.
  int GetBytes(void* pData, int size, int startPos) const;

  // Arithmetic values (int32, float, double, ...), little-endian.
  template <class T>
  bool Put(T value)
  {
    static_assert(std::is_arithmetic<T>::value, "Put takes arithmetic values");
    uint8_t bytes[sizeof(T)];
    ToLittleEndian(&value, bytes, sizeof(T));
    return PutBytes(bytes, sizeof(T));
  }

  template <class T>
  int Get(T* pValue, int startPos) const
  {
    static_assert(std::is_arithmetic<T>::value, "Get takes arithmetic values");
    uint8_t bytes[sizeof(T)];
    const int pos = GetBytes(bytes, sizeof(T), startPos);
    if (pos >= 0 && startPos >= 0)
      ToLittleEndian(bytes, pValue, sizeof(T)); // the same byte reversal both ways
    return pos;
  }

  // True when size bytes are available from startPos (startPos >= 0).
  bool HasBytes(int startPos, int size) const
  {
    return startPos >= 0 && size >= 0 && static_cast<int64_t>(startPos) + size <= Size();
  }

private:
  static void ToLittleEndian(const void* src, void* dst, int size);

  HeapBuf mBytes;
};

} // namespace plug
