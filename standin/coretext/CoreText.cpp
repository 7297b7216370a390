#include "standin/coretext/CoreText.h"
#include "standin/foundation/RegularFile.h"

#include <algorithm>
#include <dirent.h>
#include <mutex>
#include <new>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace standin {

STANDIN_DEFINE_CLASS(CTFontDescriptor, NSObject)
STANDIN_DEFINE_CLASS(CTFont, NSObject)

CTFontDescriptor::CTFontDescriptor(const NSDictionary* attributes, RuntimeClass& cls)
  : NSObject(cls), mAttributes(attributes ? Retained(attributes) : new NSDictionary({}, {}))
{
}

CTFontDescriptor::~CTFontDescriptor() { mAttributes->release(); }

CTFont::CTFont(CGFont* font, CGFloat size, RuntimeClass& cls) : NSObject(cls), mFont(Retained(font)), mSize(size) {}

CTFont::~CTFont() { mFont->release(); }

namespace {

// One face of a font file in the system-font folder.
struct Face
{
  std::string path;
  fontfile::FaceNames names;
};

constexpr int kMaxFolderDepth = 8;

bool IsFontFileName(const std::string& name)
{
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos)
    return false;
  const std::string ext = name.substr(dot + 1);
  for (const char* known : {"ttf", "otf", "ttc", "otc"})
    if (strcasecmp(ext.c_str(), known) == 0)
      return true;
  return false;
}

void ListFontFiles(const std::string& folder, int depth, std::vector<std::string>& files)
{
  if (depth > kMaxFolderDepth)
    return;
  DIR* dir = opendir(folder.c_str());
  if (!dir)
    return;
  while (dirent* entry = readdir(dir))
  {
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    const std::string path = folder + "/" + name;
    struct stat info = {};
    if (lstat(path.c_str(), &info) != 0)
      continue;
    if (S_ISDIR(info.st_mode))
      ListFontFiles(path, depth + 1, files);
    else if ((S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) && IsFontFileName(name))
      files.push_back(path);
  }
  closedir(dir);
}

// Every face of a file, read through a read-only mapping.
void AddFaces(const std::string& path, std::vector<Face>& faces)
{
  RegularFile file;
  if (file.Open(path.c_str(), kMaxFontFileSize) && file.Size() > 0)
  {
    const size_t size = file.Size();
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.Descriptor(), 0);
    if (map != MAP_FAILED)
    {
      const auto* bytes = static_cast<const uint8_t*>(map);
      const int count = fontfile::CountFaces(bytes, size);
      for (int i = 0; i < count; ++i)
      {
        Face face{path, {}};
        if (fontfile::InspectFace(bytes, size, i, &face.names) && !face.names.family.empty())
          faces.push_back(std::move(face));
      }
      munmap(map, size);
    }
  }
}

struct SystemFonts
{
  std::mutex mutex;
  std::string folder = "/usr/share/fonts";
  bool scanned = false;
  std::vector<Face> faces;

  static SystemFonts& Get()
  {
    static SystemFonts* sFonts = new SystemFonts;
    return *sFonts;
  }

  // Called with the mutex held.
  const std::vector<Face>& Faces()
  {
    if (!scanned)
    {
      std::vector<std::string> files;
      ListFontFiles(folder, 0, files);
      std::sort(files.begin(), files.end());
      faces.clear();
      for (const std::string& file : files)
        AddFaces(file, faces);
      scanned = true;
    }
    return faces;
  }
};

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

const NSString* StringAttribute(const NSDictionary* attributes, const NSObject* key)
{
  return dynamic_cast<const NSString*>(attributes->objectForKey(key));
}

// The face's value of a matchable attribute; null for other attributes.
const std::string* FaceValue(const Face& face, const NSObject* key)
{
  if (key->isEqual(kCTFontFamilyNameAttribute))
    return &face.names.family;
  if (key->isEqual(kCTFontStyleNameAttribute))
    return &face.names.style;
  if (key->isEqual(kCTFontNameAttribute))
    return &face.names.postScriptName;
  return nullptr;
}

CTFontDescriptorRef DescriptorWithNames(const fontfile::FaceNames& names, const std::string* path)
{
  NSString* family = new NSString(names.family);
  NSString* style = new NSString(names.style);
  NSString* postScript = new NSString(names.postScriptName);
  NSURL* url = path ? new NSURL(*path, false) : nullptr;
  std::vector<const NSObject*> keys{kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute, kCTFontNameAttribute};
  std::vector<const NSObject*> values{family, style, postScript};
  if (url)
  {
    keys.push_back(kCTFontURLAttribute);
    values.push_back(url);
  }
  NSDictionary* attributes = new NSDictionary(keys, values);
  for (const NSObject* value : values)
    value->release();
  auto* descriptor = new standin::CTFontDescriptor(attributes);
  attributes->release();
  return descriptor;
}

} // namespace

void SetSystemFontFolder(const std::string& folder)
{
  SystemFonts& fonts = SystemFonts::Get();
  std::lock_guard<std::mutex> lock(fonts.mutex);
  fonts.folder = folder;
  fonts.scanned = false;
  fonts.faces.clear();
}

std::string SystemFontFolder()
{
  SystemFonts& fonts = SystemFonts::Get();
  std::lock_guard<std::mutex> lock(fonts.mutex);
  return fonts.folder;
}

} // namespace standin

const CFStringRef kCTFontFamilyNameAttribute = standin::ConstantString("NSFontFamilyAttribute");
const CFStringRef kCTFontStyleNameAttribute = standin::ConstantString("NSFontFaceAttribute");
const CFStringRef kCTFontNameAttribute = standin::ConstantString("NSFontNameAttribute");
const CFStringRef kCTFontURLAttribute = standin::ConstantString("NSCTFontFileURLAttribute");

CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform*, CTFontDescriptorRef)
{
  if (!graphicsFont)
    return nullptr;
  return new (std::nothrow) standin::CTFont(graphicsFont, size > 0.0 ? size : 12.0);
}

CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font)
{
  if (standin::RefusedNull(font, "CTFontCopyFontDescriptor"))
    return nullptr;
  try
  {
    return standin::DescriptorWithNames(font->GraphicsFont()->Names(), nullptr);
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

CGFloat CTFontGetSize(CTFontRef font) { return standin::RefusedNull(font, "CTFontGetSize") ? 0.0 : font->Size(); }

CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes)
{
  return new (std::nothrow) standin::CTFontDescriptor(attributes);
}

CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute)
{
  if (standin::RefusedNull(descriptor, "CTFontDescriptorCopyAttribute") || standin::RefusedNull(attribute, "CTFontDescriptorCopyAttribute"))
    return nullptr;
  return Retained(descriptor->Attributes()->objectForKey(attribute));
}

CFArrayRef CTFontDescriptorCreateMatchingFontDescriptors(CTFontDescriptorRef descriptor, CFSetRef mandatoryAttributes)
{
  if (standin::RefusedNull(descriptor, "CTFontDescriptorCreateMatchingFontDescriptors"))
    return nullptr;
  try
  {
    const NSDictionary* wanted = descriptor->Attributes();
    std::vector<const NSObject*> mandatory;
    std::vector<const NSObject*> optional;
    for (const NSObject* key : wanted->Keys())
    {
      if (!dynamic_cast<const NSString*>(wanted->objectForKey(key)))
        continue;
      const bool isMandatory = mandatoryAttributes ? mandatoryAttributes->containsObject(key)
                                                   : (key->isEqual(kCTFontFamilyNameAttribute) || key->isEqual(kCTFontNameAttribute));
      (isMandatory ? mandatory : optional).push_back(key);
    }

    standin::SystemFonts& fonts = standin::SystemFonts::Get();
    std::lock_guard<std::mutex> lock(fonts.mutex);
    std::vector<const standin::Face*> best;
    std::vector<const standin::Face*> rest;
    const auto matches = [&](const standin::Face& face, const std::vector<const NSObject*>& keys) {
      for (const NSObject* key : keys)
      {
        const std::string* value = standin::FaceValue(face, key);
        if (value && !standin::SameName(*value, standin::StringAttribute(wanted, key)->Text()))
          return false;
      }
      return true;
    };
    for (const standin::Face& face : fonts.Faces())
      if (matches(face, mandatory))
        (matches(face, optional) ? best : rest).push_back(&face);
    best.insert(best.end(), rest.begin(), rest.end());
    if (best.empty())
      return nullptr;

    std::vector<const NSObject*> found;
    for (const standin::Face* face : best)
      found.push_back(standin::DescriptorWithNames(face->names, &face->path));
    NSArray* array = new NSArray(found);
    for (const NSObject* item : found)
      item->release();
    return array;
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}
