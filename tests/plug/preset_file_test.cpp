// VST 2 preset (FXP) and bank (FXB) files: layout, byte-exact round trips, and files that
// are truncated, oversized or foreign.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "AllocFailure.h"
#include "ReturnsInTime.h"
#include "TempDir.h"
#include "TestPlugin.h"

using namespace plug;
using testplug::TestPlugin;
using testsupport::AllocFailure;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& b)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

int32_t BE(const Bytes& b, size_t pos)
{
  return static_cast<int32_t>((uint32_t(b[pos]) << 24) | (uint32_t(b[pos + 1]) << 16) | (uint32_t(b[pos + 2]) << 8) |
                              uint32_t(b[pos + 3]));
}

void SetBE(Bytes& b, size_t pos, int32_t v)
{
  b[pos] = uint8_t(uint32_t(v) >> 24);
  b[pos + 1] = uint8_t(uint32_t(v) >> 16);
  b[pos + 2] = uint8_t(uint32_t(v) >> 8);
  b[pos + 3] = uint8_t(v);
}

std::string Str(const Bytes& b, size_t pos, size_t n) { return std::string(b.begin() + long(pos), b.begin() + long(pos + n)); }

std::vector<double> Values(const IPluginBase& p)
{
  std::vector<double> v;
  for (int i = 0; i < p.NParams(); ++i)
    v.push_back(p.GetParam(i)->Value());
  return v;
}

// The bank plug-in (33 parameters, 30 presets, 24 of them factory presets).
struct Bank
{
  explicit Bank(bool chunks, int nPresets = 30) : plugin(33, nPresets)
  {
    plugin.SetStateChunks(chunks);
    if (nPresets == 30)
      testplug::SetUpBankPlugin(plugin);
    else
      testplug::DefineMixedParams(plugin);
  }
  TestPlugin plugin;
};

constexpr int kUnique = FourCharCode('T', 's', 't', '1');

} // namespace

TEST(FXP, ParameterFormLayoutAndByteExactRoundTrip)
{
  testsupport::TempDir dir;
  Bank a(false);
  ASSERT_TRUE(a.plugin.RecallPreset(5));
  const std::string path = dir.File("a.fxp");
  ASSERT_TRUE(a.plugin.WriteFXPFile(path.c_str()));
  const Bytes file = ReadBytes(path);
  ASSERT_EQ(file.size(), 188u);
  EXPECT_EQ(Str(file, 0, 4), "CcnK");
  EXPECT_EQ(BE(file, 4), 0); // the byte size stays 0 in this form
  EXPECT_EQ(Str(file, 8, 4), "FxCk");
  EXPECT_EQ(BE(file, 12), 1);
  EXPECT_EQ(BE(file, 16), kUnique);
  EXPECT_EQ(BE(file, 20), 10006); // version 1.0.6 in decimal form
  EXPECT_EQ(BE(file, 24), 33);
  EXPECT_EQ(Str(file, 28, 28), std::string("Factory 6") + std::string(19, '\0'));
  for (int i = 0; i < 33; ++i)
  {
    const uint32_t bits = uint32_t(BE(file, 56 + 4 * size_t(i)));
    float f;
    std::memcpy(&f, &bits, 4);
    EXPECT_FLOAT_EQ(f, float(a.plugin.GetParam(i)->GetNormalized())) << i;
  }

  Bank b(false);
  b.plugin.SetCurrentPresetIdx(2);
  b.plugin.mLogging = true;
  ASSERT_TRUE(b.plugin.ReadFXPFile(path.c_str()));
  EXPECT_EQ(b.plugin.mLog.back(), "restored");
  EXPECT_STREQ(b.plugin.PresetNameAt(2), "Factory 6"); // the current slot takes the file's name
  const std::vector<double> va = Values(a.plugin), vb = Values(b.plugin);
  for (size_t i = 0; i < va.size(); ++i)
    EXPECT_NEAR(vb[i], va[i], 1e-4 * (1 + std::abs(va[i]))) << i;

  // Written again from what was read: the same bytes.
  const std::string again = dir.File("b.fxp");
  ASSERT_TRUE(b.plugin.WriteFXPFile(again.c_str()));
  EXPECT_EQ(ReadBytes(again), file);

  // A plug-in without preset slots takes the values too, and is told of every change.
  TestPlugin bare(33, 0);
  testplug::DefineMixedParams(bare);
  bare.mLogging = true;
  ASSERT_TRUE(bare.ReadFXPFile(path.c_str()));
  EXPECT_EQ(bare.CountLog("change"), 33);
  EXPECT_EQ(bare.mLog.back(), "restored");
  const std::vector<double> vbare = Values(bare);
  for (size_t i = 0; i < va.size(); ++i)
    EXPECT_NEAR(vbare[i], va[i], 1e-4 * (1 + std::abs(va[i]))) << i;
}

TEST(FXP, ChunkFormLayoutAndRoundTrip)
{
  testsupport::TempDir dir;
  Bank a(true);
  ASSERT_TRUE(a.plugin.RecallPreset(9));
  const std::string path = dir.File("a.fxp");
  ASSERT_TRUE(a.plugin.WriteFXPFile(path.c_str()));
  const Bytes file = ReadBytes(path);
  const int chunkLen = 8 + 264;
  ASSERT_EQ(file.size(), size_t(60 + chunkLen));
  EXPECT_EQ(BE(file, 4), chunkLen + 60); // kept as files in the field have it
  EXPECT_EQ(Str(file, 8, 4), "FPCh");
  EXPECT_EQ(BE(file, 56), chunkLen);
  EXPECT_EQ(Bytes(file.begin() + 60, file.begin() + 68), (Bytes{'t', 'f', 'f', 'p', 0, 0, 1, 0}));
  IStateChunk state;
  a.plugin.SaveState(state);
  EXPECT_EQ(0, std::memcmp(file.data() + 68, state.GetData(), 264));

  Bank b(true);
  ASSERT_TRUE(b.plugin.ReadFXPFile(path.c_str()));
  EXPECT_EQ(Values(b.plugin), Values(a.plugin));
  EXPECT_STREQ(b.plugin.PresetNameAt(0), "Factory 10");
  const std::string again = dir.File("b.fxp");
  ASSERT_TRUE(b.plugin.WriteFXPFile(again.c_str()));
  EXPECT_EQ(ReadBytes(again), file);

  // Without the "tffp" prefix the state starts right after the chunk length.
  Bytes bare(file.begin(), file.begin() + 60);
  bare.insert(bare.end(), file.begin() + 68, file.end());
  SetBE(bare, 56, 264);
  WriteBytes(dir.File("bare.fxp"), bare);
  Bank c(true);
  ASSERT_TRUE(c.plugin.ReadFXPFile(dir.File("bare.fxp").c_str()));
  EXPECT_EQ(Values(c.plugin), Values(a.plugin));

  // A chunk file is not for a plug-in that does not do chunks, and vice versa the
  // parameter form is read by both.
  Bank d(false);
  EXPECT_FALSE(d.plugin.ReadFXPFile(path.c_str()));
}

TEST(FXB, ParameterFormLayoutAndByteExactRoundTrip)
{
  testsupport::TempDir dir;
  Bank a(false);
  a.plugin.RecallPreset(4);
  const std::string path = dir.File("a.fxb");
  ASSERT_TRUE(a.plugin.WriteFXBFile(path.c_str()));
  const Bytes file = ReadBytes(path);
  ASSERT_EQ(file.size(), 5796u);
  EXPECT_EQ(Str(file, 0, 4), "CcnK");
  EXPECT_EQ(BE(file, 4), 0);
  EXPECT_EQ(Str(file, 8, 4), "FxBk");
  EXPECT_EQ(BE(file, 12), 2);
  EXPECT_EQ(BE(file, 16), kUnique);
  EXPECT_EQ(BE(file, 20), 10006);
  EXPECT_EQ(BE(file, 24), 30);
  EXPECT_EQ(BE(file, 28), 4);
  EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 156), Bytes(124, 0));
  // Record 29 (an empty slot) is complete; its floats come from a state of zeros.
  const size_t rec = 156 + 29 * 188;
  EXPECT_EQ(Str(file, rec, 4), "CcnK");
  EXPECT_EQ(Str(file, rec + 8, 4), "FxCk");
  EXPECT_EQ(BE(file, rec + 24), 33);
  EXPECT_EQ(Str(file, rec + 28, 6), std::string("empty\0", 6));

  Bank b(false);
  ASSERT_TRUE(b.plugin.ReadFXBFile(path.c_str()));
  EXPECT_EQ(b.plugin.GetCurrentPresetIdx(), 4);
  for (int i = 0; i < 30; ++i)
    EXPECT_STREQ(b.plugin.PresetNameAt(i), a.plugin.PresetNameAt(i)) << i;
  const std::string again = dir.File("b.fxb");
  ASSERT_TRUE(b.plugin.WriteFXBFile(again.c_str()));
  EXPECT_EQ(ReadBytes(again), file);
}

TEST(FXB, ChunkFormLayoutAndRoundTrip)
{
  testsupport::TempDir dir;
  Bank a(true);
  a.plugin.RecallPreset(1);
  const std::string path = dir.File("a.fxb");
  ASSERT_TRUE(a.plugin.WriteFXBFile(path.c_str()));
  const Bytes file = ReadBytes(path);
  IStateChunk list;
  a.plugin.WritePresetList(list);
  const int chunkLen = 8 + list.Size();
  ASSERT_EQ(file.size(), size_t(160 + chunkLen));
  EXPECT_EQ(BE(file, 4), chunkLen + 160);
  EXPECT_EQ(Str(file, 8, 4), "FBCh");
  EXPECT_EQ(BE(file, 24), 30);
  EXPECT_EQ(BE(file, 28), 1);
  EXPECT_EQ(BE(file, 156), chunkLen);
  EXPECT_EQ(Str(file, 160, 4), "tffp");
  EXPECT_EQ(0, std::memcmp(file.data() + 168, list.GetData(), size_t(list.Size())));

  Bank b(true);
  b.plugin.SetCurrentPresetIdx(1);
  ASSERT_TRUE(b.plugin.ReadFXBFile(path.c_str()));
  EXPECT_EQ(Values(b.plugin), Values(a.plugin));
  const std::string again = dir.File("b.fxb");
  ASSERT_TRUE(b.plugin.WriteFXBFile(again.c_str()));
  EXPECT_EQ(ReadBytes(again), file);
}

TEST(PresetFiles, TruncatedPresetsAreRefusedAndShortBanksApplyWhatTheyHold)
{
  testsupport::TempDir dir;
  for (const bool chunks : {false, true})
  {
    Bank a(chunks);
    for (int i = 0; i < a.plugin.NPresets(); ++i)
      a.plugin.GetPreset(i)->SetName(("File " + std::to_string(i)).c_str());
    a.plugin.RecallPreset(3);
    const std::string fxp = dir.File("a.fxp"), fxb = dir.File("a.fxb");
    ASSERT_TRUE(a.plugin.WriteFXPFile(fxp.c_str()));
    ASSERT_TRUE(a.plugin.WriteFXBFile(fxb.c_str()));
    const Bytes p = ReadBytes(fxp), b = ReadBytes(fxb);

    // Where each preset of the bank ends: records of 56 bytes and a float per parameter, or
    // the preset list's name, flag and state.
    std::vector<size_t> ends;
    size_t end = chunks ? 168 : 156;
    for (int i = 0; i < a.plugin.NPresets(); ++i)
    {
      const IPresetSlot* slot = a.plugin.GetPreset(i);
      end += chunks ? 4 + std::strlen(slot->mName) + 1 + (slot->mInitialized ? size_t(slot->mState.Size()) : 0)
                    : 56 + 4 * size_t(a.plugin.NParams());
      ends.push_back(end);
    }
    ASSERT_EQ(ends.back(), b.size());

    Bank fresh(chunks);
    fresh.plugin.RecallPreset(chunks ? 20 : 3);
    const std::vector<double> before3 = Values(fresh.plugin); // what the recall gives after a short bank
    fresh.plugin.ReadFXBFile(fxb.c_str());
    const std::vector<double> whole = Values(fresh.plugin); // ... when the bank held that preset
    Bank unread(chunks);
    unread.plugin.RecallPreset(20);
    const std::vector<double> before = Values(unread.plugin);
    const std::string cut = dir.File("cut");
    // A preset cut short is refused before anything is applied.
    for (size_t n = 0; n < p.size(); ++n)
    {
      WriteBytes(cut, Bytes(p.begin(), p.begin() + long(n)));
      ASSERT_FALSE(unread.plugin.ReadFXPFile(cut.c_str())) << chunks << " " << n;
      ASSERT_EQ(Values(unread.plugin), before) << n;
    }
    // A bank cut short applies the presets it holds whole and fails; one without its whole
    // header is refused before anything is applied.
    const size_t header = chunks ? 160 : 156;
    for (size_t n = 0; n < b.size(); n += (n < 400 ? 1 : 97))
    {
      WriteBytes(cut, Bytes(b.begin(), b.begin() + long(n)));
      Bank reader(chunks);
      reader.plugin.RecallPreset(20);
      ASSERT_FALSE(reader.plugin.ReadFXBFile(cut.c_str())) << chunks << " " << n;
      if (n < header)
      {
        ASSERT_EQ(Values(reader.plugin), before) << n;
        ASSERT_EQ(reader.plugin.GetCurrentPresetIdx(), 20);
        continue;
      }
      for (int i = 0; i < reader.plugin.NPresets(); ++i)
        ASSERT_STREQ(reader.plugin.PresetNameAt(i), ends[size_t(i)] <= n ? a.plugin.PresetNameAt(i)
                                                                         : unread.plugin.PresetNameAt(i))
          << chunks << " " << n << " preset " << i;
      // Then the bank's current preset (a chunk bank: the plug-in's own) is recalled.
      const int current = chunks ? 20 : 3;
      ASSERT_EQ(reader.plugin.GetCurrentPresetIdx(), current) << n;
      ASSERT_EQ(Values(reader.plugin), ends[current] <= n ? whole : before3) << n;
    }
  }
  Bank reader(false);
  EXPECT_FALSE(reader.plugin.ReadFXPFile(dir.File("missing.fxp").c_str()));
  EXPECT_FALSE(reader.plugin.ReadFXBFile(nullptr));
  EXPECT_FALSE(reader.plugin.ReadFXPFile(dir.Path().c_str())); // a folder
  EXPECT_FALSE(reader.plugin.ReadFXBFile(dir.Path().c_str()));
}

TEST(PresetFiles, ReadersTakeOnlyWhatThePluginCanApply)
{
  // Files of 256 MiB (sparse: nothing is written) declaring even more: reading allocates no
  // more than a few presets' worth, and what the plug-in can apply is applied.
  testsupport::TempDir dir;
  const std::uintmax_t huge = std::uintmax_t(256) << 20;
  for (const bool chunks : {false, true})
  {
    Bank a(chunks);
    a.plugin.RecallPreset(5);
    const std::string fxp = dir.File("a.fxp"), fxb = dir.File("a.fxb");
    ASSERT_TRUE(a.plugin.WriteFXPFile(fxp.c_str()));
    ASSERT_TRUE(a.plugin.WriteFXBFile(fxb.c_str()));
    Bank whole(chunks); // reads the files as they were written
    ASSERT_TRUE(whole.plugin.ReadFXBFile(fxb.c_str()));
    ASSERT_TRUE(whole.plugin.ReadFXPFile(fxp.c_str()));
    Bytes p = ReadBytes(fxp), b = ReadBytes(fxb);
    SetBE(p, chunks ? 56 : 24, chunks ? 200 << 20 : 60000000); // chunk bytes or parameter count
    SetBE(b, chunks ? 156 : 24, chunks ? 0x7ff00000 : 60000000); // chunk bytes or preset count
    WriteBytes(fxp, p);
    WriteBytes(fxb, b);
    std::filesystem::resize_file(fxp, huge);
    std::filesystem::resize_file(fxb, huge);

    Bank reader(chunks);
    AllocFailure counting(-1);
    EXPECT_TRUE(reader.plugin.ReadFXBFile(fxb.c_str())) << chunks;
    EXPECT_EQ(reader.plugin.GetCurrentPresetIdx(), chunks ? 0 : 5);
    EXPECT_TRUE(reader.plugin.ReadFXPFile(fxp.c_str())) << chunks;
    EXPECT_EQ(Values(reader.plugin), Values(whole.plugin));
    EXPECT_LT(AllocFailure::Largest(), size_t(64) << 10) << chunks;
  }
}

TEST(PresetFiles, DeclarationsBeyondTheFile)
{
  // A preset must hold the values or chunk it declares; a bank is read as far as the plug-in's
  // presets go, and succeeds when it held all of them.
  testsupport::TempDir dir;
  Bank a(false);
  const std::string fxp = dir.File("a.fxp"), fxb = dir.File("a.fxb"), bad = dir.File("bad");
  a.plugin.WriteFXPFile(fxp.c_str());
  a.plugin.WriteFXBFile(fxb.c_str());
  const Bytes p = ReadBytes(fxp), b = ReadBytes(fxb);
  Bank reader(false);

  for (const int32_t count : {34, 0x7fffffff, -1, int32_t(0x80000000)})
  {
    Bytes f = p;
    SetBE(f, 24, count); // more parameters than the file holds
    WriteBytes(bad, f);
    EXPECT_FALSE(reader.plugin.ReadFXPFile(bad.c_str())) << count;
    f = b;
    SetBE(f, 24, count); // more presets than the bank holds
    WriteBytes(bad, f);
    EXPECT_EQ(reader.plugin.ReadFXBFile(bad.c_str()), count > 0) << count;
  }

  Bank ca(true);
  const std::string cfxp = dir.File("c.fxp"), cfxb = dir.File("c.fxb");
  ca.plugin.WriteFXPFile(cfxp.c_str());
  ca.plugin.WriteFXBFile(cfxb.c_str());
  Bank creader(true);
  for (const int32_t len : {100000, 0x7fffffff, -8})
  {
    Bytes f = ReadBytes(cfxp);
    SetBE(f, 56, len);
    WriteBytes(bad, f);
    EXPECT_FALSE(creader.plugin.ReadFXPFile(bad.c_str())) << len;
    f = ReadBytes(cfxb);
    SetBE(f, 156, len);
    WriteBytes(bad, f);
    EXPECT_EQ(creader.plugin.ReadFXBFile(bad.c_str()), len > 0) << len;
  }

  // A chunk that declares less than a whole state: applies what it holds and fails.
  Bytes f = ReadBytes(cfxp);
  SetBE(f, 56, 8 + 100);
  f.resize(60 + 108);
  WriteBytes(bad, f);
  EXPECT_FALSE(creader.plugin.ReadFXPFile(bad.c_str()));

  // An FXP with fewer parameters than the plug-in: the rest stay as they are.
  Bytes few(p.begin(), p.begin() + 56 + 4 * 3);
  SetBE(few, 24, 3);
  WriteBytes(bad, few);
  Bank r2(false);
  r2.plugin.RecallPreset(20);
  const double keep = r2.plugin.GetParam(10)->Value();
  EXPECT_TRUE(r2.plugin.ReadFXPFile(bad.c_str()));
  EXPECT_EQ(r2.plugin.GetParam(10)->Value(), keep);
  EXPECT_EQ(r2.plugin.GetParam(1)->Value(), a.plugin.GetParam(1)->Value());
}

TEST(PresetFiles, ForeignFilesAreRefused)
{
  testsupport::TempDir dir;
  Bank a(false);
  const std::string fxp = dir.File("a.fxp"), fxb = dir.File("a.fxb"), bad = dir.File("bad");
  a.plugin.WriteFXPFile(fxp.c_str());
  a.plugin.WriteFXBFile(fxb.c_str());
  const Bytes p = ReadBytes(fxp), b = ReadBytes(fxb);

  Bank other(false);
  other.plugin.SetUniqueID(FourCharCode('O', 't', 'h', 'r'));
  EXPECT_FALSE(other.plugin.ReadFXPFile(fxp.c_str()));
  EXPECT_FALSE(other.plugin.ReadFXBFile(fxb.c_str()));

  Bank reader(false);
  const auto refused = [&](Bytes f, size_t pos, const char* what, bool bank) {
    std::memcpy(f.data() + pos, what, 4);
    WriteBytes(bad, f);
    return bank ? !reader.plugin.ReadFXBFile(bad.c_str()) : !reader.plugin.ReadFXPFile(bad.c_str());
  };
  EXPECT_TRUE(refused(p, 0, "RIFF", false));
  EXPECT_TRUE(refused(p, 8, "FxBk", false));
  EXPECT_TRUE(refused(p, 12, "\0\0\0\2", false)); // version other than 1
  EXPECT_TRUE(refused(b, 0, "CcnX", true));
  EXPECT_TRUE(refused(b, 8, "FxCk", true));
  EXPECT_FALSE(reader.plugin.ReadFXBFile(fxp.c_str()));
  EXPECT_FALSE(reader.plugin.ReadFXPFile(fxb.c_str()));

  // A bank whose third record is foreign: the first two are read, then it stops and fails.
  Bytes f = b;
  std::memcpy(f.data() + 156 + 2 * 188 + 8, "FxXX", 4);
  WriteBytes(bad, f);
  Bank r(false, 3);
  EXPECT_FALSE(r.plugin.ReadFXBFile(bad.c_str()));
  EXPECT_STREQ(r.plugin.PresetNameAt(1), "Factory 2");
  EXPECT_STREQ(r.plugin.PresetNameAt(2), "empty");

  // A bank whose first record claims one parameter fewer than the plug-in has: nothing of it
  // is applied.
  Bytes g = b;
  const uint32_t fewer = static_cast<uint32_t>(a.plugin.NParams() - 1);
  const uint8_t count[4] = {uint8_t(fewer >> 24), uint8_t(fewer >> 16), uint8_t(fewer >> 8), uint8_t(fewer)};
  std::memcpy(g.data() + 156 + 24, count, 4);
  WriteBytes(bad, g);
  Bank q(false, 3);
  std::vector<double> before;
  for (int i = 0; i < q.plugin.NParams(); ++i)
    before.push_back(q.plugin.GetParam(i)->Value());
  EXPECT_FALSE(q.plugin.ReadFXBFile(bad.c_str()));
  EXPECT_STRNE(q.plugin.PresetNameAt(0), a.plugin.PresetNameAt(0));
  for (int i = 0; i < q.plugin.NParams(); ++i)
    EXPECT_EQ(q.plugin.GetParam(i)->Value(), before[static_cast<size_t>(i)]) << i;

  // Random damage to both kinds, read by plug-ins with and without chunks.
  std::mt19937 rng(99);
  Bank ca(true);
  const std::string cfxb = dir.File("c.fxb");
  ca.plugin.WriteFXBFile(cfxb.c_str());
  const Bytes cb = ReadBytes(cfxb);
  for (int iter = 0; iter < 200; ++iter)
  {
    const Bytes& src = (iter % 3 == 0) ? p : (iter % 3 == 1 ? b : cb);
    Bytes g = src;
    for (int k = 0; k < 1 + int(rng() % 6); ++k)
      g[rng() % g.size()] = uint8_t(rng());
    if (iter % 5 == 0)
      g.resize(rng() % g.size());
    WriteBytes(bad, g);
    Bank q(iter % 2 == 0, 30);
    q.plugin.ReadFXPFile(bad.c_str());
    q.plugin.ReadFXBFile(bad.c_str());
  }
}

TEST(PresetFiles, BankNeverReachesMissingSlots)
{
  testsupport::TempDir dir;
  Bank a(false);
  a.plugin.RecallPreset(22);
  const std::string fxb = dir.File("a.fxb");
  a.plugin.WriteFXBFile(fxb.c_str());

  Bank small(false, 5);
  ASSERT_TRUE(small.plugin.ReadFXBFile(fxb.c_str()));
  ASSERT_EQ(small.plugin.NPresets(), 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_STREQ(small.plugin.PresetNameAt(i), a.plugin.PresetNameAt(i));
  // The bank's current preset (22) is not there: the plug-in keeps its own.
  EXPECT_EQ(small.plugin.GetCurrentPresetIdx(), 0);
}

TEST(PresetFiles, WritersReportFailure)
{
  testsupport::TempDir dir;
  Bank a(false);
  EXPECT_FALSE(a.plugin.WriteFXPFile(dir.File("no/such/folder.fxp").c_str()));
  EXPECT_FALSE(a.plugin.WriteFXBFile(nullptr));
  EXPECT_FALSE(a.plugin.WriteFXBFile(""));
  // A device that refuses every write: the failure shows at the write or the close.
  if (std::ifstream("/dev/full").good())
  {
    EXPECT_FALSE(a.plugin.WriteFXPFile("/dev/full"));
    EXPECT_FALSE(a.plugin.WriteFXBFile("/dev/full"));
    EXPECT_FALSE(a.plugin.DumpPresetBlob("/dev/full"));
  }
}

TEST(PresetFiles, AFifoUnderAPresetOrBankNameIsRefusedAtOnce)
{
  // Nobody writes the FIFO: a reader that waited for a writer would never return.
  testsupport::TempDir dir;
  const std::string fifo = dir.File("preset.fxp");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const bool bank : {false, true})
  {
    int refused = -1;
    EXPECT_TRUE(testsupport::ReturnsInTime(
      10.0,
      [&]() {
        Bank b(true);
        return bank ? !b.plugin.ReadFXBFile(fifo.c_str()) : !b.plugin.ReadFXPFile(fifo.c_str());
      },
      &refused))
      << (bank ? "bank" : "preset");
    EXPECT_EQ(refused, 1) << (bank ? "bank" : "preset");
  }
}
