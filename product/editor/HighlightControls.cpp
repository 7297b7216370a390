#include "product/editor/HighlightControls.h"

#include "graphics/IGraphics.h"

using namespace plug::igraphics;

namespace vellicor {

IRECT BitmapFrameRect(float x, float y, const IBitmap& bitmap)
{
  const int n = bitmap.FrameCount();
  const int w = bitmap.GetFramesAreHorizontal() ? bitmap.W() / n : bitmap.W();
  const int h = bitmap.GetFramesAreHorizontal() ? bitmap.H() : bitmap.H() / n;
  return IRECT(x, y, x + static_cast<float>(w), y + static_cast<float>(h));
}

void HighlightArea::Fill(IGraphics& g, const IColor& color, float roundness) const
{
  switch (mode)
  {
    case kRoundRect: g.FillRoundRect(color, bounds, roundness, nullptr); break;
    case kEllipse: g.FillEllipse(color, bounds, nullptr); break;
    default: g.FillRect(color, bounds, nullptr); break;
  }
}

} // namespace vellicor

// ---------------------------------------------------------------------------------------------
// Vellicor::IVButtonControlHighlight

namespace {
constexpr float kButtonHighlightRadius = 8.f;
constexpr float kCaptionHighlightRadius = 7.f;
const IColor kCaptionTriangleColor(255, 151, 151, 151);
const IBlend kCaptionTriangleBlend(EBlend::SrcOver, 0.75f);
} // namespace

Vellicor::IVButtonControlHighlight::IVButtonControlHighlight(const IRECT& bounds, IActionFunction action,
                                                             const char* label, bool /*labelInButton*/,
                                                             bool /*valueInButton*/, int /*shape*/,
                                                             const IVStyle& style)
  : IVButtonControlHighlight(bounds, std::move(action), label, style)
{
}

Vellicor::IVButtonControlHighlight::IVButtonControlHighlight(const IRECT& bounds, IActionFunction action,
                                                             const char* label, const IVStyle& style)
  : IVButtonControl(bounds, std::move(action), label, style.WithColor(kHL, COLOR_TRANSPARENT), true, true,
                    EVShape::Rectangle),
    mKeptStyle(style), mKeptBounds(bounds)
{
  OnResize();
}

void Vellicor::IVButtonControlHighlight::Draw(IGraphics& g)
{
  if (mDisabled)
    return;
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
  if (mMouseIsOver)
    g.FillRoundRect(mKeptStyle.colorSpec.GetColor(kHL), HighlightBounds(), kButtonHighlightRadius, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Vellicor::ICaptionControlHighlight

Vellicor::ICaptionControlHighlight::ICaptionControlHighlight(const IRECT& bounds, int paramIdx, const IText& text,
                                                             const IColor& bgColor, bool showParamLabel,
                                                             const IColor& highlightColor)
  : ICaptionControl(bounds, paramIdx, text, bgColor, showParamLabel), mHighlightColor(highlightColor)
{
  mTriangleColor = kCaptionTriangleColor;
  mTriangleBlend = kCaptionTriangleBlend;
}

void Vellicor::ICaptionControlHighlight::Draw(IGraphics& g)
{
  ICaptionControl::Draw(g);
  if (mMouseIsOver)
  {
    IColor highlight = mHighlightColor;
    highlight.A = kHighlightAlpha;
    g.FillRoundRect(highlight, mRECT, kCaptionHighlightRadius, nullptr);
  }
}
