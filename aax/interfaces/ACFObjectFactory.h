// The host's object factory, asked for on any host object with IID_IACFObjectFactory.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_UIDs.h"

class IACFObjectFactory : public IACFUnknown
{
public:
  // host slot 3. Makes a new object of a class and returns the requested interface of it.
  // Decision: one call per object; on success *out carries the caller's one reference and the
  // result is 0. An unknown class gives ACF_E_CLASSNOTREG, an unoffered interface
  // ACF_E_NOINTERFACE; on any failure *out is null.
  virtual ACFRESULT CreateInstance(const acfCLSID& classID, const acfIID& iid, void** out) = 0;
};

// Registration hands this interface of the host's collection back through the registration
// entry's out pointer. The host reads the recorded description through its own means; the
// plug-in never calls anything beyond IACFUnknown on it.
class IACFPluginDefinition : public IACFUnknown
{
};
