// State every object of the host stand-in shares: which interface versions the host offers,
// the record of host calls, and the count of live host objects.
#pragma once

#include "standin/aaxhost/RecordLog.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace aaxhost
{
// Versions a stand-in host offers for each interface family: 0 none (no object factory
// either), 1 only the first versions, kAllVersions everything.
constexpr int kAllVersions = 99;

class HostContext
{
public:
  explicit HostContext(int version)
    : mVersion(version)
    , mDescriptionServices(version > 1)
  {
  }

  int Version() const { return mVersion; }
  bool Offers(int version) const { return version <= mVersion; }
  // Description services (description host, host definition) are a newer host's; on by
  // default only when every version is offered.
  bool DescriptionServices() const { return mDescriptionServices; }
  void SetDescriptionServices(bool on) { mDescriptionServices = on; }

  // Every forwarded host operation records "Class.Operation". Only the newest
  // kDefaultRecordCapacity calls are kept; CallCount counts them all.
  void Record(const std::string& call);
  // The kept calls, oldest first.
  std::vector<std::string> Calls() const;
  std::string LastCall() const;
  // Calls recorded since construction or the last ClearCalls, kept or not.
  size_t CallCount() const;
  void ClearCalls();

private:
  int mVersion;
  bool mDescriptionServices;
  mutable std::mutex mMutex;
  RecordLog<std::string> mCalls;
};

// Host objects alive in the process (every stand-in object counts itself).
int32_t LiveHostObjects();

namespace detail
{
void CountObject(int delta);
}
} // namespace aaxhost
