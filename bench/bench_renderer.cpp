// The vector renderer's costs on the main thread, against a back end that only counts what
// it receives: tessellation of a control-like mix of fills and strokes (paths and vertices
// per second, at pixel ratios 1 and 2), and text (glyphs per second with the atlas warm, and
// cold, every glyph rasterised again).
#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRContext.h"
#include "tests/support/FontFiles.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <map>
#include <utility>

using namespace plug::igraphics;

namespace {

// A back end that keeps nothing and counts vertices.
struct CountingBackEnd
{
  long long vertices = 0;
  std::map<int, std::pair<int, int>> textures;

  static CountingBackEnd* Self(void* u) { return static_cast<CountingBackEnd*>(u); }
  VGRrenderInterface Interface()
  {
    VGRrenderInterface ri{};
    ri.userPtr = this;
    ri.edgeAntiAlias = 1;
    ri.renderCreate = [](void*) { return 1; };
    ri.renderCreateTexture = [](void* u, int, int w, int h, int, const unsigned char*) {
      auto& textures = Self(u)->textures;
      const int id = textures.empty() ? 1 : textures.rbegin()->first + 1;
      textures[id] = {w, h};
      return id;
    };
    ri.renderDeleteTexture = [](void* u, int image) { return static_cast<int>(Self(u)->textures.erase(image)); };
    ri.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
    ri.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
      auto it = Self(u)->textures.find(image);
      if (it == Self(u)->textures.end())
        return 0;
      *w = it->second.first;
      *h = it->second.second;
      return 1;
    };
    ri.renderViewport = [](void*, float, float, float) {};
    ri.renderCancel = [](void*) {};
    ri.renderFlush = [](void*) {};
    ri.renderFill = [](void* u, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float, const float*,
                       const VGRpath* paths, int npaths) {
      for (int i = 0; i < npaths; ++i)
        Self(u)->vertices += paths[i].nfill + paths[i].nstroke;
    };
    ri.renderStroke = [](void* u, VGRpaint*, VGRcompositeOperationState, VGRscissor*, float, float,
                         const VGRpath* paths, int npaths) {
      for (int i = 0; i < npaths; ++i)
        Self(u)->vertices += paths[i].nstroke;
    };
    ri.renderTriangles = [](void* u, VGRpaint*, VGRcompositeOperationState, VGRscissor*, const VGRvertex*,
                            int nverts, float) { Self(u)->vertices += nverts; };
    ri.renderDelete = nullptr;
    return ri;
  }
};

// One frame of what an editor's controls draw: knobs (arcs with round caps), rounded
// buttons with outlines, a plot polyline with round joins, and circles. Returns the number
// of paths filled or stroked.
int DrawControls(VGRdrawContext* ctx)
{
  int paths = 0;
  for (int k = 0; k < 12; ++k)
  {
    const float cx = 60.0f + 70.0f * static_cast<float>(k % 6), cy = 60.0f + 120.0f * static_cast<float>(k / 6);
    vgrBeginPath(ctx);
    vgrCircle(ctx, cx, cy, 24);
    vgrSetFillColor(ctx, vgrColorRGBA(40, 40, 48, 255));
    vgrFill(ctx);
    vgrBeginPath(ctx);
    vgrArc(ctx, cx, cy, 28, 2.356f, 2.356f + 0.4f * static_cast<float>(k), VGR_CW);
    vgrSetLineCap(ctx, VGR_ROUND);
    vgrSetStrokeWidth(ctx, 3);
    vgrStroke(ctx);
    paths += 2;
  }
  for (int b = 0; b < 8; ++b)
  {
    vgrBeginPath(ctx);
    vgrRoundedRect(ctx, 20.0f + 100.0f * static_cast<float>(b), 300, 90, 30, 6);
    vgrFill(ctx);
    vgrSetStrokeWidth(ctx, 1);
    vgrStroke(ctx);
    paths += 2;
  }
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 20, 450);
  for (int i = 1; i < 200; ++i)
    vgrLineTo(ctx, 20.0f + 4.0f * static_cast<float>(i), 450.0f - 30.0f * std::sin(0.11f * static_cast<float>(i)));
  vgrSetLineJoin(ctx, VGR_ROUND);
  vgrSetStrokeWidth(ctx, 2);
  vgrStroke(ctx);
  vgrSetLineJoin(ctx, VGR_MITER);
  return paths + 1;
}

const char* const kLabel = "Drive 12.5 dB  Tone -3.0  Mix 100%  Output Bandlimit 18.2 kHz";

} // namespace

// Paths per second and vertices per second; the argument is the device pixel ratio.
static void BM_TessellateControls(benchmark::State& state)
{
  CountingBackEnd backEnd;
  const VGRrenderInterface ri = backEnd.Interface();
  VGRdrawContext* ctx = vgrCreateContext(&ri);
  const float ratio = static_cast<float>(state.range(0));
  long long paths = 0;
  for (auto _ : state)
  {
    vgrBeginFrame(ctx, 900, 500, ratio);
    paths += DrawControls(ctx);
    vgrEndFrame(ctx);
  }
  state.SetItemsProcessed(paths);
  state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(backEnd.vertices), benchmark::Counter::kIsRate);
  state.SetLabel("ratio " + std::to_string(state.range(0)));
  vgrDeleteContext(ctx);
}
BENCHMARK(BM_TessellateControls)->Arg(1)->Arg(2);

// Glyphs per second of a label: warm (cached in the atlas) or cold (the atlas restarted
// every frame, so each of its distinct glyphs is rasterised again).
static void BM_Text(benchmark::State& state)
{
  const bool cold = state.range(0) != 0;
  CountingBackEnd backEnd;
  const VGRrenderInterface ri = backEnd.Interface();
  VGRdrawContext* ctx = vgrCreateContext(&ri);
  const int font = vgrAddFontFile(ctx, "Roboto", testsupport::RobotoRegularPath().c_str());
  if (font < 0)
  {
    state.SkipWithError("Roboto-Regular.ttf is not installed");
    vgrDeleteContext(ctx);
    return;
  }
  const long long glyphsPerFrame = static_cast<long long>(std::strlen(kLabel));
  for (auto _ : state)
  {
    if (cold)
      ftaRestartAtlas(ctx->fs, 512, 512);
    vgrBeginFrame(ctx, 900, 500, 2);
    vgrSetFontId(ctx, font);
    vgrSetFontSize(ctx, 14);
    vgrDrawText(ctx, 10, 20, kLabel, nullptr);
    vgrEndFrame(ctx);
  }
  state.SetItemsProcessed(glyphsPerFrame * static_cast<long long>(state.iterations()));
  state.SetLabel(cold ? "cold" : "warm");
  vgrDeleteContext(ctx);
}
BENCHMARK(BM_Text)->Arg(0)->Arg(1);
