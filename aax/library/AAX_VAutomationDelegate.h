// Version-adapting wrapper of the host automation delegate; also holds the controller's
// second version for the parameter-name notification.
#pragma once

#include "aax/interfaces/AAX_IACFAutomationDelegate.h"
#include "aax/interfaces/AAX_IACFController.h"
#include "aax/interfaces/AAX_IAutomationDelegate.h"

class AAX_VAutomationDelegate : public AAX_IAutomationDelegate
{
public:
  explicit AAX_VAutomationDelegate(IACFUnknown* hostObject);
  ~AAX_VAutomationDelegate() override;
  AAX_VAutomationDelegate(const AAX_VAutomationDelegate&) = delete;
  AAX_VAutomationDelegate& operator=(const AAX_VAutomationDelegate&) = delete;

  AAX_Result RegisterParameter(const char* inParameterID) override;
  AAX_Result UnregisterParameter(const char* inParameterID) override;
  AAX_Result PostSetValueRequest(const char* inParameterID, double inNormalizedValue) const override;
  AAX_Result PostCurrentValue(const char* inParameterID, double inNormalizedValue) const override;
  AAX_Result PostTouchRequest(const char* inParameterID) override;
  AAX_Result PostReleaseRequest(const char* inParameterID) override;
  AAX_Result GetTouchState(const char* inParameterID, bool* outTouched) override;
  // -20001 for a null or empty identifier or one without a NUL in its first 32 bytes;
  // -20009 without the controller's second version.
  AAX_Result ParameterNameChanged(const char* inParameterID) override;

private:
  AAX_IACFAutomationDelegate* mV1 = nullptr;
  AAX_IACFController_V2* mControllerV2 = nullptr;
};
