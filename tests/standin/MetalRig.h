#pragma once
#include "standin/metal/Metal.h"

#include <array>
#include <functional>
#include <vector>

// A synchronous device with one colour target and a stencil target, for tests that render a
// pass and look at the pixels.
namespace testsupport {

namespace mtl = standin::mtl;

class MetalRig
{
public:
  MetalRig(int width, int height, mtl::PixelFormat format = mtl::PixelFormat::RGBA8Unorm)
    : device(mtl::CreateSystemDefaultDevice())
    , width(width)
    , height(height)
  {
    device->SetSynchronous(true);
    queue = device->NewCommandQueue();
    color = NewTexture(format, width, height, mtl::TextureUsageRenderTarget | mtl::TextureUsageShaderRead);
    stencil = NewTexture(mtl::PixelFormat::Stencil8, width, height, mtl::TextureUsageRenderTarget);
  }

  mtl::Ref<mtl::Texture> NewTexture(mtl::PixelFormat format, int w, int h, uint64_t usage, bool mipmapped = false)
  {
    mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(format, uint64_t(w), uint64_t(h), mipmapped);
    d.usage = usage;
    return device->NewTexture(d);
  }

  template <class T>
  mtl::Ref<mtl::Buffer> Buffer(const std::vector<T>& items)
  {
    return device->NewBuffer(items.data(), items.size() * sizeof(T), mtl::ResourceStorageModeShared);
  }

  // One render pass on the rig's targets: the colour is loaded (or cleared to `clear`), the
  // stencil is loaded; `encode` records the draws. The targets are synchronised for reading.
  void Pass(const std::function<void(mtl::RenderCommandEncoder&)>& encode, const mtl::ClearColor* clear = nullptr,
            bool withStencil = true)
  {
    mtl::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = color;
    pass.colorAttachments[0].loadAction = clear ? mtl::LoadAction::Clear : mtl::LoadAction::Load;
    if (clear)
      pass.colorAttachments[0].clearColor = *clear;
    if (withStencil)
    {
      pass.stencilAttachment.texture = stencil;
      pass.stencilAttachment.loadAction = mtl::LoadAction::Load;
      pass.stencilAttachment.storeAction = mtl::StoreAction::Store;
    }
    mtl::Ref<mtl::CommandBuffer> commands = queue->NewCommandBuffer();
    mtl::Ref<mtl::RenderCommandEncoder> encoder = commands->NewRenderCommandEncoder(pass);
    encode(*encoder);
    encoder->EndEncoding();
    // The targets' managed storage: what the pass wrote reaches the CPU through a blit.
    mtl::Ref<mtl::BlitCommandEncoder> blit = commands->NewBlitCommandEncoder();
    blit->SynchronizeResource(color);
    if (withStencil)
      blit->SynchronizeResource(stencil);
    blit->EndEncoding();
    commands->Commit();
    commands->WaitUntilCompleted();
  }

  std::array<uint8_t, 4> Pixel(int x, int y) const
  {
    std::array<uint8_t, 4> p{};
    color->GetBytes(p.data(), 4, mtl::Region::Make2D(uint64_t(x), uint64_t(y), 1, 1), 0);
    return p;
  }

  uint8_t StencilAt(int x, int y) const
  {
    uint8_t s = 0;
    stencil->GetBytes(&s, 1, mtl::Region::Make2D(uint64_t(x), uint64_t(y), 1, 1), 0);
    return s;
  }

  void FillStencil(uint8_t value)
  {
    std::vector<uint8_t> bytes(size_t(width) * height, value);
    stencil->ReplaceRegion(mtl::Region::Make2D(0, 0, uint64_t(width), uint64_t(height)), 0, bytes.data(),
                           uint64_t(width));
  }

  mtl::Ref<mtl::Device> device;
  mtl::Ref<mtl::CommandQueue> queue;
  mtl::Ref<mtl::Texture> color, stencil;
  int width, height;
};

} // namespace testsupport
