#include "standin/appkit/Timer.h"

#include <algorithm>
#include <utility>

using standin::RuntimeClass;

STANDIN_DEFINE_CLASS(NSTimer, NSObject)
STANDIN_DEFINE_CLASS(NSRunLoop, NSObject)
STANDIN_DEFINE_CLASS(NSNotification, NSObject)
STANDIN_DEFINE_CLASS(NSNotificationCenter, NSObject)

NSString* const NSDefaultRunLoopMode = standin::ConstantString("kCFRunLoopDefaultMode");
NSString* const NSRunLoopCommonModes = standin::ConstantString("kCFRunLoopCommonModes");
NSString* const NSModalPanelRunLoopMode = standin::ConstantString("NSModalPanelRunLoopMode");
NSString* const NSEventTrackingRunLoopMode = standin::ConstantString("NSEventTrackingRunLoopMode");
const CFStringRef kCFRunLoopCommonModes = NSRunLoopCommonModes;

// -- NSTimer --

NSTimer::NSTimer(double interval, NSObject* target, const SEL& selector, NSObject* userInfo, bool repeats)
  : NSObject(Class())
  , mInterval(interval)
  , mTarget(Retained(target))
  , mSelector(selector)
  , mUserInfo(Retained(userInfo))
  , mRepeats(repeats)
{
}

NSTimer::~NSTimer()
{
  if (mTarget)
    mTarget->release();
  if (mUserInfo)
    mUserInfo->release();
}

NSTimer* NSTimer::timerWithTimeInterval(double interval, NSObject* target, const SEL& selector, NSObject* userInfo, bool repeats)
{
  return Autoreleased(new NSTimer(interval, target, selector, userInfo, repeats));
}

NSTimer* NSTimer::scheduledTimerWithTimeInterval(double interval, NSObject* target, const SEL& selector, NSObject* userInfo,
                                                 bool repeats)
{
  NSTimer* timer = timerWithTimeInterval(interval, target, selector, userInfo, repeats);
  NSRunLoop::currentRunLoop()->addTimer(timer, NSDefaultRunLoopMode);
  return timer;
}

void NSTimer::fire()
{
  if (!mValid)
    return;
  retain(); // the target may invalidate the timer
  ++mFireCount;
  mSelector.Perform(mTarget, this);
  if (!mRepeats)
    invalidate();
  release();
}

void NSTimer::invalidate()
{
  if (!mValid)
    return;
  mValid = false;
  NSObject* target = mTarget;
  NSObject* userInfo = mUserInfo;
  mTarget = nullptr;
  mUserInfo = nullptr;
  standin::RunLoopTimerRef scheduled = std::move(mScheduled);
  if (scheduled)
    scheduled->Invalidate();
  if (target)
    target->release();
  if (userInfo)
    userInfo->release();
  if (scheduled)
    release(); // the run loop's reference
}

// -- NSRunLoop --

namespace {

// A mode of the loop's that no run of the stand-in is in.
constexpr unsigned kNoModeOfTheLoop = 0x100u;

// The run loop's modes named by the mode's string (none for a mode the stand-in does not run).
unsigned ModesNamed(const std::string& mode)
{
  if (mode == NSRunLoopCommonModes->Text())
    return standin::kCommonRunLoopModes;
  if (mode == NSDefaultRunLoopMode->Text())
    return standin::kDefaultRunLoopMode;
  if (mode == NSEventTrackingRunLoopMode->Text())
    return standin::kEventTrackingRunLoopMode;
  if (mode == NSModalPanelRunLoopMode->Text())
    return standin::kModalPanelRunLoopMode;
  return 0;
}

} // namespace

NSRunLoop::NSRunLoop() : NSObject(Class()) { MakeImmortal(); }

NSRunLoop* NSRunLoop::currentRunLoop() { return mainRunLoop(); }

NSRunLoop* NSRunLoop::mainRunLoop()
{
  static NSRunLoop* sMain = new NSRunLoop();
  return sMain;
}

void NSRunLoop::addTimer(NSTimer* timer, const NSString* mode)
{
  if (!timer || !timer->mValid)
    return;
  const std::string name = mode ? mode->Text() : std::string();
  if (timer->mScheduled)
  {
    timer->mScheduled->AddModes(ModesNamed(name));
    return;
  }
  timer->retain();
  timer->mMode = name;
  // The loop fires a new timer at once; the platform's waits one interval first, so with an
  // interval the loop's first call is skipped (and a one-shot timer with an interval becomes
  // a repeating loop timer that its firing invalidates).
  const bool waits = timer->mRepeats || timer->mInterval > 0;
  const double interval = timer->mRepeats ? std::max(timer->mInterval, 0.0001) : std::max(timer->mInterval, 0.0);
  const auto callback = [timer, skip = waits](standin::RunLoopTimer&) mutable {
    if (std::exchange(skip, false))
      return;
    NSAutoreleasePool pool;
    timer->fire();
  };
  const unsigned modes = ModesNamed(name);
  timer->mScheduled = standin::RunLoop::Main().AddTimer(interval, callback, modes ? modes : kNoModeOfTheLoop);
}

// -- NSNotification --

NSNotification::NSNotification(const NSString* name, NSObject* object, const NSDictionary* userInfo, RuntimeClass& cls)
  : NSObject(cls), mName(Retained(name)), mObject(Retained(object)), mUserInfo(Retained(userInfo))
{
}

NSNotification::~NSNotification()
{
  if (mName)
    mName->release();
  if (mObject)
    mObject->release();
  if (mUserInfo)
    mUserInfo->release();
}

// -- NSNotificationCenter --

NSNotificationCenter::NSNotificationCenter() : NSObject(Class()) { MakeImmortal(); }

NSNotificationCenter* NSNotificationCenter::defaultCenter()
{
  static NSNotificationCenter* sCenter = new NSNotificationCenter();
  return sCenter;
}

void NSNotificationCenter::addObserver(NSObject* observer, const SEL& selector, const NSString* name, const NSObject* object)
{
  if (!observer || !selector)
    return;
  mEntries.push_back(Entry{mNextId++, observer, selector, name ? name->Text() : std::string(), name == nullptr, object});
}

void NSNotificationCenter::removeObserver(const NSObject* observer)
{
  mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.observer == observer; }),
                 mEntries.end());
}

void NSNotificationCenter::removeObserver(const NSObject* observer, const NSString* name, const NSObject* object)
{
  mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(),
                                [&](const Entry& e) {
                                  return e.observer == observer && (!name || (!e.anyName && e.name == name->Text())) &&
                                         (!object || e.object == object);
                                }),
                 mEntries.end());
}

void NSNotificationCenter::postNotification(NSNotification* notification)
{
  if (!notification || !notification->name())
    return;
  const std::string name = notification->name()->Text();
  std::vector<uint64_t> ids;
  for (const Entry& e : mEntries)
    if ((e.anyName || e.name == name) && (!e.object || e.object == notification->object()))
      ids.push_back(e.id);
  notification->retain();
  for (uint64_t id : ids)
  {
    auto it = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.id == id; });
    if (it == mEntries.end())
      continue; // removed meanwhile
    const Entry entry = *it;
    entry.selector.Perform(const_cast<NSObject*>(entry.observer), notification);
  }
  notification->release();
}

void NSNotificationCenter::postNotificationName(const NSString* name, NSObject* object, const NSDictionary* userInfo)
{
  NSNotification* notification = new NSNotification(name, object, userInfo);
  postNotification(notification);
  notification->release();
}

size_t NSNotificationCenter::ObserverCount(const NSObject* observer) const
{
  return static_cast<size_t>(
    std::count_if(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return !observer || e.observer == observer; }));
}
