// libFuzzer target for the page size the AppKit stand-in reads from a cursor's PDF file: any
// bytes must be read inside their length, and a size read must be one the image can be drawn
// at.
#include "standin/appkit/Image.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  NSSize page;
  if (standin::appkit::ReadPdfPageSize(data, size, &page) &&
      !(std::isfinite(page.width) && std::isfinite(page.height) && page.width > 0 && page.height > 0 &&
        page.width <= 100000 && page.height <= 100000))
    std::abort();
  return 0;
}
