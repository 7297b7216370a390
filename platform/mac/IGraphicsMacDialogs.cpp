// IGraphicsMac: the message box, file and folder dialogs, the clipboard, opening URLs,
// revealing files in the Finder and dragging files out of the editor.
#include "platform/mac/IGraphicsView.h"

#include <cstdio>

namespace plug {
namespace igraphics {

namespace {

void NotAvailable(const char* what)
{
  std::fprintf(stderr, "IGraphicsMac: %s is not available on this platform layer yet\n", what);
}

} // namespace

int IGraphicsMac::ShowMessageBox(const char* /*str*/, const char* /*caption*/, int /*type*/,
                                 IMsgBoxCompletionHandlerFunc completionHandler)
{
  NotAvailable("the message box");
  if (completionHandler)
    completionHandler(2);
  return 2;
}

void IGraphicsMac::PromptForFile(CharBuf& fileName, CharBuf& /*path*/, int /*action*/, const char* /*ext*/,
                                 IFileDialogCompletionHandlerFunc /*completionHandler*/)
{
  NotAvailable("the file dialog");
  fileName.Set("");
}

void IGraphicsMac::PromptForDirectory(CharBuf& /*dir*/, IFileDialogCompletionHandlerFunc /*completionHandler*/)
{
  NotAvailable("the folder dialog");
}

bool IGraphicsMac::GetTextFromClipboard(CharBuf& str)
{
  NotAvailable("the clipboard");
  str.Set("");
  return false;
}

bool IGraphicsMac::SetTextInClipboard(const char* /*str*/)
{
  NotAvailable("the clipboard");
  return false;
}

bool IGraphicsMac::SetFilePathInClipboard(const char* /*path*/)
{
  NotAvailable("the clipboard");
  return false;
}

bool IGraphicsMac::OpenURL(const char* /*url*/, const char* /*msgWindowTitle*/, const char* /*confirmMsg*/,
                           const char* /*errMsgOnFailure*/)
{
  NotAvailable("opening URLs");
  return false;
}

bool IGraphicsMac::RevealPathInFinder(CharBuf& /*path*/, bool /*select*/)
{
  NotAvailable("revealing files");
  return false;
}

bool IGraphicsMac::InitiateExternalFileDragDrop(const char* /*path*/, const IRECT& /*iconBounds*/)
{
  NotAvailable("dragging files out");
  return false;
}

} // namespace igraphics
} // namespace plug
