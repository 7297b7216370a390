#include "standin/aaxhost/HostServices.h"

namespace aaxhost
{
namespace
{
std::string Text(const char* text) { return text ? std::string(text) : std::string(); }
} // namespace

AAX_Result HostServices::HandleAssertFailure(const char* file, int32_t line, const char* note)
{
  return HandleAssertFailureWithFlags(file, line, note, 0);
}

AAX_Result HostServices::Trace(int32_t priority, const char* message)
{
  Call("HostServices.Trace");
  std::lock_guard<std::mutex> lock(mMutex);
  mTraces.push_back({priority, 0, Text(message)});
  return 0;
}

AAX_Result HostServices::TraceWithFlags(int32_t priority, int32_t flags, const char* message)
{
  Call("HostServices.TraceWithFlags");
  std::lock_guard<std::mutex> lock(mMutex);
  mTraces.push_back({priority, flags, Text(message)});
  return 0;
}

AAX_Result HostServices::HandleAssertFailureWithFlags(const char* file, int32_t line, const char* note, int32_t flags)
{
  Call("HostServices.Assert");
  std::lock_guard<std::mutex> lock(mMutex);
  mAssertions.push_back({Text(file), line, Text(note), flags});
  return 0;
}

std::vector<TraceRecord> HostServices::Traces() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mTraces;
}

std::vector<AssertionRecord> HostServices::Assertions() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mAssertions;
}

void HostServices::Clear()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mTraces.clear();
  mAssertions.clear();
}
} // namespace aaxhost
