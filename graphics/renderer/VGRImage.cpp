// Images: decoded to 8-bit RGBA by stb_image and handed to the back end as textures.

#include "graphics/renderer/VGRContext.h"

#include <cstdio>

#include "graphics/renderer/StbDiagnostics.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
// No texture the back end makes can be larger than this.
#define STBI_MAX_DIMENSIONS 16384
VGR_STB_WARNINGS_OFF
#include <stb/stb_image.h>
VGR_STB_WARNINGS_ON

namespace plug {
namespace igraphics {

namespace {

// The decoder's process-wide options, on from the first file decode for every later one.
void EnableDecoderOptions()
{
  stbi_set_unpremultiply_on_load(1);
  stbi_convert_iphone_png_to_rgb(1);
}

int CreateImageRGBA(VGRdrawContext* ctx, int w, int h, int imageFlags, const unsigned char* data)
{
  return ctx->params.renderCreateTexture(ctx->params.userPtr, VGR_TEXTURE_RGBA, w, h, imageFlags, data);
}

int CreateFromPixels(VGRdrawContext* ctx, unsigned char* img, int w, int h, int imageFlags)
{
  if (!img)
    return 0;
  const int image = CreateImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

} // namespace

int vgrCreateImageFromFile(VGRdrawContext* ctx, const char* filename, int imageFlags)
{
  EnableDecoderOptions();
  if (!filename)
    return 0;
  std::FILE* fp = std::fopen(filename, "rb");
  if (!fp)
    return 0;
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load_from_file(fp, &w, &h, &n, 4);
  std::fclose(fp);
  return CreateFromPixels(ctx, img, w, h, imageFlags);
}

int vgrCreateImageFromMemory(VGRdrawContext* ctx, int imageFlags, const unsigned char* data, int ndata)
{
  if (!data || ndata <= 0)
    return 0;
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  return CreateFromPixels(ctx, img, w, h, imageFlags);
}

void vgrUpdateImage(VGRdrawContext* ctx, int image, const unsigned char* data)
{
  int w = 0, h = 0;
  vgrImageSize(ctx, image, &w, &h);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vgrImageSize(VGRdrawContext* ctx, int image, int* w, int* h)
{
  int width = 0, height = 0;
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, &width, &height);
  if (w)
    *w = width;
  if (h)
    *h = height;
}

} // namespace igraphics
} // namespace plug
