#pragma once
#include "platform/mac/MVGRshaderTypes.h"
#include "platform/mac/shaders/MVGRshaders.h"
#include "standin/metal/Metal.h"

#include <cmath>
#include <cstring>
#include <vector>

// Draws with the render back end's shaders the way the back end binds them, for tests and
// benchmarks of the shaders and the stand-in: pipelines, uniform blocks and vertices.
namespace testsupport::mvgr {

namespace mtl = standin::mtl;
using plug::igraphics::MVGRfragUniforms;

struct Vertex
{
  float x, y, u, v;
};

// Pipelines for the colour format and the stencil: the colour one with source-over (or the
// given) blending, the stencil-only one without fragment function and colour writes; from the
// back end's library unless another is given.
struct Pipelines
{
  mtl::Ref<mtl::RenderPipelineState> color, stencilOnly;
};

inline Pipelines MakePipelines(mtl::Device& device, mtl::PixelFormat format, bool antiAlias,
                               mtl::BlendFactor source = mtl::BlendFactor::One,
                               mtl::BlendFactor destination = mtl::BlendFactor::OneMinusSourceAlpha,
                               mtl::Ref<mtl::Library> library = nullptr)
{
  using namespace plug::igraphics;
  const MVGRshaderLibraryData blob = MVGRshaderLibrary();
  if (!library)
    library = device.NewLibrary(blob.data, blob.length, nullptr);
  mtl::RenderPipelineDescriptor d;
  d.vertexFunction = library->NewFunction(kMVGRvertexFunctionName);
  d.fragmentFunction = library->NewFunction(antiAlias ? kMVGRfragmentFunctionAAName : kMVGRfragmentFunctionName);
  mtl::VertexDescriptor layout;
  layout.attributes[kMVGRpositionAttribute] = {mtl::VertexFormat::Float2, kMVGRpositionOffset, kMVGRvertexBufferIndex};
  layout.attributes[kMVGRtexcoordAttribute] = {mtl::VertexFormat::Float2, kMVGRtexcoordOffset, kMVGRvertexBufferIndex};
  layout.layouts[kMVGRvertexBufferIndex].stride = kMVGRvertexStride;
  d.SetVertexDescriptor(layout);
  auto& a = d.colorAttachments[0];
  a.pixelFormat = format;
  a.blendingEnabled = true;
  a.sourceRGBBlendFactor = a.sourceAlphaBlendFactor = source;
  a.destinationRGBBlendFactor = a.destinationAlphaBlendFactor = destination;
  d.stencilAttachmentPixelFormat = mtl::PixelFormat::Stencil8;
  Pipelines p;
  p.color = device.NewRenderPipelineState(d, nullptr);
  d.fragmentFunction = nullptr;
  a.writeMask = mtl::ColorWriteMaskNone;
  p.stencilOnly = device.NewRenderPipelineState(d, nullptr);
  return p;
}

// A 2x3 matrix [a b c d e f] as the uniform block's three float4 columns.
inline void StoreMatrix(float out[12], const float m[6])
{
  const float columns[12] = {m[0], m[1], 0, 0, m[2], m[3], 0, 0, m[4], m[5], 1, 0};
  std::memcpy(out, columns, sizeof(columns));
}

// The inverse of a 2x3 matrix (identity when it is singular).
inline void Invert(float out[6], const float t[6])
{
  const double det = double(t[0]) * t[3] - double(t[2]) * t[1];
  if (std::fabs(det) < 1e-6)
  {
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    std::memcpy(out, identity, sizeof(identity));
    return;
  }
  const double inv = 1.0 / det;
  out[0] = float(t[3] * inv);
  out[2] = float(-t[2] * inv);
  out[4] = float((double(t[2]) * t[5] - double(t[3]) * t[4]) * inv);
  out[1] = float(-t[1] * inv);
  out[3] = float(t[0] * inv);
  out[5] = float((double(t[1]) * t[4] - double(t[0]) * t[5]) * inv);
}

// A block for a paint whose transform is `paint` (its inverse is stored), without scissor.
// Colours are straight alpha and stored premultiplied.
inline MVGRfragUniforms Uniforms(int32_t type, const float inner[4], const float outer[4], const float paint[6],
                                 float fringe = 1.0f, float width = 1.0f)
{
  MVGRfragUniforms u;
  std::memset(&u, 0, sizeof(u));
  for (int c = 0; c < 3; c++)
  {
    u.innerCol[c] = inner[c] * inner[3];
    u.outerCol[c] = outer[c] * outer[3];
  }
  u.innerCol[3] = inner[3];
  u.outerCol[3] = outer[3];
  u.scissorExt[0] = u.scissorExt[1] = 1;
  u.scissorScale[0] = u.scissorScale[1] = 1;
  float inverse[6];
  Invert(inverse, paint);
  StoreMatrix(u.paintMat, inverse);
  u.strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  u.strokeThr = -1;
  u.type = type;
  return u;
}

// Encodes draws of the back end's kind on one encoder: vertices and uniform blocks are
// gathered into buffers made at Bind().
class Recorder
{
public:
  // Vertex index of the first vertex added.
  int AddVertices(const std::vector<Vertex>& v)
  {
    const int first = int(mVertices.size());
    mVertices.insert(mVertices.end(), v.begin(), v.end());
    return first;
  }
  // Byte offset of the block.
  uint64_t AddUniforms(const MVGRfragUniforms& u)
  {
    const uint64_t offset = mUniforms.size();
    mUniforms.resize(offset + plug::igraphics::kMVGRfragSize, 0);
    std::memcpy(&mUniforms[offset], &u, sizeof(u));
    return offset;
  }
  int AddIndices(const std::vector<uint32_t>& indices)
  {
    const int first = int(mIndices.size());
    mIndices.insert(mIndices.end(), indices.begin(), indices.end());
    return first;
  }

  // Makes the buffers (at the first call) and binds them as the back end does.
  void Bind(mtl::Device& device, mtl::RenderCommandEncoder& e, float viewWidth, float viewHeight)
  {
    using namespace plug::igraphics;
    const float size[2] = {viewWidth, viewHeight};
    if (!mVertexBuffer)
      MakeBuffers(device);
    e.SetVertexBuffer(mVertexBuffer, 0, kMVGRvertexBufferIndex);
    e.SetVertexBuffer(device.NewBuffer(size, sizeof(size), 0), 0, kMVGRviewSizeBufferIndex);
    e.SetFragmentBuffer(mUniformBuffer, 0, kMVGRuniformBufferIndex);
  }

  const mtl::Ref<mtl::Buffer>& IndexBuffer() const { return mIndexBuffer; }

private:
  void MakeBuffers(mtl::Device& device)
  {
    auto buffer = [&](const void* bytes, size_t length) {
      mtl::Ref<mtl::Buffer> b = device.NewBuffer(length + 16, mtl::ResourceCPUCacheModeWriteCombined);
      if (length)
        std::memcpy(b->Contents(), bytes, length);
      return b;
    };
    mVertexBuffer = buffer(mVertices.data(), mVertices.size() * sizeof(Vertex));
    mUniformBuffer = buffer(mUniforms.data(), mUniforms.size());
    mIndexBuffer = buffer(mIndices.data(), mIndices.size() * sizeof(uint32_t));
  }

  std::vector<Vertex> mVertices;
  std::vector<uint8_t> mUniforms;
  std::vector<uint32_t> mIndices;
  mtl::Ref<mtl::Buffer> mVertexBuffer, mUniformBuffer, mIndexBuffer;
};

} // namespace testsupport::mvgr
