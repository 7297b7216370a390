// A host property map: integer properties by identifier, in three versions. The object factory
// makes new ones (class AAXCompID_PropertyMap); feature information hands out existing ones.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFPropertyMap : public IACFUnknown
{
public:
  // True with the value when the property is present.
  virtual bool GetProperty(int32_t inPropertyID, int32_t* outValue) = 0;                   // 3
  virtual AAX_Result AddProperty(int32_t inPropertyID, int32_t inValue) = 0;               // 4
  virtual AAX_Result RemoveProperty(int32_t inPropertyID) = 0;                             // 5
};

class AAX_IACFPropertyMap_V2 : public AAX_IACFPropertyMap
{
public:
  virtual AAX_Result AddPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad* inIDs,
                                            uint32_t inCount) = 0;                         // 6
  virtual bool GetPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad** outIDs,
                                      uint32_t* outCount) = 0;                             // 7
};

class AAX_IACFPropertyMap_V3 : public AAX_IACFPropertyMap_V2
{
public:
  // Pointer properties (procedure pointers, file names): true with the value when present.
  virtual bool GetPointerProperty(int32_t inPropertyID, const void** outValue) = 0;        // 8
  virtual AAX_Result AddPointerProperty(int32_t inPropertyID, const void* inValue) = 0;    // 9
};
