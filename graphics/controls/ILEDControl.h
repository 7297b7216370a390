#pragma once
// A lamp that lights with its value: the plug-in feeds a level (0 dark, 1 fully lit) through
// the control's tag, and the lamp draws an ellipse filling its bounds in its colour, as opaque
// as the level. It has no parameter and takes no clicks. Main thread only.

#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace plug {
namespace igraphics {

class ILEDControl : public IControl
{
public:
  explicit ILEDControl(const IRECT& bounds, const IColor& color = COLOR_RED);

  void Draw(IGraphics& g) override;

  const IColor& GetColor() const { return mColor; }
  void SetColor(const IColor& color)
  {
    mColor = color;
    SetDirty(false);
  }

protected:
  IColor mColor;
};

} // namespace igraphics
} // namespace plug
