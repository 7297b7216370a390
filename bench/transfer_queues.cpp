// Cost of the editor transfer queues: one push and one pop per record, as the audio side and
// the editor timer see it, and a burst of 32 MIDI messages drained in one go.
#include "plug/IMidiMsg.h"
#include "plug/IRingQueue.h"

#include <benchmark/benchmark.h>

static void BM_ParamChangePushPop(benchmark::State& state)
{
  plug::IRingQueue<plug::IParamChangeEntry> queue(512);
  plug::IParamChangeEntry out;
  int i = 0;
  for (auto _ : state)
  {
    queue.Push({i++ & 31, 0.5});
    queue.Pop(out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ParamChangePushPop);

static void BM_MidiBurstDrain(benchmark::State& state)
{
  plug::IRingQueue<plug::IMidiMsg> queue(32);
  plug::IMidiMsg out;
  for (auto _ : state)
  {
    for (int i = 0; i < 32; ++i)
      queue.Push(plug::IMidiMsg(i, 0x90, 60, 100));
    int n = queue.Count();
    while (n-- > 0 && queue.Pop(out))
      benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * 32);
}
BENCHMARK(BM_MidiBurstDrain);
