// libFuzzer target for the state chunk as a host restores it: any bytes, in a record of exactly
// their size, go through the binding's SetStateChunk on the product's plug-in, set up by the
// host stand-in. A chunk it takes saves a state that loads again to itself; a chunk it refuses
// changes nothing; every parameter stays in its range.
#include "product/FileUtilities.h"
#include "product/Vellicor.h"
#include "product/VellicorFactories.h"
#include "standin/aaxhost/Host.h"
#include "tests/fuzz/FuzzCheck.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using fuzzcheck::Require;

namespace {

// One initialised instance for the whole run, with "~" in a folder of its own.
class Instance
{
public:
  Instance()
  {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellicor-fuzz-XXXXXX";
    Require(mkdtemp(folder.data()) != nullptr, "a home folder for the run");
    mHome = folder;
    SetHomeFolderOverride(mHome);
    mHost.GetController().SetSampleRate(48000.0f);
    mHost.GetController().SetStemFormats(AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo);
    mPlugin = CreatePlugInstance(plug::InstanceInfo());
    mPlugin->AddRef();
    Require(mPlugin->Init(mHost.Unknown()) == AAX_SUCCESS, "the plug-in initialises");
    mID = static_cast<AAX_CTypeID>(mPlugin->GetUniqueID());
  }
  ~Instance()
  {
    mPlugin->Uninit();
    mPlugin->Release();
    SetHomeFolderOverride("");
    rmdir(mHome.c_str());
  }

  Vellicor& Plugin() { return *mPlugin; }

  std::vector<uint8_t> Save()
  {
    uint32_t size = 0;
    Require(mPlugin->GetStateChunkSize(mID, &size) == AAX_SUCCESS, "the state has a size");
    std::vector<uint8_t> record(AAX_ChunkRecordSize(size));
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fChunkID = static_cast<int32_t>(mID);
    Require(mPlugin->GetStateChunk(mID, chunk) == AAX_SUCCESS, "the state saves");
    return std::vector<uint8_t>(record.begin() + AAX_ChunkRecordSize(0), record.end());
  }

  // The bytes in a record of exactly their size, so that a sanitizer sees any read past it.
  AAX_Result Load(const uint8_t* data, size_t size)
  {
    std::unique_ptr<uint8_t[]> record(new uint8_t[AAX_ChunkRecordSize(size)]());
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.get());
    chunk->fSize = static_cast<int32_t>(size);
    chunk->fChunkID = static_cast<int32_t>(mID);
    if (size)
      std::memcpy(record.get() + AAX_ChunkRecordSize(0), data, size);
    return mPlugin->SetStateChunk(mID, chunk);
  }

private:
  std::string mHome;
  aaxhost::Host mHost;
  Vellicor* mPlugin = nullptr;
  AAX_CTypeID mID = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Instance instance;
  if (size > INT32_MAX)
    return 0;
  const std::vector<uint8_t> before = instance.Save();
  const AAX_Result result = instance.Load(data, size);
  const std::vector<uint8_t> after = instance.Save();
  fuzzcheck::RequireParamsInRange(instance.Plugin());
  if (result != AAX_SUCCESS)
  {
    Require(after == before, "a refused chunk changes nothing");
    return 0;
  }
  Require(instance.Load(after.data(), after.size()) == AAX_SUCCESS, "a saved state loads");
  Require(instance.Save() == after, "a saved state loads again to itself");
  return 0;
}
