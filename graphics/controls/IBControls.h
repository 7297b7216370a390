#pragma once
// Controls drawn from bitmaps the editor loaded: each pairs a behaviour base with IBitmapBase,
// which holds the bitmap and draws the frame that matches the control's value. A bitmap may
// hold several frames side by side or stacked; frames are numbered from 1. The bitmaps
// themselves belong to the graphics context's cache; the controls keep copies of the handles
// and replace them with the context's scaled bitmaps when the editor's scale changes.
// Main thread only.

#include "graphics/IControls.h"
#include "graphics/controls/IBitmapBase.h"
#include "graphics/controls/IControlBases.h"
#include "graphics/controls/ITextControls.h"

namespace plug {
namespace igraphics {

// A momentary button showing the frame of its value (frame 1 at rest, the last while pressed).
class IBButtonControl : public IButtonControlBase, public IBitmapBase
{
public:
  // One frame in size at (x, y).
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);
  // One frame in size, centred in bounds.
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);

  void Draw(IGraphics& g) override { DrawBitmapFrame(g); }
  void OnRescale() override { RescaleBitmap(); }
};

// A switch that steps through the frames of its bitmap on each click, wrapping from the last
// to the first; a bitmap of one frame alternates between 1 and 0.
class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1);
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1);

  void Draw(IGraphics& g) override { DrawBitmapFrame(g); }
  // Steps by one frame; the switch base's state count plays no part.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnRescale() override { RescaleBitmap(); }
};

// A knob dragged with the mouse that shows the frame of its value.
class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1,
                EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing);
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1,
                EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing);

  void Draw(IGraphics& g) override { DrawBitmapFrame(g); }
  void OnRescale() override { RescaleBitmap(); }
};

// A knob that turns its whole bitmap about the centre of its rectangle: -130 degrees at 0,
// +130 at 1.
class IBKnobRotaterControl : public IBKnobControl
{
public:
  static constexpr float kMinAngle = -130.f;
  static constexpr float kMaxAngle = 130.f;

  IBKnobRotaterControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1,
                       EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing);
  IBKnobRotaterControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1,
                       EDirection direction = EDirection::Vertical, double gearing = kDefaultGearing);

  void Draw(IGraphics& g) override;
};

// A slider: a handle bitmap moving along a track, drawn over an optional track bitmap.
class IBSliderControl : public ISliderControlBase, public IBitmapBase
{
public:
  // From (x, y), trackLength long in the direction and as thick as the handle.
  IBSliderControl(float x, float y, float trackLength, const IBitmap& handleBitmap,
                  const IBitmap& trackBitmap = IBitmap(), int paramIdx = -1,
                  EDirection direction = EDirection::Vertical,
                  double gearing = IKnobControlBase::kDefaultGearing);
  IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap = IBitmap(),
                  int paramIdx = -1, EDirection direction = EDirection::Vertical,
                  double gearing = IKnobControlBase::kDefaultGearing);

  void Draw(IGraphics& g) override;
  // The track: one frame of the track bitmap centred in the rectangle, or without one a strip
  // as thick as the handle along the whole rectangle.
  void OnResize() override;
  // Rescales the handle bitmap.
  void OnRescale() override { RescaleBitmap(); }

  // The handle's rectangle for a value; the current one for a negative value.
  IRECT GetHandleBounds(double value = -1.0) const;
  const IBitmap& GetTrackBitmap() const { return mTrackBitmap; }

protected:
  IBitmap mTrackBitmap;
};

// A static string drawn with a bitmap font: one frame per character.
class IBTextControl : public ITextControl, public IBitmapBase
{
public:
  IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text = DEFAULT_TEXT, const char* str = "",
                int charWidth = 6, int charHeight = 12, int charOffset = 0, bool multiLine = false,
                bool vCentre = true, EBlend blend = EBlend::SrcOver);

  void Draw(IGraphics& g) override;
  void OnRescale() override { RescaleBitmap(); }

protected:
  int mCharWidth;
  int mCharHeight;
  int mCharOffset;
  bool mMultiLine;
  bool mVCentre;
};

// A meter showing the frame of the level the plug-in sends it. A message of tag 0 carries a
// record of at least 20 bytes: control tag, channel count and channel offset (32-bit integers
// at bytes 0, 4 and 8) and the level (a float at byte 16); a shorter one reads as level 0 on
// channel 0. The level of the channel at the offset becomes that value, on a decibel scale
// between the range's bottom and top or linear. A disabled meter ignores its messages.
class IBMeterControl : public IBitmapControl
{
public:
  enum EResponse : int32_t
  {
    kLinear = 0,
    kDecibels = 1
  };
  static constexpr int kRecordSize = 20;
  static constexpr int kLevelOffset = 16;

  IBMeterControl(const IRECT& bounds, const IBitmap& bitmap, float topDB = 12.f, float bottomDB = -72.f,
                 int response = kDecibels);

  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override;

  // A level as the meter shows it, 0 to 1.
  double LevelToValue(float level) const;

protected:
  float mTopDB;
  float mBottomDB;
  int mResponse;
};

} // namespace igraphics
} // namespace plug
