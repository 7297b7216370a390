#include "product/dsp/OverSampler.h"
#include "product/dsp/SoftLimitShaper.h"

#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using vellicor::OverSampler;

namespace {

const double kPi = std::acos(-1.0);
const int kFactorExponents[] = {1, 2, 3, 4};

std::vector<double> Sine(int n, double cyclesPerSample, double amplitude, int offset = 0)
{
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = amplitude * std::sin(2 * kPi * cyclesPerSample * (i + offset));
  return x;
}

// Runs a bin-exact sine through the oversampler with f and returns the last n outputs, after
// enough periods for every stage to settle.
template <typename F>
std::vector<double> SteadyState(int exponent, F f, int n, int bin, double amplitude)
{
  OverSampler os(exponent, true, 2, 2);
  const int warmup = 4 * n;
  const std::vector<double> in = Sine(warmup + n, static_cast<double>(bin) / n, amplitude);
  std::vector<double> out;
  for (int i = 0; i < warmup + n; ++i)
  {
    const double y = os.ProcessSample(f, 0, in[static_cast<size_t>(i)]);
    if (i >= warmup)
      out.push_back(y);
  }
  return out;
}

double Identity(double x)
{
  return x;
}

} // namespace

TEST(OverSampler, IdentityIsFlatInThePassbandAndPassesDcExactly)
{
  const int n = 2048;
  for (int e : kFactorExponents)
  {
    SCOPED_TRACE(e);
    // Bins from 0.02 fs to 0.45 fs.
    for (int bin : {41, 100, 256, 409, 614, 800, 901, 921})
    {
      const std::vector<double> a = testsupport::AmplitudeSpectrum(SteadyState(e, Identity, n, bin, 0.5));
      EXPECT_NEAR(testsupport::ToDb(a[static_cast<size_t>(bin)] / 0.5), 0.0, 0.01) << "bin " << bin;
    }
    OverSampler os(e, true, 2, 2);
    double y = 0.0;
    for (int i = 0; i < 20000; ++i)
      y = os.ProcessSample(Identity, 1, 0.7);
    // Exact up to a rounding limit cycle of a few 1e-15 (below -280 dB).
    EXPECT_NEAR(y, 0.7, 1e-13);
  }
}

TEST(OverSampler, SuppressesAliasesOfACubeAtEveryFactorButOne)
{
  // x^3 on a sine at 0.3 fs: its third harmonic (0.9 fs) folds to 0.1 fs unless it is
  // filtered before coming back down.
  const int n = 4096;
  const int bin = 1229;            // 0.30005 fs, odd so harmonics land on distinct bins
  const int aliasBin = n - 3 * bin; // 409, about 0.1 fs
  auto cube = [](double x) { return x * x * x; };
  for (int e : {0, 1, 2, 3, 4})
  {
    SCOPED_TRACE(e);
    const std::vector<double> a = testsupport::AmplitudeSpectrum(SteadyState(e, cube, n, bin, 0.5));
    const double rel = testsupport::ToDb(a[static_cast<size_t>(aliasBin)] / a[static_cast<size_t>(bin)]);
    if (e == 0)
    {
      EXPECT_GT(rel, -20.0);
    }
    else
    {
      EXPECT_LT(rel, -100.0);
    }
  }
}

TEST(OverSampler, FeedsTheFunctionASmoothUpsampledStreamInTimeOrder)
{
  // The stream the function sees must be the tone at the higher rate with its images
  // filtered away; a swapped path or time order would put a strong image in it.
  const int n = 1024;
  const int bin = 205; // about 0.2 fs
  for (int e : kFactorExponents)
  {
    SCOPED_TRACE(e);
    const int rate = 1 << e;
    std::vector<double> seen;
    seen.reserve(static_cast<size_t>(5 * n * rate));
    auto record = [&seen](double x) {
      seen.push_back(x);
      return x;
    };
    OverSampler os(e, true, 1, 1);
    const std::vector<double> in = Sine(5 * n, static_cast<double>(bin) / n, 0.5);
    for (double x : in)
      os.ProcessSample(record, 0, x);
    ASSERT_EQ(seen.size(), static_cast<size_t>(5 * n * rate));
    const std::vector<double> last(seen.end() - n * rate, seen.end());
    const std::vector<double> a = testsupport::AmplitudeSpectrum(last);
    EXPECT_NEAR(a[static_cast<size_t>(bin)], 0.5, 0.5 * 0.002);
    double worst = 0.0;
    for (size_t k = 1; k < a.size(); ++k)
      if (k != static_cast<size_t>(bin))
        worst = std::max(worst, a[k]);
    EXPECT_LT(testsupport::ToDb(worst / 0.5), -90.0);
  }
}

TEST(OverSampler, UnfilteredRatesCallTheFunctionOnceAndOthersRateTimes)
{
  for (int e : {-1, 0, 1, 2, 3, 4, 5, 31, 1000})
  {
    SCOPED_TRACE(e);
    OverSampler os(e, true, 2, 2);
    int calls = 0;
    auto twice = [&calls](double x) {
      ++calls;
      return 2.0 * x;
    };
    const double y = os.ProcessSample(twice, 0, 0.3);
    const bool filtered = e >= 1 && e <= 4;
    EXPECT_EQ(calls, filtered ? (1 << e) : 1);
    if (!filtered)
    {
      EXPECT_EQ(y, 0.6);
    }
  }
  OverSampler os(0, true, 2, 2);
  EXPECT_EQ(os.GetRate(), 1);
  os.SetExponent(3);
  EXPECT_EQ(os.GetExponent(), 3);
  EXPECT_EQ(os.GetRate(), 8);
  os.SetExponent(5);
  EXPECT_EQ(os.GetRate(), 32);
}

TEST(OverSampler, ResetRestartsFromSilenceAndChannelsAreIndependent)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> a(300), b(300);
  for (size_t i = 0; i < a.size(); ++i)
  {
    a[i] = dist(rng);
    b[i] = dist(rng);
  }
  vellicor::SoftLimitShaper limiter(0.004);
  for (int e : kFactorExponents)
  {
    SCOPED_TRACE(e);
    OverSampler fresh0(e, true, 2, 2), fresh1(e, true, 2, 2), used(e, true, 2, 2);
    for (size_t i = 0; i < a.size(); ++i)
      used.ProcessSample(limiter, 0, 3.0 * b[i]);
    used.Reset(0); // a zero block size still leaves working buffers
    for (size_t i = 0; i < a.size(); ++i)
    {
      const double y0 = used.ProcessSample(limiter, 0, 2.0 * a[i]);
      const double y1 = used.ProcessSample(limiter, 1, 2.0 * b[i]);
      // An unknown channel runs the curve unfiltered and leaves the stages alone.
      EXPECT_EQ(used.ProcessSample(limiter, 2, 0.5), limiter(0.5));
      EXPECT_EQ(used.ProcessSample(limiter, -1, 0.5), limiter(0.5));
      EXPECT_EQ(y0, fresh0.ProcessSample(limiter, 0, 2.0 * a[i]));
      EXPECT_EQ(y1, fresh1.ProcessSample(limiter, 1, 2.0 * b[i]));
    }
  }

  // Straight after a reset the first 2x output of the identity depends only on the input:
  // every allpass section scales it by its coefficient.
  OverSampler os(1, false, 1, 1);
  os.ProcessSample(Identity, 0, 0.9);
  os.Reset(512);
  const double c[] = {0.036681502163648017, 0.13654762463195794, 0.27463175937945444,
                      0.4231386174365671,   0.5610986978791953,  0.6775400499741618,
                      0.769741833863227,    0.8398896248496389,  0.892260818003879,
                      0.9315419599631839,   0.9620945483780842,  0.9878163707328959};
  double product = 1.0;
  for (double v : c)
    product *= v;
  EXPECT_NEAR(os.ProcessSample(Identity, 0, 0.5), 0.5 * product, 1e-15);
}

TEST(OverSampler, EmptyFunctionThrowsBadFunctionCall)
{
  OverSampler os(2, true, 2, 2);
  std::function<double(double)> empty;
  EXPECT_THROW(os.ProcessSample(empty, 0, 0.1), std::bad_function_call);
  OverSampler direct(0, true, 2, 2);
  EXPECT_THROW(direct.ProcessSample(empty, 0, 0.1), std::bad_function_call);
}
