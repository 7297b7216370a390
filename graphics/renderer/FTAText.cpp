// The text atlas's text side: UTF-8 decoding, glyph runs and quads with kerning, measuring,
// vertical metrics, and drawing through the callbacks.

#include "graphics/renderer/FTAContext.h"

#include <algorithm>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

constexpr unsigned int kUtf8Accept = 0;
constexpr unsigned int kUtf8Reject = 12;

// Deterministic UTF-8 automaton: the byte's class, then the transitions by state + class.
// Overlong forms, surrogates and code points above U+10FFFF reach the reject state, which
// is final.
const unsigned char kUtf8[364] = {
  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
  7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
  8, 8, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
  10, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 3, 3, 11, 6, 6, 6, 5, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
  0, 12, 24, 36, 60, 96, 84, 12, 12, 12, 48, 72,
  12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
  12, 0, 12, 12, 12, 12, 12, 0, 12, 0, 12, 12,
  12, 24, 12, 12, 12, 12, 12, 24, 12, 24, 12, 12,
  12, 12, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12,
  12, 24, 12, 12, 12, 12, 12, 12, 12, 24, 12, 12,
  12, 12, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,
  12, 36, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,
  12, 36, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
};

unsigned int DecodeUtf8(unsigned int* state, unsigned int* codep, unsigned int byte)
{
  const unsigned int type = kUtf8[byte];
  *codep = (*state != kUtf8Accept) ? (byte & 0x3fu) | (*codep << 6) : (0xffu >> type) & byte;
  *state = kUtf8[256 + *state + type];
  return *state;
}

// The top style's font when it is usable, else null.
FTAfont* StyleFont(FTAcontext* ctx)
{
  if (!ctx)
    return nullptr;
  const FTAstyle* style = ftaTopStyle(ctx);
  if (style->font < 0 || style->font >= ctx->nfonts)
    return nullptr;
  FTAfont* font = ctx->fonts[style->font];
  return font->data ? font : nullptr;
}

const char* TextEnd(const char* str, const char* end)
{
  return end ? end : str + std::strlen(str);
}

void PushVertex(FTAcontext* ctx, float x, float y, float s, float t, unsigned int c)
{
  ctx->verts[ctx->nverts * 2 + 0] = x;
  ctx->verts[ctx->nverts * 2 + 1] = y;
  ctx->tcoords[ctx->nverts * 2 + 0] = s;
  ctx->tcoords[ctx->nverts * 2 + 1] = t;
  ctx->colors[ctx->nverts] = c;
  ctx->nverts++;
}

// Six vertices in the order (x0, y0), (x1, y1), (x1, y0), (x0, y0), (x0, y1), (x1, y1).
void PushQuad(FTAcontext* ctx, float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1,
              unsigned int c)
{
  PushVertex(ctx, x0, y0, s0, t0, c);
  PushVertex(ctx, x1, y1, s1, t1, c);
  PushVertex(ctx, x1, y0, s1, t0, c);
  PushVertex(ctx, x0, y0, s0, t0, c);
  PushVertex(ctx, x0, y1, s0, t1, c);
  PushVertex(ctx, x1, y1, s1, t1, c);
}

// The top style resolved for one text: font, integer size and blur, scale and the end of
// the text. False when the style has no usable font.
struct StyledText
{
  FTAfont* font = nullptr;
  const FTAstyle* style = nullptr;
  short isize = 0;
  short iblur = 0;
  float scale = 0;
  const char* str = nullptr;
  const char* end = nullptr;
};

bool ResolveStyle(FTAcontext* ctx, const char* str, const char* end, StyledText& t)
{
  t.font = StyleFont(ctx);
  if (!t.font)
    return false;
  t.style = ftaTopStyle(ctx);
  t.isize = vgrSaturateShort(t.style->size * 10.0f);
  t.iblur = vgrSaturateShort(t.style->blur);
  t.scale = ftaPixelHeightScale(t.font, t.isize / 10.0f);
  t.str = str ? str : "";
  t.end = str ? TextEnd(str, end) : t.str;
  return true;
}

// The start of a text under the style's alignment.
void AlignStart(FTAcontext* ctx, const StyledText& t, float& x, float& y)
{
  const int align = t.style->align;
  if (align & 1)
  {
    // left: as it is
  }
  else if (align & 4)
    x -= ftaMeasureText(ctx, x, y, t.str, t.end, nullptr);
  else if (align & 2)
    x -= ftaMeasureText(ctx, x, y, t.str, t.end, nullptr) * 0.5f;
  y += ftaVerticalAlign(ctx, t.font, align, t.isize);
}

// Places every glyph of the text in turn from (x, y), with kerning and spacing; calls
// onQuad for each glyph the atlas delivers. Stops at an invalid UTF-8 sequence.
template <class OnQuad>
void WalkGlyphs(FTAcontext* ctx, const StyledText& t, int bitmapOption, float& x, float& y, OnQuad onQuad)
{
  unsigned int utf8state = 0, codepoint = 0;
  int prevGlyphIndex = -1;
  for (const char* s = t.str; s != t.end; ++s)
  {
    const unsigned int state = DecodeUtf8(&utf8state, &codepoint, *reinterpret_cast<const unsigned char*>(s));
    if (state == kUtf8Reject)
      break;
    if (state != kUtf8Accept)
      continue;
    FTAglyph* glyph = ftaGetGlyph(ctx, t.font, codepoint, t.isize, t.iblur, bitmapOption);
    if (glyph)
    {
      FTAglyphQuad q;
      ftaGlyphQuad(ctx, t.font, prevGlyphIndex, glyph, t.scale, t.style->spacing, &x, &y, &q);
      onQuad(q);
    }
    prevGlyphIndex = glyph ? glyph->index : -1;
  }
}

} // namespace

float ftaVerticalAlign(FTAcontext* ctx, FTAfont* font, int align, short isize)
{
  float offset = 0.0f;
  if (align & 8) // top
    offset = font->ascender * isize / 10.0f;
  else if (align & 16) // middle
    offset = (font->ascender + font->descender) / 2.0f * isize / 10.0f;
  else if (align & 64) // baseline
    offset = 0.0f;
  else if (align & 32) // bottom
    offset = font->descender * isize / 10.0f;
  return (ctx->params.flags & FTA_YDOWN) ? offset : -offset;
}

void ftaGlyphQuad(FTAcontext* ctx, FTAfont* font, int prevGlyphIndex, FTAglyph* glyph, float scale, float spacing,
                  float* x, float* y, FTAglyphQuad* q)
{
  if (prevGlyphIndex != -1)
  {
    const float adv = static_cast<float>(ftaKernAdvance(font, prevGlyphIndex, glyph->index)) * scale;
    *x += static_cast<float>(vgrSaturateInt(adv + spacing + 0.5f));
  }
  // The box and offsets one pixel in, off the cleared border.
  const float xoff = static_cast<float>(glyph->xoff + 1);
  const float yoff = static_cast<float>(glyph->yoff + 1);
  const float x0 = static_cast<float>(glyph->x0 + 1);
  const float y0 = static_cast<float>(glyph->y0 + 1);
  const float x1 = static_cast<float>(glyph->x1 - 1);
  const float y1 = static_cast<float>(glyph->y1 - 1);
  const float rx = static_cast<float>(vgrSaturateInt(*x + xoff));
  if (ctx->params.flags & FTA_YDOWN)
  {
    const float ry = static_cast<float>(vgrSaturateInt(*y + yoff));
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry + y1 - y0;
  }
  else
  {
    const float ry = static_cast<float>(vgrSaturateInt(*y - yoff));
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry - y1 + y0;
  }
  q->s0 = x0 * ctx->itw;
  q->t0 = y0 * ctx->ith;
  q->s1 = x1 * ctx->itw;
  q->t1 = y1 * ctx->ith;
  *x += static_cast<float>(vgrSaturateInt(glyph->xadv / 10.0f + 0.5f));
}

int ftaGlyphRunBegin(FTAcontext* ctx, FTAglyphRun* run, float x, float y, const char* str, const char* end,
                     int bitmapOption)
{
  std::memset(run, 0, sizeof(*run));
  StyledText t;
  if (!ResolveStyle(ctx, str, end, t))
    return 0;
  AlignStart(ctx, t, x, y);
  run->isize = t.isize;
  run->iblur = t.iblur;
  run->scale = t.scale;
  run->font = t.font;
  run->x = run->nextx = x;
  run->y = run->nexty = y;
  run->spacing = t.style->spacing;
  run->str = t.str;
  run->next = t.str;
  run->end = t.end;
  run->codepoint = 0;
  run->prevGlyphIndex = -1;
  run->bitmapOption = bitmapOption;
  return 1;
}

int ftaGlyphRunNext(FTAcontext* ctx, FTAglyphRun* run, FTAglyphQuad* quad)
{
  const char* str = run->next;
  run->str = run->next;
  run->atlasFull = 0;
  if (str == run->end)
    return 0;
  for (; str != run->end; str++)
  {
    const unsigned int state =
      DecodeUtf8(&run->utf8state, &run->codepoint, *reinterpret_cast<const unsigned char*>(str));
    if (state == kUtf8Reject)
      break;
    if (state != kUtf8Accept)
      continue;
    str++;
    run->x = run->nextx;
    run->y = run->nexty;
    FTAglyph* glyph = ftaGetGlyph(ctx, run->font, run->codepoint, run->isize, run->iblur, run->bitmapOption);
    if (glyph)
      ftaGlyphQuad(ctx, run->font, run->prevGlyphIndex, glyph, run->scale, run->spacing, &run->nextx, &run->nexty,
                   quad);
    else
    {
      // No glyph: an empty quad at the pen.
      *quad = FTAglyphQuad{run->x, run->y, 0, 0, run->x, run->y, 0, 0};
      run->atlasFull = ctx->atlasFull;
    }
    run->prevGlyphIndex = glyph ? glyph->index : -1;
    run->next = str;
    return 1;
  }
  // The text ends inside a sequence, or the sequence is invalid: no more glyphs.
  run->next = run->end;
  return 0;
}

float ftaMeasureText(FTAcontext* ctx, float x, float y, const char* str, const char* end, float* bounds)
{
  StyledText t;
  if (!ResolveStyle(ctx, str, end, t))
    return 0.0f;
  y += ftaVerticalAlign(ctx, t.font, t.style->align, t.isize);
  float minx = x, maxx = x, miny = y, maxy = y;
  const float startx = x;
  const bool ydown = (ctx->params.flags & FTA_YDOWN) != 0;
  WalkGlyphs(ctx, t, FTA_GLYPH_BITMAP_OPTIONAL, x, y, [&](const FTAglyphQuad& q) {
    minx = std::min(minx, q.x0);
    maxx = std::max(maxx, q.x1);
    miny = std::min(miny, ydown ? q.y0 : q.y1);
    maxy = std::max(maxy, ydown ? q.y1 : q.y0);
  });

  const float advance = x - startx;
  const int align = t.style->align;
  if (align & 1)
  {
    // left: as it is
  }
  else if (align & 4)
  {
    minx -= advance;
    maxx -= advance;
  }
  else if (align & 2)
  {
    minx -= advance * 0.5f;
    maxx -= advance * 0.5f;
  }
  if (bounds)
  {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
  return advance;
}

float ftaDrawText(FTAcontext* ctx, float x, float y, const char* str, const char* end)
{
  StyledText t;
  if (!ResolveStyle(ctx, str, end, t))
    return x;
  AlignStart(ctx, t, x, y);
  WalkGlyphs(ctx, t, FTA_GLYPH_BITMAP_REQUIRED, x, y, [&](const FTAglyphQuad& q) {
    if (ctx->nverts + 6 > kFTAVertexCount)
      ftaFlush(ctx);
    PushQuad(ctx, q.x0, q.y0, q.x1, q.y1, q.s0, q.t0, q.s1, q.t1, t.style->color);
  });
  ftaFlush(ctx);
  return x;
}

void ftaDrawAtlasDebug(FTAcontext* ctx, float x, float y)
{
  const int w = ctx->params.width;
  const int h = ctx->params.height;
  const float u = w == 0 ? 0 : 1.0f / w;
  const float v = h == 0 ? 0 : 1.0f / h;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);

  if (ctx->nverts + 12 > kFTAVertexCount)
    ftaFlush(ctx);
  PushQuad(ctx, x, y, x + fw, y + fh, u, v, u, v, 0x0fffffff);
  PushQuad(ctx, x, y, x + fw, y + fh, 0, 0, 1, 1, 0xffffffff);
  for (int i = 0; i < ctx->atlas.nnodes; i++)
  {
    const FTAskylineNode& n = ctx->atlas.nodes[i];
    if (ctx->nverts + 6 > kFTAVertexCount)
      ftaFlush(ctx);
    const float nx = x + n.x, ny = y + n.y;
    PushQuad(ctx, nx, ny, nx + n.width, ny + 1, u, v, u, v, 0xc00000ff);
  }
  ftaFlush(ctx);
}

void ftaVerticalMetrics(FTAcontext* ctx, float* ascender, float* descender, float* lineh)
{
  FTAfont* font = StyleFont(ctx);
  if (!font)
    return;
  const short isize = vgrSaturateShort(ftaTopStyle(ctx)->size * 10.0f);
  if (ascender)
    *ascender = font->ascender * isize / 10.0f;
  if (descender)
    *descender = font->descender * isize / 10.0f;
  if (lineh)
    *lineh = font->lineh * isize / 10.0f;
}

void ftaLineExtent(FTAcontext* ctx, float y, float* miny, float* maxy)
{
  StyledText t;
  if (!ResolveStyle(ctx, nullptr, nullptr, t))
    return;
  y += ftaVerticalAlign(ctx, t.font, t.style->align, t.isize);
  float lo, hi;
  if (ctx->params.flags & FTA_YDOWN)
  {
    lo = y - t.font->ascender * t.isize / 10.0f;
    hi = lo + t.font->lineh * t.isize / 10.0f;
  }
  else
  {
    hi = y + t.font->descender * t.isize / 10.0f;
    lo = hi - t.font->lineh * t.isize / 10.0f;
  }
  if (miny)
    *miny = lo;
  if (maxy)
    *maxy = hi;
}

} // namespace igraphics
} // namespace plug
