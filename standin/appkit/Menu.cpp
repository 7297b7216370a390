#include "standin/appkit/Internal.h"

#include <algorithm>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSMenuItem, NSObject)
STANDIN_DEFINE_CLASS(NSMenu, NSObject)

// -- NSMenuItem --

NSMenuItem::NSMenuItem(const NSString* title, const SEL& action, const NSString* keyEquivalent, RuntimeClass& cls)
  : NSObject(cls)
  , mTitle(new NSString(Text(title)))
  , mKeyEquivalent(new NSString(Text(keyEquivalent)))
  , mAction(action)
{
}

NSMenuItem::~NSMenuItem()
{
  mTitle->release();
  mKeyEquivalent->release();
  if (mSubmenu)
  {
    mSubmenu->mSupermenu = nullptr;
    mSubmenu->release();
  }
}

NSMenuItem* NSMenuItem::separatorItem()
{
  STANDIN_MAIN_THREAD_ONLY();
  auto* item = new NSMenuItem(nullptr, SEL(), nullptr);
  item->mSeparator = true;
  item->mEnabled = false;
  return Autoreleased(item);
}

void NSMenuItem::setTitle(const NSString* title) { STANDIN_MAIN_THREAD_ONLY(); SetText(mTitle, title); }

void NSMenuItem::setIndentationLevel(NSInteger level) { STANDIN_MAIN_THREAD_ONLY(); mIndentation = std::clamp<NSInteger>(level, 0, 15); }

void NSMenuItem::setSubmenu(NSMenu* submenu)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (submenu == mSubmenu)
    return;
  if (submenu)
  {
    submenu->retain();
    submenu->mSupermenu = mMenu;
  }
  if (mSubmenu)
  {
    mSubmenu->mSupermenu = nullptr;
    mSubmenu->release();
  }
  mSubmenu = submenu;
}

// -- NSMenu --

NSMenu::NSMenu(const NSString* title, RuntimeClass& cls) : NSObject(cls), mTitle(new NSString(Text(title))) {}

NSMenu::~NSMenu()
{
  mTitle->release();
  for (NSMenuItem* item : mItems)
  {
    item->mMenu = nullptr;
    item->release();
  }
}

void NSMenu::addItem(NSMenuItem* item)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!item || item->mMenu)
  {
    standin::PlatformFault("-[NSMenu addItem:] with a null item or an item of another menu");
    return;
  }
  mItems.push_back(Retained(item));
  item->mMenu = this;
  if (item->mSubmenu)
    item->mSubmenu->mSupermenu = this;
}

NSMenuItem* NSMenu::addItemWithTitle(const NSString* title, const SEL& action, const NSString* keyEquivalent)
{
  STANDIN_MAIN_THREAD_ONLY();
  auto* item = new NSMenuItem(title, action, keyEquivalent);
  addItem(item);
  item->release();
  return item;
}

void NSMenu::removeItem(NSMenuItem* item)
{
  STANDIN_MAIN_THREAD_ONLY();
  auto it = std::find(mItems.begin(), mItems.end(), item);
  if (it == mItems.end())
    return;
  mItems.erase(it);
  item->mMenu = nullptr;
  item->release();
}

void NSMenu::setSubmenuForItem(NSMenu* submenu, NSMenuItem* item)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (item)
    item->setSubmenu(submenu);
}

NSMenuItem* NSMenu::itemAtIndex(NSInteger index) const
{
  STANDIN_MAIN_THREAD_ONLY();
  return index >= 0 && index < numberOfItems() ? mItems[static_cast<size_t>(index)] : nullptr;
}

NSInteger NSMenu::indexOfItem(const NSMenuItem* item) const
{
  STANDIN_MAIN_THREAD_ONLY();
  auto it = std::find(mItems.begin(), mItems.end(), item);
  return it == mItems.end() ? -1 : static_cast<NSInteger>(it - mItems.begin());
}

namespace {

// Whether the user can choose the item in a menu popped up from root: it is in root's tree,
// every item leading to it is enabled, and it is itself an enabled leaf.
bool Choosable(const NSMenu* root, const NSMenuItem* item)
{
  if (!item || item->isSeparatorItem() || !item->isEnabled() || item->hasSubmenu())
    return false;
  for (const NSMenu* menu = item->menu(); menu; menu = menu->supermenu())
  {
    if (menu == root)
      return true;
    const NSMenu* parent = menu->supermenu();
    if (!parent)
      return false;
    const auto& items = parent->Items();
    auto it = std::find_if(items.begin(), items.end(), [&](const NSMenuItem* i) { return i->submenu() == menu; });
    if (it == items.end() || !(*it)->isEnabled())
      return false;
  }
  return false;
}

} // namespace

bool NSMenu::popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view)
{
  STANDIN_MAIN_THREAD_ONLY();
  State& state = TheState();
  ++state.menus;
  retain();
  ForgetMouseButtons();
  // The menu tracks the mouse in a loop of its own until the user answers.
  NSMenuItem* chosen = nullptr;
  std::vector<int> path;
  if (AwaitAnswer(state.menuAnswers, standin::kEventTrackingRunLoopMode, path))
    chosen = standin::appkit::ItemAtPath(this, path);
  else if (state.menuResponder)
  {
    const standin::appkit::MenuResponder responder = state.menuResponder;
    chosen = responder(standin::appkit::MenuRequest{this, item, location, view});
  }
  const bool picked = Choosable(this, chosen);
  if (picked)
  {
    chosen->retain();
    NSApplication::sharedApplication()->sendAction(chosen->action(), chosen->target(), chosen);
    chosen->release();
  }
  release();
  return picked;
}

namespace standin::appkit {

NSMenuItem* ItemAtPath(NSMenu* menu, const std::vector<int>& path)
{
  NSMenuItem* item = nullptr;
  for (int index : path)
  {
    if (!menu)
      return nullptr;
    item = menu->itemAtIndex(index);
    if (!item)
      return nullptr;
    menu = item->submenu();
  }
  return item;
}

} // namespace standin::appkit
