// libFuzzer target for VST 2 preset and bank files: any bytes, as a file, go through ReadFXPFile
// and ReadFXBFile of a plug-in with state chunks and of one without. Nothing may be read outside
// the file, and every parameter stays in its range.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/MemoryFile.h"
#include "tests/plug/TestPlugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static fuzzcheck::MemoryFile file;
  const char* path = file.Write(data, size);
  for (const bool chunks : {false, true})
  {
    testplug::TestPlugin plugin(33, 30);
    plugin.SetStateChunks(chunks);
    testplug::SetUpBankPlugin(plugin);
    plugin.ReadFXPFile(path);
    fuzzcheck::RequireParamsInRange(plugin);
    plugin.ReadFXBFile(path);
    fuzzcheck::RequireParamsInRange(plugin);
  }
  return 0;
}
