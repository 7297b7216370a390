// The component model the host and the plug-in share: 16-byte identifiers and the
// reference-counted base interface every host and plug-in object offers.
//
// Layout rules for every interface of this folder (host side and plug-in side alike):
// - An interface is a class of pure virtual operations; its slot numbers are its virtual
//   table positions. Host interfaces have no virtual destructor: slots 0 to 2 are
//   QueryInterface, AddRef, Release and the operations of "host slot n" follow in order.
//   A newer version of a host interface derives from the previous one, so version n + 1
//   keeps every slot of version n and adds its own after them.
// - Host interfaces are never deleted through; an object goes away at its last Release.
// - Results are int32 codes: 0 success, AAX result codes (-20xxx) or the component codes below.
#pragma once

#include <cstdint>
#include <cstring>

using ACFRESULT = int32_t;

// A 16-byte identifier, in memory as the registry notation reads: first 32-bit field, then two
// 16-bit fields (native byte order), then eight bytes in order.
struct acfUID
{
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(acfUID) == 16, "identifiers are 16 bytes");

using acfIID = acfUID;   // names an interface
using acfCLSID = acfUID; // names a class the object factory can make

inline bool operator==(const acfUID& a, const acfUID& b)
{
  return std::memcmp(&a, &b, sizeof(acfUID)) == 0;
}
inline bool operator!=(const acfUID& a, const acfUID& b) { return !(a == b); }
inline bool operator<(const acfUID& a, const acfUID& b)
{
  return std::memcmp(&a, &b, sizeof(acfUID)) < 0;
}

// Component result codes.
constexpr ACFRESULT ACF_OK = 0;
constexpr ACFRESULT ACF_E_NOINTERFACE = static_cast<ACFRESULT>(0x80000004u); // identifier not offered
constexpr ACFRESULT ACF_E_UNEXPECTED = static_cast<ACFRESULT>(0x8000FFFFu);  // an exported entry failed
constexpr ACFRESULT ACF_E_CLASSNOTREG = static_cast<ACFRESULT>(0x80040154u); // the factory cannot make that class

inline bool ACFSUCCEEDED(ACFRESULT r) { return r >= 0; }
inline bool ACFFAILED(ACFRESULT r) { return r < 0; }

class IACFUnknown
{
public:
  // On success writes an interface pointer that carries one new reference and returns 0;
  // otherwise writes null and returns ACF_E_NOINTERFACE.
  virtual ACFRESULT QueryInterface(const acfIID& iid, void** out) = 0;
  // Both return the new reference count.
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
};

// Typed query helper: null in, null out.
template <class T>
inline T* ACFQuery(IACFUnknown* object, const acfIID& iid)
{
  void* out = nullptr;
  if (!object || object->QueryInterface(iid, &out) != ACF_OK)
    return nullptr;
  return static_cast<T*>(out);
}
