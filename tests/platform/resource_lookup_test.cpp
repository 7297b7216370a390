#include "platform/mac/MacPaths.h"
#include "tests/platform/PlatformTestFolders.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

using plug::CharBuf;

namespace {

// The bundle identifier of the test's folders.
const char* sBundleID = nullptr;

// LocateResource's answer: the path found, or "-" followed by the result when nothing was.
std::string Locate(const char* name, const char* type, const char* subPath = "Vellicor", const char* bundleID = sBundleID)
{
  CharBuf result("untouched");
  return plug::LocateResource(name, type, result, bundleID, nullptr, subPath) ? result.Get() : std::string("-") + result.Get();
}

} // namespace

TEST(ResourceLookup, BundleThenSharedFolderThenPlainPath)
{
  PlatformTestFolders folders;
  sBundleID = folders.BundleID();
  const std::string res = folders.Resources();
  const std::string shared = folders.SharedResources();
  for (const char* file : {"background.png", "img/knob.png", "Both.png"})
    PlatformTestFolders::WriteFile(res + "/" + file);
  for (const char* file : {"knob.png", "shared.png", "Both.png", "upper.PNG"})
    PlatformTestFolders::WriteFile(shared + "/" + file);
  std::filesystem::create_directories(res + "/folder.png");
  PlatformTestFolders::WriteFile(folders.File("plain.svg"));

  EXPECT_EQ(Locate("background.png", "png"), res + "/background.png");
  EXPECT_EQ(Locate("background.png", "PNG"), res + "/background.png") << "the extension test ignores case";
  EXPECT_EQ(Locate("upper.PNG", "png"), shared + "/upper.PNG");
  EXPECT_EQ(Locate("Both.png", "png"), res + "/Both.png") << "the bundle comes first";
  EXPECT_EQ(Locate("shared.png", "png"), shared + "/shared.png");
  // A folder part is kept in the bundle and dropped in the shared folder.
  EXPECT_EQ(Locate("img/knob.png", "png"), res + "/img/knob.png");
  EXPECT_EQ(Locate("knob.png", "png"), shared + "/knob.png");
  CharBuf result;
  EXPECT_TRUE(plug::FindResourceInMusicFolder("img/knob.png", "png", result, "Vellicor"));
  EXPECT_EQ(std::string(result.Get()), shared + "/knob.png");
  // Without a shared sub path or a known bundle, that step finds nothing.
  EXPECT_EQ(Locate("shared.png", "png", ""), "-");
  EXPECT_EQ(Locate("shared.png", "png", nullptr), "-");
  EXPECT_EQ(Locate("background.png", "png", "Vellicor", "com.example.unknown"), "-");
  EXPECT_EQ(Locate("background.png", "png", "Vellicor", nullptr), "-");
  // A plain path is found whatever its extension; a folder is no resource.
  const std::string plain = folders.File("plain.svg");
  EXPECT_EQ(Locate(plain.c_str(), "png"), plain);
  EXPECT_EQ(Locate("folder.png", "png"), "-");
  // A failed step empties the result; an empty name leaves it alone.
  result.Set("old");
  EXPECT_FALSE(plug::FindResourceInBundle("missing.png", "png", result, sBundleID));
  EXPECT_STREQ(result.Get(), "");
  result.Set("old");
  EXPECT_FALSE(plug::FindResourceInMusicFolder("background.png", "jpg", result, "Vellicor"));
  EXPECT_STREQ(result.Get(), "");
  EXPECT_EQ(Locate("", "png"), "-untouched");
  EXPECT_EQ(Locate(nullptr, "png"), "-untouched");
  // Text that is not UTF-8 makes no string on the platform: nothing is found, nothing crashes.
  EXPECT_EQ(Locate("kn\xFFob.png", "png"), "-");
  EXPECT_EQ(Locate("background.png", "png", "Vell\xC3icor"), res + "/background.png") << "the bundle still has it";
  EXPECT_EQ(Locate("shared.png", "png", "Vellicor", "com.\xFF"), shared + "/shared.png") << "the shared folder still has it";
}

TEST(ResourceLookup, NameWithoutDotIsItsOwnExtensionAndFoundOnlyAsAPath)
{
  PlatformTestFolders folders;
  sBundleID = folders.BundleID();
  PlatformTestFolders::WriteFile(folders.Resources() + "/Roboto-Regular.ttf");
  PlatformTestFolders::WriteFile(folders.SharedResources() + "/Roboto-Regular.ttf");
  EXPECT_EQ(Locate("Roboto-Regular", "ttf"), "-");

  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folders.Root().c_str()), 0);
  PlatformTestFolders::WriteFile("Roboto-Regular");
  EXPECT_EQ(Locate("Roboto-Regular", "ttf"), "Roboto-Regular");
  ASSERT_EQ(chdir(previous), 0);
}

TEST(ResourceLookup, AppExtensionsTakeResourcesFromTheirContainingApp)
{
  PlatformTestFolders folders;
  sBundleID = folders.BundleID();
  const std::string app = folders.File("Host.app");
  const std::string extension = app + "/Contents/PlugIns/Plug.appex";
  PlatformTestFolders::WriteFile(extension + "/Contents/Info.plist", PlatformTestFolders::InfoPlist("com.example.test.Ext"));
  PlatformTestFolders::WriteFile(app + "/Contents/Resources/panel.png");
  PlatformTestFolders::WriteFile(extension + "/Contents/Resources/panel.png");
  {
    NSAutoreleasePool pool;
    NSBundle::bundleWithPath(NSString::stringWithUTF8String(extension.c_str()));
  }
  EXPECT_EQ(Locate("panel.png", "png", "", "com.example.test.Ext"), extension + "/Contents/Resources/panel.png");
  EXPECT_FALSE(plug::IsAppExtensionBundle());
  standin::SetMainBundleIdentifier("com.example.host.AUv3");
  EXPECT_TRUE(plug::IsAppExtensionBundle());
  EXPECT_EQ(Locate("panel.png", "png", "", "com.example.test.Ext"), app + "/Contents/Resources/panel.png");
  standin::SetMainBundleIdentifier("");
}

TEST(ResourceLookup, FolderOperations)
{
  PlatformTestFolders folders;
  sBundleID = folders.BundleID();
  const std::string home = folders.Home();
  const auto text = [](void (*get)(CharBuf&)) {
    CharBuf path;
    get(path);
    return std::string(path.Get());
  };
  EXPECT_EQ(text(plug::GetHomePath), home);
  EXPECT_EQ(text(plug::GetDesktopPath), home + "/Desktop");
  EXPECT_EQ(text(plug::GetMusicFolderPath), home + "/Music");
  CharBuf path("kept");
  plug::GetPresetsFolderPath("Orlenbeck", "Vellicor", false, path);
  EXPECT_STREQ(path.Get(), (home + "/Library/Audio/Presets/Orlenbeck/Vellicor/").c_str());
  plug::GetPresetsFolderPath("Orlenbeck", "Vellicor", true, path);
  EXPECT_STREQ(path.Get(), "/Library/Audio/Presets/Orlenbeck/Vellicor/");
  plug::GetAppSupportSubPath("Vellicor", path);
  EXPECT_STREQ(path.Get(), (home + "/Library/Application Support/Vellicor").c_str());
  plug::GetAppSupportPath(true, path);
  EXPECT_STREQ(path.Get(), "/System/Library/Application Support");
  plug::GetAppGroupContainerPath("group.com.Orlenbeck.Vellicor", path);
  EXPECT_STREQ(path.Get(), (home + "/Library/Group Containers/group.com.Orlenbeck.Vellicor").c_str());
  plug::GetAppGroupContainerPath("", path);
  EXPECT_STREQ(path.Get(), "");

  // The bundle's folders; an unknown bundle leaves the executable and folder paths as they were.
  path.Set("kept");
  plug::GetBundleExecutablePath(sBundleID, path);
  EXPECT_STREQ(path.Get(), "kept") << "the test bundle has no executable";
  plug::GetBundleFolderPath(sBundleID, path);
  EXPECT_STREQ(path.Get(), (folders.Root() + "/").c_str());
  plug::GetBundleFolderPath("com.example.unknown", path);
  EXPECT_STREQ(path.Get(), (folders.Root() + "/").c_str());
  plug::GetBundleResourcePath(sBundleID, path);
  EXPECT_STREQ(path.Get(), folders.Resources().c_str());
  plug::GetBundleResourcePath("com.example.unknown", path);
  EXPECT_STREQ(path.Get(), "");

  EXPECT_FALSE(plug::IsSandboxed());
  standin::SetHomeDirectory("/Users/x/Library/Containers/com.example.app/Data");
  EXPECT_TRUE(plug::IsSandboxed());
  EXPECT_FALSE(plug::IsOutOfProcess());
  standin::SetProcessName("AUHostingServiceXPC_arrow");
  EXPECT_TRUE(plug::IsOutOfProcess());
  standin::SetProcessName("");
}

// The real plug-in, loaded as a host loads it, is found by its identifier from the place of
// its library, so its resources folder is the bundle's.
TEST(ResourceLookup, TheLoadedPluginFindsItsOwnBundle)
{
  const std::string bundle = VELLICOR_BUNDLE;
  const std::string library = bundle + "/Contents/x86_64-linux/Vellicor.so";
  CharBuf path("kept");
  plug::GetBundleResourcePath("com.Orlenbeck.aax.Vellicor", path);
  EXPECT_STREQ(path.Get(), "") << "not loaded yet";
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  plug::GetBundleResourcePath("com.Orlenbeck.aax.Vellicor", path);
  EXPECT_STREQ(path.Get(), (bundle + "/Contents/Resources").c_str());
  plug::GetBundleExecutablePath("com.Orlenbeck.aax.Vellicor", path);
  EXPECT_STREQ(path.Get(), library.c_str());
  // The library stays mapped, as the test host leaves it (its run loop lives as long as the process).
}
