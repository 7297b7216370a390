#pragma once
// Types shared by the vector renderer and the GPU back end that renders its frames: the
// geometry handed over (vertices and flattened paths), paints, scissors, blend state, image
// kinds and flags, and the table of render operations through which every piece of GPU work
// leaves the renderer.
//
// Conventions: coordinates are floats with the y axis pointing down; a transform is a 2x3
// affine matrix of six floats t0..t5 mapping (x, y) to (x*t0 + y*t2 + t4, x*t1 + y*t3 + t5);
// colours are straight-alpha floats 0..1; image ids are ints handed out by the back end, 0
// meaning no image.

namespace plug {
namespace igraphics {

struct VGRcolor
{
  float r, g, b, a;
};

// Image kinds (the type argument of renderCreateTexture).
enum VGRtextureType
{
  VGR_TEXTURE_ALPHA = 1, // one coverage byte per pixel (font atlases)
  VGR_TEXTURE_RGBA = 2,  // four bytes per pixel, R, G, B, A (bitmaps, offscreen frames)
};

// Image flags, passed to the back end untouched.
enum VGRimageFlags
{
  VGR_IMAGE_GENERATE_MIPMAPS = 1 << 0,
  VGR_IMAGE_REPEATX = 1 << 1,
  VGR_IMAGE_REPEATY = 1 << 2,
  VGR_IMAGE_FLIPY = 1 << 3,
  VGR_IMAGE_PREMULTIPLIED = 1 << 4,
  VGR_IMAGE_NEAREST = 1 << 5,
};

// Blend factors; one bit each.
enum VGRblendFactorBit
{
  VGR_ZERO = 1 << 0,
  VGR_ONE = 1 << 1,
  VGR_SRC_COLOR = 1 << 2,
  VGR_ONE_MINUS_SRC_COLOR = 1 << 3,
  VGR_DST_COLOR = 1 << 4,
  VGR_ONE_MINUS_DST_COLOR = 1 << 5,
  VGR_SRC_ALPHA = 1 << 6,
  VGR_ONE_MINUS_SRC_ALPHA = 1 << 7,
  VGR_DST_ALPHA = 1 << 8,
  VGR_ONE_MINUS_DST_ALPHA = 1 << 9,
  VGR_SRC_ALPHA_SATURATE = 1 << 10,
};

// Blend factors of a draw call (VGRblendFactorBit values).
struct VGRcompositeOperationState
{
  int srcRGB;
  int dstRGB;
  int srcAlpha;
  int dstAlpha;
};

// A paint: a rounded box with a feathered edge (gradients) or an image pattern, placed in
// the drawing space by its transform.
struct VGRpaint
{
  float xform[6];
  float extent[2];
  float radius;
  float feather;
  VGRcolor innerColor;
  VGRcolor outerColor;
  int image;
};

// A scissor rectangle: transform of its centre and half sizes. A negative extent[0] means
// no scissor.
struct VGRscissor
{
  float xform[6];
  float extent[2];
};

// One vertex in the frame's drawing space. u runs across a stroke or fringe (0 at one edge,
// 1 at the other, 0.5 on centre lines and fill interiors); v is 0 only on the outer row of
// a butt or square cap's fringe.
struct VGRvertex
{
  float x, y, u, v;
};

// One flattened sub-path. Fill vertices form a triangle fan around the first vertex; stroke
// vertices (for a fill: its anti-aliasing fringe) form a triangle strip.
struct VGRpath
{
  int first;
  int count;
  unsigned char closed;
  int nbevel;
  VGRvertex* fill;
  int nfill;
  VGRvertex* stroke;
  int nstroke;
  int winding;
  int convex;
};

// The back end's operations. Every operation receives userPtr first. renderDelete may be
// null; the others must be set. Pointers passed to renderFill, renderStroke and
// renderTriangles are valid only during the call.
struct VGRrenderInterface
{
  void* userPtr;
  int edgeAntiAlias;
  int (*renderCreate)(void* uptr);
  int (*renderCreateTexture)(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* uptr, int image);
  int (*renderUpdateTexture)(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* uptr, int image, int* w, int* h);
  void (*renderViewport)(void* uptr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* uptr);
  void (*renderFlush)(void* uptr);
  void (*renderFill)(void* uptr, VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                     VGRscissor* scissor, float fringe, const float* bounds, const VGRpath* paths, int npaths);
  void (*renderStroke)(void* uptr, VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                       VGRscissor* scissor, float fringe, float strokeWidth, const VGRpath* paths, int npaths);
  void (*renderTriangles)(void* uptr, VGRpaint* paint, VGRcompositeOperationState compositeOperation,
                          VGRscissor* scissor, const VGRvertex* verts, int nverts, float fringe);
  void (*renderDelete)(void* uptr);
};

} // namespace igraphics
} // namespace plug
