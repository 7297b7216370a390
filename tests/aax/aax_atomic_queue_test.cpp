// The fixed-size pointer queue that hands items between the host's threads.
#include "aax/library/AAX_CAtomicQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using Queue512 = AAX_CAtomicQueue<int, 512>;
using Queue4 = AAX_CAtomicQueue<int, 4>;

} // namespace

TEST(AaxAtomicQueue, FullQueueRefusesAndKeepsItsItems)
{
  std::vector<int> items(513);
  Queue512 queue;
  EXPECT_EQ(queue.Pop(), nullptr);
  EXPECT_EQ(queue.Peek(), nullptr);
  EXPECT_EQ(queue.Push(nullptr), AAX_IContainer::eStatus_Unavailable);

  for (int i = 0; i < 512; ++i)
    ASSERT_EQ(queue.Push(&items[i]), AAX_IContainer::eStatus_Success) << i;
  EXPECT_EQ(queue.Push(&items[512]), AAX_IContainer::eStatus_Overflow);
  EXPECT_EQ(queue.Push(&items[512]), AAX_IContainer::eStatus_Overflow);

  EXPECT_EQ(queue.Peek(), &items[0]);
  for (int i = 0; i < 512; ++i)
    ASSERT_EQ(queue.Pop(), &items[i]) << i;
  EXPECT_EQ(queue.Pop(), nullptr);

  // After the refused pushes the next push lands right behind the last item taken.
  EXPECT_EQ(queue.Push(&items[512]), AAX_IContainer::eStatus_Success);
  EXPECT_EQ(queue.Pop(), &items[512]);
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AaxAtomicQueue, KeepsOrderAcrossManyWrapArounds)
{
  std::vector<int> items(64);
  Queue4 queue;
  int next = 0;
  int expected = 0;
  // Fill levels 1..4 in turn so the indices wrap at every phase of the ring.
  for (int round = 0; round < 200; ++round)
  {
    const int fill = 1 + round % 4;
    for (int k = 0; k < fill; ++k)
      ASSERT_EQ(queue.Push(&items[(next++) % 64]), AAX_IContainer::eStatus_Success);
    if (fill == 4)
    {
      EXPECT_EQ(queue.Push(&items[0]), AAX_IContainer::eStatus_Overflow);
    }
    ASSERT_EQ(queue.Peek(), &items[expected % 64]);
    for (int k = 0; k < fill; ++k)
      ASSERT_EQ(queue.Pop(), &items[(expected++) % 64]) << "round " << round;
    ASSERT_EQ(queue.Pop(), nullptr);
  }

  queue.Push(&items[1]);
  queue.Clear();
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AaxAtomicQueue, TwoProducersOneConsumerLoseNothing)
{
  constexpr int kPerProducer = 20000;
  std::vector<int> items(2 * kPerProducer);
  for (int i = 0; i < 2 * kPerProducer; ++i)
    items[i] = i;
  Queue512 queue;

  auto produce = [&](int first) {
    for (int i = first; i < first + kPerProducer; ++i)
      while (queue.Push(&items[i]) != AAX_IContainer::eStatus_Success)
        std::this_thread::yield();
  };
  std::thread a(produce, 0);
  std::thread b(produce, kPerProducer);

  // Each producer's items arrive in its own order; none is lost or repeated.
  int lastA = -1;
  int lastB = kPerProducer - 1;
  int received = 0;
  while (received < 2 * kPerProducer)
  {
    int* item = queue.Pop();
    if (!item)
    {
      std::this_thread::yield();
      continue;
    }
    ++received;
    if (*item < kPerProducer)
    {
      ASSERT_EQ(*item, lastA + 1);
      lastA = *item;
    }
    else
    {
      ASSERT_EQ(*item, lastB + 1);
      lastB = *item;
    }
  }
  a.join();
  b.join();
  EXPECT_EQ(queue.Pop(), nullptr);
}
