#include "standin/aaxhost/tool/InputBytes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace aaxhost::input
{
uint32_t LittleEndian32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t LittleEndian64(const unsigned char* p)
{
  return static_cast<uint64_t>(LittleEndian32(p)) | static_cast<uint64_t>(LittleEndian32(p + 4)) << 32;
}

uint32_t BigEndian32(const unsigned char* p)
{
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         static_cast<uint32_t>(p[3]);
}

sf_count_t SeekWithin(sf_count_t& position, sf_count_t length, sf_count_t offset, int whence)
{
  const sf_count_t base = whence == SEEK_CUR ? position : whence == SEEK_END ? length : 0;
  if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base)
    return -1;
  position = base + offset;
  return position;
}

sf_count_t InputStream::ReadAt(sf_count_t offset, void* into, sf_count_t count) const
{
  if (offset < 0 || offset >= length || count <= 0)
    return 0;
  count = std::min(count, length - offset);
  const uint64_t from = origin + static_cast<uint64_t>(offset);
  if (!cache || static_cast<size_t>(count) > cache->block.size())
    return Pread(from, into, count);
  if (from < cache->at || from + static_cast<uint64_t>(count) > cache->at + cache->held)
  {
    cache->at = from;
    cache->held = static_cast<size_t>(
      Pread(from, cache->block.data(),
            std::min<sf_count_t>(static_cast<sf_count_t>(cache->block.size()), length - offset)));
  }
  const sf_count_t got = std::min<sf_count_t>(count, static_cast<sf_count_t>(cache->at + cache->held - from));
  std::memcpy(into, cache->block.data() + (from - cache->at), static_cast<size_t>(std::max<sf_count_t>(0, got)));
  return std::max<sf_count_t>(0, got);
}

sf_count_t InputStream::Pread(uint64_t from, void* into, sf_count_t count) const
{
  sf_count_t got = 0;
  while (got < count)
  {
    const ssize_t n =
      pread(fd, static_cast<char*>(into) + got, static_cast<size_t>(count - got), static_cast<off_t>(from) + got);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    got += n;
  }
  return got;
}

InputStream InputStream::From(uint64_t offset) const
{
  InputStream rest = *this;
  offset = std::min(offset, static_cast<uint64_t>(length));
  rest.origin += offset;
  rest.length -= static_cast<sf_count_t>(offset);
  return rest;
}

uint64_t HeldFrom(const InputStream& in, uint64_t offset)
{
  const uint64_t length = static_cast<uint64_t>(in.length);
  return length - std::min(length, offset);
}

bool AllZero(const InputStream& in, uint64_t from, uint64_t to)
{
  unsigned char block[4096];
  while (from < to)
  {
    const sf_count_t got = in.ReadAt(static_cast<sf_count_t>(from), block,
                                     static_cast<sf_count_t>(std::min<uint64_t>(sizeof block, to - from)));
    if (got <= 0 || std::any_of(block, block + got, [](unsigned char c) { return c != 0; }))
      return false;
    from += static_cast<uint64_t>(got);
  }
  return true;
}
} // namespace aaxhost::input
