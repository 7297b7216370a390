// The plug-in's view of the host automation delegate (implemented by AAX_VAutomationDelegate).
#pragma once

#include "aax/library/AAX_Errors.h"

class AAX_IAutomationDelegate
{
public:
  virtual ~AAX_IAutomationDelegate() = default;
  virtual AAX_Result RegisterParameter(const char* inParameterID) = 0;                     // 2
  virtual AAX_Result UnregisterParameter(const char* inParameterID) = 0;                   // 3
  virtual AAX_Result PostSetValueRequest(const char* inParameterID, double inNormalizedValue) const = 0; // 4
  virtual AAX_Result PostCurrentValue(const char* inParameterID, double inNormalizedValue) const = 0;    // 5
  virtual AAX_Result PostTouchRequest(const char* inParameterID) = 0;                      // 6
  virtual AAX_Result PostReleaseRequest(const char* inParameterID) = 0;                    // 7
  virtual AAX_Result GetTouchState(const char* inParameterID, bool* outTouched) = 0;       // 8
  // Tells the host that the parameter's name changed (notification 'AXpn').
  virtual AAX_Result ParameterNameChanged(const char* inParameterID) = 0;                  // 9
};
