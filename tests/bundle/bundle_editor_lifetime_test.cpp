// The real bundle in-process, with the host doing inside the editor's own calls what a host may
// do there: destroying the whole instance from inside a native menu of the editor.
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/appkit/UserInput.h"
#include "standin/foundation/RunLoop.h"
#include "tests/bundle/BundleSession.h"

#include <gtest/gtest.h>

#include <memory>

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

} // namespace
} // namespace bundletest
