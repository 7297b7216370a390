// libFuzzer target for the SVG parser: any bytes are read inside their length, whatever
// parses keeps every promise of the document model (finite numbers, whole cubic segments,
// bounds that hold the points, ordered gradient stops), in any units, and writing the
// document back and reading it again gives the same document. The document is then drawn
// with DrawSVG, fitted, rotated and into bounds of no size, by a recording graphics context:
// every point it is handed is a finite number.
#include "FuzzCheck.h"
#include "HeadlessGraphics.h"
#include "TestDelegate.h"
#include "tests/standin/SVGChecks.h"

#include <cmath>

using namespace standin::svg;

namespace {

void Draw(const Image& image)
{
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
  const char* text = reinterpret_cast<const char*>(data);
  for (const char* units : {"px", "mm"})
  {
    const std::unique_ptr<Image> image = Parse(text, size, units, 96.f);
    if (!image)
      return 0;
    fuzzcheck::Require(svgchecks::Violation(*image).empty(), "the document keeps the model's promises");
    const std::string written = Write(*image);
    const std::unique_ptr<Image> again = Parse(written.data(), written.size(), "px", 96.f);
    fuzzcheck::Require(again && svgchecks::Difference(*image, *again, false).empty(),
                       "a document written back reads as the same document");
    Draw(*image);
  }
  return 0;
}
