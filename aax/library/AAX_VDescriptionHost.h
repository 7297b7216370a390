// Version-adapting wrapper of the host's description services, built from the registration
// object. Also keeps the host's definition object (the second interface asked for).
#pragma once

#include "aax/interfaces/AAX_IACFDescriptionHost.h"
#include "aax/interfaces/AAX_IDescriptionHost.h"

class AAX_VDescriptionHost : public AAX_IDescriptionHost
{
public:
  explicit AAX_VDescriptionHost(IACFUnknown* hostObject);
  ~AAX_VDescriptionHost() override;
  AAX_VDescriptionHost(const AAX_VDescriptionHost&) = delete;
  AAX_VDescriptionHost& operator=(const AAX_VDescriptionHost&) = delete;

  bool Supported() const { return mDescriptionHost != nullptr; }
  // No reference for the caller.
  IACFUnknown* HostDefinition() const { return mHostDefinition; }

  AAX_IFeatureInfo* AcquireFeatureProperties(const AAX_Feature_UID& inFeatureID) const override;

private:
  AAX_IACFDescriptionHost* mDescriptionHost = nullptr;
  IACFUnknown* mHostDefinition = nullptr;
};
