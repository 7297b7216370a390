// The plug-in's view of a host component descriptor (AAX_VComponentDescriptor).
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IPropertyMap;

class AAX_IComponentDescriptor
{
public:
  virtual ~AAX_IComponentDescriptor() = default;
  virtual AAX_Result Clear() = 0;                                                          // 2
  virtual AAX_Result AddAudioIn(uint32_t inFieldIndex) = 0;                                // 3
  virtual AAX_Result AddAudioOut(uint32_t inFieldIndex) = 0;                               // 4
  virtual AAX_Result AddAudioBufferLength(uint32_t inFieldIndex) = 0;                      // 5
  virtual AAX_Result AddClock(uint32_t inFieldIndex) = 0;                                  // 6
  virtual AAX_Result AddSampleRate(uint32_t inFieldIndex) = 0;                             // 7
  virtual AAX_Result AddSideChainIn(uint32_t inFieldIndex) = 0;                            // 8
  virtual AAX_Result AddDataInPort(uint32_t inFieldIndex, uint32_t inPacketSize, int32_t inBufferingOption) = 0; // 9
  virtual AAX_Result AddAuxOutputStem(uint32_t inFieldIndex, int32_t inStemFormat, const char* inName) = 0; // 10
  virtual AAX_Result AddPrivateData(uint32_t inFieldIndex, int32_t inDataSize, int32_t inOptions) = 0; // 11
  virtual AAX_Result AddTemporaryData(uint32_t inFieldIndex, uint32_t inDataElementSize) = 0; // 12
  virtual AAX_Result AddDmaInstance(uint32_t inFieldIndex, int32_t inMode) = 0;            // 13
  virtual AAX_Result AddMeters(uint32_t inFieldIndex, const uint32_t* inMeterIDs, uint32_t inMeterCount) = 0; // 14
  virtual AAX_Result AddMIDINode(uint32_t inFieldIndex, int32_t inNodeType, const char* inNodeName,
                                 uint32_t inChannelMask) = 0;                              // 15
  virtual AAX_Result AddReservedField(uint32_t inFieldIndex, uint32_t inFieldType) = 0;    // 16
  // Property maps owned by this descriptor (deleted with it), or null.
  virtual AAX_IPropertyMap* NewPropertyMap() const = 0;                                    // 17
  // A new owned map holding every property 10..401 of inPropertyMap (integer when it has one,
  // else pointer).
  virtual AAX_IPropertyMap* DuplicatePropertyMap(AAX_IPropertyMap* inPropertyMap) const = 0; // 18
  // Registers the render procedure of the component (see AAX_IACFComponentDescriptor slot 16).
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc inProcessProc, AAX_IPropertyMap* inProperties = nullptr,
                                           AAX_CInstanceInitProc inInstanceInitProc = nullptr,
                                           AAX_CBackgroundProc inBackgroundProc = nullptr,
                                           int32_t* outProcID = nullptr) = 0;              // 19
  virtual AAX_Result AddProcessProc_TI(const char* inDLLFileName, const char* inProcessProcSymbol,
                                       AAX_IPropertyMap* inProperties = nullptr,
                                       const char* inInstanceInitProcSymbol = nullptr,
                                       const char* inBackgroundProcSymbol = nullptr,
                                       int32_t* outProcID = nullptr) = 0;                  // 20
  // Registers every procedure the map names; see AAX_VComponentDescriptor.
  virtual AAX_Result ManuallyAddProcessProcs(AAX_IPropertyMap* inProperties, int32_t* outProcIDs = nullptr,
                                             int32_t inCapacity = 0) = 0;                  // 21
};
