#include "graphics/IPopupMenu.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace plug {
namespace igraphics {

IPopupMenu::Item::~Item()
{
  delete mSubmenu;
}

void IPopupMenu::Item::SetSubmenu(IPopupMenu* submenu)
{
  if (submenu == mSubmenu)
    return;
  delete mSubmenu;
  mSubmenu = submenu;
}

IPopupMenu::IPopupMenu(const char* rootTitle, int prefix, bool multiCheck, std::initializer_list<const char*> items)
  : mPrefix(prefix), mCanMultiCheck(multiCheck)
{
  mRootTitle.Set(rootTitle);
  for (const char* text : items)
    AddItem(text);
}

IPopupMenu::IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, IPopupMenuFunction func)
  : IPopupMenu(rootTitle, 0, false, items)
{
  mPopupFunc = std::move(func);
}

IPopupMenu::~IPopupMenu()
{
  mMenuItems.Clear(true);
}

IPopupMenu::Item* IPopupMenu::AddItem(Item* item, int index)
{
  const int n = NItems();
  if (index == kSorted)
  {
    // Binary search over the case-insensitive order; an equal text goes before the equal
    // item the search meets, so equal texts end in reverse order of insertion.
    int lo = 0, hi = n;
    index = -1;
    while (lo != hi)
    {
      const int mid = (lo + hi) / 2;
      const int cmp = strcasecmp(item->GetText(), mMenuItems.Get(mid)->GetText());
      if (cmp > 0)
        lo = mid + 1;
      else if (cmp < 0)
        hi = mid;
      else
      {
        index = mid;
        break;
      }
    }
    if (index < 0)
      index = lo;
  }
  else if (index == kAppend)
  {
    index = n;
  }
  // Any other index is clamped to 0..count by the insertion.

  if (!mMenuItems.Insert(index, item))
  {
    delete item; // the list could not grow: no item, never a leak
    return nullptr;
  }
  return item;
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int index, int flags)
{
  return AddItem(new Item(text, flags), index);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu, int index)
{
  if (submenu && mPopupFunc)
    submenu->SetFunction(mPopupFunc);
  return AddItem(new Item(text, submenu), index);
}

IPopupMenu::Item* IPopupMenu::AddSeparator(int index)
{
  return AddItem(new Item("", Item::kSeparator), index);
}

int IPopupMenu::GetIndexOfItem(const char* text) const
{
  for (int i = 0; i < NItems(); ++i)
    if (std::strcmp(GetItem(i)->GetText(), text ? text : "") == 0)
      return i;
  return -1;
}

void IPopupMenu::GetDisplayText(int index, CharBuf& out) const
{
  out.Clear();
  const Item* item = GetItem(index);
  if (!item)
    return;
  static const char* const kFormats[] = {"", "%1d: ", "%02d: ", "%03d: "};
  if (mPrefix >= 1 && mPrefix <= 3)
    out.Printf(16, kFormats[mPrefix], index + 1);
  out.Append(item->GetText());
}

void IPopupMenu::Clear(bool resetEverything)
{
  if (resetEverything)
  {
    mChosenItemIdx = -1;
    mPrefix = 0;
    mCanMultiCheck = false;
  }
  mMenuItems.Clear(true);
}

void IPopupMenu::CheckItem(int index, bool on)
{
  if (Item* item = GetItem(index))
    item->SetChecked(on);
}

void IPopupMenu::CheckItemAlone(int index)
{
  for (int i = 0; i < NItems(); ++i)
    GetItem(i)->SetChecked(i == index);
}

} // namespace igraphics
} // namespace plug
