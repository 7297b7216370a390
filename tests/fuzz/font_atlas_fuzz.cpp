// libFuzzer target for the text atlas: any byte string offered as a font must be refused,
// or registered, measured and drawn (at several sizes, with blur, into an atlas that fills
// up and restarts) without reading or writing outside memory it owns.
#include "graphics/renderer/FTAContext.h"

#include <cstdlib>
#include <cstring>

using namespace plug::igraphics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size == 0 || size > (1u << 24))
    return 0;
  FTAsetup setup{};
  setup.width = 256;
  setup.height = 256;
  setup.flags = FTA_YDOWN;
  FTAcontext* ctx = ftaCreate(&setup);
  if (!ctx)
    return 0;
  // The atlas owns (and frees) its copy, as it does for a font file.
  auto* bytes = static_cast<unsigned char*>(std::malloc(size));
  std::memcpy(bytes, data, size);
  const int font = ftaAddFontData(ctx, "fuzz", bytes, static_cast<int>(size), 0, 1);
  if (font >= 0)
  {
    // Codepoints from the input's tail reach whatever the character map holds.
    char text[64] = "Hamburg 0@&\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
    std::size_t len = std::strlen(text);
    for (std::size_t i = 0; i < 8 && i < size; ++i)
      text[len++] = static_cast<char>(0x20 + data[size - 1 - i] % 0x5f);
    text[len] = '\0';
    ftaSetFont(ctx, font);
    const float sizes[] = {12.0f, 47.5f, 0.15f, 300.0f};
    for (float px : sizes)
    {
      ftaSetSize(ctx, px);
      ftaSetBlur(ctx, px == 47.5f ? 3.0f : 0.0f);
      float bounds[4];
      ftaMeasureText(ctx, 0, 0, text, nullptr, bounds);
      ftaDrawText(ctx, 0, 0, text, nullptr);
      FTAglyphRun run;
      FTAglyphQuad q;
      if (ftaGlyphRunBegin(ctx, &run, 0, 0, text, nullptr, FTA_GLYPH_BITMAP_REQUIRED))
        while (ftaGlyphRunNext(ctx, &run, &q))
          if (run.atlasFull)
            ftaRestartAtlas(ctx, 256, 256);
      float asc, desc, lineh;
      ftaVerticalMetrics(ctx, &asc, &desc, &lineh);
    }
  }
  ftaDelete(ctx);
  return 0;
}
