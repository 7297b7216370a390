#pragma once
// One automatable parameter: kind, range, step, default, current value, texts and the shape
// that maps between the real value and the normalised 0..1 value used by hosts and controls.
//
// The current value is written with an atomic exchange (host thread, editor, state restore)
// and read with atomic loads, without a lock, on the audio thread. Everything else is set
// while the plug-in is constructed and only read afterwards.

#include "plug/HeapBuf.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>

namespace plug {

enum EParamKind : int32_t
{
  kKindNone = 0,
  kKindBool = 1,
  kKindInt = 2,
  kKindEnum = 3,
  kKindDouble = 4
};

enum EParamUnitCode : int32_t
{
  kUnitPercentage = 0,
  kUnitSeconds = 1,
  kUnitMilliseconds = 2,
  kUnitDB = 4,
  kUnitDegrees = 8,
  kUnitFrequency = 12,
  kUnitCustom = 21
};

enum EParamFlagBits : int32_t
{
  kFlagsNone = 0,
  kFlagCannotAutomate = 1,
  kFlagStepped = 2,
  kFlagNegateDisplay = 4,
  kFlagSignDisplay = 8
};

// Longest name, label, group or formatted display text (without the NUL).
constexpr int kMaxParamTextLen = 31;

// A value-to-text entry of a parameter's display-text table.
struct IParamDisplayText
{
  double value;
  char text[kMaxParamTextLen + 1];
};

// NaN-safe clamp: NaN comes back as NaN (callers then leave their value unchanged),
// +-Inf clamp to the bounds.
inline double ClampValue(double v, double lo, double hi)
{
  if (v < lo)
    return lo;
  if (v > hi)
    return hi;
  return v;
}

class IParam
{
public:
  // The owned mapping between real and normalised values.
  class Shape
  {
  public:
    virtual ~Shape() = default;
    // A new shape of the same class and settings.
    virtual Shape* Copy() const = 0;
    // Precomputes from the parameter's range.
    virtual void Prepare(const IParam& param) { (void) param; }
    // Display-type code for hosts.
    virtual int DisplayCurve() const = 0;
    virtual double MapToValue(double x, const IParam& param) const = 0;
    virtual double MapToNormalized(double v, const IParam& param) const = 0;
  };

  // min + x (max - min)
  class ShapeLinear : public Shape
  {
  public:
    Shape* Copy() const override { return new ShapeLinear(*this); }
    int DisplayCurve() const override { return 0; }
    double MapToValue(double x, const IParam& param) const override;
    double MapToNormalized(double v, const IParam& param) const override;
  };

  // min + x^power (max - min)
  class ShapePowCurve : public Shape
  {
  public:
    explicit ShapePowCurve(double power) : mPower(power) {}
    Shape* Copy() const override { return new ShapePowCurve(*this); }
    int DisplayCurve() const override;
    double MapToValue(double x, const IParam& param) const override;
    double MapToNormalized(double v, const IParam& param) const override;
    double GetPower() const { return mPower; }

  private:
    double mPower;
  };

  // exp(x mul + add), with add = ln(min') and mul = ln(max / min'), where min' is the
  // minimum, or 1e-8 when the minimum is not above 0.
  class ShapeExp : public Shape
  {
  public:
    Shape* Copy() const override { return new ShapeExp(*this); }
    void Prepare(const IParam& param) override;
    int DisplayCurve() const override { return 1; }
    double MapToValue(double x, const IParam& param) const override;
    double MapToNormalized(double v, const IParam& param) const override;
    double GetMul() const { return mMul; }
    double GetAdd() const { return mAdd; }

  private:
    double mMul = 1.0;
    double mAdd = 0.0;
    double mFloor = 1e-8;
  };

  // Custom formatter: writes the text of a real value.
  using DisplayFunc = std::function<void(double value, CharBuf& out)>;

  // A blank parameter: kind none, unit custom, value 0, range 0..1, step 1, linear shape.
  IParam();
  ~IParam();
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // ---- definition (each keeps an already set kind, otherwise sets its own) ----

  void DefineDouble(const char* name, double defaultVal, double minVal, double maxVal, double stepVal,
                    const char* label = "", int flagBits = 0, const char* groupName = "",
                    const Shape& shapeSpec = ShapeLinear(), int unit = kUnitCustom,
                    DisplayFunc func = nullptr);

  void DefineBool(const char* name, bool defaultVal, const char* label = "", int flagBits = 0,
                  const char* groupName = "", const char* offText = "off", const char* onText = "on");

  // Enum of count values 0..count-1. When firstText is given it and the further texts become
  // the display texts of 0, 1, 2, ... (at most count of them).
  template <class... Texts>
  void DefineEnum(const char* name, int defaultVal, int count, const char* label = "", int flagBits = 0,
                  const char* groupName = "", const char* firstText = nullptr, Texts... moreTexts)
  {
    static_assert(std::conjunction<std::is_convertible<Texts, const char*>...>::value,
                  "DefineEnum texts must be C strings");
    const char* texts[] = {firstText, static_cast<const char*>(moreTexts)...};
    DefineEnumTexts(name, defaultVal, count, label, flagBits, groupName, texts,
                    firstText ? static_cast<int>(sizeof...(Texts)) + 1 : 0);
  }

  // Enum with one value per text of the list, label empty.
  void DefineEnumFromList(const char* name, int defaultVal, std::initializer_list<const char*> texts,
                          int flagBits = 0, const char* groupName = "");

  // The common core of DefineEnum: nTexts texts (at most count are used).
  void DefineEnumTexts(const char* name, int defaultVal, int count, const char* label, int flagBits,
                       const char* groupName, const char* const* texts, int nTexts);

  void DefineInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
                 int flagBits = 0, const char* groupName = "");
  void DefineFrequency(const char* name, double defaultVal, double minVal, double maxVal, double stepVal,
                       int flagBits = 0, const char* groupName = "");
  void DefineSeconds(const char* name, double defaultVal, double minVal, double maxVal, double stepVal,
                     int flagBits = 0, const char* groupName = "");
  void DefineMilliseconds(const char* name, double defaultVal, double minVal, double maxVal, int flagBits = 0,
                          const char* groupName = "");
  void DefineGain(const char* name, double defaultVal, double minVal, double maxVal, double stepVal,
                  int flagBits = 0, const char* groupName = "");
  void DefinePercentage(const char* name, double defaultVal, double minVal, double maxVal, int flagBits = 0,
                        const char* groupName = "");
  void DefineAngle(const char* name, double defaultVal, double minVal, double maxVal, int flagBits = 0,
                   const char* groupName = "");
  // Enum over MIDI notes lowest..highest with texts such as "C 4" / "C#4". middleCIsC4
  // selects the octave numbering (C4 = note 60, else C3 = note 60).
  void DefinePitch(const char* name, int defaultVal, int lowestNote, int highestNote, int flagBits = 0,
                   const char* groupName = "", bool middleCIsC4 = false);
  // Copies everything but value, name and group from source; the name is the source's with
  // the first occurrence of searchText replaced by replaceText; the group is newGroup when
  // non-empty, else the source's.
  void DefineFromCopy(const IParam& source, const char* searchText, const char* replaceText,
                      const char* newGroup);

  // ---- display texts ----

  void AddDisplayText(const char* text, double v);
  int DisplayTextCount() const { return displayTexts.GetSize(); }
  // Text of entry i (0 <= i < count) with its value in *pValue (when non-null); "" outside.
  const char* DisplayTextAt(int i, double* pValue = nullptr) const;
  // Text of the first entry whose value equals v exactly, else "".
  const char* DisplayTextForValue(double v) const;
  // True, with the value, when an entry's text equals text exactly.
  bool ValueForDisplayText(const char* text, double* pValue) const;

  // ---- queries ----

  const char* NameText() const { return name; }
  // "" when the current value, truncated to an integer, has a non-empty display text;
  // otherwise the unit label.
  const char* LabelText() const;
  const char* GroupText() const { return group; }
  void Bounds(double& lo, double& hi) const
  {
    lo = minValue;
    hi = maxValue;
  }
  void SetDecimals(int n) { decimals = n < 0 ? 0 : (n > 6 ? 6 : n); }
  EParamKind Kind() const { return kind; }
  int Flags() const { return flags; }
  bool IsStepped() const { return (flags & kFlagStepped) != 0; }
  bool CanAutomate() const { return (flags & kFlagCannotAutomate) == 0; }
  // 0 linear, 1 power curve, 2 exponential, 3 anything else.
  int ShapeKind() const;
  // The power of a power-curve shape, else 0.
  double ShapeParameter() const;

  // ---- value and conversions ----

  double Value() const { return value.load(std::memory_order_relaxed); }
  // Stepped rounding (halves away from zero) when stepped, then clamping to the range.
  // NaN stays NaN; +-Inf clamp to the bounds.
  double Constrain(double v) const;
  // Stores Constrain(v) with an atomic exchange. NaN leaves the value unchanged (false).
  bool Set(double v);
  // Set(FromNormalized(x)); NaN leaves the value unchanged (false).
  bool SetNormalized(double x);
  // The current value normalised through the shape, clamped to 0..1.
  double GetNormalized() const { return NormalizedClamped(Value()); }
  // ToNormalized(v) clamped to 0..1 (NaN gives 0).
  double NormalizedClamped(double v) const;
  void SetToDefault() { Set(defaultValue); }

  double ToNormalized(double v) const { return shape->MapToNormalized(v, *this); }
  double FromNormalized(double x) const { return shape->MapToValue(x, *this); }

  // Writes the display text of value (normalised when isNormalised) into out, at most 31
  // characters: the display function, else (withDisplayText) an exact display text, else
  // the number at the parameter's precision. Independent of the process locale.
  void FormatValue(double v, bool isNormalised, CharBuf& out, bool withDisplayText = true) const;
  // The display text of the current value, followed by " " and the unit label when
  // LabelText() is not empty.
  void GetDisplayWithLabel(CharBuf& out, bool withDisplayText = true) const;
  static void GetDisplayWithLabel(const IParam& param, CharBuf& out, bool withDisplayText = true)
  {
    param.GetDisplayWithLabel(out, withDisplayText);
  }
  // Value of a text: a matching display text, else 0 for bool and enum, else the decimal
  // number at the start of text (0 when none), negated when the display is negated,
  // stepped and clamped. Independent of the process locale.
  double ParseValue(const char* text) const;
  // The same for a text that must name a value: false (pValue untouched) when it is neither a
  // display text nor, for the other kinds, starts with a finite number.
  bool TryParseValue(const char* text, double* pValue) const;

  // Appends {"id":.., "name":.., "type":.., "min":.., "max":.., "default":..,
  // "display_type":.., "rate":"control"} to out. The name is written as it is.
  void AppendJSON(CharBuf& out, int id) const;

  // ---- fields ----
  EParamKind kind = kKindNone;
  EParamUnitCode unitCode = kUnitCustom;
  std::atomic<double> value{0.0};
  double minValue = 0.0;
  double maxValue = 1.0;
  double step = 1.0;
  double defaultValue = 0.0;
  int32_t decimals = 0;
  int32_t flags = 0;
  char name[kMaxParamTextLen + 1] = {};
  char unitLabel[kMaxParamTextLen + 1] = {};
  char group[kMaxParamTextLen + 1] = {};
  std::unique_ptr<Shape> shape;
  DisplayFunc displayFunc;
  TypedBuf<IParamDisplayText> displayTexts{4096};
};

} // namespace plug
