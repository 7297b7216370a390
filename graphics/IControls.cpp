#include "graphics/IControls.h"

#include "graphics/IGraphics.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// ICornerResizerControl

ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
  : IControl(IRECT(graphicsBounds.R - size, graphicsBounds.B - size, graphicsBounds.R, graphicsBounds.B)), mSize(size),
    mInitialGraphicsBounds(graphicsBounds),
    mColor(color), mMouseOverColor(mouseOverColor), mDragColor(dragColor)
{
}

void ICornerResizerControl::Draw(IGraphics&)
{
  ThrowUnavailable("ICornerResizerControl::Draw");
}

// ---------------------------------------------------------------------------------------
// IBubbleControl

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& frameColor, float roundness)
  : IControl(IRECT()), mRoundness(roundness), mFillColor(fillColor), mFrameColor(frameColor)
{
  mText = text;
  mBlend = IBlend(EBlend::SrcOver, 0.f);
  mHide = true;
  mIgnoreMouse = true;
}

void IBubbleControl::Draw(IGraphics&)
{
  ThrowUnavailable("IBubbleControl::Draw");
}

// ---------------------------------------------------------------------------------------
// IFPSDisplayControl

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, int mode, const char* label)
  : IControl(bounds), IVectorBase(DEFAULT_STYLE), mMode(mode)
{
  mLabel.Set(label);
  AttachIControl(this, "");
}

void IFPSDisplayControl::Draw(IGraphics&)
{
  ThrowUnavailable("IFPSDisplayControl::Draw");
}

// ---------------------------------------------------------------------------------------
// IPopupMenuControl

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
  : IControl(collapsedBounds, paramIdx), mCollapsedBounds(collapsedBounds), mExpandedBounds(expandedBounds)
{
  mText = text;
  mHide = true;
}

void IPopupMenuControl::Draw(IGraphics&)
{
  ThrowUnavailable("IPopupMenuControl::Draw");
}

// ---------------------------------------------------------------------------------------
// ITextEntryControl

ITextEntryControl::ITextEntryControl() : IControl(IRECT()) {}

void ITextEntryControl::Draw(IGraphics&)
{
  ThrowUnavailable("ITextEntryControl::Draw");
}

} // namespace igraphics
} // namespace plug
