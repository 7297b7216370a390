// Every version-adapting wrapper against stand-in hosts that offer no interface version, only
// the first ones, and all of them: an offered operation must reach its host operation with the
// host's result; a missing one must answer its fallback without calling the host. Afterwards
// every host object is back at its starting reference count.
#include "aax/library/AAX_CString.h"
#include "aax/library/AAX_VAutomationDelegate.h"
#include "aax/library/AAX_VCollection.h"
#include "aax/library/AAX_VComponentDescriptor.h"
#include "aax/library/AAX_VController.h"
#include "aax/library/AAX_VDescriptionHost.h"
#include "aax/library/AAX_VEffectDescriptor.h"
#include "aax/library/AAX_VFeatureInfo.h"
#include "aax/library/AAX_VHostServices.h"
#include "aax/library/AAX_VPageTable.h"
#include "aax/library/AAX_VPropertyMap.h"
#include "aax/library/AAX_VTransport.h"
#include "aax/library/AAX_VViewContainer.h"
#include "aax/interfaces/AAX_IPageTable.h"
#include "standin/aaxhost/Host.h"
#include "standin/aaxhost/PageTable.h"
#include "standin/aaxhost/PropertyMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct Op
{
  std::string label;
  int version;          // interface version the operation needs
  int missing;          // answer when the host lacks that version
  std::string hostCall; // host operation it must reach when offered
  std::function<int()> call;
  int offered = 0;      // answer when offered (the stand-in's results)
};

constexpr int kNull = -1; // a factory operation answered null

const int kVersions[] = {0, 1, aaxhost::kAllVersions};

void CheckOps(aaxhost::Host& host, const std::vector<Op>& ops)
{
  for (const Op& op : ops)
  {
    SCOPED_TRACE(op.label + " with host version " + std::to_string(host.Context().Version()));
    // The host keeps only its newest calls, so look at this operation's calls alone.
    host.Context().ClearCalls();
    const int result = op.call();
    const std::vector<std::string> calls = host.Context().Calls();
    const bool reached = std::find(calls.begin(), calls.end(), op.hostCall) != calls.end();
    if (host.Context().Offers(op.version))
    {
      EXPECT_EQ(result, op.offered);
      EXPECT_TRUE(reached);
    }
    else
    {
      EXPECT_EQ(result, op.missing);
      EXPECT_FALSE(reached);
    }
  }
}

template <class T>
int NullOr(T* pointer)
{
  const int result = pointer ? 0 : kNull;
  delete pointer;
  return result;
}

void ProcessNothing(AAX_RenderContext const*, const void*) {}
} // namespace

TEST(AAXWrappers, ControllerForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    const int32_t live = aaxhost::LiveHostObjects();
    {
      AAX_VController c(host.Unknown());
      AAX_CString text;
      float f = 0;
      int32_t i = 0;
      int64_t l = 0;
      uint32_t u = 0;
      bool b = false;
      IACFUnknown* env = reinterpret_cast<IACFUnknown*>(&c);
      const int32_t which[] = {0};
      const int32_t value[] = {1};
      const int64_t packet = 7;
      const int N = AAX_ERROR_NULL_OBJECT, U = AAX_ERROR_UNIMPLEMENTED;
      CheckOps(host, {
        {"GetEffectID", 1, N, "Controller.GetEffectID", [&] { return c.GetEffectID(&text); }},
        {"GetSampleRate", 1, N, "Controller.GetSampleRate", [&] { return c.GetSampleRate(&f); }},
        {"GetInputStemFormat", 1, N, "Controller.GetInputStemFormat", [&] { return c.GetInputStemFormat(&i); }},
        {"GetOutputStemFormat", 1, N, "Controller.GetOutputStemFormat", [&] { return c.GetOutputStemFormat(&i); }},
        {"GetSignalLatency", 1, N, "Controller.GetSignalLatency", [&] { return c.GetSignalLatency(&i); }},
        {"GetCycleCount", 1, N, "Controller.GetCycleCount", [&] { return c.GetCycleCount(0, &i); }},
        {"GetTODLocation", 1, N, "Controller.GetTODLocation", [&] { return c.GetTODLocation(&l); }},
        {"SetSignalLatency", 1, N, "Controller.SetSignalLatency", [&] { return c.SetSignalLatency(64); }},
        {"SetCycleCount", 1, N, "Controller.SetCycleCount", [&] { return c.SetCycleCount(which, value, 1); }},
        {"PostPacket", 1, N, "Controller.PostPacket", [&] { return c.PostPacket(25, &packet, 8); }},
        {"GetCurrentMeterValue", 1, N, "Controller.GetCurrentMeterValue", [&] { return c.GetCurrentMeterValue(0, &f); }},
        {"GetMeterPeakValue", 1, N, "Controller.GetMeterPeakValue", [&] { return c.GetMeterPeakValue(0, &f); }},
        {"ClearMeterPeakValue", 1, N, "Controller.ClearMeterPeakValue", [&] { return c.ClearMeterPeakValue(0); }},
        {"GetMeterCount", 1, N, "Controller.GetMeterCount", [&] { return c.GetMeterCount(&u); }},
        {"GetMeterClipped", 1, N, "Controller.GetMeterClipped", [&] { return c.GetMeterClipped(0, &b); }},
        {"ClearMeterClipped", 1, N, "Controller.ClearMeterClipped", [&] { return c.ClearMeterClipped(0); }},
        {"GetCurrentAutomationTimestamp", 1, N, "Controller.GetCurrentAutomationTimestamp",
         [&] { return c.GetCurrentAutomationTimestamp(&l); }},
        {"SendNotification", 2, U, "Controller.SendNotification", [&] { return c.SendNotification(AAX_eNotificationEvent_TrackNameChanged, "x", 2); }},
        {"SendNotification type only", 2, U, "Controller.SendNotification", [&] { return c.SendNotification(AAX_eNotificationEvent_EnteringOfflineMode); }},
        {"GetHybridSignalLatency", 2, U, "Controller.GetHybridSignalLatency", [&] { return c.GetHybridSignalLatency(&i); }},
        {"GetHostEnvironment", 2, U, "Controller.GetHostEnvironment",
         [&] { return c.GetHostEnvironment(&env) == 0 && env == nullptr ? 0 : (env == nullptr ? U : 99); }},
        {"GetIsAudioSuite", 2, U, "Controller.GetIsAudioSuite", [&] { return c.GetIsAudioSuite(&b); }},
        {"GetHostName", 3, U, "Controller.GetHostName", [&] { return c.GetHostName(&text); }},
        {"GetPlugInTargetPlatform", 3, U, "Controller.GetPlugInTargetPlatform", [&] { return c.GetPlugInTargetPlatform(&i); }},
        {"CreateTableCopyForEffect", 1, kNull, "PageTableService.CopyTableForEffect",
         [&] { return NullOr(c.CreateTableCopyForEffect(AAX_MakeFourCC('Q', 'T', 'N', 'Z'), AAX_MakeFourCC('Q', 'V', 'l', 'k'), AAX_MakeFourCC('I', 'E', 'F', '1'), 0, 8)); }},
        {"CreateTableCopyForLayout", 1, kNull, "PageTableService.CopyTableOfLayoutForEffect",
         [&] { return NullOr(c.CreateTableCopyForLayout("id", "layout", 0, 8)); }},
        {"CreateTableCopyForEffectFromFile", 2, kNull, "PageTableService.CopyTableForEffectFromFile",
         [&] { return NullOr(c.CreateTableCopyForEffectFromFile("f", AAX_MakeFourCC('Q', 'T', 'N', 'Z'), AAX_MakeFourCC('Q', 'V', 'l', 'k'), AAX_MakeFourCC('I', 'E', 'F', '1'), 0, 8)); }},
        {"CreateTableCopyForLayoutFromFile", 2, kNull, "PageTableService.CopyTableOfLayoutFromFile",
         [&] { return NullOr(c.CreateTableCopyForLayoutFromFile("f", "layout", 0, 8)); }},
      });
      if (version > 0)
      {
        EXPECT_EQ(f, 0.0f); // the meter query ran last and wrote 0
        EXPECT_EQ(host.GetController().Latency(), 64);
        ASSERT_EQ(host.GetController().Packets().size(), 1u);
        EXPECT_EQ(host.GetController().Packets()[0].field, 25u);
      }
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
    EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  }
}

TEST(AAXWrappers, PageTableFromControllerIsFilledByTheHost)
{
  aaxhost::Host host;
  const int32_t live = aaxhost::LiveHostObjects();
  {
    AAX_VController controller(host.Unknown());
    std::unique_ptr<AAX_IPageTable> table(controller.CreateTableCopyForEffect(AAX_MakeFourCC('Q', 'T', 'N', 'Z'), AAX_MakeFourCC('Q', 'V', 'l', 'k'), AAX_MakeFourCC('I', 'E', 'F', '1'), 0, 8));
    ASSERT_NE(table, nullptr);
    int32_t pages = 0;
    EXPECT_EQ(table->GetNumPages(&pages), 0);
    EXPECT_EQ(pages, 1);
    AAX_CString id;
    EXPECT_EQ(table->GetMappedParameterID(0, 0, &id), 0);
    EXPECT_EQ(id, "1");
  }
  EXPECT_TRUE(host.AllAtStartingCounts());
  EXPECT_EQ(aaxhost::LiveHostObjects(), live);
}

TEST(AAXWrappers, AutomationDelegateForwardsAndNotifiesNameChanges)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    {
      AAX_VAutomationDelegate d(host.Unknown());
      bool touched = false;
      const int N = AAX_ERROR_NULL_OBJECT;
      CheckOps(host, {
        {"RegisterParameter", 1, N, "AutomationDelegate.RegisterParameter", [&] { return d.RegisterParameter("1"); }},
        {"PostTouchRequest", 1, N, "AutomationDelegate.PostTouchRequest", [&] { return d.PostTouchRequest("1"); }},
        {"GetTouchState", 1, N, "AutomationDelegate.GetTouchState", [&] { return d.GetTouchState("1", &touched); }},
        {"PostSetValueRequest", 1, N, "AutomationDelegate.PostSetValueRequest", [&] { return d.PostSetValueRequest("1", 0.25); }},
        {"PostCurrentValue", 1, N, "AutomationDelegate.PostCurrentValue", [&] { return d.PostCurrentValue("1", 0.5); }},
        {"PostReleaseRequest", 1, N, "AutomationDelegate.PostReleaseRequest", [&] { return d.PostReleaseRequest("1"); }},
        {"UnregisterParameter", 1, N, "AutomationDelegate.UnregisterParameter", [&] { return d.UnregisterParameter("1"); }},
        {"ParameterNameChanged", 2, AAX_ERROR_UNIMPLEMENTED, "Controller.SendNotification",
         [&] { return d.ParameterNameChanged("Gain"); }},
      });
      if (version > 0)
      {
        EXPECT_TRUE(touched);
      }

      // Identifiers are checked before the host is asked.
      const std::string longID(32, 'x');
      EXPECT_EQ(d.ParameterNameChanged(""), AAX_ERROR_INVALID_PARAMETER_ID);
      EXPECT_EQ(d.ParameterNameChanged(nullptr), AAX_ERROR_INVALID_PARAMETER_ID);
      EXPECT_EQ(d.ParameterNameChanged(longID.c_str()), AAX_ERROR_INVALID_PARAMETER_ID);
      if (version >= 2)
      {
        const auto notes = host.GetController().Notifications();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].type, AAX_eNotificationEvent_ParameterNameChanged);
        EXPECT_EQ(std::string(notes[0].data.begin(), notes[0].data.end()), std::string("Gain", 5));
        EXPECT_EQ(d.ParameterNameChanged(longID.substr(0, 31).c_str()), 0);
      }
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
  }
}

TEST(AAXWrappers, AutomationDelegateSetValueIsEchoedAsHostUpdate)
{
  aaxhost::Host host;
  std::vector<std::pair<std::string, double>> updates;
  host.Automation().SetUpdateSink([&](const char* id, double value) { updates.emplace_back(id, value); });
  AAX_VAutomationDelegate delegate(host.Unknown());
  EXPECT_EQ(delegate.PostSetValueRequest("7", 0.75), 0);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0].first, "7");
  EXPECT_EQ(updates[0].second, 0.75);
}

TEST(AAXWrappers, TransportForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    host.GetTransport().State().tempo = 97.5;
    {
      AAX_VTransport t(host.Unknown());
      double tempo = 0;
      int32_t a = 0, b = 0;
      int64_t l = 0, m = 0;
      bool flag = false;
      uint32_t u = 0;
      const int N = AAX_ERROR_NULL_OBJECT, U = AAX_ERROR_UNIMPLEMENTED;
      CheckOps(host, {
        {"GetCurrentTempo", 1, N, "Transport.GetCurrentTempo", [&] { return t.GetCurrentTempo(&tempo); }},
        {"GetCurrentMeter", 1, N, "Transport.GetCurrentMeter", [&] { return t.GetCurrentMeter(&a, &b); }},
        {"IsTransportPlaying", 1, N, "Transport.IsTransportPlaying", [&] { return t.IsTransportPlaying(&flag); }},
        {"GetCurrentTickPosition", 1, N, "Transport.GetCurrentTickPosition", [&] { return t.GetCurrentTickPosition(&l); }},
        {"GetCurrentLoopPosition", 1, N, "Transport.GetCurrentLoopPosition",
         [&] { return t.GetCurrentLoopPosition(&flag, &l, &m); }},
        {"GetCurrentNativeSampleLocation", 1, N, "Transport.GetCurrentNativeSampleLocation",
         [&] { return t.GetCurrentNativeSampleLocation(&l); }},
        {"GetCustomTickPosition", 1, N, "Transport.GetCustomTickPosition", [&] { return t.GetCustomTickPosition(&l, 0); }},
        {"GetBarBeatPosition", 1, N, "Transport.GetBarBeatPosition", [&] { return t.GetBarBeatPosition(&a, &b, &l, 0); }},
        {"GetTicksPerQuarter", 1, N, "Transport.GetTicksPerQuarter", [&] { return t.GetTicksPerQuarter(&u); }},
        {"GetCurrentTicksPerBeat", 1, N, "Transport.GetCurrentTicksPerBeat", [&] { return t.GetCurrentTicksPerBeat(&u); }},
        {"GetTimelineSelectionStartPosition", 2, U, "Transport.GetTimelineSelectionStartPosition",
         [&] { return t.GetTimelineSelectionStartPosition(&l); }},
        {"GetTimeCodeInfo", 2, U, "Transport.GetTimeCodeInfo", [&] { return t.GetTimeCodeInfo(&a, &b); }},
        {"GetFeetFramesInfo", 2, U, "Transport.GetFeetFramesInfo", [&] { return t.GetFeetFramesInfo(&a, &l); }},
        {"IsMetronomeEnabled", 2, U, "Transport.IsMetronomeEnabled", [&] { return t.IsMetronomeEnabled(&a); }},
        {"GetHDTimeCodeInfo", 3, U, "Transport.GetHDTimeCodeInfo", [&] { return t.GetHDTimeCodeInfo(&a, &l); }},
      });
      EXPECT_EQ(tempo, version > 0 ? 97.5 : 0.0);
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
  }
}

TEST(AAXWrappers, ViewContainerForwardsByVersionAndReleasesTheContainer)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    int nativeView = 0;
    aaxhost::ViewContainer* container = host.NewViewContainer(&nativeView);
    {
      AAX_VViewContainer v(container);
      uint32_t mods = 1;
      AAX_Point size;
      size.vert = 500;
      size.horz = 900;
      const char* ids[] = {"1", "2"};
      const int U = AAX_ERROR_UNIMPLEMENTED;
      CheckOps(host, {
        {"GetType", 1, 0, "ViewContainer.GetType", [&] { return v.GetType(); }, 1},
        {"GetPtr", 1, kNull, "ViewContainer.GetPtr", [&] { return v.GetPtr() == &nativeView ? 0 : kNull; }},
        {"GetModifiers", 1, U, "ViewContainer.GetModifiers", [&] { return v.GetModifiers(&mods); }},
        {"SetViewSize", 1, 0, "ViewContainer.SetViewSize", [&] { return v.SetViewSize(size); }},
        {"MouseDown", 1, U, "ViewContainer.HandleParameterMouseDown", [&] { return v.HandleParameterMouseDown("1", 6); }},
        {"MouseDrag", 1, U, "ViewContainer.HandleParameterMouseDrag", [&] { return v.HandleParameterMouseDrag("1", 0); }},
        {"MouseUp", 1, U, "ViewContainer.HandleParameterMouseUp", [&] { return v.HandleParameterMouseUp("1", 0); }},
        {"MouseEnter", 3, U, "ViewContainer.HandleParameterMouseEnter", [&] { return v.HandleParameterMouseEnter("1", 0); }},
        {"MouseExit", 3, U, "ViewContainer.HandleParameterMouseExit", [&] { return v.HandleParameterMouseExit("1", 0); }},
        {"MultipleDown", 2, U, "ViewContainer.HandleMultipleParametersMouseDown",
         [&] { return v.HandleMultipleParametersMouseDown(ids, 2, 0); }},
        {"MultipleDrag", 2, U, "ViewContainer.HandleMultipleParametersMouseDrag",
         [&] { return v.HandleMultipleParametersMouseDrag(ids, 2, 0); }},
        {"MultipleUp", 2, U, "ViewContainer.HandleMultipleParametersMouseUp",
         [&] { return v.HandleMultipleParametersMouseUp(ids, 2, 0); }},
      });
      if (version > 0)
      {
        ASSERT_EQ(container->Sizes().size(), 1u);
        EXPECT_EQ(container->Sizes()[0].vert, 500.0f);
        EXPECT_EQ(container->Sizes()[0].horz, 900.0f);
      }
    }
    EXPECT_EQ(container->RefCount(), 1);
    container->Release();
  }
}

TEST(AAXWrappers, PageTableForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    auto* hostTable = new aaxhost::PageTable(host.SharedContext());
    {
      AAX_VPageTable p(hostTable);
      EXPECT_EQ(p.IsSupported(), version > 0);
      bool empty = false;
      int32_t n = 0;
      AAX_CString s;
      const AAX_CString name("Gn");
      const int U = AAX_ERROR_UNIMPLEMENTED;
      CheckOps(host, {
        {"Clear", 1, U, "PageTable.Clear", [&] { return p.Clear(); }},
        {"InsertPage", 1, U, "PageTable.InsertPage", [&] { return p.InsertPage(0); }},
        {"Empty", 1, U, "PageTable.Empty", [&] { return p.Empty(&empty); }},
        {"GetNumPages", 1, U, "PageTable.GetNumPages", [&] { return p.GetNumPages(&n); }},
        {"MapParameterID", 1, U, "PageTable.MapParameterID", [&] { return p.MapParameterID("3", 0, 1); }},
        {"GetNumMappedParameterIDs", 1, U, "PageTable.GetNumMappedParameterIDs", [&] { return p.GetNumMappedParameterIDs(0, &n); }},
        {"GetMappedParameterID", 1, U, "PageTable.GetMappedParameterID", [&] { return p.GetMappedParameterID(0, 1, &s); }},
        {"ClearMappedParameter", 1, U, "PageTable.ClearMappedParameter", [&] { return p.ClearMappedParameter(0, 1); }},
        {"RemovePage", 1, U, "PageTable.RemovePage", [&] { return p.RemovePage(0); }},
        {"SetParameterNameVariation", 2, U, "PageTable.SetParameterNameVariation",
         [&] { return p.SetParameterNameVariation("3", name, 2); }},
        {"GetNumParametersWithNameVariations", 2, U, "PageTable.GetNumParametersWithNameVariations",
         [&] { return p.GetNumParametersWithNameVariations(&n); }},
        {"GetNameVariationParameterIDAtIndex", 2, U, "PageTable.GetNameVariationParameterIDAtIndex",
         [&] { return p.GetNameVariationParameterIDAtIndex(0, &s); }},
        {"GetNumNameVariationsForParameter", 2, U, "PageTable.GetNumNameVariationsForParameter",
         [&] { return p.GetNumNameVariationsForParameter("3", &n); }},
        {"GetParameterNameVariationAtIndex", 2, U, "PageTable.GetParameterNameVariationAtIndex",
         [&] { return p.GetParameterNameVariationAtIndex("3", 0, &s, &n); }},
        {"GetParameterNameVariationOfLength", 2, U, "PageTable.GetParameterNameVariationOfLength",
         [&] { return p.GetParameterNameVariationOfLength("3", 2, &s); }},
        {"ClearNameVariationsForParameter", 2, U, "PageTable.ClearNameVariationsForParameter",
         [&] { return p.ClearNameVariationsForParameter("3"); }},
        {"ClearParameterNameVariations", 2, U, "PageTable.ClearParameterNameVariations",
         [&] { return p.ClearParameterNameVariations(); }},
      });
    }
    EXPECT_EQ(hostTable->RefCount(), 1);
    hostTable->Release();
  }
}

TEST(AAXWrappers, HostServicesForwardByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    {
      AAX_VHostServices s(host.Unknown());
      CheckOps(host, {
        {"Assert", 3, AAX_ERROR_NULL_OBJECT, "HostServices.Assert", [&] { return s.Assert("f.cpp", 3, "x", 1); }},
        {"Trace", 1, AAX_ERROR_NULL_OBJECT, "HostServices.Trace", [&] { return s.Trace(0x8000000, "t"); }},
        {"TraceWithFlags", 2, AAX_ERROR_UNIMPLEMENTED, "HostServices.TraceWithFlags",
         [&] { return s.TraceWithFlags(0x8000000, 2, "u"); }},
      });
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
  }
}

TEST(AAXWrappers, CollectionForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    const int32_t live = aaxhost::LiveHostObjects();
    {
      AAX_VCollection c(host.Unknown());
      AAX_IEffectDescriptor* descriptor = nullptr;
      AAX_IPropertyMap* map = nullptr;
      const int N = AAX_ERROR_NULL_OBJECT;
      CheckOps(host, {
        {"NewDescriptor", 1, kNull, "ObjectFactory.CreateEffectDescriptor",
         [&] { return (descriptor = c.NewDescriptor()) ? 0 : kNull; }},
        {"AddEffect", 1, N, "Collection.AddEffect", [&] { return c.AddEffect("com.test.fx", descriptor); }},
        {"SetManufacturerName", 1, N, "Collection.SetManufacturerName", [&] { return c.SetManufacturerName("M"); }},
        {"AddPackageName", 1, N, "Collection.AddPackageName", [&] { return c.AddPackageName("P"); }},
        {"SetPackageVersion", 1, N, "Collection.SetPackageVersion", [&] { return c.SetPackageVersion(0x10006); }},
        {"NewPropertyMap", 1, kNull, "ObjectFactory.CreatePropertyMap", [&] { return (map = c.NewPropertyMap()) ? 0 : kNull; }},
        {"SetProperties", 1, N, "Collection.SetProperties", [&] { return c.SetProperties(map); }},
      });
      const bool described = version == aaxhost::kAllVersions;
      EXPECT_EQ(c.DescriptionHost() != nullptr, described);
      EXPECT_EQ(static_cast<const AAX_VCollection&>(c).DescriptionHost() != nullptr, described);
      EXPECT_EQ(c.HostDefinition() != nullptr, described);
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
    EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  }
}

TEST(AAXWrappers, EffectDescriptorForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    const int32_t live = aaxhost::LiveHostObjects();
    {
      AAX_VEffectDescriptor e(host.Unknown());
      AAX_IComponentDescriptor* component = nullptr;
      AAX_IPropertyMap* map = nullptr;
      int procTarget = 0;
      const int N = AAX_ERROR_NULL_OBJECT;
      CheckOps(host, {
        {"NewComponentDescriptor", 1, kNull, "ObjectFactory.CreateComponentDescriptor",
         [&] { return (component = e.NewComponentDescriptor()) ? 0 : kNull; }},
        {"AddComponent", 1, N, "EffectDescriptor.AddComponent", [&] { return e.AddComponent(component); }},
        {"AddName", 1, N, "EffectDescriptor.AddName", [&] { return e.AddName("Fx"); }},
        {"AddCategory", 1, N, "EffectDescriptor.AddCategory", [&] { return e.AddCategory(64); }},
        {"AddCategoryBypassParameter", 1, N, "EffectDescriptor.AddCategoryBypassParameter",
         [&] { return e.AddCategoryBypassParameter(64, "1"); }},
        {"AddProcPtr", 1, N, "EffectDescriptor.AddProcPtr", [&] { return e.AddProcPtr(&procTarget, 0); }},
        {"NewPropertyMap", 1, kNull, "ObjectFactory.CreatePropertyMap", [&] { return (map = e.NewPropertyMap()) ? 0 : kNull; }},
        {"SetProperties", 1, N, "EffectDescriptor.SetProperties", [&] { return e.SetProperties(map); }},
        {"AddResourceInfo", 1, N, "EffectDescriptor.AddResourceInfo", [&] { return e.AddResourceInfo(0, "x"); }},
        {"AddMeterDescription", 1, N, "EffectDescriptor.AddMeterDescription", [&] { return e.AddMeterDescription(1, "m", map); }},
        {"AddControlMIDINode", 2, AAX_ERROR_UNIMPLEMENTED, "EffectDescriptor.AddControlMIDINode",
         [&] { return e.AddControlMIDINode(1, 0, "midi", 1); }},
      });
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
    EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  }
}

TEST(AAXWrappers, ComponentDescriptorForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    const int32_t live = aaxhost::LiveHostObjects();
    {
      AAX_VComponentDescriptor d(host.Unknown());
      AAX_IPropertyMap* map = nullptr;
      const uint32_t meters[] = {1, 2};
      int32_t id = 0;
      const int N = AAX_ERROR_NULL_OBJECT;
      CheckOps(host, {
        {"Clear", 1, N, "ComponentDescriptor.Clear", [&] { return d.Clear(); }},
        {"AddAudioIn", 1, N, "ComponentDescriptor.AddAudioIn", [&] { return d.AddAudioIn(0); }},
        {"AddAudioOut", 1, N, "ComponentDescriptor.AddAudioOut", [&] { return d.AddAudioOut(1); }},
        {"AddAudioBufferLength", 1, N, "ComponentDescriptor.AddAudioBufferLength", [&] { return d.AddAudioBufferLength(2); }},
        {"AddClock", 1, N, "ComponentDescriptor.AddClock", [&] { return d.AddClock(9); }},
        {"AddSampleRate", 1, N, "ComponentDescriptor.AddSampleRate", [&] { return d.AddSampleRate(3); }},
        {"AddSideChainIn", 1, N, "ComponentDescriptor.AddSideChainIn", [&] { return d.AddSideChainIn(26); }},
        {"AddDataInPort", 1, N, "ComponentDescriptor.AddDataInPort", [&] { return d.AddDataInPort(25, 8, 1); }},
        {"AddAuxOutputStem", 1, N, "ComponentDescriptor.AddAuxOutputStem", [&] { return d.AddAuxOutputStem(0, 1, "Out 2"); }},
        {"AddPrivateData", 1, N, "ComponentDescriptor.AddPrivateData", [&] { return d.AddPrivateData(23, 8, 0); }},
        {"AddTemporaryData", 2, AAX_ERROR_UNIMPLEMENTED, "ComponentDescriptor.AddTemporaryData",
         [&] { return d.AddTemporaryData(10, 4); }},
        {"AddDmaInstance", 1, N, "ComponentDescriptor.AddDmaInstance", [&] { return d.AddDmaInstance(11, 0); }},
        {"AddMeters", 1, N, "ComponentDescriptor.AddMeters", [&] { return d.AddMeters(24, meters, 2); }},
        {"AddMIDINode", 1, N, "ComponentDescriptor.AddMIDINode", [&] { return d.AddMIDINode(7, 3, "Transport", 0xffff); }},
        {"AddReservedField", 1, N, "ComponentDescriptor.AddReservedField", [&] { return d.AddReservedField(12, 0); }},
        {"NewPropertyMap", 1, kNull, "ObjectFactory.CreatePropertyMap", [&] { return (map = d.NewPropertyMap()) ? 0 : kNull; }},
        {"AddProcessProc_Native", 1, N, "ComponentDescriptor.AddProcessProc_Native",
         [&] { return d.AddProcessProc_Native(&ProcessNothing, map, nullptr, nullptr, &id); }},
        {"AddProcessProc_TI", 1, N, "ComponentDescriptor.AddProcessProc_TI",
         [&] { return d.AddProcessProc_TI("dll", "proc", map, nullptr, nullptr, &id); }},
      });
      if (version > 0)
      {
        auto* hostDescriptor = dynamic_cast<aaxhost::ComponentDescriptor*>(
          static_cast<AAX_IACFComponentDescriptor*>(d.GetIUnknown()));
        ASSERT_NE(hostDescriptor, nullptr);
        ASSERT_NE(hostDescriptor->FieldAt(25), nullptr);
        EXPECT_EQ(hostDescriptor->FieldAt(25)->kind, "DataInPort");
        EXPECT_EQ(hostDescriptor->FieldAt(25)->a, 8);
        EXPECT_EQ(hostDescriptor->FieldAt(25)->b, 1);
        ASSERT_EQ(hostDescriptor->ProcessProcs().size(), 2u);
        EXPECT_EQ(hostDescriptor->ProcessProcs()[0].proc, &ProcessNothing);
      }
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
    EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  }
}

TEST(AAXWrappers, PropertyMapForwardsByVersion)
{
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    auto* hostMap = new aaxhost::PropertyMap(host.SharedContext());
    {
      std::unique_ptr<AAX_VPropertyMap> m(AAX_VPropertyMap::Acquire(hostMap));
      ASSERT_NE(m, nullptr);
      int32_t value = 0;
      const void* pointer = nullptr;
      const AAX_SPlugInIdentifierTriad triad = {AAX_MakeFourCC('Q', 'T', 'N', 'Z'), AAX_MakeFourCC('Q', 'V', 'l', 'k'), AAX_MakeFourCC('I', 'E', 'F', '1')};
      const AAX_SPlugInIdentifierTriad* triads = nullptr;
      uint32_t count = 0;
      const int N = AAX_ERROR_NULL_OBJECT, U = AAX_ERROR_UNIMPLEMENTED;
      CheckOps(host, {
        {"AddProperty", 1, N, "PropertyMap.AddProperty", [&] { return m->AddProperty(56, 0); }},
        {"GetProperty", 1, 0, "PropertyMap.GetProperty", [&] { return m->GetProperty(56, &value) ? 1 : 0; }, 1},
        {"RemoveProperty", 1, N, "PropertyMap.RemoveProperty", [&] { return m->RemoveProperty(56); }},
        {"AddPropertyWithIDArray", 2, U, "PropertyMap.AddPropertyWithIDArray",
         [&] { return m->AddPropertyWithIDArray(300, &triad, 1); }},
        {"GetPropertyWithIDArray", 2, 0, "PropertyMap.GetPropertyWithIDArray",
         [&] { return m->GetPropertyWithIDArray(300, &triads, &count) ? 1 : 0; }, 1},
        // Without the third version pointer properties live in the wrapper's own table.
        {"AddPointerProperty", 3, 0, "PropertyMap.AddPointerProperty",
         [&] { return m->AddPointerProperty(AAX_eProperty_NativeProcessProc, &value); }},
        {"GetPointerProperty", 3, 1, "PropertyMap.GetPointerProperty",
         [&] { return m->GetPointerProperty(AAX_eProperty_NativeProcessProc, &pointer) ? 1 : 0; }, 1},
      });
      EXPECT_EQ(pointer, &value);
      // The own table takes only the procedure properties.
      if (version < 3)
      {
        EXPECT_EQ(m->AddPointerProperty(60, "x"), AAX_ERROR_UNIMPLEMENTED);
      }
      EXPECT_EQ(m->GetIUnknown() != nullptr, version > 0);
      // A host without a factory gives no new maps.
      std::unique_ptr<AAX_VPropertyMap> made(AAX_VPropertyMap::Create(host.Unknown()));
      EXPECT_EQ(made != nullptr, version > 0);
    }
    EXPECT_EQ(hostMap->RefCount(), 1);
    hostMap->Release();
    EXPECT_TRUE(host.AllAtStartingCounts());
  }
}

TEST(AAXWrappers, DescriptionHostAndFeatureInfo)
{
  const AAX_Feature_UID known = {0x11111111u, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
  const AAX_Feature_UID unknown = {0x99999999u, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
  for (int version : kVersions)
  {
    aaxhost::Host host(version);
    host.Descriptions().AddSupportedFeature(known);
    const int32_t live = aaxhost::LiveHostObjects();
    {
      AAX_VDescriptionHost d(host.Unknown());
      std::unique_ptr<AAX_IFeatureInfo> info(d.AcquireFeatureProperties(known));
      if (version != aaxhost::kAllVersions)
      {
        EXPECT_EQ(info, nullptr);
        continue;
      }
      ASSERT_NE(info, nullptr);
      EXPECT_EQ(info->ID(), known);
      int32_t level = 0;
      EXPECT_EQ(info->SupportLevel(&level), 0);
      EXPECT_EQ(level, 2);
      std::unique_ptr<AAX_IPropertyMap> props(info->AcquireProperties());
      EXPECT_NE(props, nullptr);

      std::unique_ptr<AAX_IFeatureInfo> other(d.AcquireFeatureProperties(unknown));
      ASSERT_NE(other, nullptr);
      EXPECT_EQ(other->SupportLevel(&level), 0);
      EXPECT_EQ(level, 1);
      EXPECT_EQ(std::unique_ptr<AAX_IPropertyMap>(other->AcquireProperties()), nullptr);
    }
    EXPECT_TRUE(host.AllAtStartingCounts());
    EXPECT_EQ(aaxhost::LiveHostObjects(), live);
  }
}

TEST(AAXWrappers, NullHostObjectGivesWrappersThatReportTheMissingInterface)
{
  AAX_VController controller(nullptr);
  float rate = 1;
  EXPECT_EQ(controller.GetSampleRate(&rate), AAX_ERROR_NULL_OBJECT);
  EXPECT_EQ(controller.SendNotification(AAX_eNotificationEvent_EnteringOfflineMode), AAX_ERROR_UNIMPLEMENTED);
  AAX_VCollection collection(nullptr);
  EXPECT_EQ(collection.NewDescriptor(), nullptr);
  EXPECT_EQ(collection.AddEffect("x", nullptr), AAX_ERROR_NULL_OBJECT);
  AAX_VViewContainer view(nullptr);
  EXPECT_EQ(view.GetPtr(), nullptr);
}
