// The directory browse base: the folder scanner and the menu of files it builds.

#include "graphics/IDirBrowseControlBase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>

namespace plug {
namespace igraphics {

namespace {
constexpr size_t kMaxPath = 2048;

// The device and inode of a folder; false when it cannot be looked at.
bool FolderIdentity(const std::string& path, std::pair<unsigned long long, unsigned long long>& id)
{
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return false;
  id = {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
  return true;
}

// The real path of a path, "" when it cannot be resolved.
std::string RealPath(const std::string& path)
{
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved)
    return std::string();
  std::string out(resolved);
  std::free(resolved);
  return out;
}
} // namespace

// ---------------------------------------------------------------------------------------
// DirScanner

int DirScanner::First(const char* path)
{
  Close();
  if (!path || !*path)
    return -1;
  mPath = path;
  if (!mPath.empty() && (mPath.back() == '/' || mPath.back() == '\\'))
    mPath.pop_back();
  mDir = opendir(mPath.empty() ? "/" : mPath.c_str());
  if (!mDir)
    return 1;
  return Next() ? 0 : 1;
}

bool DirScanner::Next()
{
  mEntry = mDir ? readdir(mDir) : nullptr;
  return mEntry != nullptr;
}

const char* DirScanner::GetCurrentFN() const
{
  return mEntry ? mEntry->d_name : "";
}

void DirScanner::GetCurrentFullFN(std::string& out) const
{
  out = mPath + "/" + GetCurrentFN();
}

DirScanner::EKind DirScanner::GetCurrentIsDirectory() const
{
  if (!mEntry)
    return kNotFolder;
  std::string full;
  GetCurrentFullFN(full);
  switch (mEntry->d_type)
  {
    case DT_DIR:
      return kFolder;
    case DT_LNK:
    {
      const std::string target = RealPath(full);
      std::pair<unsigned long long, unsigned long long> id;
      if (target.empty() || !FolderIdentity(target, id))
        return kNotFolder;
      // The link leads back to the scanned folder or above it when the scanned folder's
      // path starts with the target followed by "/" or its end.
      const std::string scanned = RealPath(mPath.empty() ? "/" : mPath);
      const std::string base = target == "/" ? std::string() : target;
      if (!scanned.empty() && scanned.size() >= base.size() &&
          strncasecmp(scanned.c_str(), base.c_str(), base.size()) == 0 &&
          (scanned.size() == base.size() || scanned[base.size()] == '/'))
        return kLinkToAncestor;
      return kLinkToFolder;
    }
    case DT_UNKNOWN:
    {
      // Only this probe is bounded: a path that long is not opened.
      if (full.size() >= kMaxPath)
        return kNotFolder;
      DIR* probe = opendir(full.c_str());
      if (!probe)
        return kNotFolder;
      closedir(probe);
      return kFolder;
    }
    default:
      return kNotFolder;
  }
}

void DirScanner::Close()
{
  if (mDir)
    closedir(mDir);
  mDir = nullptr;
  mEntry = nullptr;
  mPath.clear();
}

// ---------------------------------------------------------------------------------------
// IDirBrowseControlBase

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions,
                                             bool scanRecursively, bool showEmptySubmenus)
  : IContainerBase(bounds), mScanRecursively(scanRecursively), mShowFileExtensions(showFileExtensions),
    mShowEmptySubmenus(showEmptySubmenus), mExtension(extension ? extension : "")
{
  if (!mExtension.empty() && mExtension.front() == '.')
    mExtension.erase(0, 1);
}

IDirBrowseControlBase::~IDirBrowseControlBase() = default;

void IDirBrowseControlBase::AddPath(const char* path, const char* label)
{
  mPaths.emplace_back(path ? path : "");
  mPathLabels.emplace_back(label ? label : "");
}

void IDirBrowseControlBase::ClearPathList()
{
  mPaths.clear();
  mPathLabels.clear();
  mFiles.clear();
  mItems.clear();
  mSelectedItemIndex = -1;
}

void IDirBrowseControlBase::SetUpMenu()
{
  mFiles.clear();
  mItems.clear();
  mMainMenu.Clear(true);
  mSelectedItemIndex = -1;
  mVisited.clear();

  if (mPaths.size() == 1)
  {
    ScanDirectory(mPaths.front(), mMainMenu);
  }
  else
  {
    for (size_t i = 0; i < mPaths.size(); ++i)
    {
      // The item owns the submenu (and deletes it when it cannot be added).
      auto* submenu = new IPopupMenu();
      if (mMainMenu.AddItem(mPathLabels[i].c_str(), submenu, static_cast<int>(i)))
        ScanDirectory(mPaths[i], *submenu);
    }
  }
  CollectItems(mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const std::string& path, IPopupMenu& menu)
{
  std::pair<unsigned long long, unsigned long long> id;
  if (!FolderIdentity(path, id) || std::find(mVisited.begin(), mVisited.end(), id) != mVisited.end())
    return; // missing, or entered already in this scan
  mVisited.push_back(id);

  DirScanner scanner;
  if (scanner.First(path.c_str()) != 0)
    return;
  do
  {
    const std::string name = scanner.GetCurrentFN();
    if (name.empty() || name[0] == '.')
      continue;
    std::string full;
    scanner.GetCurrentFullFN(full);

    const DirScanner::EKind kind = scanner.GetCurrentIsDirectory();
    if (mScanRecursively && kind != DirScanner::kNotFolder)
    {
      if (kind == DirScanner::kLinkToAncestor)
        continue; // would lead round for ever
      auto* submenu = new IPopupMenu();
      if (menu.AddItem(name.c_str(), submenu, IPopupMenu::kSorted))
        ScanDirectory(full, *submenu);
      continue;
    }

    // The extension, after a dot that has something before it, at the very end of the name.
    if (mExtension.empty() || name.size() < mExtension.size() + 2)
      continue;
    const size_t at = name.size() - mExtension.size();
    if (name.compare(at, std::string::npos, mExtension) != 0 || name[at - 1] != '.')
      continue;
    const std::string text = mShowFileExtensions ? name : name.substr(0, at - 1);
    IPopupMenu::Item* item = menu.AddItem(text.c_str(), IPopupMenu::kSorted);
    if (!item)
      continue;
    item->SetTag(static_cast<int>(mFiles.size()));
    mFiles.push_back(full);
  } while (scanner.Next());

  if (!mShowEmptySubmenus)
  {
    for (int i = menu.NItems() - 1; i >= 0; --i)
    {
      const IPopupMenu* submenu = menu.GetItem(i)->GetSubmenu();
      if (submenu && submenu->NItems() == 0)
        menu.RemoveItem(i);
    }
  }
}

void IDirBrowseControlBase::CollectItems(IPopupMenu& menu)
{
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IPopupMenu::Item* item = menu.GetItem(i);
    if (IPopupMenu* submenu = item->GetSubmenu())
      CollectItems(*submenu);
    else
      mItems.push_back(item);
  }
}

std::string IDirBrowseControlBase::GetFileForItem(const IPopupMenu::Item* item) const
{
  if (!item || item->GetSubmenu())
    return std::string();
  const int tag = item->GetTag();
  return (tag >= 0 && tag < static_cast<int>(mFiles.size())) ? mFiles[static_cast<size_t>(tag)] : std::string();
}

int IDirBrowseControlBase::SetSelectedFile(const char* path)
{
  mSelectedItemIndex = -1;
  if (!path)
    return -1;
  for (int i = 0; i < NItems(); ++i)
  {
    if (GetFileForItem(mItems[static_cast<size_t>(i)]) == path)
    {
      mSelectedItemIndex = i;
      break;
    }
  }
  return mSelectedItemIndex;
}

void IDirBrowseControlBase::GetSelectedFile(std::string& out) const
{
  out = GetFileForItem(GetItem(mSelectedItemIndex));
}

void IDirBrowseControlBase::UncheckAll(IPopupMenu& menu)
{
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IPopupMenu::Item* item = menu.GetItem(i);
    item->SetChecked(false);
    if (IPopupMenu* submenu = item->GetSubmenu())
      UncheckAll(*submenu);
  }
}

void IDirBrowseControlBase::CheckSelectedItem()
{
  if (mSelectedItemIndex < 0 || mSelectedItemIndex >= NItems())
    return;
  UncheckAll(mMainMenu);
  mItems[static_cast<size_t>(mSelectedItemIndex)]->SetChecked(true);
}

} // namespace igraphics
} // namespace plug
