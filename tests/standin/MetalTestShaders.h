#pragma once
#include "standin/metal/Shader.h"
#include "tests/standin/MetalRig.h"

#include <string>
#include <vector>

// Small shaders for testing the rasteriser itself: vertices are pixel positions with a colour.
//   "pixelVertex"     position in pixels of the frame size in vertex buffer 1, colour as varyings
//   "mirrorVertex"    the same, mirrored left to right in clip space (turns the winding round)
//   "colorFragment"   the interpolated colour
//   "facingFragment"  opaque red on front faces, opaque blue on back faces
//   "discardFragment" the colour, discarded where its alpha is below 0.5
//   "sampleFragment"  texture 0 sampled at (red, green) of the interpolated colour
namespace testsupport {

struct PixelVertex
{
  float x, y, r, g, b, a;
};

namespace metalshaders {

inline void PixelVertexFn(const mtl::VertexIn& in, const mtl::StageResources& resources, mtl::VertexOut& out)
{
  const float* size = resources.buffers[1].At<float>(0);
  const float w = size ? size[0] : 1.0f, h = size ? size[1] : 1.0f;
  out.position[0] = 2.0f * in.attributes[0][0] / w - 1.0f;
  out.position[1] = 1.0f - 2.0f * in.attributes[0][1] / h;
  out.position[2] = 0;
  out.position[3] = 1;
  for (int k = 0; k < 4; k++)
    out.varyings[k] = in.attributes[1][k];
}

inline void MirrorVertexFn(const mtl::VertexIn& in, const mtl::StageResources& resources, mtl::VertexOut& out)
{
  PixelVertexFn(in, resources, out);
  out.position[0] = -out.position[0];
}

inline mtl::Float4 Varyings(const mtl::FragmentSpan& span, int i)
{
  const float* v = span.varyings;
  const float* d = span.ddx;
  return mtl::Float4{v[0] + d[0] * float(i), v[1] + d[1] * float(i), v[2] + d[2] * float(i), v[3] + d[3] * float(i)};
}

inline void ColorFragmentFn(const mtl::FragmentSpan& span, const mtl::StageResources&, const mtl::FragmentOut& out)
{
  for (int i = 0; i < span.count; i++)
    out.color[i] = Varyings(span, i);
}

inline void FacingFragmentFn(const mtl::FragmentSpan& span, const mtl::StageResources&, const mtl::FragmentOut& out)
{
  for (int i = 0; i < span.count; i++)
    out.color[i] = span.frontFacing ? mtl::Float4{1, 0, 0, 1} : mtl::Float4{0, 0, 1, 1};
}

inline void DiscardFragmentFn(const mtl::FragmentSpan& span, const mtl::StageResources&, const mtl::FragmentOut& out)
{
  for (int i = 0; i < span.count; i++)
  {
    out.color[i] = Varyings(span, i);
    out.discard[i] = out.color[i].w < 0.5f;
  }
}

inline void SampleFragmentFn(const mtl::FragmentSpan& span, const mtl::StageResources& resources,
                             const mtl::FragmentOut& out)
{
  for (int i = 0; i < span.count; i++)
  {
    const mtl::Float4 v = Varyings(span, i);
    out.color[i] = mtl::Sample(resources.textures[0], v.x, v.y);
  }
}

inline std::vector<mtl::ShaderFunctionEntry> Entries()
{
  using mtl::FunctionType;
  return {
    {"pixelVertex", FunctionType::Vertex, PixelVertexFn, nullptr, 4},
    {"mirrorVertex", FunctionType::Vertex, MirrorVertexFn, nullptr, 4},
    {"colorFragment", FunctionType::Fragment, nullptr, ColorFragmentFn, 4},
    {"facingFragment", FunctionType::Fragment, nullptr, FacingFragmentFn, 0},
    {"discardFragment", FunctionType::Fragment, nullptr, DiscardFragmentFn, 4},
    {"sampleFragment", FunctionType::Fragment, nullptr, SampleFragmentFn, 4},
  };
}

} // namespace metalshaders

// The test library on a device.
inline mtl::Ref<mtl::Library> TestShaderLibrary(mtl::Device& device)
{
  static const std::vector<uint8_t> blob = [] {
    mtl::RegisterShaderLibrary("rasterTests", metalshaders::Entries());
    return mtl::EncodeLibraryBlob("rasterTests", metalshaders::Entries());
  }();
  return device.NewLibrary(blob.data(), blob.size(), nullptr);
}

// A pipeline for PixelVertex data on the rig's targets. Without a fragment name it writes only
// the stencil.
struct PipelineOptions
{
  std::string vertex = "pixelVertex";
  std::string fragment = "colorFragment";
  bool blending = false;
  mtl::BlendFactor sourceRGB = mtl::BlendFactor::One, destinationRGB = mtl::BlendFactor::Zero;
  mtl::BlendFactor sourceAlpha = mtl::BlendFactor::One, destinationAlpha = mtl::BlendFactor::Zero;
  uint64_t writeMask = mtl::ColorWriteMaskAll;
};

inline mtl::Ref<mtl::RenderPipelineState> TestPipeline(MetalRig& rig, const PipelineOptions& o)
{
  mtl::Ref<mtl::Library> library = TestShaderLibrary(*rig.device);
  mtl::RenderPipelineDescriptor d;
  d.vertexFunction = library->NewFunction(o.vertex);
  if (!o.fragment.empty())
    d.fragmentFunction = library->NewFunction(o.fragment);
  mtl::VertexDescriptor layout;
  layout.attributes[0] = {mtl::VertexFormat::Float2, 0, 0};
  layout.attributes[1] = {mtl::VertexFormat::Float4, 8, 0};
  layout.layouts[0].stride = sizeof(PixelVertex);
  d.SetVertexDescriptor(layout);
  auto& a = d.colorAttachments[0];
  a.pixelFormat = rig.color->GetPixelFormat();
  a.blendingEnabled = o.blending;
  a.sourceRGBBlendFactor = o.sourceRGB;
  a.destinationRGBBlendFactor = o.destinationRGB;
  a.sourceAlphaBlendFactor = o.sourceAlpha;
  a.destinationAlphaBlendFactor = o.destinationAlpha;
  a.writeMask = o.writeMask;
  d.stencilAttachmentPixelFormat = mtl::PixelFormat::Stencil8;
  return rig.device->NewRenderPipelineState(d, nullptr);
}

// Binds the vertices and the frame size of the rig for PixelVertex pipelines.
inline void BindPixelVertices(MetalRig& rig, mtl::RenderCommandEncoder& encoder, const std::vector<PixelVertex>& vertices)
{
  encoder.SetVertexBuffer(rig.Buffer(vertices), 0, 0);
  encoder.SetVertexBuffer(rig.Buffer(std::vector<float>{float(rig.width), float(rig.height)}), 0, 1);
}

} // namespace testsupport
