#pragma once
// Whole-file helpers for the product's user preset files. Paths may start with "~", which
// stands for the user's home folder. None of these throws for a file-system problem; they
// report it through their result.
#include <string>

// The text ReadTextFile returns for a file it cannot read. A file whose whole content is
// these four letters cannot be told apart from a missing one.
extern const char* const kUnreadableFileText; // "nada"

// Files larger than this are not read: a user preset file is a few kilobytes.
constexpr long long kMaxReadableFileSize = 1 << 20;

// Replaces a leading "~" by the home folder: the override when one is set, else the home
// folder of the process's real user from the user database, else $HOME. "~name" becomes the
// home folder followed by "name" (no lookup of other users). Without any home folder the
// path comes back unchanged.
std::string ExpandPath(const std::string& path);

// The home folder seam: while an override is set, "~" expands to it. Tests point it at a
// temporary folder; an empty text removes the override.
void SetHomeFolderOverride(const std::string& folder);
std::string HomeFolder();

// True when the path (not expanded) exists and is a directory.
bool IsDirectory(const std::string& path);

// Replaces the file's content by text: creates missing parent folders, writes a temporary
// file next to the target and renames it over the target, so readers see the old or the new
// content, never a part. False when any step fails; the target is then left as it was.
bool WriteTextFile(const std::string& path, const std::string& text);

// True when the file existed and was removed.
bool RemoveFile(const std::string& path);

// The whole content of a regular file smaller than kMaxReadableFileSize, or "nada" when the
// file is missing, unreadable, not a regular file or too large.
std::string ReadTextFile(const std::string& path);

// What ReadTextFileWithin found.
enum class FileRead
{
  kRead,     // text holds the whole content
  kAbsent,   // missing, unreadable or not a regular file
  kTooLarge, // a regular file of limit bytes or more; text is left empty
};

// Reads a regular file of fewer than limit bytes whole, opening it without blocking (a named
// pipe is refused, not waited for) and reading no more than limit bytes whatever the file
// does meanwhile. A file that grows past the limit while it is read counts as too large.
FileRead ReadTextFileWithin(const std::string& path, size_t limit, std::string& text);
