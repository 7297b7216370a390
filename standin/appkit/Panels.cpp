#include "standin/appkit/Internal.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSPanel, NSResponder)
STANDIN_DEFINE_CLASS(NSColorPanel, NSPanel)
STANDIN_DEFINE_CLASS(NSButton, NSControl)
STANDIN_DEFINE_CLASS(NSAlert, NSObject)
STANDIN_DEFINE_CLASS(NSSavePanel, NSPanel)
STANDIN_DEFINE_CLASS(NSOpenPanel, NSSavePanel)

// -- NSPanel --

NSPanel::NSPanel(RuntimeClass& cls) : NSResponder(cls) {}

NSPanel::~NSPanel() = default;

NSString* NSPanel::title() const { STANDIN_MAIN_THREAD_ONLY(); return Str(mTitle); }

void NSPanel::setTitle(const NSString* title) { STANDIN_MAIN_THREAD_ONLY(); mTitle = Text(title); }

void NSPanel::orderFront(NSObject*) { STANDIN_MAIN_THREAD_ONLY(); mVisible = true; }

void NSPanel::close() { STANDIN_MAIN_THREAD_ONLY(); mVisible = false; }

// -- NSColorPanel --

namespace {

NSColorPanel*& SharedColorPanel()
{
  static NSColorPanel* sPanel = nullptr;
  return sPanel;
}

} // namespace

NSColorPanel::NSColorPanel() : NSPanel(Class()) { MakeImmortal(); }

NSColorPanel* NSColorPanel::sharedColorPanel()
{
  STANDIN_MAIN_THREAD_ONLY();
  NSColorPanel*& panel = SharedColorPanel();
  if (!panel)
    panel = new NSColorPanel();
  return panel;
}

bool NSColorPanel::sharedColorPanelExists() { STANDIN_MAIN_THREAD_ONLY(); return SharedColorPanel() != nullptr; }

NSColor* NSColorPanel::color() const { STANDIN_MAIN_THREAD_ONLY(); return NSColor::colorWithDeviceRed(mColor[0], mColor[1], mColor[2], mColor[3]); }

void NSColorPanel::setColor(const NSColor* color)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!color)
    return;
  mColor[0] = color->redComponent();
  mColor[1] = color->greenComponent();
  mColor[2] = color->blueComponent();
  mColor[3] = color->alphaComponent();
}

// -- alerts --

NSButton::NSButton(const NSString* title, RuntimeClass& cls) : NSControl(NSZeroRect, cls), mTitle(new NSString(Text(title))) {}

NSButton::~NSButton() { mTitle->release(); }

NSAlert::NSAlert(RuntimeClass& cls) : NSObject(cls), mMessage(new NSString()), mInformative(new NSString()) {}

NSAlert::~NSAlert()
{
  mMessage->release();
  mInformative->release();
  for (NSButton* button : mButtons)
    button->release();
}

void NSAlert::setMessageText(const NSString* text) { STANDIN_MAIN_THREAD_ONLY(); SetText(mMessage, text); }

void NSAlert::setInformativeText(const NSString* text) { STANDIN_MAIN_THREAD_ONLY(); SetText(mInformative, text); }

NSButton* NSAlert::addButtonWithTitle(const NSString* title)
{
  STANDIN_MAIN_THREAD_ONLY();
  auto* button = new NSButton(title);
  button->setTag(NSAlertFirstButtonReturn + static_cast<NSInteger>(mButtons.size()));
  mButtons.push_back(button);
  return button;
}

std::vector<std::string> NSAlert::ButtonTitles() const
{
  std::vector<std::string> titles;
  for (const NSButton* button : mButtons)
    titles.push_back(button->title()->Text());
  if (titles.empty())
    titles.push_back("OK");
  return titles;
}

NSModalResponse NSAlert::runModal()
{
  STANDIN_MAIN_THREAD_ONLY();
  State& state = TheState();
  ++state.alerts;
  ForgetMouseButtons();
  retain();
  // The alert runs a modal loop until the user answers.
  NSModalResponse response = NSAlertFirstButtonReturn;
  int button = 0;
  if (AwaitAnswer(state.alertAnswers, standin::kModalPanelRunLoopMode, button))
    response = NSAlertFirstButtonReturn + button;
  else if (state.alertResponder)
  {
    const standin::appkit::AlertResponder responder = state.alertResponder;
    response = responder(standin::appkit::AlertRequest{this});
  }
  const NSModalResponse buttons = static_cast<NSModalResponse>(ButtonTitles().size());
  if (response < NSAlertFirstButtonReturn || response >= NSAlertFirstButtonReturn + buttons)
  {
    standin::PlatformFault("an alert was answered with a button it does not have");
    response = NSAlertFirstButtonReturn;
  }
  release();
  return response;
}

// -- save and open panels --

NSSavePanel::NSSavePanel(RuntimeClass& cls) : NSPanel(cls), mName(new NSString()) {}

NSSavePanel::~NSSavePanel()
{
  if (mDirectory)
    mDirectory->release();
  if (mURL)
    mURL->release();
  mName->release();
}

NSSavePanel* NSSavePanel::savePanel() { STANDIN_MAIN_THREAD_ONLY(); return Autoreleased(new NSSavePanel()); }

void NSSavePanel::setAllowedFileTypes(const NSArray* types)
{
  STANDIN_MAIN_THREAD_ONLY();
  mAllowedTypes.clear();
  for (size_t i = 0; types && i < types->count(); ++i)
  {
    const std::string type = standin::TextOf(types->objectAtIndex(i));
    if (!type.empty())
      mAllowedTypes.push_back(type);
  }
}

NSArray* NSSavePanel::allowedFileTypes() const
{
  STANDIN_MAIN_THREAD_ONLY();
  return mAllowedTypes.empty() ? nullptr : StringArray(mAllowedTypes);
}

void NSSavePanel::setDirectoryURL(NSURL* url) { STANDIN_MAIN_THREAD_ONLY(); Assign(mDirectory, url); }

void NSSavePanel::setNameFieldStringValue(const NSString* name) { STANDIN_MAIN_THREAD_ONLY(); SetText(mName, name); }

NSString* NSSavePanel::filename() const
{
  STANDIN_MAIN_THREAD_ONLY();
  return mURL && mURL->path() ? Str(mURL->path()->Text()) : nullptr;
}

namespace {

std::string Lower(std::string text)
{
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The extension of the path's last component, lower case ("" for none).
std::string Extension(const std::string& path)
{
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == (slash == std::string::npos ? 0 : slash + 1))
    return std::string();
  return Lower(path.substr(dot + 1));
}

// A sheet's answer: the first queued one, if any (its delay is the sheet's completion delay).
bool TakeSheetAnswer(std::deque<Scripted<std::string>>& queue, std::string& path)
{
  if (queue.empty())
    return false;
  path = std::move(queue.front().answer);
  queue.pop_front();
  return true;
}

bool TypeAllowed(const std::vector<std::string>& allowed, const std::string& path)
{
  if (allowed.empty())
    return true;
  const std::string extension = Extension(path);
  return std::any_of(allowed.begin(), allowed.end(), [&](const std::string& type) { return Lower(type) == extension; });
}

} // namespace

std::string NSSavePanel::Accept(const std::string& path) const
{
  if (path.empty() || path.back() == '/')
    return std::string();
  if (!mAllowsOtherTypes && !TypeAllowed(mAllowedTypes, path))
    return path + "." + mAllowedTypes.front();
  return path;
}

NSModalResponse NSSavePanel::Ask(bool modal)
{
  State& state = TheState();
  ++state.panels;
  // A modal run waits in a loop of its own for the answer; a sheet (or a panel shown on its
  // own) has waited already.
  standin::appkit::PanelAnswer answer;
  std::string path;
  const bool scripted = !modal ? TakeSheetAnswer(state.panelAnswers, path)
                               : AwaitAnswer(state.panelAnswers, standin::kModalPanelRunLoopMode, path);
  if (scripted)
  {
    answer.path = path;
    answer.response = path.empty() ? NSModalResponseCancel : NSModalResponseOK;
  }
  else if (state.panelResponder)
  {
    const standin::appkit::PanelResponder responder = state.panelResponder;
    answer = responder(standin::appkit::PanelRequest{this});
  }
  if (mURL)
  {
    mURL->release();
    mURL = nullptr;
  }
  const std::string chosen = answer.response == NSModalResponseOK ? Accept(answer.path) : std::string();
  if (chosen.empty())
    return NSModalResponseCancel;
  mURL = new NSURL(chosen, false);
  return NSModalResponseOK;
}

NSModalResponse NSSavePanel::runModal()
{
  STANDIN_MAIN_THREAD_ONLY();
  mSheet = false;
  ForgetMouseButtons();
  retain();
  orderFront(nullptr);
  const NSModalResponse response = Ask(true);
  close();
  release();
  return response;
}

void NSSavePanel::beginSheetModalForWindow(NSWindow* window, std::function<void(NSModalResponse)> handler)
{
  STANDIN_MAIN_THREAD_ONLY();
  mSheet = window != nullptr;
  orderFront(nullptr);
  retain(); // held by the block until the sheet ends
  standin::RunLoop::Main().PerformBlockAfter(TheState().completionDelay, [this, handler = std::move(handler)] {
    NSAutoreleasePool pool;
    const NSModalResponse response = Ask(false);
    close();
    if (handler)
      handler(response);
    release();
  });
}

NSOpenPanel::NSOpenPanel(RuntimeClass& cls) : NSSavePanel(cls) {}

NSOpenPanel* NSOpenPanel::openPanel() { STANDIN_MAIN_THREAD_ONLY(); return Autoreleased(new NSOpenPanel()); }

NSArray* NSOpenPanel::URLs() const
{
  std::vector<const NSObject*> urls;
  if (URL())
    urls.push_back(URL());
  return Autoreleased(new NSArray(urls));
}

std::string NSOpenPanel::Accept(const std::string& path) const
{
  struct stat info = {};
  if (path.empty() || stat(path.c_str(), &info) != 0)
    return std::string();
  if (S_ISDIR(info.st_mode))
    return mCanChooseDirectories ? path : std::string();
  return mCanChooseFiles && TypeAllowed(AllowedTypes(), path) ? path : std::string();
}
