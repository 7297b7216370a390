#include "product/UserPresetFile.h"

#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"
#include "product/FileUtilities.h"
#include "product/VellicorConstants.h"

#include <cmath>
#include <cstdint>
#include <cstring>

std::string UserPresetFile::Path(int slot)
{
  return "~/Music/Orlenbeck/Vellicor Presets/" + std::to_string(slot) + " User Preset.json";
}

bool UserPresetFile::IsStoredParam(int index)
{
  return index != kDelta && index != kABSelect && index != kOverSampling;
}

nlohmann::json UserPresetFile::ParamValueToJSON(const plug::IParam& param)
{
  const double v = param.Value();
  if (param.Kind() == plug::kKindDouble)
    return v;
  // Truncation toward zero; out-of-range values (impossible for a clamped parameter) are
  // pinned instead of converting with undefined behaviour.
  if (std::isnan(v))
    return 0;
  if (v <= static_cast<double>(INT32_MIN))
    return INT32_MIN;
  if (v >= static_cast<double>(INT32_MAX))
    return INT32_MAX;
  return static_cast<int32_t>(v);
}

std::string UserPresetFile::ToText(const nlohmann::json& params, const std::string& name)
{
  try
  {
    nlohmann::json document = nlohmann::json::object();
    document["Params"] = params;
    document["PresetName"] = name;
    // The replace handler repairs invalid UTF-8 instead of throwing.
    return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  catch (...)
  {
    return {};
  }
}

bool UserPresetFile::Write(int slot, const nlohmann::json& params, const std::string& name)
{
  const std::string text = ToText(params, name);
  if (text.empty())
    return false;
  return WriteTextFile(Path(slot), text);
}

bool UserPresetFile::Remove(int slot)
{
  return RemoveFile(Path(slot));
}

UserPresetFile UserPresetFile::Read(int slot)
{
  return FromText(ReadTextFile(Path(slot)));
}

UserPresetFile UserPresetFile::FromText(const std::string& text)
{
  UserPresetFile file;
  if (text == kUnreadableFileText)
    return file;
  file.mExists = true;
  try
  {
    // Strict JSON, no comments; a failure gives "discarded", which we replace by an
    // empty object so that every value read fails.
    nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false, false);
    if (!parsed.is_discarded())
      file.mDocument = std::move(parsed);
  }
  catch (...)
  {
  }
  return file;
}

bool UserPresetFile::HasName() const
{
  if (!mDocument.is_object())
    return false;
  const auto it = mDocument.find("PresetName");
  return it != mDocument.end() && it->is_string();
}

std::string UserPresetFile::Name() const
{
  return HasName() ? mDocument.at("PresetName").get<std::string>() : kDefaultName;
}

bool UserPresetFile::ReadValue(int index, double& value) const
{
  try
  {
    if (!mDocument.is_object())
      return false;
    const auto params = mDocument.find("Params");
    if (params == mDocument.end() || !params->is_object())
      return false;
    const auto entry = params->find(std::to_string(index));
    // is_number excludes booleans, which the library would otherwise convert to 0 or 1.
    if (entry == params->end() || !entry->is_number())
      return false;
    value = entry->get<double>();
    return !std::isnan(value);
  }
  catch (...)
  {
    return false;
  }
}

bool UserPresetFile::ApplyValue(plug::IParam& param, int index) const
{
  double v = 0.0;
  if (!ReadValue(index, v))
    return false;
  return param.Set(v);
}

nlohmann::json UserPresetFile::ParamsToJSON(const plug::IEditorDelegate& delegate)
{
  nlohmann::json params = nlohmann::json::object();
  for (int i = 0; i < delegate.NParams(); ++i)
  {
    const plug::IParam* param = delegate.GetParam(i);
    if (param && IsStoredParam(i))
      params[std::to_string(i)] = ParamValueToJSON(*param);
  }
  return params;
}

int UserPresetFile::ApplyParams(plug::IEditorDelegate& delegate) const
{
  int failures = 0;
  for (int i = 0; i < delegate.NParams(); ++i)
  {
    plug::IParam* param = delegate.GetParam(i);
    if (param && IsStoredParam(i) && !ApplyValue(*param, i))
      ++failures;
  }
  return failures;
}
