// The in-editor text entry and pop-up menu end to end: events reach them through the graphics
// context of the headless platform, frames run on its clock, and what they draw is recorded.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/IPopupMenuControl.h"
#include "graphics/ITextEntryControl.h"
#include "plug/IParam.h"

using namespace testgraphics;
using Strings = std::vector<std::string>;

namespace {

struct PromptFixture : ::testing::Test
{
  PromptFixture() : dlg(8)
  {
    g = dlg.Open();
    dlg.GetParam(2)->DefineDouble("Drive", 0.0, 0.0, 10.0, 0.01, "dB");
    dlg.GetParam(4)->DefineInt("Steps", 1, 1, 8);
    Add(IRECT(0.f, 0.f, 900.f, 500.f));
    g->AttachTextEntryControl();
    g->AttachPopupMenuControl();
    entry = g->GetTextEntryControl();
    menu = g->GetPopupMenuControl();
  }

  TestControl* Add(const IRECT& r, int paramIdx = -1)
  {
    auto* c = new TestControl(r, paramIdx);
    c->DisablePrompt(false);
    g->AttachControl(c);
    return c;
  }
  void Click(float x, float y, const IMouseMod& mod = IMouseMod(true))
  {
    g->OnMouseDown({IMouseInfo(x, y, mod)});
    g->OnMouseUp({IMouseInfo(x, y, mod)});
  }
  void ClickCentre(const IRECT& r) { Click(r.MW(), r.MH()); }
  bool Key(int vk, const char* text = "", bool shift = false, bool control = false)
  {
    return g->OnKeyDown(450.f, 250.f, IKeyPress(text, vk, shift, control));
  }
  // Types digits, letters, "." and "-" as the keyboard sends them.
  void Type(const std::string& text)
  {
    for (char c : text)
    {
      const char s[2] = {c, 0};
      int vk = c;
      if (c >= 'a' && c <= 'z')
        vk = c - 'a' + 'A';
      else if (c == '.')
        vk = 190;
      else if (c == '-')
        vk = 189;
      Key(vk, s);
    }
  }
  // Frames of the editor's timer: animations advance, dirty controls are drawn and are then
  // clean, as the platform leaves them.
  void Frames(int n, double ms = 20.0)
  {
    for (int i = 0; i < n; ++i)
    {
      g->AdvanceClockMs(ms);
      IRECTList rects;
      if (g->IsDirty(rects))
      {
        g->Draw(rects);
        g->SetAllControlsClean();
      }
    }
  }
  const IRECT& Cell(int panel, int cell) const { return *menu->GetPanel(panel)->mCellBounds.Get(cell); }

  TestDelegate dlg;
  HeadlessGraphics* g = nullptr;
  ITextEntryControl* entry = nullptr;
  IPopupMenuControl* menu = nullptr;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Text entry

TEST_F(PromptFixture, DoubleClickTypeReturnSetsTheValueAndTheNextClickReachesTheControlUnderTheEntry)
{
  TestControl* drive = Add(IRECT(100.f, 100.f, 200.f, 140.f), 2);
  dlg.mLog.clear();

  g->OnMouseDblClick(150.f, 120.f, IMouseMod(true));
  ASSERT_TRUE(entry->EditInProgress());
  EXPECT_FALSE(g->TextEntryOpen()) << "the platform's field is not used";
  EXPECT_EQ(entry->GetRECT(), IRECT(130.f, 112.f, 170.f, 128.f));
  EXPECT_EQ(entry->GetText(), "0.00");
  EXPECT_EQ(entry->GetSelectionStart(), 0);
  EXPECT_EQ(entry->GetSelectionEnd(), 4);

  // The whole text is selected: typing replaces it. What is typed is drawn.
  Type("2.5");
  EXPECT_EQ(entry->GetText(), "2.5");
  g->ClearCalls();
  Frames(1);
  EXPECT_EQ(g->Texts().back(), "2.5");

  EXPECT_TRUE(Key(13));
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 2.5);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 2", "value 2 0.25", "end 2"}));
  EXPECT_EQ(g->GetControlInTextEntry(), nullptr);

  // The entry is closed: keys and clicks reach the controls again.
  EXPECT_FALSE(Key(13));
  EXPECT_EQ(entry->GetText(), "2.5");
  drive->mEvents.clear();
  Click(150.f, 120.f);
  EXPECT_EQ(drive->CountEvents("down"), 1);
  // The blink has stopped: nothing animates, so nothing stays dirty.
  Frames(2);
  IRECTList rects;
  EXPECT_FALSE(g->IsDirty(rects));
}

TEST_F(PromptFixture, KeysAreFilteredByTheEditedParameterAndEscapeAppliesNothing)
{
  TestControl* steps = Add(IRECT(300.f, 100.f, 400.f, 140.f), 4);
  TestControl* drive = Add(IRECT(100.f, 100.f, 200.f, 140.f), 2);
  dlg.mLog.clear();

  // An int field: a letter and a shifted digit are refused, "-" and digits are taken.
  g->OnMouseDblClick(350.f, 120.f, IMouseMod(true));
  ASSERT_TRUE(entry->EditInProgress());
  EXPECT_EQ(entry->GetText(), "1");
  EXPECT_FALSE(Key('Q', "q"));
  EXPECT_FALSE(Key('5', "%", true));
  EXPECT_FALSE(Key(190, "."));
  EXPECT_EQ(entry->GetText(), "1");
  EXPECT_TRUE(Key(189, "-"));
  EXPECT_TRUE(Key(101, "5")); // keypad digit
  EXPECT_EQ(entry->GetText(), "-5");
  EXPECT_FALSE(Key(9, "\t")) << "tab is never the entry's";

  // Escape ends the edit without applying anything; the next click reaches the control.
  EXPECT_TRUE(Key(27));
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_EQ(g->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(dlg.GetParam(4)->Value(), 1.0);
  EXPECT_TRUE(dlg.mLog.empty());
  Click(350.f, 120.f);
  EXPECT_EQ(steps->CountEvents("down"), 1);

  // A double field also takes the point.
  g->OnMouseDblClick(150.f, 120.f, IMouseMod(true));
  EXPECT_TRUE(Key(190, "."));
  EXPECT_TRUE(Key('5', "5"));
  EXPECT_FALSE(Key('5', "%", true));
  EXPECT_EQ(entry->GetText(), ".5");
  // A click outside commits.
  Click(600.f, 400.f);
  EXPECT_FALSE(entry->EditInProgress());
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 0.5);
  EXPECT_EQ(drive->CountEvents("down"), 0);
}

TEST_F(PromptFixture, ATextThatIsNoFiniteNumberChangesNothing)
{
  Add(IRECT(100.f, 100.f, 200.f, 140.f), 2);
  dlg.GetParam(2)->Set(3.0);
  dlg.mLog.clear();
  // Pasting goes past the key filter, as a platform field would.
  g->mClipboardHasText = true;
  for (const char* text : {"nan", "inf", "-inf", "1e999", "abc", ""})
  {
    g->OnMouseDblClick(150.f, 120.f, IMouseMod(true));
    g->mClipboard = text;
    EXPECT_TRUE(Key('V', "v", false, true));
    EXPECT_EQ(entry->GetText(), text);
    Key(13);
    EXPECT_EQ(dlg.GetParam(2)->Value(), 3.0) << text;
  }
  EXPECT_TRUE(dlg.mLog.empty());
  // A number after the nonsense still counts, as before.
  g->OnMouseDblClick(150.f, 120.f, IMouseMod(true));
  g->mClipboard = "7.25 dB";
  Key('V', "v", false, true);
  Key(13);
  EXPECT_DOUBLE_EQ(dlg.GetParam(2)->Value(), 7.25);
}

TEST_F(PromptFixture, UndoRedoClipboardMenuAndCharactersBeyondTheBasicPlane)
{
  Add(IRECT(100.f, 100.f, 300.f, 140.f));
  IControl* field = g->GetControl(1);
  g->CreateTextEntry(*field, DEFAULT_TEXT, field->GetRECT(), "0.00");
  ASSERT_TRUE(entry->EditInProgress());

  EXPECT_TRUE(Key(35)); // end: the selection goes, the cursor follows the text
  EXPECT_TRUE(Key('X', "x", false, true));
  EXPECT_EQ(entry->GetText(), "0.00") << "cut without a selection deletes nothing";
  Key(36); // home
  EXPECT_TRUE(Key('X', "x", false, true));
  EXPECT_EQ(entry->GetText(), "0.00");
  Key(35);
  Type("123");
  EXPECT_EQ(entry->GetText(), "0.00123");
  for (int i = 0; i < 3; ++i)
    Key('Z', "z", false, true);
  EXPECT_EQ(entry->GetText(), "0.00");
  for (int i = 0; i < 3; ++i)
    Key('Z', "z", true, true);
  EXPECT_EQ(entry->GetText(), "0.00123");

  // The right-click menu: Cut with nothing selected changes nothing; after select-all it
  // takes the whole text to the clipboard; Paste brings it back.
  auto chooseFromMenu = [this](int item) {
    Click(150.f, 120.f, IMouseMod(false, true));
    ASSERT_TRUE(menu->GetExpanded());
    const IPopupMenu& shown = menu->GetPanel(0)->mMenu;
    ASSERT_EQ(shown.NItems(), 3);
    EXPECT_STREQ(shown.GetItemText(0), "Cut");
    EXPECT_STREQ(shown.GetItemText(2), "Paste");
    ClickCentre(Cell(0, item));
    Frames(20);
    EXPECT_EQ(menu->GetState(), IPopupMenuControl::kIdle);
  };
  g->mClipboard.clear();
  chooseFromMenu(0);
  EXPECT_EQ(entry->GetText(), "0.00123");
  EXPECT_EQ(g->mClipboard, "");
  EXPECT_TRUE(Key('A', "a", false, true));
  chooseFromMenu(0);
  EXPECT_EQ(entry->GetText(), "");
  EXPECT_EQ(g->mClipboard, "0.00123");
  g->mClipboardHasText = true;
  chooseFromMenu(2);
  EXPECT_EQ(entry->GetText(), "0.00123");

  // A character above U+FFFF is one surrogate pair, inserted, passed over and deleted whole,
  // and undo brings it back whole. Text that is not UTF-8 becomes U+FFFD.
  Key(35);
  Key(0, "\xF0\x9F\x8E\xB8");
  EXPECT_EQ(entry->GetText(), "0.00123\xF0\x9F\x8E\xB8");
  EXPECT_EQ(entry->GetCursor(), 9);
  Key(37);
  EXPECT_EQ(entry->GetCursor(), 7);
  Key(39);
  EXPECT_EQ(entry->GetCursor(), 9);
  Key(8);
  EXPECT_EQ(entry->GetText(), "0.00123");
  Key('Z', "z", false, true);
  EXPECT_EQ(entry->GetText(), "0.00123\xF0\x9F\x8E\xB8");
  Key('Z', "z", false, true);
  EXPECT_EQ(entry->GetText(), "0.00123");
  EXPECT_EQ(ITextEntryControl::ToUTF8(ITextEntryControl::ToUTF16("a\xC0\xAF" "b\xED\xA0\x80")),
            "a\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ITextEntryControl::ToUTF8(std::u16string{u'x', char16_t(0xDC00), char16_t(0xD83C)}),
            "x\xEF\xBF\xBD\xEF\xBF\xBD");

  // Committed without a parameter: the control receives the text.
  Key(13);
  TestControl* control = static_cast<TestControl*>(field);
  EXPECT_EQ(control->mEvents.back(), "text 0.00123 0");
}

TEST_F(PromptFixture, TheCursorBlinksWhileEditingAndClicksPlaceIt)
{
  Add(IRECT(100.f, 100.f, 300.f, 140.f));
  IControl* field = g->GetControl(1);
  IText text = DEFAULT_TEXT.WithAlign(EAlign::Near);
  g->CreateTextEntry(*field, text, IRECT(100.f, 100.f, 300.f, 140.f), "abcd");

  // Each character is 7 points wide in the headless metrics: a click in the second half of
  // "b" puts the cursor after it.
  Click(112.f, 120.f);
  EXPECT_EQ(entry->GetCursor(), 2);
  EXPECT_EQ(entry->GetSelectionStart(), entry->GetSelectionEnd());
  // A drag selects.
  g->OnMouseDown({IMouseInfo(101.f, 120.f, IMouseMod(true))});
  g->OnMouseDrag({IMouseInfo(126.f, 120.f, IMouseMod(true), 25.f, 0.f)});
  g->OnMouseUp({IMouseInfo(126.f, 120.f, IMouseMod(true))});
  EXPECT_EQ(entry->GetSelectionStart(), 0);
  EXPECT_EQ(entry->GetSelectionEnd(), 4);
  Key(39); // right: the selection goes
  EXPECT_EQ(entry->GetCursor(), 4);

  // Visible for the first half of each second, hidden for the second (the cycle began at the
  // last mouse-up, at 0 ms); drawn as a bar one point wide before the cursor's position.
  Frames(1, 1.0);
  Frames(20, 20.0); // 401 ms
  EXPECT_TRUE(entry->IsCursorVisible());
  g->ClearCalls();
  Frames(1, 1.0);
  int cursorBars = 0;
  for (const DrawCall& call : g->CallsOf(DrawCall::Kind::Fill))
  {
    const IRECT r = call.PathBounds();
    if (r.L == 127.f && r.R == 128.f && std::abs(r.T - 114.4f) < 1e-3f && std::abs(r.B - 125.6f) < 1e-3f)
      ++cursorBars;
  }
  EXPECT_EQ(cursorBars, 1);
  Frames(6, 20.0); // 522 ms
  EXPECT_FALSE(entry->IsCursorVisible());
  Frames(25, 20.0); // 1022 ms: the next cycle began at 1002
  EXPECT_TRUE(entry->IsCursorVisible());
  Frames(30, 20.0); // 1622 ms
  EXPECT_FALSE(entry->IsCursorVisible());
}

// ---------------------------------------------------------------------------------------
// Pop-up menu

TEST_F(PromptFixture, ALongMenuScrollsAndTheItemShownIsTheOneChosen)
{
  TestControl* owner = Add(IRECT(100.f, 20.f, 200.f, 40.f), 2);
  std::vector<int> completions;
  IPopupMenu longMenu("", {}, [&completions](IPopupMenu* m) { completions.push_back(m->GetChosenItemIdx()); });
  for (int i = 0; i < 40; ++i)
    longMenu.AddItem(("item " + std::to_string(i)).c_str());
  // Room for exactly ten cells of 14 points with gaps of 2.
  menu->SetExpandedBounds(IRECT(0.f, 0.f, 900.f, 180.f));
  g->CreatePopupMenu(*owner, longMenu, owner->GetRECT());
  Frames(10);
  ASSERT_EQ(menu->GetState(), IPopupMenuControl::kExpanded);
  IPopupMenuControl::MenuPanel* panel = menu->GetPanel(0);
  ASSERT_TRUE(panel->mScroller);
  ASSERT_EQ(panel->mCellBounds.GetSize(), 10);

  // Each mouse-over of the last cell scrolls one item, up to the last item.
  for (int i = 0; i < 35; ++i)
    g->OnMouseOver(Cell(0, 9).MW(), Cell(0, 9).MH(), IMouseMod());
  EXPECT_EQ(panel->mScrollItemOffset, 30);
  g->ClearCalls();
  Frames(1);
  const Strings texts = g->Texts();
  EXPECT_EQ(texts.size(), 9u) << "the first cell shows the up arrow";
  EXPECT_EQ(texts.front(), "item 31");
  EXPECT_EQ(texts.back(), "item 39");

  // The item under the pointer is the one chosen; the completion runs once.
  ClickCentre(Cell(0, 4));
  EXPECT_EQ(completions, (std::vector<int>{34}));
  EXPECT_EQ(owner->EventsStartingWith("menu"), (Strings{"menu 34 0"}));
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  // Flicker, fade-out and removal: back to idle, tooltips back.
  const int tooltips = g->mTooltipUpdates;
  Frames(20);
  EXPECT_EQ(menu->GetState(), IPopupMenuControl::kIdle);
  EXPECT_EQ(menu->NPanels(), 0);
  EXPECT_EQ(g->mTooltipUpdates, tooltips + 1);

  // With room for one cell only, the panel keeps one item between its arrows, and scrolling
  // reaches the last item.
  menu->SetExpandedBounds(IRECT(0.f, 0.f, 900.f, 40.f));
  g->CreatePopupMenu(*owner, longMenu, owner->GetRECT());
  Frames(10);
  panel = menu->GetPanel(0);
  ASSERT_TRUE(panel->mScroller);
  ASSERT_EQ(panel->mCellBounds.GetSize(), 3);
  for (int i = 0; i < 40; ++i)
    g->OnMouseOver(Cell(0, 2).MW(), Cell(0, 2).MH(), IMouseMod());
  g->ClearCalls();
  Frames(1);
  EXPECT_EQ(g->Texts(), (Strings{"item 38", "item 39"}));
}

TEST_F(PromptFixture, TheRootPanelGoesBesideBelowOrAboveItsAnchor)
{
  TestControl* owner = Add(IRECT(0.f, 0.f, 10.f, 10.f));
  // One item of four characters: the headless text is half its size wide per character.
  const float ts = DEFAULT_TEXT.mSize, a = 8.f, s = 10.f;
  const float w = 4.f * ts / 2.f + 28.f, h = ts;
  struct Placed
  {
    IRECT panel;
    IPopupMenuControl::ECalloutDirection dir;
  };
  // A fresh menu control for every showing; the panel's top-left is the placement.
  auto place = [&](IPopupMenu& items, const IRECT& anchor, bool forceBelow) {
    g->RemovePopupMenuControl();
    auto* m = new IPopupMenuControl(-1, DEFAULT_TEXT);
    m->SetCallout(true);
    m->SetForceBelow(forceBelow);
    g->AttachPopupMenuControl(m);
    menu = m;
    g->CreatePopupMenu(*owner, items, anchor);
    return Placed{m->GetPanel(0)->mRECT, m->GetCalloutDirection()};
  };
  auto topLeft = [](const Placed& p) { return std::make_pair(p.panel.L, p.panel.T); };
  IPopupMenu one("", {"abcd"});
  const float bottom = 500.f - h - 2.f * s;

  // Beside, level with the anchor: to the right in the left half, to the left in the right.
  Placed p = place(one, IRECT(100.f, 100.f, 140.f, 120.f), false);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutRight);
  EXPECT_EQ(topLeft(p), std::make_pair(148.f, 110.f - (ts + a)));
  p = place(one, IRECT(850.f, 100.f, 890.f, 120.f), false);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutLeft);
  EXPECT_EQ(topLeft(p), std::make_pair(850.f - a - w - s, 110.f - (ts + a)));
  // No room above the anchor's middle: below it; none below: above it.
  p = place(one, IRECT(100.f, 0.f, 140.f, 10.f), false);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutBelow);
  EXPECT_EQ(topLeft(p), std::make_pair(120.f - w / 2.f, 10.f + a));
  p = place(one, IRECT(100.f, 480.f, 140.f, 500.f), false);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutAbove);
  EXPECT_EQ(topLeft(p), std::make_pair(120.f - w / 2.f, 480.f - a - h - s));
  ASSERT_LE(480.f - a - h - s, bottom);
  // Forced below (the default) wherever there is room below.
  p = place(one, IRECT(100.f, 100.f, 140.f, 120.f), true);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutBelow);
  EXPECT_EQ(topLeft(p), std::make_pair(120.f - w / 2.f, 120.f + a));

  // With submenus: centred on the anchor, on the side with more room, here above.
  IPopupMenu withSub("", {});
  withSub.AddItem("more", new IPopupMenu("", {"x"}));
  p = place(withSub, IRECT(700.f, 400.f, 740.f, 420.f), false);
  EXPECT_EQ(p.dir, IPopupMenuControl::kCalloutAbove);
  EXPECT_EQ(topLeft(p), std::make_pair(720.f - w / 2.f, 400.f - a - h - s));

  // Columns of at most two rows: the third item starts the next column at the top.
  IPopupMenu three("", {"abcd", "efgh", "ijkl"});
  g->RemovePopupMenuControl();
  auto* columns = new IPopupMenuControl(-1, DEFAULT_TEXT);
  columns->SetMaxRowsPerColumn(2);
  g->AttachPopupMenuControl(columns);
  menu = columns;
  g->CreatePopupMenu(*owner, three, IRECT(100.f, 100.f, 140.f, 120.f));
  EXPECT_EQ(Cell(0, 1).L, Cell(0, 0).L);
  EXPECT_EQ(Cell(0, 2).T, Cell(0, 0).T);
  EXPECT_EQ(Cell(0, 2).L, Cell(0, 0).R + 2.f);
}

TEST_F(PromptFixture, ASubmenuOpensOnHoverAndItsItemIsChosenByClick)
{
  TestControl* owner = Add(IRECT(100.f, 100.f, 200.f, 120.f));
  std::vector<std::pair<const IPopupMenu*, int>> completions;
  IPopupMenu root("", {"a", "b"},
                  [&completions](IPopupMenu* m) { completions.emplace_back(m, m->GetChosenItemIdx()); });
  root.AddSeparator();
  auto* sub = new IPopupMenu("", {"x", "y"});
  root.AddItem("more", sub);
  g->CreatePopupMenu(*owner, root, owner->GetRECT());
  // The separator shows only once the panel has almost faded in, at a quarter weight.
  auto separatorFills = [&] {
    std::vector<float> weights;
    for (const DrawCall& call : g->CallsOf(DrawCall::Kind::Fill))
      if (call.Color() == COLOR_MID_GRAY && call.PathBounds() == Cell(0, 2))
        weights.push_back(call.blend.mWeight);
    return weights;
  };
  g->ClearCalls();
  Frames(1);
  EXPECT_TRUE(separatorFills().empty());
  Frames(9);
  g->ClearCalls();
  menu->SetDirty(false);
  Frames(1);
  EXPECT_EQ(separatorFills(), std::vector<float>{0.25f});

  const IRECT more = Cell(0, 3);
  g->OnMouseOver(more.MW(), more.MH(), IMouseMod());
  ASSERT_EQ(menu->NPanels(), 2);
  EXPECT_EQ(menu->GetState(), IPopupMenuControl::kSubmenuExpanding);
  EXPECT_EQ(&menu->GetPanel(1)->mMenu, sub);
  EXPECT_GT(menu->GetPanel(1)->mRECT.L, menu->GetPanel(0)->mRECT.R) << "opens on the right";
  Frames(5); // not yet visible at 100 ms of 200
  EXPECT_EQ(menu->GetPanel(1)->mBlend.mWeight, 0.f);
  Frames(10);
  EXPECT_EQ(menu->GetState(), IPopupMenuControl::kExpanded);
  EXPECT_FLOAT_EQ(menu->GetPanel(1)->mBlend.mWeight, 0.95f);
  g->SetAllControlsDirty();
  g->ClearCalls();
  Frames(1);
  EXPECT_EQ(g->Texts(), (Strings{"a", "b", "more", "x", "y"}));

  // Into the submenu and click: the submenu level is the result.
  const IRECT y = Cell(1, 1);
  g->OnMouseOver(y.MW(), y.MH(), IMouseMod());
  EXPECT_EQ(menu->GetActivePanel(), menu->GetPanel(1));
  ClickCentre(y);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].first, sub);
  EXPECT_EQ(completions[0].second, 1);
  Frames(20);

  // A separator is never chosen.
  completions.clear();
  g->CreatePopupMenu(*owner, root, owner->GetRECT());
  Frames(10);
  ClickCentre(Cell(0, 2));
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0].second, -1);
  Frames(20);
}

TEST_F(PromptFixture, AClickOutsideGivesNothingAndClicksCountWhileTheMenuFadesIn)
{
  TestControl* owner = Add(IRECT(100.f, 100.f, 200.f, 120.f), 2);
  TestControl* other = Add(IRECT(600.f, 300.f, 700.f, 400.f));
  std::vector<int> completions;
  IPopupMenu choices("", {"one", "two"}, [&completions](IPopupMenu* m) { completions.push_back(m->GetChosenItemIdx()); });

  g->CreatePopupMenu(*owner, choices, owner->GetRECT());
  Frames(10);
  Click(650.f, 350.f);
  EXPECT_EQ(completions, (std::vector<int>{-1}));
  EXPECT_EQ(owner->EventsStartingWith("menu"), (Strings{"menu -1 0"}));
  EXPECT_EQ(other->CountEvents("down"), 0) << "the click closed the menu and nothing else";
  Frames(20);
  Click(650.f, 350.f);
  EXPECT_EQ(other->CountEvents("down"), 1);

  // Still fading in: the menu is visible and takes the click.
  g->CreatePopupMenu(*owner, choices, owner->GetRECT());
  Frames(2);
  ASSERT_EQ(menu->GetState(), IPopupMenuControl::kExpanding);
  ClickCentre(Cell(0, 1));
  EXPECT_EQ(completions, (std::vector<int>{-1, 1}));
  EXPECT_EQ(owner->EventsStartingWith("menu").back(), "menu 1 0");
  EXPECT_EQ(dlg.OpenGestures(2), 0);
}
