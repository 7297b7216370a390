#pragma once
// The objects the rest of the system asks the product for: plug-in instances for the host
// binding's instance factory and graphics contexts for the editor delegate.
#include "plug/InstanceInfo.h"

#include <mutex>

class Vellicor;

namespace plug {
namespace igraphics {
class IGEditorDelegate;
class IGraphics;
} // namespace igraphics
} // namespace plug

// The process-wide recursive lock that serialises the construction of plug-in instances.
// Every Vellicor holds it for its whole constructor, including the reading of the slot-0
// user preset file.
std::recursive_mutex& VellicorInstanceMutex();

// A new plug-in object, owned by the caller. Construction runs under the instance lock; an
// exception from the constructor travels on to the caller (the storage is freed and the lock
// released), so a host-facing factory must catch.
Vellicor* CreatePlugInstance(const plug::InstanceInfo& info);

// The editor's graphics context for the delegate at the given size, frame rate and scale,
// owned by the caller: the platform's, with the product's bundle and app-group identifiers
// and its shared-resources folder name.
plug::igraphics::IGraphics* CreatePlugGraphics(plug::igraphics::IGEditorDelegate& plugin, int width,
                                                     int height, int fps, float scale);
