// aaxhost params: every host parameter of an instance.

#include "standin/aaxhost/tool/Commands.h"

#include "standin/aaxhost/tool/InstanceSetup.h"

#include <cstdio>

namespace aaxhost
{
int CommandParams(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (const int failure = PrepareInstance(instance, options))
    return failure;
  const auto list = PluginValues(instance);
  std::printf("parameters: %zu\n", list.size());
  int index = 0;
  for (const ParameterInfo& info : list)
  {
    std::printf("%2d  id \"%s\"  name \"%s\"  steps %d  %s%s  default %.6f  value %.6f  text \"%s\"\n", index++,
                info.id.c_str(), info.name.c_str(), info.steps, info.discrete ? "discrete" : "continuous",
                info.automatable ? "" : "  not automatable", info.defaultNormalized, info.normalized,
                info.text.c_str());
  }
  return kExitOK;
}
} // namespace aaxhost
