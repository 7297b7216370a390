#pragma once

// What the Metal render back end and its shader library agree on: the fragment uniform block,
// the vertex layout and the bindings. The vertex buffer holds the renderer's VGRvertex records
// (x, y, u, v: four floats).
//
// The shader source (shaders/MVGRshaders.metal) includes this header too, so the uniform block,
// its kinds and the binding indices have one definition. Under the Metal compiler
// (__METAL_VERSION__) only that shared part is seen: no namespace, no standard headers, no
// program-scope variables; the layout checks and the C++-only constants stay on the C++ side.
#ifndef __METAL_VERSION__
#include "graphics/renderer/VGRTypes.h"

#include <cstddef>
#include <cstdint>

namespace plug::igraphics {
#endif

// One fragment uniform block. Blocks sit kMVGRfragSize bytes apart in the uniform buffer and
// use their first sizeof(MVGRfragUniforms) bytes. Matrices are 3x3 with each column stored as
// four floats (the fourth unused): columns (a, b, 0), (c, d, 0), (e, f, 1) of the renderer's
// 2x3 matrix [a b c d e f], which maps (x, y) to (a x + c y + e, b x + d y + f).
struct MVGRfragUniforms
{
  float scissorMat[12]; // inverse of the scissor transform
  float paintMat[12];   // inverse of the paint transform
  float innerCol[4];    // premultiplied (r a, g a, b a, a)
  float outerCol[4];    // premultiplied
  float scissorExt[2];  // half width, half height
  float scissorScale[2];
  float extent[2];      // paint extent
  float radius;         // paint radius
  float feather;        // paint feather
  float strokeMult;     // (width 0.5 + fringe 0.5) / fringe
  float strokeThr;      // fragments with less stroke coverage are discarded; -1: none
  int32_t texType;      // MVGRtextureKind
  int32_t type;         // MVGRshaderKind
};

// Seen by both compilers, so the GPU's block is the back end's.
static_assert(sizeof(MVGRfragUniforms) == 176, "uniform block size");

#ifndef __METAL_VERSION__

static_assert(offsetof(MVGRfragUniforms, paintMat) == 48, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, innerCol) == 96, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, outerCol) == 112, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, scissorExt) == 128, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, scissorScale) == 136, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, extent) == 144, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, radius) == 152, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, feather) == 156, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, strokeMult) == 160, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, strokeThr) == 164, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, texType) == 168, "uniform block layout");
static_assert(offsetof(MVGRfragUniforms, type) == 172, "uniform block layout");
static_assert(sizeof(MVGRfragUniforms) == 176, "uniform block layout");
#endif

// How an image's texels are read.
enum MVGRtextureKind : int32_t
{
  kMVGRtexturePremultiplied = 0, // RGBA, premultiplied (framebuffers, flagged images)
  kMVGRtextureStraight = 1,      // RGBA, straight alpha: premultiplied after sampling
  kMVGRtextureAlpha = 2,         // one channel, used as coverage of the paint's colour
};

// What a fragment computes.
enum MVGRshaderKind : int32_t
{
  kMVGRshaderFillGradient = 0, // colour or gradient paint
  kMVGRshaderFillImage = 1,    // image paint
  kMVGRshaderTriangles = 2,    // plain textured triangles (text)
};

// Vertex attributes: 0 position (float2 at 0), 1 texture coordinates (float2 at 8), both from
// vertex buffer 0 with a stride of 16 bytes.
enum MVGRvertexAttribute : int32_t
{
  kMVGRpositionAttribute = 0,
  kMVGRtexcoordAttribute = 1,
};

// Bindings.
enum MVGRbindingIndex : int32_t
{
  kMVGRvertexBufferIndex = 0,   // vertex stage: the vertices
  kMVGRviewSizeBufferIndex = 1, // vertex stage: float width, height in drawing units
  kMVGRuniformBufferIndex = 0,  // fragment stage: the uniform block at its offset
  kMVGRtextureIndex = 0,        // fragment stage: the image and its sampler
  kMVGRsamplerIndex = 0,
};

#ifndef __METAL_VERSION__
constexpr int kMVGRfragSize = 256; // stride of the uniform blocks
constexpr int kMVGRindexSize = 4;  // unsigned 32-bit indices

constexpr int kMVGRvertexStride = 16;
constexpr int kMVGRpositionOffset = 0;
constexpr int kMVGRtexcoordOffset = 8;
static_assert(sizeof(VGRvertex) == kMVGRvertexStride, "the vertex buffer holds the renderer's vertices");

// Function names in the shader library.
constexpr const char* kMVGRvertexFunctionName = "vertexShader";
constexpr const char* kMVGRfragmentFunctionName = "fragmentShader";
constexpr const char* kMVGRfragmentFunctionAAName = "fragmentShaderAA";

} // namespace plug::igraphics
#endif
