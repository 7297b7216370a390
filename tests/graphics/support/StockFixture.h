#pragma once
// A fixture for the stock-control tests: a delegate with a double, an integer and an
// enumerated parameter, its headless editor, and the pointer events and frame ticks the
// platform would send.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestDelegate.h"
#include "plug/IParam.h"

namespace testgraphics {

using Strings = std::vector<std::string>;

// No label, no value: the widget takes the whole control. (Each test file its own copy, made
// after the file's copy of the default style.)
const IVStyle kBare = DEFAULT_STYLE.WithShowLabel(false).WithShowValue(false);

struct StockFixture : ::testing::Test
{
  StockFixture() : dlg(4)
  {
    g = dlg.Open();
    dlg.GetParam(0)->DefineDouble("Drive", 0.0, 0.0, 10.0, 0.01, "dB");
    dlg.GetParam(1)->DefineInt("Steps", 0, 0, 4, "st");
    dlg.GetParam(2)->DefineEnum("Tilt", 0, 3, "", 0, "", "LO", "MD", "HI");
  }

  template <class T>
  T* Attach(T* control)
  {
    g->AttachControl(control);
    return control;
  }
  void Down(float x, float y, IMouseMod mod = IMouseMod(true)) { g->OnMouseDown({IMouseInfo(x, y, mod)}); }
  void Up(float x, float y) { g->OnMouseUp({IMouseInfo(x, y, IMouseMod(true))}); }
  void Click(float x, float y)
  {
    Down(x, y);
    Up(x, y);
  }
  void Drag(float x, float y, float dX, float dY, IMouseMod mod = IMouseMod(true))
  {
    g->OnMouseDrag({IMouseInfo(x, y, mod, dX, dY)});
  }
  std::vector<DrawCall> DrawOf(IControl* control)
  {
    g->ClearCalls();
    control->Draw(*g);
    return g->Calls();
  }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
};

// The drawing calls (clips aside) in the colour.
inline std::vector<DrawCall> OfColor(const std::vector<DrawCall>& calls, const IColor& color)
{
  std::vector<DrawCall> found;
  for (const DrawCall& call : calls)
    if (call.kind != DrawCall::Kind::Clip && call.Color() == color)
      found.push_back(call);
  return found;
}

} // namespace testgraphics
