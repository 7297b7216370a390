#pragma once
// The drawing context record and its parts. Included by the renderer's own sources and by
// tests that look inside; everyone else goes through VGR.h.

#include "graphics/renderer/VGR.h"

#include <cmath>

namespace plug {
namespace igraphics {

struct FTAcontext;

constexpr int kVGRMaxStates = 32;
constexpr int kVGRMaxFontImages = 4;
constexpr int kVGRInitCommandsSize = 256;
constexpr int kVGRInitPointsSize = 128;
constexpr int kVGRInitPathsSize = 16;
constexpr int kVGRInitVertsSize = 256;
constexpr int kVGRFontAtlasSize = 512;

struct VGRdrawState
{
  VGRcompositeOperationState compositeOperation;
  int shapeAntiAlias;
  VGRpaint fill;
  VGRpaint stroke;
  float strokeWidth;
  float miterLimit;
  int lineJoin;
  int lineCap;
  float alpha;
  float xform[6];
  VGRscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int textAlign;
  int fontId;
};

// Command codes of the path buffer.
enum VGRpathCommand
{
  VGR_MOVETO = 0,
  VGR_LINETO = 1,
  VGR_BEZIERTO = 2,
  VGR_CLOSE = 3,
  VGR_WINDING = 4,
};

// Flags of a flattened point.
enum VGRpointFlags
{
  VGR_PT_CORNER = 0x01,
  VGR_PT_LEFT = 0x02,
  VGR_PT_BEVEL = 0x04,
  VGR_PT_INNERBEVEL = 0x08,
};

struct VGRflatPoint
{
  float x, y;
  float dx, dy;
  float len;
  float dmx, dmy;
  unsigned char flags;
};

// Scratch arrays into which paths are flattened and tessellated; they only grow.
struct VGRgeometryCache
{
  VGRflatPoint* points;
  int npoints;
  int cpoints;
  VGRpath* paths;
  int npaths;
  int cpaths;
  VGRvertex* verts;
  int nverts;
  int cverts;
  float bounds[4];
};

struct VGRdrawContext
{
  VGRrenderInterface params;
  float* commands;
  int ccommands;
  int ncommands;
  float commandx, commandy;
  VGRdrawState states[kVGRMaxStates];
  int nstates;
  VGRgeometryCache* cache;
  float tessTol;
  float distTol;
  float fringeWidth;
  float devicePxRatio;
  FTAcontext* fs;
  int fontImages[kVGRMaxFontImages];
  int fontImageIdx;
  int drawCallCount;
  int fillTriCount;
  int strokeTriCount;
  int textTriCount;
};

// The scratch vertex array with room for n vertices (grown in steps of 256), or null; on
// failure every path of the cache is emptied so that nothing stale is drawn.
VGRvertex* vgrAllocTempVerts(VGRdrawContext* ctx, long long n);

// The top state.
inline VGRdrawState* vgrGetState(VGRdrawContext* ctx)
{
  return &ctx->states[ctx->nstates - 1];
}

// Small helpers of the renderer's sources.
constexpr float kVGRPi = 3.1415927f;

// NaN gives mn.
inline float vgrClampf(float a, float mn, float mx)
{
  return !(a >= mn) ? mn : (a > mx ? mx : a);
}

// How far from the origin a recorded point may lie in device space; farther points are
// pulled in to it. Well beyond any frame, and small enough that squared distances, cross
// products and join extrusions of such points stay finite in float.
constexpr float kVGRMaxCoord = 1e8f;

// Whether two points lie closer together than tol.
inline bool vgrPtEquals(float x1, float y1, float x2, float y2, float tol)
{
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}

// Scales (x, y) to unit length and returns the length it had; a vector shorter than 1e-6 is left
// as it is.
inline float vgrNormalize(float& x, float& y)
{
  const float d = std::sqrt(x * x + y * y);
  if (d > 1e-6f)
  {
    const float id = 1.0f / d;
    x *= id;
    y *= id;
  }
  return d;
}

// The paint's colours with their alpha scaled.
inline void vgrMultiplyAlpha(VGRpaint& paint, float alpha)
{
  paint.innerColor.a *= alpha;
  paint.outerColor.a *= alpha;
}

} // namespace igraphics
} // namespace plug
