// The host's per-instance controller, in three versions, and its two page-table services.
// Asked for on the host object handed to the effect parameters' and the effect GUI's Init.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IString.h"

class AAX_IACFController : public IACFUnknown
{
public:
  virtual AAX_Result GetEffectID(AAX_IString* outEffectID) = 0;                    // 3
  virtual AAX_Result GetSampleRate(float* outSampleRate) = 0;                      // 4
  virtual AAX_Result GetInputStemFormat(int32_t* outStemFormat) = 0;               // 5
  virtual AAX_Result GetOutputStemFormat(int32_t* outStemFormat) = 0;              // 6
  virtual AAX_Result GetSignalLatency(int32_t* outSamples) = 0;                    // 7
  virtual AAX_Result GetCycleCount(int32_t inWhichCount, int32_t* outCount) = 0;   // 8
  virtual AAX_Result GetTODLocation(int64_t* outLocation) = 0;                     // 9
  virtual AAX_Result SetSignalLatency(int32_t inSamples) = 0;                      // 10
  virtual AAX_Result SetCycleCount(const int32_t* inWhichCounts, const int32_t* inValues,
                                   int32_t inCount) = 0;                           // 11
  // The host takes a copy of the packet for the data field inFieldIndex.
  virtual AAX_Result PostPacket(uint32_t inFieldIndex, const void* inData, uint32_t inSize) = 0; // 12
  virtual AAX_Result GetCurrentMeterValue(uint32_t inMeterID, float* outValue) = 0; // 13
  virtual AAX_Result GetMeterPeakValue(uint32_t inMeterID, float* outValue) = 0;   // 14
  virtual AAX_Result ClearMeterPeakValue(uint32_t inMeterID) = 0;                  // 15
  virtual AAX_Result GetMeterClipped(uint32_t inMeterID, bool* outClipped) = 0;    // 16
  virtual AAX_Result ClearMeterClipped(uint32_t inMeterID) = 0;                    // 17
  virtual AAX_Result GetMeterCount(uint32_t* outCount) = 0;                        // 18
  virtual AAX_Result GetCurrentAutomationTimestamp(int64_t* outTimestamp) = 0;     // 19
};

class AAX_IACFController_V2 : public AAX_IACFController
{
public:
  // Posts a notification (type, data, size) to the host; data may be null with size 0.
  virtual AAX_Result SendNotification(AAX_CTypeID inType, const void* inData, uint32_t inSize) = 0; // 20
  virtual AAX_Result GetHybridSignalLatency(int32_t* outSamples) = 0;              // 21
  // Writes a host-owned object (no reference) or null.
  virtual AAX_Result GetHostEnvironment(IACFUnknown** outEnvironment) = 0;         // 22
  virtual AAX_Result GetIsAudioSuite(bool* outIsAudioSuite) = 0;                   // 23
};

class AAX_IACFController_V3 : public AAX_IACFController_V2
{
public:
  virtual AAX_Result GetHostName(AAX_IString* outName) = 0;                        // 24
  virtual AAX_Result GetPlugInTargetPlatform(int32_t* outPlatform) = 0;            // 25
};

// Page-table services. Decision: the caller makes an empty host page table through the object
// factory (class IID_IAAXPageTableV1, interface IID_IAAXPageTableV1) and hands it in as
// inTable; the service fills it. The caller keeps its own reference to the table.
class AAX_IACFPageTableController : public IACFUnknown
{
public:
  virtual AAX_Result CopyTableForEffect(AAX_CTypeID inManufacturerID, AAX_CTypeID inProductID,
                                        AAX_CTypeID inPlugInID, uint32_t inTableType,
                                        int32_t inTablePageSize, IACFUnknown* inTable) = 0; // 3
  virtual AAX_Result CopyTableOfLayoutForEffect(const char* inEffectID, const char* inLayoutName,
                                                uint32_t inTableType, int32_t inTablePageSize,
                                                IACFUnknown* inTable) = 0;                  // 4
};

class AAX_IACFPageTableController_V2 : public AAX_IACFPageTableController
{
public:
  virtual AAX_Result CopyTableForEffectFromFile(const char* inPageTableFilePath,
                                                AAX_CTypeID inManufacturerID, AAX_CTypeID inProductID,
                                                AAX_CTypeID inPlugInID, uint32_t inTableType,
                                                int32_t inTablePageSize, IACFUnknown* inTable) = 0; // 5
  virtual AAX_Result CopyTableOfLayoutFromFile(const char* inPageTableFilePath, const char* inLayoutName,
                                               uint32_t inTableType, int32_t inTablePageSize,
                                               IACFUnknown* inTable) = 0;                   // 6
};
