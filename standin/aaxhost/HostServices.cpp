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
  mTraces.Add({priority, 0, Text(message)});
  return 0;
}

AAX_Result HostServices::TraceWithFlags(int32_t priority, int32_t flags, const char* message)
{
  Call("HostServices.TraceWithFlags");
  std::lock_guard<std::mutex> lock(mMutex);
  mTraces.Add({priority, flags, Text(message)});
  return 0;
}

AAX_Result HostServices::HandleAssertFailureWithFlags(const char* file, int32_t line, const char* note, int32_t flags)
{
  Call("HostServices.Assert");
  std::lock_guard<std::mutex> lock(mMutex);
  mAssertions.Add({Text(file), line, Text(note), flags});
  return 0;
}

std::vector<TraceRecord> HostServices::Traces() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mTraces.Records();
}

std::vector<AssertionRecord> HostServices::Assertions() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mAssertions.Records();
}

uint64_t HostServices::TraceCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mTraces.Total();
}

uint64_t HostServices::AssertionCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mAssertions.Total();
}

void HostServices::Clear()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mTraces.Clear();
  mAssertions.Clear();
}
} // namespace aaxhost
