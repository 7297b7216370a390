#include "platform/mac/CoreTextFont.h"
#include "platform/mac/SfntFaceInfo.h"
#include "standin/coretext/StbTrueType.h"
#include "tests/support/FontFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <sanitizer/asan_interface.h>
#include <string>
#include <vector>


using namespace testsupport;
using plug::igraphics::FindFontFaceIndex;
using plug::igraphics::SfntFaceInfo;

namespace {

using Bytes = std::vector<uint8_t>;

SfntFaceInfo Parse(const Bytes& bytes, int face) { return SfntFaceInfo(bytes.data(), static_cast<int>(bytes.size()), face); }

// The facts of a face as stb_truetype finds them, printed for comparison.
std::string StbFacts(const Bytes& bytes, int face)
{
  stbtt_fontinfo info;
  if (!stbtt_InitFont(&info, bytes.data(), stbtt_GetFontOffsetForIndex(bytes.data(), face)))
    return "not a font";
  const auto name = [&](int id) {
    int length = 0;
    const char* text = stbtt_GetFontNameString(&info, &length, STBTT_PLATFORM_ID_MICROSOFT, STBTT_MS_EID_UNICODE_BMP, STBTT_MS_LANG_ENGLISH, id);
    std::string ascii;
    for (int i = 1; text && i < length; i += 2)
      ascii.push_back(text[i]);
    return ascii;
  };
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  const long unitsPerEm = std::lround(1.0 / stbtt_ScaleForMappingEmToPixels(&info, 1.0f));
  const int macStyle = (bytes[info.head + 44] << 8) | bytes[info.head + 45];
  return "head " + std::to_string(info.head) + ", hhea " + std::to_string(info.hhea) + ", " + name(1) + " " + name(2) +
         ", em " + std::to_string(unitsPerEm) + ", style bits " + std::to_string(macStyle) + ", metrics " + std::to_string(ascent) +
         " " + std::to_string(descent) + " " + std::to_string(gap);
}

std::string Facts(const SfntFaceInfo& f)
{
  if (!f.IsValid())
    return "not a font";
  return "head " + std::to_string(f.mHead) + ", hhea " + std::to_string(f.mHhea) + ", " + f.mFamily.Get() + " " + f.mStyle.Get() +
         ", em " + std::to_string(f.mUnitsPerEm) + ", style bits " + std::to_string(f.mMacStyle) + ", metrics " +
         std::to_string(f.mAscender) + " " + std::to_string(f.mDescender) + " " + std::to_string(f.mLineGap);
}

Bytes WithSignature(Bytes font, const char* signature)
{
  std::copy(signature, signature + 4, font.begin());
  return font;
}

} // namespace

TEST(SfntReader, FactsOfRealFontsAndCollectionFacesEqualStbTrueTypes)
{
  const Bytes regular = ReadBytes(RobotoRegularPath());
  const Bytes bold = ReadBytes(RobotoBoldPath());
  const Bytes collection = MakeFontCollection({regular, bold});
  const struct
  {
    const Bytes& bytes;
    int face;
    const char* expected;
  } cases[] = {
    {regular, 0, "head 220, hhea 276, Roboto Regular, em 2048, style bits 0, metrics 1900 -500 0"},
    {bold, 0, "head 220, hhea 276, Roboto Bold, em 2048, style bits 1, metrics 1900 -500 0"},
    {ReadBytes(LatoBoldPath()), 0, nullptr},
    {collection, 0, nullptr},
    {collection, 1, nullptr},
  };
  for (const auto& c : cases)
  {
    const SfntFaceInfo facts = Parse(c.bytes, c.face);
    EXPECT_EQ(Facts(facts), StbFacts(c.bytes, c.face));
    if (c.expected)
    {
      EXPECT_EQ(Facts(facts), c.expected);
    }
    EXPECT_NE(facts.mName, 0u);
    EXPECT_EQ(facts.mFdsc, 0u);
  }
  EXPECT_EQ(Parse(collection, 1).mFaceStart, collection.data() + ((collection[16] << 24) | (collection[17] << 16) | (collection[18] << 8) | collection[19]));
}

TEST(SfntReader, AcceptedSignaturesCollectionVersionsAndFaceIndices)
{
  const Bytes font = MakeNamedFont("Family", "Regular");
  for (const char* signature : {"\x00\x01\x00\x00", "1\0\0\0", "OTTO", "typ1"})
  {
    const Bytes signed_ = WithSignature(font, signature);
    EXPECT_TRUE(Parse(signed_, 0).IsValid()) << signature;
    EXPECT_EQ(Parse(signed_, 1).mFaceStart, nullptr) << "a plain font has face 0 only";
  }
  const SfntFaceInfo apple = Parse(WithSignature(font, "true"), 0);
  EXPECT_EQ(apple.mFaceStart, nullptr) << "an Apple 'true' font is not read";
  EXPECT_EQ(Facts(apple), "not a font");
  EXPECT_EQ(apple.mUnitsPerEm, 0);
  EXPECT_EQ(apple.mFamily.GetLength(), 0);

  for (uint16_t version : {1, 2, 0, 3})
  {
    const Bytes collection = MakeFontCollection({font, font}, version);
    const bool accepted = version == 1 || version == 2;
    EXPECT_EQ(Parse(collection, 1).IsValid(), accepted) << "version " << version;
    EXPECT_FALSE(Parse(collection, 2).IsValid()) << "past the face count";
    EXPECT_FALSE(Parse(collection, -1).IsValid()) << "compared unsigned";
  }
  // A face offset or table directory past the end, and tables whose fields would be read past
  // it, count as missing.
  Bytes pastEnd = MakeFontCollection({font});
  pastEnd[15] = 0xF0;
  EXPECT_EQ(Parse(pastEnd, 0).mFaceStart, nullptr);
  const Bytes shortHead = MakeSfnt({{"hhea", MakeHhea(1, -1, 0)}, {"name", MakeName({})}, {"head", Bytes(40, 0)}});
  EXPECT_EQ(Parse(shortHead, 0).mHead, 0u);
  const Bytes noHhea = MakeSfnt({{"head", MakeHead(1000, 0)}, {"name", MakeName({{3, 1, 1033, 1, "F"}})}});
  EXPECT_EQ(Facts(Parse(noHhea, 0)), "not a font");
  EXPECT_EQ(Parse(noHhea, 0).mFamily.GetLength(), 0) << "names are read only for valid facts";
  EXPECT_EQ(Parse(Bytes{}, 0).mFaceStart, nullptr);
  EXPECT_EQ(SfntFaceInfo(nullptr, 100, 0).mFaceStart, nullptr);
}

TEST(SfntReader, FaceLookupByStyleStopsAtTheFirstInvalidFace)
{
  const Bytes regular = MakeNamedFont("Pair", "Regular");
  const Bytes bold = MakeNamedFont("Pair", "Bold");
  const Bytes unnamed = MakeNamedFont("Pair", "");
  const auto find = [](const Bytes& b, const char* style) { return FindFontFaceIndex(b.data(), static_cast<int>(b.size()), style); };
  const Bytes pair = MakeFontCollection({regular, bold});
  EXPECT_EQ(find(pair, "Bold"), 1);
  EXPECT_EQ(find(pair, "Regular"), 0);
  EXPECT_EQ(find(pair, "bold"), -1) << "case-sensitive";
  EXPECT_EQ(find(pair, "Italic"), -1);
  EXPECT_EQ(find(MakeFontCollection({unnamed, bold}), ""), 1) << "the first face with a style name";
  EXPECT_EQ(find(MakeFontCollection({regular, Bytes(64, 0), bold}), "Bold"), -1) << "no look past a broken face";
  EXPECT_EQ(find(regular, "Bold"), -1);
  EXPECT_EQ(find(regular, nullptr), 0);
}

TEST(SfntReader, NameRecordsUnicodeFirstMacintoshByteForByteNeverPastTheData)
{
  const auto font = [](const std::vector<NameRecord>& names) {
    return MakeSfnt({{"head", MakeHead(1000, 0)}, {"hhea", MakeHhea(800, -200, 0)}, {"name", MakeName(names)}});
  };
  // Only a Macintosh family: its bytes as they are (0x8E is "é" in Mac Roman, not converted).
  const Bytes macOnly = font({{1, 0, 0, 1, "Caf\x8E"}, {3, 1, 1031, 1, "German"}});
  SfntFaceInfo mac = Parse(macOnly, 0);
  EXPECT_STREQ(mac.mFamily.Get(), "Caf\x8E");
  EXPECT_STREQ(mac.ReadNameRecord(1, true).Get(), "") << "only English (US) Unicode records count";

  // Unicode wins; a surrogate pair becomes four UTF-8 bytes, a zero unit ends the name, a lone
  // surrogate becomes U+FFFD.
  const Bytes unicode = font({{1, 0, 0, 1, "Mac"}, {3, 1, 1033, 1, "A\xF0\x9D\x84\x9E" "B"}, {3, 1, 1033, 2, std::string("Bo\0ld", 5)},
                              {3, 1, 1033, 3, "\xED\xA0\x80x"}});
  SfntFaceInfo u = Parse(unicode, 0);
  EXPECT_STREQ(u.mFamily.Get(), "A\xF0\x9D\x84\x9E" "B");
  EXPECT_STREQ(u.mStyle.Get(), "Bo");
  EXPECT_STREQ(u.GetName(3).Get(), "\xEF\xBF\xBDx");
  EXPECT_STREQ(u.ReadNameRecord(1, false).Get(), "Mac");

  // A Macintosh record of length 0 runs to the first zero byte, or to the end of the data.
  Bytes zeroLength = font({{1, 0, 0, 1, std::string("Zed\0tail", 8), 0}});
  EXPECT_STREQ(Parse(zeroLength, 0).mFamily.Get(), "Zed");
  Bytes atEnd = font({{1, 0, 0, 1, "Open", 0}});
  EXPECT_STREQ(Parse(atEnd, 0).mFamily.Get(), "Open");
  // A record whose text would run past the end reads as no name.
  EXPECT_STREQ(Parse(font({{3, 1, 1033, 1, "Long", 200}}), 0).mFamily.Get(), "");
  EXPECT_STREQ(Parse(font({{1, 0, 0, 1, "Long", 200}}), 0).mFamily.Get(), "");
}

// Every prefix of a real font is read with the bytes past its end made unreadable (under
// AddressSanitizer; elsewhere the test still runs the reader), and the whole loader runs over
// a sample of prefixes and over copies with random bytes changed.
TEST(SfntReader, EveryPrefixAndRandomDamageOfARealFontIsReadInsideItsBytes)
{
  const Bytes roboto = ReadBytes(RobotoRegularPath());
  const size_t size = roboto.size();
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size));
  ASSERT_NE(buffer, nullptr);
  std::copy(roboto.begin(), roboto.end(), buffer);
  int valid = 0;
  for (size_t n = size;; --n)
  {
    const SfntFaceInfo facts(buffer, static_cast<int>(n), 0);
    valid += facts.IsValid();
    FindFontFaceIndex(buffer, static_cast<int>(n), "Regular");
    if (n == 0)
      break;
    // From here on byte n - 1 is past the end.
    const size_t granule = (n - 1) / 8 * 8;
    ASAN_POISON_MEMORY_REGION(buffer + n - 1, std::min(size, granule + 16) - (n - 1));
  }
  ASAN_UNPOISON_MEMORY_REGION(buffer, size);
  std::free(buffer);
  EXPECT_GT(valid, 0);

  const auto load = [](const uint8_t* bytes, size_t n) {
    plug::igraphics::PlatformFontPtr font = plug::igraphics::LoadCoreTextFontFromMemory("fuzz", bytes, static_cast<int>(n));
    if (!font)
      return false;
    plug::igraphics::PlatformFontData* data = font->GetFontData();
    const bool loaded = data && data->mBytes.GetLength() == static_cast<int>(n) && data->mFaceIndex == 0;
    plug::igraphics::DeletePlatformFontData(data);
    return loaded;
  };
  for (size_t n = 0; n < size; n += n < 4096 ? 1 : 97)
    load(roboto.data(), n);
  EXPECT_TRUE(load(roboto.data(), size));

  std::mt19937 random(15);
  for (int round = 0; round < 300; ++round)
  {
    Bytes damaged = roboto;
    const int flips = 1 + round % 8;
    for (int i = 0; i < flips; ++i)
      damaged[random() % 2048 + (round % 3 ? 0 : random() % (size - 2048))] ^= static_cast<uint8_t>(1 + random() % 255);
    for (int face = -1; face < 2; ++face)
      Parse(damaged, face);
    FindFontFaceIndex(damaged.data(), static_cast<int>(size), "Bold");
    load(damaged.data(), size);
  }
  EXPECT_EQ(standin::CGDataProvider::Class().LiveCount(), 0);
  EXPECT_EQ(standin::CTFontDescriptor::Class().LiveCount(), 0);
}
