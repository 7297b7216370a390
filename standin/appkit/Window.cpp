#include "standin/appkit/Internal.h"

#include <algorithm>
#include <functional>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSScreen, NSObject)
STANDIN_DEFINE_CLASS(NSWindow, NSResponder)
STANDIN_DEFINE_CLASS(NSApplication, NSResponder)

NSApplication* NSApp = nullptr;
double NSAppKitVersionNumber = 1894; // 10.15

namespace {

// Every view of the tree, parents before children. Each view is retained while it is visited,
// as AppKit does: a visit may take a view out of the tree.
void ForEachView(NSView* view, const std::function<void(NSView*)>& visit)
{
  if (!view)
    return;
  view->retain();
  visit(view);
  const std::vector<NSView*> subviews = view->Subviews();
  for (NSView* subview : subviews)
    subview->retain();
  for (NSView* subview : subviews)
  {
    ForEachView(subview, visit);
    subview->release();
  }
  view->release();
}

} // namespace

// -- NSScreen --

NSScreen::NSScreen() : NSObject(Class()) { MakeImmortal(); }

NSScreen* NSScreen::mainScreen()
{
  static NSScreen* sMain = new NSScreen();
  return sMain;
}

NSRect NSScreen::frame() const { return TheState().screenFrame; }

CGFloat NSScreen::backingScaleFactor() const { return TheState().screenScale; }

// -- NSWindow --

NSWindow::NSWindow(NSRect contentRect, NSWindowStyleMask, NSBackingStoreType, bool, RuntimeClass& cls)
  : NSResponder(cls), mFrame(contentRect), mNumber(TheState().nextWindowNumber++)
{
  TheState().windows.push_back(this);
  NSView* content = new NSView(NSMakeRect(0, 0, contentRect.size.width, contentRect.size.height));
  setContentView(content);
  content->release();
}

NSWindow::~NSWindow()
{
  setContentView(nullptr);
  if (mFieldEditor)
    mFieldEditor->release();
  State& state = TheState();
  state.windows.erase(std::find(state.windows.begin(), state.windows.end(), this));
  if (state.keyWindow == this)
    state.keyWindow = nullptr;
}

void NSWindow::setContentView(NSView* view)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (view == mContentView)
    return;
  if (view)
  {
    view->retain();
    view->Detach();
  }
  if (NSView* old = mContentView)
  {
    ViewWillLeave(old);
    mContentView = nullptr;
    old->MoveToWindow(nullptr);
    old->release();
  }
  mContentView = view;
  if (view)
  {
    view->setFrame(NSMakeRect(0, 0, mFrame.size.width, mFrame.size.height));
    view->MoveToWindow(this);
  }
}

void NSWindow::setContentSize(NSSize size)
{
  STANDIN_MAIN_THREAD_ONLY();
  mFrame.size = size;
  if (mContentView)
    mContentView->setFrameSize(size);
}

CGFloat NSWindow::backingScaleFactor() const { STANDIN_MAIN_THREAD_ONLY(); return mBackingScale > 0 ? mBackingScale : TheState().screenScale; }

void NSWindow::SetBackingScaleFactor(CGFloat scale)
{
  const CGFloat before = backingScaleFactor();
  mBackingScale = scale;
  if (backingScaleFactor() != before)
    NotifyBackingPropertiesChanged();
}

void NSWindow::NotifyBackingPropertiesChanged()
{
  ForEachView(mContentView, [](NSView* view) { view->viewDidChangeBackingProperties(); });
}

NSRect NSWindow::convertRectToScreen(NSRect rect) const
{
  STANDIN_MAIN_THREAD_ONLY();
  rect.origin = convertPointToScreen(rect.origin);
  return rect;
}

NSRect NSWindow::convertRectFromScreen(NSRect rect) const
{
  STANDIN_MAIN_THREAD_ONLY();
  rect.origin = convertPointFromScreen(rect.origin);
  return rect;
}

NSPoint NSWindow::convertPointToScreen(NSPoint point) const
{
  STANDIN_MAIN_THREAD_ONLY();
  return NSMakePoint(point.x + mFrame.origin.x, point.y + mFrame.origin.y);
}

NSPoint NSWindow::convertPointFromScreen(NSPoint point) const
{
  STANDIN_MAIN_THREAD_ONLY();
  return NSMakePoint(point.x - mFrame.origin.x, point.y - mFrame.origin.y);
}

NSPoint NSWindow::MouseInWindow() const { return convertPointFromScreen(TheState().mouseLocation); }

bool NSWindow::makeFirstResponder(NSResponder* responder)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (responder == this)
    responder = nullptr;
  NSResponder* current = mFirstResponder;
  if (current == responder)
    return true;
  if (current)
  {
    if (!current->resignFirstResponder())
      return false;
    if (mFirstResponder == current)
      mFirstResponder = nullptr;
  }
  if (!responder)
    return true;
  if (!responder->acceptsFirstResponder())
    return false;
  mResponderTakingOver = nullptr;
  if (!responder->becomeFirstResponder())
    return false;
  mFirstResponder = mResponderTakingOver ? mResponderTakingOver : responder;
  mResponderTakingOver = nullptr;
  return true;
}

void NSWindow::makeKeyAndOrderFront(NSObject* sender)
{
  STANDIN_MAIN_THREAD_ONLY();
  orderFront(sender);
  makeKeyWindow();
}

void NSWindow::orderFront(NSObject*) { STANDIN_MAIN_THREAD_ONLY(); mVisible = true; }

void NSWindow::orderOut(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  mVisible = false;
  if (TheState().keyWindow == this)
    TheState().keyWindow = nullptr;
}

void NSWindow::makeKeyWindow() { STANDIN_MAIN_THREAD_ONLY(); TheState().keyWindow = this; }

void NSWindow::close() { STANDIN_MAIN_THREAD_ONLY(); orderOut(nullptr); }

NSText* NSWindow::fieldEditor(bool create, NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!mFieldEditor && create)
  {
    mFieldEditor = new NSTextView();
    mFieldEditor->setFieldEditor(true);
  }
  return mFieldEditor;
}

NSAppearance* NSWindow::effectiveAppearance() const
{
  STANDIN_MAIN_THREAD_ONLY();
  return mAppearance ? mAppearance : NSApplication::sharedApplication()->effectiveAppearance();
}

void NSWindow::CancelMouseTracking() { mMouseDownView = nullptr; }

void NSWindow::ViewWillLeave(NSView* view)
{
  const auto inside = [&](NSResponder* responder) {
    NSView* v = dynamic_cast<NSView*>(responder);
    return v && v->isDescendantOf(view);
  };
  if (inside(mFirstResponder))
  {
    // An editor leaving ends its editing, refused or not.
    if (NSText* editor = dynamic_cast<NSText*>(mFirstResponder))
      editor->EndEditing(NSTextMovementOther, true);
    if (inside(mFirstResponder))
    {
      mFirstResponder->resignFirstResponder();
      mFirstResponder = nullptr;
    }
  }
  if (mMouseDownView && mMouseDownView->isDescendantOf(view))
    mMouseDownView = nullptr;
}

bool NSWindow::AreaContains(const NSTrackingArea& area, NSPoint location)
{
  const NSView* view = area.View();
  if (!view)
    return false;
  const NSRect rect = (area.options() & NSTrackingInVisibleRect) ? view->bounds() : area.rect();
  return NSMouseInRect(location, view->convertRectToView(rect, nullptr), false);
}

void NSWindow::UpdateTrackingAreas(NSPoint location, bool buttonDown, NSEvent* cause)
{
  std::vector<NSTrackingArea*> areas;
  std::function<void(NSView*)> collect = [&](NSView* view) {
    if (view->isHidden())
      return;
    for (NSTrackingArea* area : view->TrackingAreaList())
      areas.push_back(Retained(area));
    for (NSView* subview : view->Subviews())
      collect(subview);
  };
  if (mContentView)
    collect(mContentView);

  std::vector<NSTrackingArea*> exits, enters, moves;
  for (NSTrackingArea* area : areas)
  {
    const NSTrackingAreaOptions options = area->options();
    if (buttonDown && !(options & NSTrackingEnabledDuringMouseDrag))
      continue;
    const bool active = !(options & NSTrackingActiveWhenFirstResponder) || firstResponder() == area->View();
    const bool in = active && AreaContains(*area, location);
    if (in != area->mInside)
    {
      area->mInside = in;
      if (options & NSTrackingMouseEnteredAndExited)
        (in ? enters : exits).push_back(area);
    }
    else if (in && (options & NSTrackingMouseMoved) && cause && cause->type() == NSEventTypeMouseMoved)
      moves.push_back(area);
  }

  const auto deliver = [&](NSTrackingArea* area, NSEventType type) {
    NSResponder* owner = area->owner();
    if (!owner || !area->View())
      return;
    NSEvent::Fields fields;
    fields.type = type;
    fields.location = location;
    fields.modifierFlags = cause ? cause->modifierFlags() : 0;
    fields.windowNumber = mNumber;
    fields.trackingArea = area;
    NSEvent* event = type == NSEventTypeMouseMoved ? Retained(cause) : new NSEvent(fields);
    owner->retain();
    if (type == NSEventTypeMouseExited)
      owner->mouseExited(event);
    else if (type == NSEventTypeMouseEntered)
      owner->mouseEntered(event);
    else
      owner->mouseMoved(event);
    owner->release();
    event->release();
  };
  for (NSTrackingArea* area : exits)
    deliver(area, NSEventTypeMouseExited);
  for (NSTrackingArea* area : enters)
    deliver(area, NSEventTypeMouseEntered);
  for (NSTrackingArea* area : moves)
    deliver(area, NSEventTypeMouseMoved);
  for (NSTrackingArea* area : areas)
    area->release();
}

void NSWindow::sendEvent(NSEvent* event)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!event)
    return;
  NSApplication* app = NSApplication::sharedApplication();
  retain();
  event->retain();
  NSEvent* previous = app->mCurrentEvent;
  app->mCurrentEvent = event;

  const NSPoint location = event->locationInWindow();
  const auto deliver = [](NSView* view, const std::function<void(NSView*)>& method) {
    view->retain();
    method(view);
    view->release();
  };
  const bool dragging = TheState().dragSession != nullptr;
  switch (event->type())
  {
  case NSEventTypeLeftMouseDown:
  case NSEventTypeRightMouseDown:
  {
    UpdateTrackingAreas(location, false, event);
    NSView* hit = mContentView ? mContentView->hitTest(location) : nullptr;
    if (!hit)
      break;
    const bool left = event->type() == NSEventTypeLeftMouseDown;
    hit->retain();
    // A click in a control being edited leaves the focus with its editor.
    const NSControl* control = dynamic_cast<NSControl*>(hit);
    const bool editing = control && control->currentEditor() && control->currentEditor() == mFirstResponder;
    if (left && hit != mFirstResponder && !editing && hit->acceptsFirstResponder())
      makeFirstResponder(hit);
    if (hit->window() == this)
    {
      mMouseDownView = hit;
      if (left)
        hit->mouseDown(event);
      else
        hit->rightMouseDown(event);
    }
    hit->release();
    break;
  }
  case NSEventTypeLeftMouseDragged:
  case NSEventTypeRightMouseDragged:
    if (dragging && event->type() == NSEventTypeLeftMouseDragged)
      break; // the system moves the drag
    UpdateTrackingAreas(location, true, event);
    if (mMouseDownView)
      deliver(mMouseDownView, [&](NSView* v) {
        if (event->type() == NSEventTypeLeftMouseDragged)
          v->mouseDragged(event);
        else
          v->rightMouseDragged(event);
      });
    break;
  case NSEventTypeLeftMouseUp:
  case NSEventTypeRightMouseUp:
    if (dragging && event->type() == NSEventTypeLeftMouseUp)
    {
      standin::appkit::EndDraggingSession();
      mMouseDownView = nullptr;
    }
    else if (NSView* view = mMouseDownView)
    {
      mMouseDownView = nullptr;
      deliver(view, [&](NSView* v) {
        if (event->type() == NSEventTypeLeftMouseUp)
          v->mouseUp(event);
        else
          v->rightMouseUp(event);
      });
    }
    UpdateTrackingAreas(location, false, event);
    break;
  case NSEventTypeMouseMoved:
    UpdateTrackingAreas(location, false, event);
    if (mAcceptsMouseMoved && mFirstResponder)
    {
      NSResponder* responder = mFirstResponder;
      responder->retain();
      responder->mouseMoved(event);
      responder->release();
    }
    break;
  case NSEventTypeScrollWheel:
    UpdateTrackingAreas(location, false, event);
    if (NSView* hit = mContentView ? mContentView->hitTest(location) : nullptr)
      deliver(hit, [&](NSView* v) { v->scrollWheel(event); });
    break;
  case NSEventTypeKeyDown:
  case NSEventTypeKeyUp:
  {
    NSResponder* responder = firstResponder();
    responder->retain();
    if (event->type() == NSEventTypeKeyDown)
      responder->keyDown(event);
    else
      responder->keyUp(event);
    responder->release();
    break;
  }
  default:
    break;
  }

  app->mCurrentEvent = previous;
  event->release();
  release();
}

// -- NSApplication --

NSApplication::NSApplication() : NSResponder(Class()) { MakeImmortal(); }

NSApplication* NSApplication::sharedApplication()
{
  STANDIN_MAIN_THREAD_ONLY();
  static NSApplication* sApplication = new NSApplication();
  NSApp = sApplication;
  return sApplication;
}

NSArray* NSApplication::windows() const
{
  STANDIN_MAIN_THREAD_ONLY();
  const std::vector<NSWindow*>& windows = TheState().windows;
  return Autoreleased(new NSArray(std::vector<const NSObject*>(windows.begin(), windows.end())));
}

NSWindow* NSApplication::keyWindow() const { STANDIN_MAIN_THREAD_ONLY(); return TheState().keyWindow; }

NSAppearance* NSApplication::effectiveAppearance() const
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mAppearance)
    return mAppearance;
  return NSAppearance::appearanceNamed(TheState().dark ? NSAppearanceNameDarkAqua : NSAppearanceNameAqua);
}

bool NSApplication::sendAction(const SEL& action, NSObject* target, NSObject* sender)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!action || !target)
    return false;
  return action.Perform(target, sender);
}

void NSApplication::sendEvent(NSEvent* event)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (NSWindow* window = event ? event->window() : nullptr)
    window->sendEvent(event);
}

bool NSApplicationLoad()
{
  NSApplication::sharedApplication();
  return true;
}

OSErr Gestalt(OSType selector, SInt32* response)
{
  if (selector != 0x73797376 || !response) // 'sysv'
    return -5551;
  const State& state = TheState();
  if (state.versionMajor == 10 && state.versionMinor <= 9)
    *response = 0x1000 | (std::max(0, state.versionMinor) << 4);
  else
    *response = state.versionMajor < 10 ? 0x1000 : 0x1099;
  return 0;
}
