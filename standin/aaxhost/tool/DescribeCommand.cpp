// aaxhost describe: the effect description the bundle registers.

#include "standin/aaxhost/tool/Commands.h"

#include "standin/aaxhost/tool/DescriptionText.h"

#include <cstdint>
#include <cstdio>

namespace aaxhost
{
int CommandDescribe(const BundleLoader& bundle, const Collection& collection)
{
  uint64_t version = 0;
  bundle.GetSDKVersion(&version);
  std::printf("library version: 0x%016llx\n", static_cast<unsigned long long>(version));
  std::fputs(DescriptionText(collection).c_str(), stdout);
  return kExitOK;
}
} // namespace aaxhost
