#pragma once
// A small plug-in on the AAX binding for tests: doubles (linear, power-curve, exponential,
// stepped, not automatable), an int, a bool, an enum and one parameter left undefined (kind
// none, so it gets no host parameter). It records the hooks the binding calls.

#include "plug/aax/IPluginAAX.h"

#include <functional>
#include <string>
#include <vector>

namespace aaxhost {
class Host;
}

namespace testaax {

enum ETestParam
{
  kGain = 0,    // double -12..12 dB, step 0.1, linear
  kDrive,       // double 0..100 %, power curve 2
  kFreq,        // double 20..20000 Hz, exponential
  kSteps,       // int 1..8 "x"
  kPower,       // bool "off" / "on", default on
  kMode,        // enum "Soft" / "Hard" / "Fold", default Hard
  kSpare,       // kind none: no host parameter
  kScale,       // double 0.5..2, not automatable
  kStepped,     // double 0..10, stepped by 2.5
  kNumParams
};

struct ChangeRecord
{
  int idx;
  plug::EParamChangeSource source;
  int offset;
  bool refused = false; // the host refused the plug-in's request (HandleRefusedParamChange)
};

class TestAAXPlugin : public plug::IPluginAAX
{
public:
  // midi: the plug-in takes and sends MIDI. tickStart: as the binding takes it.
  explicit TestAAXPlugin(bool midi = false, plug::ETickStart tickStart = plug::ETickStart::kAtOnce);
  ~TestAAXPlugin() override;

  void HandleParamChange(int idx, plug::EParamChangeSource source, int offset) override;
  void HandleRefusedParamChange(int idx) override;
  // The base's load, then mAfterLoad (a host update landing meanwhile, say).
  int LoadState(const plug::IStateChunk& chunk, int startPos) override;
  void SendParamValueToUI(int idx, double value, bool normalized) override;
  void OnResetProcessing() override { ++mResets; }

  // Exposes the counter for the wrap-around case.
  void SetStateCounter(int64_t n) { mStateCounter.store(n); }

  std::vector<ChangeRecord> mChanges;
  // Runs inside HandleParamChange after it is recorded (a product's reaction).
  std::function<void(const ChangeRecord&)> mReaction;
  std::function<void()> mAfterLoad;
  std::vector<std::pair<int, double>> mToUI;
  int mResets = 0;
};

// The live instance count of test plug-ins (constructor minus destructor).
int LiveTestPlugins();

// At the end of a test: no binding object and no test plug-in alive, every host reference
// given back; the main run loop's timers go before the next test.
void ExpectNothingLeft(const aaxhost::Host& host);

} // namespace testaax
