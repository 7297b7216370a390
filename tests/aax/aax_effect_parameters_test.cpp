// The effect-parameters base against the host stand-in: queries by identifier, host updates
// and the automation echo, gestures, the default chunk, the packet pass, short names and
// reference balance.
#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CBinaryDisplayDelegate.h"
#include "aax/library/AAX_CBinaryTaperDelegate.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_CLinearTaperDelegate.h"
#include "aax/library/AAX_CNumberDisplayDelegate.h"
#include "aax/library/AAX_CParameter.h"
#include "aax/library/AAX_CStringDisplayDelegate.h"
#include "aax/library/AAX_CUnitDisplayDelegateDecorator.h"
#include "aax/interfaces/AAX_IPageTable.h"
#include "standin/aaxhost/Host.h"
#include "standin/aaxhost/PageTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// A small effect: the master bypass, an enumerated int, a gain in dB and an on/off switch.
class TestEffect : public AAX_CEffectParameters
{
public:
  bool mOnlyBypass = false;
  bool mWithPreview = false;
  mutable int mPageTableCalls = 0;
  bool mOverridePageTable = false;

  void AddGainPacket(int32_t packetIndex)
  {
    mPacketDispatcher.RegisterPacket("2", packetIndex, AAX_CParameterPacketHandler(mParameterManager));
  }

protected:
  AAX_Result InitEffect() override
  {
    auto* bypass = new AAX_CParameter<bool>(AAX_kMasterBypassID, AAX_CString("Master Bypass"), false,
                                            AAX_CBinaryTaperDelegate<bool>(),
                                            AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
    bypass->SetType(AAX_eParameterType_Discrete);
    bypass->SetNumberOfSteps(2);
    Add(bypass);
    if (mOnlyBypass)
      return AAX_SUCCESS;

    auto* mode = new AAX_CParameter<int32_t>(
      "1", AAX_CString("Mode"), 1, AAX_CLinearTaperDelegate<int32_t, 1>(0, 3),
      AAX_CStringDisplayDelegate<int32_t>({{0, AAX_CString("Clean")}, {1, AAX_CString("Warm")},
                                           {2, AAX_CString("Hot")}, {3, AAX_CString("Melt")}}),
      true);
    mode->SetType(AAX_eParameterType_Discrete);
    mode->SetNumberOfSteps(4);
    Add(mode);

    auto* gain = new AAX_CParameter<double>(
      "2", AAX_CString("Output Gain"), 0.0, AAX_CLinearTaperDelegate<double, 0>(-24.0, 24.0),
      AAX_CUnitDisplayDelegateDecorator<double>(AAX_CNumberDisplayDelegate<double, 1, 0>(), AAX_CString("dB")),
      true);
    gain->AddShortenedName(AAX_CString("Gain"));
    gain->AddShortenedName(AAX_CString("G"));
    gain->SetOrientation(5);
    Add(gain);

    Add(new AAX_CParameter<bool>("3", AAX_CString("Power"), true, AAX_CBinaryTaperDelegate<bool>(),
                                 AAX_CBinaryDisplayDelegate<bool>("off", "on"), false));
    if (mWithPreview)
      Add(new AAX_CParameter<bool>("PreviewID", AAX_CString("Preview"), false, AAX_CBinaryTaperDelegate<bool>(),
                                   AAX_CBinaryDisplayDelegate<bool>("off", "on"), true));
    return AAX_SUCCESS;
  }

  AAX_Result OnUpdatePageTable(uint32_t type, uint32_t size, AAX_IPageTable& table) const override
  {
    if (!mOverridePageTable)
      return AAX_CEffectParameters::OnUpdatePageTable(type, size, table);
    ++mPageTableCalls;
    return table.InsertPage(0);
  }

private:
  void Add(AAX_IParameter* parameter)
  {
    if (!mParameterManager.AddParameter(parameter))
      delete parameter;
  }
};

// One instance as the host sees it: made, referenced, initialised with the stand-in host,
// and the automation delegate's echo routed back into the instance's host-update operation.
class EffectParametersTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mLiveBefore = CACFUnknown::GetActiveObjectCount();
    mEffect = new TestEffect();
    mEffect->AddRef();
  }

  void Start()
  {
    mHost.Automation().SetUpdateSink(
      [this](const char* id, double value) { mEffect->UpdateParameterFromHost(id, value, 0); });
    ASSERT_EQ(mEffect->Init(mHost.Unknown()), AAX_SUCCESS);
  }

  void TearDown() override
  {
    mHost.Automation().SetUpdateSink(nullptr);
    if (mEffect)
    {
      mEffect->Uninit();
      mEffect->Release();
    }
    EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), mLiveBefore);
    EXPECT_TRUE(mHost.AllAtStartingCounts());
  }

  double Normalized(const char* id)
  {
    double x = -1.0;
    EXPECT_EQ(mEffect->GetParameterNormalized(id, &x), AAX_SUCCESS);
    return x;
  }

  std::string Text(const char* id)
  {
    AAX_CString s;
    EXPECT_EQ(mEffect->GetParameterText(id, &s, 32), AAX_SUCCESS);
    return s.StdString();
  }

  std::string ShortName(const char* id, int32_t n)
  {
    AAX_CString s("untouched");
    EXPECT_EQ(mEffect->GetParameterShortName(id, &s, n), AAX_SUCCESS);
    return s.StdString();
  }

  int32_t ChangeCount()
  {
    int32_t n = -1;
    EXPECT_EQ(mEffect->GetChangeCount(&n), AAX_SUCCESS);
    return n;
  }

  aaxhost::Host mHost;
  TestEffect* mEffect = nullptr;
  int32_t mLiveBefore = 0;
};

} // namespace

TEST_F(EffectParametersTest, AnswersQueriesByIdentifier)
{
  Start();
  int32_t count = 0;
  EXPECT_EQ(mEffect->GetParameterCount(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(mEffect->NumChunkedParameters(), 3); // the bypass stays out of the chunk

  AAX_CString s;
  EXPECT_EQ(mEffect->GetMasterBypassID(&s), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "MasterBypassID");
  EXPECT_EQ(mEffect->GetParameterName("2", &s), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "Output Gain");

  bool automatable = false;
  EXPECT_EQ(mEffect->GetParameterAutomatable("1", &automatable), AAX_SUCCESS);
  EXPECT_TRUE(automatable);
  EXPECT_EQ(mEffect->GetParameterAutomatable("3", &automatable), AAX_SUCCESS);
  EXPECT_FALSE(automatable);

  int32_t value = 0;
  EXPECT_EQ(mEffect->GetParameterStepCount("1", &value), AAX_SUCCESS);
  EXPECT_EQ(value, 4);
  EXPECT_EQ(mEffect->GetParameterStepCount("2", &value), AAX_SUCCESS);
  EXPECT_EQ(value, 128);
  EXPECT_EQ(mEffect->GetParameterKind("1", &value), AAX_SUCCESS);
  EXPECT_EQ(value, AAX_eParameterType_Discrete);
  EXPECT_EQ(mEffect->GetParameterKind("2", &value), AAX_SUCCESS);
  EXPECT_EQ(value, AAX_eParameterType_Continuous);
  EXPECT_EQ(mEffect->GetParameterLayoutCode("2", &value), AAX_SUCCESS);
  EXPECT_EQ(value, 5);

  double x = 0.0;
  EXPECT_EQ(mEffect->GetParameterDefault("1", &x), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(x, 1.0 / 3.0);
  EXPECT_EQ(mEffect->SetParameterDefault("2", 0.75), AAX_SUCCESS);
  EXPECT_EQ(mEffect->GetParameterDefault("2", &x), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(x, 0.75);
  EXPECT_EQ(mEffect->SetParameterDefault("2", std::nan("")), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(mEffect->GetParameterDefault("2", &x), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(x, 0.75);

  AAX_IParameter* parameter = nullptr;
  EXPECT_EQ(mEffect->FindParameterByID("3", &parameter), AAX_SUCCESS);
  ASSERT_NE(parameter, nullptr);
  EXPECT_STREQ(parameter->Identifier(), "3");
  EXPECT_EQ(mEffect->GetParameterIndexByID("3", &value), AAX_SUCCESS);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(mEffect->GetParameterIDAtIndex(2, &s), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "2");
  EXPECT_EQ(mEffect->GetParameterIDAtIndex(-1, &s), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(s.StdString(), "");
  EXPECT_EQ(mEffect->GetParameterIDAtIndex(4, &s), AAX_ERROR_INVALID_PARAMETER_ID);

  // Texts in both directions.
  EXPECT_EQ(Text("1"), "Warm");
  EXPECT_EQ(Text("2"), "0.0dB");
  EXPECT_EQ(mEffect->FormatParameterValue("1", 2.0 / 3.0, &s, 8), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "Hot");
  EXPECT_EQ(mEffect->FormatParameterValue("2", 0.25, &s, 8), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "-12.0dB");
  EXPECT_EQ(mEffect->ParseParameterText("1", &x, AAX_CString("Melt")), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(x, 1.0);
  EXPECT_EQ(mEffect->ParseParameterText("1", &x, AAX_CString("melt")), AAX_ERROR_INVALID_STRING_CONVERSION);
  EXPECT_EQ(mEffect->ParseParameterText("2", &x, AAX_CString("12dB")), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(x, 0.75);

  // The operations the library does not offer answer as fixed.
  value = 9;
  EXPECT_EQ(mEffect->HostQuery19("1", 0, &value), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(value, 0);
  value = 9;
  EXPECT_EQ(mEffect->HostOperation42(0, nullptr, 0, &value), AAX_SUCCESS);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(mEffect->HostOperation41(0, 0, nullptr), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(mEffect->HostOperation48(0, nullptr), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(mEffect->HostOperation44(0), AAX_SUCCESS);
}

TEST_F(EffectParametersTest, UnknownIdentifiersAreRefused)
{
  Start();
  for (const char* id : {"0", "abc", "99", "", static_cast<const char*>(nullptr)})
  {
    SCOPED_TRACE(id ? id : "(null)");
    bool b = true;
    int32_t i = 0;
    double x = 0.5;
    AAX_CString s("old");
    AAX_IParameter* p = reinterpret_cast<AAX_IParameter*>(&i);
    EXPECT_EQ(mEffect->GetParameterAutomatable(id, &b), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_FALSE(b);
    EXPECT_EQ(mEffect->GetParameterStepCount(id, &i), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->GetParameterDefault(id, &x), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->SetParameterDefault(id, 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->GetParameterKind(id, &i), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->GetParameterLayoutCode(id, &i), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->FindParameterByID(id, &p), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(mEffect->GetParameterIndexByID(id, &i), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(i, -1);
    EXPECT_EQ(mEffect->ParseParameterText(id, &x, AAX_CString("1")), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->FormatParameterValue(id, 0.5, &s, 8), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->GetParameterText(id, &s, 8), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->GetParameterNormalized(id, &x), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->SetParameterNormalized(id, 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->NudgeParameterNormalized(id, 0.1), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->BeginParameterTouch(id), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->EndParameterTouch(id), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->UpdateParameterFromHost(id, 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mEffect->NudgeParameterFromHost(id, 0.1), AAX_ERROR_INVALID_PARAMETER_ID);
    // The name queries answer with an empty text instead.
    EXPECT_EQ(mEffect->GetParameterName(id, &s), AAX_SUCCESS);
    EXPECT_EQ(s.StdString(), "");
    s = "old";
    EXPECT_EQ(mEffect->GetParameterShortName(id, &s, 4), AAX_SUCCESS);
    EXPECT_EQ(s.StdString(), "");
    EXPECT_FALSE(mEffect->IsParameterTouched(id));
  }
  EXPECT_EQ(ChangeCount(), 0);
}

TEST_F(EffectParametersTest, HostUpdatesApplyClampAndCountChanges)
{
  Start();
  EXPECT_EQ(ChangeCount(), 0);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", 0.75, 0), AAX_SUCCESS);
  EXPECT_EQ(Text("2"), "12.0dB");
  EXPECT_EQ(ChangeCount(), 1);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", 0.75, 0), AAX_SUCCESS); // same value
  EXPECT_EQ(ChangeCount(), 1);

  // Out of range clamps; non-finite values change nothing.
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", 1.7, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("2"), 1.0);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", -3.0, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.0);
  EXPECT_EQ(ChangeCount(), 3);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", std::nan(""), 0), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("2", std::numeric_limits<double>::infinity(), 0),
            AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.0);
  EXPECT_EQ(ChangeCount(), 3);

  // A stepped parameter whose step does not move is no change.
  EXPECT_EQ(mEffect->UpdateParameterFromHost("1", 0.34, 0), AAX_SUCCESS);
  EXPECT_EQ(ChangeCount(), 3);
  EXPECT_EQ(mEffect->UpdateParameterFromHost("1", 1.0, 0), AAX_SUCCESS);
  EXPECT_EQ(Text("1"), "Melt");
  EXPECT_EQ(ChangeCount(), 4);

  // Host nudges step from the current value and stop at the ends.
  EXPECT_EQ(mEffect->NudgeParameterFromHost("2", 0.25), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.25);
  EXPECT_EQ(mEffect->NudgeParameterFromHost("2", -2.0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.0);
  EXPECT_EQ(mEffect->NudgeParameterFromHost("2", std::nan("")), AAX_ERROR_INVALID_ARGUMENT);

  // Every update is reported to the host as the parameter's current value.
  const auto reported = mHost.Automation().CurrentValues();
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back().id, "2");
  EXPECT_DOUBLE_EQ(reported.back().value, 0.0);
}

TEST_F(EffectParametersTest, LocalChangesEchoBackAsBalancedGestures)
{
  Start();
  mHost.Context().ClearCalls();
  EXPECT_EQ(mEffect->SetParameterNormalized("2", 0.25), AAX_SUCCESS);
  // The value arrived only through the host's echo of the request.
  EXPECT_EQ(Text("2"), "-12.0dB");
  EXPECT_EQ(ChangeCount(), 1);
  const auto requests = mHost.Automation().SetValueRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].id, "2");
  EXPECT_DOUBLE_EQ(requests[0].value, 0.25);

  EXPECT_EQ(mEffect->NudgeParameterNormalized("2", 0.9), AAX_SUCCESS); // passes 1.0: exactly 1.0
  EXPECT_DOUBLE_EQ(Normalized("2"), 1.0);
  EXPECT_EQ(mEffect->SetParameterNormalized("2", 7.0), AAX_SUCCESS); // clamped before it leaves
  EXPECT_DOUBLE_EQ(mHost.Automation().SetValueRequests().back().value, 1.0);
  EXPECT_EQ(mEffect->SetParameterNormalized("2", std::nan("")), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(mHost.Automation().SetValueRequests().size(), 3u);

  // A drag: touch, several values, release; the host sees every gesture paired.
  EXPECT_EQ(mEffect->BeginParameterTouch("1"), AAX_SUCCESS);
  EXPECT_TRUE(mEffect->IsParameterTouched("1"));
  EXPECT_TRUE(mEffect->IsParameterTouchedForSource("1", 0));
  EXPECT_FALSE(mEffect->IsParameterTouchedForSource("1", 1));
  EXPECT_EQ(mEffect->SetParameterNormalized("1", 0.0), AAX_SUCCESS);
  EXPECT_EQ(mEffect->SetParameterNormalized("1", 2.0 / 3.0), AAX_SUCCESS);
  EXPECT_EQ(mEffect->EndParameterTouch("1"), AAX_SUCCESS);
  EXPECT_FALSE(mEffect->IsParameterTouched("1"));
  EXPECT_EQ(Text("1"), "Hot");
  EXPECT_EQ(mHost.Automation().TouchDepth("1"), 0);
  EXPECT_EQ(mHost.Automation().TouchDepth("2"), 0);

  // The log holds the gestures in order: every set request between a touch and a release.
  int depth = 0;
  int sets = 0;
  for (const std::string& call : mHost.Context().Calls())
  {
    if (call == "AutomationDelegate.PostTouchRequest")
      ++depth;
    else if (call == "AutomationDelegate.PostReleaseRequest")
      --depth;
    else if (call == "AutomationDelegate.PostSetValueRequest")
    {
      ++sets;
      EXPECT_GT(depth, 0);
    }
    EXPECT_GE(depth, 0);
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(sets, 5);
}

TEST_F(EffectParametersTest, DefaultChunkRoundTrip)
{
  Start();
  int32_t chunks = 0;
  AAX_CTypeID id = 1;
  EXPECT_EQ(mEffect->GetChunkCount(&chunks), AAX_SUCCESS);
  EXPECT_EQ(chunks, 1);
  EXPECT_EQ(mEffect->GetChunkIDAtIndex(0, &id), AAX_SUCCESS);
  EXPECT_EQ(id, AAX_MakeFourCC('e', 'l', 'c', 'k'));
  EXPECT_EQ(mEffect->GetChunkIDAtIndex(1, &id), AAX_ERROR_INVALID_CHUNK_INDEX);
  EXPECT_EQ(id, 0u);

  uint32_t size = 99;
  EXPECT_EQ(mEffect->GetStateChunkSize(AAX_MakeFourCC('a', 'b', 'c', 'd'), &size), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(size, 0u);

  mEffect->UpdateParameterFromHost("1", 1.0, 0);
  mEffect->UpdateParameterFromHost("2", 0.625, 0);
  ASSERT_EQ(mEffect->GetStateChunkSize(AAX_kDefaultChunkID, &size), AAX_SUCCESS);
  // Marker; "l_1" int32; "d_2" double; "l_3" int32 (the bool). The bypass is left out.
  EXPECT_EQ(size, 4u + 8u + 12u + 8u);

  std::vector<uint8_t> record(AAX_ChunkRecordSize(size));
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fChunkID = static_cast<int32_t>(AAX_kDefaultChunkID);
  ASSERT_EQ(mEffect->GetStateChunk(AAX_kDefaultChunkID, chunk), AAX_SUCCESS);
  EXPECT_EQ(chunk->fSize, static_cast<int32_t>(size));
  EXPECT_STREQ(chunk->fName, "Complete Controls State");
  const uint8_t marker[4] = {1, 1, 1, 1};
  EXPECT_EQ(std::memcmp(chunk->fData, marker, 4), 0);
  EXPECT_EQ(mEffect->GetStateChunk(AAX_MakeFourCC('x', 'x', 'x', 'x'), chunk), AAX_ERROR_INVALID_CHUNK_ID);

  bool equal = false;
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);

  // Change everything, then restore from the chunk.
  mEffect->UpdateParameterFromHost("1", 0.0, 0);
  mEffect->UpdateParameterFromHost("2", 0.1, 0);
  mEffect->UpdateParameterFromHost("3", 0.0, 0);
  mEffect->UpdateParameterFromHost(AAX_kMasterBypassID, 1.0, 0);
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);
  EXPECT_EQ(mEffect->SetStateChunk(AAX_MakeFourCC('x', 'x', 'x', 'x'), chunk), AAX_ERROR_INVALID_CHUNK_ID);
  ASSERT_EQ(mEffect->SetStateChunk(AAX_kDefaultChunkID, chunk), AAX_SUCCESS);
  EXPECT_EQ(Text("1"), "Melt");
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.625);
  EXPECT_DOUBLE_EQ(Normalized("3"), 1.0);
  EXPECT_DOUBLE_EQ(Normalized(AAX_kMasterBypassID), 1.0); // not in the chunk: unchanged
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);

  // The size must still be what the host sized the record for.
  mEffect->UpdateParameterFromHost("2", 0.5, 0);
  EXPECT_EQ(mEffect->GetStateChunk(AAX_kDefaultChunkID, chunk), AAX_SUCCESS); // same size: fine

  // A chunk of another identifier counts as equal; a damaged one restores nothing.
  chunk->fChunkID = static_cast<int32_t>(AAX_MakeFourCC('o', 't', 'h', 'r'));
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  chunk->fChunkID = static_cast<int32_t>(AAX_kDefaultChunkID);
  chunk->fData[0] = 7;
  EXPECT_EQ(mEffect->SetStateChunk(AAX_kDefaultChunkID, chunk), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.5);
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);
}

TEST_F(EffectParametersTest, ChunkWithOnlyTheBypassHoldsTheMarker)
{
  mEffect->mOnlyBypass = true;
  Start();
  EXPECT_EQ(mEffect->NumChunkedParameters(), 0);
  uint32_t size = 0;
  ASSERT_EQ(mEffect->GetStateChunkSize(AAX_kDefaultChunkID, &size), AAX_SUCCESS);
  EXPECT_EQ(size, 4u);
}

TEST_F(EffectParametersTest, PacketPassPostsDirtyPacketsOnce)
{
  Start();
  mEffect->AddGainPacket(7);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS); // new packets start dirty
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  auto packets = mHost.GetController().Packets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].field, 7u);
  ASSERT_EQ(packets[0].data.size(), sizeof(double));

  // Every host update marks the packet, also one that changes nothing.
  mEffect->UpdateParameterFromHost("2", 0.75, 0);
  mEffect->UpdateParameterFromHost("2", 0.75, 0);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  mEffect->UpdateParameterFromHost("2", 0.75, 0);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  packets = mHost.GetController().Packets();
  ASSERT_EQ(packets.size(), 3u);
  double posted = 0.0;
  std::memcpy(&posted, packets[1].data.data(), sizeof(posted));
  EXPECT_DOUBLE_EQ(posted, 12.0);

  // Updates of parameters without a packet post nothing.
  mEffect->UpdateParameterFromHost("1", 0.0, 0);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(mHost.GetController().Packets().size(), 3u);
}

TEST_F(EffectParametersTest, ShortNamesOfSeveralLengths)
{
  Start();
  AAX_IParameter* parameter = nullptr;
  ASSERT_EQ(mEffect->FindParameterByID("1", &parameter), AAX_SUCCESS);

  // Lines of 4, 2 and 1 characters.
  parameter->SetName(AAX_CString("Mode\nMd\nM"));
  EXPECT_EQ(ShortName("1", 2), "Md");
  EXPECT_EQ(ShortName("1", 3), "Md");
  EXPECT_EQ(ShortName("1", 1), "M");
  EXPECT_EQ(ShortName("1", 0), "");
  EXPECT_EQ(ShortName("1", 40), "Mode");

  // A blank line is a line of length 0; a line feed at the end adds none.
  parameter->SetName(AAX_CString("Mode\n\nLevel"));
  EXPECT_EQ(ShortName("1", 3), "");
  EXPECT_EQ(ShortName("1", 4), "Mode");
  parameter->SetName(AAX_CString("Mode\n"));
  EXPECT_EQ(ShortName("1", 2), "Mo");

  parameter->SetName(AAX_CString("Drives"));
  EXPECT_EQ(ShortName("1", 3), "Dri");
  EXPECT_EQ(ShortName("1", 6), "Drives");
  EXPECT_EQ(ShortName("1", -2), "");

  // Stored shortened names are chosen first.
  EXPECT_EQ(ShortName("2", 40), "Output Gain");
  EXPECT_EQ(ShortName("2", 5), "Gain");
  EXPECT_EQ(ShortName("2", 1), "G");
  EXPECT_EQ(ShortName("2", 0), "");

  // An empty name writes an empty text.
  parameter->SetName(AAX_CString(""));
  EXPECT_EQ(ShortName("1", 8), "");

  // A name longer than the 255 characters looked at is cut first.
  parameter->SetName(AAX_CString(std::string(300, 'x')));
  EXPECT_EQ(ShortName("1", 1000), std::string(255, 'x'));

  EXPECT_EQ(mEffect->GetParameterShortName("1", nullptr, 4), AAX_ERROR_INVALID_STRING_CONVERSION);
}

TEST_F(EffectParametersTest, PreviewNotificationSetsThePreviewParameter)
{
  mEffect->mWithPreview = true;
  Start();
  const int32_t on = 1;
  const AAX_CTypeID preview = AAX_MakeFourCC('A', 'S', 'P', 'v');
  EXPECT_EQ(mEffect->OnNotification(preview, &on, 2), AAX_SUCCESS); // too short: ignored
  EXPECT_DOUBLE_EQ(Normalized("PreviewID"), 0.0);
  EXPECT_EQ(mEffect->OnNotification(preview, nullptr, 4), AAX_SUCCESS);
  EXPECT_EQ(mEffect->OnNotification(preview, &on, sizeof(on)), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Normalized("PreviewID"), 1.0);
  EXPECT_EQ(mEffect->OnNotification(AAX_MakeFourCC('A', 'X', 't', 'n'), &on, sizeof(on)), AAX_SUCCESS);
}

TEST_F(EffectParametersTest, PageTableReachesTheHookOnlyWhenOffered)
{
  Start();
  auto* table = new aaxhost::PageTable(mHost.SharedContext());
  EXPECT_EQ(mEffect->UpdatePageTable(1, 4, nullptr, nullptr), AAX_SUCCESS);
  EXPECT_EQ(mEffect->UpdatePageTable(1, 4, nullptr, table), AAX_ERROR_UNIMPLEMENTED);
  mEffect->mOverridePageTable = true;
  EXPECT_EQ(mEffect->UpdatePageTable(1, 4, nullptr, table), AAX_SUCCESS);
  EXPECT_EQ(mEffect->mPageTableCalls, 1);
  int32_t pages = 0;
  EXPECT_EQ(table->GetNumPages(&pages), AAX_SUCCESS);
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(table->RefCount(), 1); // the wrapper gave back what it took
  table->Release();
}

TEST_F(EffectParametersTest, ComponentIdentityAndReferenceBalance)
{
  void* out = nullptr;
  for (const acfIID& iid : {IID_IAAXEffectParametersV1, IID_IAAXEffectParametersV2, IID_IAAXEffectParametersV3,
                            IID_IAAXEffectParametersV4})
  {
    ASSERT_EQ(mEffect->QueryInterface(iid, &out), ACF_OK);
    EXPECT_EQ(out, static_cast<IACFUnknown*>(static_cast<AAX_IEffectParameters*>(mEffect)));
    EXPECT_EQ(mEffect->GetRefCount(), 2);
    mEffect->Release();
  }
  EXPECT_EQ(mEffect->QueryInterface(IID_IAAXEffectGUIV1, &out), ACF_E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  // Init, a second Init, Uninit: every host reference the instance took is given back.
  Start();
  ASSERT_EQ(mEffect->Init(mHost.Unknown()), AAX_SUCCESS);
  int32_t count = 0;
  mEffect->GetParameterCount(&count);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(mHost.Automation().Registered().size(), 4u);
  EXPECT_EQ(mEffect->Uninit(), AAX_SUCCESS);
  EXPECT_TRUE(mHost.Automation().Registered().empty());
  EXPECT_TRUE(mHost.AllAtStartingCounts());
  EXPECT_EQ(mEffect->GetController(), nullptr);

  // Released without Uninit: the destructor still unregisters before its wrappers go.
  ASSERT_EQ(mEffect->Init(mHost.Unknown()), AAX_SUCCESS);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), mLiveBefore + 1);
  mEffect->Release();
  mEffect = nullptr;
  EXPECT_TRUE(mHost.Automation().Registered().empty());
}

TEST(AaxConversions, Int32AndNormalised)
{
  EXPECT_EQ(ToInt32FromNormalized(0.0), INT32_MIN);
  EXPECT_EQ(ToInt32FromNormalized(1.0), INT32_MAX);
  EXPECT_EQ(ToInt32FromNormalized(0.5), 0);
  EXPECT_EQ(ToInt32FromNormalized(-4.0), INT32_MIN);
  EXPECT_EQ(ToInt32FromNormalized(9.0), INT32_MAX);
  EXPECT_EQ(ToInt32FromNormalized(std::nan("")), INT32_MIN);
  EXPECT_DOUBLE_EQ(ToNormalizedFromInt32(INT32_MIN), 0.0);
  EXPECT_DOUBLE_EQ(ToNormalizedFromInt32(INT32_MAX), 1.0);
  for (int32_t v : {INT32_MIN, -1000000, -1, 0, 1, 123456789, INT32_MAX})
    EXPECT_EQ(ToInt32FromNormalized(ToNormalizedFromInt32(v)), v);
  EXPECT_DOUBLE_EQ(ToNormalizedFromBool(true), 1.0);
  EXPECT_DOUBLE_EQ(ToNormalizedFromBool(false), 0.0);
}

TEST_F(EffectParametersTest, TaperAndDisplayChangesThroughTheInstance)
{
  Start();
  mEffect->AddGainPacket(3);
  mEffect->QueueParameterState();
  mEffect->UpdateParameterFromHost("2", 0.75, 0); // +12 dB
  mEffect->QueueParameterState();
  const size_t posted = mHost.GetController().Packets().size();

  // Keeping the real value moves its normalised position; the host hears of it by request.
  AAX_CLinearTaperDelegate<double, 0> wider(-48.0, 48.0);
  EXPECT_EQ(mEffect->SetParameterTaper("2", wider, true), AAX_SUCCESS);
  EXPECT_EQ(Text("2"), "12.0dB");
  EXPECT_DOUBLE_EQ(Normalized("2"), 0.625);
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(mHost.GetController().Packets().size(), posted + 1); // the echo marked it

  // Keeping the normalised value moves the real value and marks the packet itself.
  AAX_CLinearTaperDelegate<double, 0> narrow(-8.0, 8.0);
  EXPECT_EQ(mEffect->SetParameterTaper("2", narrow, false), AAX_SUCCESS);
  EXPECT_EQ(Text("2"), "2.0dB");
  EXPECT_EQ(mEffect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(mHost.GetController().Packets().size(), posted + 2);

  AAX_CUnitDisplayDelegateDecorator<double> percent(AAX_CNumberDisplayDelegate<double, 0, 0>(), AAX_CString("%"));
  EXPECT_EQ(mEffect->SetParameterDisplay("2", percent), AAX_SUCCESS);
  EXPECT_EQ(Text("2"), "2%");
  EXPECT_EQ(mEffect->SetParameterTaper("nope", narrow, false), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(mEffect->SetParameterDisplay("nope", percent), AAX_ERROR_INVALID_PARAMETER_ID);
}

TEST_F(EffectParametersTest, UninitialisedInstanceAnswersSafely)
{
  int32_t count = -1;
  EXPECT_EQ(mEffect->GetParameterCount(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 0);
  AAX_CString s("x");
  EXPECT_EQ(mEffect->GetMasterBypassID(&s), AAX_SUCCESS);
  EXPECT_EQ(s.StdString(), "");
  EXPECT_EQ(mEffect->GetController(), nullptr);
  EXPECT_FALSE(mEffect->IsParameterTouched("1"));
  // A chunk asked for without its size first cannot be trusted to fit the host's record.
  std::vector<uint8_t> early(AAX_ChunkRecordSize(64));
  EXPECT_EQ(mEffect->GetStateChunk(AAX_kDefaultChunkID, reinterpret_cast<AAX_SPlugInChunk*>(early.data())),
            AAX_ERROR_INCORRECT_CHUNK_SIZE);
  uint32_t size = 0;
  EXPECT_EQ(mEffect->GetStateChunkSize(AAX_kDefaultChunkID, &size), AAX_SUCCESS);
  EXPECT_EQ(size, 4u);
  bool equal = false;
  std::vector<uint8_t> record(AAX_ChunkRecordSize(4));
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fChunkID = static_cast<int32_t>(AAX_kDefaultChunkID);
  EXPECT_EQ(mEffect->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal); // nothing to compare
  EXPECT_EQ(mEffect->GetChangeCount(nullptr), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(mEffect->GetStateChunk(AAX_kDefaultChunkID, nullptr), AAX_ERROR_NULL_ARGUMENT);
  uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(mEffect->InitPrivateData(23, block, sizeof(block)), AAX_SUCCESS);
  for (uint8_t b : block)
    EXPECT_EQ(b, 0);
  EXPECT_EQ(mEffect->Uninit(), AAX_SUCCESS);
}
