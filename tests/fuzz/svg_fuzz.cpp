// libFuzzer target for the SVG parser: any bytes are read inside their length, whatever
// parses keeps every promise of the document model (finite numbers, whole cubic segments,
// bounds that hold the points, ordered gradient stops), in any units, and writing the
// document back and reading it again gives the same document (unless the text written is
// beyond the reader's limit). The document is also drawn with DrawSVG, fitted, rotated and
// into bounds of no size, by a recording graphics context: every point it is handed is a
// finite number (for documents of a size the recording context can keep).
#include "FuzzCheck.h"
#include "HeadlessGraphics.h"
#include "TestDelegate.h"
#include "tests/standin/SVGChecks.h"

#include <cmath>

using namespace standin::svg;

namespace {

// Drawing is checked on documents of up to this many points. The recording context keeps every
// path element it is handed, so beyond that its recording, not the drawing, takes the time an
// input may take; the drawing does the same for each point, however many there are.
constexpr size_t kMaxPointsDrawn = 100000;

size_t PointCount(const Image& image)
{
  size_t n = 0;
  for (const Shape& shape : image.shapes)
    for (const Path& path : shape.paths)
      n += path.pts.size() / 2;
  return n;
}

void Draw(const Image& image)
{
  if (PointCount(image) > kMaxPointsDrawn)
    return;
  static testgraphics::TestDelegate dlg(1);
  static testgraphics::HeadlessGraphics* g = dlg.Open();
  const plug::igraphics::ISVGImage svg(const_cast<Image*>(&image));
  g->ClearCalls();
  g->DrawSVG(svg, plug::igraphics::IRECT(0.f, 0.f, 100.f, 100.f));
  g->DrawRotatedSVG(svg, 50.f, 50.f, 1e6f, 1e-6f, 33.0);
  g->DrawSVG(svg, plug::igraphics::IRECT(10.f, 10.f, 10.f, 10.f));
  for (const testgraphics::DrawCall& call : g->Calls())
    for (const testgraphics::PathPoint& p : call.Points())
      fuzzcheck::Require(std::isfinite(p.x) && std::isfinite(p.y), "every point drawn is finite");
  g->ClearCalls();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  // Each step once per input, so that the time one input may take measures the parser and the
  // drawing, not this target: the promises in both units, the drawing in pixels (drawing
  // fits the document to its bounds, whatever its units), the round trip in millimetres (every
  // number scaled, so the writer has more to carry than in pixels).
  const char* text = reinterpret_cast<const char*>(data);
  const std::unique_ptr<Image> px = Parse(text, size, "px", 96.f);
  if (!px)
    return 0;
  fuzzcheck::Require(svgchecks::Violation(*px).empty(), "the document keeps the model's promises");
  Draw(*px);
  const std::unique_ptr<Image> mm = Parse(text, size, "mm", 96.f);
  if (!mm)
    return 0;
  fuzzcheck::Require(svgchecks::Violation(*mm).empty(), "the document keeps the model's promises in mm");
  // A document within the reader's limit may write back to one beyond it (its numbers written
  // out in full): that one is not read again, nor written out in full.
  const std::optional<std::string> written = WriteWithin(*mm, kMaxDocumentLength);
  if (!written)
    return 0;
  const std::unique_ptr<Image> again = Parse(written->data(), written->size(), "px", 96.f);
  fuzzcheck::Require(again && svgchecks::Difference(*mm, *again, false).empty(),
                     "a document written back reads as the same document");
  return 0;
}
