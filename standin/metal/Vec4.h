#pragma once
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Internal: four floats handled together (SSE2 where there is one), for the per-pixel loops of
// the sampler and the blender: one pixel's channels in RGBA order.
namespace standin::mtl::detail {

#if defined(__SSE2__)
struct Vec4
{
  __m128 v;

  static Vec4 Set(float r, float g, float b, float a) { return {_mm_setr_ps(r, g, b, a)}; }
  static Vec4 Splat(float x) { return {_mm_set1_ps(x)}; }
  static Vec4 Load(const float* p) { return {_mm_loadu_ps(p)}; }
  void Store(float* p) const { _mm_storeu_ps(p, v); }

  // Four bytes as floats 0..255, in memory order.
  static Vec4 FromBytes(const uint8_t* p)
  {
    int32_t word;
    std::memcpy(&word, p, 4);
    const __m128i zero = _mm_setzero_si128();
    __m128i x = _mm_cvtsi32_si128(word);
    x = _mm_unpacklo_epi8(x, zero);
    x = _mm_unpacklo_epi16(x, zero);
    return {_mm_cvtepi32_ps(x)};
  }
  // Clamps to 0..255 (NaN to 0), rounds half up and stores four bytes in memory order.
  void ToBytes(uint8_t* p) const
  {
    __m128 x = _mm_max_ps(v, _mm_setzero_ps()); // NaN gives 0
    x = _mm_min_ps(x, _mm_set1_ps(255.0f));
    __m128i i = _mm_cvttps_epi32(_mm_add_ps(x, _mm_set1_ps(0.5f)));
    i = _mm_packs_epi32(i, i);
    i = _mm_packus_epi16(i, i);
    const int32_t word = _mm_cvtsi128_si32(i);
    std::memcpy(p, &word, 4);
  }
  // Exchanges the first and third channels (RGBA <-> BGRA).
  Vec4 SwapRedBlue() const { return {_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 1, 2))}; }
  float Alpha() const { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3))); }

  Vec4 operator+(const Vec4& o) const { return {_mm_add_ps(v, o.v)}; }
  Vec4 operator-(const Vec4& o) const { return {_mm_sub_ps(v, o.v)}; }
  Vec4 operator*(const Vec4& o) const { return {_mm_mul_ps(v, o.v)}; }
};
#else
struct Vec4
{
  float c[4];

  static Vec4 Set(float r, float g, float b, float a) { return {{r, g, b, a}}; }
  static Vec4 Splat(float x) { return {{x, x, x, x}}; }
  static Vec4 Load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
  void Store(float* p) const { std::memcpy(p, c, sizeof(c)); }
  static Vec4 FromBytes(const uint8_t* p) { return {{float(p[0]), float(p[1]), float(p[2]), float(p[3])}}; }
  void ToBytes(uint8_t* p) const
  {
    for (int k = 0; k < 4; k++)
    {
      float x = c[k] > 0.0f ? c[k] : 0.0f;
      x = x < 255.0f ? x : 255.0f;
      p[k] = uint8_t(int(x + 0.5f));
    }
  }
  Vec4 SwapRedBlue() const { return {{c[2], c[1], c[0], c[3]}}; }
  float Alpha() const { return c[3]; }
  Vec4 operator+(const Vec4& o) const { return {{c[0] + o.c[0], c[1] + o.c[1], c[2] + o.c[2], c[3] + o.c[3]}}; }
  Vec4 operator-(const Vec4& o) const { return {{c[0] - o.c[0], c[1] - o.c[1], c[2] - o.c[2], c[3] - o.c[3]}}; }
  Vec4 operator*(const Vec4& o) const { return {{c[0] * o.c[0], c[1] * o.c[1], c[2] * o.c[2], c[3] * o.c[3]}}; }
};
#endif

} // namespace standin::mtl::detail
