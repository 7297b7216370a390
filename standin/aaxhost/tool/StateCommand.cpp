// aaxhost state: state chunks saved, loaded and compared.

#include "standin/aaxhost/tool/Commands.h"

#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/InstanceSetup.h"
#include "standin/aaxhost/tool/OutputFile.h"
#include "standin/aaxhost/tool/ParameterText.h"

#include <algorithm>
#include <cstdio>

namespace aaxhost
{
int CommandState(const Collection& collection, Host& host, const Options& options)
{
  PluginInstance instance(host, *collection.Effects().front().second);
  if (!CreateInstance(instance, options, std::max(options.config, 0), options.rate > 0 ? options.rate : 48000.0))
    return kExitLoad;
  AAX_CTypeID ownID = 0;
  const AAX_Result idResult = instance.ChunkID(&ownID);
  if (idResult != AAX_SUCCESS)
    return std::printf("error: no chunk: result %s\n", ResultText(idResult).c_str()), kExitFailed;
  std::printf("chunk id: %s\n", FourCCText(ownID).c_str());
  AAX_CTypeID id = ownID;
  if (!options.chunkID.empty())
    id = AAX_MakeFourCC(options.chunkID[0], options.chunkID[1], options.chunkID[2], options.chunkID[3]);

  int exitCode = kExitOK;
  if (!options.loadFile.empty())
  {
    std::vector<uint8_t> data;
    std::string readError;
    if (!ReadInputFile(options.loadFile, data, readError))
      return std::printf("error: %s\n", readError.c_str()), kExitFailed;
    const AAX_Result result = instance.SetChunk(id, data);
    std::printf("load: %zu bytes as %s, result %s\n", data.size(), FourCCText(id).c_str(), ResultText(result).c_str());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
  }
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  if (!options.saveFile.empty())
  {
    std::vector<uint8_t> data;
    const AAX_Result result = instance.GetChunk(ownID, data);
    std::string writeError;
    if (result == AAX_SUCCESS && !WriteOutputFile(options.saveFile, data, writeError))
      return std::printf("error: %s\n", writeError.c_str()), kExitFailed;
    std::printf("save: result %s, %zu bytes\n", ResultText(result).c_str(), data.size());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
  }
  if (!options.compareFile.empty())
  {
    std::vector<uint8_t> data;
    std::string readError;
    if (!ReadInputFile(options.compareFile, data, readError))
      return std::printf("error: %s\n", readError.c_str()), kExitFailed;
    bool equal = false;
    const AAX_Result result = instance.CompareChunk(id, data, &equal);
    std::printf("compare: %s, result %s\n", equal ? "equal" : "different", ResultText(result).c_str());
    if (result != AAX_SUCCESS)
      exitCode = kExitFailed;
    else if (!equal && exitCode == kExitOK)
      exitCode = kExitDiffer;
  }
  return exitCode;
}
} // namespace aaxhost
