#pragma once
// Selectors for the target-action pattern of the AppKit stand-in (timers, menu items, the
// colour panel, notifications): a method of a class taking one object argument, sent to a
// target object at run time, as the platform sends a message.
//
//   SEL action = STANDIN_SELECTOR(MyView, onTimer);   // @selector(onTimer:)
//   action.Perform(target, sender);
//
// Sending a selector to a target that is not of the method's class, or with an argument of
// the wrong class, is the platform's "unrecognized selector" crash (standin::PlatformFault).
#include "standin/foundation/Object.h"

#include <functional>
#include <string>

namespace standin {

class Selector
{
public:
  Selector() = default;

  template <class Target, class Argument>
  Selector(void (Target::*method)(Argument*), const char* name)
    : mName(name ? name : "")
    , mSend([method](NSObject* target, NSObject* argument) {
      Target* receiver = dynamic_cast<Target*>(target);
      Argument* value = argument ? dynamic_cast<Argument*>(argument) : nullptr;
      if (!receiver || (argument && !value))
        return false;
      (receiver->*method)(value);
      return true;
    })
  {
  }

  const char* Name() const { return mName.c_str(); }
  explicit operator bool() const { return static_cast<bool>(mSend); }
  bool operator==(const Selector& other) const { return mName == other.mName; }
  bool operator!=(const Selector& other) const { return !(*this == other); }

  // Sends the message; false (after the fault) when the target does not respond to it. An
  // empty selector or a null target sends nothing and gives false.
  bool Perform(NSObject* target, NSObject* argument) const;

private:
  std::string mName;
  std::function<bool(NSObject*, NSObject*)> mSend;
};

} // namespace standin

typedef standin::Selector SEL;

// @selector(method:) of a method of Class.
#define STANDIN_SELECTOR(Class, method) SEL(&Class::method, #method ":")
