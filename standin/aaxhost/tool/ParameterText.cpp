#include "standin/aaxhost/tool/ParameterText.h"

#include "standin/aaxhost/tool/DescriptionText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace aaxhost
{
namespace
{
// The number a display text starts with, and how many decimals it shows.
bool LeadingNumber(const std::string& text, double& value, int& decimals)
{
  const char* start = text.c_str();
  char* end = nullptr;
  value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value))
    return false;
  const char* point = std::find(start, static_cast<const char*>(end), '.');
  decimals = point < end ? static_cast<int>(end - point - 1) : 0;
  return true;
}

// Whether a numeric text lies outside the parameter's range as the plug-in displays its ends
// (by more than the display's rounding); range gets "LOW..HIGH".
bool OutsideRange(const PluginInstance& instance, const std::string& id, const std::string& text, std::string& range)
{
  const std::string low = instance.FormatText(id, 0.0);
  const std::string high = instance.FormatText(id, 1.0);
  double requested = 0.0, a = 0.0, b = 0.0;
  int decimals = 0, decimalsA = 0, decimalsB = 0;
  if (!LeadingNumber(text, requested, decimals) || !LeadingNumber(low, a, decimalsA) ||
      !LeadingNumber(high, b, decimalsB))
    return false;
  const double rounding = 0.5 * std::pow(10.0, -std::min(decimalsA, decimalsB));
  range = low + ".." + high;
  return requested < std::min(a, b) - rounding || requested > std::max(a, b) + rounding;
}

// The texts a stepped parameter shows at its steps, "" for a continuous one.
std::string AcceptedTexts(const PluginInstance& instance, const std::string& id)
{
  const ParameterInfo info = InfoOf(instance, id);
  if (!info.discrete || info.steps < 2 || info.steps > 64)
    return std::string();
  std::string list;
  std::string previous;
  for (int i = 0; i < info.steps; ++i)
  {
    const std::string text = instance.FormatText(id, static_cast<double>(i) / (info.steps - 1));
    if (text.empty() || text == previous)
      continue;
    list += (list.empty() ? "" : ", ") + text;
    previous = text;
  }
  return list;
}
} // namespace

std::string ResolveParameter(const PluginInstance& instance, const std::string& parameter)
{
  const std::string id = instance.FindParameter(parameter);
  if (id.empty())
    std::printf("error: no parameter \"%s\"\n", parameter.c_str());
  return id;
}

ParameterInfo InfoOf(const PluginInstance& instance, const std::string& id)
{
  for (ParameterInfo& info : instance.Parameters())
    if (info.id == id)
      return info;
  return ParameterInfo();
}

bool ReadValue(const PluginInstance& instance, const std::string& id, const std::string& text, bool normalized,
               double& out, std::string& error, std::string& note)
{
  note.clear();
  if (normalized)
  {
    if (!ParseDouble(text, out))
    {
      error = "\"" + text + "\" is no normalised value (a number from 0 to 1)";
      return false;
    }
    if (out < 0.0 || out > 1.0)
    {
      out = std::clamp(out, 0.0, 1.0);
      note = text + " is outside 0..1: clamped to " + instance.FormatText(id, out);
    }
    return true;
  }
  const AAX_Result result = instance.ParseText(id, text, &out);
  if (result != AAX_SUCCESS)
  {
    error = "\"" + InfoOf(instance, id).name + "\" does not take \"" + text + "\": result " + ResultText(result);
    const std::string accepted = AcceptedTexts(instance, id);
    if (!accepted.empty())
      error += "; it takes: " + accepted;
    return false;
  }
  std::string range;
  if (OutsideRange(instance, id, text, range))
    note = text + " is outside " + range + ": clamped to " + instance.FormatText(id, out);
  return true;
}

bool ApplySettings(PluginInstance& instance, const std::vector<Setting>& settings)
{
  for (const Setting& setting : settings)
  {
    const std::string id = ResolveParameter(instance, setting.parameter);
    if (id.empty())
      return false;
    double normalized = 0.0;
    std::string error, note;
    if (!ReadValue(instance, id, setting.value, setting.normalized, normalized, error, note))
    {
      std::printf("error: %s\n", error.c_str());
      return false;
    }
    const AAX_Result result = instance.SetNormalized(id, normalized);
    if (result != AAX_SUCCESS)
    {
      std::printf("error: setting %s to \"%s\" failed: result %s\n", id.c_str(), setting.value.c_str(),
                  ResultText(result).c_str());
      return false;
    }
    std::printf("set %s = %s%s\n", id.c_str(), instance.ParameterText(id).c_str(),
                note.empty() ? "" : (" (" + note + ")").c_str());
  }
  return true;
}
} // namespace aaxhost
