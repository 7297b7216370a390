// The SVG parser: hand-written documents read to the right geometry, paints and sizes and
// written back to the same document; shapes and their path equivalents agree; malformed
// markup is refused and nothing else is; random documents and damaged copies never break the
// model's promises (run under the sanitizers too).

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>

#include "tests/support/AllocationCounter.h"
#include "SVGChecks.h"
#include "TempDir.h"

using namespace standin::svg;

namespace {

// Parses from a buffer of exactly the text's length, so a read past the end is caught.
std::unique_ptr<Image> ParseExact(const std::string& text, const char* units = "px", float dpi = 96.f)
{
  std::unique_ptr<char[]> buf(new char[text.size() ? text.size() : 1]);
  std::copy(text.begin(), text.end(), buf.get());
  return Parse(buf.get(), text.size(), units, dpi);
}

std::vector<std::string> CorpusFiles()
{
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(testsupport::SourcePath("tests/fuzz/corpus/svg_fuzz")))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::unique_ptr<Image> ParseCorpus(const std::string& name, const char* units = "px", float dpi = 96.f)
{
  return ParseExact(testsupport::ReadFileText(testsupport::SourcePath("tests/fuzz/corpus/svg_fuzz/" + name)), units, dpi);
}

const Shape* ShapeWithId(const Image& image, const std::string& id)
{
  for (const Shape& shape : image.shapes)
    if (shape.id == id)
      return &shape;
  return nullptr;
}

// A point of the gradient's unit space.
std::pair<float, float> ToUnit(const Gradient& g, float x, float y)
{
  return {g.xform[0] * x + g.xform[2] * y + g.xform[4], g.xform[1] * x + g.xform[3] * y + g.xform[5]};
}

std::string GeometryDifference(const Shape& a, const Shape& b)
{
  Image x, y;
  x.shapes.push_back(a);
  y.shapes.push_back(b);
  x.shapes[0].id = y.shapes[0].id = "";
  return svgchecks::Difference(x, y);
}

} // namespace

TEST(SVGParser, CorpusDocumentsKeepTheModelAndRoundTrip)
{
  const std::vector<std::string> files = CorpusFiles();
  ASSERT_GE(files.size(), 5u);
  for (const std::string& file : files)
  {
    SCOPED_TRACE(file);
    for (const char* units : {"px", "mm", "in"})
    {
      const std::unique_ptr<Image> image = ParseExact(testsupport::ReadFileText(file), units);
      ASSERT_NE(image, nullptr);
      EXPECT_FALSE(image->shapes.empty());
      EXPECT_EQ(svgchecks::Violation(*image), "");
      if (std::string(units) != "px")
        continue;
      const std::string written = Write(*image);
      const std::unique_ptr<Image> again = ParseExact(written);
      ASSERT_NE(again, nullptr) << written;
      EXPECT_EQ(svgchecks::Difference(*image, *again), "") << written;
    }
  }
}

TEST(SVGParser, PathCommandsRelativeAbsoluteImplicitAndFaults)
{
  const std::unique_ptr<Image> image = ParseCorpus("commands.svg");
  ASSERT_NE(image, nullptr);
  const Shape* absolute = ShapeWithId(*image, "absolute");
  const Shape* relative = ShapeWithId(*image, "relative");
  ASSERT_TRUE(absolute && relative);
  EXPECT_EQ(GeometryDifference(*absolute, *relative), "");

  // Lines are cubics with their controls at the thirds.
  const std::vector<float>& pts = absolute->paths[0].pts;
  EXPECT_EQ(std::vector<float>(pts.begin(), pts.begin() + 8), (std::vector<float>{10, 10, static_cast<float>(10 + 20.0 / 3), 10,
                                                                   static_cast<float>(10 + 40.0 / 3), 10, 30, 10}));
  EXPECT_TRUE(absolute->paths[0].closed);

  // "A10,10 0 0,1 150,70" from (130, 70): the upper half of the circle about (140, 70), in two
  // segments after those of L, H, V, C, S, Q and T (one cubic each).
  for (int seg = 7; seg < 9; ++seg)
  {
    const float* s = &pts[2 * (1 + 3 * seg)];
    for (float t : {0.f, 0.25f, 0.5f, 0.75f, 1.f})
    {
      const float u = 1.f - t;
      const float x = u * u * u * s[-2] + 3 * u * u * t * s[0] + 3 * u * t * t * s[2] + t * t * t * s[4];
      const float y = u * u * u * s[-1] + 3 * u * u * t * s[1] + 3 * u * t * t * s[3] + t * t * t * s[5];
      EXPECT_NEAR(std::hypot(x - 140.f, y - 70.f), 10.f, 0.01f);
      EXPECT_LE(y, 70.001f); // above the centre: sweep 1 turns clockwise on screen
    }
  }
  EXPECT_FLOAT_EQ(pts[2 * (3 + 3 * 8)], 150.f);

  // Repeated pairs after a move are lines; numbers run into each other.
  const Shape* implicit = ShapeWithId(*image, "implicit");
  ASSERT_TRUE(implicit && implicit->paths.size() == 2);
  EXPECT_EQ(implicit->fillRule, FillRule::EvenOdd);
  EXPECT_TRUE(implicit->paths[0].closed);
  EXPECT_EQ(implicit->paths[0].NPoints(), 13);
  const std::vector<float>& second = implicit->paths[1].pts;
  ASSERT_EQ(second.size(), 2u + 6u * 4u);
  EXPECT_FLOAT_EQ(second[second.size() - 8], 29.5f);
  EXPECT_FLOAT_EQ(second[second.size() - 7], 20.5f);
  EXPECT_FLOAT_EQ(second[second.size() - 2], 19.5f);
  EXPECT_FLOAT_EQ(second[second.size() - 1], 20.4f);

  // A fault keeps what came before it.
  const Shape* broken = ShapeWithId(*image, "broken");
  ASSERT_TRUE(broken && broken->paths.size() == 1);
  EXPECT_EQ(broken->paths[0].NPoints(), 4);

  // After a close, drawing goes on from the sub-path's start; a lone point is dropped.
  const Shape* subpaths = ShapeWithId(*image, "subpaths");
  ASSERT_TRUE(subpaths && subpaths->paths.size() == 3);
  EXPECT_EQ(subpaths->paths[1].pts[0], 0.f);
  EXPECT_EQ(subpaths->paths[1].pts[7], 8.f);
  EXPECT_EQ(subpaths->paths[2].pts[0], 1.f);
  // A line that starts a sub-path after a close moves the current point, so the next close
  // draws the segment back to the start.
  const std::unique_ptr<Image> reopened = ParseExact("<svg><path d='M27 9 h1 v1 h-1 Z h-1 Z'/></svg>");
  ASSERT_TRUE(reopened && reopened->shapes[0].paths.size() == 2);
  EXPECT_EQ(reopened->shapes[0].paths[1].NPoints(), 7);
}

TEST(SVGParser, ShapesAgreeWithTheirPaths)
{
  const std::string doc = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
    <rect x="10" y="20" width="30" height="40"/>
    <path d="M10 20 H40 V60 H10 Z"/>
    <rect x="10" y="20" width="30" height="40" rx="5" ry="8"/>
    <path d="M15 20 H35 A5 8 0 0 1 40 28 V52 A5 8 0 0 1 35 60 H15 A5 8 0 0 1 10 52 V28 A5 8 0 0 1 15 20 Z"/>
    <circle cx="50" cy="50" r="20"/>
    <path d="M70 50 A20 20 0 0 1 50 70 A20 20 0 0 1 30 50 A20 20 0 0 1 50 30 A20 20 0 0 1 70 50 Z"/>
    <ellipse cx="50" cy="50" rx="20" ry="10"/>
    <path d="M70 50 a20 10 0 0 1 -20 10 a20 10 0 0 1 -20 -10 a20 10 0 0 1 20 -10 a20 10 0 0 1 20 10 z"/>
    <polygon points="0,0 10,0 10,10"/>
    <path d="M0 0 L10 0 L10 10 Z"/>
    <line x1="1" y1="2" x2="3" y2="4"/>
    <polyline points="1 2 3 4 5"/>
  </svg>)";
  const std::unique_ptr<Image> image = ParseExact(doc);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->shapes.size(), 12u);
  for (size_t i = 0; i < 12; i += 2)
    EXPECT_EQ(GeometryDifference(image->shapes[i], image->shapes[i + 1]), "") << "pair " << i / 2;

  // Exact bounds of the curves, not of their control points.
  const float* b = image->shapes[4].bounds;
  EXPECT_NEAR(b[0], 30.f, 1e-4f);
  EXPECT_NEAR(b[1], 30.f, 1e-4f);
  EXPECT_NEAR(b[2], 70.f, 1e-4f);
  EXPECT_NEAR(b[3], 70.f, 1e-4f);
}

TEST(SVGParser, SizesUnitsViewBoxesAndTransforms)
{
  // 100 by 50 millimetres: pixels at the dpi, or millimetres when asked.
  std::unique_ptr<Image> image = ParseCorpus("shapes.svg");
  ASSERT_NE(image, nullptr);
  EXPECT_NEAR(image->width, 100.f / 25.4f * 96.f, 1e-3f);
  image = ParseCorpus("shapes.svg", "px", 72.f);
  EXPECT_NEAR(image->width, 100.f / 25.4f * 72.f, 1e-3f);
  image = ParseCorpus("shapes.svg", "mm");
  EXPECT_NEAR(image->width, 100.f, 1e-3f);
  EXPECT_NEAR(image->height, 50.f, 1e-3f);
  // The view box (200 by 100) fills it: the first rectangle at (10, 10) is 5 mm in.
  EXPECT_NEAR(image->shapes[0].bounds[0], 5.f, 1e-3f);
  // Stroke widths scale with it; 1% is of the view box's diagonal.
  EXPECT_NEAR(image->shapes[4].strokeWidth, 0.01f * std::sqrt(0.5f * (200.f * 200.f + 100.f * 100.f)) * 0.5f, 1e-3f);
  // A rectangle of no width is no shape; dashes of odd count repeat.
  EXPECT_EQ(image->shapes.size(), 7u);
  EXPECT_EQ(image->shapes[1].strokeDashCount, 6);
  EXPECT_NEAR(image->shapes[1].strokeDashArray[3], 2.f, 1e-4f);

  // Fitting a square view box into a wide viewport: centred, or stretched with "none".
  auto fitted = [](const char* par) {
    const std::string doc = std::string("<svg width='200' height='100' viewBox='0 0 10 10' preserveAspectRatio='") +
                            par + "'><rect width='10' height='10'/></svg>";
    std::unique_ptr<Image> im = ParseExact(doc);
    return std::vector<float>(im->shapes[0].bounds, im->shapes[0].bounds + 4);
  };
  EXPECT_EQ(fitted("xMidYMid"), (std::vector<float>{50, 0, 150, 100}));
  EXPECT_EQ(fitted("xMinYMin meet"), (std::vector<float>{0, 0, 100, 100}));
  EXPECT_EQ(fitted("xMaxYMax"), (std::vector<float>{100, 0, 200, 100}));
  EXPECT_EQ(fitted("none"), (std::vector<float>{0, 0, 200, 100}));
  EXPECT_EQ(fitted("xMidYMin slice"), (std::vector<float>{0, 0, 200, 200}));

  // Transforms of nested groups compose; the shape's own comes last.
  image = ParseCorpus("styles.svg");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 120.f); // the view box's size without a size of its own
  const Shape* rotated = ShapeWithId(*image, "shown-again");
  ASSERT_NE(rotated, nullptr);
  // (0..5, 0..5) turned about (5, 5), scaled by 2, moved by (10, 20), then by the view box.
  EXPECT_EQ(std::vector<float>(rotated->bounds, rotated->bounds + 4), (std::vector<float>{30, 30, 40, 40}));
  EXPECT_NEAR(rotated->paths[0].pts[0], 40.f, 1e-4f);
  EXPECT_NEAR(rotated->paths[0].pts[1], 30.f, 1e-4f);
}

TEST(SVGParser, PresentationAttributesInheritFoldAndOverride)
{
  std::unique_ptr<Image> image = ParseCorpus("styles.svg");
  ASSERT_NE(image, nullptr);
  // text, use and the unknown element's contents are not drawn; a link's are.
  ASSERT_EQ(image->shapes.size(), 6u);
  EXPECT_EQ(ShapeWithId(*image, "inside-unknown"), nullptr);
  ASSERT_NE(ShapeWithId(*image, "in-link"), nullptr);
  EXPECT_EQ(ShapeWithId(*image, "in-link")->fill.color, PackColor(0xAA, 0xBB, 0xCC));

  const Shape& first = image->shapes[0];
  EXPECT_EQ(first.fill.color, PackColor(255, 165, 0)); // the style attribute wins
  EXPECT_EQ(first.stroke.color, PackColor(0, 128, 0)); // inherited
  EXPECT_FLOAT_EQ(first.strokeWidth, 2.f);             // 0.1em of 10, scaled by 2
  EXPECT_FLOAT_EQ(first.opacity, 0.5f);                // the group's
  EXPECT_FALSE(ShapeWithId(*image, "hidden")->visible);
  EXPECT_TRUE(ShapeWithId(*image, "shown-again")->visible);
  EXPECT_FALSE(ShapeWithId(*image, "not-displayed")->visible);
  EXPECT_EQ(image->shapes[4].strokeLineCap, LineCap::Square);
  EXPECT_EQ(image->shapes[4].fill.color, PackColor(0, 0, 255)); // inherit

  image = ParseCorpus("shapes.svg");
  // rgba's alpha and fill-opacity multiply into the colour's alpha.
  EXPECT_EQ(image->shapes[2].fill.color, PackColor(0, 128, 255, 64));
  EXPECT_EQ(image->shapes[3].stroke.color, PackColor(128, 0, 128)); // currentColor, set on the element itself
  EXPECT_EQ(image->shapes[3].strokeLineJoin, LineJoin::Bevel);
  EXPECT_EQ(image->shapes[5].stroke.color, PackColor(0, 0, 255, 0x88));
  EXPECT_FLOAT_EQ(image->shapes[5].miterLimit, 2.f);
  EXPECT_EQ(image->shapes[5].fill.type, PaintType::None);
  EXPECT_EQ(image->shapes[0].stroke.type, PaintType::None); // no stroke by default

  image = ParseCorpus("knob.svg");
  ASSERT_EQ(image->shapes.size(), 3u); // nothing from defs
  EXPECT_FLOAT_EQ(image->shapes[1].opacity, 0.75f);
  EXPECT_EQ(image->shapes[2].strokeLineCap, LineCap::Round);
  EXPECT_FLOAT_EQ(image->shapes[2].strokeWidth, 4.f);
}

TEST(SVGParser, GradientsMapOntoTheirUnitSpace)
{
  const std::unique_ptr<Image> image = ParseCorpus("gradients.svg");
  ASSERT_NE(image, nullptr);

  // User space: along x from 0 to 100, stops kept in order and their opacity in the alpha.
  const Shape* user = ShapeWithId(*image, "user");
  ASSERT_EQ(user->fill.type, PaintType::LinearGradient);
  const Gradient& linear = user->fill.gradient;
  EXPECT_NEAR(ToUnit(linear, 0.f, 30.f).second, 0.f, 1e-6f);
  EXPECT_NEAR(ToUnit(linear, 100.f, 7.f).second, 1.f, 1e-6f);
  EXPECT_EQ(linear.spread, Spread::Repeat);
  ASSERT_EQ(linear.stops.size(), 3u);
  EXPECT_EQ(linear.stops[1].color, PackColor(255, 255, 255, 64));
  EXPECT_FLOAT_EQ(linear.stops[2].offset, 0.5f); // never before the stop ahead of it
  // A reference that leads nowhere takes its fallback colour.
  EXPECT_EQ(user->stroke.type, PaintType::Color);
  EXPECT_EQ(user->stroke.color, PackColor(255, 215, 0));

  // The bounding box (0, 50)-(100, 100): centre and radius at half of it.
  const Shape* box = ShapeWithId(*image, "box");
  ASSERT_EQ(box->fill.type, PaintType::RadialGradient);
  const Gradient& radial = box->fill.gradient;
  auto centre = ToUnit(radial, 50.f, 75.f);
  EXPECT_NEAR(centre.first, 0.f, 1e-6f);
  EXPECT_NEAR(centre.second, 0.f, 1e-6f);
  EXPECT_NEAR(ToUnit(radial, 100.f, 75.f).first, 1.f, 1e-6f);
  EXPECT_NEAR(ToUnit(radial, 50.f, 100.f).second, 1.f, 1e-6f);
  EXPECT_FLOAT_EQ(radial.fx, -0.5f);
  EXPECT_FLOAT_EQ(radial.fy, 0.f);

  // No stops paint nothing, one stop is a plain colour, a loop of references ends.
  EXPECT_EQ(ShapeWithId(*image, "nostops")->fill.type, PaintType::None);
  EXPECT_EQ(ShapeWithId(*image, "onestop")->fill.type, PaintType::Color);
  EXPECT_EQ(ShapeWithId(*image, "onestop")->fill.color, PackColor(0, 128, 128));
  EXPECT_EQ(ShapeWithId(*image, "loop")->fill.type, PaintType::None);

  // A gradient named before it is defined, through a reference for its stops.
  const std::unique_ptr<Image> knob = ParseCorpus("knob.svg");
  ASSERT_EQ(knob->shapes[1].fill.type, PaintType::RadialGradient);
  EXPECT_EQ(knob->shapes[1].fill.gradient.spread, Spread::Reflect);
  EXPECT_EQ(knob->shapes[1].fill.gradient.stops.size(), 2u);
  EXPECT_EQ(knob->shapes[1].fill.gradient.stops[1].color, PackColor(102, 102, 102, 128));
}

TEST(SVGParser, OnlyMalformedMarkupIsRefused)
{
  const char* const malformed[] = {
    "", "   ", "<", "<svg", "<svg>", "<svg></g>", "</svg>", "<svg x=1/>", "<svg x='1/>", "<svg x/>",
    "<svg><!-- </svg>", "<svg/><svg/>", "< svg/>", "<svg a='1'b='2'/>", "<svg><![CDATA[ </svg>",
    "<!DOCTYPE svg [ <svg/>", "<svg><?pi </svg>", "<svg></svg ", "<svg><g></svg></g>", "<svg/ >",
    "<g/>", "<1svg/>",
  };
  for (const char* text : malformed)
    EXPECT_EQ(ParseExact(text), nullptr) << text;
  EXPECT_EQ(ParseExact(std::string("<svg/>\0<x", 9)), nullptr);

  const char* const accepted[] = {
    "<svg/>",
    "\xEF\xBB\xBF<?xml version='1.0'?><!-- c --><!DOCTYPE svg [<!ENTITY a 'b>'>]><svg></svg><!-- after -->",
    "<svg><![CDATA[<not markup>]]><foo:bar x='&lt;&#65;&#x42;&bogus;&#0;'/></svg>",
    "<svg><path d='nonsense' fill='notacolour' stroke='url(' transform='rotate(' stroke-width='-1'/></svg>",
    "<svg width='-5' height='abc' viewBox='0 0 -1 1'><rect width='1e39' height='1'/></svg>",
    "<svg:svg xmlns:svg='http://www.w3.org/2000/svg'><svg:rect width='1' height='1'/></svg:svg>",
  };
  for (const char* text : accepted)
  {
    const std::unique_ptr<Image> image = ParseExact(text);
    ASSERT_NE(image, nullptr) << text;
    EXPECT_EQ(svgchecks::Violation(*image), "") << text;
  }
  EXPECT_EQ(ParseExact(accepted[5])->shapes.size(), 1u); // prefixed names read as their local names
}

namespace {

// Random documents from the parts of SVG the parser reads, with numbers from tiny to huge.
class DocumentMaker
{
public:
  explicit DocumentMaker(uint32_t seed) : mRng(seed) {}

  std::string Document()
  {
    std::string out = "<svg" + Attributes(true) + ">";
    Children(out, 0);
    return out + "</svg>";
  }

private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(mRng); }

  std::string Number()
  {
    static const char* const kSpecial[] = {"0", "-0", ".5", "1e38", "-3.4e38", "1e-40", "1e39", "7", "-.25e2", "360"};
    if (Pick(4) == 0)
      return kSpecial[Pick(10)];
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%g", std::uniform_real_distribution<double>(-200.0, 200.0)(mRng));
    return buf;
  }

  std::string Length()
  {
    static const char* const kUnits[] = {"", "", "px", "mm", "%", "em", "in", "pt", "q"};
    return Number() + kUnits[Pick(9)];
  }

  std::string Color()
  {
    static const char* const kColors[] = {"red", "#abc", "#a1b2c3", "#12345678", "rgb(10%, 20, 300)", "none",
                                          "currentColor", "url(#g0)", "url(#g1) blue", "url(#nope)", "rgba(1,2,3,.5)",
                                          "garbage", "inherit", "#12"};
    return kColors[Pick(14)];
  }

  std::string PathData()
  {
    static const char kCommands[] = "MmLlHhVvCcSsQqTtAaZz";
    std::string d = Pick(8) ? "M" + Number() + " " + Number() : "";
    for (int i = 0, n = Pick(12); i < n; ++i)
    {
      const char c = kCommands[Pick(20)];
      d += c;
      const int args = (c == 'A' || c == 'a') ? 0 : std::string("HhVv").find(c) != std::string::npos ? 1 : 6;
      if (c == 'A' || c == 'a')
        d += Number() + " " + Number() + " " + Number() + " " + std::to_string(Pick(2)) + std::to_string(Pick(2)) +
             Number() + "," + Number();
      for (int k = 0; k < args && c != 'Z' && c != 'z'; ++k)
        d += (k ? "," : " ") + Number();
      if (Pick(20) == 0)
        d += "#";
    }
    return d;
  }

  std::string Transform()
  {
    static const char* const kNames[] = {"translate", "scale", "rotate", "skewX", "skewY", "matrix"};
    std::string t;
    for (int i = 0, n = Pick(3) + 1; i < n; ++i)
    {
      t += std::string(kNames[Pick(6)]) + "(";
      for (int k = 0, m = Pick(7); k < m; ++k)
        t += (k ? " " : "") + Number();
      t += ") ";
    }
    return t;
  }

  std::string Attributes(bool root)
  {
    static const char* const kLengths[] = {"x", "y", "width", "height", "rx", "ry", "cx", "cy", "r", "x1", "y1",
                                           "x2", "y2", "fx", "fy", "stroke-width", "stroke-dashoffset", "offset",
                                           "font-size"};
    static const char* const kKeywords[][2] = {
      {"fill-rule", "evenodd"},        {"stroke-linejoin", "round"}, {"stroke-linecap", "square"},
      {"visibility", "hidden"},        {"display", "none"},          {"gradientUnits", "userSpaceOnUse"},
      {"spreadMethod", "reflect"},     {"preserveAspectRatio", "xMaxYMin slice"},
      {"stroke-dasharray", "1 2 3"},   {"stroke-dasharray", "-1"},   {"opacity", "0.5"},
      {"fill-opacity", "150%"},        {"stop-opacity", "0.3"},      {"stroke-miterlimit", "0.5"}};
    std::string out;
    for (int i = 0, n = Pick(6); i < n; ++i)
    {
      const int kind = Pick(9);
      if (kind < 3)
        out += std::string(" ") + kLengths[Pick(19)] + "='" + Length() + "'";
      else if (kind == 3)
        out += std::string(" ") + (Pick(2) ? "fill" : Pick(2) ? "stroke" : "stop-color") + "='" + Color() + "'";
      else if (kind == 4)
        out += " transform='" + Transform() + "'";
      else if (kind == 5)
        out += " d='" + PathData() + "'";
      else if (kind == 6)
        out += " points='" + Number() + "," + Number() + " " + Number() + " " + Number() + " " + Number() + "'";
      else if (kind == 7)
        out += std::string(" ") + kKeywords[Pick(14)][0] + "='" + kKeywords[Pick(14)][1] + "'";
      else
        out += " style='fill:" + Color() + ";stroke-width:" + Length() + "; opacity : " + Number() + "'";
    }
    if (root && Pick(2))
      out += " viewBox='" + Number() + " " + Number() + " " + Number() + " " + Number() + "'";
    if (Pick(3) == 0)
      out += " id='g" + std::to_string(Pick(2)) + "'";
    if (Pick(6) == 0)
      out += " href='#g" + std::to_string(Pick(2)) + "'";
    return out;
  }

  void Children(std::string& out, int depth)
  {
    static const char* const kElements[] = {"g", "path", "rect", "circle", "ellipse", "line", "polyline",
                                            "polygon", "linearGradient", "radialGradient", "stop", "defs",
                                            "title", "text", "svg", "a", "mystery"};
    for (int i = 0, n = Pick(depth < 4 ? 5 : 2); i < n; ++i)
    {
      const char* name = kElements[Pick(17)];
      out += std::string("<") + name + Attributes(false);
      if (depth < 5 && Pick(2))
      {
        out += ">";
        Children(out, depth + 1);
        out += std::string("</") + name + ">";
      }
      else
      {
        out += "/>";
      }
    }
  }

  std::mt19937 mRng;
};

} // namespace

TEST(SVGParser, RandomDocumentsAndDamagedCopiesKeepTheModel)
{
  std::mt19937 rng(20240917);
  DocumentMaker maker(7);
  // The corpus documents of an ordinary size: the largest are there for the fuzz target's
  // time per input, and damaging them a hundred times over would only repeat their work here.
  std::vector<std::string> seeds;
  for (const std::string& file : CorpusFiles())
  {
    std::string text = testsupport::ReadFileText(file);
    if (text.size() <= 64 * 1024)
      seeds.push_back(std::move(text));
  }

  int parsed = 0;
  auto check = [&](const std::string& text) {
    const std::unique_ptr<Image> image = ParseExact(text);
    if (!image)
      return;
    ++parsed;
    ASSERT_EQ(svgchecks::Violation(*image), "") << text;
    const std::unique_ptr<Image> again = ParseExact(Write(*image));
    ASSERT_NE(again, nullptr) << text;
    ASSERT_EQ(svgchecks::Difference(*image, *again, false), "") << text;
  };

  for (int i = 0; i < 1500; ++i)
  {
    check(maker.Document());
    // A corpus document cut short, with bytes changed, or with a piece repeated.
    std::string text = seeds[static_cast<size_t>(i) % seeds.size()];
    const size_t at = std::uniform_int_distribution<size_t>(0, text.size() - 1)(rng);
    switch (i % 3)
    {
      case 0: text.resize(at); break;
      case 1:
        for (int k = 0; k < 4; ++k)
          text[std::uniform_int_distribution<size_t>(0, text.size() - 1)(rng)] = static_cast<char>(rng());
        break;
      default: text.insert(at, text.substr(at, std::min<size_t>(40, text.size() - at))); break;
    }
    check(text);
    if (HasFatalFailure())
      return;
  }
  EXPECT_GT(parsed, 1500); // most random documents are well-formed
}

// What an element inherits or shares is held once: a long paint reference inherited through
// nested groups, and one long gradient used by many shapes, each at its own opacity. The
// memory held at once stays within a small multiple of the text, and writing the document
// back stays as short.
TEST(SVGParser, InheritedAndSharedPaintsTakeMemoryInProportionToTheText)
{
  const std::string id(100000, 'u');
  std::string inherited = "<svg width='10' height='10'><linearGradient id='" + id +
                          "'><stop offset='0' stop-color='red'/><stop offset='1' stop-color='blue'/></linearGradient>"
                          "<g fill='url(#" + id + ")'>";
  for (int i = 0; i < 200; ++i)
    inherited += "<g>";
  inherited += "<rect width='5' height='5'/>";
  for (int i = 0; i < 200; ++i)
    inherited += "</g>";
  inherited += "</g></svg>";

  std::string shared = "<svg width='10' height='10'><linearGradient id='g'>";
  for (int i = 0; i < 2000; ++i)
    shared += "<stop offset='" + std::to_string(i / 2000.0) + "' stop-color='#8040c0'/>";
  shared += "</linearGradient>";
  for (int i = 0; i < 2000; ++i)
    shared += "<rect x='" + std::to_string(i % 10) + "' width='1' height='1' fill='url(#g)' fill-opacity='" +
              std::to_string((i % 100) / 100.0) + "'/>";
  shared += "</svg>";

  for (const std::string* text : {&inherited, &shared})
  {
    testsupport::ResetPeakBytes();
    const std::unique_ptr<Image> image = ParseExact(*text);
    const long peak = testsupport::PeakBytesSinceReset();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->shapes.back().fill.type, PaintType::LinearGradient);
    EXPECT_LT(peak, 16 * static_cast<long>(text->size())) << "text of " << text->size() << " bytes, peak " << peak;
    const std::string written = Write(*image);
    EXPECT_LT(written.size(), 8 * text->size());
    // Written within a bound: the whole text when it fits, nothing when one byte is missing.
    EXPECT_EQ(WriteWithin(*image, written.size()), written);
    EXPECT_FALSE(WriteWithin(*image, written.size() - 1));
    EXPECT_FALSE(WriteWithin(*image, 100));
  }
}
