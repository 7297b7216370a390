// The host-side view of one parameter: identifier, names, a typed value with a normalised
// (0..1) view given by a taper delegate, text given by a display delegate, steps, type and
// orientation, and automation gestures that travel through the host's automation delegate.
// Concrete parameter classes implement this; the parameter registry owns them.
#pragma once

#include "aax/library/AAX_CString.h"

#include <cstdint>

using AAX_CParamID = const char*;

class AAX_IAutomationDelegate;
class AAX_ITaperDelegateBase;
class AAX_IDisplayDelegateBase;

enum AAX_EParameterType : int32_t
{
  AAX_eParameterType_Discrete = 0,
  AAX_eParameterType_Continuous = 1
};

using AAX_EParameterOrientation = int32_t;
constexpr AAX_EParameterOrientation AAX_eParameterOrientation_Default = 0;

// Longest identifier a parameter keeps is this minus one (the rest is cut).
constexpr int32_t eParameterDefaultMaxIdentifierSize = 32;

// A snapshot of a parameter's identifier and value. The typed getters succeed only for the
// parameter's own type.
class AAX_IParameterValue
{
public:
  virtual ~AAX_IParameterValue() = default;
  virtual AAX_IParameterValue* Clone() const = 0;
  virtual AAX_CParamID Identifier() const = 0;
  virtual bool GetValueAsBool(bool* value) const = 0;
  virtual bool GetValueAsInt32(int32_t* value) const = 0;
  virtual bool GetValueAsFloat(float* value) const = 0;
  virtual bool GetValueAsDouble(double* value) const = 0;
  virtual bool GetValueAsString(AAX_IString* value) const = 0;
};

class AAX_IParameter
{
public:
  virtual ~AAX_IParameter() = default;

  virtual AAX_IParameterValue* CloneValue() const = 0;
  virtual AAX_CParamID Identifier() const = 0;
  virtual void SetName(const AAX_CString& name) = 0;
  virtual const AAX_CString& Name() const = 0;
  virtual void AddShortenedName(const AAX_CString& name) = 0;
  virtual const AAX_CString& ShortenedName(int32_t length) const = 0;
  virtual void ClearShortenedNames() = 0;
  virtual bool Automatable() const = 0;
  // Unregisters from the previous delegate, registers with the new one (when not null).
  virtual void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) = 0;
  virtual void Touch() = 0;
  virtual void Release() = 0;

  virtual void SetNormalizedValue(double value) = 0;
  virtual double GetNormalizedValue() const = 0;
  virtual void SetNormalizedDefaultValue(double value) = 0;
  virtual double GetNormalizedDefaultValue() const = 0;
  virtual void SetToDefaultValue() = 0;

  virtual void SetNumberOfSteps(uint32_t steps) = 0;
  virtual uint32_t GetNumberOfSteps() const = 0;
  virtual uint32_t GetStepValue() const = 0;
  virtual double GetNormalizedValueFromStep(uint32_t step) const = 0;
  virtual uint32_t GetStepValueFromNormalizedValue(double value) const = 0;
  virtual void SetStepValue(uint32_t step) = 0;

  virtual bool GetValueString(AAX_CString* text) const = 0;
  virtual bool GetValueString(int32_t maxLength, AAX_CString* text) const = 0;

  virtual bool GetNormalizedValueFromBool(bool value, double* normalized) const = 0;
  virtual bool GetNormalizedValueFromInt32(int32_t value, double* normalized) const = 0;
  virtual bool GetNormalizedValueFromFloat(float value, double* normalized) const = 0;
  virtual bool GetNormalizedValueFromDouble(double value, double* normalized) const = 0;
  virtual bool GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const = 0;

  virtual bool GetBoolFromNormalizedValue(double normalized, bool* value) const = 0;
  virtual bool GetInt32FromNormalizedValue(double normalized, int32_t* value) const = 0;
  virtual bool GetFloatFromNormalizedValue(double normalized, float* value) const = 0;
  virtual bool GetDoubleFromNormalizedValue(double normalized, double* value) const = 0;
  virtual bool GetStringFromNormalizedValue(double normalized, AAX_CString& text) const = 0;
  virtual bool GetStringFromNormalizedValue(double normalized, int32_t maxLength,
                                            AAX_CString& text) const = 0;
  virtual bool SetValueFromString(const AAX_CString& text) = 0;

  virtual bool GetValueAsBool(bool* value) const = 0;
  virtual bool GetValueAsInt32(int32_t* value) const = 0;
  virtual bool GetValueAsFloat(float* value) const = 0;
  virtual bool GetValueAsDouble(double* value) const = 0;
  virtual bool GetValueAsString(AAX_IString* value) const = 0;

  virtual bool SetValueWithBool(bool value) = 0;
  virtual bool SetValueWithInt32(int32_t value) = 0;
  virtual bool SetValueWithFloat(float value) = 0;
  virtual bool SetValueWithDouble(double value) = 0;
  virtual bool SetValueWithString(const AAX_IString& value) = 0;

  virtual void SetType(AAX_EParameterType type) = 0;
  virtual AAX_EParameterType GetType() const = 0;
  virtual void SetOrientation(AAX_EParameterOrientation orientation) = 0;
  virtual AAX_EParameterOrientation GetOrientation() const = 0;

  virtual void SetTaperDelegate(AAX_ITaperDelegateBase& taper, bool keepRealValue) = 0;
  virtual void SetDisplayDelegate(AAX_IDisplayDelegateBase& display) = 0;

  // What the host's updates reach: stores the value and reports it to the delegate.
  virtual void UpdateNormalizedValue(double value) = 0;
};
