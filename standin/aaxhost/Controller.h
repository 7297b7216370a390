// Stand-in host controller (three versions): answers sample rate and stem formats from its
// settings and records latency changes, posted packets and notifications (the newest ones,
// with counts of all).
#pragma once

#include "aax/interfaces/AAX_IACFController.h"
#include "standin/aaxhost/HostObject.h"
#include "standin/aaxhost/RecordLog.h"

#include <mutex>
#include <vector>

namespace aaxhost
{
struct PacketRecord
{
  uint32_t field = 0;
  std::vector<uint8_t> data;
};

struct NotificationRecord
{
  AAX_CTypeID type = 0;
  std::vector<uint8_t> data;
};

class Controller : public HostObject<AAX_IACFController_V3>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXControllerV1, IID_IAAXControllerV2, IID_IAAXControllerV3});
  }
  AAX_Result GetEffectID(AAX_IString* out) override;
  AAX_Result GetSampleRate(float* out) override;
  AAX_Result GetInputStemFormat(int32_t* out) override;
  AAX_Result GetOutputStemFormat(int32_t* out) override;
  AAX_Result GetSignalLatency(int32_t* out) override;
  AAX_Result GetCycleCount(int32_t, int32_t* out) override { return Value("Controller.GetCycleCount", out, 0); }
  AAX_Result GetTODLocation(int64_t* out) override { return Value("Controller.GetTODLocation", out, int64_t(0)); }
  AAX_Result SetSignalLatency(int32_t samples) override;
  AAX_Result SetCycleCount(const int32_t*, const int32_t*, int32_t) override { return Call("Controller.SetCycleCount"); }
  AAX_Result PostPacket(uint32_t field, const void* data, uint32_t size) override;
  AAX_Result GetCurrentMeterValue(uint32_t, float* out) override { return Value("Controller.GetCurrentMeterValue", out, 0.0f); }
  AAX_Result GetMeterPeakValue(uint32_t, float* out) override { return Value("Controller.GetMeterPeakValue", out, 0.0f); }
  AAX_Result ClearMeterPeakValue(uint32_t) override { return Call("Controller.ClearMeterPeakValue"); }
  AAX_Result GetMeterClipped(uint32_t, bool* out) override { return Value("Controller.GetMeterClipped", out, false); }
  AAX_Result ClearMeterClipped(uint32_t) override { return Call("Controller.ClearMeterClipped"); }
  AAX_Result GetMeterCount(uint32_t* out) override { return Value("Controller.GetMeterCount", out, 0u); }
  AAX_Result GetCurrentAutomationTimestamp(int64_t* out) override
  {
    return Value("Controller.GetCurrentAutomationTimestamp", out, int64_t(0));
  }
  AAX_Result SendNotification(AAX_CTypeID type, const void* data, uint32_t size) override;
  AAX_Result GetHybridSignalLatency(int32_t* out) override { return Value("Controller.GetHybridSignalLatency", out, 0); }
  AAX_Result GetHostEnvironment(IACFUnknown** out) override
  {
    return Value("Controller.GetHostEnvironment", out, static_cast<IACFUnknown*>(nullptr));
  }
  AAX_Result GetIsAudioSuite(bool* out) override { return Value("Controller.GetIsAudioSuite", out, false); }
  AAX_Result GetHostName(AAX_IString* out) override;
  AAX_Result GetPlugInTargetPlatform(int32_t* out) override { return Value("Controller.GetPlugInTargetPlatform", out, 0); }

  // Settings the host answers with.
  void SetSampleRate(float rate) { mSampleRate = rate; }
  void SetStemFormats(int32_t input, int32_t output)
  {
    mInputStem = input;
    mOutputStem = output;
  }
  int32_t Latency() const { return mLatency; }
  // The newest posted packets and notifications (at most kDefaultRecordCapacity each), oldest
  // first, and how many arrived in all since construction or ClearRecords.
  std::vector<PacketRecord> Packets() const;
  std::vector<NotificationRecord> Notifications() const;
  uint64_t PacketCount() const;
  uint64_t NotificationCount() const;
  // The newest packet posted on a field; false when none of the kept ones was.
  bool LastPacket(uint32_t field, PacketRecord& out) const;
  void ClearRecords();

private:
  template <class T>
  AAX_Result Value(const char* name, T* out, T value)
  {
    Call(name);
    if (!out)
      return AAX_ERROR_NULL_ARGUMENT;
    *out = value;
    return 0;
  }

  float mSampleRate = 48000.0f;
  int32_t mInputStem = AAX_eStemFormat_Stereo;
  int32_t mOutputStem = AAX_eStemFormat_Stereo;
  std::atomic<int32_t> mLatency{0};
  mutable std::mutex mMutex;
  RecordLog<PacketRecord> mPackets;
  RecordLog<NotificationRecord> mNotifications;
};

// The two page-table services; they fill a table the plug-in made through the factory with one
// page mapping the effect's first parameter.
class PageTableService : public HostObject<AAX_IACFPageTableController_V2>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXPageTableControllerV1, IID_IAAXPageTableControllerV2});
  }
  AAX_Result CopyTableForEffect(AAX_CTypeID, AAX_CTypeID, AAX_CTypeID, uint32_t, int32_t, IACFUnknown* table) override
  {
    return Fill("PageTableService.CopyTableForEffect", table);
  }
  AAX_Result CopyTableOfLayoutForEffect(const char*, const char*, uint32_t, int32_t, IACFUnknown* table) override
  {
    return Fill("PageTableService.CopyTableOfLayoutForEffect", table);
  }
  AAX_Result CopyTableForEffectFromFile(const char*, AAX_CTypeID, AAX_CTypeID, AAX_CTypeID, uint32_t, int32_t,
                                        IACFUnknown* table) override
  {
    return Fill("PageTableService.CopyTableForEffectFromFile", table);
  }
  AAX_Result CopyTableOfLayoutFromFile(const char*, const char*, uint32_t, int32_t, IACFUnknown* table) override
  {
    return Fill("PageTableService.CopyTableOfLayoutFromFile", table);
  }

private:
  AAX_Result Fill(const char* name, IACFUnknown* table);
};
} // namespace aaxhost
