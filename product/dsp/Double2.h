#pragma once
// Two doubles worked on together. The engine runs its two channels in lock step: lane 0
// carries channel 0 and lane 1 channel 1. Every operation is, lane by lane, exactly the IEEE
// operation the scalar code performs (same operands, same order), so a chain written on
// Double2 gives the very samples of the same chain written on double, to the bit.
//
// The helpers below (Abs, Min, Max, Clamp, Select, Fma, Lane, ...) exist for double as well,
// so the building blocks are written once as templates over the sample type: double for one
// channel, Double2 for a pair.
//
// On x86-64 this is SSE2 (every x86-64 processor has it); elsewhere, or with
// VELLICOR_PORTABLE_DOUBLE2 defined for the whole build, a plain pair.
#include <algorithm>
#include <cmath>

#if (defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64)) && !defined(VELLICOR_PORTABLE_DOUBLE2)
#include <emmintrin.h>
#define VELLICOR_DOUBLE2_SSE2 1
#endif

namespace vellicor {

#if defined(VELLICOR_DOUBLE2_SSE2)

// The result of a lane-wise comparison: all bits set in a lane where it holds.
struct Mask2
{
  __m128d m;
  bool Any() const { return _mm_movemask_pd(m) != 0; }
};

inline Mask2 operator|(Mask2 a, Mask2 b) { return {_mm_or_pd(a.m, b.m)}; }
inline Mask2 LaneMask(bool lane0, bool lane1)
{
  return {_mm_castsi128_pd(_mm_set_epi64x(lane1 ? -1 : 0, lane0 ? -1 : 0))};
}

struct Double2
{
  __m128d v;

  Double2() = default;
  Double2(__m128d value) : v(value) {}
  // A scalar stands for the same value in both lanes, so constants mix freely in expressions.
  Double2(double both) : v(_mm_set1_pd(both)) {}
  Double2(double lane0, double lane1) : v(_mm_setr_pd(lane0, lane1)) {}

  // Two consecutive doubles (no alignment needed) as lanes 0 and 1, and back.
  static Double2 Load(const double* p) { return _mm_loadu_pd(p); }
  void Store(double* p) const { _mm_storeu_pd(p, v); }

  double Lane0() const { return _mm_cvtsd_f64(v); }
  double Lane1() const { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
  double operator[](int i) const { return i == 0 ? Lane0() : Lane1(); }

  Double2& operator+=(Double2 b) { v = _mm_add_pd(v, b.v); return *this; }
  Double2& operator-=(Double2 b) { v = _mm_sub_pd(v, b.v); return *this; }
  Double2& operator*=(Double2 b) { v = _mm_mul_pd(v, b.v); return *this; }
};

inline Double2 operator+(Double2 a, Double2 b) { return _mm_add_pd(a.v, b.v); }
inline Double2 operator-(Double2 a, Double2 b) { return _mm_sub_pd(a.v, b.v); }
inline Double2 operator*(Double2 a, Double2 b) { return _mm_mul_pd(a.v, b.v); }
inline Double2 operator/(Double2 a, Double2 b) { return _mm_div_pd(a.v, b.v); }
inline Double2 operator-(Double2 a) { return _mm_xor_pd(a.v, _mm_set1_pd(-0.0)); }

inline Mask2 operator<(Double2 a, Double2 b) { return {_mm_cmplt_pd(a.v, b.v)}; }
inline Mask2 operator<=(Double2 a, Double2 b) { return {_mm_cmple_pd(a.v, b.v)}; }
inline Mask2 operator>(Double2 a, Double2 b) { return {_mm_cmpgt_pd(a.v, b.v)}; }
inline Mask2 operator>=(Double2 a, Double2 b) { return {_mm_cmpge_pd(a.v, b.v)}; }

// Lane-wise `mask ? a : b`.
inline Double2 Select(Mask2 mask, Double2 a, Double2 b)
{
  return _mm_or_pd(_mm_and_pd(mask.m, a.v), _mm_andnot_pd(mask.m, b.v));
}

inline Double2 Abs(Double2 a) { return _mm_andnot_pd(_mm_set1_pd(-0.0), a.v); }
// std::min(a, b) is (b < a) ? b : a and minpd(x, y) is (x < y) ? x : y: same lanes, NaN too.
inline Double2 Min(Double2 a, Double2 b) { return _mm_min_pd(b.v, a.v); }
// std::max(a, b) is (a < b) ? b : a and maxpd(x, y) is (x > y) ? x : y.
inline Double2 Max(Double2 a, Double2 b) { return _mm_max_pd(b.v, a.v); }

#else // portable pair

struct Mask2
{
  bool m[2];
  bool Any() const { return m[0] || m[1]; }
};

inline Mask2 operator|(Mask2 a, Mask2 b) { return {{a.m[0] || b.m[0], a.m[1] || b.m[1]}}; }
inline Mask2 LaneMask(bool lane0, bool lane1) { return {{lane0, lane1}}; }

struct Double2
{
  double v[2];

  Double2() = default;
  Double2(double both) : v{both, both} {}
  Double2(double lane0, double lane1) : v{lane0, lane1} {}

  static Double2 Load(const double* p) { return {p[0], p[1]}; }
  void Store(double* p) const { p[0] = v[0]; p[1] = v[1]; }

  double Lane0() const { return v[0]; }
  double Lane1() const { return v[1]; }
  double operator[](int i) const { return v[i]; }

  Double2& operator+=(Double2 b) { v[0] += b.v[0]; v[1] += b.v[1]; return *this; }
  Double2& operator-=(Double2 b) { v[0] -= b.v[0]; v[1] -= b.v[1]; return *this; }
  Double2& operator*=(Double2 b) { v[0] *= b.v[0]; v[1] *= b.v[1]; return *this; }
};

inline Double2 operator+(Double2 a, Double2 b) { return {a.v[0] + b.v[0], a.v[1] + b.v[1]}; }
inline Double2 operator-(Double2 a, Double2 b) { return {a.v[0] - b.v[0], a.v[1] - b.v[1]}; }
inline Double2 operator*(Double2 a, Double2 b) { return {a.v[0] * b.v[0], a.v[1] * b.v[1]}; }
inline Double2 operator/(Double2 a, Double2 b) { return {a.v[0] / b.v[0], a.v[1] / b.v[1]}; }
inline Double2 operator-(Double2 a) { return {-a.v[0], -a.v[1]}; }

inline Mask2 operator<(Double2 a, Double2 b) { return {{a.v[0] < b.v[0], a.v[1] < b.v[1]}}; }
inline Mask2 operator<=(Double2 a, Double2 b) { return {{a.v[0] <= b.v[0], a.v[1] <= b.v[1]}}; }
inline Mask2 operator>(Double2 a, Double2 b) { return {{a.v[0] > b.v[0], a.v[1] > b.v[1]}}; }
inline Mask2 operator>=(Double2 a, Double2 b) { return {{a.v[0] >= b.v[0], a.v[1] >= b.v[1]}}; }

inline Double2 Select(Mask2 mask, Double2 a, Double2 b)
{
  return {mask.m[0] ? a.v[0] : b.v[0], mask.m[1] ? a.v[1] : b.v[1]};
}

inline Double2 Abs(Double2 a) { return {std::fabs(a.v[0]), std::fabs(a.v[1])}; }
inline Double2 Min(Double2 a, Double2 b) { return {std::min(a.v[0], b.v[0]), std::min(a.v[1], b.v[1])}; }
inline Double2 Max(Double2 a, Double2 b) { return {std::max(a.v[0], b.v[0]), std::max(a.v[1], b.v[1])}; }

#endif

// std::clamp(v, lo, hi): (v < lo) ? lo : (hi < v) ? hi : v, lane by lane.
inline Double2 Clamp(Double2 v, Double2 lo, Double2 hi)
{
  return Min(Max(v, lo), hi);
}

// Fused multiply-add a * b + c with a single rounding, lane by lane.
inline Double2 Fma(Double2 a, Double2 b, Double2 c)
{
#if defined(VELLICOR_DOUBLE2_SSE2) && defined(__FMA__)
  return _mm_fmadd_pd(a.v, b.v, c.v);
#else
  return {std::fma(a.Lane0(), b.Lane0(), c.Lane0()), std::fma(a.Lane1(), b.Lane1(), c.Lane1())};
#endif
}

// The same helpers for one channel, so templates over the sample type read alike.
inline bool Any(bool m) { return m; }
inline bool Any(Mask2 m) { return m.Any(); }
inline double Select(bool mask, double a, double b) { return mask ? a : b; }
inline double Abs(double a) { return std::fabs(a); }
inline double Min(double a, double b) { return std::min(a, b); }
inline double Max(double a, double b) { return std::max(a, b); }
inline double Clamp(double v, double lo, double hi) { return std::clamp(v, lo, hi); }
inline double Fma(double a, double b, double c) { return std::fma(a, b, c); }

// Lane access and lane count, for the few steps that run lane by lane.
template <typename V>
inline constexpr int kLanes = 1;
template <>
inline constexpr int kLanes<Double2> = 2;

inline double Lane(double v, int) { return v; }
inline double Lane(Double2 v, int i) { return v[i]; }

// kLanes<V> consecutive doubles as one V, and back.
template <typename V>
inline V LoadLanes(const double* p)
{
  if constexpr (kLanes<V> == 1)
    return *p;
  else
    return V::Load(p);
}
inline void StoreLanes(double* p, double v) { *p = v; }
inline void StoreLanes(double* p, Double2 v) { v.Store(p); }

} // namespace vellicor
