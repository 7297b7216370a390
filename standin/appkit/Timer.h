#pragma once
// Stand-in for Foundation's timers, run loop object and notifications, kept with the AppKit
// stand-in since only the platform layer's views use them. Timers run on the main run loop
// (standin::RunLoop::Main()), one autorelease pool around each firing, in the modes they were
// added in: the default mode fires only while the loop runs normally, not inside a menu's
// tracking or a modal run; the common modes fire in all of them (see RunLoop.h).
#include "standin/appkit/Selector.h"
#include "standin/foundation/CoreFoundation.h"
#include "standin/foundation/RunLoop.h"

extern NSString* const NSDefaultRunLoopMode;
extern NSString* const NSRunLoopCommonModes;
extern NSString* const NSModalPanelRunLoopMode;
extern NSString* const NSEventTrackingRunLoopMode;
extern const CFStringRef kCFRunLoopCommonModes; // the same string as NSRunLoopCommonModes

// A timer sends its selector to its target (with the timer as argument) each time it fires.
// Like the platform's, it retains its target and user information until it is invalidated,
// and the run loop retains the timer while it is scheduled.
class NSTimer : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Autoreleased and not yet scheduled.
  static NSTimer* timerWithTimeInterval(double interval, NSObject* target, const SEL& selector, NSObject* userInfo, bool repeats);
  // Scheduled on the current run loop in the default mode.
  static NSTimer* scheduledTimerWithTimeInterval(double interval, NSObject* target, const SEL& selector, NSObject* userInfo,
                                                 bool repeats);
  ~NSTimer() override;

  // Takes the timer off the run loop for good and lets go of the target and user information.
  void invalidate();
  bool isValid() const { return mValid; }
  // Fires once now, without changing the schedule.
  void fire();
  NSObject* userInfo() const { return mUserInfo; }

  // The mode it was scheduled in first ("" before), and how often it fired.
  const std::string& Mode() const { return mMode; }
  uint64_t FireCount() const { return mFireCount; }

private:
  friend class NSRunLoop;
  NSTimer(double interval, NSObject* target, const SEL& selector, NSObject* userInfo, bool repeats);

  double mInterval;
  NSObject* mTarget;
  SEL mSelector;
  NSObject* mUserInfo;
  bool mRepeats;
  bool mValid = true;
  std::string mMode;
  uint64_t mFireCount = 0;
  standin::RunLoopTimerRef mScheduled;
};

class NSRunLoop : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Both the main run loop.
  static NSRunLoop* currentRunLoop();
  static NSRunLoop* mainRunLoop();
  // Schedules the timer in the mode (retained until invalidated); a timer already scheduled
  // gets the mode added, one no longer valid is left as it is. An unknown mode is a mode of its
  // own that the stand-in never runs.
  void addTimer(NSTimer* timer, const NSString* mode);

private:
  NSRunLoop();
};

class NSNotification : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Retains what it is given.
  NSNotification(const NSString* name, NSObject* object, const NSDictionary* userInfo, standin::RuntimeClass& cls = Class());
  ~NSNotification() override;

  const NSString* name() const { return mName; }
  NSObject* object() const { return mObject; }
  const NSDictionary* userInfo() const { return mUserInfo; }

private:
  const NSString* mName;
  NSObject* mObject;
  const NSDictionary* mUserInfo;
};

// Observers and the objects they watch are not retained; an observer registered for a null
// name hears every name, for a null object every sender.
class NSNotificationCenter : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSNotificationCenter* defaultCenter();

  void addObserver(NSObject* observer, const SEL& selector, const NSString* name, const NSObject* object);
  void removeObserver(const NSObject* observer);
  void removeObserver(const NSObject* observer, const NSString* name, const NSObject* object);
  // Delivers to the observers registered now, in the order they registered; an observer
  // removed during the delivery hears nothing more.
  void postNotification(NSNotification* notification);
  void postNotificationName(const NSString* name, NSObject* object, const NSDictionary* userInfo = nullptr);

  // Registrations of the observer (all observers for null).
  size_t ObserverCount(const NSObject* observer = nullptr) const;

private:
  NSNotificationCenter();
  struct Entry
  {
    uint64_t id;
    const NSObject* observer;
    SEL selector;
    std::string name; // empty: any
    bool anyName;
    const NSObject* object;
  };
  std::vector<Entry> mEntries;
  uint64_t mNextId = 1;
};
