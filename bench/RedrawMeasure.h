#pragma once
// The measurement of full editor redraws shared by the editor benchmarks: the benchmark's loop
// redraws everything, with the drawing passes run on the Metal stand-in's CPU rasteriser or only
// recorded (the command buffers completed without running them). Counters: allocs_vgr, the
// renderer's and the back end's own heap allocations per steady redraw (target 0); allocs_new,
// every operator new of a redraw, the Metal stand-in's command recording included (real Metal's
// encoders allocate inside the driver instead).
#include "PixelGraphics.h"
#include "graphics/renderer/VGRMemory.h"
#include "tests/support/AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <atomic>

namespace benchsupport {

inline std::atomic<long>& RendererAllocations()
{
  static std::atomic<long> sCount{0};
  return sCount;
}

inline bool CountRendererAllocation(std::size_t)
{
  ++RendererAllocations();
  return true;
}

// Runs the benchmark's loop on an open editor; expectedWidth is the picture's width in pixels
// that a rasterised redraw must have presented.
inline void MeasureRedraws(benchmark::State& state, testgraphics::PixelGraphics& g, bool rasterise, int expectedWidth)
{
  g.Device().SetExecutesPasses(rasterise);
  g.Redraw(); // warm: layers made, glyphs in the atlas, buffers grown
  g.Redraw();

  const auto previous = plug::igraphics::vgrSetAllocHook(CountRendererAllocation);
  RendererAllocations() = 0;
  const long newBefore = testsupport::AllocationCount();
  for (auto _ : state)
    g.Redraw();
  const long news = testsupport::AllocationCount() - newBefore;
  plug::igraphics::vgrSetAllocHook(previous);

  const double frames = double(state.iterations());
  state.counters["allocs_vgr"] = double(RendererAllocations().load()) / frames;
  state.counters["allocs_new"] = double(news) / frames;
  if (g.Device().ValidationErrorCount() != 0)
    state.SkipWithError("the redraws made validation errors");
  else if (rasterise && g.GetPicture().width != expectedWidth)
    state.SkipWithError("nothing was presented");
}

} // namespace benchsupport
