// The editor drawn to pixels through the whole stack: controls draw through the toolkit into
// IGraphicsVGR, the vector renderer records and tessellates, the Metal back end encodes, the CPU
// stand-in rasterises into the main framebuffer and the frame's end copies that onto the view's
// drawable. A scene of a panel, a rounded rectangle, an arc, a bitmap (with an @2x version),
// text and two layers with drop shadows is checked pixel by pixel at draw scales 1 and 2 on
// screens of scale 1 and 2; and an editor is loaded, resized and closed at scale 2 with every
// back-end resource gone afterwards.
#include "PixelGraphics.h"
#include "platform/mac/MVGRcontext.h"
#include "tests/platform/PlatformTestFolders.h"
#include "tests/support/FontFiles.h"

#include "graphics/IControls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>

namespace {

using namespace testgraphics;

constexpr int kW = 300, kH = 160;
constexpr IColor kPanel(255, 40, 60, 80);
constexpr IColor kRound(255, 220, 40, 40);
constexpr IColor kArc(255, 40, 200, 60);
constexpr IColor kSquare(255, 250, 210, 30);
constexpr IColor kInk(255, 255, 255, 255);

// An image of four quadrants of the given colours (top left, top right, bottom left, bottom right).
std::vector<uint8_t> Quadrants(int size, const std::array<IColor, 4>& colors)
{
  std::vector<uint8_t> rgba(size_t(size) * size * 4);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++)
    {
      const IColor& c = colors[size_t((y >= size / 2) * 2 + (x >= size / 2))];
      uint8_t* p = &rgba[(size_t(y) * size + x) * 4];
      p[0] = uint8_t(c.R), p[1] = uint8_t(c.G), p[2] = uint8_t(c.B), p[3] = uint8_t(c.A);
    }
  return rgba;
}

const std::array<IColor, 4> kSwatch1x = {COLOR_RED, COLOR_GREEN, COLOR_BLUE, COLOR_WHITE};
const std::array<IColor, 4> kSwatch2x = {COLOR_RED, COLOR_GREEN, COLOR_BLUE, COLOR_BLACK};

// The test bundle: the font and the swatch bitmap at scales 1 and 2.
void WriteResources(const PlatformTestFolders& folders)
{
  testsupport::WriteBytes(folders.Resources() + "/Roboto-Regular.ttf", testsupport::ReadBytes(testsupport::RobotoRegularPath()));
  ASSERT_TRUE(standin::ca::WritePNG(folders.Resources() + "/swatch.png", 40, 40, Quadrants(40, kSwatch1x).data()));
  ASSERT_TRUE(standin::ca::WritePNG(folders.Resources() + "/swatch@2x.png", 80, 80, Quadrants(80, kSwatch2x).data()));
}

// A control whose layer holds a square with a drop shadow (offset 6, 6), drawn once.
class ShadowedSquare : public IControl
{
public:
  ShadowedSquare(const IRECT& bounds, const IRECT& square, bool drawForeground)
    : IControl(bounds), mSquare(square), mForeground(drawForeground)
  {
  }
  void Draw(IGraphics& g) override
  {
    if (!g.CheckLayer(mLayer))
    {
      g.StartLayer(this, mRECT);
      g.FillRect(kSquare, mSquare);
      mLayer = g.EndLayer();
      g.ApplyShadow(mLayer, IShadow(COLOR_BLACK, 2.f, 6.f, 6.f, 1.f, mForeground));
    }
    g.DrawLayer(mLayer);
  }

private:
  IRECT mSquare;
  bool mForeground;
  ILayerPtr mLayer;
};

// The scene; the rounded rectangle's colour is the test's to change.
IColor sRoundColor = kRound;

void LayoutScene(IGraphics* g)
{
  g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g->AttachControl(new IPanelControl(g->GetBounds(), kPanel));
  g->AttachControl(new DrawingControl(IRECT(10, 10, 70, 50), [](IGraphics& gr, const IRECT& r) {
    gr.FillRoundRect(sRoundColor, r, 10.f);
  }));
  g->AttachControl(new DrawingControl(IRECT(80, 10, 140, 70), [](IGraphics& gr, const IRECT&) {
    gr.DrawArc(kArc, 110.f, 40.f, 22.f, 0.f, 90.f, nullptr, 6.f);
  }));
  g->AttachControl(new IBitmapControl(150.f, 10.f, g->LoadBitmap("swatch.png")));
  g->AttachControl(new DrawingControl(IRECT(10, 80, 150, 110), [](IGraphics& gr, const IRECT& r) {
    gr.DrawText(IText(20.f, kInk, "Roboto-Regular", EAlign::Near, EVAlign::Middle), "Vellicor", r);
  }));
  g->AttachControl(new ShadowedSquare(IRECT(160, 70, 230, 150), IRECT(175, 85, 205, 115), true));
  g->AttachControl(new ShadowedSquare(IRECT(230, 60, 300, 140), IRECT(240, 70, 270, 100), false));
}

class PixelScene : public ::testing::TestWithParam<std::tuple<float, float>>
{
};

TEST_P(PixelScene, ThroughTheWholeStack)
{
  const float drawScale = std::get<0>(GetParam()), screenScale = std::get<1>(GetParam());
  PlatformTestFolders folders;
  WriteResources(folders);
  sRoundColor = kRound;
  PixelEditor editor(kW, kH, drawScale, screenScale, folders.BundleID());
  PixelGraphics& g = editor.Open(LayoutScene);
  const std::string name = "scene_" + std::to_string(int(drawScale)) + "_" + std::to_string(int(screenScale));
  g.SavePicture(name);

  const Picture& picture = g.GetPicture();
  ASSERT_EQ(picture.width, int(kW * drawScale * screenScale));
  ASSERT_EQ(picture.height, int(kH * drawScale * screenScale));
  EXPECT_EQ(g.Device().ValidationErrorCount(), 0);

  const std::array<IColor, 4>& swatch = screenScale > 1.f ? kSwatch2x : kSwatch1x;
  const float s45 = 22 * std::sin(0.785f), c45 = 22 * std::cos(0.785f);
  ExpectPixels(editor, {
    // The panel everywhere nothing else is.
    {1, 1, kPanel}, {298, 2, kPanel}, {150, 150, kPanel}, {5, 158, kPanel},
    // The rounded rectangle: filled, its straight edges reached, its corners cut.
    {40, 30, kRound}, {10.6f, 30, kRound, 40, "the left edge at 10"}, {11, 11, kPanel, 12, "a rounded corner"},
    // The arc of 0 to 90 degrees: the quarter from the top to the right, 6 thick, butt caps.
    {110 + s45, 40 - c45, kArc}, {110 - s45, 40 - c45, kPanel}, {110, 62, kPanel},
    {110.5f, 18.5f, kArc, 30, "it starts straight up"}, {131.5f, 39.5f, kArc, 30, "it ends on the right"},
    {131.5f, 41.5f, kPanel, 30, "with a butt cap"},
    // The bitmap, 40 points square, from the file made for the screen: @2x on a screen of 2.
    {160, 20, swatch[0]}, {180, 20, swatch[1]}, {160, 40, swatch[2]}, {180, 40, swatch[3]},
    {189.6f, 49.6f, swatch[3], 4, "its last pixel"}, {190.4f, 30, kPanel, 4, "and nothing beyond"},
    // A layer with its shadow behind: the square, nothing left of it; without its foreground
    // the shadow alone, also where the square was.
    {190, 100, kSquare}, {172, 100, kPanel, 6}, {242, 72, kPanel, 6, "the square is gone"},
  });
  EXPECT_LT(editor.At(208, 118).G, 20) << "the shadow, offset by 6";
  EXPECT_LT(editor.At(262, 92).G, 20) << "the shadow without its square";
  // The text: ink inside the box the toolkit measures for it, starting at the left of its rect.
  IRECT measured(10, 80, 150, 110);
  g.MeasureText(IText(20.f, kInk, "Roboto-Regular", EAlign::Near, EVAlign::Middle), "Vellicor", measured);
  const IRECT ink = editor.InkBox(IRECT(0, 72, 150, 118), kPanel);
  EXPECT_GT(ink.W(), 40.f);
  EXPECT_GT(ink.H(), 10.f);
  EXPECT_GE(ink.L, measured.L - 1.f);
  EXPECT_LE(ink.R, measured.R + 1.f);
  EXPECT_GE(ink.T, measured.T - 1.f);
  EXPECT_LE(ink.B, measured.B + 1.f);
  EXPECT_NEAR(ink.L, 10.f, 2.5f);
  // The measured box moves with the text; the rectangle does not. Middle alignment centres the
  // font's ascender-to-descender span on the rectangle's middle (95), so the ink of "Vellicor",
  // which has no descenders, sits on it or a little above.
  EXPECT_NEAR((ink.T + ink.B) * 0.5f, 95.f, 2.f) << "a middle-aligned label is centred on its rectangle";

  // Only the rounded rectangle redrawn: the main framebuffer keeps everything else.
  sRoundColor = COLOR_YELLOW;
  g.GetControl(1)->SetDirty(false);
  ASSERT_TRUE(g.Frame());
  ExpectPixels(editor, {{40, 30, COLOR_YELLOW}, {180, 20, swatch[1]}, {190, 100, kSquare}});
  EXPECT_EQ(g.Device().ValidationErrorCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, PixelScene,
                         ::testing::Combine(::testing::Values(1.f, 2.f), ::testing::Values(1.f, 2.f)),
                         [](const auto& info) {
                           return "draw" + std::to_string(int(std::get<0>(info.param))) + "_screen" +
                                  std::to_string(int(std::get<1>(info.param)));
                         });

// Every back-end resource of the editor is gone once its window closes.
void ExpectNothingLeft()
{
  using namespace plug::igraphics;
  EXPECT_EQ(MVGRtexture::Class().LiveCount(), 0);
  EXPECT_EQ(MVGRcontext::Class().LiveCount(), 0);
  EXPECT_EQ(MVGRbuffers::Class().LiveCount(), 0);
}

TEST(PixelEditorCycle, LoadResizeAndCloseAtScaleTwo)
{
  PlatformTestFolders folders;
  WriteResources(folders);
  sRoundColor = kRound;
  PixelEditor editor(kW, kH, 1.f, 2.f, folders.BundleID());
  PixelGraphics* g = &editor.Open(LayoutScene);
  ExpectPixels(editor, {{180, 40, COLOR_BLACK, 4, "the @2x swatch"}});

  // Draw scale 2 on the screen of 2, then an odd size and scale: the framebuffer follows the
  // backing pixels, int(int(W x D) x S).
  g->Resize(kW, kH, 2.f);
  ASSERT_TRUE(g->Frame());
  EXPECT_EQ(g->GetPicture().width, kW * 4);
  ExpectPixels(editor, {{190, 100, kSquare, 4, "the layer made again at the new scale"}, {180, 40, COLOR_BLACK}});
  g->Resize(kW + 1, kH + 1, 1.5f);
  ASSERT_TRUE(g->Frame());
  int fw = 0, fh = 0;
  vgrImageSize(static_cast<VGRdrawContext*>(g->GetDrawContext()), g->GetMainFramebuffer()->image, &fw, &fh);
  EXPECT_EQ(fw, int(float(int((kW + 1) * 1.5f)) * 2.f));
  EXPECT_EQ(fh, int(float(int((kH + 1) * 1.5f)) * 2.f));
  EXPECT_EQ(g->GetPicture().width, fw);
  ExpectPixels(editor, {{40, 30, kRound}});
  // Back on a screen of 1: the bitmap from the 1x file.
  g->SetBackingScale(1.f);
  ASSERT_TRUE(g->Frame());
  ExpectPixels(editor, {{180, 40, COLOR_WHITE}});
  EXPECT_EQ(g->Device().ValidationErrorCount(), 0);

  editor.Close();
  ExpectNothingLeft();
  // Opened again at the size and scale it had, on the screen of 2.
  g = &editor.Open(LayoutScene);
  EXPECT_EQ(g->GetDrawScale(), 1.5f);
  EXPECT_EQ(g->GetPicture().width, fw);
  ExpectPixels(editor, {{180, 40, COLOR_BLACK}, {190, 100, kSquare}});
  editor.Close();
  ExpectNothingLeft();
  EXPECT_EQ(IGraphicsVGR::FontDataCacheUsers(), 0);
  EXPECT_EQ(IGraphicsVGR::FontDataCacheSize(), 0) << "the last view empties the font data";
}

// Text in an OpenType font with CFF outlines, loaded as the editor finds fonts: by name among
// the system's fonts, from the bundle (where fonts are looked up as ".ttf" files) and from
// memory. All three draw the same ink.
TEST(PixelText, CffFontByNameFromTheBundleAndFromMemory)
{
  PlatformTestFolders folders;
  const std::vector<uint8_t> heros = testsupport::ReadBytes(testsupport::HerosRegularPath());
  testsupport::WriteBytes(folders.Fonts() + "/texgyreheros-regular.otf", heros);
  testsupport::WriteBytes(folders.Resources() + "/Heros.ttf", heros);
  static const char* const kFonts[] = {"ByName", "FromBundle", "FromMemory"};
  bool loaded[3] = {false, false, false};
  PixelEditor editor(kW, kH, 1.f, 1.f, folders.BundleID());
  editor.Open([&](IGraphics* g) {
    loaded[0] = g->LoadFont(kFonts[0], "TeX Gyre Heros", ETextStyle::Normal);
    loaded[1] = g->LoadFont(kFonts[1], "Heros.ttf");
    loaded[2] = g->LoadFont(kFonts[2], const_cast<uint8_t*>(heros.data()), static_cast<int>(heros.size()));
    g->AttachControl(new IPanelControl(g->GetBounds(), kPanel));
    for (int i = 0; i < 3; ++i)
      g->AttachControl(new DrawingControl(IRECT(10, 5 + 50.f * i, 290, 55 + 50.f * i), [i](IGraphics& gr, const IRECT& r) {
        gr.DrawText(IText(30.f, kInk, kFonts[i], EAlign::Near, EVAlign::Middle), "Vellicor", r);
      }));
  });
  const IRECT first = editor.InkBox(IRECT(0, 0, kW, 55), kPanel);
  EXPECT_GT(first.W(), 50.f);
  EXPECT_GT(first.H(), 15.f);
  for (int i = 0; i < 3; ++i)
  {
    ASSERT_TRUE(loaded[i]) << kFonts[i];
    const float dy = 50.f * i;
    const IRECT ink = editor.InkBox(IRECT(0, dy, kW, 55 + dy), kPanel);
    EXPECT_EQ(ink.W(), first.W()) << kFonts[i];
    EXPECT_EQ(ink.H(), first.H()) << kFonts[i];
    EXPECT_EQ(ink.T - first.T, dy) << kFonts[i];
    for (float y = first.T; y < first.B; y += 1.f)
      for (float x = first.L; x < first.R; x += 1.f)
        ASSERT_EQ(editor.At(x + 0.5f, y + 0.5f).G, editor.At(x + 0.5f, y + dy + 0.5f).G) << kFonts[i] << " " << x << ", " << y;
  }
  editor.Close();
}

} // namespace
