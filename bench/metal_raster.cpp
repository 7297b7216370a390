// The Metal stand-in's rasteriser on a full editor-sized scene (1800 x 1000 pixels), drawn the
// way the render back end draws a frame: a background image, knobs as convex gradient fills
// with fringes and stroked arcs, concave stencil fills, rounded panels, text quads from an
// alpha atlas, all into an offscreen RGBA frame, then that frame copied onto a BGRA drawable.
// Target: near 30 ms a frame or better.
#include "tests/platform/MVGRdraw.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <functional>

namespace {

using namespace plug::igraphics;
using namespace testsupport;
using mvgr::Vertex;
namespace mtl = standin::mtl;

constexpr int kWidth = 1800, kHeight = 1000;
constexpr float kPi = 3.14159265f;

using Point = std::array<float, 2>;

// Extrusion at each point of a closed polygon given counter-clockwise on screen: the mitre
// vector that points inwards, one unit from each edge.
std::vector<Point> Extrusions(const std::vector<Point>& p)
{
  const size_t n = p.size();
  std::vector<Point> dm(n);
  for (size_t i = 0; i < n; i++)
  {
    const Point& a = p[(i + n - 1) % n];
    const Point& b = p[i];
    const Point& c = p[(i + 1) % n];
    auto normal = [](const Point& from, const Point& to) {
      const float dx = to[0] - from[0], dy = to[1] - from[1], len = std::hypot(dx, dy);
      return Point{dy / len, -dx / len};
    };
    const Point n0 = normal(a, b), n1 = normal(b, c);
    Point m{(n0[0] + n1[0]) * 0.5f, (n0[1] + n1[1]) * 0.5f};
    const float m2 = m[0] * m[0] + m[1] * m[1];
    const float k = std::min(600.0f, 1.0f / m2);
    dm[i] = Point{m[0] * k, m[1] * k};
  }
  return dm;
}

struct Shape
{
  std::vector<Vertex> fill, fringe;
};

// Fill fan and fringe strip as the renderer builds them (convex: half fringe, u 0.5 inside).
Shape FillGeometry(const std::vector<Point>& p, bool convex)
{
  const std::vector<Point> dm = Extrusions(p);
  Shape s;
  const float woff = 0.5f, lw = convex ? woff : 1.5f, rw = 0.5f, lu = convex ? 0.5f : 0.0f;
  for (size_t i = 0; i < p.size(); i++)
    s.fill.push_back({p[i][0] + dm[i][0] * woff, p[i][1] + dm[i][1] * woff, 0.5f, 1});
  for (size_t i = 0; i <= p.size(); i++)
  {
    const size_t k = i % p.size();
    s.fringe.push_back({p[k][0] + dm[k][0] * lw, p[k][1] + dm[k][1] * lw, lu, 1});
    s.fringe.push_back({p[k][0] - dm[k][0] * rw, p[k][1] - dm[k][1] * rw, 1, 1});
  }
  return s;
}

std::vector<Point> Circle(float cx, float cy, float r, int n)
{
  std::vector<Point> p;
  for (int i = 0; i < n; i++)
  {
    const float a = -2 * kPi * float(i) / float(n); // counter-clockwise on screen
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return p;
}

std::vector<Point> Star(float cx, float cy, float r)
{
  std::vector<Point> p;
  for (int i = 0; i < 10; i++)
  {
    const float a = -2 * kPi * float(i) / 10.0f;
    const float radius = i % 2 ? r * 0.4f : r;
    p.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
  }
  return p;
}

// An open polyline stroked with half width w plus half a fringe: u 0 on the left, 1 on the right.
std::vector<Vertex> StrokeStrip(const std::vector<Point>& p, float w)
{
  std::vector<Vertex> strip;
  const float hw = w * 0.5f + 0.5f;
  for (size_t i = 0; i < p.size(); i++)
  {
    const Point& a = p[i == 0 ? 0 : i - 1];
    const Point& b = p[i + 1 < p.size() ? i + 1 : i];
    const float dx = b[0] - a[0], dy = b[1] - a[1], len = std::hypot(dx, dy);
    const float nx = dy / len, ny = -dx / len;
    strip.push_back({p[i][0] + nx * hw, p[i][1] + ny * hw, 0, 1});
    strip.push_back({p[i][0] - nx * hw, p[i][1] - ny * hw, 1, 1});
  }
  return strip;
}

// One recorded draw and how to encode it.
struct Call
{
  enum Kind { kConvexFill, kStencilFill, kStroke, kTriangles } kind;
  int image; // 0 none, 1 background, 2 atlas, 3 offscreen frame
  uint64_t uniforms;
  int indexStart = 0, indexCount = 0, triangleStart = 0, triangleCount = 0, stripStart = 0, stripCount = 0;
};

struct Scene
{
  mvgr::Recorder recorder;
  std::vector<Call> calls;

  void Fill(const std::vector<Point>& points, bool convex, const MVGRfragUniforms& u, int image,
            const float bounds[4])
  {
    Shape s = FillGeometry(points, convex);
    Call c{convex ? Call::kConvexFill : Call::kStencilFill, image, recorder.AddUniforms(u)};
    const int first = recorder.AddVertices(s.fill);
    std::vector<uint32_t> indices;
    for (size_t j = 2; j < s.fill.size(); j++)
      indices.insert(indices.end(), {uint32_t(first), uint32_t(first + j - 1), uint32_t(first + j)});
    c.indexStart = recorder.AddIndices(indices);
    c.indexCount = int(indices.size());
    if (!convex)
    {
      c.triangleStart = recorder.AddVertices({{bounds[2], bounds[3], 0.5f, 1}, {bounds[2], bounds[1], 0.5f, 1},
                                              {bounds[0], bounds[3], 0.5f, 1}, {bounds[0], bounds[1], 0.5f, 1}});
      c.triangleCount = 4;
    }
    c.stripStart = recorder.AddVertices(s.fringe);
    c.stripCount = int(s.fringe.size());
    calls.push_back(c);
  }

  void Stroke(const std::vector<Point>& points, float width, const MVGRfragUniforms& u)
  {
    Call c{Call::kStroke, 0, recorder.AddUniforms(u)};
    const std::vector<Vertex> strip = StrokeStrip(points, width);
    c.stripStart = recorder.AddVertices(strip);
    c.stripCount = int(strip.size());
    calls.push_back(c);
  }

  void Triangles(const std::vector<Vertex>& vertices, const MVGRfragUniforms& u, int image)
  {
    Call c{Call::kTriangles, image, recorder.AddUniforms(u)};
    c.triangleStart = recorder.AddVertices(vertices);
    c.triangleCount = int(vertices.size());
    calls.push_back(c);
  }
};

const float kIdentity[6] = {1, 0, 0, 1, 0, 0};

MVGRfragUniforms Solid(float r, float g, float b, float a, float width = 1)
{
  const float c[4] = {r, g, b, a};
  return mvgr::Uniforms(kMVGRshaderFillGradient, c, c, kIdentity, 1, width);
}

MVGRfragUniforms Image(float x, float y, float w, float h, int32_t kind)
{
  const float white[4] = {1, 1, 1, 1};
  const float paint[6] = {1, 0, 0, 1, x, y};
  MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillImage, white, white, paint);
  u.extent[0] = w;
  u.extent[1] = h;
  u.texType = kind;
  return u;
}

std::vector<Point> Rect(float x, float y, float w, float h)
{
  return {{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}}; // counter-clockwise on screen
}

void BuildEditorScene(Scene& s)
{
  const float full[4] = {0, 0, float(kWidth), float(kHeight)};
  s.Fill(Rect(0, 0, kWidth, kHeight), true, Image(0, 0, kWidth, kHeight, kMVGRtextureStraight), 1, full);
  // Six panels: rounded-box gradients (a soft shadow look).
  for (int i = 0; i < 6; i++)
  {
    const float x = 40.0f + 290.0f * float(i), y = 60, w = 260, h = 420;
    const float inner[4] = {0.1f, 0.1f, 0.12f, 0.9f}, outer[4] = {0.1f, 0.1f, 0.12f, 0.0f};
    const float paint[6] = {1, 0, 0, 1, x + w * 0.5f, y + h * 0.5f};
    MVGRfragUniforms u = mvgr::Uniforms(kMVGRshaderFillGradient, inner, outer, paint);
    u.extent[0] = w * 0.5f;
    u.extent[1] = h * 0.5f;
    u.radius = 12;
    u.feather = 20;
    s.Fill(Rect(x - 10, y - 10, w + 20, h + 20), true, u, 0, full);
  }
  // Forty knobs: gradient body, value arc, pointer.
  for (int i = 0; i < 40; i++)
  {
    const float cx = 110.0f + 210.0f * float(i % 8), cy = 150.0f + 180.0f * float(i / 8) * 0.9f, r = 42;
    const float light[4] = {0.8f, 0.8f, 0.85f, 1}, dark[4] = {0.3f, 0.3f, 0.35f, 1};
    const float paint[6] = {1, 0, 0, 1, cx, cy};
    MVGRfragUniforms body = mvgr::Uniforms(kMVGRshaderFillGradient, light, dark, paint);
    body.extent[0] = body.extent[1] = body.radius = r * 0.5f;
    body.feather = r;
    s.Fill(Circle(cx, cy, r, 64), true, body, 0, full);
    std::vector<Point> arc;
    for (int k = 0; k <= 48; k++)
    {
      const float a = 0.75f * kPi + 1.5f * kPi * float(k) / 48.0f;
      arc.push_back({cx + (r + 8) * std::cos(a), cy + (r + 8) * std::sin(a)});
    }
    s.Stroke(arc, 4, Solid(0.2f, 0.7f, 1.0f, 1, 4));
    s.Stroke({{cx, cy}, {cx + r * 0.8f, cy - r * 0.5f}}, 3, Solid(1, 1, 1, 1, 3));
  }
  // Ten concave stars through the stencil.
  for (int i = 0; i < 10; i++)
  {
    const float cx = 120.0f + 170.0f * float(i), cy = 900, r = 40;
    const float bounds[4] = {cx - r, cy - r, cx + r, cy + r};
    s.Fill(Star(cx, cy, r), false, Solid(1, 0.8f, 0.2f, 0.9f), 0, bounds);
  }
  // A hundred and fifty labels of eight glyphs from the atlas.
  const float textColor[4] = {0.95f, 0.95f, 0.95f, 1};
  MVGRfragUniforms text = mvgr::Uniforms(kMVGRshaderTriangles, textColor, textColor, kIdentity);
  text.texType = kMVGRtextureAlpha;
  for (int label = 0; label < 150; label++)
  {
    std::vector<Vertex> glyphs;
    const float x0 = 20.0f + 120.0f * float(label % 15), y0 = 40.0f + 95.0f * float(label / 15);
    for (int g = 0; g < 8; g++)
    {
      const float x = x0 + 11.0f * float(g), y = y0;
      const float u0 = float((label * 8 + g) % 32) / 32.0f, v0 = float((label * 8 + g) / 32 % 32) / 32.0f;
      const float u1 = u0 + 10.0f / 512.0f, v1 = v0 + 14.0f / 512.0f;
      const Vertex a{x, y, u0, v0}, b{x, y + 14, u0, v1}, c{x + 10, y, u1, v0}, d{x + 10, y + 14, u1, v1};
      glyphs.insert(glyphs.end(), {a, b, c, c, b, d});
    }
    s.Triangles(glyphs, text, 2);
  }
}

class SceneRenderer
{
public:
  SceneRenderer()
  {
    mDevice = mtl::CreateSystemDefaultDevice();
    mDevice->SetSynchronous(true);
    mQueue = mDevice->NewCommandQueue();
    auto texture = [&](mtl::PixelFormat format, int w, int h, uint64_t usage) {
      mtl::TextureDescriptor d = mtl::TextureDescriptor::Texture2D(format, uint64_t(w), uint64_t(h), false);
      d.usage = usage;
      return mDevice->NewTexture(d);
    };
    const uint64_t all = mtl::TextureUsageShaderRead | mtl::TextureUsageRenderTarget;
    mFrame = texture(mtl::PixelFormat::RGBA8Unorm, kWidth, kHeight, all);
    mDrawable = texture(mtl::PixelFormat::BGRA8Unorm, kWidth, kHeight, mtl::TextureUsageRenderTarget);
    mStencil = texture(mtl::PixelFormat::Stencil8, kWidth, kHeight, mtl::TextureUsageRenderTarget);
    mBackground = texture(mtl::PixelFormat::RGBA8Unorm, kWidth, kHeight, mtl::TextureUsageShaderRead);
    mAtlas = texture(mtl::PixelFormat::R8Unorm, 512, 512, mtl::TextureUsageShaderRead);
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    for (size_t i = 0; i < pixels.size(); i++)
      pixels[i] = uint8_t((i * 7) ^ (i >> 9));
    mBackground->ReplaceRegion(mtl::Region::Make2D(0, 0, kWidth, kHeight), 0, pixels.data(), kWidth * 4);
    std::vector<uint8_t> glyphs(512 * 512);
    for (size_t i = 0; i < glyphs.size(); i++)
      glyphs[i] = (i % 3) ? uint8_t(i * 13) : 0;
    mAtlas->ReplaceRegion(mtl::Region::Make2D(0, 0, 512, 512), 0, glyphs.data(), 512);
    mtl::SamplerDescriptor linear;
    linear.minFilter = linear.magFilter = mtl::SamplerMinMagFilter::Linear;
    mSampler = mDevice->NewSamplerState(linear);
    mFramePipelines = mvgr::MakePipelines(*mDevice, mtl::PixelFormat::RGBA8Unorm, true);
    mDrawablePipelines = mvgr::MakePipelines(*mDevice, mtl::PixelFormat::BGRA8Unorm, true);
    MakeStencilStates();
    BuildEditorScene(mScene);
    mCopy.Fill(Rect(0, 0, kWidth, kHeight), true, Image(0, 0, kWidth, kHeight, kMVGRtexturePremultiplied), 3,
               nullptr);
  }

  void RenderFrame()
  {
    Pass(mScene, mFrame, mFramePipelines, mtl::LoadAction::Clear);
    Pass(mCopy, mDrawable, mDrawablePipelines, mtl::LoadAction::Load);
  }

  int ValidationErrors() const { return mDevice->ValidationErrorCount(); }

private:
  void MakeStencilStates()
  {
    using Op = mtl::StencilOperation;
    auto state = [&](mtl::CompareFunction f, Op fail, Op pass, bool withBack, Op backPass) {
      mtl::DepthStencilDescriptor d;
      mtl::StencilDescriptor s;
      s.stencilCompareFunction = f;
      s.stencilFailureOperation = s.depthFailureOperation = fail;
      s.depthStencilPassOperation = pass;
      d.SetFrontFaceStencil(s);
      if (withBack)
      {
        s.depthStencilPassOperation = backPass;
        d.SetBackFaceStencil(s);
      }
      return mDevice->NewDepthStencilState(d);
    };
    mDefault = mDevice->NewDepthStencilState(mtl::DepthStencilDescriptor());
    mFillShape = state(mtl::CompareFunction::Always, Op::Keep, Op::IncrementWrap, true, Op::DecrementWrap);
    mFillAntiAlias = state(mtl::CompareFunction::Equal, Op::Keep, Op::Zero, false, Op::Keep);
    mFill = state(mtl::CompareFunction::NotEqual, Op::Zero, Op::Zero, false, Op::Keep);
  }

  void SetUniforms(mtl::RenderCommandEncoder& e, const Call& c)
  {
    e.SetFragmentBufferOffset(c.uniforms, kMVGRuniformBufferIndex);
    const mtl::Ref<mtl::Texture> images[4] = {nullptr, mBackground, mAtlas, mFrame};
    e.SetFragmentTexture(images[c.image], kMVGRtextureIndex);
    e.SetFragmentSamplerState(mSampler, kMVGRsamplerIndex);
  }

  void Pass(Scene& scene, const mtl::Ref<mtl::Texture>& target, const mvgr::Pipelines& pipelines, mtl::LoadAction load)
  {
    mtl::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = target;
    pass.colorAttachments[0].loadAction = load;
    pass.stencilAttachment.texture = mStencil;
    pass.stencilAttachment.loadAction = mtl::LoadAction::Clear;
    auto commands = mQueue->NewCommandBuffer();
    auto e = commands->NewRenderCommandEncoder(pass);
    e->SetCullMode(mtl::CullMode::Back);
    e->SetFrontFacingWinding(mtl::Winding::CounterClockwise);
    e->SetStencilReferenceValue(0);
    e->SetViewport(mtl::Viewport{0, 0, double(kWidth), double(kHeight), 0, 1});
    scene.recorder.Bind(*mDevice, *e, float(kWidth), float(kHeight));
    const auto& indices = scene.recorder.IndexBuffer();
    auto strip = [&](int start, int count) {
      if (count > 0)
        e->DrawPrimitives(mtl::PrimitiveType::TriangleStrip, uint64_t(start), uint64_t(count));
    };
    auto fan = [&](const Call& c) {
      e->DrawIndexedPrimitives(mtl::PrimitiveType::Triangle, uint64_t(c.indexCount), mtl::IndexType::UInt32, indices,
                               uint64_t(c.indexStart) * 4);
    };
    for (const Call& c : scene.calls)
    {
      switch (c.kind)
      {
        case Call::kConvexFill:
          SetUniforms(*e, c);
          e->SetRenderPipelineState(pipelines.color);
          fan(c);
          strip(c.stripStart, c.stripCount);
          break;
        case Call::kStencilFill:
          e->SetCullMode(mtl::CullMode::None);
          e->SetDepthStencilState(mFillShape);
          e->SetRenderPipelineState(pipelines.stencilOnly);
          fan(c);
          e->SetCullMode(mtl::CullMode::Back);
          e->SetRenderPipelineState(pipelines.color);
          SetUniforms(*e, c);
          e->SetDepthStencilState(mFillAntiAlias);
          strip(c.stripStart, c.stripCount);
          e->SetDepthStencilState(mFill);
          strip(c.triangleStart, c.triangleCount);
          e->SetDepthStencilState(mDefault);
          break;
        case Call::kStroke:
          SetUniforms(*e, c);
          e->SetRenderPipelineState(pipelines.color);
          strip(c.stripStart, c.stripCount);
          break;
        case Call::kTriangles:
          SetUniforms(*e, c);
          e->SetRenderPipelineState(pipelines.color);
          e->DrawPrimitives(mtl::PrimitiveType::Triangle, uint64_t(c.triangleStart), uint64_t(c.triangleCount));
          break;
      }
    }
    e->EndEncoding();
    commands->Commit();
    commands->WaitUntilCompleted();
  }

  mtl::Ref<mtl::Device> mDevice;
  mtl::Ref<mtl::CommandQueue> mQueue;
  mtl::Ref<mtl::Texture> mFrame, mDrawable, mStencil, mBackground, mAtlas;
  mtl::Ref<mtl::SamplerState> mSampler;
  mtl::Ref<mtl::DepthStencilState> mDefault, mFillShape, mFillAntiAlias, mFill;
  mvgr::Pipelines mFramePipelines, mDrawablePipelines;
  Scene mScene, mCopy;
};

void BM_MetalStandinEditorFrame(benchmark::State& state)
{
  SceneRenderer renderer;
  for (auto _ : state)
    renderer.RenderFrame();
  if (renderer.ValidationErrors() != 0)
    state.SkipWithError("the scene made validation errors");
}
BENCHMARK(BM_MetalStandinEditorFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
