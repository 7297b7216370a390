#include "standin/aaxhost/DescriptionHost.h"

#include "standin/aaxhost/PropertyMap.h"

#include <new>

namespace aaxhost
{
AAX_Result FeatureInfo::SupportLevel(int32_t* out)
{
  Call("FeatureInfo.SupportLevel");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = mSupported ? 2 : 1;
  return 0;
}

AAX_Result FeatureInfo::AcquireProperties(IACFUnknown** out)
{
  Call("FeatureInfo.AcquireProperties");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = nullptr;
  if (!mSupported)
    return AAX_ERROR_UNIMPLEMENTED;
  auto* map = new (std::nothrow) PropertyMap(mContext);
  if (!map)
    return AAX_ERROR_NULL_OBJECT;
  *out = static_cast<AAX_IACFPropertyMap*>(map);
  return 0;
}

AAX_Result DescriptionHost::AcquireFeatureProperties(const AAX_Feature_UID& feature, IACFUnknown** out)
{
  Call("DescriptionHost.AcquireFeatureProperties");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  auto* info = new (std::nothrow) FeatureInfo(mContext, mSupported.count(feature) > 0);
  *out = info;
  return info ? 0 : AAX_ERROR_NULL_OBJECT;
}
} // namespace aaxhost
