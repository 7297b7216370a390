// The default state chunk of the effect: one double per parameter, saved and restored by name.
#include "aax/library/AAX_CChunkDataParser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{
AAX_CChunkDataParser MakeParser(int count)
{
  AAX_CChunkDataParser parser;
  for (int i = 1; i <= count; ++i)
    parser.AddDouble(std::to_string(i).c_str(), i * 0.01);
  return parser;
}

void BM_ChunkSave(benchmark::State& state)
{
  const AAX_CChunkDataParser parser = MakeParser(static_cast<int>(state.range(0)));
  std::vector<uint8_t> data(static_cast<size_t>(parser.GetChunkDataSize()));
  for (auto _ : state)
  {
    int32_t written = 0;
    benchmark::DoNotOptimize(parser.WriteChunkData(data.data(), static_cast<int32_t>(data.size()), &written));
  }
}
BENCHMARK(BM_ChunkSave)->Arg(34);

// Load and look every entry up in stored order (the restore path).
void BM_ChunkLoadAndFind(benchmark::State& state)
{
  const int count = static_cast<int>(state.range(0));
  const AAX_CChunkDataParser source = MakeParser(count);
  std::vector<uint8_t> data(static_cast<size_t>(source.GetChunkDataSize()));
  int32_t written = 0;
  source.WriteChunkData(data.data(), static_cast<int32_t>(data.size()), &written);
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i)
    names.push_back(std::to_string(i));

  AAX_CChunkDataParser parser;
  for (auto _ : state)
  {
    parser.LoadChunkData(data.data(), written, 0);
    double sum = 0;
    for (const std::string& name : names)
    {
      double v = 0;
      parser.FindDouble(name.c_str(), &v);
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ChunkLoadAndFind)->Arg(34);
} // namespace
