// The renderer's text: fonts, the text state, glyph quads drawn as triangles from up to four
// font-atlas images, measuring, line splitting and wrapped text.

#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRContext.h"
#include "graphics/renderer/VGRConvert.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

constexpr int kMaxFontImageSize = 2048;

enum CodepointType
{
  kSpace,
  kNewline,
  kChar,
  kCJKChar,
};

// The scale from user space to atlas pixels: the transform's average scale quantised to
// hundredths, at most 4, times the pixel ratio.
float FontScale(VGRdrawContext* ctx)
{
  const float* t = vgrGetState(ctx)->xform;
  const float g = (std::sqrt(t[0] * t[0] + t[1] * t[1]) + std::sqrt(t[2] * t[2] + t[3] * t[3])) * 0.5f;
  const float q = static_cast<float>(vgrSaturateInt(g / 0.01f + 0.5f)) * 0.01f;
  return std::min(q, 4.0f) * ctx->devicePxRatio;
}

// The top state's font, when it names one the atlas holds.
bool HasFont(VGRdrawContext* ctx)
{
  const int id = vgrGetState(ctx)->fontId;
  return id >= 0 && id < ctx->fs->nfonts && ctx->fs->fonts[id]->data;
}

// Text can be drawn: a font, and a scale that maps text to pixels.
bool TextUsable(VGRdrawContext* ctx, float scale)
{
  return HasFont(ctx) && scale > 0.0f && std::isfinite(scale);
}

void SyncStyle(VGRdrawContext* ctx, float scale)
{
  const VGRdrawState* state = vgrGetState(ctx);
  ftaSetSize(ctx->fs, state->fontSize * scale);
  ftaSetSpacing(ctx->fs, state->letterSpacing * scale);
  ftaSetBlur(ctx->fs, state->fontBlur * scale);
  ftaSetAlign(ctx->fs, state->textAlign);
  ftaSetFont(ctx->fs, state->fontId);
}

// Hands the atlas's changed pixels to the current font image.
void UploadDirtyAtlas(VGRdrawContext* ctx)
{
  int dirty[4];
  if (!ftaTakeDirtyRect(ctx->fs, dirty))
    return;
  const int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0)
    return;
  int iw = 0, ih = 0;
  const unsigned char* data = ftaAtlasPixels(ctx->fs, &iw, &ih);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, fontImage, dirty[0], dirty[1], dirty[2] - dirty[0],
                                  dirty[3] - dirty[1], data);
}

void RenderText(VGRdrawContext* ctx, const VGRvertex* verts, int nverts)
{
  VGRdrawState* state = vgrGetState(ctx);
  VGRpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  vgrMultiplyAlpha(paint, state->alpha);
  ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts, nverts,
                              ctx->fringeWidth);
  ctx->drawCallCount++;
  ctx->textTriCount += nverts / 3;
}

const char* TextEnd(const char* str, const char* end)
{
  return end ? end : str + std::strlen(str);
}

// Readies a text operation: the scale to atlas pixels and its inverse, the text's end and
// the atlas style. False when there is nothing to draw or measure.
bool PrepareText(VGRdrawContext* ctx, const char* string, const char*& end, float& scale, float& invscale)
{
  scale = FontScale(ctx);
  if (!string || !TextUsable(ctx, scale))
    return false;
  invscale = 1.0f / scale;
  end = TextEnd(string, end);
  SyncStyle(ctx, scale);
  return true;
}

// Steps a run; when the glyph found no room, moves to the next atlas and steps again from
// the copy taken before. False at the end of the text.
bool StepWithAtlasRetry(VGRdrawContext* ctx, FTAglyphRun& iter, FTAglyphRun& prevIter, FTAglyphQuad& q)
{
  if (!ftaGlyphRunNext(ctx->fs, &iter, &q))
    return false;
  if (iter.atlasFull && vgrNextFontAtlas(ctx))
  {
    iter = prevIter;
    ftaGlyphRunNext(ctx->fs, &iter, &q);
  }
  prevIter = iter;
  return true;
}

bool IsCJK(unsigned int c)
{
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) || (c >= 0xAC00 && c <= 0xD7AF);
}

} // namespace

// -- fonts ------------------------------------------------------------------------------------

int vgrAddFontFile(VGRdrawContext* ctx, const char* name, const char* path)
{
  return ftaAddFontFile(ctx->fs, name, path, 0);
}

int vgrAddFontFileAtIndex(VGRdrawContext* ctx, const char* name, const char* path, int fontIndex)
{
  return ftaAddFontFile(ctx->fs, name, path, fontIndex);
}

int vgrAddFontData(VGRdrawContext* ctx, const char* name, unsigned char* data, int ndata, int freeData)
{
  return ftaAddFontData(ctx->fs, name, data, ndata, 0, freeData);
}

int vgrAddFontDataAtIndex(VGRdrawContext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                          int freeData)
{
  return ftaAddFontData(ctx->fs, name, data, ndata, fontIndex, freeData);
}

int vgrFindFont(VGRdrawContext* ctx, const char* name)
{
  if (!name)
    return -1;
  return ftaFindFontByName(ctx->fs, name);
}

int vgrAddFallbackFontId(VGRdrawContext* ctx, int baseFont, int fallbackFont)
{
  if (baseFont == -1 || fallbackFont == -1)
    return 0;
  return ftaAddFallback(ctx->fs, baseFont, fallbackFont);
}

int vgrAddFallbackFont(VGRdrawContext* ctx, const char* baseFont, const char* fallbackFont)
{
  return vgrAddFallbackFontId(ctx, vgrFindFont(ctx, baseFont), vgrFindFont(ctx, fallbackFont));
}

// -- text state -------------------------------------------------------------------------------

void vgrSetFontSize(VGRdrawContext* ctx, float size)
{
  vgrGetState(ctx)->fontSize = size;
}

void vgrSetFontBlur(VGRdrawContext* ctx, float blur)
{
  vgrGetState(ctx)->fontBlur = blur;
}

void vgrSetLetterSpacing(VGRdrawContext* ctx, float spacing)
{
  vgrGetState(ctx)->letterSpacing = spacing;
}

void vgrSetLineHeight(VGRdrawContext* ctx, float lineHeight)
{
  vgrGetState(ctx)->lineHeight = lineHeight;
}

void vgrSetTextAlign(VGRdrawContext* ctx, int align)
{
  vgrGetState(ctx)->textAlign = align;
}

void vgrSetFontId(VGRdrawContext* ctx, int font)
{
  vgrGetState(ctx)->fontId = font;
}

void vgrSetFontByName(VGRdrawContext* ctx, const char* font)
{
  vgrGetState(ctx)->fontId = vgrFindFont(ctx, font);
}

// -- atlas images -----------------------------------------------------------------------------

int vgrNextFontAtlas(VGRdrawContext* ctx)
{
  UploadDirtyAtlas(ctx);
  if (ctx->fontImageIdx >= kVGRMaxFontImages - 1)
    return 0;
  const int next = ctx->fontImageIdx + 1;
  int iw = 0, ih = 0;
  if (ctx->fontImages[next] != 0)
    vgrImageSize(ctx, ctx->fontImages[next], &iw, &ih);
  else
  {
    // Twice as large on the smaller side, at most 2048 x 2048.
    vgrImageSize(ctx, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (ih < iw)
      ih *= 2;
    else
      iw *= 2;
    if (iw > kMaxFontImageSize || ih > kMaxFontImageSize)
      iw = ih = kMaxFontImageSize;
    if (iw <= 0 || ih <= 0)
      return 0;
    ctx->fontImages[next] =
      ctx->params.renderCreateTexture(ctx->params.userPtr, VGR_TEXTURE_ALPHA, iw, ih, 0, nullptr);
    if (ctx->fontImages[next] == 0)
      return 0; // without an image the glyphs would have nowhere to go
  }
  // Only a fresh atlas of the image's size may take over; otherwise stay where we are.
  if (!ftaRestartAtlas(ctx->fs, iw, ih))
    return 0;
  ctx->fontImageIdx = next;
  return 1;
}

// -- drawing and measuring ----------------------------------------------------------------------

float vgrDrawText(VGRdrawContext* ctx, float x, float y, const char* string, const char* end)
{
  // A point that is not a number places nothing.
  if (!std::isfinite(x) || !std::isfinite(y))
    return x;
  VGRdrawState* state = vgrGetState(ctx);
  float scale, invscale;
  if (!PrepareText(ctx, string, end, scale, invscale))
    return x;
  VGRvertex* verts = vgrAllocTempVerts(ctx, std::max<long long>(2, end - string) * 6);
  if (!verts)
    return x;
  const int cverts = ctx->cache->cverts;

  FTAglyphRun iter, prevIter;
  FTAglyphQuad q;
  if (!ftaGlyphRunBegin(ctx->fs, &iter, x * scale, y * scale, string, end, FTA_GLYPH_BITMAP_REQUIRED))
    return x;
  prevIter = iter;
  int nverts = 0;
  while (ftaGlyphRunNext(ctx->fs, &iter, &q))
  {
    if (iter.atlasFull)
    {
      // No room left: draw what is built, move to the next atlas image and try again there.
      if (nverts != 0)
      {
        RenderText(ctx, verts, nverts);
        nverts = 0;
      }
      if (!vgrNextFontAtlas(ctx))
        break;
      iter = prevIter;
      ftaGlyphRunNext(ctx->fs, &iter, &q);
      if (iter.prevGlyphIndex == -1)
        break; // larger than a whole atlas, or no glyph at all: the run ends
    }
    prevIter = iter;
    if (iter.prevGlyphIndex == -1 || nverts + 6 > cverts)
      continue; // too small to have a glyph
    float c[8];
    vgrMatrixApply(state->xform, &c[0], &c[1], q.x0 * invscale, q.y0 * invscale);
    vgrMatrixApply(state->xform, &c[2], &c[3], q.x1 * invscale, q.y0 * invscale);
    vgrMatrixApply(state->xform, &c[4], &c[5], q.x1 * invscale, q.y1 * invscale);
    vgrMatrixApply(state->xform, &c[6], &c[7], q.x0 * invscale, q.y1 * invscale);
    // A glyph the transform carries out of range is not drawn, as a path point would not be.
    if (!std::all_of(c, c + 8, [](float v) { return std::isfinite(v); }))
      continue;
    verts[nverts++] = VGRvertex{c[0], c[1], q.s0, q.t0};
    verts[nverts++] = VGRvertex{c[4], c[5], q.s1, q.t1};
    verts[nverts++] = VGRvertex{c[2], c[3], q.s1, q.t0};
    verts[nverts++] = VGRvertex{c[0], c[1], q.s0, q.t0};
    verts[nverts++] = VGRvertex{c[6], c[7], q.s0, q.t1};
    verts[nverts++] = VGRvertex{c[4], c[5], q.s1, q.t1};
  }

  UploadDirtyAtlas(ctx);
  RenderText(ctx, verts, nverts);
  return iter.nextx * invscale;
}

float vgrMeasureText(VGRdrawContext* ctx, float x, float y, const char* string, const char* end, float* bounds)
{
  float scale, invscale;
  if (!PrepareText(ctx, string, end, scale, invscale))
    return 0;
  const float width = ftaMeasureText(ctx->fs, x * scale, y * scale, string, end, bounds);
  if (bounds)
  {
    // Use the line extent, not the glyphs' ink, for the height.
    ftaLineExtent(ctx->fs, y * scale, &bounds[1], &bounds[3]);
    for (int i = 0; i < 4; ++i)
      bounds[i] *= invscale;
  }
  return width * invscale;
}

void vgrFontMetrics(VGRdrawContext* ctx, float* ascender, float* descender, float* lineh)
{
  const float scale = FontScale(ctx);
  if (!TextUsable(ctx, scale))
    return;
  const float invscale = 1.0f / scale;
  SyncStyle(ctx, scale);
  ftaVerticalMetrics(ctx->fs, ascender, descender, lineh);
  if (ascender)
    *ascender *= invscale;
  if (descender)
    *descender *= invscale;
  if (lineh)
    *lineh *= invscale;
}

int vgrSplitTextLines(VGRdrawContext* ctx, const char* string, const char* end, VGRtextLine* rows, int maxRows,
                      float breakRowWidth)
{
  float scale, invscale;
  if (maxRows <= 0 || !PrepareText(ctx, string, end, scale, invscale) || string == end)
    return 0;
  // The row limit; the width at the last break point is kept apart from it.
  const float rowLimit = breakRowWidth * scale;

  FTAglyphRun iter, prevIter;
  FTAglyphQuad q{};
  if (!ftaGlyphRunBegin(ctx->fs, &iter, 0, 0, string, end, FTA_GLYPH_BITMAP_OPTIONAL))
    return 0;
  prevIter = iter;

  int nrows = 0;
  unsigned int pcodepoint = 0;
  int ptype = kSpace;
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  const char* wordStart = nullptr;
  const char* breakEnd = nullptr;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  float wordStartX = 0, wordMinX = 0; // wordMinX: absolute, like the pen
  float breakWidth = 0, breakMaxX = 0;

  auto emit = [&](const char* start, const char* stop, float width, float minx, float maxx, const char* next) {
    rows[nrows].start = start;
    rows[nrows].end = stop;
    rows[nrows].width = width * invscale;
    rows[nrows].minx = minx * invscale;
    rows[nrows].maxx = maxx * invscale;
    rows[nrows].next = next;
    return ++nrows >= maxRows;
  };

  // A row, and a word, starting at the current glyph.
  auto openRowAtGlyph = [&] {
    rowStartX = iter.x;
    rowStart = iter.str;
    rowEnd = iter.next;
    rowWidth = iter.nextx - rowStartX;
    rowMinX = q.x0 - rowStartX;
    rowMaxX = q.x1 - rowStartX;
    wordStart = iter.str;
    wordStartX = iter.x;
    wordMinX = q.x0;
  };

  while (StepWithAtlasRetry(ctx, iter, prevIter, q))
  {
    int type;
    switch (iter.codepoint)
    {
    case 9:
    case 11:
    case 12:
    case 32:
    case 0x00a0:
      type = kSpace;
      break;
    case 10:
      type = pcodepoint == 13 ? kSpace : kNewline;
      break;
    case 13:
      type = pcodepoint == 10 ? kSpace : kNewline;
      break;
    case 0x0085:
      type = kNewline;
      break;
    default:
      type = IsCJK(iter.codepoint) ? kCJKChar : kChar;
      break;
    }
    const bool isChar = type == kChar || type == kCJKChar;
    const bool prevChar = ptype == kChar || ptype == kCJKChar;

    if (type == kNewline)
    {
      if (emit(rowStart ? rowStart : iter.str, rowEnd ? rowEnd : iter.str, rowWidth, rowMinX, rowMaxX, iter.next))
        return nrows;
      breakEnd = rowStart;
      breakWidth = 0;
      breakMaxX = 0;
      rowStart = nullptr;
      rowEnd = nullptr;
      rowWidth = rowMinX = rowMaxX = 0;
    }
    else if (!rowStart)
    {
      // Spaces at the start of a row are skipped; a character opens the row.
      if (isChar)
      {
        openRowAtGlyph();
        breakEnd = rowStart;
        breakWidth = 0;
        breakMaxX = 0;
      }
    }
    else
    {
      const float nextWidth = iter.nextx - rowStartX;
      if (isChar)
      {
        rowEnd = iter.next;
        rowWidth = iter.nextx - rowStartX;
        rowMaxX = q.x1 - rowStartX;
      }
      // The end of a word, a break point.
      if ((prevChar && type == kSpace) || type == kCJKChar)
      {
        breakEnd = iter.str;
        breakWidth = rowWidth;
        breakMaxX = rowMaxX;
      }
      // The start of a word.
      if ((ptype == kSpace && isChar) || type == kCJKChar)
      {
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0;
      }
      if (isChar && nextWidth > rowLimit)
      {
        if (breakEnd == rowStart)
        {
          // One word longer than the row: cut it before this glyph.
          if (emit(rowStart, iter.str, rowWidth, rowMinX, rowMaxX, iter.str))
            return nrows;
          openRowAtGlyph();
        }
        else
        {
          // Break after the last word; the new row starts with the current word.
          if (emit(rowStart, breakEnd, breakWidth, rowMinX, breakMaxX, wordStart))
            return nrows;
          rowStartX = wordStartX;
          rowStart = wordStart;
          rowEnd = iter.next;
          rowWidth = iter.nextx - rowStartX;
          rowMinX = wordMinX - rowStartX;
          rowMaxX = q.x1 - rowStartX;
        }
        breakEnd = rowStart;
        breakWidth = 0;
        breakMaxX = 0;
      }
    }
    pcodepoint = iter.codepoint;
    ptype = type;
  }

  if (rowStart)
    emit(rowStart, rowEnd, rowWidth, rowMinX, rowMaxX, end);
  return nrows;
}

namespace {

// Splits the text into rows of the given width, two at a time, and calls onRow (row, its x
// offset in the box by the state's horizontal alignment, its baseline y) for each, a line
// height apart. The rows are split under a left alignment; the state's alignment is kept.
template <class OnRow>
void ForEachWrappedRow(VGRdrawContext* ctx, float y, float breakRowWidth, const char* string, const char* end,
                       OnRow onRow)
{
  VGRdrawState* state = vgrGetState(ctx);
  const int oldAlign = state->textAlign;
  const int haling = oldAlign & (VGR_ALIGN_LEFT | VGR_ALIGN_CENTER | VGR_ALIGN_RIGHT);
  const int valign = oldAlign & (VGR_ALIGN_TOP | VGR_ALIGN_MIDDLE | VGR_ALIGN_BOTTOM | VGR_ALIGN_BASELINE);
  float lineh = 0;
  vgrFontMetrics(ctx, nullptr, nullptr, &lineh);
  state->textAlign = VGR_ALIGN_LEFT | valign;

  end = TextEnd(string, end);
  VGRtextLine rows[2];
  int nrows;
  while ((nrows = vgrSplitTextLines(ctx, string, end, rows, 2, breakRowWidth)) > 0)
  {
    for (int i = 0; i < nrows; i++)
    {
      const VGRtextLine& row = rows[i];
      float dx = 0;
      if (haling & VGR_ALIGN_LEFT)
        dx = 0;
      else if (haling & VGR_ALIGN_CENTER)
        dx = breakRowWidth * 0.5f - row.width * 0.5f;
      else if (haling & VGR_ALIGN_RIGHT)
        dx = breakRowWidth - row.width;
      onRow(row, haling != 0, dx, y);
      y += lineh * state->lineHeight;
    }
    if (rows[nrows - 1].next == string)
      break; // no progress: never loop
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

} // namespace

void vgrDrawWrappedText(VGRdrawContext* ctx, float x, float y, float breakRowWidth, const char* string,
                        const char* end)
{
  if (!string || !HasFont(ctx))
    return;
  ForEachWrappedRow(ctx, y, breakRowWidth, string, end,
                    [&](const VGRtextLine& row, bool aligned, float dx, float rowy) {
                      if (aligned)
                        vgrDrawText(ctx, x + dx, rowy, row.start, row.end);
                    });
}

void vgrMeasureWrappedText(VGRdrawContext* ctx, float x, float y, float breakRowWidth, const char* string,
                           const char* end, float* bounds)
{
  const float scale = FontScale(ctx);
  if (!string || !TextUsable(ctx, scale))
    return;
  const float invscale = 1.0f / scale;
  // The vertical extent of a row, under the left alignment the rows are split with.
  VGRdrawState* state = vgrGetState(ctx);
  const int oldAlign = state->textAlign;
  state->textAlign =
    VGR_ALIGN_LEFT | (oldAlign & (VGR_ALIGN_TOP | VGR_ALIGN_MIDDLE | VGR_ALIGN_BOTTOM | VGR_ALIGN_BASELINE));
  SyncStyle(ctx, scale);
  state->textAlign = oldAlign;
  float rminy = 0, rmaxy = 0;
  ftaLineExtent(ctx->fs, 0, &rminy, &rmaxy);
  rminy *= invscale;
  rmaxy *= invscale;

  float minx = x, maxx = x, miny = y, maxy = y;
  ForEachWrappedRow(ctx, y, breakRowWidth, string, end, [&](const VGRtextLine& row, bool, float dx, float rowy) {
    minx = std::min(minx, x + dx + row.minx);
    maxx = std::max(maxx, x + dx + row.maxx);
    miny = std::min(miny, rowy + rminy);
    maxy = std::max(maxy, rowy + rmaxy);
  });
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
}

int vgrGlyphSpans(VGRdrawContext* ctx, float x, float y, const char* string, const char* end, VGRglyphSpan* spans,
                  int maxSpans)
{
  float scale, invscale;
  if (maxSpans <= 0 || !PrepareText(ctx, string, end, scale, invscale) || string == end)
    return 0;

  FTAglyphRun iter, prevIter;
  FTAglyphQuad q{};
  if (!ftaGlyphRunBegin(ctx->fs, &iter, x * scale, y * scale, string, end, FTA_GLYPH_BITMAP_OPTIONAL))
    return 0;
  prevIter = iter;
  int npos = 0;
  while (npos < maxSpans && StepWithAtlasRetry(ctx, iter, prevIter, q))
  {
    spans[npos].str = iter.str;
    spans[npos].x = iter.x * invscale;
    spans[npos].minx = std::min(iter.x, q.x0) * invscale;
    spans[npos].maxx = std::max(iter.nextx, q.x1) * invscale;
    npos++;
  }
  return npos;
}

} // namespace igraphics
} // namespace plug
