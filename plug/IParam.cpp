#include "plug/IParam.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace plug {

namespace {

// Copies at most kMaxParamTextLen characters of src (null counts as "").
void CopyText(char (&dst)[kMaxParamTextLen + 1], const char* src)
{
  if (!src)
    src = "";
  std::size_t n = 0;
  while (n < kMaxParamTextLen && src[n])
  {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = 0;
}

// Whole up to binary rounding (0.1 x 10 is 1.0000000000000002). A non-zero value that
// rounds to 0 is never whole, however small it is.
bool IsWhole(double x)
{
  const double r = std::round(x);
  if (r == 0.0 && x != 0.0)
    return false;
  return std::fabs(x - r) <= 1e-9 * std::max(1.0, std::fabs(x));
}

const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};

// The decimal number (with an optional exponent) at the start of text, 0 when there is none
// (found then false). Leading white space and a sign are accepted; values beyond the double
// range become +-Inf (underflow 0). Spelt-out infinities and NaN are not numbers.
double LeadingNumber(const char* text, bool* found = nullptr)
{
  if (found)
    *found = false;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-')
  {
    negative = (*p == '-');
    ++p;
  }
  // Digits, or a point and digits, must follow (one sign only): from_chars would also take a
  // second "-", "inf", "infinity" and "nan".
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (!isDigit(*p) && !(*p == '.' && isDigit(p[1])))
    return 0.0;
  if (found)
    *found = true;
  const char* end = p + std::strlen(p);
  double v = 0.0;
  auto res = std::from_chars(p, end, v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range)
  {
    // Too large or too small: find the exponent's sign to tell which.
    bool negExp = false;
    for (const char* q = p; q < res.ptr; ++q)
      if ((*q == 'e' || *q == 'E') && q + 1 < res.ptr && q[1] == '-')
        negExp = true;
    v = negExp ? 0.0 : HUGE_VAL;
  }
  else if (res.ec != std::errc())
  {
    v = 0.0;
  }
  if (std::isnan(v))
    v = 0.0;
  return negative ? -v : v;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Shapes

double IParam::ShapeLinear::MapToValue(double x, const IParam& param) const
{
  return param.minValue + x * (param.maxValue - param.minValue);
}

double IParam::ShapeLinear::MapToNormalized(double v, const IParam& param) const
{
  const double range = param.maxValue - param.minValue;
  return range != 0.0 ? (v - param.minValue) / range : 0.0;
}

int IParam::ShapePowCurve::DisplayCurve() const
{
  if (mPower > 2.5)
    return 6;
  if (mPower > 1.5)
    return 4;
  if (mPower < 0.4)
    return 5;
  if (mPower < 2.0 / 3.0)
    return 3;
  return 0;
}

double IParam::ShapePowCurve::MapToValue(double x, const IParam& param) const
{
  // A negative base has no real power; below 0 the curve starts at the minimum.
  if (x < 0.0)
    x = 0.0;
  return param.minValue + std::pow(x, mPower) * (param.maxValue - param.minValue);
}

double IParam::ShapePowCurve::MapToNormalized(double v, const IParam& param) const
{
  const double range = param.maxValue - param.minValue;
  if (range == 0.0)
    return 0.0;
  double r = (v - param.minValue) / range;
  if (r < 0.0)
    r = 0.0;
  return std::pow(r, 1.0 / mPower);
}

void IParam::ShapeExp::Prepare(const IParam& param)
{
  mFloor = param.minValue > 0.0 ? param.minValue : 1e-8;
  mAdd = std::log(mFloor);
  mMul = std::log(param.maxValue / mFloor);
}

double IParam::ShapeExp::MapToValue(double x, const IParam& param) const
{
  (void) param;
  return std::exp(x * mMul + mAdd);
}

double IParam::ShapeExp::MapToNormalized(double v, const IParam& param) const
{
  (void) param;
  if (mMul == 0.0 || !std::isfinite(mMul))
    return 0.0;
  // Values at or below the floor map to 0 instead of producing NaN.
  return (std::log(std::max(v, mFloor)) - mAdd) / mMul;
}

// ---------------------------------------------------------------------------------------
// Construction and definition

IParam::IParam() : shape(new ShapeLinear()) {}

IParam::~IParam() = default;

void IParam::DefineDouble(const char* nameText, double defaultVal, double minVal, double maxVal, double stepVal,
                          const char* label, int flagBits, const char* groupName, const Shape& shapeSpec,
                          int unit, DisplayFunc func)
{
  if (kind == kKindNone)
    kind = kKindDouble;

  CopyText(name, nameText);
  CopyText(unitLabel, label);
  CopyText(group, groupName);

  minValue = minVal;
  maxValue = std::max(minVal + stepVal, maxVal);
  step = stepVal;
  defaultValue = defaultVal;
  unitCode = static_cast<EParamUnitCode>(unit);
  flags = flagBits;

  displayFunc = std::move(func);

  double v = Constrain(defaultVal);
  if (std::isnan(v))
    v = minValue;
  value.exchange(v);

  if (IsWhole(stepVal))
  {
    decimals = 0;
  }
  else
  {
    decimals = 6;
    double scaled = stepVal;
    for (int k = 1; k <= 5; ++k)
    {
      scaled *= 10.0;
      if (IsWhole(scaled))
      {
        decimals = k;
        break;
      }
    }
  }

  // Copy before replacing: shapeSpec may be this parameter's own shape.
  std::unique_ptr<Shape> copy(shapeSpec.Copy());
  shape = std::move(copy);
  shape->Prepare(*this);
}

void IParam::DefineBool(const char* nameText, bool defaultVal, const char* label, int flagBits,
                        const char* groupName, const char* offText, const char* onText)
{
  if (kind == kKindNone)
    kind = kKindBool;
  DefineDouble(nameText, defaultVal ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, flagBits | kFlagStepped, groupName,
               ShapeLinear(), kUnitCustom);
  if (offText)
    AddDisplayText(offText, 0.0);
  if (onText)
    AddDisplayText(onText, 1.0);
}

void IParam::DefineEnumTexts(const char* nameText, int defaultVal, int count, const char* label, int flagBits,
                             const char* groupName, const char* const* texts, int nTexts)
{
  if (kind == kKindNone)
    kind = kKindEnum;
  DefineDouble(nameText, defaultVal, 0.0, static_cast<double>(count) - 1.0, 1.0, label, flagBits | kFlagStepped,
               groupName, ShapeLinear(), kUnitCustom);
  const int n = std::min(nTexts, count);
  for (int i = 0; i < n; ++i)
    AddDisplayText(texts[i] ? texts[i] : "", i);
}

void IParam::DefineEnumFromList(const char* nameText, int defaultVal, std::initializer_list<const char*> texts,
                                int flagBits, const char* groupName)
{
  const int count = static_cast<int>(texts.size());
  DefineEnumTexts(nameText, defaultVal, count, "", flagBits, groupName, texts.begin(), count);
}

void IParam::DefineInt(const char* nameText, int defaultVal, int minVal, int maxVal, const char* label,
                       int flagBits, const char* groupName)
{
  if (kind == kKindNone)
    kind = kKindInt;
  DefineDouble(nameText, defaultVal, minVal, maxVal, 1.0, label, flagBits | kFlagStepped, groupName,
               ShapeLinear(), kUnitCustom);
}

void IParam::DefineFrequency(const char* nameText, double defaultVal, double minVal, double maxVal,
                             double stepVal, int flagBits, const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, stepVal, "Hz", flagBits, groupName, ShapeExp(),
               kUnitFrequency);
}

void IParam::DefineSeconds(const char* nameText, double defaultVal, double minVal, double maxVal, double stepVal,
                           int flagBits, const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, stepVal, "Seconds", flagBits, groupName, ShapeLinear(),
               kUnitSeconds);
}

void IParam::DefineMilliseconds(const char* nameText, double defaultVal, double minVal, double maxVal,
                                int flagBits, const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, 1.0, "ms", flagBits, groupName, ShapeLinear(),
               kUnitMilliseconds);
}

void IParam::DefineGain(const char* nameText, double defaultVal, double minVal, double maxVal, double stepVal,
                        int flagBits, const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, stepVal, "dB", flagBits, groupName, ShapeLinear(), kUnitDB);
}

void IParam::DefinePercentage(const char* nameText, double defaultVal, double minVal, double maxVal,
                              int flagBits, const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, 1.0, "%", flagBits, groupName, ShapeLinear(),
               kUnitPercentage);
}

void IParam::DefineAngle(const char* nameText, double defaultVal, double minVal, double maxVal, int flagBits,
                         const char* groupName)
{
  DefineDouble(nameText, defaultVal, minVal, maxVal, 1.0, "degrees", flagBits, groupName, ShapeLinear(),
               kUnitDegrees);
}

void IParam::DefinePitch(const char* nameText, int defaultVal, int lowestNote, int highestNote, int flagBits,
                         const char* groupName, bool middleCIsC4)
{
  if (kind == kKindNone)
    kind = kKindEnum;
  const int count = highestNote - lowestNote + 1;
  DefineDouble(nameText, defaultVal, 0.0, static_cast<double>(highestNote - lowestNote), 1.0, "",
               flagBits | kFlagStepped, groupName, ShapeLinear(), kUnitCustom);
  CharBuf text;
  for (int i = 0; i < count; ++i)
  {
    const int note = lowestNote + i;
    const int pitchClass = ((note % 12) + 12) % 12;
    // Octaves round toward zero, like the integer division they come from.
    const int octave = note / 12 - (middleCIsC4 ? 1 : 2);
    text.Printf(kMaxParamTextLen, "%s%i", kNoteNames[pitchClass], octave);
    AddDisplayText(text.Get(), i);
  }
}

void IParam::DefineFromCopy(const IParam& source, const char* searchText, const char* replaceText,
                            const char* newGroup)
{
  CharBuf newName(source.name);
  if (searchText && *searchText)
  {
    const char* hit = std::strstr(source.name, searchText);
    if (hit)
    {
      const int at = static_cast<int>(hit - source.name);
      const int searchLen = static_cast<int>(std::strlen(searchText));
      newName.Set(source.name, at);
      newName.Append(replaceText ? replaceText : "");
      newName.Append(source.name + at + searchLen);
    }
  }
  CharBuf newGroupText((newGroup && *newGroup) ? newGroup : source.group);

  if (this == &source)
  {
    CopyText(name, newName.Get());
    CopyText(group, newGroupText.Get());
    return;
  }

  kind = source.kind;
  DefineDouble(newName.Get(), source.defaultValue, source.minValue, source.maxValue, source.step, source.unitLabel,
               source.flags, newGroupText.Get(), *source.shape, source.unitCode, source.displayFunc);
  decimals = source.decimals;
  displayTexts.Clear();
  for (int i = 0; i < source.DisplayTextCount(); ++i)
    displayTexts.Add(source.displayTexts.Get()[i]);
}

// ---------------------------------------------------------------------------------------
// Display texts

void IParam::AddDisplayText(const char* text, double v)
{
  IParamDisplayText entry{};
  entry.value = v;
  CopyText(entry.text, text);
  displayTexts.Add(entry);
}

const char* IParam::DisplayTextAt(int i, double* pValue) const
{
  if (i < 0 || i >= DisplayTextCount())
    return "";
  const IParamDisplayText& entry = displayTexts.Get()[i];
  if (pValue)
    *pValue = entry.value;
  return entry.text;
}

const char* IParam::DisplayTextForValue(double v) const
{
  const int n = DisplayTextCount();
  const IParamDisplayText* list = displayTexts.Get();
  for (int i = 0; i < n; ++i)
    if (list[i].value == v)
      return list[i].text;
  return "";
}

bool IParam::ValueForDisplayText(const char* text, double* pValue) const
{
  if (!text)
    return false;
  const int n = DisplayTextCount();
  const IParamDisplayText* list = displayTexts.Get();
  for (int i = 0; i < n; ++i)
  {
    if (std::strcmp(list[i].text, text) == 0)
    {
      if (pValue)
        *pValue = list[i].value;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Queries

const char* IParam::LabelText() const
{
  const double truncated = std::trunc(Value());
  const int n = DisplayTextCount();
  const IParamDisplayText* list = displayTexts.Get();
  for (int i = 0; i < n; ++i)
    if (list[i].value == truncated && list[i].text[0])
      return "";
  return unitLabel;
}

int IParam::ShapeKind() const
{
  const Shape* s = shape.get();
  if (dynamic_cast<const ShapeLinear*>(s))
    return 0;
  if (dynamic_cast<const ShapePowCurve*>(s))
    return 1;
  if (dynamic_cast<const ShapeExp*>(s))
    return 2;
  return 3;
}

double IParam::ShapeParameter() const
{
  const auto* pow = dynamic_cast<const ShapePowCurve*>(shape.get());
  return pow ? pow->GetPower() : 0.0;
}

// ---------------------------------------------------------------------------------------
// Value and conversions

double IParam::Constrain(double v) const
{
  if (IsStepped() && step > 0.0)
    v = std::round(v / step) * step;
  return ClampValue(v, minValue, maxValue);
}

bool IParam::Set(double v)
{
  const double c = Constrain(v);
  if (std::isnan(c))
    return false;
  value.exchange(c);
  return true;
}

bool IParam::SetNormalized(double x)
{
  if (std::isnan(x))
    return false;
  return Set(FromNormalized(x));
}

double IParam::NormalizedClamped(double v) const
{
  const double n = ToNormalized(v);
  if (std::isnan(n))
    return 0.0;
  return ClampValue(n, 0.0, 1.0);
}

void IParam::FormatValue(double v, bool isNormalised, CharBuf& out, bool withDisplayText) const
{
  if (isNormalised)
    v = Constrain(FromNormalized(v));

  if (displayFunc)
  {
    displayFunc(v, out);
    // Display texts are at most 31 characters, whatever the function wrote.
    if (out.GetLength() > kMaxParamTextLen)
    {
      out.GetWritable()[kMaxParamTextLen] = 0;
      out.GetHeapBuf().SetLength(kMaxParamTextLen + 1, false);
    }
    return;
  }

  if (withDisplayText)
  {
    const char* text = DisplayTextForValue(v);
    if (text[0])
    {
      out.Set(text);
      return;
    }
  }

  double shown = (flags & kFlagNegateDisplay) ? -v : v;
  if (v == 0.0)
    shown = 0.0; // never show a negative zero

  char buf[kMaxParamTextLen + 1];
  if (decimals <= 0)
  {
    const double r = std::round(shown);
    if (r >= static_cast<double>(INT_MIN) && r <= static_cast<double>(INT_MAX))
    {
      auto res = std::to_chars(buf, buf + kMaxParamTextLen, static_cast<int>(r));
      *res.ptr = 0;
    }
    else
    {
      FormatDouble(buf, sizeof(buf), r, 0);
    }
  }
  else
  {
    const bool forceSign = (flags & kFlagSignDisplay) && v != 0.0;
    FormatDouble(buf, sizeof(buf), shown, decimals, forceSign);
  }
  out.Set(buf);
}

void IParam::GetDisplayWithLabel(CharBuf& out, bool withDisplayText) const
{
  FormatValue(Value(), false, out, withDisplayText);
  const char* label = LabelText();
  if (label[0])
  {
    out.Append(" ");
    out.Append(label);
  }
}

namespace {

// The decimal number at the start of text as a value of a numeric parameter: negated when its
// display is negated, stepped and clamped, NaN as the minimum. finite tells whether text
// started with a finite number.
double NumberAsValue(const IParam& param, const char* text, bool& finite)
{
  bool found = false;
  double v = LeadingNumber(text, &found);
  finite = found && std::isfinite(v);
  if (param.flags & kFlagNegateDisplay)
    v = -v;
  v = param.Constrain(v);
  return std::isnan(v) ? param.minValue : v;
}

} // namespace

double IParam::ParseValue(const char* text) const
{
  if (!text)
    text = "";
  double v = 0.0;
  if (ValueForDisplayText(text, &v))
    return v;
  if (kind == kKindBool || kind == kKindEnum)
    return 0.0;
  bool finite = false;
  return NumberAsValue(*this, text, finite);
}

bool IParam::TryParseValue(const char* text, double* pValue) const
{
  if (!text)
    text = "";
  double v = 0.0;
  if (!ValueForDisplayText(text, &v))
  {
    if (kind == kKindBool || kind == kKindEnum)
      return false;
    bool finite = false;
    v = NumberAsValue(*this, text, finite);
    if (!finite)
      return false;
  }
  if (pValue)
    *pValue = v;
  return true;
}

namespace {

// Names are user text: quotes, backslashes and control characters must not break the JSON.
void AppendJSONEscaped(CharBuf& out, const char* text)
{
  char esc[8];
  for (const char* p = text; *p; ++p)
  {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\')
    {
      esc[0] = '\\';
      esc[1] = static_cast<char>(c);
      esc[2] = 0;
      out.Append(esc);
    }
    else if (c < 0x20)
    {
      std::snprintf(esc, sizeof(esc), "\\u%04x", c);
      out.Append(esc);
    }
    else
    {
      esc[0] = static_cast<char>(c);
      esc[1] = 0;
      out.Append(esc);
    }
  }
}

// JSON has no NaN or infinity: such a bound is written as null.
void FormatJSONNumber(char* buf, int cap, double v)
{
  if (std::isfinite(v))
    FormatDouble(buf, cap, v, 6);
  else
    std::snprintf(buf, static_cast<size_t>(cap), "null");
}

} // namespace

void IParam::AppendJSON(CharBuf& out, int id) const
{
  constexpr int kMaxFragment = 8192;
  static const char* const kTypeNames[] = {"", "bool", "int", "enum", "float"};
  char num[400];

  out.Append("{");
  out.AppendPrintf(kMaxFragment, "\"id\":%i, ", id);
  out.Append("\"name\":\"");
  AppendJSONEscaped(out, name);
  out.Append("\", ");
  if (kind >= kKindBool && kind <= kKindDouble)
    out.AppendPrintf(kMaxFragment, "\"type\":\"%s\", ", kTypeNames[kind]);
  FormatJSONNumber(num, sizeof(num), minValue);
  out.AppendPrintf(kMaxFragment, "\"min\":%s, ", num);
  FormatJSONNumber(num, sizeof(num), maxValue);
  out.AppendPrintf(kMaxFragment, "\"max\":%s, ", num);
  FormatJSONNumber(num, sizeof(num), defaultValue);
  out.AppendPrintf(kMaxFragment, "\"default\":%s, ", num);
  out.AppendPrintf(kMaxFragment, "\"display_type\":%i, ", shape->DisplayCurve());
  out.Append("\"rate\":\"control\"");
  out.Append("}");
}

} // namespace plug
