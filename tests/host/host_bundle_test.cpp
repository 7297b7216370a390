// The test bundle loaded in-process: what it exports, the answers of its entry points, and
// repeated load/register/instantiate/release/unload cycles.

#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using aaxhost::BundleLoader;

namespace {

// Each load of the bundle makes its own main run loop (the editor timer's), which is never
// destroyed by design; unloading the bundle strands it. Instances made in tests that unload
// are exempt from the leak check; the tool's other tests keep the bundle mapped and check it.
#if defined(__SANITIZE_ADDRESS__)
#define EXEMPT_FROM_LEAK_CHECK_ACROSS_UNLOAD __lsan::ScopedDisabler leakCheckExempt
#else
#define EXEMPT_FROM_LEAK_CHECK_ACROSS_UNLOAD \
  do                                         \
  {                                          \
  } while (0)
#endif

std::set<std::string> ExportedSymbols(const std::string& library)
{
  std::set<std::string> names;
  const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return names;
  char line[1024];
  while (fgets(line, sizeof line, pipe))
  {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name)
      names.insert(name);
  }
  pclose(pipe);
  return names;
}

TEST(HostBundleTest, TheBundleIsLaidOutLikeTheMacOSOneAndExportsOnlyTheEntryPoints)
{
  const std::string library = BundleLoader::LibraryPath(HOSTTEST_BUNDLE);
  EXPECT_EQ(library, std::string(HOSTTEST_BUNDLE) + "/Contents/x86_64-linux/HostTest.so");
  EXPECT_EQ(access(library.c_str(), R_OK), 0);
  // Resource folders are copied with their contents.
  EXPECT_EQ(access((std::string(HOSTTEST_BUNDLE) + "/Contents/Resources/golden/describe.txt").c_str(), R_OK), 0);

  const std::set<std::string> expected = {"ACFRegisterPlugin", "ACFRegisterComponent", "ACFGetClassFactory",
                                          "ACFCanUnloadNow",   "ACFStartup",           "ACFShutdown",
                                          "ACFGetSDKVersion"};
  EXPECT_EQ(ExportedSymbols(library), expected);
}

TEST(HostBundleTest, EntryPointsAnswerAsTheHostExpects)
{
  aaxhost::Host host;
  {
    BundleLoader bundle;
    ASSERT_TRUE(bundle.Load(HOSTTEST_BUNDLE)) << bundle.Error();
    EXPECT_EQ(bundle.Startup(host), ACF_OK);

    uint64_t version = 0;
    EXPECT_EQ(bundle.GetSDKVersion(&version), ACF_OK);
    EXPECT_EQ(version, 0x0000020501344DC8ull);
    EXPECT_EQ(bundle.GetSDKVersion(nullptr), AAX_ERROR_NULL_ARGUMENT);

    IACFUnknown* component = reinterpret_cast<IACFUnknown*>(&host);
    EXPECT_EQ(bundle.RegisterComponent(host.Unknown(), &component), ACF_OK);
    EXPECT_EQ(component, nullptr);
    void* factory = &host;
    EXPECT_EQ(bundle.GetClassFactory(host.Unknown(), &factory), AAX_ERROR_UNIMPLEMENTED);
    EXPECT_EQ(factory, nullptr);

    // Registering twice describes the effect twice, the same way.
    for (int round = 0; round < 2; ++round)
    {
      ASSERT_EQ(bundle.Register(host), ACF_OK);
      const aaxhost::Collection* collection = bundle.Registered();
      ASSERT_NE(collection, nullptr);
      ASSERT_EQ(collection->Effects().size(), 1u);
      EXPECT_EQ(collection->Effects()[0].first, "com.Tests.aax.HostTest");
      EXPECT_EQ(collection->Effects()[0].second->Components().size(), 2u);
    }
    EXPECT_EQ(bundle.CanUnloadNow(), 0);
    {
      EXEMPT_FROM_LEAK_CHECK_ACROSS_UNLOAD;
      aaxhost::PluginInstance instance(host, *bundle.Registered()->Effects()[0].second);
      ASSERT_TRUE(instance.Create(1, 44100.0f)) << instance.Error();
      EXPECT_EQ(bundle.CanUnloadNow(), 1) << "one live object while the instance exists";
    }
    EXPECT_EQ(bundle.CanUnloadNow(), 0);
    EXPECT_TRUE(host.Services().Assertions().empty());
  }
  EXPECT_TRUE(host.AllAtStartingCounts());
}

TEST(HostBundleTest, RepeatedCyclesInOneProcessLeaveNothingBehind)
{
  for (int cycle = 0; cycle < 3; ++cycle)
  {
    aaxhost::Host host;
    BundleLoader bundle;
    ASSERT_TRUE(bundle.Load(HOSTTEST_BUNDLE)) << bundle.Error();
    bundle.Startup(host);
    ASSERT_EQ(bundle.Register(host), ACF_OK);
    for (int config = 0; config < 2; ++config)
    {
      EXEMPT_FROM_LEAK_CHECK_ACROSS_UNLOAD;
      aaxhost::PluginInstance instance(host, *bundle.Registered()->Effects()[0].second);
      ASSERT_TRUE(instance.Create(config, 48000.0f)) << instance.Error();
      float in[64] = {}, out[64] = {};
      float* ins[2] = {in, in};
      float* outs[2] = {out, out};
      instance.Render(ins, outs, 64);
    }
    EXPECT_EQ(bundle.CanUnloadNow(), 0) << "cycle " << cycle;
    bundle.Unload();
    EXPECT_FALSE(bundle.IsLoaded());
    EXPECT_TRUE(host.AllAtStartingCounts()) << "cycle " << cycle;
  }
  EXPECT_EQ(aaxhost::LiveHostObjects(), 0);
}

} // namespace
