#pragma once
// The plug-in of the test bundle that the aaxhost tests load: a gain stage with a few
// parameters of each kind, on the real AAX binding. Mono and stereo ("1-1 2-2").

#include "plug/aax/IPluginAAX.h"

namespace hosttest {

enum EParam
{
  kGain = 0, // double -24..24 dB, step 0.1
  kDrive,    // double 0..100 %, power curve
  kMode,     // enum "Soft" / "Hard" / "Fold"
  kPower,    // bool "off" / "on", default on
  kSteps,    // int 1..8
  kNumParams
};

class HostTestPlugin : public plug::IPluginAAX
{
public:
  HostTestPlugin();
  ~HostTestPlugin() override;

  // Output = input x gain (x 0 with the power off).
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
};

} // namespace hosttest
