#include "graphics/controls/ISVGControls.h"

#include <algorithm>
#include <cmath>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

// The image's size for layout; an image without a usable size counts as a unit square, so
// that nothing divides by zero (it draws nothing anyway).
void LayoutSize(const ISVGImage& image, float& w, float& h)
{
  w = image.IsValid() ? image.W() : 0.f;
  h = image.IsValid() ? image.H() : 0.f;
  if (!(w > 0.f) || !(h > 0.f) || !std::isfinite(w) || !std::isfinite(h))
    w = h = 1.f;
}

} // namespace

// ---------------------------------------------------------------------------------------
// ISVGTwoStateLook

const IColor& ISVGTwoStateLook::ReplacementColor(double value, bool mouseOver) const
{
  if (value > 0.5)
    return mouseOver ? onHoverColor : onColor;
  return mouseOver ? offHoverColor : offColor;
}

void ISVGTwoStateLook::Draw(IGraphics& g, const IControl& control, double value) const
{
  const ISVGImage& image = value > 0.5 ? onSVG : offSVG;
  const IColor& color = ReplacementColor(value, control.GetMouseIsOver());
  const IColor* stroke = colorReplacement == EColorReplacement::Stroke ? &color : nullptr;
  const IColor* fill = colorReplacement == EColorReplacement::Fill ? &color : nullptr;
  g.DrawSVG(image, control.GetRECT(), &control.GetBlend(), stroke, fill);
}

// ---------------------------------------------------------------------------------------
// ISVGButtonControl

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& offImage,
                                     const ISVGImage& onImage)
  : IButtonControlBase(bounds, std::move(actionFunc)), mLook(offImage, onImage)
{
}

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& image,
                                     EColorReplacement replacement, const IColor& offColor, const IColor& onColor,
                                     const IColor& offHoverColor, const IColor& onHoverColor)
  : IButtonControlBase(bounds, std::move(actionFunc)),
    mLook(image, replacement, offColor, onColor, offHoverColor, onHoverColor)
{
}

// ---------------------------------------------------------------------------------------
// ISVGToggleControl

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& offImage,
                                     const ISVGImage& onImage)
  : ISwitchControlBase(bounds, -1, std::move(actionFunc), 2), mLook(offImage, onImage)
{
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVGImage& offImage,
                                     const ISVGImage& onImage)
  : ISwitchControlBase(bounds, paramIdx, nullptr, 2), mLook(offImage, onImage)
{
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVGImage& image,
                                     EColorReplacement replacement, const IColor& offColor, const IColor& onColor,
                                     const IColor& offHoverColor, const IColor& onHoverColor)
  : ISwitchControlBase(bounds, -1, std::move(actionFunc), 2),
    mLook(image, replacement, offColor, onColor, offHoverColor, onHoverColor)
{
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVGImage& image,
                                     EColorReplacement replacement, const IColor& offColor, const IColor& onColor,
                                     const IColor& offHoverColor, const IColor& onHoverColor)
  : ISwitchControlBase(bounds, paramIdx, nullptr, 2),
    mLook(image, replacement, offColor, onColor, offHoverColor, onHoverColor)
{
}

// ---------------------------------------------------------------------------------------
// ISVGKnobControl

ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVGImage& image, int paramIdx)
  : IKnobControlBase(bounds, paramIdx), mSVG(image)
{
}

void ISVGKnobControl::Draw(IGraphics& g)
{
  g.DrawRotatedSVG(mSVG, mRECT.MW(), mRECT.MH(), mRECT.W(), mRECT.H(), GetAngle(GetValue()), &mBlend);
}

void ISVGKnobControl::SetSVG(const ISVGImage& image)
{
  mSVG = image;
  SetDirty(false);
}

// ---------------------------------------------------------------------------------------
// ISVGSwitchControl

ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVGImage>& images, int paramIdx,
                                     IActionFunction actionFunc)
  : ISwitchControlBase(bounds, paramIdx, std::move(actionFunc), static_cast<int>(images.size())), mSVGs(images)
{
}

int ISVGSwitchControl::ImageIndex(double value) const
{
  if (mSVGs.empty())
    return -1;
  return std::min(NearestState(value), NImages() - 1);
}

void ISVGSwitchControl::Draw(IGraphics& g)
{
  const int i = ImageIndex(GetValue());
  if (i >= 0)
    g.DrawSVG(mSVGs[static_cast<size_t>(i)], mRECT, &mBlend);
}

// ---------------------------------------------------------------------------------------
// ISVGSliderControl

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVGImage& handleImage, const ISVGImage& trackImage,
                                     int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, 0.f), mHandleSVG(handleImage), mTrackSVG(trackImage)
{
}

void ISVGSliderControl::OnResize()
{
  mTargetRECT = mRECT;
  mMouseIsOver = false;

  float trackW = 0.f, trackH = 0.f, handleW = 0.f, handleH = 0.f;
  LayoutSize(mTrackSVG, trackW, trackH);
  LayoutSize(mHandleSVG, handleW, handleH);
  const float cx = mRECT.MW(), cy = mRECT.MH();

  if (mDirection == EDirection::Horizontal)
  {
    // The track image as long as the control; the handle scaled alike, value 1 at the right.
    const float w = std::max(1.f, mRECT.W());
    const float scale = w / trackW;
    mTrackSVGBounds = IRECT(cx - 0.5f * w, cy - 0.5f * trackH * scale, cx + 0.5f * w, cy + 0.5f * trackH * scale);
    const float hh = handleH * scale;
    const float hw = std::max(1.f, hh * handleW / handleH);
    const IRECT& t = mTrackSVGBounds;
    mHandleBoundsAtMax = IRECT(t.R - hw, t.MH() - 0.5f * hh, t.R, t.MH() + 0.5f * hh);
    mTrackBounds = IRECT(t.L + hw, t.T, t.R, t.B);
  }
  else
  {
    // The same with the axes swapped, value 1 at the top.
    const float h = std::max(1.f, mRECT.H());
    const float scale = h / trackH;
    mTrackSVGBounds = IRECT(cx - 0.5f * trackW * scale, cy - 0.5f * h, cx + 0.5f * trackW * scale, cy + 0.5f * h);
    const float hw = handleW * scale;
    const float hh = std::max(1.f, hw * handleH / handleW);
    const IRECT& t = mTrackSVGBounds;
    mHandleBoundsAtMax = IRECT(t.MW() - 0.5f * hw, t.T, t.MW() + 0.5f * hw, t.T + hh);
    mTrackBounds = IRECT(t.L, t.T + hh, t.R, t.B);
  }
  SetDirty(false);
}

IRECT ISVGSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0)
    value = GetValue();
  const float rest = 1.f - static_cast<float>(value);
  if (mDirection == EDirection::Horizontal)
    return mHandleBoundsAtMax.GetTranslated(-rest * mTrackBounds.W(), 0.f);
  return mHandleBoundsAtMax.GetTranslated(0.f, rest * mTrackBounds.H());
}

void ISVGSliderControl::Draw(IGraphics& g)
{
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  g.DrawSVG(mHandleSVG, GetHandleBounds(), &mBlend);
}

} // namespace igraphics
} // namespace plug
