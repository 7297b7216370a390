#pragma once
// The level readings the engine publishes for the editor's LEDs, as fixed-size records in a
// single-producer ring that never allocates after construction.
#include <array>
#include <atomic>
#include <cstdint>

namespace vellicor {

// One reading for an editor control: the control's tag and up to two channel values.
struct LevelRecord
{
  int mControlTag = 0;
  int mNChans = 2;
  int mChanOffset = 0;
  float mValues[2] = {0.0f, 0.0f};
};
static_assert(sizeof(LevelRecord) == 20, "level records are 20 bytes");

// A ring of up to kCapacity records between one producer (the audio thread) and one
// consumer. A push into a full ring drops the record. Nothing in the plug-in drains these
// rings today (the LEDs read the level values directly), so they fill and then drop.
class LevelSender
{
public:
  static constexpr int kCapacity = 64;

  // Producer side. False when the ring is full (the record is dropped).
  bool TryPush(const LevelRecord& record) noexcept;
  // Consumer side. False when the ring is empty.
  bool TryPop(LevelRecord& record) noexcept;
  int Count() const noexcept;

private:
  static constexpr std::uint64_t kSlots = kCapacity + 1;
  std::array<LevelRecord, kSlots> mRecords{};
  std::atomic<std::uint64_t> mWrite{0};
  std::atomic<std::uint64_t> mRead{0};
};

} // namespace vellicor
