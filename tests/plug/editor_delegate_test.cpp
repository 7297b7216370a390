// The editor delegate: opening and closing the editor with the kept size and scale, size
// limits, the editor size record, and how values, messages and keys reach the editor.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "HeadlessGraphics.h"
#include "TestControl.h"
#include "TestPlugin.h"

using namespace plug;
using namespace plug::igraphics;
using testgraphics::HeadlessGraphics;
using testgraphics::TestControl;
using testplug::TestPlugin;

namespace {

// The editor's graphics context for these tests: a headless one that counts the live
// contexts and notes its own deletion in the journal of its window calls.
class CountedGraphics : public HeadlessGraphics
{
public:
  CountedGraphics(IGEditorDelegate& dlg, int w, int h, float scale, std::vector<std::string>* journal)
    : HeadlessGraphics(dlg, w, h, 60, scale), mJournal(journal)
  {
    ++sLive;
  }
  ~CountedGraphics() override
  {
    --sLive;
    if (mJournal)
    {
      mJournal->insert(mJournal->end(), mPlatformLog.begin(), mPlatformLog.end());
      mJournal->push_back("deleted");
    }
  }
  // The journal so far, this context's own calls included.
  std::vector<std::string> Journal() const
  {
    std::vector<std::string> j = *mJournal;
    j.insert(j.end(), mPlatformLog.begin(), mPlatformLog.end());
    return j;
  }

  static int sLive;

private:
  std::vector<std::string>* mJournal;
};

int CountedGraphics::sLive = 0;

// A plug-in whose editor is 900 by 500 with limits 900..2700 by 500..1500 and three controls:
// one tagged 7 bound to parameter 3, one bound to parameters 2 and 3, one tagged 5 that wants
// MIDI. Each journal line of a control starts with its name.
struct EditorFixture : ::testing::Test
{
  EditorFixture() : plugin(8, 1)
  {
    testplug::DefineMixedParams(plugin);
    plugin.SetSizeConstraints(2700, 900, 1500, 500);
    plugin.SetMakeGraphicsFunc([this]() {
      ++built;
      return new CountedGraphics(plugin, 900, 500, 1.f, &journal);
    });
    plugin.SetLayoutFunc([this](IGraphics* g) {
      ++laidOut;
      if (g->NControls() == 0)
      {
        AddControl(g, "first", IRECT(0.f, 0.f, 900.f, 500.f), {3}, 7);
        AddControl(g, "second", IRECT(10.f, 30.f, 50.f, 60.f), {2, 3}, -1);
        AddControl(g, "midi", IRECT(100.f, 30.f, 150.f, 60.f), {-1}, 5)->SetWantsMidi(true);
      }
    });
  }

  TestControl* AddControl(IGraphics* g, const char* name, const IRECT& r, std::initializer_list<int> params, int tag)
  {
    auto* c = new TestControl(r, params);
    c->mName = name;
    c->mJournal = &controlJournal;
    g->AttachControl(c, tag);
    return c;
  }

  CountedGraphics* UI() { return static_cast<CountedGraphics*>(plugin.GetUI()); }
  TestControl* Control(int i) { return static_cast<TestControl*>(UI()->GetControl(i)); }

  TestPlugin plugin;
  std::vector<std::string> journal;
  std::vector<std::string> controlJournal;
  int built = 0;
  int laidOut = 0;
};

} // namespace

TEST_F(EditorFixture, ReopeningKeepsSizeAndScale)
{
  int parent = 0;
  void* view = plugin.OpenEditorWindow(&parent);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view, UI()->GetWindow());
  EXPECT_EQ(built, 1);
  EXPECT_EQ(laidOut, 1);
  EXPECT_EQ(UI()->NControls(), 3);
  // First opening: nothing kept yet, so the context keeps its own size.
  EXPECT_EQ(UI()->mPlatformLog.front(), "open window");

  UI()->Resize(1800, 1000, 2.f, true);
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.GetUI(), nullptr);
  EXPECT_EQ(CountedGraphics::sLive, 0);
  EXPECT_EQ(journal.back(), "deleted");
  EXPECT_EQ(journal[journal.size() - 2], "close window");
  EXPECT_EQ(plugin.GetKeptWidth(), 1800);
  EXPECT_EQ(plugin.GetKeptHeight(), 1000);
  EXPECT_FLOAT_EQ(plugin.GetKeptScale(), 2.f);

  // The new context is resized to the kept size and scale before its window opens.
  plugin.mLogging = true;
  ASSERT_NE(plugin.OpenEditorWindow(&parent), nullptr);
  EXPECT_EQ(built, 2);
  EXPECT_EQ(UI()->mPlatformLog.front(), "platform resize 1");
  EXPECT_EQ(UI()->mPlatformLog[1], "open window");
  EXPECT_EQ(plugin.mLog.front(), "resize 3600 2000 1");
  EXPECT_EQ(UI()->Width(), 1800);
  EXPECT_EQ(UI()->Height(), 1000);
  EXPECT_FLOAT_EQ(UI()->GetDrawScale(), 2.f);

  // Opening an open editor reuses its context.
  plugin.OpenEditorWindow(&parent);
  EXPECT_EQ(built, 2);
  plugin.CloseEditorWindow();
  plugin.CloseEditorWindow(); // closing a closed editor changes nothing
  EXPECT_EQ(plugin.GetKeptWidth(), 1800);
  EXPECT_EQ(CountedGraphics::sLive, 0);
}

TEST_F(EditorFixture, NestedCloseDuringClosingDoesNothing)
{
  plugin.OpenEditorWindow(nullptr);
  plugin.mNestedClose = true;
  plugin.mLogging = true;
  journal.clear();
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.CountLog("closing"), 1);
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "close window"), 1);
  EXPECT_EQ(CountedGraphics::sLive, 0);

  // A closing hook that throws: the context still goes, and the editor opens again.
  plugin.mNestedClose = false;
  plugin.mThrowOnClosing = true;
  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  journal.clear();
  plugin.CloseEditorWindow();
  EXPECT_EQ(plugin.GetUI(), nullptr);
  EXPECT_EQ(CountedGraphics::sLive, 0);
  EXPECT_EQ(journal.back(), "deleted");
  plugin.mThrowOnClosing = false;
  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  plugin.CloseEditorWindow();
  EXPECT_EQ(CountedGraphics::sLive, 0);
}

TEST_F(EditorFixture, NoEditorWithoutGraphics)
{
  TestPlugin bare(4, 0);
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_FALSE(bare.KeyDownAtMouse(IKeyPress("a", 65)));
  bare.SendControlValueToUI(1, 0.5);
  bare.SendControlMsgToUI(1, 2, 0, nullptr);
  bare.SendMidiMsgToUI(IMidiMsg(0, 0x90, 60, 100));
  bare.ResizeFromParent(100, 100);
  bare.CloseEditorWindow();

  // A make-graphics function that returns null or throws opens nothing.
  bare.SetMakeGraphicsFunc([]() -> IGraphics* { return nullptr; });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  bare.SetMakeGraphicsFunc([]() -> IGraphics* { throw std::runtime_error("no GPU"); });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(bare.GetUI(), nullptr);

  // A layout that throws while the window opens leaves the editor closed, nothing leaked.
  bare.SetMakeGraphicsFunc([&bare]() { return new CountedGraphics(bare, 900, 500, 1.f, nullptr); });
  bare.SetLayoutFunc([](IGraphics*) { throw std::runtime_error("bad layout"); });
  EXPECT_EQ(bare.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(bare.GetUI(), nullptr);
  EXPECT_EQ(CountedGraphics::sLive, 0);
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
  EXPECT_EQ(plugin.LoadEditorSize(other, 0), 12);
  EXPECT_EQ(UI()->Width(), 1000);
  EXPECT_EQ(UI()->Height(), 600);
  EXPECT_FLOAT_EQ(UI()->GetDrawScale(), 1.5f);
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
  plugin.OpenEditorWindow(nullptr);
  EXPECT_EQ(UI()->Width(), 900);
  EXPECT_EQ(UI()->mPlatformLog.front(), "open window");
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
  UI()->SetPlatformWindowScale(2.f);
  plugin.mLogging = true;
  plugin.ResizeFromParent(2001, 1201);
  EXPECT_EQ(UI()->Width(), 1000);
  EXPECT_EQ(UI()->Height(), 600);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"resize 2000 1200 0"})); // in host window units

  plugin.ClearLog();
  UI()->SetPlatformWindowScale(0.f);
  plugin.ResizeFromParent(2000, 1200);
  UI()->SetPlatformWindowScale(-1.f);
  plugin.ResizeFromParent(2000, 1200);
  EXPECT_TRUE(plugin.mLog.empty());
  plugin.CloseEditorWindow();
}

TEST_F(EditorFixture, ValuesMessagesMidiAndKeysReachTheControls)
{
  plugin.mLogging = true;
  // Closed: only the delegate's own notification happens.
  plugin.SendParamValueToUI(3, 0.5, true);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"ui 3 4"}));

  plugin.OpenEditorWindow(nullptr);
  // Opening sent every parameter: parameter 3 (a gain of -24..24 dB) is at 0 dB.
  EXPECT_DOUBLE_EQ(Control(0)->GetValue(0), 0.5);
  plugin.ClearLog();
  // 12 dB is 0.75 normalised, to both controls bound to parameter 3; 100 dB clamps.
  plugin.SendParamValueToUI(3, 12.0, false);
  EXPECT_DOUBLE_EQ(Control(0)->GetValue(0), 0.75);
  EXPECT_DOUBLE_EQ(Control(1)->GetValue(1), 0.75); // bound as its second value
  EXPECT_NE(Control(1)->GetValue(0), 0.75);        // its first value untouched
  plugin.SendParamValueToUI(3, 100.0, false);
  EXPECT_DOUBLE_EQ(Control(0)->GetValue(0), 1.0);
  EXPECT_EQ(plugin.mLog, (std::vector<std::string>{"ui 3 4", "ui 3 4"}));

  // Control values by tag, as given (a level need not be normalised); unknown tags ignored.
  plugin.SendControlValueToUI(5, 3.25);
  EXPECT_EQ(Control(2)->mDelegateValues.back(), std::make_pair(0, 3.25));
  plugin.SendControlValueToUI(99, 1.0);
  plugin.SendControlMsgToUI(7, 42, 3, "abc");
  plugin.SendControlMsgToUI(99, 42, 3, "abc");
  plugin.SendMidiMsgToUI(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(controlJournal, (std::vector<std::string>{"first msg 42 abc", "midi midi 144 60 100"}));

  // Keys go in at the mouse position, to the control under it.
  controlJournal.clear();
  UI()->SetMouseLocation(20.f, 40.f);
  Control(1)->mTakesKeys = true;
  EXPECT_TRUE(plugin.KeyDownAtMouse(IKeyPress("a", 65)));
  UI()->SetMouseLocation(500.f, 400.f); // over the background only: nobody takes it
  EXPECT_FALSE(plugin.KeyUpAtMouse(IKeyPress("a", 65)));
  EXPECT_EQ(controlJournal, (std::vector<std::string>{"second keydown 20 40 65"}));

  plugin.SetEditorScreenScale(2.f);
  EXPECT_FLOAT_EQ(UI()->GetScreenScale(), 2.f);
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

TEST(EditorDelegate, ContextKeepsSizeAndScaleLikeARealEditor)
{
  TestPlugin plugin(2, 0);
  plugin.SetSizeConstraints(900, 2700, 500, 1500);
  int arranged = 0;
  plugin.SetMakeGraphicsFunc([&plugin]() { return new HeadlessGraphics(plugin, 900, 500); });
  plugin.SetLayoutFunc([&arranged](IGraphics*) { ++arranged; });

  ASSERT_NE(plugin.OpenEditorWindow(nullptr), nullptr);
  EXPECT_EQ(arranged, 1);
  plugin.GetUI()->Resize(5000, 100, 9.f, true); // constrained and clamped
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
