// The host's effect descriptor, in two versions. The object factory makes it
// (class AAXCompID_EffectDescriptor).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFEffectDescriptor : public IACFUnknown
{
public:
  // inComponentDescriptor: the component descriptor's version-1 interface; the host keeps
  // its own reference.
  virtual AAX_Result AddComponent(IACFUnknown* inComponentDescriptor) = 0;                  // 3
  virtual AAX_Result AddName(const char* inName) = 0;                                       // 4
  virtual AAX_Result AddCategory(uint32_t inCategory) = 0;                                  // 5
  virtual AAX_Result AddCategoryBypassParameter(uint32_t inCategory, const char* inParameterID) = 0; // 6
  // inProcPtr: an AAX_CCreateObjectProc; inProcID: AAX_eProcPtrID_Create_EffectParameters (0)
  // or AAX_eProcPtrID_Create_EffectGUI (1).
  virtual AAX_Result AddProcPtr(void* inProcPtr, int32_t inProcID) = 0;                     // 7
  virtual AAX_Result SetProperties(IACFUnknown* inProperties) = 0;                          // 8
  virtual AAX_Result AddResourceInfo(int32_t inResourceType, const char* inInfo) = 0;       // 9
  virtual AAX_Result AddMeterDescription(uint32_t inMeterID, const char* inMeterName,
                                         IACFUnknown* inProperties) = 0;                    // 10
};

class AAX_IACFEffectDescriptor_V2 : public AAX_IACFEffectDescriptor
{
public:
  virtual AAX_Result AddControlMIDINode(uint32_t inNodeID, int32_t inNodeType, const char* inNodeName,
                                        uint32_t inChannelMask) = 0;                        // 11
};
