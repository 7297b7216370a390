// A snapshot (identifier, value) of a parameter of type T. The value is atomic because the
// parameter that embeds its current value in one of these is read and written from several
// host threads.
#pragma once

#include "aax/library/AAX_IParameter.h"

#include <atomic>
#include <cstring>
#include <type_traits>

template <typename T>
class AAX_CParameterValue : public AAX_IParameterValue
{
public:
  // Identifiers longer than eParameterDefaultMaxIdentifierSize - 1 characters are cut.
  AAX_CParameterValue(AAX_CParamID identifier, T value) : mValue(value) { SetIdentifier(identifier); }
  AAX_CParameterValue(const AAX_CParameterValue& other) : AAX_IParameterValue(), mValue(other.Get())
  {
    std::memcpy(mIdentifier, other.mIdentifier, sizeof(mIdentifier));
  }
  AAX_CParameterValue& operator=(const AAX_CParameterValue&) = delete;

  AAX_CParameterValue* Clone() const override { return new AAX_CParameterValue(*this); }
  AAX_CParamID Identifier() const override { return mIdentifier; }

  bool GetValueAsBool(bool* value) const override { return GetAs(value); }
  bool GetValueAsInt32(int32_t* value) const override { return GetAs(value); }
  bool GetValueAsFloat(float* value) const override { return GetAs(value); }
  bool GetValueAsDouble(double* value) const override { return GetAs(value); }
  bool GetValueAsString(AAX_IString* value) const override
  {
    (void) value;
    return false;
  }

  T Get() const { return mValue.load(std::memory_order_acquire); }
  void Set(T value) { mValue.store(value, std::memory_order_release); }

  // Returns false when the identifier had to be cut.
  bool SetIdentifier(AAX_CParamID identifier)
  {
    const char* text = identifier ? identifier : "";
    const size_t len = std::strlen(text);
    const size_t kept = len < sizeof(mIdentifier) ? len : sizeof(mIdentifier) - 1;
    std::memcpy(mIdentifier, text, kept);
    mIdentifier[kept] = '\0';
    return kept == len;
  }

private:
  // Succeeds only for the value's own type (int32 for int).
  template <typename U>
  bool GetAs(U* out) const
  {
    if constexpr (std::is_same<U, T>::value)
    {
      if (!out)
        return false;
      *out = Get();
      return true;
    }
    else
    {
      (void) out;
      return false;
    }
  }

  char mIdentifier[eParameterDefaultMaxIdentifierSize] = {};
  std::atomic<T> mValue;
};
