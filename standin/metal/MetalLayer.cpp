#include "standin/metal/QuartzCore.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>
#include <thread>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace standin::ca {

bool EncodePNG(int width, int height, const uint8_t* rgba, std::vector<uint8_t>& png)
{
  png.clear();
  if (width <= 0 || height <= 0 || !rgba)
    return false;
  // The encoder hands its bytes to a C callback, which nothing may throw out of.
  struct Sink
  {
    std::vector<uint8_t>& bytes;
    bool ok = true;
  } sink{png};
  const auto append = [](void* context, void* data, int size) {
    Sink& into = *static_cast<Sink*>(context);
    try
    {
      const uint8_t* from = static_cast<const uint8_t*>(data);
      into.bytes.insert(into.bytes.end(), from, from + size);
    }
    catch (const std::bad_alloc&)
    {
      into.ok = false;
    }
  };
  const bool encoded = stbi_write_png_to_func(append, &sink, width, height, 4, rgba, width * 4) != 0 && sink.ok;
  if (!encoded)
    png.clear();
  return encoded;
}

bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgba)
{
  std::vector<uint8_t> png;
  if (!EncodePNG(width, height, rgba, png))
    return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file)
    return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  // The close writes what is still buffered, and can fail as well.
  return std::fclose(file) == 0 && written;
}

// ---------------------------------------------------------------------------------------------
// Drawable

MetalDrawable::MetalDrawable(Ref<MetalLayer> layer, Ref<mtl::Texture> texture, size_t slot)
  : mLayer(std::move(layer))
  , mTexture(std::move(texture))
  , mSlot(slot)
{
}

MetalDrawable::~MetalDrawable()
{
  std::lock_guard<std::mutex> lock(mLayer->mMutex);
  if (mLayer->mRing[mSlot].texture == mTexture)
    mLayer->mRing[mSlot].inUse = false;
}

void MetalDrawable::Present()
{
  mTexture->WaitForPendingWrites();
  mLayer->Show(*mTexture);
}

void MetalDrawable::PresentAfterCompletion() { mLayer->Show(*mTexture); }

// ---------------------------------------------------------------------------------------------
// Layer

Ref<mtl::Device> MetalLayer::Device() const { return Get(mDevice); }
void MetalLayer::SetDevice(const Ref<mtl::Device>& device) { Set(mDevice, device); }
mtl::PixelFormat MetalLayer::PixelFormat() const { return Get(mPixelFormat); }
CGSize MetalLayer::DrawableSize() const { return Get(mDrawableSize); }
void MetalLayer::SetDrawableSize(CGSize size) { Set(mDrawableSize, size); }
bool MetalLayer::IsOpaque() const { return Get(mOpaque); }
void MetalLayer::SetOpaque(bool opaque) { Set(mOpaque, opaque); }
bool MetalLayer::PresentsWithTransaction() const { return Get(mPresentsWithTransaction); }
void MetalLayer::SetPresentsWithTransaction(bool presents) { Set(mPresentsWithTransaction, presents); }

void MetalLayer::SetPixelFormat(mtl::PixelFormat format)
{
  if (format == mtl::PixelFormat::BGRA8Unorm || format == mtl::PixelFormat::RGBA8Unorm)
    Set(mPixelFormat, format);
}

Ref<MetalDrawable> MetalLayer::NextDrawable()
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;)
  {
    std::unique_lock<std::mutex> lock(mMutex);
    const double w = std::floor(mDrawableSize.width), h = std::floor(mDrawableSize.height);
    if (!mDevice || !(w >= 1) || !(h >= 1) || w > double(mtl::kMaxTextureSize) || h > double(mtl::kMaxTextureSize))
      return nullptr;
    for (size_t i = 0; i < kDrawableCount; i++)
    {
      Slot& slot = mRing[(mNext + i) % kDrawableCount];
      if (slot.inUse || (slot.texture && slot.texture->HasPendingWrites()))
        continue;
      if (!slot.texture || slot.texture->Width() != uint64_t(w) || slot.texture->Height() != uint64_t(h) ||
          slot.texture->GetPixelFormat() != mPixelFormat)
      {
        mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(mPixelFormat, uint64_t(w), uint64_t(h), false);
        d.usage = mtl::TextureUsageRenderTarget;
        d.framebufferOnly = true;
        slot.texture = mDevice->NewTexture(d);
        if (!slot.texture)
          return nullptr;
      }
      // Fill with the loud colour, in the texture's channel order (unless nothing is drawn).
      const bool bgra = mPixelFormat == mtl::PixelFormat::BGRA8Unorm;
      const uint8_t pixel[4] = {kLoudColor[bgra ? 2 : 0], kLoudColor[1], kLoudColor[bgra ? 0 : 2], kLoudColor[3]};
      if (mDevice->ExecutesPasses())
      {
        std::lock_guard<std::mutex> storage(slot.texture->StorageMutex());
        uint8_t* p = slot.texture->LevelData(0);
        const size_t count = size_t(w) * size_t(h);
        for (size_t k = 0; k < count; k++)
          std::copy_n(pixel, 4, p + k * 4);
      }
      slot.inUse = true;
      const size_t index = (mNext + i) % kDrawableCount;
      mNext = (index + 1) % kDrawableCount;
      Ref<mtl::Texture> texture = slot.texture;
      lock.unlock();
      return Ref<MetalDrawable>::Adopt(new MetalDrawable(Ref<MetalLayer>(this), std::move(texture), index));
    }
    lock.unlock();
    if (std::chrono::steady_clock::now() >= deadline)
      return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void MetalLayer::Show(const mtl::Texture& texture)
{
  Image image;
  image.width = int(texture.Width());
  image.height = int(texture.Height());
  image.rgba.resize(size_t(image.width) * image.height * 4);
  {
    std::lock_guard<std::mutex> storage(texture.StorageMutex());
    const uint8_t* p = texture.LevelData(0);
    const bool bgra = texture.GetPixelFormat() == mtl::PixelFormat::BGRA8Unorm;
    for (size_t k = 0; k < image.rgba.size(); k += 4)
    {
      image.rgba[k + 0] = p[k + (bgra ? 2 : 0)];
      image.rgba[k + 1] = p[k + 1];
      image.rgba[k + 2] = p[k + (bgra ? 0 : 2)];
      image.rgba[k + 3] = p[k + 3];
    }
  }
  std::lock_guard<std::mutex> lock(mMutex);
  mPresented = std::move(image);
  mPresentedCount++;
}

MetalLayer::Image MetalLayer::PresentedImage() const { return Get(mPresented); }

bool MetalLayer::WaitForPresents(double timeoutSeconds) const
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;)
  {
    bool busy = false;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      for (const Slot& slot : mRing)
        busy = busy || slot.inUse || (slot.texture && slot.texture->HasPendingWrites());
    }
    if (!busy)
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
uint64_t MetalLayer::PresentedCount() const { return Get(mPresentedCount); }

bool MetalLayer::WritePresentedPNG(const std::string& path) const
{
  Image image = PresentedImage();
  return WritePNG(path, image.width, image.height, image.rgba.data());
}

} // namespace standin::ca
