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
  mCalls.push_back(call);
}

std::vector<std::string> HostContext::Calls() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls;
}

std::string HostContext::LastCall() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls.empty() ? std::string() : mCalls.back();
}

size_t HostContext::CallCount() const
{
  std::lock_guard<std::mutex> lock(mMutex);
  return mCalls.size();
}

void HostContext::ClearCalls()
{
  std::lock_guard<std::mutex> lock(mMutex);
  mCalls.clear();
}

int32_t LiveHostObjects() { return sLiveObjects.load(); }

namespace detail
{
void CountObject(int delta) { sLiveObjects.fetch_add(delta); }
} // namespace detail
} // namespace aaxhost
