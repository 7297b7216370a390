// The preset strip in a running editor: saving a slot through the name field, loading it
// back, cancelling, resetting, stepping through the slots, the preset list and the caption,
// and what hostile user preset files do to all of it.
#include "EditorHarness.h"
#include "TestControl.h"
#include "graphics/ITextEntryControl.h"
#include "product/FileUtilities.h"
#include "product/UserPresetFile.h"
#include "aax/library/AAX_Assert.h"
#include "standin/aaxhost/Host.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

namespace {

using plug::igraphics::IPopupMenu;

std::string SlotPath(int slot) { return ExpandPath(UserPresetFile::Path(slot)); }

std::string SlotText(int slot) { return testsupport::ReadFileText(SlotPath(slot)); }

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

// A control bound to "Drive", so the test sees what the plug-in sends the editor.
struct DriveWatcher
{
  testgraphics::TestControl* control = nullptr;
  EditorHarness::Layout Layout()
  {
    return [this](plug::igraphics::IGraphics& g) {
      control = new testgraphics::TestControl(plug::igraphics::IRECT(0.f, 300.f, 10.f, 310.f), kDrive);
      g.AttachControl(control);
    };
  }
};

// The host's trace for the duration of one test.
struct TracedToHost
{
  TracedToHost() { AAX_StartupHostServices(host.Unknown()); }
  ~TracedToHost() { AAX_StartupHostServices(nullptr); }
  std::vector<std::string> Traces() const
  {
    std::vector<std::string> texts;
    for (const auto& trace : host.Services().Traces())
      texts.push_back(trace.text);
    return texts;
  }
  aaxhost::Host host;
};

// A name that makes the file of the current values exactly `bytes` long: control characters,
// each written as a six-byte escape, then plain letters for the rest.
std::string NameForFileOf(const Vellicor& plugin, size_t bytes)
{
  const size_t base = UserPresetFile::ToText(UserPresetFile::ParamsToJSON(plugin), "").size();
  const std::string name = std::string((bytes - base) / 6, '\x01') + std::string((bytes - base) % 6, 'a');
  EXPECT_EQ(UserPresetFile::ToText(UserPresetFile::ParamsToJSON(plugin), name).size(), bytes);
  return name;
}

} // namespace

TEST(PresetStrip, SaveNameLoadBackAndKeepTheSessionValues)
{
  EditorHarness e;
  DriveWatcher drive;
  e.layout = drive.Layout();
  e.Set(kDrive, 37.5);
  e.Set(kInputGain, -4.25);
  e.Set(kTiltSwitch, 2.0);
  ASSERT_NE(e.Open(), nullptr);
  EXPECT_EQ(e.Caption(), "Choose Preset");
  // Opening the editor loads nothing: the values the plug-in holds stay.
  EXPECT_EQ(e.V(kDrive), 37.5);
  ASSERT_EQ(e.strip->NChildren(), 5);

  // Save arms the overwrite; the list marks the current slot only; slot 3 opens the name field.
  e.Save();
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuOverwrite);
  EXPECT_EQ(e.Caption(), "Select preset slot to overwrite");
  e.ChooseFromList(3);
  const IPopupMenu* list = e.g->LastMenu();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->NItems(), kNumPresets);
  for (int i = 0; i < kNumPresets; ++i)
    EXPECT_EQ(list->IsItemChecked(i), i == 0) << i;
  EXPECT_STREQ(list->GetItemText(3), e.plugin.PresetNameAt(3));
  ASSERT_NE(e.Field(), nullptr);
  EXPECT_EQ(e.strip->NChildren(), 6);
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuLoad);
  EXPECT_EQ(e.Caption(), "");

  // The values of the moment the slot was chosen are the ones saved.
  e.Set(kDrive, 80.0);
  e.TypeName("Warm");
  const std::string golden = testsupport::ReadFileText(testsupport::SourcePath("tests/product/golden/slot3_warm.json"));
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(SlotText(3), golden);
  EXPECT_EQ(e.Caption(), "Warm");
  EXPECT_STREQ(e.strip->GetCaption()->GetLabelStr(), "Warm");
  // The field goes with the next frame, after the key that closed it has been handled.
  EXPECT_NE(e.Field(), nullptr);
  e.Frames(20.0);
  EXPECT_EQ(e.Field(), nullptr);
  EXPECT_EQ(e.strip->NChildren(), 5);

  // The list now names slot 3 by its user preset.
  e.ChooseFromList(-1);
  EXPECT_STREQ(e.g->LastMenu()->GetItemText(3), "- User: Warm");

  // Loading slot 3 back takes every stored value from the file and keeps the delta switch,
  // the oversampling factor, the A/B selector and the editor scale.
  e.Set(kDrive, 10.0);
  e.Set(kDelta, 1.0);
  e.Set(kOverSampling, 3.0);
  e.Set(kABSelect, 1.0);
  e.Set(kPluginScale, 1.5);
  e.ChooseFromList(3);
  EXPECT_EQ(e.plugin.GetCurrentPresetIdx(), 3);
  EXPECT_EQ(e.Caption(), "Warm");
  const UserPresetFile file = UserPresetFile::Read(3);
  for (int i = 0; i < kNumParams; ++i)
  {
    double stored = 0.0;
    const bool inFile = file.ReadValue(i, stored);
    if (i == kDelta || i == kABSelect || i == kOverSampling)
    {
      EXPECT_FALSE(inFile) << i;
    }
    else if (i != kPluginScale)
    {
      EXPECT_TRUE(inFile) << i;
      EXPECT_EQ(static_cast<float>(e.V(i)), static_cast<float>(stored)) << i;
    }
  }
  EXPECT_EQ(e.V(kDrive), 37.5);
  EXPECT_EQ(e.V(kDelta), 1.0);
  EXPECT_EQ(e.V(kOverSampling), 3.0);
  EXPECT_EQ(e.V(kABSelect), 1.0);
  EXPECT_EQ(e.V(kPluginScale), 1.5);
  // The controls show what the engine runs.
  EXPECT_EQ(drive.control->GetValue(), e.plugin.GetParam(kDrive)->GetNormalized());

  // The kept selector names the active row, which holds what was loaded; row A is untouched.
  EXPECT_EQ(e.plugin.GetActiveSnapshot(), 1);
  EXPECT_EQ(e.plugin.GetSnapshotValue(1, kDrive), 37.5);
  EXPECT_EQ(e.plugin.GetSnapshotValue(0, kDrive), Vellicor::kUnsetSnapshotValue);
}

TEST(PresetStrip, EscapeSavePressedTwiceAndAFailedWriteChangeNothing)
{
  EditorHarness e;
  ASSERT_NE(e.Open(), nullptr);
  e.ChooseFromList(4);
  const std::string name = e.plugin.PresetNameAt(4);
  ASSERT_EQ(e.Caption(), name);
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(3), "{\"Params\":{},\"PresetName\":\"Old\"}"));

  // Escape over the field closes it: no file is written, the caption comes back.
  e.Set(kDrive, 66.0);
  e.Save();
  e.ChooseFromList(3);
  ASSERT_NE(e.Field(), nullptr);
  EXPECT_TRUE(e.Key(27));
  e.Frames(20.0);
  EXPECT_EQ(e.Field(), nullptr);
  EXPECT_EQ(SlotText(3), "{\"Params\":{},\"PresetName\":\"Old\"}");
  EXPECT_EQ(e.Caption(), name);

  // Save pressed twice disarms and reloads nothing: the unsaved change stays.
  e.Save();
  e.Save();
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuLoad);
  EXPECT_EQ(e.Caption(), name);
  EXPECT_EQ(e.V(kDrive), 66.0);
  // Trash then Save cancels too; a dismissed list leaves the mode armed.
  e.Trash();
  e.ChooseFromList(-1);
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuReset);
  e.Save();
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuLoad);
  EXPECT_EQ(e.V(kDrive), 66.0);

  // A name field removed while its text entry is open takes the entry with it.
  e.Save();
  e.ChooseFromList(3);
  e.Click(440.f, 12.f);
  ASSERT_TRUE(e.g->GetTextEntryControl()->EditInProgress());
  e.Next();
  EXPECT_EQ(e.Field(), nullptr);
  EXPECT_FALSE(e.g->GetTextEntryControl()->EditInProgress());
  EXPECT_EQ(e.g->GetControlInTextEntry(), nullptr);

  // A write that fails (a folder stands where the file goes) never shows the new name.
  ASSERT_TRUE(MakeFolder(SlotPath(7)));
  const std::string before = e.Caption();
  e.Save();
  e.ChooseFromList(7);
  e.TypeName("Lost");
  EXPECT_EQ(e.Caption(), before);
  e.Frames(20.0);
  EXPECT_EQ(e.Field(), nullptr);
}

TEST(PresetStrip, TrashResetsASlotAndTheArrowsWrapAround)
{
  EditorHarness e;
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(5), "{\"Params\":{\"6\":12.0},\"PresetName\":\"Five\"}"));
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(4), "{\"Params\":{\"6\":44.0},\"PresetName\":\"Four\"}"));
  ASSERT_TRUE(e.plugin.RecallPreset(4));
  e.Set(kDrive, 1.0);
  ASSERT_NE(e.Open(), nullptr);
  // On slot 4 the caption is its user preset's name; nothing is loaded.
  EXPECT_EQ(e.Caption(), "Four");
  EXPECT_EQ(e.V(kDrive), 1.0);

  e.Trash();
  EXPECT_EQ(e.Caption(), "Select preset slot to reset");
  e.ChooseFromList(5);
  EXPECT_EQ(SlotText(5), "");
  EXPECT_FALSE(UserPresetFile::Read(5).Exists());
  EXPECT_EQ(e.plugin.GetCurrentPresetIdx(), 5);
  EXPECT_EQ(e.Caption(), e.plugin.PresetNameAt(5));
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuLoad);

  // "<" and ">" wrap, and leave an armed mode armed.
  ASSERT_TRUE(e.plugin.RecallPreset(0));
  e.Previous();
  EXPECT_EQ(e.plugin.GetCurrentPresetIdx(), kNumPresets - 1);
  e.Save();
  e.Next();
  EXPECT_EQ(e.plugin.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(e.strip->GetMode(), kPresetMenuOverwrite);
  e.Next();
  EXPECT_EQ(e.plugin.GetCurrentPresetIdx(), 1);
}

TEST(PresetStrip, HostileUserPresetFilesCrashNothing)
{
  EditorHarness e;
  // A complete "Params" object, so that only the names differ.
  const std::string params = UserPresetFile::ParamsToJSON(e.plugin).dump();
  const auto named = [&params](const std::string& name) {
    return "{\"Params\":" + params + ",\"PresetName\":\"" + name + "\"}";
  };
  const std::vector<std::string> texts = {
    "{}",
    "nada",
    "[]",
    "[1,2,3]",
    "{\"Params\":[],\"PresetName\":7}",
    "{\"Params\":{\"6\":\"5\",\"7\":true,\"8\":null,\"9\":{},\"10\":[1]},\"PresetName\":{}}",
    "{\"Params\":{\"6\":1e999},\"PresetName\":\"\xff\xfe\"}",
    "{\"Params\":{\"6\":-1e308,\"2\":1e9},\"PresetName\":\"caf\xc3\xa9\"}",
    named(std::string(40000, 'n')), // long, still under the read limit
    named(std::string(37, 'a') + "\xc3\xa9"),
    std::string("\0\0\0", 3),
    "{\"Params\":{\"6\":5",
    "",
  };
  for (int slot = 0; slot < kNumPresets; ++slot)
    ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(slot), texts[static_cast<size_t>(slot) % texts.size()]));
  ASSERT_NE(e.Open(), nullptr);

  e.ChooseFromList(-1);
  ASSERT_EQ(e.g->LastMenu()->NItems(), kNumPresets);
  EXPECT_STREQ(e.g->LastMenu()->GetItemText(0), "- User: User Preset");
  // Every slot holds a file, whatever its text, none hidden behind the stored preset; but a
  // file whose whole text is "nada" is no file, and the stored preset shows.
  for (int slot = 0; slot < kNumPresets; ++slot)
  {
    const std::string item = e.g->LastMenu()->GetItemText(slot);
    if (texts[static_cast<size_t>(slot) % texts.size()] == "nada")
      EXPECT_EQ(item, e.plugin.PresetNameAt(slot)) << slot;
    else
      EXPECT_EQ(item.rfind("- User: ", 0), 0u) << slot << ": " << item;
  }
  for (int slot = 0; slot < kNumPresets; ++slot)
  {
    e.Next();
    ASSERT_EQ(e.plugin.GetCurrentPresetIdx(), (slot + 1) % kNumPresets);
    EXPECT_LE(e.Caption().size(), 38u);
    for (int i = 0; i < kNumParams; ++i)
      ASSERT_TRUE(std::isfinite(e.V(i))) << slot << " " << i;
  }
  // A file with a failed entry says so; a good one with a long name is cut at 38 characters,
  // never inside a character.
  e.ChooseFromList(0);
  EXPECT_EQ(e.Caption(), "Error loading preset...");
  // A "nada" slot loads its stored preset, as a slot without a file does.
  ASSERT_EQ(texts[1], "nada");
  e.Set(kDrive, 1.0);
  e.ChooseFromList(1);
  EXPECT_EQ(e.Caption(), e.plugin.PresetNameAt(1));
  EXPECT_NE(e.V(kDrive), 1.0);
  e.ChooseFromList(8);
  EXPECT_EQ(e.Caption(), std::string(38, 'n'));
  e.ChooseFromList(9);
  EXPECT_EQ(e.Caption(), std::string(37, 'a'));
  // Saving over a slot whose file is hostile replaces it.
  e.Save();
  e.ChooseFromList(10);
  e.TypeName("ok");
  EXPECT_EQ(UserPresetFile::Read(10).Name(), "ok");
  // A confirmed name shows as typed, however long; loading it back cuts it.
  const std::string longName(45, 'L');
  e.Save();
  e.ChooseFromList(11);
  e.TypeName(longName);
  EXPECT_EQ(e.Caption(), longName);
  e.Frames(20.0);
  e.ChooseFromList(11);
  EXPECT_EQ(e.Caption(), std::string(38, 'L'));
}

TEST(PresetStrip, OversizedAndDeepFilesShowAsFilesThatFailToLoad)
{
  EditorHarness e;
  const std::string params = UserPresetFile::ParamsToJSON(e.plugin).dump();
  const auto doc = [&params](const std::string& rest) { return "{\"Params\":" + params + "," + rest + "}"; };
  // Valid JSON each: a name past the read limit, nesting past the bound, a duplicate name (the
  // last one counts), a "PresetName" that is not top level.
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(3), doc("\"PresetName\":\"" + std::string(2 << 20, 'n') + "\"")));
  const int deep = UserPresetFile::kMaxNesting;
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(4),
                            doc("\"PresetName\":\"Deep\",\"x\":" + std::string(deep, '[') + std::string(deep, ']'))));
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(5), doc("\"PresetName\":\"First\",\"PresetName\":\"Second\"")));
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(6), "{\"Params\":{\"PresetName\":\"Inner\"},\"x\":[[[]]]}"));
  ASSERT_NE(e.Open(), nullptr);

  e.ChooseFromList(-1);
  const IPopupMenu* list = e.g->LastMenu();
  ASSERT_EQ(list->NItems(), kNumPresets);
  EXPECT_STREQ(list->GetItemText(3), "- User: User Preset");
  EXPECT_STREQ(list->GetItemText(4), "- User: User Preset");
  EXPECT_STREQ(list->GetItemText(5), "- User: Second");
  EXPECT_STREQ(list->GetItemText(6), "- User: User Preset");
  for (int slot : {3, 4})
  {
    e.ChooseFromList(slot);
    EXPECT_EQ(e.Caption(), "Error loading preset...") << slot;
  }
  e.ChooseFromList(5);
  EXPECT_EQ(e.Caption(), "Second");
}

TEST(PresetStrip, ANameWhoseFileWouldReachTheReadLimitIsAFailedWriteAndOneJustUnderLoadsBack)
{
  // Whatever is saved must load back: the readers refuse a file of kMaxFileSize bytes or
  // more, so the save refuses to write one, as it does any write that fails.
  TracedToHost traced;
  EditorHarness e;
  ASSERT_NE(e.Open(), nullptr);
  const std::string old = "{\"Params\":{\"6\":12.0},\"PresetName\":\"Old\"}";
  ASSERT_TRUE(WriteTextFile(UserPresetFile::Path(4), old));
  e.ChooseFromList(2);
  const std::string resting = e.Caption();
  ASSERT_EQ(resting, e.plugin.PresetNameAt(2));
  e.Set(kDrive, 61.25);
  e.Set(kInputGain, 3.5);

  const std::string tooLong = NameForFileOf(e.plugin, UserPresetFile::kMaxFileSize);
  ASSERT_GT(tooLong.size(), 10000u);
  e.Save();
  e.ChooseFromList(4);
  traced.host.Services().Clear();
  e.PasteName(tooLong);
  EXPECT_TRUE(SlotText(4) == old) << "the old file is untouched";
  EXPECT_TRUE(e.Caption() == resting) << "the caption is back to its resting text";
  EXPECT_EQ(traced.Traces(), std::vector<std::string>{"Vellicor: the user preset of slot 4 could not be written"});
  e.Frames(20.0);
  EXPECT_EQ(e.Field(), nullptr);

  // One byte less is saved whole, the name unchanged, and loads back with its values.
  const std::string longest = NameForFileOf(e.plugin, UserPresetFile::kMaxFileSize - 1);
  e.Save();
  e.ChooseFromList(4);
  traced.host.Services().Clear();
  e.PasteName(longest);
  EXPECT_EQ(SlotText(4).size(), UserPresetFile::kMaxFileSize - 1);
  EXPECT_TRUE(e.Caption() == longest) << "the caption shows the name saved";
  EXPECT_TRUE(traced.Traces().empty());
  e.Frames(20.0);

  e.Set(kDrive, 5.0);
  e.Set(kInputGain, -7.0);
  e.ChooseFromList(4);
  EXPECT_EQ(e.Caption(), Vellicor::PresetControllerMenu::CutText(longest, Vellicor::PresetControllerMenu::kMaxCaptionLength));
  EXPECT_EQ(e.V(kDrive), 61.25);
  EXPECT_EQ(e.V(kInputGain), 3.5);
  EXPECT_TRUE(UserPresetFile::Read(4).Name() == longest) << "the whole name is read back";
  e.ChooseFromList(-1);
  EXPECT_TRUE(e.g->LastMenu()->GetItemText(4) == "- User: " + longest) << "the list names the slot by it";
}
