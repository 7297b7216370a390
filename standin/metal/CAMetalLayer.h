#pragma once
// QuartzCore's CAMetalLayer as a view's layer: the AppKit stand-in's CALayer carrying the Metal
// stand-in's layer (which is not an object of the runtime), and Metal's default-device
// function. The Metal layer lives as long as this object; whoever draws into it may keep its
// own reference for longer.
#include "standin/appkit/View.h"
#include "standin/metal/QuartzCore.h"

class CAMetalLayer : public CALayer
{
  STANDIN_OBJECT_CLASS()

  explicit CAMetalLayer(standin::RuntimeClass& cls = Class());
  ~CAMetalLayer() override;
  // Autoreleased.
  static CAMetalLayer* layer();

  standin::ca::MetalLayer* MetalLayer() const { return mLayer.Get(); }
  standin::mtl::PixelFormat pixelFormat() const { return mLayer->PixelFormat(); }
  void setPixelFormat(standin::mtl::PixelFormat format) { mLayer->SetPixelFormat(format); }
  standin::mtl::Ref<standin::mtl::Device> device() const { return mLayer->Device(); }
  void setDevice(const standin::mtl::Ref<standin::mtl::Device>& device) { mLayer->SetDevice(device); }
  CGSize drawableSize() const;
  void setDrawableSize(CGSize size);

  // The image presented last, once the frames committed before have been presented.
  bool CopyContentsRGBA(int& width, int& height, std::vector<uint8_t>& rgba) const override;
  uint64_t ShownFrameCount() const override { return mLayer->PresentedCount(); }

private:
  standin::mtl::Ref<standin::ca::MetalLayer> mLayer;
};

// MTLCreateSystemDefaultDevice: a new device (one reference, owned by the caller's Ref).
standin::mtl::Ref<standin::mtl::Device> MTLCreateSystemDefaultDevice();
