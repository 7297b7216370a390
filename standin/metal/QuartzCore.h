#pragma once
#include "standin/metal/Metal.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// A CPU stand-in for the QuartzCore Metal layer the editor view draws into.
//
// The layer keeps a small ring of drawable textures (three). NextDrawable hands out one whose
// previous drawable is gone and that no pending pass still writes, first filling it with a loud
// colour so that pixels a frame forgets to draw show at once. Presenting copies the drawable's pixels into the
// layer's presented image, which tests read or write as PNG.
namespace standin::ca {

using mtl::Ref;

struct CGSize
{
  double width = 0, height = 0;
};

class MetalLayer;

class MetalDrawable : public mtl::Drawable
{
public:
  const Ref<mtl::Texture>& Texture() const { return mTexture; }
  const Ref<MetalLayer>& Layer() const { return mLayer; }
  // Shows the drawable once every pass committed into it has run (waits for them).
  void Present() override;
  // Gives the texture back to the layer's ring.
  ~MetalDrawable() override;

private:
  friend class MetalLayer;
  MetalDrawable(Ref<MetalLayer> layer, Ref<mtl::Texture> texture, size_t slot);
  void PresentAfterCompletion() override;

  Ref<MetalLayer> mLayer;
  Ref<mtl::Texture> mTexture;
  size_t mSlot;
};

class MetalLayer : public mtl::Object
{
public:
  static Ref<MetalLayer> Create() { return Ref<MetalLayer>::Adopt(new MetalLayer()); }

  Ref<mtl::Device> Device() const;
  void SetDevice(const Ref<mtl::Device>& device);
  mtl::PixelFormat PixelFormat() const;
  void SetPixelFormat(mtl::PixelFormat format); // BGRA8Unorm (default) or RGBA8Unorm
  CGSize DrawableSize() const;
  void SetDrawableSize(CGSize size);
  bool IsOpaque() const;
  void SetOpaque(bool opaque);
  bool PresentsWithTransaction() const;
  void SetPresentsWithTransaction(bool presents);
  uint64_t MaximumDrawableCount() const { return kDrawableCount; }

  // Null without a device, with a side of the drawable size below 1, or when every drawable is
  // still in use after a second.
  Ref<MetalDrawable> NextDrawable();

  // The image last presented, RGBA rows top to bottom; empty before the first present.
  struct Image
  {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    uint8_t* Pixel(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
    const uint8_t* Pixel(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
  };
  Image PresentedImage() const;
  // Waits until no drawable is out or still being drawn into, so that the presented image is
  // that of the last frame committed; false when that takes longer than the timeout (long
  // enough for a slow, sanitised build on a busy machine).
  bool WaitForPresents(double timeoutSeconds = 30.0) const;
  uint64_t PresentedCount() const;
  bool WritePresentedPNG(const std::string& path) const;

  // The colour a fresh drawable is filled with (RGBA).
  static constexpr uint8_t kLoudColor[4] = {255, 0, 255, 255};
  static constexpr uint64_t kDrawableCount = 3;

private:
  friend class MetalDrawable;
  MetalLayer() = default;
  template <class T>
  T Get(const T& field) const
  {
    std::lock_guard<std::mutex> lock(mMutex);
    return field;
  }
  template <class T>
  void Set(T& field, const T& value)
  {
    std::lock_guard<std::mutex> lock(mMutex);
    field = value;
  }
  void Show(const mtl::Texture& texture);

  mutable std::mutex mMutex;
  Ref<mtl::Device> mDevice;
  mtl::PixelFormat mPixelFormat = mtl::PixelFormat::BGRA8Unorm;
  CGSize mDrawableSize;
  bool mOpaque = true;
  bool mPresentsWithTransaction = false;
  struct Slot
  {
    Ref<mtl::Texture> texture;
    bool inUse = false;
  };
  Slot mRing[kDrawableCount];
  size_t mNext = 0;
  Image mPresented;
  uint64_t mPresentedCount = 0;
};

// Encodes RGBA pixels (rows top to bottom, tightly packed) as the bytes of a PNG file in `png`;
// false (with `png` empty) for no pixels or when memory runs out.
bool EncodePNG(int width, int height, const uint8_t* rgba, std::vector<uint8_t>& png);
// Writes them as a PNG file; false when they cannot be encoded or the file cannot be written
// and closed whole.
bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgba);

} // namespace standin::ca
