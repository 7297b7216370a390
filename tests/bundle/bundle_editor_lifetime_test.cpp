// The real bundle in-process, with the host doing inside the editor's own calls what a host may
// do there: destroying the whole instance from inside a native menu of the editor, or another
// instance from inside the information menu the editors share.
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace bundletest {
namespace {

namespace input = standin::appkit;

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
  for (const char* name : {"IGraphicsView", "CAMetalLayer", "NSTimer", "NSTrackingArea", "IGraphicsMenu", "NSWindow"})
  {
    const standin::RuntimeClass* cls = standin::RuntimeClass::Find(name);
    EXPECT_EQ(cls ? cls->LiveCount() : 0, 0) << name;
  }
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

} // namespace
} // namespace bundletest
