// The text atlas: context, scratch arena, fonts, the skyline packer, glyph cache and blur,
// the style stack, and growing and restarting the atlas.

#include "graphics/renderer/FTAContext.h"
#include "graphics/renderer/VGRMemory.h"
#include "plug/RegularFileReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace plug {
namespace igraphics {

namespace {

// The atlas's own growth for its font table, glyph arrays and skyline nodes: room for one
// more item doubles a full capacity (8 when it was 0). False, with the array as it was, when
// that fails.
template <class T>
bool GrowDoubled(T*& items, int count, int& capacity)
{
  if (count < capacity)
    return true;
  if (capacity > INT_MAX / 2)
    return false;
  return vgrReallocArray(items, capacity, capacity > 0 ? capacity * 2 : 8);
}

constexpr int kMaxAtlasSide = 32767; // skyline nodes are 16-bit

// The largest font file read: far above any font or collection in use, and the bound the
// other readers of editor resources keep to.
constexpr std::uint64_t kMaxFontFileBytes = std::uint64_t{256} << 20;

bool ValidAtlasSize(int width, int height)
{
  return width > 0 && height > 0 && width <= kMaxAtlasSide && height <= kMaxAtlasSide;
}

void Error(FTAcontext* ctx, int code, int value)
{
  if (ctx->handleError)
    ctx->handleError(ctx->errorUptr, code, value);
}

unsigned int HashInt(unsigned int a)
{
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

void FreeFont(FTAfont* font)
{
  if (!font)
    return;
  if (font->freeData)
    vgrFree(font->data);
  vgrFree(font->glyphs);
  vgrFree(font);
}

// -- skyline --------------------------------------------------------------------------

bool InsertNode(FTAskyline* atlas, int idx, int x, int y, int w)
{
  if (!GrowDoubled(atlas->nodes, atlas->nnodes, atlas->cnodes))
    return false;
  std::memmove(&atlas->nodes[idx + 1], &atlas->nodes[idx], sizeof(FTAskylineNode) * (atlas->nnodes - idx));
  atlas->nodes[idx] = FTAskylineNode{static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(w)};
  atlas->nnodes++;
  return true;
}

void RemoveNode(FTAskyline* atlas, int idx)
{
  if (atlas->nnodes == 0)
    return;
  std::memmove(&atlas->nodes[idx], &atlas->nodes[idx + 1], sizeof(FTAskylineNode) * (atlas->nnodes - idx - 1));
  atlas->nnodes--;
}

bool AddSkylineLevel(FTAskyline* atlas, int idx, int x, int y, int w, int h)
{
  if (!InsertNode(atlas, idx, x, y + h, w))
    return false;
  // The new node covers the start of the nodes after it: shorten or remove them.
  for (int i = idx + 1; i < atlas->nnodes; i++)
  {
    FTAskylineNode& prev = atlas->nodes[i - 1];
    FTAskylineNode& node = atlas->nodes[i];
    if (node.x >= prev.x + prev.width)
      break;
    const int shrink = prev.x + prev.width - node.x;
    node.x = static_cast<int16_t>(node.x + shrink);
    node.width = static_cast<int16_t>(node.width - shrink);
    if (node.width > 0)
      break;
    RemoveNode(atlas, i);
    i--;
  }
  // Merge neighbours at the same height.
  for (int i = 0; i < atlas->nnodes - 1; i++)
  {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y)
    {
      atlas->nodes[i].width = static_cast<int16_t>(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      RemoveNode(atlas, i + 1);
      i--;
    }
  }
  return true;
}

// The y at which a w x h rectangle fits with its left edge at node i, or -1.
int RectFits(const FTAskyline* atlas, int i, int w, int h)
{
  const int x = atlas->nodes[i].x;
  int y = atlas->nodes[i].y;
  if (x + w > atlas->width)
    return -1;
  int spaceLeft = w;
  while (spaceLeft > 0)
  {
    if (i == atlas->nnodes)
      return -1;
    if (atlas->nodes[i].y > y)
      y = atlas->nodes[i].y;
    if (y + h > atlas->height)
      return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

bool ResetSkyline(FTAskyline* atlas, int width, int height)
{
  atlas->width = width;
  atlas->height = height;
  atlas->nnodes = 0;
  return InsertNode(atlas, 0, 0, 0, width);
}

void WidenDirty(FTAcontext* ctx, int x0, int y0, int x1, int y1)
{
  ctx->dirtyRect[0] = std::min(ctx->dirtyRect[0], x0);
  ctx->dirtyRect[1] = std::min(ctx->dirtyRect[1], y0);
  ctx->dirtyRect[2] = std::max(ctx->dirtyRect[2], x1);
  ctx->dirtyRect[3] = std::max(ctx->dirtyRect[3], y1);
}

bool HasDirty(const FTAcontext* ctx)
{
  return ctx->dirtyRect[0] < ctx->dirtyRect[2] && ctx->dirtyRect[1] < ctx->dirtyRect[3];
}

void SetDirtyEmpty(FTAcontext* ctx)
{
  ctx->dirtyRect[0] = ctx->params.width;
  ctx->dirtyRect[1] = ctx->params.height;
  ctx->dirtyRect[2] = 0;
  ctx->dirtyRect[3] = 0;
}

// The 2 x 2 opaque rectangle that untextured quads sample.
void AddWhiteRect(FTAcontext* ctx)
{
  int gx = 0, gy = 0;
  if (!ftaSkylineAddRect(&ctx->atlas, 2, 2, &gx, &gy))
    return;
  unsigned char* dst = &ctx->texData[gx + gy * ctx->params.width];
  for (int y = 0; y < 2; y++)
  {
    dst[0] = 0xff;
    dst[1] = 0xff;
    dst += ctx->params.width;
  }
  WidenDirty(ctx, gx, gy, gx + 2, gy + 2);
}

// One blur pass along a line of n pixels, step bytes apart.
void BlurLine(unsigned char* p, int n, int step, int alpha)
{
  if (n <= 0)
    return;
  int z = 0;
  for (int i = 1; i < n; i++)
  {
    z += ((((int)p[i * step] << 7) - z) * alpha) >> 16;
    p[i * step] = static_cast<unsigned char>(z >> 7);
  }
  p[(n - 1) * step] = 0;
  z = 0;
  for (int i = n - 2; i >= 0; i--)
  {
    z += ((((int)p[i * step] << 7) - z) * alpha) >> 16;
    p[i * step] = static_cast<unsigned char>(z >> 7);
  }
  p[0] = 0;
}

} // namespace

// -- context --------------------------------------------------------------------------------

FTAcontext* ftaCreate(const FTAsetup* setup)
{
  if (!setup || !ValidAtlasSize(setup->width, setup->height))
    return nullptr;
  auto* ctx = static_cast<FTAcontext*>(vgrCalloc(1, sizeof(FTAcontext)));
  if (!ctx)
    return nullptr;
  ctx->params = *setup;
  ctx->scratch = static_cast<unsigned char*>(vgrMalloc(kFTAScratchSize));
  if (!ctx->scratch)
    goto error;
  if (ctx->params.renderCreate && !ctx->params.renderCreate(ctx->params.userPtr, ctx->params.width, ctx->params.height))
    goto error;

  ctx->atlas.nodes = static_cast<FTAskylineNode*>(vgrMalloc(sizeof(FTAskylineNode) * kFTAInitAtlasNodes));
  if (!ctx->atlas.nodes)
    goto error;
  ctx->atlas.cnodes = kFTAInitAtlasNodes;
  ResetSkyline(&ctx->atlas, ctx->params.width, ctx->params.height);

  ctx->fonts = static_cast<FTAfont**>(vgrCalloc(kFTAInitFonts, sizeof(FTAfont*)));
  if (!ctx->fonts)
    goto error;
  ctx->cfonts = kFTAInitFonts;
  ctx->nfonts = 0;

  ctx->itw = 1.0f / ctx->params.width;
  ctx->ith = 1.0f / ctx->params.height;
  ctx->texData = static_cast<unsigned char*>(vgrCalloc(static_cast<std::size_t>(ctx->params.width),
                                                        static_cast<std::size_t>(ctx->params.height)));
  if (!ctx->texData)
    goto error;
  SetDirtyEmpty(ctx);
  AddWhiteRect(ctx);

  ftaPushStyle(ctx);
  ftaClearStyle(ctx);
  return ctx;

error:
  ftaDelete(ctx);
  return nullptr;
}

void ftaDelete(FTAcontext* ctx)
{
  if (!ctx)
    return;
  if (ctx->params.renderDelete)
    ctx->params.renderDelete(ctx->params.userPtr);
  for (int i = 0; i < ctx->nfonts; ++i)
    FreeFont(ctx->fonts[i]);
  vgrFree(ctx->atlas.nodes);
  vgrFree(ctx->fonts);
  vgrFree(ctx->texData);
  vgrFree(ctx->scratch);
  vgrFree(ctx);
}

void ftaSetErrorHandler(FTAcontext* ctx, void (*callback)(void* uptr, int error, int val), void* uptr)
{
  if (!ctx)
    return;
  ctx->handleError = callback;
  ctx->errorUptr = uptr;
}

// -- scratch arena ----------------------------------------------------------------------------

void* ftaScratchAlloc(FTAcontext* ctx, std::size_t size)
{
  const std::size_t rounded = size <= kFTAScratchSize ? (size + 0xf) & ~static_cast<std::size_t>(0xf) : INT_MAX;
  if (ctx->nscratch + rounded > kFTAScratchSize)
  {
    Error(ctx, FTA_SCRATCH_FULL, static_cast<int>(std::min<std::size_t>(ctx->nscratch + rounded, INT_MAX)));
    return nullptr;
  }
  unsigned char* p = ctx->scratch + ctx->nscratch;
  ctx->nscratch += static_cast<int>(rounded);
  return p;
}

void ftaScratchReset(FTAcontext* ctx)
{
  ctx->nscratch = 0;
}

// -- fonts ------------------------------------------------------------------------------------

int ftaAddFontData(FTAcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex, int freeData)
{
  FTAfont* font = nullptr;
  if (!ctx || !data || ndata <= 0)
    goto refuse;
  if (!GrowDoubled(ctx->fonts, ctx->nfonts, ctx->cfonts))
    goto refuse;
  font = static_cast<FTAfont*>(vgrCalloc(1, sizeof(FTAfont)));
  if (!font)
    goto refuse;
  font->glyphs = static_cast<FTAglyph*>(vgrMalloc(sizeof(FTAglyph) * kFTAInitGlyphs));
  if (!font->glyphs)
    goto refuse;
  font->cglyphs = kFTAInitGlyphs;
  font->nglyphs = 0;
  ctx->fonts[ctx->nfonts++] = font;

  if (name)
    std::strncpy(font->name, name, sizeof(font->name) - 1);
  font->name[sizeof(font->name) - 1] = '\0';
  for (int& slot : font->lut)
    slot = -1;
  font->data = data;
  font->dataSize = ndata;
  font->freeData = static_cast<unsigned char>(freeData ? 1 : 0);

  ftaScratchReset(ctx);
  if (!ftaLoadFontInfo(ctx, font, data, ndata, fontIndex))
  {
    ctx->nfonts--;
    FreeFont(font);
    return -1;
  }
  {
    const float fh = static_cast<float>(font->tables.ascent - font->tables.descent);
    font->ascender = static_cast<float>(font->tables.ascent) / fh;
    font->descender = static_cast<float>(font->tables.descent) / fh;
    font->lineh = (fh + static_cast<float>(font->tables.lineGap)) / fh;
  }
  return ctx->nfonts - 1;

refuse:
  if (font)
    vgrFree(font->glyphs);
  vgrFree(font);
  if (freeData)
    vgrFree(data);
  return -1;
}

int ftaAddFontFile(FTAcontext* ctx, const char* name, const char* path, int fontIndex)
{
  if (!ctx || !path)
    return -1;
  // Opened as every outside file is: a FIFO or a device under a font's name is refused at once.
  // The whole file, as it was when opened, goes into bytes the font owns (ftaAddFontData frees
  // them when it refuses the font).
  plug::RegularFile file;
  if (plug::OpenRegularFile(path, file) != plug::RegularFileRead::kRead || file.Size() == 0 ||
      file.Size() > kMaxFontFileBytes)
    return -1;
  const auto size = static_cast<std::size_t>(file.Size());
  auto* data = static_cast<unsigned char*>(vgrMalloc(size));
  if (!data || !plug::ReadRegularFileAt(file, 0, data, size))
  {
    vgrFree(data);
    return -1;
  }
  return ftaAddFontData(ctx, name, data, static_cast<int>(size), fontIndex, 1);
}

int ftaFindFontByName(FTAcontext* ctx, const char* name)
{
  if (!ctx || !name)
    return -1;
  for (int i = 0; i < ctx->nfonts; i++)
  {
    if (std::strcmp(ctx->fonts[i]->name, name) == 0)
      return i;
  }
  return -1;
}

int ftaAddFallback(FTAcontext* ctx, int base, int fallback)
{
  if (!ctx || base < 0 || base >= ctx->nfonts || fallback < 0 || fallback >= ctx->nfonts)
    return 0;
  FTAfont* font = ctx->fonts[base];
  if (font->nfallbacks >= kFTAMaxFallbacks)
    return 0;
  font->fallbacks[font->nfallbacks++] = fallback;
  return 1;
}

// -- styles -----------------------------------------------------------------------------------

FTAstyle* ftaTopStyle(FTAcontext* ctx)
{
  return &ctx->styles[ctx->nstyles - 1];
}

void ftaPushStyle(FTAcontext* ctx)
{
  if (ctx->nstyles >= kFTAMaxStyles)
  {
    Error(ctx, FTA_STATES_OVERFLOW, 0);
    return;
  }
  if (ctx->nstyles > 0)
    ctx->styles[ctx->nstyles] = ctx->styles[ctx->nstyles - 1];
  ctx->nstyles++;
}

void ftaPopStyle(FTAcontext* ctx)
{
  if (ctx->nstyles <= 1)
  {
    Error(ctx, FTA_STATES_UNDERFLOW, 0);
    return;
  }
  ctx->nstyles--;
}

void ftaClearStyle(FTAcontext* ctx)
{
  FTAstyle* style = ftaTopStyle(ctx);
  style->size = 12.0f;
  style->color = 0xffffffff;
  style->font = 0;
  style->blur = 0;
  style->spacing = 0;
  style->align = 1 | 64; // left | baseline
}

void ftaSetSize(FTAcontext* ctx, float size)
{
  ftaTopStyle(ctx)->size = size;
}

void ftaSetColor(FTAcontext* ctx, unsigned int color)
{
  ftaTopStyle(ctx)->color = color;
}

void ftaSetSpacing(FTAcontext* ctx, float spacing)
{
  ftaTopStyle(ctx)->spacing = spacing;
}

void ftaSetBlur(FTAcontext* ctx, float blur)
{
  ftaTopStyle(ctx)->blur = blur;
}

void ftaSetAlign(FTAcontext* ctx, int align)
{
  ftaTopStyle(ctx)->align = align;
}

void ftaSetFont(FTAcontext* ctx, int font)
{
  ftaTopStyle(ctx)->font = font;
}

// -- packing, blur and the glyph cache -------------------------------------------------------

int ftaSkylineAddRect(FTAskyline* atlas, int rw, int rh, int* rx, int* ry)
{
  int besth = 0, bestw = 0, besti = -1, bestx = -1, besty = -1;
  // Lowest top edge wins; on a tie, the narrower node.
  for (int i = 0; i < atlas->nnodes; i++)
  {
    const int y = RectFits(atlas, i, rw, rh);
    if (y == -1)
      continue;
    if (besti == -1 || y + rh < besth || (y + rh == besth && atlas->nodes[i].width < bestw))
    {
      besti = i;
      bestw = atlas->nodes[i].width;
      besth = y + rh;
      bestx = atlas->nodes[i].x;
      besty = y;
    }
  }
  if (besti == -1)
    return 0;
  if (!AddSkylineLevel(atlas, besti, bestx, besty, rw, rh))
    return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

void ftaBlur(unsigned char* dst, int w, int h, int stride, int blur)
{
  if (blur < 1)
    return;
  const float sigma = static_cast<float>(blur) * 0.57735f;
  const int alpha = static_cast<int>((1 << 16) * (1.0f - std::exp(-2.3f / (sigma + 1.0f))));
  for (int pass = 0; pass < 2; ++pass)
  {
    for (int x = 0; x < w; x++)
      BlurLine(dst + x, h, stride, alpha);
    for (int y = 0; y < h; y++)
      BlurLine(dst + y * stride, w, 1, alpha);
  }
}

FTAglyph* ftaGetGlyph(FTAcontext* ctx, FTAfont* font, unsigned int codepoint, short isize, short iblur,
                      int bitmapOption)
{
  ctx->atlasFull = 0;
  if (isize < 2)
    return nullptr;
  ftaScratchReset(ctx);
  if (iblur > kFTAMaxBlur)
    iblur = kFTAMaxBlur;
  if (iblur < 0)
    iblur = 0;
  const int pad = iblur + 2;

  // Cached already?
  FTAglyph* glyph = nullptr;
  const unsigned int h = HashInt(codepoint) & (kFTAHashSize - 1);
  for (int i = font->lut[h]; i != -1; i = font->glyphs[i].next)
  {
    FTAglyph* g = &font->glyphs[i];
    if (g->codepoint == codepoint && g->size == isize && g->blur == iblur)
    {
      glyph = g;
      if (bitmapOption == FTA_GLYPH_BITMAP_OPTIONAL || (glyph->x0 >= 0 && glyph->y0 >= 0))
        return glyph;
      break; // known, but its bitmap is still to be made
    }
  }

  // The font that has the codepoint: this one or the first fallback that does.
  int g = ftaFindGlyphIndex(font, static_cast<int>(codepoint));
  FTAfont* renderFont = font;
  if (g == 0)
  {
    for (int i = 0; i < font->nfallbacks; ++i)
    {
      FTAfont* fallback = ctx->fonts[font->fallbacks[i]];
      const int fallbackIndex = ftaFindGlyphIndex(fallback, static_cast<int>(codepoint));
      if (fallbackIndex != 0)
      {
        g = fallbackIndex;
        renderFont = fallback;
        break;
      }
    }
  }
  const float size = isize / 10.0f;
  const float scale = ftaPixelHeightScale(renderFont, size);
  int advance = 0, lsb = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ftaGlyphMetrics(renderFont, g, scale, &advance, &lsb, &x0, &y0, &x1, &y1);
  const int gw = x1 - x0 + pad * 2;
  const int gh = y1 - y0 + pad * 2;

  int gx = -1, gy = -1;
  if (bitmapOption == FTA_GLYPH_BITMAP_REQUIRED)
  {
    int added = ftaSkylineAddRect(&ctx->atlas, gw, gh, &gx, &gy);
    if (!added && ctx->handleError)
    {
      Error(ctx, FTA_ATLAS_FULL, 0);
      added = ftaSkylineAddRect(&ctx->atlas, gw, gh, &gx, &gy);
    }
    if (!added)
    {
      ctx->atlasFull = 1;
      return nullptr;
    }
  }

  if (!glyph)
  {
    if (!GrowDoubled(font->glyphs, font->nglyphs, font->cglyphs))
      return nullptr;
    glyph = &font->glyphs[font->nglyphs++];
    std::memset(glyph, 0, sizeof(*glyph));
    glyph->codepoint = codepoint;
    glyph->size = isize;
    glyph->blur = iblur;
    glyph->next = font->lut[h];
    font->lut[h] = font->nglyphs - 1;
  }
  glyph->index = g;
  glyph->x0 = static_cast<int16_t>(gx);
  glyph->y0 = static_cast<int16_t>(gy);
  glyph->x1 = vgrSaturateShort(static_cast<float>(gx) + static_cast<float>(gw));
  glyph->y1 = vgrSaturateShort(static_cast<float>(gy) + static_cast<float>(gh));
  glyph->xadv = vgrSaturateShort(scale * static_cast<float>(advance) * 10.0f);
  glyph->xoff = vgrSaturateShort(static_cast<float>(x0 - pad));
  glyph->yoff = vgrSaturateShort(static_cast<float>(y0 - pad));

  if (bitmapOption == FTA_GLYPH_BITMAP_OPTIONAL)
    return glyph;

  // Rasterise inside the padding, clear the box's one-pixel border, blur.
  const int stride = ctx->params.width;
  unsigned char* box = &ctx->texData[gx + gy * stride];
  ftaRenderGlyphBitmap(renderFont, box + pad + pad * stride, gw - pad * 2, gh - pad * 2, stride, scale, scale, g);
  for (int y = 0; y < gh; y++)
  {
    box[y * stride] = 0;
    box[gw - 1 + y * stride] = 0;
  }
  for (int x = 0; x < gw; x++)
  {
    box[x] = 0;
    box[x + (gh - 1) * stride] = 0;
  }
  if (iblur > 0)
  {
    ftaScratchReset(ctx);
    ftaBlur(box, gw, gh, stride, iblur);
  }
  WidenDirty(ctx, gx, gy, gx + gw, gy + gh);
  return glyph;
}

// -- the atlas ----------------------------------------------------------------------------------

void ftaFlush(FTAcontext* ctx)
{
  if (HasDirty(ctx))
  {
    if (ctx->params.renderUpdate)
      ctx->params.renderUpdate(ctx->params.userPtr, ctx->dirtyRect, ctx->texData);
    SetDirtyEmpty(ctx);
  }
  if (ctx->nverts > 0)
  {
    if (ctx->params.renderDraw)
      ctx->params.renderDraw(ctx->params.userPtr, ctx->verts, ctx->tcoords, ctx->colors, ctx->nverts);
    ctx->nverts = 0;
  }
}

const unsigned char* ftaAtlasPixels(FTAcontext* ctx, int* width, int* height)
{
  if (width)
    *width = ctx->params.width;
  if (height)
    *height = ctx->params.height;
  return ctx->texData;
}

int ftaTakeDirtyRect(FTAcontext* ctx, int* dirty)
{
  if (HasDirty(ctx))
  {
    std::memcpy(dirty, ctx->dirtyRect, sizeof(int) * 4);
    SetDirtyEmpty(ctx);
    return 1;
  }
  return 0;
}

void ftaAtlasSize(FTAcontext* ctx, int* width, int* height)
{
  *width = ctx->params.width;
  *height = ctx->params.height;
}

int ftaGrowAtlas(FTAcontext* ctx, int width, int height)
{
  if (!ctx)
    return 0;
  if (width <= ctx->params.width && height <= ctx->params.height)
    return 1;
  width = std::max(width, ctx->params.width);
  height = std::max(height, ctx->params.height);
  if (!ValidAtlasSize(width, height))
    return 0;

  ftaFlush(ctx);
  if (ctx->params.renderResize && !ctx->params.renderResize(ctx->params.userPtr, width, height))
    return 0;
  auto* data = static_cast<unsigned char*>(vgrMalloc(static_cast<std::size_t>(width) * height));
  if (!data)
    return 0;
  for (int i = 0; i < ctx->params.height; i++)
  {
    unsigned char* dst = &data[i * width];
    std::memcpy(dst, &ctx->texData[i * ctx->params.width], static_cast<std::size_t>(ctx->params.width));
    if (width > ctx->params.width)
      std::memset(dst + ctx->params.width, 0, static_cast<std::size_t>(width - ctx->params.width));
  }
  if (height > ctx->params.height)
    std::memset(&data[ctx->params.height * width], 0, static_cast<std::size_t>(width) * (height - ctx->params.height));
  vgrFree(ctx->texData);
  ctx->texData = data;

  // The new columns become one more skyline node, unmerged. Should the node array not grow,
  // the new columns stay unused until the atlas restarts.
  FTAskyline& atlas = ctx->atlas;
  if (width > atlas.width && InsertNode(&atlas, atlas.nnodes, atlas.width, 0, width - atlas.width))
    atlas.width = width;
  atlas.height = height;

  int maxy = 0;
  for (int i = 0; i < atlas.nnodes; i++)
    maxy = std::max(maxy, static_cast<int>(atlas.nodes[i].y));
  ctx->dirtyRect[0] = 0;
  ctx->dirtyRect[1] = 0;
  ctx->dirtyRect[2] = ctx->params.width;
  ctx->dirtyRect[3] = maxy;

  ctx->params.width = width;
  ctx->params.height = height;
  ctx->itw = 1.0f / width;
  ctx->ith = 1.0f / height;
  return 1;
}

int ftaRestartAtlas(FTAcontext* ctx, int width, int height)
{
  if (!ctx || !ValidAtlasSize(width, height))
    return 0;
  ftaFlush(ctx);
  if (ctx->params.renderResize && !ctx->params.renderResize(ctx->params.userPtr, width, height))
    return 0;
  auto* data =
    static_cast<unsigned char*>(vgrCalloc(static_cast<std::size_t>(width), static_cast<std::size_t>(height)));
  if (!data)
    return 0;
  vgrFree(ctx->texData);
  ctx->texData = data;
  ResetSkyline(&ctx->atlas, width, height);

  for (int i = 0; i < ctx->nfonts; i++)
  {
    FTAfont* font = ctx->fonts[i];
    font->nglyphs = 0;
    for (int& slot : font->lut)
      slot = -1;
  }
  ctx->params.width = width;
  ctx->params.height = height;
  ctx->itw = 1.0f / width;
  ctx->ith = 1.0f / height;
  SetDirtyEmpty(ctx);
  AddWhiteRect(ctx);
  return 1;
}

} // namespace igraphics
} // namespace plug
