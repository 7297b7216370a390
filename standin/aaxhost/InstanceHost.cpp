#include "standin/aaxhost/InstanceHost.h"

namespace aaxhost
{
InstanceHost::InstanceHost(Host& host)
  : HostObject(host.SharedContext())
  , mHost(host.Unknown())
  , mController(new Controller(host.SharedContext()))
  , mAutomation(new AutomationDelegate(host.SharedContext()))
{
  mHost->AddRef();
}

InstanceHost::~InstanceHost()
{
  mAutomation->Release();
  mController->Release();
  mHost->Release();
}

ACFRESULT InstanceHost::QueryInterface(const acfIID& iid, void** out)
{
  if (!out)
    return ACF_E_NOINTERFACE;
  if (iid == IID_IACFUnknown)
    return Answer(out);
  if (iid == IID_IAAXControllerV1 || iid == IID_IAAXControllerV2 || iid == IID_IAAXControllerV3)
    return mController->QueryInterface(iid, out);
  if (iid == IID_IAAXAutomationDelegateV1)
    return mAutomation->QueryInterface(iid, out);
  return mHost->QueryInterface(iid, out);
}
} // namespace aaxhost
