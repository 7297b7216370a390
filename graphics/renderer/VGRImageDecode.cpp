// The image decoder's front: the signature decides the format, the budget bounds the size.

#include "graphics/renderer/VGRImageDecode.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

std::atomic<long long> gPixelBudget{static_cast<long long>(kVGRMaxImageSide) * kVGRMaxImageSide};

thread_local char tFailure[160];

bool HasPrefix(const unsigned char* data, std::size_t size, const unsigned char* prefix, std::size_t n)
{
  return size >= n && std::memcmp(data, prefix, n) == 0;
}

} // namespace

const char* vgrImageFailure() { return tFailure; }

void vgrSetImageFailure(const char* reason)
{
  std::snprintf(tFailure, sizeof tFailure, "%s", reason ? reason : "");
}

void vgrSetImagePixelBudget(long long pixels) { gPixelBudget.store(pixels > 0 ? pixels : 0); }

long long vgrImagePixelBudget() { return gPixelBudget.load(); }

bool vgrImageSizeAllowed(long long width, long long height)
{
  return width >= 1 && height >= 1 && width <= kVGRMaxImageSide && height <= kVGRMaxImageSide &&
         width * height <= gPixelBudget.load();
}

unsigned char* vgrDecodeImage(const unsigned char* data, std::size_t size, int* width, int* height)
{
  static const unsigned char kPNG[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static const unsigned char kJPEG[] = {0xFF, 0xD8, 0xFF};
  *width = *height = 0;
  vgrSetImageFailure("");
  unsigned char* pixels = nullptr;
  if (data && HasPrefix(data, size, kPNG, sizeof kPNG))
    pixels = vgrDecodePNG(data, size, width, height);
  else if (data && HasPrefix(data, size, kJPEG, sizeof kJPEG))
    pixels = vgrDecodeJPEG(data, size, width, height);
  else
    vgrSetImageFailure("neither PNG nor JPEG");
  if (!pixels && !*vgrImageFailure())
    vgrSetImageFailure("damaged, or beyond the size limits");
  return pixels;
}

} // namespace igraphics
} // namespace plug
