// JPEG decoding through libjpeg(-turbo): greyscale, YCbCr and RGB files straight to RGBA;
// CMYK and YCCK files through CMYK to RGB (inverted CMYK as Adobe writes it, plain CMYK
// otherwise). A stream that ends early is refused, and so are more scans than any real file
// has (each scan costs a pass over the image).
//
// libjpeg reports errors by longjmp. The function that sets the jump point holds plain data
// only (no object with a destructor lives across it), and what it must release after a jump
// is in a struct whose address libjpeg also holds, so it is read back from memory.

#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace plug {
namespace igraphics {

namespace {

constexpr int kMaxScans = 256;
// Every scan is a pass over the blocks it covers. The work a file may ask for, in blocks
// visited, is that of a few full passes over a three-component image at the pixel budget: a
// progressive file of ordinary art takes ten scans, and a small file of many scans over a large
// image is refused however few bytes it spends on each.
constexpr unsigned long long kFullPasses = 16;
unsigned long long MaxScanBlocks()
{
  return static_cast<unsigned long long>(vgrImagePixelBudget()) / 64 * 3 * kFullPasses + 64 * 3 * kFullPasses;
}

struct JpegRead
{
  jpeg_error_mgr error;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  unsigned char* pixels;
};

JpegRead* ReadOf(j_common_ptr cinfo) { return reinterpret_cast<JpegRead*>(cinfo->err); }

void JpegErrorExit(j_common_ptr cinfo)
{
  char text[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, text);
  vgrSetImageFailure(text);
  std::longjmp(ReadOf(cinfo)->jump, 1);
}

// The blocks one pass over every component covers.
unsigned long long BlocksOf(const jpeg_decompress_struct& cinfo)
{
  const unsigned long long blocks = ((cinfo.image_width + 7ull) / 8) * ((cinfo.image_height + 7ull) / 8);
  return blocks * static_cast<unsigned long long>(cinfo.num_components > 0 ? cinfo.num_components : 1);
}

// Warnings are quiet; the one for data that ends early is an error.
void JpegMessage(j_common_ptr cinfo, int level)
{
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
  {
    vgrSetImageFailure("the data ends early");
    std::longjmp(ReadOf(cinfo)->jump, 1);
  }
}

void JpegProgress(j_common_ptr cinfo)
{
  if (!cinfo->is_decompressor)
    return;
  const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  const unsigned long long scans = static_cast<unsigned long long>(d->input_scan_number);
  if (scans > kMaxScans || scans * BlocksOf(*d) > MaxScanBlocks())
  {
    vgrSetImageFailure("more scans than the image may take");
    std::longjmp(ReadOf(cinfo)->jump, 1);
  }
}

unsigned char Scale(unsigned a, unsigned b) { return static_cast<unsigned char>((a * b + 127u) / 255u); }

// CMYK to RGB in place, 4 bytes a pixel. Adobe's files store every component inverted.
void CmykToRgb(unsigned char* row, JDIMENSION width, bool inverted)
{
  for (JDIMENSION x = 0; x < width; ++x, row += 4)
  {
    unsigned c = row[0], m = row[1], y = row[2], k = row[3];
    if (!inverted)
    {
      c = 255u - c;
      m = 255u - m;
      y = 255u - y;
      k = 255u - k;
    }
    row[0] = Scale(c, k);
    row[1] = Scale(m, k);
    row[2] = Scale(y, k);
    row[3] = 255;
  }
}

// Huffman coding spends at least one bit on every 8 x 8 block of the first scan: a file
// declaring more blocks than that for its length cannot be valid, and is refused before the
// image buffers are allocated. Arithmetic coding has no such floor, and is refused.
bool DataCanHold(const jpeg_decompress_struct& cinfo, std::size_t size)
{
  const unsigned long long blocks = ((cinfo.image_width + 7ull) / 8) * ((cinfo.image_height + 7ull) / 8);
  return blocks <= 8ull * size + 64;
}

// The scans the file holds, counted before any is decoded: a walk over the markers that skips
// each segment by its length and the entropy-coded data byte by byte (a 0xFF there is followed
// by a stuffed zero, a restart marker or the next marker). Linear in the data's length.
unsigned long long CountScans(const unsigned char* data, std::size_t size)
{
  unsigned long long scans = 0;
  std::size_t i = 2; // after SOI
  while (i + 1 < size)
  {
    const unsigned char marker = data[i + 1];
    if (data[i] != 0xFF || marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
    {
      i += data[i] == 0xFF && marker != 0xFF ? 2 : 1;
      continue;
    }
    if (marker == 0xD9 || i + 3 >= size) // EOI, or a segment cut short
      break;
    if (marker == 0xDA)
      ++scans;
    i += 2 + (static_cast<std::size_t>(data[i + 2]) << 8 | data[i + 3]);
  }
  return scans;
}

// Reads the header, picks the output layout and decodes; errors jump out.
void ReadJpegImage(jpeg_decompress_struct* cinfo, const unsigned char* data, std::size_t size, JpegRead* read,
                   int* width, int* height)
{
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->arith_code)
    ERREXIT(cinfo, JERR_ARITH_NOTIMPL);
  // One pass over the blocks is the least any file asks for: checked before the first scan.
  if (!vgrImageSizeAllowed(cinfo->image_width, cinfo->image_height) || !DataCanHold(*cinfo, size) ||
      BlocksOf(*cinfo) > MaxScanBlocks())
    ERREXIT(cinfo, JERR_IMAGE_TOO_BIG);
  // The work all the scans ask for, before the first is decoded (the progress monitor checks
  // the scans libjpeg actually reads as well).
  const unsigned long long scans = CountScans(data, size);
  if (scans > kMaxScans || scans * BlocksOf(*cinfo) > MaxScanBlocks())
  {
    vgrSetImageFailure("more scans than the image may take");
    std::longjmp(read->jump, 1);
  }
  bool cmyk = false;
  switch (cinfo->jpeg_color_space)
  {
  case JCS_GRAYSCALE:
  case JCS_YCbCr:
  case JCS_RGB: cinfo->out_color_space = JCS_EXT_RGBA; break;
  case JCS_CMYK:
  case JCS_YCCK:
    cinfo->out_color_space = JCS_CMYK;
    cmyk = true;
    break;
  default: ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
  }
  cinfo->scale_num = cinfo->scale_denom = 1;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 4 || !vgrImageSizeAllowed(cinfo->output_width, cinfo->output_height))
    ERREXIT(cinfo, JERR_IMAGE_TOO_BIG);

  const std::size_t stride = static_cast<std::size_t>(cinfo->output_width) * 4u;
  read->pixels = static_cast<unsigned char*>(vgrMalloc(stride * cinfo->output_height));
  if (!read->pixels)
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  while (cinfo->output_scanline < cinfo->output_height)
  {
    unsigned char* row = read->pixels + stride * cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
      ERREXIT(cinfo, JERR_INPUT_EMPTY);
    if (cmyk)
      CmykToRgb(row, cinfo->output_width, cinfo->saw_Adobe_marker);
  }
  *width = static_cast<int>(cinfo->output_width);
  *height = static_cast<int>(cinfo->output_height);
}

} // namespace

unsigned char* vgrDecodeJPEG(const unsigned char* data, std::size_t size, int* width, int* height)
{
  *width = *height = 0;
  if (!data || size == 0 || size > 0xFFFFFFFFu)
    return nullptr;
  jpeg_decompress_struct cinfo;
  JpegRead read;
  std::memset(&read, 0, sizeof read);
  cinfo.err = jpeg_std_error(&read.error);
  read.error.error_exit = JpegErrorExit;
  read.error.emit_message = JpegMessage;
  read.progress.progress_monitor = JpegProgress;
  if (setjmp(read.jump))
  {
    jpeg_destroy_decompress(&cinfo);
    vgrFree(read.pixels);
    *width = *height = 0;
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &read.progress;
  // The whole-image buffers of progressive files stay within a few times the pixel budget.
  cinfo.mem->max_memory_to_use = static_cast<long>(vgrImagePixelBudget() * 16 + (64L << 20));
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  ReadJpegImage(&cinfo, data, size, &read, width, height);
  jpeg_destroy_decompress(&cinfo);
  return read.pixels;
}

} // namespace igraphics
} // namespace plug
