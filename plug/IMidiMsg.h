#pragma once
// MIDI and SysEx message records shared by the processing frame, the queues and the host
// binding.

#include <cstdint>

namespace plug {

// An 8-byte MIDI message: sample offset within the block, status and two data bytes.
struct IMidiMsg
{
  int32_t mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
    : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }
};

// A SysEx message as handlers receive it; the data are not owned.
struct ISysExMsg
{
  int32_t mOffset = 0;
  int32_t mSize = 0;
  const uint8_t* mData = nullptr;

  ISysExMsg() = default;
  ISysExMsg(int offset, const uint8_t* data, int size) : mOffset(offset), mSize(size), mData(data) {}
};

} // namespace plug
