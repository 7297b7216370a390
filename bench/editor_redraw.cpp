// A full redraw of an editor-like scene (900 x 500 points, like the product's: a background
// bitmap, panels, sixteen vector knobs with labels and values, switches and buttons, two-frame
// bitmap lamps, thirty text labels, a meter with a gradient and a layer with a drop shadow)
// through the whole stack: the toolkit's drawing pass, IGraphicsVGR, the vector renderer, the
// Metal back end's recording and encoding, and the copy onto the view's drawable. At (draw
// scale, screen scale) = (1, 1), (2, 1) and (1, 2):
//  - Record: everything up to the hand-over to the GPU (the stand-in completes the command
//    buffers without running them). This is the product's own cost on the target; aim: well
//    under a millisecond a redraw at (2, 1).
//  - Rasterised: the same with the stand-in's CPU rasteriser running every pass.
// Counters: see RedrawMeasure.h.
#include "RedrawMeasure.h"
#include "graphics/IControls.h"
#include "graphics/controls/IVButtonControls.h"
#include "graphics/controls/IVKnobControls.h"
#include "tests/platform/PlatformTestFolders.h"
#include "tests/support/FontFiles.h"

#include <cstdio>
#include <memory>

namespace {

using namespace testgraphics;

constexpr int kW = 900, kH = 500, kParams = 24;

// Soft diagonal bands with a grain, opaque, at the given scale.
std::vector<uint8_t> Background(int scale)
{
  const int w = kW * scale, h = kH * scale;
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
    {
      uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      const int band = ((x + y) / (40 * scale)) % 2 ? 8 : 0, grain = (x * 7 + y * 13) % 5;
      p[0] = uint8_t(30 + band + grain), p[1] = uint8_t(34 + band + grain), p[2] = uint8_t(42 + band + grain);
      p[3] = 255;
    }
  return rgba;
}

// A lamp of two frames stacked: off above, on below.
std::vector<uint8_t> Lamp(int scale)
{
  const int w = 24 * scale, h = 48 * scale;
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
    {
      uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
      const float dx = float(x % w) - w / 2.f + 0.5f, dy = float(y % (h / 2)) - h / 4.f + 0.5f;
      const bool inside = dx * dx + dy * dy < (w / 2.f - scale) * (w / 2.f - scale);
      const bool on = y >= h / 2;
      p[0] = on ? 255 : 90, p[1] = on ? 60 : 30, p[2] = 20, p[3] = inside ? 255 : 0;
    }
  return rgba;
}

// The resources in a bundle of their own, made once for the process.
const PlatformTestFolders& Resources()
{
  static const std::unique_ptr<PlatformTestFolders> sFolders = [] {
    auto folders = std::make_unique<PlatformTestFolders>();
    const std::string res = folders->Resources();
    testsupport::WriteBytes(res + "/Roboto-Regular.ttf", testsupport::ReadBytes(testsupport::RobotoRegularPath()));
    testsupport::WriteBytes(res + "/Lato-Bold.ttf", testsupport::ReadBytes(testsupport::LatoBoldPath()));
    for (int s : {1, 2})
    {
      const std::string suffix = s == 1 ? "" : "@2x";
      standin::ca::WritePNG(res + "/background" + suffix + ".png", kW * s, kH * s, Background(s).data());
      standin::ca::WritePNG(res + "/lamp" + suffix + ".png", 24 * s, 48 * s, Lamp(s).data());
    }
    return folders;
  }();
  return *sFolders;
}

// A control whose layer holds a rounded panel with a drop shadow, drawn from the layer.
class ShadowedPanel : public IControl
{
public:
  using IControl::IControl;
  void Draw(IGraphics& g) override
  {
    if (!g.CheckLayer(mLayer))
    {
      g.StartLayer(this, mRECT);
      g.FillRoundRect(IColor(255, 60, 64, 72), mRECT.GetPadded(-12.f), 8.f);
      mLayer = g.EndLayer();
      g.ApplyShadow(mLayer, IShadow(COLOR_BLACK, 4.f, 3.f, 3.f, 0.8f, true));
    }
    g.DrawLayer(mLayer);
  }

private:
  ILayerPtr mLayer;
};

void LayoutEditor(IGraphics* g)
{
  g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g->LoadFont("Lato", "Lato-Bold.ttf");
  g->AttachControl(new IBitmapControl(0.f, 0.f, g->LoadBitmap("background.png", 1, false, 2)));
  const IBitmap lamp = g->LoadBitmap("lamp.png", 2, false, 2);

  const IColor beige(255, 181, 168, 136), grey(255, 151, 151, 151);
  IVStyle knobStyle = DEFAULT_STYLE.WithShowLabel(true).WithShowValue(true).WithDrawShadows(true);
  knobStyle.colorSpec[kX1] = beige;
  knobStyle.labelText = IText(12.f, beige, "Roboto-Regular", EAlign::Center, EVAlign::Middle);
  knobStyle.valueText = IText(14.f, COLOR_BLACK, "Roboto-Regular", EAlign::Center, EVAlign::Bottom);
  IVStyle buttonStyle = knobStyle.WithRoundness(0.3f);
  buttonStyle.labelText = IText(15.f, grey, "Lato", EAlign::Center, EVAlign::Middle);

  for (int i = 0; i < 4; i++)
    g->AttachControl(new IPanelControl(IRECT::MakeXYWH(20.f + 220.f * float(i), 60.f, 200.f, 300.f),
                                       IColor(60, 10, 10, 14), true));
  for (int i = 0; i < 16; i++)
    g->AttachControl(new IVKnobControl(IRECT::MakeXYWH(30.f + 110.f * float(i % 8), 80.f + 140.f * float(i / 8), 90.f, 120.f),
                                       i % kParams, "Drive", knobStyle, true));
  for (int i = 0; i < 8; i++)
  {
    const IRECT r = IRECT::MakeXYWH(30.f + 110.f * float(i), 380.f, 90.f, 32.f);
    if (i % 2)
      g->AttachControl(new IVSwitchControl(r, 16 + i, "Mode", buttonStyle));
    else
      g->AttachControl(new IVButtonControl(r, IControl::SplashActionFunc, "A/B", buttonStyle));
  }
  for (int i = 0; i < 6; i++)
    g->AttachControl(new IBitmapControl(IRECT::MakeXYWH(40.f + 40.f * float(i), 20.f, 24.f, 24.f), lamp));
  const IText label(14.f, grey, "Lato", EAlign::Near, EVAlign::Middle);
  for (int i = 0; i < 30; i++)
  {
    char text[32];
    std::snprintf(text, sizeof(text), "Label %d.%d dB", i / 3, i % 3);
    const std::string str = text;
    g->AttachControl(new DrawingControl(IRECT::MakeXYWH(20.f + 145.f * float(i % 6), 425.f + 14.f * float(i / 6), 140.f, 14.f),
                                        [label, str](IGraphics& gr, const IRECT& r) { gr.DrawText(label, str.c_str(), r); }));
  }
  g->AttachControl(new DrawingControl(IRECT(880, 60, 892, 360), [](IGraphics& gr, const IRECT& r) {
    gr.FillRoundRect(COLOR_BLACK, r, 3.f);
    const IRECT level(r.L + 2, r.T + 0.35f * r.H(), r.R - 2, r.B - 2);
    gr.PathClear();
    gr.PathRect(level);
    gr.PathFill(IPattern::CreateLinearGradient(level.L, level.B, level.L, r.T,
                                               {{COLOR_LEVEL_LOW, 0.f}, {COLOR_LEVEL_MID, 0.6f}, {COLOR_LEVEL_TOP, 1.f}}));
  }));
  g->AttachControl(new ShadowedPanel(IRECT(560, 10, 860, 56)));
}

void EditorRedraw(benchmark::State& state, bool rasterise)
{
  const float drawScale = float(state.range(0)), screenScale = float(state.range(1));
  PixelEditor editor(kW, kH, drawScale, screenScale, Resources().BundleID(), kParams);
  PixelGraphics& g = editor.Open(LayoutEditor);
  benchsupport::MeasureRedraws(state, g, rasterise, int(float(int(kW * drawScale)) * screenScale));
}

void BM_EditorRedrawRecord(benchmark::State& state)
{
  EditorRedraw(state, false);
}

void BM_EditorRedrawRasterised(benchmark::State& state)
{
  EditorRedraw(state, true);
}

// (draw scale, screen scale)
BENCHMARK(BM_EditorRedrawRecord)->Args({1, 1})->Args({2, 1})->Args({1, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorRedrawRasterised)->Args({1, 1})->Args({2, 1})->Args({1, 2})->Unit(benchmark::kMillisecond);

} // namespace
