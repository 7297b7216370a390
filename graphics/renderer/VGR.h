#pragma once
// The vector renderer (its types and functions carry the prefix VGR, vgr):
// a drawing context with a state stack, paths, paints, images and text,
// whose frames leave through the render interface of VGRTypes.h.
//
// Every operation takes the context first. Failures show only as null or 0 results;
// allocation failures while recording drop the affected command silently. A context is
// used by one thread at a time.

#include "graphics/renderer/VGRTypes.h"

namespace plug {
namespace igraphics {

struct VGRdrawContext;

enum VGRlineStyle
{
  VGR_BUTT = 0,
  VGR_ROUND = 1,
  VGR_SQUARE = 2,
  VGR_BEVEL = 3,
  VGR_MITER = 4,
};

enum VGRwinding
{
  VGR_CCW = 1, // solid
  VGR_CW = 2,  // hole
};

enum VGRcompositeMode
{
  VGR_SOURCE_OVER,
  VGR_SOURCE_IN,
  VGR_SOURCE_OUT,
  VGR_ATOP,
  VGR_DESTINATION_OVER,
  VGR_DESTINATION_IN,
  VGR_DESTINATION_OUT,
  VGR_DESTINATION_ATOP,
  VGR_LIGHTER,
  VGR_COPY,
  VGR_XOR,
};

enum VGRtextAlign
{
  VGR_ALIGN_LEFT = 1 << 0,
  VGR_ALIGN_CENTER = 1 << 1,
  VGR_ALIGN_RIGHT = 1 << 2,
  VGR_ALIGN_TOP = 1 << 3,
  VGR_ALIGN_MIDDLE = 1 << 4,
  VGR_ALIGN_BOTTOM = 1 << 5,
  VGR_ALIGN_BASELINE = 1 << 6,
};

// A row of text found by vgrSplitTextLines: pointers into the text, widths in user space.
struct VGRtextLine
{
  const char* start; // first byte of the row
  const char* end;   // one past its last non-space glyph
  const char* next;  // first byte of the next row
  float width;       // advance from the row start to the end of its last non-space glyph
  float minx, maxx;  // ink extent relative to the row start
};

// A glyph's place found by vgrGlyphSpans.
struct VGRglyphSpan
{
  const char* str; // the glyph's first byte
  float x;         // pen position
  float minx, maxx; // ink or advance extent
};

// ---------------------------------------------------------------------------------------
// Context and frames.

// A new context over a copy of the render interface, or null on any failure (everything
// built so far is released, and renderDelete, when set, has been called).
VGRdrawContext* vgrCreateContext(const VGRrenderInterface* renderInterface);
void vgrDeleteContext(VGRdrawContext* ctx);

void vgrBeginFrame(VGRdrawContext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vgrCancelFrame(VGRdrawContext* ctx);
// Submits the frame and compacts the font-atlas images.
void vgrEndFrame(VGRdrawContext* ctx);

// ---------------------------------------------------------------------------------------
// State stack (32 deep) and stroke settings. Setters act on the top state, unchecked.

void vgrPushState(VGRdrawContext* ctx);
void vgrPopState(VGRdrawContext* ctx);
void vgrResetState(VGRdrawContext* ctx);

void vgrSetShapeAntiAlias(VGRdrawContext* ctx, int enabled);
void vgrSetStrokeWidth(VGRdrawContext* ctx, float width);
void vgrSetMiterLimit(VGRdrawContext* ctx, float limit);
void vgrSetLineCap(VGRdrawContext* ctx, int cap);
void vgrSetLineJoin(VGRdrawContext* ctx, int join);
void vgrSetGlobalAlpha(VGRdrawContext* ctx, float alpha);

// ---------------------------------------------------------------------------------------
// Matrices (float[6]); none touches a context.

void vgrMatrixIdentity(float* t);
void vgrMatrixTranslation(float* t, float tx, float ty);
void vgrMatrixScaling(float* t, float sx, float sy);
void vgrMatrixRotation(float* t, float angle);
void vgrMatrixSkewX(float* t, float angle);
void vgrMatrixSkewY(float* t, float angle);
// t becomes t followed by s.
void vgrMatrixMultiply(float* t, const float* s);
// t becomes s followed by t.
void vgrMatrixMultiplyLeft(float* t, const float* s);
// 1 and the inverse; 0 and identity when the matrix is singular (|det| < 1e-6).
int vgrMatrixInvert(float* inv, const float* t);
void vgrMatrixApply(const float* t, float* dstx, float* dsty, float srcx, float srcy);

float vgrDegreesToRadians(float deg);
float vgrRadiansToDegrees(float rad);

// Current transform: each new transform applies first, in the local space of the current one.
void vgrResetTransform(VGRdrawContext* ctx);
void vgrApplyTransform(VGRdrawContext* ctx, float a, float b, float c, float d, float e, float f);
void vgrTranslate(VGRdrawContext* ctx, float x, float y);
void vgrRotate(VGRdrawContext* ctx, float angle);
void vgrSkewX(VGRdrawContext* ctx, float angle);
void vgrSkewY(VGRdrawContext* ctx, float angle);
void vgrScale(VGRdrawContext* ctx, float x, float y);
void vgrGetTransform(VGRdrawContext* ctx, float* xform);

// ---------------------------------------------------------------------------------------
// Colours.

VGRcolor vgrColorRGB(unsigned char r, unsigned char g, unsigned char b);
VGRcolor vgrColorRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VGRcolor vgrColorRGBf(float r, float g, float b);
VGRcolor vgrColorRGBAf(float r, float g, float b, float a);
VGRcolor vgrColorWithAlpha(VGRcolor c, unsigned char a);
VGRcolor vgrColorWithAlphaf(VGRcolor c, float a);
VGRcolor vgrColorLerp(VGRcolor c0, VGRcolor c1, float u);
VGRcolor vgrColorHSL(float h, float s, float l);
VGRcolor vgrColorHSLA(float h, float s, float l, unsigned char a);

// ---------------------------------------------------------------------------------------
// Paints, and the fill and stroke paint of the top state.

VGRpaint vgrLinearGradient(VGRdrawContext* ctx, float sx, float sy, float ex, float ey, VGRcolor icol, VGRcolor ocol);
VGRpaint vgrRadialGradient(VGRdrawContext* ctx, float cx, float cy, float inr, float outr, VGRcolor icol,
                           VGRcolor ocol);
VGRpaint vgrRoundedBoxGradient(VGRdrawContext* ctx, float x, float y, float w, float h, float r, float f,
                               VGRcolor icol, VGRcolor ocol);
VGRpaint vgrImagePaint(VGRdrawContext* ctx, float ox, float oy, float w, float h, float angle, int image, float alpha);

void vgrSetFillColor(VGRdrawContext* ctx, VGRcolor color);
void vgrSetStrokeColor(VGRdrawContext* ctx, VGRcolor color);
// The paint is fixed in the user space current at the call.
void vgrSetFillPaint(VGRdrawContext* ctx, VGRpaint paint);
void vgrSetStrokePaint(VGRdrawContext* ctx, VGRpaint paint);

// ---------------------------------------------------------------------------------------
// Images (RGBA textures of the back end).

int vgrCreateImageFromFile(VGRdrawContext* ctx, const char* filename, int imageFlags);
int vgrCreateImageFromMemory(VGRdrawContext* ctx, int imageFlags, const unsigned char* data, int ndata);
void vgrUpdateImage(VGRdrawContext* ctx, int image, const unsigned char* data);
// 0 x 0 for an id the back end does not know.
void vgrImageSize(VGRdrawContext* ctx, int image, int* w, int* h);

// ---------------------------------------------------------------------------------------
// Scissor and blending.

void vgrSetScissor(VGRdrawContext* ctx, float x, float y, float w, float h);
void vgrIntersectScissor(VGRdrawContext* ctx, float x, float y, float w, float h);
void vgrResetScissor(VGRdrawContext* ctx);

void vgrSetCompositeMode(VGRdrawContext* ctx, int mode);
void vgrSetBlendFactors(VGRdrawContext* ctx, int sfactor, int dfactor);
void vgrSetBlendFactorsSeparate(VGRdrawContext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha);

// ---------------------------------------------------------------------------------------
// Paths: recorded through the current transform, flattened and tessellated when filled or
// stroked. Neither fill nor stroke clears the path.

void vgrBeginPath(VGRdrawContext* ctx);
void vgrMoveTo(VGRdrawContext* ctx, float x, float y);
void vgrLineTo(VGRdrawContext* ctx, float x, float y);
void vgrBezierTo(VGRdrawContext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vgrQuadTo(VGRdrawContext* ctx, float cx, float cy, float x, float y);
// An arc of the circle (cx, cy, r) from a0 to a1 (radians) in direction dir (VGRwinding).
void vgrArc(VGRdrawContext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vgrArcTo(VGRdrawContext* ctx, float x1, float y1, float x2, float y2, float radius);
void vgrClosePath(VGRdrawContext* ctx);
void vgrSetPathWinding(VGRdrawContext* ctx, int dir);
void vgrRect(VGRdrawContext* ctx, float x, float y, float w, float h);
void vgrRoundedRect(VGRdrawContext* ctx, float x, float y, float w, float h, float r);
void vgrRoundedRectCorners(VGRdrawContext* ctx, float x, float y, float w, float h, float radTopLeft,
                           float radTopRight, float radBottomRight, float radBottomLeft);
void vgrEllipse(VGRdrawContext* ctx, float cx, float cy, float rx, float ry);
void vgrCircle(VGRdrawContext* ctx, float cx, float cy, float r);

void vgrFill(VGRdrawContext* ctx);
void vgrStroke(VGRdrawContext* ctx);
// Prints the flattened and tessellated paths to standard output (a debugging aid).
void vgrDumpGeometryCache(VGRdrawContext* ctx);

// ---------------------------------------------------------------------------------------
// Text. Fonts are registered by name; ids are indexes, -1 for none.

int vgrAddFontFile(VGRdrawContext* ctx, const char* name, const char* path);
int vgrAddFontFileAtIndex(VGRdrawContext* ctx, const char* name, const char* path, int fontIndex);
// The font's bytes must stay valid while the context lives; with freeData the context
// frees them (also when the font is refused).
int vgrAddFontData(VGRdrawContext* ctx, const char* name, unsigned char* data, int ndata, int freeData);
int vgrAddFontDataAtIndex(VGRdrawContext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                          int freeData);
int vgrFindFont(VGRdrawContext* ctx, const char* name);
int vgrAddFallbackFontId(VGRdrawContext* ctx, int baseFont, int fallbackFont);
int vgrAddFallbackFont(VGRdrawContext* ctx, const char* baseFont, const char* fallbackFont);

void vgrSetFontSize(VGRdrawContext* ctx, float size);
void vgrSetFontBlur(VGRdrawContext* ctx, float blur);
void vgrSetLetterSpacing(VGRdrawContext* ctx, float spacing);
// A multiple of the font's line height.
void vgrSetLineHeight(VGRdrawContext* ctx, float lineHeight);
void vgrSetTextAlign(VGRdrawContext* ctx, int align);
void vgrSetFontId(VGRdrawContext* ctx, int font);
void vgrSetFontByName(VGRdrawContext* ctx, const char* font);

// Draws the text (end null: up to its terminator); returns the pen x after it.
float vgrDrawText(VGRdrawContext* ctx, float x, float y, const char* string, const char* end);
void vgrDrawWrappedText(VGRdrawContext* ctx, float x, float y, float breakRowWidth, const char* string,
                        const char* end);
// The advance; bounds (min x, min y, max x, max y) when given.
float vgrMeasureText(VGRdrawContext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vgrMeasureWrappedText(VGRdrawContext* ctx, float x, float y, float breakRowWidth, const char* string,
                           const char* end, float* bounds);
void vgrFontMetrics(VGRdrawContext* ctx, float* ascender, float* descender, float* lineh);
// Splits text into rows no wider than breakRowWidth; call again from the last row's next
// pointer until it returns 0.
int vgrSplitTextLines(VGRdrawContext* ctx, const char* string, const char* end, VGRtextLine* rows, int maxRows,
                      float breakRowWidth);
int vgrGlyphSpans(VGRdrawContext* ctx, float x, float y, const char* string, const char* end, VGRglyphSpan* spans,
                  int maxSpans);
// Moves text drawing to the next font-atlas image (at most four); 0 when none is left.
int vgrNextFontAtlas(VGRdrawContext* ctx);

} // namespace igraphics
} // namespace plug
