// The product editor in pixels, through the whole drawing stack: the picture's size at both
// screen scales, the generated background wherever no control draws, a drag on the "Drive" knob,
// and an editor whose resources are missing.
#include "ProductPixelEditor.h"
#include "BackgroundArt.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace plug::igraphics;
using testgraphics::Picture;
using testgraphics::PixelGraphics;

using Image = testsupport::PngImage;

// Every picture pixel whose point area keeps 2 points clear of every control (and of the corner
// resizer) has the background art's colour. Returns the number of pixels compared.
int ExpectBackgroundOutsideControls(PixelGraphics& g, const Image& art, int step, int tolerance)
{
  const int scale = static_cast<int>(g.GetTotalScale());
  std::vector<IRECT> controls;
  g.ForStandardControlsFunc([&](IControl* c) {
    if (c != g.GetControl(0)) // the background itself
      controls.push_back(c->GetRECT().GetPadded(2.f));
  });
  controls.push_back(IRECT(878.f, 478.f, 900.f, 500.f));
  const backgroundart::Comparison result =
    backgroundart::Compare(g.GetPicture(), art, scale, step, tolerance, [&](int px, int py) {
      const IRECT area(float(px) / scale, float(py) / scale, float(px + 1) / scale, float(py + 1) / scale);
      for (const IRECT& r : controls)
        if (r.Intersects(area))
          return true;
      return false;
    });
  EXPECT_EQ(result.mismatches, 0) << result.firstMismatches;
  return result.compared;
}

TEST(EditorPixels, TheBackgroundShowsWhereNoControlDrawsAtBothScales)
{
  const Image art = testsupport::ReadPNG(ProductPixelEditor::GeneratedResources() + "/background@2x.png");
  ASSERT_EQ(art.width, 1800);
  ASSERT_EQ(art.height, 1000);
  for (float screenScale : {1.f, 2.f})
  {
    ProductPixelEditor e(screenScale);
    PixelGraphics& g = e.Open();
    for (int i = 0; i < 3; ++i)
      g.Frame();
    const Picture& picture = g.GetPicture();
    EXPECT_EQ(picture.width, static_cast<int>(900 * screenScale));
    EXPECT_EQ(picture.height, static_cast<int>(500 * screenScale));
    g.SavePicture(screenScale == 1.f ? "product_editor" : "product_editor@2x");
    EXPECT_GT(ExpectBackgroundOutsideControls(g, art, 3, 3), 5000) << screenScale;
  }
}

TEST(EditorPixels, DraggingDriveOnItsRingRaisesItAndRedrawsTheKnob)
{
  ProductPixelEditor e;
  PixelGraphics& g = e.Open();
  g.Frame();
  const Picture before = g.GetPicture();
  const double drive = e.V(kDrive);

  g.OnMouseDown({IMouseInfo(147.f, 118.f, IMouseMod(true))});
  for (int i = 1; i <= 4; ++i)
    g.OnMouseDrag({IMouseInfo(147.f, 118.f - 10.f * float(i), IMouseMod(true), 0.f, -10.f)});
  g.OnMouseUp({IMouseInfo(147.f, 78.f, IMouseMod(true))});
  EXPECT_GT(e.V(kDrive), drive + 1.0);
  g.Frame();

  const auto [changed, changedOutside] = backgroundart::Differences(g.GetPicture(), before, {74, 112, 220, 258});
  EXPECT_GT(changed, 30);
  EXPECT_EQ(changedOutside, 0);
}

TEST(EditorPixels, WithoutResourcesTheEditorStillOpensAndDraws)
{
  ProductPixelEditor e(1.f, false);
  PixelGraphics& g = e.Open();
  g.Frame();
  EXPECT_EQ(g.NControls(), 55);
  EXPECT_EQ(g.GetPicture().width, 900);
  EXPECT_EQ(g.GetPicture().height, 500);
  // No background, no bitmaps, no fonts: the vector controls still draw (the knobs' pointers
  // and the bump knob's body).
  const IColor empty = e.editor->At(450.f, 250.f);
  EXPECT_GT(e.editor->InkBox(IRECT(74, 112, 220, 258), empty, 24).H(), 20.f);
  EXPECT_GT(e.editor->InkBox(IRECT(721, 173, 785, 237), empty, 24).W(), 50.f);
}

} // namespace
