// The effect description against the host stand-in, through the library's registration:
// the product's configuration described field by field and property by property, side-chain
// and auxiliary-output configurations, the stem-format table, faults that are reported
// instead of overrunning, the order of one component's host calls with a refused property
// map and a failing call, and the instance factory's catch-all.

#include "aax/interfaces/AAX_IComponentDescriptor.h"
#include "aax/interfaces/AAX_IEffectDescriptor.h"
#include "aax/interfaces/AAX_IPropertyMap.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_Exports.h"
#include "aax/library/CACFUnknown.h"
#include "plug/IPluginProcessor.h"
#include "plug/aax/IPluginAAX_Describe.h"
#include "standin/aaxhost/Host.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using plug::IPluginAAXEffectInfo;

namespace {

constexpr AAX_CTypeID FourCC(const char (&s)[5]) { return AAX_MakeFourCC(s[0], s[1], s[2], s[3]); }

const AAX_CTypeID kNative[] = {FourCC("IEF1"), FourCC("IEF2")};
const AAX_CTypeID kAudioSuite[] = {FourCC("IEA1"), FourCC("IEA2")};

void Render(AAX_RenderContext const*, const void*) {}
IACFUnknown* MakeNothing() { return nullptr; }
IACFUnknown* MakeNoGUI() { return nullptr; }

IPluginAAXEffectInfo ProductLikeInfo()
{
  IPluginAAXEffectInfo info;
  info.mNames = "Vellicor\nTQNV";
  info.mCategory = 64;
  info.mChannelIOText = "1-1 2-2";
  info.mNativeTypeIDs = kNative;
  info.mNumNativeTypeIDs = 2;
  info.mAudioSuiteTypeIDs = kAudioSuite;
  info.mNumAudioSuiteTypeIDs = 2;
  info.mManufacturerID = FourCC("QTNZ");
  info.mProductID = FourCC("QVlk");
  info.mEffectID = "com.Orlenbeck.aax.Vellicor";
  info.mManufacturerName = "Orlenbeck";
  info.mPackageVersion = 0x10006;
  info.mMIDINodeName = "Vellicor Midi";
  info.mProcessProc = &Render;
  info.mCreateInstance = &MakeNothing;
  info.mCreateGUI = &MakeNoGUI;
  return info;
}

IPluginAAXEffectInfo sInfo;
AAX_Result DescribeWithInfo(AAX_ICollection* collection) { return plug::DescribeEffects(collection, sInfo); }

class DescribeTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    AAXStartup(mHost.Unknown());
    AAX_SetEffectDescriptionProc(&DescribeWithInfo);
  }
  void TearDown() override
  {
    if (mDefinition)
      mDefinition->Release();
    AAX_SetEffectDescriptionProc(nullptr);
    AAXShutdown(nullptr);
    EXPECT_TRUE(mHost.AllAtStartingCounts());
  }

  AAX_Result Register(const IPluginAAXEffectInfo& info)
  {
    sInfo = info;
    return AAXRegisterPlugin(mHost.Unknown(), &mDefinition);
  }
  const aaxhost::EffectDescriptor& Effect() const
  {
    const aaxhost::Collection* collection = aaxhost::CollectionOf(mDefinition);
    static const aaxhost::EffectDescriptor* none = nullptr;
    if (!collection || collection->Effects().empty())
      return *none;
    return *collection->Effects().front().second;
  }
  std::vector<std::string> Conditions() const
  {
    std::vector<std::string> out;
    for (const auto& a : mHost.Services().Assertions())
      out.push_back(a.file + ":" + std::to_string(a.line) + ": " + a.condition);
    return out;
  }

  aaxhost::Host mHost;
  IACFUnknown* mDefinition = nullptr;
};

TEST(StemFormatTest, ChannelCountsMapToTheHostsCodes)
{
  const std::map<int, int32_t> table = {{1, 0x00000001}, {2, 0x00010002}, {3, 0x00020003}, {4, 0x000E0004},
                                        {5, 0x00050005}, {6, 0x00060006}, {7, 0x000B0007}, {8, 0x000C0008},
                                        {9, 0x00120009}, {10, 0x000D000A}, {16, 0x00130010}};
  for (int channels = -64; channels <= 40; ++channels)
  {
    auto it = table.find(channels);
    EXPECT_EQ(plug::AAXStemFormatForChannels(channels), it == table.end() ? AAX_eStemFormat_None : it->second)
      << channels;
  }
}

TEST_F(DescribeTest, TheProductsConfigurationsAreDescribedFieldByField)
{
  ASSERT_EQ(Register(ProductLikeInfo()), AAX_SUCCESS);
  const aaxhost::Collection& collection = *aaxhost::CollectionOf(mDefinition);
  EXPECT_EQ(collection.PackageNames(), (std::vector<std::string>{"Vellicor", "TQNV"}));
  EXPECT_EQ(collection.ManufacturerName(), "Orlenbeck");
  EXPECT_EQ(collection.PackageVersion(), 0x10006u);
  ASSERT_EQ(collection.Effects().size(), 1u);
  EXPECT_EQ(collection.Effects()[0].first, "com.Orlenbeck.aax.Vellicor");

  const aaxhost::EffectDescriptor& effect = Effect();
  EXPECT_EQ(effect.Names(), (std::vector<std::string>{"Vellicor", "TQNV"}));
  EXPECT_EQ(effect.Categories(), (std::vector<uint32_t>{64}));
  ASSERT_EQ(effect.ProcPtrs().size(), 2u);
  EXPECT_EQ(effect.ProcPtrs()[0].procID, 0);
  EXPECT_EQ(effect.ProcPtrs()[0].proc, reinterpret_cast<void*>(&MakeNothing));
  EXPECT_EQ(effect.ProcPtrs()[1].procID, 1);
  EXPECT_EQ(effect.ProcPtrs()[1].proc, reinterpret_cast<void*>(&MakeNoGUI));
  ASSERT_EQ(effect.Components().size(), 2u);

  for (size_t i = 0; i < 2; ++i)
  {
    const aaxhost::ComponentDescriptor& component = *effect.Components()[i];
    std::vector<std::string> fields;
    for (const aaxhost::FieldRecord& f : component.Fields())
      fields.push_back(f.kind + " " + std::to_string(f.index) + " " + std::to_string(f.a) + " " +
                       std::to_string(f.b) + (f.name.empty() ? "" : " " + f.name));
    std::vector<std::string> expected = {"PrivateData 6 4 0", "PrivateData 4 4 0", "PrivateData 5 4 0",
                                         "MIDINode 7 3 65535 Transport"};
    for (int f = 8; f <= 22; ++f)
      expected.push_back("PrivateData " + std::to_string(f) + " 4 0");
    for (const char* audio : {"AudioIn 0 0 0", "AudioOut 1 0 0", "AudioBufferLength 2 0 0", "SampleRate 3 0 0"})
      expected.push_back(audio);
    expected.push_back("PrivateData 24 4 0");
    expected.push_back("PrivateData 23 8 0");
    expected.push_back("DataInPort 25 8 1");
    EXPECT_EQ(fields, expected) << "component " << i;

    ASSERT_EQ(component.ProcessProcs().size(), 1u);
    EXPECT_EQ(component.ProcessProcs()[0].proc, &Render);
    const int32_t stem = i == 0 ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo;
    const std::map<int32_t, int32_t> properties = {
      {56, 0},    {51, stem}, {52, stem}, {60, 1}, {300, 1}, {306, 1},
      {11, static_cast<int32_t>(FourCC("QTNZ"))}, {12, static_cast<int32_t>(FourCC("QVlk"))},
      {13, static_cast<int32_t>(kNative[i])},     {14, static_cast<int32_t>(kAudioSuite[i])}};
    EXPECT_EQ(component.ProcessProcs()[0].properties, properties) << "component " << i;
  }
  EXPECT_TRUE(Conditions().empty());
}

TEST_F(DescribeTest, SideChainAndAuxiliaryOutputConfigurations)
{
  IPluginAAXEffectInfo info = ProductLikeInfo();
  // Two input buses somewhere: only the one-input-bus configurations become components, each
  // with the side-chain input; identifiers are taken in the order of description.
  info.mChannelIOText = "1-1 1.1-1 2-2.1";
  info.mNames = "Only\n\nNot this";
  ASSERT_EQ(Register(info), AAX_SUCCESS);
  const aaxhost::EffectDescriptor& effect = Effect();
  EXPECT_EQ(effect.Names(), (std::vector<std::string>{"Only"})) << "an empty name ends the list";
  ASSERT_EQ(effect.Components().size(), 2u);
  for (size_t i = 0; i < 2; ++i)
  {
    const aaxhost::ComponentDescriptor& component = *effect.Components()[i];
    ASSERT_NE(component.FieldAt(26), nullptr);
    EXPECT_EQ(component.FieldAt(26)->kind, "SideChainIn");
    const auto& properties = component.ProcessProcs().at(0).properties;
    EXPECT_EQ(properties.at(116), 1);
    EXPECT_EQ(properties.at(13), static_cast<int32_t>(kNative[i]));
  }
  const aaxhost::ComponentDescriptor& stereo = *effect.Components()[1];
  std::vector<std::string> stems;
  for (const aaxhost::FieldRecord& f : stereo.Fields())
    if (f.kind == "AuxOutputStem")
      stems.push_back(f.name + " " + std::to_string(f.a) + " field " + std::to_string(f.index));
  EXPECT_EQ(stems, (std::vector<std::string>{"Output 2 1 field 0"}));
}

TEST_F(DescribeTest, OversizedConfigurationsAreReportedWithoutOverrunning)
{
  IPluginAAXEffectInfo info = ProductLikeInfo();
  // 17 channels have no stem format; 34 output buses exceed the 32 auxiliary stems.
  std::string outputs = "1";
  for (int bus = 1; bus < 34; ++bus)
    outputs += ".1";
  const std::string io = "17-17 1-" + outputs;
  info.mChannelIOText = io.c_str();
  ASSERT_EQ(Register(info), AAX_SUCCESS);
  const aaxhost::EffectDescriptor& effect = Effect();
  ASSERT_EQ(effect.Components().size(), 2u);
  const auto& wide = effect.Components()[0]->ProcessProcs().at(0).properties;
  EXPECT_EQ(wide.at(51), AAX_eStemFormat_None);
  EXPECT_EQ(wide.at(52), AAX_eStemFormat_None);
  int stems = 0;
  for (const aaxhost::FieldRecord& f : effect.Components()[1]->Fields())
    stems += f.kind == "AuxOutputStem";
  EXPECT_EQ(stems, 32);
  EXPECT_EQ(Conditions(), (std::vector<std::string>{"plug/aax/IPluginAAX_Parameters:178: setupInfo.mNumAuxOutputStems "
                                                    "<= kMaxAuxOutputStems"}));
}

TEST_F(DescribeTest, FailuresEndRegistrationWithTheirCode)
{
  // A configuration without type identifiers: the other components are still described, the
  // effect is not added, and registration fails.
  IPluginAAXEffectInfo info = ProductLikeInfo();
  info.mChannelIOText = "1-1 2-2 4-4";
  EXPECT_EQ(Register(info), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(Conditions(), (std::vector<std::string>{"plug/aax/IPluginAAX_Describe:236: err == AAX_SUCCESS",
                                                    "plug/aax/IPluginAAX_Describe:251: err == AAX_SUCCESS"}));
  ASSERT_FALSE(mHost.Services().Traces().empty());
  EXPECT_EQ(mHost.Services().Traces().back().text.rfind("AAXRegisterPlugin exception caught: ", 0), 0u);

  // No effect descriptor from the collection.
  EXPECT_EQ(plug::DescribeEffects(nullptr, info), AAX_ERROR_NULL_OBJECT);
  aaxhost::Host bare(0);
  IACFUnknown* definition = nullptr;
  sInfo = ProductLikeInfo();
  EXPECT_EQ(AAXRegisterPlugin(bare.Unknown(), &definition), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(definition, nullptr);
}

// ---- one component against descriptors that log every call in order ----
// The host stand-in keeps properties in a map; these keep the order the host saw, and can
// refuse a property map or fail one call, as a host may.

struct CallLog
{
  std::vector<std::string> calls;
  std::string failOn;        // the call that answers with failResult
  AAX_Result failResult = AAX_SUCCESS;

  AAX_Result Add(std::string call)
  {
    const bool fail = call == failOn;
    calls.push_back(std::move(call));
    return fail ? failResult : AAX_SUCCESS;
  }
};

std::string Num(int64_t value) { return std::to_string(value); }

class LoggingPropertyMap : public AAX_IPropertyMap
{
public:
  explicit LoggingPropertyMap(CallLog& log) : mLog(log) {}
  bool GetProperty(int32_t, int32_t*) const override { return false; }
  bool GetPointerProperty(int32_t, const void**) const override { return false; }
  AAX_Result AddProperty(int32_t id, int32_t value) override { return mLog.Add("prop " + Num(id) + "=" + Num(value)); }
  AAX_Result AddPointerProperty(int32_t, const void*) override { return mLog.Add("pointer property"); }
  AAX_Result AddPointerProperty(int32_t, const char*) override { return mLog.Add("pointer property"); }
  AAX_Result RemoveProperty(int32_t) override { return mLog.Add("remove property"); }
  AAX_Result AddPropertyWithIDArray(int32_t, const AAX_SPlugInIdentifierTriad*, uint32_t) override
  {
    return mLog.Add("id array");
  }
  bool GetPropertyWithIDArray(int32_t, const AAX_SPlugInIdentifierTriad**, uint32_t*) const override { return false; }
  IACFUnknown* GetIUnknown() override { return nullptr; }

private:
  CallLog& mLog;
};

class LoggingComponent : public AAX_IComponentDescriptor
{
public:
  LoggingComponent(CallLog& log, bool givesPropertyMap) : mLog(log), mGivesPropertyMap(givesPropertyMap) {}
  AAX_Result Clear() override { return mLog.Add("clear"); }
  AAX_Result AddAudioIn(uint32_t f) override { return mLog.Add("audio in " + Num(f)); }
  AAX_Result AddAudioOut(uint32_t f) override { return mLog.Add("audio out " + Num(f)); }
  AAX_Result AddAudioBufferLength(uint32_t f) override { return mLog.Add("buffer length " + Num(f)); }
  AAX_Result AddClock(uint32_t f) override { return mLog.Add("clock " + Num(f)); }
  AAX_Result AddSampleRate(uint32_t f) override { return mLog.Add("sample rate " + Num(f)); }
  AAX_Result AddSideChainIn(uint32_t f) override { return mLog.Add("side chain " + Num(f)); }
  AAX_Result AddDataInPort(uint32_t f, uint32_t size, int32_t option) override
  {
    return mLog.Add("posted " + Num(f) + " " + Num(size) + " " + Num(option));
  }
  AAX_Result AddAuxOutputStem(uint32_t f, int32_t stem, const char*) override
  {
    return mLog.Add("aux " + Num(f) + " " + Num(stem));
  }
  AAX_Result AddPrivateData(uint32_t f, int32_t size, int32_t options) override
  {
    return mLog.Add("data " + Num(f) + " " + Num(size) + " " + Num(options));
  }
  AAX_Result AddTemporaryData(uint32_t f, uint32_t) override { return mLog.Add("temporary " + Num(f)); }
  AAX_Result AddDmaInstance(uint32_t f, int32_t) override { return mLog.Add("dma " + Num(f)); }
  AAX_Result AddMeters(uint32_t f, const uint32_t*, uint32_t) override { return mLog.Add("meters " + Num(f)); }
  AAX_Result AddMIDINode(uint32_t f, int32_t type, const char* name, uint32_t mask) override
  {
    return mLog.Add("midi " + Num(f) + " " + Num(type) + " " + (name ? name : "") + " " + Num(mask));
  }
  AAX_Result AddReservedField(uint32_t f, uint32_t) override { return mLog.Add("reserved " + Num(f)); }
  AAX_IPropertyMap* NewPropertyMap() const override
  {
    if (!mGivesPropertyMap)
      return nullptr;
    mMaps.push_back(std::make_unique<LoggingPropertyMap>(mLog));
    return mMaps.back().get();
  }
  AAX_IPropertyMap* DuplicatePropertyMap(AAX_IPropertyMap*) const override { return nullptr; }
  AAX_Result AddProcessProc_Native(AAX_CProcessProc proc, AAX_IPropertyMap* props, AAX_CInstanceInitProc,
                                   AAX_CBackgroundProc, int32_t*) override
  {
    const bool sameMap = !mMaps.empty() && props == mMaps.back().get();
    return mLog.Add(std::string("process proc") + (proc == &Render ? "" : " (other)") + (sameMap ? "" : " (other map)"));
  }
  AAX_Result AddProcessProc_TI(const char*, const char*, AAX_IPropertyMap*, const char*, const char*,
                               int32_t*) override
  {
    return mLog.Add("process proc TI");
  }
  AAX_Result ManuallyAddProcessProcs(AAX_IPropertyMap*, int32_t*, int32_t) override
  {
    return mLog.Add("process procs");
  }

private:
  CallLog& mLog;
  bool mGivesPropertyMap;
  mutable std::vector<std::unique_ptr<LoggingPropertyMap>> mMaps;
};

class LoggingEffect : public AAX_IEffectDescriptor
{
public:
  LoggingEffect(CallLog& log, bool givesPropertyMap) : mLog(log), mComponent(log, givesPropertyMap) {}
  AAX_IComponentDescriptor* NewComponentDescriptor() override { return &mComponent; }
  AAX_Result AddComponent(AAX_IComponentDescriptor* component) override
  {
    return mLog.Add(component == &mComponent ? "add component" : "add component (other)");
  }
  AAX_Result AddName(const char*) override { return mLog.Add("name"); }
  AAX_Result AddCategory(uint32_t) override { return mLog.Add("category"); }
  AAX_Result AddCategoryBypassParameter(uint32_t, const char*) override { return mLog.Add("bypass category"); }
  AAX_Result AddProcPtr(void*, int32_t) override { return mLog.Add("proc ptr"); }
  AAX_IPropertyMap* NewPropertyMap() override { return nullptr; }
  AAX_Result SetProperties(AAX_IPropertyMap*) override { return mLog.Add("set properties"); }
  AAX_Result AddResourceInfo(int32_t, const char*) override { return mLog.Add("resource"); }
  AAX_Result AddMeterDescription(uint32_t, const char*, AAX_IPropertyMap*) override { return mLog.Add("meter"); }
  AAX_Result AddControlMIDINode(uint32_t, int32_t, const char*, uint32_t) override { return mLog.Add("control midi"); }

private:
  CallLog& mLog;
  LoggingComponent mComponent;
};

// The product's stereo configuration filled into a setup record.
void FillStereoSetup(plug::IPluginAAXSetupInfo& setup)
{
  plug::PtrArray<plug::IChannelIOConfig> configs;
  int maxIn = 0, maxOut = 0, maxInBuses = 0, maxOutBuses = 0;
  ASSERT_EQ(plug::IPluginProcessor::ParseIOSpec("2-2", configs, maxIn, maxOut, maxInBuses, maxOutBuses), 1);
  plug::FillSetupInfo(*configs.Get(0), ProductLikeInfo(), kNative[1], kAudioSuite[1], setup);
  configs.Clear(true);
}

TEST(DescribeComponentTest, HostCallsComeInTheirOrderAndTheFirstFailureEndsTheComponent)
{
  plug::IPluginAAXSetupInfo setup;
  FillStereoSetup(setup);

  CallLog log;
  LoggingEffect effect(log, true);
  ASSERT_EQ(plug::DescribeAAXComponent(effect, setup, &Render), AAX_SUCCESS);
  std::vector<std::string> expected = {"data 6 4 0", "data 4 4 0", "data 5 4 0", "midi 7 3 Transport 65535"};
  for (int f = 8; f <= 22; ++f)
    expected.push_back("data " + Num(f) + " 4 0");
  for (const char* call :
       {"audio in 0", "audio out 1", "buffer length 2", "sample rate 3", "data 24 4 0", "data 23 8 0", "posted 25 8 1"})
    expected.push_back(call);
  const int32_t stereo = 0x00010002;
  for (const std::string& call :
       std::vector<std::string>{"prop 56=0", "prop 51=" + Num(stereo), "prop 52=" + Num(stereo), "prop 60=1",
                                "prop 300=1", "prop 306=1", "prop 11=" + Num(FourCC("QTNZ")),
                                "prop 12=" + Num(FourCC("QVlk")), "prop 13=" + Num(FourCC("IEF2")),
                                "prop 14=" + Num(FourCC("IEA2")), "process proc", "add component"})
    expected.push_back(call);
  EXPECT_EQ(log.calls, expected);

  // Every optional property, in its place.
  setup.mUseHostGeneratedGUI = true;
  setup.mHybridInputStemFormat = AAX_eStemFormat_Mono;
  setup.mHybridOutputStemFormat = AAX_eStemFormat_Stereo;
  setup.mWantsSideChain = true;
  setup.mMultiMonoSupport = false;
  setup.mAudiosuiteID = plug::kAAXTypeIDNone;
  CallLog full;
  LoggingEffect fullEffect(full, true);
  ASSERT_EQ(plug::DescribeAAXComponent(fullEffect, setup, &Render), AAX_SUCCESS);
  std::vector<std::string> properties;
  for (const std::string& call : full.calls)
    if (call.rfind("prop ", 0) == 0)
      properties.push_back(call.substr(5, call.find('=') - 5));
  EXPECT_EQ(properties, (std::vector<std::string>{"151", "91", "90", "116", "56", "51", "52", "60", "300", "306", "11",
                                                  "12", "13", "304"}));

  // No property map: -20004, and neither procedure nor component reaches the host.
  CallLog noMap;
  LoggingEffect noMapEffect(noMap, false);
  EXPECT_EQ(plug::DescribeAAXComponent(noMapEffect, setup, &Render), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(noMap.calls.back(), "posted 25 8 1");

  // A failing host call ends the component with that code; nothing after it is asked.
  CallLog failing;
  failing.failOn = "prop 52=" + Num(0x00010002);
  failing.failResult = AAX_ERROR_PROPERTY_UNDEFINED;
  LoggingEffect failingEffect(failing, true);
  try
  {
    plug::DescribeAAXComponent(failingEffect, setup, &Render);
    ADD_FAILURE() << "no exception";
  }
  catch (const AAX::Exception::ResultError& error)
  {
    EXPECT_EQ(error.Result(), AAX_ERROR_PROPERTY_UNDEFINED);
  }
  EXPECT_EQ(failing.calls.back(), failing.failOn);
}

class ThrowingEffect : public AAX_CEffectParameters
{
public:
  ThrowingEffect() { throw std::runtime_error("construction failed"); }
};

TEST(InstanceFactoryTest, CatchesEverythingAndReturnsNull)
{
  EXPECT_EQ(plug::AAXCreateInstance<ThrowingEffect>(), nullptr);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);

  // The instance mutex was let go: the next instance is made.
  IACFUnknown* made = plug::AAXCreateInstance<AAX_CEffectParameters>();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 1);
  void* effect = nullptr;
  ASSERT_EQ(made->QueryInterface(IID_IAAXEffectParametersV1, &effect), ACF_OK);
  EXPECT_EQ(static_cast<IACFUnknown*>(effect)->Release(), 0u);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
}

} // namespace
