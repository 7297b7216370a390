// The editor binding against the host stand-in: the editor object the bundle's factory makes,
// initialised with a host object that leads to the instance, opened in and closed from host
// view containers; the instance's editor is a headless graphics context, so every open and
// close step, highlighting and resizing run for real.

#include "graphics/EditorEntry.h"
#include "aax/interfaces/AAX_UIDs.h"
#include "aax/library/AAX_CEffectGUI.h"
#include "aax/library/CACFUnknown.h"
#include "HeadlessGraphics.h"
#include "TestControl.h"
#include "plug/aax/AAX_CEffectGUI_IPLUGIN.h"
#include "standin/aaxhost/EditorHost.h"
#include "standin/aaxhost/Host.h"
#include "standin/foundation/RunLoop.h"
#include "tests/aax/TestAAXPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace testaax;
using namespace plug::igraphics;
using standin::RunLoop;
using Strings = std::vector<std::string>;

namespace {

class EditorTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    RunLoop::Main().RemoveAllTimers();
    ASSERT_EQ(CACFUnknown::GetActiveObjectCount(), 0);
    mHost = std::make_unique<aaxhost::Host>();
    mPlugin = new TestAAXPlugin();
    mPlugin->AddRef();
    ASSERT_EQ(mPlugin->Init(mHost->Unknown()), AAX_SUCCESS);
    // The editor: one control per parameter in a row, a second control on the drive.
    mPlugin->SetMakeGraphicsFunc([this]() {
      return new testgraphics::HeadlessGraphics(*mPlugin, mPlugin->GetEditorWidth(), mPlugin->GetEditorHeight());
    });
    mPlugin->SetLayoutFunc([](plug::igraphics::IGraphics* g) {
      if (g->NControls() > 0)
        return; // opened in a new container: laid out already
      for (int i = 0; i < kNumParams; ++i)
        g->AttachControl(new testgraphics::TestControl(IRECT(i * 30.f, 0.f, i * 30.f + 20.f, 20.f), i));
      g->AttachControl(new testgraphics::TestControl(IRECT(0.f, 100.f, 20.f, 120.f), kDrive));
    });
    mEditorHost = new aaxhost::EditorHost(mHost->SharedContext(), mHost->Unknown(),
                                          static_cast<AAX_IEffectParameters*>(mPlugin));
  }

  void TearDown() override
  {
    if (mGUI)
    {
      EXPECT_EQ(mGUI->Release(), 0u);
    }
    if (mPlugin)
    {
      mEditorHost->Release();
      EXPECT_EQ(mPlugin->Uninit(), AAX_SUCCESS);
      EXPECT_EQ(mPlugin->Release(), 0u);
    }
    ExpectNothingLeft(*mHost);
  }

  // What a host does to destroy the instance with its editor open: it takes the view
  // container away, uninitialises and releases the editor object, then the instance.
  void DestroyInstance()
  {
    mGUI->SetViewContainer(nullptr);
    mGUI->Uninit();
    mGUI->Release();
    mGUI = nullptr;
    mEditorHost->Release();
    mEditorHost = nullptr;
    mPlugin->Uninit();
    mPlugin->Release();
    mPlugin = nullptr;
  }

  // The editor object as the host gets it from the factory: one reference.
  AAX_IEffectGUI* MakeGUI()
  {
    IACFUnknown* object = plug::AAX_CEffectGUI_IPLUGIN::Create();
    void* gui = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IAAXEffectGUIV1, &gui), ACF_OK);
    mGUI = static_cast<AAX_IEffectGUI*>(static_cast<IACFUnknown*>(gui));
    return mGUI;
  }
  testgraphics::HeadlessGraphics* Editor() const
  {
    return static_cast<testgraphics::HeadlessGraphics*>(mPlugin->GetEditorGraphics());
  }
  testgraphics::TestControl* ControlOf(int idx) const
  {
    return static_cast<testgraphics::TestControl*>(Editor()->GetControl(idx));
  }

  std::unique_ptr<aaxhost::Host> mHost;
  TestAAXPlugin* mPlugin = nullptr;
  aaxhost::EditorHost* mEditorHost = nullptr;
  AAX_IEffectGUI* mGUI = nullptr;
  char mNativeView = 0;
};

} // namespace

TEST_F(EditorTest, OpenHighlightResizeAndCloseRepeatedlyWithBalancedReferences)
{
  AAX_IEffectGUI* gui = MakeGUI();
  ASSERT_EQ(gui->Init(mEditorHost), AAX_SUCCESS);
  AAX_Point size;
  EXPECT_EQ(gui->ReportEditorSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.vert, 200.f);
  EXPECT_EQ(size.horz, 300.f);
  EXPECT_EQ(gui->HighlightParameter("2", true, 1), AAX_ERROR_INVALID_PARAMETER_ID) << "no editor yet";

  aaxhost::ViewContainer* container = mHost->NewViewContainer(&mNativeView);
  for (int round = 0; round < 3; ++round)
  {
    ASSERT_EQ(gui->SetViewContainer(container), AAX_SUCCESS);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_NE(Editor()->GetViewContainer(), nullptr);
    EXPECT_EQ(Editor()->NControls(), kNumParams + 1);
    const Strings& log = Editor()->mPlatformLog;
    EXPECT_NE(std::find(log.begin(), log.end(), "open window"), log.end());

    // "2" is parameter 1: both of its controls, in the host's colour (1: blue).
    EXPECT_EQ(gui->HighlightParameter("2", true, 1), AAX_SUCCESS);
    EXPECT_TRUE(ControlOf(1)->GetHostHighlight());
    EXPECT_TRUE(ControlOf(kNumParams)->GetHostHighlight());
    EXPECT_EQ(ControlOf(1)->GetHostHighlightColor(), COLOR_BLUE);
    EXPECT_FALSE(ControlOf(0)->GetHostHighlight());
    EXPECT_EQ(gui->HighlightParameter("MasterBypassID", true, 0), AAX_SUCCESS);
    EXPECT_FALSE(ControlOf(0)->GetHostHighlight());
    EXPECT_EQ(gui->HighlightParameter("2", false, 1), AAX_SUCCESS);
    EXPECT_FALSE(ControlOf(1)->GetHostHighlight());

    // A new size reaches the host's container, height first; a parameter click is offered
    // to the host before any control sees it (this one, with command and option, the host
    // takes).
    mHost->Context().ClearCalls();
    EXPECT_TRUE(mPlugin->HostResizeEditor(400 + round, 250));
    ASSERT_EQ(container->Sizes().size(), static_cast<size_t>(round + 1));
    EXPECT_EQ(container->Sizes().back().vert, 250.f);
    EXPECT_EQ(container->Sizes().back().horz, 400.f + round);
    Editor()->OnMouseDown({IMouseInfo(35.f, 10.f, IMouseMod(true, false, false, true, true))});
    EXPECT_EQ(mHost->Context().LastCall(), "ViewContainer.HandleParameterMouseDown");
    EXPECT_EQ(ControlOf(1)->CountEvents("down"), 0) << "the host took the click";

    EXPECT_EQ(gui->SetViewContainer(nullptr), AAX_SUCCESS);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(container->RefCount(), 1) << "the wrapper gave back every reference it took";
    EXPECT_EQ(gui->HighlightParameter("2", true, 1), AAX_ERROR_INVALID_PARAMETER_ID);
  }
  EXPECT_EQ(gui->ReportEditorSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.horz, 402.f) << "the size the editor closed at";

  // Uninit with the editor open closes it before letting go of anything.
  ASSERT_EQ(gui->SetViewContainer(container), AAX_SUCCESS);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(gui->Uninit(), AAX_SUCCESS);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(container->RefCount(), 1);
  EXPECT_EQ(gui->HighlightParameter("2", true, 1), AAX_ERROR_INVALID_PARAMETER_ID);
  container->Release();
}

TEST_F(EditorTest, ReplacingTheContainerNeverLeavesTheEditorWithTheOldOne)
{
  AAX_IEffectGUI* gui = MakeGUI();
  ASSERT_EQ(gui->Init(mEditorHost), AAX_SUCCESS);
  aaxhost::ViewContainer* first = mHost->NewViewContainer(&mNativeView);
  aaxhost::ViewContainer* viewless = mHost->NewViewContainer(nullptr);
  aaxhost::ViewContainer* third = mHost->NewViewContainer(&mNativeView);

  ASSERT_EQ(gui->SetViewContainer(first), AAX_SUCCESS);
  ASSERT_NE(Editor(), nullptr);
  // A container without a native view opens nothing; the editor still open keeps no
  // container (the first wrapper is gone), so a resize asks nobody.
  ASSERT_EQ(gui->SetViewContainer(viewless), AAX_SUCCESS);
  EXPECT_EQ(first->RefCount(), 1);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->GetViewContainer(), nullptr);
  EXPECT_TRUE(mPlugin->HostResizeEditor(500, 300));
  EXPECT_TRUE(first->Sizes().empty());
  EXPECT_TRUE(viewless->Sizes().empty());

  // Replaced again without closing: the editor opens in the new one and follows it.
  ASSERT_EQ(gui->SetViewContainer(third), AAX_SUCCESS);
  EXPECT_EQ(viewless->RefCount(), 1);
  EXPECT_EQ(Editor()->NControls(), kNumParams + 1);
  EXPECT_TRUE(mPlugin->HostResizeEditor(520, 310));
  ASSERT_EQ(third->Sizes().size(), 1u);

  ASSERT_EQ(gui->SetViewContainer(nullptr), AAX_SUCCESS);
  for (aaxhost::ViewContainer* c : {first, viewless, third})
  {
    EXPECT_EQ(c->RefCount(), 1);
    c->Release();
  }
}

TEST_F(EditorTest, WithoutAHostObjectOrAnInstanceNothingOpens)
{
  AAX_IEffectGUI* gui = MakeGUI();
  EXPECT_EQ(gui->Init(nullptr), AAX_ERROR_NOT_INITIALIZED);
  AAX_Point size{-1.f, -1.f};
  EXPECT_EQ(gui->ReportEditorSize(&size), AAX_SUCCESS);
  EXPECT_EQ(size.vert, -1.f) << "nothing to report";
  aaxhost::ViewContainer* container = mHost->NewViewContainer(&mNativeView);
  EXPECT_EQ(gui->SetViewContainer(container), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->GetEditorGraphics(), nullptr);
  EXPECT_EQ(gui->HighlightParameter("1", true, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(gui->Uninit(), AAX_SUCCESS);
  EXPECT_EQ(gui->Uninit(), AAX_SUCCESS);

  // A host object that leads to no instance: the same.
  auto* noInstance = new aaxhost::EditorHost(mHost->SharedContext(), mHost->Unknown(), nullptr);
  EXPECT_EQ(gui->Init(noInstance), AAX_SUCCESS);
  EXPECT_EQ(gui->SetViewContainer(container), AAX_SUCCESS);
  EXPECT_EQ(mPlugin->GetEditorGraphics(), nullptr);
  EXPECT_EQ(gui->HostOperation11(), AAX_ERROR_NULL_OBJECT);
  // Released with a container still set: the object closes and lets go of everything.
  EXPECT_EQ(gui->Release(), 0u);
  mGUI = nullptr;
  EXPECT_EQ(container->RefCount(), 1);
  container->Release();
  noInstance->Release();
}

namespace {
// The base's calls into a subclass, recorded.
class RecordingGUI : public AAX_CEffectGUI
{
public:
  AAX_Result OnParameterUpdated(const char* id) override
  {
    mCalls.push_back(std::string("updated ") + id);
    return AAX_SUCCESS;
  }
  Strings mCalls;

protected:
  void BindPlugin() override { mCalls.push_back(GetEffectParameters() ? "bind" : "bind none"); }
  void OpenEditorInContainer() override
  {
    mCalls.push_back(std::string("open ") + (GetViewContainerPtr() ? "view" : "no view") + " type " +
                     std::to_string(GetViewContainerType()));
  }
  void CloseEditor() override { mCalls.push_back("close"); }
};
} // namespace

TEST_F(EditorTest, TheBaseOpensAgainOnANewContainerReportsEveryParameterAndClosesOnUninit)
{
  auto* gui = new RecordingGUI();
  gui->AddRef();
  ASSERT_EQ(gui->Init(mEditorHost), AAX_SUCCESS);
  aaxhost::ViewContainer* container = mHost->NewViewContainer(&mNativeView);
  gui->SetViewContainer(container);
  gui->SetViewContainer(container);
  gui->Uninit();

  Strings expected{"bind"};
  for (int open = 0; open < 2; ++open)
  {
    expected.push_back("open view type 1");
    expected.push_back("updated MasterBypassID");
    for (int id = 1; id <= kNumParams; ++id)
      if (id - 1 != kSpare) // no host parameter for kind none
        expected.push_back("updated " + std::to_string(id));
  }
  expected.push_back("close");
  EXPECT_EQ(gui->mCalls, expected);
  EXPECT_EQ(container->RefCount(), 1);
  EXPECT_EQ(gui->Release(), 0u);
  container->Release();
}

namespace {
// A control whose click asks through an alert and then goes on with its own gesture, as a
// "reset?" button would; what it did goes to a record outside it.
struct AskingControl : testgraphics::TestControl
{
  AskingControl(const IRECT& bounds, int paramIdx, Strings& record) : TestControl(bounds, paramIdx), said(record) {}
  void OnMouseDown(float, float, const IMouseMod&) override
  {
    said.push_back("asked " + std::to_string(GetUI()->ShowMessageBox("Reset?", "Vellicor", kMessageBoxOKCancel)));
    SetValue(0.25);
    SetDirty(true);
  }
  Strings& said;
};
} // namespace

// The host destroys the instance from inside a call the editor makes: inside the alert a
// control's handler runs, and inside the host's own parameter-click callback. The handlers
// still on the stack return into live objects; after the outermost one returned nothing of
// the instance is alive, every host reference is given back and no touch is left open.
// (The click enters the editor the way the view's handlers do.)
TEST_F(EditorTest, TheHostDestroyingTheInstanceInsideAnEditorCallLeavesNothingBehind)
{
  Strings said;
  aaxhost::ViewContainer* container = mHost->NewViewContainer(&mNativeView);
  ASSERT_EQ(MakeGUI()->Init(mEditorHost), AAX_SUCCESS);
  ASSERT_EQ(mGUI->SetViewContainer(container), AAX_SUCCESS);
  Editor()->AttachControl(new AskingControl(IRECT(200.f, 100.f, 240.f, 120.f), kDrive, said));
  Editor()->mInsideMessageBox = [this] { DestroyInstance(); };
  EditorEntry::Enter(Editor(), [](IGraphics& g) { g.OnMouseDown({IMouseInfo(210.f, 110.f, IMouseMod())}); });
  EXPECT_EQ(said, Strings{"asked 1"}) << "the handler ran to its end";
  EXPECT_EQ(mHost->Automation().TouchDepth("2"), 0);
  EXPECT_EQ(LiveTestPlugins(), 0);
  EXPECT_EQ(container->RefCount(), 1);
  container->Release();
}

TEST_F(EditorTest, TheHostDestroyingTheInstanceOrClosingTheEditorInsideAParameterClickLeavesNothingBehind)
{
  aaxhost::ViewContainer* container = mHost->NewViewContainer(&mNativeView);
  ASSERT_EQ(MakeGUI()->Init(mEditorHost), AAX_SUCCESS);

  // Only the editor closed: the click, which the host did not take, reaches no control.
  ASSERT_EQ(mGUI->SetViewContainer(container), AAX_SUCCESS);
  Strings said;
  Editor()->AttachControl(new AskingControl(IRECT(200.f, 100.f, 240.f, 120.f), kDrive, said));
  container->mInsideParameterClick = [this] { mGUI->SetViewContainer(nullptr); };
  EditorEntry::Enter(Editor(), [](IGraphics& g) { g.OnMouseDown({IMouseInfo(210.f, 110.f, IMouseMod())}); });
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_EQ(said, Strings{}) << "no control of a closed editor hears the click";
  EXPECT_EQ(mHost->Automation().TouchDepth("2"), 0);

  // The instance destroyed there.
  ASSERT_EQ(mGUI->SetViewContainer(container), AAX_SUCCESS);
  container->mInsideParameterClick = [this] { DestroyInstance(); };
  EditorEntry::Enter(Editor(), [](IGraphics& g) { g.OnMouseDown({IMouseInfo(35.f, 10.f, IMouseMod())}); });
  EXPECT_EQ(mHost->Automation().TouchDepth("2"), 0);
  EXPECT_EQ(LiveTestPlugins(), 0);
  container->mInsideParameterClick = nullptr;
  EXPECT_EQ(container->RefCount(), 1);
  container->Release();
}
