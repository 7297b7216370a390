// The host's description services: feature information by feature identifier.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFDescriptionHost : public IACFUnknown
{
public:
  // Writes a new feature-information object (one reference for the caller) or null.
  virtual AAX_Result AcquireFeatureProperties(const AAX_Feature_UID& inFeatureID, IACFUnknown** outFeatureInfo) = 0; // 3
};

class AAX_IACFFeatureInfo : public IACFUnknown
{
public:
  // Support levels: 0 unknown, 1 not supported, 2 supported.
  virtual AAX_Result SupportLevel(int32_t* outSupportLevel) = 0;                           // 3
  // Writes a host property map (one reference for the caller) or null.
  virtual AAX_Result AcquireProperties(IACFUnknown** outProperties) = 0;                   // 4
};
