// The string interface that crosses the host boundary: the host reads and writes our strings
// only through these virtual operations, so it never shares a string implementation with us.
#pragma once

#include <cstdint>

class AAX_IString
{
public:
  virtual ~AAX_IString() = default;

  // Number of bytes, without the terminating NUL.
  virtual uint32_t Length() const = 0;
  virtual uint32_t MaxLength() const = 0;
  // The NUL-terminated text; never null.
  virtual const char* Get() const = 0;
  // Replaces the text; a null text makes the string empty.
  virtual void Set(const char* text) = 0;
  // Replaces the text by other.Get().
  virtual AAX_IString& AssignFrom(const AAX_IString& other) = 0;
  // As Set, returning this string.
  virtual AAX_IString& AssignText(const char* text) = 0;

protected:
  AAX_IString() = default;
  AAX_IString(const AAX_IString&) = default;
  AAX_IString& operator=(const AAX_IString&) = default;
};
