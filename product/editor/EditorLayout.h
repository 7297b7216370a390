#pragma once
// The product editor's frame: its named colours, text and vector styles, and the version line.
// Vellicor::LayoutEditor (EditorLayout.cpp) attaches every control of the 900 x 500 editor with
// these; the tests read them back to check what each control was given.
#include "graphics/IGraphicsStructs.h"

#include <string>

class Vellicor;

namespace vellicor {

// Named colours (A, R, G, B).
namespace colors {
using plug::igraphics::IColor;
constexpr IColor kTransparent{0, 0, 0, 0};
constexpr IColor kBlack{255, 0, 0, 0};
constexpr IColor kBeige{255, 181, 168, 136};
constexpr IColor kBeige51{51, 181, 168, 136};
constexpr IColor kBeige76{76, 181, 168, 136};
constexpr IColor kBeige178{178, 181, 168, 136};
constexpr IColor kGrey{255, 151, 151, 151};
constexpr IColor kGrey51{51, 151, 151, 151};
constexpr IColor kGrey76{76, 151, 151, 151};
constexpr IColor kGrey127{127, 151, 151, 151};
constexpr IColor kLight{255, 183, 183, 183};
constexpr IColor kLight51{51, 183, 183, 183};
constexpr IColor kLight63{63, 183, 183, 183};
constexpr IColor kLight76{76, 183, 183, 183};
constexpr IColor kLight127{127, 183, 183, 183};
constexpr IColor kLight216{216, 183, 183, 183};
constexpr IColor kPale{255, 211, 211, 211};
constexpr IColor kDark200{200, 16, 16, 16};
constexpr IColor kCaptionHighlight{255, 124, 126, 128};
constexpr IColor kResizer{255, 100, 100, 100};
} // namespace colors

// The vector styles of the editor's controls.
enum EEditorStyle
{
  kStyleLargeKnob = 0,
  kStyleAirKnob,
  kStyleCentreKnob,
  kStyleSmallKnob,
  kStyleSmallButton,
  kStyleOverlayRound1,
  kStyleOverlayRound7,
  kStyleABSelectorButton,
  kStyleTransferButton,
  kStyleABRadio,
  kStyleFrameButton,
  kStyleABSwitch,
  kStyleTabSwitch,
  kStyleRangeSlider,
  kStyleLimiterToggle,
  kStyleLimiterSwitch,
  kStyleLimitTypeSwitch,
  kStylePresetStrip,
  kStyleInfoButton,
  kNumEditorStyles
};

// A text style of the editor: centred, vertically in the middle, white and black for text entry.
plug::igraphics::IText EditorText(const char* font, float size, const plug::igraphics::IColor& color);
// The value text a style has unless it says otherwise: "Roboto-Regular" 14 black, at the bottom.
plug::igraphics::IText EditorValueText();
// One of the editor's vector styles, built with all nine colours given.
plug::igraphics::IVStyle EditorStyle(EEditorStyle style);

// The line under the tape plate: "<version> <architecture> <API>", e.g. "v1.0.6 x86-64 AAX".
std::string VersionLine(const Vellicor& plugin);

// The display texts the editor's captions show at the ends of the output band limits ("High
// Cut" at 20 for the upper, "Low cut" at 10 for the lower); each is added once, however often
// the editor is laid out.
void AddBandLimitDisplayTexts(Vellicor& plugin);

} // namespace vellicor
