// Events through the graphics context, end to end with the headless platform: drags with
// balanced host gestures and peers, the host's parameter clicks, value and context menus
// answered at once or later, text prompts, prompts whose control goes away, the computer
// keyboard, mouse-over, wheel, drops and gestures.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "TestControl.h"
#include "TestDelegate.h"
#include "aax/interfaces/AAX_IViewContainer.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "graphics/controls/IVPadControls.h"
#include "plug/IParam.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

// The host's view container: records parameter clicks and takes them when told to.
class HostContainer : public AAX_IViewContainer
{
public:
  int32_t GetType() override { return 1; }
  void* GetPtr() override { return this; }
  AAX_Result GetModifiers(uint32_t* m) override
  {
    *m = 0;
    return AAX_SUCCESS;
  }
  AAX_Result SetViewSize(AAX_Point&) override { return AAX_SUCCESS; }
  AAX_Result HandleParameterMouseDown(const char* id, uint32_t modifiers) override
  {
    mClicks.push_back(std::string(id) + " " + std::to_string(modifiers));
    const std::function<void()> inside = mInsideClick;
    if (inside)
      inside();
    return mTakeClicks ? AAX_SUCCESS : AAX_ERROR_UNIMPLEMENTED;
  }
  AAX_Result HandleParameterMouseDrag(const char*, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result HandleParameterMouseUp(const char*, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result HandleParameterMouseEnter(const char*, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result HandleParameterMouseExit(const char*, uint32_t) override { return AAX_ERROR_UNIMPLEMENTED; }
  AAX_Result HandleMultipleParametersMouseDown(const char* const*, uint32_t, uint32_t) override
  {
    return AAX_ERROR_UNIMPLEMENTED;
  }
  AAX_Result HandleMultipleParametersMouseDrag(const char* const*, uint32_t, uint32_t) override
  {
    return AAX_ERROR_UNIMPLEMENTED;
  }
  AAX_Result HandleMultipleParametersMouseUp(const char* const*, uint32_t, uint32_t) override
  {
    return AAX_ERROR_UNIMPLEMENTED;
  }

  Strings mClicks;
  bool mTakeClicks = false;
  // Run inside each click, before the answer.
  std::function<void()> mInsideClick;
};

// An in-editor menu that stays open until the test closes it, as a user would.
class HeldMenuControl : public IPopupMenuControl
{
public:
  void CreatePopupMenu(IPopupMenu& menu, const IRECT&) override
  {
    mShowing = &menu;
    mState = kExpanded;
    ++mShown;
  }
  void Choose(int idx)
  {
    mState = kIdle;
    IPopupMenu* menu = mShowing;
    menu->SetChosenItemIdx(idx);
    GetUI()->SetControlValueAfterPopupMenu(idx >= 0 ? menu : nullptr);
  }
  int mShown = 0;
  IPopupMenu* mShowing = nullptr;
};

// A control that always lives in the same storage, as a new control often does where the
// allocator hands back the block just freed.
class SameAddressControl : public TestControl
{
public:
  using TestControl::TestControl;
  static void* operator new(std::size_t n)
  {
    if (n > sizeof(sSlot) || sTaken)
      throw std::bad_alloc();
    sTaken = true;
    return sSlot;
  }
  static void operator delete(void*) { sTaken = false; }

private:
  alignas(std::max_align_t) static inline unsigned char sSlot[4096];
  static inline bool sTaken = false;
};

// Opens a menu of its own from the mouse-down, inside the gesture the click begins.
// A control that, once the mouse leaves it, removes another (as a hover preview closing a
// neighbour would).
class RemovesOnMouseOut : public TestControl
{
public:
  RemovesOnMouseOut(const IRECT& r, IControl*& doomed) : TestControl(r), mDoomed(doomed) {}
  void OnMouseOut() override
  {
    TestControl::OnMouseOut();
    if (mDoomed)
      GetUI()->RemoveControl(mDoomed);
    mDoomed = nullptr;
  }

private:
  IControl*& mDoomed;
};

// A control that removes itself from inside one of its own handlers (a one-shot button, a panel
// closing itself). It notes each event in a record that outlives it and touches nothing of its
// own once it has gone.
class RemovesItself : public TestControl
{
public:
  enum class On
  {
    Down,
    Up,
    Key
  };
  RemovesItself(const IRECT& r, On on, Strings& record, int paramIdx = -1)
    : TestControl(r, paramIdx), mOn(on), mRecord(record)
  {
  }
  void OnMouseDown(float, float, const IMouseMod&) override { Hear(On::Down, "down"); }
  void OnMouseUp(float, float, const IMouseMod&) override { Hear(On::Up, "up"); }
  bool OnKeyDown(float, float, const IKeyPress&) override
  {
    const bool takes = mTakesKeys;
    Hear(On::Key, "key");
    return takes;
  }

private:
  void Hear(On event, const char* what)
  {
    mRecord.push_back(what);
    if (event == mOn)
      GetUI()->RemoveControl(this);
  }
  On mOn;
  Strings& mRecord;
};

class MenuOnDownControl : public TestControl
{
public:
  using TestControl::TestControl;
  void OnMouseDown(float, float, const IMouseMod&) override { GetUI()->CreatePopupMenu(*this, mMenu, mRECT); }
  IPopupMenu mMenu{"", {"a", "b"}};
};

class ThrowsOnAttach : public TestControl
{
public:
  using TestControl::TestControl;
  void OnAttached() override { throw std::runtime_error("no presets today"); }
};

struct EventFixture : ::testing::Test
{
  EventFixture() : dlg(8)
  {
    g = dlg.Open();
    dlg.GetParam(2)->DefineDouble("Drive", 0.0, 0.0, 10.0, 0.01, "dB");
    dlg.GetParam(3)->DefineEnum("Mode", 1, 4, "", 0, "", "Soft", "Hard", "Tape", "Tube");
    background = Add(IRECT(0.f, 0.f, 900.f, 500.f));
  }

  TestControl* Add(const IRECT& r, int paramIdx = -1)
  {
    auto* c = new TestControl(r, paramIdx);
    g->AttachControl(c);
    return c;
  }
  void Down(float x, float y, IMouseMod mod = IMouseMod(true)) { g->OnMouseDown({IMouseInfo(x, y, mod)}); }
  void Drag(float x, float y, float dY) { g->OnMouseDrag({IMouseInfo(x, y, IMouseMod(true), 0.f, dY)}); }
  void Up(float x, float y) { g->OnMouseUp({IMouseInfo(x, y, IMouseMod(true))}); }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
  TestControl* background = nullptr;
};

} // namespace

TEST_F(EventFixture, ClickDragReleaseGivesBalancedGesturesAndMovesThePeers)
{
  TestControl* slider = Add(IRECT(100.f, 100.f, 140.f, 200.f), 2);
  slider->mDragGain = 0.01;
  TestControl* peer = Add(IRECT(300.f, 100.f, 340.f, 200.f), 2);
  dlg.mLog.clear();

  Down(120.f, 150.f);
  Drag(120.f, 140.f, -10.f);
  Drag(120.f, 140.f, 0.f); // no movement: no drag
  Drag(120.f, 130.f, -10.f);
  Drag(400.f, 20.f, -10.f); // captured: the slider follows outside its bounds
  Up(400.f, 20.f);

  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "value 2 0.1", "value 2 0.2", "value 2 0.3", "end 2"}));
  EXPECT_EQ(slider->CountEvents("drag"), 3);
  EXPECT_EQ(slider->CountEvents("up"), 1);
  EXPECT_DOUBLE_EQ(peer->GetValue(), 0.3);
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 3.0);
  EXPECT_FALSE(g->ControlIsCaptured());
  float x = 0.f, y = 0.f;
  g->GetLastMouseDownPoint(x, y);
  EXPECT_EQ(x, 120.f);

  // A second touch on the same parameter does not open a second host gesture; each touch's
  // release ends only its own, the last one the host's.
  g->EnableMultiTouch(true);
  peer->SetWantsMultiTouch(true);
  dlg.mLog.clear();
  g->OnMouseDown({IMouseInfo(120.f, 150.f, IMouseMod(true, false, false, false, false, 1)),
                  IMouseInfo(320.f, 150.f, IMouseMod(true, false, false, false, false, 2))});
  g->OnMouseUp({IMouseInfo(120.f, 150.f, IMouseMod(true, false, false, false, false, 1))});
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2"}));
  g->OnMouseUp({IMouseInfo(320.f, 150.f, IMouseMod(true, false, false, false, false, 2))});
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2"}));

  // A drag cut short by a resize still ends its gesture.
  dlg.mLog.clear();
  Down(120.f, 150.f);
  g->Resize(1000, 600, 1.f);
  Up(120.f, 150.f);
  EXPECT_EQ(dlg.LogStartingWith("begin"), (Strings{"begin 2"}));
  EXPECT_EQ(dlg.LogStartingWith("end"), (Strings{"end 2"}));
}

TEST_F(EventFixture, TheHostTakesParameterClicksFirst)
{
  TestControl* knob = Add(IRECT(100.f, 100.f, 140.f, 200.f), 2);
  HostContainer host;
  g->SetViewContainer(&host);
  dlg.mLog.clear();

  // Alt, control, shift and the right button: 4 + 2 + 1 + 24. The host takes it: nothing else.
  host.mTakeClicks = true;
  Down(120.f, 150.f, IMouseMod(false, true, true, true, true));
  EXPECT_EQ(host.mClicks, (Strings{"3 31"}));
  EXPECT_EQ(knob->CountEvents("down"), 0);
  EXPECT_TRUE(dlg.mLog.empty());
  EXPECT_FALSE(g->ControlIsCaptured());

  // Refused: the normal path runs; a control without parameter never asks the host.
  host.mTakeClicks = false;
  Down(120.f, 150.f);
  EXPECT_EQ(knob->CountEvents("down"), 1);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2"}));
  Up(120.f, 150.f);
  Down(500.f, 400.f);
  EXPECT_EQ(host.mClicks.size(), 2u);
  g->SetViewContainer(nullptr);
}

TEST_F(EventFixture, ValueAndContextMenusAnsweredAtOnceOrLater)
{
  TestControl* mode = Add(IRECT(100.f, 100.f, 160.f, 120.f), 3);
  mode->DisablePrompt(false);
  mode->mContextItems = {"Reset", "Learn"};
  dlg.mLog.clear();

  // A double click opens the value menu over the whole control, current value checked.
  g->QueueMenuAnswer({2});
  EXPECT_TRUE(g->OnMouseDblClick(130.f, 110.f, IMouseMod(true)));
  const IPopupMenu* shown = g->LastMenu();
  ASSERT_NE(shown, nullptr);
  EXPECT_STREQ(shown->GetRootTitle(), "Mode");
  EXPECT_EQ(shown->NItems(), 4);
  EXPECT_TRUE(shown->IsItemChecked(1));
  EXPECT_EQ(g->LastMenuBounds(), mode->GetRECT());
  EXPECT_DOUBLE_EQ(mode->GetValue(), 2.0 / 3.0);
  // The value reaches the host inside a gesture the context opens and closes.
  EXPECT_EQ(dlg.mLog, (Strings{"begin 3", "value 3 0.666667", "end 3"}));

  // Answered later: nothing happens until the platform delivers.
  dlg.mLog.clear();
  g->QueueMenuAnswer({0, true});
  g->OnMouseDblClick(130.f, 110.f, IMouseMod(true));
  EXPECT_TRUE(dlg.mLog.empty());
  ASSERT_TRUE(g->ResolvePendingMenu());
  EXPECT_EQ(mode->GetValue(), 0.0);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 3", "value 3 0", "end 3"}));

  // A right click shows the control's own menu and nothing else reaches the control.
  dlg.mLog.clear();
  g->QueueMenuAnswer({1});
  Down(130.f, 110.f, IMouseMod(false, true));
  EXPECT_EQ(mode->EventsStartingWith("context"), (Strings{"context menu", "context 1"}));
  EXPECT_EQ(mode->CountEvents("down"), 0);
  g->QueueMenuAnswer({-1, true});
  Down(130.f, 110.f, IMouseMod(false, true));
  g->ResolvePendingMenu();
  EXPECT_EQ(mode->mEvents.back(), "context -1");
  // A control whose context menu stays empty shows nothing.
  mode->mContextItems.clear();
  const size_t logged = g->mPlatformLog.size();
  Down(130.f, 110.f, IMouseMod(false, true));
  EXPECT_EQ(g->mPlatformLog.size(), logged);
  EXPECT_EQ(dlg.OpenGestures(3), 0);
}

TEST_F(EventFixture, TheCompletionFunctionRunsOncePerMenuOnEveryPath)
{
  TestControl* owner = Add(IRECT(100.f, 100.f, 160.f, 120.f), 2);
  std::vector<int> completions;
  IPopupMenu menu("", {"a", "b"}, [&completions](IPopupMenu* m) { completions.push_back(m->GetChosenItemIdx()); });
  IPopupMenu* sub = new IPopupMenu("", {"x", "y"});
  menu.AddItem("more", sub);

  g->QueueMenuAnswer({1});
  g->CreatePopupMenu(*owner, menu, owner->GetRECT());
  g->QueueMenuAnswer({0, true, {2}}); // "x" in the submenu, later
  g->CreatePopupMenu(*owner, menu, owner->GetRECT());
  g->ResolvePendingMenu();
  // A dismissed native menu hands back null: no completion runs and the index stays.
  menu.SetChosenItemIdx(1);
  g->QueueMenuAnswer({-1});
  g->CreatePopupMenu(*owner, menu, owner->GetRECT());
  EXPECT_EQ(completions, (std::vector<int>{1, 0}));
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
  EXPECT_EQ(owner->EventsStartingWith("menu"), (Strings{"menu 1 0", "menu 0 0", "menu -1 0"}));

  // With an in-editor menu: once when it closes, and a request while it is open is answered
  // at once with nothing chosen, leaving the open menu to its control.
  auto* inEditor = new HeldMenuControl();
  g->AttachPopupMenuControl(inEditor);
  TestControl* other = Add(IRECT(200.f, 100.f, 260.f, 120.f), 3);
  IPopupMenu second("", {"p"}, [&completions](IPopupMenu*) { completions.push_back(100); });
  completions.clear();
  g->CreatePopupMenu(*owner, menu, owner->GetRECT());
  g->CreatePopupMenu(*other, second, other->GetRECT());
  EXPECT_EQ(completions, (std::vector<int>{100}));
  EXPECT_EQ(other->EventsStartingWith("menu"), (Strings{"menu -1 0"}));
  EXPECT_EQ(inEditor->mShown, 1);
  inEditor->Choose(0);
  EXPECT_EQ(completions, (std::vector<int>{100, 0}));
  EXPECT_EQ(owner->EventsStartingWith("menu").back(), "menu 0 0");
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_EQ(dlg.OpenGestures(3), 0);
}

TEST_F(EventFixture, ControlsThatGoWhileSomethingStillPointsAtThem)
{
  // The control left removes the one the mouse enters: nothing is entered, and nothing left
  // pointing at it.
  {
    IControl* doomed = nullptr;
    g->EnableMouseOver(true);
    g->AttachControl(new RemovesOnMouseOut(IRECT(600.f, 300.f, 650.f, 350.f), doomed));
    doomed = Add(IRECT(700.f, 300.f, 750.f, 350.f));
    EXPECT_TRUE(g->OnMouseOver(620.f, 320.f, IMouseMod()));
    EXPECT_FALSE(g->OnMouseOver(720.f, 320.f, IMouseMod()));
    EXPECT_EQ(doomed, nullptr);
    EXPECT_TRUE(g->OnMouseOver(620.f, 320.f, IMouseMod())) << "back over the first, nothing gone is left";
    g->OnMouseOut();
    g->EnableMouseOver(false);
  }

  // A menu's completion replaces the control that asked with one at the same address: the
  // choice reaches neither, and the newcomer's parameter is not touched.
  auto* asking = new SameAddressControl(IRECT(100.f, 100.f, 160.f, 120.f), 2);
  g->AttachControl(asking);
  TestControl* newcomer = nullptr;
  IPopupMenu menu("", {"a", "b"}, [&](IPopupMenu*) {
    g->RemoveControl(asking);
    newcomer = new SameAddressControl(IRECT(100.f, 100.f, 160.f, 120.f), 3);
    g->AttachControl(newcomer);
  });
  dlg.mLog.clear();
  g->QueueMenuAnswer({1});
  g->CreatePopupMenu(*asking, menu, asking->GetRECT());
  ASSERT_EQ(static_cast<void*>(newcomer), static_cast<void*>(asking));
  EXPECT_EQ(newcomer->CountEvents("menu"), 0);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2"}));
  g->RemoveControl(newcomer);

  // The in-editor menu removed while it shows answers "nothing chosen" first: the control
  // hears it and the gesture its click began ends.
  g->AttachPopupMenuControl(new HeldMenuControl());
  auto* opener = new MenuOnDownControl(IRECT(300.f, 100.f, 360.f, 120.f), 2);
  g->AttachControl(opener);
  dlg.mLog.clear();
  Down(330.f, 110.f);
  ASSERT_EQ(dlg.OpenGestures(2), 1);
  g->RemovePopupMenuControl();
  EXPECT_EQ(opener->EventsStartingWith("menu"), (Strings{"menu -1 0"}));
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2"}));

  // A swatch removed while the colour panel is open: a later pick changes nothing; the pick
  // for a swatch that stays goes on reaching it.
  g->mKeepColorPrompts = true;
  std::vector<int> picks;
  auto* swatch = new IVColorSwatchControl(IRECT(400.f, 200.f, 490.f, 290.f), "", [&](int cell, const IColor&) {
    picks.push_back(cell);
  });
  g->AttachControl(swatch);
  Down(445.f, 245.f);
  Up(445.f, 245.f);
  ASSERT_TRUE(g->mOpenColorPrompt);
  g->RemoveControl(swatch);
  g->mOpenColorPrompt(COLOR_BLUE);
  EXPECT_TRUE(picks.empty());
  swatch = new IVColorSwatchControl(IRECT(400.f, 200.f, 490.f, 290.f), "", [&](int cell, const IColor&) {
    picks.push_back(cell);
  });
  g->AttachControl(swatch);
  Down(445.f, 245.f);
  Up(445.f, 245.f);
  g->mOpenColorPrompt(COLOR_BLUE);
  EXPECT_EQ(picks, (std::vector<int>{4}));

  // Attaching is all or nothing: a control whose OnAttached throws is neither listed nor
  // tagged (its caller deletes it), and one attached already is refused, not listed twice.
  const int before = g->NControls();
  auto failing = std::make_unique<ThrowsOnAttach>(IRECT(0.f, 0.f, 10.f, 10.f));
  EXPECT_THROW(g->AttachControl(failing.get(), 77), std::runtime_error);
  EXPECT_EQ(g->NControls(), before);
  EXPECT_EQ(g->GetControlWithTag(77), nullptr);
  failing.reset();
  EXPECT_EQ(g->AttachControl(background), nullptr);
  EXPECT_EQ(g->NControls(), before);
  g->SetAllControlsDirty();
}

// A control that goes from inside its own handler (or the host's click handler) takes only its
// own part of the event with it: its capture, its gestures, its pointers. The rest of the event
// goes on; only a closed editor ends it.
TEST_F(EventFixture, AControlThatGoesInsideAnEventEndsOnlyItsOwnPartOfIt)
{
  Strings heard;
  g->EnableMouseOver(true);

  // A mouse-up whose control goes: a drag-resize in progress still ends, and the control now
  // under the pointer becomes the one the mouse is over.
  TestControl* under = Add(IRECT(100.f, 100.f, 200.f, 200.f));
  g->AttachControl(new RemovesItself(IRECT(100.f, 100.f, 200.f, 200.f), RemovesItself::On::Up, heard, 2));
  dlg.mLog.clear();
  Down(150.f, 150.f);
  g->StartDragResize();
  Up(150.f, 150.f);
  EXPECT_EQ(heard, (Strings{"down", "up"}));
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2"}));
  EXPECT_FALSE(g->GetResizingInProcess());
  EXPECT_EQ(under->EventsStartingWith("over"), (Strings{"over 150 150"}));
  EXPECT_TRUE(under->GetMouseIsOver());
  EXPECT_FALSE(g->ControlIsCaptured());

  // A key the control declines as it goes reaches the key handler, whose answer stands; a key
  // it takes as it goes is handled.
  Strings keys;
  g->SetKeyHandlerFunc([&keys](const IKeyPress& key, bool) {
    keys.push_back(std::to_string(key.VK));
    return false;
  });
  heard.clear();
  g->AttachControl(new RemovesItself(IRECT(300.f, 100.f, 400.f, 200.f), RemovesItself::On::Key, heard));
  EXPECT_FALSE(g->OnKeyDown(350.f, 150.f, IKeyPress("a", 'A')));
  EXPECT_EQ(keys, (Strings{"65"}));
  auto* taking = new RemovesItself(IRECT(300.f, 100.f, 400.f, 200.f), RemovesItself::On::Key, heard);
  taking->mTakesKeys = true;
  g->AttachControl(taking);
  EXPECT_TRUE(g->OnKeyDown(350.f, 150.f, IKeyPress("b", 'B')));
  EXPECT_EQ(keys, (Strings{"65"}));
  EXPECT_EQ(heard, (Strings{"key", "key"}));
  g->SetKeyHandlerFunc(nullptr);

  // A two-point mouse-down whose first control goes as it is pressed: the second point still
  // reaches its control, inside a gesture of its own.
  g->EnableMultiTouch(true);
  const IMouseMod t1(true, false, false, false, false, 1), t2(true, false, false, false, false, 2);
  g->AttachControl(new RemovesItself(IRECT(500.f, 100.f, 600.f, 200.f), RemovesItself::On::Down, heard, 2));
  TestControl* second = Add(IRECT(700.f, 100.f, 800.f, 200.f), 3);
  dlg.mLog.clear();
  g->OnMouseDown({IMouseInfo(550.f, 150.f, t1), IMouseInfo(750.f, 150.f, t2)});
  EXPECT_EQ(second->EventsStartingWith("down"), (Strings{"down 750 150"}));
  EXPECT_EQ(g->GetCapturedControl(1), nullptr);
  EXPECT_EQ(g->GetCapturedControl(2), second);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2", "begin 3"}));
  g->OnMouseUp({IMouseInfo(750.f, 150.f, t2)});
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "end 2", "begin 3", "end 3"}));

  // The host's click handler removes the control it is offered and leaves the click: that point
  // is done, the next one goes on.
  HostContainer host;
  g->SetViewContainer(&host);
  IControl* offered = Add(IRECT(500.f, 300.f, 600.f, 400.f), 2);
  host.mInsideClick = [&] {
    if (offered)
      g->RemoveControl(offered);
    offered = nullptr;
  };
  dlg.mLog.clear();
  second->mEvents.clear();
  g->OnMouseDown({IMouseInfo(550.f, 350.f, t1), IMouseInfo(750.f, 150.f, t2)});
  EXPECT_EQ(offered, nullptr);
  EXPECT_EQ(host.mClicks, (Strings{"3 0", "4 0"}));
  EXPECT_EQ(second->EventsStartingWith("down"), (Strings{"down 750 150"}));
  EXPECT_EQ(dlg.mLog, (Strings{"begin 3"}));
  g->OnMouseUp({IMouseInfo(750.f, 150.f, t2)});
  EXPECT_EQ(dlg.OpenGestures(3), 0);
  g->SetViewContainer(nullptr);
}

TEST_F(EventFixture, ACancelledTouchEndsItsCaptureAndTheGestureWithTheControlsLastTouch)
{
  g->EnableMultiTouch(true);
  TestControl* pad = Add(IRECT(100.f, 100.f, 200.f, 200.f), 2);
  pad->SetWantsMultiTouch(true);
  TestControl* other = Add(IRECT(300.f, 100.f, 400.f, 200.f), 3);
  const IMouseMod t1(true, false, false, false, false, 1), t2(true, false, false, false, false, 2),
    t3(true, false, false, false, false, 3);
  g->OnMouseDown({IMouseInfo(120.f, 150.f, t1), IMouseInfo(180.f, 150.f, t2), IMouseInfo(350.f, 150.f, t3)});
  ASSERT_EQ(dlg.OpenGestures(2), 1);
  ASSERT_EQ(dlg.OpenGestures(3), 1);

  // One of the pad's two touches cancelled: the pad hears it, keeps its other touch and its
  // gesture; the other control is untouched.
  g->OnTouchCancelled({IMouseInfo(120.f, 150.f, t1)});
  EXPECT_EQ(pad->EventsStartingWith("cancelled"), (Strings{"cancelled 120 150"}));
  EXPECT_EQ(pad->CountEvents("up"), 0);
  EXPECT_EQ(g->GetCapturedControl(1), nullptr);
  EXPECT_EQ(g->GetCapturedControl(2), pad);
  EXPECT_EQ(dlg.OpenGestures(2), 1);
  // Its last touch cancelled: the gesture ends; a touch cancelled twice changes nothing.
  g->OnTouchCancelled({IMouseInfo(180.f, 150.f, t2), IMouseInfo(120.f, 150.f, t1)});
  EXPECT_EQ(pad->CountEvents("cancelled"), 2);
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_EQ(dlg.OpenGestures(3), 1);
  g->OnMouseUp({IMouseInfo(350.f, 150.f, t3)});
  EXPECT_EQ(other->CountEvents("up"), 1);
  EXPECT_EQ(dlg.OpenGestures(3), 0);
}

TEST_F(EventFixture, TextPromptsAndControlsThatGoAway)
{
  TestControl* drive = Add(IRECT(100.f, 100.f, 200.f, 140.f), 2);
  drive->DisablePrompt(false);
  drive->SetPromptShowsParamLabel(true);
  dlg.mLog.clear();

  // A parameter without display texts prompts with a 40 by 16 box at the centre.
  g->OnMouseDblClick(150.f, 120.f, IMouseMod(true));
  ASSERT_TRUE(g->TextEntryOpen());
  EXPECT_EQ(g->LastTextEntry().bounds, IRECT(130.f, 112.f, 170.f, 128.f));
  EXPECT_EQ(g->LastTextEntry().str, "0.00 dB");
  EXPECT_EQ(g->LastTextEntry().paramIdx, 2);
  EXPECT_EQ(g->LastTextEntry().length, 7);
  g->CommitTextEntry("2.5");
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 2.5);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "value 2 0.25", "end 2"}));
  EXPECT_EQ(g->GetControlInTextEntry(), nullptr);

  // Without a parameter the control receives the text.
  TestControl* field = Add(IRECT(300.f, 100.f, 400.f, 140.f));
  g->CreateTextEntry(*field, DEFAULT_TEXT, field->GetRECT(), "name");
  g->CommitTextEntry("Warm");
  EXPECT_EQ(field->mEvents.back(), "text Warm 0");

  // While a text entry is open no control takes drags (the platform's field has them).
  drive->mDragGain = 0.01;
  g->CreateTextEntry(*drive, DEFAULT_TEXT, drive->GetRECT(), "", 0);
  Down(150.f, 120.f);
  Drag(150.f, 110.f, -10.f);
  EXPECT_EQ(drive->CountEvents("drag"), 0);
  Up(150.f, 110.f);

  // The control of an open prompt goes: nothing reaches it, nothing is written, no gesture stays.
  g->QueueMenuAnswer({1, true});
  TestControl* mode = Add(IRECT(500.f, 100.f, 560.f, 120.f), 3);
  mode->DisablePrompt(false);
  mode->PromptUserInput(0);
  const int menuChosenBefore = g->GetPromptMenu().GetChosenItemIdx();
  g->RemoveControl(drive);
  g->RemoveControl(mode);
  EXPECT_EQ(g->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(g->GetControlInPopupMenu(), nullptr);
  g->CommitTextEntry("9");
  g->ResolvePendingMenu();
  EXPECT_EQ(g->GetPromptMenu().GetChosenItemIdx(), menuChosenBefore);
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_EQ(dlg.OpenGestures(3), 0);
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 2.5);

  // All controls going (the view closes) forgets the open prompts as well.
  TestControl* late = Add(IRECT(100.f, 100.f, 200.f, 140.f), 2);
  IPopupMenu lateMenu("", {"a"});
  g->CreateTextEntry(*late, DEFAULT_TEXT, late->GetRECT(), "", 0);
  g->QueueMenuAnswer({0, true});
  g->CreatePopupMenu(*late, lateMenu, late->GetRECT());
  g->RemoveAllControls();
  EXPECT_EQ(g->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(g->GetControlInPopupMenu(), nullptr);
  g->CommitTextEntry("7");
  g->ResolvePendingMenu();
  EXPECT_EQ(lateMenu.GetChosenItemIdx(), -1);
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 2.5);
}

TEST_F(EventFixture, ComputerKeyboardPlaysNotes)
{
  Strings sent;
  g->SetQwertyMidiKeyHandlerFunc([&sent](const plug::IMidiMsg& msg) {
    sent.push_back(std::to_string(msg.mStatus) + " " + std::to_string(msg.mData1));
  });
  auto key = [this](int vk, bool up) {
    return up ? g->OnKeyUp(500.f, 400.f, IKeyPress("", vk)) : g->OnKeyDown(500.f, 400.f, IKeyPress("", vk));
  };

  EXPECT_TRUE(key('A', false));
  EXPECT_TRUE(key('A', false)); // repeat: nothing
  EXPECT_TRUE(key('K', false));
  EXPECT_TRUE(key('Q', false)); // not a note, still taken
  // An octave up stops the held notes; their keys' release then sends nothing.
  EXPECT_TRUE(key('X', false));
  EXPECT_TRUE(key('A', true));
  EXPECT_TRUE(key('X', true));
  EXPECT_TRUE(key('A', false));
  EXPECT_TRUE(key('A', true));
  EXPECT_EQ(sent, (Strings{"144 48", "144 60", "128 48", "128 60", "144 60", "128 60"}));
  EXPECT_EQ(dlg.LogStartingWith("midi"),
            (Strings{"midi 144 48 127", "midi 144 60 127", "midi 128 48 0", "midi 128 60 0", "midi 144 60 127",
                     "midi 128 60 0"}));

  // The base note stays within 24..96.
  sent.clear();
  for (int i = 0; i < 5; ++i)
    key('Z', false);
  key('A', false);
  key('A', true);
  for (int i = 0; i < 8; ++i)
    key('X', false);
  key('A', false);
  key('A', true);
  key('Z', false); // back to the middle for anyone else in this process
  key('Z', false);
  key('Z', false);
  key('Z', false);
  EXPECT_EQ(sent, (Strings{"144 24", "128 24", "144 96", "128 96"}));
}

TEST_F(EventFixture, MouseOverWheelDropsAndGestures)
{
  TestControl* a = Add(IRECT(100.f, 100.f, 200.f, 200.f));
  TestControl* b = Add(IRECT(300.f, 100.f, 400.f, 200.f));
  g->EnableMouseOver(true);

  EXPECT_TRUE(g->OnMouseOver(150.f, 150.f, IMouseMod()));
  EXPECT_TRUE(a->GetMouseIsOver());
  EXPECT_TRUE(g->OnMouseOver(350.f, 150.f, IMouseMod()));
  EXPECT_FALSE(a->GetMouseIsOver());
  EXPECT_TRUE(b->GetMouseIsOver());
  EXPECT_FALSE(g->OnMouseOver(600.f, 400.f, IMouseMod())); // the background is never "over"
  EXPECT_FALSE(b->GetMouseIsOver());

  // Leaving the view: every control hears it; the cursor that showed is kept for the return.
  g->SetMouseCursor(ECursor::HAND);
  g->OnMouseOut();
  EXPECT_EQ(g->GetCursor(), ECursor::HAND);
  EXPECT_EQ(a->CountEvents("out"), 2);

  EXPECT_TRUE(g->OnMouseWheel(150.f, 150.f, IMouseMod(), 2.f));
  EXPECT_EQ(a->mEvents.back(), "wheel 150 150 2 0");
  g->OnDrop("/tmp/x.wav", 350.f, 150.f);
  g->OnDropMultiple({"/tmp/1.wav", "/tmp/2.wav"}, 150.f, 150.f);
  EXPECT_EQ(b->mEvents.back(), "drop /tmp/x.wav");
  EXPECT_EQ(a->mEvents.back(), "drop /tmp/1.wav");

  // Gestures: a control that wants them first, then the regions in order.
  int regionCalls = 0;
  a->AttachGestureRecognizer(EGestureType::Pinch, [](IControl* c, const IGestureInfo&) { c->SetValue(1.0); });
  g->AttachGestureRecognizer(IRECT(300.f, 100.f, 400.f, 200.f), EGestureType::SwipeLeft,
                             [&regionCalls](IControl* c, const IGestureInfo&) { regionCalls += c ? 100 : 1; });
  IGestureInfo info;
  info.x = 150.f;
  info.y = 150.f;
  info.type = EGestureType::Pinch;
  EXPECT_TRUE(g->RespondsToGesture(150.f, 150.f));
  g->OnGestureRecognized(info);
  EXPECT_EQ(a->GetValue(), 1.0);
  info.x = 350.f;
  g->OnGestureRecognized(info);
  EXPECT_EQ(regionCalls, 1);
  EXPECT_FALSE(g->RespondsToGesture(600.f, 400.f));
  g->AttachGestureRecognizer(IRECT(0.f, 300.f, 50.f, 350.f), EGestureType::Rotate, nullptr);
  info.x = 10.f;
  info.y = 310.f;
  EXPECT_THROW(g->OnGestureRecognized(info), std::bad_function_call);
  EXPECT_EQ(g->GetRegisteredGestures().size(), 3u);

  // The host's automation query remembers the parameter under the point once.
  TestControl* bound = Add(IRECT(500.f, 100.f, 600.f, 200.f), 5);
  EXPECT_EQ(bound->GetParamIdx(), 5);
  EXPECT_EQ(g->GetParamIdxForHostAutomation(550.f, 150.f), 5);
  EXPECT_EQ(g->TakeLastClickedParam(), 5);
  EXPECT_EQ(g->TakeLastClickedParam(), -1);
}

TEST(EditorLifetime, ClosingMidDragEndsTheGestureAndDestroyingThePlugInIsSafe)
{
  auto dlg = std::make_unique<TestDelegate>(4);
  HeadlessGraphics* g = dlg->Open();
  g->AttachControl(new TestControl(IRECT(0.f, 0.f, 100.f, 100.f), 1));
  g->OnMouseDown({IMouseInfo(50.f, 50.f, IMouseMod(true))});
  dlg->CloseEditorWindow();
  EXPECT_EQ(dlg->mLog, (Strings{"resize 900 500 1", "begin 1", "end 1"}));

  // The plug-in goes with its editor open in the middle of a drag: the context must not call
  // back into the half-destroyed delegate.
  g = dlg->Open();
  g->AttachControl(new TestControl(IRECT(0.f, 0.f, 100.f, 100.f), 1));
  g->OnMouseDown({IMouseInfo(50.f, 50.f, IMouseMod(true))});
  dlg.reset();
}
