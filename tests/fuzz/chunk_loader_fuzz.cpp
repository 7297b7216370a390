// libFuzzer target for the chunk loader: any byte string must load without reading outside
// it, and whatever is understood must write and load back unchanged.
// Built by tests/fuzz/run-chunk-fuzz (clang only; not part of the normal build).
#include "tests/aax/ChunkLoadCheck.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!chunkcheck::LoadWriteLoad(data, size))
    std::abort();
  return 0;
}
