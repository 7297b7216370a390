#pragma once
// The user preset file: one JSON file per preset slot, at
// "~/Music/Orlenbeck/Vellicor Presets/<slot> User Preset.json", holding
// {"Params":{"<index>":value,...},"PresetName":"<name>"}.
//
// Saved files are read back by every later version, so the layout is fixed: members in
// byte-wise key order, compact, parameters 0 ("Delta"), 1 (A/B selector) and 15
// ("OverSampling") never stored, double parameters as floating-point numbers and all others
// as integers truncated toward zero.
//
// Reading never throws: text that is not JSON, a wrong type or a missing member only makes
// the affected values fail, and the caller decides what a failure means.
//
// Every reader is bounded by what a preset needs, with a wide margin: a saved file is about
// 1 KB and two levels deep. A file of kMaxFileSize bytes or more, or text nested deeper than
// kMaxNesting, is still a file, one that is not JSON: the slot shows "Error loading preset..."
// rather than hiding the user's file behind the factory preset. The writer keeps to the same
// bound (IsReadableSize), so that every preset saved can be loaded back: a name long enough to
// take the text to the bound is refused as a failed write, never cut.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

namespace plug {
class IParam;
class IEditorDelegate;
} // namespace plug

class UserPresetFile
{
public:
  // The name a preset gets when its file holds none.
  static constexpr const char* kDefaultName = "User Preset";
  // Files this long or longer are not read (they count as not JSON), nor written.
  static constexpr size_t kMaxFileSize = 64 * 1024;
  // Arrays and objects open at once, the top-level object included; deeper text is not JSON.
  static constexpr int kMaxNesting = 16;

  // The unexpanded path of a slot's file.
  static std::string Path(int slot);
  // False for the parameters a user preset never holds (0, 1 and 15).
  static bool IsStoredParam(int index);

  // The "Params" object from the parameters' current values.
  static nlohmann::json ParamsToJSON(const plug::IEditorDelegate& delegate);
  // The member of "Params" for one parameter: its value, or for a parameter that is not a
  // double, the value truncated to a 32-bit integer.
  static nlohmann::json ParamValueToJSON(const plug::IParam& param);
  // The file's text. A name that is not valid UTF-8 has its bad bytes replaced by U+FFFD.
  static std::string ToText(const nlohmann::json& params, const std::string& name);
  // True when a file's text of `bytes` bytes is within the readers' bound; the one test the
  // writer and every reader apply.
  static bool IsReadableSize(size_t bytes) { return bytes < kMaxFileSize; }
  // Writes a slot's file; false when it could not be written, or when its text would be too
  // long to read back (the old file then stays).
  static bool Write(int slot, const nlohmann::json& params, const std::string& name);
  // Deletes a slot's file; false when there was none or it could not be removed.
  static bool Remove(int slot);

  UserPresetFile() = default;
  // Move-only: copying a parsed document is recursive, and a file may nest deeply.
  UserPresetFile(UserPresetFile&&) = default;
  UserPresetFile& operator=(UserPresetFile&&) = default;
  UserPresetFile(const UserPresetFile&) = delete;
  UserPresetFile& operator=(const UserPresetFile&) = delete;

  // Reads and parses a slot's file; a file whose whole text is "nada" is no file.
  static UserPresetFile Read(int slot);
  // Parses a file's text; "nada" means no file.
  static UserPresetFile FromText(const std::string& text);
  // The file of a slot that is present but could not be read whole (too large).
  static UserPresetFile Unreadable();

  // What the preset list needs of a slot's file, without building the document: whether
  // there is one, and the name Name() of the fully parsed file would give.
  struct Listing
  {
    bool exists = false;
    std::string name;
  };
  static Listing ReadListing(int slot); // "nada" is no file here too
  // The same from a file's text; "nada" means no file.
  static Listing ListingFromText(const std::string& text);

  // False when the file was missing or unreadable.
  bool Exists() const { return mExists; }
  // True when the text parsed as a JSON object.
  bool IsValid() const { return mDocument.is_object(); }
  // "PresetName" when it is a string, else kDefaultName.
  std::string Name() const;
  // True when the file gives "PresetName" as a string.
  bool HasName() const;
  // The number stored for a parameter; false when missing or not a number (booleans,
  // strings, null, objects and arrays are not numbers).
  bool ReadValue(int index, double& value) const;
  // Stores the file's value for a parameter: rounded to its step when stepped, clamped and
  // written with an atomic exchange; no change notification. False leaves param unchanged.
  bool ApplyValue(plug::IParam& param, int index) const;
  // Applies every stored parameter (all but 0, 1 and 15) of the delegate; returns the number
  // of entries that failed, each failure leaving its parameter unchanged.
  int ApplyParams(plug::IEditorDelegate& delegate) const;

private:
  // The text of a file that is there (not "nada").
  static UserPresetFile ParseText(const std::string& text);
  static Listing ListingOfText(const std::string& text);

  bool mExists = false;
  nlohmann::json mDocument = nlohmann::json::object();
};
