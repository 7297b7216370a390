#include "standin/aaxhost/Collection.h"

#include <new>

namespace aaxhost
{
Collection::~Collection()
{
  for (auto& effect : mEffects)
    effect.second->Release();
  if (mProperties)
    mProperties->Release();
}

ACFRESULT Collection::QueryInterface(const acfIID& iid, void** out)
{
  if (out && iid == IID_IACFPluginDefinition)
  {
    auto* answer = new (std::nothrow) RegistrationAnswer(mContext, this);
    *out = static_cast<IACFPluginDefinition*>(answer);
    return answer ? ACF_OK : ACF_E_NOINTERFACE;
  }
  return AnswerVersions(iid, out, {IID_IAAXCollectionV1});
}

AAX_Result Collection::AddEffect(const char* effectID, IACFUnknown* descriptor)
{
  Call("Collection.AddEffect");
  if (!effectID || !*effectID)
    return AAX_ERROR_INVALID_ARGUMENT;
  for (const auto& effect : mEffects)
    if (effect.first == effectID)
      return AAX_ERROR_DUPLICATE_EFFECT_ID;
  auto* held = ACFQuery<AAX_IACFEffectDescriptor>(descriptor, IID_IAAXEffectDescriptorV1);
  auto* ours = dynamic_cast<EffectDescriptor*>(held);
  if (!ours)
  {
    if (held)
      held->Release();
    return AAX_ERROR_NULL_OBJECT;
  }
  mEffects.emplace_back(effectID, ours);
  return 0;
}

AAX_Result Collection::SetManufacturerName(const char* name)
{
  Call("Collection.SetManufacturerName");
  mManufacturerName = name ? name : "";
  return 0;
}

AAX_Result Collection::AddPackageName(const char* name)
{
  Call("Collection.AddPackageName");
  mPackageNames.emplace_back(name ? name : "");
  return 0;
}

AAX_Result Collection::SetPackageVersion(uint32_t version)
{
  Call("Collection.SetPackageVersion");
  mPackageVersion = version;
  return 0;
}

AAX_Result Collection::SetProperties(IACFUnknown* props)
{
  Call("Collection.SetProperties");
  PropertyMap::Hold(mProperties, props);
  return 0;
}

RegistrationAnswer::RegistrationAnswer(std::shared_ptr<HostContext> context, Collection* collection)
  : HostObject(std::move(context))
  , mCollection(collection)
{
  mCollection->AddRef();
}

RegistrationAnswer::~RegistrationAnswer() { mCollection->Release(); }
} // namespace aaxhost
