// The real bundle in-process, with the host doing inside the editor's own calls what a host may
// do there: destroying the whole instance from inside a native menu of the editor, or another
// instance from inside the information menu the editors share, and closing the editor, moving
// it to another view container, destroying the instance, only uninitialising it, or
// uninitialising and initialising it again from inside the touch, set and release requests the
// editor sends and the loop of its preset-list menu.
#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/AutomationDelegate.h"
#include "standin/aaxhost/Controller.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace bundletest {
namespace {

namespace input = standin::appkit;
using aaxhost::GestureRecord;

// Classes of the editor's platform side: none may be left once the editor has gone.
void ExpectNoEditorObjectsLeft(const std::string& where)
{
  for (const char* name : {"IGraphicsView", "CAMetalLayer", "NSTimer", "NSTrackingArea", "IGraphicsMenu", "NSWindow"})
  {
    const standin::RuntimeClass* cls = standin::RuntimeClass::Find(name);
    EXPECT_EQ(cls ? cls->LiveCount() : 0, 0) << name << where;
  }
}

// The preset caption opens the native menu of presets. From inside the menu's loop the host
// takes the view container away, uninitialises and releases the editor object and releases
// the instance, as a host closing the session there might. The loop returns into live
// objects; once it has, the instance has gone and given back every host reference, and
// nothing of its editor is left (under the sanitizers a read of what the destruction freed, or
// a leak, fails the run).
TEST(BundleEditorLifetime, TheHostDestroyingTheInstanceInsideTheEditorsNativeMenuLeavesNothingBehind)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  const auto referencesBefore = session.GetHost().RefCounts();
  std::unique_ptr<aaxhost::PluginInstance> instance = session.NewInstance(1);
  ASSERT_TRUE(instance);
  auto editor = std::make_unique<aaxhost::EditorSession>(session.GetHost(), *instance);
  ASSERT_TRUE(editor->Create()) << editor->Error();
  ASSERT_EQ(editor->Open(), AAX_SUCCESS);
  NSView* view = editor->EditorView();
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->window(), nullptr);
  const double scale = view->frame().size.width / 900.0;

  int menus = 0;
  bool balanced = false, editorGone = false;
  input::SetMenuResponder([&](const input::MenuRequest&) -> NSMenuItem* {
    ++menus;
    editor->Close(balanced);
    editorGone = editor->Destroy();
    instance->Destroy();
    return nullptr;
  });
  auto pool = std::make_unique<NSAutoreleasePool>(); // the host's main loop always has one
  input::Click(view->window(), input::InWindow(view, NSMakePoint(440 * scale, 14 * scale)));
  // The menu opens at a later turn of the main loop.
  for (int turn = 0; turn < 100 && menus == 0; ++turn)
    standin::RunLoop::Main().RunForMs(20);
  standin::RunLoop::Main().RunForMs(20);
  input::SetMenuResponder(nullptr);
  pool.reset();

  EXPECT_EQ(menus, 1) << "the caption opened its menu";
  EXPECT_TRUE(balanced) << "every reference to the view container given back";
  EXPECT_TRUE(editorGone) << "the editor object went with its last reference";
  EXPECT_TRUE(session.GetHost().RefCounts() == referencesBefore) << "the instance kept host references";
  ExpectNoEditorObjectsLeft("");
  editor.reset();
  instance.reset();
}

// Two instances, each with its editor open. The user clicks B's information button, then A's,
// before either menu has appeared: the menus open at later turns of the main loop, B's first,
// and the process has one information menu for both. From inside B's menu the host destroys
// A (its editor closed and released, the instance released) and the user picks "Product
// page". The choice acts on B, the editor whose menu it is: the link opens once, nothing of
// A is touched (under the sanitizers a call through A's freed editor fails the run) and A's
// menu never opens.
TEST(BundleEditorLifetime, TheInformationMenuActsOnTheEditorShowingItWhenTheHostDestroysAnotherInsideIt)
{
  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  const auto referencesBefore = session.GetHost().RefCounts();
  std::unique_ptr<aaxhost::PluginInstance> instanceA = session.NewInstance(1);
  std::unique_ptr<aaxhost::PluginInstance> instanceB = session.NewInstance(1);
  ASSERT_TRUE(instanceA && instanceB);
  auto editorA = std::make_unique<aaxhost::EditorSession>(session.GetHost(), *instanceA);
  auto editorB = std::make_unique<aaxhost::EditorSession>(session.GetHost(), *instanceB);
  for (aaxhost::EditorSession* editor : {editorA.get(), editorB.get()})
  {
    ASSERT_TRUE(editor->Create()) << editor->Error();
    ASSERT_EQ(editor->Open(), AAX_SUCCESS);
    ASSERT_NE(editor->EditorView(), nullptr);
    ASSERT_NE(editor->EditorView()->window(), nullptr);
  }
  NSView* viewA = editorA->EditorView();
  NSView* viewB = editorB->EditorView();
  const auto infoButton = [](NSView* view) {
    const double scale = view->frame().size.width / 900.0;
    return input::InWindow(view, NSMakePoint(14 * scale, 12 * scale));
  };

  std::vector<NSView*> menusIn;
  bool balancedA = false, editorAGone = false;
  input::SetMenuResponder([&](const input::MenuRequest& request) -> NSMenuItem* {
    menusIn.push_back(request.view);
    if (menusIn.size() > 1)
      return nullptr;
    editorA->Close(balancedA);
    editorAGone = editorA->Destroy();
    instanceA->Destroy();
    return input::ItemAtPath(request.menu, {1}); // "Product page"
  });
  const size_t requestsBefore = input::WorkspaceRequests().size();
  auto pool = std::make_unique<NSAutoreleasePool>(); // the host's main loop always has one
  input::Click(viewB->window(), infoButton(viewB));
  input::Click(viewA->window(), infoButton(viewA));
  for (int turn = 0; turn < 100 && menusIn.empty(); ++turn)
    standin::RunLoop::Main().RunForMs(20);
  standin::RunLoop::Main().RunForMs(100);
  input::SetMenuResponder(nullptr);
  pool.reset();

  EXPECT_EQ(menusIn, std::vector<NSView*>{viewB}) << "B's menu opened, A's never did";
  std::vector<std::string> opened;
  for (size_t i = requestsBefore; i < input::WorkspaceRequests().size(); ++i)
    opened.push_back(input::WorkspaceRequests()[i].kind + " " + input::WorkspaceRequests()[i].target);
  EXPECT_EQ(opened, std::vector<std::string>{"openURL https://www.orlenbeck.com/vellicor"});
  EXPECT_TRUE(balancedA) << "every reference to A's view container given back";
  EXPECT_TRUE(editorAGone) << "A's editor object went with its last reference";
  const standin::RuntimeClass* views = standin::RuntimeClass::Find("IGraphicsView");
  EXPECT_EQ(views ? views->LiveCount() : 0, 1) << "B's view alone is left";

  // B goes on as usual, and goes as usual.
  bool balancedB = false;
  EXPECT_EQ(editorB->Close(balancedB), AAX_SUCCESS);
  EXPECT_TRUE(balancedB);
  EXPECT_TRUE(editorB->Destroy());
  instanceB->Destroy();
  EXPECT_TRUE(session.GetHost().RefCounts() == referencesBefore) << "the instances kept host references";
  for (const char* name : {"IGraphicsView", "CAMetalLayer", "NSTimer", "NSTrackingArea", "IGraphicsMenu"})
  {
    const standin::RuntimeClass* cls = standin::RuntimeClass::Find(name);
    EXPECT_EQ(cls ? cls->LiveCount() : 0, 0) << name;
  }
  editorA.reset();
  editorB.reset();
  instanceA.reset();
  instanceB.reset();
}

// The routes by which the editor sends touch, set and release requests: a drag on "Drive"
// (touch at the press, set while it moves, release at the let-go, each in an event handler of
// its own), the scroll wheel on "Drive" (all three in one handler), and the ">" arrow of the
// preset strip, whose load sends touch, set and release for every parameter from the end of
// its splash animation, inside the frame timer's drawing pass. The preset caption's native
// menu of presets, whose chosen preset loads the same way once the menu's loop has returned,
// has the host act inside that loop instead of inside a request.
enum class ERoute
{
  kDriveDrag,
  kDriveScroll,
  kNextPresetArrow,
  kPresetMenu
};
// What the host does inside the request (or the menu's loop).
enum class EHostAction
{
  kClose,   // takes the view container away
  kDestroy, // closes and releases the editor object, uninitialises and releases the instance
  kMove,    // hands the editor another view container
  kUninit,  // uninitialises the instance, and nothing else
  kReinit,  // uninitialises the instance and initialises it again with the same host object
};

struct RequestCase
{
  ERoute route;
  GestureRecord::EKind request;
  EHostAction action;
};

std::string Describe(const RequestCase& c)
{
  static const char* const kRoutes[] = {"drag on Drive", "scroll on Drive", "preset arrow", "preset-list menu"};
  static const char* const kRequests[] = {"touch", "set", "release"};
  static const char* const kActions[] = {"close", "destroy", "move", "uninit", "uninit then init"};
  const std::string inside =
    c.route == ERoute::kPresetMenu ? std::string("loop") : std::string(kRequests[c.request]) + " request";
  return std::string(" (") + kActions[static_cast<int>(c.action)] + " inside the " + inside + " of a " +
         kRoutes[static_cast<int>(c.route)] + ")";
}

// Whatever the host does inside a request of the editor, the request returns into live objects.
// Once the outermost handler has returned after a destruction, and once the host has let go of
// everything in every case: no object of the plug-in is alive, the host has every reference
// back, and every touch was released, but for the one inside which the host uninitialised the
// instance (a drag's gesture). After an Uninit alone the instance has let go of its host
// parameters (each unregistered) by the time the handler has returned, though no release of
// the instance followed. After an Uninit and an Init the host holds, once the handler has
// returned, every parameter the instance answers, and exactly the references it held before.
TEST(BundleEditorLifetime, TheHostClosingMovingOrDestroyingTheEditorInsideItsRequestsLeavesNothingBehind)
{
  std::vector<RequestCase> cases;
  for (EHostAction action : {EHostAction::kClose, EHostAction::kDestroy, EHostAction::kMove})
    for (GestureRecord::EKind request : {GestureRecord::kTouch, GestureRecord::kSet, GestureRecord::kRelease})
      for (ERoute route : {ERoute::kDriveDrag, ERoute::kDriveScroll, ERoute::kNextPresetArrow})
        cases.push_back({route, request, action});
  for (ERoute route : {ERoute::kDriveDrag, ERoute::kDriveScroll, ERoute::kNextPresetArrow})
    cases.push_back({route, GestureRecord::kSet, EHostAction::kUninit});
  for (ERoute route : {ERoute::kDriveDrag, ERoute::kDriveScroll, ERoute::kNextPresetArrow, ERoute::kPresetMenu})
    cases.push_back({route, GestureRecord::kSet, EHostAction::kReinit});

  BundleSession session;
  ASSERT_TRUE(session.Ready()) << session.Error();
  aaxhost::Host& host = session.GetHost();
  for (const RequestCase& c : cases)
  {
    const std::string where = Describe(c);
    const auto referencesBefore = host.RefCounts();
    std::unique_ptr<aaxhost::PluginInstance> instance = session.NewInstance(1);
    ASSERT_TRUE(instance) << where;
    auto editor = std::make_unique<aaxhost::EditorSession>(host, *instance);
    ASSERT_TRUE(editor->Create()) << editor->Error() << where;
    ASSERT_EQ(editor->Open(), AAX_SUCCESS) << where;
    NSView* view = editor->EditorView();
    ASSERT_NE(view, nullptr) << where;
    // The host's own window and automation delegate outlive whatever the host does inside.
    NSWindow* window = view->window();
    ASSERT_NE(window, nullptr) << where;
    window->retain();
    aaxhost::AutomationDelegate& automation = instance->GetInstanceHost()->Automation();
    automation.AddRef();
    const double scale = view->frame().size.width / 900.0;

    aaxhost::Controller& controller = instance->GetInstanceHost()->GetController();
    const auto initialisedReferences = std::make_tuple(host.RefCounts(), automation.RefCount(), controller.RefCount());

    int acted = 0;
    std::string actedOn;
    bool balanced = true;
    const auto act = [&]() {
      ++acted;
      switch (c.action)
      {
        case EHostAction::kClose:
          editor->Close(balanced);
          break;
        case EHostAction::kDestroy:
          editor->Close(balanced);
          editor->Destroy();
          instance->Destroy();
          break;
        case EHostAction::kMove:
          editor->Open();
          break;
        case EHostAction::kUninit:
          instance->Uninit();
          break;
        case EHostAction::kReinit:
          instance->Uninit();
          EXPECT_EQ(instance->Init(), AAX_SUCCESS) << where;
          break;
      }
    };
    if (c.route != ERoute::kPresetMenu)
    {
      automation.SetRequestHook([&](GestureRecord::EKind kind, const std::string& id) {
        if (kind != c.request || acted > 0)
          return;
        actedOn = id;
        act();
      });
    }

    {
      NSAutoreleasePool pool; // the host's main loop always has one
      if (c.route == ERoute::kDriveDrag)
      {
        input::Drag(window, input::InWindow(view, NSMakePoint(147 * scale, 118 * scale)),
                    input::InWindow(view, NSMakePoint(147 * scale, 60 * scale)));
        standin::RunLoop::Main().RunForMs(40);
      }
      else if (c.route == ERoute::kDriveScroll)
      {
        input::Scroll(window, input::InWindow(view, NSMakePoint(147 * scale, 185 * scale)), 3.0);
        standin::RunLoop::Main().RunForMs(40);
      }
      else if (c.route == ERoute::kPresetMenu)
      {
        input::SetMenuResponder([&](const input::MenuRequest& request) -> NSMenuItem* {
          act();
          return input::ItemAtPath(request.menu, {3});
        });
        input::Click(window, input::InWindow(view, NSMakePoint(440 * scale, 14 * scale)));
        // The menu opens at a later turn of the main loop.
        for (int turn = 0; turn < 50 && acted == 0; ++turn)
          standin::RunLoop::Main().RunForMs(20);
        standin::RunLoop::Main().RunForMs(40);
        input::SetMenuResponder(nullptr);
      }
      else
      {
        input::Click(window, input::InWindow(view, NSMakePoint(286 * scale, 14 * scale)));
        // The load runs once the splash has ended (100 ms), in a later frame.
        for (int turn = 0; turn < 50 && acted == 0; ++turn)
          standin::RunLoop::Main().RunForMs(20);
        standin::RunLoop::Main().RunForMs(40);
      }
    }
    automation.SetRequestHook(nullptr);
    EXPECT_EQ(acted, 1) << "the host acted inside the request" << where;

    if (c.action == EHostAction::kDestroy)
    {
      EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "plug-in objects alive after the handler returned" << where;
      EXPECT_TRUE(host.RefCounts() == referencesBefore) << "host references kept after the handler returned" << where;
    }
    if (c.action == EHostAction::kUninit)
    {
      EXPECT_TRUE(automation.Registered().empty()) << "host parameters kept past the handler" << where;
    }
    if (c.action == EHostAction::kReinit)
    {
      int32_t count = 0;
      instance->Effect()->GetParameterCount(&count);
      EXPECT_EQ(count, 34) << where;
      std::set<std::string> answered;
      for (int32_t i = 0; i < count; ++i)
      {
        AAX_CString id;
        instance->Effect()->GetParameterIDAtIndex(i, &id);
        answered.insert(id.StdString());
      }
      EXPECT_EQ(automation.Registered(), answered) << "the host's parameters after the handler" << where;
      EXPECT_TRUE(std::make_tuple(host.RefCounts(), automation.RefCount(), controller.RefCount()) ==
                  initialisedReferences)
        << "host references after the handler" << where;
    }

    editor.reset();
    instance.reset();
    standin::RunLoop::Main().RunForMs(20);
    EXPECT_TRUE(balanced) << "every reference to the view container given back" << where;
    EXPECT_EQ(session.Bundle().CanUnloadNow(), 0) << "plug-in objects alive" << where;
    std::set<std::string> touched;
    for (const GestureRecord& gesture : automation.Gestures())
      touched.insert(gesture.id);
    EXPECT_FALSE(touched.empty()) << where;
    for (const std::string& id : touched)
    {
      // A drag's gesture open while the host uninitialised the instance has nowhere to be
      // released: the instance no longer has the parameter.
      const bool uninitialisedInside =
        (c.action == EHostAction::kDestroy || c.action == EHostAction::kUninit || c.action == EHostAction::kReinit) &&
        id == actedOn;
      if (!uninitialisedInside)
      {
        EXPECT_EQ(automation.TouchDepth(id), 0) << "parameter " << id << where;
      }
    }
    automation.Release();
    window->release();
    EXPECT_TRUE(host.RefCounts() == referencesBefore) << "host references kept" << where;
    ExpectNoEditorObjectsLeft(where);
  }
}

} // namespace
} // namespace bundletest
