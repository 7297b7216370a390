#pragma once
// Controls that show a line of text in a rectangle: a static string over a background colour,
// and the controls built on it: a parameter's caption that opens the parameter's menu or text
// entry, an underlined link, a two-state control with two texts, and a place holder that
// shows its own position and size while an editor is laid out. Main thread only.

#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace plug {
namespace igraphics {

// A static string. It ignores the mouse, so clicks reach whatever lies beneath. With
// fit-bounds-to-string its rectangle takes the string's measured size around its centre when
// it is attached and whenever the string changes.
class ITextControl : public IControl
{
public:
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = DEFAULT_TEXT,
               const IColor& bgColor = DEFAULT_BGCOLOR, bool fitBoundsToString = false);

  void Draw(IGraphics& g) override;
  void OnInit() override;

  // Nothing at all (no redraw) for the current string.
  virtual void SetStr(const char* str);
  // The formatted text, cut at maxLength characters. Never refits.
  virtual void SetStrFmt(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }

  const char* GetStr() const { return mStr.Get(); }
  const IColor& GetBGColor() const { return mBGColor; }
  void SetBGColor(const IColor& color)
  {
    mBGColor = color;
    SetDirty(false);
  }

protected:
  // The string's measured size centred on the current centre (needs the graphics context).
  void FitBoundsToString();

  CharBuf mStr{128};
  IColor mBGColor;
  bool mFitBoundsToString;
};

// The display text of a parameter (with its unit label when asked), which opens the
// parameter's menu or text entry on a click. An enumerated parameter gets a small triangle at
// the end away from the text's alignment.
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = DEFAULT_TEXT,
                  const IColor& bgColor = DEFAULT_BGCOLOR, bool showParamLabel = true);
  // The text is the parameter's value as the caption draws: drawn while another thread had
  // the parameter elsewhere for a moment (a restore on a host thread), it would keep that text
  // when the editor is then given the value the caption already holds. So every value the
  // editor is given draws it again, equal or not.
  // The vector switches, knobs and sliders take their text from the parameter the same way and
  // kept it stale alike, so that redraw is now the control base's for every control that draws
  // its parameter's text (IControl::SetDrawsParamText, which the constructor sets here and the
  // vector controls set where they take their text), no longer the caption's own.

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;

  const IRECT& GetTriangleBounds() const { return mTri; }

protected:
  bool mShowParamLabel;
  IColor mTriangleColor = COLOR_BLACK;
  IColor mTriangleMouseOverColor = COLOR_WHITE;
  // The triangle's blend when the mouse is not over it.
  IBlend mTriangleBlend = BLEND_50;
  IRECT mTri;
};

// An underlined link: a click opens the URL. The text takes the mouse-over colour under the
// pointer (with a pointing hand) and the clicked colour once it has been clicked.
class IURLControl : public ITextControl
{
public:
  IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text = DEFAULT_TEXT,
              const IColor& bgColor = DEFAULT_BGCOLOR, const IColor& mouseOverColor = COLOR_WHITE,
              const IColor& clickedColor = COLOR_BLUE);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // The style's text colour becomes the colour at rest.
  void SetText(const IText& text) override;

  const char* GetURL() const { return mURL.Get(); }
  bool GetClicked() const { return mClicked; }

protected:
  CharBuf mURL{128};
  IColor mOriginalColor;
  IColor mMouseOverColor;
  IColor mClickedColor;
  bool mClicked = false;
};

// Two states shown as two texts: the on text above 0.5, the off text otherwise. A click
// flips the value.
class ITextToggleControl : public ITextControl
{
public:
  ITextToggleControl(const IRECT& bounds, int paramIdx = -1, const char* offText = "OFF", const char* onText = "ON",
                     const IText& text = DEFAULT_TEXT, const IColor& bgColor = DEFAULT_BGCOLOR);
  ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = DEFAULT_TEXT,
                     const IColor& bgColor = DEFAULT_BGCOLOR);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Shows the text of the value, then marks all values dirty.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

protected:
  CharBuf mOffText{128};
  CharBuf mOnText{128};

private:
  void SetUp(const char* offText, const char* onText);
};

// A white box crossed by two red diagonals that shows its position, width and height, and a
// name that a double click edits.
class PlaceHolder : public ITextControl
{
public:
  static constexpr int kMaxReadoutLength = 32;

  explicit PlaceHolder(const IRECT& bounds, const char* str = "Place Holder");

  void Draw(IGraphics& g) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnResize() override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;

  const char* GetPositionStr() const { return mTLHCStr.Get(); }
  const char* GetWidthStr() const { return mWidthStr.Get(); }
  const char* GetHeightStr() const { return mHeightStr.Get(); }
  const IRECT& GetCentreLabelBounds() const { return mCentreLabelBounds; }

protected:
  // The readout measured, its box moved to the anchor and filled with the background at the
  // weight, then the text drawn at the anchor.
  void DrawReadout(IGraphics& g, const IText& text, const char* str, float x, float y, float weight);

  IRECT mCentreLabelBounds;
  CharBuf mTLHCStr{32};
  CharBuf mWidthStr{32};
  CharBuf mHeightStr{32};
  IText mTLHCText;
  IText mWidthText;
  IText mHeightText;
};

} // namespace igraphics
} // namespace plug
