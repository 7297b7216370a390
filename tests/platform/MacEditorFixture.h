#pragma once
// An IGraphicsMac editor opened in a stand-in host window: a test delegate with an int, a
// double and an undefined parameter, and four recording controls (bound to them and to
// nothing). Each test starts on the default machine and must leave no stand-in object alive.
#include "graphics/EditorEntry.h"
#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsView.h"
#include "standin/foundation/RunLoop.h"
#include "standin/metal/Metal.h"

#include "TestControl.h"
#include "TestDelegate.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace mactest {

using namespace plug::igraphics;
using testgraphics::TestControl;
using testgraphics::TestDelegate;

class MacEditorTest : public ::testing::Test
{
protected:
  static constexpr int kIntParam = 0;    // 0 to 100
  static constexpr int kDoubleParam = 1; // 0 to 10
  static constexpr int kBareParam = 2;   // never defined

  void SetUp() override
  {
    standin::appkit::Reset();
    // Frames on the main loop's virtual clock, drawn at once.
    standin::RunLoop::Main().RemoveAllTimers();
    ASSERT_TRUE(standin::RunLoop::Main().SetClock(standin::RunLoop::EClock::kVirtual));
    standin::mtl::SetDefaultSynchronous(true);
    mLiveBefore = standin::RuntimeClass::TotalLiveCount();
    // The host's main loop always has a pool in place.
    mPool = std::make_unique<NSAutoreleasePool>();
    mDelegate.GetParam(kIntParam)->DefineInt("Int", 5, 0, 100);
    mDelegate.GetParam(kDoubleParam)->DefineDouble("Double", 1.0, 0.0, 10.0, 0.01);
    mDelegate.SetMakeGraphicsFunc([this]() { return new IGraphicsMac(mDelegate, 300, 200, 60, mScale); });
    mDelegate.SetLayoutFunc([this](IGraphics* pGraphics) {
      mInt = AddControl(pGraphics, IRECT(10, 10, 110, 30), kIntParam);
      mDouble = AddControl(pGraphics, IRECT(10, 40, 110, 60), kDoubleParam);
      mBare = AddControl(pGraphics, IRECT(10, 70, 110, 90), kBareParam);
      mPlain = AddControl(pGraphics, IRECT(10, 100, 110, 120), -1);
    });
    mWindow = new NSWindow(NSMakeRect(100, 100, 800, 600));
  }

  void TearDown() override
  {
    mDelegate.CloseEditorWindow();
    mWindow->close();
    mWindow->release();
    mPool.reset();
    standin::RunLoop::Main().RemoveAllTimers();
    standin::RunLoop::Main().SetClock(standin::RunLoop::EClock::kReal);
    standin::mtl::SetDefaultSynchronous(false);
    standin::appkit::Reset();
    EXPECT_EQ(standin::RuntimeClass::TotalLiveCount(), mLiveBefore) << "stand-in objects left alive";
  }

  // Opens the editor in the host window's content view (or in no view at all).
  void Open(bool inWindow = true)
  {
    mDelegate.OpenEditorWindow(inWindow ? mWindow->contentView() : nullptr);
    mGraphics = static_cast<IGraphicsMac*>(mDelegate.GetUI());
    ASSERT_NE(mGraphics, nullptr);
  }

  IGraphicsView* View() const { return mGraphics->GetView(); }
  // A point of the editor (IGraphics coordinates) in the window.
  NSPoint InWindow(float x, float y) const
  {
    return standin::appkit::InWindow(View(), NSMakePoint(x * mScale, y * mScale));
  }
  // Runs what the main queue holds (the native menu is shown there).
  void RunMainQueue() { standin::RunLoop::Main().RunForMs(1); }
  // Runs f as a handler of the editor runs: entered the one way in (alerts and modal panels
  // start their loops only inside it).
  template <typename F>
  auto AsHandler(F&& f) -> decltype(f())
  {
    using R = decltype(f());
    if constexpr (std::is_void<R>::value)
      EditorEntry::Enter(mGraphics, [&](IGraphicsMac&) { f(); });
    else
      return EditorEntry::Enter(R{}, mGraphics, [&](IGraphicsMac&) { return f(); });
  }

  TestDelegate mDelegate{3, 300, 200};
  float mScale = 1.f;
  NSWindow* mWindow = nullptr;
  IGraphicsMac* mGraphics = nullptr;
  TestControl* mInt = nullptr;
  TestControl* mDouble = nullptr;
  TestControl* mBare = nullptr;
  TestControl* mPlain = nullptr;

private:
  static TestControl* AddControl(IGraphics* pGraphics, const IRECT& bounds, int paramIdx)
  {
    auto* control = new TestControl(bounds, paramIdx);
    pGraphics->AttachControl(control);
    return control;
  }

  long mLiveBefore = 0;
  std::unique_ptr<NSAutoreleasePool> mPool;
};

} // namespace mactest
