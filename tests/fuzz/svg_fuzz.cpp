// libFuzzer target for the SVG parser: any bytes are read inside their length, whatever
// parses keeps every promise of the document model (finite numbers, whole cubic segments,
// bounds that hold the points, ordered gradient stops), in any units, and writing the
// document back and reading it again gives the same document.
#include "FuzzCheck.h"
#include "tests/standin/SVGChecks.h"

using namespace standin::svg;

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
  }
  return 0;
}
