#include "standin/metal/Commands.h"
#include "standin/metal/Shader.h"

#include <cmath>
#include <cstring>

namespace standin::mtl {

namespace {

struct UnormTable
{
  float value[256];
  UnormTable()
  {
    for (int i = 0; i < 256; i++)
      value[i] = float(i) / 255.0f;
  }
};
const UnormTable kUnorm;

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

inline int WrapIndex(int i, int size, SamplerAddressMode mode)
{
  switch (mode)
  {
    case SamplerAddressMode::Repeat:
      i %= size;
      return i < 0 ? i + size : i;
    case SamplerAddressMode::MirrorClampToEdge:
      if (i < 0)
        i = -i - 1;
      return i >= size ? size - 1 : i;
    default:
      return i < 0 ? 0 : (i >= size ? size - 1 : i);
  }
}

inline void Fetch(PixelFormat format, const uint8_t* p, float out[4])
{
  switch (format)
  {
    case PixelFormat::R8Unorm:
      out[0] = kUnorm.value[p[0]];
      out[1] = 0;
      out[2] = 0;
      out[3] = 1;
      break;
    case PixelFormat::BGRA8Unorm:
      out[0] = kUnorm.value[p[2]];
      out[1] = kUnorm.value[p[1]];
      out[2] = kUnorm.value[p[0]];
      out[3] = kUnorm.value[p[3]];
      break;
    default:
      out[0] = kUnorm.value[p[0]];
      out[1] = kUnorm.value[p[1]];
      out[2] = kUnorm.value[p[2]];
      out[3] = kUnorm.value[p[3]];
      break;
  }
}

// Texel coordinate to an int that stays far from overflow (NaN reads as 0).
inline int FloorIndex(float x)
{
  if (!(x > -1.0e7f))
    return x < 0 ? -10000000 : 0;
  if (x > 1.0e7f)
    return 10000000;
  return int(std::floor(x));
}

Float4 SampleLevel(const Texture& texture, const SamplerDescriptor& s, uint64_t level, SamplerMinMagFilter filter,
                   float u, float v)
{
  const int w = int(texture.LevelWidth(level));
  const int h = int(texture.LevelHeight(level));
  const int bpp = BytesPerPixel(texture.GetPixelFormat());
  const uint8_t* data = texture.LevelData(level);
  const size_t stride = size_t(w) * bpp;
  const PixelFormat format = texture.GetPixelFormat();
  float x = s.normalizedCoordinates ? u * float(w) : u;
  float y = s.normalizedCoordinates ? v * float(h) : v;
  Float4 result;
  if (filter == SamplerMinMagFilter::Nearest)
  {
    int ix = WrapIndex(FloorIndex(x), w, s.sAddressMode);
    int iy = WrapIndex(FloorIndex(y), h, s.tAddressMode);
    Fetch(format, data + iy * stride + size_t(ix) * bpp, &result.x);
    return result;
  }
  x -= 0.5f;
  y -= 0.5f;
  int x0 = FloorIndex(x), y0 = FloorIndex(y);
  float fx = x - float(x0), fy = y - float(y0);
  if (!(fx >= 0 && fx <= 1))
    fx = 0;
  if (!(fy >= 0 && fy <= 1))
    fy = 0;
  int xa = WrapIndex(x0, w, s.sAddressMode), xb = WrapIndex(x0 + 1, w, s.sAddressMode);
  int ya = WrapIndex(y0, h, s.tAddressMode), yb = WrapIndex(y0 + 1, h, s.tAddressMode);
  float t00[4], t10[4], t01[4], t11[4];
  Fetch(format, data + ya * stride + size_t(xa) * bpp, t00);
  Fetch(format, data + ya * stride + size_t(xb) * bpp, t10);
  Fetch(format, data + yb * stride + size_t(xa) * bpp, t01);
  Fetch(format, data + yb * stride + size_t(xb) * bpp, t11);
  float* out = &result.x;
  for (int c = 0; c < 4; c++)
  {
    float top = t00[c] + (t10[c] - t00[c]) * fx;
    float bottom = t01[c] + (t11[c] - t01[c]) * fx;
    out[c] = top + (bottom - top) * fy;
  }
  return result;
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
{
  const int bpp = BytesPerPixel(mFormat);
  mLevels.resize(d.mipmapLevelCount);
  for (uint64_t level = 0; level < d.mipmapLevelCount; level++)
    mLevels[level].assign(LevelWidth(level) * LevelHeight(level) * bpp, 0);
}

bool Texture::CheckCpuAccess(const Region& region, uint64_t level, Region& clipped, const char* what) const
{
  if (mStorageMode == StorageMode::Private)
  {
    mDevice->ReportValidationError(std::string(what) + ": texture has private storage");
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

void Texture::ReplaceRegion(const Region& region, uint64_t level, const void* bytes, uint64_t bytesPerRow)
{
  Region r;
  if (!bytes || !CheckCpuAccess(region, level, r, "replaceRegion"))
    return;
  const uint64_t bpp = BytesPerPixel(mFormat);
  if (bytesPerRow < region.size.width * bpp)
  {
    mDevice->ReportValidationError("replaceRegion: bytesPerRow is less than the region's row");
    return;
  }
  std::lock_guard<std::mutex> lock(mStorageMutex);
  const uint64_t w = LevelWidth(level);
  for (uint64_t row = 0; row < r.size.height; row++)
    std::memcpy(&mLevels[level][((r.origin.y + row) * w + r.origin.x) * bpp],
                static_cast<const uint8_t*>(bytes) + row * bytesPerRow, r.size.width * bpp);
}

void Texture::GetBytes(void* bytes, uint64_t bytesPerRow, const Region& region, uint64_t level) const
{
  Region r;
  if (!bytes || !CheckCpuAccess(region, level, r, "getBytes"))
    return;
  const uint64_t bpp = BytesPerPixel(mFormat);
  if (bytesPerRow < region.size.width * bpp)
  {
    mDevice->ReportValidationError("getBytes: bytesPerRow is less than the region's row");
    return;
  }
  std::lock_guard<std::mutex> lock(mStorageMutex);
  const uint64_t w = LevelWidth(level);
  for (uint64_t row = 0; row < r.size.height; row++)
    std::memcpy(static_cast<uint8_t*>(bytes) + row * bytesPerRow,
                &mLevels[level][((r.origin.y + row) * w + r.origin.x) * bpp], r.size.width * bpp);
}

void Texture::AddPendingWrite()
{
  std::lock_guard<std::mutex> lock(mPendingMutex);
  mPendingWrites++;
}

void Texture::EndPendingWrite()
{
  {
    std::lock_guard<std::mutex> lock(mPendingMutex);
    mPendingWrites--;
  }
  mPendingDone.notify_all();
}

bool Texture::HasPendingWrites() const
{
  std::lock_guard<std::mutex> lock(mPendingMutex);
  return mPendingWrites > 0;
}

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
  const SamplerDescriptor& s = binding.sampler->Descriptor();
  return SampleLevel(*binding.texture, s, 0, s.magFilter, u, v);
}

Float4 SampleGrad(const TextureBinding& binding, float u, float v, float dudx, float dvdx, float dudy, float dvdy)
{
  if (!binding.texture || !binding.sampler)
    return Float4{0, 0, 0, 1};
  const Texture& t = *binding.texture;
  const SamplerDescriptor& s = binding.sampler->Descriptor();
  const bool mipmapped = s.mipFilter != SamplerMipFilter::NotMipmapped && t.MipmapLevelCount() > 1;
  if (!mipmapped && s.minFilter == s.magFilter)
    return SampleLevel(t, s, 0, s.magFilter, u, v);
  const float w = s.normalizedCoordinates ? float(t.Width()) : 1.0f;
  const float h = s.normalizedCoordinates ? float(t.Height()) : 1.0f;
  const float rx = std::hypot(dudx * w, dvdx * h), ry = std::hypot(dudy * w, dvdy * h);
  const float rho = std::max(rx, ry);
  const float lod = rho > 0 ? std::log2(rho) : -1.0f;
  if (!(lod > 0))
    return SampleLevel(t, s, 0, s.magFilter, u, v);
  if (!mipmapped)
    return SampleLevel(t, s, 0, s.minFilter, u, v);
  const float maxLevel = float(t.MipmapLevelCount() - 1);
  if (s.mipFilter == SamplerMipFilter::Nearest)
    return SampleLevel(t, s, uint64_t(std::min(std::floor(lod + 0.5f), maxLevel)), s.minFilter, u, v);
  const float l = std::min(lod, maxLevel);
  const uint64_t l0 = uint64_t(std::floor(l));
  const uint64_t l1 = std::min<uint64_t>(l0 + 1, t.MipmapLevelCount() - 1);
  const float f = l - float(l0);
  Float4 a = SampleLevel(t, s, l0, s.minFilter, u, v);
  if (f == 0 || l1 == l0)
    return a;
  Float4 b = SampleLevel(t, s, l1, s.minFilter, u, v);
  return Float4{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f, a.w + (b.w - a.w) * f};
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
      case BlitOp::Synchronize: break;
    }
  }
}

} // namespace detail

} // namespace standin::mtl
