#pragma once
// The special controls the graphics context creates and owns outside its control list: the
// corner resizer, the value bubble and the frame-time display.

#include "graphics/IControl.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// The handle at the bottom-right corner that resizes or rescales the editor when dragged.
class ICornerResizerControl : public IControl
{
public:
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = COLOR_TRANSLUCENT,
                        const IColor& mouseOverColor = COLOR_BLACK, const IColor& dragColor = COLOR_BLACK);

  void Draw(IGraphics& g) override;

  float GetSize() const { return mSize; }
  const IRECT& GetInitialGraphicsBounds() const { return mInitialGraphicsBounds; }

protected:
  float mSize;
  IRECT mInitialGraphicsBounds;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
  ECursor mPrevCursorType = ECursor::ARROW;
};

// The value bubble shown beside a control while it is dragged.
class IBubbleControl : public IControl
{
public:
  IBubbleControl(const IText& text = DEFAULT_TEXT, const IColor& fillColor = COLOR_WHITE,
                 const IColor& frameColor = COLOR_BLACK, float roundness = 5.f);

  void Draw(IGraphics& g) override;

protected:
  ITouchID mTouchId = 0;
  EDirection mDirection = EDirection::Horizontal;
  IRECT mMovementBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowSide = 3;
  CharBuf mStr{128};
  float mRoundness;
  float mDropShadowSize = 10.f;
  float mCalloutSize = 10.f;
  float mMaxOpacity = 0.95f;
  float mFrameThickness = 2.f;
  float mHorizontalPadding = 5.f;
  IColor mFillColor;
  IColor mFrameColor;
  int mState = 0;
};

// A graph of the last 100 frame times with their average.
class IFPSDisplayControl : public IControl, public IVectorBase
{
public:
  static constexpr int kNumFrames = 100;

  IFPSDisplayControl(const IRECT& bounds, int mode = 0, const char* label = "Frame Time");

  void Draw(IGraphics& g) override;

protected:
  int mMode;
  CharBuf mLabel{128};
  float mFrameTimes[kNumFrames] = {};
  int mReadPos = 0;
};

} // namespace igraphics
} // namespace plug
