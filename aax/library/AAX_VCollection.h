// Version-adapting wrapper of the host's description collection, built by registration around
// the host's registration object. Owns every effect descriptor and property map it creates.
#pragma once

#include "aax/interfaces/AAX_IACFCollection.h"
#include "aax/interfaces/AAX_ICollection.h"
#include "aax/library/AAX_VDescriptionHost.h"

#include <set>

class AAX_VEffectDescriptor;
class AAX_VPropertyMap;

class AAX_VCollection : public AAX_ICollection
{
public:
  explicit AAX_VCollection(IACFUnknown* registrationObject);
  ~AAX_VCollection() override;
  AAX_VCollection(const AAX_VCollection&) = delete;
  AAX_VCollection& operator=(const AAX_VCollection&) = delete;

  // The host collection (no reference for the caller), or null.
  IACFUnknown* GetIUnknown() const { return mV1; }

  AAX_IEffectDescriptor* NewDescriptor() override;
  // -20004 without the collection's interface or a descriptor that lacks its own.
  AAX_Result AddEffect(const char* inEffectID, AAX_IEffectDescriptor* inEffectDescriptor) override;
  AAX_Result SetManufacturerName(const char* inName) override;
  AAX_Result AddPackageName(const char* inName) override;
  AAX_Result SetPackageVersion(uint32_t inVersion) override;
  AAX_IPropertyMap* NewPropertyMap() override;
  AAX_Result SetProperties(AAX_IPropertyMap* inProperties) override;
  AAX_IDescriptionHost* DescriptionHost() override;
  const AAX_IDescriptionHost* DescriptionHost() const override;
  IACFUnknown* HostDefinition() const override;

private:
  IACFUnknown* mHostObject = nullptr;
  AAX_IACFCollection* mV1 = nullptr;
  AAX_VDescriptionHost mDescriptionHost;
  std::set<AAX_VEffectDescriptor*> mEffectDescriptors;
  std::set<AAX_VPropertyMap*> mPropertyMaps;
};
