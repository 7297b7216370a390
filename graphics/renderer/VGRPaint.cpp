// Matrices and the current transform, colours, paints, the scissor and blending.

#include "graphics/renderer/VGRContext.h"

#include <cmath>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

float Hue(float h, float m1, float m2)
{
  if (h < 0)
    h += 1;
  if (h > 1)
    h -= 1;
  if (h < 1.0f / 6.0f)
    return m1 + (m2 - m1) * h * 6.0f;
  else if (h < 3.0f / 6.0f)
    return m2;
  else if (h < 2.0f / 3.0f)
    return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

// Current transform = t followed by it.
void PremultiplyState(VGRdrawContext* ctx, const float* t)
{
  vgrMatrixMultiplyLeft(vgrGetState(ctx)->xform, t);
}

} // namespace

// -- matrices --------------------------------------------------------------------------------

void vgrMatrixIdentity(float* t)
{
  t[0] = 1.0f;
  t[1] = 0.0f;
  t[2] = 0.0f;
  t[3] = 1.0f;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vgrMatrixTranslation(float* t, float tx, float ty)
{
  vgrMatrixIdentity(t);
  t[4] = tx;
  t[5] = ty;
}

void vgrMatrixScaling(float* t, float sx, float sy)
{
  vgrMatrixIdentity(t);
  t[0] = sx;
  t[3] = sy;
}

void vgrMatrixRotation(float* t, float angle)
{
  const float cs = std::cos(angle), sn = std::sin(angle);
  t[0] = cs;
  t[1] = sn;
  t[2] = -sn;
  t[3] = cs;
  t[4] = 0.0f;
  t[5] = 0.0f;
}

void vgrMatrixSkewX(float* t, float angle)
{
  vgrMatrixIdentity(t);
  t[2] = std::tan(angle);
}

void vgrMatrixSkewY(float* t, float angle)
{
  vgrMatrixIdentity(t);
  t[1] = std::tan(angle);
}

void vgrMatrixMultiply(float* t, const float* s)
{
  const float t0 = t[0] * s[0] + t[1] * s[2];
  const float t2 = t[2] * s[0] + t[3] * s[2];
  const float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

void vgrMatrixMultiplyLeft(float* t, const float* s)
{
  float s2[6];
  std::memcpy(s2, s, sizeof(float) * 6);
  vgrMatrixMultiply(s2, t);
  std::memcpy(t, s2, sizeof(float) * 6);
}

int vgrMatrixInvert(float* inv, const float* t)
{
  const double det = static_cast<double>(t[0]) * t[3] - static_cast<double>(t[2]) * t[1];
  // A determinant that is not a number (a matrix holding one) has no inverse either.
  if (!(det <= -1e-6 || det >= 1e-6))
  {
    vgrMatrixIdentity(inv);
    return 0;
  }
  const double invdet = 1.0 / det;
  float out[6];
  out[0] = static_cast<float>(t[3] * invdet);
  out[2] = static_cast<float>(-t[2] * invdet);
  out[4] = static_cast<float>((static_cast<double>(t[2]) * t[5] - static_cast<double>(t[3]) * t[4]) * invdet);
  out[1] = static_cast<float>(-t[1] * invdet);
  out[3] = static_cast<float>(t[0] * invdet);
  out[5] = static_cast<float>((static_cast<double>(t[1]) * t[4] - static_cast<double>(t[0]) * t[5]) * invdet);
  for (float v : out)
  {
    if (!std::isfinite(v))
    {
      vgrMatrixIdentity(inv);
      return 0;
    }
  }
  std::memcpy(inv, out, sizeof(out));
  return 1;
}

void vgrMatrixApply(const float* t, float* dstx, float* dsty, float srcx, float srcy)
{
  *dstx = srcx * t[0] + srcy * t[2] + t[4];
  *dsty = srcx * t[1] + srcy * t[3] + t[5];
}

float vgrDegreesToRadians(float deg)
{
  return deg / 180.0f * kVGRPi;
}

float vgrRadiansToDegrees(float rad)
{
  return rad / kVGRPi * 180.0f;
}

// -- current transform ------------------------------------------------------------------------

void vgrResetTransform(VGRdrawContext* ctx)
{
  vgrMatrixIdentity(vgrGetState(ctx)->xform);
}

void vgrApplyTransform(VGRdrawContext* ctx, float a, float b, float c, float d, float e, float f)
{
  const float t[6] = {a, b, c, d, e, f};
  PremultiplyState(ctx, t);
}

void vgrTranslate(VGRdrawContext* ctx, float x, float y)
{
  float t[6];
  vgrMatrixTranslation(t, x, y);
  PremultiplyState(ctx, t);
}

void vgrRotate(VGRdrawContext* ctx, float angle)
{
  float t[6];
  vgrMatrixRotation(t, angle);
  PremultiplyState(ctx, t);
}

void vgrSkewX(VGRdrawContext* ctx, float angle)
{
  float t[6];
  vgrMatrixSkewX(t, angle);
  PremultiplyState(ctx, t);
}

void vgrSkewY(VGRdrawContext* ctx, float angle)
{
  float t[6];
  vgrMatrixSkewY(t, angle);
  PremultiplyState(ctx, t);
}

void vgrScale(VGRdrawContext* ctx, float x, float y)
{
  float t[6];
  vgrMatrixScaling(t, x, y);
  PremultiplyState(ctx, t);
}

void vgrGetTransform(VGRdrawContext* ctx, float* xform)
{
  if (!xform)
    return;
  std::memcpy(xform, vgrGetState(ctx)->xform, sizeof(float) * 6);
}

// -- colours ------------------------------------------------------------------------------------

VGRcolor vgrColorRGB(unsigned char r, unsigned char g, unsigned char b)
{
  return vgrColorRGBA(r, g, b, 255);
}

VGRcolor vgrColorRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
  return VGRcolor{r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

VGRcolor vgrColorRGBf(float r, float g, float b)
{
  return VGRcolor{r, g, b, 1.0f};
}

VGRcolor vgrColorRGBAf(float r, float g, float b, float a)
{
  return VGRcolor{r, g, b, a};
}

VGRcolor vgrColorWithAlpha(VGRcolor c, unsigned char a)
{
  c.a = a / 255.0f;
  return c;
}

VGRcolor vgrColorWithAlphaf(VGRcolor c, float a)
{
  c.a = a;
  return c;
}

VGRcolor vgrColorLerp(VGRcolor c0, VGRcolor c1, float u)
{
  u = vgrClampf(u, 0.0f, 1.0f);
  const float oneminu = 1.0f - u;
  return VGRcolor{c0.r * oneminu + c1.r * u, c0.g * oneminu + c1.g * u, c0.b * oneminu + c1.b * u,
                  c0.a * oneminu + c1.a * u};
}

VGRcolor vgrColorHSL(float h, float s, float l)
{
  return vgrColorHSLA(h, s, l, 255);
}

VGRcolor vgrColorHSLA(float h, float s, float l, unsigned char a)
{
  h = std::fmod(h, 1.0f);
  if (h < 0.0f)
    h += 1.0f;
  s = vgrClampf(s, 0.0f, 1.0f);
  l = vgrClampf(l, 0.0f, 1.0f);
  const float m2 = l <= 0.5f ? (l * (1 + s)) : (l + s - l * s);
  const float m1 = 2 * l - m2;
  VGRcolor col;
  col.r = vgrClampf(Hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.g = vgrClampf(Hue(h, m1, m2), 0.0f, 1.0f);
  col.b = vgrClampf(Hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.a = a / 255.0f;
  return col;
}

// -- paints -------------------------------------------------------------------------------------

VGRpaint vgrLinearGradient(VGRdrawContext*, float sx, float sy, float ex, float ey, VGRcolor icol, VGRcolor ocol)
{
  constexpr float large = 1e5f;
  VGRpaint p;
  std::memset(&p, 0, sizeof(p));
  // The gradient is the edge of a huge box half-way between the points, blurred over their
  // distance.
  float dx = ex - sx;
  float dy = ey - sy;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d > 0.0001f)
  {
    dx /= d;
    dy /= d;
  }
  else
  {
    dx = 0;
    dy = 1;
  }
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * large;
  p.xform[5] = sy - dy * large;
  p.extent[0] = large;
  p.extent[1] = large + d * 0.5f;
  p.radius = 0.0f;
  p.feather = std::fmax(1.0f, d);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGRpaint vgrRadialGradient(VGRdrawContext*, float cx, float cy, float inr, float outr, VGRcolor icol, VGRcolor ocol)
{
  const float r = (inr + outr) * 0.5f;
  const float f = (outr - inr);
  VGRpaint p;
  std::memset(&p, 0, sizeof(p));
  vgrMatrixTranslation(p.xform, cx, cy);
  p.extent[0] = r;
  p.extent[1] = r;
  p.radius = r;
  p.feather = std::fmax(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGRpaint vgrRoundedBoxGradient(VGRdrawContext*, float x, float y, float w, float h, float r, float f, VGRcolor icol,
                               VGRcolor ocol)
{
  VGRpaint p;
  std::memset(&p, 0, sizeof(p));
  vgrMatrixTranslation(p.xform, x + w * 0.5f, y + h * 0.5f);
  p.extent[0] = w * 0.5f;
  p.extent[1] = h * 0.5f;
  p.radius = r;
  p.feather = std::fmax(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGRpaint vgrImagePaint(VGRdrawContext*, float ox, float oy, float w, float h, float angle, int image, float alpha)
{
  VGRpaint p;
  std::memset(&p, 0, sizeof(p));
  vgrMatrixRotation(p.xform, angle);
  p.xform[4] = ox;
  p.xform[5] = oy;
  p.extent[0] = w;
  p.extent[1] = h;
  p.image = image;
  p.innerColor = p.outerColor = vgrColorRGBAf(1, 1, 1, alpha);
  return p;
}

void vgrSetFillPaint(VGRdrawContext* ctx, VGRpaint paint)
{
  VGRdrawState* state = vgrGetState(ctx);
  state->fill = paint;
  vgrMatrixMultiply(state->fill.xform, state->xform);
}

void vgrSetStrokePaint(VGRdrawContext* ctx, VGRpaint paint)
{
  VGRdrawState* state = vgrGetState(ctx);
  state->stroke = paint;
  vgrMatrixMultiply(state->stroke.xform, state->xform);
}

// -- scissor ------------------------------------------------------------------------------------

void vgrSetScissor(VGRdrawContext* ctx, float x, float y, float w, float h)
{
  VGRdrawState* state = vgrGetState(ctx);
  w = std::fmax(0.0f, w);
  h = std::fmax(0.0f, h);
  vgrMatrixIdentity(state->scissor.xform);
  state->scissor.xform[4] = x + w * 0.5f;
  state->scissor.xform[5] = y + h * 0.5f;
  vgrMatrixMultiply(state->scissor.xform, state->xform);
  state->scissor.extent[0] = w * 0.5f;
  state->scissor.extent[1] = h * 0.5f;
}

void vgrIntersectScissor(VGRdrawContext* ctx, float x, float y, float w, float h)
{
  VGRdrawState* state = vgrGetState(ctx);
  if (state->scissor.extent[0] < 0)
  {
    vgrSetScissor(ctx, x, y, w, h);
    return;
  }
  // The current scissor in the current space, as its axis-aligned bound.
  float pxform[6], invxform[6];
  std::memcpy(pxform, state->scissor.xform, sizeof(float) * 6);
  const float ex = state->scissor.extent[0];
  const float ey = state->scissor.extent[1];
  vgrMatrixInvert(invxform, state->xform);
  vgrMatrixMultiply(pxform, invxform);
  const float tex = ex * std::fabs(pxform[0]) + ey * std::fabs(pxform[2]);
  const float tey = ex * std::fabs(pxform[1]) + ey * std::fabs(pxform[3]);

  const float ax = pxform[4] - tex, ay = pxform[5] - tey, aw = tex * 2, ah = tey * 2;
  const float minx = std::fmax(ax, x);
  const float miny = std::fmax(ay, y);
  const float maxx = std::fmin(ax + aw, x + w);
  const float maxy = std::fmin(ay + ah, y + h);
  vgrSetScissor(ctx, minx, miny, std::fmax(0.0f, maxx - minx), std::fmax(0.0f, maxy - miny));
}

void vgrResetScissor(VGRdrawContext* ctx)
{
  VGRdrawState* state = vgrGetState(ctx);
  std::memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}

// -- blending -----------------------------------------------------------------------------------

void vgrSetCompositeMode(VGRdrawContext* ctx, int mode)
{
  static const int kSource[11] = {VGR_ONE, VGR_DST_ALPHA, VGR_ONE_MINUS_DST_ALPHA, VGR_DST_ALPHA,
                                  VGR_ONE_MINUS_DST_ALPHA, VGR_ZERO, VGR_ZERO, VGR_ONE_MINUS_DST_ALPHA,
                                  VGR_ONE, VGR_ONE, VGR_ONE_MINUS_DST_ALPHA};
  static const int kDestination[11] = {VGR_ONE_MINUS_SRC_ALPHA, VGR_ZERO, VGR_ZERO, VGR_ONE_MINUS_SRC_ALPHA,
                                       VGR_ONE, VGR_SRC_ALPHA, VGR_ONE_MINUS_SRC_ALPHA, VGR_SRC_ALPHA,
                                       VGR_ONE, VGR_ZERO, VGR_ONE_MINUS_SRC_ALPHA};
  int sfactor = VGR_ONE, dfactor = VGR_ZERO;
  if (static_cast<unsigned>(mode) < 11u)
  {
    sfactor = kSource[mode];
    dfactor = kDestination[mode];
  }
  vgrSetBlendFactors(ctx, sfactor, dfactor);
}

void vgrSetBlendFactors(VGRdrawContext* ctx, int sfactor, int dfactor)
{
  vgrSetBlendFactorsSeparate(ctx, sfactor, dfactor, sfactor, dfactor);
}

void vgrSetBlendFactorsSeparate(VGRdrawContext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha)
{
  vgrGetState(ctx)->compositeOperation = VGRcompositeOperationState{srcRGB, dstRGB, srcAlpha, dstAlpha};
}

} // namespace igraphics
} // namespace plug
