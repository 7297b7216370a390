#include "aax/library/AAX_CChunkDataParser.h"
#include "tests/aax/ChunkLoadCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

// A host chunk record with room for `dataSize` data bytes.
struct Record
{
  explicit Record(size_t dataSize) : mBytes(AAX_ChunkRecordSize(dataSize), 0xEE) {}
  AAX_SPlugInChunk* Get() { return reinterpret_cast<AAX_SPlugInChunk*>(mBytes.data()); }
  Bytes Data() const { return Bytes(mBytes.begin() + 56, mBytes.end()); }
  std::vector<uint8_t> mBytes;
};

Bytes Save(const AAX_CChunkDataParser& parser)
{
  Record record(static_cast<size_t>(parser.GetChunkDataSize()));
  EXPECT_EQ(parser.GetChunkData(record.Get()), AAX_SUCCESS);
  EXPECT_EQ(record.Get()->fSize, parser.GetChunkDataSize());
  return record.Data();
}

AAX_CChunkDataParser Load(const Bytes& data, int32_t version = 1)
{
  Record record(data.size());
  if (!data.empty())
    std::memcpy(record.mBytes.data() + 56, data.data(), data.size());
  record.Get()->fSize = static_cast<int32_t>(data.size());
  record.Get()->fVersion = version;
  AAX_CChunkDataParser parser;
  parser.LoadChunk(record.Get());
  return parser;
}

const Bytes kMarker = {1, 1, 1, 1};
} // namespace

TEST(AAXChunkParser, GoldenBytes)
{
  AAX_CChunkDataParser empty;
  EXPECT_EQ(empty.GetChunkDataSize(), 4);
  EXPECT_EQ(Save(empty), kMarker);

  AAX_CChunkDataParser gain;
  gain.AddInt32("Gain", 1);
  EXPECT_EQ(gain.GetChunkDataSize(), 16);
  EXPECT_EQ(Save(gain), (Bytes{1, 1, 1, 1, 'l', '_', 'G', 'a', 'i', 'n', 0, 0, 0, 0, 0, 1}));

  AAX_CChunkDataParser text;
  text.AddString("x", AAX_CString("abc"));
  EXPECT_EQ(Save(text), (Bytes{1, 1, 1, 1, 'r', '_', 'x', 0, 'a', 'b', 'c', 0}));

  AAX_CChunkDataParser mixed;
  mixed.AddDouble("d", 1.0);
  mixed.AddInt16("s", -2);
  mixed.AddFloat("f", -1.0f);
  mixed.AddString("", AAX_CString("abcd"));
  EXPECT_EQ(Save(mixed), (Bytes{1, 1, 1, 1,                                   //
                                'd', '_', 'd', 0, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, //
                                's', '_', 's', 0, 0xFF, 0xFE, 0, 0,             //
                                'f', '_', 'f', 0, 0xBF, 0x80, 0, 0,             //
                                'r', '_', 0, 0, 'a', 'b', 'c', 'd', 0, 0, 0, 0}));
}

TEST(AAXChunkParser, FindsByNameAndType)
{
  AAX_CChunkDataParser p;
  p.AddDouble("a", 1.0);
  p.AddDouble("b", 2.0);
  p.AddInt32("c", 3);
  double d = 0;
  int32_t i = 0;
  float f = 7.0f;
  EXPECT_TRUE(p.FindInt32("c", &i));
  EXPECT_EQ(i, 3);
  // After a hit on the last entry the search wraps around to the first.
  EXPECT_TRUE(p.FindDouble("a", &d));
  EXPECT_EQ(d, 1.0);
  EXPECT_TRUE(p.FindDouble("b", &d));
  EXPECT_TRUE(p.FindDouble("a", &d)); // wraps from the middle too
  EXPECT_EQ(d, 1.0);
  // A name of another type or a missing name leaves the output alone.
  EXPECT_FALSE(p.FindFloat("a", &f));
  EXPECT_FALSE(p.FindFloat("zz", &f));
  EXPECT_FALSE(p.FindFloat(nullptr, &f));
  EXPECT_EQ(f, 7.0f);

  EXPECT_TRUE(p.ReplaceDouble("b", 5.0));
  EXPECT_FALSE(p.ReplaceDouble("c", 5.0));
  EXPECT_TRUE(p.FindDouble("b", &d));
  EXPECT_EQ(d, 5.0);

  p.Clear();
  EXPECT_TRUE(p.IsEmpty());
  EXPECT_EQ(p.ChunkVersion(), -1);
  EXPECT_FALSE(p.FindDouble("a", &d));

  int32_t n = 5;
  EXPECT_EQ(AAX_CChunkDataParser::RoundUpTo4(&n), 8);
  EXPECT_EQ(n, 8);
  n = INT32_MAX;
  EXPECT_EQ(AAX_CChunkDataParser::RoundUpTo4(&n) % 4, 0);
}

TEST(AAXChunkParser, RandomEntryListsRoundTrip)
{
  std::mt19937 rng(1234);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto text = [&](int maxLength) {
    std::string s(static_cast<size_t>(pick(0, maxLength)), ' ');
    for (char& c : s)
      c = static_cast<char>(pick(1, 255)); // any byte but NUL
    return s;
  };

  for (int round = 0; round < 300; ++round)
  {
    AAX_CChunkDataParser p;
    const int count = pick(0, 12);
    for (int k = 0; k < count; ++k)
    {
      const std::string name = text(40);
      switch (pick(1, 5))
      {
        case 1:
        {
          const uint32_t bits = static_cast<uint32_t>(rng());
          float v;
          std::memcpy(&v, &bits, sizeof v); // any bit pattern, NaNs included
          p.AddFloat(name.c_str(), v);
          break;
        }
        case 2: p.AddInt32(name.c_str(), static_cast<int32_t>(rng())); break;
        case 3:
        {
          const uint64_t bits = (uint64_t(rng()) << 32) | rng();
          double v;
          std::memcpy(&v, &bits, sizeof v);
          p.AddDouble(name.c_str(), v);
          break;
        }
        case 4: p.AddInt16(name.c_str(), static_cast<int16_t>(rng())); break;
        default: p.AddString(name.c_str(), AAX_CString(text(30))); break;
      }
    }
    const Bytes data = Save(p);
    ASSERT_EQ(data.size() % 4, 0u);
    const AAX_CChunkDataParser q = Load(data, round);
    EXPECT_EQ(q.ChunkVersion(), round);
    ASSERT_EQ(q.Entries().size(), p.Entries().size()) << "round " << round;
    for (size_t k = 0; k < p.Entries().size(); ++k)
      EXPECT_TRUE(chunkcheck::SameEntry(p.Entries()[k], q.Entries()[k])) << round << "/" << k;
  }
}

TEST(AAXChunkParser, WritingNeverPassesTheBuffer)
{
  AAX_CChunkDataParser p;
  p.AddInt32("Gain", 1);
  p.AddDouble("Drive", 0.5);
  const int32_t size = p.GetChunkDataSize();
  ASSERT_EQ(size, 32);

  for (int32_t capacity = 0; capacity < size; ++capacity)
  {
    Bytes buffer(static_cast<size_t>(size) + 8, 0xEE);
    int32_t written = -1;
    EXPECT_EQ(p.WriteChunkData(buffer.data(), capacity, &written), AAX_CChunkDataParser::kChunkOverflow);
    EXPECT_EQ(written, -1);
    for (size_t k = static_cast<size_t>(capacity); k < buffer.size(); ++k)
      ASSERT_EQ(buffer[k], 0xEE) << "capacity " << capacity << " byte " << k;
  }

  // Names and strings carry only their text up to a NUL, so an embedded NUL cannot shift
  // the layout.
  AAX_CChunkDataParser q;
  q.AddString(std::string("n\0m", 3).c_str(), AAX_CString(std::string("ab\0cd", 5)));
  q.AddInt32("after", 9);
  const AAX_CChunkDataParser back = Load(Save(q));
  int32_t v = 0;
  AAX_CString s;
  EXPECT_TRUE(Load(Save(q)).Entries().size() == 2);
  AAX_CChunkDataParser copy = back;
  EXPECT_TRUE(copy.FindString("n", &s));
  EXPECT_EQ(s, std::string("ab"));
  EXPECT_TRUE(copy.FindInt32("after", &v));
  EXPECT_EQ(v, 9);

  EXPECT_EQ(p.GetChunkData(nullptr), AAX_ERROR_NULL_ARGUMENT);
}

TEST(AAXChunkParser, MalformedChunksEndTheLoadCleanly)
{
  AAX_CChunkDataParser two;
  two.AddInt32("Gain", 1);
  two.AddDouble("Drive", 0.5);
  const Bytes good = Save(two);
  ASSERT_EQ(Load(good).Entries().size(), 2u);

  // Wrong marker, too short, negative size field: nothing.
  Bytes badMarker = good;
  badMarker[2] = 2;
  AAX_CChunkDataParser none = Load(badMarker);
  int32_t i = 0;
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_FALSE(none.FindInt32("Gain", &i));
  EXPECT_TRUE(Load(kMarker).IsEmpty());
  {
    Record record(good.size());
    std::memcpy(record.mBytes.data() + 56, good.data(), good.size());
    record.Get()->fSize = -5;
    AAX_CChunkDataParser p;
    p.LoadChunk(record.Get());
    EXPECT_TRUE(p.IsEmpty());
    p.LoadChunk(nullptr);
    EXPECT_TRUE(p.IsEmpty());
  }

  // Every truncation keeps only the whole entries before the cut.
  for (size_t cut = 0; cut < good.size(); ++cut)
  {
    const Bytes part(good.begin(), good.begin() + static_cast<long>(cut));
    const size_t expected = cut >= 16 ? 1 : 0;
    EXPECT_EQ(Load(part).Entries().size(), expected) << "cut " << cut;
  }

  // Trailing padding after the last entry.
  Bytes padded = good;
  padded.insert(padded.end(), 8, 0);
  EXPECT_EQ(Load(padded).Entries().size(), 2u);

  // A name without a NUL before the end, and a one-character tag.
  Bytes noNul = kMarker;
  noNul.insert(noNul.end(), {'l', '_', 'a', 'b'});
  EXPECT_TRUE(Load(noNul).IsEmpty());
  Bytes shortTag = kMarker;
  shortTag.insert(shortTag.end(), {'l', 0, 0, 0, 0, 0, 0, 1});
  EXPECT_TRUE(Load(shortTag).IsEmpty());

  // A name longer than the 255-byte window ends the load.
  Bytes longName = kMarker;
  longName.push_back('l');
  longName.push_back('_');
  longName.insert(longName.end(), 300, 'n');
  longName.insert(longName.end(), {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(Load(longName).IsEmpty());

  // A string without its NUL.
  Bytes openString = kMarker;
  openString.insert(openString.end(), {'r', '_', 'x', 0, 'a', 'b', 'c', 'd'});
  EXPECT_TRUE(Load(openString).IsEmpty());

  // An unknown tag keeps its name without a value; loading goes on after it, and writing
  // leaves it out.
  Bytes unknown = kMarker;
  unknown.insert(unknown.end(), {'q', '_', 'u', 0});
  unknown.insert(unknown.end(), good.begin() + 4, good.end());
  AAX_CChunkDataParser withUnknown = Load(unknown);
  ASSERT_EQ(withUnknown.Entries().size(), 3u);
  EXPECT_EQ(withUnknown.Entries()[0].mDataType, AAX_CChunkDataParser::eDataType_None);
  EXPECT_EQ(withUnknown.Entries()[0].mDataName, "u");
  EXPECT_EQ(Save(withUnknown), good);
}

// Random and mutated inputs under the sanitizers: the in-tree companion of the fuzz target.
TEST(AAXChunkParser, RandomInputsAreLoadedSafely)
{
  std::mt19937 rng(20261208);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

  AAX_CChunkDataParser seed;
  seed.AddInt32("Gain", 1);
  seed.AddDouble("Drive", 0.25);
  seed.AddInt16("Mode", 3);
  seed.AddFloat("Mix", 0.5f);
  seed.AddString("Name", AAX_CString("Warm"));
  const Bytes valid = Save(seed);
  ASSERT_TRUE(chunkcheck::LoadWriteLoad(valid.data(), valid.size()));

  const char alphabet[] = {0, 1, '_', 'd', 'f', 'l', 's', 'r', 'x', '\xff'};
  for (int round = 0; round < 20000; ++round)
  {
    Bytes input;
    switch (round % 3)
    {
      case 0: // marker and random bytes from a format-heavy alphabet
        input = kMarker;
        for (int k = pick(0, 64); k > 0; --k)
          input.push_back(static_cast<uint8_t>(alphabet[pick(0, sizeof alphabet - 1)]));
        break;
      case 1: // a valid chunk with a few bytes changed
        input = valid;
        for (int k = pick(1, 4); k > 0; --k)
          input[static_cast<size_t>(pick(0, static_cast<int>(input.size()) - 1))] =
            static_cast<uint8_t>(pick(0, 255));
        break;
      default: // a valid chunk cut short or extended with noise
        input = valid;
        input.resize(static_cast<size_t>(pick(0, static_cast<int>(valid.size()) + 12)),
                     static_cast<uint8_t>(pick(0, 255)));
        break;
    }
    ASSERT_TRUE(chunkcheck::LoadWriteLoad(input.data(), input.size())) << "round " << round;
  }
}
