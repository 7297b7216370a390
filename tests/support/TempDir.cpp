#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string ReadFileText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

} // namespace testsupport
