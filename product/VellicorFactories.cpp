#include "product/VellicorFactories.h"

#include "graphics/renderer/VGRImageDecode.h"
#include "platform/mac/IGraphicsMac.h"
#include "plug/IGEditorDelegate.h"
#include "product/Vellicor.h"
#include "product/VellicorConstants.h"

std::recursive_mutex& VellicorInstanceMutex()
{
  // Built on first use (thread-safe) and destroyed at process exit.
  static std::recursive_mutex sMutex;
  return sMutex;
}

Vellicor* CreatePlugInstance(const plug::InstanceInfo& info)
{
  std::lock_guard<std::recursive_mutex> lock(VellicorInstanceMutex());
  return new Vellicor(info);
}

plug::igraphics::IGraphics* CreatePlugGraphics(plug::igraphics::IGEditorDelegate& plugin, int width, int height,
                                               int fps, float scale)
{
  // No bitmap of ours is larger than the @3x background (2700 x 1500): anything beyond a
  // 4096-pixel square is refused before it is decoded.
  plug::igraphics::vgrSetImagePixelBudget(kMaxImagePixels);
  auto* graphics = new plug::igraphics::IGraphicsMac(plugin, width, height, fps, scale);
  graphics->SetBundleID(kBundleID);
  graphics->SetAppGroupID(kAppGroupID);
  graphics->SetSharedResourcesSubPath(kProductName);
  return graphics;
}
