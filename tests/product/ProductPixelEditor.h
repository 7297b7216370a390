#pragma once
// The product's editor drawn in pixels: a Vellicor in a temporary home folder whose editor is
// a PixelGraphics laid out by the product's own layout, finding its bitmaps and fonts in a
// bundle of its own (a copy of the resources the build generated, or none at all).
#include "HomeFolder.h"
#include "PixelGraphics.h"
#include "product/Vellicor.h"
#include "tests/platform/PlatformTestFolders.h"

#include <filesystem>
#include <memory>

class ProductPixelEditor
{
public:
  // The folder of the editor's generated resources (the build's).
  static std::string GeneratedResources() { return VELLICOR_EDITOR_RESOURCES_DIR; }

  explicit ProductPixelEditor(float screenScale = 1.f, bool withResources = true)
  {
    if (withResources)
      for (const auto& entry : std::filesystem::directory_iterator(GeneratedResources()))
        std::filesystem::copy_file(entry.path(), mFolders.Resources() + "/" + entry.path().filename().string());
    plugin = std::make_unique<Vellicor>(plug::InstanceInfo());
    editor = std::make_unique<testgraphics::PixelEditor>(*plugin, kEditorWidth, kEditorHeight, 1.f, screenScale,
                                                         mFolders.BundleID());
  }
  ~ProductPixelEditor()
  {
    editor.reset();
    plugin.reset();
  }

  testgraphics::PixelGraphics& Open() { return editor->Open(); }
  testgraphics::PixelGraphics& G() const { return *editor->Graphics(); }
  double V(int paramIdx) const { return plugin->GetParam(paramIdx)->Value(); }

private:
  PlatformTestFolders mFolders;
  TempHome mHome;

public:
  std::unique_ptr<Vellicor> plugin;
  std::unique_ptr<testgraphics::PixelEditor> editor;
};
