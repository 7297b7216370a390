#pragma once
// The editor's C texts as Foundation strings. +[NSString stringWithUTF8String:] raises on a
// null text and answers nil for a text that is not valid UTF-8, so every text the editor hands
// to Foundation or AppKit goes through one of these.
#include "standin/foundation/Foundation.h"

namespace plug {

// For names, paths and identifiers: nil for no text or one that is not UTF-8 (the caller
// treats nil as "not found").
inline NSString* StringOrNil(const char* text) { return text ? NSString::stringWithUTF8String(text) : nullptr; }

// For text shown to the user: the empty string for no text or one that is not UTF-8, never nil.
inline NSString* StringOrEmpty(const char* text)
{
  NSString* string = StringOrNil(text);
  return string ? string : NSString::string();
}

} // namespace plug
