// A display delegate that owns an inner display delegate and forwards to it; subclasses change
// the texts on their way in and out.
#pragma once

#include "aax/library/AAX_IDisplayDelegate.h"

#include <memory>

template <typename T>
class AAX_IDisplayDelegateDecorator : public AAX_IDisplayDelegate<T>
{
public:
  explicit AAX_IDisplayDelegateDecorator(const AAX_IDisplayDelegate<T>& inner)
    : mInner(inner.Clone())
  {
  }
  AAX_IDisplayDelegateDecorator(const AAX_IDisplayDelegateDecorator& other)
    : AAX_IDisplayDelegate<T>(other), mInner(other.mInner->Clone())
  {
  }
  AAX_IDisplayDelegateDecorator& operator=(const AAX_IDisplayDelegateDecorator&) = delete;

  AAX_IDisplayDelegateDecorator* Clone() const override { return new AAX_IDisplayDelegateDecorator(*this); }

  bool ValueToString(T value, AAX_CString* valueString) const override
  {
    return mInner->ValueToString(value, valueString);
  }
  bool ValueToString(T value, int32_t maxNumChars, AAX_CString* valueString) const override
  {
    return mInner->ValueToString(value, maxNumChars, valueString);
  }
  bool StringToValue(const AAX_CString& valueString, T* value) const override
  {
    return mInner->StringToValue(valueString, value);
  }

protected:
  const AAX_IDisplayDelegate<T>& Inner() const { return *mInner; }

private:
  std::unique_ptr<AAX_IDisplayDelegate<T>> mInner;
};
