#pragma once
// A temporary world for the platform layer's tests: the home folder and the system-font folder
// of the stand-ins point into a fresh temporary folder, and a plug-in bundle with an identifier
// of its own is laid out there. Everything made through the platform stand-ins is gone when
// the object goes, which its destructor checks.
#include "standin/coretext/CoreText.h"
#include "tests/support/FontFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

class PlatformTestFolders
{
public:
  PlatformTestFolders() : mBundleID("com.example.test." + std::filesystem::path(mRoot.Path()).filename().string())
  {
    std::filesystem::create_directories(Home());
    std::filesystem::create_directories(Fonts());
    standin::SetHomeDirectory(Home());
    standin::SetSystemFontFolder(Fonts());
    WriteFile(Bundle() + "/Contents/Info.plist", InfoPlist(mBundleID));
    std::filesystem::create_directories(Resources());
    NSAutoreleasePool pool;
    NSBundle::bundleWithPath(NSString::stringWithUTF8String(Bundle().c_str())); // makes it known
  }

  ~PlatformTestFolders()
  {
    standin::SetHomeDirectory("");
    standin::SetSystemFontFolder("/usr/share/fonts");
    for (const standin::RuntimeClass* cls :
         {&standin::CGDataProvider::Class(), &standin::CGFont::Class(), &standin::CTFont::Class(), &standin::CTFontDescriptor::Class()})
      EXPECT_EQ(cls->LiveCount(), 0) << cls->Name() << " objects left";
  }

  // Bundles stay known for the life of the process, so each test's has its own identifier.
  const char* BundleID() const { return mBundleID.c_str(); }
  std::string Root() const { return mRoot.Path(); }
  std::string Home() const { return mRoot.File("home"); }
  std::string Fonts() const { return mRoot.File("fonts"); }
  std::string Bundle() const { return mRoot.File("Plug.aaxplugin"); }
  std::string Resources() const { return Bundle() + "/Contents/Resources"; }
  std::string SharedResources() const { return Home() + "/Music/Vellicor/Resources"; }
  std::string File(const std::string& name) const { return mRoot.File(name); }

  static void WriteFile(const std::string& path, const std::string& text = "x")
  {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
      std::filesystem::create_directories(parent);
    std::ofstream(path) << text;
  }

  static std::string InfoPlist(const std::string& identifier)
  {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" +
           identifier + "</string></dict></plist>\n";
  }

private:
  testsupport::TempDir mRoot;
  std::string mBundleID;
};
