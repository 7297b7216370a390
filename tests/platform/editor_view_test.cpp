// The editor on macOS end to end over the AppKit stand-in: an IGraphicsMac opened by its
// delegate in a host window, with user input delivered to the window as the system does, the
// frame timer run on the main run loop (virtual clock) and frames drawn through the Metal
// stand-in. Also the AppKit-free key mapping.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IPopupMenu.h"
#include "platform/mac/IGraphicsView.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/CAMetalLayer.h"
#include "tests/support/TempDir.h"

using namespace plug::igraphics;
using standin::RunLoop;
using testgraphics::TestControl;
using testgraphics::TestDelegate;
namespace input = standin::appkit;

namespace {

// ---- the key mapping ----

struct KeyCase
{
  const char* what;
  unsigned short code;
  std::u16string chars;
  unsigned long flags;
  int vk;
  const char* utf8;
  bool S, C, A;
};

TEST(MacKeyMapping, KeysGiveTheirVirtualKeysCharactersAndModifiers)
{
  const unsigned long shift = kMacModShift, cmd = kMacModCommand, ctrl = kMacModControl, opt = kMacModOption;
  const KeyCase cases[] = {
    {"shift-a", 0, u"a", shift, 65, "a", true, false, false},
    {"slash with shift is punctuation", 44, u"/", shift, 0, "/", false, false, false},
    {"tab", 48, u"\t", 0, 9, "\t", false, false, false},
    {"return", 36, u"\r", 0, 13, "\r", false, false, false},
    {"escape", 53, u"\x1b", 0, 27, "\x1b", false, false, false},
    {"space", 49, u" ", 0, 32, " ", false, false, false},
    {"keypad enter", 76, u"\x03", 0, 32781, "\x03", false, false, false},
    {"backspace", 51, u"\x7f", 0, 8, "\x7f", false, false, false},
    {"up arrow", 126, u"\xF700", 0, 38, "\xEF\x9C\x80", false, false, false},
    {"keypad 7", 89, u"7", 0, 103, "7", false, false, false},
    {"F13 by its key code", 105, u"\xF710", 0, 124, "\xEF\x9C\x90", false, false, false},
    {"F17 by its character", 64, u"\xF714", 0, 128, "\xEF\x9C\x94", false, false, false},
    {"F24 by its character", 0xFF, u"\xF71B", 0, 135, "\xEF\x9C\x9B", false, false, false},
    {"no characters", 10, u"", 0, 1034, "", false, false, false},
    {"back-tab", 48, u"\x19", shift, 0, "\x19", false, false, false},
    {"back-tab with command", 48, u"\x19", shift | cmd, 9, "\x19", true, true, false},
    {"two units give no text", 0xFF, u"ab", 0, 65, "", false, false, false},
    {"control never reaches the key press", 0, u"a", ctrl | opt, 65, "a", false, false, true},
    {"e acute is a letter", 0xFF, u"\u00e9", 0, 0xE9, "\xC3\xA9", false, false, false},
    {"cyrillic ya is a letter", 0xFF, u"\u044F", shift, 0x44F, "\xD1\x8F", true, false, false},
    {"middle dot is punctuation", 0xFF, u"\u00B7", shift, 0, "\xC2\xB7", false, false, false},
    {"arabic-indic digit", 0xFF, u"\u0663", 0, 0x663, "\xD9\xA3", false, false, false},
    // Letters of every script a keyboard types keep their key and Shift.
    {"bengali ka", 0xFF, u"\u0995", shift, 0x995, "\xE0\xA6\x95", true, false, false},
    {"tamil ka", 0xFF, u"\u0B95", shift, 0xB95, "\xE0\xAE\x95", true, false, false},
    {"ethiopic qwa", 0xFF, u"\u124A", shift, 0x124A, "\xE1\x89\x8A", true, false, false},
    {"bengali sign is no letter", 0xFF, u"\u09BE", shift, 0, "\xE0\xA6\xBE", false, false, false},
  };
  for (const KeyCase& c : cases)
  {
    SCOPED_TRACE(c.what);
    const plug::IKeyPress key = MacKeyPress(c.code, c.chars, c.flags);
    EXPECT_EQ(key.VK, c.vk);
    EXPECT_STREQ(key.utf8, c.utf8);
    EXPECT_EQ(key.S, c.S);
    EXPECT_EQ(key.C, c.C);
    EXPECT_EQ(key.A, c.A);
  }

  // The function keys of the table, F1 to F16, by their key codes.
  const unsigned short fCodes[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106};
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(MacKeyCodeTableLookup(fCodes[i]), 112 + i) << "F" << i + 1;
  // Codes outside the table, in its gaps and at its ends, take the character path.
  for (unsigned short code : {50, 52, 66, 90, 93, 95, 102, 104, 108, 110, 112, 127})
    EXPECT_EQ(MacKeyCodeTableLookup(code), 0) << code;
}

// ---- the editor in a host window ----

class EditorViewTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    input::Reset();
    RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
    standin::mtl::SetDefaultSynchronous(true);
    mMetalObjects = standin::mtl::Object::LiveCount();
    mWindow = new NSWindow(NSMakeRect(100, 100, 1000, 800));
    mWindow->makeKeyAndOrderFront(nullptr);
    mDelegate.SetMakeGraphicsFunc([this]() { return new IGraphicsMac(mDelegate, 400, 300, 60, mDrawScale); });
    mDelegate.SetLayoutFunc([this](IGraphics* g) {
      g->AttachPanelBackground(IPattern(COLOR_GRAY));
      mA = Attach(g, "A", IRECT(20, 30, 120, 130), -1, "Alpha");
      mB = Attach(g, "B", IRECT(200, 30, 300, 130), 0, "Beta");
      mB->mDragGain = 0.01;
      mHidden = Attach(g, "H", IRECT(20, 200, 60, 240), -1, "Hidden");
      mHidden->Hide(true);
      g->EnableTooltips(mTooltips);
    });
  }

  void TearDown() override
  {
    mDelegate.CloseEditorWindow();
    mWindow->release();
    RunLoop::Main().RemoveAllTimers();
    RunLoop::Main().SetClock(RunLoop::EClock::kReal);
    standin::mtl::SetDefaultSynchronous(false);
    input::Reset();
  }

  TestControl* Attach(IGraphics* g, const char* name, const IRECT& r, int param, const char* tooltip)
  {
    auto* control = new TestControl(r, param);
    control->mName = name;
    control->mJournal = &mJournal;
    control->SetTooltip(tooltip);
    g->AttachControl(control);
    return control;
  }

  IGraphicsMac* Open(float drawScale = 1.f)
  {
    mDrawScale = drawScale;
    mDelegate.OpenEditorWindow(mWindow->contentView());
    Frames(1);
    return G();
  }
  IGraphicsMac* G() const { return static_cast<IGraphicsMac*>(mDelegate.GetUI()); }
  IGraphicsView* View() const { return G() ? G()->GetView() : nullptr; }
  standin::ca::MetalLayer& Layer() const { return *View()->MetalLayer()->MetalLayer(); }
  // A point of the editor in the window's coordinates.
  NSPoint At(float x, float y) const { return input::InWindow(View(), NSMakePoint(x * mDrawScale, y * mDrawScale)); }
  static void Frames(int n) { RunLoop::Main().RunForMs(n * 1000.0 / 60.0); }
  std::vector<std::string> Take()
  {
    std::vector<std::string> out;
    out.swap(mJournal);
    return out;
  }

  TestDelegate mDelegate{4, 400, 300};
  NSWindow* mWindow = nullptr;
  float mDrawScale = 1.f;
  bool mTooltips = false;
  int64_t mMetalObjects = 0;
  std::vector<std::string> mJournal;
  TestControl* mA = nullptr;
  TestControl* mB = nullptr;
  TestControl* mHidden = nullptr;
};

using Journal = std::vector<std::string>;

TEST_F(EditorViewTest, PointerEventsReachControlsInEditorPointsAtDrawScaleTwo)
{
  Open(2.f);
  NSAutoreleasePool pool;
  ASSERT_EQ(View()->frame().size.width, 800);
  mJournal.clear();

  input::Click(mWindow, At(30, 40));
  EXPECT_EQ(Take(), (Journal{"A down 30 40", "A up 30 40"}));

  // Click counts: odd ones press, even ones double-click (the right button alike).
  input::MouseOptions twice;
  twice.clickCount = 2;
  input::Click(mWindow, At(31, 41), twice);
  EXPECT_EQ(Take(), (Journal{"A dblclick 31 41"}));
  input::MouseOptions thrice;
  thrice.clickCount = 3;
  input::RightClick(mWindow, At(32, 42), thrice);
  EXPECT_EQ(Take(), (Journal{"A down 32 42 right", "A up 32 42"}));

  // Command turns a left click into a right one; on a parameter control that is its
  // context menu.
  input::MouseOptions command;
  command.flags = NSEventModifierFlagCommand;
  input::Click(mWindow, At(30, 40), command);
  EXPECT_EQ(Take(), (Journal{"A down 30 40 right", "A up 30 40"}));
  input::Click(mWindow, At(250, 80), command);
  EXPECT_EQ(Take(), (Journal{"B context menu"}));

  // A drag moves the parameter control's value, which the delegate hears as a gesture.
  mDelegate.mLog.clear();
  input::Drag(mWindow, At(250, 100), At(250, 60), 4);
  const Journal drags = Take();
  ASSERT_EQ(drags.size(), 6u);
  EXPECT_EQ(drags[1], "B drag 250 90 0 -10");
  EXPECT_EQ(drags[4], "B drag 250 60 0 -10");
  EXPECT_EQ(mDelegate.LogStartingWith("begin").size(), 1u);
  EXPECT_EQ(mDelegate.OpenGestures(0), 0);

  // The wheel and keys go to the control under the mouse; keys it does not take go on to the
  // host up the responder chain.
  input::Scroll(mWindow, At(40, 50), 3);
  EXPECT_EQ(Take(), (Journal{"A wheel 40 50 3 0"}));
  const long unhandled = input::UnhandledKeyCount();
  input::PressKey(mWindow, 0, "a", NSEventModifierFlagShift);
  EXPECT_EQ(Take(), (Journal{"A keydown 40 50 65", "A keyup 40 50 65"}));
  EXPECT_EQ(input::UnhandledKeyCount(), unhandled + 1);
  mA->mTakesKeys = true;
  input::PressKey(mWindow, 0, "b");
  EXPECT_EQ(input::UnhandledKeyCount(), unhandled + 1);
  // Each digit of the keypad, on its own key of the US keyboard, arrives as its own virtual
  // key: keypad 0 plus the digit.
  const unsigned short keypadDigits[10] = {82, 83, 84, 85, 86, 87, 88, 89, 91, 92};
  mJournal.clear();
  for (int digit = 0; digit < 10; ++digit)
  {
    const std::string vk = std::to_string(96 + digit);
    input::PressKey(mWindow, keypadDigits[digit], std::to_string(digit));
    EXPECT_EQ(Take(), (Journal{"A keydown 40 50 " + vk, "A keyup 40 50 " + vk})) << "keypad " << digit;
  }

  // Files dropped land on the control under them in editor coordinates, at draw scale 2 too.
  mJournal.clear();
  EXPECT_TRUE(input::DropFiles(mWindow, At(110, 120), {"/tmp/one.wav"}));
  EXPECT_EQ(Take(), (Journal{"A drop /tmp/one.wav"}));
  EXPECT_TRUE(input::DropFiles(mWindow, At(210, 40), {"/tmp/a.wav", "/tmp/b.wav", "/tmp/c.wav"}));
  // Several files arrive together, in order; the control's base hands on the first.
  EXPECT_EQ(Take(), (Journal{"B drops /tmp/a.wav /tmp/b.wav /tmp/c.wav", "B drop /tmp/a.wav"}));
}

TEST_F(EditorViewTest, MouseOutDuringACaptureWaitsForTheLeftButton)
{
  Open();
  NSAutoreleasePool pool;
  G()->EnableMouseOver(true);
  input::MoveMouse(mWindow, At(50, 50));
  Take();

  // Out of the view (the host window is larger) during a left drag: the mouse-out follows
  // the release.
  input::PostMouse(mWindow, NSEventTypeLeftMouseDown, At(50, 50));
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(450, 350));
  EXPECT_TRUE(View()->MouseOutDuringDrag());
  EXPECT_EQ(Take(), (Journal{"A down 50 50", "A drag 450 350 400 300"}));
  input::PostMouse(mWindow, NSEventTypeLeftMouseUp, At(450, 350));
  Journal events = Take();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], "A up 450 350");
  EXPECT_EQ(events[1], "A out");
  EXPECT_FALSE(View()->MouseOutDuringDrag());

  // Coming back before the release cancels it.
  input::MoveMouse(mWindow, At(50, 50));
  input::PostMouse(mWindow, NSEventTypeLeftMouseDown, At(50, 50));
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(450, 350));
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(60, 60));
  EXPECT_FALSE(View()->MouseOutDuringDrag());
  input::PostMouse(mWindow, NSEventTypeLeftMouseUp, At(60, 60));
  events = Take();
  EXPECT_EQ(std::count(events.begin(), events.end(), "A out"), 0);
}

TEST_F(EditorViewTest, HiddenLockedCursorStaysWhileDragsKeepGivingDeltas)
{
  Open();
  NSAutoreleasePool pool;
  input::PostMouse(mWindow, NSEventTypeLeftMouseDown, At(250, 100));
  const NSPoint lock = NSEvent::mouseLocation();
  G()->HideMouseCursor(true, true);
  G()->HideMouseCursor(true, true); // again: nothing changes
  EXPECT_EQ(input::Cursor().hideLevel, 1);
  EXPECT_TRUE(G()->CursorLocked());
  Take();

  // Each drag 5 points up from the held place gives -5 and puts the cursor back.
  for (int i = 0; i < 3; ++i)
    input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 95));
  EXPECT_EQ(Take(), (Journal{"B drag 250 95 0 -5", "B drag 250 95 0 -5", "B drag 250 95 0 -5"}));
  EXPECT_EQ(input::Cursor().warps, 3);
  EXPECT_EQ(NSEvent::mouseLocation().x, lock.x);
  EXPECT_EQ(NSEvent::mouseLocation().y, lock.y);

  // A tablet moves freely once its events arrive (the event's kind is taken after its
  // position): no more warps, deltas from the pen, and moving the cursor is refused.
  input::MouseOptions tablet;
  tablet.tablet = true;
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 90), tablet);
  const long warps = input::Cursor().warps;
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 85), tablet);
  input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 83), tablet);
  EXPECT_EQ(Take(), (Journal{"B drag 250 90 0 -10", "B drag 250 85 0 -15", "B drag 250 83 0 -2"}));
  EXPECT_EQ(input::Cursor().warps, warps);
  G()->MoveMouseCursor(10, 10);
  EXPECT_EQ(input::Cursor().warps, warps);
  input::PostMouse(mWindow, NSEventTypeLeftMouseUp, At(250, 83));

  G()->HideMouseCursor(false, true);
  EXPECT_EQ(input::Cursor().hideLevel, 0);
  EXPECT_FALSE(G()->CursorLocked());
  G()->HideMouseCursor(false, false); // showing while shown: no second show
  EXPECT_EQ(input::Cursor().hideLevel, 0);

  // Moving the cursor to an editor point puts it there on the screen.
  input::PostMouse(mWindow, NSEventTypeMouseMoved, At(250, 90));
  G()->MoveMouseCursor(70, 80);
  float x = 0, y = 0;
  G()->GetMouseLocation(x, y);
  EXPECT_FLOAT_EQ(x, 70.f);
  EXPECT_FLOAT_EQ(y, 80.f);
}

TEST_F(EditorViewTest, AHiddenCursorGoesWhereTheMouseTakesItUnlessItIsLocked)
{
  Open();
  NSAutoreleasePool pool;
  for (bool lock : {false, true})
  {
    SCOPED_TRACE(lock ? "locked" : "not locked");
    input::PostMouse(mWindow, NSEventTypeLeftMouseDown, At(250, 100));
    const NSPoint held = NSEvent::mouseLocation();
    const long warps = input::Cursor().warps;
    G()->HideMouseCursor(true, lock);
    Take();
    input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 95));
    input::PostMouse(mWindow, NSEventTypeLeftMouseDragged, At(250, 90));
    // Locked, each delta is from the held place; else from the last event.
    EXPECT_EQ(Take(), lock ? (Journal{"B drag 250 95 0 -5", "B drag 250 90 0 -10"})
                           : (Journal{"B drag 250 95 0 -5", "B drag 250 90 0 -5"}));
    EXPECT_EQ(input::Cursor().warps - warps, lock ? 2 : 0);
    EXPECT_EQ(NSEvent::mouseLocation().x, held.x);
    EXPECT_EQ(NSEvent::mouseLocation().y, lock ? held.y : held.y + 10);
    input::PostMouse(mWindow, NSEventTypeLeftMouseUp, At(250, 90));
    G()->HideMouseCursor(false);
  }
}

TEST_F(EditorViewTest, FramesDrawOnlyWhatIsDirtyAndFollowScaleAndSize)
{
  Open();
  NSAutoreleasePool pool;
  const uint64_t presented = Layer().PresentedCount();
  ASSERT_GT(presented, 0u);
  Frames(5);
  EXPECT_EQ(Layer().PresentedCount(), presented) << "nothing dirty, nothing presented";
  const int draws = mA->mDrawCount;
  mA->SetDirty(false);
  Frames(1);
  EXPECT_EQ(Layer().PresentedCount(), presented + 1);
  EXPECT_EQ(mA->mDrawCount, draws + 1);
  EXPECT_EQ(Layer().PresentedImage().width, 400);

  // The window moves to a screen of scale 2: the picture follows.
  mWindow->SetBackingScaleFactor(2);
  EXPECT_EQ(G()->GetScreenScale(), 2.f);
  Frames(1);
  EXPECT_EQ(Layer().PresentedImage().width, 800);
  EXPECT_EQ(Layer().PresentedImage().height, 600);

  // A new editor size and scale resize the view and the drawable with it.
  G()->Resize(400, 300, 1.5f);
  EXPECT_EQ(View()->frame().size.width, 600);
  EXPECT_EQ(View()->frame().size.height, 450);
  Frames(1);
  EXPECT_EQ(Layer().PresentedImage().width, 1200);
  EXPECT_EQ(Layer().PresentedImage().height, 900);
}

// The window's new scale reaches the host's resize, and the host closes the editor there: the
// view's handler returns into a live context, which goes once it has returned. The same for
// the editor's view moving into a window of another scale.
TEST_F(EditorViewTest, TheHostClosingTheEditorInsideTheResizeANewBackingScaleAsksForLeavesNothing)
{
  Open();
  mDelegate.mInsideResize = [this] { mDelegate.CloseEditorWindow(); };
  mWindow->SetBackingScaleFactor(2);
  mDelegate.mInsideResize = nullptr;
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);

  NSView* parent = new NSView(NSMakeRect(0, 0, 400, 300));
  mDelegate.OpenEditorWindow(parent);
  ASSERT_NE(G(), nullptr);
  NSWindow* other = new NSWindow(NSMakeRect(0, 0, 800, 600));
  other->SetBackingScaleFactor(3);
  mDelegate.mInsideResize = [this] { mDelegate.CloseEditorWindow(); };
  other->contentView()->addSubview(parent);
  mDelegate.mInsideResize = nullptr;
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);
  parent->removeFromSuperview();
  parent->release();
  other->close();
  other->release();
}

// Every way the platform and the host reach the editor: from inside the call each one makes,
// the context is in dispatch, and the host closes the editor there. The handler returns into
// live objects (under the sanitizers, one that touched what the close freed fails here), the
// editor is gone and nothing of it is left.
TEST_F(EditorViewTest, EveryWayInIsInDispatchAndSurvivesTheHostClosingTheEditorThere)
{
  struct Route
  {
    const char* name;
    const char* event; // the control's entry the host closes inside; "" for a hook of its own
    std::function<void(const std::function<void()>&)> drive;
  };
  const std::vector<Route> routes = {
    {"mouse down", "down", [this](auto&) { input::Click(mWindow, At(30, 40)); }},
    {"mouse up", "up", [this](auto&) { input::Click(mWindow, At(30, 40)); }},
    {"right mouse down", "down", [this](auto&) { input::RightClick(mWindow, At(30, 40)); }},
    {"double click", "dblclick",
     [this](auto&) {
       input::MouseOptions twice;
       twice.clickCount = 2;
       input::Click(mWindow, At(30, 40), twice);
     }},
    {"drag", "drag", [this](auto&) { input::Drag(mWindow, At(30, 40), At(40, 60)); }},
    {"mouse moved", "over", [this](auto&) { input::MoveMouse(mWindow, At(30, 40)); }},
    {"mouse out", "out",
     [this](auto&) {
       input::MoveMouse(mWindow, At(30, 40));
       input::MoveMouse(mWindow, At(150, 40));
     }},
    {"scroll wheel", "wheel", [this](auto&) { input::Scroll(mWindow, At(30, 40), 2); }},
    {"key down", "keydown",
     [this](auto&) {
       input::MoveMouse(mWindow, At(30, 40));
       input::PressKey(mWindow, 0, "a");
     }},
    {"key up", "keyup",
     [this](auto&) {
       input::MoveMouse(mWindow, At(30, 40));
       input::PressKey(mWindow, 0, "a");
     }},
    {"the host's key call", "keydown",
     [this](auto&) {
       input::MoveMouse(mWindow, At(30, 40));
       mDelegate.KeyDownAtMouse(MacKeyPress(0, u"a", 0));
     }},
    {"file drop", "drop", [this](auto&) { input::DropFiles(mWindow, At(30, 40), {"/tmp/a.wav"}); }},
    {"frame timer", "draw",
     [this](auto&) {
       mA->SetDirty(false);
       Frames(1);
     }},
    {"native menu's choice", "menu",
     [this](auto&) {
       IPopupMenu menu("", {"one", "two"});
       input::AnswerNextMenu({1});
       G()->CreatePopupMenu(*mA, menu, mA->GetRECT());
       Frames(1);
     }},
    {"inside the native menu's loop", "",
     [this](const std::function<void()>& hook) {
       IPopupMenu menu("", {"one", "two"});
       input::SetMenuResponder([&](const input::MenuRequest& request) {
         hook();
         return input::ItemAtPath(request.menu, {1});
       });
       G()->CreatePopupMenu(*mA, menu, mA->GetRECT());
       Frames(1);
       input::SetMenuResponder(nullptr);
     }},
    {"text field's end of editing", "text",
     [this](auto&) {
       G()->CreateTextEntry(*mA, IText(), mA->GetRECT(), "4");
       input::TypeText(mWindow, "2\r");
     }},
    {"colour panel", "",
     [this](const std::function<void()>& hook) {
       IColor colour;
       G()->PromptForColor(colour, "", [&](const IColor&) { hook(); });
       input::PickColor(0.2, 0.4, 0.6, 1.0);
     }},
    {"colour panel, its callback prompting again and reading its captures after the close", "",
     [this](const std::function<void()>& hook) {
       // Captures too large for the callback's own buffer: they live on the heap with it, and
       // must last to its end though it replaces itself and the close clears it.
       std::array<int, 32> marks;
       marks.fill(7);
       int read = 0;
       IColor colour;
       G()->PromptForColor(colour, "", [this, &hook, &read, marks](const IColor&) {
         IColor again;
         G()->PromptForColor(again, "", nullptr);
         read += marks[3];
         hook();
         read += marks[30];
       });
       input::PickColor(0.2, 0.4, 0.6, 1.0);
       EXPECT_EQ(read, 14);
     }},
    {"appearance", "",
     [this](const std::function<void()>& hook) {
       G()->SetAppearanceChangedFunc([&](EUIAppearance) { hook(); });
       input::SetSystemAppearanceDark(true);
     }},
    {"backing scale", "",
     [this](const std::function<void()>& hook) {
       mDelegate.mInsideResize = hook;
       mWindow->SetBackingScaleFactor(2);
       mDelegate.mInsideResize = nullptr;
     }},
  };
  for (const Route& route : routes)
  {
    SCOPED_TRACE(route.name);
    input::SetSystemAppearanceDark(false);
    mWindow->SetBackingScaleFactor(1);
    ASSERT_NE(Open(), nullptr);
    G()->EnableMouseOver(true);
    mA->mTakesKeys = true;
    int reached = 0;
    bool inDispatch = false;
    const std::function<void()> hook = [&] {
      if (reached++ > 0 || !G())
        return;
      inDispatch = G()->InDispatch();
      mDelegate.CloseEditorWindow();
    };
    if (*route.event)
      mA->mOnEvent = [&](const std::string& entry) {
        if (entry.rfind(route.event, 0) == 0)
          hook();
      };
    route.drive(hook);
    EXPECT_EQ(reached, 1) << "the route reached the editor once";
    EXPECT_TRUE(inDispatch);
    EXPECT_EQ(mDelegate.GetUI(), nullptr);
    EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);
    Frames(2);
  }
}

// The view may outlive its editor (the host's window or an autorelease pool holds it): a drop
// it is handed then reaches nothing of the editor, and like every drop it counts as performed.
TEST_F(EditorViewTest, ADropAfterTheEditorClosedReachesNothingAndIsStillPerformed)
{
  Open();
  NSAutoreleasePool pool;
  IGraphicsView* view = View();
  view->retain();
  const NSPoint at = At(30, 40);
  mDelegate.CloseEditorWindow();
  mJournal.clear();

  NSPasteboard* pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
  pasteboard->clearContents();
  pasteboard->setPropertyList(Autoreleased(new NSArray({NSString::stringWithUTF8String("/tmp/a.wav")})),
                              NSFilenamesPboardType);
  auto* info = new NSDraggingInfo(pasteboard, at, NSDragOperationEvery);
  EXPECT_TRUE(view->performDragOperation(info));
  info->release();
  pasteboard->clearContents();
  view->release();
  EXPECT_TRUE(mJournal.empty());
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);
}

TEST_F(EditorViewTest, AppearanceFollowsTheSystemFrom10_14)
{
  Open();
  std::vector<EUIAppearance> heard;
  G()->SetAppearanceChangedFunc([&heard](EUIAppearance a) { heard.push_back(a); });
  EXPECT_EQ(G()->GetUIAppearance(), EUIAppearance::Light);
  input::SetSystemAppearanceDark(true);
  EXPECT_EQ(G()->GetUIAppearance(), EUIAppearance::Dark);
  EXPECT_EQ(heard, (std::vector<EUIAppearance>{EUIAppearance::Dark}));
  input::SetSystemVersion(10, 13);
  EXPECT_EQ(G()->GetUIAppearance(), EUIAppearance::Light);
  input::SetSystemAppearanceDark(false);
  EXPECT_EQ(heard.size(), 1u) << "older systems tell the editor nothing";
}

TEST_F(EditorViewTest, TooltipsCoverEveryVisibleControlButNotWhileTheMenuIsOpen)
{
  mTooltips = true;
  Open(2.f);
  NSAutoreleasePool pool;
  // Background, A, B: the hidden control has none; rectangles at the draw scale.
  const auto& tips = View()->ToolTips();
  ASSERT_EQ(tips.size(), 3u);
  EXPECT_EQ(tips[1].rect.origin.x, 40);
  EXPECT_EQ(tips[1].rect.size.width, 200);
  input::MoveMouse(mWindow, At(250, 80));
  EXPECT_EQ(input::ToolTipAt(mWindow, At(250, 80)), "Beta");
  input::MoveMouse(mWindow, At(300.5f, 200));
  EXPECT_EQ(input::ToolTipAt(mWindow, At(300.5f, 200)), "");

  // The in-editor menu open: no tooltips at all.
  G()->AttachPopupMenuControl();
  IPopupMenu menu("", {"one", "two"});
  G()->CreatePopupMenu(*mA, menu, IRECT(20, 30, 120, 50));
  G()->UpdateTooltips();
  EXPECT_TRUE(View()->ToolTips().empty());
}

TEST_F(EditorViewTest, OpenCloseReopenAndRemovalByTheHostLeaveNothingAlive)
{
  const auto liveViews = [] { return IGraphicsView::Class().LiveCount(); };
  {
    NSAutoreleasePool pool;
    for (int i = 0; i < 3; ++i)
    {
      Open();
      ASSERT_NE(View(), nullptr);
      EXPECT_EQ(View()->superview(), mWindow->contentView());
      mDelegate.CloseEditorWindow();
      EXPECT_EQ(G(), nullptr);
    }

    // Opening twice: the first view goes before the second comes, the graphics stays.
    Open();
    IGraphicsMac* graphics = G();
    mDelegate.OpenEditorWindow(mWindow->contentView());
    EXPECT_EQ(G(), graphics);
    EXPECT_EQ(mWindow->contentView()->Subviews().size(), 1u);
    EXPECT_EQ(IGraphicsMac::InstanceCount(), 1);

    // The host takes the view away on its own: the editor closes through its delegate, and the
    // view survives its own removal method.
    View()->removeFromSuperview();
    EXPECT_EQ(G(), nullptr);
    EXPECT_TRUE(mWindow->contentView()->Subviews().empty());

    // The graphics object destroyed with its view open.
    Open();
    auto* orphan = new IGraphicsMac(mDelegate, 100, 100);
    orphan->OpenWindow(mWindow->contentView());
    delete orphan;
    mDelegate.CloseEditorWindow();
  }
  EXPECT_EQ(liveViews(), 0);
  EXPECT_EQ(CAMetalLayer::Class().LiveCount(), 0);
  EXPECT_EQ(standin::mtl::Object::LiveCount(), mMetalObjects);
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);
  EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
}

TEST_F(EditorViewTest, PlatformMenusComeOnALaterTurnAndNeverReachAClosedEditor)
{
  Open();
  NSAutoreleasePool pool;
  IPopupMenu menu("", {"one", "two"});
  bool isAsync = false;
  EXPECT_EQ(G()->CreatePlatformPopupMenu(menu, IRECT(10, 10, 50, 30), isAsync), nullptr);
  EXPECT_TRUE(isAsync);
  EXPECT_EQ(RunLoop::Main().PendingBlockCount(), 1u);
  // Closed (and deleted) before the block's turn: the block runs and reaches nothing of it; a
  // block that did would read freed memory here under the sanitizers.
  mDelegate.CloseEditorWindow();
  Frames(1);
  EXPECT_EQ(RunLoop::Main().PendingBlockCount(), 0u);
}

// A control whose own code fails: its mouse handling, and its drawing once told to.
class ThrowingControl : public IControl
{
public:
  using IControl::IControl;
  void Draw(IGraphics&) override
  {
    if (mThrowOnDraw)
      throw std::runtime_error("draw");
  }
  void OnMouseDown(float, float, const IMouseMod&) override { throw std::runtime_error("mouse down"); }
  bool mThrowOnDraw = false;
};

TEST_F(EditorViewTest, ExceptionsFromTheEditorsCodeNeverReachTheHostsRunLoop)
{
  Open();
  auto* failing = new ThrowingControl(IRECT(320, 30, 380, 130));
  G()->AttachControl(failing);
  Frames(1);

  // The failing click and the failing frame end in the view; the editor goes on working.
  input::Click(mWindow, At(350, 50));
  failing->mThrowOnDraw = true;
  failing->SetDirty(false);
  Frames(2);
  failing->mThrowOnDraw = false;
  Take();
  input::Click(mWindow, At(30, 40));
  EXPECT_EQ(Take(), (Journal{"A down 30 40", "A up 30 40"}));
}

namespace {

// The messages of the platform faults raised while it lives (from any thread).
struct FaultLog
{
  static inline std::mutex sMutex;
  static inline std::vector<std::string> sMessages;
  standin::PlatformFaultHandler mPrevious;
  FaultLog()
    : mPrevious(standin::SetPlatformFaultHandler([](const char* message) {
        std::lock_guard<std::mutex> lock(sMutex);
        sMessages.push_back(message);
      }))
  {
    sMessages.clear();
  }
  ~FaultLog() { standin::SetPlatformFaultHandler(mPrevious); }
  std::vector<std::string> Take()
  {
    std::lock_guard<std::mutex> lock(sMutex);
    return std::exchange(sMessages, {});
  }
};

} // namespace

TEST_F(EditorViewTest, PlatformOperationsFromAnotherThreadAreCaughtByTheMainThreadChecker)
{
  Open();
  FaultLog faults;
  Frames(1);
  G()->SetMouseCursor(ECursor::HAND);
  G()->Resize(320, 220, 1.f);
  EXPECT_TRUE(faults.Take().empty()) << "the main thread is the right one";

  // Each operation, called from a thread of the plug-in's own, reaches AppKit off the main
  // thread: the checker names the AppKit entry it reached.
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
    {"cursor", [&] { G()->SetMouseCursor(ECursor::ARROW); }},
    {"resize", [&] { G()->Resize(300, 200, 1.f); }},
    {"mouse location", [&] {
       float x = 0.f, y = 0.f;
       G()->GetMouseLocation(x, y);
     }},
    {"appearance", [&] { G()->GetUIAppearance(); }},
    {"move cursor", [&] { G()->MoveMouseCursor(20.f, 20.f); }},
  };
  for (const auto& operation : operations)
  {
    std::thread(operation.second).join();
    const std::vector<std::string> messages = faults.Take();
    ASSERT_FALSE(messages.empty()) << operation.first;
    EXPECT_NE(messages.front().find("Main Thread Checker: UI API called on a background thread: "), std::string::npos)
      << operation.first << ": " << messages.front();
    EXPECT_NE(messages.front().find("NS"), std::string::npos) << operation.first << ": " << messages.front();
  }
}

TEST_F(EditorViewTest, CursorsFallBackWhenPrivateOnesOrTheCursorFilesAreMissing)
{
  Open();
  NSAutoreleasePool pool;
  G()->SetMouseCursor(ECursor::SIZENWSE);
  EXPECT_EQ(input::Cursor().name, "_windowResizeNorthWestSouthEastCursor");
  input::SetPrivateCursorsAvailable(false);
  G()->SetMouseCursor(ECursor::SIZENWSE);
  EXPECT_EQ(input::Cursor().name, "arrowCursor");
  G()->SetMouseCursor(ECursor::SIZEWE);
  EXPECT_EQ(input::Cursor().name, "resizeLeftRightCursor");
  input::SetPrivateCursorsAvailable(true);

  // Help mode stays only for the help cursor.
  NSCursor::_setHelpCursor(true);
  G()->SetMouseCursor(ECursor::HELP);
  EXPECT_TRUE(input::Cursor().helpMode);
  G()->SetMouseCursor(ECursor::HAND);
  EXPECT_FALSE(input::Cursor().helpMode);

  // No cursor files: the move cursor is the arrow.
  input::SetSystemCursorFolder("/nonexistent/cursors/");
  G()->SetMouseCursor(ECursor::SIZEALL);
  EXPECT_EQ(input::Cursor().name, "arrowCursor");

  // With them: built from the vector image at four scales, hot spot from its information.
  testsupport::TempDir folder;
  const std::string dir = folder.Path() + "/move";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/cursor.pdf") << "%PDF-1.4\n1 0 obj << /Type /Page /MediaBox [0 0 16 18] >> endobj\n%%EOF\n";
  std::ofstream(dir + "/info.plist")
    << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
       "<key>hotx-scaled</key><real>8</real><key>hoty-scaled</key><real>9</real>"
       "<key>blur</key><real>1</real><key>shadowoffsetx</key><real>0</real><key>shadowoffsety</key><real>-1</real>"
       "<key>shadowcolor</key><array><real>0</real><real>0</real><real>0</real><real>0.5</real></array>"
       "</dict></plist>\n";
  input::SetSystemCursorFolder(folder.Path() + "/");
  G()->SetMouseCursor(ECursor::SIZEALL);
  const input::CursorState cursor = input::Cursor();
  EXPECT_EQ(cursor.name, "");
  EXPECT_EQ(cursor.hotSpot.x, 8);
  EXPECT_EQ(cursor.hotSpot.y, 9);
  EXPECT_EQ(cursor.imageSize.width, 16);
  EXPECT_EQ(cursor.imageSize.height, 18);
  EXPECT_EQ(cursor.representations, 4u);
}

} // namespace
