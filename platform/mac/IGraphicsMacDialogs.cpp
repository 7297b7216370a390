// IGraphicsMac: the message box, file and folder dialogs, the clipboard, opening URLs,
// revealing files in the Finder and dragging files out of the editor.
#include "graphics/EditorEntry.h"
#include "platform/mac/IGraphicsView.h"
#include "platform/mac/MacStrings.h"

#include <cstring>
#include <memory>

namespace plug {
namespace igraphics {

namespace {

NSString* Str(const char* text) { return StringOrEmpty(text); }

// Buttons and results of the message box types (the Windows numbering).
struct MessageBoxLayout
{
  int type;
  const char* buttons[3];
  int results[3]; // of each button
  int otherwise;  // of any other answer
};

constexpr MessageBoxLayout kMessageBoxLayouts[] = {
  {kMessageBoxOK, {"OK"}, {kMessageBoxResultOK}, kMessageBoxResultOK},
  {kMessageBoxOKCancel, {"OK", "Cancel"}, {kMessageBoxResultOK}, kMessageBoxResultCancel},
  {kMessageBoxYesNoCancel, {"Yes", "No", "Cancel"}, {kMessageBoxResultYes, kMessageBoxResultNo}, kMessageBoxResultCancel},
  {kMessageBoxYesNo, {"Yes", "No"}, {kMessageBoxResultYes}, kMessageBoxResultNo},
  {kMessageBoxRetryCancel, {"Retry", "Cancel"}, {kMessageBoxResultRetry}, kMessageBoxResultCancel},
};

const MessageBoxLayout* FindMessageBoxLayout(int type)
{
  for (const MessageBoxLayout& layout : kMessageBoxLayouts)
    if (layout.type == type)
      return &layout;
  return nullptr;
}

// A panel's answer, for response OK: the file name becomes the chosen file's full path and the
// folder its parent followed by "/". Any other response leaves both as they are.
void StoreChosenFile(NSSavePanel* panel, NSModalResponse response, CharBuf& fileName, CharBuf& path)
{
  if (response != NSModalResponseOK)
    return;
  const NSString* chosen = panel->filename();
  if (!chosen)
    return;
  fileName.Set(chosen->UTF8String());
  if (const NSString* parent = chosen->stringByDeletingLastPathComponent())
  {
    path.Set(parent->UTF8String());
    path.Append("/");
  }
}

// A folder panel's answer: the chosen folder followed by "/", or "" when cancelled; then the
// completion function, when given, with an empty file name and the folder.
void StoreChosenDirectory(NSSavePanel* panel, NSModalResponse response, CharBuf& path,
                          const IFileDialogCompletionHandlerFunc& completionHandler)
{
  const NSString* chosen = response == NSModalResponseOK ? panel->filename() : nullptr;
  if (chosen)
  {
    path.Set(chosen->UTF8String());
    path.Append("/");
  }
  else
    path.Set("");
  if (completionHandler)
    completionHandler(CharBuf(""), path);
}

void FileChosenHandler(NSSavePanel* panel, NSModalResponse response, const IFileDialogCompletionHandlerFunc& completionHandler)
{
  CharBuf fileName(""), path("");
  StoreChosenFile(panel, response, fileName, path);
  completionHandler(fileName, path);
}

void DirectoryChosenHandler(NSSavePanel* panel, NSModalResponse response,
                            const IFileDialogCompletionHandlerFunc& completionHandler)
{
  CharBuf path("");
  StoreChosenDirectory(panel, response, path, completionHandler);
}

// Runs the panel: as a sheet on the window with the handler called when it ends (the call
// returns at once), or, without a window, modally with the handler called before returning.
// The editor may close while the panel is up (the modal run is a loop of the main thread, the
// sheet ends on a later turn): the handler, which reaches the editor, enters it by its handle
// and is then not called.
void RunPanelWithHandler(NSSavePanel* panel, NSWindow* window, IGraphicsMac& graphics,
                         void (*handler)(NSSavePanel*, NSModalResponse, const IFileDialogCompletionHandlerFunc&),
                         const IFileDialogCompletionHandlerFunc& completionHandler)
{
  const EditorHandle<IGraphicsMac> editor(graphics);
  if (!window)
  {
    graphics.CheckNestedLoopInDispatch("runModal of a panel");
    const NSModalResponse response = panel->runModal();
    EditorEntry::Enter(editor, [&](IGraphicsMac&) { handler(panel, response, completionHandler); });
    return;
  }
  panel->beginSheetModalForWindow(window, [panel, editor, handler, completionHandler](NSModalResponse response) {
    EditorEntry::Enter(editor, [&](IGraphicsMac&) { handler(panel, response, completionHandler); });
  });
}

} // namespace

int IGraphicsMac::ShowMessageBox(const char* str, const char* caption, int type,
                                 IMsgBoxCompletionHandlerFunc completionHandler)
{
  // No control keeps the mouse while the box is up.
  ReleaseMouseCapture();

  NSAutoreleasePool pool;
  NSAlert* alert = new NSAlert();
  alert->setMessageText(Str(caption));
  alert->setInformativeText(Str(str));
  const MessageBoxLayout* layout = FindMessageBoxLayout(type);
  for (int i = 0; layout && i < 3 && layout->buttons[i]; ++i)
    alert->addButtonWithTitle(Str(layout->buttons[i]));
  // The alert's modal loop may close the editor: the completion, which reaches the editor,
  // enters it by its handle and is then not called.
  const EditorHandle<IGraphicsMac> editor(*this);
  CheckNestedLoopInDispatch("runModal in ShowMessageBox");
  const NSModalResponse button = alert->runModal() - NSAlertFirstButtonReturn;
  alert->release();
  int result = kMessageBoxResultCancel;
  if (layout)
    result = (button >= 0 && button < 3 && layout->results[button]) ? layout->results[button] : layout->otherwise;

  if (completionHandler)
    EditorEntry::Enter(editor, [&](IGraphicsMac&) { completionHandler(result); });
  return result;
}

void IGraphicsMac::PromptForFile(CharBuf& fileName, CharBuf& path, int action, const char* ext,
                                 IFileDialogCompletionHandlerFunc completionHandler)
{
  if (!mView)
  {
    fileName.Set("");
    return;
  }

  NSAutoreleasePool pool;
  NSString* startName = Str(fileName.Get());
  NSString* startFolder = Str(path.Get());
  fileName.Set("");

  NSArray* fileTypes = (ext && *ext) ? Str(ext)->componentsSeparatedByString(Str(" ")) : nullptr;

  NSSavePanel* panel = nullptr;
  if (action == kFileActionSave)
  {
    panel = NSSavePanel::savePanel();
    panel->setAllowedFileTypes(fileTypes);
    panel->setDirectoryURL(NSURL::fileURLWithPath(startFolder));
    panel->setNameFieldStringValue(startName);
    panel->setAllowsOtherFileTypes(false);
  }
  else
  {
    NSOpenPanel* openPanel = NSOpenPanel::openPanel();
    openPanel->setAllowedFileTypes(fileTypes);
    openPanel->setDirectoryURL(NSURL::fileURLWithPath(startFolder));
    openPanel->setCanChooseFiles(true);
    openPanel->setCanChooseDirectories(false);
    openPanel->setResolvesAliases(true);
    panel = openPanel;
  }
  panel->setFloatingPanel(true);

  if (completionHandler)
    RunPanelWithHandler(panel, mView->window(), *this, &FileChosenHandler, completionHandler);
  else
  {
    CheckNestedLoopInDispatch("runModal in PromptForFile");
    StoreChosenFile(panel, panel->runModal(), fileName, path);
  }
}

void IGraphicsMac::PromptForDirectory(CharBuf& dir, IFileDialogCompletionHandlerFunc completionHandler)
{
  NSAutoreleasePool pool;
  if (!dir.GetLength())
    dir.Set("~/Desktop");
  NSString* startFolder = Str(dir.Get());

  NSOpenPanel* panel = NSOpenPanel::openPanel();
  panel->setTitle(Str("Choose a Directory"));
  panel->setCanChooseFiles(false);
  panel->setCanChooseDirectories(true);
  panel->setResolvesAliases(true);
  panel->setCanCreateDirectories(true);
  panel->setFloatingPanel(true);
  panel->setDirectoryURL(NSURL::fileURLWithPath(startFolder));

  if (completionHandler)
    RunPanelWithHandler(panel, mView ? mView->window() : nullptr, *this, &DirectoryChosenHandler, completionHandler);
  else
  {
    CheckNestedLoopInDispatch("runModal in PromptForDirectory");
    StoreChosenDirectory(panel, panel->runModal(), dir, nullptr);
  }
}

bool IGraphicsMac::GetTextFromClipboard(CharBuf& str)
{
  NSAutoreleasePool pool;
  const NSString* text = NSPasteboard::generalPasteboard()->stringForType(NSStringPboardType);
  str.Set(text ? text->UTF8String() : "");
  return text != nullptr;
}

bool IGraphicsMac::SetTextInClipboard(const char* str)
{
  NSAutoreleasePool pool;
  NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
  pasteboard->clearContents();
  return pasteboard->setString(StringOrNil(str), NSStringPboardType);
}

bool IGraphicsMac::SetFilePathInClipboard(const char* path)
{
  NSAutoreleasePool pool;
  NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
  pasteboard->clearContents();
  NSURL* url = NSURL::fileURLWithPath(StringOrNil(path));
  if (!url)
    return false;
  return pasteboard->writeObjects(Autoreleased(new NSArray({url})));
}

bool IGraphicsMac::OpenURL(const char* url, const char* /*msgWindowTitle*/, const char* /*confirmMsg*/,
                           const char* /*errMsgOnFailure*/)
{
  NSAutoreleasePool pool;
  NSString* text = StringOrNil(url);
  if (!text)
    return false;
  NSURL* target = std::strstr(url, "http") ? NSURL::URLWithString(text) : NSURL::fileURLWithPath(text);
  if (!target)
    return false;
  return NSWorkspace::sharedWorkspace()->openURL(target);
}

bool IGraphicsMac::RevealPathInFinder(CharBuf& path, bool select)
{
  NSAutoreleasePool pool;
  if (!path.GetLength())
    return false;
  NSString* file = Str(path.Get());
  if (!NSFileManager::defaultManager()->fileExistsAtPath(file))
    return false;
  NSWorkspace* workspace = NSWorkspace::sharedWorkspace();
  if (!select)
    return workspace->openFile(file);
  NSString* parent = file->stringByDeletingLastPathComponent();
  if (!workspace->openFile(parent))
    return false;
  return workspace->selectFile(file, parent);
}

bool IGraphicsMac::InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds)
{
  NSAutoreleasePool pool;
  // A drag needs the mouse event that starts it, a view in a window and a file.
  NSEvent* event = NSApplication::sharedApplication()->currentEvent();
  if (!event || !path || !*path || !mView || !mView->window())
    return false;

  NSURL* fileURL = NSURL::fileURLWithPath(StringOrNil(path));
  if (!fileURL)
    return false;
  NSPasteboardItem* pasteboardItem = Autoreleased(new NSPasteboardItem());
  pasteboardItem->setString(fileURL->absoluteString(), NSPasteboardTypeFileURL);

  NSDraggingItem* draggingItem = Autoreleased(new NSDraggingItem(pasteboardItem));
  NSImage* icon = NSWorkspace::sharedWorkspace()->iconForFile(fileURL->path());
  icon->setSize(NSMakeSize(64, 64));
  draggingItem->setDraggingFrame(ToViewRect(iconBounds, GetDrawScale()), icon);

  NSDraggingSession* session =
    mView->beginDraggingSessionWithItems(Autoreleased(new NSArray({draggingItem})), event, mView);
  if (!session)
    return false;
  session->setAnimatesToStartingPositionsOnCancelOrFail(true);
  session->setDraggingFormation(NSDraggingFormationNone);

  // The drag now belongs to the system.
  ReleaseMouseCapture();
  return true;
}

} // namespace igraphics
} // namespace plug
