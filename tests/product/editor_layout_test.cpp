// The product editor's layout on the recording graphics context: every control of the 900 x 500
// editor with its class, rectangle, parameter, tag, tooltip and style; the texts; the scale
// taken from user preset slot 2; the layout guard; the pusher knob's enabling.
#include "EditorHarness.h"
#include "graphics/IControls.h"
#include "graphics/controls/IVKnobControls.h"
#include "graphics/controls/IVTrackControls.h"
#include "product/UserPresetFile.h"
#include "product/editor/DisplayControls.h"
#include "product/editor/EditorActions.h"
#include "product/editor/EditorLayout.h"
#include "product/editor/art/VellicorArtLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

using namespace plug::igraphics;
using namespace vellicor::art;

// ---- the expected styles, in the layout's numbering (1-based) ----
struct StyleSpec
{
  const char* flags; // hide cursor, show label, show value, draw frame, draw shadows, emboss
  float roundness, frame, shadow;
  std::vector<std::pair<int, IColor>> colors; // every other one transparent
  const char* labelFont;
  float labelSize;
  IColor labelColor;
  const char* valueFont = "Roboto-Regular";
  float valueSize = 14.f;
  IColor valueColor = IColor(255, 0, 0, 0);
};

const IColor beige(255, 181, 168, 136), beige51(51, 181, 168, 136), beige76(76, 181, 168, 136),
  beige178(178, 181, 168, 136), grey(255, 151, 151, 151), grey51(51, 151, 151, 151), grey76(76, 151, 151, 151),
  grey127(127, 151, 151, 151), light(255, 183, 183, 183), light51(51, 183, 183, 183), light63(63, 183, 183, 183),
  light76(76, 183, 183, 183), light127(127, 183, 183, 183), pale(255, 211, 211, 211), dark200(200, 16, 16, 16),
  none(0, 0, 0, 0), black(255, 0, 0, 0);

const StyleSpec kStyles[] = {
  {},
  /* V1 */ {"100110", 0, 1, 3, {{4, beige51}, {6, beige}}, "Roboto-Regular", 12, beige},
  /* V2 */ {"100110", 0, 1, 3, {{4, beige}, {6, beige}}, "Roboto-Regular", 12, beige},
  /* V3 */ {"100110", 0, 2, 3, {{1, dark200}, {2, dark200}, {3, beige}, {4, beige51}, {6, beige}}, "Roboto-Regular", 12, beige},
  /* V4 */ {"100000", 0, 20, 3, {{4, grey76}, {6, grey}}, "Lato", 15, grey},
  /* V5 */ {"100000", 1, 20, 3, {{4, grey76}, {6, grey}}, "Lato", 15, grey},
  /* V6 */ {"000000", 1, 20, 3, {{4, grey76}, {6, grey51}}, "Lato", 15, none},
  /* V7 */ {"000000", 7, 20, 3, {{4, grey76}, {6, grey51}}, "Lato", 15, none},
  /* V8 */ {"110110", 1, 0, 0, {{3, light127}, {4, light51}, {6, light}, {7, light}, {8, light}}, "Lato", 16, light},
  /* V9 */ {"110110", 5, 0, 0, {{3, light127}, {4, light51}, {6, light}, {7, light}, {8, light}}, "Lato", 16, light},
  /* V10 */ {"110010", 0, 20, 3, {{2, pale}, {4, light76}, {6, light}, {7, light}, {8, light}}, "Lato", 14, light, "Lato", 14, light},
  /* V11 */ {"100000", 0, 20, 3, {{3, grey}, {6, grey}, {7, grey}, {8, grey}}, "Lato", 15, grey},
  /* V12 */ {"110010", 1, 20, 3, {{2, pale}, {4, light76}, {6, light}, {7, light}, {8, light}}, "Lato", 14, light, "Roboto-Regular", 14, light63},
  /* V13 */ {"001000", 0, 20, 3, {{1, beige}, {2, beige178}, {4, beige76}, {6, grey}, {7, grey}, {8, grey}}, "Lato", 15, none},
  /* V14 */ {"100110", 0, 1, 3, {{1, beige}, {2, beige}, {3, beige}, {4, beige178}, {6, beige}, {7, beige}, {8, beige}}, "Roboto-Regular", 12, beige},
  /* V15 */ {"000000", 1, 20, 3, {{2, grey}, {4, grey127}, {6, grey}}, "Lato", 12, beige},
  /* V16 */ {"000000", 1, 20, 3, {{2, beige}, {4, beige51}, {6, grey}}, "Lato", 12, beige},
  /* V17, with the value text the layout gives it afterwards */
  {"001000", 1, 20, 1, {{2, grey127}, {4, beige51}, {6, beige}, {7, beige}, {8, beige}}, "Lato", 12, beige, "Lato", 12, grey},
  /* V18 */ {"110010", 1, 20, 3, {{4, light127}, {6, light}, {7, light}, {8, light}}, "Lato", 16, light},
  /* V19 */ {"100100", 1, 2, 3, {{4, light76}, {6, light127}}, "Roboto-Regular", 19, black, "Roboto-Regular", 24, black},
};

void ExpectText(const IText& text, const char* font, float size, const IColor& color, EVAlign valign, const char* what)
{
  EXPECT_STREQ(text.mFont, font) << what;
  EXPECT_EQ(text.mSize, size) << what;
  EXPECT_EQ(text.mFGColor, color) << what;
  EXPECT_EQ(text.mAlign, EAlign::Center) << what;
  EXPECT_EQ(text.mVAlign, valign) << what;
  EXPECT_EQ(text.mTextEntryBGColor, IColor(255, 255, 255, 255)) << what;
  EXPECT_EQ(text.mTextEntryFGColor, black) << what;
}

void ExpectStyle(const IVStyle& s, int n, const std::string& what)
{
  const StyleSpec& e = kStyles[n];
  const bool flags[] = {s.hideCursor, s.showLabel, s.showValue, s.drawFrame, s.drawShadows, s.emboss};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(flags[i], e.flags[i] == '1') << what << " flag " << i;
  EXPECT_EQ(s.roundness, e.roundness) << what;
  EXPECT_EQ(s.frameThickness, e.frame) << what;
  EXPECT_EQ(s.shadowOffset, e.shadow) << what;
  EXPECT_EQ(s.widgetFrac, 1.f) << what;
  EXPECT_EQ(s.angle, 0.f) << what;
  EXPECT_EQ(s.labelSide, 0) << what;
  for (int i = 0; i < kNumVColors; ++i)
  {
    IColor expected = none;
    for (const auto& [index, color] : e.colors)
      if (index == i)
        expected = color;
    EXPECT_EQ(s.colorSpec.mColors[i], expected) << what << " colour " << i;
  }
  ExpectText(s.labelText, e.labelFont, e.labelSize, e.labelColor, EVAlign::Middle, (what + " label").c_str());
  // Where the value goes is the control's business (switches centre it in the button).
  EXPECT_STREQ(s.valueText.mFont, e.valueFont) << what;
  EXPECT_EQ(s.valueText.mSize, e.valueSize) << what;
  EXPECT_EQ(s.valueText.mFGColor, e.valueColor) << what;
}

// ---- the rows ----
template <class T>
bool Is(const IControl* c)
{
  return c && typeid(*c) == typeid(T);
}
using ClassCheck = bool (*)(const IControl*);

struct Row
{
  int row;
  ClassCheck isClass;
  IRECT rect;
  int param;
  int style; // 0: not a vector control
  const char* text; // text rows: the string (their rectangle fits the text, centred where given)
  const char* tooltip;
  int tag = -1;
};

const char* const kNoTip = "";

const Row kRows[] = {
  {1, Is<IBitmapControl>, {0, 0, 900, 500}, -1, 0, nullptr, kNoTip},
  {2, Is<Vellicor::ILEDControlOBK>, {68, 112, 226, 258}, -1, 0, nullptr, kNoTip, 3},
  {3, Is<Vellicor::ILEDControlOBK>, {674, 112, 832, 258}, -1, 0, nullptr, kNoTip, 1},
  {4, Is<IVKnobControl>, {74, 112, 220, 258}, kDrive, 1, nullptr, "Controls the amount of drive."},
  {5, Is<IVKnobControl>, {115, 173, 179, 237}, kMidSidePusher, 3, nullptr,
   "Add some gain to either the Mid or Side channel (left/right). Good way to widen or focus tracks.", 385},
  {6, Is<ITextControl>, {114, 173, 179, 237}, -1, 0, "M      S", kNoTip, 386},
  {7, Is<IVKnobControl>, {109, 313, 185, 389}, kDriveTone, 1, nullptr,
   "Blend between different harmonic modes. On the left you have a more subdued sound, on the right bite."},
  {8, Is<IBSwitchControl>, {335, 217, 335 + kLampW, 217 + kLampH}, kPower, 0, nullptr, "Bypass the plugin completely."},
  {9, Is<IBSwitchControl>, {402, 369, 402 + kTapeW, 369 + kTapeH}, kPower, 0, nullptr, kNoTip},
  {10, Is<Vellicor::IBSwitchHighlightOverlay>, {342, 481, 342 + kStereoW, 481 + kPlateH}, kStereoMode, 6, nullptr, kNoTip},
  {11, Is<IVButtonControl>, {343, 481, 343 + kStereoW, 481 + kPlateH}, -1, 5, nullptr,
   "Switch between Dual Mono and Mid/Side modes."},
  {12, Is<Vellicor::IBSwitchHighlightOverlay>, {608, 481, 608 + kDeltaW, 481 + kPlateH}, kDelta, 7, nullptr,
   "Hear the difference between the altered and original signal. Easy way to hear what is added/removed."},
  {13, Is<Vellicor::IBSwitchHighlightOverlay>, {141, 481, 141 + kLinkW, 481 + kPlateH}, kLinkGains, 7, nullptr,
   "Unlink or link the i/o gains to mirror adjustments inversely. Try it for additional control over the drive amount."},
  {14, Is<Vellicor::IBSwitchHighlightOverlay>, {364, 458, 364 + kBalanceW, 458 + kPlateH}, kBalanceMode, 7, nullptr,
   "Switch between dual mono or M/S blend modes. You can then use the blend knob on the left to for example keep the "
   "mid-channel clean. In M/S mode, left is Mid, right is Side."},
  {15, Is<IVButtonControl>, {2, 27, 14, 39}, -1, 5, nullptr, "Reset the scale of the plugin."},
  {16, Is<ITextControl>, {372, 386, 527, 400}, -1, 0, "v1.0.6 x86-64 AAX", kNoTip},
  {17, Is<Vellicor::IVButtonControlHighlight>, {112, 3, 137, 22}, -1, 8, nullptr, kNoTip},
  {18, Is<Vellicor::IVButtonControlHighlight>, {198, 3, 223, 22}, -1, 8, nullptr, kNoTip},
  {19, Is<IVRadioButtonControl>, {108, 3, 281, 22}, kABSelect, 10, nullptr,
   "Compare different settings of the plugin against each other."},
  {20, Is<IVButtonControl>, {219, 3, 287, 22}, -1, 11, nullptr, kNoTip},
  {21, Is<ITextControl>, {141, 3, 194, 22}, -1, 0, "->       <-", kNoTip},
  {22, Is<Vellicor::IVButtonControlHighlight>, {141, 3, 166, 22}, -1, 9, nullptr, "Transfer A slot settings to B slot."},
  {23, Is<Vellicor::IVButtonControlHighlight>, {169, 3, 194, 22}, -1, 9, nullptr, "Transfer B slot settings to A slot."},
  {24, Is<ITextControl>, {42, 4, 102, 22}, -1, 0, "SWITCH >", kNoTip},
  {25, Is<IVSwitchControl>, {35, 6, 105, 26}, kABSelect, 12, nullptr, "Switch between the A and B slots easily."},
  {26, Is<IVTabSwitchControl>, {112, 261, 182, 274}, kTiltSwitch, 13, nullptr,
   "Switch between different frequency areas quickly."},
  {27, Is<IVRangeSliderControl>, {105, 275, 189, 306}, kDriveAreaLow, 14, nullptr,
   "Finely adjust the frequency area of the drive."},
  {28, Is<IVKnobControl>, {680, 112, 826, 258}, kImpedance, 1, nullptr,
   "Control the simulated impedance of the circuit. Turning to the left decreases the impedance, increasing 'box-tone'."},
  {29, Is<IVKnobControl>, {740, 267, 766, 294}, kVellAir, 2, nullptr,
   "Subtract or add slight airiness to the sound. Left to decrease."},
  {30, Is<IVKnobControl>, {715, 313, 791, 389}, kImpedanceArea, 1, nullptr,
   "Blend between different types of harmonics. Turning to the left affects the low-end transients, while the right "
   "the general tone."},
  {31, Is<IVKnobControl>, {721, 173, 785, 237}, kImpedanceBump, 3, nullptr,
   "Control the amount of the low end bump. Left is less, right is more."},
  {32, Is<ITextControl>, {721, 173, 785, 237}, -1, 0, "BUMP", kNoTip},
  {33, Is<IVKnobControl>, {336.5f, 455.5f, 357.5f, 477}, kBalance, 4, nullptr,
   "Dry blend either of the channels as per the channel mode"},
  {34, Is<Vellicor::ICaptionControlHighlight>, {474, 457, 536, 472}, kOutputBandlimitHigh, 0, nullptr,
   "High Cut for the delta, or effect on the sound.Low Pass control."},
  {35, Is<IVKnobControl>, {541.5f, 455.5f, 562.5f, 477}, kOutputBandlimitHigh, 4, nullptr,
   "High Cut for the delta, or effect on the sound. Low Pass control."},
  {36, Is<Vellicor::ICaptionControlHighlight>, {500, 480, 562, 495}, kOutputBandlimitLow, 0, nullptr,
   "Low Cut for the delta, or effect on the sound. High Pass control."},
  {37, Is<IVKnobControl>, {473.5f, 478, 494.5f, 499.5f}, kOutputBandlimitLow, 4, nullptr,
   "Low Cut for the delta, or effect on the sound. High Pass control."},
  {38, Is<Vellicor::ICaptionControlHighlight>, {829, 5, 864, 20}, kLevelCalibration, 0, nullptr,
   "Set the nominal dBFS level the plugin operates at"},
  {39, Is<IVKnobControl>, {870.5f, 3.5f, 891.5f, 25}, kLevelCalibration, 4, nullptr,
   "Set the nominal dBFS level the plugin operates at"},
  {40, Is<IVKnobControl>, {708.5f, 3.5f, 729.5f, 25}, kMasterDryBlend, 4, nullptr,
   "Blend between the altered and unaltered signal"},
  {41, Is<Vellicor::ICaptionControlHighlight>, {73, 481, 133, 495}, kInputGain, 0, nullptr, "Add or remove input signal gain"},
  {42, Is<IVKnobControl>, {41, 478, 67, 499.5f}, kInputGain, 4, nullptr, "Add or remove input signal gain"},
  {43, Is<Vellicor::ICaptionControlHighlight>, {250, 481, 310, 495}, kOutputGain, 0, nullptr, "Add or remove output signal gain"},
  {44, Is<IVKnobControl>, {218, 478, 244, 499.5f}, kOutputGain, 4, nullptr, "Add or remove output signal gain"},
  {45, Is<IVToggleControl>, {860, 484, 867, 492}, kLimit, 15, nullptr, "Enable or disable the limiter"},
  {46, Is<ITextControl>, {800, 480, 860, 495}, -1, 0, "CLIPPER", kNoTip},
  {47, Is<IVSwitchControl>, {800, 480, 871, 495}, kLimit, 16, nullptr, "Enable or disable the limiter"},
  {48, Is<IVSwitchControl>, {718, 480, 798, 495}, kLimitType, 17, nullptr, "Switch between Pre/Post output gain clipping"},
  {49, Is<Vellicor::PresetControllerMenu>, {250, 1, 630, 25}, -1, 18, nullptr, kNoTip, 22},
  {50, Is<vellicor::InfoMenuButton>, {7, 5, 22, 20}, -1, 19, nullptr, kNoTip},
};

// The knobs' angles, anchor-independent geometry and gearing.
struct KnobRow
{
  int row;
  float a1, a2, track;
  double gearing;
  bool editable;
};
const KnobRow kKnobs[] = {
  {4, -135, 135, 8.5f, 32, false},  {5, -135, 135, 6.5f, 32, false},  {7, -135, 135, 8.5f, 32, false},
  {28, -135, 135, 8.5f, 32, false}, {29, -180, 180, 8.f, 32, false},  {30, -135, 135, 8.5f, 32, false},
  {31, -135, 135, 6.5f, 32, false}, {33, -135, 135, 4.f, 32, true},   {35, -135, 135, 4.f, 128, true},
  {37, -135, 135, 4.f, 128, true},  {39, -135, 135, 4.f, 64, true},   {40, -135, 135, 4.f, 32, true},
  {42, -135, 135, 4.f, 32, true},   {44, -135, 135, 4.f, 32, true},
};

std::string Folder() { return VELLICOR_EDITOR_RESOURCES_DIR; }

// The editor of a fresh plug-in in a temporary home folder, laid out by the product.
struct LayoutTest : ::testing::Test
{
  LayoutTest() { e.UseProductLayout(Folder()); }

  // Row 1..49 is control 0..48 (the strip's children follow it); row 50 is the last control.
  IControl* RowControl(int row) const
  {
    return row == 50 ? e.g->GetControl(e.g->NControls() - 1) : e.g->GetControl(row - 1);
  }
  void WriteSlot(int slot, const std::string& text)
  {
    ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(slot), text));
  }

  EditorHarness e;
};

TEST_F(LayoutTest, EveryRowHasItsClassRectangleParameterTagTooltipAndStyle)
{
  ASSERT_NE(e.Open(), nullptr);
  // 49 rows, the strip's five children, the information button.
  ASSERT_EQ(e.g->NControls(), 55);
  for (const Row& r : kRows)
  {
    const std::string what = "row " + std::to_string(r.row);
    IControl* c = RowControl(r.row);
    ASSERT_TRUE(r.isClass(c)) << what << " is a " << (c ? typeid(*c).name() : "null");
    EXPECT_EQ(e.g->GetControlTag(c), r.tag) << what;
    EXPECT_STREQ(c->GetTooltip(), r.tooltip) << what;
    EXPECT_STREQ(c->GetGroup(), "") << what;
    EXPECT_EQ(c->GetParamIdx(0), r.param) << what;
    if (r.text)
    {
      // A text fits its rectangle to itself about the given centre.
      const auto* text = static_cast<const ITextControl*>(c);
      EXPECT_STREQ(text->GetStr(), r.text) << what;
      EXPECT_NEAR(c->GetRECT().MW(), r.rect.MW(), 0.01f) << what;
      EXPECT_NEAR(c->GetRECT().MH(), r.rect.MH(), 0.01f) << what;
      EXPECT_EQ(text->GetBGColor(), none) << what;
    }
    else
    {
      EXPECT_EQ(c->GetRECT(), r.rect) << what;
    }
    if (r.style)
    {
      // The highlight buttons draw their highlight from the style they were given.
      if (const auto* highlight = dynamic_cast<const Vellicor::IVButtonControlHighlight*>(c))
        ExpectStyle(highlight->GetKeptStyle(), r.style, what);
      else if (const auto* vector = dynamic_cast<const IVectorBase*>(c))
        ExpectStyle(vector->GetStyle(), r.style, what);
      else
        ADD_FAILURE() << what << " is no vector control";
    }
  }
  // The texts' own styles.
  const struct
  {
    int row;
    const char* font;
    float size;
    IColor color;
  } texts[] = {{6, "Lato", 14, beige},
               {16, "Roboto-Regular", 11, grey127},
               {21, "Lato", 14, light},
               {24, "Roboto-Regular", 14, IColor(216, 183, 183, 183)},
               {32, "Lato", 14, beige},
               {46, "Lato", 12, grey},
               {34, "Lato", 14, grey},
               {41, "Lato", 14, grey}};
  for (const auto& t : texts)
    ExpectText(RowControl(t.row)->GetText(), t.font, t.size, t.color, EVAlign::Middle,
               ("row " + std::to_string(t.row)).c_str());

  for (const KnobRow& k : kKnobs)
  {
    const std::string what = "knob row " + std::to_string(k.row);
    auto* knob = dynamic_cast<IVKnobControl*>(RowControl(k.row));
    ASSERT_NE(knob, nullptr) << what;
    EXPECT_EQ(knob->GetAngle(0.0), k.a1) << what;
    EXPECT_EQ(knob->GetAngle(1.0), k.a2) << what;
    EXPECT_EQ(knob->GetTrackSize(), k.track) << what;
    EXPECT_EQ(knob->GetGearing(), k.gearing) << what;
    EXPECT_EQ(knob->GetDirection(), EDirection::Vertical) << what;
  }

  // The range slider holds both drive areas; the captions prompt on a click, a double click
  // counting as one.
  EXPECT_EQ(RowControl(27)->NVals(), 2);
  EXPECT_EQ(RowControl(27)->GetParamIdx(1), kDriveAreaHigh);
  for (int row : {34, 36, 38, 41, 43})
  {
    auto* caption = static_cast<Vellicor::ICaptionControlHighlight*>(RowControl(row));
    EXPECT_FALSE(caption->GetPromptDisabled()) << row;
    EXPECT_TRUE(caption->GetDblAsSingleClick()) << row;
    EXPECT_FALSE(caption->GetIgnoreMouse()) << row;
    EXPECT_EQ(caption->GetHighlightColor(), IColor(255, 124, 126, 128)) << row;
  }
  // The information button says "-- INFO --" (its style does not show it); the tabs and the
  // radio buttons carry their options.
  EXPECT_STREQ(static_cast<IVButtonControl*>(RowControl(50))->GetValueStr(), "-- INFO --");
  auto* tabs = static_cast<IVTabSwitchControl*>(RowControl(26));
  ASSERT_EQ(tabs->NOptions(), 3);
  EXPECT_STREQ(tabs->GetOptionText(2), "HI");
  auto* radio = static_cast<IVRadioButtonControl*>(RowControl(19));
  ASSERT_EQ(radio->NOptions(), 2);
  EXPECT_STREQ(radio->GetOptionText(1), "B");

  // No other control has a tag; the special controls are there; tooltips and mouse-over are on.
  int tagged = 0;
  e.g->ForStandardControlsFunc([&](IControl* c) { tagged += e.g->GetControlTag(c) >= 0 ? 1 : 0; });
  EXPECT_EQ(tagged, 5);
  EXPECT_NE(e.g->GetTextEntryControl(), nullptr);
  EXPECT_TRUE(e.g->TooltipsEnabled());
  EXPECT_TRUE(e.g->MouseOverEnabled());
}

TEST_F(LayoutTest, ParameterTextsAndTheLimitTypeSwitchShowTheirWords)
{
  e.Open();
  // The display texts the captions show at the band limits' ends, added once however often the
  // editor opens.
  const int highTexts = e.plugin.GetParam(kOutputBandlimitHigh)->DisplayTextCount();
  const int lowTexts = e.plugin.GetParam(kOutputBandlimitLow)->DisplayTextCount();
  e.plugin.CloseEditorWindow();
  e.Open();
  e.plugin.CloseEditorWindow();
  e.Open();
  EXPECT_EQ(e.plugin.GetParam(kOutputBandlimitHigh)->DisplayTextCount(), highTexts);
  EXPECT_EQ(e.plugin.GetParam(kOutputBandlimitLow)->DisplayTextCount(), lowTexts);

  e.Set(kOutputBandlimitHigh, 20.0);
  e.Set(kOutputBandlimitLow, 10.0);
  e.Set(kLimitType, 0.0);
  e.plugin.SendAllParamsToUI();
  e.Frames(20.0);
  // Captions show the label after a blank, also an empty one.
  EXPECT_STREQ(static_cast<ITextControl*>(RowControl(34))->GetStr(), "High Cut ");
  EXPECT_STREQ(static_cast<ITextControl*>(RowControl(36))->GetStr(), "Low cut ");
  EXPECT_STREQ(static_cast<IVSwitchControl*>(RowControl(48))->GetValueStr(), "PRE  OUTPUT");
  e.Set(kLimitType, 1.0);
  e.plugin.SendAllParamsToUI();
  EXPECT_STREQ(static_cast<IVSwitchControl*>(RowControl(48))->GetValueStr(), "POST  OUTPUT");
}

TEST_F(LayoutTest, TheLayoutRunsOncePerGraphicsContext)
{
  e.Open();
  const int controls = e.g->NControls();
  const int resizes = e.g->mDrawResizes;
  e.plugin.LayoutEditor(e.g);
  EXPECT_EQ(e.g->NControls(), controls);
  EXPECT_EQ(e.g->mDrawResizes, resizes);
  e.plugin.LayoutEditor(nullptr);
}

TEST_F(LayoutTest, TheScaleComesFromUserPresetSlotTwo)
{
  // No file: the scale "Plugin Scale" holds.
  e.Set(kPluginScale, 1.25);
  e.Open();
  EXPECT_FLOAT_EQ(e.g->GetDrawScale(), 1.25f);
  EXPECT_FLOAT_EQ(e.plugin.GetStoredEditorScale(), 1.25f);
  e.plugin.CloseEditorWindow();

  // Slot 2's "Params"."2" wins, clamped to the parameter's range; other entries are not applied.
  WriteSlot(2, R"({"Params":{"2":1.5,"6":77},"PresetName":"Big"})");
  e.Set(kDrive, 10.0);
  e.Open();
  EXPECT_DOUBLE_EQ(e.V(kPluginScale), 1.5);
  EXPECT_FLOAT_EQ(e.g->GetDrawScale(), 1.5f);
  EXPECT_DOUBLE_EQ(e.V(kDrive), 10.0);
  e.plugin.CloseEditorWindow();

  WriteSlot(2, R"({"Params":{"2":40}})");
  e.Open();
  EXPECT_DOUBLE_EQ(e.V(kPluginScale), e.plugin.GetParam(kPluginScale)->maxValue);
  e.plugin.CloseEditorWindow();

  // A broken file changes nothing.
  e.Set(kPluginScale, 1.0);
  WriteSlot(2, "not json at all {");
  e.Open();
  EXPECT_DOUBLE_EQ(e.V(kPluginScale), 1.0);
  EXPECT_FLOAT_EQ(e.g->GetDrawScale(), 1.f);
}

TEST_F(LayoutTest, ThePusherFollowsTheStereoModeAtLayoutAndAfterAPresetChange)
{
  // Dual mono at layout: the pusher knob and its text are drawn disabled.
  e.Open();
  IControl* knob = e.g->GetControlWithTag(kTagMSDrivePush);
  IControl* text = e.g->GetControlWithTag(kTagMSDrivePushLabel);
  ASSERT_NE(knob, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(knob->IsDisabled());
  EXPECT_TRUE(text->IsDisabled());
  e.g->ClearCalls();
  e.Frames(20.0);
  bool sawDisabledArc = false;
  for (const testgraphics::DrawCall& call : e.g->Calls())
    if (call.hasBlend && call.blend.mWeight == 0.25f && call.PathBounds().Intersects(knob->GetRECT()))
      sawDisabledArc = true;
  EXPECT_TRUE(sawDisabledArc);

  // A mid/side preset from the list: the idle hook enables both, and the knob's value it sends
  // on is the preset's, not what the knob showed before.
  e.ChooseFromList(4);
  const double pushed = e.V(kMidSidePusher);
  ASSERT_EQ(e.V(kStereoMode), 1.0);
  ASSERT_NEAR(pushed, -67.8, 0.01);
  e.plugin.OnIdleTick();
  EXPECT_FALSE(knob->IsDisabled());
  EXPECT_FALSE(text->IsDisabled());
  EXPECT_EQ(e.V(kMidSidePusher), pushed);
  EXPECT_DOUBLE_EQ(knob->GetValue(), e.plugin.GetParam(kMidSidePusher)->GetNormalized());

  // Back to a dual mono preset: disabled again.
  e.ChooseFromList(3);
  e.plugin.OnIdleTick();
  EXPECT_EQ(e.V(kStereoMode), 0.0);
  EXPECT_TRUE(knob->IsDisabled());
  EXPECT_TRUE(text->IsDisabled());
}

} // namespace
