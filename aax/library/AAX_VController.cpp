#include "aax/library/AAX_VController.h"

#include "aax/library/AAX_HostObjects.h"
#include "aax/library/AAX_VPageTable.h"

#include <new>

AAX_VController::AAX_VController(IACFUnknown* hostObject)
{
  mV1 = ACFQuery<AAX_IACFController>(hostObject, IID_IAAXControllerV1);
  mV2 = ACFQuery<AAX_IACFController_V2>(hostObject, IID_IAAXControllerV2);
  mV3 = ACFQuery<AAX_IACFController_V3>(hostObject, IID_IAAXControllerV3);
  mPageTableV1 = ACFQuery<AAX_IACFPageTableController>(hostObject, IID_IAAXPageTableControllerV1);
  mPageTableV2 = ACFQuery<AAX_IACFPageTableController_V2>(hostObject, IID_IAAXPageTableControllerV2);
  mFactory = ACFQuery<IACFObjectFactory>(hostObject, IID_IACFObjectFactory);
}

AAX_VController::~AAX_VController()
{
  AAX_ReleaseInterface(mFactory);
  AAX_ReleaseInterface(mPageTableV2);
  AAX_ReleaseInterface(mPageTableV1);
  AAX_ReleaseInterface(mV3);
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

// Version 1 operations: -20004 without the interface.
AAX_Result AAX_VController::GetEffectID(AAX_IString* o) const { return mV1 ? mV1->GetEffectID(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetSampleRate(float* o) const { return mV1 ? mV1->GetSampleRate(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetInputStemFormat(int32_t* o) const { return mV1 ? mV1->GetInputStemFormat(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetOutputStemFormat(int32_t* o) const { return mV1 ? mV1->GetOutputStemFormat(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetSignalLatency(int32_t* o) const { return mV1 ? mV1->GetSignalLatency(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetCycleCount(int32_t w, int32_t* o) const { return mV1 ? mV1->GetCycleCount(w, o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetTODLocation(int64_t* o) const { return mV1 ? mV1->GetTODLocation(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::SetSignalLatency(int32_t s) { return mV1 ? mV1->SetSignalLatency(s) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::SetCycleCount(const int32_t* w, const int32_t* v, int32_t n)
{
  return mV1 ? mV1->SetCycleCount(w, v, n) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VController::PostPacket(uint32_t f, const void* d, uint32_t s)
{
  return mV1 ? mV1->PostPacket(f, d, s) : AAX_ERROR_NULL_OBJECT;
}
AAX_Result AAX_VController::GetCurrentMeterValue(uint32_t m, float* o) const { return mV1 ? mV1->GetCurrentMeterValue(m, o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetMeterPeakValue(uint32_t m, float* o) const { return mV1 ? mV1->GetMeterPeakValue(m, o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::ClearMeterPeakValue(uint32_t m) const { return mV1 ? mV1->ClearMeterPeakValue(m) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetMeterCount(uint32_t* o) const { return mV1 ? mV1->GetMeterCount(o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetMeterClipped(uint32_t m, bool* o) const { return mV1 ? mV1->GetMeterClipped(m, o) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::ClearMeterClipped(uint32_t m) const { return mV1 ? mV1->ClearMeterClipped(m) : AAX_ERROR_NULL_OBJECT; }
AAX_Result AAX_VController::GetCurrentAutomationTimestamp(int64_t* o) const
{
  return mV1 ? mV1->GetCurrentAutomationTimestamp(o) : AAX_ERROR_NULL_OBJECT;
}

// Version 2 and 3 operations: -20009 without the interface.
AAX_Result AAX_VController::SendNotification(AAX_CTypeID t, const void* d, uint32_t s)
{
  return mV2 ? mV2->SendNotification(t, d, s) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VController::SendNotification(AAX_CTypeID t)
{
  return mV2 ? mV2->SendNotification(t, nullptr, 0) : AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VController::GetHybridSignalLatency(int32_t* o) const { return mV2 ? mV2->GetHybridSignalLatency(o) : AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_VController::GetHostEnvironment(IACFUnknown** o) const
{
  if (mV2)
    return mV2->GetHostEnvironment(o);
  if (o)
    *o = nullptr;
  return AAX_ERROR_UNIMPLEMENTED;
}
AAX_Result AAX_VController::GetIsAudioSuite(bool* o) const { return mV2 ? mV2->GetIsAudioSuite(o) : AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_VController::GetHostName(AAX_IString* o) const { return mV3 ? mV3->GetHostName(o) : AAX_ERROR_UNIMPLEMENTED; }
AAX_Result AAX_VController::GetPlugInTargetPlatform(int32_t* o) const
{
  return mV3 ? mV3->GetPlugInTargetPlatform(o) : AAX_ERROR_UNIMPLEMENTED;
}

// Page tables.
IACFUnknown* AAX_VController::NewHostPageTable() const
{
  if (!mFactory)
    return nullptr;
  void* table = nullptr;
  if (mFactory->CreateInstance(IID_IAAXPageTableV1, IID_IAAXPageTableV1, &table) != ACF_OK)
    return nullptr;
  return static_cast<IACFUnknown*>(table);
}

AAX_IPageTable* AAX_VController::FinishTable(IACFUnknown* table, AAX_Result fillResult) const
{
  AAX_IPageTable* wrapper = nullptr;
  if (fillResult == AAX_SUCCESS)
    wrapper = new (std::nothrow) AAX_VPageTable(table);
  table->Release();
  return wrapper;
}

template <class PageTables, class Fill>
AAX_IPageTable* AAX_VController::CopyHostTable(PageTables* pageTables, Fill&& fill) const
{
  if (!pageTables)
    return nullptr;
  IACFUnknown* table = NewHostPageTable();
  if (!table)
    return nullptr;
  return FinishTable(table, fill(*pageTables, table));
}

AAX_IPageTable* AAX_VController::CreateTableCopyForEffect(AAX_CTypeID man, AAX_CTypeID prod, AAX_CTypeID plugIn,
                                                          uint32_t type, int32_t pageSize) const
{
  return CopyHostTable(mPageTableV1, [&](auto& pageTables, IACFUnknown* table) {
    return pageTables.CopyTableForEffect(man, prod, plugIn, type, pageSize, table);
  });
}

AAX_IPageTable* AAX_VController::CreateTableCopyForLayout(const char* effectID, const char* layout, uint32_t type,
                                                          int32_t pageSize) const
{
  return CopyHostTable(mPageTableV1, [&](auto& pageTables, IACFUnknown* table) {
    return pageTables.CopyTableOfLayoutForEffect(effectID, layout, type, pageSize, table);
  });
}

AAX_IPageTable* AAX_VController::CreateTableCopyForEffectFromFile(const char* path, AAX_CTypeID man,
                                                                  AAX_CTypeID prod, AAX_CTypeID plugIn,
                                                                  uint32_t type, int32_t pageSize) const
{
  return CopyHostTable(mPageTableV2, [&](auto& pageTables, IACFUnknown* table) {
    return pageTables.CopyTableForEffectFromFile(path, man, prod, plugIn, type, pageSize, table);
  });
}

AAX_IPageTable* AAX_VController::CreateTableCopyForLayoutFromFile(const char* path, const char* layout,
                                                                  uint32_t type, int32_t pageSize) const
{
  return CopyHostTable(mPageTableV2, [&](auto& pageTables, IACFUnknown* table) {
    return pageTables.CopyTableOfLayoutFromFile(path, layout, type, pageSize, table);
  });
}
