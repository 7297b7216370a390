// The text atlas with real fonts (Roboto Regular, Lato Bold): glyphs against a direct
// rasterisation, the glyph cache and the packer, kerning, runs, measuring, drawing through
// the callbacks, growing and restarting, and fonts that must be refused.

#include "graphics/renderer/FTAContext.h"
#include "tests/renderer/FontBuilder.h"
#include "tests/renderer/RecordingRenderer.h"

#include <gtest/gtest.h>

#include "graphics/renderer/StbDiagnostics.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
VGR_STB_WARNINGS_OFF
#include <stb/stb_truetype.h>
VGR_STB_WARNINGS_ON

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace plug::igraphics;
using testsupport::FontBuilder;
using testsupport::LatoBoldPath;
using testsupport::ReadFileBytes;
using testsupport::RobotoPath;

namespace {

// What the callbacks of a context received.
struct Callbacks
{
  int creates = 0, resizes = 0, deletes = 0;
  std::vector<std::vector<int>> updates; // dirty rectangles
  std::vector<int> draws;                // vertex counts
  std::vector<unsigned int> colors;      // colour of the first vertex of each draw
  std::vector<std::pair<int, int>> errors;
  int resizeAnswer = 1;

  static Callbacks* Self(void* u) { return static_cast<Callbacks*>(u); }
  static int Create(void* u, int, int) { return ++Self(u)->creates, 1; }
  static int Resize(void* u, int, int) { return ++Self(u)->resizes, Self(u)->resizeAnswer; }
  static void Update(void* u, int* r, const unsigned char*) { Self(u)->updates.push_back({r[0], r[1], r[2], r[3]}); }
  static void Draw(void* u, const float*, const float*, const unsigned int* c, int n)
  {
    Self(u)->draws.push_back(n);
    Self(u)->colors.push_back(c[0]);
  }
  static void Delete(void* u) { ++Self(u)->deletes; }
  static void OnError(void* u, int code, int value) { Self(u)->errors.push_back({code, value}); }
};

// A 512 x 512 y-down atlas with Roboto (font 0) and Lato Bold (font 1), optionally with
// callbacks.
class Atlas
{
public:
  explicit Atlas(Callbacks* cb = nullptr, int size = 512)
  {
    FTAsetup setup{};
    setup.width = size;
    setup.height = size;
    setup.flags = FTA_YDOWN;
    if (cb)
    {
      setup.userPtr = cb;
      setup.renderCreate = &Callbacks::Create;
      setup.renderResize = &Callbacks::Resize;
      setup.renderUpdate = &Callbacks::Update;
      setup.renderDraw = &Callbacks::Draw;
      setup.renderDelete = &Callbacks::Delete;
    }
    ctx = ftaCreate(&setup);
    roboto = ftaAddFontFile(ctx, "Roboto", RobotoPath(), 0);
    lato = ftaAddFontFile(ctx, "Lato", LatoBoldPath(), 0);
  }
  ~Atlas() { ftaDelete(ctx); }
  Atlas(const Atlas&) = delete;
  Atlas& operator=(const Atlas&) = delete;

  FTAfont* Font(int id) const { return ctx->fonts[id]; }
  FTAglyph* Glyph(int font, unsigned int cp, short isize, short iblur = 0, int policy = FTA_GLYPH_BITMAP_REQUIRED)
  {
    return ftaGetGlyph(ctx, Font(font), cp, isize, iblur, policy);
  }

  FTAcontext* ctx = nullptr;
  int roboto = -1;
  int lato = -1;
};

// Direct rasterisation of one glyph, for comparison with the atlas.
struct Reference
{
  explicit Reference(const char* path) : bytes(ReadFileBytes(path))
  {
    stbtt_InitFont(&info, bytes.data(), 0);
    int descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    height = ascent - descent;
  }
  // The glyph's box (gw x gh, pad on each side) as the atlas should hold it.
  std::vector<unsigned char> Box(int codepoint, short isize, int pad, int& gw, int& gh)
  {
    const float scale = (isize / 10.0f) / static_cast<float>(height);
    const int g = stbtt_FindGlyphIndex(&info, codepoint);
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBox(&info, g, scale, scale, &x0, &y0, &x1, &y1);
    gw = x1 - x0 + 2 * pad;
    gh = y1 - y0 + 2 * pad;
    std::vector<unsigned char> box(std::size_t(gw) * gh, 0);
    stbtt_MakeGlyphBitmap(&info, &box[pad + pad * gw], gw - 2 * pad, gh - 2 * pad, gw, scale, scale, g);
    return box;
  }
  std::vector<unsigned char> bytes;
  stbtt_fontinfo info{};
  int ascent = 0, height = 0;
};

std::vector<unsigned char> AtlasBox(FTAcontext* ctx, const FTAglyph* g)
{
  std::vector<unsigned char> box;
  for (int y = g->y0; y < g->y1; ++y)
    for (int x = g->x0; x < g->x1; ++x)
      box.push_back(ctx->texData[x + y * ctx->params.width]);
  return box;
}

int CountGlyphs(FTAcontext* ctx, const char* text, int policy = FTA_GLYPH_BITMAP_REQUIRED)
{
  FTAglyphRun run;
  FTAglyphQuad q;
  int n = 0;
  if (!ftaGlyphRunBegin(ctx, &run, 0, 0, text, nullptr, policy))
    return -1;
  while (ftaGlyphRunNext(ctx, &run, &q))
    n += run.prevGlyphIndex != -1 ? 1 : 0;
  return n;
}

} // namespace

TEST(TextAtlas, GlyphPixelsEqualADirectRasterisation)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  ASSERT_EQ(a.roboto, 0);
  ASSERT_EQ(a.lato, 1);
  // The white rectangle sits at the origin.
  EXPECT_EQ(a.ctx->texData[0], 255);
  EXPECT_EQ(a.ctx->texData[513], 255);
  EXPECT_EQ(a.ctx->texData[2], 0);

  Reference roboto(RobotoPath());
  Reference lato(LatoBoldPath());
  const struct
  {
    int font;
    Reference& ref;
    int codepoint;
    short isize;
  } cases[] = {{0, roboto, 'A', 240}, {0, roboto, 'g', 133}, {0, roboto, '@', 480}, {1, lato, 'W', 155},
               {1, lato, 0xE9, 317}};
  bool first = true;
  for (const auto& c : cases)
  {
    FTAglyph* g = a.Glyph(c.font, static_cast<unsigned>(c.codepoint), c.isize);
    ASSERT_NE(g, nullptr);
    if (first)
    {
      // The first glyph goes beside the white rectangle, in the top row.
      EXPECT_EQ(g->x0, 2);
      EXPECT_EQ(g->y0, 0);
      first = false;
    }
    int gw = 0, gh = 0;
    const std::vector<unsigned char> expected = c.ref.Box(c.codepoint, c.isize, 2, gw, gh);
    EXPECT_EQ(g->x1 - g->x0, gw);
    EXPECT_EQ(g->y1 - g->y0, gh);
    EXPECT_EQ(AtlasBox(a.ctx, g), expected) << "codepoint " << c.codepoint;
    EXPECT_EQ(g->size, c.isize);
    // The dirty rectangle covers it.
    EXPECT_LE(a.ctx->dirtyRect[0], g->x0);
    EXPECT_GE(a.ctx->dirtyRect[3], g->y1);
  }
  int dirty[4];
  ASSERT_EQ(ftaTakeDirtyRect(a.ctx, dirty), 1);
  EXPECT_EQ(dirty[0], 0);
  EXPECT_EQ(dirty[1], 0);
  EXPECT_EQ(ftaTakeDirtyRect(a.ctx, dirty), 0);
}

TEST(TextAtlas, GlyphCacheHashesChainsAndSizes)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  FTAfont* font = a.Font(a.roboto);
  // 'A' and 'r' share hash slot 141: the newer one heads the chain and links the older.
  FTAglyph* ga = a.Glyph(0, 'A', 200);
  ASSERT_NE(ga, nullptr);
  const int ia = static_cast<int>(ga - font->glyphs);
  EXPECT_EQ(font->lut[141], ia);
  FTAglyph* gr = a.Glyph(0, 'r', 200);
  ASSERT_NE(gr, nullptr);
  const int ir = static_cast<int>(gr - font->glyphs);
  EXPECT_EQ(font->lut[141], ir);
  EXPECT_EQ(font->glyphs[ir].next, ia);
  EXPECT_EQ(a.Glyph(0, 'A', 200), &font->glyphs[ia]);
  EXPECT_EQ(font->nglyphs, 2);

  // Size and blur are part of the key; sizes below 0.2 pixel give nothing.
  EXPECT_NE(a.Glyph(0, 'A', 201), &font->glyphs[ia]);
  EXPECT_EQ(a.Glyph(0, 'A', 1), nullptr);
  EXPECT_NE(a.Glyph(0, 'A', 2), nullptr);

  // A metrics-only glyph has no box; asking for its bitmap completes the same record.
  FTAglyph* lazy = a.Glyph(0, 'Q', 300, 0, FTA_GLYPH_BITMAP_OPTIONAL);
  ASSERT_NE(lazy, nullptr);
  EXPECT_EQ(lazy->x0, -1);
  const int il = static_cast<int>(lazy - font->glyphs);
  const int count = font->nglyphs;
  FTAglyph* full = a.Glyph(0, 'Q', 300);
  EXPECT_EQ(full, &font->glyphs[il]);
  EXPECT_GE(full->x0, 0);
  EXPECT_EQ(font->nglyphs, count);

  // Blur 25 is kept and drawn as 20, with 22 pixels of padding, a cleared border and its
  // coverage spread out.
  FTAglyph* sharp = a.Glyph(0, 'I', 400);
  FTAglyph* blurred = a.Glyph(0, 'I', 400, 25);
  ASSERT_NE(blurred, nullptr);
  EXPECT_EQ(blurred->blur, 20);
  EXPECT_EQ(a.Glyph(0, 'I', 400, 20), blurred);
  EXPECT_EQ((blurred->x1 - blurred->x0) - (sharp->x1 - sharp->x0), 40);
  EXPECT_EQ(blurred->xoff, sharp->xoff - 20);
  const std::vector<unsigned char> bs = AtlasBox(a.ctx, blurred);
  const std::vector<unsigned char> ss = AtlasBox(a.ctx, sharp);
  const int bw = blurred->x1 - blurred->x0, bh = blurred->y1 - blurred->y0;
  long mass = 0;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
    {
      const unsigned char v = bs[std::size_t(y) * bw + x];
      mass += v;
      if (x == 0 || y == 0 || x == bw - 1 || y == bh - 1)
      {
        ASSERT_EQ(v, 0);
      }
    }
  EXPECT_GT(mass, 0);
  EXPECT_LT(*std::max_element(bs.begin(), bs.end()), *std::max_element(ss.begin(), ss.end()));
}

TEST(TextAtlas, FallbacksRenderMissingCodepoints)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  const int robotoBold = ftaAddFontFile(a.ctx, "RobotoBold", "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Bold.ttf", 0);
  ASSERT_EQ(robotoBold, 2);
  // U+03E2 is in Lato, not in either Roboto: the second fallback renders it.
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, robotoBold), 1);
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 1);
  FTAglyph* g = a.Glyph(a.roboto, 0x3E2, 300);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->index, ftaFindGlyphIndex(a.Font(a.lato), 0x3E2));
  EXPECT_NE(g->index, 0);
  // No font has U+2FFF: the font's own glyph 0.
  g = a.Glyph(a.roboto, 0x2FFF, 300);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->index, 0);

  // Twenty fallbacks at most; unknown ids are refused.
  for (int i = 2; i < 20; ++i)
    EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 1);
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 0);
  EXPECT_EQ(a.Font(a.roboto)->nfallbacks, 20);
  EXPECT_EQ(ftaAddFallback(a.ctx, a.lato, 7), 0);
  EXPECT_EQ(ftaAddFallback(a.ctx, -1, a.lato), 0);
}

TEST(TextAtlas, KerningFromTheKernTableUnderTheSpecifiedRounding)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  Reference lato(LatoBoldPath());
  ftaSetFont(a.ctx, a.lato);
  ftaSetSize(a.ctx, 40);
  const float scale = 40.0f / static_cast<float>(lato.height);
  auto advanceOf = [&](const char* s) { return ftaMeasureText(a.ctx, 0, 0, s, nullptr, nullptr); };
  const float adv = advanceOf("A") + advanceOf("V");
  for (float spacing : {0.0f, 2.0f, -3.0f})
  {
    ftaSetSpacing(a.ctx, spacing);
    const int kern = stbtt__GetGlyphKernInfoAdvance(&lato.info, stbtt_FindGlyphIndex(&lato.info, 'A'),
                                                    stbtt_FindGlyphIndex(&lato.info, 'V'));
    ASSERT_LT(kern, 0);
    // Truncated towards zero after adding a half, spacing only between the two glyphs.
    EXPECT_EQ(advanceOf("AV"), adv + static_cast<float>(static_cast<int>(kern * scale + spacing + 0.5f)))
      << "spacing " << spacing;
  }
  // -115 units at 40 px is -1.92 px: truncation gives -1 where flooring would give -2.
  ftaSetSpacing(a.ctx, 0);
  EXPECT_EQ(advanceOf("AV") - adv, -1.0f);
  // Roboto has no kern table: no kerning at all.
  ftaSetFont(a.ctx, a.roboto);
  EXPECT_EQ(advanceOf("AV"), advanceOf("A") + advanceOf("V"));
}

TEST(TextAtlas, RunsStopAtBrokenUtf8)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  ftaSetSize(a.ctx, 20);
  EXPECT_EQ(CountGlyphs(a.ctx, "A\xc3\xa9z"), 3); // two-byte é in the middle
  EXPECT_EQ(CountGlyphs(a.ctx, "A\xFF" "BC"), 1); // invalid byte: nothing after it
  EXPECT_EQ(CountGlyphs(a.ctx, "AB\xE2\x82"), 2); // ends inside a sequence
  EXPECT_EQ(CountGlyphs(a.ctx, "\xED\xA0\x80x"), 0); // surrogate

  // The run does not report a missing glyph for the unfinished tail: it just ends.
  FTAglyphRun run;
  FTAglyphQuad q;
  const char text[] = "AB\xE2\x82";
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 0, 0, text, nullptr, FTA_GLYPH_BITMAP_REQUIRED), 1);
  EXPECT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 1);
  EXPECT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 1);
  EXPECT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 0);
  EXPECT_EQ(run.atlasFull, 0);
  EXPECT_EQ(run.next, text + 4);

  // Measuring and drawing stop at the same place.
  EXPECT_EQ(ftaMeasureText(a.ctx, 0, 0, "A\xFF" "BC", nullptr, nullptr), ftaMeasureText(a.ctx, 0, 0, "A", nullptr, nullptr));
  // No usable font: no run, nothing measured.
  ftaSetFont(a.ctx, 9);
  EXPECT_EQ(CountGlyphs(a.ctx, "A"), -1);
  EXPECT_EQ(ftaMeasureText(a.ctx, 0, 0, "A", nullptr, nullptr), 0.0f);
  float asc = 123;
  ftaVerticalMetrics(a.ctx, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, 123);
}

TEST(TextAtlas, AlignmentMeasuringAndMetrics)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  ftaSetSize(a.ctx, 24);
  float left[4], right[4], centre[4], empty[4];
  const float adv = ftaMeasureText(a.ctx, 100, 50, "Hello", nullptr, left);
  EXPECT_GT(adv, 40.0f);
  EXPECT_LT(left[1], 50.0f); // glyphs rise above the baseline
  ftaSetAlign(a.ctx, 4 | 64);
  EXPECT_EQ(ftaMeasureText(a.ctx, 100, 50, "Hello", nullptr, right), adv);
  EXPECT_FLOAT_EQ(right[0], left[0] - adv);
  EXPECT_FLOAT_EQ(right[2], left[2] - adv);
  ftaSetAlign(a.ctx, 2 | 64);
  ftaMeasureText(a.ctx, 100, 50, "Hello", nullptr, centre);
  EXPECT_FLOAT_EQ(centre[0], left[0] - adv * 0.5f);

  // A run starts where the measuring says.
  FTAglyphRun run;
  ftaSetAlign(a.ctx, 4 | 64);
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 100, 50, "Hello", nullptr, FTA_GLYPH_BITMAP_OPTIONAL), 1);
  EXPECT_EQ(run.x, 100 - adv);

  // Top alignment moves the baseline down by the ascender; an empty text measures 0 with
  // a zero-size box at the aligned start.
  float asc = 0, desc = 0, lineh = 0;
  ftaVerticalMetrics(a.ctx, &asc, &desc, &lineh);
  EXPECT_NEAR(asc, 24.0f * 1900 / 2400, 1e-4);
  EXPECT_NEAR(desc, -24.0f * 500 / 2400, 1e-4);
  EXPECT_NEAR(lineh, 24.0f, 1e-4);
  ftaSetAlign(a.ctx, 1 | 8);
  EXPECT_EQ(ftaMeasureText(a.ctx, 10, 20, "", nullptr, empty), 0.0f);
  EXPECT_FLOAT_EQ(empty[0], 10);
  EXPECT_FLOAT_EQ(empty[1], 20 + asc);
  EXPECT_FLOAT_EQ(empty[2], 10);
  EXPECT_FLOAT_EQ(empty[3], 20 + asc);
  float miny = 0, maxy = 0;
  ftaLineExtent(a.ctx, 20, &miny, &maxy);
  EXPECT_FLOAT_EQ(miny, 20);
  EXPECT_FLOAT_EQ(maxy, 20 + lineh);
}

TEST(TextAtlas, DrawingHandsOverFullBatches)
{
  Callbacks cb;
  {
    Atlas a(&cb);
    ASSERT_NE(a.ctx, nullptr);
    EXPECT_EQ(cb.creates, 1);
    ftaSetSize(a.ctx, 12);
    ftaSetColor(a.ctx, 0x11223344);
    // An empty text still flushes the pending dirty rectangle (the white rectangle).
    EXPECT_EQ(ftaDrawText(a.ctx, 5, 5, "", nullptr), 5.0f);
    ASSERT_EQ(cb.updates.size(), 1u);
    EXPECT_EQ(cb.updates[0], (std::vector<int>{0, 0, 2, 2}));
    EXPECT_TRUE(cb.draws.empty());

    // 171 glyphs: 170 fill 1,020 vertices before the 171st, then 6 more at the end.
    const std::string text(171, 'x');
    const float end = ftaDrawText(a.ctx, 0, 20, text.c_str(), nullptr);
    EXPECT_EQ(cb.draws, (std::vector<int>{1020, 6}));
    EXPECT_EQ(cb.colors[0], 0x11223344u);
    EXPECT_EQ(end, ftaMeasureText(a.ctx, 0, 20, text.c_str(), nullptr, nullptr));

    // The debug view: 12 vertices fit exactly behind 1,012 pending; one more and they are
    // handed over first. Then one strip per skyline node.
    cb.draws.clear();
    a.ctx->nverts = 1012;
    ftaDrawAtlasDebug(a.ctx, 0, 0);
    EXPECT_EQ(cb.draws.front(), 1024);
    cb.draws.clear();
    a.ctx->nverts = 1013;
    ftaDrawAtlasDebug(a.ctx, 0, 0);
    EXPECT_EQ(cb.draws.front(), 1013);
    EXPECT_EQ(cb.draws.back(), 12 + 6 * a.ctx->atlas.nnodes);

    // A font id out of range draws nothing and flushes nothing.
    cb.draws.clear();
    ftaSetFont(a.ctx, 5);
    EXPECT_EQ(ftaDrawText(a.ctx, 3, 3, "abc", nullptr), 3.0f);
    EXPECT_TRUE(cb.draws.empty());
  }
  EXPECT_EQ(cb.deletes, 1);
}

TEST(TextAtlas, FullAtlasRefusesThenRestartsEmpty)
{
  Callbacks cb;
  Atlas a(&cb);
  ASSERT_NE(a.ctx, nullptr);
  // Large glyphs until the 512 x 512 atlas refuses one; it does not grow.
  FTAglyph* g = nullptr;
  unsigned cp = 'A';
  while ((g = a.Glyph(0, cp, 1200)) != nullptr && cp < 'z')
    ++cp;
  ASSERT_EQ(g, nullptr);
  EXPECT_EQ(a.ctx->atlasFull, 1);
  EXPECT_EQ(a.ctx->params.width, 512);
  EXPECT_TRUE(cb.errors.empty()); // no handler installed: silent

  // A run marks the refusal, and only it.
  ftaSetSize(a.ctx, 120);
  FTAglyphRun run;
  FTAglyphQuad q;
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 0, 0, "\xc3\x9f", nullptr, FTA_GLYPH_BITMAP_REQUIRED), 1);
  ASSERT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 1);
  EXPECT_EQ(run.prevGlyphIndex, -1);
  EXPECT_EQ(run.atlasFull, 1);

  // With a handler, it hears "atlas full" and the placement is tried once more.
  ftaSetErrorHandler(a.ctx, &Callbacks::OnError, &cb);
  EXPECT_EQ(a.Glyph(0, cp, 1200), nullptr);
  ASSERT_EQ(cb.errors.size(), 1u);
  EXPECT_EQ(cb.errors[0], std::make_pair(1, 0));

  // Restart: every glyph forgotten, the white rectangle back, the next glyph beside it.
  cb.updates.clear();
  ASSERT_EQ(ftaRestartAtlas(a.ctx, 1024, 512), 1);
  EXPECT_EQ(cb.resizes, 1);
  EXPECT_EQ(a.Font(0)->nglyphs, 0);
  EXPECT_EQ(a.Font(0)->lut[141], -1);
  EXPECT_EQ(a.ctx->itw, 1.0f / 1024);
  g = a.Glyph(0, 'A', 200);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->x0, 2);
  EXPECT_EQ(g->y0, 0);
  // A refusing resize callback leaves the atlas as it was.
  cb.resizeAnswer = 0;
  EXPECT_EQ(ftaRestartAtlas(a.ctx, 256, 256), 0);
  EXPECT_EQ(a.ctx->params.width, 1024);
  EXPECT_EQ(a.Font(0)->nglyphs, 1);
}

TEST(TextAtlas, GrowingKeepsPixelsGlyphsAndSkyline)
{
  Callbacks cb;
  Atlas a(&cb);
  ASSERT_NE(a.ctx, nullptr);
  FTAglyph* g = a.Glyph(0, 'M', 400);
  ASSERT_NE(g, nullptr);
  const std::vector<unsigned char> before(a.ctx->texData, a.ctx->texData + 512 * 512);
  const int gx0 = g->x0, gy0 = g->y0;
  FTAglyphQuad q0, q1;
  float x = 0, y = 0;
  ftaGlyphQuad(a.ctx, a.Font(0), -1, g, 1, 0, &x, &y, &q0);
  const int nodes = a.ctx->atlas.nnodes;
  int maxy = 0;
  for (int i = 0; i < nodes; ++i)
    maxy = std::max<int>(maxy, a.ctx->atlas.nodes[i].y);

  // Not larger in either direction: nothing happens, not even a flush.
  cb.updates.clear();
  EXPECT_EQ(ftaGrowAtlas(a.ctx, 512, 100), 1);
  EXPECT_TRUE(cb.updates.empty());

  ASSERT_EQ(ftaGrowAtlas(a.ctx, 1024, 256), 1);
  EXPECT_EQ(a.ctx->params.width, 1024);
  EXPECT_EQ(a.ctx->params.height, 512);
  for (int row = 0; row < 512; ++row)
  {
    ASSERT_EQ(0, std::memcmp(&a.ctx->texData[row * 1024], &before[std::size_t(row) * 512], 512)) << row;
    for (int col = 512; col < 1024; ++col)
      ASSERT_EQ(a.ctx->texData[row * 1024 + col], 0);
  }
  ASSERT_EQ(a.ctx->atlas.nnodes, nodes + 1);
  const FTAskylineNode last = a.ctx->atlas.nodes[nodes];
  EXPECT_EQ(last.x, 512);
  EXPECT_EQ(last.y, 0);
  EXPECT_EQ(last.width, 512);
  EXPECT_EQ(a.ctx->dirtyRect[0], 0);
  EXPECT_EQ(a.ctx->dirtyRect[1], 0);
  EXPECT_EQ(a.ctx->dirtyRect[2], 512);
  EXPECT_EQ(a.ctx->dirtyRect[3], maxy);
  // The cached glyph keeps its pixel box; its s coordinates halve.
  EXPECT_EQ(a.Glyph(0, 'M', 400), g);
  EXPECT_EQ(g->x0, gx0);
  EXPECT_EQ(g->y0, gy0);
  x = y = 0;
  ftaGlyphQuad(a.ctx, a.Font(0), -1, g, 1, 0, &x, &y, &q1);
  EXPECT_FLOAT_EQ(q1.s0, q0.s0 * 0.5f);
  EXPECT_FLOAT_EQ(q1.t0, q0.t0);

  // Taller only: no new node, zero rows below.
  ASSERT_EQ(ftaGrowAtlas(a.ctx, 512, 1024), 1);
  EXPECT_EQ(a.ctx->atlas.nnodes, nodes + 1);
  EXPECT_EQ(a.ctx->atlas.height, 1024);
  EXPECT_EQ(a.ctx->texData[1024 * 1023 + 5], 0);

  // A refusing resize callback keeps the atlas.
  cb.resizeAnswer = 0;
  EXPECT_EQ(ftaGrowAtlas(a.ctx, 2048, 2048), 0);
  EXPECT_EQ(a.ctx->params.width, 1024);
  EXPECT_EQ(ftaGrowAtlas(nullptr, 10, 10), 0);
}

TEST(TextAtlas, SkylinePacking)
{
  FTAsetup setup{};
  setup.width = 100;
  setup.height = 50;
  FTAcontext* ctx = ftaCreate(&setup);
  ASSERT_NE(ctx, nullptr);
  FTAskyline& s = ctx->atlas;
  auto nodes = [&] {
    std::vector<std::vector<int>> v;
    for (int i = 0; i < s.nnodes; ++i)
      v.push_back({s.nodes[i].x, s.nodes[i].y, s.nodes[i].width});
    return v;
  };
  // The white rectangle took the corner.
  EXPECT_EQ(nodes(), (std::vector<std::vector<int>>{{0, 2, 2}, {2, 0, 98}}));

  // A chosen skyline: the lowest top edge wins; on a tie the narrower node.
  const FTAskylineNode start[] = {{0, 0, 40}, {40, 10, 10}, {50, 0, 20}, {70, 10, 30}};
  std::memcpy(s.nodes, start, sizeof(start));
  s.nnodes = 4;
  int x = -1, y = -1;
  ASSERT_EQ(ftaSkylineAddRect(&s, 15, 5, &x, &y), 1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(50, 0));
  EXPECT_EQ(nodes(), (std::vector<std::vector<int>>{{0, 0, 40}, {40, 10, 10}, {50, 5, 15}, {65, 0, 5}, {70, 10, 30}}));
  // The covered node disappears and the new one merges with its equal neighbour.
  ASSERT_EQ(ftaSkylineAddRect(&s, 5, 10, &x, &y), 1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(65, 0));
  EXPECT_EQ(nodes(), (std::vector<std::vector<int>>{{0, 0, 40}, {40, 10, 10}, {50, 5, 15}, {65, 10, 35}}));
  // Down to the last row fits; wider than the free span or one row more does not.
  ASSERT_EQ(ftaSkylineAddRect(&s, 40, 50, &x, &y), 1);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 0));
  EXPECT_EQ(ftaSkylineAddRect(&s, 61, 1, &x, &y), 0);
  EXPECT_EQ(ftaSkylineAddRect(&s, 10, 46, &x, &y), 0);
  ftaDelete(ctx);
}

TEST(TextAtlas, ScratchArenaAndStyleStack)
{
  Callbacks cb;
  Atlas a(&cb);
  ASSERT_NE(a.ctx, nullptr);
  ftaSetErrorHandler(a.ctx, &Callbacks::OnError, &cb);
  // 16-byte rounding up to 96,000 bytes; a failed request reports the total it needed.
  ftaScratchReset(a.ctx);
  for (int i = 0; i < 6000; ++i)
    ASSERT_NE(ftaScratchAlloc(a.ctx, i % 2 ? 1 : 16), nullptr) << i;
  EXPECT_EQ(a.ctx->nscratch, 96000);
  EXPECT_EQ(ftaScratchAlloc(a.ctx, 1), nullptr);
  ASSERT_EQ(cb.errors.size(), 1u);
  EXPECT_EQ(cb.errors[0], std::make_pair(2, 96016));

  // Twenty styles at most; the first is never popped.
  cb.errors.clear();
  ftaSetSize(a.ctx, 33);
  for (int i = 0; i < 25; ++i)
    ftaPushStyle(a.ctx);
  EXPECT_EQ(a.ctx->nstyles, 20);
  EXPECT_EQ(ftaTopStyle(a.ctx)->size, 33.0f);
  for (int i = 0; i < 25; ++i)
    ftaPopStyle(a.ctx);
  EXPECT_EQ(a.ctx->nstyles, 1);
  EXPECT_EQ(std::count(cb.errors.begin(), cb.errors.end(), std::make_pair(3, 0)), 6);
  EXPECT_EQ(std::count(cb.errors.begin(), cb.errors.end(), std::make_pair(4, 0)), 6);
  ftaClearStyle(a.ctx);
  const FTAstyle* s = ftaTopStyle(a.ctx);
  EXPECT_EQ(s->size, 12.0f);
  EXPECT_EQ(s->align, 65);
  EXPECT_EQ(s->color, 0xffffffffu);
}

TEST(TextAtlas, FontsAreCheckedBeforeUse)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  std::vector<unsigned char> roboto = ReadFileBytes(RobotoPath());
  ASSERT_GT(roboto.size(), 1000u);

  // Names keep 63 characters and are found by that form.
  const std::string longName(80, 'n');
  const int id = ftaAddFontData(a.ctx, longName.c_str(), roboto.data(), static_cast<int>(roboto.size()), 0, 0);
  ASSERT_EQ(id, 2);
  EXPECT_EQ(ftaFindFontByName(a.ctx, longName.substr(0, 63).c_str()), id);
  EXPECT_EQ(ftaFindFontByName(a.ctx, longName.c_str()), -1);
  EXPECT_EQ(ftaFindFontByName(a.ctx, "Lato"), a.lato);
  // A face index past a plain font, a missing file and a null font are refused.
  EXPECT_EQ(ftaAddFontData(a.ctx, "x", roboto.data(), static_cast<int>(roboto.size()), 1, 0), -1);
  EXPECT_EQ(ftaAddFontFile(a.ctx, "x", "/nonexistent/font.ttf", 0), -1);
  EXPECT_EQ(ftaAddFontData(a.ctx, "x", nullptr, 10, 0, 0), -1);

  // Ascent equal to descent: no height to scale by.
  auto patched = roboto;
  const uint32_t numTables = (patched[4] << 8) | patched[5];
  for (uint32_t i = 0; i < numTables; ++i)
  {
    unsigned char* rec = &patched[12 + 16 * i];
    if (std::memcmp(rec, "hhea", 4) == 0)
    {
      const uint32_t off = (uint32_t(rec[8]) << 24) | (uint32_t(rec[9]) << 16) | (uint32_t(rec[10]) << 8) | rec[11];
      patched[off + 6] = patched[off + 4];
      patched[off + 7] = patched[off + 5];
    }
  }
  EXPECT_EQ(ftaAddFontData(a.ctx, "flat", patched.data(), static_cast<int>(patched.size()), 0, 0), -1);

  // Truncated and corrupted copies (owned by the atlas, freed on refusal) are refused or
  // drawn without reading outside their bytes (the sanitizer build checks).
  const int fonts = a.ctx->nfonts;
  std::mt19937 rng(1234);
  ftaSetSize(a.ctx, 30);
  for (int round = 0; round < 60; ++round)
  {
    std::size_t size = roboto.size();
    if (round % 3 == 0)
      size = rng() % roboto.size();
    auto* bytes = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    std::memcpy(bytes, roboto.data(), size);
    for (int flips = 0; round % 3 != 0 && flips < 1 + round; ++flips)
      bytes[rng() % size] = static_cast<unsigned char>(rng());
    const int font = ftaAddFontData(a.ctx, "bad", bytes, static_cast<int>(size), 0, 1);
    if (font < 0)
      continue;
    ftaSetFont(a.ctx, font);
    float b[4];
    ftaMeasureText(a.ctx, 0, 0, "Hamburgefonstiv 0123 \xc3\xa9@&", nullptr, b);
    ftaDrawText(a.ctx, 0, 0, "Hamburgefonstiv 0123 \xc3\xa9@&", nullptr);
    ftaRestartAtlas(a.ctx, 512, 512);
  }
  EXPECT_GE(a.ctx->nfonts, fonts);
}

namespace {

// Registers a built font (copied, owned by the atlas); its id or -1.
int AddBuilt(FTAcontext* ctx, const std::vector<unsigned char>& font)
{
  auto* bytes = static_cast<unsigned char*>(std::malloc(font.size()));
  std::memcpy(bytes, font.data(), font.size());
  return ftaAddFontData(ctx, "built", bytes, static_cast<int>(font.size()), 0, 1);
}

void SetU16(std::vector<unsigned char>& b, std::size_t at, unsigned v)
{
  b[at] = static_cast<unsigned char>(v >> 8);
  b[at + 1] = static_cast<unsigned char>(v);
}

} // namespace

TEST(TextAtlas, MalformedFontsAreRefused)
{
  Atlas a;
  ASSERT_NE(a.ctx, nullptr);
  using Glyph = FontBuilder::Glyph;

  // The well-formed font draws; composites find their components.
  FontBuilder good;
  const int square = good.AddPolygonGlyph(4, 600);
  Glyph pair;
  pair.components = {{square, 0, 0}, {square, 700, 0}};
  const int composite = good.AddGlyph(pair);
  good.Map('a', square);
  good.Map('b', composite);
  good.Kern(square, composite, -100);
  const int font = AddBuilt(a.ctx, good.Build());
  ASSERT_GE(font, 0);
  FTAglyph* g = a.Glyph(font, 'b', 200);
  ASSERT_NE(g, nullptr);
  EXPECT_GT(g->x1 - g->x0, 2 * (g->y1 - g->y0) - 8); // two squares side by side
  ftaSetFont(a.ctx, font);
  ftaSetSize(a.ctx, 20);
  EXPECT_EQ(ftaMeasureText(a.ctx, 0, 0, "ab", nullptr, nullptr) - ftaMeasureText(a.ctx, 0, 0, "a", nullptr, nullptr) -
              ftaMeasureText(a.ctx, 0, 0, "b", nullptr, nullptr),
            -1.0f); // -100 units at 20 px / 1000 units: -2 + 0.5 truncates to -1

  auto refused = [&](const FontBuilder& b) { return AddBuilt(a.ctx, b.Build()) == -1; };
  {
    FontBuilder cyclic; // a composite that contains itself
    Glyph self;
    self.components = {{1, 0, 0}};
    cyclic.AddGlyph(self);
    EXPECT_TRUE(refused(cyclic));
  }
  {
    FontBuilder deep; // 17 levels of nesting
    int inner = deep.AddPolygonGlyph(4, 100);
    for (int i = 0; i < 17; ++i)
    {
      Glyph wrap;
      wrap.components = {{inner, 1, 0}};
      inner = deep.AddGlyph(wrap);
    }
    EXPECT_TRUE(refused(deep));
  }
  {
    FontBuilder wide; // a component moved past the 16-bit coordinate range
    const int big = wide.AddPolygonGlyph(4, 30000);
    Glyph moved;
    moved.components = {{big, 20000, 0}};
    wide.AddGlyph(moved);
    EXPECT_TRUE(refused(wide));
  }
  {
    FontBuilder lone; // a last contour of one off-curve point
    Glyph dot;
    dot.contours = {{{0, 0}, {100, 0}, {100, 100}}, {{50, 50, false}}};
    lone.AddGlyph(dot);
    EXPECT_TRUE(refused(lone));
  }
  std::vector<unsigned char> bytes = good.Build();
  const uint32_t cmap = FontBuilder::TableOffset(bytes, "cmap");
  auto patchedRefused = [&](std::size_t at, unsigned v) {
    std::vector<unsigned char> b = bytes;
    SetU16(b, at, v);
    return AddBuilt(a.ctx, b) == -1;
  };
  EXPECT_TRUE(patchedRefused(cmap + 12 + 8, 64));  // search range that does not match the segments
  EXPECT_TRUE(patchedRefused(cmap + 12 + 6, 400)); // more segments than the subtable holds
  EXPECT_TRUE(patchedRefused(cmap + 6, 60000));    // subtable offset outside the table
  const uint32_t loca = FontBuilder::TableOffset(bytes, "loca");
  EXPECT_TRUE(patchedRefused(loca + 4 + 2, 0xfff0)); // a glyph ending past the glyph table
  EXPECT_TRUE(patchedRefused(4, 200));             // more table records than bytes
  EXPECT_TRUE(patchedRefused(0, 0x4f54));          // "OT": not TrueType outlines
  EXPECT_FALSE(patchedRefused(cmap + 12 + 4, 0));  // the language field is not read
}

TEST(TextAtlas, ScratchArenaExhaustionGivesAnEmptyBitmap)
{
  // Glyphs of ever more outline points: from some size on the rasteriser's memory no longer
  // fits the arena, at whatever step of the rasterisation; the glyph then keeps its box but
  // no pixels.
  FontBuilder b;
  std::vector<int> glyphs;
  for (int n = 1500; n <= 2600; n += 25)
  {
    glyphs.push_back(b.AddPolygonGlyph(n, 30000));
    b.Map(0x100 + static_cast<int>(glyphs.size()), glyphs.back());
  }
  Callbacks cb;
  FTAsetup setup{};
  setup.width = 1024;
  setup.height = 1024;
  setup.flags = FTA_YDOWN;
  FTAcontext* ctx = ftaCreate(&setup);
  ASSERT_NE(ctx, nullptr);
  ftaSetErrorHandler(ctx, &Callbacks::OnError, &cb);
  const int font = AddBuilt(ctx, b.Build());
  ASSERT_GE(font, 0);
  int drawn = 0, empty = 0;
  for (std::size_t i = 0; i < glyphs.size(); ++i)
  {
    ftaRestartAtlas(ctx, 1024, 1024);
    cb.errors.clear();
    FTAglyph* g = ftaGetGlyph(ctx, ctx->fonts[font], static_cast<unsigned>(0x101 + i), 200, 0, FTA_GLYPH_BITMAP_REQUIRED);
    ASSERT_NE(g, nullptr);
    ASSERT_GT(g->x1 - g->x0, 64 + 4); // wide enough for the rasteriser's heap scanline
    const std::vector<unsigned char> box = AtlasBox(ctx, g);
    const bool ink = std::any_of(box.begin(), box.end(), [](unsigned char v) { return v != 0; });
    const bool exhausted = !cb.errors.empty();
    for (const auto& e : cb.errors)
      EXPECT_EQ(e.first, 2);
    EXPECT_NE(ink, exhausted) << "glyph " << i;
    (ink ? drawn : empty)++;
  }
  EXPECT_GT(drawn, 0);
  EXPECT_GT(empty, 0);
  ftaDelete(ctx);
}
