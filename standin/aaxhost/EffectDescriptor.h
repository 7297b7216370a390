// Stand-in host effect descriptor: records names, categories, procedures and the components
// it was given (holding a reference to each).
#pragma once

#include "aax/interfaces/AAX_IACFEffectDescriptor.h"
#include "standin/aaxhost/ComponentDescriptor.h"
#include "standin/aaxhost/HostObject.h"

#include <string>
#include <vector>

namespace aaxhost
{
struct ProcPtrRecord
{
  void* proc = nullptr;
  int32_t procID = 0;
};

class EffectDescriptor : public HostObject<AAX_IACFEffectDescriptor_V2>
{
public:
  using HostObject::HostObject;
  ~EffectDescriptor() override;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXEffectDescriptorV1, IID_IAAXEffectDescriptorV2});
  }
  AAX_Result AddComponent(IACFUnknown* component) override;
  AAX_Result AddName(const char* name) override;
  AAX_Result AddCategory(uint32_t category) override;
  AAX_Result AddCategoryBypassParameter(uint32_t, const char*) override { return Call("EffectDescriptor.AddCategoryBypassParameter"); }
  AAX_Result AddProcPtr(void* proc, int32_t procID) override;
  AAX_Result SetProperties(IACFUnknown* props) override;
  AAX_Result AddResourceInfo(int32_t, const char*) override { return Call("EffectDescriptor.AddResourceInfo"); }
  AAX_Result AddMeterDescription(uint32_t, const char*, IACFUnknown*) override
  {
    return Call("EffectDescriptor.AddMeterDescription");
  }
  AAX_Result AddControlMIDINode(uint32_t, int32_t, const char*, uint32_t) override
  {
    return Call("EffectDescriptor.AddControlMIDINode");
  }

  const std::vector<std::string>& Names() const { return mNames; }
  const std::vector<uint32_t>& Categories() const { return mCategories; }
  const std::vector<ComponentDescriptor*>& Components() const { return mComponents; }
  const std::vector<ProcPtrRecord>& ProcPtrs() const { return mProcPtrs; }
  PropertyMap* Properties() const { return mProperties; }

private:
  std::vector<std::string> mNames;
  std::vector<uint32_t> mCategories;
  std::vector<ComponentDescriptor*> mComponents; // one reference each
  std::vector<ProcPtrRecord> mProcPtrs;
  PropertyMap* mProperties = nullptr;            // one reference
};
} // namespace aaxhost
