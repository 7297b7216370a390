// The drawing context: its life with a back end, the state stack, the font-atlas image
// slots, and the state operations (transforms, colours, paints, images, scissor, blending)
// as the back end receives them with a fill.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRMemory.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/FontFiles.h"
#include "tests/support/PngImage.h"
#include "tests/support/ScopedAllocFailure.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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
    EXPECT_NEAR(t[i++], e, 1e-4f) << "element " << i - 1;
}

// Fills a 10 x 10 square in the current frame and returns the call the back end received.
RecordedCall FillSquare(RecordedContext& c)
{
  vgrBeginPath(c.ctx);
  vgrRect(c.ctx, 0, 0, 10, 10);
  vgrFill(c.ctx);
  return c.rec.calls.empty() ? RecordedCall{} : c.rec.calls.back();
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
  EXPECT_FALSE(atlas.createdWithData);

  // Frames: the viewport at the given ratio, tolerances to match; a flush or a cancel.
  vgrBeginFrame(ctx, 300, 200, 2);
  EXPECT_EQ(rec.viewport[2], 2);
  EXPECT_EQ(ctx->tessTol, 0.125f);
  EXPECT_EQ(ctx->distTol, 0.005f);
  EXPECT_EQ(ctx->fringeWidth, 0.5f);
  vgrEndFrame(ctx);
  vgrBeginFrame(ctx, 300, 200, 1);
  vgrCancelFrame(ctx);
  EXPECT_EQ(rec.flushCalls, 1);
  EXPECT_EQ(rec.cancelCalls, 1);

  // Deletion frees the atlas image, then the back end, once.
  vgrDeleteContext(ctx);
  EXPECT_EQ(rec.deletedTextures, rec.createdTextures);
  EXPECT_EQ(rec.deleteCalls, 1);
}

TEST(DrawContext, EveryCreationFailureGivesNullAndOneBackEndDelete)
{
  auto attempt = [](VGRrenderInterface ri, int failAfter) {
    VGRAllocFailure fail(failAfter);
    return vgrCreateContext(&ri);
  };
  {
    RecordingRenderer rec;
    rec.failCreate = true;
    EXPECT_EQ(attempt(rec.Interface(), -1), nullptr);
    EXPECT_EQ(rec.createCalls, 1);
    EXPECT_EQ(rec.deleteCalls, 1);
    EXPECT_TRUE(rec.createdTextures.empty());
  }
  {
    RecordingRenderer rec;
    rec.failTexturesAfter = 0;
    EXPECT_EQ(attempt(rec.Interface(), -1), nullptr);
    EXPECT_EQ(rec.deleteCalls, 1);
  }
  {
    RecordingRenderer rec;
    VGRrenderInterface ri = rec.Interface();
    ri.renderTriangles = nullptr; // a required operation missing
    EXPECT_EQ(attempt(ri, -1), nullptr);
    EXPECT_EQ(rec.deleteCalls, 1);
  }
  // Each allocation of a creation failing in turn, the geometry cache's arrays among them:
  // always null, nothing left behind (the sanitizer build checks for leaks), one delete.
  int allocations = 0;
  {
    RecordingRenderer rec;
    VGRdrawContext* ctx = attempt(rec.Interface(), -1);
    allocations = VGRAllocFailure::Count();
    vgrDeleteContext(ctx);
  }
  ASSERT_GT(allocations, 6);
  for (int failAfter = 0; failAfter < allocations; ++failAfter)
  {
    RecordingRenderer rec;
    EXPECT_EQ(attempt(rec.Interface(), failAfter), nullptr) << "allocation " << failAfter;
    EXPECT_EQ(rec.deleteCalls, 1) << "allocation " << failAfter;
    EXPECT_TRUE(rec.textures.empty());
  }
}

TEST(DrawContext, StateStackHoldsThirtyTwoAndKeepsItsBottom)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  vgrSetStrokeWidth(c.ctx, 3);
  for (int i = 0; i < 40; ++i)
    vgrPushState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 32);
  vgrSetStrokeWidth(c.ctx, 7);
  vgrPopState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 31);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 3.0f);
  for (int i = 0; i < 40; ++i)
    vgrPopState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vgrGetState(c.ctx)->strokeWidth, 3.0f); // the bottom state is untouched

  // A new frame starts over with one default state, whatever was left pushed; reset gives
  // the top state the defaults and keeps the depth.
  vgrPushState(c.ctx);
  vgrSetGlobalAlpha(c.ctx, 0.5f);
  vgrBeginFrame(c.ctx, 100, 100, 1);
  EXPECT_EQ(c.ctx->nstates, 1);
  EXPECT_EQ(vgrGetState(c.ctx)->alpha, 1.0f);
  vgrPushState(c.ctx);
  vgrSetMiterLimit(c.ctx, 2);
  vgrSetLineJoin(c.ctx, VGR_BEVEL);
  vgrResetState(c.ctx);
  EXPECT_EQ(c.ctx->nstates, 2);
  const VGRdrawState* s = vgrGetState(c.ctx);
  EXPECT_EQ(s->miterLimit, 10.0f);
  EXPECT_EQ(s->lineJoin, VGR_MITER);
  EXPECT_EQ(s->scissor.extent[0], -1.0f);
  EXPECT_EQ(s->textAlign, VGR_ALIGN_LEFT | VGR_ALIGN_BASELINE);
  EXPECT_EQ(s->fontSize, 16.0f);
}

TEST(DrawContext, EndOfFrameKeepsTheLargestAtlasImagesAndLosesNone)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  VGRrenderInterface& ri = c.ctx->params;
  auto make = [&](int w, int h) { return ri.renderCreateTexture(ri.userPtr, VGR_TEXTURE_ALPHA, w, h, 0, nullptr); };
  auto run = [&](std::vector<int> slots, int idx) {
    std::copy(slots.begin(), slots.end(), c.ctx->fontImages);
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
  // An older image as large as the current one is kept behind it; index 0 changes nothing.
  const int same = make(1024, 1024);
  EXPECT_EQ(run({same, square, 0, 0}, 1), (std::vector<int>{square, same, 0, 0}));
  EXPECT_EQ(run({square, same, 0, 0}, 0), (std::vector<int>{square, same, 0, 0}));

  // Images kept above the current index (for reuse by later atlas switches) stay in a slot
  // or are deleted, never dropped while alive: the context's deletion frees them all.
  const int a = make(2048, 2048), b = make(2048, 2048), d = make(2048, 2048), e = make(2048, 2048);
  const std::vector<int> after = run({a, b, d, e}, 1);
  EXPECT_EQ(after[0], b);
  for (int id : {a, d, e})
    EXPECT_NE(std::find(after.begin(), after.end(), id), after.end()) << id;
  ri.renderDeleteTexture(ri.userPtr, square); // no longer in a slot: the test's own
  ri.renderDeleteTexture(ri.userPtr, same);
  vgrDeleteContext(c.ctx);
  c.ctx = nullptr;
  EXPECT_TRUE(c.rec.textures.empty());
}

TEST(DrawContext, TransformsAndColours)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  // The newest transform applies first: translate then scale puts (1, 0) at (12, 0).
  float t[6], x = 0, y = 0;
  vgrTranslate(c.ctx, 10, 0);
  vgrScale(c.ctx, 2, 2);
  vgrGetTransform(c.ctx, t);
  vgrMatrixApply(t, &x, &y, 1, 0);
  EXPECT_FLOAT_EQ(x, 12);
  EXPECT_FLOAT_EQ(y, 0);
  float inv[6];
  ASSERT_EQ(vgrMatrixInvert(inv, t), 1);
  ExpectMatrix(inv, {0.5f, 0, 0, 0.5f, -5, 0});
  const float singular[6] = {1e-4f, 0, 0, 1e-3f, 5, 5}; // determinant 1e-7
  EXPECT_EQ(vgrMatrixInvert(inv, singular), 0);
  ExpectMatrix(inv, {1, 0, 0, 1, 0, 0});

  // Hue wraps (1.25 and -0.75 are 0.25); saturation and lightness are clamped.
  const VGRcolor quarter = vgrColorHSL(0.25f, 0.8f, 0.4f);
  for (float h : {1.25f, -0.75f})
  {
    const VGRcolor wrapped = vgrColorHSL(h, 0.8f, 0.4f);
    EXPECT_NEAR(wrapped.r, quarter.r, 1e-6f);
    EXPECT_NEAR(wrapped.g, quarter.g, 1e-6f);
    EXPECT_NEAR(wrapped.b, quarter.b, 1e-6f);
  }
  const VGRcolor red = vgrColorHSLA(0, 1, 0.5f, 128);
  EXPECT_FLOAT_EQ(red.r, 1);
  EXPECT_NEAR(red.g, 0, 1e-6);
  EXPECT_FLOAT_EQ(red.a, 128 / 255.0f);
  EXPECT_FLOAT_EQ(vgrColorHSL(0.6f, 0.5f, 3).b, 1);
  EXPECT_FLOAT_EQ(vgrColorHSL(0.6f, -1, 0.5f).r, 0.5f);
  EXPECT_FLOAT_EQ(vgrColorLerp(vgrColorRGB(0, 0, 0), vgrColorRGBAf(1, 0.5f, 0, 0), 2.0f).r, 1);
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

  // Radii the wrong way round: the width is raised to 1; equal radii likewise.
  p = vgrRadialGradient(c.ctx, 0, 0, 10, 5, in, out);
  EXPECT_EQ(p.radius, 7.5f);
  EXPECT_EQ(p.feather, 1.0f);
  p = vgrRadialGradient(c.ctx, 2, 3, 4, 4, in, out);
  EXPECT_EQ(p.feather, 1.0f);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 2, 3});
  p = vgrRoundedBoxGradient(c.ctx, 10, 20, 30, 40, 5, 0.2f, in, out);
  ExpectMatrix(p.xform, {1, 0, 0, 1, 25, 40});
  EXPECT_EQ(p.feather, 1.0f);
  p = vgrImagePaint(c.ctx, 5, 6, 64, 32, 0, 9, 0.5f);
  EXPECT_EQ(p.image, 9);
  EXPECT_EQ(p.innerColor.a, 0.5f);

  // A paint is fixed in the user space current when it is set, even a singular one; the
  // back end receives it with the global alpha applied.
  vgrBeginFrame(c.ctx, 100, 100, 1);
  vgrTranslate(c.ctx, 10, 0);
  vgrScale(c.ctx, 0, 0);
  vgrSetFillPaint(c.ctx, vgrLinearGradient(c.ctx, 0, 0, 20, 0, in, out));
  vgrResetTransform(c.ctx);
  vgrSetGlobalAlpha(c.ctx, 0.5f);
  const RecordedCall call = FillSquare(c);
  ExpectMatrix(call.paint.xform, {0, 0, 0, 0, 10, 0});
  EXPECT_EQ(call.paint.innerColor.a, 0.5f);
  EXPECT_EQ(call.paint.outerColor.a, 0.5f);
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
  for (int mode = -1; mode <= 11; ++mode)
  {
    vgrSetCompositeMode(c.ctx, mode);
    const VGRcompositeOperationState op = FillSquare(c).composite;
    const bool known = mode >= 0 && mode < 11;
    EXPECT_EQ(op.srcRGB, known ? expected[mode][0] : VGR_ONE) << mode;
    EXPECT_EQ(op.dstRGB, known ? expected[mode][1] : VGR_ZERO) << mode;
    EXPECT_EQ(op.srcAlpha, op.srcRGB);
    EXPECT_EQ(op.dstAlpha, op.dstRGB);
  }
  vgrSetBlendFactorsSeparate(c.ctx, VGR_SRC_ALPHA, VGR_ONE, VGR_ZERO, 3);
  const VGRcompositeOperationState op = FillSquare(c).composite;
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
  // Neither rectangle square: each side of the result from the matching sides, the right edge
  // the old scissor's and the bottom edge the new rectangle's.
  vgrSetScissor(c.ctx, 0, 0, 120, 60);
  vgrIntersectScissor(c.ctx, 10, 20, 200, 30);
  s = FillSquare(c).scissor;
  ExpectMatrix(s.xform, {1, 0, 0, 1, 65, 35});
  EXPECT_EQ(s.extent[0], 55.0f);
  EXPECT_EQ(s.extent[1], 15.0f);

  // Without a scissor, intersecting sets one; negative sizes clip everything.
  vgrResetScissor(c.ctx);
  EXPECT_EQ(FillSquare(c).scissor.extent[0], -1.0f);
  vgrIntersectScissor(c.ctx, 10, 10, -5, 20);
  EXPECT_EQ(FillSquare(c).scissor.extent[0], 0.0f);

  // Under a rotation the old scissor's bound in the new space is intersected.
  vgrResetScissor(c.ctx);
  vgrTranslate(c.ctx, 100, 0);
  vgrSetScissor(c.ctx, 0, 0, 20, 20);
  ExpectMatrix(FillSquare(c).scissor.xform, {1, 0, 0, 1, 110, 10});
  vgrRotate(c.ctx, vgrDegreesToRadians(45));
  vgrIntersectScissor(c.ctx, -100, -100, 200, 200);
  EXPECT_NEAR(FillSquare(c).scissor.extent[0], 10 * std::sqrt(2.0f), 1e-3f);
  // A singular transform intersects in the scissor's own space (identity as its inverse).
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
  // A 3 x 2 picture with varied alpha: the texture receives its straight RGBA.
  std::vector<unsigned char> rgba;
  for (int i = 0; i < 6; ++i)
    rgba.insert(rgba.end(), {static_cast<unsigned char>(40 * i), 200, 7, static_cast<unsigned char>(255 - 30 * i)});
  testsupport::TempDir dir;
  ASSERT_TRUE(testsupport::WritePNG(dir.File("p.png"), 3, 2, rgba));
  const std::vector<unsigned char> png = testsupport::ReadBytes(dir.File("p.png"));
  const int image = vgrCreateImageFromMemory(c.ctx, VGR_IMAGE_NEAREST, png.data(), static_cast<int>(png.size()));
  ASSERT_NE(image, 0);
  EXPECT_EQ(c.rec.textures.at(image).type, VGR_TEXTURE_RGBA);
  EXPECT_EQ(c.rec.textures.at(image).flags, VGR_IMAGE_NEAREST);
  EXPECT_EQ(c.rec.textures.at(image).pixels, rgba);
  std::vector<unsigned char> next(rgba.size(), 9);
  vgrUpdateImage(c.ctx, image, next.data());
  EXPECT_EQ(c.rec.textures.at(image).pixels, next);

  const int fromFile = vgrCreateImageFromFile(c.ctx, dir.File("p.png").c_str(), 0);
  ASSERT_NE(fromFile, 0);
  EXPECT_EQ(c.rec.textures.at(fromFile).pixels, rgba);

  // Undecodable or missing data gives no image and no texture; an unknown id measures 0 x 0.
  const std::size_t before = c.rec.textures.size();
  EXPECT_EQ(vgrCreateImageFromMemory(c.ctx, 0, png.data(), static_cast<int>(png.size() / 2)), 0);
  EXPECT_EQ(vgrCreateImageFromFile(c.ctx, dir.File("missing.png").c_str(), 0), 0);
  EXPECT_EQ(c.rec.textures.size(), before);
  int w = 77, h = 77;
  vgrImageSize(c.ctx, 12345, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}
