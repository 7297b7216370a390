#include "standin/appkit/Internal.h"

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSEvent, NSObject)
STANDIN_DEFINE_CLASS(NSResponder, NSObject)

bool standin::Selector::Perform(NSObject* target, NSObject* argument) const
{
  if (!mSend || !target)
    return false;
  if (mSend(target, argument))
    return true;
  const std::string message = std::string("unrecognized selector ") + mName + " sent to an instance of " + target->className();
  PlatformFault(message.c_str());
  return false;
}

// -- NSEvent --

NSEvent::NSEvent(const Fields& fields, RuntimeClass& cls) : NSObject(cls), mFields(fields)
{
  if (IsKeyEvent())
  {
    mCharacters = new NSString(mFields.characters);
    mCharactersIgnoringModifiers = new NSString(mFields.charactersIgnoringModifiers);
  }
}

NSEvent::~NSEvent()
{
  if (mCharacters)
    mCharacters->release();
  if (mCharactersIgnoringModifiers)
    mCharactersIgnoringModifiers->release();
}

namespace {

// The fields every event has.
NSEvent::Fields CommonFields(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp, NSInteger windowNumber)
{
  NSEvent::Fields fields;
  fields.type = type;
  fields.location = location;
  fields.modifierFlags = flags;
  fields.timestamp = timestamp;
  fields.windowNumber = windowNumber;
  return fields;
}

} // namespace

NSEvent* NSEvent::mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp,
                                     NSInteger windowNumber, NSGraphicsContext*, NSInteger, NSInteger clickCount, float)
{
  Fields fields = CommonFields(type, location, flags, timestamp, windowNumber);
  fields.clickCount = clickCount;
  return Autoreleased(new NSEvent(fields));
}

NSEvent* NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags, double timestamp,
                                   NSInteger windowNumber, NSGraphicsContext*, const NSString* characters,
                                   const NSString* charactersIgnoringModifiers, bool isARepeat, unsigned short keyCode)
{
  Fields fields = CommonFields(type, location, flags, timestamp, windowNumber);
  fields.characters = Text(characters);
  fields.charactersIgnoringModifiers = Text(charactersIgnoringModifiers);
  fields.isARepeat = isARepeat;
  fields.keyCode = keyCode;
  return Autoreleased(new NSEvent(fields));
}

NSPoint NSEvent::mouseLocation() { return TheState().mouseLocation; }

NSWindow* NSEvent::window() const
{
  for (NSWindow* window : TheState().windows)
    if (window->windowNumber() == mFields.windowNumber)
      return window;
  return nullptr;
}

bool NSEvent::IsMouseButtonEvent() const
{
  switch (mFields.type)
  {
  case NSEventTypeLeftMouseDown:
  case NSEventTypeLeftMouseUp:
  case NSEventTypeRightMouseDown:
  case NSEventTypeRightMouseUp:
  case NSEventTypeLeftMouseDragged:
  case NSEventTypeRightMouseDragged:
    return true;
  default:
    return false;
  }
}

NSInteger NSEvent::clickCount() const
{
  if (!IsMouseButtonEvent())
  {
    standin::PlatformFault("-[NSEvent clickCount] sent to an event that is no mouse-button event");
    return 0;
  }
  return mFields.clickCount;
}

unsigned short NSEvent::keyCode() const
{
  if (!IsKeyEvent())
  {
    standin::PlatformFault("-[NSEvent keyCode] sent to an event that is no key event");
    return 0;
  }
  return mFields.keyCode;
}

bool NSEvent::isARepeat() const
{
  if (!IsKeyEvent())
  {
    standin::PlatformFault("-[NSEvent isARepeat] sent to an event that is no key event");
    return false;
  }
  return mFields.isARepeat;
}

const NSString* NSEvent::characters() const
{
  if (!IsKeyEvent())
    standin::PlatformFault("-[NSEvent characters] sent to an event that is no key event");
  return mCharacters;
}

const NSString* NSEvent::charactersIgnoringModifiers() const
{
  if (!IsKeyEvent())
    standin::PlatformFault("-[NSEvent charactersIgnoringModifiers] sent to an event that is no key event");
  return mCharactersIgnoringModifiers;
}

// -- NSResponder --

NSResponder::NSResponder(RuntimeClass& cls) : NSObject(cls) { STANDIN_MAIN_THREAD_ONLY(); }

#define STANDIN_FORWARD(method)                  \
  void NSResponder::method(NSEvent* event)       \
  {                                              \
    if (NSResponder* next = nextResponder())     \
      next->method(event);                       \
    else                                         \
      noResponderFor(event);                     \
  }

STANDIN_FORWARD(mouseDown)
STANDIN_FORWARD(mouseUp)
STANDIN_FORWARD(mouseDragged)
STANDIN_FORWARD(rightMouseDown)
STANDIN_FORWARD(rightMouseUp)
STANDIN_FORWARD(rightMouseDragged)
STANDIN_FORWARD(mouseMoved)
STANDIN_FORWARD(mouseEntered)
STANDIN_FORWARD(mouseExited)
STANDIN_FORWARD(scrollWheel)
STANDIN_FORWARD(keyDown)
STANDIN_FORWARD(keyUp)

#undef STANDIN_FORWARD

void NSResponder::noResponderFor(NSEvent* event)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (event && event->type() == NSEventTypeKeyDown)
  {
    ++TheState().unhandledKeys;
    NSBeep();
  }
}

void NSBeep() { ++TheState().beeps; }

namespace standin::appkit {

long BeepCount() { return TheState().beeps; }
long UnhandledKeyCount() { return TheState().unhandledKeys; }

} // namespace standin::appkit
