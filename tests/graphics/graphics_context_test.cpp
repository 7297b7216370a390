// The graphics context's control list: attaching with tags and groups, lookups, iteration,
// removal clearing every reference, hit testing, keys at the pointer, resizing and scaling.

#include <gtest/gtest.h>

#include "TestControl.h"
#include "TestDelegate.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

struct ContextFixture : ::testing::Test
{
  ContextFixture() : dlg(8)
  {
    dlg.SetSizeConstraints(450, 2700, 250, 1500);
    g = dlg.Open();
  }

  TestControl* Add(const IRECT& r, int paramIdx = -1, int tag = -1, const char* group = "")
  {
    auto* c = new TestControl(r, paramIdx);
    EXPECT_EQ(g->AttachControl(c, tag, group), c);
    return c;
  }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
};

} // namespace

TEST_F(ContextFixture, AttachingTagsGroupsAndLookups)
{
  TestControl* bg = Add(IRECT(0.f, 0.f, 900.f, 500.f));
  EXPECT_EQ(bg->mEvents, (Strings{"init", "resize", "rescale", "attached"}));
  EXPECT_EQ(bg->GetUI(), g);
  EXPECT_EQ(bg->GetDelegate(), &dlg);

  TestControl* a = Add(IRECT(10.f, 10.f, 50.f, 50.f), 3, 7, "row");
  TestControl* b = Add(IRECT(60.f, 10.f, 100.f, 50.f), 3, -1, "row");
  auto* dup = new TestControl(IRECT(0.f, 0.f, 1.f, 1.f));
  EXPECT_EQ(g->AttachControl(dup, 7), nullptr); // the tag is taken
  EXPECT_EQ(dup->GetUI(), nullptr);
  delete dup; // still the caller's
  EXPECT_EQ(g->NControls(), 3);

  EXPECT_EQ(g->GetControlWithTag(7), a);
  EXPECT_EQ(g->GetControlWithTag(8), nullptr);
  EXPECT_EQ(g->GetControlTag(a), 7);
  EXPECT_EQ(g->GetControlWithParamIdx(3), a);
  EXPECT_EQ(g->GetControlWithParamIdx(-1), bg); // the first bound to nothing

  int visits = 0;
  g->ForControlWithParam({3, 3}, [&visits](IControl*) { ++visits; });
  EXPECT_EQ(visits, 4); // each of two controls once per listed index
  std::vector<IControl*> grouped;
  g->ForControlInGroup("row", [&grouped](IControl* c) { grouped.push_back(c); });
  EXPECT_EQ(grouped, (std::vector<IControl*>{a, b}));
  grouped.clear();
  g->ForControlInGroup("", [&grouped](IControl* c) { grouped.push_back(c); });
  EXPECT_TRUE(grouped.empty());

  g->HideControl(3, true);
  EXPECT_TRUE(a->IsHidden() && b->IsHidden() && !bg->IsHidden());
  g->DisableControl(3, true);
  EXPECT_TRUE(b->IsDisabled());

  dlg.GetParam(3)->DefineDouble("Cutoff", 0.0, 0.0, 1.0, 0.01);
  g->AssignParamNameToolTips();
  EXPECT_STREQ(a->GetTooltip(), "Cutoff");
  EXPECT_STREQ(bg->GetTooltip(), "");

  // Tooltips turn mouse-over tracking on; turning them off leaves it on.
  EXPECT_FALSE(g->MouseOverEnabled());
  g->EnableTooltips(true);
  g->EnableTooltips(false);
  EXPECT_TRUE(g->MouseOverEnabled());
}

TEST_F(ContextFixture, RemovalClearsEveryReference)
{
  Add(IRECT(0.f, 0.f, 900.f, 500.f));
  TestControl* a = Add(IRECT(10.f, 10.f, 50.f, 50.f), 1, 4);
  TestControl* b = Add(IRECT(60.f, 10.f, 100.f, 50.f), 2, 5);

  // A captured control that goes takes the capture with it; its tag goes too.
  ASSERT_EQ(g->GetMouseControl(20.f, 20.f, true), a);
  g->RemoveControlWithTag(4);
  EXPECT_FALSE(g->ControlIsCaptured());
  EXPECT_EQ(g->GetControlWithTag(4), nullptr);
  EXPECT_EQ(g->NControls(), 2);

  // Removing from past the end removes nothing but still marks everything dirty.
  g->SetAllControlsClean();
  g->RemoveControls(5);
  EXPECT_EQ(g->NControls(), 2);
  EXPECT_TRUE(b->IsDirty());
  g->SetAllControlsClean();
  g->RemoveControlWithTag(99);
  EXPECT_TRUE(b->IsDirty());

  g->RemoveControls(1);
  EXPECT_EQ(g->NControls(), 1);
  EXPECT_EQ(g->GetControlWithTag(5), nullptr);
  g->RemoveAllControls();
  EXPECT_EQ(g->NControls(), 0);
}

TEST_F(ContextFixture, HitTestingFromTheLastControlBack)
{
  TestControl* bg = Add(IRECT(0.f, 0.f, 900.f, 500.f));
  TestControl* lower = Add(IRECT(10.f, 10.f, 100.f, 100.f));
  TestControl* upper = Add(IRECT(50.f, 50.f, 150.f, 150.f));

  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false), upper);
  EXPECT_EQ(g->GetMouseControl(20.f, 20.f, false), lower);
  EXPECT_EQ(g->GetMouseControl(500.f, 400.f, false), bg); // clicks reach the background
  upper->Hide(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false), lower);
  upper->Hide(false);
  upper->SetIgnoreMouse(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false), lower);
  upper->SetIgnoreMouse(false);

  // Disabled controls are hit only with the matching flag.
  upper->SetDisabled(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false), lower);
  upper->SetMouseEventsWhenDisabled(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false), upper);
  g->EnableMouseOver(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false, true), lower);
  upper->SetMouseOverWhenDisabled(true);
  EXPECT_EQ(g->GetMouseControl(60.f, 60.f, false, true), upper);

  // The background never becomes the mouse-over control; without tracking nothing does.
  EXPECT_EQ(g->GetMouseControl(500.f, 400.f, false, true), nullptr);
  g->EnableMouseOver(false);
  EXPECT_EQ(g->GetMouseControl(20.f, 20.f, false, true), nullptr);

  // Capture holds per touch; with multi-touch a second touch cannot take a control that does
  // not want it.
  g->EnableMultiTouch(true);
  EXPECT_EQ(g->GetMouseControl(20.f, 20.f, true, false, 1), lower);
  EXPECT_EQ(g->GetMouseControl(500.f, 400.f, false, false, 1), lower);
  EXPECT_EQ(g->GetMouseControl(30.f, 30.f, true, false, 2), nullptr);
  lower->SetWantsMultiTouch(true);
  EXPECT_EQ(g->GetMouseControl(30.f, 30.f, true, false, 2), lower);
  EXPECT_TRUE(g->IsControlCaptured(lower));
  g->ReleaseMouseCapture();
  EXPECT_FALSE(g->ControlIsCaptured());
}

TEST_F(ContextFixture, KeysGoToTheControlUnderThePointerThenTheHandler)
{
  Add(IRECT(0.f, 0.f, 900.f, 500.f));
  TestControl* field = Add(IRECT(10.f, 10.f, 100.f, 100.f));
  std::vector<std::string> handled;
  bool handlerTakes = true;
  g->SetKeyHandlerFunc([&](const IKeyPress& key, bool isUp) {
    handled.push_back(std::string(isUp ? "up " : "down ") + key.utf8);
    return handlerTakes;
  });

  // Over the background the handler decides; the background never sees the key.
  EXPECT_TRUE(g->OnKeyDown(500.f, 400.f, IKeyPress("a", 65)));
  EXPECT_EQ(static_cast<TestControl*>(g->GetControl(0))->CountEvents("key"), 0);

  // A control that declines passes the key on; one that takes it ends it there.
  handlerTakes = false;
  EXPECT_FALSE(g->OnKeyUp(20.f, 20.f, IKeyPress("b", 66)));
  field->mTakesKeys = true;
  EXPECT_TRUE(g->OnKeyDown(20.f, 20.f, IKeyPress("c", 67)));
  EXPECT_EQ(handled, (Strings{"down a", "up b"}));
  EXPECT_EQ(field->mEvents.back(), "keydown 20 20 67");

  g->SetKeyHandlerFunc(nullptr);
  EXPECT_FALSE(g->OnKeyDown(500.f, 400.f, IKeyPress("d", 68)));
}

TEST_F(ContextFixture, ResizingAndScaling)
{
  TestControl* c = Add(IRECT(0.f, 0.f, 10.f, 10.f));
  dlg.mLog.clear();
  g->mPlatformLog.clear();
  g->mDrawResizes = 0;
  c->mEvents.clear();

  // Scales outside the limits are clamped; the size is constrained by the delegate.
  g->Resize(5000, 100, 10.f, true);
  EXPECT_EQ(g->Width(), 2700);
  EXPECT_EQ(g->Height(), 250);
  EXPECT_EQ(g->GetDrawScale(), 4.f);
  EXPECT_EQ(dlg.mLog, (Strings{"resize 10800 1000 1"}));
  EXPECT_EQ(g->mPlatformLog, (Strings{"platform resize 1"}));
  EXPECT_EQ(c->mEvents, (Strings{"resize"}));
  EXPECT_EQ(g->mDrawResizes, 1);

  // The same size and scale again: nothing at all.
  dlg.mLog.clear();
  g->Resize(2700, 250, 4.f, true);
  EXPECT_TRUE(dlg.mLog.empty());

  g->SetScaleConstraints(3.f, 1.f);
  EXPECT_EQ(g->GetMinScale(), 1.f);
  EXPECT_EQ(g->GetMaxScale(), 3.f);
  g->Resize(900, 500, 0.5f, false);
  EXPECT_EQ(g->GetDrawScale(), 1.f);

  // A screen scale equal to the current one still tells the delegate, platform and controls.
  dlg.mLog.clear();
  c->mEvents.clear();
  g->SetScreenScale(1.f);
  EXPECT_EQ(dlg.mLog, (Strings{"resize 900 500 1"}));
  EXPECT_EQ(c->mEvents, (Strings{"rescale"}));
  g->SetScreenScale(2.f);
  EXPECT_EQ(g->GetTotalScale(), 2.f);

  // The layout runs again after a resize when asked to.
  int layouts = 0;
  dlg.SetLayoutFunc([&layouts](IGraphics*) { ++layouts; });
  g->SetLayoutOnResize(true);
  g->Resize(1000, 600, 1.f, true);
  EXPECT_EQ(layouts, 1);
}
