#pragma once
// The plug-in of the test bundles that the aaxhost tests load: a gain stage with a few
// parameters of each kind, on the real AAX binding. Mono and stereo ("1-1 2-2"); built with
// HOSTTEST_AUX_OUTPUT, mono with a side-chain input and an auxiliary mono output
// ("1-1.1 1.1-1.1": the second input bus makes the side-chain), the side-chain going to
// the auxiliary output. Its editor, on the platform's graphics context, is a panel with one
// vertical slider per parameter; built with HOSTTEST_THROWING_CONTROL, also a control whose
// drawing throws on every frame.

#include "graphics/IGraphicsStructs.h"
#include "plug/aax/IPluginAAX.h"

namespace hosttest {

#ifdef HOSTTEST_AUX_OUTPUT
constexpr const char* kChannelIO = "1-1.1 1.1-1.1";
#else
constexpr const char* kChannelIO = "1-1 2-2";
#endif

constexpr int kEditorWidth = 400;
constexpr int kEditorHeight = 300;

// The editor's panel colour, and the bounds of parameter i's slider (editor points).
constexpr plug::igraphics::IColor kEditorBackground(255, 40, 60, 90);
inline plug::igraphics::IRECT SliderBounds(int i)
{
  return plug::igraphics::IRECT::MakeXYWH(20.f + 60.f * static_cast<float>(i), 40.f, 40.f, 220.f);
}

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

  // Output channel c = input channel c x gain (x 0 with the power off), 0 without an input.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
};

} // namespace hosttest
