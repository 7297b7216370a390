// aaxhost cycles: the bundle loaded, registered, instantiated, released and unloaded, again
// and again.

#include "standin/aaxhost/tool/Commands.h"

#include "standin/aaxhost/HostContext.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/HostLog.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace aaxhost
{
int CommandCycles(const Options& options)
{
  int count = 3;
  if (!options.arguments.empty())
    ParseInt(options.arguments[0], count);
  bool allClean = true;
  for (int i = 0; i < count; ++i)
  {
    Host host;
    BundleLoader bundle;
    if (!bundle.Load(options.bundle))
      return std::printf("error: %s\n", bundle.Error().c_str()), kExitLoad;
    bundle.Startup(host);
    const ACFRESULT registered = bundle.Register(host);
    const Collection* collection = bundle.Registered();
    bool instanced = false;
    ACFRESULT liveWithInstance = -1;
    if (registered == ACF_OK && collection && !collection->Effects().empty())
    {
      PluginInstance instance(host, *collection->Effects().front().second);
      instanced = instance.Create(options.config >= 0 ? options.config : 0, 48000.0f);
      liveWithInstance = bundle.CanUnloadNow();
    }
    const ACFRESULT live = bundle.CanUnloadNow();
    const std::string path = bundle.Path();
    bundle.Unload();
    // A library that is really gone can no longer be found without loading it.
    void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    const bool unloaded = still == nullptr;
    if (still)
      dlclose(still);
    const bool balanced = host.AllAtStartingCounts();
    const bool clean = registered == ACF_OK && instanced && live == 0 && balanced;
    allClean = allClean && clean;
    std::printf("cycle %d: register %s, instance %s, live objects %d with instance, %d after release, "
                "host references %s, library %s\n",
                i + 1, ResultText(registered).c_str(), instanced ? "made" : "FAILED", liveWithInstance, live,
                balanced ? "balanced" : "UNBALANCED", unloaded ? "unloaded" : "still loaded");
    if (host.Services().TraceCount() > 0 || host.Services().AssertionCount() > 0)
      PrintHostLog(host);
  }
  std::printf("live host objects: %d\n", LiveHostObjects());
  return allClean ? kExitOK : kExitFailed;
}
} // namespace aaxhost
