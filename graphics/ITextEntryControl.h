#pragma once
// The in-editor single-line text entry, used instead of the platform's native text field when
// the graphics context has one attached. Committing hands the text to
// IGraphics::SetControlValueAfterTextEdit.

#include "graphics/IControl.h"

namespace plug {
namespace igraphics {

class ITextEntryControl : public IControl
{
public:
  ITextEntryControl();

  void Draw(IGraphics& g) override;

  // Opens the entry over the bounds with the text style and initial text.
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str);

  bool EditInProgress() const { return mEditing; }

protected:
  bool mEditing = false;
};

} // namespace igraphics
} // namespace plug
