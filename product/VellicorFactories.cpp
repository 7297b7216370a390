#include "product/VellicorFactories.h"

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
  auto* graphics = new plug::igraphics::IGraphicsMac(plugin, width, height, fps, scale);
  graphics->SetBundleID(kBundleID);
  graphics->SetAppGroupID(kAppGroupID);
  graphics->SetSharedResourcesSubPath(kProductName);
  return graphics;
}
