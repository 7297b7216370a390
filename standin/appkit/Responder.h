#pragma once
// Stand-in for AppKit's events and responders: NSEvent (mouse, scroll and key events with
// their location in the window, modifier flags, click count, tablet subtype, deltas, key codes
// and characters) and NSResponder, whose event methods pass what they do not handle to the
// next responder.
//
// Like the rest of the AppKit stand-in this runs on the main thread only: the thread that
// runs standin::RunLoop::Main() and delivers the events (see UserInput.h).
#include "standin/appkit/Selector.h"
#include "standin/foundation/Foundation.h"
#include "standin/foundation/Geometry.h"

#include <cstdint>
#include <string>

typedef long NSInteger;
typedef unsigned long NSUInteger;

class NSWindow;
class NSTrackingArea;
class NSGraphicsContext;

enum NSEventType : NSUInteger
{
  NSEventTypeLeftMouseDown = 1,
  NSEventTypeLeftMouseUp = 2,
  NSEventTypeRightMouseDown = 3,
  NSEventTypeRightMouseUp = 4,
  NSEventTypeMouseMoved = 5,
  NSEventTypeLeftMouseDragged = 6,
  NSEventTypeRightMouseDragged = 7,
  NSEventTypeMouseEntered = 8,
  NSEventTypeMouseExited = 9,
  NSEventTypeKeyDown = 10,
  NSEventTypeKeyUp = 11,
  NSEventTypeScrollWheel = 22,
};

typedef NSUInteger NSEventModifierFlags;
constexpr NSEventModifierFlags NSEventModifierFlagCapsLock = 1ul << 16;
constexpr NSEventModifierFlags NSEventModifierFlagShift = 1ul << 17;
constexpr NSEventModifierFlags NSEventModifierFlagControl = 1ul << 18;
constexpr NSEventModifierFlags NSEventModifierFlagOption = 1ul << 19;
constexpr NSEventModifierFlags NSEventModifierFlagCommand = 1ul << 20;
constexpr NSEventModifierFlags NSEventModifierFlagNumericPad = 1ul << 21;
constexpr NSEventModifierFlags NSEventModifierFlagFunction = 1ul << 23;

enum NSEventSubtype : short
{
  NSEventSubtypeMouseEvent = 0,
  NSEventSubtypeTabletPoint = 1,
  NSEventSubtypeTabletProximity = 2,
};

// The characters of the keys without a printable character (arrows, function keys, ...).
enum : unichar
{
  NSUpArrowFunctionKey = 0xF700,
  NSDownArrowFunctionKey = 0xF701,
  NSLeftArrowFunctionKey = 0xF702,
  NSRightArrowFunctionKey = 0xF703,
  NSF1FunctionKey = 0xF704,
  NSF16FunctionKey = 0xF713,
  NSF17FunctionKey = 0xF714,
  NSF24FunctionKey = 0xF71B,
  NSF35FunctionKey = 0xF726,
  NSDeleteFunctionKey = 0xF728,
  NSHomeFunctionKey = 0xF729,
  NSEndFunctionKey = 0xF72B,
  NSPageUpFunctionKey = 0xF72C,
  NSPageDownFunctionKey = 0xF72D,
  NSHelpFunctionKey = 0xF746,
};

class NSEvent : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Everything an event carries. Key fields are meaningful for key events, the click count
  // for mouse-button events, the deltas for scroll and mouse events.
  struct Fields
  {
    NSEventType type = NSEventTypeMouseMoved;
    NSPoint location;          // in the window's coordinates (origin bottom left)
    NSEventModifierFlags modifierFlags = 0;
    NSInteger clickCount = 0;
    NSEventSubtype subtype = NSEventSubtypeMouseEvent;
    CGFloat deltaX = 0, deltaY = 0;
    unsigned short keyCode = 0;
    std::string characters;    // UTF-8
    std::string charactersIgnoringModifiers;
    bool isARepeat = false;
    NSInteger windowNumber = 0;
    double timestamp = 0;
    NSTrackingArea* trackingArea = nullptr; // entered and exited events; not retained
  };

  explicit NSEvent(const Fields& fields, standin::RuntimeClass& cls = Class());
  ~NSEvent() override;

  // The platform's constructors (autoreleased). The context, event number and pressure are
  // not kept.
  static NSEvent* mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp,
                                     NSInteger windowNumber, NSGraphicsContext* context, NSInteger eventNumber,
                                     NSInteger clickCount, float pressure);
  static NSEvent* keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp,
                                   NSInteger windowNumber, NSGraphicsContext* context, const NSString* characters,
                                   const NSString* charactersIgnoringModifiers, bool isARepeat, unsigned short keyCode);

  // Where the mouse is now, in screen coordinates (origin bottom left of the main screen).
  static NSPoint mouseLocation();

  NSEventType type() const { return mFields.type; }
  NSPoint locationInWindow() const { return mFields.location; }
  NSEventModifierFlags modifierFlags() const { return mFields.modifierFlags; }
  NSEventSubtype subtype() const { return mFields.subtype; }
  CGFloat deltaX() const { return mFields.deltaX; }
  CGFloat deltaY() const { return mFields.deltaY; }
  double timestamp() const { return mFields.timestamp; }
  NSInteger windowNumber() const { return mFields.windowNumber; }
  // The window of the event while it exists, else null.
  NSWindow* window() const;
  NSTrackingArea* trackingArea() const { return mFields.trackingArea; }
  bool IsMouseButtonEvent() const;
  bool IsKeyEvent() const { return mFields.type == NSEventTypeKeyDown || mFields.type == NSEventTypeKeyUp; }

  // As on the platform, asking a mouse event for key fields, or any other event for the click
  // count, is a platform fault (the platform raises); the answer is then 0 or null.
  NSInteger clickCount() const;
  unsigned short keyCode() const;
  bool isARepeat() const;
  // Owned by the event.
  const NSString* characters() const;
  const NSString* charactersIgnoringModifiers() const;

private:
  Fields mFields;
  NSString* mCharacters = nullptr;
  NSString* mCharactersIgnoringModifiers = nullptr;
};

class NSResponder : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSResponder(standin::RuntimeClass& cls = Class());

  // None for a plain responder; views and windows link into the chain.
  virtual NSResponder* nextResponder() const { return nullptr; }

  virtual bool acceptsFirstResponder() { return false; }
  virtual bool becomeFirstResponder() { return true; }
  virtual bool resignFirstResponder() { return true; }

  // Each passes the event to the next responder; at the end of the chain noResponderFor.
  virtual void mouseDown(NSEvent* event);
  virtual void mouseUp(NSEvent* event);
  virtual void mouseDragged(NSEvent* event);
  virtual void rightMouseDown(NSEvent* event);
  virtual void rightMouseUp(NSEvent* event);
  virtual void rightMouseDragged(NSEvent* event);
  virtual void mouseMoved(NSEvent* event);
  virtual void mouseEntered(NSEvent* event);
  virtual void mouseExited(NSEvent* event);
  virtual void scrollWheel(NSEvent* event);
  virtual void keyDown(NSEvent* event);
  virtual void keyUp(NSEvent* event);
  // Beeps for a key down that no responder took; other events end silently.
  virtual void noResponderFor(NSEvent* event);
};

// The system alert sound; the stand-in counts it (standin::appkit::BeepCount).
void NSBeep();

namespace standin::appkit {

long BeepCount();
// Key-down events that went up the whole responder chain untaken.
long UnhandledKeyCount();

} // namespace standin::appkit
