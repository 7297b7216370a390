// A fixed-size lock-free queue of N pointers (N a power of two) for handing items between
// threads. Pushes are serialised by an owner mutex, so several producers may push; exactly
// one thread pops and peeks, and those take no lock. A slot holds an item or null; slots are
// handed over with compare-and-swap and exchange, so a push never overwrites an unread item.
#pragma once

#include "aax/library/AAX_COwnerMutex.h"
#include "aax/library/AAX_IPointerQueue.h"

#include <atomic>
#include <cstdint>

template <typename T, int32_t N>
class AAX_CAtomicQueue : public AAX_IPointerQueue<T>
{
  static_assert(N > 1 && (N & (N - 1)) == 0, "the queue size must be a power of two");

public:
  using typename AAX_IPointerQueue<T>::value_type;
  using EStatus = typename AAX_IContainer::EStatus;
  static constexpr int32_t kNumElems = N;

  AAX_CAtomicQueue() { Clear(); }
  ~AAX_CAtomicQueue() override = default;
  AAX_CAtomicQueue(const AAX_CAtomicQueue&) = delete;
  AAX_CAtomicQueue& operator=(const AAX_CAtomicQueue&) = delete;

  // Every slot null. Only while no other thread uses the queue.
  void Clear() override
  {
    for (auto& slot : mSlots)
      slot.store(nullptr, std::memory_order_release);
  }

  EStatus Push(value_type item) override
  {
    if (!item)
      return AAX_IContainer::eStatus_Unavailable;

    const bool locked = mMutex.Lock();
    EStatus result = AAX_IContainer::eStatus_Success;
    const int32_t w = mWriteIdx.fetch_add(1, std::memory_order_acq_rel) + 1;
    value_type expected = nullptr;
    if (!mSlots[w & kMask].compare_exchange_strong(expected, item, std::memory_order_acq_rel))
    {
      // The slot still holds an unread item: the queue is full. Undo the increment.
      int32_t current = w;
      const int32_t previous = (w - 1 == -1) ? N : w - 1;
      mWriteIdx.compare_exchange_strong(current, previous, std::memory_order_acq_rel);
      result = AAX_IContainer::eStatus_Overflow;
    }
    else if (w >= N)
    {
      int32_t current = w;
      mWriteIdx.compare_exchange_strong(current, w & kMask, std::memory_order_acq_rel);
    }
    if (locked)
      mMutex.Unlock();
    return result;
  }

  value_type Pop() override
  {
    const int32_t r = (mReadIdx.load(std::memory_order_relaxed) + 1) & kMask;
    value_type item = mSlots[r].exchange(nullptr, std::memory_order_acq_rel);
    if (item)
      mReadIdx.store(r, std::memory_order_relaxed);
    return item;
  }

  value_type Peek() const override
  {
    const int32_t r = (mReadIdx.load(std::memory_order_relaxed) + 1) & kMask;
    return mSlots[r].load(std::memory_order_acquire);
  }

private:
  static constexpr int32_t kMask = N - 1;

  AAX_COwnerMutex mMutex;
  std::atomic<int32_t> mReadIdx{0};
  std::atomic<int32_t> mWriteIdx{0};
  std::atomic<value_type> mSlots[N];
};
