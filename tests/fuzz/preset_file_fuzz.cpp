// libFuzzer target for VST 2 preset and bank files: any bytes, as a file, go through ReadFXPFile
// and ReadFXBFile of a plug-in with state chunks and of one without. Nothing may be read outside
// the file, and every parameter stays in its range.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/plug/TestPlugin.h"

#include <sys/mman.h>
#include <unistd.h>

#include <string>

using fuzzcheck::Require;

namespace {

// A file in memory, rewritten for every input: nothing lands on disk.
class MemoryFile
{
public:
  MemoryFile() : mFd(memfd_create("vellicor-preset-fuzz", 0))
  {
    Require(mFd >= 0, "a memory file");
    mPath = "/proc/self/fd/" + std::to_string(mFd);
  }
  ~MemoryFile() { close(mFd); }

  const char* Write(const uint8_t* data, size_t size)
  {
    Require(ftruncate(mFd, 0) == 0, "the memory file empties");
    Require(size == 0 || pwrite(mFd, data, size, 0) == static_cast<ssize_t>(size), "the memory file fills");
    return mPath.c_str();
  }

private:
  int mFd;
  std::string mPath;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static MemoryFile file;
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
