// libFuzzer target for the chunk-data parser: any byte string must load without reading outside
// it, and whatever is understood must write and load back unchanged.
#include "tests/aax/ChunkLoadCheck.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  fuzzcheck::Require(chunkcheck::LoadWriteLoad(data, size), "what was understood writes and loads back");
  return 0;
}
