#pragma once
// The seven functions a bundle exports to the host (unmangled), and what a bundle supplies
// for them.
//
// A bundle (see vellicor_add_aax_bundle in cmake/VellicorHelpers.cmake) compiles
// AAXEntryPoints.cpp into itself and defines plug::AAXBundleEffectInfo(), which returns the
// product's description values. Registration describes the effect from that record.
//
// Every entry catches everything: an exception that would escape returns 0x8000ffff.

#include "aax/interfaces/ACFUnknown.h"
#include "plug/aax/IPluginAAX_Describe.h"

#include <cstdint>

#define AAX_BUNDLE_EXPORT extern "C" __attribute__((visibility("default")))

// Registration: runs the effect description and hands back the host's plug-in definition.
AAX_BUNDLE_EXPORT ACFRESULT ACFRegisterPlugin(IACFUnknown* hostObject, IACFUnknown** outDefinition);
// Writes null; 0.
AAX_BUNDLE_EXPORT ACFRESULT ACFRegisterComponent(IACFUnknown* hostObject, const acfCLSID* componentID,
                                                 IACFUnknown** outComponent);
// Writes null; -20009.
AAX_BUNDLE_EXPORT ACFRESULT ACFGetClassFactory(IACFUnknown* hostObject, const acfCLSID* classID, const acfIID* iid,
                                               void** outFactory);
// The number of live plug-in objects (0: the bundle may be unloaded).
AAX_BUNDLE_EXPORT ACFRESULT ACFCanUnloadNow();
// Keeps the host's services for assertions and traces; 0.
AAX_BUNDLE_EXPORT ACFRESULT ACFStartup(IACFUnknown* hostObject);
// Lets the host's services go; 0.
AAX_BUNDLE_EXPORT ACFRESULT ACFShutdown(IACFUnknown* hostObject);
// Writes the library version 0x0000020501344DC8; 0.
AAX_BUNDLE_EXPORT ACFRESULT ACFGetSDKVersion(uint64_t* outVersion);

// The entries' types, for a host that finds them with dlsym.
using ACFRegisterPluginProc = ACFRESULT (*)(IACFUnknown*, IACFUnknown**);
using ACFRegisterComponentProc = ACFRESULT (*)(IACFUnknown*, const acfCLSID*, IACFUnknown**);
using ACFGetClassFactoryProc = ACFRESULT (*)(IACFUnknown*, const acfCLSID*, const acfIID*, void**);
using ACFCanUnloadNowProc = ACFRESULT (*)();
using ACFStartupProc = ACFRESULT (*)(IACFUnknown*);
using ACFShutdownProc = ACFRESULT (*)(IACFUnknown*);
using ACFGetSDKVersionProc = ACFRESULT (*)(uint64_t*);

namespace plug {

// Defined by the product of each bundle: the values its effect is described with. The record
// and every text and table it points to must live as long as the bundle is loaded.
const IPluginAAXEffectInfo& AAXBundleEffectInfo();

} // namespace plug
