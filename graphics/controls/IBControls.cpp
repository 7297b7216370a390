#include "graphics/controls/IBControls.h"

#include <cmath>
#include <cstring>

#include "graphics/IGraphics.h"

namespace plug {
namespace igraphics {

// ---------------------------------------------------------------------------------------
// IBButtonControl

IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc)
  : IButtonControlBase(FrameBoundsAt(x, y, bitmap), std::move(actionFunc)), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc)
  : IButtonControlBase(FrameBoundsIn(bounds, bitmap), std::move(actionFunc)), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

// ---------------------------------------------------------------------------------------
// IBSwitchControl

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameBoundsAt(x, y, bitmap), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameBoundsIn(bounds, bitmap), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBSwitchControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  const int n = mBitmap.N();
  const double step = n >= 2 ? 1.0 / (n - 1) : 1.0;
  SetValue(GetValue() + step);
  if (GetValue() > 1.001)
    SetValue(0.0);
  SetDirty(true);
}

// ---------------------------------------------------------------------------------------
// IBKnobControl and IBKnobRotaterControl

IBKnobControl::IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IKnobControlBase(FrameBoundsAt(x, y, bitmap), paramIdx, nullptr, direction, gearing), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IKnobControlBase(bounds, paramIdx, nullptr, direction, gearing), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBKnobRotaterControl::IBKnobRotaterControl(float x, float y, const IBitmap& bitmap, int paramIdx,
                                           EDirection direction, double gearing)
  : IBKnobControl(x, y, bitmap, paramIdx, direction, gearing)
{
}

IBKnobRotaterControl::IBKnobRotaterControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx,
                                           EDirection direction, double gearing)
  : IBKnobControl(bounds, bitmap, paramIdx, direction, gearing)
{
}

void IBKnobRotaterControl::Draw(IGraphics& g)
{
  const double angle = kMinAngle + (kMaxAngle - kMinAngle) * GetValue();
  g.DrawRotatedBitmap(mBitmap, mRECT.MW(), mRECT.MH(), angle, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IBSliderControl

namespace {
IRECT SliderBounds(float x, float y, float trackLength, const IBitmap& handle, EDirection direction)
{
  return direction == EDirection::Horizontal ? IRECT(x, y, x + trackLength, y + handle.FH())
                                             : IRECT(x, y, x + handle.FW(), y + trackLength);
}

float HandleSize(const IBitmap& handle, EDirection direction)
{
  return direction == EDirection::Horizontal ? handle.FW() : handle.FH();
}
} // namespace

IBSliderControl::IBSliderControl(float x, float y, float trackLength, const IBitmap& handleBitmap,
                                 const IBitmap& trackBitmap, int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(SliderBounds(x, y, trackLength, handleBitmap, direction), paramIdx, direction, gearing,
                       HandleSize(handleBitmap, direction)),
    IBitmapBase(handleBitmap), mTrackBitmap(trackBitmap)
{
  AttachIControl(this);
}

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, HandleSize(handleBitmap, direction)),
    IBitmapBase(handleBitmap), mTrackBitmap(trackBitmap)
{
  AttachIControl(this);
}

void IBSliderControl::OnResize()
{
  if (mTrackBitmap.IsValid())
    mTrackBounds = FrameBoundsIn(mRECT, mTrackBitmap);
  else if (mDirection == EDirection::Vertical)
    mTrackBounds = IRECT(mRECT.MW() - 0.5f * mBitmap.FW(), mRECT.T, mRECT.MW() + 0.5f * mBitmap.FW(), mRECT.B);
  else
    mTrackBounds = IRECT(mRECT.L, mRECT.MH() - 0.5f * mBitmap.FH(), mRECT.R, mRECT.MH() + 0.5f * mBitmap.FH());
  SetDirty(false);
}

IRECT IBSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0)
    value = GetValue();
  const float w = mBitmap.FW(), h = mBitmap.FH();
  const float v = static_cast<float>(value);
  float x = mTrackBounds.L, y = mTrackBounds.T;
  if (mDirection == EDirection::Horizontal)
    x += (mTrackBounds.W() - w) * v;
  else
    y += (mTrackBounds.H() - h) * (1.f - v);
  return IRECT(x, y, x + w, y + h);
}

void IBSliderControl::Draw(IGraphics& g)
{
  if (mTrackBitmap.IsValid())
    g.DrawBitmapFrame(mTrackBitmap, FrameBoundsIn(mRECT, mTrackBitmap), 1, &mBlend);
  g.DrawBitmapFrame(mBitmap, GetHandleBounds(), 1, &mBlend);
}

// ---------------------------------------------------------------------------------------
// IBTextControl

IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCentre,
                             EBlend blend)
  : ITextControl(bounds, str, text, COLOR_TRANSPARENT), IBitmapBase(bitmap), mCharWidth(charWidth),
    mCharHeight(charHeight), mCharOffset(charOffset), mMultiLine(multiLine), mVCentre(vCentre)
{
  mBlend = IBlend(blend, 1.f);
}

void IBTextControl::Draw(IGraphics& g)
{
  g.DrawBitmapText(mBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre, mMultiLine, mCharWidth, mCharHeight,
                   mCharOffset);
}

// ---------------------------------------------------------------------------------------
// IBMeterControl

IBMeterControl::IBMeterControl(const IRECT& bounds, const IBitmap& bitmap, float topDB, float bottomDB,
                               int response)
  : IBitmapControl(bounds, bitmap), mTopDB(topDB), mBottomDB(bottomDB), mResponse(response)
{
}

double IBMeterControl::LevelToValue(float level) const
{
  double v = level;
  if (mResponse == kDecibels)
  {
    constexpr double kDBPerNeper = 8.685889638065037; // 20 / ln 10
    v = (kDBPerNeper * std::log(std::fabs(v)) + std::fabs(mBottomDB)) / std::fabs(mTopDB - mBottomDB);
  }
  return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
}

void IBMeterControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  if (msgTag != 0 || mDisabled)
    return;
  int32_t chanOffset = 0;
  float level = 0.f;
  if (pData && dataSize >= kRecordSize)
  {
    const auto* bytes = static_cast<const unsigned char*>(pData);
    std::memcpy(&chanOffset, bytes + 8, sizeof(chanOffset));
    std::memcpy(&level, bytes + kLevelOffset, sizeof(level));
  }
  // The offset comes from outside: a channel the meter does not have changes nothing.
  if (!ValidValIdx(chanOffset))
    return;
  SetValue(LevelToValue(level), chanOffset);
  SetDirty(false);
}

} // namespace igraphics
} // namespace plug
