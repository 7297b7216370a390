// A full redraw of the product's own editor (its layout, generated bitmaps and fonts) through
// the whole stack, at screen scale 1 (900 x 500 pixels) and 2 (1800 x 1000, the @2x art drawn
// one to one): recorded only (the renderer's and the back end's work, the product's cost on the
// target) and rasterised on the Metal stand-in's CPU. Counters: see RedrawMeasure.h.
#include "RedrawMeasure.h"
#include "tests/product/ProductPixelEditor.h"

namespace {

void ProductEditorRedraw(benchmark::State& state, bool rasterise)
{
  const float screenScale = float(state.range(0));
  ProductPixelEditor editor(screenScale);
  testgraphics::PixelGraphics& g = editor.Open();
  benchsupport::MeasureRedraws(state, g, rasterise, int(float(kEditorWidth) * screenScale));
}

void BM_ProductEditorRedrawRecord(benchmark::State& state)
{
  ProductEditorRedraw(state, false);
}

void BM_ProductEditorRedrawRasterised(benchmark::State& state)
{
  ProductEditorRedraw(state, true);
}

// screen scale
BENCHMARK(BM_ProductEditorRedrawRecord)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProductEditorRedrawRasterised)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
