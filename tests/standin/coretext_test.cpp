#include "standin/coretext/CoreText.h"
#include "tests/support/FontFiles.h"
#include "tests/support/ReturnsInTime.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Every object of the CoreText stand-in made in a test is gone at its end.
class CoreTextStandIn : public ::testing::Test
{
protected:
  void TearDown() override
  {
    EXPECT_EQ(standin::CGDataProvider::Class().LiveCount(), 0);
    EXPECT_EQ(standin::CGFont::Class().LiveCount(), 0);
    EXPECT_EQ(standin::CTFont::Class().LiveCount(), 0);
    EXPECT_EQ(standin::CTFontDescriptor::Class().LiveCount(), 0);
    EXPECT_EQ(NSURL::Class().LiveCount(), 0);
  }
};

std::string Attribute(CTFontDescriptorRef descriptor, CFStringRef key)
{
  CFTypeRef value = CTFontDescriptorCopyAttribute(descriptor, key);
  std::string text = standin::TextOf(value);
  if (const NSURL* url = dynamic_cast<const NSURL*>(value))
    text = url->path()->UTF8String();
  if (value)
    CFRelease(value);
  return text;
}

struct Released
{
  static inline int sCalls = 0;
  static void Callback(void* info, const void* data, size_t size)
  {
    ++sCalls;
    EXPECT_EQ(info, &sCalls);
    EXPECT_NE(data, nullptr);
    EXPECT_GT(size, 0u);
  }
};

} // namespace

TEST_F(CoreTextStandIn, ProvidersHandBytesOverAndReleaseCallerMemoryOnce)
{
  const std::vector<uint8_t> roboto = ReadBytes(RobotoRegularPath());
  Released::sCalls = 0;
  CGDataProviderRef provider = CGDataProviderCreateWithData(&Released::sCalls, roboto.data(), roboto.size(), Released::Callback);
  ASSERT_NE(provider, nullptr);
  CGFontRef font = CGFontCreateWithDataProvider(provider);
  ASSERT_NE(font, nullptr);
  CGDataProviderRelease(provider);
  EXPECT_EQ(Released::sCalls, 0) << "the font still holds the provider";
  CFDataRef copy = CGDataProviderCopyData(font->Provider());
  ASSERT_EQ(static_cast<size_t>(CFDataGetLength(copy)), roboto.size());
  EXPECT_EQ(std::vector<uint8_t>(CFDataGetBytePtr(copy), CFDataGetBytePtr(copy) + roboto.size()), roboto);
  CFRelease(copy);
  CGFontRelease(font);
  EXPECT_EQ(Released::sCalls, 1);

  NSAutoreleasePool pool;
  CGDataProviderRef fromFile = CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String(LatoBoldPath().c_str())));
  ASSERT_NE(fromFile, nullptr);
  EXPECT_EQ(fromFile->Size(), ReadBytes(LatoBoldPath()).size());
  CGDataProviderRelease(fromFile);
  EXPECT_EQ(CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String("/no/such/font.ttf"))), nullptr);
  EXPECT_EQ(CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String("/"))), nullptr);
  CGDataProviderRelease(nullptr); // ignored, as on the platform
}

TEST_F(CoreTextStandIn, GraphicsFontsAreOnlyFontsStbTrueTypeLoads)
{
  const auto load = [](const std::vector<uint8_t>& bytes) {
    CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr);
    CGFontRef font = CGFontCreateWithDataProvider(provider);
    CGDataProviderRelease(provider);
    const bool loaded = font != nullptr;
    CGFontRelease(font);
    return loaded;
  };
  const std::vector<uint8_t> roboto = ReadBytes(RobotoRegularPath());
  EXPECT_TRUE(load(roboto));
  EXPECT_TRUE(load(MakeFontCollection({roboto}))) << "face 0 of a collection";
  EXPECT_FALSE(load(MakeNamedFont("Only", "Names"))) << "no cmap, no outlines";
  EXPECT_FALSE(load(std::vector<uint8_t>(64, 0x5A)));
  EXPECT_FALSE(load(std::vector<uint8_t>(roboto.begin(), roboto.begin() + 300))) << "the tables lie past the end";
}

TEST_F(CoreTextStandIn, DescriptorsMatchTheSystemFolderByNameWithStbTrueTypesNames)
{
  TempDir fonts;
  const std::vector<uint8_t> regular = ReadBytes(RobotoRegularPath());
  WriteBytes(fonts.File("Roboto-Regular.ttf"), regular);
  WriteBytes(fonts.File("sub/Lato-Bold.TTF"), ReadBytes(LatoBoldPath()));
  WriteBytes(fonts.File("Pair.ttc"), MakeFontCollection({regular, ReadBytes(RobotoBoldPath())}));
  WriteBytes(fonts.File("notes.txt"), regular); // not a font file name
  standin::SetSystemFontFolder(fonts.Path());

  NSAutoreleasePool pool;
  const auto match = [&](const char* family, const char* style, bool styleMandatory) {
    std::vector<std::string> found;
    std::vector<const NSObject*> keys{kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
    std::vector<const NSObject*> values{NSString::stringWithUTF8String(family), NSString::stringWithUTF8String(style)};
    CTFontDescriptorRef wanted = CTFontDescriptorCreateWithAttributes(Autoreleased(new NSDictionary(keys, values)));
    CFSetRef mandatory = styleMandatory ? Autoreleased(new NSSet(keys)) : Autoreleased(new NSSet({kCTFontFamilyNameAttribute}));
    CFArrayRef matches = CTFontDescriptorCreateMatchingFontDescriptors(wanted, mandatory);
    for (CFIndex i = 0; matches && i < CFArrayGetCount(matches); ++i)
    {
      auto d = static_cast<CTFontDescriptorRef>(CFArrayGetValueAtIndex(matches, i));
      found.push_back(Attribute(d, kCTFontFamilyNameAttribute) + "/" + Attribute(d, kCTFontStyleNameAttribute) + "/" +
                      Attribute(d, kCTFontNameAttribute) + " in " + Attribute(d, kCTFontURLAttribute).substr(fonts.Path().size()));
    }
    if (matches)
      CFRelease(matches);
    CFRelease(wanted);
    return found;
  };
  EXPECT_EQ(match("Roboto", "Bold", true), std::vector<std::string>{"Roboto/Bold/Roboto-Bold in /Pair.ttc"});
  EXPECT_EQ(match("roboto", "REGULAR", true),
            (std::vector<std::string>{"Roboto/Regular/Roboto-Regular in /Pair.ttc", "Roboto/Regular/Roboto-Regular in /Roboto-Regular.ttf"}));
  EXPECT_EQ(match("Lato", "Italic", false), std::vector<std::string>{"Lato/Bold/Lato-Bold in /sub/Lato-Bold.TTF"})
    << "a style that is not mandatory only orders the matches";
  EXPECT_TRUE(match("Lato", "Italic", true).empty());
  EXPECT_TRUE(match("Helvetica", "Regular", true).empty());

  // A font made from a graphics font describes itself with the same names.
  CGDataProviderRef provider = CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String(LatoBoldPath().c_str())));
  CGFontRef graphicsFont = CGFontCreateWithDataProvider(provider);
  CTFontRef font = CTFontCreateWithGraphicsFont(graphicsFont, 0.0, nullptr, nullptr);
  EXPECT_EQ(CTFontGetSize(font), 12.0);
  CTFontDescriptorRef descriptor = CTFontCopyFontDescriptor(font);
  EXPECT_EQ(Attribute(descriptor, kCTFontFamilyNameAttribute) + "/" + Attribute(descriptor, kCTFontStyleNameAttribute) + "/" +
              Attribute(descriptor, kCTFontNameAttribute),
            "Lato/Bold/Lato-Bold");
  EXPECT_EQ(CTFontDescriptorCopyAttribute(descriptor, kCTFontURLAttribute), nullptr);
  CFRelease(descriptor);
  CFRelease(font);
  CGFontRelease(graphicsFont);
  CGDataProviderRelease(provider);
  standin::SetSystemFontFolder("/usr/share/fonts");
}

TEST_F(CoreTextStandIn, AFifoAmongTheSystemFontsOrUnderAFontURLIsPassedOverAtOnce)
{
  // Nobody writes the FIFO: a reader that waited for a writer would never return.
  TempDir fonts;
  WriteBytes(fonts.File("Roboto-Regular.ttf"), ReadBytes(RobotoRegularPath()));
  ASSERT_EQ(mkfifo(fonts.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink(fonts.File("fifo").c_str(), fonts.File("Fifo.ttf").c_str()), 0);
  standin::SetSystemFontFolder(fonts.Path());
  int matches = -1;
  EXPECT_TRUE(ReturnsInTime(
    10.0,
    [&]() {
      NSAutoreleasePool pool;
      CTFontDescriptorRef wanted = CTFontDescriptorCreateWithAttributes(
        Autoreleased(new NSDictionary({kCTFontFamilyNameAttribute}, {NSString::stringWithUTF8String("Roboto")})));
      CFArrayRef found =
        CTFontDescriptorCreateMatchingFontDescriptors(wanted, Autoreleased(new NSSet({kCTFontFamilyNameAttribute})));
      const int count = found ? static_cast<int>(CFArrayGetCount(found)) : 0;
      CGDataProviderRef provider =
        CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String(fonts.File("Fifo.ttf").c_str())));
      return provider ? 100 : count;
    },
    &matches));
  EXPECT_EQ(matches, 1) << "Roboto found, the FIFO passed over, no provider for it";
  standin::SetSystemFontFolder("/usr/share/fonts");
}
