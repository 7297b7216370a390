#pragma once
// What every parsed SVG document must keep, and the comparison of two documents, shared by the
// parser's tests and its fuzz target.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "standin/svg/SVG.h"

namespace svgchecks {

using namespace standin::svg;

inline bool Finite(float v)
{
  return std::isfinite(v);
}

// The stops of one gradient element are shared by every paint that uses it, so the checks below
// look at each shared set once per document (the image holds the sets, so their identity holds
// while it is checked): they take time in proportion to the document, not to paints times stops.
using SharedStops = const std::vector<GradientStop>*;

inline uint32_t FloatBits(float v)
{
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Empty when the document keeps every promise of its model; else the first one it breaks.
inline std::string Violation(const Image& image)
{
  std::set<SharedStops> checkedStops;
  if (!Finite(image.width) || !Finite(image.height) || image.width < 0.f || image.height < 0.f)
    return "image size";
  for (const Shape& shape : image.shapes)
  {
    const std::string where = "shape '" + shape.id + "': ";
    if (shape.paths.empty())
      return where + "no paths";
    if (!(shape.opacity >= 0.f && shape.opacity <= 1.f) || !(shape.strokeWidth >= 0.f) || !Finite(shape.strokeWidth))
      return where + "opacity or stroke width";
    if (shape.strokeDashCount < 0 || shape.strokeDashCount > Shape::kMaxDashes || shape.strokeDashCount % 2 != 0)
      return where + "dash count";
    for (int i = 0; i < shape.strokeDashCount; ++i)
      if (!(shape.strokeDashArray[i] >= 0.f) || !Finite(shape.strokeDashArray[i]))
        return where + "dash";
    if (!Finite(shape.strokeDashOffset) || !(shape.miterLimit >= 1.f) || !Finite(shape.miterLimit))
      return where + "dash offset or miter limit";
    const float* sb = shape.bounds;
    if (!Finite(sb[0]) || !Finite(sb[1]) || !Finite(sb[2]) || !Finite(sb[3]) || sb[0] > sb[2] || sb[1] > sb[3])
      return where + "bounds";
    for (const Path& path : shape.paths)
    {
      if (path.pts.size() < 8 || (path.pts.size() - 2) % 6 != 0)
        return where + "point count";
      const float* b = path.bounds;
      const float slack = 1e-3f * (1.f + std::max({std::fabs(b[0]), std::fabs(b[1]), std::fabs(b[2]), std::fabs(b[3])}));
      if (b[0] < shape.bounds[0] - slack || b[1] < shape.bounds[1] - slack || b[2] > shape.bounds[2] + slack ||
          b[3] > shape.bounds[3] + slack)
        return where + "path bounds outside the shape's";
      for (size_t i = 0; i < path.pts.size(); i += 2)
      {
        const float x = path.pts[i], y = path.pts[i + 1];
        if (!Finite(x) || !Finite(y))
          return where + "point not finite";
        const bool onCurve = i % 6 == 0;
        if (onCurve && (x < b[0] - slack || x > b[2] + slack || y < b[1] - slack || y > b[3] + slack))
          return where + "point outside its path's bounds";
      }
    }
    for (const Paint* paint : {&shape.fill, &shape.stroke})
    {
      if (paint->type != PaintType::LinearGradient && paint->type != PaintType::RadialGradient)
        continue;
      const Gradient& g = paint->gradient;
      if (g.stops.size() < 2)
        return where + "gradient with fewer than two stops";
      if (checkedStops.insert(g.stops.Shared()).second)
        for (size_t i = 0; i < g.stops.size(); ++i)
          if (!(g.stops[i].offset >= 0.f && g.stops[i].offset <= 1.f) ||
              (i > 0 && g.stops[i].offset < g.stops[i - 1].offset))
            return where + "stop offsets";
      for (float v : g.xform)
        if (!Finite(v))
          return where + "gradient transform";
      if (!Finite(g.fx) || !Finite(g.fy))
        return where + "focal point";
    }
  }
  return "";
}

inline bool Near(float a, float b)
{
  return std::fabs(a - b) <= 1e-4f * std::max({1.f, std::fabs(a), std::fabs(b)});
}

// A paint sees its stops as the shared set with its own opacity: the pairs of those already
// found the same.
using ComparedStops = std::set<std::tuple<SharedStops, uint32_t, SharedStops, uint32_t>>;

inline std::string PaintDifference(const Paint& a, const Paint& b, bool gradientTransforms, ComparedStops& compared)
{
  if (a.type != b.type)
    return "paint type " + std::to_string(static_cast<int>(a.type)) + " vs " + std::to_string(static_cast<int>(b.type));
  if (a.type == PaintType::Color && a.color != b.color)
    return "colour";
  if (a.type != PaintType::LinearGradient && a.type != PaintType::RadialGradient)
    return "";
  const Gradient& ga = a.gradient;
  const Gradient& gb = b.gradient;
  if (ga.spread != gb.spread || ga.stops.size() != gb.stops.size())
    return "gradient spread or stops";
  if (compared
          .emplace(ga.stops.Shared(), FloatBits(ga.stops.Opacity()), gb.stops.Shared(), FloatBits(gb.stops.Opacity()))
          .second)
    for (size_t i = 0; i < ga.stops.size(); ++i)
      if (ga.stops[i].color != gb.stops[i].color || !Near(ga.stops[i].offset, gb.stops[i].offset))
        return "stop " + std::to_string(i);
  if (gradientTransforms)
  {
    for (int i = 0; i < 6; ++i)
      if (!Near(ga.xform[i], gb.xform[i]))
        return "gradient transform";
    if (!Near(ga.fx, gb.fx) || !Near(ga.fy, gb.fy))
      return "focal point";
  }
  return "";
}

// Empty when the two documents are the same within float rounding; else the first difference.
// Gradient transforms are compared only when asked (they go through inverses).
inline std::string Difference(const Image& a, const Image& b, bool gradientTransforms = true)
{
  if (!Near(a.width, b.width) || !Near(a.height, b.height))
    return "image size";
  if (a.shapes.size() != b.shapes.size())
    return "shape count " + std::to_string(a.shapes.size()) + " vs " + std::to_string(b.shapes.size());
  ComparedStops compared;
  for (size_t s = 0; s < a.shapes.size(); ++s)
  {
    const Shape& x = a.shapes[s];
    const Shape& y = b.shapes[s];
    const std::string where = "shape " + std::to_string(s) + ": ";
    if (x.id != y.id || x.visible != y.visible || x.fillRule != y.fillRule || x.strokeLineJoin != y.strokeLineJoin ||
        x.strokeLineCap != y.strokeLineCap || x.strokeDashCount != y.strokeDashCount)
      return where + "id, flags or dash count";
    if (!Near(x.opacity, y.opacity) || !Near(x.strokeWidth, y.strokeWidth) ||
        !Near(x.strokeDashOffset, y.strokeDashOffset) || !Near(x.miterLimit, y.miterLimit))
      return where + "opacity or stroke";
    for (int i = 0; i < x.strokeDashCount; ++i)
      if (!Near(x.strokeDashArray[i], y.strokeDashArray[i]))
        return where + "dash";
    for (int i = 0; i < 4; ++i)
      if (!Near(x.bounds[i], y.bounds[i]))
        return where + "bounds";
    for (const auto& [pa, pb] : {std::make_pair(&x.fill, &y.fill), std::make_pair(&x.stroke, &y.stroke)})
    {
      const std::string d = PaintDifference(*pa, *pb, gradientTransforms, compared);
      if (!d.empty())
        return where + d;
    }
    if (x.paths.size() != y.paths.size())
      return where + "path count";
    for (size_t p = 0; p < x.paths.size(); ++p)
    {
      if (x.paths[p].closed != y.paths[p].closed || x.paths[p].pts.size() != y.paths[p].pts.size())
        return where + "path " + std::to_string(p) + " closed flag or point count";
      for (size_t i = 0; i < x.paths[p].pts.size(); ++i)
        if (!Near(x.paths[p].pts[i], y.paths[p].pts[i]))
          return where + "path " + std::to_string(p) + " point " + std::to_string(i / 2);
    }
  }
  return "";
}

} // namespace svgchecks
