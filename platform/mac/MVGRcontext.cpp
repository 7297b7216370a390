// The Metal render back end: creation and deletion, textures and samplers, depth-stencil and
// pipeline states, paints as fragment uniform blocks, and the functions IGraphicsVGR calls.

#include "platform/mac/MVGRcontext.h"

#include "graphics/renderer/VGR.h"
#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRMemory.h"
#include "platform/mac/shaders/MVGRshaders.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace plug {
namespace igraphics {

STANDIN_DEFINE_CLASS(PLUG_OBJC_CLASS(MVGRtexture), NSObject)
STANDIN_DEFINE_CLASS(PLUG_OBJC_CLASS(MVGRbuffers), NSObject)
STANDIN_DEFINE_CLASS(PLUG_OBJC_CLASS(MVGRcontext), NSObject)

namespace {

using mtl::BlendFactor;
using mtl::CompareFunction;
using mtl::StencilOperation;

mtl::StencilDescriptor Stencil(CompareFunction compare, StencilOperation fail, StencilOperation depthFail,
                               StencilOperation pass)
{
  mtl::StencilDescriptor s;
  s.stencilCompareFunction = compare;
  s.stencilFailureOperation = fail;
  s.depthFailureOperation = depthFail;
  s.depthStencilPassOperation = pass;
  return s;
}

// A state with depth always passing and never written; a face without a descriptor is not
// stencil-tested.
mtl::Ref<mtl::DepthStencilState> DepthStencil(mtl::Device& device, const mtl::StencilDescriptor* front,
                                              const mtl::StencilDescriptor* back)
{
  mtl::DepthStencilDescriptor d;
  d.depthCompareFunction = CompareFunction::Always;
  d.depthWriteEnabled = false;
  if (front)
    d.SetFrontFaceStencil(*front);
  if (back)
    d.SetBackFaceStencil(*back);
  return device.NewDepthStencilState(d);
}

bool MetalBlendFactor(int bit, BlendFactor& factor)
{
  switch (bit)
  {
    case VGR_ZERO: factor = BlendFactor::Zero; return true;
    case VGR_ONE: factor = BlendFactor::One; return true;
    case VGR_SRC_COLOR: factor = BlendFactor::SourceColor; return true;
    case VGR_ONE_MINUS_SRC_COLOR: factor = BlendFactor::OneMinusSourceColor; return true;
    case VGR_DST_COLOR: factor = BlendFactor::DestinationColor; return true;
    case VGR_ONE_MINUS_DST_COLOR: factor = BlendFactor::OneMinusDestinationColor; return true;
    case VGR_SRC_ALPHA: factor = BlendFactor::SourceAlpha; return true;
    case VGR_ONE_MINUS_SRC_ALPHA: factor = BlendFactor::OneMinusSourceAlpha; return true;
    case VGR_DST_ALPHA: factor = BlendFactor::DestinationAlpha; return true;
    case VGR_ONE_MINUS_DST_ALPHA: factor = BlendFactor::OneMinusDestinationAlpha; return true;
    case VGR_SRC_ALPHA_SATURATE: factor = BlendFactor::SourceAlphaSaturated; return true;
    default: return false;
  }
}

constexpr MVGRblend kSourceOver{BlendFactor::One, BlendFactor::OneMinusSourceAlpha, BlendFactor::One,
                                BlendFactor::OneMinusSourceAlpha};

// A 2x3 matrix as three float4 columns: (a, b, 0), (c, d, 0), (e, f, 1).
void StoreMatrix(float* out, const float* t)
{
  const float columns[12] = {t[0], t[1], 0, 0, t[2], t[3], 0, 0, t[4], t[5], 1, 0};
  std::memcpy(out, columns, sizeof(columns));
}

void Premultiply(float* out, const VGRcolor& c)
{
  out[0] = c.r * c.a;
  out[1] = c.g * c.a;
  out[2] = c.b * c.a;
  out[3] = c.a;
}

// The part of the region (x, y, width, height) inside the texture; false when nothing of it is.
bool ClipToTexture(const mtl::Texture& texture, int x, int y, int width, int height, mtl::Region& region)
{
  const int64_t w = int64_t(texture.Width()), h = int64_t(texture.Height());
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(x) + width, w), y1 = std::min<int64_t>(int64_t(y) + height, h);
  if (x0 >= x1 || y0 >= y1)
    return false;
  region = mtl::Region::Make2D(uint64_t(x0), uint64_t(y0), uint64_t(x1 - x0), uint64_t(y1 - y0));
  return true;
}

// The render interface: each operation forwards to the context method of the same role.
MVGRcontext* Self(void* user) { return static_cast<MVGRcontext*>(user); }

int RenderCreate(void* user) { return Self(user)->renderCreate(); }
int RenderCreateTexture(void* user, int type, int w, int h, int imageFlags, const unsigned char* data)
{
  return Self(user)->renderCreateTextureWithType(type, w, h, imageFlags, data);
}
int RenderDeleteTexture(void* user, int image) { return Self(user)->renderDeleteTexture(image); }
int RenderUpdateTexture(void* user, int image, int x, int y, int w, int h, const unsigned char* data)
{
  return Self(user)->renderUpdateTextureWithImage(image, x, y, w, h, data);
}
int RenderGetTextureSize(void* user, int image, int* w, int* h)
{
  return Self(user)->renderGetTextureSizeForImage(image, w, h);
}
void RenderViewport(void* user, float width, float height, float ratio)
{
  Self(user)->renderViewportWithWidth(width, height, ratio);
}
void RenderCancel(void* user) { Self(user)->renderCancel(); }
void RenderFlush(void* user) { Self(user)->renderFlush(); }
void RenderFill(void* user, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor, float fringe,
                const float* bounds, const VGRpath* paths, int npaths)
{
  Self(user)->renderFillWithPaint(paint, op, scissor, fringe, bounds, paths, npaths);
}
void RenderStroke(void* user, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor, float fringe,
                  float strokeWidth, const VGRpath* paths, int npaths)
{
  Self(user)->renderStrokeWithPaint(paint, op, scissor, fringe, strokeWidth, paths, npaths);
}
void RenderTriangles(void* user, VGRpaint* paint, VGRcompositeOperationState op, VGRscissor* scissor,
                     const VGRvertex* verts, int nverts, float fringe)
{
  Self(user)->renderTrianglesWithPaint(paint, op, scissor, verts, nverts, fringe);
}
void RenderDelete(void* user)
{
  MVGRcontext* context = Self(user);
  context->renderDelete();
  context->release();
}

} // namespace

MVGRbinding& mvgrBinding()
{
  static MVGRbinding binding;
  return binding;
}

MVGRcontext* mvgrBackEnd(VGRdrawContext* ctx)
{
  return ctx ? Self(ctx->params.userPtr) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Buffer sets

PLUG_OBJC_CLASS(MVGRbuffers)::~PLUG_OBJC_CLASS(MVGRbuffers)() { vgrFree(calls); }

mtl::Ref<mtl::CommandBuffer> MVGRbuffers::commandBuffer() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCommandBuffer;
}

void MVGRbuffers::setCommandBuffer(mtl::Ref<mtl::CommandBuffer> buffer)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCommandBuffer = std::move(buffer);
}

int MVGRbuffers::image() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mImage;
}

void MVGRbuffers::setImage(int image)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mImage = image;
}

void MVGRtexture::waitUntilUnused()
{
  if (lastUse && lastUse->Status() != mtl::CommandBufferStatus::Completed)
    lastUse->WaitUntilCompleted();
  lastUse = nullptr;
}

void MVGRbuffers::clearCounts()
{
  ncalls = nindexes = nverts = nuniforms = 0;
}

// ---------------------------------------------------------------------------------------------
// Creation and deletion

PLUG_OBJC_CLASS(MVGRcontext)::~PLUG_OBJC_CLASS(MVGRcontext)() { renderDelete(); }

int MVGRcontext::renderCreate()
{
  if (!mMetalLayer)
    return 0;
  if (!mMetalLayer->Device())
    mMetalLayer->SetDevice(mtl::CreateSystemDefaultDevice());
  mMetalLayer->SetOpaque(false);
  const mtl::Ref<mtl::Device> device = mMetalLayer->Device();

  const MVGRshaderLibraryData blob = MVGRshaderLibrary();
  mtl::Ref<mtl::Error> error;
  const mtl::Ref<mtl::Library> library = device->NewLibrary(blob.data, blob.length, &error);
  checkError(error.Get(), "init library");
  if (!library)
    return 0;
  mVertexFunction = library->NewFunction(kMVGRvertexFunctionName);
  mFragmentFunction =
    library->NewFunction((mFlags & kMVGRantialias) ? kMVGRfragmentFunctionAAName : kMVGRfragmentFunctionName);
  mCommandQueue = device->NewCommandQueue();

  mMaxBuffers = (mFlags & kMVGRtripleBuffer) ? 3 : (mFlags & kMVGRdoubleBuffer) ? 2 : 1;
  for (int i = 0; i < mMaxBuffers; i++)
  {
    MVGRowned<MVGRbuffers> set(new (std::nothrow) MVGRbuffers());
    if (!set)
      return 0;
    try
    {
      mCbuffers.push_back(std::move(set));
    }
    catch (...)
    {
      return 0;
    }
  }
  mClearBufferOnFlush = false;
  mSemaphore.reset(dispatch_semaphore_create(mMaxBuffers));

  mVertexDescriptor = mtl::VertexDescriptor();
  mVertexDescriptor.attributes[kMVGRpositionAttribute] = {mtl::VertexFormat::Float2, kMVGRpositionOffset,
                                                          kMVGRvertexBufferIndex};
  mVertexDescriptor.attributes[kMVGRtexcoordAttribute] = {mtl::VertexFormat::Float2, kMVGRtexcoordOffset,
                                                          kMVGRvertexBufferIndex};
  mVertexDescriptor.layouts[kMVGRvertexBufferIndex].stride = kMVGRvertexStride;
  mVertexDescriptor.layouts[kMVGRvertexBufferIndex].stepFunction = mtl::VertexStepFunction::PerVertex;

  mTextureId = 0;
  mTextures.clear();
  mPseudoSampler = device->NewSamplerState(mtl::SamplerDescriptor());
  // Both fragment functions read texture 0 whatever the paint, and Metal requires every texture
  // a function reads to be bound: draws without an image bind this one texel. Its contents are
  // written here, since a new texture's are undefined. Without it such draws bind none.
  mtl::TextureDescriptor pseudo = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::RGBA8Unorm, 1, 1, false);
  pseudo.usage = mtl::TextureUsageShaderRead;
  mPseudoTexture = device->NewTexture(pseudo);
  if (mPseudoTexture)
  {
    const uint8_t texel[4] = {0, 0, 0, 255};
    mPseudoTexture->ReplaceRegion(mtl::Region::Make2D(0, 0, 1, 1), 0, texel, sizeof(texel));
  }
  mBlendFunc.reset(new (std::nothrow) MVGRblend(kSourceOver));
  if (!mBlendFunc)
    return 0;

  using Op = StencilOperation;
  const mtl::StencilDescriptor fillFront = Stencil(CompareFunction::Always, Op::Keep, Op::Keep, Op::IncrementWrap);
  const mtl::StencilDescriptor fillBack = Stencil(CompareFunction::Always, Op::Keep, Op::Keep, Op::DecrementWrap);
  const mtl::StencilDescriptor fillAntiAlias = Stencil(CompareFunction::Equal, Op::Keep, Op::Keep, Op::Zero);
  const mtl::StencilDescriptor fill = Stencil(CompareFunction::NotEqual, Op::Zero, Op::Zero, Op::Zero);
  const mtl::StencilDescriptor strokeShape = Stencil(CompareFunction::Equal, Op::Keep, Op::Keep, Op::IncrementClamp);
  const mtl::StencilDescriptor strokeAntiAlias = Stencil(CompareFunction::Equal, Op::Keep, Op::Keep, Op::Keep);
  const mtl::StencilDescriptor strokeClear = Stencil(CompareFunction::Always, Op::Zero, Op::Zero, Op::Zero);
  mDefaultStencilState = DepthStencil(*device, nullptr, nullptr);
  mFillShapeStencilState = DepthStencil(*device, &fillFront, &fillBack);
  mFillAntiAliasStencilState = DepthStencil(*device, &fillAntiAlias, nullptr);
  mFillStencilState = DepthStencil(*device, &fill, nullptr);
  mStrokeShapeStencilState = DepthStencil(*device, &strokeShape, nullptr);
  mStrokeAntiAliasStencilState = DepthStencil(*device, &strokeAntiAlias, nullptr);
  mStrokeClearStencilState = DepthStencil(*device, &strokeClear, nullptr);
  return 1;
}

void MVGRcontext::renderDelete()
{
  // A frame still being recorded gives its set back. Frames in flight are not waited for: each
  // one's command buffer holds what it draws with, and its completion handler its set and the
  // semaphore, so whatever goes here goes when the last of them completes.
  if (mRecording)
    renderCancel();
  mRenderEncoder = nullptr;
  mCommandQueue = nullptr;
  mCbuffers.clear();
  mBuffers = nullptr;
  mTextures.clear();
  mBlendFunc.reset();
  mDefaultStencilState = mFillShapeStencilState = mFillAntiAliasStencilState = mFillStencilState = nullptr;
  mStrokeShapeStencilState = mStrokeAntiAliasStencilState = mStrokeClearStencilState = nullptr;
  mFragmentFunction = mVertexFunction = nullptr;
  mPipelineState = mStencilOnlyPipelineState = nullptr;
  for (CachedPipelines& cached : mPipelineCache)
    cached = CachedPipelines();
  mPseudoSampler = nullptr;
  mPseudoTexture = nullptr;
  mSemaphore.reset();
  if (mMetalLayer)
    mMetalLayer->SetDevice(nullptr);
  mMetalLayer = nullptr;
  // No binding may point at a context that is going.
  MVGRbinding& binding = mvgrBinding();
  if (mDrawContext && binding.framebuffer && binding.framebuffer->ctx == mDrawContext)
    binding.framebuffer = nullptr;
  if (mDrawContext && binding.droppedFrameContext == mDrawContext)
    binding.droppedFrameContext = nullptr;
  mDrawContext = nullptr;
}

void MVGRcontext::checkError(const mtl::Error* error, const char* step) const
{
  if (!error || !(mFlags & kMVGRdebug))
    return;
  std::printf("Error occurs after %s: %s\n", step, error->LocalizedDescription().c_str());
}

// ---------------------------------------------------------------------------------------------
// Textures

MVGRtexture* MVGRcontext::allocTexture()
{
  MVGRtexture* record = nullptr;
  for (const auto& t : mTextures)
    if (t->id == 0)
    {
      record = t.get();
      break;
    }
  if (!record)
  {
    MVGRowned<MVGRtexture> fresh(new (std::nothrow) MVGRtexture());
    if (!fresh)
      return nullptr;
    try
    {
      mTextures.push_back(std::move(fresh));
    }
    catch (...)
    {
      return nullptr;
    }
    record = mTextures.back().get();
  }
  record->type = 0;
  record->flags = 0;
  record->tex = nullptr;
  record->sampler = nullptr;
  record->lastUse = nullptr;
  record->id = ++mTextureId;
  return record;
}

MVGRtexture* MVGRcontext::findTexture(int image) const
{
  if (image <= 0) // 0 marks free records
    return nullptr;
  for (const auto& t : mTextures)
    if (t->id == image)
      return t.get();
  return nullptr;
}

int MVGRcontext::renderCreateTextureWithType(int type, int width, int height, int imageFlags,
                                             const unsigned char* data)
{
  const mtl::Ref<mtl::Device> device = mMetalLayer ? mMetalLayer->Device() : nullptr;
  if (!device || !mCommandQueue || (type != VGR_TEXTURE_ALPHA && type != VGR_TEXTURE_RGBA) || width <= 0 ||
      height <= 0)
    return 0;
  const bool mipmaps = (imageFlags & VGR_IMAGE_GENERATE_MIPMAPS) != 0;
  mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(
    type == VGR_TEXTURE_ALPHA ? mtl::PixelFormat::R8Unorm : mtl::PixelFormat::RGBA8Unorm, uint64_t(width),
    uint64_t(height), mipmaps);
  d.usage = mtl::TextureUsageShaderRead | mtl::TextureUsageShaderWrite | mtl::TextureUsageRenderTarget;
  // A texture that cannot be made gives no image (and no record).
  const mtl::Ref<mtl::Texture> texture = device->NewTexture(d);
  if (!texture)
    return 0;
  if (data)
  {
    const uint64_t bytesPerRow = uint64_t(width) * (type == VGR_TEXTURE_RGBA ? 4 : 1);
    texture->ReplaceRegion(mtl::Region::Make2D(0, 0, uint64_t(width), uint64_t(height)), 0, data, bytesPerRow);
    if (mipmaps)
    {
      const mtl::Ref<mtl::CommandBuffer> commands = mCommandQueue->NewCommandBuffer();
      if (const mtl::Ref<mtl::BlitCommandEncoder> blit = commands->NewBlitCommandEncoder())
      {
        blit->GenerateMipmaps(texture);
        blit->EndEncoding();
      }
      commands->Commit();
      commands->WaitUntilCompleted();
    }
  }
  mtl::SamplerDescriptor s;
  const bool nearest = (imageFlags & VGR_IMAGE_NEAREST) != 0;
  s.minFilter = s.magFilter = nearest ? mtl::SamplerMinMagFilter::Nearest : mtl::SamplerMinMagFilter::Linear;
  if (mipmaps)
    s.mipFilter = nearest ? mtl::SamplerMipFilter::Nearest : mtl::SamplerMipFilter::Linear;
  s.sAddressMode = (imageFlags & VGR_IMAGE_REPEATX) ? mtl::SamplerAddressMode::Repeat
                                                    : mtl::SamplerAddressMode::ClampToEdge;
  s.tAddressMode = (imageFlags & VGR_IMAGE_REPEATY) ? mtl::SamplerAddressMode::Repeat
                                                    : mtl::SamplerAddressMode::ClampToEdge;
  MVGRtexture* record = allocTexture();
  if (!record)
    return 0;
  record->type = type;
  record->flags = imageFlags;
  record->tex = texture;
  record->sampler = device->NewSamplerState(s);
  return record->id;
}

int MVGRcontext::renderDeleteTexture(int image)
{
  MVGRtexture* record = findTexture(image);
  if (!record)
    return 0;
  if (!(record->flags & kMVGRimageNotOwned))
  {
    record->tex = nullptr;
    record->sampler = nullptr;
  }
  record->lastUse = nullptr;
  record->id = 0;
  record->flags = 0;
  return 1;
}

int MVGRcontext::renderUpdateTextureWithImage(int image, int x, int y, int width, int height,
                                              const unsigned char* data)
{
  MVGRtexture* record = findTexture(image);
  if (!record || !data)
    return 0;
  // Not under a frame that still samples it.
  record->waitUntilUnused();
  const int64_t bpp = record->type == VGR_TEXTURE_RGBA ? 4 : 1;
  const int64_t w = int64_t(record->tex->Width());
  // The region is clipped to the texture; data holds the whole image, rows w pixels apart.
  mtl::Region region{};
  if (!ClipToTexture(*record->tex, x, y, width, height, region))
    return 0;
  const int64_t x0 = int64_t(region.origin.x), y0 = int64_t(region.origin.y);
  record->tex->ReplaceRegion(region, 0, data + (y0 * w + x0) * bpp, uint64_t(w * bpp));
  return 1;
}

int MVGRcontext::renderGetTextureSizeForImage(int image, int* width, int* height)
{
  const MVGRtexture* record = findTexture(image);
  if (!record)
    return 0;
  if (width)
    *width = int(record->tex->Width());
  if (height)
    *height = int(record->tex->Height());
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Blending and pipelines

MVGRblend MVGRcontext::blendCompositeOperation(VGRcompositeOperationState op) const
{
  MVGRblend blend;
  if (!MetalBlendFactor(op.srcRGB, blend.srcRGB) || !MetalBlendFactor(op.dstRGB, blend.dstRGB) ||
      !MetalBlendFactor(op.srcAlpha, blend.srcAlpha) || !MetalBlendFactor(op.dstAlpha, blend.dstAlpha))
    return kSourceOver;
  return blend;
}

void MVGRcontext::updateRenderPipelineStatesForBlend(const MVGRblend* blend, mtl::PixelFormat pixelFormat)
{
  if (!blend || !mBlendFunc)
    return;
  if (mPipelineState && mStencilOnlyPipelineState && pixelFormat == mPiplelinePixelFormat && *blend == *mBlendFunc)
    return;
  for (const CachedPipelines& cached : mPipelineCache)
  {
    if (cached.color && cached.stencilOnly && cached.pixelFormat == pixelFormat && cached.blend == *blend)
    {
      *mBlendFunc = *blend;
      mPipelineState = cached.color;
      mStencilOnlyPipelineState = cached.stencilOnly;
      mPiplelinePixelFormat = pixelFormat;
      return;
    }
  }
  const mtl::Ref<mtl::Device> device = mMetalLayer->Device();
  mtl::RenderPipelineDescriptor d;
  mtl::RenderPipelineColorAttachmentDescriptor& color = d.colorAttachments[0];
  color.pixelFormat = pixelFormat;
  color.blendingEnabled = true;
  color.sourceRGBBlendFactor = blend->srcRGB;
  color.sourceAlphaBlendFactor = blend->srcAlpha;
  color.destinationRGBBlendFactor = blend->dstRGB;
  color.destinationAlphaBlendFactor = blend->dstAlpha;
  d.stencilAttachmentPixelFormat = mtl::PixelFormat::Stencil8;
  d.vertexFunction = mVertexFunction;
  d.fragmentFunction = mFragmentFunction;
  d.SetVertexDescriptor(mVertexDescriptor);
  *mBlendFunc = *blend;

  mtl::Ref<mtl::Error> error;
  mPipelineState = device->NewRenderPipelineState(d, &error);
  checkError(error.Get(), "init pipeline state");

  d.fragmentFunction = nullptr;
  color.writeMask = mtl::ColorWriteMaskNone;
  error = nullptr;
  mStencilOnlyPipelineState = device->NewRenderPipelineState(d, &error);
  checkError(error.Get(), "init pipeline stencil only state");
  mPiplelinePixelFormat = pixelFormat;
  if (mPipelineState && mStencilOnlyPipelineState)
  {
    CachedPipelines& slot = mPipelineCache[mPipelineCacheNext];
    mPipelineCacheNext = (mPipelineCacheNext + 1) % kPipelineCacheSize;
    slot.blend = *blend;
    slot.pixelFormat = pixelFormat;
    slot.color = mPipelineState;
    slot.stencilOnly = mStencilOnlyPipelineState;
  }
}

// ---------------------------------------------------------------------------------------------
// Paint to uniform block

int MVGRcontext::convertPaintForFrag(MVGRfragUniforms* frag, const VGRpaint* paint, const VGRscissor* scissor,
                                     float width, float fringe, float strokeThr)
{
  std::memset(frag, 0, sizeof(*frag));
  Premultiply(frag->innerCol, paint->innerColor);
  Premultiply(frag->outerCol, paint->outerColor);

  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f)
  {
    frag->scissorExt[0] = frag->scissorExt[1] = 1.0f;
    frag->scissorScale[0] = frag->scissorScale[1] = 1.0f;
  }
  else
  {
    const float* t = scissor->xform;
    float inverse[6];
    vgrMatrixInvert(inverse, t);
    StoreMatrix(frag->scissorMat, inverse);
    frag->scissorExt[0] = scissor->extent[0];
    frag->scissorExt[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(t[0] * t[0] + t[2] * t[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(t[1] * t[1] + t[3] * t[3]) / fringe;
  }

  frag->extent[0] = paint->extent[0];
  frag->extent[1] = paint->extent[1];
  frag->strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;

  float paintXform[6];
  std::memcpy(paintXform, paint->xform, sizeof(paintXform));
  if (paint->image != 0)
  {
    const MVGRtexture* record = findTexture(paint->image);
    if (!record)
      return 0;
    frag->type = kMVGRshaderFillImage;
    if (record->flags & VGR_IMAGE_FLIPY)
    {
      // The paint transform applied after flipping y within the paint's extent.
      const float* p = paint->xform;
      const float h = paint->extent[1];
      const float flipped[6] = {p[0], p[1], -p[2], -p[3], p[4] + p[2] * h, p[5] + p[3] * h};
      std::memcpy(paintXform, flipped, sizeof(paintXform));
    }
    if (record->type == VGR_TEXTURE_RGBA)
      frag->texType = (record->flags & VGR_IMAGE_PREMULTIPLIED) ? kMVGRtexturePremultiplied : kMVGRtextureStraight;
    else
      frag->texType = kMVGRtextureAlpha;
  }
  else
  {
    frag->type = kMVGRshaderFillGradient;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
  }
  float inverse[6];
  vgrMatrixInvert(inverse, paintXform);
  StoreMatrix(frag->paintMat, inverse);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Function interface

VGRdrawContext* mvgrContextCreate(CAMetalLayer* layer, int flags)
{
  if (!layer)
    return nullptr;
  MVGRcontext* context = new (std::nothrow) MVGRcontext();
  if (!context)
    return nullptr;
  context->setFlags(flags);
  context->setMetalLayer(layer);

  VGRrenderInterface ri;
  std::memset(&ri, 0, sizeof(ri));
  ri.userPtr = context;
  ri.edgeAntiAlias = flags & kMVGRantialias;
  ri.renderCreate = RenderCreate;
  ri.renderCreateTexture = RenderCreateTexture;
  ri.renderDeleteTexture = RenderDeleteTexture;
  ri.renderUpdateTexture = RenderUpdateTexture;
  ri.renderGetTextureSize = RenderGetTextureSize;
  ri.renderViewport = RenderViewport;
  ri.renderCancel = RenderCancel;
  ri.renderFlush = RenderFlush;
  ri.renderFill = RenderFill;
  ri.renderStroke = RenderStroke;
  ri.renderTriangles = RenderTriangles;
  ri.renderDelete = RenderDelete;
  // On failure the renderer has called renderDelete, which released the context.
  VGRdrawContext* ctx = vgrCreateContext(&ri);
  if (ctx)
    context->setDrawContext(ctx);
  return ctx;
}

void mvgrContextDelete(VGRdrawContext* ctx) { vgrDeleteContext(ctx); }

void mvgrFramebufferBind(VGRMetalFramebuffer* fb)
{
  MVGRbinding& binding = mvgrBinding();
  binding.framebuffer = fb;
  binding.droppedFrameContext = nullptr;
}

VGRMetalFramebuffer* mvgrFramebufferCreate(VGRdrawContext* ctx, int width, int height, int imageFlags)
{
  auto* fb = static_cast<VGRMetalFramebuffer*>(vgrCalloc(1, sizeof(VGRMetalFramebuffer)));
  if (!fb)
    return nullptr;
  fb->ctx = ctx;
  if (MVGRcontext* context = mvgrBackEnd(ctx))
    fb->image = context->renderCreateTextureWithType(VGR_TEXTURE_RGBA, width, height,
                                                     imageFlags | VGR_IMAGE_PREMULTIPLIED, nullptr);
  return fb;
}

void mvgrFramebufferDelete(VGRMetalFramebuffer* fb)
{
  if (!fb)
    return;
  MVGRcontext* context = mvgrBackEnd(fb->ctx);
  if (fb->image > 0 && context)
    context->renderDeleteTexture(fb->image);
  MVGRbinding& binding = mvgrBinding();
  if (binding.framebuffer == fb)
  {
    binding.framebuffer = nullptr;
    binding.droppedFrameContext = fb->ctx;
  }
  vgrFree(fb);
}

int mvgrImageCreateRGBA(VGRdrawContext* ctx, int width, int height, int imageFlags, const unsigned char* data)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  return context ? context->renderCreateTextureWithType(VGR_TEXTURE_RGBA, width, height, imageFlags, data) : 0;
}

void mvgrImageDelete(VGRdrawContext* ctx, int image)
{
  if (MVGRcontext* context = mvgrBackEnd(ctx))
    context->renderDeleteTexture(image);
}

int mvgrImageFromTexture(VGRdrawContext* ctx, standin::mtl::Texture* texture, int imageFlags)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  MVGRtexture* record = context ? context->allocTexture() : nullptr;
  if (!record)
    return 0;
  record->type = VGR_TEXTURE_RGBA;
  record->tex = texture;
  record->flags = imageFlags;
  return record->id;
}

standin::mtl::Texture* mvgrImageTexture(VGRdrawContext* ctx, int image)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  const MVGRtexture* record = context ? context->findTexture(image) : nullptr;
  if (!record)
    return nullptr;
  context->waitForImage(image);
  return record->tex.Get();
}

void mvgrImageReadPixels(VGRdrawContext* ctx, int image, int x, int y, int width, int height, void* out)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  const MVGRtexture* record = context ? context->findTexture(image) : nullptr;
  if (!record || !out)
    return;
  context->waitForImage(image);
  const mtl::Texture& texture = *record->tex;
  const int64_t bpp = record->type == VGR_TEXTURE_RGBA ? 4 : 1;
  mtl::Region region{};
  if (!ClipToTexture(texture, x, y, width, height, region))
    return;
  const int64_t stride = int64_t(texture.Width()) * bpp;
  uint8_t* first =
    static_cast<uint8_t*>(out) + (int64_t(region.origin.y) - y) * stride + (int64_t(region.origin.x) - x) * bpp;
  texture.GetBytes(first, uint64_t(stride), region, 0);
}

void mvgrSetClearColor(VGRdrawContext* ctx, VGRcolor color)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  if (!context)
    return;
  context->setClearColor(mtl::ClearColor{double(color.r) * color.a, double(color.g) * color.a,
                                         double(color.b) * color.a, double(color.a)});
  context->setClearBufferOnFlush(true);
}

standin::mtl::CommandQueue* mvgrGetCommandQueue(VGRdrawContext* ctx)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  return context ? context->commandQueue() : nullptr;
}

standin::mtl::Device* mvgrGetDevice(VGRdrawContext* ctx)
{
  MVGRcontext* context = mvgrBackEnd(ctx);
  return context && context->metalLayer() ? context->metalLayer()->Device().Get() : nullptr;
}

void* mvgrReturnArgument(void* argument) { return argument; }
int mvgrReturnOne() { return 1; }

} // namespace igraphics
} // namespace plug
