#include "aax/library/AAX_Exports.h"

#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CheckedResult.h"
#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_VCollection.h"
#include "aax/library/CACFUnknown.h"

#include <atomic>
#include <exception>
#include <memory>

namespace
{
std::atomic<AAX_EffectDescriptionProc> sDescribeEffects{nullptr};

AAX_Result RegisterPlugin(IACFUnknown* registrationObject, IACFUnknown** outDefinition)
{
  auto collection = std::make_unique<AAX_VCollection>(registrationObject);
  AAX_CheckedResult result;
  const AAX_EffectDescriptionProc describe = sDescribeEffects.load();
  result = describe ? describe(collection.get()) : AAX_ERROR_NULL_OBJECT;

  *outDefinition = nullptr;
  void* definition = nullptr;
  IACFUnknown* hostCollection = collection->GetIUnknown();
  if (!hostCollection || hostCollection->QueryInterface(IID_IACFPluginDefinition, &definition) != ACF_OK ||
      !definition)
  {
    result = AAX_ERROR_NULL_OBJECT;
  }
  *outDefinition = static_cast<IACFUnknown*>(definition);
  return AAX_SUCCESS;
}
} // namespace

AAX_EffectDescriptionProc AAX_SetEffectDescriptionProc(AAX_EffectDescriptionProc proc) noexcept
{
  return sDescribeEffects.exchange(proc);
}

AAX_EffectDescriptionProc AAX_GetEffectDescriptionProc() noexcept { return sDescribeEffects.load(); }

AAX_Result AAXRegisterPlugin(IACFUnknown* registrationObject, IACFUnknown** outDefinition) noexcept
{
  if (!outDefinition)
    return AAX_ERROR_NULL_ARGUMENT;
  *outDefinition = nullptr;
  // Exception texts go in as arguments, never as the format.
  try
  {
    return RegisterPlugin(registrationObject, outDefinition);
  }
  catch (const AAX::Exception::ResultError& error)
  {
    AAX_Trace(AAX_eTracePriority_Normal, "AAXRegisterPlugin exception caught: %s", error.what());
    return error.Result();
  }
  catch (const AAX::Exception::Any& error)
  {
    AAX_Trace(AAX_eTracePriority_Normal, "AAXRegisterPlugin exception caught: %s", error.what());
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  catch (const std::exception& error)
  {
    AAX_Trace(AAX_eTracePriority_Normal, "AAXRegisterPlugin exception caught: %s", error.what());
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  catch (...)
  {
    AAX_Trace(AAX_eTracePriority_Normal, "AAXRegisterPlugin exception caught: unknown");
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

ACFRESULT AAXRegisterComponent(IACFUnknown*, const acfCLSID&, IACFUnknown** out) noexcept
{
  if (out)
    *out = nullptr;
  return ACF_OK;
}

ACFRESULT AAXGetClassFactory(IACFUnknown*, const acfCLSID&, const acfIID&, void** out) noexcept
{
  if (out)
    *out = nullptr;
  return AAX_ERROR_UNIMPLEMENTED;
}

ACFRESULT AAXCanUnloadNow() noexcept { return CACFUnknown::GetActiveObjectCount(); }

ACFRESULT AAXStartup(IACFUnknown* hostObject) noexcept
{
  if (hostObject)
    AAX_StartupHostServices(hostObject);
  return ACF_OK;
}

ACFRESULT AAXShutdown(IACFUnknown*) noexcept { return AAX_StartupHostServices(nullptr); }

ACFRESULT AAXGetSDKVersion(uint64_t* outVersion) noexcept
{
  if (!outVersion)
    return AAX_ERROR_NULL_ARGUMENT;
  *outVersion = AAX_kLibraryVersion;
  return ACF_OK;
}
