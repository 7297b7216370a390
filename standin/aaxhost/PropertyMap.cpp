#include "standin/aaxhost/PropertyMap.h"

namespace aaxhost
{
bool PropertyMap::GetProperty(int32_t id, int32_t* value)
{
  Call("PropertyMap.GetProperty");
  const auto it = mIntegers.find(id);
  if (it == mIntegers.end())
    return false;
  if (value)
    *value = it->second;
  return true;
}

bool PropertyMap::OlderHostKnowsStemFormat(int32_t stemFormat)
{
  if (stemFormat < 0)
    return stemFormat == AAX_eStemFormat_Any || stemFormat == AAX_eStemFormat_None;
  return (stemFormat >> 16) <= 12;
}

AAX_Result PropertyMap::AddProperty(int32_t id, int32_t value)
{
  Call("PropertyMap.AddProperty");
  if ((id == AAX_eProperty_InputStemFormat || id == AAX_eProperty_OutputStemFormat) &&
      !mContext->DescriptionServices() && !OlderHostKnowsStemFormat(value))
    ++mUnknownStemFormats;
  mIntegers[id] = value;
  return 0;
}

AAX_Result PropertyMap::RemoveProperty(int32_t id)
{
  Call("PropertyMap.RemoveProperty");
  mIntegers.erase(id);
  mPointers.erase(id);
  return 0;
}

AAX_Result PropertyMap::AddPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad* ids, uint32_t count)
{
  Call("PropertyMap.AddPropertyWithIDArray");
  if (!ids && count > 0)
    return AAX_ERROR_NULL_ARGUMENT;
  mIDArrays[id].assign(ids, ids + count);
  return 0;
}

bool PropertyMap::GetPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad** ids, uint32_t* count)
{
  Call("PropertyMap.GetPropertyWithIDArray");
  const auto it = mIDArrays.find(id);
  if (it == mIDArrays.end())
    return false;
  if (ids)
    *ids = it->second.data();
  if (count)
    *count = static_cast<uint32_t>(it->second.size());
  return true;
}

bool PropertyMap::GetPointerProperty(int32_t id, const void** value)
{
  Call("PropertyMap.GetPointerProperty");
  const auto it = mPointers.find(id);
  if (it == mPointers.end())
    return false;
  if (value)
    *value = it->second;
  return true;
}

AAX_Result PropertyMap::AddPointerProperty(int32_t id, const void* value)
{
  Call("PropertyMap.AddPointerProperty");
  mPointers[id] = value;
  return 0;
}

void PropertyMap::Hold(PropertyMap*& slot, IACFUnknown* props)
{
  auto* held = ACFQuery<AAX_IACFPropertyMap>(props, IID_IAAXPropertyMapV1);
  if (slot)
    slot->Release();
  slot = dynamic_cast<PropertyMap*>(held);
  if (held && !slot)
    held->Release();
}
} // namespace aaxhost
