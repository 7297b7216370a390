// Display delegates: the text of a parameter's real value and the value of a text.
// A parameter owns a clone of the display delegate it is given.
#pragma once

#include "aax/library/AAX_CString.h"

#include <cstdint>

class AAX_IDisplayDelegateBase
{
public:
  virtual ~AAX_IDisplayDelegateBase() = default;
};

template <typename T>
class AAX_IDisplayDelegate : public AAX_IDisplayDelegateBase
{
public:
  // A new copy of this delegate, owned by the caller.
  virtual AAX_IDisplayDelegate* Clone() const = 0;
  // The text of value; false when the value has no text. A null out gives false.
  virtual bool ValueToString(T value, AAX_CString* valueString) const = 0;
  // As above, fitted into at most maxNumChars characters where the delegate can.
  virtual bool ValueToString(T value, int32_t maxNumChars, AAX_CString* valueString) const = 0;
  // The value of a text; false (and a neutral value) when it does not parse.
  virtual bool StringToValue(const AAX_CString& valueString, T* value) const = 0;
};
