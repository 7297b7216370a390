#include "standin/aaxhost/tool/InstanceSetup.h"

#include "aax/library/AAX_CString.h"
#include "standin/aaxhost/tool/DescriptionText.h"
#include "standin/aaxhost/tool/InputFile.h"
#include "standin/aaxhost/tool/ParameterText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aaxhost
{
bool LoadStateFile(PluginInstance& instance, const std::string& path)
{
  std::vector<uint8_t> data;
  std::string readError;
  if (!ReadInputFile(path, data, readError))
  {
    std::printf("error: %s\n", readError.c_str());
    return false;
  }
  AAX_CTypeID id = 0;
  const AAX_Result idResult = instance.ChunkID(&id);
  const AAX_Result result = idResult != AAX_SUCCESS ? idResult : instance.SetChunk(id, data);
  std::printf("state: loaded %zu bytes, result %s\n", data.size(), ResultText(result).c_str());
  return result == AAX_SUCCESS;
}

std::vector<ParameterInfo> PluginValues(PluginInstance& instance, bool sayAgreement)
{
  instance.Settle();
  const std::vector<ParameterInfo> hosts = instance.Parameters();
  std::vector<ParameterInfo> list;
  if (!instance.PluginParameters(list))
  {
    std::printf("note: the plug-in's state did not load back; these are the host's copies of the values\n");
    return list;
  }
  // Loading the plug-in's own state tells the host every value it holds: what moves is what
  // the host held apart.
  int apart = 0;
  for (const ParameterInfo& own : list)
  {
    const auto host = std::find_if(hosts.begin(), hosts.end(), [&own](const ParameterInfo& h) { return h.id == own.id; });
    if (host == hosts.end() || (host->text == own.text && std::fabs(host->normalized - own.normalized) <= 1e-9))
      continue;
    std::printf("host apart from the plug-in: parameter %s \"%s\": the host held %s, the plug-in %s\n", own.id.c_str(),
                own.name.c_str(), host->text.c_str(), own.text.c_str());
    ++apart;
  }
  if (apart == 0 && sayAgreement)
    std::printf("host and plug-in: the same value of every parameter\n");
  return list;
}

std::string LayoutText(const ComponentLayout& layout)
{
  std::string text = std::to_string(layout.inputs) + " in, " + std::to_string(layout.outputs) + " out";
  if (layout.sideChain)
    text += ", side-chain in";
  if (layout.aux)
    text += ", " + std::to_string(layout.aux) + " aux out";
  return text;
}

bool CreateInstance(PluginInstance& instance, const Options& options, int config, double rate)
{
  if (!instance.Create(config, static_cast<float>(rate)))
  {
    std::printf("error: %s\n", instance.Error().c_str());
    return false;
  }
  std::printf("instance: component %d, %s, %.0f Hz\n", config, LayoutText(instance.GetLayout()).c_str(), rate);
  if (options.hasTrackName)
  {
    AAX_CString name(options.trackName);
    const AAX_Result result =
      instance.Notify(AAX_eNotificationEvent_TrackNameChanged, static_cast<const AAX_IString*>(&name),
                      static_cast<uint32_t>(sizeof(name)));
    std::printf("track name \"%s\": result %s\n", options.trackName.c_str(), ResultText(result).c_str());
  }
  return true;
}

int PrepareInstance(PluginInstance& instance, const Options& options)
{
  if (!CreateInstance(instance, options, std::max(options.config, 0), options.rate > 0 ? options.rate : 48000.0))
    return kExitLoad;
  if (!options.stateFile.empty() && !LoadStateFile(instance, options.stateFile))
    return kExitFailed;
  if (!ApplySettings(instance, options.settings))
    return kExitFailed;
  return kExitOK;
}
} // namespace aaxhost
