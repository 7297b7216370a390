#include "standin/aaxhost/tool/HostThread.h"

namespace aaxhost
{
HostThread::HostThread()
  : mThread([this] { Run(); })
{
}

HostThread::~HostThread()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStopping = true;
  }
  mWork.notify_one();
  mThread.join();
}

void HostThread::Post(std::function<void()> task)
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mTasks.push_back(std::move(task));
  }
  mWork.notify_one();
}

void HostThread::Settle(const std::function<void()>& meanwhile)
{
  if (IsCurrent())
    return;
  std::unique_lock<std::mutex> lock(mMutex);
  while (mBusy || !mTasks.empty())
  {
    if (!meanwhile)
    {
      mIdle.wait(lock);
      continue;
    }
    mIdle.wait_for(lock, std::chrono::milliseconds(1));
    lock.unlock();
    meanwhile();
    lock.lock();
  }
}

void HostThread::Run()
{
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;)
  {
    mWork.wait(lock, [this] { return mStopping || !mTasks.empty(); });
    if (mTasks.empty())
      return; // stopping, and nothing left to run
    std::function<void()> task = std::move(mTasks.front());
    mTasks.pop_front();
    mBusy = true;
    lock.unlock();
    task();
    task = nullptr; // whatever the task holds goes on this thread, before it counts as done
    lock.lock();
    mBusy = false;
    if (mTasks.empty())
      mIdle.notify_all();
  }
}
} // namespace aaxhost
