#include "standin/aaxhost/tool/HostLog.h"

#include <cstdio>

namespace aaxhost
{
void PrintHostLog(const Host& host)
{
  const auto traces = host.Services().Traces();
  const auto assertions = host.Services().Assertions();
  const unsigned long long traceCount = host.Services().TraceCount();
  const unsigned long long assertionCount = host.Services().AssertionCount();
  std::printf("host log: %llu trace%s, %llu assertion%s\n", traceCount, traceCount == 1 ? "" : "s", assertionCount,
              assertionCount == 1 ? "" : "s");
  if (traceCount > traces.size())
    std::printf("  (only the newest %zu traces were kept)\n", traces.size());
  if (assertionCount > assertions.size())
    std::printf("  (only the newest %zu assertions were kept)\n", assertions.size());
  for (const TraceRecord& trace : traces)
    std::printf("  trace (priority 0x%x): %s\n", static_cast<unsigned>(trace.priority), trace.text.c_str());
  for (const AssertionRecord& assertion : assertions)
    std::printf("  assertion: %s:%d: %s\n", assertion.file.c_str(), assertion.line, assertion.condition.c_str());
}
} // namespace aaxhost
