// The editor's native pop-up menus, in-place text field and colour panel, driven through
// IGraphicsMac in a stand-in host window and answered as a user would.
#include "MacEditorFixture.h"

#include "platform/mac/IGraphicsNativeControls.h"
#include "tests/support/FontFiles.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace mactest;
using namespace standin::appkit;
using namespace std::chrono_literals;

namespace {

// A control that owns the menu it opens and runs a step of the test when its text entry
// commits (closing the editor, throwing); the step is copied first, since it may delete the
// control.
struct HookedControl : TestControl
{
  explicit HookedControl(const IRECT& bounds) : TestControl(bounds) {}
  void OnTextEntryCompletion(const char* str, int valIdx) override
  {
    TestControl::OnTextEntryCompletion(str, valIdx);
    const std::function<void()> step = onCommit;
    if (step)
      step();
  }
  std::function<void()> onCommit;
  IPopupMenu menu{"", {"One", "Two"}};
};

long LiveViews() { return IGraphicsView::Class().LiveCount(); }

// The formatter of a field whose value cannot be read back: asking for its text throws.
class UnreadableFormatter : public NSFormatter
{
public:
  NSString* stringForObjectValue(NSObject*) override { throw std::runtime_error("the value cannot be read"); }
  bool getObjectValue(NSObject** object, const NSString* string, NSString**) override
  {
    if (object && string)
      *object = NSString::stringWithUTF8String(string->Text().c_str());
    return true;
  }
};

// What the user saw of a native menu: one line per item ("title|enabled|state|indent" or
// "---" for a separator), submenus nested as "> ..." lines after their item.
void Describe(const NSMenu* menu, std::vector<std::string>& lines, const std::string& indent = "")
{
  for (const NSMenuItem* item : menu->Items())
  {
    if (item->isSeparatorItem())
    {
      lines.push_back(indent + "---");
      continue;
    }
    lines.push_back(indent + item->title()->Text() + "|" + (item->isEnabled() ? "on" : "off") + "|" +
                    std::to_string(item->state()) + "|" + std::to_string(item->indentationLevel()));
    if (item->submenu())
      Describe(item->submenu(), lines, indent + "> ");
  }
}

class MacNativeMenus : public MacEditorTest
{
};

TEST_F(MacNativeMenus, TheMenuShowsNumberedItemsWithTheirFlagsAndHandsBackTheLevelChosen)
{
  mScale = 2.f;
  Open();

  IPopupMenu menu("", 2, false);
  menu.AddItem("Alpha", IPopupMenu::kAppend, IPopupMenu::Item::kChecked);
  menu.AddSeparator();
  menu.AddItem("Gamma", IPopupMenu::kAppend, IPopupMenu::Item::kDisabled);
  menu.AddItem("Group", IPopupMenu::kAppend, IPopupMenu::Item::kTitle);
  auto* more = new IPopupMenu("", 0, false, {"X", "Y"});
  menu.AddItem("More", more);
  int completions = 0;
  IPopupMenu* completed = nullptr;
  menu.SetFunction([&](IPopupMenu* pMenu) {
    ++completions;
    completed = pMenu;
  });
  more->SetFunction(menu.GetFunction());

  std::vector<std::string> seen;
  MenuRequest request{};
  bool autoenables = true;
  SetMenuResponder([&](const MenuRequest& r) {
    request = r;
    autoenables = r.menu->autoenablesItems();
    Describe(r.menu, seen);
    return ItemAtPath(r.menu, {4, 1}); // More > Y
  });

  // The menu opens on a later turn of the main loop, below the anchor (no current choice).
  mGraphics->CreatePopupMenu(*mPlain, menu, IRECT(10.2f, 20.f, 60.f, 40.f));
  EXPECT_EQ(MenuCount(), 0);
  RunMainQueue();
  ASSERT_EQ(MenuCount(), 1);

  const std::vector<std::string> expected = {"01: Alpha|on|1|0", "---", "03: Gamma|off|0|0", "04: Group|on|0|1",
                                             "05: More|on|0|0",  "> X|on|0|0", "> Y|on|0|0"};
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(autoenables);
  EXPECT_EQ(request.view, View());
  EXPECT_EQ(request.positioningItem, nullptr);
  // The anchor in view points, pixel-aligned outwards: (20, 40, 100 x 40); 4 points below it.
  EXPECT_TRUE(NSEqualPoints(request.location, NSMakePoint(20, 84)));

  // The choice in the submenu: its level is handed back with its index, the parent keeps -1,
  // and the completion runs once with the submenu.
  EXPECT_EQ(more->GetChosenItemIdx(), 1);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(completed, more);
  EXPECT_EQ(mPlain->EventsStartingWith("menu"), std::vector<std::string>{"menu 1 0"});

  // With a current choice that item is placed over the anchor; dismissing hands back nothing
  // and keeps the choice.
  menu.SetChosenItemIdx(2);
  std::string positioned;
  SetMenuResponder([&](const MenuRequest& r) {
    request = r;
    positioned = r.positioningItem ? r.positioningItem->title()->Text() : "";
    return nullptr;
  });
  mGraphics->CreatePopupMenu(*mPlain, menu, IRECT(10.f, 20.f, 60.f, 40.f));
  RunMainQueue();
  ASSERT_EQ(MenuCount(), 2);
  EXPECT_EQ(positioned, "03: Gamma");
  EXPECT_TRUE(NSEqualPoints(request.location, NSMakePoint(20, 40)));
  EXPECT_EQ(mPlain->EventsStartingWith("menu"), (std::vector<std::string>{"menu 1 0", "menu -1 0"}));
  EXPECT_EQ(completions, 1); // none for a dismissal
  EXPECT_EQ(menu.GetChosenItemIdx(), 2);

  // A chosen index beyond the items places nothing: the menu opens below the anchor.
  bool positionItem = true;
  menu.SetChosenItemIdx(5);
  EXPECT_TRUE(NSEqualPoints(PopupMenuLocation(menu, NSMakeRect(3, 5, 10, 7), positionItem), NSMakePoint(3, 16)));
  EXPECT_FALSE(positionItem);
}

TEST_F(MacNativeMenus, AMenuWhoseControlWentBeforeItsTurnIsNeverBuilt)
{
  Open();
  auto* control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  mGraphics->CreatePopupMenu(*control, control->menu, control->GetRECT());
  mGraphics->RemoveControl(control); // and its menu with it
  RunMainQueue();
  EXPECT_EQ(MenuCount(), 0);
  EXPECT_EQ(mGraphics->GetControlInPopupMenu(), nullptr);

  // A request that is still wanted opens as usual.
  IPopupMenu other("", {"A", "B"});
  AnswerNextMenu({1});
  mGraphics->CreatePopupMenu(*mPlain, other, mPlain->GetRECT());
  RunMainQueue();
  EXPECT_EQ(MenuCount(), 1);
  EXPECT_EQ(mPlain->EventsStartingWith("menu"), std::vector<std::string>{"menu 1 0"});
}

// While a menu tracks, with the editor open, the control that asked may go (its menu with it),
// or another control may ask for a menu of its own: the choice made in the first menu is
// written into nothing and heard by nobody (under the sanitizers a write into the freed menu
// fails the run), and the later request opens at its own turn.
TEST_F(MacNativeMenus, AChoiceInAMenuWhoseRequestEndedInsideItsLoopGoesNowhere)
{
  Open();
  auto* control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  SetMenuResponder([&](const MenuRequest& r) {
    mGraphics->RemoveControl(control);
    return ItemAtPath(r.menu, {1});
  });
  mGraphics->CreatePopupMenu(*control, control->menu, control->GetRECT());
  RunMainQueue();
  EXPECT_EQ(MenuCount(), 1);
  EXPECT_EQ(mDelegate.GetUI(), mGraphics);
  EXPECT_EQ(mGraphics->GetControlInPopupMenu(), nullptr);

  // Shows `menu` for `control`; inside that first showing `again` is asked for `againFor` and the
  // second item chosen, and every later showing chooses the third.
  const auto showAskingAgainInside = [&](TestControl& control, IPopupMenu& menu, TestControl& againFor,
                                         IPopupMenu& again) {
    int shown = 0;
    SetMenuResponder([&](const MenuRequest& r) {
      if (shown++ == 0)
      {
        mGraphics->CreatePopupMenu(againFor, again, againFor.GetRECT());
        return ItemAtPath(r.menu, {1});
      }
      return ItemAtPath(r.menu, {2});
    });
    mGraphics->CreatePopupMenu(control, menu, control.GetRECT());
    RunMainQueue();
    RunMainQueue();
    SetMenuResponder(nullptr); // it holds this call's locals
  };
  IPopupMenu first("", {"A", "B"});
  IPopupMenu second("", {"C", "D", "E"});
  showAskingAgainInside(*mBare, first, *mPlain, second);
  EXPECT_EQ(MenuCount(), 3);
  EXPECT_EQ(first.GetChosenItemIdx(), -1);
  EXPECT_EQ(second.GetChosenItemIdx(), 2);
  EXPECT_TRUE(mBare->EventsStartingWith("menu").empty());
  EXPECT_EQ(mPlain->EventsStartingWith("menu"), std::vector<std::string>{"menu 2 0"});

  // The same menu asked for again while it tracks: the first showing's choice is no answer to
  // the later request, which shows the menu once more and takes its own choice.
  IPopupMenu same("", {"F", "G", "H"});
  showAskingAgainInside(*mBare, same, *mBare, same);
  EXPECT_EQ(MenuCount(), 5);
  EXPECT_EQ(same.GetChosenItemIdx(), 2);
  EXPECT_EQ(mBare->EventsStartingWith("menu"), std::vector<std::string>{"menu 2 0"});
}

// The host may close the editor while its menu tracks or its alert runs (both nested loops of
// the main thread): nothing of the editor is touched when they return, and what asked hears
// nothing. The editor's frames go on inside the menu's loop.
TEST_F(MacNativeMenus, ClosingTheEditorFromInsideItsMenuOrAlertTouchesNothingOfIt)
{
  Open(true);
  auto* control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  int completions = 0;
  control->menu.SetFunction([&](IPopupMenu*) { ++completions; });

  // Frames inside the menu: the view's timer runs in the common modes.
  uint64_t framesInMenu = 0;
  SetMenuResponder([&](const MenuRequest& request) {
    framesInMenu = View()->Timer()->FireCount();
    mDelegate.CloseEditorWindow();
    return ItemAtPath(request.menu, {1});
  });
  const uint64_t framesBefore = View()->Timer()->FireCount();
  SetAnswerDelay({1, 50ms});
  mGraphics->CreatePopupMenu(*control, control->menu, control->GetRECT());
  RunMainQueue();
  EXPECT_EQ(MenuCount(), 1);
  EXPECT_GE(framesInMenu, framesBefore + 3);
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(LiveViews(), 0);

  // An alert whose run closes the editor: its completion, which reaches the control, is not
  // called.
  Open(true);
  control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  SetAlertResponder([&](const AlertRequest&) {
    mDelegate.CloseEditorWindow();
    return NSAlertSecondButtonReturn;
  });
  AsHandler([&] {
    mGraphics->ShowMessageBox("text", "caption", kMessageBoxOKCancel,
                              [control](int result) { control->mEvents.push_back("box " + std::to_string(result)); });
  });
  EXPECT_EQ(AlertCount(), 1);
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(LiveViews(), 0);

  // A file sheet that ends after the editor closed: its completion is not called either.
  Open(true);
  control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  plug::CharBuf file(""), folder("");
  AsHandler([&] {
    mGraphics->PromptForFile(file, folder, kFileActionOpen, "",
                             [control](const plug::CharBuf&, const plug::CharBuf&) { control->mEvents.push_back("file"); });
  });
  mDelegate.CloseEditorWindow();
  RunMainQueue();
  EXPECT_EQ(PanelCount(), 1);
}

// A control whose own handlers run an alert of the editor and then go on with their own
// state, as a "reset?" button would; what it heard goes to a record outside it. It draws
// through a layer of its own, which holds a framebuffer of the editor's drawing context.
struct AskingControl : TestControl
{
  AskingControl(const IRECT& bounds, std::vector<std::string>& record) : TestControl(bounds), said(record) {}
  void Draw(IGraphics& g) override
  {
    if (!g.CheckLayer(layer))
    {
      g.StartLayer(this, mRECT);
      g.FillRect(COLOR_BLUE, mRECT);
      layer = g.EndLayer();
    }
    g.DrawLayer(layer);
  }
  void OnMouseDown(float, float, const IMouseMod&) override { Ask("down"); }
  void OnMouseDblClick(float, float, const IMouseMod&) override { Ask("double"); }
  bool OnKeyDown(float, float, const IKeyPress&) override
  {
    Ask("key");
    return false; // on to the editor's key handler
  }
  void Ask(const std::string& what)
  {
    const int answer = GetUI()->ShowMessageBox("Reset?", "Vellicor", kMessageBoxOKCancel);
    mEvents.push_back(what);
    said.push_back(what + " " + std::to_string(answer));
    SetDirty(false);
  }
  std::vector<std::string>& said;
  ILayerPtr layer;
};

TEST_F(MacNativeMenus, ClosingTheEditorFromAnAlertOfAControlsHandlerFreesItOnlyAfterTheHandler)
{
  std::vector<std::string> said;
  const IRECT bounds(10, 130, 110, 150);
  const std::string ok = std::to_string(kMessageBoxResultOK);
  // What the host saw from inside the alert, once it had closed the editor.
  int liveInAlert = -1;
  size_t viewsInContainer = 99;
  auto closeInAlert = [&](const AlertRequest&) {
    mDelegate.CloseEditorWindow();
    liveInAlert = IGraphicsMac::InstanceCount();
    viewsInContainer = mWindow->contentView()->subviews()->count();
    return NSAlertFirstButtonReturn;
  };

  // A click, then a double click, each closed from inside the alert it brings.
  for (const NSInteger clicks : {1, 2})
  {
    Open(true);
    auto* asking = new AskingControl(bounds, said);
    mGraphics->AttachControl(asking);
    standin::RunLoop::Main().RunForMs(50);
    ASSERT_NE(asking->layer, nullptr);
    SetAlertResponder(closeInAlert);
    standin::appkit::MouseOptions options;
    options.clickCount = clicks;
    const NSPoint at = InWindow(60, 140);
    PostMouse(mWindow, NSEventTypeLeftMouseDown, at, options);
    EXPECT_EQ(mDelegate.GetUI(), nullptr);
    EXPECT_EQ(liveInAlert, 1); // kept for the handler still running
    EXPECT_EQ(viewsInContainer, 0u);
    EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);
    EXPECT_EQ(LiveViews(), 0);
    PostMouse(mWindow, NSEventTypeLeftMouseUp, at, options);
  }
  EXPECT_EQ(said, (std::vector<std::string>{"down " + ok, "double " + ok}));

  // A key: the editor's key handler is not asked once the editor closed.
  said.clear();
  Open(true);
  mGraphics->AttachControl(new AskingControl(bounds, said));
  int handlerCalls = 0;
  mGraphics->SetKeyHandlerFunc([&](const IKeyPress&, bool) { return ++handlerCalls > 0; });
  SetAlertResponder(closeInAlert);
  MoveMouse(mWindow, InWindow(60, 140));
  PostKey(mWindow, NSEventTypeKeyDown, 0, "a");
  EXPECT_EQ(said, (std::vector<std::string>{"key " + ok}));
  EXPECT_EQ(handlerCalls, 0);
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 0);

  // Reopened from inside the alert: the new editor is the open one and the old one goes
  // when its handler returns.
  said.clear();
  Open(true);
  mGraphics->AttachControl(new AskingControl(bounds, said));
  IGraphics* reopened = nullptr;
  SetAlertResponder([&](const AlertRequest& request) {
    closeInAlert(request);
    mDelegate.OpenEditorWindow(mWindow->contentView());
    reopened = mDelegate.GetUI();
    return NSAlertSecondButtonReturn;
  });
  Click(mWindow, InWindow(60, 140));
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(mDelegate.GetUI(), reopened);
  EXPECT_EQ(IGraphicsMac::InstanceCount(), 1);
  mGraphics = static_cast<IGraphicsMac*>(reopened);
  EXPECT_EQ(View()->superview(), mWindow->contentView());
  EXPECT_EQ(said, (std::vector<std::string>{"down " + std::to_string(kMessageBoxResultCancel)}));
}

class MacTextEntry : public MacEditorTest
{
protected:
  // Opens a text entry for the control with the text; the field, or null.
  IGraphicsTextField* Enter(TestControl* control, const char* text, const IText& style = IText(14.f))
  {
    mGraphics->CreateTextEntry(*control, style, control->GetRECT(), text);
    return View()->TextField();
  }
  std::string Typed() const
  {
    NSAutoreleasePool pool;
    return View()->TextField() ? View()->TextField()->stringValue()->Text() : std::string("(closed)");
  }
};

TEST_F(MacTextEntry, TheFieldTakesWhatTheParameterTakesAndCommitsOnReturn)
{
  mScale = 2.f;
  Open();

  // An int parameter: digits and signs only; Return commits the value.
  IGraphicsTextField* field = Enter(mInt, "5");
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->superview(), View());
  EXPECT_EQ(mWindow->firstResponder(), field->currentEditor());
  EXPECT_NE(dynamic_cast<IGraphicsTextFieldCell*>(field->cell()), nullptr); // centred (middle)
  EXPECT_EQ(field->alignment(), NSTextAlignmentCenter);
  EXPECT_EQ(field->cell()->lineBreakMode(), NSLineBreakByTruncatingTail);
  EXPECT_FALSE(field->isBordered());
  EXPECT_EQ(field->focusRingType(), NSFocusRingTypeNone);
  // A font that was never loaded: the system font at the text's size on the scaled view.
  ASSERT_NE(field->font(), nullptr);
  EXPECT_TRUE(field->font()->IsSystemFont());
  EXPECT_DOUBLE_EQ(field->font()->pointSize(), 28.0);

  // One entry at a time: a second request, for this control or another, leaves the open field,
  // its text and the control it commits to alone.
  TypeText(mWindow, "1");
  EXPECT_EQ(Enter(mInt, "9"), field);
  EXPECT_EQ(Enter(mDouble, "7"), field);
  EXPECT_EQ(mGraphics->GetControlInTextEntry(), mInt);
  EXPECT_EQ(View()->Subviews().size(), 1u);
  EXPECT_EQ(Typed(), "1");

  TypeText(mWindow, ".2a");
  EXPECT_EQ(Typed(), "12");
  TypeText(mWindow, "\r");
  EXPECT_EQ(View()->TextField(), nullptr);
  EXPECT_EQ(mGraphics->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(mWindow->firstResponder(), View());
  EXPECT_EQ(mDelegate.GetParam(kIntParam)->Value(), 12.0);
  EXPECT_EQ(mDelegate.OpenGestures(kIntParam), 0);

  // A double parameter takes the decimal point; at most the control's entry length.
  mDouble->SetTextEntryLength(4);
  Enter(mDouble, "1");
  TypeText(mWindow, "x2.75");
  EXPECT_EQ(Typed(), "2.75");
  TypeText(mWindow, "\b\b\b\b-.25+");
  EXPECT_EQ(Typed(), "-.25");
  TypeText(mWindow, "\b\b\b\b.5\r");
  EXPECT_EQ(mDelegate.GetParam(kDoubleParam)->Value(), 0.5);

  // A parameter that was never defined takes no character at all.
  Enter(mBare, "");
  TypeText(mWindow, "1a.");
  EXPECT_EQ(Typed(), "");
  mGraphics->EndPlatformTextEntry();
  EXPECT_EQ(View()->TextField(), nullptr);

  // A control without a parameter: any text, any length, to the control itself.
  Enter(mPlain, "");
  TypeText(mWindow, "any text at all.\r");
  EXPECT_EQ(mPlain->EventsStartingWith("text"), std::vector<std::string>{"text any text at all. 0"});
}

TEST_F(MacTextEntry, EndingTheEntryOtherwiseDiscardsWhatWasTyped)
{
  Open();
  Enter(mInt, "5");
  TypeText(mWindow, "77");
  // The wheel ends the entry first and changes nothing.
  Scroll(mWindow, InWindow(50, 150), 3);
  EXPECT_EQ(View()->TextField(), nullptr);
  EXPECT_EQ(mGraphics->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(mDelegate.GetParam(kIntParam)->Value(), 5.0);

  // So does closing the editor with a field open.
  Enter(mDouble, "1");
  TypeText(mWindow, "3");
  mDelegate.CloseEditorWindow();
  EXPECT_EQ(mDelegate.GetParam(kDoubleParam)->Value(), 1.0);
  EXPECT_TRUE(mDelegate.LogStartingWith("value").empty());
}

// A commit that throws still ends the entry and keeps nothing alive; a field whose value
// cannot be read ends it committing nothing; a commit that closes the editor ends it without
// touching the editor again.
TEST_F(MacTextEntry, ACommitThatThrowsOrClosesTheEditorEndsTheEntryAndKeepsNoView)
{
  Open();
  auto* control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  control->onCommit = [] { throw std::runtime_error("commit"); };
  ASSERT_NE(Enter(control, "a"), nullptr);
  TypeText(mWindow, "b\r");
  EXPECT_EQ(View()->TextField(), nullptr);
  EXPECT_EQ(mGraphics->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(control->EventsStartingWith("text"), std::vector<std::string>{"text b 0"});
  mDelegate.CloseEditorWindow();
  EXPECT_EQ(LiveViews(), 0);

  // A field whose value cannot be read commits nothing (an empty text is not what was typed)
  // and still ends.
  Open();
  control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  IGraphicsTextField* field = Enter(control, "a");
  ASSERT_NE(field, nullptr);
  auto* unreadable = new UnreadableFormatter();
  field->setFormatter(unreadable);
  unreadable->release();
  TypeText(mWindow, "b\r");
  EXPECT_EQ(View()->TextField(), nullptr);
  EXPECT_EQ(mGraphics->GetControlInTextEntry(), nullptr);
  EXPECT_TRUE(control->EventsStartingWith("text").empty());
  mDelegate.CloseEditorWindow();

  Open();
  control = new HookedControl(IRECT(10, 130, 110, 150));
  mGraphics->AttachControl(control);
  control->onCommit = [this] { mDelegate.CloseEditorWindow(); };
  ASSERT_NE(Enter(control, "a"), nullptr);
  TypeText(mWindow, "\r");
  EXPECT_EQ(mDelegate.GetUI(), nullptr);
  EXPECT_EQ(LiveViews(), 0);
}

TEST_F(MacTextEntry, TheFieldUsesTheLoadedFontAtItsEmRatioAndTheEntryColours)
{
  Open();
  ASSERT_TRUE(mGraphics->LoadFont("Roboto-Regular", testsupport::RobotoRegularPath().c_str()));
  IText style(20.f, COLOR_BLACK, "Roboto-Regular", EAlign::Far, EVAlign::Top, 0.f, IColor(255, 0, 0, 255),
              IColor(128, 255, 0, 0));
  IGraphicsTextField* field = Enter(mInt, "5", style);
  ASSERT_NE(field, nullptr);
  // Roboto: 2048 units per em over an ascender of 1900 and a descender of -500.
  ASSERT_NE(field->font(), nullptr);
  EXPECT_FALSE(field->font()->IsSystemFont());
  EXPECT_NEAR(field->font()->pointSize(), 20.0 * 2048.0 / 2400.0, 1e-9);
  EXPECT_EQ(field->alignment(), NSTextAlignmentRight);
  EXPECT_EQ(dynamic_cast<IGraphicsTextFieldCell*>(field->cell()), nullptr); // top: the standard cell
  EXPECT_TRUE(field->textColor()->isEqual(NSColor::colorWithDeviceRed(1, 0, 0, 128 / 255.0)));
  EXPECT_TRUE(field->backgroundColor()->isEqual(NSColor::colorWithDeviceRed(0, 0, 1, 1)));
  auto* editor = dynamic_cast<NSTextView*>(field->currentEditor());
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->insertionPointColor()->isEqual(field->textColor()));
}

TEST(MacTextFieldCell, CentresItsLineAndPutsTheEditorThere)
{
  NSAutoreleasePool pool;
  auto* cell = new IGraphicsTextFieldCell(NSString::stringWithUTF8String("textfield"));
  cell->setFont(NSFont::systemFontOfSize(10)); // a line of 12 points
  const NSRect r = cell->drawingRectForBounds(NSMakeRect(0, 0, 100, 30));
  EXPECT_TRUE(NSEqualRects(r, NSMakeRect(2, 9, 96, 12)));
  // A line taller than the field grows it equally up and down.
  const NSRect tall = cell->drawingRectForBounds(NSMakeRect(0, 0, 100, 8));
  EXPECT_TRUE(NSEqualRects(tall, NSMakeRect(2, -2, 96, 12)));

  auto* host = new NSView(NSMakeRect(0, 0, 100, 30));
  auto* editor = new NSTextView();
  cell->selectWithFrame(NSMakeRect(0, 0, 100, 30), host, editor, nullptr, 0, 0);
  EXPECT_TRUE(NSEqualRects(editor->frame(), NSMakeRect(2, 9, 96, 12)));
  editor->removeFromSuperview();
  editor->release();
  host->release();
  cell->release();
}

class MacColourPanel : public MacEditorTest
{
};

TEST_F(MacColourPanel, ChoicesReachTheLatestCallbackUntilTheViewGoes)
{
  Open();
  std::vector<IColor> first, second;
  IColor start(128, 255, 0, 51);
  ASSERT_TRUE(mGraphics->PromptForColor(start, "", [&](const IColor& c) { first.push_back(c); }));
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(panel->showsAlpha());
  {
    NSAutoreleasePool pool;
    EXPECT_TRUE(panel->color()->isEqual(NSColor::colorWithDeviceRed(1, 0, 0.2, 128 / 255.0)));
  }

  // Components are truncated: 1.0 gives 255, 0.5 gives 127.
  ASSERT_TRUE(PickColor(1.0, 0.5, 0.25, 0.999));
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0], IColor(254, 255, 127, 63));

  // A new prompt replaces the callback; an empty one takes the choices without calling out.
  ASSERT_TRUE(mGraphics->PromptForColor(start, "", [&](const IColor& c) { second.push_back(c); }));
  PickColor(0, 0, 0, 1);
  EXPECT_EQ(first.size(), 1u);
  EXPECT_EQ(second.size(), 1u);
  ASSERT_TRUE(mGraphics->PromptForColor(start, "", nullptr));
  EXPECT_TRUE(PickColor(0, 1, 0, 1));

  // Another editor's view going leaves the panel's target alone.
  std::vector<IColor> other;
  mDelegate.SetLayoutFunc(nullptr); // an empty editor
  {
    IGraphicsMac another(mDelegate, 100, 100);
    another.OpenWindow(nullptr);
    another.CloseWindow();
  }
  EXPECT_EQ(panel->target(), View());
  ASSERT_TRUE(mGraphics->PromptForColor(start, "", [&](const IColor& c) { other.push_back(c); }));
  EXPECT_TRUE(PickColor(1, 1, 1, 1));
  EXPECT_EQ(other.size(), 1u);

  // The view closes the panel when it goes and no longer receives its action.
  mDelegate.CloseEditorWindow();
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(panel->target(), nullptr);
  panel->orderFront(nullptr);
  EXPECT_TRUE(PickColor(1, 1, 1, 1)); // goes nowhere
  panel->close();
  EXPECT_EQ(second.size(), 1u);
  EXPECT_EQ(other.size(), 1u);
}

// The view may outlive its editor (the host's window or an autorelease pool holds it): a colour
// picked after the editor closed reaches no callback of the editor's.
TEST_F(MacColourPanel, APickAfterTheEditorClosedReachesNothingOfIt)
{
  Open();
  IGraphicsView* view = View();
  view->retain();
  int picks = 0;
  IColor start(255, 0, 0, 0);
  ASSERT_TRUE(mGraphics->PromptForColor(start, "", [&picks, control = mPlain](const IColor&) {
    ++picks;
    control->mEvents.push_back("colour");
  }));
  mDelegate.CloseEditorWindow();
  PickColor(1, 1, 1, 1);
  EXPECT_EQ(picks, 0);
  view->release();
}

} // namespace
