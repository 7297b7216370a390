#pragma once
// Three more vector controls: a text label in the vector style (background, shadowed text,
// frame), a switch whose handle slides along a track to the next state, and a menu button: a
// container holding one vector button that shows a parameter's value and opens the
// parameter's menu or text entry when clicked. Main thread only.

#include "graphics/controls/IContainerBase.h"
#include "graphics/controls/ITextControls.h"
#include "graphics/controls/IVButtonControls.h"

namespace plug {
namespace igraphics {

// A static text drawn with the style's value text, its shadow offset by the shadow offset in
// the shadow colour, and framed when the style draws frames. It ignores the mouse.
class IVLabelControl : public ITextControl, public IVectorBase
{
public:
  IVLabelControl(const IRECT& bounds, const char* str = "", const IVStyle& style = DEFAULT_STYLE);

  void Draw(IGraphics& g) override;
};

// A switch of n states drawn as a handle in one of n slots along a track (side by side when
// horizontal, stacked when vertical). A click steps to the next state, wrapping, and the
// handle slides there from its slot in 100 ms; the value text hides while it slides.
class IVSlideSwitchControl : public IVSwitchControl
{
public:
  static constexpr int kSlideDurationMs = 100;

  // Two states, bound to a parameter.
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = EDirection::Horizontal);
  // No parameter; the action runs when a slide has finished. The initial state is a state
  // number, 0 to n - 1.
  IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = EDirection::Horizontal, int numStates = 2, int initialState = 0);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawSlideHandle(IGraphics& g, const IRECT& bounds);
  virtual void DrawSlideTrack(IGraphics& g, const IRECT& bounds);

  void OnResize() override;
  // Also lays the slots out again, except while a slide runs.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void OnEndAnimation() override;

  // The state the value selects, 0 to n - 1.
  int SelectedState() const;
  const IRECT& GetStartRect() const { return mStartRect; }
  const IRECT& GetEndRect() const { return mEndRect; }
  const IRECT& GetHandleRect() const { return mHandleRect; }

protected:
  // Start and handle at the selected state's slot, end at the next slot (wrapping).
  void UpdateRects();
  // One step of the slide: the handle between start and end by the animation's progress.
  void SlideStep();

  IRECT mStartRect;
  IRECT mEndRect;
  IRECT mHandleRect;

private:
  void SetUpSlide(EDirection direction);
};

// A button that shows a parameter's value with its unit label and, when clicked, splashes
// and then opens the parameter's menu (or text entry) over itself. The button is a child the
// menu button builds when it is attached; the graphics context owns it.
class IVMenuButtonControl : public IContainerBase, public IVectorBase
{
public:
  IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label = "",
                      const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Rectangle);
  ~IVMenuButtonControl() override;

  void SetValueFromDelegate(double value, int valIdx = 0) override;
  void SetValueFromUserInput(double value, int valIdx = 0) override;
  void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx) override;
  // The container's own look; the button gets the style with its value centred vertically.
  void SetStyle(const IVStyle& style) override;

  // The inner button while it is attached, else null.
  IVButtonControl* GetInnerButton() const;

protected:
  // The inner button's value string from the text, then redrawn.
  void SetInnerValueStr(const char* str);
  // The inner button's value string from the parameter.
  void RefreshInnerButton();

  IVButtonControl* mInnerButton = nullptr;
};

} // namespace igraphics
} // namespace plug
