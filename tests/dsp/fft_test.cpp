#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>

// The measuring tool of the other suites: a sine exactly on a bin reads its amplitude there
// and leaves every other bin at the rounding floor.
TEST(Fft, ReadsBinExactSinesAndRejectsBadSizes)
{
  const int n = 1024;
  const double pi = std::acos(-1.0);
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] =
      0.25 + 0.5 * std::sin(2 * pi * 37 * i / n) + 1e-4 * std::cos(2 * pi * 300 * i / n);
  const std::vector<double> a = testsupport::AmplitudeSpectrum(x);
  ASSERT_EQ(a.size(), static_cast<size_t>(n / 2 + 1));
  EXPECT_NEAR(a[0], 0.25, 1e-12);
  EXPECT_NEAR(a[37], 0.5, 1e-12);
  EXPECT_NEAR(a[300], 1e-4, 1e-12);
  for (size_t k = 1; k < a.size(); ++k)
  {
    if (k != 37 && k != 300)
    {
      EXPECT_LT(a[k], 1e-13) << k;
    }
  }

  std::vector<std::complex<double>> odd(12);
  EXPECT_FALSE(testsupport::Fft(odd));
  EXPECT_TRUE(testsupport::AmplitudeSpectrum(std::vector<double>(6)).empty());
}
