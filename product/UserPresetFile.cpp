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
  if (text.empty() || !IsReadableSize(text.size()))
    return false;
  return WriteTextFile(Path(slot), text);
}

bool UserPresetFile::Remove(int slot)
{
  return RemoveFile(Path(slot));
}

namespace {

// One pass over the text with nlohmann-json's event parser: refuses text nested deeper than
// the bound as soon as it gets there, and keeps the top-level "PresetName" the way the
// document model does, the last of duplicate keys winning (a later non-string one removes
// an earlier string).
class PresetScan final : public nlohmann::json_sax<nlohmann::json>
{
public:
  // True when the text is strict JSON within the nesting bound.
  bool Run(const std::string& text)
  {
    try
    {
      return nlohmann::json::sax_parse(text, this, nlohmann::json::input_format_t::json, true, false) && !mTooDeep;
    }
    catch (...)
    {
      return false;
    }
  }

  bool topLevelObject = false;
  bool hasName = false;
  std::string name;

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool string(string_t& value) override
  {
    if (mDepth == 1 && mNameIsNext)
    {
      hasName = true;
      name = std::move(value);
      mNameIsNext = false;
      return true;
    }
    return Value();
  }
  bool start_object(std::size_t) override
  {
    if (mDepth == 0)
      topLevelObject = true;
    return Open();
  }
  bool key(string_t& k) override
  {
    mNameIsNext = mDepth == 1 && k == "PresetName";
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
  {
    return false;
  }

private:
  // A top-level member other than a string: a "PresetName" given so is no name.
  bool Value()
  {
    if (mDepth == 1 && mNameIsNext)
    {
      hasName = false;
      name.clear();
    }
    mNameIsNext = false;
    return true;
  }
  bool Open()
  {
    Value();
    if (++mDepth > UserPresetFile::kMaxNesting)
    {
      mTooDeep = true;
      return false;
    }
    return true;
  }
  bool Close()
  {
    --mDepth;
    return true;
  }

  int mDepth = 0;
  bool mNameIsNext = false;
  bool mTooDeep = false;
};

// The slot's file text; a file too large to read is present and reads as text that is not
// JSON. A file that holds exactly "nada" is read, and the callers take it for no file, as they
// take the text the whole-file reader gives for a file it cannot read.
FileRead ReadSlotText(int slot, std::string& text)
{
  return ReadTextFileWithin(UserPresetFile::Path(slot), UserPresetFile::kMaxFileSize, text);
}

} // namespace

UserPresetFile UserPresetFile::Read(int slot)
{
  std::string text;
  switch (ReadSlotText(slot, text))
  {
    case FileRead::kRead: return FromText(text);
    case FileRead::kTooLarge: return Unreadable();
    case FileRead::kAbsent: break;
  }
  return UserPresetFile();
}

UserPresetFile UserPresetFile::Unreadable()
{
  UserPresetFile file;
  file.mExists = true;
  return file;
}

UserPresetFile UserPresetFile::FromText(const std::string& text)
{
  if (text == kUnreadableFileText)
    return UserPresetFile();
  return ParseText(text);
}

UserPresetFile UserPresetFile::ParseText(const std::string& text)
{
  UserPresetFile file = Unreadable();
  // The bounded scan first, so that the document model never meets deep nesting.
  PresetScan scan;
  if (!IsReadableSize(text.size()) || !scan.Run(text))
    return file;
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

UserPresetFile::Listing UserPresetFile::ReadListing(int slot)
{
  std::string text;
  switch (ReadSlotText(slot, text))
  {
    case FileRead::kRead: return ListingFromText(text);
    case FileRead::kTooLarge: return {true, kDefaultName};
    case FileRead::kAbsent: break;
  }
  return {};
}

UserPresetFile::Listing UserPresetFile::ListingFromText(const std::string& text)
{
  if (text == kUnreadableFileText)
    return {};
  return ListingOfText(text);
}

UserPresetFile::Listing UserPresetFile::ListingOfText(const std::string& text)
{
  PresetScan scan;
  const bool json = IsReadableSize(text.size()) && scan.Run(text);
  return {true, json && scan.topLevelObject && scan.hasName ? scan.name : std::string(kDefaultName)};
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
