#include "standin/metal/CAMetalLayer.h"

#include "standin/foundation/Dispatch.h"
#include "standin/metal/Metal.h"

STANDIN_DEFINE_CLASS(CAMetalLayer, CALayer)

namespace {

// A real GPU finishes its work: a thread about to wait for ever (a frame semaphore that only
// completed buffers signal) first lets every held buffer run, so holding frames back never
// deadlocks the code under test. Installed in the dispatch stand-in while this module's code is
// loaded (the Metal stand-in itself does not link Foundation).
struct HeldBuffersRunBeforeForeverWaits
{
  HeldBuffersRunBeforeForeverWaits() { standin::AddForeverWaitHook(standin::mtl::ReleaseHeldCommandBuffers); }
  ~HeldBuffersRunBeforeForeverWaits() { standin::RemoveForeverWaitHook(standin::mtl::ReleaseHeldCommandBuffers); }
};

} // namespace

CAMetalLayer::CAMetalLayer(standin::RuntimeClass& cls)
  : CALayer(cls)
  , mLayer(standin::ca::MetalLayer::Create())
{
  static const HeldBuffersRunBeforeForeverWaits sHook;
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
