// The plug-in's view of a host effect descriptor (AAX_VEffectDescriptor).
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IComponentDescriptor;
class AAX_IPropertyMap;

class AAX_IEffectDescriptor
{
public:
  virtual ~AAX_IEffectDescriptor() = default;
  // Owned by this descriptor (deleted with it), or null.
  virtual AAX_IComponentDescriptor* NewComponentDescriptor() = 0;                          // 2
  virtual AAX_Result AddComponent(AAX_IComponentDescriptor* inComponentDescriptor) = 0;    // 3
  virtual AAX_Result AddName(const char* inName) = 0;                                      // 4
  virtual AAX_Result AddCategory(uint32_t inCategory) = 0;                                 // 5
  virtual AAX_Result AddCategoryBypassParameter(uint32_t inCategory, const char* inParameterID) = 0; // 6
  virtual AAX_Result AddProcPtr(void* inProcPtr, int32_t inProcID) = 0;                    // 7
  // Owned by this descriptor, or null.
  virtual AAX_IPropertyMap* NewPropertyMap() = 0;                                          // 8
  virtual AAX_Result SetProperties(AAX_IPropertyMap* inProperties) = 0;                    // 9
  virtual AAX_Result AddResourceInfo(int32_t inResourceType, const char* inInfo) = 0;      // 10
  virtual AAX_Result AddMeterDescription(uint32_t inMeterID, const char* inMeterName,
                                         AAX_IPropertyMap* inProperties) = 0;              // 11
  virtual AAX_Result AddControlMIDINode(uint32_t inNodeID, int32_t inNodeType, const char* inNodeName,
                                        uint32_t inChannelMask) = 0;                       // 12
};
