// The plug-in's view of the host controller (implemented by AAX_VController). Slot numbers in
// the comments count the two destructor slots.
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"
#include "aax/library/AAX_IString.h"

class AAX_IPageTable;

class AAX_IController
{
public:
  virtual ~AAX_IController() = default;
  virtual AAX_Result GetEffectID(AAX_IString* outEffectID) const = 0;                      // 2
  virtual AAX_Result GetSampleRate(float* outSampleRate) const = 0;                        // 3
  virtual AAX_Result GetInputStemFormat(int32_t* outStemFormat) const = 0;                 // 4
  virtual AAX_Result GetOutputStemFormat(int32_t* outStemFormat) const = 0;                // 5
  virtual AAX_Result GetSignalLatency(int32_t* outSamples) const = 0;                      // 6
  virtual AAX_Result GetCycleCount(int32_t inWhichCount, int32_t* outCount) const = 0;     // 7
  virtual AAX_Result GetTODLocation(int64_t* outLocation) const = 0;                       // 8
  virtual AAX_Result SetSignalLatency(int32_t inSamples) = 0;                              // 9
  virtual AAX_Result SetCycleCount(const int32_t* inWhichCounts, const int32_t* inValues, int32_t inCount) = 0; // 10
  virtual AAX_Result PostPacket(uint32_t inFieldIndex, const void* inData, uint32_t inSize) = 0; // 11
  virtual AAX_Result SendNotification(AAX_CTypeID inType, const void* inData, uint32_t inSize) = 0; // 12
  virtual AAX_Result SendNotification(AAX_CTypeID inType) = 0;                             // 13
  virtual AAX_Result GetCurrentMeterValue(uint32_t inMeterID, float* outValue) const = 0;  // 14
  virtual AAX_Result GetMeterPeakValue(uint32_t inMeterID, float* outValue) const = 0;     // 15
  virtual AAX_Result ClearMeterPeakValue(uint32_t inMeterID) const = 0;                    // 16
  virtual AAX_Result GetMeterCount(uint32_t* outCount) const = 0;                          // 17
  virtual AAX_Result GetMeterClipped(uint32_t inMeterID, bool* outClipped) const = 0;      // 18
  virtual AAX_Result ClearMeterClipped(uint32_t inMeterID) const = 0;                      // 19
  virtual AAX_Result GetCurrentAutomationTimestamp(int64_t* outTimestamp) const = 0;       // 20
  virtual AAX_Result GetHybridSignalLatency(int32_t* outSamples) const = 0;                // 21
  virtual AAX_Result GetHostEnvironment(IACFUnknown** outEnvironment) const = 0;           // 22
  virtual AAX_Result GetIsAudioSuite(bool* outIsAudioSuite) const = 0;                     // 23
  virtual AAX_Result GetHostName(AAX_IString* outName) const = 0;                          // 24
  virtual AAX_Result GetPlugInTargetPlatform(int32_t* outPlatform) const = 0;              // 25
  // New page tables (owned by the caller), or null.
  virtual AAX_IPageTable* CreateTableCopyForEffect(AAX_CTypeID inManufacturerID, AAX_CTypeID inProductID,
                                                   AAX_CTypeID inPlugInID, uint32_t inTableType,
                                                   int32_t inTablePageSize) const = 0;    // 26
  virtual AAX_IPageTable* CreateTableCopyForLayout(const char* inEffectID, const char* inLayoutName,
                                                   uint32_t inTableType, int32_t inTablePageSize) const = 0; // 27
  virtual AAX_IPageTable* CreateTableCopyForEffectFromFile(const char* inPageTableFilePath,
                                                           AAX_CTypeID inManufacturerID, AAX_CTypeID inProductID,
                                                           AAX_CTypeID inPlugInID, uint32_t inTableType,
                                                           int32_t inTablePageSize) const = 0; // 28
  virtual AAX_IPageTable* CreateTableCopyForLayoutFromFile(const char* inPageTableFilePath,
                                                           const char* inLayoutName, uint32_t inTableType,
                                                           int32_t inTablePageSize) const = 0; // 29
};
