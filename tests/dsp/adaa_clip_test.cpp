#include "product/dsp/AdaaClip.h"

#include "Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using vellicor::AdaaClip;

namespace {

// Energy outside the true (unfolded) harmonics of a bin-exact tone, DC excluded.
double NonHarmonicEnergy(const std::vector<double>& signal, int bin)
{
  const std::vector<double> p = testsupport::PowerSpectrum(signal);
  const int half = static_cast<int>(signal.size() / 2);
  double energy = 0.0;
  for (int k = 1; k <= half; ++k)
    if (k % bin != 0)
      energy += p[static_cast<size_t>(k)];
  return energy;
}

} // namespace

TEST(AdaaClip, AliasesLessThanAPlainClamp)
{
  const int n = 4096;
  const double pi = std::acos(-1.0);
  // Odd bins (no unfolded harmonic lands on an alias) from about 0.05 fs to 0.2 fs.
  for (int bin : {205, 409, 615, 819})
  {
    for (double amplitude : {1.5, 4.0})
    {
      SCOPED_TRACE(testing::Message() << "bin " << bin << " amplitude " << amplitude);
      AdaaClip clip(2, 2);
      std::vector<double> plain, adaa;
      for (int i = 0; i < 2 * n; ++i)
      {
        const double x = amplitude * std::sin(2 * pi * bin * i / n);
        const double y = clip.Process(1, 0, x);
        if (i >= n)
        {
          plain.push_back(std::clamp(x, -1.0, 1.0));
          adaa.push_back(y);
        }
      }
      const double gain = 10 * std::log10(NonHarmonicEnergy(plain, bin) / NonHarmonicEnergy(adaa, bin));
      EXPECT_GE(gain, 10.0);
    }
  }
}

TEST(AdaaClip, ConstantInputsSettleToTheClampWithoutNaN)
{
  for (double v : {-5.0, -1.0, -0.3, 0.0, 0.7, 1.0, 1.00001, 2.5, 1e5})
  {
    SCOPED_TRACE(v);
    AdaaClip clip(2, 2);
    clip.Process(0, 0, 0.25); // start from somewhere else
    double y = 0.0;
    for (int i = 0; i < 4; ++i)
    {
      y = clip.Process(0, 0, v);
      EXPECT_TRUE(std::isfinite(y));
    }
    EXPECT_EQ(y, std::clamp(v, -1.0, 1.0));
  }

  // Repeats and near-repeats walk every tolerance branch; nothing may divide by zero.
  const double seqs[][8] = {
    {0.5, 0.5, 0.9, 0.9, 0.5, 0.5, 0.9, 0.9},
    {0.2, 1.7, 0.2, 1.7, 0.2, 0.2, 1.7, 1.7},
    {1.0, 1.0 + 4e-6, 1.0, 1.0 + 8e-6, 1.0 - 3e-6, 1.0, 1.0, 1.0},
    {-2.0, 2.0, -2.0, 2.0, 0.0, 0.0, 0.0, 3e-6},
    {0.3, 0.3 + 1.1e-5, 0.3, 0.3 - 1.1e-5, 0.3, 0.3 + 9e-6, 0.3, 0.3},
  };
  for (const auto& seq : seqs)
  {
    AdaaClip clip(1, 1);
    for (double x : seq)
    {
      const double y = clip.Process(0, 0, x);
      EXPECT_TRUE(std::isfinite(y)) << x;
      EXPECT_LE(std::fabs(y), 1.0 + 1e-6) << x;
    }
  }
}

TEST(AdaaClip, WildInputsAndBadIndicesLeaveUsableState)
{
  AdaaClip clip(2, 2);
  const double inf = std::numeric_limits<double>::infinity();
  for (double x : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e300, -1e308})
    EXPECT_TRUE(std::isfinite(clip.Process(0, 0, x))) << x;
  double y = 0.0;
  for (int i = 0; i < 4; ++i)
    y = clip.Process(0, 0, 0.4);
  EXPECT_EQ(y, 0.4);

  // Outside the table: the plain clamp, no state touched.
  EXPECT_EQ(clip.Process(2, 0, 3.0), 1.0);
  EXPECT_EQ(clip.Process(0, 2, -3.0), -1.0);
  EXPECT_EQ(clip.Process(-1, 0, 0.5), 0.5);

  // A cleared row behaves like a fresh clipper; other rows keep their state.
  AdaaClip fresh(2, 2);
  clip.Process(1, 0, 0.9);
  clip.ClearRow(0);
  const double seq[] = {0.1, 1.4, -0.6, 2.2};
  for (double x : seq)
    EXPECT_EQ(clip.Process(0, 0, x), fresh.Process(0, 0, x));
  EXPECT_NE(clip.Process(1, 0, 0.2), fresh.Process(1, 0, 0.2));
}
