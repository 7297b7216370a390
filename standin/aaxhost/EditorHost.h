// The host object an instance's editor object is initialised with: it answers the
// instance's effect parameters, and everything else as the instance's own host object does
// (its controller, the shared transport and services).
#pragma once

#include "standin/aaxhost/HostObject.h"

namespace aaxhost
{
class EditorHost : public HostObject<IACFUnknown>
{
public:
  // Takes a reference to each; effect may be null (the editor then finds no instance).
  EditorHost(std::shared_ptr<HostContext> context, IACFUnknown* instanceHost, IACFUnknown* effect);
  ~EditorHost() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;

private:
  IACFUnknown* const mInstanceHost;
  IACFUnknown* const mEffect;
};
} // namespace aaxhost
