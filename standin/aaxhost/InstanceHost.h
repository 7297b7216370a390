// The host object one plug-in instance is initialised with. Like a real host, it gives every
// instance a controller and an automation delegate of its own (stem formats, sample rate,
// posted packets and the route of echoed values are the instance's), and answers every other
// interface with the host's shared objects.
#pragma once

#include "standin/aaxhost/Host.h"

namespace aaxhost
{
class InstanceHost : public HostObject<IACFUnknown>
{
public:
  explicit InstanceHost(Host& host);
  ~InstanceHost() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;

  Controller& GetController() const { return *mController; }
  AutomationDelegate& Automation() const { return *mAutomation; }

private:
  IACFUnknown* const mHost; // one reference
  Controller* const mController;
  AutomationDelegate* const mAutomation;
};
} // namespace aaxhost
