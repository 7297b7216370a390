// Version-adapting wrapper of a host effect descriptor, made through the host's object factory.
// Owns the component descriptors and property maps it creates.
#pragma once

#include "aax/interfaces/AAX_IACFEffectDescriptor.h"
#include "aax/interfaces/AAX_IEffectDescriptor.h"

#include <set>

class AAX_VComponentDescriptor;
class AAX_VPropertyMap;

class AAX_VEffectDescriptor : public AAX_IEffectDescriptor
{
public:
  explicit AAX_VEffectDescriptor(IACFUnknown* hostObject);
  ~AAX_VEffectDescriptor() override;
  AAX_VEffectDescriptor(const AAX_VEffectDescriptor&) = delete;
  AAX_VEffectDescriptor& operator=(const AAX_VEffectDescriptor&) = delete;

  // The version-1 host interface (no reference for the caller), or null.
  IACFUnknown* GetIUnknown() const { return mV1; }

  AAX_IComponentDescriptor* NewComponentDescriptor() override;
  // -20004 without the descriptor's interface or a component that lacks its own.
  AAX_Result AddComponent(AAX_IComponentDescriptor* inComponentDescriptor) override;
  AAX_Result AddName(const char* inName) override;
  AAX_Result AddCategory(uint32_t inCategory) override;
  AAX_Result AddCategoryBypassParameter(uint32_t inCategory, const char* inParameterID) override;
  AAX_Result AddProcPtr(void* inProcPtr, int32_t inProcID) override;
  AAX_IPropertyMap* NewPropertyMap() override;
  AAX_Result SetProperties(AAX_IPropertyMap* inProperties) override;
  AAX_Result AddResourceInfo(int32_t inResourceType, const char* inInfo) override;
  // -20004 without the descriptor's interface or a map that lacks its own.
  AAX_Result AddMeterDescription(uint32_t inMeterID, const char* inMeterName, AAX_IPropertyMap* inProperties) override;
  AAX_Result AddControlMIDINode(uint32_t inNodeID, int32_t inNodeType, const char* inNodeName,
                                uint32_t inChannelMask) override;

private:
  IACFUnknown* mHostObject = nullptr;
  AAX_IACFEffectDescriptor* mV1 = nullptr;
  AAX_IACFEffectDescriptor_V2* mV2 = nullptr;
  std::set<AAX_VComponentDescriptor*> mComponentDescriptors;
  std::set<AAX_VPropertyMap*> mPropertyMaps;
};
