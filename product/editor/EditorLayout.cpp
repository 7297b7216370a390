#include "product/editor/EditorLayout.h"

#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/controls/IVKnobControls.h"
#include "graphics/controls/IVTrackControls.h"
#include "product/UserPresetFile.h"
#include "product/editor/DisplayControls.h"
#include "product/editor/EditorActions.h"
#include "product/editor/HighlightControls.h"
#include "product/editor/PresetControllerMenu.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>

using namespace plug::igraphics;

namespace vellicor {

namespace {

using namespace colors;

// A style from its six flags (hide cursor, show label, show value, draw frame, draw shadows,
// emboss), roundness, frame thickness and shadow offset (widget fraction 1, angle 0), the
// colours it sets (every other one transparent) and its texts.
IVStyle MakeStyle(const char* flags, float roundness, float frameThickness, float shadowOffset,
                  std::initializer_list<std::pair<int, IColor>> colors, const IText& label,
                  const IText& value = EditorValueText())
{
  IVStyle style;
  bool* const fields[] = {&style.hideCursor, &style.showLabel, &style.showValue,
                          &style.drawFrame,  &style.drawShadows, &style.emboss};
  for (int i = 0; i < 6; ++i)
    *fields[i] = flags[i] == '1';
  style.roundness = roundness;
  style.frameThickness = frameThickness;
  style.shadowOffset = shadowOffset;
  style.widgetFrac = 1.f;
  style.angle = 0.f;
  for (int i = 0; i < kNumVColors; ++i)
    style.colorSpec.mColors[i] = kTransparent;
  for (const auto& [index, color] : colors)
    style.colorSpec.mColors[index] = color;
  style.labelText = label;
  style.valueText = value;
  style.labelSide = 0;
  return style;
}

IText Roboto(float size, const IColor& color) { return EditorText("Roboto-Regular", size, color); }
IText Lato(float size, const IColor& color) { return EditorText("Lato", size, color); }

} // namespace

IText EditorText(const char* font, float size, const IColor& color)
{
  return IText(size, color, font, EAlign::Center, EVAlign::Middle, 0.f, IColor(255, 255, 255, 255), kBlack);
}

IText EditorValueText()
{
  return IText(14.f, kBlack, "Roboto-Regular", EAlign::Center, EVAlign::Bottom, 0.f, IColor(255, 255, 255, 255),
               kBlack);
}

IVStyle EditorStyle(EEditorStyle which)
{
  switch (which)
  {
    case kStyleLargeKnob:
      return MakeStyle("100110", 0.f, 1.f, 3.f, {{kHL, kBeige51}, {kX1, kBeige}}, Roboto(12.f, kBeige));
    case kStyleAirKnob:
      return MakeStyle("100110", 0.f, 1.f, 3.f, {{kHL, kBeige}, {kX1, kBeige}}, Roboto(12.f, kBeige));
    case kStyleCentreKnob:
      return MakeStyle("100110", 0.f, 2.f, 3.f,
                       {{kFG, kDark200}, {kPR, kDark200}, {kFR, kBeige}, {kHL, kBeige51}, {kX1, kBeige}},
                       Roboto(12.f, kBeige));
    case kStyleSmallKnob:
      return MakeStyle("100000", 0.f, 20.f, 3.f, {{kHL, kGrey76}, {kX1, kGrey}}, Lato(15.f, kGrey));
    case kStyleSmallButton:
      return MakeStyle("100000", 1.f, 20.f, 3.f, {{kHL, kGrey76}, {kX1, kGrey}}, Lato(15.f, kGrey));
    case kStyleOverlayRound1:
      return MakeStyle("000000", 1.f, 20.f, 3.f, {{kHL, kGrey76}, {kX1, kGrey51}}, Lato(15.f, kTransparent));
    case kStyleOverlayRound7:
      return MakeStyle("000000", 7.f, 20.f, 3.f, {{kHL, kGrey76}, {kX1, kGrey51}}, Lato(15.f, kTransparent));
    case kStyleABSelectorButton:
      return MakeStyle("110110", 1.f, 0.f, 0.f, {{kFR, kLight127}, {kHL, kLight51}, {kX1, kLight}, {kX2, kLight}, {kX3, kLight}},
                       Lato(16.f, kLight));
    case kStyleTransferButton:
      return MakeStyle("110110", 5.f, 0.f, 0.f, {{kFR, kLight127}, {kHL, kLight51}, {kX1, kLight}, {kX2, kLight}, {kX3, kLight}},
                       Lato(16.f, kLight));
    case kStyleABRadio:
      return MakeStyle("110010", 0.f, 20.f, 3.f, {{kPR, kPale}, {kHL, kLight76}, {kX1, kLight}, {kX2, kLight}, {kX3, kLight}},
                       Lato(14.f, kLight), Lato(14.f, kLight));
    case kStyleFrameButton:
      return MakeStyle("100000", 0.f, 20.f, 3.f, {{kFR, kGrey}, {kX1, kGrey}, {kX2, kGrey}, {kX3, kGrey}}, Lato(15.f, kGrey));
    case kStyleABSwitch:
      return MakeStyle("110010", 1.f, 20.f, 3.f, {{kPR, kPale}, {kHL, kLight76}, {kX1, kLight}, {kX2, kLight}, {kX3, kLight}},
                       Lato(14.f, kLight), Roboto(14.f, kLight63));
    case kStyleTabSwitch:
      return MakeStyle("001000", 0.f, 20.f, 3.f,
                       {{kFG, kBeige}, {kPR, kBeige178}, {kHL, kBeige76}, {kX1, kGrey}, {kX2, kGrey}, {kX3, kGrey}},
                       Lato(15.f, kTransparent));
    case kStyleRangeSlider:
      return MakeStyle("100110", 0.f, 1.f, 3.f,
                       {{kFG, kBeige}, {kPR, kBeige}, {kFR, kBeige}, {kHL, kBeige178}, {kX1, kBeige}, {kX2, kBeige}, {kX3, kBeige}},
                       Roboto(12.f, kBeige));
    case kStyleLimiterToggle:
      return MakeStyle("000000", 1.f, 20.f, 3.f, {{kPR, kGrey}, {kHL, kGrey127}, {kX1, kGrey}}, Lato(12.f, kBeige));
    case kStyleLimiterSwitch:
      return MakeStyle("000000", 1.f, 20.f, 3.f, {{kPR, kBeige}, {kHL, kBeige51}, {kX1, kGrey}}, Lato(12.f, kBeige));
    case kStyleLimitTypeSwitch:
      return MakeStyle("001000", 1.f, 20.f, 1.f,
                       {{kPR, kGrey127}, {kHL, kBeige51}, {kX1, kBeige}, {kX2, kBeige}, {kX3, kBeige}}, Lato(12.f, kBeige));
    case kStylePresetStrip:
      return MakeStyle("110010", 1.f, 20.f, 3.f, {{kHL, kLight127}, {kX1, kLight}, {kX2, kLight}, {kX3, kLight}},
                       Lato(16.f, kLight));
    case kStyleInfoButton:
    default:
      return MakeStyle("100100", 1.f, 2.f, 3.f, {{kHL, kLight76}, {kX1, kLight127}}, Roboto(19.f, kBlack),
                       Roboto(24.f, kBlack));
  }
}

std::string VersionLine(const Vellicor& plugin)
{
  plug::CharBuf version;
  plugin.FormatPluginVersion(version);
  plug::CharBuf line;
  line.Printf(100, "%s %s %s", version.Get(), plug::IPluginBase::ArchName(), plugin.APIName());
  return line.Get();
}

void AddBandLimitDisplayTexts(Vellicor& plugin)
{
  const struct
  {
    int paramIdx;
    const char* text;
    double value;
  } texts[] = {{kOutputBandlimitHigh, "High Cut", 20.0}, {kOutputBandlimitLow, "Low cut", 10.0}};
  for (const auto& entry : texts)
  {
    plug::IParam* param = plugin.GetParam(entry.paramIdx);
    if (!param)
      continue;
    const char* present = param->DisplayTextForValue(entry.value);
    if (!present || std::strcmp(present, entry.text) != 0)
      param->AddDisplayText(entry.text, entry.value);
  }
}

} // namespace vellicor

// ---------------------------------------------------------------------------------------------
// The layout

namespace {

using namespace vellicor;
using namespace vellicor::colors;

// A knob of the editor, dragged vertically.
IVKnobControl* Knob(const IRECT& bounds, int paramIdx, const char* label, EEditorStyle style, bool editable,
                    float a1, float a2, float anchor, float trackSize, double gearing)
{
  return new IVKnobControl(bounds, paramIdx, label, EditorStyle(style), editable, false, a1, a2, anchor,
                           EDirection::Vertical, gearing, trackSize);
}

// A parameter caption: "Lato" 14 grey, highlighted under the mouse, opening the parameter's
// prompt on a click (a double click counts as one).
ICaptionControl* Caption(const IRECT& bounds, int paramIdx)
{
  return new Vellicor::ICaptionControlHighlight(bounds, paramIdx, EditorText("Lato", 14.f, kGrey), kTransparent, true,
                                                kCaptionHighlight);
}

ITextControl* Text(const IRECT& bounds, const char* str, const IText& style)
{
  return new ITextControl(bounds, str, style, kTransparent, true);
}

// Attaches with the tooltip (when given), tag and no group. A control the context refuses (its
// tag is taken) or that fails to attach is deleted; null then.
template <class T>
T* Attach(IGraphics& g, T* control, const char* tooltip = nullptr, int tag = -1)
{
  std::unique_ptr<T> owned(control);
  if (tooltip)
    owned->SetTooltip(tooltip);
  if (!g.AttachControl(owned.get(), tag))
    return nullptr;
  return owned.release();
}

} // namespace

void Vellicor::LayoutEditor(IGraphics* pGraphics)
{
  if (!pGraphics || pGraphics->NControls() > 0)
    return;
  IGraphics& g = *pGraphics;

  g.AttachCornerResizer(EResizeMode::Scale, false, kResizer, kResizer, kResizer, 20.f);
  g.AttachTextEntryControl();
  g.EnableMouseOver(true);
  g.EnableTooltips(true);

  g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g.LoadFont("Lato", "Lato-Bold.ttf");
  const IBitmap ledOn = g.LoadBitmap("LEDON.png", 2, false, 2);
  const IBitmap delta = g.LoadBitmap("Delta.png", 2, false, 2);
  const IBitmap msStereo = g.LoadBitmap("MSStereo.png", 2, false, 2);
  const IBitmap link = g.LoadBitmap("LINK.png", 2, false, 2);
  const IBitmap balance = g.LoadBitmap("Balance.png", 2, false, 2);
  const IBitmap tapeOver = g.LoadBitmap("TAPEOVER.png", 2, false, 2);
  g.LoadBitmap("Save.png", 1, false, 2);
  g.LoadBitmap("Trash.png", 1, false, 2);
  const IBitmap background = g.LoadBitmap("background.png", 1, false, 2);

  const float k = -135.f, K = 135.f;
  // 1-3: the background and the lamps behind "Drive" and "Impedance".
  Attach(g, new IBitmapControl(IRECT(0.f, 0.f, 900.f, 500.f), background, -1, EBlend::SrcOver));
  Attach(g, new ILEDControlOBK(IRECT(68.f, 112.f, 226.f, 258.f)), nullptr, kTagLEDDrive);
  Attach(g, new ILEDControlOBK(IRECT(674.f, 112.f, 832.f, 258.f)), nullptr, kTagLEDImpedance);

  // 4-7: the drive section.
  Attach(g, Knob(IRECT(74.f, 112.f, 220.f, 258.f), kDrive, "Drive", kStyleLargeKnob, false, k, K, k, 8.5f, 32.0),
         "Controls the amount of drive.");
  IControl* pusherKnob =
    Attach(g, Knob(IRECT(115.f, 173.f, 179.f, 237.f), kMidSidePusher, "MS Drive Push", kStyleCentreKnob, false, k, K, 0.f, 6.5f, 32.0),
           "Add some gain to either the Mid or Side channel (left/right). Good way to widen or focus tracks.",
           kTagMSDrivePush);
  IControl* pusherText =
    Attach(g, Text(IRECT(114.f, 173.f, 179.f, 237.f), "M      S", EditorText("Lato", 14.f, kBeige)), nullptr,
           kTagMSDrivePushLabel);
  // In dual mono the pusher has nothing to push.
  if (ParamValue(kStereoMode) == 0.0)
  {
    pusherKnob->SetDisabled(true);
    pusherText->SetDisabled(true);
  }
  Attach(g, Knob(IRECT(109.f, 313.f, 185.f, 389.f), kDriveTone, "Drive Tone", kStyleLargeKnob, false, k, K, 0.f, 8.5f, 32.0),
         "Blend between different harmonic modes. On the left you have a more subdued sound, on the right bite.");

  // 8-16: the bitmap switches, the channel-mode button, the size reset and the version line.
  Attach(g, new IBSwitchControl(BitmapFrameRect(335.f, 217.f, ledOn), ledOn, kPower), "Bypass the plugin completely.");
  Attach(g, new IBSwitchControl(BitmapFrameRect(402.f, 369.f, tapeOver), tapeOver, kPower));
  IControl* stereoSwitch =
    Attach(g, new IBSwitchHighlightOverlay(342, 481, msStereo, kStereoMode, HighlightArea::kRoundRect,
                                           EditorStyle(kStyleOverlayRound1)));
  Attach(g,
         new IVButtonControl(BitmapFrameRect(343.f, 481.f, msStereo),
                             ToggleStereoModeAction(*this, stereoSwitch, pusherKnob, pusherText), "",
                             EditorStyle(kStyleSmallButton), false, false, EVShape::Rectangle),
         "Switch between Dual Mono and Mid/Side modes.");
  Attach(g,
         new IBSwitchHighlightOverlay(608, 481, delta, kDelta, HighlightArea::kRoundRect, EditorStyle(kStyleOverlayRound7)),
         "Hear the difference between the altered and original signal. Easy way to hear what is added/removed.");
  Attach(g,
         new IBSwitchHighlightOverlay(141, 481, link, kLinkGains, HighlightArea::kRoundRect, EditorStyle(kStyleOverlayRound7)),
         "Unlink or link the i/o gains to mirror adjustments inversely. Try it for additional control over the drive "
         "amount.");
  Attach(g,
         new IBSwitchHighlightOverlay(364, 458, balance, kBalanceMode, HighlightArea::kRoundRect,
                                      EditorStyle(kStyleOverlayRound7)),
         "Switch between dual mono or M/S blend modes. You can then use the blend knob on the left to for example keep "
         "the mid-channel clean. In M/S mode, left is Mid, right is Side.");
  Attach(g,
         new IVButtonControl(IRECT(2.f, 27.f, 14.f, 39.f), ResetEditorSizeAction(*this), "", EditorStyle(kStyleSmallButton),
                             false, false, EVShape::Rectangle),
         "Reset the scale of the plugin.");
  Attach(g, Text(IRECT(372.f, 386.f, 527.f, 400.f), VersionLine(*this).c_str(), EditorText("Roboto-Regular", 11.f, kGrey127)));

  // 17-25: the A/B comparison.
  Attach(g, new IVButtonControlHighlight(IRECT(112.f, 3.f, 137.f, 22.f), IControl::EmptyClickActionFunc, "", true, true, 0,
                                         EditorStyle(kStyleABSelectorButton)));
  Attach(g, new IVButtonControlHighlight(IRECT(198.f, 3.f, 223.f, 22.f), IControl::EmptyClickActionFunc, "", true, true, 0,
                                         EditorStyle(kStyleABSelectorButton)));
  Attach(g,
         new IVRadioButtonControl(IRECT(108.f, 3.f, 281.f, 22.f), kABSelect, {"A", "B"}, "", EditorStyle(kStyleABRadio),
                                  EVShape::Ellipse, EDirection::Horizontal, 5.f),
         "Compare different settings of the plugin against each other.");
  Attach(g, new IVButtonControl(IRECT(219.f, 3.f, 287.f, 22.f), IControl::EmptyClickActionFunc, "",
                                EditorStyle(kStyleFrameButton), true, true, EVShape::Rectangle));
  Attach(g, Text(IRECT(141.f, 3.f, 194.f, 22.f), "->       <-", EditorText("Lato", 14.f, kLight)));
  Attach(g,
         new IVButtonControlHighlight(IRECT(141.f, 3.f, 166.f, 22.f), CopySnapshotAToBAction(*this), "", true, true, 0,
                                      EditorStyle(kStyleTransferButton)),
         "Transfer A slot settings to B slot.");
  Attach(g,
         new IVButtonControlHighlight(IRECT(169.f, 3.f, 194.f, 22.f), CopySnapshotBToAAction(*this), "", true, true, 0,
                                      EditorStyle(kStyleTransferButton)),
         "Transfer B slot settings to A slot.");
  Attach(g, Text(IRECT(42.f, 4.f, 102.f, 22.f), "SWITCH >", EditorText("Roboto-Regular", 14.f, kLight216)));
  Attach(g, new IVSwitchControl(IRECT(35.f, 6.f, 105.f, 26.f), kABSelect, "", EditorStyle(kStyleABSwitch), true),
         "Switch between the A and B slots easily.");

  // 26-32: the drive areas and the impedance section.
  Attach(g,
         new IVTabSwitchControl(IRECT(112.f, 261.f, 182.f, 274.f), kTiltSwitch, {"LO", "MD", "HI"}, "",
                                EditorStyle(kStyleTabSwitch), EVShape::Rectangle, EDirection::Horizontal),
         "Switch between different frequency areas quickly.");
  Attach(g,
         new IVRangeSliderControl(IRECT(105.f, 275.f, 189.f, 306.f), {kDriveAreaLow, kDriveAreaHigh}, "",
                                  EditorStyle(kStyleRangeSlider), EDirection::Horizontal, 8.f, 4.f),
         "Finely adjust the frequency area of the drive.");
  Attach(g, Knob(IRECT(680.f, 112.f, 826.f, 258.f), kImpedance, "Impedance", kStyleLargeKnob, false, k, K, 0.f, 8.5f, 32.0),
         "Control the simulated impedance of the circuit. Turning to the left decreases the impedance, increasing "
         "'box-tone'.");
  Attach(g, Knob(IRECT(740.f, 267.f, 766.f, 294.f), kVellAir, "Vell Air", kStyleAirKnob, false, -180.f, 180.f, 0.f, 8.f, 32.0),
         "Subtract or add slight airiness to the sound. Left to decrease.");
  Attach(g,
         Knob(IRECT(715.f, 313.f, 791.f, 389.f), kImpedanceArea, "Impedance Tone", kStyleLargeKnob, false, k, K, 0.f, 8.5f, 32.0),
         "Blend between different types of harmonics. Turning to the left affects the low-end transients, while the "
         "right the general tone.");
  Attach(g,
         Knob(IRECT(721.f, 173.f, 785.f, 237.f), kImpedanceBump, "Impedance Bump", kStyleCentreKnob, false, k, K, 0.f, 6.5f, 32.0),
         "Control the amount of the low end bump. Left is less, right is more.");
  Attach(g, Text(IRECT(721.f, 173.f, 785.f, 237.f), "BUMP", EditorText("Lato", 14.f, kBeige)));

  // 33-44: the small knobs and their captions.
  AddBandLimitDisplayTexts(*this);
  Attach(g, Knob(IRECT(336.5f, 455.5f, 357.5f, 477.f), kBalance, "Balance", kStyleSmallKnob, true, k, K, 0.f, 4.f, 32.0),
         "Dry blend either of the channels as per the channel mode");
  Attach(g, Caption(IRECT(474.f, 457.f, 536.f, 472.f), kOutputBandlimitHigh),
         "High Cut for the delta, or effect on the sound.Low Pass control.");
  Attach(g, Knob(IRECT(541.5f, 455.5f, 562.5f, 477.f), kOutputBandlimitHigh, "DELTA HC", kStyleSmallKnob, true, k, K, k, 4.f, 128.0),
         "High Cut for the delta, or effect on the sound. Low Pass control.");
  Attach(g, Caption(IRECT(500.f, 480.f, 562.f, 495.f), kOutputBandlimitLow),
         "Low Cut for the delta, or effect on the sound. High Pass control.");
  Attach(g, Knob(IRECT(473.5f, 478.f, 494.5f, 499.5f), kOutputBandlimitLow, "DELTA LC", kStyleSmallKnob, true, k, K, k, 4.f, 128.0),
         "Low Cut for the delta, or effect on the sound. High Pass control.");
  Attach(g, Caption(IRECT(829.f, 5.f, 864.f, 20.f), kLevelCalibration), "Set the nominal dBFS level the plugin operates at");
  Attach(g,
         Knob(IRECT(870.5f, 3.5f, 891.5f, 25.f), kLevelCalibration, "Level Calibration", kStyleSmallKnob, true, k, K, k, 4.f, 64.0),
         "Set the nominal dBFS level the plugin operates at");
  Attach(g, Knob(IRECT(708.5f, 3.5f, 729.5f, 25.f), kMasterDryBlend, "Wet Blend", kStyleSmallKnob, true, k, K, k, 4.f, 32.0),
         "Blend between the altered and unaltered signal");
  Attach(g, Caption(IRECT(73.f, 481.f, 133.f, 495.f), kInputGain), "Add or remove input signal gain");
  Attach(g, Knob(IRECT(41.f, 478.f, 67.f, 499.5f), kInputGain, "Input Gain", kStyleSmallKnob, true, k, K, k, 4.f, 32.0),
         "Add or remove input signal gain");
  Attach(g, Caption(IRECT(250.f, 481.f, 310.f, 495.f), kOutputGain), "Add or remove output signal gain");
  Attach(g, Knob(IRECT(218.f, 478.f, 244.f, 499.5f), kOutputGain, "Output Gain", kStyleSmallKnob, true, k, K, k, 4.f, 32.0),
         "Add or remove output signal gain");

  // 45-48: the clipper.
  Attach(g, new IVToggleControl(IRECT(860.f, 484.f, 867.f, 492.f), kLimit, "", EditorStyle(kStyleLimiterToggle), "", ""),
         "Enable or disable the limiter");
  Attach(g, Text(IRECT(800.f, 480.f, 860.f, 495.f), "CLIPPER", EditorText("Lato", 12.f, kGrey)));
  Attach(g, new IVSwitchControl(IRECT(800.f, 480.f, 871.f, 495.f), kLimit, "", EditorStyle(kStyleLimiterSwitch), true),
         "Enable or disable the limiter");
  auto* limitType =
    new IVSwitchControl(IRECT(718.f, 480.f, 798.f, 495.f), kLimitType, "", EditorStyle(kStyleLimitTypeSwitch), true);
  IVStyle limitTypeStyle = limitType->GetStyle();
  limitTypeStyle.valueText = EditorText("Lato", 12.f, kGrey);
  limitType->SetStyle(limitTypeStyle);
  Attach(g, limitType, "Switch between Pre/Post output gain clipping");

  LoadScaleFromUserPreset(2);

  // 49-50: the preset strip and the information button.
  Attach(g, new PresetControllerMenu(IRECT(250.f, 1.f, 630.f, 25.f), EditorStyle(kStylePresetStrip)), nullptr,
         kTagPresetMenu);
  auto* info = Attach(g, new vellicor::InfoMenuButton(IRECT(7.f, 5.f, 22.f, 20.f), "", EditorStyle(kStyleInfoButton),
                                                     false, true, EVShape::Rectangle));
  if (info)
  {
    info->SetValueStr("-- INFO --");
    info->SetDirty(false, -1);
  }

  mStoredEditorScale = static_cast<float>(ParamValue(kPluginScale));
  g.Resize(kEditorWidth, kEditorHeight, mStoredEditorScale, true);
}

void Vellicor::LoadScaleFromUserPreset(int slot)
{
  const UserPresetFile file = UserPresetFile::Read(slot);
  if (!file.Exists())
    return;
  // The editor scale is always "Params"."2", whichever slot the file is.
  double scale = 0.0;
  if (file.ReadValue(kPluginScale, scale))
    SetParamFromAction(kPluginScale, scale);
  SendAllParamsToUI();
}

bool Vellicor::SetPusherControlsEnabled(bool enabled)
{
  IGraphics* g = GetUI();
  IControl* knob = g ? g->GetControlWithTag(kTagMSDrivePush) : nullptr;
  IControl* text = g ? g->GetControlWithTag(kTagMSDrivePushLabel) : nullptr;
  if (!knob || !text)
    return false;
  for (IControl* control : {knob, text})
  {
    control->SetDisabled(!enabled);
    control->SetDirty(true, -1);
  }
  return true;
}
