// Images: PNG or JPEG data decoded to 8-bit straight RGBA and handed to the back end as textures.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRImageDecode.h"
#include "graphics/renderer/VGRMemory.h"
#include "plug/RegularFileReader.h"

#include <vector>

namespace plug {
namespace igraphics {

namespace {

// Longer files are refused unread: an editor's bitmap files are far smaller.
constexpr std::size_t kMaxImageFileBytes = std::size_t{256} << 20;

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

} // namespace

int vgrCreateImageFromFile(VGRdrawContext* ctx, const char* filename, int imageFlags)
{
  if (!filename)
    return 0;
  // Regular files only: a FIFO or a device under an image's name must not stall the editor.
  std::vector<unsigned char> data;
  if (!plug::ReadRegularFile(filename, kMaxImageFileBytes, data))
    return 0;
  return CreateFromData(ctx, data.data(), data.size(), imageFlags);
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
