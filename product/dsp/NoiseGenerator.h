#pragma once
#include <cstdint>

namespace vellicor {

// The engine's noise source: xoroshiro128++ from a fixed seed, shaped by a sine. The seed
// is fixed so that a session renders the same way every time.
class NoiseGenerator
{
public:
  NoiseGenerator() = default;

  // One generator step; the raw 64-bit result.
  std::uint64_t NextRaw();

  // One generator step shaped for the engine: sin((double(raw) - 0.5) * 32), in [-1, 1],
  // correctly rounded.
  double Next();

private:
  std::uint64_t mS0 = 1000000000u;
  std::uint64_t mS1 = 0u;
};

} // namespace vellicor
