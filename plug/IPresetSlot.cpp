#include "plug/IPresetSlot.h"

#include <algorithm>
#include <cstring>

namespace plug {

void IPresetSlot::SetName(const char* name)
{
  if (!name)
    name = "";
  const size_t len = std::min(std::strlen(name), static_cast<size_t>(kMaxPresetNameLen));
  std::memmove(mName, name, len); // the name may come from this very slot
  mName[len] = '\0';
}

} // namespace plug
