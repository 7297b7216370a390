#pragma once
#include "standin/metal/Sampling.h"
#include "standin/metal/Shader.h"

#include <pthread.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

// The part of the Metal shading language that our shader sources use, in C++, so that one
// source compiles for the GPU and for the stand-in's rasteriser. A source includes this header
// only when __METAL_VERSION__ is not defined (on a Mac the platform's own library applies) and
// then says `using namespace metal;` in either case. Include it after every other header: its
// qualifier macros would rewrite what follows.
//
// The subset: scalar float and int; float2, float3 and float4 with component access (x y z w,
// r g b a), the read swizzles xy, zw, xyz and rgb, arithmetic with vectors and scalars; the
// functions abs, min, max, clamp, saturate, sqrt, length; texture2d<float> with
// sample(sampler, float2); discard_fragment(). Address-space and function qualifiers (device,
// constant, thread, vertex, fragment) are macros: constant reads as const, the others as
// nothing. Attributes ([[stage_in]], [[buffer(n)]], [[position]], ...) are left to the C++
// compiler, which ignores them (the translation unit is built with -Wno-attributes). No double,
// recursion, function pointers, std:: or exceptions in a shader source.
//
// Sampling reads mip level 0: a C++ function cannot see the derivatives of its coordinates, so
// the level of detail that the GPU takes from them is not modelled.
//
// The stage interface: a function's [[stage_in]] structure is filled from the stand-in's
// attributes (vertex) or varyings (fragment) by the source's C++ entry points, with the helpers
// at the end of this header. A vertex function's output structure starts with its float4
// [[position]] and holds only float vectors after it: those are the varyings, interpolated in
// order, and the fragment function's [[stage_in]] structure has the same layout.

#define device
#define constant const
#define thread
#define vertex
#define fragment

namespace standin::msl {

// Four floats' storage shared by a vector and its swizzles.
template <class V, int kN, int kA, int kB>
struct Swizzle2
{
  float c[kN];
  operator V() const { return V(c[kA], c[kB]); }
};

template <class V, int kN, int kA, int kB, int kC>
struct Swizzle3
{
  float c[kN];
  operator V() const { return V(c[kA], c[kB], c[kC]); }
};

struct alignas(8) float2
{
  union
  {
    struct
    {
      float x, y;
    };
    struct
    {
      float r, g;
    };
  };
  float2() = default;
  explicit float2(float s) : x(s), y(s) {}
  float2(float a, float b) : x(a), y(b) {}
};

struct alignas(16) float3
{
  union
  {
    struct
    {
      float x, y, z;
    };
    struct
    {
      float r, g, b;
    };
    Swizzle2<float2, 3, 0, 1> xy;
  };
  float3() = default;
  explicit float3(float s) : x(s), y(s), z(s) {}
  float3(float a, float b_, float c) : x(a), y(b_), z(c) {}
  float3(float2 v, float c) : x(v.x), y(v.y), z(c) {}
};

struct alignas(16) float4
{
  union
  {
    struct
    {
      float x, y, z, w;
    };
    struct
    {
      float r, g, b, a;
    };
    Swizzle2<float2, 4, 0, 1> xy;
    Swizzle2<float2, 4, 2, 3> zw;
    Swizzle3<float3, 4, 0, 1, 2> xyz;
    Swizzle3<float3, 4, 0, 1, 2> rgb;
  };
  float4() = default;
  explicit float4(float s) : x(s), y(s), z(s), w(s) {}
  float4(float a_, float b_, float c, float d) : x(a_), y(b_), z(c), w(d) {}
  float4(float2 v, float c, float d) : x(v.x), y(v.y), z(c), w(d) {}
  float4(float2 v, float2 u) : x(v.x), y(v.y), z(u.x), w(u.y) {}
  float4(float3 v, float d) : x(v.x), y(v.y), z(v.z), w(d) {}
};

static_assert(sizeof(float2) == 8 && sizeof(float3) == 16 && sizeof(float4) == 16, "vector sizes as in Metal");
static_assert(std::is_trivially_copyable<float4>::value, "vectors are plain data");

// Component-wise arithmetic: vector with vector, vector with scalar, scalar with vector.
#define STANDIN_MSL_VECTOR_OPERATORS(V, APPLY)                                                      \
  inline V operator+(V a, V b) { return APPLY(a, +, b); }                                          \
  inline V operator-(V a, V b) { return APPLY(a, -, b); }                                          \
  inline V operator*(V a, V b) { return APPLY(a, *, b); }                                          \
  inline V operator/(V a, V b) { return APPLY(a, /, b); }                                          \
  inline V operator+(V a, float s) { return a + V(s); }                                            \
  inline V operator-(V a, float s) { return a - V(s); }                                            \
  inline V operator*(V a, float s) { return a * V(s); }                                            \
  inline V operator/(V a, float s) { return a / V(s); }                                            \
  inline V operator+(float s, V a) { return V(s) + a; }                                            \
  inline V operator-(float s, V a) { return V(s) - a; }                                            \
  inline V operator*(float s, V a) { return V(s) * a; }                                            \
  inline V operator/(float s, V a) { return V(s) / a; }                                            \
  inline V operator-(V a) { return V(0.0f) - a; }                                                  \
  inline V& operator+=(V& a, V b) { return a = a + b; }                                            \
  inline V& operator-=(V& a, V b) { return a = a - b; }                                            \
  inline V& operator*=(V& a, V b) { return a = a * b; }                                            \
  inline V& operator*=(V& a, float s) { return a = a * s; }

#define STANDIN_MSL_APPLY2(a, op, b) float2(a.x op b.x, a.y op b.y)
#define STANDIN_MSL_APPLY3(a, op, b) float3(a.x op b.x, a.y op b.y, a.z op b.z)
#define STANDIN_MSL_APPLY4(a, op, b) float4(a.x op b.x, a.y op b.y, a.z op b.z, a.w op b.w)
STANDIN_MSL_VECTOR_OPERATORS(float2, STANDIN_MSL_APPLY2)
STANDIN_MSL_VECTOR_OPERATORS(float3, STANDIN_MSL_APPLY3)
STANDIN_MSL_VECTOR_OPERATORS(float4, STANDIN_MSL_APPLY4)
#undef STANDIN_MSL_APPLY2
#undef STANDIN_MSL_APPLY3
#undef STANDIN_MSL_APPLY4
#undef STANDIN_MSL_VECTOR_OPERATORS

// Scalar functions. abs and sqrt are the C++ library's float overloads (the same functions
// whichever namespace a call finds them in); min and max keep the first argument unless the
// second compares strictly past it; saturate and clamp give 0 for NaN.
using std::abs;
using std::sqrt;
inline float min(float a, float b) { return b < a ? b : a; }
inline float max(float a, float b) { return a < b ? b : a; }
inline float saturate(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }
inline float clamp(float x, float lo, float hi) { return x > lo ? (x < hi ? x : hi) : lo; }

// The same, component-wise.
inline float2 abs(float2 v) { return float2(abs(v.x), abs(v.y)); }
inline float2 min(float2 a, float2 b) { return float2(min(a.x, b.x), min(a.y, b.y)); }
inline float2 max(float2 a, float2 b) { return float2(max(a.x, b.x), max(a.y, b.y)); }
inline float2 saturate(float2 v) { return float2(saturate(v.x), saturate(v.y)); }
inline float length(float2 v) { return sqrt(v.x * v.x + v.y * v.y); }

// A sampler holds a copy of its state's descriptor: a shader's locals, which the pixels it
// writes cannot alias.
struct sampler
{
  bool bound = false;
  mtl::SamplerDescriptor descriptor;
};

template <class T>
struct texture2d;

template <>
struct texture2d<float>
{
  const mtl::Texture* texture = nullptr;
  mtl::detail::LevelView level0; // read under the storage lock the rasteriser holds

  texture2d() = default;
  explicit texture2d(const mtl::Texture* t) : texture(t)
  {
    if (t)
      level0 = mtl::detail::LevelView(*t, 0);
  }

  // Mip level 0 at normalised coordinates, filtered and addressed as the sampler says; (0, 0, 0,
  // 1) without a texture or sampler.
  float4 sample(sampler s, float2 coord) const
  {
    if (!texture || !s.bound)
      return float4(0.0f, 0.0f, 0.0f, 1.0f);
    const mtl::Float4 t = mtl::detail::SampleLevel0(level0, s.descriptor, coord.x, coord.y);
    return float4(t.x, t.y, t.z, t.w);
  }
};

namespace detail {
// Where discard_fragment() marks the fragment being shaded on the calling thread, set by
// ShadeSpan for the span's duration. A pthread key rather than a thread_local: the rasteriser's
// threads outlive a bundle that is unloaded, and a thread_local's storage would go with it.
class DiscardTarget
{
public:
  explicit DiscardTarget(bool* flag) : mPrevious(pthread_getspecific(Key())) { pthread_setspecific(Key(), flag); }
  ~DiscardTarget() { pthread_setspecific(Key(), mPrevious); }
  DiscardTarget(const DiscardTarget&) = delete;
  DiscardTarget& operator=(const DiscardTarget&) = delete;

  static void Mark()
  {
    if (void* flag = pthread_getspecific(Key()))
      *static_cast<bool*>(flag) = true;
  }

private:
  struct KeyHolder
  {
    pthread_key_t key;
    KeyHolder() { pthread_key_create(&key, nullptr); }
    ~KeyHolder() { pthread_key_delete(key); }
  };
  static pthread_key_t Key()
  {
    static const KeyHolder holder;
    return holder.key;
  }

  void* mPrevious;
};
} // namespace detail

// Marks the fragment being shaded as discarded; its function still returns (write `return`
// after it, as the GPU's early exit).
inline void discard_fragment() { detail::DiscardTarget::Mark(); }

// ---------------------------------------------------------------------------------------------
// Entry-point helpers, for the C++ side of a source only.

namespace detail {
// A read of an argument the running function did not declare: reported on the device.
inline bool Undeclared(const mtl::StageResources& resources, bool declared, const char* kind, int index)
{
  if (declared || !resources.function)
    return false;
  if (resources.validator)
    resources.validator->ReportValidationError(resources.function->name + " reads " + kind + " " +
                                            std::to_string(index) + ", which it does not declare");
  return true;
}
} // namespace detail

// A buffer argument: the bytes bound at the argument's index as T, or a zeroed T when nothing
// long enough is bound or the function does not declare the index.
template <class T>
const T& BufferArgument(const mtl::StageResources& resources, int index)
{
  static const T zero{};
  if (detail::Undeclared(resources, !resources.function || resources.function->DeclaresBuffer(index), "buffer", index))
    return zero;
  const T* bound = resources.buffers[index].template At<T>();
  return bound ? *bound : zero;
}

inline texture2d<float> TextureArgument(const mtl::StageResources& resources, int index)
{
  if (detail::Undeclared(resources, !resources.function || resources.function->DeclaresTexture(index), "texture", index))
    return texture2d<float>();
  return texture2d<float>(resources.textures[index].texture);
}

inline sampler SamplerArgument(const mtl::StageResources& resources, int index)
{
  sampler s;
  if (detail::Undeclared(resources, !resources.function || resources.function->DeclaresSampler(index), "sampler", index))
    return s;
  if (const mtl::SamplerState* state = resources.textures[index].sampler)
  {
    s.bound = true;
    s.descriptor = state->Descriptor();
  }
  return s;
}

// The varyings of a stage structure (see the top of this header).
template <class Stage>
constexpr int VaryingCount()
{
  static_assert(std::is_trivially_copyable<Stage>::value && sizeof(Stage) % sizeof(float) == 0,
                "a stage structure holds float vectors only");
  static_assert(int(sizeof(Stage) / sizeof(float)) - 4 <= mtl::kMaxVaryings, "too many varyings");
  return int(sizeof(Stage) / sizeof(float)) - 4;
}

template <class Stage>
void StoreVertexOutput(const Stage& stage, mtl::VertexOut& out)
{
  float values[sizeof(Stage) / sizeof(float)];
  std::memcpy(values, &stage, sizeof(Stage));
  std::memcpy(out.position, values, 4 * sizeof(float));
  std::memcpy(out.varyings, values + 4, sizeof(Stage) - 4 * sizeof(float));
}

// Calls shade(Stage) for each pixel of a span: the position holds the pixel's centre in window
// coordinates (z 0, w 1), the varyings their values there. shade returns the pixel's colour.
template <class Stage, class Shade>
inline void ShadeSpan(const mtl::FragmentSpan& span, const mtl::FragmentOut& out, Shade&& shade)
{
  constexpr int kVaryings = VaryingCount<Stage>();
  // Copies, so that the compiler knows the outputs written per pixel do not change them.
  float start[kVaryings + 1], step[kVaryings + 1];
  std::memcpy(start, span.varyings, sizeof(float) * kVaryings);
  std::memcpy(step, span.ddx, sizeof(float) * kVaryings);
  mtl::Float4* colors = out.color;
  uint8_t* discards = out.discard;
  bool discarded = false;
  const detail::DiscardTarget discardTarget(&discarded);
  float values[4 + kVaryings];
  values[1] = float(span.y) + 0.5f;
  values[2] = 0.0f;
  values[3] = 1.0f;
  for (int i = 0; i < span.count; i++)
  {
    const float fi = float(i);
    values[0] = float(span.x + i) + 0.5f;
    for (int k = 0; k < kVaryings; k++)
      values[4 + k] = start[k] + step[k] * fi;
    Stage stage;
    std::memcpy(&stage, values, sizeof(Stage));
    const float4 color = shade(stage);
    colors[i] = mtl::Float4{color.x, color.y, color.z, color.w};
    discards[i] = discarded ? 1 : 0;
    discarded = false;
  }
}

} // namespace standin::msl

namespace metal = standin::msl;
