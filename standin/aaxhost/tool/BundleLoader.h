// Loads a plug-in bundle the way a host does: finds the shared library inside the bundle
// folder, opens it, resolves the seven exported entry points, starts it with the host's
// object and registers it. Unloading shuts it down and closes the library.
#pragma once

#include "plug/aax/AAXEntryPoints.h"
#include "standin/aaxhost/Host.h"

#include <string>

namespace aaxhost
{
class BundleLoader
{
public:
  BundleLoader() = default;
  ~BundleLoader();
  BundleLoader(const BundleLoader&) = delete;
  BundleLoader& operator=(const BundleLoader&) = delete;

  // The shared library of a bundle: "<dir>/X.aaxplugin" gives
  // "<dir>/X.aaxplugin/Contents/x86_64-linux/X.so"; a path to a file is taken as it is.
  static std::string LibraryPath(const std::string& bundlePath);

  // Opens the library and resolves every entry point. False (see Error()) when the library
  // cannot be opened or an entry is missing.
  bool Load(const std::string& bundlePath);
  // ACFStartup with the host's object; its result.
  ACFRESULT Startup(const Host& host);
  // ACFRegisterPlugin; on success Definition() holds the host's answer (one reference).
  ACFRESULT Register(const Host& host);
  // The collection the registration filled, or null before a successful registration.
  Collection* Registered() const;
  // Releases the registration answer (and with it the recorded description).
  void ReleaseRegistration();
  // ACFShutdown; its result (0 when not started).
  ACFRESULT Shutdown();
  // Releases the registration, shuts down when started, and closes the library unless told
  // not to (a host about to exit may leave it mapped).
  void Unload(bool closeLibrary = true);

  bool IsLoaded() const { return mHandle != nullptr; }
  const std::string& Error() const { return mError; }
  const std::string& Path() const { return mLibraryPath; }

  ACFRESULT CanUnloadNow() const;
  ACFRESULT GetSDKVersion(uint64_t* version) const;
  ACFRESULT RegisterComponent(IACFUnknown* host, IACFUnknown** out) const;
  ACFRESULT GetClassFactory(IACFUnknown* host, void** out) const;

private:
  void* mHandle = nullptr;
  std::string mLibraryPath;
  std::string mError;
  IACFUnknown* mStartedWith = nullptr;
  IACFUnknown* mDefinition = nullptr;

  ACFRegisterPluginProc mRegisterPlugin = nullptr;
  ACFRegisterComponentProc mRegisterComponent = nullptr;
  ACFGetClassFactoryProc mGetClassFactory = nullptr;
  ACFCanUnloadNowProc mCanUnloadNow = nullptr;
  ACFStartupProc mStartup = nullptr;
  ACFShutdownProc mShutdown = nullptr;
  ACFGetSDKVersionProc mGetSDKVersion = nullptr;
};
} // namespace aaxhost
