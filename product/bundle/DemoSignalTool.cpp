// vellicor_demo_signal OUT.wav [--seconds S] [--rate HZ] [--channels 1|2]
// Writes the built-in demo programme (see DemoSignal.h) as a 32-bit float WAV file.

#include "product/bundle/DemoSignal.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ParseNumber(const char* text, double& out)
{
  char* end = nullptr;
  out = std::strtod(text, &end);
  return end != text && *end == '\0' && std::isfinite(out);
}

int Usage()
{
  std::fprintf(stderr, "usage: vellicor_demo_signal OUT.wav [--seconds S] [--rate HZ] [--channels 1|2]\n");
  return 1;
}

} // namespace

int main(int argc, char** argv)
{
  vellicor::DemoSignalOptions options;
  std::string path;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    double value = 0.0;
    if (arg.rfind("--", 0) != 0)
    {
      if (!path.empty())
        return Usage();
      path = arg;
    }
    else if (i + 1 >= argc || !ParseNumber(argv[i + 1], value))
      return Usage();
    else if (arg == "--seconds")
      options.seconds = value, ++i;
    else if (arg == "--rate")
      options.sampleRate = value, ++i;
    else if (arg == "--channels")
      options.channels = static_cast<int>(value), ++i;
    else
      return Usage();
  }
  if (path.empty() || options.seconds > 600.0 || options.sampleRate > 384000.0 || options.sampleRate < 8000.0)
    return Usage();

  const std::vector<std::vector<float>> signal = vellicor::GenerateDemoSignal(options);
  if (signal.empty())
    return Usage();

  const size_t frames = signal.front().size();
  const size_t channels = signal.size();
  std::vector<float> interleaved(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (size_t c = 0; c < channels; ++c)
      interleaved[i * channels + c] = signal[c][i];

  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(options.sampleRate));
  info.channels = static_cast<int>(channels);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    std::fprintf(stderr, "vellicor_demo_signal: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return 2;
  }
  const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  sf_close(file);
  if (written != static_cast<sf_count_t>(frames))
  {
    std::fprintf(stderr, "vellicor_demo_signal: short write to %s\n", path.c_str());
    return 2;
  }
  std::printf("wrote %s: %zu frames, %zu channel%s, %d Hz\n", path.c_str(), frames, channels,
              channels == 1 ? "" : "s", info.samplerate);
  return 0;
}
