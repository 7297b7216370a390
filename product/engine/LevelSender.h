#pragma once
// The level readings the engine publishes for the editor's LEDs.
#include "plug/ISender.h"

namespace vellicor {

// One reading: control tag, two channel values (20 bytes).
using LevelRecord = plug::ISenderData<2, float>;
static_assert(sizeof(LevelRecord) == 20, "level records are 20 bytes");

// A queue of up to 64 readings. Nothing in the plug-in drains these today (the LEDs read the
// level values directly), so they fill and then drop.
using LevelSender = plug::ISender<2, 64, float>;

} // namespace vellicor
