#pragma once
// Stand-in for the platform's Foundation classes that the platform layer uses: strings and
// their path operations, numbers, data, arrays, dictionaries (also read from property lists),
// sets, URLs, bundles backed by folders, the file manager, process information, the standard
// search-path folders and the home folder.
//
// Methods carry the names of the platform's selectors. Class methods named like
// stringWithUTF8String return autoreleased objects; new gives an owned one; methods returning
// a property (path, bundlePath) return an object owned by the receiver.
#include "standin/foundation/Object.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

class NSArray;

// What a method raises when it refuses its arguments. Objective-C exceptions unwind through C++
// frames on the platform and a catch (...) there catches them, so the stand-in raises a C++
// exception of this type. Its name is one of the constants below, its reason says what was
// refused.
class NSException : public std::exception
{
public:
  NSException(const char* name, std::string reason);
  const char* name() const noexcept { return mName; }
  const char* reason() const noexcept { return mReason.c_str(); }
  const char* what() const noexcept override { return mReason.c_str(); }

private:
  const char* mName;
  std::string mReason;
};

extern const char* const NSInvalidArgumentException;

// A UTF-16 code unit, the platform's unit of string indexes.
typedef uint16_t unichar;

class NSString : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSString(std::string text = std::string(), standin::RuntimeClass& cls = Class());

  // Null for a text that is not valid UTF-8; a null text raises NSInvalidArgumentException.
  static NSString* stringWithUTF8String(const char* text);
  static NSString* string() { return stringWithUTF8String(""); }
  // A copy of the string; the empty string for null.
  static NSString* stringWithString(const NSString* other);

  // The text as UTF-8, valid while the string lives.
  const char* UTF8String() const { return mText.c_str(); }
  const std::string& Text() const { return mText; }
  // Length in UTF-16 code units, as the platform counts.
  size_t length() const;
  // The UTF-16 unit at the index; an index outside the string is a platform fault (the
  // platform raises) and gives 0.
  unichar characterAtIndex(size_t index) const;
  // The text as UTF-16 units.
  std::u16string UTF16() const;
  // The leading number, after white space and an optional sign; 0 when there is none.
  // intValue saturates at the limits of int.
  int intValue() const;
  double doubleValue() const;
  bool isEqual(const NSObject* other) const override;
  bool isEqualToString(const NSString* other) const { return other && other->mText == mText; }
  bool containsString(const NSString* other) const;
  NSString* stringByAppendingString(const NSString* other) const;
  // The pieces between the occurrences of the separator (an array of strings); the whole
  // string alone for a null or empty separator.
  NSArray* componentsSeparatedByString(const NSString* separator) const;

  // Path operations, with the platform's rules: the extension of the last component is the
  // text after its last "." unless that dot starts the component; trailing slashes are ignored
  // except in "/"; "~" and "~/…" expand to the home folder.
  NSString* pathExtension() const;
  NSString* lastPathComponent() const;
  NSString* stringByDeletingPathExtension() const;
  NSString* stringByDeletingLastPathComponent() const;
  NSString* stringByAppendingPathComponent(const NSString* component) const;
  // Null when the extension cannot be added (an empty path or one ending in "/" alone).
  NSString* stringByAppendingPathExtension(const NSString* extension) const;
  NSString* stringByExpandingTildeInPath() const;

private:
  std::string mText;
};

class NSNumber : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSNumber(double value, standin::RuntimeClass& cls = Class());
  NSNumber(long long value, bool isBool, standin::RuntimeClass& cls = Class());

  static NSNumber* numberWithDouble(double value);
  static NSNumber* numberWithLongLong(long long value);
  static NSNumber* numberWithBool(bool value);

  double doubleValue() const { return mIsInteger ? static_cast<double>(mInteger) : mDouble; }
  long long longLongValue() const;
  int intValue() const { return static_cast<int>(longLongValue()); }
  bool boolValue() const { return mIsInteger ? mInteger != 0 : mDouble != 0.0; }
  bool isEqual(const NSObject* other) const override;

private:
  bool mIsInteger;
  long long mInteger = 0;
  double mDouble = 0.0;
};

class NSData : public NSObject
{
  STANDIN_OBJECT_CLASS()

  NSData(const void* bytes, size_t length, standin::RuntimeClass& cls = Class());
  explicit NSData(std::vector<uint8_t> bytes, standin::RuntimeClass& cls = Class());

  const void* bytes() const { return mBytes.empty() ? nullptr : mBytes.data(); }
  size_t length() const { return mBytes.size(); }
  bool isEqual(const NSObject* other) const override;

private:
  std::vector<uint8_t> mBytes;
};

// Arrays, dictionaries and sets retain what they hold.
class NSArray : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSArray(const std::vector<const NSObject*>& objects, standin::RuntimeClass& cls = Class());
  ~NSArray() override;

  size_t count() const { return mObjects.size(); }
  // Null outside the array.
  const NSObject* objectAtIndex(size_t index) const { return index < mObjects.size() ? mObjects[index] : nullptr; }
  const NSObject* firstObject() const { return objectAtIndex(0); }
  // Whether an element is equal (isEqual) to the object.
  bool containsObject(const NSObject* object) const;

private:
  std::vector<const NSObject*> mObjects;
};

class NSURL;

class NSDictionary : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Keys and values pairwise; with retains false the dictionary only points at them (the
  // platform's dictionaries made without callbacks).
  NSDictionary(const std::vector<const NSObject*>& keys, const std::vector<const NSObject*>& values,
               bool retains = true, standin::RuntimeClass& cls = Class());
  ~NSDictionary() override;

  // Reads a property list whose top level is a dictionary; null for a missing or malformed
  // file or another kind of top level.
  static NSDictionary* dictionaryWithContentsOfFile(const NSString* path);
  static NSDictionary* dictionaryWithContentsOfURL(const NSURL* url);

  size_t count() const { return mKeys.size(); }
  // The value of the first key equal to key (isEqual), or null.
  const NSObject* objectForKey(const NSObject* key) const;
  // For keys that are strings.
  const NSObject* objectForKey(const char* key) const;
  const std::vector<const NSObject*>& Keys() const { return mKeys; }

private:
  std::vector<const NSObject*> mKeys;
  std::vector<const NSObject*> mValues;
  bool mRetains;
};

class NSSet : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Equal objects are kept once.
  explicit NSSet(const std::vector<const NSObject*>& objects, bool retains = true, standin::RuntimeClass& cls = Class());
  ~NSSet() override;

  size_t count() const { return mObjects.size(); }
  bool containsObject(const NSObject* object) const;

private:
  std::vector<const NSObject*> mObjects;
  bool mRetains;
};

class NSURL : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // A file URL for the path; relative paths are taken from the current folder. Its text
  // (absoluteString) is the path percent-encoded: every byte other than letters, digits and
  // !$&'()*+,-./:;=@_~ is written %XX, as the platform writes file URLs.
  NSURL(const std::string& path, bool isDirectory, standin::RuntimeClass& cls = Class());
  // Any URL text; only "file:" URLs have a path.
  explicit NSURL(const std::string& text, standin::RuntimeClass& cls = Class());

  static NSURL* fileURLWithPath(const NSString* path);
  static NSURL* fileURLWithPath(const NSString* path, bool isDirectory);
  // Null for an empty text and for one with characters a URL cannot hold unescaped (blanks,
  // control characters, non-ASCII, and " < > \ ^ ` { | }).
  static NSURL* URLWithString(const NSString* text);

  bool isFileURL() const { return mIsFile; }
  // The file-system path of a file URL (owned by the URL); null for other URLs.
  const NSString* path() const { return mIsFile ? mPath : nullptr; }
  const char* fileSystemRepresentation() const { return mIsFile ? mPath->UTF8String() : nullptr; }
  const NSString* absoluteString() const { return mText; }
  bool isEqual(const NSObject* other) const override;
  ~NSURL() override;

private:
  bool mIsFile = false;
  NSString* mPath = nullptr;
  NSString* mText = nullptr;
};

// A bundle: a folder with Contents/Info.plist, Contents/Resources and its executable. Bundles
// live as long as the process, like the platform's, and are kept in a table by path. A bundle
// becomes known when bundleWithPath opens it, or, for bundleWithIdentifier, when its library is
// loaded in the process: a shared library at <bundle>/Contents/<folder>/<file> belongs to the
// bundle, which is how a plug-in finds its own bundle.
class NSBundle : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The bundle of the folder (made and kept on first use); null when the folder does not exist.
  static NSBundle* bundleWithPath(const NSString* path);
  // A known or loaded bundle whose Info.plist has that CFBundleIdentifier; null when none.
  static NSBundle* bundleWithIdentifier(const NSString* identifier);
  // The bundle of the running program: the folder of the executable (or the .app around it).
  static NSBundle* mainBundle();

  const NSString* bundlePath() const { return mBundlePath; }
  // <bundle>/Contents/Resources, or the bundle folder itself when it has no Contents folder.
  const NSString* resourcePath() const { return mResourcePath; }
  // Null when no executable is found.
  const NSString* executablePath() const { return mExecutablePath; }
  // Null without one. The main bundle answers with the identifier set by tests when there is
  // one (then autoreleased).
  const NSString* bundleIdentifier() const;
  // Empty dictionary when the bundle has no readable Info.plist.
  const NSDictionary* infoDictionary() const { return mInfo; }
  const NSObject* objectForInfoDictionaryKey(const NSString* key) const { return key ? mInfo->objectForKey(key) : nullptr; }

private:
  friend struct BundleTable;
  NSBundle(const std::string& path, const std::string& executable);
  ~NSBundle() override;

  NSString* mBundlePath = nullptr;
  NSString* mResourcePath = nullptr;
  NSString* mExecutablePath = nullptr;
  NSDictionary* mInfo = nullptr;
  std::atomic<bool> mIsMain{false};
};

class NSFileManager : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSFileManager* defaultManager();

  // True for files and folders alike, as on the platform.
  bool fileExistsAtPath(const NSString* path) const;
  bool fileExistsAtPath(const NSString* path, bool* isDirectory) const;
  // <home>/Library/Group Containers/<identifier> (autoreleased); null for an empty identifier.
  NSURL* containerURLForSecurityApplicationGroupIdentifier(const NSString* identifier) const;

private:
  NSFileManager();
};

class NSProcessInfo : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSProcessInfo* processInfo();
  // The process name (autoreleased): the name set by tests, else the executable's name.
  NSString* processName() const;

private:
  NSProcessInfo();
};

enum NSSearchPathDirectory
{
  NSLibraryDirectory = 5,
  NSDesktopDirectory = 12,
  NSApplicationSupportDirectory = 14,
  NSMusicDirectory = 18,
};

enum NSSearchPathDomainMask : unsigned
{
  NSUserDomainMask = 1,
  NSLocalDomainMask = 2,
  NSNetworkDomainMask = 4,
  NSSystemDomainMask = 8,
  NSAllDomainsMask = 0xffff,
};

// The folders of that kind in the domains asked for, user domain first (autoreleased array of
// strings); with expandTilde false the user's folders start with "~".
NSArray* NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory, unsigned domainMask, bool expandTilde);
// The home folder (autoreleased).
NSString* NSHomeDirectory();

namespace standin {

// The seams that tests use in place of the machine's own settings. An empty text restores the
// machine's value. All are process-wide and safe from any thread.
//
// The home folder: the override, else the user database's, else $HOME.
void SetHomeDirectory(const std::string& folder);
std::string HomeDirectory();
// The main bundle's identifier (a host's, such as an AUv3 extension's).
void SetMainBundleIdentifier(const std::string& identifier);
// The process name.
void SetProcessName(const std::string& name);

// The text of a string object, "" for null or for an object of another class.
std::string TextOf(const NSObject* object);

// A string that lives as long as the process (retain and release do nothing, not counted
// among the live objects): the platform's string constants.
NSString* ConstantString(const char* text);

} // namespace standin
