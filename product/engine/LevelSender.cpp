#include "product/engine/LevelSender.h"

namespace vellicor {

bool LevelSender::TryPush(const LevelRecord& record) noexcept
{
  const std::uint64_t w = mWrite.load(std::memory_order_relaxed);
  const std::uint64_t next = (w + 1) % kSlots;
  if (next == mRead.load(std::memory_order_acquire))
    return false;
  mRecords[w] = record;
  mWrite.store(next, std::memory_order_release);
  return true;
}

bool LevelSender::TryPop(LevelRecord& record) noexcept
{
  const std::uint64_t r = mRead.load(std::memory_order_relaxed);
  if (r == mWrite.load(std::memory_order_acquire))
    return false;
  record = mRecords[r];
  mRead.store((r + 1) % kSlots, std::memory_order_release);
  return true;
}

int LevelSender::Count() const noexcept
{
  const std::uint64_t w = mWrite.load(std::memory_order_acquire);
  const std::uint64_t r = mRead.load(std::memory_order_acquire);
  return static_cast<int>((w + kSlots - r) % kSlots);
}

} // namespace vellicor
