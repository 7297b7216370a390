// Stand-in host services: records every trace and assertion the plug-in sends.
#pragma once

#include "aax/interfaces/AAX_IACFHostServices.h"
#include "standin/aaxhost/HostObject.h"

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

  std::vector<TraceRecord> Traces() const;
  std::vector<AssertionRecord> Assertions() const;
  void Clear();

private:
  mutable std::mutex mMutex;
  std::vector<TraceRecord> mTraces;
  std::vector<AssertionRecord> mAssertions;
};
} // namespace aaxhost
