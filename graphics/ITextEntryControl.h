#pragma once
// The in-editor single-line text entry, used instead of the platform's native text field when
// the graphics context has one attached.

#include "graphics/IControl.h"

namespace plug {
namespace igraphics {

class ITextEntryControl : public IControl
{
public:
  ITextEntryControl();

  void Draw(IGraphics& g) override;

  bool EditInProgress() const { return mEditing; }

protected:
  bool mEditing = false;
};

} // namespace igraphics
} // namespace plug
