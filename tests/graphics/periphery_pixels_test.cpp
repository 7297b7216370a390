// A page of the SVG controls, the lamp, the XY pad, plot, group and colour swatch, the vector
// label, the slide switch and the menu button, drawn to pixels through the whole stack (toolkit,
// IGraphicsVGR, renderer, Metal back end, CPU stand-in). Each control is checked where its
// value puts its ink; the pad is then dragged by the pointer and drawn again. With
// VELLICOR_TEST_PNG_DIR set the page is written as periphery_controls.png.
#include "ExpectRect.h"
#include "PixelGraphics.h"
#include "tests/platform/PlatformTestFolders.h"
#include "tests/support/FontFiles.h"

#include "graphics/IControls.h"
#include "graphics/controls/ILEDControl.h"
#include "graphics/controls/ISVGControls.h"
#include "graphics/controls/IVMiscControls.h"
#include "graphics/controls/IVPadControls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testgraphics;

constexpr int kW = 480, kH = 290;
constexpr IColor kPage = COLOR_WHITE;
constexpr IColor kTrack(255, 150, 150, 150);
constexpr IColor kHandle(255, 230, 120, 20);
constexpr IColor kTrackSlot(255, 190, 205, 225);
constexpr IColor kFrame(255, 70, 70, 70);

enum Params
{
  kSliderParam = 0,
  kPadX,
  kPadY,
  kToggleParam,
  kSwitchParam,
  kGainParam,
  kNumParams
};

// The page's vector style: solid colours, no shadows, so that each part has one colour.
const IVStyle kPageStyle = DEFAULT_STYLE.WithDrawShadows(false)
                             .WithColor(kFG, kHandle)
                             .WithColor(kSH, kTrackSlot)
                             .WithColor(kFR, kFrame);
const IVStyle kPageBare = kPageStyle.WithShowLabel(false).WithShowValue(false);
// The swatch's cells: a colour of its own for each of the style's first four.
const IVStyle kSwatchStyle = kPageBare.WithColor(kBG, COLOR_RED)
                               .WithColor(kFG, COLOR_GREEN)
                               .WithColor(kPR, COLOR_BLUE)
                               .WithColor(kFR, COLOR_YELLOW);

std::string RectSVG(int w, int h, const char* fill, const char* rect = nullptr)
{
  const std::string size = "width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\"";
  return "<svg " + size + "><rect " + (rect ? std::string(rect) : "x=\"0\" y=\"0\" " + size) + " fill=\"" + fill +
         "\"/></svg>";
}

ISVGImage SVG(IGraphics* g, const char* name, const std::string& text)
{
  return g->LoadSVG(name, static_cast<const void*>(text.data()), static_cast<int>(text.size()));
}

struct Page
{
  IVColorSwatchControl* swatch = nullptr;
  IVGroupControl* group = nullptr;
  IVMenuButtonControl* menu = nullptr;
};

void LayoutPage(IGraphics* g, Page& page)
{
  g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g->AttachControl(new IPanelControl(g->GetBounds(), kPage));

  // SVG controls along the top.
  g->AttachControl(new ISVGButtonControl(IRECT(10, 10, 60, 60), nullptr, SVG(g, "off", RectSVG(10, 10, "red")),
                                         SVG(g, "on", RectSVG(10, 10, "blue"))));
  g->AttachControl(new ISVGToggleControl(IRECT(70, 10, 120, 60), kToggleParam,
                                         SVG(g, "plain", RectSVG(10, 10, "white")), EColorReplacement::Fill,
                                         COLOR_GRAY, COLOR_ORANGE, COLOR_GRAY, COLOR_ORANGE));
  // A pointer two units wide from the centre up to the top.
  auto* knob = new ISVGKnobControl(IRECT(130, 10, 180, 60),
                                   SVG(g, "pointer", RectSVG(10, 10, "black", R"(x="4" y="0" width="2" height="5")")));
  knob->SetValue(1.0); // turned fully
  g->AttachControl(knob);
  g->AttachControl(new ISVGSwitchControl(IRECT(190, 10, 240, 60),
                                         {SVG(g, "s0", RectSVG(10, 10, "red")), SVG(g, "s1", RectSVG(10, 10, "lime")),
                                          SVG(g, "s2", RectSVG(10, 10, "blue"))},
                                         kSwitchParam));
  g->AttachControl(new ISVGSliderControl(IRECT(250, 10, 400, 60), SVG(g, "handle", RectSVG(10, 10, "black")),
                                         SVG(g, "track", RectSVG(100, 10, "#969696")), kSliderParam,
                                         EDirection::Horizontal));

  // Two lamps fully lit, the second disabled.
  auto* lamp = new ILEDControl(IRECT(410, 15, 440, 45), COLOR_BLUE);
  auto* disabledLamp = new ILEDControl(IRECT(445, 15, 475, 45), COLOR_BLUE);
  for (ILEDControl* l : {lamp, disabledLamp})
  {
    l->SetValue(1.0);
    g->AttachControl(l);
  }
  disabledLamp->SetDisabled(true);

  // The pad, plot and swatch.
  g->AttachControl(new IVXYPadControl(IRECT(10, 80, 130, 200), {kPadX, kPadY}, "", kPageBare));
  g->AttachControl(new IVPlotControl(IRECT(140, 80, 300, 200),
                                     {{COLOR_BLUE, [](double) { return 0.0; }},
                                      {COLOR_RED, [](double x) { return 2.0 * x - 1.0; }}},
                                     33, "", kPageBare));
  page.swatch = new IVColorSwatchControl(IRECT(310, 80, 470, 200), "", nullptr, kSwatchStyle,
                                         IVColorSwatchControl::ECellLayout::Row, {kBG, kFG, kPR, kFR});
  g->AttachControl(page.swatch);

  // Label, slide switch and menu button, framed by a group around them.
  g->AttachControl(new IVLabelControl(IRECT(20, 235, 140, 270), "Vellicor", kPageStyle), -1, "extras");
  g->AttachControl(new IVSlideSwitchControl(IRECT(160, 235, 280, 270), nullptr, "", kPageBare, false,
                                            EDirection::Horizontal, 3, 2),
                   -1, "extras");
  page.menu = new IVMenuButtonControl(IRECT(300, 235, 460, 270), kGainParam, "", kPageStyle.WithShowLabel(false));
  g->AttachControl(page.menu, -1, "extras");
  page.group = new IVGroupControl("Extras", "extras", 10.f, 25.f, 10.f, 10.f, kPageStyle);
  g->AttachControl(page.group);
}

TEST(PeripheryPage, EveryControlDrawnThroughTheWholeStack)
{
  PlatformTestFolders folders;
  testsupport::WriteBytes(folders.Resources() + "/Roboto-Regular.ttf",
                          testsupport::ReadBytes(testsupport::RobotoRegularPath()));
  PixelEditor editor(kW, kH, 1.f, 1.f, folders.BundleID(), kNumParams);
  TestDelegate& dlg = editor.Delegate();
  dlg.GetParam(kSliderParam)->DefineDouble("Drive", 7.5, 0.0, 10.0, 0.01, "dB");
  dlg.GetParam(kPadX)->DefineDouble("X", 0.25, 0.0, 1.0, 0.001);
  dlg.GetParam(kPadY)->DefineDouble("Y", 0.75, 0.0, 1.0, 0.001);
  dlg.GetParam(kToggleParam)->DefineBool("Power", true);
  dlg.GetParam(kSwitchParam)->DefineEnum("Tilt", 1, 3, "", 0, "", "LO", "MD", "HI");
  dlg.GetParam(kGainParam)->DefineDouble("Gain", 6.0, 0.0, 12.0, 0.01, "dB");
  Page page;
  PixelGraphics& g = editor.Open([&page](IGraphics* pGraphics) { LayoutPage(pGraphics, page); });
  g.SavePicture("periphery_controls");
  ASSERT_EQ(g.GetPicture().width, kW);
  EXPECT_EQ(g.Device().ValidationErrorCount(), 0);

  // SVG controls: the released button's off image; the toggle, on, in its on colour; the knob
  // at 1 turned by 135 degrees clockwise, its pointer down to the right; the switch's middle
  // image for the middle state; the slider's handle a quarter of its travel (135) from the
  // right end of the track, which is 15 high across the middle.
  ExpectPixels(editor, {
    {35, 35, COLOR_RED, 4, "button"},
    {95, 35, COLOR_ORANGE, 4, "toggle"},
    {163, 43, COLOR_BLACK, 40, "knob pointer"},
    {147, 43, kPage, 4, "not down to the left"},
    {155, 20, kPage, 4, "nor up"},
    {215, 35, COLOR_GREEN, 4, "switch"},
    {358, 35, COLOR_BLACK, 4, "slider handle"},
    {390, 35, kTrack, 4, "track right of it"},
    {260, 35, kTrack, 4, "track left of it"},
    {330, 25, kPage, 4, "above the track"},
  });
  // The lamps: the lit one in its colour, the disabled one at the weight of a disabled control.
  const int washed = static_cast<int>(255.f * (1.f - kDisabledWeight));
  ExpectPixels(editor, {
    {425, 30, COLOR_BLUE, 4, "lamp"},
    {460, 30, IColor(255, washed, washed, 255), 4, "disabled lamp"},
    {412, 17, kPage, 4, "outside the lamp's ellipse"},
  });

  // The pad's handle (radius 10) at x 0.25 and y 0.75 of the widget it is clipped to.
  ExpectPixels(editor, {{40, 110, kHandle, 4, "pad handle"}, {100, 170, kPage, 4, "no handle at the mirror point"}});
  // The plot: the flat curve through the middle of the plot area (a grid row, 10, off the top
  // and the bottom), the diagonal from its bottom left to its top right.
  ExpectPixels(editor, {{250, 140, COLOR_BLUE, 8, "flat curve"}, {180, 165, COLOR_RED, 60, "diagonal"}});
  // The swatch: a row of its four colours, each cell drawn where the control laid it out.
  for (int i = 0; i < page.swatch->NCells(); ++i)
  {
    const IRECT& cell = page.swatch->GetCellBounds(i);
    EXPECT_TRUE(ColorNear(editor.At(cell.MW(), cell.MH()), page.swatch->GetCellColor(i))) << "swatch cell " << i;
  }
  EXPECT_NE(page.swatch->GetCellColor(0), page.swatch->GetCellColor(1));

  // The group: its outline around the union of its three controls grown by the margins, the
  // label in a gap of the top edge.
  const IRECT& groupBounds = page.group->GetRECT();
  EXPECT_EQ(groupBounds, IRECT(10, 210, 470, 280));
  ExpectPixels(editor, {{10, 250, kFrame, 8, "group's left edge"}, {469, 250, kFrame, 8, "group's right edge"},
                        {240, 279, kFrame, 8, "group's bottom edge"}});
  const IRECT& groupLabel = page.group->GetLabelBounds();
  EXPECT_GT(editor.InkBox(groupLabel, kPage).W(), 30.f) << "the group's label";
  EXPECT_TRUE(ColorNear(editor.At(groupLabel.R - 3.f, groupLabel.MH()), kPage)) << "the outline's gap";
  // The label's text inside its frame; the slide switch's handle in its last slot of three on
  // the track; the menu button's value.
  const IRECT labelInk = editor.InkBox(IRECT(22, 237, 138, 268), kPage);
  EXPECT_GT(labelInk.W(), 30.f);
  EXPECT_NEAR(labelInk.MW(), 80.f, 4.f);
  ExpectRect(editor.InkBox(IRECT(14, 229, 146, 276), kPage), 20.f, 235.f, 140.f, 270.f, 1.5f);
  ExpectPixels(editor, {{260, 252, kHandle, 4, "slide handle"},
                        {180, 252, kTrackSlot, 4, "slide track"}});
  IVButtonControl* button = page.menu->GetInnerButton();
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(button->GetValueStr(), "6.00 dB");
  const IRECT valueInk = editor.InkBox(button->GetWidgetBounds().GetPadded(-3.f), kHandle, 60);
  EXPECT_GT(valueInk.W(), 30.f) << "the menu button's value text";

  // A click on the pad sends both values and the handle is drawn under the pointer.
  dlg.mLog.clear();
  g.OnMouseDown({IMouseInfo(100, 110, IMouseMod(true))});
  g.OnMouseUp({IMouseInfo(100, 110, IMouseMod(true))});
  EXPECT_EQ(dlg.LogStartingWith("value"),
            (std::vector<std::string>{"value 1 0.75", "value 2 0.75", "value 1 0.75", "value 2 0.75"}));
  ASSERT_TRUE(g.Frame());
  ExpectPixels(editor, {{100, 110, kHandle, 4, "moved handle"}, {40, 110, kPage, 4, "the old place"}});
  g.SavePicture("periphery_controls_moved");
  EXPECT_EQ(g.Device().ValidationErrorCount(), 0);
}

} // namespace
