#pragma once
// The sfnt reader of the platform fonts: SfntFaceInfo (declared with PlatformFontData in
// graphics/PlatformFont.h) and the face lookup by style name.
#include "graphics/PlatformFont.h"

namespace plug::igraphics {

// The first face k = 0, 1, 2, … whose style name (name 2) is not empty and equals wanted
// exactly, or any non-empty style when wanted is empty or null; -1 as soon as a face's facts
// are not valid.
int FindFontFaceIndex(const uint8_t* data, int size, const char* wanted);

} // namespace plug::igraphics
