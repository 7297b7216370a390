#include "standin/metal/Commands.h"
#include "standin/metal/Shader.h"
#include "standin/metal/Vec4.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The render-pass half of the stand-in: vertex fetch and shading, clipping, rasterisation with
// Metal's conventions, stencil, fragment shading and blending.
//
// Conventions followed:
// - Clip space has y up; the viewport maps x = -1..1 to originX .. originX + width and y = 1..-1
//   to originY .. originY + height (rows top to bottom). z is clipped to 0..w.
// - Positions are snapped to 1/256 pixel; a pixel is covered when its centre (+0.5) lies inside
//   the triangle, or on an edge that is a top or a left edge (top-left rule). Adjacent triangles
//   therefore cover every pixel exactly once. Triangles of zero snapped area draw nothing.
// - A triangle is front facing when its winding as seen on screen (y up) matches the encoder's
//   front-facing winding; facing comes from the positions the vertex function wrote. Triangle i
//   of a strip is (i, i + 1, i + 2) for even i and (i + 1, i, i + 2) for odd i, so a strip keeps
//   one winding.
// - Stencil tests run before shading unless the fragment could be discarded while a failing
//   pixel would still change the stencil; a discarded pixel changes neither colour nor stencil.
// - Blending works on floats; colours are stored rounded to the nearest 8-bit value.
namespace standin::mtl::detail {

namespace {

constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixel = int64_t(1) << kSubpixelBits;
constexpr double kGuardPixels = 262144.0; // 2^18: snapped products stay far inside 64 bits
constexpr int kChunk = 256;
constexpr int kStripe = 16;            // rows per stripe of a band
constexpr int64_t kParallelArea = 32768; // draws covering fewer pixels run on one thread

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

inline uint8_t ToUnorm(float v)
{
  v = v > 0.0f ? v : 0.0f; // NaN reads as 0
  v = v < 1.0f ? v : 1.0f;
  return uint8_t(int(v * 255.0f + 0.5f));
}

struct BufferBinding
{
  Ref<Buffer> buffer;
  uint64_t offset = 0;
};

struct EncoderState
{
  Ref<RenderPipelineState> pipeline;
  Ref<DepthStencilState> depthStencil;
  uint32_t stencilReference[2] = {0, 0}; // front, back
  CullMode cull = CullMode::None;
  Winding winding = Winding::Clockwise;
  Viewport viewport;
  BufferBinding vertexBuffers[kMaxBufferBindings];
  BufferBinding fragmentBuffers[kMaxBufferBindings];
  Ref<Texture> fragmentTextures[kMaxTextureBindings];
  Ref<SamplerState> fragmentSamplers[kMaxTextureBindings];
};

struct Target
{
  Texture* color = nullptr;
  uint64_t colorLevel = 0;
  Texture* stencil = nullptr;
  int width = 0, height = 0; // the render area: the smallest attachment
};

struct ClipVertex
{
  float p[4]; // x, y, z, w
  float v[kMaxVaryings];
};

// One draw's fixed state, shared by all its triangles.
struct DrawSetup
{
  const RenderPipelineDescriptor* pipeline = nullptr;
  VertexFunctionPtr vertex = nullptr;
  FragmentFunctionPtr fragment = nullptr;
  int varyings = 0; // interpolated: what the fragment function reads
  const StencilDescriptor* stencil[2] = {nullptr, nullptr}; // front, back
  uint8_t stencilReference[2] = {0, 0};
  CullMode cull = CullMode::None;
  Winding winding = Winding::Clockwise;
  Viewport viewport;
  int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0; // pixels drawn: [x0, x1) x [y0, y1)
  double guardX = 1, guardY = 1;                        // guard band in NDC units
  uint8_t* color = nullptr;
  size_t colorStride = 0;
  PixelFormat colorFormat = PixelFormat::Invalid;
  uint8_t* stencilBytes = nullptr;
  size_t stencilStride = 0;
  bool writeColor = false;
  bool fastWrite = false;     // RGBA8 or BGRA8, every channel, no blending or premultiplied source-over
  bool sourceOver = false;
  int redOffset = 0;          // byte of red in a pixel (2 for BGRA)
  StageResources fragmentResources;
};

inline int64_t FloorDiv(int64_t a, int64_t b) // b > 0
{
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

inline int64_t CeilDiv(int64_t a, int64_t b) // b > 0
{
  int64_t q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

inline bool StencilCompare(CompareFunction f, uint32_t reference, uint32_t value)
{
  switch (f)
  {
    case CompareFunction::Never: return false;
    case CompareFunction::Less: return reference < value;
    case CompareFunction::Equal: return reference == value;
    case CompareFunction::LessEqual: return reference <= value;
    case CompareFunction::Greater: return reference > value;
    case CompareFunction::NotEqual: return reference != value;
    case CompareFunction::GreaterEqual: return reference >= value;
    default: return true;
  }
}

inline uint8_t StencilApply(StencilOperation op, uint8_t value, uint8_t reference, uint32_t writeMask)
{
  uint8_t result;
  switch (op)
  {
    case StencilOperation::Keep: return value;
    case StencilOperation::Zero: result = 0; break;
    case StencilOperation::Replace: result = reference; break;
    case StencilOperation::IncrementClamp: result = value == 255 ? 255 : uint8_t(value + 1); break;
    case StencilOperation::DecrementClamp: result = value == 0 ? 0 : uint8_t(value - 1); break;
    case StencilOperation::Invert: result = uint8_t(~value); break;
    case StencilOperation::IncrementWrap: result = uint8_t(value + 1); break;
    case StencilOperation::DecrementWrap: result = uint8_t(value - 1); break;
    default: return value;
  }
  return uint8_t((value & ~writeMask) | (result & writeMask));
}

inline float Factor(BlendFactor f, const float* src, const float* dst, int channel)
{
  switch (f)
  {
    case BlendFactor::Zero: return 0;
    case BlendFactor::One: return 1;
    case BlendFactor::SourceColor: return src[channel];
    case BlendFactor::OneMinusSourceColor: return 1 - src[channel];
    case BlendFactor::SourceAlpha: return src[3];
    case BlendFactor::OneMinusSourceAlpha: return 1 - src[3];
    case BlendFactor::DestinationColor: return dst[channel];
    case BlendFactor::OneMinusDestinationColor: return 1 - dst[channel];
    case BlendFactor::DestinationAlpha: return dst[3];
    case BlendFactor::OneMinusDestinationAlpha: return 1 - dst[3];
    case BlendFactor::SourceAlphaSaturated: return channel == 3 ? 1.0f : std::min(src[3], 1 - dst[3]);
    default: return 0;
  }
}

inline float BlendOp(BlendOperation op, float s, float d)
{
  switch (op)
  {
    case BlendOperation::Subtract: return s - d;
    case BlendOperation::ReverseSubtract: return d - s;
    case BlendOperation::Min: return std::min(s, d);
    case BlendOperation::Max: return std::max(s, d);
    default: return s + d;
  }
}

// Reads, blends and writes one pixel of colour.
inline void WritePixel(const DrawSetup& d, uint8_t* p, const Float4& color)
{
  const RenderPipelineColorAttachmentDescriptor& a = d.pipeline->colorAttachments[0];
  float src[4] = {color.x, color.y, color.z, color.w};
  float dst[4] = {0, 0, 0, 1};
  const bool bgra = d.colorFormat == PixelFormat::BGRA8Unorm;
  const bool r8 = d.colorFormat == PixelFormat::R8Unorm;
  if (r8)
    dst[0] = kUnorm.value[p[0]];
  else
  {
    dst[0] = kUnorm.value[p[bgra ? 2 : 0]];
    dst[1] = kUnorm.value[p[1]];
    dst[2] = kUnorm.value[p[bgra ? 0 : 2]];
    dst[3] = kUnorm.value[p[3]];
  }
  float out[4];
  if (!a.blendingEnabled)
    std::copy_n(src, 4, out);
  else if (d.sourceOver)
  {
    const float k = 1 - src[3];
    for (int c = 0; c < 4; c++)
      out[c] = src[c] + dst[c] * k;
  }
  else
  {
    for (int c = 0; c < 3; c++)
      out[c] = BlendOp(a.rgbBlendOperation, src[c] * Factor(a.sourceRGBBlendFactor, src, dst, c),
                       dst[c] * Factor(a.destinationRGBBlendFactor, src, dst, c));
    out[3] = BlendOp(a.alphaBlendOperation, src[3] * Factor(a.sourceAlphaBlendFactor, src, dst, 3),
                     dst[3] * Factor(a.destinationAlphaBlendFactor, src, dst, 3));
  }
  const uint64_t mask = a.writeMask;
  if (r8)
  {
    if (mask & ColorWriteMaskRed)
      p[0] = ToUnorm(out[0]);
    return;
  }
  if (mask & ColorWriteMaskRed)
    p[bgra ? 2 : 0] = ToUnorm(out[0]);
  if (mask & ColorWriteMaskGreen)
    p[1] = ToUnorm(out[1]);
  if (mask & ColorWriteMaskBlue)
    p[bgra ? 0 : 2] = ToUnorm(out[2]);
  if (mask & ColorWriteMaskAlpha)
    p[3] = ToUnorm(out[3]);
}

// Writes the colours of a run of pixels, except where skip is set.
inline void WriteRun(const DrawSetup& d, uint8_t* row, int x, int n, const Float4* colors, const uint8_t* skip)
{
  if (!d.fastWrite)
  {
    const int bpp = BytesPerPixel(d.colorFormat);
    for (int i = 0; i < n; i++)
      if (!skip[i])
        WritePixel(d, row + size_t(x + i) * bpp, colors[i]);
    return;
  }
  uint8_t* p = row + size_t(x) * 4;
  const bool bgra = d.redOffset != 0;
  const Vec4 scale = Vec4::Splat(255.0f);
  for (int i = 0; i < n; i++, p += 4)
  {
    if (skip[i])
      continue;
    Vec4 c = Vec4::Load(&colors[i].x) * scale;
    if (bgra)
      c = c.SwapRedBlue();
    if (d.sourceOver)
      c = c + Vec4::FromBytes(p) * Vec4::Splat(1.0f - colors[i].w);
    c.ToBytes(p);
  }
}

// Plane of one value over window pixels: f(x, y) = f0 + a (x - x0) + b (y - y0).
struct Plane
{
  double f0, a, b;
};

struct Triangle
{
  int64_t X[3], Y[3];     // snapped window positions, area > 0 (clockwise on screen)
  double x0, y0;          // vertex 0 in pixels
  bool front;
  bool affine;            // the three w are equal: varyings are linear on screen
  Plane planes[kMaxVaryings];
  Plane invW{1, 0, 0};    // 1/w, for perspective-correct values
};

class TriangleRasterizer
{
public:
  // Draws the rows of band `band` of `bands`: stripes of kStripe rows taken in turn.
  TriangleRasterizer(const DrawSetup& setup, int band, int bands) : d(setup), mBand(band), mBands(bands) {}

  void Draw(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c)
  {
    const ClipVertex* v[3] = {&a, &b, &c};
    bool inside = true;
    for (const ClipVertex* p : v)
      inside = inside && Inside(*p);
    if (inside)
    {
      Setup(a, b, c);
      return;
    }
    ClipAndDraw(v);
  }

private:
  bool Inside(const ClipVertex& v) const
  {
    const float x = v.p[0], y = v.p[1], z = v.p[2], w = v.p[3];
    return w > 0 && std::fabs(x) <= d.guardX * w && std::fabs(y) <= d.guardY * w && z >= 0 && z <= w;
  }

  // Clips against w > 0, the guard band and 0 <= z <= w, then draws the polygon as a fan.
  void ClipAndDraw(const ClipVertex* const v[3])
  {
    ClipVertex polygonA[12], polygonB[12];
    int n = 3;
    for (int i = 0; i < 3; i++)
      polygonA[i] = *v[i];
    ClipVertex* in = polygonA;
    ClipVertex* out = polygonB;
    const int nv = d.varyings;
    auto distance = [&](const ClipVertex& p, int plane) -> double {
      const double x = p.p[0], y = p.p[1], z = p.p[2], w = p.p[3];
      switch (plane)
      {
        case 0: return w - 1e-6;
        case 1: return d.guardX * w - x;
        case 2: return d.guardX * w + x;
        case 3: return d.guardY * w - y;
        case 4: return d.guardY * w + y;
        case 5: return z;
        default: return w - z;
      }
    };
    for (int plane = 0; plane < 7 && n >= 3; plane++)
    {
      int m = 0;
      for (int i = 0; i < n; i++)
      {
        const ClipVertex& p = in[i];
        const ClipVertex& q = in[(i + 1) % n];
        const double dp = distance(p, plane), dq = distance(q, plane);
        if (dp >= 0)
          out[m++] = p;
        if ((dp >= 0) != (dq >= 0))
        {
          const float t = float(dp / (dp - dq));
          ClipVertex& r = out[m++];
          for (int k = 0; k < 4; k++)
            r.p[k] = p.p[k] + (q.p[k] - p.p[k]) * t;
          for (int k = 0; k < nv; k++)
            r.v[k] = p.v[k] + (q.v[k] - p.v[k]) * t;
        }
      }
      n = m;
      std::swap(in, out);
    }
    for (int i = 1; i + 1 < n; i++)
      Setup(in[0], in[i], in[i + 1]);
  }

  void Setup(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c)
  {
    const ClipVertex* v[3] = {&a, &b, &c};
    Triangle t;
    double wx[3], wy[3];
    for (int i = 0; i < 3; i++)
    {
      const double w = v[i]->p[3];
      const double nx = v[i]->p[0] / w, ny = v[i]->p[1] / w;
      wx[i] = d.viewport.originX + (nx + 1) * 0.5 * d.viewport.width;
      wy[i] = d.viewport.originY + (1 - ny) * 0.5 * d.viewport.height;
      if (!std::isfinite(wx[i]) || !std::isfinite(wy[i]))
        return;
      t.X[i] = std::llround(wx[i] * kSubpixel);
      t.Y[i] = std::llround(wy[i] * kSubpixel);
    }
    int64_t area = (t.X[1] - t.X[0]) * (t.Y[2] - t.Y[0]) - (t.X[2] - t.X[0]) * (t.Y[1] - t.Y[0]);
    if (area == 0)
      return;
    // On screen (y up) a counter-clockwise triangle has a negative area in window rows.
    t.front = d.winding == Winding::CounterClockwise ? area < 0 : area > 0;
    if ((d.cull == CullMode::Back && !t.front) || (d.cull == CullMode::Front && t.front))
      return;
    if (area < 0)
    {
      std::swap(v[1], v[2]);
      std::swap(t.X[1], t.X[2]);
      std::swap(t.Y[1], t.Y[2]);
      area = -area;
    }
    // Pixels whose centres the bounding box holds, within the drawing window.
    const int64_t half = kSubpixel / 2;
    Bounds box;
    box.x0 = std::max<int64_t>(d.clipX0, CeilDiv(std::min({t.X[0], t.X[1], t.X[2]}) - half, kSubpixel));
    box.x1 = std::min<int64_t>(d.clipX1 - 1, FloorDiv(std::max({t.X[0], t.X[1], t.X[2]}) - half, kSubpixel));
    box.y0 = std::max<int64_t>(d.clipY0, CeilDiv(std::min({t.Y[0], t.Y[1], t.Y[2]}) - half, kSubpixel));
    box.y1 = std::min<int64_t>(d.clipY1 - 1, FloorDiv(std::max({t.Y[0], t.Y[1], t.Y[2]}) - half, kSubpixel));
    if (box.x0 > box.x1 || box.y0 > box.y1 || !BandHasRows(box.y0, box.y1))
      return;
    t.affine = v[0]->p[3] == v[1]->p[3] && v[0]->p[3] == v[2]->p[3];
    const double x0 = double(t.X[0]) / kSubpixel, y0 = double(t.Y[0]) / kSubpixel;
    const double dx1 = double(t.X[1] - t.X[0]) / kSubpixel, dy1 = double(t.Y[1] - t.Y[0]) / kSubpixel;
    const double dx2 = double(t.X[2] - t.X[0]) / kSubpixel, dy2 = double(t.Y[2] - t.Y[0]) / kSubpixel;
    const double det = dx1 * dy2 - dx2 * dy1;
    t.x0 = x0;
    t.y0 = y0;
    auto plane = [&](double f0, double f1, double f2) {
      const double df1 = f1 - f0, df2 = f2 - f0;
      return Plane{f0, (df1 * dy2 - df2 * dy1) / det, (dx1 * df2 - dx2 * df1) / det};
    };
    if (t.affine)
      for (int k = 0; k < d.varyings; k++)
        t.planes[k] = plane(v[0]->v[k], v[1]->v[k], v[2]->v[k]);
    else
    {
      const double iw[3] = {1.0 / v[0]->p[3], 1.0 / v[1]->p[3], 1.0 / v[2]->p[3]};
      t.invW = plane(iw[0], iw[1], iw[2]);
      for (int k = 0; k < d.varyings; k++)
        t.planes[k] = plane(v[0]->v[k] * iw[0], v[1]->v[k] * iw[1], v[2]->v[k] * iw[2]);
    }
    Rasterize(t, box);
  }

  struct Bounds
  {
    int64_t x0, x1, y0, y1;
  };

  bool InBand(int64_t row) const { return mBands == 1 || (row / kStripe) % mBands == mBand; }

  bool BandHasRows(int64_t y0, int64_t y1) const
  {
    if (mBands == 1 || y1 - y0 + 1 >= int64_t(kStripe) * mBands)
      return true;
    for (int64_t stripe = y0 / kStripe; stripe <= y1 / kStripe; stripe++)
      if (stripe % mBands == mBand)
        return true;
    return false;
  }

  void Rasterize(const Triangle& t, const Bounds& b)
  {
    const int64_t half = kSubpixel / 2;
    const int64_t px0 = b.x0, px1 = b.x1, py0 = b.y0, py1 = b.y1;
    // Edge k runs from vertex (k + 1) to vertex (k + 2), opposite vertex k.
    int64_t ex[3], ey[3], ax[3], ay[3], bias[3];
    for (int k = 0; k < 3; k++)
    {
      const int a = (k + 1) % 3, b = (k + 2) % 3;
      ax[k] = t.X[a];
      ay[k] = t.Y[a];
      ex[k] = t.X[b] - t.X[a];
      ey[k] = t.Y[b] - t.Y[a];
      const bool topLeft = ey[k] < 0 || (ey[k] == 0 && ex[k] > 0);
      bias[k] = topLeft ? 0 : -1;
    }
    for (int64_t py = py0; py <= py1; py++)
    {
      if (!InBand(py))
      {
        py = std::min(py1, (py / kStripe + 1) * kStripe - 1); // to the end of this stripe
        continue;
      }
      const int64_t Py = py * kSubpixel + half;
      int64_t lo = px0, hi = px1;
      for (int k = 0; k < 3 && lo <= hi; k++)
      {
        // E(px) = A px + B >= -bias, with A = -ey * 256.
        const int64_t A = -ey[k] * kSubpixel;
        const int64_t B = ex[k] * (Py - ay[k]) - ey[k] * (half - ax[k]) + bias[k];
        if (A > 0)
          lo = std::max(lo, CeilDiv(-B, A));
        else if (A < 0)
          hi = std::min(hi, FloorDiv(B, -A));
        else if (B < 0)
          hi = lo - 1;
      }
      if (lo <= hi)
        Span(t, int(py), int(lo), int(hi - lo + 1));
    }
  }

  void Span(const Triangle& t, int y, int x, int count)
  {
    const int face = t.front ? 0 : 1;
    const StencilDescriptor* st = d.stencilBytes ? d.stencil[face] : nullptr;
    const uint8_t reference = d.stencilReference[face];
    uint8_t* stencilRow = d.stencilBytes ? d.stencilBytes + size_t(y) * d.stencilStride : nullptr;
    uint8_t* colorRow = d.color ? d.color + size_t(y) * d.colorStride : nullptr;
    const bool shadeFailing = st && d.fragment && st->stencilFailureOperation != StencilOperation::Keep;
    while (count > 0)
    {
      const int n = std::min(count, kChunk);
      uint8_t pass[kChunk];
      if (st)
      {
        const uint32_t ref = reference & st->readMask;
        for (int i = 0; i < n; i++)
          pass[i] = StencilCompare(st->stencilCompareFunction, ref, stencilRow[x + i] & st->readMask);
      }
      else
        std::memset(pass, 1, size_t(n));
      uint8_t shaded[kChunk];
      if (d.fragment)
      {
        for (int i = 0; i < n; i++)
          shaded[i] = pass[i] || shadeFailing;
        Shade(t, y, x, n, shaded);
      }
      if (!st)
      {
        if (d.writeColor)
          WriteRun(d, colorRow, x, n, mColor, mDiscard);
      }
      else
      {
        uint8_t skip[kChunk];
        for (int i = 0; i < n; i++)
        {
          skip[i] = 1;
          if (d.fragment && shaded[i] && mDiscard[i])
            continue;
          uint8_t& stencil = stencilRow[x + i];
          if (pass[i])
          {
            stencil = StencilApply(st->depthStencilPassOperation, stencil, reference, st->writeMask);
            skip[i] = 0;
          }
          else
            stencil = StencilApply(st->stencilFailureOperation, stencil, reference, st->writeMask);
        }
        if (d.writeColor)
          WriteRun(d, colorRow, x, n, mColor, skip);
      }
      x += n;
      count -= n;
    }
  }

  // Runs the fragment function over the runs of pixels marked in `want`.
  void Shade(const Triangle& t, int y, int x, int n, const uint8_t* want)
  {
    const double cy = y + 0.5 - t.y0;
    int i = 0;
    while (i < n)
    {
      if (!want[i])
      {
        i++;
        continue;
      }
      int end = i + 1;
      if (t.affine)
        while (end < n && want[end])
          end++;
      const double cx = x + i + 0.5 - t.x0;
      float start[kMaxVaryings], ddx[kMaxVaryings], ddy[kMaxVaryings];
      if (t.affine)
        for (int k = 0; k < d.varyings; k++)
        {
          const Plane& p = t.planes[k];
          start[k] = float(p.f0 + p.a * cx + p.b * cy);
          ddx[k] = float(p.a);
          ddy[k] = float(p.b);
        }
      else
      {
        const double iw = t.invW.f0 + t.invW.a * cx + t.invW.b * cy;
        for (int k = 0; k < d.varyings; k++)
        {
          const Plane& p = t.planes[k];
          const double f = (p.f0 + p.a * cx + p.b * cy) / iw;
          start[k] = float(f);
          ddx[k] = float((p.a - f * t.invW.a) / iw);
          ddy[k] = float((p.b - f * t.invW.b) / iw);
        }
      }
      FragmentSpan span;
      span.x = x + i;
      span.y = y;
      span.count = end - i;
      span.frontFacing = t.front;
      span.varyings = start;
      span.ddx = ddx;
      span.ddy = ddy;
      FragmentOut out{mColor + i, mDiscard + i};
      std::fill_n(mDiscard + i, end - i, uint8_t(0));
      d.fragment(span, d.fragmentResources, out);
      i = end;
    }
  }

  const DrawSetup& d;
  const int mBand, mBands;
  Float4 mColor[kChunk];
  uint8_t mDiscard[kChunk];
};

// The pixels of the drawing window that a draw's vertices span (an upper bound of its work).
int64_t DrawArea(const DrawSetup& d, const std::vector<ClipVertex>& vertices)
{
  double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
  for (const ClipVertex& v : vertices)
  {
    if (!(v.p[3] > 0))
      return int64_t(d.clipX1 - d.clipX0) * (d.clipY1 - d.clipY0);
    const double nx = v.p[0] / v.p[3], ny = v.p[1] / v.p[3];
    x0 = std::min(x0, nx);
    x1 = std::max(x1, nx);
    y0 = std::min(y0, ny);
    y1 = std::max(y1, ny);
  }
  const double wx0 = std::max(double(d.clipX0), d.viewport.originX + (x0 + 1) * 0.5 * d.viewport.width);
  const double wx1 = std::min(double(d.clipX1), d.viewport.originX + (x1 + 1) * 0.5 * d.viewport.width);
  const double wy0 = std::max(double(d.clipY0), d.viewport.originY + (1 - y1) * 0.5 * d.viewport.height);
  const double wy1 = std::min(double(d.clipY1), d.viewport.originY + (1 - y0) * 0.5 * d.viewport.height);
  if (!(wx1 > wx0) || !(wy1 > wy0))
    return 0;
  return int64_t((wx1 - wx0) * (wy1 - wy0));
}

// Threads that share the rows of large draws. One pool serves every queue of the process; a
// job's caller works on its own job too, so jobs from several queues never wait on each other.
class BandPool
{
public:
  static BandPool& Instance()
  {
    static BandPool* pool = new BandPool(); // never destroyed: its threads live as long as the process
    return *pool;
  }

  int Bands() const { return mBands; }

  // Calls fn(band) for every band in [0, bands) and returns when all calls have returned.
  void Run(int bands, const std::function<void(int)>& fn)
  {
    Job job;
    job.fn = &fn;
    job.remaining = bands;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      for (int band = 1; band < bands; band++)
        mTasks.push_back({&job, band});
    }
    mWake.notify_all();
    RunTask(job, 0);
    // Help with what is left of this job, then wait for the bands others took.
    for (;;)
    {
      Task task{nullptr, 0};
      {
        std::lock_guard<std::mutex> lock(mMutex);
        for (auto it = mTasks.begin(); it != mTasks.end(); ++it)
          if (it->job == &job)
          {
            task = *it;
            mTasks.erase(it);
            break;
          }
      }
      if (!task.job)
        break;
      RunTask(job, task.band);
    }
    std::unique_lock<std::mutex> lock(job.mutex);
    job.done.wait(lock, [&] { return job.remaining == 0; });
  }

private:
  struct Job
  {
    const std::function<void(int)>* fn = nullptr;
    std::mutex mutex;
    std::condition_variable done;
    int remaining = 0;
  };
  struct Task
  {
    Job* job;
    int band;
  };

  BandPool()
  {
    const unsigned cores = std::thread::hardware_concurrency();
    mBands = int(std::clamp(cores / 2, 1u, 4u));
    for (int i = 1; i < mBands; i++)
      std::thread([this] { WorkerLoop(); }).detach();
  }

  static void RunTask(Job& job, int band)
  {
    (*job.fn)(band);
    std::lock_guard<std::mutex> lock(job.mutex);
    if (--job.remaining == 0)
      job.done.notify_all();
  }

  void WorkerLoop()
  {
    for (;;)
    {
      Task task;
      {
        std::unique_lock<std::mutex> lock(mMutex);
        mWake.wait(lock, [this] { return !mTasks.empty(); });
        task = mTasks.front();
        mTasks.pop_front();
      }
      RunTask(*task.job, task.band);
    }
  }

  int mBands = 1;
  std::mutex mMutex;
  std::condition_variable mWake;
  std::deque<Task> mTasks;
};

class PassRunner
{
public:
  PassRunner(Device& device, const RecordedPass& pass) : mDevice(device), mPass(pass) {}

  void Run()
  {
    const RenderPassDescriptor& desc = mPass.descriptor;
    mTarget.color = desc.colorAttachments[0].texture.Get();
    mTarget.colorLevel = desc.colorAttachments[0].level;
    mTarget.stencil = desc.stencilAttachment.texture.Get();
    int w = INT32_MAX, h = INT32_MAX;
    if (mTarget.color)
    {
      w = int(mTarget.color->LevelWidth(mTarget.colorLevel));
      h = int(mTarget.color->LevelHeight(mTarget.colorLevel));
    }
    if (mTarget.stencil)
    {
      w = std::min(w, int(mTarget.stencil->Width()));
      h = std::min(h, int(mTarget.stencil->Height()));
    }
    mTarget.width = w;
    mTarget.height = h;
    mState.viewport = Viewport{0, 0, double(w), double(h), 0, 1};
    Load();
    for (const RenderCommand& c : mPass.renderCommands)
      Apply(c);
  }

private:
  void Load()
  {
    const RenderPassDescriptor& desc = mPass.descriptor;
    if (mTarget.color && desc.colorAttachments[0].loadAction == LoadAction::Clear)
    {
      const ClearColor& cc = desc.colorAttachments[0].clearColor;
      const float rgba[4] = {float(cc.red), float(cc.green), float(cc.blue), float(cc.alpha)};
      uint8_t pixel[4];
      const int bpp = BytesPerPixel(mTarget.color->GetPixelFormat());
      if (mTarget.color->GetPixelFormat() == PixelFormat::BGRA8Unorm)
        for (int c = 0; c < 4; c++)
          pixel[c] = ToUnorm(rgba[c == 3 ? 3 : 2 - c]);
      else
        for (int c = 0; c < 4; c++)
          pixel[c] = ToUnorm(rgba[c]);
      std::vector<uint8_t> row(size_t(mTarget.width) * bpp);
      for (size_t x = 0; x < row.size(); x += size_t(bpp))
        std::memcpy(&row[x], pixel, size_t(bpp));
      std::lock_guard<std::mutex> lock(mTarget.color->StorageMutex());
      uint8_t* p = mTarget.color->LevelData(mTarget.colorLevel);
      const size_t stride = mTarget.color->LevelWidth(mTarget.colorLevel) * bpp;
      for (int y = 0; y < mTarget.height; y++)
        std::memcpy(p + y * stride, row.data(), row.size());
    }
    if (mTarget.stencil && desc.stencilAttachment.loadAction == LoadAction::Clear)
    {
      std::lock_guard<std::mutex> lock(mTarget.stencil->StorageMutex());
      uint8_t* p = mTarget.stencil->LevelData(0);
      const size_t stride = mTarget.stencil->Width();
      for (int y = 0; y < mTarget.height; y++)
        std::memset(p + y * stride, int(desc.stencilAttachment.clearStencil & 0xff), size_t(mTarget.width));
    }
  }

  void Apply(const RenderCommand& c)
  {
    switch (c.op)
    {
      case RenderOp::SetPipeline: mState.pipeline = static_cast<RenderPipelineState*>(c.object.Get()); break;
      case RenderOp::SetDepthStencil: mState.depthStencil = static_cast<DepthStencilState*>(c.object.Get()); break;
      case RenderOp::SetStencilReference:
        mState.stencilReference[0] = c.index;
        mState.stencilReference[1] = c.back;
        break;
      case RenderOp::SetCullMode: mState.cull = CullMode(c.kind); break;
      case RenderOp::SetWinding: mState.winding = Winding(c.kind); break;
      case RenderOp::SetViewport: mState.viewport = c.viewport; break;
      case RenderOp::SetVertexBuffer:
        mState.vertexBuffers[c.index] = {static_cast<Buffer*>(c.object.Get()), c.a};
        break;
      case RenderOp::SetVertexBufferOffset: mState.vertexBuffers[c.index].offset = c.a; break;
      case RenderOp::SetFragmentBuffer:
        mState.fragmentBuffers[c.index] = {static_cast<Buffer*>(c.object.Get()), c.a};
        break;
      case RenderOp::SetFragmentBufferOffset: mState.fragmentBuffers[c.index].offset = c.a; break;
      case RenderOp::SetFragmentTexture: mState.fragmentTextures[c.index] = static_cast<Texture*>(c.object.Get()); break;
      case RenderOp::SetFragmentSampler:
        mState.fragmentSamplers[c.index] = static_cast<SamplerState*>(c.object.Get());
        break;
      case RenderOp::Draw:
      case RenderOp::DrawIndexed: Draw(c); break;
    }
  }

  static BufferView View(const BufferBinding& b)
  {
    BufferView view;
    if (b.buffer && b.offset <= b.buffer->Length())
    {
      view.bytes = static_cast<const uint8_t*>(b.buffer->Contents()) + b.offset;
      view.length = b.buffer->Length() - b.offset;
    }
    return view;
  }

  bool Refuse(const std::string& message)
  {
    mDevice.ReportValidationError("draw: " + message);
    return false;
  }

  // The arguments a function declares, against what the encoder has bound for its stage
  // (textures and samplers: the fragment stage's only).
  bool CheckArguments(const ShaderFunctionEntry& f, const BufferBinding* buffers, const char* stage)
  {
    const std::string where = std::string(stage) + " function " + f.name + ": ";
    for (const BufferArgumentDeclaration& b : f.buffers)
    {
      if (b.index < 0 || b.index >= kMaxBufferBindings || !buffers[b.index].buffer)
        return Refuse(where + "buffer " + std::to_string(b.index) + " is not bound");
      if (View(buffers[b.index]).length < b.length)
        return Refuse(where + "buffer " + std::to_string(b.index) + " is shorter from its offset than the " +
                      std::to_string(b.length) + " bytes read");
    }
    for (int t : f.textures)
    {
      const Texture* tex = t >= 0 && t < kMaxTextureBindings ? mState.fragmentTextures[t].Get() : nullptr;
      if (!tex)
        return Refuse(where + "texture " + std::to_string(t) + " is not bound");
      if (tex->GetPixelFormat() == PixelFormat::Stencil8)
        return Refuse(where + "texture " + std::to_string(t) + " is not a colour texture the function can read");
      if (!(tex->Usage() & TextureUsageShaderRead))
        return Refuse(where + "texture " + std::to_string(t) + " lacks shader-read usage");
    }
    for (int t : f.samplers)
      if (t < 0 || t >= kMaxTextureBindings || !mState.fragmentSamplers[t])
        return Refuse(where + "sampler " + std::to_string(t) + " is not bound");
    return true;
  }

  bool CheckPipeline(const RenderPipelineDescriptor& p)
  {
    const PixelFormat expected = mTarget.color ? mTarget.color->GetPixelFormat() : PixelFormat::Invalid;
    if (p.colorAttachments[0].pixelFormat != expected)
      return Refuse("the pipeline's colour pixel format does not match the pass");
    const PixelFormat stencil = mTarget.stencil ? PixelFormat::Stencil8 : PixelFormat::Invalid;
    if (p.stencilAttachmentPixelFormat != stencil)
      return Refuse("the pipeline's stencil pixel format does not match the pass");
    return true;
  }

  // The vertex ids a draw reads, in order; false (reported) when the index buffer is unusable.
  bool VertexIds(const RenderCommand& c, std::vector<uint32_t>& ids)
  {
    constexpr uint64_t kMaxVertices = uint64_t(1) << 26;
    if ((c.op == RenderOp::Draw ? c.b : c.a) > kMaxVertices)
      return Refuse("too many vertices in one draw");
    if (c.op == RenderOp::Draw)
    {
      ids.resize(c.b);
      for (uint64_t i = 0; i < c.b; i++)
        ids[i] = uint32_t(c.a + i);
      return true;
    }
    const Buffer* indexBuffer = static_cast<const Buffer*>(c.object.Get());
    const uint64_t size = IndexType(c.b) == IndexType::UInt32 ? 4 : 2;
    if (!indexBuffer)
      return Refuse("no index buffer");
    if (c.c % size != 0)
      return Refuse("the index buffer offset is not aligned to the index size");
    if (c.c > indexBuffer->Length() || (indexBuffer->Length() - c.c) / size < c.a)
      return Refuse("the indices reach past the index buffer");
    ids.resize(c.a);
    const uint8_t* p = static_cast<const uint8_t*>(indexBuffer->Contents()) + c.c;
    for (uint64_t i = 0; i < c.a; i++)
    {
      if (size == 4)
        std::memcpy(&ids[i], p + i * 4, 4);
      else
      {
        uint16_t v;
        std::memcpy(&v, p + i * 2, 2);
        ids[i] = v;
      }
    }
    return true;
  }

  void Draw(const RenderCommand& c)
  {
    const PrimitiveType type = PrimitiveType(c.kind);
    if (!mState.pipeline)
    {
      Refuse("no render pipeline state set");
      return;
    }
    if (type != PrimitiveType::Triangle && type != PrimitiveType::TriangleStrip)
    {
      Refuse("only triangles and triangle strips are supported");
      return;
    }
    const RenderPipelineDescriptor& pipeline = mState.pipeline->Descriptor();
    if (!CheckPipeline(pipeline) ||
        !CheckArguments(pipeline.vertexFunction->Entry(), mState.vertexBuffers, "vertex") ||
        (pipeline.fragmentFunction &&
         !CheckArguments(pipeline.fragmentFunction->Entry(), mState.fragmentBuffers, "fragment")))
      return;
    std::vector<uint32_t>& ids = mIds;
    if (!VertexIds(c, ids) || ids.size() < 3)
      return;

    DrawSetup d;
    d.pipeline = &pipeline;
    d.vertex = pipeline.vertexFunction->Entry().vertex;
    const int vertexVaryings = std::min(pipeline.vertexFunction->Entry().varyingCount, kMaxVaryings);
    if (pipeline.fragmentFunction)
    {
      d.fragment = pipeline.fragmentFunction->Entry().fragment;
      d.varyings = std::min(pipeline.fragmentFunction->Entry().varyingCount, vertexVaryings);
    }
    if (mState.depthStencil)
    {
      const DepthStencilDescriptor& ds = mState.depthStencil->Descriptor();
      d.stencil[0] = ds.hasFrontFaceStencil ? &ds.frontFaceStencil : nullptr;
      d.stencil[1] = ds.hasBackFaceStencil ? &ds.backFaceStencil : nullptr;
    }
    d.stencilReference[0] = uint8_t(mState.stencilReference[0]);
    d.stencilReference[1] = uint8_t(mState.stencilReference[1]);
    d.cull = mState.cull;
    d.winding = mState.winding;
    d.viewport = mState.viewport;
    const Viewport& vp = d.viewport;
    const double limit = 2.0 * double(kMaxTextureSize);
    if (!(vp.width > 0) || !(vp.height > 0) || !(std::fabs(vp.originX) <= limit) ||
        !(std::fabs(vp.originY) <= limit) || !(vp.width <= limit) || !(vp.height <= limit))
    {
      Refuse("the viewport is empty or out of range");
      return;
    }
    d.clipX0 = std::max(0, int(std::ceil(vp.originX - 0.5)));
    d.clipY0 = std::max(0, int(std::ceil(vp.originY - 0.5)));
    d.clipX1 = std::min(mTarget.width, int(std::ceil(vp.originX + vp.width - 0.5)));
    d.clipY1 = std::min(mTarget.height, int(std::ceil(vp.originY + vp.height - 0.5)));
    if (d.clipX0 >= d.clipX1 || d.clipY0 >= d.clipY1)
      return;
    d.guardX = kGuardPixels / (vp.width * 0.5);
    d.guardY = kGuardPixels / (vp.height * 0.5);

    // Vertex stage.
    StageResources vertexResources;
    vertexResources.function = &pipeline.vertexFunction->Entry();
    vertexResources.validator = &mDevice;
    for (int i = 0; i < kMaxBufferBindings; i++)
      vertexResources.buffers[i] = View(mState.vertexBuffers[i]);
    struct Fetch
    {
      int attribute, components;
      uint64_t offset, stride;
      BufferView view;
    };
    Fetch fetches[kMaxVertexAttributes];
    int nfetch = 0;
    if (pipeline.hasVertexDescriptor)
      for (int i = 0; i < kMaxVertexAttributes; i++)
      {
        const VertexAttributeDescriptor& a = pipeline.vertexDescriptor.attributes[i];
        if (a.format == VertexFormat::Invalid)
          continue;
        const int components = a.format == VertexFormat::Float ? 1 : a.format == VertexFormat::Float2 ? 2
                               : a.format == VertexFormat::Float3 ? 3 : 4;
        const BufferView view = vertexResources.buffers[a.bufferIndex];
        if (!view.bytes)
        {
          Refuse("vertex buffer " + std::to_string(a.bufferIndex) + " is not bound");
          return;
        }
        fetches[nfetch++] = {i, components, a.offset, pipeline.vertexDescriptor.layouts[a.bufferIndex].stride, view};
      }
    mVertices.resize(ids.size());
    bool outside = false;
    for (size_t i = 0; i < ids.size(); i++)
    {
      VertexIn in;
      for (auto& attribute : in.attributes)
      {
        attribute[0] = attribute[1] = attribute[2] = 0;
        attribute[3] = 1;
      }
      in.vertexId = ids[i];
      for (int f = 0; f < nfetch; f++)
      {
        const Fetch& fe = fetches[f];
        const uint64_t at = uint64_t(ids[i]) * fe.stride + fe.offset;
        const uint64_t bytes = uint64_t(fe.components) * 4;
        if (at > fe.view.length || fe.view.length - at < bytes)
        {
          outside = true;
          continue;
        }
        std::memcpy(in.attributes[fe.attribute], fe.view.bytes + at, bytes);
      }
      VertexOut out;
      std::memset(&out, 0, sizeof(out));
      d.vertex(in, vertexResources, out);
      ClipVertex& cv = mVertices[i];
      std::memcpy(cv.p, out.position, sizeof(cv.p));
      std::memcpy(cv.v, out.varyings, sizeof(float) * size_t(vertexVaryings));
    }
    if (outside)
      Refuse("vertex attributes read past the end of their buffer (read as zero)");

    // Fragment stage: bindings and locks.
    if (pipeline.fragmentFunction)
      d.fragmentResources.function = &pipeline.fragmentFunction->Entry();
    d.fragmentResources.validator = &mDevice;
    for (int i = 0; i < kMaxBufferBindings; i++)
      d.fragmentResources.buffers[i] = View(mState.fragmentBuffers[i]);
    std::vector<Texture*>& locked = mLocked;
    locked.clear();
    if (mTarget.color)
      locked.push_back(mTarget.color);
    if (mTarget.stencil)
      locked.push_back(mTarget.stencil);
    for (int i = 0; i < kMaxTextureBindings; i++)
    {
      Texture* tex = mState.fragmentTextures[i].Get();
      if (tex && tex->GetPixelFormat() == PixelFormat::Stencil8)
        tex = nullptr;
      d.fragmentResources.textures[i] = {tex, mState.fragmentSamplers[i].Get()};
      if (tex)
        locked.push_back(tex);
    }
    std::sort(locked.begin(), locked.end());
    locked.erase(std::unique(locked.begin(), locked.end()), locked.end());
    for (Texture* tex : locked)
      tex->StorageMutex().lock();

    if (mTarget.color)
    {
      d.colorFormat = mTarget.color->GetPixelFormat();
      d.color = mTarget.color->LevelData(mTarget.colorLevel);
      d.colorStride = mTarget.color->LevelWidth(mTarget.colorLevel) * BytesPerPixel(d.colorFormat);
      const RenderPipelineColorAttachmentDescriptor& a = pipeline.colorAttachments[0];
      d.writeColor = d.fragment && a.writeMask != ColorWriteMaskNone;
      d.sourceOver = a.blendingEnabled && a.sourceRGBBlendFactor == BlendFactor::One &&
                     a.destinationRGBBlendFactor == BlendFactor::OneMinusSourceAlpha &&
                     a.sourceAlphaBlendFactor == BlendFactor::One &&
                     a.destinationAlphaBlendFactor == BlendFactor::OneMinusSourceAlpha &&
                     a.rgbBlendOperation == BlendOperation::Add && a.alphaBlendOperation == BlendOperation::Add;
      d.fastWrite = (d.colorFormat == PixelFormat::RGBA8Unorm || d.colorFormat == PixelFormat::BGRA8Unorm) &&
                    a.writeMask == ColorWriteMaskAll && (d.sourceOver || !a.blendingEnabled);
      d.redOffset = d.colorFormat == PixelFormat::BGRA8Unorm ? 2 : 0;
    }
    if (mTarget.stencil)
    {
      d.stencilBytes = mTarget.stencil->LevelData(0);
      d.stencilStride = mTarget.stencil->Width();
    }

    // Large draws are shared among the band threads; every band draws every triangle, each on
    // its own rows, so pixels see the same order of operations whatever the number of bands.
    const int bands = DrawArea(d, mVertices) >= kParallelArea ? BandPool::Instance().Bands() : 1;
    auto drawBand = [&](int band) {
      TriangleRasterizer raster(d, band, bands);
      const size_t n = mVertices.size();
      if (type == PrimitiveType::Triangle)
        for (size_t i = 0; i + 2 < n; i += 3)
          raster.Draw(mVertices[i], mVertices[i + 1], mVertices[i + 2]);
      else
        for (size_t i = 0; i + 2 < n; i++)
        {
          if (i % 2 == 0)
            raster.Draw(mVertices[i], mVertices[i + 1], mVertices[i + 2]);
          else
            raster.Draw(mVertices[i + 1], mVertices[i], mVertices[i + 2]);
        }
    };
    if (bands == 1)
      drawBand(0);
    else
      BandPool::Instance().Run(bands, std::ref(drawBand)); // held by reference: nothing allocated per draw

    for (auto it = locked.rbegin(); it != locked.rend(); ++it)
      (*it)->StorageMutex().unlock();
  }

  Device& mDevice;
  const RecordedPass& mPass;
  Target mTarget;
  EncoderState mState;
  std::vector<uint32_t> mIds;
  std::vector<ClipVertex> mVertices;
  std::vector<Texture*> mLocked;
};

} // namespace

void ExecuteRenderPass(Device& device, const RecordedPass& pass)
{
  PassRunner runner(device, pass);
  runner.Run();
}

} // namespace standin::mtl::detail
