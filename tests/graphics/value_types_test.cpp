// Value types of the toolkit: the rectangle rules the drawing pass and clipping rely on,
// transform algebra, paints, the vector colour table and the constants where the two
// descriptions of the toolkit differ.

#include <gtest/gtest.h>

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"

using namespace plug::igraphics;

namespace {

void ExpectPoint(const IMatrix& m, double x, double y, double ex, double ey)
{
  m.TransformPoint(x, y);
  EXPECT_NEAR(x, ex, 1e-6); // angles turn in single precision
  EXPECT_NEAR(y, ey, 1e-6);
}

} // namespace

TEST(Rect, IntersectUnionContainAndAlign)
{
  const IRECT area(10.f, 10.f, 50.f, 50.f);
  // Touching the area's left edge gives a zero-width rectangle there, not the empty one.
  EXPECT_EQ(IRECT(0.f, 20.f, 10.f, 30.f).Intersect(area), IRECT(10.f, 20.f, 10.f, 30.f));
  EXPECT_FALSE(IRECT(0.f, 20.f, 10.f, 30.f).Intersect(area).Empty());
  // An empty rectangle clips to the whole area; outside the area, or an empty area, gives empty.
  EXPECT_EQ(IRECT().Intersect(area), area);
  EXPECT_TRUE(IRECT(60.f, 60.f, 70.f, 70.f).Intersect(area).Empty());
  EXPECT_TRUE(IRECT(1.f, 1.f, 5.f, 5.f).Intersect(IRECT()).Empty());
  EXPECT_EQ(IRECT(0.f, 0.f, 20.f, 20.f).Intersect(area), IRECT(10.f, 10.f, 20.f, 20.f));

  // An empty rectangle contributes nothing to a union.
  EXPECT_EQ(IRECT().Union(area), area);
  EXPECT_EQ(area.Union(IRECT()), area);
  EXPECT_EQ(area.Union(IRECT(0.f, 40.f, 20.f, 60.f)), IRECT(0.f, 10.f, 50.f, 60.f));

  // Right and bottom edges are outside; an all-zero rectangle holds no point.
  EXPECT_TRUE(area.Contains(10.f, 10.f));
  EXPECT_FALSE(area.Contains(50.f, 20.f));
  EXPECT_FALSE(area.Contains(20.f, 50.f));
  EXPECT_FALSE(IRECT().Contains(0.f, 0.f));

  // Outward alignment at scale 2.
  EXPECT_EQ(IRECT(10.3f, 10.3f, 20.2f, 20.2f).GetPixelAligned(2.f), IRECT(10.f, 10.f, 20.5f, 20.5f));
}

TEST(Matrix, OperationsActBeforeTheHeldTransform)
{
  IMatrix m;
  m.Translate(10.f, 20.f).Rotate(90.f); // rotate first, then translate
  ExpectPoint(m, 1.0, 0.0, 10.0, 21.0); // 90 degrees turns right into down (clockwise)

  IMatrix s;
  s.Scale(2.f, 3.f).Translate(1.f, 1.f); // translate in scaled units
  ExpectPoint(s, 0.0, 0.0, 2.0, 3.0);

  IMatrix k;
  k.Skew(45.f, 0.f);
  ExpectPoint(k, 0.0, 1.0, 1.0, 1.0);

  // Transform(m): m is applied first.
  IMatrix a;
  a.Translate(5.f, 0.f);
  IMatrix b;
  b.Scale(2.f, 2.f);
  IMatrix ab = a;
  ab.Transform(b);
  ExpectPoint(ab, 1.0, 1.0, 7.0, 2.0);

  // The inverse undoes it; a singular transform inverts to the identity.
  const IMatrix inv = m.Inverted();
  double x = 3.0, y = -4.0;
  m.TransformPoint(x, y);
  inv.TransformPoint(x, y);
  EXPECT_NEAR(x, 3.0, 1e-9);
  EXPECT_NEAR(y, -4.0, 1e-9);
  EXPECT_EQ(IMatrix(0, 0, 0, 0, 1, 1).Inverted(), IMatrix());
}

TEST(Pattern, GradientsMapTheirGeometryToUnitSpace)
{
  // A radial gradient given 20 stops keeps the first 16; its transform puts the centre at
  // the origin and the radius at 1.
  IPattern radial = IPattern::CreateRadialGradient(30.f, 40.f, 10.f);
  for (int i = 0; i < 20; ++i)
    radial.AddStop(IColor(255, i, 0, 0), i / 20.f);
  EXPECT_EQ(radial.mNStops, 16);
  EXPECT_EQ(radial.GetStop(15).mColor.R, 15);
  EXPECT_EQ(radial.mType, EPatternType::Radial);
  ExpectPoint(radial.mTransform, 30.0, 40.0, 0.0, 0.0);
  ExpectPoint(radial.mTransform, 40.0, 40.0, 1.0, 0.0);

  const IPattern linear = IPattern::CreateLinearGradient(10.f, 10.f, 10.f, 30.f, {{COLOR_RED, 0.f}, {COLOR_BLUE, 1.f}});
  EXPECT_EQ(linear.mNStops, 2);
  ExpectPoint(linear.mTransform, 10.0, 10.0, 0.0, 0.0);
  ExpectPoint(linear.mTransform, 10.0, 30.0, 0.0, 1.0);

  // A plain colour is a solid pattern with the colour as its only stop.
  const IPattern solid(COLOR_GREEN);
  EXPECT_EQ(solid.mType, EPatternType::Solid);
  EXPECT_EQ(solid.mNStops, 1);
  EXPECT_EQ(solid.GetStop(0).mColor, COLOR_GREEN);
  EXPECT_EQ(solid.GetStop(1).mColor, COLOR_BLACK);
}

TEST(Style, ColourTableAndConstants)
{
  // A colour spec of three colours takes the default table from slot 3 on.
  const IVColorSpec spec{COLOR_RED, COLOR_GREEN, COLOR_BLUE};
  EXPECT_EQ(spec[kBG], COLOR_RED);
  EXPECT_EQ(spec[kPR], COLOR_BLUE);
  EXPECT_EQ(spec[kFR], COLOR_DARK_GRAY);
  EXPECT_EQ(spec[kSH], IColor(60, 0, 0, 0));
  EXPECT_EQ(spec[kX3], COLOR_BLUE);

  // Where the toolkit's two descriptions differ, the core's holds: grey is 127 and mid grey
  // 200; the default text is centred in the middle.
  EXPECT_EQ(COLOR_GRAY, IColor(255, 127, 127, 127));
  EXPECT_EQ(COLOR_MID_GRAY, IColor(255, 200, 200, 200));
  EXPECT_EQ(DEFAULT_TEXT.mVAlign, EVAlign::Middle);
  EXPECT_STREQ(DEFAULT_TEXT.mFont, "Roboto-Regular");
  EXPECT_EQ(DEFAULT_LABEL_TEXT.mSize, 19.f);
  EXPECT_EQ(DEFAULT_LABEL_TEXT.mVAlign, EVAlign::Top);
  EXPECT_EQ(DEFAULT_VALUE_TEXT.mVAlign, EVAlign::Bottom);

  EXPECT_TRUE(DEFAULT_STYLE.showLabel && DEFAULT_STYLE.showValue && DEFAULT_STYLE.drawFrame &&
              DEFAULT_STYLE.drawShadows && DEFAULT_STYLE.hideCursor);
  EXPECT_FALSE(DEFAULT_STYLE.emboss);
  EXPECT_EQ(DEFAULT_STYLE.shadowOffset, 3.f);
  EXPECT_EQ(DEFAULT_STYLE.colorSpec[kFG], COLOR_MID_GRAY);
  EXPECT_EQ(DEFAULT_STYLE.labelText.mSize, 19.f);

  // The disabled look: -63 on each colour component, clamped.
  EXPECT_EQ(IColor(255, 200, 200, 40).WithContrast(-0.25f), IColor(255, 137, 137, 0));
}
