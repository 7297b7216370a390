// The host's description collection: what registration fills with the plug-in's effects.
// The object factory makes it (class AAXCompID_AAXCollection).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFCollection : public IACFUnknown
{
public:
  // Host slots 3 to 6 belong to the host; the library never calls them (a host answers -20009).
  virtual AAX_Result Reserved3() = 0;                                                       // 3
  virtual AAX_Result Reserved4() = 0;                                                       // 4
  virtual AAX_Result Reserved5() = 0;                                                       // 5
  virtual AAX_Result Reserved6() = 0;                                                       // 6
  // inEffectDescriptor: the descriptor's version-1 interface. The host keeps its own reference.
  virtual AAX_Result AddEffect(const char* inEffectID, IACFUnknown* inEffectDescriptor) = 0; // 7
  virtual AAX_Result SetManufacturerName(const char* inName) = 0;                           // 8
  virtual AAX_Result AddPackageName(const char* inName) = 0;                                // 9
  virtual AAX_Result SetPackageVersion(uint32_t inVersion) = 0;                             // 10
  // inProperties: a property map's newest interface, or null.
  virtual AAX_Result SetProperties(IACFUnknown* inProperties) = 0;                          // 11
};
