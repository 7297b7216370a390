// Scenes drawn by the vector renderer through the Metal render back end (over the CPU
// stand-in), with every pixel checked against a reference computed here: the exact area covered
// for axis-aligned edges, and for other shapes the supersampled coverage of the polygons the
// renderer flattened them into (the one-pixel fringe ramps linearly across an edge, which is the
// exact area only for axis-aligned edges and up to 12/255 off it for diagonal ones); and after
// each scene a stencil left at zero.
#include "platform/mac/tools/MVGRscenes.h"
#include "tests/platform/MVGRrig.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/FontFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

namespace {

using namespace plug::igraphics;
using namespace testsupport;
namespace scenes = plug::igraphics::scenes;

struct Picture
{
  int width = 0, height = 0;
  std::vector<uint8_t> rgba; // premultiplied
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

// Length of [a0, a1] inside [b0, b1].
float Overlap(float a0, float a1, float b0, float b1) { return std::max(0.0f, std::min(a1, b1) - std::max(a0, b0)); }

// The fraction of pixel (x, y) inside the shape, from 16 x 16 samples.
float Supersampled(int x, int y, const std::function<bool(float, float)>& inside)
{
  int n = 0;
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++)
      n += inside(float(x) + (float(i) + 0.5f) / 16.0f, float(y) + (float(j) + 0.5f) / 16.0f);
  return float(n) / 256.0f;
}

using Polygon = std::vector<VGRvertex>;

// Winding number of a closed polygon around (x, y).
int Winding(const Polygon& p, float x, float y)
{
  int w = 0;
  for (size_t i = 0; i < p.size(); i++)
  {
    const VGRvertex& a = p[i];
    const VGRvertex& b = p[(i + 1) % p.size()];
    const float side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
    if (a.y <= y && b.y > y && side > 0)
      w++;
    else if (a.y > y && b.y <= y && side < 0)
      w--;
  }
  return w;
}

// The fills of a scene as the renderer flattens them, each a list of polygons: the scene drawn on
// a recording back end without fringes, whose fill vertices are the flattened points.
std::vector<std::vector<Polygon>> FlattenedFills(const scenes::Scene& scene)
{
  RecordedContext recorded(false);
  vgrBeginFrame(recorded.ctx, float(scene.width), float(scene.height), 1.0f);
  scene.draw(recorded.ctx, scenes::SceneResources());
  std::vector<std::vector<Polygon>> fills;
  for (const RecordedCall& call : recorded.rec.calls)
  {
    fills.emplace_back();
    for (const RecordedPath& path : call.paths)
      fills.back().push_back(path.fill);
  }
  vgrCancelFrame(recorded.ctx);
  return fills;
}

// Distance from (x, y) to the segment a..b.
float SegmentDistance(const VGRvertex& a, const VGRvertex& b, float x, float y)
{
  const float dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  const float t = len2 > 0 ? std::min(1.0f, std::max(0.0f, ((x - a.x) * dx + (y - a.y) * dy) / len2)) : 0.0f;
  return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

// Coverage of a pixel by the fills, each by the non-zero rule; supersampled where an edge is
// near.
float FillCoverage(const std::vector<std::vector<Polygon>>& fills, int x, int y)
{
  auto inside = [&](float sx, float sy) {
    for (const std::vector<Polygon>& fill : fills)
    {
      int winding = 0;
      for (const Polygon& p : fill)
        winding += Winding(p, sx, sy);
      if (winding != 0)
        return true;
    }
    return false;
  };
  const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
  for (const std::vector<Polygon>& fill : fills)
    for (const Polygon& p : fill)
      for (size_t i = 0; i < p.size(); i++)
        if (SegmentDistance(p[i], p[(i + 1) % p.size()], cx, cy) < 0.75f)
          return Supersampled(x, y, inside);
  return inside(cx, cy) ? 1.0f : 0.0f;
}

class MVGRscenes : public ::testing::Test
{
protected:
  Picture Render(const char* name)
  {
    const scenes::Scene* scene = scenes::FindScene(name);
    Picture picture;
    if (!scene)
    {
      ADD_FAILURE() << "no scene " << name;
      return picture;
    }
    VGRMetalFramebuffer* fb = scenes::RenderScene(rig.ctx, *scene, resources);
    picture.width = scene->width;
    picture.height = scene->height;
    picture.rgba = rig.ReadImage(fb->image);
    mvgrFramebufferDelete(fb);
    // Every fill and stroke leaves the stencil as it found it.
    const std::vector<uint8_t> stencil = rig.StencilValues();
    EXPECT_FALSE(stencil.empty());
    EXPECT_TRUE(std::all_of(stencil.begin(), stencil.end(), [](uint8_t s) { return s == 0; }))
      << "stencil not zero after scene " << name;
    return picture;
  }

  // Checks every pixel against white at the reference coverage; a tolerance below 0 skips the
  // pixel. Reports the worst pixel.
  void ExpectCoverage(const Picture& p, const std::function<float(int, int)>& coverage,
                      const std::function<float(int, int)>& tolerance)
  {
    float worst = -1;
    std::ostringstream where;
    for (int y = 0; y < p.height; y++)
      for (int x = 0; x < p.width; x++)
      {
        const float tol = tolerance(x, y);
        if (tol < 0)
          continue;
        const float expected = 255.0f * coverage(x, y);
        for (int c = 0; c < 4; c++)
        {
          const float error = std::fabs(float(p.At(x, y)[c]) - expected) - tol;
          if (error > worst)
          {
            worst = error;
            where.str("");
            where << "pixel " << x << ", " << y << " channel " << c << ": " << int(p.At(x, y)[c]) << ", expected "
                  << expected << " within " << tol;
          }
        }
      }
    EXPECT_LE(worst, 0.0f) << where.str();
  }

  MVGRrig rig;
  scenes::SceneResources resources = scenes::LoadSceneResources(rig.ctx, RobotoRegularPath());
};

TEST_F(MVGRscenes, AxisAlignedEdgesCoverTheirExactArea)
{
  const Picture p = Render("edges");
  auto area = [](int x, int y) {
    float covered = 0;
    for (const scenes::Box& b : scenes::kEdgeBoxes)
      covered += Overlap(float(x), float(x + 1), b.x0, b.x1) * Overlap(float(y), float(y + 1), b.y0, b.y1);
    return covered;
  };
  // The fringe ramps along one axis at a time, so a corner pixel (cut on both axes) is only
  // roughly its area.
  auto tolerance = [](int x, int y) {
    for (const scenes::Box& b : scenes::kEdgeBoxes)
    {
      const bool cutX = (x == int(b.x0) && b.x0 != float(x)) || x == int(b.x1);
      const bool cutY = (y == int(b.y0) && b.y0 != float(y)) || y == int(b.y1);
      if (cutX && cutY)
        return 80.0f;
    }
    return 2.0f;
  };
  ExpectCoverage(p, area, tolerance);
}

TEST_F(MVGRscenes, SelfCrossingStarFillsByTheNonZeroRule)
{
  const Picture p = Render("star");
  const std::vector<std::vector<Polygon>> fills = FlattenedFills(*scenes::FindScene("star"));
  ASSERT_EQ(fills.size(), 1u);
  const std::vector<scenes::Point> star = scenes::StarPoints();
  auto coverage = [&](int x, int y) { return FillCoverage(fills, x, y); };
  // Diagonal edges within 12/255 (and rounding); at the sharp tips the mitred fringe is cut
  // short, so the pixels next to them are allowed twice that.
  auto tolerance = [&](int x, int y) {
    for (const scenes::Point& v : star)
      if (std::hypot(float(x) + 0.5f - v[0], float(y) + 0.5f - v[1]) < 3.0f)
        return 24.0f;
    return 13.0f;
  };
  ExpectCoverage(p, coverage, tolerance);
  // The centre is wound twice: filled, where the even-odd rule would leave a hole.
  EXPECT_EQ(p.At(32, 33)[3], 255);
}

TEST_F(MVGRscenes, OppositeWoundRingsLeaveAnExactHole)
{
  const Picture p = Render("rings");
  const std::vector<std::vector<Polygon>> fills = FlattenedFills(*scenes::FindScene("rings"));
  ASSERT_EQ(fills.size(), 2u);
  // Curved edges: the diagonal error plus a little for the curvature of the small circles.
  ExpectCoverage(p, [&](int x, int y) { return FillCoverage(fills, x, y); }, [](int, int) { return 16.0f; });
  // Well inside the holes nothing at all; well inside the rings full cover.
  for (const scenes::Ring& r : scenes::kRings)
  {
    EXPECT_EQ(p.At(int(r.cx), int(r.cy))[3], 0);
    EXPECT_EQ(p.At(int(r.cx + (r.outer + r.inner) * 0.5f), int(r.cy))[3], 255);
  }
}

TEST_F(MVGRscenes, StrokeOfWidthOneOnAPixelCentreFillsOneRow)
{
  for (const int flags : {kMVGRantialias | kMVGRtripleBuffer, kMVGRantialias | kMVGRstencilStrokes | kMVGRtripleBuffer})
  {
    SCOPED_TRACE(flags);
    MVGRrig strokeRig(flags);
    const scenes::Scene& scene = *scenes::FindScene("stroke");
    VGRMetalFramebuffer* fb = scenes::RenderScene(strokeRig.ctx, scene, scenes::SceneResources());
    Picture p{scene.width, scene.height, strokeRig.ReadImage(fb->image)};
    mvgrFramebufferDelete(fb);
    // Butt caps end the lines exactly at their end points.
    auto area = [](int x, int y) {
      return Overlap(float(x), float(x + 1), scenes::kStrokeX0, scenes::kStrokeX1) *
               Overlap(float(y), float(y + 1), scenes::kStrokeY - 0.5f, scenes::kStrokeY + 0.5f) +
             Overlap(float(x), float(x + 1), scenes::kStrokeX - 0.5f, scenes::kStrokeX + 0.5f) *
               Overlap(float(y), float(y + 1), scenes::kStrokeY0, scenes::kStrokeY1);
    };
    ExpectCoverage(p, area, [](int, int) { return 1.0f; });
    const std::vector<uint8_t> stencil = strokeRig.StencilValues();
    EXPECT_TRUE(std::all_of(stencil.begin(), stencil.end(), [](uint8_t s) { return s == 0; }));
  }
}

TEST_F(MVGRscenes, LinearGradientMixesAlongItsAxis)
{
  const Picture p = Render("gradient");
  const scenes::Box& b = scenes::kGradientBox;
  const VGRcolor& from = scenes::kGradientFrom;
  const VGRcolor& to = scenes::kGradientTo;
  for (int y = 0; y < p.height; y++)
    for (int x = 0; x < p.width; x++)
    {
      const float inside = Overlap(float(x), float(x + 1), b.x0, b.x1) * Overlap(float(y), float(y + 1), b.y0, b.y1);
      const float t = std::min(1.0f, std::max(0.0f, (float(x) + 0.5f - b.x0) / (b.x1 - b.x0)));
      const float expected[4] = {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
                                 from.b + (to.b - from.b) * t, 1.0f};
      for (int c = 0; c < 4; c++)
        ASSERT_NEAR(p.At(x, y)[c], 255.0f * expected[c] * inside, 2.0f) << "pixel " << x << ", " << y << " channel " << c;
    }
}

TEST_F(MVGRscenes, ImageDrawnOneToOneReproducesItsPixels)
{
  const Picture p = Render("image");
  const std::vector<uint8_t> pattern = scenes::PatternPixels();
  for (int y = 0; y < p.height; y++)
    for (int x = 0; x < p.width; x++)
    {
      const int ix = x - scenes::kImageX, iy = y - scenes::kImageY;
      const bool inside = ix >= 0 && iy >= 0 && ix < scenes::kPatternWidth && iy < scenes::kPatternHeight;
      const uint8_t* src = inside ? &pattern[(size_t(iy) * scenes::kPatternWidth + ix) * 4] : nullptr;
      for (int c = 0; c < 4; c++)
      {
        // Straight alpha in, premultiplied out.
        const float expected = !src ? 0.0f : c == 3 ? float(src[3]) : float(src[c]) * float(src[3]) / 255.0f;
        ASSERT_NEAR(p.At(x, y)[c], expected, 1.0f) << "pixel " << x << ", " << y << " channel " << c;
      }
    }
}

TEST_F(MVGRscenes, TextInkLiesInsideItsMeasuredBounds)
{
  ASSERT_GE(resources.font, 0);
  const Picture p = Render("text");
  vgrResetState(rig.ctx);
  scenes::SetTextStyle(rig.ctx, resources);
  float bounds[4];
  const float advance = vgrMeasureText(rig.ctx, scenes::kTextX, scenes::kTextY, scenes::kText, nullptr, bounds);
  EXPECT_GT(advance, 100.0f);
  int ink = 0, outside = 0;
  for (int y = 0; y < p.height; y++)
    for (int x = 0; x < p.width; x++)
    {
      if (p.At(x, y)[3] == 0)
        continue;
      ink++;
      // A pixel counts as inside when it touches the bounds.
      if (float(x + 1) <= bounds[0] || float(x) >= bounds[2] || float(y + 1) <= bounds[1] || float(y) >= bounds[3])
        outside++;
    }
  EXPECT_GT(ink, 300);
  EXPECT_EQ(outside, 0);
  // The glyphs' ink reaches both sides of the bounds and down to the baseline.
  auto inkInColumn = [&](int x) {
    int n = 0;
    for (int y = 0; y < p.height; y++)
      n += p.At(x, y)[3] > 128;
    return n;
  };
  EXPECT_GT(inkInColumn(int(bounds[0]) + 1) + inkInColumn(int(bounds[0]) + 2), 0);
  EXPECT_GT(inkInColumn(int(bounds[2]) - 2) + inkInColumn(int(bounds[2]) - 3), 0);
}

} // namespace
