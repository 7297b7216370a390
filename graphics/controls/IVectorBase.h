#pragma once
// The second base of every vector-drawn control: the control's look (style and colour
// table), its label and value strings, the layout of its bounds into widget, label and value
// rectangles, and the drawing of the background, the label, the value and a pressable shape
// (rounded rectangle, ellipse or triangle, with frame, drop shadow, emboss, mouse-over
// highlight, disabled look and the click splash).
//
// A control derives from its IControl-side base first and from this base second, and sets the
// owning-control pointer in its constructor.

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsStructs.h"
#include "plug/HeapBuf.h"

namespace plug {
class IParam;

namespace igraphics {

// The shape a vector control presses.
enum class EVShape : int32_t
{
  Rectangle = 0,
  Ellipse = 1,
  Triangle = 2,
  EndsRounded = 3, // only the top corners rounded
  AllRounded = 4
};

class IVectorBase
{
public:
  static constexpr float kDefaultMaxSplashRadius = 50.f;
  static constexpr float kDefaultTrackSize = 2.f;
  static constexpr float kDefaultValueWidthFactor = 0.66f;
  // The contrast of a disabled shape's fills.
  static constexpr float kDisabledContrast = -0.25f;

  IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;
  IVectorBase(const IVectorBase&) = delete;
  IVectorBase& operator=(const IVectorBase&) = delete;

  // Runs after the style or the splash changes.
  virtual void StyleChanged() {}
  // Copies the whole style, then StyleChanged.
  virtual void SetStyle(const IVStyle& style);
  // Colour 0 over r with the owner's blend.
  virtual void DrawBackground(IGraphics& g, const IRECT& r);
  virtual void DrawWidget(IGraphics& /*g*/) {}
  virtual void DrawLabel(IGraphics& g);
  virtual void DrawValue(IGraphics& g, bool mouseOver);
  virtual IRECT DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                   bool disabled);

  // Lays the parent rectangle out into widget, label and value rectangles and returns the
  // clickable area: the parent less the label's space.
  IRECT ComputeRects(const IRECT& parent, bool hasHandle = false);
  // For controls whose widget alone takes the mouse (pads, plots, swatches): lays the owner's
  // bounds out and makes the widget rectangle the owner's target area.
  void ComputeRectsWithWidgetAsTarget();
  // Draws the shape and returns the handle rectangle it drew.
  IRECT DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                               bool rtl = true, bool rtr = true, bool rbl = true, bool rbr = true);
  IRECT DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  IRECT DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                              bool disabled);
  // The splash circle, clipped to the handle, while the owner's splash animation runs.
  void DrawSplash(IGraphics& g, const IRECT& clipRegion);

  // The handle rectangle of a pressable rectangle or triangle: inset by half the frame and,
  // with shadows, by the shadow offset on the left, right and bottom.
  IRECT GetAdjustedHandleBounds(const IRECT& bounds) const;
  // Corner radius for a handle: the shorter side's half times the roundness.
  float GetRoundedCornerRadius(const IRECT& bounds) const;

  void AttachIControl(IControl* pControl, const char* label);
  IControl* GetOwner() const { return mControl; }
  const IVStyle& GetStyle() const { return mStyle; }
  const IColor& GetColor(int color) const { return mStyle.colorSpec.GetColor(color); }
  void SetColor(int color, const IColor& c)
  {
    mStyle.colorSpec.mColors[color] = c;
    StyleChanged();
  }
  void SetLabelStr(const char* label) { mLabelStr.Set(label); }
  void SetValueStr(const char* value) { mValueStr.Set(value); }
  const char* GetLabelStr() const { return mLabelStr.Get(); }
  const char* GetValueStr() const { return mValueStr.Get(); }
  void SetShape(EVShape shape) { mShape = shape; }
  EVShape GetShape() const { return mShape; }

  float GetSplashRadius() const { return mSplashRadius; }
  void SetSplashRadius(float r) { mSplashRadius = r; }
  void GetSplashPoint(float& x, float& y) const
  {
    x = mSplashX;
    y = mSplashY;
  }
  void SetSplashPoint(float x, float y)
  {
    mSplashX = x;
    mSplashY = y;
  }
  float GetMaxSplashRadius() const { return mMaxSplashRadius; }
  void SetMaxSplashRadius(float r) { mMaxSplashRadius = r; }

  // The knob's arc thickness, the half-width of a slider's track.
  float GetTrackSize() const { return mTrackSize; }
  void SetTrackSize(float size) { mTrackSize = size; }

  const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }

protected:
  // The owner's blend, or none before the owner is set.
  const IBlend* OwnerBlend() const;
  bool SplashRuns() const;
  // The owner's value 0 parameter, or null.
  const IParam* OwnerParam() const;
  // With a parameter: the value string becomes its display text for its current value,
  // followed by the unit label when withLabel, and the owner draws its parameter's text (see
  // IControl::SetDrawsParamText).
  void SetValueStrFromParam(bool withLabel);
  // With a parameter: an empty label becomes the parameter's name.
  void SetLabelFromParamName();
  // The owner's prompts are enabled and the value rectangle holds the point.
  bool ValuePromptHit(float x, float y) const;
  // A click on a shown, editable value opens the value prompt over the value rectangle
  // (true); any other click is left to the widget (false).
  bool PromptFromValue(float x, float y);

  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget;
  bool mValueInWidget;
  float mSplashRadius = 0.f;
  float mSplashX = 0.f;
  float mSplashY = 0.f;
  float mMaxSplashRadius = kDefaultMaxSplashRadius;
  float mTrackSize = kDefaultTrackSize;
  float mValueWidthFactor = kDefaultValueWidthFactor;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  CharBuf mLabelStr{128};
  CharBuf mValueStr{128};
  EVShape mShape = EVShape::Rectangle;
  // The layout direction of controls laid out along one (the tab switch's row or column).
  EDirection mDirection = EDirection::Vertical;
};

} // namespace igraphics
} // namespace plug
