// The product's own controls and button actions in a running editor: the level lamp's
// smoothing and drawing, the highlight overlays and buttons, the parameter caption, the
// channel-mode toggle, the size reset, the A/B transfers and the information menu.
#include "EditorHarness.h"
#include "ExpectRect.h"
#include "StockFixture.h"
#include "TestControl.h"
#include "graphics/controls/IVKnobControls.h"
#include "product/editor/DisplayControls.h"
#include "product/editor/EditorActions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace plug::igraphics;
using testgraphics::DrawCall;
using testgraphics::ExpectRect;
using testgraphics::OfColor;
using testgraphics::kBare;

const IColor kGrey76(76, 151, 151, 151);

// The drawing of one control, alone.
std::vector<DrawCall> DrawOf(EditorHarness& e, IControl* control)
{
  e.g->ClearCalls();
  control->Draw(*e.g);
  return e.g->Calls();
}

void Hover(EditorHarness& e, float x, float y) { e.g->OnMouseOver(x, y, IMouseMod()); }

} // namespace

TEST(EditorControls, LampSmoothsEachDrawAndGlowsWithTheLevel)
{
  EditorHarness e;
  Vellicor::ILEDControlOBK* lamp = nullptr;
  Vellicor::ILEDControlOBK* tiny = nullptr;
  e.layout = [&](IGraphics& g) {
    lamp = new Vellicor::ILEDControlOBK(IRECT(68.f, 112.f, 226.f, 258.f));
    tiny = new Vellicor::ILEDControlOBK(IRECT(10.f, 400.f, 11.f, 401.f));
    g.AttachControl(lamp, kTagLEDDrive);
    g.AttachControl(tiny);
  };
  ASSERT_NE(e.Open(), nullptr);

  // Silence: dark circles and a glow one third of the width, and nothing left to draw.
  std::vector<DrawCall> calls = DrawOf(e, lamp);
  ASSERT_EQ(calls.size(), 5u);
  const float w = 158.f;
  EXPECT_NEAR(calls[0].PathBounds().W(), w / 1.46f, 0.05f);
  EXPECT_EQ(calls[0].Color(), Vellicor::ILEDControlOBK::kColorA);
  EXPECT_EQ(calls[0].blend.mWeight, 0.f);
  EXPECT_EQ(calls[1].kind, DrawCall::Kind::Stroke);
  EXPECT_EQ(calls[2].Color(), Vellicor::ILEDControlOBK::kColorB);
  EXPECT_EQ(calls[4].pattern.mType, EPatternType::Radial);
  EXPECT_EQ(calls[4].blend.mMethod, EBlend::Add);
  EXPECT_NEAR(calls[4].PathBounds().W(), w / 3.f, 0.05f);
  lamp->SetClean();
  EXPECT_FALSE(lamp->IsDirty());

  // A level fed through the tag: the lamp stays dirty, frame after frame, until it has settled
  // at sqrt(level); at full level the glow reaches four thirds of the width.
  e.plugin.SendControlValueToUI(kTagLEDDrive, 1.0);
  int frames = 0;
  float previous = 0.f;
  while (lamp->IsDirty() && frames < 1000)
  {
    e.Frames(20.0);
    EXPECT_GE(lamp->GetLevel(), previous);
    previous = lamp->GetLevel();
    ++frames;
  }
  EXPECT_GT(frames, 50);
  EXPECT_LT(frames, 1000);
  EXPECT_NEAR(lamp->GetLevel(), 1.f, 1e-3f);
  calls = DrawOf(e, lamp);
  EXPECT_NEAR(calls[4].PathBounds().W(), 4.f * w / 3.f, 0.2f);
  EXPECT_EQ(calls[4].blend.mWeight, 1.f);

  // Negative and not-finite levels count as silence: the lamp fades out and settles dark.
  for (double bad : {-0.5, std::numeric_limits<double>::quiet_NaN()})
  {
    lamp->SetValue(bad);
    lamp->SetDirty(false);
    for (int i = 0; i < 1000 && lamp->IsDirty(); ++i)
      e.Frames(20.0);
    EXPECT_FALSE(lamp->IsDirty());
    EXPECT_NEAR(lamp->GetLevel(), 0.f, 1e-3f);
  }

  // A lamp narrower than 1.46 points draws circles of side 1.
  calls = DrawOf(e, tiny);
  EXPECT_NEAR(calls[0].PathBounds().W(), 1.f, 0.01f);
  EXPECT_NEAR(calls[4].PathBounds().W(), 1.f, 0.01f);
}

TEST(EditorControls, OverlaysHighlightUnderTheMouseAndHitOnlyTheirFrame)
{
  EditorHarness e;
  Vellicor::IBSwitchHighlightOverlay* stereo = nullptr;
  e.layout = [&](IGraphics& g) {
    const IBitmap bitmap = g.LoadBitmap("Save.png", 2, false, 2); // 18 by 18 in two frames of 9
    IVStyle style = DEFAULT_STYLE.WithRoundness(7.f).WithColor(kHL, kGrey76);
    stereo = new Vellicor::IBSwitchHighlightOverlay(342, 481, bitmap, kStereoMode, 0, style);
    g.AttachControl(stereo);
  };
  ASSERT_NE(e.Open(), nullptr);
  EXPECT_EQ(stereo->GetRECT(), IRECT(342.f, 481.f, 360.f, 490.f));

  // Half-open: the left and top edges hit, the right and bottom ones do not.
  EXPECT_TRUE(stereo->IsHit(342.f, 481.f));
  EXPECT_FALSE(stereo->IsHit(360.f, 485.f));
  EXPECT_FALSE(stereo->IsHit(350.f, 490.f));
  e.Click(350.f, 485.f);
  EXPECT_EQ(e.V(kStereoMode), 1.0);
  e.Click(350.f, 490.f);
  EXPECT_EQ(e.V(kStereoMode), 1.0);

  // The highlight: only under the mouse, never disabled, over the frame it was made with.
  EXPECT_TRUE(OfColor(DrawOf(e, stereo), kGrey76).empty());
  Hover(e, 350.f, 485.f);
  std::vector<DrawCall> highlight = OfColor(DrawOf(e, stereo), kGrey76);
  ASSERT_EQ(highlight.size(), 1u);
  ExpectRect(highlight[0].PathBounds(), stereo->GetHighlight().bounds);
  EXPECT_FALSE(highlight[0].hasBlend);
  e.g->SetControlBounds(stereo, IRECT(0.f, 0.f, 50.f, 50.f));
  EXPECT_EQ(stereo->GetHighlight().bounds, IRECT(342.f, 481.f, 360.f, 490.f));
  EXPECT_FALSE(stereo->GetMouseIsOver());
  Hover(e, 350.f, 485.f);
  stereo->SetDisabled(true);
  const std::vector<DrawCall> disabled = DrawOf(e, stereo);
  EXPECT_TRUE(OfColor(disabled, kGrey76).empty());
  EXPECT_EQ(disabled.size(), 1u); // the bitmap frame only

  // Save and Trash of the strip: same rules, grey 76 with the strip's radius of 6.
  Hover(e, 590.f, 10.f);
  IControl* save = e.strip->GetChild(3);
  highlight = OfColor(DrawOf(e, save), kGrey76);
  ASSERT_EQ(highlight.size(), 1u);
  ExpectRect(highlight[0].PathBounds(), IRECT(585.f, 5.f, 603.f, 23.f));
  EXPECT_FALSE(save->IsHit(603.f, 10.f));
}

TEST(EditorControls, HighlightButtonsAndCaptionsDrawTheirOwnHighlight)
{
  EditorHarness e;
  Vellicor::IVButtonControlHighlight* ab = nullptr;
  Vellicor::ICaptionControlHighlight* caption = nullptr;
  const IColor light51(51, 183, 183, 183);
  const IColor captionHighlight(255, 124, 126, 128);
  e.layout = [&](IGraphics& g) {
    ab = new Vellicor::IVButtonControlHighlight(IRECT(112.f, 3.f, 137.f, 22.f), IControl::EmptyClickActionFunc, "",
                                                true, true, 0, DEFAULT_STYLE.WithColor(kHL, light51));
    caption = new Vellicor::ICaptionControlHighlight(IRECT(829.f, 5.f, 864.f, 20.f), kLimitType,
                                                     IText(14.f, COLOR_GRAY, "Lato"), COLOR_TRANSPARENT, true,
                                                     captionHighlight);
    g.AttachControl(ab);
    g.AttachControl(caption);
  };
  ASSERT_NE(e.Open(), nullptr);

  // The button draws its own highlight over its rectangle, none of the base's.
  EXPECT_TRUE(OfColor(DrawOf(e, ab), light51).empty());
  Hover(e, 120.f, 10.f);
  std::vector<DrawCall> lit = OfColor(DrawOf(e, ab), light51);
  ASSERT_EQ(lit.size(), 1u);
  ExpectRect(lit[0].PathBounds(), ab->GetRECT());
  ab->SetDisabled(true);
  EXPECT_TRUE(DrawOf(e, ab).empty());

  // The strip's buttons highlight their construction rectangle less 3 at the bottom.
  Hover(e, 262.f, 10.f);
  lit = OfColor(DrawOf(e, e.strip->GetChild(0)), IColor(51, 151, 151, 151));
  ASSERT_EQ(lit.size(), 1u);
  ExpectRect(lit[0].PathBounds(), IRECT(253.f, 3.f, 272.f, 22.f));

  // A caption over an enumeration: its display text, a grey triangle at weight 0.75, and under
  // the mouse the mouse-over triangle and a rounded highlight at alpha 63.
  std::vector<DrawCall> calls = DrawOf(e, caption);
  plug::CharBuf shown;
  e.plugin.GetParam(kLimitType)->FormatValue(e.V(kLimitType), false, shown, true);
  ASSERT_FALSE(e.g->CallsOf(DrawCall::Kind::Text).empty());
  EXPECT_EQ(e.g->CallsOf(DrawCall::Kind::Text)[0].text.rfind(shown.Get(), 0), 0u);
  std::vector<DrawCall> triangle = OfColor(calls, IColor(255, 151, 151, 151));
  ASSERT_EQ(triangle.size(), 1u);
  EXPECT_EQ(triangle[0].blend.mWeight, 0.75f);
  Hover(e, 840.f, 12.f);
  calls = DrawOf(e, caption);
  EXPECT_TRUE(OfColor(calls, IColor(255, 151, 151, 151)).empty());
  lit = OfColor(calls, IColor(63, 124, 126, 128));
  ASSERT_EQ(lit.size(), 1u);
  ExpectRect(lit[0].PathBounds(), caption->GetRECT());
}

TEST(EditorControls, ButtonActionsActOnThePlugInAndTheEditor)
{
  EditorHarness e;
  IControl* knob = nullptr;
  IControl* text = nullptr;
  IControl* stereo = nullptr;
  IControl* drive = nullptr;
  e.layout = [&](IGraphics& g) {
    stereo = g.AttachControl(new testgraphics::TestControl(IRECT(342.f, 481.f, 360.f, 490.f), kStereoMode));
    knob = g.AttachControl(new testgraphics::TestControl(IRECT(115.f, 173.f, 179.f, 237.f), kMidSidePusher),
                           kTagMSDrivePush);
    text = g.AttachControl(new testgraphics::TestControl(IRECT(114.f, 173.f, 179.f, 237.f)), kTagMSDrivePushLabel);
    drive = g.AttachControl(new testgraphics::TestControl(IRECT(0.f, 300.f, 10.f, 310.f), kDrive));
    const auto button = [&g](const IRECT& r, IActionFunction action) {
      g.AttachControl(new IVButtonControl(r, std::move(action), "", kBare));
    };
    button(IRECT(343.f, 481.f, 361.f, 490.f), vellicor::ToggleStereoModeAction(e.plugin, stereo, knob, text));
    button(IRECT(2.f, 27.f, 14.f, 39.f), vellicor::ResetEditorSizeAction(e.plugin));
    button(IRECT(141.f, 3.f, 166.f, 22.f), vellicor::CopySnapshotAToBAction(e.plugin));
    button(IRECT(169.f, 3.f, 194.f, 22.f), vellicor::CopySnapshotBToAAction(e.plugin));
    g.AttachControl(new vellicor::InfoMenuButton(IRECT(7.f, 5.f, 22.f, 20.f), "", kBare));
  };
  ASSERT_NE(e.Open(), nullptr);

  // The channel-mode toggle: to mid/side and back, with no change reaction (the engine keeps its
  // states: a clear would take the power fade down to the dry signal), the pusher greyed in
  // dual mono.
  std::vector<float> in(256, 0.1f), out(256, 0.f);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  auto block = [&] {
    e.plugin.BindHostBuffers(plug::kInput, 0, 2, ins, 256);
    e.plugin.BindHostBuffers(plug::kOutput, 0, 2, outs, 256);
    e.plugin.RunProcessBlock(256);
  };
  for (int i = 0; i < 50; ++i)
    block();
  ASSERT_GT(e.plugin.GetEngine().GetPowerFade(), 0.9);
  e.Click(350.f, 485.f);
  block();
  EXPECT_GT(e.plugin.GetEngine().GetPowerFade(), 0.9);
  EXPECT_EQ(e.V(kStereoMode), 1.0);
  EXPECT_EQ(stereo->GetValue(), 1.0);
  EXPECT_FALSE(knob->IsDisabled());
  e.Click(350.f, 485.f);
  EXPECT_EQ(e.V(kStereoMode), 0.0);
  EXPECT_TRUE(knob->IsDisabled());
  EXPECT_TRUE(text->IsDisabled());
  EXPECT_EQ(knob->GetBlend().mWeight, 0.25f);

  // The size reset, from the largest editor.
  e.g->Resize(kEditorWidth, kEditorHeight, 3.f, false);
  ASSERT_EQ(e.g->GetDrawScale(), 3.f);
  e.Set(kPluginScale, 3.0);
  e.Click(8.f, 33.f);
  EXPECT_EQ(e.g->GetDrawScale(), 1.f);
  EXPECT_EQ(e.g->Width(), 900);
  EXPECT_EQ(e.V(kPluginScale), 1.0);

  // A to B while A is active: row B only, but the controls are refreshed.
  e.plugin.SetParamFromUIAndNotify(kDrive, e.plugin.GetParam(kDrive)->ToNormalized(20.0));
  drive->SetValue(0.0);
  e.Click(150.f, 10.f);
  EXPECT_EQ(e.plugin.GetSnapshotValue(1, kDrive), 20.0);
  EXPECT_EQ(e.plugin.GetSnapshotValue(1, kDelta), Vellicor::kUnsetSnapshotValue);
  EXPECT_EQ(e.V(kDrive), 20.0);
  EXPECT_EQ(drive->GetValue(), e.plugin.GetParam(kDrive)->GetNormalized());
  // B to A while A is active: the parameters take row B's values; never-stored entries and
  // "Delta" keep theirs.
  e.plugin.SetParamFromUIAndNotify(kDrive, e.plugin.GetParam(kDrive)->ToNormalized(60.0));
  e.Set(kDelta, 1.0);
  e.Set(kImpedance, 33.0);
  e.Click(180.f, 10.f);
  EXPECT_EQ(e.V(kDrive), 20.0);
  EXPECT_EQ(e.V(kDelta), 1.0);
  EXPECT_EQ(e.V(kImpedance), 33.0);
  EXPECT_EQ(e.plugin.GetSnapshotValue(0, kDrive), 20.0);

  // The information menu opens its links in the editor that shows it, also after the editor
  // that first showed it has gone.
  for (int round = 0; round < 2; ++round)
  {
    e.g->QueueMenuAnswer(testgraphics::MenuAnswer(round == 0 ? 1 : 2));
    e.ClickButton(14.f, 12.f);
    ASSERT_EQ(e.g->LastMenu(), &vellicor::InfoMenu());
    EXPECT_STREQ(e.g->LastMenu()->GetRootTitle(), " ");
    const std::string opened = std::string("open url ") + (round == 0 ? vellicor::kProductPageURL : vellicor::kManualURL);
    EXPECT_EQ(testgraphics::StartingWith(e.g->mPlatformLog, "open url"), std::vector<std::string>{opened});
    e.plugin.CloseEditorWindow();
    ASSERT_NE(e.Open(), nullptr);
  }
}
