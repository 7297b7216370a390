#pragma once
// A small SVG parser standing in for the one the toolkit draws SVG images with. It reads the
// part of SVG that control assets use (svg, g, path, rect, circle, ellipse, line, polyline,
// polygon, linearGradient, radialGradient with their stops; transforms; presentation
// attributes and the style attribute; lengths in every SVG unit) into a flat document: a list
// of shapes, each with its paint, stroke settings and paths made only of cubic Bézier
// segments, in the units asked for, with every transform already applied.
//
// What it does not draw it skips (defs are read for their gradients only; title, desc,
// metadata, text, images and unknown elements are passed over with their contents). It
// refuses only text that is not well-formed markup; errors inside attribute values are
// handled as SVG does (a bad path stops the path where it goes wrong, a bad colour is
// ignored). Every read is bounded by the length given; no input leaves a number in the
// document that is not finite.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace standin {
namespace svg {

enum class PaintType : int32_t
{
  None = 0,
  Color = 1,
  LinearGradient = 2,
  RadialGradient = 3
};

enum class Spread : int32_t
{
  Pad = 0,
  Reflect = 1,
  Repeat = 2
};

enum class LineJoin : int32_t
{
  Miter = 0,
  Round = 1,
  Bevel = 2
};

enum class LineCap : int32_t
{
  Butt = 0,
  Round = 1,
  Square = 2
};

enum class FillRule : int32_t
{
  NonZero = 0,
  EvenOdd = 1
};

// Colours are packed with red in the low byte: 0xAABBGGRR.
constexpr uint32_t PackColor(int r, int g, int b, int a = 255)
{
  return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
         (static_cast<uint32_t>(b & 0xFF) << 16) | (static_cast<uint32_t>(a & 0xFF) << 24);
}
constexpr int ColorR(uint32_t c) { return static_cast<int>(c & 0xFF); }
constexpr int ColorG(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ColorB(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int ColorA(uint32_t c) { return static_cast<int>((c >> 24) & 0xFF); }

struct GradientStop
{
  uint32_t color = 0; // the stop's opacity in the alpha byte
  float offset = 0.f; // 0..1, never less than the offset before it
};

// The stops of a gradient paint. The stops of one gradient element are held once and shared
// by every paint that uses it; each paint sees them with its own opacity (fill-opacity or
// stroke-opacity) multiplied into their alpha.
class GradientStops
{
public:
  GradientStops() = default;
  GradientStops(std::shared_ptr<const std::vector<GradientStop>> stops, float opacity);

  size_t size() const { return mStops ? mStops->size() : 0; }
  bool empty() const { return size() == 0; }
  // The stop as this paint has it: its opacity multiplied in.
  GradientStop operator[](size_t i) const;
  GradientStop back() const { return (*this)[size() - 1]; }

  class const_iterator
  {
  public:
    const_iterator(const GradientStops* stops, size_t i) : mStops(stops), mIndex(i) {}
    GradientStop operator*() const { return (*mStops)[mIndex]; }
    const_iterator& operator++()
    {
      ++mIndex;
      return *this;
    }
    bool operator!=(const const_iterator& o) const { return mIndex != o.mIndex; }

  private:
    const GradientStops* mStops;
    size_t mIndex;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // The shared stops as the gradient element gives them, and the paint's own opacity.
  const std::vector<GradientStop>* Shared() const { return mStops.get(); }
  float Opacity() const { return mOpacity; }

private:
  std::shared_ptr<const std::vector<GradientStop>> mStops;
  float mOpacity = 1.f;
};

struct Gradient
{
  // From the document's coordinates to the gradient's unit space, as a, b, c, d, e, f
  // (x' = a·x + c·y + e, y' = b·x + d·y + f). Linear: the gradient runs from (0, 0) to
  // (0, 1), along y. Radial: the centre is the origin and the radius is 1.
  float xform[6] = {1.f, 0.f, 0.f, 1.f, 0.f, 0.f};
  Spread spread = Spread::Pad;
  // Radial: the focal point in unit space.
  float fx = 0.f;
  float fy = 0.f;
  GradientStops stops; // at least two
};

struct Paint
{
  PaintType type = PaintType::None;
  uint32_t color = 0; // Color: the colour with the paint's opacity in the alpha byte
  Gradient gradient;  // the two gradient types
};

struct Path
{
  // x0, y0, then three points (two control points and the end) per cubic segment: at least
  // one segment.
  std::vector<float> pts;
  bool closed = false;
  float bounds[4] = {}; // left, top, right, bottom of the curve itself
  int NPoints() const { return static_cast<int>(pts.size() / 2); }
};

struct Shape
{
  std::string id;
  Paint fill;
  Paint stroke;
  float opacity = 1.f; // the element's and its groups' opacity multiplied
  float strokeWidth = 1.f;
  float strokeDashOffset = 0.f;
  static constexpr int kMaxDashes = 8;
  float strokeDashArray[kMaxDashes] = {};
  int strokeDashCount = 0; // even; 0 for a solid line
  LineJoin strokeLineJoin = LineJoin::Miter;
  LineCap strokeLineCap = LineCap::Butt;
  float miterLimit = 4.f;
  FillRule fillRule = FillRule::NonZero;
  bool visible = true; // false for display: none and visibility: hidden
  float bounds[4] = {};
  std::vector<Path> paths; // at least one
};

struct Image
{
  float width = 0.f;
  float height = 0.f;
  std::vector<Shape> shapes; // in document order
};

// Limits of what a document may hold: beyond them it is refused whole. Everything inside
// them takes memory in proportion to the text (paints and gradient stops are shared, not
// copied per element).
constexpr size_t kMaxDocumentLength = 16u << 20; // bytes of text
constexpr int kMaxNesting = 256;                 // elements open at once, the root included

// Parses exactly length bytes of SVG text (a NUL byte is a character like any other).
// Coordinates come out in units, one of "px", "pt", "pc", "mm", "cm", "in" (anything else
// counts as "px"), at dpi dots per inch (96 for 0 or less). Null for text that is not
// well-formed markup, whose root element is not svg, that goes beyond a limit above, or that
// does not fit in memory; then whyRefused, when given, receives the reason.
std::unique_ptr<Image> Parse(const char* data, size_t length, const char* units = "px", float dpi = 96.f,
                             std::string* whyRefused = nullptr);

// The document written back as SVG text that parses to the same document (in "px").
std::string Write(const Image& image);
// The same, or nothing once the text would be longer than maxLength bytes: the writing stops
// there, so its time is bounded by maxLength, not by the document.
std::optional<std::string> WriteWithin(const Image& image, size_t maxLength);

} // namespace svg
} // namespace standin
