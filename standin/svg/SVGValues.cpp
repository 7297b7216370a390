// Readers of attribute values: numbers, lengths, colours, transforms and path data.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "standin/svg/SVG.h"
#include "standin/svg/SVGReader.h"

namespace standin {
namespace svg {
namespace reader {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsSpace(char c)
{
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c)
{
  return c >= '0' && c <= '9';
}

char Lower(char c)
{
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

double Radians(double degrees)
{
  return degrees * kPi / 180.0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Matrix

Matrix Matrix::Rotate(double angle)
{
  const double r = Radians(angle);
  const double c = std::cos(r), s = std::sin(r);
  return {c, s, -s, c, 0.0, 0.0};
}

Matrix Matrix::SkewX(double angle)
{
  return {1.0, 0.0, std::tan(Radians(angle)), 1.0, 0.0, 0.0};
}

Matrix Matrix::SkewY(double angle)
{
  return {1.0, std::tan(Radians(angle)), 0.0, 1.0, 0.0, 0.0};
}

Matrix Matrix::operator*(const Matrix& m) const
{
  return {a * m.a + c * m.b, b * m.a + d * m.b, a * m.c + c * m.d,
          b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
}

bool Matrix::Invert(Matrix& out) const
{
  const double det = Det();
  if (!std::isfinite(det) || det == 0.0)
    return false;
  const double inv = 1.0 / det;
  const Matrix r{d * inv, -b * inv, -c * inv, a * inv, (c * f - d * e) * inv, (b * e - a * f) * inv};
  for (double v : {r.a, r.b, r.c, r.d, r.e, r.f})
    if (!std::isfinite(v))
      return false;
  out = r;
  return true;
}

// ---------------------------------------------------------------------------------------
// Text

std::string_view Trim(std::string_view text)
{
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i]))
      return false;
  return true;
}

void SkipSpaces(const char*& p, const char* end)
{
  while (p < end && IsSpace(*p))
    ++p;
}

void SkipCommaSpaces(const char*& p, const char* end)
{
  SkipSpaces(p, end);
  if (p < end && *p == ',')
  {
    ++p;
    SkipSpaces(p, end);
  }
}

bool StartsNumber(const char* p, const char* end)
{
  if (p < end && (*p == '+' || *p == '-'))
    ++p;
  if (p < end && *p == '.')
    ++p;
  return p < end && IsDigit(*p);
}

bool ReadNumber(const char*& p, const char* end, double& out)
{
  const char* s = p;
  bool negative = false;
  if (s < end && (*s == '+' || *s == '-'))
    negative = *s++ == '-';

  // Up to 19 significant digits exactly; further digits of the whole part only move the
  // exponent, further digits of the fraction are dropped.
  uint64_t mantissa = 0;
  int significant = 0;
  long exponent = 0;
  bool anyDigit = false;
  auto digits = [&](bool fraction) {
    for (; s < end && IsDigit(*s); ++s)
    {
      anyDigit = true;
      if (significant < 19)
      {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*s - '0');
        significant += mantissa != 0 ? 1 : 0;
        exponent -= fraction ? 1 : 0;
      }
      else if (!fraction)
      {
        ++exponent;
      }
    }
  };
  digits(false);
  if (s < end && *s == '.')
  {
    ++s;
    digits(true);
  }
  if (!anyDigit)
    return false;

  // An exponent only when digits follow ("1em" is a length, not a number with exponent).
  if (s < end && (*s == 'e' || *s == 'E'))
  {
    const char* e = s + 1;
    bool expNegative = false;
    if (e < end && (*e == '+' || *e == '-'))
      expNegative = *e++ == '-';
    if (e < end && IsDigit(*e))
    {
      long value = 0;
      for (; e < end && IsDigit(*e); ++e)
        value = std::min(value * 10 + (*e - '0'), 100000L);
      exponent += expNegative ? -value : value;
      s = e;
    }
  }

  long double v = static_cast<long double>(mantissa);
  if (mantissa != 0)
  {
    if (exponent < -400)
      v = 0.0L;
    else if (exponent > 400)
      return false;
    else
      v *= std::pow(10.0L, static_cast<long double>(exponent));
  }
  if (!(v <= static_cast<long double>(FLT_MAX)))
    return false;
  out = static_cast<double>(negative ? -v : v);
  p = s;
  return true;
}

bool ReadLength(std::string_view text, Length& out)
{
  static const struct
  {
    const char* suffix;
    Unit unit;
  } kUnits[] = {{"px", Unit::Px}, {"pt", Unit::Pt}, {"pc", Unit::Pc}, {"mm", Unit::Mm}, {"cm", Unit::Cm},
                {"in", Unit::In}, {"em", Unit::Em}, {"ex", Unit::Ex}, {"%", Unit::Percent}};

  text = Trim(text);
  const char* p = text.data();
  const char* end = p + text.size();
  if (!ReadNumber(p, end, out.value))
    return false;
  const std::string_view rest(p, static_cast<size_t>(end - p));
  out.unit = Unit::None;
  if (rest.empty())
    return true;
  for (const auto& u : kUnits)
  {
    if (EqualsNoCase(rest, u.suffix))
    {
      out.unit = u.unit;
      return true;
    }
  }
  return false;
}

bool ReadNumberList(std::string_view text, std::vector<double>& out)
{
  out.clear();
  const char* p = text.data();
  const char* end = p + text.size();
  SkipSpaces(p, end);
  while (p < end)
  {
    double v = 0.0;
    if (!ReadNumber(p, end, v))
      return false;
    out.push_back(v);
    SkipCommaSpaces(p, end);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Colours

namespace {

struct NamedColor
{
  const char* name;
  uint8_t r, g, b;
};

// The colour keywords of SVG.
const NamedColor kNamedColors[] = {
  {"aliceblue", 240, 248, 255}, {"antiquewhite", 250, 235, 215}, {"aqua", 0, 255, 255},
  {"aquamarine", 127, 255, 212}, {"azure", 240, 255, 255}, {"beige", 245, 245, 220},
  {"bisque", 255, 228, 196}, {"black", 0, 0, 0}, {"blanchedalmond", 255, 235, 205},
  {"blue", 0, 0, 255}, {"blueviolet", 138, 43, 226}, {"brown", 165, 42, 42},
  {"burlywood", 222, 184, 135}, {"cadetblue", 95, 158, 160}, {"chartreuse", 127, 255, 0},
  {"chocolate", 210, 105, 30}, {"coral", 255, 127, 80}, {"cornflowerblue", 100, 149, 237},
  {"cornsilk", 255, 248, 220}, {"crimson", 220, 20, 60}, {"cyan", 0, 255, 255},
  {"darkblue", 0, 0, 139}, {"darkcyan", 0, 139, 139}, {"darkgoldenrod", 184, 134, 11},
  {"darkgray", 169, 169, 169}, {"darkgreen", 0, 100, 0}, {"darkgrey", 169, 169, 169},
  {"darkkhaki", 189, 183, 107}, {"darkmagenta", 139, 0, 139}, {"darkolivegreen", 85, 107, 47},
  {"darkorange", 255, 140, 0}, {"darkorchid", 153, 50, 204}, {"darkred", 139, 0, 0},
  {"darksalmon", 233, 150, 122}, {"darkseagreen", 143, 188, 143}, {"darkslateblue", 72, 61, 139},
  {"darkslategray", 47, 79, 79}, {"darkslategrey", 47, 79, 79}, {"darkturquoise", 0, 206, 209},
  {"darkviolet", 148, 0, 211}, {"deeppink", 255, 20, 147}, {"deepskyblue", 0, 191, 255},
  {"dimgray", 105, 105, 105}, {"dimgrey", 105, 105, 105}, {"dodgerblue", 30, 144, 255},
  {"firebrick", 178, 34, 34}, {"floralwhite", 255, 250, 240}, {"forestgreen", 34, 139, 34},
  {"fuchsia", 255, 0, 255}, {"gainsboro", 220, 220, 220}, {"ghostwhite", 248, 248, 255},
  {"gold", 255, 215, 0}, {"goldenrod", 218, 165, 32}, {"gray", 128, 128, 128},
  {"grey", 128, 128, 128}, {"green", 0, 128, 0}, {"greenyellow", 173, 255, 47},
  {"honeydew", 240, 255, 240}, {"hotpink", 255, 105, 180}, {"indianred", 205, 92, 92},
  {"indigo", 75, 0, 130}, {"ivory", 255, 255, 240}, {"khaki", 240, 230, 140},
  {"lavender", 230, 230, 250}, {"lavenderblush", 255, 240, 245}, {"lawngreen", 124, 252, 0},
  {"lemonchiffon", 255, 250, 205}, {"lightblue", 173, 216, 230}, {"lightcoral", 240, 128, 128},
  {"lightcyan", 224, 255, 255}, {"lightgoldenrodyellow", 250, 250, 210}, {"lightgray", 211, 211, 211},
  {"lightgreen", 144, 238, 144}, {"lightgrey", 211, 211, 211}, {"lightpink", 255, 182, 193},
  {"lightsalmon", 255, 160, 122}, {"lightseagreen", 32, 178, 170}, {"lightskyblue", 135, 206, 250},
  {"lightslategray", 119, 136, 153}, {"lightslategrey", 119, 136, 153}, {"lightsteelblue", 176, 196, 222},
  {"lightyellow", 255, 255, 224}, {"lime", 0, 255, 0}, {"limegreen", 50, 205, 50},
  {"linen", 250, 240, 230}, {"magenta", 255, 0, 255}, {"maroon", 128, 0, 0},
  {"mediumaquamarine", 102, 205, 170}, {"mediumblue", 0, 0, 205}, {"mediumorchid", 186, 85, 211},
  {"mediumpurple", 147, 112, 219}, {"mediumseagreen", 60, 179, 113}, {"mediumslateblue", 123, 104, 238},
  {"mediumspringgreen", 0, 250, 154}, {"mediumturquoise", 72, 209, 204}, {"mediumvioletred", 199, 21, 133},
  {"midnightblue", 25, 25, 112}, {"mintcream", 245, 255, 250}, {"mistyrose", 255, 228, 225},
  {"moccasin", 255, 228, 181}, {"navajowhite", 255, 222, 173}, {"navy", 0, 0, 128},
  {"oldlace", 253, 245, 230}, {"olive", 128, 128, 0}, {"olivedrab", 107, 142, 35},
  {"orange", 255, 165, 0}, {"orangered", 255, 69, 0}, {"orchid", 218, 112, 214},
  {"palegoldenrod", 238, 232, 170}, {"palegreen", 152, 251, 152}, {"paleturquoise", 175, 238, 238},
  {"palevioletred", 219, 112, 147}, {"papayawhip", 255, 239, 213}, {"peachpuff", 255, 218, 185},
  {"peru", 205, 133, 63}, {"pink", 255, 192, 203}, {"plum", 221, 160, 221},
  {"powderblue", 176, 224, 230}, {"purple", 128, 0, 128}, {"red", 255, 0, 0},
  {"rosybrown", 188, 143, 143}, {"royalblue", 65, 105, 225}, {"saddlebrown", 139, 69, 19},
  {"salmon", 250, 128, 114}, {"sandybrown", 244, 164, 96}, {"seagreen", 46, 139, 87},
  {"seashell", 255, 245, 238}, {"sienna", 160, 82, 45}, {"silver", 192, 192, 192},
  {"skyblue", 135, 206, 235}, {"slateblue", 106, 90, 205}, {"slategray", 112, 128, 144},
  {"slategrey", 112, 128, 144}, {"snow", 255, 250, 250}, {"springgreen", 0, 255, 127},
  {"steelblue", 70, 130, 180}, {"tan", 210, 180, 140}, {"teal", 0, 128, 128},
  {"thistle", 216, 191, 216}, {"tomato", 255, 99, 71}, {"turquoise", 64, 224, 208},
  {"violet", 238, 130, 238}, {"wheat", 245, 222, 179}, {"white", 255, 255, 255},
  {"whitesmoke", 245, 245, 245}, {"yellow", 255, 255, 0}, {"yellowgreen", 154, 205, 50},
};

int HexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool ReadHexColor(std::string_view hex, uint32_t& out)
{
  int v[8];
  const size_t n = hex.size();
  if (n != 3 && n != 4 && n != 6 && n != 8)
    return false;
  for (size_t i = 0; i < n; ++i)
    if ((v[i] = HexDigit(hex[i])) < 0)
      return false;
  if (n <= 4)
    out = PackColor(v[0] * 17, v[1] * 17, v[2] * 17, n == 4 ? v[3] * 17 : 255);
  else
    out = PackColor(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5], n == 8 ? v[6] * 16 + v[7] : 255);
  return true;
}

int ClampByte(double v)
{
  return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

// rgb(r, g, b) and rgba(r, g, b, a): whole numbers or percentages (also spaces between, and
// "/ a" for the alpha).
bool ReadFunctionColor(std::string_view text, uint32_t& out)
{
  const size_t open = text.find('(');
  if (open == std::string_view::npos || text.back() != ')')
    return false;
  const std::string_view fn = Trim(text.substr(0, open));
  if (!EqualsNoCase(fn, "rgb") && !EqualsNoCase(fn, "rgba"))
    return false;
  const char* p = text.data() + open + 1;
  const char* end = text.data() + text.size() - 1;
  double c[4] = {0.0, 0.0, 0.0, 255.0};
  int n = 0;
  SkipSpaces(p, end);
  while (p < end && n < 4)
  {
    double v = 0.0;
    if (!ReadNumber(p, end, v))
      return false;
    const bool percent = p < end && *p == '%';
    if (percent)
      ++p;
    if (n == 3)
      c[n++] = (percent ? v / 100.0 : v) * 255.0;
    else
      c[n++] = percent ? v * 255.0 / 100.0 : v;
    SkipSpaces(p, end);
    if (p < end && (*p == ',' || *p == '/'))
      ++p;
    SkipSpaces(p, end);
  }
  if (p != end || n < 3)
    return false;
  out = PackColor(ClampByte(c[0]), ClampByte(c[1]), ClampByte(c[2]), ClampByte(c[3]));
  return true;
}

} // namespace

bool ReadColor(std::string_view text, uint32_t currentColor, uint32_t& out)
{
  text = Trim(text);
  if (text.empty())
    return false;
  if (text[0] == '#')
    return ReadHexColor(text.substr(1), out);
  if (EqualsNoCase(text, "currentColor"))
  {
    out = currentColor;
    return true;
  }
  if (text.find('(') != std::string_view::npos)
    return ReadFunctionColor(text, out);
  for (const NamedColor& named : kNamedColors)
  {
    if (EqualsNoCase(text, named.name))
    {
      out = PackColor(named.r, named.g, named.b);
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Transforms

bool ReadTransform(std::string_view text, Matrix& out)
{
  Matrix m;
  const char* p = text.data();
  const char* end = p + text.size();
  for (;;)
  {
    SkipCommaSpaces(p, end);
    if (p >= end)
      break;
    const char* nameStart = p;
    while (p < end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')))
      ++p;
    const std::string_view name(nameStart, static_cast<size_t>(p - nameStart));
    SkipSpaces(p, end);
    if (name.empty() || p >= end || *p != '(')
      return false;
    ++p;
    double v[6] = {};
    int n = 0;
    SkipSpaces(p, end);
    while (p < end && *p != ')')
    {
      if (n == 6 || !ReadNumber(p, end, v[n++]))
        return false;
      SkipCommaSpaces(p, end);
    }
    if (p >= end)
      return false;
    ++p;

    Matrix t;
    if (name == "matrix" && n == 6)
      t = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]};
    else if (name == "translate" && (n == 1 || n == 2))
      t = Matrix::Translate(v[0], n == 2 ? v[1] : 0.0);
    else if (name == "scale" && (n == 1 || n == 2))
      t = Matrix::Scale(v[0], n == 2 ? v[1] : v[0]);
    else if (name == "rotate" && n == 1)
      t = Matrix::Rotate(v[0]);
    else if (name == "rotate" && n == 3)
      t = Matrix::Translate(v[1], v[2]) * Matrix::Rotate(v[0]) * Matrix::Translate(-v[1], -v[2]);
    else if (name == "skewX" && n == 1)
      t = Matrix::SkewX(v[0]);
    else if (name == "skewY" && n == 1)
      t = Matrix::SkewY(v[0]);
    else
      return false;
    m = m * t;
  }
  out = m;
  return true;
}

// ---------------------------------------------------------------------------------------
// Path data

void LineTo(SubPath& path, double x, double y)
{
  const size_t n = path.pts.size();
  const double x0 = path.pts[n - 2], y0 = path.pts[n - 1];
  const double dx = x - x0, dy = y - y0;
  path.pts.insert(path.pts.end(), {x0 + dx / 3.0, y0 + dy / 3.0, x0 + 2.0 * dx / 3.0, y0 + 2.0 * dy / 3.0, x, y});
}

void CubicTo(SubPath& path, double c1x, double c1y, double c2x, double c2y, double x, double y)
{
  path.pts.insert(path.pts.end(), {c1x, c1y, c2x, c2y, x, y});
}

namespace {

// The elliptical arc from (x1, y1) to (x2, y2) as cubic segments of at most a quarter turn
// each, with the endpoint parameters of SVG: radii corrected to reach, centre chosen by the
// two flags.
void ArcTo(SubPath& path, double x1, double y1, double rx, double ry, double rotation, bool largeArc, bool sweep,
           double x2, double y2)
{
  if (x1 == x2 && y1 == y2)
    return;
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if (rx == 0.0 || ry == 0.0)
  {
    LineTo(path, x2, y2);
    return;
  }
  const double phi = Radians(std::fmod(rotation, 360.0));
  const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
  const double dx2 = 0.5 * (x1 - x2), dy2 = 0.5 * (y1 - y2);
  const double x1p = cosPhi * dx2 + sinPhi * dy2;
  const double y1p = -sinPhi * dx2 + cosPhi * dy2;

  const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (lambda > 1.0)
  {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double rx2 = rx * rx, ry2 = ry * ry;
  const double num = rx2 * ry2 - rx2 * y1p * y1p - ry2 * x1p * x1p;
  const double den = rx2 * y1p * y1p + ry2 * x1p * x1p;
  double coef = den > 0.0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
  if (largeArc == sweep)
    coef = -coef;
  const double cxp = coef * rx * y1p / ry;
  const double cyp = -coef * ry * x1p / rx;
  const double cx = cosPhi * cxp - sinPhi * cyp + 0.5 * (x1 + x2);
  const double cy = sinPhi * cxp + cosPhi * cyp + 0.5 * (y1 + y2);

  const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
  const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
  const double theta1 = std::atan2(uy, ux);
  double dtheta = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  if (!sweep && dtheta > 0.0)
    dtheta -= 2.0 * kPi;
  else if (sweep && dtheta < 0.0)
    dtheta += 2.0 * kPi;
  if (!std::isfinite(dtheta) || !std::isfinite(theta1) || !std::isfinite(cx) || !std::isfinite(cy))
  {
    LineTo(path, x2, y2);
    return;
  }

  const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(dtheta) / (0.5 * kPi) - 1e-9)), 1, 4);
  const double delta = dtheta / n;
  const double k = 4.0 / 3.0 * std::tan(0.25 * delta);
  auto point = [&](double t, double& px, double& py) {
    const double ex = rx * std::cos(t), ey = ry * std::sin(t);
    px = cx + cosPhi * ex - sinPhi * ey;
    py = cy + sinPhi * ex + cosPhi * ey;
  };
  auto tangent = [&](double t, double& tx, double& ty) {
    const double ex = -rx * std::sin(t), ey = ry * std::cos(t);
    tx = cosPhi * ex - sinPhi * ey;
    ty = sinPhi * ex + cosPhi * ey;
  };
  for (int i = 0; i < n; ++i)
  {
    const double t1 = theta1 + i * delta, t2 = t1 + delta;
    double p1x, p1y, p2x, p2y, d1x, d1y, d2x, d2y;
    point(t1, p1x, p1y);
    point(t2, p2x, p2y);
    tangent(t1, d1x, d1y);
    tangent(t2, d2x, d2y);
    if (i == n - 1)
    {
      p2x = x2;
      p2y = y2;
    }
    CubicTo(path, p1x + k * d1x, p1y + k * d1y, p2x - k * d2x, p2y - k * d2y, p2x, p2y);
  }
}

bool IsCommand(char c)
{
  return std::strchr("MmLlHhVvCcSsQqTtAaZz", c) != nullptr && c != '\0';
}

// An arc flag: a single 0 or 1, which may run into the next number.
bool ReadFlag(const char*& p, const char* end, bool& flag)
{
  if (p >= end || (*p != '0' && *p != '1'))
    return false;
  flag = *p++ == '1';
  SkipCommaSpaces(p, end);
  return true;
}

} // namespace

void ReadPathData(std::string_view text, std::vector<SubPath>& out)
{
  const char* p = text.data();
  const char* end = p + text.size();
  double cx = 0.0, cy = 0.0;     // current point
  double sx = 0.0, sy = 0.0;     // start of the sub-path
  double lcx = 0.0, lcy = 0.0;   // last control point, for the smooth curves
  char prev = 0;                 // the command before, for the smooth curves
  char cmd = 0;
  SubPath* path = nullptr;

  auto finish = [&]() {
    if (path && path->pts.size() < 8)
      out.pop_back(); // a lone point draws nothing
    path = nullptr;
  };
  auto begin = [&](double x, double y) {
    finish();
    out.emplace_back();
    path = &out.back();
    path->pts = {x, y};
    cx = sx = x;
    cy = sy = y;
  };
  // A drawing command after a close goes on from the closed sub-path's start.
  auto current = [&]() -> SubPath& {
    if (!path)
      begin(sx, sy);
    return *path;
  };

  for (;;)
  {
    SkipSpaces(p, end);
    if (p >= end)
      break;
    if (IsCommand(*p))
    {
      cmd = *p++;
      SkipSpaces(p, end);
      if (!prev && cmd != 'M' && cmd != 'm')
        break; // path data begins with a move
      if (cmd == 'Z' || cmd == 'z')
      {
        if (path)
        {
          if (cx != sx || cy != sy)
            LineTo(*path, sx, sy);
          path->closed = true;
          finish();
        }
        cx = sx;
        cy = sy;
        prev = cmd;
        continue;
      }
    }
    else if (!cmd || cmd == 'Z' || cmd == 'z' || !StartsNumber(p, end))
    {
      break; // a fault: what came before stays
    }
    const bool rel = cmd >= 'a' && cmd <= 'z';
    const double ox = rel ? cx : 0.0, oy = rel ? cy : 0.0;
    double v[6] = {};
    bool large = false, sweep = false;
    int nArgs = 0;
    switch (cmd)
    {
      case 'M': case 'm': case 'L': case 'l': case 'T': case 't': nArgs = 2; break;
      case 'H': case 'h': case 'V': case 'v': nArgs = 1; break;
      case 'C': case 'c': nArgs = 6; break;
      case 'S': case 's': case 'Q': case 'q': nArgs = 4; break;
      default: break;
    }
    bool ok = true;
    if (cmd == 'A' || cmd == 'a')
    {
      // rx ry rotation large-arc sweep x y
      for (int i = 0; i < 3 && ok; ++i)
      {
        ok = ReadNumber(p, end, v[i]);
        SkipCommaSpaces(p, end);
      }
      ok = ok && ReadFlag(p, end, large) && ReadFlag(p, end, sweep);
      for (int i = 3; i < 5 && ok; ++i)
      {
        ok = ReadNumber(p, end, v[i]);
        SkipCommaSpaces(p, end);
      }
    }
    else
    {
      for (int i = 0; i < nArgs && ok; ++i)
      {
        ok = ReadNumber(p, end, v[i]);
        SkipCommaSpaces(p, end);
      }
    }
    if (!ok)
      break;

    // A drawing command after a close starts its sub-path before the current point moves.
    if (cmd != 'M' && cmd != 'm')
      current();
    const char ran = cmd;
    const bool prevCubic = prev == 'C' || prev == 'c' || prev == 'S' || prev == 's';
    const bool prevQuad = prev == 'Q' || prev == 'q' || prev == 'T' || prev == 't';
    switch (cmd)
    {
      case 'M':
      case 'm':
        begin(ox + v[0], oy + v[1]);
        cmd = rel ? 'l' : 'L'; // further pairs are lines
        break;
      case 'L':
      case 'l':
        cx = ox + v[0];
        cy = oy + v[1];
        LineTo(current(), cx, cy);
        break;
      case 'H':
      case 'h':
        cx = ox + v[0];
        LineTo(current(), cx, cy);
        break;
      case 'V':
      case 'v':
        cy = oy + v[0];
        LineTo(current(), cx, cy);
        break;
      case 'C':
      case 'c':
      case 'S':
      case 's':
      {
        // A smooth curve's first control point mirrors the last one of a curve before it.
        const bool smooth = cmd == 'S' || cmd == 's';
        const double c1x = smooth ? (prevCubic ? 2.0 * cx - lcx : cx) : ox + v[0];
        const double c1y = smooth ? (prevCubic ? 2.0 * cy - lcy : cy) : oy + v[1];
        const double* rest = smooth ? v : v + 2;
        lcx = ox + rest[0];
        lcy = oy + rest[1];
        cx = ox + rest[2];
        cy = oy + rest[3];
        CubicTo(current(), c1x, c1y, lcx, lcy, cx, cy);
        break;
      }
      case 'Q':
      case 'q':
      case 'T':
      case 't':
      {
        double qx, qy, x, y;
        if (cmd == 'Q' || cmd == 'q')
        {
          qx = ox + v[0];
          qy = oy + v[1];
          x = ox + v[2];
          y = oy + v[3];
        }
        else
        {
          qx = prevQuad ? 2.0 * cx - lcx : cx;
          qy = prevQuad ? 2.0 * cy - lcy : cy;
          x = ox + v[0];
          y = oy + v[1];
        }
        CubicTo(current(), cx + 2.0 / 3.0 * (qx - cx), cy + 2.0 / 3.0 * (qy - cy), x + 2.0 / 3.0 * (qx - x),
                y + 2.0 / 3.0 * (qy - y), x, y);
        lcx = qx;
        lcy = qy;
        cx = x;
        cy = y;
        break;
      }
      case 'A':
      case 'a':
        ArcTo(current(), cx, cy, v[0], v[1], v[2], large, sweep, ox + v[3], oy + v[4]);
        cx = ox + v[3];
        cy = oy + v[4];
        break;
      default: break;
    }
    prev = ran;
  }
  finish();
}

} // namespace reader
} // namespace svg
} // namespace standin
