// Stand-in host component descriptor: records every field and procedure the plug-in declares.
#pragma once

#include "aax/interfaces/AAX_IACFComponentDescriptor.h"
#include "standin/aaxhost/HostObject.h"
#include "standin/aaxhost/PropertyMap.h"

#include <map>
#include <string>
#include <vector>

namespace aaxhost
{
struct FieldRecord
{
  std::string kind;   // "AudioIn", "PrivateData", "MIDINode", ...
  uint32_t index = 0;
  int64_t a = 0;      // size, stem format, node type, ... by kind
  int64_t b = 0;      // option, channel mask, ... by kind
  std::string name;
};

struct ProcessProcRecord
{
  AAX_CProcessProc proc = nullptr;
  AAX_CInstanceInitProc init = nullptr;
  AAX_CBackgroundProc background = nullptr;
  std::string tiDLL;                       // TI registrations only
  std::map<int32_t, int32_t> properties;   // integer properties at registration
  int32_t id = 0;
};

class ComponentDescriptor : public HostObject<AAX_IACFComponentDescriptor_V3>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out,
                          {IID_IAAXComponentDescriptorV1, IID_IAAXComponentDescriptorV2, IID_IAAXComponentDescriptorV3});
  }
  AAX_Result Clear() override;
  AAX_Result AddReservedField(uint32_t f, uint32_t type) override { return Field("ReservedField", f, type); }
  AAX_Result AddAudioIn(uint32_t f) override { return Field("AudioIn", f); }
  AAX_Result AddAudioOut(uint32_t f) override { return Field("AudioOut", f); }
  AAX_Result AddAudioBufferLength(uint32_t f) override { return Field("AudioBufferLength", f); }
  AAX_Result AddClock(uint32_t f) override { return Field("Clock", f); }
  AAX_Result AddSampleRate(uint32_t f) override { return Field("SampleRate", f); }
  AAX_Result AddSideChainIn(uint32_t f) override { return Field("SideChainIn", f); }
  AAX_Result AddDataInPort(uint32_t f, uint32_t size, int32_t option) override { return Field("DataInPort", f, size, option); }
  AAX_Result AddAuxOutputStem(uint32_t f, int32_t stem, const char* name) override
  {
    return Field("AuxOutputStem", f, stem, 0, name);
  }
  AAX_Result AddPrivateData(uint32_t f, int32_t size, int32_t options) override
  {
    return Field("PrivateData", f, size, options);
  }
  AAX_Result AddDmaInstance(uint32_t f, int32_t mode) override { return Field("DmaInstance", f, mode); }
  AAX_Result AddMIDINode(uint32_t f, int32_t type, const char* name, uint32_t mask) override
  {
    return Field("MIDINode", f, type, mask, name);
  }
  AAX_Result AddProcessProc_Native(AAX_CProcessProc proc, IACFUnknown* props, AAX_CInstanceInitProc init,
                                   AAX_CBackgroundProc background, int32_t* outID) override;
  AAX_Result AddProcessProc_TI(const char* dll, const char* proc, IACFUnknown* props, const char* init,
                               const char* background, int32_t* outID) override;
  AAX_Result AddMeters(uint32_t f, const uint32_t* ids, uint32_t count) override;
  AAX_Result AddTemporaryData(uint32_t f, uint32_t size) override { return Field("TemporaryData", f, size); }
  AAX_Result AddProcessProc(IACFUnknown* props, int32_t* outIDs, int32_t capacity) override;

  const std::vector<FieldRecord>& Fields() const { return mFields; }
  const std::vector<ProcessProcRecord>& ProcessProcs() const { return mProcs; }
  // The field declared at an index, or null.
  const FieldRecord* FieldAt(uint32_t index) const;

private:
  AAX_Result Field(const char* kind, uint32_t index, int64_t a = 0, int64_t b = 0, const char* name = nullptr);
  static std::map<int32_t, int32_t> IntegersOf(IACFUnknown* props);

  std::vector<FieldRecord> mFields;
  std::vector<ProcessProcRecord> mProcs;
  int32_t mNextProcID = 1;
};
} // namespace aaxhost
