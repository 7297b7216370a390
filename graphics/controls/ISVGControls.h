#pragma once
// Controls drawn from parsed SVG images through the graphics context's SVG drawing: a button
// and a toggle with an off and an on image (or one image whose fill or stroke colour follows
// the state and the mouse), a knob that turns its image, a switch with one image per state and
// a slider whose handle image runs along a track image. The behaviour comes from the bases;
// the images belong to the graphics context's cache. Main thread only.

#include <vector>

#include "graphics/controls/IControlBases.h"

namespace plug {
namespace igraphics {

// What a one-image button or toggle recolours: nothing, the fill or the stroke.
enum class EColorReplacement : int32_t
{
  None = 0,
  Fill = 1,
  Stroke = 2
};

// The look of a two-state SVG control: the on image above 0.5, the off image otherwise, with
// the replacement colour of the state and the mouse.
struct ISVGTwoStateLook
{
  ISVGTwoStateLook(const ISVGImage& offImage, const ISVGImage& onImage)
    : offSVG(offImage), onSVG(onImage)
  {
  }
  ISVGTwoStateLook(const ISVGImage& image, EColorReplacement replacement, const IColor& off, const IColor& on,
                   const IColor& offHover, const IColor& onHover)
    : offSVG(image), onSVG(image), offColor(off), onColor(on), offHoverColor(offHover), onHoverColor(onHover),
      colorReplacement(replacement)
  {
  }

  void Draw(IGraphics& g, const IControl& control, double value) const;
  // The colour a replacing mode draws with for the value and the mouse.
  const IColor& ReplacementColor(double value, bool mouseOver) const;

  ISVGImage offSVG;
  ISVGImage onSVG;
  IColor offColor = COLOR_BLACK;
  IColor onColor = COLOR_BLACK;
  IColor offHoverColor = COLOR_BLACK;
  IColor onHoverColor = COLOR_BLACK;
  EColorReplacement colorReplacement = EColorReplacement::None;
};

// A momentary button: the on image while pressed.
class ISVGButtonControl : public IButtonControlBase
{
public:
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& offImage,
                    const ISVGImage& onImage);
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& image,
                    EColorReplacement replacement, const IColor& offColor, const IColor& onColor,
                    const IColor& offHoverColor, const IColor& onHoverColor);

  void Draw(IGraphics& g) override { mLook.Draw(g, *this, GetValue()); }

protected:
  ISVGTwoStateLook mLook;
};

// A two-state switch: the on image above 0.5.
class ISVGToggleControl : public ISwitchControlBase
{
public:
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& offImage,
                    const ISVGImage& onImage);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVGImage& offImage, const ISVGImage& onImage);
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& image,
                    EColorReplacement replacement, const IColor& offColor, const IColor& onColor,
                    const IColor& offHoverColor, const IColor& onHoverColor);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVGImage& image, EColorReplacement replacement,
                    const IColor& offColor, const IColor& onColor, const IColor& offHoverColor,
                    const IColor& onHoverColor);

  void Draw(IGraphics& g) override { mLook.Draw(g, *this, GetValue()); }

protected:
  ISVGTwoStateLook mLook;
};

// A knob that turns its image about the centre of its rectangle: -135 degrees at 0, +135 at 1.
class ISVGKnobControl : public IKnobControlBase
{
public:
  ISVGKnobControl(const IRECT& bounds, const ISVGImage& image, int paramIdx = -1);

  void Draw(IGraphics& g) override;
  void SetSVG(const ISVGImage& image);
  // The angle the image is turned by at the value, in degrees.
  float GetAngle(double value) const { return mStartAngle + (mEndAngle - mStartAngle) * static_cast<float>(value); }

protected:
  ISVGImage mSVG;
  float mStartAngle = -135.f;
  float mEndAngle = 135.f;
};

// A switch with one image per state, the image of the nearest state drawn over the rectangle.
class ISVGSwitchControl : public ISwitchControlBase
{
public:
  ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVGImage>& images, int paramIdx = -1,
                    IActionFunction actionFunc = nullptr);

  void Draw(IGraphics& g) override;
  // The image drawn for the value, counted from 0, kept within the images: a parameter with
  // more states than images shows the last image for the states beyond; -1 without images.
  int ImageIndex(double value) const;
  int NImages() const { return static_cast<int>(mSVGs.size()); }

protected:
  std::vector<ISVGImage> mSVGs;
};

// A slider whose handle image runs along a track image. The track image spans the control's
// length, keeping its proportions, centred; the handle image is scaled by the same factor and
// centred across the track. Horizontal: value 0 puts the handle at the left end of the track
// image, value 1 flush with its right end. Vertical: value 1 at the top.
class ISVGSliderControl : public ISliderControlBase
{
public:
  ISVGSliderControl(const IRECT& bounds, const ISVGImage& handleImage, const ISVGImage& trackImage,
                    int paramIdx = -1, EDirection direction = EDirection::Vertical,
                    double gearing = IKnobControlBase::kDefaultGearing);

  void Draw(IGraphics& g) override;
  // Lays out the track image, the handle at value 1 and the travel (the track of the
  // behaviour base).
  void OnResize() override;
  // The handle's rectangle at the value; the current value's for a negative one.
  IRECT GetHandleBounds(double value = -1.0) const;
  const IRECT& GetTrackSVGBounds() const { return mTrackSVGBounds; }

protected:
  IRECT mTrackSVGBounds;
  IRECT mHandleBoundsAtMax;
  ISVGImage mHandleSVG;
  ISVGImage mTrackSVG;
};

} // namespace igraphics
} // namespace plug
