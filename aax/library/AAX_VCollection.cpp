#include "aax/library/AAX_VCollection.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VEffectDescriptor.h"
#include "aax/library/AAX_VPropertyMap.h"

#include <new>

AAX_VCollection::AAX_VCollection(IACFUnknown* registrationObject)
  : mDescriptionHost(registrationObject)
{
  mV1 = static_cast<AAX_IACFCollection*>(
    AAX_CreateHostObject(registrationObject, AAXCompID_AAXCollection, IID_IAAXCollectionV1));
  if (registrationObject)
  {
    mHostObject = registrationObject;
    mHostObject->AddRef();
  }
}

AAX_VCollection::~AAX_VCollection()
{
  for (AAX_VEffectDescriptor* descriptor : mEffectDescriptors)
    delete descriptor;
  mEffectDescriptors.clear();
  for (AAX_VPropertyMap* map : mPropertyMaps)
    delete map;
  mPropertyMaps.clear();
  AAX_ReleaseInterface(mV1);
  AAX_ReleaseInterface(mHostObject);
}

AAX_IEffectDescriptor* AAX_VCollection::NewDescriptor()
{
  AAX_VEffectDescriptor* descriptor = new (std::nothrow) AAX_VEffectDescriptor(mHostObject);
  if (!descriptor)
    return nullptr;
  if (!descriptor->GetIUnknown())
  {
    delete descriptor;
    return nullptr;
  }
  try
  {
    mEffectDescriptors.insert(descriptor);
  }
  catch (...)
  {
    delete descriptor;
    return nullptr;
  }
  return descriptor;
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
  AAX_VPropertyMap* map = AAX_VPropertyMap::Create(mHostObject);
  if (!map)
    return nullptr;
  try
  {
    mPropertyMaps.insert(map);
  }
  catch (...)
  {
    delete map;
    return nullptr;
  }
  return map;
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
