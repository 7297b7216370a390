// Stand-in host services: records the traces and assertions the plug-in sends (the newest
// ones, with counts of all).
#pragma once

#include "aax/interfaces/AAX_IACFHostServices.h"
#include "standin/aaxhost/HostObject.h"
#include "standin/aaxhost/RecordLog.h"

#include <mutex>
#include <string>
#include <vector>

namespace aaxhost
{
struct TraceRecord
{
  int32_t priority = 0;
  int32_t flags = 0;
  std::string text;
};

struct AssertionRecord
{
  std::string file;
  int32_t line = 0;
  std::string condition;
  int32_t flags = 0;
};

class HostServices : public HostObject<AAX_IACFHostServices_V3>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXHostServicesV1, IID_IAAXHostServicesV2, IID_IAAXHostServicesV3});
  }
  AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note) override;
  AAX_Result Trace(int32_t priority, const char* message) override;
  AAX_Result TraceWithFlags(int32_t priority, int32_t flags, const char* message) override;
  AAX_Result HandleAssertFailureWithFlags(const char* file, int32_t line, const char* note, int32_t flags) override;

  // The newest records (at most kDefaultRecordCapacity each), oldest first.
  std::vector<TraceRecord> Traces() const;
  std::vector<AssertionRecord> Assertions() const;
  // Every trace and assertion received since construction or Clear.
  uint64_t TraceCount() const;
  uint64_t AssertionCount() const;
  void Clear();

private:
  mutable std::mutex mMutex;
  RecordLog<TraceRecord> mTraces;
  RecordLog<AssertionRecord> mAssertions;
};
} // namespace aaxhost
