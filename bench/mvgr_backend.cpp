// The render back end on a full editor-sized picture (1800 x 1000 pixels), as the editor draws
// one: the renderer records and tessellates the scene (a background image, panels with soft
// shadows, forty knobs with gradient bodies, arcs and pointers, concave stars, a hundred and
// fifty labels), the back end encodes it into an offscreen framebuffer, and a second frame
// copies that onto the view's drawable; the stand-in's rasteriser runs it all. Beside
// metal_raster.cpp, which draws a like scene straight through the stand-in: the difference is
// the renderer's and the back end's share. Target: near 30 ms a picture or better.
#include "platform/mac/tools/MVGRscenes.h"

#include <benchmark/benchmark.h>

namespace {

using namespace plug::igraphics;

void BM_MVGRbackEndEditorPicture(benchmark::State& state)
{
  const standin::mtl::Ref<CAMetalLayer> layer = CAMetalLayer::Create();
  const standin::mtl::Ref<standin::mtl::Device> device = standin::mtl::CreateSystemDefaultDevice();
  device->SetSynchronous(true);
  layer->SetDevice(device);
  layer->SetDrawableSize({1800, 1000});
  VGRdrawContext* ctx = mvgrContextCreate(layer.Get(), kMVGRantialias | kMVGRtripleBuffer);
  const scenes::SceneResources resources =
    scenes::LoadSceneResources(ctx, "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf", true);
  const scenes::Scene& scene = *scenes::FindScene("editor");
  VGRMetalFramebuffer* fb = mvgrFramebufferCreate(ctx, scene.width, scene.height, 0);
  for (auto _ : state)
  {
    mvgrFramebufferBind(fb);
    mvgrSetClearColor(ctx, VGRcolor{0, 0, 0, 0});
    vgrBeginFrame(ctx, float(scene.width), float(scene.height), 1.0f);
    scene.draw(ctx, resources);
    vgrEndFrame(ctx);
    scenes::PresentFramebuffer(ctx, fb, scene.width, scene.height, VGRcolor{0, 0, 0, 1});
  }
  mvgrFramebufferDelete(fb);
  mvgrContextDelete(ctx);
  if (resources.font < 0)
    state.SkipWithError("Roboto-Regular.ttf is not installed");
  else if (device->ValidationErrorCount() != 0 || layer->PresentedCount() != uint64_t(state.iterations()))
    state.SkipWithError("the pictures made validation errors or were not all presented");
}
BENCHMARK(BM_MVGRbackEndEditorPicture)->Unit(benchmark::kMillisecond)->MinTime(1.0)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
