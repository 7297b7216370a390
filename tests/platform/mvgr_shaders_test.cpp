// The render back end's shaders, drawn through the Metal stand-in as the back end binds them:
// each part of the uniform block against pixels computed here.
#include "tests/platform/MVGRdraw.h"
#include "standin/metal/Shader.h"
#include "tests/standin/MetalRig.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

namespace {

using namespace plug::igraphics;
using namespace testsupport;
using testsupport::mvgr::Vertex;

const float kIdentity[6] = {1, 0, 0, 1, 0, 0};

// Draws one quad (x0, y0)-(x1, y1) as a strip with per-corner texture coordinates on a cleared
// rig, with the given block, image and stencil state.
struct QuadDraw
{
  float x0 = 0, y0 = 0, x1 = 16, y1 = 16;
  float u0 = 0.5f, u1 = 0.5f, v0 = 1, v1 = 1; // u runs along x, v along y
  bool antiAlias = true;
  mtl::Ref<mtl::Texture> image;
  mtl::Ref<mtl::SamplerState> sampler;
  mtl::Ref<mtl::DepthStencilState> stencil;
  mtl::Ref<mtl::Library> library; // null: the shader library
  // Called just before the draw, with the uniforms' offset: a test's change to the bindings.
  std::function<void(MetalRig&, mtl::RenderCommandEncoder&, uint64_t offset)> beforeDraw;
};

void Draw(MetalRig& rig, const MVGRfragUniforms& uniforms, const QuadDraw& q)
{
  const mvgr::Pipelines pipelines = mvgr::MakePipelines(*rig.device, rig.color->GetPixelFormat(), q.antiAlias,
                                                        mtl::BlendFactor::One, mtl::BlendFactor::OneMinusSourceAlpha,
                                                        q.library);
  ASSERT_TRUE(pipelines.color);
  mvgr::Recorder recorder;
  const int first = recorder.AddVertices(
    {{q.x0, q.y0, q.u0, q.v0}, {q.x0, q.y1, q.u0, q.v1}, {q.x1, q.y0, q.u1, q.v0}, {q.x1, q.y1, q.u1, q.v1}});
  const uint64_t offset = recorder.AddUniforms(uniforms);
  const mtl::ClearColor transparent{0, 0, 0, 0};
  rig.Pass(
    [&](mtl::RenderCommandEncoder& e) {
      recorder.Bind(*rig.device, e, float(rig.width), float(rig.height));
      e.SetRenderPipelineState(pipelines.color);
      if (q.stencil)
        e.SetDepthStencilState(q.stencil);
      e.SetFragmentBufferOffset(offset, kMVGRuniformBufferIndex);
      // Draws without an image bind a texel and sampler, as the back end does: Metal requires
      // every texture and sampler a function reads to be bound.
      e.SetFragmentTexture(q.image ? q.image : rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 1, 1,
                                                              mtl::TextureUsageShaderRead),
                           kMVGRtextureIndex);
      e.SetFragmentSamplerState(q.sampler ? q.sampler : rig.device->NewSamplerState(mtl::SamplerDescriptor()),
                                kMVGRsamplerIndex);
      if (q.beforeDraw)
        q.beforeDraw(rig, e, offset);
      e.DrawPrimitives(mtl::PrimitiveType::TriangleStrip, uint64_t(first), 4);
    },
    &transparent);
}

void ExpectPixel(const MetalRig& rig, int x, int y, float r, float g, float b, float a, float tolerance = 1.0f)
{
  const auto p = rig.Pixel(x, y);
  const float expected[4] = {r, g, b, a};
  for (int c = 0; c < 4; c++)
    EXPECT_NEAR(p[c], expected[c] * 255.0f, tolerance) << "pixel " << x << ", " << y << " channel " << c;
}

TEST(MVGRshaders, LibraryNamesTheThreeFunctions)
{
  auto device = mtl::CreateSystemDefaultDevice();
  const MVGRshaderLibraryData blob = MVGRshaderLibrary();
  ASSERT_GT(blob.length, 4u);
  EXPECT_EQ(std::string(static_cast<const char*>(blob.data), 4), "MTLB");
  auto library = device->NewLibrary(blob.data, blob.length, nullptr);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->FunctionNames(), (std::vector<std::string>{"vertexShader", "fragmentShader", "fragmentShaderAA"}));
  const mvgr::Pipelines p = mvgr::MakePipelines(*device, mtl::PixelFormat::BGRA8Unorm, true);
  EXPECT_TRUE(p.color && p.stencilOnly);
}

// Nothing here compiles the Metal shading language: what the source may use beyond what the C++
// build checks is kept to the subset both languages share.
TEST(MVGRshaders, SourceKeepsToTheSubsetBothLanguagesShare)
{
  std::string source = ReadFileText(SourcePath("platform/mac/shaders/MVGRshaders.metal"));
  ASSERT_NE(source.find("fragmentShaderAA"), std::string::npos);
  source = std::regex_replace(source, std::regex(R"(/\*[\s\S]*?\*/|//[^\n]*)"), " ");
  const struct
  {
    const char* pattern;
    const char* what;
  } refused[] = {
    {R"(\bdouble\b)", "double"},
    {R"(\bstd\s*::)", "the C++ standard library"},
    {R"(\b(throw|try|catch|noexcept)\b)", "exceptions"},
    {R"(\(\s*\*\s*\w*\s*\)\s*\()", "function pointers"},
    {R"(\b(new|delete|virtual|goto|thread_local)\b)", "dynamic memory, virtual calls, goto or thread storage"},
    {R"(\[[&=]?\]\s*\()", "lambdas"},
    {R"(#\s*include\s*<(?!metal_stdlib>))", "headers other than metal_stdlib"},
  };
  for (const auto& r : refused)
  {
    std::smatch match;
    EXPECT_FALSE(std::regex_search(source, match, std::regex(r.pattern))) << r.what << ": \"" << match.str() << "\"";
  }
}

TEST(MVGRshaders, SolidColourIsPremultipliedAndScissorRampsOverOnePixel)
{
  MetalRig rig(16, 16);
  const float color[4] = {1.0f, 0.5f, 0.0f, 0.5f};
  MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillGradient, color, color, kIdentity);
  // Scissor x 4.25 .. 12.25, y 2 .. 14: its transform is a translation to the centre.
  const float scissor[6] = {1, 0, 0, 1, 8.25f, 8};
  float inverse[6];
  mvgr::Invert(inverse, scissor);
  mvgr::StoreMatrix(u.scissorMat, inverse);
  u.scissorExt[0] = 4;
  u.scissorExt[1] = 6;
  Draw(rig, u, QuadDraw());
  ExpectPixel(rig, 8, 8, 0.5f, 0.25f, 0, 0.5f);
  ExpectPixel(rig, 3, 8, 0, 0, 0, 0);                      // outside
  ExpectPixel(rig, 4, 8, 0.375f, 0.1875f, 0, 0.375f);      // a quarter pixel inside: 0.75
  ExpectPixel(rig, 12, 8, 0.125f, 0.0625f, 0, 0.125f);     // the right edge crosses at 0.25
  ExpectPixel(rig, 8, 1, 0, 0, 0, 0);
  // A scissor scale of 2 (the fringe is half a unit) makes the same edge pixel whole.
  u.scissorScale[0] = 2;
  Draw(rig, u, QuadDraw());
  ExpectPixel(rig, 4, 8, 0.5f, 0.25f, 0, 0.5f);
}

TEST(MVGRshaders, EdgeCoverageFollowsUAndVAndTheStrokeThreshold)
{
  MetalRig rig(16, 16);
  const float white[4] = {1, 1, 1, 1};
  // A fill fringe: u from 0.5 at x = 9.75 (inside) to 1 at x = 10.75 (outside), so the edge
  // lies at 10.25 and pixel 10 is a quarter covered.
  MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillGradient, white, white, kIdentity);
  QuadDraw fringe;
  fringe.x0 = 9.75f;
  fringe.x1 = 10.75f;
  fringe.u0 = 0.5f;
  fringe.u1 = 1.0f;
  Draw(rig, u, fringe);
  ExpectPixel(rig, 10, 4, 0.25f, 0.25f, 0.25f, 0.25f, 1.5f);
  // Without anti-aliasing the same geometry covers whole pixels.
  fringe.antiAlias = false;
  Draw(rig, u, fringe);
  ExpectPixel(rig, 10, 4, 1, 1, 1, 1);

  // A stroke 2 wide with a fringe of 1 spans 3 units: u 0 .. 1 over x 2 .. 5; v ramps a cap
  // fringe from 0 at y = 0 to 1 at y = 1.
  u = mvgr::Uniforms(kMVGRshaderFillGradient, white, white, kIdentity, 1.0f, 2.0f);
  QuadDraw stroke;
  stroke.x0 = 2;
  stroke.x1 = 5;
  stroke.u0 = 0;
  stroke.u1 = 1;
  stroke.y0 = 0;
  stroke.y1 = 16;
  stroke.v0 = 0;
  stroke.v1 = 16;
  Draw(rig, u, stroke);
  ExpectPixel(rig, 2, 8, 0.5f, 0.5f, 0.5f, 0.5f, 1.5f); // half a unit from the border
  ExpectPixel(rig, 3, 8, 1, 1, 1, 1);
  ExpectPixel(rig, 3, 0, 0.5f, 0.5f, 0.5f, 0.5f, 1.5f); // v = 0.5 on the cap fringe

  // With a threshold just below 1, partly covered fragments are discarded: they neither draw
  // nor touch the stencil.
  u.strokeThr = 1.0f - 0.5f / 255.0f;
  mtl::DepthStencilDescriptor d;
  mtl::StencilDescriptor s;
  s.depthStencilPassOperation = mtl::StencilOperation::IncrementClamp;
  d.SetFrontFaceStencil(s);
  d.SetBackFaceStencil(s);
  stroke.stencil = rig.device->NewDepthStencilState(d);
  Draw(rig, u, stroke);
  ExpectPixel(rig, 2, 8, 0, 0, 0, 0);
  EXPECT_EQ(rig.StencilAt(2, 8), 0);
  ExpectPixel(rig, 3, 8, 1, 1, 1, 1);
  EXPECT_EQ(rig.StencilAt(3, 8), 1);
}

TEST(MVGRshaders, LinearGradientMixesOverTheDistanceBetweenItsPoints)
{
  MetalRig rig(16, 4);
  const float red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
  // The renderer's linear gradient from (4, 0) to (12, 0): a box of huge width whose edge lies
  // half-way, feathered over the distance.
  const float large = 1e5f, distance = 8;
  const float paint[6] = {0, -1, 1, 0, 4 - large, 0};
  MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillGradient, red, blue, paint);
  u.extent[0] = large;
  u.extent[1] = large + distance * 0.5f;
  u.feather = distance;
  Draw(rig, u, QuadDraw());
  for (int x = 0; x < 16; x++)
  {
    const float t = std::min(1.0f, std::max(0.0f, (x + 0.5f - 4) / distance));
    ExpectPixel(rig, x, 2, 1 - t, 0, t, 1, 2.0f);
  }
}

TEST(MVGRshaders, ImagePaintsReproduceTexelsByKindAndFlipThroughTheMatrix)
{
  MetalRig rig(16, 16);
  auto rgba = rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 4, 4, mtl::TextureUsageShaderRead);
  auto alpha = rig.NewTexture(mtl::PixelFormat::R8Unorm, 4, 4, mtl::TextureUsageShaderRead);
  uint8_t texels[64], coverage[16];
  for (int i = 0; i < 16; i++)
  {
    texels[i * 4 + 0] = uint8_t(16 * i);
    texels[i * 4 + 1] = uint8_t(255 - 16 * i);
    texels[i * 4 + 2] = 40;
    texels[i * 4 + 3] = uint8_t(i % 2 ? 255 : 128);
    coverage[i] = uint8_t(17 * i);
  }
  rgba->ReplaceRegion(mtl::Region::Make2D(0, 0, 4, 4), 0, texels, 16);
  alpha->ReplaceRegion(mtl::Region::Make2D(0, 0, 4, 4), 0, coverage, 4);
  mtl::SamplerDescriptor sd;
  sd.minFilter = sd.magFilter = mtl::SamplerMinMagFilter::Linear;
  auto sampler = rig.device->NewSamplerState(sd);

  // The image drawn 1:1 with its top-left corner at (4, 4).
  const float paint[6] = {1, 0, 0, 1, 4, 4};
  const float flipped[6] = {1, 0, 0, -1, 4, 4 + 4}; // the same, flipped within its height
  const float opaque[4] = {1, 1, 1, 1}, half[4] = {1, 1, 1, 0.5f};
  QuadDraw q;
  q.sampler = sampler;
  struct Case
  {
    int32_t kind;
    const float* transform;
    const float* tint;
  } cases[] = {{kMVGRtexturePremultiplied, paint, opaque}, {kMVGRtextureStraight, paint, opaque},
               {kMVGRtextureStraight, paint, half}, {kMVGRtexturePremultiplied, flipped, opaque},
               {kMVGRtextureAlpha, paint, half}};
  for (const Case& c : cases)
  {
    MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillImage, c.tint, c.tint, c.transform);
    u.extent[0] = u.extent[1] = 4;
    u.texType = c.kind;
    q.image = c.kind == kMVGRtextureAlpha ? alpha : rgba;
    Draw(rig, u, q);
    for (int y = 0; y < 4; y++)
      for (int x = 0; x < 4; x++)
      {
        const int row = c.transform == flipped ? 3 - y : y;
        const uint8_t* t = &texels[(row * 4 + x) * 4];
        const float a = c.tint[3];
        if (c.kind == kMVGRtextureAlpha)
        {
          const float k = coverage[row * 4 + x] / 255.0f * a;
          ExpectPixel(rig, 4 + x, 4 + y, k, k, k, k);
        }
        else
        {
          const float premultiply = c.kind == kMVGRtextureStraight ? t[3] / 255.0f : 1.0f;
          ExpectPixel(rig, 4 + x, 4 + y, t[0] / 255.0f * premultiply * a, t[1] / 255.0f * premultiply * a,
                      t[2] / 255.0f * premultiply * a, t[3] / 255.0f * a);
        }
      }
  }

  // Text triangles sample their own texture coordinates: the alpha image is coverage of the
  // inner colour.
  const float green[4] = {0, 1, 0, 1};
  MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderTriangles, green, green, kIdentity);
  u.texType = kMVGRtextureAlpha;
  q.image = alpha;
  q.x0 = 4;
  q.y0 = 4;
  q.x1 = q.y1 = 8;
  q.u0 = q.v0 = 0;
  q.u1 = q.v1 = 1;
  Draw(rig, u, q);
  ExpectPixel(rig, 6, 5, 0, coverage[6] / 255.0f, 0, coverage[6] / 255.0f);
  EXPECT_EQ(rig.device->ValidationErrorCount(), 0);
}

// Each argument the shaders declare, left out or made wrong on purpose: the stand-in refuses the
// draw with a message that names it, as Metal's validation stops it. A function whose entry
// leaves out an argument its code reads is reported by the read itself.
TEST(MVGRshaders, EveryDeclaredArgumentMustBeBoundAndFitAndUndeclaredReadsAreReported)
{
  const float red[4] = {1, 0, 0, 1};
  const MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillGradient, red, red, kIdentity);
  using Mistake = std::function<void(MetalRig&, mtl::RenderCommandEncoder&, uint64_t offset)>;
  const struct
  {
    const char* what;
    Mistake mistake;
  } cases[] = {
    {"texture 0 is not bound", [](MetalRig&, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentTexture(nullptr, kMVGRtextureIndex);
     }},
    {"texture 0 is not a colour texture",
     [](MetalRig& rig, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentTexture(rig.NewTexture(mtl::PixelFormat::Stencil8, 1, 1, mtl::TextureUsageShaderRead),
                            kMVGRtextureIndex);
     }},
    {"texture 0 lacks shader-read usage",
     [](MetalRig& rig, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentTexture(rig.NewTexture(mtl::PixelFormat::RGBA8Unorm, 1, 1, mtl::TextureUsageRenderTarget),
                            kMVGRtextureIndex);
     }},
    {"sampler 0 is not bound", [](MetalRig&, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentSamplerState(nullptr, kMVGRsamplerIndex);
     }},
    {"fragment function fragmentShaderAA: buffer 0 is not bound",
     [](MetalRig&, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentBuffer(nullptr, 0, kMVGRuniformBufferIndex);
     }},
    {"buffer 0 is shorter from its offset than the 176 bytes read",
     [](MetalRig& rig, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetFragmentBuffer(rig.device->NewBuffer(256 + 175, 0), 256, kMVGRuniformBufferIndex);
     }},
    {"vertex function vertexShader: buffer 1 is not bound",
     [](MetalRig&, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetVertexBuffer(nullptr, 0, kMVGRviewSizeBufferIndex);
     }},
    {"buffer 1 is shorter from its offset than the 8 bytes read",
     [](MetalRig& rig, mtl::RenderCommandEncoder& e, uint64_t) {
       e.SetVertexBuffer(rig.device->NewBuffer(4, 0), 0, kMVGRviewSizeBufferIndex);
     }},
  };
  auto draw = [&](MetalRig& rig, const Mistake& mistake, const mtl::Ref<mtl::Library>& library) {
    QuadDraw q;
    q.library = library;
    q.beforeDraw = mistake;
    Draw(rig, u, q);
  };
  {
    MetalRig rig(16, 16);
    draw(rig, nullptr, nullptr);
    ExpectPixel(rig, 8, 8, 1, 0, 0, 1);
    EXPECT_EQ(rig.device->ValidationErrorCount(), 0);
  }
  for (const auto& c : cases)
  {
    MetalRig rig(16, 16);
    draw(rig, c.mistake, nullptr);
    ExpectPixel(rig, 8, 8, 0, 0, 0, 0);
    const std::vector<std::string> messages = rig.device->ValidationMessages();
    EXPECT_EQ(messages.size(), 1u) << c.what;
    EXPECT_TRUE(messages.size() == 1 && messages[0].find(c.what) != std::string::npos)
      << c.what << ": " << (messages.empty() ? "" : messages[0]);
  }

  // The same functions registered with their texture left out of the entry: the code's read of
  // it is reported (the draw itself then has nothing to check).
  MetalRig rig(16, 16);
  const MVGRshaderLibraryData blob = MVGRshaderLibrary();
  const mtl::Ref<mtl::Library> library = rig.device->NewLibrary(blob.data, blob.length, nullptr);
  mtl::ShaderFunctionEntry vertexEntry = library->NewFunction(kMVGRvertexFunctionName)->Entry();
  mtl::ShaderFunctionEntry fragmentEntry = library->NewFunction(kMVGRfragmentFunctionAAName)->Entry();
  fragmentEntry.textures.clear();
  mtl::RegisterShaderLibrary("mvgrUndeclaredTexture", {vertexEntry, fragmentEntry});
  const std::vector<uint8_t> undeclared = mtl::EncodeLibraryBlob("mvgrUndeclaredTexture", {vertexEntry, fragmentEntry});
  draw(rig, nullptr, rig.device->NewLibrary(undeclared.data(), undeclared.size(), nullptr));
  ASSERT_GT(rig.device->ValidationErrorCount(), 0);
  EXPECT_EQ(rig.device->ValidationMessages()[0], "fragmentShaderAA reads texture 0, which it does not declare");
}

} // namespace
