#include "aax/library/AAX_VFeatureInfo.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VPropertyMap.h"

AAX_VFeatureInfo::AAX_VFeatureInfo(IACFUnknown* hostFeatureInfo, const AAX_Feature_UID& featureID)
  : mID(featureID)
{
  mV1 = ACFQuery<AAX_IACFFeatureInfo>(hostFeatureInfo, IID_IAAXFeatureInfoV1);
}

AAX_VFeatureInfo::~AAX_VFeatureInfo() { AAX_ReleaseInterface(mV1); }

AAX_Result AAX_VFeatureInfo::SupportLevel(int32_t* o) const { return mV1 ? mV1->SupportLevel(o) : AAX_ERROR_NULL_OBJECT; }

AAX_IPropertyMap* AAX_VFeatureInfo::AcquireProperties()
{
  if (!mV1)
    return nullptr;
  IACFUnknown* hostMap = nullptr;
  if (mV1->AcquireProperties(&hostMap) != AAX_SUCCESS || !hostMap)
  {
    AAX_ReleaseInterface(hostMap);
    return nullptr;
  }
  AAX_IPropertyMap* wrapper = AAX_VPropertyMap::Acquire(hostMap);
  hostMap->Release(); // the wrapper holds references of its own
  return wrapper;
}
