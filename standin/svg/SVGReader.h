#pragma once
// The pieces the SVG parser is built from: a reader of well-formed markup that reports
// elements with their attributes, and readers of the values inside attributes (numbers,
// lengths, colours, transforms, path data). Every reader takes a begin and an end and never
// looks past the end.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin {
namespace svg {
namespace reader {

// ---------------------------------------------------------------------------------------
// Markup

struct Attribute
{
  std::string_view name;
  std::string value; // entity references replaced
};

class MarkupHandler
{
public:
  virtual ~MarkupHandler() = default;
  // name without a namespace prefix; the attributes in document order.
  virtual void StartElement(std::string_view name, const std::vector<Attribute>& attributes) = 0;
  virtual void EndElement(std::string_view name) = 0;
};

// Reads the markup and reports every element. False, at the first fault, for text that is not
// well-formed: an unterminated tag, comment, section or declaration, a tag or attribute
// without a name, an attribute without "=" or quotes, an end tag that closes no open element
// or not the last one, an element left open, a second root element, or no element at all.
bool ReadMarkup(const char* data, size_t length, MarkupHandler& handler);

// ---------------------------------------------------------------------------------------
// Values

struct Matrix
{
  double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;

  static Matrix Translate(double x, double y) { return {1.0, 0.0, 0.0, 1.0, x, y}; }
  static Matrix Scale(double x, double y) { return {x, 0.0, 0.0, y, 0.0, 0.0}; }
  // Degrees.
  static Matrix Rotate(double angle);
  static Matrix SkewX(double angle);
  static Matrix SkewY(double angle);

  // (this × m)(p) = this(m(p)): m is applied first.
  Matrix operator*(const Matrix& m) const;
  void Apply(double& x, double& y) const
  {
    const double x0 = x;
    x = a * x0 + c * y + e;
    y = b * x0 + d * y + f;
  }
  double Det() const { return a * d - b * c; }
  // False for a transform that has no inverse, or whose inverse is not finite.
  bool Invert(Matrix& out) const;
};

void SkipSpaces(const char*& p, const char* end);
// Spaces, then at most one comma and the spaces after it.
void SkipCommaSpaces(const char*& p, const char* end);
bool StartsNumber(const char* p, const char* end);
// A number as SVG writes it (sign, digits, fraction, exponent). False, leaving p, when there
// is none or it lies outside the range of float.
bool ReadNumber(const char*& p, const char* end, double& out);

enum class Unit
{
  None,
  Px,
  Pt,
  Pc,
  Mm,
  Cm,
  In,
  Em,
  Ex,
  Percent
};

struct Length
{
  double value = 0.0;
  Unit unit = Unit::None;
};

// The whole text must be one length (spaces around it allowed).
bool ReadLength(std::string_view text, Length& out);
// The text as a list of numbers separated by spaces or commas; false on anything else.
bool ReadNumberList(std::string_view text, std::vector<double>& out);

// A colour: #rgb, #rgba, #rrggbb, #rrggbbaa, rgb(), rgba(), a colour keyword, or
// currentColor (given). The result is packed red in the low byte, the alpha the colour gives
// (255 for most).
bool ReadColor(std::string_view text, uint32_t currentColor, uint32_t& out);

// A transform list, composed left to right. False (out unchanged) on any fault.
bool ReadTransform(std::string_view text, Matrix& out);

// One sub-path of path data: x0, y0, then three points per cubic segment.
struct SubPath
{
  std::vector<double> pts;
  bool closed = false;
};

// Path data: every command, relative and absolute, as cubic segments. Reading stops at the
// first fault, keeping what came before it. Sub-paths of a single point are dropped.
void ReadPathData(std::string_view text, std::vector<SubPath>& out);

// Appends one cubic segment for the straight line from the last point to (x, y).
void LineTo(SubPath& path, double x, double y);
void CubicTo(SubPath& path, double c1x, double c1y, double c2x, double c2y, double x, double y);

std::string_view Trim(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace reader
} // namespace svg
} // namespace standin
