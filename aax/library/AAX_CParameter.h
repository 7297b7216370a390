// A host-side parameter of type T (bool, int32 or double): identifier, names, the current and
// default values, a taper delegate for the normalised view and a display delegate for texts.
// With an automation delegate, local changes travel as touch / set-value request / release to
// the host, which applies them and sends them back as updates (UpdateNormalizedValue); without
// one they are applied at once.
//
// Failures are reported by return values; only allocation can throw, and the effect-parameters
// layer catches that before it reaches the host. Non-finite normalised values (and NaN real
// values) are ignored: they would otherwise reach the tapers and be stored or sent to the host.
#pragma once

#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CParameterValue.h"
#include "aax/interfaces/AAX_IAutomationDelegate.h"
#include "aax/library/AAX_IDisplayDelegate.h"
#include "aax/library/AAX_IParameter.h"
#include "aax/library/AAX_ITaperDelegate.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <type_traits>

template <typename T>
class AAX_CParameter : public AAX_IParameter
{
public:
  AAX_CParameter(AAX_CParamID identifier, const AAX_CString& name, T defaultValue,
                 const AAX_ITaperDelegate<T>& taperDelegate, const AAX_IDisplayDelegate<T>& displayDelegate,
                 bool automatable)
    : mName(name), mAutomatable(automatable), mTaperDelegate(taperDelegate.Clone()),
      mDisplayDelegate(displayDelegate.Clone()), mValue(identifier, defaultValue), mDefaultValue(defaultValue)
  {
    const size_t len = identifier ? std::strlen(identifier) : 0;
    AAX_ASSERT(len < eParameterDefaultMaxIdentifierSize);
    InitNumberOfSteps();
    // The default is stored directly and the needs-update flag stays set, so the host's first
    // update is always stored and reported, even when it carries this same value.
    mValue.Set(mTaperDelegate->NormalizedToReal(GetNormalizedDefaultValue()));
  }

  ~AAX_CParameter() override
  {
    if (mAutomationDelegate)
      mAutomationDelegate->UnregisterParameter(Identifier());
    mShortenedNames.clear();
  }

  AAX_CParameter(const AAX_CParameter&) = delete;
  AAX_CParameter& operator=(const AAX_CParameter&) = delete;

  // ---- identity and names ----

  AAX_IParameterValue* CloneValue() const override { return new AAX_CParameterValue<T>(mValue); }
  AAX_CParamID Identifier() const override { return mValue.Identifier(); }

  void SetName(const AAX_CString& name) override
  {
    mName = name;
    if (mAutomationDelegate)
      mAutomationDelegate->ParameterNameChanged(Identifier());
  }
  const AAX_CString& Name() const override { return mName; }

  // A name for displays of about its length; a later name of the same length replaces it.
  void AddShortenedName(const AAX_CString& name) override
  {
    mShortenedNames[static_cast<int32_t>(name.Length())] = name;
  }

  // The longest shortened name not longer than `length` (the shortest when all are longer);
  // the full name when it fits or there are no shortened names.
  const AAX_CString& ShortenedName(int32_t length) const override
  {
    if (length < 0 || length >= static_cast<int64_t>(mName.Length()) || mShortenedNames.empty())
      return mName;
    auto it = mShortenedNames.upper_bound(length);
    if (it == mShortenedNames.begin())
      return it->second;
    return std::prev(it)->second;
  }
  void ClearShortenedNames() override { mShortenedNames.clear(); }

  bool Automatable() const override { return mAutomatable; }

  // ---- automation ----

  // The new delegate is the parameter's before either call: a host that fails the
  // unregistration still has the parameter leave it.
  void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) override
  {
    AAX_IAutomationDelegate* const previous = mAutomationDelegate;
    mAutomationDelegate = delegate;
    if (previous)
      previous->UnregisterParameter(Identifier());
    if (delegate)
      delegate->RegisterParameter(Identifier());
  }
  AAX_IAutomationDelegate* GetAutomationDelegate() const { return mAutomationDelegate; }

  void Touch() override
  {
    if (mAutomationDelegate)
      mAutomationDelegate->PostTouchRequest(Identifier());
  }
  void Release() override
  {
    if (mAutomationDelegate)
      mAutomationDelegate->PostReleaseRequest(Identifier());
  }

  // ---- normalised value and default ----

  void SetNormalizedValue(double value) override
  {
    if (!std::isfinite(value))
      return;
    const T realValue = mTaperDelegate->NormalizedToReal(value);
    RequestNormalizedValue(mTaperDelegate->RealToNormalized(realValue));
  }
  double GetNormalizedValue() const override { return mTaperDelegate->RealToNormalized(mValue.Get()); }

  void SetNormalizedDefaultValue(double value) override
  {
    if (!std::isfinite(value))
      return;
    mDefaultValue = mTaperDelegate->ConstrainRealValue(mTaperDelegate->NormalizedToReal(value));
  }
  double GetNormalizedDefaultValue() const override { return mTaperDelegate->RealToNormalized(mDefaultValue); }
  void SetToDefaultValue() override { SetNormalizedValue(GetNormalizedDefaultValue()); }
  T GetDefaultValue() const { return mDefaultValue; }

  // ---- steps ----

  // 0 is refused (reported) and keeps the count.
  void SetNumberOfSteps(uint32_t numSteps) override
  {
    AAX_ASSERT(0 < numSteps);
    if (numSteps > 0)
      mNumSteps = numSteps;
  }
  uint32_t GetNumberOfSteps() const override { return mNumSteps; }
  uint32_t GetStepValue() const override { return GetStepValueFromNormalizedValue(GetNormalizedValue()); }

  double GetNormalizedValueFromStep(uint32_t step) const override
  {
    if (mNumSteps < 2)
      return 0.0;
    const double x = static_cast<double>(step) / static_cast<double>(mNumSteps - 1);
    return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
  }

  uint32_t GetStepValueFromNormalizedValue(double value) const override
  {
    if (mNumSteps <= 1)
      return 0;
    const double last = static_cast<double>(mNumSteps - 1);
    double step = value * last + 0.5;
    if (step > last)
      step = last;
    if (!(step >= 0.0)) // negative or NaN
      step = 0.0;
    return static_cast<uint32_t>(step);
  }

  void SetStepValue(uint32_t step) override
  {
    if (mNumSteps < 2)
      return;
    SetNormalizedValue(GetNormalizedValueFromStep(step));
  }

  // ---- texts ----

  bool GetValueString(AAX_CString* text) const override
  {
    return mDisplayDelegate->ValueToString(mValue.Get(), text);
  }
  bool GetValueString(int32_t maxLength, AAX_CString* text) const override
  {
    return mDisplayDelegate->ValueToString(mValue.Get(), maxLength, text);
  }

  // ---- conversions; each succeeds only for the parameter's own type ----

  bool GetNormalizedValueFromBool(bool value, double* normalized) const override
  {
    return NormalizedFrom(value, normalized);
  }
  bool GetNormalizedValueFromInt32(int32_t value, double* normalized) const override
  {
    return NormalizedFrom(value, normalized);
  }
  bool GetNormalizedValueFromFloat(float value, double* normalized) const override
  {
    return NormalizedFrom(value, normalized);
  }
  bool GetNormalizedValueFromDouble(double value, double* normalized) const override
  {
    return NormalizedFrom(value, normalized);
  }
  bool GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const override
  {
    T value{};
    if (!normalized || !mDisplayDelegate->StringToValue(text, &value))
      return false;
    *normalized = mTaperDelegate->RealToNormalized(value);
    return true;
  }

  bool GetBoolFromNormalizedValue(double normalized, bool* value) const override
  {
    return FromNormalized(normalized, value);
  }
  bool GetInt32FromNormalizedValue(double normalized, int32_t* value) const override
  {
    return FromNormalized(normalized, value);
  }
  bool GetFloatFromNormalizedValue(double normalized, float* value) const override
  {
    return FromNormalized(normalized, value);
  }
  bool GetDoubleFromNormalizedValue(double normalized, double* value) const override
  {
    return FromNormalized(normalized, value);
  }

  // True only when the display has a text and the value lies within the taper's range.
  bool GetStringFromNormalizedValue(double normalized, AAX_CString& text) const override
  {
    const T value = mTaperDelegate->NormalizedToReal(normalized);
    return mDisplayDelegate->ValueToString(value, &text) && InTaperRange(value);
  }
  bool GetStringFromNormalizedValue(double normalized, int32_t maxLength, AAX_CString& text) const override
  {
    const T value = mTaperDelegate->NormalizedToReal(normalized);
    return mDisplayDelegate->ValueToString(value, maxLength, &text) && InTaperRange(value);
  }

  bool SetValueFromString(const AAX_CString& text) override
  {
    T value{};
    if (!mDisplayDelegate->StringToValue(text, &value))
      return false;
    SetNormalizedValue(mTaperDelegate->RealToNormalized(value));
    return true;
  }

  // ---- typed access ----

  bool GetValueAsBool(bool* value) const override { return ValueAs(value); }
  bool GetValueAsInt32(int32_t* value) const override { return ValueAs(value); }
  bool GetValueAsFloat(float* value) const override { return ValueAs(value); }
  bool GetValueAsDouble(double* value) const override { return ValueAs(value); }
  bool GetValueAsString(AAX_IString* value) const override
  {
    if (!value)
      return false;
    AAX_CString text;
    const bool ok = GetValueString(&text);
    value->Set(text.Get());
    return ok;
  }

  bool SetValueWithBool(bool value) override { return SetWith(value); }
  bool SetValueWithInt32(int32_t value) override { return SetWith(value); }
  bool SetValueWithFloat(float value) override { return SetWith(value); }
  bool SetValueWithDouble(double value) override { return SetWith(value); }
  bool SetValueWithString(const AAX_IString& value) override { return SetValueFromString(AAX_CString(value)); }

  // ---- type and orientation ----

  void SetType(AAX_EParameterType type) override { mType = type; }
  AAX_EParameterType GetType() const override { return mType; }
  void SetOrientation(AAX_EParameterOrientation orientation) override { mOrientation = orientation; }
  AAX_EParameterOrientation GetOrientation() const override { return mOrientation; }

  // ---- delegates ----

  // A taper of another value type is ignored. With keepRealValue the real value stays and
  // its normalised view moves; otherwise the normalised value stays.
  void SetTaperDelegate(AAX_ITaperDelegateBase& taper, bool keepRealValue) override
  {
    auto* typed = dynamic_cast<AAX_ITaperDelegate<T>*>(&taper);
    if (!typed)
      return;
    const double normalized = GetNormalizedValue();
    mTaperDelegate.reset(typed->Clone());
    mNeedsUpdate.store(true, std::memory_order_release);
    if (keepRealValue)
    {
      const double kept = mTaperDelegate->RealToNormalized(mValue.Get());
      if (mAutomationDelegate)
        PostSetValue(kept);
      else
        UpdateNormalizedValue(kept);
    }
    else
    {
      UpdateNormalizedValue(normalized);
    }
  }
  const AAX_ITaperDelegate<T>* TaperDelegate() const { return mTaperDelegate.get(); }

  // A display of another value type is ignored.
  void SetDisplayDelegate(AAX_IDisplayDelegateBase& display) override
  {
    auto* typed = dynamic_cast<AAX_IDisplayDelegate<T>*>(&display);
    if (!typed)
      return;
    mDisplayDelegate.reset(typed->Clone());
    if (mAutomationDelegate)
      mAutomationDelegate->PostCurrentValue(Identifier(), GetNormalizedValue());
  }
  const AAX_IDisplayDelegate<T>* DisplayDelegate() const { return mDisplayDelegate.get(); }

  // ---- host update ----

  // Stores the value and reports it to the automation delegate, unless it equals the current
  // value; the first update after a local change always stores and reports.
  void UpdateNormalizedValue(double value) override
  {
    if (!std::isfinite(value))
      return;
    const T newValue = mTaperDelegate->NormalizedToReal(value);
    if (!mNeedsUpdate.load(std::memory_order_acquire) && SameValue(newValue, mValue.Get()))
      return;
    mValue.Set(newValue);
    if (mAutomationDelegate)
      mAutomationDelegate->PostCurrentValue(Identifier(), value);
    mNeedsUpdate.store(false, std::memory_order_release);
  }

  T GetValue() const { return mValue.Get(); }

private:
  void InitNumberOfSteps()
  {
    switch (mType)
    {
      case AAX_eParameterType_Discrete:
        SetNumberOfSteps(2);
        break;
      case AAX_eParameterType_Continuous:
        SetNumberOfSteps(128);
        break;
      default:
        AAX_ASSERT(!"unknown parameter type");
        break;
    }
  }

  // The value already mapped through the taper: a gesture through the host, or applied now.
  void RequestNormalizedValue(double normalized)
  {
    if (mAutomationDelegate)
    {
      PostSetValue(normalized);
    }
    else
    {
      mNeedsUpdate.store(true, std::memory_order_release);
      UpdateNormalizedValue(normalized);
    }
  }

  // Each request goes to the automation delegate the parameter has when it is made: the host
  // may take the parameter away inside the one before (uninitialising the instance, which
  // unregisters it), and what follows then reaches nothing.
  void PostSetValue(double normalized)
  {
    if (mAutomationDelegate)
      mAutomationDelegate->PostTouchRequest(Identifier());
    if (mAutomationDelegate)
      mAutomationDelegate->PostSetValueRequest(Identifier(), normalized);
    if (mAutomationDelegate)
      mAutomationDelegate->PostReleaseRequest(Identifier());
  }

  static bool SameValue(T a, T b)
  {
    if constexpr (std::is_floating_point<T>::value)
      return !(a < b) && !(a > b) && !std::isunordered(a, b);
    else
      return a == b;
  }

  bool InTaperRange(T value) const
  {
    return !(value < mTaperDelegate->GetMinimumValue()) && !(value > mTaperDelegate->GetMaximumValue()) &&
           SameValue(value, value);
  }

  template <typename U>
  bool NormalizedFrom(U value, double* normalized) const
  {
    if constexpr (std::is_same<U, T>::value)
    {
      if (!normalized)
        return false;
      *normalized = mTaperDelegate->RealToNormalized(value);
      return true;
    }
    else
    {
      (void) value;
      (void) normalized;
      return false;
    }
  }

  template <typename U>
  bool FromNormalized(double normalized, U* value) const
  {
    if constexpr (std::is_same<U, T>::value)
    {
      if (!value)
        return false;
      *value = mTaperDelegate->NormalizedToReal(normalized);
      return true;
    }
    else
    {
      (void) normalized;
      (void) value;
      return false;
    }
  }

  template <typename U>
  bool ValueAs(U* value) const
  {
    if constexpr (std::is_same<U, T>::value)
    {
      if (!value)
        return false;
      *value = mValue.Get();
      return true;
    }
    else
    {
      (void) value;
      return false;
    }
  }

  template <typename U>
  bool SetWith(U value)
  {
    if constexpr (std::is_same<U, T>::value)
    {
      // A NaN would reach the taper as "no value" and land on some bound of the range.
      if constexpr (std::is_floating_point<T>::value)
      {
        if (std::isnan(value))
          return false;
      }
      const double normalized = mTaperDelegate->RealToNormalized(value);
      if (!std::isfinite(normalized))
        return false;
      RequestNormalizedValue(normalized);
      return true;
    }
    else
    {
      (void) value;
      return false;
    }
  }

  AAX_CString mName;
  std::map<int32_t, AAX_CString> mShortenedNames;
  bool mAutomatable;
  uint32_t mNumSteps = 0;
  AAX_EParameterType mType = AAX_eParameterType_Continuous;
  AAX_EParameterOrientation mOrientation = AAX_eParameterOrientation_Default;
  std::unique_ptr<AAX_ITaperDelegate<T>> mTaperDelegate;
  std::unique_ptr<AAX_IDisplayDelegate<T>> mDisplayDelegate;
  AAX_IAutomationDelegate* mAutomationDelegate = nullptr;
  std::atomic<bool> mNeedsUpdate{true};
  AAX_CParameterValue<T> mValue;
  T mDefaultValue;
};
