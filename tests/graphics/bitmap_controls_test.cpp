// The bitmap controls attached to a headless graphics context with bitmaps loaded from image
// files: the frame each draws for its value (at the value boundaries, and with a bitmap of
// one frame), switch stepping, the button's return, the rotating knob, the slider's handle,
// bitmap text, the meter's level records (bounds-checked) and reloading for the screen.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ExpectRect.h"
#include "StockFixture.h"
#include "PngImage.h"
#include "TempDir.h"
#include "graphics/controls/IBControls.h"

using namespace testgraphics;

namespace {

struct BitmapFixture : StockFixture
{
  BitmapFixture() { g->SetResourceFolder(dir.Path()); }

  // A w × h image (of any content) loaded as a bitmap of n frames.
  IBitmap Load(const std::string& name, int w, int h, int nFrames = 1, bool horizontal = false)
  {
    EXPECT_TRUE(testsupport::WritePNG(dir.File(name), w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4, 0x80)));
    return g->LoadBitmap(name.c_str(), nFrames, horizontal);
  }

  // The bitmap drawings of the control.
  std::vector<DrawCall> BitmapsOf(IControl* control)
  {
    DrawOf(control);
    return g->CallsOf(DrawCall::Kind::Bitmap);
  }

  // The frame (from 1) the control draws of a stacked bitmap with frames frameH high.
  int FrameOf(IControl* control, float frameH)
  {
    const std::vector<DrawCall> drawn = BitmapsOf(control);
    EXPECT_EQ(drawn.size(), 1u);
    return drawn.empty() ? 0 : static_cast<int>(static_cast<float>(drawn[0].srcY) / frameH) + 1;
  }

  // A meter record: channel offset and level.
  void SendLevel(int ctrlTag, int chanOffset, float level, int size = IBMeterControl::kRecordSize, int msgTag = 0)
  {
    unsigned char record[IBMeterControl::kRecordSize] = {};
    const int32_t head[3] = {ctrlTag, 1, chanOffset};
    std::memcpy(record, head, sizeof(head));
    std::memcpy(record + IBMeterControl::kLevelOffset, &level, sizeof(level));
    dlg.SendControlMsgToUI(ctrlTag, msgTag, size, record);
  }

  testsupport::TempDir dir;
};

} // namespace

TEST_F(BitmapFixture, SwitchesAndButtonsShowTheFrameOfTheirValue)
{
  // Three frames of 30 stacked; bound to the three-state parameter.
  auto* sw = Attach(new IBSwitchControl(10.f, 10.f, Load("switch.png", 30, 90, 3), 2));
  EXPECT_EQ(sw->GetRECT(), IRECT(10.f, 10.f, 40.f, 40.f));
  std::vector<int> frames{FrameOf(sw, 30.f)};
  for (int i = 0; i < 3; ++i)
  {
    Click(20.f, 20.f);
    frames.push_back(FrameOf(sw, 30.f));
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 1}));
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 2 0.5", "value 2 1", "value 2 0"}));
  // The value rounds to the nearest frame.
  const std::vector<std::pair<double, int>> boundaries{{0.24, 1}, {0.26, 2}, {0.74, 2}, {0.76, 3}, {1.0, 3}};
  for (const auto& [value, frame] : boundaries)
  {
    sw->SetValueFromDelegate(value);
    EXPECT_EQ(FrameOf(sw, 30.f), frame) << value;
  }
  ExpectRect(BitmapsOf(sw)[0].rect, 10.f, 10.f, 40.f, 40.f);

  // One frame: centred in its bounds, alternating 1 and 0, always the one frame.
  auto* single = Attach(new IBSwitchControl(IRECT(100.f, 0.f, 200.f, 100.f), Load("one.png", 20, 20)));
  EXPECT_EQ(single->GetRECT(), IRECT(140.f, 40.f, 160.f, 60.f));
  std::vector<double> values;
  for (int i = 0; i < 3; ++i)
  {
    Click(150.f, 50.f);
    values.push_back(single->GetValue());
    EXPECT_EQ(FrameOf(single, 20.f), 1);
  }
  EXPECT_EQ(values, (std::vector<double>{1.0, 0.0, 1.0}));

  // A button of two stacked 40-point frames is one frame at its point, the second frame from
  // the click until its animation ends.
  g->SetClockMs(0.0);
  auto* button = Attach(new IBButtonControl(300.f, 20.f, Load("button.png", 40, 80, 2)));
  EXPECT_EQ(button->GetRECT(), IRECT(300.f, 20.f, 340.f, 60.f));
  Click(320.f, 40.f);
  EXPECT_EQ(FrameOf(button, 40.f), 2);
  g->Tick(150.0);
  EXPECT_EQ(button->GetValue(), 0.0);
  EXPECT_EQ(FrameOf(button, 40.f), 1);

  // The screen's scale reloads the bitmaps from the 2x files.
  Load("switch@2x.png", 60, 180);
  g->SetScreenScale(2.f);
  EXPECT_EQ(sw->GetBitmap().GetScale(), 2.f);
  EXPECT_EQ(sw->GetBitmap().N(), 3);
  EXPECT_EQ(FrameOf(sw, 30.f), 3);
}

TEST_F(BitmapFixture, KnobSliderTextAndMeter)
{
  // The rotating knob turns its whole bitmap about its centre, -130 to +130 degrees.
  auto* dial = Attach(new IBKnobRotaterControl(IRECT(0.f, 200.f, 40.f, 240.f), Load("dial.png", 40, 40), 0));
  const auto turnedBy = [&](float angle) {
    const IMatrix m = BitmapsOf(dial).at(0).transform;
    const IMatrix want = IMatrix().Translate(20.f, 220.f).Rotate(angle);
    return std::abs(m.mXX - want.mXX) < 1e-6 && std::abs(m.mYX - want.mYX) < 1e-6 && m.mTX == want.mTX;
  };
  EXPECT_TRUE(turnedBy(-130.f));
  // Dragged like any knob: 40 points of height times the gearing 4 sweep the range.
  Down(20.f, 220.f);
  Drag(20.f, 220.f, 0.f, -80.f);
  Up(20.f, 220.f);
  EXPECT_EQ(dial->GetValue(), 0.5);
  EXPECT_TRUE(turnedBy(0.f));
  dial->SetValueFromDelegate(1.0);
  EXPECT_TRUE(turnedBy(130.f));

  // A vertical slider without a track bitmap: a strip as wide as the handle (20 by 10); the
  // handle travels 190 points and a click jumps to the pointer.
  auto* slider = Attach(new IBSliderControl(100.f, 200.f, 200.f, Load("handle.png", 20, 10)));
  EXPECT_EQ(slider->GetRECT(), IRECT(100.f, 200.f, 120.f, 400.f));
  EXPECT_EQ(slider->GetHandleBounds(0.0), IRECT(100.f, 390.f, 120.f, 400.f));
  EXPECT_EQ(slider->GetHandleBounds(1.0), IRECT(100.f, 200.f, 120.f, 210.f));
  Click(110.f, 300.f);
  EXPECT_EQ(slider->GetValue(), 0.5);
  ExpectRect(BitmapsOf(slider).at(0).rect, 100.f, 295.f, 120.f, 305.f);

  // Horizontal over a track bitmap: the track is its frame centred in the bounds, drawn
  // first; the handle (10 by 20) runs along it, at its top.
  auto* across = Attach(new IBSliderControl(IRECT(200.f, 200.f, 420.f, 230.f), Load("knob.png", 10, 20),
                                            Load("track.png", 200, 10), -1, EDirection::Horizontal));
  EXPECT_EQ(across->GetTrackBounds(), IRECT(210.f, 210.f, 410.f, 220.f));
  across->SetValue(1.0);
  const std::vector<DrawCall> parts = BitmapsOf(across);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].rect, IRECT(210.f, 210.f, 410.f, 220.f));
  EXPECT_EQ(parts[1].rect, IRECT(400.f, 210.f, 410.f, 230.f));

  // Bitmap text: one frame per character of a 95-frame font, frame 1 the space; it never
  // takes the mouse.
  auto* text = Attach(new IBTextControl(IRECT(0.f, 300.f, 60.f, 312.f), Load("font.png", 6 * 95, 12, 95, true),
                                        DEFAULT_TEXT.WithAlign(EAlign::Near), "AB"));
  const std::vector<DrawCall> chars = BitmapsOf(text);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].srcX, ('A' - ' ') * 6);
  EXPECT_EQ(chars[1].rect, IRECT(6.f, 300.f, 12.f, 312.f));
  EXPECT_EQ(g->GetMouseControl(3.f, 305.f, false), nullptr);

  // The meter shows the level sent for its channel: 0 dB in a range of -72 to +12 dB is
  // 72/84 of the way, frame 9 of 10.
  auto* meter = new IBMeterControl(IRECT(300.f, 300.f, 320.f, 400.f), Load("meter.png", 20, 100, 10));
  g->AttachControl(meter, 7);
  SendLevel(7, 0, 1.f);
  EXPECT_NEAR(meter->GetValue(), 72.0 / 84.0, 1e-6);
  EXPECT_EQ(FrameOf(meter, 10.f), 9);
  // Channels it does not have, other message tags and a disabled meter change nothing.
  for (int offset : {1, -1, 1 << 30})
    SendLevel(7, offset, 0.01f);
  SendLevel(7, 0, 0.01f, IBMeterControl::kRecordSize, 3);
  meter->SetDisabled(true);
  SendLevel(7, 0, 0.01f);
  EXPECT_NEAR(meter->GetValue(), 72.0 / 84.0, 1e-6);
  meter->SetDisabled(false);
  // A record too short to hold a level reads as silence; far above the top holds at 1.
  SendLevel(7, 0, 1.f, 8);
  EXPECT_EQ(meter->GetValue(), 0.0);
  SendLevel(7, 0, 100.f);
  EXPECT_EQ(meter->GetValue(), 1.0);
  // Linear, the level is the value.
  IBMeterControl linear(IRECT(), IBitmap(), 0.f, 0.f, IBMeterControl::kLinear);
  EXPECT_EQ(linear.LevelToValue(0.25f), 0.25);
  EXPECT_EQ(linear.LevelToValue(-2.f), 0.0);
}
