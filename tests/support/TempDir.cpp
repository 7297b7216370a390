#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir()
{
  std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-test-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder");
  mPath = pattern;
}

TempDir::~TempDir()
{
  std::error_code ec;
  std::filesystem::remove_all(mPath, ec);
}

std::string SourcePath(const std::string& relative)
{
  const char* root = std::getenv("VELLICOR_SOURCE_DIR");
  std::string base = root ? root : VELLICOR_DEFAULT_SOURCE_DIR;
  return base + "/" + relative;
}

} // namespace testsupport
