#include "plug/MainThread.h"

#include "standin/foundation/Object.h"

namespace plug {

bool IsMainThread() { return standin::IsMainThread(); }

} // namespace plug
