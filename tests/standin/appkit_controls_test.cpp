// The AppKit stand-in's text fields, menus, alerts, panels, pasteboard, workspace, colour
// panel and cursors, used as the platform layer uses them and answered as a user would.
#include "tests/standin/AppKitTesting.h"
#include "tests/support/ReturnsInTime.h"
#include "tests/support/TempDir.h"

#include "standin/foundation/RunLoop.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using namespace appkittest;
using namespace standin::appkit;

namespace {

using Log = std::vector<std::string>;

// Digits only, at most three.
struct DigitsFormatter : NSFormatter
{
  NSMutableCharacterSet* digits = new NSMutableCharacterSet();
  DigitsFormatter()
  {
    NSString* text = new NSString("0123456789");
    digits->addCharactersInString(text);
    text->release();
  }
  ~DigitsFormatter() override { digits->release(); }
  NSString* stringForObjectValue(NSObject* object) override { return dynamic_cast<NSString*>(object); }
  bool getObjectValue(NSObject** object, const NSString* string, NSString**) override
  {
    if (!string || string->length() == 0)
      return false; // an empty text is no value
    if (object)
      *object = NSString::stringWithString(string);
    return true;
  }
  bool isPartialStringValid(const NSString* partial, NSString**, NSString**) override
  {
    for (size_t i = 0; i < partial->length(); ++i)
      if (!digits->characterIsMember(partial->characterAtIndex(i)))
        return false;
    return partial->length() <= 3;
  }
};

// A cell that centres its line vertically and puts the editor there, as the editor's
// text-field cell does.
struct CentringCell : NSTextFieldCell
{
  CentringCell(const NSString* text, Log* calls) : NSTextFieldCell(text), mCalls(calls) {}
  NSRect drawingRectForBounds(NSRect bounds) override
  {
    NSRect r = NSTextFieldCell::drawingRectForBounds(bounds);
    if (!mEditingOrSelecting)
    {
      const double d = r.size.height - cellSize().height;
      r.size.height -= d;
      r.origin.y += d * 0.5;
    }
    return r;
  }
  void selectWithFrame(NSRect frame, NSView* view, NSText* editor, NSTextDelegate* delegate, NSInteger start, NSInteger length) override
  {
    frame = drawingRectForBounds(frame);
    mEditingOrSelecting = true;
    NSTextFieldCell::selectWithFrame(frame, view, editor, delegate, start, length);
    mEditingOrSelecting = false;
    mCalls->push_back("select");
  }
  void editWithFrame(NSRect frame, NSView* view, NSText* editor, NSTextDelegate* delegate, NSEvent* event) override
  {
    frame = drawingRectForBounds(frame);
    mEditingOrSelecting = true;
    NSTextFieldCell::editWithFrame(frame, view, editor, delegate, event);
    mEditingOrSelecting = false;
    mCalls->push_back("edit");
  }
  bool mEditingOrSelecting = false;
  Log* mCalls;
};

// The view that owns the field and hears its editing.
struct FieldHost : NSView, NSTextFieldDelegate
{
  FieldHost(NSRect frame, Log* log) : NSView(frame), mLog(log) {}
  void controlTextDidBeginEditing(NSNotification*) override { mLog->push_back("begin"); }
  void controlTextDidChange(NSNotification* n) override
  {
    mLog->push_back("change " + dynamic_cast<NSTextField*>(n->object())->stringValue()->Text());
  }
  void controlTextDidEndEditing(NSNotification* n) override
  {
    const auto* movement = dynamic_cast<const NSNumber*>(n->userInfo()->objectForKey(NSTextMovementUserInfoKey));
    mLog->push_back("end " + dynamic_cast<NSTextField*>(n->object())->stringValue()->Text() + " " +
                    std::to_string(movement->intValue()));
  }
  Log* mLog;
};

struct Receiver : NSView
{
  Receiver() : NSView(NSMakeRect(5, 6, 7, 8)) {}
  NSMenuItem* chosen = nullptr;
  int colours = 0;
  void onMenuSelection(NSMenuItem* item) { chosen = item; }
  void onColorPicked(NSColorPanel*) { ++colours; }
};

class AppKitControls : public AppKitTest
{
};

// A timer target that logs "its user information@the loop's time in ms" at each firing.
struct Ticker : NSObject
{
  explicit Ticker(Log* log) : NSObject(Class()), mLog(log) {}
  void onTick(NSTimer* timer)
  {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(standin::RunLoop::Main().Now()).count();
    mLog->push_back(standin::TextOf(timer->userInfo()) + "@" + std::to_string(ms));
  }
  Log* mLog;
};

TEST_F(AppKitControls, TextFieldEditingValidatesEveryEditAndEndsByReturnFocusOrRemoval)
{
  NSAutoreleasePool pool; // the main thread's
  Log log, calls;
  NSWindow* window = new NSWindow(NSMakeRect(0, 0, 300, 200));
  auto* host = new FieldHost(NSZeroRect, &log);
  window->setContentView(host);
  auto* field = new NSTextField(NSMakeRect(10, 10, 100, 30));
  {
    auto* cell = new CentringCell(S("textfield"), &calls);
    field->setCell(cell);
    cell->release();
    field->setEditable(true);
    field->setFont(NSFont::systemFontOfSize(12));
    auto* formatter = new DigitsFormatter();
    field->setFormatter(formatter);
    formatter->release();
    field->setStringValue(S("7"));
    field->setDelegate(host);
    host->addSubview(field);
    window->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(window->makeFirstResponder(field));
  }
  // The editor sits on the centred line of the field, with the text selected.
  NSText* editor = field->currentEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(window->firstResponder(), editor);
  EXPECT_EQ(editor->superview(), field);
  EXPECT_TRUE(NSEqualRects(editor->frame(), NSMakeRect(2, 7.5, 96, 15)));
  EXPECT_EQ(editor->selectedRange().length, 1u);

  // The formatter refuses the letter and a fourth digit.
  const long beeps = BeepCount();
  TypeText(window, "1a2345");
  EXPECT_EQ(editor->Text(), u"123");
  EXPECT_EQ(BeepCount(), beeps + 3);
  PressKey(window, kKeyDelete, "\x7f");
  PressKey(window, kKeyReturn, "\r");
  EXPECT_EQ(log, (Log{"begin", "change 1", "change 12", "change 123", "change 12", "end 12 16"}));
  EXPECT_EQ(field->stringValue()->Text(), "12");
  // After Return the field keeps the focus, its text selected again.
  EXPECT_EQ(window->firstResponder(), field->currentEditor());
  EXPECT_EQ(calls, (Log{"select", "select"}));

  // Taken away with its delegate detached first, the field ends without telling anyone.
  log.clear();
  field->setDelegate(nullptr);
  field->removeFromSuperview();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(window->firstResponder(), window);
  EXPECT_EQ(field->currentEditor(), nullptr);
  EXPECT_EQ(editor->superview(), nullptr);

  // A click starts editing with the insertion point at the end; removal with the delegate
  // still attached commits what was typed.
  field->setDelegate(host);
  host->addSubview(field);
  Click(window, InWindow(field, NSMakePoint(50, 15)));
  EXPECT_EQ(calls.back(), "edit");
  EXPECT_EQ(editor->selectedRange().location, 2u);
  field->selectText(nullptr);
  Click(window, InWindow(field, NSMakePoint(50, 2))); // in the field, off the editor's line
  EXPECT_EQ(editor->selectedRange().location, 2u);
  EXPECT_EQ(window->firstResponder(), editor);
  TypeText(window, "9");
  field->removeFromSuperview();
  EXPECT_EQ(log, (Log{"begin", "change 129", "end 129 0"}));

  // A text the formatter cannot read keeps the focus in the field.
  log.clear();
  host->addSubview(field);
  field->selectText(nullptr);
  PressKey(window, kKeyDelete, "\x7f");
  EXPECT_FALSE(window->makeFirstResponder(nullptr));
  EXPECT_EQ(window->firstResponder(), editor);
  TypeText(window, "5");
  EXPECT_TRUE(window->makeFirstResponder(nullptr));
  EXPECT_EQ(log, (Log{"begin", "change ", "change 5", "end 5 0"}));

  field->release();
  host->release();
  window->release();
}

TEST_F(AppKitControls, MenusAskTheirResponderAndSendTheChosenItemsAction)
{
  NSAutoreleasePool pool;
  auto* receiver = Autoreleased(new Receiver());
  const SEL pick = STANDIN_SELECTOR(Receiver, onMenuSelection);
  NSMenu* menu = Autoreleased(new NSMenu(S("")));
  menu->setAutoenablesItems(false);
  menu->addItemWithTitle(S("01: One"), pick, S(""))->setTarget(receiver);
  menu->addItem(NSMenuItem::separatorItem());
  NSMenuItem* subItem = menu->addItemWithTitle(S("03: Sub"), SEL(), S(""));
  NSMenu* sub = Autoreleased(new NSMenu(S("")));
  sub->addItemWithTitle(S("A"), pick, S(""))->setTarget(receiver);
  NSMenuItem* disabled = sub->addItemWithTitle(S("B"), pick, S(""));
  disabled->setTarget(receiver);
  disabled->setEnabled(false);
  menu->setSubmenuForItem(sub, subItem);
  NSMenuItem* four = menu->addItemWithTitle(S("04: Four"), pick, S(""));
  four->setTarget(receiver);
  four->setState(NSControlStateValueOn);

  std::vector<int> answer;
  std::vector<MenuRequest> requests;
  SetMenuResponder([&](const MenuRequest& request) {
    requests.push_back(request);
    return ItemAtPath(request.menu, answer);
  });
  const auto popUp = [&](std::vector<int> path) {
    answer = std::move(path);
    receiver->chosen = nullptr;
    return menu->popUpMenuPositioningItem(menu->itemAtIndex(0), NSMakePoint(10, 20), receiver);
  };

  // A choice in the submenu reaches the receiver; the item knows its menu and place.
  EXPECT_TRUE(popUp({2, 0}));
  ASSERT_NE(receiver->chosen, nullptr);
  EXPECT_EQ(receiver->chosen->menu(), sub);
  EXPECT_EQ(sub->indexOfItem(receiver->chosen), 0);
  EXPECT_EQ(sub->supermenu(), menu);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].positioningItem, menu->itemAtIndex(0));
  EXPECT_TRUE(NSEqualPoints(requests[0].location, NSMakePoint(10, 20)));
  EXPECT_EQ(requests[0].view, receiver);

  // What a user cannot choose dismisses the menu: a disabled item, a separator, a submenu's
  // own item, an item under a disabled submenu item.
  EXPECT_FALSE(popUp({2, 1}));
  EXPECT_FALSE(popUp({1}));
  EXPECT_FALSE(popUp({2}));
  subItem->setEnabled(false);
  EXPECT_FALSE(popUp({2, 0}));
  EXPECT_EQ(receiver->chosen, nullptr);

  // Queued answers come before the responder.
  AnswerNextMenu({3});
  AnswerNextMenu({});
  EXPECT_TRUE(popUp({0}));
  EXPECT_EQ(receiver->chosen, four);
  EXPECT_FALSE(popUp({0}));
  EXPECT_EQ(requests.size(), 5u);
  EXPECT_EQ(MenuCount(), 7);

  // The menu takes the mouse: the drag after it reaches no view.
  Log log;
  NSWindow* window = Autoreleased(new NSWindow(NSMakeRect(0, 0, 100, 100)));
  auto* view = Autoreleased(new LogView(NSMakeRect(0, 0, 100, 100), &log));
  window->contentView()->addSubview(view);
  PostMouse(window, NSEventTypeLeftMouseDown, NSMakePoint(10, 10));
  popUp({});
  PostMouse(window, NSEventTypeLeftMouseDragged, NSMakePoint(20, 10));
  EXPECT_EQ(log, (Log{"entered", "down 10,90 n=1"}));
  view->removeFromSuperview();
}

// A menu tracks in a loop of its own in the event-tracking mode, an alert runs one in the
// modal-panel mode; the user's answer comes from inside after its delay. Queued blocks wait
// while the loop was entered from one. A sheet returns at once and ends after the completion
// delay.
TEST_F(AppKitControls, MenusAndModalRunsAreNestedLoopsOfTheirModesAndSheetsReturnAtOnce)
{
  using namespace std::chrono_literals;
  NSAutoreleasePool pool;
  standin::RunLoop& loop = standin::RunLoop::Main();
  loop.RemoveAllTimers();
  ASSERT_TRUE(loop.SetClock(standin::RunLoop::EClock::kVirtual));

  Log log;
  auto* ticker = Autoreleased(new Ticker(&log));
  std::vector<NSTimer*> timers;
  for (const auto& [name, mode] : std::vector<std::pair<const char*, NSString*>>{
         {"default", NSDefaultRunLoopMode}, {"common", NSRunLoopCommonModes}, {"tracking", NSEventTrackingRunLoopMode},
         {"modal", NSModalPanelRunLoopMode}})
  {
    timers.push_back(NSTimer::timerWithTimeInterval(0.010, ticker, STANDIN_SELECTOR(Ticker, onTick), S(name), true));
    NSRunLoop::currentRunLoop()->addTimer(timers.back(), mode);
  }
  const auto take = [&] { return std::exchange(log, Log()); };

  auto* receiver = Autoreleased(new Receiver());
  NSMenu* menu = Autoreleased(new NSMenu(S("")));
  menu->addItemWithTitle(S("One"), STANDIN_SELECTOR(Receiver, onMenuSelection), S(""))->setTarget(receiver);

  // The menu, shown from a queued block: the common and tracking timers fire inside it, the
  // block queued after waits until the one showing the menu has returned.
  Log inMenu;
  loop.PerformBlock([&] {
    AnswerNextMenu({0}, {1, 25ms});
    EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(0, 0), receiver));
    inMenu = take();
  });
  loop.PerformBlock([&] { log.push_back("block"); });
  loop.RunFor(0ns);
  EXPECT_EQ(inMenu, (Log{"common@10", "tracking@10", "common@20", "tracking@20"}));
  EXPECT_EQ(receiver->chosen, menu->itemAtIndex(0));
  EXPECT_EQ(take(), Log{"block"});

  // An alert run outside any block: queued blocks run inside, with the modal-panel timers.
  loop.PerformBlock([&] { log.push_back("block"); });
  NSAlert* alert = Autoreleased(new NSAlert());
  AnswerNextAlert(0, {2, 20ms});
  EXPECT_EQ(alert->runModal(), NSAlertFirstButtonReturn);
  EXPECT_EQ(take(), (Log{"block", "common@30", "modal@30", "common@40", "modal@40"}));
  // Back in the default mode: its timer comes round once for the points it missed, then keeps
  // its schedule; the tracking and modal-panel timers wait.
  loop.RunForMs(10);
  EXPECT_EQ(take(), (Log{"default@45", "default@50", "common@50"}));

  // A responder answers from inside the loop too, after the answer delay.
  SetAnswerDelay({1, 10ms});
  SetAlertResponder([&](const AlertRequest&) {
    log.push_back("answer");
    return NSAlertFirstButtonReturn;
  });
  alert->runModal();
  EXPECT_EQ(take(), (Log{"modal@55", "common@60", "modal@60", "answer"}));

  // A sheet returns at once and ends after the completion delay: turns, then time.
  NSWindow* window = Autoreleased(new NSWindow(NSMakeRect(0, 0, 10, 10)));
  int ended = 0;
  SetCompletionDelay({3, 0ms});
  NSSavePanel::savePanel()->beginSheetModalForWindow(window, [&](NSModalResponse) { ++ended; });
  EXPECT_EQ(ended, 0);
  loop.RunDue();
  loop.RunDue();
  EXPECT_EQ(ended, 0);
  loop.RunDue();
  EXPECT_EQ(ended, 1);
  SetCompletionDelay({1, 15ms});
  NSSavePanel::savePanel()->beginSheetModalForWindow(window, [&](NSModalResponse) { ++ended; });
  loop.RunForMs(14);
  EXPECT_EQ(ended, 1);
  loop.RunForMs(1);
  EXPECT_EQ(ended, 2);

  for (NSTimer* timer : timers)
    timer->invalidate();
  loop.SetClock(standin::RunLoop::EClock::kReal);
}

TEST_F(AppKitControls, AlertsAndFilePanelsAreAnsweredByResponders)
{
  NSAutoreleasePool pool;
  testsupport::TempDir dir;
  WriteText(dir.File("a.wav"), "RIFF");
  WriteText(dir.File("b.txt"), "text");
  std::filesystem::create_directories(dir.File("sub"));

  NSAlert* alert = Autoreleased(new NSAlert());
  alert->setMessageText(S("Caption"));
  alert->setInformativeText(S("Text"));
  for (const char* title : {"Yes", "No", "Cancel"})
    alert->addButtonWithTitle(S(title));
  EXPECT_EQ(alert->runModal(), NSAlertFirstButtonReturn); // Return: the first button
  AnswerNextAlert(1);
  EXPECT_EQ(alert->runModal(), NSAlertSecondButtonReturn);
  std::string seen;
  SetAlertResponder([&](const AlertRequest& request) {
    seen = request.alert->messageText()->Text() + "/" + request.alert->informativeText()->Text();
    for (const std::string& title : request.alert->ButtonTitles())
      seen += "/" + title;
    return request.alert->Buttons().empty() ? NSAlertFirstButtonReturn : NSAlertThirdButtonReturn;
  });
  EXPECT_EQ(alert->runModal(), NSAlertThirdButtonReturn);
  EXPECT_EQ(seen, "Caption/Text/Yes/No/Cancel");
  NSAlert* plain = Autoreleased(new NSAlert());
  EXPECT_EQ(plain->runModal(), NSAlertFirstButtonReturn);
  EXPECT_EQ(seen, "//OK"); // the default button
  {
    FaultCounter faults;
    SetAlertResponder([](const AlertRequest&) { return NSAlertSecondButtonReturn; });
    EXPECT_EQ(plain->runModal(), NSAlertFirstButtonReturn);
    EXPECT_EQ(faults.Count(), 1);
  }

  // A save panel adds the allowed extension; cancelling leaves no file.
  NSSavePanel* save = NSSavePanel::savePanel();
  save->setAllowedFileTypes(S("json")->componentsSeparatedByString(S(" ")));
  AnswerNextPanel(dir.File("preset"));
  EXPECT_EQ(save->runModal(), NSModalResponseOK);
  EXPECT_EQ(save->filename()->Text(), dir.File("preset.json"));
  AnswerNextPanel("");
  EXPECT_EQ(save->runModal(), NSModalResponseCancel);
  EXPECT_EQ(save->URL(), nullptr);

  // An open panel lets the user choose only what it shows.
  NSOpenPanel* open = NSOpenPanel::openPanel();
  open->setAllowedFileTypes(S("wav aif")->componentsSeparatedByString(S(" ")));
  EXPECT_EQ(open->allowedFileTypes()->count(), 2u);
  for (const auto& [path, response] : std::vector<std::pair<std::string, NSModalResponse>>{
         {dir.File("b.txt"), NSModalResponseCancel}, {dir.File("missing.wav"), NSModalResponseCancel},
         {dir.File("sub"), NSModalResponseCancel}, {dir.File("a.wav"), NSModalResponseOK}})
  {
    AnswerNextPanel(path);
    EXPECT_EQ(open->runModal(), response) << path;
  }
  open->setCanChooseFiles(false);
  open->setCanChooseDirectories(true);
  AnswerNextPanel(dir.File("sub"));
  EXPECT_EQ(open->runModal(), NSModalResponseOK);
  EXPECT_EQ(open->URLs()->count(), 1u);

  // A sheet answers on a later turn of the run loop and keeps its panel until then.
  NSWindow* window = Autoreleased(new NSWindow(NSMakeRect(0, 0, 10, 10)));
  NSModalResponse sheetResponse = -1;
  std::string sheetFile;
  SetPanelResponder([&](const PanelRequest& request) {
    EXPECT_TRUE(request.panel->IsSheet());
    return PanelAnswer{NSModalResponseOK, dir.File("a.wav")};
  });
  {
    NSAutoreleasePool inner;
    NSOpenPanel* sheet = NSOpenPanel::openPanel();
    sheet->beginSheetModalForWindow(window, [&, sheet](NSModalResponse response) {
      sheetResponse = response;
      sheetFile = sheet->filename()->Text();
    });
  }
  EXPECT_EQ(sheetResponse, -1);
  standin::RunLoop::Main().RunDue();
  EXPECT_EQ(sheetResponse, NSModalResponseOK);
  EXPECT_EQ(sheetFile, dir.File("a.wav"));
  EXPECT_EQ(PanelCount(), 8);
}

TEST_F(AppKitControls, PasteboardWorkspaceAndColourPanelRoundTrips)
{
  NSAutoreleasePool pool;
  testsupport::TempDir dir;
  WriteText(dir.File("a.wav"), "RIFF");
  NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
  EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
  pasteboard->clearContents();
  EXPECT_TRUE(pasteboard->setString(S("gain 3 dB"), NSStringPboardType));
  EXPECT_EQ(pasteboard->stringForType(NSPasteboardTypeString)->Text(), "gain 3 dB");
  pasteboard->clearContents();
  EXPECT_TRUE(pasteboard->writeObjects(Autoreleased(new NSArray({NSURL::fileURLWithPath(S(dir.File("a.wav").c_str()))}))));
  EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
  const NSArray* types = pasteboard->types();
  ASSERT_EQ(types->count(), 2u);
  EXPECT_EQ(standin::TextOf(types->objectAtIndex(1)), "NSFilenamesPboardType");
  const auto* files = dynamic_cast<const NSArray*>(pasteboard->propertyListForType(NSFilenamesPboardType));
  ASSERT_TRUE(files && files->count() == 1);
  EXPECT_EQ(standin::TextOf(files->objectAtIndex(0)), dir.File("a.wav"));
  EXPECT_FALSE(pasteboard->writeObjects(Autoreleased(new NSArray({NSNumber::numberWithBool(true)}))));

  NSWorkspace* workspace = NSWorkspace::sharedWorkspace();
  EXPECT_TRUE(workspace->openURL(NSURL::URLWithString(S("https://example.com/manual"))));
  EXPECT_FALSE(workspace->openURL(NSURL::fileURLWithPath(S(dir.File("missing.pdf").c_str()))));
  EXPECT_TRUE(workspace->openFile(S(dir.Path().c_str())));
  EXPECT_TRUE(workspace->selectFile(S(dir.File("a.wav").c_str()), S(dir.Path().c_str())));
  ASSERT_EQ(WorkspaceRequests().size(), 4u);
  EXPECT_EQ(WorkspaceRequests()[0].target, "https://example.com/manual");
  EXPECT_EQ(WorkspaceRequests()[3].root, dir.Path());

  // The colour panel sends each pick to its target until it is closed.
  auto* receiver = Autoreleased(new Receiver());
  EXPECT_FALSE(PickColor(1, 0, 0, 1));
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  panel->setTarget(receiver);
  panel->setAction(STANDIN_SELECTOR(Receiver, onColorPicked));
  panel->setColor(NSColor::colorWithDeviceRed(0.2, 0.4, 0.6, 2.0));
  EXPECT_EQ(panel->color()->alphaComponent(), 1.0);
  panel->orderFront(nullptr);
  EXPECT_TRUE(PickColor(1, 0.5, 0, 0.25));
  EXPECT_EQ(receiver->colours, 1);
  EXPECT_EQ(panel->color()->greenComponent(), 0.5);
  panel->close();
  EXPECT_FALSE(PickColor(1, 0.5, 0, 0.25));
  EXPECT_EQ(receiver->colours, 1);
}

TEST_F(AppKitControls, CursorsFromTheSystemFolderAndThePrivateOnes)
{
  NSAutoreleasePool pool;
  testsupport::TempDir dir;
  WriteText(dir.File("move/cursor.pdf"), "%PDF-1.4\n1 0 obj << /Type /Page /MediaBox [ 0 0 17.5 24 ] >> endobj\n%%EOF\n");
  WriteText(dir.File("move/info.plist"),
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>hotx-scaled</key><real>8</real>"
            "<key>hoty-scaled</key><real>9</real><key>shadowoffsety</key><real>-1</real>"
            "<key>shadowcolor</key><array><real>0</real><real>0</real><real>0</real><real>0.5</real></array></dict></plist>");
  SetSystemCursorFolder(dir.Path());
  const std::string folder = SystemCursorFolder();
  EXPECT_EQ(folder, dir.Path() + "/");

  // The steps the editor view takes to make its "move" cursor.
  NSImage* pdf = Autoreleased(new NSImage(S((folder + "move/cursor.pdf").c_str())));
  ASSERT_TRUE(pdf->isValid());
  EXPECT_TRUE(NSEqualSizes(pdf->size(), NSMakeSize(17.5, 24)));
  NSImage* image = Autoreleased(new NSImage(pdf->size()));
  const NSDictionary* info = NSDictionary::dictionaryWithContentsOfURL(NSURL::URLWithString(S(("file:" + folder + "move/info.plist").c_str())));
  ASSERT_NE(info, nullptr);
  const auto value = [&](const char* key) {
    const auto* number = dynamic_cast<const NSNumber*>(info->objectForKey(key));
    return number ? number->doubleValue() : 0.0;
  };
  const NSPoint hotSpot = NSMakePoint(value("hotx-scaled"), value("hoty-scaled"));
  CGColorRef shadow = CGColorCreateGenericRGB(0, 0, 0, 0.5);
  for (int scale = 1; scale <= 4; ++scale)
  {
    NSAffineTransform* transform = NSAffineTransform::transform();
    transform->scaleBy(scale);
    CGImageRef drawn = pdf->CGImageForProposedRect(nullptr, nullptr, Autoreleased(new NSDictionary({NSImageHintCTM}, {transform})));
    ASSERT_NE(drawn, nullptr);
    const size_t w = CGImageGetWidth(drawn), h = CGImageGetHeight(drawn);
    CGContextRef context = CGBitmapContextCreate(nullptr, w, h, CGImageGetBitsPerComponent(drawn), 0, CGImageGetColorSpace(drawn),
                                                 CGImageGetBitmapInfo(drawn));
    ASSERT_NE(context, nullptr);
    CGContextSetShadowWithColor(context, CGSizeMake(0, -1.0 * scale), 0, shadow);
    CGContextDrawImage(context, CGRectMake(0, 0, static_cast<CGFloat>(w), static_cast<CGFloat>(h)), drawn);
    CGImageRef made = CGBitmapContextCreateImage(context);
    auto* rep = new NSBitmapImageRep(made);
    rep->setSize(pdf->size());
    image->addRepresentation(rep);
    EXPECT_EQ(rep->pixelsWide(), std::lround(17.5 * scale));
    EXPECT_EQ(made->Pixels()[(h / 2 * w + w / 2) * 4 + 3], 255);
    rep->release();
    CGImageRelease(made);
    CGContextRelease(context);
  }
  CGColorRelease(shadow);
  NSCursor* cursor = Autoreleased(new NSCursor(image, hotSpot));
  cursor->set();
  EXPECT_EQ(Cursor().name, "");
  EXPECT_EQ(Cursor().representations, 4u);
  EXPECT_TRUE(NSEqualPoints(Cursor().hotSpot, NSMakePoint(8, 9)));
  EXPECT_FALSE(Autoreleased(new NSImage(S(dir.File("move/info.plist").c_str())))->isValid());

  // Private cursors exist only while the switch says so.
  EXPECT_TRUE(NSCursor::respondsToSelector("_windowResizeEastWestCursor"));
  NSCursor::performSelector("_windowResizeEastWestCursor")->set();
  EXPECT_EQ(Cursor().name, "_windowResizeEastWestCursor");
  NSCursor::_setHelpCursor(true);
  EXPECT_TRUE(NSCursor::helpCursorShown());
  SetPrivateCursorsAvailable(false);
  EXPECT_FALSE(NSCursor::respondsToSelector("_windowResizeNorthCursor"));
  EXPECT_FALSE(NSCursor::respondsToSelector("helpCursorShown"));
  EXPECT_TRUE(NSCursor::respondsToSelector("resizeUpCursor"));
  FaultCounter faults;
  EXPECT_EQ(NSCursor::performSelector("_helpCursor"), nullptr);
  EXPECT_FALSE(NSCursor::helpCursorShown());
  EXPECT_EQ(faults.Count(), 2);
}

TEST(PdfImageFiles, AFilePastTheBoundIsRefusedWholeAndAFifoAtOnce)
{
  // 16 MiB is the most read; a longer file is refused, not read in part.
  NSAutoreleasePool pool;
  testsupport::TempDir dir;
  const std::string page = "%PDF-1.4\n1 0 obj << /Type /Page /MediaBox [ 0 0 17.5 24 ] >> endobj\n";
  for (const off_t size : {off_t{16} << 20, (off_t{16} << 20) + 1})
  {
    const std::string path = dir.File("cursor" + std::to_string(size) + ".pdf");
    WriteText(path, page);
    ASSERT_EQ(truncate(path.c_str(), size), 0);
    EXPECT_EQ(Autoreleased(new NSImage(S(path.c_str())))->isValid(), size == off_t{16} << 20) << size;
  }
  // Nobody writes the FIFO: a reader that waited for a writer would never return.
  const std::string fifo = dir.File("fifo.pdf");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int valid = -1;
  EXPECT_TRUE(testsupport::ReturnsInTime(
    10.0, [&]() { return Autoreleased(new NSImage(S(fifo.c_str())))->isValid() ? 1 : 0; }, &valid));
  EXPECT_EQ(valid, 0);
}

TEST(PdfPageSize, ReadsTheFirstMediaBoxWithinItsBytes)
{
  const struct
  {
    const char* bytes;
    bool ok;
    double width, height;
  } kCases[] = {
    {"/MediaBox [0 0 24 24]", true, 24, 24},
    {"x/MediaBox[-10 -5.5 10 4.5 ]y", true, 20, 10},
    {"/MediaBox [0 0 0 24]", false, 0, 0},
    {"/MediaBox [0 0 24", false, 0, 0},
    {"/MediaBox [0 0 1e5 2]", false, 0, 0},
    {"/MediaBox [0 0 200000 10]", false, 0, 0},
    {"/MediaBox (0 0 1 1) /MediaBox [0 0 5 5]", false, 0, 0},
    {"/MediaBo", false, 0, 0},
  };
  for (const auto& c : kCases)
  {
    NSSize size;
    const std::string bytes = c.bytes;
    EXPECT_EQ(ReadPdfPageSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &size), c.ok) << c.bytes;
    if (c.ok)
    {
      EXPECT_TRUE(NSEqualSizes(size, NSMakeSize(c.width, c.height))) << c.bytes;
    }
  }
}

} // namespace
