// Cost of the AAX binding's render path around a trivial processing block: the process
// procedure, the render step (bypass, formats, transport, binding) and the write-back.

#include "plug/aax/IPluginAAX.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

plug::IPluginConfig BenchConfig()
{
  plug::IPluginConfig config;
  config.paramCount = 1;
  config.presetCount = 1;
  config.channelIOText = "1-1 2-2";
  config.pluginName = "Render Bench";
  config.productName = "Render Bench";
  config.makerName = "Bench";
  config.uniqueCode = plug::FourCharCode('R', 'b', 'n', 'c');
  config.makerCode = plug::FourCharCode('B', 'n', 'c', 'h');
  return config;
}

class BenchPlugin : public plug::IPluginAAX
{
public:
  BenchPlugin() : plug::IPluginAAX(plug::InstanceInfo(), BenchConfig()) { GetParam(0)->DefineDouble("Gain", 1.0, 0.0, 2.0, 0.01, ""); }
  ~BenchPlugin() override { StopUITimer(); }
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    const double g = GetParam(0)->Value();
    for (int f = 0; f < nFrames; ++f)
      outputs[0][f] = inputs[0][f] * g;
  }
};

// Without a host controller the instance renders its default mono formats.
void BM_AAXRenderCall(benchmark::State& state)
{
  const int frames = static_cast<int>(state.range(0));
  auto* plugin = new BenchPlugin();
  plugin->AddRef();
  alignas(8) unsigned char privateData[8] = {};
  plugin->InitPrivateData(23, privateData, sizeof(privateData));

  std::vector<float> in(static_cast<size_t>(frames), 0.25f);
  std::vector<float> out(static_cast<size_t>(frames), 0.0f);
  float* inPtr = in.data();
  float* outPtr = out.data();
  int32_t count = frames;
  void* fields[AAX_kRenderFieldCount] = {};
  fields[0] = &inPtr;
  fields[1] = &outPtr;
  fields[2] = &count;
  fields[23] = privateData;
  AAX_RenderContext context = fields;

  for (auto _ : state)
  {
    plug::AAX_CIPluginParameters::StaticRenderCallback(&context, &context + 1);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * frames);
  plugin->Release();
}
BENCHMARK(BM_AAXRenderCall)->Arg(32)->Arg(512)->Arg(4096);

} // namespace
