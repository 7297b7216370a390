// Small helpers the host-interface wrappers share for reaching host objects.
#pragma once

#include "aax/interfaces/ACFObjectFactory.h"
#include "aax/interfaces/ACFUnknown.h"

// Makes a host object of a class through the object factory offered by hostObject and returns
// the requested interface (one reference for the caller), or null when the host has no factory
// or fails.
inline void* AAX_CreateHostObject(IACFUnknown* hostObject, const acfCLSID& classID, const acfIID& iid)
{
  IACFObjectFactory* factory = ACFQuery<IACFObjectFactory>(hostObject, IID_IACFObjectFactory);
  if (!factory)
    return nullptr;
  void* out = nullptr;
  if (factory->CreateInstance(classID, iid, &out) != ACF_OK)
    out = nullptr;
  factory->Release();
  return out;
}

// Releases the reference a pointer holds and forgets the pointer.
template <class T>
inline void AAX_ReleaseInterface(T*& iface)
{
  if (iface)
  {
    T* held = iface;
    iface = nullptr;
    held->Release();
  }
}
