// The XY pad, plot, group, colour swatch, vector label, slide switch and menu button attached to
// a headless graphics context and driven by its events: the values they send, the layout they
// take and the drawing each records.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ExpectRect.h"
#include "StockFixture.h"
#include "TestControl.h"
#include "graphics/controls/IVMiscControls.h"
#include "graphics/controls/IVPadControls.h"

using namespace testgraphics;

namespace {

const IVStyle kFlat = kBare.WithDrawFrame(false).WithDrawShadows(false);

std::vector<DrawCall> OfKind(const std::vector<DrawCall>& calls, DrawCall::Kind kind)
{
  std::vector<DrawCall> found;
  for (const DrawCall& call : calls)
    if (call.kind == kind)
      found.push_back(call);
  return found;
}

bool DrawsText(const std::vector<DrawCall>& calls, const std::string& text)
{
  for (const DrawCall& call : OfKind(calls, DrawCall::Kind::Text))
    if (call.text == text)
      return true;
  return false;
}

} // namespace

TEST_F(StockFixture, XYPadSetsBothValuesFromThePointerWithinItsBounds)
{
  dlg.GetParam(3)->DefineDouble("Y", 0.0, 0.0, 1.0, 0.001);
  auto* pad = Attach(new IVXYPadControl(IRECT(0.f, 0.f, 200.f, 200.f), {0, 3}, "", kBare, 10.f, false, true));
  dlg.mLog.clear();
  Down(50.f, 150.f);
  EXPECT_TRUE(g->IsCursorHidden());
  Drag(-40.f, -40.f, -90.f, -190.f); // beyond the top-left corner
  Up(-40.f, -40.f);
  EXPECT_FALSE(g->IsCursorHidden());
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 0 0.25", "value 3 0.25", "value 0 0", "value 3 1",
                                                   "value 0 0", "value 3 1"}));
  EXPECT_EQ(dlg.OpenGestures(0) + dlg.OpenGestures(3), 0);

  // The handle travels over the widget less its radius; the cross runs through the middle.
  const std::vector<DrawCall> calls = DrawOf(pad);
  const std::vector<DrawCall> handle = OfColor(calls, DEFAULT_FGCOLOR);
  ASSERT_EQ(handle.size(), 1u);
  ExpectRect(handle[0].PathBounds(), 0.f, 0.f, 20.f, 20.f, 0.05f);
  const std::vector<DrawCall> cross = OfColor(calls, DEFAULT_SHCOLOR);
  ASSERT_GE(cross.size(), 2u);
  ExpectRect(cross[0].PathBounds(), 0.f, 100.f, 200.f, 100.f);
  ExpectRect(cross[1].PathBounds(), 100.f, 0.f, 100.f, 200.f);

  // With the track clipping the handle it reaches the widget's edge, clipped inside the frame.
  auto* clipped = Attach(new IVXYPadControl(IRECT(300.f, 0.f, 400.f, 100.f), {-1, -1}, "", kBare));
  ExpectRect(clipped->GetHandleBounds(), 290.f, 90.f, 310.f, 110.f);
  g->ClearCalls();
  g->SetAllControlsDirty();
  g->Frame();
  int clips = 0;
  for (const DrawCall& clip : g->CallsOf(DrawCall::Kind::Clip))
    clips += clip.rect == IRECT(300.5f, 0.5f, 399.5f, 99.5f) ? 1 : 0;
  EXPECT_EQ(clips, 1);
}

TEST_F(StockFixture, PlotScalesCurvesIntoItsAreaAndSkipsWhatCannotBeDrawn)
{
  auto identity = [](double x) { return x; };
  auto* plot = Attach(new IVPlotControl(IRECT(0.f, 0.f, 100.f, 120.f), {{COLOR_RED, identity}}, 11, "", kBare,
                                        0.f, 1.f));
  // A grid row (120 / 12) off the top and the bottom: a diagonal from bottom-left to top-right.
  std::vector<DrawCall> curve = OfColor(DrawOf(plot), COLOR_RED);
  ASSERT_EQ(curve.size(), 1u);
  const std::vector<PathPoint> points = curve[0].Points();
  ASSERT_EQ(points.size(), 11u);
  EXPECT_EQ(points.front(), (PathPoint{0.f, 110.f}));
  EXPECT_EQ(points.back(), (PathPoint{100.f, 10.f}));
  EXPECT_EQ(curve[0].thickness, 2.f);

  // A curve of no number stays on the plot; one point, or no range, draws no curve at all.
  plot->AddPlotFunc(COLOR_BLUE, [](double) { return std::numeric_limits<double>::quiet_NaN(); });
  curve = OfColor(DrawOf(plot), COLOR_BLUE);
  ASSERT_EQ(curve.size(), 1u);
  for (const PathPoint& p : curve[0].Points())
    EXPECT_EQ(p.y, 110.f);
  auto* single = Attach(new IVPlotControl(IRECT(0.f, 0.f, 100.f, 120.f), {{COLOR_RED, identity}}, 1, "", kBare));
  auto* flat = Attach(new IVPlotControl(IRECT(0.f, 0.f, 100.f, 120.f), {{COLOR_RED, identity}}, 5, "", kBare,
                                        0.5f, 0.5f));
  EXPECT_TRUE(OfColor(DrawOf(single), COLOR_RED).empty());
  EXPECT_TRUE(OfColor(DrawOf(flat), COLOR_RED).empty());
  EXPECT_FALSE(OfColor(DrawOf(flat), DEFAULT_SHCOLOR).empty()); // the grid still

  // In a layer the curves are drawn once, and again only when a curve is added.
  auto* layered = Attach(new IVPlotControl(IRECT(0.f, 0.f, 100.f, 120.f), {{COLOR_RED, identity}}, 11, "", kBare,
                                           0.f, 1.f, true));
  const int offscreens = g->mOffscreens;
  EXPECT_EQ(OfColor(DrawOf(layered), COLOR_RED).size(), 1u);
  EXPECT_TRUE(OfColor(DrawOf(layered), COLOR_RED).empty());
  layered->AddPlotFunc(COLOR_BLUE, identity);
  EXPECT_EQ(OfColor(DrawOf(layered), COLOR_BLUE).size(), 1u);
  EXPECT_EQ(g->mOffscreens, offscreens + 2);
}

TEST_F(StockFixture, GroupFramesItsGroupWithTheLabelInAGapOfTheOutline)
{
  g->AttachControl(new TestControl(IRECT(100.f, 100.f, 150.f, 120.f)), -1, "knobs");
  g->AttachControl(new TestControl(IRECT(160.f, 130.f, 200.f, 150.f)), -1, "knobs");
  g->AttachControl(new TestControl(IRECT(0.f, 0.f, 10.f, 10.f)), -1, "other");
  auto* group = Attach(new IVGroupControl("Knobs", "knobs", 10.f, 10.f, 10.f, 10.f));
  ExpectRect(group->GetRECT(), 90.f, 90.f, 210.f, 160.f);

  // The label (47.5 by 19) moves to 90 + frame 1 + offset 10 and widens by 10 each side; the
  // outline's top runs through its middle, from its right end clockwise round to its left.
  ExpectRect(group->GetLabelBounds(), 101.f, 90.f, 168.5f, 109.f);
  const std::vector<DrawCall> outline = OfKind(DrawOf(group), DrawCall::Kind::Stroke);
  ASSERT_EQ(outline.size(), 1u);
  EXPECT_EQ(outline[0].Color(), DEFAULT_SHCOLOR);
  ExpectRect(outline[0].PathBounds(), 90.5f, 99.5f, 209.5f, 159.5f);
  EXPECT_EQ(outline[0].path.front().points.front(), (PathPoint{168.5f, 99.5f}));
  EXPECT_EQ(outline[0].path.back().points.back(), (PathPoint{101.f, 99.5f}));
  EXPECT_EQ(outline[0].CountOps(PathOp::Kind::Close), 0);

  // Without a label the ends meet at the middle of the top edge; without shadows the frame
  // colour draws. A group whose name finds no control keeps its bounds.
  auto* plain = Attach(new IVGroupControl(IRECT(0.f, 0.f, 100.f, 50.f), "", 10.f, DEFAULT_STYLE.WithDrawShadows(false)));
  const DrawCall plainOutline = OfKind(DrawOf(plain), DrawCall::Kind::Stroke)[0];
  EXPECT_EQ(plainOutline.Color(), DEFAULT_FRCOLOR);
  EXPECT_EQ(plainOutline.path.front().points.front(), (PathPoint{50.f, 0.f}));
  EXPECT_EQ(plainOutline.path.back().points.back(), (PathPoint{50.f, 0.f}));
  auto* lonely = Attach(new IVGroupControl("Lonely", "nobody", 10.f, 10.f, 10.f, 10.f));
  EXPECT_TRUE(lonely->GetRECT().Empty());
}

TEST_F(StockFixture, ColorSwatchEditsTheStyleColoursOfItsCells)
{
  Attach(new TestControl(IRECT())); // the background, never under the mouse
  std::vector<std::pair<int, IColor>> chosen;
  auto* swatch = Attach(new IVColorSwatchControl(
    IRECT(0.f, 0.f, 90.f, 90.f), "", [&](int cell, const IColor& c) { chosen.emplace_back(cell, c); }, kBare,
    IVColorSwatchControl::ECellLayout::Grid, {kFG, kPR, kX1, 42}, {nullptr, "Press"}));
  // Four cells of a 3 by 3 grid: the first row and the first cell of the second.
  ExpectRect(swatch->GetCellBounds(2), 62.f, 2.f, 88.f, 28.f);
  ExpectRect(swatch->GetCellBounds(3), 2.f, 32.f, 28.f, 58.f);

  // A labelled cell shows its colour in its right quarter; the pointer's cell is outlined.
  g->EnableMouseOver(true);
  g->OnMouseOver(40.f, 10.f, IMouseMod());
  EXPECT_EQ(swatch->GetHighlightedCell(), 1);
  std::vector<DrawCall> calls = DrawOf(swatch);
  ASSERT_EQ(OfColor(calls, DEFAULT_PRCOLOR).size(), 1u);
  ExpectRect(OfColor(calls, DEFAULT_PRCOLOR)[0].PathBounds(), 51.5f, 2.f, 58.f, 28.f);
  ASSERT_EQ(OfColor(calls, COLOR_GRAY).size(), 1u);
  ExpectRect(OfColor(calls, COLOR_GRAY)[0].PathBounds(), 31.5f, 1.5f, 58.5f, 28.5f, 0.6f);
  EXPECT_TRUE(DrawsText(calls, "Press"));

  // A cancelled prompt changes nothing; a chosen colour replaces the style's and is reported.
  Click(10.f, 10.f);
  EXPECT_EQ(g->mPlatformLog.back(), "prompt color Choose a color 255 200 200 200");
  EXPECT_TRUE(chosen.empty());
  g->SetColorAnswer(COLOR_RED);
  Click(10.f, 10.f);
  EXPECT_EQ(swatch->GetStyle().colorSpec.GetColor(kFG), COLOR_RED);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, 0);
  EXPECT_EQ(OfColor(DrawOf(swatch), COLOR_RED).size(), 1u);

  // A colour index outside the style draws transparent and opens no prompt; nor does a click
  // between the cells.
  EXPECT_EQ(swatch->GetCellColor(3), COLOR_TRANSPARENT);
  const size_t logged = g->mPlatformLog.size();
  Click(10.f, 40.f);
  Click(30.f, 30.f);
  EXPECT_EQ(g->mPlatformLog.size(), logged);
}

TEST_F(StockFixture, VectorLabelDrawsShadowedTextAndFrame)
{
  auto* label = Attach(new IVLabelControl(IRECT(0.f, 0.f, 100.f, 30.f), "Hi"));
  std::vector<DrawCall> texts = OfKind(DrawOf(label), DrawCall::Kind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].style.mFGColor, DEFAULT_SHCOLOR);
  ExpectRect(texts[0].rect, 3.f, 3.f, 103.f, 33.f);
  EXPECT_EQ(texts[1].style.mFGColor, COLOR_BLACK);
  ExpectRect(texts[1].rect, 0.f, 0.f, 100.f, 30.f);

  label->SetDisabled(true);
  EXPECT_EQ(OfKind(DrawOf(label), DrawCall::Kind::Text).size(), 1u);
  label->SetStr("");
  const std::vector<DrawCall> empty = DrawOf(label);
  EXPECT_TRUE(OfKind(empty, DrawCall::Kind::Text).empty());
  EXPECT_EQ(OfColor(empty, DEFAULT_FRCOLOR).size(), 1u);
}

TEST_F(StockFixture, SlideSwitchSlidesToTheNextSlotThenRunsItsAction)
{
  int ran = 0;
  auto* slide = Attach(new IVSlideSwitchControl(IRECT(0.f, 0.f, 90.f, 30.f), [&](IControl*) { ++ran; }, "", kFlat,
                                                false, EDirection::Horizontal, 3, 2));
  EXPECT_EQ(slide->GetValue(), 1.0);
  ExpectRect(slide->GetHandleRect(), 60.f, 0.f, 90.f, 30.f);

  // From the last state it wraps: the handle slides from the last slot to the first.
  g->SetClockMs(0.0);
  Click(45.f, 15.f);
  EXPECT_EQ(slide->GetValue(), 0.0);
  ExpectRect(slide->GetEndRect(), 0.f, 0.f, 30.f, 30.f);
  g->Tick(50.0);
  ExpectRect(slide->GetHandleRect(), 30.f, 0.f, 60.f, 30.f);
  ExpectRect(OfColor(DrawOf(slide), DEFAULT_FGCOLOR)[0].PathBounds(), 30.f, 0.f, 60.f, 30.f);
  EXPECT_EQ(ran, 0);
  g->Tick(60.0);
  EXPECT_EQ(ran, 1);
  ExpectRect(slide->GetHandleRect(), 0.f, 0.f, 30.f, 30.f);
  ExpectRect(slide->GetEndRect(), 30.f, 0.f, 60.f, 30.f);

  // The initial state is a state number: state 1 of 3 is the middle.
  auto* middle = Attach(new IVSlideSwitchControl(IRECT(0.f, 40.f, 90.f, 70.f), nullptr, "", kFlat, false,
                                                 EDirection::Vertical, 3, 1));
  EXPECT_EQ(middle->GetValue(), 0.5);
  ExpectRect(middle->GetHandleRect(), 0.f, 50.f, 90.f, 60.f);

  // Bound to a parameter it sends the value at the click and hides its value text while it
  // slides.
  auto* tilt = Attach(new IVSlideSwitchControl(IRECT(100.f, 0.f, 250.f, 80.f), 2));
  EXPECT_EQ(tilt->GetNumStates(), 3);
  dlg.mLog.clear();
  Click(tilt->GetWidgetBounds().MW(), tilt->GetWidgetBounds().MH());
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 2 0.5"}));
  g->Tick(50.0);
  EXPECT_FALSE(DrawsText(DrawOf(tilt), "MD"));
  g->Tick(60.0);
  EXPECT_TRUE(DrawsText(DrawOf(tilt), "MD"));
}

TEST_F(StockFixture, MenuButtonShowsItsParameterAndOpensItsMenuAfterTheSplash)
{
  auto* drive = Attach(new IVMenuButtonControl(IRECT(0.f, 0.f, 100.f, 40.f), 0, "Drive"));
  IVButtonControl* inner = drive->GetInnerButton();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->GetParent(), drive);
  EXPECT_EQ(inner->GetRECT(), drive->GetRECT());
  EXPECT_STREQ(inner->GetValueStr(), "0.00 dB");
  EXPECT_STREQ(inner->GetLabelStr(), "Drive");
  dlg.GetParam(0)->Set(5.0);
  drive->SetValueFromDelegate(0.5, 0);
  EXPECT_STREQ(inner->GetValueStr(), "5.00 dB");
  // The button's style centres its value; the container keeps the style as given.
  drive->SetStyle(DEFAULT_STYLE.WithRoundness(0.5f));
  EXPECT_EQ(inner->GetStyle().roundness, 0.5f);
  EXPECT_EQ(inner->GetStyle().valueText.mVAlign, EVAlign::Middle);
  EXPECT_EQ(drive->GetStyle().valueText.mVAlign, EVAlign::Bottom);

  auto* tilt = Attach(new IVMenuButtonControl(IRECT(200.f, 0.f, 300.f, 40.f), 2, "Tilt"));
  IVButtonControl* tiltButton = tilt->GetInnerButton();
  EXPECT_STREQ(tiltButton->GetValueStr(), "LO");
  g->SetClockMs(0.0);
  g->QueueMenuAnswer(MenuAnswer(2));
  dlg.mLog.clear();
  const float cx = tiltButton->GetWidgetBounds().MW(), cy = tiltButton->GetWidgetBounds().MH();
  Click(cx, cy);
  g->Tick(50.0);
  EXPECT_EQ(g->LastMenu(), nullptr); // the splash first
  g->Tick(60.0);
  ASSERT_NE(g->LastMenu(), nullptr);
  EXPECT_EQ(g->LastMenuBounds(), tiltButton->GetWidgetBounds());
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 2 1"}));
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_STREQ(tiltButton->GetValueStr(), "HI");

  // Removed, the menu button leaves its button attached, and a click on it opens nothing.
  g->RemoveControl(tilt);
  const size_t logged = g->mPlatformLog.size();
  Click(cx, cy);
  g->Tick(110.0);
  g->Tick(10.0);
  EXPECT_EQ(tiltButton->GetValue(), 0.0);
  EXPECT_EQ(g->mPlatformLog.size(), logged);
}
