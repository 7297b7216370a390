#pragma once
// The data model of every menu the editor shows: value prompts, right-click menus, the text
// entry's edit menu and the product's own menus. The in-editor menu control and the
// platform's native menu both show it, write the user's choice back into it (the chosen
// index within the menu level where the choice was made) and hand that level to the graphics
// context, which runs the completion function and informs the control that asked.
//
// A menu owns its items; an item owns its submenu. A menu that is showing must not be
// refilled or deleted until it has closed.

#include <initializer_list>

#include "graphics/IGraphicsStructs.h"
#include "plug/HeapBuf.h"

namespace plug {
namespace igraphics {

class IPopupMenu
{
public:
  class Item
  {
  public:
    enum Flags : int32_t
    {
      kNoFlags = 0,
      kDisabled = 1 << 0,
      kTitle = 1 << 1,
      kChecked = 1 << 2,
      kSeparator = 1 << 3
    };

    Item(const char* text, int flags = kNoFlags, int tag = -1) : mText(text), mFlags(flags), mTag(tag) {}
    // The item takes the submenu over.
    Item(const char* text, IPopupMenu* submenu) : mText(text), mSubmenu(submenu) {}
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* GetText() const { return mText.Get(); }
    void SetText(const char* text) { mText.Set(text); }
    int GetFlags() const { return mFlags; }
    void SetFlags(int flags) { mFlags = flags; }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
    // A separator ignores the other flags.
    bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
    bool GetIsChoosable() const { return !GetIsSeparator() && !GetIsTitle() && GetEnabled() && !mSubmenu; }
    void SetEnabled(bool on) { SetFlag(kDisabled, !on); }
    void SetChecked(bool on) { SetFlag(kChecked, on); }
    void SetTitle(bool on) { SetFlag(kTitle, on); }
    int GetTag() const { return mTag; }
    void SetTag(int tag) { mTag = tag; }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }
    // Takes the new submenu over and deletes the previous one.
    void SetSubmenu(IPopupMenu* submenu);

  private:
    void SetFlag(int flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }

    CharBuf mText{128};
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  // Positions AddItem understands besides 0..count.
  static constexpr int kAppend = -1;
  static constexpr int kSorted = -2;

  // Item texts are numbered when shown: 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: " before the
  // 1-based item number.
  explicit IPopupMenu(const char* rootTitle = "", int prefix = 0, bool multiCheck = false,
                      std::initializer_list<const char*> items = {});
  IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, IPopupMenuFunction func = nullptr);
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Inserts an item: kAppend at the end, kSorted in case-insensitive order (an equal text
  // goes before the existing one), any other index clamped to 0..count. Returns the item
  // (null only when the list could not grow).
  Item* AddItem(Item* item, int index = kAppend);
  Item* AddItem(const char* text, int index = kAppend, int flags = Item::kNoFlags);
  // Submenus: the menu's completion function, when set, is copied into the submenu first.
  Item* AddItem(const char* text, IPopupMenu* submenu, int index = kAppend);
  Item* AddItem(const char* text, int index, IPopupMenu* submenu) { return AddItem(text, submenu, index); }
  Item* AddSeparator(int index = kAppend);

  int NItems() const { return mMenuItems.GetSize(); }
  int NItemsPerColumn() const { return NItems(); }
  // Null outside 0..count-1.
  Item* GetItem(int index) const { return mMenuItems.Get(index); }
  const char* GetItemText(int index) const
  {
    const Item* item = GetItem(index);
    return item ? item->GetText() : "";
  }
  // Index of the first item with that text, -1 when none.
  int GetIndexOfItem(const char* text) const;
  int GetIndexOfItem(const Item* item) const { return mMenuItems.Find(item); }
  void RemoveItem(int index) { mMenuItems.Delete(index, true); }

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  Item* GetChosenItem() const { return GetItem(mChosenItemIdx); }
  int GetPrefix() const { return mPrefix; }
  void SetPrefix(int prefix) { mPrefix = prefix; }
  bool GetCanMultiCheck() const { return mCanMultiCheck; }
  void SetMultiCheck(bool multi) { mCanMultiCheck = multi; }
  const char* GetRootTitle() const { return mRootTitle.Get(); }
  void SetRootTitle(const char* title) { mRootTitle.Set(title); }
  // The item text as the menu shows it, with the numbering of the prefix mode.
  void GetDisplayText(int index, CharBuf& out) const;

  void SetFunction(IPopupMenuFunction func) { mPopupFunc = std::move(func); }
  const IPopupMenuFunction& GetFunction() const { return mPopupFunc; }
  bool HasFunction() const { return static_cast<bool>(mPopupFunc); }
  // Runs the completion function with this menu, when one is set.
  void ExecFunction() const
  {
    if (mPopupFunc)
      mPopupFunc(const_cast<IPopupMenu*>(this));
  }

  // Deletes every item (and their submenus), last first. With resetEverything the chosen
  // item becomes -1 and the prefix and multi-check settings 0; the title always stays.
  void Clear(bool resetEverything = true);

  void CheckItem(int index, bool on);
  // Checks the one item whose index is given and unchecks every other.
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const
  {
    const Item* item = GetItem(index);
    return item && item->GetChecked();
  }

private:
  int mPrefix = 0;
  bool mCanMultiCheck = false;
  int mChosenItemIdx = -1;
  PtrArray<Item> mMenuItems;
  IPopupMenuFunction mPopupFunc;
  CharBuf mRootTitle{128};
};

} // namespace igraphics
} // namespace plug
