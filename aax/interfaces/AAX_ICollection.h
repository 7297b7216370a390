// The plug-in's view of the host description collection (AAX_VCollection).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IEffectDescriptor;
class AAX_IPropertyMap;
class AAX_IDescriptionHost;

class AAX_ICollection
{
public:
  virtual ~AAX_ICollection() = default;
  // Owned by the collection (deleted with it), or null.
  virtual AAX_IEffectDescriptor* NewDescriptor() = 0;                                      // 2
  virtual AAX_Result AddEffect(const char* inEffectID, AAX_IEffectDescriptor* inEffectDescriptor) = 0; // 3
  virtual AAX_Result SetManufacturerName(const char* inName) = 0;                          // 4
  virtual AAX_Result AddPackageName(const char* inName) = 0;                               // 5
  virtual AAX_Result SetPackageVersion(uint32_t inVersion) = 0;                            // 6
  // Owned by the collection, or null.
  virtual AAX_IPropertyMap* NewPropertyMap() = 0;                                          // 7
  virtual AAX_Result SetProperties(AAX_IPropertyMap* inProperties) = 0;                    // 8
  // The description host, or null when the host offers none.
  virtual AAX_IDescriptionHost* DescriptionHost() = 0;                                     // 9
  virtual const AAX_IDescriptionHost* DescriptionHost() const = 0;                         // 10
  // The host's definition object (no reference for the caller), or null.
  virtual IACFUnknown* HostDefinition() const = 0;                                         // 11
};
