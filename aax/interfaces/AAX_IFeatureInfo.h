// The plug-in's view of the host's information about one feature (AAX_VFeatureInfo).
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IPropertyMap;

class AAX_IFeatureInfo
{
public:
  virtual ~AAX_IFeatureInfo() = default;
  virtual AAX_Result SupportLevel(int32_t* outSupportLevel) const = 0;                     // 2
  // A new property map wrapper (owned by the caller), or null.
  virtual AAX_IPropertyMap* AcquireProperties() = 0;                                       // 3
  virtual const AAX_Feature_UID& ID() const = 0;                                           // 4
};
