// The menu model: insertion positions, sorted insertion, submenus sharing the completion
// function, clearing, display numbering.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/IPopupMenu.h"

using namespace plug::igraphics;

namespace {

std::vector<std::string> Texts(const IPopupMenu& menu)
{
  std::vector<std::string> out;
  for (int i = 0; i < menu.NItems(); ++i)
    out.push_back(menu.GetItemText(i));
  return out;
}

} // namespace

TEST(PopupMenu, InsertionPositions)
{
  IPopupMenu menu("Title", {"a", "b"});
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_STREQ(menu.GetRootTitle(), "Title");
  menu.AddItem("c", 5);  // past the end: appended
  menu.AddItem("z");     // -1: appended
  menu.AddItem("y", -3); // any other index is clamped to 0..count: at the front
  menu.AddItem("first", 0);
  menu.AddItem(static_cast<const char*>(nullptr), 1); // a null text is the empty text
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"first", "", "y", "a", "b", "c", "z"}));
  EXPECT_EQ(menu.GetItem(7), nullptr);
  EXPECT_EQ(menu.GetItem(-1), nullptr);
  EXPECT_EQ(menu.GetIndexOfItem("c"), 5);
}

TEST(PopupMenu, SortedInsertionIgnoresCaseAndPutsEqualTextsFirst)
{
  IPopupMenu menu;
  for (const char* t : {"beta", "Alpha", "gamma"})
    menu.AddItem(t, IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

  // An equal text goes before the existing one: equal texts end in reverse order of insertion.
  IPopupMenu::Item* first = menu.AddItem("BETA", IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"Alpha", "BETA", "beta", "gamma"}));
  EXPECT_EQ(menu.GetItem(1), first);
  menu.AddItem("", IPopupMenu::kSorted);
  menu.AddItem("zeta", IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), (std::vector<std::string>{"", "Alpha", "BETA", "beta", "gamma", "zeta"}));
}

TEST(PopupMenu, SubmenusShareTheCompletionFunctionAndGoWithTheirItems)
{
  int calls = 0;
  IPopupMenu root("", {}, [&calls](IPopupMenu*) { ++calls; });
  auto* inner = new IPopupMenu("inner", {"x"});
  auto* sub = new IPopupMenu("sub", {"p", "q"});
  sub->AddItem("deeper", inner);
  root.AddItem("plain");
  root.AddItem("more", sub);
  root.AddItem("first", 0, new IPopupMenu("other"));

  // The submenu added to a menu with a completion function calls the same function.
  ASSERT_TRUE(sub->HasFunction());
  sub->ExecFunction();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(root.GetItem(2)->GetSubmenu(), sub);
  EXPECT_FALSE(root.GetItem(2)->GetIsChoosable());

  // Clearing deletes every level (the sanitizer build sees any leak or double delete); the
  // title stays, the chosen index and settings go.
  root.SetChosenItemIdx(1);
  root.SetPrefix(2);
  root.Clear();
  EXPECT_EQ(root.NItems(), 0);
  EXPECT_EQ(root.GetChosenItemIdx(), -1);
  EXPECT_EQ(root.GetPrefix(), 0);
  EXPECT_EQ(root.GetRootTitle(), std::string(""));
}

TEST(PopupMenu, FlagsAndDisplayNumbering)
{
  IPopupMenu menu("", 2, false, {"one", "two"});
  IPopupMenu::Item* sep = menu.AddItem("text of a separator", -1, IPopupMenu::Item::kSeparator);
  EXPECT_TRUE(sep->GetIsSeparator());
  EXPECT_FALSE(sep->GetIsChoosable());
  menu.GetItem(0)->SetEnabled(false);
  EXPECT_FALSE(menu.GetItem(0)->GetIsChoosable());
  menu.CheckItemAlone(1);
  EXPECT_TRUE(menu.IsItemChecked(1));
  EXPECT_FALSE(menu.IsItemChecked(0));

  plug::CharBuf text;
  menu.GetDisplayText(1, text);
  EXPECT_STREQ(text.Get(), "02: two");
  menu.SetPrefix(0);
  menu.GetDisplayText(1, text);
  EXPECT_STREQ(text.Get(), "two");
}
