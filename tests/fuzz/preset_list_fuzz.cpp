// libFuzzer target for the preset list: any bytes go through ReadPresetList of a plug-in with
// 30 presets. The reading ends within the bytes, every parameter stays in its range, and the
// list the plug-in then writes reads into another plug-in as the same presets.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/plug/TestPlugin.h"

#include <cstring>

using fuzzcheck::Require;

namespace {

bool SameSlots(const plug::IPluginBase& a, const plug::IPluginBase& b)
{
  for (int i = 0; i < a.NPresets(); ++i)
  {
    const plug::IPresetSlot& x = *a.GetPreset(i);
    const plug::IPresetSlot& y = *b.GetPreset(i);
    if (std::strcmp(x.mName, y.mName) != 0 || x.mInitialized != y.mInitialized)
      return false;
    if (x.mInitialized && (x.mState.Size() != y.mState.Size() ||
                           std::memcmp(x.mState.GetData(), y.mState.GetData(), size_t(x.mState.Size())) != 0))
      return false;
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > INT32_MAX)
    return 0;
  plug::IStateChunk chunk;
  Require(chunk.PutBytes(data, static_cast<int>(size)), "the chunk holds the input");

  testplug::TestPlugin reader(33, 30);
  testplug::SetUpBankPlugin(reader);
  const int end = reader.ReadPresetList(chunk, 0);
  Require(end <= static_cast<int>(size), "the list ends within its bytes");
  fuzzcheck::RequireParamsInRange(reader);

  plug::IStateChunk written;
  Require(reader.WritePresetList(written), "the list writes");
  testplug::TestPlugin again(33, 30);
  testplug::SetUpBankPlugin(again);
  Require(again.ReadPresetList(written, 0) == written.Size(), "a written list reads whole");
  Require(SameSlots(reader, again), "a written list reads as the same presets");
  return 0;
}
