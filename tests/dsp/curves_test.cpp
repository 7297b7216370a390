#include "product/dsp/Chebyshev.h"
#include "product/dsp/ChebyshevBlendShaper.h"
#include "product/dsp/ChebyshevKneeShaper.h"
#include "product/dsp/CubicSoftClip.h"
#include "product/dsp/IntegerSine.h"
#include "product/dsp/NoiseGenerator.h"
#include "product/dsp/SoftLimitShaper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

using namespace vellicor;

TEST(CubicSoftClip, ValuesIncludingTheSignInversionOfLargeInputs)
{
  EXPECT_DOUBLE_EQ(CubicSoftClip(1.0), 0.8518505);
  EXPECT_DOUBLE_EQ(CubicSoftClip(-1.0), -0.8518505);
  EXPECT_EQ(CubicSoftClip(0.0), 0.0);
  EXPECT_NEAR(CubicSoftClip(1.5), 1.0, 1e-4);
  // Beyond the cubic's turning point the clamp sees the folded-back value: large positive
  // inputs give -1 and large negative ones +1. Sessions rely on this sound.
  EXPECT_EQ(CubicSoftClip(3.0), -1.0);
  EXPECT_EQ(CubicSoftClip(-3.0), 1.0);
  EXPECT_EQ(CubicSoftClip(50.0), -1.0);
  EXPECT_NEAR(CubicCurve(3.0), 3.0 - 0.1481495 * 27.0, 1e-15);
}

TEST(Chebyshev, MatchesTheTrigonometricDefinitionAndEdgeOrders)
{
  for (int m = 0; m <= 10; ++m)
    for (double theta : {0.0, 0.3, 1.1, 2.0, 3.0})
      EXPECT_NEAR(ChebyshevT(m, std::cos(theta)), std::cos(m * theta), 1e-12) << m << " " << theta;
  for (int m = 0; m <= 10; ++m)
  {
    EXPECT_EQ(ChebyshevT(m, 1.0), 1.0);
    EXPECT_EQ(ChebyshevT(m, -1.0), m % 2 ? -1.0 : 1.0);
  }
  EXPECT_EQ(ChebyshevT(1, 0.123), 0.123);
  EXPECT_EQ(ChebyshevT(-1, 0.5), 0.0);
  EXPECT_EQ(ChebyshevT(-7, 3.0), 0.0);
  EXPECT_NEAR(ChebyshevT(3, 1.7), 4 * 1.7 * 1.7 * 1.7 - 3 * 1.7, 1e-12);
}

TEST(ChebyshevKneeShaper, KneeShapeAndBoundedOutput)
{
  // a = 0: unchanged up to 1, +-2 from 2 on, a rising knee between.
  for (double x : {0.0, 0.4, -0.99, 1.0, -1.0})
    EXPECT_EQ(ChebyshevKneeShaper<>::Knee(x, 0.0), x);
  for (double x : {2.0, 2.5, 100.0})
  {
    EXPECT_EQ(ChebyshevKneeShaper<>::Knee(x, 0.0), 2.0);
    EXPECT_EQ(ChebyshevKneeShaper<>::Knee(-x, 0.0), -2.0);
  }
  for (double a : {0.0, 0.004, -0.004})
  {
    double prev = ChebyshevKneeShaper<>::Knee(1.0 + a, a);
    for (double x = 1.0 + a + 1e-3; x < 2.0 - a; x += 1e-3)
    {
      const double k = ChebyshevKneeShaper<>::Knee(x, a);
      EXPECT_GT(k, prev);
      EXPECT_LE(k, 2.0 - a);
      EXPECT_EQ(ChebyshevKneeShaper<>::Knee(-x, a), -k);
      prev = k;
    }
  }
  // Slope 1 entering the knee, slope 0 leaving it.
  EXPECT_NEAR(ChebyshevKneeShaper<>::Knee(1.0 + 1e-6, 0.0) - 1.0, 1e-6, 1e-9);
  EXPECT_NEAR(ChebyshevKneeShaper<>::Knee(2.0 - 1e-4, 0.0), 2.0, 1e-7);

  HarmonicSettings s;
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> dist(-20.0, 20.0);
  const ChebyshevKneeShaper shaper(0.003, s);
  for (int i = 0; i < 10000; ++i)
  {
    const double y = shaper(dist(rng));
    EXPECT_LE(std::fabs(y), 1.0);
  }
  // With a = 0 the second Chebyshev term vanishes: T3(0) = 0.
  EXPECT_DOUBLE_EQ(ChebyshevKneeShaper(0.0, s)(0.5), CubicSoftClip(s.chebFactor * ChebyshevT(3, 0.5)));

  HarmonicSettings order0;
  order0.chebOrder = 0;
  HarmonicSettings negative;
  negative.chebOrder = -2;
  for (double x : {-3.0, 0.0, 0.7})
  {
    EXPECT_EQ(ChebyshevKneeShaper(0.002, order0)(x), CubicSoftClip(2.0 * order0.chebFactor));
    EXPECT_EQ(ChebyshevKneeShaper(0.002, negative)(x), 0.0);
  }
}

TEST(ChebyshevBlendShaper, SharedDcBlockerOrderAndWeight)
{
  HarmonicSettings s;
  const double r = std::exp(-2.0 * std::acos(-1.0) * 20.0 / 48000.0);
  const double q = 0.002;
  const double x = 0.6;
  const double xs = CubicSoftClip(x);
  const double d = ChebyshevT(4, xs) * s.chebScale2;
  const double l = ChebyshevT(3, (1.0 + q) * xs) * s.chebFactor;

  // Two curve objects (two channels) share one blocker: the second call sees the first's
  // state, so its DC term is already decaying.
  DcBlockerState dc;
  ChebyshevBlendShaper left(q, 1.0, r, s, dc);
  ChebyshevBlendShaper right(q, 1.0, r, s, dc);
  EXPECT_DOUBLE_EQ(left(x), l + d);
  EXPECT_DOUBLE_EQ(right(x), l + r * d);
  EXPECT_DOUBLE_EQ(dc.dPrev, d);

  // A constant input: the DC term dies away and only the harmonic remains.
  double y = 0.0;
  for (int i = 0; i < 200000; ++i)
    y = left(x);
  EXPECT_NEAR(y, l, 1e-9);

  // Weight 0 removes the blocked term entirely; order 0 makes the harmonic 1.
  DcBlockerState fresh;
  EXPECT_DOUBLE_EQ(ChebyshevBlendShaper(q, 0.0, r, s, fresh)(x), l);
  HarmonicSettings order0;
  order0.chebOrder = 0;
  DcBlockerState fresh0;
  EXPECT_DOUBLE_EQ(ChebyshevBlendShaper(q, 0.0, r, order0, fresh0)(x), order0.chebFactor);
}

TEST(SoftLimitShaper, NeverExceedsTheCeilingAndPassesSmallInputs)
{
  for (double q : {-0.005, -0.001, 0.0, 0.0025, 0.005})
  {
    SCOPED_TRACE(q);
    const SoftLimitShaper limit(q);
    const double a = q * 1.5952623149688796;
    double prev = -3.0;
    for (double x = -3.0; x <= 3.0; x += 1e-4)
    {
      const double y = limit(x);
      EXPECT_LE(std::fabs(y), 2.1);
      EXPECT_GE(y, prev);
      if (std::fabs(x) <= a)
      {
        EXPECT_EQ(y, x);
      }
      prev = y;
    }
    EXPECT_EQ(limit(1e300), 2.1);
    EXPECT_EQ(limit(-1e300), -2.1);
    EXPECT_NEAR(limit(1e-3 + std::fabs(a)), 1e-3 + std::fabs(a), 2e-3);
    // Just below the ceiling the knee's cubic rounds one step above 2.1 for many inputs;
    // the bound must hold there too.
    double x = 2.1;
    for (int i = 0; i < 2000; ++i)
    {
      x = std::nextafter(x, 0.0);
      ASSERT_LE(limit(x), 2.1) << i;
      ASSERT_GE(limit(-x), -2.1) << i;
    }
  }
  // A knee narrower than 1e-6 collapses to the ceiling.
  const SoftLimitShaper narrow((2.1 - 5e-7) / 1.5952623149688796);
  EXPECT_EQ(narrow(2.0999999), 2.1);
  EXPECT_EQ(narrow(-2.0999999), -2.1);
}

TEST(NoiseGenerator, FixedSeedSequenceAndRange)
{
  NoiseGenerator g;
  EXPECT_EQ(g.NextRaw(), 131073000000000u);
  EXPECT_EQ(g.NextRaw(), 15274638248425942199u);
  EXPECT_EQ(g.NextRaw(), 8350147223577141096u);
  EXPECT_EQ(g.NextRaw(), 2167478553038306220u);

  NoiseGenerator a, b;
  double sum = 0.0, sumSq = 0.0;
  const int n = 200000;
  for (int i = 0; i < n; ++i)
  {
    const double v = a.Next();
    ASSERT_EQ(v, b.Next());
    ASSERT_LE(std::fabs(v), 1.0);
    sum += v;
    sumSq += v * v;
  }
  // A sine of a well-spread phase: mean 0, mean square 1/2.
  EXPECT_NEAR(sum / n, 0.0, 0.01);
  EXPECT_NEAR(sumSq / n, 0.5, 0.01);
}

TEST(IntegerSine, SameDoubleAsTheLibraryForEveryWholeNumber)
{
  // The noise generator's own arguments, whole numbers of every size the reduction takes
  // (both signs, every exponent up to 2^116) and the edges around them: any slip in the
  // reduction, the table or the rounding shows as a different double.
  NoiseGenerator noise;
  std::mt19937_64 rng(5);
  std::vector<double> xs;
  for (int i = 0; i < 100000; ++i)
    xs.push_back((static_cast<double>(noise.NextRaw()) - 0.5) * 32.0);
  for (int i = 0; i < 100000; ++i)
  {
    const std::uint64_t r = rng();
    const double m = static_cast<double>((r >> 11) | 1);
    xs.push_back(std::ldexp(r & 1 ? -m : m, static_cast<int>(r % 117) - 52));
  }
  for (double x : {1.0, -1.0, 2.0, 3.0, 7.0, 22.0, 355.0, 0x1p52, 0x1p53, 0x1p69, 0x1p116, 0x1.fffffffffffffp116,
                   0x1p117, 1e300, 0.5, -2.5, 0.0, -0.0, std::numeric_limits<double>::denorm_min(),
                   std::numeric_limits<double>::infinity()})
    xs.push_back(x);
  for (double x : xs)
  {
    const double expected = std::sin(x);
    const double y = IntegerSine(x);
    ASSERT_EQ(std::memcmp(&y, &expected, sizeof y), 0) << std::hexfloat << x << ": " << y << " instead of " << expected;
  }
  EXPECT_TRUE(std::isnan(IntegerSine(std::numeric_limits<double>::quiet_NaN())));
}
