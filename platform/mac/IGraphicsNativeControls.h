#pragma once
// The native controls the editor view shows for IGraphicsMac: pop-up menus built from an
// IPopupMenu (with a receiver that remembers the item chosen), the in-place text field with
// its vertically centring cell and the formatter that restricts what can be typed. All of
// them are classes of the object runtime and run on the main thread; the view puts them to
// use (IGraphicsViewText.cpp).
//
// The rules that need no AppKit (which characters a parameter's entry takes, the alignment
// mapping, the colour panel's conversion, where a menu opens) are plain functions, so that
// they can be exercised on their own.
#include "graphics/IPopupMenu.h"
#include "standin/appkit/AppKit.h"

namespace plug {
namespace igraphics {

// The characters a text entry for a parameter of that kind (EParamKind) takes: bool, int and
// enum "0123456789-+", double "0123456789.-+", any other kind none at all.
const char* TextEntryCharacters(int paramKind);

// The field alignment for an IText horizontal alignment: near left, centre centre, far
// right. False for values outside these three (the field keeps its default).
bool TextEntryAlignment(EAlign align, NSTextAlignment& alignment);

// The colour panel's components (0 to 1) as an IColor: each times 255, truncated toward zero.
IColor ColorFromPanelComponents(double alpha, double red, double green, double blue);

// Where a native menu opens over the anchor rectangle (view coordinates, y down): the chosen
// item of the menu covers the anchor's top left corner when the menu has an item at the
// chosen index (positionItem true); otherwise the menu opens 4 points below the anchor.
NSPoint PopupMenuLocation(const IPopupMenu& menu, NSRect anchor, bool& positionItem);

// What the user chose in a native menu: the level of the menu tree where the item was
// chosen and the item's index, or no level when the menu was dismissed. It is written into the
// level only by whoever knows the menu is still there and still wanted.
struct PopupMenuChoice
{
  IPopupMenu* level = nullptr;
  int index = -1;

  // Sets the level's chosen index and hands the level back; null when nothing was chosen.
  IPopupMenu* WriteInto() const
  {
    if (level)
      level->SetChosenItemIdx(index);
    return level;
  }
};

} // namespace igraphics
} // namespace plug

// -- menus --

// Receives the action of every item of one menu tree and remembers the item chosen last.
// Made with the anchor rectangle and never shown.
class PLUG_OBJC_CLASS(IGraphicsMenuRcvr) : public NSView
{
  STANDIN_OBJECT_CLASS()

  // initWithFrame:
  explicit PLUG_OBJC_CLASS(IGraphicsMenuRcvr)(NSRect frame, standin::RuntimeClass& cls = Class());

  // The action of the menu items.
  void onMenuSelection(NSMenuItem* item) { nsMenuItem = item; }
  // The item chosen last (not retained), null until a choice.
  NSMenuItem* menuItem() const { return nsMenuItem; }

private:
  NSMenuItem* nsMenuItem = nullptr;
};
using IGraphicsMenuRcvr = PLUG_OBJC_CLASS(IGraphicsMenuRcvr);

// A native menu built from an IPopupMenu: item texts with the menu's numbering, separators,
// nested menus for submenus, and for the other items the receiver's action; titles indented,
// disabled items disabled (no automatic enabling), checked items on.
class PLUG_OBJC_CLASS(IGraphicsMenu) : public NSMenu
{
  STANDIN_OBJECT_CLASS()

  // initWithIPopupMenuAndReceiver:: (the IPopupMenu is not owned and must outlive the menu).
  PLUG_OBJC_CLASS(IGraphicsMenu)(plug::igraphics::IPopupMenu* pMenu, IGraphicsMenuRcvr* receiver,
                                 standin::RuntimeClass& cls = Class());

  plug::igraphics::IPopupMenu* iPopupMenu() const { return mIPopupMenu; }

private:
  plug::igraphics::IPopupMenu* mIPopupMenu = nullptr;
};
using IGraphicsMenu = PLUG_OBJC_CLASS(IGraphicsMenu);

// -- text entry --

// The in-place text field: on focus its insertion point takes the text colour.
class PLUG_OBJC_CLASS(IGraphicsTextField) : public NSTextField
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(IGraphicsTextField)(NSRect frame, standin::RuntimeClass& cls = Class());

  bool becomeFirstResponder() override;
};
using IGraphicsTextField = PLUG_OBJC_CLASS(IGraphicsTextField);

// A text cell that centres its single line vertically, also while it is edited.
class PLUG_OBJC_CLASS(IGraphicsTextFieldCell) : public NSTextFieldCell
{
  STANDIN_OBJECT_CLASS()

  // initTextCell:
  explicit PLUG_OBJC_CLASS(IGraphicsTextFieldCell)(const NSString* text, standin::RuntimeClass& cls = Class());

  NSRect drawingRectForBounds(NSRect bounds) override;
  void selectWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSInteger start,
                       NSInteger length) override;
  void editWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSEvent* event) override;

private:
  bool mIsEditingOrSelecting = false;
};
using IGraphicsTextFieldCell = PLUG_OBJC_CLASS(IGraphicsTextFieldCell);

// Restricts what can be typed: the characters of a set, a maximum length and a maximum value
// (0 for no limit each). Values are the texts themselves.
class PLUG_OBJC_CLASS(IGraphicsFormatter) : public NSFormatter
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(IGraphicsFormatter)(standin::RuntimeClass& cls = Class());
  // dealloc: lets go of the character set.
  ~PLUG_OBJC_CLASS(IGraphicsFormatter)() override;

  // Retains the set (null: any character) and releases the previous one.
  void setAcceptableCharacterSet(NSCharacterSet* set);
  void setMaximumLength(int length) { maxLength = length; }
  void setMaximumValue(int value) { maxValue = value; }
  NSCharacterSet* AcceptableCharacterSet() const { return filterCharacterSet; }
  int MaximumLength() const { return maxLength; }

  bool isPartialStringValid(const NSString* partialString, NSString** newString, NSString** error) override;
  NSString* stringForObjectValue(NSObject* object) override;
  bool getObjectValue(NSObject** object, const NSString* string, NSString** error) override;

private:
  NSCharacterSet* filterCharacterSet = nullptr;
  int maxLength = 0;
  int maxValue = 0;
};
using IGraphicsFormatter = PLUG_OBJC_CLASS(IGraphicsFormatter);
