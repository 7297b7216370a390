#include "standin/aaxhost/tool/BundleLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace aaxhost
{
namespace
{
bool IsDirectory(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

template <class Proc>
bool Resolve(void* handle, const char* name, Proc& out, std::string& error)
{
  out = reinterpret_cast<Proc>(dlsym(handle, name));
  if (!out)
  {
    error = std::string("entry point missing: ") + name;
    return false;
  }
  return true;
}
} // namespace

BundleLoader::~BundleLoader() { Unload(true); }

std::string BundleLoader::LibraryPath(const std::string& bundlePath)
{
  std::string path = bundlePath;
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  if (!IsDirectory(path))
    return path;
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0)
    name = name.substr(0, dot);
  return path + "/Contents/x86_64-linux/" + name + ".so";
}

bool BundleLoader::Load(const std::string& bundlePath)
{
  Unload();
  mLibraryPath = LibraryPath(bundlePath);
  mHandle = dlopen(mLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mHandle)
  {
    const char* why = dlerror();
    mError = std::string("cannot open ") + mLibraryPath + ": " + (why ? why : "unknown error");
    return false;
  }
  dlerror();
  const bool ok = Resolve(mHandle, "ACFRegisterPlugin", mRegisterPlugin, mError) &&
                  Resolve(mHandle, "ACFRegisterComponent", mRegisterComponent, mError) &&
                  Resolve(mHandle, "ACFGetClassFactory", mGetClassFactory, mError) &&
                  Resolve(mHandle, "ACFCanUnloadNow", mCanUnloadNow, mError) &&
                  Resolve(mHandle, "ACFStartup", mStartup, mError) &&
                  Resolve(mHandle, "ACFShutdown", mShutdown, mError) &&
                  Resolve(mHandle, "ACFGetSDKVersion", mGetSDKVersion, mError);
  if (!ok)
  {
    dlclose(mHandle);
    mHandle = nullptr;
  }
  return ok;
}

ACFRESULT BundleLoader::Startup(const Host& host)
{
  if (!mStartup)
    return ACF_E_UNEXPECTED;
  const ACFRESULT result = mStartup(host.Unknown());
  mStartedWith = host.Unknown();
  return result;
}

ACFRESULT BundleLoader::Register(const Host& host)
{
  if (!mRegisterPlugin)
    return ACF_E_UNEXPECTED;
  ReleaseRegistration();
  IACFUnknown* definition = nullptr;
  const ACFRESULT result = mRegisterPlugin(host.Unknown(), &definition);
  mDefinition = definition;
  return result;
}

Collection* BundleLoader::Registered() const { return mDefinition ? CollectionOf(mDefinition) : nullptr; }

void BundleLoader::ReleaseRegistration()
{
  if (mDefinition)
  {
    IACFUnknown* definition = mDefinition;
    mDefinition = nullptr;
    definition->Release();
  }
}

ACFRESULT BundleLoader::Shutdown()
{
  if (!mStartedWith || !mShutdown)
    return ACF_OK;
  IACFUnknown* host = mStartedWith;
  mStartedWith = nullptr;
  return mShutdown(host);
}

void BundleLoader::Unload(bool closeLibrary)
{
  ReleaseRegistration();
  Shutdown();
  if (mHandle)
  {
    if (closeLibrary)
      dlclose(mHandle);
    mHandle = nullptr;
  }
  mRegisterPlugin = nullptr;
  mRegisterComponent = nullptr;
  mGetClassFactory = nullptr;
  mCanUnloadNow = nullptr;
  mStartup = nullptr;
  mShutdown = nullptr;
  mGetSDKVersion = nullptr;
}

ACFRESULT BundleLoader::CanUnloadNow() const { return mCanUnloadNow ? mCanUnloadNow() : ACF_OK; }

ACFRESULT BundleLoader::GetSDKVersion(uint64_t* version) const
{
  return mGetSDKVersion ? mGetSDKVersion(version) : ACF_E_UNEXPECTED;
}

ACFRESULT BundleLoader::RegisterComponent(IACFUnknown* host, IACFUnknown** out) const
{
  const acfCLSID none = {};
  return mRegisterComponent ? mRegisterComponent(host, &none, out) : ACF_E_UNEXPECTED;
}

ACFRESULT BundleLoader::GetClassFactory(IACFUnknown* host, void** out) const
{
  const acfCLSID none = {};
  return mGetClassFactory ? mGetClassFactory(host, &none, &none, out) : ACF_E_UNEXPECTED;
}
} // namespace aaxhost
