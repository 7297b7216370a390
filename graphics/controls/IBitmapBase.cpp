#include "graphics/controls/IBitmapBase.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

int IBitmapBase::FrameForValue(int nFrames, double value)
{
  if (nFrames < 2)
    return 1;
  const int f = static_cast<int>((nFrames - 1) * value + 0.5);
  if (f <= 0)
    return 1;
  return std::min(f + 1, nFrames);
}

void IBitmapBase::DrawBitmapFrame(IGraphics& g)
{
  if (!mControl)
    return;
  const int frame = FrameForValue(mBitmap.N(), mControl->GetValue(0));
  const IRECT dest = FrameBoundsIn(mControl->GetRECT(), mBitmap);
  const IBlend blend = mControl->GetBlend();
  g.DrawBitmapFrame(mBitmap, dest, frame, &blend);
}

void IBitmapBase::RescaleBitmap()
{
  if (IGraphics* g = mControl ? mControl->GetUI() : nullptr)
    mBitmap = g->GetScaledBitmap(mBitmap);
}

} // namespace igraphics
} // namespace plug
