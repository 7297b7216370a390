// IGraphicsMac: the native prompts (pop-up menus, in-place text entry, the colour picker),
// handed to the editor view.
#include "platform/mac/GuardedCall.h"
#include "platform/mac/IGraphicsView.h"
#include "platform/mac/ScopedRetain.h"

namespace plug {
namespace igraphics {

IPopupMenu* IGraphicsMac::CreatePlatformPopupMenu(IPopupMenu& /*menu*/, const IRECT& bounds, bool& isAsync)
{
  isAsync = true;
  // The block holds no menu: when it runs it asks IGraphics for the menu still wanted, since
  // the control that asked (and its menu) may have gone by then. Blocks of this object are
  // cancelled when its view closes and when it goes, so the block never reaches a deleted
  // object.
  const uint64_t request = ++mPopupRequest;
  standin::RunLoop::Main().PerformBlock([this, request, bounds]() { GuardedCall([&] { ShowPopupMenu(request, bounds); }); },
                                        this);
  return nullptr;
}

void IGraphicsMac::ShowPopupMenu(uint64_t request, const IRECT& bounds)
{
  IPopupMenu* menu = GetShownPopupMenu();
  if (request != mPopupRequest || !menu)
    return; // superseded by a later request, or its control has gone
  // The menu's loop and the result's completion may close the editor: this object stays until
  // both returned.
  const DispatchScope scope(this);
  const std::weak_ptr<const bool> alive = Lifetime();
  IPopupMenu* result = nullptr;
  if (mView)
  {
    // The menu's loop may close the editor: the view stays until the menu has returned.
    const ScopedRetain<IGraphicsView> view(mView);
    result = view->createPopupMenu(*menu, ToViewRect(bounds, GetDrawScale()));
  }
  if (alive.expired())
    return; // closed from inside the menu's loop: nobody waits for the result any more
  // IGraphics runs the completion function of the level chosen (once per showing).
  SetControlValueAfterPopupMenu(result);
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
