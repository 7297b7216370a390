#include "standin/appkit/Internal.h"
#include "standin/foundation/Unicode.h"

#include <map>
#include <utility>

using namespace standin::appkit::detail;

namespace standin::appkit::detail {

const char* const kDefaultCursorFolder =
  "/System/Library/Frameworks/ApplicationServices.framework/Versions/A/Frameworks/HIServices.framework/Versions/A/Resources/cursors/";

State& TheState()
{
  static State* sState = new State;
  return *sState;
}

void ForgetMouseButtons()
{
  for (NSWindow* window : TheState().windows)
    window->CancelMouseTracking();
}

void ApplySystemVersion()
{
  // The application-kit version number of each release.
  static const std::map<std::pair<int, int>, double> kVersions = {
    {{10, 6}, 1038}, {{10, 7}, 1138}, {{10, 8}, 1187}, {{10, 9}, 1265}, {{10, 10}, 1343}, {{10, 11}, 1404},
    {{10, 12}, 1504}, {{10, 13}, 1561}, {{10, 14}, 1671}, {{10, 15}, 1894}, {{11, 0}, 2022}, {{12, 0}, 2113},
    {{13, 0}, 2299}};
  const State& state = TheState();
  auto it = kVersions.upper_bound({state.versionMajor, state.versionMinor});
  NSAppKitVersionNumber = it == kVersions.begin() ? 1000 : std::prev(it)->second;
}

NSString* Str(const std::string& text) { return Autoreleased(new NSString(text)); }

NSArray* StringArray(const std::vector<std::string>& texts)
{
  std::vector<const NSObject*> strings;
  for (const std::string& text : texts)
    strings.push_back(Str(text));
  return Autoreleased(new NSArray(strings));
}

std::string Text(const NSString* string) { return string ? string->Text() : std::string(); }

void SetText(NSString*& field, const NSString* text)
{
  NSString* copy = new NSString(Text(text));
  field->release();
  field = copy;
}

} // namespace standin::appkit::detail

namespace standin::appkit {

namespace {

// Every view of every window with its effective appearance.
std::vector<std::pair<NSView*, NSAppearance*>> Appearances()
{
  std::vector<std::pair<NSView*, NSAppearance*>> views;
  std::function<void(NSView*)> visit = [&](NSView* view) {
    views.emplace_back(view, view->effectiveAppearance());
    for (NSView* subview : view->Subviews())
      visit(subview);
  };
  for (NSWindow* window : TheState().windows)
    if (window->contentView())
      visit(window->contentView());
  return views;
}

double NextTimestamp()
{
  static double sTime = 0;
  return sTime += 0.001;
}

void Deliver(const NSEvent::Fields& fields)
{
  NSEvent* event = new NSEvent(fields);
  NSApplication::sharedApplication()->sendEvent(event);
  event->release();
}

} // namespace

void Reset()
{
  State& state = TheState();
  EndDraggingSession();
  NSPasteboard::generalPasteboard()->clearContents();
  NSPasteboard::pasteboardWithName(NSPasteboardNameDrag)->clearContents();
  if (NSColorPanel::sharedColorPanelExists())
  {
    NSColorPanel* panel = NSColorPanel::sharedColorPanel();
    panel->close();
    panel->setTarget(nullptr);
    panel->setAction(SEL());
  }
  NSApplication::sharedApplication()->setAppearance(nullptr);
  const std::vector<NSWindow*> windows = state.windows;
  const NSInteger nextWindow = state.nextWindowNumber;
  NSWindow* keyWindow = state.keyWindow;
  state = State();
  state.windows = windows;
  state.nextWindowNumber = nextWindow;
  state.keyWindow = keyWindow;
  ApplySystemVersion();
}

void SetMainScreen(NSRect frame, CGFloat backingScale)
{
  State& state = TheState();
  std::vector<std::pair<NSWindow*, CGFloat>> before;
  for (NSWindow* window : state.windows)
    before.emplace_back(window, window->backingScaleFactor());
  state.screenFrame = frame;
  state.screenScale = backingScale;
  for (const auto& entry : before)
    if (entry.first->backingScaleFactor() != entry.second)
      entry.first->NotifyBackingPropertiesChanged();
}

void SetSystemVersion(int major, int minor)
{
  TheState().versionMajor = major;
  TheState().versionMinor = minor;
  ApplySystemVersion();
}

bool IsSystemVersionAtLeast(int major, int minor)
{
  const State& state = TheState();
  return std::make_pair(state.versionMajor, state.versionMinor) >= std::make_pair(major, minor);
}

void SetSystemAppearanceDark(bool dark)
{
  const auto before = Appearances();
  TheState().dark = dark;
  for (const auto& entry : before)
    if (entry.first->effectiveAppearance() != entry.second)
      entry.first->viewDidChangeEffectiveAppearance();
}

void SetPrivateCursorsAvailable(bool available) { TheState().privateCursors = available; }
bool PrivateCursorsAvailable() { return TheState().privateCursors; }

void SetSystemCursorFolder(const std::string& folder)
{
  std::string path = folder.empty() ? std::string(kDefaultCursorFolder) : folder;
  if (path.back() != '/')
    path.push_back('/');
  TheState().cursorFolder = path;
}

std::string SystemCursorFolder() { return TheState().cursorFolder; }

CursorState Cursor() { return TheState().cursor; }

const std::vector<WorkspaceRequest>& WorkspaceRequests() { return TheState().workspace; }

NSDraggingSession* CurrentDraggingSession() { return TheState().dragSession; }

void EndDraggingSession()
{
  if (NSDraggingSession* session = std::exchange(TheState().dragSession, nullptr))
    session->release();
}

NSPoint InWindow(const NSView* view, NSPoint point) { return view ? view->convertPointToView(point, nullptr) : point; }

void PostMouse(NSWindow* window, NSEventType type, NSPoint point, const MouseOptions& options)
{
  if (!window)
    return;
  NSAutoreleasePool pool;
  State& state = TheState();
  const NSPoint before = state.mouseLocation;
  state.mouseLocation = window->convertPointToScreen(point);
  NSEvent::Fields fields;
  fields.type = type;
  fields.location = point;
  fields.modifierFlags = options.flags;
  fields.subtype = options.tablet ? NSEventSubtypeTabletPoint : NSEventSubtypeMouseEvent;
  fields.windowNumber = window->windowNumber();
  fields.timestamp = NextTimestamp();
  if (type != NSEventTypeMouseMoved)
    fields.clickCount = options.clickCount;
  if (type == NSEventTypeMouseMoved || type == NSEventTypeLeftMouseDragged || type == NSEventTypeRightMouseDragged)
  {
    // Mouse deltas count y downwards.
    fields.deltaX = state.mouseLocation.x - before.x;
    fields.deltaY = before.y - state.mouseLocation.y;
  }
  Deliver(fields);
}

void Click(NSWindow* window, NSPoint point, const MouseOptions& options)
{
  PostMouse(window, NSEventTypeLeftMouseDown, point, options);
  PostMouse(window, NSEventTypeLeftMouseUp, point, options);
}

void RightClick(NSWindow* window, NSPoint point, const MouseOptions& options)
{
  PostMouse(window, NSEventTypeRightMouseDown, point, options);
  PostMouse(window, NSEventTypeRightMouseUp, point, options);
}

void Drag(NSWindow* window, NSPoint from, NSPoint to, int steps, const MouseOptions& options)
{
  PostMouse(window, NSEventTypeLeftMouseDown, from, options);
  for (int i = 1; i <= steps; ++i)
  {
    const double t = static_cast<double>(i) / steps;
    PostMouse(window, NSEventTypeLeftMouseDragged, NSMakePoint(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t),
              options);
  }
  PostMouse(window, NSEventTypeLeftMouseUp, to, options);
}

void MoveMouse(NSWindow* window, NSPoint point, NSEventModifierFlags flags)
{
  MouseOptions options;
  options.flags = flags;
  PostMouse(window, NSEventTypeMouseMoved, point, options);
}

void Scroll(NSWindow* window, NSPoint point, CGFloat deltaY, CGFloat deltaX, NSEventModifierFlags flags)
{
  if (!window)
    return;
  NSAutoreleasePool pool;
  TheState().mouseLocation = window->convertPointToScreen(point);
  NSEvent::Fields fields;
  fields.type = NSEventTypeScrollWheel;
  fields.location = point;
  fields.modifierFlags = flags;
  fields.deltaX = deltaX;
  fields.deltaY = deltaY;
  fields.windowNumber = window->windowNumber();
  fields.timestamp = NextTimestamp();
  Deliver(fields);
}

void PostKey(NSWindow* window, NSEventType type, unsigned short keyCode, const std::string& characters, NSEventModifierFlags flags,
             const std::string* charactersIgnoringModifiers)
{
  if (!window)
    return;
  NSAutoreleasePool pool;
  NSEvent::Fields fields;
  fields.type = type;
  fields.location = window->MouseInWindow();
  fields.modifierFlags = flags;
  fields.keyCode = keyCode;
  fields.characters = characters;
  fields.charactersIgnoringModifiers = charactersIgnoringModifiers ? *charactersIgnoringModifiers : characters;
  fields.windowNumber = window->windowNumber();
  fields.timestamp = NextTimestamp();
  Deliver(fields);
}

void PressKey(NSWindow* window, unsigned short keyCode, const std::string& characters, NSEventModifierFlags flags)
{
  PostKey(window, NSEventTypeKeyDown, keyCode, characters, flags);
  PostKey(window, NSEventTypeKeyUp, keyCode, characters, flags);
}

void TypeText(NSWindow* window, const std::string& utf8)
{
  // The keys of the US keyboard: unshifted and shifted characters.
  static const struct
  {
    char plain, shifted;
    unsigned short code;
  } kKeys[] = {{'a', 'A', 0},   {'s', 'S', 1},   {'d', 'D', 2},   {'f', 'F', 3},   {'h', 'H', 4},   {'g', 'G', 5},
               {'z', 'Z', 6},   {'x', 'X', 7},   {'c', 'C', 8},   {'v', 'V', 9},   {'b', 'B', 11},  {'q', 'Q', 12},
               {'w', 'W', 13},  {'e', 'E', 14},  {'r', 'R', 15},  {'y', 'Y', 16},  {'t', 'T', 17},  {'1', '!', 18},
               {'2', '@', 19},  {'3', '#', 20},  {'4', '$', 21},  {'6', '^', 22},  {'5', '%', 23},  {'=', '+', 24},
               {'9', '(', 25},  {'7', '&', 26},  {'-', '_', 27},  {'8', '*', 28},  {'0', ')', 29},  {']', '}', 30},
               {'o', 'O', 31},  {'u', 'U', 32},  {'[', '{', 33},  {'i', 'I', 34},  {'p', 'P', 35},  {'l', 'L', 37},
               {'j', 'J', 38},  {'\'', '"', 39}, {'k', 'K', 40},  {';', ':', 41},  {'\\', '|', 42}, {',', '<', 43},
               {'/', '?', 44},  {'n', 'N', 45},  {'m', 'M', 46},  {'.', '>', 47},  {' ', ' ', 49},  {'`', '~', 50}};
  const std::u16string units = standin::Utf8ToUtf16(utf8);
  for (size_t i = 0; i < units.size(); ++i)
  {
    const char16_t c = units[i];
    if (c == '\r' || c == '\n')
    {
      PressKey(window, kKeyReturn, "\r");
      continue;
    }
    if (c == '\t')
    {
      PressKey(window, kKeyTab, "\t");
      continue;
    }
    if (c == '\b')
    {
      PressKey(window, kKeyDelete, "\x7f");
      continue;
    }
    unsigned short code = 0xFF;
    NSEventModifierFlags flags = 0;
    for (const auto& key : kKeys)
      if (c == static_cast<char16_t>(key.plain) || c == static_cast<char16_t>(key.shifted))
      {
        code = key.code;
        flags = (c == static_cast<char16_t>(key.shifted) && key.shifted != key.plain) ? NSEventModifierFlagShift : 0;
        break;
      }
    std::u16string character(1, c);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size())
      character.push_back(units[++i]);
    PressKey(window, code, standin::Utf16ToUtf8(character), flags);
  }
}

bool DropFiles(NSWindow* window, NSPoint point, const std::vector<std::string>& paths)
{
  if (!window || !window->contentView())
    return false;
  NSAutoreleasePool pool;
  TheState().mouseLocation = window->convertPointToScreen(point);
  NSView* target = window->contentView()->hitTest(point);
  while (target && !target->IsRegisteredForDraggedType(NSFilenamesPboardType->Text()))
    target = target->superview();
  if (!target)
    return false;
  NSPasteboard* pasteboard = NSPasteboard::pasteboardWithName(NSPasteboardNameDrag);
  pasteboard->clearContents();
  pasteboard->setPropertyList(StringArray(paths), NSFilenamesPboardType);
  NSDraggingInfo* info = new NSDraggingInfo(pasteboard, point, NSDragOperationEvery);
  target->retain();
  bool performed = false;
  if (target->draggingEntered(info) != NSDragOperationNone)
    performed = target->performDragOperation(info);
  else
    target->draggingExited(info);
  target->release();
  info->release();
  pasteboard->clearContents();
  return performed;
}

std::string ToolTipAt(NSWindow* window, NSPoint point)
{
  if (!window || !window->contentView())
    return std::string();
  NSAutoreleasePool pool;
  for (NSView* view = window->contentView()->hitTest(point); view; view = view->superview())
  {
    const NSPoint local = view->convertPointFromView(point, nullptr);
    const auto& tips = view->ToolTips();
    for (auto it = tips.rbegin(); it != tips.rend(); ++it)
      if (NSMouseInRect(local, it->rect, view->isFlipped()))
        return it->owner ? Text(it->owner->stringForToolTip(view, it->tag, local, it->userData)) : std::string();
  }
  return std::string();
}

bool PickColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
  if (!NSColorPanel::sharedColorPanelExists() || !NSColorPanel::sharedColorPanel()->isVisible())
    return false;
  NSAutoreleasePool pool;
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  panel->setColor(NSColor::colorWithDeviceRed(red, green, blue, alpha));
  NSApplication::sharedApplication()->sendAction(panel->action(), panel->target(), panel);
  return true;
}

void SetMenuResponder(MenuResponder responder) { TheState().menuResponder = std::move(responder); }
void SetAnswerDelay(const RunLoopDelay& delay) { TheState().answerDelay = delay; }
void SetCompletionDelay(const RunLoopDelay& delay) { TheState().completionDelay = delay; }

void AnswerNextMenu(const std::vector<int>& path) { TheState().menuAnswers.push_back({path, std::nullopt}); }
void AnswerNextMenu(const std::vector<int>& path, const RunLoopDelay& delay)
{
  TheState().menuAnswers.push_back({path, delay});
}
long MenuCount() { return TheState().menus; }

void SetAlertResponder(AlertResponder responder) { TheState().alertResponder = std::move(responder); }
void AnswerNextAlert(int buttonIndex) { TheState().alertAnswers.push_back({buttonIndex, std::nullopt}); }
void AnswerNextAlert(int buttonIndex, const RunLoopDelay& delay) { TheState().alertAnswers.push_back({buttonIndex, delay}); }
long AlertCount() { return TheState().alerts; }

void SetPanelResponder(PanelResponder responder) { TheState().panelResponder = std::move(responder); }
void AnswerNextPanel(const std::string& path) { TheState().panelAnswers.push_back({path, std::nullopt}); }
void AnswerNextPanel(const std::string& path, const RunLoopDelay& delay)
{
  TheState().panelAnswers.push_back({path, delay});
}
long PanelCount() { return TheState().panels; }

} // namespace standin::appkit
