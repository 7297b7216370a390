// The drawing interface through a recording renderer: the geometry every shape hands to the
// path primitives (after the transform), the transform stack, bitmap frames, lines at
// normalised positions, text conveniences and rotated-text geometry.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ExpectRect.h"
#include "HeadlessGraphics.h"
#include "TestDelegate.h"

using namespace testgraphics;
using Kind = PathOp::Kind;

namespace {

struct DrawingFixture : ::testing::Test
{
  DrawingFixture() : dlg(2), g(dlg, 200, 100) {}

  const DrawCall& Only(DrawCall::Kind kind)
  {
    const std::vector<DrawCall> calls = g.CallsOf(kind);
    EXPECT_EQ(calls.size(), 1u);
    static DrawCall none;
    last = calls.empty() ? none : calls.back();
    return last;
  }

  TestDelegate dlg;
  HeadlessGraphics g;
  DrawCall last;
};

void ExpectPoint(const PathPoint& p, float x, float y)
{
  EXPECT_NEAR(p.x, x, 1e-4f);
  EXPECT_NEAR(p.y, y, 1e-4f);
}

} // namespace

TEST_F(DrawingFixture, RoundedRectangles)
{
  // All radii 0: exactly the four corners, closed.
  g.DrawRoundRect(COLOR_BLUE, IRECT(10.f, 20.f, 110.f, 70.f), 0.f, nullptr, 2.f);
  const DrawCall& square = Only(DrawCall::Kind::Stroke);
  ASSERT_EQ(square.path.size(), 5u);
  EXPECT_EQ(square.path[0].kind, Kind::Move);
  EXPECT_EQ(square.path[4].kind, Kind::Close);
  const std::vector<PathPoint> corners = square.Points();
  ExpectPoint(corners[0], 10.f, 20.f);
  ExpectPoint(corners[1], 110.f, 20.f);
  ExpectPoint(corners[2], 110.f, 70.f);
  ExpectPoint(corners[3], 10.f, 70.f);
  EXPECT_EQ(square.Color(), COLOR_BLUE);
  EXPECT_EQ(square.thickness, 2.f);
  EXPECT_FALSE(square.hasBlend);
  EXPECT_EQ(square.stroke.mMiterLimit, 10.f);
  EXPECT_EQ(square.stroke.mDash.mCount, 0);

  // Radius 8: the corner arcs run clockwise from 0 up, and the outline stays in the bounds.
  g.ClearCalls();
  const IBlend blend(EBlend::SrcOver, 0.5f);
  g.FillRoundRect(COLOR_RED, IRECT(10.f, 20.f, 110.f, 70.f), 8.f, &blend);
  const DrawCall& round = Only(DrawCall::Kind::Fill);
  EXPECT_EQ(round.CountOps(Kind::Arc), 4);
  ExpectPoint(round.path[0].points[0], 10.f, 28.f);
  ExpectPoint(round.path[1].points.front(), 10.f, 28.f); // 270 degrees: left of the centre
  ExpectPoint(round.path[1].points.back(), 18.f, 20.f);  // 360: above it
  ExpectRect(round.PathBounds(), 10.f, 20.f, 110.f, 70.f);
  ASSERT_TRUE(round.hasBlend);
  EXPECT_EQ(round.blend.mWeight, 0.5f);
}

TEST_F(DrawingFixture, EllipsesKeepTheTransformStack)
{
  g.PathTransformTranslate(5.f, 5.f);
  const IMatrix before = g.GetTransform();

  // Rotated by 90 degrees the radii swap axes; the transform comes back as it was.
  g.DrawEllipse(COLOR_BLACK, 50.f, 40.f, 20.f, 10.f, 90.f);
  ExpectRect(Only(DrawCall::Kind::Stroke).PathBounds(), 45.f, 25.f, 65.f, 65.f);
  EXPECT_EQ(g.GetTransformStackDepth(), 0);
  EXPECT_EQ(g.GetTransform(), before);

  // A zero radius adds nothing and leaves the stack as deep as before.
  g.PathTransformSave();
  g.ClearCalls();
  g.DrawEllipse(COLOR_BLACK, 50.f, 40.f, 0.f, 10.f);
  g.FillEllipse(COLOR_BLACK, IRECT(10.f, 10.f, 10.f, 30.f));
  for (const DrawCall& c : g.Calls())
    EXPECT_TRUE(c.path.empty());
  EXPECT_EQ(g.GetTransformStackDepth(), 1);
  EXPECT_EQ(g.GetTransform(), before);

  // Circles start at the top and go all the way round.
  g.ClearCalls();
  g.FillCircle(COLOR_BLACK, 100.f, 50.f, 10.f);
  const DrawCall& circle = Only(DrawCall::Kind::Fill);
  ExpectPoint(circle.path[0].points[0], 105.f, 45.f); // (100, 40) translated by (5, 5)
  EXPECT_EQ(circle.path[1].a1, 0.f);
  EXPECT_EQ(circle.path[1].a2, 360.f);
  ExpectRect(circle.PathBounds(), 95.f, 45.f, 115.f, 65.f);
}

TEST_F(DrawingFixture, TransformsReachTheRenderer)
{
  g.PathTransformTranslate(10.f, 0.f);
  g.PathTransformRotate(90.f);
  g.PathTransformSave();
  g.PathTransformScale(2.f);
  g.PathMoveTo(5.f, 0.f);
  g.PathTransformRestore();
  g.PathLineTo(5.f, 0.f);
  g.PathTransformSkew(45.f, 0.f);
  g.PathLineTo(0.f, 1.f);
  g.PathStroke(COLOR_BLACK, 1.f);
  const std::vector<PathPoint> pts = Only(DrawCall::Kind::Stroke).Points();
  ExpectPoint(pts[0], 10.f, 10.f); // scaled, rotated to point down, translated
  ExpectPoint(pts[1], 10.f, 5.f);
  ExpectPoint(pts[2], 9.f, 1.f); // skewed: (0, 1) -> (1, 1) before the rotation

  // Restoring an empty stack changes nothing; resetting can drop the saved transforms.
  const IMatrix held = g.GetTransform();
  g.PathTransformRestore();
  EXPECT_EQ(g.GetTransform(), held);
  g.PathTransformSave();
  g.PathTransformReset(true);
  EXPECT_EQ(g.GetTransform(), IMatrix());
  EXPECT_EQ(g.GetTransformStackDepth(), 0);
}

TEST_F(DrawingFixture, LinesAtAnglesAndNormalisedPositions)
{
  // 0 degrees points up, 90 right, 180 down.
  g.DrawRadialLine(COLOR_BLACK, 50.f, 50.f, 90.f, 10.f, 30.f);
  std::vector<PathPoint> pts = Only(DrawCall::Kind::Stroke).Points();
  ExpectPoint(pts[0], 60.f, 50.f);
  ExpectPoint(pts[1], 80.f, 50.f);
  g.ClearCalls();
  g.PathRadialLine(50.f, 50.f, 0.f, 10.f, 30.f);
  g.PathRadialLine(50.f, 50.f, 180.f, 0.f, 5.f);
  g.PathStroke(COLOR_BLACK, 1.f);
  pts = Only(DrawCall::Kind::Stroke).Points();
  ExpectPoint(pts[0], 50.f, 40.f);
  ExpectPoint(pts[1], 50.f, 20.f);
  ExpectPoint(pts[3], 50.f, 55.f);

  // Vertical lines land on whole points (truncated), horizontal ones do not.
  const IRECT box(0.f, 0.f, 10.f, 10.f);
  auto lineOf = [this](auto draw) {
    g.ClearCalls();
    draw();
    return Only(DrawCall::Kind::Stroke).Points();
  };
  pts = lineOf([&] { g.DrawVerticalLine(COLOR_BLACK, box, 0.55f); });
  ExpectPoint(pts[0], 5.f, 0.f);
  ExpectPoint(pts[1], 5.f, 10.f);
  pts = lineOf([&] { g.DrawHorizontalLine(COLOR_BLACK, box, 0.55f); });
  ExpectPoint(pts[0], 0.f, 4.5f);
  ExpectPoint(pts[1], 10.f, 4.5f);
  pts = lineOf([&] { g.DrawLineAcross(COLOR_BLACK, box, EDirection::Vertical, 0.99f); });
  EXPECT_EQ(pts[0].x, 9.f);
  pts = lineOf([&] { g.DrawLineAcross(COLOR_BLACK, box, EDirection::Horizontal, 1.7f); }); // clamped: the top
  EXPECT_EQ(pts[0].y, 0.f);

  // A dotted line carries one dash of the given length.
  g.ClearCalls();
  g.DrawDottedLine(COLOR_BLACK, 0.f, 0.f, 10.f, 0.f, nullptr, 1.f, 3.f);
  const DrawCall& dotted = Only(DrawCall::Kind::Stroke);
  EXPECT_EQ(dotted.stroke.mDash.mCount, 1);
  EXPECT_EQ(dotted.stroke.mDash.mArray[0], 3.f);
}

TEST_F(DrawingFixture, BitmapFramesAreSelectedAndClamped)
{
  // 3 stacked frames in a 30 by 90 pixel image at scale 1.
  TestBitmap stacked(30, 90, 1.f, 1.f);
  const IBitmap strip(&stacked, 3, false, "strip.png");
  EXPECT_EQ(strip.FH(), 30.f);
  auto srcOf = [&](const IBitmap& bitmap, int frame) {
    g.ClearCalls();
    g.DrawBitmapFrame(bitmap, IRECT(0.f, 0.f, 30.f, 30.f), frame);
    const DrawCall& call = Only(DrawCall::Kind::Bitmap);
    return std::make_pair(call.srcX, call.srcY);
  };
  EXPECT_EQ(srcOf(strip, 0), std::make_pair(0, 0)); // below 1: frame 1
  EXPECT_EQ(srcOf(strip, 2), std::make_pair(0, 30));
  EXPECT_EQ(srcOf(strip, 99), std::make_pair(0, 60)); // beyond the last: the last

  // 10 frames side by side, 200 pixels at scale 2: 100 points, 10 per frame.
  TestBitmap wide(200, 20, 2.f, 1.f);
  const IBitmap row(&wide, 10, true);
  EXPECT_EQ(row.W(), 100);
  EXPECT_EQ(srcOf(row, 99), std::make_pair(90, 0));

  // Fewer than one frame counts as one; a bitmap without an image draws nothing.
  EXPECT_EQ(srcOf(IBitmap(&stacked, 0, false), 3), std::make_pair(0, 0));
  g.ClearCalls();
  g.DrawBitmapFrame(IBitmap(), IRECT(0.f, 0.f, 10.f, 10.f), 2);
  g.DrawFittedBitmap(IBitmap(), IRECT(0.f, 0.f, 10.f, 10.f));
  g.DrawRotatedBitmap(IBitmap(), 5.f, 5.f, 30.0);
  EXPECT_TRUE(g.Calls().empty());

  // Fitted bitmaps stretch to the bounds; rotated ones turn about their centre.
  g.DrawFittedBitmap(strip, IRECT(10.f, 10.f, 70.f, 40.f));
  ExpectRect(Only(DrawCall::Kind::Bitmap).deviceRect, 10.f, 10.f, 70.f, 40.f);
  g.ClearCalls();
  g.DrawRotatedBitmap(strip, 100.f, 50.f, 90.0);
  ExpectRect(Only(DrawCall::Kind::Bitmap).deviceRect, 55.f, 35.f, 145.f, 65.f);
  EXPECT_EQ(g.GetTransformStackDepth(), 0);
}

TEST_F(DrawingFixture, BitmapTextMapsCharactersToFrames)
{
  // A font of 95 frames (space to '~'), 6 by 12 points each, side by side.
  TestBitmap font(6 * 95, 12, 1.f, 1.f);
  const IBitmap bitmapFont(&font, 95, true);
  IText text;
  text.mAlign = EAlign::Near;
  g.DrawBitmapText(bitmapFont, IRECT(0.f, 0.f, 60.f, 12.f), text, nullptr, "A\t\x7f", false);
  const std::vector<DrawCall> chars = g.CallsOf(DrawCall::Kind::Bitmap);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].srcX, ('A' - 32) * 6);
  EXPECT_EQ(chars[1].srcX, 0);       // a tab is the space
  EXPECT_EQ(chars[2].srcX, 94 * 6);  // beyond the last frame: the last
  ExpectRect(chars[1].rect, 6.f, 0.f, 12.f, 12.f);

  // Too narrow for one character: nothing.
  g.ClearCalls();
  g.DrawBitmapText(bitmapFont, IRECT(0.f, 0.f, 5.f, 12.f), text, nullptr, "AB");
  EXPECT_TRUE(g.Calls().empty());
}

TEST_F(DrawingFixture, PlotsGridsAndPoints)
{
  // No values: nothing at all, not even a cleared path; one value: only a move.
  const float ys[3] = {0.f, 1.f, 0.5f};
  g.DrawData(COLOR_BLACK, IRECT(0.f, 0.f, 100.f, 10.f), ys, 0);
  EXPECT_TRUE(g.Calls().empty());
  g.DrawData(COLOR_BLACK, IRECT(0.f, 0.f, 100.f, 10.f), ys, 1);
  EXPECT_EQ(Only(DrawCall::Kind::Stroke).path.size(), 1u);

  // With a fill colour the path is filled, kept, then stroked.
  g.ClearCalls();
  const IColor fill = COLOR_GREEN;
  g.DrawData(COLOR_BLACK, IRECT(0.f, 0.f, 100.f, 10.f), ys, 3, nullptr, nullptr, 1.f, &fill);
  ASSERT_EQ(g.Calls().size(), 2u);
  EXPECT_EQ(g.Calls()[0].kind, DrawCall::Kind::Fill);
  EXPECT_TRUE(g.Calls()[0].fill.mPreserve);
  const std::vector<PathPoint> pts = g.Calls()[1].Points();
  ExpectPoint(pts[1], 50.f, 0.f);
  ExpectPoint(pts[2], 100.f, 5.f);

  // A grid wider than the bounds draws no vertical line.
  g.ClearCalls();
  g.DrawLineGrid(COLOR_BLACK, IRECT(0.f, 0.f, 40.f, 40.f), 50.f, 10.f);
  const DrawCall& grid = Only(DrawCall::Kind::Stroke);
  EXPECT_EQ(grid.CountOps(Kind::Move), 3); // y = 10, 20, 30
  for (const PathOp& op : grid.path)
  {
    if (op.kind == Kind::Move)
    {
      EXPECT_EQ(op.points[0].x, 0.f);
    }
  }

  // A point is a one-point square; a filled arc is a pie slice.
  g.ClearCalls();
  g.DrawPoint(COLOR_BLACK, 3.f, 4.f);
  ExpectRect(Only(DrawCall::Kind::Fill).PathBounds(), 3.f, 4.f, 4.f, 5.f);
  g.ClearCalls();
  g.FillArc(COLOR_BLACK, 50.f, 50.f, 10.f, 0.f, 90.f);
  const DrawCall& pie = Only(DrawCall::Kind::Fill);
  ExpectPoint(pie.path[0].points[0], 50.f, 50.f);
  EXPECT_EQ(pie.path.back().kind, Kind::Close);
}

TEST_F(DrawingFixture, TextConveniencesAndRotatedGeometry)
{
  IRECT measured;
  EXPECT_EQ(g.MeasureText(DEFAULT_TEXT, "", measured), 0.f);
  EXPECT_EQ(g.MeasureText(DEFAULT_TEXT, nullptr, measured), 0.f);
  g.DrawText(DEFAULT_TEXT, "", IRECT(0.f, 0.f, 10.f, 10.f));
  g.DrawMultiLineText(DEFAULT_TEXT, "x", IRECT(0.f, 0.f, 100.f, 20.f));
  const DrawCall& unsupported = Only(DrawCall::Kind::Text);
  EXPECT_EQ(unsupported.text, "Unsupported");

  // The text box is placed by the alignments; a zero-size rectangle anchors at a point.
  g.ClearCalls();
  g.DrawTextAt(DEFAULT_TEXT.WithAlign(EAlign::Near).WithVAlign(EVAlign::Top), "abcd", 10.f, 20.f);
  ExpectRect(Only(DrawCall::Kind::Text).deviceRect, 10.f, 20.f, 38.f, 34.f);

  // Turned by 90 degrees, a 20 by 10 box becomes 10 by 20, centred in the bounds.
  const IText turned = DEFAULT_TEXT.WithAngle(90.f);
  IRECT rect(0.f, 0.f, 20.f, 10.f);
  double tx = 0.0, ty = 0.0;
  g.CalculateTextRotationBounds(turned, IRECT(100.f, 100.f, 140.f, 140.f), rect, tx, ty);
  ExpectRect(rect, -10.f, 0.f, 0.f, 20.f);
  EXPECT_NEAR(tx, 125.0, 1e-4);
  EXPECT_NEAR(ty, 110.0, 1e-4);
  rect = IRECT(0.f, 0.f, 20.f, 10.f);
  g.CalculateTextRotation(turned, IRECT(100.f, 100.f, 140.f, 140.f), rect);
  ExpectRect(rect, 115.f, 110.f, 125.f, 130.f);
  // Angle 0 changes nothing.
  rect = IRECT(1.f, 2.f, 3.f, 4.f);
  g.CalculateTextRotation(DEFAULT_TEXT, IRECT(0.f, 0.f, 50.f, 50.f), rect);
  EXPECT_EQ(rect, IRECT(1.f, 2.f, 3.f, 4.f));
}
