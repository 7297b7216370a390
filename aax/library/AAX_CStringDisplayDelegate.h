// Shows chosen values as fixed texts (an enumeration); texts parse back only when they match
// exactly.
#pragma once

#include "aax/library/AAX_IDisplayDelegate.h"

#include <cstdint>
#include <map>
#include <string>

template <typename T>
class AAX_CStringDisplayDelegate : public AAX_IDisplayDelegate<T>
{
public:
  // When several values share a text, the text parses to the smallest of them.
  explicit AAX_CStringDisplayDelegate(const std::map<T, AAX_CString>& stringMap) : mStringMap(stringMap)
  {
    for (const auto& entry : mStringMap)
      mInverseStringMap.emplace(entry.second.StdString(), entry.first);
  }

  AAX_CStringDisplayDelegate* Clone() const override { return new AAX_CStringDisplayDelegate(*this); }

  bool ValueToString(T value, AAX_CString* valueString) const override
  {
    if (!valueString)
      return false;
    const auto it = mStringMap.find(value);
    if (it == mStringMap.end())
    {
      *valueString = "String Not Found";
      return false;
    }
    *valueString = it->second;
    return true;
  }

  bool ValueToString(T value, int32_t /*maxNumChars*/, AAX_CString* valueString) const override
  {
    return ValueToString(value, valueString);
  }

  bool StringToValue(const AAX_CString& valueString, T* value) const override
  {
    if (!value)
      return false;
    const auto it = mInverseStringMap.find(valueString.StdString());
    if (it == mInverseStringMap.end())
    {
      *value = T(0);
      return false;
    }
    *value = it->second;
    return true;
  }

private:
  std::map<T, AAX_CString> mStringMap;
  std::map<std::string, T> mInverseStringMap;
};
