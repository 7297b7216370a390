// The document written back as SVG: one path element per shape with absolute cubic segments,
// and one gradient element per gradient paint in user space, its transform the inverse of the
// paint's, so that reading the text again gives the same document. Stops shared by several
// paints are written once, in a gradient element of their own that the paints' elements
// refer to, so the text grows with the document, not with its paints times their stops.

#include <cstdio>
#include <unordered_map>

#include "standin/svg/SVG.h"
#include "standin/svg/SVGReader.h"

namespace standin {
namespace svg {

namespace {

using reader::Matrix;

std::string Num(double v)
{
  char buf[40];
  std::snprintf(buf, sizeof(buf), "%.9g", v);
  return buf;
}

std::string Escaped(const std::string& text)
{
  std::string out;
  for (char c : text)
  {
    switch (c)
    {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string Hex(uint32_t color)
{
  char buf[8];
  std::snprintf(buf, sizeof(buf), "#%02x%02x%02x", ColorR(color), ColorG(color), ColorB(color));
  return buf;
}

std::string Alpha(uint32_t color)
{
  return Num(ColorA(color) / 255.0);
}

struct Defs
{
  std::string text;
  int nGradients = 0;
  std::unordered_map<const std::vector<GradientStop>*, std::string> stopIds; // written stops
};

// The id of the element holding the stops, written the first time they are met.
const std::string& StopsId(const GradientStops& stops, Defs& defs)
{
  auto it = defs.stopIds.find(stops.Shared());
  if (it != defs.stopIds.end())
    return it->second;
  const std::string id = "s" + std::to_string(defs.stopIds.size());
  defs.text += "<linearGradient id=\"" + id + "\">\n";
  for (const GradientStop& stop : *stops.Shared())
    defs.text += "  <stop offset=\"" + Num(stop.offset) + "\" stop-color=\"" + Hex(stop.color) +
                 "\" stop-opacity=\"" + Alpha(stop.color) + "\"/>\n";
  defs.text += "</linearGradient>\n";
  return defs.stopIds.emplace(stops.Shared(), id).first->second;
}

// The gradient element for a paint; its reference goes into paintText, the opacity its stops
// are seen with into opacityText.
void WriteGradient(const Paint& paint, Defs& defs, std::string& paintText, std::string& opacityText)
{
  const Gradient& g = paint.gradient;
  const Matrix xform{g.xform[0], g.xform[1], g.xform[2], g.xform[3], g.xform[4], g.xform[5]};
  Matrix toUser;
  if (!xform.Invert(toUser))
  {
    paintText = "none";
    return;
  }
  const bool radial = paint.type == PaintType::RadialGradient;
  // The reader maps unit space onto the gradient's coordinates before the gradient
  // transform; for the segment (0, 0)-(0, 1) that map is a mirror in x, its own inverse.
  if (!radial)
    toUser = toUser * Matrix{-1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
  static const char* const kSpread[] = {"pad", "reflect", "repeat"};
  const std::string& stopsId = StopsId(g.stops, defs);
  const std::string id = "g" + std::to_string(defs.nGradients++);
  std::string& out = defs.text;
  out += radial ? "<radialGradient" : "<linearGradient";
  out += " id=\"" + id + "\" href=\"#" + stopsId + "\" gradientUnits=\"userSpaceOnUse\"";
  if (radial)
    out += " cx=\"0\" cy=\"0\" r=\"1\" fx=\"" + Num(g.fx) + "\" fy=\"" + Num(g.fy) + "\"";
  else
    out += " x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\"";
  out += " spreadMethod=\"" + std::string(kSpread[static_cast<int>(g.spread) % 3]) + "\"";
  out += " gradientTransform=\"matrix(" + Num(toUser.a) + " " + Num(toUser.b) + " " + Num(toUser.c) + " " +
         Num(toUser.d) + " " + Num(toUser.e) + " " + Num(toUser.f) + ")\"/>\n";
  paintText = "url(#" + id + ")";
  opacityText = Num(g.stops.Opacity());
}

// fill="..." fill-opacity="..." (or the stroke's), gradients added to defs.
std::string PaintAttributes(const char* name, const Paint& paint, Defs& defs)
{
  std::string text = "none", opacity;
  switch (paint.type)
  {
    case PaintType::Color:
      text = Hex(paint.color);
      opacity = Alpha(paint.color);
      break;
    case PaintType::LinearGradient:
    case PaintType::RadialGradient: WriteGradient(paint, defs, text, opacity); break;
    default: break;
  }
  std::string out = std::string(" ") + name + "=\"" + text + "\"";
  if (!opacity.empty())
    out += std::string(" ") + name + "-opacity=\"" + opacity + "\"";
  return out;
}

} // namespace

std::string Write(const Image& image)
{
  return *WriteWithin(image, std::string().max_size());
}

std::optional<std::string> WriteWithin(const Image& image, size_t maxLength)
{
  static const char* const kJoins[] = {"miter", "round", "bevel"};
  static const char* const kCaps[] = {"butt", "round", "square"};
  Defs defs;
  std::string body;
  for (const Shape& shape : image.shapes)
  {
    body += "<path";
    if (!shape.id.empty())
      body += " id=\"" + Escaped(shape.id) + "\"";
    body += " d=\"";
    for (const Path& path : shape.paths)
    {
      for (size_t i = 0; i + 1 < path.pts.size(); i += 2)
      {
        body += i == 0 ? "M" : (i - 2) % 6 == 0 ? " C" : " ";
        body += Num(path.pts[i]) + " " + Num(path.pts[i + 1]);
      }
      body += path.closed ? " Z " : " ";
      if (body.size() > maxLength)
        return std::nullopt;
    }
    body += "\"";
    body += PaintAttributes("fill", shape.fill, defs);
    body += PaintAttributes("stroke", shape.stroke, defs);
    body += " fill-rule=\"" + std::string(shape.fillRule == FillRule::EvenOdd ? "evenodd" : "nonzero") + "\"";
    body += " stroke-width=\"" + Num(shape.strokeWidth) + "\"";
    body += " stroke-linejoin=\"" + std::string(kJoins[static_cast<int>(shape.strokeLineJoin) % 3]) + "\"";
    body += " stroke-linecap=\"" + std::string(kCaps[static_cast<int>(shape.strokeLineCap) % 3]) + "\"";
    body += " stroke-miterlimit=\"" + Num(shape.miterLimit) + "\"";
    if (shape.strokeDashCount > 0)
    {
      body += " stroke-dasharray=\"";
      for (int i = 0; i < shape.strokeDashCount && i < Shape::kMaxDashes; ++i)
        body += (i ? " " : "") + Num(shape.strokeDashArray[i]);
      body += "\"";
    }
    body += " stroke-dashoffset=\"" + Num(shape.strokeDashOffset) + "\"";
    body += " opacity=\"" + Num(shape.opacity) + "\"";
    if (!shape.visible)
      body += " visibility=\"hidden\"";
    body += "/>\n";
    if (body.size() + defs.text.size() > maxLength)
      return std::nullopt;
  }
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\"";
  if (image.width > 0.f)
    out += " width=\"" + Num(image.width) + "\"";
  if (image.height > 0.f)
    out += " height=\"" + Num(image.height) + "\"";
  out += ">\n";
  if (!defs.text.empty())
    out += "<defs>\n" + defs.text + "</defs>\n";
  out += body;
  out += "</svg>\n";
  if (out.size() > maxLength)
    return std::nullopt;
  return out;
}

} // namespace svg
} // namespace standin
