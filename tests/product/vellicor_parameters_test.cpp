#include "product/VellicorParameters.h"

#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"

#include "ParamHolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Expected
{
  const char* name;
  plug::EParamKind kind;
  double minValue, maxValue, defaultValue, step;
  const char* label;
  double power; // 0 = linear
  std::vector<std::string> texts;
  int decimals;
};

using plug::kKindDouble;
using plug::kKindEnum;
using plug::kKindInt;

const Expected kExpected[] = {
  {"Delta", kKindInt, 0, 1, 0, 1, "", 0, {}, 0},
  {"", kKindEnum, 0, 1, 0, 1, "", 0, {"A", "B"}, 0},
  {"Plugin Scale", kKindDouble, 1, 2, 1, 0.01, "", 0, {}, 2},
  {"Input Gain", kKindDouble, -12, 12, 0, 0.01, "dB", 0, {}, 2},
  {"Output Gain", kKindDouble, -12, 12, 0, 0.01, "dB", 0, {}, 2},
  {"Stereo Mode", kKindInt, 0, 1, 0, 1, "", 0, {}, 0},
  {"Drive", kKindDouble, 0, 100, 0, 0.01, "%", 0, {}, 2},
  {"Drive Tone", kKindDouble, 0, 100, 50, 0.01, "%", 0, {}, 2},
  {"Master Dry Blend", kKindDouble, 0, 100, 100, 0.01, "%", 0, {}, 2},
  {"Limit", kKindEnum, 0, 1, 0, 1, "", 0, {"CLIPPER", "CLIPPER"}, 0},
  {"Power", kKindInt, 0, 1, 1, 1, "", 0, {}, 0},
  {"Impedance", kKindDouble, 0, 100, 50, 0.01, "%", 0, {}, 2},
  {"Impedance Area", kKindDouble, 0, 100, 50, 0.01, "%", 0, {}, 2},
  {"Level Calibration", kKindDouble, -24, 4, -18, 0.1, "", 0, {}, 1},
  {"Limit Type", kKindEnum, 0, 1, 1, 1, "", 0, {"PRE  OUTPUT", "POST  OUTPUT"}, 0},
  {"OverSampling", kKindEnum, 0, 4, 2, 1, "", 0, {"None", "2x", "4x", "8x", "16x"}, 0},
  {"Tilt Switch", kKindEnum, 0, 2, 0, 1, "", 0, {"LO", "MD", "HI"}, 0},
  {"Drive Area Low", kKindDouble, 50, 2000, 50, 0.01, "Hz", 2.0, {}, 2},
  {"Drive Area High", kKindDouble, 150, 6000, 150, 0.01, "Hz", 2.0, {}, 2},
  {"Low: Drive Area Low", kKindDouble, 50, 6000, 50, 0.01, "%", 0, {}, 2},
  {"Low: Drive Area High", kKindDouble, 50, 6000, 250, 0.01, "%", 0, {}, 2},
  {"Mid: Drive Area Low", kKindDouble, 50, 6000, 250, 0.01, "%", 0, {}, 2},
  {"Mid: Drive Area High", kKindDouble, 50, 6000, 2000, 0.01, "%", 0, {}, 2},
  {"High: Drive Area Low", kKindDouble, 50, 6000, 2000, 0.01, "%", 0, {}, 2},
  {"High: Drive Area High", kKindDouble, 150, 6000, 6000, 0.01, "%", 0, {}, 2},
  {"Link Gains", kKindInt, 0, 1, 0, 1, "", 0, {}, 0},
  {"Vell Air", kKindDouble, 0, 100, 50, 0.01, "%", 0, {}, 2},
  {"Balance", kKindDouble, -100, 100, 0, 1, "%", 0, {}, 0},
  {"Balance Mode", kKindInt, 0, 1, 1, 1, "", 0, {}, 0},
  {"Mid-Side Pusher", kKindDouble, -100, 100, 0, 1, "%", 0, {}, 0},
  {"Impedance Bump", kKindDouble, -100, 100, 0, 1, "%", 0, {}, 0},
  {"Output Bandlimit Low", kKindDouble, 10, 1000, 10, 1, "HZ", 0, {}, 0},
  {"Output Bandlimit High", kKindDouble, 1, 20, 20, 1, "kHZ", 0, {}, 0},
};
static_assert(sizeof(kExpected) / sizeof(kExpected[0]) == kNumParams, "one row per parameter");

std::string Format(const plug::IParam& p, double v)
{
  plug::CharBuf out;
  p.FormatValue(v, false, out, true);
  return out.Get();
}

} // namespace

TEST(VellicorParameters, TableMatchesTheProduct)
{
  ParamHolder holder;
  ASSERT_EQ(holder.NParams(), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
  {
    SCOPED_TRACE("parameter " + std::to_string(i));
    const Expected& e = kExpected[i];
    const plug::IParam& p = *holder.GetParam(i);
    EXPECT_STREQ(p.NameText(), e.name);
    EXPECT_EQ(p.Kind(), e.kind);
    EXPECT_EQ(p.minValue, e.minValue);
    EXPECT_EQ(p.maxValue, e.maxValue);
    EXPECT_EQ(p.defaultValue, e.defaultValue);
    EXPECT_EQ(p.Value(), e.defaultValue);
    EXPECT_EQ(p.step, e.step);
    EXPECT_STREQ(p.unitLabel, e.label);
    EXPECT_STREQ(p.GroupText(), "");
    EXPECT_EQ(p.unitCode, plug::kUnitCustom);
    EXPECT_EQ(p.decimals, e.decimals);
    EXPECT_TRUE(p.CanAutomate());
    EXPECT_EQ(p.IsStepped(), e.kind != kKindDouble);
    EXPECT_EQ(p.Flags() & ~plug::kFlagStepped, 0);
    EXPECT_FALSE(static_cast<bool>(p.displayFunc));
    EXPECT_EQ(p.ShapeKind(), e.power > 0 ? 1 : 0);
    EXPECT_EQ(p.ShapeParameter(), e.power);
    ASSERT_EQ(p.DisplayTextCount(), static_cast<int>(e.texts.size()));
    for (int t = 0; t < p.DisplayTextCount(); ++t)
    {
      double v = -1;
      EXPECT_EQ(p.DisplayTextAt(t, &v), e.texts[t]);
      EXPECT_EQ(v, t);
    }
  }
}

TEST(VellicorParameters, DisplayTextsAndShapes)
{
  ParamHolder holder;
  auto p = [&](int i) -> plug::IParam& { return *holder.GetParam(i); };
  EXPECT_EQ(Format(p(kLimit), 0), "CLIPPER");
  EXPECT_EQ(Format(p(kLimit), 1), "CLIPPER");
  EXPECT_EQ(Format(p(kLimitType), 0), "PRE  OUTPUT");
  EXPECT_EQ(Format(p(kLimitType), 1), "POST  OUTPUT");
  EXPECT_EQ(Format(p(kOverSampling), p(kOverSampling).Value()), "4x");
  EXPECT_EQ(Format(p(kABSelect), 1), "B");
  EXPECT_EQ(Format(p(kLevelCalibration), -18), "-18.0");
  EXPECT_EQ(Format(p(kBalance), -37), "-37");
  EXPECT_EQ(Format(p(kDrive), 12.5), "12.50");
  EXPECT_DOUBLE_EQ(p(kDriveAreaLow).FromNormalized(0.5), 537.5);
  EXPECT_DOUBLE_EQ(p(kDriveAreaHigh).ToNormalized(150 + 0.25 * 5850), 0.5);
  EXPECT_DOUBLE_EQ(p(kInputGain).ToNormalized(6), 0.75);
  // Stepped parameters round what they are given.
  p(kTiltSwitch).Set(1.6);
  EXPECT_EQ(p(kTiltSwitch).Value(), 2);
  p(kInputGain).Set(40);
  EXPECT_EQ(p(kInputGain).Value(), 12);
}

TEST(VellicorParameters, ConfigurationRecord)
{
  const plug::IPluginConfig c = MakeVellicorConfig();
  EXPECT_EQ(c.paramCount, 33);
  EXPECT_EQ(c.presetCount, 30);
  EXPECT_STREQ(c.channelIOText, "1-1 2-2");
  EXPECT_STREQ(c.pluginName, "Vellicor");
  EXPECT_STREQ(c.productName, "Vellicor");
  EXPECT_STREQ(c.makerName, "Orlenbeck");
  EXPECT_EQ(c.pluginVersion, 0x00010006);
  EXPECT_EQ(c.uniqueCode, 0x51566C6B); // 'QVlk'
  EXPECT_EQ(c.makerCode, 0x51544E5A);  // 'QTNZ'
  EXPECT_EQ(c.latency, 0);
  EXPECT_FALSE(c.midiIn || c.midiOut || c.mpe || c.stateChunks);
  EXPECT_EQ(c.pluginKind, plug::kPluginEffect);
  EXPECT_TRUE(c.hasEditor);
  EXPECT_EQ(c.editorWidth, 900);
  EXPECT_EQ(c.editorHeight, 500);
  EXPECT_EQ(c.minWidth, 900);
  EXPECT_EQ(c.maxWidth, 2700);
  EXPECT_EQ(c.minHeight, 500);
  EXPECT_EQ(c.maxHeight, 1500);
  EXPECT_STREQ(c.bundleID, "com.Orlenbeck.aax.Vellicor");
  EXPECT_STREQ(c.appGroupID, "group.com.Orlenbeck.Vellicor");
}
