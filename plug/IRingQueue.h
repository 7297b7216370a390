#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "plug/HeapBuf.h"
#include "plug/IMidiMsg.h"

namespace plug {

static_assert(sizeof(IMidiMsg) == 8, "MIDI messages travel the queues as 8-byte records");

// Largest SysEx message the transfer queues carry.
constexpr int kMaxSysExSize = 512;

// A SysEx message copied into a fixed record, so that a queue carries it without allocating.
struct ISysExQueueEntry
{
  int32_t mOffset = 0;
  int32_t mSize = 0;
  uint8_t mData[kMaxSysExSize] = {};
};

// A parameter change on its way to the editor.
struct IParamChangeEntry
{
  int32_t mIdx = -1;
  double mValue = 0.0;

  IParamChangeEntry() = default;
  IParamChangeEntry(int32_t idx, double value) : mIdx(idx), mValue(value) {}
};

// A lock-free ring of records between exactly one producer thread and one consumer thread.
// The storage holds capacity + 1 slots (one stays free to tell full from empty) and is
// allocated once, at construction. A push into a full ring drops the record.
//
// Only the producer moves the write index and only the consumer the read index. A record is
// copied into its slot before the write index publishes it (release), and copied out before
// the read index frees the slot, so the other side never sees a half-written record.
// When the storage could not be allocated the ring is at once full and empty: pushes are
// dropped and pops find nothing.
template <class T>
class IRingQueue
{
  static_assert(std::is_trivially_copyable<T>::value, "IRingQueue records are copied bytewise");

public:
  explicit IRingQueue(int capacity) : mBuf(4096)
  {
    if (capacity < 1)
      return;
    const int64_t bytes = (static_cast<int64_t>(capacity) + 1) * static_cast<int64_t>(sizeof(T));
    if (bytes > INT32_MAX)
      return;
    mBuf.SetLength(static_cast<int>(bytes), false);
    if (mBuf.GetLength() == static_cast<int>(bytes))
      mSlots = static_cast<uint64_t>(capacity) + 1;
  }

  IRingQueue(const IRingQueue&) = delete;
  IRingQueue& operator=(const IRingQueue&) = delete;

  // Producer side. False when the record was dropped (queue full or without storage).
  bool Push(const T& item)
  {
    if (mSlots == 0)
      return false;
    const uint64_t w = mWriteIdx.load(std::memory_order_relaxed);
    const uint64_t next = (w + 1) % mSlots;
    if (next == mReadIdx.load(std::memory_order_acquire))
      return false;
    std::memcpy(static_cast<void*>(Slots() + w), &item, sizeof(T));
    mWriteIdx.store(next, std::memory_order_release);
    return true;
  }

  // Consumer side. False when the queue is empty (or without storage).
  bool Pop(T& item)
  {
    if (mSlots == 0)
      return false;
    const uint64_t r = mReadIdx.load(std::memory_order_relaxed);
    if (r == mWriteIdx.load(std::memory_order_acquire))
      return false;
    std::memcpy(static_cast<void*>(&item), Slots() + r, sizeof(T));
    mReadIdx.store((r + 1) % mSlots, std::memory_order_release);
    return true;
  }

  // Records waiting. Exact on either side's own thread for what that side may do next: the
  // consumer can pop at least this many, the producer push at least Capacity() - this many.
  int Count() const
  {
    if (mSlots == 0)
      return 0;
    const uint64_t w = mWriteIdx.load(std::memory_order_acquire);
    const uint64_t r = mReadIdx.load(std::memory_order_acquire);
    return static_cast<int>(w >= r ? w - r : w + mSlots - r);
  }

  // Records the queue can hold (0 when its storage could not be allocated).
  int Capacity() const { return mSlots ? static_cast<int>(mSlots - 1) : 0; }
  bool IsAllocated() const { return mSlots != 0; }

private:
  T* Slots() const { return static_cast<T*>(mBuf.Get()); }

  HeapBuf mBuf;
  uint64_t mSlots = 0; // capacity + 1, or 0 without storage
  std::atomic<uint64_t> mWriteIdx{0};
  std::atomic<uint64_t> mReadIdx{0};
};

} // namespace plug
