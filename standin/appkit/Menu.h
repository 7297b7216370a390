#pragma once
// Stand-in for AppKit's menus. A menu retains its items and an item its submenu; an item's
// target and a menu's link to its supermenu are plain pointers. Popping a menu up runs a
// nested loop of the main run loop in the event-tracking mode, as the platform's menu tracking
// does (timers of the common modes fire in it; queued blocks run only when the menu was not
// popped up from one), and takes the user's answer from inside it (UserInput.h): an item, in
// the menu or in one of its submenus, or the menu dismissed. A picked item that is enabled, no
// separator and no submenu then sends its action to its target before the call returns.
#include "standin/appkit/View.h"

#include <string>
#include <vector>

class NSMenu;

typedef NSInteger NSControlStateValue;
constexpr NSControlStateValue NSControlStateValueOff = 0;
constexpr NSControlStateValue NSControlStateValueOn = 1;
constexpr NSControlStateValue NSControlStateValueMixed = -1;

class NSMenuItem : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initWithTitle:action:keyEquivalent:
  NSMenuItem(const NSString* title, const SEL& action, const NSString* keyEquivalent, standin::RuntimeClass& cls = Class());
  ~NSMenuItem() override;

  // A new separator (autoreleased).
  static NSMenuItem* separatorItem();

  bool isSeparatorItem() const { return mSeparator; }
  const NSString* title() const { return mTitle; }
  void setTitle(const NSString* title);
  const NSString* keyEquivalent() const { return mKeyEquivalent; }
  const SEL& action() const { return mAction; }
  void setAction(const SEL& action) { mAction = action; }
  NSObject* target() const { return mTarget; }
  void setTarget(NSObject* target) { mTarget = target; }
  bool isEnabled() const { return mEnabled; }
  void setEnabled(bool enabled) { mEnabled = enabled; }
  NSControlStateValue state() const { return mState; }
  void setState(NSControlStateValue state) { mState = state; }
  NSInteger indentationLevel() const { return mIndentation; }
  // 0 to 15; larger values are taken as 15.
  void setIndentationLevel(NSInteger level);
  NSInteger tag() const { return mTag; }
  void setTag(NSInteger tag) { mTag = tag; }
  // The menu holding the item, or null.
  NSMenu* menu() const { return mMenu; }
  NSMenu* submenu() const { return mSubmenu; }
  bool hasSubmenu() const { return mSubmenu != nullptr; }
  // Retains the submenu.
  void setSubmenu(NSMenu* submenu);

private:
  friend class NSMenu;
  NSString* mTitle;
  NSString* mKeyEquivalent;
  SEL mAction;
  NSObject* mTarget = nullptr;
  bool mSeparator = false;
  bool mEnabled = true;
  NSControlStateValue mState = NSControlStateValueOff;
  NSInteger mIndentation = 0;
  NSInteger mTag = 0;
  NSMenu* mMenu = nullptr;
  NSMenu* mSubmenu = nullptr;
};

class NSMenu : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initWithTitle:
  explicit NSMenu(const NSString* title, standin::RuntimeClass& cls = Class());
  ~NSMenu() override;

  const NSString* title() const { return mTitle; }
  bool autoenablesItems() const { return mAutoenables; }
  void setAutoenablesItems(bool autoenables) { mAutoenables = autoenables; }

  // Retains the item; an item of another menu is a platform fault (the platform raises).
  void addItem(NSMenuItem* item);
  // A new item added at the end (owned by the menu).
  NSMenuItem* addItemWithTitle(const NSString* title, const SEL& action, const NSString* keyEquivalent);
  void removeItem(NSMenuItem* item);
  // Gives the item the submenu.
  void setSubmenuForItem(NSMenu* submenu, NSMenuItem* item);
  NSInteger numberOfItems() const { return static_cast<NSInteger>(mItems.size()); }
  // Null outside the menu (the platform raises; the stand-in answers null quietly).
  NSMenuItem* itemAtIndex(NSInteger index) const;
  // -1 when the item is not in this menu.
  NSInteger indexOfItem(const NSMenuItem* item) const;
  const std::vector<NSMenuItem*>& Items() const { return mItems; }
  // The menu whose item has this one as submenu, or null.
  NSMenu* supermenu() const { return mSupermenu; }

  // Pops the menu up in the view with the item (or, for null, the menu's top left corner) at
  // the location given in the view's coordinates, runs the menu's loop and returns when the
  // user has answered: true when an item was chosen (its action sent), false when dismissed. The
  // windows forget the mouse button held, since the menu takes the mouse.
  bool popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view);

private:
  friend class NSMenuItem;
  NSString* mTitle;
  bool mAutoenables = true;
  std::vector<NSMenuItem*> mItems;
  NSMenu* mSupermenu = nullptr;
};
