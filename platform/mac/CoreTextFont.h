#pragma once
// The platform fonts of macOS: a CoreText font descriptor with a data provider for the font
// file's bytes, found as a resource file, by family name and style among the system's fonts,
// or made from bytes in memory.
#include "graphics/PlatformFont.h"
#include "standin/coretext/CoreText.h"

namespace plug::igraphics {

class CoreTextFont : public PlatformFont
{
public:
  // Takes over one reference to the descriptor and one to the provider.
  CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName, bool isSystem);
  ~CoreTextFont() override;

  FontDescriptor GetDescriptor() override { return mDescriptor; }
  // The whole file copied, with the facts of face 0, or, for a font found by name, of the
  // collection's first face whose style name equals the font's style (face index -1 and no
  // facts when none does).
  PlatformFontData* GetFontData() override;

  CTFontDescriptorRef GetCTDescriptor() const { return mDescriptor; }
  // "Bold", "Italic" or "Regular" for fonts found by name; empty otherwise.
  const char* GetStyleName() const { return mStyleName.Get(); }

private:
  CTFontDescriptorRef mDescriptor;
  CGDataProviderRef mProvider;
  CharBuf mStyleName;
};

// The font id is not used by the loaders; each returns null on any failure, keeping nothing.

// The font file found by LocateResource (name, "ttf", bundle identifier, shared sub path).
PlatformFontPtr LoadCoreTextFontFromFile(const char* fontID, const char* fileNameOrResID, const char* bundleID,
                                         const char* sharedResourcesSubPath);
// A system font of the family in the style (1 bold, 2 italic, anything else regular): the
// first match that has a file.
PlatformFontPtr LoadCoreTextFontByName(const char* fontID, const char* fontName, int style);
// A copy of size bytes.
PlatformFontPtr LoadCoreTextFontFromMemory(const char* fontID, const void* data, int size);

// The release callback of providers over copied bytes: deletes the byte array.
void ReleaseFontMemory(void* info, const void* data, size_t size);

// Releases a CoreFoundation reference, when not null, at the end of its scope.
class CFReleaseGuard
{
public:
  explicit CFReleaseGuard(CFTypeRef ref) : mRef(ref) {}
  ~CFReleaseGuard()
  {
    if (mRef)
      CFRelease(mRef);
  }
  CFReleaseGuard(const CFReleaseGuard&) = delete;
  CFReleaseGuard& operator=(const CFReleaseGuard&) = delete;

private:
  CFTypeRef mRef;
};

} // namespace plug::igraphics
