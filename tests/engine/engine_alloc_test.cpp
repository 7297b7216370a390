// The audio thread must not allocate once the engine has seen its block size: count every
// operator new while steady-state blocks run, through every kind of change the plug-in's
// reactions and the host can make between blocks.
#include "product/engine/VellicorEngine.h"

#include "tests/support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using vellicor::EngineParams;
using vellicor::VellicorEngine;

TEST(EngineAllocations, SteadyStateBlocksDoNotAllocate)
{
  const long start = testsupport::AllocationCount();
  void* volatile probe = ::operator new(16);
  ::operator delete(probe);
  ASSERT_EQ(testsupport::AllocationCount() - start, 1) << "the counter itself works";

  for (int blockSize : {64, 512, 1024})
  {
    EngineParams p;
    p[kDrive] = 50.0;
    VellicorEngine engine;
    ASSERT_TRUE(engine.Reset(48000.0, blockSize, p));
    std::vector<double> l(static_cast<std::size_t>(blockSize)), r(l), outL(l), outR(l);
    for (std::size_t i = 0; i < l.size(); ++i)
    {
      l[i] = 0.7 * std::sin(0.05 * static_cast<double>(i));
      r[i] = 0.5 * std::cos(0.011 * static_cast<double>(i));
    }
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {outL.data(), outR.data()};

    const long before = testsupport::AllocationCount();
    for (int block = 0; block < 60; ++block)
    {
      const int phase = block % 12;
      p[kOverSampling] = block % 5;
      if (phase == 0)
        engine.RequestOverSamplingChange();
      if (phase == 3)
        engine.RequestStateClear();
      if (phase == 4)
        engine.RequestResize();
      p[kLimit] = phase >= 6 ? 1.0 : 0.0;
      p[kStereoMode] = phase >= 3 ? 1.0 : 0.0;
      p[kPower] = phase == 9 ? 0.0 : 1.0;
      p[kDelta] = phase == 10 ? 1.0 : 0.0;
      p.presetIndex = block / 12;
      // Shorter blocks than announced are fine too.
      const int n = phase == 7 ? blockSize / 2 + 1 : blockSize;
      engine.Process(ins, outs, n, p);
    }
    // A wild block makes the engine rebuild its states at the next block start.
    l[3] = 1e300;
    r[5] = -1e300;
    p[kDrive] = 100.0;
    engine.Process(ins, outs, blockSize, p);
    engine.Process(ins, outs, blockSize, p);
    EXPECT_EQ(testsupport::AllocationCount() - before, 0) << "block size " << blockSize;
    EXPECT_TRUE(std::isfinite(outL[0]));
  }
}
