#pragma once
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
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

// A lock-free ring of records from any number of producer threads to one consumer thread.
// The storage holds capacity slots and is allocated once, at construction. A push into a full
// ring drops the record.
//
// Every slot carries a sequence number that says whose turn it is: a producer claims the next
// write position with a compare-exchange (so two producers never share a slot), copies the
// record in and only then hands the slot to the consumer (release); the consumer copies the
// record out before handing the slot back to the producers of the next lap. Nobody waits for
// anybody: a push or pop that finds its slot not ready returns at once, and no lock is taken,
// so the audio thread may produce or consume. A record whose producer has claimed its slot but
// not yet filled it holds back the consumer (Pop finds nothing) until it is there.
// When the storage could not be allocated the ring is at once full and empty: pushes are
// dropped and pops find nothing.
template <class T>
class IRingQueue
{
  static_assert(std::is_trivially_copyable<T>::value, "IRingQueue records are copied bytewise");

  struct Slot
  {
    // Lap position + 1 when it holds a record for the consumer; the position a producer may
    // claim it at otherwise.
    std::atomic<uint64_t> mSeq{0};
    alignas(T) unsigned char mBytes[sizeof(T)];
  };
  static_assert(alignof(Slot) <= alignof(std::max_align_t), "the storage comes from malloc");
  static_assert(std::is_trivially_destructible<Slot>::value, "the storage is freed as bytes");

public:
  explicit IRingQueue(int capacity) : mBuf(4096)
  {
    if (capacity < 1)
      return;
    const int64_t bytes = static_cast<int64_t>(capacity) * static_cast<int64_t>(sizeof(Slot));
    if (bytes > INT32_MAX)
      return;
    mBuf.SetLength(static_cast<int>(bytes), false);
    if (mBuf.GetLength() != static_cast<int>(bytes))
      return;
    for (int i = 0; i < capacity; ++i)
    {
      Slot* slot = new (Slots() + i) Slot();
      slot->mSeq.store(static_cast<uint64_t>(i), std::memory_order_relaxed);
    }
    mCapacity = static_cast<uint64_t>(capacity);
  }

  IRingQueue(const IRingQueue&) = delete;
  IRingQueue& operator=(const IRingQueue&) = delete;

  // Producer side, any thread. False when the record was dropped (queue full or without
  // storage).
  bool Push(const T& item)
  {
    if (mCapacity == 0)
      return false;
    uint64_t pos = mWritePos.load(std::memory_order_relaxed);
    for (;;)
    {
      Slot& slot = Slots()[pos % mCapacity];
      const int64_t lap = static_cast<int64_t>(slot.mSeq.load(std::memory_order_acquire) - pos);
      if (lap == 0)
      {
        // Free for this position: claim it (a failed exchange reloads pos and tries again).
        if (mWritePos.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
        {
          std::memcpy(slot.mBytes, &item, sizeof(T));
          slot.mSeq.store(pos + 1, std::memory_order_release);
          return true;
        }
      }
      else if (lap < 0)
      {
        return false; // still holds the record of the previous lap: full
      }
      else
      {
        pos = mWritePos.load(std::memory_order_relaxed); // another producer got there first
      }
    }
  }

  // Consumer side, one thread. False when no record is ready (or without storage).
  bool Pop(T& item)
  {
    if (mCapacity == 0)
      return false;
    const uint64_t pos = mReadPos.load(std::memory_order_relaxed);
    Slot& slot = Slots()[pos % mCapacity];
    if (slot.mSeq.load(std::memory_order_acquire) != pos + 1)
      return false;
    std::memcpy(static_cast<void*>(&item), slot.mBytes, sizeof(T));
    mReadPos.store(pos + 1, std::memory_order_release);
    slot.mSeq.store(pos + mCapacity, std::memory_order_release);
    return true;
  }

  // Records pushed and not yet popped, those still being copied in included: the consumer
  // pops at most this many now, and at least this many once the producers' pushes in
  // progress have returned.
  int Count() const
  {
    if (mCapacity == 0)
      return 0;
    const uint64_t r = mReadPos.load(std::memory_order_acquire);
    const uint64_t w = mWritePos.load(std::memory_order_acquire);
    return w > r ? static_cast<int>(std::min<uint64_t>(w - r, mCapacity)) : 0;
  }

  // Records the queue can hold (0 when its storage could not be allocated).
  int Capacity() const { return static_cast<int>(mCapacity); }
  bool IsAllocated() const { return mCapacity != 0; }

private:
  Slot* Slots() const { return static_cast<Slot*>(mBuf.Get()); }

  HeapBuf mBuf;
  uint64_t mCapacity = 0; // 0 without storage
  std::atomic<uint64_t> mWritePos{0}; // next position a producer claims
  std::atomic<uint64_t> mReadPos{0};  // next position the consumer pops
};

} // namespace plug
