#pragma once
// Stand-in for AppKit's application, screens and windows. A window holds a content view,
// routes the events delivered to it (UserInput.h) as the platform does and keeps the first
// responder:
// - a mouse-button down goes to the view under the mouse (which becomes first responder when
//   it accepts), the drags and the release of that button to the same view wherever the mouse
//   goes;
// - mouse-moved events go to the first responder, and only while the window accepts them;
// - entered and exited events go to the owners of the tracking areas the mouse crosses;
// - scroll events go to the view under the mouse;
// - key events go to the first responder and travel up the responder chain until taken.
#include "standin/appkit/View.h"

class NSText;

typedef NSUInteger NSWindowStyleMask;
constexpr NSWindowStyleMask NSWindowStyleMaskBorderless = 0;
constexpr NSWindowStyleMask NSWindowStyleMaskTitled = 1;
constexpr NSWindowStyleMask NSWindowStyleMaskClosable = 2;
constexpr NSWindowStyleMask NSWindowStyleMaskResizable = 8;

typedef NSUInteger NSBackingStoreType;
constexpr NSBackingStoreType NSBackingStoreBuffered = 2;

// The main screen; tests set its size and backing scale (UserInput.h).
class NSScreen : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSScreen* mainScreen();
  // In screen coordinates (origin bottom left).
  NSRect frame() const;
  CGFloat backingScaleFactor() const;

private:
  NSScreen();
};

class NSWindow : public NSResponder
{
  STANDIN_OBJECT_CLASS()

  // The window's frame on the screen is the content rectangle (the stand-in draws no title
  // bar); the content view is a new NSView of the content's size.
  explicit NSWindow(NSRect contentRect, NSWindowStyleMask style = NSWindowStyleMaskTitled,
                    NSBackingStoreType backing = NSBackingStoreBuffered, bool defer = false,
                    standin::RuntimeClass& cls = Class());
  // The content view leaves the window first.
  ~NSWindow() override;

  NSView* contentView() const { return mContentView; }
  // Retains the view and sizes it to the content; the previous one leaves the window.
  void setContentView(NSView* view);

  NSRect frame() const { return mFrame; }
  void setFrameOrigin(NSPoint origin) { mFrame.origin = origin; }
  void setContentSize(NSSize size);
  NSInteger windowNumber() const { return mNumber; }
  // The main screen's, unless set for this window (UserInput.h).
  CGFloat backingScaleFactor() const;

  NSRect convertRectToScreen(NSRect rect) const;
  NSRect convertRectFromScreen(NSRect rect) const;
  NSPoint convertPointToScreen(NSPoint point) const;
  NSPoint convertPointFromScreen(NSPoint point) const;

  // The window itself when no other responder is.
  NSResponder* firstResponder() const { return mFirstResponder ? mFirstResponder : const_cast<NSWindow*>(this); }
  // The current first responder resigns (it may refuse: false), the new one must accept and
  // become it (else the window is first responder and the answer false). Null makes the
  // window first responder.
  bool makeFirstResponder(NSResponder* responder);

  bool acceptsMouseMovedEvents() const { return mAcceptsMouseMoved; }
  void setAcceptsMouseMovedEvents(bool accepts) { mAcceptsMouseMoved = accepts; }

  void makeKeyAndOrderFront(NSObject* sender);
  void orderFront(NSObject* sender);
  void orderOut(NSObject* sender);
  void makeKeyWindow();
  void close();
  bool isVisible() const { return mVisible; }

  // The window's text editor for text fields (made on first use when create is set; owned
  // by the window).
  NSText* fieldEditor(bool create, NSObject* forObject);

  NSAppearance* appearance() const { return mAppearance; }
  void setAppearance(NSAppearance* appearance) { mAppearance = appearance; }
  NSAppearance* effectiveAppearance() const;

  // Routes an event of this window (see above).
  virtual void sendEvent(NSEvent* event);

  // -- the stand-in's own --
  // Forgets the button held (a modal session or a menu took the mouse).
  void CancelMouseTracking();
  // Sets the window's backing scale (0: the screen's); views hear
  // viewDidChangeBackingProperties when it changes.
  void SetBackingScaleFactor(CGFloat scale);
  // Tells every view of the window that the backing properties changed.
  void NotifyBackingPropertiesChanged();
  // The mouse location in the window's coordinates.
  NSPoint MouseInWindow() const;
  // Checks the tracking areas against the mouse location (window coordinates).
  void UpdateTrackingAreas(NSPoint location, bool buttonDown, NSEvent* cause);

private:
  friend class NSView;
  friend class NSText;
  friend class NSTextField;
  // A view leaves the window: first responder, mouse-down view and tracking states let go.
  void ViewWillLeave(NSView* view);
  // Whether the area holds the point (window coordinates).
  static bool AreaContains(const NSTrackingArea& area, NSPoint location);

  NSRect mFrame;
  NSInteger mNumber;
  NSView* mContentView = nullptr;
  NSResponder* mFirstResponder = nullptr; // null: the window
  // A responder that took over while becoming first responder (a text field's editor).
  NSResponder* mResponderTakingOver = nullptr;
  bool mAcceptsMouseMoved = false;
  bool mVisible = false;
  NSView* mMouseDownView = nullptr; // got the mouse-down of the button held now
  CGFloat mBackingScale = 0; // 0: the screen's
  NSText* mFieldEditor = nullptr;
  NSAppearance* mAppearance = nullptr;
};

class NSApplication : public NSResponder
{
  STANDIN_OBJECT_CLASS()

  static NSApplication* sharedApplication();

  // The event being delivered, or null.
  NSEvent* currentEvent() const { return mCurrentEvent; }
  // Windows alive, in order of creation (autoreleased array).
  NSArray* windows() const;
  NSWindow* keyWindow() const;

  NSAppearance* appearance() const { return mAppearance; }
  void setAppearance(NSAppearance* appearance) { mAppearance = appearance; }
  // The appearance set, else the system's (UserInput.h).
  NSAppearance* effectiveAppearance() const;

  // Sends the action to the target; false when there is none to send or it does not respond.
  bool sendAction(const SEL& action, NSObject* target, NSObject* sender);
  // Delivers the event to its window.
  void sendEvent(NSEvent* event);

private:
  friend class NSWindow;
  NSApplication();
  NSEvent* mCurrentEvent = nullptr;
  NSAppearance* mAppearance = nullptr;
};

// The application object, null until NSApplicationLoad or sharedApplication.
extern NSApplication* NSApp;
bool NSApplicationLoad();

// The application-kit version of the system (UserInput.h sets the system's version).
extern double NSAppKitVersionNumber;

typedef int16_t OSErr;
typedef uint32_t OSType;
typedef int32_t SInt32;
// The system's answers by selector; only 'sysv' is known (-5551 for others): the version as
// hexadecimal digits 0x10mb, which stops at 0x1099 for systems after 10.9.
OSErr Gestalt(OSType selector, SInt32* response);
