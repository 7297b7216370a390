// Images from memory through the decoder to the back end's textures: every PNG and JPEG
// layout arrives as 8-bit straight RGBA, and nothing but well-formed PNG and JPEG is decoded.

#include "ImageFiles.h"
#include "RecordingRenderer.h"

#include "graphics/renderer/VGR.h"
#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

using namespace plug::igraphics;
using imagefiles::Bytes;
using testsupport::RecordedContext;

namespace {

// The texture made from the data; empty when no image was made.
Bytes Decoded(RecordedContext& c, const Bytes& file)
{
  const int image = vgrCreateImageFromMemory(c.ctx, 0, file.data(), static_cast<int>(file.size()));
  if (image == 0)
    return {};
  return c.rec.textures.at(image).pixels;
}

void ExpectNear(const Bytes& got, const Bytes& want, int tolerance, const std::string& what)
{
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], want[i], tolerance) << what << ", byte " << i;
}

} // namespace

TEST(ImageDecoding, EveryPngAndJpegLayoutArrivesAsStraightRGBA)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  using imagefiles::Png;
  // Two pixels each, as the RGBA they must give.
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 200})), {0, 0, 0, 255, 200, 200, 200, 255}, 0, "grey");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_GRAY, 1, {0, 1})), {0, 0, 0, 255, 255, 255, 255, 255}, 0,
             "1-bit grey");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 0, 90, 128})), {10, 10, 10, 0, 90, 90, 90, 128},
             0, "grey and alpha");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {1, 2, 3, 200, 100, 50}, {77})),
             {200, 100, 50, 255, 1, 2, 3, 77}, 0, "palette with tRNS");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_PALETTE, 2, {1, 0}, {1, 2, 3, 200, 100, 50})),
             {200, 100, 50, 255, 1, 2, 3, 255}, 0, "2-bit palette");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16,
                            {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0x40, 0x01})),
             {0x12, 0x34, 0x56, 0xFF, 0, 0, 0, 0x40}, 0, "16-bit RGBA");
  ExpectNear(Decoded(c, Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6})), {1, 2, 3, 255, 4, 5, 6, 255}, 0,
             "RGB");

  // JPEG: lossy even at quality 100, so within a few levels.
  using imagefiles::Jpeg;
  const Bytes red = {255, 0, 0, 255, 0, 0}, cmykRed = {0, 255, 255, 0, 0, 255, 255, 0};
  ExpectNear(Decoded(c, Jpeg(2, 1, 1, {30, 30})), {30, 30, 30, 255, 30, 30, 30, 255}, 2, "grey JPEG");
  ExpectNear(Decoded(c, Jpeg(2, 1, 3, red)), {255, 0, 0, 255, 255, 0, 0, 255}, 4, "YCbCr JPEG");
  // Half-strength black over red: (255, 0, 0) * (1 - 0.5).
  const Bytes cmyk = {0, 255, 255, 128, 0, 255, 255, 128};
  ExpectNear(Decoded(c, Jpeg(2, 1, 4, cmykRed)), {255, 0, 0, 255, 255, 0, 0, 255}, 4, "Adobe CMYK JPEG");
  ExpectNear(Decoded(c, Jpeg(2, 1, 4, cmyk, true)), {127, 0, 0, 255, 127, 0, 0, 255}, 4, "YCCK JPEG");

  // iPhone PNG: BGRA, premultiplied, raw deflate; the texture holds plain straight RGBA.
  const Bytes rgba = {200, 100, 50, 255, 200, 100, 50, 128, 10, 20, 30, 0, 40, 80, 120, 255};
  const Bytes iphone = Decoded(c, imagefiles::IphonePng(2, 2, rgba));
  ExpectNear(iphone, {200, 100, 50, 255, 200, 100, 50, 128, 0, 0, 0, 0, 40, 80, 120, 255}, 2, "iPhone PNG");
}

TEST(ImageDecoding, AnIphonePngOfEachRowFilterDecodesToThePlainPngsPixels)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  // Each colour channel a plane whose left neighbour lies d from the upper-left one and whose
  // upper neighbour lies -2d from it: Paeth ties between the upper and the upper-left neighbour
  // at every byte past the first row and column, and only the upper one is right.
  const int w = 5, h = 5;
  Bytes rgba;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int v : {128 - 20 * x + 10 * y, 60 + 8 * x - 4 * y, 140 - 30 * x + 15 * y, 255})
        rgba.push_back(static_cast<unsigned char>(v));
  const Bytes plain = Decoded(c, imagefiles::Png(w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba));
  ExpectNear(plain, rgba, 0, "plain PNG");
  for (int filter = 0; filter <= 4; ++filter)
    ExpectNear(Decoded(c, imagefiles::IphonePng(w, h, rgba, filter)), plain, 0,
               "iPhone PNG of filter " + std::to_string(filter));
}

TEST(ImageDecoding, OnlyWellFormedPngAndJpegAreDecoded)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  // Other formats are never decoded, whatever the file is called; the HDR file used to hang the
  // decoder and the table overran a decoder's array.
  EXPECT_TRUE(Decoded(c, imagefiles::TruncatedHdr()).empty());
  EXPECT_TRUE(Decoded(c, imagefiles::JpegWithOverfullHuffmanTable()).empty());
  EXPECT_TRUE(Decoded(c, imagefiles::TinyBmp()).empty());
  // Arithmetic coding spends no least number of bits a block, so its work is not bounded by
  // the file's length: refused, where the same image Huffman-coded decodes.
  EXPECT_TRUE(Decoded(c, imagefiles::Jpeg(16, 16, 1, Bytes(256, 7), false, true)).empty());
  EXPECT_FALSE(Decoded(c, imagefiles::Jpeg(16, 16, 1, Bytes(256, 7))).empty());
  // Scans times blocks is bounded by a few full passes at the pixel budget: 128 scans of a
  // 64 x 64 image decode, and are refused once the budget is the image itself.
  std::ifstream in(testsupport::SourcePath("tests/fuzz/corpus/image_fuzz/many-scans-128.jpg"), std::ios::binary);
  const Bytes scans((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(scans.size(), 1000u);
  EXPECT_FALSE(Decoded(c, scans).empty());
  const long long budget = vgrImagePixelBudget();
  vgrSetImagePixelBudget(64 * 64);
  EXPECT_TRUE(Decoded(c, scans).empty());
  EXPECT_FALSE(Decoded(c, imagefiles::Jpeg(64, 64, 1, Bytes(64 * 64, 7))).empty());
  vgrSetImagePixelBudget(budget);

  // Damaged or cut short: nothing.
  const Bytes png = imagefiles::Png(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
  const Bytes jpeg = imagefiles::Jpeg(16, 16, 3, Bytes(16 * 16 * 3, 90));
  const Bytes iphone = imagefiles::IphonePng(2, 2, Bytes(16, 255));
  for (const Bytes* file : {&png, &jpeg, &iphone})
    for (size_t keep : {file->size() / 2, file->size() - 14, size_t{9}})
      EXPECT_TRUE(Decoded(c, Bytes(file->begin(), file->begin() + static_cast<long>(keep))).empty())
        << "cut to " << keep << " of " << file->size();

  // A declared size over the side limit, or more image than the data can hold, is refused
  // before the pixels are allocated.
  static size_t largest = 0;
  largest = 0;
  const VGRAllocHook previous = vgrSetAllocHook([](size_t bytes) {
    largest = std::max(largest, bytes);
    return true;
  });
  for (unsigned side : {16385u, 16384u})
  {
    Bytes big = png;
    for (size_t at : {16u, 20u}) // IHDR width and height
      for (int k = 0; k < 4; ++k)
        big[at + static_cast<size_t>(k)] = static_cast<unsigned char>(side >> (24 - 8 * k));
    const uLong crc = crc32(0, big.data() + 12, 17); // the IHDR chunk's checksum stays right
    for (int k = 0; k < 4; ++k)
      big[29 + static_cast<size_t>(k)] = static_cast<unsigned char>(crc >> (24 - 8 * k));
    EXPECT_TRUE(Decoded(c, big).empty()) << side;
  }
  Bytes tall = imagefiles::Jpeg(8, 8, 1, Bytes(64, 7));
  for (size_t i = 0; i + 8 < tall.size(); ++i)
    if (tall[i] == 0xFF && tall[i + 1] == 0xC0) // the frame header: height, then width
    {
      tall[i + 5] = tall[i + 7] = 0x40;
      tall[i + 6] = tall[i + 8] = 0x00;
    }
  EXPECT_TRUE(Decoded(c, tall).empty());
  vgrSetAllocHook(previous);
  EXPECT_LT(largest, size_t{1} << 20);
}

TEST(ImageDecoding, AChunkLengthThatLiesAllocatesNothingLarge)
{
  // An 8 x 8 RGBA header, then an ancillary chunk declaring 0x7fffffff bytes with three
  // behind it: skipped unread, never allocated.
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  const Bytes good = imagefiles::Png(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, Bytes(8 * 8 * 4, 9));
  static size_t largest = 0;
  const VGRAllocHook previous = vgrSetAllocHook([](size_t bytes) {
    largest = std::max(largest, bytes);
    return true;
  });
  for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "eXIf"})
  {
    largest = 0;
    Bytes file(good.begin(), good.begin() + 33); // signature and IHDR
    const unsigned char header[] = {0x7F, 0xFF, 0xFF, 0xFF};
    file.insert(file.end(), header, header + 4);
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), {1, 2, 3});
    Decoded(c, file);
    EXPECT_LT(largest, size_t{16} << 20) << type;
  }
  vgrSetAllocHook(previous);
}
