// The string type of the AAX layer: a growable byte string (no encoding assumed) behind
// AAX_IString. Positions past the end are clamped and null texts read as empty, so no
// operation throws on bad positions or missing texts.
#pragma once

#include "aax/library/AAX_IString.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class AAX_CString : public AAX_IString
{
public:
  static constexpr uint32_t kMaxLength = 0xFFFFFFFEu;
  static constexpr uint32_t InvalidIndex = 0xFFFFFFFFu;

  AAX_CString() = default;
  AAX_CString(const char* text);
  AAX_CString(const std::string& text);
  AAX_CString(const AAX_CString& other);
  AAX_CString(AAX_CString&& other) noexcept;
  explicit AAX_CString(const AAX_IString& other);
  ~AAX_CString() override = default;

  AAX_CString& operator=(const AAX_CString& other);
  AAX_CString& operator=(AAX_CString&& other) noexcept;
  AAX_CString& operator=(const std::string& other);
  AAX_CString& operator=(const char* text);

  // AAX_IString
  uint32_t Length() const override;
  uint32_t MaxLength() const override;
  const char* Get() const override;
  // The host calls these on our strings: out of memory leaves the text as it was instead of
  // throwing across the boundary.
  void Set(const char* text) noexcept override;
  AAX_CString& AssignFrom(const AAX_IString& other) noexcept override;
  AAX_CString& AssignText(const char* text) noexcept override;

  void Swap(AAX_CString& other) noexcept;
  const std::string& StdString() const { return mString; }
  std::string& StdString() { return mString; }
  const char* CString() const { return mString.c_str(); }

  AAX_CString& Clear();
  bool Empty() const { return mString.empty(); }
  AAX_CString& Erase(uint32_t pos, uint32_t count);

  AAX_CString& Append(const AAX_CString& other);
  AAX_CString& Append(const std::string& other);
  AAX_CString& Append(const char* text);
  AAX_CString& operator+=(const AAX_CString& other) { return Append(other); }
  AAX_CString& operator+=(const std::string& other) { return Append(other); }
  AAX_CString& operator+=(const char* text) { return Append(text); }

  // Fixed notation with exactly `precision` digits after the point (negative counts as 0).
  AAX_CString& AppendNumber(double value, int32_t precision);
  AAX_CString& AppendNumber(int32_t value);
  // "0x" and lower-case hex digits, zero-padded to `width` digits; negative values show
  // their 32-bit two's-complement digits.
  AAX_CString& AppendHex(int32_t value, int32_t width);

  AAX_CString& Insert(uint32_t pos, const AAX_CString& other);
  AAX_CString& Insert(uint32_t pos, const char* text);
  AAX_CString& InsertNumber(uint32_t pos, double value, int32_t precision);
  AAX_CString& InsertNumber(uint32_t pos, int32_t value);
  AAX_CString& InsertHex(uint32_t pos, int32_t value, int32_t width);

  AAX_CString& Replace(uint32_t pos, uint32_t count, const AAX_CString& other);
  AAX_CString& Replace(uint32_t pos, uint32_t count, const char* text);

  // Sets out to up to `count` bytes from `pos`; a null out is ignored.
  void SubString(uint32_t pos, uint32_t count, AAX_IString* out) const;

  // The byte at an index; an index at or past the end reads the terminating NUL instead of
  // memory beyond the text.
  char At(uint32_t index) const { return index < mString.size() ? mString[index] : '\0'; }
  char operator[](uint32_t index) const { return At(index); }

  // Reads one number from the start of the text like a formatted stream extraction.
  // Nothing readable (or a null out): 0 and false.
  bool ToDouble(double* out) const;
  bool ToInteger(int32_t* out) const;

  // Text comparison up to the first NUL byte.
  bool operator==(const AAX_CString& other) const;
  bool operator!=(const AAX_CString& other) const { return !(*this == other); }
  bool operator==(const char* text) const;
  bool operator!=(const char* text) const { return !(*this == text); }
  // Length and every byte.
  bool operator==(const std::string& other) const;
  bool operator!=(const std::string& other) const { return !(*this == other); }
  bool operator<(const AAX_CString& other) const;
  bool operator>(const AAX_CString& other) const;

private:
  std::string mString;
};

std::ostream& operator<<(std::ostream& os, const AAX_CString& str);
std::istream& operator>>(std::istream& is, AAX_CString& str);
