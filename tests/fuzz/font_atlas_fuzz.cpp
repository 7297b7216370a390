// libFuzzer target for the text atlas and the renderer's text: any byte string offered as a
// font file must be refused, or registered, measured, split into lines and drawn (at several
// sizes, with blur, into atlases that fill up, switch and restart) without reading or
// writing outside memory it owns.
#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRContext.h"
#include "tests/fuzz/FuzzBackEnd.h"
#include "tests/fuzz/MemoryFile.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

using namespace plug::igraphics;

namespace {

// A back end that keeps only the sizes of its textures.
VGRrenderInterface NullBackEnd()
{
  static int sizes[64][2];
  static int next = 0;
  VGRrenderInterface ri = fuzzbackend::IgnoringBackEnd();
  ri.renderCreateTexture = [](void*, int, int w, int h, int, const unsigned char*) {
    const int id = 1 + next++ % 63;
    sizes[id][0] = w;
    sizes[id][1] = h;
    return id;
  };
  ri.renderGetTextureSize = [](void*, int image, int* w, int* h) {
    *w = sizes[image & 63][0];
    *h = sizes[image & 63][1];
    return 1;
  };
  return ri;
}

// The renderer's text over the font: drawing at large sizes (atlas switches), wrapping.
void RendererText(const uint8_t* data, size_t size, const char* text)
{
  const VGRrenderInterface ri = NullBackEnd();
  VGRdrawContext* ctx = vgrCreateContext(&ri);
  if (!ctx)
    return;
  auto* bytes = static_cast<unsigned char*>(std::malloc(size));
  std::memcpy(bytes, data, size);
  if (vgrAddFontData(ctx, "fuzz", bytes, static_cast<int>(size), 1) >= 0)
  {
    vgrBeginFrame(ctx, 400, 300, 2);
    vgrSetFontId(ctx, 0);
    for (float px : {14.0f, 180.0f})
    {
      vgrSetFontSize(ctx, px);
      vgrDrawText(ctx, 0, 50, text, nullptr);
      vgrSetTextAlign(ctx, VGR_ALIGN_CENTER | VGR_ALIGN_TOP);
      vgrDrawWrappedText(ctx, 0, 0, 120, text, nullptr);
      float bounds[4];
      vgrMeasureWrappedText(ctx, 0, 0, 120, text, nullptr, bounds);
    }
    vgrEndFrame(ctx);
  }
  vgrDeleteContext(ctx);
}

} // namespace

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
  // Read as a font file, into bytes the atlas owns (and frees).
  static fuzzcheck::MemoryFile file;
  const int font = ftaAddFontFile(ctx, "fuzz", file.Write(data, size), 0);
  if (font >= 0)
  {
    // Codepoints from the input's tail reach whatever the character map holds.
    char text[64] = "Hamburg 0@&\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
    std::size_t len = std::strlen(text);
    for (std::size_t i = 0; i < 8 && i < size; ++i)
      text[len++] = static_cast<char>(0x20 + data[size - 1 - i] % 0x5f);
    text[len] = '\0';
    ftaSetFont(ctx, font);
    RendererText(data, size, text);
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
