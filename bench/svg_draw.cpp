// DrawSVG's cost on the editor's thread for shapes of many sub-paths, drawn by the recording
// graphics context: one path of 16,000 small squares (past the hole test's limit, drawn
// solid) and a frame round 255 islands (the hole test walking only the frame for each).
#include "HeadlessGraphics.h"
#include "TestDelegate.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace plug::igraphics;

namespace {

std::string Squares(int n, bool frame)
{
  std::string d = frame ? "M0 0 H1000 V1000 H0 Z " : "";
  for (int k = 0; k < n; ++k)
    d += "M" + std::to_string(10 + 3 * (k % 300)) + " " + std::to_string(10 + 3 * (k / 300)) + " h1 v1 h-1 Z ";
  return "<svg width='1000' height='1000'><path d='" + d + "'/></svg>";
}

void DrawSquares(benchmark::State& state, int n, bool frame)
{
  testgraphics::TestDelegate dlg(1);
  testgraphics::HeadlessGraphics* g = dlg.Open();
  const std::string text = Squares(n, frame);
  const ISVGImage svg = g->LoadSVG(frame ? "framed.svg" : "squares.svg", static_cast<const void*>(text.data()),
                                   static_cast<int>(text.size()));
  for (auto _ : state)
  {
    g->DrawSVG(svg, IRECT(0.f, 0.f, 500.f, 500.f));
    g->ClearCalls();
  }
  state.counters["subpaths/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DrawSVG_16000Squares(benchmark::State& state) { DrawSquares(state, 16000, false); }
void BM_DrawSVG_FrameRound255Islands(benchmark::State& state) { DrawSquares(state, 255, true); }

} // namespace

BENCHMARK(BM_DrawSVG_16000Squares)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawSVG_FrameRound255Islands)->Unit(benchmark::kMicrosecond);
