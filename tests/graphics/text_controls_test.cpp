// The text controls attached to a headless graphics context: captions showing their
// parameter and prompting for it through a menu or a text entry, strings fitted and
// formatted, the text toggle, the link and the place holder.

#include <gtest/gtest.h>

#include "ExpectRect.h"
#include "StockFixture.h"
#include "graphics/controls/ITextControls.h"

using namespace testgraphics;

TEST_F(StockFixture, CaptionsShowTheirParameterAndPromptForIt)
{
  // An enumerated parameter with right-aligned text: a half-weight black triangle in the
  // 14-point strip at the left end, its apex down.
  auto* tilt = Attach(new ICaptionControl(IRECT(0.f, 0.f, 100.f, 20.f), 2, DEFAULT_TEXT.WithAlign(EAlign::Far)));
  ExpectRect(tilt->GetTriangleBounds(), 3.5f, 10.f - 2.31f, 10.5f, 10.f + 2.31f);
  // With the parameter's label shown, a blank goes before it, also before an empty label.
  std::vector<DrawCall> calls = DrawOf(tilt);
  EXPECT_EQ(TextsOf(calls), (Strings{"LO "}));
  const DrawCall& triangle = calls.back();
  EXPECT_EQ(triangle.Color(), COLOR_BLACK);
  EXPECT_EQ(triangle.blend.mWeight, 0.5f);
  ASSERT_EQ(triangle.Points().size(), 3u);
  const IRECT& tri = tilt->GetTriangleBounds();
  EXPECT_EQ(triangle.Points()[2], (PathPoint{tri.MW(), tri.B}));

  // A click offers the display texts over the caption; the choice reaches the host.
  g->QueueMenuAnswer(MenuAnswer(2));
  dlg.mLog.clear();
  Click(50.f, 10.f);
  ASSERT_NE(g->LastMenu(), nullptr);
  EXPECT_EQ(g->LastMenu()->NItems(), 3);
  EXPECT_EQ(g->LastMenuBounds(), tilt->GetRECT());
  EXPECT_EQ(dlg.LogStartingWith("value"), (Strings{"value 2 1"}));
  EXPECT_EQ(dlg.OpenGestures(2), 0);
  EXPECT_EQ(TextsOf(DrawOf(tilt)), (Strings{"HI "}));
  // Under the mouse the triangle turns white at full weight.
  tilt->OnMouseOver(50.f, 10.f, IMouseMod());
  EXPECT_EQ(DrawOf(tilt).back().Color(), COLOR_WHITE);
  EXPECT_EQ(g->Calls().back().blend.mWeight, 1.f);

  // A double parameter shows its unit label and no triangle, and prompts with a text entry.
  // A text control laid over it never takes the click: it falls through to the caption.
  auto* drive = Attach(new ICaptionControl(IRECT(0.f, 40.f, 100.f, 60.f), 0));
  auto* overlay = Attach(new ITextControl(IRECT(0.f, 40.f, 100.f, 60.f), "overlay"));
  EXPECT_TRUE(drive->GetTriangleBounds().Empty());
  calls = DrawOf(drive);
  EXPECT_EQ(TextsOf(calls), (Strings{"0.00 dB"}));
  EXPECT_EQ(calls.size(), 2u); // background and text only
  EXPECT_EQ(g->GetMouseControl(50.f, 50.f, false), drive);
  Click(50.f, 50.f);
  ASSERT_TRUE(g->TextEntryOpen());
  EXPECT_EQ(g->LastTextEntry().str, "0.00");
  EXPECT_EQ(g->LastTextEntry().paramIdx, 0);
  g->CommitTextEntry("5");
  EXPECT_DOUBLE_EQ(dlg.GetParam(0)->Value(), 5.0);
  EXPECT_EQ(TextsOf(DrawOf(drive)), (Strings{"5.00 dB"}));
  EXPECT_EQ(TextsOf(DrawOf(overlay)), (Strings{"overlay"}));
  // Drawn while another thread held the parameter elsewhere, the caption is drawn again when
  // the editor is given the value it already holds.
  dlg.GetParam(0)->Set(7.0);
  EXPECT_EQ(TextsOf(DrawOf(drive)), (Strings{"7.00 dB"}));
  dlg.GetParam(0)->Set(5.0);
  drive->SetClean();
  dlg.SendParamValueToUI(0, drive->GetValue(), true);
  EXPECT_TRUE(drive->IsDirty());
  EXPECT_EQ(TextsOf(DrawOf(drive)), (Strings{"5.00 dB"}));

  // Unbound (or bound outside the list) a caption keeps its string and does not prompt.
  auto* loose = Attach(new ICaptionControl(IRECT(0.f, 80.f, 100.f, 100.f), 9));
  Click(50.f, 90.f);
  EXPECT_FALSE(g->TextEntryOpen());
  EXPECT_TRUE(TextsOf(DrawOf(loose)).empty());
  // Nor is it drawn again for the value it holds: it draws no parameter's text.
  loose->SetClean();
  dlg.SendParamValueToUI(9, loose->GetValue(), true);
  EXPECT_FALSE(loose->IsDirty());
}

TEST_F(StockFixture, TextStringsFitFormatAndToggle)
{
  // Fitted when attached: "abc" measures 21 by 14 and is centred where the bounds were.
  auto* text = Attach(new ITextControl(IRECT(100.f, 100.f, 200.f, 140.f), "abc", DEFAULT_TEXT, COLOR_WHITE, true));
  ExpectRect(text->GetRECT(), 139.5f, 113.f, 160.5f, 127.f);
  EXPECT_EQ(text->GetTargetRECT(), text->GetRECT());

  // The same string again changes nothing, not even the dirty flag.
  text->SetClean();
  text->SetStr("abc");
  EXPECT_FALSE(text->IsDirty());
  text->SetStr("abcdef");
  EXPECT_TRUE(text->IsDirty());
  ExpectRect(text->GetRECT(), 129.f, 113.f, 171.f, 127.f);

  // Formatting cuts at the length and never refits.
  text->SetStrFmt(5, "%d", 1234567);
  EXPECT_STREQ(text->GetStr(), "12345");
  ExpectRect(text->GetRECT(), 129.f, 113.f, 171.f, 127.f);

  // While its text is edited the control draws only its background.
  g->CreateTextEntry(*text, DEFAULT_TEXT, text->GetRECT(), text->GetStr(), 0);
  EXPECT_TRUE(TextsOf(DrawOf(text)).empty());
  g->CommitTextEntry("x");

  // The toggle shows its off text at 0; a click shows the on text and sends the maximum.
  auto* toggle = Attach(new ITextToggleControl(IRECT(0.f, 0.f, 60.f, 20.f), 1, "off", "on"));
  EXPECT_EQ(TextsOf(DrawOf(toggle)), (Strings{"off"}));
  dlg.mLog.clear();
  Click(30.f, 10.f);
  EXPECT_EQ(dlg.mLog, (Strings{"begin 1", "value 1 1", "end 1"}));
  EXPECT_DOUBLE_EQ(dlg.GetParam(1)->Value(), 4.0);
  EXPECT_EQ(TextsOf(DrawOf(toggle)), (Strings{"on"}));
  // A double click is a second click; exactly 0.5 shows the off text.
  g->OnMouseDblClick(30.f, 10.f, IMouseMod(true));
  Up(30.f, 10.f);
  EXPECT_STREQ(toggle->GetStr(), "off");
  toggle->SetValueFromDelegate(0.5);
  EXPECT_STREQ(toggle->GetStr(), "off");
}

TEST_F(StockFixture, LinksUnderlineAndOpenTheirURL)
{
  Attach(new ITextControl(g->GetBounds())); // the background, never under the mouse
  // Top-aligned text: the underline runs along the text's foot, 14 below the top.
  auto* link = Attach(new IURLControl(IRECT(0.f, 0.f, 200.f, 40.f), "home", "https://example.com/",
                                      DEFAULT_TEXT.WithVAlign(EVAlign::Top), COLOR_TRANSPARENT, COLOR_RED,
                                      COLOR_BLUE));
  auto underline = [&]() {
    for (const DrawCall& call : DrawOf(link))
      if (call.kind == DrawCall::Kind::Stroke)
        return call;
    return DrawCall();
  };
  DrawCall line = underline();
  EXPECT_EQ(line.Color(), COLOR_BLACK);
  EXPECT_EQ(line.Points(), (std::vector<PathPoint>{{86.f, 14.f}, {114.f, 14.f}}));

  g->EnableMouseOver(true);
  g->OnMouseOver(100.f, 20.f, IMouseMod());
  EXPECT_EQ(g->mPlatformLog.back(), "cursor 11");
  EXPECT_EQ(underline().Color(), COLOR_RED);
  g->mPlatformLog.clear();
  Click(100.f, 20.f);
  EXPECT_EQ(g->mPlatformLog.front(), "open url https://example.com/");
  EXPECT_TRUE(link->GetClicked());
  g->OnMouseOut();
  EXPECT_EQ(underline().Color(), COLOR_BLUE);

  // Centred vertically the line lies at the text's foot; right-aligned it ends at the right.
  link->SetText(DEFAULT_TEXT.WithAlign(EAlign::Far).WithFGColor(COLOR_GREEN));
  line = underline();
  EXPECT_EQ(line.Points(), (std::vector<PathPoint>{{172.f, 27.f}, {200.f, 27.f}}));
}

TEST_F(StockFixture, PlaceHolderShowsItsBoundsAndTakesANewName)
{
  auto* box = Attach(new PlaceHolder(IRECT(10.f, 20.f, 110.f, 70.f)));
  EXPECT_STREQ(box->GetPositionStr(), "10.0, 20.0");
  EXPECT_STREQ(box->GetWidthStr(), "100.0");
  EXPECT_STREQ(box->GetHeightStr(), "50.0");
  const std::vector<DrawCall> calls = DrawOf(box);
  EXPECT_EQ(OfColor(calls, COLOR_RED).size(), 2u); // the diagonals
  EXPECT_EQ(TextsOf(calls), (Strings{"50.0", "100.0", "10.0, 20.0", "Place Holder"}));

  g->OnMouseDblClick(60.f, 45.f, IMouseMod(true));
  ASSERT_TRUE(g->TextEntryOpen());
  EXPECT_EQ(g->LastTextEntry().str, "Place Holder");
  g->CommitTextEntry("Drive knob");
  EXPECT_STREQ(box->GetStr(), "Drive knob");
  box->SetSize(60.f, 30.f);
  EXPECT_STREQ(box->GetWidthStr(), "60.0");
}
