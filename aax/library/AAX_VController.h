// Version-adapting wrapper of the host controller: three controller versions, two page-table
// services and the object factory, each asked for once at construction.
#pragma once

#include "aax/interfaces/AAX_IACFController.h"
#include "aax/interfaces/AAX_IController.h"
#include "aax/interfaces/ACFObjectFactory.h"

class AAX_VController : public AAX_IController
{
public:
  explicit AAX_VController(IACFUnknown* hostObject);
  ~AAX_VController() override;
  AAX_VController(const AAX_VController&) = delete;
  AAX_VController& operator=(const AAX_VController&) = delete;

  AAX_Result GetEffectID(AAX_IString* outEffectID) const override;
  AAX_Result GetSampleRate(float* outSampleRate) const override;
  AAX_Result GetInputStemFormat(int32_t* outStemFormat) const override;
  AAX_Result GetOutputStemFormat(int32_t* outStemFormat) const override;
  AAX_Result GetSignalLatency(int32_t* outSamples) const override;
  AAX_Result GetCycleCount(int32_t inWhichCount, int32_t* outCount) const override;
  AAX_Result GetTODLocation(int64_t* outLocation) const override;
  AAX_Result SetSignalLatency(int32_t inSamples) override;
  AAX_Result SetCycleCount(const int32_t* inWhichCounts, const int32_t* inValues, int32_t inCount) override;
  AAX_Result PostPacket(uint32_t inFieldIndex, const void* inData, uint32_t inSize) override;
  AAX_Result SendNotification(AAX_CTypeID inType, const void* inData, uint32_t inSize) override;
  AAX_Result SendNotification(AAX_CTypeID inType) override;
  AAX_Result GetCurrentMeterValue(uint32_t inMeterID, float* outValue) const override;
  AAX_Result GetMeterPeakValue(uint32_t inMeterID, float* outValue) const override;
  AAX_Result ClearMeterPeakValue(uint32_t inMeterID) const override;
  AAX_Result GetMeterCount(uint32_t* outCount) const override;
  AAX_Result GetMeterClipped(uint32_t inMeterID, bool* outClipped) const override;
  AAX_Result ClearMeterClipped(uint32_t inMeterID) const override;
  AAX_Result GetCurrentAutomationTimestamp(int64_t* outTimestamp) const override;
  AAX_Result GetHybridSignalLatency(int32_t* outSamples) const override;
  AAX_Result GetHostEnvironment(IACFUnknown** outEnvironment) const override;
  AAX_Result GetIsAudioSuite(bool* outIsAudioSuite) const override;
  AAX_Result GetHostName(AAX_IString* outName) const override;
  AAX_Result GetPlugInTargetPlatform(int32_t* outPlatform) const override;
  AAX_IPageTable* CreateTableCopyForEffect(AAX_CTypeID inManufacturerID, AAX_CTypeID inProductID,
                                           AAX_CTypeID inPlugInID, uint32_t inTableType,
                                           int32_t inTablePageSize) const override;
  AAX_IPageTable* CreateTableCopyForLayout(const char* inEffectID, const char* inLayoutName, uint32_t inTableType,
                                           int32_t inTablePageSize) const override;
  AAX_IPageTable* CreateTableCopyForEffectFromFile(const char* inPageTableFilePath, AAX_CTypeID inManufacturerID,
                                                   AAX_CTypeID inProductID, AAX_CTypeID inPlugInID,
                                                   uint32_t inTableType, int32_t inTablePageSize) const override;
  AAX_IPageTable* CreateTableCopyForLayoutFromFile(const char* inPageTableFilePath, const char* inLayoutName,
                                                   uint32_t inTableType, int32_t inTablePageSize) const override;

private:
  // An empty host page table from the object factory, or null.
  IACFUnknown* NewHostPageTable() const;
  // Wraps a filled host page table (dropping the creation reference), or drops it on failure.
  AAX_IPageTable* FinishTable(IACFUnknown* table, AAX_Result fillResult) const;
  // A page table the host fills through pageTables (null when the host lacks that version).
  template <class PageTables, class Fill>
  AAX_IPageTable* CopyHostTable(PageTables* pageTables, Fill&& fill) const;

  AAX_IACFController* mV1 = nullptr;
  AAX_IACFController_V2* mV2 = nullptr;
  AAX_IACFController_V3* mV3 = nullptr;
  AAX_IACFPageTableController* mPageTableV1 = nullptr;
  AAX_IACFPageTableController_V2* mPageTableV2 = nullptr;
  IACFObjectFactory* mFactory = nullptr;
};
