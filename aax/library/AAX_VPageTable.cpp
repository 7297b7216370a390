#include "aax/library/AAX_VPageTable.h"

#include "aax/library/AAX_HostObjects.h"

AAX_VPageTable::AAX_VPageTable(IACFUnknown* hostPageTable)
{
  mV1 = ACFQuery<AAX_IACFPageTable>(hostPageTable, IID_IAAXPageTableV1);
  mV2 = ACFQuery<AAX_IACFPageTable_V2>(hostPageTable, IID_IAAXPageTableV2);
}

AAX_VPageTable::~AAX_VPageTable()
{
  AAX_ReleaseInterface(mV2);
  AAX_ReleaseInterface(mV1);
}

#define AAX_PT_V1(call) return mV1 ? mV1->call : AAX_ERROR_UNIMPLEMENTED
#define AAX_PT_V2(call) return mV2 ? mV2->call : AAX_ERROR_UNIMPLEMENTED

AAX_Result AAX_VPageTable::Clear() { AAX_PT_V1(Clear()); }
AAX_Result AAX_VPageTable::Empty(bool* o) const { AAX_PT_V1(Empty(o)); }
AAX_Result AAX_VPageTable::GetNumPages(int32_t* o) const { AAX_PT_V1(GetNumPages(o)); }
AAX_Result AAX_VPageTable::InsertPage(int32_t p) { AAX_PT_V1(InsertPage(p)); }
AAX_Result AAX_VPageTable::RemovePage(int32_t p) { AAX_PT_V1(RemovePage(p)); }
AAX_Result AAX_VPageTable::GetNumMappedParameterIDs(int32_t p, int32_t* o) const { AAX_PT_V1(GetNumMappedParameterIDs(p, o)); }
AAX_Result AAX_VPageTable::ClearMappedParameter(int32_t p, int32_t s) { AAX_PT_V1(ClearMappedParameter(p, s)); }
AAX_Result AAX_VPageTable::GetMappedParameterID(int32_t p, int32_t s, AAX_IString* o) const
{
  AAX_PT_V1(GetMappedParameterID(p, s, o));
}
AAX_Result AAX_VPageTable::MapParameterID(const char* id, int32_t p, int32_t s) { AAX_PT_V1(MapParameterID(id, p, s)); }
AAX_Result AAX_VPageTable::GetNumParametersWithNameVariations(int32_t* o) const
{
  AAX_PT_V2(GetNumParametersWithNameVariations(o));
}
AAX_Result AAX_VPageTable::GetNameVariationParameterIDAtIndex(int32_t i, AAX_IString* o) const
{
  AAX_PT_V2(GetNameVariationParameterIDAtIndex(i, o));
}
AAX_Result AAX_VPageTable::GetNumNameVariationsForParameter(const char* id, int32_t* o) const
{
  AAX_PT_V2(GetNumNameVariationsForParameter(id, o));
}
AAX_Result AAX_VPageTable::GetParameterNameVariationAtIndex(const char* id, int32_t i, AAX_IString* o,
                                                            int32_t* len) const
{
  AAX_PT_V2(GetParameterNameVariationAtIndex(id, i, o, len));
}
AAX_Result AAX_VPageTable::GetParameterNameVariationOfLength(const char* id, int32_t len, AAX_IString* o) const
{
  AAX_PT_V2(GetParameterNameVariationOfLength(id, len, o));
}
AAX_Result AAX_VPageTable::ClearParameterNameVariations() { AAX_PT_V2(ClearParameterNameVariations()); }
AAX_Result AAX_VPageTable::ClearNameVariationsForParameter(const char* id) { AAX_PT_V2(ClearNameVariationsForParameter(id)); }
AAX_Result AAX_VPageTable::SetParameterNameVariation(const char* id, const AAX_IString& name, int32_t len)
{
  AAX_PT_V2(SetParameterNameVariation(id, name, len));
}

#undef AAX_PT_V1
#undef AAX_PT_V2
