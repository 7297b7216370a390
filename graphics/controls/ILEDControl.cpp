#include "graphics/controls/ILEDControl.h"

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

ILEDControl::ILEDControl(const IRECT& bounds, const IColor& color) : IControl(bounds, -1, nullptr), mColor(color)
{
  mIgnoreMouse = true;
}

void ILEDControl::Draw(IGraphics& g)
{
  // The value is kept within 0..1 by SetDirty.
  const IBlend blend(EBlend::SrcOver, static_cast<float>(GetValue()) * mBlend.mWeight);
  g.FillEllipse(mColor, mRECT, &blend);
}

} // namespace igraphics
} // namespace plug
