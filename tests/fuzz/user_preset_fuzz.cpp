// libFuzzer target for the user preset file: any text goes through the reader and is applied to
// the product's parameters. The list's name-only read agrees with the full read, nothing throws, every parameter stays in its range, and what was
// applied saves to a text that reads back to the same values and saves to the same text.
#include "product/UserPresetFile.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/product/ParamHolder.h"

#include <string>

using fuzzcheck::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string input(reinterpret_cast<const char*>(data), size);
  const UserPresetFile file = UserPresetFile::FromText(input);
  const UserPresetFile::Listing listing = UserPresetFile::ListingFromText(input);
  Require(listing.exists == file.Exists() && (!listing.exists || listing.name == file.Name()),
          "the preset list names a file as its full read does");
  ParamHolder params;
  file.ApplyParams(params);
  fuzzcheck::RequireParamsInRange(params);

  const std::string text = UserPresetFile::ToText(UserPresetFile::ParamsToJSON(params), file.Name());
  const UserPresetFile saved = UserPresetFile::FromText(text);
  ParamHolder again;
  Require(saved.IsValid() && saved.ApplyParams(again) == 0, "a saved preset applies whole");
  for (int i = 0; i < params.NParams(); ++i)
    Require(!UserPresetFile::IsStoredParam(i) || again.P(i).Value() == params.P(i).Value(),
            "a saved preset reads back to the same values");
  Require(UserPresetFile::ToText(UserPresetFile::ParamsToJSON(again), saved.Name()) == text,
          "a saved preset saves to the same text");
  return 0;
}
