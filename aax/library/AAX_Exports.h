// The library side of the bundle's exported entry points: registration of the plug-in with
// the host, host-services start-up and shutdown, and the component-model answers. The exported
// functions themselves (with their catch-alls) belong to the product's entry unit.
#pragma once

#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

#include <cstdint>

class AAX_ICollection;

// The effect description that registration runs on the collection. The product installs its
// own before the host registers the bundle; tests install test descriptions.
using AAX_EffectDescriptionProc = AAX_Result (*)(AAX_ICollection* collection);

// Installs the description function and returns the one installed before (null at start).
AAX_EffectDescriptionProc AAX_SetEffectDescriptionProc(AAX_EffectDescriptionProc proc) noexcept;
AAX_EffectDescriptionProc AAX_GetEffectDescriptionProc() noexcept;

// Registration: writes null to *outDefinition before anything else, builds an AAX_VCollection
// around the registration object, runs the description on it (its result checked), then asks
// the host collection for IID_IACFPluginDefinition into *outDefinition (a failed query counts
// as -20004). Returns 0, or the failing code after the trace
// "AAXRegisterPlugin exception caught: <text>"; exceptions other than result errors give -20042.
// No description installed: -20004. A null out pointer: -20044. Never throws.
AAX_Result AAXRegisterPlugin(IACFUnknown* registrationObject, IACFUnknown** outDefinition) noexcept;

// Writes null to *out; 0.
ACFRESULT AAXRegisterComponent(IACFUnknown* hostObject, const acfCLSID& componentID, IACFUnknown** out) noexcept;
// Writes null to *out; -20009 (no class factories are offered).
ACFRESULT AAXGetClassFactory(IACFUnknown* hostObject, const acfCLSID& classID, const acfIID& iid,
                             void** out) noexcept;
// The number of live components (0: the bundle may be unloaded).
ACFRESULT AAXCanUnloadNow() noexcept;
// Creates the process-wide host services from the host object (once); 0.
ACFRESULT AAXStartup(IACFUnknown* hostObject) noexcept;
// Deletes the host services; 0.
ACFRESULT AAXShutdown(IACFUnknown* hostObject) noexcept;
// Writes the library version 0x0000020501344DC8; 0. A null out: -20044.
ACFRESULT AAXGetSDKVersion(uint64_t* outVersion) noexcept;

constexpr uint64_t AAX_kLibraryVersion = 0x0000020501344DC8ull;
