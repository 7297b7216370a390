#include "platform/mac/shaders/MVGRshaders.h"

#include "platform/mac/MVGRshaderTypes.h"
#include "standin/foundation/Object.h"
#include "standin/metal/Shader.h"

#include <vector>

// Last: its qualifier macros (constant, device, vertex, fragment, ...) apply to the shader
// source and to nothing else.
#include "standin/metal/ShadingLanguage.h"

// The render back end's shader library for the CPU stand-in of Metal: MVGRshaders.metal,
// compiled as C++ through the stand-in's shading-language header, with the entry points that
// the stand-in's rasteriser calls. The vertex entry runs vertexShader once per vertex; the
// fragment entries run fragmentShader or fragmentShaderAA once per pixel of each span.
namespace plug::igraphics {

namespace {

#include "platform/mac/shaders/MVGRshaders.metal"

namespace msl = standin::msl;
using standin::mtl::FragmentOut;
using standin::mtl::FragmentSpan;
using standin::mtl::StageResources;
using standin::mtl::VertexIn;
using standin::mtl::VertexOut;

constexpr int kVaryings = msl::VaryingCount<MVGRrasterData>();

void VertexEntry(const VertexIn& in, const StageResources& resources, VertexOut& out)
{
  MVGRvertexIn stageIn;
  stageIn.position = float2(in.attributes[kMVGRpositionAttribute][0], in.attributes[kMVGRpositionAttribute][1]);
  stageIn.tcoord = float2(in.attributes[kMVGRtexcoordAttribute][0], in.attributes[kMVGRtexcoordAttribute][1]);
  msl::StoreVertexOutput(vertexShader(stageIn, msl::BufferArgument<float2>(resources, kMVGRviewSizeBufferIndex)),
                         out);
}

// The shader source's functions are inlined into the per-pixel loop (flatten), as the GPU's
// compiler inlines them into the function it runs.
template <float4 (*kShader)(MVGRrasterData, const MVGRfragUniforms&, texture2d<float>, sampler)>
__attribute__((flatten)) void FragmentEntry(const FragmentSpan& span, const StageResources& resources, const FragmentOut& out)
{
  // A copy: the compiler then knows that the pixels written do not change it.
  const MVGRfragUniforms uniforms = msl::BufferArgument<MVGRfragUniforms>(resources, kMVGRuniformBufferIndex);
  const texture2d<float> image = msl::TextureArgument(resources, kMVGRtextureIndex);
  const sampler imageSampler = msl::SamplerArgument(resources, kMVGRsamplerIndex);
  msl::ShadeSpan<MVGRrasterData>(
    span, out, [&](const MVGRrasterData& stageIn) { return kShader(stageIn, uniforms, image, imageSampler); });
}

const std::vector<standin::mtl::ShaderFunctionEntry>& Functions()
{
  using standin::mtl::FunctionType;
  // The arguments each function reads, as the source's signatures give them.
  const std::vector<standin::mtl::BufferArgumentDeclaration> viewSize = {{kMVGRviewSizeBufferIndex, sizeof(float2)}};
  const std::vector<standin::mtl::BufferArgumentDeclaration> uniforms = {
    {kMVGRuniformBufferIndex, sizeof(MVGRfragUniforms)}};
  const std::vector<int> image = {kMVGRtextureIndex}, imageSampler = {kMVGRsamplerIndex};
  static const std::vector<standin::mtl::ShaderFunctionEntry> functions = {
    {kMVGRvertexFunctionName, FunctionType::Vertex, VertexEntry, nullptr, kVaryings, viewSize, {}, {}},
    {kMVGRfragmentFunctionName, FunctionType::Fragment, nullptr, FragmentEntry<fragmentShader>, kVaryings, uniforms,
     image, imageSampler},
    {kMVGRfragmentFunctionAAName, FunctionType::Fragment, nullptr, FragmentEntry<fragmentShaderAA>, kVaryings,
     uniforms, image, imageSampler},
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
