#pragma once
// The product's preset list: 24 factory presets in slots 0..23 and six user preset slots
// (24..29), plus the start-up load of user preset slot 0's file.
#include <atomic>

namespace plug {
class IPluginBase;
} // namespace plug

// Fills the plug-in's empty preset slots: the factory presets in list order, then the user
// preset slots " - User Preset Slot 0" .. " - User Preset Slot 5", which hold the values of
// "Factory Default". Values not named by a preset are the parameters' current values, so
// this must run right after the parameters are defined. Stored values are not clamped:
// recall clamps them.
void MakeVellicorPresets(plug::IPluginBase& plugin);

// The start-up load of a user preset file (the plug-in's constructor calls it with slot 0,
// after the presets are made). Applies the file's values (rounded to steps, clamped) to
// every parameter but "Delta", the A/B selector and "OverSampling", without notifying the
// host or the change hook, then sends every value to the editor.
// Nothing happens when the current preset is not 0, when there is no file, or when a
// parameter is already away from its default: then processingMarker is set to 666 (the
// instance has been used; a user's file must not overwrite what it holds). processingMarker
// is the plug-in's processing-started marker: 0 until the first audio block.
void LoadVellicorUserPresetSlot(plug::IPluginBase& plugin, int slot, std::atomic<int>& processingMarker);
