// The markup reader: elements and attributes of well-formed text, with comments, processing
// instructions, declarations and character data passed over.

#include <cstring>

#include "standin/foundation/Unicode.h"
#include "standin/svg/SVGReader.h"

namespace standin {
namespace svg {
namespace reader {

namespace {

bool IsNameStart(char c)
{
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool IsNameChar(char c)
{
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool StartsWith(const char* p, const char* end, const char* text)
{
  const size_t n = std::strlen(text);
  return static_cast<size_t>(end - p) >= n && std::memcmp(p, text, n) == 0;
}

// The first occurrence of text in [p, end), or null.
const char* Find(const char* p, const char* end, const char* text)
{
  const size_t n = std::strlen(text);
  for (; static_cast<size_t>(end - p) >= n; ++p)
    if (std::memcmp(p, text, n) == 0)
      return p;
  return nullptr;
}

std::string_view ReadName(const char*& p, const char* end)
{
  const char* s = p;
  if (p >= end || !IsNameStart(*p))
    return {};
  while (p < end && IsNameChar(*p))
    ++p;
  return std::string_view(s, static_cast<size_t>(p - s));
}

std::string_view LocalName(std::string_view name)
{
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// A character reference after "&#" up to ";": false when it is not one (the text is then
// kept as it stands).
bool ReadCharRef(const char* p, const char* semi, uint32_t& cp)
{
  int base = 10;
  if (p < semi && (*p == 'x' || *p == 'X'))
  {
    base = 16;
    ++p;
  }
  if (p >= semi)
    return false;
  cp = 0;
  for (; p < semi; ++p)
  {
    int digit = -1;
    if (*p >= '0' && *p <= '9')
      digit = *p - '0';
    else if (base == 16 && *p >= 'a' && *p <= 'f')
      digit = *p - 'a' + 10;
    else if (base == 16 && *p >= 'A' && *p <= 'F')
      digit = *p - 'A' + 10;
    if (digit < 0)
      return false;
    cp = cp * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    if (cp > 0x10FFFF)
      return false;
  }
  return cp != 0 && !(cp >= 0xD800 && cp <= 0xDFFF);
}

std::string DecodeValue(const char* p, const char* end)
{
  static const struct
  {
    const char* name;
    char c;
  } kEntities[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};

  std::string out;
  out.reserve(static_cast<size_t>(end - p));
  while (p < end)
  {
    if (*p != '&')
    {
      out += *p++;
      continue;
    }
    const char* semi = static_cast<const char*>(std::memchr(p, ';', static_cast<size_t>(end - p)));
    bool done = false;
    if (semi && semi - p <= 12)
    {
      const std::string_view ref(p + 1, static_cast<size_t>(semi - p - 1));
      uint32_t cp = 0;
      if (!ref.empty() && ref[0] == '#' && ReadCharRef(p + 2, semi, cp))
      {
        AppendUtf8(out, cp);
        done = true;
      }
      for (const auto& entity : kEntities)
      {
        if (!done && ref == entity.name)
        {
          out += entity.c;
          done = true;
        }
      }
    }
    if (done)
    {
      p = semi + 1;
    }
    else
    {
      out += '&';
      ++p;
    }
  }
  return out;
}

// Past a declaration such as <!DOCTYPE ...>, with its quoted texts and internal subset.
const char* SkipDeclaration(const char* p, const char* end)
{
  int depth = 0;
  char quote = 0;
  for (; p < end; ++p)
  {
    const char c = *p;
    if (quote)
    {
      if (c == quote)
        quote = 0;
    }
    else if (c == '"' || c == '\'')
    {
      quote = c;
    }
    else if (c == '[')
    {
      ++depth;
    }
    else if (c == ']')
    {
      depth = depth > 0 ? depth - 1 : 0;
    }
    else if (c == '>' && depth == 0)
    {
      return p + 1;
    }
  }
  return nullptr;
}

} // namespace

bool ReadMarkup(const char* data, size_t length, MarkupHandler& handler)
{
  if (!data)
    return false;
  const char* p = data;
  const char* const end = data + length;
  if (StartsWith(p, end, "\xEF\xBB\xBF"))
    p += 3;

  std::vector<std::string_view> open;
  std::vector<Attribute> attributes;
  bool rootSeen = false;
  while (p < end)
  {
    if (*p != '<')
    {
      const void* next = std::memchr(p, '<', static_cast<size_t>(end - p));
      p = next ? static_cast<const char*>(next) : end;
      continue;
    }

    // Comments, character data and processing instructions are passed over whole.
    static const char* const kSkipped[][2] = {{"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
    bool skipped = false;
    for (const auto& section : kSkipped)
    {
      if (!skipped && StartsWith(p, end, section[0]))
      {
        const char* close = Find(p + std::strlen(section[0]), end, section[1]);
        if (!close)
          return false;
        p = close + std::strlen(section[1]);
        skipped = true;
      }
    }
    if (skipped)
      continue;
    if (StartsWith(p, end, "<!"))
    {
      if (!(p = SkipDeclaration(p + 2, end)))
        return false;
      continue;
    }

    if (StartsWith(p, end, "</"))
    {
      p += 2;
      const std::string_view name = ReadName(p, end);
      SkipSpaces(p, end);
      if (name.empty() || p >= end || *p != '>' || open.empty() || open.back() != name)
        return false;
      ++p;
      open.pop_back();
      handler.EndElement(LocalName(name));
      continue;
    }

    // A start tag.
    ++p;
    const std::string_view name = ReadName(p, end);
    if (name.empty() || (rootSeen && open.empty()))
      return false;
    attributes.clear();
    bool selfClosing = false;
    for (;;)
    {
      const char* before = p;
      SkipSpaces(p, end);
      if (p >= end)
        return false;
      if (*p == '>')
      {
        ++p;
        break;
      }
      if (*p == '/')
      {
        if (p + 1 >= end || p[1] != '>')
          return false;
        p += 2;
        selfClosing = true;
        break;
      }
      if (p == before)
        return false; // attributes are separated by spaces
      Attribute attribute;
      attribute.name = ReadName(p, end);
      if (attribute.name.empty())
        return false;
      SkipSpaces(p, end);
      if (p >= end || *p != '=')
        return false;
      ++p;
      SkipSpaces(p, end);
      if (p >= end || (*p != '"' && *p != '\''))
        return false;
      const char quote = *p++;
      const void* q = std::memchr(p, quote, static_cast<size_t>(end - p));
      if (!q)
        return false;
      attribute.value = DecodeValue(p, static_cast<const char*>(q));
      p = static_cast<const char*>(q) + 1;
      attributes.push_back(std::move(attribute));
    }

    rootSeen = true;
    handler.StartElement(LocalName(name), attributes);
    if (selfClosing)
      handler.EndElement(LocalName(name));
    else
      open.push_back(name);
  }
  return rootSeen && open.empty();
}

} // namespace reader
} // namespace svg
} // namespace standin
