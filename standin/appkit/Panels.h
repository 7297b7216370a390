#pragma once
// Stand-in for AppKit's panels: the shared colour panel, alerts, and the save and open
// panels. The user is the responders of UserInput.h: an alert or a panel run modally runs a
// nested loop of the main run loop in the modal-panel mode and takes the user's answer from
// inside it (after the answer's delay, UserInput.h); a panel begun as a sheet returns at once,
// asks at a later turn of the main run loop (after the completion delay) and calls the
// completion handler there. The colour panel never waits: the user's picks reach its target
// while it stays open. A modal run makes the windows forget the mouse button held, since the
// panel takes the mouse.
//
// The stand-in's panels are responders, not windows.
#include "standin/appkit/Text.h"

#include <functional>
#include <string>
#include <vector>

typedef NSInteger NSModalResponse;
constexpr NSModalResponse NSModalResponseCancel = 0;
constexpr NSModalResponse NSModalResponseOK = 1;
constexpr NSModalResponse NSAlertFirstButtonReturn = 1000;
constexpr NSModalResponse NSAlertSecondButtonReturn = 1001;
constexpr NSModalResponse NSAlertThirdButtonReturn = 1002;

class NSPanel : public NSResponder
{
  STANDIN_OBJECT_CLASS()

  explicit NSPanel(standin::RuntimeClass& cls = Class());
  ~NSPanel() override;

  // Autoreleased.
  NSString* title() const;
  void setTitle(const NSString* title);
  bool isFloatingPanel() const { return mFloating; }
  void setFloatingPanel(bool floating) { mFloating = floating; }
  bool isVisible() const { return mVisible; }
  void orderFront(NSObject* sender);
  void close();

private:
  std::string mTitle;
  bool mFloating = false;
  bool mVisible = false;
};

// -- the colour panel: one per process; its target is a plain pointer --

class NSColorPanel : public NSPanel
{
  STANDIN_OBJECT_CLASS()

  static NSColorPanel* sharedColorPanel();
  static bool sharedColorPanelExists();

  NSObject* target() const { return mTarget; }
  void setTarget(NSObject* target) { mTarget = target; }
  const SEL& action() const { return mAction; }
  void setAction(const SEL& action) { mAction = action; }
  bool showsAlpha() const { return mShowsAlpha; }
  void setShowsAlpha(bool shows) { mShowsAlpha = shows; }
  // The colour shown (autoreleased).
  NSColor* color() const;
  void setColor(const NSColor* color);

private:
  NSColorPanel();
  NSObject* mTarget = nullptr;
  SEL mAction;
  bool mShowsAlpha = false;
  CGFloat mColor[4] = {1, 1, 1, 1};
};

// -- alerts --

// A push button, as far as alerts need one.
class NSButton : public NSControl
{
  STANDIN_OBJECT_CLASS()

  explicit NSButton(const NSString* title, standin::RuntimeClass& cls = Class());
  ~NSButton() override;

  const NSString* title() const { return mTitle; }
  NSInteger tag() const { return mTag; }
  void setTag(NSInteger tag) { mTag = tag; }

private:
  NSString* mTitle;
  NSInteger mTag = 0;
};

class NSAlert : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSAlert(standin::RuntimeClass& cls = Class());
  ~NSAlert() override;

  const NSString* messageText() const { return mMessage; }
  void setMessageText(const NSString* text);
  const NSString* informativeText() const { return mInformative; }
  void setInformativeText(const NSString* text);
  // The new button, owned by the alert; its tag is its return code (1000, 1001, ...).
  NSButton* addButtonWithTitle(const NSString* title);
  const std::vector<NSButton*>& Buttons() const { return mButtons; }
  // The titles of the buttons shown: those added, or the default "OK" when none was.
  std::vector<std::string> ButtonTitles() const;

  // Runs the modal loop until the user answers: the return code of the button pressed (1000
  // for the first).
  NSModalResponse runModal();

private:
  NSString* mMessage;
  NSString* mInformative;
  std::vector<NSButton*> mButtons;
};

// -- save and open panels --

class NSSavePanel : public NSPanel
{
  STANDIN_OBJECT_CLASS()

  explicit NSSavePanel(standin::RuntimeClass& cls = Class());
  ~NSSavePanel() override;

  // Autoreleased.
  static NSSavePanel* savePanel();

  // Extensions without the dot; null or empty: any.
  void setAllowedFileTypes(const NSArray* types);
  // Autoreleased array, or null when any type is allowed.
  NSArray* allowedFileTypes() const;
  const std::vector<std::string>& AllowedTypes() const { return mAllowedTypes; }
  bool allowsOtherFileTypes() const { return mAllowsOtherTypes; }
  void setAllowsOtherFileTypes(bool allows) { mAllowsOtherTypes = allows; }
  // Retained.
  NSURL* directoryURL() const { return mDirectory; }
  void setDirectoryURL(NSURL* url);
  const NSString* nameFieldStringValue() const { return mName; }
  void setNameFieldStringValue(const NSString* name);
  bool canCreateDirectories() const { return mCanCreateDirectories; }
  void setCanCreateDirectories(bool can) { mCanCreateDirectories = can; }

  // Runs the modal loop until the user answers; the chosen file is then the panel's URL.
  NSModalResponse runModal();
  // Returns at once; the sheet asks the responder at a later turn of the main run loop (after
  // the completion delay) and then calls the handler there; the panel is retained until then. A null window shows the panel on its
  // own, with the same protocol.
  void beginSheetModalForWindow(NSWindow* window, std::function<void(NSModalResponse)> handler);

  // The file chosen (a file URL), or null.
  NSURL* URL() const { return mURL; }
  // The chosen file's path (autoreleased), or null.
  NSString* filename() const;

  // -- the stand-in's own --
  virtual bool IsOpenPanel() const { return false; }
  // Whether it was begun as a sheet.
  bool IsSheet() const { return mSheet; }
  // The answer the panel takes for the path the user chose: "" when the panel does not let
  // the user choose it, else the path (a save panel adds the first allowed extension when
  // the name has none allowed and other types are not allowed).
  virtual std::string Accept(const std::string& path) const;

protected:
  // Asks the responder (for a modal run, inside its loop) and keeps the URL of an accepted
  // choice.
  NSModalResponse Ask(bool modal);

private:
  std::vector<std::string> mAllowedTypes;
  bool mAllowsOtherTypes = false;
  NSURL* mDirectory = nullptr;
  NSString* mName;
  bool mCanCreateDirectories = false;
  NSURL* mURL = nullptr;
  bool mSheet = false;
};

class NSOpenPanel : public NSSavePanel
{
  STANDIN_OBJECT_CLASS()

  explicit NSOpenPanel(standin::RuntimeClass& cls = Class());
  // Autoreleased.
  static NSOpenPanel* openPanel();

  bool canChooseFiles() const { return mCanChooseFiles; }
  void setCanChooseFiles(bool can) { mCanChooseFiles = can; }
  bool canChooseDirectories() const { return mCanChooseDirectories; }
  void setCanChooseDirectories(bool can) { mCanChooseDirectories = can; }
  bool resolvesAliases() const { return mResolvesAliases; }
  void setResolvesAliases(bool resolves) { mResolvesAliases = resolves; }
  // Autoreleased array of the chosen URL (empty when none).
  NSArray* URLs() const;

  bool IsOpenPanel() const override { return true; }
  // Only an existing file (of an allowed type) when files may be chosen, an existing folder
  // when folders may.
  std::string Accept(const std::string& path) const override;

private:
  bool mCanChooseFiles = true;
  bool mCanChooseDirectories = false;
  bool mResolvesAliases = true;
};
