// Stand-in host automation delegate. Like a real host it answers a set-value request by sending
// the value back as a host update: the update sink (the host's route to the effect's
// parameter-update operation) receives it at once.
#pragma once

#include "aax/interfaces/AAX_IACFAutomationDelegate.h"
#include "standin/aaxhost/HostObject.h"
#include "standin/aaxhost/RecordLog.h"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace aaxhost
{
struct ValueRecord
{
  std::string id;
  double value = 0.0;
};

// A touch, set-value or release request of the plug-in, at the host's time.
struct GestureRecord
{
  enum EKind { kTouch, kSet, kRelease };
  EKind kind = kTouch;
  std::string id;
  double value = 0.0; // set: the requested value
  double time = 0.0;  // seconds on the host's clock (see SetClock)
};

class AutomationDelegate : public HostObject<AAX_IACFAutomationDelegate>
{
public:
  using UpdateSink = std::function<void(const char* parameterID, double normalizedValue)>;
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXAutomationDelegateV1});
  }
  AAX_Result RegisterParameter(const char* id) override;
  AAX_Result UnregisterParameter(const char* id) override;
  AAX_Result PostSetValueRequest(const char* id, double value) override;
  AAX_Result PostCurrentValue(const char* id, double value) override;
  AAX_Result PostTouchRequest(const char* id) override;
  AAX_Result PostReleaseRequest(const char* id) override;
  AAX_Result GetTouchState(const char* id, bool* touched) override;

  void SetUpdateSink(UpdateSink sink);
  // What the host does inside the plug-in's touch, set-value and release requests: called on
  // the requesting thread once the request is recorded (a set-value request after its echo
  // went to the sink), outside the delegate's lock. The hook may replace itself.
  using RequestHook = std::function<void(GestureRecord::EKind kind, const std::string& parameterID)>;
  void SetRequestHook(RequestHook hook);
  // What the gesture records take as their time (seconds); 0 until one is set. Called on the
  // thread of each request, so it must be safe from any thread.
  void SetClock(std::function<double()> clock);
  std::set<std::string> Registered() const;
  // The newest set-value requests and current-value reports (at most kDefaultRecordCapacity
  // each), oldest first, and how many arrived in all.
  std::vector<ValueRecord> SetValueRequests() const;
  std::vector<ValueRecord> CurrentValues() const;
  uint64_t SetValueRequestCount() const;
  uint64_t CurrentValueCount() const;
  // The newest touch, set-value and release requests in the order they came (at most
  // kDefaultRecordCapacity), and how many came in all.
  std::vector<GestureRecord> Gestures() const;
  uint64_t GestureCount() const;
  // Touches minus releases per identifier.
  int TouchDepth(const std::string& id) const;

private:
  static std::string Id(const char* id) { return id ? std::string(id) : std::string(); }
  void AddGestureLocked(GestureRecord::EKind kind, const std::string& id, double value);
  void RunRequestHook(GestureRecord::EKind kind, const std::string& id);

  mutable std::mutex mMutex;
  UpdateSink mSink;
  RequestHook mRequestHook;
  std::set<std::string> mRegistered;
  RecordLog<ValueRecord> mSetValueRequests;
  RecordLog<ValueRecord> mCurrentValues;
  RecordLog<GestureRecord> mGestures;
  std::function<double()> mClock;
  std::map<std::string, int> mTouches;
};
} // namespace aaxhost
