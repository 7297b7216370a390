// Resizing by dragging the corner through the context (scale and size modes, the double click
// that restores), the special controls' order and attachment, and the value bubble's placement
// and fading.

#include <gtest/gtest.h>

#include <algorithm>

#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IControls.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "plug/IParam.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

struct ResizeFixture : ::testing::Test
{
  ResizeFixture() : dlg(4)
  {
    g = dlg.Open();
    background = new TestControl(IRECT(0.f, 0.f, 900.f, 500.f));
    g->AttachControl(background);
  }

  void Press(float x, float y) { g->OnMouseDown({IMouseInfo(x, y, IMouseMod(true))}); }
  void Move(float x, float y) { g->OnMouseDrag({IMouseInfo(x, y, IMouseMod(true), 1.f, 1.f)}); }
  void Release(float x, float y) { g->OnMouseUp({IMouseInfo(x, y, IMouseMod(true))}); }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
  TestControl* background = nullptr;
};

} // namespace

TEST_F(ResizeFixture, DraggingTheCornerChangesTheScale)
{
  g->AttachCornerResizer(EResizeMode::Scale, false);
  ICornerResizerControl* corner = g->GetCornerResizer();
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(corner->GetRECT(), IRECT(880.f, 480.f, 900.f, 500.f));
  g->AttachCornerResizer(EResizeMode::Size, true); // a second one changes nothing
  EXPECT_EQ(g->GetResizeMode(), EResizeMode::Scale);

  // From (880, 480) to twice as far: scale 2; the smaller ratio wins.
  Press(880.f, 480.f);
  EXPECT_TRUE(g->GetResizingInProcess());
  Move(1760.f, 960.f);
  EXPECT_EQ(g->GetDrawScale(), 2.f);
  EXPECT_EQ(g->Width(), 900);
  // The handle keeps its size on screen: 20 pixels are 10 points at scale 2.
  EXPECT_EQ(corner->GetRECT(), IRECT(890.f, 490.f, 900.f, 500.f));
  background->mEvents.clear();
  Release(1760.f, 960.f);
  EXPECT_FALSE(g->GetResizingInProcess());
  EXPECT_EQ(background->mEvents.front(), "rescale"); // bitmaps may be reloaded now

  g->Resize(900, 500, 1.f);
  Press(880.f, 480.f);
  Move(1760.f, 600.f);
  Release(1760.f, 600.f);
  EXPECT_FLOAT_EQ(g->GetDrawScale(), 1.25f);
  EXPECT_EQ(dlg.LogStartingWith("resize").back(), "resize 1125 625 1");

  // The pointer over the handle shows the diagonal resize cursor, and gives back the old one.
  g->EnableMouseOver(true);
  g->mPlatformLog.clear();
  g->OnMouseOver(895.f, 495.f, IMouseMod());
  g->OnMouseOver(100.f, 100.f, IMouseMod());
  EXPECT_EQ(g->mPlatformLog, (Strings{"cursor 5", "cursor 0"}));

  // A double click restores the size it was made with at scale 1.
  g->OnMouseDblClick(897.f, 497.f, IMouseMod(true));
  EXPECT_EQ(g->GetDrawScale(), 1.f);
}

TEST_F(ResizeFixture, DraggingTheCornerInSizeModeChangesTheSize)
{
  g->AttachCornerResizer(EResizeMode::Size, false);
  g->Resize(900, 500, 1.5f);
  Press(890.f, 490.f);
  Move(1000.7f, 600.2f);
  Release(1000.7f, 600.2f);
  EXPECT_EQ(g->Width(), 1000);
  EXPECT_EQ(g->Height(), 600);
  EXPECT_EQ(g->GetDrawScale(), 1.5f);
  ICornerResizerControl* corner = g->GetCornerResizer();
  EXPECT_NEAR(corner->GetRECT().L, 1000.f - 20.f / 1.5f, 1e-4f);

  g->OnMouseDblClick(999.f, 599.f, IMouseMod(true));
  EXPECT_EQ(g->Width(), 900);
  EXPECT_EQ(g->Height(), 500);
  EXPECT_EQ(g->GetDrawScale(), 1.f);
}

TEST_F(ResizeFixture, SpecialControlsComeAfterTheListInTheirOrder)
{
  g->AttachBubbleControl();
  g->AttachTextEntryControl();
  g->AttachPopupMenuControl();
  g->ShowFPSDisplay(true);
  g->AttachCornerResizer();
  g->AttachTextEntryControl(new ITextEntryControl()); // already there: this one is dropped
  std::vector<IControl*> order;
  g->ForAllControlsFunc([&order](IControl* c) { order.push_back(c); });
  EXPECT_EQ(order, (std::vector<IControl*>{background, g->GetPerfDisplay(), g->GetCornerResizer(),
                                           g->GetTextEntryControl(), g->GetPopupMenuControl(),
                                           g->GetBubbleControl(0)}));
  EXPECT_EQ(g->GetBubbleControl(0)->GetUI(), g);

  std::vector<IControl*> standard;
  g->ForStandardControlsFunc([&standard](IControl* c) { standard.push_back(c); });
  EXPECT_EQ(standard, (std::vector<IControl*>{background}));

  g->RemovePopupMenuControl();
  g->RemoveTextEntryControl();
  EXPECT_EQ(g->GetPopupMenuControl(), nullptr);
  g->RemoveAllControls();
  EXPECT_EQ(g->GetCornerResizer(), nullptr);
  EXPECT_EQ(g->NBubbleControls(), 0);
}

TEST_F(ResizeFixture, TheValueBubbleFollowsTheDragAndFades)
{
  dlg.GetParam(2)->DefineDouble("Drive", 0.0, 0.0, 10.0, 0.01, "dB");
  auto* knob = new TestControl(IRECT(100.f, 100.f, 140.f, 200.f), 2, IControl::ShowBubbleHorizontalActionFunc);
  knob->mDragGain = 0.01;
  g->AttachControl(knob);

  // Without a bubble the action does nothing.
  Press(120.f, 150.f);
  g->OnMouseDrag({IMouseInfo(120.f, 140.f, IMouseMod(true), 0.f, -10.f)});
  Release(120.f, 140.f);

  g->AttachBubbleControl();
  IBubbleControl* bubble = g->GetBubbleControl(0);
  g->SetClockMs(0.0);
  Press(120.f, 150.f);
  g->OnMouseDrag({IMouseInfo(120.f, 140.f, IMouseMod(true), 0.f, -10.f)});
  // Right of the knob, centred on it, at least 50 by 30 inside the frame and arrow room.
  EXPECT_STREQ(bubble->GetStr(), "2.00 dB");
  EXPECT_EQ(bubble->GetBubbleBounds(), IRECT(140.f, 133.f, 214.f, 167.f));
  EXPECT_EQ(bubble->GetArrowSide(), 3);
  EXPECT_FALSE(bubble->IsHidden());
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingIn);
  // Drawn as a white body framed in black between the arrow's room, the arrow's tip on the
  // knob's edge level with the bubble's middle, and the text inside the body.
  g->ClearCalls();
  bubble->Draw(*g);
  const std::vector<DrawCall> fills = g->CallsOf(DrawCall::Kind::Fill);
  const auto body = std::find_if(fills.begin(), fills.end(), [](const DrawCall& c) { return c.Color() == COLOR_WHITE; });
  ASSERT_NE(body, fills.end());
  EXPECT_EQ(body->PathBounds(), IRECT(140.f, 133.f, 204.f, 167.f));
  const std::vector<PathPoint> outline = body->Points();
  EXPECT_NE(std::find(outline.begin(), outline.end(), PathPoint{140.f, 150.f}), outline.end());
  const std::vector<DrawCall> strokes = g->CallsOf(DrawCall::Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].Color(), COLOR_BLACK);
  const std::vector<DrawCall> texts = g->CallsOf(DrawCall::Kind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "2.00 dB");
  EXPECT_EQ(texts[0].rect, IRECT(150.f, 133.f, 204.f, 167.f));

  g->Tick(100.0);
  EXPECT_NEAR(bubble->GetBlend().mWeight, 0.475f, 1e-4f);
  g->Tick(101.0);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  g->Tick(1001.0); // the hold is over, but the knob is still held
  g->Tick(201.0);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kShown);
  Release(120.f, 140.f);
  g->Tick(201.0);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kFadingOut);
  g->Tick(201.0);
  EXPECT_EQ(bubble->GetState(), IBubbleControl::kHidden);
  EXPECT_TRUE(bubble->IsHidden());
  EXPECT_EQ(bubble->GetBlend().mWeight, 0.f);

  // Near the right edge the bubble goes to the knob's left, arrow on its right.
  auto* edge = new TestControl(IRECT(850.f, 100.f, 890.f, 200.f), 2, IControl::ShowBubbleHorizontalActionFunc);
  g->AttachControl(edge);
  edge->SetDirty(true);
  EXPECT_EQ(bubble->GetBubbleBounds().R, 850.f);
  EXPECT_EQ(bubble->GetArrowSide(), 1);
  EXPECT_EQ(bubble->GetCaller(), edge);
  // Its caller going leaves the bubble without one.
  g->RemoveControl(edge);
  EXPECT_EQ(bubble->GetCaller(), nullptr);
}

TEST_F(ResizeFixture, EachTouchHasItsOwnBubble)
{
  dlg.GetParam(1)->DefineDouble("Gain", 0.0, 0.0, 1.0, 0.01);
  g->EnableMultiTouch(true);
  g->AttachBubbleControl();
  g->AttachBubbleControl();
  auto* left = new TestControl(IRECT(100.f, 100.f, 140.f, 200.f), 1, IControl::ShowBubbleVerticalActionFunc);
  auto* right = new TestControl(IRECT(300.f, 100.f, 340.f, 200.f), 2, IControl::ShowBubbleVerticalActionFunc);
  left->mDragGain = right->mDragGain = 0.01;
  g->AttachControl(left);
  g->AttachControl(right);

  const IMouseMod touch1(true, false, false, false, false, 1), touch2(true, false, false, false, false, 2);
  g->OnMouseDown({IMouseInfo(120.f, 150.f, touch1), IMouseInfo(320.f, 150.f, touch2)});
  g->OnMouseDrag({IMouseInfo(120.f, 140.f, touch1, 0.f, -10.f), IMouseInfo(320.f, 140.f, touch2, 0.f, -10.f)});
  IBubbleControl* first = g->GetBubbleControl(0);
  IBubbleControl* second = g->GetBubbleControl(1);
  ASSERT_NE(first->GetCaller(), second->GetCaller());
  EXPECT_NE(first->GetTouchID(), second->GetTouchID());
  // Centred on the control with its bottom on the control's bottom edge.
  IBubbleControl* forLeft = first->GetCaller() == left ? first : second;
  EXPECT_EQ(forLeft->GetArrowSide(), 2);
  EXPECT_EQ(forLeft->GetBubbleBounds().B, 200.f);

  // The touch keeps its bubble for its next value.
  g->OnMouseDrag({IMouseInfo(120.f, 130.f, touch1, 0.f, -10.f)});
  EXPECT_EQ(forLeft->GetCaller(), left);
  EXPECT_STREQ(forLeft->GetStr(), "0.20");
}
