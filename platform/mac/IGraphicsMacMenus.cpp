// IGraphicsMac: in-place text entry and the colour picker, handed to the editor view.
#include "platform/mac/IGraphicsView.h"

namespace plug {
namespace igraphics {

void IGraphicsMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                           const char* str)
{
  if (mView)
    mView->createTextEntry(paramIdx, text, str, length, ToViewRect(bounds, GetDrawScale()));
}

bool IGraphicsMac::PromptForColor(IColor& color, const char* /*str*/, IColorPickerHandlerFunc func)
{
  if (!mView)
    return false;
  return mView->promptForColor(color, std::move(func));
}

} // namespace igraphics
} // namespace plug
