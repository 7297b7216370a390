#include "standin/aaxhost/EffectDescriptor.h"

namespace aaxhost
{
EffectDescriptor::~EffectDescriptor()
{
  for (ComponentDescriptor* component : mComponents)
    component->Release();
  if (mProperties)
    mProperties->Release();
}

AAX_Result EffectDescriptor::AddComponent(IACFUnknown* component)
{
  Call("EffectDescriptor.AddComponent");
  auto* held = ACFQuery<AAX_IACFComponentDescriptor>(component, IID_IAAXComponentDescriptorV1);
  auto* ours = dynamic_cast<ComponentDescriptor*>(held);
  if (!ours)
  {
    if (held)
      held->Release();
    return AAX_ERROR_NULL_COMPONENT;
  }
  mComponents.push_back(ours); // keeps the query's reference
  return 0;
}

AAX_Result EffectDescriptor::AddName(const char* name)
{
  Call("EffectDescriptor.AddName");
  if (!name || !*name)
    return AAX_ERROR_EMPTY_EFFECT_NAME;
  mNames.emplace_back(name);
  return 0;
}

AAX_Result EffectDescriptor::AddCategory(uint32_t category)
{
  Call("EffectDescriptor.AddCategory");
  mCategories.push_back(category);
  return 0;
}

AAX_Result EffectDescriptor::AddProcPtr(void* proc, int32_t procID)
{
  Call("EffectDescriptor.AddProcPtr");
  if (!proc)
    return AAX_ERROR_NULL_ARGUMENT;
  mProcPtrs.push_back({proc, procID});
  return 0;
}

AAX_Result EffectDescriptor::SetProperties(IACFUnknown* props)
{
  Call("EffectDescriptor.SetProperties");
  PropertyMap::Hold(mProperties, props);
  return 0;
}
} // namespace aaxhost
