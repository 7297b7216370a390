#pragma once
#include "standin/metal/Metal.h"
#include "standin/metal/Shader.h"
#include "standin/metal/Vec4.h"

#include <cstddef>
#include <cstdint>

// Internal: texel filtering of one mipmap level, shared by the sampling functions of Shader.h
// and the shading-language header, whose per-pixel sample() runs it inline.
namespace standin::mtl::detail {

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

// Texel coordinate to an int that stays far from overflow (NaN reads as 0).
inline int FloorIndex(float x)
{
  if (!(x > -1.0e7f))
    return x < 0 ? -10000000 : 0;
  if (x > 1.0e7f)
    return 10000000;
  const int i = int(x);
  return float(i) > x ? i - 1 : i;
}

// One mipmap level as the sampler reads it.
struct LevelView
{
  const uint8_t* data = nullptr;
  int width = 0, height = 0, bpp = 0;
  size_t stride = 0;
  PixelFormat format = PixelFormat::Invalid;

  LevelView() = default;
  LevelView(const Texture& texture, uint64_t level)
    : data(texture.LevelData(level))
    , width(int(texture.LevelWidth(level)))
    , height(int(texture.LevelHeight(level)))
    , bpp(BytesPerPixel(texture.GetPixelFormat()))
    , stride(size_t(width) * size_t(bpp))
    , format(texture.GetPixelFormat())
  {
  }

  const uint8_t* At(int x, int y) const { return data + size_t(y) * stride + size_t(x) * size_t(bpp); }
};

constexpr float kByteScale = 1.0f / 255.0f;

// A texel as floats 0..255 in RGBA order.
template <PixelFormat kFormat>
inline Vec4 Texel(PixelFormat format, const uint8_t* p)
{
  const PixelFormat f = kFormat == PixelFormat::Invalid ? format : kFormat;
  if (f == PixelFormat::R8Unorm)
    return Vec4::Set(float(p[0]), 0, 0, 255);
  const Vec4 t = Vec4::FromBytes(p);
  return f == PixelFormat::BGRA8Unorm ? t.SwapRedBlue() : t;
}

inline Float4 ToFloat4(const Vec4& texel)
{
  Float4 out;
  (texel * Vec4::Splat(kByteScale)).Store(&out.x);
  return out;
}

// Filters one level at texel-space coordinates (x, y). Bilinear weights are kept to 1/256 of a
// texel, as filtering hardware does, so that sampling at a texel centre returns the texel.
template <PixelFormat kFormat = PixelFormat::Invalid>
inline Float4 SampleView(const LevelView& view, const SamplerDescriptor& s, SamplerMinMagFilter filter, float x,
                         float y)
{
  if (filter == SamplerMinMagFilter::Nearest)
  {
    const int ix = WrapIndex(FloorIndex(x), view.width, s.sAddressMode);
    const int iy = WrapIndex(FloorIndex(y), view.height, s.tAddressMode);
    return ToFloat4(Texel<kFormat>(view.format, view.At(ix, iy)));
  }
  x -= 0.5f;
  y -= 0.5f;
  int x0 = FloorIndex(x), y0 = FloorIndex(y);
  int wx = int((x - float(x0)) * 256.0f + 0.5f), wy = int((y - float(y0)) * 256.0f + 0.5f);
  if (!(wx >= 0 && wx <= 256))
    wx = 0;
  if (!(wy >= 0 && wy <= 256))
    wy = 0;
  if (wx == 256)
  {
    x0++;
    wx = 0;
  }
  if (wy == 256)
  {
    y0++;
    wy = 0;
  }
  const int xa = WrapIndex(x0, view.width, s.sAddressMode);
  const int ya = WrapIndex(y0, view.height, s.tAddressMode);
  if (wx == 0 && wy == 0)
    return ToFloat4(Texel<kFormat>(view.format, view.At(xa, ya)));
  const int xb = WrapIndex(x0 + 1, view.width, s.sAddressMode);
  const int yb = WrapIndex(y0 + 1, view.height, s.tAddressMode);
  const Vec4 fx = Vec4::Splat(float(wx) * (1.0f / 256.0f));
  const Vec4 fy = Vec4::Splat(float(wy) * (1.0f / 256.0f));
  const Vec4 t00 = Texel<kFormat>(view.format, view.At(xa, ya));
  const Vec4 t10 = Texel<kFormat>(view.format, view.At(xb, ya));
  const Vec4 t01 = Texel<kFormat>(view.format, view.At(xa, yb));
  const Vec4 t11 = Texel<kFormat>(view.format, view.At(xb, yb));
  const Vec4 top = t00 + (t10 - t00) * fx;
  const Vec4 bottom = t01 + (t11 - t01) * fx;
  return ToFloat4(top + (bottom - top) * fy);
}

// Level 0 at normalised (or texel, when the sampler says so) coordinates, with the
// magnification filter: Metal's sample() at a level of detail of 0 or below.
inline Float4 SampleLevel0(const LevelView& view, const SamplerDescriptor& s, float u, float v)
{
  const float x = s.normalizedCoordinates ? u * float(view.width) : u;
  const float y = s.normalizedCoordinates ? v * float(view.height) : v;
  return SampleView(view, s, s.magFilter, x, y);
}

} // namespace standin::mtl::detail
