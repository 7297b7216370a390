// The processing frame's per-block path: binding the host's float buffers, processing
// (identity) and write-back, and the bypass path through the latency delay.

#include "plug/IPluginProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

class IdentityProcessor : public plug::IPluginProcessor
{
public:
  explicit IdentityProcessor(const plug::IPluginConfig& config) : IPluginProcessor(config)
  {
    MarkChannelsConnected(plug::kInput, 0, NChannels(plug::kInput), true);
    MarkChannelsConnected(plug::kOutput, 0, NChannels(plug::kOutput), true);
    ChangeBlockSize(512);
    CreateLatencyDelay();
  }
  bool EmitMidiMsg(const plug::IMidiMsg&) override { return true; }
};

struct StereoBlock
{
  std::vector<float> inL = std::vector<float>(512), inR = std::vector<float>(512);
  std::vector<float> outL = std::vector<float>(512), outR = std::vector<float>(512);
  float* ins[2];
  float* outs[2];
  StereoBlock()
  {
    for (int i = 0; i < 512; ++i)
    {
      inL[i] = static_cast<float>(i) / 512.f;
      inR[i] = -inL[i];
    }
    ins[0] = inL.data();
    ins[1] = inR.data();
    outs[0] = outL.data();
    outs[1] = outR.data();
  }
};

plug::IPluginConfig StereoConfig(int latency)
{
  plug::IPluginConfig config;
  config.channelIOText = "1-1 2-2";
  config.latency = latency;
  return config;
}

void BM_ProcessBlockStereo512(benchmark::State& state)
{
  IdentityProcessor proc(StereoConfig(0));
  StereoBlock block;
  for (auto _ : state)
  {
    proc.BindHostBuffers(plug::kInput, 0, 2, block.ins, 512);
    proc.BindHostBuffers(plug::kOutput, 0, 2, block.outs, 512);
    proc.RunProcessBlock(512);
    benchmark::DoNotOptimize(block.outL.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 512 * 2);
}
BENCHMARK(BM_ProcessBlockStereo512);

void BM_BypassStereo512Latency64(benchmark::State& state)
{
  IdentityProcessor proc(StereoConfig(64));
  StereoBlock block;
  for (auto _ : state)
  {
    proc.BindHostBuffers(plug::kInput, 0, 2, block.ins, 512);
    proc.BindHostBuffers(plug::kOutput, 0, 2, block.outs, 512);
    proc.PassThroughBlock(512);
    benchmark::DoNotOptimize(block.outL.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 512 * 2);
}
BENCHMARK(BM_BypassStereo512Latency64);

} // namespace
