#include "standin/foundation/Foundation.h"

#include "standin/foundation/PropertyList.h"
#include "standin/foundation/Unicode.h"

#include <algorithm>
#include <climits>

#include <cstdlib>
#include <cstring>
#include <link.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

STANDIN_DEFINE_CLASS(NSString, NSObject)
STANDIN_DEFINE_CLASS(NSNumber, NSObject)
STANDIN_DEFINE_CLASS(NSData, NSObject)
STANDIN_DEFINE_CLASS(NSArray, NSObject)
STANDIN_DEFINE_CLASS(NSDictionary, NSObject)
STANDIN_DEFINE_CLASS(NSSet, NSObject)
STANDIN_DEFINE_CLASS(NSURL, NSObject)
STANDIN_DEFINE_CLASS(NSBundle, NSObject)
STANDIN_DEFINE_CLASS(NSFileManager, NSObject)
STANDIN_DEFINE_CLASS(NSProcessInfo, NSObject)

namespace {

// -- settings of the tests' seams --

struct Settings
{
  std::mutex mutex;
  std::string home;
  std::string mainBundleIdentifier;
  std::string processName;
};

Settings& TheSettings()
{
  static Settings* sSettings = new Settings;
  return *sSettings;
}

std::string Setting(std::string Settings::*field)
{
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  return settings.*field;
}

void SetSetting(std::string Settings::*field, const std::string& value)
{
  Settings& settings = TheSettings();
  std::lock_guard<std::mutex> lock(settings.mutex);
  settings.*field = value;
}

NSString* MakeString(std::string text) { return Autoreleased(new NSString(std::move(text))); }

bool IsDirectoryPath(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFilePath(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// -- path rules --

// The path without trailing slashes ("/" stays).
std::string Untrailed(const std::string& path)
{
  std::string result = path;
  while (result.size() > 1 && result.back() == '/')
    result.pop_back();
  return result;
}

// Where the last component of an untrailed path starts.
size_t LastComponentStart(const std::string& path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// Position of the dot that starts the extension of an untrailed path, or npos.
size_t ExtensionDot(const std::string& path)
{
  const size_t start = LastComponentStart(path);
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= start || dot + 1 == path.size())
    return std::string::npos;
  return dot;
}

std::string CurrentFolder()
{
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string AbsolutePath(const std::string& path)
{
  if (path.empty() || path[0] == '/')
    return path;
  const std::string cwd = CurrentFolder();
  return cwd.empty() ? path : cwd + "/" + path;
}

std::string ExecutablePath()
{
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string Parent(const std::string& path)
{
  const std::string untrailed = Untrailed(path);
  const size_t slash = untrailed.rfind('/');
  if (slash == std::string::npos)
    return std::string();
  return slash == 0 ? std::string("/") : untrailed.substr(0, slash);
}

std::string LastComponent(const std::string& path)
{
  const std::string untrailed = Untrailed(path);
  if (untrailed == "/")
    return untrailed;
  return untrailed.substr(LastComponentStart(untrailed));
}

} // namespace

// -- NSString --

NSString::NSString(std::string text, standin::RuntimeClass& cls) : NSObject(cls), mText(std::move(text)) {}

NSException::NSException(const char* name, std::string reason) : mName(name), mReason(std::move(reason)) {}

const char* const NSInvalidArgumentException = "NSInvalidArgumentException";

NSString* NSString::stringWithUTF8String(const char* text)
{
  if (!text)
    throw NSException(NSInvalidArgumentException, "+[NSString stringWithUTF8String:]: NULL cString");
  return standin::IsValidUtf8(text) ? MakeString(text) : nullptr;
}

size_t NSString::length() const { return UTF16().size(); }

NSString* NSString::stringWithString(const NSString* other) { return MakeString(other ? other->mText : std::string()); }

std::u16string NSString::UTF16() const { return standin::Utf8ToUtf16(mText); }

unichar NSString::characterAtIndex(size_t index) const
{
  const std::u16string units = UTF16();
  if (index >= units.size())
  {
    standin::PlatformFault("-[NSString characterAtIndex:]: index out of bounds");
    return 0;
  }
  return units[index];
}

namespace {

// The text after leading white space.
const char* SkipSpace(const std::string& text)
{
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
    ++p;
  return p;
}

} // namespace

int NSString::intValue() const
{
  const char* p = SkipSpace(mText);
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    value = std::min<long long>(value * 10 + (*p - '0'), 1ll << 40);
  value = negative ? -value : value;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

double NSString::doubleValue() const
{
  const char* p = SkipSpace(mText);
  char* end = nullptr;
  const double value = std::strtod(p, &end);
  return end == p ? 0.0 : value;
}

NSArray* NSString::componentsSeparatedByString(const NSString* separator) const
{
  std::vector<NSString*> pieces;
  if (!separator || separator->mText.empty())
    pieces.push_back(MakeString(mText));
  else
  {
    size_t start = 0;
    for (;;)
    {
      const size_t at = mText.find(separator->mText, start);
      pieces.push_back(MakeString(mText.substr(start, at == std::string::npos ? std::string::npos : at - start)));
      if (at == std::string::npos)
        break;
      start = at + separator->mText.size();
    }
  }
  return Autoreleased(new NSArray(std::vector<const NSObject*>(pieces.begin(), pieces.end())));
}

bool NSString::isEqual(const NSObject* other) const
{
  const NSString* string = dynamic_cast<const NSString*>(other);
  return string && string->mText == mText;
}

bool NSString::containsString(const NSString* other) const
{
  return other && !other->mText.empty() && mText.find(other->mText) != std::string::npos;
}

NSString* NSString::stringByAppendingString(const NSString* other) const
{
  return MakeString(mText + (other ? other->mText : std::string()));
}

NSString* NSString::pathExtension() const
{
  const std::string path = Untrailed(mText);
  const size_t dot = ExtensionDot(path);
  return MakeString(dot == std::string::npos ? std::string() : path.substr(dot + 1));
}

NSString* NSString::lastPathComponent() const { return MakeString(LastComponent(mText)); }

NSString* NSString::stringByDeletingPathExtension() const
{
  const std::string path = Untrailed(mText);
  const size_t dot = ExtensionDot(path);
  return MakeString(dot == std::string::npos ? path : path.substr(0, dot));
}

NSString* NSString::stringByDeletingLastPathComponent() const { return MakeString(Parent(mText)); }

NSString* NSString::stringByAppendingPathComponent(const NSString* component) const
{
  std::string tail = component ? component->mText : std::string();
  while (!tail.empty() && tail.front() == '/')
    tail.erase(tail.begin());
  std::string path = Untrailed(mText);
  if (path.empty())
    return MakeString(Untrailed(tail));
  if (path != "/")
    path += "/";
  return MakeString(Untrailed(path + tail));
}

NSString* NSString::stringByAppendingPathExtension(const NSString* extension) const
{
  const std::string path = Untrailed(mText);
  if (path.empty() || path == "/")
    return nullptr;
  return MakeString(path + "." + (extension ? extension->mText : std::string()));
}

NSString* NSString::stringByExpandingTildeInPath() const
{
  if (mText.empty() || mText[0] != '~' || (mText.size() > 1 && mText[1] != '/'))
    return MakeString(mText);
  const std::string home = standin::HomeDirectory();
  return MakeString(home.empty() ? mText : Untrailed(home + mText.substr(1)));
}

// -- NSNumber, NSData --

NSNumber::NSNumber(double value, standin::RuntimeClass& cls) : NSObject(cls), mIsInteger(false), mDouble(value) {}

NSNumber::NSNumber(long long value, bool isBool, standin::RuntimeClass& cls)
  : NSObject(cls), mIsInteger(true), mInteger(isBool ? (value != 0) : value)
{
}

NSNumber* NSNumber::numberWithDouble(double value) { return Autoreleased(new NSNumber(value)); }
NSNumber* NSNumber::numberWithLongLong(long long value) { return Autoreleased(new NSNumber(value, false)); }
NSNumber* NSNumber::numberWithBool(bool value) { return Autoreleased(new NSNumber(value ? 1 : 0, true)); }

long long NSNumber::longLongValue() const
{
  if (mIsInteger)
    return mInteger;
  if (!(mDouble == mDouble)) // not a number
    return 0;
  if (mDouble >= 9.2e18)
    return INT64_MAX;
  if (mDouble <= -9.2e18)
    return INT64_MIN;
  return static_cast<long long>(mDouble);
}

bool NSNumber::isEqual(const NSObject* other) const
{
  const NSNumber* number = dynamic_cast<const NSNumber*>(other);
  if (!number)
    return false;
  if (mIsInteger && number->mIsInteger)
    return mInteger == number->mInteger;
  return doubleValue() == number->doubleValue();
}

NSData::NSData(const void* bytes, size_t length, standin::RuntimeClass& cls)
  : NSObject(cls), mBytes(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + (bytes ? length : 0))
{
}

NSData::NSData(std::vector<uint8_t> bytes, standin::RuntimeClass& cls) : NSObject(cls), mBytes(std::move(bytes)) {}

bool NSData::isEqual(const NSObject* other) const
{
  const NSData* data = dynamic_cast<const NSData*>(other);
  return data && data->mBytes == mBytes;
}

// -- collections --

NSArray::NSArray(const std::vector<const NSObject*>& objects, standin::RuntimeClass& cls) : NSObject(cls), mObjects(objects)
{
  for (const NSObject* object : mObjects)
    if (object)
      object->retain();
}

bool NSArray::containsObject(const NSObject* object) const
{
  for (const NSObject* element : mObjects)
    if (element && object && element->isEqual(object))
      return true;
  return false;
}

NSArray::~NSArray()
{
  for (const NSObject* object : mObjects)
    if (object)
      object->release();
}

NSDictionary::NSDictionary(const std::vector<const NSObject*>& keys, const std::vector<const NSObject*>& values, bool retains,
                           standin::RuntimeClass& cls)
  : NSObject(cls), mRetains(retains)
{
  const size_t n = keys.size() < values.size() ? keys.size() : values.size();
  for (size_t i = 0; i < n; ++i)
  {
    if (!keys[i] || !values[i])
      continue;
    bool replaced = false;
    for (size_t k = 0; k < mKeys.size() && !replaced; ++k)
    {
      if (mKeys[k]->isEqual(keys[i]))
      {
        if (mRetains)
        {
          values[i]->retain();
          mValues[k]->release();
        }
        mValues[k] = values[i];
        replaced = true;
      }
    }
    if (replaced)
      continue;
    if (mRetains)
    {
      keys[i]->retain();
      values[i]->retain();
    }
    mKeys.push_back(keys[i]);
    mValues.push_back(values[i]);
  }
}

NSDictionary::~NSDictionary()
{
  if (!mRetains)
    return;
  for (size_t i = 0; i < mKeys.size(); ++i)
  {
    mKeys[i]->release();
    mValues[i]->release();
  }
}

NSDictionary* NSDictionary::dictionaryWithContentsOfFile(const NSString* path)
{
  if (!path)
    return nullptr;
  NSObject* top = standin::ReadPropertyListFile(path->Text());
  NSDictionary* dictionary = dynamic_cast<NSDictionary*>(top);
  if (!dictionary)
  {
    if (top)
      top->release();
    return nullptr;
  }
  return Autoreleased(dictionary);
}

NSDictionary* NSDictionary::dictionaryWithContentsOfURL(const NSURL* url)
{
  return url ? dictionaryWithContentsOfFile(url->path()) : nullptr;
}

const NSObject* NSDictionary::objectForKey(const NSObject* key) const
{
  if (!key)
    return nullptr;
  for (size_t i = 0; i < mKeys.size(); ++i)
    if (mKeys[i]->isEqual(key))
      return mValues[i];
  return nullptr;
}

const NSObject* NSDictionary::objectForKey(const char* key) const
{
  if (!key)
    return nullptr;
  for (size_t i = 0; i < mKeys.size(); ++i)
  {
    const NSString* name = dynamic_cast<const NSString*>(mKeys[i]);
    if (name && name->Text() == key)
      return mValues[i];
  }
  return nullptr;
}

NSSet::NSSet(const std::vector<const NSObject*>& objects, bool retains, standin::RuntimeClass& cls) : NSObject(cls), mRetains(retains)
{
  for (const NSObject* object : objects)
  {
    if (!object || containsObject(object))
      continue;
    if (mRetains)
      object->retain();
    mObjects.push_back(object);
  }
}

NSSet::~NSSet()
{
  if (mRetains)
    for (const NSObject* object : mObjects)
      object->release();
}

bool NSSet::containsObject(const NSObject* object) const
{
  if (!object)
    return false;
  for (const NSObject* member : mObjects)
    if (member->isEqual(object))
      return true;
  return false;
}

// -- NSURL --

namespace {

std::string PercentEncodedPath(const std::string& path)
{
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path)
  {
    const bool alphanumeric = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (alphanumeric || (c != 0 && std::strchr("!$&'()*+,-./:;=@_~", c)))
      out.push_back(static_cast<char>(c));
    else
    {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

} // namespace

NSURL::NSURL(const std::string& path, bool isDirectory, standin::RuntimeClass& cls) : NSObject(cls), mIsFile(true)
{
  std::string absolute = Untrailed(AbsolutePath(path));
  mPath = new NSString(absolute);
  mText = new NSString("file://" + PercentEncodedPath(absolute) + (isDirectory && absolute != "/" ? "/" : ""));
}

NSURL::NSURL(const std::string& text, standin::RuntimeClass& cls) : NSObject(cls)
{
  mText = new NSString(text);
  if (text.compare(0, 5, "file:") != 0)
    return;
  std::string rest = text.substr(5);
  if (rest.compare(0, 2, "//") == 0)
  {
    const size_t slash = rest.find('/', 2);
    rest = slash == std::string::npos ? std::string("/") : rest.substr(slash); // drop the host part
  }
  // Percent escapes.
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i)
  {
    const auto hex = [](char c) { return (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1; };
    if (rest[i] == '%' && i + 2 < rest.size() && hex(rest[i + 1]) >= 0 && hex(rest[i + 2]) >= 0)
    {
      path.push_back(static_cast<char>(hex(rest[i + 1]) * 16 + hex(rest[i + 2])));
      i += 2;
    }
    else
      path.push_back(rest[i]);
  }
  mIsFile = true;
  mPath = new NSString(Untrailed(path));
}

NSURL::~NSURL()
{
  if (mPath)
    mPath->release();
  mText->release();
}

NSURL* NSURL::fileURLWithPath(const NSString* path) { return path ? fileURLWithPath(path, IsDirectoryPath(path->Text())) : nullptr; }

NSURL* NSURL::fileURLWithPath(const NSString* path, bool isDirectory)
{
  return path ? Autoreleased(new NSURL(path->Text(), isDirectory)) : nullptr;
}

NSURL* NSURL::URLWithString(const NSString* text)
{
  if (!text || text->Text().empty())
    return nullptr;
  // A URL is printable ASCII without blanks and without the characters URLs never hold
  // unescaped; the platform makes no URL of anything else.
  for (const unsigned char c : text->Text())
    if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c))
      return nullptr;
  return Autoreleased(new NSURL(text->Text()));
}

bool NSURL::isEqual(const NSObject* other) const
{
  const NSURL* url = dynamic_cast<const NSURL*>(other);
  return url && url->mText->isEqual(mText);
}

// -- NSBundle --

// The process's bundles by folder, made on first use and never destroyed.
struct BundleTable
{
  std::mutex mutex;
  std::map<std::string, NSBundle*> byPath;

  static BundleTable& Get()
  {
    static BundleTable* sTable = new BundleTable;
    return *sTable;
  }

  // The bundle of the folder, made when needed; executable is its library when known. Called
  // with the mutex held.
  NSBundle* Open(const std::string& folder, const std::string& executable)
  {
    const std::string path = Untrailed(AbsolutePath(folder));
    auto it = byPath.find(path);
    if (it != byPath.end())
      return it->second;
    if (!IsDirectoryPath(path))
      return nullptr;
    NSBundle* bundle = new NSBundle(path, executable);
    bundle->MakeImmortal();
    byPath.emplace(path, bundle);
    return bundle;
  }

  NSBundle* FindIdentifier(const std::string& identifier)
  {
    for (auto& entry : byPath)
      if (standin::TextOf(entry.second->bundleIdentifier()) == identifier)
        return entry.second;
    return nullptr;
  }

  // Opens the bundle of every loaded library that sits at <bundle>/Contents/<folder>/<file>
  // next to a <bundle>/Contents/Info.plist.
  void OpenLoadedBundles()
  {
    std::vector<std::string> libraries;
    dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* context) {
        if (info->dlpi_name && info->dlpi_name[0])
          static_cast<std::vector<std::string>*>(context)->push_back(info->dlpi_name);
        return 0;
      },
      &libraries);
    for (const std::string& library : libraries)
    {
      const std::string contents = Parent(Parent(library));
      if (LastComponent(contents) != "Contents" || !IsFilePath(contents + "/Info.plist"))
        continue;
      Open(Parent(contents), library);
    }
  }
};

NSBundle::NSBundle(const std::string& path, const std::string& executable) : NSObject(Class())
{
  mBundlePath = new NSString(path);
  const std::string contents = path + "/Contents";
  const bool hasContents = IsDirectoryPath(contents);
  mResourcePath = new NSString(hasContents ? contents + "/Resources" : path);
  NSObject* info = standin::ReadPropertyListFile((hasContents ? contents : path) + "/Info.plist");
  mInfo = dynamic_cast<NSDictionary*>(info);
  if (!mInfo)
  {
    if (info)
      info->release();
    mInfo = new NSDictionary({}, {});
  }
  std::string exe = executable;
  if (exe.empty())
  {
    const std::string name = standin::TextOf(mInfo->objectForKey("CFBundleExecutable"));
    if (!name.empty())
    {
      for (const std::string& candidate : {contents + "/x86_64-linux/" + name + ".so", contents + "/MacOS/" + name})
      {
        if (IsFilePath(candidate))
        {
          exe = candidate;
          break;
        }
      }
    }
  }
  if (!exe.empty())
    mExecutablePath = new NSString(exe);
}

NSBundle::~NSBundle()
{
  mBundlePath->release();
  mResourcePath->release();
  if (mExecutablePath)
    mExecutablePath->release();
  mInfo->release();
}

const NSString* NSBundle::bundleIdentifier() const
{
  if (mIsMain)
  {
    const std::string identifier = Setting(&Settings::mainBundleIdentifier);
    if (!identifier.empty())
      return MakeString(identifier);
  }
  return dynamic_cast<const NSString*>(mInfo->objectForKey("CFBundleIdentifier"));
}

NSBundle* NSBundle::bundleWithPath(const NSString* path)
{
  if (!path || path->Text().empty())
    return nullptr;
  BundleTable& table = BundleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.Open(path->Text(), std::string());
}

NSBundle* NSBundle::bundleWithIdentifier(const NSString* identifier)
{
  if (!identifier || identifier->Text().empty())
    return nullptr;
  BundleTable& table = BundleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (NSBundle* bundle = table.FindIdentifier(identifier->Text()))
    return bundle;
  table.OpenLoadedBundles();
  return table.FindIdentifier(identifier->Text());
}

NSBundle* NSBundle::mainBundle()
{
  const std::string exe = ExecutablePath();
  std::string folder = Parent(exe);
  // An application: <app>/Contents/MacOS/<program>.
  if (LastComponent(folder) == "MacOS" && LastComponent(Parent(folder)) == "Contents")
    folder = Parent(Parent(folder));
  BundleTable& table = BundleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  NSBundle* bundle = table.Open(folder.empty() ? std::string("/") : folder, exe);
  if (bundle)
    bundle->mIsMain = true;
  return bundle;
}

// -- NSFileManager, NSProcessInfo --

NSFileManager::NSFileManager() : NSObject(Class()) { MakeImmortal(); }

NSFileManager* NSFileManager::defaultManager()
{
  static NSFileManager* sManager = new NSFileManager;
  return sManager;
}

bool NSFileManager::fileExistsAtPath(const NSString* path) const { return fileExistsAtPath(path, nullptr); }

bool NSFileManager::fileExistsAtPath(const NSString* path, bool* isDirectory) const
{
  struct stat info = {};
  if (!path || path->Text().empty() || stat(path->UTF8String(), &info) != 0)
    return false;
  if (isDirectory)
    *isDirectory = S_ISDIR(info.st_mode);
  return true;
}

NSURL* NSFileManager::containerURLForSecurityApplicationGroupIdentifier(const NSString* identifier) const
{
  const std::string home = standin::HomeDirectory();
  if (!identifier || identifier->Text().empty() || home.empty())
    return nullptr;
  return Autoreleased(new NSURL(home + "/Library/Group Containers/" + identifier->Text(), true));
}

NSProcessInfo::NSProcessInfo() : NSObject(Class()) { MakeImmortal(); }

NSProcessInfo* NSProcessInfo::processInfo()
{
  static NSProcessInfo* sInfo = new NSProcessInfo;
  return sInfo;
}

NSString* NSProcessInfo::processName() const
{
  std::string name = Setting(&Settings::processName);
  if (name.empty())
    name = LastComponent(ExecutablePath());
  return MakeString(name);
}

// -- search paths --

NSArray* NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory, unsigned domainMask, bool expandTilde)
{
  const char* tail = nullptr;
  bool userOnly = false;
  switch (directory)
  {
    case NSLibraryDirectory: tail = "Library"; break;
    case NSApplicationSupportDirectory: tail = "Library/Application Support"; break;
    case NSDesktopDirectory: tail = "Desktop"; userOnly = true; break;
    case NSMusicDirectory: tail = "Music"; userOnly = true; break;
  }
  std::vector<NSString*> paths;
  if (tail)
  {
    const std::string home = standin::HomeDirectory();
    if (domainMask & NSUserDomainMask)
      paths.push_back(new NSString((expandTilde && !home.empty() ? Untrailed(home) : std::string("~")) + "/" + tail));
    if (!userOnly)
    {
      if (domainMask & NSLocalDomainMask)
        paths.push_back(new NSString(std::string("/") + tail));
      if (domainMask & NSNetworkDomainMask)
        paths.push_back(new NSString(std::string("/Network/") + tail));
      if (domainMask & NSSystemDomainMask)
        paths.push_back(new NSString(std::string("/System/") + tail));
    }
  }
  NSArray* array = new NSArray(std::vector<const NSObject*>(paths.begin(), paths.end()));
  for (NSString* path : paths)
    path->release();
  return Autoreleased(array);
}

NSString* NSHomeDirectory() { return MakeString(standin::HomeDirectory()); }

namespace standin {

void SetHomeDirectory(const std::string& folder) { SetSetting(&Settings::home, folder); }

std::string HomeDirectory()
{
  std::string home = Setting(&Settings::home);
  if (!home.empty())
    return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(size < 1024 ? 16384 : size));
  passwd entry = {};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_dir && result->pw_dir[0])
    return result->pw_dir;
  const char* env = std::getenv("HOME");
  return env ? env : "";
}

void SetMainBundleIdentifier(const std::string& identifier) { SetSetting(&Settings::mainBundleIdentifier, identifier); }

void SetProcessName(const std::string& name) { SetSetting(&Settings::processName, name); }

std::string TextOf(const NSObject* object)
{
  const NSString* string = dynamic_cast<const NSString*>(object);
  return string ? string->Text() : std::string();
}

NSString* ConstantString(const char* text)
{
  struct Constant : NSString
  {
    explicit Constant(const char* t) : NSString(t ? t : "") { MakeImmortal(); }
  };
  // Every constant stays reachable from here for the life of the process, also the constants
  // of a bundle (with stand-ins linked into it) that has been unloaded since.
  static std::mutex sMutex;
  static std::vector<NSString*>* sConstants = new std::vector<NSString*>();
  NSString* constant = new Constant(text);
  std::lock_guard<std::mutex> lock(sMutex);
  sConstants->push_back(constant);
  return constant;
}

} // namespace standin
