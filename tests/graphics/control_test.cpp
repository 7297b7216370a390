// The control base inside a graphics context with a recording delegate: committing values
// (delegate, peers, action), values from the delegate during a drag, defaults, animations on
// the context's clock, geometry, host highlight, gestures and menu results.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "TestControl.h"
#include "TestDelegate.h"
#include "plug/IParam.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

struct ControlFixture : ::testing::Test
{
  ControlFixture() : dlg(8) { g = dlg.Open(); }

  template <class... Args>
  TestControl* Add(Args&&... args)
  {
    auto* c = new TestControl(std::forward<Args>(args)...);
    g->AttachControl(c);
    c->SetClean();
    return c;
  }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
};

} // namespace

TEST_F(ControlFixture, CommittingAllValuesReachesEachBoundParameterAndItsPeersOnce)
{
  int actions = 0;
  TestControl* multi = Add(IRECT(0.f, 0.f, 10.f, 10.f), std::initializer_list<int>{4, -1, 7},
                           [&actions](IControl*) { ++actions; });
  TestControl* peer4 = Add(IRECT(20.f, 0.f, 30.f, 10.f), 4);
  TestControl* peer7 = Add(IRECT(40.f, 0.f, 50.f, 10.f), std::initializer_list<int>{1, 7});

  multi->SetValue(1.3, 0);
  multi->SetValue(-0.2, 1);
  multi->SetValue(0.25, 2);
  dlg.mLog.clear();
  multi->SetDirty(true, -1);

  // Clamped into 0..1; parameters 4 and 7 only; the action once.
  EXPECT_EQ(multi->GetValue(0), 1.0);
  EXPECT_EQ(multi->GetValue(1), 0.0);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 4 1", "value 7 0.25"}));
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(peer4->GetValue(0), 1.0);
  EXPECT_EQ(peer7->GetValue(1), 0.25);
  EXPECT_EQ(peer7->GetValue(0), 0.0);
  EXPECT_TRUE(peer4->IsDirty());
  EXPECT_TRUE(multi->IsDirty());
  EXPECT_EQ(dlg.GetParam(4)->Value(), 1.0);

  // Without the action flag nothing leaves the control.
  dlg.mLog.clear();
  multi->SetDirty(false, -1);
  EXPECT_TRUE(dlg.mLog.empty());
  EXPECT_EQ(actions, 1);

  // Not a number has no place in 0..1: it is committed as 0.
  multi->SetValue(std::nan(""), 2);
  multi->SetDirty(true, 2);
  EXPECT_EQ(multi->GetValue(2), 0.0);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 7 0"}));
  dlg.mLog.clear();

  // A control of one value treats any index as 0.
  peer4->SetValue(0.5);
  peer4->SetDirty(true, 5);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 4 0.5"}));
  EXPECT_EQ(multi->GetValue(0), 0.5);
}

TEST_F(ControlFixture, ValuesFromTheDelegateWaitForTheDragToEnd)
{
  TestControl* knob = Add(IRECT(0.f, 0.f, 10.f, 10.f), 2);
  TestControl* second = Add(IRECT(20.f, 0.f, 30.f, 10.f), std::initializer_list<int>{1, 2});

  // The user holds the knob: the echo of a value does not pull it back.
  ASSERT_EQ(g->GetMouseControl(5.f, 5.f, true), knob);
  dlg.SendParamValueToUI(2, 0.8, true);
  EXPECT_EQ(knob->GetValue(), 0.0);
  EXPECT_FALSE(knob->IsDirty());
  EXPECT_EQ(second->GetValue(1), 0.8); // a control bound to it as its second value follows

  g->ReleaseMouseCapture();
  dlg.SendParamValueToUI(2, 0.8, true);
  EXPECT_EQ(knob->GetValue(), 0.8);
  EXPECT_TRUE(knob->IsDirty());
  // The same value again changes nothing and marks nothing.
  knob->SetClean();
  dlg.SendParamValueToUI(2, 0.8, true);
  EXPECT_FALSE(knob->IsDirty());

  // From the user, the current value commits nothing; a new one commits and acts.
  int actions = 0;
  knob->SetActionFunction([&actions](IControl*) { ++actions; });
  dlg.mLog.clear();
  knob->SetValueFromUserInput(0.8);
  EXPECT_EQ(actions, 0);
  EXPECT_TRUE(dlg.mLog.empty());
  knob->SetValueFromUserInput(0.3);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 2 0.3"}));
  EXPECT_EQ(second->GetValue(1), 0.3);
}

TEST_F(ControlFixture, DefaultsAreSteppedAndClampedBeforeTheyCommit)
{
  dlg.GetParam(5)->DefineDouble("Gain", 2.5, 0.0, 10.0, 0.5, "", plug::kFlagStepped);
  dlg.GetParam(5)->defaultValue = 2.74; // 5.48 steps: rounds to 2.5
  dlg.GetParam(6)->DefineDouble("Mix", 0.5, 0.0, 1.0, 0.01);
  dlg.GetParam(6)->defaultValue = -3.0; // below the range
  int actions = 0;
  TestControl* c = Add(IRECT(0.f, 0.f, 10.f, 10.f), std::initializer_list<int>{5, -1, 6},
                       [&actions](IControl*) { ++actions; });
  c->SetValue(0.9, 1);
  dlg.mLog.clear();
  c->SetValueToDefault(-1);
  EXPECT_DOUBLE_EQ(c->GetValue(0), 0.25);
  EXPECT_EQ(c->GetValue(1), 0.9); // no parameter: left as it is
  EXPECT_EQ(c->GetValue(2), 0.0);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 5 0.25", "value 6 0"}));
  EXPECT_EQ(actions, 1);

  // One value: any index means that value.
  TestControl* single = Add(IRECT(20.f, 0.f, 30.f, 10.f), 5);
  single->SetValue(1.0);
  single->SetValueToDefault(3);
  EXPECT_DOUBLE_EQ(single->GetValue(), 0.25);
}

TEST_F(ControlFixture, AnimationsEndAfter100MsOnTheContextClock)
{
  g->SetClockMs(1000.0);
  TestControl* button = Add(IRECT(0.f, 0.f, 10.f, 10.f), -1, IControl::DefaultClickActionFunc);
  int ended = 0;
  button->SetAnimationEndActionFunction([&ended](IControl*) { ++ended; });

  EXPECT_EQ(button->GetAnimationProgress(), 0.0);
  button->SetDirty(true); // the click action starts the animation
  button->SetClean();
  EXPECT_TRUE(button->IsDirty()); // every frame while it runs
  EXPECT_EQ(button->GetAnimationStartTime(), 1000.0);

  g->AdvanceClockMs(60.0);
  button->Animate();
  EXPECT_DOUBLE_EQ(button->GetAnimationProgress(), 0.6);
  g->AdvanceClockMs(40.0);
  button->Animate();
  EXPECT_TRUE(button->GetAnimationFunction()) << "exactly 100 ms is not past the end";
  g->AdvanceClockMs(1.0);
  button->Animate();
  EXPECT_FALSE(button->GetAnimationFunction());
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(button->IsDirty()) << "one last frame";
  button->SetClean();
  button->Animate();
  EXPECT_FALSE(button->IsDirty());
  EXPECT_EQ(ended, 1);
  // No animation: no progress, although a start time is set.
  EXPECT_EQ(button->GetAnimationProgress(), 0.0);

  // An animation of no length ends at its first step instead of never.
  button->SetAnimation(IControl::DefaultAnimationFunc, 0);
  button->Animate();
  EXPECT_FALSE(button->GetAnimationFunction());
  EXPECT_EQ(ended, 2);
}

// Takes the pointer as over it whenever it is laid out, as a control under a still pointer may.
class OverOnResize : public TestControl
{
public:
  using TestControl::TestControl;
  void OnResize() override { mMouseIsOver = true; }
};

TEST_F(ControlFixture, MovingAndSizingThroughTheContext)
{
  auto* c = new OverOnResize(IRECT(10.f, 10.f, 30.f, 20.f), {-1, 2});
  g->AttachControl(c);
  TestControl* other = Add(IRECT(100.f, 100.f, 120.f, 120.f));
  // -1 finds the first value bound to nothing.
  EXPECT_EQ(c->LinkedToParam(-1), 0);
  EXPECT_EQ(c->LinkedToParam(2), 1);

  // Moving clears the mouse-over flag after the layout; every control is drawn again.
  other->SetClean();
  g->SetControlPosition(c, 50.f, 60.f);
  EXPECT_EQ(c->GetRECT(), IRECT(50.f, 60.f, 70.f, 70.f));
  EXPECT_FALSE(c->GetMouseIsOver());
  EXPECT_TRUE(other->IsDirty());
  g->SetControlSize(c, 5.f, 6.f);
  EXPECT_EQ(c->GetRECT(), IRECT(50.f, 60.f, 55.f, 66.f));
  EXPECT_EQ(c->GetTargetRECT(), c->GetRECT());
  // A hidden control moves and resizes without marking the others.
  c->Hide(true);
  other->SetClean();
  g->SetControlPosition(c, 0.f, 0.f);
  g->SetControlSize(c, 1.f, 1.f);
  EXPECT_EQ(c->GetRECT(), IRECT(0.f, 0.f, 1.f, 1.f));
  EXPECT_FALSE(other->IsDirty());
}

TEST_F(ControlFixture, GeometryHitsAndState)
{
  TestControl* c = Add(IRECT(10.f, 10.f, 30.f, 20.f), 1);
  EXPECT_TRUE(c->IsHit(10.f, 10.f));
  EXPECT_FALSE(c->IsHit(30.f, 15.f)); // right edge outside
  EXPECT_FALSE(c->IsHit(15.f, 20.f)); // bottom edge outside

  // Moving keeps the target's offset from the bounds; negative positions become 0.
  c->SetTargetRECT(IRECT(12.f, 12.f, 22.f, 18.f));
  c->SetPosition(-5.f, 40.f);
  EXPECT_EQ(c->GetRECT(), IRECT(0.f, 40.f, 20.f, 50.f));
  EXPECT_EQ(c->GetTargetRECT(), IRECT(2.f, 42.f, 12.f, 48.f));
  c->SetSize(-3.f, 5.f);
  EXPECT_EQ(c->GetRECT(), IRECT(0.f, 40.f, 0.f, 45.f));
  EXPECT_EQ(c->GetTargetRECT(), c->GetRECT());
  c->SetTargetRECT(IRECT());
  EXPECT_FALSE(c->IsHit(0.f, 0.f));

  // Disabling and enabling leaves the weight at 1 whatever it was.
  c->SetBlend(IBlend(EBlend::SrcOver, 0.6f));
  c->SetDisabled(true);
  EXPECT_EQ(c->GetBlend().mWeight, 0.25f);
  c->SetDisabled(false);
  EXPECT_EQ(c->GetBlend().mWeight, 1.f);

  EXPECT_THROW(c->SetParamIdx(3, 1), std::out_of_range);
  EXPECT_EQ(c->GetParamIdx(0), 1);
  c->SetParamIdx(3, 0);
  EXPECT_EQ(c->GetParamIdx(0), 3);

  // Snapping to the pointer: thousandths, 1 at the top of a vertical track.
  c->SnapToMouse(10.f, 0.f, EDirection::Horizontal, IRECT(0.f, 0.f, 30.f, 10.f));
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.333);
  c->SnapToMouse(0.f, -4.f, EDirection::Vertical, IRECT(0.f, 0.f, 30.f, 10.f));
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  c->SnapToMouse(0.f, 10.f, EDirection::Vertical, IRECT(0.f, 0.f, 30.f, 10.f));
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.0);
  c->SnapToMouse(0.f, 10.f, EDirection::Vertical, IRECT(0.f, 0.f, 30.f, 10.f), -1, 0.2, 0.8);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2);
}

TEST_F(ControlFixture, HostHighlightReachesBoundControlsAndIsDrawn)
{
  TestControl* bound = Add(IRECT(10.f, 10.f, 30.f, 20.f), std::initializer_list<int>{1, 2});
  TestControl* other = Add(IRECT(40.f, 10.f, 60.f, 20.f), 3);

  // The host binding reaches the controls through the view interface.
  plug::IPluginAAXView_Interface* view = g;
  view->SetHostHighlightForParam(2, true, 1);
  EXPECT_TRUE(bound->GetHostHighlight());
  EXPECT_EQ(bound->GetHostHighlightColor(), COLOR_BLUE);
  EXPECT_FALSE(other->GetHostHighlight());
  EXPECT_TRUE(bound->IsDirty());

  g->ClearCalls();
  bound->DrawHostHighlight(*g);
  other->DrawHostHighlight(*g);
  ASSERT_EQ(g->Calls().size(), 1u);
  const DrawCall& dot = g->Calls()[0];
  EXPECT_EQ(dot.kind, DrawCall::Kind::Fill);
  EXPECT_EQ(dot.Color(), COLOR_BLUE);
  EXPECT_FALSE(dot.hasBlend);
  const IRECT box = dot.PathBounds();
  EXPECT_NEAR(box.MW(), 25.f, 1e-4f); // target right - 5
  EXPECT_NEAR(box.MH(), 15.f, 1e-4f); // target top + 5
  EXPECT_NEAR(box.W(), 4.f, 1e-4f);   // radius 2

  // An unknown colour code keeps the colour; clearing stops the drawing.
  view->SetHostHighlightForParam(2, true, 9);
  EXPECT_EQ(bound->GetHostHighlightColor(), COLOR_BLUE);
  view->SetHostHighlightForParam(1, false, 0);
  g->ClearCalls();
  bound->DrawHostHighlight(*g);
  EXPECT_TRUE(g->Calls().empty());
}

TEST_F(ControlFixture, GesturesAndMenuResults)
{
  TestControl* c = Add(IRECT(0.f, 0.f, 10.f, 10.f), 2);
  EXPECT_FALSE(c->GetWantsGestures());
  int pinches = 0;
  c->AttachGestureRecognizer(EGestureType::Pinch, [&pinches](IControl*, const IGestureInfo&) { ++pinches; });
  c->AttachGestureRecognizer(EGestureType::Pinch, [&pinches](IControl*, const IGestureInfo&) { pinches += 10; });
  EXPECT_EQ(g->GetRegisteredGestures(), (std::vector<EGestureType>{EGestureType::Pinch}));
  IGestureInfo info;
  info.type = EGestureType::Pinch;
  EXPECT_TRUE(c->OnGesture(info));
  EXPECT_EQ(pinches, 10); // the later handler replaced the first
  EXPECT_EQ(c->GetLastGesture(), EGestureType::Pinch);
  info.type = EGestureType::Rotate;
  EXPECT_FALSE(c->OnGesture(info));
  c->SetAnimation(IControl::DefaultAnimationFunc, 100);
  EXPECT_FALSE(c->GetWantsGestures()); // not while animating

  // A value menu's chosen index is the parameter's value: stepped, clamped, normalised.
  dlg.GetParam(2)->DefineEnum("Mode", 0, 4, "", 0, "", "a", "b", "c", "d");
  IPopupMenu menu("Mode", {"a", "b", "c", "d"});
  menu.SetChosenItemIdx(2);
  dlg.mLog.clear();
  c->OnPopupMenuSelection(&menu, 0); // prompts are off by default: nothing
  EXPECT_TRUE(dlg.mLog.empty());
  c->DisablePrompt(false);
  c->OnPopupMenuSelection(nullptr, 0);
  c->OnPopupMenuSelection(&menu, 0);
  EXPECT_DOUBLE_EQ(c->GetValue(), 2.0 / 3.0);
  menu.SetChosenItemIdx(9);
  c->OnPopupMenuSelection(&menu, 0);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  EXPECT_EQ(dlg.LogStartingWith("value").size(), 2u);

  // A right click with prompts disabled, the default, does nothing at all.
  TestControl* plain = Add(IRECT(20.f, 0.f, 30.f, 10.f), 2);
  plain->OnMouseDown(25.f, 5.f, IMouseMod(false, true));
  plain->OnMouseDblClick(25.f, 5.f, IMouseMod(true));
  EXPECT_TRUE(g->mPlatformLog.empty() || g->mPlatformLog.back().find("menu") == std::string::npos);
  EXPECT_FALSE(g->TextEntryOpen());
}
