#include "product/bundle/DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vellicor {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeatsPerMinute = 120.0;

// A tiny fixed-seed generator, so the signal is the same on every machine and library.
class Noise
{
public:
  explicit Noise(uint32_t seed) : mState(seed ? seed : 1u) {}
  // Uniform in [-1, 1).
  double Next()
  {
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return static_cast<double>(mState) / 2147483648.0 - 1.0;
  }

private:
  uint32_t mState;
};

// Bass notes (Hz) per eighth note over two bars: A1, A1, C2, A1, G1, G1, E1, G1 ...
const double kBassNotes[16] = {55.0,  55.0, 65.41, 55.0,  49.0, 49.0,  41.2, 49.0,
                               55.0,  55.0, 73.42, 65.41, 55.0, 49.0,  41.2, 36.71};

} // namespace

std::vector<std::vector<float>> GenerateDemoSignal(const DemoSignalOptions& options)
{
  if (!(options.sampleRate > 0.0) || !(options.seconds > 0.0) || options.channels < 1 || options.channels > 2 ||
      options.sampleRate * options.seconds > 1e9)
    return {};
  const double rate = options.sampleRate;
  const size_t frames = static_cast<size_t>(std::llround(rate * options.seconds));
  const double beat = 60.0 / kBeatsPerMinute;
  const double eighth = beat / 2.0;

  std::vector<std::vector<double>> mix(static_cast<size_t>(options.channels), std::vector<double>(frames, 0.0));
  Noise snareNoise(0x5eed1234u);
  Noise hatNoise[2] = {Noise(0x0badcafeu), Noise(0x00c0ffeeu)};
  Noise floorNoise[2] = {Noise(0x13579bdfu), Noise(0x2468ace0u)};
  double hatPrevious[2] = {0.0, 0.0};
  double floorState[2] = {0.0, 0.0};
  double bassPhase = 0.0;
  double bassLowpass = 0.0;
  double kickPhase = 0.0;

  for (size_t i = 0; i < frames; ++i)
  {
    const double t = static_cast<double>(i) / rate;
    const double inBeat = std::fmod(t, beat);
    const int beatIndex = static_cast<int>(t / beat);
    const double inEighth = std::fmod(t, eighth);
    const int eighthIndex = static_cast<int>(t / eighth);

    // Kick on every beat: a falling sine with a fast decay and a click at its start.
    const double kickFrequency = 45.0 + 110.0 * std::exp(-inBeat * 30.0);
    kickPhase = inBeat < 1.0 / rate ? 0.0 : kickPhase + kickFrequency / rate;
    const double kick = 0.9 * std::sin(2.0 * kPi * kickPhase) * std::exp(-inBeat * 9.0);

    // Snare on beats 2 and 4: a noise burst over a short 190 Hz body.
    double snare = 0.0;
    const double snareNoiseValue = snareNoise.Next();
    if (beatIndex % 2 == 1)
      snare = (0.45 * snareNoiseValue * std::exp(-inBeat * 22.0)) +
              0.3 * std::sin(2.0 * kPi * 190.0 * inBeat) * std::exp(-inBeat * 30.0);

    // Bass: a rounded saw (three partials through a one-pole low-pass) per eighth note,
    // with a short release before the next note.
    const double note = kBassNotes[eighthIndex % 16];
    bassPhase += note / rate;
    if (bassPhase >= 1.0)
      bassPhase -= 1.0;
    const double saw = std::sin(2.0 * kPi * bassPhase) + 0.5 * std::sin(4.0 * kPi * bassPhase) +
                       0.33 * std::sin(6.0 * kPi * bassPhase);
    const double envelope = std::min(1.0, inEighth * 200.0) * std::min(1.0, (eighth - inEighth) * 80.0);
    bassLowpass += (saw * envelope - bassLowpass) * (1.0 - std::exp(-2.0 * kPi * 400.0 / rate));
    const double bass = 0.35 * bassLowpass;

    for (size_t c = 0; c < mix.size(); ++c)
    {
      // Hi-hat on every eighth note: differentiated noise (bright), placed slightly left on
      // channel 1 and right on channel 2.
      const double white = hatNoise[c].Next();
      const double bright = white - hatPrevious[c];
      hatPrevious[c] = white;
      const double hatLevel = (c == 0 ? 0.16 : 0.12) * (eighthIndex % 2 ? 0.6 : 1.0);
      const double hat = hatLevel * bright * std::exp(-inEighth * 60.0);

      // A dark noise floor around -50 dBFS.
      floorState[c] += (floorNoise[c].Next() - floorState[c]) * 0.05;
      const double floor = 0.01 * floorState[c];

      mix[c][i] = kick + snare + bass + hat + floor;
    }
  }

  double peak = 0.0;
  for (const auto& channel : mix)
    for (double v : channel)
      peak = std::max(peak, std::fabs(v));
  const double gain = peak > 0.0 ? options.peak / peak : 0.0;

  std::vector<std::vector<float>> out(mix.size(), std::vector<float>(frames));
  for (size_t c = 0; c < mix.size(); ++c)
    for (size_t i = 0; i < frames; ++i)
      out[c][i] = static_cast<float>(mix[c][i] * gain);
  return out;
}

} // namespace vellicor
