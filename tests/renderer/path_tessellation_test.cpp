// Paths, flattening and tessellation as the back end receives them: exact geometry of small
// cases, the vertex budgets, and invariants of the emitted vertices over sharp, wide and
// round-joined paths.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRMemory.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/ScopedAllocFailure.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace plug::igraphics;
using testsupport::RecordedCall;
using testsupport::RecordedContext;
using testsupport::RecordedPath;
using VGRAllocFailure = testsupport::ScopedAllocFailure<&vgrSetAllocHook>;

namespace {

// A context in a frame at the given ratio.
struct Frame : RecordedContext
{
  explicit Frame(float ratio = 1)
  {
    vgrBeginFrame(ctx, 400, 300, ratio);
  }
  const RecordedCall& Last() const { return rec.calls.back(); }
};

// The commands recorded so far, as floats.
std::vector<float> Commands(VGRdrawContext* ctx)
{
  return std::vector<float>(ctx->commands, ctx->commands + ctx->ncommands);
}

int CountCode(VGRdrawContext* ctx, int code)
{
  int n = 0;
  for (int i = 0; i < ctx->ncommands;)
  {
    const int c = static_cast<int>(ctx->commands[i]);
    n += c == code ? 1 : 0;
    i += c == VGR_BEZIERTO ? 7 : (c == VGR_MOVETO || c == VGR_LINETO) ? 3 : c == VGR_WINDING ? 2 : 1;
  }
  return n;
}

// Vertices the geometry of a path may use at most (its fill fan plus fringe, or its stroke).
int FillBudget(const RecordedPath& p, bool fringe)
{
  return p.path.count + p.path.nbevel + 1 + (fringe ? (p.path.count + 5 * p.path.nbevel + 1) * 2 : 0);
}

int StrokeBudget(const RecordedPath& p, int join, int cap, int ncap)
{
  int n = join == VGR_ROUND ? (p.path.count + p.path.nbevel * (ncap + 2) + 1) * 2
                            : (p.path.count + 5 * p.path.nbevel + 1) * 2;
  if (!p.path.closed)
    n += cap == VGR_ROUND ? (2 * ncap + 2) * 2 : 12;
  return n;
}

// Twice the signed area of a triangle, positive when it turns counter-clockwise on the
// y-down screen (the turn of a solid shape).
float Turn(const VGRvertex& a, const VGRvertex& b, const VGRvertex& c)
{
  return (c.x - a.x) * (b.y - a.y) - (b.x - a.x) * (c.y - a.y);
}

// Every vertex sane: finite, u in 0..1, v 0 or 1.
void ExpectSaneVertices(const std::vector<VGRvertex>& verts)
{
  for (const VGRvertex& v : verts)
  {
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    ASSERT_GE(v.u, 0.0f);
    ASSERT_LE(v.u, 1.0f);
    ASSERT_TRUE(v.v == 0.0f || v.v == 1.0f);
  }
}

} // namespace

TEST(PathCommands, RecordedTransformedWithThePenInUserSpace)
{
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  vgrTranslate(ctx, 10, 10);
  vgrMoveTo(ctx, 0, 0);
  EXPECT_EQ(Commands(ctx), (std::vector<float>{0, 10, 10}));
  EXPECT_EQ(ctx->commandx, 0);
  // The quadratic starts from the pen (0, 0), in user space.
  vgrQuadTo(ctx, 3, 0, 3, 3);
  EXPECT_EQ(Commands(ctx), (std::vector<float>{0, 10, 10, 2, 12, 10, 13, 11, 13, 13}));
  EXPECT_EQ(ctx->commandx, 3);
  // Close and winding leave the pen; a rectangle's pen is its last corner, not its close.
  vgrClosePath(ctx);
  vgrSetPathWinding(ctx, VGR_CW);
  EXPECT_EQ(ctx->commandx, 3);
  vgrResetTransform(ctx);
  vgrRect(ctx, 1, 2, 3, 4);
  EXPECT_EQ(ctx->commandx, 4);
  EXPECT_EQ(ctx->commandy, 2);

  // The buffer grows by what is needed plus half its capacity.
  vgrBeginPath(ctx);
  EXPECT_EQ(ctx->commandx, 4); // the pen survives
  for (int i = 0; i < 256 / 3; ++i)
    vgrLineTo(ctx, 1, 1);
  vgrClosePath(ctx);
  ASSERT_EQ(ctx->ncommands, 256);
  EXPECT_EQ(ctx->ccommands, 256);
  vgrRect(ctx, 0, 0, 1, 1);
  EXPECT_EQ(ctx->ccommands, 256 + 128 + 13);

  // A block that cannot be stored is dropped whole.
  {
    VGRAllocFailure fail;
    for (int i = 0; i < 100; ++i)
      vgrCircle(ctx, 0, 0, 5);
  }
  EXPECT_EQ(ctx->ncommands, 397); // four circles fitted, the rest could not grow the buffer
}

TEST(PathCommands, Shapes)
{
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  // Radii below 0.1 give the plain rectangle.
  vgrRoundedRectCorners(ctx, 0, 0, 10, 10, 0.05f, 0.05f, 0.05f, 0.05f);
  EXPECT_EQ(ctx->ncommands, 13);
  // Radii are limited to half the sides and follow their signs.
  vgrBeginPath(ctx);
  vgrRoundedRect(ctx, 0, 0, 20, 10, 50);
  ASSERT_EQ(ctx->ncommands, 44);
  EXPECT_FLOAT_EQ(ctx->commands[2], 5);       // move-to (x, y + ryTL)
  EXPECT_FLOAT_EQ(ctx->commands[3 + 3 + 5], 10); // first curve ends at (x + rxBL, y + h)
  vgrBeginPath(ctx);
  vgrRoundedRect(ctx, 0, 0, -20, 10, 50);
  EXPECT_FLOAT_EQ(ctx->commands[3 + 3 + 5], -10); // negative width: the corner still rounds inwards
  vgrBeginPath(ctx);
  vgrEllipse(ctx, 5, 5, 4, 2);
  EXPECT_EQ(ctx->ncommands, 32);
  EXPECT_EQ(CountCode(ctx, VGR_BEZIERTO), 4);

  // Arcs: at most a quarter turn per cubic; the first point moves or joins the path.
  auto arc = [&](float a0, float a1, int dir, bool after) {
    vgrBeginPath(ctx);
    if (after)
      vgrMoveTo(ctx, 0, 0);
    vgrArc(ctx, 0, 0, 10, a0, a1, dir);
    return CountCode(ctx, VGR_BEZIERTO);
  };
  const float pi = 3.1415927f;
  EXPECT_EQ(arc(0, pi / 2, VGR_CW, false), 1);
  EXPECT_EQ(ctx->commands[0], VGR_MOVETO);
  EXPECT_FLOAT_EQ(ctx->commands[1], 10);
  EXPECT_NEAR(ctx->commands[8], 0, 1e-5); // ends at (0, 10): clockwise on screen
  EXPECT_FLOAT_EQ(ctx->commands[9], 10);
  EXPECT_EQ(arc(0, 3 * pi, VGR_CW, false), 4);
  EXPECT_EQ(arc(0, pi / 2, VGR_CCW, true), 3);
  EXPECT_EQ(ctx->commands[3], VGR_LINETO);
  EXPECT_EQ(arc(0, 1e-3f, VGR_CW, false), 1);

  // Arc-to: nothing on an empty path; a line when the corner degenerates; else a line to
  // the tangent point and an arc.
  vgrBeginPath(ctx);
  vgrArcTo(ctx, 10, 0, 10, 10, 3);
  EXPECT_EQ(ctx->ncommands, 0);
  vgrMoveTo(ctx, 10, 0);
  vgrArcTo(ctx, 10, 0, 10, 10, 3);
  EXPECT_EQ(Commands(ctx), (std::vector<float>{0, 10, 0, 1, 10, 0}));
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 0, 0);
  vgrArcTo(ctx, 10, 0, 10, 10, 3);
  ASSERT_EQ(ctx->commands[3], VGR_LINETO);
  EXPECT_NEAR(ctx->commands[4], 7, 1e-4);
  EXPECT_NEAR(ctx->commands[5], 0, 1e-4);
  EXPECT_NEAR(ctx->commandx, 10, 1e-4);
  EXPECT_NEAR(ctx->commandy, 3, 1e-4);
  // Collinear and reversed directions stay finite.
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 0, 0);
  vgrArcTo(ctx, 10, 0, 0, 1e-9f, 3);
  for (float v : Commands(ctx))
    EXPECT_TRUE(std::isfinite(v));
}

TEST(Tessellation, TenByTenFillWithFringe)
{
  Frame f;
  vgrBeginPath(f.ctx);
  vgrRect(f.ctx, 0, 0, 10, 10);
  vgrFill(f.ctx);
  const RecordedCall& call = f.Last();
  ASSERT_EQ(call.kind, RecordedCall::Fill);
  ASSERT_EQ(call.paths.size(), 1u);
  const RecordedPath& p = call.paths[0];
  EXPECT_EQ(p.path.count, 4);
  EXPECT_EQ(p.path.closed, 1);
  EXPECT_EQ(p.path.convex, 1);
  EXPECT_EQ(p.path.nbevel, 0);
  EXPECT_EQ(call.fringe, 1.0f);
  EXPECT_EQ(std::vector<float>(call.bounds, call.bounds + 4), (std::vector<float>{0, 0, 10, 10}));
  const float fan[4][2] = {{0.5f, 0.5f}, {0.5f, 9.5f}, {9.5f, 9.5f}, {9.5f, 0.5f}};
  ASSERT_EQ(p.fill.size(), 4u);
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_FLOAT_EQ(p.fill[i].x, fan[i][0]);
    EXPECT_FLOAT_EQ(p.fill[i].y, fan[i][1]);
    EXPECT_EQ(p.fill[i].u, 0.5f);
  }
  // The fringe: inner row on the fan's edge (u 0.5), outer row half a pixel outside (u 1),
  // closed by repeating its first two vertices.
  const float corners[4][2] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  ASSERT_EQ(p.stroke.size(), 10u);
  for (int i = 0; i < 5; ++i)
  {
    const float* c = corners[i % 4];
    const float inx = c[0] < 5 ? 0.5f : -0.5f, iny = c[1] < 5 ? 0.5f : -0.5f;
    EXPECT_FLOAT_EQ(p.stroke[2 * i].x, c[0] + inx);
    EXPECT_FLOAT_EQ(p.stroke[2 * i].y, c[1] + iny);
    EXPECT_EQ(p.stroke[2 * i].u, 0.5f);
    EXPECT_FLOAT_EQ(p.stroke[2 * i + 1].x, c[0] - inx);
    EXPECT_FLOAT_EQ(p.stroke[2 * i + 1].y, c[1] - iny);
    EXPECT_EQ(p.stroke[2 * i + 1].u, 1.0f);
  }
  EXPECT_EQ(f.ctx->drawCallCount, 2);
  EXPECT_EQ(f.ctx->fillTriCount, 10);

  // Without shape antialiasing: the corners themselves and no fringe.
  vgrSetShapeAntiAlias(f.ctx, 0);
  vgrFill(f.ctx);
  const RecordedPath& q = f.Last().paths[0];
  ASSERT_EQ(q.fill.size(), 4u);
  EXPECT_EQ(q.fill[2].x, 10);
  EXPECT_EQ(q.fill[2].y, 10);
  EXPECT_TRUE(q.stroke.empty());
}

TEST(Tessellation, StrokeCountsCapsAndWidths)
{
  auto strokeLine = [](float ratio, float width, int cap) {
    Frame f(ratio);
    vgrBeginPath(f.ctx);
    vgrMoveTo(f.ctx, 10, 10);
    vgrLineTo(f.ctx, 100, 10);
    vgrSetStrokeWidth(f.ctx, width);
    vgrSetLineCap(f.ctx, cap);
    vgrStroke(f.ctx);
    return f.Last();
  };
  EXPECT_EQ(strokeLine(1, 1, VGR_BUTT).paths[0].stroke.size(), 8u);
  EXPECT_EQ(strokeLine(1, 1, VGR_SQUARE).paths[0].stroke.size(), 8u);
  EXPECT_EQ(strokeLine(1, 10, VGR_ROUND).paths[0].stroke.size(), 28u);
  // Round caps have 2 x ncap + 2 vertices each: ncap from the half width and the ratio.
  auto ncap = [&](float ratio, float width) {
    return (static_cast<int>(strokeLine(ratio, width, VGR_ROUND).paths[0].stroke.size()) / 2 - 2) / 2;
  };
  EXPECT_EQ(ncap(1, 1), 2);
  EXPECT_EQ(ncap(1, 2), 3);
  EXPECT_EQ(ncap(1, 10), 6);
  EXPECT_EQ(ncap(1, 20), 8);
  EXPECT_EQ(ncap(2, 10), 8);

  // Butt cap: the outer row (v 0) lies a fringe beyond the end, the inner row half a fringe
  // inside it; the square cap reaches half the width further.
  const RecordedCall butt = strokeLine(1, 4, VGR_BUTT);
  EXPECT_EQ(butt.strokeWidth, 4.0f);
  const std::vector<VGRvertex>& s = butt.paths[0].stroke;
  EXPECT_FLOAT_EQ(s[0].x, 10 - 0.5f);
  EXPECT_EQ(s[0].v, 0.0f);
  EXPECT_FLOAT_EQ(s[2].x, 10 + 0.5f);
  EXPECT_FLOAT_EQ(s[2].y, 10 - 2.5f); // half width plus half a fringe
  EXPECT_EQ(s[2].v, 1.0f);
  const RecordedCall square = strokeLine(1, 4, VGR_SQUARE);
  EXPECT_FLOAT_EQ(square.paths[0].stroke[2].x, 10 - 2.5f + 1);

  // Thin strokes are drawn a fringe wide with coverage squared as alpha; wide ones clamp at
  // 200 after the transform.
  Frame f;
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 0, 0);
  vgrLineTo(f.ctx, 50, 0);
  vgrSetStrokeWidth(f.ctx, 0.5f);
  vgrSetGlobalAlpha(f.ctx, 0.5f);
  vgrStroke(f.ctx);
  EXPECT_EQ(f.Last().strokeWidth, 1.0f);
  EXPECT_FLOAT_EQ(f.Last().paint.innerColor.a, 0.25f * 0.5f);
  vgrSetGlobalAlpha(f.ctx, 1);
  vgrSetStrokeWidth(f.ctx, 300);
  vgrStroke(f.ctx);
  EXPECT_EQ(f.Last().strokeWidth, 200.0f);
  vgrSetStrokeWidth(f.ctx, 40);
  vgrScale(f.ctx, 3, 3);
  vgrStroke(f.ctx);
  EXPECT_EQ(f.Last().strokeWidth, 120.0f);
  EXPECT_EQ(f.ctx->drawCallCount, 3);
  EXPECT_EQ(f.ctx->strokeTriCount, 3 * 6);
}

TEST(Tessellation, FlatteningAndWinding)
{
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  // A cubic with its control points on the chord adds only its end point.
  vgrMoveTo(ctx, 0, 0);
  vgrBezierTo(ctx, 10, 0, 20, 0, 30, 0);
  vgrLineTo(ctx, 30, 30);
  vgrFill(ctx);
  EXPECT_EQ(f.Last().paths[0].path.count, 3);
  // A circle flattens finer at ratio 2; flattening happens once per path, so the count only
  // changes after a new begin-path.
  vgrBeginPath(ctx);
  vgrCircle(ctx, 50, 50, 40);
  vgrFill(ctx);
  const int coarse = f.Last().paths[0].path.count;
  vgrBeginFrame(ctx, 400, 300, 2);
  vgrFill(ctx);
  EXPECT_EQ(f.Last().paths[0].path.count, coarse);
  vgrBeginPath(ctx);
  vgrCircle(ctx, 50, 50, 40);
  vgrFill(ctx);
  EXPECT_GT(f.Last().paths[0].path.count, coarse);

  // A last point on the first closes the path without repeating it.
  vgrBeginFrame(ctx, 400, 300, 1);
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 0, 0);
  vgrLineTo(ctx, 10, 0);
  vgrLineTo(ctx, 10, 10);
  vgrLineTo(ctx, 0.001f, 0);
  vgrStroke(ctx);
  EXPECT_EQ(f.Last().paths[0].path.count, 3);
  EXPECT_EQ(f.Last().paths[0].path.closed, 1);

  // Clockwise drawn with winding 1, or counter-clockwise with winding 2, is reversed.
  auto firstFanTurn = [&](bool clockwise, int winding) {
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, 0, 0);
    if (clockwise)
    {
      vgrLineTo(ctx, 10, 0);
      vgrLineTo(ctx, 10, 10);
    }
    else
    {
      vgrLineTo(ctx, 0, 10);
      vgrLineTo(ctx, 10, 10);
    }
    vgrClosePath(ctx);
    vgrSetPathWinding(ctx, winding);
    vgrSetShapeAntiAlias(ctx, 0);
    vgrFill(ctx);
    const std::vector<VGRvertex>& v = f.Last().paths[0].fill;
    return Turn(v[0], v[1], v[2]);
  };
  EXPECT_GT(firstFanTurn(false, VGR_CCW), 0); // as drawn
  EXPECT_GT(firstFanTurn(true, VGR_CCW), 0);  // reversed
  EXPECT_LT(firstFanTurn(false, VGR_CW), 0);  // reversed
  EXPECT_LT(firstFanTurn(true, VGR_CW), 0);   // as drawn
}

TEST(Tessellation, AnArcWithoutSweepIsAPoint)
{
  // A knob at its anchor draws such an arc: finite commands, no points of its own (like a lone
  // move-to), whatever the direction.
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  for (int dir : {VGR_CW, VGR_CCW})
  {
    vgrBeginPath(ctx);
    vgrArc(ctx, 50, 50, 20, 1.0f, 1.0f, dir);
    for (float v : Commands(ctx))
      EXPECT_TRUE(std::isfinite(v));
    vgrStroke(ctx);
    ASSERT_EQ(f.Last().paths.size(), 1u);
    EXPECT_EQ(f.Last().paths[0].path.count, 0);
  }
}

TEST(Tessellation, CornersJoinsAndDegeneratePaths)
{
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  // A 10 degree corner is beveled under miter limit 10, and in the fill's fringe (limit
  // 2.4); right angles are mitred in both.
  auto spike = [&](bool fill) {
    const float a = 5 * 3.1415927f / 180;
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, 100, 100);
    vgrLineTo(ctx, 100 + 100 * std::cos(a), 100 - 100 * std::sin(a));
    vgrLineTo(ctx, 100 + 100 * std::cos(a), 100 + 100 * std::sin(a));
    vgrClosePath(ctx);
    fill ? vgrFill(ctx) : vgrStroke(ctx);
    return f.Last().paths[0].path.nbevel;
  };
  auto square = [&](bool fill) {
    vgrBeginPath(ctx);
    vgrRect(ctx, 10, 10, 50, 50);
    fill ? vgrFill(ctx) : vgrStroke(ctx);
    return f.Last().paths[0].path.nbevel;
  };
  vgrSetStrokeWidth(ctx, 2);
  EXPECT_EQ(spike(false), 1);
  EXPECT_EQ(spike(true), 1);
  EXPECT_EQ(square(false), 0);
  EXPECT_EQ(f.Last().paths[0].stroke.size(), 4u * 2 + 2);
  EXPECT_EQ(square(true), 0);
  // Bevel and round joins bevel every corner; round ones add the arc.
  vgrSetLineJoin(ctx, VGR_BEVEL);
  EXPECT_EQ(square(false), 4);
  EXPECT_EQ(f.Last().paths[0].stroke.size(), 4u * 8 + 2);
  vgrSetLineJoin(ctx, VGR_ROUND);
  vgrSetStrokeWidth(ctx, 20);
  EXPECT_EQ(square(false), 4);
  EXPECT_EQ(f.Last().paths[0].stroke.size(), 4u * (2 + 2 * 4 + 2) + 2); // 4 divisions of ncap 8

  // An empty path still reaches the back end, with no paths and empty bounds; the counters
  // stay.
  vgrBeginFrame(ctx, 400, 300, 1);
  vgrBeginPath(ctx);
  vgrFill(ctx);
  EXPECT_TRUE(f.Last().paths.empty());
  EXPECT_EQ(std::vector<float>(f.Last().bounds, f.Last().bounds + 4), (std::vector<float>{1e6f, 1e6f, -1e6f, -1e6f}));
  vgrStroke(ctx);
  EXPECT_EQ(f.Last().kind, RecordedCall::Stroke);
  EXPECT_TRUE(f.Last().paths.empty());
  EXPECT_EQ(ctx->fillTriCount + ctx->strokeTriCount, 0);
  // A lone move-to, or a move and a line to the same point: a closed path without points;
  // a two-vertex strip that draws nothing.
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 5, 5);
  vgrMoveTo(ctx, 7, 7);
  vgrLineTo(ctx, 7, 7);
  vgrStroke(ctx);
  ASSERT_EQ(f.Last().paths.size(), 2u);
  for (const RecordedPath& p : f.Last().paths)
  {
    EXPECT_EQ(p.path.count, 0);
    EXPECT_EQ(p.path.closed, 1);
    EXPECT_EQ(p.stroke.size(), 2u);
    EXPECT_TRUE(p.fill.empty());
  }
  vgrFill(ctx);
  for (const RecordedPath& p : f.Last().paths)
  {
    EXPECT_TRUE(p.fill.empty());
    EXPECT_EQ(p.stroke.size(), 2u);
  }
  EXPECT_EQ(ctx->fillTriCount, 0);
}

TEST(Tessellation, RepeatedFillsAllocateNothingMore)
{
  Frame f;
  auto draw = [&] {
    vgrBeginPath(f.ctx);
    vgrRoundedRect(f.ctx, 10, 10, 200, 100, 12);
    vgrCircle(f.ctx, 300, 150, 60);
    vgrFill(f.ctx);
    vgrSetLineJoin(f.ctx, VGR_ROUND);
    vgrSetStrokeWidth(f.ctx, 7);
    vgrStroke(f.ctx);
  };
  draw();
  const int cpoints = f.ctx->cache->cpoints, cverts = f.ctx->cache->cverts;
  VGRAllocFailure counter(-1);
  for (int i = 0; i < 20; ++i)
    draw();
  EXPECT_EQ(VGRAllocFailure::Count(), 0);
  EXPECT_EQ(f.ctx->cache->cpoints, cpoints);
  EXPECT_EQ(f.ctx->cache->cverts, cverts);
}

TEST(Tessellation, FailedGrowthEmptiesThePaths)
{
  // 400 squares fill within the vertex array; their round-joined stroke needs it larger.
  Frame f;
  vgrBeginPath(f.ctx);
  for (int i = 0; i < 400; ++i)
    vgrRect(f.ctx, static_cast<float>(i * 2), 0, 1, 5);
  vgrFill(f.ctx);
  ASSERT_EQ(f.Last().paths.size(), 400u);
  EXPECT_FALSE(f.Last().paths[399].fill.empty());
  vgrSetLineJoin(f.ctx, VGR_ROUND);
  vgrSetStrokeWidth(f.ctx, 30);
  {
    VGRAllocFailure fail;
    vgrStroke(f.ctx);
  }
  // The stroke is still handed over, with every path empty rather than stale.
  ASSERT_EQ(f.Last().kind, RecordedCall::Stroke);
  ASSERT_EQ(f.Last().paths.size(), 400u);
  for (const RecordedPath& p : f.Last().paths)
  {
    EXPECT_TRUE(p.stroke.empty());
    EXPECT_TRUE(p.fill.empty());
  }
  vgrStroke(f.ctx);
  EXPECT_FALSE(f.Last().paths[399].stroke.empty());
}

TEST(Tessellation, GeometryInvariantsOverSharpWideAndRoundPaths)
{
  std::mt19937 rng(77);
  std::uniform_real_distribution<float> coord(-50, 450);
  const int joins[] = {VGR_MITER, VGR_ROUND, VGR_BEVEL};
  const int caps[] = {VGR_BUTT, VGR_ROUND, VGR_SQUARE};
  for (float ratio : {1.0f, 2.0f})
  {
    Frame f(ratio);
    VGRdrawContext* ctx = f.ctx;
    for (int round = 0; round < 60; ++round)
    {
      // Polylines with spikes (points doubling back), tiny segments and curves.
      vgrBeginPath(ctx);
      const int subpaths = 1 + round % 3;
      for (int s = 0; s < subpaths; ++s)
      {
        float x = coord(rng), y = coord(rng);
        vgrMoveTo(ctx, x, y);
        for (int i = 0; i < 8; ++i)
        {
          const int kind = static_cast<int>(rng() % 4);
          if (kind == 0)
            vgrLineTo(ctx, x + 0.05f, y + 0.02f); // nearly a repeat
          else if (kind == 1)
            vgrLineTo(ctx, x = coord(rng), y = coord(rng));
          else if (kind == 2)
            vgrLineTo(ctx, x - 200, y + 1); // a spike back
          else
            vgrBezierTo(ctx, coord(rng), coord(rng), coord(rng), coord(rng), x = coord(rng), y = coord(rng));
        }
        if (round % 2)
          vgrClosePath(ctx);
      }
      const int join = joins[round % 3];
      const int cap = caps[(round / 3) % 3];
      const float width = round % 4 == 0 ? 300.0f : round % 4 == 1 ? 200.0f : 0.3f + static_cast<float>(round);
      vgrSetLineJoin(ctx, join);
      vgrSetLineCap(ctx, cap);
      vgrSetStrokeWidth(ctx, width);
      vgrSetMiterLimit(ctx, round % 5 == 0 ? 1.0f : 10.0f);

      vgrStroke(ctx);
      const RecordedCall& stroke = f.Last();
      const float w = stroke.strokeWidth * 0.5f;
      const float tol = 0.25f / ratio;
      const int ncap = std::max(2, static_cast<int>(std::ceil(3.1415927f / (std::acos(w / (w + tol)) * 2))));
      for (const RecordedPath& p : stroke.paths)
      {
        ASSERT_TRUE(p.fill.empty());
        ASSERT_LE(static_cast<int>(p.stroke.size()), StrokeBudget(p, join, cap, ncap));
        ExpectSaneVertices(p.stroke);
      }

      vgrFill(ctx);
      const RecordedCall& fill = f.Last();
      for (const RecordedPath& p : fill.paths)
      {
        ASSERT_LE(static_cast<int>(p.fill.size() + p.stroke.size()), FillBudget(p, true));
        ExpectSaneVertices(p.fill);
        ExpectSaneVertices(p.stroke);
      }
    }
  }
}

TEST(Tessellation, ConvexFansFaceForwardAndStripsRunLeftThenRight)
{
  // Convex shapes in any order of drawing: every fan triangle turns the way of a solid
  // shape (counter-clockwise on the y-down screen, clockwise once the back end flips y), and
  // the fringe's inner row is the fan's edge.
  Frame f;
  VGRdrawContext* ctx = f.ctx;
  for (int shape = 0; shape < 4; ++shape)
  {
    vgrBeginPath(ctx);
    if (shape == 0)
      vgrCircle(ctx, 100, 100, 50);
    else if (shape == 1)
      vgrRoundedRect(ctx, 10, 10, 80, 40, 9);
    else if (shape == 2)
    {
      vgrMoveTo(ctx, 0, 0); // clockwise on screen: reversed
      vgrLineTo(ctx, 100, 0);
      vgrLineTo(ctx, 50, 80);
    }
    else
      vgrEllipse(ctx, 200, 100, 90, 20);
    vgrFill(ctx);
    ASSERT_EQ(f.Last().paths.size(), 1u);
    const RecordedPath& p = f.Last().paths[0];
    ASSERT_EQ(p.path.convex, 1) << shape;
    const std::vector<VGRvertex>& v = p.fill;
    for (std::size_t i = 1; i + 1 < v.size(); ++i)
      EXPECT_GE(Turn(v[0], v[i], v[i + 1]), -1e-3f) << "shape " << shape << " triangle " << i;
    for (std::size_t i = 0; p.path.nbevel == 0 && i < p.stroke.size(); i += 2)
      EXPECT_EQ(p.stroke[i].u, 0.5f);
  }

  // A stroke's strip pairs a left vertex with a right one at every plain join.
  vgrBeginPath(ctx);
  vgrMoveTo(ctx, 10, 10);
  for (int i = 1; i < 12; ++i)
    vgrLineTo(ctx, 10.0f + 30 * i, i % 2 ? 30.0f : 10.0f);
  vgrSetStrokeWidth(ctx, 6);
  vgrSetLineJoin(ctx, VGR_MITER);
  vgrStroke(ctx);
  const RecordedPath& p = f.Last().paths[0];
  ASSERT_EQ(p.path.nbevel, 0);
  // After the 4-vertex start cap, one pair per inner point, then the end cap.
  ASSERT_EQ(p.stroke.size(), 4u + 2 * 10 + 4);
  const VGRflatPoint* pts = &ctx->cache->points[p.path.first];
  for (int j = 1; j <= 10; ++j)
  {
    const VGRvertex& left = p.stroke[4 + 2 * (j - 1)];
    const VGRvertex& right = p.stroke[5 + 2 * (j - 1)];
    EXPECT_EQ(left.u, 0.0f);
    EXPECT_EQ(right.u, 1.0f);
    // Left of the direction of travel (dy, -dx) on the y-down screen.
    const float ldot = (left.x - pts[j].x) * pts[j].dy - (left.y - pts[j].y) * pts[j].dx;
    const float rdot = (right.x - pts[j].x) * pts[j].dy - (right.y - pts[j].y) * pts[j].dx;
    EXPECT_GT(ldot, 0) << j;
    EXPECT_LT(rdot, 0) << j;
  }
}

// Input that is not a number, or that overflows once transformed, never reaches the back end:
// such commands are not recorded, widths and pixel ratios that are not numbers are replaced,
// and every vertex handed over is finite. Curves huge in device space still draw.
TEST(Tessellation, NonFiniteAndExtremeInputGivesOnlyFiniteVertices)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float ratio : {0.f, -1.f, inf, nan})
  {
    Frame f(ratio);
    EXPECT_TRUE(f.ctx->fringeWidth > 0.f && std::isfinite(f.ctx->fringeWidth)) << ratio;
    EXPECT_TRUE(f.rec.viewport[2] > 0.f && std::isfinite(f.rec.viewport[2])) << ratio;
  }
  float inv[6];
  const float nanMatrix[6] = {nan, 0, 0, 1, 0, 0};
  EXPECT_EQ(vgrMatrixInvert(inv, nanMatrix), 0);

  Frame f;
  VGRdrawContext* ctx = f.ctx;
  // Commands with a coordinate that is not a number, before or after the transform.
  vgrMoveTo(ctx, nan, 0);
  for (int i = 0; i < 10000; ++i)
    vgrBezierTo(ctx, 0, inf, 1, 1, 2, 2);
  vgrPushState(ctx);
  vgrScale(ctx, 10, 10);
  vgrLineTo(ctx, 3e38f, 0);
  vgrApplyTransform(ctx, nan, 0, 0, 1, 0, 0);
  vgrLineTo(ctx, 1, 1);
  vgrPopState(ctx);
  EXPECT_EQ(ctx->ncommands, 0);

  // Finite extremes, a stroke width that is not a number, an unknown winding.
  auto draw = [&](float width) {
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, -3e38f, -3e38f);
    vgrLineTo(ctx, 3e38f, -3e38f);
    vgrLineTo(ctx, 3e38f, 3e38f);
    vgrLineTo(ctx, 1e30f, 3e38f);
    vgrLineTo(ctx, 3e38f, 1e-30f);
    vgrSetPathWinding(ctx, INT_MAX);
    vgrMoveTo(ctx, 0, 0);
    vgrBezierTo(ctx, 1e37f, 0, -1e37f, 1, 0, 2);
    vgrSetStrokeWidth(ctx, width);
    vgrSetLineJoin(ctx, VGR_ROUND);
    vgrFill(ctx);
    vgrStroke(ctx);
  };
  draw(nan);
  draw(inf);
  draw(1e30f);
  ASSERT_EQ(f.rec.calls.size(), 6u);
  for (const RecordedCall& call : f.rec.calls)
    for (const RecordedPath& p : call.paths)
    {
      ExpectSaneVertices(p.fill);
      ExpectSaneVertices(p.stroke);
    }

  // A circle of radius 1e7 is a circle: its last subdivision adds its end point, so each of its
  // four cubics gives at most 1024 segments.
  vgrBeginPath(ctx);
  vgrCircle(ctx, 0, 0, 1e7f);
  vgrFill(ctx);
  const RecordedPath& circle = f.Last().paths.at(0);
  EXPECT_GT(circle.path.count, 4 * 512);
  EXPECT_LE(circle.path.count, 4 * 1024);
  EXPECT_NEAR(f.Last().bounds[2], 1e7f, 1.f);
}
