#include "platform/mac/CoreTextFont.h"

#include "platform/mac/MacPaths.h"
#include "platform/mac/SfntFaceInfo.h"

#include <cstring>
#include <new>

namespace plug::igraphics {

namespace {

// A CoreTextFont over the provider's bytes, through a graphics font and a CoreText font
// (released again) to the font's descriptor. Takes over the provider; null on any failure.
PlatformFontPtr FontFromProvider(CGDataProviderRef provider)
{
  if (!provider)
    return nullptr;
  CTFontDescriptorRef descriptor = nullptr;
  {
    CGFontRef graphicsFont = CGFontCreateWithDataProvider(provider);
    CFReleaseGuard graphicsFontGuard(graphicsFont);
    CTFontRef ctFont = graphicsFont ? CTFontCreateWithGraphicsFont(graphicsFont, 0.0, nullptr, nullptr) : nullptr;
    CFReleaseGuard ctFontGuard(ctFont);
    descriptor = ctFont ? CTFontCopyFontDescriptor(ctFont) : nullptr;
  }
  PlatformFontPtr font(descriptor ? new (std::nothrow) CoreTextFont(descriptor, provider, "", false) : nullptr);
  if (!font)
  {
    if (descriptor)
      CFRelease(descriptor);
    CGDataProviderRelease(provider);
  }
  return font;
}

const char* StyleText(int style)
{
  switch (style)
  {
    case 1: return "Bold";
    case 2: return "Italic";
    default: return "Regular";
  }
}

} // namespace

CoreTextFont::CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName, bool isSystem)
  : PlatformFont(isSystem), mDescriptor(descriptor), mProvider(provider), mStyleName(styleName)
{
}

CoreTextFont::~CoreTextFont()
{
  if (mDescriptor)
    CFRelease(mDescriptor);
  CGDataProviderRelease(mProvider);
}

PlatformFontData* CoreTextFont::GetFontData()
{
  PlatformFontData* data = new (std::nothrow) PlatformFontData;
  if (!data)
    return nullptr;
  CFDataRef raw = CGDataProviderCopyData(mProvider);
  if (!raw)
    return data; // no bytes, no face
  CFReleaseGuard rawGuard(raw);
  const uint8_t* bytes = CFDataGetBytePtr(raw);
  const CFIndex size = CFDataGetLength(raw);
  if (!bytes || size <= 0 || size > INT32_MAX)
    return data; // no bytes, no face
  const int length = static_cast<int>(size);
  int faceIndex = 0;
  if (mStyleName.GetLength() > 0)
    faceIndex = FindFontFaceIndex(bytes, length, mStyleName.Get());
  void* copy = data->mBytes.SetLength(length);
  if (data->mBytes.GetLength() != length)
    return data;
  std::memcpy(copy, bytes, static_cast<size_t>(length));
  data->mFaceInfo = SfntFaceInfo(static_cast<const uint8_t*>(copy), length, faceIndex);
  data->mFaceIndex = faceIndex;
  return data;
}

PlatformFontPtr LoadCoreTextFontFromFile(const char*, const char* fileNameOrResID, const char* bundleID, const char* sharedResourcesSubPath)
{
  CharBuf path;
  if (!LocateResource(fileNameOrResID, "ttf", path, bundleID, nullptr, sharedResourcesSubPath))
    return nullptr;
  CFStringRef pathString = CFStringCreateWithCString(kCFAllocatorDefault, path.Get(), kCFStringEncodingUTF8);
  CFReleaseGuard pathGuard(pathString);
  CFURLRef url = pathString ? CFURLCreateWithFileSystemPath(kCFAllocatorDefault, pathString, kCFURLPOSIXPathStyle, false) : nullptr;
  CFReleaseGuard urlGuard(url);
  return FontFromProvider(url ? CGDataProviderCreateWithURL(url) : nullptr);
}

PlatformFontPtr LoadCoreTextFontByName(const char*, const char* fontName, int style)
{
  if (!fontName)
    return nullptr;
  const char* styleText = StyleText(style);
  CFStringRef family = CFStringCreateWithCString(kCFAllocatorDefault, fontName, kCFStringEncodingUTF8);
  CFReleaseGuard familyGuard(family);
  CFStringRef styleName = CFStringCreateWithCString(kCFAllocatorDefault, styleText, kCFStringEncodingUTF8);
  CFReleaseGuard styleGuard(styleName);
  if (!family || !styleName)
    return nullptr;
  const CFTypeRef keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
  const CFTypeRef values[] = {family, styleName};
  CFDictionaryRef attributes = CFDictionaryCreate(kCFAllocatorDefault, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                                  &kCFTypeDictionaryValueCallBacks);
  CFReleaseGuard attributesGuard(attributes);
  CFSetRef mandatory = CFSetCreate(kCFAllocatorDefault, keys, 2, &kCFTypeSetCallBacks);
  CFReleaseGuard mandatoryGuard(mandatory);
  CTFontDescriptorRef wanted = attributes ? CTFontDescriptorCreateWithAttributes(attributes) : nullptr;
  CFReleaseGuard wantedGuard(wanted);
  CFArrayRef matches = (wanted && mandatory) ? CTFontDescriptorCreateMatchingFontDescriptors(wanted, mandatory) : nullptr;
  if (!matches)
    return nullptr; // nothing of that family and style
  CFReleaseGuard matchesGuard(matches);
  for (CFIndex i = 0; i < CFArrayGetCount(matches); ++i)
  {
    auto match = static_cast<CTFontDescriptorRef>(CFArrayGetValueAtIndex(matches, i));
    CFURLRef url = static_cast<CFURLRef>(CTFontDescriptorCopyAttribute(match, kCTFontURLAttribute));
    CFReleaseGuard urlGuard(url);
    CGDataProviderRef provider = url ? CGDataProviderCreateWithURL(url) : nullptr;
    if (!provider)
      continue;
    CFRetain(match);
    PlatformFontPtr font(new (std::nothrow) CoreTextFont(match, provider, styleText, true));
    if (!font)
    {
      CFRelease(match);
      CGDataProviderRelease(provider);
    }
    return font;
  }
  return nullptr;
}

void ReleaseFontMemory(void*, const void* data, size_t) { delete[] static_cast<const uint8_t*>(data); }

PlatformFontPtr LoadCoreTextFontFromMemory(const char*, const void* data, int size)
{
  if (!data || size <= 0)
    return nullptr;
  uint8_t* copy = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
  if (!copy)
    return nullptr;
  std::memcpy(copy, data, static_cast<size_t>(size));
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, copy, static_cast<size_t>(size), ReleaseFontMemory);
  if (!provider)
  {
    delete[] copy;
    return nullptr;
  }
  return FontFromProvider(provider);
}

} // namespace plug::igraphics
