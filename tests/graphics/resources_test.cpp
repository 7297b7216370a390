// Resources: the lookup order of scaled bitmap files, decoding once and scaling once per
// process, caches shared by every context and emptied by the last, SVG documents parsed once,
// backgrounds built from resources (a missing one draws nothing and breaks nothing), and the
// bitmap control's frames and reload for the screen.

#include <gtest/gtest.h>

#include <fstream>

#include "PngImage.h"
#include "ScopedAllocFailure.h"
#include "plug/Trace.h"
#include "TempDir.h"
#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IControls.h"
#include "graphics/SharedResourceCache.h"
#include "plug/HeapBuf.h"
#include "standin/svg/SVG.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

const char* const kIcon = R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">
  <rect width="16" height="16" fill="#336699"/><circle cx="8" cy="8" r="4" fill="white"/>
</svg>)";

struct ResourceFixture : ::testing::Test
{
  ResourceFixture() : dlg(2)
  {
    // Every context of earlier tests has gone: the caches start empty.
    EXPECT_EQ(BitmapCache().Count(), 0);
    EXPECT_EQ(BitmapCache().Size(), 0);
    EXPECT_EQ(SVGCache().Size(), 0);
    g = dlg.Open();
    g->SetResourceFolder(dir.Path());
  }

  // A w × h image whose pixels tell where they are.
  void WriteImage(const std::string& name, int w, int h)
  {
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
      rgba[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(testsupport::WritePNG(dir.File(name), w, h, rgba));
  }

  void WriteText(const std::string& name, const std::string& text)
  {
    std::ofstream out(dir.File(name), std::ios::binary);
    out << text;
  }

  testsupport::TempDir dir;
  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
};

} // namespace

TEST_F(ResourceFixture, ScaledFilesAreLookedForInOrder)
{
  // Nothing there: the target's file, then the 3x one, then the rest downwards.
  IBitmap missing = g->LoadBitmap("knob.png", 1, false, 2);
  EXPECT_FALSE(missing.IsValid());
  EXPECT_EQ(missing.W(), 0);
  EXPECT_EQ(g->mLookups, (Strings{"knob@2x.png", "knob@3x.png", "knob.png"}));
  g->mLookups.clear();
  g->LoadBitmap("knob.png", 1, false, 1);
  EXPECT_EQ(g->mLookups, (Strings{"knob.png", "knob@3x.png", "knob@2x.png"}));

  // Without an extension (or a dot only in a folder name) the suffix goes at the end.
  plug::CharBuf path;
  int sourceScale = -1;
  g->mLookups.clear();
  EXPECT_EQ(g->SearchImageResource("img.v2/knob", "png", path, 4, sourceScale), 0);
  EXPECT_EQ(sourceScale, 0);
  EXPECT_EQ(g->mLookups, (Strings{"img.v2/knob@4x", "img.v2/knob@3x", "img.v2/knob@2x", "img.v2/knob"}));

  // A type the renderer cannot decode is not looked for at all.
  g->mLookups.clear();
  EXPECT_FALSE(g->LoadBitmap("knob.gif", 1, false, 1).IsValid());
  EXPECT_TRUE(g->mLookups.empty());

  // The nearest file found is scaled to the target: 3x to 2x.
  WriteImage("knob@3x.png", 90, 30);
  g->mLookups.clear();
  IBitmap knob = g->LoadBitmap("knob.png", 1, false, 2);
  ASSERT_TRUE(knob.IsValid());
  EXPECT_EQ(g->mLookups, (Strings{"knob@2x.png", "knob@3x.png"}));
  EXPECT_EQ(knob.GetScale(), 2.f);
  EXPECT_EQ(knob.W(), 30);
  EXPECT_EQ(knob.GetAPIBitmap()->GetWidth(), 60);
  EXPECT_EQ(g->mOffscreens, 1);

  // The platform's own lookup finds a file by its full path.
  WriteImage("plain.png", 4, 4);
  g->UsePlatformResourceLookup(true);
  EXPECT_TRUE(g->LoadBitmap(dir.File("plain.png").c_str(), 1, false, 1).IsValid());
  EXPECT_FALSE(g->LoadBitmap("plain.png", 1, false, 1).IsValid()); // not in any bundle
}

TEST_F(ResourceFixture, A1xBitmapAtScale2IsScaledOnceThenServedFromTheCache)
{
  WriteImage("strip.png", 30, 90);
  const IBitmap first = g->LoadBitmap("strip.png", 3, false, 2);
  ASSERT_TRUE(first.IsValid());
  EXPECT_EQ(first.GetScale(), 2.f);
  EXPECT_EQ(first.W(), 30);
  EXPECT_EQ(first.H(), 90);
  EXPECT_EQ(first.N(), 3);
  EXPECT_STREQ(first.GetResourceName(), "strip.png");
  EXPECT_EQ(first.GetAPIBitmap()->GetHeight(), 180);
  EXPECT_EQ(g->mDecodes, 1);
  EXPECT_EQ(g->mOffscreens, 1);
  // The source was drawn over the whole of the new bitmap, and only the scaled copy is kept.
  const std::vector<DrawCall> draws = g->CallsOf(DrawCall::Kind::Bitmap);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].target, first.GetAPIBitmap());
  EXPECT_EQ(draws[0].rect, IRECT(0.f, 0.f, 30.f, 90.f));
  EXPECT_EQ(BitmapCache().Size(), 1);

  // Again, and through the screen scale rounded up: the same bitmap, nothing decoded or drawn.
  EXPECT_EQ(g->LoadBitmap("strip.png", 3, false, 2).GetAPIBitmap(), first.GetAPIBitmap());
  g->SetScreenScale(1.5f);
  EXPECT_EQ(g->LoadBitmap("strip.png", 3, false, 0).GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(g->mDecodes, 1);
  EXPECT_EQ(g->mOffscreens, 1);

  // Scaling leaves the screen and draw scales exactly as they were (1.5 stays 1.5).
  g->Resize(900, 500, 1.25f);
  WriteImage("other.png", 10, 10);
  const IBitmap other = g->LoadBitmap("other.png", 1, false, 0);
  EXPECT_EQ(other.GetScale(), 2.f);
  EXPECT_EQ(g->GetScreenScale(), 1.5f);
  EXPECT_EQ(g->GetDrawScale(), 1.25f);

  // An image in memory counts as 1x: decoded once, scaled to the target, cached by name.
  const std::string bytes = testsupport::ReadFileText(dir.File("other.png"));
  const IBitmap fromMemory = g->LoadBitmap("memory.png", bytes.data(), static_cast<int>(bytes.size()), 1, false, 2);
  EXPECT_EQ(fromMemory.GetScale(), 2.f);
  EXPECT_EQ(fromMemory.W(), 10);
  EXPECT_EQ(g->LoadBitmap("memory.png", nullptr, 0, 1, false, 2).GetAPIBitmap(), fromMemory.GetAPIBitmap());
}

TEST_F(ResourceFixture, ABitmapTheCacheCannotTakeIsDeletedOnce)
{
  WriteImage("plain.png", 8, 8);
  const std::string bytes = testsupport::ReadFileText(dir.File("plain.png"));
  // The cache's list grows in blocks: bitmaps are added until it must grow, and cannot.
  int kept = 0;
  bool refused = false;
  {
    testsupport::ScopedAllocFailure<&plug::SetHeapBufAllocHook> noGrowth(0);
    for (; kept < 5000 && !refused; ++kept)
    {
      try
      {
        g->LoadBitmap(("plain" + std::to_string(kept) + ".png").c_str(), bytes.data(), static_cast<int>(bytes.size()),
                      1, false, 1);
      }
      catch (const std::bad_alloc&)
      {
        refused = true;
        --kept;
      }
    }
  }
  ASSERT_TRUE(refused);
  EXPECT_EQ(BitmapCache().Size(), kept);
  EXPECT_NE(g->LoadBitmap("plain.png", 1, false, 1).GetAPIBitmap(), nullptr);
  EXPECT_EQ(BitmapCache().Size(), kept + 1);
}

TEST_F(ResourceFixture, ContextsShareTheCachesAndTheLastOneEmptiesThem)
{
  WriteImage("knob.png", 8, 8);
  WriteText("icon.svg", kIcon);
  TestDelegate otherDelegate(1);
  HeadlessGraphics* other = otherDelegate.Open();
  other->SetResourceFolder(dir.Path());
  EXPECT_EQ(BitmapCache().Count(), 2);
  EXPECT_EQ(SVGCache().Count(), 2);

  const IBitmap bitmap = g->LoadBitmap("knob.png", 1, false, 1);
  const ISVGImage svg = g->LoadSVG("icon.svg");
  ASSERT_TRUE(bitmap.IsValid() && svg.IsValid());
  EXPECT_EQ(other->LoadBitmap("knob.png", 1, false, 1).GetAPIBitmap(), bitmap.GetAPIBitmap());
  EXPECT_EQ(other->LoadSVG("icon.svg").mImage, svg.mImage); // parsed once
  EXPECT_EQ(other->mDecodes, 0);
  EXPECT_EQ(svg.W(), 16.f);

  otherDelegate.CloseEditorWindow();
  EXPECT_EQ(BitmapCache().Count(), 1);
  EXPECT_EQ(BitmapCache().Size(), 1);
  EXPECT_EQ(SVGCache().Size(), 1);
  dlg.CloseEditorWindow();
  EXPECT_EQ(BitmapCache().Count(), 0);
  EXPECT_EQ(BitmapCache().Size(), 0);
  EXPECT_EQ(SVGCache().Count(), 0);
  EXPECT_EQ(SVGCache().Size(), 0);
}

TEST_F(ResourceFixture, SVGDocumentsAndRawResources)
{
  // From memory: the text ends at its first NUL; a second load by name parses nothing.
  const std::string text = std::string(kIcon) + '\0' + "<garbage";
  const ISVGImage a = g->LoadSVG("mem.svg", text.data(), static_cast<int>(text.size()), "mm", 96.f);
  ASSERT_TRUE(a.IsValid());
  EXPECT_NEAR(a.W(), 16.f * 25.4f / 96.f, 1e-4f); // units and dpi reach the parser
  EXPECT_EQ(g->LoadSVG("mem.svg", static_cast<const void*>("<not svg"), 9).mImage, a.mImage);
  // A size of 0 means a NUL-terminated text; what does not parse is neither kept nor cached.
  EXPECT_TRUE(g->LoadSVG("plain.svg", static_cast<const void*>(kIcon), 0).IsValid());
  EXPECT_FALSE(g->LoadSVG("bad.svg", static_cast<const void*>("<svg"), 4).IsValid());
  EXPECT_EQ(SVGCache().Size(), 2);
  EXPECT_FALSE(g->LoadSVG("missing.svg").IsValid());

  WriteText("data.bin", std::string("a\0b", 3));
  EXPECT_EQ(g->LoadResource("data.bin", "bin"), (std::vector<uint8_t>{'a', 0, 'b'}));
  EXPECT_TRUE(g->LoadResource("missing.bin", "bin").empty());
  EXPECT_TRUE(g->LoadResource("", "bin").empty());
}

// A document beyond the parser's limits (nesting, length) is refused: the empty image, nothing
// cached, the reason in the host's trace. At the limit it loads.
TEST_F(ResourceFixture, SVGDocumentsBeyondTheLimitsAreRefusedWithTheReasonTraced)
{
  static std::vector<std::string> traces;
  traces.clear();
  plug::SetTraceHook([](const char* text) { traces.push_back(text); });
  auto nested = [](int depth) { // elements open at once: the root, groups, the rectangle
    std::string text = "<svg width='4' height='4'>";
    for (int i = 2; i < depth; ++i)
      text += "<g>";
    text += "<rect width='4' height='4'/>";
    for (int i = 2; i < depth; ++i)
      text += "</g>";
    return text + "</svg>";
  };
  const std::string atLimit = nested(standin::svg::kMaxNesting);
  const std::string tooDeep = nested(standin::svg::kMaxNesting + 1);
  const std::string tooLong = "<svg width='4' height='4'><!--" +
                              std::string(standin::svg::kMaxDocumentLength, ' ') + "--></svg>";
  EXPECT_TRUE(g->LoadSVG("deep.svg", static_cast<const void*>(atLimit.data()), static_cast<int>(atLimit.size())).IsValid());
  EXPECT_FALSE(g->LoadSVG("deeper.svg", static_cast<const void*>(tooDeep.data()), static_cast<int>(tooDeep.size())).IsValid());
  EXPECT_FALSE(g->LoadSVG("long.svg", static_cast<const void*>(tooLong.data()), static_cast<int>(tooLong.size())).IsValid());
  EXPECT_EQ(SVGCache().Size(), 1);
  plug::SetTraceHook(nullptr);
  ASSERT_EQ(traces.size(), 2u);
  EXPECT_EQ(traces[0], "LoadSVG: deeper.svg refused: elements nested more than 256 deep");
  EXPECT_EQ(traces[1], "LoadSVG: long.svg refused: longer than 16777216 bytes");
}

TEST_F(ResourceFixture, BackgroundsComeFirstAndMissingResourcesDrawNothing)
{
  auto* front = new TestControl(IRECT(10.f, 10.f, 20.f, 20.f));
  g->AttachControl(front);

  // A missing bitmap: the empty bitmap in a control of no size; the editor draws on.
  g->AttachBackground("missing.png");
  ASSERT_EQ(g->NControls(), 2);
  auto* missing = dynamic_cast<IBitmapControl*>(g->GetControl(0));
  ASSERT_NE(missing, nullptr);
  EXPECT_FALSE(missing->GetBitmap().IsValid());
  g->SetScreenScale(2.f); // reloads: still nothing, still fine
  EXPECT_NO_THROW(g->Frame());
  EXPECT_TRUE(g->CallsOf(DrawCall::Kind::Bitmap).empty());

  WriteImage("bg.png", 900, 500);
  WriteImage("bg@2x.png", 1800, 1000);
  g->AttachBackground("bg.png");
  auto* bg = dynamic_cast<IBitmapControl*>(g->GetControl(0));
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->GetRECT(), IRECT(0.f, 0.f, 900.f, 500.f));
  EXPECT_EQ(bg->GetBitmap().GetScale(), 2.f); // the 2x file, for the screen
  EXPECT_EQ(g->GetControl(2), front);

  WriteText("bg.svg", kIcon);
  g->AttachSVGBackground("bg.svg");
  EXPECT_NE(dynamic_cast<ISVGControl*>(g->GetControl(0)), nullptr);
  EXPECT_EQ(g->GetControl(0)->GetRECT(), IRECT(0.f, 0.f, 900.f, 500.f));
  g->AttachPanelBackground(COLOR_RED);
  auto* panel = dynamic_cast<IPanelControl*>(g->GetControl(0));
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->GetIgnoreMouse());
  EXPECT_EQ(g->GetMouseControl(100.f, 100.f, false), bg); // the panel never takes the mouse

  // Drawn in list order: panel, SVG (two shapes fitted by height: 500 / 16), bitmap, front.
  g->ClearCalls();
  g->SetAllControlsDirty();
  g->Frame();
  std::vector<DrawCall> drawn;
  for (const DrawCall& c : g->Calls())
    if (c.kind != DrawCall::Kind::Clip && c.kind != DrawCall::Kind::Text)
      drawn.push_back(c);
  ASSERT_GE(drawn.size(), 4u);
  EXPECT_EQ(drawn[0].kind, DrawCall::Kind::Fill);
  EXPECT_EQ(drawn[0].Color(), COLOR_RED);
  EXPECT_EQ(drawn[0].PathBounds(), IRECT(0.f, 0.f, 900.f, 500.f));
  EXPECT_EQ(drawn[1].PathBounds(), IRECT(0.f, 0.f, 500.f, 500.f));
  EXPECT_EQ(drawn[2].PathBounds(), IRECT(125.f, 125.f, 375.f, 375.f));
  EXPECT_EQ(drawn[3].kind, DrawCall::Kind::Bitmap);
  EXPECT_EQ(drawn[3].bitmap, bg->GetBitmap().GetAPIBitmap());
}

TEST_F(ResourceFixture, BitmapControlFramesAndRescale)
{
  // Three frames stacked in 90 pixels: 30 points high at scale 1.
  WriteImage("strip.png", 30, 90);
  WriteImage("strip@2x.png", 60, 180);
  auto* c = new IBitmapControl(5.f, 5.f, g->LoadBitmap("strip.png", 3), 0, EBlend::Add);
  g->AttachControl(c);
  EXPECT_EQ(c->GetRECT(), IRECT(5.f, 5.f, 35.f, 35.f));
  EXPECT_EQ(c->GetBlend().mMethod, EBlend::Add);
  EXPECT_EQ(IBitmapControl(0.f, 0.f, g->LoadBitmap("strip.png", 3, true)).GetRECT(), IRECT(0.f, 0.f, 10.f, 90.f));
  // The frame's size is a whole number of pixels: 100 pixels in 3 frames make 33.
  WriteImage("hundred.png", 100, 20);
  EXPECT_EQ(IBitmapControl(0.f, 0.f, g->LoadBitmap("hundred.png", 3, true)).GetRECT(), IRECT(0.f, 0.f, 33.f, 20.f));

  c->SetValue(1.0);
  g->SetScreenScale(2.f); // reloaded from the 2x file, not scaled
  EXPECT_EQ(c->GetBitmap().GetScale(), 2.f);
  EXPECT_EQ(g->mOffscreens, 0);
  g->ClearCalls();
  g->Frame();
  const std::vector<DrawCall> draws = g->CallsOf(DrawCall::Kind::Bitmap);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].bitmap, c->GetBitmap().GetAPIBitmap());
  EXPECT_EQ(draws[0].srcY, 60); // the third frame
  EXPECT_EQ(draws[0].rect, IRECT(5.f, 5.f, 35.f, 35.f));
  EXPECT_EQ(draws[0].blend.mMethod, EBlend::Add);
}
