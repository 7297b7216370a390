// IGraphicsVGR's own behaviour, mostly seen in pixels: the shapes it draws itself (dotted lines
// and rectangles), blends, gradients and windings, rotated and multi-line text; its bitmap cache
// and who owns which bitmap; framebuffers deleted after the frame; font bytes read once per
// process; and nothing drawn without a view.
#include "PixelGraphics.h"
#include "graphics/IControls.h"
#include "graphics/renderer/VGRContext.h"
#include "platform/mac/CoreTextFont.h"
#include "platform/mac/MVGRcontext.h"
#include "plug/Trace.h"
#include "tests/platform/PlatformTestFolders.h"
#include "tests/support/FontFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testgraphics;

constexpr IColor kGrey(255, 100, 100, 100);

// A layout of a panel of the colour and drawing controls.
IGEditorDelegate::LayoutFunc Layout(const IColor& panel, std::vector<std::pair<IRECT, DrawingControl::DrawFunc>> controls)
{
  return [panel, controls](IGraphics* g) {
    g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
    g->AttachControl(new IPanelControl(g->GetBounds(), panel));
    for (const auto& c : controls)
      g->AttachControl(new DrawingControl(c.first, c.second));
  };
}

TEST(VGRShapes, DottedLinesAndRectangles)
{
  PixelEditor editor(100, 40);
  editor.Open(Layout(COLOR_BLACK, {{IRECT(0, 0, 100, 40), [](IGraphics& g, const IRECT&) {
                                      // 80 long in dashes of 20: n = 4, two dashes.
                                      g.DrawDottedLine(COLOR_WHITE, 10, 10, 90, 10, nullptr, 2.f, 20.f);
                                      // 25 long: n rounds to 1, nothing.
                                      g.DrawDottedLine(COLOR_WHITE, 10, 25, 35, 25, nullptr, 2.f, 20.f);
                                      // No width: down and back up the left edge; no height: along the top.
                                      g.DrawDottedRect(COLOR_WHITE, IRECT(95, 5, 95, 35), nullptr, 2.f, 5.f);
                                      g.DrawDottedRect(COLOR_WHITE, IRECT(40, 35, 90, 35), nullptr, 2.f, 5.f);
                                      // No dash length: nothing, and no endless loop.
                                      g.DrawDottedLine(COLOR_WHITE, 10, 30, 90, 30, nullptr, 2.f, 0.f);
                                      g.DrawDottedRect(COLOR_WHITE, IRECT(10, 28, 30, 32), nullptr, 2.f, 0.f);
                                    }}}));
  ExpectPixels(editor, {
    {20, 10, COLOR_WHITE}, {40, 10, COLOR_BLACK}, {60, 10, COLOR_WHITE}, {80, 10, COLOR_BLACK}, // two dashes
    {20, 25, COLOR_BLACK},                                                                 // none
    {95, 7, COLOR_WHITE}, {95, 32, COLOR_WHITE}, {98, 20, COLOR_BLACK},                    // the left edge
    {42, 35, COLOR_WHITE},                                                                 // the top edge
    {20, 30, COLOR_BLACK},                                                                 // no dash length
  });
}

TEST(VGRPaints, BlendsGradientsWindingsAndEmptyBitmaps)
{
  PixelEditor editor(160, 100);
  auto rect = [](IGraphics& g, const IRECT& r, const IPattern& p, const IBlend* blend = nullptr) {
    g.PathClear();
    g.PathRect(r);
    g.PathFill(p, IFillOptions(), blend);
  };
  auto ring = [](IGraphics& g, float cx, EFillRule rule) {
    g.PathClear();
    g.PathCircle(cx, 80, 14);
    g.PathCircle(cx, 80, 6);
    g.PathSetWinding(true); // the inner circle a hole
    g.PathFill(COLOR_WHITE, IFillOptions(false, rule));
  };
  editor.Open(Layout(kGrey, {
    {IRECT(0, 0, 160, 100), [&](IGraphics& g, const IRECT&) {
       // Additive, then a translucent fill without blend: source-over again.
       const IBlend add(EBlend::Add, 1.f);
       rect(g, IRECT(5, 5, 25, 25), IColor(255, 0, 200, 0), &add);
       rect(g, IRECT(30, 5, 50, 25), IColor(128, 255, 255, 255));
       // Xor in a layer: the opaque square cuts a hole into the white.
       g.StartLayer(nullptr, IRECT(55, 5, 75, 25));
       g.FillRect(COLOR_WHITE, IRECT(55, 5, 75, 25));
       const IBlend xorBlend(EBlend::XOR, 1.f);
       rect(g, IRECT(60, 10, 70, 20), COLOR_BLACK, &xorBlend);
       ILayerPtr layer = g.EndLayer();
       g.DrawLayer(layer); // the layer goes with this frame
       // Destination-over behind the opaque panel: nothing shows.
       const IBlend behind(EBlend::DstOver, 1.f);
       rect(g, IRECT(80, 5, 100, 25), COLOR_RED, &behind);
       // A soft shadow of a box dropped by 4, half black at the most.
       g.DrawFastDropShadow(IRECT(110, 5, 140, 20), IRECT(105, 0, 155, 28), 4.f, 2.f, 2.f);

       // Gradients: none without stops, the colour of a single stop, the first stop's colour
       // for a transform that cannot be inverted; a radial one centred where it says.
       rect(g, IRECT(5, 30, 35, 60), IPattern(EPatternType::Linear));
       rect(g, IRECT(40, 30, 70, 60), IPattern::CreateLinearGradient(40, 30, 70, 30, {{COLOR_RED, 0.f}}));
       IPattern singular = IPattern::CreateLinearGradient(75, 30, 105, 30, {{COLOR_RED, 0.f}, {COLOR_BLUE, 1.f}});
       singular.mTransform = IMatrix(0, 0, 0, 0, 0, 0);
       rect(g, IRECT(75, 30, 105, 60), singular);
       rect(g, IRECT(110, 30, 150, 60),
            IPattern::CreateRadialGradient(130, 45, 15, {{COLOR_WHITE, 0.5f}, {COLOR_BLACK, 1.f}}));

       // Windings: kept with rule 2, the last part made solid by the winding rule, a hole by
       // even-odd.
       ring(g, 20, EFillRule::Preserve);
       ring(g, 55, EFillRule::Winding);
       ring(g, 90, EFillRule::EvenOdd);

       // An empty bitmap, and one whose image could not be made: nothing.
       g.DrawBitmap(IBitmap(), IRECT(110, 65, 150, 95), 0, 0);
       IGraphicsVGR::Bitmap noImage(static_cast<VGRdrawContext*>(g.GetDrawContext()), 0, 1.f);
       g.DrawBitmap(IBitmap(&noImage, 1, false), IRECT(110, 65, 150, 95), 0, 0);
     }}}));

  ExpectPixels(editor, {
    // Blends.
    {15, 15, IColor(255, 100, 255, 100), 4, "added"}, {40, 15, IColor(255, 178, 178, 178), 3, "source-over again"},
    {65, 15, kGrey, 4, "the xor hole"}, {57, 7, COLOR_WHITE}, {90, 15, kGrey, 4, "behind the panel"},
    {130, 16, IColor(255, 50, 50, 50), 3, "the shadow"}, {107, 2, kGrey, 3, "none beyond its blur"},
    // Gradients.
    {20, 45, kGrey, 4, "no stops"}, {55, 45, COLOR_RED, 4, "one stop"}, {90, 45, COLOR_RED, 4, "singular"},
    {130, 45, COLOR_WHITE}, {136.5f, 45, COLOR_WHITE, 8, "inside the first stop's radius"},
    {111, 31, COLOR_BLACK, 4, "beyond the radius"},
    // Windings.
    {20, 80, kGrey, 4, "the hole kept"}, {20, 70, COLOR_WHITE}, {55, 80, COLOR_WHITE}, {90, 80, kGrey},
    {90, 70, COLOR_WHITE},
    // Empty bitmaps.
    {130, 80, kGrey},
  });
  const IColor between = editor.At(141.25f, 45);
  EXPECT_GT(between.R, 80);
  EXPECT_LT(between.R, 180);
}

TEST(VGRText, RotatedAndMultiLineText)
{
  PlatformTestFolders folders;
  testsupport::WriteBytes(folders.Resources() + "/Roboto-Regular.ttf", testsupport::ReadBytes(testsupport::RobotoRegularPath()));
  const IText rotated(16.f, COLOR_WHITE, "Roboto-Regular", EAlign::Center, EVAlign::Middle, 90.f);
  const IText rows(14.f, COLOR_WHITE, "Roboto-Regular", EAlign::Near, EVAlign::Bottom);
  PixelEditor editor(200, 120, 1.f, 1.f, folders.BundleID());
  PixelGraphics& g = editor.Open(Layout(COLOR_BLACK, {
    {IRECT(10, 10, 60, 110), [&](IGraphics& gr, const IRECT& r) { gr.DrawText(rotated, "Vellicor", r); }},
    {IRECT(80, 10, 150, 110),
     [&](IGraphics& gr, const IRECT& r) { gr.DrawMultiLineText(rows, "one two three four five six", r); }},
  }));

  const IRECT turned = editor.InkBox(IRECT(0, 0, 70, 120), COLOR_BLACK);
  EXPECT_GT(turned.H(), 2.f * turned.W()) << "a text turned upright";
  EXPECT_NEAR(turned.MW(), 35.f, 3.f);
  EXPECT_NEAR(turned.MH(), 60.f, 3.f);

  // Three rows ("one two", "three four", "five six"): the last ends on the bottom of the bounds,
  // the first starts three line heights above it.
  auto* ctx = static_cast<VGRdrawContext*>(g.GetDrawContext());
  vgrSetFontByName(ctx, "Roboto-Regular");
  vgrSetFontSize(ctx, 14.f);
  float lineHeight = 0.f;
  vgrFontMetrics(ctx, nullptr, nullptr, &lineHeight);
  const IRECT ink = editor.InkBox(IRECT(75, 0, 200, 120), COLOR_BLACK);
  EXPECT_LE(ink.B, 110.f);
  EXPECT_GT(ink.B, 110.f - 0.4f * lineHeight);
  EXPECT_GE(ink.T, 110.f - 3.f * lineHeight);
  EXPECT_LT(ink.T, 110.f - 2.f * lineHeight);
  EXPECT_LE(ink.R, 151.f);
}

TEST(VGRState, StrokeCapsAndJoins)
{
  PixelEditor editor(32, 32);
  PixelGraphics& g = editor.Open(nullptr);
  VGRdrawState* state = vgrGetState(static_cast<VGRdrawContext*>(g.GetDrawContext()));
  IStrokeOptions options;
  options.mCapOption = ELineCap::Round;
  options.mJoinOption = ELineJoin::Bevel;
  g.PathStroke(COLOR_WHITE, 1.f, options);
  EXPECT_EQ(state->lineCap, VGR_ROUND);
  EXPECT_EQ(state->lineJoin, VGR_BEVEL);
  // Out of range: the cap and join stay.
  options.mCapOption = static_cast<ELineCap>(7);
  options.mJoinOption = static_cast<ELineJoin>(-1);
  g.PathStroke(COLOR_WHITE, 1.f, options);
  EXPECT_EQ(state->lineCap, VGR_ROUND);
  EXPECT_EQ(state->lineJoin, VGR_BEVEL);
  options.mJoinOption = ELineJoin::Miter;
  g.PathStroke(COLOR_WHITE, 1.f, options);
  EXPECT_EQ(state->lineJoin, VGR_MITER);
  EXPECT_STREQ(g.GetDrawingAPIName(), "VGR | Metal");
  EXPECT_EQ(g.ReadPixel(3, 3), IColor(255, 0, 0, 0));
}

// PNG bytes of a w x h image of one colour.
std::vector<uint8_t> PngOf(const PlatformTestFolders& folders, int w, int h, const IColor& c)
{
  std::vector<uint8_t> rgba;
  for (int i = 0; i < w * h; i++)
    rgba.insert(rgba.end(), {uint8_t(c.R), uint8_t(c.G), uint8_t(c.B), uint8_t(c.A)});
  const std::string path = folders.File("image.png");
  EXPECT_TRUE(standin::ca::WritePNG(path, w, h, rgba.data()));
  return testsupport::ReadBytes(path);
}

// The images the back end holds.
int LiveImages(IGraphics& g)
{
  int n = 0;
  for (const auto& t : plug::igraphics::mvgrBackEnd(static_cast<VGRdrawContext*>(g.GetDrawContext()))->textures())
    n += t->id != 0;
  return n;
}

TEST(VGRBitmaps, CachedUnderTheScaleFoundAtAndOwnedOnce)
{
  PlatformTestFolders folders;
  const std::vector<uint8_t> solo = PngOf(folders, 10, 6, COLOR_RED);
  testsupport::WriteBytes(folders.Resources() + "/solo.png", solo);
  testsupport::WriteBytes(folders.Resources() + "/swatch.png", PngOf(folders, 20, 20, COLOR_RED));
  testsupport::WriteBytes(folders.Resources() + "/swatch@2x.png", PngOf(folders, 40, 40, COLOR_BLUE));
  testsupport::WriteBytes(folders.Resources() + "/icon.gif", solo);
  PlatformTestFolders::WriteFile(folders.Resources() + "/bad.png", "not an image");
  PixelEditor editor(64, 64, 1.f, 2.f, folders.BundleID());
  PixelGraphics& g = editor.Open(nullptr);
  const int before = LiveImages(g);

  // Only a 1x file: loaded for scale 2, kept under scale 1 and found there again, also after the
  // screen changes scale and back; never a second copy.
  const IBitmap one = g.LoadBitmap("solo.png", 1, false, 2);
  ASSERT_TRUE(one.IsValid());
  EXPECT_EQ(one.GetScale(), 1.f);
  EXPECT_EQ(one.W(), 10);
  EXPECT_EQ(one.H(), 6);
  EXPECT_EQ(g.LoadBitmap("solo.png", 1, false, 2).GetAPIBitmap(), one.GetAPIBitmap());
  g.SetBackingScale(1.f);
  EXPECT_EQ(g.LoadBitmap("solo.png").GetAPIBitmap(), one.GetAPIBitmap());
  g.SetBackingScale(2.f);
  IBitmap again = one;
  EXPECT_EQ(g.GetScaledBitmap(again).GetAPIBitmap(), one.GetAPIBitmap());
  EXPECT_EQ(LiveImages(g), before + 1);

  // Target 0: the screen scale rounded up, 1.5 -> the @2x file.
  g.SetBackingScale(1.5f);
  const IBitmap swatch = g.LoadBitmap("swatch.png");
  EXPECT_EQ(swatch.GetScale(), 2.f);
  EXPECT_EQ(swatch.W(), 20);

  // Not found, not an image type of ours, not decodable: the empty bitmap, nothing kept.
  for (const char* name : {"missing.png", "icon.gif", "bad.png", ""})
    EXPECT_FALSE(g.LoadBitmap(name).IsValid()) << name;
  EXPECT_EQ(LiveImages(g), before + 2);

  // From memory: kept under its name at scale 1; undecodable data gives the empty bitmap.
  const IBitmap fromMemory = g.LoadBitmap("memory", solo.data(), int(solo.size()));
  ASSERT_TRUE(fromMemory.IsValid());
  EXPECT_EQ(fromMemory.GetScale(), 1.f);
  EXPECT_EQ(g.LoadBitmap("memory", solo.data(), int(solo.size())).GetAPIBitmap(), fromMemory.GetAPIBitmap());
  EXPECT_FALSE(g.LoadBitmap("junk", "junk", 4).IsValid());
  // The decoders' bitmaps are the caller's.
  std::unique_ptr<APIBitmap> own(g.LoadAPIBitmapFromData("own", solo.data(), int(solo.size()), 1));
  ASSERT_TRUE(own);
  EXPECT_EQ(own->GetWidth(), 10);
  EXPECT_EQ(g.LoadAPIBitmapFromData("own", "junk", 4, 1), nullptr);
  plug::CharBuf path;
  int scale = 0;
  ASSERT_EQ(g.SearchImageResource("solo.png", "png", path, 1, scale), 1);
  own.reset(g.LoadAPIBitmapFromLocation(path.Get(), 1, 1, "png"));
  ASSERT_TRUE(own);
  own.reset();
  EXPECT_EQ(LiveImages(g), before + 3);

  // The type test: png, jpg or jpeg anywhere in the lower-cased extension, under 32 characters.
  for (const char* ext : {"PNG", "JPEG", "jpg", "Png2"})
    EXPECT_TRUE(g.IsBitmapTypeSupported(ext)) << ext;
  const std::string longest = std::string(28, 'x') + "png", tooLong = "x" + longest;
  EXPECT_TRUE(g.IsBitmapTypeSupported(longest.c_str()));
  for (const char* ext : {"gif", "", tooLong.c_str()})
    EXPECT_FALSE(g.IsBitmapTypeSupported(ext)) << ext;
  EXPECT_FALSE(g.IsBitmapTypeSupported(nullptr));

  editor.Close();
  EXPECT_EQ(plug::igraphics::MVGRtexture::Class().LiveCount(), 0);
}

// A resource that gives no image is not kept, so every request loads it again (a file found
// only at another scale does so on each): the host's trace hears of it once, with the reason,
// and of each other refused resource once too. Bytes in memory without a name are known by
// their size and content.
TEST(VGRBitmaps, ARefusalIsTracedOncePerResource)
{
  static std::vector<std::string> traces;
  traces.clear();
  PlatformTestFolders folders;
  PlatformTestFolders::WriteFile(folders.Resources() + "/refused-twice.png", "not an image");
  PixelEditor editor(64, 64, 1.f, 2.f, folders.BundleID());
  PixelGraphics& g = editor.Open(nullptr);
  plug::SetTraceHook([](const char* text) { traces.push_back(text); });
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_FALSE(g.LoadBitmap("refused-twice.png", 1, false, 2).IsValid());
    EXPECT_FALSE(g.LoadBitmap("refused-twice-in-memory", "junk", 4).IsValid());
    EXPECT_FALSE(g.LoadBitmap(nullptr, "unnamed junk", 12).IsValid());
    EXPECT_FALSE(g.LoadBitmap("", "unnamed trash", 13).IsValid());
    EXPECT_FALSE(g.LoadBitmap(nullptr, "unnamed jUnk", 12).IsValid()) << "the same size, other bytes";
  }
  g.SetBackingScale(1.f);
  EXPECT_FALSE(g.LoadBitmap("refused-twice.png").IsValid());
  plug::SetTraceHook(nullptr);
  ASSERT_EQ(traces.size(), 5u);
  const std::string file = "/Contents/Resources/refused-twice.png refused: neither PNG nor JPEG";
  ASSERT_GT(traces[0].size(), file.size());
  EXPECT_EQ(traces[0].substr(0, 12), "LoadBitmap: ");
  EXPECT_EQ(traces[0].substr(traces[0].size() - file.size()), file);
  EXPECT_EQ(traces[1], "LoadBitmap: refused-twice-in-memory refused: neither PNG nor JPEG");
  const std::string reason = " refused: neither PNG nor JPEG";
  const char* const sizes[] = {"12", "13", "12"};
  for (size_t i = 0; i < 3; ++i)
  {
    const std::string& said = traces[2 + i];
    const std::string unnamed = std::string("LoadBitmap: (unnamed image of ") + sizes[i] + " bytes, ";
    EXPECT_EQ(said.substr(0, unnamed.size()), unnamed) << said;
    ASSERT_GT(said.size(), reason.size());
    EXPECT_EQ(said.substr(said.size() - reason.size()), reason) << said;
  }
  EXPECT_NE(traces[2], traces[4]);
}

TEST(VGRFramebuffers, DeletedAtOnceOrAfterTheFrame)
{
  PixelEditor editor(64, 64);
  PixelGraphics& g = editor.Open(nullptr);
  auto* ctx = static_cast<VGRdrawContext*>(g.GetDrawContext());
  auto make = [&]() { return std::unique_ptr<APIBitmap>(g.CreateOffscreenBitmap(16, 8, 1.f, 1.0)); };

  // Outside a frame: left bound with no frame begun, deleted at once.
  std::unique_ptr<APIBitmap> bitmap = make();
  const auto* offscreen = dynamic_cast<const IGraphicsVGR::Bitmap*>(bitmap.get());
  ASSERT_TRUE(offscreen && offscreen->GetFramebuffer());
  EXPECT_EQ(plug::igraphics::mvgrBinding().framebuffer, offscreen->GetFramebuffer());
  for (const auto& set : plug::igraphics::mvgrBackEnd(ctx)->cbuffers())
    EXPECT_FALSE(set->isBusy());
  int image = offscreen->GetImage();
  EXPECT_NE(mvgrImageTexture(ctx, image), nullptr);
  bitmap.reset();
  EXPECT_EQ(mvgrImageTexture(ctx, image), nullptr);

  // Inside a frame: kept until the frame has ended.
  g.BeginFrame();
  bitmap = make();
  image = dynamic_cast<const IGraphicsVGR::Bitmap&>(*bitmap).GetImage();
  bitmap.reset();
  EXPECT_NE(mvgrImageTexture(ctx, image), nullptr);
  g.EndFrame();
  EXPECT_EQ(mvgrImageTexture(ctx, image), nullptr);
}

// A platform font that counts the times its bytes are asked for.
class CountingFont : public PlatformFont
{
public:
  CountingFont(PlatformFontPtr font, int& calls) : PlatformFont(false), mFont(std::move(font)), mCalls(calls) {}
  FontDescriptor GetDescriptor() override { return mFont->GetDescriptor(); }
  PlatformFontData* GetFontData() override
  {
    ++mCalls;
    return mFont->GetFontData();
  }

private:
  PlatformFontPtr mFont;
  int& mCalls;
};

TEST(VGRFonts, BytesReadOncePerProcessAndSharedByEveryView)
{
  PlatformTestFolders folders;
  const std::string roboto = testsupport::RobotoRegularPath();
  auto counting = [&](int& calls) -> PlatformFontPtr {
    return std::make_unique<CountingFont>(LoadCoreTextFontFromFile("", roboto.c_str(), "", ""), calls);
  };
  int first = 0, second = 0;
  const IText style(20.f, COLOR_WHITE, "Sans", EAlign::Near, EVAlign::Middle);
  auto text = Layout(COLOR_BLACK, {{IRECT(0, 0, 100, 40), [&](IGraphics& g, const IRECT& r) { g.DrawText(style, "Abc", r); }}});
  {
    PixelEditor one(100, 40), two(100, 40);
    PixelGraphics& g1 = one.Open(text);
    EXPECT_TRUE(one.InkBox(IRECT(0, 0, 100, 40), COLOR_BLACK).Empty()) << "no such font yet: no text";
    EXPECT_TRUE(g1.LoadAPIFont("Sans", counting(first)));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(IGraphicsVGR::FontDataCacheSize(), 1);

    // The second view registers the same bytes without asking its platform font.
    PixelGraphics& g2 = two.Open(text);
    EXPECT_TRUE(g2.LoadAPIFont("Sans", counting(second)));
    EXPECT_EQ(second, 0);
    g2.Redraw();
    EXPECT_GT(two.InkBox(IRECT(0, 0, 100, 40), COLOR_BLACK).W(), 20.f);

    // Bytes that are no font: refused, nothing kept.
    const std::vector<uint8_t> junk = testsupport::MakeSfnt({{"head", testsupport::MakeHead(1000, 0)}});
    EXPECT_FALSE(g1.LoadAPIFont("Junk", LoadCoreTextFontFromMemory("", junk.data(), int(junk.size()))));
    EXPECT_EQ(IGraphicsVGR::FontDataCacheSize(), 1);
    EXPECT_EQ(IGraphicsVGR::FontDataCacheUsers(), 2);
    one.Close();
    EXPECT_EQ(IGraphicsVGR::FontDataCacheSize(), 1) << "kept while a view lives";
  }
  EXPECT_EQ(IGraphicsVGR::FontDataCacheUsers(), 0);
  EXPECT_EQ(IGraphicsVGR::FontDataCacheSize(), 0);
}

TEST(VGRWithoutView, NothingIsDrawn)
{
  TestDelegate delegate(0);
  PixelGraphics g(delegate, 64, 64);
  auto draw = [&]() {
    g.BeginFrame();
    g.FillRect(COLOR_RED, g.GetBounds());
    g.DrawText(IText(), "text", g.GetBounds());
    g.DrawBitmap(IBitmap(), g.GetBounds(), 0, 0);
    g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
    ILayerPtr layer = g.EndLayer();
    g.ApplyShadow(layer, IShadow());
    g.EndFrame();
  };
  // No drawing context.
  draw();
  EXPECT_FALSE(g.LoadBitmap("x.png").IsValid());
  EXPECT_EQ(g.CreateOffscreenBitmap(4, 4, 1.f, 1.0), nullptr);
  EXPECT_FALSE(g.LoadAPIFont("f", nullptr));
  IRECT bounds;
  EXPECT_EQ(g.MeasureTextRect(IText(), "text", bounds), 0.f);
  // A drawing context but no main framebuffer yet: nothing reaches the screen either.
  g.Layer().SetDrawableSize({64, 64});
  g.OnViewInitialized(&g.Layer());
  ASSERT_NE(g.GetDrawContext(), nullptr);
  draw();
  EXPECT_EQ(g.Layer().PresentedCount(), 0u);
  g.OnViewDestroyed();
  EXPECT_EQ(g.GetDrawContext(), nullptr);
}

} // namespace
