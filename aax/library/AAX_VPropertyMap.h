// Version-adapting wrapper of a host property map: either a new map made through the host's
// object factory or a wrapper around a map the host handed out. Pointer properties go to the
// map's third version when it has one, else into a table of the wrapper's own.
#pragma once

#include "aax/interfaces/AAX_IACFDescriptionHost.h"
#include "aax/interfaces/AAX_IACFPropertyMap.h"
#include "aax/interfaces/AAX_IPropertyMap.h"

#include <map>

class AAX_VPropertyMap : public AAX_IPropertyMap
{
public:
  // A new host map made through the object factory of hostObject, or null when the host
  // offers no factory or no map. The caller owns the wrapper.
  static AAX_VPropertyMap* Create(IACFUnknown* hostObject);
  // A wrapper around an existing host map (which keeps its own references), or null for a
  // null map. The caller owns the wrapper.
  static AAX_VPropertyMap* Acquire(IACFUnknown* hostPropertyMap);

  ~AAX_VPropertyMap() override;
  AAX_VPropertyMap(const AAX_VPropertyMap&) = delete;
  AAX_VPropertyMap& operator=(const AAX_VPropertyMap&) = delete;

  bool GetProperty(int32_t inPropertyID, int32_t* outValue) const override;
  bool GetPointerProperty(int32_t inPropertyID, const void** outValue) const override;
  // Stem formats (51, 52) that a host without description services cannot know are refused
  // with -20039; see StemFormatRefused.
  AAX_Result AddProperty(int32_t inPropertyID, int32_t inValue) override;
  AAX_Result AddPointerProperty(int32_t inPropertyID, const void* inValue) override;
  AAX_Result AddPointerProperty(int32_t inPropertyID, const char* inValue) override;
  AAX_Result RemoveProperty(int32_t inPropertyID) override;
  AAX_Result AddPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad* inIDs,
                                    uint32_t inCount) override;
  bool GetPropertyWithIDArray(int32_t inPropertyID, const AAX_SPlugInIdentifierTriad** outIDs,
                              uint32_t* outCount) const override;
  IACFUnknown* GetIUnknown() override;

  // True when the map has the host's description-host interface (newer hosts).
  bool HasDescriptionHost() const { return mDescriptionHost != nullptr; }

  // The stem-format guard: for the input and output stem-format properties a host without
  // description services knows only formats whose upper 16 bits are at most 12, and of the
  // negative codes only "any" (0xFFFF0000) and "none" (0xFF9C0000).
  static bool StemFormatRefused(int32_t inPropertyID, int32_t inValue, bool inHasDescriptionHost);

private:
  AAX_VPropertyMap(IACFUnknown* registrationObject, IACFUnknown* hostMap, bool adoptReference);

  AAX_IACFPropertyMap* mV1 = nullptr;
  AAX_IACFPropertyMap_V2* mV2 = nullptr;
  AAX_IACFPropertyMap_V3* mV3 = nullptr;
  AAX_IACFDescriptionHost* mDescriptionHost = nullptr;
  std::map<int32_t, const void*> mPointerProperties;
};
