#include "platform/mac/CoreTextFont.h"
#include "platform/mac/FontDescriptorCache.h"
#include "platform/mac/SfntFaceInfo.h"
#include "tests/platform/PlatformTestFolders.h"

#include <gtest/gtest.h>

using namespace plug::igraphics;
using namespace testsupport;

namespace {

using Bytes = std::vector<uint8_t>;

// The font's data: bytes, face index and the family and style read from them.
std::string Summary(PlatformFont& font, const Bytes& file)
{
  PlatformFontData* data = font.GetFontData();
  if (!data)
    return "no data";
  const bool sameBytes = data->mBytes.GetLength() == static_cast<int>(file.size()) &&
                         std::equal(file.begin(), file.end(), static_cast<const uint8_t*>(data->mBytes.Get()));
  std::string summary = std::string(sameBytes ? "file" : "other bytes") + ", face " + std::to_string(data->mFaceIndex) + ", " +
                        data->mFaceInfo.mFamily.Get() + " " + data->mFaceInfo.mStyle.Get();
  EXPECT_TRUE(data->mFaceIndex < 0 || data->mFaceInfo.mFaceStart >= data->mBytes.Get()) << "facts point into the record's own bytes";
  DeletePlatformFontData(data);
  EXPECT_EQ(data, nullptr);
  return summary;
}

std::string DescriptorFamily(PlatformFont& font)
{
  CFTypeRef family = CTFontDescriptorCopyAttribute(static_cast<CTFontDescriptorRef>(font.GetDescriptor()), kCTFontFamilyNameAttribute);
  std::string text = standin::TextOf(family);
  if (family)
    CFRelease(family);
  return text;
}

} // namespace

TEST(PlatformFonts, LoadedFromTheBundleTheSharedFolderAndMemory)
{
  PlatformTestFolders folders;
  const Bytes roboto = ReadBytes(RobotoRegularPath());
  const Bytes lato = ReadBytes(LatoBoldPath());
  WriteBytes(folders.Resources() + "/Roboto-Regular.ttf", roboto);
  WriteBytes(folders.SharedResources() + "/Lato-Bold.ttf", lato);

  PlatformFontPtr fromBundle = LoadCoreTextFontFromFile("Roboto-Regular", "Roboto-Regular.ttf", folders.BundleID(), "Vellicor");
  ASSERT_NE(fromBundle, nullptr);
  EXPECT_FALSE(fromBundle->IsSystem());
  EXPECT_STREQ(static_cast<CoreTextFont&>(*fromBundle).GetStyleName(), "");
  EXPECT_EQ(Summary(*fromBundle, roboto), "file, face 0, Roboto Regular");
  EXPECT_EQ(Summary(*fromBundle, roboto), "file, face 0, Roboto Regular") << "each call copies the file anew";
  EXPECT_EQ(DescriptorFamily(*fromBundle), "Roboto");

  PlatformFontPtr shared = LoadCoreTextFontFromFile("Lato", "Lato-Bold.ttf", folders.BundleID(), "Vellicor");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(Summary(*shared, lato), "file, face 0, Lato Bold");
  EXPECT_EQ(LoadCoreTextFontFromFile("Lato", "Lato-Bold.ttf", folders.BundleID(), ""), nullptr);
  EXPECT_EQ(LoadCoreTextFontFromFile("X", "Missing.ttf", folders.BundleID(), "Vellicor"), nullptr);
  WriteBytes(folders.Resources() + "/Broken.ttf", Bytes(roboto.begin(), roboto.begin() + 1000));
  EXPECT_EQ(LoadCoreTextFontFromFile("X", "Broken.ttf", folders.BundleID(), "Vellicor"), nullptr);

  // From memory: the bytes are copied, so the caller's buffer may change or go at once.
  Bytes buffer = lato;
  PlatformFontPtr fromMemory = LoadCoreTextFontFromMemory("Lato", buffer.data(), static_cast<int>(buffer.size()));
  ASSERT_NE(fromMemory, nullptr);
  std::fill(buffer.begin(), buffer.end(), 0);
  EXPECT_FALSE(fromMemory->IsSystem());
  EXPECT_EQ(Summary(*fromMemory, lato), "file, face 0, Lato Bold");
  EXPECT_EQ(LoadCoreTextFontFromMemory("X", buffer.data(), static_cast<int>(buffer.size())), nullptr);
  EXPECT_EQ(LoadCoreTextFontFromMemory("X", lato.data(), 0), nullptr);
  EXPECT_EQ(LoadCoreTextFontFromMemory("X", nullptr, 100), nullptr);
}

TEST(PlatformFonts, ByNameACollectionFaceIsChosenByStyle)
{
  PlatformTestFolders folders;
  const Bytes pair = MakeFontCollection({ReadBytes(RobotoRegularPath()), ReadBytes(RobotoBoldPath())});
  WriteBytes(folders.Fonts() + "/RobotoPair.ttc", pair);

  PlatformFontPtr bold = LoadCoreTextFontByName("Roboto-Bold", "Roboto", 1);
  ASSERT_NE(bold, nullptr);
  EXPECT_TRUE(bold->IsSystem());
  EXPECT_STREQ(static_cast<CoreTextFont&>(*bold).GetStyleName(), "Bold");
  EXPECT_EQ(Summary(*bold, pair), "file, face 1, Roboto Bold");
  for (int style : {0, 3, -1, 99})
  {
    PlatformFontPtr regular = LoadCoreTextFontByName("Roboto", "Roboto", style);
    ASSERT_NE(regular, nullptr) << style;
    EXPECT_EQ(Summary(*regular, pair), "file, face 0, Roboto Regular") << style;
  }
  EXPECT_EQ(LoadCoreTextFontByName("Roboto", "Roboto", 2), nullptr) << "no italic face";
  EXPECT_EQ(LoadCoreTextFontByName("X", "Helvetica", 0), nullptr);
  EXPECT_EQ(LoadCoreTextFontByName("X", nullptr, 0), nullptr);

  // A style that no face of the file has: face index -1 and no facts.
  NSAutoreleasePool pool;
  CoreTextFont italic(CTFontDescriptorCreateWithAttributes(nullptr),
                      CGDataProviderCreateWithURL(NSURL::fileURLWithPath(NSString::stringWithUTF8String((folders.Fonts() + "/RobotoPair.ttc").c_str()))),
                      "Italic", true);
  EXPECT_EQ(Summary(italic, pair), "file, face -1,  ");
  // Bytes that cannot be copied (no provider to copy them from): no bytes, no face.
  CoreTextFont unreadable(CTFontDescriptorCreateWithAttributes(nullptr), nullptr, "Regular", true);
  EXPECT_EQ(Summary(unreadable, pair), "other bytes, face -1,  ");
}

TEST(PlatformFonts, DescriptorCacheKeepsTheFirstEntryAndEmptiesWithTheLastEditor)
{
  PlatformTestFolders folders;
  WriteBytes(folders.Resources() + "/Roboto-Regular.ttf", ReadBytes(RobotoRegularPath()));
  FontDescriptorCache cache;
  PlatformFontPtr roboto = LoadCoreTextFontFromFile("Roboto", "Roboto-Regular.ttf", folders.BundleID(), "");
  const Bytes latoBytes = ReadBytes(LatoBoldPath());
  PlatformFontPtr lato = LoadCoreTextFontFromMemory("Lato", latoBytes.data(), static_cast<int>(latoBytes.size()));
  ASSERT_TRUE(roboto && lato);

  cache.AddInstance();
  cache.AddInstance();
  CacheCoreTextFontDescriptor("Roboto-Regular", roboto, cache);
  MacFontDescriptorEntry* entry = FindCachedFontDescriptor("Roboto-Regular", cache);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->mDescriptor, roboto->GetDescriptor());
  EXPECT_DOUBLE_EQ(entry->mEmRatio, 2048.0 / 2400.0) << "Roboto: 2048 units, ascender 1900, descender -500";
  const auto descriptorRetains = [](PlatformFontPtr& font) { return CFGetRetainCount(static_cast<CTFontDescriptorRef>(font->GetDescriptor())); };
  const long latoRetains = descriptorRetains(lato);
  CacheCoreTextFontDescriptor("Roboto-Regular", lato, cache);
  EXPECT_EQ(FindCachedFontDescriptor("Roboto-Regular", cache), entry) << "the first entry of an id stays";
  EXPECT_EQ(descriptorRetains(lato), latoRetains);
  EXPECT_EQ(cache.Size(), 1);

  // Entries are keyed by hash, exact scale and name.
  {
    std::lock_guard<std::mutex> lock(cache.Mutex());
    EXPECT_EQ(cache.Find("Roboto-Regular", 1.04), nullptr) << "same key text -1.0x, other scale";
    EXPECT_EQ(cache.Find("roboto-regular", 1.0), nullptr);
    cache.Add(new MacFontDescriptorEntry(nullptr, 2.0), "Roboto-Regular", 2.0);
    EXPECT_EQ(cache.Find("Roboto-Regular", 2.0)->mEmRatio, 2.0);
  }
  // The hash is the text's: two copies of a key in different places hash alike.
  const std::string key = "Roboto-Regular-1.0x", copy = key;
  EXPECT_EQ(FontDescriptorCache::KeyHash(key.c_str()), FontDescriptorCache::KeyHash(copy.c_str()));
  EXPECT_NE(FontDescriptorCache::KeyHash("Roboto-Regular-1.0x"), FontDescriptorCache::KeyHash("Roboto-Regular-2.0x"));

  // The cached descriptor outlives the font; the last editor to go empties the cache.
  roboto.reset();
  lato.reset();
  EXPECT_EQ(standin::CTFontDescriptor::Class().LiveCount(), 1);
  cache.RemoveInstance();
  EXPECT_EQ(cache.Size(), 2) << "one editor is still open";
  cache.RemoveInstance();
  EXPECT_EQ(cache.Size(), 0);
  EXPECT_EQ(cache.InstanceCount(), 0);
  EXPECT_EQ(FindCachedFontDescriptor("Roboto-Regular", cache), nullptr);
}

TEST(PlatformFonts, EmRatioIsOneWhenAscenderEqualsDescender)
{
  const Bytes flat = MakeNamedFont("Flat", "Regular", 1000, 700, 700);
  EXPECT_EQ(FontEmRatio(SfntFaceInfo(flat.data(), static_cast<int>(flat.size()), 0)), 1.0);
  const Bytes usual = MakeNamedFont("Usual", "Regular", 2048, 1900, -500);
  EXPECT_DOUBLE_EQ(FontEmRatio(SfntFaceInfo(usual.data(), static_cast<int>(usual.size()), 0)), 0.85333333333333333);
}
