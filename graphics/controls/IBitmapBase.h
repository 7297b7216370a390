#pragma once
// The second base of controls drawn from a bitmap: it holds a copy of the bitmap handle and
// draws the frame that matches the owning control's first value. Frames are numbered from 1.

#include "graphics/IGraphicsStructs.h"

namespace plug {
namespace igraphics {

class IBitmapBase
{
public:
  explicit IBitmapBase(const IBitmap& bitmap) : mBitmap(bitmap) {}
  virtual ~IBitmapBase() = default;

  // The frame for a value: 1 for fewer than two frames, else the value rounded to the
  // nearest of the frame count's steps, within 1..frame count.
  static int FrameForValue(int nFrames, double value);

  // One frame of the bitmap with its top-left corner at (x, y).
  static IRECT FrameBoundsAt(float x, float y, const IBitmap& bitmap)
  {
    return IRECT(x, y, x + bitmap.FW(), y + bitmap.FH());
  }
  // One frame of the bitmap centred in bounds.
  static IRECT FrameBoundsIn(const IRECT& bounds, const IBitmap& bitmap)
  {
    return bounds.GetCentredInside(bitmap.FW(), bitmap.FH());
  }

  // Draws the frame for the owner's value 0, one frame size centred in the owner's bounds,
  // with the owner's blend.
  void DrawBitmapFrame(IGraphics& g);
  // The bitmap reloaded for the owner's context's screen scale (once the owner has one): the
  // OnRescale of every bitmap control.
  void RescaleBitmap();

  const IBitmap& GetBitmap() const { return mBitmap; }
  void SetBitmap(const IBitmap& bitmap) { mBitmap = bitmap; }
  IControl* GetOwner() const { return mControl; }
  void AttachIControl(IControl* pControl) { mControl = pControl; }

protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr;
};

} // namespace igraphics
} // namespace plug
