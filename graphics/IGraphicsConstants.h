#pragma once
// The toolkit's style constants: named colours, the level colours, blend presets, the default
// text styles and the default vector style. Each translation unit holds its own copy, made in
// its static initialisation in the order written here, so a constant built from another one
// never sees it unmade.

#include "graphics/IGraphicsStructs.h"

namespace plug {
namespace igraphics {

constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
constexpr IColor COLOR_TRANSLUCENT(10, 0, 0, 0);
constexpr IColor COLOR_BLACK(255, 0, 0, 0);
constexpr IColor COLOR_SHADOW_BLACK(128, 0, 0, 0);
constexpr IColor COLOR_GRAY(255, 127, 127, 127);
constexpr IColor COLOR_LIGHT_GRAY(255, 240, 240, 240);
constexpr IColor COLOR_MID_GRAY(255, 200, 200, 200);
constexpr IColor COLOR_DARK_GRAY(255, 70, 70, 70);
constexpr IColor COLOR_WHITE(255, 255, 255, 255);
constexpr IColor COLOR_RED(255, 255, 0, 0);
constexpr IColor COLOR_GREEN(255, 0, 255, 0);
constexpr IColor COLOR_BLUE(255, 0, 0, 255);
constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
constexpr IColor COLOR_INDIGO(255, 75, 0, 130);
constexpr IColor COLOR_VIOLET(255, 148, 0, 211);

// Level colours, from low to high.
constexpr IColor COLOR_LEVEL_LOW(255, 36, 157, 16);
constexpr IColor COLOR_LEVEL_MID(255, 153, 191, 28);
constexpr IColor COLOR_LEVEL_HIGH(255, 215, 222, 37);
constexpr IColor COLOR_LEVEL_TOP(255, 247, 153, 33);

// The default colour table of vector controls, in EVColor order.
constexpr IColor DEFAULT_BGCOLOR = COLOR_TRANSPARENT;
constexpr IColor DEFAULT_FGCOLOR = COLOR_MID_GRAY;
constexpr IColor DEFAULT_PRCOLOR = COLOR_LIGHT_GRAY;
constexpr IColor DEFAULT_FRCOLOR = COLOR_DARK_GRAY;
constexpr IColor DEFAULT_HLCOLOR = COLOR_TRANSLUCENT;
constexpr IColor DEFAULT_SHCOLOR(60, 0, 0, 0);
constexpr IColor DEFAULT_X1COLOR = COLOR_BLACK;
constexpr IColor DEFAULT_X2COLOR = COLOR_GREEN;
constexpr IColor DEFAULT_X3COLOR = COLOR_BLUE;

constexpr IBlend BLEND_75(EBlend::SrcOver, 0.75f);
constexpr IBlend BLEND_50(EBlend::SrcOver, 0.5f);
constexpr IBlend BLEND_25(EBlend::SrcOver, 0.25f);
constexpr IBlend BLEND_10(EBlend::SrcOver, 0.1f);
constexpr IBlend BLEND_05(EBlend::SrcOver, 0.05f);
constexpr IBlend BLEND_01(EBlend::SrcOver, 0.01f);
constexpr IBlend BLEND_DST_IN(EBlend::DstIn, 1.f);
constexpr IBlend BLEND_DST_OVER(EBlend::DstOver, 1.f);

// The blend weight of a disabled control.
constexpr float kDisabledWeight = 0.25f;

const IText DEFAULT_TEXT(14.f, COLOR_BLACK, "Roboto-Regular", EAlign::Center, EVAlign::Middle, 0.f, COLOR_WHITE,
                         COLOR_BLACK);
const IText DEFAULT_LABEL_TEXT = DEFAULT_TEXT.WithSize(19.f).WithVAlign(EVAlign::Top);
const IText DEFAULT_VALUE_TEXT = DEFAULT_TEXT.WithVAlign(EVAlign::Bottom);

const IVColorSpec DEFAULT_COLOR_SPEC{DEFAULT_BGCOLOR, DEFAULT_FGCOLOR, DEFAULT_PRCOLOR,
                                     DEFAULT_FRCOLOR, DEFAULT_HLCOLOR, DEFAULT_SHCOLOR,
                                     DEFAULT_X1COLOR, DEFAULT_X2COLOR, DEFAULT_X3COLOR};

// Flags hide-cursor, label, value, frame and shadows on, emboss off; roundness 0, frame
// thickness 1, shadow offset 3, widget fraction 1, angle 0; label on top.
const IVStyle DEFAULT_STYLE = IVStyle()
                                .WithColors(DEFAULT_COLOR_SPEC)
                                .WithLabelText(DEFAULT_LABEL_TEXT)
                                .WithValueText(DEFAULT_VALUE_TEXT);

} // namespace igraphics
} // namespace plug
