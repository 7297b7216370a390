// The drawing context: creation and deletion, frames, the font-atlas image slots, the
// state stack and the stroke settings.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/FTA.h"
#include "graphics/renderer/VGRMemory.h"

#include <cmath>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

VGRgeometryCache* AllocGeometryCache()
{
  auto* cache = static_cast<VGRgeometryCache*>(vgrCalloc(1, sizeof(VGRgeometryCache)));
  if (!cache)
    return nullptr;
  cache->points = static_cast<VGRflatPoint*>(vgrMalloc(sizeof(VGRflatPoint) * kVGRInitPointsSize));
  cache->paths = static_cast<VGRpath*>(vgrMalloc(sizeof(VGRpath) * kVGRInitPathsSize));
  cache->verts = static_cast<VGRvertex*>(vgrMalloc(sizeof(VGRvertex) * kVGRInitVertsSize));
  if (!cache->points || !cache->paths || !cache->verts)
  {
    vgrFree(cache->points);
    vgrFree(cache->paths);
    vgrFree(cache->verts);
    vgrFree(cache);
    return nullptr;
  }
  cache->cpoints = kVGRInitPointsSize;
  cache->cpaths = kVGRInitPathsSize;
  cache->cverts = kVGRInitVertsSize;
  return cache;
}

void FreeGeometryCache(VGRgeometryCache* cache)
{
  if (!cache)
    return;
  vgrFree(cache->points);
  vgrFree(cache->paths);
  vgrFree(cache->verts);
  vgrFree(cache);
}

// A ratio that is not a positive number is 1; others are kept within 1/100 to 100, where the
// tolerances and the fringe derived from it stay sane.
float SanePixelRatio(float ratio)
{
  return ratio > 0.f && std::isfinite(ratio) ? vgrClampf(ratio, 0.01f, 100.f) : 1.f;
}

void SetDevicePixelRatio(VGRdrawContext* ctx, float ratio)
{
  ctx->tessTol = 0.25f / ratio;
  ctx->distTol = 0.01f / ratio;
  ctx->fringeWidth = 1.0f / ratio;
  ctx->devicePxRatio = ratio;
}

void SetPaintColor(VGRpaint* p, VGRcolor color)
{
  std::memset(p, 0, sizeof(*p));
  vgrMatrixIdentity(p->xform);
  p->radius = 0.0f;
  p->feather = 1.0f;
  p->innerColor = color;
  p->outerColor = color;
}

int ImageWidth(VGRdrawContext* ctx, int image, int* h)
{
  int w = 0;
  *h = 0;
  vgrImageSize(ctx, image, &w, h);
  return w;
}

} // namespace

VGRdrawContext* vgrCreateContext(const VGRrenderInterface* renderInterface)
{
  if (!renderInterface)
    return nullptr;
  auto* ctx = static_cast<VGRdrawContext*>(vgrCalloc(1, sizeof(VGRdrawContext)));
  if (!ctx)
  {
    // The back end is freed on every failure, this one too.
    if (renderInterface->renderDelete)
      renderInterface->renderDelete(renderInterface->userPtr);
    return nullptr;
  }
  ctx->params = *renderInterface;
  for (int& image : ctx->fontImages)
    image = 0;
  {
    const VGRrenderInterface& p = ctx->params;
    if (!p.renderCreate || !p.renderCreateTexture || !p.renderDeleteTexture || !p.renderUpdateTexture ||
        !p.renderGetTextureSize || !p.renderViewport || !p.renderCancel || !p.renderFlush || !p.renderFill ||
        !p.renderStroke || !p.renderTriangles)
      goto error;
  }

  ctx->commands = static_cast<float*>(vgrMalloc(sizeof(float) * kVGRInitCommandsSize));
  if (!ctx->commands)
    goto error;
  ctx->ncommands = 0;
  ctx->ccommands = kVGRInitCommandsSize;

  ctx->cache = AllocGeometryCache();
  if (!ctx->cache)
    goto error;

  ctx->nstates = 0;
  vgrPushState(ctx);
  vgrResetState(ctx);

  SetDevicePixelRatio(ctx, 1.0f);

  if (!ctx->params.renderCreate(ctx->params.userPtr))
    goto error;

  {
    FTAsetup setup;
    std::memset(&setup, 0, sizeof(setup));
    setup.width = kVGRFontAtlasSize;
    setup.height = kVGRFontAtlasSize;
    setup.flags = FTA_YDOWN;
    ctx->fs = ftaCreate(&setup);
    if (!ctx->fs)
      goto error;
  }

  ctx->fontImages[0] = ctx->params.renderCreateTexture(ctx->params.userPtr, VGR_TEXTURE_ALPHA, kVGRFontAtlasSize,
                                                       kVGRFontAtlasSize, 0, nullptr);
  if (ctx->fontImages[0] == 0)
    goto error;
  ctx->fontImageIdx = 0;
  return ctx;

error:
  vgrDeleteContext(ctx);
  return nullptr;
}

void vgrDeleteContext(VGRdrawContext* ctx)
{
  if (!ctx)
    return;
  vgrFree(ctx->commands);
  FreeGeometryCache(ctx->cache);
  ftaDelete(ctx->fs);
  for (int& image : ctx->fontImages)
  {
    if (image != 0)
    {
      ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
      image = 0;
    }
  }
  if (ctx->params.renderDelete)
    ctx->params.renderDelete(ctx->params.userPtr);
  vgrFree(ctx);
}

void vgrBeginFrame(VGRdrawContext* ctx, float windowWidth, float windowHeight, float devicePixelRatio)
{
  ctx->nstates = 0;
  vgrPushState(ctx);
  vgrResetState(ctx);
  devicePixelRatio = SanePixelRatio(devicePixelRatio);
  SetDevicePixelRatio(ctx, devicePixelRatio);
  ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, devicePixelRatio);
  ctx->drawCallCount = 0;
  ctx->fillTriCount = 0;
  ctx->strokeTriCount = 0;
  ctx->textTriCount = 0;
}

void vgrCancelFrame(VGRdrawContext* ctx)
{
  ctx->params.renderCancel(ctx->params.userPtr);
}

void vgrEndFrame(VGRdrawContext* ctx)
{
  ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0)
    return;
  const int current = ctx->fontImages[ctx->fontImageIdx];
  if (current == 0)
    return;
  int ih = 0;
  const int iw = ImageWidth(ctx, current, &ih);

  // Every other image at least as large as the current one is kept for the next atlas
  // switches; smaller ones go. Slots above the current index are walked too, so that no
  // image is dropped from the slots without being deleted.
  int j = 0;
  for (int i = 0; i < kVGRMaxFontImages; i++)
  {
    if (i == ctx->fontImageIdx || ctx->fontImages[i] == 0)
      continue;
    int nh = 0;
    const int nw = ImageWidth(ctx, ctx->fontImages[i], &nh);
    if (nw < iw || nh < ih)
      ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
    else
      ctx->fontImages[j++] = ctx->fontImages[i];
  }
  // The current image goes first; the first kept one moves behind the others.
  ctx->fontImages[j++] = ctx->fontImages[0];
  ctx->fontImages[0] = current;
  ctx->fontImageIdx = 0;
  for (int i = j; i < kVGRMaxFontImages; i++)
    ctx->fontImages[i] = 0;
}

// -- state stack ----------------------------------------------------------------------------

void vgrPushState(VGRdrawContext* ctx)
{
  if (ctx->nstates >= kVGRMaxStates)
    return;
  if (ctx->nstates > 0)
    std::memcpy(&ctx->states[ctx->nstates], &ctx->states[ctx->nstates - 1], sizeof(VGRdrawState));
  ctx->nstates++;
}

void vgrPopState(VGRdrawContext* ctx)
{
  if (ctx->nstates <= 1)
    return;
  ctx->nstates--;
}

void vgrResetState(VGRdrawContext* ctx)
{
  VGRdrawState* state = vgrGetState(ctx);
  std::memset(state, 0, sizeof(*state));

  SetPaintColor(&state->fill, vgrColorRGBA(255, 255, 255, 255));
  SetPaintColor(&state->stroke, vgrColorRGBA(0, 0, 0, 255));
  state->compositeOperation = VGRcompositeOperationState{VGR_ONE, VGR_ONE_MINUS_SRC_ALPHA, VGR_ONE,
                                                         VGR_ONE_MINUS_SRC_ALPHA};
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = VGR_BUTT;
  state->lineJoin = VGR_MITER;
  state->alpha = 1.0f;
  vgrMatrixIdentity(state->xform);

  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;

  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = VGR_ALIGN_LEFT | VGR_ALIGN_BASELINE;
  state->fontId = 0;
}

void vgrSetShapeAntiAlias(VGRdrawContext* ctx, int enabled)
{
  vgrGetState(ctx)->shapeAntiAlias = enabled;
}

void vgrSetStrokeWidth(VGRdrawContext* ctx, float width)
{
  vgrGetState(ctx)->strokeWidth = width;
}

void vgrSetMiterLimit(VGRdrawContext* ctx, float limit)
{
  vgrGetState(ctx)->miterLimit = limit;
}

void vgrSetLineCap(VGRdrawContext* ctx, int cap)
{
  vgrGetState(ctx)->lineCap = cap;
}

void vgrSetLineJoin(VGRdrawContext* ctx, int join)
{
  vgrGetState(ctx)->lineJoin = join;
}

void vgrSetGlobalAlpha(VGRdrawContext* ctx, float alpha)
{
  vgrGetState(ctx)->alpha = alpha;
}

void vgrSetFillColor(VGRdrawContext* ctx, VGRcolor color)
{
  SetPaintColor(&vgrGetState(ctx)->fill, color);
}

void vgrSetStrokeColor(VGRdrawContext* ctx, VGRcolor color)
{
  SetPaintColor(&vgrGetState(ctx)->stroke, color);
}

} // namespace igraphics
} // namespace plug
