// Appends a unit text ("dB", "Hz", ...) to the inner delegate's text and strips it again before
// parsing.
#pragma once

#include "aax/library/AAX_IDisplayDelegateDecorator.h"

#include <cstdint>

template <typename T>
class AAX_CUnitDisplayDelegateDecorator : public AAX_IDisplayDelegateDecorator<T>
{
public:
  AAX_CUnitDisplayDelegateDecorator(const AAX_IDisplayDelegate<T>& inner, const AAX_CString& unitString)
    : AAX_IDisplayDelegateDecorator<T>(inner), mUnitString(unitString)
  {
  }

  AAX_CUnitDisplayDelegateDecorator* Clone() const override { return new AAX_CUnitDisplayDelegateDecorator(*this); }

  bool ValueToString(T value, AAX_CString* valueString) const override
  {
    const bool ok = this->Inner().ValueToString(value, valueString);
    if (valueString)
      valueString->Append(mUnitString);
    return ok;
  }

  // The unit is added only when it fits completely into what is left of maxNumChars.
  bool ValueToString(T value, int32_t maxNumChars, AAX_CString* valueString) const override
  {
    const bool ok = this->Inner().ValueToString(value, maxNumChars, valueString);
    if (valueString)
    {
      const int64_t length = valueString->Length();
      if (length < maxNumChars && maxNumChars - length >= static_cast<int64_t>(mUnitString.Length()))
        valueString->Append(mUnitString);
    }
    return ok;
  }

  bool StringToValue(const AAX_CString& valueString, T* value) const override
  {
    const std::string& text = valueString.StdString();
    const std::string& unit = mUnitString.StdString();
    if (!unit.empty() && text.size() > unit.size() &&
        text.compare(text.size() - unit.size(), unit.size(), unit) == 0)
    {
      const AAX_CString number(text.substr(0, text.size() - unit.size()));
      return this->Inner().StringToValue(number, value);
    }
    return this->Inner().StringToValue(valueString, value);
  }

private:
  AAX_CString mUnitString;
};
