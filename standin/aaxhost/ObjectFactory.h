// Stand-in object factory: makes collections, descriptors, property maps and page tables, and
// hands out the host's one host-services object.
#pragma once

#include "aax/interfaces/ACFObjectFactory.h"
#include "standin/aaxhost/HostObject.h"
#include "standin/aaxhost/HostServices.h"

namespace aaxhost
{
class ObjectFactory : public HostObject<IACFObjectFactory>
{
public:
  ObjectFactory(std::shared_ptr<HostContext> context, HostServices* services);
  ~ObjectFactory() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    if (out && (iid == IID_IACFUnknown || iid == IID_IACFObjectFactory))
      return Answer(out);
    return Refuse(out);
  }
  ACFRESULT CreateInstance(const acfCLSID& classID, const acfIID& iid, void** out) override;

private:
  HostServices* mServices; // one reference
};
} // namespace aaxhost
