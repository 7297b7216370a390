#pragma once
// The Metal render back end's classes, registered with the object runtime under the per-build
// names MVGRcontext_vVellicor_aax, MVGRbuffers_vVellicor_aax and MVGRtexture_vVellicor_aax.
// Included by the back end's sources and by tests that look inside; IGraphicsVGR goes through
// MVGR.h.
//
// The context records the renderer's draw calls into one of up to three buffer sets, encodes
// them into one render pass at flush and commits it; the set stays busy until the command
// buffer's completion handler (on Metal's completion thread) frees it and signals the frame
// semaphore. The handler holds its set and the semaphore, not the context: a context deleted
// with frames in flight goes at once, on the main thread, and the last frame's completion lets
// go of what the frame used. Everything else runs on the main thread.
#include "platform/mac/MVGR.h"

#include "platform/mac/MVGRshaderTypes.h"
#include "standin/foundation/Dispatch.h"
#include "standin/foundation/Object.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plug {
namespace igraphics {

namespace mtl = standin::mtl;

// Owns one reference to an object of the runtime.
struct MVGRrelease
{
  void operator()(const NSObject* object) const { object->release(); }
};
template <class T>
using MVGRowned = std::unique_ptr<T, MVGRrelease>;

// A reference to an object of the runtime that can be copied (each copy retains), for what a
// completion handler holds.
template <class T>
class MVGRshared
{
public:
  explicit MVGRshared(T* object) : mObject(Retained(object)) {}
  MVGRshared(const MVGRshared& other) : mObject(Retained(other.mObject)) {}
  MVGRshared& operator=(const MVGRshared&) = delete;
  ~MVGRshared()
  {
    if (mObject)
      mObject->release();
  }
  T* get() const { return mObject; }

private:
  T* mObject;
};

// Blend factors of a pipeline: source RGB, destination RGB, source alpha, destination alpha.
struct MVGRblend
{
  mtl::BlendFactor srcRGB, dstRGB, srcAlpha, dstAlpha;

  bool operator==(const MVGRblend& o) const
  {
    return srcRGB == o.srcRGB && dstRGB == o.dstRGB && srcAlpha == o.srcAlpha && dstAlpha == o.dstAlpha;
  }
};

enum MVGRcallKind
{
  kMVGRcallFill = 1,       // through the stencil: fan, fringe outside, cover quad
  kMVGRcallConvexFill = 2, // fan and fringe
  kMVGRcallStroke = 3,
  kMVGRcallTriangles = 4,
};

// One recorded draw. Starts index the set's vertex and index buffers; the uniform offset is the
// byte offset of the call's first uniform block.
struct MVGRcall
{
  int kind;
  int image;
  int triangleStart, triangleCount;
  int indexStart, indexCount;
  int stripStart, stripCount;
  int uniformOffset;
  MVGRblend blend;
};

// One image: its texture and sampler. A record with id 0 is free.
class PLUG_OBJC_CLASS(MVGRtexture) : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(MVGRtexture)(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}

  int id = 0;
  int type = 0;  // VGRtextureType
  int flags = 0; // VGRimageFlags, plus kMVGRimageNotOwned
  mtl::Ref<mtl::Texture> tex;
  mtl::Ref<mtl::SamplerState> sampler;
  // The last frame that samples the texture: an upload waits until it has completed.
  mtl::Ref<mtl::CommandBuffer> lastUse;

  // Waits until no committed frame still samples the texture.
  void waitUntilUnused();
};
using MVGRtexture = PLUG_OBJC_CLASS(MVGRtexture);

// One set of per-frame buffers. Recorded by the main thread between renderViewport and the flush;
// while in flight only the completion handler touches it. The Metal buffers only grow and are
// kept for later frames.
class PLUG_OBJC_CLASS(MVGRbuffers) : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(MVGRbuffers)(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
  ~PLUG_OBJC_CLASS(MVGRbuffers)() override;

  // The frame's command buffer while in flight, and the image it renders into (0: a drawable).
  // Both are shared with the completion thread.
  mtl::Ref<mtl::CommandBuffer> commandBuffer() const;
  void setCommandBuffer(mtl::Ref<mtl::CommandBuffer> buffer);
  int image() const;
  void setImage(int image);
  // Taken by a frame, from renderViewport until its completion or cancel. Cleared last, with
  // release ordering, so that whoever sees it clear sees the counts cleared too.
  bool isBusy() const { return mIsBusy.load(std::memory_order_acquire); }
  void setIsBusy(bool busy) { mIsBusy.store(busy, std::memory_order_release); }
  // Empties the recorded arrays (the buffers are kept).
  void clearCounts();

  mtl::Ref<mtl::Buffer> viewSizeBuffer; // float width, height in drawing units
  mtl::Ref<mtl::Texture> stencilTexture;
  MVGRcall* calls = nullptr; // heap, grown with vgrRealloc
  int ccalls = 0, ncalls = 0;
  mtl::Ref<mtl::Buffer> indexBuffer;
  uint32_t* indexes = nullptr;
  int cindexes = 0, nindexes = 0;
  mtl::Ref<mtl::Buffer> vertBuffer;
  VGRvertex* verts = nullptr;
  int cverts = 0, nverts = 0;
  mtl::Ref<mtl::Buffer> uniformBuffer;
  uint8_t* uniforms = nullptr;
  int cuniforms = 0, nuniforms = 0; // in blocks of the uniform stride

private:
  mutable std::mutex mMutex; // guards the command buffer and the image
  mtl::Ref<mtl::CommandBuffer> mCommandBuffer;
  int mImage = 0;
  std::atomic<bool> mIsBusy{false};
};
using MVGRbuffers = PLUG_OBJC_CLASS(MVGRbuffers);

// The back end: the render interface's operations as methods of the context.
class PLUG_OBJC_CLASS(MVGRcontext) : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(MVGRcontext)(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
  ~PLUG_OBJC_CLASS(MVGRcontext)() override;

  // -- properties --
  mtl::CommandQueue* commandQueue() const { return mCommandQueue.Get(); }
  CAMetalLayer* metalLayer() const { return mMetalLayer.Get(); }
  void setMetalLayer(CAMetalLayer* layer) { mMetalLayer = layer; }
  mtl::RenderCommandEncoder* renderEncoder() const { return mRenderEncoder.Get(); }
  int fragSize() const { return mFragSize; }
  int indexSize() const { return mIndexSize; }
  int flags() const { return mFlags; }
  void setFlags(int flags) { mFlags = flags; }
  const uint32_t* viewPortSize() const { return mViewPortSize; }
  const mtl::ClearColor& clearColor() const { return mClearColor; }
  void setClearColor(const mtl::ClearColor& color) { mClearColor = color; }
  bool clearBufferOnFlush() const { return mClearBufferOnFlush; }
  void setClearBufferOnFlush(bool clear) { mClearBufferOnFlush = clear; }
  const std::vector<MVGRowned<MVGRtexture>>& textures() const { return mTextures; }
  int textureId() const { return mTextureId; }
  MVGRbuffers* buffers() const { return mBuffers; }
  const std::vector<MVGRowned<MVGRbuffers>>& cbuffers() const { return mCbuffers; }
  int maxBuffers() const { return mMaxBuffers; }
  dispatch_semaphore_t semaphore() const { return mSemaphore.get(); }
  const MVGRblend* blendFunc() const { return mBlendFunc.get(); }
  mtl::DepthStencilState* defaultStencilState() const { return mDefaultStencilState.Get(); }
  mtl::DepthStencilState* fillShapeStencilState() const { return mFillShapeStencilState.Get(); }
  mtl::DepthStencilState* fillAntiAliasStencilState() const { return mFillAntiAliasStencilState.Get(); }
  mtl::DepthStencilState* fillStencilState() const { return mFillStencilState.Get(); }
  mtl::DepthStencilState* strokeShapeStencilState() const { return mStrokeShapeStencilState.Get(); }
  mtl::DepthStencilState* strokeAntiAliasStencilState() const { return mStrokeAntiAliasStencilState.Get(); }
  mtl::DepthStencilState* strokeClearStencilState() const { return mStrokeClearStencilState.Get(); }
  mtl::Function* fragmentFunction() const { return mFragmentFunction.Get(); }
  mtl::Function* vertexFunction() const { return mVertexFunction.Get(); }
  mtl::PixelFormat piplelinePixelFormat() const { return mPiplelinePixelFormat; }
  mtl::RenderPipelineState* pipelineState() const { return mPipelineState.Get(); }
  mtl::RenderPipelineState* stencilOnlyPipelineState() const { return mStencilOnlyPipelineState.Get(); }
  mtl::SamplerState* pseudoSampler() const { return mPseudoSampler.Get(); }
  mtl::Texture* pseudoTexture() const { return mPseudoTexture.Get(); }
  const mtl::VertexDescriptor& vertexDescriptor() const { return mVertexDescriptor; }
  // The drawing context whose render interface this is (known once it is made).
  VGRdrawContext* drawContext() const { return mDrawContext; }
  void setDrawContext(VGRdrawContext* ctx) { mDrawContext = ctx; }

  // -- the render interface --
  int renderCreate();
  int renderCreateTextureWithType(int type, int width, int height, int imageFlags, const unsigned char* data);
  int renderDeleteTexture(int image);
  int renderUpdateTextureWithImage(int image, int x, int y, int width, int height, const unsigned char* data);
  int renderGetTextureSizeForImage(int image, int* width, int* height);
  void renderViewportWithWidth(float width, float height, float devicePixelRatio);
  void renderCancel();
  void renderFlush();
  void renderFillWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation, VGRscissor* scissor,
                           float fringe, const float* bounds, const VGRpath* paths, int npaths);
  void renderStrokeWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation, VGRscissor* scissor,
                             float fringe, float strokeWidth, const VGRpath* paths, int npaths);
  void renderTrianglesWithPaint(VGRpaint* paint, VGRcompositeOperationState compositeOperation, VGRscissor* scissor,
                                const VGRvertex* verts, int nverts, float fringe);
  // Releases every resource at once; frames in flight keep what they use until they complete.
  void renderDelete();

  // -- resources --
  MVGRtexture* allocTexture();
  MVGRtexture* findTexture(int image) const;
  MVGRblend blendCompositeOperation(VGRcompositeOperationState op) const;
  void updateRenderPipelineStatesForBlend(const MVGRblend* blend, mtl::PixelFormat pixelFormat);
  // 0 (the block partly filled) when the paint's image is unknown.
  int convertPaintForFrag(MVGRfragUniforms* frag, const VGRpaint* paint, const VGRscissor* scissor, float width,
                          float fringe, float strokeThr);
  void checkError(const mtl::Error* error, const char* step) const;
  // Waits until the command buffers of the busy sets rendering into the image have completed.
  void waitForImage(int image) const;
  // Where the frame's colour goes: the set's image and its texture, or the view's next drawable.
  // False when the frame has nowhere to go.
  bool frameTarget(mtl::Ref<mtl::Texture>& color, mtl::Ref<standin::ca::MetalDrawable>& drawable, int& image);

  // -- recording and encoding --
  MVGRcall* allocCall();
  // First element taken, or -1 when the buffer cannot grow.
  int allocVerts(int n);
  int allocIndexes(int n);
  int allocFragUniforms(int n);
  MVGRfragUniforms* fragUniformAtIndex(int offset) const;
  mtl::Ref<mtl::RenderCommandEncoder> renderCommandEncoderWithColorTexture(const mtl::Ref<mtl::Texture>& texture,
                                                                          mtl::CommandBuffer& commandBuffer);
  // The call's uniform block and its image's texture (the placeholders for no image).
  void setUniforms(int offset, const MVGRtexture* texture);
  // The call encoded; texture is its image's record, found once per call at flush.
  void fill(const MVGRcall* call, const MVGRtexture* texture);
  void convexFill(const MVGRcall* call, const MVGRtexture* texture);
  void stroke(const MVGRcall* call, const MVGRtexture* texture);
  void triangles(const MVGRcall* call, const MVGRtexture* texture);
  // False when no stencil texture of that size can be had.
  bool updateStencilTextureToSize(uint32_t width, uint32_t height);

private:
  // Writes the paths' fill fans from vertex `at`, their triangles as indices from `indexAt`;
  // returns the vertex after the last fan.
  int writeFans(const VGRpath* paths, int npaths, int at, int indexAt);
  // Joins the paths' strips into one strip from vertex `at`.
  void writeStrips(const VGRpath* paths, int npaths, int at);
  // A new call of that kind, with the paint's image and the blend of the composite operation.
  MVGRcall* newCall(int kind, const VGRpaint* paint, VGRcompositeOperationState compositeOperation);
  // Drops the call just taken.
  void dropCall();
  // The buffer set of the frame being recorded, or null outside a frame.
  MVGRbuffers* recordingSet() const { return mRecording ? mBuffers : nullptr; }

  mtl::Ref<mtl::CommandQueue> mCommandQueue;
  mtl::Ref<CAMetalLayer> mMetalLayer;
  mtl::Ref<mtl::RenderCommandEncoder> mRenderEncoder;
  int mFragSize = kMVGRfragSize;
  int mIndexSize = kMVGRindexSize;
  int mFlags = 0;
  uint32_t mViewPortSize[2] = {0, 0};
  mtl::ClearColor mClearColor{0, 0, 0, 0};
  bool mClearBufferOnFlush = false;
  std::vector<MVGRowned<MVGRtexture>> mTextures;
  int mTextureId = 0;
  MVGRbuffers* mBuffers = nullptr;
  bool mRecording = false; // mBuffers was taken by renderViewport and is not flushed yet
  std::vector<MVGRowned<MVGRbuffers>> mCbuffers;
  int mMaxBuffers = 0;
  struct SemaphoreRelease
  {
    void operator()(standin::DispatchSemaphore* s) const { dispatch_release(s); }
  };
  std::unique_ptr<standin::DispatchSemaphore, SemaphoreRelease> mSemaphore;
  std::unique_ptr<MVGRblend> mBlendFunc;
  mtl::Ref<mtl::DepthStencilState> mDefaultStencilState, mFillShapeStencilState, mFillAntiAliasStencilState,
    mFillStencilState, mStrokeShapeStencilState, mStrokeAntiAliasStencilState, mStrokeClearStencilState;
  mtl::Ref<mtl::Function> mFragmentFunction, mVertexFunction;
  mtl::PixelFormat mPiplelinePixelFormat = mtl::PixelFormat::Invalid;
  mtl::Ref<mtl::RenderPipelineState> mPipelineState, mStencilOnlyPipelineState;
  // Pipelines made before, by blend and target format: a frame draws into the offscreen
  // framebuffer and then onto the drawable, whose formats differ, and layers switch blends;
  // making the pipelines again at each switch would compile them several times a frame.
  struct CachedPipelines
  {
    MVGRblend blend{};
    mtl::PixelFormat pixelFormat = mtl::PixelFormat::Invalid;
    mtl::Ref<mtl::RenderPipelineState> color, stencilOnly;
  };
  static constexpr int kPipelineCacheSize = 8;
  CachedPipelines mPipelineCache[kPipelineCacheSize];
  int mPipelineCacheNext = 0; // the entry the next new pair replaces
  mtl::Ref<mtl::SamplerState> mPseudoSampler;
  mtl::Ref<mtl::Texture> mPseudoTexture;
  mtl::VertexDescriptor mVertexDescriptor;
  VGRdrawContext* mDrawContext = nullptr;
};
using MVGRcontext = PLUG_OBJC_CLASS(MVGRcontext);

// The process-wide framebuffer binding (main thread only): the bound framebuffer, and the
// drawing context whose bound framebuffer was deleted while bound (its frames are dropped until
// the next bind).
struct MVGRbinding
{
  VGRMetalFramebuffer* framebuffer = nullptr;
  VGRdrawContext* droppedFrameContext = nullptr;
};
MVGRbinding& mvgrBinding();

// The back end of a drawing context made by mvgrContextCreate (its render interface's user
// pointer); null for a null context.
MVGRcontext* mvgrBackEnd(VGRdrawContext* ctx);

// The completion handler of each frame's command buffer: frees the set, then signals the frame
// semaphore.
void mvgrFlushCompletedHandler(MVGRbuffers* set, dispatch_semaphore_t semaphore);

} // namespace igraphics
} // namespace plug
