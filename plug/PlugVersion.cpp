#include "plug/PlugVersion.h"

namespace plug {

const char* FrameworkVersion() { return PLUG_VERSION_STRING; }

const char* BuildDescription()
{
  return "Vellicor framework " PLUG_VERSION_STRING ", built " __DATE__ " " __TIME__
#if defined(__x86_64__)
         " for x86-64"
#endif
#if defined(NDEBUG)
         " (release)";
#else
         " (debug)";
#endif
}

} // namespace plug
