#pragma once
// The product's display controls: the glowing lamp behind the "Drive" and "Impedance" knobs
// and the two-state bitmap switch that paints a highlight over itself under the mouse. Main
// thread only.
#include "graphics/controls/ILEDControl.h"
#include "product/Vellicor.h"
#include "product/editor/HighlightControls.h"

// The level lamp. The plug-in's idle hook feeds it a level through its tag (value 0); each
// drawing smooths the level one step and draws two circles, more opaque the more the smoothed
// rings run ahead of the level, and an additive radial glow that grows with the level. Levels
// below 0 or not finite count as 0. The lamp stays dirty until its smoothing has settled, so
// that a change fades in and out over the following frames and then drawing stops.
class Vellicor::ILEDControlOBK : public plug::igraphics::ILEDControl
{
public:
  // The circles' colours and the glow's centre colour.
  static constexpr plug::igraphics::IColor kColorA{255, 60, 10, 21};
  static constexpr plug::igraphics::IColor kColorB{255, 119, 14, 28};
  static constexpr plug::igraphics::IColor kColorC{255, 176, 85, 0};
  // The smoothing counts as settled once every smoothed value is this close to its target.
  static constexpr float kSettledTolerance = 1e-4f;

  explicit ILEDControlOBK(const plug::igraphics::IRECT& bounds);

  void Draw(plug::igraphics::IGraphics& g) override;
  bool IsDirty() override;

  float GetLevel() const { return mLevel; }

private:
  // The input level: value 0, or 0 when negative or not finite.
  double InputLevel() const;
  bool Settled() const;
  // What the rings move towards for a smoothed level: t (level times 3), ring A's target
  // (the root of 2t) and ring B's (2t).
  struct Rings
  {
    float t, a, b;
  };
  static Rings RingsFor(float level);

  float mLevel = 0.f;
  float mRingA = 0.f;
  float mRingB = 0.f;
};

// A two-state bitmap switch bound to a parameter, with a highlight over the rectangle it was
// made with (vellicor::HighlightOverlay).
class Vellicor::IBSwitchHighlightOverlay : public vellicor::HighlightOverlay<plug::igraphics::IBSwitchControl>
{
public:
  // One frame of the bitmap at (x, y); highlightMode as vellicor::HighlightArea.
  IBSwitchHighlightOverlay(int x, int y, const plug::igraphics::IBitmap& bitmap, int paramIdx, int highlightMode,
                           plug::igraphics::IVStyle style);
};
