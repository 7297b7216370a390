#include "plug/IMidiMsg.h"
#include "plug/IRingQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

using plug::IMidiMsg;
using plug::IParamChangeEntry;
using plug::IRingQueue;
using plug::ISysExQueueEntry;

TEST(RingQueue, OverflowDropsExactlyTheExcessAndRecoversAfterAPop)
{
  IRingQueue<IParamChangeEntry> queue(512);
  ASSERT_TRUE(queue.IsAllocated());
  EXPECT_EQ(queue.Capacity(), 512);
  for (int i = 0; i < 512; ++i)
    EXPECT_TRUE(queue.Push({i, i * 0.5}));
  EXPECT_FALSE(queue.Push({512, 0.0})) << "the 513th change is dropped";
  EXPECT_FALSE(queue.Push({513, 0.0}));
  EXPECT_EQ(queue.Count(), 512);

  IParamChangeEntry e;
  ASSERT_TRUE(queue.Pop(e));
  EXPECT_EQ(e.mIdx, 0);
  EXPECT_TRUE(queue.Push({1000, 1.0})) << "one pop makes room for one push";
  EXPECT_FALSE(queue.Push({1001, 1.0}));

  for (int i = 1; i < 512; ++i)
  {
    ASSERT_TRUE(queue.Pop(e));
    EXPECT_EQ(e.mIdx, i);
    EXPECT_EQ(e.mValue, i * 0.5);
  }
  ASSERT_TRUE(queue.Pop(e));
  EXPECT_EQ(e.mIdx, 1000);
  EXPECT_FALSE(queue.Pop(e));
  EXPECT_EQ(queue.Count(), 0);
}

TEST(RingQueue, WrapsAroundInOrder)
{
  IRingQueue<IMidiMsg> queue(3);
  int next = 0;
  int expected = 0;
  for (int round = 0; round < 1000; ++round)
  {
    // Alternate between filling up and partly draining so the indices wrap at every offset.
    while (queue.Push(IMidiMsg(next, 0x90, static_cast<uint8_t>(next & 0x7f), 100)))
      ++next;
    EXPECT_EQ(queue.Count(), 3);
    const int pops = 1 + round % 3;
    for (int i = 0; i < pops; ++i)
    {
      IMidiMsg m;
      ASSERT_TRUE(queue.Pop(m));
      EXPECT_EQ(m.mOffset, expected);
      EXPECT_EQ(m.mData1, expected & 0x7f);
      ++expected;
    }
    EXPECT_EQ(queue.Count(), 3 - pops);
  }
}

TEST(RingQueue, WithoutStorageIsFullAndEmpty)
{
  IRingQueue<IParamChangeEntry> none(0);
  auto refuseAll = [](std::size_t) { return false; };
  auto previous = plug::SetHeapBufAllocHook(refuseAll);
  IRingQueue<ISysExQueueEntry> failed(4);
  plug::SetHeapBufAllocHook(previous);

  EXPECT_FALSE(none.IsAllocated());
  EXPECT_FALSE(none.Push({1, 1.0}));
  IParamChangeEntry e;
  EXPECT_FALSE(none.Pop(e));
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Capacity(), 0);

  EXPECT_FALSE(failed.IsAllocated());
  ISysExQueueEntry s;
  EXPECT_FALSE(failed.Push(s));
  EXPECT_FALSE(failed.Pop(s));
  EXPECT_EQ(failed.Count(), 0);
}

namespace {

// A producer's loop goes on past its count until more of its records got in than the queue
// holds, which needs the consumer to have run meanwhile. When that happens is the scheduler's
// choice, so the producer waits for it, up to a limit that only a hang reaches.
class ProducerProgress
{
public:
  explicit ProducerProgress(std::size_t capacity)
    : mCapacity(capacity)
    , mLimit(std::chrono::steady_clock::now() + std::chrono::minutes(2))
  {
  }

  // Whether the producer pushes record i, having got `accepted` in so far.
  bool KeepGoing(int i, int count, std::size_t accepted) const
  {
    if (i < count)
      return true;
    return accepted <= mCapacity && std::chrono::steady_clock::now() < mLimit;
  }

private:
  const std::size_t mCapacity;
  const std::chrono::steady_clock::time_point mLimit;
};

} // namespace

// One producer, one consumer, a million sequence numbers through a small queue: every record
// the producer got in arrives exactly once, whole and in order. Also run under ThreadSanitizer.
TEST(RingQueue, TwoThreadStressDeliversEveryAcceptedRecordInOrder)
{
  constexpr int kCount = 1000000;
  IRingQueue<IParamChangeEntry> queue(512);
  std::vector<int> accepted;
  std::vector<int> received;
  accepted.reserve(kCount);
  received.reserve(kCount);
  std::atomic<bool> producerDone{false};
  int torn = 0;

  std::thread consumer([&] {
    IParamChangeEntry e;
    for (;;)
    {
      const bool done = producerDone.load(std::memory_order_acquire);
      bool any = false;
      while (queue.Pop(e))
      {
        any = true;
        if (e.mValue != -static_cast<double>(e.mIdx))
          ++torn;
        received.push_back(e.mIdx);
      }
      if (done && !any)
        break;
      if (!any)
        std::this_thread::yield();
    }
  });

  const ProducerProgress progress(512);
  for (int i = 0; progress.KeepGoing(i, kCount, accepted.size()); ++i)
  {
    if (queue.Push({i, -static_cast<double>(i)}))
      accepted.push_back(i);
    else if (i >= kCount)
      std::this_thread::sleep_for(std::chrono::microseconds(50)); // the consumer's turn is awaited
    else if ((i & 7) == 0)
      std::this_thread::yield(); // let the consumer catch up now and then; some drops remain
  }
  producerDone.store(true, std::memory_order_release);
  consumer.join();

  EXPECT_EQ(torn, 0);
  EXPECT_GT(accepted.size(), 512u);
  EXPECT_TRUE(received == accepted) << "received " << received.size() << " of " << accepted.size();
}

// Two producers and a consumer at once (producer p sends 2i + p): every record a producer got in
// arrives exactly once, whole, and in that producer's order. Also run under ThreadSanitizer.
TEST(RingQueue, TwoProducersDeliverEveryAcceptedRecordInTheirOrder)
{
  constexpr int kCount = 300000;
  IRingQueue<IParamChangeEntry> queue(64);
  std::vector<int> accepted[2];
  std::vector<int> received[2];
  std::atomic<int> producersDone{0};
  int torn = 0;

  std::thread consumer([&] {
    IParamChangeEntry e;
    for (;;)
    {
      const bool done = producersDone.load(std::memory_order_acquire) == 2;
      bool any = false;
      while (queue.Pop(e))
      {
        any = true;
        if (e.mValue != -static_cast<double>(e.mIdx))
          ++torn;
        received[e.mIdx % 2].push_back(e.mIdx);
      }
      if (done && !any)
        break;
      if (!any)
        std::this_thread::yield();
    }
  });
  auto produce = [&](int p) {
    const ProducerProgress progress(64);
    for (int i = 0; progress.KeepGoing(i, kCount, accepted[p].size()); ++i)
    {
      if (queue.Push({2 * i + p, -static_cast<double>(2 * i + p)}))
        accepted[p].push_back(2 * i + p);
      else if (i >= kCount)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      else if ((i & 7) == 0)
        std::this_thread::yield();
    }
    producersDone.fetch_add(1, std::memory_order_acq_rel);
  };
  std::thread first(produce, 0), second(produce, 1);
  first.join();
  second.join();
  consumer.join();

  EXPECT_EQ(torn, 0);
  for (int p = 0; p < 2; ++p)
  {
    EXPECT_GT(accepted[p].size(), 64u);
    EXPECT_TRUE(received[p] == accepted[p])
      << "producer " << p << ": received " << received[p].size() << " of " << accepted[p].size();
  }
}
