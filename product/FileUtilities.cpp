#include "product/FileUtilities.h"

#include "plug/RegularFileReader.h"
#include "plug/WholeFileWriter.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

const char* const kUnreadableFileText = "nada";

namespace {

std::mutex& OverrideMutex()
{
  static std::mutex m;
  return m;
}

std::string& OverrideFolder()
{
  static std::string folder;
  return folder;
}

std::string UserDatabaseHome()
{
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size < 1024)
    size = 16384;
  std::vector<char> buffer(static_cast<size_t>(size));
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir && result->pw_dir[0])
    return result->pw_dir;
  return {};
}

// Creates every missing folder of dir (like mkdir -p), each with mode 0777 before the umask.
bool MakeFolders(const std::string& dir)
{
  if (dir.empty())
    return true;
  struct stat st{};
  if (stat(dir.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode);
  const size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash)))
    return false;
  if (mkdir(dir.c_str(), 0777) == 0)
    return true;
  // Another writer may have created it meanwhile.
  return errno == EEXIST && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentFolder(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return {};
  if (slash == 0)
    return "/";
  return path.substr(0, slash);
}

} // namespace

void SetHomeFolderOverride(const std::string& folder)
{
  std::lock_guard<std::mutex> lock(OverrideMutex());
  OverrideFolder() = folder;
}

std::string HomeFolder()
{
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    if (!OverrideFolder().empty())
      return OverrideFolder();
  }
  std::string home = UserDatabaseHome();
  if (home.empty())
  {
    const char* env = std::getenv("HOME");
    if (env)
      home = env;
  }
  return home;
}

std::string ExpandPath(const std::string& path)
{
  // No memo: an expansion is one user-database lookup, and a process-wide map written from
  // several threads would need a lock for no measurable gain.
  if (path.empty() || path[0] != '~')
    return path;
  const std::string home = HomeFolder();
  if (home.empty())
    return path;
  return home + path.substr(1);
}

bool IsDirectory(const std::string& path)
{
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
  const std::string target = ExpandPath(path);
  if (target.empty() || target.back() == '/')
    return false;
  if (!MakeFolders(ParentFolder(target)))
    return false;

  return plug::ReplaceWholeFile(target.c_str(), text.data(), text.size()) == plug::FileReplacement::kReplaced;
}

bool RemoveFile(const std::string& path)
{
  const std::string target = ExpandPath(path);
  struct stat st{};
  if (lstat(target.c_str(), &st) != 0)
    return false;
  return unlink(target.c_str()) == 0;
}

std::string ReadTextFile(const std::string& path)
{
  std::string text;
  if (ReadTextFileWithin(path, static_cast<size_t>(kMaxReadableFileSize), text) != FileRead::kRead)
    return kUnreadableFileText;
  return text;
}

FileRead ReadTextFileWithin(const std::string& path, size_t limit, std::string& text)
{
  // The reader's bound is the most bytes a file may have; ours is the first size refused. A
  // limit of 0 refuses every regular file, an empty one too.
  const std::size_t maxBytes = limit > 0 ? limit - 1 : 0;
  switch (plug::ReadRegularFileWithin(ExpandPath(path).c_str(), maxBytes, text))
  {
    case plug::RegularFileRead::kRead:
      if (limit > 0)
        return FileRead::kRead;
      text.clear();
      return FileRead::kTooLarge;
    case plug::RegularFileRead::kTooLarge: return FileRead::kTooLarge;
    case plug::RegularFileRead::kMissing:
    case plug::RegularFileRead::kNotRegular:
    case plug::RegularFileRead::kUnreadable: break;
  }
  return FileRead::kAbsent;
}
