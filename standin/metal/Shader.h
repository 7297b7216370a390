#pragma once
#include "standin/metal/Metal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How shader functions written in C++ meet the stand-in's rasteriser, and how a library blob
// names them. Shaders written in the Metal shading language reach this interface through
// ShadingLanguage.h, whose helpers call them per vertex and per pixel.
//
// A vertex function gets one vertex's attributes (fetched by the pipeline's vertex descriptor,
// missing components filled as (0, 0, 0, 1)) and the stage's bound buffers; it writes the
// clip-space position (y up, z in 0..w) and its varyings.
//
// A fragment function shades a span of pixels of one row at a time: varyings are linear along a
// span, given at the centre of its first pixel with their change per pixel in x and in y. It
// writes a premultiplied or plain colour per pixel (whatever the pipeline's blending expects)
// and whether the pixel is discarded; a discarded pixel changes neither colour nor stencil.
//
// Library blob, all integers little-endian:
//   "MTLB"  u16 version (1)  u8 n  library name (n bytes)  u16 function count
//   per function: u8 type (1 vertex, 2 fragment)  u8 n  function name (n bytes)
// The library name selects the process-wide registration that holds the functions' code.
namespace standin::mtl {

// Four floats; like a shader's float4, left uninitialised unless given values (Float4{} is zero).
struct Float4
{
  float x, y, z, w;
};

// A buffer bound to a stage, at its offset; bytes is null when nothing is bound.
struct BufferView
{
  const uint8_t* bytes = nullptr;
  uint64_t length = 0; // from the offset to the end of the buffer

  // The value at a byte offset, or null when it does not fit in the buffer.
  template <class T>
  const T* At(uint64_t offset = 0) const
  {
    if (!bytes || offset > length || length - offset < sizeof(T))
      return nullptr;
    return reinterpret_cast<const T*>(bytes + offset);
  }
};

// A texture and sampler bound to a stage; the texture's storage lock is held by the rasteriser.
struct TextureBinding
{
  const Texture* texture = nullptr;
  const SamplerState* sampler = nullptr;
};

struct ShaderFunctionEntry;

struct StageResources
{
  BufferView buffers[kMaxBufferBindings];
  TextureBinding textures[kMaxTextureBindings];
  // The function the stage runs (its declared arguments) and the device that hears of an
  // argument read that it did not declare; null outside a draw.
  const ShaderFunctionEntry* function = nullptr;
  Device* validator = nullptr;
};

struct VertexIn
{
  float attributes[kMaxVertexAttributes][4];
  uint32_t vertexId;
};

struct VertexOut
{
  float position[4];
  float varyings[kMaxVaryings];
};

struct FragmentSpan
{
  int x = 0, y = 0, count = 0; // pixels x .. x + count - 1 of row y
  bool frontFacing = true;
  const float* varyings = nullptr; // at the centre of pixel x
  const float* ddx = nullptr;      // change per pixel to the right
  const float* ddy = nullptr;      // change per pixel downwards
};

struct FragmentOut
{
  Float4* color = nullptr;   // count entries
  uint8_t* discard = nullptr; // count entries, 1 = discarded
};

using VertexFunctionPtr = void (*)(const VertexIn& in, const StageResources& resources, VertexOut& out);
using FragmentFunctionPtr = void (*)(const FragmentSpan& span, const StageResources& resources,
                                     const FragmentOut& out);

// A buffer argument: its binding index and the bytes the function reads from its offset.
struct BufferArgumentDeclaration
{
  int index = 0;
  uint64_t length = 0;
};

// A function and, as Metal's pipeline reflection gives them, the arguments it reads. At each
// draw every declared buffer must be bound and long enough from its offset, every declared
// texture bound, readable as a 2D float texture and made with shader-read usage, and every
// declared sampler bound; a draw that misses one is refused (a validation error). The
// shading-language accessors report a read of an index the entry did not declare, so the
// declarations cannot drift from the code.
struct ShaderFunctionEntry
{
  std::string name;
  FunctionType type = FunctionType::Vertex;
  VertexFunctionPtr vertex = nullptr;
  FragmentFunctionPtr fragment = nullptr;
  int varyingCount = 0; // vertex functions: varyings written; fragment functions: varyings read
  std::vector<BufferArgumentDeclaration> buffers = {};
  std::vector<int> textures = {};
  std::vector<int> samplers = {};

  bool DeclaresBuffer(int index) const;
  bool DeclaresTexture(int index) const;
  bool DeclaresSampler(int index) const;
};

// Makes the functions' code known under a library name; a later registration of the same name
// replaces the earlier one. Entries live until the process ends.
void RegisterShaderLibrary(const std::string& libraryName, const std::vector<ShaderFunctionEntry>& functions);

// The blob that names a registered library's functions (for Device::NewLibrary).
std::vector<uint8_t> EncodeLibraryBlob(const std::string& libraryName,
                                       const std::vector<ShaderFunctionEntry>& functions);

// Texture sampling for fragment functions, as Metal's sample() does for 2D textures: normalised
// coordinates, texel centres at +0.5, the sampler's filters and address modes. R8 reads as
// (r, 0, 0, 1) and BGRA8 as (r, g, b, a). Bilinear weights are kept to 1/256 texel, as filtering
// hardware does. The level of detail comes from the coordinates' change per pixel (SampleGrad,
// SampleSpan); Sample uses level 0. Without a texture or sampler the result is (0, 0, 0, 1).
Float4 Sample(const TextureBinding& binding, float u, float v);
Float4 SampleGrad(const TextureBinding& binding, float u, float v, float dudx, float dvdx, float dudy,
                  float dvdy);
// count samples along a span: at (u + i dudx, v + i dvdx) for i = 0 .. count - 1.
void SampleSpan(const TextureBinding& binding, float u, float v, float dudx, float dvdx, float dudy, float dvdy,
                int count, Float4* out);

} // namespace standin::mtl
