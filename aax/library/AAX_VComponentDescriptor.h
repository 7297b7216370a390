// Version-adapting wrapper of a host component descriptor, made through the host's object
// factory. Owns the property maps it creates.
#pragma once

#include "aax/interfaces/AAX_IACFComponentDescriptor.h"
#include "aax/interfaces/AAX_IComponentDescriptor.h"

#include <set>

class AAX_VPropertyMap;

class AAX_VComponentDescriptor : public AAX_IComponentDescriptor
{
public:
  explicit AAX_VComponentDescriptor(IACFUnknown* hostObject);
  ~AAX_VComponentDescriptor() override;
  AAX_VComponentDescriptor(const AAX_VComponentDescriptor&) = delete;
  AAX_VComponentDescriptor& operator=(const AAX_VComponentDescriptor&) = delete;

  // The version-1 host interface (no reference for the caller), or null.
  IACFUnknown* GetIUnknown() const { return mV1; }

  AAX_Result Clear() override;
  AAX_Result AddAudioIn(uint32_t inFieldIndex) override;
  AAX_Result AddAudioOut(uint32_t inFieldIndex) override;
  AAX_Result AddAudioBufferLength(uint32_t inFieldIndex) override;
  AAX_Result AddClock(uint32_t inFieldIndex) override;
  AAX_Result AddSampleRate(uint32_t inFieldIndex) override;
  AAX_Result AddSideChainIn(uint32_t inFieldIndex) override;
  AAX_Result AddDataInPort(uint32_t inFieldIndex, uint32_t inPacketSize, int32_t inBufferingOption) override;
  AAX_Result AddAuxOutputStem(uint32_t inFieldIndex, int32_t inStemFormat, const char* inName) override;
  AAX_Result AddPrivateData(uint32_t inFieldIndex, int32_t inDataSize, int32_t inOptions) override;
  AAX_Result AddTemporaryData(uint32_t inFieldIndex, uint32_t inDataElementSize) override;
  AAX_Result AddDmaInstance(uint32_t inFieldIndex, int32_t inMode) override;
  AAX_Result AddMeters(uint32_t inFieldIndex, const uint32_t* inMeterIDs, uint32_t inMeterCount) override;
  AAX_Result AddMIDINode(uint32_t inFieldIndex, int32_t inNodeType, const char* inNodeName,
                         uint32_t inChannelMask) override;
  AAX_Result AddReservedField(uint32_t inFieldIndex, uint32_t inFieldType) override;
  AAX_IPropertyMap* NewPropertyMap() const override;
  AAX_IPropertyMap* DuplicatePropertyMap(AAX_IPropertyMap* inPropertyMap) const override;
  AAX_Result AddProcessProc_Native(AAX_CProcessProc inProcessProc, AAX_IPropertyMap* inProperties,
                                   AAX_CInstanceInitProc inInstanceInitProc, AAX_CBackgroundProc inBackgroundProc,
                                   int32_t* outProcID) override;
  AAX_Result AddProcessProc_TI(const char* inDLLFileName, const char* inProcessProcSymbol,
                               AAX_IPropertyMap* inProperties, const char* inInstanceInitProcSymbol,
                               const char* inBackgroundProcSymbol, int32_t* outProcID) override;
  // With the host's third version, the host registers the procedures. Otherwise the wrapper
  // reads the map itself: integer properties 13/14 (native) need pointer property 36 (37, 38
  // optional) and 15 (TI) needs 39 and 40 (41, 42 optional); a native registration drops the
  // audio-buffer-length property (54) from a copy of the map first. With an output array the
  // identifiers are copied followed by 0 when they fit, else -20046.
  AAX_Result ManuallyAddProcessProcs(AAX_IPropertyMap* inProperties, int32_t* outProcIDs,
                                     int32_t inCapacity) override;

private:
  AAX_Result AddProcessProcsFromProperties(AAX_IPropertyMap* inProperties, int32_t* outProcIDs, int32_t inCapacity);

  IACFUnknown* mHostObject = nullptr;
  AAX_IACFComponentDescriptor* mV1 = nullptr;
  AAX_IACFComponentDescriptor_V2* mV2 = nullptr;
  AAX_IACFComponentDescriptor_V3* mV3 = nullptr;
  mutable std::set<AAX_VPropertyMap*> mPropertyMaps;
};
