#pragma once
// Image decoding for the renderer's images: PNG (the iPhone variant included) and JPEG only,
// chosen by the data's signature whatever the file is called, always to 8-bit straight
// (unpremultiplied) RGBA, 4 bytes a pixel, rows top to bottom.
//
// Every decoder is bounded by its data: a declared width or height over kVGRMaxImageSide, or
// a declared area over the process-wide pixel budget, is refused before anything is allocated
// for the pixels; a stream that ends early, or is damaged where it matters, is refused.

#include <cstddef>

namespace plug {
namespace igraphics {

// No texture the back end makes can be wider or taller than this.
constexpr int kVGRMaxImageSide = 16384;

// The largest area (in pixels) any decode accepts; by default a full kVGRMaxImageSide square.
// A product sets it once at start, with a margin above its own largest art (a small file can
// declare a huge image, and decoding costs its declared size); tools that must keep a memory
// limit (the fuzz targets) lower it too.
void vgrSetImagePixelBudget(long long pixels);
long long vgrImagePixelBudget();

// Why the last decode on this thread was refused (a short text, empty when none was).
const char* vgrImageFailure();
void vgrSetImageFailure(const char* reason);

// The decoded pixels (from vgrMalloc; the caller frees them with vgrFree) with their size,
// or null when the data is neither PNG nor JPEG or cannot be decoded.
unsigned char* vgrDecodeImage(const unsigned char* data, std::size_t size, int* width, int* height);

// The decoders behind vgrDecodeImage, each for data carrying its own signature.
unsigned char* vgrDecodePNG(const unsigned char* data, std::size_t size, int* width, int* height);
unsigned char* vgrDecodeJPEG(const unsigned char* data, std::size_t size, int* width, int* height);

// True when a declared size may be decoded (both sides 1..kVGRMaxImageSide, area in budget).
bool vgrImageSizeAllowed(long long width, long long height);

} // namespace igraphics
} // namespace plug
