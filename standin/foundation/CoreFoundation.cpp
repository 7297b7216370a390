#include "standin/foundation/CoreFoundation.h"

#include <cstring>
#include <new>

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {true};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {true};
const CFSetCallBacks kCFTypeSetCallBacks = {true};
const CFArrayCallBacks kCFTypeArrayCallBacks = {true};

namespace {

std::vector<const NSObject*> Values(const CFTypeRef* values, CFIndex count)
{
  if (!values || count <= 0)
    return {};
  return std::vector<const NSObject*>(values, values + count);
}

// Create functions return null where the platform's would fail to allocate.
template <class Make>
auto Made(Make make) -> decltype(make())
{
  try
  {
    return make();
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

} // namespace

CFTypeRef CFRetain(CFTypeRef object)
{
  if (!object)
  {
    standin::PlatformFault("CFRetain called with NULL");
    return nullptr;
  }
  return object->retain();
}

void CFRelease(CFTypeRef object)
{
  if (!object)
  {
    standin::PlatformFault("CFRelease called with NULL");
    return;
  }
  object->release();
}

CFIndex CFGetRetainCount(CFTypeRef object) { return object ? object->retainCount() : 0; }

Boolean CFEqual(CFTypeRef a, CFTypeRef b) { return a && b && a->isEqual(b); }

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding encoding)
{
  if (!text || encoding != kCFStringEncodingUTF8)
    return nullptr;
  return Made([&] { return new NSString(text); });
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
  if (!string || !buffer || encoding != kCFStringEncodingUTF8 || bufferSize <= 0)
    return false;
  const std::string& text = string->Text();
  if (static_cast<CFIndex>(text.size()) >= bufferSize)
    return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef path, CFURLPathStyle, Boolean isDirectory)
{
  if (!path)
    return nullptr;
  return Made([&] { return new NSURL(path->Text(), isDirectory != 0); });
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle)
{
  if (!url || !url->path())
    return nullptr;
  return Retained(url->path());
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, uint8_t* buffer, CFIndex maxLength)
{
  if (!url || !url->path())
    return false;
  return CFStringGetCString(url->path(), reinterpret_cast<char*>(buffer), maxLength, kCFStringEncodingUTF8);
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const CFTypeRef* values, CFIndex count, const CFArrayCallBacks*)
{
  return Made([&] { return new NSArray(Values(values, count)); });
}

CFIndex CFArrayGetCount(CFArrayRef array) { return array ? static_cast<CFIndex>(array->count()) : 0; }

CFTypeRef CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index)
{
  return (array && index >= 0) ? array->objectAtIndex(static_cast<size_t>(index)) : nullptr;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const CFTypeRef* keys, const CFTypeRef* values, CFIndex count,
                                   const CFDictionaryKeyCallBacks* keyCallBacks, const CFDictionaryValueCallBacks* valueCallBacks)
{
  const bool retains = keyCallBacks && keyCallBacks->retains && valueCallBacks && valueCallBacks->retains;
  return Made([&] { return new NSDictionary(Values(keys, count), Values(values, count), retains); });
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary) { return dictionary ? static_cast<CFIndex>(dictionary->count()) : 0; }

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFTypeRef key) { return dictionary ? dictionary->objectForKey(key) : nullptr; }

CFSetRef CFSetCreate(CFAllocatorRef, const CFTypeRef* values, CFIndex count, const CFSetCallBacks* callBacks)
{
  const bool retains = callBacks && callBacks->retains;
  return Made([&] { return new NSSet(Values(values, count), retains); });
}

CFIndex CFSetGetCount(CFSetRef set) { return set ? static_cast<CFIndex>(set->count()) : 0; }

Boolean CFSetContainsValue(CFSetRef set, CFTypeRef value) { return set && set->containsObject(value); }

CFDataRef CFDataCreate(CFAllocatorRef, const uint8_t* bytes, CFIndex length)
{
  if (length < 0 || (!bytes && length > 0))
    return nullptr;
  return Made([&] { return new NSData(bytes, static_cast<size_t>(length)); });
}

const uint8_t* CFDataGetBytePtr(CFDataRef data) { return data ? static_cast<const uint8_t*>(data->bytes()) : nullptr; }

CFIndex CFDataGetLength(CFDataRef data) { return data ? static_cast<CFIndex>(data->length()) : 0; }
