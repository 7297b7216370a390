#ifdef HOSTTEST_INVALID_METAL
#include "standin/metal/Metal.h"
#endif
#include "tests/host/HostTestPlugin.h"

#include <cmath>
#include <stdexcept>

#include "graphics/controls/IVKnobControls.h"
#include "platform/mac/IGraphicsMac.h"

namespace hosttest {

namespace {

plug::IPluginConfig MakeConfig()
{
  plug::IPluginConfig config;
  config.paramCount = kNumParams;
  config.presetCount = 1;
  config.channelIOText = kChannelIO;
  config.pluginName = "Host Test";
  config.productName = "Host Test";
  config.makerName = "Tests";
  config.pluginVersion = 0x10203;
  config.uniqueCode = plug::FourCharCode('H', 'T', 's', 't');
  config.makerCode = plug::FourCharCode('T', 's', 'T', 's');
  config.stateChunks = true;
  config.hasEditor = true;
  config.editorWidth = kEditorWidth;
  config.editorHeight = kEditorHeight;
  config.minWidth = kEditorWidth;
  config.maxWidth = 2 * kEditorWidth;
  config.minHeight = kEditorHeight;
  config.maxHeight = 2 * kEditorHeight;
  return config;
}

#ifdef HOSTTEST_THROWING_CONTROL
// A control whose drawing fails on every frame (it is always dirty).
class ThrowingControl : public plug::igraphics::IControl
{
public:
  using IControl::IControl;
  void Draw(plug::igraphics::IGraphics&) override { throw std::runtime_error("the meter cannot draw"); }
  bool IsDirty() override { return true; }
};
#endif

#ifdef HOSTTEST_INVALID_METAL
// A control whose first drawing asks the system's Metal device for a texture of shared
// storage, which Metal refuses on this device with a validation message.
class InvalidMetalControl : public plug::igraphics::IControl
{
public:
  using IControl::IControl;
  void Draw(plug::igraphics::IGraphics&) override
  {
    if (mAsked)
      return;
    mAsked = true;
    auto descriptor = standin::mtl::TextureDescriptor::Texture2D(standin::mtl::PixelFormat::RGBA8Unorm, 4, 4, false);
    descriptor.storageMode = standin::mtl::StorageMode::Shared;
    standin::mtl::CreateSystemDefaultDevice()->NewTexture(descriptor);
  }

private:
  bool mAsked = false;
};
#endif

} // namespace

HostTestPlugin::HostTestPlugin()
  : plug::IPluginAAX(plug::InstanceInfo(), MakeConfig())
{
  using plug::IParam;
  GetParam(kGain)->DefineDouble("Gain", 0.0, -24.0, 24.0, 0.1, "dB");
  GetParam(kDrive)->DefineDouble("Drive", 25.0, 0.0, 100.0, 0.01, "%", 0, "", IParam::ShapePowCurve(2.0));
  GetParam(kMode)->DefineEnum("Mode", 1, 3, "", 0, "", "Soft", "Hard", "Fold");
  GetParam(kPower)->DefineBool("Power", true);
  GetParam(kSteps)->DefineInt("Steps", 4, 1, 8, "x");

  // Its editor: the platform's graphics context with a plain panel and one vertical slider
  // per parameter (no labels or values, so no fonts are needed), 60 points apart.
  SetMakeGraphicsFunc([this]() {
    return new plug::igraphics::IGraphicsMac(*this, GetEditorWidth(), GetEditorHeight(), 60, 1.f);
  });
  SetLayoutFunc([](plug::igraphics::IGraphics* g) {
    using namespace plug::igraphics;
    if (g->NControls() > 0)
      return; // opened again in another container: laid out already
    g->AttachPanelBackground(IPattern(kEditorBackground));
    IVStyle style;
    style.showLabel = false;
    style.showValue = false;
    for (int i = 0; i < kNumParams; ++i)
      g->AttachControl(new IVSliderControl(SliderBounds(i), i, "", style));
#ifdef HOSTTEST_THROWING_CONTROL
    g->AttachControl(new ThrowingControl(IRECT::MakeXYWH(340.f, 40.f, 40.f, 220.f)));
#endif
#ifdef HOSTTEST_INVALID_METAL
    g->AttachControl(new InvalidMetalControl(IRECT::MakeXYWH(340.f, 40.f, 40.f, 220.f)));
#endif
  });
}

HostTestPlugin::~HostTestPlugin() { StopUITimer(); }

void HostTestPlugin::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const bool power = GetParam(kPower)->Value() >= 0.5;
  const double gain = power ? std::pow(10.0, GetParam(kGain)->Value() / 20.0) : 0.0;
  const int nIn = NChannels(plug::kInput);
  const int nOut = NChannels(plug::kOutput);
  for (int c = 0; c < nOut; ++c)
  {
    const bool haveIn = c < nIn && IsChannelConnected(plug::kInput, c) && IsChannelConnected(plug::kOutput, c);
    for (int s = 0; s < nFrames; ++s)
      outputs[c][s] = haveIn ? inputs[c][s] * gain : 0.0;
  }
}

} // namespace hosttest
