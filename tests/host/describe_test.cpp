// The effect description against the host stand-in, through the library's registration:
// the product's configuration described field by field and property by property, side-chain
// and auxiliary-output configurations, the stem-format table, faults that are reported
// instead of overrunning, and the instance factory's catch-all.

#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CEffectParameters.h"
#include "aax/library/AAX_Exports.h"
#include "aax/library/CACFUnknown.h"
#include "plug/aax/IPluginAAX_Describe.h"
#include "standin/aaxhost/Host.h"

#include <gtest/gtest.h>

#include <map>
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
