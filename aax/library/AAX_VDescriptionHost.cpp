#include "aax/library/AAX_VDescriptionHost.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VFeatureInfo.h"

#include <new>

AAX_VDescriptionHost::AAX_VDescriptionHost(IACFUnknown* hostObject)
{
  mDescriptionHost = ACFQuery<AAX_IACFDescriptionHost>(hostObject, IID_IAAXDescriptionHostV1);
  mHostDefinition = ACFQuery<IACFUnknown>(hostObject, IID_IACFDefinition);
}

AAX_VDescriptionHost::~AAX_VDescriptionHost()
{
  AAX_ReleaseInterface(mHostDefinition);
  AAX_ReleaseInterface(mDescriptionHost);
}

AAX_IFeatureInfo* AAX_VDescriptionHost::AcquireFeatureProperties(const AAX_Feature_UID& featureID) const
{
  if (!mDescriptionHost)
    return nullptr;
  IACFUnknown* info = nullptr;
  if (mDescriptionHost->AcquireFeatureProperties(featureID, &info) != AAX_SUCCESS || !info)
  {
    AAX_ReleaseInterface(info);
    return nullptr;
  }
  AAX_IFeatureInfo* wrapper = new (std::nothrow) AAX_VFeatureInfo(info, featureID);
  info->Release(); // the wrapper holds a reference of its own
  return wrapper;
}
