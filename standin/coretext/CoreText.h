#pragma once
// Stand-in for the CoreText pieces the platform fonts use: font descriptors (attributes:
// family, style, PostScript name, file URL), fonts made from graphics fonts, and matching
// descriptors against the fonts of the system-font folder. Names are read with stb_truetype's
// own name lookup (FontFile.h). Create and Copy functions return owned references.
#include "standin/coretext/CoreGraphics.h"

#include <string>

namespace standin {

class CTFontDescriptor : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Retains the attributes (an empty dictionary for null).
  explicit CTFontDescriptor(const NSDictionary* attributes, standin::RuntimeClass& cls = Class());
  ~CTFontDescriptor() override;

  const NSDictionary* Attributes() const { return mAttributes; }

private:
  const NSDictionary* mAttributes;
};

class CTFont : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // Retains the graphics font.
  CTFont(CGFont* font, CGFloat size, standin::RuntimeClass& cls = Class());
  ~CTFont() override;

  CGFont* GraphicsFont() const { return mFont; }
  CGFloat Size() const { return mSize; }

private:
  CGFont* mFont;
  CGFloat mSize;
};

// The folder whose fonts (.ttf, .otf, .ttc, .otc files, searched below it) descriptors are
// matched against; by default /usr/share/fonts. Setting it (even to the same folder) makes the
// next match look at the folder afresh; until then what it found is kept.
void SetSystemFontFolder(const std::string& folder);
std::string SystemFontFolder();

} // namespace standin

typedef const standin::CTFontDescriptor* CTFontDescriptorRef;
typedef const standin::CTFont* CTFontRef;

extern const CFStringRef kCTFontFamilyNameAttribute;
extern const CFStringRef kCTFontStyleNameAttribute;
extern const CFStringRef kCTFontNameAttribute;
extern const CFStringRef kCTFontURLAttribute;

// A font of the graphics font at the size (12 for 0); the matrix and attributes are not used.
// Null for a null graphics font.
CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform* matrix,
                                       CTFontDescriptorRef attributes);
// The font's family, style and PostScript name.
CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font);
CGFloat CTFontGetSize(CTFontRef font);

CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes);
// The value of the attribute, or null.
CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute);
// Descriptors (family, style, PostScript name, URL) of the system-font folder's faces whose
// names equal, ignoring ASCII case, the descriptor's values for every mandatory attribute
// (family, style or PostScript name; with no set, the family and the name where given). Faces
// that also match the other attributes come first, then files in path order. Null when none.
CFArrayRef CTFontDescriptorCreateMatchingFontDescriptors(CTFontDescriptorRef descriptor, CFSetRef mandatoryAttributes);
