#include "product/dsp/IntegerSine.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vellicor {

namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

// Fixed point throughout: a value v is held as the integer v 2^k for the k named with it.

// 1/(2 pi) in binary: word 0 holds the bits of weight 2^-1 .. 2^-64, word 1 the next 64, ...
constexpr u64 kInvTwoPi[3] = {0x28be60db9391054a, 0x7f09d5f47d4d3770, 0x36d8a5664f10e410};
// 2 pi, k = 125 (rounded).
constexpr u128 kTwoPi = (static_cast<u128>(0xc90fdaa22168c234) << 64) | 0xc4c6628b80dc1cd1;

// Whole numbers up to 2^(52 + kMaxShift) are reduced (the window below reaches far enough).
constexpr int kMaxShift = 64;
// Table points per turn; the table holds the first quarter turn.
constexpr int kSteps = 256;
constexpr int kQuarter = kSteps / 4;

// floor(a b / 2^shift), 0 < shift < 256, for results that fit 128 bits.
constexpr u128 MulShift(u128 a, u128 b, int shift)
{
  const u128 a0 = static_cast<u64>(a), a1 = a >> 64;
  const u128 b0 = static_cast<u64>(b), b1 = b >> 64;
  const u128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const u128 mid = (p00 >> 64) + static_cast<u64>(p01) + static_cast<u64>(p10);
  const u128 hi = p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
  const u128 lo = (mid << 64) | static_cast<u64>(p00);
  if (shift >= 128)
    return hi >> (shift - 128);
  return (hi << (128 - shift)) | (lo >> shift);
}

// The 128 bits of 1/(2 pi) from weight 2^-(e+1) on, for e = 0 .. kMaxShift.
struct Window
{
  u64 w[kMaxShift + 1][2];
};

constexpr Window MakeWindow()
{
  Window window{};
  for (int e = 0; e <= kMaxShift; ++e)
  {
    const int word = e / 64, shift = e % 64;
    for (int i = 0; i < 2; ++i)
      window.w[e][i] = shift ? (kInvTwoPi[word + i] << shift) | (kInvTwoPi[word + i + 1] >> (64 - shift))
                             : kInvTwoPi[word + i];
  }
  return window;
}

constexpr Window kWindow = MakeWindow();

// sin(2 pi j / kSteps) for j = 0 .. kQuarter, k = 126, by its series at compile time (within
// about 2^-121).
struct SineTable
{
  u128 v[kQuarter + 1];
};

constexpr SineTable MakeSineTable()
{
  SineTable table{};
  for (int j = 0; j <= kQuarter; ++j)
  {
    const u128 a = MulShift(kTwoPi, static_cast<u128>(j), 7); // 2 pi j / 256, k = 126
    const u128 a2 = MulShift(a, a, 126);
    u128 term = a;
    i128 sum = static_cast<i128>(a);
    for (int n = 1; term != 0; ++n)
    {
      term = MulShift(term, a2, 126) / static_cast<u128>((2 * n) * (2 * n + 1));
      sum += (n % 2) ? -static_cast<i128>(term) : static_cast<i128>(term);
    }
    table.v[j] = static_cast<u128>(sum);
  }
  return table;
}

constexpr SineTable kSine = MakeSineTable();

// x = +-m 2^e, a whole number within reach of the window.
struct Argument
{
  u64 m;
  int e;
  bool negative;
};

bool Split(double x, Argument& a)
{
  u64 bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0 || biased == 0x7ff)
    return false; // zero, subnormal, infinite or NaN
  a.m = (bits & ((u64{1} << 52) - 1)) | (u64{1} << 52);
  a.e = biased - 1075;
  a.negative = (bits >> 63) != 0;
  if (a.e < 0)
  {
    if (a.e < -52 || (a.m & ((u64{1} << -a.e) - 1)) != 0)
      return false; // not a whole number
    a.m >>= -a.e;
    a.e = 0;
  }
  return a.e <= kMaxShift;
}

// Where x lies on the circle: x = 2 pi (n + idx / kSteps + u) for a whole n and |u| <= 1/512,
// so that sin x = P cos t + Q sin t with t = 2 pi |u|.
struct Position
{
  u128 p, q; // |P| and |Q|, k = 126
  bool pNegative, qNegative;
  u128 u; // |u|, k = 128
};

// x / (2 pi) = m 2^e / (2 pi): the whole turns in it do not matter, so m times the bits of
// 1/(2 pi) from weight 2^-(e+1) on gives the fraction of a turn, k = 128, at most 2^-75 short.
Position Locate(const Argument& a)
{
  const u64* w = kWindow.w[a.e];
  const u128 turn = (static_cast<u128>(static_cast<u64>(static_cast<u128>(a.m) * w[0])) << 64) +
                    static_cast<u128>(a.m) * w[1]; // mod 1

  // The nearest table point idx / kSteps and the remainder.
  const int idx = static_cast<int>(((turn + (u128{1} << 119)) >> 120) & (kSteps - 1));
  const i128 u = static_cast<i128>(turn - (static_cast<u128>(idx) << 120));

  // sin(quadrant pi/2 + b + t) with b = 2 pi j / kSteps; cos b is the table read backwards.
  Position pos;
  const int j = idx % kQuarter;
  const u128 s = kSine.v[j], c = kSine.v[kQuarter - j];
  bool pNegative = false, qNegative = false;
  switch (idx / kQuarter)
  {
    case 0: pos.p = s; pos.q = c; break;                               //  sin(b + t)
    case 1: pos.p = c; pos.q = s; qNegative = true; break;             //  cos(b + t)
    case 2: pos.p = s; pos.q = c; pNegative = qNegative = true; break; // -sin(b + t)
    default: pos.p = c; pos.q = s; pNegative = true; break;            // -cos(b + t)
  }
  pos.pNegative = pNegative != a.negative;               // sin(-x) = -sin x
  pos.qNegative = (qNegative != a.negative) != (u < 0); // sin(-t) = -sin t
  pos.u = u < 0 ? -static_cast<u128>(u) : static_cast<u128>(u);
  return pos;
}

i128 Signed(u128 v, bool negative)
{
  return negative ? -static_cast<i128>(v) : static_cast<i128>(v);
}

// 2 pi, k = 61 (rounded).
constexpr u64 kTwoPi61 = static_cast<u64>((kTwoPi + (u128{1} << 63)) >> 64);

// P cos t + Q sin t, k = 126, within 2^-67.9: P, P t^2 / 2 and Q t in 64-bit fixed point
// (t itself within 2^-68.7), the rest of both series (below 2^-21.5) in doubles.
constexpr int kFastErrorBits = 66;
// The library's sine is taken to be within 1/2 + 1/16 of a unit in the last place (glibc's
// stays within 0.516 on these arguments).
constexpr int kLibraryMarginBits = 4;

i128 FastSum(const Argument& a)
{
  const Position pos = Locate(a);
  // |u| <= 2^-9 turn, so u >> 55 fits 64 bits but for |u| exactly 2^-9.
  const u128 u73 = pos.u >> 55;
  const u64 t70 = static_cast<u64>((static_cast<u128>(u73 > ~u64{0} ? ~u64{0} : static_cast<u64>(u73)) * kTwoPi61) >> 64);
  const u64 tSquared74 = static_cast<u64>((static_cast<u128>(t70) * t70) >> 66);
  const u128 pHalfT2 = (static_cast<u128>(static_cast<u64>(pos.p >> 64)) * tSquared74) >> 11;
  const u128 qt = (static_cast<u128>(static_cast<u64>(pos.q >> 63)) * t70) >> 7;

  const double t = static_cast<double>(t70) * 0x1p-70;
  const double t2 = t * t;
  // t^4/24 - t^6/720 + t^8/40320 and t^3/6 - t^5/120 + t^7/5040.
  const double cosRest = t2 * t2 * (1.0 / 24.0 - t2 * (1.0 / 720.0 - t2 * (1.0 / 40320.0)));
  const double sinRest = t * t2 * (1.0 / 6.0 - t2 * (1.0 / 120.0 - t2 * (1.0 / 5040.0)));
  const double p = static_cast<double>(static_cast<u64>(pos.p >> 64)) * 0x1p-62;
  const double q = static_cast<double>(static_cast<u64>(pos.q >> 64)) * 0x1p-62;
  const double rest = (pos.pNegative ? -p : p) * cosRest - (pos.qNegative ? -q : q) * sinRest;

  return Signed(pos.p - pHalfT2, pos.pNegative) + Signed(qt, pos.qNegative) +
         static_cast<i128>(static_cast<std::int64_t>(rest * 0x1p84)) * (i128{1} << 42);
}

int LeadingZeros(u128 v)
{
  const u64 hi = static_cast<u64>(v >> 64);
  return hi ? __builtin_clzll(hi) : 64 + __builtin_clzll(static_cast<u64>(v));
}

// The double nearest to sum (k = 126, within 2^-kFastErrorBits of the true sine), when the
// true sine is clearly nearer to it than to any other double: farther than kLibraryMargin
// from the middle between two doubles. Then every sine accurate to within half a unit in the
// last place plus that margin returns this very double, the library's included. False when
// it cannot tell.
inline bool RoundClear(i128 sum, double& out)
{
  const bool negative = sum < 0;
  const u128 a = negative ? -static_cast<u128>(sum) : static_cast<u128>(sum);
  if (a == 0)
    return false;
  const int zeros = LeadingZeros(a);
  // The error bound in units of the last bit of n below; a bound near half a unit of the
  // result (|sum| below 2^-13) gives up.
  const int boundShift = 126 - kFastErrorBits + zeros;
  if (boundShift >= 71)
    return false;
  const u128 n = a << zeros; // top bit at 127: 53 bits of mantissa, 75 below
  u64 mantissa = static_cast<u64>(n >> 75);
  const u128 below = n & ((u128{1} << 75) - 1);
  const u128 halfway = u128{1} << 74;
  const u128 distance = below > halfway ? below - halfway : halfway - below;
  if (distance <= (u128{1} << (75 - kLibraryMarginBits)) + (u128{1} << boundShift))
    return false;
  // |sum| 2^-126 = mantissa 2^(-51 - zeros) = (mantissa / 2^52) 2^(1 - zeros).
  u64 exponent = static_cast<u64>(1024 - zeros);
  if (below > halfway && ++mantissa == (u64{1} << 53))
  {
    mantissa >>= 1;
    ++exponent;
  }
  // A power of two has its lower neighbour at half the distance: leave it to the library.
  if (mantissa == (u64{1} << 52))
    return false;
  const u64 bits = (static_cast<u64>(negative) << 63) | (exponent << 52) | (mantissa & ((u64{1} << 52) - 1));
  std::memcpy(&out, &bits, sizeof out);
  return true;
}

} // namespace

double IntegerSine(double x)
{
  Argument a;
  double y;
  if (Split(x, a) && RoundClear(FastSum(a), y))
    return y;
  return std::sin(x);
}

} // namespace vellicor
