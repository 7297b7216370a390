#include "product/editor/PresetControllerMenu.h"

#include "aax/library/AAX_Assert.h"
#include "graphics/IGraphics.h"
#include "graphics/ITextEntryControl.h"
#include "product/UserPresetFile.h"

#include <utility>

using namespace plug::igraphics;

namespace {

// Where the layout puts the strip; the children's rectangles below are given for it.
constexpr float kLayoutLeft = 250.f;
constexpr float kLayoutTop = 1.f;

// The Save and Trash art: one frame each, loaded for twice the screen scale.
constexpr const char* kSaveBitmap = "Save.png";
constexpr const char* kTrashBitmap = "Trash.png";
constexpr int kBitmapTargetScale = 2;

// The name field's text colour.
const IColor kFieldTextColor(255, 183, 183, 183);

// The buttons' highlight, and the Save and Trash overlays' look.
const IColor kButtonHighlight(51, 151, 151, 151);
const IColor kOverlayHighlight(76, 151, 151, 151);
const IColor kOverlayExtra(51, 151, 151, 151);

IVStyle OverlayStyle()
{
  IVStyle style;
  style.hideCursor = style.showLabel = style.showValue = false;
  style.drawFrame = style.drawShadows = style.emboss = false;
  style.roundness = 6.f;
  style.frameThickness = 20.f;
  style.shadowOffset = 3.f;
  style.widgetFrac = 1.f;
  style.angle = 0.f;
  for (int i = 0; i < kNumVColors; ++i)
    style.colorSpec.mColors[i] = COLOR_TRANSPARENT;
  style.colorSpec.mColors[kHL] = kOverlayHighlight;
  style.colorSpec.mColors[kX1] = kOverlayExtra;
  style.labelText = IText(15.f, COLOR_TRANSPARENT, "Lato", EAlign::Center, EVAlign::Middle);
  return style;
}

// The text shown for a slot in the preset list.
std::string ListItemText(const Vellicor& plugin, int slot)
{
  // The name alone: the list reads every slot's file each time it opens.
  const UserPresetFile::Listing file = UserPresetFile::ReadListing(slot);
  if (!file.exists)
    return plugin.PresetNameAt(slot);
  return std::string(Vellicor::PresetControllerMenu::kUserItemPrefix) + file.name;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and attachment

Vellicor::PresetControllerMenu::PresetControllerMenu(const IRECT& bounds, const IVStyle& style)
  : IContainerBase(bounds), IVectorBase(style, false, false)
{
  IVectorBase::AttachIControl(this, "");
  mFieldText = IText(16.f, kFieldTextColor, "Lato", EAlign::Center, EVAlign::Middle, 0.f,
                     DEFAULT_TEXT.mTextEntryBGColor, DEFAULT_TEXT.mTextEntryFGColor);
  mIgnoreMouse = true;
}

template <class T>
T* Vellicor::PresetControllerMenu::AddChild(T* child, int tag)
{
  if (AddChildControl(child, tag))
    return child;
  delete child;
  return nullptr;
}

IRECT Vellicor::PresetControllerMenu::Placed(float l, float t, float r, float b) const
{
  const float dx = mRECT.L - kLayoutLeft;
  const float dy = mRECT.T - kLayoutTop;
  return IRECT(l + dx, t + dy, r + dx, b + dy);
}

void Vellicor::PresetControllerMenu::OnAttached()
{
  IGraphics* g = GetUI();
  Vellicor* plugin = Plugin();
  if (!g || !plugin || NChildren() > 0)
    return;
  RemoveSaveField();
  mMode = kPresetMenuLoad;

  const IBitmap save = g->LoadBitmap(kSaveBitmap, 1, false, kBitmapTargetScale);
  const IBitmap trash = g->LoadBitmap(kTrashBitmap, 1, false, kBitmapTargetScale);
  const IVStyle buttonStyle = mStyle.WithColor(kHL, kButtonHighlight);
  const IVStyle overlayStyle = OverlayStyle();

  struct ButtonRow
  {
    IRECT bounds;
    const char* label;
    const char* tooltip;
    IActionFunction endAction;
  };
  mRestingCaption = CutText(OpeningCaption(*plugin), kMaxCaptionLength);
  const ButtonRow buttons[] = {
    {Placed(253.f, 3.f, 272.f, 25.f), "<", "Go to the previous preset", PreviousPresetAction},
    {Placed(277.f, 3.f, 296.f, 25.f), ">", "Go to the next preset", NextPresetAction},
    {Placed(308.f, 3.f, 574.f, 25.f), mRestingCaption.c_str(), nullptr, ChoosePresetAction},
  };
  IVButtonControlHighlight* added[3] = {};
  for (size_t i = 0; i < 3; ++i)
  {
    const ButtonRow& row = buttons[i];
    auto* button = new IVButtonControlHighlight(row.bounds, SplashActionFunc, row.label, buttonStyle);
    if (row.tooltip)
      button->SetTooltip(row.tooltip);
    button->SetAnimationEndActionFunction(row.endAction);
    added[i] = AddChild(button);
  }
  mCaption = added[2];
  mCaptionText = mRestingCaption;

  const struct
  {
    float x;
    const IBitmap& bitmap;
    const char* tooltip;
    IActionFunction action;
  } overlays[] = {
    {585.f, save, "Save a custom preset from your settings, first slot is the default", ArmOverwriteAction},
    {607.f, trash, "Delete a custom user preset", ArmResetAction},
  };
  for (const auto& row : overlays)
  {
    const IRECT at = Placed(row.x, 5.f, row.x, 5.f);
    auto* overlay = new IBButtonHighlightOverlay(at.L, at.T, row.bitmap, row.action, overlayStyle,
                                                 vellicor::HighlightArea::kRoundRect);
    overlay->SetTooltip(row.tooltip);
    overlay->SetAnimationEndActionFunction(SplashActionFunc);
    AddChild(overlay);
  }
}

std::string Vellicor::PresetControllerMenu::OpeningCaption(const Vellicor& plugin) const
{
  const int slot = plugin.GetCurrentPresetIdx();
  if (slot == 0)
    return kChoosePresetText;
  const UserPresetFile file = UserPresetFile::Read(slot);
  return file.HasName() ? file.Name() : std::string(plugin.PresetNameAt(slot));
}

// ---------------------------------------------------------------------------------------------
// Caption and plug-in

Vellicor* Vellicor::PresetControllerMenu::Plugin() const
{
  return dynamic_cast<Vellicor*>(GetDelegate());
}

Vellicor::PresetControllerMenu* Vellicor::PresetControllerMenu::StripOf(IControl* child)
{
  return child ? dynamic_cast<PresetControllerMenu*>(child->GetParent()) : nullptr;
}

std::string Vellicor::PresetControllerMenu::CutText(const std::string& text, size_t maxBytes)
{
  if (text.size() <= maxBytes)
    return text;
  size_t end = maxBytes;
  // Back to the first byte of the character that would be split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

void Vellicor::PresetControllerMenu::SetCaptionText(const char* text)
{
  // Shown as given: the loads cut their names, a confirmed name shows as typed.
  mCaptionText = text ? text : "";
  if (!mCaption)
    return;
  mCaption->SetLabelStr(mCaptionText.c_str());
  mCaption->SetDirty(false);
}

nlohmann::json Vellicor::PresetControllerMenu::ParamsToJSON() const
{
  const Vellicor* plugin = Plugin();
  return plugin ? UserPresetFile::ParamsToJSON(*plugin) : nlohmann::json::object();
}

// ---------------------------------------------------------------------------------------------
// Loading

void Vellicor::PresetControllerMenu::LoadPresetSlot(Vellicor& plugin, int slot)
{
  if (slot < 0 || slot >= plugin.NPresets())
    return;
  const UserPresetFile file = UserPresetFile::Read(slot);
  std::string caption;

  plugin.LoadFromEditor([&]() {
    // The values every load keeps, as single precision.
    struct Kept
    {
      int paramIdx;
      float value;
    };
    Kept kept[] = {{kDelta, 0.f}, {kOverSampling, 0.f}, {kABSelect, 0.f}, {kPluginScale, 0.f}};
    for (Kept& k : kept)
      if (const plug::IParam* param = plugin.GetParam(k.paramIdx))
        k.value = static_cast<float>(param->Value());

    plugin.RecallPreset(slot);
    caption = plugin.PresetNameAt(slot);
    if (file.Exists())
    {
      caption = file.ApplyParams(plugin) > 0 ? std::string(kLoadErrorText) : file.Name();
    }

    for (const Kept& k : kept)
    {
      // Slot 0 brings its own editor scale.
      if (k.paramIdx == kPluginScale && slot == 0)
        continue;
      if (plug::IParam* param = plugin.GetParam(k.paramIdx))
        param->Set(static_cast<double>(k.value));
    }
  });

  mRestingCaption = CutText(caption, kMaxCaptionLength);
  ShowRestingCaption();
  plugin.SendAllParamsToUI();
}

void Vellicor::PresetControllerMenu::StepPreset(int direction)
{
  Vellicor* plugin = Plugin();
  if (!plugin)
    return;
  RemoveSaveField();
  const int n = plugin->NPresets();
  const int current = plugin->GetCurrentPresetIdx();
  int slot = 0;
  if (direction < 0)
    slot = (current <= 0 ? n : current) - 1;
  else
    slot = current + 1 < n ? current + 1 : 0;
  LoadPresetSlot(*plugin, slot);
}

void Vellicor::PresetControllerMenu::PreviousPresetAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->StepPreset(-1);
}

void Vellicor::PresetControllerMenu::NextPresetAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->StepPreset(1);
}

// ---------------------------------------------------------------------------------------------
// The preset list

void Vellicor::PresetControllerMenu::ChoosePresetAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->ShowPresetList(caller->GetRECT());
}

void Vellicor::PresetControllerMenu::ShowPresetList(const IRECT& bounds)
{
  IGraphics* g = GetUI();
  const Vellicor* plugin = Plugin();
  // A list still showing is never refilled under the menu.
  if (!g || !plugin || g->GetControlInPopupMenu() == this)
    return;
  mPresetList.Clear(true);
  const int current = plugin->GetCurrentPresetIdx();
  for (int slot = 0; slot < plugin->NPresets(); ++slot)
  {
    const std::string text = ListItemText(*plugin, slot);
    mPresetList.AddItem(text.c_str(), IPopupMenu::kAppend,
                        slot == current ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags);
  }
  g->CreatePopupMenu(*this, mPresetList, bounds, 0);
}

void Vellicor::PresetControllerMenu::OnPopupMenuSelection(IPopupMenu* pMenu, int /*valIdx*/)
{
  Vellicor* plugin = Plugin();
  if (!pMenu || !plugin)
    return;
  const int slot = pMenu->GetChosenItemIdx();
  if (slot < 0 || slot >= pMenu->NItems() || slot >= plugin->NPresets())
    return;

  switch (mMode)
  {
    case kPresetMenuLoad:
      LoadPresetSlot(*plugin, slot);
      break;
    case kPresetMenuOverwrite:
      OpenSaveField(slot);
      mMode = kPresetMenuLoad;
      break;
    case kPresetMenuReset:
      UserPresetFile::Remove(slot);
      RemoveSaveField();
      mMode = kPresetMenuLoad;
      LoadPresetSlot(*plugin, slot);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Save and Trash

void Vellicor::PresetControllerMenu::ArmOverwriteAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->Arm(kPresetMenuOverwrite, kOverwritePrompt);
}

void Vellicor::PresetControllerMenu::ArmResetAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->Arm(kPresetMenuReset, kResetPrompt);
}

void Vellicor::PresetControllerMenu::Arm(EPresetMenuMode mode, const char* prompt)
{
  if (mMode != kPresetMenuLoad)
  {
    Cancel();
    return;
  }
  RemoveSaveField();
  SetCaptionText(prompt);
  mMode = mode;
}

void Vellicor::PresetControllerMenu::Cancel()
{
  // Nothing is reloaded: the parameters keep what the user has set.
  RemoveSaveField();
  mMode = kPresetMenuLoad;
  ShowRestingCaption();
}

// ---------------------------------------------------------------------------------------------
// The name field

void Vellicor::PresetControllerMenu::OpenSaveField(int slot)
{
  IGraphics* g = GetUI();
  if (!g)
    return;
  RemoveSaveField();
  auto* field = new savePresetField(Placed(308.f, 1.f, 594.f, 24.f), ParamsToJSON(), kNamePrompt, mFieldText, slot);
  field->SetActionFunction(RemoveSaveFieldAction);
  if (!AddChild(field, kTagSavePresetField))
    return;
  field->SetGroup(kSaveFieldGroup);
  SetCaptionText("");
}

void Vellicor::PresetControllerMenu::RemoveSaveField()
{
  mSaveFieldRemovalPending = false;
  IGraphics* g = GetUI();
  IControl* field = g ? g->GetControlWithTag(kTagSavePresetField) : nullptr;
  if (!field)
    return;
  // A text entry still open for the field ends with it, without a result.
  if (g->GetControlInTextEntry() == field)
  {
    ITextEntryControl* entry = g->GetTextEntryControl();
    if (entry && entry->EditInProgress())
      entry->DismissEdit();
    else
      g->EndPlatformTextEntry();
    g->ClearControlInTextEntry();
  }
  // Deleting the field also takes it off the strip's children.
  g->RemoveControlWithTag(kTagSavePresetField);
}

void Vellicor::PresetControllerMenu::RemoveSaveFieldLater()
{
  // The field closes from inside its own handlers: it must outlive them. The strip's next
  // animation step comes with the next frame, once the event has been handled; the strip is
  // attached before the field, so the removal never shifts a control the frame has yet to visit.
  mSaveFieldRemovalPending = true;
  SetAnimation([](IControl* strip) {
    strip->SetAnimation(nullptr);
    auto* self = static_cast<PresetControllerMenu*>(strip);
    if (self->mSaveFieldRemovalPending)
      self->RemoveSaveField();
  });
}

void Vellicor::PresetControllerMenu::RemoveSaveFieldAction(IControl* caller)
{
  if (PresetControllerMenu* strip = StripOf(caller))
    strip->RemoveSaveFieldLater();
}

void Vellicor::PresetControllerMenu::OnPresetSaved(int slot, const std::string& name, bool written)
{
  if (written)
  {
    mRestingCaption = name;
  }
  else
  {
    AAX_Trace(AAX_eTracePriority_Normal, "Vellicor: the user preset of slot %d could not be written", slot);
  }
  ShowRestingCaption();
}

void Vellicor::PresetControllerMenu::OnSaveCancelled()
{
  ShowRestingCaption();
}

// ---------------------------------------------------------------------------------------------
// Children

Vellicor::PresetControllerMenu::IVButtonControlHighlight::IVButtonControlHighlight(const IRECT& bounds,
                                                                                   IActionFunction action,
                                                                                   const char* label,
                                                                                   const IVStyle& style)
  : Vellicor::IVButtonControlHighlight(bounds, std::move(action), label, style)
{
}

IRECT Vellicor::PresetControllerMenu::IVButtonControlHighlight::HighlightBounds() const
{
  IRECT r = mKeptBounds;
  r.B -= kHighlightBottomInset;
  return r;
}

Vellicor::PresetControllerMenu::IBButtonHighlightOverlay::IBButtonHighlightOverlay(float x, float y,
                                                                                   const IBitmap& bitmap,
                                                                                   IActionFunction action,
                                                                                   const IVStyle& style,
                                                                                   int highlightMode)
  : HighlightOverlay(vellicor::BitmapFrameRect(x, y, bitmap), style, highlightMode, bitmap, std::move(action))
{
}

Vellicor::savePresetField::savePresetField(const IRECT& bounds, nlohmann::json params, const char* prompt,
                                           const IText& style, int slot)
  : IEditableTextControl(bounds, prompt, style, COLOR_TRANSPARENT), mSlot(slot), mParams(std::move(params))
{
}

bool Vellicor::savePresetField::OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& key)
{
  if (key.VK != kEscapeKey)
    return false;
  if (auto* strip = dynamic_cast<PresetControllerMenu*>(GetParent()))
    strip->OnSaveCancelled();
  PresetControllerMenu::RemoveSaveFieldAction(this);
  return true;
}

void Vellicor::savePresetField::OnTextEntryCompletion(const char* str, int /*valIdx*/)
{
  const std::string name = str ? str : "";
  const bool written = UserPresetFile::Write(mSlot, mParams, name);
  if (written)
    SetStr(name.c_str());
  if (auto* strip = dynamic_cast<PresetControllerMenu*>(GetParent()))
    strip->OnPresetSaved(mSlot, name, written);
  // Runs the field's action, which takes the field away.
  SetDirty(true);
}
