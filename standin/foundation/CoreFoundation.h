#pragma once
// Stand-in for the CoreFoundation functions the platform layer calls. CoreFoundation types are
// the Foundation objects themselves (the platform bridges them toll-free): a CFStringRef is an
// NSString, a CFURLRef an NSURL, and so on. Functions named Create or Copy return an owned
// reference; CFRelease gives it back. The functions dereference the objects they are given, so
// NULL where an object is expected (CFRetain, CFRelease, every getter) is the platform's crash
// (standin::PlatformFault); only the Create functions answer a null argument with NULL.
#include "standin/foundation/Foundation.h"

#include <cstdint>

typedef const NSObject* CFTypeRef;
typedef const NSString* CFStringRef;
typedef const NSURL* CFURLRef;
typedef const NSArray* CFArrayRef;
typedef const NSDictionary* CFDictionaryRef;
typedef const NSSet* CFSetRef;
typedef const NSData* CFDataRef;
typedef const NSNumber* CFNumberRef;
typedef long CFIndex;
typedef unsigned char Boolean;
typedef const void* CFAllocatorRef;
#define kCFAllocatorDefault nullptr

typedef uint32_t CFStringEncoding;
enum : CFStringEncoding
{
  kCFStringEncodingUTF8 = 0x08000100,
};

enum CFURLPathStyle
{
  kCFURLPOSIXPathStyle = 0,
};

// Collection callbacks: the CFType ones retain what the collection holds; a null callbacks
// pointer makes a collection that only points at its contents.
struct CFDictionaryKeyCallBacks
{
  bool retains;
};
struct CFDictionaryValueCallBacks
{
  bool retains;
};
struct CFSetCallBacks
{
  bool retains;
};
struct CFArrayCallBacks
{
  bool retains;
};
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;
extern const CFSetCallBacks kCFTypeSetCallBacks;
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

namespace standin {
// For a function that dereferences its argument: a platform fault naming the function when the
// argument is null, and then true (the caller returns its empty result).
bool RefusedNull(const void* object, const char* function);
} // namespace standin

CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
CFIndex CFGetRetainCount(CFTypeRef object);
Boolean CFEqual(CFTypeRef a, CFTypeRef b);

// Null for a null text, an encoding other than UTF-8 or a text that is not valid UTF-8.
CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, const char* text, CFStringEncoding encoding);
// Copies the text with its terminator; false when it does not fit.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);

// A file URL of the path (a folder when isDirectory).
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef path, CFURLPathStyle style, Boolean isDirectory);
CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle style);
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, uint8_t* buffer, CFIndex maxLength);

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const CFTypeRef* values, CFIndex count, const CFArrayCallBacks* callBacks);
CFIndex CFArrayGetCount(CFArrayRef array);
// Null outside the array.
CFTypeRef CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index);

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const CFTypeRef* keys, const CFTypeRef* values, CFIndex count,
                                   const CFDictionaryKeyCallBacks* keyCallBacks, const CFDictionaryValueCallBacks* valueCallBacks);
CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary);
CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFTypeRef key);

CFSetRef CFSetCreate(CFAllocatorRef allocator, const CFTypeRef* values, CFIndex count, const CFSetCallBacks* callBacks);
CFIndex CFSetGetCount(CFSetRef set);
Boolean CFSetContainsValue(CFSetRef set, CFTypeRef value);

// Copies the bytes; null for a negative length.
CFDataRef CFDataCreate(CFAllocatorRef allocator, const uint8_t* bytes, CFIndex length);
const uint8_t* CFDataGetBytePtr(CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);
