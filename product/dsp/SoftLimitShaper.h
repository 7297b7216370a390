#pragma once

namespace vellicor {

// Curve of the limit stage's oversampler: unchanged up to a = 1.5952623149688796 q, then a
// Hermite knee that reaches +-2.1 with slope 0; never beyond +-2.1. q is 0.005 x noise.
class SoftLimitShaper
{
public:
  static constexpr double kCeiling = 2.1;

  explicit SoftLimitShaper(double q)
    : mQ(q)
  {
  }

  double operator()(double x) const;

private:
  double mQ;
};

} // namespace vellicor
