#pragma once
// The text atlas (its types and functions carry the prefix FTA, fta):
// fonts registered from bytes (with fallbacks), glyphs rasterised once per
// (codepoint, size, blur) into a single-channel atlas packed by a skyline, a small stack of
// text styles, UTF-8 glyph runs with kerning, and measuring. It never talks to the GPU; a
// caller without a renderer of its own may drive drawing through the optional callbacks of
// FTAsetup.

#include <cstdint>

namespace plug {
namespace igraphics {

struct FTAcontext;
struct FTAfont;

enum FTAflags
{
  FTA_YDOWN = 1, // the y axis points down
};

enum FTAglyphBitmap
{
  FTA_GLYPH_BITMAP_OPTIONAL = 1, // metrics only
  FTA_GLYPH_BITMAP_REQUIRED = 2,
};

enum FTAerrorCode
{
  FTA_ATLAS_FULL = 1,
  FTA_SCRATCH_FULL = 2,
  FTA_STATES_OVERFLOW = 3,
  FTA_STATES_UNDERFLOW = 4,
};

struct FTAsetup
{
  int width;
  int height;
  unsigned char flags;
  void* userPtr;
  int (*renderCreate)(void* uptr, int width, int height);
  int (*renderResize)(void* uptr, int width, int height);
  void (*renderUpdate)(void* uptr, int* rect, const unsigned char* data);
  void (*renderDraw)(void* uptr, const float* verts, const float* tcoords, const unsigned int* colors, int nverts);
  void (*renderDelete)(void* uptr);
};

struct FTAglyph
{
  uint32_t codepoint;
  int index;
  int next;
  int16_t size;
  int16_t blur;
  int16_t x0, y0, x1, y1;
  int16_t xadv;
  int16_t xoff, yoff;
};

struct FTAstyle
{
  int font;
  int align;
  float size;
  unsigned int color;
  float blur;
  float spacing;
};

struct FTAglyphQuad
{
  float x0, y0, s0, t0;
  float x1, y1, s1, t1;
};

struct FTAglyphRun
{
  float x, y, nextx, nexty;
  float scale;
  float spacing;
  unsigned int codepoint;
  int16_t isize, iblur;
  FTAfont* font;
  int prevGlyphIndex;
  const char* str;
  const char* next;
  const char* end;
  unsigned int utf8state;
  int bitmapOption;
  // Set when the last codepoint got no glyph because the atlas had no room for it (and
  // only then): the signal to move to a fresh atlas.
  int atlasFull;
};

FTAcontext* ftaCreate(const FTAsetup* setup);
void ftaDelete(FTAcontext* ctx);

void ftaSetErrorHandler(FTAcontext* ctx, void (*callback)(void* uptr, int error, int val), void* uptr);

// Fonts. Ids are indexes; -1 on failure. Owned bytes are freed on every failure.
int ftaAddFontFile(FTAcontext* ctx, const char* name, const char* path, int fontIndex);
int ftaAddFontData(FTAcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex, int freeData);
int ftaFindFontByName(FTAcontext* ctx, const char* name);
int ftaAddFallback(FTAcontext* ctx, int base, int fallback);

// Style stack (20 deep) and the setters of its top.
void ftaPushStyle(FTAcontext* ctx);
void ftaPopStyle(FTAcontext* ctx);
void ftaClearStyle(FTAcontext* ctx);
void ftaSetSize(FTAcontext* ctx, float size);
void ftaSetColor(FTAcontext* ctx, unsigned int color);
void ftaSetSpacing(FTAcontext* ctx, float spacing);
void ftaSetBlur(FTAcontext* ctx, float blur);
void ftaSetAlign(FTAcontext* ctx, int align);
void ftaSetFont(FTAcontext* ctx, int font);
FTAstyle* ftaTopStyle(FTAcontext* ctx);

// Glyphs and runs.
FTAglyph* ftaGetGlyph(FTAcontext* ctx, FTAfont* font, unsigned int codepoint, short isize, short iblur,
                      int bitmapOption);
void ftaGlyphQuad(FTAcontext* ctx, FTAfont* font, int prevGlyphIndex, FTAglyph* glyph, float scale, float spacing,
                  float* x, float* y, FTAglyphQuad* q);
int ftaGlyphRunBegin(FTAcontext* ctx, FTAglyphRun* run, float x, float y, const char* str, const char* end,
                     int bitmapOption);
// 1 while a glyph position was produced; 0 at the end of the text, and also when the text
// ends inside an incomplete or invalid UTF-8 sequence.
int ftaGlyphRunNext(FTAcontext* ctx, FTAglyphRun* run, FTAglyphQuad* quad);

// Measuring and drawing under the top style.
float ftaMeasureText(FTAcontext* ctx, float x, float y, const char* str, const char* end, float* bounds);
float ftaDrawText(FTAcontext* ctx, float x, float y, const char* str, const char* end);
void ftaVerticalMetrics(FTAcontext* ctx, float* ascender, float* descender, float* lineh);
void ftaLineExtent(FTAcontext* ctx, float y, float* miny, float* maxy);

// The atlas.
const unsigned char* ftaAtlasPixels(FTAcontext* ctx, int* width, int* height);
int ftaTakeDirtyRect(FTAcontext* ctx, int* dirty);
void ftaAtlasSize(FTAcontext* ctx, int* width, int* height);
void ftaDrawAtlasDebug(FTAcontext* ctx, float x, float y);
int ftaGrowAtlas(FTAcontext* ctx, int width, int height);
int ftaRestartAtlas(FTAcontext* ctx, int width, int height);

} // namespace igraphics
} // namespace plug
