#pragma once
// Helpers of the stand-ins' tests.
#include "standin/foundation/Object.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace standintest {

// Counts platform faults instead of crashing, for the life of the object.
struct FaultCounter
{
  static inline std::atomic<int> sFaults{0};
  standin::PlatformFaultHandler mPrevious;
  FaultCounter() : mPrevious(standin::SetPlatformFaultHandler([](const char*) { ++sFaults; })) { sFaults = 0; }
  ~FaultCounter() { standin::SetPlatformFaultHandler(mPrevious); }
  int Count() const { return sFaults.load(); }
};

// Writes the text as the whole file, making its folders first.
inline void WriteText(const std::string& path, const std::string& text)
{
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

} // namespace standintest
