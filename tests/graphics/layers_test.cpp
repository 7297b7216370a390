// Layers, clipping and shadows, and SVG drawing: the layer stack switches target, transform
// and clip; a layer goes stale with its owner's size and the scales; the shadow's blur equals
// a direct convolution; an SVG control draws into its layer once and from it afterwards; SVG
// shapes reach the path primitives with their holes, paints and strokes.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "ExpectRect.h"
#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IControls.h"
#include "graphics/SVGHoles.h"
#include "standin/svg/SVG.h"

using namespace testgraphics;

namespace {

struct LayerFixture : ::testing::Test
{
  LayerFixture() : dlg(2)
  {
    g = dlg.Open();
    owner = new TestControl(IRECT(10.f, 10.f, 50.f, 50.f));
    g->AttachControl(owner);
  }

  ISVGImage Parse(const char* name, const std::string& text)
  {
    return g->LoadSVG(name, static_cast<const void*>(text.data()), static_cast<int>(text.size()));
  }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
  TestControl* owner = nullptr;
};

// The blur the shadow's mask must have, written the plain way: each pass a convolution with
// the kernel over the samples inside the row or column, divided by the whole kernel's weight.
std::vector<uint8_t> DirectBlur(const std::vector<uint8_t>& rgba, int w, int h, float s)
{
  const int n = static_cast<int>(std::ceil(s));
  std::vector<int> k(static_cast<size_t>(n));
  int divisor = 0;
  for (int i = 0; i < n; ++i)
  {
    k[static_cast<size_t>(i)] = static_cast<int>(std::lround(std::exp(-i * i * 4.5 / (s * s)) * 255.0));
    divisor += (i ? 2 : 1) * k[static_cast<size_t>(i)];
  }
  auto at = [&](const std::vector<int>& a, int x, int y) { return a[static_cast<size_t>(y * w + x)]; };
  std::vector<int> alpha(static_cast<size_t>(w * h)), across(alpha.size()), down(alpha.size());
  for (int i = 0; i < w * h; ++i)
    alpha[static_cast<size_t>(i)] = rgba[static_cast<size_t>(i) * 4 + 3];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      int sum = 0;
      for (int i = -(n - 1); i <= n - 1; ++i)
        if (x + i >= 0 && x + i < w)
          sum += k[static_cast<size_t>(std::abs(i))] * at(alpha, x + i, y);
      across[static_cast<size_t>(y * w + x)] = std::min(255, sum / divisor);
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      int sum = 0;
      for (int i = -(n - 1); i <= n - 1; ++i)
        if (y + i >= 0 && y + i < h)
          sum += k[static_cast<size_t>(std::abs(i))] * at(across, x, y + i);
      down[static_cast<size_t>(y * w + x)] = std::min(255, sum / divisor);
    }
  std::vector<uint8_t> out = rgba;
  for (int i = 0; i < w * h; ++i)
    out[static_cast<size_t>(i) * 4 + 3] = static_cast<uint8_t>(down[static_cast<size_t>(i)]);
  return out;
}

} // namespace

TEST_F(LayerFixture, TheLayerStackSwitchesTargetTransformAndClip)
{
  g->PrepareControlRegion(IRECT(0.f, 0.f, 100.f, 100.f));
  g->PathTransformTranslate(5.f, 5.f);
  g->ClearCalls();

  // Aligned outward to whole pixels; drawing goes into it, untransformed, clipped to it.
  g->StartLayer(owner, IRECT(10.2f, 10.2f, 50.7f, 50.7f));
  g->FillRect(COLOR_RED, IRECT(0.f, 0.f, 5.f, 5.f));
  g->ClipToRegion(IRECT());
  g->ClipToRegion(IRECT(0.f, 0.f, 20.f, 20.f));
  g->ClipToRegion(IRECT(60.f, 60.f, 70.f, 70.f));
  ILayerPtr layer = g->EndLayer();
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->Bounds(), IRECT(10.f, 10.f, 51.f, 51.f));
  EXPECT_EQ(layer->GetAPIBitmap()->GetWidth(), 41);
  const std::vector<DrawCall> fills = g->CallsOf(DrawCall::Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].target, layer->GetAPIBitmap());
  EXPECT_EQ(fills[0].PathBounds(), IRECT(0.f, 0.f, 5.f, 5.f));
  // Pushing clips to the layer, clipping stays inside it (all-zero: the whole layer; outside:
  // nothing), popping clips back to the pass's area.
  EXPECT_EQ(g->Clips(), (std::vector<IRECT>{IRECT(10.f, 10.f, 51.f, 51.f), IRECT(10.f, 10.f, 51.f, 51.f),
                                          IRECT(10.f, 10.f, 20.f, 20.f), IRECT(), IRECT(0.f, 0.f, 100.f, 100.f)}));
  EXPECT_EQ(g->GetTransform(), IMatrix());

  // Popping an empty stack gives nothing and still restores the main area.
  g->ClearCalls();
  EXPECT_EQ(g->PopLayer(), nullptr);
  EXPECT_EQ(g->Clips(), (std::vector<IRECT>{IRECT(0.f, 0.f, 100.f, 100.f)}));

  // Drawn untransformed into its bounds, whatever the transform; fitted; resumed.
  g->ClearCalls();
  g->PathTransformScale(3.f);
  g->DrawLayer(layer, &BLEND_50);
  g->DrawFittedLayer(layer, IRECT(0.f, 0.f, 82.f, 20.5f));
  const std::vector<DrawCall> draws = g->CallsOf(DrawCall::Kind::Bitmap);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].deviceRect, IRECT(10.f, 10.f, 51.f, 51.f));
  EXPECT_EQ(draws[0].blend.mWeight, 0.5f);
  EXPECT_EQ(draws[0].target, nullptr);
  EXPECT_EQ(draws[1].deviceRect, IRECT(0.f, 0.f, 3.f * 82.f, 3.f * 20.5f));
  EXPECT_EQ(g->GetTransform(), IMatrix(3.0, 0.0, 0.0, 3.0, 0.0, 0.0));
  const APIBitmap* bitmap = layer->GetAPIBitmap();
  g->ResumeLayer(layer);
  EXPECT_EQ(layer, nullptr);
  layer = g->EndLayer();
  EXPECT_EQ(layer->GetAPIBitmap(), bitmap);

  // Valid until its owner moves or a scale changes.
  EXPECT_TRUE(g->CheckLayer(layer));
  g->SetControlBounds(owner, IRECT(10.f, 10.f, 60.f, 50.f));
  EXPECT_FALSE(g->CheckLayer(layer));
  EXPECT_TRUE(layer->IsInvalid());
  g->StartLayer(owner, owner->GetRECT());
  layer = g->EndLayer();
  EXPECT_TRUE(g->CheckLayer(layer));
  g->SetScreenScale(2.f);
  EXPECT_FALSE(g->CheckLayer(layer));
  g->StartLayer(nullptr, IRECT(0.f, 0.f, 10.f, 10.f));
  layer = g->EndLayer();
  EXPECT_EQ(layer->GetAPIBitmap()->GetWidth(), 20);
  EXPECT_TRUE(g->CheckLayer(layer));
  g->Resize(900, 500, 1.5f);
  EXPECT_FALSE(g->CheckLayer(layer));
  EXPECT_FALSE(g->CheckLayer(nullptr));
}

TEST_F(LayerFixture, TheShadowBlurEqualsADirectConvolution)
{
  // A layer at scale 2 and draw scale 1.5, wider than high: the blur size 3 points is a kernel
  // of 2 · 1.5 · 3 + 1 = 10 pixels.
  g->SetScreenScale(2.f);
  g->Resize(900, 500, 1.5f);
  g->StartLayer(nullptr, IRECT(0.f, 0.f, 23.f, 11.f));
  ILayerPtr layer = g->EndLayer();
  auto* bitmap = dynamic_cast<TestBitmap*>(layer->GetAPIBitmap());
  ASSERT_NE(bitmap, nullptr);
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  ASSERT_EQ(w, 69);
  ASSERT_EQ(h, 33);

  // Noise on the left, a flat block on the right (which the blur may take unsummed), colour
  // bytes that must survive.
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      uint8_t* p = &bitmap->mPixels[static_cast<size_t>(y * w + x) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 7;
      p[3] = x < 30 ? static_cast<uint8_t>(rng()) : 200;
    }
  const std::vector<uint8_t> original = bitmap->mPixels;

  g->ApplyShadow(layer, IShadow(COLOR_BLACK, 3.f, 2.f, 2.f, 0.5f, true));
  EXPECT_EQ(g->mLastShadowMask, DirectBlur(original, w, h, 10.f));
  EXPECT_EQ(g->CallsOf(DrawCall::Kind::Bitmap).back().text, "shadow");

  // A blur of 0 is a kernel of one: the mask is the layer's alpha unchanged.
  g->ApplyShadow(layer, IShadow(COLOR_BLACK, 0.f, 2.f, 2.f, 0.5f, true));
  EXPECT_EQ(g->mLastShadowMask, original);
  // A layer one pixel wide at scale 1, shorter than the kernel: even a flat one fades.
  g->SetScreenScale(1.f);
  g->Resize(900, 500, 1.f);
  g->StartLayer(nullptr, IRECT(0.f, 0.f, 1.f, 3.f));
  ILayerPtr small = g->EndLayer();
  auto* tiny = dynamic_cast<TestBitmap*>(small->GetAPIBitmap());
  ASSERT_EQ(tiny->GetWidth(), 1);
  for (size_t i = 3; i < tiny->mPixels.size(); i += 4)
    tiny->mPixels[i] = 255;
  const std::vector<uint8_t> flat = tiny->mPixels;
  g->ApplyShadow(small, IShadow(COLOR_BLACK, 3.f, 0.f, 0.f, 1.f, true));
  EXPECT_EQ(g->mLastShadowMask, DirectBlur(flat, 1, 3, 4.f));
  EXPECT_LT(g->mLastShadowMask[3], 255);

  // A huge blur fades everything and stays cheap.
  g->ApplyShadow(layer, IShadow(COLOR_BLACK, 1e30f, 0.f, 0.f, 1.f, true));
  for (size_t i = 3; i < g->mLastShadowMask.size(); i += 4)
    ASSERT_EQ(g->mLastShadowMask[i], 0);
}

TEST_F(LayerFixture, AnSVGControlDrawsIntoItsLayerOnceAndAgainAfterAScaleChange)
{
  const ISVGImage svg = Parse("icon.svg", R"svg(<svg width="16" height="16">
      <rect width="16" height="16" fill="navy"/><circle cx="8" cy="8" r="4" fill="white"/></svg>)svg");
  ASSERT_TRUE(svg.IsValid());
  auto* c = new ISVGControl(IRECT(100.f, 100.f, 164.f, 164.f), svg, true);
  c->SetBlend(BLEND_25);
  g->AttachControl(c);

  struct Seen
  {
    int fillsInLayer = 0;
    int fillsElsewhere = 0;
    std::vector<DrawCall> bitmaps;
  };
  auto frame = [&]() {
    g->ClearCalls();
    g->Frame();
    Seen seen;
    for (const DrawCall& call : g->Calls())
    {
      if (call.kind == DrawCall::Kind::Fill && call.target && c->GetLayer() && call.target == c->GetLayer()->GetAPIBitmap())
        ++seen.fillsInLayer;
      else if (call.kind == DrawCall::Kind::Fill && call.PathBounds().L >= 100.f)
        ++seen.fillsElsewhere;
      else if (call.kind == DrawCall::Kind::Bitmap)
        seen.bitmaps.push_back(call);
    }
    return seen;
  };

  // First frame: the shapes into the layer (without the blend), the layer to the screen.
  Seen seen = frame();
  ASSERT_NE(c->GetLayer(), nullptr);
  EXPECT_EQ(seen.fillsInLayer, 2);
  EXPECT_EQ(seen.fillsElsewhere, 0);
  ASSERT_EQ(seen.bitmaps.size(), 1u);
  EXPECT_EQ(seen.bitmaps[0].bitmap, c->GetLayer()->GetAPIBitmap());
  EXPECT_EQ(seen.bitmaps[0].target, nullptr);
  EXPECT_EQ(seen.bitmaps[0].rect, IRECT(100.f, 100.f, 164.f, 164.f));
  EXPECT_EQ(seen.bitmaps[0].blend.mWeight, 0.25f);
  EXPECT_EQ(c->GetLayer()->GetAPIBitmap()->GetWidth(), 64);

  // Later frames: the layer only.
  c->SetDirty(false);
  seen = frame();
  EXPECT_EQ(seen.fillsInLayer + seen.fillsElsewhere, 0);
  EXPECT_EQ(seen.bitmaps.size(), 1u);

  // A new screen scale, then a new size: drawn into a new layer each time.
  g->SetScreenScale(2.f);
  seen = frame();
  EXPECT_EQ(seen.fillsInLayer, 2);
  EXPECT_EQ(c->GetLayer()->GetAPIBitmap()->GetWidth(), 128);
  EXPECT_EQ(c->GetLayer()->GetAPIBitmap()->GetScale(), 2.f);
  g->SetControlBounds(c, IRECT(100.f, 100.f, 132.f, 132.f));
  seen = frame();
  EXPECT_EQ(seen.fillsInLayer, 2);
  EXPECT_EQ(c->GetLayer()->GetAPIBitmap()->GetWidth(), 64);

  // Without the layer the shapes go straight to the screen with the blend.
  auto* direct = new ISVGControl(IRECT(200.f, 100.f, 232.f, 132.f), svg);
  direct->SetBlend(BLEND_25);
  g->AttachControl(direct);
  g->ClearCalls();
  g->Frame();
  int directFills = 0;
  for (const DrawCall& call : g->CallsOf(DrawCall::Kind::Fill))
    if (call.PathBounds().L >= 200.f)
    {
      ++directFills;
      EXPECT_EQ(call.target, nullptr);
      EXPECT_EQ(call.blend.mWeight, 0.25f);
    }
  EXPECT_EQ(directFills, 2);
}

TEST_F(LayerFixture, SVGShapesReachThePathsWithHolesPaintsAndStrokes)
{
  const ISVGImage svg = Parse("shapes.svg", R"svg(<svg width="100" height="50">
    <g opacity="0.5">
      <path id="ring" fill="red" fill-opacity="0.5"
            d="M5 25 A20 20 0 1 1 45 25 A20 20 0 1 1 5 25 Z M15 25 A10 10 0 1 0 35 25 A10 10 0 1 0 15 25 Z"/>
    </g>
    <linearGradient id="g" x1="0" y1="0" x2="1" y2="0" spreadMethod="reflect">
      <stop offset="0" stop-color="white"/><stop offset="1" stop-color="blue" stop-opacity="0.5"/>
    </linearGradient>
    <rect x="50" y="0" width="50" height="50" fill="#00ff00" stroke="url(#g)" stroke-width="4"
          stroke-linejoin="round" stroke-linecap="square" stroke-dasharray="3 1" stroke-dashoffset="2"
          stroke-miterlimit="7"/>
    <rect width="10" height="10" visibility="hidden"/>
  </svg>)svg");
  ASSERT_TRUE(svg.IsValid());

  // Fitted to the bounds' height (100 / 50 = 2 against 400 / 100 = 4), at their top-left.
  g->DrawSVG(svg, IRECT(10.f, 20.f, 410.f, 120.f));
  const std::vector<DrawCall> calls = g->Calls();
  ASSERT_EQ(calls.size(), 3u); // ring fill, rect fill, rect stroke; the hidden rect not at all

  const DrawCall& ring = calls[0];
  EXPECT_EQ(ring.kind, DrawCall::Kind::Fill);
  ExpectRect(ring.PathBounds(), IRECT(20.f, 30.f, 100.f, 110.f));
  std::vector<bool> windings;
  for (const PathOp& op : ring.path)
    if (op.kind == PathOp::Kind::Winding)
      windings.push_back(op.clockwise);
  EXPECT_EQ(windings, (std::vector<bool>{false, true})); // the inner circle is a hole
  EXPECT_EQ(ring.CountOps(PathOp::Kind::Close), 2);
  EXPECT_EQ(ring.fill.mFillRule, EFillRule::Preserve);
  EXPECT_FALSE(ring.fill.mPreserve);
  EXPECT_EQ(ring.Color(), IColor(64, 255, 0, 0)); // 0.5 of fill-opacity 0.5
  EXPECT_FALSE(ring.hasBlend);

  const DrawCall& fill = calls[1];
  EXPECT_TRUE(fill.fill.mPreserve); // the stroke follows on the same path
  EXPECT_EQ(fill.Color(), COLOR_GREEN);
  const DrawCall& stroke = calls[2];
  EXPECT_EQ(stroke.kind, DrawCall::Kind::Stroke);
  EXPECT_EQ(stroke.thickness, 4.f);
  EXPECT_EQ(stroke.stroke.mJoinOption, ELineJoin::Round);
  EXPECT_EQ(stroke.stroke.mCapOption, ELineCap::Square);
  EXPECT_EQ(stroke.stroke.mMiterLimit, 7.f);
  EXPECT_EQ(stroke.stroke.mDash.mCount, 2);
  EXPECT_EQ(stroke.stroke.mDash.mArray[0], 3.f);
  EXPECT_EQ(stroke.stroke.mDash.mOffset, 2.f);
  EXPECT_EQ(stroke.pattern.mType, EPatternType::Linear);
  EXPECT_EQ(stroke.pattern.mExtend, 2); // reflect
  ASSERT_EQ(stroke.pattern.mNStops, 2);
  EXPECT_EQ(stroke.pattern.GetStop(1).mColor, IColor(128, 0, 0, 255));
  // Along x over the rectangle, in the document's coordinates.
  double x = 100.0, y = 10.0;
  stroke.pattern.mTransform.TransformPoint(x, y);
  EXPECT_NEAR(y, 1.0, 1e-6);

  // Colour overrides replace the paints; rotated drawing turns about the centre.
  g->ClearCalls();
  const IColor blue = COLOR_BLUE, white = COLOR_WHITE;
  g->DrawSVG(svg, IRECT(0.f, 0.f, 100.f, 50.f), &BLEND_10, &blue, &white);
  ASSERT_EQ(g->Calls().size(), 3u);
  EXPECT_EQ(g->Calls()[0].Color(), white);
  EXPECT_EQ(g->Calls()[2].pattern.mType, EPatternType::Solid);
  EXPECT_EQ(g->Calls()[2].Color(), blue);
  EXPECT_EQ(g->Calls()[2].blend.mWeight, 0.1f);
  g->ClearCalls();
  g->DrawRotatedSVG(svg, 50.f, 50.f, 100.f, 50.f, 90.0);
  ExpectRect(g->Calls()[0].PathBounds(), IRECT(30.f, 5.f, 70.f, 45.f));
  EXPECT_EQ(g->GetTransformStackDepth(), 0);

  // Nothing to draw: no document, or one of no size.
  g->ClearCalls();
  g->DrawSVG(ISVGImage(), IRECT(0.f, 0.f, 10.f, 10.f));
  g->DrawSVG(Parse("empty.svg", "<svg/>"), IRECT(0.f, 0.f, 10.f, 10.f));
  EXPECT_TRUE(g->Calls().empty());
}

// The hole test walks only the sub-paths whose bounds hold the first point of the one tested,
// so a frame with many islands costs in proportion to the islands; past the stated number of
// sub-paths a shape is drawn solid, sub-path by sub-path, at no cost.
TEST_F(LayerFixture, SVGHoleTestsCostInProportionToTheShape)
{
  auto squares = [](int n, bool frame) {
    std::string d = frame ? "M0 0 H1000 V1000 H0 Z " : "";
    for (int k = 0; k < n; ++k)
    {
      const int x = 10 + 3 * (k % 300), y = 10 + 3 * (k / 300);
      d += "M" + std::to_string(x) + " " + std::to_string(y) + " h1 v1 h-1 Z ";
    }
    return "<svg width='1000' height='1000'><path d='" + d + "'/></svg>";
  };
  auto holes = [](const ISVGImage& svg, long& chords) {
    std::vector<bool> out;
    const standin::svg::Shape& shape = svg.mImage->shapes.at(0);
    for (size_t i = 0; i < shape.paths.size(); ++i)
      out.push_back(IsSVGHole(shape, i, &chords));
    return out;
  };

  // A frame round 200 islands: every island is a hole, found by walking the frame alone.
  const ISVGImage framed = Parse("framed.svg", squares(200, true));
  ASSERT_TRUE(framed.IsValid());
  long chords = 0;
  std::vector<bool> expected(201, true);
  expected[0] = false;
  EXPECT_EQ(holes(framed, chords), expected);
  EXPECT_LE(chords, 200 * 5);

  // 16,000 islands: past the limit, all solid, and drawing them walks no outline.
  const ISVGImage many = Parse("many.svg", squares(16000, false));
  ASSERT_TRUE(many.IsValid());
  chords = 0;
  EXPECT_EQ(holes(many, chords), std::vector<bool>(16000, false));
  EXPECT_EQ(chords, 0);
  g->DrawSVG(many, IRECT(0.f, 0.f, 100.f, 100.f));
  ASSERT_EQ(g->Calls().size(), 1u);
  EXPECT_EQ(g->Calls()[0].CountOps(PathOp::Kind::Winding), 16000);
}

// A document too small (or bounds too large) for its scale to be a number draws nothing
// rather than handing on points that are not numbers.
TEST_F(LayerFixture, SVGDrawingHandsOnOnlyFinitePoints)
{
  const ISVGImage tiny = Parse("tiny.svg", "<svg width='1e-38' height='1e-38'><rect width='1e-38' height='1e-38'/></svg>");
  const ISVGImage far = Parse("far.svg", "<svg width='1e-30' height='1e-30'><rect x='3e38' width='1e37' height='1'/>"
                                         "<rect width='1e-30' height='1e-30'/></svg>");
  ASSERT_TRUE(tiny.IsValid() && far.IsValid());
  g->DrawSVG(tiny, IRECT(0.f, 0.f, 100.f, 100.f));
  g->DrawSVG(far, IRECT(0.f, 0.f, 100.f, 100.f));
  const float inf = std::numeric_limits<float>::infinity();
  g->DrawSVG(far, IRECT(0.f, 0.f, inf, inf));
  for (const DrawCall& call : g->Calls())
    for (const PathPoint& p : call.Points())
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << p.x << ", " << p.y;
  // The far document's small rectangle still fills the bounds.
  ASSERT_EQ(g->Calls().size(), 1u);
  ExpectRect(g->Calls()[0].PathBounds(), IRECT(0.f, 0.f, 100.f, 100.f));
}
