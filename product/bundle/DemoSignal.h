#pragma once
// A short, fully deterministic test programme for demos and end-to-end renders: a drum
// pattern (kick, snare, hi-hat transients), a bass line and a low noise floor at 120 BPM.
// Nothing is read from disk, so every checkout renders the same input.
#include <vector>

namespace vellicor {

struct DemoSignalOptions
{
  double sampleRate = 48000.0;
  double seconds = 4.0;
  int channels = 2; // 1 or 2; the second channel gets its own noise and hi-hat placement
  double peak = 0.5; // the loudest sample, linear
};

// One vector per channel, each round(sampleRate x seconds) samples long. An unusable option
// (rate or length not positive, channels outside 1..2) gives no channels.
std::vector<std::vector<float>> GenerateDemoSignal(const DemoSignalOptions& options);

} // namespace vellicor
