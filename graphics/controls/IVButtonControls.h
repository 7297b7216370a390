#pragma once
// Vector buttons and switches: the momentary button, the n-state switch, the two-state toggle
// with an off and an on text, the row or column of buttons (tab switch) and its radio-button
// form. Each is a behaviour base plus IVectorBase, which lays the control out and draws the
// pressable shapes. Main thread only.

#include <initializer_list>
#include <memory>
#include <vector>

#include "graphics/controls/IControlBases.h"
#include "graphics/controls/IVectorBase.h"

namespace plug {
namespace igraphics {

// A momentary button: pressed while its value is not 0, which lasts from the click until the
// click action's animation ends (the splash by default).
class IVButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVButtonControl(const IRECT& bounds, IActionFunction actionFunc = SplashActionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool labelInButton = true, bool valueInButton = false,
                  EVShape shape = EVShape::Rectangle);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
};

// A switch of n states drawn as one pressable shape, pressed while the mouse is down. Bound to
// a parameter it shows the parameter's display text as its value.
class IVSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  // Two states, splash on click.
  IVSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueInButton = true);
  // No parameter.
  IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, int numStates = 2, bool valueInButton = true);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
  // Also refreshes the value string (display text without unit label).
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  // Bound to a parameter: the value string with the unit label, the parameter's name as an
  // empty label.
  void OnInit() override;
  void OnMouseOut() override;

private:
  // The rest of either constructor: the label, and the value text centred in the button.
  void SetUp(const char* label);
};

// A two-state switch showing its on text above 0.5 and its off text otherwise, whether or not
// the style shows values.
class IVToggleControl : public IVSwitchControl
{
public:
  IVToggleControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, const char* offText = "", const char* onText = "");
  IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, const char* offText = "", const char* onText = "",
                  bool initialState = false);

  void DrawWidget(IGraphics& g) override;
  void DrawValue(IGraphics& g, bool mouseOver) override;

protected:
  CharBuf mOffText{128};
  CharBuf mOnText{128};
};

// Where a button lies in the row of a tab switch.
enum class ETabSegment : int32_t
{
  Start = 0,
  Mid = 1,
  End = 2
};

// A row (horizontal) or column (vertical) of buttons, one per state; clicking a button
// selects its state.
class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  // Without option texts, the parameter's display texts become the options at OnInit.
  IVTabSwitchControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& options = {},
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                     EVShape shape = EVShape::Rectangle, EDirection direction = EDirection::Horizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const std::vector<const char*>& options,
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                     EVShape shape = EVShape::Rectangle, EDirection direction = EDirection::Horizontal);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawTabButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                             bool disabled);
  virtual void DrawTabText(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                           bool disabled, const char* text);
  // The index of the first button whose area holds the point, else -1.
  virtual int TabAtPoint(float x, float y) const;

  void OnInit() override;
  void OnResize() override;
  bool IsHit(float x, float y) const override { return TabAtPoint(x, y) > -1; }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  // The option text of the selected state, or "" when it has none.
  const char* SelectedOptionText() const;
  int NButtons() const { return static_cast<int>(mButtons.size()); }
  const IRECT& GetButtonBounds(int i) const { return mButtons[static_cast<size_t>(i)]; }
  int NOptions() const { return static_cast<int>(mTabLabels.size()); }
  const char* GetOptionText(int i) const { return mTabLabels[static_cast<size_t>(i)]->Get(); }
  int GetMouseOverButton() const { return mMouseOverButton; }

protected:
  // The state the value selects: the nearest of the n states.
  int SelectedState() const;
  ETabSegment SegmentOf(int i) const;
  bool StateLooksDisabled(int i) const { return mDisabled || GetStateDisabled(i); }

  int mMouseOverButton = -1;
  std::vector<IRECT> mButtons;
  std::vector<std::unique_ptr<CharBuf>> mTabLabels;

private:
  void AddOptions(const std::vector<const char*>& options, EVShape shape, EDirection direction);
};

// A column (or row) of options, each a small button followed by its text; the selected
// option's text takes the pressed colour, the others colour extra 1.
class IVRadioButtonControl : public IVTabSwitchControl
{
public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& options = {},
                       const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                       EVShape shape = EVShape::Ellipse, EDirection direction = EDirection::Vertical,
                       float buttonSize = 10.f);
  IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc, const std::vector<const char*>& options,
                       const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                       EVShape shape = EVShape::Ellipse, EDirection direction = EDirection::Vertical,
                       float buttonSize = 10.f);

  void DrawWidget(IGraphics& g) override;
  int TabAtPoint(float x, float y) const override;

  // When set only the button area at the start of each option takes clicks.
  void SetOnlyButtonsRespondToMouse(bool only) { mOnlyButtonsRespondToMouse = only; }

protected:
  // The button area at the start of an option's rectangle.
  IRECT ButtonArea(const IRECT& option) const
  {
    return IRECT(option.L, option.T, option.L + mButtonAreaWidth, option.B);
  }

  float mButtonSize;
  float mButtonAreaWidth;
  bool mOnlyButtonsRespondToMouse = false;

private:
  void AlignText();
};

} // namespace igraphics
} // namespace plug
