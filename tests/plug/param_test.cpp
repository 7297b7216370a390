#include "plug/IParam.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <string>

using namespace plug;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::string Format(const IParam& p, double v, bool normalised = false, bool withText = true)
{
  CharBuf out;
  p.FormatValue(v, normalised, out, withText);
  return out.Get();
}
} // namespace

TEST(IParam, NormalisationThroughEachShape)
{
  IParam lin;
  lin.DefineDouble("Lin", 0, 0, 100, 0.01);
  EXPECT_DOUBLE_EQ(lin.ToNormalized(25), 0.25);
  EXPECT_DOUBLE_EQ(lin.FromNormalized(0.5), 50);
  EXPECT_EQ(lin.ShapeKind(), 0);
  EXPECT_EQ(lin.shape->DisplayCurve(), 0);

  IParam pow;
  pow.DefineDouble("Drive Area Low", 50, 50, 2000, 0.01, "Hz", 0, "", IParam::ShapePowCurve(2.0));
  EXPECT_DOUBLE_EQ(pow.FromNormalized(0.5), 537.5);
  EXPECT_DOUBLE_EQ(pow.ToNormalized(537.5), 0.5);
  EXPECT_EQ(pow.ToNormalized(10), 0.0); // below the minimum: 0, not NaN
  EXPECT_EQ(pow.ShapeKind(), 1);
  EXPECT_EQ(pow.ShapeParameter(), 2.0);
  EXPECT_TRUE(pow.SetNormalized(0.5));
  EXPECT_DOUBLE_EQ(pow.Value(), 537.5);
  EXPECT_DOUBLE_EQ(pow.GetNormalized(), 0.5);

  IParam freq;
  freq.DefineFrequency("Freq", 1000, 20, 20000, 1);
  EXPECT_STREQ(freq.unitLabel, "Hz");
  EXPECT_EQ(freq.unitCode, kUnitFrequency);
  EXPECT_EQ(freq.ShapeKind(), 2);
  EXPECT_EQ(freq.shape->DisplayCurve(), 1);
  EXPECT_NEAR(freq.FromNormalized(0.5), std::sqrt(20.0 * 20000.0), 1e-9);
  EXPECT_NEAR(freq.ToNormalized(20000), 1.0, 1e-12);
  EXPECT_NEAR(freq.ToNormalized(20), 0.0, 1e-12);
  // At or below the floor: 0, never NaN.
  EXPECT_EQ(freq.ToNormalized(-5), 0.0);
  EXPECT_EQ(freq.ToNormalized(0), 0.0);

  IParam expFromZero;
  expFromZero.DefineDouble("E", 0.5, 0, 1, 0.001, "", 0, "", IParam::ShapeExp());
  EXPECT_NEAR(expFromZero.FromNormalized(0), 1e-8, 1e-20);
  EXPECT_EQ(expFromZero.ToNormalized(0), 0.0);
  EXPECT_NEAR(expFromZero.ToNormalized(1), 1.0, 1e-12);
  EXPECT_NEAR(expFromZero.ToNormalized(1e-4), (std::log(1e-4) - std::log(1e-8)) / std::log(1 / 1e-8), 1e-12);

  // A zero-width range normalises to 0 instead of dividing by zero.
  IParam flat;
  flat.DefineDouble("Flat", 1, 1, 1, 0);
  EXPECT_EQ(flat.ToNormalized(1), 0.0);
  EXPECT_EQ(flat.GetNormalized(), 0.0);

  // Display-curve codes of the power curve.
  EXPECT_EQ(IParam::ShapePowCurve(3.0).DisplayCurve(), 6);
  EXPECT_EQ(IParam::ShapePowCurve(2.0).DisplayCurve(), 4);
  EXPECT_EQ(IParam::ShapePowCurve(0.3).DisplayCurve(), 5);
  EXPECT_EQ(IParam::ShapePowCurve(0.5).DisplayCurve(), 3);
  EXPECT_EQ(IParam::ShapePowCurve(1.0).DisplayCurve(), 0);
}

TEST(IParam, SteppedRoundingHalfAwayFromZeroAndNanSafeClamp)
{
  IParam i;
  i.DefineInt("Int", 0, -10, 10);
  EXPECT_TRUE(i.IsStepped());
  EXPECT_EQ(i.Constrain(0.5), 1.0);
  EXPECT_EQ(i.Constrain(-0.5), -1.0);
  EXPECT_EQ(i.Constrain(2.5), 3.0);
  EXPECT_EQ(i.Constrain(-2.5), -3.0);
  EXPECT_EQ(i.Constrain(2.49), 2.0);
  EXPECT_EQ(i.Constrain(99), 10.0);

  IParam half;
  half.DefineDouble("Half", 0, -5, 5, 0.5, "", kFlagStepped);
  EXPECT_EQ(half.Constrain(0.25), 0.5);
  EXPECT_EQ(half.Constrain(-0.75), -1.0);
  EXPECT_TRUE(half.SetNormalized(0.53)); // 0.3 -> 0.5
  EXPECT_EQ(half.Value(), 0.5);

  // Non-finite values never reach the parameter.
  half.Set(2.0);
  EXPECT_FALSE(half.Set(kNaN));
  EXPECT_FALSE(half.SetNormalized(kNaN));
  EXPECT_EQ(half.Value(), 2.0);
  EXPECT_TRUE(half.Set(kInf));
  EXPECT_EQ(half.Value(), 5.0);
  EXPECT_TRUE(half.Set(-kInf));
  EXPECT_EQ(half.Value(), -5.0);

  IParam freq;
  freq.DefineFrequency("F", 100, 20, 20000, 0.01);
  EXPECT_TRUE(freq.SetNormalized(kInf));
  EXPECT_EQ(freq.Value(), 20000.0);
  EXPECT_TRUE(freq.SetNormalized(-kInf));
  EXPECT_EQ(freq.Value(), 20.0);
  EXPECT_EQ(freq.NormalizedClamped(kNaN), 0.0);
  EXPECT_EQ(freq.NormalizedClamped(1e9), 1.0);
}

TEST(IParam, DefineDoubleRangeDefaultAndDecimals)
{
  IParam p;
  p.DefineDouble("P", 0.26, 0, 0.5, 1, "", kFlagStepped);
  EXPECT_EQ(p.maxValue, 1.0); // max raised to min + step
  EXPECT_EQ(p.Value(), 0.0);  // default stepped and clamped
  EXPECT_EQ(p.kind, kKindDouble);

  auto decimalsFor = [](double step) {
    IParam q;
    q.DefineDouble("Q", 0, 0, 100, step);
    return q.decimals;
  };
  EXPECT_EQ(decimalsFor(0.01), 2);
  EXPECT_EQ(decimalsFor(0.5), 1);
  EXPECT_EQ(decimalsFor(0.001), 3);
  EXPECT_EQ(decimalsFor(1e-7), 6);
  EXPECT_EQ(decimalsFor(2), 0);
  EXPECT_EQ(decimalsFor(0.07), 2);
  EXPECT_EQ(decimalsFor(0.25), 2);
  EXPECT_EQ(decimalsFor(1e-10), 6); // tiny, but still not a whole number

  // A NaN default does not reach the value.
  IParam n;
  n.DefineDouble("N", kNaN, -1, 1, 0.1);
  EXPECT_EQ(n.Value(), -1.0);

  // Texts longer than 31 characters are cut.
  IParam longName;
  longName.DefineDouble(std::string(40, 'n').c_str(), 0, 0, 1, 0.1, std::string(40, 'l').c_str());
  EXPECT_EQ(std::string(longName.NameText()), std::string(31, 'n'));
  EXPECT_EQ(std::string(longName.unitLabel), std::string(31, 'l'));
}

TEST(IParam, FormattingPrecisionSignNegationAndTexts)
{
  IParam s;
  s.DefineDouble("S", 0, -1, 1, 0.1, "", kFlagSignDisplay);
  EXPECT_EQ(Format(s, 0.5), "+0.5");
  EXPECT_EQ(Format(s, -0.5), "-0.5");
  EXPECT_EQ(Format(s, 0.0), "0.0");
  EXPECT_EQ(Format(s, -0.0), "0.0");

  IParam neg;
  neg.DefineDouble("N", 0, -5, 5, 0.1, "", kFlagNegateDisplay | kFlagSignDisplay);
  EXPECT_EQ(Format(neg, 0.0), "0.0");
  EXPECT_EQ(Format(neg, 3.0), "-3.0");
  EXPECT_EQ(Format(neg, -3.0), "+3.0");

  IParam negOnly;
  negOnly.DefineDouble("N", 0, -5, 5, 0.1, "", kFlagNegateDisplay);
  EXPECT_EQ(Format(negOnly, 3.0), "-3.0");

  IParam whole;
  whole.DefineDouble("W", 0, -10, 10, 1);
  EXPECT_EQ(Format(whole, 2.5), "3");
  EXPECT_EQ(Format(whole, -2.5), "-3");
  EXPECT_EQ(Format(whole, 1e12), "1000000000000"); // beyond int: still the whole number

  IParam two;
  two.DefineDouble("T", 0, -12, 12, 0.01, "dB");
  EXPECT_EQ(Format(two, -18.0 / 3), "-6.00");
  EXPECT_EQ(Format(two, 0.5, true), "0.00");
  EXPECT_EQ(Format(two, 1.0, true), "12.00");
  EXPECT_EQ(Format(two, 1e30).size(), 31u); // cut to 31 characters

  // Display texts replace exact values; an empty text does not.
  IParam e;
  e.DefineEnum("Limit", 0, 3, "", 0, "", "CLIPPER", "CLIPPER");
  e.AddDisplayText("", 2);
  EXPECT_EQ(Format(e, 0), "CLIPPER");
  EXPECT_EQ(Format(e, 1), "CLIPPER");
  EXPECT_EQ(Format(e, 2), "2");
  EXPECT_EQ(Format(e, 1, false, false), "1");
  EXPECT_EQ(Format(e, 0.5, true), "CLIPPER"); // normalised 0.5 -> 1

  // A display function takes over completely.
  IParam f;
  f.DefineDouble("F", 0, 0, 1, 0.01, "", 0, "", IParam::ShapeLinear(), kUnitCustom,
                 [](double v, CharBuf& out) { out.Printf(31, "<%d>", static_cast<int>(v * 100)); });
  EXPECT_EQ(Format(f, 0.42), "<42>");
  // ... but its text is cut to 31 characters like every display text.
  IParam wordy;
  wordy.DefineDouble("W", 0, 0, 1, 0.01, "", 0, "", IParam::ShapeLinear(), kUnitCustom,
                     [](double, CharBuf& out) { out.Set(std::string(45, 'w').c_str()); });
  EXPECT_EQ(Format(wordy, 0.5), std::string(31, 'w'));
}

TEST(IParam, LabelsAndDisplayWithLabel)
{
  IParam g;
  g.DefineGain("Gain", 3, -12, 12, 0.1);
  EXPECT_EQ(g.unitCode, kUnitDB);
  CharBuf out;
  g.GetDisplayWithLabel(out);
  EXPECT_STREQ(out.Get(), "3.0 dB");
  IParam::GetDisplayWithLabel(g, out, true);
  EXPECT_STREQ(out.Get(), "3.0 dB");

  g.AddDisplayText("Off", -12);
  g.AddDisplayText("", 5);
  g.Set(-12);
  EXPECT_STREQ(g.LabelText(), "");
  g.GetDisplayWithLabel(out);
  EXPECT_STREQ(out.Get(), "Off");
  g.Set(-11.6); // truncates to -11: no text there
  EXPECT_STREQ(g.LabelText(), "dB");
  g.Set(5.3); // truncates to 5, whose text is empty: label kept
  EXPECT_STREQ(g.LabelText(), "dB");

  IParam noLabel;
  noLabel.DefineDouble("N", 1, 0, 2, 0.5);
  noLabel.GetDisplayWithLabel(out);
  EXPECT_STREQ(out.Get(), "1.0");
}

TEST(IParam, Parsing)
{
  IParam d;
  d.DefineDouble("D", 0, -50, 50, 0.01);
  EXPECT_EQ(d.ParseValue("12abc"), 12.0);
  EXPECT_EQ(d.ParseValue("  -3.75"), -3.75);
  EXPECT_EQ(d.ParseValue("+4"), 4.0);
  EXPECT_EQ(d.ParseValue(".5"), 0.5);
  EXPECT_EQ(d.ParseValue("abc"), 0.0);
  EXPECT_EQ(d.ParseValue(""), 0.0);
  EXPECT_EQ(d.ParseValue(nullptr), 0.0);
  EXPECT_EQ(d.ParseValue("99"), 50.0);
  EXPECT_EQ(d.ParseValue("1e999"), 50.0);
  EXPECT_EQ(d.ParseValue("-1e999"), -50.0);
  EXPECT_EQ(d.ParseValue("1e-999"), 0.0);
  EXPECT_EQ(d.ParseValue("nan"), 0.0);
  EXPECT_EQ(d.ParseValue("2,5"), 2.0); // the decimal separator is always "."
  EXPECT_EQ(d.ParseValue("--5"), 0.0);  // one sign only
  EXPECT_EQ(d.ParseValue("+-5"), 0.0);
  // Only decimal numbers are values: no infinity or NaN spelt out, whatever the case or sign.
  IParam f;
  f.DefineDouble("F", 1000, 20, 20000, 1);
  for (const char* word : {"inf", "info", "Infinity", "-INF", "+infinity", "nan", "NaN(1)", "e5", ".e5"})
  {
    EXPECT_EQ(d.ParseValue(word), 0.0) << word;
    EXPECT_EQ(f.ParseValue(word), 20.0) << word;
  }
  EXPECT_EQ(f.ParseValue("1e3"), 1000.0);
  EXPECT_EQ(f.ParseValue("500."), 500.0);
  EXPECT_EQ(f.ParseValue("2.5E+2Hz"), 250.0);

  IParam neg;
  neg.DefineDouble("N", 0, -10, 10, 1, "", kFlagNegateDisplay | kFlagStepped);
  EXPECT_EQ(neg.ParseValue("5"), -5.0);
  EXPECT_EQ(neg.ParseValue("-2.5"), 3.0);

  IParam e;
  e.DefineEnum("E", 0, 3, "", 0, "", "LO", "MD", "HI");
  EXPECT_EQ(e.ParseValue("MD"), 1.0);
  EXPECT_EQ(e.ParseValue("2"), 0.0); // no matching text: 0
  double v = -1;
  EXPECT_TRUE(e.ValueForDisplayText("HI", &v));
  EXPECT_EQ(v, 2.0);
  EXPECT_FALSE(e.ValueForDisplayText("hi", &v));

  IParam b;
  b.DefineBool("B", false);
  EXPECT_EQ(b.ParseValue("on"), 1.0);
  EXPECT_EQ(b.ParseValue("1"), 0.0);
}

TEST(IParam, FormattingIgnoresProcessLocale)
{
  // A host may switch LC_NUMERIC to a decimal-comma locale. Build one in a temporary folder
  // (the system may have none installed).
  testsupport::TempDir dir;
  const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  setenv("LOCPATH", dir.Path().c_str(), 1);
  const bool haveLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  if (!haveLocale)
  {
    unsetenv("LOCPATH");
    GTEST_SKIP() << "cannot build a decimal-comma locale (localedef exit " << rc << ")";
  }
  char probe[16];
  std::snprintf(probe, sizeof(probe), "%.1f", 2.5);

  IParam d;
  d.DefineDouble("D", 0, -50, 50, 0.01);
  const std::string text = Format(d, 2.5);
  const double parsed = d.ParseValue("2.5");
  CharBuf json;
  d.AppendJSON(json, 0);
  std::setlocale(LC_NUMERIC, "C");
  unsetenv("LOCPATH");

  EXPECT_STREQ(probe, "2,5"); // the locale really is in effect
  EXPECT_EQ(text, "2.50");
  EXPECT_EQ(parsed, 2.5);
  EXPECT_NE(std::string(json.Get()).find("\"min\":-50.000000"), std::string::npos);
}

TEST(IParam, DefineFamily)
{
  IParam b;
  b.DefineBool("Power", true, "", 0, "", "OFF", "ON");
  EXPECT_EQ(b.kind, kKindBool);
  EXPECT_TRUE(b.IsStepped());
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_EQ(Format(b, 0), "OFF");
  EXPECT_EQ(Format(b, 1), "ON");

  IParam e;
  e.DefineEnum("Mode", 1, 3, "", 0, "grp", "A");
  EXPECT_EQ(e.kind, kKindEnum);
  EXPECT_EQ(e.maxValue, 2.0);
  EXPECT_EQ(e.DisplayTextCount(), 1); // only the texts given
  EXPECT_STREQ(e.GroupText(), "grp");
  IParam tooMany;
  tooMany.DefineEnum("Two", 0, 2, "", 0, "", "a", "b", "c");
  EXPECT_EQ(tooMany.DisplayTextCount(), 2);
  IParam noTexts;
  noTexts.DefineEnum("None", 0, 4);
  EXPECT_EQ(noTexts.DisplayTextCount(), 0);
  EXPECT_EQ(noTexts.maxValue, 3.0);

  IParam kept;
  kept.kind = kKindInt;
  kept.DefineEnum("Kept", 0, 2);
  EXPECT_EQ(kept.kind, kKindInt); // an already set kind stays

  IParam list;
  list.DefineEnumFromList("Tilt", 2, {"LO", "MD", "HI"});
  EXPECT_EQ(list.maxValue, 2.0);
  EXPECT_EQ(list.Value(), 2.0);
  EXPECT_STREQ(list.DisplayTextAt(2), "HI");
  EXPECT_STREQ(list.DisplayTextAt(3), "");
  EXPECT_STREQ(list.DisplayTextForValue(1), "MD");
  EXPECT_STREQ(list.DisplayTextForValue(1.5), "");

  IParam sec;
  sec.DefineSeconds("Sec", 1, 0, 10, 0.1);
  EXPECT_STREQ(sec.unitLabel, "Seconds");
  EXPECT_EQ(sec.unitCode, kUnitSeconds);
  EXPECT_EQ(sec.ShapeKind(), 0);
}

TEST(IParam, DefinePitchTexts)
{
  IParam c4;
  c4.DefinePitch("Note", 0, 60, 61, 0, "", true);
  EXPECT_EQ(c4.kind, kKindEnum);
  EXPECT_EQ(c4.maxValue, 1.0);
  ASSERT_EQ(c4.DisplayTextCount(), 2);
  EXPECT_STREQ(c4.DisplayTextAt(0), "C 4");
  EXPECT_STREQ(c4.DisplayTextAt(1), "C#4");

  IParam c3;
  c3.DefinePitch("Note", 0, 60, 61, 0, "", false);
  EXPECT_STREQ(c3.DisplayTextAt(0), "C 3");
  EXPECT_STREQ(c3.DisplayTextAt(1), "C#3");

  IParam wide;
  wide.DefinePitch("Note", 0, 0, 127, 0, "", true);
  EXPECT_STREQ(wide.DisplayTextAt(0), "C -1");
  EXPECT_STREQ(wide.DisplayTextAt(69), "A 4");
  EXPECT_STREQ(wide.DisplayTextAt(127), "G 9");
}

TEST(IParam, DefineFromCopy)
{
  IParam src;
  src.DefineDouble("Low: Drive Area Low", 50, 50, 6000, 0.01, "%", kFlagSignDisplay, "Area",
                   IParam::ShapePowCurve(2.0));
  src.AddDisplayText("min", 50);
  src.Set(100);

  IParam dst;
  dst.DefineFromCopy(src, "Low", "High", "");
  EXPECT_STREQ(dst.NameText(), "High: Drive Area Low");
  EXPECT_STREQ(dst.GroupText(), "Area");
  EXPECT_EQ(dst.kind, kKindDouble);
  EXPECT_EQ(dst.flags, kFlagSignDisplay);
  EXPECT_EQ(dst.minValue, 50.0);
  EXPECT_EQ(dst.maxValue, 6000.0);
  EXPECT_EQ(dst.ShapeParameter(), 2.0);
  EXPECT_NE(dst.shape.get(), src.shape.get());
  EXPECT_STREQ(dst.unitLabel, "%");
  EXPECT_EQ(dst.decimals, 2);
  EXPECT_STREQ(dst.DisplayTextForValue(50), "min");
  EXPECT_EQ(dst.Value(), 50.0); // the value is the default, not the source's

  IParam other;
  other.DefineFromCopy(src, "absent", "x", "New");
  EXPECT_STREQ(other.NameText(), "Low: Drive Area Low");
  EXPECT_STREQ(other.GroupText(), "New");
  other.DefineFromCopy(src, "", "x", nullptr);
  EXPECT_STREQ(other.NameText(), "Low: Drive Area Low");
}

TEST(IParam, JsonFragment)
{
  IParam g;
  g.DefineDouble("Gain", 0, -12, 12, 0.01);
  CharBuf out("[");
  g.AppendJSON(out, 3);
  EXPECT_STREQ(out.Get(),
               "[{\"id\":3, \"name\":\"Gain\", \"type\":\"float\", \"min\":-12.000000, \"max\":12.000000, "
               "\"default\":0.000000, \"display_type\":0, \"rate\":\"control\"}");

  IParam blank;
  CharBuf json;
  blank.AppendJSON(json, 0);
  EXPECT_EQ(std::string(json.Get()).find("\"type\""), std::string::npos);

  IParam e;
  e.DefineEnum("E", 0, 2);
  json.Clear();
  e.AppendJSON(json, 1);
  EXPECT_NE(std::string(json.Get()).find("\"type\":\"enum\""), std::string::npos);

  // A name with quotes, a backslash and a control character stays valid JSON.
  IParam q;
  q.DefineDouble("a\"b\\c\td", 0, 0, 1, 0.01);
  json.Clear();
  q.AppendJSON(json, 2);
  EXPECT_NE(std::string(json.Get()).find("\"name\":\"a\\\"b\\\\c\\u0009d\""), std::string::npos)
    << json.Get();
}
