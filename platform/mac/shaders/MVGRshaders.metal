// The vertex and fragment functions of the render back end, in the Metal shading language.
//
// This one source is what a Mac build compiles into the bundle's shader library, and what the
// CPU stand-in of Metal runs here: MVGRshaders.cpp compiles it as C++ through the stand-in's
// ShadingLanguage.h, so it keeps to the subset that header describes (no double, recursion,
// function pointers, std:: or exceptions; sampling without derivatives).
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
#ifdef __METAL_VERSION__
#include <metal_stdlib>
#else
#include "standin/metal/ShadingLanguage.h"
#endif
#include "platform/mac/MVGRshaderTypes.h"

using namespace metal;

struct MVGRvertexIn
{
  float2 position [[attribute(kMVGRpositionAttribute)]];
  float2 tcoord [[attribute(kMVGRtexcoordAttribute)]];
};

struct MVGRrasterData
{
  float4 position [[position]];
  float2 fpos;    // drawing units
  float2 ftcoord; // texture coordinates (u, v)
};

// A 3x3 matrix stored as three columns of four floats, applied to (x, y, 1).
float2 mvgrTransform(constant float* m, float2 p)
{
  return float2(m[0] * p.x + m[4] * p.y + m[8], m[1] * p.x + m[5] * p.y + m[9]);
}

// Signed distance from a point to a rounded box centred at the origin with half sizes ext.
float mvgrRoundedBoxDistance(float2 p, float2 ext, float radius)
{
  const float2 q = abs(p) - (ext - radius);
  return min(max(q.x, q.y), 0.0f) + length(max(q, float2(0.0f))) - radius;
}

float mvgrScissorMask(constant MVGRfragUniforms& u, float2 p)
{
  float2 sc = mvgrTransform(u.scissorMat, p);
  sc = (abs(sc) - float2(u.scissorExt[0], u.scissorExt[1])) * float2(u.scissorScale[0], u.scissorScale[1]);
  sc = saturate(0.5f - sc);
  return sc.x * sc.y;
}

float mvgrStrokeMask(constant MVGRfragUniforms& u, float2 tcoord)
{
  return min(1.0f, (1.0f - abs(tcoord.x * 2.0f - 1.0f)) * u.strokeMult) * min(1.0f, tcoord.y);
}

float4 mvgrColor(constant float* c) { return float4(c[0], c[1], c[2], c[3]); }

// A sampled texel as premultiplied colour, by texture kind.
float4 mvgrPremultiplied(float4 texel, int kind)
{
  if (kind == kMVGRtextureStraight)
    return float4(texel.xyz * texel.w, texel.w);
  if (kind == kMVGRtextureAlpha)
    return float4(texel.x);
  return texel;
}

float4 mvgrShade(MVGRrasterData in, constant MVGRfragUniforms& u, texture2d<float> image, sampler imageSampler,
                 bool antiAlias)
{
  float cover = mvgrScissorMask(u, in.fpos);
  if (antiAlias)
  {
    const float stroke = mvgrStrokeMask(u, in.ftcoord);
    if (stroke < u.strokeThr)
    {
      discard_fragment();
      return float4(0.0f);
    }
    if (u.type != kMVGRshaderTriangles)
      cover *= stroke;
  }
  const float4 inner = mvgrColor(u.innerCol);
  if (u.type == kMVGRshaderFillGradient)
  {
    const float4 outer = mvgrColor(u.outerCol);
    // One colour: no gradient to compute.
    if (inner.x == outer.x && inner.y == outer.y && inner.z == outer.z && inner.w == outer.w)
      return inner * cover;
    const float feather = u.feather > 1e-6f ? u.feather : 1e-6f;
    const float2 p = mvgrTransform(u.paintMat, in.fpos);
    const float d = saturate(
      (mvgrRoundedBoxDistance(p, float2(u.extent[0], u.extent[1]), u.radius) + feather * 0.5f) / feather);
    return (inner + (outer - inner) * d) * cover;
  }
  float2 tcoord;
  if (u.type == kMVGRshaderFillImage)
  {
    const float2 ext = float2(u.extent[0] != 0.0f ? u.extent[0] : 1.0f, u.extent[1] != 0.0f ? u.extent[1] : 1.0f);
    tcoord = mvgrTransform(u.paintMat, in.fpos) / ext;
  }
  else if (u.type == kMVGRshaderTriangles)
    tcoord = in.ftcoord;
  else
    return float4(0.0f);
  const float4 texel = mvgrPremultiplied(image.sample(imageSampler, tcoord), u.texType);
  return texel * cover * inner;
}

vertex MVGRrasterData vertexShader(MVGRvertexIn in [[stage_in]],
                                   constant float2& viewSize [[buffer(kMVGRviewSizeBufferIndex)]])
{
  MVGRrasterData out;
  out.position = float4(2.0f * in.position.x / viewSize.x - 1.0f, 1.0f - 2.0f * in.position.y / viewSize.y, 0.0f,
                        1.0f);
  out.fpos = in.position;
  out.ftcoord = in.tcoord;
  return out;
}

fragment float4 fragmentShader(MVGRrasterData in [[stage_in]],
                               constant MVGRfragUniforms& uniforms [[buffer(kMVGRuniformBufferIndex)]],
                               texture2d<float> image [[texture(kMVGRtextureIndex)]],
                               sampler imageSampler [[sampler(kMVGRsamplerIndex)]])
{
  return mvgrShade(in, uniforms, image, imageSampler, false);
}

fragment float4 fragmentShaderAA(MVGRrasterData in [[stage_in]],
                                 constant MVGRfragUniforms& uniforms [[buffer(kMVGRuniformBufferIndex)]],
                                 texture2d<float> image [[texture(kMVGRtextureIndex)]],
                                 sampler imageSampler [[sampler(kMVGRsamplerIndex)]])
{
  return mvgrShade(in, uniforms, image, imageSampler, true);
}
