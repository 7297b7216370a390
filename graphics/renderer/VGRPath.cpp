// Path commands and shapes: the command buffer, transformed as it is recorded.

#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRConvert.h"
#include "graphics/renderer/VGRMemory.h"

#include <algorithm>
#include <cmath>

namespace plug {
namespace igraphics {

namespace {

constexpr float kKappa90 = 0.5522848f; // length of a quarter circle's control arms

// Floats a command occupies, code included.
int CommandSize(int code)
{
  switch (code)
  {
  case VGR_MOVETO:
  case VGR_LINETO:
    return 3;
  case VGR_BEZIERTO:
    return 7;
  case VGR_WINDING:
    return 2;
  default:
    return 1;
  }
}

// Records a block of commands as one: all of it or, when the buffer cannot grow or a point is
// not a number once transformed, none. Points far out are pulled in to kVGRMaxCoord.
void RecordCommands(VGRdrawContext* ctx, float* vals, int nvals)
{
  VGRdrawState* state = vgrGetState(ctx);

  // The pen follows the block's last point, in user space; then the points are transformed.
  const int first = static_cast<int>(vals[0]);
  bool hasPen = false;
  float penx = 0.0f, peny = 0.0f;
  for (int i = 0; i < nvals;)
  {
    const int code = static_cast<int>(vals[i]);
    const int size = CommandSize(code);
    if (i + size > nvals)
      break;
    const int points = code == VGR_BEZIERTO ? 3 : (code == VGR_MOVETO || code == VGR_LINETO) ? 1 : 0;
    if (points > 0 && first != VGR_CLOSE && first != VGR_WINDING)
    {
      hasPen = true;
      penx = vals[i + size - 2];
      peny = vals[i + size - 1];
    }
    for (int p = 0; p < points; ++p)
    {
      float* pt = &vals[i + 1 + 2 * p];
      vgrMatrixApply(state->xform, &pt[0], &pt[1], pt[0], pt[1]);
      if (!std::isfinite(pt[0]) || !std::isfinite(pt[1]))
        return;
      pt[0] = std::clamp(pt[0], -kVGRMaxCoord, kVGRMaxCoord);
      pt[1] = std::clamp(pt[1], -kVGRMaxCoord, kVGRMaxCoord);
    }
    i += size;
  }
  if (!vgrGrowArray(ctx->commands, ctx->ncommands + nvals, ctx->ccommands))
    return;
  if (hasPen)
  {
    ctx->commandx = penx;
    ctx->commandy = peny;
  }
  std::copy(vals, vals + nvals, ctx->commands + ctx->ncommands);
  ctx->ncommands += nvals;
}

float DistPtSeg(float x, float y, float px, float py, float qx, float qy)
{
  const float pqx = qx - px;
  const float pqy = qy - py;
  float dx = x - px;
  float dy = y - py;
  const float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0)
    t /= d;
  if (t < 0)
    t = 0;
  else if (t > 1)
    t = 1;
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

} // namespace

void vgrBeginPath(VGRdrawContext* ctx)
{
  ctx->ncommands = 0;
  ctx->cache->npoints = 0;
  ctx->cache->npaths = 0;
}

void vgrMoveTo(VGRdrawContext* ctx, float x, float y)
{
  float vals[] = {VGR_MOVETO, x, y};
  RecordCommands(ctx, vals, 3);
}

void vgrLineTo(VGRdrawContext* ctx, float x, float y)
{
  float vals[] = {VGR_LINETO, x, y};
  RecordCommands(ctx, vals, 3);
}

void vgrBezierTo(VGRdrawContext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  float vals[] = {VGR_BEZIERTO, c1x, c1y, c2x, c2y, x, y};
  RecordCommands(ctx, vals, 7);
}

void vgrQuadTo(VGRdrawContext* ctx, float cx, float cy, float x, float y)
{
  const float x0 = ctx->commandx;
  const float y0 = ctx->commandy;
  const float k = 2.0f / 3.0f;
  float vals[] = {VGR_BEZIERTO, x0 + k * (cx - x0), y0 + k * (cy - y0), x + k * (cx - x), y + k * (cy - y), x, y};
  RecordCommands(ctx, vals, 7);
}

void vgrClosePath(VGRdrawContext* ctx)
{
  float vals[] = {VGR_CLOSE};
  RecordCommands(ctx, vals, 1);
}

void vgrSetPathWinding(VGRdrawContext* ctx, int dir)
{
  // Only the two windings mean anything; any other value reverses nothing and is kept as 0,
  // which the command buffer's floats hold exactly.
  float vals[] = {VGR_WINDING, dir == VGR_CCW || dir == VGR_CW ? static_cast<float>(dir) : 0.0f};
  RecordCommands(ctx, vals, 2);
}

void vgrArc(VGRdrawContext* ctx, float cx, float cy, float r, float a0, float a1, int dir)
{
  float da = a1 - a0;
  if (dir == VGR_CW)
  {
    if (std::fabs(da) >= kVGRPi * 2)
      da = kVGRPi * 2;
    else
      while (da < 0.0f)
        da += kVGRPi * 2;
  }
  else
  {
    if (std::fabs(da) >= kVGRPi * 2)
      da = -kVGRPi * 2;
    else
      while (da > 0.0f)
        da -= kVGRPi * 2;
  }

  // At most a quarter turn (a little more after rounding) per cubic.
  int ndivs = vgrSaturateInt(std::fabs(da) / (kVGRPi * 0.5f) + 0.5f);
  ndivs = ndivs < 1 ? 1 : (ndivs > 5 ? 5 : ndivs);
  const float hda = (da / static_cast<float>(ndivs)) / 2.0f;
  // No sweep, no tangents (and no 0 / 0).
  float kappa = hda == 0.0f ? 0.0f : std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / std::sin(hda));
  if (dir == VGR_CCW)
    kappa = -kappa;

  float vals[3 + 5 * 7];
  int nvals = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++)
  {
    const float a = a0 + da * (static_cast<float>(i) / static_cast<float>(ndivs));
    const float dx = std::cos(a);
    const float dy = std::sin(a);
    const float x = cx + dx * r;
    const float y = cy + dy * r;
    const float tanx = -dy * r * kappa;
    const float tany = dx * r * kappa;
    if (i == 0)
    {
      vals[nvals++] = static_cast<float>(ctx->ncommands > 0 ? VGR_LINETO : VGR_MOVETO);
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    else
    {
      vals[nvals++] = VGR_BEZIERTO;
      vals[nvals++] = px + ptanx;
      vals[nvals++] = py + ptany;
      vals[nvals++] = x - tanx;
      vals[nvals++] = y - tany;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  RecordCommands(ctx, vals, nvals);
}

void vgrArcTo(VGRdrawContext* ctx, float x1, float y1, float x2, float y2, float radius)
{
  if (ctx->ncommands == 0)
    return;
  const float x0 = ctx->commandx;
  const float y0 = ctx->commandy;
  const float tol = ctx->distTol;

  // Degenerate corners and radii draw a straight line to the corner.
  if (vgrPtEquals(x0, y0, x1, y1, tol) || vgrPtEquals(x1, y1, x2, y2, tol) ||
      DistPtSeg(x1, y1, x0, y0, x2, y2) < tol * tol || radius < tol)
  {
    vgrLineTo(ctx, x1, y1);
    return;
  }

  float dx0 = x0 - x1, dy0 = y0 - y1;
  float dx1 = x2 - x1, dy1 = y2 - y1;
  vgrNormalize(dx0, dy0);
  vgrNormalize(dx1, dy1);
  float cosine = dx0 * dx1 + dy0 * dy1;
  cosine = cosine < -1.0f ? -1.0f : (cosine > 1.0f ? 1.0f : cosine);
  const float a = std::acos(cosine);
  const float d = radius / std::tan(a / 2.0f);
  if (d > 10000.0f)
  {
    vgrLineTo(ctx, x1, y1);
    return;
  }

  float cx, cy, a0, a1;
  int dir;
  if (dx1 * dy0 - dx0 * dy1 > 0.0f)
  {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d + -dx0 * radius;
    a0 = std::atan2(dx0, -dy0);
    a1 = std::atan2(-dx1, dy1);
    dir = VGR_CW;
  }
  else
  {
    cx = x1 + dx0 * d + -dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = std::atan2(-dx0, dy0);
    a1 = std::atan2(dx1, -dy1);
    dir = VGR_CCW;
  }
  vgrArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vgrRect(VGRdrawContext* ctx, float x, float y, float w, float h)
{
  float vals[] = {VGR_MOVETO, x, y, VGR_LINETO, x, y + h, VGR_LINETO, x + w, y + h, VGR_LINETO, x + w, y, VGR_CLOSE};
  RecordCommands(ctx, vals, 13);
}

void vgrRoundedRect(VGRdrawContext* ctx, float x, float y, float w, float h, float r)
{
  vgrRoundedRectCorners(ctx, x, y, w, h, r, r, r, r);
}

void vgrRoundedRectCorners(VGRdrawContext* ctx, float x, float y, float w, float h, float radTopLeft,
                           float radTopRight, float radBottomRight, float radBottomLeft)
{
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f)
  {
    vgrRect(ctx, x, y, w, h);
    return;
  }
  const float halfw = std::fabs(w) * 0.5f;
  const float halfh = std::fabs(h) * 0.5f;
  const float sw = w >= 0 ? 1.0f : -1.0f;
  const float sh = h >= 0 ? 1.0f : -1.0f;
  const float rxBL = std::fmin(radBottomLeft, halfw) * sw, ryBL = std::fmin(radBottomLeft, halfh) * sh;
  const float rxBR = std::fmin(radBottomRight, halfw) * sw, ryBR = std::fmin(radBottomRight, halfh) * sh;
  const float rxTR = std::fmin(radTopRight, halfw) * sw, ryTR = std::fmin(radTopRight, halfh) * sh;
  const float rxTL = std::fmin(radTopLeft, halfw) * sw, ryTL = std::fmin(radTopLeft, halfh) * sh;
  const float k = 1 - kKappa90;
  float vals[] = {
    VGR_MOVETO, x, y + ryTL,
    VGR_LINETO, x, y + h - ryBL,
    VGR_BEZIERTO, x, y + h - ryBL * k, x + rxBL * k, y + h, x + rxBL, y + h,
    VGR_LINETO, x + w - rxBR, y + h,
    VGR_BEZIERTO, x + w - rxBR * k, y + h, x + w, y + h - ryBR * k, x + w, y + h - ryBR,
    VGR_LINETO, x + w, y + ryTR,
    VGR_BEZIERTO, x + w, y + ryTR * k, x + w - rxTR * k, y, x + w - rxTR, y,
    VGR_LINETO, x + rxTL, y,
    VGR_BEZIERTO, x + rxTL * k, y, x, y + ryTL * k, x, y + ryTL,
    VGR_CLOSE};
  RecordCommands(ctx, vals, 44);
}

void vgrEllipse(VGRdrawContext* ctx, float cx, float cy, float rx, float ry)
{
  const float K = kKappa90;
  float vals[] = {
    VGR_MOVETO, cx - rx, cy,
    VGR_BEZIERTO, cx - rx, cy + ry * K, cx - rx * K, cy + ry, cx, cy + ry,
    VGR_BEZIERTO, cx + rx * K, cy + ry, cx + rx, cy + ry * K, cx + rx, cy,
    VGR_BEZIERTO, cx + rx, cy - ry * K, cx + rx * K, cy - ry, cx, cy - ry,
    VGR_BEZIERTO, cx - rx * K, cy - ry, cx - rx, cy - ry * K, cx - rx, cy,
    VGR_CLOSE};
  RecordCommands(ctx, vals, 32);
}

void vgrCircle(VGRdrawContext* ctx, float cx, float cy, float r)
{
  vgrEllipse(ctx, cx, cy, r, r);
}

} // namespace igraphics
} // namespace plug
