// Shows a value as a decimal number with Precision digits after the point, followed by
// SpaceAfter blanks. Parsing reads one number from the start of the text.
#pragma once

#include "aax/library/AAX_IDisplayDelegate.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

template <typename T, int32_t Precision = 2, int32_t SpaceAfter = 0>
class AAX_CNumberDisplayDelegate : public AAX_IDisplayDelegate<T>
{
public:
  AAX_CNumberDisplayDelegate* Clone() const override { return new AAX_CNumberDisplayDelegate(*this); }

  bool ValueToString(T value, AAX_CString* valueString) const override
  {
    if (!valueString)
      return false;
    valueString->Clear();
    valueString->AppendNumber(static_cast<double>(value), Precision);
    for (int32_t i = 0; i < SpaceAfter; ++i)
      valueString->Append(" ");
    return true;
  }

  // The full text cut to maxNumChars; a cut that leaves a trailing point drops it too.
  // A negative maximum means no limit.
  bool ValueToString(T value, int32_t maxNumChars, AAX_CString* valueString) const override
  {
    if (!ValueToString(value, valueString))
      return false;
    if (maxNumChars < 0)
      return true;
    const uint32_t limit = static_cast<uint32_t>(maxNumChars);
    if (valueString->Length() > limit)
      valueString->Erase(limit, valueString->Length() - limit);
    const uint32_t length = valueString->Length();
    if (maxNumChars > 0 && length > 0 && valueString->At(length - 1) == '.')
      valueString->Erase(length - 1, 1);
    return true;
  }

  bool StringToValue(const AAX_CString& valueString, T* value) const override
  {
    if (!value)
      return false;
    double parsed = 0.0;
    if (!valueString.ToDouble(&parsed))
    {
      *value = T(0);
      return false;
    }
    *value = FromDouble(parsed);
    return true;
  }

private:
  // Integers truncate toward zero and saturate, so no text can make the conversion overflow.
  static T FromDouble(double v)
  {
    if constexpr (std::is_integral<T>::value)
    {
      if (std::isnan(v))
        return T(0);
      const double lo = static_cast<double>(std::numeric_limits<T>::lowest());
      const double hi = static_cast<double>(std::numeric_limits<T>::max());
      if (v <= lo)
        return std::numeric_limits<T>::lowest();
      if (v >= hi)
        return std::numeric_limits<T>::max();
      return static_cast<T>(v);
    }
    else
    {
      return static_cast<T>(v);
    }
  }
};
