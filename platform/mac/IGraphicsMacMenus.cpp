// IGraphicsMac: the native prompts (pop-up menus, in-place text entry, the colour picker),
// handed to the editor view.
#include "graphics/EditorEntry.h"
#include "platform/mac/IGraphicsView.h"
#include "platform/mac/ScopedRetain.h"

namespace plug {
namespace igraphics {

IPopupMenu* IGraphicsMac::CreatePlatformPopupMenu(IPopupMenu& /*menu*/, const IRECT& bounds, bool& isAsync)
{
  isAsync = true;
  // The block holds no menu: when it runs it asks IGraphics for the menu still wanted, since
  // the control that asked (and its menu) may have gone by then. It holds this object by a
  // handle, so a block run after the editor closed or went does nothing.
  const uint64_t request = ++mPopupRequest;
  const EditorHandle<IGraphicsMac> handle(*this);
  standin::RunLoop::Main().PerformBlock([handle, request, bounds]() {
    EditorEntry::Enter(handle, [&](IGraphicsMac& g) { g.ShowPopupMenu(request, bounds); });
  });
  return nullptr;
}

void IGraphicsMac::ShowPopupMenu(uint64_t request, const IRECT& bounds)
{
  IPopupMenu* menu = GetShownPopupMenu();
  if (!IsCurrentPopupMenu(request, menu))
    return; // superseded by a later request, or its control has gone
  PopupMenuChoice choice;
  if (mView)
  {
    // The menu's loop may close the editor: the view stays until the menu has returned.
    const ScopedRetain<IGraphicsView> view(mView);
    choice = view->createPopupMenu(*menu, ToViewRect(bounds, GetDrawScale()));
  }
  // The menu's loop may also have closed the editor, removed the control that asked (its menu
  // may have gone with it) or let another request take this one's place: then nobody waits for
  // this result any more, and the choice is written nowhere. Otherwise IGraphics runs the
  // completion function of the level chosen (once per showing) and hands the result over.
  EditorEntry::Enter(this, [&](IGraphicsMac& g) {
    if (g.IsCurrentPopupMenu(request, menu))
      g.SetControlValueAfterPopupMenu(choice.WriteInto());
  });
}

bool IGraphicsMac::IsCurrentPopupMenu(uint64_t request, const IPopupMenu* menu) const
{
  return menu && request == mPopupRequest && GetShownPopupMenu() == menu;
}

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
