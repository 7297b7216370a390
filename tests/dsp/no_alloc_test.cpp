// The audio thread must not allocate: count every operator new while the per-sample calls run.
#include "product/dsp/AdaaClip.h"
#include "product/dsp/BiquadBank.h"
#include "product/dsp/ChebyshevBlendShaper.h"
#include "product/dsp/ChebyshevKneeShaper.h"
#include "product/dsp/NoiseGenerator.h"
#include "product/dsp/OverSampler.h"
#include "product/dsp/SoftLimitShaper.h"

#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vellicor;

TEST(AudioThread, PerSampleCallsDoNotAllocate)
{
  OverSampler limitOs(4, true, 2, 2), driveOs(1, true, 2, 2), blendOs(1, true, 2, 2);
  AdaaClip clip(2, 2);
  BiquadBank bank(2);
  bank.Design(6, BiquadDesign::Type::LowPass, 0.01, 0.7071);
  NoiseGenerator noise;
  HarmonicSettings settings;
  DcBlockerState dc;

  // The counter itself works.
  const long start = testsupport::AllocationCount();
  void* volatile probe = ::operator new(16);
  ::operator delete(probe);
  ASSERT_EQ(testsupport::AllocationCount() - start, 1);

  const long before = testsupport::AllocationCount();
  double sink = 0.0;
  for (int exponent = 0; exponent <= 4; ++exponent)
  {
    limitOs.SetExponent(exponent);
    for (int i = 0; i < 500; ++i)
      for (int ch = 0; ch < 2; ++ch)
      {
        const double nu = noise.Next();
        const double x = 1.7 * nu;
        sink += driveOs.ProcessSample(ChebyshevKneeShaper(0.005 * nu, settings), ch, 0.05 * x);
        sink += blendOs.ProcessSample(ChebyshevBlendShaper(0.005 * nu, 0.9, 0.997, settings, dc), ch, x);
        sink += limitOs.ProcessSample(SoftLimitShaper(0.005 * nu), ch, x);
        sink += clip.Process(ch, 0, x);
        sink += bank.Process(6, ch, x);
        clip.ClearRow(ch);
        bank.ClearStates(ch, 10, 26);
      }
  }
  EXPECT_EQ(testsupport::AllocationCount() - before, 0);
  EXPECT_TRUE(std::isfinite(sink));
}
