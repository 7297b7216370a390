// The bundle's exported entry points. Compiled into each bundle (not into a library), so that
// the linker keeps them although nothing inside the bundle calls them.

#include "plug/aax/AAXEntryPoints.h"

#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_Exports.h"
#include "plug/Trace.h"

namespace {

// Entries return this when anything escapes.
constexpr ACFRESULT kEntryFailed = ACF_E_UNEXPECTED;

AAX_Result DescribeBundle(AAX_ICollection* collection)
{
  return plug::DescribeEffects(collection, plug::AAXBundleEffectInfo());
}

// Where the code without a host connection of its own (the platform layer) sends its traces,
// from start-up to shutdown: the host's trace (silent while the host gave no services).
void HostTrace(const char* text) { AAX_Trace(AAX_eTracePriority_Normal, "%s", text); }

} // namespace

ACFRESULT ACFRegisterPlugin(IACFUnknown* hostObject, IACFUnknown** outDefinition)
{
  try
  {
    AAX_SetEffectDescriptionProc(&DescribeBundle);
    return AAXRegisterPlugin(hostObject, outDefinition);
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFRegisterComponent(IACFUnknown* hostObject, const acfCLSID* componentID, IACFUnknown** outComponent)
{
  try
  {
    if (!componentID)
    {
      if (outComponent)
        *outComponent = nullptr;
      return ACF_OK;
    }
    return AAXRegisterComponent(hostObject, *componentID, outComponent);
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFGetClassFactory(IACFUnknown* hostObject, const acfCLSID* classID, const acfIID* iid, void** outFactory)
{
  try
  {
    if (!classID || !iid)
    {
      if (outFactory)
        *outFactory = nullptr;
      return AAX_ERROR_UNIMPLEMENTED;
    }
    return AAXGetClassFactory(hostObject, *classID, *iid, outFactory);
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFCanUnloadNow()
{
  try
  {
    return AAXCanUnloadNow();
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFStartup(IACFUnknown* hostObject)
{
  try
  {
    const ACFRESULT result = AAXStartup(hostObject);
    plug::SetTraceHook(&HostTrace);
    return result;
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFShutdown(IACFUnknown* hostObject)
{
  try
  {
    plug::SetTraceHook(nullptr);
    return AAXShutdown(hostObject);
  }
  catch (...)
  {
    return kEntryFailed;
  }
}

ACFRESULT ACFGetSDKVersion(uint64_t* outVersion)
{
  try
  {
    return AAXGetSDKVersion(outVersion);
  }
  catch (...)
  {
    return kEntryFailed;
  }
}
