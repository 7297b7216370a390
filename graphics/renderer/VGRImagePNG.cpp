// PNG decoding: standard files through libpng; the iPhone variant (a leading critical CgBI
// chunk, raw deflate data, BGR(A) order, premultiplied alpha), which libpng refuses, through a
// small reader of its own that takes only the layout such files have (8-bit RGB or RGBA, not
// interlaced).
//
// libpng reports errors by longjmp. The functions that set the jump point hold plain data
// only (no object with a destructor lives across it), and whatever they must release after a
// jump is in a struct whose address libpng also holds, so it is read back from memory.

#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

// Deflate expands its data at most about 1032 times: a file declaring more image data than
// that for its length cannot be valid, and is refused before the pixels are allocated.
constexpr unsigned long long kMaxDeflateRatio = 1032;

bool DataCanHold(unsigned long long width, unsigned long long height, unsigned long long bitsPerPixel,
                 std::size_t size)
{
  const unsigned long long filtered = height * (1 + (width * bitsPerPixel + 7) / 8);
  return filtered <= kMaxDeflateRatio * size + 1024;
}

// ---------------------------------------------------------------------------------------
// Standard PNG through libpng.

struct PngRead
{
  const unsigned char* data;
  std::size_t size;
  std::size_t offset;
  unsigned char* pixels;
  png_bytep* rows;
};

void PngError(png_structp png, png_const_charp message)
{
  vgrSetImageFailure(message);
  png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngReadData(png_structp png, png_bytep out, png_size_t length)
{
  auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
  if (length > read->size - read->offset)
    png_error(png, "read past the end of the data");
  std::memcpy(out, read->data + read->offset, length);
  read->offset += length;
}

png_voidp PngMalloc(png_structp, png_alloc_size_t size) { return vgrMalloc(size); }
void PngFree(png_structp, png_voidp ptr) { vgrFree(ptr); }

// Reads the header, sets the conversions to 8-bit RGBA and decodes; errors jump out.
void ReadPngImage(png_structp png, png_infop info, PngRead* read, int* width, int* height)
{
  png_set_user_limits(png, kVGRMaxImageSide, kVGRMaxImageSide);
  png_set_chunk_cache_max(png, 128);
  png_set_chunk_malloc_max(png, 8u << 20);
  // Ancillary chunks other than tRNS are skipped unread: a text or metadata chunk whose length
  // lies (0x7fffffff bytes in a tiny file) would otherwise be allocated in full, and a release
  // libpng only warns about it.
  static const png_byte kKept[] = {'t', 'R', 'N', 'S', 0};
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKept, 1);
  png_set_read_fn(png, read, PngReadData);
  png_read_info(png, info);

  const png_uint_32 w = png_get_image_width(png, info);
  const png_uint_32 h = png_get_image_height(png, info);
  if (!vgrImageSizeAllowed(w, h))
    png_error(png, "beyond the size limits");
  if (!DataCanHold(w, h, static_cast<unsigned>(png_get_channels(png, info)) * png_get_bit_depth(png, info), read->size))
    png_error(png, "image too large for its data");
  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(png);
  if (depth == 16)
    png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4u)
    png_error(png, "unexpected row layout");

  const std::size_t stride = static_cast<std::size_t>(w) * 4u;
  read->pixels = static_cast<unsigned char*>(vgrMalloc(stride * h));
  read->rows = static_cast<png_bytep*>(vgrCalloc(h, sizeof(png_bytep)));
  if (!read->pixels || !read->rows)
    png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < h; ++y)
    read->rows[y] = read->pixels + stride * y;
  png_read_image(png, read->rows);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
}

unsigned char* DecodeStandardPNG(const unsigned char* data, std::size_t size, int* width, int* height)
{
  PngRead read = {data, size, 0, nullptr, nullptr};
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning, nullptr,
                                             PngMalloc, PngFree);
  if (!png)
    return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info)
  {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_read_struct(&png, &info, nullptr);
    vgrFree(read.rows);
    vgrFree(read.pixels);
    *width = *height = 0;
    return nullptr;
  }
  ReadPngImage(png, info, &read, width, height);
  png_destroy_read_struct(&png, &info, nullptr);
  vgrFree(read.rows);
  return read.pixels;
}

// ---------------------------------------------------------------------------------------
// The iPhone variant.

uint32_t ReadBE32(const unsigned char* p)
{
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool ChunkIs(const unsigned char* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

int Paeth(int a, int b, int c)
{
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc)
    return a;
  return pb <= pc ? b : c;
}

// Undoes the row filters of `rows` rows of `rowBytes` bytes (each after its filter byte) with
// `bpp` bytes a pixel, in place. False for an unknown filter.
bool Unfilter(unsigned char* data, std::size_t rows, std::size_t rowBytes, std::size_t bpp)
{
  const unsigned char* prior = nullptr;
  for (std::size_t y = 0; y < rows; ++y)
  {
    unsigned char* row = data + y * (rowBytes + 1);
    const int filter = row[0];
    unsigned char* px = row + 1;
    for (std::size_t i = 0; i < rowBytes; ++i)
    {
      const int a = i >= bpp ? px[i - bpp] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= bpp ? prior[i - bpp] : 0;
      switch (filter)
      {
      case 0: break;
      case 1: px[i] = static_cast<unsigned char>(px[i] + a); break;
      case 2: px[i] = static_cast<unsigned char>(px[i] + b); break;
      case 3: px[i] = static_cast<unsigned char>(px[i] + ((a + b) >> 1)); break;
      case 4: px[i] = static_cast<unsigned char>(px[i] + Paeth(a, b, c)); break;
      default: return false;
      }
    }
    prior = px;
  }
  return true;
}

struct CgbiHeader
{
  uint32_t width = 0, height = 0;
  int channels = 0; // 3 or 4
};

bool ReadCgbiHeader(const unsigned char* d, uint32_t length, CgbiHeader& header)
{
  if (length != 13)
    return false;
  header.width = ReadBE32(d);
  header.height = ReadBE32(d + 4);
  const int depth = d[8], colorType = d[9];
  if (depth != 8 || (colorType != 2 && colorType != 6) || d[10] != 0 || d[11] != 0 || d[12] != 0)
    return false;
  header.channels = colorType == 6 ? 4 : 3;
  return vgrImageSizeAllowed(header.width, header.height);
}

// The raw-deflate stream of the IDAT chunks inflated into `out` (exactly `outSize` bytes);
// false when the chunks are damaged or hold fewer bytes.
bool InflateCgbi(const unsigned char* data, std::size_t size, unsigned char* out, std::size_t outSize)
{
  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (inflateInit2(&z, -15) != Z_OK)
    return false;
  z.next_out = out;
  std::size_t produced = 0;
  bool ended = false, failed = false;
  std::size_t offset = 8;
  while (!failed && offset + 12 <= size)
  {
    const uint32_t length = ReadBE32(data + offset);
    const unsigned char* type = data + offset + 4;
    if (length > size - offset - 12)
      break;
    const unsigned char* body = data + offset + 8;
    offset += 12u + length;
    if (ChunkIs(type, "IEND"))
      break;
    if (!ChunkIs(type, "IDAT") || ended)
      continue;
    z.next_in = const_cast<unsigned char*>(body);
    z.avail_in = length;
    while (z.avail_in > 0 && produced < outSize)
    {
      z.next_out = out + produced;
      const std::size_t room = outSize - produced;
      z.avail_out = static_cast<uInt>(room > (1u << 30) ? (1u << 30) : room);
      const uInt before = z.avail_out;
      const int rc = inflate(&z, Z_NO_FLUSH);
      produced += before - z.avail_out;
      if (rc == Z_STREAM_END)
      {
        ended = true;
        break;
      }
      if (rc != Z_OK)
      {
        failed = true;
        break;
      }
    }
  }
  inflateEnd(&z);
  return !failed && produced == outSize;
}

unsigned char* DecodeIphonePNG(const unsigned char* data, std::size_t size, int* width, int* height)
{
  // The header chunk follows CgBI.
  std::size_t offset = 8;
  const uint32_t cgbiLength = ReadBE32(data + offset);
  if (cgbiLength > size - offset - 12)
    return nullptr;
  offset += 12u + cgbiLength;
  if (offset + 12 > size || !ChunkIs(data + offset + 4, "IHDR"))
    return nullptr;
  const uint32_t headerLength = ReadBE32(data + offset);
  CgbiHeader header;
  if (headerLength > size - offset - 12 || !ReadCgbiHeader(data + offset + 8, headerLength, header) ||
      !DataCanHold(header.width, header.height, 8u * static_cast<unsigned>(header.channels), size))
    return nullptr;

  const std::size_t w = header.width, h = header.height, n = static_cast<std::size_t>(header.channels);
  const std::size_t rowBytes = w * n;
  auto* raw = static_cast<unsigned char*>(vgrMalloc(h * (rowBytes + 1)));
  auto* pixels = static_cast<unsigned char*>(vgrMalloc(w * h * 4u));
  if (!raw || !pixels || !InflateCgbi(data, size, raw, h * (rowBytes + 1)) || !Unfilter(raw, h, rowBytes, n))
  {
    vgrFree(raw);
    vgrFree(pixels);
    return nullptr;
  }
  // BGR(A), premultiplied, to RGBA, straight.
  for (std::size_t y = 0; y < h; ++y)
  {
    const unsigned char* in = raw + y * (rowBytes + 1) + 1;
    unsigned char* out = pixels + y * w * 4u;
    for (std::size_t x = 0; x < w; ++x, in += n, out += 4)
    {
      const unsigned a = n == 4 ? in[3] : 255u;
      const unsigned c[3] = {in[2], in[1], in[0]};
      for (int k = 0; k < 3; ++k)
      {
        const unsigned v = a == 0 || a == 255 ? c[k] : (c[k] * 255u + a / 2u) / a;
        out[k] = static_cast<unsigned char>(v > 255u ? 255u : v);
      }
      out[3] = static_cast<unsigned char>(a);
    }
  }
  vgrFree(raw);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return pixels;
}

} // namespace

unsigned char* vgrDecodePNG(const unsigned char* data, std::size_t size, int* width, int* height)
{
  *width = *height = 0;
  // An iPhone file's first chunk is CgBI (after the 8-byte signature and the chunk length).
  if (size >= 8 + 12 && ChunkIs(data + 12, "CgBI"))
    return DecodeIphonePNG(data, size, width, height);
  return DecodeStandardPNG(data, size, width, height);
}

} // namespace igraphics
} // namespace plug
