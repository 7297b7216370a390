#include "platform/mac/MacPaths.h"

#include "platform/mac/MacStrings.h"
#include "standin/foundation/Foundation.h"

#include <cstring>
#include <strings.h>

namespace plug {

namespace {

constexpr int kMaxPathText = 1024;

// The extension test: the text after the last "." of the name (all of it without one)
// equals the type, ignoring case.
bool ExtensionMatches(const char* name, const char* type)
{
  const char* dot = std::strrchr(name, '.');
  return type && strcasecmp(dot ? dot + 1 : name, type) == 0;
}

// The name's own extension (for the lookup under it), or null when the name has none.
const char* OwnExtension(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : nullptr;
}

bool FileExists(const NSString* path)
{
  bool isDirectory = false;
  return path && NSFileManager::defaultManager()->fileExistsAtPath(path, &isDirectory) && !isDirectory;
}

// base.<the name's own extension>, then base.<type>: the first that exists goes into result.
bool FindWithExtensions(const NSString* base, const char* name, const char* type, CharBuf& result)
{
  const char* own = OwnExtension(name);
  const char* extensions[2] = {own, (own && type && std::strcmp(own, type) == 0) ? nullptr : type};
  for (const char* extension : extensions)
  {
    if (!extension)
      continue; // no extension of its own, or the same file again
    const NSString* extensionString = StringOrNil(extension);
    const NSString* candidate = extensionString ? base->stringByAppendingPathExtension(extensionString) : nullptr;
    if (FileExists(candidate))
    {
      result.Set(candidate->UTF8String());
      return true;
    }
  }
  return false;
}

// The first folder of that kind in the domain, tilde expanded; null when there is none.
const NSString* SearchPath(NSSearchPathDirectory directory, NSSearchPathDomainMask domain)
{
  return dynamic_cast<const NSString*>(NSSearchPathForDirectoriesInDomains(directory, domain, true)->firstObject());
}

void SetFromSearchPath(NSSearchPathDirectory directory, NSSearchPathDomainMask domain, CharBuf& path)
{
  NSAutoreleasePool pool;
  const NSString* folder = SearchPath(directory, domain);
  path.Set(folder ? folder->UTF8String() : "");
}

NSBundle* BundleWithIdentifier(const char* bundleID)
{
  return NSBundle::bundleWithIdentifier(StringOrNil(bundleID));
}

} // namespace

bool FindResourceInBundle(const char* name, const char* type, CharBuf& result, const char* bundleID)
{
  NSAutoreleasePool pool;
  if (name && ExtensionMatches(name, type))
  {
    NSBundle* bundle = BundleWithIdentifier(bundleID);
    const NSString* nameString = StringOrNil(name);
    const NSString* base = nameString ? nameString->stringByDeletingPathExtension() : nullptr;
    if (bundle && base && base->length() > 0)
    {
      const NSString* folder = nullptr;
      if (IsAppExtensionBundle())
        folder = bundle->bundlePath()->stringByDeletingLastPathComponent()->stringByDeletingLastPathComponent()->stringByAppendingString(
          NSString::stringWithUTF8String("/Resources/"));
      else
        folder = bundle->resourcePath()->stringByAppendingString(NSString::stringWithUTF8String("/"));
      if (FindWithExtensions(folder->stringByAppendingString(base), name, type, result))
        return true;
    }
  }
  result.Set("");
  return false;
}

bool FindResourceInMusicFolder(const char* name, const char* type, CharBuf& result, const char* sharedResourcesSubPath)
{
  NSAutoreleasePool pool;
  if (name && ExtensionMatches(name, type) && sharedResourcesSubPath && sharedResourcesSubPath[0])
  {
    const NSString* nameString = StringOrNil(name);
    const NSString* base = nameString ? nameString->lastPathComponent()->stringByDeletingPathExtension() : nullptr;
    const NSString* music = SearchPath(NSMusicDirectory, NSUserDomainMask);
    const NSString* subPath = StringOrNil(sharedResourcesSubPath);
    if (music && base && subPath && base->length() > 0)
    {
      const NSString* folder = music->stringByAppendingPathComponent(subPath)
                                 ->stringByAppendingPathComponent(NSString::stringWithUTF8String("Resources"));
      if (FindWithExtensions(folder->stringByAppendingPathComponent(base), name, type, result))
        return true;
    }
  }
  result.Set("");
  return false;
}

bool LocateResource(const char* name, const char* type, CharBuf& result, const char* bundleID, void*, const char* sharedResourcesSubPath)
{
  if (!name || !name[0])
    return false;
  if (FindResourceInBundle(name, type, result, bundleID))
    return true;
  if (FindResourceInMusicFolder(name, type, result, sharedResourcesSubPath))
    return true;
  NSAutoreleasePool pool;
  if (FileExists(StringOrNil(name)))
  {
    result.Set(name);
    return true;
  }
  return false;
}

void GetBundleExecutablePath(const char* bundleID, CharBuf& path)
{
  NSAutoreleasePool pool;
  NSBundle* bundle = BundleWithIdentifier(bundleID);
  if (bundle && bundle->executablePath())
    path.Set(bundle->executablePath()->UTF8String());
}

void GetBundleFolderPath(const char* bundleID, CharBuf& path)
{
  NSAutoreleasePool pool;
  NSBundle* bundle = BundleWithIdentifier(bundleID);
  if (!bundle)
    return;
  path.Set(bundle->bundlePath()->stringByDeletingLastPathComponent()->UTF8String());
  path.Append("/");
}

void GetBundleResourcePath(const char* bundleID, CharBuf& path)
{
  NSAutoreleasePool pool;
  NSBundle* bundle = BundleWithIdentifier(bundleID);
  path.Set(bundle ? bundle->resourcePath()->UTF8String() : "");
}

void GetDesktopPath(CharBuf& path) { SetFromSearchPath(NSDesktopDirectory, NSUserDomainMask, path); }

void GetMusicFolderPath(CharBuf& path) { SetFromSearchPath(NSMusicDirectory, NSUserDomainMask, path); }

void GetHomePath(CharBuf& path)
{
  NSAutoreleasePool pool;
  path.Set(NSHomeDirectory()->UTF8String());
}

void GetPresetsFolderPath(const char* a, const char* b, bool local, CharBuf& path)
{
  NSAutoreleasePool pool;
  const NSString* library = SearchPath(NSLibraryDirectory, local ? NSLocalDomainMask : NSUserDomainMask);
  path.Printf(kMaxPathText, "%s/Audio/Presets/%s/%s/", library ? library->UTF8String() : "", a ? a : "", b ? b : "");
}

void GetAppSupportSubPath(const char* sub, CharBuf& path)
{
  GetAppSupportPath(false, path);
  path.AppendPrintf(kMaxPathText, "/%s", sub ? sub : "");
}

void GetAppSupportPath(bool system, CharBuf& path)
{
  SetFromSearchPath(NSApplicationSupportDirectory, system ? NSSystemDomainMask : NSUserDomainMask, path);
}

void GetAppGroupContainerPath(const char* appGroupID, CharBuf& path)
{
  NSAutoreleasePool pool;
  const NSURL* url = NSFileManager::defaultManager()->containerURLForSecurityApplicationGroupIdentifier(
    StringOrNil(appGroupID));
  path.Set(url && url->path() ? url->path()->UTF8String() : "");
}

bool IsAppExtensionBundle()
{
  NSAutoreleasePool pool;
  const NSBundle* main = NSBundle::mainBundle();
  const NSString* identifier = main ? main->bundleIdentifier() : nullptr;
  return identifier && identifier->containsString(NSString::stringWithUTF8String("AUv3"));
}

bool IsSandboxed()
{
  NSAutoreleasePool pool;
  return NSHomeDirectory()->containsString(NSString::stringWithUTF8String("Library/Containers/"));
}

bool IsOutOfProcess()
{
  NSAutoreleasePool pool;
  return NSProcessInfo::processInfo()->processName()->containsString(NSString::stringWithUTF8String("XPC"));
}

} // namespace plug
