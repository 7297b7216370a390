// Stand-in host page table (two versions): pages of parameter slots and name variations.
#pragma once

#include "aax/interfaces/AAX_IACFPageTable.h"
#include "standin/aaxhost/HostObject.h"

#include <map>
#include <string>
#include <vector>

namespace aaxhost
{
class PageTable : public HostObject<AAX_IACFPageTable_V2>
{
public:
  using HostObject::HostObject;

  ACFRESULT QueryInterface(const acfIID& iid, void** out) override
  {
    return AnswerVersions(iid, out, {IID_IAAXPageTableV1, IID_IAAXPageTableV2});
  }
  AAX_Result Clear() override;
  AAX_Result Empty(bool* out) override;
  AAX_Result GetNumPages(int32_t* out) override;
  AAX_Result InsertPage(int32_t page) override;
  AAX_Result RemovePage(int32_t page) override;
  AAX_Result GetNumMappedParameterIDs(int32_t page, int32_t* out) override;
  AAX_Result ClearMappedParameter(int32_t page, int32_t slot) override;
  AAX_Result GetMappedParameterID(int32_t page, int32_t slot, AAX_IString* out) override;
  AAX_Result MapParameterID(const char* id, int32_t page, int32_t slot) override;
  AAX_Result GetNumParametersWithNameVariations(int32_t* out) override;
  AAX_Result GetNameVariationParameterIDAtIndex(int32_t index, AAX_IString* out) override;
  AAX_Result GetNumNameVariationsForParameter(const char* id, int32_t* out) override;
  AAX_Result GetParameterNameVariationAtIndex(const char* id, int32_t index, AAX_IString* out, int32_t* length) override;
  AAX_Result GetParameterNameVariationOfLength(const char* id, int32_t length, AAX_IString* out) override;
  AAX_Result ClearParameterNameVariations() override;
  AAX_Result ClearNameVariationsForParameter(const char* id) override;
  AAX_Result SetParameterNameVariation(const char* id, const AAX_IString& name, int32_t length) override;

private:
  std::vector<std::map<int32_t, std::string>> mPages;              // slot → parameter identifier
  std::map<std::string, std::map<int32_t, std::string>> mVariations; // id → length → name
};
} // namespace aaxhost
