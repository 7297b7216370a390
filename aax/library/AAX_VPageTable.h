// Version-adapting wrapper of a host page table. Every operation answers -20009 when its
// version is missing (also the first version: nothing in the system relies on page tables).
#pragma once

#include "aax/interfaces/AAX_IACFPageTable.h"
#include "aax/interfaces/AAX_IPageTable.h"

class AAX_VPageTable : public AAX_IPageTable
{
public:
  explicit AAX_VPageTable(IACFUnknown* hostPageTable);
  ~AAX_VPageTable() override;
  AAX_VPageTable(const AAX_VPageTable&) = delete;
  AAX_VPageTable& operator=(const AAX_VPageTable&) = delete;

  // True when the host page table offers its first version.
  bool IsSupported() const { return mV1 != nullptr; }

  AAX_Result Clear() override;
  AAX_Result Empty(bool* outEmpty) const override;
  AAX_Result GetNumPages(int32_t* outNumPages) const override;
  AAX_Result InsertPage(int32_t inPage) override;
  AAX_Result RemovePage(int32_t inPage) override;
  AAX_Result GetNumMappedParameterIDs(int32_t inPage, int32_t* outCount) const override;
  AAX_Result ClearMappedParameter(int32_t inPage, int32_t inSlot) override;
  AAX_Result GetMappedParameterID(int32_t inPage, int32_t inSlot, AAX_IString* outID) const override;
  AAX_Result MapParameterID(const char* inParameterID, int32_t inPage, int32_t inSlot) override;
  AAX_Result GetNumParametersWithNameVariations(int32_t* outCount) const override;
  AAX_Result GetNameVariationParameterIDAtIndex(int32_t inIndex, AAX_IString* outID) const override;
  AAX_Result GetNumNameVariationsForParameter(const char* inParameterID, int32_t* outCount) const override;
  AAX_Result GetParameterNameVariationAtIndex(const char* inParameterID, int32_t inIndex, AAX_IString* outName,
                                              int32_t* outLength) const override;
  AAX_Result GetParameterNameVariationOfLength(const char* inParameterID, int32_t inLength,
                                               AAX_IString* outName) const override;
  AAX_Result ClearParameterNameVariations() override;
  AAX_Result ClearNameVariationsForParameter(const char* inParameterID) override;
  AAX_Result SetParameterNameVariation(const char* inParameterID, const AAX_IString& inName,
                                       int32_t inLength) override;

private:
  AAX_IACFPageTable* mV1 = nullptr;
  AAX_IACFPageTable_V2* mV2 = nullptr;
};
