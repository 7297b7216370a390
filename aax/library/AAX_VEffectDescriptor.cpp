#include "aax/library/AAX_VEffectDescriptor.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VComponentDescriptor.h"
#include "aax/library/AAX_VPropertyMap.h"

AAX_VEffectDescriptor::AAX_VEffectDescriptor(IACFUnknown* hostObject)
{
  mV1 = static_cast<AAX_IACFEffectDescriptor*>(
    AAX_CreateHostObject(hostObject, AAXCompID_EffectDescriptor, IID_IAAXEffectDescriptorV1));
  mV2 = ACFQuery<AAX_IACFEffectDescriptor_V2>(mV1, IID_IAAXEffectDescriptorV2);
  mHostObject = AAX_RetainHostObject(hostObject);
}

AAX_VEffectDescriptor::~AAX_VEffectDescriptor()
{
  AAX_DeleteOwned(mComponentDescriptors);
  AAX_DeleteOwned(mPropertyMaps);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
  AAX_ReleaseInterface(mHostObject);
}

AAX_IComponentDescriptor* AAX_VEffectDescriptor::NewComponentDescriptor()
{
  return AAX_NewOwnedWrapper(mComponentDescriptors, mHostObject);
}

AAX_Result AAX_VEffectDescriptor::AddComponent(AAX_IComponentDescriptor* component)
{
  auto* wrapper = dynamic_cast<AAX_VComponentDescriptor*>(component);
  if (!mV1 || !wrapper || !wrapper->GetIUnknown())
    return AAX_ERROR_NULL_OBJECT;
  return mV1->AddComponent(wrapper->GetIUnknown());
}

AAX_Result AAX_VEffectDescriptor::AddName(const char* name) { return mV1 ? mV1->AddName(name) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VEffectDescriptor::AddCategory(uint32_t category)
{
  return mV1 ? mV1->AddCategory(category) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VEffectDescriptor::AddCategoryBypassParameter(uint32_t category, const char* id)
{
  return mV1 ? mV1->AddCategoryBypassParameter(category, id) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VEffectDescriptor::AddProcPtr(void* proc, int32_t procID)
{
  return mV1 ? mV1->AddProcPtr(proc, procID) : AAX_ERROR_NULL_OBJECT;
}

AAX_IPropertyMap* AAX_VEffectDescriptor::NewPropertyMap()
{
  return AAX_KeepOwned(mPropertyMaps, AAX_VPropertyMap::Create(mHostObject));
}

AAX_Result AAX_VEffectDescriptor::SetProperties(AAX_IPropertyMap* props)
{
  return mV1 ? mV1->SetProperties(props ? props->GetIUnknown() : nullptr) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VEffectDescriptor::AddResourceInfo(int32_t type, const char* info)
{
  return mV1 ? mV1->AddResourceInfo(type, info) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VEffectDescriptor::AddMeterDescription(uint32_t id, const char* name, AAX_IPropertyMap* props)
{
  IACFUnknown* map = props ? props->GetIUnknown() : nullptr;
  if (!mV1 || !map)
    return AAX_ERROR_NULL_OBJECT;
  return mV1->AddMeterDescription(id, name, map);
}
AAX_Result AAX_VEffectDescriptor::AddControlMIDINode(uint32_t id, int32_t type, const char* name, uint32_t mask)
{
  return mV2 ? mV2->AddControlMIDINode(id, type, name, mask) : AAX_ERROR_UNIMPLEMENTED;
}
