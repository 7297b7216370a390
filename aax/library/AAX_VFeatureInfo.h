// Version-adapting wrapper of the host's information about one feature.
#pragma once

#include "aax/interfaces/AAX_IACFDescriptionHost.h"
#include "aax/interfaces/AAX_IFeatureInfo.h"

class AAX_VFeatureInfo : public AAX_IFeatureInfo
{
public:
  AAX_VFeatureInfo(IACFUnknown* hostFeatureInfo, const AAX_Feature_UID& featureID);
  ~AAX_VFeatureInfo() override;
  AAX_VFeatureInfo(const AAX_VFeatureInfo&) = delete;
  AAX_VFeatureInfo& operator=(const AAX_VFeatureInfo&) = delete;

  AAX_Result SupportLevel(int32_t* outSupportLevel) const override;
  AAX_IPropertyMap* AcquireProperties() override;
  const AAX_Feature_UID& ID() const override { return mID; }

private:
  AAX_IACFFeatureInfo* mV1 = nullptr;
  AAX_Feature_UID mID;
};
