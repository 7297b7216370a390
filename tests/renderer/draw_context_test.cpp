// The drawing context: its life with a back end, frames, the state stack, the font-atlas
// image slots, and the state operations (transforms, colours, paints, images, scissor,
// blending) as the back end receives them.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRMemory.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/ScopedAllocFailure.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include "graphics/renderer/StbDiagnostics.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
VGR_STB_WARNINGS_OFF
#include <stb/stb_image_write.h>
VGR_STB_WARNINGS_ON

#include <cmath>
#include <fstream>

using namespace plug::igraphics;
using testsupport::RecordedCall;
using testsupport::RecordedContext;
using testsupport::RecordingRenderer;
using VGRAllocFailure = testsupport::ScopedAllocFailure<&vgrSetAllocHook>;

namespace {

void ExpectMatrix(const float* t, std::initializer_list<float> expected)
{
  int i = 0;
  for (float e : expected)
  {
    EXPECT_NEAR(t[i], e, 1e-4f) << "element " << i;
    ++i;
  }
}

// What the back end would receive with the next draw call: the fill paint, blend state and
// scissor of the top state.
RecordedCall FillSquare(RecordedContext& c)
{
  const VGRdrawState* s = vgrGetState(c.ctx);
  RecordedCall call;
  call.paint = s->fill;
  call.composite = s->compositeOperation;
  call.scissor = s->scissor;
  return call;
}

std::vector<unsigned char> EncodePng(int w, int h, const std::vector<unsigned char>& rgba)
{
  std::vector<unsigned char> out;
  stbi_write_png_to_func(
    [](void* context, void* data, int size) {
      auto* v = static_cast<std::vector<unsigned char>*>(context);
      v->insert(v->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    },
    &out, w, h, 4, rgba.data(), w * 4);
  return out;
}

} // namespace

TEST(DrawContext, LifeWithTheBackEnd)
{
  RecordingRenderer rec;
  const VGRrenderInterface ri = rec.Interface();
  VGRdrawContext* ctx = vgrCreateContext(&ri);
  ASSERT_NE(ctx, nullptr);
  // One create, then the first font-atlas image: single channel, 512 x 512, no data.
  EXPECT_EQ(rec.createCalls, 1);
  ASSERT_EQ(rec.createdTextures.size(), 1u);
  const testsupport::RecordedTexture& atlas = rec.textures.at(rec.createdTextures[0]);
  EXPECT_EQ(atlas.type, VGR_TEXTURE_ALPHA);
  EXPECT_EQ(atlas.width, 512);
  EXPECT_EQ(atlas.height, 512);
  EXPECT_EQ(atlas.flags, 0);
  EXPECT_FALSE(atlas.createdWithData);
  EXPECT_EQ(ctx->fontImages[0], rec.createdTextures[0]);
  EXPECT_EQ(ctx->ccommands, 256);
  EXPECT_EQ(ctx->cache->cpoints, 128);
  EXPECT_EQ(ctx->cache->cpaths, 16);
  EXPECT_EQ(ctx->cache->cverts, 256);

  // A frame: viewport, then flush; cancel drops a frame.
  vgrBeginFrame(ctx, 300, 200, 2);
  EXPECT_EQ(rec.viewportCalls, 1);
  EXPECT_EQ(rec.viewport[0], 300);
  EXPECT_EQ(rec.viewport[2], 2);
  vgrEndFrame(ctx);
  EXPECT_EQ(rec.flushCalls, 1);
  vgrBeginFrame(ctx, 300, 200, 1);
  vgrCancelFrame(ctx);
  EXPECT_EQ(rec.cancelCalls, 1);
  EXPECT_EQ(rec.flushCalls, 1);

  // Deletion frees the atlas image, then the back end, once.
  vgrDeleteContext(ctx);
  EXPECT_EQ(rec.deletedTextures, rec.createdTextures);
  EXPECT_TRUE(rec.textures.empty());
  EXPECT_EQ(rec.deleteCalls, 1);
  vgrDeleteContext(nullptr);
}

TEST(DrawContext, EveryCreationFailureGivesNullAndOneBackEndDelete)
{
  {
    RecordingRenderer rec;
    rec.failCreate = true;
    const VGRrenderInterface ri = rec.Interface();
    EXPECT_EQ(vgrCreateContext(&ri), nullptr);
    EXPECT_EQ(rec.createCalls, 1);
    EXPECT_EQ(rec.deleteCalls, 1);
    EXPECT_TRUE(rec.createdTextures.empty());
  }
  {
    RecordingRenderer rec;
    rec.failTexturesAfter = 0;
    const VGRrenderInterface ri = rec.Interface();
    EXPECT_EQ(vgrCreateContext(&ri), nullptr);
    EXPECT_EQ(rec.deleteCalls, 1);
  }
  {
    RecordingRenderer rec;
    VGRrenderInterface ri = rec.Interface();
    ri.renderTriangles = nullptr; // a required operation missing
    EXPECT_EQ(vgrCreateContext(&ri), nullptr);
    EXPECT_EQ(rec.createCalls, 0);
    EXPECT_EQ(rec.deleteCalls, 1);
  }
  // Each allocation of a creation failing in turn, the geometry cache's arrays among them:
  // always null, nothing left behind (the sanitizer build checks for leaks), one delete.
  int allocations = 0;
  {
    VGRAllocFailure counter(-1);
    RecordedContext c;
    ASSERT_NE(c.ctx, nullptr);
    allocations = VGRAllocFailure::Count();
  }
  ASSERT_GT(allocations, 6);
  for (int failAfter = 0; failAfter < allocations; ++failAfter)
  {
    RecordingRenderer rec;
    const VGRrenderInterface ri = rec.Interface();
    VGRdrawContext* ctx = nullptr;
    {
      VGRAllocFailure fail(failAfter);
      ctx = vgrCreateContext(&ri);
    }
    EXPECT_EQ(ctx, nullptr) << "allocation " << failAfter;
    EXPECT_EQ(rec.deleteCalls, 1) << "allocation " << failAfter;
    EXPECT_TRUE(rec.textures.empty());
  }
}

TEST(DrawContext, DefaultStateAndTolerances)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  const VGRdrawState* s = vgrGetState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(s->compositeOperation.srcRGB, VGR_ONE);
  EXPECT_EQ(s->compositeOperation.dstRGB, VGR_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(s->compositeOperation.srcAlpha, VGR_ONE);
  EXPECT_EQ(s->compositeOperation.dstAlpha, VGR_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(s->shapeAntiAlias, 1);
  EXPECT_EQ(s->fill.innerColor.r, 1.0f);
  EXPECT_EQ(s->fill.outerColor.a, 1.0f);
  EXPECT_EQ(s->fill.feather, 1.0f);
  EXPECT_EQ(s->stroke.innerColor.r, 0.0f);
  EXPECT_EQ(s->stroke.innerColor.a, 1.0f);
  EXPECT_EQ(s->strokeWidth, 1.0f);
  EXPECT_EQ(s->miterLimit, 10.0f);
  EXPECT_EQ(s->lineJoin, VGR_MITER);
  EXPECT_EQ(s->lineCap, VGR_BUTT);
  EXPECT_EQ(s->alpha, 1.0f);
  ExpectMatrix(s->xform, {1, 0, 0, 1, 0, 0});
  ExpectMatrix(s->scissor.xform, {0, 0, 0, 0, 0, 0});
  EXPECT_EQ(s->scissor.extent[0], -1.0f);
  EXPECT_EQ(s->fontSize, 16.0f);
  EXPECT_EQ(s->lineHeight, 1.0f);
  EXPECT_EQ(s->textAlign, VGR_ALIGN_LEFT | VGR_ALIGN_BASELINE);
  EXPECT_EQ(s->fontId, 0);
  EXPECT_EQ(c.ctx->tessTol, 0.25f);
  EXPECT_EQ(c.ctx->distTol, 0.01f);
  EXPECT_EQ(c.ctx->fringeWidth, 1.0f);

  vgrBeginFrame(c.ctx, 100, 100, 2);
  EXPECT_EQ(c.ctx->tessTol, 0.125f);
  EXPECT_EQ(c.ctx->distTol, 0.005f);
  EXPECT_EQ(c.ctx->fringeWidth, 0.5f);
  EXPECT_EQ(c.ctx->devicePxRatio, 2.0f);
}

TEST(DrawContext, StateStackHoldsThirtyTwoAndKeepsItsBottom)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  // A popped state's settings are gone; the one below comes back.
  vgrSetStrokeWidth(c.ctx, 3);
  vgrPushState(c.ctx);
  vgrSetStrokeWidth(c.ctx, 7);
  vgrTranslate(c.ctx, 5, 5);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 7.0f);
  vgrPopState(c.ctx);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 3.0f);
  EXPECT_EQ(vgrGetState(c.ctx)->xform[4], 0.0f);

  for (int i = 0; i < 40; ++i)
    vgrPushState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 32);
  vgrPopState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 31);
  for (int i = 0; i < 40; ++i)
    vgrPopState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 3.0f); // the bottom state is untouched

  // A new frame starts over with one default state, whatever was left pushed.
  for (int i = 0; i < 5; ++i)
    vgrPushState(c.ctx);
  vgrSetGlobalAlpha(c.ctx, 0.5f);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vgrGetState(c.ctx)->alpha, 1.0f);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 1.0f);

  // Reset gives the top state the defaults and keeps the depth.
  vgrPushState(c.ctx);
  vgrSetMiterLimit(c.ctx, 2);
  vgrSetLineCap(c.ctx, VGR_ROUND);
  vgrSetLineJoin(c.ctx, VGR_BEVEL);
  vgrSetShapeAntiAlias(c.ctx, 0);
  vgrResetState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 2);
  EXPECT_EQ(vgrGetState(c.ctx)->miterLimit, 10.0f);
  EXPECT_EQ(vgrGetState(c.ctx)->lineCap, VGR_BUTT);
  EXPECT_EQ(vgrGetState(c.ctx)->lineJoin, VGR_MITER);
  EXPECT_EQ(vgrGetState(c.ctx)->shapeAntiAlias, 1);
}

TEST(DrawContext, EndOfFrameKeepsTheLargestAtlasImagesAndLosesNone)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  VGRrenderInterface& ri = c.ctx->params;
  auto make = [&](int w, int h) { return ri.renderCreateTexture(ri.userPtr, VGR_TEXTURE_ALPHA, w, h, 0, nullptr); };
  auto run = [&](std::vector<int> slots, int idx) {
    for (int i = 0; i < 4; ++i)
      c.ctx->fontImages[i] = slots[i];
    c.ctx->fontImageIdx = idx;
    vgrBeginFrame(c.ctx, 10, 10, 1);
    vgrEndFrame(c.ctx);
    return std::vector<int>(c.ctx->fontImages, c.ctx->fontImages + 4);
  };
  const int first = c.ctx->fontImages[0]; // 512 x 512

  // Older, smaller images are deleted; the current one moves to slot 0.
  const int wide = make(1024, 512);
  const int square = make(1024, 1024);
  EXPECT_EQ(run({first, wide, square, 0}, 2), (std::vector<int>{square, 0, 0, 0}));
  EXPECT_EQ(c.ctx->fontImageIdx, 0);
  EXPECT_EQ(c.rec.deletedTextures, (std::vector<int>{first, wide}));

  // An older image as large as the current one is kept behind it.
  const int same = make(1024, 1024);
  EXPECT_EQ(run({same, square, 0, 0}, 1), (std::vector<int>{square, same, 0, 0}));

  // The current index 0 leaves the slots alone.
  EXPECT_EQ(run({square, same, 0, 0}, 0), (std::vector<int>{square, same, 0, 0}));

  // Images kept in slots above the current index (for reuse by later atlas switches) stay
  // in a slot or are deleted: never dropped from the slots while alive.
  const int a = make(2048, 2048), b = make(2048, 2048), d = make(2048, 2048), e = make(2048, 2048);
  c.rec.deletedTextures.clear();
  const std::vector<int> after = run({a, b, d, e}, 1);
  EXPECT_EQ(after[0], b);
  for (int id : {a, d, e})
    EXPECT_NE(std::find(after.begin(), after.end(), id), after.end()) << id;
  // square and same (1024) are no longer in any slot: delete them as a test cleanup.
  ri.renderDeleteTexture(ri.userPtr, square);
  ri.renderDeleteTexture(ri.userPtr, same);
  // Everything left alive is in a slot, so the context's deletion frees every texture.
  vgrDeleteContext(c.ctx);
  c.ctx = nullptr;
  EXPECT_TRUE(c.rec.textures.empty());
}

TEST(DrawContext, TransformsApplyNewestFirst)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  float t[6], x = 0, y = 0;
  vgrTranslate(c.ctx, 10, 0);
  vgrScale(c.ctx, 2, 2);
  vgrGetTransform(c.ctx, t);
  vgrMatrixApply(t, &x, &y, 1, 0);
  EXPECT_FLOAT_EQ(x, 12);
  EXPECT_FLOAT_EQ(y, 0);

  // Translate then rotate turns about the translated origin.
  vgrResetTransform(c.ctx);
  vgrTranslate(c.ctx, 5, 5);
  vgrRotate(c.ctx, vgrDegreesToRadians(90));
  vgrGetTransform(c.ctx, t);
  vgrMatrixApply(t, &x, &y, 1, 0);
  EXPECT_NEAR(x, 5, 1e-5);
  EXPECT_NEAR(y, 6, 1e-5);

  vgrResetTransform(c.ctx);
  vgrSkewX(c.ctx, vgrDegreesToRadians(45));
  vgrSkewY(c.ctx, 0);
  vgrApplyTransform(c.ctx, 1, 0, 0, 1, 3, 4);
  vgrGetTransform(c.ctx, t);
  ExpectMatrix(t, {1, 0, 1, 1, 7, 4});
  vgrGetTransform(c.ctx, nullptr);
  EXPECT_FLOAT_EQ(vgrRadiansToDegrees(3.1415927f), 180.0f);

  // Multiply: t followed by s; multiply-left: s followed by t.
  float m[6], s[6];
  vgrMatrixTranslation(m, 1, 2);
  vgrMatrixScaling(s, 3, 3);
  vgrMatrixMultiply(m, s);
  ExpectMatrix(m, {3, 0, 0, 3, 3, 6});
  vgrMatrixTranslation(m, 1, 2);
  vgrMatrixMultiplyLeft(m, s);
  ExpectMatrix(m, {3, 0, 0, 3, 1, 2});

  // Inversion round-trips, and a determinant below 1e-6 gives 0 and identity.
  float r[6], inv[6];
  vgrMatrixRotation(r, 0.7f);
  r[4] = 11;
  r[5] = -4;
  ASSERT_EQ(vgrMatrixInvert(inv, r), 1);
  vgrMatrixMultiply(r, inv);
  ExpectMatrix(r, {1, 0, 0, 1, 0, 0});
  const float singular[6] = {1e-4f, 0, 0, 1e-3f, 5, 5};
  EXPECT_EQ(vgrMatrixInvert(inv, singular), 0);
  ExpectMatrix(inv, {1, 0, 0, 1, 0, 0});
}

TEST(DrawContext, ColoursAndHueWrap)
{
  const VGRcolor a = vgrColorHSL(0.25f, 0.8f, 0.4f);
  for (float h : {1.25f, -0.75f})
  {
    const VGRcolor b = vgrColorHSL(h, 0.8f, 0.4f);
    EXPECT_NEAR(a.r, b.r, 1e-6f);
    EXPECT_NEAR(a.g, b.g, 1e-6f);
    EXPECT_NEAR(a.b, b.b, 1e-6f);
  }
  // Pure hues at full saturation, half lightness; saturation and lightness are clamped.
  const VGRcolor red = vgrColorHSLA(0, 1, 0.5f, 128);
  EXPECT_FLOAT_EQ(red.r, 1);
  EXPECT_NEAR(red.g, 0, 1e-6);
  EXPECT_NEAR(red.b, 0, 1e-6);
  EXPECT_FLOAT_EQ(red.a, 128 / 255.0f);
  const VGRcolor green = vgrColorHSL(1.0f / 3.0f, 7, 0.5f);
  EXPECT_NEAR(green.r, 0, 1e-6);
  EXPECT_NEAR(green.g, 1, 1e-6);
  const VGRcolor white = vgrColorHSL(0.6f, 0.5f, 3);
  EXPECT_FLOAT_EQ(white.r, 1);
  EXPECT_FLOAT_EQ(white.b, 1);
  const VGRcolor grey = vgrColorHSL(0.6f, -1, 0.5f);
  EXPECT_FLOAT_EQ(grey.r, 0.5f);
  EXPECT_FLOAT_EQ(grey.g, 0.5f);

  const VGRcolor mid = vgrColorLerp(vgrColorRGB(0, 0, 0), vgrColorRGBAf(1, 0.5f, 0, 0), 2.0f);
  EXPECT_FLOAT_EQ(mid.r, 1);
  EXPECT_FLOAT_EQ(mid.a, 0);
  EXPECT_FLOAT_EQ(vgrColorWithAlpha(vgrColorRGBf(1, 1, 1), 51).a, 0.2f);
  EXPECT_FLOAT_EQ(vgrColorWithAlphaf(vgrColorRGBA(10, 20, 30, 40), 0.3f).a, 0.3f);
  EXPECT_FLOAT_EQ(vgrColorRGB(255, 0, 51).b, 0.2f);
}

TEST(DrawContext, GradientsAtTheirEdges)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  const VGRcolor in = vgrColorRGBf(1, 0, 0), out = vgrColorRGBf(0, 0, 1);

  // Start equal to end: a vertical gradient of feather 1 at the point.
  VGRpaint p = vgrLinearGradient(c.ctx, 3, 4, 3, 4, in, out);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 3, 4 - 100000.0f});
  EXPECT_EQ(p.extent[0], 100000.0f);
  EXPECT_EQ(p.extent[1], 100000.0f);
  EXPECT_EQ(p.feather, 1.0f);

  // Along +x over 20 units: the box edge lies half-way, blurred over the distance.
  p = vgrLinearGradient(c.ctx, 0, 0, 20, 0, in, out);
  ExpectMatrix(p.xform, {0, -1, 1, 0, -100000.0f, 0});
  EXPECT_EQ(p.extent[1], 100010.0f);
  EXPECT_EQ(p.feather, 20.0f);
  EXPECT_EQ(p.innerColor.r, 1.0f);
  EXPECT_EQ(p.outerColor.b, 1.0f);

  // Radii given the wrong way round: the width is raised to 1.
  p = vgrRadialGradient(c.ctx, 0, 0, 10, 5, in, out);
  EXPECT_EQ(p.radius, 7.5f);
  EXPECT_EQ(p.extent[0], 7.5f);
  EXPECT_EQ(p.feather, 1.0f);
  p = vgrRadialGradient(c.ctx, 2, 3, 4, 4, in, out); // equal radii
  EXPECT_EQ(p.radius, 4.0f);
  EXPECT_EQ(p.feather, 1.0f);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 2, 3});

  p = vgrRoundedBoxGradient(c.ctx, 10, 20, 30, 40, 5, 0.2f, in, out);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 25, 40});
  EXPECT_EQ(p.extent[0], 15.0f);
  EXPECT_EQ(p.extent[1], 20.0f);
  EXPECT_EQ(p.feather, 1.0f);

  p = vgrImagePaint(c.ctx, 5, 6, 64, 32, 0, 9, 0.5f);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 5, 6});
  EXPECT_EQ(p.image, 9);
  EXPECT_EQ(p.innerColor.a, 0.5f);
  EXPECT_EQ(p.feather, 0.0f);

  // A paint is fixed in the user space current when it is set, even a singular one.
  vgrBeginFrame(c.ctx, 100, 100, 1);
  vgrTranslate(c.ctx, 10, 0);
  vgrScale(c.ctx, 0, 0);
  vgrSetFillPaint(c.ctx, vgrLinearGradient(c.ctx, 0, 0, 20, 0, in, out));
  vgrResetTransform(c.ctx);
  const RecordedCall call = FillSquare(c);
  ExpectMatrix(call.paint.xform, {0, 0, 0, 0, 10, 0});
}

TEST(DrawContext, CompositeModesReachTheBackEnd)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  const int expected[11][2] = {
    {VGR_ONE, VGR_ONE_MINUS_SRC_ALPHA},           {VGR_DST_ALPHA, VGR_ZERO},
    {VGR_ONE_MINUS_DST_ALPHA, VGR_ZERO},          {VGR_DST_ALPHA, VGR_ONE_MINUS_SRC_ALPHA},
    {VGR_ONE_MINUS_DST_ALPHA, VGR_ONE},           {VGR_ZERO, VGR_SRC_ALPHA},
    {VGR_ZERO, VGR_ONE_MINUS_SRC_ALPHA},          {VGR_ONE_MINUS_DST_ALPHA, VGR_SRC_ALPHA},
    {VGR_ONE, VGR_ONE},                           {VGR_ONE, VGR_ZERO},
    {VGR_ONE_MINUS_DST_ALPHA, VGR_ONE_MINUS_SRC_ALPHA},
  };
  for (int mode = 0; mode < 11; ++mode)
  {
    vgrSetCompositeMode(c.ctx, mode);
    const VGRcompositeOperationState op = FillSquare(c).composite;
    EXPECT_EQ(op.srcRGB, expected[mode][0]) << mode;
    EXPECT_EQ(op.dstRGB, expected[mode][1]) << mode;
    EXPECT_EQ(op.srcAlpha, expected[mode][0]) << mode;
    EXPECT_EQ(op.dstAlpha, expected[mode][1]) << mode;
  }
  for (int mode : {11, -1})
  {
    vgrSetCompositeMode(c.ctx, mode);
    const VGRcompositeOperationState op = FillSquare(c).composite;
    EXPECT_EQ(op.srcRGB, VGR_ONE);
    EXPECT_EQ(op.dstAlpha, VGR_ZERO);
  }
  vgrSetBlendFactorsSeparate(c.ctx, VGR_SRC_ALPHA, VGR_ONE, VGR_ZERO, 3);
  const VGRcompositeOperationState op = FillSquare(c).composite;
  EXPECT_EQ(op.srcRGB, VGR_SRC_ALPHA);
  EXPECT_EQ(op.dstRGB, VGR_ONE);
  EXPECT_EQ(op.srcAlpha, VGR_ZERO);
  EXPECT_EQ(op.dstAlpha, 3); // unchecked: the back end falls back for what is no single bit
}

TEST(DrawContext, ScissorIntersection)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  vgrBeginFrame(c.ctx, 200, 200, 1);
  vgrSetScissor(c.ctx, 0, 0, 100, 100);
  vgrIntersectScissor(c.ctx, 50, 50, 100, 100);
  VGRscissor s = FillSquare(c).scissor;
  ExpectMatrix(s.xform, {1, 0, 0, 1, 75, 75});
  EXPECT_EQ(s.extent[0], 25.0f);
  EXPECT_EQ(s.extent[1], 25.0f);

  vgrSetScissor(c.ctx, 0, 0, 100, 100);
  vgrIntersectScissor(c.ctx, 200, 200, 10, 10);
  s = FillSquare(c).scissor;
  EXPECT_EQ(s.extent[0], 0.0f);
  EXPECT_EQ(s.extent[1], 0.0f);

  // Without a scissor, intersecting sets one; negative sizes clip everything.
  vgrResetScissor(c.ctx);
  EXPECT_EQ(FillSquare(c).scissor.extent[0], -1.0f);
  vgrIntersectScissor(c.ctx, 10, 10, -5, 20);
  s = FillSquare(c).scissor;
  EXPECT_EQ(s.extent[0], 0.0f);
  EXPECT_EQ(s.extent[1], 10.0f);

  // Under a transform the scissor is placed in drawing space; a rotated intersection takes
  // the old scissor's bound in the new space.
  vgrResetScissor(c.ctx);
  vgrTranslate(c.ctx, 100, 0);
  vgrSetScissor(c.ctx, 0, 0, 20, 20);
  s = FillSquare(c).scissor;
  ExpectMatrix(s.xform, {1, 0, 0, 1, 110, 10});
  vgrRotate(c.ctx, vgrDegreesToRadians(45));
  vgrIntersectScissor(c.ctx, -100, -100, 200, 200);
  s = FillSquare(c).scissor;
  const float half = 10 * std::sqrt(2.0f);
  EXPECT_NEAR(s.extent[0], half, 1e-3f);
  EXPECT_NEAR(s.extent[1], half, 1e-3f);

  // A singular current transform intersects in the scissor's own space (identity inverse).
  vgrResetTransform(c.ctx);
  vgrSetScissor(c.ctx, 0, 0, 100, 100);
  vgrScale(c.ctx, 0, 0);
  vgrIntersectScissor(c.ctx, 50, 0, 100, 100);
  EXPECT_EQ(vgrGetState(c.ctx)->scissor.extent[0], 25.0f);
}

TEST(DrawContext, ImagesFromMemoryAndFiles)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  // A 3 x 2 picture with varied alpha; the texture receives the decoded straight RGBA.
  std::vector<unsigned char> rgba;
  for (int i = 0; i < 6; ++i)
    rgba.insert(rgba.end(), {static_cast<unsigned char>(40 * i), 200, 7, static_cast<unsigned char>(255 - 30 * i)});
  const std::vector<unsigned char> png = EncodePng(3, 2, rgba);
  const int image = vgrCreateImageFromMemory(c.ctx, VGR_IMAGE_NEAREST, png.data(), static_cast<int>(png.size()));
  ASSERT_NE(image, 0);
  const testsupport::RecordedTexture& t = c.rec.textures.at(image);
  EXPECT_EQ(t.type, VGR_TEXTURE_RGBA);
  EXPECT_EQ(t.flags, VGR_IMAGE_NEAREST);
  EXPECT_EQ(t.pixels, rgba);
  int w = -1, h = -1;
  vgrImageSize(c.ctx, image, &w, &h);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);

  // Updating replaces every pixel.
  std::vector<unsigned char> next(rgba.size(), 9);
  vgrUpdateImage(c.ctx, image, next.data());
  EXPECT_EQ(c.rec.textures.at(image).pixels, next);

  // From a file.
  testsupport::TempDir dir;
  std::ofstream(dir.File("p.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                            static_cast<std::streamsize>(png.size()));
  const int fromFile = vgrCreateImageFromFile(c.ctx, dir.File("p.png").c_str(), 0);
  ASSERT_NE(fromFile, 0);
  EXPECT_EQ(c.rec.textures.at(fromFile).pixels, rgba);

  // Undecodable or missing data gives no image and no texture; an unknown id measures 0 x 0.
  const std::size_t before = c.rec.textures.size();
  std::vector<unsigned char> broken(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  EXPECT_EQ(vgrCreateImageFromMemory(c.ctx, 0, broken.data(), static_cast<int>(broken.size())), 0);
  EXPECT_EQ(vgrCreateImageFromMemory(c.ctx, 0, nullptr, 10), 0);
  EXPECT_EQ(vgrCreateImageFromFile(c.ctx, dir.File("missing.png").c_str(), 0), 0);
  EXPECT_EQ(c.rec.textures.size(), before);
  w = h = 77;
  vgrImageSize(c.ctx, 12345, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}
