#pragma once
// Stand-in for the CoreGraphics pieces that fonts need: data providers over a file or over
// bytes in memory, and graphics fonts made from a provider (checked by the stand-in's font
// inspection, FontFile.h). Create functions return owned references; the Release functions
// ignore NULL, as the platform's do.
#include "standin/coretext/FontFile.h"
#include "standin/foundation/CoreFoundation.h"

#include <string>
#include <vector>

typedef double CGFloat;

struct CGAffineTransform
{
  CGFloat a, b, c, d, tx, ty;
};

// Called once when a provider made over caller-owned bytes goes.
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

namespace standin {

class CGDataProvider : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The bytes read from a file.
  CGDataProvider(std::vector<uint8_t> bytes, standin::RuntimeClass& cls = Class());
  // Bytes the caller owns until the release callback.
  CGDataProvider(void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release,
                 standin::RuntimeClass& cls = Class());
  ~CGDataProvider() override;

  const uint8_t* Bytes() const { return mData; }
  size_t Size() const { return mSize; }

private:
  std::vector<uint8_t> mOwned;
  const uint8_t* mData;
  size_t mSize;
  void* mInfo = nullptr;
  CGDataProviderReleaseDataCallback mRelease = nullptr;
};

class CGFont : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Retains the provider.
  CGFont(CGDataProvider* provider, fontfile::FaceNames names, standin::RuntimeClass& cls = Class());
  ~CGFont() override;

  CGDataProvider* Provider() const { return mProvider; }
  const fontfile::FaceNames& Names() const { return mNames; }

private:
  CGDataProvider* mProvider;
  fontfile::FaceNames mNames;
};

// Files larger than this are not read into a provider.
constexpr size_t kMaxFontFileSize = 256u << 20;

} // namespace standin

typedef standin::CGDataProvider* CGDataProviderRef;
typedef standin::CGFont* CGFontRef;

// Reads the whole file of a file URL; null when it cannot be read.
CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url);
// Over the caller's bytes, which must stay valid until the provider goes; then release, when
// given, is called with info and the bytes. Null for null data.
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release);
// A copy of the provider's bytes.
CFDataRef CGDataProviderCopyData(CGDataProviderRef provider);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
void CGDataProviderRelease(CGDataProviderRef provider);

// The first face of the provider's bytes as a font; null when it is no font stb_truetype loads.
CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider);
CGFontRef CGFontRetain(CGFontRef font);
void CGFontRelease(CGFontRef font);
