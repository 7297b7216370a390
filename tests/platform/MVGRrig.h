#pragma once
#include "graphics/renderer/VGRContext.h"
#include "platform/mac/MVGRcontext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

// A drawing context over the Metal render back end, drawing into a stand-in Metal layer, for
// tests that render frames and look at the pixels.
namespace testsupport {

namespace mtl = standin::mtl;

// Keeps up to n command buffers of each queue waiting (frames in flight) for its scope, then
// drains every buffer in flight.
class HeldFrames
{
public:
  explicit HeldFrames(int n) { mtl::SetHeldCommandBuffers(n); }
  ~HeldFrames()
  {
    mtl::SetHeldCommandBuffers(0);
    mtl::WaitUntilAllCommandBuffersCompleted();
  }
  HeldFrames(const HeldFrames&) = delete;
  HeldFrames& operator=(const HeldFrames&) = delete;
};

class MVGRrig
{
public:
  explicit MVGRrig(int flags = plug::igraphics::kMVGRantialias | plug::igraphics::kMVGRtripleBuffer,
                   bool synchronous = true, int width = 64, int height = 64)
    : layer(plug::igraphics::CAMetalLayer::Create())
    , device(mtl::CreateSystemDefaultDevice())
  {
    device->SetSynchronous(synchronous);
    layer->SetDevice(device);
    layer->SetDrawableSize({double(width), double(height)});
    ctx = plug::igraphics::mvgrContextCreate(layer.Get(), flags);
  }

  ~MVGRrig()
  {
    plug::igraphics::mvgrContextDelete(ctx);
    plug::igraphics::mvgrFramebufferBind(nullptr);
    EXPECT_EQ(device->ValidationErrorCount(), 0) << (device->ValidationErrorCount() ? device->ValidationMessages()[0] : "");
  }

  MVGRrig(const MVGRrig&) = delete;
  MVGRrig& operator=(const MVGRrig&) = delete;

  plug::igraphics::MVGRcontext& backEnd() const { return *plug::igraphics::mvgrBackEnd(ctx); }

  // The whole image read back (RGBA or alpha bytes).
  std::vector<uint8_t> ReadImage(int image) const
  {
    int w = 0, h = 0;
    vgrImageSize(ctx, image, &w, &h);
    const mtl::Texture* t = plug::igraphics::mvgrImageTexture(ctx, image);
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * (t && t->GetPixelFormat() == mtl::PixelFormat::R8Unorm ? 1 : 4));
    plug::igraphics::mvgrImageReadPixels(ctx, image, 0, 0, w, h, pixels.data());
    return pixels;
  }

  // Stencil values of every buffer set that has a stencil texture, once its frames are done.
  std::vector<uint8_t> StencilValues() const
  {
    std::vector<uint8_t> values;
    for (const auto& set : backEnd().cbuffers())
    {
      const mtl::Texture* s = set->stencilTexture.Get();
      if (!s)
        continue;
      s->WaitForPendingWrites();
      std::lock_guard<std::mutex> lock(s->StorageMutex());
      values.insert(values.end(), s->LevelData(0), s->LevelData(0) + s->Width() * s->Height());
    }
    return values;
  }

  // One frame of width x height (ratio 1) on whatever is bound: `draw` records it.
  template <class Draw>
  void Frame(int width, int height, Draw&& draw)
  {
    vgrBeginFrame(ctx, float(width), float(height), 1.0f);
    draw();
    vgrEndFrame(ctx);
  }

  void FillRect(float x, float y, float w, float h, plug::igraphics::VGRcolor color)
  {
    vgrBeginPath(ctx);
    vgrRect(ctx, x, y, w, h);
    vgrSetFillColor(ctx, color);
    vgrFill(ctx);
  }

  // Whether every buffer set is free and the frame semaphore full.
  bool AllSetsFree() const
  {
    for (const auto& set : backEnd().cbuffers())
      if (set->isBusy())
        return false;
    return backEnd().semaphore()->Value() == backEnd().maxBuffers();
  }

  mtl::Ref<plug::igraphics::CAMetalLayer> layer;
  mtl::Ref<mtl::Device> device;
  plug::igraphics::VGRdrawContext* ctx = nullptr;
};

} // namespace testsupport
