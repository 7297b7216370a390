// The editor view's native pop-up menus, in-place text field and colour panel.
#include "platform/mac/IGraphicsView.h"

#include <cstdio>

using namespace plug::igraphics;

namespace {

void NotAvailable(const char* what)
{
  std::fprintf(stderr, "IGraphicsView: %s is not available on this platform layer yet\n", what);
}

} // namespace

IPopupMenu* IGraphicsView::createPopupMenu(IPopupMenu& /*menu*/, NSRect /*bounds*/)
{
  NotAvailable("the native pop-up menu");
  return nullptr;
}

void IGraphicsView::createTextEntry(int /*paramIdx*/, const IText& /*text*/, const char* /*str*/, int /*length*/,
                                    NSRect /*areaRect*/)
{
  NotAvailable("the native text field");
}

void IGraphicsView::endUserInput()
{
  mTextFieldView = nullptr;
}

void IGraphicsView::controlTextDidEndEditing(NSNotification* /*notification*/)
{
  NotAvailable("the native text field");
}

bool IGraphicsView::promptForColor(const IColor& /*color*/, IColorPickerHandlerFunc /*func*/)
{
  NotAvailable("the colour panel");
  return false;
}

void IGraphicsView::onColorPicked(NSColorPanel* /*panel*/)
{
  NotAvailable("the colour panel");
}
