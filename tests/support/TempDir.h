#pragma once
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary directory, removed with everything in it
// when the object goes. Tests write files only here.
class TempDir
{
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

private:
  std::string mPath;
};

// Path of a file in the source tree (golden files and the like).
std::string SourcePath(const std::string& relative);

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

} // namespace testsupport
