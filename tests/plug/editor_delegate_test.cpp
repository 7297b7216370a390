// The editor delegate: opening and closing the editor with the kept size and scale, size
// limits, the editor size record, and how values, messages and keys reach the editor.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestPlugin.h"
#include "plug/IGraphicsHeadless.h"

using namespace plug;
using namespace plug::igraphics;
using testplug::TestPlugin;

namespace {

// A graphics context for tests: controls with a tag and parameter bindings, and a record
// of what the delegate asked of it.
class FakeGraphics : public IGraphicsHandle
{
public:
  struct Control
  {
    int tag = -1;
    std::vector<int> params; // parameter index per value index
    std::vector<double> values;
    std::vector<std::string> msgs;
    bool wantsMidi = false;
    int midiCount = 0;
  };

  FakeGraphics(IGEditorDelegate& dlg, int w, int h, float scale, std::vector<std::string>* journal)
    : mDlg(dlg), mW(w), mH(h), mScale(scale), mJournal(journal)
  {
    ++sLive;
  }
  ~FakeGraphics() override
  {
    --sLive;
    Note("deleted");
  }

  int Width() const override { return mW; }
  int Height() const override { return mH; }
  float GetDrawScale() const override { return mScale; }
  float GetPlatformWindowScale() const override { return mWindowScale; }

  void Resize(int w, int h, float scale, bool needsPlatformResize) override
  {
    mDlg.ConstrainEditorSize(w, h);
    mW = w;
    mH = h;
    mScale = scale;
    Note("Resize " + std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(scale) + " " +
         std::to_string(needsPlatformResize));
  }
  void SetScreenScale(float scale) override { mScreenScale = scale; }

  void* OpenWindow(void*) override
  {
    Note("OpenWindow");
    mDlg.ArrangeUI(this);
    return this;
  }
  void CloseWindow() override { Note("CloseWindow"); }

  void GetMouseLocation(float& x, float& y) const override
  {
    x = 12.5f;
    y = 40.f;
  }
  bool OnKeyDown(float x, float y, const IKeyPress& key) override
  {
    Note("KeyDown " + std::to_string(x) + " " + std::to_string(y) + " " + key.utf8);
    return true;
  }
  bool OnKeyUp(float x, float y, const IKeyPress& key) override
  {
    Note("KeyUp " + std::to_string(x) + " " + std::to_string(y) + " " + key.utf8);
    return false;
  }

  void SetParamValueFromDelegate(int paramIdx, double v) override
  {
    for (Control& c : mControls)
      for (size_t j = 0; j < c.params.size(); ++j)
        if (c.params[j] == paramIdx)
          c.values[j] = v;
    Note("param " + std::to_string(paramIdx));
  }
  void SetControlValueFromDelegate(int tag, double v) override
  {
    for (Control& c : mControls)
      if (c.tag == tag)
      {
        c.values[0] = v;
        return;
      }
  }
  void SendControlMsgFromDelegate(int tag, int msgTag, int size, const void* data) override
  {
    for (Control& c : mControls)
      if (c.tag == tag)
      {
        c.msgs.push_back(std::to_string(msgTag) + ":" + std::string(static_cast<const char*>(data), size));
        return;
      }
  }
  void SendMidiMsgFromDelegate(const IMidiMsg&) override
  {
    for (Control& c : mControls)
      if (c.wantsMidi)
        ++c.midiCount;
  }

  Control& Add(int tag, std::vector<int> params)
  {
    Control c;
    c.tag = tag;
    c.values.assign(params.size(), -1.0);
    c.params = std::move(params);
    mControls.push_back(c);
    return mControls.back();
  }

  std::vector<Control> mControls;
  float mWindowScale = 1.f;
  float mScreenScale = 1.f;
  static int sLive;

private:
  void Note(const std::string& s)
  {
    if (mJournal)
      mJournal->push_back(s);
  }

  IGEditorDelegate& mDlg;
  int mW, mH;
  float mScale;
  std::vector<std::string>* mJournal;
};

int FakeGraphics::sLive = 0;

// A plug-in whose editor is a FakeGraphics of 900 by 500 with limits 900..2700 by 500..1500.
struct EditorFixture : ::testing::Test
{
  EditorFixture() : plugin(8, 1)
  {
    testplug::DefineMixedParams(plugin);
    plugin.SetSizeConstraints(2700, 900, 1500, 500);
    plugin.SetMakeGraphicsFunc([this]() {
      ++built;
      return new FakeGraphics(plugin, 900, 500, 1.f, &journal);
    });
    plugin.SetLayoutFunc([this](IGraphicsHandle* g) {
      ++laidOut;
      auto* fake = static_cast<FakeGraphics*>(g);
      if (fake->mControls.empty())
      {
        fake->Add(7, {3});          // one control bound to parameter 3
        fake->Add(-1, {2, 3});      // binds parameter 3 as its second value
        fake->Add(5, {-1}).wantsMidi = true;
      }
    });
  }

  FakeGraphics* UI() { return static_cast<FakeGraphics*>(plugin.GetUI()); }

  TestPlugin plugin;
  std::vector<std::string> journal;
  int built = 0;
  int laidOut = 0;
};

} // namespace

TEST_F(EditorFixture, ReopeningKeepsSizeAndScale)
{
  int parent = 0;
  void* view = plugin.OpenEditorWindow(&parent);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, plugin.GetUI());
  EXPECT_EQ(built, 1);
  EXPECT_EQ(laidOut, 1);
  // First opening: nothing kept yet, so no resize.
  EXPECT_EQ(journal, (std::vector<std::string>{"OpenWindow"}));

  UI()->Resize(1800, 1000, 2.f, true);
  journal.clear();
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.GetUI(), nullptr);
  EXPECT_EQ(FakeGraphics::sLive, 0);
  EXPECT_EQ(journal, (std::vector<std::string>{"CloseWindow", "deleted"}));
  EXPECT_EQ(plugin.GetKeptWidth(), 1800);
  EXPECT_EQ(plugin.GetKeptHeight(), 1000);
  EXPECT_FLOAT_EQ(plugin.GetKeptScale(), 2.f);

  journal.clear();
  ASSERT_NE(plugin.OpenEditorWindow(&parent), nullptr);
  EXPECT_EQ(built, 2);
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[0], "Resize 1800 1000 2.000000 1"); // before the window opens
  EXPECT_EQ(journal[1], "OpenWindow");
  EXPECT_EQ(UI()->Width(), 1800);
  EXPECT_EQ(UI()->Height(), 1000);
  EXPECT_FLOAT_EQ(UI()->GetDrawScale(), 2.f);

  // Opening an open editor reuses its context.
  plugin.OpenEditorWindow(&parent);
  EXPECT_EQ(built, 2);
  plugin.CloseEditorWindow();
  plugin.CloseEditorWindow(); // closing a closed editor changes nothing
  EXPECT_EQ(plugin.GetKeptWidth(), 1800);
  EXPECT_EQ(FakeGraphics::sLive, 0);
}

TEST_F(EditorFixture, NestedCloseDuringClosingDoesNothing)
{
  plugin.OpenEditorWindow(nullptr);
  plugin.mNestedClose = true;
  plugin.mLogging = true;
  journal.clear();
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.CountLog("closing"), 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"CloseWindow", "deleted"}));
  EXPECT_EQ(FakeGraphics::sLive, 0);

  // A closing hook that throws: the context still goes, and the editor opens again.
  plugin.mNestedClose = false;
  plugin.mThrowOnClosing = true;
  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  journal.clear();
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.GetUI(), nullptr);
  EXPECT_EQ(FakeGraphics::sLive, 0);
  EXPECT_EQ(journal, (std::vector<std::string>{"CloseWindow", "deleted"}));
  plugin.mThrowOnClosing = false;
  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  plugin.CloseEditorWindow();
  EXPECT_EQ(FakeGraphics::sLive, 0);
}

TEST_F(EditorFixture, NoEditorWithoutGraphics)
{
  TestPlugin bare(4, 0);
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_FALSE(bare.KeyDownAtMouse(IKeyPress("a", 65)));
  bare.SendControlValueToUI(1, 0.5);
  bare.ResizeFromParent(100, 100);
  bare.CloseEditorWindow();

  // A make-graphics function that returns null or throws opens nothing.
  bare.SetMakeGraphicsFunc([]() -> IGraphicsHandle* { return nullptr; });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  bare.SetMakeGraphicsFunc([]() -> IGraphicsHandle* { throw std::runtime_error("no GPU"); });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(bare.GetUI(), nullptr);

  // A layout that throws while the window opens leaves the editor closed, nothing leaked.
  bare.SetMakeGraphicsFunc([&bare]() { return new FakeGraphics(bare, 900, 500, 1.f, nullptr); });
  bare.SetLayoutFunc([](IGraphicsHandle*) { throw std::runtime_error("bad layout"); });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(bare.GetUI(), nullptr);
  EXPECT_EQ(FakeGraphics::sLive, 0);
}

TEST(EditorSize, ConstrainEditorSize)
{
  TestPlugin plugin(1, 0);
  plugin.SetSizeConstraints(900, 2700, 500, 1500);
  int w = 3000, h = 400;
  EXPECT_FALSE(plugin.ConstrainEditorSize(w, h));
  EXPECT_EQ(w, 2700);
  EXPECT_EQ(h, 500);
  w = 1000, h = 600;
  EXPECT_TRUE(plugin.ConstrainEditorSize(w, h));
  EXPECT_EQ(w, 1000);
  EXPECT_EQ(h, 600);
  w = 900, h = 1500; // the limits themselves are inside
  EXPECT_TRUE(plugin.ConstrainEditorSize(w, h));
  w = 10, h = 1000; // only one side outside: both are clamped, the other unchanged
  EXPECT_FALSE(plugin.ConstrainEditorSize(w, h));
  EXPECT_EQ(w, 900);
  EXPECT_EQ(h, 1000);

  // Limits given in either order are stored smaller first; the defaults before that.
  TestPlugin fresh(1, 0);
  EXPECT_EQ(fresh.GetMinWidth(), 10);
  EXPECT_EQ(fresh.GetMaxWidth(), 100000);
  fresh.SetSizeConstraints(2700, 900, 1500, 500);
  EXPECT_EQ(fresh.GetMinWidth(), 900);
  EXPECT_EQ(fresh.GetMaxHeight(), 1500);
}

TEST_F(EditorFixture, EditorSizeRecord)
{
  // Closed editor: the kept values are saved; 12 bytes.
  IStateChunk chunk;
  ASSERT_TRUE(plugin.SaveEditorSize(chunk));
  EXPECT_EQ(chunk.Size(), 12);

  IStateChunk rec;
  rec.Put(int32_t(1800));
  rec.Put(int32_t(1000));
  rec.Put(2.f);
  EXPECT_EQ(plugin.LoadEditorSize(rec, 0), 12);
  EXPECT_EQ(plugin.GetKeptWidth(), 1800);
  EXPECT_FLOAT_EQ(plugin.GetKeptScale(), 2.f);

  // The editor opens with the loaded record and saves it back.
  plugin.OpenEditorWindow(nullptr);
  EXPECT_EQ(UI()->Width(), 1800);
  IStateChunk saved;
  ASSERT_TRUE(plugin.SaveEditorSize(saved));
  EXPECT_EQ(std::vector<uint8_t>(saved.GetData(), saved.GetData() + 12),
            std::vector<uint8_t>(rec.GetData(), rec.GetData() + 12));

  // While open, a loaded record resizes the editor.
  IStateChunk other;
  other.Put(int32_t(1000));
  other.Put(int32_t(600));
  other.Put(1.5f);
  journal.clear();
  EXPECT_EQ(plugin.LoadEditorSize(other, 0), 12);
  EXPECT_EQ(journal, (std::vector<std::string>{"Resize 1000 600 1.500000 1"}));
  plugin.CloseEditorWindow();

  // An 8-byte record: -1; width and height kept, scale 0.
  IStateChunk shortRec;
  shortRec.Put(int32_t(1200));
  shortRec.Put(int32_t(700));
  EXPECT_EQ(plugin.LoadEditorSize(shortRec, 0), -1);
  EXPECT_EQ(plugin.GetKeptWidth(), 1200);
  EXPECT_EQ(plugin.GetKeptHeight(), 700);
  EXPECT_EQ(plugin.GetKeptScale(), 0.f);
  // With scale 0 the next opening keeps the context's own size.
  journal.clear();
  plugin.OpenEditorWindow(nullptr);
  EXPECT_EQ(journal.front(), "OpenWindow");
  plugin.CloseEditorWindow();

  // Saved data out of bounds: the size is constrained, a scale outside 0.5..4 refused.
  IStateChunk wild;
  wild.Put(int32_t(100000));
  wild.Put(int32_t(-5));
  wild.Put(1e30f);
  EXPECT_EQ(plugin.LoadEditorSize(wild, 0), 12);
  EXPECT_EQ(plugin.GetKeptWidth(), 2700);
  EXPECT_EQ(plugin.GetKeptHeight(), 500);
  EXPECT_EQ(plugin.GetKeptScale(), 0.f);

  EXPECT_EQ(plugin.LoadEditorSize(rec, -1), -1);
  EXPECT_EQ(plugin.LoadEditorSize(rec, 4), -1);
}

TEST_F(EditorFixture, ResizeFromParentDividesByWindowScale)
{
  plugin.OpenEditorWindow(nullptr);
  UI()->mWindowScale = 2.f;
  journal.clear();
  plugin.ResizeFromParent(2001, 1201);
  EXPECT_EQ(journal, (std::vector<std::string>{"Resize 1000 600 1.000000 0"}));

  journal.clear();
  UI()->mWindowScale = 0.f;
  plugin.ResizeFromParent(2000, 1200);
  UI()->mWindowScale = -1.f;
  plugin.ResizeFromParent(2000, 1200);
  EXPECT_TRUE(journal.empty());
  plugin.CloseEditorWindow();
}

TEST_F(EditorFixture, ValuesAndMessagesReachTheEditor)
{
  plugin.mLogging = true;
  // Closed: only the delegate's own notification happens.
  plugin.SendParamValueToUI(3, 0.5, true);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"ui 3 4"}));

  plugin.OpenEditorWindow(nullptr);
  plugin.ClearLog();
  // Parameter 3 is a gain of -24..24 dB, step 0.1: 12 dB is 0.75 normalised; 100 dB clamps.
  plugin.SendParamValueToUI(3, 12.0, false);
  EXPECT_DOUBLE_EQ(UI()->mControls[0].values[0], 0.75);
  EXPECT_DOUBLE_EQ(UI()->mControls[1].values[1], 0.75); // bound as its second value
  EXPECT_DOUBLE_EQ(UI()->mControls[1].values[0], -1.0); // its first value untouched
  plugin.SendParamValueToUI(3, 100.0, false);
  EXPECT_DOUBLE_EQ(UI()->mControls[0].values[0], 1.0);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"ui 3 4", "ui 3 4"}));

  // Control values by tag; unknown tags are ignored.
  plugin.SendControlValueToUI(5, 3.25);
  EXPECT_DOUBLE_EQ(UI()->mControls[2].values[0], 3.25);
  plugin.SendControlValueToUI(99, 1.0);
  plugin.SendControlMsgToUI(7, 42, 3, "abc");
  plugin.SendControlMsgToUI(99, 42, 3, "abc");
  EXPECT_EQ(UI()->mControls[0].msgs, (std::vector<std::string>{"42:abc"}));
  plugin.SendMidiMsgToUI(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(UI()->mControls[2].midiCount, 1);
  EXPECT_EQ(UI()->mControls[0].midiCount, 0);

  // Keys go in at the mouse position.
  journal.clear();
  EXPECT_TRUE(plugin.KeyDownAtMouse(IKeyPress("a", 65)));
  EXPECT_FALSE(plugin.KeyUpAtMouse(IKeyPress("a", 65)));
  EXPECT_EQ(journal, (std::vector<std::string>{"KeyDown 12.500000 40.000000 a", "KeyUp 12.500000 40.000000 a"}));

  plugin.SetEditorScreenScale(2.f);
  EXPECT_FLOAT_EQ(UI()->mScreenScale, 2.f);
  plugin.CloseEditorWindow();
}

TEST(EditorDelegate, OrderOfCallsWhenAParameterChanges)
{
  TestPlugin plugin(4, 0);
  testplug::DefineMixedParams(plugin);
  plugin.mLogging = true;

  // From the editor: stored before the UI hook runs, source 3. Parameter 1 is stepped.
  plugin.mWatchIdx = 1;
  plugin.SetParamValueFromUI(1, 0.52); // -5 + 0.52 * 17 = 3.84, stepped to 4
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"ui 1 3"}));
  ASSERT_EQ(plugin.mWatched.size(), 1u);
  EXPECT_EQ(plugin.mWatched[0], 4.0);
  plugin.SetParamValueFromUI(3, 0.75);
  plugin.SetParamValueFromUI(3, std::nan(""));
  EXPECT_DOUBLE_EQ(plugin.GetParam(3)->Value(), 12.0); // NaN never reaches a parameter
  plugin.SetParamValueFromUI(3, 7.0);
  EXPECT_DOUBLE_EQ(plugin.GetParam(3)->Value(), 24.0); // clamped

  // Notifying all: the change hook, then the UI hook, parameter by parameter.
  plugin.ClearLog();
  plugin.NotifyAllParamsChanged(kHost);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"change 0 1", "ui 0 1", "change 1 1", "ui 1 1", "change 2 1",
                                                   "ui 2 1", "change 3 1", "ui 3 1"}));

}

TEST(EditorDelegate, HeadlessContextKeepsSizeAndScale)
{
  TestPlugin plugin(2, 0);
  plugin.SetSizeConstraints(900, 2700, 500, 1500);
  int arranged = 0;
  plugin.SetMakeGraphicsFunc([&plugin]() { return new IGraphicsHeadless(plugin, 900, 500, 60, 1.f); });
  plugin.SetLayoutFunc([&arranged](IGraphicsHandle*) { ++arranged; });

  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(arranged, 1);
  plugin.GetUI()->Resize(5000, 100, 9.f, true); // constrained and clamped like a real editor
  EXPECT_EQ(plugin.GetUI()->Width(), 2700);
  EXPECT_EQ(plugin.GetUI()->Height(), 500);
  EXPECT_FLOAT_EQ(plugin.GetUI()->GetDrawScale(), 4.f);
  plugin.GetUI()->Resize(1800, 1000, 2.f, true);
  plugin.CloseEditorWindow();

  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(plugin.GetUI()->Width(), 1800);
  EXPECT_EQ(plugin.GetUI()->Height(), 1000);
  EXPECT_FLOAT_EQ(plugin.GetUI()->GetDrawScale(), 2.f);
  EXPECT_FALSE(plugin.KeyDownAtMouse(IKeyPress("x", 88)));
  plugin.CloseEditorWindow();
}
