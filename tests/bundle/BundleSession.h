#pragma once
// The real Vellicor bundle loaded in-process the way aaxhost loads it: started, registered,
// and handing out instances. User preset files are read from a temporary home folder (the
// bundle's VELLICOR_HOME_FOLDER seam), never from the real one.
//
// The library stays mapped when a session ends (each load would otherwise strand the editor
// timer's run loop, which lives as long as the process by design); sessions in one process
// reuse the mapping.

#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/PluginInstance.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bundletest {

using Channels = std::vector<std::vector<float>>;

class BundleSession
{
public:
  BundleSession()
  {
    setenv("VELLICOR_HOME_FOLDER", mHome.Path().c_str(), 1);
    if (!mBundle.Load(VELLICOR_BUNDLE))
      return;
    mBundle.Startup(mHost);
    mReady = mBundle.Register(mHost) == ACF_OK && mBundle.Registered() &&
             mBundle.Registered()->Effects().size() == 1;
  }
  ~BundleSession() { mBundle.Unload(false); }

  bool Ready() const { return mReady; }
  std::string Error() const { return mBundle.Error(); }
  aaxhost::Host& GetHost() { return mHost; }
  aaxhost::BundleLoader& Bundle() { return mBundle; }
  const testsupport::TempDir& Home() const { return mHome; }

  // A created and initialised instance of component 0 (mono) or 1 (stereo); null on failure.
  std::unique_ptr<aaxhost::PluginInstance> NewInstance(int component, float sampleRate = 48000.0f)
  {
    auto instance =
      std::make_unique<aaxhost::PluginInstance>(mHost, *mBundle.Registered()->Effects().front().second);
    if (!instance->Create(component, sampleRate))
    {
      ADD_FAILURE() << "instance: " << instance->Error();
      return nullptr;
    }
    return instance;
  }

private:
  testsupport::TempDir mHome;
  aaxhost::Host mHost;
  aaxhost::BundleLoader mBundle;
  bool mReady = false;
};

// The host holds every value the instance holds: each host parameter's value against the one
// the parameter's taper gives the instance's own value (read from its saved state), once every
// update is delivered.
inline void ExpectHostHoldsTheInstancesValues(aaxhost::PluginInstance& instance)
{
  instance.Settle();
  AAX_CTypeID chunkID = 0;
  std::vector<uint8_t> chunk;
  ASSERT_EQ(instance.ChunkID(&chunkID), AAX_SUCCESS);
  ASSERT_EQ(instance.GetChunk(chunkID, chunk), AAX_SUCCESS);
  for (size_t i = 0; i < chunk.size() / sizeof(double); ++i)
  {
    double value = 0.0;
    std::memcpy(&value, chunk.data() + i * sizeof(double), sizeof value);
    const std::string id = std::to_string(i + 1);
    AAX_IParameter* parameter = nullptr;
    ASSERT_EQ(instance.Effect()->FindParameterByID(id.c_str(), &parameter), AAX_SUCCESS) << id;
    double own = 0.0;
    if (!parameter->GetNormalizedValueFromDouble(value, &own))
    {
      ASSERT_TRUE(parameter->GetNormalizedValueFromInt32(static_cast<int32_t>(value), &own)) << id;
    }
    EXPECT_NEAR(parameter->GetNormalizedValue(), own, 1e-9)
      << "parameter " << id << " \"" << parameter->Name().Get() << "\": the instance holds " << value;
  }
}

// The state chunk as a host worker thread hands it over: the record made and loaded on the
// calling thread, nothing waited for.
inline AAX_Result RestoreOnThisThread(aaxhost::PluginInstance& instance, AAX_CTypeID id, const std::vector<uint8_t>& data)
{
  std::vector<uint64_t> storage((AAX_ChunkRecordSize(data.size()) + 7) / 8, 0);
  auto* record = reinterpret_cast<AAX_SPlugInChunk*>(storage.data());
  record->fSize = static_cast<int32_t>(data.size());
  record->fChunkID = static_cast<int32_t>(id);
  std::memcpy(reinterpret_cast<uint8_t*>(storage.data()) + offsetof(AAX_SPlugInChunk, fData), data.data(), data.size());
  return instance.Effect()->SetStateChunk(id, record);
}

// Renders the input (one vector per channel; a mono input feeds every input channel) block
// by block, taking block sizes from the list in turn. beforeBlock runs before each block with
// the block's first frame.
inline Channels Render(aaxhost::PluginInstance& instance, const Channels& input, const std::vector<int>& blocks,
                       const std::function<void(size_t)>& beforeBlock = {})
{
  const size_t frames = input.front().size();
  const int nIn = instance.InputChannels();
  const int nOut = instance.OutputChannels();
  int largest = 1;
  for (int b : blocks)
    largest = std::max(largest, b);
  Channels output(static_cast<size_t>(nOut), std::vector<float>(frames, 0.0f));
  Channels inBlock(static_cast<size_t>(nIn), std::vector<float>(static_cast<size_t>(largest)));
  Channels outBlock(static_cast<size_t>(nOut), std::vector<float>(static_cast<size_t>(largest)));
  std::vector<float*> ins, outs;
  for (auto& c : inBlock)
    ins.push_back(c.data());
  for (auto& c : outBlock)
    outs.push_back(c.data());
  size_t position = 0;
  size_t next = 0;
  while (position < frames)
  {
    const size_t n = std::min(frames - position, static_cast<size_t>(blocks[next++ % blocks.size()]));
    if (beforeBlock)
      beforeBlock(position);
    for (int c = 0; c < nIn; ++c)
    {
      const auto& source = input[std::min(static_cast<size_t>(c), input.size() - 1)];
      std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(position), n, inBlock[static_cast<size_t>(c)].begin());
    }
    // The host poisons every output buffer before the call: each must come back written.
    EXPECT_TRUE(instance.Render(ins.data(), outs.data(), static_cast<int32_t>(n))) << "block at " << position;
    for (int c = 0; c < nOut; ++c)
      std::copy_n(outBlock[static_cast<size_t>(c)].begin(), n,
                  output[static_cast<size_t>(c)].begin() + static_cast<std::ptrdiff_t>(position));
    position += n;
  }
  return output;
}

inline bool AllFinite(const Channels& channels)
{
  for (const auto& c : channels)
    for (float v : c)
      if (!std::isfinite(v))
        return false;
  return true;
}

inline double Peak(const Channels& channels)
{
  double peak = 0.0;
  for (const auto& c : channels)
    for (float v : c)
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
  return peak;
}

// The largest difference between two renders of the same shape (infinity when the shapes
// differ).
inline double MaxDifference(const Channels& a, const Channels& b)
{
  if (a.size() != b.size())
    return INFINITY;
  double worst = 0.0;
  for (size_t c = 0; c < a.size(); ++c)
  {
    if (a[c].size() != b[c].size())
      return INFINITY;
    for (size_t i = 0; i < a[c].size(); ++i)
      worst = std::max(worst, static_cast<double>(std::fabs(a[c][i] - b[c][i])));
  }
  return worst;
}

// The energy of the difference between two renders relative to the energy of the second
// (infinity when the shapes differ or the second is silent).
inline double RelativeDifference(const Channels& a, const Channels& b)
{
  if (a.size() != b.size())
    return INFINITY;
  double difference = 0.0, energy = 0.0;
  for (size_t c = 0; c < a.size(); ++c)
  {
    if (a[c].size() != b[c].size())
      return INFINITY;
    for (size_t i = 0; i < a[c].size(); ++i)
    {
      const double d = static_cast<double>(a[c][i]) - b[c][i];
      difference += d * d;
      energy += static_cast<double>(b[c][i]) * b[c][i];
    }
  }
  return energy > 0.0 ? std::sqrt(difference / energy) : INFINITY;
}

} // namespace bundletest
