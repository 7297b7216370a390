#include "standin/aaxhost/AutomationDelegate.h"

namespace aaxhost
{
AAX_Result AutomationDelegate::RegisterParameter(const char* id)
{
  Call("AutomationDelegate.RegisterParameter");
  if (!id)
    return AAX_ERROR_NULL_ARGUMENT;
  std::lock_guard<std::mutex> lock(mMutex);
  mRegistered.insert(id);
  return 0;
}

AAX_Result AutomationDelegate::UnregisterParameter(const char* id)
{
  Call("AutomationDelegate.UnregisterParameter");
  if (!id)
    return AAX_ERROR_NULL_ARGUMENT;
  std::lock_guard<std::mutex> lock(mMutex);
  mRegistered.erase(id);
  return 0;
}

AAX_Result AutomationDelegate::PostSetValueRequest(const char* id, double value)
{
  Call("AutomationDelegate.PostSetValueRequest");
  if (!id)
    return AAX_ERROR_NULL_ARGUMENT;
  UpdateSink sink;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mSetValueRequests.Add({id, value});
    AddGestureLocked(GestureRecord::kSet, id, value);
    sink = mSink;
  }
  // The echo runs outside the lock: the update may post the current value back to us.
  if (sink)
    sink(id, value);
  RunRequestHook(GestureRecord::kSet, id);
  return 0;
}

AAX_Result AutomationDelegate::PostCurrentValue(const char* id, double value)
{
  Call("AutomationDelegate.PostCurrentValue");
  std::lock_guard<std::mutex> lock(mMutex);
  mCurrentValues.Add({Id(id), value});
  return 0;
}

AAX_Result AutomationDelegate::PostTouchRequest(const char* id)
{
  Call("AutomationDelegate.PostTouchRequest");
  {
    std::lock_guard<std::mutex> lock(mMutex);
    ++mTouches[Id(id)];
    AddGestureLocked(GestureRecord::kTouch, Id(id), 0.0);
  }
  RunRequestHook(GestureRecord::kTouch, Id(id));
  return 0;
}

AAX_Result AutomationDelegate::PostReleaseRequest(const char* id)
{
  Call("AutomationDelegate.PostReleaseRequest");
  {
    std::lock_guard<std::mutex> lock(mMutex);
    --mTouches[Id(id)];
    AddGestureLocked(GestureRecord::kRelease, Id(id), 0.0);
  }
  RunRequestHook(GestureRecord::kRelease, Id(id));
  return 0;
}

AAX_Result AutomationDelegate::GetTouchState(const char* id, bool* touched)
{
  Call("AutomationDelegate.GetTouchState");
  if (!touched)
    return AAX_ERROR_NULL_ARGUMENT;
  *touched = TouchDepth(Id(id)) > 0;
  return 0;
}

void AutomationDelegate::AddGestureLocked(GestureRecord::EKind kind, const std::string& id, double value)
{
  mGestures.Add({kind, id, value, mClock ? mClock() : 0.0});
}

void AutomationDelegate::SetRequestHook(RequestHook hook)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mRequestHook = std::move(hook);
}

void AutomationDelegate::RunRequestHook(GestureRecord::EKind kind, const std::string& id)
{
  RequestHook hook;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    hook = mRequestHook;
  }
  // A copy: the hook may replace or clear itself, and the host may let go of this delegate.
  if (hook)
    hook(kind, id);
}

void AutomationDelegate::SetClock(std::function<double()> clock)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mClock = std::move(clock);
}

std::vector<GestureRecord> AutomationDelegate::Gestures() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mGestures.Records();
}

uint64_t AutomationDelegate::GestureCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mGestures.Total();
}

void AutomationDelegate::SetUpdateSink(UpdateSink sink)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mSink = std::move(sink);
}

std::set<std::string> AutomationDelegate::Registered() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mRegistered;
}

std::vector<ValueRecord> AutomationDelegate::SetValueRequests() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mSetValueRequests.Records();
}

std::vector<ValueRecord> AutomationDelegate::CurrentValues() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCurrentValues.Records();
}

uint64_t AutomationDelegate::SetValueRequestCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mSetValueRequests.Total();
}

uint64_t AutomationDelegate::CurrentValueCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCurrentValues.Total();
}

int AutomationDelegate::TouchDepth(const std::string& id) const
{
  std::lock_guard<std::mutex> lock(mMutex);
  const auto it = mTouches.find(id);
  return it == mTouches.end() ? 0 : it->second;
}
} // namespace aaxhost
