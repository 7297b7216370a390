// The host's component descriptor (one processing configuration of an effect), in three
// versions. The object factory makes it (class AAXCompID_ComponentDescriptor).
//
// Field indices are the render-context indices the render procedure reads (AAX_Types.h).
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFComponentDescriptor : public IACFUnknown
{
public:
  virtual AAX_Result Clear() = 0;                                                           // 3
  virtual AAX_Result AddReservedField(uint32_t inFieldIndex, uint32_t inFieldType) = 0;     // 4
  virtual AAX_Result AddAudioIn(uint32_t inFieldIndex) = 0;                                 // 5
  virtual AAX_Result AddAudioOut(uint32_t inFieldIndex) = 0;                                // 6
  virtual AAX_Result AddAudioBufferLength(uint32_t inFieldIndex) = 0;                       // 7
  virtual AAX_Result AddClock(uint32_t inFieldIndex) = 0;                                   // 8
  virtual AAX_Result AddSampleRate(uint32_t inFieldIndex) = 0;                              // 9
  virtual AAX_Result AddSideChainIn(uint32_t inFieldIndex) = 0;                             // 10
  // A field that receives the packets posted through the controller (PostPacket).
  virtual AAX_Result AddDataInPort(uint32_t inFieldIndex, uint32_t inPacketSize, int32_t inBufferingOption) = 0; // 11
  virtual AAX_Result AddAuxOutputStem(uint32_t inFieldIndex, int32_t inStemFormat, const char* inName) = 0; // 12
  // A plain host-owned data block of inDataSize bytes.
  virtual AAX_Result AddPrivateData(uint32_t inFieldIndex, int32_t inDataSize, int32_t inOptions) = 0; // 13
  virtual AAX_Result AddDmaInstance(uint32_t inFieldIndex, int32_t inMode) = 0;             // 14
  virtual AAX_Result AddMIDINode(uint32_t inFieldIndex, int32_t inNodeType, const char* inNodeName,
                                 uint32_t inChannelMask) = 0;                               // 15
  // Decision: the render procedure is registered here, with its property map (the map's
  // newest interface) and optional instance-init and background procedures; the host writes
  // the new procedure's identifier through outProcID when it is not null.
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc inProcessProc, IACFUnknown* inProperties,
                                           AAX_CInstanceInitProc inInstanceInitProc,
                                           AAX_CBackgroundProc inBackgroundProc, int32_t* outProcID) = 0; // 16
  virtual AAX_Result AddProcessProc_TI(const char* inDLLFileName, const char* inProcessProcSymbol,
                                       IACFUnknown* inProperties, const char* inInstanceInitProcSymbol,
                                       const char* inBackgroundProcSymbol, int32_t* outProcID) = 0; // 17
  virtual AAX_Result AddMeters(uint32_t inFieldIndex, const uint32_t* inMeterIDs, uint32_t inMeterCount) = 0; // 18
};

class AAX_IACFComponentDescriptor_V2 : public AAX_IACFComponentDescriptor
{
public:
  virtual AAX_Result AddTemporaryData(uint32_t inFieldIndex, uint32_t inDataElementSize) = 0; // 19
};

class AAX_IACFComponentDescriptor_V3 : public AAX_IACFComponentDescriptor_V2
{
public:
  // Registers every procedure the property map names (pointer properties 36 to 42) and writes
  // their identifiers, followed by 0 when there is room, into outProcIDs (capacity entries).
  virtual AAX_Result AddProcessProc(IACFUnknown* inProperties, int32_t* outProcIDs, int32_t inCapacity) = 0; // 20
};
