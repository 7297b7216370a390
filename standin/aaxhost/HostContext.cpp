#include "standin/aaxhost/HostContext.h"

namespace aaxhost
{
namespace
{
std::atomic<int32_t> sLiveObjects{0};
}

void HostContext::Record(const std::string& call)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCalls.Add(call);
}

std::vector<std::string> HostContext::Calls() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls.Records();
}

std::string HostContext::LastCall() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls.Empty() ? std::string() : mCalls.Last();
}

size_t HostContext::CallCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return static_cast<size_t>(mCalls.Total());
}

void HostContext::ClearCalls()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCalls.Clear();
}

int32_t LiveHostObjects() { return sLiveObjects.load(); }

namespace detail
{
void CountObject(int delta) { sLiveObjects.fetch_add(delta); }
} // namespace detail
} // namespace aaxhost
