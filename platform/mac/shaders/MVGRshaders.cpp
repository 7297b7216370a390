#include "platform/mac/shaders/MVGRshaders.h"

#include "platform/mac/MVGRshaderTypes.h"
#include "standin/foundation/Object.h"
#include "standin/metal/Shader.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The vertex and fragment functions of the render back end, for the CPU stand-in of Metal.
//
// The vertex function maps drawing units (y down, origin top left, frame size in vertex buffer
// 1) to clip space and passes the position and the texture coordinates on. The fragment
// functions turn the uniform block into premultiplied colour:
// - scissor: the point is taken into the scissor's space; coverage ramps over one device pixel
//   across each scissor edge (scissor scale holds the axes' lengths over the fringe width);
// - edge coverage (fragmentShaderAA only): u runs 0..1 across a stroke or fringe and v is 0 on
//   the outer row of a cap's fringe; coverage rises over one fringe width from each border
//   (stroke factor = half the geometry's width over the fringe), and fragments below the stroke
//   threshold are discarded;
// - colour or gradient paint: the signed distance to the paint's rounded box, blurred over the
//   feather, mixes the inner colour (inside) into the outer colour;
// - image paint: the point in paint space over the extent is the texture coordinate; the texel
//   is premultiplied when the image is straight-alpha, or spread to all channels when it is an
//   alpha image, then scaled by the inner colour (the paint's alpha);
// - triangles: the vertex's own texture coordinates sample the image, which is coverage for the
//   inner colour (text).
namespace plug::igraphics {

namespace {

using standin::mtl::Float4;
using standin::mtl::FragmentOut;
using standin::mtl::FragmentSpan;
using standin::mtl::StageResources;
using standin::mtl::VertexIn;
using standin::mtl::VertexOut;

constexpr int kVaryings = 4; // drawing position x, y; texture coordinates u, v

void VertexShader(const VertexIn& in, const StageResources& resources, VertexOut& out)
{
  const float* viewSize = resources.buffers[kMVGRviewSizeBufferIndex].At<float>(0);
  const float* viewHeight = resources.buffers[kMVGRviewSizeBufferIndex].At<float>(4);
  const float w = viewSize ? *viewSize : 0.0f, h = viewHeight ? *viewHeight : 0.0f;
  const float x = in.attributes[kMVGRpositionAttribute][0], y = in.attributes[kMVGRpositionAttribute][1];
  out.position[0] = 2.0f * x / w - 1.0f;
  out.position[1] = 1.0f - 2.0f * y / h;
  out.position[2] = 0.0f;
  out.position[3] = 1.0f;
  out.varyings[0] = x;
  out.varyings[1] = y;
  out.varyings[2] = in.attributes[kMVGRtexcoordAttribute][0];
  out.varyings[3] = in.attributes[kMVGRtexcoordAttribute][1];
}

inline float Clamp01(float v) { return v > 0 ? (v < 1 ? v : 1) : 0; }

// Applies a 3x3 matrix stored as three float4 columns to (x, y, 1).
inline void Transform(const float* m, float x, float y, float& ox, float& oy)
{
  ox = m[0] * x + m[4] * y + m[8];
  oy = m[1] * x + m[5] * y + m[9];
}

// Signed distance from a point to a rounded box centred at the origin with half sizes (ex, ey).
inline float RoundedBoxDistance(float px, float py, float ex, float ey, float radius)
{
  const float qx = std::fabs(px) - (ex - radius), qy = std::fabs(py) - (ey - radius);
  const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  const float outside = std::sqrt(ox * ox + oy * oy);
  return std::min(std::max(qx, qy), 0.0f) + outside - radius;
}

inline float ScissorMask(const MVGRfragUniforms& u, float x, float y)
{
  float sx, sy;
  Transform(u.scissorMat, x, y, sx, sy);
  sx = (std::fabs(sx) - u.scissorExt[0]) * u.scissorScale[0];
  sy = (std::fabs(sy) - u.scissorExt[1]) * u.scissorScale[1];
  return Clamp01(0.5f - sx) * Clamp01(0.5f - sy);
}

inline float StrokeMask(const MVGRfragUniforms& u, float tu, float tv)
{
  return std::min(1.0f, (1.0f - std::fabs(tu * 2.0f - 1.0f)) * u.strokeMult) * std::min(1.0f, tv);
}

inline Float4 Scale(const Float4& c, float k) { return Float4{c.x * k, c.y * k, c.z * k, c.w * k}; }

inline Float4 Mul(const Float4& a, const float* b) { return Float4{a.x * b[0], a.y * b[1], a.z * b[2], a.w * b[3]}; }

// A sampled texel as premultiplied colour, by texture kind.
inline Float4 AsPremultiplied(const Float4& texel, int32_t kind)
{
  if (kind == kMVGRtextureStraight)
    return Float4{texel.x * texel.w, texel.y * texel.w, texel.z * texel.w, texel.w};
  if (kind == kMVGRtextureAlpha)
    return Float4{texel.x, texel.x, texel.x, texel.x};
  return texel;
}

template <bool kAntiAlias>
void FragmentShader(const FragmentSpan& span, const StageResources& resources, const FragmentOut& out)
{
  const MVGRfragUniforms* uniforms = resources.buffers[kMVGRuniformBufferIndex].At<MVGRfragUniforms>();
  if (!uniforms)
  {
    std::fill_n(out.color, span.count, Float4{});
    return;
  }
  const MVGRfragUniforms& u = *uniforms;
  const standin::mtl::TextureBinding& image = resources.textures[kMVGRtextureIndex];
  const float* v = span.varyings;
  const float* ddx = span.ddx;
  const float* ddy = span.ddy;
  const bool solid = std::equal(u.innerCol, u.innerCol + 4, u.outerCol);
  // Without a scissor its matrix is zero and the mask is the same everywhere.
  const bool scissored = std::any_of(u.scissorMat, u.scissorMat + 12, [](float m) { return m != 0; });
  const float unscissored = ScissorMask(u, 0, 0);
  const float feather = u.feather > 1e-6f ? u.feather : 1e-6f;
  // Image coordinates change linearly along the span: their per-pixel steps, for the level of
  // detail.
  float dudx = 0, dvdx = 0, dudy = 0, dvdy = 0;
  const float ex = u.extent[0] != 0 ? u.extent[0] : 1.0f, ey = u.extent[1] != 0 ? u.extent[1] : 1.0f;
  if (u.type == kMVGRshaderFillImage)
  {
    dudx = (u.paintMat[0] * ddx[0] + u.paintMat[4] * ddx[1]) / ex;
    dvdx = (u.paintMat[1] * ddx[0] + u.paintMat[5] * ddx[1]) / ey;
    dudy = (u.paintMat[0] * ddy[0] + u.paintMat[4] * ddy[1]) / ex;
    dvdy = (u.paintMat[1] * ddy[0] + u.paintMat[5] * ddy[1]) / ey;
  }
  else if (u.type == kMVGRshaderTriangles)
  {
    dudx = ddx[2];
    dvdx = ddx[3];
    dudy = ddy[2];
    dvdy = ddy[3];
  }
  // Images are sampled a run of pixels at a time.
  constexpr int kRun = 256;
  Float4 texels[kRun];
  for (int run = 0; run < span.count; run += kRun)
  {
    const int n = std::min(kRun, span.count - run);
    const float fr = float(run);
    if (u.type == kMVGRshaderFillImage)
    {
      float px, py;
      Transform(u.paintMat, v[0] + ddx[0] * fr, v[1] + ddx[1] * fr, px, py);
      standin::mtl::SampleSpan(image, px / ex, py / ey, dudx, dvdx, dudy, dvdy, n, texels);
    }
    else if (u.type == kMVGRshaderTriangles)
      standin::mtl::SampleSpan(image, v[2] + ddx[2] * fr, v[3] + ddx[3] * fr, dudx, dvdx, dudy, dvdy, n, texels);
    // Coverage of each pixel: scissor, and for fills and strokes the edge coverage.
    float cover[kRun];
    if (scissored)
      for (int k = 0; k < n; k++)
      {
        const float fi = float(run + k);
        cover[k] = ScissorMask(u, v[0] + ddx[0] * fi, v[1] + ddx[1] * fi);
      }
    else
      std::fill_n(cover, n, unscissored);
    if (kAntiAlias)
    {
      float stroke[kRun];
      const float u0 = v[2] + ddx[2] * fr, v0 = v[3] + ddx[3] * fr;
      for (int k = 0; k < n; k++)
        stroke[k] = StrokeMask(u, u0 + ddx[2] * float(k), v0 + ddx[3] * float(k));
      uint8_t* discard = out.discard + run;
      for (int k = 0; k < n; k++)
        discard[k] = stroke[k] < u.strokeThr;
      if (u.type != kMVGRshaderTriangles)
        for (int k = 0; k < n; k++)
          cover[k] *= stroke[k];
    }
    Float4* color = out.color + run;
    switch (u.type)
    {
      case kMVGRshaderFillGradient:
        if (solid)
          for (int k = 0; k < n; k++)
            color[k] = Scale(Float4{u.innerCol[0], u.innerCol[1], u.innerCol[2], u.innerCol[3]}, cover[k]);
        else
          for (int k = 0; k < n; k++)
          {
            const float fi = float(run + k);
            float px, py;
            Transform(u.paintMat, v[0] + ddx[0] * fi, v[1] + ddx[1] * fi, px, py);
            const float d =
              Clamp01((RoundedBoxDistance(px, py, u.extent[0], u.extent[1], u.radius) + feather * 0.5f) / feather);
            Float4 c;
            for (int ch = 0; ch < 4; ch++)
              (&c.x)[ch] = u.innerCol[ch] + (u.outerCol[ch] - u.innerCol[ch]) * d;
            color[k] = Scale(c, cover[k]);
          }
        break;
      case kMVGRshaderFillImage:
      case kMVGRshaderTriangles:
        if (u.texType == kMVGRtextureStraight)
          for (int k = 0; k < n; k++)
            color[k] = Mul(Scale(AsPremultiplied(texels[k], kMVGRtextureStraight), cover[k]), u.innerCol);
        else if (u.texType == kMVGRtextureAlpha)
          for (int k = 0; k < n; k++)
            color[k] = Mul(Scale(AsPremultiplied(texels[k], kMVGRtextureAlpha), cover[k]), u.innerCol);
        else
          for (int k = 0; k < n; k++)
            color[k] = Mul(Scale(texels[k], cover[k]), u.innerCol);
        break;
      default: std::fill_n(color, n, Float4{}); break;
    }
  }
}

const std::vector<standin::mtl::ShaderFunctionEntry>& Functions()
{
  using standin::mtl::FunctionType;
  static const std::vector<standin::mtl::ShaderFunctionEntry> functions = {
    {kMVGRvertexFunctionName, FunctionType::Vertex, VertexShader, nullptr, kVaryings},
    {kMVGRfragmentFunctionName, FunctionType::Fragment, nullptr, FragmentShader<false>, kVaryings},
    {kMVGRfragmentFunctionAAName, FunctionType::Fragment, nullptr, FragmentShader<true>, kVaryings},
  };
  return functions;
}

} // namespace

MVGRshaderLibraryData MVGRshaderLibrary()
{
  static const std::vector<uint8_t> blob = [] {
    // Named with the per-build suffix, like the classes the plug-in registers, so that two
    // plug-ins in one process keep their shader code apart.
    const char* name = STANDIN_STRINGIZE(PLUG_OBJC_CLASS(MVGRshaders));
    standin::mtl::RegisterShaderLibrary(name, Functions());
    return standin::mtl::EncodeLibraryBlob(name, Functions());
  }();
  return MVGRshaderLibraryData{blob.data(), blob.size()};
}

} // namespace plug::igraphics
