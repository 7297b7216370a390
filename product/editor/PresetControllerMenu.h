#pragma once
// The preset strip across the top of the editor: "<" and ">" step through the plug-in's
// presets, the caption shows the current preset's name and opens the preset list, Save and
// Trash arm a mode in which the next choice from the list overwrites or resets a slot instead
// of loading it. Overwriting goes through a name field over the caption; confirming the name
// writes the slot's user preset file.
//
// The strip is a container: its five children (and the name field while it is shown) are
// attached to the graphics context, which owns them. Everything runs on the editor's main
// thread, from mouse, key and menu events and from the end of the buttons' animations.
#include "graphics/IPopupMenu.h"
#include "graphics/controls/IBControls.h"
#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/IEditableTextControl.h"
#include "graphics/controls/IVectorBase.h"
#include "product/Vellicor.h"
#include "product/editor/HighlightControls.h"

#include <nlohmann/json.hpp>

#include <string>

// What choosing a slot from the preset list does.
enum EPresetMenuMode : int32_t
{
  kPresetMenuLoad = 0,      // loads the slot
  kPresetMenuOverwrite = 1, // opens the name field for the slot
  kPresetMenuReset = 2      // deletes the slot's user preset file
};

class Vellicor::PresetControllerMenu : public plug::igraphics::IContainerBase, public plug::igraphics::IVectorBase
{
public:
  class IVButtonControlHighlight;
  class IBButtonHighlightOverlay;

  // Captions are cut to this many bytes (never inside a character).
  static constexpr int kMaxCaptionLength = 38;
  static constexpr const char* kChoosePresetText = "Choose Preset";
  static constexpr const char* kLoadErrorText = "Error loading preset...";
  static constexpr const char* kOverwritePrompt = "Select preset slot to overwrite";
  static constexpr const char* kResetPrompt = "Select preset slot to reset";
  static constexpr const char* kNamePrompt = "Write a name for the preset";
  static constexpr const char* kUserItemPrefix = "- User: ";
  static constexpr const char* kSaveFieldGroup = "savePreset";

  PresetControllerMenu(const plug::igraphics::IRECT& bounds, const plug::igraphics::IVStyle& style);

  // Builds the children and shows the current preset's name. Nothing is loaded: the plug-in
  // keeps the values it holds (a restored session, unsaved changes).
  void OnAttached() override;
  // The slot chosen from the preset list, handled by the armed mode.
  void OnPopupMenuSelection(plug::igraphics::IPopupMenu* pMenu, int valIdx) override;
  void OnResize() override {}
  void Draw(plug::igraphics::IGraphics& /*g*/) override {}

  // Loads a slot: the preset's stored state, then the slot's user preset file when there is
  // one; "Delta", "OverSampling", the A/B selector and (except for slot 0) "Plugin Scale"
  // keep the values they had. The caption shows the file's name, the preset's own name
  // without a file, or the error text when an entry of the file could not be applied; every
  // parameter's value then goes to the controls.
  void LoadPresetSlot(Vellicor& plugin, int slot);
  // The caption's label (cut to kMaxCaptionLength), redrawn.
  void SetCaptionText(const char* text);
  // The "Params" object of the plug-in's current values.
  nlohmann::json ParamsToJSON() const;

  // The children's actions; each finds the strip as the clicked control's parent.
  static void PreviousPresetAction(plug::igraphics::IControl* caller);
  static void NextPresetAction(plug::igraphics::IControl* caller);
  static void ChoosePresetAction(plug::igraphics::IControl* caller);
  static void ArmOverwriteAction(plug::igraphics::IControl* caller);
  static void ArmResetAction(plug::igraphics::IControl* caller);
  // The name field's action: the field goes once the event that closes it has been handled.
  static void RemoveSaveFieldAction(plug::igraphics::IControl* caller);

  // The name field's result: the caption shows the saved name, or after a failed write what
  // it showed before the save began.
  void OnPresetSaved(int slot, const std::string& name, bool written);
  // The name field was closed without saving: the caption shows what it showed before.
  void OnSaveCancelled();

  EPresetMenuMode GetMode() const { return mMode; }
  const char* GetCaptionText() const { return mCaptionText.c_str(); }
  IVButtonControlHighlight* GetCaption() const { return mCaption; }

  // Cuts text to at most maxBytes bytes without splitting a UTF-8 character.
  static std::string CutText(const std::string& text, size_t maxBytes);

private:
  // The plug-in behind the strip's delegate; null when the strip is not attached to one.
  Vellicor* Plugin() const;
  // The strip that a child belongs to.
  static PresetControllerMenu* StripOf(plug::igraphics::IControl* child);
  // The name the strip shows for the current slot when the editor opens.
  std::string OpeningCaption(const Vellicor& plugin) const;
  // Attaches a child; one the graphics context refuses (its tag in use) is deleted: null.
  template <class T>
  T* AddChild(T* child, int tag = -1);
  // A rectangle given in the editor's layout, moved with the strip.
  plug::igraphics::IRECT Placed(float l, float t, float r, float b) const;

  void StepPreset(int direction);
  void ShowPresetList(const plug::igraphics::IRECT& bounds);
  // Arms a mode; with a mode armed, cancels it instead.
  void Arm(EPresetMenuMode mode, const char* prompt);
  void Cancel();
  void OpenSaveField(int slot);
  // Removes the name field now, ending its text entry first.
  void RemoveSaveField();
  // Removes it on the strip's next animation step, after the event being handled.
  void RemoveSaveFieldLater();
  void ShowRestingCaption() { SetCaptionText(mRestingCaption.c_str()); }

  // The name field's style.
  plug::igraphics::IText mFieldText;
  plug::igraphics::IPopupMenu mPresetList{""};
  IVButtonControlHighlight* mCaption = nullptr;
  // What the caption shows, and what it shows when a save or reset is given up.
  std::string mCaptionText;
  std::string mRestingCaption;
  EPresetMenuMode mMode = kPresetMenuLoad;
  bool mSaveFieldRemovalPending = false;
};

// The "<", ">" and caption buttons: highlighted over their construction rectangle with its
// bottom raised by 3.
class Vellicor::PresetControllerMenu::IVButtonControlHighlight : public Vellicor::IVButtonControlHighlight
{
public:
  static constexpr float kHighlightBottomInset = 3.f;

  IVButtonControlHighlight(const plug::igraphics::IRECT& bounds, plug::igraphics::IActionFunction action,
                           const char* label, const plug::igraphics::IVStyle& style);

protected:
  plug::igraphics::IRECT HighlightBounds() const override;
};

// Save and Trash: one-frame bitmap buttons with a highlight (vellicor::HighlightOverlay).
class Vellicor::PresetControllerMenu::IBButtonHighlightOverlay
  : public vellicor::HighlightOverlay<plug::igraphics::IBButtonControl>
{
public:
  IBButtonHighlightOverlay(float x, float y, const plug::igraphics::IBitmap& bitmap,
                           plug::igraphics::IActionFunction action, const plug::igraphics::IVStyle& style,
                           int highlightMode);
};

// The name field of an overwrite: shows the prompt over the caption; a click opens a text
// entry, Escape (over the field) closes it, and the committed name writes the slot's user
// preset file with the "Params" captured when the slot was chosen.
class Vellicor::savePresetField : public plug::igraphics::IEditableTextControl
{
public:
  static constexpr int kEscapeKey = 27;

  savePresetField(const plug::igraphics::IRECT& bounds, nlohmann::json params, const char* prompt,
                  const plug::igraphics::IText& style, int slot);

  bool OnKeyDown(float x, float y, const plug::igraphics::IKeyPress& key) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;

private:
  int mSlot;
  nlohmann::json mParams;
};
