// The stock vector controls attached to a headless graphics context and driven by its events:
// switches stepping and wrapping, the button's return at the end of its splash, knob and
// slider drags with gearing, fine adjustment, steps and the wheel, the knob's value prompt,
// tab and radio switches, the toggle's texts, the range slider's handles, and the drawing each
// records.

#include <gtest/gtest.h>

#include <memory>

#include "ExpectRect.h"
#include "StockFixture.h"
#include "TestControl.h"
#include "graphics/controls/IVButtonControls.h"
#include "graphics/controls/IVKnobControls.h"
#include "graphics/controls/IVTrackControls.h"
#include "plug/IParam.h"

using namespace testgraphics;

TEST_F(StockFixture, SwitchesStepWrapAndShowTheirParameter)
{
  auto* three = Attach(new IVSwitchControl(IRECT(0.f, 0.f, 60.f, 30.f), nullptr, "", kBare, 3));
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i)
  {
    Click(30.f, 15.f);
    seen.push_back(three->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0}));
  // A double click is a second click.
  g->OnMouseDblClick(30.f, 15.f, IMouseMod(true));
  Up(30.f, 15.f);
  EXPECT_EQ(three->GetValue(), 0.5);

  // Pressed only while the mouse is down.
  Down(30.f, 15.f);
  EXPECT_EQ(OfColor(DrawOf(three), DEFAULT_PRCOLOR).size(), 1u);
  Up(30.f, 15.f);
  EXPECT_TRUE(OfColor(DrawOf(three), DEFAULT_PRCOLOR).empty());

  auto* one = Attach(new IVSwitchControl(IRECT(100.f, 0.f, 160.f, 30.f), nullptr, "", kBare, 1));
  Click(130.f, 15.f);
  Click(130.f, 15.f);
  EXPECT_EQ(one->GetValue(), 0.0);

  // Bound to an integer parameter 0..4: five states whatever the constructor said, the
  // parameter's name as label, the value with its unit label from OnInit until the next
  // SetDirty (the resize of the attach already drops it).
  auto* bound = Attach(new IVSwitchControl(IRECT(200.f, 0.f, 260.f, 30.f), 1));
  EXPECT_EQ(bound->GetNumStates(), 5);
  EXPECT_STREQ(bound->GetLabelStr(), "Steps");
  EXPECT_STREQ(bound->GetValueStr(), "0");
  bound->OnInit();
  EXPECT_STREQ(bound->GetValueStr(), "0 st");
  const float cx = bound->GetWidgetBounds().MW(), cy = bound->GetWidgetBounds().MH();
  dlg.mLog.clear();
  Click(cx, cy);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 1", "value 1 0.25", "end 1"}));
  EXPECT_STREQ(bound->GetValueStr(), "1");

  // Its per-state flags keep the constructor's two states: a state beyond them is never
  // written and reads as enabled.
  bound->SetStateDisabled(4, true);
  EXPECT_FALSE(bound->GetStateDisabled(4));
  bound->SetStateDisabled(1, true);
  EXPECT_TRUE(bound->GetStateDisabled(1));
}

// A host thread's restore has the parameter elsewhere for a moment while the editor is given a
// value: a switch and a knob take their text from the parameter as it is then. When the restore
// ends on the value the control already holds, the editor's value draws the text again.
TEST_F(StockFixture, SwitchesAndKnobsShowTheirParameterAfterAHostThreadMovedIt)
{
  auto* tilt = Attach(new IVSwitchControl(IRECT(0.f, 0.f, 60.f, 30.f), 2, "", DEFAULT_STYLE));
  auto* knob = Attach(new IVKnobControl(IRECT(100.f, 0.f, 200.f, 100.f), 0, "", DEFAULT_STYLE));
  dlg.GetParam(2)->Set(2.0); // "HI"
  dlg.GetParam(0)->Set(7.0);
  dlg.SendParamValueToUI(2, 0.5, true); // "MD", sent before the restore began
  dlg.SendParamValueToUI(0, 0.5, true); // 5 dB
  EXPECT_STREQ(tilt->GetValueStr(), "HI");
  EXPECT_STREQ(knob->GetValueStr(), "7.00 dB");

  dlg.GetParam(2)->Set(1.0);
  dlg.GetParam(0)->Set(5.0);
  for (IControl* control : {static_cast<IControl*>(tilt), static_cast<IControl*>(knob)})
    control->SetClean();
  dlg.SendParamValueToUI(2, 0.5, true);
  dlg.SendParamValueToUI(0, 0.5, true);
  EXPECT_TRUE(tilt->IsDirty());
  EXPECT_TRUE(knob->IsDirty());
  EXPECT_EQ(TextsOf(DrawOf(tilt)), (Strings{"Tilt", "MD"}));
  EXPECT_EQ(TextsOf(DrawOf(knob)), (Strings{"Drive", "5.00 dB"}));

  // A control that draws no text of its parameter is not drawn again for the value it holds.
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0.f, 200.f, 90.f, 230.f), 2));
  dlg.SendParamValueToUI(2, 0.5, true);
  tabs->SetClean();
  dlg.SendParamValueToUI(2, 0.5, true);
  EXPECT_FALSE(tabs->IsDirty());
}

TEST_F(StockFixture, ButtonReturnsToZeroOnlyWhenItsSplashEnds)
{
  // Laid out with a handle: frame 2 and shadow 3 leave the widget (4, 1, 96, 96).
  auto* button = Attach(new IVButtonControl(IRECT(0.f, 0.f, 100.f, 100.f), IControl::SplashActionFunc, "",
                                            DEFAULT_STYLE.WithFrameThickness(2.f)));
  ExpectRect(button->GetWidgetBounds(), 4.f, 1.f, 96.f, 96.f);
  EXPECT_FALSE(button->IsHit(2.f, 50.f));

  g->SetClockMs(0.0);
  Click(40.f, 30.f);
  EXPECT_EQ(button->GetValue(), 1.0);
  g->Tick(60.0);
  EXPECT_EQ(button->GetValue(), 1.0);
  // Still pressed: the splash grows from the click, clipped to the handle.
  const std::vector<DrawCall> pressed = DrawOf(button);
  ASSERT_EQ(OfColor(pressed, DEFAULT_PRCOLOR).size(), 1u);
  const std::vector<DrawCall> splash = OfColor(pressed, DEFAULT_HLCOLOR);
  ASSERT_FALSE(splash.empty());
  ExpectRect(splash[0].PathBounds(), 10.f, 0.f, 70.f, 60.f);

  g->Tick(50.0);
  EXPECT_EQ(button->GetValue(), 0.0);
  EXPECT_FALSE(button->GetAnimationFunction());
  EXPECT_TRUE(OfColor(DrawOf(button), DEFAULT_PRCOLOR).empty());
}

TEST_F(StockFixture, KnobDragGearingFineAdjustmentStepsAndWheel)
{
  // A 200 by 100 widget drags over a centred 50 by 100 area: 100 points of travel, times
  // the gearing 4, sweep the whole range.
  auto* knob = Attach(new IVKnobControl(IRECT(0.f, 0.f, 200.f, 100.f), 0, "", kBare));
  ExpectRect(knob->DragBounds(), 75.f, 0.f, 125.f, 100.f);
  dlg.mLog.clear();
  Down(100.f, 50.f);
  EXPECT_TRUE(g->IsCursorHidden());
  for (int i = 0; i < 4; ++i)
    Drag(100.f, 50.f, 0.f, -100.f);
  EXPECT_EQ(knob->GetValue(), 1.0);
  Drag(100.f, 50.f, 0.f, -100.f); // beyond the end: stays
  Up(100.f, 50.f);
  EXPECT_FALSE(g->IsCursorHidden());
  EXPECT_EQ(dlg.mLog.front(), "begin 0");
  EXPECT_EQ(dlg.mLog.back(), "end 0");
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), 10.0);
  EXPECT_STREQ(knob->GetValueStr(), "10.00 dB");

  // Back to 0, then the same travel with shift is a tenth of the range.
  Down(100.f, 50.f);
  Drag(100.f, 50.f, 0.f, 400.f);
  EXPECT_EQ(knob->GetValue(), 0.0);
  for (int i = 0; i < 4; ++i)
    Drag(100.f, 50.f, 0.f, -100.f, IMouseMod(true, false, true));
  Up(100.f, 50.f);
  EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);

  // No gearing (or no extent) gives no finite change: the drag leaves the value alone.
  knob->SetGearing(0.0);
  Down(100.f, 50.f);
  Drag(100.f, 50.f, 0.f, -10.f);
  Up(100.f, 50.f);
  EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);

  // Wheel on a continuous parameter: a hundredth of the delta, a thousandth with shift.
  g->OnMouseWheel(100.f, 50.f, IMouseMod(), 3.f);
  EXPECT_NEAR(knob->GetValue(), 0.13, 1e-9);
  g->OnMouseWheel(100.f, 50.f, IMouseMod(false, false, true), 3.f);
  EXPECT_NEAR(knob->GetValue(), 0.133, 1e-9);

  // A stepped parameter (5 values, a step is 0.25): small moves add up unstepped and show
  // only once they pass half a step.
  auto* stepped = Attach(new IVKnobControl(IRECT(300.f, 0.f, 500.f, 100.f), 1, "", kBare));
  Down(400.f, 50.f);
  for (int i = 0; i < 4; ++i)
    Drag(400.f, 50.f, 0.f, -10.f);
  EXPECT_EQ(stepped->GetValue(), 0.0);
  Drag(400.f, 50.f, 0.f, -10.f);
  Drag(400.f, 50.f, 0.f, -10.f);
  EXPECT_EQ(stepped->GetValue(), 0.25);
  Up(400.f, 50.f);

  // One wheel event is one step whatever its size; none for a delta of 0.
  g->OnMouseWheel(400.f, 50.f, IMouseMod(), 3.f);
  EXPECT_EQ(stepped->GetValue(), 0.5);
  g->OnMouseWheel(400.f, 50.f, IMouseMod(), -0.1f);
  EXPECT_EQ(stepped->GetValue(), 0.25);
  g->OnMouseWheel(400.f, 50.f, IMouseMod(), 0.f);
  EXPECT_EQ(stepped->GetValue(), 0.25);
  EXPECT_DOUBLE_EQ(dlg.GetParam(1)->Value(), 1.0);

  // A tall widget drags over half its width.
  stepped->SetSize(40.f, 100.f);
  ExpectRect(stepped->DragBounds(), 300.f, 40.f, 340.f, 60.f);
}

TEST_F(StockFixture, KnobGeometryArcAndPointer)
{
  auto* knob = Attach(new IVKnobControl(IRECT(0.f, 0.f, 60.f, 60.f), nullptr, "", kBare));
  EXPECT_FLOAT_EQ(knob->GetRadius(), 29.f);
  ExpectRect(knob->GetArcBounds(), -1.f, -1.f, 61.f, 61.f);
  knob->SetValue(0.5);
  std::vector<DrawCall> calls = DrawOf(knob);

  // The arc from the anchor (-135) to straight up, radius 29, in colour extra 1.
  const std::vector<DrawCall> arc = OfColor(calls, DEFAULT_X1COLOR);
  ASSERT_EQ(arc.size(), 1u);
  ASSERT_EQ(arc[0].CountOps(PathOp::Kind::Arc), 1);
  EXPECT_EQ(arc[0].path[0].r, 29.f);
  EXPECT_EQ(arc[0].path[0].a1, -135.f);
  EXPECT_EQ(arc[0].path[0].a2, 0.f);
  EXPECT_EQ(arc[0].thickness, 2.f);
  // The handle: an ellipse of diameter 2 × (29 - 4) = 50.
  const std::vector<DrawCall> face = OfColor(calls, DEFAULT_FGCOLOR);
  ASSERT_EQ(face.size(), 1u);
  ExpectRect(face[0].PathBounds(), 5.f, 5.f, 55.f, 55.f);
  // The pointer points up, from a tenth of the handle's radius to its rim.
  const std::vector<DrawCall> pointer = calls.back().kind == DrawCall::Kind::Stroke
                                          ? std::vector<DrawCall>{calls.back()}
                                          : std::vector<DrawCall>{};
  ASSERT_EQ(pointer.size(), 1u);
  const std::vector<PathPoint> ends = pointer[0].Points();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_NEAR(ends[0].x, 30.f, 1e-4f);
  EXPECT_NEAR(ends[0].y, 27.5f, 1e-4f);
  EXPECT_NEAR(ends[1].x, 30.f, 1e-4f);
  EXPECT_NEAR(ends[1].y, 5.f, 1e-4f);
  EXPECT_EQ(pointer[0].Color(), DEFAULT_FRCOLOR);
  EXPECT_EQ(pointer[0].thickness, 2.5f);

  // Anchored at 0, a quarter of the way runs from -67.5 to 0; without a track no arc.
  auto* centred = Attach(new IVKnobControl(IRECT(100.f, 0.f, 160.f, 60.f), nullptr, "", kBare, false, false,
                                           -135.f, 135.f, 0.f));
  centred->SetValue(0.25);
  const std::vector<DrawCall> centredArc = OfColor(DrawOf(centred), DEFAULT_X1COLOR);
  ASSERT_EQ(centredArc.size(), 1u);
  EXPECT_EQ(centredArc[0].path[0].a1, -67.5f);
  EXPECT_EQ(centredArc[0].path[0].a2, 0.f);
  auto* flat = Attach(new IVKnobControl(IRECT(200.f, 0.f, 260.f, 60.f), nullptr, "", kBare, false, false,
                                        -135.f, 135.f, -135.f, EDirection::Vertical, 4.0, 0.f));
  flat->SetValue(1.0);
  EXPECT_TRUE(OfColor(DrawOf(flat), DEFAULT_X1COLOR).empty());

  // Before it is attached a knob has no rectangles, and laying it out then measures
  // nothing (there is no context to measure with).
  auto loose = std::make_unique<IVKnobControl>(IRECT(0.f, 0.f, 60.f, 80.f), 0, "Drive");
  EXPECT_TRUE(loose->GetWidgetBounds().Empty());
  loose->OnResize();
  EXPECT_EQ(loose->GetLabelBounds().W(), 1.f);
  EXPECT_EQ(loose->GetValueBounds().H(), 0.f);
}

TEST_F(StockFixture, ClickingTheKnobsValueTextPromptsInsteadOfDragging)
{
  // Label "Drive" on top (19 high), value "0.00 dB" below (14 high), widget between.
  auto* knob = Attach(new IVKnobControl(IRECT(100.f, 100.f, 200.f, 200.f), 0, "", DEFAULT_STYLE, true));
  EXPECT_STREQ(knob->GetLabelStr(), "Drive");
  ExpectRect(knob->GetValueBounds(), 150.f - 32.34f, 186.f, 150.f + 32.34f, 200.f);
  ExpectRect(knob->GetWidgetBounds(), 100.f, 119.f, 200.f, 186.f);

  Down(150.f, 193.f);
  EXPECT_FALSE(g->IsCursorHidden());
  ASSERT_TRUE(g->TextEntryOpen());
  EXPECT_EQ(g->LastTextEntry().bounds, knob->GetValueBounds());
  Up(150.f, 193.f);
  g->CommitTextEntry("5");
  EXPECT_EQ(knob->GetValue(), 0.5);
  EXPECT_STREQ(knob->GetValueStr(), "5.00 dB");

  // The widget drags.
  Down(150.f, 150.f);
  EXPECT_TRUE(g->IsCursorHidden());
  Drag(150.f, 150.f, 0.f, -10.f);
  Up(150.f, 150.f);
  EXPECT_GT(knob->GetValue(), 0.5);
  EXPECT_FALSE(g->TextEntryOpen());

  // Not editable: a value outside the widget is no part of the knob.
  auto* fixed = Attach(new IVKnobControl(IRECT(300.f, 100.f, 400.f, 200.f), 0));
  EXPECT_FALSE(fixed->IsHit(350.f, 193.f));
  EXPECT_TRUE(fixed->IsHit(350.f, 150.f));

  // Not editable with the value inside the widget: the click drags (there is nothing to
  // prompt for) rather than swallowing the whole knob.
  auto* inside = Attach(new IVKnobControl(IRECT(500.f, 100.f, 600.f, 200.f), 0, "", DEFAULT_STYLE, false, true));
  EXPECT_EQ(inside->GetValueBounds(), inside->GetWidgetBounds());
  const double before = inside->GetValue();
  Down(550.f, 160.f);
  Drag(550.f, 160.f, 0.f, -20.f);
  Up(550.f, 160.f);
  EXPECT_FALSE(g->TextEntryOpen());
  EXPECT_GT(inside->GetValue(), before);
}

TEST_F(StockFixture, SliderJumpsToTheClickUnlessStepped)
{
  // Widget (0, 0, 40, 220) inset by the handle size 10, narrowed to twice the track size.
  auto* slider = Attach(new IVSliderControl(IRECT(0.f, 0.f, 40.f, 220.f), 0, "", kBare, false,
                                            EDirection::Vertical, 4.0, 10.f, 2.f));
  ExpectRect(slider->GetTrackBounds(), 18.f, 10.f, 22.f, 210.f);
  Down(20.f, 60.34f);
  EXPECT_DOUBLE_EQ(slider->GetValue(), 0.748);
  EXPECT_TRUE(g->IsCursorHidden());
  Drag(20.f, 40.34f, 0.f, -20.f); // relative: 20 / 200 / 4
  EXPECT_NEAR(slider->GetValue(), 0.773, 1e-9);
  Up(20.f, 40.34f);

  auto* stepped = Attach(new IVSliderControl(IRECT(100.f, 0.f, 140.f, 220.f), 1, "", kBare, false,
                                             EDirection::Vertical, 4.0, 10.f, 2.f));
  Down(120.f, 15.f);
  EXPECT_EQ(stepped->GetValue(), 0.0);
  Drag(120.f, 15.f, 0.f, -120.f);
  EXPECT_EQ(stepped->GetValue(), 0.25);
  Up(120.f, 15.f);

  // Horizontal at 0: an empty filled part, the handle at the track's left end; with the
  // handle inside the track, the track reaches the widget's ends.
  auto* across = Attach(new IVSliderControl(IRECT(0.f, 300.f, 220.f, 340.f), nullptr, "", kBare, false,
                                            EDirection::Horizontal, 4.0, 10.f, 2.f));
  std::vector<DrawCall> calls = DrawOf(across);
  const std::vector<DrawCall> track = OfColor(calls, DEFAULT_SHCOLOR);
  ASSERT_FALSE(track.empty());
  ExpectRect(track[0].PathBounds(), 10.f, 318.f, 210.f, 322.f);
  const std::vector<DrawCall> filled = OfColor(calls, DEFAULT_X1COLOR);
  ASSERT_EQ(filled.size(), 1u);
  EXPECT_EQ(filled[0].PathBounds().W(), 0.f);
  const std::vector<DrawCall> handle = OfColor(calls, DEFAULT_FGCOLOR);
  ASSERT_EQ(handle.size(), 1u);
  ExpectRect(handle[0].PathBounds(), 0.f, 310.f, 20.f, 330.f);

  auto* inside = Attach(new IVSliderControl(IRECT(0.f, 400.f, 220.f, 440.f), nullptr, "", kBare, false,
                                            EDirection::Horizontal, 4.0, 10.f, 2.f, true));
  ExpectRect(OfColor(DrawOf(inside), DEFAULT_SHCOLOR)[0].PathBounds(), 0.f, 418.f, 220.f, 422.f);

  // No handle size: no handle.
  auto* bare = Attach(new IVSliderControl(IRECT(300.f, 0.f, 340.f, 220.f), nullptr, "", kBare, false,
                                          EDirection::Vertical, 4.0, 0.f, 2.f));
  EXPECT_TRUE(OfColor(DrawOf(bare), DEFAULT_FGCOLOR).empty());
}

TEST_F(StockFixture, TabSwitchesSelectDrawAndRoundTheirOuterCorners)
{
  // Options from the parameter's display texts, its name as label.
  auto* tilt = Attach(new IVTabSwitchControl(IRECT(0.f, 0.f, 300.f, 50.f), 2, {}, "", DEFAULT_STYLE));
  ASSERT_EQ(tilt->NOptions(), 3);
  EXPECT_STREQ(tilt->GetOptionText(2), "HI");
  EXPECT_STREQ(tilt->GetLabelStr(), "Tilt");
  ASSERT_EQ(tilt->NButtons(), 3);
  const IRECT middle = tilt->GetButtonBounds(1);
  dlg.mLog.clear();
  Click(middle.MW(), middle.MH());
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "value 2 0.5", "end 2"}));
  tilt->SetValueFromDelegate(0.74);
  EXPECT_STREQ(tilt->SelectedOptionText(), "MD");
  // Only the selected button is pressed.
  const std::vector<DrawCall> pressed = OfColor(DrawOf(tilt), DEFAULT_PRCOLOR);
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_TRUE(middle.Contains(pressed[0].PathBounds().MW(), pressed[0].PathBounds().MH()));
  tilt->SetValueFromDelegate(0.75);
  EXPECT_STREQ(tilt->SelectedOptionText(), "HI");
  tilt->OnMouseOver(middle.MW(), middle.MH(), IMouseMod());
  EXPECT_EQ(tilt->GetMouseOverButton(), 1);
  tilt->OnMouseOut();
  EXPECT_EQ(tilt->GetMouseOverButton(), -1);

  // A parameter of a very wide range: the count of states is taken without overflow and
  // capped, and the selected state is the nearest one within it.
  dlg.GetParam(3)->DefineDouble("Wide", 0.0, 0.0, 1e10, 1.0, "");
  auto* wide = Attach(new IVTabSwitchControl(IRECT(0.f, 400.f, 300.f, 430.f), 3, {}, "", kBare));
  EXPECT_EQ(wide->GetNumStates(), ISwitchControlBase::kMaxStates);
  ASSERT_EQ(wide->NOptions(), ISwitchControlBase::kMaxStates);
  wide->SetValueFromDelegate(1.0);
  EXPECT_EQ(wide->SelectedOptionText(), wide->GetOptionText(ISwitchControlBase::kMaxStates - 1));

  // Rounded only at the row's ends: top-left of the first, top-right of the last.
  const IVStyle round = kBare.WithRoundness(1.f);
  auto* row = Attach(new IVTabSwitchControl(IRECT(0.f, 100.f, 300.f, 130.f), nullptr, {"a", "b", "c"}, "", round,
                                            EVShape::EndsRounded, EDirection::Horizontal));
  std::vector<DrawCall> calls = DrawOf(row);
  const std::vector<DrawCall> first = OfColor(calls, DEFAULT_PRCOLOR); // selected, hence pressed
  ASSERT_EQ(first.size(), 1u);
  EXPECT_GT(first[0].path[1].r, 0.f);
  EXPECT_EQ(first[0].path[2].r, 0.f);
  std::vector<DrawCall> faces = OfColor(calls, DEFAULT_FGCOLOR);
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_EQ(faces[0].CountOps(PathOp::Kind::Arc), 0); // the middle one is square
  EXPECT_EQ(faces[1].path[1].r, 0.f);
  EXPECT_GT(faces[1].path[2].r, 0.f);
  // A state disabled alone looks disabled.
  row->SetStateDisabled(2, true);
  faces = OfColor(DrawOf(row), IColor(255, 137, 137, 137));
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_GT(faces[0].path[2].r, 0.f);

  // A disabled column rounds the top-right of the first and the bottom-right of the last,
  // its faces darkened by the disabled contrast.
  auto* column = Attach(new IVTabSwitchControl(IRECT(400.f, 0.f, 460.f, 90.f), nullptr, {"a", "b", "c"}, "",
                                               round, EVShape::EndsRounded, EDirection::Vertical));
  column->SetValue(0.5);
  column->SetDisabled(true);
  faces = OfColor(DrawOf(column), IColor(255, 137, 137, 137));
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_EQ(faces[0].path[1].r, 0.f);
  EXPECT_GT(faces[0].path[2].r, 0.f);
  EXPECT_EQ(faces[1].path[2].r, 0.f);
  EXPECT_GT(faces[1].path[3].r, 0.f);

  // A single option selects 0.
  auto* single = Attach(new IVTabSwitchControl(IRECT(0.f, 200.f, 100.f, 230.f), nullptr, {"Only"}, "", kBare));
  single->SetValue(0.7);
  Click(50.f, 215.f);
  EXPECT_EQ(single->GetValue(), 0.0);
  EXPECT_STREQ(single->SelectedOptionText(), "Only");
}

TEST_F(StockFixture, RadioButtonsAndToggleTexts)
{
  auto* radio = Attach(new IVRadioButtonControl(IRECT(0.f, 0.f, 100.f, 60.f), nullptr, {"A", "B", "C"}, "", kBare,
                                                EVShape::Ellipse, EDirection::Vertical, 0.5f));
  std::vector<DrawCall> calls = DrawOf(radio);
  // Buttons are at least 1 point wide, centred in a button area of 3 × 0.5.
  const std::vector<DrawCall> selected = OfColor(calls, DEFAULT_PRCOLOR);
  ASSERT_EQ(selected.size(), 2u); // the pressed button and its text
  ExpectRect(selected[0].PathBounds(), 0.25f, 9.5f, 1.25f, 10.5f);
  EXPECT_EQ(selected[1].text, "A");
  ExpectRect(selected[1].rect, 1.5f, 0.f, 100.f, 20.f);
  const std::vector<DrawCall> others = OfColor(g->CallsOf(DrawCall::Kind::Text), DEFAULT_X1COLOR);
  ASSERT_EQ(others.size(), 2u);
  EXPECT_EQ(others[1].text, "C");

  // Only the button area answers when told so.
  radio->SetOnlyButtonsRespondToMouse(true);
  EXPECT_FALSE(radio->IsHit(50.f, 50.f));
  Click(1.f, 50.f);
  EXPECT_EQ(radio->GetValue(), 1.0);

  // The toggle shows its on text above 0.5, even when the style hides values.
  auto* toggle = Attach(new IVToggleControl(IRECT(200.f, 0.f, 260.f, 30.f), nullptr, "", kBare, "off", "on"));
  const auto shownText = [&]() {
    const std::vector<DrawCall> draw = DrawOf(toggle);
    for (const DrawCall& call : draw)
      if (call.kind == DrawCall::Kind::Text)
        return call.text;
    return std::string();
  };
  toggle->SetValue(0.51);
  EXPECT_EQ(shownText(), "on");
  toggle->SetValue(0.5);
  EXPECT_EQ(shownText(), "off");
  toggle->SetValue(0.0);
  Click(230.f, 15.f);
  EXPECT_EQ(toggle->GetValue(), 1.0);
  EXPECT_EQ(shownText(), "on");
}

TEST_F(StockFixture, RangeSliderHandlesNeverCross)
{
  dlg.GetParam(3)->DefineDouble("High", 0.0, 0.0, 1.0, 0.001);
  Attach(new TestControl(IRECT())); // the background, never under the mouse
  g->EnableMouseOver(true);
  // The track: the widget inset by the handle size 10, 2 either side of the centre line. The
  // style shows values, yet nothing is written: the range slider has no value text.
  auto* range = Attach(new IVRangeSliderControl(IRECT(0.f, 0.f, 220.f, 60.f), {0, 3}, "",
                                                DEFAULT_STYLE.WithShowLabel(false), EDirection::Horizontal, 10.f));
  ExpectRect(range->GetTrackBounds(0), 10.f, 28.f, 210.f, 32.f);
  range->SetValueFromDelegate(0.2, 0);
  range->SetValueFromDelegate(0.8, 1);
  std::vector<DrawCall> calls = DrawOf(range);
  EXPECT_TRUE(g->CallsOf(DrawCall::Kind::Text).empty());
  // The span between the values, filled with extra 1.
  const std::vector<DrawCall> span = OfColor(calls, DEFAULT_X1COLOR);
  ASSERT_EQ(span.size(), 1u);
  ExpectRect(span[0].PathBounds(), 50.f, 28.f, 170.f, 32.f);
  // The low handle below the track pointing up, the high one above pointing down (centre
  // line moved down by half the shadow offset).
  ExpectRect(range->GetHandleBounds(0), 40.f, 33.5f, 60.f, 53.5f);
  ExpectRect(range->GetHandleBounds(1), 160.f, 11.5f, 180.f, 31.5f);
  const std::vector<DrawCall> faces = OfColor(calls, DEFAULT_FGCOLOR);
  ASSERT_EQ(faces.size(), 2u);
  EXPECT_NEAR(faces[0].Points()[1].x, 50.f, 1e-4f); // apex of the low handle, at its top
  EXPECT_EQ(faces[0].Points()[1].y, faces[0].PathBounds().T);
  EXPECT_NEAR(faces[1].Points()[1].x, 170.f, 1e-4f); // apex of the high one, at its bottom
  EXPECT_NEAR(faces[1].Points()[1].y, faces[1].PathBounds().B, 1e-4f);

  // A press on the track between the handles moves nothing.
  g->OnMouseOver(100.f, 30.f, IMouseMod());
  EXPECT_EQ(range->GetMouseOverHandle(), -1);
  dlg.mLog.clear();
  Click(100.f, 30.f);
  EXPECT_TRUE(dlg.LogStartingWith("value").empty());

  // The low handle dragged past the high one stops at its value; the pointer's position
  // over the widget sets the value, to a thousandth.
  g->OnMouseOver(50.f, 43.f, IMouseMod());
  EXPECT_EQ(range->GetMouseOverHandle(), 0);
  Down(50.f, 43.f);
  EXPECT_TRUE(range->GetMouseDown());
  Drag(100.f, 43.f, 50.f, 0.f);
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.455);
  Drag(200.f, 43.f, 100.f, 0.f);
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.8);
  Up(200.f, 43.f);
  EXPECT_FALSE(range->GetMouseDown());
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), 8.0);
  EXPECT_EQ(dlg.OpenGestures(0), 0);

  // The high handle dragged below the low one stops at the low value.
  g->OnMouseOver(170.f, 20.f, IMouseMod());
  ASSERT_EQ(range->GetMouseOverHandle(), 1);
  Down(170.f, 20.f);
  Drag(10.f, 20.f, -150.f, 0.f);
  Up(10.f, 20.f);
  EXPECT_DOUBLE_EQ(range->GetValue(1), 0.8);
  EXPECT_DOUBLE_EQ(range->GetValue(0), 0.8);

  // Alone, a handle travels the whole range; vertical handles sit beside the track.
  auto* single = Attach(new IVRangeSliderControl(IRECT(300.f, 0.f, 340.f, 220.f), {-1}, "", kBare,
                                                 EDirection::Vertical, 10.f));
  ExpectRect(single->GetHandleBounds(0), 301.5f, 200.f, 321.5f, 220.f);
  g->OnMouseOver(311.f, 210.f, IMouseMod());
  ASSERT_EQ(single->GetMouseOverHandle(), 0);
  Down(311.f, 210.f);
  Drag(311.f, -50.f, 0.f, -260.f);
  EXPECT_EQ(single->GetValue(0), 1.0);
  Drag(311.f, 500.f, 0.f, 550.f);
  EXPECT_EQ(single->GetValue(0), 0.0);
  Up(311.f, 500.f);
  // With one value no span is filled.
  EXPECT_TRUE(OfColor(DrawOf(single), DEFAULT_X1COLOR).empty());

  // Neighbours set out of order from outside leave a middle handle no room: it goes to the
  // lower neighbour's value and no further.
  auto* three = Attach(new IVRangeSliderControl(IRECT(400.f, 0.f, 620.f, 60.f), {-1, -1, -1}, "", kBare,
                                                EDirection::Horizontal, 10.f));
  three->SetValueFromDelegate(0.7, 0);
  three->SetValueFromDelegate(0.5, 1);
  three->SetValueFromDelegate(0.2, 2);
  const IRECT middle = three->GetHandleBounds(1);
  g->OnMouseOver(middle.MW(), middle.MH(), IMouseMod());
  ASSERT_EQ(three->GetMouseOverHandle(), 1);
  Down(middle.MW(), middle.MH());
  Drag(610.f, middle.MH(), 100.f, 0.f);
  Up(610.f, middle.MH());
  EXPECT_DOUBLE_EQ(three->GetValue(1), 0.7);
}

namespace {
// The track base drawn as it is: one level per track.
class LevelTracks : public IVTrackControlBase
{
public:
  using IVTrackControlBase::IVTrackControlBase;
  void Draw(IGraphics& g) override
  {
    DrawBackground(g, mRECT);
    DrawWidget(g);
  }
};
} // namespace

TEST_F(StockFixture, TrackBaseFillsLevelsToTheStepReached)
{
  // Two vertical tracks side by side, 10 apart; four steps plus the zero step, 20 high each.
  auto* tracks = Attach(new LevelTracks(IRECT(0.f, 0.f, 110.f, 100.f), "", kBare, {-1, -1}, 4));
  tracks->SetTrackPadding(10.f);
  tracks->SetSize(110.f, 100.f);
  ExpectRect(tracks->GetTrackBounds(0), 0.f, 0.f, 45.f, 100.f);
  ExpectRect(tracks->GetTrackBounds(1), 55.f, 0.f, 110.f, 100.f);
  ASSERT_EQ(tracks->NSteps(), 5);
  ExpectRect(tracks->GetStepBounds(0), 0.f, 80.f, 110.f, 100.f);

  // 0.3 reaches the second step and fills it whole; 0 still shows the first step.
  tracks->SetValue(0.3, 0);
  tracks->SetValue(0.0, 1);
  const std::vector<DrawCall> levels = OfColor(DrawOf(tracks), DEFAULT_FGCOLOR);
  ASSERT_EQ(levels.size(), 2u);
  ExpectRect(levels[0].PathBounds(), 0.f, 60.f, 45.f, 100.f);
  ExpectRect(levels[1].PathBounds(), 55.f, 80.f, 110.f, 100.f);
  EXPECT_EQ(tracks->GetValIdxForPos(50.f, 50.f), -1); // between the tracks
  EXPECT_EQ(tracks->GetValIdxForPos(60.f, 50.f), 1);
}
