#pragma once
// Reader of XML property lists (the format of Info.plist files): dict, array, string, key,
// integer, real, true, false, data (base64) and date (kept as its text). Bounded by the
// length given, nesting limited, never throws; anything malformed gives null.
#include "standin/foundation/Foundation.h"

#include <cstddef>
#include <string>

namespace standin {

// The top-level object (owned by the caller), or null.
NSObject* ReadPropertyList(const char* text, size_t length);
// The same for a file of at most 16 MiB.
NSObject* ReadPropertyListFile(const std::string& path);

} // namespace standin
