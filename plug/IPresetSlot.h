#pragma once
#include "plug/IStateChunk.h"

namespace plug {

// Longest preset name, without the NUL.
constexpr int kMaxPresetNameLen = 255;

// One entry of the preset list: whether it holds a preset, its name and its state.
struct IPresetSlot
{
  bool mInitialized = false;
  char mName[kMaxPresetNameLen + 1] = "empty";
  IStateChunk mState;

  // Copies name, cut to kMaxPresetNameLen characters (null counts as "").
  void SetName(const char* name);
};

} // namespace plug
