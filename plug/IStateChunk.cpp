#include "plug/IStateChunk.h"

#include <cstring>

namespace plug {

bool IStateChunk::Resize(int size)
{
  if (size < 0)
    size = 0;
  mBytes.SetLength(size, false);
  return mBytes.GetLength() == size;
}

bool IStateChunk::PutBytes(const void* pData, int size)
{
  if (size < 0 || (size > 0 && !pData))
    return false;
  const int n = Size();
  if (static_cast<int64_t>(n) + size > INT32_MAX)
    return false;
  mBytes.SetLength(n + size, false);
  if (Size() != n + size)
    return false;
  if (size > 0)
    std::memcpy(GetData() + n, pData, static_cast<size_t>(size));
  return true;
}

int IStateChunk::GetBytes(void* pData, int size, int startPos) const
{
  if (startPos < 0)
    return startPos;
  if (!HasBytes(startPos, size))
    return -1;
  if (size > 0)
    std::memcpy(pData, GetData() + startPos, static_cast<size_t>(size));
  return startPos + size;
}

void IStateChunk::ToLittleEndian(const void* src, void* dst, int size)
{
  const uint8_t* s = static_cast<const uint8_t*>(src);
  uint8_t* d = static_cast<uint8_t*>(dst);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  for (int i = 0; i < size; ++i)
    d[i] = s[size - 1 - i];
#else
  std::memcpy(d, s, static_cast<size_t>(size));
#endif
}

} // namespace plug
