// Flattening the command buffer into point lists, joins, and the fill and stroke geometry
// handed to the back end.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRConvert.h"
#include "graphics/renderer/VGRMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

// Divisions of a half circle, at most: enough for any sane width and pixel ratio.
constexpr int kMaxCurveDivs = 1024;

float TriArea2(float ax, float ay, float bx, float by, float cx, float cy)
{
  const float abx = bx - ax;
  const float aby = by - ay;
  const float acx = cx - ax;
  const float acy = cy - ay;
  return acx * aby - abx * acy;
}

float PolyArea(const VGRflatPoint* pts, int npts)
{
  float area = 0;
  for (int i = 2; i < npts; i++)
    area += TriArea2(pts[0].x, pts[0].y, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y);
  return area * 0.5f;
}

void PolyReverse(VGRflatPoint* pts, int npts)
{
  for (int i = 0, j = npts - 1; i < j; i++, j--)
    std::swap(pts[i], pts[j]);
}

VGRvertex* Vset(VGRvertex* vtx, float x, float y, float u, float v)
{
  vtx->x = x;
  vtx->y = y;
  vtx->u = u;
  vtx->v = v;
  return vtx + 1;
}

// Divisions of an arc of the given angle that keep the chord error within the tolerance.
int CurveDivs(float r, float arc, float tol)
{
  const float da = std::acos(r / (r + tol)) * 2.0f;
  const int divs = vgrSaturateInt(std::ceil(arc / da));
  return std::min(kMaxCurveDivs, std::max(2, divs));
}

// -- flattening -----------------------------------------------------------------------------

VGRpath* LastPath(VGRdrawContext* ctx)
{
  VGRgeometryCache* cache = ctx->cache;
  return cache->npaths > 0 ? &cache->paths[cache->npaths - 1] : nullptr;
}

void AddPath(VGRdrawContext* ctx)
{
  VGRgeometryCache* cache = ctx->cache;
  if (!vgrGrowArray(cache->paths, cache->npaths + 1, cache->cpaths))
    return;
  VGRpath* path = &cache->paths[cache->npaths];
  std::memset(path, 0, sizeof(*path));
  path->first = cache->npoints;
  path->winding = VGR_CCW;
  cache->npaths++;
}

void AddPoint(VGRdrawContext* ctx, float x, float y, int flags)
{
  VGRpath* path = LastPath(ctx);
  if (!path)
    return;
  VGRgeometryCache* cache = ctx->cache;
  if (path->count > 0 && cache->npoints > 0)
  {
    VGRflatPoint* pt = &cache->points[cache->npoints - 1];
    if (vgrPtEquals(pt->x, pt->y, x, y, ctx->distTol))
    {
      pt->flags = static_cast<unsigned char>(pt->flags | flags);
      return;
    }
  }
  if (!vgrGrowArray(cache->points, cache->npoints + 1, cache->cpoints))
    return;
  VGRflatPoint* pt = &cache->points[cache->npoints];
  std::memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = static_cast<unsigned char>(flags);
  cache->npoints++;
  path->count++;
}

// Ten halvings at most: a curve not flat by then (one huge in device space) takes the end
// point of each of its 1024 pieces.
constexpr int kMaxSubdivisionLevel = 10;

void SubdivideBezier(VGRdrawContext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4, int level, int type)
{
  const float x12 = (x1 + x2) * 0.5f, y12 = (y1 + y2) * 0.5f;
  const float x23 = (x2 + x3) * 0.5f, y23 = (y2 + y3) * 0.5f;
  const float x34 = (x3 + x4) * 0.5f, y34 = (y3 + y4) * 0.5f;
  const float x123 = (x12 + x23) * 0.5f, y123 = (y12 + y23) * 0.5f;

  const float dx = x4 - x1;
  const float dy = y4 - y1;
  // A curve shrunk to a point (an arc of no sweep) has no chord to measure flatness against:
  // it is its end point, not a thousand subdivisions of it.
  const float tol = ctx->distTol;
  if (std::fabs(dx) <= tol && std::fabs(dy) <= tol && std::fabs(x2 - x4) <= tol && std::fabs(y2 - y4) <= tol &&
      std::fabs(x3 - x4) <= tol && std::fabs(y3 - y4) <= tol)
  {
    AddPoint(ctx, x4, y4, type);
    return;
  }
  const float d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
  const float d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
  if ((d2 + d3) * (d2 + d3) < ctx->tessTol * (dx * dx + dy * dy) || level >= kMaxSubdivisionLevel)
  {
    AddPoint(ctx, x4, y4, type);
    return;
  }

  const float x234 = (x23 + x34) * 0.5f, y234 = (y23 + y34) * 0.5f;
  const float x1234 = (x123 + x234) * 0.5f, y1234 = (y123 + y234) * 0.5f;
  SubdivideBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0);
  SubdivideBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type);
}

void FlattenCommands(VGRdrawContext* ctx)
{
  VGRgeometryCache* cache = ctx->cache;
  if (cache->npaths > 0)
    return; // flattened once per path

  const float* cmd = ctx->commands;
  const int n = ctx->ncommands;
  for (int i = 0; i < n;)
  {
    const int code = static_cast<int>(cmd[i]);
    switch (code)
    {
    case VGR_MOVETO:
      AddPath(ctx);
      AddPoint(ctx, cmd[i + 1], cmd[i + 2], VGR_PT_CORNER);
      i += 3;
      break;
    case VGR_LINETO:
      AddPoint(ctx, cmd[i + 1], cmd[i + 2], VGR_PT_CORNER);
      i += 3;
      break;
    case VGR_BEZIERTO:
      if (cache->npoints > 0)
      {
        const VGRflatPoint& last = cache->points[cache->npoints - 1];
        SubdivideBezier(ctx, last.x, last.y, cmd[i + 1], cmd[i + 2], cmd[i + 3], cmd[i + 4], cmd[i + 5], cmd[i + 6], 0,
                        VGR_PT_CORNER);
      }
      i += 7;
      break;
    case VGR_CLOSE:
      if (VGRpath* path = LastPath(ctx))
        path->closed = 1;
      i++;
      break;
    case VGR_WINDING:
      if (VGRpath* path = LastPath(ctx))
        path->winding = static_cast<int>(cmd[i + 1]);
      i += 2;
      break;
    default:
      i++;
    }
  }

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  for (int j = 0; j < cache->npaths; j++)
  {
    VGRpath* path = &cache->paths[j];
    if (path->count == 0)
      continue;
    VGRflatPoint* pts = &cache->points[path->first];

    // A last point on the first closes the path.
    if (vgrPtEquals(pts[path->count - 1].x, pts[path->count - 1].y, pts[0].x, pts[0].y, ctx->distTol))
    {
      path->count--;
      path->closed = 1;
    }
    if (path->count > 2)
    {
      const float area = PolyArea(pts, path->count);
      if ((path->winding == VGR_CCW && area < 0.0f) || (path->winding == VGR_CW && area > 0.0f))
        PolyReverse(pts, path->count);
    }
    for (int i = 0; i < path->count; i++)
    {
      VGRflatPoint* p0 = &pts[i];
      const VGRflatPoint* p1 = &pts[i + 1 < path->count ? i + 1 : 0];
      p0->dx = p1->x - p0->x;
      p0->dy = p1->y - p0->y;
      p0->len = vgrNormalize(p0->dx, p0->dy);
      cache->bounds[0] = std::fmin(cache->bounds[0], p0->x);
      cache->bounds[1] = std::fmin(cache->bounds[1], p0->y);
      cache->bounds[2] = std::fmax(cache->bounds[2], p0->x);
      cache->bounds[3] = std::fmax(cache->bounds[3], p0->y);
    }
  }
}

// -- joins ------------------------------------------------------------------------------------

// Whether the directions of a closed path's segments go round only once. Left turns alone do not
// make a path convex: a self-crossing star turns left at every point but goes round twice. Once
// round, the x direction changes sign twice; nearly vertical segments do not count.
bool TurnsOnce(const VGRflatPoint* pts, int count)
{
  constexpr float kVertical = 1e-3f;
  int changes = 0, first = 0, last = 0;
  for (int j = 0; j < count; j++)
  {
    const int sign = pts[j].dx > kVertical ? 1 : pts[j].dx < -kVertical ? -1 : 0;
    if (sign == 0)
      continue;
    if (first == 0)
      first = sign;
    else if (sign != last)
      changes++;
    last = sign;
  }
  if (last != first)
    changes++;
  return changes <= 2;
}

void ComputeJoins(VGRdrawContext* ctx, float w, int lineJoin, float miterLimit)
{
  VGRgeometryCache* cache = ctx->cache;
  const float iw = w > 0.0f ? 1.0f / w : 0.0f;
  for (int i = 0; i < cache->npaths; i++)
  {
    VGRpath* path = &cache->paths[i];
    VGRflatPoint* pts = &cache->points[path->first];
    int nleft = 0;
    path->nbevel = 0;
    for (int j = 0; j < path->count; j++)
    {
      const VGRflatPoint* p0 = &pts[j > 0 ? j - 1 : path->count - 1];
      VGRflatPoint* p1 = &pts[j];
      const float dlx0 = p0->dy, dly0 = -p0->dx;
      const float dlx1 = p1->dy, dly1 = -p1->dx;
      // The extrusion vector: the unit normal on a straight line, reaching the miter point
      // at a corner (at most 600 times as long).
      p1->dmx = (dlx0 + dlx1) * 0.5f;
      p1->dmy = (dly0 + dly1) * 0.5f;
      const float dmr2 = p1->dmx * p1->dmx + p1->dmy * p1->dmy;
      if (dmr2 > 0.000001f)
      {
        const float scale = std::min(600.0f, 1.0f / dmr2);
        p1->dmx *= scale;
        p1->dmy *= scale;
      }
      p1->flags = (p1->flags & VGR_PT_CORNER) ? VGR_PT_CORNER : 0;
      const float cross = p1->dx * p0->dy - p0->dx * p1->dy;
      if (cross > 0.0f)
      {
        nleft++;
        p1->flags |= VGR_PT_LEFT;
      }
      // Segments too short for the inner miter.
      const float limit = std::max(1.01f, std::min(p0->len, p1->len) * iw);
      if (dmr2 * limit * limit < 1.0f)
        p1->flags |= VGR_PT_INNERBEVEL;
      if ((p1->flags & VGR_PT_CORNER) &&
          (dmr2 * miterLimit * miterLimit < 1.0f || lineJoin == VGR_BEVEL || lineJoin == VGR_ROUND))
        p1->flags |= VGR_PT_BEVEL;
      if (p1->flags & (VGR_PT_BEVEL | VGR_PT_INNERBEVEL))
        path->nbevel++;
    }
    path->convex = nleft == path->count && TurnsOnce(pts, path->count) ? 1 : 0;
  }
}

// -- geometry -----------------------------------------------------------------------------------

void ChooseBevel(int bevel, const VGRflatPoint* p0, const VGRflatPoint* p1, float w, float* x0, float* y0, float* x1,
                 float* y1)
{
  if (bevel)
  {
    *x0 = p1->x + p0->dy * w;
    *y0 = p1->y - p0->dx * w;
    *x1 = p1->x + p1->dy * w;
    *y1 = p1->y - p1->dx * w;
  }
  else
  {
    *x0 = p1->x + p1->dmx * w;
    *y0 = p1->y + p1->dmy * w;
    *x1 = p1->x + p1->dmx * w;
    *y1 = p1->y + p1->dmy * w;
  }
}

VGRvertex* RoundJoin(VGRvertex* dst, const VGRflatPoint* p0, const VGRflatPoint* p1, float lw, float rw, float lu,
                     float ru, int ncap)
{
  const float dlx0 = p0->dy, dly0 = -p0->dx;
  const float dlx1 = p1->dy, dly1 = -p1->dx;
  const int inner = p1->flags & VGR_PT_INNERBEVEL;
  if (p1->flags & VGR_PT_LEFT)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(inner, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    const float a0 = std::atan2(-dly0, -dlx0);
    float a1 = std::atan2(-dly1, -dlx1);
    if (a1 > a0)
      a1 -= kVGRPi * 2;
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    const int n = std::clamp(vgrSaturateInt(std::ceil(((a0 - a1) / kVGRPi) * ncap)), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      const float u = static_cast<float>(i) / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x + std::cos(a) * rw, p1->y + std::sin(a) * rw, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(inner, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    const float a0 = std::atan2(dly0, dlx0);
    float a1 = std::atan2(dly1, dlx1);
    if (a1 < a0)
      a1 += kVGRPi * 2;
    dst = Vset(dst, p1->x + dlx0 * rw, p1->y + dly0 * rw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    const int n = std::clamp(vgrSaturateInt(std::ceil(((a1 - a0) / kVGRPi) * ncap)), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      const float u = static_cast<float>(i) / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      dst = Vset(dst, p1->x + std::cos(a) * lw, p1->y + std::sin(a) * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, rx1, ry1, ru, 1);
    dst = Vset(dst, p1->x + dlx1 * rw, p1->y + dly1 * rw, lu, 1);
  }
  return dst;
}

VGRvertex* BevelJoin(VGRvertex* dst, const VGRflatPoint* p0, const VGRflatPoint* p1, float lw, float rw, float lu,
                     float ru)
{
  const float dlx0 = p0->dy, dly0 = -p0->dx;
  const float dlx1 = p1->dy, dly1 = -p1->dx;
  const int inner = p1->flags & VGR_PT_INNERBEVEL;
  if (p1->flags & VGR_PT_LEFT)
  {
    float lx0, ly0, lx1, ly1;
    ChooseBevel(inner, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    dst = Vset(dst, lx0, ly0, lu, 1);
    dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    if (p1->flags & VGR_PT_BEVEL)
    {
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, lx1, ly1, lu, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    else
    {
      const float rx0 = p1->x - p1->dmx * rw;
      const float ry0 = p1->y - p1->dmy * rw;
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    dst = Vset(dst, lx1, ly1, lu, 1);
    dst = Vset(dst, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    ChooseBevel(inner, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    dst = Vset(dst, rx0, ry0, ru, 1);
    if (p1->flags & VGR_PT_BEVEL)
    {
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, rx0, ry0, ru, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, rx1, ry1, ru, 1);
    }
    else
    {
      const float lx0 = p1->x + p1->dmx * lw;
      const float ly0 = p1->y + p1->dmy * lw;
      dst = Vset(dst, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, lx0, ly0, lu, 1);
      dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
    }
    dst = Vset(dst, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    dst = Vset(dst, rx1, ry1, ru, 1);
  }
  return dst;
}

VGRvertex* ButtCapStart(VGRvertex* dst, const VGRflatPoint* p, float dx, float dy, float w, float d, float aa, float u0,
                        float u1)
{
  const float px = p->x - dx * d;
  const float py = p->y - dy * d;
  const float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGRvertex* ButtCapEnd(VGRvertex* dst, const VGRflatPoint* p, float dx, float dy, float w, float d, float aa, float u0,
                      float u1)
{
  const float px = p->x + dx * d;
  const float py = p->y + dy * d;
  const float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  dst = Vset(dst, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  dst = Vset(dst, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

VGRvertex* RoundCapStart(VGRvertex* dst, const VGRflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                         float u1)
{
  const float px = p->x, py = p->y;
  const float dlx = dy, dly = -dx;
  for (int i = 0; i < ncap; i++)
  {
    const float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kVGRPi;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    dst = Vset(dst, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    dst = Vset(dst, px, py, 0.5f, 1);
  }
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGRvertex* RoundCapEnd(VGRvertex* dst, const VGRflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                       float u1)
{
  const float px = p->x, py = p->y;
  const float dlx = dy, dly = -dx;
  dst = Vset(dst, px + dlx * w, py + dly * w, u0, 1);
  dst = Vset(dst, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; i++)
  {
    const float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kVGRPi;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    dst = Vset(dst, px, py, 0.5f, 1);
    dst = Vset(dst, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

// The cap at the start (at p0) or the end (at p1) of the segment p0..p1 of an open path;
// none for a cap value that is no cap.
VGRvertex* Cap(VGRvertex* dst, bool start, const VGRflatPoint* p0, const VGRflatPoint* p1, float w, float aa,
               int lineCap, int ncap, float u0, float u1)
{
  float dx = p1->x - p0->x, dy = p1->y - p0->y;
  vgrNormalize(dx, dy);
  const VGRflatPoint* p = start ? p0 : p1;
  if (lineCap == VGR_BUTT || lineCap == VGR_SQUARE)
  {
    const float d = lineCap == VGR_BUTT ? -aa * 0.5f : w - aa;
    return start ? ButtCapStart(dst, p, dx, dy, w, d, aa, u0, u1) : ButtCapEnd(dst, p, dx, dy, w, d, aa, u0, u1);
  }
  if (lineCap == VGR_ROUND)
    return start ? RoundCapStart(dst, p, dx, dy, w, ncap, u0, u1) : RoundCapEnd(dst, p, dx, dy, w, ncap, u0, u1);
  return dst;
}

// The strip of a path without points, or of an open path of one: two vertices that draw
// nothing.
VGRvertex* EmptyStrip(VGRvertex* dst, const VGRflatPoint* pts, int count, float lu, float ru)
{
  const float x = count > 0 ? pts[0].x : 0.0f;
  const float y = count > 0 ? pts[0].y : 0.0f;
  dst = Vset(dst, x, y, lu, 1);
  return Vset(dst, x, y, ru, 1);
}

void BuildFillGeometry(VGRdrawContext* ctx, float w, int lineJoin, float miterLimit)
{
  VGRgeometryCache* cache = ctx->cache;
  const float aa = ctx->fringeWidth;
  const bool fringe = w > 0.0f;
  ComputeJoins(ctx, w, lineJoin, miterLimit);

  int64_t budget = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGRpath& path = cache->paths[i];
    budget += int64_t(path.count) + path.nbevel + 1;
    if (fringe)
      budget += (int64_t(path.count) + int64_t(path.nbevel) * 5 + 1) * 2;
  }
  VGRvertex* verts = vgrAllocTempVerts(ctx, budget);
  if (!verts)
    return;

  const bool convex = cache->npaths == 1 && cache->paths[0].convex;
  const float woff = 0.5f * aa;
  for (int i = 0; i < cache->npaths; i++)
  {
    VGRpath* path = &cache->paths[i];
    const VGRflatPoint* pts = &cache->points[path->first];
    const int count = path->count;

    // The fan: with a fringe, each point moved half a fringe inwards.
    VGRvertex* dst = verts;
    for (int j = 0; j < count; j++)
    {
      const VGRflatPoint* p0 = &pts[j > 0 ? j - 1 : count - 1];
      const VGRflatPoint* p1 = &pts[j];
      if (!fringe)
        dst = Vset(dst, p1->x, p1->y, 0.5f, 1);
      else if ((p1->flags & VGR_PT_BEVEL) && !(p1->flags & VGR_PT_LEFT))
      {
        dst = Vset(dst, p1->x + p0->dy * woff, p1->y - p0->dx * woff, 0.5f, 1);
        dst = Vset(dst, p1->x + p1->dy * woff, p1->y - p1->dx * woff, 0.5f, 1);
      }
      else
        dst = Vset(dst, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
    }
    path->nfill = static_cast<int>(dst - verts);
    path->fill = path->nfill > 0 ? verts : nullptr;
    verts = dst;

    if (!fringe)
    {
      path->stroke = nullptr;
      path->nstroke = 0;
      continue;
    }
    // The fringe strip; a convex shape's inner row lies on the fan's edge.
    float lw = w + woff;
    const float rw = w - woff;
    float lu = 0;
    const float ru = 1;
    if (convex)
    {
      lw = woff;
      lu = 0.5f;
    }
    dst = verts;
    if (count == 0)
      dst = EmptyStrip(dst, pts, count, lu, ru);
    else
    {
      for (int j = 0; j < count; j++)
      {
        const VGRflatPoint* p0 = &pts[j > 0 ? j - 1 : count - 1];
        const VGRflatPoint* p1 = &pts[j];
        if (p1->flags & (VGR_PT_BEVEL | VGR_PT_INNERBEVEL))
          dst = BevelJoin(dst, p0, p1, lw, rw, lu, ru);
        else
        {
          dst = Vset(dst, p1->x + p1->dmx * lw, p1->y + p1->dmy * lw, lu, 1);
          dst = Vset(dst, p1->x - p1->dmx * rw, p1->y - p1->dmy * rw, ru, 1);
        }
      }
      dst = Vset(dst, verts[0].x, verts[0].y, lu, 1);
      dst = Vset(dst, verts[1].x, verts[1].y, ru, 1);
    }
    path->stroke = verts;
    path->nstroke = static_cast<int>(dst - verts);
    verts = dst;
  }
}

void BuildStrokeGeometry(VGRdrawContext* ctx, float w, float aa, int lineCap, int lineJoin, float miterLimit)
{
  VGRgeometryCache* cache = ctx->cache;
  const int ncap = CurveDivs(w, kVGRPi, ctx->tessTol);
  w += aa * 0.5f;
  float u0 = 0.0f, u1 = 1.0f;
  if (aa == 0.0f)
    u0 = u1 = 0.5f;
  ComputeJoins(ctx, w, lineJoin, miterLimit);

  int64_t budget = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGRpath& path = cache->paths[i];
    if (lineJoin == VGR_ROUND)
      budget += (int64_t(path.count) + int64_t(path.nbevel) * (ncap + 2) + 1) * 2;
    else
      budget += (int64_t(path.count) + int64_t(path.nbevel) * 5 + 1) * 2;
    if (!path.closed)
      budget += lineCap == VGR_ROUND ? (int64_t(ncap) * 2 + 2) * 2 : 12;
  }
  VGRvertex* verts = vgrAllocTempVerts(ctx, budget);
  if (!verts)
    return;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGRpath* path = &cache->paths[i];
    const VGRflatPoint* pts = &cache->points[path->first];
    const int count = path->count;
    path->fill = nullptr;
    path->nfill = 0;

    VGRvertex* dst = verts;
    const bool loop = path->closed != 0;
    if (count == 0 || (!loop && count < 2))
      dst = EmptyStrip(dst, pts, count, u0, u1);
    else
    {
      const VGRflatPoint* p0 = loop ? &pts[count - 1] : &pts[0];
      const VGRflatPoint* p1 = loop ? &pts[0] : &pts[1];
      const int s = loop ? 0 : 1;
      const int e = loop ? count : count - 1;
      if (!loop)
        dst = Cap(dst, true, p0, p1, w, aa, lineCap, ncap, u0, u1);
      for (int j = s; j < e; ++j)
      {
        if (p1->flags & (VGR_PT_BEVEL | VGR_PT_INNERBEVEL))
        {
          if (lineJoin == VGR_ROUND)
            dst = RoundJoin(dst, p0, p1, w, w, u0, u1, ncap);
          else
            dst = BevelJoin(dst, p0, p1, w, w, u0, u1);
        }
        else
        {
          dst = Vset(dst, p1->x + p1->dmx * w, p1->y + p1->dmy * w, u0, 1);
          dst = Vset(dst, p1->x - p1->dmx * w, p1->y - p1->dmy * w, u1, 1);
        }
        p0 = p1++;
      }
      if (loop)
      {
        dst = Vset(dst, verts[0].x, verts[0].y, u0, 1);
        dst = Vset(dst, verts[1].x, verts[1].y, u1, 1);
      }
      else
        dst = Cap(dst, false, p0, p1, w, aa, lineCap, ncap, u0, u1);
    }
    path->stroke = verts;
    path->nstroke = static_cast<int>(dst - verts);
    verts = dst;
  }
}

} // namespace

// The vertex array with room for n vertices (grown in steps of 256), or null; on failure
// every path is emptied so that nothing stale is drawn.
VGRvertex* vgrAllocTempVerts(VGRdrawContext* ctx, long long n)
{
  VGRgeometryCache* cache = ctx->cache;
  if (n > cache->cverts)
  {
    const long long cverts = (n + 0xff) & ~0xffLL;
    VGRvertex* verts = nullptr;
    if (cverts <= INT32_MAX / static_cast<long long>(sizeof(VGRvertex)))
      verts = static_cast<VGRvertex*>(vgrRealloc(cache->verts, sizeof(VGRvertex) * static_cast<std::size_t>(cverts)));
    if (!verts)
    {
      for (int i = 0; i < cache->npaths; i++)
      {
        cache->paths[i].fill = cache->paths[i].stroke = nullptr;
        cache->paths[i].nfill = cache->paths[i].nstroke = 0;
      }
      return nullptr;
    }
    cache->verts = verts;
    cache->cverts = static_cast<int>(cverts);
  }
  return cache->verts;
}

void vgrFill(VGRdrawContext* ctx)
{
  VGRdrawState* state = vgrGetState(ctx);
  VGRpaint fillPaint = state->fill;
  FlattenCommands(ctx);
  const bool antialias = ctx->params.edgeAntiAlias && state->shapeAntiAlias;
  BuildFillGeometry(ctx, antialias ? ctx->fringeWidth : 0.0f, VGR_MITER, 2.4f);
  vgrMultiplyAlpha(fillPaint, state->alpha);

  VGRgeometryCache* cache = ctx->cache;
  ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &state->scissor, ctx->fringeWidth,
                         cache->bounds, cache->paths, cache->npaths);
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGRpath& path = cache->paths[i];
    ctx->drawCallCount += 2;
    ctx->fillTriCount += std::max(0, path.nfill - 2) + std::max(0, path.nstroke - 2);
  }
}

void vgrStroke(VGRdrawContext* ctx)
{
  VGRdrawState* state = vgrGetState(ctx);
  const float* t = state->xform;
  const float scale = (std::sqrt(t[0] * t[0] + t[2] * t[2]) + std::sqrt(t[1] * t[1] + t[3] * t[3])) * 0.5f;
  float strokeWidth = vgrClampf(state->strokeWidth * scale, 0.0f, 200.0f);
  VGRpaint strokePaint = state->stroke;
  if (strokeWidth < ctx->fringeWidth)
  {
    // A stroke thinner than a pixel is drawn a pixel wide with its coverage as alpha.
    const float alpha = vgrClampf(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    vgrMultiplyAlpha(strokePaint, alpha * alpha);
    strokeWidth = ctx->fringeWidth;
  }
  vgrMultiplyAlpha(strokePaint, state->alpha);

  FlattenCommands(ctx);
  const bool antialias = ctx->params.edgeAntiAlias && state->shapeAntiAlias;
  BuildStrokeGeometry(ctx, strokeWidth * 0.5f, antialias ? ctx->fringeWidth : 0.0f, state->lineCap, state->lineJoin,
                      state->miterLimit);

  VGRgeometryCache* cache = ctx->cache;
  ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, strokeWidth, cache->paths, cache->npaths);
  for (int i = 0; i < cache->npaths; i++)
  {
    ctx->drawCallCount++;
    ctx->strokeTriCount += std::max(0, cache->paths[i].nstroke - 2);
  }
}

void vgrDumpGeometryCache(VGRdrawContext* ctx)
{
  const VGRgeometryCache* cache = ctx->cache;
  std::printf("Dumping %d cached paths\n", cache->npaths);
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGRpath& path = cache->paths[i];
    std::printf(" - Path %d\n", i);
    if (path.nfill)
    {
      std::printf("   - fill: %d\n", path.nfill);
      for (int j = 0; j < path.nfill; j++)
        std::printf("%f\t%f\n", path.fill[j].x, path.fill[j].y);
    }
    if (path.nstroke)
    {
      std::printf("   - stroke: %d\n", path.nstroke);
      for (int j = 0; j < path.nstroke; j++)
        std::printf("%f\t%f\n", path.stroke[j].x, path.stroke[j].y);
    }
  }
}

} // namespace igraphics
} // namespace plug
