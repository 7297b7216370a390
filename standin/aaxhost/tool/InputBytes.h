// The bytes of an open input file as the audio input's readers see them: read with pread from a
// file of a length fixed when it was opened, whatever the file does meanwhile, a block at a
// time through a cache for walks over small headers; and the fields of its headers.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <vector>

namespace aaxhost::input
{
uint32_t LittleEndian32(const unsigned char* p);
uint64_t LittleEndian64(const unsigned char* p);
uint32_t BigEndian32(const unsigned char* p);

// A header's size field: `width` (4 or 8) bytes at `offset` in either byte order.
struct SizeField
{
  uint64_t offset = 0;
  unsigned width = 4;
  bool bigEndian = false;

  // The byte `i` (from the field's start) of `value` written in this field.
  unsigned char Byte(uint64_t value, unsigned i) const
  {
    return static_cast<unsigned char>(value >> (bigEndian ? (width - 1 - i) * 8 : i * 8));
  }
  uint64_t Read(const unsigned char* p) const
  {
    uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
      value |= static_cast<uint64_t>(p[i]) << (bigEndian ? (width - 1 - i) * 8 : i * 8);
    return value;
  }
  // The largest value the field holds.
  uint64_t Max() const { return width >= 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * width)) - 1; }
};

// A field of a header that the audio library sees holding `value`.
struct Patch
{
  SizeField field;
  uint64_t value = 0;
};

// A run of bytes of an input file: `size` bytes from `from`.
struct Segment
{
  uint64_t from = 0;
  uint64_t size = 0;
};

// A decoder's seek on a stream of `length` bytes: moves `position` and gives it, or -1 (the
// position unchanged) for a place before the start or past the counter's range.
sf_count_t SeekWithin(sf_count_t& position, sf_count_t length, sf_count_t offset, int whence);

// The block of an input file read last, kept so that walks over small headers, and a decoder
// searching byte by byte for a frame, read a block at a time.
struct ReadCache
{
  std::vector<unsigned char> block = std::vector<unsigned char>(65536);
  uint64_t at = 0;
  size_t held = 0;
};

// The bytes of an open input file from `origin` to its end, read with pread, never past the
// length the file had when it was opened; reads of a block or less through `cache`.
struct InputStream
{
  int fd = -1;
  uint64_t origin = 0;
  sf_count_t length = 0;
  ReadCache* cache = nullptr;

  // Up to `count` bytes at `offset`; the number read (short at the end or on an error).
  sf_count_t ReadAt(sf_count_t offset, void* into, sf_count_t count) const;
  // The bytes from `offset` on, as a stream of their own.
  InputStream From(uint64_t offset) const;

private:
  sf_count_t Pread(uint64_t from, void* into, sf_count_t count) const;
};

// The bytes a file holds from `offset` to its end.
uint64_t HeldFrom(const InputStream& in, uint64_t offset);

// Whether the bytes [from, to) of a file are all zero.
bool AllZero(const InputStream& in, uint64_t from, uint64_t to);
} // namespace aaxhost::input
