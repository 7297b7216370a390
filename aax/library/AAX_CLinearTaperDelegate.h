// Linear taper between a minimum and a maximum. Real values are rounded to multiples of
// 1 / RealPrecision (RealPrecision 1: whole numbers; 0: no rounding).
#pragma once

#include "aax/library/AAX_ITaperDelegate.h"

#include <cmath>
#include <cstdint>

template <typename T, int32_t RealPrecision = 1>
class AAX_CLinearTaperDelegate : public AAX_ITaperDelegate<T>
{
public:
  AAX_CLinearTaperDelegate(T minValue, T maxValue) : mMinValue(minValue), mMaxValue(maxValue) {}

  AAX_CLinearTaperDelegate* Clone() const override { return new AAX_CLinearTaperDelegate(*this); }
  T GetMaximumValue() const override { return mMaxValue; }
  T GetMinimumValue() const override { return mMinValue; }

  T ConstrainRealValue(T value) const override { return static_cast<T>(Constrain(static_cast<double>(value))); }

  T NormalizedToReal(double normalizedValue) const override
  {
    const double lo = static_cast<double>(mMinValue);
    const double hi = static_cast<double>(mMaxValue);
    return static_cast<T>(Constrain(std::floor(normalizedValue * (hi - lo) + lo + 0.5)));
  }

  double RealToNormalized(T realValue) const override
  {
    const double v = Constrain(static_cast<double>(realValue));
    const double lo = static_cast<double>(mMinValue);
    const double hi = static_cast<double>(mMaxValue);
    if (lo == hi)
      return 0.5;
    return (v - lo) / (hi - lo);
  }

private:
  // Works in double so that no intermediate overflows T; a NaN lands on the minimum, so the
  // final conversion back to T is always in range.
  double Constrain(double v) const
  {
    const double lo = static_cast<double>(mMinValue);
    const double hi = static_cast<double>(mMaxValue);
    if (lo == hi)
      return lo;
    if (RealPrecision > 0)
      v = std::floor(v * RealPrecision + 0.5) / RealPrecision;
    if (!(v >= lo))
      v = lo;
    if (v > hi)
      v = hi;
    return v;
  }

  T mMinValue;
  T mMaxValue;
};
