// libFuzzer target for font loading: any bytes must be read inside their length by the sfnt
// reader (every face, the face lookup by style), by the stand-in's font inspection and by the
// whole loader from memory, and whatever loads must leave no platform object behind.
// Seeds: small hand-made faces and a collection; for longer runs the fonts of the Debian
// packages make good seeds too (scripts/fuzz SECONDS font_loader_fuzz, after copying them into
// build/fuzz/corpus/font_loader_fuzz).
#include "platform/mac/CoreTextFont.h"
#include "platform/mac/FontDescriptorCache.h"
#include "platform/mac/SfntFaceInfo.h"
#include "standin/coretext/FontFile.h"

#include <climits>
#include <cstdlib>

using namespace plug::igraphics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const int length = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  for (int face = -1; face < 3; ++face)
  {
    const SfntFaceInfo info(data, length, face);
    if (info.IsValid())
      FontEmRatio(info);
    standin::fontfile::InspectFace(data, size, face, nullptr);
  }
  FindFontFaceIndex(data, length, "Bold");
  FindFontFaceIndex(data, length, "");

  if (PlatformFontPtr font = LoadCoreTextFontFromMemory("fuzz", data, length))
  {
    PlatformFontData* fontData = font->GetFontData();
    if (!fontData || fontData->mBytes.GetLength() != length)
      std::abort();
    DeletePlatformFontData(fontData);
  }
  if (standin::CGDataProvider::Class().LiveCount() != 0 || standin::CTFontDescriptor::Class().LiveCount() != 0)
    std::abort();
  return 0;
}
