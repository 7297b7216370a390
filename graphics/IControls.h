#pragma once
// The special controls the graphics context creates and owns outside its control list: the
// corner resizer, the value bubble and the frame-time display.

#include "graphics/IControl.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// The handle at the bottom-right corner. A drag on it resizes or rescales the editor (the
// context runs the drag); a double click restores the size it was made with at scale 1.
class ICornerResizerControl : public IControl
{
public:
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = COLOR_TRANSLUCENT,
                        const IColor& mouseOverColor = COLOR_BLACK, const IColor& dragColor = COLOR_BLACK);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // Sits at the editor's bottom-right corner, keeping its size on screen.
  void OnRescale() override;

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

// The value bubble shown beside a control while it is dragged. It fades in over 200 ms, stays
// for a second and for as long as its caller is held, then fades out over 200 ms.
class IBubbleControl : public IControl
{
public:
  enum EFadeState : int32_t
  {
    kHidden = 0,
    kFadingIn,
    kShown,
    kFadingOut
  };
  static constexpr int kFadeMs = 200;
  static constexpr int kHoldMs = 1000;

  IBubbleControl(const IText& text = DEFAULT_TEXT, const IColor& fillColor = COLOR_WHITE,
                 const IColor& frameColor = COLOR_BLACK, float roundness = 5.f);

  void Draw(IGraphics& g) override;
  virtual void DrawContent(IGraphics& g, const IRECT& r, const IBlend* pBlend);
  virtual void DrawBubble(IGraphics& g, const IRECT& r, const IBlend* pBlend);
  // The size of the content for the text.
  virtual IRECT MeasureContent(IGraphics& g, const char* str);

  // Places the bubble for the caller at (x, y) with the text and starts showing it.
  void ShowBubble(IControl* pCaller, float x, float y, const char* str, EDirection dir,
                  const IRECT& minimumContentBounds, ITouchID touchID);

  ITouchID GetTouchID() const { return mTouchId; }
  EFadeState GetState() const { return mState; }
  const IRECT& GetBubbleBounds() const { return mBubbleBounds; }
  int GetArrowSide() const { return mArrowSide; }
  const char* GetStr() const { return mStr.Get(); }
  IControl* GetCaller() const { return mCaller; }
  // The caller is going: the bubble no longer refers to it.
  void ForgetCaller(const IControl* pControl)
  {
    if (mCaller == pControl)
      mCaller = nullptr;
  }
  // The area the bubble may use; the whole editor when it is left empty.
  void SetMovementBounds(const IRECT& r) { mMovementBounds = r; }

protected:
  static void FadeStartFunc(IControl* pCaller);
  static void FadeFunc(IControl* pCaller);
  static void HoldFunc(IControl* pCaller);

  ITouchID mTouchId = 0;
  EDirection mDirection = EDirection::Horizontal;
  IRECT mMovementBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowSide = 3; // 0 top, 1 right, 2 bottom, 3 left
  CharBuf mStr{128};
  float mRoundness;
  float mDropShadowSize = 10.f;
  float mCalloutSize = 10.f;
  float mMaxOpacity = 0.95f;
  float mFrameThickness = 2.f;
  float mHorizontalPadding = 5.f;
  IColor mFillColor;
  IColor mFrameColor;
  EFadeState mState = kHidden;
};

// A graph of the last 100 frame times with their average; a click changes the figure shown
// (frames per second, milliseconds, percent).
class IFPSDisplayControl : public IControl, public IVectorBase
{
public:
  static constexpr int kNumFrames = 100;

  IFPSDisplayControl(const IRECT& bounds, int mode = 0, const char* label = "Frame Time");

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  bool IsDirty() override { return true; }

  // Advances the ring by one and writes the frame's duration there.
  void Update(float frameSeconds);
  int GetMode() const { return mMode; }
  int GetReadPos() const { return mReadPos; }
  float GetFrameTime(int idx) const { return mFrameTimes[idx]; }

protected:
  int mMode;
  CharBuf mLabel{128};
  float mFrameTimes[kNumFrames] = {};
  int mReadPos = 0;
  IText mAPIText;
  IText mMainText;
  IText mSecondText;
};

} // namespace igraphics
} // namespace plug
