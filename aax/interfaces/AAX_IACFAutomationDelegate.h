// The host's automation delegate: registration of parameters and the automation gestures.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFAutomationDelegate : public IACFUnknown
{
public:
  virtual AAX_Result RegisterParameter(const char* inParameterID) = 0;             // 3
  virtual AAX_Result UnregisterParameter(const char* inParameterID) = 0;           // 4
  // The host applies the value and later sends it back as a host update of the parameter.
  virtual AAX_Result PostSetValueRequest(const char* inParameterID, double inNormalizedValue) = 0; // 5
  // Tells the host the parameter's current value (after a local change).
  virtual AAX_Result PostCurrentValue(const char* inParameterID, double inNormalizedValue) = 0; // 6
  virtual AAX_Result PostTouchRequest(const char* inParameterID) = 0;              // 7
  virtual AAX_Result PostReleaseRequest(const char* inParameterID) = 0;            // 8
  virtual AAX_Result GetTouchState(const char* inParameterID, bool* outTouched) = 0; // 9
};
