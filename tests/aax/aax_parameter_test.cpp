// Host-side parameters: tapers, displays and AAX_CParameter's gestures and updates.
#include "aax/library/AAX_CBinaryDisplayDelegate.h"
#include "aax/library/AAX_CBinaryTaperDelegate.h"
#include "aax/library/AAX_CLinearTaperDelegate.h"
#include "aax/library/AAX_CNumberDisplayDelegate.h"
#include "aax/library/AAX_CParameter.h"
#include "aax/library/AAX_CStringDisplayDelegate.h"
#include "aax/library/AAX_CUnitDisplayDelegateDecorator.h"
#include "plug/aax/AAX_CIPluginTaperDelegate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records every call as one line of text.
class RecordingDelegate : public AAX_IAutomationDelegate
{
public:
  AAX_Result RegisterParameter(const char* id) override { return Log("register", id); }
  AAX_Result UnregisterParameter(const char* id) override { return Log("unregister", id); }
  AAX_Result PostSetValueRequest(const char* id, double x) const override { return Log("set", id, x); }
  AAX_Result PostCurrentValue(const char* id, double x) const override { return Log("current", id, x); }
  AAX_Result PostTouchRequest(const char* id) override { return Log("touch", id); }
  AAX_Result PostReleaseRequest(const char* id) override { return Log("release", id); }
  AAX_Result GetTouchState(const char*, bool* touched) override
  {
    *touched = false;
    return AAX_SUCCESS;
  }
  AAX_Result ParameterNameChanged(const char* id) override { return Log("name", id); }

  mutable std::vector<std::string> log;

private:
  AAX_Result Log(const char* what, const char* id) const
  {
    log.push_back(std::string(what) + " " + id);
    return AAX_SUCCESS;
  }
  AAX_Result Log(const char* what, const char* id, double x) const
  {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%.3f", x);
    log.push_back(std::string(what) + " " + id + " " + buf);
    return AAX_SUCCESS;
  }
};

using IntParam = AAX_CParameter<int32_t>;
using DoubleParam = AAX_CParameter<double>;
using BoolParam = AAX_CParameter<bool>;

std::unique_ptr<IntParam> MakeIntParam(const char* id, int32_t def, int32_t lo, int32_t hi)
{
  return std::make_unique<IntParam>(id, AAX_CString("Mode"), def, AAX_CLinearTaperDelegate<int32_t, 1>(lo, hi),
                                    AAX_CNumberDisplayDelegate<int32_t, 0, 0>(), true);
}

std::string Text(const AAX_CString& s) { return s.StdString(); }

} // namespace

TEST(AaxTaper, LinearIntMapsRoundsAndClamps)
{
  const AAX_CLinearTaperDelegate<int32_t, 1> taper(0, 4);
  EXPECT_EQ(taper.NormalizedToReal(0.6), 2); // floor(2.4 + 0.5)
  EXPECT_EQ(taper.NormalizedToReal(0.0), 0);
  EXPECT_EQ(taper.NormalizedToReal(1.0), 4);
  EXPECT_EQ(taper.NormalizedToReal(1.7), 4);
  EXPECT_EQ(taper.NormalizedToReal(-3.0), 0);
  EXPECT_EQ(taper.NormalizedToReal(std::nan("")), 0);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(3), 0.75);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(9), 1.0);
  EXPECT_EQ(taper.ConstrainRealValue(-2), 0);

  const AAX_CLinearTaperDelegate<int32_t, 1> flat(3, 3);
  EXPECT_EQ(flat.NormalizedToReal(0.9), 3);
  EXPECT_EQ(flat.ConstrainRealValue(100), 3);
  EXPECT_DOUBLE_EQ(flat.RealToNormalized(3), 0.5);
  EXPECT_DOUBLE_EQ(flat.RealToNormalized(-7), 0.5);

  // The full int32 range does not overflow on the way.
  const AAX_CLinearTaperDelegate<int32_t, 1> wide(std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max());
  EXPECT_EQ(wide.NormalizedToReal(1.0), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(wide.NormalizedToReal(0.0), std::numeric_limits<int32_t>::min());
}

TEST(AaxTaper, BinaryTaper)
{
  const AAX_CBinaryTaperDelegate<bool> taper;
  EXPECT_FALSE(taper.NormalizedToReal(0.0));
  EXPECT_TRUE(taper.NormalizedToReal(0.001));
  EXPECT_FALSE(taper.NormalizedToReal(std::nan("")));
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(true), 1.0);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(false), 0.0);
  EXPECT_TRUE(taper.GetMaximumValue());
  EXPECT_FALSE(taper.GetMinimumValue());
}

TEST(AaxTaper, PluginTaperFollowsShapeStepAndRange)
{
  plug::IParam stepped;
  stepped.DefineDouble("Drive", 2.0, 0.0, 10.0, 0.5, "", plug::kFlagStepped);
  const plug::AAX_CIPluginTaperDelegate<double> taper(&stepped);
  EXPECT_DOUBLE_EQ(taper.GetMinimumValue(), 0.0);
  EXPECT_DOUBLE_EQ(taper.GetMaximumValue(), 10.0);
  EXPECT_DOUBLE_EQ(taper.NormalizedToReal(0.33), 3.5); // 3.3 rounded to the 0.5 step
  EXPECT_DOUBLE_EQ(taper.NormalizedToReal(1.5), 10.0);
  EXPECT_DOUBLE_EQ(taper.ConstrainRealValue(7.74), 7.5);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(25.0), 1.0);
  EXPECT_DOUBLE_EQ(taper.RealToNormalized(5.0), 0.5);

  plug::IParam freq;
  freq.DefineFrequency("Freq", 1000.0, 20.0, 20000.0, 0.1);
  const plug::AAX_CIPluginTaperDelegate<double> exp(&freq);
  EXPECT_NEAR(exp.NormalizedToReal(0.0), 20.0, 1e-9);
  EXPECT_NEAR(exp.NormalizedToReal(1.0), 20000.0, 1e-6);
  EXPECT_NEAR(exp.NormalizedToReal(0.5), std::sqrt(20.0 * 20000.0), 1e-6);
  EXPECT_NEAR(exp.RealToNormalized(exp.NormalizedToReal(0.25)), 0.25, 1e-12);
  EXPECT_DOUBLE_EQ(exp.RealToNormalized(5.0), 0.0);

  // Clones keep pointing at the same parameter.
  std::unique_ptr<AAX_ITaperDelegate<double>> copy(exp.Clone());
  EXPECT_NEAR(copy->NormalizedToReal(1.0), 20000.0, 1e-6);
}

TEST(AaxDisplay, NumbersWithPrecisionCutAndUnits)
{
  const AAX_CNumberDisplayDelegate<double, 2, 0> number;
  AAX_CString s;
  EXPECT_TRUE(number.ValueToString(1.5, &s));
  EXPECT_EQ(Text(s), "1.50");
  EXPECT_TRUE(number.ValueToString(1.5, 2, &s));
  EXPECT_EQ(Text(s), "1"); // "1." loses its point
  EXPECT_TRUE(number.ValueToString(12.345, 4, &s));
  EXPECT_EQ(Text(s), "12.3");
  EXPECT_TRUE(number.ValueToString(-3.0, 0, &s));
  EXPECT_EQ(Text(s), "");
  EXPECT_FALSE(number.ValueToString(1.0, nullptr));

  const AAX_CUnitDisplayDelegateDecorator<double> db(number, AAX_CString("dB"));
  EXPECT_TRUE(db.ValueToString(1.5, &s));
  EXPECT_EQ(Text(s), "1.50dB");
  EXPECT_TRUE(db.ValueToString(1.5, 8, &s));
  EXPECT_EQ(Text(s), "1.50dB");
  EXPECT_TRUE(db.ValueToString(1.5, 5, &s)); // one character left: no room for the unit
  EXPECT_EQ(Text(s), "1.50");

  double v = -1.0;
  EXPECT_TRUE(db.StringToValue(AAX_CString("-6.25dB"), &v));
  EXPECT_DOUBLE_EQ(v, -6.25);
  EXPECT_TRUE(db.StringToValue(AAX_CString("4.5"), &v));
  EXPECT_DOUBLE_EQ(v, 4.5);
  EXPECT_FALSE(db.StringToValue(AAX_CString("dB"), &v)); // only the unit: nothing to parse
  EXPECT_DOUBLE_EQ(v, 0.0);
  EXPECT_FALSE(number.StringToValue(AAX_CString("abc"), &v));
  EXPECT_DOUBLE_EQ(v, 0.0);

  // Clones of the decorator own their own inner delegate.
  std::unique_ptr<AAX_IDisplayDelegate<double>> copy(db.Clone());
  EXPECT_TRUE(copy->ValueToString(2.0, &s));
  EXPECT_EQ(Text(s), "2.00dB");

  const AAX_CNumberDisplayDelegate<int32_t, 0, 0> integer;
  int32_t i = -1;
  EXPECT_TRUE(integer.ValueToString(7, &s));
  EXPECT_EQ(Text(s), "7");
  EXPECT_TRUE(integer.StringToValue(AAX_CString("7.9"), &i));
  EXPECT_EQ(i, 7);
  EXPECT_TRUE(integer.StringToValue(AAX_CString("-1e20"), &i)); // saturates, no overflow
  EXPECT_EQ(i, std::numeric_limits<int32_t>::min());
  EXPECT_FALSE(integer.StringToValue(AAX_CString("x"), &i));
  EXPECT_EQ(i, 0);
}

TEST(AaxDisplay, StringAndBinaryTexts)
{
  const AAX_CStringDisplayDelegate<int32_t> names({{0, AAX_CString("Off")}, {1, AAX_CString("On")}});
  AAX_CString s;
  int32_t i = -1;
  EXPECT_TRUE(names.StringToValue(AAX_CString("On"), &i));
  EXPECT_EQ(i, 1);
  EXPECT_FALSE(names.StringToValue(AAX_CString("on"), &i));
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(names.ValueToString(0, 1, &s));
  EXPECT_EQ(Text(s), "Off");
  EXPECT_FALSE(names.ValueToString(5, &s));
  EXPECT_EQ(Text(s), "String Not Found");

  AAX_CBinaryDisplayDelegate<bool> bypass("bypass", "on");
  bool b = true;
  EXPECT_TRUE(bypass.StringToValue(AAX_CString("on"), &b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(bypass.StringToValue(AAX_CString("bypass"), &b));
  EXPECT_FALSE(b);
  b = true;
  EXPECT_FALSE(bypass.StringToValue(AAX_CString("ON"), &b));
  EXPECT_FALSE(b);

  // Without shortened pairs the maximum length changes nothing.
  EXPECT_TRUE(bypass.ValueToString(false, 2, &s));
  EXPECT_EQ(Text(s), "bypass");

  bypass.AddShortenedStrings("b", "1", 1);
  bypass.AddShortenedStrings("byp", "on", 3);
  EXPECT_TRUE(bypass.ValueToString(false, 10, &s));
  EXPECT_EQ(Text(s), "bypass");
  EXPECT_TRUE(bypass.ValueToString(false, 4, &s));
  EXPECT_EQ(Text(s), "byp");
  EXPECT_TRUE(bypass.ValueToString(true, 2, &s));
  EXPECT_EQ(Text(s), "1");
  EXPECT_TRUE(bypass.ValueToString(false, -5, &s)); // shortest pair when none fits
  EXPECT_EQ(Text(s), "b");
}

TEST(AaxParameter, ConstructionDefaultsAndIdentifier)
{
  auto p = MakeIntParam("7", 3, 0, 4);
  EXPECT_STREQ(p->Identifier(), "7");
  EXPECT_EQ(Text(p->Name()), "Mode");
  EXPECT_EQ(p->GetType(), AAX_eParameterType_Continuous);
  EXPECT_EQ(p->GetNumberOfSteps(), 128u);
  EXPECT_EQ(p->GetOrientation(), 0);
  EXPECT_TRUE(p->Automatable());
  EXPECT_EQ(p->GetValue(), 3);
  EXPECT_DOUBLE_EQ(p->GetNormalizedDefaultValue(), 0.75);

  // An identifier of 32 or more characters keeps its first 31.
  const std::string longId(40, 'x');
  auto q = MakeIntParam(longId.c_str(), 0, 0, 1);
  EXPECT_EQ(std::string(q->Identifier()), std::string(31, 'x'));

  std::unique_ptr<AAX_IParameterValue> snapshot(p->CloneValue());
  int32_t i = 0;
  double d = 0.0;
  EXPECT_STREQ(snapshot->Identifier(), "7");
  EXPECT_TRUE(snapshot->GetValueAsInt32(&i));
  EXPECT_EQ(i, 3);
  EXPECT_FALSE(snapshot->GetValueAsDouble(&d));
  std::unique_ptr<AAX_IParameterValue> again(snapshot->Clone());
  EXPECT_TRUE(again->GetValueAsInt32(&i));
  EXPECT_EQ(i, 3);
}

TEST(AaxParameter, StepsConvertBothWays)
{
  auto p = MakeIntParam("1", 0, 0, 2);
  p->SetNumberOfSteps(3);
  EXPECT_EQ(p->GetStepValueFromNormalizedValue(0.74), 1u); // floor(1.98)
  EXPECT_EQ(p->GetStepValueFromNormalizedValue(5.0), 2u);
  EXPECT_EQ(p->GetStepValueFromNormalizedValue(-1.0), 0u);
  EXPECT_EQ(p->GetStepValueFromNormalizedValue(std::nan("")), 0u);
  EXPECT_DOUBLE_EQ(p->GetNormalizedValueFromStep(2), 1.0);
  EXPECT_DOUBLE_EQ(p->GetNormalizedValueFromStep(9), 1.0);
  p->SetStepValue(1);
  EXPECT_EQ(p->GetValue(), 1);
  EXPECT_EQ(p->GetStepValue(), 1u);

  p->SetNumberOfSteps(0); // refused, the count stays
  EXPECT_EQ(p->GetNumberOfSteps(), 3u);
  p->SetNumberOfSteps(1);
  EXPECT_EQ(p->GetStepValueFromNormalizedValue(0.9), 0u);
  EXPECT_DOUBLE_EQ(p->GetNormalizedValueFromStep(1), 0.0);
  p->SetStepValue(0); // fewer than 2 steps: nothing
  EXPECT_EQ(p->GetValue(), 1);
}

TEST(AaxParameter, TypedAccessOnlyForOwnType)
{
  BoolParam b("b", AAX_CString("Bypass"), false, AAX_CBinaryTaperDelegate<bool>(),
              AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
  double x = -1.0;
  int32_t i = 0;
  bool v = true;
  EXPECT_TRUE(b.GetNormalizedValueFromBool(true, &x));
  EXPECT_DOUBLE_EQ(x, 1.0);
  EXPECT_FALSE(b.GetNormalizedValueFromInt32(1, &x));
  EXPECT_FALSE(b.GetNormalizedValueFromDouble(1.0, &x));
  EXPECT_FALSE(b.GetValueAsInt32(&i));
  EXPECT_TRUE(b.GetValueAsBool(&v));
  EXPECT_FALSE(v);
  EXPECT_FALSE(b.SetValueWithInt32(1));
  EXPECT_TRUE(b.SetValueWithBool(true));
  EXPECT_TRUE(b.GetValueAsBool(&v));
  EXPECT_TRUE(v);
  EXPECT_TRUE(b.GetBoolFromNormalizedValue(0.2, &v));
  EXPECT_TRUE(v);
  EXPECT_FALSE(b.GetDoubleFromNormalizedValue(0.2, &x));

  AAX_CString text;
  EXPECT_TRUE(b.GetValueString(&text));
  EXPECT_EQ(Text(text), "on");
  EXPECT_TRUE(b.GetNormalizedValueFromString(AAX_CString("bypass"), &x));
  EXPECT_DOUBLE_EQ(x, 0.0);
  EXPECT_FALSE(b.GetNormalizedValueFromString(AAX_CString("maybe"), &x));
  EXPECT_TRUE(b.SetValueFromString(AAX_CString("bypass")));
  EXPECT_TRUE(b.GetValueAsBool(&v));
  EXPECT_FALSE(v);
  EXPECT_FALSE(b.SetValueFromString(AAX_CString("maybe")));
  EXPECT_FALSE(b.GetValueAsString(nullptr));
  AAX_CString out;
  EXPECT_TRUE(b.GetValueAsString(&out));
  EXPECT_EQ(Text(out), "bypass");

  DoubleParam d("g", AAX_CString("Gain"), 0.0, AAX_CLinearTaperDelegate<double, 0>(-12.0, 12.0),
                AAX_CUnitDisplayDelegateDecorator<double>(AAX_CNumberDisplayDelegate<double, 2, 0>(), "dB"),
                true);
  EXPECT_TRUE(d.GetStringFromNormalizedValue(0.75, text));
  EXPECT_EQ(Text(text), "6.00dB");
  EXPECT_TRUE(d.GetStringFromNormalizedValue(0.75, 4, text));
  EXPECT_EQ(Text(text), "6.00");
  EXPECT_TRUE(d.SetValueWithString(AAX_CString("-3dB")));
  EXPECT_DOUBLE_EQ(d.GetValue(), -3.0);
  EXPECT_FALSE(d.SetValueWithDouble(std::nan(""))); // refused rather than landing on a bound
  EXPECT_DOUBLE_EQ(d.GetValue(), -3.0);
  EXPECT_TRUE(d.SetValueWithDouble(100.0));         // clamped by the taper
  EXPECT_DOUBLE_EQ(d.GetValue(), 12.0);
  EXPECT_FALSE(d.GetValueAsFloat(nullptr));
  float f = 0.0f;
  EXPECT_FALSE(d.GetValueAsFloat(&f));
}

TEST(AaxParameter, UpdatesReportOnceAndSkipRepeats)
{
  RecordingDelegate delegate;
  auto p = MakeIntParam("3", 2, 0, 4);
  p->SetAutomationDelegate(&delegate);
  ASSERT_EQ(delegate.log.size(), 1u);
  EXPECT_EQ(delegate.log[0], "register 3");

  // Needs-update is still set from construction: the first identical update reports.
  p->UpdateNormalizedValue(0.5);
  p->UpdateNormalizedValue(0.5);
  ASSERT_EQ(delegate.log.size(), 2u);
  EXPECT_EQ(delegate.log[1], "current 3 0.500");

  p->UpdateNormalizedValue(1.0);
  EXPECT_EQ(p->GetValue(), 4);
  p->UpdateNormalizedValue(std::nan(""));
  p->UpdateNormalizedValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(p->GetValue(), 4);
  EXPECT_EQ(delegate.log.size(), 3u);

  // Double values: an update that would change nothing reports nothing.
  DoubleParam d("d", AAX_CString("Mix"), 0.25, AAX_CLinearTaperDelegate<double, 0>(0.0, 1.0),
                AAX_CNumberDisplayDelegate<double, 2, 0>(), true);
  d.SetAutomationDelegate(&delegate);
  delegate.log.clear();
  d.UpdateNormalizedValue(0.25);
  d.UpdateNormalizedValue(0.25);
  d.UpdateNormalizedValue(0.5);
  EXPECT_EQ(delegate.log, (std::vector<std::string>{"current d 0.250", "current d 0.500"}));

  d.SetAutomationDelegate(nullptr);
  EXPECT_EQ(delegate.log.back(), "unregister d");
  p.reset();
  EXPECT_EQ(delegate.log.back(), "unregister 3");
}

TEST(AaxParameter, LocalChangesTravelAsGestures)
{
  RecordingDelegate delegate;
  auto p = MakeIntParam("5", 0, 0, 4);

  // Without a delegate the value is applied at once (already taper-rounded).
  p->SetNormalizedValue(0.6);
  EXPECT_EQ(p->GetValue(), 2);

  p->SetAutomationDelegate(&delegate);
  delegate.log.clear();
  p->SetNormalizedValue(0.6);
  EXPECT_EQ(delegate.log, (std::vector<std::string>{"touch 5", "set 5 0.500", "release 5"}));
  EXPECT_EQ(p->GetValue(), 2); // the host answers with an update; nothing is stored here

  delegate.log.clear();
  EXPECT_TRUE(p->SetValueWithInt32(4));
  EXPECT_EQ(delegate.log, (std::vector<std::string>{"touch 5", "set 5 1.000", "release 5"}));

  delegate.log.clear();
  p->SetNormalizedValue(std::nan(""));
  p->SetNormalizedDefaultValue(std::nan(""));
  EXPECT_TRUE(delegate.log.empty());
  EXPECT_DOUBLE_EQ(p->GetNormalizedDefaultValue(), 0.0);

  p->Touch();
  p->Release();
  p->SetName(AAX_CString("Other"));
  EXPECT_EQ(delegate.log, (std::vector<std::string>{"touch 5", "release 5", "name 5"}));

  // A new display reports the current value; a new taper keeping the real value requests
  // the value's new normalised position.
  p->UpdateNormalizedValue(0.5);
  delegate.log.clear();
  AAX_CStringDisplayDelegate<int32_t> names({{2, AAX_CString("two")}});
  p->SetDisplayDelegate(names);
  AAX_CString text;
  EXPECT_TRUE(p->GetValueString(&text));
  EXPECT_EQ(Text(text), "two");
  AAX_CLinearTaperDelegate<int32_t, 1> wider(0, 8);
  p->SetTaperDelegate(wider, true);
  EXPECT_EQ(delegate.log,
            (std::vector<std::string>{"current 5 0.500", "touch 5", "set 5 0.250", "release 5"}));

  // Delegates of another value type are ignored.
  AAX_CBinaryTaperDelegate<bool> wrongTaper;
  p->SetTaperDelegate(wrongTaper, false);
  EXPECT_EQ(p->TaperDelegate()->GetMaximumValue(), 8);
  p->SetAutomationDelegate(nullptr);
}

TEST(AaxParameter, ShortenedNamesPickLongestThatFits)
{
  auto p = MakeIntParam("n", 0, 0, 1);
  p->SetName(AAX_CString("Output Gain"));
  EXPECT_EQ(Text(p->ShortenedName(3)), "Output Gain"); // none stored yet
  p->AddShortenedName(AAX_CString("OutG"));
  p->AddShortenedName(AAX_CString("Out"));
  p->AddShortenedName(AAX_CString("OG"));
  p->AddShortenedName(AAX_CString("Og")); // same length replaces
  EXPECT_EQ(Text(p->ShortenedName(3)), "Out");
  EXPECT_EQ(Text(p->ShortenedName(10)), "OutG");
  EXPECT_EQ(Text(p->ShortenedName(2)), "Og");
  EXPECT_EQ(Text(p->ShortenedName(1)), "Og"); // all longer: the shortest
  EXPECT_EQ(Text(p->ShortenedName(11)), "Output Gain");
  EXPECT_EQ(Text(p->ShortenedName(-1)), "Output Gain");
  p->ClearShortenedNames();
  EXPECT_EQ(Text(p->ShortenedName(3)), "Output Gain");
}
