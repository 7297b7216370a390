#include "standin/appkit/Internal.h"

#include <algorithm>
#include <sys/stat.h>

using standin::RuntimeClass;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSPasteboardItem, NSObject)
STANDIN_DEFINE_CLASS(NSPasteboard, NSObject)
STANDIN_DEFINE_CLASS(NSWorkspace, NSObject)
STANDIN_DEFINE_CLASS(NSDraggingItem, NSObject)
STANDIN_DEFINE_CLASS(NSDraggingSession, NSObject)
STANDIN_DEFINE_CLASS(NSDraggingInfo, NSObject)

NSString* const NSPasteboardTypeString = standin::ConstantString("public.utf8-plain-text");
NSString* const NSStringPboardType = standin::ConstantString("NSStringPboardType");
NSString* const NSPasteboardTypeURL = standin::ConstantString("public.url");
NSString* const NSPasteboardTypeFileURL = standin::ConstantString("public.file-url");
NSString* const NSFilenamesPboardType = standin::ConstantString("NSFilenamesPboardType");
NSString* const NSPasteboardNameGeneral = standin::ConstantString("Apple CFPasteboard general");
NSString* const NSPasteboardNameDrag = standin::ConstantString("Apple CFPasteboard drag");

namespace {

// The type's name, the older string type taken as the newer.
std::string TypeName(const NSString* type)
{
  const std::string name = Text(type);
  return name == NSStringPboardType->Text() ? NSPasteboardTypeString->Text() : name;
}

const std::string* Find(const NSPasteboardItem::Entries& entries, const std::string& type)
{
  for (const auto& entry : entries)
    if (entry.first == type)
      return &entry.second;
  return nullptr;
}

void Put(NSPasteboardItem::Entries& entries, const std::string& type, const std::string& text)
{
  for (auto& entry : entries)
    if (entry.first == type)
    {
      entry.second = text;
      return;
    }
  entries.emplace_back(type, text);
}

// The path of a file URL text, or "" for another text.
std::string FilePath(const std::string& urlText)
{
  NSURL* url = new NSURL(urlText);
  const std::string path = url->isFileURL() && url->path() ? url->path()->Text() : std::string();
  url->release();
  return path;
}

bool Exists(const std::string& path)
{
  struct stat info = {};
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

} // namespace

// -- NSPasteboardItem --

NSPasteboardItem::NSPasteboardItem(RuntimeClass& cls) : NSObject(cls) {}

bool NSPasteboardItem::setString(const NSString* string, const NSString* type)
{
  if (!string || !type)
    return false;
  Put(mEntries, TypeName(type), string->Text());
  return true;
}

NSString* NSPasteboardItem::stringForType(const NSString* type) const
{
  const std::string* text = Find(mEntries, TypeName(type));
  return text ? Str(*text) : nullptr;
}

NSArray* NSPasteboardItem::types() const
{
  std::vector<std::string> names;
  for (const auto& entry : mEntries)
    names.push_back(entry.first);
  return StringArray(names);
}

// -- NSPasteboard --

NSPasteboard::NSPasteboard(const char* name) : NSObject(Class()), mName(name) { MakeImmortal(); }

NSPasteboard* NSPasteboard::generalPasteboard()
{
  static NSPasteboard* sGeneral = new NSPasteboard("general");
  return sGeneral;
}

NSPasteboard* NSPasteboard::pasteboardWithName(const NSString* name)
{
  static NSPasteboard* sDrag = new NSPasteboard("drag");
  if (name && name->isEqual(NSPasteboardNameGeneral))
    return generalPasteboard();
  if (name && name->isEqual(NSPasteboardNameDrag))
    return sDrag;
  return nullptr;
}

NSInteger NSPasteboard::clearContents()
{
  mItems.clear();
  return ++mChangeCount;
}

bool NSPasteboard::setString(const NSString* string, const NSString* type)
{
  if (!string || !type)
    return false;
  if (mItems.empty())
    mItems.emplace_back();
  Put(mItems.front(), TypeName(type), string->Text());
  return true;
}

NSString* NSPasteboard::stringForType(const NSString* type) const
{
  const std::string name = TypeName(type);
  for (const auto& item : mItems)
    if (const std::string* text = Find(item, name))
      return Str(*text);
  return nullptr;
}

bool NSPasteboard::writeObjects(const NSArray* objects)
{
  if (!objects || objects->count() == 0)
    return false;
  std::vector<NSPasteboardItem::Entries> items;
  for (size_t i = 0; i < objects->count(); ++i)
  {
    const NSObject* object = objects->objectAtIndex(i);
    NSPasteboardItem::Entries entries;
    if (const auto* url = dynamic_cast<const NSURL*>(object))
    {
      Put(entries, (url->isFileURL() ? NSPasteboardTypeFileURL : NSPasteboardTypeURL)->Text(), url->absoluteString()->Text());
    }
    else if (const auto* string = dynamic_cast<const NSString*>(object))
      Put(entries, NSPasteboardTypeString->Text(), string->Text());
    else if (const auto* item = dynamic_cast<const NSPasteboardItem*>(object))
      entries = item->Contents();
    else
      return false;
    items.push_back(std::move(entries));
  }
  mItems.insert(mItems.end(), items.begin(), items.end());
  return true;
}

NSArray* NSPasteboard::types() const
{
  std::vector<std::string> names;
  const auto add = [&](const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  };
  for (const auto& item : mItems)
    for (const auto& entry : item)
    {
      add(entry.first);
      if (entry.first == NSPasteboardTypeFileURL->Text())
        add(NSFilenamesPboardType->Text());
    }
  return StringArray(names);
}

NSObject* NSPasteboard::propertyListForType(const NSString* type) const
{
  if (type && type->isEqual(NSFilenamesPboardType))
  {
    std::vector<std::string> paths;
    for (const auto& item : mItems)
      if (const std::string* url = Find(item, NSPasteboardTypeFileURL->Text()))
        if (const std::string path = FilePath(*url); !path.empty())
          paths.push_back(path);
    return paths.empty() ? nullptr : StringArray(paths);
  }
  return stringForType(type);
}

bool NSPasteboard::setPropertyList(const NSObject* list, const NSString* type)
{
  const auto* paths = dynamic_cast<const NSArray*>(list);
  if (!paths || !type || !type->isEqual(NSFilenamesPboardType))
    return false;
  std::vector<const NSObject*> urls;
  for (size_t i = 0; i < paths->count(); ++i)
    urls.push_back(NSURL::fileURLWithPath(dynamic_cast<const NSString*>(paths->objectAtIndex(i))));
  urls.erase(std::remove(urls.begin(), urls.end(), nullptr), urls.end());
  return !urls.empty() && writeObjects(Autoreleased(new NSArray(urls)));
}

// -- NSWorkspace --

NSWorkspace::NSWorkspace() : NSObject(Class()) { MakeImmortal(); }

NSWorkspace* NSWorkspace::sharedWorkspace()
{
  static NSWorkspace* sWorkspace = new NSWorkspace();
  return sWorkspace;
}

namespace {

bool Record(const char* kind, const std::string& target, const std::string& root, bool answer)
{
  TheState().workspace.push_back(standin::appkit::WorkspaceRequest{kind, target, root, answer});
  return answer;
}

} // namespace

bool NSWorkspace::openURL(const NSURL* url)
{
  if (!url)
    return false;
  const bool answer = url->isFileURL() ? Exists(Text(url->path())) : true;
  return Record("openURL", url->absoluteString()->Text(), std::string(), answer);
}

bool NSWorkspace::openFile(const NSString* path) { return Record("openFile", Text(path), std::string(), Exists(Text(path))); }

bool NSWorkspace::selectFile(const NSString* path, const NSString* rootFullPath)
{
  return Record("selectFile", Text(path), Text(rootFullPath), Exists(Text(path)));
}

NSImage* NSWorkspace::iconForFile(const NSString*) { return Autoreleased(new NSImage(NSMakeSize(32, 32))); }

// -- dragging --

NSDraggingItem::NSDraggingItem(NSPasteboardItem* writer, RuntimeClass& cls) : NSObject(cls), mItem(Retained(writer)) {}

NSDraggingItem::~NSDraggingItem()
{
  if (mItem)
    mItem->release();
  if (mContents)
    mContents->release();
}

void NSDraggingItem::setDraggingFrame(NSRect frame, NSImage* contents)
{
  mFrame = frame;
  Assign(mContents, contents);
}

NSDraggingSession::NSDraggingSession(const NSArray* items) : NSObject(Class())
{
  for (size_t i = 0; items && i < items->count(); ++i)
    if (auto* item = dynamic_cast<NSDraggingItem*>(const_cast<NSObject*>(items->objectAtIndex(i))); item && item->item())
      mItems.push_back(Retained(item));
}

NSDraggingSession::~NSDraggingSession()
{
  for (NSDraggingItem* item : mItems)
    item->release();
}

NSPasteboard* NSDraggingSession::draggingPasteboard() const { return NSPasteboard::pasteboardWithName(NSPasteboardNameDrag); }

NSDraggingInfo::NSDraggingInfo(NSPasteboard* pasteboard, NSPoint location, NSDragOperation mask, RuntimeClass& cls)
  : NSObject(cls), mPasteboard(pasteboard), mLocation(location), mMask(mask)
{
}
