// A bounded record of what the stand-in host saw: the newest records up to a capacity, plus
// the count of every record ever added. Long renders through the aaxhost tool post a packet
// and make several host calls per block; keeping everything would grow without bound.
// Not locked: its owner guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace aaxhost
{
// Enough for every test and for the tail of a long session's log.
constexpr size_t kDefaultRecordCapacity = 1024;

template <class T>
class RecordLog
{
public:
  explicit RecordLog(size_t capacity = kDefaultRecordCapacity)
    : mCapacity(capacity > 0 ? capacity : 1)
  {
  }

  // Keeps the record, dropping the oldest one when full.
  void Add(T record)
  {
    if (mRecords.size() == mCapacity)
      mRecords.pop_front();
    mRecords.push_back(std::move(record));
    ++mTotal;
  }

  // The kept records, oldest first.
  std::vector<T> Records() const { return std::vector<T>(mRecords.begin(), mRecords.end()); }
  size_t Kept() const { return mRecords.size(); }
  // Every record added since construction or the last Clear, kept or not.
  uint64_t Total() const { return mTotal; }
  bool Empty() const { return mRecords.empty(); }
  const T& Last() const { return mRecords.back(); }
  size_t Capacity() const { return mCapacity; }

  // The newest kept record that satisfies pred, or null.
  template <class Pred>
  const T* FindLast(Pred pred) const
  {
    for (auto it = mRecords.rbegin(); it != mRecords.rend(); ++it)
      if (pred(*it))
        return &*it;
    return nullptr;
  }

  void Clear()
  {
    mRecords.clear();
    mTotal = 0;
  }

private:
  size_t mCapacity;
  std::deque<T> mRecords;
  uint64_t mTotal = 0;
};
} // namespace aaxhost
