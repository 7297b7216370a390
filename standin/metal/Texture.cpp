#include "standin/metal/Commands.h"
#include "standin/metal/Sampling.h"
#include "standin/metal/Shader.h"
#include "standin/metal/Vec4.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace standin::mtl {

namespace {


std::string RegionText(const Region& r)
{
  return "(" + std::to_string(r.origin.x) + ", " + std::to_string(r.origin.y) + ", " +
         std::to_string(r.size.width) + " x " + std::to_string(r.size.height) + ")";
}

// Clips a region to a level of size w x h; false when nothing of it is inside.
bool ClipRegion(const Region& region, uint64_t w, uint64_t h, Region& clipped)
{
  clipped = region;
  if (region.origin.x >= w || region.origin.y >= h || region.size.width == 0 || region.size.height == 0)
    return false;
  clipped.size.width = std::min(region.size.width, w - region.origin.x);
  clipped.size.height = std::min(region.size.height, h - region.origin.y);
  return true;
}

using detail::FloorIndex;
using detail::LevelView;
using detail::SampleView;
using detail::Texel;
using detail::ToFloat4;

// Samples one level along a span in texel space, for one texel format.
template <PixelFormat kFormat>
void SampleRun(const LevelView& view, const SamplerDescriptor& s, SamplerMinMagFilter filter, float x, float y,
               float dx, float dy, int count, Float4* out)
{
  // One texel per pixel along a row, landing on texel centres (or anywhere, when nearest): the
  // texels are read in a row. Both ends of the span must agree on that.
  if (count > 0 && std::fabs(dx - 1.0f) * float(count) < 1.0f / 1024 && std::fabs(dy) * float(count) < 1.0f / 1024)
  {
    const float shift = filter == SamplerMinMagFilter::Linear ? 0.5f : 0.0f;
    auto texelAt = [&](int i, int& ix, int& iy) {
      const float fx = x + dx * float(i) - shift, fy = y + dy * float(i) - shift;
      ix = FloorIndex(fx);
      iy = FloorIndex(fy);
      return filter == SamplerMinMagFilter::Nearest ||
             (int((fx - float(ix)) * 256.0f + 0.5f) == 0 && int((fy - float(iy)) * 256.0f + 0.5f) == 0);
    };
    int x0, y0, xn, yn;
    if (texelAt(0, x0, y0) && texelAt(count - 1, xn, yn) && xn == x0 + count - 1 && yn == y0 && x0 >= 0 &&
        y0 >= 0 && y0 < view.height && xn < view.width)
    {
      const uint8_t* p = view.At(x0, y0);
      for (int i = 0; i < count; i++, p += view.bpp)
        out[i] = ToFloat4(Texel<kFormat>(view.format, p));
      return;
    }
  }
  if (filter == SamplerMinMagFilter::Nearest)
    for (int i = 0; i < count; i++)
      out[i] = SampleView<kFormat>(view, s, SamplerMinMagFilter::Nearest, x + dx * float(i), y + dy * float(i));
  else
    for (int i = 0; i < count; i++)
      out[i] = SampleView<kFormat>(view, s, SamplerMinMagFilter::Linear, x + dx * float(i), y + dy * float(i));
}

inline Float4 Lerp(const Float4& a, const Float4& b, float f)
{
  return Float4{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f, a.w + (b.w - a.w) * f};
}

// Which level or levels a sample reads, from the coordinates' change per pixel.
struct LevelChoice
{
  uint64_t level0 = 0, level1 = 0;
  float blend = 0; // weight of level1
  SamplerMinMagFilter filter = SamplerMinMagFilter::Nearest;
};

LevelChoice ChooseLevels(const Texture& t, const SamplerDescriptor& s, float dudx, float dvdx, float dudy, float dvdy)
{
  LevelChoice choice;
  choice.filter = s.magFilter;
  const bool mipmapped = s.mipFilter != SamplerMipFilter::NotMipmapped && t.MipmapLevelCount() > 1;
  if (!mipmapped && s.minFilter == s.magFilter)
    return choice;
  const float w = s.normalizedCoordinates ? float(t.Width()) : 1.0f;
  const float h = s.normalizedCoordinates ? float(t.Height()) : 1.0f;
  const float rx = std::hypot(dudx * w, dvdx * h), ry = std::hypot(dudy * w, dvdy * h);
  const float rho = std::max(rx, ry);
  const float lod = rho > 0 ? std::log2(rho) : -1.0f;
  if (!(lod > 0))
    return choice;
  choice.filter = s.minFilter;
  if (!mipmapped)
    return choice;
  const float maxLevel = float(t.MipmapLevelCount() - 1);
  if (s.mipFilter == SamplerMipFilter::Nearest)
  {
    choice.level0 = choice.level1 = uint64_t(std::min(std::floor(lod + 0.5f), maxLevel));
    return choice;
  }
  const float l = std::min(lod, maxLevel);
  choice.level0 = uint64_t(std::floor(l));
  choice.level1 = std::min<uint64_t>(choice.level0 + 1, t.MipmapLevelCount() - 1);
  choice.blend = choice.level1 == choice.level0 ? 0.0f : l - float(choice.level0);
  return choice;
}

void GenerateMipmapsLocked(Texture& texture)
{
  const int bpp = BytesPerPixel(texture.GetPixelFormat());
  for (uint64_t level = 1; level < texture.MipmapLevelCount(); level++)
  {
    const uint64_t sw = texture.LevelWidth(level - 1), sh = texture.LevelHeight(level - 1);
    const uint64_t dw = texture.LevelWidth(level), dh = texture.LevelHeight(level);
    const uint8_t* src = texture.LevelData(level - 1);
    uint8_t* dst = texture.LevelData(level);
    for (uint64_t y = 0; y < dh; y++)
      for (uint64_t x = 0; x < dw; x++)
      {
        const uint64_t x0 = std::min(2 * x, sw - 1), x1 = std::min(2 * x + 1, sw - 1);
        const uint64_t y0 = std::min(2 * y, sh - 1), y1 = std::min(2 * y + 1, sh - 1);
        for (int c = 0; c < bpp; c++)
        {
          unsigned sum = src[(y0 * sw + x0) * bpp + c] + src[(y0 * sw + x1) * bpp + c] +
                         src[(y1 * sw + x0) * bpp + c] + src[(y1 * sw + x1) * bpp + c];
          dst[(y * dw + x) * bpp + c] = uint8_t((sum + 2) / 4);
        }
      }
  }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Texture

Texture::Texture(Device& device, const TextureDescriptor& d)
  : mDevice(&device)
  , mFormat(d.pixelFormat)
  , mWidth(d.width)
  , mHeight(d.height)
  , mUsage(d.usage)
  , mStorageMode(d.storageMode)
  , mFramebufferOnly(d.framebufferOnly)
{
  const int bpp = BytesPerPixel(mFormat);
  mLevels.resize(d.mipmapLevelCount);
  for (uint64_t level = 0; level < d.mipmapLevelCount; level++)
    mLevels[level].assign(LevelWidth(level) * LevelHeight(level) * bpp, 0);
}

bool Texture::CheckCpuAccess(const Region& region, uint64_t level, Region& clipped, const char* what) const
{
  if (mStorageMode == StorageMode::Private || mFramebufferOnly)
  {
    mDevice->ReportValidationError(std::string(what) +
                                   (mFramebufferOnly ? ": texture is framebuffer-only" : ": texture has private storage"));
    return false;
  }
  if (level >= mLevels.size())
  {
    mDevice->ReportValidationError(std::string(what) + ": no mipmap level " + std::to_string(level));
    return false;
  }
  if (!ClipRegion(region, LevelWidth(level), LevelHeight(level), clipped))
  {
    if (region.size.width != 0 && region.size.height != 0)
      mDevice->ReportValidationError(std::string(what) + ": region " + RegionText(region) + " outside the texture");
    return false;
  }
  if (clipped.size.width != region.size.width || clipped.size.height != region.size.height)
    mDevice->ReportValidationError(std::string(what) + ": region " + RegionText(region) +
                                   " reaches past the texture; clipped");
  return true;
}

void Texture::CopyRegion(const Region& region, uint64_t level, uint8_t* cpu, uint64_t bytesPerRow, bool upload,
                         const char* what) const
{
  Region r;
  if (!cpu || !CheckCpuAccess(region, level, r, what))
    return;
  const uint64_t bpp = BytesPerPixel(mFormat);
  if (bytesPerRow < region.size.width * bpp)
  {
    mDevice->ReportValidationError(std::string(what) + ": bytesPerRow is less than the region's row");
    return;
  }
  if (upload)
  {
    std::lock_guard<std::mutex> lock(mPendingMutex);
    if (mPendingReads > 0 || mPendingWrites > 0)
    {
      std::fprintf(stderr,
                   "Metal stand-in: hazard: %s into a texture that a committed command buffer has not finished "
                   "using\n",
                   what);
      std::abort();
    }
  }
  std::lock_guard<std::mutex> lock(mStorageMutex);
  const uint64_t w = LevelWidth(level);
  auto copy = [&](const std::vector<uint8_t>& levelData) {
    uint8_t* storage = const_cast<uint8_t*>(levelData.data());
    for (uint64_t row = 0; row < r.size.height; row++)
    {
      uint8_t* texels = storage + ((r.origin.y + row) * w + r.origin.x) * bpp;
      uint8_t* bytes = cpu + row * bytesPerRow;
      std::memcpy(upload ? texels : bytes, upload ? bytes : texels, r.size.width * bpp);
    }
  };
  // The CPU reads its own copy while it differs from the GPU's; an upload reaches both.
  const bool stale = !mCpuLevels.empty();
  if (upload || !stale)
    copy(mLevels[level]);
  if (stale)
    copy(mCpuLevels[level]);
}

void Texture::ReplaceRegion(const Region& region, uint64_t level, const void* bytes, uint64_t bytesPerRow)
{
  CopyRegion(region, level, static_cast<uint8_t*>(const_cast<void*>(bytes)), bytesPerRow, true, "replaceRegion");
}

void Texture::GetBytes(void* bytes, uint64_t bytesPerRow, const Region& region, uint64_t level) const
{
  CopyRegion(region, level, static_cast<uint8_t*>(bytes), bytesPerRow, false, "getBytes");
}

void Texture::CountPendingUse(bool write, int delta)
{
  {
    std::lock_guard<std::mutex> lock(mPendingMutex);
    (write ? mPendingWrites : mPendingReads) += delta;
  }
  if (write && delta < 0)
    mPendingDone.notify_all();
}

bool Texture::HasPendingWrites() const
{
  std::lock_guard<std::mutex> lock(mPendingMutex);
  return mPendingWrites > 0;
}

void Texture::GpuWillWrite()
{
  if (mStorageMode == StorageMode::Managed && mCpuLevels.empty())
    mCpuLevels = mLevels;
}

void Texture::Synchronize() { mCpuLevels.clear(); }

void Texture::WaitForPendingWrites() const
{
  std::unique_lock<std::mutex> lock(mPendingMutex);
  mPendingDone.wait(lock, [this] { return mPendingWrites == 0; });
}

// ---------------------------------------------------------------------------------------------
// Sampling

Float4 Sample(const TextureBinding& binding, float u, float v)
{
  if (!binding.texture || !binding.sampler)
    return Float4{0, 0, 0, 1};
  return detail::SampleLevel0(LevelView(*binding.texture, 0), binding.sampler->Descriptor(), u, v);
}

Float4 SampleGrad(const TextureBinding& binding, float u, float v, float dudx, float dvdx, float dudy, float dvdy)
{
  Float4 result;
  SampleSpan(binding, u, v, dudx, dvdx, dudy, dvdy, 1, &result);
  return result;
}

void SampleSpan(const TextureBinding& binding, float u, float v, float dudx, float dvdx, float dudy, float dvdy,
                int count, Float4* out)
{
  if (!binding.texture || !binding.sampler)
  {
    std::fill_n(out, count, Float4{0, 0, 0, 1});
    return;
  }
  const Texture& t = *binding.texture;
  const SamplerDescriptor& s = binding.sampler->Descriptor();
  const LevelChoice choice = ChooseLevels(t, s, dudx, dvdx, dudy, dvdy);
  const LevelView view0(t, choice.level0), view1(t, choice.level1);
  const float sx0 = s.normalizedCoordinates ? float(view0.width) : 1.0f;
  const float sy0 = s.normalizedCoordinates ? float(view0.height) : 1.0f;
  const float sx1 = s.normalizedCoordinates ? float(view1.width) : 1.0f;
  const float sy1 = s.normalizedCoordinates ? float(view1.height) : 1.0f;
  if (choice.blend > 0)
  {
    for (int i = 0; i < count; i++)
    {
      const float pu = u + dudx * float(i), pv = v + dvdx * float(i);
      out[i] = Lerp(SampleView(view0, s, choice.filter, pu * sx0, pv * sy0),
                    SampleView(view1, s, choice.filter, pu * sx1, pv * sy1), choice.blend);
    }
    return;
  }
  switch (view0.format)
  {
    case PixelFormat::RGBA8Unorm: SampleRun<PixelFormat::RGBA8Unorm>(view0, s, choice.filter, u * sx0, v * sy0, dudx * sx0, dvdx * sy0, count, out); break;
    case PixelFormat::BGRA8Unorm: SampleRun<PixelFormat::BGRA8Unorm>(view0, s, choice.filter, u * sx0, v * sy0, dudx * sx0, dvdx * sy0, count, out); break;
    case PixelFormat::R8Unorm: SampleRun<PixelFormat::R8Unorm>(view0, s, choice.filter, u * sx0, v * sy0, dudx * sx0, dvdx * sy0, count, out); break;
    default: SampleRun<PixelFormat::Invalid>(view0, s, choice.filter, u * sx0, v * sy0, dudx * sx0, dvdx * sy0, count, out); break;
  }
}

// ---------------------------------------------------------------------------------------------
// Blit passes

namespace detail {

void ExecuteBlitPass(Device& device, const RecordedPass& pass)
{
  for (const BlitCommand& command : pass.blitCommands)
  {
    Texture* texture = command.texture.Get();
    switch (command.op)
    {
      case BlitOp::CopyBufferToTexture:
      {
        const uint64_t bpp = BytesPerPixel(texture->GetPixelFormat());
        const Buffer& buffer = *command.buffer;
        const Size& size = command.size;
        Region region{command.origin, size};
        Region r;
        if (command.level >= texture->MipmapLevelCount() ||
            !ClipRegion(region, texture->LevelWidth(command.level), texture->LevelHeight(command.level), r))
        {
          device.ReportValidationError("copyFromBuffer: region " + RegionText(region) + " outside the texture");
          break;
        }
        if (r.size.width != size.width || r.size.height != size.height)
          device.ReportValidationError("copyFromBuffer: region " + RegionText(region) +
                                       " reaches past the texture; clipped");
        const uint64_t lastRowEnd = command.sourceOffset + (size.height - 1) * command.bytesPerRow + size.width * bpp;
        if (command.bytesPerRow < size.width * bpp || lastRowEnd > buffer.Length() || lastRowEnd < command.sourceOffset)
        {
          device.ReportValidationError("copyFromBuffer: source rows reach past the buffer");
          break;
        }
        std::lock_guard<std::mutex> lock(texture->StorageMutex());
        const uint64_t w = texture->LevelWidth(command.level);
        const uint8_t* src = static_cast<const uint8_t*>(buffer.Contents()) + command.sourceOffset;
        uint8_t* dst = texture->LevelData(command.level);
        for (uint64_t row = 0; row < r.size.height; row++)
          std::memcpy(dst + ((r.origin.y + row) * w + r.origin.x) * bpp, src + row * command.bytesPerRow,
                      r.size.width * bpp);
        break;
      }
      case BlitOp::GenerateMipmaps:
      {
        std::lock_guard<std::mutex> lock(texture->StorageMutex());
        GenerateMipmapsLocked(*texture);
        break;
      }
      case BlitOp::Synchronize:
        if (texture)
        {
          std::lock_guard<std::mutex> lock(texture->StorageMutex());
          texture->Synchronize();
        }
        break;
    }
  }
}

} // namespace detail

} // namespace standin::mtl
