#pragma once
// Which sub-paths of an SVG shape are drawn as holes: a sub-path is a hole when a half-line
// from its first point, away past its own top-left corner, crosses the outlines (the polygons
// through the on-curve points) of the shape's other sub-paths an odd number of times. Only
// sub-paths whose bounds hold that first point are walked. A shape of more than
// kMaxSVGHoleTestPaths sub-paths has no holes: every sub-path is drawn solid, so that the
// test never costs more than that many walks of the shape's outline per sub-path.

#include <cstddef>

namespace standin {
namespace svg {
struct Shape;
}
} // namespace standin

namespace plug {
namespace igraphics {

constexpr size_t kMaxSVGHoleTestPaths = 256;

// Whether sub-path i of the shape is a hole. pChordsTested, when given, grows by the number
// of outline chords the test crossed the half-line with.
bool IsSVGHole(const standin::svg::Shape& shape, size_t i, long* pChordsTested = nullptr);

} // namespace igraphics
} // namespace plug
