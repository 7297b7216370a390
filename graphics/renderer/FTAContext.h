#pragma once
// The text atlas's records and the rasteriser adaptor. Included by the atlas's own sources
// and by tests that look inside; everyone else goes through FTA.h.

#include "graphics/renderer/FTA.h"
#include "graphics/renderer/VGRConvert.h"

#include <cstddef>

namespace plug {
namespace igraphics {

constexpr int kFTAScratchSize = 96000;
constexpr int kFTAHashSize = 256;
constexpr int kFTAMaxFallbacks = 20;
constexpr int kFTAMaxStyles = 20;
constexpr int kFTAVertexCount = 1024;
constexpr int kFTAInitFonts = 4;
constexpr int kFTAInitGlyphs = 256;
constexpr int kFTAInitAtlasNodes = 256;
constexpr int kFTAMaxBlur = 20;
constexpr int kFTAFontInfoBytes = 192;

// The rasteriser's font record (kept opaque here; only the adaptor sees its layout) and
// where the tables this layer reads itself lie, checked against the font's bytes.
struct FTAfontTables
{
  int numGlyphs;
  int ascent, descent, lineGap;
  int numLongHorMetrics;
  int hmtx, hmtxLength;
  int kern, kernLength;
};

struct FTAfont
{
  alignas(8) unsigned char info[kFTAFontInfoBytes];
  char name[64];
  unsigned char* data;
  int dataSize;
  unsigned char freeData;
  float ascender;
  float descender;
  float lineh;
  FTAglyph* glyphs;
  int cglyphs;
  int nglyphs;
  int lut[kFTAHashSize];
  int fallbacks[kFTAMaxFallbacks];
  int nfallbacks;
  FTAfontTables tables;
};

struct FTAskylineNode
{
  int16_t x, y, width;
};

struct FTAskyline
{
  int width, height;
  FTAskylineNode* nodes;
  int nnodes;
  int cnodes;
};

struct FTAcontext
{
  FTAsetup params;
  float itw, ith;
  unsigned char* texData;
  int dirtyRect[4];
  FTAfont** fonts;
  int cfonts;
  int nfonts;
  FTAskyline atlas;
  float verts[kFTAVertexCount * 2];
  float tcoords[kFTAVertexCount * 2];
  unsigned int colors[kFTAVertexCount];
  int nverts;
  unsigned char* scratch;
  int nscratch;
  FTAstyle styles[kFTAMaxStyles];
  int nstyles;
  void (*handleError)(void* uptr, int error, int val);
  void* errorUptr;
  // 1 when the last glyph lookup failed for lack of atlas room.
  int atlasFull;
  // While a glyph is rasterised: where an exhausted scratch arena jumps back to.
  void* scratchJump;
};

// Scratch arena: the rasteriser's only allocator.
void* ftaScratchAlloc(FTAcontext* ctx, std::size_t size);
void ftaScratchReset(FTAcontext* ctx);

// Skyline packer: 1 and the position, or 0 when the rectangle does not fit.
int ftaSkylineAddRect(FTAskyline* atlas, int rw, int rh, int* rx, int* ry);

// Blur of a w x h box at dst (row stride in bytes), blur 1..20.
void ftaBlur(unsigned char* dst, int w, int h, int stride, int blur);

// Hands pending atlas changes and vertices to the callbacks.
void ftaFlush(FTAcontext* ctx);

// Vertical offset of the top style's alignment for a font at isize (size x 10).
float ftaVerticalAlign(FTAcontext* ctx, FTAfont* font, int align, short isize);

// Rasteriser adaptor (the only code that sees the rasteriser).
// Checks the font's bytes, then initialises the rasteriser record and fills font->tables;
// 0 when the font is refused.
int ftaLoadFontInfo(FTAcontext* ctx, FTAfont* font, unsigned char* data, int dataSize, int fontIndex);
// The check of a 'CFF ' table (lying inside the font's bytes) before the rasteriser reads it.
bool ftaCheckCffOutlines(const unsigned char* table, uint32_t length, int numGlyphs);
int ftaFindGlyphIndex(FTAfont* font, int codepoint);
int ftaGlyphMetrics(FTAfont* font, int glyph, float scale, int* advance, int* lsb, int* x0, int* y0, int* x1,
                    int* y1);
int ftaKernAdvance(FTAfont* font, int glyph1, int glyph2);
void ftaRenderGlyphBitmap(FTAfont* font, unsigned char* output, int outWidth, int outHeight, int outStride,
                          float scaleX, float scaleY, int glyph);
// Pixel-height scale of a font for a size in pixels.
float ftaPixelHeightScale(FTAfont* font, float size);

} // namespace igraphics
} // namespace plug
