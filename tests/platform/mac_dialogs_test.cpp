// The editor's message boxes, file and folder dialogs, clipboard, links, Finder operations and
// file drags out, through IGraphicsMac in a stand-in host window, answered as a user would.
#include "MacEditorFixture.h"

#include "tests/support/FontFiles.h"
#include "tests/support/TempDir.h"

#include <string>
#include <vector>

using namespace mactest;
using namespace standin::appkit;
using plug::CharBuf;

namespace {

std::vector<std::string> Strings(const NSArray* array)
{
  std::vector<std::string> texts;
  for (size_t i = 0; array && i < array->count(); ++i)
    texts.push_back(standin::TextOf(array->objectAtIndex(i)));
  return texts;
}

class MacDialogs : public MacEditorTest
{
};

TEST_F(MacDialogs, MessageBoxesAnswerByTypeAfterTheMouseIsReleased)
{
  Open();
  struct Case
  {
    int type, button, result;
    std::vector<std::string> titles;
  };
  const Case cases[] = {
    {kMessageBoxOK, 0, kMessageBoxResultOK, {"OK"}},
    {kMessageBoxOKCancel, 0, kMessageBoxResultOK, {"OK", "Cancel"}},
    {kMessageBoxOKCancel, 1, kMessageBoxResultCancel, {"OK", "Cancel"}},
    {2, 0, kMessageBoxResultCancel, {"OK"}}, // no such type: the default button, cancel
    {kMessageBoxYesNoCancel, 0, kMessageBoxResultYes, {"Yes", "No", "Cancel"}},
    {kMessageBoxYesNoCancel, 1, kMessageBoxResultNo, {"Yes", "No", "Cancel"}},
    {kMessageBoxYesNoCancel, 2, kMessageBoxResultCancel, {"Yes", "No", "Cancel"}},
    {kMessageBoxYesNo, 0, kMessageBoxResultYes, {"Yes", "No"}},
    {kMessageBoxYesNo, 1, kMessageBoxResultNo, {"Yes", "No"}},
    {kMessageBoxRetryCancel, 0, kMessageBoxResultRetry, {"Retry", "Cancel"}},
    {kMessageBoxRetryCancel, 1, kMessageBoxResultCancel, {"Retry", "Cancel"}},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE("type " + std::to_string(c.type) + " button " + std::to_string(c.button));
    // A control holds the mouse when the box comes up.
    PostMouse(mWindow, NSEventTypeLeftMouseDown, InWindow(20, 20));
    ASSERT_TRUE(mGraphics->IsControlCaptured(mInt));
    std::vector<std::string> titles;
    std::string message, informative;
    bool captured = true;
    SetAlertResponder([&](const AlertRequest& r) {
      titles = r.alert->ButtonTitles();
      message = r.alert->messageText()->Text();
      informative = r.alert->informativeText()->Text();
      captured = mGraphics->IsControlCaptured(mInt);
      return NSAlertFirstButtonReturn + c.button;
    });
    int completed = -1;
    EXPECT_EQ(AsHandler([&] {
                return mGraphics->ShowMessageBox("Overwrite the preset?", "Vellicor", c.type, [&](int r) { completed = r; });
              }),
              c.result);
    EXPECT_EQ(completed, c.result);
    EXPECT_EQ(titles, c.titles);
    EXPECT_EQ(message, "Vellicor");
    EXPECT_EQ(informative, "Overwrite the preset?");
    EXPECT_FALSE(captured);
    EXPECT_EQ(mDelegate.OpenGestures(kIntParam), 0);
  }
  // Null texts are empty; no completion function is fine.
  SetAlertResponder([](const AlertRequest& r) {
    EXPECT_EQ(r.alert->messageText()->Text(), "");
    EXPECT_EQ(r.alert->informativeText()->Text(), "");
    return NSAlertSecondButtonReturn;
  });
  EXPECT_EQ(AsHandler([&] { return mGraphics->ShowMessageBox(nullptr, nullptr, kMessageBoxYesNo); }), kMessageBoxResultNo);
  EXPECT_EQ(AlertCount(), 12);
}

TEST_F(MacDialogs, FileDialogsRunModallyIntoTheCallersStringsOrAsSheetsIntoTheCompletion)
{
  testsupport::TempDir dir;
  for (const char* name : {"a.json", "b.txt", "c.wav"})
    testsupport::WriteBytes(dir.File(name), {'x'});
  const std::string folder = dir.Path() + "/";

  // Without a view there is no dialog.
  {
    IGraphicsMac closed(mDelegate, 100, 100);
    CharBuf name("x.json"), path(folder.c_str());
    closed.PromptForFile(name, path, kFileActionSave, "json");
    EXPECT_STREQ(name.Get(), "");
    EXPECT_EQ(PanelCount(), 0);
  }
  Open();

  // Save, modal: the panel starts in the folder with the name, restricted to the two types.
  CharBuf name("old.json"), path(folder.c_str());
  SetPanelResponder([&](const PanelRequest& r) {
    NSSavePanel* panel = r.panel;
    EXPECT_FALSE(panel->IsOpenPanel());
    EXPECT_FALSE(panel->IsSheet());
    EXPECT_EQ(panel->AllowedTypes(), (std::vector<std::string>{"json", "txt"}));
    EXPECT_FALSE(panel->allowsOtherFileTypes());
    EXPECT_TRUE(panel->isFloatingPanel());
    EXPECT_EQ(panel->nameFieldStringValue()->Text(), "old.json");
    EXPECT_EQ(panel->directoryURL()->path()->Text(), dir.Path());
    EXPECT_STREQ(name.Get(), ""); // emptied before the panel shows
    return PanelAnswer{NSModalResponseOK, dir.File("new.json")};
  });
  AsHandler([&] { mGraphics->PromptForFile(name, path, kFileActionSave, "json txt"); });
  EXPECT_EQ(std::string(name.Get()), dir.File("new.json"));
  EXPECT_EQ(std::string(path.Get()), folder);

  // Open, any type, cancelled: the name stays empty and the folder keeps its text.
  path.Set("/elsewhere/");
  SetPanelResponder([&](const PanelRequest& r) {
    EXPECT_TRUE(r.panel->IsOpenPanel());
    EXPECT_TRUE(r.panel->AllowedTypes().empty());
    auto* open = dynamic_cast<NSOpenPanel*>(r.panel);
    EXPECT_TRUE(open && open->canChooseFiles() && !open->canChooseDirectories() && open->resolvesAliases());
    return PanelAnswer{};
  });
  AsHandler([&] { mGraphics->PromptForFile(name, path, kFileActionOpen, ""); });
  EXPECT_STREQ(name.Get(), "");
  EXPECT_STREQ(path.Get(), "/elsewhere/");

  // Open with a completion function: a sheet on the editor's window; the choice goes only to
  // the function, when the sheet ends.
  SetPanelResponder(nullptr);
  AnswerNextPanel(dir.File("c.wav"));
  name.Set("start.wav");
  std::vector<std::string> chosen;
  const auto collect = [&](const CharBuf& file, const CharBuf& folderChosen) {
    chosen = {file.Get(), folderChosen.Get()};
  };
  AsHandler([&] { mGraphics->PromptForFile(name, path, kFileActionOpen, "wav", collect); });
  EXPECT_STREQ(name.Get(), "");
  EXPECT_TRUE(chosen.empty());
  RunMainQueue();
  EXPECT_EQ(chosen, (std::vector<std::string>{dir.File("c.wav"), folder}));
  EXPECT_STREQ(path.Get(), "/elsewhere/");

  // Folders: "~/Desktop" when none is given; cancelled, the folder is empty.
  CharBuf chosenFolder("");
  SetPanelResponder([&](const PanelRequest& r) {
    auto* open = dynamic_cast<NSOpenPanel*>(r.panel);
    EXPECT_TRUE(open && !open->canChooseFiles() && open->canChooseDirectories() && open->canCreateDirectories());
    EXPECT_EQ(r.panel->title()->Text(), "Choose a Directory");
    EXPECT_STREQ(chosenFolder.Get(), "~/Desktop");
    return PanelAnswer{};
  });
  AsHandler([&] { mGraphics->PromptForDirectory(chosenFolder); });
  EXPECT_STREQ(chosenFolder.Get(), "");
  SetPanelResponder(nullptr);
  AnswerNextPanel(dir.Path());
  AsHandler([&] { mGraphics->PromptForDirectory(chosenFolder); });
  EXPECT_EQ(std::string(chosenFolder.Get()), folder);
  AnswerNextPanel(dir.Path());
  chosen.clear();
  AsHandler([&] { mGraphics->PromptForDirectory(chosenFolder, collect); });
  RunMainQueue();
  EXPECT_EQ(chosen, (std::vector<std::string>{"", folder}));
  EXPECT_EQ(PanelCount(), 6);
}

// In builds with assertions, an alert, a modal panel or a native menu whose loop starts outside
// every call that entered the editor is reported, named by where it starts; inside one it is not.
TEST_F(MacDialogs, ANestedLoopStartedOutsideTheWayInIsReported)
{
#ifdef NDEBUG
  GTEST_SKIP() << "the check is made in builds with assertions";
#else
  static std::vector<std::string> reported;
  reported.clear();
  IGraphics::SetNestedLoopCheckHandler([](const char* where) { reported.push_back(where); });
  Open();
  IPopupMenu menu("", {"one"});
  CharBuf name(""), path("/tmp/"), folder("/tmp");
  const auto loops = [&] {
    mGraphics->ShowMessageBox("text", "caption", kMessageBoxOK);
    mGraphics->PromptForFile(name, path, kFileActionOpen, "");
    mGraphics->PromptForDirectory(folder);
    View()->createPopupMenu(menu, NSMakeRect(0, 0, 10, 10));
  };
  AsHandler(loops);
  EXPECT_TRUE(reported.empty());
  loops();
  IGraphics::SetNestedLoopCheckHandler(nullptr);
  EXPECT_EQ(reported, (std::vector<std::string>{"runModal in ShowMessageBox", "runModal in PromptForFile",
                                                "runModal in PromptForDirectory", "popUpMenuPositioningItem"}));
#endif
}

TEST_F(MacDialogs, WithoutAHostWindowDialogsRunModallyAndStillComplete)
{
  Open(false);
  ASSERT_EQ(View()->window(), nullptr);
  AnswerNextPanel("/tmp");
  std::vector<std::string> chosen;
  CharBuf folder("/");
  AsHandler([&] {
    mGraphics->PromptForDirectory(folder, [&](const CharBuf& file, const CharBuf& path) {
      chosen = {file.Get(), path.Get()};
    });
  });
  EXPECT_EQ(chosen, (std::vector<std::string>{"", "/tmp/"}));
  EXPECT_EQ(standin::RunLoop::Main().PendingBlockCount(), 0u);
}

// A control that drags a file out of the editor when pressed.
class DragSource : public TestControl
{
public:
  DragSource(const IRECT& bounds, std::string path) : TestControl(bounds), mPath(std::move(path)) {}
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    TestControl::OnMouseDown(x, y, mod);
    mStarted = GetUI()->InitiateExternalFileDragDrop(mPath.c_str(), IRECT(5.3f, 6.f, 25.f, 26.f));
  }
  std::string mPath;
  bool mStarted = false;
};

TEST_F(MacDialogs, ClipboardLinksFinderAndFileDragsGoThroughTheSystem)
{
  testsupport::TempDir dir;
  const std::string file = dir.File("Lead Vocal.json");
  const std::string fileURL = "file://" + dir.File("Lead%20Vocal.json"); // file URLs are percent-encoded
  testsupport::WriteBytes(file, {'{', '}'});
  mScale = 2.f;
  Open();

  // The clipboard: nothing there, a round trip, a file.
  CharBuf text("stale");
  EXPECT_FALSE(mGraphics->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "");
  EXPECT_TRUE(mGraphics->SetTextInClipboard("-3.5 dB \xC3\xA9"));
  EXPECT_TRUE(mGraphics->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "-3.5 dB \xC3\xA9");
  EXPECT_TRUE(mGraphics->SetFilePathInClipboard(file.c_str()));
  EXPECT_FALSE(mGraphics->GetTextFromClipboard(text));
  EXPECT_EQ(Strings(dynamic_cast<NSArray*>(NSPasteboard::generalPasteboard()->propertyListForType(NSFilenamesPboardType))),
            std::vector<std::string>{file});

  // Links: "http" anywhere makes a URL, anything else a file URL; no URL, no request.
  EXPECT_TRUE(mGraphics->OpenURL("https://example.com/manual"));
  EXPECT_TRUE(mGraphics->OpenURL(file.c_str()));
  EXPECT_FALSE(mGraphics->OpenURL(dir.File("missing.pdf").c_str()));
  EXPECT_FALSE(mGraphics->OpenURL("see http://example.com/a manual"));
  EXPECT_FALSE(mGraphics->OpenURL(nullptr));

  // The Finder: nothing for a missing file; the folder opened, then the file selected in it.
  CharBuf missing(dir.File("gone.json").c_str()), empty(""), present(file.c_str());
  EXPECT_FALSE(mGraphics->RevealPathInFinder(missing, true));
  EXPECT_FALSE(mGraphics->RevealPathInFinder(empty));
  EXPECT_TRUE(mGraphics->RevealPathInFinder(present, true));
  EXPECT_TRUE(mGraphics->RevealPathInFinder(present, false));

  std::vector<std::string> requests;
  for (const WorkspaceRequest& r : WorkspaceRequests())
    requests.push_back(r.kind + " " + r.target + (r.root.empty() ? "" : " in " + r.root) + (r.answer ? "" : " (no)"));
  const std::vector<std::string> expected = {
    "openURL https://example.com/manual", "openURL " + fileURL,
    "openURL file://" + dir.File("missing.pdf") + " (no)", "openFile " + dir.Path(),
    "selectFile " + file + " in " + dir.Path(), "openFile " + file};
  EXPECT_EQ(requests, expected);

  // A file dragged out: only from a mouse event, with the file's URL, its icon at 64 points
  // over the icon bounds, copied; the editor lets go of the mouse.
  EXPECT_FALSE(mGraphics->InitiateExternalFileDragDrop(file.c_str(), IRECT(0, 0, 10, 10)));
  auto* source = new DragSource(IRECT(150, 150, 200, 190), file);
  mGraphics->AttachControl(source);
  auto* emptySource = new DragSource(IRECT(200, 150, 250, 190), "");
  mGraphics->AttachControl(emptySource);
  PostMouse(mWindow, NSEventTypeLeftMouseDown, InWindow(220, 160));
  EXPECT_FALSE(emptySource->mStarted);
  EXPECT_EQ(CurrentDraggingSession(), nullptr);
  PostMouse(mWindow, NSEventTypeLeftMouseUp, InWindow(220, 160));

  PostMouse(mWindow, NSEventTypeLeftMouseDown, InWindow(160, 160));
  EXPECT_TRUE(source->mStarted);
  EXPECT_FALSE(mGraphics->IsControlCaptured(source));
  NSDraggingSession* session = CurrentDraggingSession();
  ASSERT_NE(session, nullptr);
  ASSERT_EQ(session->Items().size(), 1u);
  const NSDraggingItem* item = session->Items()[0];
  {
    NSAutoreleasePool pool;
    EXPECT_EQ(item->item()->stringForType(NSPasteboardTypeFileURL)->Text(), fileURL);
  }
  EXPECT_TRUE(NSEqualRects(item->draggingFrame(), NSMakeRect(10, 12, 40, 40)));
  ASSERT_NE(item->Contents(), nullptr);
  EXPECT_TRUE(NSEqualSizes(item->Contents()->size(), NSMakeSize(64, 64)));
  EXPECT_EQ(session->draggingFormation(), NSDraggingFormationNone);
  EXPECT_TRUE(session->animatesToStartingPositionsOnCancelOrFail());
  EXPECT_EQ(session->SourceOperationMask(), NSDragOperationCopy);
  PostMouse(mWindow, NSEventTypeLeftMouseUp, InWindow(160, 160));
  EXPECT_EQ(CurrentDraggingSession(), nullptr);
}

} // namespace
