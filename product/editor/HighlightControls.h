#pragma once
// The product's highlight controls: vector buttons and parameter captions that paint a
// translucent highlight of their own while the mouse is over them, and the highlight area that
// the bitmap overlays (the editor's switches, Save and Trash of the preset strip) paint and
// take clicks in. Main thread only.
#include "graphics/IGraphicsConstants.h"
#include "graphics/controls/IBControls.h"
#include "graphics/controls/ITextControls.h"
#include "graphics/controls/IVButtonControls.h"
#include "graphics/controls/IVectorBase.h"
#include "product/Vellicor.h"

#include <utility>

namespace vellicor {

// One frame of the bitmap with its top-left corner at (x, y): the width (frames side by side)
// or the height (frames stacked) divided by the frame count in whole numbers.
plug::igraphics::IRECT BitmapFrameRect(float x, float y, const plug::igraphics::IBitmap& bitmap);

// The area a bitmap overlay highlights and is hit in. It keeps the rectangle it was made with,
// whatever happens to the control's bounds later; hits are half-open (left and top edges in,
// right and bottom out) and an all-zero rectangle is never hit.
struct HighlightArea
{
  enum EMode : int32_t
  {
    kRoundRect = 0,
    kEllipse = 1
    // any other value: a plain rectangle
  };

  int32_t mode = kRoundRect;
  plug::igraphics::IRECT bounds;

  bool Contains(float x, float y) const { return bounds.Contains(x, y); }
  // Fills the area in the colour (no blend); roundness is the corner radius of kRoundRect.
  void Fill(plug::igraphics::IGraphics& g, const plug::igraphics::IColor& color, float roundness) const;
};

// A bitmap control (a switch or a button) that fills its highlight area in the style's
// highlight colour, with the style's roundness, while the mouse is over it and it is enabled.
// The area is the one-frame rectangle the control was made with; only it takes clicks.
template <class BitmapControl>
class HighlightOverlay : public BitmapControl, public plug::igraphics::IVectorBase
{
public:
  // baseArgs: what the bitmap control takes after its bounds (the bitmap, then its parameter
  // or its action).
  template <class... BaseArgs>
  HighlightOverlay(const plug::igraphics::IRECT& frame, const plug::igraphics::IVStyle& style, int highlightMode,
                   BaseArgs&&... baseArgs)
    : BitmapControl(frame, std::forward<BaseArgs>(baseArgs)...), IVectorBase(style, false, false)
  {
    IVectorBase::AttachIControl(this, "");
    // The frame exactly, even where a whole-point frame differs from the bitmap's own size.
    this->SetRECT(frame);
    this->SetTargetRECT(frame);
    mHighlight.mode = highlightMode;
    mHighlight.bounds = frame;
    HighlightOverlay::OnResize();
  }

  void OnResize() override
  {
    this->SetTargetRECT(ComputeRects(this->GetRECT(), true));
    this->mMouseIsOver = false;
    this->SetDirty(false);
  }

  void Draw(plug::igraphics::IGraphics& g) override
  {
    this->DrawBitmapFrame(g);
    if (this->IsDisabled() || !this->GetMouseIsOver())
      return;
    mHighlight.Fill(g, GetColor(plug::igraphics::kHL), mStyle.roundness);
  }

  bool IsHit(float x, float y) const override { return mHighlight.Contains(x, y); }

  const HighlightArea& GetHighlight() const { return mHighlight; }

private:
  HighlightArea mHighlight;
};

} // namespace vellicor

// A vector button that draws nothing when disabled and, under the mouse, a rounded highlight
// (radius 8) in the highlight colour of the style it was given; the button itself is built
// with a transparent highlight, so only this one shows. Label and value are drawn inside the
// button, in a rectangle shape.
class Vellicor::IVButtonControlHighlight : public plug::igraphics::IVButtonControl
{
public:
  // The two flags and the shape are accepted for the layout's sake and not used.
  IVButtonControlHighlight(const plug::igraphics::IRECT& bounds, plug::igraphics::IActionFunction action,
                           const char* label, bool labelInButton, bool valueInButton, int shape,
                           const plug::igraphics::IVStyle& style);

  void Draw(plug::igraphics::IGraphics& g) override;

  const plug::igraphics::IVStyle& GetKeptStyle() const { return mKeptStyle; }

protected:
  IVButtonControlHighlight(const plug::igraphics::IRECT& bounds, plug::igraphics::IActionFunction action,
                           const char* label, const plug::igraphics::IVStyle& style);
  // Where the highlight goes: the control's current rectangle.
  virtual plug::igraphics::IRECT HighlightBounds() const { return mRECT; }

  plug::igraphics::IVStyle mKeptStyle;
  plug::igraphics::IRECT mKeptBounds;
};

// A parameter caption whose enumeration triangle is grey at weight 0.75 (the mouse-over
// colour while hovered) and which lays a rounded highlight (radius 7) of its highlight colour
// at alpha 63 over itself while the mouse is over it.
class Vellicor::ICaptionControlHighlight : public plug::igraphics::ICaptionControl
{
public:
  static constexpr int kHighlightAlpha = 63;

  ICaptionControlHighlight(const plug::igraphics::IRECT& bounds, int paramIdx, const plug::igraphics::IText& text,
                           const plug::igraphics::IColor& bgColor, bool showParamLabel,
                           const plug::igraphics::IColor& highlightColor);

  void Draw(plug::igraphics::IGraphics& g) override;

  const plug::igraphics::IColor& GetHighlightColor() const { return mHighlightColor; }
  void SetHighlightColor(const plug::igraphics::IColor& color) { mHighlightColor = color; }

private:
  plug::igraphics::IColor mHighlightColor;
};
