// The plug-in's view of a host property map (implemented by AAX_VPropertyMap).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IPropertyMap
{
public:
  virtual ~AAX_IPropertyMap() = default;
  virtual bool GetProperty(int32_t inPropertyID, int32_t* outValue) const = 0;             // 2
  virtual bool GetPointerProperty(int32_t inPropertyID, const void** outValue) const = 0;  // 3
  virtual AAX_Result AddProperty(int32_t inPropertyID, int32_t inValue) = 0;               // 4
  virtual AAX_Result AddPointerProperty(int32_t inPropertyID, const void* inValue) = 0;    // 5
  virtual AAX_Result AddPointerProperty(int32_t inPropertyID, const char* inValue) = 0;    // 6
  virtual AAX_Result RemoveProperty(int32_t inPropertyID) = 0;                             // 7
  virtual AAX_Result AddPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad* inIDs,
                                            uint32_t inCount) = 0;                         // 8
  virtual bool GetPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad** outIDs,
                                      uint32_t* outCount) const = 0;                       // 9
  // The newest host interface the map has (version 3, else 2, else 1), or null; no reference.
  virtual IACFUnknown* GetIUnknown() = 0;                                                  // 10
};
