#pragma once
// The vector knob (a circular handle with a pointer, a value arc from an anchor angle to the
// current angle, a label and a value text that can be clicked to type a value) and its linear
// counterpart, the vector slider (a track with a filled part and a handle). Dragging, gearing,
// fine adjustment and the wheel come from the behaviour bases; layout and drawing from
// IVectorBase. Angles are degrees, 0 pointing up and increasing clockwise. Main thread only.

#include <utility>

#include "graphics/controls/IControlBases.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// What the vector knob and slider share on top of their behaviour base (IKnobControlBase or
// ISliderControlBase): the value text, which opens the value prompt when it is editable and
// clicked and is highlighted under the mouse; hit testing of widget and value; the value
// string with the unit label; the label from the parameter's name.
template <class DragBase>
class IVDragControl : public DragBase, public IVectorBase
{
public:
  void Draw(IGraphics& g) override;
  // An editable value clicked opens the prompt; anything else goes to the behaviour base.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // An editable value, or the widget.
  bool IsHit(float x, float y) const override;
  // Also refreshes the value string (display text with unit label).
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void OnInit() override;

protected:
  template <class... BaseArgs>
  IVDragControl(const IVStyle& style, bool valueInWidget, BaseArgs&&... baseArgs)
    : DragBase(std::forward<BaseArgs>(baseArgs)...), IVectorBase(style, false, valueInWidget)
  {
  }
  // The rest of the constructor, once both bases exist.
  void SetUp(const char* label, bool valueIsEditable, float trackSize);

  bool mValueMouseOver = false;
};

extern template class IVDragControl<IKnobControlBase>;
extern template class IVDragControl<ISliderControlBase>;

class IVKnobControl : public IVDragControl<IKnobControlBase>
{
public:
  IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.f, float a2 = 135.f,
                float aAnchor = -135.f, EDirection direction = EDirection::Vertical,
                double gearing = kDefaultGearing, float trackSize = 2.f);
  IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false, bool valueInWidget = false,
                float a1 = -135.f, float a2 = 135.f, float aAnchor = -135.f,
                EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing,
                float trackSize = 2.f);

  void DrawWidget(IGraphics& g) override;
  virtual void DrawKnobHandle(IGraphics& g, const IRECT& bounds);
  virtual void DrawKnobArc(IGraphics& g, float angle, float cx, float cy, float radius);
  virtual void DrawKnobPointer(IGraphics& g, float angle, float cx, float cy, float radius);

  // A centred rectangle of the widget: half as wide as high when the widget is wider than
  // high, else half as high as wide, so that one sweep of the value takes the same travel
  // whatever the knob's proportions.
  IRECT DragBounds() const override;

  // The arc's radius: half the widget's shorter side less half the track.
  float GetRadius() const;
  // The square around the arc, centred on the widget.
  IRECT GetArcBounds() const;
  float GetAngle(double value) const { return mAngle1 + (mAngle2 - mAngle1) * static_cast<float>(value); }

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;

protected:
  using IKnobControlBase::mDirection;

  float mKnobToArcGap = 4.f;
  float mPointerInnerFrac = 0.1f;
  float mPointerOuterFrac = 1.f;
  float mPointerThickness = 2.5f;
  float mAngle1;
  float mAngle2;
  float mAnchorAngle;
};

class IVSliderControl : public IVDragControl<ISliderControlBase>
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                  bool valueIsEditable = false, EDirection direction = EDirection::Vertical,
                  double gearing = IKnobControlBase::kDefaultGearing, float handleSize = 8.f, float trackSize = 2.f,
                  bool handleInsideTrack = false, float handleXOffset = 0.f, float handleYOffset = 0.f);
  IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false,
                  EDirection direction = EDirection::Vertical, double gearing = IKnobControlBase::kDefaultGearing,
                  float handleSize = 8.f, float trackSize = 2.f, bool handleInsideTrack = false,
                  float handleXOffset = 0.f, float handleYOffset = 0.f);

  void DrawWidget(IGraphics& g) override;
  virtual void DrawSliderTrack(IGraphics& g, const IRECT& filledArea);
  virtual void DrawSliderHandle(IGraphics& g, const IRECT& bounds);

  // The rectangles, then the track: the widget inset by the handle size, narrowed across
  // the direction to twice the track size.
  void OnResize() override;

protected:
  using ISliderControlBase::mDirection;

  bool mHandleInsideTrack;
  float mHandleXOffset;
  float mHandleYOffset;
};

} // namespace igraphics
} // namespace plug
