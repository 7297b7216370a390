// Small helpers the host-interface wrappers share for reaching host objects.
#pragma once

#include "aax/interfaces/ACFObjectFactory.h"
#include "aax/interfaces/ACFUnknown.h"

#include <new>
#include <set>

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

// Takes a reference to hostObject for a wrapper that keeps it (none when it is null).
inline IACFUnknown* AAX_RetainHostObject(IACFUnknown* hostObject)
{
  if (hostObject)
    hostObject->AddRef();
  return hostObject;
}

// Adds an object to the set its wrapper owns and returns it; when that fails the object is
// deleted and null returned, so no exception reaches the host.
template <class T>
T* AAX_KeepOwned(std::set<T*>& owned, T* object)
{
  if (!object)
    return nullptr;
  try
  {
    owned.insert(object);
  }
  catch (...)
  {
    delete object;
    return nullptr;
  }
  return object;
}

// A new wrapper on hostObject, owned through the set; null when memory runs out or the host
// gives it no object to wrap.
template <class T>
T* AAX_NewOwnedWrapper(std::set<T*>& owned, IACFUnknown* hostObject)
{
  T* wrapper = new (std::nothrow) T(hostObject);
  if (wrapper && !wrapper->GetIUnknown())
  {
    delete wrapper;
    return nullptr;
  }
  return AAX_KeepOwned(owned, wrapper);
}

// Deletes every object the set owns and empties it.
template <class T>
void AAX_DeleteOwned(std::set<T*>& owned)
{
  for (T* object : owned)
    delete object;
  owned.clear();
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
