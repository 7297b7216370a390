#include "ImageFiles.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace imagefiles {

namespace {

void AppendPngData(png_structp png, png_bytep data, png_size_t length)
{
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

int Channels(int colorType)
{
  switch (colorType)
  {
  case PNG_COLOR_TYPE_GRAY: return 1;
  case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
  case PNG_COLOR_TYPE_RGB: return 3;
  case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
  default: return 1; // palette indices
  }
}

void Put32(Bytes& out, unsigned long v)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& body)
{
  Put32(out, body.size());
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, crc32(0, out.data() + start, static_cast<uInt>(out.size() - start)));
}

} // namespace

Bytes Png(int width, int height, int colorType, int bitDepth, const Bytes& samples, const Bytes& palette,
          const Bytes& paletteAlpha)
{
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)))
  {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPngData, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colorType == PNG_COLOR_TYPE_PALETTE)
  {
    std::vector<png_color> colors;
    for (size_t i = 0; i + 2 < palette.size(); i += 3)
      colors.push_back({palette[i], palette[i + 1], palette[i + 2]});
    png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    if (!paletteAlpha.empty())
      png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), nullptr);
  }
  png_write_info(png, info);
  if (bitDepth < 8)
    png_set_packing(png);
  const size_t rowBytes =
    static_cast<size_t>(width) * static_cast<size_t>(Channels(colorType)) * (bitDepth == 16 ? 2u : 1u);
  for (int y = 0; y < height; ++y)
    png_write_row(png, samples.data() + rowBytes * static_cast<size_t>(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes Jpeg(int width, int height, int components, const Bytes& samples, bool ycck, bool arithmetic)
{
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  if (components == 4)
    jpeg_set_colorspace(&cinfo, ycck ? JCS_YCCK : JCS_CMYK);
  jpeg_set_quality(&cinfo, 100, TRUE);
  cinfo.arith_code = arithmetic ? TRUE : FALSE;
  for (int i = 0; i < cinfo.num_components; ++i)
    cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  // Adobe's convention: the stored components are inverted.
  Bytes row(static_cast<size_t>(width * components));
  while (cinfo.next_scanline < cinfo.image_height)
  {
    const unsigned char* in = samples.data() + row.size() * cinfo.next_scanline;
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = components == 4 ? static_cast<unsigned char>(255 - in[i]) : in[i];
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes IphonePng(int width, int height, const Bytes& rgba, int filter)
{
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  Bytes bgra(rgba.size());
  for (size_t i = 0; i + 3 < rgba.size(); i += 4)
  {
    const unsigned a = rgba[i + 3];
    bgra[i] = static_cast<unsigned char>(rgba[i + 2] * a / 255);
    bgra[i + 1] = static_cast<unsigned char>(rgba[i + 1] * a / 255);
    bgra[i + 2] = static_cast<unsigned char>(rgba[i] * a / 255);
    bgra[i + 3] = static_cast<unsigned char>(a);
  }
  Bytes raw;
  for (int y = 0; y < height; ++y)
  {
    const int rowFilter = filter >= 0 ? filter : y % 2; // none, then sub: both filters are undone
    raw.push_back(static_cast<unsigned char>(rowFilter));
    const unsigned char* row = bgra.data() + rowBytes * static_cast<size_t>(y);
    const unsigned char* prior = y > 0 ? row - rowBytes : nullptr;
    for (size_t i = 0; i < rowBytes; ++i)
    {
      const int a = i >= 4 ? row[i - 4] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= 4 ? prior[i - 4] : 0;
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      const int predicted[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
      raw.push_back(static_cast<unsigned char>(row[i] - predicted[rowFilter]));
    }
  }
  Bytes deflated(compressBound(static_cast<uLong>(raw.size())) + 64);
  z_stream z;
  std::memset(&z, 0, sizeof z);
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  z.next_in = raw.data();
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = deflated.data();
  z.avail_out = static_cast<uInt>(deflated.size());
  deflate(&z, Z_FINISH);
  deflated.resize(z.total_out);
  deflateEnd(&z);

  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(out, "CgBI", {0x50, 0x00, 0x20, 0x06});
  Bytes header;
  Put32(header, static_cast<unsigned long>(width));
  Put32(header, static_cast<unsigned long>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});
  PutChunk(out, "IHDR", header);
  // The data split over two chunks.
  const size_t half = deflated.size() / 2;
  PutChunk(out, "IDAT", Bytes(deflated.begin(), deflated.begin() + static_cast<long>(half)));
  PutChunk(out, "IDAT", Bytes(deflated.begin() + static_cast<long>(half), deflated.end()));
  PutChunk(out, "IEND", {});
  return out;
}

Bytes TruncatedHdr()
{
  const std::string text = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 16\n";
  Bytes out(text.begin(), text.end());
  out.insert(out.end(), {0x02, 0x02, 0x00, 0x10});
  return out;
}

Bytes JpegWithOverfullHuffmanTable()
{
  Bytes out = {0xFF, 0xD8, 0xFF, 0xC4};
  Bytes counts(16, 0);
  counts[14] = 10;
  counts[15] = 255;
  const size_t symbols = 265;
  const size_t length = 2 + 1 + counts.size() + symbols;
  out.push_back(static_cast<unsigned char>(length >> 8));
  out.push_back(static_cast<unsigned char>(length));
  out.push_back(0x00);
  out.insert(out.end(), counts.begin(), counts.end());
  for (size_t i = 0; i < symbols; ++i)
    out.push_back(static_cast<unsigned char>(i));
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

Bytes TinyBmp()
{
  Bytes out = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file header
               40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0,
               0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  out.insert(out.end(), {0x10, 0x20, 0x30, 0x00});
  return out;
}

} // namespace imagefiles
