#pragma once
// A Vellicor whose editor runs on the recording headless graphics with its settable clock, in
// a temporary home folder. The test layout attaches the in-editor text entry, turns mouse-over
// tracking on and puts the preset strip where the editor has it; each test adds its own
// controls. Save and Trash come from small test bitmaps.
#include "HeadlessGraphics.h"
#include "HomeFolder.h"
#include "TestControl.h"
#include "plug/IParam.h"
#include "product/Vellicor.h"
#include "product/editor/EditorLayout.h"
#include "product/editor/PresetControllerMenu.h"
#include "tests/support/PngImage.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <string>
#include <vector>

class EditorHarness
{
public:
  using Layout = std::function<void(plug::igraphics::IGraphics& g)>;

  // The strip's own style (the editor's "preset strip" style).
  static plug::igraphics::IVStyle StripStyle() { return vellicor::EditorStyle(vellicor::kStylePresetStrip); }

  EditorHarness()
  {
    using namespace plug::igraphics;
    // Test art for Save and Trash: one frame each.
    testsupport::WritePNG(mResources.File("Save.png"), 18, 18, std::vector<uint8_t>(18 * 18 * 4, 200));
    testsupport::WritePNG(mResources.File("Trash.png"), 16, 18, std::vector<uint8_t>(16 * 18 * 4, 100));
    plugin.SetMakeGraphicsFunc([this]() {
      auto* graphics = new testgraphics::HeadlessGraphics(plugin, kEditorWidth, kEditorHeight, kEditorFPS, 1.f);
      graphics->SetResourceFolder(mResources.Path());
      return graphics;
    });
    plugin.SetLayoutFunc([this](IGraphics* graphics) {
      // The background comes first, as the editor's bitmap does.
      auto* background = new testgraphics::TestControl(graphics->GetBounds());
      background->SetIgnoreMouse(true);
      graphics->AttachControl(background);
      graphics->AttachTextEntryControl();
      graphics->EnableMouseOver(true);
      if (layout)
        layout(*graphics);
      strip = new Vellicor::PresetControllerMenu(IRECT(250.f, 1.f, 630.f, 25.f), StripStyle());
      graphics->AttachControl(strip, kTagPresetMenu);
    });
  }
  ~EditorHarness() { plugin.CloseEditorWindow(); }

  // The product's own layout in place of the test layout, at the scale "Plugin Scale" holds,
  // with the editor's resources found in the folder.
  void UseProductLayout(const std::string& resourceFolder)
  {
    plugin.SetMakeGraphicsFunc([this, resourceFolder]() {
      auto* graphics = new testgraphics::HeadlessGraphics(plugin, kEditorWidth, kEditorHeight, kEditorFPS,
                                                          static_cast<float>(V(kPluginScale)));
      graphics->SetResourceFolder(resourceFolder);
      return graphics;
    });
    plugin.SetLayoutFunc([this](plug::igraphics::IGraphics* graphics) {
      plugin.LayoutEditor(graphics);
      strip = dynamic_cast<Vellicor::PresetControllerMenu*>(graphics->GetControlWithTag(kTagPresetMenu));
    });
  }

  // Opens the editor, running the layout.
  testgraphics::HeadlessGraphics* Open()
  {
    plugin.OpenEditorWindow(nullptr);
    g = static_cast<testgraphics::HeadlessGraphics*>(plugin.GetUI());
    return g;
  }

  void Click(float x, float y)
  {
    using namespace plug::igraphics;
    g->OnMouseDown({IMouseInfo(x, y, IMouseMod(true))});
    g->OnMouseUp({IMouseInfo(x, y, IMouseMod(true))});
  }
  // Frames of the editor's timer over ms milliseconds: animations advance and end, dirty
  // controls are drawn.
  void Frames(double ms)
  {
    for (double t = 0.0; t < ms; t += 20.0)
    {
      g->AdvanceClockMs(20.0);
      g->Frame();
    }
  }
  // A vector button runs its action once its splash has ended.
  void ClickButton(float x, float y)
  {
    Click(x, y);
    Frames(120.0);
  }
  void Previous() { ClickButton(262.f, 14.f); }
  void Next() { ClickButton(286.f, 14.f); }
  // The caption opens the preset list; the headless menu answers with the item (-1: nothing).
  void ChooseFromList(int item)
  {
    g->QueueMenuAnswer(testgraphics::MenuAnswer(item));
    ClickButton(440.f, 14.f);
  }
  // Save and Trash act on the click (the name field, when shown, ends at x = 594).
  void Save() { Click(598.f, 12.f); }
  void Trash() { Click(614.f, 12.f); }
  bool Key(int vk, const char* text = "")
  {
    return g->OnKeyDown(440.f, 12.f, plug::IKeyPress(text, vk));
  }
  // Clicks the name field, types the name into the entry and presses Return.
  void TypeName(const std::string& name)
  {
    Click(440.f, 12.f);
    for (char c : name)
    {
      const char s[2] = {c, 0};
      Key(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c, s);
    }
    Key(13);
  }
  // Clicks the name field, pastes the name from the clipboard and presses Return: for names
  // too long to type key by key.
  void PasteName(const std::string& name)
  {
    Click(440.f, 12.f);
    g->SetTextInClipboard(name.c_str());
    g->OnKeyDown(440.f, 12.f, plug::IKeyPress("v", 'V', false, true));
    Key(13);
  }

  double V(int paramIdx) const { return plugin.GetParam(paramIdx)->Value(); }
  void Set(int paramIdx, double value) { plugin.GetParam(paramIdx)->Set(value); }
  std::string Caption() const { return strip ? strip->GetCaptionText() : ""; }
  plug::igraphics::IControl* Field() const { return g->GetControlWithTag(kTagSavePresetField); }

  TempHome home;
  Vellicor plugin{plug::InstanceInfo()};
  Layout layout;
  testgraphics::HeadlessGraphics* g = nullptr;
  Vellicor::PresetControllerMenu* strip = nullptr;

private:
  testsupport::TempDir mResources;
};
