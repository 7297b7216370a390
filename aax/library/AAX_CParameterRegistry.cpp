#include "aax/library/AAX_CParameterRegistry.h"

#include <cstring>

AAX_CParameterRegistry::~AAX_CParameterRegistry() { RemoveAll(); }

bool AAX_CParameterRegistry::AddParameter(AAX_IParameter* parameter)
{
  if (!parameter)
    return false;
  const AAX_CParamID identifier = parameter->Identifier();
  if (!identifier || mIndex.count(identifier) != 0)
    return false;
  try
  {
    // Make room first so that nothing after the delegate hand-over can fail.
    mParameters.reserve(mParameters.size() + 1);
    mIndex.emplace(identifier, parameter);
    parameter->SetAutomationDelegate(mAutomationDelegate);
    mParameters.emplace_back(parameter);
    return true;
  }
  catch (...)
  {
    mIndex.erase(identifier);
    return false;
  }
}

AAX_IParameter* AAX_CParameterRegistry::FindParameter(AAX_CParamID identifier) const
{
  if (!identifier)
    return nullptr;
  const auto it = mIndex.find(identifier);
  return it == mIndex.end() ? nullptr : it->second;
}

int32_t AAX_CParameterRegistry::IndexOfParameter(AAX_CParamID identifier) const
{
  if (!identifier)
    return -1;
  for (size_t i = 0; i < mParameters.size(); ++i)
  {
    const AAX_CParamID own = mParameters[i]->Identifier();
    if (own && std::strcmp(own, identifier) == 0)
      return static_cast<int32_t>(i);
  }
  return -1;
}

AAX_IParameter* AAX_CParameterRegistry::ParameterAt(int32_t index) const
{
  if (index < 0 || static_cast<size_t>(index) >= mParameters.size())
    return nullptr;
  return mParameters[static_cast<size_t>(index)].get();
}

AAX_IParameter* AAX_CParameterRegistry::FindParameterByName(const char* name) const
{
  if (!name)
    return nullptr;
  for (const auto& parameter : mParameters)
  {
    if (parameter->Name() == name)
      return parameter.get();
  }
  return nullptr;
}

void AAX_CParameterRegistry::RemoveParameterByID(AAX_CParamID identifier)
{
  if (!identifier)
    return;
  const auto it = mIndex.find(identifier);
  if (it == mIndex.end())
    return;
  AAX_IParameter* parameter = it->second;
  // The map's key is the only copy of the identifier we may rely on once the parameter
  // is gone, so drop the map entry before deleting.
  mIndex.erase(it);
  for (auto p = mParameters.begin(); p != mParameters.end(); ++p)
  {
    if (p->get() == parameter)
    {
      std::unique_ptr<AAX_IParameter> doomed = std::move(*p);
      mParameters.erase(p);
      break; // deleted here, after it has left both containers
    }
  }
}

void AAX_CParameterRegistry::RemoveParameter(AAX_IParameter* parameter)
{
  if (parameter)
    RemoveParameterByID(parameter->Identifier());
}

void AAX_CParameterRegistry::RemoveAll()
{
  // Moved out first: a parameter's destructor must not find itself half-removed.
  std::vector<std::unique_ptr<AAX_IParameter>> doomed = TakeAll();
  doomed.clear();
}

std::vector<std::unique_ptr<AAX_IParameter>> AAX_CParameterRegistry::TakeAll()
{
  mIndex.clear();
  std::vector<std::unique_ptr<AAX_IParameter>> taken;
  taken.swap(mParameters);
  return taken;
}
