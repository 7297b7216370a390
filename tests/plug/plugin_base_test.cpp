// The plug-in base: identity, state, parameter utilities, presets, the preset list, the
// base64 preset blob and the source-text dumps.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestPlugin.h"

using namespace plug;
using testplug::TestPlugin;

namespace {

std::string ReadText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<double> Values(const IPluginBase& p)
{
  std::vector<double> v;
  for (int i = 0; i < p.NParams(); ++i)
    v.push_back(p.GetParam(i)->Value());
  return v;
}

void SetValues(IPluginBase& p, const std::vector<double>& v)
{
  for (int i = 0; i < p.NParams(); ++i)
    p.GetParam(i)->Set(v[static_cast<size_t>(i)]);
}

} // namespace

TEST(PluginIdentity, VersionsNamesAndBuildInfo)
{
  TestPlugin p(1, 0);
  p.SetVersion((1 << 16) | (2 << 8) | 13);
  p.SetHostVersion((2023 << 16) | (12 << 8) | 1);
  CharBuf s;
  p.FormatPluginVersion(s);
  EXPECT_STREQ(s.Get(), "v1.2.13");
  p.FormatHostVersion(s);
  EXPECT_STREQ(s.Get(), "v2023.12.1");
  EXPECT_EQ(p.PluginVersionValue(false), 0x1020D);
  EXPECT_EQ(p.PluginVersionValue(true), 10213);
  EXPECT_EQ(p.HostVersionValue(true), 20231201);
  EXPECT_EQ(p.GetHost(), -1); // not identified yet

  EXPECT_STREQ(IPluginBase::APIName(kAPICLAP), "CLAP");
  EXPECT_STREQ(IPluginBase::APIName(9), "");
  EXPECT_STREQ(IPluginBase::APIName(-1), "");
  EXPECT_STREQ(IPluginBase::ArchName(), "x86-64");

  p.SetAPI(kAPIAAX);
  p.FormatBuildInfo(s, "Dec  8 2026", "19:36:46");
  EXPECT_STREQ(s.Get(), "v1.2.13 AAX (x86-64), built on Dec  8 2026 at 19:36 ");
}

TEST(PluginState, RoundTripIsOneDoublePerParameter)
{
  TestPlugin a(33, 0);
  testplug::DefineMixedParams(a);
  const std::vector<double> v = testplug::PresetValues(a, 3);
  SetValues(a, v);

  IStateChunk chunk;
  ASSERT_TRUE(a.SaveState(chunk));
  ASSERT_EQ(chunk.Size(), 264);
  for (int i = 0; i < 33; ++i)
  {
    double d;
    std::memcpy(&d, chunk.GetData() + 8 * i, 8); // native little-endian doubles, index order
    EXPECT_EQ(d, v[static_cast<size_t>(i)]) << i;
  }

  TestPlugin b(33, 0);
  testplug::DefineMixedParams(b);
  b.mLogging = true;
  EXPECT_EQ(b.LoadState(chunk, 0), 264);
  EXPECT_EQ(Values(b), v);
  EXPECT_EQ(b.CountLog("change"), 33);
  EXPECT_EQ(b.mLog.front(), "change 0 2"); // restored state reports source 2
}

TEST(PluginState, ShortStateAppliesWhatItHoldsAndFails)
{
  TestPlugin a(33, 0);
  testplug::DefineMixedParams(a);
  SetValues(a, testplug::PresetValues(a, 5));
  IStateChunk full;
  a.SaveState(full);
  IStateChunk cut;
  cut.PutBytes(full.GetData(), 263);

  TestPlugin b(33, 0);
  testplug::DefineMixedParams(b);
  const double before32 = b.GetParam(32)->Value();
  b.mLogging = true;
  EXPECT_EQ(b.LoadState(cut, 0), -1);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(b.GetParam(i)->Value(), a.GetParam(i)->Value()) << i;
  EXPECT_EQ(b.GetParam(32)->Value(), before32);
  EXPECT_EQ(b.CountLog("change"), 33); // every parameter is still notified

  EXPECT_EQ(b.LoadState(full, -1), -1);
  EXPECT_EQ(b.LoadState(full, 8), -1); // too few bytes from that position
}

TEST(PluginState, LoadedValuesAreSteppedClampedAndNaNSafe)
{
  TestPlugin p(4, 0);
  testplug::DefineMixedParams(p); // 0 bool, 1 int -5..12, 2 enum 0..3, 3 gain -24..24
  p.GetParam(3)->Set(6.0);
  IStateChunk c;
  c.Put(0.7);
  c.Put(3.5);
  c.Put(99.0);
  c.Put(std::nan(""));
  const IPluginBase::LoadedParamValues loaded(p);
  EXPECT_EQ(p.LoadState(c, 0), 32);
  EXPECT_EQ(p.GetParam(0)->Value(), 1.0);
  EXPECT_EQ(p.GetParam(1)->Value(), 4.0); // halves away from zero
  EXPECT_EQ(p.GetParam(2)->Value(), 3.0);
  EXPECT_EQ(p.GetParam(3)->Value(), 6.0); // NaN leaves the value alone
  // The load reports what each parameter stored, not what the chunk held; one left alone
  // makes it incomplete.
  EXPECT_EQ(loaded.Value(0), 1.0);
  EXPECT_EQ(loaded.Value(1), 4.0);
  EXPECT_EQ(loaded.Value(2), 3.0);
  EXPECT_TRUE(std::isnan(loaded.Value(3)));
  EXPECT_FALSE(loaded.Complete());
}

// A load reports to the innermost report armed on its thread, and only when that report is
// for its own plug-in; a report that goes arms the one before it again. A load that ends
// short is no complete report.
TEST(PluginState, LoadedValuesReachOnlyTheInnermostReportOfTheirOwnPlugin)
{
  TestPlugin a(4, 0);
  TestPlugin b(4, 0);
  testplug::DefineMixedParams(a);
  testplug::DefineMixedParams(b);
  const auto chunkOf = [](std::vector<double> values) {
    IStateChunk c;
    for (double v : values)
      c.Put(v);
    return c;
  };
  const IStateChunk first = chunkOf({1.0, -2.0, 1.0, 3.5});
  const IStateChunk second = chunkOf({0.0, 7.0, 2.0, -1.5});
  const auto expectReported = [](const IPluginBase::LoadedParamValues& report, const IStateChunk& chunk) {
    EXPECT_TRUE(report.Complete());
    for (int i = 0, pos = 0; i < 4; ++i)
    {
      double v = 0.0;
      pos = chunk.Get(&v, pos);
      EXPECT_EQ(report.Value(i), v) << i;
    }
  };

  const IPluginBase::LoadedParamValues outer(a);
  {
    const IPluginBase::LoadedParamValues inner(a);
    {
      // Armed for another plug-in: a's load below reports to neither.
      const IPluginBase::LoadedParamValues other(b);
      ASSERT_EQ(a.LoadState(first, 0), 32);
      EXPECT_FALSE(other.Complete());
      ASSERT_EQ(b.LoadState(second, 0), 32);
      expectReported(other, second);
    }
    EXPECT_FALSE(inner.Complete());
    ASSERT_EQ(a.LoadState(first, 0), 32);
    expectReported(inner, first);
    // b's load with a's report innermost reports nothing.
    ASSERT_EQ(b.LoadState(second, 0), 32);
    expectReported(inner, first);
  }
  EXPECT_FALSE(outer.Complete());
  ASSERT_EQ(a.LoadState(first, 0), 32);
  expectReported(outer, first);

  IStateChunk cut;
  cut.PutBytes(second.GetData(), 24);
  EXPECT_EQ(a.LoadState(cut, 0), -1);
  EXPECT_FALSE(outer.Complete()) << "a load that ends short";
}

TEST(PluginParams, Utilities)
{
  TestPlugin p(10, 0);
  p.InitParamSeries(0, 3, "Band %d", 1, "dB", kFlagStepped, "eq", IParam::ShapeLinear(), 0.0, -12.0, 12.0, 0.5);
  EXPECT_STREQ(p.GetParam(0)->NameText(), "Band 1");
  EXPECT_STREQ(p.GetParam(3)->NameText(), "Band 4");
  EXPECT_STREQ(p.GetParam(4)->NameText(), "");

  p.GetParam(2)->Set(3.5);
  p.CopyParamDefinitions(0, 3, 4, "Band", "Side", "eq2");
  EXPECT_STREQ(p.GetParam(6)->NameText(), "Side 3");
  EXPECT_STREQ(p.GetParam(6)->GroupText(), "eq2");
  EXPECT_EQ(p.GetParam(6)->Value(), 3.5);
  p.CopyParamDefinitions(9, 12, 10); // no such destinations: ignored
  EXPECT_STREQ(p.GetParam(9)->NameText(), "");

  p.GetParam(1)->Set(-2.0);
  p.CopyParamValueRange("eq", "eq2"); // pairs 0-4, 1-5, 2-6, 3-7
  EXPECT_EQ(p.GetParam(5)->Value(), -2.0);
  p.GetParam(0)->Set(4.0);
  p.CopyParamValueRange(0, 8, 5); // 8 and 9 exist, the rest is ignored
  EXPECT_EQ(p.GetParam(8)->Value(), 1.0); // clamped to the destination's range (0..1)

  int visited = 0;
  p.VisitParamGroup("eq2", [&](int idx, IParam&) {
    EXPECT_GE(idx, 4);
    ++visited;
  });
  EXPECT_EQ(visited, 4);
  p.VisitParamRange(-3, 100, [&](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 14);

  p.DefaultParamValues("eq");
  EXPECT_EQ(p.GetParam(1)->Value(), 0.0);
  EXPECT_EQ(p.GetParam(5)->Value(), -2.0);
  p.DefaultParamValues();
  EXPECT_EQ(p.GetParam(5)->Value(), 0.0);

  p.RandomiseParamValues();
  for (int i = 0; i < 8; ++i)
  {
    const double v = p.GetParam(i)->Value();
    EXPECT_GE(v, -12.0);
    EXPECT_LE(v, 12.0);
    EXPECT_EQ(v, std::round(v * 2) / 2); // on a step
  }
}

TEST(Presets, RecallOrderAndNaming)
{
  TestPlugin p(3, 5);
  testplug::DefineMixedParams(p);
  for (int i = 0; i < 5; ++i)
    EXPECT_STREQ(p.PresetNameAt(i), "empty");
  EXPECT_STREQ(p.PresetNameAt(5), "");
  EXPECT_STREQ(p.PresetNameAt(-1), "");

  ASSERT_TRUE(p.MakePreset("First", 1, 7, 2));
  EXPECT_FALSE(p.MakePreset("Wrong count", 1, 7)); // one value per parameter
  p.GetParam(1)->Set(-3);
  p.FillPresetsFromCurrent(nullptr, 1);
  EXPECT_STREQ(p.PresetNameAt(1), "Empty");

  // An empty slot recalled becomes a user preset holding the current state.
  p.GetPreset(2)->SetName("my user preset");
  p.GetPreset(3)->SetName("old user preset x");
  p.mLogging = true;
  ASSERT_TRUE(p.RecallPreset(4));
  EXPECT_STREQ(p.PresetNameAt(4), "user preset 3");
  EXPECT_TRUE(p.GetPreset(4)->mInitialized);
  EXPECT_EQ(p.GetPreset(4)->mState.Size(), 24);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 4);
  EXPECT_EQ(p.mLog, (std::vector<std::string>{"preset", "ui 0 4", "ui 1 4", "ui 2 4"}));

  // An initialised slot: load (change + ui per parameter, source 2), preset hook, refresh.
  p.ClearLog();
  ASSERT_TRUE(p.RecallPreset(0));
  EXPECT_EQ(p.mLog, (std::vector<std::string>{"change 0 2", "ui 0 2", "change 1 2", "ui 1 2", "change 2 2",
                                              "ui 2 2", "preset", "ui 0 4", "ui 1 4", "ui 2 4"}));
  EXPECT_EQ(p.GetParam(1)->Value(), 7.0);
  EXPECT_EQ(p.GetParam(2)->Value(), 2.0);

  EXPECT_FALSE(p.RecallPreset(5));
  EXPECT_FALSE(p.RecallPreset(-1));
  EXPECT_TRUE(p.RecallPresetByName("Empty"));
  EXPECT_EQ(p.GetParam(1)->Value(), -3.0);
  EXPECT_FALSE(p.RecallPresetByName("Nope"));
  EXPECT_FALSE(p.RecallPresetByName(""));
  EXPECT_FALSE(p.RecallPresetByName(nullptr));

  // A preset whose state is too short is not recalled (its values that were there apply).
  IStateChunk shortState;
  shortState.Put(0.0);
  p.GetPreset(2)->mInitialized = false;
  ASSERT_TRUE(p.AddPresetFromState("short", shortState));
  p.SetCurrentPresetIdx(0);
  EXPECT_FALSE(p.RecallPreset(2));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
}

TEST(Presets, MakersStoreAndPrune)
{
  TestPlugin p(3, 6);
  testplug::DefineMixedParams(p);
  p.GetParam(1)->Set(5);
  p.GetParam(2)->Set(3);

  // No pairs: the current value of every parameter.
  ASSERT_TRUE(p.MakePresetFromNamedParams("cur", 0));
  // Pairs; 9.999e-08 means "not named".
  ASSERT_TRUE(p.MakePresetFromNamedParams("named", 2, 1, -4, 2, 9.999e-08));
  EXPECT_FALSE(p.MakePresetFromNamedParams("bad", 2, 1, -4));

  const auto stateValue = [&](int slot, int i) {
    double d = -99;
    p.GetPreset(slot)->mState.Get(&d, 8 * i);
    return d;
  };
  EXPECT_EQ(p.GetPreset(0)->mState.Size(), 24);
  EXPECT_EQ(stateValue(0, 1), 5.0);
  EXPECT_EQ(stateValue(0, 2), 3.0);
  EXPECT_EQ(stateValue(1, 1), -4.0);
  EXPECT_EQ(stateValue(1, 2), 3.0);

  // Store the current state into the current slot, renaming it.
  p.SetCurrentPresetIdx(1);
  p.GetParam(1)->Set(9);
  ASSERT_TRUE(p.StoreCurrentPreset("stored"));
  EXPECT_STREQ(p.PresetNameAt(1), "stored");
  EXPECT_EQ(stateValue(1, 1), 9.0);
  ASSERT_TRUE(p.StoreCurrentPreset(""));
  EXPECT_STREQ(p.PresetNameAt(1), "stored");

  // Names are cut to 255 characters.
  const std::string longName(400, 'n');
  ASSERT_TRUE(p.MakePresetFromNamedParams(longName.c_str(), 0));
  EXPECT_EQ(std::strlen(p.PresetNameAt(2)), 255u);

  // Slots 3..5 empty: pruning keeps the order of the rest.
  p.SetCurrentPresetIdx(5);
  p.PruneEmptyPresets();
  ASSERT_EQ(p.NPresets(), 3);
  EXPECT_STREQ(p.PresetNameAt(0), "cur");
  EXPECT_STREQ(p.PresetNameAt(1), "stored");
  EXPECT_LT(p.GetCurrentPresetIdx(), 3);

  // The current preset keeps being current when empty slots before it go.
  TestPlugin g(3, 4);
  testplug::DefineMixedParams(g);
  ASSERT_TRUE(g.MakePreset("zero", 0, 0, 0));
  g.GetPreset(2)->SetName("two"); // slots: zero, (empty), two, (empty)
  g.GetPreset(2)->mInitialized = true;
  g.SetCurrentPresetIdx(2);
  g.PruneEmptyPresets();
  ASSERT_EQ(g.NPresets(), 2);
  EXPECT_EQ(g.GetCurrentPresetIdx(), 1);
  EXPECT_STREQ(g.PresetNameAt(g.GetCurrentPresetIdx()), "two");

  // No free slot: makers do nothing.
  EXPECT_FALSE(p.MakePreset("full", 0, 0, 0));
  EXPECT_FALSE(p.AddPresetFromState("full", IStateChunk()));
  EXPECT_FALSE(p.MakePresetFromBlob("full", "AAAA", 3));

  TestPlugin q(2, 3);
  q.FillEmptyPresetSlots();
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_STREQ(q.PresetNameAt(i), "Empty");
    EXPECT_EQ(q.GetPreset(i)->mState.Size(), 16);
  }
}

TEST(PresetList, LayoutAndRoundTrip)
{
  // Two slots: "A" initialised with a 16-byte state, "" uninitialised: 27 bytes.
  TestPlugin p(2, 2);
  p.GetParam(0)->DefineDouble("x", 0.25, 0, 1, 0.01);
  p.GetParam(1)->DefineDouble("y", 0.5, 0, 1, 0.01);
  ASSERT_TRUE(p.MakePreset("A", 0.25, 0.5));
  p.GetPreset(1)->SetName("");
  IStateChunk list;
  ASSERT_TRUE(p.WritePresetList(list));
  ASSERT_EQ(list.Size(), 27);
  EXPECT_EQ(std::vector<uint8_t>(list.GetData(), list.GetData() + 6), (std::vector<uint8_t>{1, 0, 0, 0, 'A', 1}));
  EXPECT_EQ(std::vector<uint8_t>(list.GetData() + 22, list.GetData() + 27), (std::vector<uint8_t>{0, 0, 0, 0, 0}));

  // A full bank into a fresh plug-in.
  TestPlugin a(33, 30);
  testplug::SetUpBankPlugin(a);
  a.GetPreset(7)->SetName("seven");
  IStateChunk full;
  ASSERT_TRUE(a.WritePresetList(full));

  TestPlugin b(33, 30);
  testplug::DefineMixedParams(b);
  EXPECT_EQ(b.ReadPresetList(full, 0), full.Size());
  for (int i = 0; i < 30; ++i)
  {
    EXPECT_STREQ(b.PresetNameAt(i), a.PresetNameAt(i)) << i;
    EXPECT_EQ(b.GetPreset(i)->mInitialized, a.GetPreset(i)->mInitialized) << i;
    if (a.GetPreset(i)->mInitialized)
    {
      ASSERT_EQ(0, std::memcmp(b.GetPreset(i)->mState.GetData(), a.GetPreset(i)->mState.GetData(), 264)) << i;
    }
  }
  EXPECT_EQ(Values(b), testplug::PresetValues(b, 0)); // the current preset (0) was recalled
  IStateChunk again;
  b.WritePresetList(again);
  EXPECT_EQ(again.Size(), full.Size());
  EXPECT_EQ(0, std::memcmp(again.GetData(), full.GetData(), static_cast<size_t>(full.Size())));
}

TEST(PresetList, ShortOrHostileListsAreRefused)
{
  TestPlugin a(33, 30);
  testplug::SetUpBankPlugin(a);
  IStateChunk full;
  a.WritePresetList(full);

  // Every truncation gives -1 (a truncated list never reads past its end).
  for (int n = 0; n < full.Size(); ++n)
  {
    TestPlugin b(33, 30);
    testplug::DefineMixedParams(b);
    IStateChunk cut;
    cut.PutBytes(full.GetData(), n);
    ASSERT_EQ(b.ReadPresetList(cut, 0), -1) << n;
  }

  TestPlugin b(3, 3);
  testplug::DefineMixedParams(b);
  b.SetCurrentPresetIdx(2); // the list ends by recalling this slot
  IStateChunk huge;
  huge.Put(int32_t(0x7fffffff)); // a name length far beyond the data
  huge.PutBytes("abc", 3);
  EXPECT_EQ(b.ReadPresetList(huge, 0), -1);
  EXPECT_STREQ(b.PresetNameAt(0), "empty");

  // A negative length reads as the empty name; a name with a NUL ends there; long names cut.
  IStateChunk odd;
  odd.Put(int32_t(-4));
  odd.Put(uint8_t(0));
  const std::string longName = std::string("ab\0cd", 5) + std::string(300, 'z');
  odd.Put(int32_t(longName.size()));
  odd.PutBytes(longName.data(), static_cast<int>(longName.size()));
  odd.Put(uint8_t(0));
  odd.Put(int32_t(1));
  odd.PutBytes("c", 1);
  odd.Put(uint8_t(0));
  EXPECT_EQ(b.ReadPresetList(odd, 0), odd.Size());
  EXPECT_STREQ(b.PresetNameAt(0), "");
  EXPECT_STREQ(b.PresetNameAt(1), "ab");

  // A list that ends inside a stored state: the slot there keeps what it held (no half
  // state is stored) and the plug-in ends up in its current preset, not in half a state.
  {
    TestPlugin src(33, 30);
    testplug::SetUpBankPlugin(src);
    ASSERT_TRUE(src.RecallPreset(1));
    SetValues(src, testplug::PresetValues(src, 10));
    ASSERT_TRUE(src.StoreCurrentPreset("changed"));
    IStateChunk list;
    ASSERT_TRUE(src.WritePresetList(list));
    const int slot1State = (4 + 9 + 1 + 264) + (4 + 7 + 1); // after "Factory 1" and the name "changed"
    IStateChunk cut;
    cut.PutBytes(list.GetData(), slot1State + 100);

    TestPlugin c(33, 30);
    testplug::SetUpBankPlugin(c);
    ASSERT_TRUE(c.RecallPreset(3));
    IStateChunk slot1Before;
    slot1Before.PutChunk(c.GetPreset(1)->mState);
    EXPECT_EQ(c.ReadPresetList(cut, 0), -1);
    EXPECT_STREQ(c.PresetNameAt(1), "Factory 2");
    ASSERT_EQ(c.GetPreset(1)->mState.Size(), 264);
    EXPECT_EQ(0, std::memcmp(c.GetPreset(1)->mState.GetData(), slot1Before.GetData(), 264));
    EXPECT_EQ(Values(c), testplug::PresetValues(c, 3));
    EXPECT_EQ(c.GetCurrentPresetIdx(), 3);
  }

  // Random damage: never a read out of bounds (the sanitizer build watches).
  std::mt19937 rng(1234);
  for (int iter = 0; iter < 300; ++iter)
  {
    IStateChunk damaged;
    damaged.PutChunk(full);
    const int nFlips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < nFlips; ++k)
      damaged.GetData()[rng() % static_cast<unsigned>(damaged.Size())] = static_cast<uint8_t>(rng());
    TestPlugin c(33, 30);
    testplug::DefineMixedParams(c);
    const int r = c.ReadPresetList(damaged, 0);
    EXPECT_LE(r, damaged.Size());
  }
}

TEST(PresetBlob, DumpAndMakeRoundTrip)
{
  testsupport::TempDir dir;
  const std::string path = dir.File("blob.txt");
  TestPlugin a(33, 30);
  testplug::SetUpBankPlugin(a);
  ASSERT_TRUE(a.RecallPreset(3));
  ASSERT_TRUE(a.DumpPresetBlob(path.c_str()));

  const std::string text = ReadText(path);
  const std::string head = "MakePresetFromBlob(\"Factory 4\", \"";
  ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
  const size_t end = text.find('"', head.size());
  const std::string b64 = text.substr(head.size(), end - head.size());
  EXPECT_EQ(b64.size(), 352u); // 264 bytes in padded base64
  EXPECT_EQ(text.substr(end), "\", 264);\n");

  TestPlugin b(33, 30);
  testplug::DefineMixedParams(b);
  EXPECT_FALSE(b.MakePresetFromBlob("cut", b64.substr(0, 100).c_str(), 264));
  ASSERT_TRUE(b.MakePresetFromBlob("from blob", b64.c_str(), 264));
  ASSERT_TRUE(b.RecallPreset(0));
  EXPECT_EQ(Values(b), testplug::PresetValues(b, 3));
  EXPECT_STREQ(b.PresetNameAt(0), "from blob");
}

TEST(PresetBlob, DecodingStopsAndZeroFills)
{
  TestPlugin p(2, 6);
  // "AQID" is 01 02 03; decoding stops at '=' or any foreign character; the rest is zero.
  ASSERT_TRUE(p.MakePresetFromBlob("a", "AQIDBA==", 6));
  EXPECT_EQ(std::vector<uint8_t>(p.GetPreset(0)->mState.GetData(), p.GetPreset(0)->mState.GetData() + 6),
            (std::vector<uint8_t>{1, 2, 3, 4, 0, 0}));
  // A count beyond what the text can hold (truncated or oversized blob) is refused.
  EXPECT_FALSE(p.MakePresetFromBlob("x", "AQIDBA==", 7));
  EXPECT_FALSE(p.MakePresetFromBlob("x", "AQID", 0x7fffffff));
  EXPECT_FALSE(p.GetPreset(1)->mInitialized);
  ASSERT_TRUE(p.MakePresetFromBlob("b", "AQ!DBA", 3));
  EXPECT_EQ(std::vector<uint8_t>(p.GetPreset(1)->mState.GetData(), p.GetPreset(1)->mState.GetData() + 3),
            (std::vector<uint8_t>{1, 0, 0}));
  // Longer text than the byte count: only the byte count is decoded.
  ASSERT_TRUE(p.MakePresetFromBlob("c", "AQIDBAUG", 2));
  EXPECT_EQ(p.GetPreset(2)->mState.Size(), 2);
  EXPECT_FALSE(p.MakePresetFromBlob("d", nullptr, 8));
  EXPECT_FALSE(p.MakePresetFromBlob("d", "AQID", -1));
  EXPECT_FALSE(p.GetPreset(3)->mInitialized);

  // A blob shorter than the state: recalling it applies what it holds and fails.
  p.GetParam(0)->DefineDouble("x", 0, 0, 10, 0.5);
  p.GetParam(1)->DefineDouble("y", 3, 0, 10, 0.5);
  IStateChunk s;
  s.Put(2.5);
  ASSERT_TRUE(p.AddPresetFromState("short", s));
  EXPECT_FALSE(p.RecallPreset(3));
  EXPECT_EQ(p.GetParam(0)->Value(), 2.5);
  EXPECT_EQ(p.GetParam(1)->Value(), 3.0);
}

TEST(SourceDumps, TextOfEachDump)
{
  testsupport::TempDir dir;
  TestPlugin p(4, 1);
  testplug::DefineMixedParams(p); // bool, int, enum, gain
  p.GetParam(0)->Set(1);
  p.GetParam(1)->Set(-3);
  p.GetParam(2)->Set(2);
  p.GetParam(3)->Set(-1.25);
  p.FillPresetsFromCurrent("Say \"hi\"\\", 1);

  const std::string src = dir.File("src.txt");
  ASSERT_TRUE(p.DumpMakePresetSrc(src.c_str()));
  ASSERT_TRUE(p.DumpMakePresetSrc(src.c_str())); // appended
  const std::string line = "MakePreset(\"Say \\\"hi\\\"\\\\\", true, -3, 2, -1.250000);\n";
  EXPECT_EQ(ReadText(src), line + line);

  const std::string named = dir.File("named.txt");
  const char* names[] = {"kPower", "kSteps", nullptr, "kGain"};
  ASSERT_TRUE(p.DumpMakePresetFromNamedParamsSrc(named.c_str(), names));
  EXPECT_EQ(ReadText(named), "  MakePresetFromNamedParams(\"Say \\\"hi\\\"\\\\\", 4,\n"
                             "    kPower, true,\n"
                             "    kSteps, -3,\n"
                             "    2, 2,\n"
                             "    kGain, -1.250000);\n");

  const std::string blob = dir.File("blob.txt");
  TestPlugin q(1, 1);
  q.GetParam(0)->DefineDouble("x", 1.0, 0, 2, 0.5);
  q.FillPresetsFromCurrent("b", 1);
  ASSERT_TRUE(q.DumpPresetBlob(blob.c_str()));
  EXPECT_EQ(ReadText(blob), "MakePresetFromBlob(\"b\", \"AAAAAAAA8D8=\", 8);\n");

  // A folder that does not exist: reported, nothing written.
  EXPECT_FALSE(p.DumpMakePresetSrc(dir.File("no/such/dir.txt").c_str()));
}
