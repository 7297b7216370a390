// libFuzzer target for the image decoder: any byte string offered as an image (through
// vgrCreateImageFromMemory, as the editor's bitmaps are) must be refused, or decoded into a
// texture of the size it declares, without reading or writing outside memory it owns, within
// the memory and time limits. Declared sizes are capped at a pixel budget so that the memory a
// correct decoder needs stays far below the limit.
#include "graphics/renderer/VGRContext.h"
#include "tests/fuzz/FuzzBackEnd.h"
#include "graphics/renderer/VGRImageDecode.h"
#include "tests/fuzz/FuzzCheck.h"

#include <climits>
#include <cstdint>
#include <cstring>

using namespace plug::igraphics;

namespace {

// 16 MB of pixels at most.
constexpr long long kPixelBudget = 4 << 20;

bool gDecoding = false; // the context's own font atlas texture comes before
int gWidth = 0, gHeight = 0;
unsigned gSum = 0;

// A back end that reads every pixel it is handed (so the sanitizer checks the buffer's size).
VGRrenderInterface ReadingBackEnd()
{
  VGRrenderInterface ri = fuzzbackend::IgnoringBackEnd();
  ri.renderCreateTexture = [](void*, int type, int w, int h, int, const unsigned char* data) {
    if (!gDecoding)
      return 1;
    fuzzcheck::Require(type == VGR_TEXTURE_RGBA, "images are RGBA textures");
    fuzzcheck::Require(w >= 1 && h >= 1 && static_cast<long long>(w) * h <= kPixelBudget, "sizes stay in the budget");
    gWidth = w;
    gHeight = h;
    for (size_t i = 0, n = static_cast<size_t>(w) * static_cast<size_t>(h) * 4u; i < n; ++i)
      gSum += data[i];
    return 1;
  };
  ri.renderGetTextureSize = [](void*, int, int* w, int* h) {
    *w = gWidth;
    *h = gHeight;
    return 1;
  };
  return ri;
}

VGRdrawContext* gContext = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  vgrSetImagePixelBudget(kPixelBudget);
  VGRrenderInterface ri = ReadingBackEnd();
  gContext = vgrCreateContext(&ri);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!gContext || size > INT_MAX)
    return 0;
  gWidth = gHeight = 0;
  gDecoding = true;
  const int image = vgrCreateImageFromMemory(gContext, 0, data, static_cast<int>(size));
  gDecoding = false;
  if (image != 0)
  {
    int w = 0, h = 0;
    vgrImageSize(gContext, image, &w, &h);
    fuzzcheck::Require(w == gWidth && h == gHeight && w > 0, "a made image has its decoded size");
  }
  return 0;
}
