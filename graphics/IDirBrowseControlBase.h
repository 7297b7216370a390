#pragma once
// The base of controls that offer the files of one or more folders as a menu: one menu level
// per folder, the files of one extension sorted by name (folders and files in one
// case-insensitive order), and a selection that maps a menu item back to its file's full
// path. A subclass shows the menu and reacts to the choice.
//
// Scanning never enters a folder twice (by device and inode), so folders reached again
// through links, and links back to a folder being scanned, are left out.

#include <string>
#include <vector>

#include <dirent.h>

#include "graphics/IPopupMenu.h"
#include "graphics/controls/IContainerBase.h"
#include "plug/HeapBuf.h"

namespace plug {
namespace igraphics {

// A small directory iterator over the system library's directory functions.
class DirScanner
{
public:
  // What GetCurrentIsDirectory says of an entry.
  enum EKind
  {
    kNotFolder = 0,
    kFolder = 1,
    kLinkToFolder = 2,
    kLinkToAncestor = 4 // a link to the scanned folder or one of the folders above it
  };

  DirScanner() = default;
  ~DirScanner() { Close(); }
  DirScanner(const DirScanner&) = delete;
  DirScanner& operator=(const DirScanner&) = delete;

  // Opens the folder (one trailing "/" or "\" dropped) and reads its first entry: 0 when there
  // is one, 1 when the folder cannot be opened or is empty, -1 for a null or empty path.
  int First(const char* path);
  // Reads the next entry; false at the end.
  bool Next();
  // The entry's name; "" without one.
  const char* GetCurrentFN() const;
  // The folder's path, "/" and the entry's name.
  void GetCurrentFullFN(std::string& out) const;
  EKind GetCurrentIsDirectory() const;
  void Close();

private:
  DIR* mDir = nullptr;
  dirent* mEntry = nullptr;
  std::string mPath;
};

class IDirBrowseControlBase : public IContainerBase
{
public:
  // extension: the files to list, without its dot ("wav"; a leading dot is dropped); empty
  // lists nothing.
  IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions = true,
                        bool scanRecursively = true, bool showEmptySubmenus = false);
  ~IDirBrowseControlBase() override;

  // The number of file items of the menu.
  int NItems() const { return static_cast<int>(mItems.size()); }
  void AddPath(const char* path, const char* label);
  void ClearPathList();
  // Builds the menu: one folder's files at the top level, or with several folders one
  // submenu per folder under its label.
  void SetUpMenu();
  // Selects the item of the file with exactly this path; its index in the item list, or -1
  // (nothing selected) when no item has it.
  int SetSelectedFile(const char* path);
  // The selected item's file, "" when nothing is selected.
  void GetSelectedFile(std::string& out) const;
  int GetSelectedItemIndex() const { return mSelectedItemIndex; }
  // Checks the selected item and unchecks every other.
  void CheckSelectedItem();
  IPopupMenu& GetMenu() { return mMainMenu; }
  const IPopupMenu::Item* GetItem(int idx) const
  {
    return (idx >= 0 && idx < NItems()) ? mItems[static_cast<size_t>(idx)] : nullptr;
  }
  // The full path of a file item's file, "" for anything else.
  std::string GetFileForItem(const IPopupMenu::Item* item) const;

protected:
  // Scans one folder into a menu; folders already scanned in this pass are left out.
  void ScanDirectory(const std::string& path, IPopupMenu& menu);
  void CollectItems(IPopupMenu& menu);
  void UncheckAll(IPopupMenu& menu);

  bool mScanRecursively;
  bool mShowFileExtensions;
  bool mShowEmptySubmenus;
  int mSelectedItemIndex = -1;
  IPopupMenu mMainMenu;
  std::vector<std::string> mPaths;
  std::vector<std::string> mPathLabels;
  std::vector<std::string> mFiles; // in the order found; an item's tag is its index here
  std::vector<IPopupMenu::Item*> mItems; // file items in menu order, depth first (not owned)
  std::string mExtension;

private:
  // Folders entered in the current scan, by device and inode.
  std::vector<std::pair<unsigned long long, unsigned long long>> mVisited;
};

} // namespace igraphics
} // namespace plug
