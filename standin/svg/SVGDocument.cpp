// The SVG document: elements turned into shapes with their paints and strokes, inherited
// presentation attributes, the root viewport, and gradients resolved once the whole document
// has been read (a gradient may be defined after the shapes that use it).

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <unordered_map>

#include "standin/svg/SVG.h"
#include "standin/svg/SVGReader.h"

namespace standin {
namespace svg {

using namespace reader;

namespace {

constexpr double kDefaultFontSize = 16.0;
constexpr int kMaxGradientChain = 32;
// Control-point distance of a quarter circle of radius 1 drawn as one cubic.
constexpr double kKappa = 0.5522847498307936;

enum class Axis
{
  X,
  Y,
  Diagonal
};

const std::string* FindAttribute(const std::vector<Attribute>& attributes, std::string_view name)
{
  for (const Attribute& a : attributes)
    if (a.name == name)
      return &a.value;
  return nullptr;
}

// The declarations of the element's style attribute ("name: value", split at ";"), name and
// value trimmed; pieces without a colon are skipped.
std::vector<std::pair<std::string_view, std::string_view>> StyleDeclarations(const std::vector<Attribute>& attributes)
{
  std::vector<std::pair<std::string_view, std::string_view>> declarations;
  if (const std::string* style = FindAttribute(attributes, "style"))
  {
    std::string_view rest(*style);
    while (!rest.empty())
    {
      const size_t semi = rest.find(';');
      const std::string_view decl = rest.substr(0, semi);
      rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
      const size_t colon = decl.find(':');
      if (colon != std::string_view::npos)
        declarations.emplace_back(Trim(decl.substr(0, colon)), Trim(decl.substr(colon + 1)));
    }
  }
  return declarations;
}

// ---------------------------------------------------------------------------------------
// Bounds of cubic segments: the end points and the extremes between them.

struct Box
{
  double l = 0.0, t = 0.0, r = 0.0, b = 0.0;
  bool empty = true;

  void Add(double x, double y)
  {
    if (empty)
    {
      l = r = x;
      t = b = y;
      empty = false;
      return;
    }
    l = std::min(l, x);
    r = std::max(r, x);
    t = std::min(t, y);
    b = std::max(b, y);
  }
  void Add(const Box& o)
  {
    if (!o.empty)
    {
      Add(o.l, o.t);
      Add(o.r, o.b);
    }
  }
};

double CubicAt(double p0, double p1, double p2, double p3, double t)
{
  const double u = 1.0 - t;
  return u * u * u * p0 + 3.0 * u * u * t * p1 + 3.0 * u * t * t * p2 + t * t * t * p3;
}

// The parameters in (0, 1) where one coordinate of the cubic turns.
int CubicExtremes(double p0, double p1, double p2, double p3, double ts[2])
{
  const double a = -p0 + 3.0 * p1 - 3.0 * p2 + p3;
  const double b = 2.0 * (p0 - 2.0 * p1 + p2);
  const double c = p1 - p0;
  int n = 0;
  auto keep = [&](double t) {
    if (t > 0.0 && t < 1.0)
      ts[n++] = t;
  };
  if (std::fabs(a) < 1e-12)
  {
    if (std::fabs(b) > 1e-12)
      keep(-c / b);
    return n;
  }
  const double disc = b * b - 4.0 * a * c;
  if (disc < 0.0)
    return n;
  const double s = std::sqrt(disc);
  keep((-b + s) / (2.0 * a));
  keep((-b - s) / (2.0 * a));
  return n;
}

Box CurveBounds(const std::vector<double>& pts)
{
  Box box;
  if (pts.size() < 2)
    return box;
  box.Add(pts[0], pts[1]);
  for (size_t i = 2; i + 6 <= pts.size(); i += 6)
  {
    const double x0 = pts[i - 2], y0 = pts[i - 1];
    const double* s = &pts[i];
    box.Add(s[4], s[5]);
    double ts[2];
    for (int k = 0, n = CubicExtremes(x0, s[0], s[2], s[4], ts); k < n; ++k)
      box.Add(CubicAt(x0, s[0], s[2], s[4], ts[k]), CubicAt(y0, s[1], s[3], s[5], ts[k]));
    for (int k = 0, n = CubicExtremes(y0, s[1], s[3], s[5], ts); k < n; ++k)
      box.Add(CubicAt(x0, s[0], s[2], s[4], ts[k]), CubicAt(y0, s[1], s[3], s[5], ts[k]));
  }
  return box;
}

// ---------------------------------------------------------------------------------------
// Inherited state

struct PaintSpec
{
  enum class Kind
  {
    None,
    Color,
    Url
  };
  Kind kind = Kind::None;
  uint32_t color = PackColor(0, 0, 0);
  // Shared by every element that inherits the paint: a long reference is held once.
  std::shared_ptr<const std::string> url;
  // What a reference that leads nowhere paints with.
  Kind fallbackKind = Kind::None;
  uint32_t fallbackColor = 0;
};

PaintSpec BlackFill()
{
  PaintSpec paint;
  paint.kind = PaintSpec::Kind::Color;
  return paint;
}

struct State
{
  enum class Mode
  {
    Draw,   // shapes are drawn
    NoDraw, // shapes are not drawn; gradients are read
    Ignore  // nothing inside is read
  };
  Mode mode = Mode::Draw;
  Matrix xform;
  PaintSpec fill = BlackFill();
  PaintSpec stroke;
  double fillOpacity = 1.0;
  double strokeOpacity = 1.0;
  double opacity = 1.0; // the groups' opacity multiplied
  double strokeWidth = 1.0;
  double dashOffset = 0.0;
  double miterLimit = 4.0;
  std::vector<double> dashes;
  LineJoin join = LineJoin::Miter;
  LineCap cap = LineCap::Butt;
  FillRule fillRule = FillRule::NonZero;
  bool hidden = false;      // visibility, inherited and overridable
  bool displayNone = false; // display: none here or above
  double fontSize = kDefaultFontSize;
  uint32_t color = PackColor(0, 0, 0);
};

struct GradientDef
{
  std::string id;
  std::string href;
  bool radial = false;
  std::optional<Length> x1, y1, x2, y2, cx, cy, r, fx, fy;
  std::optional<bool> userSpace;
  std::optional<Matrix> transform;
  std::optional<Spread> spread;
  // Held once, shared by every paint that uses the gradient; null until the first stop.
  std::shared_ptr<std::vector<GradientStop>> stops;
};

// A shape's paint that names a gradient, resolved at the end.
struct PendingPaint
{
  size_t shape = 0;
  bool stroke = false;
  PaintSpec spec;
  double opacity = 1.0; // fill- or stroke-opacity
  Matrix xform;         // the shape's transform
  Box localBounds;      // the shape's bounds before its transform
};

bool ReadOpacity(std::string_view text, double& out)
{
  Length len;
  if (!ReadLength(text, len) || (len.unit != Unit::None && len.unit != Unit::Percent))
    return false;
  out = std::clamp(len.unit == Unit::Percent ? len.value / 100.0 : len.value, 0.0, 1.0);
  return true;
}

// One of the keywords of the table; false (out unchanged) for any other text.
template <class T>
bool ReadKeyword(std::string_view value, std::initializer_list<std::pair<const char*, T>> table, T& out)
{
  for (const auto& entry : table)
  {
    if (value == entry.first)
    {
      out = entry.second;
      return true;
    }
  }
  return false;
}

uint32_t WithAlpha(uint32_t color, double opacity)
{
  const double a = std::clamp(ColorA(color) / 255.0 * opacity, 0.0, 1.0);
  return (color & 0x00FFFFFFu) | (static_cast<uint32_t>(std::lround(a * 255.0)) << 24);
}

// ---------------------------------------------------------------------------------------
// The document

class Document : public MarkupHandler
{
public:
  Document(const char* units, float dpi) : mDpi(dpi > 0.f ? dpi : 96.0)
  {
    static const struct
    {
      const char* name;
      double inches; // one unit in inches; 0 for pixels
    } kUnits[] = {{"pt", 1.0 / 72.0}, {"pc", 1.0 / 6.0}, {"mm", 1.0 / 25.4}, {"cm", 1.0 / 2.54}, {"in", 1.0}};
    for (const auto& u : kUnits)
      if (units && EqualsNoCase(units, u.name))
        mUnitScale = 1.0 / (u.inches * mDpi);
  }

  void StartElement(std::string_view name, const std::vector<Attribute>& attributes) override;
  void EndElement(std::string_view name) override;
  // The document, or null with the reason.
  std::unique_ptr<Image> Finish(std::string& whyRefused);

private:
  double ToPx(const Length& len, Axis axis, double fontSize) const;
  double LengthAttribute(const std::vector<Attribute>& attributes, std::string_view name, Axis axis,
                         const State& s, double fallback = 0.0) const;
  void ApplyStyle(State& s, const State& parent, const std::vector<Attribute>& attributes) const;
  bool ApplyProperty(State& s, std::string_view name, std::string_view value, double& ownOpacity,
                     bool& ownDisplayNone) const;
  bool ReadPaint(std::string_view text, const State& s, PaintSpec& out) const;
  bool ReadDashes(std::string_view text, const State& s, std::vector<double>& out) const;
  void SetUpViewport(const std::vector<Attribute>& attributes, State& s);
  void StartGradient(std::string_view name, const std::vector<Attribute>& attributes);
  void AddStop(const std::vector<Attribute>& attributes, const State& s);
  void AddShape(std::string_view name, const std::vector<Attribute>& attributes, const State& s);
  void EmitShape(const std::vector<Attribute>& attributes, const State& s, const std::vector<SubPath>& paths);
  Paint ResolvePaint(const PendingPaint& pending, const std::unordered_map<std::string, size_t>& ids) const;

  double mDpi;
  double mUnitScale = 1.0; // pixels to the units asked for
  std::vector<State> mStates;
  std::unique_ptr<Image> mImage = std::make_unique<Image>();
  bool mRootIsSvg = false;
  bool mTooDeep = false; // refused: past this, nothing more is read
  bool mSizeKnown[2] = {false, false};
  double mViewW = 100.0, mViewH = 100.0; // what percentages refer to
  std::vector<GradientDef> mGradients;
  int mOpenGradient = -1;
  std::vector<PendingPaint> mPending;
};

double Document::ToPx(const Length& len, Axis axis, double fontSize) const
{
  switch (len.unit)
  {
    case Unit::None:
    case Unit::Px: return len.value;
    case Unit::Pt: return len.value * mDpi / 72.0;
    case Unit::Pc: return len.value * mDpi / 6.0;
    case Unit::Mm: return len.value * mDpi / 25.4;
    case Unit::Cm: return len.value * mDpi / 2.54;
    case Unit::In: return len.value * mDpi;
    case Unit::Em: return len.value * fontSize;
    case Unit::Ex: return len.value * fontSize * 0.5;
    case Unit::Percent:
    {
      const double ref = axis == Axis::X   ? mViewW
                         : axis == Axis::Y ? mViewH
                                           : std::sqrt(0.5 * (mViewW * mViewW + mViewH * mViewH));
      return len.value / 100.0 * ref;
    }
  }
  return len.value;
}

double Document::LengthAttribute(const std::vector<Attribute>& attributes, std::string_view name, Axis axis,
                                 const State& s, double fallback) const
{
  Length len;
  const std::string* value = FindAttribute(attributes, name);
  return value && ReadLength(*value, len) ? ToPx(len, axis, s.fontSize) : fallback;
}

bool Document::ReadPaint(std::string_view text, const State& s, PaintSpec& out) const
{
  text = Trim(text);
  if (text == "none")
  {
    out = PaintSpec();
    return true;
  }
  if (text.size() > 4 && EqualsNoCase(text.substr(0, 4), "url("))
  {
    const size_t close = text.find(')');
    if (close == std::string_view::npos)
      return false;
    std::string_view ref = Trim(text.substr(4, close - 4));
    if (ref.size() >= 2 && (ref.front() == '"' || ref.front() == '\'') && ref.back() == ref.front())
      ref = ref.substr(1, ref.size() - 2);
    if (ref.empty() || ref[0] != '#')
      return false;
    PaintSpec paint;
    paint.kind = PaintSpec::Kind::Url;
    paint.url = std::make_shared<const std::string>(ref.substr(1));
    const std::string_view fallback = Trim(text.substr(close + 1));
    if (!fallback.empty() && fallback != "none" && ReadColor(fallback, s.color, paint.fallbackColor))
      paint.fallbackKind = PaintSpec::Kind::Color;
    out = std::move(paint);
    return true;
  }
  uint32_t color = 0;
  if (!ReadColor(text, s.color, color))
    return false;
  out = PaintSpec();
  out.kind = PaintSpec::Kind::Color;
  out.color = color;
  return true;
}

bool Document::ReadDashes(std::string_view text, const State& s, std::vector<double>& out) const
{
  std::vector<double> dashes;
  text = Trim(text);
  double sum = 0.0;
  size_t i = 0;
  while (text != "none" && i < text.size())
  {
    const size_t next = text.find_first_of(", \t\r\n", i);
    const std::string_view item = text.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i);
    i = next == std::string_view::npos ? text.size() : next + 1;
    if (Trim(item).empty())
      continue;
    Length len;
    if (!ReadLength(item, len))
      return false;
    const double v = ToPx(len, Axis::Diagonal, s.fontSize);
    if (!(v >= 0.0 && v <= 3.4e38))
      return false;
    dashes.push_back(v);
    sum += v;
  }
  if (!(sum > 0.0))
    dashes.clear(); // "none", or neither dashes nor gaps: a solid line
  if (dashes.size() % 2 == 1)
    dashes.insert(dashes.end(), dashes.begin(), dashes.end());
  if (dashes.size() > static_cast<size_t>(Shape::kMaxDashes))
    dashes.resize(Shape::kMaxDashes);
  out = std::move(dashes);
  return true;
}

bool Document::ApplyProperty(State& s, std::string_view name, std::string_view value, double& ownOpacity,
                             bool& ownDisplayNone) const
{
  value = Trim(value);
  if (value == "inherit")
    return true; // the copied parent value stays
  Length len;
  double v = 0.0;
  if (name == "fill")
    return ReadPaint(value, s, s.fill);
  if (name == "stroke")
    return ReadPaint(value, s, s.stroke);
  if (name == "fill-opacity")
    return ReadOpacity(value, s.fillOpacity);
  if (name == "stroke-opacity")
    return ReadOpacity(value, s.strokeOpacity);
  if (name == "opacity")
    return ReadOpacity(value, ownOpacity);
  if (name == "stroke-width")
  {
    if (!ReadLength(value, len) || !((v = ToPx(len, Axis::Diagonal, s.fontSize)) >= 0.0 && v <= 3.4e38))
      return false;
    s.strokeWidth = v;
    return true;
  }
  if (name == "stroke-dasharray")
    return ReadDashes(value, s, s.dashes);
  if (name == "stroke-dashoffset")
  {
    if (!ReadLength(value, len) || !(std::fabs(v = ToPx(len, Axis::Diagonal, s.fontSize)) <= 3.4e38))
      return false;
    s.dashOffset = v;
    return true;
  }
  if (name == "stroke-miterlimit")
  {
    if (!ReadLength(value, len) || len.unit != Unit::None || len.value < 1.0)
      return false;
    s.miterLimit = len.value;
    return true;
  }
  if (name == "stroke-linejoin")
    return ReadKeyword(value, {{"miter", LineJoin::Miter}, {"round", LineJoin::Round}, {"bevel", LineJoin::Bevel},
                               {"miter-clip", LineJoin::Miter}, {"arcs", LineJoin::Miter}},
                       s.join);
  if (name == "stroke-linecap")
    return ReadKeyword(value, {{"butt", LineCap::Butt}, {"round", LineCap::Round}, {"square", LineCap::Square}}, s.cap);
  if (name == "fill-rule")
    return ReadKeyword(value, {{"nonzero", FillRule::NonZero}, {"evenodd", FillRule::EvenOdd}}, s.fillRule);
  if (name == "visibility")
  {
    s.hidden = value == "hidden" || value == "collapse";
    return true;
  }
  if (name == "display")
  {
    ownDisplayNone = value == "none";
    return true;
  }
  return false; // not a property of shapes (or read before, as the font size and colour)
}

void Document::ApplyStyle(State& s, const State& parent, const std::vector<Attribute>& attributes) const
{
  auto fontSize = [&](std::string_view value) {
    Length len;
    if (!ReadLength(value, len))
      return;
    const double v = len.unit == Unit::Percent ? len.value / 100.0 * parent.fontSize
                     : len.unit == Unit::Em    ? len.value * parent.fontSize
                     : len.unit == Unit::Ex    ? len.value * parent.fontSize * 0.5
                                               : ToPx(len, Axis::Diagonal, parent.fontSize);
    if (v >= 0.0)
      s.fontSize = v;
  };

  // Declarations of the style attribute, without their "!important".
  std::vector<std::pair<std::string_view, std::string_view>> declarations = StyleDeclarations(attributes);
  for (auto& decl : declarations)
  {
    const size_t important = decl.second.find('!');
    if (important != std::string_view::npos)
      decl.second = Trim(decl.second.substr(0, important));
  }

  // The font size and the colour first: lengths in em and ex and currentColor depend on them.
  auto color = [&](std::string_view value) { ReadColor(value, parent.color, s.color); };
  if (const std::string* value = FindAttribute(attributes, "font-size"))
    fontSize(*value);
  if (const std::string* value = FindAttribute(attributes, "color"))
    color(*value);
  for (const auto& decl : declarations)
  {
    if (decl.first == "font-size")
      fontSize(decl.second);
    else if (decl.first == "color")
      color(decl.second);
  }

  // The style attribute overrides the presentation attributes.
  double ownOpacity = 1.0;
  bool ownDisplayNone = false;
  for (const Attribute& a : attributes)
    if (a.name != "style")
      ApplyProperty(s, a.name, a.value, ownOpacity, ownDisplayNone);
  for (const auto& decl : declarations)
    ApplyProperty(s, decl.first, decl.second, ownOpacity, ownDisplayNone);
  s.opacity = parent.opacity * ownOpacity;
  s.displayNone = parent.displayNone || ownDisplayNone;
}

void Document::SetUpViewport(const std::vector<Attribute>& attributes, State& s)
{
  std::vector<double> box;
  const std::string* viewBox = FindAttribute(attributes, "viewBox");
  const bool hasViewBox = viewBox && ReadNumberList(*viewBox, box) && box.size() == 4 && box[2] > 0.0 && box[3] > 0.0;

  // The size in pixels; a percentage or a missing size takes the view box's.
  double size[2] = {0.0, 0.0};
  const char* names[2] = {"width", "height"};
  for (int i = 0; i < 2; ++i)
  {
    Length len;
    const std::string* value = FindAttribute(attributes, names[i]);
    if (value && ReadLength(*value, len) && len.unit != Unit::Percent && len.value > 0.0)
      size[i] = ToPx(len, i == 0 ? Axis::X : Axis::Y, kDefaultFontSize);
    else if (hasViewBox)
      size[i] = box[2 + i];
    if (!(size[i] * mUnitScale <= 3.4e38))
      size[i] = 0.0; // beyond any use: taken from the shapes instead
    // A size too small for a float is no size either: the image reaches as far as its shapes,
    // as a written-back document (which leaves out a size of 0) reads.
    mSizeKnown[i] = static_cast<float>(size[i] * mUnitScale) > 0.f;
  }

  Matrix m;
  if (hasViewBox)
  {
    mViewW = box[2];
    mViewH = box[3];
    const double sx = size[0] / box[2], sy = size[1] / box[3];
    std::string_view align = "xMidYMid";
    bool slice = false;
    if (const std::string* par = FindAttribute(attributes, "preserveAspectRatio"))
    {
      std::string_view rest = Trim(*par);
      if (rest.substr(0, 5) == "defer")
        rest = Trim(rest.substr(5));
      const size_t space = rest.find_first_of(" \t\r\n");
      align = rest.substr(0, space);
      slice = space != std::string_view::npos && Trim(rest.substr(space)) == "slice";
    }
    if (align == "none")
    {
      m = Matrix::Scale(sx, sy) * Matrix::Translate(-box[0], -box[1]);
    }
    else
    {
      const double scale = slice ? std::max(sx, sy) : std::min(sx, sy);
      auto fraction = [&](std::string_view key) {
        if (align.find(std::string(key) + "Min") != std::string_view::npos)
          return 0.0;
        if (align.find(std::string(key) + "Max") != std::string_view::npos)
          return 1.0;
        return 0.5;
      };
      const double tx = (size[0] - box[2] * scale) * fraction("x");
      const double ty = (size[1] - box[3] * scale) * fraction("Y");
      m = Matrix::Translate(tx, ty) * Matrix::Scale(scale, scale) * Matrix::Translate(-box[0], -box[1]);
    }
  }
  else
  {
    mViewW = size[0] > 0.0 ? size[0] : 100.0;
    mViewH = size[1] > 0.0 ? size[1] : 100.0;
  }
  s.xform = Matrix::Scale(mUnitScale, mUnitScale) * m;
  mImage->width = static_cast<float>(size[0] * mUnitScale);
  mImage->height = static_cast<float>(size[1] * mUnitScale);
}

void Document::StartGradient(std::string_view name, const std::vector<Attribute>& attributes)
{
  GradientDef def;
  def.radial = name == "radialGradient";
  for (const Attribute& a : attributes)
  {
    Length len;
    const std::string_view value = Trim(a.value);
    if (a.name == "id")
    {
      def.id = a.value;
    }
    else if (a.name == "href" || a.name == "xlink:href")
    {
      if (!value.empty() && value[0] == '#')
        def.href = std::string(value.substr(1));
    }
    else if (a.name == "gradientUnits")
    {
      bool userSpace = false;
      if (ReadKeyword(value, {{"userSpaceOnUse", true}, {"objectBoundingBox", false}}, userSpace))
        def.userSpace = userSpace;
    }
    else if (a.name == "gradientTransform")
    {
      Matrix m;
      if (ReadTransform(value, m))
        def.transform = m;
    }
    else if (a.name == "spreadMethod")
    {
      Spread spread = Spread::Pad;
      if (ReadKeyword(value, {{"pad", Spread::Pad}, {"reflect", Spread::Reflect}, {"repeat", Spread::Repeat}}, spread))
        def.spread = spread;
    }
    else if (ReadLength(value, len))
    {
      std::optional<Length>* slot = a.name == "x1"   ? &def.x1
                                    : a.name == "y1" ? &def.y1
                                    : a.name == "x2" ? &def.x2
                                    : a.name == "y2" ? &def.y2
                                    : a.name == "cx" ? &def.cx
                                    : a.name == "cy" ? &def.cy
                                    : a.name == "r"  ? &def.r
                                    : a.name == "fx" ? &def.fx
                                    : a.name == "fy" ? &def.fy
                                                     : nullptr;
      if (slot)
        *slot = len;
    }
  }
  mGradients.push_back(std::move(def));
  mOpenGradient = static_cast<int>(mGradients.size()) - 1;
}

void Document::AddStop(const std::vector<Attribute>& attributes, const State& s)
{
  if (mOpenGradient < 0)
    return;
  GradientDef& def = mGradients[static_cast<size_t>(mOpenGradient)];
  double offset = 0.0, opacity = 1.0;
  uint32_t color = PackColor(0, 0, 0);
  auto apply = [&](std::string_view name, std::string_view value) {
    Length len;
    if (name == "offset" && ReadLength(value, len))
      offset = len.unit == Unit::Percent ? len.value / 100.0 : len.unit == Unit::None ? len.value : 0.0;
    else if (name == "stop-color")
      ReadColor(value, s.color, color);
    else if (name == "stop-opacity")
      ReadOpacity(value, opacity);
  };
  for (const Attribute& a : attributes)
    apply(a.name, a.value);
  for (const auto& decl : StyleDeclarations(attributes))
    apply(decl.first, decl.second);
  offset = std::clamp(offset, 0.0, 1.0);
  if (!def.stops)
    def.stops = std::make_shared<std::vector<GradientStop>>();
  if (!def.stops->empty())
    offset = std::max(offset, static_cast<double>(def.stops->back().offset));
  def.stops->push_back(GradientStop{WithAlpha(color, opacity), static_cast<float>(offset)});
}

void Document::AddShape(std::string_view name, const std::vector<Attribute>& attributes, const State& s)
{
  std::vector<SubPath> paths;
  auto length = [&](std::string_view attr, Axis axis) { return LengthAttribute(attributes, attr, axis, s); };
  auto ellipse = [&](double cx, double cy, double rx, double ry) {
    if (!(rx > 0.0 && ry > 0.0))
      return;
    SubPath p;
    p.pts = {cx + rx, cy};
    const double kx = kKappa * rx, ky = kKappa * ry;
    CubicTo(p, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    CubicTo(p, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    CubicTo(p, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    CubicTo(p, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    p.closed = true;
    paths.push_back(std::move(p));
  };

  if (name == "path")
  {
    if (const std::string* d = FindAttribute(attributes, "d"))
      ReadPathData(*d, paths);
  }
  else if (name == "rect")
  {
    const double x = length("x", Axis::X), y = length("y", Axis::Y);
    const double w = length("width", Axis::X), h = length("height", Axis::Y);
    double rx = LengthAttribute(attributes, "rx", Axis::X, s, -1.0);
    double ry = LengthAttribute(attributes, "ry", Axis::Y, s, -1.0);
    if (!(w > 0.0 && h > 0.0))
      return;
    if (rx < 0.0)
      rx = ry;
    if (ry < 0.0)
      ry = rx;
    rx = std::clamp(rx, 0.0, 0.5 * w);
    ry = std::clamp(ry, 0.0, 0.5 * h);
    SubPath p;
    if (rx > 0.0 && ry > 0.0)
    {
      const double kx = kKappa * rx, ky = kKappa * ry;
      p.pts = {x + rx, y};
      LineTo(p, x + w - rx, y);
      CubicTo(p, x + w - rx + kx, y, x + w, y + ry - ky, x + w, y + ry);
      LineTo(p, x + w, y + h - ry);
      CubicTo(p, x + w, y + h - ry + ky, x + w - rx + kx, y + h, x + w - rx, y + h);
      LineTo(p, x + rx, y + h);
      CubicTo(p, x + rx - kx, y + h, x, y + h - ry + ky, x, y + h - ry);
      LineTo(p, x, y + ry);
      CubicTo(p, x, y + ry - ky, x + rx - kx, y, x + rx, y);
    }
    else
    {
      p.pts = {x, y};
      LineTo(p, x + w, y);
      LineTo(p, x + w, y + h);
      LineTo(p, x, y + h);
      LineTo(p, x, y);
    }
    p.closed = true;
    paths.push_back(std::move(p));
  }
  else if (name == "circle")
  {
    const double r = length("r", Axis::Diagonal);
    ellipse(length("cx", Axis::X), length("cy", Axis::Y), r, r);
  }
  else if (name == "ellipse")
  {
    ellipse(length("cx", Axis::X), length("cy", Axis::Y), length("rx", Axis::X), length("ry", Axis::Y));
  }
  else if (name == "line")
  {
    SubPath p;
    p.pts = {length("x1", Axis::X), length("y1", Axis::Y)};
    LineTo(p, length("x2", Axis::X), length("y2", Axis::Y));
    paths.push_back(std::move(p));
  }
  else if (name == "polyline" || name == "polygon")
  {
    // Pairs of numbers up to the first fault.
    std::vector<double> xy;
    if (const std::string* points = FindAttribute(attributes, "points"))
    {
      const char* p = points->data();
      const char* end = p + points->size();
      double v = 0.0;
      SkipSpaces(p, end);
      while (p < end && ReadNumber(p, end, v))
      {
        xy.push_back(v);
        SkipCommaSpaces(p, end);
      }
    }
    if (xy.size() < 4)
      return;
    SubPath p;
    p.pts = {xy[0], xy[1]};
    for (size_t i = 2; i + 1 < xy.size(); i += 2)
      LineTo(p, xy[i], xy[i + 1]);
    if (name == "polygon")
    {
      if (p.pts[p.pts.size() - 2] != xy[0] || p.pts.back() != xy[1])
        LineTo(p, xy[0], xy[1]);
      p.closed = true;
    }
    paths.push_back(std::move(p));
  }
  if (!paths.empty())
    EmitShape(attributes, s, paths);
}

void Document::EmitShape(const std::vector<Attribute>& attributes, const State& s, const std::vector<SubPath>& paths)
{
  Shape shape;
  if (const std::string* id = FindAttribute(attributes, "id"))
    shape.id = *id;

  Box local, all;
  for (const SubPath& sub : paths)
  {
    local.Add(CurveBounds(sub.pts));
    std::vector<double> pts = sub.pts;
    for (size_t i = 0; i + 1 < pts.size(); i += 2)
      s.xform.Apply(pts[i], pts[i + 1]);
    Path path;
    path.closed = sub.closed;
    path.pts.reserve(pts.size());
    for (double& v : pts)
    {
      if (!(std::fabs(v) <= 3.4e38))
        return; // a shape out of reach is dropped whole
      path.pts.push_back(static_cast<float>(v));
      v = path.pts.back(); // the bounds are those of the curve as kept
    }
    const Box box = CurveBounds(pts);
    all.Add(box);
    path.bounds[0] = static_cast<float>(box.l);
    path.bounds[1] = static_cast<float>(box.t);
    path.bounds[2] = static_cast<float>(box.r);
    path.bounds[3] = static_cast<float>(box.b);
    shape.paths.push_back(std::move(path));
  }
  shape.bounds[0] = static_cast<float>(all.l);
  shape.bounds[1] = static_cast<float>(all.t);
  shape.bounds[2] = static_cast<float>(all.r);
  shape.bounds[3] = static_cast<float>(all.b);

  // Stroke lengths follow the transform's mean scale.
  const double scale = std::sqrt(std::fabs(s.xform.Det()));
  const double width = s.strokeWidth * scale;
  const double offset = s.dashOffset * scale;
  if (!std::isfinite(width) || width > 3.4e38 || !std::isfinite(offset) || std::fabs(offset) > 3.4e38)
    return;
  shape.strokeWidth = static_cast<float>(width);
  shape.strokeDashOffset = static_cast<float>(offset);
  for (double dash : s.dashes)
  {
    const double v = dash * scale;
    if (!std::isfinite(v) || v > 3.4e38)
      return;
    shape.strokeDashArray[shape.strokeDashCount++] = static_cast<float>(v);
  }
  shape.opacity = static_cast<float>(std::clamp(s.opacity, 0.0, 1.0));
  shape.strokeLineJoin = s.join;
  shape.strokeLineCap = s.cap;
  shape.miterLimit = static_cast<float>(s.miterLimit);
  shape.fillRule = s.fillRule;
  shape.visible = !s.hidden && !s.displayNone;

  const size_t index = mImage->shapes.size();
  auto paint = [&](const PaintSpec& spec, double opacity, bool stroke, Paint& out) {
    if (spec.kind == PaintSpec::Kind::Color)
    {
      out.type = PaintType::Color;
      out.color = WithAlpha(spec.color, opacity);
    }
    else if (spec.kind == PaintSpec::Kind::Url)
    {
      mPending.push_back(PendingPaint{index, stroke, spec, opacity, s.xform, local});
    }
  };
  paint(s.fill, s.fillOpacity, false, shape.fill);
  if (shape.strokeWidth > 0.f)
    paint(s.stroke, s.strokeOpacity, true, shape.stroke);
  mImage->shapes.push_back(std::move(shape));
}

Paint Document::ResolvePaint(const PendingPaint& pending, const std::unordered_map<std::string, size_t>& ids) const
{
  Paint paint;
  if (pending.spec.fallbackKind == PaintSpec::Kind::Color)
  {
    paint.type = PaintType::Color;
    paint.color = WithAlpha(pending.spec.fallbackColor, pending.opacity);
  }

  // The chain of gradients through their references, the first one first.
  std::vector<const GradientDef*> chain;
  for (auto it = ids.find(*pending.spec.url); it != ids.end() && chain.size() < kMaxGradientChain;
       it = ids.find(chain.back()->href))
    chain.push_back(&mGradients[it->second]);
  if (chain.empty())
    return paint;

  auto first = [&](auto field) -> decltype(&(chain[0]->*field)) {
    for (const GradientDef* def : chain)
      if ((def->*field).has_value())
        return &(def->*field);
    return nullptr;
  };
  const GradientDef* withStops = nullptr;
  for (const GradientDef* def : chain)
  {
    if (def->stops && !def->stops->empty())
    {
      withStops = def;
      break;
    }
  }
  if (!withStops)
    return Paint(); // a gradient without stops paints nothing

  Gradient gradient;
  gradient.stops = GradientStops(withStops->stops, static_cast<float>(pending.opacity));
  const GradientStop last = gradient.stops.back();
  Paint solid;
  solid.type = PaintType::Color;
  solid.color = last.color;
  if (gradient.stops.size() == 1)
    return solid;

  const bool radial = chain[0]->radial;
  const auto* userSpace = first(&GradientDef::userSpace);
  const bool user = userSpace && **userSpace;
  const auto* spread = first(&GradientDef::spread);
  gradient.spread = spread ? **spread : Spread::Pad;
  const auto* transform = first(&GradientDef::transform);

  // A coordinate of the gradient: in user space, or as a fraction of the bounding box.
  auto coord = [&](std::optional<Length> GradientDef::*field, double fallback, Axis axis) {
    const auto* len = first(field);
    if (!len)
      return fallback;
    if (user)
      return ToPx(**len, axis, kDefaultFontSize);
    return (*len)->unit == Unit::Percent ? (*len)->value / 100.0 : (*len)->value;
  };

  const Box& box = pending.localBounds;
  Matrix bboxMap;
  if (!user)
  {
    if (!(box.r - box.l > 0.0) || !(box.b - box.t > 0.0))
      return Paint(); // a gradient relative to a box of no size paints nothing
    bboxMap = Matrix{box.r - box.l, 0.0, 0.0, box.b - box.t, box.l, box.t};
  }
  const Matrix m = pending.xform * bboxMap * (transform ? **transform : Matrix());

  Matrix unit; // from the gradient's unit space to its coordinates
  if (!radial)
  {
    const double x1 = coord(&GradientDef::x1, 0.0, Axis::X), y1 = coord(&GradientDef::y1, 0.0, Axis::Y);
    const double x2 = coord(&GradientDef::x2, user ? mViewW : 1.0, Axis::X);
    const double y2 = coord(&GradientDef::y2, 0.0, Axis::Y);
    const double dx = x2 - x1, dy = y2 - y1;
    if (dx == 0.0 && dy == 0.0)
      return solid;
    unit = Matrix{-dy, dx, dx, dy, x1, y1};
    paint.type = PaintType::LinearGradient;
  }
  else
  {
    const double half = user ? 0.0 : 0.5;
    const double cx = coord(&GradientDef::cx, user ? 0.5 * mViewW : half, Axis::X);
    const double cy = coord(&GradientDef::cy, user ? 0.5 * mViewH : half, Axis::Y);
    const double r = coord(&GradientDef::r, user ? 0.5 * std::sqrt(0.5 * (mViewW * mViewW + mViewH * mViewH)) : half,
                           Axis::Diagonal);
    if (!(r > 0.0))
      return solid;
    const double fx = coord(&GradientDef::fx, cx, Axis::X), fy = coord(&GradientDef::fy, cy, Axis::Y);
    unit = Matrix{r, 0.0, 0.0, r, cx, cy};
    const double focalX = (fx - cx) / r, focalY = (fy - cy) / r;
    if (std::fabs(focalX) <= 3.4e38 && std::fabs(focalY) <= 3.4e38)
    {
      gradient.fx = static_cast<float>(focalX);
      gradient.fy = static_cast<float>(focalY);
    }
    paint.type = PaintType::RadialGradient;
  }

  Matrix inverse;
  if (!(m * unit).Invert(inverse))
    return Paint();
  const double values[6] = {inverse.a, inverse.b, inverse.c, inverse.d, inverse.e, inverse.f};
  for (int i = 0; i < 6; ++i)
  {
    if (!(std::fabs(values[i]) <= 3.4e38))
      return Paint();
    gradient.xform[i] = static_cast<float>(values[i]);
  }
  // What is handed on must still be a transform with an inverse after rounding to float.
  const Matrix rounded{gradient.xform[0], gradient.xform[1], gradient.xform[2],
                       gradient.xform[3], gradient.xform[4], gradient.xform[5]};
  if (!rounded.Invert(inverse))
    return Paint();
  paint.color = 0;
  paint.gradient = std::move(gradient);
  return paint;
}

void Document::StartElement(std::string_view name, const std::vector<Attribute>& attributes)
{
  if (mTooDeep || mStates.size() >= static_cast<size_t>(kMaxNesting))
  {
    mTooDeep = true;
    mStates.emplace_back();
    mStates.back().mode = State::Mode::Ignore;
    return;
  }
  const bool root = mStates.empty();
  const State parent = root ? State() : mStates.back();
  State s = parent;
  if (root)
  {
    mRootIsSvg = name == "svg";
    if (!mRootIsSvg)
      s.mode = State::Mode::Ignore;
  }
  static const char* const kIgnored[] = {"title", "desc", "metadata", "style", "script", "text", "image",
                                          "foreignObject", "use"};
  static const char* const kNotDrawn[] = {"defs", "symbol", "clipPath", "mask", "pattern", "marker", "filter"};
  for (const char* ignored : kIgnored)
    if (name == ignored)
      s.mode = State::Mode::Ignore;
  if (s.mode == State::Mode::Ignore)
  {
    mStates.push_back(std::move(s));
    return;
  }
  for (const char* notDrawn : kNotDrawn)
    if (name == notDrawn)
      s.mode = State::Mode::NoDraw;

  const bool gradient = name == "linearGradient" || name == "radialGradient";
  if (!gradient && name != "stop")
  {
    ApplyStyle(s, parent, attributes);
    Matrix own;
    const std::string* transform = FindAttribute(attributes, "transform");
    if (root)
      SetUpViewport(attributes, s);
    else if (transform && ReadTransform(*transform, own))
      s.xform = s.xform * own;
  }

  if (gradient)
    StartGradient(name, attributes);
  else if (name == "stop")
    AddStop(attributes, s);
  else if (name == "path" || name == "rect" || name == "circle" || name == "ellipse" || name == "line" ||
           name == "polyline" || name == "polygon")
  {
    if (s.mode == State::Mode::Draw)
      AddShape(name, attributes, s);
  }
  else if (name != "svg" && name != "g" && name != "a" && s.mode == State::Mode::Draw)
  {
    s.mode = State::Mode::NoDraw; // an element this parser does not draw, with what is inside it
  }
  mStates.push_back(std::move(s));
}

void Document::EndElement(std::string_view name)
{
  if ((name == "linearGradient" || name == "radialGradient") && mStates.back().mode != State::Mode::Ignore)
    mOpenGradient = -1;
  mStates.pop_back();
}

std::unique_ptr<Image> Document::Finish(std::string& whyRefused)
{
  if (mTooDeep)
  {
    whyRefused = "elements nested more than " + std::to_string(kMaxNesting) + " deep";
    return nullptr;
  }
  if (!mRootIsSvg)
  {
    whyRefused = "the root element is not svg";
    return nullptr;
  }

  std::unordered_map<std::string, size_t> ids;
  for (size_t i = 0; i < mGradients.size(); ++i)
    if (!mGradients[i].id.empty())
      ids.emplace(mGradients[i].id, i); // the first definition of an id counts
  for (const PendingPaint& pending : mPending)
  {
    Shape& shape = mImage->shapes[pending.shape];
    (pending.stroke ? shape.stroke : shape.fill) = ResolvePaint(pending, ids);
  }

  // Without a size of its own the image reaches as far as its shapes.
  for (const Shape& shape : mImage->shapes)
  {
    if (!mSizeKnown[0])
      mImage->width = std::max(mImage->width, shape.bounds[2]);
    if (!mSizeKnown[1])
      mImage->height = std::max(mImage->height, shape.bounds[3]);
  }
  return std::move(mImage);
}

} // namespace

GradientStops::GradientStops(std::shared_ptr<const std::vector<GradientStop>> stops, float opacity)
  : mStops(std::move(stops)), mOpacity(opacity)
{
}

GradientStop GradientStops::operator[](size_t i) const
{
  const GradientStop& stop = (*mStops)[i];
  return GradientStop{WithAlpha(stop.color, mOpacity), stop.offset};
}

std::unique_ptr<Image> Parse(const char* data, size_t length, const char* units, float dpi, std::string* whyRefused)
{
  std::string reason;
  std::unique_ptr<Image> image;
  if (length > kMaxDocumentLength)
  {
    reason = "longer than " + std::to_string(kMaxDocumentLength) + " bytes";
  }
  else
  {
    try
    {
      Document document(units, dpi);
      if (ReadMarkup(data, length, document))
        image = document.Finish(reason);
      else
        reason = "not well-formed markup";
    }
    catch (const std::bad_alloc&)
    {
      reason = "out of memory";
    }
  }
  if (!image && whyRefused)
    *whyRefused = reason;
  return image;
}

} // namespace svg
} // namespace standin
