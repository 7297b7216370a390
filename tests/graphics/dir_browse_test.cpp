// The directory browse base over real folders in a temporary directory: extension matching,
// sorting, empty folders, links that lead round, several roots, and the selection.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "graphics/IDirBrowseControlBase.h"

using namespace plug::igraphics;
using Strings = std::vector<std::string>;

namespace {

void MakeFile(const std::string& path)
{
  std::ofstream(path) << "x";
}

void MakeFolder(const std::string& path)
{
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << path;
}

// Item texts of a menu, submenus in brackets.
std::string Describe(const IPopupMenu& menu)
{
  std::string out;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* item = menu.GetItem(i);
    out += (i ? " " : "") + std::string(item->GetText());
    if (item->GetSubmenu())
      out += "[" + Describe(*item->GetSubmenu()) + "]";
  }
  return out;
}

class Browser : public IDirBrowseControlBase
{
public:
  explicit Browser(bool showExtensions = false, bool showEmpty = false)
    : IDirBrowseControlBase(IRECT(0.f, 0.f, 100.f, 20.f), "wav", showExtensions, true, showEmpty)
  {
  }
};

} // namespace

TEST(DirBrowse, FilesOfTheExtensionSortedWithFoldersAndLinksThatLeadRoundLeftOut)
{
  testsupport::TempDir tmp;
  const std::string root = tmp.File("samples");
  MakeFolder(root);
  for (const char* name : {"a.wav", "b.WAV", "wav", "xwav", "c.wav.txt", "Drums.wav", ".hidden.wav"})
    MakeFile(root + "/" + name);
  MakeFolder(root + "/kits");
  MakeFile(root + "/kits/kick.wav");
  MakeFile(root + "/kits/notes.txt");
  MakeFolder(root + "/empty");
  MakeFolder(root + "/empty/deeper");
  // Links back to the folder, above it, and a second way into a folder: none entered again.
  ASSERT_EQ(symlink(root.c_str(), (root + "/kits/loop").c_str()), 0);
  ASSERT_EQ(symlink(tmp.Path().c_str(), (root + "/up").c_str()), 0);
  ASSERT_EQ(symlink((root + "/kits").c_str(), (root + "/Kits again").c_str()), 0);

  Browser browser;
  browser.AddPath((root + "/").c_str(), "");
  browser.SetUpMenu();
  // "Kits again" and "kits" lead to one folder: the one met first is scanned, the other is
  // an empty folder and goes.
  const std::string described = Describe(browser.GetMenu());
  EXPECT_TRUE(described == "a Drums kits[kick]" || described == "a Drums Kits again[kick]") << described;
  ASSERT_EQ(browser.NItems(), 3);

  std::string path;
  EXPECT_EQ(browser.SetSelectedFile((root + "/Drums.wav").c_str()), 1);
  browser.GetSelectedFile(path);
  EXPECT_EQ(path, root + "/Drums.wav");
  browser.CheckSelectedItem();
  EXPECT_TRUE(browser.GetItem(1)->GetChecked());
  // The kick is found only by the way in that was scanned.
  const bool kitsFirst = described == "a Drums kits[kick]";
  EXPECT_EQ(browser.SetSelectedFile((root + (kitsFirst ? "/Kits again" : "/kits") + "/kick.wav").c_str()), -1);
  EXPECT_GE(browser.SetSelectedFile((root + (kitsFirst ? "/kits" : "/Kits again") + "/kick.wav").c_str()), 0);
  browser.CheckSelectedItem();
  EXPECT_FALSE(browser.GetItem(1)->GetChecked()) << "one item checked at a time";
  EXPECT_EQ(browser.SetSelectedFile((root + "/b.WAV").c_str()), -1);
  browser.GetSelectedFile(path);
  EXPECT_EQ(path, "");
}

TEST(DirBrowse, AFolderWithAPathLongerThan2048BytesIsListed)
{
  testsupport::TempDir tmp;
  std::string deep = tmp.Path();
  while (deep.size() <= 2100)
  {
    deep += "/" + std::string(200, 'd');
    MakeFolder(deep);
  }
  MakeFile(deep + "/deep.wav");
  Browser browser;
  browser.AddPath(tmp.Path().c_str(), "");
  browser.SetUpMenu();
  EXPECT_GE(browser.SetSelectedFile((deep + "/deep.wav").c_str()), 0);
}

TEST(DirBrowse, SeveralFoldersEmptyFoldersAndExtensions)
{
  testsupport::TempDir tmp;
  MakeFolder(tmp.File("one"));
  MakeFolder(tmp.File("two"));
  MakeFolder(tmp.File("two/none"));
  MakeFile(tmp.File("one/take1.wav"));
  MakeFile(tmp.File("one/Take2.wav"));

  Browser withExtensions(true, true);
  withExtensions.AddPath(tmp.File("one").c_str(), "First");
  withExtensions.AddPath(tmp.File("two").c_str(), "Second");
  withExtensions.AddPath(tmp.File("missing").c_str(), "Third");
  withExtensions.SetUpMenu();
  EXPECT_EQ(Describe(withExtensions.GetMenu()), "First[take1.wav Take2.wav] Second[none[]] Third[]");

  // Without empty folders a tree without any file leaves nothing; building again starts over.
  Browser plain;
  plain.AddPath(tmp.File("two").c_str(), "");
  plain.SetUpMenu();
  plain.SetUpMenu();
  EXPECT_EQ(plain.GetMenu().NItems(), 0);
  EXPECT_EQ(plain.NItems(), 0);
  plain.ClearPathList();
  plain.SetUpMenu();
  EXPECT_EQ(plain.GetMenu().NItems(), 0);

  DirScanner scanner;
  EXPECT_EQ(scanner.First(nullptr), -1);
  EXPECT_EQ(scanner.First(""), -1);
  EXPECT_EQ(scanner.First(tmp.File("missing").c_str()), 1);
}
