#pragma once
// The mouse behaviour the stock controls share, so that a vector, SVG or bitmap control only
// adds its drawing: a momentary button, a switch of n states, a knob dragged with the mouse
// and a slider along a track. Each leaves Draw to the control that builds on it.
//
// The bases send nothing to the host themselves: the graphics context opens the parameter
// gesture of every bound value before OnMouseDown and closes it after OnMouseUp, and every
// value change in between reaches the plug-in through SetDirty(true). Value 0 is "the value"
// below. Everything runs on the editor's main thread.

#include <vector>

#include "graphics/IControl.h"

namespace plug {
namespace igraphics {

// A momentary button: value 1 on mouse-down (running the click action, which usually starts
// a short animation), back to 0 when that animation ends. Without an animation the value
// stays at 1.
class IButtonControlBase : public IControl
{
public:
  IButtonControlBase(const IRECT& bounds, IActionFunction actionFunc);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnEndAnimation() override;
};

// A switch of n states: each click steps the value by 1/(n-1) and wraps from the last state
// to the first; two states toggle.
class ISwitchControlBase : public IControl
{
public:
  ISwitchControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr,
                     int numStates = 2);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  // Bound to a parameter, the switch has one state per whole number of its range, at most
  // kMaxStates.
  void OnInit() override;
  static constexpr int kMaxStates = 1024;

  int GetNumStates() const { return mNumStates; }
  bool GetMouseDown() const { return mMouseDown; }
  // The state nearest to a value of 0..1, from 0 to n - 1 (0 for a value that is no number).
  int NearestState(double value) const;

  // Per-state disabled flags, for switches that draw and skip single states. The list keeps
  // the size given to the constructor.
  void SetAllStatesDisabled(bool disabled);
  void SetStateDisabled(int stateIdx, bool disabled);
  // False for a state outside the list.
  bool GetStateDisabled(int stateIdx) const;

protected:
  int mNumStates;
  std::vector<bool> mDisabledState;
  bool mMouseDown = false;
};

// A rotary control dragged with the mouse: the pointer's travel over DragBounds' height
// (vertical) or width (horizontal), times the gearing, sweeps the whole range. Shift or
// control divide the speed by 10. The drag accumulates an unstepped value, so on a stepped
// parameter small moves add up until they cross a step.
class IKnobControlBase : public IControl
{
public:
  IKnobControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr,
                   EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing);

  static constexpr double kDefaultGearing = 4.0;

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) override;

  // The rectangle whose height (vertical drag) or width (horizontal), times the gearing, is
  // the pointer travel for the whole range: the target rectangle here.
  virtual IRECT DragBounds() const { return mTargetRECT; }

  double GetGearing() const { return mGearing; }
  void SetGearing(double gearing) { mGearing = gearing; }
  EDirection GetDirection() const { return mDirection; }
  bool GetMouseDown() const { return mMouseDown; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0;
};

// A linear control along a track. A click jumps to the pointer (not on a stepped parameter,
// where the drag is relative); a drag is relative over the track, or follows the pointer for
// a touch or when the cursor stays visible.
class ISliderControlBase : public IControl
{
public:
  ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing, float handleSize);
  ISliderControlBase(const IRECT& bounds, IActionFunction actionFunc, EDirection direction, double gearing,
                     float handleSize);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) override;
  // The whole rectangle becomes the track; derived sliders lay out their own.
  void OnResize() override;

  const IRECT& GetTrackBounds() const { return mTrackBounds; }
  EDirection GetDirection() const { return mDirection; }
  double GetGearing() const { return mGearing; }
  void SetGearing(double gearing) { mGearing = gearing; }
  float GetHandleSize() const { return mHandleSize; }
  bool GetMouseDown() const { return mMouseDown; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  IRECT mTrackBounds;
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0;
};

} // namespace igraphics
} // namespace plug
