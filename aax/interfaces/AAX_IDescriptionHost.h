// The plug-in's view of the host's description services (AAX_VDescriptionHost).
#pragma once

#include "aax/interfaces/AAX_Types.h"

class AAX_IFeatureInfo;

class AAX_IDescriptionHost
{
public:
  virtual ~AAX_IDescriptionHost() = default;
  // A new feature-information wrapper (owned by the caller), or null.
  virtual AAX_IFeatureInfo* AcquireFeatureProperties(const AAX_Feature_UID& inFeatureID) const = 0; // 2
};
