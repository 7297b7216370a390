// The AAX binding (IPluginAAX on AAX_CIPluginParameters) against the host stand-in: the host
// parameters it publishes, host automation, the automation round trip of editor gestures,
// the default chunk, the packet pass and its state counter, and reference balance.

#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CLinearTaperDelegate.h"
#include "aax/library/AAX_CNumberDisplayDelegate.h"
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_VPageTable.h"
#include "aax/library/CACFUnknown.h"
#include "standin/aaxhost/Host.h"
#include "standin/foundation/RunLoop.h"
#include "tests/aax/TestAAXPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace testaax;
using plug::AAX_CIPluginParameters;
using plug::SParamValList;
using plug::TParamValPair;
using standin::RunLoop;

namespace {

std::string Str(const AAX_CString& s) { return s.StdString(); }

// The int64 state numbers posted on field 25, in order.
std::vector<int64_t> StateNumbersPosted(const aaxhost::Controller& controller)
{
  std::vector<int64_t> numbers;
  for (const auto& packet : controller.Packets())
  {
    if (packet.field != 25)
      continue;
    EXPECT_EQ(packet.data.size(), 8u);
    int64_t n = 0;
    std::memcpy(&n, packet.data.data(), std::min<size_t>(8, packet.data.size()));
    numbers.push_back(n);
  }
  return numbers;
}

// The automation gestures the plug-in sent, in order ("touch 2", "set 2", "release 2").
class GestureLog
{
public:
  explicit GestureLog(const aaxhost::Host& host) : mHost(host) { mHost.Context().ClearCalls(); }
  std::vector<std::string> Kinds() const
  {
    std::vector<std::string> kinds;
    for (const auto& call : mHost.Context().Calls())
    {
      if (call == "AutomationDelegate.PostTouchRequest")
        kinds.push_back("touch");
      else if (call == "AutomationDelegate.PostSetValueRequest")
        kinds.push_back("set");
      else if (call == "AutomationDelegate.PostReleaseRequest")
        kinds.push_back("release");
    }
    return kinds;
  }

private:
  const aaxhost::Host& mHost;
};

class BindingTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
    ASSERT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
    mHost = std::make_unique<aaxhost::Host>();
    mHost->GetController().SetSampleRate(44100.0f);
    mPlugin = new TestAAXPlugin();
    mPlugin->AddRef();
    // Like a real host, the stand-in answers a set-value request with a host update.
    mHost->Automation().SetUpdateSink([this](const char* id, double value) {
      mPlugin->UpdateParameterFromHost(id, value, AAX_eUpdateSource_Parameter);
    });
    ASSERT_EQ(mPlugin->Init(mHost->Unknown()), AAX_SUCCESS);
    mPlugin->mChanges.clear();
  }

  void TearDown() override
  {
    mHost->Automation().SetUpdateSink(nullptr);
    if (mPlugin)
    {
      EXPECT_EQ(mPlugin->Uninit(), AAX_SUCCESS);
      EXPECT_EQ(mPlugin->Release(), 0u);
    }
    ExpectNothingLeft(*mHost);
  }

  double Normalized(const char* id) const
  {
    double v = -1.0;
    EXPECT_EQ(mPlugin->GetParameterNormalized(id, &v), AAX_SUCCESS) << id;
    return v;
  }
  std::string Text(const char* id, int32_t maxLength = 32) const
  {
    AAX_CString s;
    EXPECT_EQ(mPlugin->GetParameterText(id, &s, maxLength), AAX_SUCCESS) << id;
    return Str(s);
  }
  double Value(int idx) const { return mPlugin->GetParam(idx)->Value(); }

  std::unique_ptr<aaxhost::Host> mHost;
  TestAAXPlugin* mPlugin = nullptr;
};

TEST_F(BindingTest, InitPublishesBypassAndOneHostParameterPerDefinedIParam)
{
  int32_t count = 0;
  ASSERT_EQ(mPlugin->GetParameterCount(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 9) << "bypass plus every IParam except the undefined one";

  const std::vector<std::string> ids = {"MasterBypassID", "1", "2", "3", "4", "5", "6", "8", "9"};
  for (int32_t i = 0; i < count; ++i)
  {
    AAX_CString id;
    EXPECT_EQ(mPlugin->GetParameterIDAtIndex(i, &id), AAX_SUCCESS);
    EXPECT_EQ(Str(id), ids[static_cast<size_t>(i)]);
  }
  AAX_CString bypassID;
  mPlugin->GetMasterBypassID(&bypassID);
  EXPECT_EQ(Str(bypassID), "MasterBypassID");
  EXPECT_STREQ(mPlugin->ParamIDForIndex(kSpare), "7") << "the identifier list keeps every index";
  EXPECT_STREQ(mPlugin->ParamIDForIndex(kNumParams), "");

  struct Expected
  {
    const char* id;
    const char* name;
    int32_t steps;
    int32_t kind;
    bool automatable;
    double normDefault;
    const char* text;
  };
  const double freqDefault = std::log(1000.0 / 20.0) / std::log(20000.0 / 20.0);
  const Expected expected[] = {
    {"MasterBypassID", "Master Bypass", 2, AAX_eParameterType_Discrete, true, 0.0, "bypass"},
    {"1", "Gain", 128, AAX_eParameterType_Continuous, true, 0.5, "0.00dB"},
    {"2", "Drive", 128, AAX_eParameterType_Continuous, true, 0.5, "25.00%"},
    {"3", "Frequency", 128, AAX_eParameterType_Continuous, true, freqDefault, "1000.00Hz"},
    {"4", "Steps", 128, AAX_eParameterType_Continuous, true, 3.0 / 7.0, "4x"},
    {"5", "Power", 2, AAX_eParameterType_Discrete, true, 1.0, "on"},
    {"6", "Mode", 3, AAX_eParameterType_Discrete, true, 0.5, "Hard"},
    {"8", "Scale", 128, AAX_eParameterType_Continuous, false, 1.0 / 3.0, "1.00"},
    {"9", "Stepped", 128, AAX_eParameterType_Continuous, true, 0.5, "5.00"},
  };
  for (const Expected& e : expected)
  {
    SCOPED_TRACE(e.id);
    AAX_CString name;
    mPlugin->GetParameterName(e.id, &name);
    EXPECT_EQ(Str(name), e.name);
    int32_t steps = 0;
    EXPECT_EQ(mPlugin->GetParameterStepCount(e.id, &steps), AAX_SUCCESS);
    EXPECT_EQ(steps, e.steps);
    int32_t kind = -1;
    EXPECT_EQ(mPlugin->GetParameterKind(e.id, &kind), AAX_SUCCESS);
    EXPECT_EQ(kind, e.kind);
    bool automatable = !e.automatable;
    EXPECT_EQ(mPlugin->GetParameterAutomatable(e.id, &automatable), AAX_SUCCESS);
    EXPECT_EQ(automatable, e.automatable);
    double normDefault = -1.0;
    EXPECT_EQ(mPlugin->GetParameterDefault(e.id, &normDefault), AAX_SUCCESS);
    EXPECT_NEAR(normDefault, e.normDefault, 1e-12);
    EXPECT_NEAR(Normalized(e.id), e.normDefault, 1e-12) << "the current value starts at the default";
    EXPECT_EQ(Text(e.id), e.text);
  }

  // The host's sample rate, the reset after reading it, and the host named.
  EXPECT_DOUBLE_EQ(mPlugin->GetSampleRate(), 44100.0);
  EXPECT_EQ(mPlugin->mResets, 1);
  EXPECT_EQ(mPlugin->GetHost(), plug::kHostProTools);
  EXPECT_FALSE(mPlugin->IsBypassed());
  EXPECT_EQ(mPlugin->NumChunkedParameters(), 8) << "the bypass stays out of the default chunk";
  // Every host parameter is known to the host's automation.
  EXPECT_EQ(mHost->Automation().Registered().size(), 9u);
}

TEST_F(BindingTest, DisplayTextsFormatAndParseThroughTheDelegates)
{
  AAX_CString text;
  EXPECT_EQ(mPlugin->FormatParameterValue("1", 0.75, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Str(text), "6.00dB");
  EXPECT_EQ(mPlugin->FormatParameterValue("6", 1.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Str(text), "Fold");
  EXPECT_EQ(mPlugin->FormatParameterValue("MasterBypassID", 1.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Str(text), "on");
  EXPECT_EQ(mPlugin->FormatParameterValue("5", 0.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Str(text), "off");
  EXPECT_EQ(mPlugin->FormatParameterValue("4", 1.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Str(text), "8x");
  EXPECT_EQ(Text("1", 4), "0.00") << "the unit goes only where it fits";

  double norm = -1.0;
  EXPECT_EQ(mPlugin->ParseParameterText("1", &norm, AAX_CString("6.00dB")), AAX_SUCCESS);
  EXPECT_NEAR(norm, 0.75, 1e-12);
  EXPECT_EQ(mPlugin->ParseParameterText("1", &norm, AAX_CString("-6")), AAX_SUCCESS);
  EXPECT_NEAR(norm, 0.25, 1e-12);
  EXPECT_EQ(mPlugin->ParseParameterText("4", &norm, AAX_CString("5x")), AAX_SUCCESS);
  EXPECT_NEAR(norm, 4.0 / 7.0, 1e-12);
  EXPECT_EQ(mPlugin->ParseParameterText("6", &norm, AAX_CString("Fold")), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(norm, 1.0);
  EXPECT_EQ(mPlugin->ParseParameterText("6", &norm, AAX_CString("fold")), AAX_ERROR_INVALID_STRING_CONVERSION);
  EXPECT_EQ(mPlugin->ParseParameterText("MasterBypassID", &norm, AAX_CString("bypass")), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(norm, 0.0);
  EXPECT_EQ(mPlugin->ParseParameterText("7", &norm, AAX_CString("1")), AAX_ERROR_INVALID_PARAMETER_ID);

  // Short names of several lengths: the whole name when it fits, else its first characters.
  const struct
  {
    const char* id;
    int32_t length;
    const char* expected;
  } shortNames[] = {{"3", 20, "Frequency"}, {"3", 9, "Frequency"}, {"3", 4, "Freq"}, {"3", 1, "F"},
                    {"3", 0, ""},           {"MasterBypassID", 6, "Master"},      {"2", 5, "Drive"}};
  for (const auto& s : shortNames)
  {
    AAX_CString name("stale");
    EXPECT_EQ(mPlugin->GetParameterShortName(s.id, &name, s.length), AAX_SUCCESS);
    EXPECT_EQ(Str(name), s.expected) << s.id << " at " << s.length;
  }
}

TEST_F(BindingTest, HostUpdatesReachTheIParamShapedSteppedAndClamped)
{
  int32_t changes0 = 0;
  mPlugin->GetChangeCount(&changes0);

  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 0.75, AAX_eUpdateSource_Parameter), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kGain), 6.0);
  EXPECT_DOUBLE_EQ(Normalized("1"), 0.75);
  ASSERT_EQ(mPlugin->mChanges.size(), 1u);
  EXPECT_EQ(mPlugin->mChanges[0].idx, kGain);
  EXPECT_EQ(mPlugin->mChanges[0].source, plug::kHost);
  EXPECT_EQ(mPlugin->mChanges[0].offset, -1);

  // Shape: power curve 2 and exponential.
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("2", 0.3, 0), AAX_SUCCESS);
  EXPECT_NEAR(Value(kDrive), 9.0, 1e-9);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("3", 0.5, 0), AAX_SUCCESS);
  EXPECT_NEAR(Value(kFreq), 20.0 * std::sqrt(1000.0), 1e-9) << "the step only rounds stepped doubles";
  // Steps: between steps lands on the nearest one; int and enum on whole values.
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("9", 0.3, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kStepped), 2.5);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("9", 0.9, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kStepped), 10.0);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("4", 0.5, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kSteps), 5.0);
  EXPECT_EQ(Text("4"), "5x") << "host parameter and IParam agree";
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("6", 0.0, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kMode), 0.0);
  EXPECT_EQ(Text("6"), "Soft");
  // Clamped into 0..1; a value that is not finite changes nothing.
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 1.5, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kGain), 12.0);
  EXPECT_DOUBLE_EQ(Normalized("1"), 1.0);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", -3.0, 0), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(Value(kGain), -12.0);
  const size_t hooksBefore = mPlugin->mChanges.size();
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", bad, 0), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_DOUBLE_EQ(Value(kGain), -12.0);
  EXPECT_DOUBLE_EQ(Normalized("1"), 0.0);
  EXPECT_EQ(mPlugin->mChanges.size(), hooksBefore);

  // Identifiers that name no host parameter change nothing.
  for (const char* id : {"0", "10", "34", "7", "abc", "", " 1", "99999999999999999999999"})
    EXPECT_EQ(mPlugin->UpdateParameterFromHost(id, 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID) << id;
  EXPECT_EQ(mPlugin->UpdateParameterFromHost(nullptr, 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(mPlugin->mChanges.size(), hooksBefore);

  // The bypass changes only the bypass (and the change count).
  std::vector<double> before;
  for (int i = 0; i < kNumParams; ++i)
    before.push_back(Value(i));
  int32_t changes1 = 0;
  mPlugin->GetChangeCount(&changes1);
  EXPECT_GT(changes1, changes0);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("MasterBypassID", 1.0, 0), AAX_SUCCESS);
  EXPECT_TRUE(mPlugin->IsBypassed());
  int32_t changes2 = 0;
  mPlugin->GetChangeCount(&changes2);
  EXPECT_EQ(changes2, changes1 + 1);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(Value(i), before[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(mPlugin->mChanges.size(), hooksBefore);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("MasterBypassID", 0.0, 0), AAX_SUCCESS);
  EXPECT_FALSE(mPlugin->IsBypassed());

  // Every accepted host update counts, also one that repeats the current value; refused
  // ones do not.
  int32_t changes3 = 0;
  mPlugin->GetChangeCount(&changes3);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("MasterBypassID", 0.0, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", Normalized("1"), 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", std::numeric_limits<double>::quiet_NaN(), 0),
            AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("abc", 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  int32_t changes4 = 0;
  mPlugin->GetChangeCount(&changes4);
  EXPECT_EQ(changes4, changes3 + 2);

  // Every host change was queued for the editor and reaches it on the next timer tick.
  mPlugin->mToUI.clear();
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 0.25, 0), AAX_SUCCESS);
  EXPECT_TRUE(mPlugin->mToUI.empty()) << "not before the editor timer runs";
  RunLoop::Main().RunForMs(20);
  ASSERT_FALSE(mPlugin->mToUI.empty());
  EXPECT_EQ(mPlugin->mToUI.back().first, kGain);
  EXPECT_DOUBLE_EQ(mPlugin->mToUI.back().second, -6.0);
}

TEST_F(BindingTest, IdentifierNumbersFollowTheAtoiRuleWithoutOverflow)
{
  EXPECT_EQ(plug::IPluginAAX::ParseIDNumber("5"), 5);
  EXPECT_EQ(plug::IPluginAAX::ParseIDNumber("  +12abc"), 12);
  EXPECT_EQ(plug::IPluginAAX::ParseIDNumber("-3"), -3);
  EXPECT_EQ(plug::IPluginAAX::ParseIDNumber("abc"), 0);
  EXPECT_EQ(plug::IPluginAAX::ParseIDNumber(nullptr), 0);
  EXPECT_GT(plug::IPluginAAX::ParseIDNumber("123456789012345678901234567890"), 1000000);
  EXPECT_EQ(mPlugin->ParamIndexForID("1"), 0);
  EXPECT_EQ(mPlugin->ParamIndexForID("9"), 8);
  EXPECT_EQ(mPlugin->ParamIndexForID("10"), -1);
  EXPECT_EQ(mPlugin->ParamIndexForID("0"), -1);
  EXPECT_EQ(mPlugin->ParamIndexForID("MasterBypassID"), -1);
}

TEST_F(BindingTest, EditorGesturesTravelThroughTheHostAndComeBackAsUpdates)
{
  GestureLog log(*mHost);
  mPlugin->BeginParamEditFromUI(kDrive);
  mPlugin->SetParamValueFromUI(kDrive, 0.5);
  mPlugin->SetParamValueFromUI(kDrive, 0.6);
  mPlugin->EndParamEditFromUI(kDrive);

  // The parameter's own set gesture nests inside the editor's drag.
  const std::vector<std::string> expected = {"touch", "touch", "set", "release", "touch", "set", "release", "release"};
  EXPECT_EQ(log.Kinds(), expected);
  EXPECT_EQ(mHost->Automation().TouchDepth("2"), 0) << "touches and releases balance";

  const auto requests = mHost->Automation().SetValueRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].id, "2");
  EXPECT_NEAR(requests[0].value, 0.5, 1e-12);
  EXPECT_NEAR(requests[1].value, 0.6, 1e-12);

  // The host's answers reached the host's copy; the plug-in held the values already, so they
  // ran no hook: only the editor's changes did.
  EXPECT_NEAR(Value(kDrive), 36.0, 1e-9);
  EXPECT_NEAR(Normalized("2"), 0.6, 1e-12);
  int fromHost = 0;
  int fromUI = 0;
  for (const auto& c : mPlugin->mChanges)
  {
    EXPECT_EQ(c.idx, kDrive);
    fromHost += c.source == plug::kHost;
    fromUI += c.source == plug::kUI;
  }
  EXPECT_EQ(fromHost, 0);
  EXPECT_EQ(fromUI, 2);

  // Gestures for an index outside the list go nowhere.
  GestureLog none(*mHost);
  mPlugin->HostBeginParamEdit(kNumParams);
  mPlugin->SetParamAndTellHost(-1, 0.5);
  mPlugin->SetParamAndTellHost(kNumParams, 0.5);
  mPlugin->HostEndParamEdit(kNumParams);
  EXPECT_TRUE(none.Kinds().empty());
}

// The host holds its answers back and delivers them late. The answer to a request that a later
// one replaced changes nothing, nor does the answer to the latest: the plug-in holds that value
// already. Requests the host never answers do not make the plug-in ignore what the host then
// changes itself, whatever the value: a change of the host's own clears what waits.
TEST_F(BindingTest, HostAnswersChangeNothingAndTheHostsOwnChangesAlwaysApply)
{
  std::vector<std::pair<std::string, double>> held;
  mHost->Automation().SetUpdateSink([&held](const char* id, double value) { held.emplace_back(id, value); });
  const plug::IParam& drive = *mPlugin->GetParam(kDrive);
  auto deliver = [this](const std::pair<std::string, double>& update) {
    EXPECT_EQ(mPlugin->UpdateParameterFromHost(update.first.c_str(), update.second, 0), AAX_SUCCESS);
  };
  mPlugin->SetParamFromUIAndNotify(kDrive, 0.2);
  mPlugin->SetParamFromUIAndNotify(kDrive, 0.7);
  ASSERT_EQ(held.size(), 2u);
  const double latest = Value(kDrive);
  mPlugin->mChanges.clear();
  deliver(held[0]);
  EXPECT_EQ(Value(kDrive), latest) << "the answer to the replaced request";
  EXPECT_NEAR(Normalized("2"), 0.2, 1e-12) << "the host's copy is the host's";
  deliver(held[1]);
  EXPECT_EQ(Value(kDrive), latest) << "the answer to the latest keeps the exact value";
  EXPECT_TRUE(mPlugin->mChanges.empty()) << "no answer runs the change hook";

  held.clear();
  mPlugin->SetParamFromUIAndNotify(kDrive, 0.4);
  mPlugin->SetParamFromUIAndNotify(kDrive, 0.5);
  ASSERT_EQ(held.size(), 2u);
  mPlugin->mChanges.clear();
  deliver({"2", 0.9});
  EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.9), 1e-9);
  deliver(held[0]);
  EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.4), 1e-9) << "after the host's own change, any value applies";
  deliver(held[0]);
  ASSERT_EQ(mPlugin->mChanges.size(), 2u) << "a repeat of the value held is no change";
  for (const auto& change : mPlugin->mChanges)
    EXPECT_EQ(change.source, plug::kHost);
}

// Hosts that do not take the plug-in's requests: automation in Read mode ignores them, or
// answers each with its lane's value (the control snaps back). The host's value wins, at once
// for an answer of another value, after a whole idle round for silence; and answers that come
// late but in the host's order take the instance through no value it has left.
TEST_F(BindingTest, TheHostsRefusalIsFinalAndLateAnswersInOrderChangeNothing)
{
  std::vector<std::pair<std::string, double>> held;
  auto hold = [&] {
    mHost->Automation().SetUpdateSink([&held](const char* id, double value) { held.emplace_back(id, value); });
  };
  auto deliver = [this](const std::string& id, double value) {
    EXPECT_EQ(mPlugin->UpdateParameterFromHost(id.c_str(), value, 0), AAX_SUCCESS);
  };
  auto refusals = [this] {
    int n = 0;
    for (const auto& change : mPlugin->mChanges)
      n += change.refused ? 1 : 0;
    return n;
  };
  const plug::IParam& drive = *mPlugin->GetParam(kDrive);
  hold();

  {
    SCOPED_TRACE("a host that ignores two requests, then plays the first value itself");
    const double before = Normalized("2");
    mPlugin->SetParamFromUIAndNotify(kDrive, 0.2);
    mPlugin->SetParamFromUIAndNotify(kDrive, 0.7);
    ASSERT_EQ(held.size(), 2u);
    held.clear();
    mPlugin->mChanges.clear();
    deliver("2", 0.2);
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.7), 1e-9) << "the newer request may still be answered";
    mPlugin->OnHostTimerTick();
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.7), 1e-9) << "the round it was sent in is no whole round";
    mPlugin->OnHostTimerTick();
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.2), 1e-9) << "unanswered through a whole round: refused";
    EXPECT_NEAR(Normalized("2"), 0.2, 1e-12);
    ASSERT_EQ(mPlugin->mChanges.size(), 1u);
    EXPECT_TRUE(mPlugin->mChanges[0].refused);
    mPlugin->mToUI.clear();
    RunLoop::Main().RunForMs(plug::IPluginAPIBase::kUITimerIntervalMs);
    ASSERT_FALSE(mPlugin->mToUI.empty());
    EXPECT_EQ(mPlugin->mToUI.back().first, kDrive);
    EXPECT_NEAR(mPlugin->mToUI.back().second, drive.FromNormalized(0.2), 1e-9) << "the editor shows the host's value";
    ASSERT_NE(before, 0.2);
  }

  {
    SCOPED_TRACE("a host that ignores a request and never sends anything");
    mPlugin->SetParamFromUIAndNotify(kDrive, 0.9);
    held.clear();
    mPlugin->mChanges.clear();
    for (int round = 0; round < 2; ++round)
      mPlugin->OnHostTimerTick();
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.2), 1e-9) << "the host's last value wins";
    EXPECT_EQ(refusals(), 1);
    for (int round = 0; round < 5; ++round)
      mPlugin->OnHostTimerTick();
    EXPECT_EQ(mPlugin->mChanges.size(), 1u) << "a refusal is final";
    EXPECT_TRUE(held.empty()) << "nothing is asked again";
  }

  {
    SCOPED_TRACE("a host that answers with its own value inside the request");
    mHost->Automation().SetUpdateSink([this](const char* id, double) {
      mPlugin->UpdateParameterFromHost(id, 0.3, AAX_eUpdateSource_Parameter);
    });
    mPlugin->mChanges.clear();
    GestureLog log(*mHost);
    mPlugin->SetParamFromUIAndNotify(kDrive, 0.6);
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.3), 1e-9);
    EXPECT_EQ(refusals(), 1) << "told apart from the host's own change";
    const size_t changes = mPlugin->mChanges.size();
    for (int round = 0; round < 3; ++round)
      mPlugin->OnHostTimerTick();
    EXPECT_EQ(log.Kinds(), (std::vector<std::string>{"touch", "set", "release"})) << "asked once";
    EXPECT_EQ(mPlugin->mChanges.size(), changes);
    hold();
  }

  {
    SCOPED_TRACE("a drag of 0.4, 0.5, 0.4 answered late, in order");
    held.clear();
    for (double v : {0.4, 0.5, 0.4})
      mPlugin->SetParamFromUIAndNotify(kDrive, v);
    ASSERT_EQ(held.size(), 3u);
    mPlugin->mChanges.clear();
    for (const auto& [id, value] : held)
    {
      deliver(id, value);
      EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.4), 1e-9) << "the instance never goes back to " << value;
    }
    EXPECT_TRUE(mPlugin->mChanges.empty()) << "no answer runs the change hook";
    for (int round = 0; round < 3; ++round)
      mPlugin->OnHostTimerTick();
    EXPECT_TRUE(mPlugin->mChanges.empty()) << "every request is answered: nothing is overdue";
  }

  {
    SCOPED_TRACE("a drag longer than the requests kept, answered late, in order");
    held.clear();
    const int steps = plug::ParamRequests::kMaxWaiting + 6;
    for (int i = 1; i <= steps; ++i)
      mPlugin->SetParamFromUIAndNotify(kDrive, 0.001 * i);
    ASSERT_EQ(held.size(), static_cast<size_t>(steps));
    mPlugin->mChanges.clear();
    for (const auto& [id, value] : held)
      deliver(id, value);
    EXPECT_TRUE(mPlugin->mChanges.empty()) << "the forgotten requests' answers run no reaction";
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.001 * steps), 1e-9);
    EXPECT_NEAR(Normalized("2"), 0.001 * steps, 1e-12);
  }

  {
    SCOPED_TRACE("a host that delivers every answer two idle rounds late");
    held.clear();
    const double start = Normalized("2");
    for (double v : {0.25, 0.55, 0.85})
      mPlugin->SetParamFromUIAndNotify(kDrive, v);
    mPlugin->OnHostTimerTick();
    mPlugin->OnHostTimerTick();
    EXPECT_NEAR(drive.GetNormalized(), start, 1e-9) << "refused meanwhile: the host's value";
    for (const auto& [id, value] : held)
      deliver(id, value);
    EXPECT_NEAR(Value(kDrive), drive.FromNormalized(0.85), 1e-9) << "the last value the host delivered";
    EXPECT_NEAR(Normalized("2"), 0.85, 1e-12);
  }

  {
    SCOPED_TRACE("a value set back to the host's own while a request waits is asked for too");
    held.clear();
    const double hostValue = Normalized("2");
    mPlugin->SetParamByPlugin(kDrive, drive.FromNormalized(0.15));
    mPlugin->TellHostWaitingValues();
    mPlugin->SetParamByPlugin(kDrive, drive.FromNormalized(hostValue));
    mPlugin->TellHostWaitingValues();
    ASSERT_EQ(held.size(), 2u) << "the way back is a request of its own";
    mPlugin->mChanges.clear();
    for (const auto& [id, value] : held)
      deliver(id, value);
    EXPECT_NEAR(Normalized("2"), hostValue, 1e-12);
    EXPECT_NEAR(drive.GetNormalized(), hostValue, 1e-9);
    EXPECT_TRUE(mPlugin->mChanges.empty());
  }

  {
    SCOPED_TRACE("an update that steps to the value held is no change");
    mHost->Automation().SetUpdateSink(nullptr);
    deliver("9", 0.5);
    mPlugin->mChanges.clear();
    ASSERT_EQ(Value(kStepped), 5.0);
    deliver("9", 0.52);
    deliver("9", 0.48);
    EXPECT_EQ(Value(kStepped), 5.0);
    EXPECT_TRUE(mPlugin->mChanges.empty());
  }
}

// What the plug-in sets by itself in reaction to the host's own change waits a whole idle round
// (or goes with the next packet pass): a second lane of the host's may bring the value meanwhile,
// and then nothing is asked. A restore tells the host the values it loaded, not values read back
// after a host update landed in between.
TEST_F(BindingTest, ReactionsToTheHostWaitARoundAndARestoreTellsWhatItLoaded)
{
  GestureLog log(*mHost);
  auto sets = [&log] {
    const auto kinds = log.Kinds();
    return std::count(kinds.begin(), kinds.end(), std::string("set"));
  };
  mPlugin->mReaction = [this](const ChangeRecord& change) {
    if (change.idx == kGain)
      mPlugin->SetParamByPlugin(kStepped, Value(kGain) > 0.0 ? 7.5 : 2.5);
  };
  ASSERT_EQ(mPlugin->UpdateParameterFromHost("1", 0.75, 0), AAX_SUCCESS);
  EXPECT_EQ(Value(kStepped), 7.5);
  EXPECT_EQ(sets(), 0) << "not inside the host's update";
  mPlugin->OnHostTimerTick();
  EXPECT_EQ(sets(), 0) << "not at the first tick: the round it was made in is no whole round";
  mPlugin->OnHostTimerTick();
  EXPECT_EQ(sets(), 1);
  EXPECT_NEAR(Normalized("9"), 0.75, 1e-12);

  ASSERT_EQ(mPlugin->UpdateParameterFromHost("1", 0.25, 0), AAX_SUCCESS);
  ASSERT_EQ(mPlugin->UpdateParameterFromHost("9", 0.25, 0), AAX_SUCCESS) << "the host's second lane";
  for (int round = 0; round < 3; ++round)
    mPlugin->OnHostTimerTick();
  EXPECT_EQ(sets(), 1) << "the host brought the value itself";
  mPlugin->mReaction = nullptr;

  {
    SCOPED_TRACE("a host update landing between the load and the telling");
    ASSERT_EQ(mPlugin->UpdateParameterFromHost("2", 0.3, 0), AAX_SUCCESS);
    AAX_CTypeID chunkID = 0;
    ASSERT_EQ(mPlugin->GetChunkIDAtIndex(0, &chunkID), AAX_SUCCESS);
    uint32_t size = 0;
    ASSERT_EQ(mPlugin->GetStateChunkSize(chunkID, &size), AAX_SUCCESS);
    std::vector<char> record(AAX_ChunkRecordSize(size));
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fChunkID = static_cast<int32_t>(chunkID);
    ASSERT_EQ(mPlugin->GetStateChunk(chunkID, chunk), AAX_SUCCESS);
    const double loaded = Value(kDrive);
    ASSERT_EQ(mPlugin->UpdateParameterFromHost("2", 0.6, 0), AAX_SUCCESS);
    mPlugin->mAfterLoad = [this] { mPlugin->UpdateParameterFromHost("2", 0.9, 0); };
    ASSERT_EQ(mPlugin->SetStateChunk(chunkID, chunk), AAX_SUCCESS);
    mPlugin->mAfterLoad = nullptr;
    EXPECT_NEAR(Value(kDrive), loaded, 1e-9) << "the restore's value, not the one that landed meanwhile";
    EXPECT_NEAR(Normalized("2"), 0.3, 1e-9);
  }
}

TEST_F(BindingTest, DefaultChunkRoundTripRestoresEveryValue)
{
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 0.8, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("6", 1.0, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("9", 0.25, 0), AAX_SUCCESS);
  const std::vector<double> saved = {Value(kGain), Value(kMode), Value(kStepped), Value(kDrive)};

  AAX_CTypeID chunkID = 0;
  ASSERT_EQ(mPlugin->GetChunkIDAtIndex(0, &chunkID), AAX_SUCCESS);
  uint32_t size = 0;
  ASSERT_EQ(mPlugin->GetStateChunkSize(chunkID, &size), AAX_SUCCESS);
  ASSERT_GT(size, 0u);
  std::vector<char> record(AAX_ChunkRecordSize(size));
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fChunkID = static_cast<int32_t>(chunkID);
  ASSERT_EQ(mPlugin->GetStateChunk(chunkID, chunk), AAX_SUCCESS);
  EXPECT_EQ(static_cast<uint32_t>(chunk->fSize), size);

  bool equal = false;
  EXPECT_EQ(mPlugin->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);

  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 0.1, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("6", 0.0, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("9", 1.0, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("2", 1.0, 0), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);

  // Setting goes through the host (touch, set, release) and the echo restores the IParams.
  GestureLog log(*mHost);
  ASSERT_EQ(mPlugin->SetStateChunk(chunkID, chunk), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->CompareStateChunk(chunk, &equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  EXPECT_DOUBLE_EQ(Value(kGain), saved[0]);
  EXPECT_DOUBLE_EQ(Value(kMode), saved[1]);
  EXPECT_DOUBLE_EQ(Value(kStepped), saved[2]);
  EXPECT_NEAR(Value(kDrive), saved[3], 1e-9);
  for (const char* id : {"1", "2", "6", "9"})
    EXPECT_EQ(mHost->Automation().TouchDepth(id), 0) << id;
  EXPECT_FALSE(log.Kinds().empty());

  // The same chunk again gives the same bytes.
  std::vector<char> again(AAX_ChunkRecordSize(size));
  auto* chunk2 = reinterpret_cast<AAX_SPlugInChunk*>(again.data());
  uint32_t size2 = 0;
  ASSERT_EQ(mPlugin->GetStateChunkSize(chunkID, &size2), AAX_SUCCESS);
  ASSERT_EQ(size2, size);
  ASSERT_EQ(mPlugin->GetStateChunk(chunkID, chunk2), AAX_SUCCESS);
  EXPECT_EQ(0, std::memcmp(chunk->fData, chunk2->fData, size));
}

TEST_F(BindingTest, PacketPassPostsTheStateCounterOncePerPass)
{
  EXPECT_EQ(mPlugin->NextStateNumber(), 0);
  SParamValList list;
  for (int pass = 0; pass < 5; ++pass)
  {
    ASSERT_EQ(mPlugin->QueueParameterState(), AAX_SUCCESS);
    const auto posted = StateNumbersPosted(mHost->GetController());
    ASSERT_EQ(posted.size(), static_cast<size_t>(pass + 1));
    EXPECT_EQ(posted.back(), pass);
    // The host delivers at most what was posted; the next number is always ahead of it.
    const int64_t delivered = posted.back();
    EXPECT_GT(mPlugin->NextStateNumber(), delivered);
    AAX_CIPluginParameters::RenderAudioInstance(list, *mPlugin, delivered);
    EXPECT_EQ(list.mSize, 0) << "the binding synchronises no parameter";
  }

  // Host updates of this binding never mark synchronised parameters, even registered ones.
  AAX_IParameter* gain = nullptr;
  ASSERT_EQ(mPlugin->FindParameterByID("1", &gain), AAX_SUCCESS);
  mPlugin->RegisterSynchronizedParameter(*gain);
  EXPECT_EQ(mPlugin->UpdateParameterFromHost("1", 0.9, 0), AAX_SUCCESS);
  ASSERT_EQ(mPlugin->QueueParameterState(), AAX_SUCCESS);
  AAX_CIPluginParameters::RenderAudioInstance(list, *mPlugin, 1000);
  EXPECT_EQ(list.mSize, 0);
}

TEST_F(BindingTest, PrivateDataHoldsTheInstanceOnlyInABlockLargeEnough)
{
  alignas(8) unsigned char block[16];
  std::memset(block, 0xAB, sizeof(block));
  EXPECT_EQ(mPlugin->InitPrivateData(plug::kPrivateDataFieldIndex, block, sizeof(block)), AAX_SUCCESS);
  EXPECT_EQ(AAX_CIPluginParameters::FromPrivateData(block), static_cast<AAX_CIPluginParameters*>(mPlugin));
  for (size_t i = 8; i < sizeof(block); ++i)
    EXPECT_EQ(block[i], 0) << "the rest of the block is zeroed";

  unsigned char small[4] = {1, 2, 3, 4};
  EXPECT_EQ(mPlugin->InitPrivateData(plug::kPrivateDataFieldIndex, small, sizeof(small)),
            AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW);
  EXPECT_EQ(small[0], 1) << "a block too small is left alone";
  EXPECT_EQ(small[3], 4);
  EXPECT_EQ(mPlugin->InitPrivateData(plug::kPrivateDataFieldIndex, nullptr, 8), AAX_ERROR_NULL_ARGUMENT);

  unsigned char other[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(mPlugin->InitPrivateData(4, other, sizeof(other)), AAX_SUCCESS);
  for (unsigned char b : other)
    EXPECT_EQ(b, 0);
  EXPECT_EQ(AAX_CIPluginParameters::FromPrivateData(nullptr), nullptr);
}

TEST(BindingLifecycle, InitUninitReleaseLeaveNothingBehind)
{
  RunLoop::Main().RemoveAllTimers();
  ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
  const int32_t hostObjectsBefore = aaxhost::LiveHostObjects();
  {
    aaxhost::Host host;
    AAX_StartupHostServices(host.Unknown());
    auto* plugin = new TestAAXPlugin();
    EXPECT_EQ(plugin->AddRef(), 1u);
    EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 1);
    EXPECT_EQ(RunLoop::Main().TimerCount(), 1u) << "the binding starts the editor timer";

    // Twice: a second Init starts over with the same parameter list.
    for (int round = 0; round < 2; ++round)
    {
      ASSERT_EQ(plugin->Init(host.Unknown()), AAX_SUCCESS);
      int32_t count = 0;
      plugin->GetParameterCount(&count);
      EXPECT_EQ(count, 9);
      EXPECT_STREQ(plugin->ParamIDForIndex(kStepped), "9");
      EXPECT_NE(plugin->GetBypassParameter(), nullptr);
    }
    // A host object query answers with the same object and one more reference.
    void* same = nullptr;
    ASSERT_EQ(plugin->QueryInterface(IID_IAAXEffectParametersV4, &same), ACF_OK);
    EXPECT_EQ(same, static_cast<IACFUnknown*>(static_cast<AAX_IEffectParameters*>(plugin)));
    EXPECT_EQ(plugin->Release(), 1u);

    // A private-data block too small for the pointer is reported through the host.
    unsigned char small[4] = {};
    EXPECT_NE(plugin->InitPrivateData(plug::kPrivateDataFieldIndex, small, sizeof(small)), AAX_SUCCESS);
    const auto assertions = host.Services().Assertions();
    ASSERT_EQ(assertions.size(), 1u);
    EXPECT_NE(assertions[0].condition.find("sizeof"), std::string::npos);

    RunLoop::Main().RunForMs(60);
    ASSERT_EQ(plugin->Uninit(), AAX_SUCCESS);
    EXPECT_EQ(plugin->GetBypassParameter(), nullptr) << "gone with the host parameters";
    EXPECT_FALSE(plugin->IsBypassed());
    EXPECT_EQ(plugin->Release(), 0u);

    EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
    EXPECT_EQ(LiveTestPlugins(), 0);
    EXPECT_EQ(RunLoop::Main().TimerCount(), 0u);
    AAX_StartupHostServices(nullptr);
    EXPECT_TRUE(host.AllAtStartingCounts());
  }
  EXPECT_EQ(aaxhost::LiveHostObjects(), hostObjectsBefore);
  RunLoop::Main().RemoveAllTimers();
}

// A product constructed by a host on another thread than the main one, as a product asks for
// it: the binding's editor timer runs from the end of the binding's construction, and the
// product's constructor publishes its construction last. The constructor here waits, inside,
// for the main thread to have run the timer once, with relaxed atomics on purpose, so that
// nothing orders that tick's reads before what the constructor writes next (its virtual table
// first): a tick that reached the plug-in is an early idle call here, and a data race under
// ThreadSanitizer.
class ConstructedOffTheMainThread : public TestAAXPlugin
{
public:
  ConstructedOffTheMainThread(std::atomic<bool>& inConstructor, std::atomic<bool>& ticked)
    : TestAAXPlugin(false, plug::ETickStart::kAfterConstruction)
  {
    inConstructor.store(true, std::memory_order_relaxed);
    while (!ticked.load(std::memory_order_relaxed))
      std::this_thread::yield();
    mConstructed = true;
    PublishConstruction();
  }
  void OnIdleTick() override
  {
    ++mIdleTicks;
    if (!mConstructed)
      ++mEarlyIdleTicks;
  }

  bool mConstructed = false;
  int mIdleTicks = 0;
  int mEarlyIdleTicks = 0;
};

TEST(BindingLifecycle, TheEditorTimerReachesAPlugInConstructedOnAnotherThreadOnlyOnceItIsConstructed)
{
  RunLoop::Main().RemoveAllTimers();
  ASSERT_TRUE(RunLoop::Main().SetClock(RunLoop::EClock::kVirtual));
  std::atomic<bool> inConstructor{false}, ticked{false};
  ConstructedOffTheMainThread* plugin = nullptr;
  std::thread host([&] { plugin = new ConstructedOffTheMainThread(inConstructor, ticked); });
  while (!inConstructor.load(std::memory_order_relaxed))
    std::this_thread::yield();
  const uint64_t ticksDuringConstruction = RunLoop::Main().RunDue(); // a new timer fires at once
  ticked.store(true, std::memory_order_relaxed);
  host.join();
  ASSERT_NE(plugin, nullptr);
  plugin->AddRef();
  EXPECT_EQ(ticksDuringConstruction, 1u) << "the editor timer ran while the plug-in was constructed";
  EXPECT_EQ(plugin->mIdleTicks, 0) << "a tick reached the plug-in under construction";
  EXPECT_EQ(plugin->mEarlyIdleTicks, 0);

  RunLoop::Main().RunForMs(plug::IPluginAPIBase::kUITimerIntervalMs);
  EXPECT_EQ(plugin->mIdleTicks, 1) << "ticks reach it once constructed";
  EXPECT_EQ(plugin->Release(), 0u);
  EXPECT_EQ(LiveTestPlugins(), 0);
  RunLoop::Main().RemoveAllTimers();
}

TEST(BindingLifecycle, FailedHostQueriesKeepTheConstructionSampleRate)
{
  RunLoop::Main().RemoveAllTimers();
  aaxhost::Host host(0); // offers no interface at all
  auto* plugin = new TestAAXPlugin();
  plugin->AddRef();
  const double before = plugin->GetSampleRate();
  ASSERT_EQ(plugin->Init(host.Unknown()), AAX_SUCCESS);
  EXPECT_DOUBLE_EQ(plugin->GetSampleRate(), before);
  EXPECT_EQ(plugin->mResets, 1);
  int32_t count = 0;
  plugin->GetParameterCount(&count);
  EXPECT_EQ(count, 9);
  // Without a controller the pass cannot post; it says so instead of succeeding.
  EXPECT_NE(plugin->QueueParameterState(), AAX_SUCCESS);
  plugin->Uninit();
  EXPECT_EQ(plugin->Release(), 0u);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
  EXPECT_TRUE(host.AllAtStartingCounts());
  RunLoop::Main().RemoveAllTimers();
}

// An effect with one synchronised parameter, to run the queue mechanism the binding itself
// leaves unused.
class SyncEffect : public AAX_CIPluginParameters
{
public:
  void SetCounter(int64_t n) { mStateCounter.store(n); }

protected:
  AAX_Result InitEffect() override
  {
    auto* parameter = new AAX_CParameter<int>("g", AAX_CString("G"), 0, AAX_CLinearTaperDelegate<int, 1>(0, 100),
                                              AAX_CNumberDisplayDelegate<int, 0, 0>(), true);
    mParameterManager.AddParameter(parameter);
    RegisterSynchronizedParameter(*parameter);
    return AAX_SUCCESS;
  }
};

// The values a render call collects, as ints; the pairs go back for deletion.
std::vector<int32_t> Collect(SyncEffect& effect, int64_t delivered)
{
  SParamValList list;
  AAX_CIPluginParameters::RenderAudioInstance(list, effect, delivered);
  std::vector<int32_t> values;
  for (int32_t i = 0; i < list.mSize; ++i)
  {
    EXPECT_EQ(list.mElem[i]->mID, "g");
    int32_t v = -1;
    EXPECT_TRUE(list.mElem[i]->mValue->GetValueAsInt32(&v));
    values.push_back(v);
    EXPECT_TRUE(effect.HandBackPair(list.mElem[i]));
  }
  return values;
}

TEST(SynchronisedQueues, StatesWaitForTheDeliveredNumberAndAreFreedOnTheMainThread)
{
  aaxhost::Host host;
  auto* effect = new SyncEffect();
  effect->AddRef();
  ASSERT_EQ(effect->Init(host.Unknown()), AAX_SUCCESS);

  for (int pass = 0; pass < 7; ++pass)
    ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_TRUE(Collect(*effect, 6).empty()) << "passes without changes queue nothing";

  // A change queued as state 7 waits while the host delivers 6.
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.5, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(StateNumbersPosted(host.GetController()).back(), 7);
  EXPECT_TRUE(Collect(*effect, 6).empty());
  EXPECT_EQ(Collect(*effect, 7), std::vector<int32_t>{50});
  EXPECT_TRUE(Collect(*effect, 7).empty()) << "applied once";

  // Two passes with changes arrive together, in order, at the first call that reaches both.
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.1, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.2, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_EQ(Collect(*effect, 20), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(effect->OnHostTimerTick(), AAX_SUCCESS);

  // After the counter wrapped, a far negative delivered number still collects older states.
  effect->SetCounter(100000);
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.3, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_TRUE(Collect(*effect, -10).empty());
  EXPECT_EQ(Collect(*effect, -70000), std::vector<int32_t>{30});

  // One state left queued and one change left dirty at Uninit: nothing leaks, nothing dangles.
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.4, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  ASSERT_EQ(effect->UpdateParameterFromHost("g", 0.6, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->Uninit(), AAX_SUCCESS);
  EXPECT_NE(effect->QueueParameterState(), AAX_SUCCESS);
  Collect(*effect, effect->NextStateNumber()); // the state queued before

  // Initialised again, with no change since: the change left dirty at Uninit was to a parameter
  // that went with it, and the packet pass collects nothing (under the sanitizers, a look at
  // the parameter Uninit freed fails the run).
  ASSERT_EQ(effect->Init(host.Unknown()), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);
  EXPECT_TRUE(Collect(*effect, effect->NextStateNumber()).empty());
  ASSERT_EQ(effect->Uninit(), AAX_SUCCESS);
  EXPECT_EQ(effect->Release(), 0u);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
  EXPECT_TRUE(host.AllAtStartingCounts());
}

// The class's own hooks where a host built against the library's layout finds them: slot 54
// the InitEffect hook, 55 the page-table hook, and the binding's render hook right after them.
class SlotEffect : public AAX_CIPluginParameters
{
public:
  static constexpr AAX_Result kInitEffectAnswer = 5454;
  static constexpr AAX_Result kPageTableAnswer = 5555;
  mutable uint32_t mPageTableType = 0;
  int32_t mRenderCount = -1;

  AAX_Result InitEffect() override { return kInitEffectAnswer; }
  AAX_Result OnUpdatePageTable(uint32_t type, uint32_t, AAX_IPageTable&) const override
  {
    mPageTableType = type;
    return kPageTableAnswer;
  }
  void RenderAudio(AAX_RenderContext, TParamValPair* const*, int32_t count) override { mRenderCount = count; }
};

// The virtual-table slot a pointer to a virtual member function names: in this ABI its
// function word is 1 plus the byte offset of the slot.
template <class MemberFunction>
long SlotOf(MemberFunction function)
{
  struct
  {
    uintptr_t word;
    ptrdiff_t adjustment;
  } parts;
  static_assert(sizeof(parts) == sizeof(function), "a member function pointer is two words");
  std::memcpy(&parts, &function, sizeof(parts));
  return (parts.word & 1) ? static_cast<long>((parts.word - 1) / sizeof(void*)) : -1;
}

TEST(BindingLayout, TheInitEffectPageTableAndRenderHooksHoldSlots54To56)
{
  // Checked first, so that a moved hook fails here rather than calling the wrong slot below.
  ASSERT_EQ(SlotOf(&SlotEffect::InitEffect), 54);
  ASSERT_EQ(SlotOf(&SlotEffect::OnUpdatePageTable), 55);
  ASSERT_EQ(SlotOf(&SlotEffect::RenderAudio), 56);

  using AnySlot = void (*)();
  auto* effect = new SlotEffect();
  effect->AddRef();
  AAX_IEffectParameters* host = effect; // the host's view of the object: the primary table
  const AnySlot* table = *reinterpret_cast<const AnySlot* const*>(host);
  EXPECT_EQ(reinterpret_cast<AAX_Result (*)(AAX_IEffectParameters*)>(table[54])(host), SlotEffect::kInitEffectAnswer);
  AAX_VPageTable pageTable(nullptr);
  EXPECT_EQ(reinterpret_cast<AAX_Result (*)(const AAX_IEffectParameters*, uint32_t, uint32_t, AAX_IPageTable&)>(
              table[55])(host, 7, 16, pageTable),
            SlotEffect::kPageTableAnswer);
  EXPECT_EQ(effect->mPageTableType, 7u);
  reinterpret_cast<void (*)(AAX_IEffectParameters*, AAX_RenderContext, TParamValPair* const*, int32_t)>(table[56])(
    host, nullptr, nullptr, 3);
  EXPECT_EQ(effect->mRenderCount, 3);
  EXPECT_EQ(effect->Release(), 0u);
}

// More synchronised parameters than a render call's list holds.
class WideSyncEffect : public AAX_CIPluginParameters
{
public:
  static constexpr int kCount = SParamValList::sCap + 3;

protected:
  AAX_Result InitEffect() override
  {
    for (int i = 0; i < kCount; ++i)
    {
      const std::string id = "p" + std::to_string(i);
      auto* parameter = new AAX_CParameter<int>(id.c_str(), AAX_CString(id.c_str()), 0,
                                                AAX_CLinearTaperDelegate<int, 1>(0, 100),
                                                AAX_CNumberDisplayDelegate<int, 0, 0>(), true);
      mParameterManager.AddParameter(parameter);
      RegisterSynchronizedParameter(*parameter);
    }
    return AAX_SUCCESS;
  }
};

TEST(SynchronisedQueues, PairsBeyondOneCallsListGoBackAndAreReported)
{
  aaxhost::Host host;
  AAX_StartupHostServices(host.Unknown());
  auto* effect = new WideSyncEffect();
  effect->AddRef();
  ASSERT_EQ(effect->Init(host.Unknown()), AAX_SUCCESS);
  for (int i = 0; i < WideSyncEffect::kCount; ++i)
    ASSERT_EQ(effect->UpdateParameterFromHost(("p" + std::to_string(i)).c_str(), 0.5, 0), AAX_SUCCESS);
  ASSERT_EQ(effect->QueueParameterState(), AAX_SUCCESS);

  const size_t assertionsBefore = host.Services().Assertions().size();
  SParamValList list;
  AAX_CIPluginParameters::RenderAudioInstance(list, *effect, 0);
  EXPECT_EQ(list.mSize, SParamValList::sCap) << "the list is full, nothing written past it";
  for (int32_t i = 0; i < list.mSize; ++i)
    EXPECT_TRUE(effect->HandBackPair(list.mElem[i]));
  const auto assertions = host.Services().Assertions();
  ASSERT_EQ(assertions.size(), assertionsBefore + 4) << "the list's, then one per pair left out";
  EXPECT_EQ(assertions[assertionsBefore].condition, "sCap >= mSize + (int64_t)inOther.size()");
  EXPECT_EQ(assertions[assertionsBefore + 3].condition, "sCap > mSize");

  // The pairs that did not fit were handed back too: the idle hook frees all of them.
  EXPECT_EQ(effect->OnHostTimerTick(), AAX_SUCCESS);
  effect->Uninit();
  EXPECT_EQ(effect->Release(), 0u);
  AAX_StartupHostServices(nullptr);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
}

TEST(SynchronisedQueues, HandOverBetweenHostAudioAndMainThreadsKeepsOrder)
{
  aaxhost::Host host;
  auto* effect = new SyncEffect();
  effect->AddRef();
  ASSERT_EQ(effect->Init(host.Unknown()), AAX_SUCCESS);

  std::atomic<bool> hostDone{false};
  std::vector<int32_t> seen; // audio thread only, until joined
  std::thread hostThread([&] {
    for (int i = 1; i <= 100; ++i)
    {
      effect->UpdateParameterFromHost("g", i / 100.0, 0);
      effect->QueueParameterState();
    }
    hostDone = true;
  });
  std::thread audioThread([&] {
    // The host delivers the newest posted number; keep rendering until the last one arrived.
    while (!hostDone || seen.empty() || seen.back() != 100)
    {
      const auto values = Collect(*effect, effect->NextStateNumber() - 1);
      seen.insert(seen.end(), values.begin(), values.end());
    }
  });
  for (int tick = 0; tick < 1000 && !hostDone; ++tick)
    effect->OnHostTimerTick(); // the main thread frees what the audio thread handed back
  hostThread.join();
  audioThread.join();

  ASSERT_FALSE(seen.empty());
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_LT(seen[i - 1], seen[i]) << "states arrive in the order they were queued";
  EXPECT_EQ(seen.back(), 100);
  effect->Uninit();
  EXPECT_EQ(effect->Release(), 0u);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
}

TEST(BindingMidiOut, EmittedMessagesAreKeptInOffsetOrder)
{
  RunLoop::Main().RemoveAllTimers();
  TestAAXPlugin plugin;
  const int offsets[] = {10, 5, 5, 20};
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(plugin.EmitMidiMsg(plug::IMidiMsg(offsets[i], 0x90, static_cast<uint8_t>(i), 100)));
  const plug::IMidiOutQueue& queue = plugin.GetMidiOutQueue();
  ASSERT_EQ(queue.Size(), 4);
  const int expectedOffsets[] = {5, 5, 10, 20};
  const int expectedData[] = {1, 2, 0, 3};
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_EQ(queue.At(i)->mOffset, expectedOffsets[i]);
    EXPECT_EQ(queue.At(i)->mData1, expectedData[i]) << "equal offsets keep their emitted order";
  }

  // Past the first allocation the queue grows and stays sorted.
  for (int i = 0; i < 700; ++i)
    EXPECT_TRUE(plugin.EmitMidiMsg(plug::IMidiMsg(700 - i, 0x80, 0, 0)));
  ASSERT_EQ(queue.Size(), 704);
  for (int i = 1; i < queue.Size(); ++i)
    EXPECT_LE(queue.At(i - 1)->mOffset, queue.At(i)->mOffset);
  RunLoop::Main().RemoveAllTimers();
}

} // namespace
