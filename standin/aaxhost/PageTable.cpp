#include "standin/aaxhost/PageTable.h"

#include <iterator>

namespace aaxhost
{
namespace
{
std::string Id(const char* id) { return id ? std::string(id) : std::string(); }
} // namespace

AAX_Result PageTable::Clear()
{
  Call("PageTable.Clear");
  mPages.clear();
  return 0;
}

AAX_Result PageTable::Empty(bool* out)
{
  Call("PageTable.Empty");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = mPages.empty();
  return 0;
}

AAX_Result PageTable::GetNumPages(int32_t* out)
{
  Call("PageTable.GetNumPages");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = static_cast<int32_t>(mPages.size());
  return 0;
}

AAX_Result PageTable::InsertPage(int32_t page)
{
  Call("PageTable.InsertPage");
  if (page < 0 || page > static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  mPages.insert(mPages.begin() + page, std::map<int32_t, std::string>());
  return 0;
}

AAX_Result PageTable::RemovePage(int32_t page)
{
  Call("PageTable.RemovePage");
  if (page < 0 || page >= static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  mPages.erase(mPages.begin() + page);
  return 0;
}

AAX_Result PageTable::GetNumMappedParameterIDs(int32_t page, int32_t* out)
{
  Call("PageTable.GetNumMappedParameterIDs");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  if (page < 0 || page >= static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  *out = static_cast<int32_t>(mPages[static_cast<size_t>(page)].size());
  return 0;
}

AAX_Result PageTable::ClearMappedParameter(int32_t page, int32_t slot)
{
  Call("PageTable.ClearMappedParameter");
  if (page < 0 || page >= static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  mPages[static_cast<size_t>(page)].erase(slot);
  return 0;
}

AAX_Result PageTable::GetMappedParameterID(int32_t page, int32_t slot, AAX_IString* out)
{
  Call("PageTable.GetMappedParameterID");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  if (page < 0 || page >= static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  const auto& slots = mPages[static_cast<size_t>(page)];
  const auto it = slots.find(slot);
  out->Set(it == slots.end() ? "" : it->second.c_str());
  return 0;
}

AAX_Result PageTable::MapParameterID(const char* id, int32_t page, int32_t slot)
{
  Call("PageTable.MapParameterID");
  if (page < 0 || page >= static_cast<int32_t>(mPages.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  mPages[static_cast<size_t>(page)][slot] = Id(id);
  return 0;
}

AAX_Result PageTable::GetNumParametersWithNameVariations(int32_t* out)
{
  Call("PageTable.GetNumParametersWithNameVariations");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = static_cast<int32_t>(mVariations.size());
  return 0;
}

AAX_Result PageTable::GetNameVariationParameterIDAtIndex(int32_t index, AAX_IString* out)
{
  Call("PageTable.GetNameVariationParameterIDAtIndex");
  if (!out || index < 0 || index >= static_cast<int32_t>(mVariations.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  out->Set(std::next(mVariations.begin(), index)->first.c_str());
  return 0;
}

AAX_Result PageTable::GetNumNameVariationsForParameter(const char* id, int32_t* out)
{
  Call("PageTable.GetNumNameVariationsForParameter");
  if (!out)
    return AAX_ERROR_NULL_ARGUMENT;
  const auto it = mVariations.find(Id(id));
  *out = it == mVariations.end() ? 0 : static_cast<int32_t>(it->second.size());
  return 0;
}

AAX_Result PageTable::GetParameterNameVariationAtIndex(const char* id, int32_t index, AAX_IString* out, int32_t* length)
{
  Call("PageTable.GetParameterNameVariationAtIndex");
  const auto it = mVariations.find(Id(id));
  if (!out || !length || it == mVariations.end() || index < 0 || index >= static_cast<int32_t>(it->second.size()))
    return AAX_ERROR_INVALID_ARGUMENT;
  const auto entry = std::next(it->second.begin(), index);
  *length = entry->first;
  out->Set(entry->second.c_str());
  return 0;
}

AAX_Result PageTable::GetParameterNameVariationOfLength(const char* id, int32_t length, AAX_IString* out)
{
  Call("PageTable.GetParameterNameVariationOfLength");
  const auto it = mVariations.find(Id(id));
  if (!out || it == mVariations.end())
    return AAX_ERROR_INVALID_ARGUMENT;
  const auto entry = it->second.find(length);
  if (entry == it->second.end())
    return AAX_ERROR_INVALID_ARGUMENT;
  out->Set(entry->second.c_str());
  return 0;
}

AAX_Result PageTable::ClearParameterNameVariations()
{
  Call("PageTable.ClearParameterNameVariations");
  mVariations.clear();
  return 0;
}

AAX_Result PageTable::ClearNameVariationsForParameter(const char* id)
{
  Call("PageTable.ClearNameVariationsForParameter");
  mVariations.erase(Id(id));
  return 0;
}

AAX_Result PageTable::SetParameterNameVariation(const char* id, const AAX_IString& name, int32_t length)
{
  Call("PageTable.SetParameterNameVariation");
  mVariations[Id(id)][length] = name.Get();
  return 0;
}
} // namespace aaxhost
