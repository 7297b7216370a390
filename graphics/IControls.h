#pragma once
// The toolkit's own controls: three that editors attach (a bitmap, an SVG image, a filled
// panel; the backgrounds are made of them) and the special controls the graphics context
// creates and owns outside its control list: the corner resizer, the value bubble and the
// frame-time display.

#include "graphics/IControl.h"
#include "graphics/controls/IBitmapBase.h"
#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// One frame of a bitmap, chosen by the value; reloaded for the screen when the scale changes.
class IBitmapControl : public IControl, public IBitmapBase
{
public:
  // At (x, y), one frame in size.
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, EBlend blend = EBlend::SrcOver);
  IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1, EBlend blend = EBlend::SrcOver);

  void Draw(IGraphics& g) override { DrawBitmapFrame(g); }
  void OnRescale() override { RescaleBitmap(); }
};

// An SVG image at the top-left of the bounds, keeping its proportions. With the layer, it is
// drawn into an offscreen layer once and the layer is drawn from then on, until the size or
// the scale changes.
class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVGImage& svg, bool useLayer = false);

  void Draw(IGraphics& g) override;
  void SetSVG(const ISVGImage& svg);
  const ILayerPtr& GetLayer() const { return mLayer; }

protected:
  ISVGImage mSVG;
  bool mUseLayer;
  ILayerPtr mLayer;
};

// A rectangle filled with a pattern, optionally framed; it ignores the mouse. As a container
// it can group children laid out over it.
class IPanelControl : public IContainerBase
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false);

  void Draw(IGraphics& g) override;
  const IPattern& GetPattern() const { return mPattern; }
  void SetPattern(const IPattern& pattern)
  {
    mPattern = pattern;
    SetDirty(false);
  }

protected:
  IPattern mPattern;
  bool mDrawFrame;
};

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
