#include "platform/mac/IGraphicsNativeControls.h"
#include "platform/mac/MacStrings.h"

#include "plug/IParam.h"

using plug::StringOrEmpty;
using plug::igraphics::IPopupMenu;
using standin::RuntimeClass;

STANDIN_DEFINE_CLASS(IGraphicsMenuRcvr, NSView)
STANDIN_DEFINE_CLASS(IGraphicsMenu, NSMenu)
STANDIN_DEFINE_CLASS(IGraphicsTextField, NSTextField)
STANDIN_DEFINE_CLASS(IGraphicsTextFieldCell, NSTextFieldCell)
STANDIN_DEFINE_CLASS(IGraphicsFormatter, NSFormatter)

namespace plug {
namespace igraphics {

const char* TextEntryCharacters(int paramKind)
{
  switch (paramKind)
  {
  case kKindBool:
  case kKindInt:
  case kKindEnum:
    return "0123456789-+";
  case kKindDouble:
    return "0123456789.-+";
  default:
    return "";
  }
}

bool TextEntryAlignment(EAlign align, NSTextAlignment& alignment)
{
  switch (align)
  {
  case EAlign::Near:
    alignment = NSTextAlignmentLeft;
    return true;
  case EAlign::Center:
    alignment = NSTextAlignmentCenter;
    return true;
  case EAlign::Far:
    alignment = NSTextAlignmentRight;
    return true;
  }
  return false;
}

IColor ColorFromPanelComponents(double alpha, double red, double green, double blue)
{
  return IColor(static_cast<int>(alpha * 255.0), static_cast<int>(red * 255.0), static_cast<int>(green * 255.0),
                static_cast<int>(blue * 255.0));
}

NSPoint PopupMenuLocation(const IPopupMenu& menu, NSRect anchor, bool& positionItem)
{
  positionItem = menu.GetChosenItemIdx() >= 0 && menu.GetChosenItemIdx() < menu.NItems();
  if (positionItem)
    return anchor.origin;
  return NSMakePoint(anchor.origin.x, anchor.origin.y + anchor.size.height + 4);
}

} // namespace igraphics
} // namespace plug

// -- menus --

IGraphicsMenuRcvr::PLUG_OBJC_CLASS(IGraphicsMenuRcvr)(NSRect frame, RuntimeClass& cls) : NSView(frame, cls) {}

IGraphicsMenu::PLUG_OBJC_CLASS(IGraphicsMenu)(IPopupMenu* pMenu, IGraphicsMenuRcvr* receiver, RuntimeClass& cls)
  : NSMenu(NSString::string(), cls)
{
  setAutoenablesItems(false);
  NSString* empty = NSString::string();
  plug::CharBuf title(128);
  for (int i = 0; pMenu && i < pMenu->NItems(); ++i)
  {
    const IPopupMenu::Item* pItem = pMenu->GetItem(i);
    if (pItem->GetIsSeparator())
    {
      addItem(NSMenuItem::separatorItem());
      continue;
    }
    pMenu->GetDisplayText(i, title);
    NSString* text = StringOrEmpty(title.Get());
    NSMenuItem* item = nullptr;
    if (IPopupMenu* pSubmenu = pItem->GetSubmenu())
    {
      item = addItemWithTitle(text, SEL(), empty);
      IGraphicsMenu* submenu = new IGraphicsMenu(pSubmenu, receiver);
      setSubmenuForItem(submenu, item);
      submenu->release();
    }
    else
    {
      item = addItemWithTitle(text, STANDIN_SELECTOR(IGraphicsMenuRcvr, onMenuSelection), empty);
      item->setTarget(receiver);
    }
    item->setIndentationLevel(pItem->GetIsTitle() ? 1 : 0);
    item->setEnabled(pItem->GetEnabled());
    item->setState(pItem->GetChecked() ? NSControlStateValueOn : NSControlStateValueOff);
  }
  mIPopupMenu = pMenu;
}

// -- text entry --

IGraphicsTextField::PLUG_OBJC_CLASS(IGraphicsTextField)(NSRect frame, RuntimeClass& cls) : NSTextField(frame, cls) {}

bool IGraphicsTextField::becomeFirstResponder()
{
  const bool success = NSTextField::becomeFirstResponder();
  if (success)
    if (auto* editor = dynamic_cast<NSTextView*>(currentEditor()))
      editor->setInsertionPointColor(textColor());
  return success;
}

IGraphicsTextFieldCell::PLUG_OBJC_CLASS(IGraphicsTextFieldCell)(const NSString* text, RuntimeClass& cls)
  : NSTextFieldCell(text, cls)
{
}

NSRect IGraphicsTextFieldCell::drawingRectForBounds(NSRect bounds)
{
  NSRect rect = NSTextFieldCell::drawingRectForBounds(bounds);
  if (!mIsEditingOrSelecting)
  {
    const float textHeight = static_cast<float>(cellSize().height);
    const float excess = static_cast<float>(rect.size.height) - textHeight;
    rect.size.height -= excess;
    rect.origin.y += excess * 0.5f;
  }
  return rect;
}

void IGraphicsTextFieldCell::selectWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate,
                                             NSInteger start, NSInteger length)
{
  const NSRect centred = drawingRectForBounds(frame);
  mIsEditingOrSelecting = true;
  NSTextFieldCell::selectWithFrame(centred, controlView, editor, delegate, start, length);
  mIsEditingOrSelecting = false;
}

void IGraphicsTextFieldCell::editWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate,
                                           NSEvent* event)
{
  const NSRect centred = drawingRectForBounds(frame);
  mIsEditingOrSelecting = true;
  NSTextFieldCell::editWithFrame(centred, controlView, editor, delegate, event);
  mIsEditingOrSelecting = false;
}

IGraphicsFormatter::PLUG_OBJC_CLASS(IGraphicsFormatter)(RuntimeClass& cls) : NSFormatter(cls) {}

IGraphicsFormatter::~PLUG_OBJC_CLASS(IGraphicsFormatter)()
{
  if (filterCharacterSet)
    filterCharacterSet->release();
}

void IGraphicsFormatter::setAcceptableCharacterSet(NSCharacterSet* set)
{
  if (set == filterCharacterSet)
    return;
  if (set)
    set->retain();
  if (filterCharacterSet)
    filterCharacterSet->release();
  filterCharacterSet = set;
}

bool IGraphicsFormatter::isPartialStringValid(const NSString* partialString, NSString**, NSString**)
{
  if (!partialString)
    return true;
  if (filterCharacterSet)
    for (char16_t unit : partialString->UTF16())
      if (!filterCharacterSet->characterIsMember(unit))
        return false;
  if (maxLength != 0 && static_cast<long long>(partialString->length()) > maxLength)
    return false;
  if (maxValue != 0 && partialString->intValue() > maxValue)
    return false;
  return true;
}

NSString* IGraphicsFormatter::stringForObjectValue(NSObject* object) { return dynamic_cast<NSString*>(object); }

bool IGraphicsFormatter::getObjectValue(NSObject** object, const NSString* string, NSString**)
{
  if (object && string)
    *object = NSString::stringWithString(string);
  return true;
}
