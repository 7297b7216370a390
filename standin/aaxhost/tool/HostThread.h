// One of the host's own threads (the audio thread, the thread that delivers parameter
// updates): it runs the tasks posted to it one at a time, in the order they were posted.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace aaxhost
{
class HostThread
{
public:
  HostThread();
  // Runs what is still queued, then joins the thread.
  ~HostThread();
  HostThread(const HostThread&) = delete;
  HostThread& operator=(const HostThread&) = delete;

  // Queues a task; safe from any thread, tasks of this thread included.
  void Post(std::function<void()> task);
  // Waits until every task posted so far, and every task those post in turn, has run. The
  // waiting thread runs `meanwhile` about once a millisecond (a host's main thread serves its
  // run loop while it waits). On this thread itself it returns at once.
  void Settle(const std::function<void()>& meanwhile = {});
  bool IsCurrent() const { return std::this_thread::get_id() == mThread.get_id(); }

private:
  void Run();

  std::mutex mMutex;
  std::condition_variable mWork;
  std::condition_variable mIdle;
  std::deque<std::function<void()>> mTasks;
  bool mBusy = false;
  bool mStopping = false;
  std::thread mThread;
};
} // namespace aaxhost
