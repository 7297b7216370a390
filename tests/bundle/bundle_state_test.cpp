// The state chunk of the real bundle: save, load into a new instance, save again; loading
// twice; comparing; malformed chunks.

#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string>

namespace bundletest {
namespace {

constexpr AAX_CTypeID kVellicorChunkID = AAX_MakeFourCC('Q', 'V', 'l', 'k');
constexpr size_t kChunkBytes = 33 * sizeof(double);

using Bytes = std::vector<uint8_t>;

double ValueAt(const Bytes& chunk, int index)
{
  double value = 0.0;
  std::memcpy(&value, chunk.data() + static_cast<size_t>(index) * sizeof(double), sizeof value);
  return value;
}

void PutValue(Bytes& chunk, int index, double value)
{
  std::memcpy(chunk.data() + static_cast<size_t>(index) * sizeof(double), &value, sizeof value);
}

class BundleStateTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(mSession.Ready()) << mSession.Error(); }

  static Bytes Save(aaxhost::PluginInstance& instance)
  {
    Bytes chunk;
    EXPECT_EQ(instance.GetChunk(kVellicorChunkID, chunk), AAX_SUCCESS);
    return chunk;
  }

  static void Set(aaxhost::PluginInstance& instance, const char* parameter, const char* text)
  {
    const std::string id = instance.FindParameter(parameter);
    ASSERT_FALSE(id.empty()) << parameter;
    ASSERT_EQ(instance.SetFromText(id, text), AAX_SUCCESS) << parameter << " = " << text;
  }

  static void SetNormalized(aaxhost::PluginInstance& instance, const char* id, double value)
  {
    ASSERT_EQ(instance.SetNormalized(id, value), AAX_SUCCESS) << id;
  }

  // Saves the instance, loads the chunk into a fresh instance of the other component, saves
  // that: the bytes must be the same, and loading the same chunk again must change nothing.
  void ExpectRoundTrip(aaxhost::PluginInstance& source, int otherComponent, const char* what)
  {
    SCOPED_TRACE(what);
    const Bytes saved = Save(source);
    ASSERT_EQ(saved.size(), kChunkBytes);
    auto target = mSession.NewInstance(otherComponent);
    ASSERT_TRUE(target);
    ASSERT_EQ(target->SetChunk(kVellicorChunkID, saved), AAX_SUCCESS);
    EXPECT_EQ(Save(*target), saved);
    bool equal = false;
    EXPECT_EQ(target->CompareChunk(kVellicorChunkID, saved, &equal), AAX_SUCCESS);
    EXPECT_TRUE(equal);

    const auto before = target->Parameters();
    ASSERT_EQ(target->SetChunk(kVellicorChunkID, saved), AAX_SUCCESS);
    EXPECT_EQ(Save(*target), saved) << "loading the same chunk twice";
    const auto after = target->Parameters();
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i)
    {
      EXPECT_EQ(before[i].normalized, after[i].normalized) << before[i].id;
      EXPECT_EQ(before[i].text, after[i].text) << before[i].id;
    }
  }

  BundleSession mSession;
};

TEST_F(BundleStateTest, SaveLoadSaveGivesTheSameBytes)
{
  auto instance = mSession.NewInstance(1);
  ASSERT_TRUE(instance);
  // Choosing the tilt tab brings the drive area in line with the tab's stored area (the
  // defaults are not: see the disabled test below).
  Set(*instance, "Tilt Switch", "LO");
  ExpectRoundTrip(*instance, 0, "defaults, LO tab chosen");

  // A characteristic setting across every kind of parameter.
  Set(*instance, "Drive", "72.5");
  Set(*instance, "Drive Tone", "33.3");
  Set(*instance, "OverSampling", "16x");
  Set(*instance, "Stereo Mode", "1");
  Set(*instance, "Mid-Side Pusher", "-40");
  Set(*instance, "Output Bandlimit High", "12");
  SetNormalized(*instance, "10", 1.0); // Limit: the limiter
  ExpectRoundTrip(*instance, 0, "characteristic setting");

  // The A/B selector on B.
  SetNormalized(*instance, "2", 1.0);
  Set(*instance, "Drive", "12");
  ExpectRoundTrip(*instance, 0, "A/B selector on B");

  // Linked gains, then a gain move that the link carries over.
  Set(*instance, "Link Gains", "1");
  Set(*instance, "Input Gain", "5");
  ExpectRoundTrip(*instance, 1, "linked gains");

  // Another tilt tab with its own drive area.
  Set(*instance, "Tilt Switch", "HI");
  Set(*instance, "Drive Area Low", "3000");
  ExpectRoundTrip(*instance, 0, "tilt tab HI");
  Set(*instance, "Tilt Switch", "MD");
  ExpectRoundTrip(*instance, 1, "tilt tab MD");
}

// Restoring a chunk tells the host every value and the host sends each back as an update. A
// fresh instance holds "Drive Area High" 150 Hz while the LO tab stores 250 Hz: reacting to the
// answered "Tilt Switch" would bring its saved session back with 250 Hz. So would the host's own
// update of the tab or the area that repeats the value the instance holds.
TEST_F(BundleStateTest, AFreshInstanceRestoresItsOwnDefaults)
{
  auto instance = mSession.NewInstance(1);
  ASSERT_TRUE(instance);
  ExpectRoundTrip(*instance, 0, "defaults");

  const Bytes saved = Save(*instance);
  for (const char* name : {"Tilt Switch", "Drive Area Low", "Drive Area High"})
  {
    const std::string id = instance->FindParameter(name);
    double normalized = -1.0;
    ASSERT_EQ(instance->Effect()->GetParameterNormalized(id.c_str(), &normalized), AAX_SUCCESS) << name;
    SetNormalized(*instance, id.c_str(), normalized);
  }
  EXPECT_EQ(Save(*instance), saved) << "the host repeating the tab and the area it holds";
}

TEST_F(BundleStateTest, CompareTellsChangedStatesApart)
{
  auto instance = mSession.NewInstance(1);
  ASSERT_TRUE(instance);
  const Bytes saved = Save(*instance);
  bool equal = false;
  EXPECT_EQ(instance->CompareChunk(kVellicorChunkID, saved, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);

  Set(*instance, "Drive", "40");
  EXPECT_EQ(instance->CompareChunk(kVellicorChunkID, saved, &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);

  // Another plug-in's chunk is none of this instance's business: reported equal.
  EXPECT_EQ(instance->CompareChunk(AAX_MakeFourCC('X', 'X', 'X', 'X'), saved, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);

  // A record shorter than one double per parameter is read only as far as it goes.
  EXPECT_EQ(instance->CompareChunk(kVellicorChunkID, Bytes(saved.begin(), saved.begin() + 8), &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);
}

TEST_F(BundleStateTest, MalformedChunksAreRefusedAndChangeNothing)
{
  auto instance = mSession.NewInstance(1);
  ASSERT_TRUE(instance);
  Set(*instance, "Drive", "55");
  const Bytes before = Save(*instance);
  const auto parametersBefore = instance->Parameters();

  // A valid chunk of other values, damaged in several ways.
  auto other = mSession.NewInstance(1);
  ASSERT_TRUE(other);
  Set(*other, "Drive", "90");
  Set(*other, "OverSampling", "None");
  const Bytes good = Save(*other);

  EXPECT_EQ(instance->SetChunk(kVellicorChunkID, Bytes(good.begin(), good.end() - 1)), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(instance->SetChunk(kVellicorChunkID, Bytes(good.begin(), good.begin() + 8)),
            AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(instance->SetChunk(kVellicorChunkID, Bytes()), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(instance->SetChunk(AAX_MakeFourCC('Q', 'V', 'l', 'x'), good), AAX_ERROR_INVALID_CHUNK_ID);

  for (double poison : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()})
  {
    Bytes damaged = good;
    PutValue(damaged, 20, poison);
    EXPECT_NE(instance->SetChunk(kVellicorChunkID, damaged), AAX_SUCCESS) << poison;
  }

  // A record that claims a negative size, handed over directly.
  {
    std::vector<uint64_t> storage(AAX_ChunkRecordSize(good.size()) / sizeof(uint64_t) + 1, 0);
    auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
    record->fSize = -static_cast<int32_t>(good.size());
    record->fChunkID = static_cast<int32_t>(kVellicorChunkID);
    std::memcpy(record->fData, good.data(), good.size());
    EXPECT_EQ(instance->Effect()->SetStateChunk(kVellicorChunkID, record), AAX_ERROR_INCORRECT_CHUNK_SIZE);
    record->fSize = INT32_MIN;
    EXPECT_EQ(instance->Effect()->SetStateChunk(kVellicorChunkID, record), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  }

  EXPECT_EQ(Save(*instance), before);
  const auto parametersAfter = instance->Parameters();
  ASSERT_EQ(parametersAfter.size(), parametersBefore.size());
  for (size_t i = 0; i < parametersAfter.size(); ++i)
    EXPECT_EQ(parametersAfter[i].normalized, parametersBefore[i].normalized) << parametersAfter[i].id;

  // Values out of range or between the steps of a stepped parameter are not damage: each
  // parameter clamps and steps its value, and the host is told the value the parameter holds,
  // not the one the chunk held.
  struct Loaded
  {
    int index;
    const char* name;
    double inChunk, held, normalized;
  };
  const Loaded loaded[] = {
    {6, "Drive", 1e9, 100.0, 1.0},
    {15, "OverSampling", -5.0, 0.0, 0.0},
    {29, "Mid-Side Pusher", 250.0, 100.0, 1.0},
    {14, "Limit Type", 0.4, 0.0, 0.0},
    {28, "Balance Mode", 0.3, 0.0, 0.0},
    {0, "Delta", 0.8, 1.0, 1.0},
  };
  Bytes wide = good;
  for (const Loaded& l : loaded)
    PutValue(wide, l.index, l.inChunk);
  aaxhost::AutomationDelegate& automation = instance->GetInstanceHost()->Automation();
  const uint64_t requestsBefore = automation.SetValueRequestCount();
  ASSERT_EQ(instance->SetChunk(kVellicorChunkID, wide), AAX_SUCCESS);
  const Bytes clamped = Save(*instance);
  std::map<std::string, double> told;
  const std::vector<aaxhost::ValueRecord> requests = automation.SetValueRequests();
  const uint64_t made = std::min<uint64_t>(automation.SetValueRequestCount() - requestsBefore, requests.size());
  for (size_t i = requests.size() - static_cast<size_t>(made); i < requests.size(); ++i)
    told[requests[i].id] = requests[i].value;
  for (const Loaded& l : loaded)
  {
    SCOPED_TRACE(l.name);
    EXPECT_EQ(ValueAt(clamped, l.index), l.held);
    const auto it = told.find(instance->FindParameter(l.name));
    ASSERT_NE(it, told.end());
    EXPECT_EQ(it->second, l.normalized) << "told to the host";
  }

  // A longer chunk (from a later version with more parameters) loads its first 33 values.
  Bytes longer = good;
  longer.resize(good.size() + 16, 0xAB);
  ASSERT_EQ(instance->SetChunk(kVellicorChunkID, longer), AAX_SUCCESS);
  EXPECT_EQ(Save(*instance), good);
}

} // namespace
} // namespace bundletest
