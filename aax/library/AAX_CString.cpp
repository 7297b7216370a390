#include "aax/library/AAX_CString.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <locale>
#include <ostream>
#include <sstream>

namespace
{
// Beyond this many digits a double carries no information; the cap keeps a wild precision
// or width argument from asking for gigabytes of text.
constexpr int32_t kMaxDigits = 64;

std::string NumberText(double value, int32_t precision)
{
  std::ostringstream os;
  os.imbue(std::locale::classic());
  os.setf(std::ios::fixed, std::ios::floatfield);
  os.precision(std::clamp<int32_t>(precision, 0, kMaxDigits));
  os << value;
  return os.str();
}

std::string HexText(int32_t value, int32_t width)
{
  static const char kDigits[] = "0123456789abcdef";
  uint32_t bits = static_cast<uint32_t>(value);
  std::string digits;
  do
  {
    digits.insert(digits.begin(), kDigits[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0);
  const size_t padTo = static_cast<size_t>(std::clamp<int32_t>(width, 0, kMaxDigits));
  if (digits.size() < padTo)
    digits.insert(0, padTo - digits.size(), '0');
  return "0x" + digits;
}

const char* OrEmpty(const char* text) { return text ? text : ""; }
} // namespace

AAX_CString::AAX_CString(const char* text) : mString(OrEmpty(text)) {}
AAX_CString::AAX_CString(const std::string& text) : mString(text) {}
AAX_CString::AAX_CString(const AAX_CString& other) : AAX_IString(), mString(other.mString) {}
AAX_CString::AAX_CString(AAX_CString&& other) noexcept : AAX_IString(), mString(std::move(other.mString)) {}
AAX_CString::AAX_CString(const AAX_IString& other) : mString(OrEmpty(other.Get())) {}

AAX_CString& AAX_CString::operator=(const AAX_CString& other)
{
  mString = other.mString;
  return *this;
}

AAX_CString& AAX_CString::operator=(AAX_CString&& other) noexcept
{
  mString = std::move(other.mString);
  return *this;
}

AAX_CString& AAX_CString::operator=(const std::string& other)
{
  mString = other;
  return *this;
}

AAX_CString& AAX_CString::operator=(const char* text) { return AssignText(text); }

uint32_t AAX_CString::Length() const { return static_cast<uint32_t>(mString.size()); }
uint32_t AAX_CString::MaxLength() const { return kMaxLength; }
const char* AAX_CString::Get() const { return mString.c_str(); }
void AAX_CString::Set(const char* text) noexcept
{
  try
  {
    mString = OrEmpty(text);
  }
  catch (...)
  {
  }
}

AAX_CString& AAX_CString::AssignFrom(const AAX_IString& other) noexcept
{
  if (&other != this)
    Set(other.Get());
  return *this;
}

AAX_CString& AAX_CString::AssignText(const char* text) noexcept
{
  Set(text);
  return *this;
}

void AAX_CString::Swap(AAX_CString& other) noexcept { mString.swap(other.mString); }

AAX_CString& AAX_CString::Clear()
{
  mString.clear();
  return *this;
}

AAX_CString& AAX_CString::Erase(uint32_t pos, uint32_t count)
{
  if (pos < mString.size())
    mString.erase(pos, count);
  return *this;
}

AAX_CString& AAX_CString::Append(const AAX_CString& other)
{
  mString += other.mString;
  return *this;
}

AAX_CString& AAX_CString::Append(const std::string& other)
{
  mString += other;
  return *this;
}

AAX_CString& AAX_CString::Append(const char* text)
{
  mString += OrEmpty(text);
  return *this;
}

AAX_CString& AAX_CString::AppendNumber(double value, int32_t precision)
{
  mString += NumberText(value, precision);
  return *this;
}

AAX_CString& AAX_CString::AppendNumber(int32_t value)
{
  mString += std::to_string(value);
  return *this;
}

AAX_CString& AAX_CString::AppendHex(int32_t value, int32_t width)
{
  mString += HexText(value, width);
  return *this;
}

AAX_CString& AAX_CString::Insert(uint32_t pos, const AAX_CString& other)
{
  mString.insert(std::min<size_t>(pos, mString.size()), other.mString);
  return *this;
}

AAX_CString& AAX_CString::Insert(uint32_t pos, const char* text)
{
  mString.insert(std::min<size_t>(pos, mString.size()), OrEmpty(text));
  return *this;
}

AAX_CString& AAX_CString::InsertNumber(uint32_t pos, double value, int32_t precision)
{
  mString.insert(std::min<size_t>(pos, mString.size()), NumberText(value, precision));
  return *this;
}

AAX_CString& AAX_CString::InsertNumber(uint32_t pos, int32_t value)
{
  mString.insert(std::min<size_t>(pos, mString.size()), std::to_string(value));
  return *this;
}

AAX_CString& AAX_CString::InsertHex(uint32_t pos, int32_t value, int32_t width)
{
  mString.insert(std::min<size_t>(pos, mString.size()), HexText(value, width));
  return *this;
}

AAX_CString& AAX_CString::Replace(uint32_t pos, uint32_t count, const AAX_CString& other)
{
  mString.replace(std::min<size_t>(pos, mString.size()), count, other.mString);
  return *this;
}

AAX_CString& AAX_CString::Replace(uint32_t pos, uint32_t count, const char* text)
{
  mString.replace(std::min<size_t>(pos, mString.size()), count, OrEmpty(text));
  return *this;
}

void AAX_CString::SubString(uint32_t pos, uint32_t count, AAX_IString* out) const
{
  if (!out)
    return;
  if (pos >= mString.size())
  {
    out->Set("");
    return;
  }
  // Go through a copy: out may be this very string.
  const std::string part = mString.substr(pos, count);
  out->Set(part.c_str());
}

bool AAX_CString::ToDouble(double* out) const
{
  if (!out)
    return false;
  std::istringstream is(mString);
  is.imbue(std::locale::classic());
  double value = 0.0;
  if (is >> value)
  {
    *out = value;
    return true;
  }
  *out = 0.0;
  return false;
}

bool AAX_CString::ToInteger(int32_t* out) const
{
  if (!out)
    return false;
  std::istringstream is(mString);
  is.imbue(std::locale::classic());
  int32_t value = 0;
  if (is >> value)
  {
    *out = value;
    return true;
  }
  // Also out-of-range numbers land here: the stream flags them as failures.
  *out = 0;
  return false;
}

bool AAX_CString::operator==(const AAX_CString& other) const
{
  return std::strcmp(mString.c_str(), other.mString.c_str()) == 0;
}

bool AAX_CString::operator==(const char* text) const
{
  return std::strcmp(mString.c_str(), OrEmpty(text)) == 0;
}

bool AAX_CString::operator==(const std::string& other) const { return mString == other; }

bool AAX_CString::operator<(const AAX_CString& other) const
{
  return std::strcmp(mString.c_str(), other.mString.c_str()) < 0;
}

bool AAX_CString::operator>(const AAX_CString& other) const
{
  return std::strcmp(mString.c_str(), other.mString.c_str()) > 0;
}

std::ostream& operator<<(std::ostream& os, const AAX_CString& str)
{
  return os << str.StdString();
}

std::istream& operator>>(std::istream& is, AAX_CString& str)
{
  return is >> str.StdString();
}
