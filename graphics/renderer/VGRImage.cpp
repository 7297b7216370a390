// Images: PNG or JPEG data decoded to 8-bit straight RGBA and handed to the back end as textures.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"

#include <cstdio>

namespace plug {
namespace igraphics {

namespace {

// Longer files are refused unread: an editor's bitmap files are far smaller.
constexpr long kMaxImageFileBytes = 256L << 20;

int CreateFromData(VGRdrawContext* ctx, const unsigned char* data, std::size_t size, int imageFlags)
{
  int w = 0, h = 0;
  unsigned char* img = vgrDecodeImage(data, size, &w, &h);
  if (!img)
    return 0;
  const int image = ctx->params.renderCreateTexture(ctx->params.userPtr, VGR_TEXTURE_RGBA, w, h, imageFlags, img);
  vgrFree(img);
  return image;
}

// The whole file in a buffer from vgrMalloc (size in *size); null when it cannot be read.
unsigned char* ReadFile(const char* filename, std::size_t* size)
{
  std::FILE* fp = std::fopen(filename, "rb");
  if (!fp)
    return nullptr;
  unsigned char* data = nullptr;
  long length = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0)
    length = std::ftell(fp);
  if (length > 0 && length <= kMaxImageFileBytes && std::fseek(fp, 0, SEEK_SET) == 0)
  {
    data = static_cast<unsigned char*>(vgrMalloc(static_cast<std::size_t>(length)));
    if (data && std::fread(data, 1, static_cast<std::size_t>(length), fp) != static_cast<std::size_t>(length))
    {
      vgrFree(data);
      data = nullptr;
    }
  }
  std::fclose(fp);
  *size = data ? static_cast<std::size_t>(length) : 0;
  return data;
}

} // namespace

int vgrCreateImageFromFile(VGRdrawContext* ctx, const char* filename, int imageFlags)
{
  if (!filename)
    return 0;
  std::size_t size = 0;
  unsigned char* data = ReadFile(filename, &size);
  if (!data)
    return 0;
  const int image = CreateFromData(ctx, data, size, imageFlags);
  vgrFree(data);
  return image;
}

int vgrCreateImageFromMemory(VGRdrawContext* ctx, int imageFlags, const unsigned char* data, int ndata)
{
  if (!data || ndata <= 0)
    return 0;
  return CreateFromData(ctx, data, static_cast<std::size_t>(ndata), imageFlags);
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
