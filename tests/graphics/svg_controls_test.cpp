// The SVG controls attached to a headless graphics context: which image and which colour the
// two-state controls draw for their value and the mouse, the knob's turn, the switch's image
// per state (kept within its images), and the slider's layout, travel and handle.

#include <gtest/gtest.h>

#include <string>

#include "ExpectRect.h"
#include "StockFixture.h"
#include "graphics/IControls.h"
#include "graphics/controls/ISVGControls.h"

using namespace testgraphics;

namespace {

// A square document of one filled (and, with a stroke colour, stroked) rectangle.
std::string RectSVG(const char* fill, const char* rect = R"(x="0" y="0" width="10" height="10")",
                    const char* stroke = nullptr, const char* size = R"(width="10" height="10")")
{
  std::string s = std::string("<svg ") + size + "><rect " + rect + " fill=\"" + fill + "\"";
  if (stroke)
    s += std::string(" stroke=\"") + stroke + "\" stroke-width=\"1\"";
  return s + "/></svg>";
}

struct SVGControlsTest : StockFixture
{
  ISVGImage Parse(const std::string& name, const std::string& text)
  {
    const ISVGImage svg = g->LoadSVG(name.c_str(), static_cast<const void*>(text.data()), static_cast<int>(text.size()));
    EXPECT_TRUE(svg.IsValid());
    return svg;
  }
  // The colour of the first fill and the first stroke the control draws.
  IColor FillOf(IControl* control, DrawCall::Kind kind = DrawCall::Kind::Fill)
  {
    for (const DrawCall& call : DrawOf(control))
      if (call.kind == kind)
        return call.Color();
    return COLOR_TRANSPARENT;
  }
};

} // namespace

TEST_F(SVGControlsTest, TwoStateControlsPickTheirImageAndReplacementColour)
{
  dlg.GetParam(3)->DefineBool("Power", false);
  const ISVGImage red = Parse("red.svg", RectSVG("red")), blue = Parse("blue.svg", RectSVG("blue"));
  auto* toggle = Attach(new ISVGToggleControl(IRECT(0.f, 0.f, 20.f, 20.f), 3, red, blue));
  toggle->SetValue(0.5);
  EXPECT_EQ(FillOf(toggle), COLOR_RED);
  toggle->SetValue(0.51);
  EXPECT_EQ(FillOf(toggle), COLOR_BLUE);
  dlg.mLog.clear();
  Click(10.f, 10.f);
  EXPECT_EQ(toggle->GetValue(), 0.0);
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 3 0"}));

  // One image, its fill replaced by the colour of the state and the mouse; the stroke keeps
  // the image's own colour.
  const ISVGImage framed = Parse("framed.svg", RectSVG("red", R"(x="1" y="1" width="8" height="8")", "lime"));
  const IColor off(255, 1, 1, 1), on(255, 2, 2, 2), offOver(255, 3, 3, 3), onOver(255, 4, 4, 4);
  auto* filled = Attach(new ISVGToggleControl(IRECT(30.f, 0.f, 50.f, 20.f), nullptr, framed,
                                              EColorReplacement::Fill, off, on, offOver, onOver));
  EXPECT_EQ(FillOf(filled), off);
  g->EnableMouseOver(true);
  g->OnMouseOver(40.f, 10.f, IMouseMod());
  EXPECT_EQ(FillOf(filled), offOver);
  Click(40.f, 10.f);
  EXPECT_EQ(FillOf(filled), onOver);
  EXPECT_EQ(FillOf(filled, DrawCall::Kind::Stroke), COLOR_GREEN);
  g->OnMouseOut();
  EXPECT_EQ(FillOf(filled), on);

  // Stroke replacement leaves the fill alone.
  auto* stroked = Attach(new ISVGButtonControl(IRECT(60.f, 0.f, 80.f, 20.f), IControl::DefaultClickActionFunc,
                                               framed, EColorReplacement::Stroke, off, on, offOver, onOver));
  EXPECT_EQ(FillOf(stroked), COLOR_RED);
  EXPECT_EQ(FillOf(stroked, DrawCall::Kind::Stroke), off);

  // The two-image button shows its on image from the click until its animation ends.
  auto* button = Attach(new ISVGButtonControl(IRECT(90.f, 0.f, 110.f, 20.f), IControl::DefaultClickActionFunc,
                                              red, blue));
  g->SetClockMs(0.0);
  Click(100.f, 10.f);
  g->Tick(50.0);
  EXPECT_EQ(FillOf(button), COLOR_BLUE);
  g->Tick(60.0);
  EXPECT_EQ(FillOf(button), COLOR_RED);
}

TEST_F(SVGControlsTest, KnobTurnsItsImageAndSwitchShowsTheNearestStatesImage)
{
  // A pointer from the centre straight up.
  const ISVGImage pointer = Parse("pointer.svg", RectSVG("black", R"(x="48" y="0" width="4" height="50")", nullptr,
                                                         R"(width="100" height="100")"));
  auto* knob = Attach(new ISVGKnobControl(IRECT(0.f, 0.f, 100.f, 100.f), pointer, 0));
  knob->SetValue(0.5);
  ExpectRect(DrawOf(knob)[0].PathBounds(), 48.f, 0.f, 52.f, 50.f, 1e-3f);
  // At 1 it has turned 135 degrees clockwise: the tip lies down to the right.
  knob->SetValue(1.0);
  const IRECT turned = DrawOf(knob)[0].PathBounds();
  EXPECT_NEAR(turned.R, 50.f + 50.f * 0.7071f + 2.f * 0.7071f, 0.01f);
  EXPECT_NEAR(turned.B, 50.f + 50.f * 0.7071f + 2.f * 0.7071f, 0.01f);
  // Its drag is the knob base's: 100 points up at gearing 4 is a quarter of the range.
  knob->SetValue(0.0);
  Down(50.f, 50.f);
  Drag(50.f, 50.f, 0.f, -100.f);
  Up(50.f, 50.f);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);

  const std::vector<ISVGImage> images{Parse("s0.svg", RectSVG("red")), Parse("s1.svg", RectSVG("lime")),
                                      Parse("s2.svg", RectSVG("blue"))};
  auto* three = Attach(new ISVGSwitchControl(IRECT(200.f, 0.f, 220.f, 20.f), images));
  three->SetValue(0.74);
  EXPECT_EQ(FillOf(three), COLOR_GREEN);
  three->SetValue(0.76);
  EXPECT_EQ(FillOf(three), COLOR_BLUE);
  Click(210.f, 10.f); // wraps from the last state
  EXPECT_EQ(FillOf(three), COLOR_RED);

  // Bound to a parameter of five states, the states beyond the three images show the last.
  auto* bound = Attach(new ISVGSwitchControl(IRECT(300.f, 0.f, 320.f, 20.f), images, 1));
  EXPECT_EQ(bound->GetNumStates(), 5);
  EXPECT_EQ(bound->ImageIndex(0.5), 2);
  bound->SetValue(1.0);
  EXPECT_EQ(FillOf(bound), COLOR_BLUE);
  auto* empty = Attach(new ISVGSwitchControl(IRECT(400.f, 0.f, 420.f, 20.f), {}));
  EXPECT_EQ(empty->ImageIndex(1.0), -1);
  EXPECT_TRUE(DrawOf(empty).empty());
}

TEST_F(SVGControlsTest, SliderRunsItsHandleAlongTheTrackImage)
{
  const ISVGImage track = Parse("track.svg", RectSVG("gray", R"(x="0" y="0" width="200" height="20")", nullptr,
                                                     R"(width="200" height="20")"));
  const ISVGImage handle = Parse("handle.svg", RectSVG("red", R"(x="0" y="0" width="20" height="40")", nullptr,
                                                       R"(width="20" height="40")"));
  // 100 points long: everything at half size, centred on the control.
  auto* slider = Attach(new ISVGSliderControl(IRECT(0.f, 0.f, 100.f, 50.f), handle, track, 0,
                                              EDirection::Horizontal));
  ExpectRect(slider->GetTrackSVGBounds(), 0.f, 20.f, 100.f, 30.f);
  ExpectRect(slider->GetTrackBounds(), 10.f, 20.f, 100.f, 30.f);
  ExpectRect(slider->GetHandleBounds(0.0), 0.f, 15.f, 10.f, 35.f);
  ExpectRect(slider->GetHandleBounds(1.0), 90.f, 15.f, 100.f, 35.f);

  // A click jumps to the pointer along the travel; the handle is drawn there over the track.
  Click(55.f, 25.f);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
  const std::vector<DrawCall> calls = DrawOf(slider);
  ASSERT_EQ(calls.size(), 2u);
  ExpectRect(calls[0].PathBounds(), 0.f, 20.f, 100.f, 30.f);
  ExpectRect(calls[1].PathBounds(), 45.f, 15.f, 55.f, 35.f);

  // Vertical: the track image as tall as the control, value 1 at the top.
  const ISVGImage upTrack = Parse("uptrack.svg", RectSVG("gray", R"(x="0" y="0" width="20" height="200")", nullptr,
                                                         R"(width="20" height="200")"));
  const ISVGImage upHandle = Parse("uphandle.svg", RectSVG("red", R"(x="0" y="0" width="40" height="20")", nullptr,
                                                           R"(width="40" height="20")"));
  auto* upright = Attach(new ISVGSliderControl(IRECT(200.f, 0.f, 300.f, 100.f), upHandle, upTrack));
  ExpectRect(upright->GetTrackSVGBounds(), 245.f, 0.f, 255.f, 100.f);
  ExpectRect(upright->GetHandleBounds(1.0), 240.f, 0.f, 260.f, 10.f);
  ExpectRect(upright->GetHandleBounds(0.0), 240.f, 90.f, 260.f, 100.f);
}

TEST_F(SVGControlsTest, AFailureWhileTheLayerIsBuiltLeavesNoLayerBehind)
{
  auto* control = new ISVGControl(IRECT(10.f, 10.f, 30.f, 30.f), Parse("red.svg", RectSVG("#ff0000")), true);
  g->AttachControl(control);
  g->mFailNextFill = true;
  EXPECT_THROW(DrawOf(control), std::runtime_error);
  // The next frame builds the layer again and draws it into the frame, not into an orphan.
  const std::vector<DrawCall> calls = DrawOf(control);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().kind, DrawCall::Kind::Bitmap);
  EXPECT_EQ(calls.back().target, nullptr);
}
