// The stand-in rasteriser against Metal's conventions: coverage and the top-left rule, facing,
// stencil operations, blending, vertex fetch and clipping.
#include "tests/standin/MetalTestShaders.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace testsupport;
using mtl::BlendFactor;
using mtl::PrimitiveType;

// Additive blending of a quarter red: a pixel covered n times reads 64 n in red.
PipelineOptions Additive()
{
  PipelineOptions o;
  o.blending = true;
  o.destinationRGB = BlendFactor::One;
  o.destinationAlpha = BlendFactor::One;
  return o;
}

PixelVertex V(float x, float y, float r = 0.25f, float g = 0, float b = 0, float a = 0.25f)
{
  return PixelVertex{x, y, r, g, b, a};
}

void DrawTriangles(MetalRig& rig, const mtl::Ref<mtl::RenderPipelineState>& pipeline,
                   const std::vector<PixelVertex>& vertices, PrimitiveType type = PrimitiveType::Triangle)
{
  rig.Pass([&](mtl::RenderCommandEncoder& e) {
    e.SetRenderPipelineState(pipeline);
    BindPixelVertices(rig, e, vertices);
    e.DrawPrimitives(type, 0, vertices.size());
  });
}

TEST(MetalRaster, TopLeftRuleCoversPixelCentresOnSharedEdgesOnce)
{
  MetalRig rig(32, 32);
  auto pipeline = TestPipeline(rig, Additive());
  // A square with its corners on pixel centres: all four edges and the diagonal run through
  // pixel centres. Top and left edges belong to it, bottom and right ones do not.
  DrawTriangles(rig, pipeline, {V(0.5f, 0.5f), V(0.5f, 4.5f), V(4.5f, 4.5f), V(0.5f, 0.5f), V(4.5f, 4.5f), V(4.5f, 0.5f)});
  // The same with the other diagonal, clockwise on screen this time.
  DrawTriangles(rig, pipeline,
                {V(10.5f, 0.5f), V(14.5f, 0.5f), V(10.5f, 4.5f), V(14.5f, 0.5f), V(14.5f, 4.5f), V(10.5f, 4.5f)});
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 16; x++)
    {
      const bool inside = y < 4 && ((x < 4) || (x >= 10 && x < 14));
      EXPECT_EQ(rig.Pixel(x, y)[0], inside ? 64 : 0) << x << ", " << y;
    }
}

TEST(MetalRaster, FanAroundAPixelCentreIsWatertight)
{
  MetalRig rig(32, 32);
  auto pipeline = TestPipeline(rig, Additive());
  // Twelve triangles share the centre (a pixel centre) and their spokes, at angles that put
  // the spokes through pixel centres now and then. Every pixel inside is drawn exactly once.
  const float cx = 16.5f, cy = 16.5f, radius = 12.0f;
  std::vector<PixelVertex> vertices;
  auto rim = [&](int k) {
    const float angle = float(k) * 3.14159265f / 6.0f + (k % 3 == 0 ? 0.0f : 0.3f);
    return V(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
  };
  for (int k = 0; k < 12; k++)
  {
    vertices.push_back(V(cx, cy));
    vertices.push_back(rim(k));
    vertices.push_back(rim(k + 1));
  }
  DrawTriangles(rig, pipeline, vertices);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++)
    {
      const uint8_t red = rig.Pixel(x, y)[0];
      EXPECT_TRUE(red == 0 || red == 64) << x << ", " << y << ": " << int(red);
      if (std::hypot(x + 0.5f - cx, y + 0.5f - cy) < radius * 0.85f)
      {
        EXPECT_EQ(red, 64) << x << ", " << y;
      }
    }
}

TEST(MetalRaster, ZeroAreaAndHugeTriangles)
{
  MetalRig rig(16, 16);
  auto pipeline = TestPipeline(rig, Additive());
  // Degenerate: a line and a point through pixel centres draw nothing.
  DrawTriangles(rig, pipeline, {V(0.5f, 0.5f), V(8.5f, 8.5f), V(4.5f, 4.5f), V(3.5f, 3.5f), V(3.5f, 3.5f), V(3.5f, 3.5f)});
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++)
      ASSERT_EQ(rig.Pixel(x, y)[0], 0);
  // Far beyond the guard band: clipped, and still covers the whole target once.
  DrawTriangles(rig, pipeline, {V(-1e7f, -1e7f), V(-1e7f, 3e7f), V(3e7f, -1e7f)});
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++)
      ASSERT_EQ(rig.Pixel(x, y)[0], 64) << x << ", " << y;
  EXPECT_EQ(rig.device->ValidationErrorCount(), 0);
}

TEST(MetalRaster, StripsKeepTheirWindingAndFacingFollowsTheVertexFunction)
{
  // A zigzag strip whose first triangle is counter-clockwise on screen.
  const std::vector<PixelVertex> strip = {V(2, 2), V(2, 10), V(10, 2), V(10, 10), V(18, 2), V(18, 10)};
  struct Case
  {
    const char* vertex;
    mtl::Winding winding;
    mtl::CullMode cull;
    int red, blue; // expected at a pixel of the first and of the second triangle
  } cases[] = {
    {"pixelVertex", mtl::Winding::CounterClockwise, mtl::CullMode::None, 255, 0},
    {"pixelVertex", mtl::Winding::Clockwise, mtl::CullMode::None, 0, 255},
    {"pixelVertex", mtl::Winding::CounterClockwise, mtl::CullMode::Back, 255, 0},
    {"pixelVertex", mtl::Winding::CounterClockwise, mtl::CullMode::Front, 0, 0},
    {"mirrorVertex", mtl::Winding::CounterClockwise, mtl::CullMode::None, 0, 255},
  };
  for (const Case& c : cases)
  {
    MetalRig rig(32, 16);
    PipelineOptions o;
    o.vertex = c.vertex;
    o.fragment = "facingFragment";
    auto pipeline = TestPipeline(rig, o);
    rig.Pass([&](mtl::RenderCommandEncoder& e) {
      e.SetRenderPipelineState(pipeline);
      e.SetFrontFacingWinding(c.winding);
      e.SetCullMode(c.cull);
      BindPixelVertices(rig, e, strip);
      e.DrawPrimitives(PrimitiveType::TriangleStrip, 0, strip.size());
    });
    const bool mirrored = std::string(c.vertex) == "mirrorVertex";
    // Pixels inside triangle 0, 1, 2 and 3 of the strip (mirrored left to right if need be).
    for (int x : {4, 8, 12, 16})
    {
      const auto p = rig.Pixel(mirrored ? 31 - x : x, x % 8 == 4 ? 4 : 8);
      EXPECT_EQ(p[0], c.red) << c.vertex << " winding " << int(c.winding) << " cull " << int(c.cull) << " at " << x;
      EXPECT_EQ(p[2], c.blue) << c.vertex << " winding " << int(c.winding) << " cull " << int(c.cull) << " at " << x;
    }
  }
}

TEST(MetalRaster, IndexedDrawsReadUInt32IndicesAtTheirOffset)
{
  MetalRig rig(16, 16);
  PipelineOptions o;
  auto pipeline = TestPipeline(rig, o);
  const std::vector<PixelVertex> vertices = {V(0, 0, 1, 1, 1, 1), V(0, 8, 1, 1, 1, 1),  V(8, 8, 1, 1, 1, 1),
                                             V(8, 8, 0, 1, 0, 1), V(16, 16, 0, 1, 0, 1), V(16, 8, 0, 1, 0, 1)};
  const std::vector<uint32_t> indices = {7, 7, 3, 4, 5, 0, 1, 2};
  rig.Pass([&](mtl::RenderCommandEncoder& e) {
    e.SetRenderPipelineState(pipeline);
    BindPixelVertices(rig, e, vertices);
    // Triangles (3, 4, 5) then (0, 1, 2): from byte 8 on.
    e.DrawIndexedPrimitives(PrimitiveType::Triangle, 6, mtl::IndexType::UInt32, rig.Buffer(indices), 8);
    // Misaligned and overlong index ranges are refused.
    e.DrawIndexedPrimitives(PrimitiveType::Triangle, 3, mtl::IndexType::UInt32, rig.Buffer(indices), 6);
    e.DrawIndexedPrimitives(PrimitiveType::Triangle, 9, mtl::IndexType::UInt32, rig.Buffer(indices), 0);
  });
  EXPECT_EQ(rig.Pixel(1, 6)[0], 255);  // first triangle: white
  EXPECT_EQ(rig.Pixel(14, 12)[0], 0);  // second: green
  EXPECT_EQ(rig.Pixel(14, 12)[1], 255);
  EXPECT_EQ(rig.Pixel(10, 2)[1], 0);   // outside both
  EXPECT_EQ(rig.device->ValidationErrorCount(), 2);
}

TEST(MetalRaster, ViewportPlacesClipSpaceAndLimitsDrawing)
{
  MetalRig rig(32, 16);
  PipelineOptions o;
  auto pipeline = TestPipeline(rig, o);
  // Covers the whole frame in pixel units of the frame size; the viewport squeezes it into
  // the right half.
  const std::vector<PixelVertex> quad = {V(-10, -10, 1, 1, 1, 1), V(-10, 50, 1, 1, 1, 1), V(50, -10, 1, 1, 1, 1),
                                         V(50, 50, 1, 1, 1, 1)};
  rig.Pass([&](mtl::RenderCommandEncoder& e) {
    e.SetRenderPipelineState(pipeline);
    e.SetViewport(mtl::Viewport{16, 0, 16, 16, 0, 1});
    BindPixelVertices(rig, e, quad);
    e.DrawPrimitives(PrimitiveType::TriangleStrip, 0, 4);
  });
  EXPECT_EQ(rig.Pixel(15, 8)[0], 0);
  EXPECT_EQ(rig.Pixel(16, 8)[0], 255);
  EXPECT_EQ(rig.Pixel(31, 15)[0], 255);
}

TEST(MetalRaster, TwoSidedStencilWrapsClampsAndSkipsFacesWithoutADescriptor)
{
  MetalRig rig(16, 16);
  PipelineOptions stencilOnly;
  stencilOnly.fragment.clear();
  stencilOnly.writeMask = mtl::ColorWriteMaskNone;
  auto stencilPipeline = TestPipeline(rig, stencilOnly);
  auto colorPipeline = TestPipeline(rig, PipelineOptions());

  auto state = [&](mtl::StencilOperation front, mtl::StencilOperation back, bool withBack,
                   mtl::CompareFunction compare = mtl::CompareFunction::Always) {
    mtl::DepthStencilDescriptor d;
    mtl::StencilDescriptor s;
    s.stencilCompareFunction = compare;
    s.depthStencilPassOperation = front;
    d.SetFrontFaceStencil(s);
    if (withBack)
    {
      s.depthStencilPassOperation = back;
      d.SetBackFaceStencil(s);
    }
    return rig.device->NewDepthStencilState(d);
  };
  // Counter-clockwise on screen (front) and clockwise (back) over the same pixels.
  const std::vector<PixelVertex> front = {V(0, 0, 1, 1, 1, 1), V(0, 16, 1, 1, 1, 1), V(16, 0, 1, 1, 1, 1)};
  const std::vector<PixelVertex> back = {V(0, 0, 1, 1, 1, 1), V(16, 0, 1, 1, 1, 1), V(0, 16, 1, 1, 1, 1)};
  auto draw = [&](const mtl::Ref<mtl::RenderPipelineState>& pipeline, const mtl::Ref<mtl::DepthStencilState>& ds,
                  const std::vector<PixelVertex>& triangle, uint32_t reference = 0) {
    rig.Pass([&](mtl::RenderCommandEncoder& e) {
      e.SetRenderPipelineState(pipeline);
      e.SetDepthStencilState(ds);
      e.SetStencilReferenceValue(reference);
      e.SetFrontFacingWinding(mtl::Winding::CounterClockwise);
      BindPixelVertices(rig, e, triangle);
      e.DrawPrimitives(PrimitiveType::Triangle, 0, 3);
    });
  };
  using Op = mtl::StencilOperation;
  auto wrap = state(Op::IncrementWrap, Op::DecrementWrap, true);
  draw(stencilPipeline, wrap, back);
  EXPECT_EQ(rig.StencilAt(2, 2), 255);
  draw(stencilPipeline, wrap, front);
  draw(stencilPipeline, wrap, front);
  EXPECT_EQ(rig.StencilAt(2, 2), 1);
  EXPECT_EQ(rig.StencilAt(14, 14), 0); // outside the triangles
  EXPECT_EQ(rig.Pixel(2, 2)[0], 0);    // stencil-only: no colour

  // Equal to the reference: zero where it passes, kept where it fails.
  rig.FillStencil(3);
  draw(stencilPipeline, state(Op::Zero, Op::Zero, false, mtl::CompareFunction::Equal), front, 3);
  EXPECT_EQ(rig.StencilAt(2, 2), 0);
  EXPECT_EQ(rig.StencilAt(14, 14), 3);
  draw(stencilPipeline, state(Op::Zero, Op::Zero, false, mtl::CompareFunction::NotEqual), front, 3);
  EXPECT_EQ(rig.StencilAt(2, 2), 0);

  rig.FillStencil(255);
  draw(stencilPipeline, state(Op::IncrementClamp, Op::IncrementClamp, true), front);
  EXPECT_EQ(rig.StencilAt(2, 2), 255);
  rig.FillStencil(0);
  draw(stencilPipeline, state(Op::DecrementClamp, Op::DecrementClamp, true), back);
  EXPECT_EQ(rig.StencilAt(2, 2), 0);

  // A state with a front descriptor only leaves back faces untested and their stencil alone.
  rig.FillStencil(7);
  draw(colorPipeline, state(Op::Zero, Op::Zero, false, mtl::CompareFunction::Equal), back);
  EXPECT_EQ(rig.StencilAt(2, 2), 7);
  EXPECT_EQ(rig.Pixel(2, 2)[0], 255);
  EXPECT_EQ(rig.device->ValidationErrorCount(), 0);
}

TEST(MetalRaster, DiscardedFragmentsChangeNeitherColourNorStencil)
{
  MetalRig rig(16, 16);
  PipelineOptions o;
  o.fragment = "discardFragment";
  auto pipeline = TestPipeline(rig, o);
  mtl::DepthStencilDescriptor d;
  mtl::StencilDescriptor s;
  s.depthStencilPassOperation = mtl::StencilOperation::IncrementClamp;
  d.SetFrontFaceStencil(s);
  d.SetBackFaceStencil(s);
  auto ds = rig.device->NewDepthStencilState(d);
  // Alpha falls from 1 on the left to 0 on the right: the right half is discarded.
  const std::vector<PixelVertex> quad = {V(0, 0, 1, 1, 1, 1), V(0, 16, 1, 1, 1, 1), V(16, 0, 1, 1, 1, 0),
                                         V(16, 16, 1, 1, 1, 0)};
  rig.Pass([&](mtl::RenderCommandEncoder& e) {
    e.SetRenderPipelineState(pipeline);
    e.SetDepthStencilState(ds);
    BindPixelVertices(rig, e, quad);
    e.DrawPrimitives(PrimitiveType::TriangleStrip, 0, 4);
  });
  EXPECT_EQ(rig.StencilAt(2, 8), 1);
  EXPECT_EQ(rig.Pixel(2, 8)[0], 255);
  EXPECT_EQ(rig.StencilAt(13, 8), 0);
  EXPECT_EQ(rig.Pixel(13, 8)[0], 0);
}

// Each blend factor, and the Porter-Duff operators built from them, on one known pixel of
// premultiplied colour: result = source x Fs + destination x Fd per channel.
TEST(MetalRaster, BlendFactorsFollowPorterDuff)
{
  const float src[4] = {0.3f, 0.1f, 0.5f, 0.6f};
  const mtl::ClearColor dstColor{0.2, 0.4, 0.6, 0.8};
  float dst[4] = {float(dstColor.red), float(dstColor.green), float(dstColor.blue), float(dstColor.alpha)};
  for (float& c : dst)
    c = std::round(c * 255.0f) / 255.0f; // as stored
  auto factor = [&](BlendFactor f, int c) -> float {
    switch (f)
    {
      case BlendFactor::Zero: return 0;
      case BlendFactor::One: return 1;
      case BlendFactor::SourceColor: return src[c];
      case BlendFactor::OneMinusSourceColor: return 1 - src[c];
      case BlendFactor::SourceAlpha: return src[3];
      case BlendFactor::OneMinusSourceAlpha: return 1 - src[3];
      case BlendFactor::DestinationColor: return dst[c];
      case BlendFactor::OneMinusDestinationColor: return 1 - dst[c];
      case BlendFactor::DestinationAlpha: return dst[3];
      case BlendFactor::OneMinusDestinationAlpha: return 1 - dst[3];
      case BlendFactor::SourceAlphaSaturated: return c == 3 ? 1 : std::min(src[3], 1 - dst[3]);
    }
    return 0;
  };
  auto check = [&](BlendFactor s, BlendFactor d, const char* what) {
    MetalRig rig(4, 4);
    PipelineOptions o;
    o.blending = true;
    o.sourceRGB = o.sourceAlpha = s;
    o.destinationRGB = o.destinationAlpha = d;
    auto pipeline = TestPipeline(rig, o);
    rig.Pass([](mtl::RenderCommandEncoder&) {}, &dstColor);
    DrawTriangles(rig, pipeline,
                  {V(0, 0, src[0], src[1], src[2], src[3]), V(0, 8, src[0], src[1], src[2], src[3]),
                   V(8, 0, src[0], src[1], src[2], src[3])});
    const auto p = rig.Pixel(1, 1);
    for (int c = 0; c < 4; c++)
    {
      const float expected = std::min(1.0f, src[c] * factor(s, c) + dst[c] * factor(d, c));
      EXPECT_NEAR(p[c], expected * 255.0f, 0.6f) << what << " channel " << c;
    }
  };
  const BlendFactor all[] = {BlendFactor::Zero, BlendFactor::One, BlendFactor::SourceColor,
                             BlendFactor::OneMinusSourceColor, BlendFactor::SourceAlpha,
                             BlendFactor::OneMinusSourceAlpha, BlendFactor::DestinationColor,
                             BlendFactor::OneMinusDestinationColor, BlendFactor::DestinationAlpha,
                             BlendFactor::OneMinusDestinationAlpha, BlendFactor::SourceAlphaSaturated};
  for (BlendFactor f : all)
  {
    check(f, BlendFactor::Zero, "source factor");
    check(BlendFactor::Zero, f, "destination factor");
  }
  struct PorterDuff
  {
    const char* name;
    BlendFactor s, d;
  } operators[] = {
    {"source-over", BlendFactor::One, BlendFactor::OneMinusSourceAlpha},
    {"destination-over", BlendFactor::OneMinusDestinationAlpha, BlendFactor::One},
    {"source-in", BlendFactor::DestinationAlpha, BlendFactor::Zero},
    {"destination-in", BlendFactor::Zero, BlendFactor::SourceAlpha},
    {"source-out", BlendFactor::OneMinusDestinationAlpha, BlendFactor::Zero},
    {"destination-out", BlendFactor::Zero, BlendFactor::OneMinusSourceAlpha},
    {"source-atop", BlendFactor::DestinationAlpha, BlendFactor::OneMinusSourceAlpha},
    {"destination-atop", BlendFactor::OneMinusDestinationAlpha, BlendFactor::SourceAlpha},
    {"xor", BlendFactor::OneMinusDestinationAlpha, BlendFactor::OneMinusSourceAlpha},
    {"lighter", BlendFactor::One, BlendFactor::One},
    {"copy", BlendFactor::One, BlendFactor::Zero},
  };
  for (const auto& op : operators)
    check(op.s, op.d, op.name);

  // The write mask keeps the masked channels.
  MetalRig rig(4, 4);
  PipelineOptions o;
  o.writeMask = mtl::ColorWriteMaskRed | mtl::ColorWriteMaskAlpha;
  auto pipeline = TestPipeline(rig, o);
  rig.Pass([](mtl::RenderCommandEncoder&) {}, &dstColor);
  DrawTriangles(rig, pipeline, {V(0, 0, 1, 1, 1, 1), V(0, 8, 1, 1, 1, 1), V(8, 0, 1, 1, 1, 1)});
  const auto p = rig.Pixel(1, 1);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 102);
  EXPECT_EQ(p[2], 153);
  EXPECT_EQ(p[3], 255);
}

TEST(MetalRaster, MismatchedPipelinesAreRefused)
{
  MetalRig rig(8, 8, mtl::PixelFormat::BGRA8Unorm);
  auto bgra = TestPipeline(rig, PipelineOptions());
  MetalRig rgbaRig(8, 8);
  auto rgba = TestPipeline(rgbaRig, PipelineOptions());
  const std::vector<PixelVertex> tri = {V(0, 0, 1, 0, 0, 1), V(0, 16, 1, 0, 0, 1), V(16, 0, 1, 0, 0, 1)};
  DrawTriangles(rig, rgba, tri);
  EXPECT_EQ(rig.Pixel(1, 1)[2], 0);
  EXPECT_EQ(rig.device->ValidationErrorCount(), 1);
  // The matching pipeline draws, in the drawable's channel order.
  DrawTriangles(rig, bgra, tri);
  EXPECT_EQ(rig.Pixel(1, 1)[2], 255);
  EXPECT_EQ(rig.Pixel(1, 1)[0], 0);
}

} // namespace
