// The image decoder's front: the signature decides the format, the budget bounds the size.

#include "graphics/renderer/VGRImageDecode.h"

#include <atomic>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

std::atomic<long long> gPixelBudget{static_cast<long long>(kVGRMaxImageSide) * kVGRMaxImageSide};

bool HasPrefix(const unsigned char* data, std::size_t size, const unsigned char* prefix, std::size_t n)
{
  return size >= n && std::memcmp(data, prefix, n) == 0;
}

} // namespace

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
  if (!data)
    return nullptr;
  if (HasPrefix(data, size, kPNG, sizeof kPNG))
    return vgrDecodePNG(data, size, width, height);
  if (HasPrefix(data, size, kJPEG, sizeof kJPEG))
    return vgrDecodeJPEG(data, size, width, height);
  return nullptr;
}

} // namespace igraphics
} // namespace plug
