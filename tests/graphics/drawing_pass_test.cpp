// The frame: dirty controls give dirty areas, the areas are aligned and reduced without losing
// any, and exactly the controls meeting them are drawn, clipped to them and to their
// containers; frame times feed the frame-time display.

#include <gtest/gtest.h>

#include <random>

#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IControls.h"
#include "graphics/controls/IContainerBase.h"

using namespace testgraphics;

namespace {

struct PassFixture : ::testing::Test
{
  PassFixture() : dlg(4)
  {
    g = dlg.Open();
    background = Add(IRECT(0.f, 0.f, 900.f, 500.f));
  }

  TestControl* Add(const IRECT& r, int paramIdx = -1)
  {
    auto* c = new TestControl(r, paramIdx);
    g->AttachControl(c);
    return c;
  }

  IRECTList Frame() { return g->Frame(); }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
  TestControl* background = nullptr;
};

bool Covered(const IRECTList& list, float x, float y)
{
  for (int i = 0; i < list.Size(); ++i)
  {
    const IRECT& r = list.Get(i);
    if (r.L <= x && x <= r.R && r.T <= y && y <= r.B)
      return true;
  }
  return false;
}

} // namespace

TEST_F(PassFixture, OnlyTheDirtyAreasAreDrawn)
{
  TestControl* slider = Add(IRECT(100.f, 100.f, 140.f, 200.f), 2);
  slider->mDragGain = 0.01;
  TestControl* peer = Add(IRECT(300.f, 100.f, 340.f, 200.f), 2);
  TestControl* far = Add(IRECT(600.f, 300.f, 700.f, 400.f));
  Frame(); // everything is new
  EXPECT_EQ(far->mDrawCount, 1);
  EXPECT_EQ(g->mBeginFrames, 1);
  EXPECT_EQ(g->mEndFrames, 1);
  EXPECT_EQ(Frame().Size(), 0); // nothing dirty: no frame at all
  EXPECT_EQ(g->mBeginFrames, 1);

  g->ClearCalls();
  g->OnMouseDown({IMouseInfo(120.f, 150.f, IMouseMod(true))});
  g->OnMouseDrag({IMouseInfo(120.f, 140.f, IMouseMod(true), 0.f, -10.f)});
  g->OnMouseUp({IMouseInfo(120.f, 140.f, IMouseMod(true))});
  const IRECTList dirty = Frame();

  // The dragged control and its peer, grown by 0.75; drawn in two clipped areas.
  ASSERT_EQ(dirty.Size(), 2);
  EXPECT_EQ(dirty.Get(0), IRECT(99.25f, 99.25f, 140.75f, 200.75f));
  EXPECT_EQ(dirty.Get(1), IRECT(299.25f, 99.25f, 340.75f, 200.75f));
  const std::vector<IRECT> clips = g->Clips();
  ASSERT_EQ(clips.size(), 4u); // background and slider, background and peer
  EXPECT_EQ(clips[0], IRECT(99.f, 99.f, 141.f, 201.f));
  EXPECT_EQ(clips[1], clips[0]);
  EXPECT_EQ(clips[3], IRECT(299.f, 99.f, 341.f, 201.f));
  EXPECT_EQ(slider->mDrawCount, 2);
  EXPECT_EQ(peer->mDrawCount, 2);
  EXPECT_EQ(background->mDrawCount, 3);
  EXPECT_EQ(far->mDrawCount, 1);
  // Each control draws with a fresh transform and path.
  EXPECT_EQ(g->GetTransformStackDepth(), 0);
}

TEST_F(PassFixture, StrictDrawingScaleAlignmentHiddenControlsAndContainers)
{
  TestControl* a = Add(IRECT(10.f, 10.f, 20.f, 20.f));
  TestControl* b = Add(IRECT(100.f, 50.f, 120.f, 60.f));
  Frame();

  // Strict: one area, the aligned union.
  g->SetStrictDrawing(true);
  g->SetAllControlsClean();
  a->SetDirty(false);
  b->SetDirty(false);
  g->ClearCalls();
  Frame();
  EXPECT_EQ(g->Clips().front(), IRECT(9.f, 9.f, 121.f, 61.f));
  g->SetStrictDrawing(false);
  Frame();

  // At total scale 2 an area is aligned to half points.
  g->SetScreenScale(2.f);
  g->SetAllControlsClean();
  IRECTList rects;
  rects.Add(IRECT(10.3f, 10.3f, 20.2f, 20.2f));
  g->ClearCalls();
  g->Draw(rects);
  EXPECT_EQ(g->Clips().front(), IRECT(10.f, 10.f, 20.5f, 20.5f));
  g->SetScreenScale(1.f);

  // A hidden background is still drawn; any other hidden control is not.
  background->Hide(true);
  a->Hide(true);
  const int backgroundDraws = background->mDrawCount, aDraws = a->mDrawCount;
  Frame();
  EXPECT_EQ(background->mDrawCount, backgroundDraws + 1);
  EXPECT_EQ(a->mDrawCount, aDraws);

  // Children are clipped to their container: one outside it is not drawn, one half
  // outside is moved into it.
  auto* box = new IContainerBase(IRECT(200.f, 200.f, 300.f, 300.f), [](IContainerBase* c, const IRECT&) {
    c->AddChildControl(new TestControl(IRECT(400.f, 400.f, 420.f, 420.f)));
    c->AddChildControl(new TestControl(IRECT(280.f, 250.f, 320.f, 260.f)));
  });
  g->AttachControl(box);
  auto* outside = static_cast<TestControl*>(box->GetChild(0));
  auto* across = static_cast<TestControl*>(box->GetChild(1));
  IRECTList found;
  ASSERT_TRUE(g->IsDirty(found));
  // Its dirty area is already inside the container's.
  EXPECT_EQ(found.Get(found.Size() - 1), IRECT(258.25f, 249.25f, 299.75f, 260.75f));
  g->SetAllControlsClean();
  g->ClearCalls();
  g->Draw(found);
  EXPECT_EQ(outside->mDrawCount, 0);
  EXPECT_GT(across->mDrawCount, 0);
  // The child reaching out of the container is drawn within the container's area.
  int clipsOfTheChild = 0;
  for (const IRECT& clip : g->Clips())
  {
    if (clip.L >= 258.f && clip.T >= 249.f && clip.B <= 261.f)
    {
      ++clipsOfTheChild;
      EXPECT_LE(clip.R, 301.f);
    }
  }
  EXPECT_GT(clipsOfTheChild, 0);
}

TEST(RectList, OptimiserExamples)
{
  IRECTList same;
  same.Add(IRECT(0.f, 0.f, 10.f, 10.f));
  same.Add(IRECT(0.f, 0.f, 10.f, 10.f));
  same.Optimize();
  ASSERT_EQ(same.Size(), 1);

  IRECTList nested;
  nested.Add(IRECT(2.f, 2.f, 4.f, 4.f));
  nested.Add(IRECT(0.f, 0.f, 10.f, 10.f));
  nested.Optimize();
  ASSERT_EQ(nested.Size(), 1);
  EXPECT_EQ(nested.Get(0), IRECT(0.f, 0.f, 10.f, 10.f));

  IRECTList sideBySide;
  sideBySide.Add(IRECT(0.f, 0.f, 10.f, 10.f));
  sideBySide.Add(IRECT(10.f, 0.f, 30.f, 10.f));
  sideBySide.Optimize();
  ASSERT_EQ(sideBySide.Size(), 1);
  EXPECT_EQ(sideBySide.Get(0), IRECT(0.f, 0.f, 30.f, 10.f));

  // A band through the middle of a rectangle would leave two pieces of it: both stay.
  IRECTList band;
  band.Add(IRECT(0.f, 0.f, 10.f, 30.f));
  band.Add(IRECT(-5.f, 10.f, 15.f, 20.f));
  band.Optimize();
  EXPECT_EQ(band.Size(), 2);
  EXPECT_TRUE(Covered(band, 5.f, 25.f));

  // Overlapping at one end: the overlap is cut off one of them.
  IRECTList overlap;
  overlap.Add(IRECT(0.f, 0.f, 10.f, 10.f));
  overlap.Add(IRECT(5.f, 0.f, 20.f, 10.f));
  overlap.Optimize();
  ASSERT_EQ(overlap.Size(), 1);
  EXPECT_EQ(overlap.Get(0), IRECT(0.f, 0.f, 20.f, 10.f));
}

TEST(RectList, OptimiserNeverLosesDirtyArea)
{
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> coord(0, 40);
  std::uniform_int_distribution<int> count(1, 12);
  for (int trial = 0; trial < 250; ++trial)
  {
    IRECTList list;
    std::vector<IRECT> input;
    const int n = count(rng);
    for (int i = 0; i < n; ++i)
    {
      // Coarse coordinates give many shared edges, nestings and repeats.
      const float l = static_cast<float>(coord(rng)), t = static_cast<float>(coord(rng));
      const IRECT r(l, t, l + 1.f + static_cast<float>(coord(rng) / 2), t + 1.f + static_cast<float>(coord(rng) / 2));
      input.push_back(r);
      list.Add(r);
      if (i > 0 && coord(rng) < 4)
      {
        input.push_back(input[0]); // a repeat
        list.Add(input[0]);
      }
    }
    list.Optimize();
    ASSERT_LE(list.Size(), static_cast<int>(input.size())) << "trial " << trial;
    for (const IRECT& r : input)
    {
      for (float x = r.L + 0.5f; x < r.R; x += 1.f)
        for (float y = r.T + 0.5f; y < r.B; y += 1.f)
          ASSERT_TRUE(Covered(list, x, y)) << "trial " << trial << " lost (" << x << ", " << y << ")";
    }
  }
}

TEST_F(PassFixture, FrameTimesFeedTheFrameTimeDisplay)
{
  g->ShowFPSDisplay(true);
  IFPSDisplayControl* display = g->GetPerfDisplay();
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->GetRECT(), IRECT(10.f, 10.f, 210.f, 60.f));
  g->SetClockMs(0.0);
  Frame();
  for (int i = 0; i < 100; ++i)
  {
    g->AdvanceClockMs(1000.0 / 60.0);
    Frame(); // the display is dirty on every tick
  }
  EXPECT_EQ(display->GetReadPos(), 1); // 101 frames: the ring has wrapped
  EXPECT_NEAR(display->GetFrameTime(1), 1.0 / 60.0, 1e-6);

  // Every entry at 1/60 s: the graph sits near 60 of 80 and the figures read 60 FPS.
  g->AdvanceClockMs(1000.0 / 60.0);
  g->ClearCalls();
  Frame();
  const std::vector<std::string> texts = g->Texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "60.00 FPS"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "16.67 ms"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Headless"), texts.end());
  DrawCall graph;
  for (const DrawCall& c : g->CallsOf(DrawCall::Kind::Fill))
    if (c.Points().size() > 100)
      graph = c;
  ASSERT_EQ(graph.Points().size(), 102u);
  const PathPoint mid = graph.Points()[50];
  EXPECT_NEAR(mid.y, 58.f - 60.f / 80.f * 46.f, 0.05f);

  // A click changes the figure; turning the display off leaves no trace of it.
  g->OnMouseDown({IMouseInfo(20.f, 20.f, IMouseMod(true))});
  EXPECT_EQ(display->GetMode(), 1);
  g->OnMouseUp({IMouseInfo(20.f, 20.f, IMouseMod(true))});
  g->ShowFPSDisplay(false);
  EXPECT_EQ(g->GetPerfDisplay(), nullptr);
  EXPECT_EQ(g->GetMouseControl(20.f, 20.f, false), background);
}
