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
// about 2^-121), below 1.
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
    // Kept below 1 so that the top bits fit a signed 64-bit word (2^-126 at most).
    table.v[j] = static_cast<u128>(sum) < (u128{1} << 126) ? static_cast<u128>(sum) : (u128{1} << 126) - 1;
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

// Conditional negation without a branch: the signs below are as good as random.
inline i128 Negated(i128 v, bool negative)
{
  const i128 mask = -static_cast<i128>(negative);
  return (v ^ mask) - mask;
}

// 2 pi, k = 60 (rounded).
constexpr std::int64_t kTwoPi60 = static_cast<std::int64_t>((kTwoPi + (u128{1} << 64)) >> 65);

// P cos t + Q sin t, k = 126, within 2^-67.2 of sin x; kFastErrorBits leaves a factor 2.
constexpr int kFastErrorBits = 66;
// The library's sine is taken to be within 1/2 + 1/16 of a unit in the last place (glibc's
// stays within 0.516 on these arguments).
constexpr int kLibraryMarginBits = 4;

// sin x, k = 126. x / (2 pi) = m 2^e / (2 pi): the whole turns in it do not matter, so m times
// the bits of 1/(2 pi) from weight 2^-(e+1) on gives the fraction of a turn (k = 128, at most
// 2^-75 short). With the nearest table point idx / 256 and the rest u (|u| <= 1/512 turn),
// sin x = P cos t + Q sin t for t = 2 pi u, where P and Q are sin b and cos b of b = 2 pi j/256,
// swapped and negated by the quarter turn and the sign of x. P, P t^2 / 2 and Q t are taken in
// fixed point, the rest of both series (below 2^-21.5) in doubles.
i128 FastSum(const Argument& a)
{
  const u64* w = kWindow.w[a.e];
  const u128 turn = (static_cast<u128>(a.m * w[0]) << 64) + static_cast<u128>(a.m) * w[1]; // mod 1
  const u64 idx = static_cast<u64>((turn + (u128{1} << 119)) >> 120) & (kSteps - 1);
  const i128 u = static_cast<i128>(turn - (static_cast<u128>(idx) << 120)); // [-2^119, 2^119)

  // sin(quarter pi/2 + b + t): quarters 1 and 3 read the table backwards (cos b = sin of the
  // complement), quarters 2 and 3 negate, and so does a negative x.
  const u64 quarter = idx / kQuarter, j = idx % kQuarter;
  const u64 odd = quarter & 1;
  const u64 jp = odd ? kQuarter - j : j;
  const i128 p = Negated(static_cast<i128>(kSine.v[jp]), (quarter >= 2) != a.negative);
  const i128 q = Negated(static_cast<i128>(kSine.v[kQuarter - jp]), ((quarter ^ (quarter >> 1)) & 1) != a.negative);

  const std::int64_t u72 = static_cast<std::int64_t>(u >> 56);                         // within 2^-72
  const std::int64_t t69 = static_cast<std::int64_t>((static_cast<i128>(u72) * kTwoPi60) >> 63); // |t| < 2^-6.3
  const std::int64_t p62 = static_cast<std::int64_t>(p >> 64);
  const std::int64_t q63 = static_cast<std::int64_t>(q >> 63);
  const std::int64_t tSquared74 = static_cast<std::int64_t>((static_cast<i128>(t69) * t69) >> 64);
  const i128 pHalfT2 = (static_cast<i128>(p62) * tSquared74) >> 11;
  const i128 qt = (static_cast<i128>(q63) * t69) >> 6;

  const double t = static_cast<double>(t69) * 0x1p-69;
  const double t2 = t * t;
  // t^4/24 - t^6/720 + t^8/40320 and t^3/6 - t^5/120 + t^7/5040.
  const double cosRest = t2 * t2 * (1.0 / 24.0 - t2 * (1.0 / 720.0 - t2 * (1.0 / 40320.0)));
  const double sinRest = t * t2 * (1.0 / 6.0 - t2 * (1.0 / 120.0 - t2 * (1.0 / 5040.0)));
  const double rest = static_cast<double>(p62) * 0x1p-62 * cosRest - static_cast<double>(q63) * 0x1p-63 * sinRest;
  return p - pHalfT2 + qt + static_cast<i128>(static_cast<std::int64_t>(rest * 0x1p84)) * (i128{1} << 42);
}

// The double nearest to sum (k = 126, within 2^-kFastErrorBits of sin x), when sin x is
// clearly nearer to it than to any other double: farther than 2^-kLibraryMarginBits of a unit
// in the last place from the middle between two. Then every sine accurate to within half a
// unit plus that margin returns this very double, the library's included. False when it
// cannot tell.
inline bool RoundClear(i128 sum, double& out)
{
  const bool negative = sum < 0;
  const u128 a = static_cast<u128>(Negated(sum, negative));
  // Below 2^-10 the error bound comes near the margin: leave those to the library.
  const u64 high = static_cast<u64>(a >> 64);
  if (high < (u64{1} << 53))
    return false;
  const int zeros = __builtin_clzll(high);
  const u128 n = a << zeros; // top bit at 127: 53 bits of mantissa, 75 below
  const i128 fromMiddle = static_cast<i128>(n & ((u128{1} << 75) - 1)) - (i128{1} << 74);
  const bool up = fromMiddle > 0;
  // The error bound in units of the last bit of n is 2^(126 - kFastErrorBits + zeros).
  if (static_cast<u128>(Negated(fromMiddle, !up)) <=
      (u128{1} << (75 - kLibraryMarginBits)) + (u128{1} << (126 - kFastErrorBits + zeros)))
    return false;
  const u64 mantissa = static_cast<u64>(n >> 75) + up;
  // A power of two has its lower neighbour at half the distance: leave it to the library.
  const u64 fraction = mantissa & ((u64{1} << 52) - 1);
  if (fraction == 0)
    return false;
  // |sum| 2^-126 = mantissa 2^(-51 - zeros) = (mantissa / 2^52) 2^(1 - zeros).
  const u64 bits = (static_cast<u64>(negative) << 63) | (static_cast<u64>(1024 - zeros) << 52) | fraction;
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
