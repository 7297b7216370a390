// The renderer's text through the recording back end: glyph batches, the font-atlas images
// and their uploads, scales, measuring, line splitting and wrapped text.

#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRContext.h"
#include "tests/renderer/RecordingRenderer.h"
#include "tests/support/FontFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace plug::igraphics;
using testsupport::RecordedCall;
using testsupport::RecordedContext;

namespace {

// A context in a frame with Roboto (font 0) selected.
struct TextFrame : RecordedContext
{
  explicit TextFrame(float ratio = 1)
  {
    font = vgrAddFontFile(ctx, "Roboto", testsupport::RobotoRegularPath().c_str());
    vgrBeginFrame(ctx, 800, 600, ratio);
    vgrSetFontId(ctx, font);
  }
  std::vector<RecordedCall> Batches() const
  {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : rec.calls)
      if (c.kind == RecordedCall::Triangles)
        out.push_back(c);
    return out;
  }
  // The atlas's pixels must be what the current font image holds.
  void ExpectImageHoldsAtlas() const
  {
    int w = 0, h = 0;
    const unsigned char* atlas = ftaAtlasPixels(ctx->fs, &w, &h);
    const testsupport::RecordedTexture& t = rec.textures.at(ctx->fontImages[ctx->fontImageIdx]);
    ASSERT_EQ(t.width, w);
    ASSERT_EQ(t.height, h);
    EXPECT_EQ(0, std::memcmp(t.pixels.data(), atlas, std::size_t(w) * h));
  }
  int font = -1;
};

std::vector<std::string> Rows(VGRdrawContext* ctx, const char* text, float width)
{
  std::vector<std::string> out;
  VGRtextLine rows[3];
  const char* start = text;
  const char* end = text + std::strlen(text);
  int n;
  while ((n = vgrSplitTextLines(ctx, start, end, rows, 3, width)) > 0)
  {
    for (int i = 0; i < n; ++i)
      out.emplace_back(rows[i].start, rows[i].end);
    start = rows[n - 1].next;
  }
  return out;
}

// The size (x 10) at which the last glyph of the font was rasterised.
int LastGlyphSize(VGRdrawContext* ctx)
{
  const FTAfont* font = ctx->fs->fonts[0];
  return font->nglyphs > 0 ? font->glyphs[font->nglyphs - 1].size : -1;
}

} // namespace

TEST(RendererText, OneBatchPerRunFromTheUploadedAtlas)
{
  TextFrame f;
  ASSERT_EQ(f.font, 0);
  vgrSetFontSize(f.ctx, 20);
  vgrSetFillColor(f.ctx, vgrColorRGBA(255, 0, 0, 255));
  vgrSetGlobalAlpha(f.ctx, 0.5f);
  vgrTranslate(f.ctx, 100, 50);
  const float advance = vgrMeasureText(f.ctx, 0, 0, "Hello", nullptr, nullptr);
  const float end = vgrDrawText(f.ctx, 0, 0, "Hello", nullptr);
  EXPECT_FLOAT_EQ(end, advance);

  const std::vector<RecordedCall> batches = f.Batches();
  ASSERT_EQ(batches.size(), 1u);
  const RecordedCall& b = batches[0];
  EXPECT_EQ(b.verts.size(), 30u);
  EXPECT_EQ(b.paint.image, f.ctx->fontImages[0]);
  EXPECT_EQ(b.paint.innerColor.r, 1.0f);
  EXPECT_EQ(b.paint.innerColor.a, 0.5f);
  EXPECT_EQ(f.ctx->drawCallCount, 1);
  EXPECT_EQ(f.ctx->textTriCount, 10);
  // Glyph quads in drawing space: translated, inside the measured box.
  float bounds[4];
  vgrMeasureText(f.ctx, 0, 0, "Hello", nullptr, bounds);
  for (const VGRvertex& v : b.verts)
  {
    EXPECT_GE(v.x, 100 + bounds[0] - 1);
    EXPECT_LE(v.x, 100 + bounds[2] + 1);
    EXPECT_GE(v.y, 50 + bounds[1] - 1);
    EXPECT_LE(v.y, 50 + bounds[3] + 1);
    EXPECT_TRUE(v.u >= 0 && v.u <= 1 && v.v >= 0 && v.v <= 1);
  }
  // The first triangle pair: (x0, y0), (x1, y1), (x1, y0), then (x0, y0), (x0, y1), (x1, y1).
  EXPECT_EQ(b.verts[0].x, b.verts[3].x);
  EXPECT_EQ(b.verts[1].x, b.verts[2].x);
  EXPECT_EQ(b.verts[0].y, b.verts[2].y);
  EXPECT_EQ(b.verts[1].y, b.verts[5].y);
  EXPECT_EQ(b.verts[4].x, b.verts[0].x);
  // At scale 1 each quad maps texel for pixel: its texture span is its size in atlas texels,
  // starting on a texel edge.
  const testsupport::RecordedTexture& image = f.rec.textures.at(b.paint.image);
  const float tw = static_cast<float>(image.width), th = static_cast<float>(image.height);
  for (std::size_t q = 0; q + 6 <= b.verts.size(); q += 6)
  {
    const VGRvertex& p0 = b.verts[q];     // (x0, y0)
    const VGRvertex& p1 = b.verts[q + 1]; // (x1, y1)
    EXPECT_EQ((p1.u - p0.u) * tw, p1.x - p0.x) << "glyph " << q / 6;
    EXPECT_EQ((p1.v - p0.v) * th, p1.y - p0.y) << "glyph " << q / 6;
    EXPECT_EQ(p0.u * tw, std::floor(p0.u * tw)) << "glyph " << q / 6;
    EXPECT_EQ(p0.v * th, std::floor(p0.v * th)) << "glyph " << q / 6;
  }
  // Only the changed rectangle went up, and the image now holds the atlas.
  ASSERT_FALSE(f.rec.updates.empty());
  EXPECT_LT(f.rec.updates.back().width, 512);
  f.ExpectImageHoldsAtlas();

  // Drawn again: nothing new to upload; an empty text still makes one (empty) batch.
  f.rec.updates.clear();
  vgrDrawText(f.ctx, 0, 0, "Hello", nullptr);
  EXPECT_TRUE(f.rec.updates.empty());
  EXPECT_EQ(vgrDrawText(f.ctx, 7, 0, "", nullptr), 7.0f);
  EXPECT_EQ(f.Batches().size(), 3u);
  EXPECT_TRUE(f.Batches().back().verts.empty());
  EXPECT_EQ(f.ctx->drawCallCount, 3);
}

// Text at a point that is not a number, or that the transform carries out of range, hands the
// back end no vertex that is not finite: such glyphs are not drawn.
TEST(RendererText, TextOutOfRangeOrNotANumberHandsOnlyFiniteVertices)
{
  TextFrame f;
  ASSERT_EQ(f.font, 0);
  vgrSetFontSize(f.ctx, 20);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(vgrDrawText(f.ctx, nan, 0, "Hello", nullptr)));
  vgrDrawText(f.ctx, 0, std::numeric_limits<float>::infinity(), "Hello", nullptr);
  vgrScale(f.ctx, 1e30f, 1e30f);
  vgrDrawText(f.ctx, 1e10f, 0, "Hello", nullptr);
  size_t vertices = 0;
  for (const RecordedCall& b : f.Batches())
    for (const VGRvertex& v : b.verts)
    {
      ++vertices;
      EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << v.x << ", " << v.y;
    }
  EXPECT_EQ(vertices, 0u);
}

TEST(RendererText, ScaleIsQuantisedAndCapped)
{
  TextFrame f(2);
  vgrSetFontSize(f.ctx, 10);
  // Scale 2 at ratio 2: rasterised at 4 x the size; scale 3 at 6; scale 5 at 4 (the cap)
  // x 2.
  vgrScale(f.ctx, 2, 2);
  vgrDrawText(f.ctx, 0, 0, "a", nullptr);
  EXPECT_EQ(LastGlyphSize(f.ctx), 400);
  vgrResetTransform(f.ctx);
  vgrScale(f.ctx, 3, 3);
  vgrDrawText(f.ctx, 0, 0, "b", nullptr);
  EXPECT_EQ(LastGlyphSize(f.ctx), 600);
  vgrResetTransform(f.ctx);
  vgrScale(f.ctx, 5, 5);
  vgrDrawText(f.ctx, 0, 0, "c", nullptr);
  EXPECT_EQ(LastGlyphSize(f.ctx), 800);
  // Hundredths: 1.004 is 1, 1.006 is 1.01 (at ratio 1).
  TextFrame g;
  vgrSetFontSize(g.ctx, 100);
  vgrScale(g.ctx, 1.004f, 1.004f);
  vgrDrawText(g.ctx, 0, 0, "c", nullptr);
  EXPECT_EQ(LastGlyphSize(g.ctx), 1000);
  vgrResetTransform(g.ctx);
  vgrScale(g.ctx, 1.006f, 1.006f);
  vgrDrawText(g.ctx, 0, 0, "d", nullptr);
  EXPECT_EQ(LastGlyphSize(g.ctx), 1010);

  // No scale at all: nothing drawn, nothing measured.
  vgrScale(g.ctx, 0, 0);
  g.rec.calls.clear();
  EXPECT_EQ(vgrDrawText(g.ctx, 5, 5, "e", nullptr), 5.0f);
  EXPECT_TRUE(g.rec.calls.empty());
  EXPECT_EQ(vgrMeasureText(g.ctx, 5, 5, "e", nullptr, nullptr), 0.0f);
}

TEST(RendererText, FullAtlasMovesToLargerImagesUpToFour)
{
  TextFrame f;
  vgrSetFontSize(f.ctx, 200);
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const float advance = vgrMeasureText(f.ctx, 0, 0, letters, nullptr, nullptr);
  EXPECT_EQ(vgrDrawText(f.ctx, 0, 0, letters, nullptr), advance);
  // The first part from the 512 x 512 image, the rest from a new 1024 x 512 one.
  std::vector<RecordedCall> batches = f.Batches();
  ASSERT_GE(batches.size(), 2u);
  EXPECT_EQ(batches[0].paint.image, f.ctx->fontImages[0]);
  EXPECT_EQ(batches[1].paint.image, f.ctx->fontImages[1]);
  std::size_t verts = 0;
  for (const RecordedCall& b : batches)
    verts += b.verts.size();
  EXPECT_EQ(verts, 26u * 6);
  const testsupport::RecordedTexture& second = f.rec.textures.at(f.ctx->fontImages[1]);
  EXPECT_EQ(second.width, 1024);
  EXPECT_EQ(second.height, 512);
  f.ExpectImageHoldsAtlas();

  // Larger glyphs: 1024 x 512, 1024 x 1024, then 2048 x 1024; a fourth switch in one
  // frame fails and the run stops, having drawn what it could.
  TextFrame g;
  vgrSetFontSize(g.ctx, 600);
  vgrDrawText(g.ctx, 0, 0, letters, nullptr);
  EXPECT_EQ(g.ctx->fontImageIdx, 3);
  const testsupport::RecordedTexture& last = g.rec.textures.at(g.ctx->fontImages[3]);
  EXPECT_EQ(last.width, 2048);
  EXPECT_EQ(last.height, 1024);
  verts = 0;
  for (const RecordedCall& b : g.Batches())
    verts += b.verts.size();
  EXPECT_GT(verts, 0u);
  EXPECT_LT(verts, 26u * 6);
  EXPECT_EQ(vgrNextFontAtlas(g.ctx), 0);

  // The frame ends: the largest image goes to slot 0, the smaller ones are deleted, and the
  // atlas's glyphs stay valid there.
  const int largest = g.ctx->fontImages[3];
  vgrEndFrame(g.ctx);
  EXPECT_EQ(g.ctx->fontImages[0], largest);
  EXPECT_EQ(g.ctx->fontImages[1], 0);
  EXPECT_EQ(g.rec.textures.size(), 1u);
  g.ExpectImageHoldsAtlas();
}

TEST(RendererText, FailedAtlasImageStopsTheRun)
{
  TextFrame f;
  f.rec.failTexturesAfter = 0;
  vgrSetFontSize(f.ctx, 300);
  vgrDrawText(f.ctx, 0, 0, "ABCDEFGH", nullptr);
  EXPECT_EQ(f.ctx->fontImageIdx, 0);
  EXPECT_EQ(f.ctx->fontImages[1], 0);
  for (const RecordedCall& b : f.Batches())
    EXPECT_EQ(b.paint.image, f.ctx->fontImages[0]);
  // Text too small for any glyph never switches atlases.
  f.rec.failTexturesAfter = -1;
  vgrSetFontSize(f.ctx, 0.1f);
  vgrDrawText(f.ctx, 0, 0, "tiny text", nullptr);
  EXPECT_EQ(f.ctx->fontImageIdx, 0);
  EXPECT_EQ(f.ctx->fontImages[1], 0);
  EXPECT_TRUE(f.Batches().back().verts.empty());
}

TEST(RendererText, LineSplitting)
{
  TextFrame f;
  vgrSetFontSize(f.ctx, 20);
  const float a = vgrMeasureText(f.ctx, 0, 0, "a", nullptr, nullptr);
  const float ab = vgrMeasureText(f.ctx, 0, 0, "a b", nullptr, nullptr);
  // Wider than a alone, narrower than the whole: two rows; the space belongs to neither.
  EXPECT_EQ(Rows(f.ctx, "a b", (a + ab) / 2), (std::vector<std::string>{"a", "b"}));
  // Words break between them, not inside them.
  const float hello = vgrMeasureText(f.ctx, 0, 0, "hello", nullptr, nullptr);
  const float widest = std::max({hello, vgrMeasureText(f.ctx, 0, 0, "world", nullptr, nullptr),
                                 vgrMeasureText(f.ctx, 0, 0, "again", nullptr, nullptr)});
  EXPECT_EQ(Rows(f.ctx, "hello world again", widest + 1), (std::vector<std::string>{"hello", "world", "again"}));
  EXPECT_EQ(Rows(f.ctx, "  hello world  ", 1000), (std::vector<std::string>{"hello world"}));
  // A word wider than the row is cut at the glyph that crosses the width.
  const std::vector<std::string> cut = Rows(f.ctx, "abcdefghij", hello);
  ASSERT_GE(cut.size(), 2u);
  EXPECT_EQ(cut[0] + cut[1] + (cut.size() > 2 ? cut[2] : ""), "abcdefghij");
  EXPECT_LE(vgrMeasureText(f.ctx, 0, 0, cut[0].c_str(), nullptr, nullptr), hello);
  // CR LF and LF CR are one newline; CR CR two; NEL one.
  EXPECT_EQ(Rows(f.ctx, "x\r\ny", 1000), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Rows(f.ctx, "x\n\ry", 1000), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Rows(f.ctx, "x\r\ry", 1000), (std::vector<std::string>{"x", "", "y"}));
  EXPECT_EQ(Rows(f.ctx, "x\xc2\x85y", 1000), (std::vector<std::string>{"x", "y"}));
  // Every CJK character is a break opportunity.
  const char* cjk = "\xe4\xb8\x80\xe4\xb8\x81\xe4\xb8\x82\xe4\xb8\x83"; // four ideographs
  const float one = vgrMeasureText(f.ctx, 0, 0, "\xe4\xb8\x80", nullptr, nullptr);
  EXPECT_EQ(Rows(f.ctx, cjk, one * 2.5f).size(), 2u);

  // Rows carry widths and extents in user space.
  VGRtextLine row;
  ASSERT_EQ(vgrSplitTextLines(f.ctx, "hello", nullptr, &row, 1, 1000), 1);
  EXPECT_FLOAT_EQ(row.width, hello);
  EXPECT_EQ(*row.next, '\0');
  EXPECT_GE(row.minx, 0);
  EXPECT_LE(row.maxx, hello + 1);
  EXPECT_EQ(vgrSplitTextLines(f.ctx, "hello", nullptr, &row, 0, 1000), 0);
  EXPECT_EQ(vgrSplitTextLines(f.ctx, "", nullptr, &row, 1, 1000), 0);
}

TEST(RendererText, WrappedTextAndGlyphSpans)
{
  TextFrame f;
  vgrSetFontSize(f.ctx, 20);
  const float word = vgrMeasureText(f.ctx, 0, 0, "wwww", nullptr, nullptr);
  const char* text = "wwww wwww wwww";
  // Each row's ink extent is relative to its own start, whatever its place in the text.
  VGRtextLine split[3];
  ASSERT_EQ(vgrSplitTextLines(f.ctx, text, nullptr, split, 3, word + 5), 3);
  EXPECT_FLOAT_EQ(split[1].minx, split[0].minx);
  EXPECT_FLOAT_EQ(split[2].maxx, split[0].maxx);
  float bounds[4];
  vgrMeasureWrappedText(f.ctx, 10, 100, word + 5, text, nullptr, bounds);
  float single[4];
  vgrMeasureText(f.ctx, 10, 100, "wwww", nullptr, single);
  EXPECT_FLOAT_EQ(bounds[0], single[0]);
  EXPECT_FLOAT_EQ(bounds[2], single[2]);
  float lineh = 0;
  vgrFontMetrics(f.ctx, nullptr, nullptr, &lineh);
  EXPECT_FLOAT_EQ(bounds[3] - bounds[1], 2 * lineh + (single[3] - single[1]));

  // Drawn: one batch per row, rows a line apart; right alignment ends at the box's edge.
  f.rec.calls.clear();
  vgrSetTextAlign(f.ctx, VGR_ALIGN_RIGHT | VGR_ALIGN_TOP);
  vgrDrawWrappedText(f.ctx, 10, 100, word + 5, text, nullptr);
  const std::vector<RecordedCall> rows = f.Batches();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NEAR(rows[1].verts[0].y - rows[0].verts[0].y, lineh, 1e-3);
  EXPECT_EQ(vgrGetState(f.ctx)->textAlign, VGR_ALIGN_RIGHT | VGR_ALIGN_TOP);
  // Without a horizontal alignment nothing is drawn.
  f.rec.calls.clear();
  vgrSetTextAlign(f.ctx, VGR_ALIGN_TOP);
  vgrDrawWrappedText(f.ctx, 10, 100, word + 5, text, nullptr);
  EXPECT_TRUE(f.Batches().empty());

  // Spans: one per glyph, left to right, from the byte it starts at.
  VGRglyphSpan spans[8];
  const char* s = "a\xc3\xa9z";
  ASSERT_EQ(vgrGlyphSpans(f.ctx, 50, 0, s, nullptr, spans, 8), 3);
  EXPECT_EQ(spans[0].str, s);
  EXPECT_EQ(spans[1].str, s + 1);
  EXPECT_EQ(spans[2].str, s + 3);
  EXPECT_FLOAT_EQ(spans[0].x, 50);
  EXPECT_LT(spans[0].x, spans[1].x);
  EXPECT_LE(spans[1].minx, spans[1].x + 1);
  EXPECT_EQ(vgrGlyphSpans(f.ctx, 0, 0, s, nullptr, spans, 2), 2);
  spans[0].x = -7;
  EXPECT_EQ(vgrGlyphSpans(f.ctx, 0, 0, s, nullptr, spans, 0), 0);
  EXPECT_EQ(spans[0].x, -7); // nothing written

  // No font: nothing drawn, measured, split or spanned.
  vgrSetFontId(f.ctx, -1);
  f.rec.calls.clear();
  EXPECT_EQ(vgrDrawText(f.ctx, 3, 0, "x", nullptr), 3.0f);
  EXPECT_TRUE(f.rec.calls.empty());
  bounds[0] = 42;
  EXPECT_EQ(vgrMeasureText(f.ctx, 0, 0, "x", nullptr, bounds), 0.0f);
  vgrMeasureWrappedText(f.ctx, 0, 0, 100, "x", nullptr, bounds);
  EXPECT_EQ(bounds[0], 42);
  EXPECT_EQ(vgrGlyphSpans(f.ctx, 0, 0, s, nullptr, spans, 8), 0);
  EXPECT_EQ(Rows(f.ctx, "x", 100).size(), 0u);
}

TEST(RendererText, FontRegistryAndMetrics)
{
  RecordedContext c;
  ASSERT_NE(c.ctx, nullptr);
  EXPECT_EQ(vgrAddFontFile(c.ctx, "Roboto-Regular", testsupport::RobotoRegularPath().c_str()), 0);
  EXPECT_EQ(vgrAddFontFileAtIndex(c.ctx, "Lato", testsupport::LatoBoldPath().c_str(), 1), -1); // no second face
  EXPECT_EQ(vgrAddFontFileAtIndex(c.ctx, "Lato", testsupport::LatoBoldPath().c_str(), 0), 1);
  EXPECT_EQ(vgrFindFont(c.ctx, "lato"), -1); // names match exactly
  vgrSetFontByName(c.ctx, "nothing");
  EXPECT_EQ(vgrGetState(c.ctx)->fontId, -1);
  EXPECT_EQ(vgrAddFallbackFont(c.ctx, "Roboto-Regular", "Lato"), 1);
  EXPECT_EQ(vgrAddFallbackFont(c.ctx, "Roboto-Regular", "missing"), 0);
  EXPECT_EQ(vgrAddFallbackFontId(c.ctx, -1, 0), 0);

  // Metrics and bounds in user space at ratio 2; the bounds' height is the line's extent.
  vgrBeginFrame(c.ctx, 100, 100, 2);
  vgrSetFontByName(c.ctx, "Roboto-Regular");
  vgrSetFontSize(c.ctx, 24);
  float asc = 0, desc = 0, lineh = 0, bounds[4];
  vgrFontMetrics(c.ctx, &asc, &desc, &lineh);
  EXPECT_NEAR(asc, 19, 0.05);
  EXPECT_NEAR(desc, -5, 0.05);
  EXPECT_NEAR(lineh, 24, 0.05);
  vgrMeasureText(c.ctx, 0, 10, "x", nullptr, bounds);
  EXPECT_NEAR(bounds[1], 10 - 19, 0.05);
  EXPECT_NEAR(bounds[3], 10 + 5, 0.05);
}
