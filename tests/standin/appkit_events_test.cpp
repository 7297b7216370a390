// The AppKit stand-in's windows, views and events, run the way the platform layer and the
// host use them.
#include "tests/standin/AppKitTesting.h"

#include "standin/foundation/RunLoop.h"

using namespace appkittest;
using namespace standin::appkit;

STANDIN_DEFINE_CLASS(PLUG_OBJC_CLASS(LogView), NSView)

namespace {

using Log = std::vector<std::string>;

// The host's content view: unflipped, it logs the keys that reach it and takes them.
class HostView : public NSView
{
public:
  HostView(NSRect frame, Log* log) : NSView(frame), mLog(log) {}
  void keyDown(NSEvent* e) override { mLog->push_back("host key " + e->characters()->Text()); }
  bool mTakesKeys = true;

private:
  Log* mLog;
};

// A host window at (100, 200) on the screen with a 400 × 300 content view, and a log view
// of 200 × 100 whose top left corner is at (50, 40) from the content's top left.
struct Scene
{
  Log log;
  NSWindow* window = new NSWindow(NSMakeRect(100, 200, 400, 300));
  HostView* host = new HostView(NSZeroRect, &log);
  LogView* view = new LogView(NSMakeRect(50, 160, 200, 100), &log);

  Scene()
  {
    window->setContentView(host);
    host->addSubview(view);
  }
  ~Scene()
  {
    view->release();
    host->release();
    window->release();
  }
  // A point of the log view in window coordinates.
  NSPoint At(CGFloat x, CGFloat y) const { return InWindow(view, NSMakePoint(x, y)); }
  Log Take() { return std::exchange(log, Log()); }
};

class AppKitEvents : public AppKitTest
{
};

TEST_F(AppKitEvents, DragsStayWithTheViewThatGotTheMouseDownWhileTrackingFollowsTheMouse)
{
  Scene scene;
  NSWindow* window = scene.window;
  ASSERT_EQ(window->firstResponder(), scene.view);
  ASSERT_TRUE(window->acceptsMouseMovedEvents());

  MoveMouse(window, scene.At(10, 20));
  MouseOptions shiftDouble;
  shiftDouble.flags = NSEventModifierFlagShift;
  shiftDouble.clickCount = 2;
  PostMouse(window, NSEventTypeLeftMouseDown, scene.At(10, 20), shiftDouble);
  // Out of the view, then out of the window altogether, then back in and up outside.
  PostMouse(window, NSEventTypeLeftMouseDragged, scene.At(-30, 20));
  PostMouse(window, NSEventTypeLeftMouseDragged, scene.At(-80, 400));
  PostMouse(window, NSEventTypeLeftMouseDragged, scene.At(150, 50));
  PostMouse(window, NSEventTypeLeftMouseDragged, scene.At(250, 50));
  PostMouse(window, NSEventTypeLeftMouseUp, scene.At(250, 50));
  MoveMouse(window, scene.At(199, 99));
  MoveMouse(window, scene.At(200, 99)); // the right edge is outside
  EXPECT_EQ(scene.Take(), (Log{"entered", "moved 10,20", "down 10,20 n=2 shift", "exited", "drag -30,20", "drag -80,400",
                               "entered", "drag 150,50", "exited", "drag 250,50", "up 250,50", "entered", "moved 199,99",
                               "exited", "moved 200,99"}));

  // The right button alike; a tablet event says so.
  MouseOptions tablet;
  tablet.tablet = true;
  RightClick(window, scene.At(5, 5), tablet);
  EXPECT_EQ(scene.Take(), (Log{"entered", "rdown 5,5 n=1 tablet", "rup 5,5 tablet"}));

  // A click on the host's background goes nowhere (the host view logs no mouse) and leaves
  // the focus where it is, since the host view does not take it.
  Click(window, NSMakePoint(10, 10));
  EXPECT_EQ(scene.Take(), (Log{"exited"}));
  EXPECT_EQ(window->firstResponder(), scene.view);
}

TEST_F(AppKitEvents, MouseMovedOnlyWhenAcceptedKeysClimbTheResponderChainScrollGoesUnderTheMouse)
{
  Scene scene;
  NSWindow* window = scene.window;
  window->setAcceptsMouseMovedEvents(false);
  MoveMouse(window, scene.At(1, 1));
  EXPECT_EQ(scene.Take(), (Log{"entered"}));
  window->setAcceptsMouseMovedEvents(true);
  MoveMouse(window, scene.At(2, 2));
  EXPECT_EQ(scene.Take(), (Log{"moved 2,2"}));

  // The view takes "x"; "y" goes up to the host; with the window first responder nothing
  // takes a key and the system beeps.
  TypeText(window, "xy");
  EXPECT_EQ(scene.Take(), (Log{"key x", "host key y"}));
  window->makeFirstResponder(nullptr);
  const long beeps = BeepCount();
  PressKey(window, kKeyEscape, "\x1b");
  EXPECT_EQ(UnhandledKeyCount(), 1);
  EXPECT_EQ(BeepCount(), beeps + 1);
  EXPECT_TRUE(scene.Take().empty());

  // Scrolling goes to the view under the mouse, not to the first responder; mouse-moved
  // events then go nowhere, since the window is first responder.
  Scroll(window, scene.At(20, 30), -3);
  Scroll(window, NSMakePoint(5, 5), 4);
  EXPECT_EQ(scene.Take(), (Log{"scroll -3 20,30", "exited"}));
}

TEST_F(AppKitEvents, FlippedViewsConvertThroughTheWindowToTheScreenAndTheDisplay)
{
  Scene scene;
  LogView* view = scene.view;
  NSView* child = new NSView(NSMakeRect(10, 10, 50, 30)); // unflipped, in the flipped view
  view->addSubview(child);

  EXPECT_TRUE(NSEqualPoints(view->convertPointToView(NSMakePoint(0, 0), nullptr), NSMakePoint(50, 260)));
  EXPECT_TRUE(NSEqualPoints(view->convertPointFromView(NSMakePoint(60, 240), nullptr), NSMakePoint(10, 20)));
  EXPECT_TRUE(NSEqualPoints(child->convertPointToView(NSMakePoint(0, 0), view), NSMakePoint(10, 40)));
  EXPECT_TRUE(NSEqualRects(child->convertRectToView(child->bounds(), nullptr), NSMakeRect(60, 220, 50, 30)));
  EXPECT_TRUE(NSEqualRects(scene.window->convertRectToScreen(NSMakeRect(60, 220, 0, 0)), NSMakeRect(160, 420, 0, 0)));
  EXPECT_TRUE(NSEqualRects(scene.window->convertRectFromScreen(NSMakeRect(160, 420, 0, 0)), NSMakeRect(60, 220, 0, 0)));
  // Hit-testing finds the innermost view; a hidden view and what it holds are passed over.
  EXPECT_EQ(scene.host->hitTest(scene.At(15, 35)), child);
  child->setHidden(true);
  EXPECT_EQ(scene.host->hitTest(scene.At(15, 35)), view);
  EXPECT_EQ(scene.host->hitTest(NSMakePoint(5, 5)), scene.host);

  // Posted events move the mouse on the screen; the display counts y from the top.
  MoveMouse(scene.window, scene.At(10, 20));
  EXPECT_TRUE(NSEqualPoints(NSEvent::mouseLocation(), NSMakePoint(160, 440)));
  CGAssociateMouseAndMouseCursorPosition(false);
  CGDisplayMoveCursorToPoint(CGMainDisplayID(), CGPointMake(30, 80));
  CGAssociateMouseAndMouseCursorPosition(true);
  EXPECT_TRUE(NSEqualPoints(NSEvent::mouseLocation(), NSMakePoint(30, 1000)));
  EXPECT_EQ(Cursor().warps, 1);
  CGDisplayHideCursor(CGMainDisplayID());
  CGDisplayHideCursor(CGMainDisplayID());
  CGDisplayShowCursor(CGMainDisplayID());
  EXPECT_EQ(Cursor().hideLevel, 1);
  child->removeFromSuperview();
  child->release();
}

TEST_F(AppKitEvents, ScaleAppearanceAndFrameChangesReachTheViews)
{
  Scene scene;
  struct Observer : NSObject
  {
    int heard = 0;
    void frameDidChange(NSNotification* n)
    {
      if (n->object())
        ++heard;
    }
  };
  auto* observer = new Observer;
  NSNotificationCenter::defaultCenter()->addObserver(observer, STANDIN_SELECTOR(Observer, frameDidChange),
                                                     NSViewFrameDidChangeNotification, scene.view);
  scene.view->setFrameSize(NSMakeSize(300, 100));
  scene.host->setFrameSize(NSMakeSize(500, 300)); // another view's change is not heard
  EXPECT_EQ(observer->heard, 1);
  NSNotificationCenter::defaultCenter()->removeObserver(observer);
  scene.view->setFrameSize(NSMakeSize(200, 100));
  EXPECT_EQ(observer->heard, 1);
  observer->release();

  SetMainScreen(NSMakeRect(0, 0, 2560, 1440), 2);
  scene.window->SetBackingScaleFactor(3);
  scene.window->SetBackingScaleFactor(3);
  SetSystemAppearanceDark(true);
  EXPECT_EQ(scene.Take(), (Log{"scale 2", "scale 3", "appearance NSAppearanceNameDarkAqua"}));
  EXPECT_EQ(CGDisplayPixelsHigh(CGMainDisplayID()), 1440u);

  SetSystemVersion(10, 13);
  EXPECT_EQ(NSAppKitVersionNumber, 1561);
  EXPECT_FALSE(IsSystemVersionAtLeast(10, 14));
  SetSystemVersion(10, 9);
  SInt32 version = 0;
  EXPECT_EQ(Gestalt(0x73797376, &version), 0);
  EXPECT_EQ(version, 0x1090);
}

TEST_F(AppKitEvents, TimersFireOnTheRunLoopAndHoldTheirTargetUntilInvalidated)
{
  standin::RunLoop& loop = standin::RunLoop::Main();
  ASSERT_TRUE(loop.SetClock(standin::RunLoop::EClock::kVirtual));
  struct Target : NSObject
  {
    int ticks = 0;
    void onTimer(NSTimer*) { ++ticks; }
  };
  auto* target = new Target;
  NSTimer* timer;
  {
    NSAutoreleasePool pool;
    timer = NSTimer::timerWithTimeInterval(0.01, target, STANDIN_SELECTOR(Target, onTimer), nullptr, true);
    NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
  }
  EXPECT_EQ(timer->Mode(), "kCFRunLoopCommonModes");
  EXPECT_EQ(target->retainCount(), 2);
  loop.RunDue(); // nothing yet: the first tick comes one interval after scheduling
  EXPECT_EQ(target->ticks, 0);
  loop.RunForMs(55);
  EXPECT_EQ(target->ticks, 5);
  timer->invalidate(); // frees the timer and lets go of the target
  EXPECT_EQ(target->retainCount(), 1);
  target->release();
  EXPECT_EQ(loop.TimerCount(), 0u);
  EXPECT_TRUE(loop.SetClock(standin::RunLoop::EClock::kReal));
}

TEST_F(AppKitEvents, FilesDropOntoTheViewThatTakesThemAndToolTipsAskTheirOwner)
{
  struct DropView : NSView, NSViewToolTipOwner
  {
    using NSView::NSView;
    std::vector<std::string> dropped;
    NSPoint at;
    bool isFlipped() const override { return true; }
    NSDragOperation draggingEntered(NSDraggingInfo* info) override
    {
      return info->draggingPasteboard()->types()->containsObject(NSFilenamesPboardType) ? NSDragOperationGeneric : NSDragOperationNone;
    }
    bool performDragOperation(NSDraggingInfo* info) override
    {
      const auto* files = dynamic_cast<const NSArray*>(info->draggingPasteboard()->propertyListForType(NSFilenamesPboardType));
      for (size_t i = 0; files && i < files->count(); ++i)
        dropped.push_back(standin::TextOf(files->objectAtIndex(i)));
      at = convertPointFromView(info->draggingLocation(), nullptr);
      return true;
    }
    NSString* stringForToolTip(NSView*, NSToolTipTag tag, NSPoint, void*) override
    {
      return S(tag == 1 ? "first" : "second");
    }
  };
  Scene scene;
  auto* target = new DropView(NSMakeRect(10, 10, 20, 20));
  scene.view->addSubview(target);
  NSAutoreleasePool pool;
  target->registerForDraggedTypes(Autoreleased(new NSArray({NSFilenamesPboardType})));
  // A drop on a subview of the target reaches the target; elsewhere nothing takes it.
  NSView* inner = new NSView(NSMakeRect(0, 0, 5, 5));
  target->addSubview(inner);
  const NSPoint p = InWindow(target, NSMakePoint(2, 3));
  EXPECT_TRUE(DropFiles(scene.window, p, {"/a.wav", "/b c.wav", "/d.wav"}));
  EXPECT_EQ(target->dropped, (std::vector<std::string>{"/a.wav", "/b c.wav", "/d.wav"}));
  EXPECT_TRUE(NSEqualPoints(target->at, NSMakePoint(2, 3)));
  EXPECT_FALSE(DropFiles(scene.window, scene.At(100, 50), {"/a.wav"}));

  target->addToolTipRect(NSMakeRect(0, 0, 10, 20), target, nullptr);
  target->addToolTipRect(NSMakeRect(10, 0, 10, 20), target, nullptr);
  EXPECT_EQ(ToolTipAt(scene.window, InWindow(target, NSMakePoint(12, 3))), "second");
  EXPECT_EQ(ToolTipAt(scene.window, InWindow(target, NSMakePoint(3, 3))), "first");
  target->removeAllToolTips();
  EXPECT_EQ(ToolTipAt(scene.window, InWindow(target, NSMakePoint(3, 3))), "");
  inner->release();
  target->release();
}

TEST_F(AppKitEvents, ADragOutHoldsTheMouseUntilTheButtonGoesUp)
{
  struct Source : LogView, NSDraggingSource
  {
    using LogView::LogView;
    NSDraggingSession* session = nullptr;
    void mouseDragged(NSEvent* e) override
    {
      LogView::mouseDragged(e);
      auto* item = new NSPasteboardItem();
      item->setString(NSURL::fileURLWithPath(S("/tmp/x.wav"))->absoluteString(), NSPasteboardTypeFileURL);
      auto* dragging = new NSDraggingItem(item);
      dragging->setDraggingFrame(NSMakeRect(0, 0, 64, 64), NSWorkspace::sharedWorkspace()->iconForFile(S("/tmp/x.wav")));
      session = beginDraggingSessionWithItems(Autoreleased(new NSArray({dragging})),
                                              NSApplication::sharedApplication()->currentEvent(), this);
      session->setDraggingFormation(NSDraggingFormationNone);
      dragging->release();
      item->release();
    }
    NSDragOperation sourceOperationMaskForDraggingContext(NSDraggingSession*, NSDraggingContext) override
    {
      return NSDragOperationCopy;
    }
  };
  Log log;
  NSWindow* window = new NSWindow(NSMakeRect(0, 0, 100, 100));
  auto* source = new Source(NSMakeRect(0, 0, 100, 100), &log);
  window->contentView()->addSubview(source);
  PostMouse(window, NSEventTypeLeftMouseDown, NSMakePoint(10, 10));
  PostMouse(window, NSEventTypeLeftMouseDragged, NSMakePoint(20, 10));
  ASSERT_EQ(CurrentDraggingSession(), source->session);
  EXPECT_EQ(source->session->SourceOperationMask(), NSDragOperationCopy);
  EXPECT_EQ(source->session->draggingFormation(), NSDraggingFormationNone);
  {
    NSAutoreleasePool pool;
    const auto* files = dynamic_cast<const NSArray*>(source->session->draggingPasteboard()->propertyListForType(NSFilenamesPboardType));
    ASSERT_TRUE(files && files->count() == 1);
    EXPECT_EQ(standin::TextOf(files->objectAtIndex(0)), "/tmp/x.wav");
  }
  PostMouse(window, NSEventTypeLeftMouseDragged, NSMakePoint(30, 10));
  PostMouse(window, NSEventTypeLeftMouseUp, NSMakePoint(40, 10));
  EXPECT_EQ(CurrentDraggingSession(), nullptr);
  EXPECT_EQ(log, (Log{"entered", "down 10,90 n=1", "drag 20,90"})); // the system took the rest

  // A drag needs the event that starts it.
  FaultCounter faults;
  EXPECT_EQ(source->beginDraggingSessionWithItems(nullptr, nullptr, source), nullptr);
  EXPECT_EQ(faults.Count(), 1);
  source->release();
  window->release();
}

} // namespace
