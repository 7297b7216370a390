// The drawing interface of the graphics context: every shape built from the renderer's path
// primitives, the current transform with its stack, text and bitmap-frame conveniences, lines
// at normalised positions and the geometry of rotated text.

#include <cmath>
#include <limits>
#include <utility>

#include "graphics/IGraphics.h"

#include "graphics/IControls.h"
#include "graphics/SVGHoles.h"
#include "graphics/controls/IContainerBase.h"
#include "standin/svg/SVG.h"

namespace plug {
namespace igraphics {

namespace {
constexpr float kPi = 3.1415927f;

IStrokeOptions DashedStroke(float dashLen)
{
  IStrokeOptions options;
  options.mDash.SetDash(&dashLen, 0.f, 1);
  return options;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Transforms

void IGraphics::PathTransformSave()
{
  mTransformStates.push(mTransform);
  ApplyTransform();
}

void IGraphics::PathTransformRestore()
{
  if (mTransformStates.empty())
    return;
  mTransform = mTransformStates.top();
  mTransformStates.pop();
  ApplyTransform();
}

void IGraphics::PathTransformReset(bool clearStates)
{
  if (clearStates)
  {
    while (!mTransformStates.empty())
      mTransformStates.pop();
  }
  mTransform = IMatrix();
  ApplyTransform();
}

void IGraphics::PathTransformTranslate(float x, float y)
{
  mTransform.Translate(x, y);
  ApplyTransform();
}

void IGraphics::PathTransformScale(float x, float y)
{
  mTransform.Scale(x, y);
  ApplyTransform();
}

void IGraphics::PathTransformRotate(float angle)
{
  mTransform.Rotate(angle);
  ApplyTransform();
}

void IGraphics::PathTransformSkew(float xAngle, float yAngle)
{
  mTransform.Skew(xAngle, yAngle);
  ApplyTransform();
}

void IGraphics::PathTransformMatrix(const IMatrix& matrix)
{
  mTransform.Transform(matrix);
  ApplyTransform();
}

// ---------------------------------------------------------------------------------------
// Path building blocks

void IGraphics::PathRect(const IRECT& bounds)
{
  PathMoveTo(bounds.L, bounds.T);
  PathLineTo(bounds.R, bounds.T);
  PathLineTo(bounds.R, bounds.B);
  PathLineTo(bounds.L, bounds.B);
  PathClose();
}

void IGraphics::PathRoundRect(const IRECT& bounds, float cornerRadius)
{
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void IGraphics::PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBL, float cRBR)
{
  if (cRTL <= 0.f && cRTR <= 0.f && cRBL <= 0.f && cRBR <= 0.f)
  {
    PathRect(bounds);
    return;
  }
  PathMoveTo(bounds.L, bounds.T + cRTL);
  PathArc(bounds.L + cRTL, bounds.T + cRTL, cRTL, 270.f, 360.f);
  PathArc(bounds.R - cRTR, bounds.T + cRTR, cRTR, 0.f, 90.f);
  PathArc(bounds.R - cRBR, bounds.B - cRBR, cRBR, 90.f, 180.f);
  PathArc(bounds.L + cRBL, bounds.B - cRBL, cRBL, 180.f, 270.f);
  PathClose();
}

void IGraphics::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void IGraphics::PathConvexPolygon(const float* x, const float* y, int nPoints)
{
  if (nPoints <= 0 || !x || !y)
    return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i)
    PathLineTo(x[i], y[i]);
  PathClose();
}

void IGraphics::PathCircle(float cx, float cy, float r)
{
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.f, 360.f);
  PathClose();
}

void IGraphics::PathEllipse(const IRECT& bounds)
{
  PathEllipse(bounds.MW(), bounds.MH(), 0.5f * bounds.W(), 0.5f * bounds.H());
}

void IGraphics::PathEllipse(float x, float y, float r1, float r2, float angle)
{
  if (r1 <= 0.f || r2 <= 0.f)
    return;
  PathTransformSave();
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathMoveTo(0.f, -1.f);
  PathArc(0.f, 0.f, 1.f, 0.f, 360.f);
  PathClose();
  PathTransformRestore();
}

void IGraphics::PathRadialLine(float cx, float cy, float angle, float rMin, float rMax)
{
  const float theta = (angle - 90.f) / 180.f * kPi;
  const float c = std::cos(theta), s = std::sin(theta);
  PathMoveTo(cx + rMin * c, cy + rMin * s);
  PathLineTo(cx + rMax * c, cy + rMax * s);
}

// ---------------------------------------------------------------------------------------
// Stroked shapes

void IGraphics::DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend)
{
  FillRect(color, IRECT(x, y, x + 1.f, y + 1.f), pBlend);
}

void IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                         float thickness)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                               float thickness, float dashLen)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(SolidPattern(color), thickness, DashedStroke(dashLen), pBlend);
}

void IGraphics::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* pBlend, float thickness)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRect(bounds);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend,
                              float thickness)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL,
                              float cRBR, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBL, cRBR);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend,
                        float thickness)
{
  PathClear();
  PathArc(cx, cy, r, a1, a2);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(bounds);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                            const IBlend* pBlend, float thickness)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                  const IBlend* pBlend, float thickness)
{
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness,
                               float dashLen)
{
  PathClear();
  PathRect(bounds);
  PathStroke(SolidPattern(color), thickness, DashedStroke(dashLen), pBlend);
}

// ---------------------------------------------------------------------------------------
// Filled shapes

void IGraphics::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                             const IBlend* pBlend)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathRect(bounds);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBL,
                              float cRBR, const IBlend* pBlend)
{
  PathClear();
  PathRoundRect(bounds, cRTL, cRTR, cRBL, cRBR);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend)
{
  PathClear();
  PathEllipse(bounds);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                            const IBlend* pBlend)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* pBlend)
{
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2);
  PathClose();
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

void IGraphics::FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                  const IBlend* pBlend)
{
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathFill(SolidPattern(color), IFillOptions(), pBlend);
}

// ---------------------------------------------------------------------------------------
// Grids and plots

void IGraphics::DrawLineGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                             const IBlend* pBlend, float thickness)
{
  PathClear();
  if (gridSizeH > 1.f)
  {
    for (float x = bounds.L + gridSizeH; x < bounds.R; x += gridSizeH)
    {
      PathMoveTo(x, bounds.T);
      PathLineTo(x, bounds.B);
    }
  }
  if (gridSizeV > 1.f)
  {
    for (float y = bounds.T + gridSizeV; y < bounds.B; y += gridSizeV)
    {
      PathMoveTo(bounds.L, y);
      PathLineTo(bounds.R, y);
    }
  }
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphics::DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                         const float* normXPoints, const IBlend* pBlend, float thickness, const IColor* pFillColor)
{
  if (nPoints <= 0 || !normYPoints)
    return;
  const float w = bounds.W(), h = bounds.H();
  PathClear();
  PathMoveTo(bounds.L, bounds.B - h * normYPoints[0]);
  for (int i = 1; i < nPoints; ++i)
  {
    const float x = normXPoints ? bounds.L + w * normXPoints[i]
                                : bounds.L + static_cast<float>(i) * w / static_cast<float>(nPoints - 1);
    PathLineTo(x, bounds.B - h * normYPoints[i]);
  }
  if (pFillColor)
    PathFill(SolidPattern(*pFillColor), IFillOptions(true), pBlend);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

// ---------------------------------------------------------------------------------------
// Bitmaps and SVG images

void IGraphics::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend)
{
  if (!bitmap.GetAPIBitmap() || bitmap.W() <= 0 || bitmap.H() <= 0)
    return; // a missing image draws nothing
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / static_cast<float>(bitmap.W()), bounds.H() / static_cast<float>(bitmap.H()));
  DrawBitmap(bitmap, IRECT(0.f, 0.f, static_cast<float>(bitmap.W()), static_cast<float>(bitmap.H())), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                  const IBlend* pBlend)
{
  if (!bitmap.GetAPIBitmap())
    return;
  const float drawScale = bitmap.GetDrawScale() > 0.f ? bitmap.GetDrawScale() : 1.f;
  const float w = static_cast<float>(bitmap.W()) / drawScale;
  const float h = static_cast<float>(bitmap.H()) / drawScale;
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawBitmap(bitmap, IRECT(-0.5f * w, -0.5f * h, 0.5f * w, 0.5f * h), 0, 0, pBlend);
  PathTransformRestore();
}

void IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame, const IBlend* pBlend)
{
  if (!bitmap.GetAPIBitmap())
    return; // a missing resource never takes the editor down
  const int nFrames = bitmap.FrameCount();
  const int n = std::clamp(frame, 1, nFrames);
  int srcX = 0, srcY = 0;
  if (n > 1)
  {
    if (bitmap.GetFramesAreHorizontal())
      srcX = (n - 1) * bitmap.W() / nFrames;
    else
      srcY = (n - 1) * bitmap.H() / nFrames;
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, pBlend);
}

void IGraphics::DrawBitmapText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* pBlend,
                               const char* str, bool vCentre, bool multiline, int charWidth, int charHeight,
                               int charOffset)
{
  if (!str || !*str || charWidth <= 0 || !bitmap.GetAPIBitmap())
    return;
  const int len = static_cast<int>(std::strlen(str));
  const float y0 = vCentre ? bounds.T + 0.5f * (bounds.H() - static_cast<float>(charHeight)) : bounds.T;
  const float textWidth = static_cast<float>(charWidth * len);
  float x0 = bounds.L;
  if (text.mAlign == EAlign::Far)
    x0 = bounds.R - textWidth;
  else if (text.mAlign == EAlign::Center)
    x0 = bounds.L + 0.5f * (bounds.W() - textWidth);

  int rows = 1;
  const int charsPerRow = static_cast<int>(bounds.W() / static_cast<float>(charWidth));
  if (multiline && textWidth > bounds.W() && bounds.W() > 0.f)
    rows = static_cast<int>(textWidth / bounds.W()) + 1;
  if (charsPerRow < 1)
    return;

  const int nFrames = bitmap.FrameCount();
  int i = 0;
  for (int row = 0; row < rows && i < len; ++row)
  {
    const float y = y0 + static_cast<float>(row * charHeight);
    for (int col = 0; col < charsPerRow && i < len; ++col, ++i)
    {
      const int code = static_cast<unsigned char>(str[i]);
      const int frame = std::min(std::max(code, 32) - 31, nFrames);
      const float x = x0 + static_cast<float>(col * (charWidth + charOffset));
      DrawBitmapFrame(bitmap, IRECT(x, y, x + charWidth, y + charHeight), frame, pBlend);
    }
  }
}

void IGraphics::DrawSVG(const ISVGImage& svg, const IRECT& bounds, const IBlend* pBlend, const IColor* pStrokeColor,
                        const IColor* pFillColor)
{
  if (!svg.IsValid() || !(svg.W() > 0.f) || !(svg.H() > 0.f))
    return; // no document, or one of no size: nothing to fit
  // A scale or an offset that is not a number (a document too small for the bounds, bounds
  // without a size) draws nothing.
  const double scale = std::min(static_cast<double>(bounds.W()) / svg.W(), static_cast<double>(bounds.H()) / svg.H());
  if (!(scale > 0.0 && scale <= std::numeric_limits<float>::max()) || !std::isfinite(bounds.L) ||
      !std::isfinite(bounds.T))
    return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(static_cast<float>(scale));
  RenderSVG(svg, pBlend, pStrokeColor, pFillColor, static_cast<float>(scale));
  PathTransformRestore();
}

void IGraphics::DrawRotatedSVG(const ISVGImage& svg, float destCentreX, float destCentreY, float width, float height,
                               double angle, const IBlend* pBlend)
{
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawSVG(svg, IRECT(-0.5f * width, -0.5f * height, 0.5f * width, 0.5f * height), pBlend);
  PathTransformRestore();
}

namespace {

// A paint of the document as a pattern, at the shape's opacity (which multiplies the alpha the
// paint has of its own: fill-opacity, stroke-opacity, a stop's opacity).
IPattern SVGPattern(const standin::svg::Paint& paint, float opacity)
{
  using standin::svg::PaintType;
  auto alpha = [opacity](uint32_t color) {
    const float a = std::round(opacity * static_cast<float>(standin::svg::ColorA(color)));
    return static_cast<int>(std::clamp(a, 0.f, 255.f));
  };
  auto color = [&](uint32_t c) {
    return IColor(alpha(c), standin::svg::ColorR(c), standin::svg::ColorG(c), standin::svg::ColorB(c));
  };
  if (paint.type == PaintType::Color)
    return IPattern(color(paint.color));
  if (paint.type != PaintType::LinearGradient && paint.type != PaintType::RadialGradient)
    return IPattern(IColor(alpha(0xFF000000u), 0, 0, 0));

  const standin::svg::Gradient& g = paint.gradient;
  IPattern pattern(paint.type == PaintType::LinearGradient ? EPatternType::Linear : EPatternType::Radial);
  pattern.mExtend = static_cast<int>(g.spread) + 1;
  for (const standin::svg::GradientStop& stop : g.stops)
    if (!pattern.AddStop(color(stop.color), stop.offset))
      break;
  pattern.mTransform = IMatrix(g.xform[0], g.xform[1], g.xform[2], g.xform[3], g.xform[4], g.xform[5]);
  return pattern;
}

// True when a half-line from (ox, oy) along (dx, dy) crosses the closed polygon through the
// on-curve points of the path an odd number of times.
bool CrossesOddly(const standin::svg::Path& path, float ox, float oy, float dx, float dy, long* pChordsTested)
{
  const std::vector<float>& p = path.pts;
  const size_t nOnCurve = (p.size() / 2 + 2) / 3;
  if (pChordsTested)
    *pChordsTested += static_cast<long>(nOnCurve);
  int crossings = 0;
  for (size_t k = 0; k < nOnCurve; ++k)
  {
    const size_t a = 6 * k, b = 6 * ((k + 1) % nOnCurve);
    const float ax = p[a], ay = p[a + 1];
    const float ex = p[b] - ax, ey = p[b + 1] - ay;
    // (ox, oy) + t·d = a + u·e
    const float det = dx * -ey + ex * dy;
    if (std::fabs(det) < 1e-8f)
      continue;
    const float rx = ax - ox, ry = ay - oy;
    const float t = (rx * -ey + ex * ry) / det;
    const float u = (dx * ry - dy * rx) / det;
    if (u >= 0.f && u < 1.f && t >= 0.f)
      ++crossings;
  }
  return crossings % 2 == 1;
}

} // namespace

bool IsSVGHole(const standin::svg::Shape& shape, size_t i, long* pChordsTested)
{
  const standin::svg::Path& path = shape.paths[i];
  const std::vector<float>& p = path.pts;
  if (p.size() < 2 || shape.paths.size() > kMaxSVGHoleTestPaths)
    return false;
  const float ox = p[0], oy = p[1];
  const float dx = path.bounds[0] - 1.f - ox, dy = path.bounds[1] - 1.f - oy;
  bool hole = false;
  for (size_t j = 0; j < shape.paths.size(); ++j)
  {
    const standin::svg::Path& other = shape.paths[j];
    // A point outside the bounds of an outline is outside the outline: its half-line
    // crosses it an even number of times.
    const bool within = ox >= other.bounds[0] && ox <= other.bounds[2] && oy >= other.bounds[1] && oy <= other.bounds[3];
    if (j != i && within && other.pts.size() > 6 && CrossesOddly(other, ox, oy, dx, dy, pChordsTested))
      hole = !hole;
  }
  return hole;
}

void IGraphics::RenderSVG(const ISVGImage& svg, const IBlend* pBlend, const IColor* pStrokeColor,
                          const IColor* pFillColor, float scale)
{
  using standin::svg::PaintType;
  if (!svg.IsValid())
    return;
  // Beyond this, in drawing units, a shape's points would not stay numbers once scaled.
  constexpr double kMaxReach = 1e30;
  for (const standin::svg::Shape& shape : svg.mImage->shapes)
  {
    if (!shape.visible)
      continue;
    const double reach = std::max(std::max(std::fabs(shape.bounds[0]), std::fabs(shape.bounds[1])),
                                  std::max(std::fabs(shape.bounds[2]), std::fabs(shape.bounds[3])));
    if (!(reach * scale < kMaxReach))
      continue;

    PathClear();
    for (size_t i = 0; i < shape.paths.size(); ++i)
    {
      const standin::svg::Path& path = shape.paths[i];
      const std::vector<float>& p = path.pts;
      if (p.size() < 2)
        continue;
      PathMoveTo(p[0], p[1]);
      for (size_t k = 2; k + 6 <= p.size(); k += 6)
        PathCubicBezierTo(p[k], p[k + 1], p[k + 2], p[k + 3], p[k + 4], p[k + 5]);
      if (path.closed)
        PathClose();
      PathSetWinding(IsSVGHole(shape, i));
    }

    const bool hasStroke = shape.stroke.type != PaintType::None;
    if (shape.fill.type != PaintType::None)
    {
      const IFillOptions options(hasStroke, EFillRule::Preserve);
      PathFill(pFillColor ? IPattern(*pFillColor) : SVGPattern(shape.fill, shape.opacity), options, pBlend);
    }
    if (hasStroke)
    {
      IStrokeOptions options;
      options.mMiterLimit = shape.miterLimit;
      const int cap = static_cast<int>(shape.strokeLineCap);
      options.mCapOption = cap == 1 || cap == 2 ? static_cast<ELineCap>(cap) : ELineCap::Butt;
      const int join = static_cast<int>(shape.strokeLineJoin);
      options.mJoinOption = join >= 0 && join <= 2 ? static_cast<ELineJoin>(join) : ELineJoin::Miter;
      options.mDash.SetDash(shape.strokeDashArray, shape.strokeDashOffset, shape.strokeDashCount);
      options.mPreserve = false;
      PathStroke(pStrokeColor ? IPattern(*pStrokeColor) : SVGPattern(shape.stroke, shape.opacity), shape.strokeWidth,
                 options, pBlend);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Text

float IGraphics::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || !*str)
    return 0.f;
  return MeasureTextRect(text, str, bounds);
}

void IGraphics::DrawMultiLineText(const IText& text, const char* /*str*/, const IRECT& bounds, const IBlend* pBlend)
{
  DrawText(text, "Unsupported", bounds, pBlend);
}

void IGraphics::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (str && *str)
    DrawTextInRect(text, str, bounds, pBlend);
}

void IGraphics::DrawTextAt(const IText& text, const char* str, float x, float y, const IBlend* pBlend)
{
  DrawText(text, str, IRECT(x, y, x, y), pBlend);
}

void IGraphics::CalculateTextRotationBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                            double& ty) const
{
  tx = 0.0;
  ty = 0.0;
  if (text.mAngle == 0.f)
    return;

  const double a = text.mAngle * kPi / 180.f;
  const double c = std::cos(a), s = std::sin(a);
  const float xs[4] = {rect.L, rect.R, rect.R, rect.L};
  const float ys[4] = {rect.T, rect.T, rect.B, rect.B};
  IRECT rotated;
  for (int i = 0; i < 4; ++i)
  {
    const float x = static_cast<float>(xs[i] * c - ys[i] * s);
    const float y = static_cast<float>(xs[i] * s + ys[i] * c);
    rotated = rotated.Union(IRECT(x, y, x, y));
  }
  rect = rotated;

  switch (text.mAlign)
  {
    case EAlign::Near: tx = bounds.L - rect.L; break;
    case EAlign::Center: tx = bounds.MW() - rect.MW(); break;
    case EAlign::Far: tx = bounds.R - rect.R; break;
  }
  switch (text.mVAlign)
  {
    case EVAlign::Top: ty = bounds.T - rect.T; break;
    case EVAlign::Middle: ty = bounds.MH() - rect.MH(); break;
    case EVAlign::Bottom: ty = bounds.B - rect.B; break;
  }
}

void IGraphics::CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  if (text.mAngle == 0.f)
    return;
  double tx = 0.0, ty = 0.0;
  CalculateTextRotationBounds(text, bounds, rect, tx, ty);
  rect = rect.GetTranslated(static_cast<float>(tx), static_cast<float>(ty));
}

// ---------------------------------------------------------------------------------------
// Lines at positions

void IGraphics::DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos,
                               const IBlend* pBlend, float thickness)
{
  if (dir == EDirection::Horizontal)
    DrawHorizontalLine(color, bounds, pos, pBlend, thickness);
  else
    DrawVerticalLine(color, bounds, pos, pBlend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend,
                                   float thickness)
{
  y = std::clamp(y, 0.f, 1.f);
  const float yPos = bounds.B - y * bounds.H();
  DrawLine(color, bounds.L, yPos, bounds.R, yPos, pBlend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend,
                                 float thickness)
{
  x = std::clamp(x, 0.f, 1.f);
  const float xPos = bounds.L + static_cast<float>(static_cast<int>(bounds.W() * x));
  DrawLine(color, xPos, bounds.T, xPos, bounds.B, pBlend, thickness);
}

void IGraphics::DrawVerticalLine(const IColor& color, float x, float y1, float y2, const IBlend* pBlend,
                                 float thickness)
{
  DrawLine(color, x, y1, x, y2, pBlend, thickness);
}

void IGraphics::DrawHorizontalLine(const IColor& color, float y, float x1, float x2, const IBlend* pBlend,
                                   float thickness)
{
  DrawLine(color, x1, y, x2, y, pBlend, thickness);
}

void IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                               const IBlend* pBlend, float thickness)
{
  PathClear();
  PathRadialLine(cx, cy, angle, rMin, rMax);
  PathStroke(SolidPattern(color), thickness, IStrokeOptions(), pBlend);
}

// ---------------------------------------------------------------------------------------
// Cursor

ECursor IGraphics::SetMouseCursor(ECursor cursorType)
{
  const ECursor previous = mCursor;
  mCursor = cursorType;
  return previous;
}

} // namespace igraphics
} // namespace plug
