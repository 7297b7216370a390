#include "aax/library/AAX_VCollection.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VEffectDescriptor.h"
#include "aax/library/AAX_VPropertyMap.h"

AAX_VCollection::AAX_VCollection(IACFUnknown* registrationObject)
  : mDescriptionHost(registrationObject)
{
  mV1 = static_cast<AAX_IACFCollection*>(
    AAX_CreateHostObject(registrationObject, AAXCompID_AAXCollection, IID_IAAXCollectionV1));
  mHostObject = AAX_RetainHostObject(registrationObject);
}

AAX_VCollection::~AAX_VCollection()
{
  AAX_DeleteOwned(mEffectDescriptors);
  AAX_DeleteOwned(mPropertyMaps);
  AAX_ReleaseInterface(mV1);
  AAX_ReleaseInterface(mHostObject);
}

AAX_IEffectDescriptor* AAX_VCollection::NewDescriptor()
{
  return AAX_NewOwnedWrapper(mEffectDescriptors, mHostObject);
}

AAX_Result AAX_VCollection::AddEffect(const char* effectID, AAX_IEffectDescriptor* descriptor)
{
  auto* wrapper = dynamic_cast<AAX_VEffectDescriptor*>(descriptor);
  if (!mV1 || !wrapper || !wrapper->GetIUnknown())
    return AAX_ERROR_NULL_OBJECT;
  return mV1->AddEffect(effectID, wrapper->GetIUnknown());
}

AAX_Result AAX_VCollection::SetManufacturerName(const char* name)
{
  return mV1 ? mV1->SetManufacturerName(name) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VCollection::AddPackageName(const char* name)
{
  return mV1 ? mV1->AddPackageName(name) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VCollection::SetPackageVersion(uint32_t version)
{
  return mV1 ? mV1->SetPackageVersion(version) : AAX_ERROR_NULL_OBJECT;
}

AAX_IPropertyMap* AAX_VCollection::NewPropertyMap()
{
  return AAX_KeepOwned(mPropertyMaps, AAX_VPropertyMap::Create(mHostObject));
}

AAX_Result AAX_VCollection::SetProperties(AAX_IPropertyMap* props)
{
  return mV1 ? mV1->SetProperties(props ? props->GetIUnknown() : nullptr) : AAX_ERROR_NULL_OBJECT;
}

AAX_IDescriptionHost* AAX_VCollection::DescriptionHost()
{
  return mDescriptionHost.Supported() ? &mDescriptionHost : nullptr;
}
const AAX_IDescriptionHost* AAX_VCollection::DescriptionHost() const
{
  return mDescriptionHost.Supported() ? &mDescriptionHost : nullptr;
}
IACFUnknown* AAX_VCollection::HostDefinition() const { return mDescriptionHost.HostDefinition(); }
