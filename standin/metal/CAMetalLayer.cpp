#include "standin/metal/CAMetalLayer.h"

STANDIN_DEFINE_CLASS(CAMetalLayer, CALayer)

CAMetalLayer::CAMetalLayer(standin::RuntimeClass& cls)
  : CALayer(cls)
  , mLayer(standin::ca::MetalLayer::Create())
{
}

CAMetalLayer::~CAMetalLayer() = default;

CAMetalLayer* CAMetalLayer::layer() { return Autoreleased(new CAMetalLayer()); }

CGSize CAMetalLayer::drawableSize() const
{
  const standin::ca::CGSize size = mLayer->DrawableSize();
  return CGSizeMake(size.width, size.height);
}

void CAMetalLayer::setDrawableSize(CGSize size) { mLayer->SetDrawableSize({size.width, size.height}); }

bool CAMetalLayer::CopyContentsRGBA(int& width, int& height, std::vector<uint8_t>& rgba) const
{
  mLayer->WaitForPresents();
  standin::ca::MetalLayer::Image image = mLayer->PresentedImage();
  width = image.width;
  height = image.height;
  rgba = std::move(image.rgba);
  return width > 0 && height > 0;
}

standin::mtl::Ref<standin::mtl::Device> MTLCreateSystemDefaultDevice() { return standin::mtl::CreateSystemDefaultDevice(); }
