#include "standin/foundation/CoreFoundation.h"

#include "standin/foundation/Unicode.h"

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

bool standin::RefusedNull(const void* object, const char* function)
{
  if (object)
    return false;
  PlatformFault((std::string(function) + " called with NULL").c_str());
  return true;
}

using standin::RefusedNull;

CFTypeRef CFRetain(CFTypeRef object) { return RefusedNull(object, "CFRetain") ? nullptr : object->retain(); }

void CFRelease(CFTypeRef object)
{
  if (!RefusedNull(object, "CFRelease"))
    object->release();
}

CFIndex CFGetRetainCount(CFTypeRef object) { return RefusedNull(object, "CFGetRetainCount") ? 0 : object->retainCount(); }

Boolean CFEqual(CFTypeRef a, CFTypeRef b)
{
  return !RefusedNull(a, "CFEqual") && !RefusedNull(b, "CFEqual") && a->isEqual(b);
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* text, CFStringEncoding encoding)
{
  if (!text || encoding != kCFStringEncodingUTF8 || !standin::IsValidUtf8(text))
    return nullptr;
  return Made([&] { return new NSString(text); });
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize, CFStringEncoding encoding)
{
  if (RefusedNull(string, "CFStringGetCString") || !buffer || encoding != kCFStringEncodingUTF8 || bufferSize <= 0)
    return false;
  const std::string& text = string->Text();
  if (static_cast<CFIndex>(text.size()) >= bufferSize)
    return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef path, CFURLPathStyle, Boolean isDirectory)
{
  if (RefusedNull(path, "CFURLCreateWithFileSystemPath"))
    return nullptr;
  return Made([&] { return new NSURL(path->Text(), isDirectory != 0); });
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle)
{
  if (RefusedNull(url, "CFURLCopyFileSystemPath") || !url->path())
    return nullptr;
  return Retained(url->path());
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, uint8_t* buffer, CFIndex maxLength)
{
  if (RefusedNull(url, "CFURLGetFileSystemRepresentation") || !url->path())
    return false;
  return CFStringGetCString(url->path(), reinterpret_cast<char*>(buffer), maxLength, kCFStringEncodingUTF8);
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const CFTypeRef* values, CFIndex count, const CFArrayCallBacks*)
{
  return Made([&] { return new NSArray(Values(values, count)); });
}

CFIndex CFArrayGetCount(CFArrayRef array) { return RefusedNull(array, "CFArrayGetCount") ? 0 : static_cast<CFIndex>(array->count()); }

CFTypeRef CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index)
{
  return (!RefusedNull(array, "CFArrayGetValueAtIndex") && index >= 0) ? array->objectAtIndex(static_cast<size_t>(index)) : nullptr;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const CFTypeRef* keys, const CFTypeRef* values, CFIndex count,
                                   const CFDictionaryKeyCallBacks* keyCallBacks, const CFDictionaryValueCallBacks* valueCallBacks)
{
  const bool retains = keyCallBacks && keyCallBacks->retains && valueCallBacks && valueCallBacks->retains;
  return Made([&] { return new NSDictionary(Values(keys, count), Values(values, count), retains); });
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary)
{
  return RefusedNull(dictionary, "CFDictionaryGetCount") ? 0 : static_cast<CFIndex>(dictionary->count());
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFTypeRef key)
{
  return RefusedNull(dictionary, "CFDictionaryGetValue") ? nullptr : dictionary->objectForKey(key);
}

CFSetRef CFSetCreate(CFAllocatorRef, const CFTypeRef* values, CFIndex count, const CFSetCallBacks* callBacks)
{
  const bool retains = callBacks && callBacks->retains;
  return Made([&] { return new NSSet(Values(values, count), retains); });
}

CFIndex CFSetGetCount(CFSetRef set) { return RefusedNull(set, "CFSetGetCount") ? 0 : static_cast<CFIndex>(set->count()); }

Boolean CFSetContainsValue(CFSetRef set, CFTypeRef value) { return !RefusedNull(set, "CFSetContainsValue") && set->containsObject(value); }

CFDataRef CFDataCreate(CFAllocatorRef, const uint8_t* bytes, CFIndex length)
{
  if (length < 0 || (!bytes && length > 0))
    return nullptr;
  return Made([&] { return new NSData(bytes, static_cast<size_t>(length)); });
}

const uint8_t* CFDataGetBytePtr(CFDataRef data)
{
  return RefusedNull(data, "CFDataGetBytePtr") ? nullptr : static_cast<const uint8_t*>(data->bytes());
}

CFIndex CFDataGetLength(CFDataRef data) { return RefusedNull(data, "CFDataGetLength") ? 0 : static_cast<CFIndex>(data->length()); }
