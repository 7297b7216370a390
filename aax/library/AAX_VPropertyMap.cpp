#include "aax/library/AAX_VPropertyMap.h"

#include "aax/library/AAX_HostObjects.h"

#include <new>

namespace
{
bool IsPointerPropertyID(int32_t id)
{
  return id >= AAX_eProperty_NativeProcessProc && id <= AAX_eProperty_TIBackgroundProc;
}
} // namespace

AAX_VPropertyMap* AAX_VPropertyMap::Create(IACFUnknown* hostObject)
{
  IACFUnknown* map = static_cast<IACFUnknown*>(
    AAX_CreateHostObject(hostObject, AAXCompID_PropertyMap, IID_IAAXPropertyMapV1));
  if (!map)
    return nullptr;
  AAX_VPropertyMap* wrapper = new (std::nothrow) AAX_VPropertyMap(hostObject, map, true);
  if (!wrapper)
    map->Release();
  return wrapper;
}

AAX_VPropertyMap* AAX_VPropertyMap::Acquire(IACFUnknown* hostPropertyMap)
{
  if (!hostPropertyMap)
    return nullptr;
  return new (std::nothrow) AAX_VPropertyMap(nullptr, hostPropertyMap, false);
}

AAX_VPropertyMap::AAX_VPropertyMap(IACFUnknown* registrationObject, IACFUnknown* hostMap, bool adoptReference)
{
  if (adoptReference)
    mV1 = static_cast<AAX_IACFPropertyMap*>(hostMap); // made with the version-1 identifier
  else
    mV1 = ACFQuery<AAX_IACFPropertyMap>(hostMap, IID_IAAXPropertyMapV1);
  mV2 = ACFQuery<AAX_IACFPropertyMap_V2>(hostMap, IID_IAAXPropertyMapV2);
  mV3 = ACFQuery<AAX_IACFPropertyMap_V3>(hostMap, IID_IAAXPropertyMapV3);

  mDescriptionHost = ACFQuery<AAX_IACFDescriptionHost>(registrationObject, IID_IAAXDescriptionHostV1);
  if (!mDescriptionHost)
    mDescriptionHost = ACFQuery<AAX_IACFDescriptionHost>(mV1, IID_IAAXDescriptionHostV1);
  if (!mDescriptionHost)
    mDescriptionHost = ACFQuery<AAX_IACFDescriptionHost>(mV2, IID_IAAXDescriptionHostV1);
  if (!mDescriptionHost)
    mDescriptionHost = ACFQuery<AAX_IACFDescriptionHost>(mV3, IID_IAAXDescriptionHostV1);
}

AAX_VPropertyMap::~AAX_VPropertyMap()
{
  AAX_ReleaseInterface(mDescriptionHost);
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

bool AAX_VPropertyMap::StemFormatRefused(int32_t id, int32_t value, bool hasDescriptionHost)
{
  if (hasDescriptionHost || (id != AAX_eProperty_InputStemFormat && id != AAX_eProperty_OutputStemFormat))
    return false;
  if (value < 0)
    return value != AAX_eStemFormat_Any && value != AAX_eStemFormat_None;
  return (value >> 16) > 12;
}

bool AAX_VPropertyMap::GetProperty(int32_t id, int32_t* o) const { return mV1 ? mV1->GetProperty(id, o) : false; }

bool AAX_VPropertyMap::GetPointerProperty(int32_t id, const void** o) const
{
  if (mV3)
    return mV3->GetPointerProperty(id, o);
  const auto it = mPointerProperties.find(id);
  if (it == mPointerProperties.end())
    return false;
  if (o)
    *o = it->second;
  return true;
}

AAX_Result AAX_VPropertyMap::AddProperty(int32_t id, int32_t value)
{
  if (StemFormatRefused(id, value, mDescriptionHost != nullptr))
    return AAX_ERROR_PROPERTY_UNDEFINED;
  return mV1 ? mV1->AddProperty(id, value) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VPropertyMap::AddPointerProperty(int32_t id, const void* value)
{
  if (mV3)
    return mV3->AddPointerProperty(id, value);
  if (!IsPointerPropertyID(id))
    return AAX_ERROR_UNIMPLEMENTED;
  try
  {
    mPointerProperties[id] = value;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_VPropertyMap::AddPointerProperty(int32_t id, const char* value)
{
  return AddPointerProperty(id, static_cast<const void*>(value));
}

AAX_Result AAX_VPropertyMap::RemoveProperty(int32_t id)
{
  return mV1 ? mV1->RemoveProperty(id) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VPropertyMap::AddPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad* ids, uint32_t n)
{
  return mV2 ? mV2->AddPropertyWithIDArray(id, ids, n) : AAX_ERROR_UNIMPLEMENTED;
}

bool AAX_VPropertyMap::GetPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad** ids, uint32_t* n) const
{
  return mV2 ? mV2->GetPropertyWithIDArray(id, ids, n) : false;
}

IACFUnknown* AAX_VPropertyMap::GetIUnknown()
{
  if (mV3)
    return mV3;
  if (mV2)
    return mV2;
  return mV1;
}
