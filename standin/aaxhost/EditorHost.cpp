#include "standin/aaxhost/EditorHost.h"

namespace aaxhost
{
EditorHost::EditorHost(std::shared_ptr<HostContext> context, IACFUnknown* instanceHost, IACFUnknown* effect)
  : HostObject(std::move(context))
  , mInstanceHost(instanceHost)
  , mEffect(effect)
{
  if (mInstanceHost)
    mInstanceHost->AddRef();
  if (mEffect)
    mEffect->AddRef();
}

EditorHost::~EditorHost()
{
  if (mEffect)
    mEffect->Release();
  if (mInstanceHost)
    mInstanceHost->Release();
}

ACFRESULT EditorHost::QueryInterface(const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  if (iid == IID_IACFUnknown)
    return Answer(out);
  if (iid == IID_IAAXEffectParametersV1 || iid == IID_IAAXEffectParametersV2 || iid == IID_IAAXEffectParametersV3 ||
      iid == IID_IAAXEffectParametersV4)
    return mEffect ? mEffect->QueryInterface(iid, out) : Refuse(out);
  return mInstanceHost ? mInstanceHost->QueryInterface(iid, out) : Refuse(out);
}
} // namespace aaxhost
