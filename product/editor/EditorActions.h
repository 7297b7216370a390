#pragma once
// The actions of the editor's buttons: the channel-mode toggle, the editor size reset, the two
// A/B transfers and the information menu, and the information button that acts on its menu's
// choice. Each action is an action function for the button's click; the plug-in and the
// controls it needs are captured when the editor is laid out and live as long as the editor's
// graphics context. Main thread only.
#include "graphics/IGraphicsStructs.h"
#include "graphics/IPopupMenu.h"
#include "graphics/controls/IVButtonControls.h"
#include "product/Vellicor.h"

namespace vellicor {

// The information menu's links.
constexpr const char* kProductPageURL = "https://www.orlenbeck.com/vellicor";
constexpr const char* kManualURL = "https://www.orlenbeck.com/vellicor/manual";

// Splashes the clicked button, then flips "Stereo Mode" between dual mono (0) and mid/side
// (1): the switch shows the new mode (its value set without a redraw of its own), the
// mid/side pusher knob and its text are enabled in mid/side only, and the parameter takes the
// new value (Vellicor::SetParamFromAction: the host is told, no change reaction runs).
plug::igraphics::IActionFunction ToggleStereoModeAction(Vellicor& plugin, plug::igraphics::IControl* stereoSwitch,
                                                        plug::igraphics::IControl* pusherKnob,
                                                        plug::igraphics::IControl* pusherText);

// Splashes the clicked button, brings the clicked button's editor back to 900 by 500 at scale 1
// and sets "Plugin Scale" to 1 (Vellicor::SetParamFromAction).
plug::igraphics::IActionFunction ResetEditorSizeAction(Vellicor& plugin);

// Copy one A/B row over the other (see Vellicor::CopySnapshot), then send every parameter's
// value to the controls.
plug::igraphics::IActionFunction CopySnapshotAToBAction(Vellicor& plugin);
plug::igraphics::IActionFunction CopySnapshotBToAAction(Vellicor& plugin);

// Splashes the clicked button and shows the information menu for it at the last mouse-down
// point of the button's editor. The choice comes back to the button that asked, as its menu
// selection (see InfoMenuButton).
void ShowInfoMenuAction(plug::igraphics::IControl* caller);

// The information menu: one for the whole process, built on first use, titled " " with the
// items "-- INFO --", "Product page" and "Manual". It holds no handler of its own: every
// editor may show it, and a handler kept on it would act through whichever editor set it last.
plug::igraphics::IPopupMenu& InfoMenu();

// The information button: a vector button whose click shows the information menu
// (ShowInfoMenuAction). The menu's result is handed to the button that asked, and only while
// it is still there, so "Product page" and "Manual" open their links in the button's own
// editor; "-- INFO --" and a dismissed menu do nothing.
class InfoMenuButton : public plug::igraphics::IVButtonControl
{
public:
  InfoMenuButton(const plug::igraphics::IRECT& bounds, const char* label = "",
                 const plug::igraphics::IVStyle& style = plug::igraphics::DEFAULT_STYLE, bool labelInButton = true,
                 bool valueInButton = false, plug::igraphics::EVShape shape = plug::igraphics::EVShape::Rectangle);

  void OnPopupMenuSelection(plug::igraphics::IPopupMenu* pSelectedMenu, int valIdx) override;
};

} // namespace vellicor
