#pragma once
// A rectangle compared side by side within a tolerance, for graphics tests.

#include <gtest/gtest.h>

#include "graphics/IGraphicsStructs.h"

namespace testgraphics {

inline void ExpectRect(const plug::igraphics::IRECT& r, float l, float t, float rr, float b, float tol = 1e-3f)
{
  EXPECT_NEAR(r.L, l, tol);
  EXPECT_NEAR(r.T, t, tol);
  EXPECT_NEAR(r.R, rr, tol);
  EXPECT_NEAR(r.B, b, tol);
}

inline void ExpectRect(const plug::igraphics::IRECT& r, const plug::igraphics::IRECT& expected, float tol = 1e-3f)
{
  ExpectRect(r, expected.L, expected.T, expected.R, expected.B, tol);
}

} // namespace testgraphics
