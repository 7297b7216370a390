#include "product/editor/EditorActions.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <cstring>

using namespace plug::igraphics;

namespace vellicor {

namespace {

IActionFunction CopySnapshotAction(Vellicor& plugin, int from, int to)
{
  return [&plugin, from, to](IControl*) {
    plugin.CopySnapshot(from, to);
    plugin.SendAllParamsToUI();
  };
}

} // namespace

IActionFunction ToggleStereoModeAction(Vellicor& plugin, IControl* stereoSwitch, IControl* pusherKnob,
                                       IControl* pusherText)
{
  return [&plugin, stereoSwitch, pusherKnob, pusherText](IControl* caller) {
    IControl::SplashActionFunc(caller);
    const plug::IParam* mode = plugin.GetParam(kStereoMode);
    const bool toMidSide = !mode || mode->Value() == 0.0;
    for (IControl* control : {pusherKnob, pusherText})
      if (control)
        control->SetDisabled(!toMidSide);
    if (stereoSwitch)
      stereoSwitch->SetValue(toMidSide ? 1.0 : 0.0);
    plugin.SetParamFromAction(kStereoMode, toMidSide ? 1.0 : 0.0);
  };
}

IActionFunction ResetEditorSizeAction(Vellicor& plugin)
{
  return [&plugin](IControl* caller) {
    IControl::SplashActionFunc(caller);
    if (IGraphics* g = caller->GetUI())
      g->Resize(kEditorWidth, kEditorHeight, 1.f, true);
    plugin.SetParamFromAction(kPluginScale, 1.0);
  };
}

IActionFunction CopySnapshotAToBAction(Vellicor& plugin) { return CopySnapshotAction(plugin, 0, 1); }

IActionFunction CopySnapshotBToAAction(Vellicor& plugin) { return CopySnapshotAction(plugin, 1, 0); }

IPopupMenu& InfoMenu()
{
  static IPopupMenu sMenu(" ", {"-- INFO --", "Product page", "Manual"});
  return sMenu;
}

void ShowInfoMenuAction(IControl* caller)
{
  IControl::SplashActionFunc(caller);
  IGraphics* g = caller->GetUI();
  if (!g)
    return;
  float x = 0.f, y = 0.f;
  g->GetLastMouseDownPoint(x, y);
  g->CreatePopupMenu(*caller, InfoMenu(), IRECT(x, y, x, y), 0);
}

InfoMenuButton::InfoMenuButton(const IRECT& bounds, const char* label, const IVStyle& style, bool labelInButton,
                               bool valueInButton, EVShape shape)
  : IVButtonControl(bounds, ShowInfoMenuAction, label, style, labelInButton, valueInButton, shape)
{
}

void InfoMenuButton::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int /*valIdx*/)
{
  const IPopupMenu::Item* item = pSelectedMenu ? pSelectedMenu->GetChosenItem() : nullptr;
  IGraphics* g = GetUI();
  if (!item || !g)
    return;
  const char* url = nullptr;
  if (std::strcmp(item->GetText(), "Product page") == 0)
    url = kProductPageURL;
  else if (std::strcmp(item->GetText(), "Manual") == 0)
    url = kManualURL;
  if (!url)
    return;
  g->OpenURL(url);
  g->ReleaseMouseCapture();
}

} // namespace vellicor
