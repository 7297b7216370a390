#include "product/dsp/NoiseGenerator.h"

#include "product/dsp/IntegerSine.h"

namespace vellicor {

namespace {

inline std::uint64_t Rotl(std::uint64_t v, int k)
{
  return (v << k) | (v >> (64 - k));
}

} // namespace

std::uint64_t NoiseGenerator::NextRaw()
{
  const std::uint64_t result = Rotl(mS0 + mS1, 17) + mS0;
  const std::uint64_t t = mS1 ^ mS0;
  mS0 = Rotl(mS0, 49) ^ t ^ (t << 21);
  mS1 = Rotl(t, 28);
  return result;
}

double NoiseGenerator::Next()
{
  // The huge argument is intended: the sine folds the raw value into [-1, 1]. The argument
  // is always a whole number, whose sine IntegerSine gives correctly rounded and fast.
  return IntegerSine((static_cast<double>(NextRaw()) - 0.5) * 32.0);
}

} // namespace vellicor
