#include "standin/coretext/CoreGraphics.h"

#include "standin/foundation/RegularFile.h"

#include <new>

namespace standin {

STANDIN_DEFINE_CLASS(CGDataProvider, NSObject)
STANDIN_DEFINE_CLASS(CGFont, NSObject)

CGDataProvider::CGDataProvider(std::vector<uint8_t> bytes, RuntimeClass& cls)
  : NSObject(cls), mOwned(std::move(bytes)), mData(mOwned.data()), mSize(mOwned.size())
{
}

CGDataProvider::CGDataProvider(void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release, RuntimeClass& cls)
  : NSObject(cls), mData(static_cast<const uint8_t*>(data)), mSize(size), mInfo(info), mRelease(release)
{
}

CGDataProvider::~CGDataProvider()
{
  if (mRelease)
    mRelease(mInfo, mData, mSize);
}

CGFont::CGFont(CGDataProvider* provider, fontfile::FaceNames names, RuntimeClass& cls)
  : NSObject(cls), mProvider(Retained(provider)), mNames(std::move(names))
{
}

CGFont::~CGFont() { mProvider->release(); }

} // namespace standin

using standin::CGDataProvider;

CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url)
{
  if (!url || !url->fileSystemRepresentation())
    return nullptr;
  std::vector<uint8_t> bytes;
  if (!standin::ReadRegularFile(url->fileSystemRepresentation(), standin::kMaxFontFileSize, bytes))
    return nullptr;
  try
  {
    return new CGDataProvider(std::move(bytes));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release)
{
  if (!data)
    return nullptr;
  return new (std::nothrow) CGDataProvider(info, data, size, release);
}

CFDataRef CGDataProviderCopyData(CGDataProviderRef provider)
{
  if (!provider)
    return nullptr;
  return CFDataCreate(kCFAllocatorDefault, provider->Bytes(), static_cast<CFIndex>(provider->Size()));
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) { return Retained(provider); }

void CGDataProviderRelease(CGDataProviderRef provider)
{
  if (provider)
    provider->release();
}

CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider)
{
  if (!provider)
    return nullptr;
  standin::fontfile::FaceNames names;
  if (!standin::fontfile::InspectFace(provider->Bytes(), provider->Size(), 0, &names))
    return nullptr;
  try
  {
    return new standin::CGFont(provider, std::move(names));
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CGFontRef CGFontRetain(CGFontRef font) { return Retained(font); }

void CGFontRelease(CGFontRef font)
{
  if (font)
    font->release();
}
