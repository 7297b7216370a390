#include "standin/foundation/PropertyList.h"

#include "standin/foundation/RegularFile.h"
#include "standin/foundation/Unicode.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace standin {

namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxFileSize = 16 << 20;

// Releases the objects collected while a container is read, unless it was handed over.
struct Owned
{
  std::vector<const NSObject*> objects;
  ~Owned()
  {
    for (const NSObject* object : objects)
      object->release();
  }
};

class Reader
{
public:
  Reader(const char* text, size_t length) : mPos(text), mEnd(text + length) {}

  NSObject* ReadDocument()
  {
    SkipMisc();
    std::string name;
    bool selfClosing = false;
    if (!ReadOpenTag(name, selfClosing))
      return nullptr;
    if (name != "plist")
      return ReadValueAfterTag(name, selfClosing, 0); // a bare value is accepted too
    if (selfClosing)
      return nullptr;
    SkipMisc();
    if (!ReadOpenTag(name, selfClosing))
      return nullptr;
    NSObject* value = ReadValueAfterTag(name, selfClosing, 0);
    if (!value)
      return nullptr;
    SkipMisc();
    if (!ReadCloseTag("plist"))
    {
      value->release();
      return nullptr;
    }
    return value;
  }

private:
  bool AtEnd() const { return mPos >= mEnd; }
  bool StartsWith(const char* text) const
  {
    const size_t n = std::strlen(text);
    return static_cast<size_t>(mEnd - mPos) >= n && std::memcmp(mPos, text, n) == 0;
  }
  // Moves past the next occurrence of text; false when there is none.
  bool SkipPast(const char* text)
  {
    const size_t n = std::strlen(text);
    for (const char* p = mPos; static_cast<size_t>(mEnd - p) >= n; ++p)
    {
      if (std::memcmp(p, text, n) == 0)
      {
        mPos = p + n;
        return true;
      }
    }
    mPos = mEnd;
    return false;
  }
  void SkipSpace()
  {
    while (!AtEnd() && (*mPos == ' ' || *mPos == '\t' || *mPos == '\r' || *mPos == '\n'))
      ++mPos;
  }
  // White space, the XML declaration, the document type and comments.
  void SkipMisc()
  {
    for (;;)
    {
      SkipSpace();
      if (StartsWith("<?"))
        SkipPast("?>");
      else if (StartsWith("<!--"))
        SkipPast("-->");
      else if (StartsWith("<!"))
        SkipPast(">");
      else
        return;
    }
  }

  // "<name attributes…>" or "<name…/>".
  bool ReadOpenTag(std::string& name, bool& selfClosing)
  {
    if (AtEnd() || *mPos != '<')
      return false;
    ++mPos;
    const char* start = mPos;
    while (!AtEnd() && *mPos != '>' && *mPos != '/' && *mPos != ' ' && *mPos != '\t' && *mPos != '\r' && *mPos != '\n')
      ++mPos;
    name.assign(start, mPos);
    if (name.empty())
      return false;
    while (!AtEnd() && *mPos != '>')
      ++mPos;
    if (AtEnd())
      return false;
    selfClosing = mPos[-1] == '/';
    ++mPos;
    return true;
  }

  bool ReadCloseTag(const char* name)
  {
    if (!StartsWith("</"))
      return false;
    mPos += 2;
    const size_t n = std::strlen(name);
    if (static_cast<size_t>(mEnd - mPos) < n || std::memcmp(mPos, name, n) != 0)
      return false;
    mPos += n;
    SkipSpace();
    if (AtEnd() || *mPos != '>')
      return false;
    ++mPos;
    return true;
  }

  // Character data up to the next "<", with the five named entities and numeric references.
  bool ReadText(std::string& out)
  {
    out.clear();
    while (!AtEnd() && *mPos != '<')
    {
      if (*mPos != '&')
      {
        out.push_back(*mPos++);
        continue;
      }
      const char* semicolon = static_cast<const char*>(std::memchr(mPos, ';', static_cast<size_t>(mEnd - mPos)));
      if (!semicolon || semicolon - mPos > 12)
        return false;
      const std::string entity(mPos + 1, semicolon);
      mPos = semicolon + 1;
      if (entity == "amp")
        out.push_back('&');
      else if (entity == "lt")
        out.push_back('<');
      else if (entity == "gt")
        out.push_back('>');
      else if (entity == "quot")
        out.push_back('"');
      else if (entity == "apos")
        out.push_back('\'');
      else if (entity.size() > 1 && entity[0] == '#')
      {
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const char* digits = entity.c_str() + (hex ? 2 : 1);
        char* end = nullptr;
        errno = 0;
        const unsigned long code = std::strtoul(digits, &end, hex ? 16 : 10);
        if (errno || end == digits || *end || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          return false;
        AppendUtf8(out, static_cast<uint32_t>(code));
      }
      else
        return false;
    }
    return true;
  }

  // The text of a simple element whose open tag was read, and its close tag.
  bool ReadSimple(const std::string& name, bool selfClosing, std::string& text)
  {
    text.clear();
    if (selfClosing)
      return true;
    return ReadText(text) && ReadCloseTag(name.c_str());
  }

  static bool Trimmed(std::string& text)
  {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
      return false;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    return true;
  }

  static bool DecodeBase64(const std::string& text, std::vector<uint8_t>& out)
  {
    uint32_t bits = 0;
    int count = 0;
    for (char ch : text)
    {
      int v;
      if (ch >= 'A' && ch <= 'Z')
        v = ch - 'A';
      else if (ch >= 'a' && ch <= 'z')
        v = ch - 'a' + 26;
      else if (ch >= '0' && ch <= '9')
        v = ch - '0' + 52;
      else if (ch == '+')
        v = 62;
      else if (ch == '/')
        v = 63;
      else if (ch == '=' || ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n')
        continue;
      else
        return false;
      bits = (bits << 6) | static_cast<uint32_t>(v);
      if (++count == 4)
      {
        out.push_back(static_cast<uint8_t>(bits >> 16));
        out.push_back(static_cast<uint8_t>(bits >> 8));
        out.push_back(static_cast<uint8_t>(bits));
        bits = 0;
        count = 0;
      }
    }
    if (count == 2)
      out.push_back(static_cast<uint8_t>(bits >> 4));
    else if (count == 3)
    {
      out.push_back(static_cast<uint8_t>(bits >> 10));
      out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return count != 1;
  }

  NSObject* ReadValue(int depth)
  {
    SkipMisc();
    std::string name;
    bool selfClosing = false;
    if (!ReadOpenTag(name, selfClosing))
      return nullptr;
    return ReadValueAfterTag(name, selfClosing, depth);
  }

  NSObject* ReadValueAfterTag(const std::string& name, bool selfClosing, int depth)
  {
    if (depth > kMaxDepth)
      return nullptr;
    std::string text;
    if (name == "dict")
      return selfClosing ? new NSDictionary({}, {}) : ReadDict(depth);
    if (name == "array")
      return selfClosing ? new NSArray({}) : ReadArray(depth);
    if (name == "true" || name == "false")
    {
      if (!selfClosing && !ReadCloseTag(name.c_str()))
        return nullptr;
      return new NSNumber(name == "true" ? 1 : 0, true);
    }
    if (!ReadSimple(name, selfClosing, text))
      return nullptr;
    if (name == "string" || name == "date")
      return new NSString(text);
    if (name == "integer")
    {
      if (!Trimmed(text))
        return nullptr;
      char* end = nullptr;
      errno = 0;
      const long long value = std::strtoll(text.c_str(), &end, 0);
      return (errno || *end) ? nullptr : new NSNumber(value, false);
    }
    if (name == "real")
    {
      if (!Trimmed(text))
        return nullptr;
      char* end = nullptr;
      const double value = std::strtod(text.c_str(), &end);
      return *end ? nullptr : new NSNumber(value);
    }
    if (name == "data")
    {
      std::vector<uint8_t> bytes;
      return DecodeBase64(text, bytes) ? new NSData(std::move(bytes)) : nullptr;
    }
    return nullptr;
  }

  NSObject* ReadArray(int depth)
  {
    Owned items;
    for (;;)
    {
      SkipMisc();
      if (ReadCloseTag("array"))
        return new NSArray(items.objects);
      NSObject* item = ReadValue(depth + 1);
      if (!item)
        return nullptr;
      items.objects.push_back(item);
    }
  }

  NSObject* ReadDict(int depth)
  {
    Owned keys;
    Owned values;
    for (;;)
    {
      SkipMisc();
      if (ReadCloseTag("dict"))
        return new NSDictionary(keys.objects, values.objects);
      std::string name;
      bool selfClosing = false;
      std::string key;
      if (!ReadOpenTag(name, selfClosing) || name != "key" || !ReadSimple(name, selfClosing, key))
        return nullptr;
      keys.objects.push_back(new NSString(key));
      NSObject* value = ReadValue(depth + 1);
      if (!value)
        return nullptr;
      values.objects.push_back(value);
    }
  }

  const char* mPos;
  const char* mEnd;
};

} // namespace

NSObject* ReadPropertyList(const char* text, size_t length)
{
  if (!text)
    return nullptr;
  try
  {
    return Reader(text, length).ReadDocument();
  }
  catch (const std::bad_alloc&)
  {
    return nullptr;
  }
}

NSObject* ReadPropertyListFile(const std::string& path)
{
  std::string text;
  if (!ReadRegularFile(path.c_str(), kMaxFileSize, text))
    return nullptr;
  return ReadPropertyList(text.data(), text.size());
}

} // namespace standin
