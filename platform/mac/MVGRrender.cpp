// The Metal render back end: recording the renderer's draw calls into a buffer set, encoding
// them into one render pass at flush, and frame submission with the frame semaphore.

#include "platform/mac/MVGRcontext.h"

#include "graphics/renderer/VGRMemory.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

constexpr uint64_t kSharedWriteCombined = mtl::ResourceStorageModeShared | mtl::ResourceCPUCacheModeWriteCombined;

// Fringes drawn inside a stroke's stencilled shape are cut below this coverage.
constexpr float kStrokeStencilThreshold = 1.0f - 0.5f / 255.0f;

// What a path contributes: fan vertices (at least a triangle's) and strip vertices.
int FanCount(const VGRpath& p) { return p.nfill >= 3 && p.fill ? p.nfill : 0; }
int StripCount(const VGRpath& p) { return p.nstroke > 0 && p.stroke ? p.nstroke : 0; }

// Vertices of the joined strip: each path's strip with its first and last vertex doubled.
int64_t JoinedStripTotal(const VGRpath* paths, int npaths)
{
  int64_t total = 0;
  for (int i = 0; i < npaths; i++)
    if (const int n = StripCount(paths[i]))
      total += n + 2;
  return total;
}

uint32_t ToPixels(float size)
{
  return size >= 1.0f && size < 4294967040.0f ? uint32_t(size) : 0;
}

// Takes n items of one of a set's growing Metal buffers, whose contents, count and capacity are
// given: the index of the first, or -1 when the buffer cannot grow. A buffer that is too small
// is replaced by one of room for max(needed, minimum) plus half the old capacity, the items
// already taken copied over. Byte offsets stay within an int.
template <class T>
int TakeItems(mtl::Device& device, mtl::Ref<mtl::Buffer>& buffer, T*& contents, int& count, int& capacity, int n,
              int minimum, int size)
{
  const int64_t needed = int64_t(count) + n;
  if (n < 0 || needed * size > INT_MAX)
    return -1;
  if (needed > capacity)
  {
    const int64_t items = std::max<int64_t>(needed, minimum) + capacity / 2;
    mtl::Ref<mtl::Buffer> grown =
      items * size <= INT_MAX ? device.NewBuffer(uint64_t(items * size), kSharedWriteCombined) : nullptr;
    if (!grown)
      return -1;
    if (buffer && count > 0)
      std::memcpy(grown->Contents(), buffer->Contents(), size_t(count) * size_t(size));
    buffer = std::move(grown);
    capacity = int(items);
    contents = static_cast<T*>(buffer->Contents());
  }
  const int first = count;
  count = int(needed);
  return first;
}

void DrawStrip(mtl::RenderCommandEncoder& e, int start, int count)
{
  if (count > 0)
    e.DrawPrimitives(mtl::PrimitiveType::TriangleStrip, uint64_t(start), uint64_t(count));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Frames

void MVGRcontext::renderViewportWithWidth(float width, float height, float devicePixelRatio)
{
  if (!mSemaphore)
    return;
  // A frame begun while another is recorded (an offscreen frame started inside a frame) drops
  // the one before, which would otherwise keep its set and semaphore unit for ever.
  if (mRecording)
    renderCancel();
  mViewPortSize[0] = ToPixels(width * devicePixelRatio);
  mViewPortSize[1] = ToPixels(height * devicePixelRatio);
  dispatch_semaphore_wait(mSemaphore.get(), DISPATCH_TIME_FOREVER);
  mBuffers = nullptr;
  for (const auto& set : mCbuffers)
    if (!set->isBusy())
    {
      mBuffers = set.get();
      break;
    }
  if (!mBuffers)
  {
    dispatch_semaphore_signal(mSemaphore.get());
    return;
  }
  mBuffers->setIsBusy(true);
  mRecording = true;
  if (!mBuffers->viewSizeBuffer)
    mBuffers->viewSizeBuffer = mMetalLayer->Device()->NewBuffer(2 * sizeof(float), kSharedWriteCombined);
  if (mBuffers->viewSizeBuffer)
  {
    const float size[2] = {width, height};
    std::memcpy(mBuffers->viewSizeBuffer->Contents(), size, sizeof(size));
  }
}

void MVGRcontext::renderCancel()
{
  MVGRbuffers* set = recordingSet();
  if (!set)
    return;
  mRecording = false;
  set->setImage(0);
  set->clearCounts();
  set->setIsBusy(false);
  dispatch_semaphore_signal(mSemaphore.get());
}

void mvgrFlushCompletedHandler(MVGRbuffers* set, dispatch_semaphore_t semaphore)
{
  // Counts first and the busy flag last: a frame that finds the set free finds it empty.
  set->clearCounts();
  set->setImage(0);
  set->setCommandBuffer(nullptr);
  set->setIsBusy(false);
  dispatch_semaphore_signal(semaphore);
}

bool MVGRcontext::frameTarget(mtl::Ref<mtl::Texture>& color, mtl::Ref<standin::ca::MetalDrawable>& drawable,
                              int& image)
{
  const MVGRbinding& binding = mvgrBinding();
  if (!mDrawContext)
    return false;
  if (binding.framebuffer && binding.framebuffer->ctx == mDrawContext)
  {
    // A framebuffer whose image could not be made or is gone has nothing to render into.
    const MVGRtexture* record = findTexture(binding.framebuffer->image);
    if (!record || !record->tex)
      return false;
    color = record->tex;
    image = record->id;
    return true;
  }
  if (binding.droppedFrameContext == mDrawContext)
    return false;
  drawable = mMetalLayer->NextDrawable();
  if (!drawable)
    return false;
  color = drawable->Texture();
  return true;
}

bool MVGRcontext::updateStencilTextureToSize(uint32_t width, uint32_t height)
{
  MVGRbuffers* set = mBuffers;
  if (set->stencilTexture && (set->stencilTexture->Width() < width || set->stencilTexture->Height() < height))
    set->stencilTexture = nullptr;
  if (!set->stencilTexture)
  {
    mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(mtl::PixelFormat::Stencil8, width, height, false);
    d.usage = mtl::TextureUsageRenderTarget;
    d.storageMode = mtl::StorageMode::Private;
    set->stencilTexture = mMetalLayer->Device()->NewTexture(d);
  }
  return set->stencilTexture != nullptr;
}

mtl::Ref<mtl::RenderCommandEncoder> MVGRcontext::renderCommandEncoderWithColorTexture(
  const mtl::Ref<mtl::Texture>& texture, mtl::CommandBuffer& commandBuffer)
{
  MVGRbuffers* set = mBuffers;
  mtl::RenderPassDescriptor pass;
  mtl::RenderPassColorAttachmentDescriptor& color = pass.colorAttachments[0];
  color.texture = texture;
  color.clearColor = mClearColor;
  color.loadAction = mClearBufferOnFlush ? mtl::LoadAction::Clear : mtl::LoadAction::Load;
  color.storeAction = mtl::StoreAction::Store;
  pass.stencilAttachment.texture = set->stencilTexture;
  pass.stencilAttachment.clearStencil = 0;
  pass.stencilAttachment.loadAction = mtl::LoadAction::Clear;
  pass.stencilAttachment.storeAction = mtl::StoreAction::DontCare;
  mtl::Ref<mtl::RenderCommandEncoder> encoder = commandBuffer.NewRenderCommandEncoder(pass);
  if (!encoder)
    return nullptr;
  mClearBufferOnFlush = false;
  encoder->SetCullMode(mtl::CullMode::Back);
  encoder->SetFrontFacingWinding(mtl::Winding::CounterClockwise);
  encoder->SetStencilReferenceValue(0);
  encoder->SetViewport(mtl::Viewport{0, 0, double(mViewPortSize[0]), double(mViewPortSize[1]), 0, 1});
  encoder->SetVertexBuffer(set->vertBuffer, 0, kMVGRvertexBufferIndex);
  encoder->SetVertexBuffer(set->viewSizeBuffer, 0, kMVGRviewSizeBufferIndex);
  encoder->SetFragmentBuffer(set->uniformBuffer, 0, kMVGRuniformBufferIndex);
  return encoder;
}

void MVGRcontext::renderFlush()
{
  MVGRbuffers* set = recordingSet();
  if (!set)
    return;
  // The target is decided before a command buffer exists: a frame with nowhere to go is
  // cancelled, so its set never stays busy.
  mtl::Ref<mtl::Texture> color;
  mtl::Ref<standin::ca::MetalDrawable> drawable;
  int image = 0;
  if (mViewPortSize[0] == 0 || mViewPortSize[1] == 0 || !set->viewSizeBuffer || !frameTarget(color, drawable, image))
  {
    renderCancel();
    return;
  }
  const uint32_t targetWidth = image ? uint32_t(color->Width()) : mViewPortSize[0];
  const uint32_t targetHeight = image ? uint32_t(color->Height()) : mViewPortSize[1];
  mRecording = false;

  const mtl::Ref<mtl::CommandBuffer> commandBuffer = mCommandQueue->NewCommandBuffer();
  set->setImage(image);
  set->setCommandBuffer(commandBuffer);
  commandBuffer->Enqueue();
  // The handler holds the set and the semaphore, which the context may let go of first.
  commandBuffer->AddCompletedHandler(
    [set = MVGRshared<MVGRbuffers>(set), semaphore = MVGRshared<standin::DispatchSemaphore>(mSemaphore.get())](
      mtl::CommandBuffer&) { mvgrFlushCompletedHandler(set.get(), semaphore.get()); });

  // Without an encoder the empty buffer is still committed: its completion frees the set.
  mtl::Ref<mtl::RenderCommandEncoder> encoder;
  if (updateStencilTextureToSize(targetWidth, targetHeight))
    encoder = renderCommandEncoderWithColorTexture(color, *commandBuffer);
  if (encoder)
  {
    mRenderEncoder = encoder;
    for (int i = 0; i < set->ncalls; i++)
    {
      const MVGRcall* call = &set->calls[i];
      updateRenderPipelineStatesForBlend(&call->blend, color->GetPixelFormat());
      // Calls without pipelines, or whose image went since they were recorded, are skipped.
      MVGRtexture* texture = call->image != 0 ? findTexture(call->image) : nullptr;
      if (!mPipelineState || !mStencilOnlyPipelineState || (call->image != 0 && !texture))
        continue;
      if (texture)
        texture->lastUse = commandBuffer;
      switch (call->kind)
      {
        case kMVGRcallFill: fill(call, texture); break;
        case kMVGRcallConvexFill: convexFill(call, texture); break;
        case kMVGRcallStroke: stroke(call, texture); break;
        case kMVGRcallTriangles: triangles(call, texture); break;
        default: break;
      }
    }
    encoder->EndEncoding();
    mRenderEncoder = nullptr;
    if (drawable && !mMetalLayer->PresentsWithTransaction())
      commandBuffer->PresentDrawable(drawable);
    if (mvgrBinding().framebuffer)
      if (const mtl::Ref<mtl::BlitCommandEncoder> blit = commandBuffer->NewBlitCommandEncoder())
      {
        blit->SynchronizeResource(color);
        blit->EndEncoding();
      }
  }
  commandBuffer->Commit();
  if (encoder && drawable && mMetalLayer->PresentsWithTransaction())
  {
    commandBuffer->WaitUntilScheduled();
    drawable->Present();
  }
}

void MVGRcontext::waitForImage(int image) const
{
  for (const auto& set : mCbuffers)
  {
    if (!set->isBusy() || set->image() != image)
      continue;
    // Held while waited on: the completion handler lets go of the set's reference. Every such
    // set is waited for: the sets are not taken in the order of the frames.
    if (const mtl::Ref<mtl::CommandBuffer> commandBuffer = set->commandBuffer())
      commandBuffer->WaitUntilCompleted();
  }
}

// ---------------------------------------------------------------------------------------------
// Recording

MVGRcall* MVGRcontext::allocCall()
{
  MVGRbuffers* set = recordingSet();
  if (!set)
    return nullptr;
  if (set->ncalls >= set->ccalls)
  {
    const int ccalls = std::max(set->ncalls + 1, 128) + set->ccalls / 2;
    auto* calls = static_cast<MVGRcall*>(vgrRealloc(set->calls, sizeof(MVGRcall) * size_t(ccalls)));
    if (!calls)
      return nullptr;
    set->calls = calls;
    set->ccalls = ccalls;
  }
  MVGRcall* call = &set->calls[set->ncalls++];
  std::memset(call, 0, sizeof(*call));
  return call;
}

MVGRcall* MVGRcontext::newCall(int kind, const VGRpaint* paint, VGRcompositeOperationState compositeOperation)
{
  MVGRcall* call = allocCall();
  if (call)
  {
    call->kind = kind;
    call->image = paint->image;
    call->blend = blendCompositeOperation(compositeOperation);
  }
  return call;
}

void MVGRcontext::dropCall()
{
  if (MVGRbuffers* set = recordingSet())
    if (set->ncalls > 0)
      set->ncalls--;
}

int MVGRcontext::allocVerts(int n)
{
  MVGRbuffers* set = recordingSet();
  return set ? TakeItems(*mMetalLayer->Device(), set->vertBuffer, set->verts, set->nverts, set->cverts, n, 4096,
                         int(sizeof(VGRvertex)))
             : -1;
}

int MVGRcontext::allocIndexes(int n)
{
  MVGRbuffers* set = recordingSet();
  return set ? TakeItems(*mMetalLayer->Device(), set->indexBuffer, set->indexes, set->nindexes, set->cindexes, n,
                         4096, mIndexSize)
             : -1;
}

int MVGRcontext::allocFragUniforms(int n)
{
  MVGRbuffers* set = recordingSet();
  const int first = set ? TakeItems(*mMetalLayer->Device(), set->uniformBuffer, set->uniforms, set->nuniforms,
                                    set->cuniforms, n, 128, mFragSize)
                        : -1;
  return first == -1 ? -1 : first * mFragSize;
}

MVGRfragUniforms* MVGRcontext::fragUniformAtIndex(int offset) const
{
  return reinterpret_cast<MVGRfragUniforms*>(mBuffers->uniforms + offset);
}

int MVGRcontext::writeFans(const VGRpath* paths, int npaths, int at, int indexAt)
{
  MVGRbuffers* set = mBuffers;
  for (int i = 0; i < npaths; i++)
  {
    const int n = FanCount(paths[i]);
    if (n == 0)
      continue;
    std::memcpy(&set->verts[at], paths[i].fill, sizeof(VGRvertex) * size_t(n));
    for (int j = 2; j < n; j++)
    {
      uint32_t* triangle = &set->indexes[indexAt];
      triangle[0] = uint32_t(at);
      triangle[1] = uint32_t(at + j - 1);
      triangle[2] = uint32_t(at + j);
      indexAt += 3;
    }
    at += n;
  }
  return at;
}

void MVGRcontext::writeStrips(const VGRpath* paths, int npaths, int at)
{
  VGRvertex* v = mBuffers->verts;
  for (int i = 0; i < npaths; i++)
  {
    const int n = StripCount(paths[i]);
    if (n == 0)
      continue;
    v[at++] = paths[i].stroke[0];
    std::memcpy(&v[at], paths[i].stroke, sizeof(VGRvertex) * size_t(n));
    at += n;
    v[at++] = paths[i].stroke[n - 1];
  }
}

void MVGRcontext::renderFillWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                                      VGRscissor* scissor, float fringe, const float* bounds, const VGRpath* paths,
                                      int npaths)
{
  MVGRcall* call = newCall(kMVGRcallFill, paint, compositeOperation);
  if (!call)
    return;
  call->triangleCount = 4; // the cover quad
  if (npaths == 1 && paths[0].convex)
  {
    call->kind = kMVGRcallConvexFill;
    call->triangleCount = 0; // no cover quad
  }

  int64_t indexCount = 0, vertexCount = 0;
  for (int i = 0; i < npaths; i++)
    if (const int n = FanCount(paths[i]))
    {
      indexCount += int64_t(n - 2) * 3;
      vertexCount += n;
    }
  const int64_t stripTotal = JoinedStripTotal(paths, npaths);
  vertexCount += stripTotal + call->triangleCount;
  const int first = vertexCount <= INT_MAX ? allocVerts(int(vertexCount)) : -1;
  const int index = first != -1 && indexCount <= INT_MAX ? allocIndexes(int(indexCount)) : -1;
  if (index == -1)
  {
    dropCall();
    return;
  }
  call->indexStart = index;
  call->indexCount = int(indexCount);
  const int stripAt = first + int(vertexCount - stripTotal);
  call->stripStart = stripAt + 1;
  call->stripCount = int(stripTotal) - 2;

  const int fansEnd = writeFans(paths, npaths, first, index);
  writeStrips(paths, npaths, stripAt);
  if (call->kind == kMVGRcallFill)
  {
    // The cover quad over the bounds, drawn as a strip.
    call->triangleStart = fansEnd;
    VGRvertex* quad = &mBuffers->verts[fansEnd];
    quad[0] = VGRvertex{bounds[2], bounds[3], 0.5f, 1.0f};
    quad[1] = VGRvertex{bounds[2], bounds[1], 0.5f, 1.0f};
    quad[2] = VGRvertex{bounds[0], bounds[3], 0.5f, 1.0f};
    quad[3] = VGRvertex{bounds[0], bounds[1], 0.5f, 1.0f};
  }

  const int offset = allocFragUniforms(1);
  if (offset == -1)
  {
    dropCall();
    return;
  }
  call->uniformOffset = offset;
  // A paint whose image is unknown draws nothing (rather than a flat box).
  if (!convertPaintForFrag(fragUniformAtIndex(offset), paint, scissor, fringe, fringe, -1.0f))
    dropCall();
}

void MVGRcontext::renderStrokeWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                                        VGRscissor* scissor, float fringe, float strokeWidth, const VGRpath* paths,
                                        int npaths)
{
  MVGRcall* call = newCall(kMVGRcallStroke, paint, compositeOperation);
  if (!call)
    return;

  const int64_t stripTotal = JoinedStripTotal(paths, npaths);
  const int first = stripTotal <= INT_MAX ? allocVerts(int(stripTotal)) : -1;
  if (first == -1)
  {
    dropCall();
    return;
  }
  call->stripStart = first + 1;
  call->stripCount = int(stripTotal) - 2;
  writeStrips(paths, npaths, first);

  const bool stencilStrokes = (mFlags & kMVGRstencilStrokes) != 0;
  const int offset = allocFragUniforms(stencilStrokes ? 2 : 1);
  if (offset == -1)
  {
    dropCall();
    return;
  }
  call->uniformOffset = offset;
  bool known = convertPaintForFrag(fragUniformAtIndex(offset), paint, scissor, strokeWidth, fringe, -1.0f);
  if (known && stencilStrokes)
    known = convertPaintForFrag(fragUniformAtIndex(offset + mFragSize), paint, scissor, strokeWidth, fringe,
                                kStrokeStencilThreshold);
  if (!known)
    dropCall();
}

void MVGRcontext::renderTrianglesWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                                           VGRscissor* scissor, const VGRvertex* verts, int nverts, float fringe)
{
  MVGRcall* call = newCall(kMVGRcallTriangles, paint, compositeOperation);
  if (!call)
    return;
  const int first = nverts >= 0 && (verts || nverts == 0) ? allocVerts(nverts) : -1;
  if (first == -1)
  {
    dropCall();
    return;
  }
  call->triangleStart = first;
  call->triangleCount = nverts;
  if (nverts > 0)
    std::memcpy(&mBuffers->verts[first], verts, sizeof(VGRvertex) * size_t(nverts));

  const int offset = allocFragUniforms(1);
  if (offset == -1)
  {
    dropCall();
    return;
  }
  call->uniformOffset = offset;
  MVGRfragUniforms* frag = fragUniformAtIndex(offset);
  if (!convertPaintForFrag(frag, paint, scissor, 1.0f, fringe, -1.0f))
  {
    dropCall();
    return;
  }
  frag->type = kMVGRshaderTriangles;
}

// ---------------------------------------------------------------------------------------------
// Encoding

void MVGRcontext::setUniforms(int offset, const MVGRtexture* record)
{
  mtl::RenderCommandEncoder& e = *mRenderEncoder;
  e.SetFragmentBufferOffset(uint64_t(offset), kMVGRuniformBufferIndex);
  if (record)
  {
    e.SetFragmentTexture(record->tex, kMVGRtextureIndex);
    e.SetFragmentSamplerState(record->sampler ? record->sampler : mPseudoSampler, kMVGRsamplerIndex);
  }
  else
  {
    e.SetFragmentTexture(mPseudoTexture, kMVGRtextureIndex);
    e.SetFragmentSamplerState(mPseudoSampler, kMVGRsamplerIndex);
  }
}

void MVGRcontext::fill(const MVGRcall* call, const MVGRtexture* texture)
{
  mtl::RenderCommandEncoder& e = *mRenderEncoder;
  // The fans count coverage into the stencil: front faces up, back faces down.
  e.SetCullMode(mtl::CullMode::None);
  e.SetDepthStencilState(mFillShapeStencilState);
  e.SetRenderPipelineState(mStencilOnlyPipelineState);
  if (call->indexCount > 0)
    e.DrawIndexedPrimitives(mtl::PrimitiveType::Triangle, uint64_t(call->indexCount), mtl::IndexType::UInt32,
                            mBuffers->indexBuffer, uint64_t(call->indexStart) * uint64_t(mIndexSize));
  e.SetCullMode(mtl::CullMode::Back);
  e.SetRenderPipelineState(mPipelineState);
  setUniforms(call->uniformOffset, texture);
  // The fringe where the stencil is 0 (outside the shape), then the cover quad where it is not,
  // zeroing it on the way.
  if ((mFlags & kMVGRantialias) && call->stripCount > 0)
  {
    e.SetDepthStencilState(mFillAntiAliasStencilState);
    DrawStrip(e, call->stripStart, call->stripCount);
  }
  e.SetDepthStencilState(mFillStencilState);
  DrawStrip(e, call->triangleStart, call->triangleCount);
  e.SetDepthStencilState(mDefaultStencilState);
}

void MVGRcontext::convexFill(const MVGRcall* call, const MVGRtexture* texture)
{
  mtl::RenderCommandEncoder& e = *mRenderEncoder;
  setUniforms(call->uniformOffset, texture);
  e.SetRenderPipelineState(mPipelineState);
  if (call->indexCount > 0)
    e.DrawIndexedPrimitives(mtl::PrimitiveType::Triangle, uint64_t(call->indexCount), mtl::IndexType::UInt32,
                            mBuffers->indexBuffer, uint64_t(call->indexStart) * uint64_t(mIndexSize));
  DrawStrip(e, call->stripStart, call->stripCount);
}

void MVGRcontext::stroke(const MVGRcall* call, const MVGRtexture* texture)
{
  if (call->stripCount <= 0)
    return;
  mtl::RenderCommandEncoder& e = *mRenderEncoder;
  if (mFlags & kMVGRstencilStrokes)
  {
    // The stroke's body once per pixel, its fringe where the body did not draw, then the
    // stencil cleared.
    setUniforms(call->uniformOffset + mFragSize, texture);
    e.SetDepthStencilState(mStrokeShapeStencilState);
    e.SetRenderPipelineState(mPipelineState);
    DrawStrip(e, call->stripStart, call->stripCount);
    setUniforms(call->uniformOffset, texture);
    e.SetDepthStencilState(mStrokeAntiAliasStencilState);
    DrawStrip(e, call->stripStart, call->stripCount);
    e.SetDepthStencilState(mStrokeClearStencilState);
    e.SetRenderPipelineState(mStencilOnlyPipelineState);
    DrawStrip(e, call->stripStart, call->stripCount);
    e.SetDepthStencilState(mDefaultStencilState);
    return;
  }
  setUniforms(call->uniformOffset, texture);
  e.SetRenderPipelineState(mPipelineState);
  DrawStrip(e, call->stripStart, call->stripCount);
}

void MVGRcontext::triangles(const MVGRcall* call, const MVGRtexture* texture)
{
  mtl::RenderCommandEncoder& e = *mRenderEncoder;
  setUniforms(call->uniformOffset, texture);
  e.SetRenderPipelineState(mPipelineState);
  if (call->triangleCount > 0)
    e.DrawPrimitives(mtl::PrimitiveType::Triangle, uint64_t(call->triangleStart), uint64_t(call->triangleCount));
}

} // namespace igraphics
} // namespace plug
