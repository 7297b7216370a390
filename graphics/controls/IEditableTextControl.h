#pragma once
// A text the user edits in place: a click opens a text entry over the control holding its
// string; the committed text becomes the string and runs the control's action. It has no
// parameter. Main thread only.

#include "graphics/controls/ITextControls.h"

namespace plug {
namespace igraphics {

class IEditableTextControl : public ITextControl
{
public:
  IEditableTextControl(const IRECT& bounds, const char* str = "", const IText& text = DEFAULT_TEXT,
                       const IColor& bgColor = DEFAULT_BGCOLOR);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;
};

} // namespace igraphics
} // namespace plug
