#pragma once
// What the AppKit stand-in's tests share: a fixture that resets the machine and checks that
// every object made during the test is gone at its end, a host window, and a flipped view
// that behaves like an editor view and logs what reaches it.
#include "standin/appkit/AppKit.h"
#include "tests/standin/StandinTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace appkittest {

inline NSString* S(const char* text) { return NSString::stringWithUTF8String(text); }

using standintest::FaultCounter;
using standintest::WriteText;

// Every test starts on the default machine and must leave no stand-in object alive.
class AppKitTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    standin::appkit::Reset();
    mLiveBefore = standin::RuntimeClass::TotalLiveCount();
    mPoollessBefore = standin::AutoreleasedWithoutPool();
  }
  void TearDown() override
  {
    standin::appkit::Reset();
    EXPECT_EQ(standin::RuntimeClass::TotalLiveCount(), mLiveBefore) << "objects left alive";
    EXPECT_EQ(standin::AutoreleasedWithoutPool(), mPoollessBefore) << "objects autoreleased outside a pool";
  }

  long mLiveBefore = 0;
  long mPoollessBefore = 0;
};

} // namespace appkittest

// A flipped view that takes the focus when it enters a window, turns on mouse-moved events
// and tracks its bounds (entered and exited, also during drags), as the editor view does. It
// logs every event in its own coordinates and takes only the key "x".
class PLUG_OBJC_CLASS(LogView) : public NSView
{
  STANDIN_OBJECT_CLASS()

  PLUG_OBJC_CLASS(LogView)(NSRect frame, std::vector<std::string>* log, standin::RuntimeClass& cls = Class())
    : NSView(frame, cls), mLog(log)
  {
  }
  ~PLUG_OBJC_CLASS(LogView)() override
  {
    if (mArea)
      mArea->release();
  }

  bool isFlipped() const override { return true; }
  bool acceptsFirstResponder() override { return true; }
  void viewDidMoveToWindow() override
  {
    if (!window())
      return;
    window()->makeFirstResponder(this);
    window()->setAcceptsMouseMovedEvents(true);
  }
  void updateTrackingAreas() override
  {
    NSView::updateTrackingAreas();
    if (mArea)
    {
      removeTrackingArea(mArea);
      mArea->release();
    }
    mArea = new NSTrackingArea(bounds(), 0x481, this, nullptr);
    addTrackingArea(mArea);
  }
  void viewDidChangeBackingProperties() override { Log("scale " + std::to_string(static_cast<int>(window()->backingScaleFactor()))); }
  void viewDidChangeEffectiveAppearance() override { Log(std::string("appearance ") + effectiveAppearance()->name()->UTF8String()); }

  void mouseDown(NSEvent* e) override { Log("down", e, true); }
  void mouseUp(NSEvent* e) override { Log("up", e); }
  void mouseDragged(NSEvent* e) override { Log("drag", e); }
  void rightMouseDown(NSEvent* e) override { Log("rdown", e, true); }
  void rightMouseUp(NSEvent* e) override { Log("rup", e); }
  void mouseMoved(NSEvent* e) override { Log("moved", e); }
  void mouseEntered(NSEvent*) override { Log("entered"); }
  void mouseExited(NSEvent*) override { Log("exited"); }
  void scrollWheel(NSEvent* e) override { Log("scroll " + std::to_string(static_cast<int>(e->deltaY())), e); }
  void keyDown(NSEvent* e) override
  {
    if (e->characters()->Text() == "x")
      Log("key x");
    else
      NSView::keyDown(e);
  }

  void Log(const std::string& text) { mLog->push_back(text); }
  void Log(const std::string& what, NSEvent* e, bool clicks = false)
  {
    const NSPoint p = convertPointFromView(e->locationInWindow(), nullptr);
    std::string line = what + " " + std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y));
    if (clicks)
      line += " n=" + std::to_string(e->clickCount());
    if (e->modifierFlags() & NSEventModifierFlagShift)
      line += " shift";
    if (e->subtype() == NSEventSubtypeTabletPoint)
      line += " tablet";
    mLog->push_back(line);
  }

private:
  std::vector<std::string>* mLog;
  NSTrackingArea* mArea = nullptr;
};
using LogView = PLUG_OBJC_CLASS(LogView);
