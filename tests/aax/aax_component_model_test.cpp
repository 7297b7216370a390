// The component model and start-up: reference counting and the live count, host services
// with traces and assertions, registration with a test description (its reference balance,
// failures and exception mapping), the property-map stem-format guard and the by-hand
// registration of process procedures.
#include "aax/interfaces/AAX_ICollection.h"
#include "aax/interfaces/AAX_IComponentDescriptor.h"
#include "aax/interfaces/AAX_IEffectDescriptor.h"
#include "aax/interfaces/AAX_IPropertyMap.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CheckedResult.h"
#include "aax/library/AAX_Exports.h"
#include "aax/library/AAX_VAutomationDelegate.h"
#include "aax/library/AAX_VComponentDescriptor.h"
#include "aax/library/AAX_VController.h"
#include "aax/library/AAX_VPropertyMap.h"
#include "aax/library/AAX_VTransport.h"
#include "aax/library/CACFUnknown.h"
#include "standin/aaxhost/Host.h"
#include "standin/aaxhost/PropertyMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Keeps the process-wide host services and description function clean around each test.
class HostSession : public ::testing::Test
{
protected:
  void TearDown() override
  {
    AAXShutdown(nullptr);
    AAX_SetEffectDescriptionProc(nullptr);
  }
};

void TestRender(AAX_RenderContext const*, const void*) {}
IACFUnknown* CreateTestEffect() { return nullptr; }

// A small but complete description: one effect with one stereo component.
AAX_Result DescribeTestEffect(AAX_ICollection* collection)
{
  AAX_IEffectDescriptor* effect = collection->NewDescriptor();
  if (!effect)
    return AAX_ERROR_NULL_OBJECT;
  AAX_CheckedResult result;
  result = effect->AddName("Tester");
  collection->AddPackageName("Tester");
  result = effect->AddCategory(64);
  AAX_IComponentDescriptor* component = effect->NewComponentDescriptor();
  if (!component)
    return AAX_ERROR_NULL_OBJECT;
  result = component->AddAudioIn(0);
  result = component->AddAudioOut(1);
  result = component->AddAudioBufferLength(2);
  result = component->AddSampleRate(3);
  result = component->AddMIDINode(7, AAX_eMIDINodeType_Transport, "Transport", 0xffff);
  result = component->AddPrivateData(23, 8, 0);
  result = component->AddDataInPort(25, 8, 1);
  AAX_IPropertyMap* props = component->NewPropertyMap();
  if (!props)
    return AAX_ERROR_NULL_OBJECT;
  result = props->AddProperty(AAX_eProperty_InputStemFormat, AAX_eStemFormat_Stereo);
  result = props->AddProperty(AAX_eProperty_OutputStemFormat, AAX_eStemFormat_Stereo);
  result = props->AddProperty(AAX_eProperty_PlugInID_Native, static_cast<int32_t>(AAX_MakeFourCC('I', 'E', 'F', '2')));
  result = component->AddProcessProc_Native(&TestRender, props);
  result = effect->AddComponent(component);
  result = effect->AddProcPtr(reinterpret_cast<void*>(&CreateTestEffect), AAX_eProcPtrID_Create_EffectParameters);
  result = collection->AddEffect("com.test.Tester", effect);
  collection->SetManufacturerName("Test Works");
  collection->SetPackageVersion(0x10006);
  return AAX_SUCCESS;
}

AAX_Result DescribeFailing(AAX_ICollection*) { return AAX_ERROR_NULL_OBJECT; }
AAX_Result DescribeThrowingStd(AAX_ICollection*) { throw std::runtime_error("bad %s%n%x"); }
AAX_Result DescribeThrowingOther(AAX_ICollection*) { throw 42; }

// A component like the effect parameters: builds its host wrappers at Init, drops them at
// Uninit.
class TestComponent : public IACFUnknown, public CACFUnknown
{
public:
  ACF_DECLARE_STANDARD_UNKNOWN()

  void Init(IACFUnknown* host)
  {
    mController = std::make_unique<AAX_VController>(host);
    mTransport = std::make_unique<AAX_VTransport>(host);
    mAutomation = std::make_unique<AAX_VAutomationDelegate>(host);
  }
  void Uninit()
  {
    mAutomation.reset();
    mTransport.reset();
    mController.reset();
  }
  AAX_VController* Controller() const { return mController.get(); }
  AAX_VAutomationDelegate* Automation() const { return mAutomation.get(); }

  ACFRESULT InternalQueryInterface(const acfIID& iid, void** out) override
  {
    if (out && iid == IID_IAAXEffectParametersV1)
    {
      InternalAddRef();
      *out = static_cast<IACFUnknown*>(this);
      return ACF_OK;
    }
    return CACFUnknown::InternalQueryInterface(iid, out);
  }

private:
  std::unique_ptr<AAX_VController> mController;
  std::unique_ptr<AAX_VTransport> mTransport;
  std::unique_ptr<AAX_VAutomationDelegate> mAutomation;
};
} // namespace

TEST(CACFUnknown, CountsReferencesAndLiveObjects)
{
  const int32_t before = CACFUnknown::GetActiveObjectCount();
  auto* plain = new CACFUnknown();
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), before + 1);
  EXPECT_EQ(AAXCanUnloadNow(), before + 1);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(plain->OuterQueryInterface(IID_IAAXControllerV1, &out), ACF_E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(plain->OuterQueryInterface(IID_IACFUnknown, &out), ACF_OK);
  EXPECT_EQ(out, plain->GetPrivateUnknown());
  EXPECT_EQ(plain->GetRefCount(), 1);
  EXPECT_EQ(static_cast<IACFUnknown*>(out)->AddRef(), 2u);
  EXPECT_EQ(static_cast<IACFUnknown*>(out)->Release(), 1u);
  EXPECT_EQ(static_cast<IACFUnknown*>(out)->Release(), 0u); // deletes it
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), before);

  // A subclass answers its own identifiers with itself.
  auto* component = new TestComponent();
  IACFUnknown* params = ACFQuery<IACFUnknown>(component, IID_IAAXEffectParametersV1);
  EXPECT_EQ(params, static_cast<IACFUnknown*>(component));
  EXPECT_EQ(component->GetRefCount(), 1);
  params->Release();
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), before);
}

TEST(CACFUnknown, ReferencesMayBeTakenAndDroppedOnAnyThread)
{
  const int32_t before = CACFUnknown::GetActiveObjectCount();
  auto* object = new CACFUnknown();
  IACFUnknown* unknown = ACFQuery<IACFUnknown>(object->GetPrivateUnknown(), IID_IACFUnknown);
  ASSERT_NE(unknown, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([unknown] {
      for (int i = 0; i < 10000; ++i)
      {
        unknown->AddRef();
        unknown->Release();
      }
    });
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(object->GetRefCount(), 1);
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), before);
}

TEST(CACFUnknown, AggregatedObjectForwardsToItsOuterUnknown)
{
  aaxhost::Host host;
  {
    CACFUnknown inner(host.Unknown());
    void* out = nullptr;
    EXPECT_EQ(inner.OuterQueryInterface(IID_IAAXControllerV1, &out), ACF_OK);
    EXPECT_EQ(out, static_cast<AAX_IACFController*>(&host.GetController()));
    static_cast<IACFUnknown*>(out)->Release();
    inner.OuterAddRef();
    inner.OuterRelease();
  }
  EXPECT_TRUE(host.AllAtStartingCounts());
}

TEST(AAXEntries, ComponentModelAnswers)
{
  IACFUnknown* component = reinterpret_cast<IACFUnknown*>(1);
  EXPECT_EQ(AAXRegisterComponent(nullptr, IID_IACFUnknown, &component), ACF_OK);
  EXPECT_EQ(component, nullptr);
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(AAXGetClassFactory(nullptr, IID_IACFUnknown, IID_IACFUnknown, &factory), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(factory, nullptr);
  uint64_t version = 0;
  EXPECT_EQ(AAXGetSDKVersion(&version), ACF_OK);
  EXPECT_EQ(version, 0x0000020501344DC8ull);
  EXPECT_EQ(AAXGetSDKVersion(nullptr), AAX_ERROR_NULL_ARGUMENT);
}

TEST_F(HostSession, TracesAndAssertionsReachTheHostOnlyBetweenStartupAndShutdown)
{
  aaxhost::Host host;
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, "early %d", 1), AAX_SUCCESS);
  AAX_ReportAssertion("a.cpp", 1, "early");

  EXPECT_EQ(AAXStartup(host.Unknown()), ACF_OK);
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, "value %d", 5), 0);
  // Outside text goes in as an argument and arrives verbatim.
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, "%s", "%s%n%x"), 0);
  // Longer output is cut to 511 characters.
  const std::string longText(600, 'x');
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, "%s", longText.c_str()), 0);
  EXPECT_EQ(AAX_TraceWithFlags(AAX_eTracePriority_High, 3, "flagged"), 0);
  AAX_ReportAssertion("aax/library/Thing", 77, "x != 0");
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, nullptr), AAX_ERROR_PRINT_FAILURE);

  const auto traces = host.Services().Traces();
  ASSERT_EQ(traces.size(), 4u);
  EXPECT_EQ(traces[0].text, "value 5");
  EXPECT_EQ(traces[0].priority, 0x8000000);
  EXPECT_EQ(traces[1].text, "%s%n%x");
  EXPECT_EQ(traces[2].text, std::string(511, 'x'));
  EXPECT_EQ(traces[3].text, "flagged");
  EXPECT_EQ(traces[3].flags, 3);
  EXPECT_EQ(traces[3].priority, 0x4000000);
  const auto assertions = host.Services().Assertions();
  ASSERT_EQ(assertions.size(), 1u);
  EXPECT_EQ(assertions[0].file, "aax/library/Thing");
  EXPECT_EQ(assertions[0].line, 77);
  EXPECT_EQ(assertions[0].condition, "x != 0");
  EXPECT_EQ(assertions[0].flags, 1);

  // A second start-up keeps the first services.
  aaxhost::Host other;
  AAXStartup(other.Unknown());
  AAX_Trace(AAX_eTracePriority_Normal, "still first");
  EXPECT_EQ(host.Services().Traces().size(), 5u);
  EXPECT_TRUE(other.Services().Traces().empty());

  EXPECT_EQ(AAXShutdown(nullptr), ACF_OK);
  EXPECT_EQ(AAX_GetHostServices(), nullptr);
  AAX_Trace(AAX_eTracePriority_Normal, "late");
  EXPECT_EQ(host.Services().Traces().size(), 5u);
  EXPECT_TRUE(host.AllAtStartingCounts());
  EXPECT_TRUE(other.AllAtStartingCounts());
}

TEST_F(HostSession, OlderHostServicesDropWhatTheyCannotTake)
{
  aaxhost::Host host(1);
  AAXStartup(host.Unknown());
  EXPECT_EQ(AAX_Trace(AAX_eTracePriority_Normal, "plain"), 0);
  EXPECT_EQ(AAX_TraceWithFlags(AAX_eTracePriority_Normal, 1, "flagged"), AAX_ERROR_UNIMPLEMENTED);
  AAX_ReportAssertion("f", 1, "c"); // needs the third version
  EXPECT_EQ(host.Services().Traces().size(), 1u);
  EXPECT_TRUE(host.Services().Assertions().empty());
  AAXShutdown(nullptr);
  EXPECT_TRUE(host.AllAtStartingCounts());
}

TEST_F(HostSession, RegistrationRecordsTheDescriptionAndReleasesEverything)
{
  aaxhost::Host host;
  const int32_t live = aaxhost::LiveHostObjects();
  AAXStartup(host.Unknown());
  AAX_SetEffectDescriptionProc(&DescribeTestEffect);

  IACFUnknown* answer = reinterpret_cast<IACFUnknown*>(1);
  ASSERT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_SUCCESS);
  ASSERT_NE(answer, nullptr);
  aaxhost::Collection* collection = aaxhost::CollectionOf(answer);
  ASSERT_NE(collection, nullptr);
  ASSERT_EQ(collection->Effects().size(), 1u);
  EXPECT_EQ(collection->Effects()[0].first, "com.test.Tester");
  EXPECT_EQ(collection->ManufacturerName(), "Test Works");
  EXPECT_EQ(collection->PackageVersion(), 0x10006u);
  const aaxhost::EffectDescriptor* effect = collection->Effects()[0].second;
  ASSERT_EQ(effect->Names().size(), 1u);
  EXPECT_EQ(effect->Names()[0], "Tester");
  ASSERT_EQ(effect->ProcPtrs().size(), 1u);
  EXPECT_EQ(effect->ProcPtrs()[0].procID, 0);
  ASSERT_EQ(effect->Components().size(), 1u);
  const aaxhost::ComponentDescriptor* component = effect->Components()[0];
  ASSERT_NE(component->FieldAt(7), nullptr);
  EXPECT_EQ(component->FieldAt(7)->name, "Transport");
  ASSERT_EQ(component->ProcessProcs().size(), 1u);
  EXPECT_EQ(component->ProcessProcs()[0].proc, &TestRender);
  EXPECT_EQ(component->ProcessProcs()[0].properties.at(AAX_eProperty_OutputStemFormat), AAX_eStemFormat_Stereo);
  EXPECT_TRUE(host.Services().Traces().empty());

  // The registration answer holds the whole description; giving it back frees everything.
  answer->Release();
  AAXShutdown(nullptr);
  EXPECT_TRUE(host.AllAtStartingCounts());
  EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  EXPECT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
}

TEST_F(HostSession, InstanceWrappersGiveBackEveryReference)
{
  aaxhost::Host host;
  const int32_t live = aaxhost::LiveHostObjects();
  auto* component = new TestComponent();
  IACFUnknown* instance = ACFQuery<IACFUnknown>(component, IID_IAAXEffectParametersV1);
  ASSERT_NE(instance, nullptr);
  component->Init(host.Unknown());
  float rate = 0;
  EXPECT_EQ(component->Controller()->GetSampleRate(&rate), 0);
  EXPECT_EQ(rate, 48000.0f);
  EXPECT_EQ(component->Automation()->RegisterParameter("1"), 0);
  EXPECT_FALSE(host.AllAtStartingCounts());
  component->Uninit();
  EXPECT_EQ(instance->Release(), 0u);
  EXPECT_TRUE(host.AllAtStartingCounts());
  EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  EXPECT_EQ(AAXCanUnloadNow(), 0);
}

TEST_F(HostSession, RegistrationFailuresAreTracedAndReturned)
{
  aaxhost::Host host;
  const int32_t live = aaxhost::LiveHostObjects();
  AAXStartup(host.Unknown());
  IACFUnknown* answer = reinterpret_cast<IACFUnknown*>(1);

  AAX_SetEffectDescriptionProc(&DescribeFailing);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(answer, nullptr); // written before anything could fail
  auto traces = host.Services().Traces();
  ASSERT_EQ(traces.size(), 2u);
  EXPECT_EQ(traces[0].text, "AAX_CheckedResult - throwing AAX_ERROR_NULL_OBJECT (-20004)");
  EXPECT_EQ(traces[1].text, "AAXRegisterPlugin exception caught: AAX_ERROR_NULL_OBJECT (-20004)");
  EXPECT_EQ(traces[1].priority, AAX_eTracePriority_Normal);

  host.Services().Clear();
  AAX_SetEffectDescriptionProc(&DescribeThrowingStd);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_ERROR_UNKNOWN_EXCEPTION);
  traces = host.Services().Traces();
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].text, "AAXRegisterPlugin exception caught: bad %s%n%x");

  host.Services().Clear();
  AAX_SetEffectDescriptionProc(&DescribeThrowingOther);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_ERROR_UNKNOWN_EXCEPTION);
  traces = host.Services().Traces();
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].text, "AAXRegisterPlugin exception caught: unknown");

  // No description installed, and no out pointer.
  AAX_SetEffectDescriptionProc(nullptr);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), nullptr), AAX_ERROR_NULL_ARGUMENT);

  AAXShutdown(nullptr);
  EXPECT_TRUE(host.AllAtStartingCounts());
  EXPECT_EQ(aaxhost::LiveHostObjects(), live);
}

TEST_F(HostSession, RegistrationWithAHostWithoutFactoryFails)
{
  aaxhost::Host host(0);
  AAX_SetEffectDescriptionProc(&DescribeTestEffect);
  IACFUnknown* answer = reinterpret_cast<IACFUnknown*>(1);
  EXPECT_EQ(AAXRegisterPlugin(host.Unknown(), &answer), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(answer, nullptr);
  EXPECT_TRUE(host.AllAtStartingCounts());
}

TEST(AAXPropertyMap, StemFormatGuardProtectsHostsWithoutDescriptionServices)
{
  aaxhost::Host oldHost(1);
  {
    std::unique_ptr<AAX_VPropertyMap> map(AAX_VPropertyMap::Create(oldHost.Unknown()));
    ASSERT_NE(map, nullptr);
    EXPECT_FALSE(map->HasDescriptionHost());
    EXPECT_EQ(map->AddProperty(AAX_eProperty_InputStemFormat, AAX_eStemFormat_Stereo), 0);
    EXPECT_EQ(map->AddProperty(AAX_eProperty_InputStemFormat, 0x000C0008), 0);  // upper 12: known
    EXPECT_EQ(map->AddProperty(AAX_eProperty_OutputStemFormat, 0x000D000A), AAX_ERROR_PROPERTY_UNDEFINED);
    EXPECT_EQ(map->AddProperty(AAX_eProperty_InputStemFormat, 0x00130010), AAX_ERROR_PROPERTY_UNDEFINED);
    EXPECT_EQ(map->AddProperty(AAX_eProperty_OutputStemFormat, AAX_eStemFormat_None), 0);
    EXPECT_EQ(map->AddProperty(AAX_eProperty_OutputStemFormat, AAX_eStemFormat_Any), 0);
    EXPECT_EQ(map->AddProperty(AAX_eProperty_OutputStemFormat, static_cast<int32_t>(0xFF000000u)),
              AAX_ERROR_PROPERTY_UNDEFINED);
    // Other properties are not stem formats.
    EXPECT_EQ(map->AddProperty(60, 0x00130010), 0);
    int32_t value = 0;
    EXPECT_TRUE(map->GetProperty(AAX_eProperty_OutputStemFormat, &value));
    EXPECT_EQ(value, AAX_eStemFormat_Any); // the refused values never reached the host
    auto* hostMap = dynamic_cast<aaxhost::PropertyMap*>(static_cast<AAX_IACFPropertyMap*>(map->GetIUnknown()));
    ASSERT_NE(hostMap, nullptr);
    EXPECT_EQ(hostMap->UnknownStemFormatsReceived(), 0);
    EXPECT_EQ(hostMap->Integers().count(60), 1u);
  }
  EXPECT_TRUE(oldHost.AllAtStartingCounts());

  aaxhost::Host newHost;
  {
    std::unique_ptr<AAX_VPropertyMap> map(AAX_VPropertyMap::Create(newHost.Unknown()));
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->HasDescriptionHost());
    EXPECT_EQ(map->AddProperty(AAX_eProperty_InputStemFormat, 0x00130010), 0);
  }
  EXPECT_TRUE(newHost.AllAtStartingCounts());
}

TEST_F(HostSession, ProcessProceduresAreRegisteredByHandOnOlderHosts)
{
  aaxhost::Host host(2); // component descriptors without the third version
  AAXStartup(host.Unknown());
  {
    AAX_VComponentDescriptor descriptor(host.Unknown());
    AAX_IPropertyMap* props = descriptor.NewPropertyMap();
    ASSERT_NE(props, nullptr);
    EXPECT_EQ(props->AddProperty(AAX_eProperty_PlugInID_Native, 5), 0);
    EXPECT_EQ(props->AddProperty(AAX_eProperty_AudioBufferLength, 512), 0);
    EXPECT_EQ(props->AddPointerProperty(AAX_eProperty_NativeProcessProc, reinterpret_cast<const void*>(&TestRender)), 0);

    int32_t ids[2] = {-1, -1};
    EXPECT_EQ(descriptor.ManuallyAddProcessProcs(props, ids, 2), 0);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 0);
    auto* hostDescriptor =
      dynamic_cast<aaxhost::ComponentDescriptor*>(static_cast<AAX_IACFComponentDescriptor*>(descriptor.GetIUnknown()));
    ASSERT_NE(hostDescriptor, nullptr);
    ASSERT_EQ(hostDescriptor->ProcessProcs().size(), 1u);
    EXPECT_EQ(hostDescriptor->ProcessProcs()[0].proc, &TestRender);
    // The registration got a copy without the buffer length; the caller's map keeps it.
    EXPECT_EQ(hostDescriptor->ProcessProcs()[0].properties.count(AAX_eProperty_AudioBufferLength), 0u);
    EXPECT_EQ(hostDescriptor->ProcessProcs()[0].properties.at(AAX_eProperty_PlugInID_Native), 5);
    int32_t value = 0;
    EXPECT_TRUE(props->GetProperty(AAX_eProperty_AudioBufferLength, &value));

    // One identifier needs room for two entries (the terminating 0).
    EXPECT_EQ(descriptor.ManuallyAddProcessProcs(props, ids, 1), AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW);

    // A native identifier without its procedure is traced and refused.
    AAX_IPropertyMap* incomplete = descriptor.NewPropertyMap();
    ASSERT_NE(incomplete, nullptr);
    EXPECT_EQ(incomplete->AddProperty(AAX_eProperty_PlugInID_Native, 5), 0);
    EXPECT_NE(descriptor.ManuallyAddProcessProcs(incomplete, ids, 2), 0);
    const auto traces = host.Services().Traces();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces.back().text,
              "AAX_VComponentDescriptor: ManuallyAddProcessProcs() - no value found for AAX_eProperty_NativeProcessProc");
    EXPECT_EQ(descriptor.ManuallyAddProcessProcs(nullptr, ids, 2), AAX_ERROR_NULL_OBJECT);
  }
  AAXShutdown(nullptr);
  EXPECT_TRUE(host.AllAtStartingCounts());
}

TEST(AAXComponentDescriptor, NewestHostsRegisterProcessProceduresThemselves)
{
  aaxhost::Host host;
  AAX_VComponentDescriptor descriptor(host.Unknown());
  AAX_IPropertyMap* props = descriptor.NewPropertyMap();
  ASSERT_NE(props, nullptr);
  EXPECT_EQ(props->AddPointerProperty(AAX_eProperty_NativeProcessProc, reinterpret_cast<const void*>(&TestRender)), 0);
  int32_t ids[3] = {-1, -1, -1};
  EXPECT_EQ(descriptor.ManuallyAddProcessProcs(props, ids, 3), 0);
  const auto calls = host.Context().Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "ComponentDescriptor.AddProcessProc"), calls.end());
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "ComponentDescriptor.AddProcessProc_Native"), calls.end());
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 0);
}
