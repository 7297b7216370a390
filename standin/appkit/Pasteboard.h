#pragma once
// Stand-in for AppKit's pasteboards, the workspace and dragging. Pasteboards keep plain text
// (no objects), so the general one may live as long as the process; file URLs written to a
// pasteboard also read as the older list of file names. The workspace opens nothing: it
// records what it was asked to open (UserInput.h) and answers as the system would for the
// files that exist.
#include "standin/appkit/Image.h"
#include "standin/appkit/View.h"

#include <string>
#include <utility>
#include <vector>

extern NSString* const NSPasteboardTypeString;  // "public.utf8-plain-text"
extern NSString* const NSStringPboardType;      // the older name of the same type
extern NSString* const NSPasteboardTypeURL;     // "public.url"
extern NSString* const NSPasteboardTypeFileURL; // "public.file-url"
extern NSString* const NSFilenamesPboardType;   // a property list: an array of paths
extern NSString* const NSPasteboardNameGeneral;
extern NSString* const NSPasteboardNameDrag;

// One item of a pasteboard: texts by type.
class NSPasteboardItem : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSPasteboardItem(standin::RuntimeClass& cls = Class());

  // setString:forType: false for a null string or type.
  bool setString(const NSString* string, const NSString* type);
  // Autoreleased, or null.
  NSString* stringForType(const NSString* type) const;
  // Autoreleased array of the types.
  NSArray* types() const;

  using Entries = std::vector<std::pair<std::string, std::string>>; // type, text
  const Entries& Contents() const { return mEntries; }

private:
  friend class NSPasteboard;
  Entries mEntries;
};

class NSPasteboard : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSPasteboard* generalPasteboard();
  // The general or the drag pasteboard (null for other names).
  static NSPasteboard* pasteboardWithName(const NSString* name);

  // Empties the pasteboard; returns the new change count.
  NSInteger clearContents();
  NSInteger changeCount() const { return mChangeCount; }
  // Puts the text under the type in the first item; false for a null string or type.
  bool setString(const NSString* string, const NSString* type);
  // The text of the first item having the type, autoreleased; null when none has it.
  NSString* stringForType(const NSString* type) const;
  // Adds an item per object: NSURL (file URLs also read as file names), NSString or
  // NSPasteboardItem. False, adding nothing, for an empty array or another kind of object.
  bool writeObjects(const NSArray* objects);
  // Autoreleased array of the types present.
  NSArray* types() const;
  // NSFilenamesPboardType: an array of the paths; the text types: the string. Autoreleased.
  NSObject* propertyListForType(const NSString* type) const;
  // NSFilenamesPboardType with an array of strings: one file URL item per path.
  bool setPropertyList(const NSObject* list, const NSString* type);

private:
  explicit NSPasteboard(const char* name);
  std::string mName;
  std::vector<NSPasteboardItem::Entries> mItems;
  NSInteger mChangeCount = 0;
};

class NSWorkspace : public NSObject
{
  STANDIN_OBJECT_CLASS()

  static NSWorkspace* sharedWorkspace();

  // A file URL opens when its file exists; other URLs always open.
  bool openURL(const NSURL* url);
  // True when the file or folder exists.
  bool openFile(const NSString* path);
  // selectFile:inFileViewerRootedAtPath: true when the file exists.
  bool selectFile(const NSString* path, const NSString* rootFullPath);
  // A generic 32 × 32 icon (autoreleased).
  NSImage* iconForFile(const NSString* path);

private:
  NSWorkspace();
};

// -- dragging --

class NSDraggingSession;

typedef NSInteger NSDraggingContext;
constexpr NSDraggingContext NSDraggingContextOutsideApplication = 0;
constexpr NSDraggingContext NSDraggingContextWithinApplication = 1;

typedef NSInteger NSDraggingFormation;
constexpr NSDraggingFormation NSDraggingFormationDefault = 0;
constexpr NSDraggingFormation NSDraggingFormationNone = 1;
constexpr NSDraggingFormation NSDraggingFormationPile = 2;

// The source of a drag answers which operations it allows.
class NSDraggingSource
{
public:
  // draggingSession:sourceOperationMaskForDraggingContext:
  virtual NSDragOperation sourceOperationMaskForDraggingContext(NSDraggingSession* session, NSDraggingContext context) = 0;

protected:
  ~NSDraggingSource() = default;
};

class NSDraggingItem : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initWithPasteboardWriter: retains the item.
  explicit NSDraggingItem(NSPasteboardItem* writer, standin::RuntimeClass& cls = Class());
  ~NSDraggingItem() override;

  NSPasteboardItem* item() const { return mItem; }
  NSRect draggingFrame() const { return mFrame; }
  // Retains the contents.
  void setDraggingFrame(NSRect frame, NSImage* contents);
  NSImage* Contents() const { return mContents; }

private:
  NSPasteboardItem* mItem;
  NSRect mFrame;
  NSImage* mContents = nullptr;
};

// A drag out of a view. The system holds the session (retained) from its start until the
// mouse button goes up, which ends it; meanwhile the window sends the view no drags and no
// release. Its items are on the drag pasteboard.
class NSDraggingSession : public NSObject
{
  STANDIN_OBJECT_CLASS()

  bool animatesToStartingPositionsOnCancelOrFail() const { return mAnimates; }
  void setAnimatesToStartingPositionsOnCancelOrFail(bool animates) { mAnimates = animates; }
  NSDraggingFormation draggingFormation() const { return mFormation; }
  void setDraggingFormation(NSDraggingFormation formation) { mFormation = formation; }
  NSPasteboard* draggingPasteboard() const;

  // -- the stand-in's own --
  const std::vector<NSDraggingItem*>& Items() const { return mItems; }
  // What the source allowed for a drop outside the application, asked at the start.
  NSDragOperation SourceOperationMask() const { return mMask; }
  ~NSDraggingSession() override;

private:
  friend class NSView;
  explicit NSDraggingSession(const NSArray* items);
  std::vector<NSDraggingItem*> mItems;
  bool mAnimates = true;
  NSDraggingFormation mFormation = NSDraggingFormationDefault;
  NSDragOperation mMask = NSDragOperationNone;
};

// What a drop target is told of a drag over it.
class NSDraggingInfo : public NSObject
{
  STANDIN_OBJECT_CLASS()

  NSDraggingInfo(NSPasteboard* pasteboard, NSPoint location, NSDragOperation mask, standin::RuntimeClass& cls = Class());

  NSPasteboard* draggingPasteboard() const { return mPasteboard; }
  // In the window's coordinates.
  NSPoint draggingLocation() const { return mLocation; }
  NSDragOperation draggingSourceOperationMask() const { return mMask; }

private:
  NSPasteboard* mPasteboard;
  NSPoint mLocation;
  NSDragOperation mMask;
};
