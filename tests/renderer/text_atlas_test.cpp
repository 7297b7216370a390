// The text atlas with real fonts (Roboto Regular, Lato Bold) and built ones: glyphs against a
// direct rasterisation, the glyph cache and the packer, kerning, runs, drawing through the
// callbacks, growing and restarting, and fonts that must be refused.

#include "graphics/renderer/FTAContext.h"
#include "tests/renderer/FontBuilder.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/FontFiles.h"
#include "tests/support/ReturnsInTime.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include "graphics/renderer/StbDiagnostics.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
VGR_STB_WARNINGS_OFF
#include <stb/stb_truetype.h>
VGR_STB_WARNINGS_ON

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

using namespace plug::igraphics;
using testsupport::FontBuilder;
using testsupport::LatoBoldPath;
using testsupport::ReadBytes;
using testsupport::RobotoRegularPath;

namespace {

// What the callbacks of an atlas received.
struct Callbacks
{
  std::vector<std::vector<int>> updates; // dirty rectangles
  std::vector<int> draws;                // vertex counts
  std::vector<std::pair<int, int>> errors;
  int resizeAnswer = 1;

  static Callbacks* Self(void* u) { return static_cast<Callbacks*>(u); }
  static int Resize(void* u, int, int) { return Self(u)->resizeAnswer; }
  static void Update(void* u, int* r, const unsigned char*) { Self(u)->updates.push_back({r[0], r[1], r[2], r[3]}); }
  static void Draw(void* u, const float*, const float*, const unsigned int*, int n) { Self(u)->draws.push_back(n); }
  static void OnError(void* u, int code, int value) { Self(u)->errors.push_back({code, value}); }
};

// A y-down atlas with Roboto (font 0) and Lato Bold (font 1), optionally with callbacks.
class Atlas
{
public:
  explicit Atlas(Callbacks* cb = nullptr, int size = 512)
  {
    FTAsetup setup{};
    setup.width = setup.height = size;
    setup.flags = FTA_YDOWN;
    if (cb)
    {
      setup.userPtr = cb;
      setup.renderResize = &Callbacks::Resize;
      setup.renderUpdate = &Callbacks::Update;
      setup.renderDraw = &Callbacks::Draw;
    }
    ctx = ftaCreate(&setup);
    roboto = ftaAddFontFile(ctx, "Roboto", RobotoRegularPath().c_str(), 0);
    lato = ftaAddFontFile(ctx, "Lato", LatoBoldPath().c_str(), 0);
  }
  ~Atlas() { ftaDelete(ctx); }
  Atlas(const Atlas&) = delete;
  Atlas& operator=(const Atlas&) = delete;

  FTAfont* Font(int id) const { return ctx->fonts[id]; }
  FTAglyph* Glyph(int font, unsigned int cp, short isize, short iblur = 0, int policy = FTA_GLYPH_BITMAP_REQUIRED)
  {
    return ftaGetGlyph(ctx, Font(font), cp, isize, iblur, policy);
  }
  // The glyph's box of atlas pixels.
  std::vector<unsigned char> Box(const FTAglyph* g) const
  {
    std::vector<unsigned char> box;
    for (int y = g->y0; y < g->y1; ++y)
      for (int x = g->x0; x < g->x1; ++x)
        box.push_back(ctx->texData[x + y * ctx->params.width]);
    return box;
  }
  float Advance(const char* text) { return ftaMeasureText(ctx, 0, 0, text, nullptr, nullptr); }

  FTAcontext* ctx = nullptr;
  int roboto = -1;
  int lato = -1;
};

// Direct rasterisation of one glyph's box (pad on each side), as the atlas should hold it.
std::vector<unsigned char> ReferenceBox(const stbtt_fontinfo& info, int codepoint, short isize)
{
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  const float scale = (isize / 10.0f) / static_cast<float>(ascent - descent);
  const int g = stbtt_FindGlyphIndex(&info, codepoint);
  int x0, y0, x1, y1;
  stbtt_GetGlyphBitmapBox(&info, g, scale, scale, &x0, &y0, &x1, &y1);
  const int gw = x1 - x0 + 4, gh = y1 - y0 + 4;
  std::vector<unsigned char> box(std::size_t(gw) * gh, 0);
  stbtt_MakeGlyphBitmap(&info, &box[2 + 2 * gw], gw - 4, gh - 4, gw, scale, scale, g);
  return box;
}

int CountGlyphs(FTAcontext* ctx, const char* text)
{
  FTAglyphRun run;
  FTAglyphQuad q;
  int n = 0;
  if (!ftaGlyphRunBegin(ctx, &run, 0, 0, text, nullptr, FTA_GLYPH_BITMAP_REQUIRED))
    return -1;
  while (ftaGlyphRunNext(ctx, &run, &q))
    n += run.prevGlyphIndex != -1 ? 1 : 0;
  return n;
}

// Registers a copy of font bytes, owned (and freed on refusal) by the atlas; its id or -1.
int AddCopy(FTAcontext* ctx, const std::vector<unsigned char>& font, std::size_t size)
{
  auto* bytes = static_cast<unsigned char*>(std::malloc(size ? size : 1));
  std::memcpy(bytes, font.data(), size);
  return ftaAddFontData(ctx, "copy", bytes, static_cast<int>(size), 0, 1);
}

} // namespace

TEST(TextAtlas, GlyphPixelsEqualADirectRasterisation)
{
  Atlas a;
  ASSERT_EQ(a.roboto, 0);
  ASSERT_EQ(a.lato, 1);
  EXPECT_EQ(a.ctx->texData[513], 255); // the white rectangle at the origin
  const std::vector<unsigned char> robotoBytes = ReadBytes(RobotoRegularPath());
  const std::vector<unsigned char> latoBytes = ReadBytes(LatoBoldPath());
  stbtt_fontinfo roboto, lato;
  stbtt_InitFont(&roboto, robotoBytes.data(), 0);
  stbtt_InitFont(&lato, latoBytes.data(), 0);
  const struct
  {
    int font;
    const stbtt_fontinfo& info;
    int codepoint;
    short isize;
  } cases[] = {{0, roboto, 'A', 240}, {0, roboto, 'g', 133}, {0, roboto, '@', 480}, {1, lato, 0xE9, 317}};
  for (const auto& c : cases)
  {
    FTAglyph* g = a.Glyph(c.font, static_cast<unsigned>(c.codepoint), c.isize);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(a.Box(g), ReferenceBox(c.info, c.codepoint, c.isize)) << "codepoint " << c.codepoint;
    EXPECT_GE(a.ctx->dirtyRect[3], g->y1);
  }
  // The first glyph went beside the white rectangle, in the top row.
  EXPECT_EQ(a.Font(0)->glyphs[0].x0, 2);
  EXPECT_EQ(a.Font(0)->glyphs[0].y0, 0);
}

TEST(TextAtlas, GlyphCacheHashesChainsSizesAndBlur)
{
  Atlas a;
  FTAfont* font = a.Font(a.roboto);
  // 'A' and 'r' share hash slot 141: the newer one heads the chain and links the older.
  const FTAglyph* ga = a.Glyph(0, 'A', 200);
  const int ia = static_cast<int>(ga - font->glyphs);
  EXPECT_EQ(font->lut[141], ia);
  const int ir = static_cast<int>(a.Glyph(0, 'r', 200) - font->glyphs);
  EXPECT_EQ(font->lut[141], ir);
  EXPECT_EQ(font->glyphs[ir].next, ia);
  EXPECT_EQ(a.Glyph(0, 'A', 200), &font->glyphs[ia]);
  // Sizes below 0.2 pixel give nothing.
  EXPECT_EQ(a.Glyph(0, 'A', 1), nullptr);
  EXPECT_NE(a.Glyph(0, 'A', 2), nullptr);

  // A metrics-only glyph has no box; asking for its bitmap completes the same record.
  const int il = static_cast<int>(a.Glyph(0, 'Q', 300, 0, FTA_GLYPH_BITMAP_OPTIONAL) - font->glyphs);
  EXPECT_EQ(font->glyphs[il].x0, -1);
  EXPECT_EQ(a.Glyph(0, 'Q', 300), &font->glyphs[il]);
  EXPECT_GE(font->glyphs[il].x0, 0);

  // Blur 25 is kept and drawn as 20, with 22 pixels of padding, a cleared border and its
  // coverage spread out.
  const FTAglyph* sharp = a.Glyph(0, 'I', 400);
  const FTAglyph* blurred = a.Glyph(0, 'I', 400, 25);
  ASSERT_NE(blurred, nullptr);
  EXPECT_EQ(blurred->blur, 20);
  EXPECT_EQ(a.Glyph(0, 'I', 400, 20), blurred);
  EXPECT_EQ((blurred->x1 - blurred->x0) - (sharp->x1 - sharp->x0), 40);
  const std::vector<unsigned char> bs = a.Box(blurred);
  const int bw = blurred->x1 - blurred->x0, bh = blurred->y1 - blurred->y0;
  for (int i = 0; i < bw; ++i)
    ASSERT_EQ(bs[std::size_t(i)] | bs[std::size_t(bh - 1) * bw + i], 0);
  for (int i = 0; i < bh; ++i)
    ASSERT_EQ(bs[std::size_t(i) * bw] | bs[std::size_t(i) * bw + bw - 1], 0);
  const std::vector<unsigned char> ss = a.Box(sharp);
  EXPECT_LT(*std::max_element(bs.begin(), bs.end()), *std::max_element(ss.begin(), ss.end()));
  EXPECT_GT(std::count_if(bs.begin(), bs.end(), [](unsigned char v) { return v > 0; }),
            std::count_if(ss.begin(), ss.end(), [](unsigned char v) { return v > 0; }));
}

TEST(TextAtlas, FallbacksAndKerning)
{
  Atlas a;
  const int robotoBold =
    ftaAddFontFile(a.ctx, "RobotoBold", "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Bold.ttf", 0);
  ASSERT_EQ(robotoBold, 2);
  // U+03E2 is in Lato, not in either Roboto: the second fallback renders it. No font has
  // U+2FFF: the font's own glyph 0.
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, robotoBold), 1);
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 1);
  const FTAglyph* g = a.Glyph(a.roboto, 0x3E2, 300);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->index, ftaFindGlyphIndex(a.Font(a.lato), 0x3E2));
  EXPECT_NE(g->index, 0);
  EXPECT_EQ(a.Glyph(a.roboto, 0x2FFF, 300)->index, 0);
  for (int i = 2; i < 20; ++i)
    EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 1);
  EXPECT_EQ(ftaAddFallback(a.ctx, a.roboto, a.lato), 0); // twenty at most
  EXPECT_EQ(ftaAddFallback(a.ctx, a.lato, 7), 0);        // no such font

  // Kerning from Lato Bold's kern table: kern x scale + spacing + 0.5, truncated, only
  // between two glyphs. -115 units at 40 px is -1.92 px: -1, where flooring would give -2.
  const std::vector<unsigned char> latoBytes = ReadBytes(LatoBoldPath());
  stbtt_fontinfo lato;
  stbtt_InitFont(&lato, latoBytes.data(), 0);
  const int kern = stbtt__GetGlyphKernInfoAdvance(&lato, stbtt_FindGlyphIndex(&lato, 'A'),
                                                  stbtt_FindGlyphIndex(&lato, 'V'));
  ASSERT_EQ(kern, -115);
  ftaSetFont(a.ctx, a.lato);
  ftaSetSize(a.ctx, 40);
  const float scale = 40.0f / (1974 + 426);
  const float apart = a.Advance("A") + a.Advance("V");
  for (float spacing : {0.0f, 2.0f, -3.0f})
  {
    ftaSetSpacing(a.ctx, spacing);
    EXPECT_EQ(a.Advance("AV"), apart + static_cast<float>(static_cast<int>(kern * scale + spacing + 0.5f)));
  }
  ftaSetSpacing(a.ctx, 0);
  EXPECT_EQ(a.Advance("AV") - apart, -1.0f);
  // A pair is looked up in its own order: Lato kerns "LT" and not "TL".
  const int l = stbtt_FindGlyphIndex(&lato, 'L'), t = stbtt_FindGlyphIndex(&lato, 'T');
  ASSERT_LT(stbtt__GetGlyphKernInfoAdvance(&lato, l, t), 0);
  ASSERT_EQ(stbtt__GetGlyphKernInfoAdvance(&lato, t, l), 0);
  EXPECT_EQ(a.Advance("LT") - (a.Advance("L") + a.Advance("T")), -2.0f);
  EXPECT_EQ(a.Advance("TL") - (a.Advance("T") + a.Advance("L")), 0.0f);
  ftaSetFont(a.ctx, a.roboto); // no kern table: no kerning
  EXPECT_EQ(a.Advance("AV"), a.Advance("A") + a.Advance("V"));
}

TEST(TextAtlas, RunsAlignmentAndBrokenUtf8)
{
  Atlas a;
  ftaSetSize(a.ctx, 24);
  EXPECT_EQ(CountGlyphs(a.ctx, "A\xc3\xa9z"), 3);
  EXPECT_EQ(CountGlyphs(a.ctx, "A\xFF" "BC"), 1);      // invalid byte: nothing after it
  EXPECT_EQ(CountGlyphs(a.ctx, "\xED\xA0\x80x"), 0);   // a surrogate is invalid
  EXPECT_EQ(a.Advance("A\xFF" "BC"), a.Advance("A"));  // measuring stops there too
  // Ending inside a sequence ends the run: no glyph reported missing for the tail.
  FTAglyphRun run;
  FTAglyphQuad q;
  const char text[] = "AB\xE2\x82";
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 0, 0, text, nullptr, FTA_GLYPH_BITMAP_REQUIRED), 1);
  EXPECT_EQ(ftaGlyphRunNext(a.ctx, &run, &q) + ftaGlyphRunNext(a.ctx, &run, &q), 2);
  EXPECT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 0);
  EXPECT_EQ(run.atlasFull, 0);

  // Right alignment moves the start left by the advance, centre by half; an empty text
  // measures 0 with a zero-size box at the aligned start (top: the ascender lower).
  float left[4], right[4], empty[4];
  const float adv = ftaMeasureText(a.ctx, 100, 50, "Hello", nullptr, left);
  ftaSetAlign(a.ctx, 4 | 64);
  ftaMeasureText(a.ctx, 100, 50, "Hello", nullptr, right);
  EXPECT_FLOAT_EQ(right[0], left[0] - adv);
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 100, 50, "Hello", nullptr, FTA_GLYPH_BITMAP_OPTIONAL), 1);
  EXPECT_EQ(run.x, 100 - adv);
  ftaSetAlign(a.ctx, 2 | 64);
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 100, 50, "Hello", nullptr, FTA_GLYPH_BITMAP_OPTIONAL), 1);
  EXPECT_EQ(run.x, 100 - adv * 0.5f);
  float asc = 0, lineh = 0;
  ftaVerticalMetrics(a.ctx, &asc, nullptr, &lineh);
  EXPECT_FLOAT_EQ(asc, 24.0f * 1900 / 2400);
  ftaSetAlign(a.ctx, 1 | 8);
  EXPECT_EQ(ftaMeasureText(a.ctx, 10, 20, "", nullptr, empty), 0.0f);
  EXPECT_EQ(std::vector<float>(empty, empty + 4), (std::vector<float>{10, 20 + asc, 10, 20 + asc}));
  float miny = 0, maxy = 0;
  ftaLineExtent(a.ctx, 20, &miny, &maxy);
  EXPECT_FLOAT_EQ(miny, 20);
  EXPECT_FLOAT_EQ(maxy, 20 + lineh);

  // No usable font: no run, nothing measured, outputs untouched.
  ftaSetFont(a.ctx, 9);
  EXPECT_EQ(CountGlyphs(a.ctx, "A"), -1);
  EXPECT_EQ(a.Advance("A"), 0.0f);
  ftaVerticalMetrics(a.ctx, &asc, nullptr, nullptr);
  EXPECT_FLOAT_EQ(asc, 24.0f * 1900 / 2400);
}

TEST(TextAtlas, DrawingHandsOverFullBatches)
{
  Callbacks cb;
  Atlas a(&cb);
  ftaSetSize(a.ctx, 12);
  // An empty text still flushes the pending dirty rectangle (the white rectangle).
  EXPECT_EQ(ftaDrawText(a.ctx, 5, 5, "", nullptr), 5.0f);
  ASSERT_EQ(cb.updates.size(), 1u);
  EXPECT_EQ(cb.updates[0], (std::vector<int>{0, 0, 2, 2}));
  EXPECT_TRUE(cb.draws.empty());
  // 171 glyphs: 170 fill 1,020 vertices before the 171st, then 6 more at the end.
  const std::string text(171, 'x');
  EXPECT_EQ(ftaDrawText(a.ctx, 0, 20, text.c_str(), nullptr), a.Advance(text.c_str()));
  EXPECT_EQ(cb.draws, (std::vector<int>{1020, 6}));
}

TEST(TextAtlas, FullAtlasRefusesThenRestartsEmpty)
{
  Callbacks cb;
  Atlas a(&cb);
  // Large glyphs until the 512 x 512 atlas refuses one; it does not grow.
  unsigned cp = 'A';
  while (a.Glyph(0, cp, 1200) && cp < 'z')
    ++cp;
  EXPECT_EQ(a.ctx->atlasFull, 1);
  EXPECT_EQ(a.ctx->params.width, 512);
  // A run marks the refusal.
  ftaSetSize(a.ctx, 120);
  FTAglyphRun run;
  FTAglyphQuad q;
  ASSERT_EQ(ftaGlyphRunBegin(a.ctx, &run, 0, 0, "\xc3\x9f", nullptr, FTA_GLYPH_BITMAP_REQUIRED), 1);
  ASSERT_EQ(ftaGlyphRunNext(a.ctx, &run, &q), 1);
  EXPECT_EQ(run.prevGlyphIndex, -1);
  EXPECT_EQ(run.atlasFull, 1);
  // A handler hears "atlas full" and the placement is tried once more.
  ftaSetErrorHandler(a.ctx, &Callbacks::OnError, &cb);
  EXPECT_EQ(a.Glyph(0, cp, 1200), nullptr);
  EXPECT_EQ(cb.errors, (std::vector<std::pair<int, int>>{{1, 0}}));

  // Restart: every glyph forgotten, the white rectangle back, the next glyph beside it.
  ASSERT_EQ(ftaRestartAtlas(a.ctx, 1024, 512), 1);
  EXPECT_EQ(a.Font(0)->nglyphs, 0);
  EXPECT_EQ(a.Font(0)->lut[141], -1);
  const FTAglyph* g = a.Glyph(0, 'A', 200);
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
  FTAglyph* g = a.Glyph(0, 'M', 400);
  const std::vector<unsigned char> before(a.ctx->texData, a.ctx->texData + 512 * 512);
  const std::vector<unsigned char> box = a.Box(g);
  FTAglyphQuad q0, q1;
  float x = 0, y = 0;
  ftaGlyphQuad(a.ctx, a.Font(0), -1, g, 1, 0, &x, &y, &q0);
  const int nodes = a.ctx->atlas.nnodes;
  int maxy = 0;
  for (int i = 0; i < nodes; ++i)
    maxy = std::max<int>(maxy, a.ctx->atlas.nodes[i].y);

  // Not larger in either direction: nothing happens, not even a flush.
  EXPECT_EQ(ftaGrowAtlas(a.ctx, 512, 100), 1);
  EXPECT_TRUE(cb.updates.empty());

  ASSERT_EQ(ftaGrowAtlas(a.ctx, 1024, 256), 1);
  EXPECT_EQ(a.ctx->params.width, 1024);
  EXPECT_EQ(a.ctx->params.height, 512);
  for (int row = 0; row < 512; ++row)
  {
    ASSERT_EQ(0, std::memcmp(&a.ctx->texData[row * 1024], &before[std::size_t(row) * 512], 512)) << row;
    ASSERT_EQ(*std::max_element(&a.ctx->texData[row * 1024 + 512], &a.ctx->texData[row * 1024 + 1024]), 0);
  }
  ASSERT_EQ(a.ctx->atlas.nnodes, nodes + 1);
  const FTAskylineNode last = a.ctx->atlas.nodes[nodes];
  EXPECT_EQ(std::vector<int>({last.x, last.y, last.width}), std::vector<int>({512, 0, 512}));
  EXPECT_EQ(std::vector<int>(a.ctx->dirtyRect, a.ctx->dirtyRect + 4), std::vector<int>({0, 0, 512, maxy}));
  // The cached glyph keeps its pixel box; its s coordinates halve.
  EXPECT_EQ(a.Glyph(0, 'M', 400), g);
  EXPECT_EQ(a.Box(g), box);
  x = y = 0;
  ftaGlyphQuad(a.ctx, a.Font(0), -1, g, 1, 0, &x, &y, &q1);
  EXPECT_FLOAT_EQ(q1.s0, q0.s0 * 0.5f);
  EXPECT_FLOAT_EQ(q1.t0, q0.t0);

  // Taller only: no new node, zero rows below. A refusing resize callback keeps the atlas.
  ASSERT_EQ(ftaGrowAtlas(a.ctx, 512, 1024), 1);
  EXPECT_EQ(a.ctx->atlas.nnodes, nodes + 1);
  EXPECT_EQ(a.ctx->texData[1024 * 1023 + 5], 0);
  cb.resizeAnswer = 0;
  EXPECT_EQ(ftaGrowAtlas(a.ctx, 2048, 2048), 0);
  EXPECT_EQ(a.ctx->params.width, 1024);
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
  EXPECT_EQ(nodes(), (std::vector<std::vector<int>>{{0, 2, 2}, {2, 0, 98}})); // the white rectangle

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

TEST(TextAtlas, ScratchArenaExhaustionGivesAnEmptyBitmap)
{
  Callbacks cb;
  Atlas a(&cb, 1024);
  ftaSetErrorHandler(a.ctx, &Callbacks::OnError, &cb);
  // 16-byte rounding up to 96,000 bytes; a failed request reports the total it needed.
  for (int i = 0; i < 6000; ++i)
    ASSERT_NE(ftaScratchAlloc(a.ctx, i % 2 ? 1 : 16), nullptr) << i;
  EXPECT_EQ(ftaScratchAlloc(a.ctx, 1), nullptr);
  EXPECT_EQ(cb.errors, (std::vector<std::pair<int, int>>{{2, 96016}}));

  // Glyphs of ever more outline points: from some size on the rasteriser's memory no longer
  // fits the arena, at whatever step of the rasterisation (including steps the rasteriser
  // does not check itself); such a glyph keeps its box but gets no pixels.
  FontBuilder b;
  for (int n = 1500; n <= 2600; n += 25)
    b.Map(0x100 + n, b.AddPolygonGlyph(n, 30000));
  const std::vector<unsigned char> bytes = b.Build();
  const int font = AddCopy(a.ctx, bytes, bytes.size());
  ASSERT_GE(font, 0);
  int drawn = 0, empty = 0;
  for (int n = 1500; n <= 2600; n += 25)
  {
    ftaRestartAtlas(a.ctx, 1024, 1024);
    cb.errors.clear();
    const FTAglyph* g = a.Glyph(font, static_cast<unsigned>(0x100 + n), 200);
    ASSERT_NE(g, nullptr);
    ASSERT_GT(g->x1 - g->x0, 68); // wide enough for the rasteriser's heap scanline
    const std::vector<unsigned char> box = a.Box(g);
    const bool ink = std::any_of(box.begin(), box.end(), [](unsigned char v) { return v != 0; });
    const bool exhausted = !cb.errors.empty() && cb.errors[0].first == 2;
    EXPECT_NE(ink, exhausted) << n << " points";
    (ink ? drawn : empty)++;
  }
  EXPECT_GT(drawn, 0);
  EXPECT_GT(empty, 0);
}

TEST(TextAtlas, TheFontTableGlyphArraysAndSkylineGrowByDoubling)
{
  Atlas a; // two fonts in a table of four
  const std::vector<unsigned char> roboto = ReadBytes(RobotoRegularPath());
  auto* bytes = const_cast<unsigned char*>(roboto.data());
  std::vector<int> capacities;
  for (int i = 2; i < 9; ++i)
  {
    ASSERT_GE(ftaAddFontData(a.ctx, "again", bytes, static_cast<int>(roboto.size()), 0, 0), 0);
    capacities.push_back(a.ctx->cfonts);
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 4, 8, 8, 8, 8, 16}));

  // One glyph per size: the 257th doubles the array of 256.
  for (short size = 2; size <= 258; ++size)
    ASSERT_NE(a.Glyph(a.roboto, 'a', size, 0, FTA_GLYPH_BITMAP_OPTIONAL), nullptr);
  EXPECT_EQ(a.Font(a.roboto)->cglyphs, 512);

  // A skyline of 256 nodes takes one more rectangle: the node array doubles.
  FTAskyline& s = a.ctx->atlas;
  ASSERT_EQ(s.cnodes, 256);
  for (int i = 0; i < 256; ++i)
    s.nodes[i] = FTAskylineNode{static_cast<int16_t>(i), static_cast<int16_t>(i % 2), 1};
  s.nnodes = 256;
  s.width = 256;
  int x = -1, y = -1;
  ASSERT_EQ(ftaSkylineAddRect(&s, 1, 1, &x, &y), 1);
  EXPECT_EQ(s.cnodes, 512);
}

TEST(TextAtlas, FontsAreCheckedBeforeUse)
{
  Atlas a;
  const std::vector<unsigned char> roboto = ReadBytes(RobotoRegularPath());
  // Names keep 63 characters and are found by that form; other faces, missing files and
  // no bytes are refused.
  const std::string longName(80, 'n');
  const int id = ftaAddFontData(a.ctx, longName.c_str(), const_cast<unsigned char*>(roboto.data()),
                                static_cast<int>(roboto.size()), 0, 0);
  EXPECT_EQ(ftaFindFontByName(a.ctx, longName.substr(0, 63).c_str()), id);
  EXPECT_EQ(ftaFindFontByName(a.ctx, longName.c_str()), -1);
  EXPECT_EQ(ftaAddFontData(a.ctx, "x", const_cast<unsigned char*>(roboto.data()), 100, 1, 0), -1);
  EXPECT_EQ(ftaAddFontFile(a.ctx, "x", "/nonexistent/font.ttf", 0), -1);

  // Built fonts: the well-formed one draws its composite; each fault is refused.
  using Glyph = FontBuilder::Glyph;
  auto refused = [&](const std::vector<unsigned char>& font) { return AddCopy(a.ctx, font, font.size()) == -1; };
  FontBuilder good;
  const int square = good.AddPolygonGlyph(4, 600);
  Glyph pair;
  pair.components = {{square, 0, 0}, {square, 700, 0}};
  good.Map('b', good.AddGlyph(pair));
  const std::vector<unsigned char> bytes = good.Build();
  const int goodId = AddCopy(a.ctx, bytes, bytes.size());
  ASSERT_GE(goodId, 0);
  const FTAglyph* g = a.Glyph(goodId, 'b', 200);
  EXPECT_GT(g->x1 - g->x0, 2 * (g->y1 - g->y0) - 8); // two squares side by side
  {
    FontBuilder cyclic, deep, wide, lone, flat;
    Glyph self; // a composite that contains itself
    self.components = {{1, 0, 0}};
    cyclic.AddGlyph(self);
    int inner = deep.AddPolygonGlyph(4, 100); // 17 levels of components
    for (int i = 0; i < 17; ++i)
    {
      Glyph wrap;
      wrap.components = {{inner, 1, 0}};
      inner = deep.AddGlyph(wrap);
    }
    Glyph moved; // a component moved past the 16-bit coordinate range
    moved.components = {{wide.AddPolygonGlyph(4, 30000), 20000, 0}};
    wide.AddGlyph(moved);
    Glyph dot; // a last contour of one off-curve point
    dot.contours = {{{0, 0}, {100, 0}, {100, 100}}, {{50, 50, false}}};
    lone.AddGlyph(dot);
    flat.ascent = flat.descent = 0; // no height to scale by
    for (const FontBuilder* f : {&cyclic, &deep, &wide, &lone, &flat})
      EXPECT_TRUE(refused(f->Build()));
  }
  const uint32_t cmap = FontBuilder::TableOffset(bytes, "cmap");
  const uint32_t loca = FontBuilder::TableOffset(bytes, "loca");
  auto patched = [&](std::size_t at, unsigned v) {
    std::vector<unsigned char> b = bytes;
    b[at] = static_cast<unsigned char>(v >> 8);
    b[at + 1] = static_cast<unsigned char>(v);
    return b;
  };
  EXPECT_TRUE(refused(patched(cmap + 12 + 8, 64)));  // a search range that does not match
  EXPECT_TRUE(refused(patched(cmap + 12 + 6, 400))); // more segments than the subtable holds
  EXPECT_TRUE(refused(patched(cmap + 6, 60000)));    // subtable outside the table
  EXPECT_TRUE(refused(patched(loca + 6, 0xfff0)));   // a glyph ending past the glyph table
  EXPECT_TRUE(refused(patched(4, 200)));             // more table records than bytes
  EXPECT_TRUE(refused(patched(0, 0x4f54)));          // an unknown signature
  EXPECT_FALSE(refused(patched(cmap + 12 + 4, 0)));  // the language field is not read

  // A character map, last in the file, that claims more encoding records than it holds: the
  // records would run past the file's end. Refused whether nothing follows the file in memory
  // (the sanitizer build sees a read past it) or records of no Unicode encoding do (the
  // overrun would then pass unseen and the font load).
  {
    std::vector<testsupport::SfntTable> tables;
    for (unsigned i = 0, n = (bytes[4] << 8) | bytes[5]; i < n; ++i)
    {
      const unsigned char* rec = &bytes[12 + 16 * i];
      auto u32 = [](const unsigned char* p) {
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
      };
      const auto from = bytes.begin() + u32(rec + 8);
      tables.push_back({std::string(rec, rec + 4), std::vector<unsigned char>(from, from + u32(rec + 12))});
    }
    std::stable_partition(tables.begin(), tables.end(),
                          [](const testsupport::SfntTable& t) { return t.tag != "cmap"; });
    ASSERT_EQ(tables.back().tag, "cmap");
    const std::vector<unsigned char> last = testsupport::MakeSfnt(tables);
    const std::size_t lastCmap = FontBuilder::TableOffset(last, "cmap");
    ASSERT_EQ(lastCmap + tables.back().data.size(), last.size());
    // Its one record and the built subtable behind it read as five records, four of no
    // Unicode encoding: five fit in the table, six do not.
    auto claiming = [&](unsigned records) {
      std::vector<unsigned char> b = last;
      b[lastCmap + 2] = static_cast<unsigned char>(records >> 8);
      b[lastCmap + 3] = static_cast<unsigned char>(records);
      return b;
    };
    auto addWithTail = [&](const std::vector<unsigned char>& font) {
      const std::size_t tail = 8 * 0x10000;
      auto* copy = static_cast<unsigned char*>(std::malloc(font.size() + tail));
      std::memcpy(copy, font.data(), font.size());
      std::memset(copy + font.size(), 0xff, tail); // records of platform 0xffff
      return ftaAddFontData(a.ctx, "tail", copy, static_cast<int>(font.size()), 0, 1);
    };
    EXPECT_FALSE(refused(last));
    EXPECT_FALSE(refused(claiming(5)));
    for (unsigned records : {6u, 0xffffu})
    {
      EXPECT_TRUE(refused(claiming(records))) << records;
      EXPECT_EQ(addWithTail(claiming(records)), -1) << records;
    }
  }

  // Truncated and corrupted copies of a real font are refused, or drawn without reading
  // outside their bytes (the sanitizer build checks).
  std::mt19937 rng(1234);
  ftaSetSize(a.ctx, 30);
  for (int round = 0; round < 60; ++round)
  {
    std::vector<unsigned char> copy(roboto);
    const std::size_t size = round % 3 == 0 ? rng() % roboto.size() : roboto.size();
    for (int flips = 0; round % 3 != 0 && flips < 1 + round; ++flips)
      copy[rng() % size] = static_cast<unsigned char>(rng());
    const int font = AddCopy(a.ctx, copy, size);
    if (font < 0)
      continue;
    ftaSetFont(a.ctx, font);
    ftaDrawText(a.ctx, 0, 0, "Hamburgefonstiv 0123 \xc3\xa9@&", nullptr);
    ftaRestartAtlas(a.ctx, 512, 512);
  }
}

namespace {

using Bytes = std::vector<unsigned char>;

bool Refused(FTAcontext* ctx, const Bytes& font) { return AddCopy(ctx, font, font.size()) == -1; }

void Put16(Bytes& b, std::size_t at, unsigned v)
{
  b[at] = static_cast<unsigned char>(v >> 8);
  b[at + 1] = static_cast<unsigned char>(v);
}

// Glyphs for the CFF builds: squares of several point counts, one with a hole, and a pair of
// components; mapped to 'a' onwards.
FontBuilder CffGlyphs()
{
  FontBuilder b;
  const int square = b.AddPolygonGlyph(4, 600);
  b.Map('a', square);
  b.Map('b', b.AddPolygonGlyph(13, 700));
  FontBuilder::Glyph ring;
  ring.contours = {{{0, 0}, {800, 0}, {800, 800}, {0, 800}}, {{200, 200}, {200, 600}, {600, 600}, {600, 200}}};
  b.Map('c', b.AddGlyph(ring));
  FontBuilder::Glyph pair;
  pair.components = {{square, 0, 0}, {square, 700, -100}};
  b.Map('d', b.AddGlyph(pair));
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Num(int v) { return FontBuilder::CffNumber(v); }

Bytes Nums(std::initializer_list<int> values)
{
  Bytes out;
  for (int v : values)
    out = Concat({out, Num(v)});
  return out;
}

// A charstring with every operator the rasteriser draws: stems, a hint mask, moves, lines,
// curves of each form, the four flexes.
Bytes EveryOperator()
{
  return Concat({Nums({100, 50, 300, 50}), {0x12}, Nums({100, 50}), {0x13, 0xe0}, Nums({100, 100}), {0x15},
                 Nums({200}), {0x06}, Nums({200}), {0x07}, Nums({50, 50, 50, 50, 50, 50}), {0x08},
                 Nums({-50, -50, -50, -50}), {0x1b}, Nums({10, 20, 30, 40}), {0x1a}, Nums({10, 20, 30, 40}), {0x1f},
                 Nums({10, 20, 30, 40, 5}), {0x1e}, Nums({-10, -20, -30, -40, -50, -60, 10, 10}), {0x18},
                 Nums({10, 10, -10, -20, -30, -40, -50, -60}), {0x19}, Nums({100}), {0x04}, Nums({50}), {0x16},
                 Nums({10, 10, 20, 20, 30, 30, 30, -30, 20, -20, 10, -10, 50}), {0x0c, 0x23},
                 Nums({10, 20, 30, 40, 30, 20, 10}), {0x0c, 0x22}, Nums({10, 10, 20, 20, 30, 30, 20, -20, 10}),
                 {0x0c, 0x24}, Nums({10, 10, 20, 20, 30, 30, 30, -30, 20, -20, 10}), {0x0c, 0x25}, {0x0e}});
}

} // namespace

TEST(TextAtlas, FontFilesThatAreNoRegularFilesAreRefusedAtOnce)
{
  // Nobody writes the FIFO: a reader that waited for a writer would never return.
  testsupport::TempDir dir;
  const std::string fifo = dir.File("Fifo.ttf");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int font = 0;
  EXPECT_TRUE(testsupport::ReturnsInTime(
    10.0, [&]() { return ftaAddFontFile(Atlas().ctx, "fifo", fifo.c_str(), 0) == -1 ? 1 : 0; }, &font));
  EXPECT_EQ(font, 1) << "refused";
  // Nor a folder or an empty file; the same font as a file of its own loads.
  Atlas a;
  EXPECT_EQ(ftaAddFontFile(a.ctx, "folder", dir.Path().c_str(), 0), -1);
  std::fclose(std::fopen(dir.File("empty.ttf").c_str(), "wb"));
  EXPECT_EQ(ftaAddFontFile(a.ctx, "empty", dir.File("empty.ttf").c_str(), 0), -1);
  EXPECT_EQ(ftaAddFontFile(a.ctx, "again", RobotoRegularPath().c_str(), 0), 2);
}

TEST(TextAtlas, CffFontsDrawTheirOutlines)
{
  Atlas a;
  // A real font with CFF outlines (from memory, as a file loads) against a direct rasterisation.
  const Bytes heros = ReadBytes(testsupport::HerosRegularPath());
  const int herosId = ftaAddFontFile(a.ctx, "Heros", testsupport::HerosRegularPath().c_str(), 0);
  ASSERT_GE(herosId, 0);
  stbtt_fontinfo info;
  ASSERT_TRUE(stbtt_InitFont(&info, heros.data(), 0));
  for (unsigned cp : {unsigned('A'), unsigned('g'), unsigned('@'), 0xE9u})
  {
    FTAglyph* g = a.Glyph(herosId, cp, 317);
    ASSERT_NE(g, nullptr);
    EXPECT_GT(g->x1 - g->x0, 8) << cp;
    EXPECT_EQ(a.Box(g), ReferenceBox(info, int(cp), 317)) << "codepoint " << cp;
  }

  // Built fonts: plain and CID-keyed (both FDSelect formats), outlines in the charstrings,
  // in local or in global subroutines; each draws what the rasteriser draws of it, and the
  // same polygons as their TrueType build.
  const FontBuilder glyphs = CffGlyphs();
  const Bytes trueType = glyphs.Build();
  const int trueTypeId = AddCopy(a.ctx, trueType, trueType.size());
  using Subrs = FontBuilder::Subrs;
  std::vector<FontBuilder::CffOptions> variants(6);
  variants[1].subrs = Subrs::Local;
  variants[2].subrs = Subrs::Global;
  variants[3].cidKeyed = true;
  variants[3].fdSelectFormat = 0;
  variants[3].subrs = Subrs::Local;
  variants[4].cidKeyed = true;
  variants[4].fontDicts = 3;
  variants[4].subrs = Subrs::Local;
  variants[5].subrs = Subrs::Local;
  for (int i = 0; i < 1300; ++i) // a count whose subroutines take the second bias
    variants[5].localSubrs.push_back({0x0b});
  for (FontBuilder::CffOptions& options : variants)
  {
    options.charstrings[0] = EveryOperator(); // in place of the missing-glyph box
    const Bytes cff = glyphs.BuildCff(options);
    const int id = AddCopy(a.ctx, cff, cff.size());
    ASSERT_GE(id, 0) << "variant " << (&options - variants.data());
    stbtt_fontinfo direct;
    ASSERT_TRUE(stbtt_InitFont(&direct, const_cast<unsigned char*>(cff.data()), 0));
    for (char cp : {'a', 'b', 'c', 'd', 'z'})
    {
      const Bytes box = a.Box(a.Glyph(id, unsigned(cp), 240));
      EXPECT_TRUE(std::any_of(box.begin(), box.end(), [](unsigned char v) { return v != 0; })) << cp;
      EXPECT_EQ(box, ReferenceBox(direct, cp, 240)) << cp;
      if (cp < 'd') // the TrueType composite has no box of its own, glyph 0 is another
      {
        EXPECT_EQ(box, a.Box(a.Glyph(trueTypeId, unsigned(cp), 240))) << cp;
      }
    }
  }
}

TEST(TextAtlas, DamagedCffFontsAreRefused)
{
  Atlas a;
  const FontBuilder glyphs = CffGlyphs();
  using Options = FontBuilder::CffOptions;
  auto build = [&](const Options& options) { return glyphs.BuildCff(options); };
  auto accepted = [&](const Options& options) { return !Refused(a.ctx, build(options)); };
  auto withGlyph = [](Bytes charstring, Options options = Options()) {
    options.charstrings[1] = std::move(charstring);
    return options;
  };
  const Bytes endchar = {0x0e};

  // Charstrings: the argument stack, the stems a hint mask covers, coordinates, the end.
  Bytes pushes;
  for (int i = 0; i < 48; ++i)
    pushes.push_back(139);
  EXPECT_TRUE(accepted(withGlyph(Concat({pushes, {0x05}, endchar}))));        // 48 arguments
  EXPECT_FALSE(accepted(withGlyph(Concat({pushes, {139, 0x05}, endchar})))); // 49
  const Bytes stems4 = Concat({Num(0), Num(10), Num(20), Num(10), Num(40), Num(10), Num(60), Num(10)});
  // Four hstems and four implicit vstems: one mask byte; a ninth stem needs a second one.
  EXPECT_TRUE(accepted(withGlyph(Concat({stems4, {0x01}, stems4, {0x13, 0xff}, endchar}))));
  EXPECT_FALSE(accepted(withGlyph(Concat({stems4, Num(80), Num(10), {0x01}, stems4, {0x13, 0xff}, endchar}))));
  EXPECT_FALSE(accepted(withGlyph(Concat({stems4, {0x12}, stems4, {0x14}}))));   // mask past the end
  EXPECT_FALSE(accepted(withGlyph({0x15})));                                   // too few arguments
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(0), Num(0), {0x15}}))));         // no endchar
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(0), Num(0), {0x15, 0x0c, 0x01}, endchar})))); // reserved
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(0), Num(0), {0x15, 0x02}, endchar}))));       // reserved
  EXPECT_TRUE(accepted(withGlyph(Concat({Num(0), Num(0), {0x15, 0x0c, 0x00}}))));           // dotsection
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(0), {0x0c, 0x22}, endchar}))));               // a short hflex
  EXPECT_FALSE(accepted(withGlyph({})));                                       // empty
  EXPECT_FALSE(accepted(withGlyph({28, 0x10})));                               // a cut number
  const Bytes far = Concat({Num(30000), Num(30000), {0x05}});
  EXPECT_TRUE(accepted(withGlyph(Concat({far, endchar}))));
  EXPECT_FALSE(accepted(withGlyph(Concat({far, far, endchar})))); // past the 16-bit coordinates

  // Subroutines: numbered with the bias, 10 calls deep, returning, bounded in total work.
  Options calls;
  calls.globalSubrs = {Concat({Num(-106), {0x1d, 0x0b}}), {0x0b}}; // subr 0 calls subr 1
  const Bytes callFirst = Concat({Num(-107), {0x1d}, endchar});
  EXPECT_TRUE(accepted(withGlyph(callFirst, calls)));
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(-105), {0x1d}, endchar}), calls))); // no subr 2
  EXPECT_FALSE(accepted(withGlyph(Concat({Num(0), {0x0a}, endchar}), calls)));    // no local subrs
  EXPECT_FALSE(accepted(withGlyph({0x0b, 0x0e}, calls)));                         // return outside
  Options recursion;
  recursion.globalSubrs = {Concat({Num(-107), {0x1d, 0x0b}})}; // calls itself
  EXPECT_FALSE(accepted(withGlyph(callFirst, recursion)));
  Options chain; // subr i calls subr i + 1: 10 calls deep, the limit
  for (int i = 0; i < 9; ++i)
    chain.globalSubrs.push_back(Concat({Num(i - 106), {0x1d, 0x0b}}));
  chain.globalSubrs.push_back({0x0b});
  EXPECT_TRUE(accepted(withGlyph(callFirst, chain)));
  chain.globalSubrs.back() = Concat({Num(-97), {0x1d, 0x0b}});
  chain.globalSubrs.push_back({0x0b});
  EXPECT_FALSE(accepted(withGlyph(callFirst, chain)));
  auto fanOut = [&](int calls) { // subr i calls subr i + 1 so many times, 9 levels deep
    Options o;
    for (int i = 0; i < 9; ++i)
    {
      Bytes subr;
      for (int k = 0; k < calls; ++k)
        subr = Concat({subr, Num(i - 106), {0x1d}});
      subr.push_back(0x0b);
      o.globalSubrs.push_back(subr);
    }
    o.globalSubrs.push_back({0x0b});
    return withGlyph(callFirst, o);
  };
  EXPECT_TRUE(accepted(fanOut(2)));  // 2^9 calls
  EXPECT_FALSE(accepted(fanOut(8))); // 8^9 calls from a font of a few hundred bytes

  // Structures: INDEX offsets, DICTs, the FDSelect of a CID-keyed font, the table's version.
  FontBuilder::CffLayout at;
  Options cid;
  cid.cidKeyed = true;
  cid.subrs = FontBuilder::Subrs::Local;
  const Bytes good = glyphs.BuildCff(cid, &at);
  ASSERT_FALSE(Refused(a.ctx, good));
  const std::size_t cff = FontBuilder::TableOffset(good, "CFF ");
  auto patched = [&](std::size_t at, std::initializer_list<unsigned> bytes) {
    Bytes b = good;
    for (unsigned v : bytes)
      b[at++] = static_cast<unsigned char>(v);
    return b;
  };
  const std::size_t charStrings = cff + at.charStrings; // count, offSize 1 (small glyphs)
  ASSERT_EQ(good[charStrings + 2], 1);
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings + 2, {0})));          // offset size 0
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings + 2, {5})));          // offset size 5
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings + 3, {2})));          // not starting at 1
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings + 5, {0})));          // going back
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings + 3 + 5, {0xff})));   // ending past the table
  EXPECT_TRUE(Refused(a.ctx, patched(charStrings, {0, 2})));           // fewer charstrings than glyphs
  EXPECT_TRUE(Refused(a.ctx, patched(cff, {2})));                      // CFF2
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.fdSelect, {0})));        // read as format 0: no such font DICT
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.fdSelect, {1})));        // unknown format
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.fdSelect + 5, {2})));    // a font DICT that is not there
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.fdSelect + 3, {0, 1}))); // not starting at glyph 0
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.firstPrivate, {30, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12}))); // a real that does not end
  EXPECT_TRUE(Refused(a.ctx, patched(cff + at.firstPrivate, {22})));        // a reserved operator
  const std::size_t fdArray = cff + at.fdArray;                              // two font DICTs
  EXPECT_TRUE(Refused(a.ctx, patched(fdArray + 3 + 3 + 1, {0x7f})));  // a Private DICT past the table
  {
    Bytes renamed = good; // the table under the other name
    const std::size_t record = 12 + 16 * 0;
    ASSERT_EQ(std::memcmp(&renamed[record], "CFF ", 4), 0);
    renamed[record + 3] = '2';
    EXPECT_TRUE(Refused(a.ctx, renamed));
  }

  // Every shorter table, every prefix of the file; then a real font with bytes flipped. What
  // is not refused is drawn without reading outside its bytes (the sanitizer build checks).
  const std::size_t lengthField = 12 + 16 * 0 + 12;
  const unsigned cffLength = (unsigned(good[lengthField + 2]) << 8) | good[lengthField + 3];
  for (unsigned length = 0; length < cffLength; ++length)
  {
    Bytes shorter = good;
    Put16(shorter, lengthField + 2, length);
    EXPECT_TRUE(Refused(a.ctx, shorter)) << length;
  }
  for (std::size_t size = 0; size < good.size(); size += 1)
    EXPECT_EQ(AddCopy(a.ctx, good, size), -1) << size;
  const Bytes heros = ReadBytes(testsupport::HerosRegularPath());
  const std::size_t herosCff = FontBuilder::TableOffset(heros, "CFF ");
  std::mt19937 rng(77);
  ftaSetSize(a.ctx, 30);
  int drawn = 0;
  for (int round = 0; round < 40; ++round)
  {
    Bytes copy = heros;
    for (int flips = 0; flips < 1 + round % 4; ++flips)
      copy[herosCff + rng() % (heros.size() - herosCff)] = static_cast<unsigned char>(rng());
    const int font = AddCopy(a.ctx, copy, copy.size());
    if (font < 0)
      continue;
    ++drawn;
    ftaSetFont(a.ctx, font);
    ftaDrawText(a.ctx, 0, 0, "Hamburgefonstiv 0123 \xc3\xa9@&", nullptr);
    ftaRestartAtlas(a.ctx, 512, 512);
  }
  EXPECT_GT(drawn, 0);
}
